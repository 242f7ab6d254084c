#include "numerics/power_above.h"

#if defined(__x86_64__)
// numerics/power_above_avx2.cpp
int powerAboveBaselineAvx2(const float* in, float* out, int n, double p, double b);

namespace {
bool hasAvx2()
{
    static const bool b = __builtin_cpu_supports("avx2");
    return b;
}
}  // namespace
#endif

void powerAboveBaseline(const float* in, float* out, int n, double p, double b)
{
    int k = 0;
#if defined(__x86_64__)
    if (hasAvx2()) k = powerAboveBaselineAvx2(in, out, n, p, b);
#endif
    for (; k < n; k++) out[k] = powerAboveBaseline(in[k], p, b);
}
