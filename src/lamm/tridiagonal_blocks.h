// A tridiagonal system solved in sixteen blocks side by side.
//
// The rows 1..n of lo[i] x[i-1] + di[i] x[i] + up[i] x[i+1] = rhs[i] are cut
// into sixteen blocks of equal length (the last one padded past row n with
// rows of the identity). Each block is eliminated downwards on its own, which
// gives its solution F for the right-hand side and the spike w of the coupling
// to the row below the block; the same sweep takes the dot product of the
// right-hand side with the block inverse's first row, which gives the block's
// first value for no coupling. The values at the blocks' first and last rows
// then follow from 32 equations (banded; in their band without pivoting, with
// row pivoting over the whole when a pivot comes out small), and one sweep
// upwards in each block gives the rest: x = F - w x_below - g x_next. The
// blocks lie side by side in vector lanes (two, or four where the processor
// has AVX2: the same operations in each lane, so the same results to the bit),
// the factorisation interleaved so that a vector holds one row of several
// blocks. Below 256 rows the system is solved twisted instead: eliminated
// downwards to the middle and upwards to it, the two chains side by side. The
// factorisation is kept for further right-hand sides; a solve from a first row
// on leaves out the vectors of blocks wholly below it. The matrices here are
// diagonally dominant (no pivoting within the blocks).
#pragma once

#include <vector>

#include "lamm/tridiagonal_kernels.h"

namespace lamm {

class BlockTridiagonal {
public:
    BlockTridiagonal();
    // Factorises rows 1..n (lo[1] and up[n] are not read); false on a zero
    // pivot (zeroFirst: at the first row). The diagonals beside the main one
    // must stay as they are while the factorisation is used.
    bool factor(int n, const double* lo, const double* di, const double* up, bool* zeroFirst = nullptr);
    // x = M^-1 rhs with the factorisation; rows below first count as zero in
    // rhs (they are not read) and are set to zero in x (x may be rhs).
    void solve(const double* rhs, double* x, int first = 1);
    // The same for rhs = R c, R the tridiagonal matrix rl, rd, ru (rl[1] and
    // ru[n] are not read), formed inside the downward sweep.
    void solveProduct(const double* rl, const double* rd, const double* ru, const double* c, double* x, int first = 1);
    // Both at once; false on a zero pivot.
    bool solve(int n, const double* lo, const double* di, const double* up, const double* rhs, double* x);
    int rows() const { return n_; }
    // Four blocks to a vector with AVX2 (the default where the processor has
    // it) or two; returns whether four are used. The results are the same.
    bool useWideInstructions(bool on);

private:
    bool solvedWithoutRows(double* x, int& first) const;
    static constexpr int K = tri::kBlocks;
    static constexpr int U = 2 * K;
    static constexpr int kBlockRows = 256;  // from this size on in blocks, below twisted
    void solveTwisted(const double* rhs, double* x, int first);
    void solveBlocks(const tri::RightHandSide& R, double* x, int first);
    int n_ = 0, p_ = 0, m_ = 0;
    bool blocks_ = false, wide_ = false;
    double meet_ = 0;
    const double* lo_ = nullptr;  // the factorised matrix's diagonals beside the main one (the caller's, unchanged)
    const double* up_ = nullptr;
    std::vector<double> g_, ip_, W_, Z_, F_;  // twisted: natural order; blocks: interleaved (W_ w, Z_ u)
    std::vector<double> a_, rhs_;             // blocks: lo / pivot; a product's right-hand side (twisted)
    std::vector<double> stage_;               // the last block's rows padded (matrix, right-hand side, solution)
    bool banded_ = false;  // the small system factorised within its band
    double bl1_[U] = {}, bl2_[U] = {}, bu1_[U] = {}, bu2_[U] = {}, bid_[U] = {};
    double lu_[U][U] = {};  // ... or over the whole, with row pivoting
    int perm_[U] = {};
    // the columns of the factors' nonzero entries beside the diagonal, row by
    // row (lower, upper): the solve passes over the zeros of the whole
    unsigned char lowCol_[U * U] = {}, upCol_[U * U] = {};
    short lowStart_[U + 1] = {}, upStart_[U + 1] = {};
};

}  // namespace lamm
