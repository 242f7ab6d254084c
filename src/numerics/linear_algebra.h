// Small dense solvers on one-based square matrices (indices 1..n).
//
// LU decomposition with implicit partial pivoting, Cholesky decomposition of
// symmetric positive-definite matrices, and the symmetric solver of normal
// equations with removal of empty rows and an LU fallback. Float and double
// forms stand side by side; the double forms serve the main analyses.
//
// A matrix with an all-zero row is singular: the LU routines then show
// "Singular matrix in routine ludcmp" and abandon the computation (see
// numerics/error_stop.h); the right side is left as it was.
#pragma once

// Set by dludcmp when it meets an all-zero row; cleared by luSolveD. One flag
// per thread: the solvers also run on worker threads.
extern thread_local unsigned char bLUSingular;

// a := its LU decomposition (row permutation in indx, d = +-1 the parity).
void ludcmp(float** a, int n, int* indx, float* d);
void dludcmp(double** a, int n, int* indx, double* d);

// b := the solution, given the LU decomposition from ludcmp / dludcmp.
void lubksb(const float* const* a, int n, const int* indx, float* b);
void dlubksb(const double* const* a, int n, const int* indx, double* b);

// Solves a x = b; x replaces b. With bCopy the decomposition works on a copy
// and a stays intact; otherwise a receives its LU factors.
void luSolve(float** a, float* b, int n, bool bCopy);
void luSolveD(double** a, double* b, int n, bool bCopy);

// Cholesky decomposition: reads the upper triangle, writes L below the
// diagonal and its diagonal into p. False as soon as a pivot is not positive
// (the matrix is not positive definite); true otherwise.
bool choldc(float** a, int n, float* p);
bool dcholdc(double** a, int n, double* p);

// Forward and back substitution with the factors of choldc / dcholdc; x may
// be b. Always true.
bool cholsl(const float* const* a, int n, const float* p, const float* b, float* x);
bool dcholsl(const double* const* a, int n, const double* p, const double* b, double* x);

// Cholesky on a copy of a; on success x replaces b and the result is true.
// When a is not positive definite, LU on another copy solves it: false.
bool choleskySolve(const float* const* a, float* b, int n);

// Cholesky on a copy of a into x (p: work vector 1..n): true. When a is not
// positive definite, x := b solved by LU on a fresh copy: false.
bool choleskySolveD(const double* const* a, const double* b, int n, double* x, double* p);

// The symmetric normal equations a x = b. Rows that are all exactly zero are
// left out (their x is 0) and the rest is solved by Cholesky, by LU when it is
// not positive definite. False only when the full system (no empty rows)
// needed LU. p: work vector 1..n. a and b are not changed.
bool solveNormalEquationsD(const double* const* a, const double* b, int n, double* x, double* p);
