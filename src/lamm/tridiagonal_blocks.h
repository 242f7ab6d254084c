// A tridiagonal system solved in eight blocks side by side.
//
// The rows 1..n of lo[i] x[i-1] + di[i] x[i] + up[i] x[i+1] = rhs[i] are cut
// into eight blocks. Each block is eliminated on its own, which gives its
// solution for the right-hand side (F) and for the two couplings to the
// neighbouring rows outside it (the spikes W, for the row below the block, and
// Z, for the row above it): x = F - W x_below - Z x_above. The values at the
// blocks' first and last rows then follow from sixteen equations (banded; in
// their band without pivoting, with row pivoting over the whole when a pivot
// comes out small), and the rest from them. The eight eliminations are
// independent, so the chain of divisions and multiplications that a single
// elimination waits on runs eight times over at once. Below 128 rows the
// system is solved twisted instead: eliminated downwards to the middle and
// upwards to it, the two chains side by side. The factorisation (pivots,
// spikes and the small system) is kept for further right-hand sides; a solve
// from a first row on leaves out the blocks wholly below it. The matrices
// here are diagonally dominant (no pivoting within the blocks).
#pragma once

#include <vector>

namespace lamm {

class BlockTridiagonal {
public:
    // Factorises rows 1..n; false on a zero pivot (zeroFirst: at the first row).
    bool factor(int n, const double* lo, const double* di, const double* up, bool* zeroFirst = nullptr);
    // x = M^-1 rhs with the factorisation; rows below first count as zero in
    // rhs (some of them are set to zero there) and are set to zero in x (x
    // may be rhs).
    void solve(double* rhs, double* x, int first = 1);
    // Both at once; false on a zero pivot.
    bool solve(int n, const double* lo, const double* di, const double* up, const double* rhs, double* x);
    int rows() const { return n_; }

private:
    void solveRows(const double* rhs, double* x, int first);  // rhs zero below first in the first block that reaches it
    static constexpr int K = 8;
    static constexpr int U = 2 * K;
    static constexpr int kBlockRows = 128;  // from this size on in blocks, below twisted
    int n_ = 0, p_ = 0;
    bool blocks_ = false;
    double meet_ = 0;
    int s_[K] = {}, e_[K] = {}, m_ = 0;
    const double* lo_ = nullptr;  // the factorised matrix's diagonals beside the main one (the caller's, unchanged)
    const double* up_ = nullptr;
    std::vector<double> g_, ip_, W_, Z_, F_;
    bool banded_ = false;  // the small system factorised within its band
    double bl1_[U] = {}, bl2_[U] = {}, bu1_[U] = {}, bu2_[U] = {}, bid_[U] = {};
    double lu_[U][U] = {};  // ... or over the whole, with row pivoting
    int perm_[U] = {};
};

}  // namespace lamm
