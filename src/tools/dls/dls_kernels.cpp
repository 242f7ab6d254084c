// Model autocorrelation of light-scattering data.
#include "tools/dls/dls_kernels.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"

double dDlsKernelAmplitude = 1.0;
double dDlsCumulant1 = 0.0;
double dDlsCumulant2 = 0.0;
double dDlsCumulant3 = 0.0;

namespace {

// pi as the single-precision constant the scattering vector is computed with.
constexpr double dPiF = static_cast<double>(3.1415927f);

// The decay of one diffusion coefficient for one measurement.
struct Decay {
    double dA = 1.0;
    double dD = 0.0;
    double dU = 0.0;  // 1e-4 q^2: cm^2/s times this is the rate per s
    bool bCumulants = false;
    double dK1 = 0.0, dK2 = 0.0, dK3 = 0.0;

    double At(double dTau) const
    {
        if (bCumulants) {
            const double ut = dU * dTau;
            return dA * std::exp(-dK1 * ut) * (1.0 + 0.5 * dK2 * ut * ut - dK3 * ut * ut * ut / 6.0);
        }
        return dA * std::exp(-dD * dU * dTau);
    }
    // out[1..n] at the lags tau[0..n-1]; for D <= 0, A at the first lag only.
    void Fill(float* out, const double* pTau, int n) const
    {
        if (n < 1) return;
        if (!(dD > 0.0)) {
            out[1] = static_cast<float>(dA);
            for (int j = 2; j <= n; ++j) out[j] = 0.0f;
            return;
        }
        for (int j = 1; j <= n; ++j) out[j] = static_cast<float>(At(pTau[j - 1]));
    }
};

Decay decayFor(double dQ2, bool bCumulants)
{
    Decay d;
    d.dA = dDlsKernelAmplitude;
    d.dD = dLammD;
    d.dU = 0.0001 * dQ2;
    d.bCumulants = bCumulants;
    d.dK1 = dDlsCumulant1;
    d.dK2 = dDlsCumulant2;
    d.dK3 = dDlsCumulant3;
    return d;
}

// Lags in seconds of n log10 values.
void lagsInSeconds(const float* pLog, int n, std::vector<double>& tau)
{
    tau.resize(n > 0 ? static_cast<size_t>(n) : 0);
    for (int j = 1; j <= n; ++j) tau[j - 1] = std::pow(10.0, static_cast<double>(pLog[j]));
}

void reportNoFieldAcf() { showErrorMessage("no field ACF in DLS distribution model", 0); }

// q^2 of record k, or the message and false.
bool scatteringVectorOf(int k, double* pdQ2)
{
    if (dlsScatteringVectorSquared(pDlsHeaders[k], pdQ2)) return true;
    char sz[100];
    std::snprintf(sz, sizeof sz, "no valid scattering vector in DLS measurement %d", k);
    showErrorMessage(sz, 0);
    return false;
}

bool haveRecords() { return nScans >= 1 && pDlsHeaders && pScanTimeOrder; }

// The row of the Lamm-solution store the writers fill, or null.
float** solutionRow()
{
    return pLammSolutions ? pLammSolutions[nLammSolutionSet] : nullptr;
}

}  // namespace

bool dlsScatteringVectorSquared(const DlsScanHeader& record, double* pdQ2)
{
    const double dN = record.refractiveIndex;
    const double dLambda = record.wavelength;
    const double dTheta = static_cast<double>(record.angle) * 2.0 * dPiF * (1.0 / 360.0);
    const double dQ = 4.0 * dPiF * dN * std::sin(dTheta * 0.5) / dLambda;
    *pdQ2 = dQ * dQ;
    return dN > 0.0 && dLambda > 0.0 && std::isfinite(*pdQ2);
}

bool calcDlsModelAcf()
{
    if (!haveRecords()) return false;
    const bool bDistribution = bModelDlsRh || bModelDlsD;
    const bool bBasis = !bDistribution && (bAlgebraicConcentrations || bFitTINoise);
    const bool bCumulants = !bDistribution && bModelDlsCumulants;

    // The common grid in seconds, once for all measurements.
    std::vector<double> gridTau, ownTau;
    const float* pGridLags = pNoiseGrid;
    int nGrid = nNoiseGridPoints;
    if (bDistribution && bUseScanRadii) {
        pGridLags = ppRadius ? ppRadius[1] : nullptr;
        nGrid = pScanPoints ? pScanPoints[1] : 0;
    }
    if (bDistribution || bBasis) {
        if (!pGridLags) nGrid = 0;
        lagsInSeconds(pGridLags, nGrid, gridTau);
    }

    for (int i = 1; i <= nScans; ++i) {
        const int k = pScanTimeOrder[i];
        if (bDistribution && !pDlsHeaders[k].fieldAcf) {
            reportNoFieldAcf();
            return false;
        }
        double dQ2;
        if (!scatteringVectorOf(k, &dQ2)) return false;
        const Decay decay = decayFor(dQ2, bCumulants);

        if (bDistribution) {
            float** row = solutionRow();
            if (!row || !row[i]) continue;
            int n = nGrid;
            // Measurement i on the lags of measurement 1: no lag beyond its last.
            if (bUseScanRadii && pDlsHeaders[i].nPoints < n) n = pDlsHeaders[i].nPoints;
            decay.Fill(row[i], gridTau.data(), n);
        } else if (bBasis) {
            const int s = nSimSpeciesIndex;
            if (s < 1 || s > 4 || !pppExtraNoiseScan[s] || !pppExtraNoiseScan[s][k]) continue;
            decay.Fill(pppExtraNoiseScan[s][k], gridTau.data(), nGrid);
        } else {
            if (!ppFit || !ppFit[k] || pScanPoints[k] < 1) continue;
            if (!(decay.dD > 0.0)) {
                ppFit[k][1] += static_cast<float>(decay.dA);
                continue;
            }
            lagsInSeconds(ppRadius[k], pScanPoints[k], ownTau);
            for (int j = 1; j <= pScanPoints[k]; ++j) ppFit[k][j] += static_cast<float>(decay.At(ownTau[j - 1]));
        }
    }
    return true;
}

bool calcDlsKernels()
{
    if (!haveRecords()) return false;
    std::vector<double> gridTau;
    lagsInSeconds(pNoiseGrid, pNoiseGrid ? nNoiseGridPoints : 0, gridTau);
    const int nFirst = nTimeCourseFirst < 1 ? 1 : nTimeCourseFirst;
    const int nLast = nTimeCourseLast > nScans ? nScans : nTimeCourseLast;
    for (int k = nFirst; k <= nLast; ++k) {
        if (keyPressed()) bInterruptComputation = 1;
        if (!pDlsHeaders[k].fieldAcf) {
            reportNoFieldAcf();
            return false;
        }
        double dQ2;
        if (!scatteringVectorOf(k, &dQ2)) return false;
        float** row = solutionRow();
        if (!row || !row[k]) continue;
        decayFor(dQ2, false).Fill(row[k], gridTau.data(), static_cast<int>(gridTau.size()));
    }
    return true;
}

bool convertDlsG2ToG1(int n, float* pValues, DlsScanHeader* pRecord)
{
    if (!pRecord || pRecord->fieldAcf == 1) return false;
    for (int j = 1; pValues && j <= n; ++j) {
        const float v = pValues[j];
        pValues[j] = v > 0.0f ? std::sqrt(v) : (v < 0.0f ? -std::sqrt(-v) : 0.0f);
    }
    pRecord->fieldAcf = 1;
    return true;
}

bool convertDlsG1ToG2(int n, float* pValues, DlsScanHeader* pRecord)
{
    if (!pRecord || pRecord->fieldAcf == 0) return false;
    for (int j = 1; pValues && j <= n; ++j) {
        const float v = pValues[j];
        pValues[j] = v < 0.0f ? -(v * v) : v * v;
    }
    pRecord->fieldAcf = 0;
    return true;
}
