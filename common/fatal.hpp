// fatal.hpp: the program's one way of giving up on start-up failures.
// A missing display, an undecodable picture or an allocation that fails ends the
// program with one clear line on stderr and exit status 1, never with a crash.
#pragma once

namespace common {

// Prints "ravelle: <message>" on stderr and exits with status 1.
[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace common
