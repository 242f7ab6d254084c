#include "numerics/power_above.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

// The vector math library's pow of four doubles (the AVX2 variant of the
// x86-64 vector function ABI).
extern "C" __m256d _ZGVdN4vv_pow(__m256d x, __m256d y);

namespace {

__attribute__((target("avx2"))) int powerAboveBaselineAvx2(const float* in, float* out, int n, double p, double b)
{
    const __m256d vb = _mm256_set1_pd(b), vp = _mm256_set1_pd(p), one = _mm256_set1_pd(1.0);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m256d v = _mm256_cvtps_pd(_mm_loadu_ps(in + k));
        const __m256d above = _mm256_cmp_pd(v, vb, _CMP_GT_OQ);
        // lanes at or below the baseline keep their value: they take pow of 1,
        // not of 0 or less, which the library hands to the scalar pow lane by lane
        const __m256d x = _mm256_blendv_pd(one, _mm256_sub_pd(v, vb), above);
        const __m256d y = _mm256_add_pd(vb, _ZGVdN4vv_pow(x, vp));
        _mm_storeu_ps(out + k, _mm256_cvtpd_ps(_mm256_blendv_pd(v, y, above)));
    }
    return k;
}

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
#if defined(__x86_64__) && defined(__GNUC__)
    if (hasAvx2()) k = powerAboveBaselineAvx2(in, out, n, p, b);
#endif
    for (; k < n; k++) out[k] = powerAboveBaseline(in[k], p, b);
}
