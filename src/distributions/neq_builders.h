// Building the normal equations of a continuous distribution with the
// elimination of systematic noise, and turning a solution back into the fit
// of every scan and the noise profiles.
//
// A = B'B and b = B'y over all scans and the fitted radii of the common noise
// grid, B_g being the Lamm solution of grid point g in the store
// (pLammSolutions) and y the scans on the noise grid (ppScanOnNoiseGrid).
// The data and the store are read only.
#pragma once

class TXLAWindow;

// The front end of the distribution run: a progress line (colour 1 blue, 2
// purple), the builder chosen by the model and noise switches (on worker
// threads with bMultiThreaded), the debug files while bExportMatrices is set.
// A key press leaves bInterruptComputation set and the remaining rows cleared.
void buildNormalEquations(TXLAWindow* pWindow, int nColour);

// The builders: y - fBaseline without elimination; one baseline;
// time-invariant noise (TI); radial-invariant noise (RI); both; both with grid
// point 1 a signal of fixed amplitude (n - 1 variables for grid points 2..n);
// the light-scattering time course (baseline over the measurements
// nTimeCourseFirst..nTimeCourseLast, full rows).
void buildNormalEquationsPlain();
void buildNormalEquationsBaseline();
void buildNormalEquationsTI();
void buildNormalEquationsRI();
void buildNormalEquationsTIRI();
void buildNormalEquationsFixedFirst(double dAmplitude);
void buildNormalEquationsTimeCourse();

struct CNERowJob;
// One build of the given job (its noise model and scans) on this thread,
// with the key check per scan.
void buildNormalEquationsOfJob(const CNERowJob& job);

// From pNESolution: the fit of every scan (ppFit), the model parts
// (ppModelPart), the TI noise (pTINoiseSaved), the RI offsets
// (pRINoiseSaved), fBaseline and parameter entry 15.
void CalculateppAFit();
// The same for the light-scattering time course (baseline only).
void calculateTimeCourseFit();

// Weights of the weighted third derivative from the non-negative solution of
// the current work matrix; false (amplitudes zeroed) when it fails.
bool buildThirdDerivativeWeights();
void freeThirdDerivativeWeights();

// Progress of the single-threaded build and of worker k.
void showNormalEquationsProgress(float fFraction);
void showWorkerNEProgress(int k, float fFraction);

// Debug files of the equations and of the solution under "c:\temp".
void dumpNormalEquations();
void dumpDistributionSolution();
