// Non-negative least squares on the normal equations of a continuous
// distribution, and the chi-square of a solution from the same equations.
#pragma once

#include <vector>

// Solves W c = b for c >= 0 (W = pNEWork, b = pNERightSide, c = pNESolution)
// by the active-set method; the data are not touched. The number of
// variables is nCsGridTotal for the two-dimensional models, nNEQSize while
// the buffer signal is folded into the equations, nResolution otherwise.
// After n x n entries ("max #iteration exceeded in NNLS") or on a passive
// subsystem that is not positive definite ("matrix not positive definite in
// NNLS") it solves the whole system without constraints by Cholesky and
// returns whether that worked; during serialised fits nNumericalErrorCode
// (1 or 2) replaces the box. Nothing is allocated during a solve.
bool nnlsNormalEquations();

// chi2 = y'y - 2 c'b + c'A c for c = pNESolution, with the unregularized
// A = pNEMatrix; over nResolution - 1 variables while the buffer signal is
// folded in.
double chiSquareFromNormalEquations();

// Number of variables the non-negative solver works on.
int nnlsVariableCount();

// Tests: when not null, nnlsNormalEquations appends its decisions (+t for an
// entering variable, -j for a leaving one).
extern std::vector<int>* pNNLSDecisionLog;
