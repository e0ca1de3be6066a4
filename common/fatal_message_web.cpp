// fatal_message_web.cpp: in a browser a fatal message goes to the console, and onto the page
// (its element with id "message") where a visitor sees it; the exit that follows then stops
// the program for good.

#include <cstdio>

#include "common/fatal_message.hpp"

// web/page_message.js.
extern "C" void ravelle_show_fatal_message(const char* line);

namespace common {

void showFatalMessage(const char* line) {
    std::fputs(line, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    ravelle_show_fatal_message(line);
}

}  // namespace common
