// The Marquardt-Levenberg optimiser of the packed fit parameters, with
// derivatives by finite differences of whole model evaluations.
//
// Every parameter is scaled to 1.0 at the start of a fit (a parameter at 0
// keeps the scale 0 and stays in model units), so one set of relative steps
// and tolerances serves parameters of any size. One iteration (mlmin) damps
// the curvature matrix by (1 + lambda) on its diagonal, solves for the
// increment, cuts a trial that would grow a parameter more than dMLMaxFactor
// fold, evaluates the curvature at the trial (mlcof: n + 1 evaluations) and
// keeps it when chi-square fell (lambda / 10), else rejects it (lambda x 10).
// A damped system the solver cannot solve (not positive definite, or not
// finite) is a rejected step: no trial is made with an undefined increment.
// The discrete fit (MLOptimize, objective SimplexSim) and the distribution
// fit (Contimlmin / Contimlcof, objective ContiSimplexSim) share one core
// with the objective as a parameter; each keeps its own count of fitted
// parameters and its own last accepted chi-square.
#pragma once

#include "fitting/simplex.h"

class TXLAWindow;

// ---------------------------------------------------------------- the work set
// Allocated for n packed parameters (indices 1..n) by allocMLArrays, which
// first frees a set that exists: the damped matrix (also the curvature at the
// trial), the inverse of the curvature, the curvature of the accepted point
// (n x n doubles); the trial point, the gradient, the increment (also the
// gradient at the trial), the finite-difference trial values and steps, the
// evaluation vector; the scales and fit flags (fit_globals.h); per scan s the
// derivatives pMLDerivatives[s][parameter][point] and the fit at the base
// point pMLBaseFit[s][point] over the scan's points.
extern double** pMLCovar;
extern double** pMLInverse;
extern double** pMLAlpha;
extern double* pMLTrial;
extern double* pMLBeta;
extern double* pMLDelta;
extern double* pMLStepValue;
extern float* pMLEvalVector;
extern float*** pMLDerivatives;
extern float** pMLBaseFit;

// True when the set exists afterwards. The derivative arrays, sized by the
// loaded scans, fail with "could not allocate arrays in Marquard Levenberg
// routine, increase memory" through the fatal error path.
bool allocMLArrays(int n);
void freeMLArrays(int n);
bool allocDerivativeArrays(int n);
void freeDerivativeArrays();

// The finite-difference steps of the packed slots of discrete models
// (relative factor, and absolute value for a parameter at 0).
void setMLStepSizes();
// Scales a packed vector for a fit: pMLParamScale[i] = v[i] and v[i] = 1,
// or scale 0 and v[i] kept for v[i] = 0.
void scaleStartVector(float* v, int n);
// Model units from scaled units: v[i] x pMLParamScale[i] where that is not 0.
void scaleParameters(float* v, int n);
// The finite-difference trial value of each parameter (scaled units) into
// pMLStepValue: pMLRelStep[i] x a[i], or pMLAbsStep[i] where that is 0.
void unscaleParameters(int n, const double* a);
// The trial value of a parameter a after its increment: a trial that would
// be more than dMLMaxFactor times a (in magnitude) becomes dMLMaxFactor x a
// when it has the sign of a, else -dMLMaxFactor x a. A parameter at 0 takes
// its trial as it is.
double limitTrialValue(double a, double dTrial);

// ---------------------------------------------------------------- the core
// One optimiser: its objective, whether it writes the traces of the
// distribution fits, and its state between calls (the number of fitted
// parameters and the last accepted chi-square), reset by an initialising
// call (lambda < 0).
struct CMarquardtCore {
    SimplexObjective objective;
    bool bContiTraces;
    int nFit;
    double dOldChisq;
};
extern CMarquardtCore mlDiscreteCore;
extern CMarquardtCore mlContiCore;

// One iteration at a[1..n] (scaled) with the fit flags ia; lambda < 0
// initialises (lambda := 0.01, curvature at a) and goes on to the first
// step; lambda = 0 asks for the covariance: pMLCovar then holds the inverse
// of the curvature in model units (pMLAlpha the curvature in model units).
void marquardtStep(CMarquardtCore& core, TXLAWindow* pWindow, double* a, int* ia, int n, double* pChisq,
                   double* pLambda);
// The curvature alpha (both triangles), the gradient beta and chi-square at
// a: the objective at a and at each parameter moved by its trial value; the
// sums run over every scan's points inside the fit limits with weight 1.
// Returns early when a stop is pending after an evaluation.
void marquardtCurvature(CMarquardtCore& core, TXLAWindow* pWindow, double* a, int* ia, int n, double** alpha,
                        double* beta, double* pChisq);

// The two optimisers under their own names.
void mlmin(TXLAWindow* pWindow, double* a, int* ia, int n, double* pChisq, double* pLambda);
void mlcof(TXLAWindow* pWindow, double* a, int* ia, int n, double** alpha, double* beta, double* pChisq);
void Contimlmin(TXLAWindow* pWindow, double* a, int* ia, int n, double* pChisq, double* pLambda);
void Contimlcof(TXLAWindow* pWindow, double* a, int* ia, int n, double** alpha, double* beta, double* pChisq);

// ---------------------------------------------------------------- the stop rule
// The loops of both drivers: an accepted step (chi-square fell) is small
// when chi-square fell by less than dMLRelChisqTol relative or lies below
// dMLMinChisq; an iteration whose increments were all small arms the rule as
// a small step does; the second small step (not necessarily the next) ends
// the fit. Rejected steps and large decreases change nothing; once armed it
// stays armed.
struct CMLStopRule {
    bool bArmed = false;
    bool bDone = false;
    // An iteration whose increments were all small.
    void LimitHit() { bArmed = true; }
    // One iteration from (chi-square, lambda) before to after; true for a
    // small accepted step (the drivers then save and show the parameters).
    bool Step(double dChisqBefore, double dLambdaBefore, double dChisq, double dLambda);
};

// The iterations of a driver after its initialising call, with the core's
// step, until a key, an error, the stop rule or nMLMaxSteps (nFitSteps
// counts them); after each small accepted step onSmallStep (the driver
// saves and shows its parameters). Nothing when the initialising call was
// stopped or failed.
void runMarquardtIterations(CMarquardtCore& core, TXLAWindow* pWindow, double* a, int* ia, int n,
                            void (*onSmallStep)(TXLAWindow*));

// The vectors of a driver: the packed parameters v (floats), their scaled
// copy a and the fit flags ia, 1..n; freed with the work set.
class CMLFitVectors {
public:
    explicit CMLFitVectors(int nParameters);
    ~CMLFitVectors();
    CMLFitVectors(const CMLFitVectors&) = delete;
    CMLFitVectors& operator=(const CMLFitVectors&) = delete;
    // Scales v (scaleStartVector) into a; every parameter fitted.
    void Start();
    // v := a in model units.
    float* ModelValues();
    const int n;
    float* v;
    double* a;
    int* ia;
};
// Hides and deletes the bar of the derivative evaluations.
void removeMLProgressLine(TXLAWindow* pWindow);

// The parameter report of a finished fit: for each slot i one line
// "%d: %e\t(%e)\t - " (i, the value in model units, the square root of the
// covariance's diagonal element), then each element of row i of the
// covariance as "%e\t". Written to "mlreport.txt" in the working folder.
bool writeMLReport(const char* szPath, int n, const float* pValues);
