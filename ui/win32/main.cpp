// pierqty.exe: the calculator window on Windows.
#include "ui/form/form.h"
#include "ui/win32/desktop_win32.h"
#include "ui/win32/hdun_win32.h"

#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    // The shell's URL handlers may use COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int exitCode = 1;
    {
        pierqty::win32::GdiplusSession gdiplus;
        pierqty::Win32DesktopServices services{std::string(pierqty::form::kErrorBoxTitle)};
        pierqty::win32::HdunWindow window(services);
        if (window.create(showCommand)) {
            services.setOwner(window.hwnd());
            exitCode = pierqty::win32::RunMessageLoop(window.hwnd());
        }
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
