// Local sedimentation and diffusion coefficients of the models whose s and D
// depend on the local total concentration c, shared by the static-grid
// propagator of reacting and non-ideal systems (propagateLammB) and the
// moving hat of interacting species (propagateLammMovingHat):
//   - rapid self-association: monomer-dimer and monomer-trimer (weight-average
//     s and gradient-average D from the free monomer), 1-2-4 and 1-4-8 (from a
//     table of the free monomer against the total);
//   - the non-ideal single species: s = s0 / (1 + ks c), D = D0 (1 + kd c);
//     hindered sedimentation (factors of the solute volume fraction); or s(c)
//     and D(c) of the co-solute data.
// The values go to the nodes, pLocalS (S) and pLocalD (cm^2/s): the start
// values from the profile at the start of the step (pGridConcPrev), the mean
// values of the corrector from it and the predictor's profile
// (pGridConcTrial).
#pragma once

// ---------------------------------------------------------------- model constants, set per run
extern double dSAKa;                 // 10^fSALog10Ka in single precision
extern double dSAKa2;                // its square and cube (monomer-trimer)
extern double dSAKa3;
extern double dAssocK2;              // 1-2-4, 1-4-8: 10^fSALog10Ka and 10^fSALog10Ka2
extern double dAssocK3;
extern float fNonidealKsLinear;      // the linear ks and kd (per signal unit), or the
extern float fNonidealKdLinear;      // hindered exponents as they stand
// The non-ideal single species takes its s and D from the co-solute data
// (while the co-solute model's non-ideal option is on).
extern unsigned char bNonidealUsesCosoluteData;
// The monomer-dimer model with hydrodynamic non-ideality of the total: the
// corrector's s is divided by 1 + ks c, ks = 10^fNonidealKs ("non-ideality
// log10(ks)").
extern unsigned char bMonomerDimerNonideal;

// The constants of the model selected, for a run from the profile in
// pGridConc: the association constants (and the table of 1-2-4 and 1-4-8),
// or ks and kd of the non-ideal single species. False when ks c_1 > 1 for
// the plain non-ideal species (s = s0 / (1 + ks c) would have a pole inside
// the loading): bNonidealityOutOfRange is set; otherwise it is cleared.
bool setUpInteractingCoefficients();

// Whether the law of the plain non-ideal species holds on the profile c
// (1..n): with the attractive sign s = s0 / (1 - |ks| c) has its pole and
// D = D0 (1 - |kd| c) its zero at a positive total, and the pile-up at the
// cell end passes them during the run even where the loading is below them.
// False (and bNonidealityOutOfRange set) when a node's total has reached one;
// true for every other model.
bool nonidealLawHoldsOn(const double* c, int n);

// The free monomer x of the monomer-trimer equilibrium c = x + Ka x^3
// (Ka = dSAKa, with its square and cube dSAKa2, dSAKa3): Cardano's root,
// polished by Newton steps on x + Ka x^3 = c.
double monomerFromTotalCubic(double c);

// ---------------------------------------------------------------- the association table (1-2-4, 1-4-8)
// nAssocTableRows rows of (free monomer x, total c(x), weight-average s(x),
// gradient-average D(x)), x geometric from 1e-5 to 100; a matrix of the
// toolbox, made by setUpInteractingCoefficients and freed at the end of the
// run (freeAssociationTable; safe without a table).
inline constexpr int nAssocTableRows = 1000;
extern double** pAssocTable;
extern int nAssocTableHint;          // the row of the last lookup
extern unsigned char bAssocTableActive;
bool buildAssociationTable();
// s and D at the total c: the first row at or below the first total, the
// last row from the last row's total on, else linear in the total between
// the two rows around c.
void lookupAssociationTable(double c, double* s, double* D);
void freeAssociationTable();

// ---------------------------------------------------------------- node values
// One routine per role serves every model (the law is chosen by the set-up).
// Start values on pGridConcPrev.
void updateLocalCoefficientsA();
// The corrector's mean values over pGridConcPrev and pGridConcTrial (the start
// values are in pLocalS and pLocalD when it is called); with
// bMonomerDimerNonideal the monomer-dimer s is then divided by
// 1 + ks (c_prev + c_trial)/2.
void updateLocalCoefficientsB();
// The moving hat's corrector: the plain non-ideal species averages
// 1/(1 + ks c) over both profiles for s and takes D at the mean concentration
// (for its linear laws the same values as B); every other model as B.
void updateLocalCoefficientsC();
// Whether the model's species all sediment (every s > 0) or all float (every
// s < 0), for the step control of the static grid; 0 for neither or for the
// non-ideal species.
int selfAssociationDirection();
