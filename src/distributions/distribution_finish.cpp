// The finishing step of a distribution run, the density rule, the transforms
// of a shown distribution and the six-column distribution file.
#include "distributions/distribution_finish.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_app.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

namespace {

void redrawDistributionPlot()
{
    if (!pDistPlot) return;
    pDistPlot->Rescale();
    pDistPlot->Draw();
}

// The axis of the density rule and its first point (0 when there is none).
struct DensityAxis {
    std::vector<float> x;  // 1-based copy of the abscissae the spacing is taken on
    int nFirst = 1;
    bool bSigned = false;  // spacing x[a] - x[b]; else |x[a] - x[b]|
};

DensityAxis densityAxis(int n)
{
    DensityAxis a;
    a.x.assign(static_cast<size_t>(n) + 1, 0.0f);
    const float* pAxis;
    float fShift = 0.0f;  // with the linear light-scattering density: 10^(x + shift)
    bool bPow10 = false;
    if (!bDLSData) {
        if (!isSTypeModel()) {
            pAxis = pDistAxisM;
            a.bSigned = true;
        } else {
            pAxis = pDistAxisS;
            a.nFirst = hasDiscreteSpeciesAtPoint1() ? 2 : 1;
        }
    } else {
        a.bSigned = true;
        const bool bDiffusionAxis = bModelDlsD && !bModelDlsRh && !bModelDlsRhTime;
        pAxis = bDiffusionAxis ? pDistAxisM : pDistAxisS;
        if (bDlsDensityLinear) {
            bPow10 = true;
            fShift = bDiffusionAxis ? 7.0f : 9.0f;
        }
    }
    for (int i = 1; i <= n; i++) a.x[i] = bPow10 ? std::pow(10.0f, pAxis[i] + fShift) : pAxis[i];
    return a;
}

void applyDensityRule(float* v, const DensityAxis& a, int n)
{
    const int f = a.nFirst;
    if (!v || n - f < 1) return;
    auto d = [&a](int i, int j) {
        const float fD = a.x[i] - a.x[j];
        return a.bSigned ? fD : std::fabs(fD);
    };
    v[f] = 2.0f * v[f] / d(f + 1, f);
    for (int i = f + 1; i < n; i++) v[i] = v[i] / (d(i + 1, i - 1) * 0.5f);
    v[n] = 2.0f * v[n] / d(n, n - 1);
}

// The largest s observable at the first scan for the ls-g*(s) model; every
// point above it is zeroed.
void clearUnobservableLsgsPoints(int n)
{
    if (nScans < 1 || !pScanHeaders || !pScanTimeOrder || !pNoiseGrid || nNoiseGridLast < 1 || fMeniscus <= 0.0f)
        return;
    const ScanHeader& h = pScanHeaders[pScanTimeOrder[1]];
    const float fOmega = h.rpm / 60.0f * 2.0f * static_cast<float>(M_PI);
    fOmegaSquaredFirstScan = fOmega * fOmega;
    const float r = pNoiseGrid[nNoiseGridLast];
    const float w2t = static_cast<float>(h.omega2t);
    fMaxObservableS = std::log(r / fMeniscus) * 1e13f / ((w2t / fOmegaSquaredFirstScan) * fOmegaSquaredFirstScan);
    for (int i = 1; i <= n; i++)
        if (pDistAxisS[i] > fMaxObservableS) {
            pDistValues[i] = 0.0f;
            if (pDistValues2) pDistValues2[i] = 0.0f;
        }
}

// Trapezoidal area of c over x (1..n).
double trapezoidArea(const float* x, const float* c, int n)
{
    if (n < 2) return 0.0;
    double a = (x[2] - x[1]) * static_cast<double>(c[1]) / 2.0;
    for (int i = 2; i <= n - 1; i++) a += (x[i + 1] - x[i - 1]) * static_cast<double>(c[i]) / 2.0;
    a += (x[n] - x[n - 1]) * static_cast<double>(c[n]) / 2.0;
    return a;
}

void refuse(const char* szText)
{
    win::MessageBox(pMainWindow ? pMainWindow->HWindow : nullptr, szText, "ERROR", win::MB_OK);
}

}  // namespace

// ---------------------------------------------------------------- finishing step

void finishContiSed(TXLAWindow* pWindow)
{
    const bool b2D = isTwoDimensionalModel();
    const int n = nResolution;
    CalculateppAFit();
    applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShowTransformedData != 0);
    if (!b2D) {
        for (int i = 1; i <= n; i++) {
            pDistValues[i] = static_cast<float>(pNESolution[i]);
            pDistValues2[i] = pNESolutionMaxEnt ? static_cast<float>(pNESolutionMaxEnt[i]) : 0.0f;
        }
    } else {
        for (int j = 1; j <= nCsGridTotal; j++) pCsFf0Values[j] = static_cast<float>(pNESolution[j]);
        for (int i = 1; i <= n; i++) {
            pDistValues[i] = 0.0f;
            for (int k = 1; static_cast<float>(k) <= fFf0Resolution && (k - 1) * n + i <= nCsGridTotal; k++)
                pDistValues[i] += pCsFf0Values[(k - 1) * n + i];
        }
    }
    if (bExportMatrices) dumpDistributionSolution();
    convertAmplitudesToDensity();
    if (!b2D) {
        freeLammSolutionStore(n);
        freeNormalArrays(n);
    } else {
        bContiKernelsDue = 0;
    }
    bModelComputed = 1;
    redrawDistributionPlot();
    if (bRepaintAfterCalc && pWindow) pWindow->InvalidateUnlessBatch();
    if (bModelCSWithMsTable) freeMofSTable();
    if (bModelCSWormlikeChain) writeWormChainMofsTable();
}

void convertAmplitudesToDensity()
{
    const int n = nResolution;
    if (n < 2 || !pDistValues || !pDistAxisS || !pDistAxisM) return;
    if (bModelLsgs) clearUnobservableLsgsPoints(n);
    const DensityAxis a = densityAxis(n);
    applyDensityRule(pDistValues, a, n);
    if (bRegBothShown) applyDensityRule(pDistValues2, a, n);
}

// ---------------------------------------------------------------- transforms

unsigned char transformDistributionToS20w(float fVbar, float fVbar20, float fViscosity, float fDensity)
{
    if (!haveDistributionVectors() || !isSTypeModel() || bModelElectrophoresisCV) return 0;
    const float f = (1.0f - fVbar20 * fWaterDensity20) * fViscosity / ((1.0f - fVbar * fDensity) * STANDARDVISCOSITY);
    for (int i = 1; i <= nResolution; i++) {
        pDistAxisS[i] *= f;
        pDistValues[i] /= f;
        pDistValues2[i] /= f;
    }
    if (pDistPlot) pDistPlot->SetXLabel("s20 [S]");
    redrawDistributionPlot();
    return 1;
}

unsigned char transformDistributionToRh(float fVbar20)
{
    if (!haveDistributionVectors()) return 0;
    const int n = nResolution;
    const std::vector<float> s20(pDistAxisS, pDistAxisS + n + 1);
    const double dArea1 = trapezoidArea(s20.data(), pDistValues, n);
    const double dArea2First = bRegBothShown ? trapezoidArea(s20.data(), pDistValues2, n) : 0.0;
    for (int i = 1; i <= n; i++) {
        pDistAxisS[i] = S20ToStokesRadius(s20[i], fVbar20) * 1e9f;
        pDistValues[i] *= 2.0f * pDistAxisS[i];
        if (bRegBothShown) pDistValues2[i] *= 2.0f * pDistAxisS[i];
    }
    auto keepArea = [n](float* c, double dArea) {
        const double dNew = trapezoidArea(pDistAxisS, c, n);
        if (dNew == 0.0) return;
        const float f = static_cast<float>(dArea / dNew);
        for (int i = 1; i <= n; i++) c[i] *= f;
    };
    keepArea(pDistValues, dArea1);
    if (bRegBothShown) keepArea(pDistValues2, dArea2First);
    bDistTransformedToRh = 1;
    if (pDistPlot) pDistPlot->SetXLabel("Rh [nm]");
    redrawDistributionPlot();
    return 1;
}

unsigned char correctDistributionForSizeDependentSignal(const char* szPath)
{
    if (!haveDistributionVectors()) return 0;
    CVector coefficients;
    char sz[600];
    if (!szPath || !coefficients.Load(szPath) || coefficients.nSize == 0) {
        std::snprintf(sz, sizeof sz,
                      "no coefficients of a(R) could be read from %s\nthe distribution is left as it was",
                      szPath ? szPath : "");
        refuse(sz);
        return 0;
    }
    const int n = nResolution;
    std::vector<double> a(static_cast<size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; i++) {
        const double R = pDistAxisS[i];
        double v = 0.0;
        for (int k = static_cast<int>(coefficients.nSize) - 1; k >= 0; k--) v = v * R + coefficients.Get(k);
        if (v == 0.0) {
            std::snprintf(sz, sizeof sz, "a(R) = 0 at R = %.3f nm\nthe distribution is left as it was", R);
            refuse(sz);
            return 0;
        }
        a[i] = v;
    }
    for (int i = 1; i <= n; i++) {
        pDistValues[i] = static_cast<float>(pDistValues[i] / a[i]);
        if (bRegBothShown) pDistValues2[i] = static_cast<float>(pDistValues2[i] / a[i]);
    }
    return 1;
}

void differentialToIntegralDistribution()
{
    if (bDLSData) return;
    const int n = nResolution;
    const float* x = isSTypeModel() ? pDistAxisS : pDistAxisM;
    const int f = hasDiscreteSpeciesAtPoint1ForIntegrals() ? 2 : 1;
    if (!x || !pDistValues || n < f) return;
    float* c = pDistValues;
    float fPrevious = c[f];
    c[f] = 0.0f;
    for (int i = f + 1; i <= n; i++) {
        const float fValue = c[i];
        c[i] = c[i - 1] + (x[i] - x[i - 1]) * (fPrevious + fValue) / 2.0f;
        fPrevious = fValue;
    }
    redrawDistributionPlot();
}

// ---------------------------------------------------------------- the six-column file

void saveDistributionFile(const char* szPath)
{
    FILE* f = szPath ? win::fopenMapped(szPath, "w") : nullptr;
    if (!f) {
        char sz[600];
        std::snprintf(sz, sizeof sz, "\n\aAttention: could not open %s", szPath ? szPath : "");
        showErrorMessage(sz, 0);
        return;
    }
    const int n = std::min(nCsGridTotal, allocatedCsFf0Points());
    for (int i = 1; i <= n; i++)
        std::fprintf(f, "%e %e %e %e %e %e\n", pCsFf0S[i], pCsFf0M[i], pCsFf0Ratio[i], pCsFf0D[i], pCsFf0Rh[i],
                     pCsFf0Values[i]);
    std::fclose(f);
}
