#include "imaging/effectsbands.h"

#include <QThread>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <utility>
#include <vector>

namespace imaging::detail {

namespace {
constexpr long long kSerialPixels = 256 * 1024;
constexpr int kBandsPerThread = 4; // evens out a core that is busy elsewhere
} // namespace

void ForEachRowBand(int height, long long pixelsPerRow, const std::function<void(int, int)>& work) {
    if (height <= 0)
        return;
    const int threads = std::max(1, QThread::idealThreadCount());
    if (threads == 1 || static_cast<long long>(height) * pixelsPerRow < kSerialPixels) {
        work(0, height);
        return;
    }
    const int bandCount = std::min(height, threads * kBandsPerThread);
    std::vector<std::pair<int, int>> bands;
    bands.reserve(static_cast<std::size_t>(bandCount));
    for (int i = 0; i < bandCount; ++i) {
        const int first = static_cast<int>(static_cast<long long>(height) * i / bandCount);
        const int end = static_cast<int>(static_cast<long long>(height) * (i + 1) / bandCount);
        if (end > first)
            bands.emplace_back(first, end);
    }
    QtConcurrent::blockingMap(bands,
                              [&work](const std::pair<int, int>& band) { work(band.first, band.second); });
}

} // namespace imaging::detail
