// wave_kernel.cpp: the wave step: rows shared among threads, and each row computed with the
// vectors of the active target (common/vector_targets.hpp). Highway compiles the code between
// HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE once for every target.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "sim/wave_kernel.cpp"
#include "sim/wave_kernel.hpp"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "sim/wave_rows.hpp"

HWY_BEFORE_NAMESPACE();
namespace sim::HWY_NAMESPACE {
namespace {  // each target's kernel is reached only through the dispatch table below
namespace hn = hwy::HWY_NAMESPACE;

// The new heights of the cells x .. x + Lanes(d) - 1 of the row, none of them an edge cell.
//
// The neighbour sum s = a + b + c + d needs 18 bits, but only floor(s / 2) modulo 2^16
// matters, since the rule wraps to 16 bits right after. Halving each pair first keeps every
// step in 16-bit lanes: floor((a + b) / 2) = (a & b) + ((a ^ b) >> 1) exactly, and halving
// the two pair sums loses a carry exactly when both are odd.
template <class D>
HWY_INLINE hn::Vec<D> waveCells(D d, const rows::WaveRow& r, int x) {
    const auto i = static_cast<std::size_t>(x);
    const auto a = hn::LoadU(d, r.row + i - 1);
    const auto b = hn::LoadU(d, r.row + i + 1);
    const auto c = hn::LoadU(d, r.below + i);
    const auto e = hn::LoadU(d, r.above + i);
    const auto abOdd = hn::Xor(a, b);
    const auto ceOdd = hn::Xor(c, e);
    const auto halfAb = hn::Add(hn::And(a, b), hn::ShiftRight<1>(abOdd));
    const auto halfCe = hn::Add(hn::And(c, e), hn::ShiftRight<1>(ceOdd));
    const auto carry = hn::And(hn::And(abOdd, ceOdd), hn::Set(d, 1));
    const auto halfSum = hn::Add(hn::Add(halfAb, halfCe), carry);
    const auto v = hn::Sub(halfSum, hn::LoadU(d, r.out + i));
    return hn::Sub(v, hn::ShiftRight<5>(v));  // arithmetic shift: rounds towards -infinity
}

#if HWY_TARGET == HWY_SCALAR

// A vector of one lane has nothing to add to the rule itself, which the compiler vectorises
// with the instructions every processor of the architecture has.
void waveRow(const rows::WaveRow& r) {
    rows::waveEdges(r);
    rows::waveInteriorByRule(r, 1, r.width - 1);
}

#else

void waveRow(const rows::WaveRow& row) {
    const rows::WaveRow r = row;  // a copy the stores cannot alias (see the refraction)
    const hn::ScalableTag<std::int16_t> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    rows::waveEdges(r);
    if (r.width - 2 < lanes) {
        rows::waveInteriorByRule(r, 1, r.width - 1);
        return;
    }
    // The last vector ends at the last interior cell and overlaps the one before it. The
    // cells are updated in place, so it is computed first, from heights no store has yet
    // replaced, and stored last: the overlap gets the same values twice.
    const int last = r.width - 1 - lanes;
    const auto lastCells = waveCells(d, r, last);
    for (int x = 1; x < last; x += lanes) {
        hn::StoreU(waveCells(d, r, x), d, r.out + static_cast<std::size_t>(x));
    }
    hn::StoreU(lastCells, d, r.out + static_cast<std::size_t>(last));
}

#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace
}  // namespace sim::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

#include <cstddef>

#include "common/vector_targets.hpp"

namespace sim {

HWY_EXPORT(waveRow);

// NOLINTNEXTLINE(readability-non-const-parameter): each row of `previous` is written
void waveStep(const std::int16_t* latest, std::int16_t* previous, int width, int height) {
    if (width <= 0 || height <= 0) return;
    common::chooseVectorTarget();
    const auto rowKernel = &HWY_DYNAMIC_DISPATCH(waveRow);
    const auto stride = static_cast<std::size_t>(width);
#pragma omp parallel for schedule(static)
    for (int y = 0; y < height; ++y) {
        const int yBelow = y == 0 ? height - 1 : y - 1;
        const int yAbove = y == height - 1 ? 0 : y + 1;
        rowKernel({.row = latest + static_cast<std::size_t>(y) * stride,
                   .below = latest + static_cast<std::size_t>(yBelow) * stride,
                   .above = latest + static_cast<std::size_t>(yAbove) * stride,
                   .out = previous + static_cast<std::size_t>(y) * stride,
                   .width = width});
    }
}

}  // namespace sim

#endif  // HWY_ONCE
