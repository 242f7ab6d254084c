// What the time-to-equilibrium search shows: the progress line and curve
// while it runs and the result plots it leaves in the main window.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/speed_step_optimizer.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "plot/adhoc_plot.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "scandata/tool_plots.h"

using namespace win;

namespace {

// Speeds share the axis of the rms differences: 35000 rpm at 0.1.
constexpr float fRpmPlotScale = 0.1f / 35000.0f;

// A CVector that owns a copy of x[1..n].
CVector* ownedCopy(const float* x, int n) { return new CVector(static_cast<unsigned>(n), x + 1); }

}  // namespace

void showOptimizationProgress(float fValue, float* p, TXLAWindow* pWindow)
{
    const TimeToEqParams& tp = timeToEqParams;
    if (fValue <= fShownBestRmsd) {
        // the run of the best vector, drawn over the window at once
        appEqObjective(p, pWindow);
        const CApproachToEqSim* s = pAppEqOptSim;
        if (pWindow && pWindow->HWindow && s && s->pScanHours) {
            CAdHocPlot plot;
            plot.pPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
            plot.pPlot->SetXLabel("time (h)");
            plot.pPlot->SetYLabel("difference to eq");
            addToolCurve(&plot, s->pScanHours, s->pRmsDeviation, s->nScans, RGB(255, 0, 255), -1);
            int n = 0;
            float *t = nullptr, *v = nullptr;
            pAppEqOptSim->BuildRpmPolyline(&n, &t, &v, nullptr, nullptr, nullptr);
            if (n > 0) {
                for (int i = 1; i <= n; ++i) v[i] *= fRpmPlotScale;
                addToolCurve(&plot, t, v, n, RGB(0, 0, 240), -1);
                free_vector(t, 1, n);
                free_vector(v, 1, n);
            }
            if (plot.pPlot->Draw()) playIntoClientArea(pWindow, plot.pPlot->hMetaFile);
        }
    }

    const float q = tp.fQuantum;
    const float fOm0 = rpmAtTime(p, 0.0f, q > 1.0f, q);
    const int n = tp.nParams;
    const int nIter = nFitSteps, nEval = timeToEqProgressEvaluations();
    char szLine[400], szPrefix[80] = "";
    if (timeToEqAnnealingRuns()) std::snprintf(szPrefix, sizeof szPrefix, "(SA T = %f, %d) ", fSATemperature, nIter);
    const float fSecond = n >= 2 ? p[2] : p[1];
    if (!tp.bExponential) {
        std::snprintf(szLine, sizeof szLine, "%s(%d) %02d: %.3f h | om(0)=%.0f | %f | ... | %f  ", szPrefix, nIter,
                      nEval, fValue, fOm0, fSecond, p[n]);
    } else if (n == 7) {
        std::snprintf(szLine, sizeof szLine,
                      "%s(%d) %02d: %.3f h | om(0)=%.0f | decay-time = %.1f h | %f | %f | %f | %f | %f | %f",
                      szPrefix, nIter, nEval, fValue, fOm0, std::fabs(p[1]) * 5.0f, p[2], p[3], p[4], p[5], p[6],
                      p[7]);
    } else {
        std::snprintf(szLine, sizeof szLine, "%s(%d) %02d: %.3f h | om(0)=%.0f | decay-time = %.1f h | %f | ... | %f",
                      szPrefix, nIter, nEval, fValue, fOm0, std::fabs(p[1]) * 5.0f, fSecond, p[n]);
    }
    writeToolText(pWindow, 50, 10, szLine);
    if (keyPressed()) bStopFit = 1;
}

void releaseTimeToEqPlots()
{
    delete pTosePlot;
    pTosePlot = nullptr;
    for (CCurve** pp : {&pToseCurve1, &pToseCurve2, &pToseCurve3, &pToseCurve4, &pToseCurve5, &pToseCurve6}) {
        delete *pp;
        *pp = nullptr;
    }
    for (CVector** pp : {&pToseVector1, &pToseVector2, &pToseVector3, &pToseVector4, &pToseVector5, &pToseVector6,
                         &pToseVector7, &pToseVector8, &pToseVector9, &pToseVector10}) {
        delete *pp;
        *pp = nullptr;
    }
    for (float** pp : {&pToseArray1, &pToseArray2, &pToseArray3, &pToseArray4}) {
        free_vector(*pp, 1, nTosePoints);
        *pp = nullptr;
    }
    free_vector(pToseSpeedTimes, 1, nToseSteps);
    free_vector(pToseSpeedValues, 1, nToseSteps);
    pToseSpeedTimes = pToseSpeedValues = nullptr;
    nTosePoints = nToseSteps = 0;
}

void buildTimeToEqResultPlots(TXLAWindow*)
{
    const CApproachToEqSim* cs = pAppEqConstSim;
    CApproachToEqSim* os = pAppEqOptSim;
    if (!cs || !os || !cs->pScanHours || !os->pScanHours) return;
    releaseResultArrays();
    releaseTimeToEqPlots();

    // the upper plot: rms difference to equilibrium over time, constant speed
    // and optimised, with the two speed courses
    const int n = cs->nScans;
    nAuxArrayLength = n;
    pAuxArray1 = vector(1, n);
    pAuxArray2 = vector(1, n);
    pAuxArray3 = vector(1, n);
    for (int i = 1; i <= n; ++i) {
        pAuxArray1[i] = cs->pScanHours[i];
        pAuxArray2[i] = cs->pRmsDeviation[i];
        pAuxArray3[i] = cs->fFinalRpm * fRpmPlotScale;
    }
    pAuxVector1 = new CVector;
    pAuxVector1->Attach(pAuxArray1, static_cast<unsigned>(n), 1);
    pAuxVector2 = new CVector;
    pAuxVector2->Attach(pAuxArray2, static_cast<unsigned>(n), 1);
    pAuxVector3 = new CVector;
    pAuxVector3->Attach(pAuxArray3, static_cast<unsigned>(n), 1);
    pAuxCurve1 = new CCurve(pAuxVector1, pAuxVector2);
    pAuxCurve2 = new CCurve(pAuxVector1, pAuxVector3);
    pAuxVector7 = ownedCopy(os->pScanHours, os->nScans);
    pAuxVector10 = ownedCopy(os->pRmsDeviation, os->nScans);
    pAuxCurve4 = new CCurve(pAuxVector7, pAuxVector10);
    int nPoly = 0;
    float *t = nullptr, *v = nullptr;
    os->BuildRpmPolyline(&nPoly, &t, &v, nullptr, nullptr, nullptr);
    if (nPoly > 0) {
        for (int i = 1; i <= nPoly; ++i) v[i] *= fRpmPlotScale;
        pAuxVector8 = ownedCopy(t, nPoly);
        pAuxVector9 = ownedCopy(v, nPoly);
        pAuxCurve3 = new CCurve(pAuxVector8, pAuxVector9);
        free_vector(t, 1, nPoly);
        free_vector(v, 1, nPoly);
    }
    bAuxPlotFlag2 = 0;
    pAuxPlot = new CWINPlot;
    pAuxPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    pAuxPlot->SetXLabel("elapsed time (h)");
    pAuxPlot->SetYLabel("rms difference to eq from left to right fit limit");
    pAuxPlot->AddCurve(pAuxCurve1);
    pAuxPlot->SetCurveColor(0, RGB(100, 100, 100));
    pAuxPlot->AddCurve(pAuxCurve2);
    pAuxPlot->SetCurveColor(1, RGB(200, 255, 200));
    pAuxPlot->SetAxisRanges(0.0f, fAppEqConstTime, 0.0f, 0.1f);
    pAuxPlot->AddCurve(pAuxCurve4);
    pAuxPlot->SetCurveColor(2, RGB(255, 0, 255));
    if (pAuxCurve3) {
        pAuxPlot->AddCurve(pAuxCurve3);
        pAuxPlot->SetCurveColor(3, RGB(0, 0, 240));
    }
    pAuxPlot->ToggleConnectSymbols();
    pAuxPlot->Draw();
    bAuxPlotShown = 1;

    // the inset: both runs' difference from equilibrium over the radius at
    // the scan that reached it
    const int N = cs->nRadialPoints;
    float fScale = 1.0f;
    const float fStep = timeToEqParams.fInitialStepRadius;
    if (fStep > cs->fMeniscus && fStep < cs->fBottom) {
        const float fIntegral = cs->RadialIntegral(cs->ppTotalScans[cs->nRmsdIndex]);
        if (fIntegral != 0.0f) fScale = cs->RadialIntegral(cs->pTarget) / fIntegral;
    }
    nTosePoints = N;
    pToseArray1 = vector(1, N);
    pToseArray2 = vector(1, N);
    pToseArray3 = vector(1, N);
    const bool bSameGrid = os->nRadialPoints == N;
    for (int i = 1; i <= N; ++i) {
        pToseArray1[i] = cs->pRadii[i];
        pToseArray2[i] = cs->pTarget[i] - fScale * cs->ppTotalScans[cs->nRmsdIndex][i];
        pToseArray3[i] = bSameGrid ? os->pTarget[i] - fScale * os->ppTotalScans[os->nRmsdIndex][i] : 0.0f;
    }
    pToseVector1 = new CVector;
    pToseVector1->Attach(pToseArray1, static_cast<unsigned>(N), 1);
    pToseVector2 = new CVector;
    pToseVector2->Attach(pToseArray2, static_cast<unsigned>(N), 1);
    pToseVector3 = new CVector;
    pToseVector3->Attach(pToseArray3, static_cast<unsigned>(N), 1);
    pToseCurve1 = new CCurve(pToseVector1, pToseVector2);
    pToseCurve2 = new CCurve(pToseVector1, pToseVector3);
    pTosePlot = new CWINPlot;
    pTosePlot->SetPlotRect(nPlotTop + 100, nPlotLeft + 500, nResidPlotBottom - 500, nPlotRight - 50);
    pTosePlot->SetXLabel("radius (cm)");
    pTosePlot->SetYLabel("difference to eq");
    pTosePlot->AddCurve(pToseCurve1);
    pTosePlot->SetCurveColor(0, RGB(100, 100, 100));
    pTosePlot->SetCurveIndexRange(0, cs->nFirstFitIndex - 1, cs->nLastFitIndex - 1);
    pTosePlot->AddCurve(pToseCurve2);
    pTosePlot->SetCurveColor(1, RGB(255, 0, 255));
    pTosePlot->SetCurveIndexRange(1, os->nFirstFitIndex - 1, os->nLastFitIndex - 1);
    pTosePlot->Draw();
}
