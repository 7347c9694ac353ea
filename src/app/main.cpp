// PixvaleLink: start-up order, single-instance guard, splash and the message loop.
#include "core/settingsstore.h"
#include "imaging/imagefile.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/common/singleinstance.h"
#include "ui/main/tfoglowny.h"
#include "ui/main/tfosplash.h"
#include "ui/upload/tfowysylanie.h"
#include "ui/upload/uploadcommands.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    imaging::InitImageLibrary();
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("PixvaleLink"));
        QApplication::setOrganizationName(QStringLiteral("Pixvale"));

        // A second copy wakes the first and ends here: no window, no settings written.
        ui::SingleInstance guard(ui::SingleInstance::defaultName());
        if (!guard.claim()) {
            imaging::ExitImageLibrary();
            return 0;
        }
        ui::InitResources();

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

        QObject::connect(&guard, &ui::SingleInstance::wakeRequested, &window, &ui::TfoGlowny::WakeUp);
        window.show();
        result = QApplication::exec();
    }
    imaging::ExitImageLibrary();
    return result;
}
