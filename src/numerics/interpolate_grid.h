// Linear interpolation of a radial table onto other radii (all arrays 1-based).
//
// The table radii xIn[1..nIn] increase. Each target radius takes the straight
// line between its two neighbouring table points; targets outside the table
// take the value of the nearer end. Nothing is written when either count is
// below 5 or the target range does not overlap the table range.
#pragma once

// double table, float targets and outputs
void interpolateOnGridFD(int nOut, const float* xOut, float* yOut, int nIn, const double* xIn,
                         const double* yIn);
// as interpolateOnGridFD, but adds the interpolated values to the outputs
void interpolateOnGridFD2(int nOut, const float* xOut, float* yOut, int nIn, const double* xIn,
                          const double* yIn);
// double table, double targets and outputs
void interpolateOnGridDD(int nOut, const double* xOut, double* yOut, int nIn, const double* xIn,
                         const double* yIn);
// float table, double targets and outputs
void interpolateOnGridDF(int nOut, const double* xOut, double* yOut, int nIn, const float* xIn,
                         const float* yIn);
