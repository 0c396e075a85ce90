// DesktopServices on Qt: modal message boxes, the desktop's URL handler,
// the toolkit's save dialog, the clipboard, and the user's settings through
// QSettings (on Linux ~/.config/pierqty/pierqty.conf).
#pragma once

#include "platform/desktop.h"

#include <string>

class QWidget;

namespace pierqty {

class QtDesktopServices final : public DesktopServices
{
public:
    // errorTitle: the error box's title (UTF-8), the window's own; parent:
    // the window the message box is modal to (may be null).
    explicit QtDesktopServices(std::string errorTitle, QWidget *parent = nullptr);
    void setParent(QWidget *parent) { m_parent = parent; }
    void reportError(const std::string &message) override;
    void reportInformation(const std::string &message) override;
    bool openUrl(const std::string &url) override;
    std::optional<std::string> chooseSaveFile(const SaveFileRequest &request) override;
    std::optional<std::string> chooseOpenFile(const SaveFileRequest &request) override;
    std::optional<std::string> chooseFolder(const std::string &title) override;
    bool setClipboardText(const std::string &text) override;
    std::string clipboardText() override;
    std::optional<std::string> setting(const std::string &name) override;
    void storeSetting(const std::string &name, const std::string &value) override;
    std::string programFolder() override;

private:
    std::string m_errorTitle;
    QWidget *m_parent;
};

} // namespace pierqty
