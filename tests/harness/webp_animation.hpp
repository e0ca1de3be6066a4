// webp_animation.hpp: captured frames to an animated WebP file and back, through libwebp: its
// encoder and muxer (libwebpmux) write it, its animation decoder (libwebpdemux) reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/harness/harness.hpp"

namespace e2e {

// Collects frames of one size, each shown from its timestamp until the next one's, and writes
// them as a lossy animated WebP that loops forever. Every frame is stored whole: libwebp's
// animation encoder would fold a frame into the one before when the change is within its lossy
// tolerance, and the faint rings of a calm surface would stand still.
class WebpAnimationWriter {
  public:
    // `quality` is libwebp's lossy quality, 0 to 100.
    WebpAnimationWriter(int width, int height, float quality);

    // Timestamps are milliseconds from the first frame and must increase.
    void add(const Frame& frame, int timestampMs);
    // Ends the last frame at `endMs`, encodes, and writes the file; returns its size in bytes.
    std::size_t write(int endMs, const std::string& path);

  private:
    std::vector<std::vector<std::uint8_t>> encoded_;  // one still WebP bitstream a frame
    std::vector<int> startsMs_;
    int width_;
    int height_;
    float quality_;
    int lastTimestampMs_ = -1;
};

struct DecodedAnimation {
    int width = 0;
    int height = 0;
    int loopCount = -1;  // 0 loops forever
    std::vector<Frame> frames;
    std::vector<int> endTimestampsMs;  // when each frame gives way to the next
};

// Decodes every frame of an animated (or still) WebP file, composed onto the full canvas.
DecodedAnimation readWebpAnimation(const std::string& path);

}  // namespace e2e
