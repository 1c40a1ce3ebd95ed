#pragma once

#include <QFrame>

namespace lantern {

class QtSurface;

/// The display area: a sunken frame that shows the surface's image in its contents rectangle.
/// The game draws into the image; this widget only copies it to the screen when Qt repaints.
class PictureBox : public QFrame {
  public:
    PictureBox(QtSurface& surface, QWidget* parent);

    /// Schedules a repaint of a rectangle given in the surface's coordinates.
    void UpdateSurfaceRect(const QRect& area);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QtSurface& m_surface;
};

} // namespace lantern
