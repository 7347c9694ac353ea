#pragma once

// The batch cropping wizard: four steps (which photos, which print format, how to align each photo,
// where to write and at what JPEG quality) and then the run, which crops every chosen photo to the
// format and writes it as a JPEG file. The window works on its own copies of the catalogue entries and
// never changes the catalogue. The run itself is an `imaging::BatchCropRun`; its progress, questions
// and end reach the window on the user-interface thread. Created for one modal use. UI thread only.
#include "ui/batchcrop/wizardentry.h"
#include "ui/common/cursoroverride.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;

namespace ui {

class AutoAlignment;
class PhotoList;
class Prompts;
class Shell;

class TfoKadrownie : public QDialog {
    Q_OBJECT
public:
    TfoKadrownie(Prompts& prompts, Shell& shell, QWidget* parent = nullptr);
    ~TfoKadrownie() override;

    // What the main window hands in before showing the wizard.
    void setSource(QList<WizardEntry> entries) { source_ = std::move(entries); }
    void setQuality(int quality) { quality_ = quality; }
    void setFolder(const QString& folder);

    int step() const { return step_; }
    PhotoChoice photoChoice() const { return photoChoice_; }
    int formatCode() const { return formatCode_; }
    imaging::BatchCropTarget target() const { return target_; }
    int quality() const { return quality_; }
    const QList<WizardEntry>& source() const { return source_; }
    const QList<WizardEntry>& work() const;
    // The run's options as the controls stand now.
    imaging::BatchCropOptions runOptions() const;
    // True from the start of the run until its end has been shown.
    bool running() const { return run_ != nullptr; }

    // Runs with the name of every hand-over from the run ("progress", "question", "finished"), before
    // the window acts on it (tests watch the thread).
    std::function<void(const char* handOver)> onHandOver;

    // The footer's commands, as the buttons run them.
    void btDalejClick();
    void btWsteczClick();
    void btAnulujClick();

    // Controls, under the names the design gives them.
    QLabel* laNaglowek = nullptr;
    QLabel* laOpis = nullptr;
    QPushButton* btWstecz = nullptr;
    QPushButton* btDalej = nullptr;
    QPushButton* btAnuluj = nullptr;
    QWidget* pKrok1 = nullptr;
    QWidget* pKrok2 = nullptr;
    QWidget* pKrok3 = nullptr;
    QWidget* pKrok4 = nullptr;
    QWidget* pKrok5 = nullptr;
    QRadioButton* rbKtore1 = nullptr;
    QRadioButton* rbKtore2 = nullptr;
    QList<QRadioButton*> rbFormat; // in screen order
    QLabel* laPomocFormaty = nullptr;
    QScrollArea* sbLista = nullptr;
    PhotoList* pbLista = nullptr;
    QRadioButton* rbKadorwanieGora = nullptr;
    QRadioButton* rbKadorwanieSrodek = nullptr;
    QRadioButton* rbKadorwanieDol = nullptr;
    AutoAlignment* autoAlignment = nullptr; // the fourth "for all" choice, "automatycznie"
    QRadioButton* rbFolder1 = nullptr;
    QRadioButton* rbFolder2 = nullptr;
    QLineEdit* eFolder = nullptr;
    QPushButton* btFolder = nullptr;
    QLabel* laKompresja = nullptr;
    QSlider* tbQuality = nullptr;
    QLabel* laCount = nullptr;
    QProgressBar* pbPostep = nullptr;
    QLabel* laPodsumowanie = nullptr;    // the run's summary, once it has ended
    QPlainTextEdit* mNieudane = nullptr; // the photos that failed, one line each

protected:
    void reject() override;

private:
    void createHeader();
    void createFooter();
    void createStep1();
    void createStep2();
    void createStep3();
    void createStep4();
    void createStep5();
    QWidget* stepPanel(const char* name);

    void enterStep(int step);
    void enterStep3();
    void enterStep4();
    void alignAll(imaging::CropAlignment alignment);
    void uncheckAlignAll();
    void chooseFolder();
    void tbQualityChange();
    void setTarget(imaging::BatchCropTarget target);

    void startRun();
    void showProgress(int position, int total);
    imaging::BatchCropRun::Overwrite askOverwrite(const QString& targetPath);
    void runFinished(const imaging::BatchCropOutcome& outcome);
    void stopRun();
    void handOver(const char* name);

    Prompts& prompts_;
    Shell& shell_;
    int step_ = 0;
    PhotoChoice photoChoice_ = PhotoChoice::All;
    int formatCode_ = 1;
    imaging::BatchCropTarget target_ = imaging::BatchCropTarget::ReplaceInPlace;
    int quality_ = 80;
    QList<WizardEntry> source_;
    QPointer<imaging::BatchCropRun> run_;
    bool asking_ = false; // the file-exists question is open
    // The arrow with the hourglass: the window stays usable, Cancel stops the run.
    CursorOverride busyCursor_{Qt::BusyCursor};
};

} // namespace ui
