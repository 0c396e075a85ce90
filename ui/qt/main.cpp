// pierqty: the calculator window.
#include "pierqty/version.h"
#include "ui/form/form.h"
#include "ui/qt/desktop_qt.h"
#include "ui/qt/hdun.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool HaveDisplay()
{
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// Until the window is up, Qt's complaints about the display are gathered and
// a fatal one ends the program with one clear line instead of an abort.
QtMessageHandler g_previousHandler = nullptr;

void StartupMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "pierqty: cannot open the window: %s\n", message.simplified().toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0)
        return; // the fatal message that follows says it all
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    if (!HaveDisplay()) {
        std::fprintf(stderr,
                     "pierqty: no display to open the window on (DISPLAY is not set); "
                     "pierqty-cli calculates from the command line.\n");
        return 1;
    }
    g_previousHandler = qInstallMessageHandler(StartupMessageHandler);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pierqty"));
    QApplication::setApplicationVersion(QStringLiteral(PIERQTY_VERSION_TEXT));
    QApplication::setDesktopFileName(QStringLiteral("pierqty"));
    // Without it Qt's menus and buttons stay English; the window still works.
    pierqty::InstallQtChineseTranslation(app);

    pierqty::QtDesktopServices services{std::string(pierqty::form::kErrorBoxTitle)};
    pierqty::Hdun window(services);
    services.setParent(&window);
    window.show();
    qInstallMessageHandler(g_previousHandler);
    return QApplication::exec();
}
