// The four-row bodies of the static-grid passes (lamm/grid_passes.h), built
// with AVX2 for this file alone (CMakeLists.txt) and called only where the
// processor has it. It includes nothing but the intrinsics. Each lane does the
// scalar loop's operations; a group of four goes the scalar way, in order,
// wherever a row needs it, so the results are the scalar loop's to the bit.
#if defined(__x86_64__) && defined(__AVX2__)
#include <immintrin.h>

namespace {
inline double maxOf(double a, double b) { return a < b ? b : a; }

inline double lanesMax(__m256d v)
{
    alignas(32) double x[4];
    _mm256_store_pd(x, v);
    return maxOf(maxOf(x[0], x[1]), maxOf(x[2], x[3]));
}
}  // namespace

int largestValuesAvx2(const double* c, int from, int to, double& largest, double& largestMagnitude)
{
    const __m256d sign = _mm256_set1_pd(-0.0);
    __m256d m0 = _mm256_set1_pd(largest), m1 = m0, a0 = _mm256_set1_pd(largestMagnitude), a1 = a0;
    int i = from;
    for (; i + 7 <= to; i += 8) {
        const __m256d v0 = _mm256_loadu_pd(c + i), v1 = _mm256_loadu_pd(c + i + 4);
        // max(a, v) with a kept where v is NaN: a < v ? v : a
        m0 = _mm256_blendv_pd(m0, v0, _mm256_cmp_pd(m0, v0, _CMP_LT_OQ));
        m1 = _mm256_blendv_pd(m1, v1, _mm256_cmp_pd(m1, v1, _CMP_LT_OQ));
        const __m256d x0 = _mm256_andnot_pd(sign, v0), x1 = _mm256_andnot_pd(sign, v1);
        a0 = _mm256_blendv_pd(a0, x0, _mm256_cmp_pd(a0, x0, _CMP_LT_OQ));
        a1 = _mm256_blendv_pd(a1, x1, _mm256_cmp_pd(a1, x1, _CMP_LT_OQ));
    }
    largest = maxOf(lanesMax(m0), lanesMax(m1));
    largestMagnitude = maxOf(lanesMax(a0), lanesMax(a1));
    return i;
}

int relativeChangesAvx2(const double* c, const double* co, int from, int to, double cut, double& E, int& special)
{
    const __m256d sign = _mm256_set1_pd(-0.0), vcut = _mm256_set1_pd(cut);
    double E1 = E;
    int sp = special;
    __m256d e = _mm256_set1_pd(E1);
    int i = from;
    for (; i + 3 <= to; i += 4) {
        const __m256d o = _mm256_loadu_pd(co + i);
        const __m256d d = _mm256_andnot_pd(sign, _mm256_sub_pd(_mm256_loadu_pd(c + i), o));
        const __m256d own = _mm256_cmp_pd(o, vcut, _CMP_GT_OQ);
        const __m256d limit = _mm256_blendv_pd(vcut, _mm256_mul_pd(e, o), own);
        if (_mm256_movemask_pd(_mm256_cmp_pd(d, limit, _CMP_GT_OQ)) == 0) continue;
        for (int q = i; q <= i + 3; q++) {
            const double oq = co[q], dq = __builtin_fabs(c[q] - oq);
            if (oq > cut) {
                if (dq > E1 * oq) E1 = dq / oq;
            } else {
                sp |= dq > cut;
            }
        }
        e = _mm256_set1_pd(E1);
    }
    E = E1;
    special = sp;
    return i;
}
// The first row of a group of four that holds a value outside [low, high),
// or the first row after the last whole group.
int firstOutsideAvx2(const double* c, int from, int to, double low, double high)
{
    const __m256d lo = _mm256_set1_pd(low), hi = _mm256_set1_pd(high);
    int i = from;
    for (; i + 3 <= to; i += 4) {
        const __m256d v = _mm256_loadu_pd(c + i);
        const __m256d in = _mm256_and_pd(_mm256_cmp_pd(lo, v, _CMP_LE_OQ), _mm256_cmp_pd(v, hi, _CMP_LT_OQ));
        const int bits = _mm256_movemask_pd(in);
        if (bits != 15) return i + __builtin_ctz(~bits);
    }
    return i;
}
#endif
