// kernels_fuzz.cpp: the program's wave step and refraction against the reference on
// fuzzer-chosen sizes, heights (full int16 range), pictures and numbers of steps, with the
// program's buffers next to an inaccessible page so that any read outside them crashes.

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "common/vector_targets.hpp"
#include "fuzz_input.hpp"
#include "imaging/refraction_kernel.hpp"
#include "sim/wave_kernel.hpp"
#include "tests/support/guarded_memory.hpp"
#include "tests/support/reference_kernels.hpp"

using testing_fields::Guarded;
using testing_fields::GuardSide;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in{data, size};
    const int width = 1 + in.take<std::uint16_t>() % 1100;
    const int height = 1 + in.take<std::uint8_t>() % 40;
    const int steps = 1 + in.take<std::uint8_t>() % 4;
    // Any vector target the processor has.
    const auto targets = common::vectorTargets();
    common::useVectorTarget(targets[in.take<std::uint8_t>() % targets.size()]);
    // The guard page after the buffers (a read past the last row) or before them.
    const GuardSide side = in.take<std::uint8_t>() % 2 == 0 ? GuardSide::After : GuardSide::Before;
    const auto cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

    std::vector<std::int16_t> expectedLatest(cells), expectedPrevious(cells);
    for (auto& h : expectedLatest) h = in.take<std::int16_t>();
    for (auto& h : expectedPrevious) h = in.take<std::int16_t>();
    std::vector<std::uint8_t> picture(cells * 4);
    for (auto& b : picture) b = in.take<std::uint8_t>();
    std::vector<std::uint8_t> expectedOutput(cells * 4, 0x5A);

    Guarded<std::int16_t> fieldA(expectedLatest, side), fieldB(expectedPrevious, side);
    std::int16_t* latest = fieldA.data();
    std::int16_t* previous = fieldB.data();
    const Guarded<std::uint8_t> source(picture, side);
    Guarded<std::uint8_t> output(expectedOutput, side);
    for (int step = 0; step < steps; ++step) {
        sim::waveStep(latest, previous, width, height);
        reference::waveStep(expectedLatest.data(), expectedPrevious.data(), width, height);
        if (!std::equal(expectedPrevious.begin(), expectedPrevious.end(), previous)) std::abort();
        imaging::refract(previous, source.data(), output.data(), width, height);
        reference::refract(expectedPrevious.data(), picture.data(), expectedOutput.data(), width,
                           height);
        if (!std::equal(expectedOutput.begin(), expectedOutput.end(), output.data())) {
            std::abort();
        }
        std::swap(latest, previous);
        expectedLatest.swap(expectedPrevious);
    }
    return 0;
}
