#include "numerics/nnls.h"

#include <cmath>

#include "numerics/nnls_active_set.h"
#include "numerics/error_stop.h"
#include "numerics/linear_algebra.h"
#include "numerics/nrutil.h"

namespace {

long iterationCap(int n)
{
    return static_cast<long>(n) * static_cast<long>(n);
}

const char* const kIterationMessage = "max #iteration exceeded in NNLS";

} // namespace

bool solveNormalEquationsF(float** ata, float* atb, int n, bool bCopy)
{
    if (n < 1) return true;
    float* x = vector(1, n);
    float* w = vector(1, n);
    float* z = vector(1, n);
    float* y = vector(1, n);
    int* pPos = ivector(1, n);
    int* pOrder = ivector(1, n);
    float** factor = matrix(1, n, 1, n);
    CScopeExit release([&] {
        free_matrix(factor, 1, n, 1, n);
        free_ivector(pOrder, 1, n);
        free_ivector(pPos, 1, n);
        free_vector(y, 1, n);
        free_vector(z, 1, n);
        free_vector(w, 1, n);
        free_vector(x, 1, n);
    });
    CNNLSActiveSet<float> solver(n, ata, atb, x, w, z, y, factor, pPos, pOrder);
    switch (solver.Run(0.0f, iterationCap(n))) {
    case ENNLSEnd::Solved:
        for (int i = 1; i <= n; i++) atb[i] = x[i];
        return true;
    case ENNLSEnd::NotPositiveDefinite:
        luSolve(ata, atb, n, bCopy);
        return false;
    case ENNLSEnd::IterationCap:
        break;
    }
    reportError(kIterationMessage, 0);
    choleskySolve(ata, atb, n);
    for (int i = 1; i <= n; i++)
        if (atb[i] < 0.0f) atb[i] = 0.0f;
    return false;
}

bool nnls(int n, int* pPassive, double* x, double* w, const double* atb, const double* const* ata,
          double** pSubA, double* pSubB, double* p, double* pZ, int* pOrder, double* pdIterations,
          double* pdMaxGradient)
{
    if (n < 1) return true;
    CNNLSActiveSet<double> solver(n, ata, atb, x, w, pZ, pSubB, pSubA, pPassive, pOrder);
    ENNLSEnd end = solver.Run(1e-10, iterationCap(n));
    if (pdIterations) *pdIterations = static_cast<double>(solver.Iterations());
    if (pdMaxGradient) *pdMaxGradient = solver.MaxGradientAtZero();
    switch (end) {
    case ENNLSEnd::Solved:
        return true;
    case ENNLSEnd::NotPositiveDefinite:
        reportError("matrix not positive definite in NNLS", 0);
        return choleskySolveD(ata, atb, n, x, p);
    case ENNLSEnd::IterationCap:
        break;
    }
    reportError(kIterationMessage, 0);
    choleskySolveD(ata, atb, n, x, p);
    for (int i = 1; i <= n; i++)
        if (x[i] < 0.0) x[i] = 0.0;
    return false;
}
