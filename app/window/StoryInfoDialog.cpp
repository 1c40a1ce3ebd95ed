#include "window/StoryInfoDialog.h"

#include "memory/StoryError.h"
#include "text/CharMap.h"
#include "window/CoverView.h"
#include "window/StoryFiles.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace lantern {

std::optional<StoryShown> StoryShown::Read(const QString& path) {
    StoryShown shown;
    try {
        shown.File = ReadStoryFile(PathBytes(path), {.Record = true, .Cover = true});
    } catch (const LoadError&) {
        return std::nullopt;
    }
    if (shown.File.Cover) {
        const std::vector<uint8_t>& bytes = shown.File.Cover->Bytes;
        shown.Cover =
            QImage::fromData(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<qsizetype>(bytes.size())),
                             shown.File.Cover->Format.c_str());
    }
    shown.FileName = QFileInfo(path).fileName();
    return shown;
}

QString StoryShown::Title() const {
    return QString::fromStdString(File.Title());
}

QString StoryShown::Author() const {
    return File.Record ? QString::fromStdString(File.Record->Get("author")) : QString();
}

QString StoryShown::WindowTitle() const {
    if (Title().isEmpty())
        return FileName;
    return Author().isEmpty() ? Title() : Title() + QStringLiteral(" \u2014 ") + Author();
}

StoryInfoDialog::StoryInfoDialog(const StoryShown& story, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About this story"));
    auto* layout = new QVBoxLayout(this);
    if (!story.Cover.isNull()) {
        auto* cover = new CoverView(this, false);
        cover->SetStory(story.Cover, ShownText(story.Title()), ShownText(story.Author()));
        cover->setMinimumSize(320, 320);
        layout->addWidget(cover, 1);
    }
    for (const auto& [key, value] : DescribeStory(story.File))
        if (key != "Description")
            m_facts += QString::fromStdString(key) + QStringLiteral(": ") +
                       QString::fromStdString(value) + QStringLiteral("\n");
    // The description comes last, with its paragraphs.
    if (story.File.Record)
        if (const std::string description = story.File.Record->Get("description");
            !description.empty())
            m_facts += QStringLiteral("\n") +
                       QString::fromStdString(PrintableText(description, true)) +
                       QStringLiteral("\n");
    auto* facts = new QLabel(m_facts.trimmed(), this);
    facts->setTextFormat(Qt::PlainText);
    facts->setWordWrap(true);
    facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(facts);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace lantern
