// animation.cpp: the capture schedule and pointer path behind animation.hpp.

#include "tests/harness/animation.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <thread>

#include "tests/harness/webp_animation.hpp"

namespace e2e {

namespace {

// Lossy quality: the rings stay sharp, and five seconds of whole frames stay under 2 MB.
constexpr float WEBP_QUALITY = 60.0F;
// Pointer positions are sent this often: well under the program's 31 ms between accepted
// motions, so every chance to drop a ripple is taken.
constexpr auto POINTER_TICK = 8ms;

Frame crop(const Frame& frame, const PictureRect& area) {
    Frame part{.width = area.side, .height = area.side, .pixels = {}};
    part.pixels.reserve(static_cast<std::size_t>(area.side) * static_cast<std::size_t>(area.side));
    for (int y = area.y0; y < area.y0 + area.side; ++y) {
        const auto row = frame.pixels.begin() + static_cast<std::ptrdiff_t>(y) * frame.width;
        part.pixels.insert(part.pixels.end(), row + area.x0, row + area.x0 + area.side);
    }
    return part;
}

// Where the pointer is at `fraction` (0 to 1) of the recording, in window pixels, and whether
// the left button is held; nothing while it is outside the window.
struct PointerState {
    bool inside;
    bool pressed;
    int x;
    int y;
};

constexpr double SWEEP_START = 0.25;
constexpr double LOOP_START = 0.55;
constexpr double LOOP_END = 0.85;

PointerState pointerAt(double fraction, const PictureRect& picture) {
    const double side = picture.side;
    const double centreX = picture.x0 + side / 2;
    const double centreY = picture.y0 + side / 2;
    constexpr double TAU = 2 * std::numbers::pi;
    if (fraction >= SWEEP_START && fraction < LOOP_START) {
        // Left to right across the picture along one and a half waves.
        const double u = (fraction - SWEEP_START) / (LOOP_START - SWEEP_START);
        return {.inside = true,
                .pressed = false,
                .x = static_cast<int>(picture.x0 + side * (0.1 + 0.8 * u)),
                .y = static_cast<int>(centreY + side * 0.25 * std::sin(TAU * 1.5 * u))};
    }
    if (fraction >= LOOP_START && fraction < LOOP_END) {
        // One and a quarter turns round the middle, starting at its right.
        const double u = (fraction - LOOP_START) / (LOOP_END - LOOP_START);
        return {.inside = true,
                .pressed = true,
                .x = static_cast<int>(centreX + side * 0.3 * std::cos(TAU * 1.25 * u)),
                .y = static_cast<int>(centreY + side * 0.3 * std::sin(TAU * 1.25 * u))};
    }
    return {.inside = false, .pressed = false, .x = -20, .y = -20};
}

}  // namespace

PictureRect pictureRect(int windowSide) {
    const int side = windowSide / 4 * 3;
    return {.x0 = (windowSide - side) / 2, .y0 = (windowSide - side) / 2, .side = side};
}

Recording recordAnimation(const std::string& program, const AnimationPlan& plan) {
    if (plan.windowSide % 8 != 0 || plan.windowSide < 64) {
        throw std::invalid_argument("the window side must be a multiple of 8, at least 64");
    }
    if (plan.framesPerSecond <= 0 || plan.length.count() <= 0) {
        throw std::invalid_argument("the recording needs a length and a frame rate");
    }
    const PictureRect picture = pictureRect(plan.windowSide);
    Session session(program);
    session.move(0, 0);
    session.resize(plan.windowSide, plan.windowSide);
    session.movePointer(-20, -20);
    // The program lays the picture out again on its next frame at the new size.
    const Frame resized = session.captureUntil(
        [&](const Frame& frame) {
            return frame.width == plan.windowSide && frame.height == plan.windowSide &&
                   !frame.at(picture.x0, picture.y0).isBlack();
        },
        5s);
    if (resized.width != plan.windowSide || resized.at(picture.x0, picture.y0).isBlack()) {
        throw std::runtime_error("the program did not redraw its picture at the new size");
    }
    std::this_thread::sleep_for(plan.rainBefore);

    const auto count = static_cast<std::size_t>(plan.length.count() * plan.framesPerSecond / 1000);
    const auto period = std::chrono::duration_cast<Clock::duration>(1s) / plan.framesPerSecond;
    Recording recording;
    recording.frames.reserve(count);
    recording.lengthMs = static_cast<int>(plan.length.count());
    PointerState pointer{.inside = false, .pressed = false, .x = -20, .y = -20};
    const auto start = Clock::now();
    while (recording.frames.size() < count) {
        const auto due = start + static_cast<long>(recording.frames.size()) * period;
        auto now = Clock::now();
        if (now >= due) {
            // The frame is stamped with the time it was due, not the time the scheduler let
            // the capture happen: the animation plays at a steady pace however busy the
            // machine was, and the lateness is kept as a measurement beside it.
            recording.frames.push_back(crop(session.capture(), picture));
            recording.timestampsMs.push_back(static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(due - start).count()));
            recording.worstLateMs = std::max(
                recording.worstLateMs,
                static_cast<int>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(now - due).count()));
            continue;
        }
        const PointerState next = pointerAt(
            std::chrono::duration<double>(now - start) / std::chrono::duration<double>(plan.length),
            picture);
        if (next.pressed != pointer.pressed) {
            // The button goes down where the loop begins and comes up where it ends.
            if (next.pressed) session.movePointer(next.x, next.y);
            session.pressButton(1, next.pressed);
        }
        if (next.inside || pointer.inside) session.movePointer(next.x, next.y);
        pointer = next;
        std::this_thread::sleep_until(std::min(due, now + POINTER_TICK));
    }
    if (pointer.pressed) session.pressButton(1, false);

    return recording;
}

std::size_t writeAnimation(const Recording& recording, const std::string& path) {
    if (recording.frames.empty()) throw std::invalid_argument("no frames to write");
    const Frame& first = recording.frames.front();
    WebpAnimationWriter writer(first.width, first.height, WEBP_QUALITY);
    for (std::size_t i = 0; i < recording.frames.size(); ++i) {
        writer.add(recording.frames[i], recording.timestampsMs[i]);
    }
    return writer.write(std::max(recording.lengthMs, recording.timestampsMs.back() + 1), path);
}

}  // namespace e2e
