// The equilibrium scan series and the approach-to-equilibrium test
// (EqTestState).
//
// A sedimentation-equilibrium experiment records, for each cell, wavelength
// and rotor speed, a run of scans until the profile stops changing: a
// "series". One walk over the loaded scans finds them (walkEqScanSeries): in
// recording mode it fills the series table below for the test, in writing
// mode it writes the accepted latest scans to disk (Sort Eq Data to Disk).
// The test compares every earlier scan of a series with its latest scan once
// a constant offset is removed, and shows those differences over time in
// place of the data and residual plots.
//
// The part of the state that the loaders and the realtime update read
// (bEqTestMode, bEqTestPlotShown, nEqTestSeries, pEqTestSeriesCount, the
// extension groups and bEqTestAutoLimits) is declared in
// analyses/analysis_globals.h. Series are numbered 1..nEqTestSeries; every
// per-series table has room for nEqTestMaxSeries series.
#pragma once

#include <functional>
#include <vector>

#include "analyses/analysis_globals.h"
#include "platform/win_types.h"

class TXLAWindow;
class CWINPlot;
class CVector;
class CCurve;

// ---------------------------------------------------------------- limits of one walk
inline constexpr int nEqWalkMaxKeys = 200;       // cell/wavelength groups
inline constexpr int nEqWalkMaxSpeeds = 10;      // rotor speeds per group

// ---------------------------------------------------------------- series table
// Scan indices of series s, 1..pEqTestSeriesCount[s] (an ivector owned by the
// table), earliest first; the last entry is the latest scan.
extern int* ppEqTestSeriesScans[nEqTestMaxSeries + 1];
// Radial point range compared in series s (points of its latest scan).
extern int pEqTestFirstPoint[nEqTestMaxSeries + 1];
extern int pEqTestLastPoint[nEqTestMaxSeries + 1];
// Series s takes part in the plots and the saved files.
extern int pEqTestInclude[nEqTestMaxSeries + 1];
// Series s runs at the speed of the most recent speed step.
extern int pEqTestAtLatestSpeed[nEqTestMaxSeries + 1];
// Highest rotor speed among the series (0 with a rotor-speed profile).
extern double dEqTestTopSpeed;
// All series of two or more scans come from one cell, and its number.
extern unsigned char bEqTestSingleCell;
extern int nEqTestSingleCellNumber;
// Cell/wavelength pairs the user left out of the test, and those confirmed.
extern int pEqTestExcludedCell[nEqTestMaxSeries + 1];
extern float pEqTestExcludedWavelength[nEqTestMaxSeries + 1];
extern int nEqTestExcluded;
extern int pEqTestIncludedCell[nEqTestMaxSeries + 1];
extern float pEqTestIncludedWavelength[nEqTestMaxSeries + 1];
extern int nEqTestIncluded;
// The walk only records the series (the test); otherwise it writes them.
extern unsigned char bSeriesGroupingOnly;

// ---------------------------------------------------------------- the test's display
extern unsigned char bEqTestSeriesSelected;  // the selection shows the latest scan of nEqTestShownSeries
extern int nEqTestShownSeries;
extern CWINPlot* pEqTestPlot;                // inset: shapes of the latest scans
extern unsigned char bEqTestCurvesAllocated;
extern int nEqTestCurveSeries;               // series the curve arrays were made for
// Per series: the earlier scans (count - 1), their rmsd against the latest
// scan and their recorded time minus the latest's in hours (1..count - 1);
// the offset-free difference of the last two scans and the latest scan's
// relative shape over the compared range (1..nEqTestRangeLength).
extern int pEqTestDiffCount[nEqTestMaxSeries + 1];
extern int nEqTestRangeLength[nEqTestMaxSeries + 1];
extern float* ppEqTestRmsd[nEqTestMaxSeries + 1];
extern float* ppEqTestTimeDiff[nEqTestMaxSeries + 1];
extern float* ppEqTestDiffRadius[nEqTestMaxSeries + 1];
extern float* ppEqTestDiffSignal[nEqTestMaxSeries + 1];
extern float* ppEqTestRelRadius[nEqTestMaxSeries + 1];
extern float* ppEqTestRelSignal[nEqTestMaxSeries + 1];
// Views of those arrays and the curves on them: (time difference, rmsd),
// (radius, difference), (relative radius, relative signal).
extern CVector* ppEqTestRmsdVec[nEqTestMaxSeries + 1];
extern CVector* ppEqTestTimeDiffVec[nEqTestMaxSeries + 1];
extern CVector* ppEqTestDiffRadiusVec[nEqTestMaxSeries + 1];
extern CVector* ppEqTestDiffSignalVec[nEqTestMaxSeries + 1];
extern CVector* ppEqTestRelRadiusVec[nEqTestMaxSeries + 1];
extern CVector* ppEqTestRelSignalVec[nEqTestMaxSeries + 1];
extern CCurve* ppEqTestRmsdCurve[nEqTestMaxSeries + 1];
extern CCurve* ppEqTestDiffCurve[nEqTestMaxSeries + 1];
extern CCurve* ppEqTestRelCurve[nEqTestMaxSeries + 1];
// rmsd of the last two scans of each series.
extern float pEqTestLastRmsd[nEqTestMaxSeries + 1];
// While set, eqTestScanRmsd also stores each offset-free difference and the
// reference radius, 1..nEqTestCaptureLength at most.
extern unsigned char bEqTestCaptureDiff;
extern float* pEqTestCaptureRadius;
extern float* pEqTestCaptureSignal;
extern int nEqTestCaptureLength;

// ---------------------------------------------------------------- the walk
// A cell/wavelength group of the walk: its first scan and, in prefix mode
// (scan files named "i...", "m..." or "o..." by the six-channel split), the
// group's letter (0 otherwise).
struct EqSeriesGroup {
    int nFirstScan = 0;
    char cPrefix = 0;
};
// What a walk does: at the start and end of each group, and with each series
// (the gathered scans followed by the latest scan again). A series action
// that returns false ends the walk.
struct EqWalkActions {
    std::function<void(const EqSeriesGroup&)> groupStart;
    std::function<bool(const EqSeriesGroup&, const std::vector<int>& list, int nLatest)> series;
    std::function<void(const EqSeriesGroup&)> groupEnd;
};
// Visits the scans in index order and hands each series of each cell and
// wavelength (within the tolerance in nm) and rotor speed to the actions. A
// walk that would hold more than nEqWalkMaxKeys groups or nEqWalkMaxSpeeds
// speeds in a group stops there, keeps what it did and shows one error box;
// false then (also when an action ended it).
bool walkEqScanSeries(float fWavelengthTolerance, const EqWalkActions& actions);
// The walk in recording mode: each series into the series table.
bool recordEqScanSeries(float fWavelengthTolerance);

// The series walk: recording (bSeriesGroupingOnly; only the tolerance counts)
// or writing the accepted latest scans with one experiment file per cell and
// wavelength into the output path's folder (analyses/eqtest/eq_sort.cpp).
void sortEqDataToDisk(TXLAWindow* pWindow, const char* szOutputPath, const char* szBlankPath,
                      float fWavelengthTolerance, bool bMakeXpFiles, float fDensity, float fVbar, float fExtinctionA,
                      float fExtinctionB, float fExtinctionC);
// The user's judgement of one series of the writing walk (the list: the
// gathered scans, then the latest again; pList[0..nList-1]): its rmsd time
// course and latest scan shown in the side-result plot, then the questions;
// true when the latest scan is to be written.
bool testEquilibrium(TXLAWindow* pWindow, const int* pList, int nList, int nLatest);
// Records the series (tolerance 5 nm) and completes the table: order by
// speed, latest-speed flags, extension groups, include flags, top speed.
// Returns nEqTestSeries.
int groupScanSeries(TXLAWindow* pWindow);
// Exchanges the scan lists and counts of two series (nothing unless both lie
// in 1..nEqTestSeries).
void swapEqTestSeries(int a, int b);
// The leading decimal digits of the scan file's name (no folder, no
// extension); 0 when it does not start with one.
int scanFileNumber(int nScan);
// The excluded (included) list holds the scan's cell at a wavelength less than
// 5 nm away.
bool isExcludedEqTestSeries(int nScan);
bool isIncludedEqTestSeries(int nScan);
// Releases every series' scan list; nEqTestSeries = 0.
void freeEqTestSeriesLists();

// ---------------------------------------------------------------- comparison
// The scan file is intensity (third character of its extension, dot
// included, 'i' or 'I') or interference ('p' or 'P') data.
bool isIntensityScanFile(int nScan);
bool isInterferenceScanFile(int nScan);
// The values a scan is compared by, 1..points: its signal, or for intensity
// files log10(third column / signal), 10 where either is not positive.
void eqComparisonValues(int nScan, float* pOut);
// rms of the offset-free difference of scan a from the reference scan b over
// b's points first..last, a interpolated at b's radii; 0 when b has no
// points, a is b, an index is outside 1..nScans or the range is empty.
float eqTestScanRmsd(int a, int b, int nFirst, int nLast);
// The same over b's fit range; never captures.
float eqScanRmsdInFitRange(int a, int b);

// ---------------------------------------------------------------- the test (eq_test.cpp)
// Repeats the test: regroups, compares, redraws, offers to save.
void runEqTest(TXLAWindow* pWindow);
// Asks, series by series, whether to include it and which radii to compare.
void selectEqTestSeries(TXLAWindow* pWindow);
// Makes the curve arrays and the three plots of the test anew.
bool plotEqTestResults(TXLAWindow* pWindow);
void allocEqTestCurves(int nSeries);
void freeEqTestCurves();
// The inset drawn, its picture (owned by the plot); null without the inset.
win::HMETAFILE drawEqTestPlot();
// The whole test state released (series lists, curves, inset).
void releaseEqTestState();
// Paint: the compared points of the shown series in red over the side plot
// while the selection runs.
void paintEqTestSelection(win::HDC dc);
