// The wizard's steps: going from one to the next, the workers' hand-overs, the stop question, the report
// and its buttons.
#include "core/settings.h"
#include "service/reportline.h"
#include "service/serviceendpoint.h"
#include "service/serviceoutcomes.h"
#include "service/servicepages.h"
#include "service/serviceresponse.h"
#include "service/tthreadalbumy.h"
#include "service/tthreadlogowanie.h"
#include "service/tthreadwysylanie.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/common/textfit.h"
#include "ui/upload/tfowysylanie.h"
#include "ui/upload/wordpicture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>
#include <climits>

namespace ui {

namespace {

const QString kSent = QStringLiteral("Wysłano");

// The folder of a path with its closing separator, as the platform writes it.
QString folderOf(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    return native.left(native.lastIndexOf(QDir::separator()) + 1);
}

} // namespace

template <typename Worker, typename... Args>
Worker* TfoWysylanie::startWorker(Args&&... args) {
    auto* worker = new Worker(this, service::EndpointOf(*context_.settings), std::forward<Args>(args)...);
    workers_.append(worker);
    worker->start();
    return worker;
}

void TfoWysylanie::detachWorkers() {
    for (const QPointer<service::ServiceWorker>& worker : std::as_const(workers_))
        if (worker)
            worker->Detach();
    workers_.clear();
}

void TfoWysylanie::handOver(const char* method) {
    if (onHandOver)
        onHandOver(method);
}

bool TfoWysylanie::eventFilter(QObject* watched, QEvent* event) {
    // A window minimised with the wizard and restored brings the wizard back with it.
    if (event->type() == QEvent::WindowStateChange && watched->isWidgetType() &&
        !(static_cast<QWidget*>(watched)->windowState() & Qt::WindowMinimized) &&
        minimisedWithMe_.contains(static_cast<QWidget*>(watched))) {
        restoreTogether();
        return false;
    }
    // Entering the name edit chooses a new album, entering the list an existing one.
    if (event->type() == QEvent::FocusIn) {
        if (watched == eNowyAlbum)
            rbAlbumNowy->setChecked(true);
        else if (watched == cbAlbumyIstniejace)
            rbAlbumIstniejacy->setChecked(true);
    }
    return QDialog::eventFilter(watched, event);
}

void TfoWysylanie::showStep(int step) {
    step_ = step;
    QWidget* panels[] = {pKrok1, pKrok2, pKrok3, pKrok4};
    for (int i = 0; i < 4; ++i)
        panels[i]->setVisible(i + 1 == step);
    update();
}

void TfoWysylanie::goToStep(int step) {
    showStep(step);
    switch (step) {
    case 2:
        startAlbums();
        break;
    case 3:
        startUpload(files_);
        break;
    case 4:
        pLogo->hide(); // stays hidden once a report has been shown
        laSciezkaRaport->setText(laSciezka->text());
        break;
    default:
        break;
    }
    if (!pLogo->isHidden())
        pLogo->raise();
}

void TfoWysylanie::startAlbums() {
    cbAlbumyIstniejace->clear();
    albumIds_.clear();
    for (QWidget* c :
         std::initializer_list<QWidget*>{cbAlbumyIstniejace, rbAlbumIstniejacy, rbAlbumNowy, eNowyAlbum})
        c->setEnabled(false);
    eNowyAlbum->clear();
    hourglass_.set(true);
    startWorker<service::TThreadAlbumy>(session_.sessionId);
}

void TfoWysylanie::startUpload(const QStringList& files) {
    pbAll->setRange(0, static_cast<int>(files.size()));
    pbAll->setValue(0);
    pbCurrent->setRange(0, 1);
    pbCurrent->setValue(0);
    iObrazek->clear();
    sending_ = true;
    upload_ = startWorker<service::TThreadWysylanie>(
        service::TThreadWysylanie::Inputs{files, session_.sessionId, albumId_, albumName_});
}

void TfoWysylanie::Krok1Ok() {
    if (iKrok1Ok->tag != 0)
        return;
    iKrok1Ok->tag = 1;
    hourglass_.set(true);
    core::Settings& s = *context_.settings;
    s.email = eLogin->text();
    s.password = eHaslo->text();
    startWorker<service::TThreadLogowanie>(
        service::TThreadLogowanie::Inputs{s.email, s.password, s.clientId});
}

void TfoWysylanie::LoginSucceeded(const QString& sessionId, const QString& orderUrl, const QString& editUrl) {
    handOver("LoginSucceeded");
    session_.sessionId = sessionId;
    if (!orderUrl.isEmpty())
        session_.orderUrl = orderUrl;
    if (!editUrl.isEmpty())
        session_.editUrl = editUrl;
    hourglass_.set(false);
    goToStep(2);
}

void TfoWysylanie::ShowServiceError(const QString& text) {
    handOver("ShowServiceError");
    hourglass_.set(false);
    context_.prompts->error(this, text);
    iKrok1Ok->tag = 0;
    iKrok2Ok->tag = 1;
    rbAlbumNowy->setEnabled(false);
    eNowyAlbum->setEnabled(false);
}

void TfoWysylanie::AlbumsArrived(int count, const QStringList& names, const QStringList& ids) {
    handOver("AlbumsArrived");
    if (count != 0) {
        for (QWidget* c : std::initializer_list<QWidget*>{rbAlbumNowy, eNowyAlbum, rbAlbumIstniejacy})
            c->setEnabled(true);
        cbAlbumyIstniejace->addItems(names);
        albumIds_ = ids;
        cbAlbumyIstniejace->setCurrentIndex(0);
        cbAlbumyIstniejace->setEnabled(true);
        cbAlbumyIstniejace->setFocus();
        rbAlbumIstniejacy->setChecked(true); // the list is entered
    } else {
        rbAlbumNowy->setChecked(true);
        rbAlbumNowy->setEnabled(true);
        rbAlbumIstniejacy->setChecked(false);
        rbAlbumIstniejacy->setEnabled(false);
        cbAlbumyIstniejace->setEnabled(false);
        eNowyAlbum->setEnabled(true);
        eNowyAlbum->setFocus();
    }
    iKrok2Ok->tag = 0;
    hourglass_.set(false);
}

void TfoWysylanie::Krok2Ok() {
    if (iKrok2Ok->tag != 0)
        return;
    iKrok2Ok->tag = 1;
    if (rbAlbumNowy->isChecked()) {
        if (eNowyAlbum->text().isEmpty()) {
            context_.prompts->prompt(this, Prompts::Kind::Info, QStringLiteral("Nazwa"),
                                     QStringLiteral("Wprowadź nazwe albumu."));
            iKrok2Ok->tag = 0;
            return;
        }
        albumId_ = QStringLiteral("0");
        albumName_ = eNowyAlbum->text();
    } else {
        const int at = cbAlbumyIstniejace->currentIndex();
        if (!rbAlbumIstniejacy->isChecked() || at < 0 || at >= albumIds_.size())
            return; // stays busy, as designed: only cancel is left
        albumId_ = albumIds_.at(at);
        albumName_.clear();
    }
    iKrok2Ok->tag = 0;
    baseReport_.clear();
    retryRows_.clear();
    goToStep(3);
}

void TfoWysylanie::ShowUploadProgress(int position, const QStringList& files) {
    handOver("ShowUploadProgress");
    if (position < 1 || position > files.size())
        return;
    pbAll->setValue(position);
    laWszystkie->setText(QStringLiteral("Wszystkie: %1 z %2").arg(position).arg(files.size()));
    const QString path = files.at(position - 1);
    laPlik->setText(service::FileNameOf(path));
    const QString folder = fitPath(folderOf(path), laSciezka->fontMetrics(), laSciezka->width());
    laSciezka->setText(folder);
    laSciezkaRaport->setText(folder);
}

void TfoWysylanie::RefreshReport(const QStringList& report) {
    handOver("RefreshReport");
    fillReport(report);
}

void TfoWysylanie::ShowPreview(const QImage& preview) {
    handOver("ShowPreview");
    iObrazek->setPixmap(QPixmap::fromImage(preview));
}

void TfoWysylanie::SetSendRange(qint64 bytesExpected) {
    handOver("SetSendRange");
    // The bar counts in kilobytes past what an int holds.
    const int shift = bytesExpected > INT_MAX ? 10 : 0;
    pbCurrent->setProperty("shift", shift);
    pbCurrent->setRange(0, static_cast<int>(bytesExpected >> shift));
    pbCurrent->setValue(0);
}

void TfoWysylanie::SetSendPosition(qint64 bytesDone) {
    handOver("SetSendPosition");
    pbCurrent->setValue(static_cast<int>(bytesDone >> pbCurrent->property("shift").toInt()));
}

void TfoWysylanie::UploadFinished(const QStringList& report) {
    handOver("UploadFinished");
    sending_ = false;
    if (step_ != 4)
        goToStep(4);
    fillReport(report);
}

void TfoWysylanie::AskStop() {
    if (step_ != 3)
        return;
    if (context_.prompts->askYesNo(this,
                                   QStringLiteral("Czy na pewno przerwać wysyłanie zdjęć do serwisu?")) !=
        Prompts::Answer::Yes)
        return;
    if (upload_)
        upload_->Stop();
    // The worker's last hand-over fills the report with the final lines while this step stays.
    goToStep(4);
}

void TfoWysylanie::fillReport(const QStringList& lines) {
    // A retry sends some photos again; their new lines replace theirs in the whole report.
    QStringList whole = lines;
    if (!retryRows_.isEmpty()) {
        whole = baseReport_;
        for (int i = 0; i < retryRows_.size() && i < lines.size(); ++i)
            whole[retryRows_.at(i)] = lines.at(i);
    }
    report_ = whole;
    sgRaport->setRowCount(static_cast<int>(whole.size()));
    const int header = sgRaport->horizontalHeader()->height();
    const int rowHeight = sgRaport->verticalHeader()->defaultSectionSize();
    const int visibleRows = (sgRaport->height() - header - 2 * sgRaport->frameWidth()) / rowHeight;
    int third = sgRaport->width() - (sgRaport->columnWidth(0) + sgRaport->columnWidth(1)) - 8;
    if (visibleRows < whole.size())
        third -= sgRaport->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    sgRaport->setColumnWidth(2, third);
    bool failures = false;
    for (int r = 0; r < whole.size(); ++r) {
        for (int c = 0; c < 3; ++c)
            sgRaport->setItem(r, c, new QTableWidgetItem(service::FieldOfLine(whole.at(r), c)));
        failures = failures || service::FieldOfLine(whole.at(r), 1) != kSent;
    }
    iKrok4Ponow->setVisible(failures && step_ == 4 && !sending_);
}

void TfoWysylanie::OpenSessionPage() {
    context_.shell->openUrl(service::SessionReportPage(context_.settings->serviceBase, session_.sessionId));
    accept();
}

void TfoWysylanie::OpenAlbumPage() {
    const QString album = rbAlbumNowy->isChecked() ? eNowyAlbum->text() : cbAlbumyIstniejace->currentText();
    context_.shell->openUrl(
        service::AlbumReportPage(context_.settings->serviceBase, session_.sessionId, album));
    accept();
}

void TfoWysylanie::RetryFailed() {
    if (step_ != 4 || sending_)
        return;
    // Photos of unknown outcome may already be in the album: they go again only on the customer's word.
    QList<int> rows, unsure;
    for (int r = 0; r < report_.size() && r < files_.size(); ++r) {
        const QString status = service::FieldOfLine(report_.at(r), 1);
        if (status == service::kOutcomeUnknown)
            unsure << r;
        else if (status != kSent)
            rows << r;
    }
    if (!unsure.isEmpty()) {
        QStringList names;
        for (const int r : std::as_const(unsure))
            names << service::FieldOfLine(report_.at(r), 0);
        const Prompts::Answer answer = context_.prompts->askYesNoCancel(
            this, QStringLiteral("Nie wiadomo, czy serwis przyjął te zdjęcia:\n\r") +
                      names.join(QStringLiteral("\n\r")) +
                      QStringLiteral("\n\rWysłane ponownie mogą się znaleźć w albumie dwa razy. Czy wysłać "
                                     "je ponownie?"));
        if (answer == Prompts::Answer::Cancel)
            return;
        if (answer == Prompts::Answer::Yes) {
            rows << unsure;
            std::sort(rows.begin(), rows.end());
        }
    }
    if (rows.isEmpty())
        return;
    QStringList again;
    for (const int r : std::as_const(rows))
        again << files_.at(r);
    baseReport_ = report_;
    retryRows_ = rows;
    iKrok4Ponow->hide();
    showStep(3);
    startUpload(again);
}

void TfoWysylanie::done(int result) {
    // However the wizard closes, nothing its workers still hold reaches it, and the cursor is the
    // customer's again.
    detachWorkers();
    hourglass_.set(false);
    QDialog::done(result);
}

} // namespace ui
