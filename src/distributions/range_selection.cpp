// Ranges of the distribution plot chosen with the mouse: the integration of a
// range (Integrate Distribution, command 456, and the on-screen integrate
// button), the zoom to a range (457) and back to full scale (458), with the
// two transforms of the Size-Distribution Options beside them (460, 589).
//
// A selection starts with the cross cursor (StartRangeSelection); the main
// window's right-button drag then gives a rectangle in plot coordinates,
// which is integrated (bRangeSelectArmed) or becomes the plot's x range
// (bPeakRangeSelect). An integrated range is also shown in the data: the
// boundary region its s values make in every scan is shaded, marked in the
// residuals bitmap, and the residuals there give a transport-method error
// estimate of its weight-average s.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/clipboard_text.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_finish.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/peak_information.h"
#include "lamm/nonideal_factors.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/overlays.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

using namespace win;

unsigned char bRangeSelectActive = 0;
unsigned char bRangeSelectArmed = 0;
unsigned char bPeakRangeSelect = 0;
float fRealtimeDistXMin = 0.0f;
float fRealtimeDistXMax = 0.0f;

namespace {

// The largest value of the plotted distribution, starting from 0, over the
// points whose abscissa lies in [x1, x2] (every point when bAll): from the
// point display of a two-dimensional result, else from the shown curve.
float largestShownValue(bool bAll, float x1, float x2)
{
    const CVector* X = pDistXVector;
    const CVector* Y = pDistYVector;
    if (bCsFf0Plotted && (bCsFf0ShowSM || bCsFf0ShowRh || bCsFf0ShowD || bCsFf0ShowMFf0) && pCsFf0XVector &&
        pCsFf0YVector) {
        X = pCsFf0XVector;
        Y = pCsFf0YVector;
    }
    float fMax = 0.0f;
    if (!X || !Y || !X->pData || !Y->pData) return fMax;
    const unsigned n = std::min(X->nSize, Y->nSize);
    for (unsigned i = 0; i < n; i++)
        if (bAll || (X->pData[i] >= x1 && X->pData[i] <= x2)) fMax = std::max(fMax, Y->pData[i]);
    return fMax;
}

// The plot's mapping as it is shown.
void ensurePlotDrawn()
{
    if (pDistPlot && !pDistPlot->bMetaFileValid) paintDistributionPlot();
}

// One s limit of the shading corrected for the concentration dependence of
// s in the non-ideal models (with a signal per mg/ml known): the non-ideal
// c(s) scales it by 1 - (T / signal per mg/ml) 10^ks with the total signal
// T; hindered settling by the factor of s at the concentration of the
// material from 0.1 S to the limit.
float concentrationCorrectedS(float fS, float fTotal)
{
    if (!(dSignalPerMgMl > 0.0)) return fS;
    if (bModelNonidealCS && !bModelHinderedCS)
        return fS * (1.0f - static_cast<float>(fTotal / dSignalPerMgMl) * std::pow(10.0f, fNonidealKs));
    if (bModelHinderedCS) {
        float c = 0.0f;
        integrateDistribution(0.1f, fS, &c, nullptr, nullptr, nullptr, nullptr, nullptr);
        return fS * nonidealSFactorAt(static_cast<float>(c / dSignalPerMgMl));
    }
    return fS;
}

}  // namespace

void shadeRangeInData(TXLAWindow* pWindow, float fLow, float fHigh, std::vector<float>* pTransport)
{
    pTransport->assign(static_cast<size_t>(std::max(nScans, 0)) + 1, 0.0f);
    if (!pWindow || nScans < 1) return;
    float fSignal = 0.0f, fMean = 0.0f, fTotal = 0.0f;
    integrateDistribution(fLow, fHigh, &fSignal, &fMean, &fTotal, nullptr, nullptr, nullptr);
    const float a = concentrationCorrectedS(fLow, fTotal), b = concentrationCorrectedS(fHigh, fTotal);
    std::vector<int> first(static_cast<size_t>(nScans) + 1, 0), last(static_cast<size_t>(nScans) + 1, 0);
    pWindow->DrawShadedDistribution(a, b, first.data(), last.data(), pTransport->data());
    if (bModelCSFlotation || !bShowResidualsBitmap) return;
    pMarkFirstIndex = first.data();
    pMarkLastIndex = last.data();
    bMarkResidualRanges = 1;
    renderResidualsBitmap();
    bMarkResidualRanges = 0;
    pMarkFirstIndex = pMarkLastIndex = nullptr;
    if (HMETAFILE h = bitmapPlotMetafile()) playIntoClientArea(pWindow, h);
}

void TXLAWindow::CmIntegrateDistribution()
{
    if (!pDistPlot || bDLSData || bBoundaryAnalysisMode || bDistTransformedToRh || bDistributionTransformed) return;
    ToggleIntegrateButton();
    OnIntegrateButton();
}

void TXLAWindow::CmRescaleDistributionPlot()
{
    if (!pDistPlot) return;
    bPeakRangeSelect = 1;
    StartRangeSelection();
}

void TXLAWindow::CmFullscaleDistributionPlot()
{
    bPeakRangeSelect = 0;
    bRangeSelectActive = 0;
    if (!pDistPlot || !pDistXVector || !pDistXVector->pData || pDistXVector->nSize < 1) return;
    const float fMax = largestShownValue(true, 0.0f, 0.0f);
    pDistPlot->SetAxisRanges(pDistXVector->pData[0], pDistXVector->pData[pDistXVector->nSize - 1], 0.0f, fMax);
    placePeakLabels();
    InvalidateUnlessBatch();
}

void TXLAWindow::CmDifferentialToIntegral()
{
    if (!pDistPlot || bDLSData || bBoundaryAnalysisMode) return;
    differentialToIntegralDistribution();
    InvalidateUnlessBatch();
}

void TXLAWindow::CmTransformCSToCM()
{
    if (!pDistPlot) return;
    plotCMDistribution();
    InvalidateUnlessBatch();
}

void TXLAWindow::StartRangeSelection()
{
    if (!pDistPlot) return;
    if (bWizardMessages)
        MessageBox(HWindow, "determine the range by drawing a rectangle while the right mouse button is down",
                   bRangeSelectArmed ? "SELECT INTEGRATION RANGE" : "SELECT RANGE", MB_OK);
    SetCursor(LoadCursor(nullptr, IDC_CROSS));
    bRangeSelectActive = 1;
}

void TXLAWindow::DrawSelectedRange(float x1, float x2, int nStyle, COLORREF cr)
{
    if (x1 == x2 || !pDistPlot || bDLSData || bBoundaryAnalysisMode) return;
    const int n = nResolution;
    const float* x = isSTypeModel() ? pDistAxisS : pDistAxisM;
    const float* c = pDistValues;
    if (!x || !c || n < 1) return;
    // a limit outside the grid is its end point
    const float lo = std::clamp(std::min(x1, x2), x[1], x[n]);
    const float hi = std::clamp(std::max(x1, x2), x[1], x[n]);
    // the grid interval [x_i, x_i+1] holding a limit and the value there
    auto interval = [&](float v) {
        int i = 1;
        while (i < n - 1 && !(x[i] <= v && v <= x[i + 1])) i++;
        return i;
    };
    auto valueAt = [&](int i, float v) {
        if (i >= n || x[i + 1] == x[i]) return c[i];
        return c[i] + (c[i + 1] - c[i]) * (v - x[i]) / (x[i + 1] - x[i]);
    };
    const int iLow = interval(lo), iHigh = interval(hi);
    if (iHigh < iLow + 1) return;
    std::vector<float> px(1, 0.0f), py(1, 0.0f);
    px.push_back(lo);
    py.push_back(valueAt(iLow, lo));
    for (int i = iLow + 1; i <= iHigh; i++)
        if (x[i] > lo && x[i] < hi) {
            px.push_back(x[i]);
            py.push_back(c[i]);
        }
    px.push_back(hi);
    py.push_back(valueAt(iHigh, hi));
    ensurePlotDrawn();
    HMETAFILE h = overlayFloatArrays(pDistPlot, px.data(), py.data(), static_cast<int>(px.size()) - 1, cr, nStyle,
                                     pDistPlot->nSymbolSize);
    if (!h) return;
    playIntoClientArea(this, h);
    DeleteMetaFile(h);
}

void TXLAWindow::IntegrateSelectedRange(float x1, float x2, float y1, float y2)
{
    // 1.
    ToggleIntegrateButton();
    DrawSelectedRange(x1, x2, 12, RGB(255, 0, 0));
    bRangeSelectArmed = 0;
    bRangeSelectActive = 0;
    fIntegrateYMin = y1;
    fIntegrateYMax = y2;

    // 2.
    float c = 0, w = 0, fTotal = 0, d = 0, fHarmonic = 0, z = 0;
    integrateDistribution(x1, x2, &c, &w, &fTotal, &d, &fHarmonic, &z);
    if (fTotal == 0.0f) fTotal = 1.0f;
    const float fPercent = 100.0f * c / fTotal;

    // 3.
    char sz[2000];
    if (bDLSData && bModelDlsD) {
        std::snprintf(sz, sizeof sz,
                      "Integral from %f to %f F:\nTotal Signal = %f (%.3f%%of total)\nSignal Average D = %f F",
                      std::pow(10.0, double(x1) + 7), std::pow(10.0, double(x2) + 7), c, fPercent, w);
    } else if (bDLSData) {
        std::snprintf(sz, sizeof sz,
                      "Integral from %f to %f nm:\nTotal Signal = %f (%.3f%%of total)\nSignal Average R = %f nm",
                      std::pow(10.0, double(x1) + 9), std::pow(10.0, double(x2) + 9), c, fPercent, w);
    } else if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        std::snprintf(sz, sizeof sz,
                      "Integral from %f to %f (x) and %f to %f (y):\nLoading Concentration [Signal] = %f (%.3f%%of "
                      "total)\nWeight (Signal) Average sw = %f\nWeight (Signal) Average ff0w = %f\nestimated M from "
                      "(sw,ff0w): = %f\nD-average M = %f\nZ (Signal) Average M = %f\n (Signal) Average Rs = %f\n "
                      "Std. deviation[as sqrt(second central moment)] ds = %.3f (best done without "
                      "regularization)\n Std. deviation[as sqrt(second central moment)] dM = %.3f\n Std. "
                      "deviation[as sqrt(second central moment)] dR = %.3f",
                      x1, x2, y1, y2, c, fPercent, w, fCsFf0MeanFf0, CalculateMff02(w, fCsFf0MeanFf0), fCsFf0MsD,
                      fCsFf0MeanM, fCsFf0MeanRh, d, fCsFf0SdM, fCsFf0SdRh);
    } else if (isSTypeModel()) {
        std::snprintf(sz, sizeof sz,
                      "Integral from %f to %f:\nLoading Concentration [Signal] = %f (%.3f%%of total)\nWeight "
                      "(Signal) Average = %f\n Std. deviation[as sqrt(second central moment)] = %.3f (best done "
                      "without regularization)\nsw transformed to 20,w conditions = %f",
                      x1, x2, c, fPercent, w, d, sToS20w(w));
    } else if (bModelFMScalingLaw) {
        std::snprintf(sz, sizeof sz,
                      "Integral from %f to %f:\nLoading Concentration [Signal] = %f (%.3f%%of total)\nWeight "
                      "(Signal) Average = %f\nz-Average = %f\nMz/Mw = %f\n Std. deviation[as sqrt(second central "
                      "moment)] = %.3f (best done without regularization)",
                      x1, x2, c, fPercent, w, z, w > 0.0f ? z / w : 0.0f, d);
    } else {
        std::snprintf(sz, sizeof sz,
                      "Integral from %f to %f:\nLoading Concentration [Signal] = %f (%.3f%%of total)\nWeight "
                      "(Signal) Average = %f\n Std. deviation[as sqrt(second central moment)] = %.3f (best done "
                      "without regularization)",
                      x1, x2, c, fPercent, w, d);
    }

    // 4. c and w on the clipboard
    float pC[2] = {0.0f, c}, pW[2] = {0.0f, w};
    float* pColumns[1] = {pW};
    putTextOnClipboard(this, pC, pColumns, 1, 1, 1);

    // 5. - 6.
    std::vector<float> transport;
    if (!bDLSData && x1 > 0.0f && x2 > 0.0f) shadeRangeInData(this, x1, x2, &transport);
    float fError = 0.0f;
    if (!transport.empty() && !bModelCSFlotation && bErrorPropagationToSw && !bUsingSpeedSteps &&
        c / fTotal > 0.05f && c > 0.001f && transportErrorEstimate(transport.data(), c, &fError)) {
        const size_t n = std::strlen(sz);
        std::snprintf(sz + n, sizeof sz - n,
                      "\nbased on residuals (shaded bitmap) via transport method, estimated error in sw is %.1e S",
                      double(fError));
    }

    // 7.
    MessageBox(HWindow, sz, "INTEGRATE DISTRIBUTION", MB_OK);
    CmFullscaleDistributionPlot();
}

void TXLAWindow::SelectPeakRange(float fLow, float fHigh)
{
    bPeakRangeSelect = 0;
    bRangeSelectActive = 0;
    if (pDistPlot) {
        pDistPlot->SetAxisRanges(fLow, fHigh, 0.0f, largestShownValue(false, fLow, fHigh));
        placePeakLabels();
        InvalidateUnlessBatch();
    }
    // a range chosen during a realtime update is shown again after every refit
    if (bRealtimeUpdate) {
        bRealtimeAutoAdjustRange = 1;
        fRealtimeDistXMin = fLow;
        fRealtimeDistXMax = fHigh;
    }
}
