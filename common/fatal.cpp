// fatal.cpp: reports a start-up failure on stderr and ends the program.

#include "common/fatal.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace common {

// A printf-style message, checked by the compiler through the format attribute.
void fatal(const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("ravelle: ", stderr);
    std::vfprintf(stderr, format, arguments);  // NOLINT(clang-analyzer-valist.Uninitialized)
    std::fputc('\n', stderr);
    va_end(arguments);
    std::exit(1);
}

}  // namespace common
