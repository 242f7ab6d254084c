// The classical boundary analyses of velocity data: the extrapolation of
// ls-g*(s) area fractions against 1/sqrt(t), the van Holde-Weischet analysis,
// the moving-boundary model of the extrapolated fraction lines with its
// direct fit, and the result plot of apparent s against 1/sqrt(t) that both
// analyses leave in the main window.
//
// Both analyses divide a boundary into fractions, give each fraction an
// apparent s per time, and extrapolate each fraction's s linearly in
// 1/sqrt(t) to infinite time, where diffusion no longer spreads the
// boundary. The extrapolated s values with their cumulative fractions are the
// integral distribution G(s), left in the distribution result.
//
// Arrays are 1-based (toolbox allocators); [scan][fraction] and [set][fraction]
// matrices are row-pointer matrices.
#pragma once

#include "platform/win_types.h"

class TXLAWindow;
class CCurve;
class CWINPlot;
class CVector;

// ---------------------------------------------------------------- settings
// Sets of scans: clear = sliding sets (scans k .. k + n - 1), set =
// consecutive sets (scans (k - 1) n + 1 .. k n); the check box "slide frame"
// shows the complement. With bFitBoundaryFractions the fraction lines are
// fitted to the scans directly after the extrapolation.
extern unsigned char bNonOverlappingSets;
extern unsigned char bFitBoundaryFractions;
// Fractions of the van Holde-Weischet analysis (floor of the resolution at
// the start, lowered while fractions stay empty).
extern int nVhwFractions;

// ---------------------------------------------------------------- run state of the extrapolation
// omega^2 (1/s^2) from the rotor speed of scan number nScans.
extern double dLsgOmega2;
// Per set: the mean time of its scans (s); per set and fraction the s (S)
// where the set's cumulative area reaches the fraction's target. Both live
// during a run only.
extern float* pSetTimes;
extern float** ppSetFractionS;
extern int nLsgSets;
// Mean total area of the set distributions; after the moving-boundary model
// the solved total loading ("loccload").
extern float fLoadingConcentration;
// The ls-g*(s) of every set (rows 1..nScans, s grid points 1..nResolution),
// the number of sets stored and a copy of the s grid; kept after the run
// for copying. One curve per row on the grid copy and the row.
extern float** ppSetLsgDistributions;
extern int nSetLsgDistributions;
extern float* pSetLsgGrid;
extern CCurve** ppSetLsgCurves;
// The largest s that stays inside the fit range during the first scan of
// the current set.
extern float fLsgMaxS;

// ---------------------------------------------------------------- the fraction arrays (one zeroed block)
// [scan 1..nScans][fraction 1..n]: radius of each fraction (cm), radius of
// the model boundary (cm), and ppFractionS: in the extrapolation the exponent
// omega^2 t s 1e-13 of the model, in van Holde-Weischet the apparent s (S).
// Per scan the plateau height above the baseline; per fraction the intercept
// (S) and slope (S s^1/2) of its line s = intercept + slope / sqrt(t).
extern float** ppFractionRadius;
extern float** ppModelBoundaryRadius;
extern float** ppFractionS;
extern float* pPlateauHeight;
extern float* pFractionIntercept;
extern float* pFractionSlope;
// Releases an earlier block, then allocates one for n fractions and nScans
// scans, zeroed; false with the non-fatal message "could not allocate arrays,
// increase memory or take fewer scans".
bool allocAreaFractionArrays(int n);
void freeAreaFractionArrays();
// The same sized by nVhwFractions.
bool allocVhwArrays();
void freeVhwArrays();
// Fractions of the block now allocated (0 when none).
int fractionArrayFractions();

// ---------------------------------------------------------------- the extrapolation of area fractions
// The whole run; false when stopped or refused.
bool runAreaFractionExtrapolation(TXLAWindow* pWindow);
// ls-g*(s) of the scans at time-order positions nFirst..nLast into
// pDistValues (zero above fLsgMaxS, area = the summed amplitudes); false when
// a key stopped it.
bool calcSetLsgDistribution(int nFirst, int nLast);
// The normal equations of one set (sums over its scans only): no noise, one
// baseline, TI noise, RI noise, both.
void buildSetNE(int nFirst, int nLast);
void buildSetNEBaseline(int nFirst, int nLast);
void buildSetNETiNoise(int nFirst, int nLast);
void buildSetNERiNoise(int nFirst, int nLast);
void buildSetNETiRiNoise(int nFirst, int nLast);
// The row of set k of ppSetFractionS; returns the set's total area.
float calcBoundaryFractionS(int k);
// Integral from a to b of the straight-line interpolation of (x[i], y[i]),
// i = 1..n, x ascending; negated for a > b; 0 when both limits lie outside
// the points on one side. Single precision.
float integratePiecewiseLinear(const float* x, const float* y, float a, float b, int n);
// The abscissa at which the integral from fLower reaches fTarget, searching
// from the first point at or above fStart; x[n] when the target is beyond the
// area. A flat segment is inverted exactly (R / y).
float invertPiecewiseLinearIntegral(float fTarget, const float* x, const float* y, float fLower, float fStart, int n);

// ---------------------------------------------------------------- the moving-boundary model and its fit
// The model of all fraction lines: per fraction a sharp, radially diluted
// boundary carrying 1/n of the loading at the radius its s(t) reaches; the
// amplitude, baseline and noise are solved as for one discrete species.
// Returns the rmsd.
float calcSvsTime(const float* pSlopes, const float* pIntercepts);
// The restarted simplex of every fraction's line, two sweeps; true.
bool fitAreaFractionExtrapolation(TXLAWindow* pWindow);
// Objective of that fit: the rmsd with the vertex (intercept, slope) as the
// line of the fraction being fitted; 1e10 once a key stopped the fit.
float areaFractionObjective(float* pVertex, TXLAWindow* pWindow);
// Progress texts of the direct fit and of every simplex step.
void showAreaFractionStep(TXLAWindow* pWindow);
void showSimplexStep(TXLAWindow* pWindow);

// ---------------------------------------------------------------- the van Holde-Weischet analysis
// The whole run; false without a window, without data or meniscus and bottom,
// or when fractions stay empty down to 4 fractions.
bool runVanHoldeWeischet(TXLAWindow* pWindow);
float calcVhwBaseline(float fWidth);
void calcPlateauHeights(float fWidth);
bool divideBoundaryFractions(TXLAWindow* pWindow);

// ---------------------------------------------------------------- the result plot
// s against 1/sqrt(t): per set (or scan) the s of every fraction, per
// fraction its line down to 1/sqrt(t) = 0. nBoundaryFractions fractions;
// sMatrix[set][fraction].
extern CWINPlot* pAreaFractionPlot;
extern int nPlotSets;
void plotAreaFractionResults(const float* pTimes, float** sMatrix, int nSets, const float* pIntercepts,
                             const float* pSlopes);
// Releases the result plot with its arrays, views and curves.
void clearExtrapolationResults();
// The window's release of the result (Escape, a click): the plot goes and
// the window is painted without it; true when it was shown.
bool releaseAreaFractionDisplay(TXLAWindow* pWindow);

// Everything this module holds (result plot, set distributions, fraction
// arrays), for the end of the program.
void freeBoundaryAnalyses();
