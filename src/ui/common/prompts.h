#pragma once

// Every message box and question of the program goes through a `Prompts` object, so that windows can be
// driven by tests without a person: production shows `QMessageBox`, tests queue the answers and record
// what was asked. UI thread only.
#include <QList>
#include <QString>

#include <deque>

class QWidget;

namespace ui {

class Prompts {
public:
    // `InfoYesNo` asks Yes or No under the information icon (an offer rather than a question).
    enum class Kind { Error, Info, YesNo, YesNoCancel, Plain, InfoYesNo };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompts() = default;

    // Shows one message and waits for the answer. `Error` and `Info` give `Ok`.
    virtual Answer prompt(QWidget* parent, Kind kind, const QString& caption, const QString& text) = 0;

    // The program's usual captions: "Błąd" for errors, "Informacja" for information, "Pytanie" for questions.
    void error(QWidget* parent, const QString& text);
    void info(QWidget* parent, const QString& text);
    void info(QWidget* parent, const QString& caption, const QString& text);
    Answer askYesNo(QWidget* parent, const QString& text);
    Answer askYesNoCancel(QWidget* parent, const QString& text);
    // A plain message without an icon under the program's title ("PixvaleLink").
    void plain(QWidget* parent, const QString& text);

    static QString errorCaption();
    static QString infoCaption();
    static QString questionCaption();
    static QString applicationCaption();
};

// The real thing: a modal `QMessageBox` with the icon of the kind (error, information, question).
class MessageBoxPrompts final : public Prompts {
public:
    Answer prompt(QWidget* parent, Kind kind, const QString& caption, const QString& text) override;
};

// Test double: records every prompt and answers from a queue (then with `fallback`). Messages without
// a choice (errors, information, plain messages) are always answered `Ok` and take nothing from the queue.
class RecordingPrompts final : public Prompts {
public:
    struct Record {
        Kind kind;
        QString caption;
        QString text;
    };

    Answer prompt(QWidget* parent, Kind kind, const QString& caption, const QString& text) override;

    QList<Record> records;
    std::deque<Answer> answers;
    Answer fallback = Answer::Cancel;
};

} // namespace ui
