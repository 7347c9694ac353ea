#include "allocationwatch.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIXVALE_HAS_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PIXVALE_HAS_ASAN 1
#endif

#ifdef PIXVALE_HAS_ASAN
// The sanitizer runtime's allocation interface (declared here: not every compiler ships its header).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                              void (*onFree)(const volatile void*));
std::size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

namespace allocationwatch {

namespace {

std::atomic<bool> watching{false};
std::atomic<std::int64_t> live{0};
std::atomic<std::int64_t> peakLive{0};
std::atomic<std::size_t> largestSeen{0};

#ifdef PIXVALE_HAS_ASAN
void onMalloc(const volatile void*, std::size_t size) {
    if (!watching.load(std::memory_order_relaxed))
        return;
    std::size_t big = largestSeen.load(std::memory_order_relaxed);
    while (size > big && !largestSeen.compare_exchange_weak(big, size)) {
    }
    const std::int64_t now =
        live.fetch_add(static_cast<std::int64_t>(size)) + static_cast<std::int64_t>(size);
    std::int64_t high = peakLive.load(std::memory_order_relaxed);
    while (now > high && !peakLive.compare_exchange_weak(high, now)) {
    }
}

void onFree(const volatile void* p) {
    if (!watching.load(std::memory_order_relaxed) || p == nullptr)
        return;
    // Blocks allocated before the watch began count too; the peak is then only lower, never higher.
    live.fetch_sub(static_cast<std::int64_t>(__sanitizer_get_allocated_size(p)));
}

bool install() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    return installed;
}
#else
bool install() {
    return false;
}
#endif

} // namespace

bool available() {
    return install();
}

Watch::Watch() {
    install();
    live = 0;
    peakLive = 0;
    largestSeen = 0;
    watching = true;
}

Watch::~Watch() {
    watching = false;
}

std::size_t Watch::largest() const {
    return largestSeen.load();
}

std::size_t Watch::peak() const {
    return static_cast<std::size_t>(std::max<std::int64_t>(0, peakLive.load()));
}

} // namespace allocationwatch
