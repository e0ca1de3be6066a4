// e2e_test.cpp: the real program (RAVELLE_PROGRAM) in a private Xvfb, seen from outside: its
// window and title, the picture's place and colours, the ripples, the pointer (with and without
// a button held), resize, close.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/harness/harness.hpp"

namespace e2e {
namespace {

const std::string PROGRAM = RAVELLE_PROGRAM;
constexpr auto TEST_LIMIT = 50s;  // the watchdog's, under CTest's timeout

// Window pixels [x0, x1) x [y0, y1).
struct Rect {
    int x0;
    int y0;
    int x1;
    int y1;
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    long area() const { return static_cast<long>(x1 - x0) * (y1 - y0); }
};

// Three quarters of the window, centred: in 800 x 800, x and y in 100..699.
constexpr Rect PICTURE{.x0 = 100, .y0 = 100, .x1 = 700, .y1 = 700};

const std::regex STATS_TITLE(
    R"(^Ravelle - Procedural Generaion: -?[0-9]+\.[0-9] MTicks - ([0-9]+) FPS$)");

// A pixel of the pool floor: never black, blue above red and green.
bool isPoolFloor(Rgb p) {
    return !p.isBlack() && p.b > p.r && p.b > p.g;
}

// Describes how `frame` departs from black everywhere but the pool floor filling `picture`;
// empty when it does not. Outside, the program clears to black and draws nothing, so not one
// pixel may differ. Inside, the refraction adds the ripple's slope to every channel, clamped,
// so a steep slope can turn a pixel black or wash it out: a percent of the picture, and of each
// of its edge lines, may fall short. A picture one pixel too small or misplaced leaves a whole
// edge line black, or paints a line outside.
std::string placementFaults(const Frame& frame, Rect picture) {
    long strayOutside = 0;
    long notFloor = 0;
    long edgeLines[4] = {};  // not-floor pixels in the left, right, top and bottom lines
    std::string first;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const Rgb p = frame.at(x, y);
            if (!picture.contains(x, y)) {
                if (p.isBlack()) continue;
                ++strayOutside;
                if (first.empty()) {
                    first = " first stray pixel at (" + std::to_string(x) + ", " +
                            std::to_string(y) + ") = " + std::to_string(p.r) + "," +
                            std::to_string(p.g) + "," + std::to_string(p.b) + ";";
                }
            } else if (!isPoolFloor(p)) {
                ++notFloor;
                edgeLines[0] += x == picture.x0;
                edgeLines[1] += x == picture.x1 - 1;
                edgeLines[2] += y == picture.y0;
                edgeLines[3] += y == picture.y1 - 1;
            }
        }
    }
    std::string faults;
    if (strayOutside > 0) faults += std::to_string(strayOutside) + " non-black pixels outside;";
    if (notFloor > picture.area() / 100) {
        faults += std::to_string(notFloor) + " pixels inside unlike the pool floor;";
    }
    const char* names[4] = {"left", "right", "top", "bottom"};
    const long lengths[4] = {picture.y1 - picture.y0, picture.y1 - picture.y0,
                             picture.x1 - picture.x0, picture.x1 - picture.x0};
    for (int line = 0; line < 4; ++line) {
        if (edgeLines[line] > lengths[line] / 100) {
            faults += std::to_string(edgeLines[line]) + " pixels of the " + names[line] +
                      " edge line unlike the pool floor;";
        }
    }
    return faults + first;
}

template <class T>
T medianOf(std::vector<T> values) {
    std::nth_element(values.begin(), values.begin() + (values.size() / 2), values.end());
    return values[values.size() / 2];
}

// The mean over `area` of the per-pixel change between two captures, channels summed.
double meanChange(const Frame& a, const Frame& b, Rect area) {
    long sum = 0;
    for (int y = area.y0; y < area.y1; ++y) {
        for (int x = area.x0; x < area.x1; ++x) {
            const Rgb p = a.at(x, y);
            const Rgb q = b.at(x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        }
    }
    return static_cast<double>(sum) / static_cast<double>(area.area());
}

// The picture cut into 20 x 20 areas: small enough that a ripple source dominates the one it
// lies in, large enough to average over the picture's texture.
std::vector<Rect> pictureAreas() {
    std::vector<Rect> areas;
    for (int y = PICTURE.y0; y < PICTURE.y1; y += 20) {
        for (int x = PICTURE.x0; x < PICTURE.x1; x += 20) areas.push_back({x, y, x + 20, y + 20});
    }
    return areas;
}

// Ripples spread only a few dozen pixels a second, so areas this far from a spot see nothing
// within a test of what happens there.
std::vector<Rect> areasFarFrom(Rect spot) {
    std::vector<Rect> far;
    for (const Rect& a : pictureAreas()) {
        if (std::hypot(a.x0 - spot.x0, a.y0 - spot.y0) >= 200.0) far.push_back(a);
    }
    return far;
}

// How much each area changes while `tick(i)` runs about every 10 ms for `period`: the median,
// over captures about 100 ms apart, of the area's mean change between consecutive captures.
// The median shrugs off the odd raindrop landing in an area. Two captures between which the
// program drew nothing new (a busy machine gave it no time) say nothing of stirring, so they
// are not counted; the watch goes on, up to ten times `period`, until a period's worth of
// captures have counted. A program that never draws anew counts none, and every area's
// median is then 0.
std::vector<double> watch(Session& session, const std::vector<Rect>& areas, Clock::duration period,
                          const std::function<void(int)>& tick) {
    std::vector<std::vector<double>> changes(areas.size());
    Frame previous = session.capture();
    auto nextCapture = Clock::now() + 100ms;
    const auto end = Clock::now() + period;
    const auto giveUp = Clock::now() + 10 * period;
    const auto wanted = static_cast<std::size_t>(period / 100ms);
    for (int i = 0; Clock::now() < giveUp && (Clock::now() < end || changes[0].size() < wanted);
         ++i) {
        tick(i);
        std::this_thread::sleep_for(10ms);
        if (Clock::now() < nextCapture) continue;
        Frame current = session.capture();
        nextCapture = Clock::now() + 100ms;
        if (current.pixels == previous.pixels) continue;
        for (std::size_t a = 0; a < areas.size(); ++a) {
            changes[a].push_back(meanChange(previous, current, areas[a]));
        }
        previous = std::move(current);
    }
    std::vector<double> medians;
    medians.reserve(changes.size());
    for (auto& c : changes) medians.push_back(c.empty() ? 0.0 : medianOf(c));
    return medians;
}

// What the rain alone does to an area: the 90th percentile over `areas` of their medians.
double rainLevel(std::vector<double> medians) {
    std::sort(medians.begin(), medians.end());
    return medians[medians.size() * 9 / 10];
}

// A zigzag over a 20 x 20 pixel `spot`, one position per tick.
std::function<void(int)> stir(Session& session, Rect spot) {
    return [&session, spot](int i) {
        const int across = (i % 12) < 6 ? (i % 12) : 12 - (i % 12);
        session.movePointer(spot.x0 + (across * 4), spot.y0 + (((i / 4) % 6) * 4));
    };
}

class ProgramWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        armWatchdog(TEST_LIMIT);
        session_ = std::make_unique<Session>(PROGRAM, -1, windowManagerWanted());
        initialGeometry_ = session_->geometry();
        // With no window manager freeglut leaves the window at (-1, -1), partly off screen,
        // and only on-screen pixels can be captured. A window already on screen stays where
        // it is: Wine 10 takes an outside move of its window as a move of the frame it would
        // have drawn, and its pointer positions are then off by that frame.
        if (initialGeometry_.x < 0 || initialGeometry_.y < 0) session_->move(50, 50);
    }
    void TearDown() override {
        session_.reset();
        ::alarm(0);
    }

    Session& session() { return *session_; }

    std::unique_ptr<Session> session_;
    Geometry initialGeometry_{};
};

TEST_F(ProgramWindow, OpensTitledThenReportsStatistics) {
    EXPECT_EQ(initialGeometry_.width, 800);
    EXPECT_EQ(initialGeometry_.height, 800);

    // GLUT's clock starts after our launch, so a title read within the first second of the
    // launch must still be the plain name; later it may already be the first report.
    if (session().firstTitleAge() < 1s) {
        EXPECT_EQ(session().firstTitle(), "Ravelle");
    } else {
        EXPECT_TRUE(session().firstTitle() == "Ravelle" ||
                    std::regex_match(session().firstTitle(), STATS_TITLE))
            << session().firstTitle();
    }

    std::string title;
    std::smatch match;
    const auto deadline = session().started() + 2500ms;
    do {
        title = session().wmName();
        if (std::regex_match(title, match, STATS_TITLE)) break;
        std::this_thread::sleep_for(10ms);
    } while (Clock::now() < deadline);
    ASSERT_TRUE(std::regex_match(title, match, STATS_TITLE)) << "title after 2.5 s: " << title;
    EXPECT_GT(std::stol(match[1].str()), 0) << title;
    if (const auto netName = session().netWmName()) {
        EXPECT_EQ(*netName, title);
    }

    // Rewritten once a second: never more than three writes in 2.5 s, whatever the text, and
    // at least two, once a busy machine that slows the program has been waited for.
    int writes = session().countTitleWrites(2500ms);
    EXPECT_LE(writes, 3);
    if (writes < 2) writes += session().countTitleWrites(10s, 2 - writes);
    EXPECT_GE(writes, 2);
    EXPECT_TRUE(std::regex_match(session().wmName(), STATS_TITLE)) << session().wmName();
}

TEST_F(ProgramWindow, ShowsDarkBluePictureCentredOnBlack) {
    const Frame frame = session().freshCapture();
    ASSERT_EQ(frame.width, 800);
    ASSERT_EQ(frame.height, 800);
    // Exact edges: pixel centres 99.5 and 700.5 lie outside the quad's 100..700, 100.5 and
    // 699.5 inside, so rasterisation leaves no doubt about any pixel of the edges.
    EXPECT_EQ(placementFaults(frame, PICTURE), "");

    std::vector<int> reds;
    std::vector<int> greens;
    std::vector<int> blues;
    for (int y = PICTURE.y0; y < PICTURE.y1; ++y) {
        for (int x = PICTURE.x0; x < PICTURE.x1; ++x) {
            reds.push_back(frame.at(x, y).r);
            greens.push_back(frame.at(x, y).g);
            blues.push_back(frame.at(x, y).b);
        }
    }
    // The pool floor's colours span red 3..16, green 19..66, blue 39..120; refraction shades
    // the slopes of ripples, which leaves the medians well inside.
    EXPECT_GE(medianOf(reds), 3);
    EXPECT_LE(medianOf(reds), 16);
    EXPECT_GE(medianOf(greens), 19);
    EXPECT_LE(medianOf(greens), 66);
    EXPECT_GE(medianOf(blues), 39);
    EXPECT_LE(medianOf(blues), 120);
}

TEST_F(ProgramWindow, PictureRipplesOverTime) {
    // The water starts nearly calm; the rain of its first half second alone already changes
    // some 4 or 5 percent of the picture, a still picture none. Watched for half a second, or
    // longer (up to ten) until a percent has changed, should a busy machine slow the program.
    const Frame first = session().freshCapture();
    long changed = 0;
    const auto end = Clock::now() + 500ms;
    const auto giveUp = Clock::now() + 10s;
    while (Clock::now() < giveUp && (Clock::now() < end || changed <= PICTURE.area() / 100)) {
        std::this_thread::sleep_for(50ms);
        const Frame last = session().capture();
        changed = 0;
        for (int y = 0; y < last.height; ++y) {
            for (int x = 0; x < last.width; ++x) {
                const bool same = last.at(x, y) == first.at(x, y);
                if (!PICTURE.contains(x, y) && !same) {
                    FAIL() << "pixel (" << x << ", " << y << ") outside the picture changed";
                }
                changed += !same;
            }
        }
    }
    EXPECT_GT(changed, PICTURE.area() / 100);
}

TEST_F(ProgramWindow, ResizeKeepsPictureCentred) {
    session().resize(1600, 800);
    const Geometry resized = session().geometry();
    ASSERT_EQ(resized.width, 1600);
    ASSERT_EQ(resized.height, 800);
    constexpr Rect WIDE{.x0 = 200, .y0 = 100, .x1 = 1400, .y1 = 700};
    const Frame frame = session().captureUntil(
        [&](const Frame& f) { return placementFaults(f, WIDE).empty(); }, 5s);
    EXPECT_EQ(placementFaults(frame, WIDE), "");
}

// Rain lands everywhere all the time, so a stirred spot is told from the rain by comparison:
// with the spot itself before stirring, and with the areas far from it at the same time. In
// these conditions the stirred spot changes some 80-90 levels a capture, the busiest tenth of
// the rest some 15-25.
TEST_F(ProgramWindow, PointerStirsTheWaterUnderIt) {
    constexpr Rect SPOT{.x0 = 240, .y0 = 240, .x1 = 260, .y1 = 260};
    std::vector<Rect> areas = areasFarFrom(SPOT);
    areas.push_back(SPOT);
    session().freshCapture();

    const auto calm = watch(session(), areas, 1s, [](int) {});
    const auto stirred = watch(session(), areas, 1800ms, stir(session(), SPOT));

    const double rain = rainLevel({stirred.begin(), stirred.end() - 1});
    EXPECT_GT(stirred.back(), 2 * rain) << "stirred spot vs. the rain elsewhere";
    EXPECT_GT(stirred.back(), 2 * calm.back()) << "stirred spot vs. the same spot before";
}

TEST_F(ProgramWindow, PointerStirsTheWaterWithAButtonHeld) {
    // A drag reaches the program through the motion callback, not the passive one.
    constexpr Rect SPOT{.x0 = 520, .y0 = 300, .x1 = 540, .y1 = 320};
    std::vector<Rect> areas = areasFarFrom(SPOT);
    areas.push_back(SPOT);
    session().movePointer(SPOT.x0, SPOT.y0);
    session().freshCapture();

    session().pressButton(1, true);
    const auto dragged = watch(session(), areas, 1800ms, stir(session(), SPOT));
    session().pressButton(1, false);

    const double rain = rainLevel({dragged.begin(), dragged.end() - 1});
    EXPECT_GT(dragged.back(), 2 * rain) << "dragged-over spot vs. the rain elsewhere";
}

TEST_F(ProgramWindow, PointerOverTheBorderStirsNothing) {
    // The pointer sweeps x 10..76, y 380..420, in the black left of the picture. A drop it
    // wrongly made would land on the picture's edge beside it, in EDGE, and change it as much
    // as a stirred spot; there the rain alone stays well under 2.5 times its busiest tenth.
    constexpr Rect EDGE{.x0 = 100, .y0 = 390, .x1 = 120, .y1 = 410};
    std::vector<Rect> areas = areasFarFrom(EDGE);
    areas.push_back(EDGE);
    session().freshCapture();

    const auto swept = watch(session(), areas, 1800ms, [&](int i) {
        const int across = (i % 12) < 6 ? (i % 12) : 12 - (i % 12);
        session().movePointer(10 + (across * 11), 380 + (((i / 4) % 6) * 8));
    });
    const auto [x, y] = session().pointer();
    ASSERT_TRUE(x >= 10 && x <= 76 && y >= 380 && y <= 420) << "pointer at " << x << ", " << y;

    const double rain = rainLevel({swept.begin(), swept.end() - 1});
    EXPECT_LE(swept.back(), 2.5 * rain) << "the edge beside the pointer vs. the rain elsewhere";
}

TEST_F(ProgramWindow, ClosingTheWindowEndsTheProgram) {
    session().freshCapture();
    session().requestClose();
    const auto status = session().process().waitForExit(5s);
    if (!status) FAIL() << "still running 5 s after the window was closed";
    EXPECT_TRUE(WIFEXITED(*status)) << "wait status " << *status;
    if (WIFEXITED(*status)) {
        EXPECT_EQ(WEXITSTATUS(*status), 0);
    }
    EXPECT_FALSE(session().process().groupExists()) << "a process of the program is left";
}

// The program run with `environment`, no X server reachable: its wait status and stderr.
std::pair<std::optional<int>, std::string> runWithoutServer(
    const std::vector<std::string>& environment) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    Process program(programCommand(PROGRAM), environment, pipeFds[1]);
    ::close(pipeFds[1]);
    std::string errors;
    const auto deadline = Clock::now() + 10s;
    while (Clock::now() < deadline) {
        pollfd ready{.fd = pipeFds[0], .events = POLLIN, .revents = 0};
        if (::poll(&ready, 1, 100) <= 0) continue;
        char chunk[256];
        const ssize_t got = ::read(pipeFds[0], chunk, sizeof chunk);
        if (got <= 0) break;  // end of file: the program has gone
        errors.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    return {program.waitForExit(5s), errors};
}

void expectOneLineFailure(const std::pair<std::optional<int>, std::string>& result) {
    const auto& [status, errors] = result;
    if (!status) FAIL() << "still running without a display";
    ASSERT_TRUE(WIFEXITED(*status)) << "wait status " << *status;
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    EXPECT_TRUE(errors.starts_with("ravelle: ")) << errors;
    EXPECT_NE(errors.find("display"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_TRUE(errors.ends_with("\n")) << errors;
}

class NoDisplay : public ::testing::Test {
  protected:
    void SetUp() override { armWatchdog(TEST_LIMIT); }
    void TearDown() override { ::alarm(0); }
};

TEST_F(NoDisplay, ServerNotRunning) {
    // A display number no server holds: neither its socket nor its lock file exists, and
    // connecting fails.
    std::string display;
    for (int number = 1000; number < 2000 && display.empty(); ++number) {
        const std::string n = std::to_string(number);
        std::error_code error;
        if (std::filesystem::exists("/tmp/.X11-unix/X" + n, error)) continue;
        if (std::filesystem::exists("/tmp/.X" + n + "-lock", error)) continue;
        if (::Display* open = XOpenDisplay((":" + n).c_str())) {
            XCloseDisplay(open);
            continue;
        }
        display = ":" + n;
    }
    ASSERT_FALSE(display.empty());
    expectOneLineFailure(runWithoutServer(environmentWithDisplay(display)));
}

TEST_F(NoDisplay, DisplayUnset) {
    expectOneLineFailure(runWithoutServer(environmentWithDisplay("")));
}

}  // namespace
}  // namespace e2e
