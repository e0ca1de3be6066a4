// pointer_fuzz.cpp: pointer events at fuzzer-chosen positions, window sizes, picture sizes
// and times. An accepted event on the picture must address a cell inside the field.

#include <cstdlib>

#include "app/pacing.hpp"
#include "app/pointer_mapping.hpp"
#include "fuzz_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in{data, size};
    const int imageWidth = 1 + in.take<std::uint16_t>() % 4096;
    const int imageHeight = 1 + in.take<std::uint16_t>() % 4096;
    std::int32_t lastPointerTime = 0;
    while (in.size > 0) {
        const auto now = in.take<std::int32_t>();
        const auto windowWidth = in.take<std::int32_t>();
        const auto windowHeight = in.take<std::int32_t>();
        const auto x = in.take<std::int32_t>();
        const auto y = in.take<std::int32_t>();
        if (!app::hasMoreThanPassed(now, lastPointerTime, app::POINTER_INTERVAL_MS)) continue;
        lastPointerTime = now;
        const auto cell =
            app::pointerCell(x, y, windowWidth, windowHeight, imageWidth, imageHeight);
        if (cell && (cell->column < 0 || cell->column >= imageWidth || cell->row < 0 ||
                     cell->row >= imageHeight)) {
            std::abort();
        }
    }
    return 0;
}
