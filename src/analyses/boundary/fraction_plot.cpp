// The result plot of the boundary analyses: the apparent s of every fraction
// against 1/sqrt(t), one symbol curve per set of scans (or per scan), and each
// fraction's straight line down to 1/sqrt(t) = 0, where it ends at the
// fraction's extrapolated s. The main window shows it over the data and
// residual plots until Escape or a click releases it.
#include <cmath>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "app/app_globals.h"
#include "app/scan_colors.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "plot/cwinplot.h"

CWINPlot* pAreaFractionPlot = nullptr;
int nPlotSets = 0;

namespace {

// What the plot is drawn from, with the lengths the lists were made with.
int nPlotFractions = 0;
float* pPlotLineX = nullptr;        // 1/sqrt(t) of every set, then 0 (nSets + 1)
float** ppPlotSetX = nullptr;       // [set][fraction]: 1/sqrt(t) of the set, once per fraction
float** ppPlotSetS = nullptr;       // [set][fraction]: s of every fraction
float** ppPlotLineS = nullptr;      // [fraction][set + 1]: the line at every set and at 0
CVector* pPlotLineXVector = nullptr;
CVector** ppPlotSetXVectors = nullptr;  // 1..nSets
CVector** ppPlotSetSVectors = nullptr;
CVector** ppPlotLineVectors = nullptr;  // 1..nFractions
CCurve** ppPlotSetCurves = nullptr;
CCurve** ppPlotLineCurves = nullptr;

CVector* viewOf(float* a, int n)
{
    CVector* v = new CVector();
    v->Attach(a, static_cast<unsigned>(n), 1);
    return v;
}

template <class T>
void deleteList(T**& pp, int n)
{
    if (pp)
        for (int i = 1; i <= n; i++) delete pp[i];
    delete[] pp;
    pp = nullptr;
}

}  // namespace

void clearExtrapolationResults()
{
    const int nSets = nPlotSets, n = nPlotFractions;
    delete pAreaFractionPlot;
    pAreaFractionPlot = nullptr;
    deleteList(ppPlotSetCurves, nSets);
    deleteList(ppPlotLineCurves, n);
    deleteList(ppPlotSetXVectors, nSets);
    deleteList(ppPlotSetSVectors, nSets);
    deleteList(ppPlotLineVectors, n);
    delete pPlotLineXVector;
    pPlotLineXVector = nullptr;
    free_vector(pPlotLineX, 1, nSets + 1);
    pPlotLineX = nullptr;
    if (ppPlotSetX) free_matrix(ppPlotSetX, 1, nSets, 1, n);
    if (ppPlotSetS) free_matrix(ppPlotSetS, 1, nSets, 1, n);
    if (ppPlotLineS) free_matrix(ppPlotLineS, 1, n, 1, nSets + 1);
    ppPlotSetX = ppPlotSetS = ppPlotLineS = nullptr;
    nPlotSets = 0;
    nPlotFractions = 0;
}

void plotAreaFractionResults(const float* pTimes, float** sMatrix, int nSets, const float* pIntercepts,
                             const float* pSlopes)
{
    // 1.
    if (pAreaFractionPlot || nPlotSets > 0) clearExtrapolationResults();
    const int n = nBoundaryFractions;
    if (nSets < 1 || n < 1) return;
    nPlotSets = nSets;
    nPlotFractions = n;
    // 2.
    pPlotLineX = vector(1, nSets + 1);
    for (int k = 1; k <= nSets; k++) pPlotLineX[k] = 1.0f / std::sqrt(pTimes[k]);
    pPlotLineX[nSets + 1] = 0.0f;
    // 3. the lines at every set and at 1/sqrt(t) = 0
    ppPlotLineS = matrix(1, n, 1, nSets + 1);
    for (int c = 1; c <= n; c++) {
        for (int k = 1; k <= nSets; k++) ppPlotLineS[c][k] = pSlopes[c] * pPlotLineX[k] + pIntercepts[c];
        ppPlotLineS[c][nSets + 1] = pIntercepts[c];
    }
    // 4. per set the s of all fractions at its 1/sqrt(t)
    ppPlotSetX = matrix(1, nSets, 1, n);
    ppPlotSetS = matrix(1, nSets, 1, n);
    ppPlotSetXVectors = new CVector*[nSets + 1]();
    ppPlotSetSVectors = new CVector*[nSets + 1]();
    ppPlotSetCurves = new CCurve*[nSets + 1]();
    for (int k = 1; k <= nSets; k++) {
        for (int c = 1; c <= n; c++) {
            ppPlotSetX[k][c] = pPlotLineX[k];
            ppPlotSetS[k][c] = sMatrix[k][c];
        }
        ppPlotSetXVectors[k] = viewOf(ppPlotSetX[k], n);
        ppPlotSetSVectors[k] = viewOf(ppPlotSetS[k], n);
        ppPlotSetCurves[k] = new CCurve(ppPlotSetXVectors[k], ppPlotSetSVectors[k]);
    }
    pPlotLineXVector = viewOf(pPlotLineX, nSets + 1);
    ppPlotLineVectors = new CVector*[n + 1]();
    ppPlotLineCurves = new CCurve*[n + 1]();
    for (int c = 1; c <= n; c++) {
        ppPlotLineVectors[c] = viewOf(ppPlotLineS[c], nSets + 1);
        ppPlotLineCurves[c] = new CCurve(pPlotLineXVector, ppPlotLineVectors[c]);
    }
    // 5.
    CWINPlot* p = new CWINPlot();
    p->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    p->nSymbolSize = 5;
    nErrorBarCapWidth = static_cast<int>(std::floor(1.5 * 5));
    for (int k = 1; k <= nSets; k++) {
        p->AddCurve(ppPlotSetCurves[k]);
        p->SetCurveColor(k - 1, scanColor(k));
        p->SetCurveStyle(k - 1, 2);
    }
    const win::COLORREF crLines = p->GetCurveColor(1);
    for (int c = 1; c <= n; c++) {
        p->AddCurve(ppPlotLineCurves[c]);
        p->SetCurveColor(nSets + c - 1, crLines);
        p->SetCurveStyle(nSets + c - 1, -1);
    }
    pAreaFractionPlot = p;
}

bool releaseAreaFractionDisplay(TXLAWindow* pWindow)
{
    if (!pAreaFractionPlot) return false;
    // a plot no longer shown (a model change cleared the flag) goes quietly
    const bool bShown = bAreaFractionResults != 0;
    clearExtrapolationResults();
    bAreaFractionResults = 0;
    if (bShown && pWindow) pWindow->InvalidateUnlessBatch();
    return bShown;
}
