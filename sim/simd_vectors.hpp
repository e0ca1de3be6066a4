// simd_vectors.hpp: the few vector operations the wave step and the refraction need, once
// for AVX2 and once for AVX-512, so each kernel is written once as a template over them.
//
// Include only from the files compiled for these instruction sets (kernels_avx2.cpp,
// kernels_avx512.cpp); everything here has internal linkage, so no copy compiled with wide
// instructions can stand in for code that other files run on any processor.
#pragma once

#if defined(__AVX2__)
// GCC 12's intrinsics start some results from a deliberately undefined register value and
// then warn about it at -O2 (GCC bug 105593); the warning is about the header alone.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

#include <cstddef>
#include <cstdint>

namespace simd {
// Internal linkage on purpose: this header is compiled once per instruction set, and no
// copy built for wide instructions may stand in for another at link time.
namespace {  // NOLINT(cert-dcl59-cpp)

// The shared vocabulary of both structs:
//   Vec         a register of HEIGHT_LANES int16 or PIXEL_LANES int32 / RGBA pixel lanes
//   Mask        a per-pixel-lane condition; `all` and `flags` read it, `select` uses it
//   below(a, n) a < n as unsigned, for a bound 0 <= n: false for every negative a
//   permute2    lane i takes entry idx[i] (0 .. 2 * PIXEL_LANES - 1) of the pair lo:hi
//   storeRgb    stores bytes 0..2 of every pixel lane and leaves the fourth in memory alone
//   compress    the lanes of m, in order, moved to the front (the lanes after them: any)
//   expand      the inverse: the lanes of m take packed[0], packed[1], ... in order, the
//               others keep `base`
//   maskOf      the Mask whose lane i is bit i of `flags`, the inverse of `flags`

#if defined(__AVX2__)
// Eight-lane compress and expand as permutations looked up by the mask; AVX2 has neither.
struct LanePermutations {
    std::uint8_t compress[256][8];
    std::uint8_t expand[256][8];
};
constexpr LanePermutations makeLanePermutations() {
    LanePermutations table{};
    for (int mask = 0; mask < 256; ++mask) {
        int packed = 0;
        for (int lane = 0; lane < 8; ++lane) {
            if ((mask >> lane & 1) == 0) continue;
            table.compress[mask][packed] = static_cast<std::uint8_t>(lane);
            table.expand[mask][lane] = static_cast<std::uint8_t>(packed);
            ++packed;
        }
    }
    return table;
}
constexpr LanePermutations LANE_PERMUTATIONS =  // NOLINT(misc-definitions-in-headers)
    makeLanePermutations();
#endif

#if defined(__AVX2__)
struct Avx2 {
    using Vec = __m256i;
    // Only the sign bit of each lane counts: `select` blends on it and `all` reads it, so
    // a condition on the sign of a value can be the value itself.
    using Mask = __m256i;
    static constexpr int HEIGHT_LANES = 16;
    static constexpr int PIXEL_LANES = 8;

    static Vec load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
    static void store(void* p, Vec v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }

    static Vec set16(std::int16_t v) { return _mm256_set1_epi16(v); }
    static Vec add16(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
    static Vec sub16(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    template <int N>
    static Vec shift16(Vec a) {
        return _mm256_srai_epi16(a, N);
    }
    static Vec bitAnd(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }

    static Vec loadWidened(const std::int16_t* p) {
        return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static Vec set32(std::int32_t v) { return _mm256_set1_epi32(v); }
    static Vec laneIndex() { return _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }
    static Vec add32(Vec a, Vec b) { return _mm256_add_epi32(a, b); }
    static Vec sub32(Vec a, Vec b) { return _mm256_sub_epi32(a, b); }
    static Vec mul32(Vec a, Vec b) { return _mm256_mullo_epi32(a, b); }
    static Vec min32(Vec a, Vec b) { return _mm256_min_epi32(a, b); }
    static Vec max32(Vec a, Vec b) { return _mm256_max_epi32(a, b); }

    static Mask below(Vec a, Vec n) { return _mm256_andnot_si256(a, _mm256_cmpgt_epi32(n, a)); }
    static Mask negative(Vec a) { return a; }
    static Mask equal(Vec a, Vec b) { return _mm256_cmpeq_epi32(a, b); }
    static Mask both(Mask a, Mask b) { return _mm256_and_si256(a, b); }
    static unsigned flags(Mask m) {
        return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(m)));
    }
    static bool all(Mask m) { return flags(m) == 0xFFu; }
    static bool any(Mask m) { return flags(m) != 0; }
    static Vec select(Mask m, Vec ifSet, Vec ifClear) {
        return _mm256_castps_si256(_mm256_blendv_ps(
            _mm256_castsi256_ps(ifClear), _mm256_castsi256_ps(ifSet), _mm256_castsi256_ps(m)));
    }

    static Vec permute2(Vec lo, Vec hi, Vec idx) {
        // Bit 3 of the index picks the register: moved to the sign bit, it drives the blend.
        return select(_mm256_slli_epi32(idx, 28), _mm256_permutevar8x32_epi32(hi, idx),
                      _mm256_permutevar8x32_epi32(lo, idx));
    }
    static Vec gather(const std::uint8_t* pixels, Vec offsets) {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(pixels), offsets, 4);
    }
    static Vec spreadLowBytes(Vec a) {
        const Vec pattern = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12, 0,
                                             0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12);
        return _mm256_shuffle_epi8(a, pattern);
    }
    static Vec addSaturatedU8(Vec a, Vec b) { return _mm256_adds_epu8(a, b); }
    static Vec subSaturatedU8(Vec a, Vec b) { return _mm256_subs_epu8(a, b); }
    static Vec lanePattern(const std::uint8_t (&lanes)[8]) {
        return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes)));
    }
    static Vec compress(Vec v, Mask m) {
        return _mm256_permutevar8x32_epi32(v, lanePattern(LANE_PERMUTATIONS.compress[flags(m)]));
    }
    static Vec expand(Vec base, Mask m, Vec packed) {
        const auto spread = lanePattern(LANE_PERMUTATIONS.expand[flags(m)]);
        return select(m, _mm256_permutevar8x32_epi32(packed, spread), base);
    }
    static Mask maskOf(unsigned laneFlags) {
        // Bit i of the flags to the sign bit of lane i.
        return _mm256_sllv_epi32(_mm256_set1_epi32(static_cast<int>(laneFlags)),
                                 _mm256_setr_epi32(31, 30, 29, 28, 27, 26, 25, 24));
    }
    static void storeRgb(std::uint8_t* p, Vec pixels) {
        // AVX2 has no byte-masked store that is fast; the row belongs to this thread, so
        // blending in the fourth bytes as they are and storing them back changes nothing.
        const Vec rgb = _mm256_set1_epi32(0x00FFFFFF);
        store(p, _mm256_blendv_epi8(load(p), pixels, rgb));
    }
};
#endif

#if defined(__AVX512F__) && defined(__AVX512BW__) && defined(__AVX512VL__)
struct Avx512 {
    using Vec = __m512i;
    using Mask = __mmask16;
    static constexpr int HEIGHT_LANES = 32;
    static constexpr int PIXEL_LANES = 16;

    static Vec load(const void* p) { return _mm512_loadu_si512(p); }
    static void store(void* p, Vec v) { _mm512_storeu_si512(p, v); }

    static Vec set16(std::int16_t v) { return _mm512_set1_epi16(v); }
    static Vec add16(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
    static Vec sub16(Vec a, Vec b) { return _mm512_sub_epi16(a, b); }
    template <int N>
    static Vec shift16(Vec a) {
        return _mm512_srai_epi16(a, N);
    }
    static Vec bitAnd(Vec a, Vec b) { return _mm512_and_si512(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }

    static Vec loadWidened(const std::int16_t* p) {
        return _mm512_cvtepi16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
    }
    static Vec set32(std::int32_t v) { return _mm512_set1_epi32(v); }
    static Vec laneIndex() {
        return _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    }
    static Vec add32(Vec a, Vec b) { return _mm512_add_epi32(a, b); }
    static Vec sub32(Vec a, Vec b) { return _mm512_sub_epi32(a, b); }
    static Vec mul32(Vec a, Vec b) { return _mm512_mullo_epi32(a, b); }
    static Vec min32(Vec a, Vec b) { return _mm512_min_epi32(a, b); }
    static Vec max32(Vec a, Vec b) { return _mm512_max_epi32(a, b); }

    static Mask below(Vec a, Vec n) { return _mm512_cmplt_epu32_mask(a, n); }
    static Mask negative(Vec a) { return _mm512_cmplt_epi32_mask(a, _mm512_setzero_si512()); }
    static Mask equal(Vec a, Vec b) { return _mm512_cmpeq_epi32_mask(a, b); }
    static Mask both(Mask a, Mask b) { return _kand_mask16(a, b); }
    static unsigned flags(Mask m) { return m; }
    static bool all(Mask m) { return m == 0xFFFFu; }
    static bool any(Mask m) { return m != 0; }
    static Vec select(Mask m, Vec ifSet, Vec ifClear) {
        return _mm512_mask_blend_epi32(m, ifClear, ifSet);
    }

    static Vec permute2(Vec lo, Vec hi, Vec idx) { return _mm512_permutex2var_epi32(lo, idx, hi); }
    static Vec gather(const std::uint8_t* pixels, Vec offsets) {
        return _mm512_i32gather_epi32(offsets, pixels, 4);
    }
    static Vec spreadLowBytes(Vec a) {
        const Vec pattern = _mm512_broadcast_i32x4(
            _mm_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12));
        return _mm512_shuffle_epi8(a, pattern);
    }
    static Vec addSaturatedU8(Vec a, Vec b) { return _mm512_adds_epu8(a, b); }
    static Vec subSaturatedU8(Vec a, Vec b) { return _mm512_subs_epu8(a, b); }
    static Vec compress(Vec v, Mask m) { return _mm512_maskz_compress_epi32(m, v); }
    static Vec expand(Vec base, Mask m, Vec packed) {
        return _mm512_mask_expand_epi32(base, m, packed);
    }
    static Mask maskOf(unsigned laneFlags) { return static_cast<Mask>(laneFlags); }
    static void storeRgb(std::uint8_t* p, Vec pixels) {
        _mm512_mask_storeu_epi8(p, 0x7777777777777777u, pixels);
    }
};
#endif

}  // namespace
}  // namespace simd
