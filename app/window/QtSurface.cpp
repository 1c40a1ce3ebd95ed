#include "window/QtSurface.h"

#include "text/CharMap.h"

#include <QColor>
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

QFont QtSurface::MakeFont(bool fixedPitch, bool bold, bool italic, const Fonts& fonts) {
    QFont font(fixedPitch ? fonts.fixed : fonts.proportional);
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
    if (block->dstX == block->srcX && block->dstY < block->srcY) {
        const QRect lost(block->dstX, block->dstY, block->width,
                         std::min(block->srcY - block->dstY, block->height));
        ScreenText::Pieces text = ScreenText::Filter(m_text.All(), ScreenText::InsideOf(lost));
        ScreenText::Move(text, 0, -lost.top());
        m_history.Add(Scrollback::Line{m_image.copy(lost), lost.left(), std::move(text), {}});
    }
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

std::vector<TextRun> QtSurface::TextIn(const Rect& area) const {
    const QRect box(area.left, area.top, area.Width(), area.Height());
    ScreenText::Pieces pieces = ScreenText::Filter(m_text.All(), ScreenText::InsideOf(box));
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const auto& a, const auto& b) { return a.edges.front() < b.edges.front(); });
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
