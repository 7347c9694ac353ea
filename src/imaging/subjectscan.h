#pragma once

// Looking at a list of photos on the global thread pool, a few at a time, for the automatic alignment of
// batch cropping. Each photo's finding arrives on the thread that owns the scan, tagged with the scan it
// was started for: a finding of an earlier scan, or one that arrives after stop(), is dropped. The
// scan never waits for its work: photos in flight when it is stopped or destroyed finish unseen.
#include "imaging/bandchoice.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace imaging {

class SubjectScan : public QObject {
    Q_OBJECT
public:
    using Finder = std::function<PhotoSubjects(const QString& path)>;

    // `find` looks at one photo on a pool thread (FindSubjectsInFile unless tests give another).
    explicit SubjectScan(QObject* parent = nullptr, Finder find = {});
    ~SubjectScan() override;

    // Starts looking at `paths`, in order, in place of any earlier scan; returns at once.
    void start(const QStringList& paths);
    // No further photo is started and no finding of this scan is delivered.
    void stop();
    // Photos of the current scan whose finding has not been delivered yet.
    int pending() const { return pending_; }

signals:
    // Photo `index` of the current scan, at `path`, has been looked at.
    void found(int index, const QString& path, const imaging::PhotoSubjects& subjects);
    // Every photo of the current scan has been delivered.
    void finished();

private:
    struct Shared;
    void startNext();
    void deliver(quint64 scan, int index, const QString& path, const PhotoSubjects& subjects);

    std::shared_ptr<Shared> shared_;
    Finder find_;
    QStringList paths_;
    quint64 scan_ = 0;
    int next_ = 0;
    int inFlight_ = 0;
    int pending_ = 0;
};

} // namespace imaging
