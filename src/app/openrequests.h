#pragma once

// What the program is asked to open after start: the photos and folders of its own command line (once
// the message loop runs) and those a later copy hands over. With the hidden report option the program
// prints, after the first such request, what it found (help, translations, icon, the folder and photo
// now open) and ends: the installation test reads that. UI thread only.
#include <QObject>
#include <QStringList>

namespace ui {
class TfoGlowny;
}

namespace app {

class OpenRequests : public QObject {
    Q_OBJECT
public:
    OpenRequests(ui::TfoGlowny& window, bool reportAndQuit, QObject* parent = nullptr);

    // The scalable icon the program found (see ui::InstallAppIcon), for the report.
    void setIconFile(const QString& file) { iconFile_ = file; }

    // Opens the first existing path (see ui::OpenPaths); an empty list does nothing.
    void open(const QStringList& paths);

private:
    ui::TfoGlowny& window_;
    bool reportAndQuit_;
    QString iconFile_;
};

// The report: "name=value" lines for help, icon, translations, folder, photo and bitmap (its size);
// a value is empty when the thing was not found.
QString installationReport(ui::TfoGlowny& window, const QString& iconFile);

} // namespace app
