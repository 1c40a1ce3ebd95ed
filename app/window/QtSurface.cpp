#include "window/QtSurface.h"

#include "text/CharGraphics.h"
#include "text/CharMap.h"

#include <QColor>
#include <QFontDatabase>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstring>
#include <vector>

namespace lantern {

namespace {

QColor ToQColor(Colour colour) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | colour));
}

// The text is UTF-8, decoded as the core decodes it.
QString FromUtf8(std::string_view text) {
    // Plain ASCII, most text, needs no decoding.
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    const std::u32string characters = DecodeUtf8(text);
    return QString::fromUcs4(characters.data(), static_cast<qsizetype>(characters.size()));
}

} // namespace

QtSurface::QtSurface(int width, int height) {
    Resize(width, height);
}

QtSurface::~QtSurface() = default;

void QtSurface::Resize(int width, int height, Colour fill) {
    QImage image(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    image.fill(ToQColor(fill));
    if (!m_image.isNull() && !image.isNull()) {
        QPainter painter(&image);
        painter.drawImage(0, 0, m_image);
    }
    m_image = std::move(image);
    m_text.KeepWithin(m_image.rect());
    ++m_textVersion;
    Invalidate(0, 0, m_image.width(), m_image.height());
}

QStringList QtSurface::FaceOrder(const QString& chosen, bool fixedPitch) {
    // The face chosen when it is installed, else the first of the faces that stand in for it
    // (those Lantern's package depends on first), else the desktop's own; the rest follow in
    // the same order for characters a face lacks. Decided here, once for every story, rather
    // than by the text each story happens to print first.
    const QStringList standIns =
        fixedPitch
            ? QStringList{QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")}
            : QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QStringList order;
    for (const QString& face : QStringList{chosen} + standIns)
        if (!face.isEmpty() && QFontDatabase::hasFamily(face) && !order.contains(face))
            order << face;
    const QString desktop = QFontDatabase::systemFont(fixedPitch ? QFontDatabase::FixedFont
                                                                 : QFontDatabase::GeneralFont)
                                .family();
    if (!order.contains(desktop))
        order << desktop;
    return order;
}

QFont QtSurface::MakeFont(bool fixedPitch, bool bold, bool italic, const Fonts& fonts) {
    QFont font;
    font.setFamilies(FaceOrder(fixedPitch ? fonts.fixed : fonts.proportional, fixedPitch));
    font.setStyleHint(fixedPitch ? QFont::TypeWriter : QFont::SansSerif);
    font.setFixedPitch(fixedPitch);
    font.setPixelSize(std::max(fonts.pixelSize, 1));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    // Words are measured and drawn one by one, so their widths must add up.
    font.setKerning(false);
    return font;
}

void QtSurface::SetFonts(const Fonts& fonts) {
    if (fonts == m_fontChoice)
        return;
    m_fontChoice = fonts;
    for (auto& slot : m_fonts)
        slot.reset();
}

TextExtent QtSurface::FixedCell() const {
    const QFontMetrics metrics(MakeFont(true, false, false, m_fontChoice));
    return {metrics.horizontalAdvance(QStringLiteral("0")), metrics.height()};
}

void QtSurface::SelectFont(bool fixedPitch, bool bold, bool italic) {
    m_fontIndex = (fixedPitch ? 1 : 0) | (bold ? 2 : 0) | (italic ? 4 : 0);
}

QtSurface::LoadedFont& QtSurface::Font() {
    std::unique_ptr<LoadedFont>& slot = m_fonts[static_cast<size_t>(m_fontIndex)];
    if (!slot) {
        QFont font = MakeFont(m_fontIndex & 1, m_fontIndex & 2, m_fontIndex & 4, m_fontChoice);
        slot = std::make_unique<LoadedFont>(LoadedFont{font, QFontMetrics(font), {}});
    }
    return *slot;
}

const QFont& QtSurface::SelectedFont() {
    return Font().font;
}

const std::vector<int>& QtSurface::Advances(LoadedFont& font, const QString& text) {
    if (const auto found = font.advances.constFind(text); found != font.advances.cend())
        return *found;
    if (font.advances.size() >= kKeptAdvances)
        font.advances.clear();
    std::vector<int> advances{0};
    for (qsizetype i = 1; i <= text.size(); ++i)
        advances.push_back(font.metrics.horizontalAdvance(text.left(i)));
    return *font.advances.emplace(text, std::move(advances));
}

TextExtent QtSurface::MeasureText(std::string_view text) {
    LoadedFont& font = Font();
    return {Advances(font, FromUtf8(text)).back(), font.metrics.height()};
}

void QtSurface::DrawText(int x, int y, std::string_view text) {
    LoadedFont& font = Font();
    const QString string = FromUtf8(text);
    const std::vector<int>& advances = Advances(font, string);
    const int width = advances.back();
    const int height = font.metrics.height();
    const Rect bounds = m_textClip.value_or(Rect{0, 0, Width(), Height()});
    const auto shown =
        ClipRect(std::max<int64_t>(x, bounds.left), std::max<int64_t>(y, bounds.top),
                 std::min<int64_t>(int64_t{x} + width, bounds.right),
                 std::min<int64_t>(int64_t{y} + height, bounds.bottom), Width(), Height());
    if (!shown)
        return;
    QPainter painter(&m_image);
    if (m_textClip)
        painter.setClipRect(QRect(bounds.left, bounds.top, bounds.Width(), bounds.Height()));
    painter.fillRect(QRect(x, y, width, height), ToQColor(m_backColour));
    painter.setFont(font.font);
    painter.setPen(ToQColor(m_textColour));
    painter.drawText(x, y + font.metrics.ascent(), string);
    std::vector<int> edges;
    edges.reserve(advances.size());
    for (const int advance : advances)
        edges.push_back(x + advance);
    const QRect box(x, y, width, height);
    m_text.Draw(box, string, std::move(edges));
    if (m_textClip) {
        // Characters cut off by the clip are not on the screen.
        const QRect kept(shown->left, shown->top, shown->Width(), shown->Height());
        for (const QRect& outside :
             {QRect(QPoint(box.left(), box.top()), QPoint(kept.left() - 1, box.bottom())),
              QRect(QPoint(kept.right() + 1, box.top()), box.bottomRight())})
            if (outside.isValid())
                m_text.Erase(outside);
    }
    ++m_textVersion;
}

void QtSurface::DrawPicture(const PictureDraw& picture) {
    const auto clip = ClipRect(picture.Clip.left, picture.Clip.top, picture.Clip.right,
                               picture.Clip.bottom, Width(), Height());
    if (!clip)
        return;
    const PictureCache::Ready ready = m_pictures.Prepare(picture);
    if (!ready.image)
        return;
    const QRect area(clip->left, clip->top, clip->Width(), clip->Height());
    QPainter painter(&m_image);
    painter.setClipRect(area);
    const QRect target(picture.Target.left, picture.Target.top, picture.Target.Width(),
                       picture.Target.Height());
    if (ready.scaled)
        painter.drawImage(target.topLeft(), *ready.image);
    else
        painter.drawImage(target, *ready.image);
    // The picture covers the text that stood there.
    m_text.Erase(area);
    ++m_textVersion;
}

std::optional<Colour> QtSurface::PixelAt(int x, int y) const {
    if (!m_image.rect().contains(x, y))
        return std::nullopt;
    return static_cast<Colour>(m_image.pixel(x, y) & 0xFFFFFFu);
}

bool QtSurface::DrawGraphics(int x, int y, std::string_view codes, TextExtent cell) {
    const int width = std::max(cell.width, 1);
    const int height = std::max(cell.height, 1);
    const int64_t right = int64_t{x} + int64_t{width} * static_cast<int64_t>(codes.size());
    const auto area = ClipRect(x, y, right, int64_t{y} + height, Width(), Height());
    if (!area)
        return true;
    QPainter painter(&m_image);
    painter.fillRect(QRect(area->left, area->top, area->Width(), area->Height()),
                     ToQColor(m_backColour));
    const QColor ink = ToQColor(m_textColour);
    QString text;
    std::vector<int> edges;
    // Pixel i of 8 covers [i * size / 8, (i + 1) * size / 8) of the cell, so that the pixels at
    // the glyph's edges reach the cell's edges whatever its size.
    auto edge = [](int i, int size) { return i * size / 8; };
    for (size_t i = 0; i < codes.size(); ++i) {
        const int64_t left = int64_t{x} + int64_t{width} * static_cast<int64_t>(i);
        if (left >= Width())
            break;
        const auto code = static_cast<uint8_t>(codes[i]);
        edges.push_back(static_cast<int>(left));
        // Every nearest character lies in the Basic Multilingual Plane.
        text += QChar(static_cast<char16_t>(CharGraphic(code)));
        const GraphicBitmap* glyph = CharGraphicBitmap(code);
        if (!glyph)
            continue;
        for (int row = 0; row < 8; ++row) {
            const uint8_t bits = (*glyph)[static_cast<size_t>(row)];
            // Each run of ink along a row is one rectangle.
            for (int column = 0; column < 8;) {
                if (((bits >> (7 - column)) & 1) == 0) {
                    ++column;
                    continue;
                }
                const int start = column;
                while (column < 8 && ((bits >> (7 - column)) & 1) != 0)
                    ++column;
                const int pixelLeft = static_cast<int>(left) + edge(start, width);
                const int pixelTop = y + edge(row, height);
                painter.fillRect(QRect(pixelLeft, pixelTop,
                                       edge(column, width) - edge(start, width),
                                       edge(row + 1, height) - edge(row, height)),
                                 ink);
            }
        }
    }
    if (!edges.empty()) {
        edges.push_back(edges.back() + width);
        const QRect box(edges.front(), y, edges.back() - edges.front(), height);
        m_text.Draw(box, text, std::move(edges));
        ++m_textVersion;
    }
    return true;
}

void QtSurface::FillRect(int left, int top, int right, int bottom, Colour colour) {
    const auto area = ClipRect(left, top, right, bottom, Width(), Height());
    if (!area)
        return;
    QPainter painter(&m_image);
    const QRect rect(area->left, area->top, area->Width(), area->Height());
    painter.fillRect(rect, ToQColor(colour));
    if (rect == m_image.rect())
        m_fieldColour = colour;
    m_text.Erase(rect);
    ++m_textVersion;
}

void QtSurface::CopyBlock(int srcX, int srcY, int width, int height, int dstX, int dstY) {
    const auto block = ClipBlockCopy(srcX, srcY, width, height, dstX, dstY, Width(), Height());
    if (!block)
        return;
    // Rows moving straight up overwrite the rows above them: those scroll off into history.
    if (block->dstX == block->srcX && block->dstY < block->srcY)
        AddToHistory(Rect{block->dstX, block->dstY, block->dstX + block->width,
                          block->dstY + std::min(block->srcY - block->dstY, block->height)});
    const QRect source(block->srcX, block->srcY, block->width, block->height);
    m_text.Copy(source, QPoint(block->dstX, block->dstY));
    ++m_textVersion;
    const size_t bytes = static_cast<size_t>(block->width) * sizeof(QRgb);
    // memmove takes care of overlap within a row.
    auto copyRow = [&](int row) {
        const uchar* from = m_image.constScanLine(block->srcY + row) + block->srcX * sizeof(QRgb);
        uchar* to = m_image.scanLine(block->dstY + row) + block->dstX * sizeof(QRgb);
        std::memmove(to, from, bytes);
    };
    ForEachRowInCopyOrder(*block, copyRow);
}

void QtSurface::AddToHistory(const Rect& area) {
    const auto clipped = ClipRect(area.left, area.top, area.right, area.bottom, Width(), Height());
    if (!clipped)
        return;
    const QRect lost(clipped->left, clipped->top, clipped->Width(), clipped->Height());
    ScreenText::Pieces text = ScreenText::Filter(m_text.All(), ScreenText::InsideOf(lost));
    ScreenText::Move(text, 0, -lost.top());
    m_history.Add(Scrollback::Line{m_image.copy(lost), lost.left(), std::move(text), {}});
    ++m_textVersion;
}

void QtSurface::DropHistory(int lines) {
    if (lines <= 0)
        return;
    m_history.DropNewest(static_cast<size_t>(lines));
    ++m_textVersion;
}

std::vector<TextRun> QtSurface::TextIn(const Rect& area) const {
    const QRect box(area.left, area.top, area.Width(), area.Height());
    ScreenText::Pieces pieces = ScreenText::Filter(m_text.All(), ScreenText::InsideOf(box));
    std::stable_sort(pieces.begin(), pieces.end(), [](const auto& a, const auto& b) {
        return a.edges.front() < b.edges.front();
    });
    std::vector<TextRun> runs;
    for (const ScreenText::Piece& piece : pieces)
        runs.push_back({piece.edges.front(), piece.text.toStdString()});
    return runs;
}

void QtSurface::ClearHistory() {
    m_history.Clear();
    ++m_textVersion;
}

void QtSurface::Invalidate(int left, int top, int right, int bottom) {
    const auto area = ClipRect(left, top, right, bottom, Width(), Height());
    if (area && m_onRepaint)
        m_onRepaint(QRect(area->left, area->top, area->Width(), area->Height()));
}

} // namespace lantern
