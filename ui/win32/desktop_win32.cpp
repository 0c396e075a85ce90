#include "ui/win32/desktop_win32.h"

#include <commdlg.h>
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace pierqty {

void Win32DesktopServices::reportError(const std::string &message)
{
    MessageBoxW(m_owner, Widen(message).c_str(), Widen(m_errorTitle).c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void Win32DesktopServices::reportInformation(const std::string &message)
{
    MessageBoxW(m_owner, Widen(message).c_str(), Widen(m_errorTitle).c_str(),
                MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

bool Win32DesktopServices::openUrl(const std::string &url)
{
    // The shell hands the address to the user's browser without a command
    // interpreter parsing it, and returns without waiting for the browser.
    // Values above 32 mean success.
    const HINSTANCE result = ShellExecuteW(m_owner, L"open", Widen(url).c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

namespace {

// The common file dialog, to save (starting in the documents folder with the
// suggested name, asking before a file is replaced) or to open (an existing
// file, of the kind asked for or any).
std::optional<std::string> RunFileDialog(HWND owner, const SaveFileRequest &request, bool save)
{
    std::wstring folder;
    PWSTR documents = nullptr;
    if (save && SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents)))
        folder = documents;
    CoTaskMemFree(documents);
    const std::wstring title = Widen(request.title);
    const std::wstring extension = Widen(request.extension);
    // "kind\0*.ext\0" and, to open, "所有文件\0*.*\0"; then one more \0.
    std::wstring filter = Widen(request.kindName) + L'\0' + L"*." + extension + L'\0';
    if (!save)
        filter += std::wstring(L"所有文件") + L'\0' + L"*.*" + L'\0';
    filter.push_back(L'\0');
    std::vector<wchar_t> path(32768, L'\0');
    const std::wstring suggested = save ? Widen(request.suggestedName) : std::wstring();
    std::memcpy(path.data(), suggested.c_str(), std::min(suggested.size(), path.size() - 1) * sizeof(wchar_t));

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = save ? extension.c_str() : nullptr;
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
        (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)))
        return std::nullopt; // cancelled (or the dialog failed): nothing chosen
    return Narrow(path.data());
}

} // namespace

std::optional<std::string> Win32DesktopServices::chooseSaveFile(const SaveFileRequest &request)
{
    return RunFileDialog(m_owner, request, true);
}

std::optional<std::string> Win32DesktopServices::chooseOpenFile(const SaveFileRequest &request)
{
    return RunFileDialog(m_owner, request, false);
}

std::optional<std::string> Win32DesktopServices::chooseFolder(const std::string &title)
{
    IFileOpenDialog *dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog))))
        return std::nullopt;
    std::optional<std::string> chosen;
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    dialog->SetTitle(Widen(title).c_str());
    IShellItem *item = nullptr;
    if (SUCCEEDED(dialog->Show(m_owner)) && SUCCEEDED(dialog->GetResult(&item))) {
        PWSTR path = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)))
            chosen = Narrow(path);
        CoTaskMemFree(path);
        item->Release();
    }
    dialog->Release();
    return chosen;
}

std::string Win32DesktopServices::clipboardText()
{
    if (!OpenClipboard(m_owner))
        return {};
    std::string text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto *wide = static_cast<const wchar_t *>(GlobalLock(data))) {
            text = Narrow(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
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

namespace {

// HKCU\Software\pierqty\group and the value's name, for "group/key".
std::pair<std::wstring, std::wstring> RegistryPlace(const std::string &name)
{
    std::wstring key = L"Software\\pierqty";
    std::wstring wide = Widen(name);
    const std::size_t slash = wide.rfind(L'/');
    if (slash != std::wstring::npos) {
        std::wstring group = wide.substr(0, slash);
        std::replace(group.begin(), group.end(), L'/', L'\\');
        key += L"\\" + group;
        wide.erase(0, slash + 1);
    }
    return {key, wide};
}

} // namespace

std::optional<std::string> Win32DesktopServices::setting(const std::string &name)
{
    const auto [key, value] = RegistryPlace(name);
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return Narrow(text);
}

void Win32DesktopServices::storeSetting(const std::string &name, const std::string &value)
{
    const auto [key, valueName] = RegistryPlace(name);
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS)
        return; // not remembered: the dialog starts empty next time
    const std::wstring text = Widen(value);
    RegSetValueExW(opened, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
}

std::string Win32DesktopServices::programFolder()
{
    std::wstring name(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0 || length >= name.size())
        return {};
    name.resize(length);
    const std::size_t slash = name.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : Narrow(name.substr(0, slash));
}

} // namespace pierqty
