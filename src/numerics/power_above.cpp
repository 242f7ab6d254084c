#include "numerics/power_above.h"

#include "numerics/cpu_features.h"

#if defined(__x86_64__)
// numerics/power_above_avx2.cpp
int powerAboveBaselineAvx2(const float* in, float* out, int n, double p, double b);
#endif

void powerAboveBaseline(const float* in, float* out, int n, double p, double b)
{
    int k = 0;
#if defined(__x86_64__)
    if (processorHasAvx2()) k = powerAboveBaselineAvx2(in, out, n, p, b);
#endif
    for (; k < n; k++) out[k] = powerAboveBaseline(in[k], p, b);
}
