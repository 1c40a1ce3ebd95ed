#include "window/PictureBox.h"

#include "window/DisplayAccessible.h"
#include "window/QtSurface.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

namespace lantern {

namespace {

constexpr int kBlinkMs = 530;
constexpr int kWheelLines = 3;
constexpr int kDefaultLineHeight = 20;

/// Whether a character whose middle is at x in the row from top to bottom lies in the
/// selection: from the first point onwards in its row, up to the last point in its row, and
/// every row between them.
template <typename Point> bool Selects(Point from, Point to, int top, int bottom, int x) {
    const bool after = (from.y >= top && from.y < bottom) ? x >= from.x : top > from.y;
    const bool before = (to.y >= top && to.y < bottom) ? x < to.x : bottom <= to.y;
    return after && before;
}

QColor ToQColor(Colour colour) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | colour));
}

} // namespace

PictureBox::PictureBox(QtSurface& surface, QWidget* parent) : QFrame(parent), m_surface(surface) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // Keys typed on the display go to the form (see Form1::keyPressEvent).
    setFocusPolicy(Qt::StrongFocus);
    // The image covers what it covers; Qt need not clear the widget before each paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);

    InstallDisplayAccessibility();
    m_statusElement = new QWidget(this);
    m_statusElement->setObjectName(QStringLiteral("statusLine"));
    m_statusElement->setAccessibleName(QStringLiteral("Status line"));
    m_statusElement->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_statusElement->setFocusPolicy(Qt::NoFocus);
    m_statusElement->setGeometry(QRect(Origin(), QSize(0, 0)));

    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->setCursor(Qt::ArrowCursor);
    m_scrollBar->hide();
    connect(m_scrollBar, &QScrollBar::valueChanged, this,
            [this](int value) { ScrollTo(m_surface.History().Height() - value); });

    m_blink.setInterval(kBlinkMs);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        if (m_caret)
            UpdateSurfaceRect(*m_caret);
    });
}

void PictureBox::UpdateSurfaceRect(const QRect& area) {
    if (m_scrolledBack > 0 || m_selection) {
        update(); // what shows where is shifted or marked: show it all again
    } else if (m_scale != 1.0) {
        const QRectF shown(QPointF(area.topLeft()) * m_scale, QSizeF(area.size()) * m_scale);
        update(shown.toAlignedRect().adjusted(-1, -1, 1, 1).translated(Origin()));
    } else {
        update(area.translated(Origin()));
    }
}

void PictureBox::SetScale(double scale) {
    scale = std::clamp(scale, 0.05, 20.0);
    if (scale == m_scale)
        return;
    m_scale = scale;
    SetLowerWindow(m_lower);
    update();
}

QPoint PictureBox::ToSurface(QPoint widgetPoint) const {
    const QPointF point = QPointF(widgetPoint - Origin()) / m_scale;
    return QPoint(static_cast<int>(std::floor(point.x())), static_cast<int>(std::floor(point.y())));
}

void PictureBox::SetMargin(int pixels) {
    m_margin = std::max(pixels, 0);
    SetLowerWindow(m_lower);
    update();
}

int PictureBox::ScrollBarWidth() const {
    return m_scrollBar ? m_scrollBar->sizeHint().width() : 0;
}

QRect PictureBox::TextArea() const {
    const QRect contents = contentsRect();
    return QRect(contents.left() + m_margin, contents.top() + m_margin,
                 std::max(contents.width() - 2 * m_margin - ScrollBarWidth(), 0),
                 std::max(contents.height() - 2 * m_margin, 0));
}

QPoint PictureBox::Origin() const {
    const QRect area = TextArea();
    const QSize image = (QSizeF(m_surface.Image().size()) * m_scale).toSize();
    return {area.left() + std::max((area.width() - image.width()) / 2, 0),
            area.top() + std::max((area.height() - image.height()) / 2, 0)};
}

// ---- Lower window, caret ---------------------------------------------------------------------

void PictureBox::SetLowerWindow(const QRect& area) {
    if (area != m_lower) {
        m_lower = area;
        update();
    }
    const QPoint origin = Origin();
    m_statusElement->setGeometry(
        origin.x(), origin.y(), static_cast<int>(m_surface.Image().width() * m_scale),
        static_cast<int>(std::clamp(m_lower.top(), 0, m_surface.Image().height()) * m_scale));
    SyncScrollBar();
}

void PictureBox::SetCaret(std::optional<QRect> box, QColor colour) {
    if (box == m_caret && colour == m_caretColour)
        return;
    if (m_caret)
        UpdateSurfaceRect(*m_caret);
    m_caret = box;
    m_caretColour = colour;
    m_caretOn = true;
    if (m_caret) {
        UpdateSurfaceRect(*m_caret);
        m_blink.start();
    } else {
        m_blink.stop();
    }
}

std::optional<QRect> PictureBox::CaretBox() const {
    return m_scrolledBack == 0 ? m_caret : std::nullopt;
}

// ---- Scrolling back --------------------------------------------------------------------------

void PictureBox::ScrollLines(int lines) {
    const auto& history = m_surface.History().Lines();
    const int line = history.empty() ? kDefaultLineHeight : history.back().pixels.height();
    ScrollTo(m_scrolledBack + lines * line);
}

void PictureBox::ScrollPages(int pages) {
    const auto& history = m_surface.History().Lines();
    const int line = history.empty() ? kDefaultLineHeight : history.back().pixels.height();
    // A page keeps one line of the last one in view.
    const int page = std::max(m_lower.height() - line, line);
    ScrollTo(m_scrolledBack + pages * page);
}

void PictureBox::ReturnToLive() {
    ScrollTo(0);
}

void PictureBox::ScrollTo(int rows) {
    rows = std::clamp(rows, 0, m_surface.History().Height());
    if (rows == m_scrolledBack)
        return;
    m_scrolledBack = rows;
    SyncScrollBar();
    update();
}

void PictureBox::SyncScrollBar() {
    const int history = m_surface.History().Height();
    if (m_scrolledBack > history)
        m_scrolledBack = history;
    const QSignalBlocker block(m_scrollBar);
    m_scrollBar->setRange(0, history);
    m_scrollBar->setPageStep(std::max(m_lower.height(), 1));
    m_scrollBar->setSingleStep(history > 0 ? m_surface.History().Lines().back().pixels.height()
                                           : kDefaultLineHeight);
    m_scrollBar->setValue(history - m_scrolledBack);
    // Beside the lower window at the right, outside the text, only while there is history to
    // scroll to.
    const QRect contents = contentsRect();
    const int width = m_scrollBar->sizeHint().width();
    const int top = std::clamp(Origin().y() + static_cast<int>(m_lower.top() * m_scale),
                               contents.top(), contents.bottom());
    m_scrollBar->setGeometry(
        contents.right() + 1 - width, top, width,
        std::clamp(static_cast<int>(m_lower.height() * m_scale), 0, contents.bottom() + 1 - top));
    m_scrollBar->setVisible(history > 0 && !m_lower.isEmpty());
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    SetLowerWindow(m_lower);
}

void PictureBox::wheelEvent(QWheelEvent* event) {
    // One notch (120) scrolls kWheelLines lines; finer wheels add up to whole lines.
    m_wheelRemainder += event->angleDelta().y();
    const int lines = m_wheelRemainder * kWheelLines / 120;
    if (lines != 0) {
        m_wheelRemainder -= lines * 120 / kWheelLines;
        ScrollLines(lines);
    }
    event->accept();
}

// ---- The document: history, then the live surface --------------------------------------------

PictureBox::DocPoint PictureBox::ToDoc(QPoint widgetPoint) const {
    const QPoint point = ToSurface(widgetPoint);
    const int history = m_surface.History().Height();
    if (m_scrolledBack > 0 && point.y() >= m_lower.top() && point.y() < m_lower.bottom() + 1) {
        const int row = point.y() - m_lower.top() + history - m_scrolledBack;
        if (row < history)
            return {point.x(), row};
        return {point.x(), history + point.y() - m_scrolledBack};
    }
    return {point.x(), history + point.y()};
}

std::optional<int> PictureBox::SurfaceRowOf(int docY) const {
    const int history = m_surface.History().Height();
    const auto inLower = [this](int y) { return y >= m_lower.top() && y <= m_lower.bottom(); };
    if (docY < history) {
        const int y = m_lower.top() + docY - history + m_scrolledBack;
        return m_scrolledBack > 0 && inLower(y) ? std::optional<int>(y) : std::nullopt;
    }
    const int live = docY - history;
    if (m_scrolledBack > 0 && inLower(live))
        return inLower(live + m_scrolledBack) ? std::optional<int>(live + m_scrolledBack)
                                              : std::nullopt;
    return live;
}

template <typename Visit> void PictureBox::ForEachDocPiece(Visit visit) const {
    int top = 0;
    for (const Scrollback::Line& line : m_surface.History().Lines()) {
        for (const ScreenText::Piece& piece : line.text)
            visit(piece, top);
        top += line.pixels.height();
    }
    for (const ScreenText::Piece& piece : m_surface.Text().All())
        visit(piece, top);
}

// ---- Selection -------------------------------------------------------------------------------

void PictureBox::ClearSelection() {
    if (m_selection)
        update();
    m_selection.reset();
    m_selecting = false;
}

QString PictureBox::SelectedText() const {
    if (!m_selection)
        return {};
    // Named copies, not a structured binding: lambdas below capture them.
    const auto from = m_selection->first;
    const auto to = m_selection->second;
    ScreenText::Pieces selected;
    ForEachDocPiece([&](const ScreenText::Piece& piece, int dy) {
        ScreenText::Pieces one{piece};
        ScreenText::Move(one, 0, dy);
        const int top = one.front().top;
        const int bottom = one.front().bottom;
        auto inside = [&](QPoint middle) { return Selects(from, to, top, bottom, middle.x()); };
        for (ScreenText::Piece& part : ScreenText::Filter(one, inside))
            selected.push_back(std::move(part));
    });
    return ScreenText::JoinRows(std::move(selected));
}

namespace {

int ButtonBits(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

} // namespace

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint point = ToSurface(event->position().toPoint());
    emit SurfaceMouse(point, ButtonBits(event->buttons()));
    if (event->button() == Qt::LeftButton)
        emit SurfaceClicked(point, true);
    mousePressEvent(event);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPoint point = ToSurface(event->position().toPoint());
    emit SurfaceMouse(point, ButtonBits(event->buttons()));
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    if (event->type() == QEvent::MouseButtonPress)
        emit SurfaceClicked(point, false);
    setFocus();
    ClearSelection();
    m_selecting = true;
    m_anchor = ToDoc(event->position().toPoint());
    event->accept();
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    emit SurfaceMouse(ToSurface(event->position().toPoint()), ButtonBits(event->buttons()));
    if (!m_selecting) {
        QFrame::mouseMoveEvent(event);
        return;
    }
    DocPoint a = m_anchor;
    DocPoint b = ToDoc(event->position().toPoint());
    if (std::pair(b.y, b.x) < std::pair(a.y, a.x))
        std::swap(a, b);
    m_selection.emplace(a, b);
    update();
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    emit SurfaceMouse(ToSurface(event->position().toPoint()), ButtonBits(event->buttons()));
    if (event->button() == Qt::LeftButton && m_selecting) {
        m_selecting = false;
        if (SelectedText().isEmpty())
            ClearSelection();
        event->accept();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

// ---- Text for assistive technology -----------------------------------------------------------

QString PictureBox::LowerWindowText() const {
    // Each history line is one row of text; the live lower window follows it.
    QString text;
    for (const Scrollback::Line& line : m_surface.History().Lines())
        text += line.plain + QLatin1Char('\n');
    ScreenText::Pieces live;
    for (const ScreenText::Piece& piece : m_surface.Text().All()) {
        const int middle = (piece.top + piece.bottom) / 2;
        if (middle >= m_lower.top() && middle <= m_lower.bottom() &&
            piece.edges.front() >= m_lower.left() && piece.edges.front() <= m_lower.right())
            live.push_back(piece);
    }
    const bool history = !m_surface.History().Lines().empty();
    return text + ScreenText::JoinRows(std::move(live),
                                       history ? std::optional<int>(m_lower.top()) : std::nullopt);
}

QString PictureBox::StatusText() const {
    // The text of every other window (the status line; in version 6 any window beside the
    // lower one).
    ScreenText::Pieces text;
    for (const ScreenText::Piece& piece : m_surface.Text().All()) {
        const int middle = (piece.top + piece.bottom) / 2;
        if (middle < m_lower.top() || middle > m_lower.bottom() ||
            piece.edges.front() < m_lower.left() || piece.edges.front() > m_lower.right())
            text.push_back(piece);
    }
    return ScreenText::JoinRows(std::move(text)).trimmed();
}

void PictureBox::AnnounceNewText() {
    if (m_surface.TextVersion() == m_announcedVersion && m_lower == m_announcedLower)
        return;
    m_announcedVersion = m_surface.TextVersion();
    m_announcedLower = m_lower;
    QString text = LowerWindowText();
    if (text == m_announced)
        return;
    QString old = std::exchange(m_announced, std::move(text));
    if (m_announced.startsWith(old)) {
        QAccessibleTextInsertEvent added(this, static_cast<int>(old.size()),
                                         m_announced.mid(old.size()));
        QAccessible::updateAccessibility(&added);
        emit TextAnnounced(static_cast<int>(old.size()), added.textInserted());
    } else {
        QAccessibleTextUpdateEvent changed(this, 0, old, m_announced);
        QAccessible::updateAccessibility(&changed);
    }
}

// ---- Painting --------------------------------------------------------------------------------

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect contents = contentsRect();
    painter.setClipRect(contents.intersected(event->rect()));
    // Around the image (the margin, and the room left when the window is larger than the
    // screen laid out on it) the screen's background goes on.
    const QImage& image = m_surface.Image();
    const QPoint origin = Origin();
    const QSize shown = (QSizeF(image.size()) * m_scale).toSize();
    for (const QRect& rest : QRegion(contents).subtracted(QRegion(QRect(origin, shown))))
        painter.fillRect(rest, ToQColor(m_surface.FieldColour()));
    painter.translate(origin);
    if (m_scale != 1.0) {
        // A screen shown larger keeps its pixels sharp; one shown smaller is smoothed.
        painter.scale(m_scale, m_scale);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, m_scale < 1.0);
    }
    painter.drawImage(0, 0, image);

    if (m_scrolledBack > 0 && !m_lower.isEmpty()) {
        // The lower window shows the history's last rows above its own top rows.
        painter.save();
        painter.setClipRect(m_lower, Qt::IntersectClip);
        painter.fillRect(QRect(m_lower.left(), m_lower.top(), m_lower.width(), m_scrolledBack),
                         ToQColor(m_surface.FieldColour()));
        int bottom = m_surface.History().Height();
        const int shift = m_lower.top() - bottom + m_scrolledBack;
        const auto& lines = m_surface.History().Lines();
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            const int top = bottom - line->pixels.height();
            if (top + shift + line->pixels.height() <= m_lower.top())
                break;
            painter.drawImage(line->left, top + shift, line->pixels);
            bottom = top;
        }
        if (m_scrolledBack < m_lower.height())
            painter.drawImage(QPoint(m_lower.left(), m_lower.top() + m_scrolledBack), image,
                              QRect(m_lower.left(), m_lower.top(), m_lower.width(),
                                    m_lower.height() - m_scrolledBack));
        painter.restore();
    }

    if (m_selection) {
        // The selected characters show inverted.
        const auto from = m_selection->first;
        const auto to = m_selection->second;
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        ForEachDocPiece([&](const ScreenText::Piece& piece, int dy) {
            const auto row = SurfaceRowOf(piece.top + dy);
            if (!row)
                return;
            const int top = piece.top + dy;
            const int bottom = piece.bottom + dy;
            for (qsizetype i = 0; i < piece.text.size(); ++i) {
                if (!Selects(from, to, top, bottom, piece.Middle(i).x()))
                    continue;
                QRect box = piece.CharBox(i).translated(0, *row - piece.top);
                if (*row >= m_lower.top() && *row <= m_lower.bottom())
                    box = box.intersected(m_lower);
                painter.fillRect(box, Qt::white);
            }
        });
        painter.restore();
    }

    if (const auto caret = CaretBox(); caret && m_caretOn)
        painter.fillRect(*caret, m_caretColour);
}

} // namespace lantern
