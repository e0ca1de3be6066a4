// refraction_simd.hpp: the interior of a refraction row in vectors of pixels, written once
// for any vector struct of sim/simd_vectors.hpp (include only after it, from its users).
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/refraction_rows.hpp"
#include "sim/simd_vectors.hpp"

namespace simd {
// Internal linkage on purpose: this header is compiled once per instruction set, and no
// copy built for wide instructions may stand in for another at link time.
namespace {  // NOLINT(cert-dcl59-cpp)

using imaging::rows::RefractionRow;

// A displaced coordinate brought into 0 .. n - 1 by the rule (mirror below 0, then wrap)
// for displacements within one size of the picture, which is nearly all of them; the
// lanes left outside 0 .. n - 1 need the full rule.
template <class V>
typename V::Vec wrapOnce(typename V::Vec s, typename V::Vec n) {
    const auto mirrored = V::select(V::negative(s), V::sub32(n, s), s);
    return V::select(V::below(mirrored, n), mirrored, V::sub32(mirrored, n));
}

// Source offsets of the displaced coordinates (column, row), by the full rule for the
// lanes one wrap did not settle. Rare on a real surface, so kept out of line.
template <class V>
[[gnu::noinline]] typename V::Vec settleByFullRule(int width, int height, typename V::Vec columns,
                                                   typename V::Vec rows, typename V::Vec offsets,
                                                   typename V::Mask settled) {
    constexpr int LANES = V::PIXEL_LANES;
    alignas(64) std::int32_t lanes[3][LANES];
    V::store(lanes[0], offsets);
    V::store(lanes[1], columns);
    V::store(lanes[2], rows);
    const unsigned done = V::flags(settled);
    for (int i = 0; i < LANES; ++i) {
        if ((done >> i & 1u) == 0) {
            lanes[0][i] = static_cast<std::int32_t>(
                imaging::rows::sourcePixel(width, height, lanes[1][i], lanes[2][i]));
        }
    }
    return V::load(lanes[0]);
}

// The row's data as plain values, so that the compiler keeps them in registers across the
// stores of the passes below (stores through int32 pointers could otherwise alias them).
struct Row {
    const std::int16_t* heights;
    const std::int16_t* below;
    const std::int16_t* above;
    const std::uint8_t* source;
    const std::uint8_t* sourceRow;  // row y of the source
    std::uint8_t* out;
    std::size_t rowBytes;
    int y;
    int width;
    int height;
    int lastWindow;      // the last column where a near-row window can start
    bool nearRowsExist;  // rows y - 1 and y + 1 exist as they are, for the near-row window
};

// `start` held within 0 .. last, without branches (the compiler's conditional moves).
inline int clampToWindow(int start, int last) {
    const int low = start < 0 ? 0 : start;
    return low > last ? last : low;
}

// The source pixels at displaced coordinates (column, row), mirrored and wrapped.
template <class V>
[[gnu::always_inline]] inline typename V::Vec gatherDisplaced(const Row& r, typename V::Vec columns,
                                                              typename V::Vec rows) {
    const auto width = V::set32(r.width);
    const auto height = V::set32(r.height);
    const auto column = wrapOnce<V>(columns, width);
    const auto row = wrapOnce<V>(rows, height);
    auto offsets = V::add32(V::mul32(row, width), column);
    const auto settled = V::both(V::below(column, width), V::below(row, height));
    if (!V::all(settled)) {
        offsets = settleByFullRule<V>(r.width, r.height, columns, rows, offsets, settled);
    }
    return V::gather(r.source, offsets);
}

// The pixels lane i reads when its source lies within the window of 2 * PIXEL_LANES source
// columns starting at `base` (at entry column[i]) on row y - 1, y or y + 1 (dy = -1, 0, 1);
// the rows must exist without mirroring or wrapping. Lanes reading elsewhere get garbage.
template <class V>
[[gnu::always_inline]] inline typename V::Vec pixelsFromNearRows(const Row& r, int base,
                                                                 typename V::Vec column,
                                                                 typename V::Vec dy) {
    constexpr int LANES = V::PIXEL_LANES;
    const std::uint8_t* window = r.sourceRow + static_cast<std::size_t>(base) * 4;
    const auto read = [&](const std::uint8_t* p) {
        return V::permute2(V::load(p), V::load(p + static_cast<std::ptrdiff_t>(LANES) * 4), column);
    };
    auto pixels = read(window);
    pixels = V::select(V::equal(dy, V::set32(-1)), read(window - r.rowBytes), pixels);
    return V::select(V::equal(dy, V::set32(1)), read(window + r.rowBytes), pixels);
}

// Bytes 0..2 of every pixel plus dx, held within 0..255: the slope clamped to -255..255
// splits into a part to add and a part to subtract, each a saturating byte operation.
template <class V>
[[gnu::always_inline]] inline typename V::Vec shade(typename V::Vec pixels, typename V::Vec dx) {
    const auto slope = V::min32(V::max32(dx, V::set32(-255)), V::set32(255));
    const auto lighter = V::max32(slope, V::set32(0));
    const auto darker = V::sub32(lighter, slope);
    return V::subSaturatedU8(V::addSaturatedU8(pixels, V::spreadLowBytes(lighter)),
                             V::spreadLowBytes(darker));
}

// A row is refracted in chunks of up to CHUNK_PIXELS pixels, in three passes, so that the
// reads of sources far from their pixel (the lanes no near-row window covers) are packed
// into as few gathers as possible: a gather costs about the same however few lanes it has,
// and a branch per vector between the two ways would be mispredicted as often as not.
//  1. every vector: slopes and near-row pixels; the displaced coordinates of the other
//     lanes appended to a queue;
//  2. the queue, a vector at a time: coordinates mirrored and wrapped, pixels gathered;
//  3. every vector: its near-row pixels with the gathered ones expanded into the other
//     lanes, shaded and stored.
constexpr int CHUNK_PIXELS = 512;  // NOLINT(misc-definitions-in-headers)

template <class V>
struct Chunk {
    static constexpr int LANES = V::PIXEL_LANES;
    static constexpr int VECTORS = CHUNK_PIXELS / LANES;
    unsigned far[VECTORS];                           // lanes read through the queue
    alignas(64) std::int32_t near[VECTORS][LANES];   // near-row pixels, or garbage
    alignas(64) std::int32_t slope[VECTORS][LANES];  // dx
    // Displaced columns (then the gathered pixels) and rows; a vector's worth of slack.
    alignas(64) std::int32_t columns[CHUNK_PIXELS + LANES];
    alignas(64) std::int32_t rows[CHUNK_PIXELS + LANES];
};

// Pass 1 for vector k of the chunk, pixels x0 ..; returns the new length of the queue.
template <class V>
[[gnu::always_inline]] inline int locateSources(const Row& r, Chunk<V>& chunk, int k, int x0,
                                                int queued) {
    constexpr int LANES = V::PIXEL_LANES;
    const auto x = static_cast<std::size_t>(x0);
    const auto dx = V::sub32(V::loadWidened(r.heights + x - 1), V::loadWidened(r.heights + x + 1));
    const auto dy = V::sub32(V::loadWidened(r.below + x), V::loadWidened(r.above + x));
    V::store(chunk.slope[k], dx);

    // On a real surface most sources lie a few columns away on the same row or the next:
    // a window of source columns around the vector, on three rows, read into registers.
    unsigned far = (1u << LANES) - 1;
    if (r.nearRowsExist) {
        const int base = clampToWindow(x0 - LANES / 2, r.lastWindow);
        const auto column = V::add32(V::set32(x0 - base), V::add32(V::laneIndex(), dx));
        const auto near = V::both(V::below(column, V::set32(2 * LANES)),
                                  V::below(V::add32(dy, V::set32(1)), V::set32(3)));
        V::store(chunk.near[k], pixelsFromNearRows<V>(r, base, column, dy));
        far &= ~V::flags(near);
    } else {
        V::store(chunk.near[k], V::set32(0));  // every lane is far; keeps pass 3's read defined
    }
    chunk.far[k] = far;
    const auto farLanes = V::maskOf(far);
    const auto columns = V::add32(V::set32(x0), V::add32(V::laneIndex(), dx));
    V::store(chunk.columns + queued, V::compress(columns, farLanes));
    V::store(chunk.rows + queued, V::compress(V::add32(V::set32(r.y), dy), farLanes));
    return queued + __builtin_popcount(far);
}

// Pass 3 for vector k, pixels x0 ..; returns the queue position of the next vector's pixels.
template <class V>
[[gnu::always_inline]] inline int finishPixels(const Row& r, const Chunk<V>& chunk, int k, int x0,
                                               int queued) {
    const unsigned far = chunk.far[k];
    const auto pixels =
        V::expand(V::load(chunk.near[k]), V::maskOf(far), V::load(chunk.columns + queued));
    V::storeRgb(r.out + static_cast<std::size_t>(x0) * 4,
                shade<V>(pixels, V::load(chunk.slope[k])));
    return queued + __builtin_popcount(far);
}

// Output pixels start .. end - 1 (at least PIXEL_LANES of them) of the row.
template <class V>
void refractChunk(const Row r, int start, int end) {
    constexpr int LANES = V::PIXEL_LANES;
    Chunk<V> chunk;
    // Vector k covers pixels start + k * LANES ..; the last one ends at `end` and overlaps
    // the one before it.
    const int vectors = (end - start + LANES - 1) / LANES;
    const auto firstPixel = [&](int k) {
        return k == vectors - 1 ? end - LANES : start + k * LANES;
    };

    int queued = 0;
    for (int k = 0; k < vectors; ++k) queued = locateSources<V>(r, chunk, k, firstPixel(k), queued);
    // Pixel (0, 0) pads the last gather: a real pixel, whatever lanes it leaves unused.
    V::store(chunk.columns + queued, V::set32(0));
    V::store(chunk.rows + queued, V::set32(0));
    for (int q = 0; q < queued; q += LANES) {
        V::store(chunk.columns + q,
                 gatherDisplaced<V>(r, V::load(chunk.columns + q), V::load(chunk.rows + q)));
    }
    queued = 0;
    for (int k = 0; k < vectors; ++k) queued = finishPixels<V>(r, chunk, k, firstPixel(k), queued);
}

template <class V>
void refractInterior(const RefractionRow& r) {
    constexpr int LANES = V::PIXEL_LANES;
    if (r.width - 2 < LANES) {
        imaging::rows::refractInteriorPortable(r);
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(r.width) * 4;
    const Row row{r.row,
                  r.below,
                  r.above,
                  r.source,
                  r.source + static_cast<std::size_t>(r.y) * rowBytes,
                  r.out,
                  rowBytes,
                  r.y,
                  r.width,
                  r.height,
                  r.width - 2 * LANES,
                  r.width >= 2 * LANES && r.y >= 1 && r.y <= r.height - 2};
    const int end = r.width - 1;
    for (int start = 1; start < end; start += CHUNK_PIXELS) {
        // A short last chunk starts early enough to hold one vector; the pixels it shares
        // with the chunk before get the same values twice.
        const int chunkEnd = end - start > CHUNK_PIXELS ? start + CHUNK_PIXELS : end;
        refractChunk<V>(row, chunkEnd - start < LANES ? chunkEnd - LANES : start, chunkEnd);
    }
}

}  // namespace
}  // namespace simd
