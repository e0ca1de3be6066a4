// fatal.hpp: the program's one way of giving up on start-up failures.
// A missing display, an undecodable picture or an allocation that fails ends the
// program with one clear line on stderr and exit status 1, never with a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>

namespace common {

// Prints "ravelle: <message>" on stderr and exits with status 1.
[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A buffer of plain values (heights, pixel bytes) owned by one module.
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
    if (count <= SIZE_MAX / sizeof(T)) memory = std::malloc(count * sizeof(T) + (count == 0));
    if (memory == nullptr) fatal("cannot allocate %zu x %zu bytes for %s", count, sizeof(T), what);
    return Buffer<T>(static_cast<T*>(memory));
}

}  // namespace common
