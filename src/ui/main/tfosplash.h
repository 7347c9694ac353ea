#pragma once

// The splash window shown while the main window is built: 400 × 250, no border, white with the green
// frame, the logo, the product banner and "Uruchamianie programu. Proszę czekać...". UI thread only.
#include "ui/common/framedwindow.h"

#include <QPixmap>

namespace ui {

class TfoSplash : public FramedWindow {
    Q_OBJECT
public:
    explicit TfoSplash(QWidget* parent = nullptr);

    static QString text();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap logo_;
    QPixmap banner_;
};

} // namespace ui
