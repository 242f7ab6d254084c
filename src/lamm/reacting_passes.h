// The concentration-dependent loop's passes four rows at a time
// (lamm/reacting_passes_avx2.cpp, built with AVX2): call them only where
// processorHasAvx2() (numerics/cpu_features.h) says the processor has it. Each
// lane does the loop's two-row passes' operations in their order, so the
// results are the same to the bit.
#pragma once

#if defined(__x86_64__)
// Rows i, i+4, ... while the group's last row is at most last: the trial
// t = max(0, c + a (c - o)), with rl/rd/rb the right-hand side b of the kept
// matrix (b may be null), the trial's range (lo, hi) on the way. Stops after a
// group in which a row may beat the largest change E (d generous > E c where
// c > h, d > h elsewhere; flagged, and the caller looks at the group's rows)
// and returns that group's first row, or the first row after the last whole
// group.
int reactingTrialAvx2(const double* c, const double* o, double* t, double a, const double* rl, const double* rd,
                      const double* rb, double* b, int i, int last, double h, double generous, double E, double& lo,
                      double& hi, bool& flagged);

// The start profile c over rows i.. in groups of four up to n: copied to q,
// published as 0 + w c to pub (either may be null), its range (lo, hi) and
// whether it holds a NaN on the way. Returns the first row after the last
// whole group.
int reactingStartAvx2(const double* c, double* q, double* pub, double w, int i, int n, double& lo, double& hi,
                      bool& nan);
#endif
