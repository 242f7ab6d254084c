// The distribution the user sees: the solution of the normal equations put
// into the result store and turned into a density, the reshaping of a shown
// distribution on request (s20,w, Stokes radius, a size-dependent signal,
// the running integral) and the six-column file of the two-dimensional grid.
#pragma once

class TXLAWindow;

// The end of a distribution run: fit and noise from the solution, the
// distribution from it (the marginal over f/f0 for the two-dimensional
// models) as a density, the stores released (one-dimensional models) or kept
// for the next run of the same grid, the plot redrawn.
void finishContiSed(TXLAWindow* pWindow);

// Divides each amplitude by the local grid spacing (the first and last point
// by half their one-sided spacing), so that the values become a density per
// unit of the axis. A discrete species at point 1 keeps its amplitude. The
// ls-g*(s) model first zeroes every point above the largest s observable at
// the first scan. Nothing for fewer than 2 grid points.
void convertAmplitudesToDensity();

// The transforms to s20,w and to Stokes radii and the correction for a
// size-dependent signal are declared with the result (distribution_result.h),
// the six-column file with the distribution files (distribution_file.h).

// The running trapezoidal integral replaces the differential distribution
// (light-scattering data excepted); a discrete species at point 1 keeps its
// amplitude and the second distribution is left alone.
void differentialToIntegralDistribution();
