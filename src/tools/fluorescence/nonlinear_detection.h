// Nonlinear detection: data and model of a detector whose reading is not
// linear in the concentration, fitted in the detector's own scale.
//
// The transform of a value v with exponent p and baseline b is
//     T(v) = b + (v - b)^p   for v > b,   v unchanged for v <= b,
// so no power of a negative number is ever taken; its inverse (for the model
// refresh) is b + (v - b)^(1/p) above the baseline, with 1/p taken as 0 for
// p <= 0.
//
// Per loaded scan four copies are held: data and model in the raw scale and
// after the transform. The scan data set's signal and fit arrays always hold
// the scale bTransformedDataShown names (the values are copied in; the arrays
// and the plot views on them stay where they are). The transformed copies are
// recomputed only when the exponent or the baseline differs from the one they
// were made with.
//
// The fit road brackets every model evaluation and every c(s) run with
//     applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, true);
//     ... evaluate the model (it writes ppFit in the transformed scale) ...
//     refreshNonlinearDetectionCopies();
//     applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShowTransformedData);
// so a fit always sees transformed values and the user the scale chosen.
#pragma once

#include <vector>

class TXLAWindow;

// Per scan 1..nScans, each a 1-based float array of the scan's point count;
// null when no copies are held.
extern float** ppRawSignal;
extern float** ppRawFit;
extern float** ppTransSignal;
extern float** ppTransFit;
// Exponent and baseline the transformed copies hold (1 and 0 when the copies
// are made).
extern double dAppliedDetectionPower;
extern double dAppliedDetectionBaseline;
// The data set's signal and fit arrays hold the transformed values.
extern unsigned char bTransformedDataShown;
// rms of data minus model in the transformed and in the raw scale.
extern float fTransformedRmsd;
extern float fRawRmsd;
// A transform started from the fit road is running: the noise-grid set-up,
// which the transform calls, starts no second one.
extern unsigned char bApplyingNonlinearDetection;
// The running transform does not rebuild the noise grid (it is called from
// the noise-grid set-up itself).
extern unsigned char bSkipNoiseGridRebuild;

// One value through the transform and back.
float nonlinearDetectionTransform(float v, double p, double b);
float nonlinearDetectionInverse(float v, double p, double b);

// Transforms the loaded scans with exponent p and baseline b and shows the
// transformed values (bShowTransformed) or the raw ones; rebuilds the noise
// grid, redraws data and residuals. False when no scans are loaded or the
// option is off.
bool transformScansNonlinearDetection(double p, double b, bool bShowTransformed);
// The entry of the fit road: the transform marked as running from a fit.
// False when the option is off.
bool applyNonlinearDetection(double p, double b, bool bShowTransformed);
// After a model evaluation: the current model values (in the scale shown)
// into both fit copies. False when no copies are held.
bool refreshNonlinearDetectionCopies();
// fRawRmsd: the objective of the c(s) simplex while the option is on.
float nonlinearDetectionRawRmsd();
// Runs the transform again with the exponent and baseline applied and the
// user's show choice (the noise-grid set-up calls it with false: no rebuild).
// Nothing unless scans are loaded, the option is on and no transform runs
// from a fit.
void reapplyNonlinearDetection(bool bRebuildNoiseGrid);
// Frees old copies and makes new ones from the data set's signal and fit
// (applied exponent 1, baseline 0, raw values shown).
void allocNonlinearDetectionCopies();
// Frees every copy; bTransformedDataShown is cleared. Safe when none is held.
void freeNonlinearDetectionCopies();
// rms of a - b over the fitted points of the scans the rmsd of the fit uses:
// nSMFirstScan..nSMLastScan in time order during a time-window fit, from the
// second scan in time order when the model starts from the first scan, else
// all; 0 without points.
float rmsdOfScanArrays(float** ppA, float** ppB);

// The signal (bFit false) or model (bFit true) of scan k in the detector's
// raw scale, for the writers of the loaded set: the data set's own array
// while it holds the raw values; while it holds the transformed ones, the
// raw copy of every value that still equals the transformed copy and the
// inverse transform of every value edited since, in the buffer (1-based, the
// scan's points). Files so hold what a load reads: a file of transformed
// values would be transformed a second time when loaded with the option on.
float* rawScaleOfScan(int k, bool bFit, std::vector<float>& buffer);

// Switches the option off: first the raw values come back into the data set
// when the transformed ones are shown (redrawn in the window when given),
// then the copies are freed and the show choice and the fit flag of the
// exponent are cleared.
void switchOffNonlinearDetection(TXLAWindow* pWindow);
