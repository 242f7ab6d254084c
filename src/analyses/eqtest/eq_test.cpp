// The approach-to-equilibrium test: command 645, the selection of the series
// and their compared radii, the three plots, the repeated test and its end.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analyses/eqtest/eq_internal.h"
#include "analyses/eqtest/eq_test_state.h"
#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/scan_colors.h"
#include "app/xla_window.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"

using namespace win;

unsigned char bEqTestSeriesSelected = 0;
int nEqTestShownSeries = 0;
CWINPlot* pEqTestPlot = nullptr;
unsigned char bEqTestCurvesAllocated = 0;
int nEqTestCurveSeries = 0;
int pEqTestDiffCount[nEqTestMaxSeries + 1] = {};
int nEqTestRangeLength[nEqTestMaxSeries + 1] = {};
float* ppEqTestRmsd[nEqTestMaxSeries + 1] = {};
float* ppEqTestTimeDiff[nEqTestMaxSeries + 1] = {};
float* ppEqTestDiffRadius[nEqTestMaxSeries + 1] = {};
float* ppEqTestDiffSignal[nEqTestMaxSeries + 1] = {};
float* ppEqTestRelRadius[nEqTestMaxSeries + 1] = {};
float* ppEqTestRelSignal[nEqTestMaxSeries + 1] = {};
CVector* ppEqTestRmsdVec[nEqTestMaxSeries + 1] = {};
CVector* ppEqTestTimeDiffVec[nEqTestMaxSeries + 1] = {};
CVector* ppEqTestDiffRadiusVec[nEqTestMaxSeries + 1] = {};
CVector* ppEqTestDiffSignalVec[nEqTestMaxSeries + 1] = {};
CVector* ppEqTestRelRadiusVec[nEqTestMaxSeries + 1] = {};
CVector* ppEqTestRelSignalVec[nEqTestMaxSeries + 1] = {};
CCurve* ppEqTestRmsdCurve[nEqTestMaxSeries + 1] = {};
CCurve* ppEqTestDiffCurve[nEqTestMaxSeries + 1] = {};
CCurve* ppEqTestRelCurve[nEqTestMaxSeries + 1] = {};
float pEqTestLastRmsd[nEqTestMaxSeries + 1] = {};

namespace {

constexpr const char* kTitle = "EQ TEST";

HWND ownerOf(TXLAWindow* w) { return w ? w->HWindow : nullptr; }

bool askYesNo(TXLAWindow* w, const char* szText)
{
    return MessageBox(ownerOf(w), szText, kTitle, MB_YESNO) == IDYES;
}

int latestScanOf(int s) { return ppEqTestSeriesScans[s][pEqTestSeriesCount[s]]; }
int firstScanOf(int s) { return ppEqTestSeriesScans[s][1]; }

// Whole krpm of a speed.
int wholeKrpm(float fRpm) { return static_cast<int>(std::floor(fRpm * 0.001f)); }

// The fit range of a scan (its whole length where none is set).
int fitFirstOf(int nScan) { return pFitFirstIndex && pFitFirstIndex[nScan] > 0 ? pFitFirstIndex[nScan] : 1; }
int fitLastOf(int nScan)
{
    return pFitLastIndex && pFitLastIndex[nScan] > 0 ? pFitLastIndex[nScan] : pScanPoints[nScan];
}

// One float array with its view, made anew with n points (none for n < 1).
void renewArray(float*& p, int nOld, int n, CVector* pView)
{
    free_vector(p, 1, nOld);
    p = n >= 1 ? vector(1, n) : nullptr;
    if (pView) pView->Attach(p, static_cast<unsigned>(std::max(n, 0)), 1);
}

void addToList(int* pCells, float* pWavelengths, int& n, int nScan)
{
    if (n >= nEqTestMaxSeries) return;
    ++n;
    pCells[n] = pScanHeaders[nScan].cell;
    pWavelengths[n] = pScanHeaders[nScan].wavelength;
}

// The compared range of a series, held inside its latest scan's points.
void clampRange(int s)
{
    const int L = latestScanOf(s), n = pScanPoints[L];
    if (pEqTestFirstPoint[s] < 1) pEqTestFirstPoint[s] = fitFirstOf(L);
    if (pEqTestLastPoint[s] < 1) pEqTestLastPoint[s] = fitLastOf(L);
    pEqTestFirstPoint[s] = std::clamp(pEqTestFirstPoint[s], 1, std::max(n, 1));
    pEqTestLastPoint[s] = std::clamp(pEqTestLastPoint[s], 1, std::max(n, 1));
}

// Save: one file per included series of two or more scans.
void saveEqTestResults(TXLAWindow* w)
{
    if (!askYesNo(w, "save approach to equilibrium data?")) return;
    const ScanPathParts beside = splitScanPath(szScanExtra);
    char szPath[260];
    copyToBuffer(szPath, sizeof szPath, beside.drive + beside.dir + "approach_to_eq_test.txt");
    // Cancel writes nothing
    if (!AskSaveFileName(w, szPath, sizeof szPath, nullptr, "txt")) return;
    const ScanPathParts base = splitScanPath(szPath);
    for (int s = 1; s <= nEqTestSeries; ++s) {
        const int n = pEqTestSeriesCount[s];
        if (n < 2 || !pEqTestInclude[s] || !ppEqTestRmsd[s]) continue;
        char szNumber[16];
        std::snprintf(szNumber, sizeof szNumber, "_%d", s);
        const std::string path = base.drive + base.dir + base.name + szNumber + base.ext;
        FILE* f = fopenMapped(path.c_str(), "w");
        if (!f) {
            const std::string msg = "\n\aAttention: could not open " + path;
            showErrorMessage(msg.c_str(), 0);
            return;
        }
        for (int k = 1; k <= n - 1 && k <= pEqTestDiffCount[s]; ++k)
            std::fprintf(f, "%f %f %f\n", pScanHeaders[ppEqTestSeriesScans[s][k]].timeRead / 3600.0,
                         ppEqTestTimeDiff[s][k], ppEqTestRmsd[s][k]);
        std::fclose(f);
    }
}

}  // namespace

// ---------------------------------------------------------------- side plot

void showEqSidePlot(const float* x, const float* y, int n, const char* szXLabel, const char* szYLabel, int nStyle,
                    bool bConnect, COLORREF cr)
{
    releaseResultArrays();
    n = std::max(n, 0);
    nAuxArrayLength = n;
    pAuxArray1 = vector(1, n);
    pAuxArray2 = vector(1, n);
    for (int k = 1; k <= n; ++k) {
        pAuxArray1[k] = x[k];
        pAuxArray2[k] = y[k];
    }
    pAuxVector1 = new CVector;
    pAuxVector2 = new CVector;
    pAuxVector1->Attach(pAuxArray1, static_cast<unsigned>(n), 1);
    pAuxVector2->Attach(pAuxArray2, static_cast<unsigned>(n), 1);
    pAuxCurve1 = new CCurve(pAuxVector1, pAuxVector2);
    pAuxPlot = new CWINPlot;
    pAuxPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    pAuxPlot->SetXLabel(szXLabel);
    pAuxPlot->SetYLabel(szYLabel);
    pAuxPlot->AddCurve(pAuxCurve1);
    pAuxPlot->SetCurveStyle(0, nStyle);
    pAuxPlot->SetCurveColor(0, cr);
    if (bConnect) pAuxPlot->ToggleConnectSymbols();
    pAuxPlot->Draw();
    bAuxPlotShown = 1;
}

void showEqScanSidePlot(int nScan, int nFirst, int nLast, int nStyle)
{
    const int n = pScanPoints[nScan];
    nFirst = std::max(nFirst, 1);
    nLast = std::min(nLast, n);
    const int m = std::max(nLast - nFirst + 1, 0);
    float* pValues = vector(1, n);
    eqComparisonValues(nScan, pValues);
    showEqSidePlot(ppRadius[nScan] + nFirst - 1, pValues + nFirst - 1, m, "radius", "signal", nStyle, false,
                   RGB(0, 0, 0));
    free_vector(pValues, 1, n);
}

void paintEqTestSelection(HDC dc)
{
    if (!bEqTestSeriesSelected || !pAuxPlot || !pAuxCurve1) return;
    const int s = nEqTestShownSeries;
    if (s < 1 || s > nEqTestSeries) return;
    const int nFirst = std::max(pEqTestFirstPoint[s], 1);
    const int nLast = std::min(pEqTestLastPoint[s], nAuxArrayLength);
    if (HMETAFILE h = pAuxPlot->OverlayCurve(pAuxCurve1, nFirst, nLast, RGB(255, 0, 0), 12, pAuxPlot->nSymbolSize)) {
        PlayMetaFile(dc, h);
        DeleteMetaFile(h);
    }
}

// ---------------------------------------------------------------- curve arrays

void freeEqTestCurves()
{
    for (int s = 1; s <= nEqTestMaxSeries; ++s) {
        for (CCurve** pp : {&ppEqTestRmsdCurve[s], &ppEqTestDiffCurve[s], &ppEqTestRelCurve[s]}) {
            delete *pp;
            *pp = nullptr;
        }
        for (CVector** pp : {&ppEqTestRmsdVec[s], &ppEqTestTimeDiffVec[s], &ppEqTestDiffRadiusVec[s],
                             &ppEqTestDiffSignalVec[s], &ppEqTestRelRadiusVec[s], &ppEqTestRelSignalVec[s]}) {
            delete *pp;
            *pp = nullptr;
        }
        for (float** pp : {&ppEqTestRmsd[s], &ppEqTestTimeDiff[s], &ppEqTestDiffRadius[s], &ppEqTestDiffSignal[s],
                           &ppEqTestRelRadius[s], &ppEqTestRelSignal[s]}) {
            free_vector(*pp, 1, 0);
            *pp = nullptr;
        }
        pEqTestDiffCount[s] = nEqTestRangeLength[s] = 0;
    }
    bEqTestCurvesAllocated = 0;
    nEqTestCurveSeries = 0;
}

void allocEqTestCurves(int nSeries)
{
    freeEqTestCurves();
    nSeries = std::clamp(nSeries, 0, nEqTestMaxSeries);
    for (int s = 1; s <= nSeries; ++s) {
        const int nDiff = std::max(pEqTestSeriesCount[s] - 1, 0);
        const int nPoints = ppEqTestSeriesScans[s] ? pScanPoints[latestScanOf(s)] : 0;
        pEqTestDiffCount[s] = nDiff;
        nEqTestRangeLength[s] = nPoints;
        for (CVector** pp : {&ppEqTestRmsdVec[s], &ppEqTestTimeDiffVec[s], &ppEqTestDiffRadiusVec[s],
                             &ppEqTestDiffSignalVec[s], &ppEqTestRelRadiusVec[s], &ppEqTestRelSignalVec[s]})
            *pp = new CVector;
        renewArray(ppEqTestRmsd[s], 0, nDiff, ppEqTestRmsdVec[s]);
        renewArray(ppEqTestTimeDiff[s], 0, nDiff, ppEqTestTimeDiffVec[s]);
        renewArray(ppEqTestDiffRadius[s], 0, nPoints, ppEqTestDiffRadiusVec[s]);
        renewArray(ppEqTestDiffSignal[s], 0, nPoints, ppEqTestDiffSignalVec[s]);
        renewArray(ppEqTestRelRadius[s], 0, nPoints, ppEqTestRelRadiusVec[s]);
        renewArray(ppEqTestRelSignal[s], 0, nPoints, ppEqTestRelSignalVec[s]);
        ppEqTestRmsdCurve[s] = new CCurve(ppEqTestTimeDiffVec[s], ppEqTestRmsdVec[s]);
        ppEqTestDiffCurve[s] = new CCurve(ppEqTestDiffRadiusVec[s], ppEqTestDiffSignalVec[s]);
        ppEqTestRelCurve[s] = new CCurve(ppEqTestRelRadiusVec[s], ppEqTestRelSignalVec[s]);
    }
    bEqTestCurvesAllocated = 1;
    nEqTestCurveSeries = nSeries;
}

// ---------------------------------------------------------------- plots

bool plotEqTestResults(TXLAWindow*)
{
    freeEqTestCurves();
    allocEqTestCurves(nEqTestSeries);

    delete pDataPlot;
    pDataPlot = new CWINPlot;
    pDataPlot->SetPlotRect(nPlotTop, nPlotLeft, nPlotBottom, nPlotRight);
    pDataPlot->SetYLabel("rmsd difference");
    pDataPlot->SetXLabel("time difference to last scan in series (hours)");
    pDataPlot->ToggleConnectSymbols();

    delete pResidualsPlot;
    pResidualsPlot = new CWINPlot;
    pResidualsPlot->SetPlotRect(nResidPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    pResidualsPlot->SetYLabel("difference last 2 scans");
    pResidualsPlot->SetXLabel("radius (cm)");

    delete pEqTestPlot;
    pEqTestPlot = new CWINPlot;
    pEqTestPlot->SetPlotRect(60, 650, 300, 965);
    pEqTestPlot->SetYLabel("relative signal of last scan");
    pEqTestPlot->SetXLabel("radius");
    pEqTestPlot->ToggleConnectSymbols();
    pEqTestPlot->HideTickValues();
    pEqTestPlot->SetFrameBox(false);

    bEqTestPlotShown = 1;
    return true;
}

HMETAFILE drawEqTestPlot()
{
    if (!pEqTestPlot) return nullptr;
    pEqTestPlot->Draw();
    return pEqTestPlot->bMetaFileValid ? pEqTestPlot->hMetaFile : nullptr;
}

// ---------------------------------------------------------------- selection

void selectEqTestSeries(TXLAWindow* w)
{
    bEqTestSeriesSelected = 1;
    for (int s = 1; s <= nEqTestSeries; ++s) {
        const int nFirstScan = firstScanOf(s);
        bool bAgain = false;  // the same series shown again with new radii
        for (;;) {
            if (isExcludedEqTestSeries(nFirstScan)) {
                pEqTestInclude[s] = 0;
                break;
            }
            nEqTestShownSeries = s;
            const int L = latestScanOf(s);
            const int n = pScanPoints[L];
            if (pEqTestFirstPoint[s] == 0) pEqTestFirstPoint[s] = fitFirstOf(L);
            if (pEqTestLastPoint[s] == 0) pEqTestLastPoint[s] = fitLastOf(L);
            if (bRealtimeUpdate && bEqTestAutoLimits) break;

            showEqScanSidePlot(L, 1, n, -1);
            if (pEqTestFirstPoint[s] < 1 || pEqTestFirstPoint[s] > n) pEqTestFirstPoint[s] = 1;
            if (pEqTestLastPoint[s] < 1 || pEqTestLastPoint[s] > n) pEqTestLastPoint[s] = n;
            if (w) w->InvalidateUnlessBatch();

            const int nCell = pScanHeaders[nFirstScan].cell;
            const int nKrpm = wholeKrpm(pScanHeaders[nFirstScan].rpm);
            if (!bAgain && !bEqTestSingleCell && !isIncludedEqTestSeries(nFirstScan)) {
                char sz[200];
                std::snprintf(sz, sizeof sz, "cell %d, %.0f nm, %d krpm\nInclude this (cell/wl) series in time-course plot?",
                              nCell, pScanHeaders[nFirstScan].wavelength, nKrpm);
                if (!askYesNo(w, sz)) {
                    addToList(pEqTestExcludedCell, pEqTestExcludedWavelength, nEqTestExcluded, nFirstScan);
                    pEqTestInclude[s] = 0;
                    break;
                }
            }
            playInfoSound();
            char sz[200];
            std::snprintf(sz, sizeof sz,
                          "accept radial limits for comparison of %d kprm series? \n(otherwise set new ones to exclude "
                          "region or artifacts)",
                          nKrpm);
            bool bAccept = askYesNo(w, sz);
            float fMin = ppRadius[L][pEqTestFirstPoint[s]], fMax = ppRadius[L][pEqTestLastPoint[s]];
            if (!bAccept) {
                bAccept = !inputFloat(&fMin, fMin, true, "r-min:", kTitle) ||
                          !inputFloat(&fMax, fMax, true, "r-max:", kTitle);
            }
            pEqTestInclude[s] = 1;
            if (!isIncludedEqTestSeries(nFirstScan))
                addToList(pEqTestIncludedCell, pEqTestIncludedWavelength, nEqTestIncluded, nFirstScan);
            if (bAccept) break;
            for (int k = 1; k <= n; ++k)
                if (ppRadius[L][k] > fMin) {
                    pEqTestFirstPoint[s] = k;
                    break;
                }
            for (int k = n; k >= 1; --k)
                if (ppRadius[L][k] < fMax) {
                    pEqTestLastPoint[s] = k;
                    break;
                }
            bAgain = true;
        }
        if (!(bRealtimeUpdate && bEqTestAutoLimits)) releaseResultArrays();
    }
    bEqTestSeriesSelected = 0;
    if (!(bRealtimeUpdate && bEqTestAutoLimits)) releaseResultArrays();
    bAuxPlotShown = 0;
}

// ---------------------------------------------------------------- the test

void runEqTest(TXLAWindow* w)
{
    if (nScans < 1) return;
    // a reload of the realtime update (or one that released the plots) gave
    // the window the scans' plots again
    if (!bEqTestPlotShown || bRealtimeUpdate || !pDataPlot || !pResidualsPlot || !pEqTestPlot)
        plotEqTestResults(w);
    const int nPrevious = nEqTestSeries;
    groupScanSeries(w);
    if (nEqTestSeries != nPrevious) {
        // Run and Fit suspend painting; the selection shows its plot while
        // its questions wait
        const unsigned char bRunning = w ? w->bRunning : 0, bFitting = w ? w->bFitting : 0;
        if (w) w->bRunning = w->bFitting = 0;
        selectEqTestSeries(w);
        if (w) {
            w->bRunning = bRunning;
            w->bFitting = bFitting;
        }
        plotEqTestResults(w);
    }
    if (!bEqTestCurvesAllocated || nEqTestCurveSeries != nEqTestSeries) {
        showErrorMessage("error in equilibrium test function", 0);
        return;
    }

    for (int s = 1; s <= nEqTestSeries; ++s) {
        const int n = pEqTestSeriesCount[s];
        if (n < 2) continue;
        const int* list = ppEqTestSeriesScans[s];
        const int L = list[n];
        clampRange(s);
        const int F = pEqTestFirstPoint[s], P = pEqTestLastPoint[s];
        const int m = std::max(P - F + 1, 0);
        renewArray(ppEqTestRmsd[s], pEqTestDiffCount[s], n - 1, ppEqTestRmsdVec[s]);
        renewArray(ppEqTestTimeDiff[s], pEqTestDiffCount[s], n - 1, ppEqTestTimeDiffVec[s]);
        pEqTestDiffCount[s] = n - 1;
        renewArray(ppEqTestDiffRadius[s], 0, m, ppEqTestDiffRadiusVec[s]);
        renewArray(ppEqTestDiffSignal[s], 0, m, ppEqTestDiffSignalVec[s]);
        renewArray(ppEqTestRelRadius[s], 0, m, ppEqTestRelRadiusVec[s]);
        renewArray(ppEqTestRelSignal[s], 0, m, ppEqTestRelSignalVec[s]);
        nEqTestRangeLength[s] = m;

        const double dLatest = pScanHeaders[L].timeRead;
        for (int k = 1; k <= n - 1; ++k) {
            ppEqTestTimeDiff[s][k] = static_cast<float>((pScanHeaders[list[k]].timeRead - dLatest) / 3600.0);
            ppEqTestRmsd[s][k] = eqTestScanRmsd(list[k], L, F, P);
        }
        bEqTestCaptureDiff = 1;
        pEqTestCaptureRadius = ppEqTestDiffRadius[s];
        pEqTestCaptureSignal = ppEqTestDiffSignal[s];
        nEqTestCaptureLength = m;
        pEqTestLastRmsd[s] = eqTestScanRmsd(list[n - 1], L, F, P);
        bEqTestCaptureDiff = 0;
        pEqTestCaptureRadius = pEqTestCaptureSignal = nullptr;
        nEqTestCaptureLength = 0;

        // the latest scan's shape: centred, divided by its range
        if (m >= 1) {
            float* pValues = vector(1, pScanPoints[L]);
            eqComparisonValues(L, pValues);
            double dMean = 0.0, dMeanR = 0.0;
            float fMin = 1000.0f, fMax = -1000.0f;
            for (int k = F; k <= P; ++k) {
                dMean += pValues[k];
                dMeanR += ppRadius[L][k];
                fMin = std::min(fMin, pValues[k]);
                fMax = std::max(fMax, pValues[k]);
            }
            dMean /= m;
            dMeanR /= m;
            float fRange = fMax - fMin;
            if (fRange == 0.0f) fRange = 1.0f;
            for (int k = F; k <= P; ++k) {
                ppEqTestRelSignal[s][k - F + 1] = static_cast<float>((pValues[k] - dMean) / fRange);
                ppEqTestRelRadius[s][k - F + 1] = static_cast<float>(ppRadius[L][k] - dMeanR);
            }
            free_vector(pValues, 1, pScanPoints[L]);
        }
        // the views follow the arrays (which also drops values below 1e-30)
        ppEqTestDiffRadiusVec[s]->Attach(ppEqTestDiffRadius[s], static_cast<unsigned>(m), 1);
        ppEqTestDiffSignalVec[s]->Attach(ppEqTestDiffSignal[s], static_cast<unsigned>(m), 1);
        ppEqTestRelRadiusVec[s]->Attach(ppEqTestRelRadius[s], static_cast<unsigned>(m), 1);
        ppEqTestRelSignalVec[s]->Attach(ppEqTestRelSignal[s], static_cast<unsigned>(m), 1);
        ppEqTestRmsdVec[s]->Attach(ppEqTestRmsd[s], static_cast<unsigned>(n - 1), 1);
        ppEqTestTimeDiffVec[s]->Attach(ppEqTestTimeDiff[s], static_cast<unsigned>(n - 1), 1);
    }

    pDataPlot->RemoveAllCurves();
    pResidualsPlot->RemoveAllCurves();
    pEqTestPlot->RemoveAllCurves();
    const unsigned char bColorFromTime = bScanColorFromTime;
    bScanColorFromTime = 0;
    int nShown = 0;
    for (int s = 1; s <= nEqTestSeries; ++s)
        if (pEqTestSeriesCount[s] >= 2 && pEqTestInclude[s]) ++nShown;
    int nCurve = 0;
    for (int s = 1; s <= nEqTestSeries; ++s) {
        if (pEqTestSeriesCount[s] < 2 || !pEqTestInclude[s]) continue;
        ++nCurve;
        const int k1 = firstScanOf(s);
        const int nCell = pScanHeaders[k1].cell;
        const float fWavelength = pScanHeaders[k1].wavelength;
        const float fRpm = pScanHeaders[k1].rpm;
        const bool bInterference = isInterferenceScanFile(k1);
        const COLORREF cr = bInterference && !bEqTestSingleCell
                                ? scanColor(nCell)
                                : colorFromFraction(static_cast<float>(nCurve), static_cast<float>(nShown));
        const int nStyle = pEqTestAtLatestSpeed[s] ? 6 : -1;
        const std::string name = ppScanFileName[k1] ? ppScanFileName[k1] : "";
        char sz[400];
        std::snprintf(sz, sizeof sz, "cell %d, %.0f nm, %d krpm (>= %.300s)", nCell, fWavelength, wholeKrpm(fRpm),
                      name.c_str());
        pDataPlot->AddCurve(ppEqTestRmsdCurve[s]);
        const int i = pDataPlot->nCurves - 1;
        pDataPlot->SetCurveName(i, sz);
        pDataPlot->SetCurveStyle(i, nStyle);
        pDataPlot->SetCurveColor(i, cr);
        if (fRpm != dEqTestTopSpeed) continue;
        const int nSideStyle = pEqTestAtLatestSpeed[s] ? 12 : -1;
        const COLORREF crSide = bInterference ? scanColor(nCell) : cr;
        std::snprintf(sz, sizeof sz, "c%d-%.0fnm-%.0dk: rmsd=%.4f", nCell, fWavelength, wholeKrpm(fRpm),
                      pEqTestLastRmsd[s]);
        pResidualsPlot->AddCurve(ppEqTestDiffCurve[s]);
        const int j = pResidualsPlot->nCurves - 1;
        pResidualsPlot->SetCurveName(j, sz);
        pResidualsPlot->SetCurveStyle(j, nSideStyle);
        pResidualsPlot->SetCurveColor(j, crSide);
        pEqTestPlot->AddCurve(ppEqTestRelCurve[s]);
        const int r = pEqTestPlot->nCurves - 1;
        pEqTestPlot->SetCurveStyle(r, nSideStyle);
        pEqTestPlot->SetCurveColor(r, crSide);
    }
    bScanColorFromTime = bColorFromTime;

    pResidualsPlot->ShowLegend();
    pDataPlot->ShowLegend();
    if (nZoomLevel < 1) {
        pDataPlot->ResetZoom();
    } else {
        pDataPlot->SetAxisRanges(fZoomXMin[nZoomLevel], fZoomXMax[nZoomLevel], fZoomYMin[nZoomLevel],
                                 fZoomYMax[nZoomLevel]);
    }
    pDataPlot->Draw();
    pResidualsPlot->ResetZoom();
    pResidualsPlot->Draw();

    saveEqTestResults(w);
}

void endEqTestMode(TXLAWindow* w)
{
    if (!bEqTestPlotShown) return;
    // the plots let go of the curves before the arrays go
    delete pDataPlot;
    delete pResidualsPlot;
    pDataPlot = pResidualsPlot = nullptr;
    freeEqTestCurves();
    nEqTestSeries = 0;
    delete pEqTestPlot;
    pEqTestPlot = nullptr;
    // the normal plots of the loaded scans
    buildScanPlotVectors();
    setPlotAxisLabels();
    updateResidualsPlot(1);
    updateResidualsBitmapPlot(1);
    redrawDataPlot(1);
    bEqTestPlotShown = 0;
    bEqTestMode = 0;
    if (w) w->InvalidateUnlessBatch();
}

void releaseEqTestState()
{
    if (bEqTestPlotShown) {
        // the test's curves leave the plots of the main window
        if (pDataPlot) pDataPlot->RemoveAllCurves();
        if (pResidualsPlot) pResidualsPlot->RemoveAllCurves();
    }
    freeEqTestCurves();
    freeEqTestSeriesLists();
    delete pEqTestPlot;
    pEqTestPlot = nullptr;
}

void TXLAWindow::CmTestApproachToEquilibrium()
{
    if (nScans < 1) {
        MessageBox(HWindow, "please load data first", kTitle, MB_OK);
        return;
    }
    // the test takes over the data plot, which the M* screens stand in for
    if (bMStarMode) mStarFreeScreenPlots(this);
    for (int s = 1; s <= nEqTestMaxSeries; ++s) {
        pEqTestInclude[s] = 1;
        pEqTestAtLatestSpeed[s] = 0;
        pEqTestGroupNames[s][0] = '\0';
    }
    nEqTestExcluded = nEqTestIncluded = 0;
    const int nPrevious = nEqTestSeries;
    groupScanSeries(this);
    for (int s = 1; s <= nEqTestSeries; ++s) {
        const int L = latestScanOf(s);
        pEqTestFirstPoint[s] = pFitFirstIndex ? pFitFirstIndex[L] : 0;
        pEqTestLastPoint[s] = pFitLastIndex ? pFitLastIndex[L] : 0;
    }
    if (nEqTestSeries != nPrevious) {
        selectEqTestSeries(this);
        plotEqTestResults(this);
    }
    bEqTestMode = 1;
    nZoomLevel = 0;
    runEqTest(this);
    InvalidateUnlessBatch();
    if (askYesNo(this, "realtime update?")) CmRealtimeUpdate();
}
