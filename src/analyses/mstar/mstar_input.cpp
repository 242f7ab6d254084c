// Input of the M* screens: the screen buttons and the right-button drags that
// set the two extrapolation ranges on plot A.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analyses/mstar/mstar_internal.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"

using namespace win;
using namespace mstar;

namespace {

const char kTitle[] = "M* transformation";
const char kSmoothTitle[] = "lnc-r2 transformation";

void switchOn(int k)
{
    if (CScreenButton* b = mStarButton(k); b && !b->bOn) b->Toggle();
}

void switchOff(int k)
{
    if (CScreenButton* b = mStarButton(k); b && b->bOn) b->Toggle();
}

void toggle(int k)
{
    if (CScreenButton* b = mStarButton(k)) b->Toggle();
}

void paint(TXLAWindow* pWindow, int k)
{
    if (CScreenButton* b = mStarButton(k); b && pWindow) b->Paint(pWindow);
}

// floor of a typed number as an int setting (far ends kept finite)
int floorToInt(float f)
{
    const double d = std::floor(static_cast<double>(f));
    if (!(d > -1e6)) return -1000000;
    if (d > 1e6) return 1000000;
    return static_cast<int>(d);
}

// An integer setting asked with its value as default; Cancel keeps it.
void askInteger(int* pValue, const char* szPrompt, const char* szTitle)
{
    float f = static_cast<float>(*pValue);
    if (inputFloat(&f, static_cast<float>(*pValue), true, szPrompt, szTitle)) *pValue = floorToInt(f);
}

// A smoothing width shown in tenths of a percent: the answer p is stored as
// floor(10 p) points (p as typed: 0.7 is 7 points, not the 6 its float
// rounding would give). A negative answer is refused and the width stays.
void askHalfWidth(TXLAWindow* pWindow, int* pValue)
{
    const float fShown = static_cast<float>(*pValue) / 10.0f;
    float f = fShown;
    if (!inputFloat(&f, fShown, true, "SG smooth %distance:", kSmoothTitle)) return;
    if (f < 0.0f) {
        char sz[200];
        std::snprintf(sz, sizeof sz, "a smoothing distance cannot be negative - it stays %.1f %%", fShown);
        MessageBox(ownerOf(pWindow), sz, kSmoothTitle, MB_OK);
        return;
    }
    *pValue = floorToInt(static_cast<float>(10.0 * static_cast<double>(f) + 1e-4));
}

void askSmoothOrder(TXLAWindow* pWindow)
{
    int nOrder = nLnCSmoothOrder;
    askInteger(&nOrder, "SG smooth order (box=1):", kSmoothTitle);
    if (nOrder < 0) {
        char sz[200];
        std::snprintf(sz, sizeof sz, "a smoothing order cannot be negative - it stays %d", nLnCSmoothOrder);
        MessageBox(ownerOf(pWindow), sz, kSmoothTitle, MB_OK);
        return;
    }
    nLnCSmoothOrder = nOrder;
}

void crossCursor() { SetCursor(LoadCursor(nullptr, IDC_CROSS)); }

// Every set's meniscus button shows its value again and goes off; button 1
// goes off.
void relabelMeniscusButtons(TXLAWindow* pWindow)
{
    const int n = nMStarSets, base = nMStarButtonBase;
    char sz[200];
    for (int i = 1; i <= n; ++i) {
        const int k = base + 3 * n + i;
        meniscusCaption(sz, sizeof sz, i);
        setCaption(k, sz);
        switchOff(k);
        paint(pWindow, k);
    }
    switchOff(1);
    paint(pWindow, 1);
}

// Plot D anew, drawn at once.
void rebuildMwappPlot(TXLAWindow* pWindow)
{
    mStarFreeMwappPlot(pWindow);
    mStarBuildMwappPlot(pWindow);
    if (pMStarPlotD) pMStarPlotD->Draw();
}

void invalidateAll(TXLAWindow* pWindow)
{
    if (pWindow && pWindow->HWindow) pWindow->Invalidate(true);
}

}  // namespace

void mStarHandleInput(TXLAWindow* pWindow, int nButton)
{
    const int n = nMStarSets, base = nMStarButtonBase;
    char sz[200];
    const int k = nButton;
    if (k == 1) {
        switchOn(1);
        paint(pWindow, 1);
        askInteger(&nMeniscusExtrapOrder, "polynomial order (1 or 2):", kTitle);
        if (MessageBox(ownerOf(pWindow), "change extrapolation basis?", kTitle, MB_YESNO) == IDYES) {
            bMStarDragA = 1;
            for (int i = 1; i <= n; ++i) {
                setCaption(base + 3 * n + i, "drag right mouse");
                paint(pWindow, base + 3 * n + i);
            }
            crossCursor();
        } else {
            bMeniscusSignalFixed = 0;
            waitSeconds(0.1f);
            mStarCompute(pWindow);
            relabelMeniscusButtons(pWindow);
        }
    } else if (k == 2) {
        switchOn(2);
        paint(pWindow, 2);
        askHalfWidth(pWindow, &nLnCSmoothHalfWidth);
        askSmoothOrder(pWindow);
        std::snprintf(sz, sizeof sz, "SG smooth = %.1f %%(%d)", nLnCSmoothHalfWidth / 10.0f, nLnCSmoothOrder);
        setCaption(2, sz);
        switchOff(2);
        paint(pWindow, 2);
    } else if (k == 3) {
        switchOn(3);
        paint(pWindow, 3);
        askHalfWidth(pWindow, &nMwappSmoothHalfWidth);
        std::snprintf(sz, sizeof sz, "SG smooth = %.1f %%(box)", nMwappSmoothHalfWidth / 10.0f);
        setCaption(3, sz);
        switchOff(3);
        paint(pWindow, 3);
    } else if (k == 4) {
        switchOn(4);
        paint(pWindow, 4);
        askInteger(&nBottomExtrapOrder, "polynomial order (1 or 2):", kTitle);
        if (MessageBox(ownerOf(pWindow), "change extrapolation basis (in A(r) plot)?", kTitle, MB_YESNO) == IDYES) {
            bMStarDragB = 1;
            setCaption(4, "drag right mouse in A(r)");
            paint(pWindow, 4);
            crossCursor();
        } else {
            // as button 1: nothing waits for a drag
            switchOff(4);
            paint(pWindow, 4);
        }
    } else if (k == 5 && n >= 2) {
        toggle(5);
        bFitRINoise = bFitRINoise ? 0 : 1;
        if (!bMStarCMSmoothing) {
            mStarCompute(pWindow);
        } else {
            bMStarAskMwRange = 0;
            mStarSettings(pWindow);
            bMStarAskMwRange = 1;
        }
    } else if (k == 6) {
        if (!bMStarCMSmoothing) {
            switchOn(6);
            mStarSettings(pWindow);
        } else {
            switchOff(6);
            mStarFreeSignalPlot(pWindow);
            bMStarArraysRenewed = 0;
            bMStarCMSmoothing = 0;
            bMStarAskCMSmoothing = 0;
            mStarSetScreen(pWindow);
        }
    } else if (k == 7) {
        switchOn(7);
        invalidateAll(pWindow);
        mStarHingePointInfo(pWindow);
        switchOff(7);
        invalidateAll(pWindow);
    } else if (k == 8) {
        toggle(8);
        invalidateAll(pWindow);
        bMwappFromDcDr = bMwappFromDcDr ? 0 : 1;
        rebuildMwappPlot(pWindow);
    } else if (n >= 1 && k > base + 2 * n && k <= base + 3 * n) {
        const int i = k - base - 2 * n;
        switchOn(k);
        paint(pWindow, k);
        if (!bFitRINoise || !pRINoiseSaved) {
            float f = fBaseline;
            if (inputFloat(&f, fBaseline, true, "new baseline signal:", kTitle)) fBaseline = f;
            std::snprintf(sz, sizeof sz, "Baseline = %.4f", fBaseline);
        } else {
            char szPrompt[100];
            std::snprintf(szPrompt, sizeof szPrompt, "new baseline %d signal:", i);
            float f = pRINoiseSaved[i];
            if (inputFloat(&f, pRINoiseSaved[i], true, szPrompt, kTitle)) pRINoiseSaved[i] = f;
            std::snprintf(sz, sizeof sz, "Baseline(%d) = %.4f", i, pRINoiseSaved[i]);
        }
        if (CScreenButton* b = mStarButton(k)) {
            b->SetText(sz, static_cast<int>(std::strlen(sz)), "set", 3);
            b->Render();
        }
        switchOff(k);
        paint(pWindow, k);
    } else if (n >= 1 && k > base + 3 * n && k <= base + 4 * n) {
        const int i = k - base - 3 * n;
        MStarSetData& S = pMStarSets[i];
        char szPrompt[100];
        std::snprintf(szPrompt, sizeof szPrompt, bInterferenceData ? "new Ja(%d):" : "new A0(%d):", i);
        float f = S.meniscusSignal;
        if (inputFloat(&f, S.meniscusSignal, true, szPrompt, kTitle)) S.meniscusSignal = f;
        meniscusCaption(sz, sizeof sz, i);
        std::strncat(sz, " (fix)", sizeof sz - std::strlen(sz) - 1);
        setCaption(k, sz);
        switchOn(k);
        paint(pWindow, k);
        bMeniscusSignalFixed = 1;
        if (S.meniscusMarkY.p) S.meniscusMarkY.p[1] = S.meniscusSignal + mStarBaseline(i);
    } else if (n >= 1 && k == 4 * n + base + 1) {
        bMwappVsSignal = bMwappVsSignal ? 0 : 1;
        toggle(k);
        rebuildMwappPlot(pWindow);
    }

    // whatever the button: the whole computation again
    mStarCompute(pWindow);
    if (pWindow) pWindow->InvalidateUnlessBatch();
    if (bMStarCMSmoothing) mStarShowCMStatistics(pWindow);
}

void mStarDragExtrapolation(TXLAWindow* pWindow, int nMode, float xFrom, float xTo)
{
    const CWINPlot* A = pMStarPlotA;
    if (!A) return;
    auto radius = [A](float fPixel) {
        const double px = std::trunc(static_cast<double>(fPixel));
        const double x =
            nClientWidth > 0 ? std::trunc(px * static_cast<double>(fPlotXScale) * 1000.0 / nClientWidth) : 0.0;
        const double v = A->fXScale != 0.0f ? (x - A->fXOffset) / A->fXScale : 0.0;
        return static_cast<float>(A->bLogX ? std::pow(10.0, v) : v);
    };
    float r1 = radius(xFrom), r2 = radius(xTo);
    if (r2 < r1) std::swap(r1, r2);
    if (nMode == 1 && bMStarDragA && meniscusFitRange) {
        bMStarDragA = 0;
        meniscusFitRange[1] = r1;
        meniscusFitRange[2] = r2;
        bMeniscusSignalFixed = 0;
        mStarCompute(pWindow);
        relabelMeniscusButtons(pWindow);
    } else if (nMode == 4 && bMStarDragB && bottomFitRange) {
        setCaption(4, "extrap.");
        switchOff(4);
        paint(pWindow, 4);
        bMStarDragB = 0;
        bottomFitRange[1] = r1;
        bottomFitRange[2] = r2;
        mStarCompute(pWindow);
    }
}
