#include "ui/qt/desktop_qt.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <utility>

namespace pierqty {

QtDesktopServices::QtDesktopServices(std::string errorTitle, QWidget *parent)
    : m_errorTitle(std::move(errorTitle)), m_parent(parent)
{ }

void QtDesktopServices::reportError(const std::string &message)
{
    QMessageBox::critical(m_parent, QString::fromStdString(m_errorTitle), QString::fromStdString(message));
}

void QtDesktopServices::reportInformation(const std::string &message)
{
    QMessageBox::information(m_parent, QString::fromStdString(m_errorTitle), QString::fromStdString(message));
}

bool QtDesktopServices::openUrl(const std::string &url)
{
    // On Linux this starts xdg-open (or asks the desktop portal) detached:
    // the window never waits for the browser.
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

std::optional<std::string> QtDesktopServices::chooseSaveFile(const SaveFileRequest &request)
{
    // The user's documents folder, or the home folder where there is none.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
    const QString extension = QString::fromStdString(request.extension);
    QFileDialog dialog(m_parent, QString::fromStdString(request.title), folder,
                       QStringLiteral("%1 (*.%2)").arg(QString::fromStdString(request.kindName), extension));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog asks before an existing file is replaced.
    dialog.setDefaultSuffix(extension);
    dialog.selectFile(QString::fromStdString(request.suggestedName));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(chosen.front()).toStdString();
}

std::optional<std::string> QtDesktopServices::chooseOpenFile(const SaveFileRequest &request)
{
    const QString filter = QStringLiteral("%1 (*.%2);;所有文件 (*)")
                               .arg(QString::fromStdString(request.kindName), QString::fromStdString(request.extension));
    const QString path = QFileDialog::getOpenFileName(m_parent, QString::fromStdString(request.title), {}, filter);
    if (path.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(path).toStdString();
}

std::optional<std::string> QtDesktopServices::chooseFolder(const std::string &title)
{
    const QString path = QFileDialog::getExistingDirectory(m_parent, QString::fromStdString(title));
    if (path.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(path).toStdString();
}

std::string QtDesktopServices::clipboardText()
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text(QClipboard::Clipboard).toStdString() : std::string();
}

bool QtDesktopServices::setClipboardText(const std::string &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(QString::fromStdString(text), QClipboard::Clipboard);
    return true;
}

namespace {

QSettings UserSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("pierqty"),
                     QStringLiteral("pierqty"));
}

} // namespace

std::optional<std::string> QtDesktopServices::setting(const std::string &name)
{
    const QVariant value = UserSettings().value(QString::fromStdString(name));
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdString();
}

void QtDesktopServices::storeSetting(const std::string &name, const std::string &value)
{
    UserSettings().setValue(QString::fromStdString(name), QString::fromStdString(value));
}

std::string QtDesktopServices::programFolder()
{
    return QCoreApplication::applicationDirPath().toStdString();
}

} // namespace pierqty
