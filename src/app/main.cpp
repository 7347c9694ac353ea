// PixvaleLink: start-up order, single-instance guard, splash and the message loop.
#include "app/commandline.h"
#include "app/openrequests.h"
#include "core/settingsstore.h"
#include "imaging/imagefile.h"
#include "ui/common/appicon.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/qttranslations.h"
#include "ui/common/shell.h"
#include "ui/common/singleinstance.h"
#include "ui/main/tfoglowny.h"
#include "ui/main/tfosplash.h"
#include "ui/upload/tfowysylanie.h"
#include "ui/upload/uploadcommands.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <memory>

int main(int argc, char** argv) {
    // --help and --version answer before anything starts, without a display.
    const app::CommandLine early = app::parseCommandLine(app::argumentsOf(argc, argv), QDir::currentPath());
    if (early.action == app::CommandLine::Action::Help || early.action == app::CommandLine::Action::Version)
        return app::printOutcome(early);

    imaging::InitImageLibrary();
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("PixvaleLink"));
        QApplication::setOrganizationName(QStringLiteral("Pixvale"));
        QGuiApplication::setDesktopFileName(QStringLiteral("com.pixvale.PixvaleLink"));
        // Parsed again once Qt has taken its own options (-platform, -style...) away.
        const app::CommandLine command =
            app::parseCommandLine(QApplication::arguments(), QDir::currentPath());
        if (command.action != app::CommandLine::Action::Run) {
            imaging::ExitImageLibrary();
            return app::printOutcome(command);
        }
        // Standard dialogs and question buttons in Polish; without the catalogue they stay English.
        ui::LoadQtTranslations();

        // A second copy wakes the first and ends here: no window, no settings written.
        ui::SingleInstance guard(ui::SingleInstance::defaultName());
        if (!guard.claim(command.paths)) {
            imaging::ExitImageLibrary();
            return 0;
        }
        ui::InitResources();
        const QString iconFile = ui::InstallAppIcon();

        auto splash = std::make_unique<ui::TfoSplash>();
        splash->show();
        splash->repaint();
        // One pass so that the window system maps the splash before the long construction starts.
        QApplication::processEvents();

        ui::MessageBoxPrompts prompts;
        ui::DesktopShell shell;
        core::SettingsStore store;
        ui::TfoGlowny window({&prompts, &shell, &store, QString()});
        splash->repaint();
        // The upload wizard lives until exit and is shown for every upload.
        ui::TfoWysylanie wizard({&prompts, &shell, &window.settings()}, &window);
        ui::AttachUploadCommands(window, wizard);
        splash->repaint();
        splash->hide();
        splash.reset();

        app::OpenRequests requests(window, command.reportAndQuit);
        requests.setIconFile(iconFile);
        QObject::connect(&guard, &ui::SingleInstance::wakeRequested, &window, [&](const QStringList& paths) {
            window.WakeUp();
            requests.open(paths);
        });
        window.show();
        QTimer::singleShot(0, &requests, [&] { requests.open(command.paths); });
        result = QApplication::exec();
    }
    imaging::ExitImageLibrary();
    return result;
}
