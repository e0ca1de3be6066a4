// harness.hpp: runs the real program in a private Xvfb server and drives its window the way a
// user would: finds it, reads its title, captures its pixels, moves the pointer, resizes, closes.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// After this long the watchdog kills every child process group still registered and ends the
// harness, so a hang anywhere (even inside an Xlib call) leaves nothing running.
void armWatchdog(std::chrono::seconds limit);

// A child in its own process group, started with PR_SET_PDEATHSIG so it dies with the harness
// even if the harness is killed outright. The destructor kills the whole group and reaps it.
class Process {
  public:
    // `environment` replaces the harness's own. `stderrFd`, if not -1, becomes the child's
    // stderr; `extraFd`, if not -1, is inherited under its own number.
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            int stderrFd = -1, int extraFd = -1);
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    pid_t pid() const { return pid_; }
    // The wait status once the process has ended within `timeout`, else nothing.
    std::optional<int> waitForExit(Clock::duration timeout);
    // True while any process of the group still exists (zombies included).
    bool groupExists() const;
    void killGroup();

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// How `program` is started: as it is, or, when RAVELLE_E2E_COMMAND is set, by that command
// line's words (absolute paths) instead, such as Wine and a Windows build of the program. A
// word in double quotes may hold spaces (a Windows path such as "C:\Program Files\...").
std::vector<std::string> programCommand(const std::string& program);

// Whether the program's windows are to be managed by openbox: set RAVELLE_E2E_WINDOW_MANAGER
// to 1 for a program that expects one, as Wine 10 does (it ignores outside resizes of a window
// no window manager has taken).
bool windowManagerWanted();

// The harness's environment with DISPLAY replaced (or removed when `display` is empty).
std::vector<std::string> environmentWithDisplay(const std::string& display);

// A private Xvfb with a 1920x1080x24 screen on a display number the server picks itself.
class XServer {
  public:
    XServer();
    const std::string& display() const { return display_; }

  private:
    std::unique_ptr<Process> process_;
    std::string display_;
};

// 8-bit colour channels of one pixel.
struct Rgb {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
    bool isBlack() const { return r == 0 && g == 0 && b == 0; }
    bool operator==(const Rgb&) const = default;
};

// A captured window: `width` x `height` pixels, row by row from the top-left corner.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    const Rgb& at(int x, int y) const {
        return pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width)) +
                      static_cast<std::size_t>(x)];
    }
};

// A shared-memory XImage of one size; XShmGetImage fills it without copying the pixels
// through the socket, which keeps up with a program redrawing hundreds of times a second.
class ShmImage {
  public:
    ShmImage(::Display* display, int width, int height);
    ShmImage(const ShmImage&) = delete;
    ShmImage& operator=(const ShmImage&) = delete;
    ~ShmImage();
    Frame grab(Window window);

  private:
    ::Display* display_;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool attached_ = false;
};

// One image of a window's _NET_WM_ICON: `width` x `height` pixels, 0xAARRGGBB, row by row from
// the top-left corner.
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

struct Geometry {
    int x;
    int y;
    int width;
    int height;
};

// The program under test with its window on a private X server.
class Session {
  public:
    // Starts the X server and `program`, and waits (up to 45 s) for its window. The program's
    // stderr goes to `programStderr` when it is not -1. With `windowManager`, openbox manages
    // the screen before the program starts (it frames the window and can minimise it).
    explicit Session(const std::string& program, int programStderr = -1,
                     bool windowManager = false);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    // The title read at the moment the window was first seen, and when that was.
    const std::string& firstTitle() const { return firstTitle_; }
    Clock::duration firstTitleAge() const { return firstTitleAt_ - started_; }
    Clock::time_point started() const { return started_; }

    ::Display* display() const { return display_; }
    Window window() const { return window_; }
    Process& process() { return *program_; }

    // WM_NAME, and _NET_WM_NAME when the program sets it.
    std::string wmName();
    std::optional<std::string> netWmName();
    // WM_CLASS's instance and class names, when the window has them.
    std::optional<std::pair<std::string, std::string>> wmClass();
    // The images of _NET_WM_ICON, in the order the window lists them; none when it has none.
    // Fails on a value that is not a whole number of images.
    std::vector<IconImage> netWmIcon();
    Geometry geometry();

    void move(int x, int y);
    // Resizes the window and waits (up to 5 s) until the size is taken: a window manager takes
    // the request and applies it a moment later.
    void resize(int width, int height);
    // Asks the program to close the window, as a window manager's close button does.
    void requestClose();
    // Moves the pointer to window pixel (x, y) through XTest.
    void movePointer(int x, int y);
    // Presses (`down`) or releases pointer button `button` (1 is the left one) through XTest.
    void pressButton(unsigned button, bool down);
    // Where the server has the pointer, in window pixels.
    std::pair<int, int> pointer();
    // How often the program wrote its title during `period` from now, or sooner once it has
    // written it `enough` times (to wait, up to `period`, for writes a busy machine delays).
    int countTitleWrites(Clock::duration period, int enough = std::numeric_limits<int>::max());
    Frame capture();
    // Captures until `accept` holds or `timeout` passes; returns the last capture.
    template <class Predicate>
    Frame captureUntil(Predicate accept, Clock::duration timeout) {
        const auto deadline = Clock::now() + timeout;
        Frame frame = capture();
        while (!accept(frame) && Clock::now() < deadline) frame = capture();
        return frame;
    }
    // A capture of a frame drawn after this call: the picture changes with every wave step,
    // so a capture that differs from the one taken on entry was drawn afterwards.
    Frame freshCapture();

    // Closes the harness's connection and kills the X server under the running program.
    // Afterwards only process() may be used.
    void killServer();

    // Nonzero when an X request failed since the last call; the code of the last failure.
    static int takeXError();

  private:
    std::unique_ptr<XServer> server_;
    ::Display* display_ = nullptr;
    std::unique_ptr<Process> windowManager_;
    std::unique_ptr<Process> program_;
    Window window_ = 0;
    std::string firstTitle_;
    Clock::time_point started_;
    Clock::time_point firstTitleAt_;
    std::map<std::pair<int, int>, std::unique_ptr<ShmImage>> images_;
};

}  // namespace e2e
