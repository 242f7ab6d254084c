// Eigen-decomposition of symmetric one-based matrices by cyclic Jacobi
// rotations, sorting of the eigenpairs, and small determinants.
#pragma once

// Eigenvalues into d[1..n], eigenvectors into the columns of v, the number of
// rotations into *nrot. The upper triangle of a is destroyed. When 50 sweeps
// do not suffice the computation is abandoned ("Too many iterations in
// routine jacobi" / "... djacobi").
void jacobi(float** a, int n, float* d, float** v, int* nrot);
void djacobi(double** a, int n, double* d, double** v, int* nrot);

// Eigenvalues into descending order, eigenvector columns moved along.
void eigsrt(float* d, float** v, int n);
void deigsrt(double* d, double** v, int n);

// Determinants of the 2 by 2 and 3 by 3 matrices m[1..][1..].
float determinant2(const float* const* m);
float determinant3(const float* const* m);
