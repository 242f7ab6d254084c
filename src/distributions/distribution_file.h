// A distribution read from a two-column file (x, c(x)) as the current
// distribution, for synthetic data; and the reuse test of the
// two-dimensional models' Lamm solutions and normal equations.
#pragma once

// 1 when the file became the current distribution with its stores, 0
// otherwise (the distribution then stays cleared). Not for the
// two-dimensional models.
int loadDistributionFromFile(const char* szPath);

// Whether the Lamm solutions and normal equations must be computed anew;
// stored in bContiKernelsDue.
bool checkContiKernelsDue();

// Writes the two-dimensional distribution, one line "%e %e %e %e %e %e" (s,
// M, f/f0, D, Rh, value) per grid point.
void saveDistributionFile(const char* szPath);
