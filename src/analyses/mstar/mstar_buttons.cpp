// The screen buttons of the M* screens and the release on a model-selection
// reset.
//
// Positions are in the coordinates of the plot frames (y in thousandths of
// the client height, x in thousandths of the width times 1.4). Faces and
// captions are pictures in those coordinates and scale with the window, so
// the row height and the caption widths are given in them too: a row is 0.018
// of the height and a caption is charged what the button font takes per
// character (a little more on the baseline buttons).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "analyses/mstar/mstar_internal.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"

using namespace win;
using namespace mstar;

namespace {

// Width per caption character of the button font, plot units.
constexpr float kChar = 7.0f;
constexpr float kCharBaseline = 8.4f;
// The right edge of the picture.
constexpr float kPictureRight = 1397.0f;

struct Face {
    COLORREF off, on;
};

// A push button: a hit leaves its state, the input handler switches it.
void makeButton(int k, float top, float left, float bottom, float right, const char* szOff, const char* szOn,
                Face face, bool bOn)
{
    CScreenButton* b = new CScreenButton;
    b->nButtonType = 1;
    b->SetRect(top, left, bottom, right);
    b->SetText(szOff, static_cast<int>(std::strlen(szOff)), szOn, static_cast<int>(std::strlen(szOn)));
    b->SetBaselineTextRaised();
    b->crFace = face.off;
    b->crOn = face.on;
    if (bOn) b->Toggle();
    b->Render();
    pMStarButtons[k] = b;
}

// Buttons of one row stand side by side: a caption wider than the room left
// for it moves the next button of the row to the right.
void keepApart(int kBefore, int kAfter)
{
    CScreenButton* a = mStarButton(kBefore);
    CScreenButton* b = mStarButton(kAfter);
    if (!a || !b) return;
    const int dx = a->nRight + 4 - b->nLeft;
    if (dx <= 0) return;
    b->nLeft += dx;
    b->nRight += dx;
    b->Render();
}

}  // namespace

CScreenButton* mStarButton(int k)
{
    if (!pMStarButtons || k < 1 || k > nMStarButtons) return nullptr;
    return pMStarButtons[k];
}

void mStarDeleteButtons()
{
    if (pMStarButtons) {
        for (int k = 1; k <= nMStarButtons; ++k) {
            delete pMStarButtons[k];
            pMStarButtons[k] = nullptr;
        }
        delete[] pMStarButtons;
        pMStarButtons = nullptr;
    }
    nMStarButtons = 0;
}

void mStarDrawScreen(TXLAWindow*)
{
    mStarDeleteButtons();
    const int n = nMStarSets;
    const int base = nMStarButtonBase;
    nMStarButtons = 4 * n + base + 1;
    pMStarButtons = new CScreenButton*[static_cast<size_t>(nMStarButtons) + 1]();

    const float h = 18.0f;
    auto width = [](const char* sz, float fPerChar) { return fPerChar * static_cast<float>(std::strlen(sz)); };
    const Face kPlain{RGB(240, 240, 240), RGB(255, 200, 200)};
    const Face kSmooth{RGB(230, 230, 255), RGB(255, 200, 200)};
    const Face kMwapp{RGB(210, 210, 255), RGB(220, 220, 255)};
    const Face kLabel{RGB(255, 255, 255), RGB(255, 255, 255)};
    char sz[200];

    if (!bMStarCMSmoothing)
        makeButton(1, 50 + 0.5f * h, 205, 50 + 1.5f * h, 205 + width("extrap.", kChar) + 30, "extrap.", "extrap.", kPlain,
                   false);
    std::snprintf(sz, sizeof sz, "SG smooth = %.1f %%(%d)", nLnCSmoothHalfWidth / 10.0f, nLnCSmoothOrder);
    makeButton(2, 50 + 0.5f * h, 785, 50 + 1.5f * h, 785 + width(sz, kChar) + 60, sz, sz, kSmooth, false);
    std::snprintf(sz, sizeof sz, "SG smooth = %.1f %%(box)", nMwappSmoothHalfWidth / 10.0f);
    makeButton(3, 525 + 0.5f * h, 785, 525 + 1.5f * h, 785 + width(sz, kChar) + 60, sz, sz, kSmooth, false);
    if (!bMStarCMSmoothing) {
        const float w = width("extrap.", kChar);
        makeButton(4, 525 + 0.5f * h, 570 - w, 525 + 1.5f * h, 600, "extrap.", "extrap.", kPlain, false);
    }
    if (n >= 2)
        makeButton(5, 49 - h, 622, 48, 622 + width("RI off", kChar) + 50, "RI off", "RI on ",
                   Face{RGB(240, 240, 240), RGB(255, 250, 200)}, bFitRINoise != 0);
    makeButton(6, 49 - 2 * h, 622, 48 - h, 622 + width("c(M) off", kChar) + 100, "c(M) off", "c(M) on ", kPlain,
               bMStarCMSmoothing != 0);
    makeButton(7, 49 - 2 * h, 747, 48 - h, 747 + width(" hinge point info ", kChar) + 50, " hinge point info ",
               " hinge point info ", kPlain, false);
    {
        const char* szOff = " toggle to dlnc/dr2";
        const char* szOn = " toggle to (1/2)(1/(c*r))(dc/dr)";
        // the state the screen is in when it is entered again
        makeButton(8, 525 + 1.75f * h, 665, 525 + 2.75f * h, 665 + width(szOn, kChar) + 60, szOff, szOn, kMwapp,
                   bMwappFromDcDr != 0);
    }

    for (int i = 1; i <= n; ++i) {
        const MStarSetData& S = pMStarSets[i];
        const float fi = static_cast<float>(i);
        std::snprintf(sz, sizeof sz, "Mwavg(%d) = %.1f (kDa)", i, S.mwAvg);
        makeButton(base + i, 525 + (fi + 1) * h, 540 - width(sz, kChar), 525 + (fi + 2) * h, 600, sz, sz, kLabel,
                   false);
        if (!bMStarCMSmoothing) {
            std::snprintf(sz, sizeof sz, "linear fit to lnc(r^2)(%d) --> %.1f (kDa)", i, S.mwLnFit);
            // kept inside the picture
            const float fRight = std::min(1225 + width(sz, kChar) + 60, kPictureRight);
            makeButton(base + n + i, 450 - (11 - fi) * h, fRight - width(sz, kChar) - 60, 450 - (10 - fi) * h, fRight,
                       sz, sz, kLabel, false);
        }
        if (bFitRINoise)
            std::snprintf(sz, sizeof sz, "Baseline(%d) = %.4f", i, mStarBaseline(i));
        else
            std::snprintf(sz, sizeof sz, "Baseline = %.4f", fBaseline);
        makeButton(base + 2 * n + i, 49 - (3 - fi) * h, 560 - width(sz, kCharBaseline), 50 - (2 - fi) * h, 620, sz, "set",
                   Face{RGB(150, 199, 255), RGB(255, 150, 150)}, false);
        meniscusCaption(sz, sizeof sz, i);
        makeButton(base + 3 * n + i, 50 + (fi - 0.5f) * h, 110, 50 + (fi + 0.5f) * h, 110 + width(sz, kChar) + 60, sz,
                   sz, Face{RGB(255, 240, 240), RGB(255, 200, 200)}, false);
    }
    {
        const char* szOff = "go to Mwapp(r)";
        const char* szOn = "go to Mwapp(c)";
        makeButton(4 * n + base + 1, 525 + 0.5f * h, 665, 525 + 1.5f * h, 665 + width(szOn, kChar) + 60, szOff, szOn,
                   kMwapp, !bMwappVsSignal);
    }
    // the rows, left to right: meniscus signal of set 1, 1, 2; 6, 7; 13, 3
    const int kFirstMeniscus = base + 3 * n + 1;
    keepApart(kFirstMeniscus, 1);
    keepApart(mStarButton(1) ? 1 : kFirstMeniscus, 2);
    keepApart(6, 7);
    keepApart(4 * n + base + 1, 3);
}

void mStarFreePlots(TXLAWindow* pWindow)
{
    delete pMStarPlotD;
    delete pMStarPlotC;
    delete pMStarPlotB;
    pMStarPlotD = pMStarPlotC = pMStarPlotB = nullptr;
    releasePlotA();
    freeRanges();
    mStarDeleteButtons();
    // both flags go, or Load New Files would refuse for the rest of the run
    bMStarMode = 0;
    bMStarAllSets = 0;
    bMStarArraysRenewed = 0;
    if (pWindow) pWindow->InvalidateUnlessBatch();
}
