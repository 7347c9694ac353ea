#pragma once

// A button that is only a picture: the program's buttons are drawn artwork with a hand cursor and a
// hint, not standard push buttons. Bound to an action it runs the action on a click and follows the
// action's enabled state. It is also a keyboard control: a Tab stop, pressed by Space or Enter, named
// for screen readers by its hint. UI thread only.
#include <QIcon>
#include <QPointer>
#include <QWidget>

class QAction;

namespace ui {

class PictureButton : public QWidget {
    Q_OBJECT
public:
    // `picture` is a resource path (SVG or bitmap); the button takes `size` unless `size` is empty, in
    // which case it takes the picture's own size.
    PictureButton(const QString& name, const QString& picture, QSize size, QWidget* parent = nullptr);

    // The hint may carry a short and a long text separated by "|"; the tooltip shows the short one.
    void setHint(const QString& hint);
    QString hint() const { return hint_; }

    // Clicks run `action`; the button is enabled while the action is.
    void setAction(QAction* action);
    QAction* action() const { return action_; }

    void setPicture(const QString& picture);

public slots:
    // What a click does: emits `clicked` and runs the action.
    void click();

signals:
    void clicked();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QIcon icon_;
    QString hint_;
    QPointer<QAction> action_;
    bool pressed_ = false;
    bool hovered_ = false;
};

// Short part of a hint ("short|long" gives "short").
QString shortHint(const QString& hint);

} // namespace ui
