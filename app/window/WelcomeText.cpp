#include "window/WelcomeText.h"

#include <QColor>
#include <QDir>

namespace lantern {

namespace {

QString Html(Colour colour) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | colour)).name();
}

} // namespace

WelcomeText::WelcomeText(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("welcome"));
    setTextFormat(Qt::RichText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    setMargin(8);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    // Links name the story by its place in the list, so that no path needs escaping twice.
    connect(this, &QLabel::linkActivated, this, [this](const QString& link) {
        bool ok = false;
        const int index = link.toInt(&ok);
        if (ok && index >= 0 && index < m_recent.size())
            emit StoryChosen(m_recent[index]);
    });
}

void WelcomeText::SetStories(const QList<RecentStory>& recent, Colour text) {
    m_recent.clear();
    for (const RecentStory& story : recent)
        m_recent.append(story.path);
    const QString colour = Html(text);
    QString html = QStringLiteral("<div style=\"color:%1\"><p style=\"font-size:large\">"
                                  "Open a story with Ctrl+O or drop one here.</p>")
                       .arg(colour);
    if (!recent.isEmpty()) {
        html += QStringLiteral("<p>Recent stories:</p><p>");
        for (int i = 0; i < recent.size(); ++i) {
            html += QStringLiteral("<a href=\"%1\" style=\"color:%2\">%3</a>&nbsp;&nbsp;"
                                   "<small>%4</small><br>")
                        .arg(i)
                        .arg(colour, recent[i].label.toHtmlEscaped(),
                             ShownText(QDir::toNativeSeparators(recent[i].path)).toHtmlEscaped());
        }
        html += QStringLiteral("</p>");
    }
    html += QStringLiteral("</div>");
    setText(html);
    setStyleSheet(QStringLiteral("QLabel#welcome { background: transparent; color: %1; }")
                      .arg(Html(text)));
}

} // namespace lantern
