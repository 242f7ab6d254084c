// Whole numbers from values read as floating point (files, edits, vector
// slots), held to the range of an int so that no conversion is undefined:
// beyond it they saturate, and NaN gives 0.
#pragma once

#include <climits>
#include <cmath>

// Truncation towards zero.
inline int truncToInt(double v)
{
    if (v != v) return 0;
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

// The integer part of floor(v).
inline int floorToInt(double v) { return truncToInt(std::floor(v)); }
