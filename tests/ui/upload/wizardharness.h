#pragma once

// What the upload wizard's tests share: the main window with the wizard and its commands attached, a
// development service, photos in the window's folder, and steps that drive the wizard through its
// controls the way a customer does.
#include "service/devserviceprocess.h"
#include "ui/uitestsupport.h"
#include "ui/upload/tfoopcje.h"
#include "ui/upload/tfowysylanie.h"
#include "ui/upload/uploadcommands.h"

#include <QColor>

#include <QThread>

#include <memory>

namespace uitest {

// Checks that a window's picture is white inside a frame of `frame`; with PIXVALE_SCREENSHOTS naming a
// folder, the picture is also saved there as `name`.png.
void checkLook(QWidget& window, const QColor& frame, const QString& name);

class WizardTest : public ::testing::Test {
protected:
    // Starts the service (`switches`, `config` as DevServiceProcess takes them) and the main window over
    // a folder of `photos` generated JPEG files "f1.jpg" ... of about `bytes` bytes each, all marked.
    void start(int photos, const QStringList& switches = {}, const QByteArray& config = {},
               qint64 bytes = 4000);
    // The main window with the wizard, over the folder as it is now (a window built before is closed).
    void buildWindow();
    // Closes the wizard and the main window (writing the settings).
    void closeWindow();
    void TearDown() override;

    ui::TfoGlowny& w() { return *h.window; }
    ui::TfoWysylanie& wizard() { return *wizard_; }

    // The upload command, as the menu runs it.
    void openWizard();
    // The options command; the dialog it shows (a closed one may still wait for its deletion).
    ui::TfoOpcje* openOptions();
    // Types into an edit as the keyboard does (replacing what it holds).
    static void type(QWidget* edit, const QString& text);
    static void click(QWidget* button);
    // Waits until the album step has its list (or its error), true when it did in time.
    bool albumsShown();
    // Logs in through step 1 and waits for the album list.
    void logIn(const QString& login = QStringLiteral("demo@pixvale.example"),
               const QString& password = QStringLiteral("demo"));
    // Waits until the upload has finished (the report step and no worker running).
    bool uploadFinished();
    // The report as rows of (name, status, description) read from the grid.
    QList<QStringList> reportRows() const;
    // The text fields of each recorded upload body, by field name.
    QList<QMap<QString, QByteArray>> uploadFields() const;
    QStringList prompted() const;

    Harness h;
    std::unique_ptr<DevServiceProcess> service;
    std::unique_ptr<ui::TfoWysylanie> wizard_;
    ui::UploadCommands* commands = nullptr;
    QString folder;
    QStringList paths; // the photos, in catalogue order
    // Every hand-over to the wizard, and whether the user-interface thread ran it.
    QStringList handOvers;
    bool allOnUiThread = true;
};

} // namespace uitest
