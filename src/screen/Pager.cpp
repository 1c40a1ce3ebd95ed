#include "screen/Pager.h"

#include <algorithm>
#include <string>

namespace lantern {

void Pager::Write(std::string_view text) {
    std::string rest = m_screen.OutPut(text, false);
    // A prompt with nothing left to draw still waits: otherwise the next text would scroll
    // the page away under a second prompt before the player has seen it.
    while (!rest.empty() || m_screen.PromptShown()) {
        m_screen.SetLinesPrinted(0);
        m_screen.UpdateDisplay();
        if (m_waitForKey)
            m_waitForKey();
        const size_t before = rest.size();
        rest = m_screen.OutPut(rest, true);
        if (!rest.empty() && rest.size() >= before)
            break; // a page that cannot make progress is dropped rather than waited on forever
    }
}

void Pager::Continue(std::string rest) {
    while (!rest.empty() || m_screen.PromptShown()) {
        m_screen.SetLinesPrinted(0);
        const size_t before = rest.size();
        rest = m_screen.OutPut(rest, true);
        if (!rest.empty() && rest.size() >= before)
            break;
    }
}

void Pager::StartInput(std::string_view preload) {
    m_screen.SetLinesPrinted(0);
    m_screen.UpdateDisplay();
    m_shown.assign(preload);
    const WindowRec& window = m_screen.Window(m_screen.CurrentWindow());
    // The story printed the preloaded text on the cursor's line.
    m_places.assign(preload.size() + 1, {window.CursorX, window.CursorY});
    for (size_t i = 0; i < preload.size(); ++i)
        m_places[i].x = std::max(window.CursorX - m_screen.MeasureZscii(preload.substr(i)), 0);
    m_scrolls = m_screen.ScrolledPixels();
    m_inputShown = true;
}

void Pager::FollowScrolls() {
    const uint64_t scrolls = m_screen.ScrolledPixels();
    if (scrolls == m_scrolls)
        return;
    // Far enough above the screen for any place, without overflowing.
    const auto shift = static_cast<int64_t>(std::min<uint64_t>(scrolls - m_scrolls, 1u << 28));
    for (PixelPoint& place : m_places)
        place.y = static_cast<int32_t>(std::max<int64_t>(place.y - shift, -(int64_t{1} << 30)));
    m_scrolls = scrolls;
}

std::string Pager::ShowInput(std::string_view line, size_t caret) {
    FollowScrolls();
    size_t common = 0;
    while (common < m_shown.size() && common < line.size() && m_shown[common] == line[common])
        ++common;
    if (common < m_shown.size()) {
        m_screen.RubOutTo(m_places[common], m_shown.size() - common);
        m_shown.resize(common);
        m_places.resize(common + 1);
    }
    // One character at a time, so that each one's place is known: where it was drawn, after a
    // wrap if it did not fit.
    for (size_t i = common; i < line.size(); ++i) {
        const std::string_view character = line.substr(i, 1);
        m_screen.SetLinesPrinted(0);
        Continue(m_screen.OutPut(character, false));
        FollowScrolls();
        const WindowRec& window = m_screen.Window(m_screen.CurrentWindow());
        m_places.back() = {window.CursorX - m_screen.MeasureZscii(character), window.CursorY};
        m_places.push_back({window.CursorX, window.CursorY});
        m_shown.push_back(line[i]);
    }
    m_screen.SetLinesPrinted(0);
    m_caret = std::min(caret, m_shown.size());
    m_screen.SetInputCaret(m_places[m_caret]);
    m_screen.UpdateDisplay();
    return std::string(line.substr(common));
}

void Pager::EndInput() {
    m_screen.SetInputCaret(std::nullopt);
    m_inputShown = false;
}

void Pager::HideInput() {
    if (!m_inputShown || m_hiding)
        return;
    FollowScrolls();
    m_screen.RubOutTo(m_places.front(), m_shown.size());
    m_hidden = std::move(m_shown);
    m_shown.clear();
    m_screen.SetInputCaret(std::nullopt);
    m_hiding = true;
}

void Pager::ShowInputAgain() {
    if (!m_hiding)
        return;
    m_hiding = false;
    const std::string line = std::move(m_hidden);
    const size_t caret = m_caret;
    StartInput({});
    ShowInput(line, caret);
}

} // namespace lantern
