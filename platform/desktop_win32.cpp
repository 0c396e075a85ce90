#include "platform/desktop_win32.h"

#include <shellapi.h>

namespace pierqty {

std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view utf16)
{
    if (utf16.empty())
        return {};
    const int size = static_cast<int>(utf16.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

void Win32DesktopServices::reportError(const std::string &message)
{
    MessageBoxW(m_owner, Widen(message).c_str(), L"花瓶墩工程量计算", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

bool Win32DesktopServices::openUrl(const std::string &url)
{
    // The shell hands the address to the user's browser without a command
    // interpreter parsing it, and returns without waiting for the browser.
    // Values above 32 mean success.
    const HINSTANCE result = ShellExecuteW(m_owner, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace pierqty
