// The screen as it stands, kept (in an autosave) and shown again: the text of both windows with
// each cell's and line's look, and the colours, styles and fonts the story's text goes on in.
#include "screen/zScreen.h"
#include "text/CharMap.h"

#include <charconv>

namespace lantern {

namespace {

constexpr std::string_view kSignature = "lantern-screen 2";
// The text-only screens of earlier versions.
constexpr std::string_view kTextSignature = "lantern-screen 1";
// More rows than any screen has mean the text is not a snapshot.
constexpr size_t kMaxRows = 255;
constexpr size_t kMaxCells = 1024;

// ---- Writing ------------------------------------------------------------------------------

void AppendInk(std::string& out, Colour ink) {
    if (ink == kDefaultForeInk) {
        out += 't';
    } else if (ink == kDefaultBackInk) {
        out += 'b';
    } else {
        char digits[7] = {};
        const auto [end, ec] = std::to_chars(digits, digits + 6, ink & 0xFFFFFF, 16);
        out.append(6 - static_cast<size_t>(end - digits), '0');
        out.append(digits, end);
    }
}

void AppendLook(std::string& out, const Appearance& look) {
    out += '{' + std::to_string(look.Style) + ' ' + std::to_string(look.Font) + ' ';
    AppendInk(out, look.Fore);
    out += ' ';
    AppendInk(out, look.Back);
    out += '}';
}

// Text stays on its line: control characters become spaces, and '{' is doubled.
void AppendText(std::string& out, std::string_view text) {
    for (const char c : text) {
        if (c == '{')
            out += "{{";
        else
            out.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    }
}

// ---- Reading ------------------------------------------------------------------------------

std::optional<size_t> Number(std::string_view digits, size_t most) {
    size_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() || value > most)
        return std::nullopt;
    return value;
}

// The fields of `line` after `name `, separated by single spaces: exactly `count` of them.
std::optional<std::vector<std::string_view>> Fields(std::string_view line, std::string_view name,
                                                    size_t count) {
    if (!line.starts_with(name) || line.size() <= name.size() || line[name.size()] != ' ')
        return std::nullopt;
    line.remove_prefix(name.size() + 1);
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        if (fields.size() > count)
            return std::nullopt;
        if (space == std::string_view::npos)
            break;
        line.remove_prefix(space + 1);
    }
    if (fields.size() != count)
        return std::nullopt;
    return fields;
}

std::optional<Colour> ReadInk(std::string_view text) {
    if (text == "t")
        return kDefaultForeInk;
    if (text == "b")
        return kDefaultBackInk;
    Colour value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.size() != 6 || ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool ValidFont(size_t font) {
    return font == kFontNormal || font == kFontGraphics || font == kFontFixed;
}

// A look token "{style font fore back}" at the start of text, which it leaves after it.
std::optional<Appearance> ReadLook(std::string_view& text) {
    if (text.empty() || text[0] != '{' || text.starts_with("{{"))
        return std::nullopt;
    const size_t close = text.find('}');
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string token = "look " + std::string(text.substr(1, close - 1));
    text.remove_prefix(close + 1);
    const auto fields = Fields(token, "look", 4);
    if (!fields)
        return std::nullopt;
    const auto style = Number((*fields)[0], 255);
    const auto font = Number((*fields)[1], 255);
    const auto fore = ReadInk((*fields)[2]);
    const auto back = ReadInk((*fields)[3]);
    if (!style || !font || !ValidFont(*font) || !fore || !back)
        return std::nullopt;
    return Appearance{static_cast<uint8_t>(*style), static_cast<uint8_t>(*font), *fore, *back};
}

// Runs of text, each after its look, to the end of the line.
std::optional<std::vector<StyledRun>> ReadRuns(std::string_view text) {
    std::vector<StyledRun> runs;
    while (!text.empty()) {
        const auto look = ReadLook(text);
        if (!look)
            return std::nullopt;
        StyledRun run{*look, {}};
        while (!text.empty()) {
            if (text.starts_with("{{")) {
                run.Text += '{';
                text.remove_prefix(2);
            } else if (text[0] == '{') {
                break;
            } else {
                run.Text += text[0];
                text.remove_prefix(1);
            }
        }
        runs.push_back(std::move(run));
    }
    return runs;
}

std::optional<CellRow> ReadRow(std::string_view text) {
    const auto trail = ReadLook(text);
    const auto runs = trail ? ReadRuns(text) : std::nullopt;
    if (!runs)
        return std::nullopt;
    CellRow row{{}, *trail};
    for (const StyledRun& run : *runs)
        for (const char32_t c : DecodeUtf8(run.Text))
            row.Cells.push_back(TextCell{c, run.Look});
    if (row.Cells.size() > kMaxCells)
        return std::nullopt;
    return row;
}

std::optional<Paragraph> ReadParagraph(std::string_view text) {
    if (!text.starts_with('{'))
        return std::nullopt;
    const size_t close = text.find('}');
    const auto fill =
        close == std::string_view::npos ? std::nullopt : ReadInk(text.substr(1, close - 1));
    if (!fill)
        return std::nullopt;
    const auto runs = ReadRuns(text.substr(close + 1));
    if (!runs)
        return std::nullopt;
    return Paragraph{*runs, *fill};
}

// Rows of plain text as cells or paragraphs in the default look.
ScreenSnapshot FromText(const std::vector<std::string>& upper,
                        const std::vector<std::string>& lower) {
    ScreenSnapshot snapshot;
    snapshot.UpperHeight = static_cast<int>(upper.size());
    for (const std::string& text : upper) {
        CellRow row;
        for (const char32_t c : DecodeUtf8(text))
            row.Cells.push_back(TextCell{c, Appearance{}});
        row.Cells.resize(std::min(row.Cells.size(), kMaxCells));
        snapshot.Upper.push_back(std::move(row));
    }
    for (const std::string& text : lower)
        snapshot.Lower.push_back(
            Paragraph{text.empty() ? std::vector<StyledRun>{} : std::vector{StyledRun{{}, text}},
                      kDefaultBackInk});
    return snapshot;
}

} // namespace

std::vector<std::string> ScreenSnapshot::UpperText() const {
    std::vector<std::string> rows;
    for (const CellRow& row : Upper) {
        std::string text;
        for (const TextCell& cell : row.Cells)
            AppendUtf8(text, cell.Ch);
        text.erase(text.find_last_not_of(' ') + 1);
        rows.push_back(std::move(text));
    }
    return rows;
}

std::vector<std::string> ScreenSnapshot::LowerText() const {
    std::vector<std::string> paragraphs;
    for (const Paragraph& paragraph : Lower) {
        std::string text;
        for (const StyledRun& run : paragraph.Runs)
            text += run.Text;
        paragraphs.push_back(std::move(text));
    }
    return paragraphs;
}

std::string ScreenSnapshot::Encode() const {
    std::string text(kSignature);
    text += "\nwindow " + std::to_string(CurrentWindow);
    text += "\nstyles " + std::to_string(Styles[0]) + ' ' + std::to_string(Styles[1]);
    text += "\nfonts " + std::to_string(Fonts[0]) + ' ' + std::to_string(Fonts[1]);
    text += "\nbuffered " + std::to_string(Buffered ? 1 : 0);
    text += "\ncolours ";
    AppendInk(text, Fore);
    text += ' ';
    AppendInk(text, Back);
    text +=
        "\ncursor " + std::to_string(UpperCursor.first) + ' ' + std::to_string(UpperCursor.second);
    text += "\nfill ";
    AppendInk(text, LowerFill);
    text += "\nupper " + std::to_string(Upper.size()) + "\n";
    for (const CellRow& row : Upper) {
        AppendLook(text, row.Trail);
        // Cells of one look together.
        for (size_t i = 0; i < row.Cells.size();) {
            const Appearance& look = row.Cells[i].Look;
            AppendLook(text, look);
            std::string cells;
            for (; i < row.Cells.size() && row.Cells[i].Look == look; ++i)
                AppendUtf8(cells, row.Cells[i].Ch);
            AppendText(text, cells);
        }
        text += '\n';
    }
    text += "lower " + std::to_string(Lower.size()) + "\n";
    for (const Paragraph& paragraph : Lower) {
        text += '{';
        AppendInk(text, paragraph.Fill);
        text += '}';
        for (const StyledRun& run : paragraph.Runs) {
            AppendLook(text, run.Look);
            AppendText(text, run.Text);
        }
        text += '\n';
    }
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
    // The number of lines that follow a header "name N".
    auto count = [&](std::string_view name, size_t most) -> std::optional<size_t> {
        const auto line = nextLine();
        const auto fields = line ? Fields(*line, name, 1) : std::nullopt;
        return fields ? Number((*fields)[0], most) : std::nullopt;
    };
    const auto signature = nextLine();
    if (signature == kTextSignature) {
        std::vector<std::string> upper;
        std::vector<std::string> lower;
        for (auto* rows : {&upper, &lower}) {
            const auto n = count(rows == &upper ? "upper" : "lower", kMaxRows);
            for (size_t i = 0; n && i < *n; ++i) {
                const auto row = nextLine();
                if (!row)
                    return std::nullopt;
                rows->emplace_back(*row);
            }
            if (!n)
                return std::nullopt;
        }
        if (!text.empty())
            return std::nullopt;
        return FromText(upper, lower);
    }
    if (signature != kSignature)
        return std::nullopt;
    ScreenSnapshot snapshot;
    auto fieldsOf = [&](std::string_view name, size_t n) {
        const auto line = nextLine();
        return line ? Fields(*line, name, n) : std::nullopt;
    };
    const auto window = fieldsOf("window", 1);
    const auto styles = fieldsOf("styles", 2);
    const auto fonts = fieldsOf("fonts", 2);
    const auto buffered = fieldsOf("buffered", 1);
    const auto colours = fieldsOf("colours", 2);
    const auto cursor = fieldsOf("cursor", 2);
    const auto fill = fieldsOf("fill", 1);
    if (!window || !styles || !fonts || !buffered || !colours || !cursor || !fill)
        return std::nullopt;
    const auto current = Number((*window)[0], 1);
    const auto buffering = Number((*buffered)[0], 1);
    const auto fore = ReadInk((*colours)[0]);
    const auto back = ReadInk((*colours)[1]);
    const auto line = Number((*cursor)[0], kMaxRows + 2);
    const auto column = Number((*cursor)[1], kMaxCells + 1);
    const auto lowerFill = ReadInk((*fill)[0]);
    if (!current || !buffering || !fore || !back || !line || !column || !lowerFill)
        return std::nullopt;
    for (size_t i = 0; i < 2; ++i) {
        const auto style = Number((*styles)[i], 255);
        const auto font = Number((*fonts)[i], 255);
        if (!style || !font || !ValidFont(*font))
            return std::nullopt;
        snapshot.Styles[i] = static_cast<uint8_t>(*style);
        snapshot.Fonts[i] = static_cast<uint8_t>(*font);
    }
    snapshot.CurrentWindow = static_cast<int>(*current);
    snapshot.Buffered = *buffering != 0;
    snapshot.Fore = *fore;
    snapshot.Back = *back;
    snapshot.UpperCursor = {static_cast<int>(*line), static_cast<int>(*column)};
    snapshot.LowerFill = *lowerFill;
    const auto upperRows = count("upper", kMaxRows);
    for (size_t i = 0; upperRows && i < *upperRows; ++i) {
        const auto row = nextLine();
        auto cells = row ? ReadRow(*row) : std::nullopt;
        if (!cells)
            return std::nullopt;
        snapshot.Upper.push_back(std::move(*cells));
    }
    const auto paragraphs = upperRows ? count("lower", TextFlow::kMaxParagraphs) : std::nullopt;
    if (!paragraphs)
        return std::nullopt;
    for (size_t i = 0; i < *paragraphs; ++i) {
        const auto row = nextLine();
        auto paragraph = row ? ReadParagraph(*row) : std::nullopt;
        if (!paragraph)
            return std::nullopt;
        snapshot.Lower.push_back(std::move(*paragraph));
    }
    if (!text.empty())
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
    const WindowRec& upper = m_windows[1];
    const WindowRec& lower = m_windows[0];
    snapshot.UpperHeight = upper.Top > 0 ? std::max(upper.Height, 0) : 0;
    snapshot.Upper = m_upperText.Rows();
    snapshot.Upper.resize(static_cast<size_t>(snapshot.UpperHeight),
                          CellRow{{}, m_upperText.Blank()});
    // The paragraphs that fill the lower window however narrow it is when shown again: at
    // least a paragraph a line, and enough text for every line.
    const auto& paragraphs = m_lowerText.Paragraphs();
    const auto lines = static_cast<size_t>(std::max(lower.Height, 1));
    const size_t enough = lines * static_cast<size_t>(std::max(lower.Width, 1)) * 3;
    size_t first = paragraphs.size();
    size_t bytes = 0;
    while (first > 0 && paragraphs.size() - first < lines && bytes < enough)
        bytes += paragraphs[--first].Bytes();
    snapshot.Lower.assign(paragraphs.begin() + static_cast<std::ptrdiff_t>(first),
                          paragraphs.end());
    snapshot.LowerFill = m_lowerFill;
    snapshot.CurrentWindow = m_currentWindow;
    for (size_t i = 0; i < 2; ++i) {
        snapshot.Styles[i] = m_windows[i].Style;
        snapshot.Fonts[i] = static_cast<uint8_t>(m_windows[i].Font);
    }
    snapshot.Fore = m_foreInk;
    snapshot.Back = m_backInk;
    snapshot.UpperCursor = {upper.CursorY / m_charHeight + 1, upper.CursorX / m_charWidth + 1};
    snapshot.Buffered = lower.Buffered;
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
    for (int row = 0; row < height; ++row) {
        const std::string& text = rows[static_cast<size_t>(row)];
        m_surface->DrawText(0, row * m_charHeight, text);
        if (m_keepText)
            RecordDrawn(0, row * m_charHeight, text);
    }
    m_currentWindow = window;
    ApplyStyle();
}

void zScreen::ShowSnapshot(const ScreenSnapshot& snapshot) {
    EraseWindow(-1);
    const int upperHeight = std::min(snapshot.UpperHeight, std::max(ScreenLines() - 1, 0));
    if (upperHeight > 0)
        SplitWindow(upperHeight);
    m_upperText.SetRowsFrom(snapshot.Upper);
    m_upperText.SetRows(upperHeight);
    m_lowerText.SetParagraphs(std::deque<Paragraph>(snapshot.Lower.begin(), snapshot.Lower.end()));
    m_lowerFill = snapshot.LowerFill;
    for (size_t i = 0; i < 2; ++i) {
        m_windows[i].Style = snapshot.Styles[i];
        m_windows[i].Font = snapshot.Fonts[i];
    }
    m_windows[0].Buffered = snapshot.Buffered;
    m_currentWindow = snapshot.CurrentWindow == 1 ? 1 : 0;
    SetInks(snapshot.Fore, snapshot.Back);
    Redraw();
    if (upperHeight > 0)
        SetCursor(snapshot.UpperCursor.first, snapshot.UpperCursor.second, 5, 1);
    ApplyStyle();
}

} // namespace lantern
