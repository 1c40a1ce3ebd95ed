// Version 6's opcodes under the complete Z-machine: windows, pictures, the mouse, user stacks
// and formatted text (Z-Machine Standard 1.1, sections 8.8, 15 and 16).
#include "machine/Version6.h"
#include "machine/zMachine.h"
#include "memory/StoryError.h"

#include <algorithm>

namespace lantern {

namespace {

// The most lines PRINT_FORM prints from one table, and USER stack slots it counts: a table
// without its end is read no further.
constexpr int kMostFormLines = 4096;

} // namespace

bool Version6Ops::Active(const zMachine& machine) {
    return machine.m_standard && machine.m_version == 6;
}

// ---- Windows ---------------------------------------------------------------------------------

namespace {

// The window named by operand i: -3 (or no operand) is the current one; nothing when the
// number names no window.
std::optional<int> WindowArg(zMachine& m, int32_t value, bool given) {
    return m.Screen().WindowNumber(given ? value : -3);
}

} // namespace

void Version6Ops::SplitWindow(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpSplitWindow(in);
    m.m_screen.SplitUnits(m.Arg(in, 1, false));
    m.Next(in);
}

void Version6Ops::SetWindow(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpSetWindow(in);
    if (const auto window = WindowArg(m, m.Arg(in, 1, false), true)) {
        m.m_screen.SelectWindow(*window);
        WriteFontSize(m);
    }
    m.Next(in);
}

void Version6Ops::EraseWindow(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpEraseWindow(in);
    const int32_t number = m.Arg(in, 1, false);
    if (number == -1 || number == -2)
        m.m_screen.EraseWindow6(number);
    else if (const auto window = WindowArg(m, number, true))
        m.m_screen.EraseWindow6(*window);
    if (number == -1)
        WriteFontSize(m);
    m.m_host.ProcessPendingEvents();
    m.Next(in);
}

void Version6Ops::EraseLine(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpEraseLine(in);
    m.m_screen.EraseLine6(m.Arg(in, 1, true));
    m.Next(in);
}

void Version6Ops::SetCursor(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpSetCursor(in);
    const int32_t y = m.Arg(in, 1, false);
    const int32_t x = in.OperandCount >= 2 ? m.Arg(in, 2, false) : 0;
    const auto window = WindowArg(m, in.OperandCount >= 3 ? m.Arg(in, 3, false) : -3, true);
    if (window)
        m.m_screen.PlaceCursor(y, x, *window);
    m.Next(in);
}

void Version6Ops::GetCursor(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpGetCursor(in);
    const int64_t table = m.Arg(in, 1, true);
    const auto [y, x] = m.m_screen.CursorInWindow();
    m.m_story.WriteWord(table, y);
    m.m_story.WriteWord(table + 2, x);
    m.Next(in);
}

void Version6Ops::SetColour(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpSetColour(in);
    const int32_t fore = m.Arg(in, 1, false);
    const int32_t back = m.Arg(in, 2, false);
    const auto window = WindowArg(m, in.OperandCount >= 3 ? m.Arg(in, 3, false) : -3, true);
    if (window)
        m.m_screen.SetWindowColours(fore, back, *window);
    m.Next(in);
}

void Version6Ops::SetTrueColour(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpSetTrueColour(in);
    const int32_t fore = m.Arg(in, 1, true);
    const int32_t back = m.Arg(in, 2, true);
    const auto window = WindowArg(m, in.OperandCount >= 3 ? m.Arg(in, 3, false) : -3, true);
    if (window)
        m.m_screen.SetWindowTrueColours(fore, back, *window);
    m.Next(in);
}

void Version6Ops::SetFont(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpSetFont(in);
    const int32_t font = m.Arg(in, 1, false);
    const auto window = WindowArg(m, in.OperandCount >= 2 ? m.Arg(in, 2, false) : -3, true);
    const int previous = window ? m.m_screen.SetWindowFont(font, *window) : 0;
    WriteFontSize(m);
    m.StoreAndNext(in, previous);
}

void Version6Ops::SetTextStyle(zMachine& m, const Predecoded& in) {
    m.m_screen.SetTextStyle(m.Arg(in, 1, false));
    if (Active(m))
        WriteFontSize(m);
    m.Next(in);
}

void Version6Ops::MoveWindow(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const auto window = WindowArg(m, m.Arg(in, 1, false), true);
    const int32_t y = m.Arg(in, 2, false);
    const int32_t x = m.Arg(in, 3, false);
    if (window)
        m.m_screen.MoveWindow(*window, y, x);
    m.Next(in);
}

void Version6Ops::WindowSize(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const auto window = WindowArg(m, m.Arg(in, 1, false), true);
    const int32_t height = m.Arg(in, 2, true);
    const int32_t width = m.Arg(in, 3, true);
    if (window)
        m.m_screen.SizeWindow(*window, height, width);
    m.Next(in);
}

void Version6Ops::WindowStyle(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const auto window = WindowArg(m, m.Arg(in, 1, false), true);
    const int32_t flags = m.Arg(in, 2, true);
    const int32_t operation = in.OperandCount >= 3 ? m.Arg(in, 3, false) : 0;
    if (window)
        m.m_screen.SetWindowStyle(*window, flags, operation);
    m.Next(in);
}

void Version6Ops::GetWindProp(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const auto window = WindowArg(m, m.Arg(in, 1, false), true);
    const int32_t property = m.Arg(in, 2, true);
    m.StoreAndNext(in, window ? m.m_screen.WindowProperty(*window, property) : 0);
}

void Version6Ops::PutWindProp(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const auto window = WindowArg(m, m.Arg(in, 1, false), true);
    const int32_t property = m.Arg(in, 2, true);
    const int32_t value = m.Arg(in, 3, false);
    if (window && !m.m_screen.PutWindowProperty(*window, property, value))
        m.StoryMessage("PUT_WIND_PROP cannot write window property " + std::to_string(property) +
                           ".",
                       MessageIcon::Error);
    if (window && *window == m.m_screen.CurrentWindow() && (property == 10 || property == 12))
        WriteFontSize(m);
    m.Next(in);
}

void Version6Ops::ScrollWindow(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const auto window = WindowArg(m, m.Arg(in, 1, false), true);
    const int32_t units = m.Arg(in, 2, false);
    if (window)
        m.m_screen.ScrollWindow(*window, units);
    m.Next(in);
}

void Version6Ops::SetMargins(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const int32_t left = m.Arg(in, 1, false);
    const int32_t right = m.Arg(in, 2, false);
    const auto window = WindowArg(m, in.OperandCount >= 3 ? m.Arg(in, 3, false) : -3, true);
    if (window)
        m.m_screen.SetMargins(left, right, *window);
    m.Next(in);
}

void Version6Ops::BufferScreen(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    // Everything is shown as it is drawn: the mode is always 0, whatever the story asks.
    const int32_t mode = m.Arg(in, 1, false);
    if (mode == -1)
        m.m_screen.UpdateDisplay();
    m.StoreAndNext(in, 0);
}

// ---- Pictures --------------------------------------------------------------------------------

void Version6Ops::DrawPicture(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const int32_t number = m.Arg(in, 1, true);
    const int32_t y = in.OperandCount >= 2 ? m.Arg(in, 2, false) : 0;
    const int32_t x = in.OperandCount >= 3 ? m.Arg(in, 3, false) : 0;
    // A picture that is not there draws nothing: the story should have asked first.
    m.m_screen.DrawPicture(static_cast<uint32_t>(number), y, x);
    m.Next(in);
}

void Version6Ops::ErasePicture(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const int32_t number = m.Arg(in, 1, true);
    const int32_t y = in.OperandCount >= 2 ? m.Arg(in, 2, false) : 0;
    const int32_t x = in.OperandCount >= 3 ? m.Arg(in, 3, false) : 0;
    m.m_screen.ErasePicture(static_cast<uint32_t>(number), y, x);
    m.Next(in);
}

void Version6Ops::PictureData(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const int32_t number = m.Arg(in, 1, true);
    const int64_t table = m.Arg(in, 2, true);
    // Pictures left out (a terminal) are counted all the same: they keep their places.
    const PictureSet* pictures = m.m_screen.PictureFile();
    bool found = false;
    if (number == 0) {
        // How many pictures there are, and the release of the file that holds them.
        if (pictures) {
            m.m_story.WriteWord(table,
                                static_cast<int32_t>(std::min<size_t>(pictures->Count(), 0x7FFF)));
            m.m_story.WriteWord(table + 2, pictures->Release());
            found = pictures->Count() > 0;
        } else {
            m.m_story.WriteWord(table, 0);
            m.m_story.WriteWord(table + 2, 0);
        }
    } else if (const auto size = m.m_screen.PictureSizeOf(static_cast<uint32_t>(number))) {
        m.m_story.WriteWord(table, size->Height);
        m.m_story.WriteWord(table + 2, size->Width);
        found = true;
    }
    m.Branch(found, in);
}

void Version6Ops::PictureTable(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    // A hint of the pictures to come: each is decoded once and kept anyway.
    m.Arg(in, 1, true);
    m.Next(in);
}

// ---- The mouse and menus ---------------------------------------------------------------------

bool Version6Ops::TakeClick(zMachine& m, int x, int y) {
    if (!m.m_screen.TakesClick(x, y))
        return false;
    // The header extension's words 1 and 2 hold the click's x and y, where the table has them.
    const int64_t extension = m.m_story.ReadWord(0x36, true);
    if (extension != 0 && m.m_story.Contains(extension, 2)) {
        const int words = m.m_story.ReadWord(extension, true);
        for (int i = 1; i <= std::min(words, 2); ++i)
            if (m.m_story.Contains(extension + 2 * i, 2))
                m.m_story.WriteWord(extension + 2 * i, i == 1 ? x : y);
    }
    return true;
}

void Version6Ops::ReadMouse(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const int64_t table = m.Arg(in, 1, true);
    const Keyboard::MouseState& mouse = m.m_keyboard.Mouse();
    // y, x, the buttons and the menu word (no menus).
    const std::array<int32_t, 4> words = {mouse.Y, mouse.X, mouse.Buttons, 0};
    for (size_t i = 0; i < words.size(); ++i)
        m.m_story.WriteWord(table + 2 * static_cast<int64_t>(i), words[i]);
    m.Next(in);
}

void Version6Ops::MouseWindow(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const int32_t number = m.Arg(in, 1, false);
    if (number == -1)
        m.m_screen.SetMouseWindow(-1);
    else if (const auto window = WindowArg(m, number, true))
        m.m_screen.SetMouseWindow(*window);
    m.Next(in);
}

void Version6Ops::MakeMenu(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    // No menus are offered (the header says so): neither made nor removed.
    m.Arg(in, 1, true);
    m.Arg(in, 2, true);
    m.Branch(false, in);
}

// ---- Stacks ------------------------------------------------------------------------------------

void Version6Ops::PushStack(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const int32_t value = m.Arg(in, 1, true);
    const int64_t stack = m.Arg(in, 2, true);
    // Word 0 counts the free slots; the values fill the table from its end.
    const int32_t free = m.m_story.ReadWord(stack, true);
    if (free == 0)
        return m.Branch(false, in);
    m.m_story.WriteWord(stack + 2 * int64_t{free}, value);
    m.m_story.WriteWord(stack, free - 1);
    m.Branch(true, in);
}

void Version6Ops::PopStack(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    const int32_t items = m.Arg(in, 1, true);
    if (in.OperandCount >= 2) {
        const int64_t stack = m.Arg(in, 2, true);
        m.m_story.WriteWord(stack, m.m_story.ReadWord(stack, true) + items);
    } else {
        // The game's own stack, no further than the current routine's part of it.
        const int32_t held = m.m_stackPointer - m.m_frame->FramePointer;
        m.m_stackPointer -= std::min(items, held);
        if (items > held)
            m.StoryMessage("Stack Underflow", MessageIcon::Error);
    }
    m.Next(in);
}

void Version6Ops::Pull(zMachine& m, const Predecoded& in) {
    if (!Active(m) || in.OperandCount == 0)
        return m.OpPullStore(in);
    const int64_t stack = m.Arg(in, 1, true);
    const int32_t free = m.m_story.ReadWord(stack, true);
    const int32_t value = m.m_story.ReadWord(stack + 2 * (int64_t{free} + 1), true);
    m.m_story.WriteWord(stack, free + 1);
    m.StoreAndNext(in, value);
}

// ---- Text ---------------------------------------------------------------------------------------

void Version6Ops::PrintForm(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpExtRefused(in);
    int64_t line = m.Arg(in, 1, true);
    m.Next(in);
    // Lines of a count word and that many characters, up to a count of 0; one line each.
    std::string text;
    for (int lines = 0; lines < kMostFormLines; ++lines) {
        const int32_t count = m.m_story.ReadWord(line, true);
        if (count == 0)
            break;
        if (lines > 0)
            text += "\r\n";
        for (int32_t i = 0; i < count; ++i)
            text.push_back(static_cast<char>(m.m_story.ReadByte(line + 2 + i)));
        line += 2 + int64_t{count};
    }
    m.PrintText(text);
}

void Version6Ops::OutputStream(zMachine& m, const Predecoded& in) {
    if (!Active(m))
        return m.OpOutputStream(in);
    const int32_t number = m.Arg(in, 1, false);
    const int32_t table = in.OperandCount > 1 ? m.Arg(in, 2, true) : 0;
    if (in.OperandCount > 2)
        m.Arg(in, 3, false); // the width of formatted output; text is kept as printed
    if (number == 3 && in.OperandCount < 2)
        throw StoryError("output stream 3 selected without a table");
    if (number == 2 || number == -2 || number == 4 || number == -4) {
        m.SelectFileStream(number);
        return m.Next(in);
    }
    if (number == -3 && m.m_streams.MemoryStreamDepth() > 0) {
        // The header's word 0x30 says how wide the text printed into the table is, in units.
        const int64_t at = m.m_streams.InnermostTable();
        const int32_t count = m.m_story.ReadWord(at, true);
        std::string text;
        for (int32_t i = 0; i < count && m.m_story.Contains(at + 2 + i); ++i)
            text.push_back(static_cast<char>(m.m_story.ReadByte(at + 2 + i)));
        m.m_story.WriteWord(0x30, std::min(m.m_screen.MeasureZscii(text), 0xFFFF));
    }
    m.m_streams.OutputStream(number, table);
    m.Next(in);
}

// ---- The start, the header and the newline interrupt --------------------------------------------

void Version6Ops::Start(zMachine& m) {
    zScreen& screen = m.m_screen;
    if (!Active(m)) {
        screen.LeaveVersion6();
        screen.SetNewlineInterrupt(nullptr, false);
        m.m_keyboard.SetClickHandler(nullptr);
        return;
    }
    screen.StartVersion6();
    // Zork Zero release 393 (serial 890714) on interpreter 6 begins the new line before its
    // newline interrupt runs (Standard 8.8.3.2.2.1).
    const bool zorkZero =
        m.m_story.ReadWord(0x02, true) == 393 &&
        std::equal(std::begin("890714"), std::end("890714") - 1, m.m_story.Data() + 0x12);
    screen.SetNewlineInterrupt([&m](int32_t routine) { RunInterrupt(m, routine); },
                               zorkZero && kVersion6InterpreterNumber == 6);
    if (m.m_host.OffersMouse())
        m.m_keyboard.SetClickHandler([&m](int x, int y) { return TakeClick(m, x, y); });
    else
        m.m_keyboard.SetClickHandler(nullptr);
}

void Version6Ops::WriteFontSize(zMachine& m) {
    const auto [height, width] = m.m_screen.FontSize(m.m_screen.CurrentWindow());
    m.m_story.WriteByte(0x26, std::min(height, 255));
    m.m_story.WriteByte(0x27, std::min(width, 255));
}

void Version6Ops::WriteHeader(zMachine& m) {
    zScreen& screen = m.m_screen;
    StoryImage& story = m.m_story;
    const auto [height, width] = screen.FontSize(screen.CurrentWindow());
    const int32_t screenWidth = screen.ScreenWidth();
    const int32_t screenHeight = screen.ScreenHeight();
    // Colours, pictures where they can be shown, bold, italic, fixed pitch, sound effects where
    // the story's sounds can play, and timed input.
    constexpr int kColours = 0x01, kPictures = 0x02, kBold = 0x04, kItalic = 0x08, kFixed = 0x10,
                  kSound = 0x20, kTimed = 0x80;
    story.WriteByte(0x01, kColours | (screen.PicturesShown() ? kPictures : 0) | kBold | kItalic |
                              kFixed | (m.m_sound.Available() ? kSound : 0) | kTimed);
    story.WriteByte(0x1E, kVersion6InterpreterNumber);
    story.WriteByte(0x1F, kVersion6InterpreterVersion);
    story.WriteByte(0x20, std::min(screenHeight / height, 255));
    story.WriteByte(0x21, std::min(screenWidth / width, 255));
    story.WriteWord(0x22, std::min(screenWidth, 0xFFFF));
    story.WriteWord(0x24, std::min(screenHeight, 0xFFFF));
    // Version 6 has the font's height first, then the width of "0".
    story.WriteByte(0x26, std::min(height, 255));
    story.WriteByte(0x27, std::min(width, 255));
    story.WriteByte(0x2C, kStartBackColourNumber);
    story.WriteByte(0x2D, kStartForeColourNumber);
    // Flags 2: pictures where they are shown, undo, the mouse where the front-end has one,
    // colours, and sound where it can play are granted; menus are not.
    constexpr int kWantsPictures = 0x08, kWantsMouse = 0x20, kWantsSound = 0x80,
                  kWantsMenus = 0x100;
    int refused = kWantsMenus;
    if (!m.m_sound.Available())
        refused |= kWantsSound;
    if (!screen.PicturesShown())
        refused |= kWantsPictures;
    if (!m.m_host.OffersMouse())
        refused |= kWantsMouse;
    story.WriteWord(0x10, story.ReadWord(0x10, true) & ~refused);
    story.WriteByte(0x32, 1);
    story.WriteByte(0x33, 1);
}

void Version6Ops::RunInterrupt(zMachine& m, int32_t routine) {
    // The routine runs to its return while the text is being printed, as a timed input's
    // routine runs inside a wait; its result is dropped.
    const int32_t pc = m.m_pc;
    const int base = m.m_frameIndex;
    const uint64_t changes = m.m_stateChanges;
    const int32_t stack = m.m_stackPointer;
    m.PerformCall(m.UnpackAddress(routine, true), pc, -1, 0, nullptr);
    ++m.m_tickDepth;
    bool returned = m.m_frameIndex == base;
    try {
        while (!returned) {
            if (!m.Step() || m.m_stateChanges != changes || m.m_frameIndex < base)
                break;
            returned = m.m_frameIndex == base && m.m_pc == pc;
            if (m.m_frameIndex == base)
                break;
        }
    } catch (...) {
        --m.m_tickDepth;
        throw;
    }
    --m.m_tickDepth;
    if (!returned)
        throw StoryError("a window's newline interrupt routine did not return");
    m.m_stackPointer = stack;
    // The printing instruction's record may have given its place to one of the routine's.
    m.m_cache.Fetch(m.m_pc);
}

} // namespace lantern
