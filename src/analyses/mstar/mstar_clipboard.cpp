// Copy Ln(c) Data (918), Copy M* Data (919) and Copy Mavg Data (920): the
// tables behind the M* plots as tab-separated text, one table at a time, each
// followed by a box that waits while the user pastes it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "analyses/mstar/mstar_internal.h"
#include "app/clipboard_text.h"
#include "app/xla_window.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"

using namespace win;
using namespace mstar;

namespace {

// The set whose tables are copied, 0 for none: asked when there are several;
// a number outside the sets copies nothing.
int chooseSet(const char* szTitle)
{
    if (nScans < 1 || !(bMStarMode || bMStarAllSets) || !pMStarSets || nMStarSets < 1) return 0;
    const int n = nMStarSets;
    int nSet = 1;
    if (n > 1) {
        float f = 1.0f;
        inputFloat(&f, 1.0f, true, "which data set?", szTitle);
        const double d = std::floor(static_cast<double>(f));
        nSet = (d >= 1.0 && d <= n) ? static_cast<int>(d) : 0;
    }
    return nSet;
}

// Rows first..last of (x, y) on the clipboard, then the box; a range that
// holds no point puts nothing and says nothing.
void copyTable(TXLAWindow* pWindow, const float* x, int nX, const float* y, int nY, int first, int last,
               const char* szText, const char* szTitle)
{
    first = std::max(first, 1);
    last = std::min({last, nX, nY});
    if (!x || !y || first > last) return;
    float* columns[1] = {const_cast<float*>(y)};
    putTextOnClipboard(pWindow, x, columns, first, last, 1);
    MessageBox(pWindow->HWindow, szText, szTitle, MB_OK);
}

void copyColumns(TXLAWindow* pWindow, const MStarColumn& x, const MStarColumn& y, int first, int last,
                 const char* szText, const char* szTitle)
{
    copyTable(pWindow, x.p, x.n, y.p, y.n, first, last, szText, szTitle);
}

}  // namespace

void TXLAWindow::CmCopyLnCData()
{
    const char* szTitle = "COPY LNC DATA";
    const int i = chooseSet(szTitle);
    if (i < 1) return;
    const MStarSetData& S = pMStarSets[i];
    if (!S.rSquared.p || !S.lnC.p || (bMStarCMSmoothing && !S.lnCCM.p)) return;
    const int f = S.firstIdx, l = S.lastIdx, h = nLnCSmoothHalfWidth;
    copyColumns(this, S.rSquared, S.lnC, f, l - 1, "r^2 vs ln(c) is in clipboard - paste before continuing", szTitle);
    if (!bMStarCMSmoothing) {
        copyColumns(this, S.rSquared, S.lnCSmooth, f + h, l - h - 1,
                    "r^2 vs smoothed ln(c) is in clipboard - paste before continuing", szTitle);
        copyColumns(this, S.rSquared, S.lnCLineFit, f, l - 1,
                    "r^2 vs linear fit of ln(c) is in clipboard - paste before continuing", szTitle);
    } else {
        copyColumns(this, S.rSquared, S.lnCCM, S.meniscusIdx, S.bottomIdx - 1,
                    "r^2 vs fit of ln(c) [c(M)-based] is in clipboard - paste before continuing", szTitle);
    }
}

void TXLAWindow::CmCopyMStarData()
{
    const char* szTitle = "COPY M* DATA";
    const int i = chooseSet(szTitle);
    if (i < 1) return;
    const MStarSetData& S = pMStarSets[i];
    if (!S.setRadius.p || !S.mStarR.p || (bMStarCMSmoothing && !S.mStarCM.p)) return;
    copyColumns(this, S.setRadius, S.mStarR, S.firstIdx, S.lastIdx - 1,
                "r vs M*(r) is in clipboard - paste before continuing", szTitle);
    if (!bMStarCMSmoothing)
        copyColumns(this, S.bottomGrid, S.bottomCurve, 1, 100,
                    "extrapolation of r vs M*(r) is in clipboard - paste before continuing", szTitle);
    else
        copyColumns(this, S.setRadius, S.mStarCM, S.meniscusIdx + 1, S.bottomIdx - 1,
                    "r vs fit of M*(r) [c(M)-based] is in clipboard - paste before continuing", szTitle);
}

void TXLAWindow::CmCopyMavgData()
{
    const char* szTitle = "COPY MW DATA";
    const int i = chooseSet(szTitle);
    if (i < 1) return;
    const MStarSetData& S = pMStarSets[i];
    const MStarColumn& y = bMwappFromDcDr ? S.mwAppDcDr : S.mwAppR;
    if (!y.p || !S.setRadius.p || !S.setSignal.p || (bMStarCMSmoothing && !S.mwAppCM.p)) return;
    const int h = mwappHalfWidth();
    // against the signal: a copy, with the baseline taken off when asked
    std::vector<float> signal;
    const float* x = S.setRadius.p;
    if (bMwappVsSignal) {
        signal.assign(S.setSignal.p, S.setSignal.p + S.nPts + 1);
        if (MessageBox(HWindow, "for c vs Mapp(c), subtract baseline?", szTitle, MB_YESNO) == IDYES) {
            const float B = mStarBaseline(i);
            for (int j = 1; j <= S.nPts; ++j) signal[static_cast<size_t>(j)] -= B;
        }
        x = signal.data();
    }
    copyTable(this, x, S.nPts, y.p, y.n, S.firstIdx + h, S.lastIdx - h - 1,
              bMwappVsSignal ? "c vs Mapp(c) is in clipboard - paste before continuing"
                             : "r vs Mapp(r) is in clipboard - paste before continuing",
              szTitle);
    if (bMStarCMSmoothing)
        copyTable(this, x, S.nPts, S.mwAppCM.p, S.mwAppCM.n, S.meniscusIdx + 1, S.bottomIdx - 1,
                  bMwappVsSignal ? "c vs fit of Mapp(c) [c(M)-based] is in clipboard - paste before continuing"
                                 : "r vs fit of Mapp(r) [c(M)-based] is in clipboard - paste before continuing",
                  szTitle);
}
