// fatal.hpp: the program's one way of giving up on start-up failures.
// A missing display, an undecodable picture or an allocation that fails ends the
// program with one clear line to the user and exit status 1, never with a crash.
#pragma once

#include <cstdarg>

namespace common {

// Shows "ravelle: <message>" the platform's way (one line on stderr on Linux) and exits with
// status 1.
[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void fatalv(const char* format, std::va_list arguments)
    __attribute__((format(printf, 1, 0)));

}  // namespace common
