// c(M)-based smoothing of the M* screens and the hinge-point report.
//
// The smoothing fits the plain c(M) distribution model to all sets with the
// main Run and Fit commands (second-derivative regularization at a confidence
// level of 1.01, which regularizes hardly at all) and uses the fitted curves
// where the data are noisy: between the meniscus and the left fit limit, and
// for every derivative.
//
// The hinge point of a set is where its signal first exceeds the loading
// signal (by mass conservation the mean signal over the cell): Mwapp there is
// close to the weight-average molar mass of the loading.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analyses/mstar/mstar_internal.h"
#include "analyses/mstar/poly_fit.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"

using namespace win;
using namespace mstar;

namespace {

const char kTitle[] = "M* transformation";
const char kHingeTitle[] = "HINGE POINT INFO";

// Command numbers the smoothing runs on: the c(M) model, Run and Fit.
constexpr UINT kCmdModelCM = 235;
constexpr UINT kCmdRun = 213;
constexpr UINT kCmdFit = 215;

void checkItem(TXLAWindow* pWindow, UINT id, bool bOn)
{
    if (!pWindow || !pWindow->HWindow) return;
    if (HMENU m = pWindow->GetMenu()) CheckMenuItem(m, id, MF_BYCOMMAND | (bOn ? MF_CHECKED : MF_UNCHECKED));
}

void setCursorShape(LPCSTR id) { SetCursor(LoadCursor(nullptr, id)); }

// True when every scan has the rotor speed and temperature of the first: the
// equilibrium profile of a molar mass is then the same in every scan, and
// time-invariant noise would take up the whole distribution (all amplitudes
// 0), as with a single set.
bool oneProfilePerMass()
{
    if (nScans < 1 || !pScanHeaders) return true;
    for (int k = 2; k <= nScans; ++k)
        if (pScanHeaders[k].rpm != pScanHeaders[1].rpm ||
            pScanHeaders[k].temperature != pScanHeaders[1].temperature)
            return false;
    return true;
}

}  // namespace

bool mStarCMModelAvailable()
{
    return TXLAWindow::HasHandler(kCmdModelCM) && TXLAWindow::HasHandler(kCmdRun) &&
           TXLAWindow::HasHandler(kCmdFit);
}

namespace mstar {

void refuseCMSmoothing(TXLAWindow* pWindow)
{
    MessageBox(ownerOf(pWindow),
               "c(M) smoothing needs the c(M) distribution model with Run and Fit, which this version of the "
               "program does not have - the M* screens stay without it",
               kTitle, MB_OK);
    if (CScreenButton* b = mStarButton(6); b && b->bOn && !bMStarCMSmoothing) {
        b->Toggle();
        if (pWindow) b->Paint(pWindow);
    }
}

}  // namespace mstar

void mStarSettings(TXLAWindow* pWindow)
{
    if (!mStarCMModelAvailable() || !pWindow) {
        refuseCMSmoothing(pWindow);
        return;
    }
    const int n = nMStarSets;
    if (bMStarAskMwRange && pMStarSets && n >= 1) {
        float fSmallest = pMStarSets[1].mwAvg, fLargest = pMStarSets[1].mwAvg;
        for (int i = 2; i <= n; ++i) {
            fSmallest = std::min(fSmallest, pMStarSets[i].mwAvg);
            fLargest = std::max(fLargest, pMStarSets[i].mwAvg);
        }
        float fMin = std::floor(0.5f * fSmallest), fMax = std::floor(2.0f * fLargest);
        inputFloat(&fMin, fMin, true, "min Mw (kDa)", kTitle);
        inputFloat(&fMax, fMax, true, "max Mw (kDa)", kTitle);
        fSMin = 1000.0f * fMin;
        fSMax = 1000.0f * fMax;
    }

    const unsigned char bRINoise = bFitRINoise;
    if (n == 1 || oneProfilePerMass()) bFitTINoise = 0;
    if (n > 1 && bFitRINoise) {
        MessageBox(ownerOf(pWindow), "recalculating individual baselines from c(M)", kTitle, MB_OK);
    } else if (MessageBox(ownerOf(pWindow), "determine Baseline from c(M)?", kTitle, MB_YESNO) == IDYES) {
        bFitBaseline = 1;
        pParamFloat[15] = 1;
        bAlgebraicBaseline = 1;
    } else {
        bFitBaseline = 0;
        pParamFloat[15] = 0;
        bAlgebraicBaseline = 0;
        pParamValue[15] = fBaseline;
        if (bFitRINoise) {
            // the baselines of the screens are the fitted offsets already
            bFitRINoise = 0;
        }
    }

    mStarFreeScreenPlots(pWindow);
    pWindow->CmModelContinuousCM();
    bRegSecondDerivative = 1;
    checkItem(pWindow, 294, true);
    bRegMaxEnt = bRegBothShown = bRegWeightedThirdDerivative = 0;
    checkItem(pWindow, 295, false);
    checkItem(pWindow, 642, false);
    checkItem(pWindow, 1118, false);
    fConfidenceLevel = 1.01f;
    pParamValue[2] = 1.01f;

    bSerialFitRunning = 1;
    bInterruptComputation = 0;
    setCursorShape(IDC_WAIT);
    if (n == 1) {
        pWindow->CmRun();
    } else {
        bFitBottom = 1;
        pParamFloat[14] = 1;
        pWindow->CmFit();
    }
    bSerialFitRunning = 0;
    setCursorShape(IDC_ARROW);

    bFitRINoise = bRINoise;
    pWindow->InvalidateUnlessBatch();
    bMStarArraysRenewed = 0;
    bMStarAskCMSmoothing = 0;
    bMStarCMSmoothing = 1;
    mStarSetScreen(pWindow);
}

void mStarShowCMStatistics(TXLAWindow* pWindow)
{
    if (!bMStarCMSmoothing || !pWindow || !pWindow->HWindow) return;
    float fTotal = 0, fMean = 0, fThird = 0, fSigma = 0, fFifth = 0, fZ = 0;
    integrateDistribution(fSMin, fSMax, &fTotal, &fMean, &fThird, &fSigma, &fFifth, &fZ);
    char lines[5][200];
    std::snprintf(lines[0], sizeof lines[0], "rmsd = %.5f", fRmsd);
    std::snprintf(lines[1], sizeof lines[1], "total loading signal c(M) = %.3f", fTotal);
    std::snprintf(lines[2], sizeof lines[2], "signal average Mw = %.1f kDa", fMean * 0.001f);
    std::snprintf(lines[3], sizeof lines[3], "std (sqrt(2nd central moment) = %.1f kDa", fSigma * 0.001f);
    std::snprintf(lines[4], sizeof lines[4], "Mz = %.1f kDa", fZ * 0.001f);
    HDC dc = pWindow->GetDC();
    if (!dc) return;
    for (int k = 0; k < 5; ++k)
        TextOutA(dc, 275, 30 + 20 * k, lines[k], static_cast<int>(std::strlen(lines[k])));
    pWindow->ReleaseDC(dc);
}

// ---------------------------------------------------------------- hinge point

float mStarLoadingSignal(int i)
{
    const MStarSetData& S = pMStarSets[i];
    const int n = S.nPts;
    const float m = fMeniscus, b = fBottom, right = fFitRightLim;
    const float B = mStarBaseline(i);
    const float* r = S.setRadius.p;
    const float* c = S.cleanSignal.p;

    // the data up to the right limit
    int j0 = n;
    for (int j = 1; j < n; ++j)
        if (r[j + 1] > m) {
            j0 = j;
            break;
        }
    double I1 = 0.0;
    for (int j = j0; j < n; ++j) {
        I1 += (0.5 * (c[j] + c[j + 1]) - B) * 0.5 * (r[j] + r[j + 1]) * (r[j + 1] - r[j]);
        if (r[j] > right) break;
    }

    // beyond it the polynomial through the points of the bottom range
    int a = 1;
    while (a <= n && r[a] < bottomFitRange[1]) ++a;
    int last = a - 1;
    for (int j = a; j <= n && r[j] <= bottomFitRange[2]; ++j) last = j;
    const int N = last - a + 1;
    if (N <= nMeniscusExtrapOrder) {
        showErrorMessage("Error: extrapolation order higher than number of data points", 0);
        return 0.0f;
    }
    std::vector<double> x(static_cast<size_t>(N) + 1), y(static_cast<size_t>(N) + 1);
    for (int j = 1; j <= N; ++j) {
        x[static_cast<size_t>(j)] = r[a + j - 1];
        y[static_cast<size_t>(j)] = c[a + j - 1];
    }
    float grid[101], values[101] = {};
    for (int k = 1; k <= 100; ++k) grid[k] = right + static_cast<float>(k - 1) * (b - right) / 99.0f;
    polyFit(nMeniscusExtrapOrder, x.data(), y.data(), N, grid, values, 100, nullptr, nullptr, 0, 0.0f, 0.0f);
    double I2 = 0.0;
    for (int k = 1; k < 100; ++k)
        I2 += (0.5 * (values[k] + values[k + 1]) - B) * 0.5 * (grid[k] + grid[k + 1]) * (grid[k + 1] - grid[k]);

    const double fArea = 0.5 * (static_cast<double>(b) * b - static_cast<double>(m) * m);
    return fArea > 0.0 ? static_cast<float>((I1 + I2) / fArea) : 0.0f;
}

float mStarHingeMwapp(int i, float fLoading, float fInterval, float* pfMeanRadius, float* pfStartRadius,
                      float* pfEndRadius)
{
    const MStarSetData& S = pMStarSets[i];
    const int n = S.nPts;
    const float B = mStarBaseline(i);
    const float* r = S.setRadius.p;
    const float* c = S.cleanSignal.p;
    const float* mw = bMwappFromDcDr ? S.mwAppDcDr.p : S.mwAppR.p;
    for (int p = 1; p < n; ++p) {
        int w = 1;
        while (r[p + w] < r[p] + fInterval && p + w < n) ++w;
        double sum = 0.0;
        for (int j = p; j <= p + w; ++j) sum += c[j];
        if (sum / (w + 1) - B <= fLoading) continue;
        double fMw = 0.0, fR = 0.0;
        for (int j = p; j <= p + w; ++j) {
            fMw += mw[j];
            fR += r[j];
        }
        *pfMeanRadius = static_cast<float>(fR / (w + 1));
        *pfStartRadius = r[p];
        *pfEndRadius = r[p + w];
        return static_cast<float>(fMw / (w + 1));
    }
    return 0.0f;
}

void mStarDrawHingeLines(TXLAWindow* pWindow, int i, float fLoading, float fMw, float fMeanRadius, float, float)
{
    if (!pWindow || !pWindow->HWindow || nClientWidth <= 0 || nClientHeight <= 0) return;
    HDC dc = pWindow->GetDC();
    if (!dc) return;
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, plotWindowWidth(), plotWindowHeight(), nullptr);
    SetViewportExtEx(dc, nClientWidth, nClientHeight, nullptr);
    const int nOldRop = SetROP2(dc, R2_COPYPEN);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(203, 0, 245));
    HGDIOBJ old = SelectObject(dc, pen);
    auto line = [dc](int x1, int y1, int x2, int y2) {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    };
    const float fSignal = fLoading + mStarBaseline(i);
    if (const CWINPlot* A = pMStarPlotA) {
        const int x = A->MapX(fMeanRadius);
        line(x, 50, x, 450);
        const int y = A->MapY(fSignal);
        line(A->MapX(fMeniscus), y, A->MapX(fBottom), y);
    }
    if (const CWINPlot* C = pMStarPlotC) {
        const int x = C->MapX(fMeanRadius * fMeanRadius);
        line(x, 50, x, 450);
    }
    if (const CWINPlot* D = pMStarPlotD) {
        const int x = D->MapX(bMwappVsSignal ? fSignal : fMeanRadius);
        line(x, 525, x, 925);
        const int y = D->MapY(fMw);
        line(D->MapX(D->fXMin), y, D->MapX(D->fXMax), y);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
    SetROP2(dc, nOldRop);
    SetMapMode(dc, MM_TEXT);
    pWindow->ReleaseDC(dc);
}

void mStarHingePointInfo(TXLAWindow* pWindow)
{
    if (!pMStarSets) return;
    float fInterval = 0.01f;
    char sz[400];
    for (int i = 1; i <= nMStarSets; ++i) {
        float fLoading = mStarLoadingSignal(i);
        std::snprintf(sz, sizeof sz,
                      "estimated loading signal from meniscus (%.3f) to bottom (%.3f) = %.3f \n\tmanual override?",
                      fMeniscus, fBottom, fLoading);
        if (MessageBox(ownerOf(pWindow), sz, kHingeTitle, MB_YESNO | MB_DEFBUTTON2) == IDYES)
            inputFloat(&fLoading, fLoading, true, "new total signal", kHingeTitle);
        inputFloat(&fInterval, fInterval, true, "radial interval for smoothing Mapp(r_hinge)", kHingeTitle);
        float fMean = 0, fStart = 0, fEnd = 0;
        const float fMw = mStarHingeMwapp(i, fLoading, fInterval, &fMean, &fStart, &fEnd);
        std::snprintf(sz, sizeof sz, "Mwapp(rhinge=%.3f cm) = %.3f kDa", fMean, fMw);
        mStarDrawHingeLines(pWindow, i, fLoading, fMw, fMean, fStart, fEnd);
        MessageBox(ownerOf(pWindow), sz, kHingeTitle, MB_OK);
    }
}
