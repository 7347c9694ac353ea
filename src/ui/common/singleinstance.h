#pragma once

// Only one copy of the program runs per user: the first copy listens on a local socket named after
// "Pixvale.PixvaleLink" and the user; a later copy connects, asks the first to come to the front and
// ends without showing anything. A socket left behind by a crashed copy is recognised (nobody answers on
// it) and replaced. UI thread only; needs the application object.
#include <QObject>
#include <QString>

class QLocalServer;

namespace ui {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // "Pixvale.PixvaleLink." + the user's login name (characters a socket name cannot hold become "_").
    static QString defaultName();

    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the first copy: it now listens for later copies (or, when even that fails, runs
    // on alone). False when another copy answered and has been asked to wake up.
    bool claim();

    bool isListening() const;

signals:
    // A later copy was started.
    void wakeRequested();

private:
    bool wakeOther();

    QString name_;
    QLocalServer* server_ = nullptr;
};

} // namespace ui
