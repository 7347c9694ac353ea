#pragma once

// The how-it-works window: one borderless picture of the four steps (choose, correct, send, order),
// centred on the screen. Letting go of Escape or clicking the picture closes it. One modal run. UI
// thread only.
#include <QDialog>

class QLabel;

namespace ui {

class TfoJakDziala : public QDialog {
    Q_OBJECT
public:
    explicit TfoJakDziala(QWidget* parent = nullptr);

    QLabel* iJakDziala = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace ui
