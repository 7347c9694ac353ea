#pragma once

// What the window tests share: a main window wired to recording seams, built offscreen.
#include "core/settingsstore.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/tfoglowny.h"

#include <QTemporaryDir>

#include <memory>

namespace uitest {

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
};

} // namespace uitest
