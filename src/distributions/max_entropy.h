// Maximum-entropy regularization of continuous distributions: amplitudes
// that minimise chi-square plus alpha times a negative entropy (relative to a
// flat distribution, or to the prior probabilities), alpha chosen so that the
// chi-square rises by the ratio the confidence level asks for.
#pragma once

// Current alpha (scale included), entropy S and functional Q of the last
// evaluation, Marquardt damping (-1 asks the step to initialise), total T of
// the unregularized amplitudes over the distribution variables the data see
// (T / n is the flat reference without a prior), their mean,
// the relative tolerance of the Marquardt loop, the target ratio, and whether
// the prior is the reference.
extern double dMaxEntAlpha;
extern double dMaxEntEntropy;
extern double dMaxEntObjective;
extern double dMaxEntLambda;
extern double dMaxEntTotal;
extern double dMaxEntMean;
extern double dMaxEntRelTol;
extern double dRegTargetRatio;
extern unsigned char bMaxEntUsePrior;
// Set when a positivity-limited step was cut below 0.01 (it survives from
// one step to the next), and the Q of the current point of the step.
extern unsigned char bMaxEntStepLimited;
extern double dMaxEntStepQold;

// Works on the normal equations (nNEQSize variables) and leaves the
// regularized amplitudes in pNESolution, their chi-square in dChiSquare and
// ln(alpha / dRegAlphaScale) in fRegLogAlpha. Silent for fewer than 10
// variables and for an all-zero unregularized solution.
void regularizeMaxEntropy();

// The search for x = ln(alpha / scale) at which function(x), the excess of
// the chi-square ratio over the target, is within tol of 0 (or the level
// reached within tolP of P).
double searchMaxEntAlpha(double (*function)(double), double x0, double dx0, double tol, double tolP);
// Chi-square ratio minus target of the solution at x (from the best
// amplitudes so far).
double maxEntChiSquareDeviation(double x);
// Solves at the current alpha from the amplitudes in pNESolution.
void maxEntSolveAtAlpha();
// The Marquardt loop on pNESolution.
void maxEntMrqmin();
// One damped step from c (K, beta and the Q of the current point belong to
// c); Q and lambda in and out.
void maxEntMarquardtStep(double** A, const double* b, double yy, double alpha, double* c, double** K, double* beta,
                         int n, double* pQ, double* pLambda);
// Diagonal of the curvature into Kout (the rest stays as the caller put it),
// the halved gradient into betaOut; returns Q in *pQ and the entropy in
// dMaxEntEntropy.
void maxEntMrqcof(double** A, const double* b, double yy, double alpha, const double* c, double** Kout,
                  double* betaOut, int n, double* pQ);

// Releases the work arrays of the search and of the step.
void freeMaxEntWorkArrays();

// Variable i carries an entropy term (all but variable 1 of the models whose
// first variable is a discrete species).
bool maxEntIsDistributionVariable(int i);
