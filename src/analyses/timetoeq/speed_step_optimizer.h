// The minimum time to equilibrium: one constant-speed simulation as the
// reference, then a search over a small parameter vector that describes the
// rotor speed over time (an early overspeed that relaxes to the final speed)
// for the program that gets there soonest. Inputs come from timeToEqParams.
//
// The speed of a vector p[1..n] at h hours, with H the overspeed time:
// - steps: the final speed x p[k] in the k-th of n equal parts of H;
// - exponential: (exp(-h / tau) A + 1) x the final speed with
//   tau = max(0.5 h, 5 |p[1]| h) and A = p[k + 1] in the k-th of n - 1 parts;
// the final speed after H; rounded to the current quantum and kept within
// 3000..50000 rpm. The objective is the simulated time to equilibrium in
// hours, with penalties while a search runs.
#pragma once

class CApproachToEqSim;
class TXLAWindow;

// ---------------------------------------------------------------- working values of the tool
extern CApproachToEqSim* pAppEqConstSim;     // the constant-speed reference
extern CApproachToEqSim* pAppEqOptSim;       // the last evaluated speed program
extern float fAppEqOptDuration;              // s, simulated by every evaluation
extern int nAppEqOptSpecies;
extern float* pAppEqOptFractions;            // [1..nAppEqOptSpecies]
extern float* pAppEqOptS;
extern float* pAppEqOptD;
extern float fAppEqConstTime;                // h, constant speed
extern float fAppEqOptTime;                  // h, the best program so far
extern unsigned char bAppEqPenalty;          // the search's penalties are on

// A start vector: all 1.0 (the first 1.5 with steps).
void timeToEqStartVector(float* p, int n);
// Makes the stored parameter vector (a start vector) unless it has the
// record's length.
void ensureTimeToEqParamVector();

// Frees the two simulations and the species lists.
void releaseSpeedStepOptimizer();

// Hours to come within epsilon of equilibrium at constant speed (T in C,
// density in g/ml, radii in cm, D in cm^2/s).
float estimateTimeToEq(float fRpm, float fTemperature, float fM, float fDensity, float fVbar, float fBottom,
                       float fMeniscus, float fD, float fEpsilon);
// The speed (rpm) the vector prescribes at t seconds.
float rpmAtTime(const float* p, float t, bool bRound, float fQuantum);
// The speed steps of the vector (or, with "just run", of the chosen file):
// new arrays [1..*pn] the caller frees (free_vector). False without steps.
bool paramsToSpeedSteps(const float* p, int* pn, float** ppStart, float** ppRpm, float** ppRate, bool bRound,
                        float fQuantum);
// The steps of a speed-steps file, or of an instrument method (extension
// beginning with "E"), which is first converted into "speedsteps.txt" beside
// it. New arrays [1..*pn]; false when no step reads.
bool readSpeedStepsFile(const char* szPath, int* pn, float** ppStart, float** ppRpm, float** ppRate);
// The time to equilibrium (h) of the program the vector describes, plus the
// penalties; 1e10 when it cannot be simulated.
float appEqObjective(float* p, TXLAWindow* pWindow);
// Copies the species of the search, resets the optimised time and makes the
// parameter vector when there is none.
void setOptimizationSpecies(float fDurationSeconds, int nSpecies, const float* pFractions, const float* pS,
                            const float* pD);
// The restarted simplex (or the annealing variant) from the stored vector.
void optimizeSpeedSteps(TXLAWindow* pWindow);
void nelderMeadSpeedSteps(TXLAWindow* pWindow, float** p, float* y, int n, float ftol, float (*objective)(float*, TXLAWindow*),
                          int* pnCount);
void annealSpeedSteps(TXLAWindow* pWindow);
void amebsaSpeedSteps(TXLAWindow* pWindow, float fTemperature, float** p, float* y, int n, float* pb, float* pyb,
                      float ftol, int* pnBudget);
// The whole tool: returns the constant-speed time to equilibrium (h); 0 when
// a set-up step fails, -1 when the constant-speed simulation fails.
float calculateMinimumTimeToEq(TXLAWindow* pWindow);

// The species of the parameter record as lists (two when the second species
// is complete); returns the count.
int timeToEqSpeciesLists(float* pFractions, float* pS, float* pD);
// The initial distribution the record asks for (history, equilibrium at the
// initial speed, a step, or none); false when it cannot be set.
bool applyTimeToEqInitialDistribution(CApproachToEqSim* pSim);

// The evaluations of the simplex running now, and whether the annealing
// variant runs (for the progress line).
int timeToEqProgressEvaluations();
bool timeToEqAnnealingRuns();

// Shows the progress of the search: the curve of the best vector and one
// line of text; a key press stops the search.
void showOptimizationProgress(float fValue, float* p, TXLAWindow* pWindow);
// Builds the result plots of the last run into the side-result plot and the
// inset; releaseTimeToEqPlots frees the inset and its arrays.
void buildTimeToEqResultPlots(TXLAWindow* pWindow);
void releaseTimeToEqPlots();
