// app_test.cpp: the picture rectangle, the pacing of steps and pointer events, and the
// cell under the pointer.

#include <gtest/gtest.h>

#include <climits>

#include "app/layout.hpp"
#include "app/pacing.hpp"
#include "app/pointer_mapping.hpp"

namespace {

using app::hasMoreThanPassed;
using app::layoutPictureQuad;
using app::pointerCell;

void expectQuad(const app::PictureQuad& q, int x0, int y0, int w, int h) {
    EXPECT_EQ(q.x0, x0);
    EXPECT_EQ(q.y0, y0);
    EXPECT_EQ(q.width, w);
    EXPECT_EQ(q.height, h);
}

TEST(PictureQuad, IsThreeQuartersOfTheWindowCentredAndStretched) {
    expectQuad(layoutPictureQuad(800, 800, 512, 512), 100, 100, 600, 600);
    expectQuad(layoutPictureQuad(1600, 800, 512, 512), 200, 100, 1200, 600);
    expectQuad(layoutPictureQuad(801, 801, 512, 512), 100, 100, 600, 600);  // truncated
    expectQuad(layoutPictureQuad(0, 0, 512, 512), 0, 0, 0, 0);
}

TEST(PictureQuad, KeepsTheAspectOfNonSquarePictures) {
    expectQuad(layoutPictureQuad(800, 800, 1024, 512), 100, 250, 600, 300);  // wider: lower
    expectQuad(layoutPictureQuad(800, 800, 512, 1024), 250, 100, 300, 600);  // taller: narrower
}

TEST(Pacing, FiresOnlyWhenStrictlyMoreThanTheIntervalHasPassed) {
    EXPECT_FALSE(hasMoreThanPassed(40, 0, 40));
    EXPECT_TRUE(hasMoreThanPassed(41, 0, 40));
    EXPECT_FALSE(hasMoreThanPassed(1040, 1000, 40));
    EXPECT_TRUE(hasMoreThanPassed(1041, 1000, 40));
    // Across the wrap of the 32-bit millisecond count.
    EXPECT_FALSE(hasMoreThanPassed(INT_MIN + 19, INT_MAX - 20, 40));
    EXPECT_TRUE(hasMoreThanPassed(INT_MIN + 20, INT_MAX - 20, 40));
    EXPECT_TRUE(hasMoreThanPassed(20, -21, 40));
    EXPECT_FALSE(hasMoreThanPassed(20, -20, 40));
}

TEST(PointerCell, MapsTheWindowOntoTheField) {
    auto at = [](int x, int y) { return pointerCell(x, y, 800, 800, 512, 512); };
    // The cell, or one outside the field when there is none (so that the checks fail).
    auto cell = [&](int x, int y) { return at(x, y).value_or(app::Cell{.column = -1, .row = -1}); };
    ASSERT_TRUE(at(400, 400));
    EXPECT_EQ(cell(400, 400).column, 256);
    EXPECT_EQ(cell(400, 400).row, 256);
    ASSERT_TRUE(at(100, 699));
    EXPECT_EQ(cell(100, 699).column, 0);
    EXPECT_EQ(cell(100, 699).row, 0);
    ASSERT_TRUE(at(699, 400));
    EXPECT_EQ(cell(699, 400).column, 511);
    EXPECT_FALSE(at(700, 400));
    EXPECT_FALSE(at(99, 400));
    EXPECT_FALSE(at(400, 700));
    EXPECT_FALSE(at(400, 99));
    // The picture's top line drops on the top row rather than one past it.
    ASSERT_TRUE(at(400, 100));
    EXPECT_EQ(cell(400, 100).row, 511);
    EXPECT_EQ(cell(400, 101).row, 511);  // (1 - 1/600) * 512 = 511.15
}

TEST(PointerCell, WindowsWithoutAreaDropNothing) {
    for (int x = -2; x <= 2; ++x) {
        for (int y = -2; y <= 2; ++y) {
            EXPECT_FALSE(pointerCell(x, y, 0, 0, 512, 512));
            EXPECT_FALSE(pointerCell(x, y, 0, 800, 512, 512));
            EXPECT_FALSE(pointerCell(x, y, 800, 0, 512, 512));
        }
    }
}

// Every pointer position in and around windows of awkward sizes maps inside the field.
class PointerSweep : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(PointerSweep, NeverAddressesACellOutsideTheField) {
    const auto [w, h] = GetParam();
    const int margin = 64;
    long hits = 0;
    for (int y = -margin; y < h + margin; ++y) {
        for (int x = -margin; x < w + margin; ++x) {
            if (const auto cell = pointerCell(x, y, w, h, 512, 512)) {
                ++hits;
                ASSERT_GE(cell->column, 0) << x << "," << y;
                ASSERT_LT(cell->column, 512) << x << "," << y;
                ASSERT_GE(cell->row, 0) << x << "," << y;
                ASSERT_LT(cell->row, 512) << x << "," << y;
            }
        }
    }
    // The rectangle is three quarters of the window each way (none when it has no area).
    const long expected = static_cast<long>(w * 3 / 4) * (h * 3 / 4);
    EXPECT_NEAR(static_cast<double>(hits), static_cast<double>(expected), w + h + 2.0);
    // Far outside, at the limits GLUT can report.
    for (const int far : {INT_MIN, INT_MIN + 1, -1000000, 1000000, INT_MAX}) {
        EXPECT_FALSE(pointerCell(far, h / 2, w, h, 512, 512));
        EXPECT_FALSE(pointerCell(w / 2, far, w, h, 512, 512));
    }
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, PointerSweep,
                         ::testing::Values(std::pair{800, 800}, std::pair{1600, 800},
                                           std::pair{801, 801}, std::pair{1, 1}, std::pair{0, 0},
                                           std::pair{0, 800}, std::pair{3, 1000}),
                         [](const auto& param) {
                             return std::to_string(param.param.first) + "x" +
                                    std::to_string(param.param.second);
                         });

}  // namespace
