// Statistics functions: the F-statistics critical ratio and tail probability,
// the runs test on the signs of residuals, and beneath them the incomplete
// beta function, log-gamma and Brent's root finder (all in double).
#pragma once

// The F value whose upper tail probability is 1 - dConfidence for the given
// degrees of freedom: the factor by which a residual sum of squares may grow
// at that confidence. The search starts between 1 and 2 and widens when the
// answer lies outside. Not re-entrant (the objective reads module state).
// Degrees of freedom below 1 abandon the computation with a message.
double fStatCriticalRatio(double dConfidence, double dDof1, double dDof2);

// Upper tail probability Q(F; dof1, dof2); 0 when both degrees of freedom are
// 0; other degrees of freedom below 1 abandon the computation with a message.
double fDistributionTail(double dF, double dDof1, double dDof2);

// Absolute Z value of the runs test over the residuals data - fit of the scans
// pScanList[nFirst..nLast], each from pFirstPoint[s] to pLastPoint[s] (all
// arrays one-based). 0 when there are no scans or the test is undefined.
float runsTestZ(float** ppData, float** ppFit, int nFirst, int nLast, const int* pScanList,
                const int* pFirstPoint, const int* pLastPoint);

// Regularised incomplete beta function I_x(a, b); x outside [0, 1] abandons
// the computation with "Bad x in routine betai".
double betai(double a, double b, double x);
double betacf(double a, double b, double x);
double gammln(double xx);

// A root of func in [x1, x2] to the tolerance tol (Brent's method). When the
// bracket does not hold a sign change it says so and still iterates.
double statzbrent(double (*func)(double), double x1, double x2, double tol);
