// Non-negative least squares on normal equations: x >= 0 minimising
// |A x - b|^2, given ata = A'A (symmetric, 1..n by 1..n) and atb = A'b.
//
// Active-set scheme of Lawson and Hanson in its normal-equation form (the
// fast variant of Bro and de Jong). The passive subsystem is kept as a
// Cholesky factor that is extended when an index enters the passive set and
// reduced when one leaves, so a solve costs O(n^2) rather than O(n^3).
#pragma once

// Float form for the fitting engine: the solution replaces atb. When a
// passive subsystem is not positive definite the unconstrained solution of
// ata x = atb (LU; with bCopy set ata stays intact, otherwise it receives its
// LU factors) replaces atb instead. After n*n outer iterations it shows
// "max #iteration exceeded in NNLS", solves without constraints and sets the
// negative components to 0. True when the non-negative solution was reached.
bool solveNormalEquationsF(float** ata, float* atb, int n, bool bCopy);

// Double form with the caller's work arrays (all 1..n, pSubA n by n):
// pPassive and pOrder (int), w, pSubB, p and pZ (double). x receives the
// solution. ata and atb are not changed. True when the non-negative solution
// was reached, or when the unconstrained fallback for a passive subsystem that
// is not positive definite ("matrix not positive definite in NNLS") succeeded
// by Cholesky; false after the iteration cap (as in the float form) or an LU
// fallback. When not null, pdIterations receives the number of outer
// iterations and pdMaxGradient the largest w = atb - ata x among the indices
// left at zero (at most 1e-10 at a non-negative solution).
bool nnls(int n, int* pPassive, double* x, double* w, const double* atb, const double* const* ata,
          double** pSubA, double* pSubB, double* p, double* pZ, int* pOrder, double* pdIterations,
          double* pdMaxGradient);
