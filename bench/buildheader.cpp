// Linked into every benchmark program: before anything else, says how the program was built, since
// the figures of an -O2 and an -O3 build are not comparable.
#include <hwy/targets.h>

#include <cstdio>

namespace {

const char* orNone(const char* text) {
    return text[0] != '\0' ? text : "(none)";
}

const bool printed = [] {
    const auto best = hwy::SupportedTargets() & HWY_TARGETS;
    std::printf("build type: %s, C++ flags: %s, vector code: %s\n", orNone(PIXVALE_BUILD_TYPE),
                orNone(PIXVALE_BUILD_FLAGS), hwy::TargetName(best & -best));
    std::fflush(stdout);
    return true;
}();

} // namespace
