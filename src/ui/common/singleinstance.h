#pragma once

// Only one copy of the program runs per user: the first copy listens on a local socket named after
// "Pixvale.PixvaleLink" and the user; a later copy connects, asks the first to come to the front (handing
// over the photos and folders it was asked to open) and ends without showing anything. A socket left behind
// by a crashed copy is recognised (nobody answers on it) and replaced. UI thread only; needs the application
// object.
#include <QObject>
#include <QString>
#include <QStringList>

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
    // on alone). False when another copy answered and has been asked to wake up and open `paths`.
    bool claim(const QStringList& paths = {});

    bool isListening() const;

signals:
    // A later copy was started; `paths` are what it was asked to open (often none). A request that
    // arrives before anything is connected (while the main window is still being built) is kept and
    // delivered from the event loop once a receiver connects.
    void wakeRequested(const QStringList& paths);

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    bool wakeOther(const QStringList& paths);
    void accept();

    QString name_;
    void deliver(const QStringList& paths);
    void deliverPending();

    QLocalServer* server_ = nullptr;
    QList<QStringList> pending_;
};

} // namespace ui
