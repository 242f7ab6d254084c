// Equilibrium-analysis state that the loaders read.
#pragma once

#include "platform/win_types.h"
// The M* screens of equilibrium data (bMStarMode, mStarSetScreen, ...).
#include "analyses/mstar/mstar_screen.h"

// Equilibrium fitting with discrete species: interference data are treated
// as absorbance and both noise fits are switched on by the loaders.
extern unsigned char bEquilibriumDiscrete;
// Equilibrium fitting of the A + B <-> AB model.
extern unsigned char bEquilibriumHeteroAssoc;
// Approach-to-equilibrium test mode.
extern unsigned char bEqTestMode;
extern unsigned char bEqTestPlotShown;
// Series of the test mode (1..nEqTestSeries, at most 500) and the groups of
// scan-file extensions with the smallest file number loaded with each; read
// by the realtime update of files, which sets bEqTestAutoLimits when the user
// keeps the default fitting limits for new series.
inline constexpr int nEqTestMaxSeries = 500;
extern int nEqTestSeries;
extern int pEqTestSeriesCount[nEqTestMaxSeries + 1];
extern int nEqTestGroups;
extern char pEqTestGroupNames[nEqTestMaxSeries + 1][10];
extern int pEqTestGroupFirstScan[nEqTestMaxSeries + 1];
extern unsigned char bEqTestAutoLimits;

// The boundary analysis is the ls-g*(s) area-fraction extrapolation (not the
// van Holde-Weischet analysis).
extern unsigned char bExtrapolateAreaFractions;

class TXLAWindow;
// Leaves the approach-to-equilibrium test mode (plot, flags) and redraws.
void endEqTestMode(TXLAWindow* pWindow);
// Saves the fitted equilibrium curve of the last scan as a scan file.
void saveEquilibriumScan(const char* szPath);
// The Run of the approach-to-equilibrium test, of the sedimentation-
// equilibrium modes and of the two boundary analyses (van Holde-Weischet,
// ls-g*(s) area-fraction extrapolation); the Fit of the equilibrium modes.
void runEqTest(TXLAWindow* pWindow);
void runEquilibriumSingleSpecies(TXLAWindow* pWindow);
void fitEquilibriumSingleSpecies(TXLAWindow* pWindow);
void runVanHoldeWeischet(TXLAWindow* pWindow);
void runAreaFractionExtrapolation(TXLAWindow* pWindow);
// The per-step text of the boundary analyses' simplex fits.
void showSimplexStep(TXLAWindow* pWindow);

// The ls-g*(s) area-fraction extrapolation: the number of boundary fractions
// (also entry 11 of the parameter vector) and the scans of one g*(s) set
// (entry 3).
extern int nBoundaryFractions;
extern int nScansPerLsgSet;

// The time-dependent s and M fits of command 266: sets of
// nTimeDependentScansPerSet scans sliding over the data (scans 1-4, 2-5, ...)
// or growing from the first scan (1-4, 1-5, ...); the picture of the result
// plot (null when there is none) and the release of the results.
extern int nTimeDependentScansPerSet;
void fitTimeDependentSMSliding(TXLAWindow* pWindow);
void fitTimeDependentSMGrowing(TXLAWindow* pWindow);
win::HMETAFILE drawTimeDependentSMPlot();
void freeTimeDependentSM();
// Frees the results of the area-fraction extrapolation and the van
// Holde-Weischet analysis and their plot.
void clearExtrapolationResults();
