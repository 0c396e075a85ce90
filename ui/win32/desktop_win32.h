// DesktopServices on Windows: modal message boxes, the shell's handler for
// web addresses, the common save dialog, the clipboard, and the user's
// settings in the registry under HKCU\Software\pierqty.
#pragma once

#include "platform/desktop.h"
#include "platform/utf16_win32.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace pierqty {

class Win32DesktopServices final : public DesktopServices
{
public:
    // errorTitle: the error box's title (UTF-8), the window's own; owner:
    // the window the message box is modal to (may be null).
    explicit Win32DesktopServices(std::string errorTitle, HWND owner = nullptr)
        : m_errorTitle(std::move(errorTitle)), m_owner(owner)
    { }
    void setOwner(HWND owner) { m_owner = owner; }
    void reportError(const std::string &message) override;
    void reportInformation(const std::string &message) override;
    bool openUrl(const std::string &url) override;
    std::optional<std::string> chooseSaveFile(const SaveFileRequest &request) override;
    std::optional<std::string> chooseOpenFile(const SaveFileRequest &request) override;
    std::optional<std::string> chooseFolder(const std::string &title) override;
    bool setClipboardText(const std::string &text) override;
    std::string clipboardText() override;
    // "group/key" is the value key of HKCU\Software\pierqty\group.
    std::optional<std::string> setting(const std::string &name) override;
    void storeSetting(const std::string &name, const std::string &value) override;
    std::string programFolder() override;

private:
    std::string m_errorTitle;
    HWND m_owner;
};

} // namespace pierqty
