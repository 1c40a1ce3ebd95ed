#pragma once

#include "platform/Surface.h"
#include "window/StoryFiles.h"

#include <QLabel>
#include <QList>
#include <QStringList>

namespace lantern {

/// What the display shows before the first story: how to open one, and the recent stories as
/// lines to click.
class WelcomeText : public QLabel {
    Q_OBJECT

  public:
    explicit WelcomeText(QWidget* parent);

    /// Shows the text for these recent stories, in the text colour: each by its label, with
    /// its file's path beside it.
    void SetStories(const QList<RecentStory>& recent, Colour text);

  signals:
    void StoryChosen(const QString& path);

  private:
    QStringList m_recent;
};

} // namespace lantern
