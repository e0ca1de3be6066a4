// kernels_avx512.cpp: the wave step's and the refraction's row kernels for AVX-512 (F, BW,
// VL, with POPCNT), compiled for exactly those (CMakeLists.txt); run only where present.

#if defined(__x86_64__) || defined(__i386__)

#if !(defined(__AVX512F__) && defined(__AVX512BW__) && defined(__AVX512VL__) && defined(__POPCNT__))
#error "this file must be compiled with -mavx512f -mavx512bw -mavx512vl -mpopcnt"
#endif

#include "imaging/refraction_simd.hpp"
#include "sim/wave_simd.hpp"

void sim::rows::waveInteriorAvx512(const WaveRow& r) {
    simd::waveInterior<simd::Avx512>(r);
}

void imaging::rows::refractInteriorAvx512(const RefractionRow& r) {
    simd::refractInterior<simd::Avx512>(r);
}

#endif
