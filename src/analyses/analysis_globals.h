// Equilibrium-analysis state that the loaders read.
#pragma once

// The M* screens of equilibrium data (bMStarMode, mStarSetScreen, ...).
#include "analyses/mstar/mstar_screen.h"
#include "analyses/boundary/boundary_fractions.h"
#include "analyses/time_dependent_sm.h"
#include "platform/win_types.h"

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
// The Run of the approach-to-equilibrium test and of the sedimentation-
// equilibrium modes; the Fit of the equilibrium modes. The Run of the two
// boundary analyses (van Holde-Weischet, ls-g*(s) area-fraction
// extrapolation) and the release of their result plot are in
// analyses/boundary/boundary_fractions.h.
void runEqTest(TXLAWindow* pWindow);
void runEquilibriumSingleSpecies(TXLAWindow* pWindow);
void fitEquilibriumSingleSpecies(TXLAWindow* pWindow);

// The ls-g*(s) area-fraction extrapolation: the number of boundary fractions
// (also entry 11 of the parameter vector) and the scans of one g*(s) set
// (entry 3).
extern int nBoundaryFractions;
extern int nScansPerLsgSet;

// The time-dependent s and M fits of command 266 (nScansPerSMSet, the
// sliding and growing fit series, their result plot and its release) are in
// analyses/time_dependent_sm.h.
// Leaves the M* screens.
void mStarFreePlots(TXLAWindow* pWindow);
