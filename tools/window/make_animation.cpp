// make_animation.cpp: records the program for a few seconds in a private Xvfb and writes the
// README's animated WebP. Usage: ravelle-animation PROGRAM OUTPUT.webp [SECONDS]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "tests/harness/animation.hpp"

namespace {

// A README image much larger than this loads slowly or not at all.
constexpr std::size_t MAX_BYTES = 3'000'000;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fputs("usage: ravelle-animation PROGRAM OUTPUT.webp [SECONDS]\n", stderr);
        return 2;
    }
    using namespace e2e;
    try {
        AnimationPlan plan;
        if (argc == 4) {
            const double seconds = std::strtod(argv[3], nullptr);
            if (seconds < 0.5 || seconds > 30 || std::isnan(seconds)) {
                throw std::invalid_argument("SECONDS must lie between 0.5 and 30");
            }
            plan.length = std::chrono::milliseconds(static_cast<long>(seconds * 1000));
        }
        armWatchdog(std::chrono::seconds(40 + plan.length.count() / 1000));
        const Recording recording = recordAnimation(argv[1], plan);
        // A capture later than half a frame would show the water jumping: a busy machine.
        const int periodMs = 1000 / plan.framesPerSecond;
        if (recording.worstLateMs > periodMs / 2) {
            throw std::runtime_error("a capture came " + std::to_string(recording.worstLateMs) +
                                     " ms late; the machine is too busy for a steady " +
                                     std::to_string(plan.framesPerSecond) +
                                     " frames a second, try again");
        }
        const std::size_t bytes = writeAnimation(recording, argv[2]);
        const Frame& first = recording.frames.front();
        std::printf(
            "%s: %zu frames of %d x %d at %d a second over %.1f s, %zu bytes "
            "(captures at most %d ms late)\n",
            argv[2], recording.frames.size(), first.width, first.height, plan.framesPerSecond,
            static_cast<double>(recording.lengthMs) / 1000, bytes, recording.worstLateMs);
        if (bytes > MAX_BYTES) {
            throw std::runtime_error("the animation is larger than 3 MB; shorten it");
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ravelle-animation: %s\n", error.what());
        return 1;
    }
    return 0;
}
