// kernels_fuzz.cpp: the program's wave step and refraction against the reference on
// fuzzer-chosen sizes, heights (full int16 range), pictures and numbers of steps.

#include <cstdlib>
#include <vector>

#include "common/vector_targets.hpp"
#include "fuzz_input.hpp"
#include "imaging/refraction_kernel.hpp"
#include "sim/wave_kernel.hpp"
#include "tests/support/reference_kernels.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in{data, size};
    const int width = 1 + in.take<std::uint16_t>() % 1100;
    const int height = 1 + in.take<std::uint8_t>() % 40;
    const int steps = 1 + in.take<std::uint8_t>() % 4;
    // Any vector target the processor has.
    const auto targets = common::vectorTargets();
    common::useVectorTarget(targets[in.take<std::uint8_t>() % targets.size()]);
    const auto cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);

    std::vector<std::int16_t> latest(cells), previous(cells);
    for (auto& h : latest) h = in.take<std::int16_t>();
    for (auto& h : previous) h = in.take<std::int16_t>();
    std::vector<std::uint8_t> source(cells * 4);
    for (auto& b : source) b = in.take<std::uint8_t>();

    auto expectedLatest = latest, expectedPrevious = previous;
    std::vector<std::uint8_t> output(cells * 4, 0x5A), expectedOutput(cells * 4, 0x5A);
    for (int step = 0; step < steps; ++step) {
        sim::waveStep(latest.data(), previous.data(), width, height);
        reference::waveStep(expectedLatest.data(), expectedPrevious.data(), width, height);
        if (previous != expectedPrevious) std::abort();
        imaging::refract(previous.data(), source.data(), output.data(), width, height);
        reference::refract(expectedPrevious.data(), source.data(), expectedOutput.data(), width,
                           height);
        if (output != expectedOutput) std::abort();
        latest.swap(previous);
        expectedLatest.swap(expectedPrevious);
    }
    return 0;
}
