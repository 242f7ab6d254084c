// The four-lane body of powerAboveBaseline, built with AVX2 enabled for this
// file alone (CMakeLists.txt) and called only where the processor has it. It
// includes nothing but the intrinsics: an inline function of a common header
// built here with AVX2 could be the copy the linker keeps for every caller.
#if defined(__x86_64__) && defined(__AVX2__)
#include <immintrin.h>

// The vector math library's pow of four doubles (the AVX2 variant of the
// x86-64 vector function ABI).
extern "C" __m256d _ZGVdN4vv_pow(__m256d x, __m256d y);

// Values k = 0.. up to the last whole group of four; returns how many.
int powerAboveBaselineAvx2(const float* in, float* out, int n, double p, double b)
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
#endif
