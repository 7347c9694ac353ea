#include "tinyproxyprocess.h"

#include "devserviceprocess.h"

#include <QStandardPaths>
#include <QTest>

bool TinyproxyProcess::installed() {
    return !QStandardPaths::findExecutable(QStringLiteral("tinyproxy")).isEmpty();
}

TinyproxyProcess::TinyproxyProcess(const QString& user, const QString& password, bool via)
    : port_(FreeLoopbackPort()) {
    const QString config = dir_.filePath("tinyproxy.conf");
    WriteFile(config, QString("Port %1\nListen 127.0.0.1\nTimeout %2\nMaxClients 20\nAllow 127.0.0.1\n"
                              "BasicAuth %3 %4\nLogLevel Info\nLogFile \"%5\"\nPidFile \"%6\"\n"
                              "DisableViaHeader %7\n")
                          .arg(port_)
                          .arg(kTimeoutSeconds)
                          .arg(user, password, dir_.filePath("log"), dir_.filePath("pid"),
                               via ? QStringLiteral("No") : QStringLiteral("Yes"))
                          .toUtf8());
    process_.start("tinyproxy", {"-d", "-c", config});
    // It opens its port a moment after starting.
    started_ = process_.waitForStarted(10000) && QTest::qWaitFor([this] { return CanConnect(port_); }, 10000);
}

TinyproxyProcess::~TinyproxyProcess() {
    StopProcess(process_);
}

QByteArray TinyproxyProcess::log() const {
    return ReadFile(dir_.filePath("log"));
}

void TinyproxyProcess::keepForInspection() {
    StopProcess(process_); // its last lines are written by then
    dir_.setAutoRemove(false);
    std::fprintf(stderr, "tinyproxy's log, kept in %s:\n%s\n", qPrintable(dir_.path()), log().constData());
}
