#pragma once

// What the window tests share: a main window wired to recording seams, built offscreen.
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/tfoglowny.h"

#include <memory>

namespace uitest {

struct Harness {
    Harness();
    ~Harness();
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    std::unique_ptr<ui::TfoGlowny> window;
    void build();
};

} // namespace uitest
