#pragma once

// The upload wizard: log in, choose or name an album, send the marked photos with progress, and show a
// report whose buttons open the service's page of the photos just received. Created once at start-up and
// shown modally for every upload; the service workers hand their results to the methods below on the
// user-interface thread. A result of a worker started by an earlier run never reaches a later run: every
// worker of a run is detached when the next run starts.
//
// The wizard reads and writes the main window's settings record (login, password, proxy, base address)
// and holds the service session for the rest of the program's run. UI thread only.
#include "ui/common/cursoroverride.h"
#include "ui/upload/servicesession.h"

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QRadioButton;
class QTableWidget;

namespace core {
struct Settings;
}
namespace service {
class ServiceWorker;
class TThreadWysylanie;
} // namespace service

namespace ui {

class Prompts;
class Shell;
class WordPicture;

class TfoWysylanie : public QDialog {
    Q_OBJECT
public:
    struct Context {
        Prompts* prompts = nullptr;
        Shell* shell = nullptr;
        core::Settings* settings = nullptr; // the main window's record
    };

    explicit TfoWysylanie(const Context& context, QWidget* parent = nullptr);
    ~TfoWysylanie() override;

    // The photos of the next run, full paths in catalogue order.
    void setFiles(const QStringList& files) { files_ = files; }
    const QStringList& files() const { return files_; }

    int step() const { return step_; }
    QColor stepColour() const;
    ServiceSession& session() { return session_; }
    const QStringList& albumIds() const { return albumIds_; }
    // The report lines last shown in the grid.
    const QStringList& report() const { return report_; }

    // Runs before each method a worker hands over, with the method's name (tests watch the threads).
    std::function<void(const char* method)> onHandOver;

    // The steps' commands, as their buttons run them.
    void Krok1Ok();
    void Krok2Ok();
    void AskStop();
    void OpenSessionPage();
    void OpenAlbumPage();
    void RetryFailed();

public slots:
    // Run by the workers on the user-interface thread.
    void ShowServiceError(const QString& text);
    void LoginSucceeded(const QString& sessionId, const QString& orderUrl, const QString& editUrl);
    void AlbumsArrived(int count, const QStringList& names, const QStringList& ids);
    void ShowUploadProgress(int position, const QStringList& files);
    void RefreshReport(const QStringList& report);
    void ShowPreview(const QImage& preview);
    void SetSendRange(qint64 bytesExpected);
    void SetSendPosition(qint64 bytesDone);
    void UploadFinished(const QStringList& report);

public:
    // Controls, under the names the design gives them.
    QWidget* pKrok1 = nullptr;
    QWidget* pKrok2 = nullptr;
    QWidget* pKrok3 = nullptr;
    QWidget* pKrok4 = nullptr;
    QWidget* pLogo = nullptr;
    QLabel* laKrok1Opis = nullptr;
    QLineEdit* eLogin = nullptr;
    QLineEdit* eHaslo = nullptr;
    QCheckBox* cbPamietajHaslo = nullptr;
    QLabel* laZapomnialemHaslo = nullptr;
    QLabel* laUtworzNoweKonto = nullptr;
    WordPicture* iKrok1Ok = nullptr;
    WordPicture* iKrok1Anuluj = nullptr;
    QRadioButton* rbAlbumNowy = nullptr;
    QRadioButton* rbAlbumIstniejacy = nullptr;
    QLineEdit* eNowyAlbum = nullptr;
    QComboBox* cbAlbumyIstniejace = nullptr;
    WordPicture* iKrok2Ok = nullptr;
    WordPicture* iKrok2 = nullptr;
    QLabel* laSciezka = nullptr;
    QLabel* laPlik = nullptr;
    QProgressBar* pbCurrent = nullptr;
    QLabel* laWszystkie = nullptr;
    QProgressBar* pbAll = nullptr;
    QLabel* iObrazek = nullptr;
    WordPicture* iKrok3Przerwij = nullptr;
    QLabel* laSciezkaRaport = nullptr;
    QTableWidget* sgRaport = nullptr;
    WordPicture* iKrok4 = nullptr;
    WordPicture* iKrok4_2 = nullptr;
    WordPicture* iKrok4Ponow = nullptr; // "wyślij ponownie nieudane"

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;
    void done(int result) override;

private:
    void createStep1();
    void createStep2();
    void createStep3();
    void createStep4();
    void showStep(int step);
    void goToStep(int step);
    void startAlbums();
    void startUpload(const QStringList& files);
    void fillReport(const QStringList& report);
    void detachWorkers();
    // Takes every window minimised with the wizard, and the wizard, out of the minimised state.
    void restoreTogether();
    template <typename Worker, typename... Args>
    Worker* startWorker(Args&&... args);
    void handOver(const char* method);

    Context context_;
    ServiceSession session_;
    int step_ = 0;
    QStringList files_;
    QStringList albumIds_;
    QStringList report_;
    QString albumId_;        // of the running upload, kept for a retry into the same album
    QString albumName_;      // likewise
    QStringList baseReport_; // the whole report while a retry sends some of its photos again
    QList<int> retryRows_;   // rows of baseReport_ the retry sends, in order
    QList<QPointer<service::ServiceWorker>> workers_;
    QPointer<service::TThreadWysylanie> upload_;
    CursorOverride hourglass_;
    bool sending_ = false; // an upload worker of this run has not finished yet
    QList<QPointer<QWidget>> minimisedWithMe_;
};

} // namespace ui
