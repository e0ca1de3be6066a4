// lifecycle_test.cpp: the real program (RAVELLE_PROGRAM) when its window cannot be seen and
// when its X server or its window disappears under it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/harness/harness.hpp"

namespace e2e {
namespace {

const std::string PROGRAM = RAVELLE_PROGRAM;
constexpr auto TEST_LIMIT = 110s;  // the watchdog's, under CTest's timeout

const std::regex STATS_TITLE(
    R"(^Ravelle - Procedural Generaion: -?[0-9]+\.[0-9] MTicks - [0-9]+ FPS$)");

// Processor time the process has used so far, all its threads together, in seconds.
double cpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    // The command name in parentheses may hold spaces; the fields after it do not. utime and
    // stime are fields 14 and 15 of the line, the 12th and 13th after the name.
    const auto nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) throw std::runtime_error("cannot read " + stat);
    std::istringstream fields(stat.substr(nameEnd + 2));
    std::string field;
    for (int i = 0; i < 11; ++i) fields >> field;
    long userTicks = 0;
    long systemTicks = 0;
    fields >> userTicks >> systemTicks;
    return static_cast<double>(userTicks + systemTicks) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The share of one core the process uses over `period` from now.
double coreShare(pid_t pid, Clock::duration period) {
    const double before = cpuSeconds(pid);
    const auto start = Clock::now();
    std::this_thread::sleep_for(period);
    const double used = cpuSeconds(pid) - before;
    return used / std::chrono::duration<double>(Clock::now() - start).count();
}

bool centreIsPoolFloor(const Frame& frame) {
    const Rgb p = frame.at(frame.width / 2, frame.height / 2);
    return !p.isBlack() && p.b > p.r && p.b > p.g;
}

// A pipe that becomes the program's stderr; everything the program wrote can be read back
// once it has ended.
class StderrPipe {
  public:
    StderrPipe() {
        if (::pipe2(fds_, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    }
    StderrPipe(const StderrPipe&) = delete;
    StderrPipe& operator=(const StderrPipe&) = delete;
    ~StderrPipe() {
        closeWriteEnd();
        ::close(fds_[0]);
    }
    int writeEnd() const { return fds_[1]; }
    // Once the program holds its copy, so that the end of file comes when the program ends.
    void closeWriteEnd() {
        if (fds_[1] != -1) ::close(std::exchange(fds_[1], -1));
    }
    std::string readAll(Clock::duration timeout) {
        closeWriteEnd();
        std::string text;
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            pollfd ready{.fd = fds_[0], .events = POLLIN, .revents = 0};
            if (::poll(&ready, 1, 100) <= 0) continue;
            char chunk[256];
            const ssize_t got = ::read(fds_[0], chunk, sizeof chunk);
            if (got <= 0) break;
            text.append(chunk, static_cast<std::size_t>(got));
        }
        return text;
    }

  private:
    int fds_[2] = {-1, -1};
};

class ProgramLifecycle : public ::testing::Test {
  protected:
    void SetUp() override {
        armWatchdog(TEST_LIMIT);
        session_ = std::make_unique<Session>(PROGRAM, stderr_.writeEnd(), managed());
        stderr_.closeWriteEnd();
        // With no window manager the window starts partly off screen; captures need it on.
        session_->move(50, 50);
    }
    void TearDown() override {
        session_.reset();
        ::alarm(0);
    }

    // Whether openbox manages the screen, as on a desktop.
    virtual bool managed() const { return false; }

    Session& session() { return *session_; }

    bool windowIsViewable() {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(session().display(), session().window(), &attributes) != 0 &&
               attributes.map_state == IsViewable;
    }

    // Waits up to 5 s for the window to be (or stop being) viewable.
    void awaitViewable(bool viewable) {
        const auto deadline = Clock::now() + 5s;
        while (windowIsViewable() != viewable && Clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_EQ(windowIsViewable(), viewable) << "window state did not change within 5 s";
    }

    // With the window hidden, the program rests; destroyed from outside meanwhile, it must
    // still notice (within about a second when idle) and end with the window's own line.
    void expectHiddenDestroyEndsWithOneLine() {
        std::this_thread::sleep_for(300ms);
        const double share = coreShare(session().process().pid(), 1500ms);
        EXPECT_LT(share, 0.05) << "share of a core used while the window is hidden";
        XDestroyWindow(session().display(), session().window());
        XSync(session().display(), False);
        const auto took = expectOneLineExit("the window was destroyed from outside");
        // One check a second; the rest is slack for a busy machine: what fails is a program
        // that no longer notices.
        EXPECT_LT(took, 10s) << "ended only after " << std::chrono::duration<double>(took).count()
                             << " s";
    }

    // Hides the window with `hide`, checks that the program then sleeps and leaves the title
    // alone, shows it again with `show`, and checks that the picture and the title move again.
    void expectRestWhileHidden(const std::function<void()>& hide,
                               const std::function<void()>& show) {
        const Frame before = session().freshCapture();
        hide();
        // The frames already asked for are drawn (or dropped) within a moment.
        std::this_thread::sleep_for(300ms);
        const double share = coreShare(session().process().pid(), 3s);
        EXPECT_LT(share, 0.15) << "share of a core used while the window is hidden";
        EXPECT_EQ(session().countTitleWrites(1500ms), 0) << "title rewritten while hidden";

        show();
        const Frame back = session().captureUntil(
            [&](const Frame& f) { return centreIsPoolFloor(f) && f.pixels != before.pixels; }, 5s);
        EXPECT_TRUE(centreIsPoolFloor(back)) << "no picture once the window is shown again";
        EXPECT_NE(back.pixels, before.pixels) << "the picture stands still after showing";
        const Frame later = session().freshCapture();
        EXPECT_NE(later.pixels, back.pixels) << "the water does not move after showing";
        EXPECT_GE(session().countTitleWrites(10s, 2), 2) << "title not rewritten after showing";
        EXPECT_TRUE(std::regex_match(session().wmName(), STATS_TITLE)) << session().wmName();
    }

    // The program must end on its own with status 1 and exactly one line of its own.
    // Returns how long it took to end.
    Clock::duration expectOneLineExit(const char* expectedText) {
        const auto start = Clock::now();
        const auto status = session().process().waitForExit(10s);
        const auto took = Clock::now() - start;
        const std::string errors = stderr_.readAll(5s);
        EXPECT_TRUE(status.has_value()) << "still running; stderr: " << errors;
        if (!status) return took;
        EXPECT_TRUE(WIFEXITED(*status)) << "wait status " << *status << "; stderr: " << errors;
        EXPECT_EQ(WEXITSTATUS(*status), 1) << errors;
        EXPECT_TRUE(errors.starts_with("ravelle: ")) << errors;
        EXPECT_NE(errors.find(expectedText), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_TRUE(errors.ends_with("\n")) << errors;
        std::printf("ended %.3f s after the cause: %s", std::chrono::duration<double>(took).count(),
                    errors.c_str());
        return took;
    }

    StderrPipe stderr_;
    std::unique_ptr<Session> session_;
};

TEST_F(ProgramLifecycle, UnmappedWindowRestsThenResumes) {
    expectRestWhileHidden(
        [&] {
            XUnmapWindow(session().display(), session().window());
            XSync(session().display(), False);
        },
        [&] {
            XMapWindow(session().display(), session().window());
            XSync(session().display(), False);
        });
}

TEST_F(ProgramLifecycle, FullyCoveredWindowRestsThenResumes) {
    // A window over the whole screen, placed without a window manager's say, hides the
    // program's window completely while it stays mapped.
    ::Display* display = session().display();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window cover =
        XCreateWindow(display, XDefaultRootWindow(display), 0, 0, 1920, 1080, 0, CopyFromParent,
                      InputOutput, nullptr, CWOverrideRedirect, &attributes);
    expectRestWhileHidden(
        [&] {
            XMapRaised(display, cover);
            XSync(display, False);
        },
        [&] {
            XUnmapWindow(display, cover);
            XSync(display, False);
        });
    XDestroyWindow(display, cover);
    XSync(display, False);
}

TEST_F(ProgramLifecycle, LostServerEndsWithOneLine) {
    session().freshCapture();
    session().killServer();
    expectOneLineExit("lost the connection to the X server");
}

TEST_F(ProgramLifecycle, ConnectionClosedByTheRunningServerEndsWithItsOwnLine) {
    // What xkill does: the server closes the program's connection and keeps running.
    session().freshCapture();
    XKillClient(session().display(), session().window());
    XSync(session().display(), False);
    expectOneLineExit("closed the connection");
}

TEST_F(ProgramLifecycle, WindowDestroyedFromOutsideEndsWithOneLine) {
    session().freshCapture();
    XDestroyWindow(session().display(), session().window());
    XSync(session().display(), False);
    expectOneLineExit("the window was destroyed from outside");
}

TEST_F(ProgramLifecycle, UnmappedWindowDestroyedFromOutsideEndsWithOneLine) {
    session().freshCapture();
    XUnmapWindow(session().display(), session().window());
    XSync(session().display(), False);
    expectHiddenDestroyEndsWithOneLine();
}

TEST_F(ProgramLifecycle, CoveredWindowDestroyedFromOutsideEndsWithOneLine) {
    session().freshCapture();
    ::Display* display = session().display();
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window cover =
        XCreateWindow(display, XDefaultRootWindow(display), 0, 0, 1920, 1080, 0, CopyFromParent,
                      InputOutput, nullptr, CWOverrideRedirect, &attributes);
    XMapRaised(display, cover);
    XSync(display, False);
    expectHiddenDestroyEndsWithOneLine();
}

// The same program on a desktop: openbox frames the window and minimises it on request.
class ManagedProgramLifecycle : public ProgramLifecycle {
  protected:
    bool managed() const override { return true; }

    void minimise() {
        XIconifyWindow(session().display(), session().window(),
                       XDefaultScreen(session().display()));
        XSync(session().display(), False);
        awaitViewable(false);
    }
};

TEST_F(ManagedProgramLifecycle, MinimisedRestoredAndMinimisedAgainThenDestroyedEndsWithOneLine) {
    // Captures fail inside openbox's frame, so the title tells whether the program runs: it
    // is rewritten every second while frames are drawn, and never while minimised.
    ASSERT_GE(session().countTitleWrites(10s, 1), 1) << "title not rewritten at start";
    minimise();
    // Longer than one check: a window that still exists must not end the program.
    EXPECT_EQ(session().countTitleWrites(1500ms), 0) << "title rewritten while minimised";
    ASSERT_FALSE(session().process().waitForExit(0s)) << "ended while minimised";
    XMapWindow(session().display(), session().window());  // the window manager restores it
    XSync(session().display(), False);
    awaitViewable(true);
    EXPECT_GE(session().countTitleWrites(10s, 1), 1) << "title not rewritten once restored";
    minimise();
    expectHiddenDestroyEndsWithOneLine();
}

}  // namespace
}  // namespace e2e
