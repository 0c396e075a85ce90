// pierqty.exe: the calculator window on Windows and, from its report menu
// or as `pierqty.exe --bridge [FILE]`, the bridge window 桥梁工程量汇总.
#include "ui/form/bridge_controller.h"
#include "ui/form/form.h"
#include "ui/win32/bridge_win32.h"
#include "ui/win32/desktop_win32.h"
#include "ui/win32/hdun_win32.h"

#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace pierqty;

// The calculator and, once asked for, the bridge window, each with its own
// desktop services (error boxes owned by it and titled as it is). A window
// closed is made again when it is asked for; the bridge window only hides,
// keeping its bridge. The program ends when the last window shown closes.
class Program
{
public:
    explicit Program(int showCommand) : m_showCommand(showCommand) { }

    // The calculator, made (and shown) on first use or after it was closed.
    win32::HdunWindow *calculator()
    {
        if (m_calculator && m_calculator->hwnd())
            return m_calculator.get();
        m_calculator = std::make_unique<win32::HdunWindow>(m_calculatorServices);
        m_calculator->controller().openBridge = [this]() -> bridge::BridgeModel & { return bridge()->model(); };
        if (!m_calculator->create(m_showCommand))
            return nullptr;
        m_showCommand = SW_SHOW;
        m_calculatorServices.setOwner(m_calculator->hwnd());
        return m_calculator.get();
    }

    // The bridge window, made on first use, shown and raised.
    win32::BridgeWindow *bridge()
    {
        if (!m_bridge) {
            auto window = std::make_unique<win32::BridgeWindow>(m_bridgeServices);
            if (!window->create())
                return nullptr;
            m_bridge = std::move(window);
            m_bridgeServices.setOwner(m_bridge->hwnd());
            m_bridge->onClosed = [] { PostQuitMessage(0); }; // the loop looks whether any window is left
            m_bridge->controller().loadIntoCalculator = [this](const ParameterTexts &texts) {
                if (win32::HdunWindow *window = calculator()) {
                    ShowWindow(window->hwnd(), SW_SHOW);
                    SetForegroundWindow(window->hwnd());
                    window->controller().loadTexts(texts);
                }
            };
        }
        m_bridge->show(m_showCommand);
        m_showCommand = SW_SHOW;
        return m_bridge.get();
    }

    int run()
    {
        MSG message;
        while (true) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got < 0)
                return 1;
            if (got == 0) {
                if (anyShown())
                    continue; // one window closed, another is still open
                return static_cast<int>(message.wParam);
            }
            HWND calculatorWindow = m_calculator ? m_calculator->hwnd() : nullptr;
            win32::DispatchProgramMessage(message, m_bridge.get(), calculatorWindow);
        }
    }

private:
    bool anyShown() const
    {
        const auto shown = [](HWND window) { return window && IsWindowVisible(window); };
        return (m_calculator && shown(m_calculator->hwnd())) || (m_bridge && shown(m_bridge->hwnd()));
    }

    int m_showCommand;
    Win32DesktopServices m_calculatorServices{std::string(form::kErrorBoxTitle)};
    Win32DesktopServices m_bridgeServices{std::string(bridge::kWindowTitle)};
    // The bridge goes after the calculator, whose controller refers to its model.
    std::unique_ptr<win32::BridgeWindow> m_bridge;
    std::unique_ptr<win32::HdunWindow> m_calculator;
};

// The command line's arguments after the program's name, as UTF-8.
std::vector<std::string> Arguments()
{
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int k = 1; k < count; ++k)
            arguments.push_back(Narrow(argv[k]));
        LocalFree(argv);
    }
    return arguments;
}

int Run(int showCommand)
{
    const bridge::StartRequest start = bridge::ParseStartArguments(Arguments());
    if (!start.error.empty()) {
        MessageBoxW(nullptr, Widen(start.error).c_str(), Widen(form::kWindowTitle).c_str(), MB_OK | MB_ICONERROR);
        return 2;
    }
    Program program(showCommand);
    if (start.bridge) {
        win32::BridgeWindow *bridge = program.bridge();
        if (!bridge)
            return 1;
        if (!start.file.empty())
            bridge->openFile(start.file);
    } else if (!program.calculator()) {
        return 1;
    }
    return program.run();
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    // The shell's URL handlers may use COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int exitCode = 1;
    {
        win32::GdiplusSession gdiplus;
        exitCode = Run(showCommand);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
