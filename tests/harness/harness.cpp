// harness.cpp: the child processes, the private X server, shared-memory captures and the
// window operations behind harness.hpp.

#include "tests/harness/harness.hpp"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/prctl.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <bit>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace e2e {

namespace {

// How long the servers and the program may take to start. Generous: on a machine busy with
// other work (a parallel build, another test's software rendering) starting a window can take
// many seconds, and only a hung start should fail here.
constexpr auto kStartDeadline = 45s;

// Process groups the watchdog kills; a fixed array because the signal handler may not allocate.
std::array<std::atomic<pid_t>, 8> watchedGroups{};

void watch(pid_t group) {
    for (auto& slot : watchedGroups) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, group)) return;
    }
    throw std::runtime_error("too many child processes for the watchdog");
}

void unwatch(pid_t group) {
    for (auto& slot : watchedGroups) {
        pid_t expected = group;
        slot.compare_exchange_strong(expected, 0);
    }
}

extern "C" void onWatchdog(int /*signal*/) {
    for (auto& slot : watchedGroups) {
        const pid_t group = slot.load();
        if (group > 0) ::kill(-group, SIGKILL);
    }
    static const char message[] = "e2e: watchdog expired; killed the X server and the program\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(3);
}

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

[[noreturn]] void failSystem(const std::string& what) {
    fail(what + ": " + std::strerror(errno));
}

int lastXError = 0;

extern "C" int onXError(::Display* /*display*/, XErrorEvent* event) {
    lastXError = event->error_code;
    return 0;
}

Atom atom(::Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

std::optional<std::string> textProperty(::Display* display, Window window, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &remaining, &data);
    std::optional<std::string> text;
    if (status == Success && data != nullptr && format == 8) {
        text.emplace(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return text;
}

// The first window in the tree under the root whose WM_NAME starts with the program's name:
// a direct child of the root without a window manager, inside its frame with one.
std::optional<Window> findProgramWindow(::Display* display) {
    std::vector<Window> pending{XDefaultRootWindow(display)};
    while (!pending.empty()) {
        const Window window = pending.back();
        pending.pop_back();
        const auto name = textProperty(display, window, atom(display, "WM_NAME"));
        if (name && name->starts_with("Ravelle")) return window;
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) continue;
        pending.insert(pending.end(), children, children + count);
        if (children != nullptr) XFree(children);
    }
    return std::nullopt;
}

// Starts openbox and waits until it has taken the screen: a window manager announces itself
// with _NET_SUPPORTING_WM_CHECK on the root window.
std::unique_ptr<Process> startWindowManager(::Display* display, const std::string& name) {
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    // Through a shell, so that its notes on stdout do not reach the test's output either.
    auto manager = std::make_unique<Process>(
        std::vector<std::string>{"/bin/sh", "-c", "exec /usr/bin/openbox >/dev/null"},
        environmentWithDisplay(name), devNull);
    ::close(devNull);
    const auto deadline = Clock::now() + kStartDeadline;
    while (true) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, XDefaultRootWindow(display),
                           atom(display, "_NET_SUPPORTING_WM_CHECK"), 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &remaining, &data);
        if (data != nullptr) XFree(data);
        if (count == 1) return manager;
        if (manager->waitForExit(0s)) fail("openbox ended at start");
        if (Clock::now() >= deadline) fail("openbox did not take the screen within 45 s");
        std::this_thread::sleep_for(10ms);
    }
}

}  // namespace

std::vector<std::string> programCommand(const std::string& program) {
    const char* command = std::getenv("RAVELLE_E2E_COMMAND");
    if (command == nullptr || *command == '\0') return {program};
    std::vector<std::string> words;
    std::istringstream stream(command);
    // No escape character: backslashes are part of Windows paths.
    for (std::string word; stream >> std::quoted(word, '"', '\0');) words.push_back(word);
    return words;
}

bool windowManagerWanted() {
    const char* wanted = std::getenv("RAVELLE_E2E_WINDOW_MANAGER");
    return wanted != nullptr && std::string_view(wanted) == "1";
}

void armWatchdog(std::chrono::seconds limit) {
    std::signal(SIGALRM, onWatchdog);
    ::alarm(static_cast<unsigned>(limit.count()));
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 int stderrFd, int extraFd) {
    // Everything the child needs is prepared before fork: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    env.reserve(environment.size() + 1);
    for (const auto& entry : environment) env.push_back(const_cast<char*>(entry.c_str()));
    env.push_back(nullptr);
    const pid_t parent = ::getpid();

    pid_ = ::fork();
    if (pid_ < 0) failSystem("fork");
    if (pid_ == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        const int null = ::open("/dev/null", O_RDWR);
        if (null < 0) ::_exit(127);
        ::dup2(null, STDIN_FILENO);
        if (stderrFd != -1) ::dup2(stderrFd, STDERR_FILENO);
        if (extraFd != -1) ::fcntl(extraFd, F_SETFD, 0);  // keep it across exec
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    // Set here as well, so the group exists before the parent might kill it.
    ::setpgid(pid_, pid_);
    watch(pid_);
}

Process::~Process() {
    killGroup();
    unwatch(pid_);
}

std::optional<int> Process::waitForExit(Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!status_) {
        int status = 0;
        const pid_t result = ::waitpid(pid_, &status, WNOHANG);
        if (result == pid_) {
            status_ = status;
        } else if (Clock::now() >= deadline) {
            break;
        } else {
            std::this_thread::sleep_for(5ms);
        }
    }
    return status_;
}

bool Process::groupExists() const {
    return ::kill(-pid_, 0) == 0 || errno != ESRCH;
}

void Process::killGroup() {
    if (pid_ <= 0) return;
    if (groupExists()) ::kill(-pid_, SIGKILL);
    if (!status_) {
        int status = 0;
        if (::waitpid(pid_, &status, 0) == pid_) status_ = status;
    }
}

std::vector<std::string> environmentWithDisplay(const std::string& display) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!std::string_view(*entry).starts_with("DISPLAY=")) environment.emplace_back(*entry);
    }
    if (!display.empty()) environment.push_back("DISPLAY=" + display);
    return environment;
}

XServer::XServer() {
    // Xvfb picks a free display number itself and writes it to the pipe: no guessing, and no
    // clash with other servers on this machine.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) failSystem("pipe");
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    // No -br: the default root weave shows through wherever the program fails to draw.
    // -noreset: a server that resets when its last client leaves refuses connections for a
    // moment, and a program starting just then would fail to open the display.
    process_ = std::make_unique<Process>(
        std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", std::to_string(pipeFds[1]),
                                 "-screen", "0", "1920x1080x24", "-nolisten", "tcp", "-noreset"},
        environmentWithDisplay(""), devNull, pipeFds[1]);
    ::close(pipeFds[1]);
    ::close(devNull);

    std::string number;
    const auto deadline = Clock::now() + kStartDeadline;
    while (number.empty() || number.back() != '\n') {
        pollfd ready{.fd = pipeFds[0], .events = POLLIN, .revents = 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
        char chunk[16];
        const ssize_t got = ::read(pipeFds[0], chunk, sizeof chunk);
        if (got <= 0) break;
        number.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    if (number.empty() || number.back() != '\n') {
        fail("Xvfb did not report a display number within 45 s");
    }
    number.pop_back();
    display_ = ":" + number;
}

ShmImage::ShmImage(::Display* display, int width, int height) : display_(display) {
    const int screen = XDefaultScreen(display);
    image_ =
        XShmCreateImage(display, XDefaultVisual(display, screen),
                        static_cast<unsigned>(XDefaultDepth(display, screen)), ZPixmap, nullptr,
                        &segment_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image_ == nullptr) fail("XShmCreateImage");
    if (image_->bits_per_pixel != 32) fail("captures expect 32 bits per pixel");
    segment_.shmid = ::shmget(
        IPC_PRIVATE,
        static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(image_->height),
        IPC_CREAT | 0600);
    if (segment_.shmid < 0) failSystem("shmget");
    void* address = ::shmat(segment_.shmid, nullptr, 0);
    // shmat's failure value is the address -1.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (address == reinterpret_cast<void*>(-1)) failSystem("shmat");
    segment_.shmaddr = static_cast<char*>(address);
    image_->data = segment_.shmaddr;
    segment_.readOnly = False;
    attached_ = XShmAttach(display, &segment_) != 0;
    XSync(display, False);
    // Marked for removal now, so the segment goes away with the last detach even after a crash.
    ::shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (!attached_ || Session::takeXError() != 0) fail("XShmAttach");
}

ShmImage::~ShmImage() {
    if (attached_) XShmDetach(display_, &segment_);
    XSync(display_, False);
    if (segment_.shmaddr != nullptr) ::shmdt(segment_.shmaddr);
    image_->data = nullptr;
    XDestroyImage(image_);
}

Frame ShmImage::grab(Window window) {
    if (XShmGetImage(display_, window, image_, 0, 0, XAllPlanes()) == 0) fail("XShmGetImage");
    const auto channel = [](unsigned long pixel, unsigned long mask) {
        return static_cast<std::uint8_t>((pixel & mask) >> std::countr_zero(mask));
    };
    Frame frame{.width = image_->width, .height = image_->height, .pixels = {}};
    frame.pixels.reserve(static_cast<std::size_t>(frame.width) *
                         static_cast<std::size_t>(frame.height));
    for (int y = 0; y < frame.height; ++y) {
        const char* row = image_->data + (static_cast<std::ptrdiff_t>(y) * image_->bytes_per_line);
        for (int x = 0; x < frame.width; ++x) {
            std::uint32_t pixel = 0;
            std::memcpy(&pixel, row + (static_cast<std::ptrdiff_t>(x) * 4), sizeof pixel);
            frame.pixels.push_back({channel(pixel, image_->red_mask),
                                    channel(pixel, image_->green_mask),
                                    channel(pixel, image_->blue_mask)});
        }
    }
    return frame;
}

Session::Session(const std::string& program, int programStderr, bool windowManager)
    : server_(std::make_unique<XServer>()) {
    display_ = XOpenDisplay(server_->display().c_str());
    if (display_ == nullptr) fail("cannot connect to Xvfb on " + server_->display());
    XSetErrorHandler(onXError);
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (XShmQueryExtension(display_) == 0) fail("Xvfb lacks MIT-SHM");
    if (XTestQueryExtension(display_, &event, &error, &major, &minor) == 0) {
        fail("Xvfb lacks XTest");
    }

    if (windowManager) windowManager_ = startWindowManager(display_, server_->display());

    started_ = Clock::now();
    program_ = std::make_unique<Process>(programCommand(program),
                                         environmentWithDisplay(server_->display()), programStderr);
    const auto deadline = started_ + kStartDeadline;
    while (true) {
        if (const auto found = findProgramWindow(display_)) {
            firstTitleAt_ = Clock::now();
            window_ = *found;
            firstTitle_ = wmName();
            break;
        }
        if (program_->waitForExit(0s)) fail("the program ended before its window appeared");
        if (Clock::now() >= deadline) {
            fail("no window titled Ravelle appeared within 45 s");
        }
        std::this_thread::sleep_for(5ms);
    }
    // The title is set before the window is mapped; an unmapped window cannot be captured.
    while (true) {
        XWindowAttributes attributes{};
        const bool known = XGetWindowAttributes(display_, window_, &attributes) != 0;
        if (known && attributes.map_state == IsViewable) break;
        if (Clock::now() >= deadline) {
            // What was seen, for a start that hangs: the window's state, and who is still there.
            std::string seen = "window viewable";
            if (!known) {
                seen = "window gone";
            } else if (attributes.map_state == IsUnmapped) {
                seen = "window unmapped";
            } else if (attributes.map_state == IsUnviewable) {
                seen = "window mapped under an unmapped parent";
            }
            seen += program_->waitForExit(0s) ? ", the program ended" : ", the program running";
            if (windowManager_) {
                seen += windowManager_->waitForExit(0s) ? ", openbox ended" : ", openbox running";
            }
            fail("the program's window was not mapped within 45 s (" + seen + ")");
        }
        std::this_thread::sleep_for(5ms);
    }
    XSelectInput(display_, window_, PropertyChangeMask);
}

Session::~Session() {
    images_.clear();
    program_.reset();
    windowManager_.reset();
    if (display_ != nullptr) XCloseDisplay(display_);
    server_.reset();
}

void Session::killServer() {
    images_.clear();
    XCloseDisplay(std::exchange(display_, nullptr));
    server_.reset();
}

int Session::takeXError() {
    return std::exchange(lastXError, 0);
}

std::string Session::wmName() {
    return textProperty(display_, window_, atom(display_, "WM_NAME")).value_or("");
}

std::optional<std::string> Session::netWmName() {
    return textProperty(display_, window_, atom(display_, "_NET_WM_NAME"));
}

std::optional<std::pair<std::string, std::string>> Session::wmClass() {
    XClassHint names{};
    if (XGetClassHint(display_, window_, &names) == 0) return std::nullopt;
    std::pair<std::string, std::string> result{names.res_name != nullptr ? names.res_name : "",
                                               names.res_class != nullptr ? names.res_class : ""};
    if (names.res_name != nullptr) XFree(names.res_name);
    if (names.res_class != nullptr) XFree(names.res_class);
    return result;
}

std::vector<IconImage> Session::netWmIcon() {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    // Up to 4 MiB of CARDINALs: far more than any icon set.
    XGetWindowProperty(display_, window_, atom(display_, "_NET_WM_ICON"), 0, 1L << 20, False,
                       XA_CARDINAL, &type, &format, &count, &remaining, &data);
    std::vector<unsigned long> values;
    if (data != nullptr && format == 32) {
        // Xlib hands format-32 data over as longs.
        const auto* longs = reinterpret_cast<const unsigned long*>(data);
        values.assign(longs, longs + count);
    }
    if (data != nullptr) XFree(data);
    if (remaining != 0) fail("_NET_WM_ICON is larger than 4 MiB");

    std::vector<IconImage> images;
    for (std::size_t at = 0; at < values.size();) {
        if (values.size() - at < 2) fail("_NET_WM_ICON ends inside an image's size");
        const unsigned long width = values[at];
        const unsigned long height = values[at + 1];
        at += 2;
        if (width == 0 || height == 0 || width > 4096 || height > 4096 ||
            width * height > values.size() - at) {
            fail("_NET_WM_ICON has an image of " + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels with " + std::to_string(values.size() - at) +
                 " values left");
        }
        IconImage image{
            .width = static_cast<int>(width), .height = static_cast<int>(height), .argb = {}};
        image.argb.reserve(width * height);
        for (const std::size_t end = at + (width * height); at < end; ++at) {
            image.argb.push_back(static_cast<std::uint32_t>(values[at]));
        }
        images.push_back(std::move(image));
    }
    return images;
}

Geometry Session::geometry() {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, window_, &attributes) == 0) fail("XGetWindowAttributes");
    return {.x = attributes.x,
            .y = attributes.y,
            .width = attributes.width,
            .height = attributes.height};
}

void Session::move(int x, int y) {
    XMoveWindow(display_, window_, x, y);
    XSync(display_, False);
}

void Session::resize(int width, int height) {
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display_, False);
    const auto deadline = Clock::now() + 5s;
    for (Geometry now = geometry();
         (now.width != width || now.height != height) && Clock::now() < deadline;
         now = geometry()) {
        std::this_thread::sleep_for(10ms);
    }
}

void Session::requestClose() {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = atom(display_, "WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(atom(display_, "WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window_, False, NoEventMask, &event);
    XSync(display_, False);
}

void Session::movePointer(int x, int y) {
    // On the screen, not in the parent: a window manager's frame is the parent of a window it
    // manages.
    int screenX = 0;
    int screenY = 0;
    Window child = 0;
    if (XTranslateCoordinates(display_, window_, XDefaultRootWindow(display_), x, y, &screenX,
                              &screenY, &child) == 0) {
        fail("XTranslateCoordinates");
    }
    XTestFakeMotionEvent(display_, XDefaultScreen(display_), screenX, screenY, CurrentTime);
    XFlush(display_);
}

void Session::pressButton(unsigned button, bool down) {
    XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime);
    XFlush(display_);
}

std::pair<int, int> Session::pointer() {
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int buttons = 0;
    XQueryPointer(display_, window_, &root, &child, &rootX, &rootY, &x, &y, &buttons);
    return {x, y};
}

int Session::countTitleWrites(Clock::duration period, int enough) {
    const Atom wmNameAtom = atom(display_, "WM_NAME");
    XSync(display_, True);  // drops the notifications that came before
    int writes = 0;
    const auto end = Clock::now() + period;
    while (Clock::now() < end && writes < enough) {
        while (XPending(display_) > 0) {
            XEvent event{};
            XNextEvent(display_, &event);
            if (event.type == PropertyNotify && event.xproperty.atom == wmNameAtom) ++writes;
        }
        std::this_thread::sleep_for(10ms);
    }
    return writes;
}

Frame Session::capture() {
    const Geometry where = geometry();
    auto& image = images_[{where.width, where.height}];
    if (!image) image = std::make_unique<ShmImage>(display_, where.width, where.height);
    return image->grab(window_);
}

Frame Session::freshCapture() {
    const Frame before = capture();
    return captureUntil([&](const Frame& now) { return now.pixels != before.pixels; }, 5s);
}

}  // namespace e2e
