// Rows, means and finish of the normal equations (see neq_rows.h).
#include "distributions/neq_rows.h"

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"

namespace {

// The data value of the build at scan k, radius j: the fixed signal of grid
// point 1 is taken off in the fixed-buffer build.
inline double dataValue(const CNERowJob& job, int k, int j)
{
    double y = ppScanOnNoiseGrid[k][j];
    if (job.model == ENoiseModel::TIRIFixed) y -= static_cast<double>(pLammSolutions[1][k][j]);
    return y;
}

bool usesTI(ENoiseModel m)
{
    return m == ENoiseModel::TI || m == ENoiseModel::TIRI || m == ENoiseModel::TIRIFixed;
}

bool usesRI(ENoiseModel m)
{
    return m == ENoiseModel::RI || m == ENoiseModel::TIRI || m == ENoiseModel::TIRIFixed;
}

bool usesGrandMean(ENoiseModel m)
{
    return m == ENoiseModel::Baseline || m == ENoiseModel::TimeCourse || m == ENoiseModel::TIRI ||
           m == ENoiseModel::TIRIFixed;
}

}  // namespace

ENoiseModel noiseModelFromSwitches()
{
    if (bFitTINoise && bFitRINoise) return ENoiseModel::TIRI;
    if (bFitTINoise) return ENoiseModel::TI;
    if (bFitRINoise) return ENoiseModel::RI;
    if (bAlgebraicBaseline) return ENoiseModel::Baseline;
    return ENoiseModel::Plain;
}

CNERowJob makeNERowJob(ENoiseModel model)
{
    CNERowJob job;
    job.model = model;
    job.n = isTwoDimensionalModel() ? nCsGridTotal : nResolution;
    job.nFirst = nNoiseGridFirst;
    job.nLast = nNoiseGridLast;
    job.nRadii = nNoiseGridPoints;
    if (model == ENoiseModel::TIRIFixed) {
        job.n -= 1;
        job.nGridOffset = 1;
    }
    if (model == ENoiseModel::TimeCourse) {
        job.n = nResolution;
        job.bFullRows = true;
        for (int p = nTimeCourseFirst; p <= nTimeCourseLast; p++) job.scans.push_back(pScanTimeOrder[p]);
    } else {
        for (int k = 1; k <= nScans; k++) job.scans.push_back(k);
    }
    if (model == ENoiseModel::Plain) job.dBaseline = fBaseline;
    return job;
}

void computeNEMeans(const CNERowJob& job)
{
    computeNEDataMeans(job);
    computeNEBasisMeans(job);
}

void computeNEDataMeans(const CNERowJob& job)
{
    const ENoiseModel m = job.model;
    if (m == ENoiseModel::Plain) return;
    const int nFitted = job.nLast - job.nFirst + 1;
    const double dScans = static_cast<double>(job.scans.size());
    if (usesGrandMean(m) || usesRI(m)) {
        // Sums over the scans and fitted radii, and per scan.
        // The count starts from 0 in every build (also for the RI noise).
        double dSum = 0.0;
        dNEPointCount = 0.0;
        for (int k : job.scans) {
            double dScan = 0.0;
            for (int j = job.nFirst; j <= job.nLast; j++) dScan += dataValue(job, k, j);
            dSum += dScan;
            dNEPointCount += nFitted > 0 ? nFitted : 0;
            if (usesRI(m)) pNEMeanDataRI[k] = nFitted > 0 ? dScan / nFitted : 0.0;
        }
        if (usesGrandMean(m)) {
            dNESumData = dSum;
            fNEMeanData = dNEPointCount > 0.0 ? dNESumData / dNEPointCount : 0.0;
        }
    }
    if (usesTI(m) && dScans > 0.0) {
        // Over the scans at every radius of the noise grid, also outside the
        // fit limits.
        for (int j = 1; j <= job.nRadii; j++) {
            double d = 0.0;
            for (int k : job.scans) d += dataValue(job, k, j);
            pNEMeanDataTI[j] = d / dScans;
        }
    }
}

void computeNEBasisMeans(const CNERowJob& job)
{
    for (int i = 1; i <= job.n; i++) computeNEBasisMeansOfRow(job, i);
}

void computeNEBasisMeansOfRow(const CNERowJob& job, int i)
{
    const ENoiseModel m = job.model;
    if (m == ENoiseModel::Plain) return;
    const int nFitted = job.nLast - job.nFirst + 1;
    const double dScans = static_cast<double>(job.scans.size());
    const int g = job.nGridOffset + i;
    if (usesGrandMean(m) || usesRI(m)) {
        // The point count of the grand mean is the data means' (the same
        // scans and fitted radii).
        const double dCount = static_cast<double>(job.scans.size()) * (nFitted > 0 ? nFitted : 0);
        double dAll = 0.0;
        for (int k : job.scans) {
            const float* B = pLammSolutions[g][k];
            double dScan = 0.0;
            for (int j = job.nFirst; j <= job.nLast; j++) dScan += B[j];
            dAll += dScan;
            if (usesRI(m)) pNEMeanBasisRI[g][k] = nFitted > 0 ? dScan / nFitted : 0.0;
        }
        if (usesGrandMean(m)) pNEMeanBasis[g] = dCount > 0.0 ? dAll / dCount : 0.0;
    }
    if (usesTI(m) && dScans > 0.0) {
        double* ti = pNEMeanBasisTI[g];
        for (int j = 1; j <= job.nRadii; j++) ti[j] = 0.0;
        for (int k : job.scans) {
            const float* B = pLammSolutions[g][k];
            for (int j = 1; j <= job.nRadii; j++) ti[j] += B[j];
        }
        for (int j = 1; j <= job.nRadii; j++) ti[j] /= dScans;
    }
}

namespace nerows {

void prepareData(const CNERowJob& job, int k, CNERowScratch& s, double* pdSumSquares)
{
    const float* Y = ppScanOnNoiseGrid[k];
    const float* B1 = job.model == ENoiseModel::TIRIFixed ? pLammSolutions[1][k] : nullptr;
    double* d = s.data.data();
    const int j1 = job.nFirst, j2 = job.nLast;
    if (job.model == ENoiseModel::Plain) {
        for (int j = j1; j <= j2; j++) d[j] = static_cast<double>(Y[j]) - job.dBaseline;
    } else if (B1) {
        for (int j = j1; j <= j2; j++) d[j] = static_cast<double>(Y[j]) - static_cast<double>(B1[j]);
    } else {
        for (int j = j1; j <= j2; j++) d[j] = Y[j];
    }
    if (!pdSumSquares) return;
    // The data after the elimination.
    double sum = *pdSumSquares;
    switch (job.model) {
    case ENoiseModel::Plain:
        for (int j = j1; j <= j2; j++) sum += d[j] * d[j];
        break;
    case ENoiseModel::Baseline:
    case ENoiseModel::TimeCourse:
        for (int j = j1; j <= j2; j++) {
            const double e = d[j] - fNEMeanData;
            sum += e * e;
        }
        break;
    case ENoiseModel::TI:
        for (int j = j1; j <= j2; j++) {
            const double e = d[j] - pNEMeanDataTI[j];
            sum += e * e;
        }
        break;
    case ENoiseModel::RI:
        break;
    case ENoiseModel::TIRI:
    case ENoiseModel::TIRIFixed:
        for (int j = j1; j <= j2; j++) {
            const double e = ((d[j] - pNEMeanDataTI[j]) - pNEMeanDataRI[k]) + fNEMeanData;
            sum += e * e;
        }
        break;
    }
    *pdSumSquares = sum;
}

void prepareRow(const CNERowJob& job, int i, int k, double* r)
{
    const int g = i + job.nGridOffset;
    const float* B = pLammSolutions[g][k];
    const int j1 = job.nFirst, j2 = job.nLast;
    switch (job.model) {
    case ENoiseModel::Plain:
        for (int j = j1; j <= j2; j++) r[j] = B[j];
        break;
    case ENoiseModel::Baseline:
    case ENoiseModel::TimeCourse: {
        const double mean = pNEMeanBasis[g];
        for (int j = j1; j <= j2; j++) r[j] = B[j] - mean;
        break;
    }
    case ENoiseModel::TI: {
        const double* ti = pNEMeanBasisTI[g];
        for (int j = j1; j <= j2; j++) r[j] = B[j] - ti[j];
        break;
    }
    case ENoiseModel::RI: {
        const double ri = pNEMeanBasisRI[g][k];
        for (int j = j1; j <= j2; j++) r[j] = B[j] - ri;
        break;
    }
    case ENoiseModel::TIRI:
    case ENoiseModel::TIRIFixed: {
        const double* ti = pNEMeanBasisTI[g];
        const double ri = pNEMeanBasisRI[g][k];
        const double mean = pNEMeanBasis[g];
        for (int j = j1; j <= j2; j++) r[j] = ((B[j] - ti[j]) - ri) + mean;
        break;
    }
    }
}

namespace {

typedef double v2d __attribute__((vector_size(16)));

inline v2d widen2(const float* p)
{
    return v2d{static_cast<double>(p[0]), static_cast<double>(p[1])};
}

inline v2d load2(const double* p)
{
    v2d v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

// Four partial sums (j mod 4), the rest into the first; ((s0 + s1) + (s2 +
// s3)) at the end. dotDF and dotDF4 sum in exactly this order.
inline double finishDot(v2d p, v2d q, double t)
{
    return (t + p[1]) + (q[0] + q[1]);
}

}  // namespace

double dotDF(const double* a, const float* b, int m)
{
    v2d p = {0, 0}, q = {0, 0};
    int j = 0;
    for (; j + 3 < m; j += 4) {
        p += load2(a + j) * widen2(b + j);
        q += load2(a + j + 2) * widen2(b + j + 2);
    }
    double t = p[0];
    for (; j < m; j++) t += a[j] * static_cast<double>(b[j]);
    return finishDot(p, q, t);
}

void dotDF4(const double* a0, const double* a1, const double* a2, const double* a3, const float* b, int m,
            double* out)
{
    v2d p0 = {0, 0}, q0 = {0, 0}, p1 = {0, 0}, q1 = {0, 0}, p2 = {0, 0}, q2 = {0, 0}, p3 = {0, 0}, q3 = {0, 0};
    int j = 0;
    for (; j + 3 < m; j += 4) {
        const v2d b01 = widen2(b + j), b23 = widen2(b + j + 2);
        p0 += load2(a0 + j) * b01;
        q0 += load2(a0 + j + 2) * b23;
        p1 += load2(a1 + j) * b01;
        q1 += load2(a1 + j + 2) * b23;
        p2 += load2(a2 + j) * b01;
        q2 += load2(a2 + j + 2) * b23;
        p3 += load2(a3 + j) * b01;
        q3 += load2(a3 + j + 2) * b23;
    }
    double t0 = p0[0], t1 = p1[0], t2 = p2[0], t3 = p3[0];
    for (; j < m; j++) {
        const double bj = b[j];
        t0 += a0[j] * bj;
        t1 += a1[j] * bj;
        t2 += a2[j] * bj;
        t3 += a3[j] * bj;
    }
    out[0] = finishDot(p0, q0, t0);
    out[1] = finishDot(p1, q1, t1);
    out[2] = finishDot(p2, q2, t2);
    out[3] = finishDot(p3, q3, t3);
}

double dotDD(const double* a, const double* b, int m)
{
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int j = 0;
    for (; j + 3 < m; j += 4) {
        s0 += a[j] * b[j];
        s1 += a[j + 1] * b[j + 1];
        s2 += a[j + 2] * b[j + 2];
        s3 += a[j + 3] * b[j + 3];
    }
    for (; j < m; j++) s0 += a[j] * b[j];
    return (s0 + s1) + (s2 + s3);
}

void addScanProducts(const CNERowJob& job, const int* pRows, int nRows, int k, const CNERowScratch& s)
{
    const int m = job.nLast - job.nFirst + 1;
    if (m <= 0) return;
    const int nColsMax = job.bFullRows ? job.n : pRows[nRows - 1];
    // Each Lamm solution is read once for all rows of the block that need it
    // (rows i >= l, a tail of the ascending block), four rows at a time.
    const int j1 = job.nFirst;
    int r0 = 0;
    for (int l = 1; l <= nColsMax; l++) {
        const float* B = pLammSolutions[l + job.nGridOffset][k] + j1;
        if (!job.bFullRows)
            while (r0 < nRows && pRows[r0] < l) r0++;
        int r = r0;
        for (; r + 3 < nRows; r += 4) {
            double d[4];
            dotDF4(s.Row(r) + j1, s.Row(r + 1) + j1, s.Row(r + 2) + j1, s.Row(r + 3) + j1, B, m, d);
            for (int q = 0; q < 4; q++) pNEMatrix[pRows[r + q]][l] += d[q];
        }
        for (; r < nRows; r++) pNEMatrix[pRows[r]][l] += dotDF(s.Row(r) + j1, B, m);
    }
    addScanRightSides(job, pRows, nRows, s);
}

void addScanRightSides(const CNERowJob& job, const int* pRows, int nRows, const CNERowScratch& s)
{
    const int m = job.nLast - job.nFirst + 1;
    if (m <= 0) return;
    for (int r = 0; r < nRows; r++) pNERightSide[pRows[r]] += dotDD(s.Row(r) + job.nFirst, s.data.data() + job.nFirst, m);
}

}  // namespace nerows

double riSumSquaredData(const CNERowJob& job)
{
    double sum = 0.0;
    for (int k : job.scans)
        for (int j = job.nFirst; j <= job.nLast; j++) {
            const double e = static_cast<double>(ppScanOnNoiseGrid[k][j]) - pNEMeanDataRI[k];
            sum += e * e;
        }
    return sum;
}

void finishNormalEquations(const CNERowJob& job)
{
    const int n = job.n;
    if (!job.bFullRows)
        for (int i = 1; i <= n; i++)
            for (int l = 1; l < i; l++) pNEMatrix[l][i] = pNEMatrix[i][l];
    if (job.model == ENoiseModel::RI) dSumSquaredData = riSumSquaredData(job);
}
