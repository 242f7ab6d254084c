// The unweighted least-squares straight line through 1-based points.
#pragma once

// y = a + b x over the points 1..n: a into *pfIntercept, b into *pfSlope.
// The sums S = sum x, Sxx, Sy and Sxy are single precision, as the analyses
// that share the fit have always computed them; with D = n Sxx - S^2:
// a = (Sxx Sy - S Sxy) / D, b = (n Sxy - S Sy) / D. Returns the residual
// sum of squares sum (y - (a + b x))^2. A single point, or points of one
// abscissa, leave D at or near 0 and no meaningful line: callers fit two or
// more distinct abscissae.
float fitStraightLine(float* pfIntercept, float* pfSlope, const float* x, const float* y, int n);
