#pragma once

// What the window tests share: a main window wired to recording seams, built offscreen.
#include "core/settingsstore.h"
#include "testsupport.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/tfoglowny.h"
#include "ui/viewer/imageview.h"

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace uitest {

// An image of one colour.
QImage plain(QSize size, QColor colour);
// What the view shows in its viewport.
QImage frameOf(ImageView& view);
// Writes a JPEG photo of one colour (false when it could not be written).
bool writePhoto(const QString& path, QSize size, QColor colour);
// Writes a file of exactly `bytes` bytes that is not a photo.
bool writeBytes(const QString& path, qint64 bytes);

// Waits until the window's photo document has nothing left to do and the window waits for nothing.
void settle(ui::TfoGlowny& window);

struct Harness {
    Harness();
    ~Harness();
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    QTemporaryDir dir; // settings file, local settings file and photo folders of one test
    std::unique_ptr<core::SettingsStore> store;
    std::unique_ptr<ui::TfoGlowny> window;

    QString path(const QString& name) const { return dir.filePath(name); }
    // A window over the store in `dir` (documents folder: `shell.documents`).
    void build();
    // Closes the window (writing the settings) and destroys it.
    void close();
    // Shows the window at this size and waits until it is on screen.
    void show(QSize size);
    // A folder in `dir` (created) that becomes the documents folder of the next build.
    QString photoFolder(const QString& name);
};

// The fixture of the main window tests.
class WindowTest : public ::testing::Test {
protected:
    Harness h;
    ui::TfoGlowny& w() { return *h.window; }
    QAction* act(const char* name) { return w().action(QString::fromLatin1(name)); }
    // n fake photos p00.jpg, p01.jpg, ... in the documents folder "zdjecia", the sizes falling as the
    // names rise; returns the folder.
    QString photos(int n);
    // Waits until the photo document has nothing left to do and the window waits for nothing.
    void settle();

    // A JPEG of one colour in the documents folder "zdjecia"; returns its path.
    QString addPhoto(const QString& name, QSize size, QRgb colour);
    // Builds the window, shows it at `size` and waits until its first photo has landed.
    void showWindow(QSize size = QSize(1000, 700));
    ImageView& view() { return *w().ivObraz; }
    // Runs a command and waits until what it started has landed.
    void command(const char* name);
    // A left-button drag on the view between two bitmap points.
    void drag(QPointF from, QPointF to);
};

} // namespace uitest
