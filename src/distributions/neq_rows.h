// The rows of the normal equations, shared by the single-threaded builders
// and the worker threads: whoever computes row i, its sums run in one fixed
// order, so every thread count gives the same equations bit for bit.
//
// The noise elimination centres the Lamm solution of the row's own grid
// point (into a double work row) and never writes the data or the store: a
// centred row is orthogonal to every time-invariant profile, per-scan offset
// or constant that the elimination removes, so the products with the other
// grid points and with the data need no centring of their own.
#pragma once

#include <cstddef>
#include <vector>

#include "distributions/normal_equations.h"

enum class ENoiseModel {
    Plain,        // y - fBaseline, no elimination
    Baseline,     // one baseline
    TI,           // time-invariant noise (one value per radius)
    RI,           // radial-invariant noise (one offset per scan)
    TIRI,         // both
    TIRIFixed,    // both, grid point 1 a fixed signal subtracted from the data
    TimeCourse    // light-scattering time course: baseline over some measurements
};

// What a build works on. The variables are i = 1..n, variable i being grid
// point i + nGridOffset.
struct CNERowJob {
    ENoiseModel model = ENoiseModel::Plain;
    int n = 0;
    int nGridOffset = 0;
    int nFirst = 0;          // fitted radii nFirst..nLast of the noise grid
    int nLast = -1;
    int nRadii = 0;          // size of the noise grid
    std::vector<int> scans;  // the scans summed over, in order
    bool bFullRows = false;  // accumulate l = 1..n (no mirroring needed)
    double dBaseline = 0.0;  // subtracted from y (plain model)
};

// Builds the job of a noise model for the loaded data and store.
CNERowJob makeNERowJob(ENoiseModel model);

// The noise model chosen by the noise switches (not the fixed-buffer or
// time-course builds).
ENoiseModel noiseModelFromSwitches();

// Means of the elimination (into the normal-equation set); nothing for plain.
// The data means and the means of the Lamm solutions, each also on its own:
// the Monte-Carlo right sides take new data means with the reference's
// means of the Lamm solutions. Every mean is summed in the same order
// whichever way it is computed.
void computeNEMeans(const CNERowJob& job);
void computeNEDataMeans(const CNERowJob& job);
void computeNEBasisMeans(const CNERowJob& job);
// The means of the Lamm solution of variable i alone (grid point i +
// nGridOffset): what the centring of row i needs, and all that row writes of
// the means. The threaded build has each worker take those of its own rows.
void computeNEBasisMeansOfRow(const CNERowJob& job, int i);

// Rows are summed in blocks of up to this many rows of one thread: each
// Lamm solution read for a scan serves every row of the block.
inline constexpr int nNERowBlock = 8;

// Work rows of one thread: the centred Lamm solutions of a block's rows and
// the data side of the scan at hand.
struct CNERowScratch {
    std::size_t nStride;
    std::vector<double> rows;
    std::vector<double> data;
    explicit CNERowScratch(const CNERowJob& job)
        : nStride(static_cast<std::size_t>(job.nRadii) + 2), rows(nStride * nNERowBlock), data(nStride)
    {
    }
    double* Row(int r) { return rows.data() + nStride * static_cast<std::size_t>(r); }
    const double* Row(int r) const { return rows.data() + nStride * static_cast<std::size_t>(r); }
};

// Rows pRows[0..nRows-1] (ascending, nRows <= nNERowBlock) of A (columns
// 1..i, or 1..n for full rows) and b; with pdSumSquares (the block of row 1)
// also the sum of the squared eliminated data. Before each scan stop() is
// asked; true leaves the scans of these rows. Every element sums its
// products scan by scan in one fixed order, however the rows are grouped.
template <class Stop>
void accumulateNERows(const CNERowJob& job, const int* pRows, int nRows, CNERowScratch& s, double* pdSumSquares,
                      Stop&& stop);

// After all rows: mirror the lower triangle (not for full rows), and for the
// RI model the sum of the squared data about each scan's mean.
void finishNormalEquations(const CNERowJob& job);
// That sum of the RI model.
double riSumSquaredData(const CNERowJob& job);

// The right sides b of rows pRows[0..nRows-1] alone, A untouched, with
// pdSumSquares as above; every b is summed exactly as accumulateNERows sums
// it, so a right side equals that of a whole build on the same data.
template <class Stop>
void accumulateRightSides(const CNERowJob& job, const int* pRows, int nRows, CNERowScratch& s, double* pdSumSquares,
                          Stop&& stop);

// Implementation details of accumulateNERows.
namespace nerows {
// The data side of scan k (s.data), and the squared eliminated data added to
// *pdSumSquares when given.
void prepareData(const CNERowJob& job, int k, CNERowScratch& s, double* pdSumSquares);
// The centred Lamm solution of variable i at scan k.
void prepareRow(const CNERowJob& job, int i, int k, double* r);
// sum over j of a[j] b[j], a in double, b in float, fixed order.
double dotDF(const double* a, const float* b, int m);
// The same for four rows a0..a3 at once (each summed exactly as dotDF sums).
void dotDF4(const double* a0, const double* a1, const double* a2, const double* a3, const float* b, int m,
            double* out);
double dotDD(const double* a, const double* b, int m);
// The products of scan k for the rows of the block.
void addScanProducts(const CNERowJob& job, const int* pRows, int nRows, int k, const CNERowScratch& s);
// The right-side products of scan k for the rows of the block.
void addScanRightSides(const CNERowJob& job, const int* pRows, int nRows, const CNERowScratch& s);
}  // namespace nerows

template <class Stop>
void accumulateNERows(const CNERowJob& job, const int* pRows, int nRows, CNERowScratch& s, double* pdSumSquares,
                      Stop&& stop)
{
    const int n = job.n;
    for (int r = 0; r < nRows; r++) {
        double* a = pNEMatrix[pRows[r]];
        for (int l = 1; l <= n; l++) a[l] = 0.0;
        pNERightSide[pRows[r]] = 0.0;
    }
    for (int k : job.scans) {
        if (stop()) break;
        nerows::prepareData(job, k, s, pdSumSquares);
        for (int r = 0; r < nRows; r++) nerows::prepareRow(job, pRows[r], k, s.Row(r));
        nerows::addScanProducts(job, pRows, nRows, k, s);
    }
}

template <class Stop>
void accumulateRightSides(const CNERowJob& job, const int* pRows, int nRows, CNERowScratch& s, double* pdSumSquares,
                          Stop&& stop)
{
    for (int r = 0; r < nRows; r++) pNERightSide[pRows[r]] = 0.0;
    for (int k : job.scans) {
        if (stop()) break;
        nerows::prepareData(job, k, s, pdSumSquares);
        for (int r = 0; r < nRows; r++) nerows::prepareRow(job, pRows[r], k, s.Row(r));
        nerows::addScanRightSides(job, pRows, nRows, s);
    }
}
