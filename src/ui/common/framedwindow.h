#pragma once

// The look of the program's own windows: a white client area framed by a 3-pixel line in one of the
// service's signal colours. UI thread only.
#include <QColor>
#include <QWidget>

class QPainter;

namespace ui {

// The service's colours.
inline const QColor kGreen{140, 197, 58};
inline const QColor kBlue{87, 131, 188};
inline const QColor kOrange{231, 122, 26};

// Fills `size` white and draws the 3-pixel frame along the rectangle (1, 1)-(width - 1, height - 1).
void paintWhiteFrame(QPainter& painter, QSize size, const QColor& colour);

// A widget painted with `paintWhiteFrame`; the colour may change (a wizard changes it per step).
class FramedWindow : public QWidget {
    Q_OBJECT
public:
    explicit FramedWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    void setFrameColour(const QColor& colour);
    QColor frameColour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QColor colour_ = kGreen;
};

} // namespace ui
