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

// s to s20,w for the experiment's vbar, the vbar at 20 degrees Celsius, the
// absolute viscosity (Pa s) and density (g/ml) of the buffer; the area stays.
// 0 (nothing changed) for the M-type models and electrophoresis c(v).
unsigned char transformDistributionToS20w(float fVbar, float fVbar20, float fViscosity, float fDensity);
// An s20,w axis to Stokes radii in nm, the values rescaled so that the
// trapezoidal area of each shown curve stays. Always 1.
unsigned char transformDistributionToRh(float fVbar20);
// Divides every value by the signal coefficient a(R) = p0 + p1 R + ... of the
// grid point's abscissa, the coefficients read one per line from the file.
// A file that gives no coefficient, or an a(R) of 0 at a grid point, is
// refused with a box and leaves the distribution as it was (result 0).
unsigned char correctDistributionForSizeDependentSignal(const char* szPath);
// The running trapezoidal integral replaces the differential distribution
// (light-scattering data excepted); a discrete species at point 1 keeps its
// amplitude and the second distribution is left alone.
void differentialToIntegralDistribution();

// The two-dimensional grid with its values: one line "s M f/f0 D Rh c" per
// point ("%e"); "Attention: could not open <path>" when the file cannot be
// written.
void saveDistributionFile(const char* szPath);
