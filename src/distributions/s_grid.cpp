// The grid of the distribution run and the stores sized for it.
#include "distributions/s_grid.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "distributions/prior_probabilities.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"
#include "platform/win.h"
#include "scandata/distribution_grid_file.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"

LastGridSettings lastGridSettings;

// ---------------------------------------------------------------- grid builders

void buildLogGrid(double* t, double smin, double smax, int n)
{
    const double a = std::log(std::fabs(smin)), b = std::log(std::fabs(smax));
    if (n == 1) {
        t[1] = std::fabs(smin);
        return;
    }
    for (int i = 1; i <= n; i++) t[i] = std::exp(a + (b - a) * (i - 1) / (n - 1));
}

double fillLinearLogGrid(double* t, int n, double smin, double sminStar, double d)
{
    int j = 1;
    while (j < n && smin + j * d < sminStar) j++;
    for (int i = 1; i <= j; i++) t[i] = smin + (i - 1) * d;
    double f = d;
    for (int i = j + 1; i <= n; i++) {
        f = (t[i - 1] + f) / sminStar * d;
        t[i] = t[i - 1] + f;
    }
    return t[n];
}

void buildSGridWithMinimum(float* out, float smin, float smax, float sminStar, int n)
{
    if (n < 1) return;
    if (n == 1) {
        out[1] = smin;
        return;
    }
    std::vector<double> t(static_cast<size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; i++) t[i] = smin + (static_cast<double>(smax) - smin) * (i - 1) / (n - 1);
    if (!(smin < sminStar && sminStar < smax && n >= 11)) {
        if (smin < smax && sminStar <= smin && sminStar < smax && n > 10 && smin != 0.0f) buildLogGrid(t.data(), smin, smax, n);
    } else {
        // The end of the grid grows with the spacing d of its linear part:
        // below the linear grid's spacing it ends before smax (d -> 0), at it
        // beyond smax (the steps above smin* are larger). Bisection on d to
        // the rounding of doubles, then the last point is smax itself.
        double lo = 0.0, hi = (static_cast<double>(smax) - smin) / (n - 1);
        for (;;) {
            const double mid = 0.5 * (lo + hi);
            if (!(mid > lo && mid < hi)) break;
            if (fillLinearLogGrid(t.data(), n, smin, sminStar, mid) < smax)
                lo = mid;
            else
                hi = mid;
        }
        fillLinearLogGrid(t.data(), n, smin, sminStar, hi);
        t[n] = smax;
    }
    for (int i = 1; i <= n; i++) out[i] = static_cast<float>(t[i]);
}

namespace {

bool flotationModel() { return bModelCSFlotation != 0; }

// count points logarithmically distributed between two positive magnitudes
// (with the minimum s of log grids when asked), ascending.
void logPoints(double* t, double lo, double hi, int count, bool bWithMinimum)
{
    if (count < 1) return;
    if (bWithMinimum) {
        std::vector<float> f(count + 1);
        buildSGridWithMinimum(f.data(), static_cast<float>(lo), static_cast<float>(hi), fLogGridMinS, count);
        for (int i = 1; i <= count; i++) t[i] = f[i];
        return;
    }
    buildLogGrid(t, lo, hi, count);
}

// Points 1..count of the axis from a negative part given as ascending
// magnitudes: point i = -magnitude[count + 1 - i].
void mirrorNegative(float* pAxis, const double* pMagnitudes, int count)
{
    for (int i = 1; i <= count; i++) pAxis[i] = static_cast<float>(-pMagnitudes[count + 1 - i]);
}

void linearSGrid(int n)
{
    float* s = pDistAxisS;
    if (!flotationModel()) {
        s[1] = fSMin;
        for (int i = 2; i <= n; i++) s[i] = fSMin + (fSMax - fSMin) * (i - 1) / (n - 1);
        return;
    }
    const int nFlot = nFlotationResolution;
    for (int i = 1; i <= nFlot && i <= n; i++)
        s[i] = i == 1 ? fFlotationSMin : fFlotationSMin + (fFlotationSMax - fFlotationSMin) * (i - 1) / (nFlot - 1);
    if (bFlotationOnly || nFlot + 1 > n) return;
    s[nFlot + 1] = fSMin;
    for (int k = 2; nFlot + k <= n; k++) s[nFlot + k] = fSMin + (fSMax - fSMin) * (k - 1) / (fSGridResolution - 1);
}

// The logarithmic s grid; false when the limits allow none (the caller then
// builds the linear grid with bLogSGrid cleared).
bool logSGrid(int n)
{
    float* s = pDistAxisS;
    const bool bFlot = flotationModel();
    std::vector<double> w(2 * n + 2, 0.0);
    if (!bFlot && fSMin >= 0.0f && fSMax > 0.0f) {
        const float fLow = fSMin > 0.0f ? fSMin : 0.05f;
        if (bModelNonidealCS || bLogGridMinS) {
            buildSGridWithMinimum(s, fLow, fSMax, fLogGridMinS, n);
        } else {
            buildLogGrid(w.data(), fLow, fSMax, n);
            for (int i = 1; i <= n; i++) s[i] = static_cast<float>(w[i]);
        }
        return true;
    }
    if (!bFlot && fSMin < 0.0f && !bSGridLimitsAccepted) return false;
    if ((bFlot && bFlotationOnly) || (!bFlot && fSMax < 0.0f)) {
        const double a = std::fabs(bFlot ? fFlotationSMax : fSMax), b = std::fabs(bFlot ? fFlotationSMin : fSMin);
        if (!(a > 0.0) || !(b > 0.0)) return false;
        logPoints(w.data(), a, b, n, bLogGridMinS != 0);
        mirrorNegative(s, w.data(), n);
        return true;
    }
    if (!bFlot) {
        // two-sided without flotation: no points between -1 S and +1 S; the
        // split needs both magnitudes above 1
        const double dNeg = std::fabs(fSMin) - 1.0, dPos = std::fabs(fSMax) - 1.0;
        if (!(fSMin < 0.0f && dNeg > 0.0 && fSMax > 0.0f && dPos > 0.0)) return false;
        const int p = static_cast<int>(std::floor(n * dNeg / (dPos + dNeg)));
        logPoints(w.data(), 1.0, std::fabs(fSMin), p, false);
        mirrorNegative(s, w.data(), p);
        logPoints(w.data(), 1.0, fSMax, n - p, false);
        for (int i = 1; i <= n - p; i++) s[p + i] = static_cast<float>(w[i]);
        return true;
    }
    // two-sided with flotation
    const int p = nFlotationResolution, q = static_cast<int>(std::trunc(fSGridResolution));
    const double a = std::fabs(fFlotationSMax), b = std::fabs(fFlotationSMin);
    if (!(a > 0.0) || !(b > 0.0) || !(fSMin > 0.0f) || !(fSMax > 0.0f) || p + q > n) return false;
    logPoints(w.data(), a, b, p, false);
    mirrorNegative(s, w.data(), p);
    logPoints(w.data(), fSMin, fSMax, q, false);
    for (int i = 1; i <= q; i++) s[p + i] = static_cast<float>(w[i]);
    return true;
}

// The grid from the "sdist" file; 0 when the run must stop.
unsigned char sGridFromFile(int* pn)
{
    bLogSGrid = 0;
    if (pParamFloat) pParamFloat[4] = 0;
    int n = 0;
    float* pValues = loadDistributionCurve(&n);
    if (!pValues) return 0;
    freeDistributionVectors();
    allocDistributionVectors(n);
    for (int i = 1; i <= n; i++) pDistAxisS[i] = pValues[i];
    free_vector(pValues, 1, n);
    *pn = n;
    if (!flotationModel()) {
        fSGridResolution = static_cast<float>(n);
        fSMin = pDistAxisS[1];
        fSMax = pDistAxisS[n];
        if (pParamValue) {
            pParamValue[2 * nSpecies + 1] = fSGridResolution;
            pParamValue[1] = fSMin;
            pParamValue[nSpecies + 1] = fSMax;
        }
        return 1;
    }
    int nNegative = 0;
    while (nNegative < n && pDistAxisS[nNegative + 1] <= 0.0f) nNegative++;
    if (nNegative < 2) {
        win::MessageBox(nullptr, "s-grid needs at least two values < 0 in flotation model", "ERROR", win::MB_OK);
        return 0;
    }
    nFlotationResolution = nNegative;
    fFlotationSMin = pDistAxisS[1];
    fFlotationSMax = pDistAxisS[nNegative];
    fSGridResolution = static_cast<float>(n - nNegative);
    if (nNegative < n) fSMin = pDistAxisS[nNegative + 1];
    fSMax = pDistAxisS[n];
    bFlotationOnly = fSGridResolution == 0.0f ? 1 : 0;
    if (pParamValue) {
        pParamValue[6] = fFlotationSMin;
        pParamValue[8] = fFlotationSMax;
        pParamValue[2 * nSpecies + 1] = fSGridResolution;
        pParamValue[1] = fSMin;
        pParamValue[nSpecies + 1] = fSMax;
    }
    return 1;
}

// Molar masses of the s points and the two-dimensional grid.
void massAxisAndTwoDimensionalGrid(int n)
{
    const bool bFlot = flotationModel();
    for (int i = 1; i <= n; i++) {
        pDistValues[i] = pDistValues2[i] = 0.0f;
        const float s = pDistAxisS[i];
        if (bModelLsgv || bModelElectrophoresisCV || bModelZoneLsgs || VBAR == 0.0f)
            pDistAxisM[i] = s;
        else if (bFlot)
            pDistAxisM[i] = buoyantMassOfGridPoint(s);
        else if (fVbarRho <= 1.0f)
            pDistAxisM[i] = CalculateM(std::fabs(s));
        else
            pDistAxisM[i] = CalculateM(s);
    }
    if (!isTwoDimensionalModel() || !pCsFf0S) return;
    const int nTotal = allocatedCsFf0Points(), nFf0 = allocatedFf0Points();
    const float fT = fTemperatureK - kZeroCelsiusF;
    for (int k = 1; static_cast<float>(k) <= fFf0Resolution && k <= nFf0; k++) {
        pFf0Grid[k] = k == 1 ? fFf0Min : fFf0Min + (k - 1) * (fFf0Max - fFf0Min) / (fFf0Resolution - 1);
        for (int i = 1; i <= n; i++) {
            const int j = (k - 1) * n + i;
            if (j > nTotal) break;
            pCsFf0S[j] = pDistAxisS[i];
            pCsFf0Ratio[j] = pFf0Grid[k];
        }
    }
    for (int j = 1; j <= nTotal; j++) {
        const float fMass = CalculateMff02(pCsFf0S[j], pCsFf0Ratio[j]);
        pCsFf0M[j] = fMass;
        pCsFf0D[j] = MFromSD(fMass, pCsFf0S[j], fT);  // with M in the place of D it gives D
        pCsFf0Rh[j] = DFromStokesRadius2(pCsFf0D[j], fT) * 1e9f;
    }
}

// Axis a..b over points 1..n with interior points linear.
void linearAxis(float* p, float a, float b, int n)
{
    p[1] = a;
    for (int i = 2; i < n; i++) p[i] = a + (b - a) * (i - 1) / (n - 1);
    if (n > 1) p[n] = b;
}

// The light-scattering grids: log10 of the Stokes radius (m) in pDistAxisS,
// log10 of D (cm^2/s) in pDistAxisM.
void lightScatteringGrid(int n)
{
    const float T = pDlsHeaders ? pDlsHeaders[1].temperature : fTemperatureK - kZeroCelsiusF;
    auto D = [T](float r) { return DFromStokesRadius(r, T); };
    auto R = [T](float d) { return DFromStokesRadius2(d, T); };
    float* s = pDistAxisS;
    float* m = pDistAxisM;
    if (bModelDlsRh || bModelDlsRhTime) {
        const float lo = fSMin * 1e-9f, hi = fSMax * 1e-9f;
        if (bDlsGridLogRh) {
            linearAxis(s, std::log10(lo), std::log10(hi), n);
            for (int i = 1; i <= n; i++) m[i] = std::log10(D(std::pow(10.0f, s[i])));
        } else if (bDlsGridLogD) {
            linearAxis(m, std::log10(D(lo)), std::log10(D(hi)), n);
            for (int i = 1; i <= n; i++) s[i] = std::log10(R(std::pow(10.0f, m[i])));
        } else if (bDlsGridLinearD) {
            linearAxis(m, D(lo), D(hi), n);
            for (int i = 1; i <= n; i++) m[i] = std::log10(m[i]);
            for (int i = 1; i <= n; i++) s[i] = std::log10(R(std::pow(10.0f, m[i])));
        }
    } else if (bModelDlsD) {
        const float lo = fSMin * 1e-7f, hi = fSMax * 1e-7f;
        if (bDlsGridLogD) {
            linearAxis(m, std::log10(lo), std::log10(hi), n);
            for (int i = 1; i <= n; i++) s[i] = std::log10(R(std::pow(10.0f, m[i])));
        } else if (bDlsGridLinearD) {
            linearAxis(m, lo, hi, n);
            for (int i = 1; i <= n; i++) m[i] = std::log10(m[i]);
            for (int i = 1; i <= n; i++) s[i] = std::log10(R(std::pow(10.0f, m[i])));
        } else if (bDlsGridLogRh) {
            linearAxis(s, std::log10(R(lo)), std::log10(R(hi)), n);
            for (int i = 1; i <= n; i++) m[i] = std::log10(D(std::pow(10.0f, s[i])));
        }
    }
}

// The limits of an ls-g*(s) grid against the fit limits; false when the user
// refuses to go on.
bool lsgsLimitsAccepted(int n)
{
    if (!(bModelLsgs || bModelHybridCSLsgs) || bSpeedChangesInScans) return true;
    if (nScans < 1 || !pScanHeaders || !pScanTimeOrder || fMeniscus <= 0.0f) return true;
    const ScanHeader& hL = pScanHeaders[pScanTimeOrder[nScans]];
    const ScanHeader& hF = pScanHeaders[pScanTimeOrder[1]];
    const double rpm = hL.rpm, tL = hL.time, tF = hF.time;
    const double w = std::pow(rpm / 60.0 * 2.0 * M_PI, 2) * 1e-13;
    if (!(w * tL > 0.0) || !(w * tF > 0.0)) return true;
    const double sLeft = std::log(fFitLeftLim / fMeniscus) / (w * tL);
    const double sRight = std::log(fFitRightLim / fMeniscus) / (w * tF);
    char sz[400];
    if (pDistAxisS[1] > sRight && !bSGridLimitsAccepted) {
        std::snprintf(sz, sizeof sz,
                      "smin %.2f too low - boundary would be beyond right fit limit in last scan!\nnote: fit limits "
                      "correspond to s-values of %.2f-%.2f\ncontinue anyway (may cause crash)?",
                      pDistAxisS[1], sLeft, sRight);
        if (win::MessageBox(nullptr, sz, "ERROR", win::MB_YESNO) == win::IDNO) return false;
        bSGridLimitsAccepted = 1;
        return true;
    }
    const double x = w * pDistAxisS[n] * tL;
    const double dReached = x <= 2.0 ? fMeniscus * std::exp(x) : 10.0;
    if (dReached < fFitLeftLim && !bSGridLimitsAccepted) {
        std::snprintf(sz, sizeof sz,
                      "smax %.2f too low - boundary does not reach left fit limit in last scan!\nnote: fit limits "
                      "correspond to s-values of %.2f-%.2f\ncontinue anyway? (maybe looking at flotation?)",
                      pDistAxisS[n], sLeft, sRight);
        if (win::MessageBox(nullptr, sz, "ERROR", win::MB_YESNO) == win::IDNO) return false;
        bSGridLimitsAccepted = 1;
    }
    return true;
}

}  // namespace

unsigned char setupSGrid()
{
    bDistPlotBuilt = 0;
    clearDistributionResults();
    bDistPlotBuilt = 1;
    lastGridSettings = {fSGridResolution, nCsGridTotal, fFf0Resolution, fSMin, fSMax, fFf0Min, fFf0Max};

    int n = static_cast<int>(std::floor(fSGridResolution));
    if (flotationModel())
        n = bFlotationOnly ? nFlotationResolution : static_cast<int>(std::trunc(nFlotationResolution + fSGridResolution));
    if (n < 0) n = 0;
    allocDistributionVectors(n);
    const bool bTwoDimensional = isTwoDimensionalModel();
    if (bTwoDimensional) allocCsFf0Arrays(nCsGridTotal, static_cast<int>(std::trunc(fFf0Resolution)));

    if (bDLSData) {
        lightScatteringGrid(n);
    } else {
        if (!isSTypeModel()) {
            // even in M^(2/3) (this decimal exponent), the ends exact
            const float a = std::pow(fSMin, 0.66666666f), b = std::pow(fSMax, 0.66666666f);
            linearAxis(pDistAxisM, a, b, n);
            for (int i = 1; i <= n; i++) {
                pDistAxisM[i] = std::pow(pDistAxisM[i], 1.5f);
                pDistValues[i] = pDistValues2[i] = pDistAxisS[i] = 0.0f;
            }
            if (n >= 1) {
                pDistAxisM[1] = fSMin;
                pDistAxisM[n] = fSMax;
            }
        } else {
            if (!bSGridFromFile) {
                if (!bLogSGrid || !logSGrid(n)) {
                    bLogSGrid = 0;
                    linearSGrid(n);
                }
                saveDistributionCurve(pDistAxisS, n);
            } else if (!sGridFromFile(&n)) {
                return 0;
            }
            massAxisAndTwoDimensionalGrid(n);
        }
        setupPriorProbabilities();
    }
    if (!lsgsLimitsAccepted(n)) return 0;

    plotDistribution();

    const int N = bTwoDimensional ? nCsGridTotal : n;
    if (!allocLammSolutionStore(N, nScans, nNoiseGridPoints)) return 0;
    if (!allocNormalArrays(N, nScans, nNoiseGridPoints)) {
        freeLammSolutionStore(N);
        return 0;
    }
    if (!bTwoDimensional) {
        if (bModelCSWithMsTable && !readMofSTable()) return 0;
        if (bModelNonidealCS) checkExternalMeanField();
    }
    return 1;
}
