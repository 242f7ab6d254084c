// Brent root finders of the distribution code: zbrentFloat in single
// precision, which widens a bracket without a sign change by doubling its
// upper bound, and zbrent in double precision, which does not. Both stop
// after 200 iterations and return 0 then. While a serialised fit runs they
// show no box and set nNumericalErrorCode instead (3: no sign change after
// the doublings, 4: iteration limit, 5: bracket without a sign change).
#pragma once

#include <functional>

float zbrentFloat(const std::function<float(float)>& f, float x1, float x2, float tol);
double zbrent(const std::function<double(double)>& f, double x1, double x2, double tol);
