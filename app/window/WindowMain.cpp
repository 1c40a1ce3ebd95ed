#include "window/WindowMain.h"

#include "window/Form1.h"

#include <QApplication>

namespace lantern {

int RunWindow(int argc, char** argv, const Options& options) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lantern"));
    QApplication::setApplicationVersion(QStringLiteral(LANTERN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("lantern"));
    Form1 form(options);
    form.show();
    return QApplication::exec();
}

} // namespace lantern
