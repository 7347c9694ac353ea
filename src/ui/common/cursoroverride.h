#pragma once

// An application-wide cursor shown while work runs (the hourglass), switched on and off from several
// places of one window: showing it twice or taking it away twice does nothing, and it goes with its
// owner. UI thread only.
#include <QCursor>
#include <QGuiApplication>

namespace ui {

class CursorOverride {
public:
    explicit CursorOverride(Qt::CursorShape shape = Qt::WaitCursor)
        : shape_(shape) {}
    ~CursorOverride() { set(false); }
    CursorOverride(const CursorOverride&) = delete;
    CursorOverride& operator=(const CursorOverride&) = delete;

    void set(bool on) {
        if (on == shown_)
            return;
        shown_ = on;
        if (on)
            QGuiApplication::setOverrideCursor(QCursor(shape_));
        else
            QGuiApplication::restoreOverrideCursor();
    }
    bool shown() const { return shown_; }

private:
    Qt::CursorShape shape_;
    bool shown_ = false;
};

} // namespace ui
