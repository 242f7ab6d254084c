// Continuous-distribution state tied to the loaded data.
#pragma once

// Nonideal c(s) state kept for the loaded data.
class CContiNonid {};
// The non-ideal c(s) carries an extra discrete species in grid point 1
// (excluded from the total concentration).
extern unsigned char bNonidealDiscreteFirst;

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
// The mean field of the non-ideal c(s) saved beside the parameter file
// (its path + ".ctot"), after the parameters were saved.
void saveCtotDataWithParameters(const char* szParameterPath);
// Checks (and creates on demand) the external mean field of the non-ideal
// c(s) before an evaluation.
void checkExternalMeanField();
// The Lamm solutions of the non-ideal c(s) grid as one list; the mean-field
// parameter after its normal equations; the end of its mean-field iteration.
void RunNonidcofsSedList(TXLAWindow* pWindow, int nGrid, double* pS, double* pD, double* pVbar);
void updateMeanFieldParameter();
void endMeanFieldIteration();
// The distribution fits write their matrices to files (command 877).
extern unsigned char bExportMatrices;

// The integral of the current distribution and the range chosen on its plot
// during a realtime update of files.

// ---------------------------------------------------------------- grid settings
// Written by the parameter dialog and the parameter vector, read by the grid
// set-up. Limits are in S for the sedimentation-coefficient family, Da for
// molar-mass grids, nm for light-scattering radius grids and 1e-7 cm^2/s for
// light-scattering diffusion grids.
extern float fSGridResolution;  // number of points, held as a float
extern float fSMin;
extern float fSMax;
extern unsigned char bLogSGrid;
extern unsigned char bSGridFromFile;  // the grid is read from the "sdist" file
// Log spacing above a minimum s, linear below (logarithmic grids).
extern unsigned char bLogGridMinS;
extern float fLogGridMinS;
// Flotation: the negative s range, its point count, and no positive range.
extern float fFlotationSMin;
extern float fFlotationSMax;
extern int nFlotationResolution;
extern unsigned char bFlotationOnly;
// The frictional-ratio axis of the two-dimensional models; nCsGridTotal is
// the number of s points times the f/f0 points (set when the parameter vector
// is unpacked); nFf0Resolution the integer copy of fFf0Resolution.
extern float fFf0Min;
extern float fFf0Max;
extern float fFf0Resolution;
extern int nFf0Resolution;
extern int nCsGridTotal;
// Spacing of the light-scattering grids (one of the three) and the density
// display of the light-scattering distributions.
extern unsigned char bDlsGridLinearD;
extern unsigned char bDlsGridLogRh;
extern unsigned char bDlsGridLogD;
extern unsigned char bDlsDensityLinear;
// Display options of the two-dimensional result (parameter dialog).
extern unsigned char bCsFf0ShowSM;
extern unsigned char bCsFf0ShowRh;
extern unsigned char bCsFf0ShowD;
extern unsigned char bCsFf0ShowMFf0;

// Number of points of the one-dimensional grid (set by the grid set-up).
extern int nResolution;

// The weight-average frictional ratio of the c(s) family.
extern float fFrictionalRatio;
// Both regularizations' solutions are shown (the second in pDistValues2).
extern unsigned char bRegBothShown;
// The run is a c(s) with an M(s) table.
extern unsigned char bMsTableRun;
// The run evaluates on the scans' own radii (synthetic data from a file).
extern unsigned char bUseScanRadii;
// The distribution is evaluated without regularization (the Monte-Carlo runs
// and fits).
extern unsigned char bSkipRegularization;
// The two-dimensional models must compute new Lamm solutions and normal
// equations (set by checkContiKernelsDue).
extern unsigned char bContiKernelsDue;
// Failure code of the numerical routines while a serialised fit runs (no box
// is shown then); 0 = none.
extern int nNumericalErrorCode;
// The x range chosen on the distribution plot during a realtime update
// (SelectPeakRange sets bRealtimeAutoAdjustRange and keeps it).
extern float fRealtimeDistXMin;
extern float fRealtimeDistXMax;
// The signal of the current distribution between two abscissae (*pfArea),
// its weight-average abscissa, the total signal and the further moments.
void integrateDistribution(float fLow, float fHigh, float* pfArea, float* pfMean, float* pfTotal, float* pfSigma,
                           float* pfHarmonicMean, float* pfZMean);
// The extent of the peak whose maximum is grid point nPeak
// (distributions/distribution_integration.cpp): from the maximum the walk
// goes outward on each side while the next value is at most the lowest value
// passed so far divided by fFactor (0.9: ripples of less than 11 % do not end
// it); it takes the first point at or below 1 % of the peak height and ends
// there. Out (each may be null): the limits (the abscissae where the walks
// ended), the weight-average abscissa, the first and last grid index, the
// peak height, the fraction of the total signal and the signal, from
// integrateDistribution between the limits. Without a distribution, or with
// nPeak outside the grid, every result is 0.
void findPeakExtent(int nPeak, float* pfLow, float* pfHigh, float* pfMean, int* pnFirst, int* pnLast,
                    float* pfHeight, float* pfFraction, float* pfSignal, float fFactor);

// ---------------------------------------------------------------- run state read by the solvers
// The fit's final evaluation (regularized although bSkipRegularization is
// set), a Monte-Carlo run (regularized, silent).
extern unsigned char bFinalFitEvaluation;
extern unsigned char bMonteCarloRun;
// Maximum entropy: the reference of variable 1 (a baseline-like first
// variable) is taken 1000 times smaller.
extern unsigned char bSuppressBaselineCorrelation;
// The light-scattering measurements (time-order positions) of the time-course
// model.
extern int nTimeCourseFirst;
extern int nTimeCourseLast;

// ---------------------------------------------------------------- parameters of the continuous models
// Written by the parameter vector's views of the continuous models (the
// grid settings above, fConfidenceLevel of the regularization, and the
// scaling-law and worm-like-chain values of the models' globals are written
// there too).
extern int nFitFrictionalRatio;
extern int nFitVbar;                 // float the partial specific volume (fixed f/f0 model)
extern unsigned char bKeepLogSGrid;  // a reload keeps bLogSGrid over the vector's flag
extern int nFitWormPersistenceLength;
extern int nFitScalingKs;
// conformational change
extern float fConfChangeM;
extern float fConfChangeSMin;
extern float fConfChangeSMax;
// fFf0Resolution x fSGridResolution, as a float (nCsGridTotal as an int)
extern float fCsGridTotal;
// one discrete component
extern float fDiscreteCompM;
extern float fDiscreteCompS;
extern float fDiscreteCompD;
extern int nFitDiscreteCompMorD;
extern int nFitDiscreteCompS;
// bimodal f/f0 and flotation
extern float fBimodalFf0Second;
extern float fBimodalSMin;
extern int nFitBimodalSMin;
extern float fBimodalSMax;
// further single-value models
extern float fCVConstantD;           // electrophoresis c(v)
extern int nFitCVConstantD;
extern float fCSInvariantD;          // c(s) with invariant D, 1e-7 cm^2/s
extern int nFitCSInvariantD;
extern float fLinearRodParam;
extern float fTimeCourseWindow;      // light-scattering time course
