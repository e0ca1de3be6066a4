// fatal_message.hpp: how a start-up failure's one line reaches the user. Each platform
// supplies it in a file of its own (fatal_message_stderr.cpp, ...), chosen by CMake.
#pragma once

namespace common {

// Shows `line` ("ravelle: ..." without a line break) to the user. Returns once it is shown.
void showFatalMessage(const char* line);

}  // namespace common
