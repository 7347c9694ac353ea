// The wizard's steps: entering each one, the checks on the way between them, and the run.
#include "ui/batchcrop/autoalignment.h"
#include "ui/batchcrop/photolist.h"
#include "ui/batchcrop/tfokadrownie.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>

#include <array>

namespace ui {

namespace {

struct StepLook {
    const char* title;
    const char* line;
    const char* next;
};

// Steps 1 to 5 (the run).
constexpr std::array<StepLook, 5> kSteps{{
    {"Krok 1 z 4", "Wybierz zdjęcia do kadrowania", "&Dalej >"},
    {"Krok 2 z 4", "Do jakiego formatu chcesz skadrować zdjęcia?", "&Dalej >"},
    {"Krok 3 z 4", "Ustaw opcje kadrowania zdjęć", "&Dalej >"},
    {"Krok 4 z 4", "Wybierz folder docelowy i określ jakość kompresji JPEG", "Wykonaj"},
    {"Kadorwanie", "", "&Dalej >"},
}};

} // namespace

TfoKadrownie::~TfoKadrownie() {
    stopRun();
}

const QList<WizardEntry>& TfoKadrownie::work() const {
    return pbLista->entries();
}

void TfoKadrownie::setFolder(const QString& folder) {
    eFolder->setText(folder);
}

imaging::BatchCropOptions TfoKadrownie::runOptions() const {
    return {formatCode_, tbQuality->value(), target_, eFolder->text()};
}

void TfoKadrownie::btDalejClick() {
    if (step_ > 4) {
        if (!running())
            accept();
        return;
    }
    const int next = step_ + 1;
    if (next == 2 && photoChoice_ == PhotoChoice::Marked && !AnyMarked(source_)) {
        prompts_.error(this, QStringLiteral("Nie ma żadnych zaznaczonych zdjęć."));
        return;
    }
    if (next == 5 && target_ == imaging::BatchCropTarget::ReplaceInPlace &&
        prompts_.askYesNo(this, QStringLiteral("Czy zastąpić pliki w bierzącym folderze?\n\rOperacji tej nie "
                                               "będzie można cofnąć.")) != Prompts::Answer::Yes)
        return;
    enterStep(next);
}

void TfoKadrownie::btWsteczClick() {
    if (step_ >= 2 && step_ <= 4)
        enterStep(step_ - 1);
}

void TfoKadrownie::btAnulujClick() {
    if (running()) {
        // Stops between photos; the end of the run shows what was done.
        run_->stop();
        btAnuluj->setEnabled(false);
        return;
    }
    reject();
}

void TfoKadrownie::reject() {
    // While the file-exists question is open the run is inside its own call: it cannot go now.
    if (asking_)
        return;
    // Escape and the close box: a run still going is stopped, nothing more is written.
    stopRun();
    busyCursor_.set(false);
    QDialog::reject();
}

void TfoKadrownie::enterStep(int step) {
    step_ = step;
    if (step != 3)
        autoAlignment->stepLeft();
    const std::array<QWidget*, 5> panels{pKrok1, pKrok2, pKrok3, pKrok4, pKrok5};
    for (int i = 0; i < 5; ++i)
        panels[i]->setVisible(i == step - 1);
    const StepLook& look = kSteps[step - 1];
    laNaglowek->setText(QString::fromUtf8(look.title));
    laOpis->setText(QString::fromUtf8(look.line));
    btDalej->setText(QString::fromUtf8(look.next));
    btDalej->setEnabled(step < 5);
    btWstecz->setEnabled(step > 1 && step < 5);
    switch (step) {
    case 1:
        (photoChoice_ == PhotoChoice::All ? rbKtore1 : rbKtore2)->setChecked(true);
        break;
    case 2:
        for (QRadioButton* rb : rbFormat)
            if (rb->property("formatCode").toInt() == formatCode_)
                rb->setChecked(true);
        break;
    case 3:
        enterStep3();
        break;
    case 4:
        enterStep4();
        break;
    default:
        startRun();
        break;
    }
}

void TfoKadrownie::enterStep3() {
    pbLista->setEntries(ChooseWork(source_, photoChoice_), photoChoice_ == PhotoChoice::Marked ? 1 : 0);
    rbKadorwanieSrodek->setChecked(true);
    alignAll(imaging::CropAlignment::Centre);
    autoAlignment->listShown();
    sbLista->verticalScrollBar()->setValue(0);
}

void TfoKadrownie::alignAll(imaging::CropAlignment alignment) {
    pbLista->alignAll(alignment);
    autoAlignment->end();
}

void TfoKadrownie::uncheckAlignAll() {
    for (QRadioButton* rb :
         {rbKadorwanieGora, rbKadorwanieSrodek, rbKadorwanieDol, autoAlignment->button()}) {
        // An exclusive group never lets its last checked button go by itself.
        rb->setAutoExclusive(false);
        rb->setChecked(false);
        rb->setAutoExclusive(true);
    }
}

void TfoKadrownie::enterStep4() {
    tbQuality->setValue(quality_);
    tbQualityChange();
    (target_ == imaging::BatchCropTarget::OtherFolder ? rbFolder2 : rbFolder1)->setChecked(true);
    setTarget(target_);
}

void TfoKadrownie::tbQualityChange() {
    laKompresja->setText(QualityText(tbQuality->value()));
}

void TfoKadrownie::setTarget(imaging::BatchCropTarget target) {
    target_ = target;
    const bool other = target == imaging::BatchCropTarget::OtherFolder;
    eFolder->setEnabled(other);
    btFolder->setEnabled(other);
}

void TfoKadrownie::chooseFolder() {
    const QString chosen = shell_.chooseFolder(
        this, QStringLiteral("Wskarz folder, w którym chcesz umieścić skadrowane zdjęcia."), eFolder->text());
    if (!chosen.isEmpty())
        eFolder->setText(chosen);
}

void TfoKadrownie::startRun() {
    // Stopping is the one command of a run: Cancel stays.
    btAnuluj->setEnabled(true);
    const int total = static_cast<int>(work().size());
    pbPostep->setRange(0, total);
    pbPostep->setValue(0);
    laCount->setText(CountText(0, total));
    laPodsumowanie->clear();
    mNieudane->clear();
    mNieudane->hide();
    busyCursor_.set(true);
    run_ = new imaging::BatchCropRun(
        RunItems(work()), runOptions(), [this](const QString& path) { return askOverwrite(path); }, this);
    connect(run_, &imaging::BatchCropRun::progress, this, &TfoKadrownie::showProgress);
    connect(run_, &imaging::BatchCropRun::finished, this, &TfoKadrownie::runFinished);
    run_->start();
}

void TfoKadrownie::showProgress(int position, int total) {
    handOver("progress");
    pbPostep->setValue(position);
    laCount->setText(CountText(position, total));
}

imaging::BatchCropRun::Overwrite TfoKadrownie::askOverwrite(const QString& targetPath) {
    handOver("question");
    asking_ = true;
    const Prompts::Answer answer =
        prompts_.askYesNoCancel(this, ReplaceFileQuestion(QDir::toNativeSeparators(targetPath)));
    asking_ = false;
    switch (answer) {
    case Prompts::Answer::Yes:
        return imaging::BatchCropRun::Overwrite::Yes;
    case Prompts::Answer::No:
        return imaging::BatchCropRun::Overwrite::No;
    default:
        return imaging::BatchCropRun::Overwrite::Cancel;
    }
}

void TfoKadrownie::runFinished(const imaging::BatchCropOutcome& outcome) {
    handOver("finished");
    if (run_)
        run_->deleteLater();
    run_ = nullptr;
    pbPostep->setValue(pbPostep->maximum());
    busyCursor_.set(false);
    btDalej->setText(QStringLiteral("Zakończ"));
    btDalej->setEnabled(true);
    btDalej->setFocus();
    btAnuluj->setEnabled(false);
    laNaglowek->setText(QStringLiteral("Zakończono"));
    laPodsumowanie->setText(imaging::BatchCropSummaryText(outcome));
    if (!outcome.failures.isEmpty()) {
        mNieudane->setPlainText(outcome.failures.join(QLatin1Char('\n')));
        mNieudane->show();
    }
}

void TfoKadrownie::stopRun() {
    if (!run_)
        return;
    // The window goes away: the run's end is of no interest any more, and the photos in flight are
    // dropped as they come back, without the window waiting for them.
    run_->disconnect(this);
    run_->DeleteWhenDone();
    run_ = nullptr;
}

void TfoKadrownie::handOver(const char* name) {
    if (onHandOver)
        onHandOver(name);
}

} // namespace ui
