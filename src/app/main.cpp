#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/tfoglowny.h"

#include "ui/common/appresources.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PixvaleLink"));
    ui::InitResources();
    ui::MessageBoxPrompts prompts;
    ui::DesktopShell shell;
    ui::TfoGlowny window({&prompts, &shell});
    window.show();
    return app.exec();
}
