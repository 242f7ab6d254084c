// The normal equations of a continuous distribution: A = B'B and b = B'y of
// the Lamm solutions B_g of the grid points against the data y, with the
// means of the noise elimination, the solution and the work arrays of the
// non-negative solver and of the maximum-entropy step. One set, program-wide;
// all arrays 1-based doubles. The set is allocated with the grid.
#pragma once

// ---------------------------------------------------------------- the set

// Number of variables the solvers use (set by the distribution run).
extern int nNEQSize;
// A (n x n, symmetric), A plus the regularization term, b, the solution c and
// the second solution while both regularizations are shown.
extern double** pNEMatrix;
extern double** pNEWork;
extern double* pNERightSide;
extern double* pNESolution;
extern double* pNESolutionMaxEnt;
// Means of the noise elimination: per grid point and scan over the fitted
// radii ([g][k]), per grid point and radius of the whole noise grid over the
// scans ([g][j]), per grid point over all fitted values; of the data per scan
// and per radius.
extern double** pNEMeanBasisRI;
extern double** pNEMeanBasisTI;
extern double* pNEMeanBasis;
extern double* pNEMeanDataRI;
extern double* pNEMeanDataTI;
// y'y after the elimination, the sum of y, the number of values summed and
// their quotient.
extern double dSumSquaredData;
extern double dNESumData;
extern double dNEPointCount;
extern double fNEMeanData;
// The buffer-mismatch signal of grid point 1 was folded into the equations
// with this fixed amplitude (n - 1 variables).
extern unsigned char bBufferMismatchInNEQ;
extern double dNEFixedFirstAmplitude;

// Work arrays of the non-negative solver, preallocated with the set: the
// gradient, the reduced matrix (n x n), reduced right side, Cholesky
// diagonal, reduced solution, the full trial vector and the passive-set flags.
extern double* pNNLSGradient;
extern double** pNNLSReducedMatrix;
extern double* pNNLSReducedRightSide;
extern double* pNNLSCholeskyDiagonal;
extern double* pNNLSReducedSolution;
extern double* pNNLSTrialSolution;
extern int* pNNLSPassiveSet;
// Work vector of the maximum-entropy step.
extern double* pMaxEntWork;

// Weights of the weighted third derivative (1..nNEQSize, or null) and the
// threshold fraction of the largest amplitude below which the weight is 1.
extern double* pRegThirdDerivWeights;
extern double dRegWeightThreshold;

// ---------------------------------------------------------------- storage

// Allocates the set for n variables, nScans scans and nRadii radii of the
// noise grid, all zero; releases an existing set first. When the memory
// cannot be had it says so (not fatal) and returns false.
bool allocNormalArrays(int n, int nScans, int nRadii);
// Releases the set (only when A, the work matrix and b exist) and nulls every
// pointer; the passive-set flags are always released.
void freeNormalArrays(int n);
