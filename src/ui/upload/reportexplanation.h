#pragma once

// The explanation above the report step's two buttons: what "zamów zdjęcia" and "przejdź do edycji"
// lead to, in two columns of three paragraphs, the left one over the first button, the right one over
// the second. UI thread only.
#include <QWidget>

namespace ui {

class ReportExplanation : public QWidget {
    Q_OBJECT
public:
    explicit ReportExplanation(QWidget* parent = nullptr);

    // The paragraphs of one column (0 left, 1 right), top to bottom.
    static QStringList paragraphs(int column);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui
