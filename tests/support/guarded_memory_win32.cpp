// guarded_memory_win32.cpp: guarded buffers with VirtualAlloc, the guard page made
// inaccessible with VirtualProtect.

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/guarded_memory.hpp"

namespace testing_fields {

GuardedMapping mapGuarded(std::size_t bytes, GuardSide side) {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    const std::size_t dataPages = (bytes + page - 1) / page;
    GuardedMapping result;
    result.mappingBytes = (dataPages + 1) * page;
    void* mapping =
        VirtualAlloc(nullptr, result.mappingBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (mapping == nullptr) {
        std::fprintf(stderr, "guarded memory: VirtualAlloc failed (%lu)\n", GetLastError());
        std::abort();
    }
    result.mapping = mapping;
    auto* start = static_cast<std::byte*>(mapping);
    std::byte* guard = side == GuardSide::After ? start + dataPages * page : start;
    DWORD previous = 0;
    if (VirtualProtect(guard, page, PAGE_NOACCESS, &previous) == 0) {
        std::fprintf(stderr, "guarded memory: VirtualProtect failed (%lu)\n", GetLastError());
        std::abort();
    }
    result.data = side == GuardSide::After ? guard - bytes : guard + page;
    return result;
}

void unmapGuarded(const GuardedMapping& mapping) {
    VirtualFree(mapping.mapping, 0, MEM_RELEASE);
}

}  // namespace testing_fields
