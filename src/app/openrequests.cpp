#include "app/openrequests.h"

#include "core/datapaths.h"
#include "document/photodocument.h"
#include "ui/main/openpaths.h"
#include "ui/main/tfoglowny.h"
#include "ui/viewer/imageview.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace app {

OpenRequests::OpenRequests(ui::TfoGlowny& window, bool reportAndQuit, QObject* parent)
    : QObject(parent)
    , window_(window)
    , reportAndQuit_(reportAndQuit) {}

void OpenRequests::open(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    ui::OpenPaths(window_, paths);
    if (!reportAndQuit_)
        return;
    reportAndQuit_ = false;
    // The report tells what the window shows once the photo asked for has been opened and read.
    while (window_.isWaiting() || window_.document()->isBusy()) {
        window_.document()->finish();
        QCoreApplication::processEvents();
    }
    std::fputs(installationReport(window_, iconFile_).toUtf8().constData(), stdout);
    std::fflush(stdout);
    window_.close();
    QCoreApplication::quit();
}

QString installationReport(ui::TfoGlowny& window, const QString& iconFile) {
    const QString help = core::helpIndexPath();
    const core::Catalogue& catalogue = window.catalogue();
    const int current = catalogue.currentIndex();
    const QImage& bitmap = window.ivObraz->bitmap();
    QString report;
    const auto line = [&report](const char* name, const QString& value) {
        report += QLatin1String(name) + QLatin1Char('=') + value + QLatin1Char('\n');
    };
    line("help", QFileInfo::exists(help) ? help : QString());
    line("icon", iconFile);
    // Qt's Polish catalogue is in use when its buttons speak Polish.
    line("translations", QCoreApplication::translate("QPlatformTheme", "Cancel"));
    line("folder", window.folder());
    line("photo", current >= 0 && current < catalogue.size() ? catalogue.at(current).Sciezka : QString());
    line("bitmap",
         bitmap.isNull() ? QString() : QStringLiteral("%1x%2").arg(bitmap.width()).arg(bitmap.height()));
    return report;
}

} // namespace app
