// fatal_message_stderr.cpp: a start-up failure is one line on standard error.

#include <cstdio>

#include "common/fatal_message.hpp"

namespace common {

void showFatalMessage(const char* line) {
    std::fputs(line, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace common
