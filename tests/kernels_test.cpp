// kernels_test.cpp: the wave step and the refraction on every instruction-set path and team
// size, compared bit for bit with the reference kernels on fields of every kind.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/vector_targets.hpp"
#include "imaging/refraction_kernel.hpp"
#include "sim/wave_kernel.hpp"
#include "tests/support/guarded_memory.hpp"
#include "tests/support/on_every_target.hpp"
#include "tests/support/reference_kernels.hpp"
#include "tests/support/test_fields.hpp"

namespace {

using testing_fields::cells;
using testing_fields::Guarded;
using testing_fields::GuardSide;
using testing_fields::setTeamSize;
using Field = std::vector<std::int16_t>;
using Picture = std::vector<std::uint8_t>;

// The program's kernels run on copies of their fields and pictures that end at (After) or
// begin after (Before) an inaccessible page: a read or write one element outside crashes the
// test on every target, where the sanitizers cannot see vector loads and gathers.
const GuardSide BOTH_SIDES[] = {GuardSide::After, GuardSide::Before};

std::string sideName(GuardSide side) {
    return side == GuardSide::After ? " (guard page after)" : " (guard page before)";
}

// Heights spread evenly over -amplitude .. amplitude: small amplitudes give the slopes of a
// calm surface (sources on the neighbouring rows and columns), large ones sources anywhere.
Field fieldWithin(int width, int height, int amplitude, testing_fields::Random& random) {
    Field field(cells(width, height));
    for (auto& h : field)
        h = static_cast<std::int16_t>(random.below((2 * amplitude) + 1) - amplitude);
    return field;
}

// Widths around the vector widths of every target (4, 8 and 16 pixels; 8, 16 and 32
// heights; up to 64 pixels on the widest SVE), with interiors one short of, equal to and one
// past a whole number of vectors, plus odd shapes and the picture's sizes.
const std::pair<int, int> SHAPES[] = {
    {1, 1},   {1, 7},   {7, 1},   {2, 2},    {3, 5},   {9, 4},   {10, 3},    {11, 6},
    {15, 8},  {16, 5},  {17, 9},  {18, 3},   {19, 4},  {31, 6},  {32, 7},    {33, 5},
    {34, 4},  {35, 3},  {63, 4},  {64, 5},   {65, 6},  {17, 33}, {33, 17},   {100, 37},
    {513, 9}, {514, 4}, {520, 6}, {1030, 3}, {40, 40}, {2, 50},  {512, 512}, {640, 480},
    {66, 3},  {67, 2},  {129, 3}, {130, 2},  {131, 3}};

const int AMPLITUDES[] = {1, 6, 12, 40, 300, 32767};

class Kernels : public testing_fields::OnEveryTarget {
  protected:
    static void expectSameStep(const Field& latest, const Field& previous, int w, int h,
                               const std::string& what) {
        Field expected = previous;
        reference::waveStep(latest.data(), expected.data(), w, h);
        for (const GuardSide side : BOTH_SIDES) {
            const Guarded<std::int16_t> guardedLatest(latest, side);
            Guarded<std::int16_t> produced(previous, side);
            sim::waveStep(guardedLatest.data(), produced.data(), w, h);
            ASSERT_EQ(produced.contents(), expected) << what << sideName(side);
        }
    }

    // The output starts as random bytes, so a fourth byte written anywhere shows.
    static void expectSameRefraction(const Field& field, const Picture& source, int w, int h,
                                     testing_fields::Random& random, const std::string& what) {
        const Picture before = testing_fields::randomPicture(w, h, random);
        Picture expected = before;
        reference::refract(field.data(), source.data(), expected.data(), w, h);
        for (const GuardSide side : BOTH_SIDES) {
            const Guarded<std::int16_t> guardedField(field, side);
            const Guarded<std::uint8_t> guardedSource(source, side);
            Guarded<std::uint8_t> produced(before, side);
            imaging::refract(guardedField.data(), guardedSource.data(), produced.data(), w, h);
            ASSERT_EQ(produced.contents(), expected) << what << sideName(side);
        }
    }
};

TEST_P(Kernels, WaveStepMatchesTheReferenceOnEveryShapeAndSlope) {
    testing_fields::Random random{101};
    for (const auto& [w, h] : SHAPES) {
        for (const int amplitude : AMPLITUDES) {
            const Field latest = fieldWithin(w, h, amplitude, random);
            const Field previous = fieldWithin(w, h, amplitude, random);
            expectSameStep(latest, previous, w, h,
                           std::to_string(w) + " x " + std::to_string(h) + " within " +
                               std::to_string(amplitude));
        }
    }
}

TEST_P(Kernels, EveryWidthUpToSeveralVectorsStaysInsideItsBuffers) {
    // Every width from edges only, through interiors one short of, exactly and one past
    // each target's vector (up to 32 heights and 16 pixels), to several vectors with every
    // remainder; rows 1 to 5 put the first and last row next to the guard pages.
    testing_fields::Random random{707};
    for (int w = 1; w <= 100; ++w) {
        for (const int h : {1, 2, 3, 5}) {
            const Picture source = testing_fields::randomPicture(w, h, random);
            for (const int amplitude : {6, 32767}) {
                const std::string what = std::to_string(w) + " x " + std::to_string(h) +
                                         " within " + std::to_string(amplitude);
                expectSameStep(fieldWithin(w, h, amplitude, random),
                               fieldWithin(w, h, amplitude, random), w, h, what);
                expectSameRefraction(fieldWithin(w, h, amplitude, random), source, w, h, random,
                                     what);
            }
        }
    }
}

TEST_P(Kernels, WaveStepWrapsTheExtremeSums) {
    // Four neighbours at one extreme and the cell at the other: every carry and wrap of
    // the 16-bit halving at once, in every lane and at the edge columns.
    for (const auto& [w, h] : {std::pair{37, 5}, std::pair{70, 3}}) {
        for (const std::int16_t high : {std::int16_t{32767}, std::int16_t{-32768}}) {
            for (const std::int16_t cell :
                 {std::int16_t{-32768}, std::int16_t{32767}, std::int16_t{-1}, std::int16_t{0}}) {
                expectSameStep(Field(cells(w, h), high), Field(cells(w, h), cell), w, h,
                               std::to_string(high) + " around " + std::to_string(cell));
            }
        }
    }
}

TEST_P(Kernels, RefractionMatchesTheReferenceOnEveryShapeAndSlope) {
    testing_fields::Random random{202};
    for (const auto& [w, h] : SHAPES) {
        const Picture source = testing_fields::randomPicture(w, h, random);
        for (const int amplitude : AMPLITUDES) {
            expectSameRefraction(fieldWithin(w, h, amplitude, random), source, w, h, random,
                                 std::to_string(w) + " x " + std::to_string(h) + " within " +
                                     std::to_string(amplitude));
        }
    }
}

TEST_P(Kernels, RefractionReadsExactlyWhereTheMirrorAndTheWrapMeet) {
    // Every fourth pixel of a row (or column) gets the slope that takes it exactly to
    // `target`: -size - 1, -size, -1, 0, size - 1, size, 2 * size or 2 * size + 1; the
    // pixels between get other slopes of the same size.
    const int w = 40, h = 36;
    testing_fields::Random random{303};
    const Picture source = testing_fields::randomPicture(w, h, random);
    const auto targets = [](int size) {
        return std::vector<int>{-size - 1, -size, -1, 0, size - 1, size, 2 * size, (2 * size) + 1};
    };
    for (const int target : targets(w)) {
        Field field(cells(w, h), 0);
        for (int y = 0; y < h; ++y) {
            for (int x = 3; x < w; x += 4) {  // dx at x + 1 is F[x] - F[x + 2] = F[x]
                field[reference::at(x, y, w)] = static_cast<std::int16_t>(target - (x + 1));
            }
        }
        expectSameRefraction(field, source, w, h, random, "column " + std::to_string(target));
    }
    for (const int target : targets(h)) {
        Field field(cells(w, h), 0);
        for (int y = 3; y < h; y += 4) {
            for (int x = 0; x < w; ++x) {
                field[reference::at(x, y, w)] = static_cast<std::int16_t>(target - (y + 1));
            }
        }
        expectSameRefraction(field, source, w, h, random, "row " + std::to_string(target));
    }
}

// Production and reference stepped side by side on a rainy surface, with a drop of +-32767
// now and then, and every step's surface and refracted picture compared. The production
// fields and pictures are guarded on `side`.
void expectSameRainyRun(int w, int h, int steps, std::uint64_t seed, GuardSide side) {
    testing_fields::Random random{seed};
    Field expectedLatest(cells(w, h), 0), expectedPrevious(cells(w, h), 0);
    Guarded<std::int16_t> fieldA(expectedLatest, side), fieldB(expectedPrevious, side);
    std::int16_t* latest = fieldA.data();
    std::int16_t* previous = fieldB.data();
    const Guarded<std::uint8_t> source(testing_fields::randomPicture(w, h, random), side);
    Picture expectedOutput(cells(w, h) * 4, 0x5A);
    Guarded<std::uint8_t> output(expectedOutput, side);
    auto drop = [&](int amplitude) {
        const auto i = reference::at(random.below(w), random.below(h), w);
        latest[i] = static_cast<std::int16_t>(latest[i] + amplitude);
        expectedLatest[i] = latest[i];
    };
    for (int i = 0; i < 5; ++i) drop(100 + random.below(250));
    for (int step = 0; step < steps; ++step) {
        sim::waveStep(latest, previous, w, h);
        reference::waveStep(expectedLatest.data(), expectedPrevious.data(), w, h);
        ASSERT_TRUE(std::equal(expectedPrevious.begin(), expectedPrevious.end(), previous))
            << "surface after step " << step << sideName(side);
        imaging::refract(previous, source.data(), output.data(), w, h);
        reference::refract(expectedPrevious.data(), source.data(), expectedOutput.data(), w, h);
        ASSERT_EQ(output.contents(), expectedOutput)
            << "picture after step " << step << sideName(side);
        std::swap(latest, previous);
        expectedLatest.swap(expectedPrevious);
        for (int i = 0; i < 4; ++i) drop(100 + random.below(250));
        if (random.below(50) == 0) drop(random.below(2) ? 32767 : -32767);
    }
}

TEST_P(Kernels, RainyRunsMatchTheReferenceStepByStep) {
    expectSameRainyRun(640, 480, 200, 404, GuardSide::After);
    expectSameRainyRun(100, 37, 400, 405, GuardSide::Before);
    expectSameRainyRun(33, 17, 400, 406, GuardSide::After);
}

TEST_P(Kernels, EveryTeamSizeGivesTheSameSurfaceAndPicture) {
    for (const int threads : {1, 2, 3, 8}) {
        setTeamSize(threads);
        SCOPED_TRACE(std::to_string(threads) + " threads");
        // 257 and 7 rows split unevenly among every team; with 8 threads some get none.
        expectSameRainyRun(300, 257, 40, 500 + static_cast<std::uint64_t>(threads),
                           GuardSide::After);
        expectSameRainyRun(65, 7, 100, 600 + static_cast<std::uint64_t>(threads),
                           GuardSide::Before);
    }
}

RAVELLE_ON_EVERY_TARGET(Kernels);

TEST(VectorTargets, OffersScalarAndRefusesWhatTheProcessorLacks) {
    const std::vector<std::int64_t> targets = common::vectorTargets();
    ASSERT_FALSE(targets.empty());
    EXPECT_TRUE(std::is_sorted(targets.begin(), targets.end())) << "best first";
    // The last is the fallback without vector instructions: SCALAR, or EMU128 where the
    // compiler builds Highway's emulated vectors (clang, as for WebAssembly).
    const std::string fallback = common::vectorTargetName(targets.back());
    EXPECT_TRUE(fallback == "SCALAR" || fallback == "EMU128") << fallback;
    const std::int64_t best = targets.front();
    EXPECT_EQ(common::activeVectorTarget(), best);

    ASSERT_TRUE(common::useVectorTarget(targets.back()));
    EXPECT_EQ(common::activeVectorTarget(), targets.back());
    // A target the processor lacks (or that is not compiled in) leaves the choice alone.
    for (int bit = 0; bit < 63; ++bit) {
        const std::int64_t target = std::int64_t{1} << bit;
        if (std::find(targets.begin(), targets.end(), target) != targets.end()) continue;
        EXPECT_FALSE(common::useVectorTarget(target)) << common::vectorTargetName(target);
        EXPECT_EQ(common::activeVectorTarget(), targets.back());
    }
    EXPECT_FALSE(common::useVectorTarget(0));
    EXPECT_FALSE(common::useVectorTarget(-1));
    common::useBestVectorTarget();
    EXPECT_EQ(common::activeVectorTarget(), best);
    EXPECT_EQ(common::vectorTargets(), targets) << "forcing a target changes nothing found";
}

}  // namespace
