#include "imaging/effectsbands.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace imaging::detail {

namespace {
constexpr long long kSerialPixels = 256 * 1024;
constexpr int kBandsPerThread = 4; // evens out a core that is busy elsewhere

// What the threads of one call share: the next band to take, and the first failure.
struct Bands {
    std::atomic<int> next{0};
    int count = 0;
    std::function<void(int)> run;
    std::mutex failureLock;
    std::exception_ptr failure;

    // Takes bands until none is left. A band that throws ends the taking for every thread; the
    // caller rethrows once all have stopped.
    void drain() {
        try {
            for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1))
                run(i);
        } catch (...) {
            next = count;
            const std::lock_guard lock(failureLock);
            if (!failure)
                failure = std::current_exception();
        }
    }
};

class Helper : public QRunnable {
public:
    Helper(Bands& bands, QSemaphore& done)
        : bands_(bands)
        , done_(done) {
        setAutoDelete(false);
    }
    void run() override {
        bands_.drain();
        done_.release();
    }

private:
    Bands& bands_;
    QSemaphore& done_;
};
} // namespace

void ForEachRowBand(int height, long long pixelsPerRow, const std::function<void(int, int)>& work) {
    if (height <= 0)
        return;
    const int threads = std::max(1, QThread::idealThreadCount());
    if (threads == 1 || static_cast<long long>(height) * pixelsPerRow < kSerialPixels) {
        work(0, height);
        return;
    }
    Bands bands;
    bands.count = std::min(height, threads * kBandsPerThread);
    bands.run = [&](int i) {
        const int first = static_cast<int>(static_cast<long long>(height) * i / bands.count);
        const int end = static_cast<int>(static_cast<long long>(height) * (i + 1) / bands.count);
        if (end > first)
            work(first, end);
    };
    // The calling thread works too, beside threads − 1 helpers from the pool: no more threads than
    // cores, and no thread to wake before the first band starts or after the last one ends.
    QSemaphore done;
    std::vector<std::unique_ptr<Helper>> helpers;
    QThreadPool* pool = QThreadPool::globalInstance();
    for (int h = 0; h < threads - 1; ++h) {
        helpers.push_back(std::make_unique<Helper>(bands, done));
        pool->start(helpers.back().get());
    }
    bands.drain();
    // A helper still queued (the pool busy elsewhere, perhaps with callers like this one) is taken
    // back rather than waited for.
    int started = 0;
    for (const auto& h : helpers)
        started += pool->tryTake(h.get()) ? 0 : 1;
    done.acquire(started);
    if (bands.failure)
        std::rethrow_exception(bands.failure);
}

} // namespace imaging::detail
