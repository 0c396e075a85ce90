// pierqty: the calculator window.
#include "pierqty/version.h"
#include "ui/form/bridge_controller.h"
#include "ui/form/form.h"
#include "ui/qt/bridge_window.h"
#include "ui/qt/desktop_qt.h"
#include "ui/qt/hdun.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

// The calculator and, once asked for, the bridge window 桥梁工程量汇总,
// each with its own desktop services (dialogs owned by it, its error boxes
// titled as it is). The program ends when the last window shown closes.
class Program
{
public:
    Program() : m_calculator(m_calculatorServices)
    {
        m_calculatorServices.setParent(&m_calculator);
        m_calculator.controller().openBridge = [this]() -> pierqty::bridge::BridgeModel & { return bridge().model(); };
    }

    pierqty::Hdun &calculator() { return m_calculator; }

    // The bridge window, made on first use, shown and raised.
    pierqty::BridgeWindow &bridge()
    {
        if (!m_bridge) {
            m_bridge = std::make_unique<pierqty::BridgeWindow>(m_bridgeServices);
            m_bridgeServices.setParent(m_bridge.get());
            m_bridge->controller().loadIntoCalculator = [this](const pierqty::ParameterTexts &texts) {
                m_calculator.show();
                m_calculator.raise();
                m_calculator.activateWindow();
                m_calculator.controller().loadTexts(texts);
            };
        }
        m_bridge->show();
        m_bridge->raise();
        m_bridge->activateWindow();
        return *m_bridge;
    }

private:
    pierqty::QtDesktopServices m_calculatorServices{std::string(pierqty::form::kErrorBoxTitle)};
    pierqty::QtDesktopServices m_bridgeServices{std::string(pierqty::bridge::kWindowTitle)};
    pierqty::Hdun m_calculator;
    std::unique_ptr<pierqty::BridgeWindow> m_bridge;
};

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

    std::vector<std::string> arguments;
    for (const QString &argument : QApplication::arguments().mid(1))
        arguments.push_back(argument.toStdString());
    const pierqty::bridge::StartRequest start = pierqty::bridge::ParseStartArguments(arguments);
    if (!start.error.empty()) {
        QMessageBox::critical(nullptr, QString::fromUtf8(pierqty::form::kWindowTitle.data()),
                              QString::fromStdString(start.error));
        return 2;
    }
    Program program;
    if (start.bridge) {
        pierqty::BridgeWindow &bridge = program.bridge();
        if (!start.file.empty())
            bridge.openFile(QString::fromStdString(start.file));
    } else {
        program.calculator().show();
    }
    qInstallMessageHandler(g_previousHandler);
    return QApplication::exec();
}
