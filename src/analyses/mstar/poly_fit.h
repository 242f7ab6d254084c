// Least-squares polynomial fit, evaluated at other abscissae: the
// extrapolations of the M* screens (signal to the meniscus, M* to the cell
// bottom, signal beyond the right fit limit).
#pragma once

// Fits a polynomial of the given order to the n points (x, y) (1-based double
// arrays) and writes its values at xEval[1..nEval] into yEval. The polynomial
// is written in powers of (x - x[1]) so that the normal equations stay far
// from overflow whatever the radius. With a second set (xSecond, ySecond both
// non-null and nSecond non-zero) ySecond[i] is the polynomial at xSecond[i]
// where lo <= xSecond[i] <= hi, else 0.
//
// An order below 0 sets yEval to 0 (the second set is left alone); order 0 is
// the mean of y. When there are fewer distinct abscissae than order + 1 the
// normal matrix is not positive definite: the error box "error in polyfit"
// is shown and every output stays as it was.
void polyFit(int order, const double* x, const double* y, int n, const float* xEval, float* yEval, int nEval,
             const float* xSecond, float* ySecond, int nSecond, float lo, float hi);
