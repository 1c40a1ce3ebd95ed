#include "console/TerminalHost.h"

#include "StopSignals.h"
#include "console/ScriptHost.h"
#include "memory/StoryError.h"
#include "text/CharMap.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace lantern {

void TerminalHost::CheckStop() {
    if (StopSignal() == 0 || m_askingToQuit)
        return;
    // Ctrl-C with a game at stake asks first, and No plays on. Meanwhile a second Ctrl-C, or
    // any signal from outside, ends the program at once (StopSignals).
    if (StopFromKeyboard() && !m_ended && !m_quitChosen && m_gameAtStake && m_gameAtStake()) {
        m_askingToQuit = true;
        bool quit = true;
        try {
            quit = AskToQuit();
        } catch (...) {
            m_askingToQuit = false;
            throw;
        }
        m_askingToQuit = false;
        if (!quit) {
            ForgetStopSignal();
            return;
        }
        m_quitChosen = true; // the game is being stopped: not asked again
    }
    throw GameStopped{};
}

bool TerminalHost::AskToQuit() {
    // Keys typed before Ctrl-C were typed for the game, not for the question.
    m_terminal.DiscardTypedAhead();
    return AskYesNo("Quit and lose this game?");
}

namespace {

// Where a view of `view` cells starts on a line of `size` cells so as to show cell `at`: at the
// start while it can.
int ViewStart(int at, int size, int view) {
    if (size <= view || view <= 0)
        return 0;
    return std::clamp(at - view + 1, 0, size - view);
}

} // namespace

void TerminalHost::Render(bool everything) {
    if (!m_drawnOnce) {
        everything = true;
        m_drawnOnce = true;
    }
    const PixelPoint caret = m_screen ? m_screen->CaretPosition() : PixelPoint{};
    const PixelPoint origin{ViewStart(caret.x, m_surface.Width(), m_terminal.Columns()),
                            ViewStart(caret.y, m_surface.Height(), m_terminal.Rows())};
    if (origin != m_origin) {
        m_origin = origin;
        m_terminal.Clear();
        everything = true;
    }
    const Rect all{0, 0, m_surface.Width(), m_surface.Height()};
    const Rect area = everything ? all : m_surface.DirtyRect().value_or(Rect{});
    m_surface.ClearDirty();
    if (!area.IsEmpty())
        m_terminal.Draw(m_surface, area, m_origin);
    // A version 6 story may hide the cursor (SET_CURSOR -1).
    m_terminal.Show(caret.x - m_origin.x, caret.y - m_origin.y,
                    !m_screen || m_screen->CursorShown());
}

void TerminalHost::Resized() {
    if (m_onResize)
        m_onResize(m_terminal.Columns(), m_terminal.Rows());
    m_terminal.Clear();
    Render(true);
}

bool TerminalHost::DeliverPendingKeys() {
    bool delivered = false;
    // A line takes keys up to its end, a single-key wait one key: the rest waits for later.
    while (m_keyboard && m_keyboard->WantsKeys() && !m_pendingKeys.empty()) {
        const TerminalKey key = m_pendingKeys.front();
        m_pendingKeys.pop_front();
        if (key.kind == TerminalKey::Kind::Character) {
            m_keyboard->TypeCharacter(static_cast<char32_t>(key.value));
        } else if (key.kind == TerminalKey::Kind::Click) {
            // A unit is a cell, counted from (1, 1) on the screen the terminal shows part of.
            // Of a double click the story is told the first click, then the second (value 3).
            m_keyboard->MouseClick(key.x + m_origin.x + 1, key.y + m_origin.y + 1, key.value == 3);
            if (key.value == 2)
                m_pendingKeys.push_front({TerminalKey::Kind::Click, 3, key.x, key.y});
        } else
            m_keyboard->KeyPress(key.value);
        delivered = true;
    }
    return delivered;
}

void TerminalHost::ReadKeys(int timeoutMs) {
    if (m_ended)
        return;
    // The first key within the time, then whatever else has come (lines pasted together).
    int wait = timeoutMs;
    for (;;) {
        const TerminalKey key = m_terminal.ReadKey(wait);
        switch (key.kind) {
        case TerminalKey::Kind::None:
            // A key that typed nothing does not end a wait without a time limit.
            if (wait < 0 && StopSignal() == 0)
                continue;
            return;
        case TerminalKey::Kind::Ended:
            // The keys read before the end still count; the wait after them ends the game.
            m_ended = true;
            return;
        case TerminalKey::Kind::Resized: Resized(); return;
        case TerminalKey::Kind::Woken: return; // a sound ended: the game looks
        case TerminalKey::Kind::Character:
        case TerminalKey::Kind::Key:
        case TerminalKey::Kind::Click:
            if (m_pendingKeys.size() < kMaxPendingKeys)
                m_pendingKeys.push_back(key);
            wait = 0;
            break;
        }
    }
}

void TerminalHost::DoEvents() {
    DoEventsFor(-1);
}

void TerminalHost::DoEventsFor(int timeoutMs) {
    CheckStop();
    m_terminal.ReportClicks(m_keyboard && m_keyboard->TakesClicks());
    Render();
    if (DeliverPendingKeys())
        return;
    if (m_ended)
        throw GameStopped{}; // the terminal went away
    ReadKeys(timeoutMs);
    CheckStop();
    DeliverPendingKeys();
}

void TerminalHost::ProcessPendingEvents() {
    CheckStop();
    Render();
    ReadKeys(0);
    CheckStop();
}

TerminalKey TerminalHost::Prompt(const std::string& text) {
    CheckStop();
    if (m_ended)
        throw GameStopped{};
    Render();
    TerminalKey key;
    for (;;) {
        // The terminal's bottom rows, also when it shows only a part of the screen; a message
        // too long for them shows its start.
        const std::vector<std::string> lines = m_terminal.Wrap(text);
        const int bottom = std::min(m_surface.Height(), m_terminal.Rows()) - 1;
        const int count = std::min(static_cast<int>(lines.size()), bottom + 1);
        for (int i = 0; i < count; ++i)
            m_terminal.DrawBar(bottom - count + 1 + i, lines[static_cast<size_t>(i)]);
        m_terminal.Show(TerminalScreen::Width(lines[static_cast<size_t>(count - 1)]), bottom);
        key = m_terminal.ReadKey(-1);
        CheckStop();
        if (key.kind == TerminalKey::Kind::Ended) {
            m_ended = true;
            throw GameStopped{};
        }
        if (key.kind == TerminalKey::Kind::Resized)
            Resized();
        if (key.kind == TerminalKey::Kind::Character || key.kind == TerminalKey::Kind::Key)
            break;
    }
    // The prompt's rows belong to the screen again.
    Render(true);
    return key;
}

void TerminalHost::ShowMessage(const std::string& text, MessageIcon) {
    // A message that no key can acknowledge any more waits for the terminal to be given back.
    m_unseen.push_back(text);
    if (StopSignal() != 0 || m_ended)
        return;
    Prompt(text + " [press a key]");
    m_unseen.pop_back();
}

bool TerminalHost::AskYesNo(const std::string& text) {
    for (;;) {
        const TerminalKey key = Prompt(text + " [y/n]");
        if (key.kind != TerminalKey::Kind::Character)
            continue;
        if (key.value == 'y' || key.value == 'Y')
            return true;
        if (key.value == 'n' || key.value == 'N')
            return false;
    }
}

bool TerminalHost::QuietAfterKey() {
    // Far longer than between two keys of a typed word, short enough not to be noticed.
    constexpr int kQuietMs = 300;
    bool quiet = true;
    for (;;) {
        const TerminalKey key = m_terminal.ReadKey(kQuietMs);
        CheckStop();
        switch (key.kind) {
        case TerminalKey::Kind::None: return quiet;
        case TerminalKey::Kind::Ended: m_ended = true; throw GameStopped{};
        case TerminalKey::Kind::Resized: Resized(); break;
        case TerminalKey::Kind::Woken: break; // a sound ended: the game looks once answered
        case TerminalKey::Kind::Character:
        case TerminalKey::Kind::Key: quiet = false; break;
        case TerminalKey::Kind::Click: break;
        }
    }
}

bool TerminalHost::AskQuestion(const std::string& text) {
    // What was typed before the question appeared was not typed for it.
    m_terminal.DiscardTypedAhead();
    m_pendingKeys.clear();
    for (;;) {
        const TerminalKey key = Prompt(text + " [press y for yes, n for no]");
        if (key.kind != TerminalKey::Kind::Character)
            continue;
        const bool yes = key.value == 'y' || key.value == 'Y';
        if ((yes || key.value == 'n' || key.value == 'N') && QuietAfterKey())
            return yes;
    }
}

std::optional<std::string> TerminalHost::AskFileName(FileUse use, const std::string& suggested) {
    const std::string question = std::string(FileUseTitle(use)) + ": file [" + suggested + "]: ";
    std::u32string name;
    for (;;) {
        std::string shown = question;
        for (const char32_t c : name)
            AppendUtf8(shown, c);
        const TerminalKey key = Prompt(shown);
        if (key.kind == TerminalKey::Kind::Key && key.value == kKeyEnter) {
            if (name.empty())
                return suggested;
            std::string typed;
            for (const char32_t c : name)
                AppendUtf8(typed, c);
            return typed;
        }
        if (key.kind == TerminalKey::Kind::Key && key.value == kKeyBackspace && !name.empty())
            name.pop_back();
        if (key.kind != TerminalKey::Kind::Character)
            continue;
        if (key.value == 4) // Ctrl-D
            return std::nullopt;
        if (key.value >= 0x20)
            name.push_back(static_cast<char32_t>(key.value));
    }
}

void TerminalHost::Beep() {
    m_terminal.Beep();
}

void TerminalHost::Finish() {
    Render();
    m_terminal.Restore();
    // The terminal shows again what it showed before the game; the game's last screen follows
    // it as text, so that the story's last words stay.
    int last = m_surface.Height() - 1;
    while (last >= 0 && m_surface.RowTextTrimmed(last).empty())
        --last;
    std::string text;
    for (int y = 0; y <= last; ++y) {
        std::string row = m_surface.RowTextTrimmed(y);
        StripControlCharacters(row);
        text += row + "\n";
    }
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = write(m_outputFd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the terminal is gone: nothing left to show
        done += static_cast<size_t>(n);
    }
    // Messages of the game's last moments, where the shell shows them.
    for (const std::string& message : m_unseen) {
        const std::string line = "lantern: " + PrintableText(message) + "\n";
        [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, line.data(), line.size());
    }
    m_unseen.clear();
}

} // namespace lantern
