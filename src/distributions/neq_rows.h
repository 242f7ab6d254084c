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
void computeNEMeans(const CNERowJob& job);

// Work rows of one thread.
struct CNERowScratch {
    std::vector<double> row;   // the centred Lamm solution of the row
    std::vector<double> data;  // the data side of the row
    explicit CNERowScratch(const CNERowJob& job)
        : row(static_cast<std::size_t>(job.nRadii) + 2), data(static_cast<std::size_t>(job.nRadii) + 2)
    {
    }
};

// Row i of A (columns 1..i, or 1..n for full rows) and b[i]; with pdSumSquares
// (row 1 only) also the sum of the squared eliminated data. Before each scan
// stop() is asked; true leaves the scans of this row.
template <class Stop>
void accumulateNERow(const CNERowJob& job, int i, CNERowScratch& s, double* pdSumSquares, Stop&& stop);

// After all rows: mirror the lower triangle (not for full rows), and for the
// RI model the sum of the squared data about each scan's mean.
void finishNormalEquations(const CNERowJob& job);

// Implementation details of accumulateNERow.
namespace nerows {
// Prepares the centred row of variable i at scan k (s.row) and the data side
// (s.data); returns the number of fitted radii.
int prepareScan(const CNERowJob& job, int i, int k, CNERowScratch& s, double* pdSumSquares);
// sum over j of a[j] b[j], a in double, b in float, fixed order.
double dotDF(const double* a, const float* b, int m);
double dotDD(const double* a, const double* b, int m);
// Columns 1..nCols of row i at scan k.
void addScanProducts(const CNERowJob& job, int i, int k, int nCols, const CNERowScratch& s);
}  // namespace nerows

template <class Stop>
void accumulateNERow(const CNERowJob& job, int i, CNERowScratch& s, double* pdSumSquares, Stop&& stop)
{
    const int n = job.n;
    double* a = pNEMatrix[i];
    for (int l = 1; l <= n; l++) a[l] = 0.0;
    pNERightSide[i] = 0.0;
    const int nCols = job.bFullRows ? n : i;
    for (int k : job.scans) {
        if (stop()) break;
        nerows::prepareScan(job, i, k, s, pdSumSquares);
        nerows::addScanProducts(job, i, k, nCols, s);
    }
}
