// The main window's side of reading a distribution: the on-screen integrate
// button of the distribution plot, the peak labels on screen, the mouse that
// draws and ends a range selection, and the shading of an s range in the data.
//
// The integrate button is a toggle in the top right corner of the
// distribution plot: off it reads "integrate"; a click turns it on ("select
// range") and starts a selection that the right-button drag ends (or, with
// the integration-range file switched on, integrates the file's ranges at
// once and turns back off); a click while a selection runs cancels it.
//
// The boundary region of an s range [s1, s2] in scan k is the set of its
// points inside the fit limits between the radii meniscus exp(s1 1e-13 w2t_k)
// and meniscus exp(s2 1e-13 w2t_k), w2t_k the scan's omega-squared-t: where
// sedimenting material of those s values has its boundary. The transport
// value of the scan is v_k = sum (signal - fit) r dr / (omega_k^2 meniscus^2)
// over those points (omega_k from the scan's rotor speed, dr the half
// distance of the point's neighbours): the residual material in the region,
// in units such that 1e13 (v_k+1 - v_k) / (c (t_k+1 - t_k)) is the change of
// the transport-method s (in S) of a species of signal c that the residuals
// imply.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/app_globals.h"
#include "app/scan_colors.h"
#include "app/xla_window.h"
#include "distributions/distribution_result.h"
#include "distributions/peak_information.h"
#include "fitting/parameter_text.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/overlays.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

using namespace win;

namespace {

constexpr double kPi = 3.14159265358979323846;

void endRangeSelection(TXLAWindow* w)
{
    const bool bWasActive = bRangeSelectActive != 0;
    bRangeSelectActive = bRangeSelectArmed = bPeakRangeSelect = 0;
    if (bWasActive && w && w->HWindow) SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace

void TXLAWindow::ShowIntegrateButtons()
{
    // a new distribution: the labels and a selection of the old one end
    ClearPeakInfo();
    endRangeSelection(this);
    if (!pDistPlot) return;
    if (!pIntegrateButton) pIntegrateButton = new CScreenButton;
    CScreenButton* b = pIntegrateButton;
    b->nButtonType = 2;
    b->bOn = 0;
    b->crFace = RGB(220, 220, 220);
    b->crOn = RGB(255, 150, 150);
    const float fTop = static_cast<float>(pDistPlot->nFrameTop), fRight = static_cast<float>(pDistPlot->nFrameRight);
    b->SetRect(fTop + 4.0f, fRight - 124.0f, fTop + 30.0f, fRight - 4.0f);
    b->SetText("integrate", 9, "select range", 12);
    b->Render();
    InvalidateUnlessBatch();
}

void TXLAWindow::DeleteIntegrateButtons()
{
    ClearPeakInfo();
    endRangeSelection(this);
    delete pIntegrateButton;
    pIntegrateButton = nullptr;
}

void TXLAWindow::ToggleIntegrateButton()
{
    if (!pIntegrateButton) return;
    pIntegrateButton->Toggle();
    pIntegrateButton->Paint(this);
}

void TXLAWindow::OnIntegrateButton()
{
    if (!bRangeSelectActive) {
        ClearPeakInfo();
        if (bUseIntegrationRangesFile) {
            ToggleIntegrateButton();
            IntegrateRangesFromFile();
        } else {
            bRangeSelectArmed = 1;
            StartRangeSelection();
        }
        return;
    }
    bRangeSelectActive = bRangeSelectArmed = bPeakRangeSelect = 0;
    if (pIntegrateButton) {
        if (pIntegrateButton->bOn) pIntegrateButton->Toggle();
        pIntegrateButton->Paint(this);
    }
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

void TXLAWindow::ClearPeakInfo()
{
    // the screen under the labels back, the last one placed first
    bool bRepaint = false;
    for (int k = nMaxPeakInfoLabels; k >= 1; k--) {
        CScreenButton* b = pPeakInfoLabel[k];
        if (!b) continue;
        if (!b->bHasBackground || !b->RestoreBackground(this)) bRepaint = true;
    }
    freePeakInfoLabels();
    if (bRepaint) InvalidateUnlessBatch();
}

void TXLAWindow::PaintIntegrateButtons()
{
    if (pIntegrateButton && pDistPlot) pIntegrateButton->Paint(this);
    for (int k = 1; k <= nPeakInfoLabels; k++)
        if (pPeakInfoLabel[k]) pPeakInfoLabel[k]->Paint(this);
}

bool TXLAWindow::IntegrateButtonClicked(int nX, int nY)
{
    if (!pIntegrateButton || !pDistPlot || fClientWidth <= 0 || fClientHeight <= 0) return false;
    if (!pIntegrateButton->HitTest(nX * 1000.0f / fClientWidth, nY * 1000.0f / fClientHeight)) return false;
    OnIntegrateButton();
    return true;
}

bool TXLAWindow::PeakLabelClicked(int nX, int nY)
{
    if (fClientWidth <= 0 || fClientHeight <= 0) return false;
    const float x = nX * 1000.0f / fClientWidth, y = nY * 1000.0f / fClientHeight;
    for (int k = 1; k <= nPeakInfoLabels; k++)
        if (pPeakInfoLabel[k] && pPeakInfoLabel[k]->HitTest(x, y)) {
            ReportIntegral(k);
            return true;
        }
    return false;
}

bool TXLAWindow::DistributionPlotValueAt(int nX, int nY, float* pfX, float* pfY)
{
    if (!pDistPlot || fClientWidth <= 0 || fClientHeight <= 0) return false;
    // a position beyond the frame counts as its edge; an edge taken back to
    // the plot's units may round a hair outside the frame, where the plot
    // finds no value: it moves one step inside
    const int nLo = std::min(pDistPlot->nFrameLeft, pDistPlot->nFrameRight);
    const int nHi = std::max(pDistPlot->nFrameLeft, pDistPlot->nFrameRight);
    float fLo = nLo / fPlotXScale, fHi = nHi / fPlotXScale;
    if (double(fPlotXScale) * fLo < nLo) fLo = std::nextafter(fLo, fHi);
    if (double(fPlotXScale) * fHi > nHi) fHi = std::nextafter(fHi, fLo);
    if (fHi < fLo) fHi = fLo;  // a frame one step wide: the two steps crossed
    const float x = std::clamp(nX * 1000.0f / fClientWidth, fLo, fHi);
    const float fTop = static_cast<float>(pDistPlot->nFrameTop + pDistPlot->nButtonSize);
    const float fBottom = static_cast<float>(pDistPlot->nFrameBottom);
    const float y = std::clamp(pixelToPerMilleY(nY, fClientHeight), std::min(fTop, fBottom), std::max(fTop, fBottom));
    return pDistPlot->PixelToValue(x, y, pfX, pfY);
}

bool TXLAWindow::RangeSelectionMouseMove(const POINT& point)
{
    if (!bRangeSelectActive || nRightDragStartX < 0 || !pDistPlot) return false;
    float x0 = 0, x1 = 0, y = 0;
    if (DistributionPlotValueAt(nRightDragStartX, nRightDragStartY, &x0, &y) &&
        DistributionPlotValueAt(point.x, point.y, &x1, &y))
        DrawSelectedRange(x0, x1, 12, RGB(255, 0, 0));
    return true;
}

bool TXLAWindow::FinishRangeSelection(int nStartX, int nStartY, const POINT& point)
{
    if (!bRangeSelectActive || nStartX < 0 || !pDistPlot) return false;
    float xa = 0, ya = 0, xb = 0, yb = 0;
    if (!DistributionPlotValueAt(nStartX, nStartY, &xa, &ya) || !DistributionPlotValueAt(point.x, point.y, &xb, &yb))
        return true;
    const float x1 = std::min(xa, xb), x2 = std::max(xa, xb), y1 = std::min(ya, yb), y2 = std::max(ya, yb);
    if (bRangeSelectArmed)
        IntegrateSelectedRange(x1, x2, y1, y2);
    else if (bPeakRangeSelect)
        SelectPeakRange(x1, x2);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    return true;
}

void TXLAWindow::DrawShadedDistribution(float fLow, float fHigh, int* pFirst, int* pLast, float* pTransport)
{
    if (nScans < 1 || !pScanHeaders || !ppRadius || !ppSignal || !pFitFirstIndex || !pFitLastIndex) return;
    const double s1 = std::min(fLow, fHigh) * 1e-13, s2 = std::max(fLow, fHigh) * 1e-13;
    const bool bDraw = HWindow && bWindowPainted && pDataPlot && pDataPlot->nCurves > 0 && !bBatchMode;
    // the data plot as the paint draws it (its markers too), the shading over
    // it and the parameter text over that: the plot's band covers part of
    // the text, which was left partly erased
    if (bDraw) repaintDataPlot(this);
    for (int i = 1; i <= nScans; i++) {
        int nFirst = 0, nLast = 0;
        double v = 0.0;
        const double w2t = pScanHeaders[i].omega2t;
        const double omega = pScanHeaders[i].rpm * 2.0 * kPi / 60.0;
        const int n = pScanPoints[i];
        const float* r = ppRadius[i];
        if (fMeniscus > 0.0f && r && n > 0) {
            const double r1 = fMeniscus * std::exp(s1 * w2t), r2 = fMeniscus * std::exp(s2 * w2t);
            for (int j = std::max(pFitFirstIndex[i], 1); j <= std::min(pFitLastIndex[i], n); j++) {
                if (r[j] < r1 || r[j] > r2) continue;
                if (nFirst == 0) nFirst = j;
                nLast = j;
                if (!ppFit || !ppFit[i]) continue;
                const double dr = (r[std::min(j + 1, n)] - r[std::max(j - 1, 1)]) / 2.0;
                v += (double(ppSignal[i][j]) - ppFit[i][j]) * r[j] * dr;
            }
            if (omega > 0.0) v /= omega * omega * double(fMeniscus) * fMeniscus;
        }
        if (pFirst) pFirst[i] = nFirst;
        if (pLast) pLast[i] = nLast;
        if (pTransport) pTransport[i] = static_cast<float>(v);
        if (bDraw && nFirst >= 1) {
            HMETAFILE h = overlayFloatArraysRange(pDataPlot, ppRadius[i], ppSignal[i], n, nFirst, nLast,
                                                  RGB(255, 0, 0), 2, 3);
            if (h) {
                playIntoClientArea(this, h);
                DeleteMetaFile(h);
            }
        }
    }
    if (bDraw && bShowParameterText && bModelComputed) paintModelParameterLines(this);
}
