#pragma once

// The wizard's pictures with words: a rounded plate in one of the service's colours with its word in
// white, drawn by the program itself. As a button it has the hand cursor and reacts to a click; as a
// label it only shows its word; a button is also a keyboard control named by its word. Each button carries a
// busy mark (`tag`) the way the wizard uses it. UI thread only.
#include <QColor>
#include <QWidget>

namespace ui {

class WordPicture : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Button, Label };

    WordPicture(const QString& name, const QString& word, const QColor& colour, QSize size, Kind kind,
                QWidget* parent);

    QString word() const { return word_; }
    QColor colour() const { return colour_; }

    // 0 free, 1 busy: a click on a busy next button does nothing (the wizard checks it).
    int tag = 0;

public slots:
    // What a click on a button does.
    void click();

signals:
    void clicked();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString word_;
    QColor colour_;
    Kind kind_;
    bool pressed_ = false;
};

// A plate button and a plate label, the two ways the wizard and the options dialog use them.
WordPicture* wordButton(const QString& name, const QString& word, const QColor& colour, QSize size,
                        QWidget* parent);
WordPicture* wordLabel(const QString& name, const QString& word, const QColor& colour, QSize size,
                       QWidget* parent);

} // namespace ui
