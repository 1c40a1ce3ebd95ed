#include "window/AboutBox.h"

#include <QMessageBox>
#include <QString>

namespace lantern {

void ShowAboutLantern(QWidget* parent) {
    QMessageBox::about(
        parent, QStringLiteral("About Lantern"),
        QStringLiteral("<h3>Lantern %1</h3>"
                       "<p>An interpreter for Z-machine story files, versions 1 to 8.</p>"
                       "<table>"
                       "<tr><td>Ctrl+O</td><td>open a story (or drop one on the window)</td></tr>"
                       "<tr><td>Ctrl+Q</td><td>quit</td></tr>"
                       "<tr><td>Ctrl++, Ctrl+-, Ctrl+0</td><td>zoom in, out, back</td></tr>"
                       "<tr><td>F11</td><td>full screen</td></tr>"
                       "<tr><td>Shift+Page Up, Shift+Page Down</td>"
                       "<td>scroll back through the story, and forward</td></tr>"
                       "<tr><td>Ctrl+C</td><td>copy the text selected with the mouse</td></tr>"
                       "</table>")
            .arg(QStringLiteral(LANTERN_VERSION)));
}

} // namespace lantern
