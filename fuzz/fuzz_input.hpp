// fuzz_input.hpp: reads numbers off the front of a fuzzer's byte string; missing bytes
// read as zero, so every input, however short, is a valid case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzInput {
    const std::uint8_t* data;
    std::size_t size;

    template <class T>
    T take() {
        T value{};
        const std::size_t n = size < sizeof(T) ? size : sizeof(T);
        std::memcpy(&value, data, n);
        data += n;
        size -= n;
        return value;
    }
};
