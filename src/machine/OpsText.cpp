// Text and output-stream opcodes.
#include "machine/zMachine.h"
#include "memory/StoryError.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>
#include <vector>

namespace lantern {

void zMachine::OpPrintLit(const Predecoded& in) {
    PrintText(m_cache.InlineText(in));
    Next(in);
}

void zMachine::OpPrintRet(const Predecoded& in) {
    PrintText(m_cache.InlineText(in));
    PrintText("\r\n");
    PerformReturn(1);
}

void zMachine::OpNewLine(const Predecoded& in) {
    PrintText("\r\n");
    Next(in);
}

// Decoded text goes through one buffer that the machine keeps, so that printing allocates
// nothing once the buffer has grown.

void zMachine::OpPrintAddr(const Predecoded& in, Unsigned address) {
    m_text.DecodeZString(m_story, address, m_decoded);
    PrintText(m_decoded);
    Next(in);
}

void zMachine::OpPrintPaddr(const Predecoded& in, Unsigned packed) {
    m_text.DecodeZString(m_story, UnpackAddress(packed, false), m_decoded);
    PrintText(m_decoded);
    Next(in);
}

void zMachine::OpPrintObj(const Predecoded& in, Unsigned object) {
    m_objects.GetObject(object).ShortName(m_decoded);
    PrintText(m_decoded);
    Next(in);
}

void zMachine::OpPrintChar(const Predecoded& in, Signed code) {
    // Code 0 is null and prints nothing; 13 is a line break; there is nothing beyond 255.
    if (code == 13) {
        PrintText("\r\n");
    } else if (code > 0 && code <= 255) {
        const char c = static_cast<char>(code);
        PrintText(std::string_view(&c, 1));
    }
    Next(in);
}

void zMachine::OpPrintUnicode(const Predecoded& in) {
    if (!m_standard)
        return OpExtRefused(in);
    const auto character = static_cast<char32_t>(Arg(in, 1, true));
    // A memory table holds ZSCII only: a character without a code goes there as "?".
    if (m_streams.IsSelected(3)) {
        const auto code = m_chars.FromUnicode(character);
        PrintText(std::string(1, code ? static_cast<char>(*code) : '?'));
    } else {
        PrintText(m_chars.UnicodeText(character));
    }
    Next(in);
}

void zMachine::OpCheckUnicode(const Predecoded& in) {
    if (!m_standard)
        return OpExtRefused(in);
    StoreResult(in, m_chars.CheckUnicode(static_cast<char32_t>(Arg(in, 1, true))));
    Next(in);
}

void zMachine::OpPrintNum(const Predecoded& in, Signed number) {
    char digits[8];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number.value).ptr;
    PrintText(std::string_view(digits, static_cast<size_t>(end - digits)));
    Next(in);
}

void zMachine::OpOutputStream(const Predecoded& in) {
    const int32_t number = Arg(in, 1, false);
    const int32_t table = in.OperandCount > 1 ? Arg(in, 2, true) : 0;
    // Version 6's width operand is read (a stack operand pops) and not used.
    if (in.OperandCount > 2)
        Arg(in, 3, false);
    if (number == 3 && in.OperandCount < 2)
        throw StoryError("output stream 3 selected without a table");
    // The complete Z-machine's transcript and record of commands go to files the player names.
    if (m_standard && (number == 2 || number == -2 || number == 4 || number == -4))
        SelectFileStream(number);
    else
        m_streams.OutputStream(number, table);
    Next(in);
}

void zMachine::OpPrintTable(const Predecoded& in) {
    if (!m_standard) {
        Refuse(in, "Please Implement PRINT_TABLE");
        return;
    }
    const int64_t table = Arg(in, 1, true);
    const int64_t width = Arg(in, 2, true);
    const int64_t height = in.OperandCount >= 3 ? Arg(in, 3, true) : 1;
    const int64_t skip = in.OperandCount >= 4 ? Arg(in, 4, true) : 0;
    if (width == 0 || height == 0) {
        Next(in);
        return;
    }
    // Rows of `width` characters, `skip` more between one row and the next.
    const int64_t stride = width + skip;
    if (!m_story.Contains(table, stride * (height - 1) + width))
        throw StoryError("PRINT_TABLE of a table that runs past the end of memory");
    const bool onScreen = !m_streams.IsSelected(3) && m_streams.IsSelected(1);
    const auto [line, column] = m_screen.GetCursor();
    // Version 6 places each row a line of the window's font below the last, in units.
    const bool units = m_screen.Version6();
    const auto [top, left] = units ? m_screen.CursorInWindow() : std::pair<int32_t, int32_t>{};
    const int lineHeight = units ? m_screen.FontSize(m_screen.CurrentWindow()).first : 0;
    for (int64_t row = 0; row < height; ++row) {
        if (row > 0 && onScreen && units) {
            m_screen.PlaceCursor(
                static_cast<int32_t>(std::min<int64_t>(top + row * lineHeight, int64_t{1} << 20)),
                left, m_screen.CurrentWindow());
            // A transcript of cells shows the row below the last.
            if (m_transcript && m_screen.CurrentWindow() == 0)
                m_transcript("\n" +
                             std::string(static_cast<size_t>(std::clamp(left - 1, 0, 255)), ' '));
        } else if (row > 0 && onScreen && m_screen.CurrentWindow() == 1) {
            // The upper window: the cursor column of each following line.
            m_screen.SetCursor(line + static_cast<int>(row), column, m_version, 0);
        } else if (row > 0) {
            PrintText("\r\n");
            // The lower window: the next line, from the column the first row started at.
            if (onScreen && column > 1) {
                m_screen.SetCursor(m_screen.GetCursor().first, column, m_version, 0);
                if (m_transcript && m_screen.CurrentWindow() == 0)
                    m_transcript(std::string(static_cast<size_t>(column - 1), ' '));
            }
        }
        std::string text;
        for (int64_t i = 0; i < width; ++i) {
            const uint8_t c = m_story.ReadByte(table + row * stride + i);
            if (c == 13)
                text += "\r\n";
            else if (c != 0)
                text += static_cast<char>(c);
        }
        PrintText(text);
    }
    Next(in);
}

void zMachine::OpEncodeText(const Predecoded& in) {
    if (!m_standard) {
        Refuse(in, "Please Implement ENCODE_TEXT");
        return;
    }
    const int64_t text = Arg(in, 1, true);
    const int64_t length = Arg(in, 2, true);
    const int64_t from = Arg(in, 3, true);
    const int64_t coded = Arg(in, 4, true);
    // As a dictionary word: lower case, cut to the dictionary's length, three Z-characters to
    // a word, the last word marked as the end.
    const size_t limit = m_version <= 3 ? 6 : 9;
    const int64_t words = static_cast<int64_t>(limit / 3);
    if (!m_story.Contains(text + from, length) || !m_story.Contains(coded, 2 * words))
        throw StoryError("ENCODE_TEXT outside memory");
    std::string word;
    for (int64_t i = 0; i < length && word.size() < limit; ++i) {
        const uint8_t c = m_story.ReadByte(text + from + i);
        if (c == 0)
            break;
        word += static_cast<char>(m_chars.ToLower(c));
    }
    const std::vector<uint8_t> zChars = m_text.EncodeZChars(word, limit);
    for (int64_t w = 0; w < words; ++w) {
        const auto at = static_cast<size_t>(3 * w);
        int32_t value = (zChars[at] << 10) | (zChars[at + 1] << 5) | zChars[at + 2];
        if (w == words - 1)
            value |= 0x8000;
        m_story.WriteWord(coded + 2 * w, value);
    }
    Next(in);
}

} // namespace lantern
