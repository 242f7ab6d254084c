// Linear interpolation of a table xs[1..m], ys[1..m] onto target abscissae
// xt[1..n], output yo[1..n] (one-based arrays, both x sequences ascending).
//
// The interpolateOnGrid family needs n >= 5, m >= 5, overlapping ranges and
// xt[5] <= xs[m - 4]; otherwise it changes nothing and returns false. Target
// points before the table get the line through its first two points when they
// lie within one table interval of it, else a constant (ys[1], or the mean of
// ys[1..10] for tables of 11 points or more); the same holds after its end
// with the last points. True when yo received its values.
#pragma once

bool interpolateOnGrid(int n, const float* xt, float* yo, int m, const float* xs, const float* ys);
bool interpolateOnGridFD(int n, const float* xt, float* yo, int m, const double* xs, const double* ys);
// As interpolateOnGridFD, but adds each value to what yo[i] already holds.
bool interpolateOnGridFD2(int n, const float* xt, float* yo, int m, const double* xs, const double* ys);
bool interpolateOnGridDF(int n, const double* xt, double* yo, int m, const float* xs, const float* ys);
bool interpolateOnGridDD(int n, const double* xt, double* yo, int m, const double* xs, const double* ys);

// Plain variant: no size minimum, no extrapolation; target points outside the
// table are left untouched. Does nothing unless the ranges overlap.
void interpolateLinearD(int n, const double* xt, double* yo, int m, const double* xs, const double* ys);
