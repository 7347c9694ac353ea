#include "ui/common/shell.h"

#include "ui/common/filepropertieswindow.h"
#include "ui/common/prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#ifdef Q_OS_WIN
#include <shellapi.h>
#include <windows.h>

#include <string>
#endif

namespace ui {

DesktopShell::DesktopShell(Prompts* prompts)
    : ownPrompts_(prompts ? nullptr : std::make_unique<MessageBoxPrompts>())
    , prompts_(prompts ? prompts : ownPrompts_.get())
    , answers_(std::make_unique<QObject>()) {}

DesktopShell::~DesktopShell() = default;

QString DesktopShell::CannotOpenText(const QString& address) {
    return QStringLiteral("Nie można otworzyć strony:\n\r") + address +
           QStringLiteral("\n\rSkopiuj ten adres i otwórz go w przeglądarce.");
}

void DesktopShell::cannotOpen(const QString& address) {
    prompts_->error(QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                      : QApplication::activeWindow(),
                    CannotOpenText(address));
}

void DesktopShell::open(const QUrl& url, const QString& address) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt hands the address to xdg-open and calls it done once the program has started; xdg-open's own
    // answer (no browser, no viewer for the file) is only in its exit code, so it is run here and heard.
    auto* opener = new QProcess(answers_.get());
    QObject::connect(opener, &QProcess::errorOccurred, answers_.get(),
                     [this, opener, url, address](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         opener->deleteLater();
                         if (!QDesktopServices::openUrl(url))
                             cannotOpen(address);
                     });
    QObject::connect(opener, &QProcess::finished, answers_.get(),
                     [this, opener, address](int code, QProcess::ExitStatus status) {
                         opener->deleteLater();
                         if (status != QProcess::NormalExit || code != 0)
                             cannotOpen(address);
                     });
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->start(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
#else
    // The system's own open call says at once whether it worked.
    (void)answers_;
    if (!QDesktopServices::openUrl(url))
        cannotOpen(address);
#endif
}

void DesktopShell::openUrl(const QString& url) {
    open(QUrl(url), url);
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
    open(QUrl::fromLocalFile(path), QDir::toNativeSeparators(path));
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
