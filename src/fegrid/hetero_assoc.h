// The A + B <-> AB model: its parameters, the loading equilibrium and the
// step-by-step run of the two species and their complex on the global grid.
//
// Concentrations are molar-type units: the loading concentration of A is
// fLoadingA / fSignalCoefA, and a signal is formed back from concentrations
// with the signal coefficients (the complex with dComplexSignalFactor).
#pragma once

#include "platform/win_types.h"

// Parameters, single precision, written by the parameter vector's view of
// the model (the fields are named after the dialog's rows). The run never
// writes them: what the user typed stays as typed.
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

// The coefficients the run computes with: s in S and D in cm^2/s of A, B and
// AB. The model evaluation puts the three D values here (from M by the
// Svedberg relation, or the D fields x 1e-7); the run then gives A and AB the
// values of B in these copies, so that all three sediment and diffuse alike.
extern double dRunSedA, dRunSedB, dRunSedAB;
extern double dRunDiffA, dRunDiffB, dRunDiffAB;

// Run state.
extern unsigned char bSimulationPaused;  // the run waits for a key after each table
// The progress routine leaves key presses to the flux tables (while the
// A + B <-> AB model is the model).
extern unsigned char bHeteroAssocKeys;
extern double dFluxAsymmetry;            // mean |FluxA - FluxB|, "assymfact"
// Inner passes of the last step, and the most any step of the run needed.
extern int nHeteroInnerPasses;
extern int nHeteroMaxInnerPassesUsed;
// The inner passes of a step end when the largest correction of a pass is at
// most this fraction of the larger loading concentration (1e-8), and give up
// after nHeteroInnerPassLimit passes: bDiscretizationError.
extern double dHeteroPassTolerance;
inline constexpr int nHeteroInnerPassLimit = 100;

// The arrays of the run, carved from pHeteroBlock (null without it). The
// species operators and the complex bands are diagonals by row: pOperA[1..3]
// lower, main, upper; pComplexMass[1..7] and pComplexOper[1..7] the entries
// of row i with the node pairs (j, k) = (i-1, i-1), (i-1, i), (i, i-1),
// (i, i), (i, i+1), (i+1, i), (i+1, i+1).
extern double* pFreeA;
extern double* pFreeB;
extern double* pOldA;
extern double* pOldB;
extern double* pOlderA;
extern double* pOlderB;
extern double* pFreeATemp;
extern double* pFreeBTemp;
extern double* pFluxA;
extern double* pFluxB;
extern double* pComplex;             // K c_A c_B
extern double* pOperA[4];
extern double* pOperB[4];
extern double* pComplexMass[8];
extern double* pComplexOper[8];
extern double* pHeteroMean;          // the averaged concentration
extern double* pHeteroQuotient;      // the difference quotient
// The inner passes' Newton step: the derivatives of the balances of A and B
// by A and by B (three diagonals each, index 1..3) and the two residuals,
// which the solve turns into the corrections.
extern double* pJacobianAA[4];
extern double* pJacobianAB[4];
extern double* pJacobianBA[4];
extern double* pJacobianBB[4];
extern double* pResidualA;
extern double* pResidualB;
// Names the arrays above after pHeteroBlock (or nulls them); the grid calls it
// whenever it allocates or frees the block.
void bindHeteroAssocArrays();

// The smaller root x of (a - x)(b - x) K = x: the complex formed from
// loadings a and b at association constant K. Written as 2ab / (S + sqrt(D))
// with S = a + b + 1/K and the discriminant D = (a - b)^2 + (2(a + b) + 1/K)/K,
// which keeps its digits for weak binding, where (S - sqrt(S^2 - 4ab))/2
// cancels. 0 when a or b is 0 or K is 0.
double complexLoadingConcentration(double a, double b, double K);

// Loading equilibrium: fAssocK, fComplexLoading and dComplexSignalFactor from
// the parameters; dLastHeteroStep := 0. With the run's arrays in place every
// node gets the free loadings (in the free, old and older profiles of A and
// B) and pGridConc the total signal.
void heteroAssocEquilibrium();
// pGridConc (the total signal) and pComplex from pFreeA and pFreeB.
void heteroAssocSignal();
// The whole run: called by the model evaluation with the grid arrays (moving
// hat and hetero blocks), bSimulationRunning and the scan timing set up, and
// the run's coefficients in dRunSed*/dRunDiff*. Leaves bSimulationError and
// bDiscretizationError. Starts paused; the keyboard drives it (readKeyAndEcho
// after every flux table: 'r' runs on, 's' stops, any other key one table).
void simulateHeteroAssociation();
// One time step; the relative change (dt for the first step, else 1.0).
double heteroAssocTimeStep();

// Parts of the run, for the model evaluation and the tests.
void setupHeteroAssocLogGrid();
void buildHeteroAssocMatrices();
void halveHeteroAssocMatrices();
// flux_i = sum_j oper(i, j) u_j + sum_j mass(i, j) v_j, u the mean and v the
// difference quotient of c_new and c_old over dt (0 everywhere for dt = 0):
// the part of the free species' balance that its transport does not account
// for, that is what passes into or out of the complex. oper: three diagonals
// (index 1..3), the mass matrix that of the grid.
void heteroAssocReactionFlux(double* flux, const double* cNew, const double* cOld, double dt,
                             double* const* oper);
// The effective mass of one species with the partner p (the mean of p1 and
// p2 when p2 is given, else p1): mass + the complex mass bands times p. Into
// the three diagonals out[1..3].
void heteroAssocEffectiveMass(double* const* out, const double* p1, const double* p2);
// The effective operator: species operator + complex operator bands times p
// + complex mass bands times the partner's rate q = (second - first) / span
// (0 for span 0), the product rule of the complex term K c p.
void heteroAssocEffectiveOperator(double* const* out, double* const* oper, const double* p1, const double* p2,
                                  const double* first, const double* second, double span);
// The amount of a field in the cell: hat weights times c, times the volume
// of a 2 degree sector of 1.2 cm height.
double sectorAmount(const double* c);

// The flux tables: the time, the header, 30 rows (nodes 1-10, the ten after
// (N + 10)/2 and the last ten), the amounts and the totals, as plain text
// into a device context; printFluxTableA/Temp draw them into the main window
// and then read the keyboard.
void drawFluxTable(win::HDC dc, bool bTemp);
void printFluxTableA();
void printFluxTableTemp();
// The three profiles of the run over the grid radii (blue A, green B, red the
// complex, as signals) on the data plot, while the live display is on.
void drawHeteroAssocProfiles();
