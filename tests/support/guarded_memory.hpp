// guarded_memory.hpp: buffers that touch a page which can be neither read nor written, so that
// a kernel's access one element outside them faults at once on every target (whole-vector
// loads and hardware gathers included, which the sanitizers do not see).
//
//   testing_fields::Guarded<std::int16_t> field(values, testing_fields::GuardSide::After);
//   sim::waveStep(field.data(), ...);          // a read past the last element crashes
//   EXPECT_EQ(field.contents(), expected);
//
// The mapping itself is the platform's (guarded_memory_posix.cpp, ...), chosen by CMake.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testing_fields {

// Which end of the buffer touches the inaccessible page.
enum class GuardSide : std::uint8_t { After, Before };

struct GuardedMapping {
    void* mapping = nullptr;  // everything mapped, the guard page included
    std::size_t mappingBytes = 0;
    void* data = nullptr;  // where the caller's `bytes` begin
};

// Maps `bytes` of readable and writable memory that end exactly at (After) or begin exactly
// after (Before) one inaccessible page. Ends the process with a message if it cannot.
GuardedMapping mapGuarded(std::size_t bytes, GuardSide side);
void unmapGuarded(const GuardedMapping& mapping);

// `count` elements of T in guarded memory, starting as a copy of `contents`.
template <class T>
class Guarded {
  public:
    Guarded(const std::vector<T>& contents, GuardSide side)
        : size_(contents.size()), mapping_(mapGuarded(contents.size() * sizeof(T), side)) {
        std::copy(contents.begin(), contents.end(), data());
    }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;
    ~Guarded() { unmapGuarded(mapping_); }

    T* data() { return static_cast<T*>(mapping_.data); }
    const T* data() const { return static_cast<const T*>(mapping_.data); }
    std::vector<T> contents() const { return std::vector<T>(data(), data() + size_); }

  private:
    std::size_t size_;
    GuardedMapping mapping_;
};

}  // namespace testing_fields
