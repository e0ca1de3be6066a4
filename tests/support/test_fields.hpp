// test_fields.hpp: fields and pictures for the tests: random ones of any size, realistic
// ones (drops and rain spread by the wave rule), and a fixed-seed generator to make them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/support/reference_kernels.hpp"

namespace testing_fields {

// splitmix64: small, fast and the same on every platform.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    std::int16_t height() { return static_cast<std::int16_t>(next()); }
};

inline std::size_t cells(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Every height anywhere in the int16 range: the largest slopes there are.
inline std::vector<std::int16_t> fullRangeField(int width, int height, Random& random) {
    std::vector<std::int16_t> field(cells(width, height));
    for (auto& h : field) h = random.height();
    return field;
}

// A picture of random bytes, including the fourth.
inline std::vector<std::uint8_t> randomPicture(int width, int height, Random& random) {
    std::vector<std::uint8_t> picture(cells(width, height) * 4);
    for (auto& b : picture) b = static_cast<std::uint8_t>(random.next());
    return picture;
}

// A surface as the program sees it: drops of 100..349 spread by `steps` reference steps
// with rain, and now and then a drop of +-32767. `latest` and `previous` are written.
inline void realisticFields(int width, int height, int steps, Random& random,
                            std::vector<std::int16_t>& latest,
                            std::vector<std::int16_t>& previous) {
    latest.assign(cells(width, height), 0);
    previous.assign(cells(width, height), 0);
    auto drop = [&](std::vector<std::int16_t>& field, int amplitude) {
        auto& cell = field[reference::at(random.below(width), random.below(height), width)];
        cell = static_cast<std::int16_t>(cell + amplitude);
    };
    for (int i = 0; i < 5; ++i) drop(latest, 100 + random.below(250));
    for (int step = 0; step < steps; ++step) {
        reference::waveStep(latest.data(), previous.data(), width, height);
        latest.swap(previous);
        for (int i = 0; i < 4; ++i) drop(latest, 100 + random.below(250));
        if (random.below(50) == 0) drop(latest, random.below(2) ? 32767 : -32767);
    }
}

}  // namespace testing_fields
