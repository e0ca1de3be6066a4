// kernels_avx2.cpp: the wave step's and the refraction's row kernels for AVX2 (with POPCNT),
// compiled for exactly those (CMakeLists.txt) and run only where the processor has them.

#if defined(__x86_64__) || defined(__i386__)

#if !(defined(__AVX2__) && defined(__POPCNT__))
#error "this file must be compiled with -mavx2 -mpopcnt"
#endif

#include "imaging/refraction_simd.hpp"
#include "sim/wave_simd.hpp"

void sim::rows::waveInteriorAvx2(const WaveRow& r) {
    simd::waveInterior<simd::Avx2>(r);
}

void imaging::rows::refractInteriorAvx2(const RefractionRow& r) {
    simd::refractInterior<simd::Avx2>(r);
}

#endif
