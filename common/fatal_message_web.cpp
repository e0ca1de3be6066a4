// fatal_message_web.cpp: in a browser a start-up failure goes to the console, and onto the
// page (its element with id "message", when there is one) where a visitor sees it.

#include <emscripten/emscripten.h>

#include <cstdio>

#include "common/fatal_message.hpp"

namespace {

// Under Node (the tests) there is no document.
// NOLINTNEXTLINE(modernize-use-trailing-return-type)
EM_JS(void, showOnPage, (const char* line), {
    if (typeof document === 'undefined') return;
    var element = document.getElementById('message');
    if (element) element.textContent = UTF8ToString(line);
});

}  // namespace

namespace common {

void showFatalMessage(const char* line) {
    std::fputs(line, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    showOnPage(line);
}

}  // namespace common
