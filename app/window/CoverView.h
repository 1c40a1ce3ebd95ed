#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace lantern {

/// A story's cover, scaled to fit the widget with the title and author beneath it. Over the
/// display area before the story begins, a key or a click dismisses it.
class CoverView : public QWidget {
    Q_OBJECT

  public:
    explicit CoverView(QWidget* parent, bool dismissable = true);

    void SetStory(const QImage& cover, const QString& title, const QString& author);
    /// Where the picture was last painted, in the widget's coordinates.
    QRect PictureRect() const;

  signals:
    void Dismissed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void Dismiss();

    QImage m_cover;
    QString m_title;
    QString m_author;
    bool m_dismissable;
};

} // namespace lantern
