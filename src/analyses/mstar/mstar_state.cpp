// State of the M* screens, the per-set data, the four plots, entering and
// leaving.
//
// Every set is copied and extended with zero signal to the meniscus and the
// bottom at 0.001 cm steps, so that the integral of M* starts at the meniscus
// and the extrapolations reach the bottom whatever radii the scan has. The
// arrays of a set all have its extended length; each has a view that the
// plots draw through and that follows the array when the preparation makes
// it anew (which every computation does).
#include <cmath>
#include <cstring>

#include "analyses/mstar/mstar_internal.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"

using namespace win;

unsigned char bMStarMode = 0;
unsigned char bMStarAllSets = 0;
unsigned char bMStarCMSmoothing = 0;
unsigned char bMStarAskCMSmoothing = 0;
unsigned char bMStarAskMwRange = 1;
unsigned char bMStarArraysRenewed = 0;
unsigned char bMwappVsSignal = 1;
unsigned char bMwappFromDcDr = 0;
unsigned char bMeniscusSignalFixed = 0;
unsigned char bMStarDragA = 0;
unsigned char bMStarDragB = 0;
int bNegativeMStar = 0;
int nLnCSmoothHalfWidth = 20;
int nLnCSmoothOrder = 1;
int nMeniscusExtrapOrder = 2;
int nMwappSmoothHalfWidth = 10;
int nBottomExtrapOrder = 2;

float* meniscusFitRange = nullptr;
float* bottomFitRange = nullptr;
CVector* pMeniscusFitRangeVec = nullptr;
CVector* pBottomFitRangeVec = nullptr;

CWINPlot* pSavedDataPlot = nullptr;
int nSavedPlotTop = 0;
int nSavedPlotBottom = 0;

CWINPlot* pMStarPlotA = nullptr;
CWINPlot* pMStarPlotB = nullptr;
CWINPlot* pMStarPlotC = nullptr;
CWINPlot* pMStarPlotD = nullptr;
float mStarYMin = 0.0f;
float mStarYMax = 0.0f;

CScreenButton** pMStarButtons = nullptr;
int nMStarButtons = 0;
int nMStarButtonBase = 8;

MStarSetData* pMStarSets = nullptr;
int nMStarSets = 0;

namespace {

// Frames of the plots: top, left, bottom, right.
constexpr int kPlotA[4] = {50, 75, 450, 450};
constexpr int kPlotB[4] = {525, 75, 925, 450};
constexpr int kPlotC[4] = {50, 550, 450, 975};
constexpr int kPlotD[4] = {525, 550, 925, 975};

constexpr COLORREF kRed = RGB(255, 0, 0);

// The columns of nPts points of a set, and its grids and marks.
MStarColumn MStarSetData::*const kPointColumns[] = {
    &MStarSetData::setSignal, &MStarSetData::setRadius, &MStarSetData::setRadiusX, &MStarSetData::cmFitSignal,
    &MStarSetData::cleanSignal};
MStarColumn MStarSetData::*const kDerivedColumns[] = {
    &MStarSetData::mStarR,    &MStarSetData::mStarCM,    &MStarSetData::rSquared,   &MStarSetData::radiusLin,
    &MStarSetData::lnC,       &MStarSetData::lnCSmooth,  &MStarSetData::cNet,       &MStarSetData::cNetSmooth,
    &MStarSetData::lnCLineFit, &MStarSetData::lnCCM,     &MStarSetData::mwAppR,     &MStarSetData::mwAppDcDr,
    &MStarSetData::mwAppCM};
MStarColumn MStarSetData::*const kGridColumns[] = {
    &MStarSetData::baselineGrid, &MStarSetData::baselineLine, &MStarSetData::meniscusGrid,
    &MStarSetData::meniscusCurve, &MStarSetData::bottomGrid,  &MStarSetData::bottomCurve,
    &MStarSetData::meniscusMarkX, &MStarSetData::meniscusMarkY, &MStarSetData::mwAvgMarkX,
    &MStarSetData::mwAvgMarkY};
CCurve* MStarSetData::*const kCurves[] = {
    &MStarSetData::pSignalCurve,   &MStarSetData::pCMFitCurve,    &MStarSetData::pBaselineCurve,
    &MStarSetData::pMeniscusCurve, &MStarSetData::pMeniscusMarkCurve, &MStarSetData::pBottomCurve,
    &MStarSetData::pMwAvgMarkCurve, &MStarSetData::pMStarCurve,  &MStarSetData::pMStarCMCurve,
    &MStarSetData::pLnCCurve,      &MStarSetData::pLnCSmoothCurve, &MStarSetData::pLnCLineCurve,
    &MStarSetData::pLnCCMCurve,    &MStarSetData::pMwappCurve,    &MStarSetData::pMwappCMCurve};

void deleteCurve(CCurve*& p)
{
    delete p;
    p = nullptr;
}

CCurve* makeCurve(CCurve*& p, MStarColumn& x, MStarColumn& y)
{
    deleteCurve(p);
    p = new CCurve(mstar::view(x), mstar::view(y));
    return p;
}

// Adds the curve with its colour and style; its number in the plot.
int addCurve(CWINPlot* pPlot, CCurve* pCurve, COLORREF cr, int nStyle)
{
    pPlot->AddCurve(pCurve);
    int k = pPlot->nCurves - 1;
    pPlot->SetCurveColor(k, cr);
    pPlot->SetCurveStyle(k, nStyle);
    return k;
}

CWINPlot* newPlot(const int* frame)
{
    CWINPlot* p = new CWINPlot();
    p->SetPlotRect(frame[0], frame[1], frame[2], frame[3]);
    return p;
}

// The plain c(M) distribution model: continuous, none of the c(s) variants.
bool plainCMModelSelected()
{
    if (!bModelContinuous) return false;
    for (unsigned char b :
         {bModelCS, bModelCSLinearRods, bModelCSConformationalChange, bModelCSWithMsTable, bModelCSFf0,
          bModelCSFf0OneDiscrete, bModelCSScalingLaw, bModelCSWormlikeChain, bModelCSFixFf0FloatingVbar,
          bModelCSFlotation, bModelCSBimodalFf0OneDiscrete, bModelCSBimodalFf0, bModelLsgsOneDiscrete,
          bModelHybridCSLsgs, bModelCSOneDiscreteM, bModelNonidealCS, bModelCSOneDiscreteD, bModelCSInvariantD})
        if (b) return false;
    return true;
}

// Deletes the plot and the curves of every set that it drew.
void freePlot(CWINPlot*& pPlot, std::initializer_list<CCurve* MStarSetData::*> curves)
{
    delete pPlot;
    pPlot = nullptr;
    if (!pMStarSets) return;
    for (int i = 1; i <= nMStarSets; ++i)
        for (CCurve* MStarSetData::*c : curves) deleteCurve(pMStarSets[i].*c);
}

}  // namespace

// ---------------------------------------------------------------- helpers

namespace mstar {

void resizeColumn(MStarColumn& c, int n)
{
    free_vector(c.p, 1, c.n);
    c.p = vector(1, n);
    c.n = n;
    if (c.pVec) c.pVec->Attach(c.p, static_cast<unsigned>(n), 1);
}

void freeColumn(MStarColumn& c)
{
    delete c.pVec;
    c.pVec = nullptr;
    free_vector(c.p, 1, c.n);
    c.p = nullptr;
    c.n = 0;
}

CVector* view(MStarColumn& c)
{
    if (!c.pVec) {
        c.pVec = new CVector;
        c.pVec->Attach(c.p, static_cast<unsigned>(c.n), 1);
    }
    return c.pVec;
}

void fillGrid(MStarColumn& grid, float a, float b)
{
    const int n = grid.n;
    for (int k = 1; k <= n; ++k)
        grid.p[k] = a + static_cast<float>(k - 1) * (b - a) / static_cast<float>(n > 1 ? n - 1 : 1);
}

HWND ownerOf(TXLAWindow* pWindow) { return pWindow ? pWindow->HWindow : nullptr; }

void freeRanges()
{
    delete pMeniscusFitRangeVec;
    delete pBottomFitRangeVec;
    pMeniscusFitRangeVec = pBottomFitRangeVec = nullptr;
    free_vector(meniscusFitRange, 1, 2);
    free_vector(bottomFitRange, 1, 2);
    meniscusFitRange = bottomFitRange = nullptr;
}

void releasePlotA()
{
    if (!pMStarPlotA) return;
    if (pDataPlot == pMStarPlotA) {
        pDataPlot = pSavedDataPlot;
        nPlotTop = nSavedPlotTop;
        nPlotBottom = nSavedPlotBottom;
    }
    delete pMStarPlotA;
    pMStarPlotA = nullptr;
    pSavedDataPlot = nullptr;
}

void freeSetData()
{
    if (!pMStarSets) return;
    for (int i = 1; i <= nMStarSets; ++i) {
        MStarSetData& S = pMStarSets[i];
        for (CCurve* MStarSetData::*c : kCurves) deleteCurve(S.*c);
        for (MStarColumn MStarSetData::*c : kPointColumns) freeColumn(S.*c);
        for (MStarColumn MStarSetData::*c : kDerivedColumns) freeColumn(S.*c);
        for (MStarColumn MStarSetData::*c : kGridColumns) freeColumn(S.*c);
    }
    delete[] pMStarSets;
    pMStarSets = nullptr;
    nMStarSets = 0;
}

}  // namespace mstar

using namespace mstar;

float mStarBaseline(int i)
{
    if (bFitRINoise && pRINoiseSaved && i >= 1 && i <= nScans) return pRINoiseSaved[i];
    return fBaseline;
}

// ---------------------------------------------------------------- preparing the data

bool mStarCheckDataRange(TXLAWindow* pWindow)
{
    const int n = nScans;
    if (n < 1 || !pScanPoints || !ppRadius || !ppSignal) return false;
    const float m = fMeniscus, b = fBottom;
    // a set table of another size belongs to data loaded since
    if (pMStarSets && nMStarSets != n) mStarFreeSignalPlot(pWindow);
    if (!pMStarSets) {
        pMStarSets = new MStarSetData[static_cast<size_t>(n) + 1];
        nMStarSets = n;
    } else {
        bMStarArraysRenewed = 1;
    }

    bool bMissing = false;
    for (int i = 1; i <= n; ++i) {
        MStarSetData& S = pMStarSets[i];
        const int nOrig = pScanPoints[i];
        const float* r = ppRadius[i];
        const float* s = ppSignal[i];
        const float* fit = ppFit ? ppFit[i] : nullptr;
        if (nOrig < 1 || !r || !s) {
            // an empty scan stays one point at the meniscus without signal
            for (MStarColumn MStarSetData::*c : kPointColumns) resizeColumn(S.*c, 1);
            S.setRadius.p[1] = S.setRadiusX.p[1] = m;
            S.nPts = 1;
            S.padFront = 0;
            S.firstIdx = S.lastIdx = 1;
            continue;
        }
        // points in front down to the meniscus, and behind up to the bottom
        int p = 0, q = 0;
        if (r[1] > m)
            for (p = 1; r[1] - 0.001f * static_cast<float>(p) > m; ++p) {
            }
        if (r[nOrig] < b)
            for (q = 1; r[nOrig] + 0.001f * static_cast<float>(q) < b; ++q) {
            }
        if (bMStarCMSmoothing && (p > 0 || q > 0)) bMissing = true;
        const int nTotal = p + nOrig + q;
        for (MStarColumn MStarSetData::*c : kPointColumns) resizeColumn(S.*c, nTotal);
        float* R = S.setRadius.p;
        float* Y = S.setSignal.p;
        float* F = S.cmFitSignal.p;
        for (int j = 1; j <= p; ++j) {
            R[j] = r[1] - 0.001f * static_cast<float>(p - j + 1);
            Y[j] = 0.0f;
            F[j] = 0.0f;
        }
        for (int j = 1; j <= nOrig; ++j) {
            R[p + j] = r[j];
            Y[p + j] = s[j];
            F[p + j] = (fit && r[j] >= m && r[j] <= b) ? fit[j] : 0.0f;
        }
        for (int j = 1; j <= q; ++j) {
            R[p + nOrig + j] = r[nOrig] + 0.001f * static_cast<float>(j);
            Y[p + nOrig + j] = 0.0f;
            F[p + nOrig + j] = 1.0f;
        }
        S.nPts = nTotal;
        S.padFront = p;
        for (int j = 1; j <= nTotal; ++j) {
            S.cleanSignal.p[j] = (R[j] > m && R[j] < b) ? Y[j] : 0.0f;
            S.setRadiusX.p[j] = R[j];
        }
        S.firstIdx = (pFitFirstIndex ? pFitFirstIndex[i] : 1) + p;
        S.lastIdx = pFitLastIndex ? pFitLastIndex[i] : nOrig;
    }
    mStarRenewDerivedArrays();

    if (bMissing) {
        MessageBox(nullptr,
                   "ERROR:  Data Range Must Include Meniscus and Bottom for c(M) smoothing of MSTAR\n(manually edit "
                   "the data file and append a few 'data points' beyond the desired bottom radius)",
                   "MISSING DATA", MB_OK);
        mStarHandleInput(pWindow, 6);
        return false;
    }
    return true;
}

void mStarRenewDerivedArrays()
{
    if (!pMStarSets) return;
    for (int i = 1; i <= nMStarSets; ++i) {
        MStarSetData& S = pMStarSets[i];
        for (MStarColumn MStarSetData::*c : kDerivedColumns) resizeColumn(S.*c, S.nPts);
    }
}

// ---------------------------------------------------------------- plot A: signal against radius

bool mStarBuildSignalPlot(TXLAWindow* pWindow)
{
    if (!mStarCheckDataRange(pWindow)) return false;
    const float m = fMeniscus, b = fBottom;
    const float left = fFitLeftLim, right = fFitRightLim;
    const int n = nMStarSets;

    // the ranges of the two extrapolations, and the bands that show them
    freeRanges();
    meniscusFitRange = vector(1, 2);
    bottomFitRange = vector(1, 2);
    meniscusFitRange[1] = left;
    meniscusFitRange[2] = left + 0.2f * (right - left);
    bottomFitRange[1] = right - 0.005f - 0.2f * (right - left);
    bottomFitRange[2] = right - 0.005f;
    pMeniscusFitRangeVec = new CVector;
    pMeniscusFitRangeVec->Attach(meniscusFitRange, 2, 1);
    pBottomFitRangeVec = new CVector;
    pBottomFitRangeVec->Attach(bottomFitRange, 2, 1);

    // no value is entered by hand yet
    bMeniscusSignalFixed = 0;
    for (int i = 1; i <= n; ++i) {
        MStarSetData& S = pMStarSets[i];
        S.kFactor = S.meniscusSignal = S.mwLnFit = S.mwAvg = 0.0f;
        makeCurve(S.pSignalCurve, S.setRadiusX, S.setSignal);
        if (bMStarCMSmoothing) makeCurve(S.pCMFitCurve, S.setRadiusX, S.cmFitSignal);
        S.meniscusIdx = S.pSignalCurve->NearestIndex(m);
        S.bottomIdx = S.pSignalCurve->NearestIndex(b);
        resizeColumn(S.baselineGrid, 100);
        resizeColumn(S.baselineLine, 100);
        fillGrid(S.baselineGrid, m, b);
        for (int k = 1; k <= 100; ++k) S.baselineLine.p[k] = mStarBaseline(i);
        makeCurve(S.pBaselineCurve, S.baselineGrid, S.baselineLine);
        resizeColumn(S.meniscusGrid, 100);
        resizeColumn(S.meniscusCurve, 100);
        fillGrid(S.meniscusGrid, m, meniscusFitRange[2]);
        makeCurve(S.pMeniscusCurve, S.meniscusGrid, S.meniscusCurve);
        mStarExtrapolateMeniscus(i);
        // one point, as the Mwavg mark: Data Range scales plot A to every point of its curves
        resizeColumn(S.meniscusMarkX, 1);
        resizeColumn(S.meniscusMarkY, 1);
        S.meniscusMarkX.p[1] = m;
        S.meniscusMarkY.p[1] = S.meniscusSignal + mStarBaseline(i);
        makeCurve(S.pMeniscusMarkCurve, S.meniscusMarkX, S.meniscusMarkY);
        resizeColumn(S.bottomGrid, 100);
        resizeColumn(S.bottomCurve, 100);
        fillGrid(S.bottomGrid, bottomFitRange[1], b);
        resizeColumn(S.mwAvgMarkX, 1);
        resizeColumn(S.mwAvgMarkY, 1);
        S.mwAvgMarkX.p[1] = b;
    }

    delete pMStarPlotA;
    CWINPlot* p = pMStarPlotA = newPlot(kPlotA);
    for (int i = 1; i <= n; ++i) addCurve(p, pMStarSets[i].pSignalCurve, RGB(0, 0, 0), -1);
    for (int i = 1; i <= n; ++i) addCurve(p, pMStarSets[i].pBaselineCurve, RGB(150, 200, 250), 14);
    if (!bMStarCMSmoothing) {
        for (int i = 1; i <= n; ++i) addCurve(p, pMStarSets[i].pMeniscusCurve, kRed, -1);
        for (int i = 1; i <= n; ++i) addCurve(p, pMStarSets[i].pMeniscusMarkCurve, kRed, 1);
    } else {
        for (int i = 1; i <= n; ++i) addCurve(p, pMStarSets[i].pCMFitCurve, kRed, -1);
    }
    p->AddMark(pMeniscusFitRangeVec);
    p->AddMark(pBottomFitRangeVec);
    p->SetXLabel("radius (cm)");
    p->SetYLabel(bInterferenceData ? "signal (fringes)" : "signal (OD)");
    p->nSymbolSize = 3;
    curveRanges();
    rangePlotA();

    // plot A stands in for the data plot
    pSavedDataPlot = pDataPlot;
    nSavedPlotTop = nPlotTop;
    nSavedPlotBottom = nPlotBottom;
    pDataPlot = p;
    nPlotTop = kPlotA[0];
    nPlotBottom = kPlotA[2];
    return true;
}

void mStarFreeSignalPlot(TXLAWindow* pWindow)
{
    // the other plots draw curves of the sets: they go first
    mStarFreeMwappPlot(pWindow);
    mStarFreeLnCPlot(pWindow);
    mStarFreeMStarPlot(pWindow);
    releasePlotA();
    freeRanges();
    freeSetData();
}

// ---------------------------------------------------------------- plot B: M*(r)

void mStarBuildMStarPlot(TXLAWindow* pWindow)
{
    mStarFreeMStarPlot(pWindow);
    if (!pMStarSets) return;
    const int n = nMStarSets;
    CWINPlot* p = pMStarPlotB = newPlot(kPlotB);
    for (int i = 1; i <= n; ++i) {
        MStarSetData& S = pMStarSets[i];
        std::memset(S.mStarR.p + 1, 0, sizeof(float) * static_cast<size_t>(S.mStarR.n));
        std::memset(S.mStarCM.p + 1, 0, sizeof(float) * static_cast<size_t>(S.mStarCM.n));
        addCurve(p, makeCurve(S.pMStarCurve, S.setRadiusX, S.mStarR), RGB(100, 0, 0), -1);
    }
    for (int i = 1; i <= n; ++i) {
        MStarSetData& S = pMStarSets[i];
        if (bMStarCMSmoothing)
            addCurve(p, makeCurve(S.pMStarCMCurve, S.setRadiusX, S.mStarCM), kRed, -1);
        else
            addCurve(p, makeCurve(S.pBottomCurve, S.bottomGrid, S.bottomCurve), kRed, -1);
    }
    for (int i = 1; i <= n; ++i) {
        MStarSetData& S = pMStarSets[i];
        addCurve(p, makeCurve(S.pMwAvgMarkCurve, S.mwAvgMarkX, S.mwAvgMarkY), kRed, 1);
    }
    // one symbol size for every mark
    p->nSymbolSize = 3;
    if (pBottomFitRangeVec) p->AddMark(pBottomFitRangeVec);
    p->SetXLabel("radius (cm)");
    p->SetYLabel("M* (kDa)");
    curveRanges();
    rangePlotB();
}

void mStarFreeMStarPlot(TXLAWindow*)
{
    freePlot(pMStarPlotB, {&MStarSetData::pMStarCurve, &MStarSetData::pMStarCMCurve, &MStarSetData::pBottomCurve,
                           &MStarSetData::pMwAvgMarkCurve});
}

// ---------------------------------------------------------------- plot C: ln c against r^2

void mStarBuildLnCPlot(TXLAWindow* pWindow)
{
    mStarFreeLnCPlot(pWindow);
    if (!pMStarSets) return;
    const int n = nMStarSets;
    CWINPlot* p = pMStarPlotC = newPlot(kPlotC);
    for (int i = 1; i <= n; ++i) {
        MStarSetData& S = pMStarSets[i];
        for (MStarColumn* c : {&S.rSquared, &S.radiusLin, &S.lnC, &S.cNet, &S.lnCSmooth, &S.cNetSmooth,
                               &S.lnCLineFit, &S.lnCCM})
            std::memset(c->p + 1, 0, sizeof(float) * static_cast<size_t>(c->n));
        addCurve(p, makeCurve(S.pLnCCurve, S.rSquared, S.lnC),
                 bMStarCMSmoothing ? RGB(0, 0, 0) : RGB(175, 175, 255), -1);
    }
    for (int i = 1; i <= n; ++i) {
        MStarSetData& S = pMStarSets[i];
        if (!bMStarCMSmoothing) {
            addCurve(p, makeCurve(S.pLnCSmoothCurve, S.rSquared, S.lnCSmooth), RGB(0, 200, 0), -1);
            addCurve(p, makeCurve(S.pLnCLineCurve, S.rSquared, S.lnCLineFit), RGB(100, 100, 200), 14);
        } else {
            addCurve(p, makeCurve(S.pLnCCMCurve, S.rSquared, S.lnCCM), RGB(255, 50, 50), -1);
        }
    }
    p->SetXLabel("r^2(cm^2)");
    p->SetYLabel("ln(signal-baseline)");
    curveRanges();
    rangePlotC();
}

void mStarFreeLnCPlot(TXLAWindow*)
{
    freePlot(pMStarPlotC, {&MStarSetData::pLnCCurve, &MStarSetData::pLnCSmoothCurve, &MStarSetData::pLnCLineCurve,
                           &MStarSetData::pLnCCMCurve});
}

// ---------------------------------------------------------------- plot D: Mwapp

void mStarBuildMwappPlot(TXLAWindow* pWindow)
{
    mStarFreeMwappPlot(pWindow);
    if (!pMStarSets) return;
    const int n = nMStarSets;
    CWINPlot* p = pMStarPlotD = newPlot(kPlotD);
    for (int i = 1; i <= n; ++i) {
        MStarSetData& S = pMStarSets[i];
        for (MStarColumn* c : {&S.mwAppR, &S.mwAppDcDr, &S.mwAppCM})
            std::memset(c->p + 1, 0, sizeof(float) * static_cast<size_t>(c->n));
        MStarColumn& x = bMwappVsSignal ? S.setSignal : S.setRadiusX;
        addCurve(p, makeCurve(S.pMwappCurve, x, bMwappFromDcDr ? S.mwAppDcDr : S.mwAppR), RGB(0, 100, 0), -1);
    }
    if (bMStarCMSmoothing)
        for (int i = 1; i <= n; ++i) {
            MStarSetData& S = pMStarSets[i];
            MStarColumn& x = bMwappVsSignal ? S.setSignal : S.setRadiusX;
            addCurve(p, makeCurve(S.pMwappCMCurve, x, S.mwAppCM), RGB(255, 50, 50), -1);
        }
    p->SetXLabel(bMwappVsSignal ? "total signal" : "radius (cm)");
    if (bMwappVsSignal)
        p->SetYLabel(bMwappFromDcDr ? "Mwapp(c) [=(1/k)*{(1/2)(1/(c*r))*(dc/dr)}] (kDa)"
                                    : "Mwapp(c) [=(1/k)*dlnc/dr^2] (kDa)");
    else
        p->SetYLabel(bMwappFromDcDr ? "Mwapp(r) [=(1/k)*{(1/2)(1/(c*r))*(dc/dr)}] (kDa)"
                                    : "Mwapp(r) [=(1/k)*dlnc/dr^2] (kDa)");
    curveRanges();
    rangePlotD();
}

void mStarFreeMwappPlot(TXLAWindow*)
{
    freePlot(pMStarPlotD, {&MStarSetData::pMwappCurve, &MStarSetData::pMwappCMCurve});
}

// ---------------------------------------------------------------- entering and leaving

void mStarSetScreen(TXLAWindow* pWindow)
{
    if (nScans < 1) {
        MessageBox(ownerOf(pWindow), "equilibrium data set must be loaded for MSTAR", "ERROR", MB_OK);
        return;
    }
    if (!(fMeniscus > 0.0f && fBottom > fMeniscus)) {
        MessageBox(ownerOf(pWindow), "meniscus and bottom must be set for MSTAR", "ERROR", MB_OK);
        return;
    }
    if (!bMStarCMSmoothing && bMStarAskCMSmoothing && plainCMModelSelected()) {
        bMStarCMSmoothing =
            MessageBox(ownerOf(pWindow), "use c(M) smoothing?", "M* transformation", MB_YESNO) == IDYES ? 1 : 0;
        if (bMStarCMSmoothing && !mStarCMModelAvailable()) {
            bMStarCMSmoothing = 0;
            refuseCMSmoothing(pWindow);
        }
    }
    bMStarAskCMSmoothing = 1;
    bMStarMode = 1;
    bMStarAllSets = 1;

    // a screen already up is replaced
    mStarFreeSignalPlot(pWindow);
    if (!mStarBuildSignalPlot(pWindow)) return;
    mStarBuildMStarPlot(pWindow);
    mStarDrawScreen(pWindow);
    mStarBuildLnCPlot(pWindow);
    mStarBuildMwappPlot(pWindow);
    mStarCompute(pWindow);
    if (pWindow) pWindow->InvalidateUnlessBatch();
    if (bMStarCMSmoothing) mStarShowCMStatistics(pWindow);
}

void mStarFreeScreenPlots(TXLAWindow* pWindow)
{
    mStarFreeMwappPlot(pWindow);
    mStarFreeLnCPlot(pWindow);
    mStarFreeMStarPlot(pWindow);
    mStarFreeSignalPlot(pWindow);
    mStarDeleteButtons();
    bMStarMode = 0;
    bMStarAllSets = 0;
    bMStarArraysRenewed = 0;
    if (pWindow) pWindow->InvalidateUnlessBatch();
}
