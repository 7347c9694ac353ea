#pragma once

// Runs a check once for every instruction set the imaging library was compiled for and this processor
// can run (AVX-512, AVX2, SSE4, SSSE3, the portable fallback ...), so that a fault in a copy the
// processor at hand would not pick is still found.
#include <hwy/targets.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace fixtures {

template <typename Check>
void ForEachVectorTarget(const Check& check) {
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        check(target);
    }
    hwy::SetSupportedTargetsForTest(0);
}

} // namespace fixtures
