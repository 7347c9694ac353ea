#pragma once

// Password edits show "*" for every character, whatever the style would draw (dots, mostly).
#include <QLineEdit>

namespace ui {

inline void showStarsFor(QLineEdit* edit) {
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

} // namespace ui
