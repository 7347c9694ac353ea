#pragma once

// Watches the heap while a piece of code runs: the largest single allocation and the peak of the bytes
// live at once (counted from the start of the watch). Works through the sanitizer's allocation hooks, so
// it needs an AddressSanitizer build (the test tree always is one); `available()` says whether it runs.
#include <cstddef>

namespace allocationwatch {

bool available();

// Watches the heap of the whole process from construction to destruction; one at a time.
class Watch {
public:
    Watch();
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    std::size_t largest() const;
    std::size_t peak() const;
};

} // namespace allocationwatch
