// The four-row bodies of the concentration-dependent loop's predictor pass and
// of its taking of the start profile (declared and described in
// lamm/reacting_passes.h), built with AVX2 for this file alone (CMakeLists.txt)
// and called only where the processor has it. It includes nothing but the
// intrinsics. Each lane does the two-row passes' operations in their order, so
// the results are the same to the bit.
#if defined(__x86_64__) && defined(__AVX2__)
#include <immintrin.h>

namespace {
// The lanes of a running minimum and maximum taken into the scalars lo and hi.
void takeRange(__m256d mn, __m256d mx, double& lo, double& hi)
{
    alignas(32) double m[4], h[4];
    _mm256_store_pd(m, mn);
    _mm256_store_pd(h, mx);
    for (int k = 0; k < 4; k++) {
        lo = m[k] < lo ? m[k] : lo;
        hi = hi < h[k] ? h[k] : hi;
    }
}
}  // namespace

int reactingTrialAvx2(const double* c, const double* o, double* t, double a, const double* rl, const double* rd,
                      const double* rb, double* b, int i, int last, double h, double generous, double E, double& lo,
                      double& hi, bool& flagged)
{
    const __m256d a4 = _mm256_set1_pd(a), zero = _mm256_setzero_pd(), h4 = _mm256_set1_pd(h),
                  g4 = _mm256_set1_pd(generous), e4 = _mm256_set1_pd(E), sign = _mm256_set1_pd(-0.0);
    __m256d mn = _mm256_set1_pd(lo), mx = _mm256_set1_pd(hi);
    flagged = false;
    for (; i + 3 <= last; i += 4) {
        const __m256d ci = _mm256_loadu_pd(c + i);
        const __m256d v = _mm256_add_pd(ci, _mm256_mul_pd(a4, _mm256_sub_pd(ci, _mm256_loadu_pd(o + i))));
        const __m256d x = _mm256_and_pd(v, _mm256_cmp_pd(v, zero, _CMP_GT_OQ));  // v > 0 ? v : 0
        _mm256_storeu_pd(t + i, x);
        if (b) {
            const __m256d p = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(rl + i), _mm256_loadu_pd(c + i - 1)),
                                            _mm256_mul_pd(_mm256_loadu_pd(rd + i), ci));
            _mm256_storeu_pd(b + i, _mm256_add_pd(p, _mm256_mul_pd(_mm256_loadu_pd(rb + i), _mm256_loadu_pd(c + i + 1))));
        }
        mn = _mm256_blendv_pd(mn, x, _mm256_cmp_pd(x, mn, _CMP_LT_OQ));
        mx = _mm256_blendv_pd(mx, x, _mm256_cmp_pd(mx, x, _CMP_LT_OQ));
        const __m256d d = _mm256_andnot_pd(sign, _mm256_sub_pd(x, ci));
        const __m256d big = _mm256_cmp_pd(ci, h4, _CMP_GT_OQ);
        const __m256d own = _mm256_and_pd(big, _mm256_cmp_pd(_mm256_mul_pd(d, g4), _mm256_mul_pd(e4, ci), _CMP_GT_OQ));
        const __m256d other = _mm256_andnot_pd(big, _mm256_cmp_pd(d, h4, _CMP_GT_OQ));
        if (_mm256_movemask_pd(_mm256_or_pd(own, other)) != 0) {
            flagged = true;
            break;
        }
    }
    takeRange(mn, mx, lo, hi);
    return i;
}

int reactingStartAvx2(const double* c, double* q, double* pub, double w, int i, int n, double& lo, double& hi,
                      bool& nan)
{
    const __m256d w4 = _mm256_set1_pd(w), zero = _mm256_setzero_pd();
    __m256d mn = _mm256_set1_pd(lo), mx = _mm256_set1_pd(hi), bad = zero;
    for (; i + 3 <= n; i += 4) {
        const __m256d x = _mm256_loadu_pd(c + i);
        if (q) _mm256_storeu_pd(q + i, x);
        if (pub) _mm256_storeu_pd(pub + i, _mm256_add_pd(zero, _mm256_mul_pd(w4, x)));
        bad = _mm256_or_pd(bad, _mm256_cmp_pd(x, x, _CMP_NEQ_UQ));
        mn = _mm256_blendv_pd(mn, x, _mm256_cmp_pd(x, mn, _CMP_LT_OQ));
        mx = _mm256_blendv_pd(mx, x, _mm256_cmp_pd(mx, x, _CMP_LT_OQ));
    }
    takeRange(mn, mx, lo, hi);
    nan = nan || _mm256_movemask_pd(bad) != 0;
    return i;
}
#endif
