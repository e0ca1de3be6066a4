// refraction_test.cpp: the picture seen through the surface.

#include <gtest/gtest.h>

#include <vector>

#include "imaging/refraction_kernel.hpp"
#include "tests/support/on_every_target.hpp"
#include "tests/support/reference_kernels.hpp"
#include "tests/support/test_fields.hpp"

namespace {

using testing_fields::cells;

// A small picture whose every pixel tells where it came from: red is the column, green
// the row (both offset from the clamping limits), blue a mix, fourth byte a sentinel. It
// is wide enough for the widest vectors to take the interior of its rows; every test runs
// on every vector target.
class Refraction : public testing_fields::OnEveryTarget {
  protected:
    static constexpr int W = 40, H = 8;
    std::vector<std::int16_t> field = std::vector<std::int16_t>(cells(W, H), 0);
    std::vector<std::uint8_t> source = std::vector<std::uint8_t>(cells(W, H) * 4);
    std::vector<std::uint8_t> output = std::vector<std::uint8_t>(cells(W, H) * 4, 0xAB);

    void SetUp() override {
        OnEveryTarget::SetUp();
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                std::uint8_t* p = &source[reference::at(x, y, W) * 4];
                p[0] = static_cast<std::uint8_t>(100 + x);
                p[1] = static_cast<std::uint8_t>(60 + y);
                p[2] = static_cast<std::uint8_t>(150 + x + y);
                p[3] = 7;
            }
        }
    }
    void run() { imaging::refract(field.data(), source.data(), output.data(), W, H); }
    const std::uint8_t* out(int x, int y) const { return &output[reference::at(x, y, W) * 4]; }
    const std::uint8_t* src(int x, int y) const { return &source[reference::at(x, y, W) * 4]; }
    std::int16_t& height(int x, int y) { return field[reference::at(x, y, W)]; }
};

TEST_P(Refraction, FlatSurfaceShowsThePictureAndLeavesTheFourthByte) {
    run();
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            for (int c = 0; c < 3; ++c) ASSERT_EQ(out(x, y)[c], src(x, y)[c]) << x << "," << y;
            ASSERT_EQ(out(x, y)[3], 0xAB);  // never written
        }
    }
}

TEST_P(Refraction, PastTheLeftEdgeMirrorsAndPastTheRightEdgeWraps) {
    height(3, 4) = 5;      // dx at column 2 = F[1] - F[3] = -5: sx = -3 reads column 3
    height(W - 3, 2) = 7;  // dx at column W-2 = F[W-3] - F[W-1] = 7: sx = W+5 reads 5
    run();
    EXPECT_EQ(out(2, 4)[0], src(3, 4)[0] - 5);
    EXPECT_EQ(out(W - 2, 2)[0], src(5, 2)[0] + 7);
}

TEST_P(Refraction, LongDisplacementsWrapAnyNumberOfTimes) {
    height(W - 1, 5) = (2 * W) + 3;  // dx at column 0 = 2W + 3: reads column 3
    height(0, 0) = -(3 * H + 2);     // dy at row 1 = F[0] - F[2] = -(3H + 2): sy = -3H - 1
    run();
    EXPECT_EQ(out(0, 5)[0], src(3, 5)[0] + (2 * W) + 3);
    // Row 1 - (3H + 2) = -(3H + 1) mirrors to H + 3H + 1, which wraps to row 1.
    EXPECT_EQ(out(0, 1)[1], src(0, 1)[1]);
    EXPECT_EQ(imaging::sourceCoordinate((2 * W) + 3, W), 3);
    EXPECT_EQ(imaging::sourceCoordinate(-3, W), 3);
    EXPECT_EQ(imaging::sourceCoordinate(-W, W), 0);
}

TEST_P(Refraction, ShadeClampsAtExactlyZeroAnd255) {
    height(4, 3) = 1000;   // column 5 gets dx = 1000 (displaced, then shaded to 255)
    height(9, 3) = -1000;  // column 8 gets dx = 1000 too; column 10 gets dx = -1000
    run();
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(out(5, 3)[c], 255);
        EXPECT_EQ(out(10, 3)[c], 0);
    }
    EXPECT_EQ(imaging::shade(250, 5), 255);
    EXPECT_EQ(imaging::shade(250, 6), 255);
    EXPECT_EQ(imaging::shade(5, -5), 0);
    EXPECT_EQ(imaging::shade(5, -6), 0);
    EXPECT_EQ(imaging::shade(5, -4), 1);
}

TEST_P(Refraction, HorizontalSlopeShadesAllChannelsAlikeVerticalSlopeOnlyDisplaces) {
    height(6, 2) = 3;   // column 7, row 2: dx = 3, reads column 10
    height(12, 2) = 4;  // column 12: rows 1 and 3 get dy = 4 and -4, dx = 0
    run();
    for (int c = 0; c < 3; ++c) EXPECT_EQ(out(7, 2)[c], src(10, 2)[c] + 3) << c;
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(out(12, 3)[c], src(12, 7)[c]) << c;  // 3 + 4 = 7
        EXPECT_EQ(out(12, 1)[c], src(12, 3)[c]) << c;  // 1 - 4 = -3, mirrored to 3
    }
}

TEST_P(Refraction, MatchesTheRuleOnEveryShape) {
    testing_fields::Random random{11};
    const std::pair<int, int> sizes[] = {{1, 1},   {1, 7},   {7, 1},    {2, 2},   {3, 5},
                                         {17, 33}, {33, 17}, {100, 37}, {513, 9}, {64, 64}};
    for (const auto& [w, h] : sizes) {
        const auto surface = testing_fields::fullRangeField(w, h, random);
        const auto picture = testing_fields::randomPicture(w, h, random);
        auto produced = testing_fields::randomPicture(w, h, random);
        auto expected = produced;
        imaging::refract(surface.data(), picture.data(), produced.data(), w, h);
        reference::refract(surface.data(), picture.data(), expected.data(), w, h);
        EXPECT_EQ(produced, expected) << w << " x " << h;
    }
}

RAVELLE_ON_EVERY_TARGET(Refraction);

}  // namespace
