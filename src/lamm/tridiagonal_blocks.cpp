// A tridiagonal system solved in eight blocks side by side (see the header).
#include "lamm/tridiagonal_blocks.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "lamm/double_pairs.h"

namespace lamm {

bool BlockTridiagonal::factor(int n, const double* lo, const double* di, const double* up, bool* zeroFirst)
{
    if (zeroFirst) *zeroFirst = false;
    n_ = n;
    lo_ = lo;
    up_ = up;
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
    blocks_ = n >= kBlockRows;
    if (!blocks_) {  // twisted: downwards over 1..p, upwards over n..p+1
        const int p = (n + 1) / 2;
        p_ = p;
        ip[1] = 1.0 / di[1];
        g[1] = up[1] * ip[1];
        for (int j = 2; j <= p; j++) {
            const double q = di[j] - lo[j] * g[j - 1];
            if (q == 0.0) return false;
            ip[j] = 1.0 / q;
            g[j] = up[j] * ip[j];
        }
        if (n == 1) return true;
        if (di[n] == 0.0) return false;
        Z[n] = 1.0 / di[n];  // the pivots upwards (inverse) and h = lo / pivot
        W[n] = lo[n] * Z[n];
        for (int j = n - 1; j > p; j--) {
            const double q = di[j] - up[j] * W[j + 1];
            if (q == 0.0) return false;
            Z[j] = 1.0 / q;
            W[j] = lo[j] * Z[j];
        }
        const double meet = 1.0 - g[p] * W[p + 1];
        if (meet == 0.0) return false;
        meet_ = 1.0 / meet;
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
    // a_k + W b_(k-1) + Z a_(k+1) = F at s_k, and the same at e_k. In the
    // order a_0, b_0, a_1, b_1, ... it is banded (two rows either side of the
    // diagonal, which is 1), and the spikes of a diagonally dominant matrix
    // are below 1 in size: it is factorised within its band without pivoting,
    // and with row pivoting over the whole only if a pivot comes out small.
    double A[U][U] = {};
    for (int k = 0; k < K; k++) {
        for (int which = 0; which < 2; which++) {
            const int row = 2 * k + which, j = which ? e[k] : s[k];
            A[row][row] = 1.0;
            if (k > 0) A[row][2 * (k - 1) + 1] += W[j];
            if (k < K - 1) A[row][2 * (k + 1)] += Z[j];
        }
    }
    {
        double B[U][U];
        for (int r = 0; r < U; r++)
            for (int q = 0; q < U; q++) B[r][q] = A[r][q];
        banded_ = true;
        for (int c = 0; c < U && banded_; c++) {
            if (!(std::fabs(B[c][c]) >= 0.05)) {
                banded_ = false;
                break;
            }
            for (int r = c + 1; r <= c + 2 && r < U; r++) {
                B[r][c] /= B[c][c];
                for (int q = c + 1; q <= c + 2 && q < U; q++) B[r][q] -= B[r][c] * B[c][q];
            }
        }
        if (banded_) {
            for (int r = 0; r < U; r++) {
                bl1_[r] = r >= 1 ? B[r][r - 1] : 0.0;
                bl2_[r] = r >= 2 ? B[r][r - 2] : 0.0;
                bu1_[r] = r + 1 < U ? B[r][r + 1] : 0.0;
                bu2_[r] = r + 2 < U ? B[r][r + 2] : 0.0;
                bid_[r] = 1.0 / B[r][r];
            }
            return true;
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

namespace {

constexpr int K = 8;

// The eliminations of the blocks KF..K-1 side by side over their first m
// rows, block k from row s[k]: downwards F = (R - L F_prev) I. All the blocks
// index the same arrays (one base each, and a row offset per block), so that
// the eight chains stay in registers.
template <int KF>
void forwardChains(const double* R, const double* L, const double* I, double* F, const int* s, int m, double* fOut)
{
    long o[K];
    double f[K];
    for (int k = KF; k < K; k++) {
        o[k] = s[k];
        F[o[k]] = f[k] = R[o[k]] * I[o[k]];
    }
    for (long t = 1; t < m; t++) {
#pragma GCC unroll 8
        for (int k = KF; k < K; k++) {
            long j = o[k] + t;
            asm("" : "+r"(j));  // one row index for the four arrays (no pointer per block and array)
            F[j] = f[k] = (R[j] - L[j] * f[k]) * I[j];
        }
    }
    for (int k = KF; k < K; k++) fOut[k] = f[k];
}

// ... and upwards F -= G F_next, block k from row top[k] down m-1 rows.
template <int KF>
void backwardChains(const double* G, double* F, const int* top, int m)
{
    long o[K];
    double f[K];
    for (int k = KF; k < K; k++) {
        o[k] = top[k];
        f[k] = F[o[k]];
    }
    for (long t = 1; t < m; t++) {
#pragma GCC unroll 8
        for (int k = KF; k < K; k++) {
            long j = o[k] - t;
            asm("" : "+r"(j));
            F[j] = f[k] = F[j] - G[j] * f[k];
        }
    }
}

template <int KF>
void sweeps(const double* R, const double* L, const double* I, double* F, const int* rows, int m, double* f, bool down)
{
    if (down)
        forwardChains<KF>(R, L, I, F, rows, m, f);
    else
        backwardChains<KF>(I, F, rows, m);
}

void dispatch(int kf, const double* R, const double* L, const double* I, double* F, const int* rows, int m, double* f,
              bool down)
{
    switch (kf) {
    case 0: sweeps<0>(R, L, I, F, rows, m, f, down); break;
    case 1: sweeps<1>(R, L, I, F, rows, m, f, down); break;
    case 2: sweeps<2>(R, L, I, F, rows, m, f, down); break;
    case 3: sweeps<3>(R, L, I, F, rows, m, f, down); break;
    case 4: sweeps<4>(R, L, I, F, rows, m, f, down); break;
    case 5: sweeps<5>(R, L, I, F, rows, m, f, down); break;
    case 6: sweeps<6>(R, L, I, F, rows, m, f, down); break;
    default: sweeps<7>(R, L, I, F, rows, m, f, down); break;
    }
}

}  // namespace

void BlockTridiagonal::solve(double* rhs, double* x, int first)
{
    if (first > 1 && blocks_ && first <= n_) {
        int kf = 0;
        while (kf < K - 1 && e_[kf] < first) kf++;
        if (first > s_[kf]) std::fill(rhs + s_[kf], rhs + first, 0.0);
    }
    solveRows(rhs, x, first);
}

void BlockTridiagonal::solveRows(const double* rhs, double* x, int first)
{
    const int n = n_;
    if (n < 1) return;
    const double* lo = lo_;
    const double* g = g_.data();
    const double* ip = ip_.data();
    double* F = F_.data();
    if (first < 1) first = 1;
    if (first > n) {
        std::fill(x + 1, x + n + 1, 0.0);
        return;
    }
    if (!blocks_) {
        // x[j] + g[j] x[j+1] = F[j] downwards to row p, x[j] + h[j] x[j-1] =
        // F[j] upwards to row p+1, the two chains side by side; the two rows
        // where they meet solved together
        if (n == 1) {
            x[1] = first <= 1 ? rhs[1] * ip[1] : 0.0;
            return;
        }
        const double* up = up_;
        const double* h = W_.data();
        const double* iq = Z_.data();
        const int p = p_;
        int jd = first, ju = n;
        double fd = 0, fu = 0;
        const int common = std::min(p - first + 1, n - std::max(p, first - 1));
        for (int t = 0; t < common; t++, jd++, ju--) {
            F[jd] = fd = (rhs[jd] - lo[jd] * fd) * ip[jd];
            F[ju] = fu = (rhs[ju] - up[ju] * fu) * iq[ju];
        }
        for (; jd <= p; jd++) F[jd] = fd = (rhs[jd] - lo[jd] * fd) * ip[jd];
        for (; ju >= first && ju > p; ju--) F[ju] = fu = (rhs[ju] - up[ju] * fu) * iq[ju];
        for (; ju > p; ju--) F[ju] = fu = -up[ju] * fu * iq[ju];
        const double Fp = first <= p ? F[p] : 0.0;
        double xd = (Fp - g[p] * F[p + 1]) * meet_;
        double xu = F[p + 1] - h[p + 1] * xd;
        x[p] = xd;
        x[p + 1] = xu;
        jd = p - 1;
        ju = p + 2;
        const int lower = std::max(first, 1);
        for (; jd >= lower && ju <= n; jd--, ju++) {
            x[jd] = xd = F[jd] - g[jd] * xd;
            x[ju] = xu = F[ju] - h[ju] * xu;
        }
        for (; jd >= lower; jd--) x[jd] = xd = F[jd] - g[jd] * xd;
        for (; ju <= n; ju++) x[ju] = xu = F[ju] - h[ju] * xu;
        std::fill(x + 1, x + first, 0.0);
        return;
    }
    const int* s = s_;
    const int* e = e_;
    const int m = m_;
    // The blocks wholly below the first row have F = 0 (their right-hand side
    // counts as zero) and are left out; the rows of the first block that
    // reaches it below it are zero in rhs (solve() has set them).
    int kf = 0;
    while (kf < K - 1 && e[kf] < first) kf++;
    double f[K];
    // elimination downwards, the blocks side by side
    dispatch(kf, rhs, lo, ip, F, s, m, f, true);
    {
        double fl = f[K - 1];
        for (int j = s[K - 1] + m; j <= n; j++) F[j] = fl = ((j >= first ? rhs[j] : 0.0) - lo[j] * fl) * ip[j];
        for (int j = n - 1; j >= s[K - 1] + m - 1; j--) F[j] -= g[j] * F[j + 1];
    }
    // substitution upwards, side by side
    int top[K];
    for (int k = 0; k < K; k++) top[k] = k < K - 1 ? e[k] : s[K - 1] + m - 1;
    dispatch(kf, nullptr, nullptr, g, F, top, m, f, false);
    // the blocks' end values from the small system
    double v[U];
    for (int k = 0; k < K; k++) {
        v[2 * k] = k >= kf ? F[s[k]] : 0.0;
        v[2 * k + 1] = k >= kf ? F[e[k]] : 0.0;
    }
    if (banded_) {
        for (int r = 1; r < U; r++) v[r] -= bl1_[r] * v[r - 1] + (r >= 2 ? bl2_[r] * v[r - 2] : 0.0);
        v[U - 1] *= bid_[U - 1];
        v[U - 2] = (v[U - 2] - bu1_[U - 2] * v[U - 1]) * bid_[U - 2];
        for (int r = U - 3; r >= 0; r--) v[r] = (v[r] - bu1_[r] * v[r + 1] - bu2_[r] * v[r + 2]) * bid_[r];
    } else {
        double w[U];
        for (int r = 0; r < U; r++) w[r] = v[perm_[r]];
        for (int r = 1; r < U; r++)
            for (int q = 0; q < r; q++) w[r] -= lu_[r][q] * w[q];
        for (int r = U - 1; r >= 0; r--) {
            for (int q = r + 1; q < U; q++) w[r] -= lu_[r][q] * w[q];
            w[r] /= lu_[r][r];
        }
        for (int r = 0; r < U; r++) v[r] = w[r];
    }
    const double* W = W_.data();
    const double* Z = Z_.data();
    std::fill(x + 1, x + first, 0.0);
    for (int k = kf; k < K; k++) {
        const double below = k > 0 ? v[2 * (k - 1) + 1] : 0.0, above = k < K - 1 ? v[2 * (k + 1)] : 0.0;
        const int from = s[k] > first ? s[k] : first;
        const Pair b2 = splat(below), a2 = splat(above);
        int j = from;
        for (; j + 1 <= e[k]; j += 2) storePair(x + j, loadPair(F + j) - loadPair(W + j) * b2 - loadPair(Z + j) * a2);
        if (j == e[k]) x[j] = F[j] - W[j] * below - Z[j] * above;
    }
}

bool BlockTridiagonal::solve(int n, const double* lo, const double* di, const double* up, const double* rhs, double* x)
{
    if (!factor(n, lo, di, up)) return false;
    solveRows(rhs, x, 1);
    return true;
}

}  // namespace lamm
