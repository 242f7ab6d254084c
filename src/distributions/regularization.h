// Regularization of continuous distributions: the penalty terms added to the
// normal equations and the search for the regularization weight alpha that
// reaches the chi-square increase the confidence level asks for.
#pragma once

// ---------------------------------------------------------------- settings
// P: the confidence level of the F test, or above 1 the target chi-square
// ratio itself (entry 2 of the parameter vector of the c(s) family).
extern float fConfidenceLevel;
// The method, one of four menu choices (the fourth, bRegBothShown, with the
// distribution result).
extern unsigned char bRegSecondDerivative;
extern unsigned char bRegWeightedThirdDerivative;
extern unsigned char bRegMaxEnt;
// Weight of the f/f0 direction of the two-dimensional models.
extern float fFf0RegularizationFactor;
// Upper clamp of the search variable ln(alpha / scale).
extern double dRegMaxLogAlpha;

// ---------------------------------------------------------------- working values
// Overwritten by every regularization.
extern double dChiSquareUnreg;     // chi-square of the unregularized solution
extern double dChiSquare;          // chi-square of the current solution
extern float fRegDof1;             // degrees of freedom of the F test
extern float fRegDof2;
extern float fTargetChisqRatio;    // target chi2 / dChiSquareUnreg
extern double dRegAlphaScale;      // trace(A) / (6n - 12)
extern float fRegLogAlpha;         // the root, then the relative alpha exp(min(x, clamp))
extern float fRegAlpha;            // alpha of the last evaluation (scale included)
extern float fRegChisq;            // chi-square of the last evaluation
extern float fRegExcess;           // last value of the objective

// pNEWork := pNEMatrix + alpha x the penalty of the model, method and prior
// (second derivative, weighted third derivative; maximum entropy and no
// method copy A only). Alpha includes the scale.
void addRegularization(double alpha);

// Solves the normal equations non-negatively, then regularizes the solution
// to the chi-square the confidence level asks for (second or weighted third
// derivative). The amplitudes end in pNESolution, their chi-square in
// dChiSquare.
void regularizeDistribution();

// The objective of the search: x = ln(alpha / dRegAlphaScale); the chi-square
// ratio of the regularized solution minus the target.
float regularizationChiSquareExcess(float x);

// The variables of the regularization: nCsGridTotal for the two-dimensional
// models, nNEQSize otherwise.
int regularizationVariableCount();
// Sets the degrees of freedom of the F test (fRegDof1 = fRegDof2) for n
// variables: fitted radii x scans - n for sedimentation data; without the
// subtraction for light-scattering data (the time-course measurements only
// for the time-course model).
void setRegularizationDegreesOfFreedom(int n);
// The model keeps a discrete species (or the buffer signal) in variable 1,
// which the penalties leave out.
bool regularizationSkipsFirstVariable();
