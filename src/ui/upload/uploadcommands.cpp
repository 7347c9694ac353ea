#include "ui/upload/uploadcommands.h"

#include "core/versioninfo.h"
#include "imaging/imagefile.h"
#include "service/serviceendpoint.h"
#include "service/servicepages.h"
#include "service/tthreadnowawersja.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/tfoglowny.h"
#include "ui/upload/tfoopcje.h"
#include "ui/upload/tfowysylanie.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

namespace ui {

namespace {

// Places `dialog` over the middle of `window` (halves rounded toward zero).
void centreOver(QWidget& dialog, const QWidget& window) {
    const QRect w = window.frameGeometry();
    dialog.move(w.left() + (w.width() - dialog.width()) / 2, w.top() + (w.height() - dialog.height()) / 2);
}

} // namespace

UploadCommands::UploadCommands(TfoGlowny& window, TfoWysylanie& wizard)
    : QObject(&window)
    , window_(window)
    , wizard_(wizard) {
    setObjectName(QStringLiteral("uploadCommands"));
    connect(window.action(QStringLiteral("aPlikWyslijPliki")), &QAction::triggered, this,
            &UploadCommands::aPlikWyslijPlikiExecute);
    connect(window.action(QStringLiteral("aNarzedziaOpcje")), &QAction::triggered, this,
            &UploadCommands::aNarzedziaOpcjeExecute);
    connect(window.action(QStringLiteral("aNarzedziaSprawdzWersje")), &QAction::triggered, this,
            &UploadCommands::aNarzedziaSprawdzWersjeExecute);
    connect(window.tSprawdzWersje, &QTimer::timeout, this, &UploadCommands::tSprawdzWersjeTimer);
    connect(&wizard, &QDialog::finished, this, &UploadCommands::wizardClosed);
}

UploadCommands::~UploadCommands() {
    for (const QPointer<service::ServiceWorker>& worker : std::as_const(versionChecks_))
        if (worker)
            worker->Detach();
}

UploadCommands* AttachUploadCommands(TfoGlowny& window, TfoWysylanie& wizard) {
    return new UploadCommands(window, wizard);
}

void UploadCommands::aPlikWyslijPlikiExecute() {
    if (window_.isModified()) {
        window_.SaveEdits(true, true); // asks, and a cancelled save drops the edit as leaving a photo does
        return;
    }
    QStringList files;
    bool tiff = false;
    for (const core::ListaPlikow& entry : window_.catalogue().entries())
        if (entry.Zaznaczony) {
            files << entry.Sciezka;
            tiff = tiff || imaging::IsTiffPath(entry.Sciezka);
        }
    Prompts& prompts = window_.prompts();
    if (files.isEmpty()) {
        prompts.info(&window_, QStringLiteral("Uwaga"),
                     QStringLiteral("Nie wybrano żadnych zdjęć do wysłania."));
        return;
    }
    if (tiff) {
        prompts.info(&window_,
                     QStringLiteral("Na liście wybranych plików znajdują się pliki TIFF, których nie "
                                    "można wysłać do serwisu.\n\rZamień pliki na obrazy JPEG i "
                                    "spróbuj ponownie."));
        return;
    }
    wizard_.setFiles(files);
    const core::Settings& s = window_.settings();
    if (s.remember) {
        wizard_.eLogin->setText(s.email);
        wizard_.eHaslo->setText(s.password);
        wizard_.cbPamietajHaslo->setChecked(true);
    }
    centreOver(wizard_, window_);
    wizard_.open(); // modal; wizardClosed runs when it closes, whatever the way
}

void UploadCommands::wizardClosed() {
    core::Settings& s = window_.settings();
    s.remember = wizard_.cbPamietajHaslo->isChecked();
    s.email = s.remember ? wizard_.eLogin->text() : QString();
    s.password = s.remember ? wizard_.eHaslo->text() : QString();
}

void UploadCommands::aNarzedziaOpcjeExecute() {
    auto* dialog = new TfoOpcje(window_.prompts(), &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    centreOver(*dialog, window_);
    dialog->Load(window_.settings());
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (dialog->Apply(window_.settings()))
            window_.RefreshView();
    });
    dialog->open();
}

void UploadCommands::aNarzedziaSprawdzWersjeExecute() {
    hourglass_.set(true);
    manualCheck_ = true;
    tSprawdzWersjeTimer();
}

void UploadCommands::tSprawdzWersjeTimer() {
    window_.tSprawdzWersje->stop();
    const core::Settings& s = window_.settings();
    auto* worker = new service::TThreadNowaWersja(
        this, service::EndpointOf(s),
        service::TThreadNowaWersja::Inputs{core::TVerInfoRes().fileVersion(), s.clientId, manualCheck_});
    versionChecks_.removeAll(nullptr);
    versionChecks_ << worker;
    worker->start();
}

void UploadCommands::handOver(const char* method) {
    if (onHandOver)
        onHandOver(method);
}

void UploadCommands::RestoreDefaultCursor() {
    handOver("RestoreDefaultCursor");
    hourglass_.set(false);
}

void UploadCommands::NewVersionAvailable(const QString& downloadUrl) {
    RestoreDefaultCursor();
    handOver("NewVersionAvailable");
    QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : &window_;
    if (window_.prompts().prompt(
            over, Prompts::Kind::InfoYesNo, Prompts::infoCaption(),
            QStringLiteral("Dostępna jest nowa wersja programu PixvaleLink.\n\rCzy chcesz "
                           "ją teraz pobrać?")) == Prompts::Answer::Yes)
        window_.shell().openUrl(service::DownloadPage(downloadUrl));
}

void UploadCommands::NoNewVersion() {
    RestoreDefaultCursor();
    handOver("NoNewVersion");
    QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : &window_;
    // Under "Informacja", yet without an icon.
    window_.prompts().prompt(over, Prompts::Kind::Plain, Prompts::infoCaption(),
                             QStringLiteral("Brak dostępnej nowej wersji programu PixvaleLink."));
}

} // namespace ui
