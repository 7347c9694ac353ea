#pragma once

// The main window's service commands: sending the marked photos through the upload wizard
// (`aPlikWyslijPliki`), the options dialog (`aNarzedziaOpcje`) and the version check, manual
// (`aNarzedziaSprawdzWersje`) and automatic (`tSprawdzWersje`). The object lives as a child of the main
// window and receives the version worker's hand-overs. UI thread only.
#include "ui/common/cursoroverride.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace service {
class ServiceWorker;
}

namespace ui {

class TfoGlowny;
class TfoWysylanie;

class UploadCommands : public QObject {
    Q_OBJECT
public:
    UploadCommands(TfoGlowny& window, TfoWysylanie& wizard);
    // Detaches the version checks still running: they end by themselves and never reach a freed receiver.
    ~UploadCommands() override;

    void aPlikWyslijPlikiExecute();
    void aNarzedziaOpcjeExecute();
    void aNarzedziaSprawdzWersjeExecute();
    void tSprawdzWersjeTimer();

    bool manualCheck() const { return manualCheck_; }

    // Runs before each method the version worker hands over, with the method's name (tests).
    std::function<void(const char* method)> onHandOver;

public slots:
    void NewVersionAvailable(const QString& downloadUrl);
    void NoNewVersion();
    void RestoreDefaultCursor();

private:
    void wizardClosed();
    void handOver(const char* method);

    TfoGlowny& window_;
    TfoWysylanie& wizard_;
    bool manualCheck_ = false;
    CursorOverride hourglass_;
    QList<QPointer<service::ServiceWorker>> versionChecks_;
};

// Wires the commands of the main window to the wizard (once, at start-up) and returns them.
UploadCommands* AttachUploadCommands(TfoGlowny& window, TfoWysylanie& wizard);

} // namespace ui
