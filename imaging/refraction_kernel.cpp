// refraction_kernel.cpp: the refraction: rows shared among threads, and each row computed
// with the vectors of the active target (common/vector_targets.hpp). Highway compiles the
// code between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE once for every target.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imaging/refraction_kernel.cpp"
#include "imaging/refraction_kernel.hpp"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "imaging/refraction_rows.hpp"

HWY_BEFORE_NAMESPACE();
namespace imaging::HWY_NAMESPACE {
namespace {  // each target's kernel is reached only through the dispatch table below
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR

// A vector of one lane has nothing to add to the rule itself.
void refractRow(const rows::RefractionRow& r) {
    rows::refractEdges(r);
    rows::refractInteriorByRule(r, 1, r.width - 1);
}

#else

using Pixels = hn::ScalableTag<std::int32_t>;  // one lane per pixel, its four bytes
using Offsets = hn::Vec<Pixels>;

// The source offsets of displaced coordinates (columns, rows), by the full rule (mirror
// below 0, wrap at the far edge, any number of times) for the lanes not `inside` the
// picture. Rare on a real surface (near the edges, or after a huge drop), so out of line.
[[gnu::noinline]] Offsets offsetsByRule(const rows::RefractionRow& r, Offsets columns,
                                        Offsets rowsBelow, Offsets offsets,
                                        hn::Mask<Pixels> inside) {
    const Pixels d;
    constexpr std::size_t MAX_LANES = hn::MaxLanes(Pixels());
    HWY_ALIGN std::int32_t lanes[4][MAX_LANES];
    hn::Store(offsets, d, lanes[0]);
    hn::Store(columns, d, lanes[1]);
    hn::Store(rowsBelow, d, lanes[2]);
    hn::Store(hn::VecFromMask(d, inside), d, lanes[3]);
    for (std::size_t i = 0; i < hn::Lanes(d); ++i) {
        if (lanes[3][i] == 0) {
            lanes[0][i] = static_cast<std::int32_t>(
                rows::sourcePixel(r.width, r.height, lanes[1][i], lanes[2][i]));
        }
    }
    return hn::Load(d, lanes[0]);
}

// Heights from `row` on, one per 32-bit lane.
HWY_INLINE Offsets heightsAt(const std::int16_t* row) {
    return hn::PromoteTo(Pixels(), hn::LoadU(hn::Rebind<std::int16_t, Pixels>(), row));
}

using Bytes = hn::Repartition<std::uint8_t, Pixels>;

// Output pixels x .. x + Lanes - 1 of the row, none of them an edge pixel. `xs` holds x,
// x + 1, ...; `colourBytes` selects bytes 0..2 of every pixel, and `spread` is the byte
// shuffle that copies byte 0 of every pixel into its bytes 0..2 and clears byte 3.
HWY_INLINE void refractPixels(const rows::RefractionRow& r, int x, Offsets xs,
                              hn::Mask<Bytes> colourBytes, hn::Vec<Bytes> spread) {
    const Pixels d;
    const hn::RebindToUnsigned<Pixels> du;
    const Bytes bytes;
    const auto i = static_cast<std::size_t>(x);
    const auto dx = hn::Sub(heightsAt(r.row + i - 1), heightsAt(r.row + i + 1));
    const auto dy = hn::Sub(heightsAt(r.below + i), heightsAt(r.above + i));

    // Nearly every source lies inside the picture, where it needs neither mirror nor wrap:
    // one unsigned comparison per coordinate finds those, for the whole vector at once.
    const auto columns = hn::Add(xs, dx);
    const auto sourceRows = hn::Add(hn::Set(d, r.y), dy);
    const auto inside = hn::And(
        hn::Lt(hn::BitCast(du, columns), hn::Set(du, static_cast<std::uint32_t>(r.width))),
        hn::Lt(hn::BitCast(du, sourceRows), hn::Set(du, static_cast<std::uint32_t>(r.height))));
    auto offsets = hn::Add(hn::Mul(sourceRows, hn::Set(d, r.width)), columns);
    if (HWY_UNLIKELY(!hn::AllTrue(du, inside))) {
        offsets = offsetsByRule(r, columns, sourceRows, offsets, hn::RebindMask(d, inside));
    }
    // The picture's pixels are 4-byte groups: one 32-bit lane reads all of a pixel.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
    const auto* sourcePixels = reinterpret_cast<const std::int32_t*>(r.source);
    const auto pixels = hn::BitCast(bytes, hn::GatherIndex(d, sourcePixels, offsets));

    // Shading by dx within 0..255: the slope clamped to -255..255 splits into a part to add
    // and a part to subtract (one of them 0), each a saturating byte operation on bytes 0..2.
    const auto slope = hn::Min(hn::Max(dx, hn::Set(d, -255)), hn::Set(d, 255));
    const auto lighter = hn::Max(slope, hn::Zero(d));
    const auto darker = hn::Sub(lighter, slope);
    const auto shaded = hn::SaturatedSub(
        hn::SaturatedAdd(pixels, hn::TableLookupBytesOr0(hn::BitCast(bytes, lighter), spread)),
        hn::TableLookupBytesOr0(hn::BitCast(bytes, darker), spread));

    std::uint8_t* out = r.out + i * 4;
#if HWY_ARCH_X86 && HWY_TARGET > HWY_AVX3
    // x86 before AVX-512 has no byte-masked store (Highway would store byte by byte): the
    // fourth bytes are read and stored back as they were. Each row belongs to one thread.
    hn::StoreU(hn::IfThenElse(colourBytes, shaded, hn::LoadU(bytes, out)), bytes, out);
#else
    hn::BlendedStore(shaded, colourBytes, bytes, out);
#endif
}

void refractRow(const rows::RefractionRow& row) {
    // A copy of the row's pointers and sizes that no store can reach: the output is
    // written through byte pointers, which may alias anything whose address is known, and
    // would otherwise make the compiler reload every one of them after every store.
    const rows::RefractionRow r = row;
    const Pixels d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    rows::refractEdges(r);
    if (r.width - 2 < lanes) {
        rows::refractInteriorByRule(r, 1, r.width - 1);
        return;
    }
    const auto laneIndex = hn::Iota(d, 0);  // made once: Iota goes through memory
    // Bytes FF FF FF 00 in every pixel (little-endian lanes).
    const Bytes bytes;
    const auto colourBytes = hn::MaskFromVec(hn::BitCast(bytes, hn::Set(d, 0x00FFFFFF)));
    // Shuffles work within 128-bit blocks: the pattern for four pixels, in every block.
    alignas(16) static constexpr std::uint8_t SPREAD[16] = {0, 0, 0, 0x80, 4,  4,  4,  0x80,
                                                            8, 8, 8, 0x80, 12, 12, 12, 0x80};
    const auto spread = hn::LoadDup128(bytes, SPREAD);
    // The last vector ends at the last interior pixel and overlaps the one before it; the
    // output is not an input, so the overlap is simply written twice with the same values.
    const int last = r.width - 1 - lanes;
    auto xs = hn::Add(hn::Set(d, 1), laneIndex);
    for (int x = 1; x < last; x += lanes) {
        refractPixels(r, x, xs, colourBytes, spread);
        xs = hn::Add(xs, hn::Set(d, lanes));
    }
    refractPixels(r, last, hn::Add(hn::Set(d, last), laneIndex), colourBytes, spread);
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace
}  // namespace imaging::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

#include <hwy/cache_control.h>

#include <cstddef>
#include <cstdint>

#include "common/vector_targets.hpp"

namespace imaging {

HWY_EXPORT(refractRow);

namespace {

// The vector kernels index pixels and coordinates (up to a side plus the largest slope)
// with 32-bit lanes.
bool fitsVectorLanes(int width, int height) {
    constexpr std::int64_t LARGEST_SLOPE = 65535;
    constexpr std::int64_t LANE_LIMIT = INT32_MAX;
    return std::int64_t{width} * height <= LANE_LIMIT && width + LARGEST_SLOPE <= LANE_LIMIT &&
           height + LARGEST_SLOPE <= LANE_LIMIT;
}

// Source rows are asked for this many rows before the row whose pixels read them. A pixel's
// source lies within a few rows of its own (the slopes of a real surface are small), but in
// a gather no hardware prefetcher can follow, and a step that meets the picture evicted by a
// frame's drawing would otherwise wait on memory for most of its source reads. The distance
// was measured at 512 x 512 (4 rows helped less).
constexpr int SOURCE_ROWS_AHEAD = 8;

void prefetchSourceRow(const std::uint8_t* source, std::size_t rowBytes, int row) {
    constexpr std::size_t LINE = 64;
    const std::uint8_t* first = source + static_cast<std::size_t>(row) * rowBytes;
    for (std::size_t offset = 0; offset < rowBytes; offset += LINE) hwy::Prefetch(first + offset);
}

void refractRowByRule(const rows::RefractionRow& r) {
    rows::refractEdges(r);
    rows::refractInteriorByRule(r, 1, r.width - 1);
}

}  // namespace

// NOLINTNEXTLINE(readability-non-const-parameter): each row of `output` is written
void refract(const std::int16_t* field, const std::uint8_t* source, std::uint8_t* output, int width,
             int height) {
    if (width <= 0 || height <= 0) return;
    common::chooseVectorTarget();
    const auto rowKernel =
        fitsVectorLanes(width, height) ? &HWY_DYNAMIC_DISPATCH(refractRow) : &refractRowByRule;
    const auto stride = static_cast<std::size_t>(width);
#pragma omp parallel for schedule(static)
    for (int y = 0; y < height; ++y) {
        const int yBelow = y == 0 ? height - 1 : y - 1;
        const int yAbove = y == height - 1 ? 0 : y + 1;
        prefetchSourceRow(source, stride * 4,
                          static_cast<int>((std::int64_t{y} + SOURCE_ROWS_AHEAD) % height));
        rowKernel({.row = field + static_cast<std::size_t>(y) * stride,
                   .below = field + static_cast<std::size_t>(yBelow) * stride,
                   .above = field + static_cast<std::size_t>(yAbove) * stride,
                   .source = source,
                   .out = output + static_cast<std::size_t>(y) * stride * 4,
                   .y = y,
                   .width = width,
                   .height = height});
    }
}

}  // namespace imaging

#endif  // HWY_ONCE
