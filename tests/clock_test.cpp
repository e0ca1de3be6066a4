// clock_test.cpp: the platform's two clocks. The seed clock counts milliseconds; the tick
// counter moves while time passes. Both are read as the program reads them, on every platform
// the tests run on.

#include "common/clock.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

TEST(Clock, SeedClockCountsMilliseconds) {
    // Bracketed by the standard clock, so that a busy machine's late wake-up cannot fail it:
    // the seed clock counts at least the sleep and at most what the bracket saw, give or take
    // its own tick (16 ms on Windows).
    const auto outerStart = Clock::now();
    const std::uint32_t before = common::millisecondTicks();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::uint32_t elapsed = common::millisecondTicks() - before;
    const auto outer =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - outerStart);
    EXPECT_GE(elapsed, 200u - 16u);
    EXPECT_LE(elapsed, static_cast<std::uint32_t>(outer.count()) + 16u);
}

TEST(Clock, TickCounterMovesWhileTimePasses) {
    // A millisecond is at least a million ticks of a nanosecond clock and of any time-stamp
    // counter in use, and far fewer than the 2^32 after which the low half repeats.
    const std::uint32_t before = common::readTickCounter();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const std::uint32_t elapsed = common::readTickCounter() - before;
    EXPECT_GE(elapsed, 1000000u);
}

}  // namespace
