// DesktopServices on Qt: a modal message box, the desktop's URL handler,
// the toolkit's save dialog and the clipboard.
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
    bool openUrl(const std::string &url) override;
    std::optional<std::string> chooseSaveFile(const SaveFileRequest &request) override;
    bool setClipboardText(const std::string &text) override;

private:
    std::string m_errorTitle;
    QWidget *m_parent;
};

} // namespace pierqty
