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
    const ENoiseModel m = job.model;
    if (m == ENoiseModel::Plain) return;
    const int nFitted = job.nLast - job.nFirst + 1;
    const double dScans = static_cast<double>(job.scans.size());
    const int g1 = job.nGridOffset + 1, g2 = job.nGridOffset + job.n;

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
        for (int g = g1; g <= g2; g++) {
            double dAll = 0.0;
            for (int k : job.scans) {
                const float* B = pLammSolutions[g][k];
                double dScan = 0.0;
                for (int j = job.nFirst; j <= job.nLast; j++) dScan += B[j];
                dAll += dScan;
                if (usesRI(m)) pNEMeanBasisRI[g][k] = nFitted > 0 ? dScan / nFitted : 0.0;
            }
            if (usesGrandMean(m)) pNEMeanBasis[g] = dNEPointCount > 0.0 ? dAll / dNEPointCount : 0.0;
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
        for (int g = g1; g <= g2; g++) {
            double* ti = pNEMeanBasisTI[g];
            for (int j = 1; j <= job.nRadii; j++) ti[j] = 0.0;
            for (int k : job.scans) {
                const float* B = pLammSolutions[g][k];
                for (int j = 1; j <= job.nRadii; j++) ti[j] += B[j];
            }
            for (int j = 1; j <= job.nRadii; j++) ti[j] /= dScans;
        }
    }
}

namespace nerows {

int prepareScan(const CNERowJob& job, int i, int k, CNERowScratch& s, double* pdSumSquares)
{
    const int g = i + job.nGridOffset;
    const float* B = pLammSolutions[g][k];
    const float* Y = ppScanOnNoiseGrid[k];
    const float* B1 = job.model == ENoiseModel::TIRIFixed ? pLammSolutions[1][k] : nullptr;
    double* r = s.row.data();
    double* d = s.data.data();
    const int j1 = job.nFirst, j2 = job.nLast;
    switch (job.model) {
    case ENoiseModel::Plain:
        for (int j = j1; j <= j2; j++) {
            r[j] = B[j];
            d[j] = static_cast<double>(Y[j]) - job.dBaseline;
        }
        break;
    case ENoiseModel::Baseline:
    case ENoiseModel::TimeCourse: {
        const double mean = pNEMeanBasis[g];
        for (int j = j1; j <= j2; j++) {
            r[j] = B[j] - mean;
            d[j] = Y[j];
        }
        break;
    }
    case ENoiseModel::TI: {
        const double* ti = pNEMeanBasisTI[g];
        for (int j = j1; j <= j2; j++) {
            r[j] = B[j] - ti[j];
            d[j] = Y[j];
        }
        break;
    }
    case ENoiseModel::RI: {
        const double ri = pNEMeanBasisRI[g][k];
        for (int j = j1; j <= j2; j++) {
            r[j] = B[j] - ri;
            d[j] = Y[j];
        }
        break;
    }
    case ENoiseModel::TIRI:
    case ENoiseModel::TIRIFixed: {
        const double* ti = pNEMeanBasisTI[g];
        const double ri = pNEMeanBasisRI[g][k];
        const double mean = pNEMeanBasis[g];
        for (int j = j1; j <= j2; j++) {
            r[j] = ((B[j] - ti[j]) - ri) + mean;
            d[j] = B1 ? static_cast<double>(Y[j]) - static_cast<double>(B1[j]) : static_cast<double>(Y[j]);
        }
        break;
    }
    }
    if (pdSumSquares) {
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
    return j2 - j1 + 1;
}

double dotDF(const double* a, const float* b, int m)
{
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0, s5 = 0, s6 = 0, s7 = 0;
    int j = 0;
    for (; j + 7 < m; j += 8) {
        s0 += a[j] * static_cast<double>(b[j]);
        s1 += a[j + 1] * static_cast<double>(b[j + 1]);
        s2 += a[j + 2] * static_cast<double>(b[j + 2]);
        s3 += a[j + 3] * static_cast<double>(b[j + 3]);
        s4 += a[j + 4] * static_cast<double>(b[j + 4]);
        s5 += a[j + 5] * static_cast<double>(b[j + 5]);
        s6 += a[j + 6] * static_cast<double>(b[j + 6]);
        s7 += a[j + 7] * static_cast<double>(b[j + 7]);
    }
    for (; j < m; j++) s0 += a[j] * static_cast<double>(b[j]);
    return ((s0 + s1) + (s2 + s3)) + ((s4 + s5) + (s6 + s7));
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

void addScanProducts(const CNERowJob& job, int i, int k, int nCols, const CNERowScratch& s)
{
    const int m = job.nLast - job.nFirst + 1;
    if (m <= 0) return;
    const double* r = s.row.data() + job.nFirst;
    double* a = pNEMatrix[i];
    for (int l = 1; l <= nCols; l++) a[l] += dotDF(r, pLammSolutions[l + job.nGridOffset][k] + job.nFirst, m);
    pNERightSide[i] += dotDD(r, s.data.data() + job.nFirst, m);
}

}  // namespace nerows

void finishNormalEquations(const CNERowJob& job)
{
    const int n = job.n;
    if (!job.bFullRows)
        for (int i = 1; i <= n; i++)
            for (int l = 1; l < i; l++) pNEMatrix[l][i] = pNEMatrix[i][l];
    if (job.model == ENoiseModel::RI) {
        double sum = 0.0;
        for (int k : job.scans)
            for (int j = job.nFirst; j <= job.nLast; j++) {
                const double e = static_cast<double>(ppScanOnNoiseGrid[k][j]) - pNEMeanDataRI[k];
                sum += e * e;
            }
        dSumSquaredData = sum;
    }
}
