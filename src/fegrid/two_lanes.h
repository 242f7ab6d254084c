// Two doubles in one register, for the loops of the global-grid propagators
// that take two nodes or rows at a time. Every operation is the scalar one lane
// by lane (no fused multiply-add), so the values are those of the scalar code.
#pragma once

#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using V2 = double __attribute__((vector_size(16)));
using V2f = float __attribute__((vector_size(8)));

inline V2 load2(const double* p)
{
    V2 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store2(double* p, V2 v) { std::memcpy(p, &v, sizeof v); }

// To single precision and back.
inline V2 roundToFloat(V2 x) { return __builtin_convertvector(__builtin_convertvector(x, V2f), V2); }

inline V2 sqrt2(V2 x)
{
#if defined(__SSE2__)
    return reinterpret_cast<V2>(_mm_sqrt_pd(reinterpret_cast<__m128d>(x)));
#else
    return V2{std::sqrt(x[0]), std::sqrt(x[1])};
#endif
}
