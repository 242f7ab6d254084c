#include "numerics/nnls.h"

#include <cmath>
#include <vector>

#include "numerics/dot_product.h"
#include "numerics/error_stop.h"
#include "numerics/linear_algebra.h"
#include "numerics/nrutil.h"

namespace {

enum class ENNLSEnd { Solved, NotPositiveDefinite, IterationCap };

// The active-set iteration. The passive set P is kept in entry order:
// pOrder[1..k] are its indices, pPos[i] the position of index i (0 outside
// P), and rows 1..k of L hold the Cholesky factor of ata restricted to P in
// that order (diagonal included).
template <typename T>
class CActiveSet {
public:
    CActiveSet(int n, const T* const* ata, const T* atb, T* x, T* w, T* z, T* y, T** pFactor, int* pPos,
               int* pOrder)
        : n(n), ata(ata), atb(atb), x(x), w(w), z(z), y(y), L(static_cast<size_t>(n) + 1), pPos(pPos),
          pOrder(pOrder)
    {
        for (int i = 1; i <= n; i++) L[i] = pFactor[i];
    }

    ENNLSEnd Run(T wMin, long nMaxIterations)
    {
        for (int i = 1; i <= n; i++) {
            x[i] = 0;
            z[i] = 0;
            pPos[i] = 0;
        }
        k = 0;
        nIterations = 0;
        for (;;) {
            for (int i = 1; i <= n; i++) w[i] = atb[i] - dotProduct(&ata[i][1], &x[1], n);
            int t = 0;
            for (int i = 1; i <= n; i++)
                if (!pPos[i] && w[i] > wMin && (t == 0 || w[i] > w[t])) t = i;
            if (t == 0) return ENNLSEnd::Solved;
            if (nIterations >= nMaxIterations) return ENNLSEnd::IterationCap;
            nIterations++;
            if (!Add(t)) return ENNLSEnd::NotPositiveDefinite;
            for (bool bFirst = true;; bFirst = false) {
                SolvePassive();
                if (bFirst && z[t] <= 0) break;
                bool bAllPositive = true;
                for (int r = 1; r <= k && bAllPositive; r++) bAllPositive = z[pOrder[r]] > 0;
                if (bAllPositive) {
                    for (int r = 1; r <= k; r++) x[pOrder[r]] = z[pOrder[r]];
                    break;
                }
                // Step towards z as far as the first component reaching 0.
                T alpha = 0;
                int jMin = 0;
                for (int r = 1; r <= k; r++) {
                    int j = pOrder[r];
                    if (z[j] > 0) continue;
                    T denom = x[j] - z[j];
                    T ratio = denom > 0 ? x[j] / denom : T(0);
                    if (jMin == 0 || ratio < alpha) {
                        alpha = ratio;
                        jMin = j;
                    }
                }
                for (int r = 1; r <= k; r++) {
                    int j = pOrder[r];
                    x[j] += alpha * (z[j] - x[j]);
                }
                // The component that set the step leaves P even when rounding
                // left it a little above the threshold; otherwise the inner loop
                // might never end.
                x[jMin] = 0;
                for (int r = k; r >= 1; r--) {
                    int j = pOrder[r];
                    if (std::fabs(x[j]) < T(1e-8) || x[j] < 0) {
                        x[j] = 0;
                        Remove(r);
                    }
                }
            }
        }
    }

    T MaxGradientAtZero() const
    {
        T g = 0;
        bool bAny = false;
        for (int i = 1; i <= n; i++)
            if (x[i] == 0 && (!bAny || w[i] > g)) {
                g = w[i];
                bAny = true;
            }
        return g;
    }

    long Iterations() const { return nIterations; }

private:
    // Extends the factor by index t; false when the extended subsystem is not
    // positive definite (the factor is then left as it was).
    bool Add(int t)
    {
        T* row = L[k + 1];
        for (int r = 1; r <= k; r++) row[r] = (ata[pOrder[r]][t] - dotProduct(&L[r][1], &row[1], r - 1)) / L[r][r];
        T d2 = ata[t][t] - dotProduct(&row[1], &row[1], k);
        if (!(d2 > 0)) return false;
        row[k + 1] = std::sqrt(d2);
        k++;
        pOrder[k] = t;
        pPos[t] = k;
        return true;
    }

    // Drops position q: the rows below move up and Givens rotations over the
    // column pairs restore the triangle.
    void Remove(int q)
    {
        pPos[pOrder[q]] = 0;
        z[pOrder[q]] = 0;
        T* freed = L[q];
        for (int r = q; r < k; r++) {
            L[r] = L[r + 1];
            pOrder[r] = pOrder[r + 1];
            pPos[pOrder[r]] = r;
        }
        L[k] = freed;
        k--;
        for (int c = q; c <= k; c++) {
            T a = L[c][c], b = L[c][c + 1];
            T rr = std::hypot(a, b);
            T cs = a / rr, sn = b / rr;
            for (int i = c + 1; i <= k; i++) {
                T u = L[i][c], v = L[i][c + 1];
                L[i][c] = cs * u + sn * v;
                L[i][c + 1] = cs * v - sn * u;
            }
            L[c][c] = rr;
            L[c][c + 1] = 0;
        }
    }

    // z on P from the factor; z is 0 outside P.
    void SolvePassive()
    {
        for (int r = 1; r <= k; r++) y[r] = (atb[pOrder[r]] - dotProduct(&L[r][1], &y[1], r - 1)) / L[r][r];
        for (int r = k; r >= 1; r--) {
            T sum = y[r];
            for (int c = r + 1; c <= k; c++) sum -= L[c][r] * y[c];
            y[r] = sum / L[r][r];
        }
        for (int r = 1; r <= k; r++) z[pOrder[r]] = y[r];
    }

    int n;
    const T* const* ata;
    const T* atb;
    T* x;
    T* w;
    T* z;
    T* y;
    std::vector<T*> L;
    int* pPos;
    int* pOrder;
    int k = 0;
    long nIterations = 0;
};

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
    CActiveSet<float> solver(n, ata, atb, x, w, z, y, factor, pPos, pOrder);
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
    CActiveSet<double> solver(n, ata, atb, x, w, pZ, pSubB, pSubA, pPassive, pOrder);
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
