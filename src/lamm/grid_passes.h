// Passes of the static-grid step over a stretch of grid rows: the largest
// value and magnitude, and the largest relative change of a step. Where the
// processor has AVX2 they take four rows at a time (lamm/grid_passes_avx2.cpp),
// elsewhere two; every path gives the scalar loop's result to the bit.
#pragma once

namespace lamm {

// The largest of start and c[from..to] (std::max's rule: a NaN value is passed
// over) and the largest magnitude |c[i]| over the same rows (at least 0).
// An empty stretch (to < from) gives start and 0.
void largestValues(const double* c, int from, int to, double start, double& largest, double& largestMagnitude);

// The largest relative change of a step over rows from..to, as the scalar loop
//   o = co[i], d = |c[i] - o|: where o > cut, E = d / o when d > E o;
//                              elsewhere special |= d > cut
// gives it, in that order (E and special come in with the values so far).
void relativeChanges(const double* c, const double* co, int from, int to, double cut, double& E, int& special);

// The first row i of from..to whose value is not in [low, high) (a NaN is
// not), to + 1 if every value is.
int firstOutside(const double* c, int from, int to, double low, double high);

}  // namespace lamm
