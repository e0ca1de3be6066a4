// title_test.cpp: the step's tick measurement and the statistics title.

#include "app/title.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using app::FrameStats;

std::string titleAfter(FrameStats& stats, std::int32_t now) {
    char title[app::TITLE_CAPACITY] = {};
    EXPECT_TRUE(app::tallyFrame(stats, now, title));
    return title;
}

std::int32_t measure(std::uint32_t start, std::uint32_t end) {
    FrameStats stats;
    app::beginMeasure(stats, start);
    app::endMeasure(stats, end);
    return stats.stepTicks;
}

TEST(StepMeasure, IsTheWrappingDifferenceLessTheOverhead) {
    EXPECT_EQ(measure(1000, 1000 + 12300000 + 34), 12300000);
    EXPECT_EQ(measure(0xFFFFFF00u, 0x00000100u), 0x200 - 34);  // low half wrapped
    EXPECT_EQ(measure(500, 520), -14);                         // fewer ticks than the overhead
}

TEST(Title, ShowsMillionsOfTicksToOneDecimalAndTheFrames) {
    FrameStats stats;
    EXPECT_EQ(titleAfter(stats, 1001), "Ravelle - Procedural Generaion: 0.0 MTicks - 1 FPS");

    app::beginMeasure(stats, 7);
    app::endMeasure(stats, 7 + 12300000 + 34);
    for (int i = 0; i < 59; ++i) {
        char untouched[app::TITLE_CAPACITY] = "x";
        EXPECT_FALSE(app::tallyFrame(stats, 1500, untouched));
        EXPECT_STREQ(untouched, "x");
    }
    EXPECT_EQ(titleAfter(stats, 2002), "Ravelle - Procedural Generaion: 12.3 MTicks - 60 FPS");

    app::beginMeasure(stats, 100);
    app::endMeasure(stats, 110);
    EXPECT_EQ(titleAfter(stats, 3003), "Ravelle - Procedural Generaion: -0.0 MTicks - 1 FPS");
}

TEST(Title, IsRewrittenOnlyWhenMoreThanASecondHasPassed) {
    FrameStats stats;
    char title[app::TITLE_CAPACITY];
    EXPECT_FALSE(app::tallyFrame(stats, 1000, title));  // exactly 1000 ms: not yet
    EXPECT_EQ(stats.frameCount, 1);
    EXPECT_TRUE(app::tallyFrame(stats, 1001, title));
    EXPECT_EQ(stats.frameCount, 0);
    EXPECT_EQ(stats.lastTitleTime, 1001);
    EXPECT_FALSE(app::tallyFrame(stats, 2001, title));
    EXPECT_TRUE(app::tallyFrame(stats, 2002, title));
    EXPECT_STREQ(title, "Ravelle - Procedural Generaion: 0.0 MTicks - 2 FPS");
}

TEST(Title, FitsItsBufferWhateverTheFigures) {
    FrameStats stats;
    stats.stepTicks = INT32_MIN;
    stats.frameCount = INT32_MAX - 1;
    const std::string title = titleAfter(stats, 5000);
    EXPECT_EQ(title, "Ravelle - Procedural Generaion: -2147.5 MTicks - 2147483647 FPS");
    EXPECT_LT(title.size(), app::TITLE_CAPACITY);
}

}  // namespace
