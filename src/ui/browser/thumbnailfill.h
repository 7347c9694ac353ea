#pragma once

// The thumbnail fill of the browser: decodes and composes the cells of a list of photos on a small pool of
// threads and hands them back on the UI thread strictly in list order, so that the window stays
// responsive and fills from the top. A stop (or a new start) raises the generation: results of an older
// generation are dropped unseen, so nothing is applied after a stop.
//
// Create, start, stop and destroy on the UI thread. The decoder runs on pool threads.
#include <QImage>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <map>

namespace ui {

class ThumbnailFill : public QObject {
    Q_OBJECT
public:
    // Makes a cell from a photo's path: 116 × 116, the red-cross cell when the photo cannot be read. A maker
    // that throws gives a null cell instead (the exception never leaves the pool thread).
    using CellMaker = std::function<QImage(const QString& path)>;

    explicit ThumbnailFill(CellMaker maker, QObject* parent = nullptr);
    ~ThumbnailFill() override;

    // Replaces the cell maker for the next start (tests slow it down or make it fail).
    void setCellMaker(CellMaker maker) { maker_ = std::move(maker); }

    // Starts a fill of these photos; a running fill is stopped first.
    void start(const QStringList& paths);
    // Stops the running fill: no `cellReady` or `completed` of it arrives afterwards.
    void stop();

    bool isRunning() const { return running_; }
    // True once a fill has applied its whole list, until the next start or stop.
    bool isFinished() const { return finished_; }
    int threadCount() const { return pool_.maxThreadCount(); }

signals:
    // The cell of paths[index] of the running fill, in index order.
    void cellReady(int index, const QString& path, const QImage& cell);
    void completed();

private:
    void submitMore();
    void arrived(quint64 generation, int index, const QImage& cell);

    CellMaker maker_;
    QThreadPool pool_;
    QStringList paths_;
    std::map<int, QImage> waiting_; // finished out of order, not yet applied
    quint64 generation_ = 0;
    int nextToSubmit_ = 0;
    int nextToApply_ = 0;
    int inFlight_ = 0;
    bool running_ = false;
    bool finished_ = false;
};

} // namespace ui
