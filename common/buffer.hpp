// buffer.hpp: the plain buffers the modules own (heights, pixel bytes), allocated once at
// start-up; an allocation that fails ends the program with one line, never with a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>

#include "common/fatal.hpp"

namespace common {

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
template <class T>
using Buffer = std::unique_ptr<T[], FreeDeleter>;

// Allocates `count` values, uninitialised, or ends the program naming `what`.
template <class T>
Buffer<T> allocateOrDie(std::size_t count, const char* what) {
    static_assert(std::is_trivial_v<T>, "buffers hold plain values");
    void* memory = nullptr;
    if (count <= SIZE_MAX / sizeof(T)) memory = std::malloc((count * sizeof(T)) + (count == 0));
    if (memory == nullptr) fatal("cannot allocate %zu x %zu bytes for %s", count, sizeof(T), what);
    return Buffer<T>(static_cast<T*>(memory));
}

}  // namespace common
