#pragma once

// Helpers shared by every test suite: where the photo corpus and the build tree are, whole files.
#include <gtest/gtest.h>

#include <QtTest>

#include <functional>
#include <vector>

namespace testsupport {

// Folder of the shared corpus of real JPEG and TIFF files (read-only). PIXVALE_CORPUS overrides it.
QString corpusDir();

// Full path of one corpus file.
QString corpusFile(const QString& name);

// Root of the build tree (where bin/ holds the programs).
QString binaryDir();

// Writes `content` as the whole file; false when that failed.
bool WriteFile(const QString& path, const QByteArray& content);
// The whole file, empty when it cannot be read.
QByteArray ReadFile(const QString& path);

// A temporary folder of one test, removed with it.
struct TempFolder {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    // Writes `content` as the file `name` in the folder and returns its path (empty when that failed).
    QString write(const QString& name, const QByteArray& content) const;
};

// Records, for every call from any thread, whether it came on the application's (UI) thread.
class ThreadRecorder {
public:
    void note();
    int count() const;
    bool allOnUi() const;  // false when nothing was noted
    bool noneOnUi() const; // false when nothing was noted

private:
    mutable QMutex mutex_;
    std::vector<bool> onUi_;
};

// Proves a negative: queues a marker behind everything already queued for `context`'s thread and
// runs the events until the marker has run, so whatever was posted before it has been delivered.
// False when the marker did not run within `timeoutMs`.
bool deliverQueued(const QObject* context, int timeoutMs = 5000);

// Runs the events until `condition` holds; false when it did not within `timeoutMs`.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

} // namespace testsupport
