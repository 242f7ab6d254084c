// The active-set iteration of non-negative least squares on normal equations
// (Lawson and Hanson), shared by the toolbox solvers (numerics/nnls.h) and the
// distribution solver (distributions/nnls_normal_equations.h).
//
// The passive subsystem is kept as a Cholesky factor that is extended when an
// index enters the passive set and reduced (Givens rotations) when one leaves,
// so an inner pass costs O(k^2) rather than O(k^3). The decisions are those of
// the textbook method: the largest gradient above the threshold enters (ties
// go to the lowest index); on the first inner pass after an entry a
// non-positive trial value of the entering variable ends the outer iteration
// with the variable kept in the set; otherwise the iterate moves towards the
// trial solution as far as the first variable reaching zero, and variables
// below 1e-8 or negative leave.
//
// Every array is the caller's (1-based, 1..n): nothing is allocated here.
#pragma once

#include <cmath>
#include <vector>

#include "numerics/dot_product.h"

enum class ENNLSEnd { Solved, NotPositiveDefinite, IterationCap };

template <typename T>
class CNNLSActiveSet {
public:
    // ata, atb: the normal equations; x: the solution; w: the gradient
    // atb - ata x; z: the trial solution on the passive set (0 outside); y:
    // work vector; L: rows 1..n of an n x n work matrix (the factor, lower
    // triangle, rows in entry order); pPos: position of each index in the
    // passive set (0 outside); pOrder: the passive indices in entry order.
    CNNLSActiveSet(int n, const T* const* ata, const T* atb, T* x, T* w, T* z, T* y, T* const* L, int* pPos,
                   int* pOrder)
        : n(n), ata(ata), atb(atb), x(x), w(w), z(z), y(y), L(L), pPos(pPos), pOrder(pOrder)
    {
    }

    // A trial solution is taken whole when all of it is >= 0 (instead of > 0).
    bool bAcceptZero = false;
    // When set, every decision is appended: +t when t enters, -j when j leaves.
    std::vector<int>* pDecisionLog = nullptr;

    // wMin: the gradient threshold for entering; nMaxIterations: the number of
    // entries allowed before the iteration cap ends the solve.
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
            Log(t);
            for (bool bFirst = true;; bFirst = false) {
                SolvePassive();
                if (bFirst && z[t] <= 0) {
                    w[t] = 0;
                    break;
                }
                bool bAllTaken = true;
                for (int r = 1; r <= k && bAllTaken; r++)
                    bAllTaken = bAcceptZero ? z[pOrder[r]] >= 0 : z[pOrder[r]] > 0;
                if (bAllTaken) {
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
                    if (jMin == 0 || ratio < alpha || (ratio == alpha && j < jMin)) {
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
                        Log(-j);
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
    void Log(int d)
    {
        if (pDecisionLog) pDecisionLog->push_back(d);
    }

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
        for (int r = q; r < k; r++) {
            const T* below = L[r + 1];
            T* row = L[r];
            for (int c = 1; c <= r + 1; c++) row[c] = below[c];
            pOrder[r] = pOrder[r + 1];
            pPos[pOrder[r]] = r;
        }
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
    T* const* L;
    int* pPos;
    int* pOrder;
    int k = 0;
    long nIterations = 0;
};
