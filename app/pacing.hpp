// pacing.hpp: how often things happen: a simulation step, an accepted pointer event, and the
// rain each step brings; and the wrap-safe test of whether enough time has passed.
#pragma once

#include <cstdint>

namespace app {

inline constexpr std::int32_t STEP_INTERVAL_MS = 40;
inline constexpr std::int32_t POINTER_INTERVAL_MS = 30;
inline constexpr int RAIN_DROPS_PER_STEP = 4;

// True when more than `intervalMs` milliseconds lie between `stamp` and `now`. The clock is
// a signed 32-bit millisecond count; the difference is taken with wrap-around, so pacing
// keeps working when the count passes 2^31.
inline bool hasMoreThanPassed(std::int32_t now, std::int32_t stamp, std::int32_t intervalMs) {
    const auto elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                                   static_cast<std::uint32_t>(stamp));
    return elapsed > intervalMs;
}

}  // namespace app
