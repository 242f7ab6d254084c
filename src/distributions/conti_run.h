// The continuous-distribution run: one c(s), c(M), c(s,ff0), ls-g*(s),
// light-scattering or other continuous distribution for the loaded scans and
// the current parameters.
//
// Order: checks and set-up, the grid (with the Lamm-solution store and the
// normal arrays), s and D of every grid point, one Lamm solution per grid
// point (one list on the Lamm worker threads), the normal equations with the
// elimination of systematic noise, regularization, the finishing step.
#pragma once

class TXLAWindow;
class CLammIdeal;

// s (S), D (cm^2/s) and vbar (ml/g) of the grid points, 1..nGrid, for the
// time of one run.
extern double* pContiSimS;
extern double* pContiSimD;
extern double* pContiSimVbar;
// (2 pi rpm / 60)^2 of the first scan in time order, and the largest s whose
// boundary has not passed the outer end of the noise grid at that scan (S).
extern float fOmegaSquaredFirstScan;
extern float fMaxObservableS;

// One distribution. No result: the outcome is in the distribution result,
// the normal equations, the scans' fit arrays and the noise. Every exit puts
// the finite-element switches back to Claverie with the automatic choice.
void RunContiSed(TXLAWindow* pWindow);

// The light-scattering time course I(Rh,t) (distributions/dls_time_course.cpp):
// one distribution per time window of the measurements, from the window's
// mean autocorrelation put in the place of the first measurement; the
// series in "radii.dat", "times.dat" and "sizes.dat" of the current folder.
// True when the series ran (also when the user stopped it); false without
// a window or a grid (nothing written). One measurement: one run.
bool runDlsTimeCourse(TXLAWindow* pWindow);
// One window: the distribution without regularization on the present grid,
// its fit of the time-course measurements, the values as a density. False
// at once while bStopFit is set, and when it is set afterwards.
bool runContiSedUnregularized(TXLAWindow* pWindow);
// Releases the arrays of the time course.
void freeTimeCourseArrays();

// Solves the Lamm equation of every grid point as one list on nLammThreads
// workers into the Lamm-solution store (on the noise grid, or on scan 1's
// radii while a distribution from a file is evaluated). False when a solver
// computed nothing or failed (reported; isSimulationFailure,
// models/model_evaluation.h): the store then holds no usable kernels.
bool RunSVContiSedList(TXLAWindow* pWindow, int nGrid, double* pS, double* pD, double* pVbar);
// The template solver of a list, configured in the list's order: the setters
// up to the solver options (s and D of the template, the solver's grid size,
// the common radii of the store), and those after the model's own settings
// (band forming, solvent, start time, rotor speeds, inhomogeneous solvent,
// time offset, fluorescence signal options).
void setContiListSolverHead(CLammIdeal* L, TXLAWindow* pWindow, double s, double D, int nGridSize, float* pRadii,
                            int nRadii);
void setContiListSolverTail(CLammIdeal* L);

// The rule that gives s, D and M of a grid point (the first matching row of
// the model table wins); exposed for the tests.
enum class EGridPointRule {
    LightScattering,
    CMVbarM,
    CMPowerLaw,
    CMBuoyantInvariantD,
    ElectrophoresisCV,
    Lsgs,
    HybridCSLsgs,
    LsgsOneDiscrete,
    CSFf0,
    CS,
    BimodalFf0,
    Flotation,
    FixFf0FloatingVbar,
    ScalingLaw,
    FMScalingLaw,
    WormlikeChain,
    ConformationalChange,
    InvariantD,
    LinearRods,
    CMOnMGrid,
    BufferSignal,
    NonidealMonomer,
    DiscreteSpeciesByM,
    DiscreteSpeciesByD,
    MsTable,
    MassFromS
};
EGridPointRule gridPointRule(int i);
// s into dLammS and D into dLammD for grid point i at the temperature T
// (degrees Celsius), writing M (and s) to the axes as the table says; false
// when the point cannot be simulated (c(s,ff0) with D = 0; the message is
// shown).
bool setGridPointSD(TXLAWindow* pWindow, int i, float T);
