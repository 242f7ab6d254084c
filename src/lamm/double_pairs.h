// Two doubles at once (GCC's vector extension; SSE2 on every x86-64), for the
// solver's loops over the grid that the -O2 vectoriser leaves scalar. Each
// lane does the scalar code's operations in the scalar code's order, so the
// results are the same to the bit.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lamm {

typedef double Pair __attribute__((vector_size(16)));
typedef long long PairMask __attribute__((vector_size(16)));  // a comparison's lanes: all bits or none

inline Pair loadPair(const double* p)
{
    Pair v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

inline void storePair(double* p, Pair v)
{
    __builtin_memcpy(p, &v, sizeof v);
}

inline Pair splat(double a)
{
    return Pair{a, a};
}

inline Pair absPair(Pair v)  // the sign bit cleared, as std::fabs
{
    return (Pair)((PairMask)v & PairMask{0x7fffffffffffffffLL, 0x7fffffffffffffffLL});
}

inline bool anyLane(PairMask m)
{
#if defined(__SSE2__)
    return _mm_movemask_pd((__m128d)m) != 0;
#else
    return (m[0] | m[1]) != 0;
#endif
}

inline int laneBits(PairMask m)  // bit k set where lane k is
{
#if defined(__SSE2__)
    return _mm_movemask_pd((__m128d)m);
#else
    return (m[0] != 0 ? 1 : 0) | (m[1] != 0 ? 2 : 0);
#endif
}

inline Pair maxPair(Pair a, Pair b)
{
    return a < b ? b : a;  // std::max's rule, lane by lane
}

}  // namespace lamm
