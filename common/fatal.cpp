// fatal.cpp: formats a start-up failure's line and ends the program.

#include "common/fatal.hpp"

#include <cstdio>
#include <cstdlib>

#include "common/fatal_message.hpp"

namespace common {

void fatalv(const char* format, std::va_list arguments) {
    // One line, cut to a readable length; the messages are far shorter.
    char line[512] = "ravelle: ";
    constexpr std::size_t prefix = sizeof "ravelle: " - 1;
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): fatal() starts the list.
    std::vsnprintf(line + prefix, sizeof line - prefix, format, arguments);
    showFatalMessage(line);
    std::exit(1);
}

// A printf-style message, checked by the compiler through the format attribute.
void fatal(const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
    std::va_list arguments;
    va_start(arguments, format);
    fatalv(format, arguments);  // NOLINT(clang-analyzer-valist.Uninitialized)
}

}  // namespace common
