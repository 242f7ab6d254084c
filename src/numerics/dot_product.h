// Dot product of two contiguous runs, used by the solvers' inner loops.
#pragma once

// Four partial sums keep the pipeline busy; the order of summation is not the
// textbook one, the value is the same to rounding.
template <typename T>
inline T dotProduct(const T* a, const T* b, int n)
{
    T s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int k = 0;
    for (; k + 3 < n; k += 4) {
        s0 += a[k] * b[k];
        s1 += a[k + 1] * b[k + 1];
        s2 += a[k + 2] * b[k + 2];
        s3 += a[k + 3] * b[k + 3];
    }
    for (; k < n; k++) s0 += a[k] * b[k];
    return (s0 + s1) + (s2 + s3);
}
