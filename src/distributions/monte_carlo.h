// Monte-Carlo statistics of distributions: how much of a distribution the
// data determine. The current continuous model, all non-linear parameters
// fixed, is fitted once without regularization (the reference); then, again
// and again, Gaussian noise of the reference's rmsd is added to the
// reference's fit, the distribution is computed from these synthetic data
// with the same Lamm solutions, normal matrix and regularization, and its
// values are kept row by row. From the rows: per-grid-point confidence limits
// and the mean distribution, or the spread of the integrated weight-average s.
//
// An iteration builds only the right side b = B'y and y'y of its synthetic
// data (on worker threads with bMultiThreaded), on the row kernels of the
// normal equations, so each b equals that of a whole build on the same data
// bit for bit, whatever the thread count.
#pragma once

#include "platform/win.h"

class TXLAWindow;
class CCurve;
class CVector;

// ---------------------------------------------------------------- state
// Iterations of the last run (nMC) and the one in progress (0: the reference).
extern int nMCIterations;
extern int nMCIteration;
// The rmsd of the reference fit: the standard deviation of the noise.
extern float fMCRmsd;
// Rows 0..nMC of n + 1 floats (n = nResolution, or nCsGridTotal for the
// two-dimensional models): row k is the distribution of iteration k, rows
// 1..nMC enter the statistics. The two-dimensional models keep the marginal
// over f/f0 in rows of nResolution + 1 floats beside them.
extern float** ppMCDistributions;
extern float** ppMCMarginals;
// Mean, lower and upper limit of every grid point (1..nResolution).
extern float* pMCMean;
extern float* pMCLowerLimit;
extern float* pMCUpperLimit;
// One copy per scan of the reference's model fit (1..points of that scan).
extern float** ppMCScanCopies;
// The file name of the last run: its drive and directory receive the files.
extern char szMCFileName[260];
// The weight-average s command is running (set by its command).
extern unsigned char bMCWeightAvgS;
// The limit curves (x: the distribution's axis; y: views of the upper and the
// lower limits) and whether they are in the distribution plot.
extern CVector* pMCUpperVector;
extern CVector* pMCLowerVector;
extern CCurve* pMCUpperCurve;
extern CCurve* pMCLowerCurve;
extern unsigned char bMCCurvesAdded;

// The results of monteCarloWeightAvgS that a serialised fit keeps, in this
// order.
struct MCWeightAvgResults {
    float fMeanS = 0.0f;
    float fSdS = 0.0f;
    float fLowerS = 0.0f;
    float fUpperS = 0.0f;
    float fMeanC = 0.0f;
    float fSdC = 0.0f;
    float fLowerC = 0.0f;
    float fUpperC = 0.0f;
};
extern MCWeightAvgResults mcWeightAvgResults;

// ---------------------------------------------------------------- runs
// The driver: nMC iterations (nothing below 2, without a window or without
// scans) at the confidence level P of the regularization; the files go to
// the drive and directory of szFileName, every iteration's ("%d.dat", 0 for
// the reference) when bSaveEach is set. Ends with the limits shown at P.
void runMonteCarloDistributions(TXLAWindow* pWindow, int nMC, float P, const char* szFileName, int bSaveEach);
// The driver's three stages: the reference with the rows, copies and curves
// (false when the run cannot go on: it has ended), iteration k (false when a
// key stopped it), and the end with the real data back on the noise grid and
// the limits shown for the nDone iterations completed.
bool beginMonteCarloRun(TXLAWindow* pWindow, int nMC, const char* szFileName, int bSaveEach);
bool monteCarloIteration(TXLAWindow* pWindow, int k, int bSaveEach);
void finishMonteCarloRun(int nDone, float P);
// The spread of the weight-average s between smin and smax over the rows of
// the last run, shown in a box (kept in mcWeightAvgResults during a
// serialised fit).
void monteCarloWeightAvgS(TXLAWindow* pWindow, float smin, float smax, float P);
// The driver, then monteCarloWeightAvgS at the same P.
void runMonteCarloWeightAvgS(TXLAWindow* pWindow, int nMC, float P, float smin, float smax, const char* szFileName,
                             int bSaveEach);
// Mean and limits of every grid point at P from the rows of the last run, the
// files "lim%3.0f.dat" (the upper and the lower rank in per mille, so
// "lim975.dat" and "lim 25.dat" at P = 0.95) and "mean.dat", and the plot,
// which keeps the mean distribution.
void plotMonteCarloLimits(float P);
// The ranks of the lower and upper limit among count sorted values at P:
// floor((1 - P)/2 count) and floor(((1 - P)/2 + P) count), held to 1..count.
void monteCarloRanks(float P, int nCount, int* pnLow, int* pnHigh);

// ---------------------------------------------------------------- right sides
// The single-threaded right sides of the synthetic data on the noise grid
// (b and y'y; the normal matrix stays), one per noise model.
void mcRightSidePlain();
void mcRightSideBaseline();
void mcRightSideTI();
void mcRightSideRI();
void mcRightSideTIRI();
// The right sides of the noise model chosen by the switches: on nNEQThreads
// workers with bMultiThreaded, else single-threaded.
void buildMonteCarloRightSides(TXLAWindow* pWindow);

class MCMultiContiNEQThread : public win::TThread {
public:
    MCMultiContiNEQThread();
    ~MCMultiContiNEQThread() override;

    int nThreadNumber = 0;  // k, 1..N

protected:
    int Run() override;
};

// ---------------------------------------------------------------- storage
// The rows and vectors for nMC iterations (an existing set goes first);
// false when the memory cannot be had.
bool allocMonteCarloArrays(int nMC);
void freeMonteCarloArrays();
// The scan copies; true when they were allocated.
bool allocMonteCarloScanCopies();
void freeMonteCarloScanCopies();
// The two limit curves over the distribution's axis (not yet in the plot).
void createMonteCarloPlots();
// Takes the limit curves out of the distribution plot when they were added,
// the plot still has more than one curve and no serialised fit runs, and
// deletes them; also part of the release of the distribution result.
void clearMonteCarloPlots();
// Frees the arrays, clears the plots and shows the current distribution
// again.
void endMonteCarlo(TXLAWindow* pWindow);
