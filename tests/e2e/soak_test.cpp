// soak_test.cpp: the real program (RAVELLE_PROGRAM) for a minute of continuous stirring and a
// few resizes, down to a window of one pixel; it must keep drawing and then close cleanly.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <regex>
#include <string>
#include <thread>

#include "tests/harness/harness.hpp"

namespace e2e {
namespace {

const std::string PROGRAM = RAVELLE_PROGRAM;
constexpr auto SOAK = 60s;

TEST(WindowSoak, KeepsRipplingThroughAMinuteOfStirringAndResizing) {
    armWatchdog(SOAK + 40s);
    Session session(PROGRAM);
    session.move(50, 50);

    // Sizes held in turn; the pointer sweeps the whole window and beyond it, so some events
    // land off the picture, on its edges and outside the window.
    const std::pair<int, int> sizes[] = {{800, 800}, {1600, 800}, {1, 1},
                                         {801, 801}, {3, 1000},   {640, 480}};
    const auto start = Clock::now();
    int moves = 0;
    std::size_t shown = 0;
    while (Clock::now() - start < SOAK) {
        const auto elapsed = Clock::now() - start;
        const std::size_t current = static_cast<std::size_t>(elapsed / (SOAK / std::size(sizes)));
        if (current != shown && current < std::size(sizes)) {
            shown = current;
            session.resize(sizes[shown].first, sizes[shown].second);
        }
        const double angle = moves * 0.05;
        const auto [w, h] = sizes[shown];
        session.movePointer(static_cast<int>((w * 0.5) + (w * 0.6 * std::cos(angle))),
                            static_cast<int>((h * 0.5) + (h * 0.6 * std::sin(angle * 1.3))));
        ++moves;
        if (moves % 100 == 0) {
            ASSERT_FALSE(session.process().waitForExit(0s).has_value())
                << "the program ended after " << moves << " pointer moves";
        }
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(Session::takeXError(), 0);

    // Back to the start size: still drawing the rippling picture, still reporting.
    session.resize(800, 800);
    const Frame before = session.freshCapture();
    const Frame after = session.freshCapture();
    EXPECT_NE(before.pixels, after.pixels) << "the picture stopped changing";
    const Rgb centre = after.at(400, 400);
    EXPECT_TRUE(centre.b > centre.r) << "no pool floor at the window's centre";
    const std::regex statsTitle(
        R"(^Ravelle - Procedural Generaion: -?[0-9]+\.[0-9] MTicks - [1-9][0-9]* FPS$)");
    EXPECT_TRUE(std::regex_match(session.wmName(), statsTitle)) << session.wmName();

    session.requestClose();
    const auto status = session.process().waitForExit(10s);
    if (!status) FAIL() << "still running 10 s after the window was closed";
    ASSERT_TRUE(WIFEXITED(*status)) << "wait status " << *status;
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    ::alarm(0);
    std::printf("soak: %d pointer moves, %zu window sizes\n", moves, std::size(sizes));
}

}  // namespace
}  // namespace e2e
