// Continuous-distribution state tied to the loaded data.
#pragma once

// Nonideal c(s) state kept for the loaded data.
class CContiNonid {};

// Deleted and set to null whenever the scan data set is freed or replaced.
extern CContiNonid* pContiNonid;

// The s-grid limit warnings were accepted for the loaded data; cleared when
// the data are released.
extern unsigned char bSGridLimitsAccepted;

class TXLAWindow;
// Asks "reset mean field ctot data?" when new files are loaded.
void askResetMeanFieldCtotData(TXLAWindow* pWindow);
// Clears the mean-field ctot(r,t).
void forgetMeanFieldCtotData();
// The distribution fits write their matrices to files (command 877).
extern unsigned char bExportMatrices;

// The distribution grid and the integral of the current distribution, as the
// realtime update of files reads them: grids 1..nResolution (pDistGrid2 for
// the sedimentation-coefficient family, pDistGridS for molar masses), the
// upper grid end fSMax, and the boundary analyses' mode.
extern float* pDistGridS;
extern float* pDistGrid2;
extern int nResolution;
extern float fSMax;
extern unsigned char bBoundaryAnalysisMode;
// The x range chosen on the distribution plot during a realtime update
// (SelectPeakRange sets bRealtimeAutoAdjustRange and keeps it).
extern float fRealtimeDistXMin;
extern float fRealtimeDistXMax;
// The signal of the current distribution between two abscissae (*pfArea),
// its weight-average abscissa, the total signal and the further moments.
void integrateDistribution(float fLow, float fHigh, float* pfArea, float* pfMean, float* pfTotal, float* pfSigma,
                           float* pfHarmonicMean, float* pfZMean);

// Stored model signals of the distribution's grid points (the Lamm-solution
// store): pLammSolutions[g][k] is the signal of grid point g at scan k, a
// one-based vector over the noise grid (or over scan 1's own radii while
// bUseScanRadii is set). The writers fill row nLammSolutionSet.
extern float*** pLammSolutions;
extern int nLammSolutionSet;
extern unsigned char bUseScanRadii;
// The measurements of the I(Rh,t) time course.
extern int nTimeCourseFirst;
extern int nTimeCourseLast;
