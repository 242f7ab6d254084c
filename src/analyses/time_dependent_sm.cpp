// Time-dependent s and M (see time_dependent_sm.h).
//
// Every window starts from the same saved parameters, not from the previous
// window's result, and is fitted twice in a row; the fitting engine takes
// only the window's scans while bSMWindowFit is set.
#include "analyses/time_dependent_sm.h"

#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "plot/sounds.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

int nScansPerSMSet = 4;
int nSMScans = 0;
unsigned char bSMGrowing = 0;
float* pSMTime = nullptr;
float* pSMMolarMass = nullptr;
float* pSMSValue = nullptr;
CWINPlot* pSMPlot = nullptr;

namespace {

// Length the result arrays were made with.
int nSMResults = 0;
CVector* pSMTimeVector = nullptr;
CVector* pSMMolarMassVector = nullptr;
CCurve* pSMCurve = nullptr;
// The parameters every window starts from.
float* pSMSavedParams = nullptr;

double timeAt(int nPosition) { return pScanHeaders[pScanTimeOrder[nPosition]].time; }

void restoreParameters()
{
    for (int i = 1; i <= nParams; i++) pParamValue[i] = pSMSavedParams[i];
}

// 1. and 2. of both fit series.
void beginSeries(bool bGrowing)
{
    freeTimeDependentSM();
    bSMGrowing = bGrowing ? 1 : 0;
    nSMScans = nScans;
    nSMResults = nScans - 1 > 1 ? nScans - 1 : 1;
    pSMTime = vector(1, nSMResults);
    pSMMolarMass = vector(1, nSMResults);
    pSMSValue = vector(1, nSMResults);
    fTolerance = 0.001f;
    pSMSavedParams = vector(1, nParams);
    for (int i = 1; i <= nParams; i++) pSMSavedParams[i] = pParamValue[i];
    bSaveBestParams = 0;
    bSMWindowFit = 1;
}

// 3.: one window from the saved parameters, fitted twice.
void fitWindow(TXLAWindow* pWindow, int nFirst, int nLast, double dTime, int nIndex)
{
    restoreParameters();
    nSMFirstScan = nFirst;
    nSMLastScan = nLast;
    pWindow->RunFit();
    pWindow->RunFit();
    pSMTime[nIndex] = static_cast<float>(dTime);
    pSMMolarMass[nIndex] = pParamValue[1];
    pSMSValue[nIndex] = pParamValue[5];
}

// 4.
void endSeries()
{
    restoreParameters();
    free_vector(pSMSavedParams, 1, nParams);
    pSMSavedParams = nullptr;
    plotTimeDependentSM();
    bSMWindowFit = 0;
    setInitialScanFromFirst();
    bSaveBestParams = 1;
    playFitDoneSound();
}

// The scan at time-order position k as initial condition; its own header
// goes with its profile, so the profile starts at its own time.
void installInitialScan(int nPosition)
{
    freeExtrapolationArrays();
    const int k = pScanTimeOrder[nPosition];
    const int n = pScanPoints[k];
    nExtrapolationPoints = n;
    pExtrapolation1 = vector(1, n);
    pExtrapolation2 = vector(1, n);
    for (int i = 1; i <= n; i++) {
        pExtrapolation1[i] = ppRadius[k][i];
        pExtrapolation2[i] = ppSignal[k][i];
        ppFit[k][i] = ppSignal[k][i];
    }
    const ScanHeader& h = pScanHeaders[k];
    std::memcpy(hdrInitialScan.title, h.title, sizeof h.title);
    hdrInitialScan.title[sizeof hdrInitialScan.title - 1] = '\0';
    hdrInitialScan.cell = h.cell;
    hdrInitialScan.temperature = h.temperature;
    hdrInitialScan.rpm = h.rpm;
    hdrInitialScan.time = h.time;
    hdrInitialScan.omega2t = h.omega2t;
    hdrInitialScan.wavelength = h.wavelength;
    hdrInitialScan.count = h.count;
    hdrInitialScan.titleMeniscus = h.titleMeniscus;
    hdrInitialScan.nPoints = h.nPoints;
    if (bTimesFromW2t) {
        const float fOmega = kRpmToOmegaF * hdrInitialScan.rpm;
        if (fOmega * fOmega > 0.0f) hdrInitialScan.time = hdrInitialScan.omega2t / (fOmega * fOmega);
    }
}

void extendInitialScan()
{
    extrapolateAtLeftLimit();
    extrapolateAtRightLimit();
}

}  // namespace

void setInitialScanForWindow(int k)
{
    installInitialScan(k);
    bUseInitialData = 0;
    extendInitialScan();
}

void setInitialScanFromFirst()
{
    installInitialScan(1);
    bUseInitialData = 1;
    extendInitialScan();
}

bool fitTimeDependentSMGrowing(TXLAWindow* pWindow)
{
    if (!pWindow || nScans < 1) return true;
    beginSeries(true);
    for (int k = 2; k <= nSMScans; k++) fitWindow(pWindow, 1, k, timeAt(k), k - 1);
    endSeries();
    return true;
}

bool fitTimeDependentSMSliding(TXLAWindow* pWindow)
{
    if (!pWindow || nScans < 1) return true;
    const int n = nScansPerSMSet;
    if (n < 1 || n > nScans) {
        char sz[160];
        std::snprintf(sz, sizeof sz, "the number of scans per set must lie between 1 and %d (the number of scans)",
                      nScans);
        win::MessageBox(pWindow->HWindow, sz, "FIT TIME DEPENDENT s,M", win::MB_OK);
        return false;
    }
    beginSeries(false);
    // 1. - 2. the growing start
    setInitialScanFromFirst();
    for (int k = 2; k <= n; k++) fitWindow(pWindow, 1, k, 0.5 * (timeAt(1) + timeAt(k)), k - 1);
    // 3. the sliding windows, each from its own first scan
    for (int k = 1; k <= nSMScans - n; k++) {
        setInitialScanForWindow(k);
        fitWindow(pWindow, k, n + k, 0.5 * (timeAt(k) + timeAt(n + k)), n + k - 1);
    }
    endSeries();
    return true;
}

void plotTimeDependentSM()
{
    const int n = nSMScans - 1;
    if (!pSMTime || n < 1) return;
    delete pSMCurve;
    delete pSMTimeVector;
    delete pSMMolarMassVector;
    delete pSMPlot;
    pSMTimeVector = new CVector();
    pSMTimeVector->Attach(pSMTime, static_cast<unsigned>(n), 1);
    pSMMolarMassVector = new CVector();
    pSMMolarMassVector->Attach(pSMMolarMass, static_cast<unsigned>(n), 1);
    pSMCurve = new CCurve(pSMTimeVector, pSMMolarMassVector);
    saveTimeDependentSM(pSMTime, pSMMolarMass, pSMSValue, n);
    pSMPlot = new CWINPlot();
    pSMPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    pSMPlot->AddCurve(pSMCurve);
    pSMPlot->nSymbolSize = 8;
    pSMPlot->SetCurveStyle(0, 6);
    pSMPlot->SetXLabel("time [sec]");
    pSMPlot->SetYLabel("MWapp [Da]");
    pSMPlot->ToggleYFromZero();
    pSMPlot->ToggleConnectSymbols();
}

bool saveTimeDependentSM(const float* pTimes, const float* pMolarMasses, const float* pSValues, int n)
{
    // bare names: the current folder, which follows the last file dialog
    const char* szMass = bSMGrowing ? "MW(t).dat" : "MWdcdt.dat";
    const char* szS = bSMGrowing ? "S(t).dat" : "Sdcdt.dat";
    const CCurve mass(pTimes, pMolarMasses, n, 1, 1);
    const CCurve s(pTimes, pSValues, n, 1, 1);
    const bool bMass = mass.SaveColumnsExp(szMass);
    const bool bS = s.SaveColumnsExp(szS);
    return bMass && bS;
}

win::HMETAFILE drawTimeDependentSMPlot()
{
    if (!pSMPlot) return nullptr;
    pSMPlot->Rescale();
    pSMPlot->Draw();
    return pSMPlot->bMetaFileValid ? pSMPlot->hMetaFile : nullptr;
}

void freeTimeDependentSM()
{
    delete pSMPlot;
    delete pSMCurve;
    delete pSMTimeVector;
    delete pSMMolarMassVector;
    pSMPlot = nullptr;
    pSMCurve = nullptr;
    pSMTimeVector = pSMMolarMassVector = nullptr;
    free_vector(pSMTime, 1, nSMResults);
    free_vector(pSMMolarMass, 1, nSMResults);
    free_vector(pSMSValue, 1, nSMResults);
    pSMTime = pSMMolarMass = pSMSValue = nullptr;
    nSMResults = 0;
}
