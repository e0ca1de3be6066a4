// message_box_test.cpp: a Windows build that cannot start (its picture resource is undecodable)
// shows its "ravelle: ..." line in a message box titled "Ravelle" and waits for the user; once
// the box is closed it ends with status 1, having written the same line to stderr.
// Run by scripts/test-windows.sh with RAVELLE_E2E_COMMAND naming Wine and the program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>

#include "tests/harness/harness.hpp"

namespace {

using namespace e2e;

std::string windowName(::Display* display, Window window) {
    char* name = nullptr;
    std::string text;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) text = name;
    if (name != nullptr) XFree(name);
    return text;
}

// A top-level window titled exactly "Ravelle" and far smaller than the program's 800 x 800
// window, which is titled "Ravelle" too while the program starts.
std::optional<Window> findMessageBox(::Display* display) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, XDefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
        return std::nullopt;
    }
    std::optional<Window> found;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) == 0) continue;
        if (attributes.map_state == IsViewable && attributes.height < 400 &&
            attributes.width > 100 && windowName(display, children[i]) == "Ravelle") {
            found = children[i];
        }
    }
    if (children != nullptr) XFree(children);
    return found;
}

// The window manager's close button: WM_DELETE_WINDOW.
void requestClose(::Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

std::string readAvailable(int fd) {
    std::string text;
    char chunk[256];
    pollfd ready{.fd = fd, .events = POLLIN, .revents = 0};
    while (::poll(&ready, 1, 0) > 0) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

TEST(FatalMessage, ShowsInAMessageBoxUntilClosedThenEndsWithStatusOne) {
    armWatchdog(110s);
    const XServer server;
    ::Display* display = XOpenDisplay(server.display().c_str());
    ASSERT_NE(display, nullptr);
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    Process program(programCommand(""), environmentWithDisplay(server.display()), pipeFds[1]);
    ::close(pipeFds[1]);

    std::optional<Window> box;
    const auto deadline = Clock::now() + 20s;
    while (!(box = findMessageBox(display)) && Clock::now() < deadline) {
        ASSERT_FALSE(program.waitForExit(0s)) << "ended without showing a message box";
        std::this_thread::sleep_for(20ms);
    }
    if (!box) FAIL() << "no message box titled Ravelle within 20 s";
    // The box waits for the user: the program neither ends nor goes on.
    EXPECT_FALSE(program.waitForExit(1s)) << "ended while its message box was up";

    requestClose(display, *box);
    const auto status = program.waitForExit(10s);
    const std::string errors = readAvailable(pipeFds[0]);
    ::close(pipeFds[0]);
    XCloseDisplay(display);
    if (!status) FAIL() << "still running 10 s after its message box was closed";
    ASSERT_TRUE(WIFEXITED(*status)) << "wait status " << *status;
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    // Wine passes DISPLAY on, and freeglut warns about it before the program's own line, which
    // ends the Windows way.
    const auto start = errors.find("ravelle: ");
    ASSERT_NE(start, std::string::npos) << errors;
    const std::string line = errors.substr(start);
    EXPECT_EQ(line,
              "ravelle: cannot decode the embedded pool-floor picture: bitmap resource 104 is "
              "missing or not a bitmap\r\n");
}

}  // namespace
