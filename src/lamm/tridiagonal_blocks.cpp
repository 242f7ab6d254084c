// A tridiagonal system solved in eight blocks side by side (see the header).
#include "lamm/tridiagonal_blocks.h"

#include <cmath>
#include <utility>

namespace lamm {

bool BlockTridiagonal::factor(int n, const double* lo, const double* di, const double* up, bool* zeroFirst)
{
    if (zeroFirst) *zeroFirst = false;
    n_ = n;
    lo_ = lo;
    if (n < 1) return true;
    if ((int)g_.size() < n + 2)
        for (auto* v : {&g_, &ip_, &W_, &Z_, &F_}) v->assign(n + 2, 0.0);
    double* g = g_.data();
    double* ip = ip_.data();
    double* W = W_.data();
    double* Z = Z_.data();
    if (di[1] == 0.0) {
        if (zeroFirst) *zeroFirst = true;
        return false;
    }
    blocks_ = n >= 16 * K;
    if (!blocks_) {  // one elimination
        ip[1] = 1.0 / di[1];
        g[1] = up[1] * ip[1];
        for (int j = 2; j <= n; j++) {
            const double p = di[j] - lo[j] * g[j - 1];
            if (p == 0.0) return false;
            ip[j] = 1.0 / p;
            g[j] = up[j] * ip[j];
        }
        return true;
    }
    const int m = n / K;  // rows of each block but the last, which takes the rest
    m_ = m;
    for (int k = 0; k < K; k++) {
        s_[k] = 1 + k * m;
        e_[k] = k < K - 1 ? s_[k] + m - 1 : n;
    }
    const int* s = s_;
    const int* e = e_;
    // elimination downwards in each block, the eight side by side: pivots, and
    // the left spike (from the row below the block)
    bool zero = false;
    for (int k = 0; k < K; k++) {
        const int j = s[k];
        const double p = di[j];
        zero |= p == 0.0;
        ip[j] = 1.0 / p;
        W[j] = (k > 0 ? lo[j] : 0.0) * ip[j];
        g[j] = up[j] * ip[j];
    }
    for (int t = 1; t < m; t++) {
        for (int k = 0; k < K; k++) {
            const int j = s[k] + t;
            const double l = lo[j];
            const double p = di[j] - l * g[j - 1];
            zero |= p == 0.0;
            const double q = 1.0 / p;
            ip[j] = q;
            W[j] = -l * W[j - 1] * q;
            g[j] = up[j] * q;
        }
    }
    for (int j = s[K - 1] + m; j <= n; j++) {  // the rest of the last block
        const double l = lo[j];
        const double p = di[j] - l * g[j - 1];
        zero |= p == 0.0;
        const double q = 1.0 / p;
        ip[j] = q;
        W[j] = -l * W[j - 1] * q;
        g[j] = up[j] * q;
    }
    if (zero) return false;
    // substitution upwards: the spikes W and Z (Z from up[e] / p at the last row)
    {
        const int k = K - 1;
        Z[e[k]] = 0.0;
        for (int j = e[k] - 1; j >= s[k] + m - 1; j--) {
            W[j] -= g[j] * W[j + 1];
            Z[j] = -g[j] * Z[j + 1];
        }
    }
    int top[K];
    for (int k = 0; k < K - 1; k++) {
        Z[e[k]] = g[e[k]];
        top[k] = e[k];
    }
    top[K - 1] = s[K - 1] + m - 1;
    for (int t = 1; t < m; t++) {
        for (int k = 0; k < K; k++) {
            const int j = top[k] - t;
            W[j] -= g[j] * W[j + 1];
            Z[j] = -g[j] * Z[j + 1];
        }
    }
    // the small system of the blocks' end values a_k = x[s_k], b_k = x[e_k]:
    // a_k + W b_(k-1) + Z a_(k+1) = F at s_k, and the same at e_k; factorised
    double A[U][U] = {};
    for (int k = 0; k < K; k++) {
        for (int which = 0; which < 2; which++) {
            const int row = 2 * k + which, j = which ? e[k] : s[k];
            A[row][row] = 1.0;
            if (k > 0) A[row][2 * (k - 1) + 1] += W[j];
            if (k < K - 1) A[row][2 * (k + 1)] += Z[j];
        }
    }
    for (int r = 0; r < U; r++) perm_[r] = r;
    for (int c = 0; c < U; c++) {
        int best = c;
        for (int r = c + 1; r < U; r++)
            if (std::fabs(A[r][c]) > std::fabs(A[best][c])) best = r;
        if (A[best][c] == 0.0) return false;
        if (best != c) {
            for (int q = 0; q < U; q++) std::swap(A[c][q], A[best][q]);
            std::swap(perm_[c], perm_[best]);
        }
        for (int r = c + 1; r < U; r++) {
            A[r][c] /= A[c][c];
            const double f = A[r][c];
            if (f != 0.0)
                for (int q = c + 1; q < U; q++) A[r][q] -= f * A[c][q];
        }
    }
    for (int r = 0; r < U; r++)
        for (int q = 0; q < U; q++) lu_[r][q] = A[r][q];
    return true;
}

void BlockTridiagonal::solve(const double* rhs, double* x, int first)
{
    const int n = n_;
    if (n < 1) return;
    const double* lo = lo_;
    const double* g = g_.data();
    const double* ip = ip_.data();
    double* F = F_.data();
    if (first < 1) first = 1;
    if (!blocks_) {
        double f = 0;
        for (int j = first; j <= n; j++) F[j] = f = (rhs[j] - (j > first ? lo[j] * f : 0.0)) * ip[j];
        double v = F[n];
        x[n] = v;
        for (int j = n - 1; j >= first; j--) x[j] = v = F[j] - g[j] * v;
        for (int j = 1; j < first && j <= n; j++) x[j] = 0;
        return;
    }
    const int* s = s_;
    const int* e = e_;
    const int m = m_;
    // Elimination of the right-hand side, the eight blocks side by side (on
    // pointers to each block's rows, so that the chains interleave); below the
    // first row the right-hand side counts as zero.
    const double* R[K];
    const double* L[K];
    const double* I[K];
    double* P[K];
    double f[K];
    for (int k = 0; k < K; k++) {
        R[k] = rhs + s[k];
        L[k] = lo + s[k];
        I[k] = ip + s[k];
        P[k] = F + s[k];
    }
    if (first <= 1) {
        for (int k = 0; k < K; k++) P[k][0] = f[k] = R[k][0] * I[k][0];
        for (int t = 1; t < m; t++) {
#pragma GCC unroll 8
            for (int k = 0; k < K; k++) P[k][t] = f[k] = (R[k][t] - L[k][t] * f[k]) * I[k][t];
        }
    } else {
        for (int k = 0; k < K; k++) P[k][0] = f[k] = s[k] >= first ? R[k][0] * I[k][0] : 0.0;
        for (int t = 1; t < m; t++) {
#pragma GCC unroll 8
            for (int k = 0; k < K; k++) {
                const double r = s[k] + t >= first ? R[k][t] : 0.0;
                P[k][t] = f[k] = (r - L[k][t] * f[k]) * I[k][t];
            }
        }
    }
    {
        double fl = f[K - 1];
        for (int j = s[K - 1] + m; j <= n; j++) F[j] = fl = ((j >= first ? rhs[j] : 0.0) - lo[j] * fl) * ip[j];
        for (int j = n - 1; j >= s[K - 1] + m - 1; j--) F[j] -= g[j] * F[j + 1];
    }
    // substitution upwards, side by side
    const double* G[K];
    for (int k = 0; k < K; k++) {
        const int top = k < K - 1 ? e[k] : s[K - 1] + m - 1;
        G[k] = g + top;
        P[k] = F + top;
        f[k] = P[k][0];
    }
    for (int t = 1; t < m; t++) {
#pragma GCC unroll 8
        for (int k = 0; k < K; k++) P[k][-t] = f[k] = P[k][-t] - G[k][-t] * f[k];
    }
    // the blocks' end values from the small system
    double v[U];
    for (int r = 0; r < U; r++) {
        const int q = perm_[r], k = q / 2;
        v[r] = F[(q & 1) ? e[k] : s[k]];
    }
    for (int r = 1; r < U; r++)
        for (int q = 0; q < r; q++) v[r] -= lu_[r][q] * v[q];
    for (int r = U - 1; r >= 0; r--) {
        for (int q = r + 1; q < U; q++) v[r] -= lu_[r][q] * v[q];
        v[r] /= lu_[r][r];
    }
    const double* W = W_.data();
    const double* Z = Z_.data();
    for (int k = 0; k < K; k++) {
        const double below = k > 0 ? v[2 * (k - 1) + 1] : 0.0, above = k < K - 1 ? v[2 * (k + 1)] : 0.0;
        const int from = s[k] > first ? s[k] : first;
        for (int j = s[k]; j < from && j <= e[k]; j++) x[j] = 0;
        for (int j = from; j <= e[k]; j++) x[j] = F[j] - W[j] * below - Z[j] * above;
    }
}

bool BlockTridiagonal::solve(int n, const double* lo, const double* di, const double* up, const double* rhs, double* x)
{
    if (!factor(n, lo, di, up)) return false;
    solve(rhs, x, 1);
    return true;
}

}  // namespace lamm
