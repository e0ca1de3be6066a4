// wave_test.cpp: the wave rule, drops and the surface's module operations.

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "sim/wave_kernel.hpp"
#include "sim/waves.hpp"
#include "tests/support/on_every_target.hpp"
#include "tests/support/reference_kernels.hpp"
#include "tests/support/test_fields.hpp"

namespace {

using testing_fields::cells;
using Field = std::vector<std::int16_t>;

std::int16_t& cell(Field& field, int width, int x, int y) {
    return field[reference::at(x, y, width)];
}

// The rule's cases on every vector target; the fields are wide enough for the widest
// vectors to take their interiors.
class WaveStep : public testing_fields::OnEveryTarget {};

TEST_P(WaveStep, ZeroFieldStaysZero) {
    Field latest(cells(41, 7), 0), previous(cells(41, 7), 0);
    for (int step = 0; step < 50; ++step) {
        sim::waveStep(latest.data(), previous.data(), 41, 7);
        latest.swap(previous);
    }
    EXPECT_EQ(latest, Field(cells(41, 7), 0));
    EXPECT_EQ(previous, Field(cells(41, 7), 0));
}

TEST_P(WaveStep, DropOf200SpreadsToNeighboursThenPullsBelowZero) {
    const int w = 40, h = 6;
    Field latest(cells(w, h), 0), previous(cells(w, h), 0);
    cell(latest, w, 3, 2) = 200;
    sim::waveStep(latest.data(), previous.data(), w, h);
    EXPECT_EQ(cell(previous, w, 2, 2), 97);
    EXPECT_EQ(cell(previous, w, 4, 2), 97);
    EXPECT_EQ(cell(previous, w, 3, 1), 97);
    EXPECT_EQ(cell(previous, w, 3, 3), 97);
    EXPECT_EQ(cell(previous, w, 3, 2), 0);
    EXPECT_EQ(cell(previous, w, 2, 1), 0);  // diagonals are not neighbours

    latest.swap(previous);  // the new surface becomes the latest
    sim::waveStep(latest.data(), previous.data(), w, h);
    EXPECT_EQ(cell(previous, w, 3, 2), -5);  // 4 x 97 / 2 - 200 = -6, damped to -5
}

TEST(WaveRule, DampingLosesAThirtySecondRoundedDown) {
    // With a zero previous height the rule damps half the neighbour sum.
    for (int v = 1; v <= 31; ++v) EXPECT_EQ(sim::nextHeight(2 * v, 0), v) << v;
    EXPECT_EQ(sim::nextHeight(64, 0), 31);
    EXPECT_EQ(sim::nextHeight(-2, 0), 0);
    EXPECT_EQ(sim::nextHeight(-64, 0), -31);
    EXPECT_EQ(sim::nextHeight(0, 5), -4);  // -5 gains ceil(5 / 32)
    // The sum of four extreme neighbours needs 17 bits; the result wraps at 16 bits:
    // 65534 + 32768 = 98302 wraps to 32766, damped by 1023.
    EXPECT_EQ(sim::nextHeight(4 * 32767, -32768), 31743);
    EXPECT_EQ(sim::nextHeight(4 * -32768, 32767), -31743);  // -98303 wraps to -32767
}

TEST_P(WaveStep, EdgesWrapAroundTheTorus) {
    const int w = 40, h = 7;
    Field latest(cells(w, h), 0), previous(cells(w, h), 0);
    cell(latest, w, 0, 3) = 200;
    cell(latest, w, 5, 0) = 200;
    sim::waveStep(latest.data(), previous.data(), w, h);
    EXPECT_EQ(cell(previous, w, w - 1, 3), 97);  // left of column 0
    EXPECT_EQ(cell(previous, w, 5, h - 1), 97);  // below row 0
    EXPECT_EQ(cell(previous, w, 1, 3), 97);
    EXPECT_EQ(cell(previous, w, 5, 1), 97);
}

TEST_P(WaveStep, MatchesTheRuleOnEveryShape) {
    testing_fields::Random random{7};
    const std::pair<int, int> sizes[] = {{1, 1},   {1, 7},   {7, 1},    {2, 2},   {3, 5},
                                         {17, 33}, {33, 17}, {100, 37}, {513, 9}, {64, 64}};
    for (const auto& [w, h] : sizes) {
        Field latest = testing_fields::fullRangeField(w, h, random);
        Field previous = testing_fields::fullRangeField(w, h, random);
        Field expected = previous;
        sim::waveStep(latest.data(), previous.data(), w, h);
        reference::waveStep(latest.data(), expected.data(), w, h);
        EXPECT_EQ(previous, expected) << w << " x " << h;
    }
}

RAVELLE_ON_EVERY_TARGET(WaveStep);

TEST(Drops, AddWrapsAt16BitsWithoutSaturating) {
    Field field(cells(4, 4), 0);
    for (int i = 0; i < 94; ++i) sim::addToCell(field.data(), 4, 1, 2, 349);
    EXPECT_EQ(cell(field, 4, 1, 2), static_cast<std::int16_t>(94 * 349 - 65536));
    EXPECT_LT(cell(field, 4, 1, 2), 0);
}

TEST(Drops, AmplitudeLiesIn100To349) {
    EXPECT_EQ(sim::dropAmplitude(0), 100);
    EXPECT_EQ(sim::dropAmplitude(249), 349);
    EXPECT_EQ(sim::dropAmplitude(250), 100);
}

class WaveModule : public ::testing::Test {
  protected:
    static constexpr int W = 16, H = 12;
    void TearDown() override { sim::releaseWaves(); }
    static Field latest() { return {sim::latestField(), sim::latestField() + cells(W, H)}; }
    static Field stepped() { return {sim::stepOutput(), sim::stepOutput() + cells(W, H)}; }
};

TEST_F(WaveModule, StartsWithFiveSeedDropsInTheLatestField) {
    sim::initWaves(W, H, 1234);
    EXPECT_EQ(sim::phase(), 0);
    EXPECT_EQ(stepped(), Field(cells(W, H), 0));  // the previous field is flat

    std::srand(1234);
    Field expected(cells(W, H), 0);
    for (int i = 0; i < sim::SEED_DROPS; ++i) {
        const int amplitude = sim::dropAmplitude(std::rand());
        const int column = std::rand() % W;
        const int row = std::rand() % H;
        sim::addToCell(expected.data(), W, column, row, amplitude);
    }
    EXPECT_EQ(latest(), expected);

    const Field first = latest();
    sim::initWaves(W, H, 1234);
    EXPECT_EQ(latest(), first);  // equal seeds, equal seed drops
}

TEST_F(WaveModule, RandomDropDrawsAmplitudeColumnRowAndNothingMore) {
    sim::initWaves(W, H, 99);
    const Field before = latest();
    std::srand(555);
    const int amplitude = sim::dropAmplitude(std::rand());
    const int column = std::rand() % W;
    const int row = std::rand() % H;
    const int fourth = std::rand();

    std::srand(555);
    sim::addRandomDrop();
    Field expected = before;
    sim::addToCell(expected.data(), W, column, row, amplitude);
    EXPECT_EQ(latest(), expected);
    EXPECT_EQ(std::rand(), fourth);
}

TEST_F(WaveModule, PointerDropGoesIntoTheLatestFieldAtTheGivenCell) {
    sim::initWaves(W, H, 3);
    const Field before = latest();
    std::srand(8);
    const int amplitude = sim::dropAmplitude(std::rand());
    std::srand(8);
    sim::addDrop(W - 1, H - 1);
    Field expected = before;
    sim::addToCell(expected.data(), W, W - 1, H - 1, amplitude);
    EXPECT_EQ(latest(), expected);
}

TEST_F(WaveModule, StepWritesThePreviousFieldAndTheFlipMakesItTheLatest) {
    sim::initWaves(W, H, 77);
    Field now = latest();
    Field earlier(cells(W, H), 0);
    for (int step = 0; step < 20; ++step) {
        sim::stepWaves();
        reference::waveStep(now.data(), earlier.data(), W, H);
        EXPECT_EQ(stepped(), earlier);  // the step's output, before the flip
        EXPECT_EQ(latest(), now);       // the latest field is only read
        sim::flipPhase();
        now.swap(earlier);
        EXPECT_EQ(latest(), now);
        EXPECT_EQ(sim::phase(), (step + 1) % 2);
    }
}

TEST_F(WaveModule, ZeroDimensionsAllocateNothingAndLeaveTheGeneratorAlone) {
    std::srand(42);
    const int expected = std::rand();
    std::srand(42);
    sim::initWaves(0, H, 1);
    sim::initWaves(W, 0, 1);
    EXPECT_EQ(std::rand(), expected);
    EXPECT_EQ(sim::stepOutput(), nullptr);
}

}  // namespace
