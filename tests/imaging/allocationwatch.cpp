#include "allocationwatch.h"
#include "testsupport.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's allocation interface (declared here: not every compiler ships its header).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                                         void (*)(const volatile void*));
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* p);
#endif

namespace allocationwatch {

namespace {

std::atomic<bool> watching{false};
std::atomic<std::int64_t> live{0}, peakLive{0};
std::atomic<std::size_t> largestSeen{0};

template <typename T>
void raise(std::atomic<T>& high, T value) {
    for (T seen = high.load(); value > seen && !high.compare_exchange_weak(seen, value);) {
    }
}

bool install() {
#if defined(__SANITIZE_ADDRESS__)
    static const bool installed =
        __sanitizer_install_malloc_and_free_hooks(
            [](const volatile void*, std::size_t size) {
                if (!watching)
                    return;
                raise(largestSeen, size);
                const auto n = static_cast<std::int64_t>(size);
                raise(peakLive, live.fetch_add(n) + n);
            },
            // Blocks from before the watch count too: the peak is only lower.
            [](const volatile void* p) {
                if (watching && p != nullptr)
                    live -= static_cast<std::int64_t>(__sanitizer_get_allocated_size(p));
            }) != 0;
    return installed;
#else
    return false;
#endif
}

} // namespace

bool available() {
    return install();
}

Watch::Watch() {
    install();
    live = peakLive = 0;
    largestSeen = 0;
    watching = true;
}

Watch::~Watch() {
    watching = false;
}

std::size_t Watch::largest() const {
    return largestSeen;
}

std::size_t Watch::peak() const {
    return static_cast<std::size_t>(std::max<std::int64_t>(0, peakLive));
}

} // namespace allocationwatch
