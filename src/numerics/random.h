// Random numbers: a combined 32-bit generator (uniform and Gaussian variates,
// each function with its own state, seeded from the clock on first use unless
// seeded explicitly) and the minimal-standard generator with shuffle table,
// ran1, whose seed lives with the caller. Nothing here is cryptographic. The
// state is module-global and unguarded: draw from one thread at a time.
#pragma once

#include <cstdint>

// The calendar time in seconds.
uint32_t timeSeed();

// Seeds the combined generators of uniformRandom, gaussianRandom and
// gaussianRandomB from nSeed as the clock would, and drops a stored Gaussian
// spare: from here on their sequences repeat run after run.
void seedRandomNumbers(uint32_t nSeed);

// Uniform in [lo, hi) (computed in float, so hi itself can come out).
double uniformRandom(float lo, float hi);
// Normal with mean 0 and standard deviation sigma (polar method; values come
// in pairs, the second kept unscaled and scaled by the sigma of its call).
double gaussianRandom(float sigma);
double gaussianRandomB(float sigma);

// Uniform in (0, 1), at most 0.99999988. A seed <= 0 restarts the sequence.
float ran1(int32_t* pnSeed);

// Swaps floor(hi * fraction) random pairs among a[lo..hi]. False when a is
// null or the range is empty or starts below 1.
bool shuffleFloatArray(float* a, int lo, int hi, float fraction);

// Fills idx[1..hi] with an ordering of 1..hi: 1..lo-1 in place, then about
// hi * fraction indices drawn at random, then the rest in increasing order.
// When the draws did not make a complete order, idx[lo..hi] = lo..hi and the
// result is false.
bool shuffleFloatArrayB(int* idx, int lo, int hi, float fraction);
