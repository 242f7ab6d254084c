// A tridiagonal system solved in sixteen blocks side by side (see the header).
#include "lamm/tridiagonal_blocks.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "numerics/cpu_features.h"

namespace {
#define TRI_W 2
#include "lamm/tridiagonal_kernels.inc"
#undef TRI_W
}  // namespace

#if defined(__x86_64__)
// lamm/tridiagonal_blocks_avx2.cpp
bool triFactorAvx2(const lamm::tri::MatrixRows& M, const lamm::tri::Factors& f);
void triForwardAvx2(const lamm::tri::RightHandSide& R, const lamm::tri::Factors& f, double* F, double* P, int kf);
void triBackwardAvx2(const lamm::tri::Factors& f, double* F, const double* below, const double* above,
                     double* const* x, int kf);
#endif

namespace lamm {

BlockTridiagonal::BlockTridiagonal() : wide_(processorHasAvx2()) {}

bool BlockTridiagonal::useWideInstructions(bool on)
{
    wide_ = on && processorHasAvx2();
    return wide_;
}

bool BlockTridiagonal::factor(int n, const double* lo, const double* di, const double* up, bool* zeroFirst)
{
    if (zeroFirst) *zeroFirst = false;
    n_ = n;
    lo_ = lo;
    up_ = up;
    if (n < 1) return true;
    if (di[1] == 0.0) {
        if (zeroFirst) *zeroFirst = true;
        return false;
    }
    blocks_ = n >= kBlockRows;
    if (!blocks_) {  // twisted: downwards over 1..p, upwards over n..p+1
        if ((int)g_.size() < n + 2)
            for (auto* v : {&g_, &ip_, &W_, &Z_, &F_}) v->assign(n + 2, 0.0);
        double* g = g_.data();
        double* ip = ip_.data();
        double* W = W_.data();
        double* Z = Z_.data();
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
    const int m = (n + K - 1) / K;  // rows of each block; the last has n - (K-1) m >= 1 of them, then padding
    m_ = m;
    const size_t size = (size_t)K * m;
    if (g_.size() < size || a_.size() < size)
        for (auto* v : {&g_, &ip_, &W_, &Z_, &F_, &a_}) v->assign(size, 0.0);
    if ((int)stage_.size() < 3 * m) stage_.assign(3 * m, 0.0);
    // the last block's rows, then the identity (lo = up = 0 at row n's end)
    const int s = 1 + (K - 1) * m, len = n - s + 1;
    double* sLo = stage_.data();
    double* sDi = sLo + m;
    double* sUp = sDi + m;
    for (int t = 0; t < m; t++) {
        sLo[t] = t < len ? lo[s + t] : 0.0;
        sDi[t] = t < len ? di[s + t] : 1.0;
        sUp[t] = t < len - 1 ? up[s + t] : 0.0;
    }
    tri::MatrixRows M;
    for (int k = 0; k < K - 1; k++) {
        M.lo[k] = lo + 1 + k * m;
        M.di[k] = di + 1 + k * m;
        M.up[k] = up + 1 + k * m;
    }
    M.lo[K - 1] = sLo;
    M.di[K - 1] = sDi;
    M.up[K - 1] = sUp;
    M.scratch = F_.data();
    const tri::Factors f{m, ip_.data(), a_.data(), g_.data(), W_.data(), Z_.data()};
#if defined(__x86_64__)
    const bool zero = wide_ ? triFactorAvx2(M, f) : factorKernel(M, f);
#else
    const bool zero = factorKernel(M, f);
#endif
    if (zero) return false;
    // The small system of the blocks' end values a_k = x[s_k], b_k = x[e_k]:
    // a_k + u_s lo_s b_(k-1) + u_e up_e a_(k+1) = u . rhs (u the block
    // inverse's first row) and b_k + w_e b_(k-1) + g_e a_(k+1) = F_e. In the
    // order a_0, b_0, a_1, b_1, ... it is banded (two rows either side of the
    // diagonal, which is 1), and the spikes of a diagonally dominant matrix
    // are below 1 in size: it is factorised within its band without pivoting,
    // and with row pivoting over the whole only if a pivot comes out small.
    const double* u = f.u;
    const int last = (m - 1) * K;
    double A[U][U] = {};
    for (int k = 0; k < K; k++) {
        A[2 * k][2 * k] = A[2 * k + 1][2 * k + 1] = 1.0;
        if (k > 0) {
            A[2 * k][2 * k - 1] = u[k] * lo[1 + k * m];
            A[2 * k + 1][2 * k - 1] = f.w[last + k];
        }
        if (k < K - 1) {
            A[2 * k][2 * k + 2] = u[last + k] * up[(k + 1) * m];
            A[2 * k + 1][2 * k + 2] = f.g[last + k];
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
            for (int r = 0; r < U; r++) {  // U scaled by its diagonal, which shortens the solve's chain
                bl1_[r] = r >= 1 ? B[r][r - 1] : 0.0;
                bl2_[r] = r >= 2 ? B[r][r - 2] : 0.0;
                bid_[r] = 1.0 / B[r][r];
                bu1_[r] = r + 1 < U ? B[r][r + 1] * bid_[r] : 0.0;
                bu2_[r] = r + 2 < U ? B[r][r + 2] * bid_[r] : 0.0;
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
    int nl = 0, nu = 0;
    for (int r = 0; r < U; r++) {
        lowStart_[r] = (short)nl;
        upStart_[r] = (short)nu;
        for (int q = 0; q < U; q++) {
            lu_[r][q] = A[r][q];
            if (q < r && A[r][q] != 0.0) lowCol_[nl++] = (unsigned char)q;
            if (q > r && A[r][q] != 0.0) upCol_[nu++] = (unsigned char)q;
        }
    }
    lowStart_[U] = (short)nl;
    upStart_[U] = (short)nu;
    return true;
}

// No system, or a first row beyond the last (then x is 0): nothing to solve.
// Moves a first row below 1 to 1.
bool BlockTridiagonal::solvedWithoutRows(double* x, int& first) const
{
    if (n_ < 1) return true;
    if (first < 1) first = 1;
    if (first > n_) {
        std::fill(x + 1, x + n_ + 1, 0.0);
        return true;
    }
    return false;
}

void BlockTridiagonal::solve(const double* rhs, double* x, int first)
{
    const int n = n_;
    if (solvedWithoutRows(x, first)) return;
    if (!blocks_) {
        solveTwisted(rhs, x, first);
        return;
    }
    const int m = m_, s = 1 + (K - 1) * m, len = n - s + 1;
    double* sR = stage_.data();  // the last block's right-hand side, padded with zeros
    for (int t = 0; t < m; t++) sR[t] = t < len && s + t >= first ? rhs[s + t] : 0.0;
    tri::RightHandSide R;
    for (int k = 0; k < K; k++) {
        R.rhs[k] = k < K - 1 ? rhs + 1 + k * m : sR;
        R.rl[k] = R.rd[k] = R.ru[k] = R.c[k] = nullptr;
        R.firstRow[k] = 1 + k * m;
    }
    R.head = nullptr;
    R.first = first;
    solveBlocks(R, x, first);
}

void BlockTridiagonal::solveProduct(const double* rl, const double* rd, const double* ru, const double* c, double* x,
                                    int first)
{
    const int n = n_;
    if (solvedWithoutRows(x, first)) return;
    auto row = [&](int j) {
        if (n == 1) return rd[1] * c[1];
        if (j == 1) return rd[1] * c[1] + ru[1] * c[2];
        if (j == n) return rl[n] * c[n - 1] + rd[n] * c[n];
        return rl[j] * c[j - 1] + rd[j] * c[j] + ru[j] * c[j + 1];
    };
    if (!blocks_) {
        if ((int)rhs_.size() < n + 2) rhs_.assign(n + 2, 0.0);
        for (int j = first; j <= n; j++) rhs_[j] = row(j);
        solveTwisted(rhs_.data(), x, first);
        return;
    }
    // the last block's right-hand side formed here, padded with zeros
    const int m = m_, s = 1 + (K - 1) * m, len = n - s + 1;
    double* sR = stage_.data();
    {
        int t = 0, j = s;  // s > 1
        for (; j < first && t < len; t++, j++) sR[t] = 0.0;
        for (; j < n; t++, j++) sR[t] = rl[j] * c[j - 1] + rd[j] * c[j] + ru[j] * c[j + 1];
        if (j == n) sR[t++] = rl[n] * c[n - 1] + rd[n] * c[n];
        for (; t < m; t++) sR[t] = 0.0;
    }
    double head[4];  // the first rows without c[0]
    for (int t = 0; t < 4; t++) head[t] = row(1 + t);
    tri::RightHandSide R;
    for (int k = 0; k < K; k++) {
        const int o = 1 + k * m;
        R.rhs[k] = k == K - 1 ? sR : nullptr;
        R.rl[k] = rl + o;
        R.rd[k] = rd + o;
        R.ru[k] = ru + o;
        R.c[k] = c + o;
        R.firstRow[k] = o;
    }
    R.head = head;
    R.first = first;
    solveBlocks(R, x, first);
}

void BlockTridiagonal::solveBlocks(const tri::RightHandSide& R, double* x, int first)
{
    const int n = n_, m = m_, s = 1 + (K - 1) * m, len = n - s + 1;
    const tri::Factors f{m, ip_.data(), a_.data(), g_.data(), W_.data(), Z_.data()};
    // The blocks wholly below the first row count as zero and the vectors of
    // them are left out.
    const int kf = std::min((first - 1) / m, K - 1);
    double* F = F_.data();
    double P[K];
#if defined(__x86_64__)
    if (wide_)
        triForwardAvx2(R, f, F, P, kf);
    else
#endif
        forwardKernel(R, f, F, P, kf / W);
    // the blocks' end values from the small system
    double vv[U + 4] = {};  // two zeros either side
    double* v = vv + 2;
    for (int k = kf; k < K; k++) {
        v[2 * k] = P[k];
        v[2 * k + 1] = F[(m - 1) * K + k];
    }
    if (banded_) {
        // the rows of the blocks below kf stay 0 downwards, and upwards the
        // solve stops at the last value that the blocks from kf on need
        for (int r = 2 * kf; r < U; r++) v[r] = (v[r] - bl2_[r] * v[r - 2]) - bl1_[r] * v[r - 1];
        for (int r = U - 1; r >= 2 * kf - 1 && r >= 0; r--) v[r] = (v[r] * bid_[r] - bu2_[r] * v[r + 2]) - bu1_[r] * v[r + 1];
    } else {
        double w[U];
        for (int r = 0; r < U; r++) w[r] = v[perm_[r]];
        // the zeros of the factors left out (the pivoted factors of the banded
        // system have a few entries per row)
        for (int r = 1; r < U; r++)
            for (int e = lowStart_[r]; e < lowStart_[r + 1]; e++) w[r] -= lu_[r][lowCol_[e]] * w[lowCol_[e]];
        for (int r = U - 1; r >= 0; r--) {
            for (int e = upStart_[r]; e < upStart_[r + 1]; e++) w[r] -= lu_[r][upCol_[e]] * w[upCol_[e]];
            w[r] /= lu_[r][r];
        }
        for (int r = 0; r < U; r++) v[r] = w[r];
    }
    double below[K], above[K];
    for (int k = 0; k < K; k++) {
        below[k] = k > 0 ? v[2 * k - 1] : 0.0;
        above[k] = k < K - 1 ? v[2 * k + 2] : 0.0;
    }
    double* sX = stage_.data() + m;  // the last block's solution, padded
    double* xb[K];
    for (int k = 0; k < K - 1; k++) xb[k] = x + 1 + k * m;
    xb[K - 1] = sX;
#if defined(__x86_64__)
    if (wide_)
        triBackwardAvx2(f, F, below, above, xb, kf);
    else
#endif
        backwardKernel(f, F, below, above, xb, kf / W);
    std::copy(sX, sX + len, x + s);
    std::fill(x + 1, x + first, 0.0);
}

// x[j] + g[j] x[j+1] = F[j] downwards to row p, x[j] + h[j] x[j-1] = F[j]
// upwards to row p+1, the two chains side by side; the two rows where they
// meet solved together
void BlockTridiagonal::solveTwisted(const double* rhs, double* x, int first)
{
    const int n = n_;
    const double* lo = lo_;
    const double* g = g_.data();
    const double* ip = ip_.data();
    double* F = F_.data();
    if (n == 1) {
        x[1] = rhs[1] * ip[1];
        return;
    }
    const double* up = up_;
    const double* h = W_.data();
    const double* iq = Z_.data();
    const int p = p_;
    int jd = first, ju = n;
    double fd = 0, fu = 0;
    const int common = std::min(p - first + 1, n - std::max(p, first - 1));
    // (lo[first] and up[n] are not read: the chains start from zero there)
    auto down = [&](int j) { return (j > first ? rhs[j] - lo[j] * fd : rhs[j]) * ip[j]; };
    auto upward = [&](int j) { return (j < n ? rhs[j] - up[j] * fu : rhs[j]) * iq[j]; };
    for (int t = 0; t < common; t++, jd++, ju--) {
        F[jd] = fd = down(jd);
        F[ju] = fu = upward(ju);
    }
    for (; jd <= p; jd++) F[jd] = fd = down(jd);
    for (; ju >= first && ju > p; ju--) F[ju] = fu = upward(ju);
    for (; ju > p; ju--) F[ju] = fu = ju < n ? -up[ju] * fu * iq[ju] : 0.0;
    const double Fp = first <= p ? F[p] : 0.0;
    double xd = (Fp - g[p] * F[p + 1]) * meet_;
    double xu = F[p + 1] - h[p + 1] * xd;
    x[p] = xd;
    x[p + 1] = xu;
    jd = p - 1;
    ju = p + 2;
    for (; jd >= first && ju <= n; jd--, ju++) {
        x[jd] = xd = F[jd] - g[jd] * xd;
        x[ju] = xu = F[ju] - h[ju] * xu;
    }
    for (; jd >= first; jd--) x[jd] = xd = F[jd] - g[jd] * xd;
    for (; ju <= n; ju++) x[ju] = xu = F[ju] - h[ju] * xu;
    std::fill(x + 1, x + first, 0.0);
}

bool BlockTridiagonal::solve(int n, const double* lo, const double* di, const double* up, const double* rhs, double* x)
{
    if (!factor(n, lo, di, up)) return false;
    solve(rhs, x, 1);
    return true;
}

}  // namespace lamm
