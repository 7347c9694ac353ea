#pragma once

// Starts pixvale-devservice on a free loopback port for one test, with its own data (and record)
// folder, and stops it afterwards.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class DevServiceProcess {
public:
    // `config` is the text of a configuration file; empty means the demo account. `script` and `answer`
    // make that script answer with exactly those bytes.
    explicit DevServiceProcess(const QStringList& switches = {}, const QByteArray& config = {},
                               const QString& script = {}, const QByteArray& answer = {});
    ~DevServiceProcess();

    bool started() const { return port_ > 0; }
    int port() const { return port_; }
    QString baseAddress() const;
    QString dataDir() const { return dir_.filePath("data"); }
    QString recordDir() const { return dir_.filePath("record"); }
    // Path of a scratch file in the fixture's folder.
    QString scratch(const QString& name) const { return dir_.filePath(name); }

    // The recorded request files ("NNNN-script.head"/".body") in arrival order.
    QStringList recorded(const QString& suffix) const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// A small generated JPEG padded with comment segments to about `size` bytes (never less).
QByteArray JpegOfSize(qint64 size);
bool WriteFile(const QString& path, const QByteArray& content);
// Asks a program to end, and makes sure it has.
void StopProcess(QProcess& process);
// The body of a plain GET, empty on any failure.
QByteArray HttpGet(const QString& url);
QByteArray ReadFile(const QString& path);
