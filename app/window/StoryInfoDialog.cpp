#include "window/StoryInfoDialog.h"

#include "memory/StoryError.h"
#include "text/CharMap.h"
#include "window/CoverView.h"
#include "window/StoryFiles.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace lantern {

std::optional<StoryShown> StoryShown::Read(const QString& path) {
    StoryShown shown;
    try {
        // The one read of the story: the game is played from it, a version 6 story with its
        // pictures.
        shown.File =
            ReadStoryFile(PathBytes(path), {.Record = true, .Cover = true, .Pictures = true});
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
    // The facts wrap at the dialog's width and scroll when a long description does not fit;
    // the dialog can be made larger.
    auto* facts = new QLabel(m_facts.trimmed());
    facts->setTextFormat(Qt::PlainText);
    facts->setWordWrap(true);
    facts->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    facts->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    facts->setContentsMargins(4, 4, 4, 4);
    m_factsArea = new QScrollArea(this);
    m_factsArea->setWidget(facts);
    m_factsArea->setWidgetResizable(true);
    m_factsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_factsArea->setFrameShape(QFrame::NoFrame);
    layout->addWidget(m_factsArea, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setSizeGripEnabled(true);
    // As large as the facts want, within two thirds of the screen's height.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() : QSize(800, 600);
    const int width = std::min(std::max(480, sizeHint().width()), room.width() * 2 / 3);
    const int wanted = facts->heightForWidth(width - 40) + 80 + (story.Cover.isNull() ? 0 : 320);
    resize(width, std::clamp(wanted, 240, room.height() * 2 / 3));
}

} // namespace lantern
