// The common radial grid of the systematic noise, the fit limits and their
// point ranges, the extrapolation of the initial scan, and the integral
// fringe corrections of interference data.
#pragma once

// Rebuilds the whole noise model of the loaded set.
void setupNoiseRadialGrid();
// Releases the noise model; n is the number of scans whose vectors to free.
void freeNoiseArrays(int n);

// Keep the fit limits valid and rebuild the point ranges, sums and RI noise.
void updateLeftFitLimit();
void updateRightFitLimit();

void allocExtraNoiseArrays();
void freeExtraNoiseArrays();

void freeExtrapolationArrays();
void extrapolateAtLeftLimit();
void extrapolateAtRightLimit();

// Removes integral fringe jumps larger than the threshold inside the fit
// limits, from the residuals or from the signal.
void findFringeJumps(float fThreshold, unsigned char bUseResiduals);
// Aligns the mean of every interference scan over the band r1..r2 to the
// earliest scan's.
void eliminateJitter(float r1, float r2);
// Shifts each interference scan by whole fringes to the earliest scan at the
// radius, then adds the offset to all.
void alignOffsetAtRadius(float fOffset, float fRadius);
