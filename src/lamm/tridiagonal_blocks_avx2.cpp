// The blocked tridiagonal sweeps four blocks to a vector, built with AVX2 for
// this file alone (CMakeLists.txt, without FMA and without contraction, so
// that each lane rounds as the two-lane build does) and called only where the
// processor has it. The kernels' header holds data only and the kernels have
// internal linkage: nothing built here can become the copy another file uses.
#if defined(__x86_64__) && defined(__AVX2__)
#include "lamm/tridiagonal_kernels.h"

namespace {
#define TRI_W 4
#include "lamm/tridiagonal_kernels.inc"
#undef TRI_W
}  // namespace

bool triFactorAvx2(const lamm::tri::MatrixRows& M, const lamm::tri::Factors& f)
{
    return factorKernel(M, f);
}

void triForwardAvx2(const lamm::tri::RightHandSide& R, const lamm::tri::Factors& f, double* F, double* P, int kf)
{
    forwardKernel(R, f, F, P, kf / W);
}

void triBackwardAvx2(const lamm::tri::Factors& f, double* F, const double* below, const double* above,
                     double* const* x, int kf)
{
    backwardKernel(f, F, below, above, x, kf / W);
}
#endif
