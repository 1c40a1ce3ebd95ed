#pragma once

#include "files/StoryFile.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <optional>

class QScrollArea;

namespace lantern {

/// What the window shows of a story besides playing it: its record, its cover, its title.
struct StoryShown {
    StoryFile File;
    QImage Cover; ///< decoded by Qt; null when the story has none (or it is not a picture)
    QString FileName;

    /// Reads the story with its record, its cover and a version 6 story's pictures; nothing
    /// when the story cannot be loaded (the game that follows says why).
    static std::optional<StoryShown> Read(const QString& path);
    QString Title() const;
    QString Author() const;
    /// "Title — Author", the title alone, or the file's name when the story has no record.
    QString WindowTitle() const;
};

/// "About this story": the cover, and what the story is and says about itself.
class StoryInfoDialog : public QDialog {
    Q_OBJECT

  public:
    StoryInfoDialog(const StoryShown& story, QWidget* parent);
    /// The facts shown, one "Key: value" a line.
    QString Facts() const { return m_facts; }
    /// Where the facts stand: it scrolls when they do not fit.
    QScrollArea* FactsArea() const { return m_factsArea; }

  private:
    QString m_facts;
    QScrollArea* m_factsArea = nullptr;
};

} // namespace lantern
