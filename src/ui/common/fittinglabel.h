#pragma once

// A one-line label that keeps its whole text and shows it shortened with "..." (fitText) whenever the
// label is narrower than the text, so that a resize never lets the text run under its neighbours and a
// wider label shows more again. UI thread only.
#include <QLabel>

namespace ui {

class FittingLabel : public QLabel {
    Q_OBJECT
public:
    explicit FittingLabel(const QString& name, const QString& text = QString(), QWidget* parent = nullptr);

    // What is on screen: text() shortened to the label's width.
    QString shownText() const;
    // The width the whole text needs.
    int textWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui
