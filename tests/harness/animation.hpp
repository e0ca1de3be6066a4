// animation.hpp: records the real program's picture in a private Xvfb at a steady frame rate,
// while rain falls and then the pointer stirs the water, with and without a button held.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "tests/harness/harness.hpp"

namespace e2e {

struct AnimationPlan {
    // The surface starts calm: this much rain falls before the first frame.
    std::chrono::milliseconds rainBefore{2000};
    std::chrono::milliseconds length{5000};
    int framesPerSecond = 15;
    // The window is resized to a square of this side (a multiple of 8, so that the picture,
    // three quarters of it and centred, starts and ends on whole pixels). At 688 the picture
    // is 516 pixels wide, almost its own 512: smaller, the texture's scaling blurs the rings.
    int windowSide = 688;
};

// The program's picture rectangle inside its window of `side` x `side`, as it lays it out.
struct PictureRect {
    int x0;
    int y0;
    int side;
};
PictureRect pictureRect(int windowSide);

struct Recording {
    std::vector<Frame> frames;      // cropped to the picture
    std::vector<int> timestampsMs;  // when each was due, from the first
    int lengthMs = 0;               // when the last frame gives way: the plan's length
    int worstLateMs = 0;            // the most any capture came after its due time
};

// Starts `program` in its own X server and records `plan.length`: the first quarter rain
// alone; then the pointer sweeping across the picture; then, with the left button held, a loop
// round its middle; the last part rain again while the rings spread. The pointer is never
// drawn: only the program's own pixels are captured.
Recording recordAnimation(const std::string& program, const AnimationPlan& plan);

// Encodes `recording` as an animated WebP that plays at the pace it was captured; returns
// the file's size in bytes.
std::size_t writeAnimation(const Recording& recording, const std::string& path);

}  // namespace e2e
