// Fitting-engine state that other subsystems read or write.
#pragma once

extern unsigned char bFitTINoise;         // fit time-invariant noise
extern unsigned char bSerialFitRunning;   // a serialised fit runs
// A serialised fit restores the analysis saved beside each data set without
// asking ("restore previous params if available?" answered Yes).
extern unsigned char bSerialFitKeepData;
extern unsigned char bGeneratingSeries;   // Generate > Series runs
extern unsigned char bStopFit;            // a key stopped the fit
extern unsigned char bFitRunning;         // a fit runs (quieter progress)
extern float fRmsd;                       // rmsd of the last run or fit
// Simulations run on past the last scan (command 223); the equilibrium-data
// save works only while it is set.
extern unsigned char bSimulateBeyondLastScan;
// A distribution read for synthetic data is scaled so that its values sum
// to its area.
extern unsigned char bSyntheticDistNormalized;
// A fit of a time window of the scans (time-dependent s and M): only the
// scans nSMFirstScan..nSMLastScan (positions in time order) take part.
extern unsigned char bSMWindowFit;
extern int nSMFirstScan;
extern int nSMLastScan;

// rmsd of data minus fit inside the fit limits over the scans that take part
// (fitScanRange), the squares summed in double and the points counted in an
// integer; stores fRmsd and fNumFitPoints. 0, storing nothing, without point
// counts.
float calcRmsd();
// The positions in time order of the scans a fit takes: the time window of a
// time-dependent s and M fit, from the second scan when the first is the
// initial condition, else all.
void fitScanRange(int* pnFirst, int* pnLast);
// The number of points of the last rmsd (fRmsd above).
extern float fNumFitPoints;
class TXLAWindow;
// Data, meniscus and bottom present, fit limits inside them (a limit of 0 or
// outside becomes meniscus or bottom, with a box); 0 with an error box when
// data or meniscus and bottom are missing, or no point lies inside the fit
// limits.
unsigned char checkFitLimits(TXLAWindow* pWindow);
// With scans and both fit limits set: true after the error box "no data
// points between the fit limits" when no scan that a fit takes has a point
// inside them (an rmsd over nothing would read 0, and a fit of it never
// ends).
bool refuseEmptyFitRange(TXLAWindow* pWindow);
// Averages the loaded scans into the mean profile after the data changed.
void calcMeanScan();

// ---------------------------------------------------------------- optimiser state (FitEngineState)
extern unsigned char bSimplexStarted;     // the last simplex ended by its spread test
extern int nFitSteps;                     // optimiser steps (simplex runs, temperatures)
extern int nStepSimCount;                 // objective evaluations in the current step
extern int nSimCount;                     // objective evaluations in the whole fit
extern float fBestRmsd;                   // reference value of the current fit
extern float fShownBestRmsd;              // best value last shown
// Simulated annealing (Options > Fitting Options): chosen, start temperature
// (relative increase of the best value), temperature steps, evaluations per
// temperature, current temperature and the state of its random generator.
// Marquardt-Levenberg is the optimiser (Options > Fitting Options).
extern unsigned char bMarquardLevenbergMin;
extern unsigned char bSimulatedAnnealing;
extern float SAmaxTemp;
extern int nSANumberOfTemps;
extern int nSAItMax;
extern float fSATemperature;
extern int nAnnealingSeed;
// The optimiser of discrete-model and distribution fits (Options > Fitting
// Options: exactly one of bSimplex, bSimulatedAnnealing and
// bMarquardLevenbergMin is set). After annealing, the final polish:
// Marquardt-Levenberg (bSAFinalML) or the simplex (bAnnealFinalSimplex).
extern unsigned char bSimplex;
extern unsigned char bSAFinalML;
extern unsigned char bAnnealFinalSimplex;
// Relative Gaussian spread of the start simplex of discrete fits (0.01); the
// restart tolerance is fTolerance (models/model_globals.h, 0.01).
extern float fSimplexRandomization;
// The parameters are saved beside the data during and after a fit.
extern unsigned char bSaveBestParams;
// Meniscus and bottom of the radial grid the discrete fit's objective built
// last; 0 before its first evaluation.
extern float fRememberedMeniscus;
extern float fRememberedBottom;
// The last fit ended through a key (serial fits read it).
extern unsigned char bFitStoppedByUser;
// Marquardt-Levenberg state shown in the progress lines: rmsd and number of
// points of the last curvature evaluation, the damping factor; the relative
// and absolute finite-difference steps per packed parameter (1..n, owned by
// the Marquardt-Levenberg work set; null without one).
extern double dMLTestRmsd;
extern double dMLTestPoints;
extern double dMLLambda;
extern double* pMLRelStep;
extern double* pMLAbsStep;
// The rest of the Marquardt-Levenberg state (fitting/marquardt.h holds the
// work set): chi-square of the accepted point, the iteration limit (100), the
// relative and absolute chi-square decreases below which an accepted step is
// small (1e-7, 1e-10), the increment below which every increment is small
// (1e-4, relative; absolute for a parameter at 0), the largest growth of a
// parameter in one trial (10), the error of an iteration, whether every
// increment of the last iteration was small, the scale of each packed
// parameter (0 for one that started at 0), the fit flags, and the bar of the
// derivative evaluations.
extern double dMLChisq;
extern int nMLMaxSteps;
extern double dMLRelChisqTol;
extern double dMLMinChisq;
extern double dMLStepTol;
extern double dMLMaxFactor;
extern unsigned char bMLError;
extern int nMLLimitHit;
extern float* pMLParamScale;
extern int* pMLFitFlags;
class CProgressLine;
extern CProgressLine* pProgressLine;
