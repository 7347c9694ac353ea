#include "ui/common/prompts.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>

namespace ui {

namespace {

// A Yes/No question that only its two buttons close.
class AnswerOnlyBox : public QMessageBox {
public:
    AnswerOnlyBox(QMessageBox::Icon icon, const QString& caption, const QString& text, QWidget* parent)
        : QMessageBox(icon, caption, text, QMessageBox::Yes | QMessageBox::No, parent) {
        setDefaultButton(QMessageBox::Yes);
        setWindowFlag(Qt::WindowCloseButtonHint, false);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape)
            return event->accept();
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (clickedButton() == nullptr)
            return event->ignore();
        QMessageBox::closeEvent(event);
    }
};

} // namespace

QString Prompts::errorCaption() {
    return QStringLiteral("Błąd");
}
QString Prompts::infoCaption() {
    return QStringLiteral("Informacja");
}
QString Prompts::questionCaption() {
    return QStringLiteral("Pytanie");
}
QString Prompts::applicationCaption() {
    return QStringLiteral("PixvaleLink");
}

void Prompts::plain(QWidget* parent, const QString& text) {
    prompt(parent, Kind::Plain, applicationCaption(), text);
}

void Prompts::error(QWidget* parent, const QString& text) {
    prompt(parent, Kind::Error, errorCaption(), text);
}

void Prompts::info(QWidget* parent, const QString& text) {
    prompt(parent, Kind::Info, infoCaption(), text);
}

void Prompts::info(QWidget* parent, const QString& caption, const QString& text) {
    prompt(parent, Kind::Info, caption, text);
}

Prompts::Answer Prompts::askYesNo(QWidget* parent, const QString& text) {
    return prompt(parent, Kind::YesNo, questionCaption(), text);
}

Prompts::Answer Prompts::askYesNoCancel(QWidget* parent, const QString& text) {
    return prompt(parent, Kind::YesNoCancel, questionCaption(), text);
}

Prompts::Answer MessageBoxPrompts::prompt(QWidget* parent, Kind kind, const QString& caption,
                                          const QString& text) {
    switch (kind) {
    case Kind::Error: {
        // Selectable, so that an address or a path in the message can be copied.
        QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse);
        box.exec();
        return Answer::Ok;
    }
    case Kind::Info:
        QMessageBox::information(parent, caption, text);
        return Answer::Ok;
    case Kind::Plain: {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
        box.exec();
        return Answer::Ok;
    }
    case Kind::InfoYesNo:
    case Kind::YesNo:
    case Kind::YesNoCancel: {
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        if (kind == Kind::YesNoCancel)
            buttons |= QMessageBox::Cancel;
        if (kind != Kind::YesNoCancel) {
            // A question without Cancel must be answered: Escape and the close box do nothing, so that
            // a reflex Escape is never taken for "Nie" (which may throw an edit away).
            AnswerOnlyBox box(kind == Kind::InfoYesNo ? QMessageBox::Information : QMessageBox::Question,
                              caption, text, parent);
            box.exec();
            return box.clickedButton() == box.button(QMessageBox::Yes) ? Answer::Yes : Answer::No;
        }
        switch (QMessageBox::question(parent, caption, text, buttons, QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            // Closing the box with Escape or its close button counts as the safest answer.
            return Answer::Cancel;
        }
    }
    }
    return Answer::Ok;
}

Prompts::Answer RecordingPrompts::prompt(QWidget*, Kind kind, const QString& caption, const QString& text) {
    records.append({kind, caption, text});
    if (kind == Kind::Error || kind == Kind::Info || kind == Kind::Plain)
        return Answer::Ok;
    if (answers.empty())
        return fallback;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

} // namespace ui
