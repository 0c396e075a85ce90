#include "platform/desktop_win32.h"

#include <commdlg.h>
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <vector>

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
    MessageBoxW(m_owner, Widen(message).c_str(), Widen(m_errorTitle).c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

bool Win32DesktopServices::openUrl(const std::string &url)
{
    // The shell hands the address to the user's browser without a command
    // interpreter parsing it, and returns without waiting for the browser.
    // Values above 32 mean success.
    const HINSTANCE result = ShellExecuteW(m_owner, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::optional<std::string> Win32DesktopServices::chooseSaveFile(const SaveFileRequest &request)
{
    // Starts in the documents folder, with the suggested name filled in.
    std::wstring folder;
    PWSTR documents = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents)))
        folder = documents;
    CoTaskMemFree(documents);
    const std::wstring title = Widen(request.title);
    const std::wstring extension = Widen(request.extension);
    // "kind\0*.ext\0\0"
    std::wstring filter = Widen(request.kindName);
    filter.push_back(L'\0');
    filter += L"*." + extension;
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    std::vector<wchar_t> path(32768, L'\0');
    const std::wstring suggested = Widen(request.suggestedName);
    std::memcpy(path.data(), suggested.c_str(), std::min(suggested.size(), path.size() - 1) * sizeof(wchar_t));

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&dialog))
        return std::nullopt; // cancelled (or the dialog failed): nothing chosen
    return Narrow(path.data());
}

bool Win32DesktopServices::setClipboardText(const std::string &text)
{
    // Windows text on the clipboard breaks lines with CR LF.
    std::wstring wide;
    for (const wchar_t c : Widen(text)) {
        if (c == L'\n' && (wide.empty() || wide.back() != L'\r'))
            wide.push_back(L'\r');
        wide.push_back(c);
    }
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    void *target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, wide.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(m_owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!set)
        GlobalFree(memory); // on success the clipboard owns it
    return set;
}

} // namespace pierqty
