#include "window/CoverView.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace lantern {

namespace {
constexpr int kGap = 8;
} // namespace

CoverView::CoverView(QWidget* parent, bool dismissable)
    : QWidget(parent), m_dismissable(dismissable) {
    setFocusPolicy(dismissable ? Qt::StrongFocus : Qt::NoFocus);
    setAutoFillBackground(true);
    setAccessibleName(QStringLiteral("Cover"));
}

void CoverView::SetStory(const QImage& cover, const QString& title, const QString& author) {
    m_cover = cover;
    m_title = title;
    m_author = author;
    setAccessibleDescription(author.isEmpty() ? title : title + QStringLiteral(", ") + author);
    update();
}

QRect CoverView::PictureRect() const {
    if (m_cover.isNull())
        return {};
    // The lines of the title and author stand beneath the picture.
    const int lines = (m_title.isEmpty() ? 0 : 1) + (m_author.isEmpty() ? 0 : 1);
    const int textHeight = lines * fontMetrics().lineSpacing() + (lines > 0 ? kGap : 0);
    const QSize room(std::max(width() - 2 * kGap, 1),
                     std::max(height() - 2 * kGap - textHeight, 1));
    const QSize size = m_cover.size().scaled(room, Qt::KeepAspectRatio);
    return {QPoint((width() - size.width()) / 2, kGap + (room.height() - size.height()) / 2), size};
}

void CoverView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect picture = PictureRect();
    if (!picture.isEmpty())
        painter.drawImage(picture, m_cover);
    int y = picture.isEmpty() ? height() / 2 : picture.bottom() + kGap;
    const QFontMetrics metrics = fontMetrics();
    for (const QString& line : {m_title, m_author}) {
        if (line.isEmpty())
            continue;
        painter.drawText(QRect(0, y, width(), metrics.lineSpacing()), Qt::AlignCenter,
                         metrics.elidedText(line, Qt::ElideRight, width()));
        y += metrics.lineSpacing();
    }
}

void CoverView::keyPressEvent(QKeyEvent* event) {
    if (!m_dismissable) {
        QWidget::keyPressEvent(event);
        return;
    }
    Dismiss();
    event->accept();
}

void CoverView::mousePressEvent(QMouseEvent* event) {
    if (m_dismissable)
        Dismiss();
    event->accept();
}

void CoverView::Dismiss() {
    hide();
    emit Dismissed();
}

} // namespace lantern
