// portable_rand.cpp: rand() and srand() for the portable replay, giving the same numbers with
// every C library, so builds for different systems can be fed the same drops. The systems' own
// generators differ (glibc's is additive with 31-bit results, msvcrt's a 15-bit congruential
// one). The executable's definitions take the place of the C library's.
// No header: the C libraries declare these two with differing exception specifications.

namespace {

unsigned long long state = 1;

}  // namespace

extern "C" void srand(unsigned seed) {
    state = seed;
}

// A 64-bit congruential step; the top bits are the best ones. 15 bits: the smallest RAND_MAX
// a C library may have, so the values fit every library's range.
extern "C" int rand() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state >> 33) & 0x7fffu);
}
