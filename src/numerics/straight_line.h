// The unweighted least-squares straight line through 1-based points.
#pragma once

// Whether the abscissae x[1..n] spread enough to determine a line through
// them with the single-precision sums of fitStraightLine: two points at
// least, every value finite, and a spread above the rounding of those sums.
// D = n Sxx - Sx^2 is the difference of two numbers near n^2 mean(x^2), each
// summed in single precision to about n eps of itself; a true spread
// n sum (x - mean)^2 (summed in double) that is not above n eps n Sxx leaves
// D a rounding residue, and the line divided by it arbitrary.
bool abscissaeSpread(const float* x, int n);

// y = a + b x over the points 1..n: a into *pfIntercept, b into *pfSlope.
// The sums S = sum x, Sxx, Sy and Sxy are single precision, as the analyses
// that share the fit have always computed them; with D = n Sxx - S^2:
// a = (Sxx Sy - S Sxy) / D, b = (n Sxy - S Sy) / D. Returns the residual
// sum of squares sum (y - (a + b x))^2, or -1 without a line: when the
// abscissae do not spread (abscissaeSpread), *pfIntercept and *pfSlope are
// left as they were.
float fitStraightLine(float* pfIntercept, float* pfSlope, const float* x, const float* y, int n);
