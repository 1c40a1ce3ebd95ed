#include "window/PictureBox.h"

#include "window/QtSurface.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace lantern {

PictureBox::PictureBox(QtSurface& surface, QWidget* parent) : QFrame(parent), m_surface(surface) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // Keys typed on the display go to the form (see Form1::keyPressEvent).
    setFocusPolicy(Qt::StrongFocus);
    // The image covers what it covers; Qt need not clear the widget before each paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::UpdateSurfaceRect(const QRect& area) {
    update(area.translated(contentsRect().topLeft()));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect contents = contentsRect();
    painter.setClipRect(contents.intersected(event->rect()));
    // The part of the display the image does not reach (the window grew after the game's
    // screen was laid out) shows the screen's starting background.
    const QRect image(contents.topLeft(), m_surface.Image().size());
    const QColor back = QColor::fromRgb(static_cast<QRgb>(0xFF000000u | QtSurface::kDefaultBack));
    for (const QRect& rest : QRegion(contents).subtracted(QRegion(image)))
        painter.fillRect(rest, back);
    painter.drawImage(image.topLeft(), m_surface.Image());
}

} // namespace lantern
