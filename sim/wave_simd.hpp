// wave_simd.hpp: the interior of a wave-step row in vectors of 16-bit lanes, written once
// for any vector struct of sim/simd_vectors.hpp (include only after it, from its users).
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/simd_vectors.hpp"
#include "sim/wave_rows.hpp"

namespace simd {
// Internal linkage on purpose: this header is compiled once per instruction set, and no
// copy built for wide instructions may stand in for another at link time.
namespace {  // NOLINT(cert-dcl59-cpp)

// The new heights of the cells x .. x + HEIGHT_LANES - 1 of the row.
//
// The neighbour sum s = a + b + c + d needs 18 bits, but only floor(s / 2) modulo 2^16
// matters, since the rule wraps to 16 bits right after. Halving each pair first keeps every
// step in 16 bits: floor((a + b) / 2) = (a & b) + ((a ^ b) >> 1) exactly, and halving the
// two pair sums loses a carry exactly when both are odd.
template <class V>
typename V::Vec waveCells(const sim::rows::WaveRow& r, int x) {
    const auto i = static_cast<std::size_t>(x);
    const auto a = V::load(r.row + i - 1);
    const auto b = V::load(r.row + i + 1);
    const auto c = V::load(r.below + i);
    const auto d = V::load(r.above + i);
    const auto abOdd = V::bitXor(a, b);
    const auto cdOdd = V::bitXor(c, d);
    const auto halfAb = V::add16(V::bitAnd(a, b), V::template shift16<1>(abOdd));
    const auto halfCd = V::add16(V::bitAnd(c, d), V::template shift16<1>(cdOdd));
    const auto carry = V::bitAnd(V::bitAnd(abOdd, cdOdd), V::set16(1));
    const auto halfSum = V::add16(V::add16(halfAb, halfCd), carry);
    const auto v = V::sub16(halfSum, V::load(r.out + i));
    return V::sub16(v, V::template shift16<5>(v));
}

template <class V>
void waveInterior(const sim::rows::WaveRow& r) {
    constexpr int LANES = V::HEIGHT_LANES;
    if (r.width - 2 < LANES) {
        sim::rows::waveInteriorPortable(r);
        return;
    }
    // The last vector ends at the last interior cell and overlaps the one before it. The
    // cells are updated in place, so it is computed first, from heights no store has yet
    // replaced, and stored last: the overlap gets the same values twice.
    const int last = r.width - 1 - LANES;
    const auto lastCells = waveCells<V>(r, last);
    for (int x = 1; x < last; x += LANES) V::store(r.out + x, waveCells<V>(r, x));
    V::store(r.out + last, lastCells);
}

}  // namespace
}  // namespace simd
