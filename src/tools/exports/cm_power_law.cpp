// The power law s = ks M^kb of the c(M) scaling-law models from calibration
// pairs, and the minimum s of logarithmic s grids.
//
// The calibration fits log10 s against log10 M by a straight line (with one
// pair the exponent is asked and the line goes through the pair), shows the
// fit in a picture window until a key is pressed and stores ks and kb only
// when the user accepts them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/straight_line.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/matrix_file.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"
#include "tools/exports/hydrodynamic_exports.h"

using namespace win;

namespace {

constexpr const char* szCalibrationTitle = "CALIBRATE C(M) POWER LAW";

// The side-result plot of the points (x, y) and the line y = a + kb x over
// the abscissae lx (n and nLine points), titled with ks and kb.
void plotCalibration(const float* px, const float* py, int n, const float* lx, int nLine, float a, float kb,
                     float ks)
{
    releaseResultArrays();
    nAuxArrayLength = std::max(n, nLine);
    pAuxArray1 = vector(1, nAuxArrayLength);
    pAuxArray2 = vector(1, nAuxArrayLength);
    pAuxArray3 = vector(1, nAuxArrayLength);
    pAuxArray4 = vector(1, nAuxArrayLength);
    for (int k = 1; k <= n; k++) pAuxArray1[k] = px[k], pAuxArray2[k] = py[k];
    for (int k = 1; k <= nLine; k++) pAuxArray3[k] = lx[k], pAuxArray4[k] = a + kb * lx[k];
    pAuxVector1 = new CVector;
    pAuxVector1->Attach(pAuxArray1, n, 1);
    pAuxVector2 = new CVector;
    pAuxVector2->Attach(pAuxArray2, n, 1);
    pAuxVector3 = new CVector;
    pAuxVector3->Attach(pAuxArray3, nLine, 1);
    pAuxVector4 = new CVector;
    pAuxVector4->Attach(pAuxArray4, nLine, 1);
    pAuxCurve1 = new CCurve(pAuxVector1, pAuxVector2);
    pAuxCurve2 = new CCurve(pAuxVector3, pAuxVector4);
    pAuxPlot = new CWINPlot;
    pAuxPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    pAuxPlot->AddCurve(pAuxCurve1);
    pAuxPlot->SetCurveStyle(0, 6);
    pAuxPlot->AddCurve(pAuxCurve2);
    pAuxPlot->SetCurveStyle(1, -1);
    pAuxPlot->nSymbolSize = 10;
    nErrorBarCapWidth = 15;
    pAuxPlot->SetXLabel("log10(M)");
    pAuxPlot->SetYLabel("log10(s)");
    const float fXLow = std::min(lx[1], lx[nLine]), fXHigh = std::max(lx[1], lx[nLine]);
    const float fYLow = std::min(pAuxArray4[1], pAuxArray4[nLine]);
    const float fYHigh = std::max(pAuxArray4[1], pAuxArray4[nLine]);
    const float fMargin = 0.05f * (fYHigh - fYLow);
    pAuxPlot->SetAxisRanges(fXLow, fXHigh, fYLow - fMargin, fYHigh + fMargin);
    char sz[100];
    std::snprintf(sz, sizeof sz, "ks = %.3e, kb = %.3e  (press a key to continue...)", ks, kb);
    pAuxPlot->SetTitle(sz);
    pAuxPlot->SetTitleOffset(-10);
    pAuxPlot->Draw();
}

}  // namespace

bool calibrateCMPowerLaw(TXLAWindow* w)
{
    const ScanPathParts parts = splitScanPath(szScanExtra);
    char szPath[260];
    std::snprintf(szPath, sizeof szPath, "%s", (parts.drive + parts.dir + "calibration.dat").c_str());
    if (MessageBox(w->HWindow,
                   "select enter ASCII file with calibration data\nformat: each row with two columns containing (s M) "
                   "pairs, tab or space-delimited\n(if there's only one calibration point, scaling exponent will be "
                   "requested as user input)",
                   szCalibrationTitle, MB_YESNO) != IDYES)
        return false;
    if (!AskFileName(w, 0, szPath, sizeof szPath, "please locate the calibration file", "dat",
                     "calibration text files (*.dat)|*.dat|"))
        return false;
    int n = 0;
    float** table = readMatrixFile(szPath, 2, &n);
    if (!table || n < 1) return false;
    // s and M have a logarithm only when positive
    bool bPositive = true;
    for (int k = 1; k <= n; k++) bPositive = bPositive && table[1][k] > 0.0f && table[2][k] > 0.0f;
    if (!bPositive) {
        free_matrix(table, 1, 2, 1, n);
        MessageBox(w->HWindow, "calibration values must be positive", szCalibrationTitle, MB_OK);
        return false;
    }
    const int nPoints = std::max(n, 2);
    float* x = vector(1, nPoints);
    float* y = vector(1, nPoints);
    float* lx = vector(1, nPoints);
    for (int k = 1; k <= n; k++) {
        y[k] = std::log10(table[1][k]);
        x[k] = std::log10(table[2][k]);
    }
    free_matrix(table, 1, 2, 1, n);
    struct Release {
        float *a, *b, *c;
        int n;
        ~Release()
        {
            free_vector(a, 1, n);
            free_vector(b, 1, n);
            free_vector(c, 1, n);
        }
    } release{x, y, lx, nPoints};

    float a = 0.0f, kb = 0.0f;
    int nLine = n;
    bool bLine = true;
    if (n == 1) {
        if (!inputFloatInWindow(w, &kb, 0.66f, true, "scaling exponent:", "c(M) with scaling law")) return false;
        a = y[1] - kb * x[1];
        x[2] = x[1], y[2] = y[1];  // the one point shown twice
        lx[1] = 0.7f * x[1];
        lx[2] = 1.3f * x[1];
        nLine = 2;
    } else {
        bLine = fitStraightLine(&a, &kb, x, y, n) >= 0.0f;
        for (int k = 1; k <= n; k++) lx[k] = x[k];
        const float fSpan = x[n] - x[1];
        lx[1] = x[1] - 0.1f * fSpan;
        lx[n] = x[n] + 0.1f * fSpan;
    }
    const float ks = std::pow(10.0f, a);
    if (!bLine || !std::isfinite(ks) || !std::isfinite(kb)) {
        // calibration rows of one molar mass determine no line
        MessageBox(w->HWindow, "the calibration rows give no power law (they need different molar masses)", szCalibrationTitle,
                   MB_OK);
        return false;
    }

    plotCalibration(x, y, nPoints, lx, nLine, a, kb, ks);
    {
        TPictureWindow picture(w, pAuxPlot->hMetaFile, szCalibrationTitle, 1400, 1000);
        picture.Show();
        while (!keyPressed()) waitSeconds(0.2f);
        picture.Close();
    }

    char sz[200];
    std::snprintf(sz, sizeof sz, "ks = %.3e, kb = %.3e\naccept?", ks, kb);
    if (MessageBox(w->HWindow, sz, szCalibrationTitle, MB_YESNO) != IDYES) return false;
    pParamValue[11] = ks;
    fScalingKs = ks;
    pParamValue[18] = kb;
    fScalingBs = kb;
    releaseResultArrays();
    w->InvalidateUnlessBatch();
    return true;
}

void TXLAWindow::CmMinimumSValueForLogGrid()
{
    const char* szOptions = "DISTRIBUTION OPTIONS";
    bLogGridMinS = MessageBox(HWindow, "use minimum s-value for log spaced grids?", szOptions, MB_YESNO) == IDYES;
    if (HMENU menu = GetMenu()) CheckMenuItem(menu, 1107, MF_BYCOMMAND | (bLogGridMinS ? MF_CHECKED : MF_UNCHECKED));
    if (!bLogGridMinS) return;
    float f = fLogGridMinS;
    if (inputFloatInWindow(this, &f, fLogGridMinS, true, "min s-value:", szOptions)) fLogGridMinS = f;
}
