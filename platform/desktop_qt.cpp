#include "platform/desktop_qt.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QString>
#include <QUrl>

namespace pierqty {

QtDesktopServices::QtDesktopServices(QWidget *parent) : m_parent(parent) { }

void QtDesktopServices::reportError(const std::string &message)
{
    QMessageBox::critical(m_parent, QStringLiteral("花瓶墩工程量计算"), QString::fromStdString(message));
}

bool QtDesktopServices::openUrl(const std::string &url)
{
    // On Linux this starts xdg-open (or asks the desktop portal) detached:
    // the window never waits for the browser.
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

} // namespace pierqty
