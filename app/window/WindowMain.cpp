#include "window/WindowMain.h"

#include "StopSignals.h"
#include "window/Form1.h"

#include <QApplication>
#include <QSocketNotifier>
#include <memory>

namespace lantern {

int RunWindow(int argc, char** argv, const Options& options) {
    QApplication application(argc, argv);
    // "lantern" names the per-user folders (preferences, autosaves shared with the terminal);
    // "Lantern" is what the player reads.
    QApplication::setApplicationName(QStringLiteral("lantern"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Lantern"));
    QApplication::setApplicationVersion(QStringLiteral(LANTERN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("lantern"));
    Form1 form(options);
    // SIGTERM, SIGINT and SIGHUP close the window as the user would: a running game ends at
    // its next wait or event check, and its trace is closed whole.
    CatchStopSignals();
    std::unique_ptr<QSocketNotifier> stopNotifier;
    if (StopSignalDescriptor() >= 0) {
        stopNotifier =
            std::make_unique<QSocketNotifier>(StopSignalDescriptor(), QSocketNotifier::Read);
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, &form,
                         [notifier = stopNotifier.get()] {
                             notifier->setEnabled(false);
                             QApplication::closeAllWindows();
                         });
    }
    form.show();
    return QApplication::exec();
}

} // namespace lantern
