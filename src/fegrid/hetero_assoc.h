// The A + B <-> AB model: its parameters and the loading equilibrium.
//
// Concentrations are molar-type units: the loading concentration of A is
// fLoadingA / fSignalCoefA, and a signal is formed back from concentrations
// with the signal coefficients (the complex with dComplexSignalFactor).
#pragma once

// Parameters, single precision, written by the parameter vector's view of
// the model (the fields are named after the dialog's rows).
extern float fLogAssocK;            // log10 K
extern float fAssocK;               // K = 10^fLogAssocK, set by heteroAssocEquilibrium
extern float fLoadingA;             // loading signal of A ("atot")
extern float fLoadingB;             // loading signal of B ("btot")
extern float fSignalCoefA;          // signal per unit concentration ("extico a")
extern float fSignalCoefB;
extern float fDiffA;                // second field of the component rows ("Ma", "Mb", "Mab")
extern float fDiffB;
extern float fDiffAB;
extern float fSedA;                 // S
extern float fSedB;
extern float fSedAB;
extern float fComplexLoading;       // loading concentration of AB ("ab(0)")
extern double dComplexSignalFactor; // fSignalCoefA + fSignalCoefB
extern double dLastHeteroStep;      // dt of the last completed step; 0 after the equilibrium

// The smaller root x of (a - x)(b - x) K = x: the complex formed from
// loadings a and b at association constant K. Written as 2ab / (S + sqrt(D))
// with S = a + b + 1/K and the discriminant D = (a - b)^2 + (2(a + b) + 1/K)/K,
// which keeps its digits for weak binding, where (S - sqrt(S^2 - 4ab))/2
// cancels. 0 when a or b is 0 or K is 0.
double complexLoadingConcentration(double a, double b, double K);

// Loading equilibrium: fAssocK, fComplexLoading and dComplexSignalFactor from
// the parameters; dLastHeteroStep := 0.
void heteroAssocEquilibrium();
