// The screen as text: read from the surface, kept (in an autosave) and shown again.
#include "screen/zScreen.h"

#include <charconv>

namespace lantern {

namespace {

constexpr std::string_view kSignature = "lantern-screen 1";
// More rows than any screen has mean the text is not a snapshot.
constexpr size_t kMaxRows = 255;

// The number after `name ` on a line of its own, at most kMaxRows.
std::optional<size_t> Count(std::string_view line, std::string_view name) {
    if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != ' ')
        return std::nullopt;
    const std::string_view digits = line.substr(name.size() + 1);
    size_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size() || value > kMaxRows)
        return std::nullopt;
    return value;
}

// Rows are single lines: control characters become spaces.
void AppendRow(std::string& out, const std::string& row) {
    for (const char c : row)
        out.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    out.push_back('\n');
}

} // namespace

std::string ScreenSnapshot::Encode() const {
    std::string text(kSignature);
    text += "\nupper " + std::to_string(Upper.size()) + "\n";
    for (const std::string& row : Upper)
        AppendRow(text, row);
    text += "lower " + std::to_string(Lower.size()) + "\n";
    for (const std::string& row : Lower)
        AppendRow(text, row);
    return text;
}

std::optional<ScreenSnapshot> ScreenSnapshot::Decode(std::string_view text) {
    auto nextLine = [&text]() -> std::optional<std::string_view> {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        return line;
    };
    auto readRows = [&](std::string_view name, std::vector<std::string>& rows) {
        const auto header = nextLine();
        const auto count = header ? Count(*header, name) : std::nullopt;
        if (!count)
            return false;
        for (size_t i = 0; i < *count; ++i) {
            const auto row = nextLine();
            if (!row)
                return false;
            rows.emplace_back(*row);
        }
        return true;
    };
    ScreenSnapshot snapshot;
    if (nextLine() != kSignature || !readRows("upper", snapshot.Upper) ||
        !readRows("lower", snapshot.Lower) || !text.empty())
        return std::nullopt;
    snapshot.UpperHeight = static_cast<int>(snapshot.Upper.size());
    return snapshot;
}

std::string zScreen::RowText(int row) const {
    // A row's text stands at the columns where it was drawn; blanks at its end are dropped.
    std::string text;
    size_t length = 0;
    const Rect band{0, row * m_charHeight, m_surface->Width(), (row + 1) * m_charHeight};
    for (const TextRun& run : m_surface->TextIn(band)) {
        const auto column = static_cast<size_t>(std::max(run.x / m_charWidth, 0));
        if (column > length) {
            text.append(column - length, ' ');
            length = column;
        }
        text += run.text;
        length += DecodeUtf8(run.text).size();
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::vector<std::string> zScreen::UpperRows() const {
    std::vector<std::string> rows;
    const WindowRec& upper = m_windows[1];
    if (!m_screenReady || upper.Top <= 0)
        return rows;
    for (int row = 0; row < upper.Height; ++row)
        rows.push_back(RowText(row));
    return rows;
}

ScreenSnapshot zScreen::Snapshot() const {
    ScreenSnapshot snapshot;
    if (!m_screenReady)
        return snapshot;
    const WindowRec& lower = m_windows[0];
    snapshot.Upper = UpperRows();
    snapshot.UpperHeight = static_cast<int>(snapshot.Upper.size());
    const int first = lower.Top - 1;
    const int last = std::min(lower.CursorY / m_charHeight, first + lower.Height - 1);
    for (int row = first; row <= last; ++row)
        snapshot.Lower.push_back(RowText(row));
    return snapshot;
}

void zScreen::ShowUpperRows(const std::vector<std::string>& rows) {
    if (!m_screenReady)
        SetupScreen();
    const int height = std::min(static_cast<int>(rows.size()), std::max(ScreenLines() - 1, 0));
    if (m_windows[1].Top <= 0 || m_windows[1].Height != height)
        SplitWindow(height);
    if (height == 0)
        return;
    const int window = m_currentWindow;
    const WindowRec upper = m_windows[1];
    // Erased and drawn in the upper window's style; its cursor stays where it was.
    m_currentWindow = 1;
    ApplyStyle();
    EraseWindow(1);
    m_windows[1].CursorX = upper.CursorX;
    m_windows[1].CursorY = upper.CursorY;
    for (int row = 0; row < height; ++row)
        m_surface->DrawText(0, row * m_charHeight, rows[static_cast<size_t>(row)]);
    m_currentWindow = window;
    ApplyStyle();
}

void zScreen::ShowSnapshot(const ScreenSnapshot& snapshot) {
    EraseWindow(-1);
    const int upperHeight =
        std::min(snapshot.UpperHeight, std::max(ScreenLines() - 1, 0));
    if (upperHeight > 0)
        SplitWindow(upperHeight);
    const int window = m_currentWindow;
    m_currentWindow = 1;
    ApplyStyle();
    for (int row = 0; row < upperHeight && row < static_cast<int>(snapshot.Upper.size()); ++row)
        m_surface->DrawText(0, row * m_charHeight, snapshot.Upper[static_cast<size_t>(row)]);
    // The lower window's last lines, as many as it holds, end on the cursor's line.
    m_currentWindow = 0;
    ApplyStyle();
    WindowRec& lower = m_windows[0];
    const size_t shown = std::min(snapshot.Lower.size(), static_cast<size_t>(std::max(lower.Height, 0)));
    const size_t skipped = snapshot.Lower.size() - shown;
    for (size_t i = 0; i < shown; ++i)
        m_surface->DrawText(0, (lower.Top - 1 + static_cast<int>(i)) * m_charHeight,
                            snapshot.Lower[skipped + i]);
    if (shown > 0) {
        lower.CursorY = (lower.Top - 1 + static_cast<int>(shown) - 1) * m_charHeight;
        lower.CursorX = m_surface->MeasureText(snapshot.Lower.back()).width;
    }
    m_currentWindow = window;
    ApplyStyle();
    m_surface->Invalidate(0, 0, m_surface->Width(), m_surface->Height());
}

} // namespace lantern
