// guarded_memory_posix.cpp: guarded buffers with mmap, the guard page made inaccessible with
// mprotect.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/guarded_memory.hpp"

namespace testing_fields {

GuardedMapping mapGuarded(std::size_t bytes, GuardSide side) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t dataPages = (bytes + page - 1) / page;
    GuardedMapping result;
    result.mappingBytes = (dataPages + 1) * page;
    void* mapping = ::mmap(nullptr, result.mappingBytes, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        std::perror("guarded memory: mmap");
        std::abort();
    }
    result.mapping = mapping;
    auto* start = static_cast<std::byte*>(mapping);
    std::byte* guard = side == GuardSide::After ? start + dataPages * page : start;
    if (::mprotect(guard, page, PROT_NONE) != 0) {
        std::perror("guarded memory: mprotect");
        std::abort();
    }
    result.data = side == GuardSide::After ? guard - bytes : guard + page;
    return result;
}

void unmapGuarded(const GuardedMapping& mapping) {
    ::munmap(mapping.mapping, mapping.mappingBytes);
}

}  // namespace testing_fields
