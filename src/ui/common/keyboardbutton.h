#pragma once

// What makes the program's drawn buttons (pictures, word plates) real controls for a customer on the
// keyboard or a screen reader: a Tab stop, a visible focus mark, Space and Enter press them, and they
// appear to assistive technology as named push buttons with a press action. A drawn button calls
// `makeKeyboardButton` on itself and forwards its key and paint events here. UI thread only.
#include <QPoint>
#include <QString>

class QEvent;
class QKeyEvent;
class QPainter;
class QRect;
class QWidget;

namespace ui {

// Takes Tab focus and registers the button's accessible face. The widget must have a `click()` slot.
void makeKeyboardButton(QWidget* button);

// True when `event` presses the focused `button`: Space, and Return or Enter unless the button's window
// takes Enter itself.
bool isPressKey(const QKeyEvent* event, const QWidget* button);

// A focused button keeps its press keys for itself, ahead of its window's shortcuts; call from `event()`
// and return true when this answers.
bool takeShortcutOverride(QEvent* event, const QWidget* button);

// For a window that sees Enter before its controls and decides itself what it does.
void windowTakesEnter(QWidget* window);

// The focus mark in the program's orange, inside the button's edge.
void paintFocusMark(QPainter& painter, const QWidget* button);
// The same mark inside `area` of any control.
void paintFocusMark(QPainter& painter, const QRect& area);

// The step an arrow key points: (−1, 0) for Left, (0, 1) for Down; (0, 0) for any other key.
QPoint arrowDirection(int key);

// A picture that only shows a value: no Tab stop, not announced as a button.
void makePictureOnly(QWidget* button);

// For a control that paints every pixel of itself (a scrolled view): the focus mark drawn just
// outside it, shown while it has the focus.
void markFocusAround(QWidget* control);

// Enter anywhere in `button`'s window presses it unless a focused button takes the key itself.
void makeDefaultButton(QWidget* button);

} // namespace ui
