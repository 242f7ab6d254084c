// The goodness of fit of the current model and the check of the fit limits
// before a fit.
#include <cmath>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/sounds.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

float fRmsd = 0.0f;
float fNumFitPoints = 0.0f;

void fitScanRange(int* pnFirst, int* pnLast)
{
    int nFirst = 1, nLast = nScans;
    if (bSMWindowFit) {
        nFirst = nSMFirstScan;
        nLast = nSMLastScan;
    } else if (bUseInitialData) {
        nFirst = 2;
    }
    if (nFirst < 1) nFirst = 1;
    if (nLast > nScans) nLast = nScans;
    *pnFirst = nFirst;
    *pnLast = nLast;
}

float calcRmsd()
{
    if (nScans < 1 || !pScanPoints || !pFitFirstIndex || !pFitLastIndex || !pScanTimeOrder || !ppSignal || !ppFit)
        return 0.0f;
    int nFirst = 1, nLast = nScans;
    fitScanRange(&nFirst, &nLast);
    // The squares are summed in double and the points counted in an integer:
    // a float sum drifts by percents over ten million points, and a float
    // count stops at 2^24.
    double dSum = 0.0;
    long long nCount = 0;
    for (int pos = nFirst; pos <= nLast; pos++) {
        const int k = pScanTimeOrder[pos];
        const float* y = ppSignal[k];
        const float* f = ppFit[k];
        if (!y || !f) continue;
        const int i0 = pFitFirstIndex[k] < 1 ? 1 : pFitFirstIndex[k];
        for (int i = i0; i <= pFitLastIndex[k] && i <= pScanPoints[k]; i++) {
            const float d = y[i] - f[i];
            dSum += static_cast<double>(d) * d;
            nCount++;
        }
    }
    fRmsd = nCount > 0 ? static_cast<float>(std::sqrt(dSum / static_cast<double>(nCount))) : 0.0f;
    fNumFitPoints = static_cast<float>(nCount);
    return fRmsd;
}

bool refuseEmptyFitRange(TXLAWindow* pWindow)
{
    if (nScans < 1 || !pScanPoints || !pFitFirstIndex || !pFitLastIndex || !pScanTimeOrder) return false;
    if (fFitLeftLim == 0.0f || fFitRightLim == 0.0f) return false;
    int nFirst = 1, nLast = nScans;
    fitScanRange(&nFirst, &nLast);
    for (int pos = nFirst; pos <= nLast; pos++) {
        const int k = pScanTimeOrder[pos];
        const int i0 = pFitFirstIndex[k] < 1 ? 1 : pFitFirstIndex[k];
        const int i1 = pFitLastIndex[k] < pScanPoints[k] ? pFitLastIndex[k] : pScanPoints[k];
        if (i1 >= i0) return false;
    }
    playErrorSound();
    win::MessageBox(pWindow ? pWindow->HWindow : nullptr, "no data points between the fit limits", "ERROR",
                    win::MB_OK);
    return true;
}

unsigned char checkFitLimits(TXLAWindow* pWindow)
{
    win::HWND hwnd = pWindow ? pWindow->HWindow : nullptr;
    if (nScans < 1 || !pDataPlot || !pFitFirstIndex || !pFitLastIndex) {
        playErrorSound();
        win::MessageBox(hwnd, "load data first", "ERROR", win::MB_OK);
        return 0;
    }
    if (!bDLSData && (fMeniscus == 0.0f || fBottom == 0.0f)) {
        playErrorSound();
        win::MessageBox(hwnd, "set meniscus and bottom first", "ERROR", win::MB_OK);
        return 0;
    }
    if (!bDLSData && (fFitLeftLim == 0.0f || fFitLeftLim < fMeniscus)) {
        fFitLeftLim = fMeniscus;
        win::MessageBox(hwnd, "setting left fit limit to meniscus", "", win::MB_OK);
        updateLeftFitLimit();
    }
    if (!bDLSData && (fFitRightLim > fBottom || fFitRightLim == 0.0f)) {
        fFitRightLim = fBottom;
        win::MessageBox(hwnd, "setting right fit limit to bottom", "", win::MB_OK);
        updateRightFitLimit();
    }
    return refuseEmptyFitRange(pWindow) ? 0 : 1;
}
