// b + (v - b)^p over an array of single-precision values, the form of a
// detector's nonlinear response above its baseline.
#pragma once

// out[k] = float(b + pow(v - b, p)) for each v = in[k] > b, out[k] = v
// otherwise (a NaN stays itself), k = 0..n-1; in and out may be the same
// array. Where the processor has AVX2 four values go through the vector
// math library's pow at once; its results agree with std::pow's to a unit
// in the last place of a double, so the single-precision results are
// std::pow's.
void powerAboveBaseline(const float* in, float* out, int n, double p, double b);

// The same for one value.
inline float powerAboveBaseline(float v, double p, double b);

#include <cmath>

inline float powerAboveBaseline(float v, double p, double b)
{
    if (!(v > b)) return v;
    return static_cast<float>(b + std::pow(v - b, p));
}
