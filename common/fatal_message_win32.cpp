// fatal_message_win32.cpp: a start-up failure is a message box, since a program without a
// console has nowhere else to show it. The line goes to stderr too, for anyone who
// redirected it (a script, or the tests).

#include <windows.h>

#include <cstdio>
#include <string>

#include "common/fatal_message.hpp"

namespace common {

namespace {

// The UTF-8 line as UTF-16 for the system; bytes that are not UTF-8 become U+FFFD.
std::wstring wide(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 0) return L"ravelle: (an unreadable message)";
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), length);
    result.resize(static_cast<std::size_t>(length - 1));
    return result;
}

}  // namespace

void showFatalMessage(const char* line) {
    std::fputs(line, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    MessageBoxW(nullptr, wide(line).c_str(), L"Ravelle", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace common
