// The sweeps of the blocked tridiagonal solve (tridiagonal_blocks.h), the
// blocks side by side in vector lanes: two lanes in tridiagonal_blocks.cpp
// (SSE2, every x86-64), four in tridiagonal_blocks_avx2.cpp (built with AVX2,
// called only where the processor has it). Both are the same source
// (tridiagonal_kernels.inc) and do the same operations in each lane in the same
// order, so they give the same results to the bit.
//
// The factorisation is laid out interleaved: row t of block k at t * kBlocks + k.
// The caller's rows are read and written where they are (one base pointer per
// block, at the block's first row; the last block, which the padding to equal
// blocks runs past row n, through a copy). This header holds data only: the
// wide file includes nothing that has code.
#pragma once

namespace lamm::tri {

constexpr int kBlocks = 16;

// The factorisation of the blocks, interleaved, m rows each.
struct Factors {
    int m = 0;
    double* ip = nullptr;  // 1 / pivot
    double* a = nullptr;   // lo / pivot (0 at each block's first row)
    double* g = nullptr;   // up / pivot
    double* w = nullptr;   // the left spike of the downward elimination (0 in the first block)
    double* u = nullptr;   // the row of the block's inverse at its first row
};

// The matrix's diagonals for the factorisation, from each block's first row.
struct MatrixRows {
    const double* lo[kBlocks];
    const double* di[kBlocks];
    const double* up[kBlocks];
    double* scratch;  // kBlocks * m
};

// The right-hand side of a solve, from each block's first row: ready (rhs;
// the last block's through a copy padded with zeros), or for the blocks
// without a ready one the right matrix's diagonals and the vector it
// multiplies (rl c[j-1] + rd c[j] + ru c[j+1]); head holds the first block's
// first four rows of a product (which would read c[0]).
struct RightHandSide {
    const double* rhs[kBlocks];
    const double* rl[kBlocks];
    const double* rd[kBlocks];
    const double* ru[kBlocks];
    const double* c[kBlocks];
    const double* head;
    int firstRow[kBlocks];  // the row number of each block's first row
    int first;              // rows below it count as zero
};

}  // namespace lamm::tri
