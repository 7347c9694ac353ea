#include "ui/common/shell.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

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
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    // Non-modal like a shell property sheet: the program goes on while it is open.
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("foWlasciwosci"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Właściwości: ") + info.fileName());
    auto* form = new QFormLayout;
    const QLocale locale;
    const auto when = [&](const QDateTime& t) {
        return locale.toString(t, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    };
    form->addRow(QStringLiteral("Nazwa:"), new QLabel(info.fileName()));
    form->addRow(QStringLiteral("Folder:"), new QLabel(QDir::toNativeSeparators(info.absolutePath())));
    form->addRow(QStringLiteral("Rozmiar:"),
                 new QLabel(locale.toString(info.size()) + QStringLiteral(" bajtów")));
    form->addRow(QStringLiteral("Zmodyfikowany:"), new QLabel(when(info.lastModified())));
    form->addRow(QStringLiteral("Ostatni dostęp:"), new QLabel(when(info.lastRead())));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog->show();
    return true;
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
