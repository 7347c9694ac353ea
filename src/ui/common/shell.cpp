#include "ui/common/shell.h"

#include "ui/common/filepropertieswindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#ifdef Q_OS_WIN
#include <shellapi.h>
#include <windows.h>

#include <string>
#endif

namespace ui {

void DesktopShell::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

QString DesktopShell::chooseFolder(QWidget* parent, const QString& title, const QString& start) {
    const QString dir = QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
    return dir.isEmpty() ? QString() : QDir::toNativeSeparators(dir);
}

QString DesktopShell::documentsFolder() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return dir.isEmpty() ? QString() : QDir::toNativeSeparators(dir);
}

bool DesktopShell::showProperties(QWidget* parent, const QString& path) {
    if (!QFileInfo::exists(path))
        return false;
#ifdef Q_OS_WIN
    // The shell's own property sheet; it runs by itself, the program goes on meanwhile.
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = parent ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    info.lpVerb = L"properties";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOW;
    const bool accepted = ShellExecuteExW(&info);
    if (info.hProcess)
        CloseHandle(info.hProcess);
    return accepted;
#else
    showFileProperties(parent, path);
    return true;
#endif
}

bool DesktopShell::openHelp(const QString& path) {
    if (!QFileInfo::exists(path))
        return false;
    // Only a missing file is reported; the viewer's own failures are not.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    return true;
}

void RecordingShell::openUrl(const QString& url) {
    calls.append(QStringLiteral("openUrl ") + url);
}

QString RecordingShell::chooseFolder(QWidget*, const QString& title, const QString& start) {
    calls.append(QStringLiteral("chooseFolder ") + title + QLatin1Char('|') + start);
    return folderAnswer;
}

QString RecordingShell::documentsFolder() {
    return documents;
}

bool RecordingShell::showProperties(QWidget*, const QString& path) {
    calls.append(QStringLiteral("showProperties ") + path);
    return propertiesResult;
}

bool RecordingShell::openHelp(const QString& path) {
    calls.append(QStringLiteral("openHelp ") + path);
    return helpResult;
}

} // namespace ui
