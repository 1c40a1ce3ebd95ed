#pragma once

#include <QColor>
#include <QFrame>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>

class QScrollBar;

namespace lantern {

class QtSurface;

/// The display area: a sunken frame that shows the surface's image in its contents rectangle.
/// The game draws into the image; this widget only copies it to the screen when Qt repaints.
/// Over the image it shows what is not the story's: the line-input caret, the lower window's
/// history when scrolled back, and the player's text selection.
class PictureBox : public QFrame {
    Q_OBJECT

  public:
    PictureBox(QtSurface& surface, QWidget* parent);

    /// Schedules a repaint of a rectangle given in the surface's coordinates.
    void UpdateSurfaceRect(const QRect& area);

    /// The space kept free around the text, in pixels.
    void SetMargin(int pixels);
    int Margin() const { return m_margin; }
    /// Where the text may stand (widget coordinates): the inside of the frame less the margin
    /// and, at the right, the scroll bar's place.
    QRect TextArea() const;
    /// The width kept at the right for the scroll bar.
    int ScrollBarWidth() const;
    /// Where the surface's top-left corner is shown: the text area's, or further in so that a
    /// surface smaller than it stands in its middle.
    QPoint Origin() const;
    /// Shows the surface at this scale (1: pixel for pixel); a version 6 screen keeps its size
    /// when the window changes its own, and is shown larger or smaller.
    void SetScale(double scale);
    double Scale() const { return m_scale; }
    /// The surface's point shown at a point of the widget.
    QPoint ToSurface(QPoint widgetPoint) const;

    /// The lower window's rectangle on the surface, which the history scrolls in.
    void SetLowerWindow(const QRect& area);
    const QRect& LowerWindow() const { return m_lower; }
    /// Shows a blinking caret of the colour in box (surface coordinates); nothing hides it.
    void SetCaret(std::optional<QRect> box, QColor colour = {});
    /// The caret's box while one is shown on the live screen.
    std::optional<QRect> CaretBox() const;

    /// Pixel rows of history shown above the live lower window (0 is the live screen).
    int ScrolledBack() const { return m_scrolledBack; }
    /// Scrolls back (positive) or forward by whole lines, within the history.
    void ScrollLines(int lines);
    void ScrollPages(int pages);
    void ReturnToLive();

    bool HasSelection() const { return m_selection.has_value(); }
    void ClearSelection();
    /// The selected text as plain text, in the order it was printed.
    QString SelectedText() const;

    /// The lower window's text, history first; and the text above it (the status line).
    QString LowerWindowText() const;
    QString StatusText() const;
    /// LowerWindowText as last brought up to date by AnnounceNewText.
    const QString& AccessibleText() const { return m_announced; }
    /// Brings the accessible text up to date with the surface and tells assistive technology
    /// what was added (or that it changed).
    void AnnounceNewText();

    /// The named element for the status line, placed over it.
    QWidget* StatusElement() const { return m_statusElement; }

  signals:
    /// Text was added to the accessible text at position and announced.
    void TextAnnounced(int position, const QString& text);
    /// The primary button was pressed at a point of the surface; twice for a double click.
    void SurfaceClicked(QPoint point, bool second);
    /// The pointer moved over the surface, or a button changed (bit 0 the primary one).
    void SurfaceMouse(QPoint point, int buttons);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    /// A place in the history followed by the live surface: y counts pixel rows from the
    /// oldest history line, where the live surface starts at the history's height.
    struct DocPoint {
        int x = 0;
        int y = 0;
    };
    DocPoint ToDoc(QPoint widgetPoint) const;
    /// Where a document row shows on the surface now; nothing when it is not shown.
    std::optional<int> SurfaceRowOf(int docY) const;
    /// Every piece of text of the history and the live surface, in document coordinates.
    template <typename Visit> void ForEachDocPiece(Visit visit) const;
    void ScrollTo(int rows);
    void SyncScrollBar();

    QtSurface& m_surface;
    int m_margin = 0;
    double m_scale = 1.0;
    QRect m_lower;
    int m_scrolledBack = 0;
    int m_wheelRemainder = 0; ///< wheel turns not yet a whole line
    QScrollBar* m_scrollBar = nullptr;
    QWidget* m_statusElement = nullptr;
    std::optional<QRect> m_caret;
    QColor m_caretColour;
    bool m_caretOn = true;
    QTimer m_blink;
    std::optional<std::pair<DocPoint, DocPoint>> m_selection;
    bool m_selecting = false;
    DocPoint m_anchor;
    QString m_announced;
    uint64_t m_announcedVersion = 0;
    QRect m_announcedLower;
};

} // namespace lantern
