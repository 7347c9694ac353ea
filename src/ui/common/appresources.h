#pragma once

// The pictures compiled into the program live in a static library, so every program and test that
// shows a window registers them once at start. UI thread, before the first window.
namespace ui {
void InitResources();
}
