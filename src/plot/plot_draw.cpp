// Recording a plot into a metafile: background, bands, curves, frame, ticks
// and numbers, colour bar, labels and title, in that order (the order is the
// layering of the picture). Also the colour map, the dashed-line helpers and
// the small pictures built on the plot's axes.
#include <cmath>
#include <cstring>
#include <vector>

#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/plot_fonts.h"

using namespace win;

int bTickLogMode = 0;
int bPlotRedrawRequest = 0;
unsigned char bDashToggle = 1;
int nErrorBarCapWidth = 8;

namespace {

void textOut(HDC dc, int x, int y, const char* sz)
{
    TextOut(dc, x, y, sz, int(std::strlen(sz)));
}

void line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

HDC beginPicture()
{
    HDC dc = CreateMetaFileA(nullptr);
    SetWindowExtEx(dc, plotWindowWidth(), plotWindowHeight(), nullptr);
    return dc;
}

}  // namespace

bool CWINPlot::Draw()
{
    if (nCurves <= 0) return false;
    bool bResult = RecordPicture();
    if (bPlotRedrawRequest && !(bZoomX && bZoomY)) {
        Rescale();
        bResult = RecordPicture();
    }
    return bResult;
}

bool CWINPlot::RecordPicture()
{
    bPlotRedrawRequest = 0;
    if (!hPlotFontA) createPlotFonts();
    HDC dc = beginPicture();

    HGDIOBJ hOldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    HGDIOBJ hOldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(NULL_PEN));

    HBRUSH hBackground = CreateSolidBrush(crBackground);
    SelectObject(dc, hBackground);
    if (bFrameBox) Rectangle(dc, nOuterLeft, nOuterBottom, nOuterRight, nOuterTop);

    // shaded x bands
    std::vector<HBRUSH> markBrushes;
    for (int k = 1; k <= nMarks && pMarks; k++) {
        if (!pMarks[k]) continue;
        int xa = MapX(pMarks[k]->Get(0));
        int xb = MapX(pMarks[k]->Get(1));
        HBRUSH hMark = CreateSolidBrush(0xe6fae6);
        markBrushes.push_back(hMark);
        SelectObject(dc, hMark);
        Rectangle(dc, xa, nFrameBottom, xb, nFrameTop);
    }

    if (!bHideCurves) {
        int nCounter = nDrawStride;
        for (int c = 0; c < nCurves; c++) {
            if (nCounter == nDrawStride) {
                nCounter = 1;
                DrawCurve(dc, c);
            } else {
                nCounter++;
            }
        }
    }

    // the frame as an outline over the curves
    HPEN hFramePen = CreatePen(PS_SOLID, 0, crFrame);
    SelectObject(dc, hFramePen);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, nFrameLeft, nFrameBottom, nFrameRight, nFrameTop);

    SetBkColor(dc, crBackground);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, crFrame);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    HGDIOBJ hOldFont = SelectObject(dc, hPlotFontA);
    char szNumber[25];

    // x ticks: numbered major ticks, then minor ticks
    for (int coarse = 1; coarse >= 0; coarse--) {
        bTickLogMode = (bLogTicksX || bLogX) ? 1 : 0;
        CVector* pTicks = bLogX ? ComputeTicks(coarse, float(std::log10(double(fXMin))), float(std::log10(double(fXMax))))
                                : ComputeTicks(coarse, fXMin, fXMax);
        bTickLogMode = 0;
        const int nLength = coarse ? nMajorTickLength : nMinorTickLength;
        for (unsigned k = 0; k < pTicks->nSize; k++) {
            float t = pTicks->pData[k];
            int px = MapX(bLogX ? float(std::pow(10.0, double(t))) : t);
            if (!bNoXAxis) {
                line(dc, px, nFrameBottom, px, nFrameBottom + nLength);
                if (coarse && !bHideTickValues) {
                    int n = bLogX ? pTicks->FormatElementAlt(int(k), szNumber, 20, 1.0f)
                                  : pTicks->FormatElement(int(k), szNumber, 20, 1.0f);
                    TextOut(dc, px, nFrameBottom + nMajorTickLength + nTickLabelGap, szNumber, n);
                }
            }
            line(dc, px, nFrameTop, px, nFrameTop - nLength);
            if (bInnerTopTicks) line(dc, px, nFrameTop, px, nFrameTop + nLength);
        }
        delete pTicks;
    }

    // y ticks; W is the width charged for the longest y number
    int W = 0;
    if (!bNoYAxis) {
        SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
        for (int coarse = 1; coarse >= 0; coarse--) {
            bTickLogMode = (bLogTicksY || bLogY) ? 1 : 0;
            CVector* pTicks = bLogY ? ComputeTicks(coarse, float(std::log10(double(fYMin))),
                                                   float(std::log10(double(fYMax))))
                                    : ComputeTicks(coarse, fYMin, fYMax);
            bTickLogMode = 0;
            const int nLength = coarse ? nMajorTickLength : nMinorTickLength;
            for (unsigned k = 0; k < pTicks->nSize; k++) {
                float t = pTicks->pData[k];
                int py = MapY(bLogY ? float(std::pow(10.0, double(t))) : t);
                line(dc, nFrameLeft, py, nFrameLeft - nLength, py);
                if (coarse) {
                    int n = bLogY ? pTicks->FormatElementAlt(int(k), szNumber, 20, fYTickLabelScale)
                                  : pTicks->FormatElement(int(k), szNumber, 20, fYTickLabelScale);
                    if (nTickLabelHeight * n > W) W = nTickLabelHeight * n;
                    if (!bHideTickValues)
                        TextOut(dc, nFrameLeft - nMajorTickLength - nTickLabelGap, py + nTickLabelHeight / 3,
                                szNumber, n);
                    line(dc, nFrameRight, py, nFrameRight + nLength, py);
                    if (bRightTickValues && !bHideTickValues) {
                        SetTextAlign(dc, TA_LEFT | TA_BASELINE);
                        TextOut(dc, nFrameRight + nMajorTickLength + nTickLabelGap, py + nTickLabelHeight / 3,
                                szNumber, n);
                        SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
                    }
                } else {
                    line(dc, nFrameRight, py, nFrameRight + nLength, py);
                }
            }
            delete pTicks;
        }
    }

    // colour scale bar right of the frame
    if (!bHideCurves && bColorValues && bColorBar) {
        const int w = 10;
        const int x0 = nFrameRight + nColorBarOffset;
        int n = int(std::floor(double(nFrameBottom - nFrameTop) / 10.0)) + 1;
        if (n == 1) n = 2;
        for (int i = 1; i <= n; i++) {
            COLORREF cr = ColorForValue(float(i) / float(n));
            HPEN hPen = CreatePen(PS_SOLID, 0, cr);
            HBRUSH hBrush = CreateSolidBrush(cr);
            HGDIOBJ hPrevPen = SelectObject(dc, hPen);
            HGDIOBJ hPrevBrush = SelectObject(dc, hBrush);
            int yc = int(std::floor(double(nFrameTop + 2 * w - nFrameBottom) * (i - 1) / (n - 1))) + nFrameBottom - w;
            if (i < n)
                Rectangle(dc, x0, yc - 5, x0 + 2 * w + 1, yc + 5);
            else
                Rectangle(dc, x0, nFrameTop, x0 + 2 * w + 1, yc + 5);
            SelectObject(dc, hPrevPen);
            SelectObject(dc, hPrevBrush);
            DeleteObject(hPen);
            DeleteObject(hBrush);
        }
        SelectObject(dc, GetStockObject(BLACK_PEN));
        MoveToEx(dc, x0 - 1, nFrameBottom - 1, nullptr);
        LineTo(dc, x0 + 2 * w, nFrameBottom - 1);
        LineTo(dc, x0 + 2 * w, nFrameTop);
        LineTo(dc, x0 - 1, nFrameTop);
        LineTo(dc, x0 - 1, nFrameBottom - 1);
        if (bColorBarTexts) {
            SetTextAlign(dc, TA_LEFT | TA_BASELINE);
            int xt = x0 + 2 + 2 * w + nTitleXShift + nColorBarTextOffset;
            textOut(dc, xt, nFrameBottom + 5, szColorBarBottomText);
            textOut(dc, xt, nFrameTop + 5, szColorBarTopText);
        }
        if (bColorBarCaption) {
            SetTextAlign(dc, TA_LEFT | TA_BASELINE);
            textOut(dc, nFrameRight + nColorBarOffset + nColorBarCaptionOffset, nFrameTop - 5 + nColorBarCaptionOffset,
                    szColorBarCaption);
        }
        if (bColorBarScale) {
            bTickLogMode = 0;
            const float fLo = bColorBarRange ? fColorBarMin : 0.0f;
            const float fHi = bColorBarRange ? fColorBarMax : fColorValueMax;
            SetTextAlign(dc, TA_LEFT | TA_BASELINE);
            for (int coarse = 1; coarse >= 0 && fHi != fLo; coarse--) {
                CVector* pTicks = ComputeTicks(coarse, fLo, fHi);
                const int nLength = coarse ? nMajorTickLength : nMinorTickLength;
                for (unsigned k = 0; k < pTicks->nSize; k++) {
                    double t = pTicks->pData[k];
                    int py = int(nFrameBottom - double(nFrameBottom - nFrameTop) * (t - fLo) / (double(fHi) - fLo));
                    line(dc, x0 + 2 * w, py, x0 + 2 * w + nLength, py);
                    if (coarse) {
                        std::memset(szNumber, ' ', sizeof szNumber);
                        int nc = pTicks->FormatElement(int(k), szNumber, 25, fYTickLabelScale);
                        TextOut(dc, x0 + 2 * w + nMajorTickLength + nTickLabelGap, py + 5, szNumber, nc);
                    }
                }
                delete pTicks;
            }
        }
    }

    // labels and title
    SelectObject(dc, hPlotFontB);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    if (!bNoXAxis && bXLabel) {
        textOut(dc, int(nFrameLeft + 0.5 * (nFrameRight - nFrameLeft)),
                nFrameBottom + nMajorTickLength + nTickLabelHeight + nTickLabelGap + nXLabelOffset, szXLabel);
    }
    const int xYTexts = nFrameLeft - W / 2 - nMajorTickLength - nYLabelOffset;
    if (bYBottomText) {
        SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
        textOut(dc, xYTexts, nFrameBottom, szYBottomText);
    }
    if (bYTopText) {
        SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
        textOut(dc, xYTexts, nFrameTop, szYTopText);
    }
    if (bYLabel) {
        SetTextAlign(dc, TA_CENTER | TA_BOTTOM);
        SelectObject(dc, hPlotFontC);
        textOut(dc, xYTexts, int(nFrameBottom + 0.5 * (nFrameTop - nFrameBottom)), szYLabel);
        SetTextAlign(dc, TA_CENTER | TA_TOP);
    }
    if (bTitle) {
        SetTextAlign(dc, TA_CENTER | TA_TOP);
        SelectObject(dc, hPlotFontD);
        textOut(dc, int(nFrameLeft + 0.5 * (nFrameRight - nFrameLeft) - nTitleXShift),
                nFrameTop - nTitleGap - nTickLabelGap + nTitleOffset, szTitle);
    }

    // room for the y numbers in the next picture
    if (nFrameLeft - nMajorTickLength - 10 - W < nOuterLeft) nOuterLeft = nFrameLeft - nMajorTickLength - 10 - W;
    if (bNoYAxis) {
        nOuterLeft = nFrameLeft - 5;
        nOuterRight = nFrameRight + 5;
    }

    SelectObject(dc, hOldPen);
    SelectObject(dc, hOldBrush);
    SelectObject(dc, hOldFont);
    DeleteObject(hBackground);
    DeleteObject(hFramePen);
    HMETAFILE h = CloseMetaFile(dc);
    for (HBRUSH hMark : markBrushes) DeleteObject(hMark);
    if (!h) return false;
    if (bMetaFileValid && hMetaFile) DeleteMetaFile(hMetaFile);
    hMetaFile = h;
    bMetaFileValid = 1;
    return true;
}

COLORREF CWINPlot::ColorForValue(float v) const
{
    if (v == -1.0f) {
        if (bNoValueBlack) return RGB(0, 0, 0);
        if (bNoValueWhite || bNoValueWhiteB) return RGB(255, 255, 255);
    }
    // a value that is no number (a failed computation) maps like 0
    double x = !(v >= 0) ? 0.0 : v > 1 ? 1.0 : double(v);
    double r, g, b;
    if (x <= 0.2) {
        if (!bColorMapDarkEnds) {
            r = g = 1 - x / 0.2;
            b = 1;
        } else if (x > 0.05) {
            r = (1 - x / 0.2) * 0.5882353;
            g = 0;
            b = ((0.2 - x) / 0.2) * 0.827451 + x / 0.2;
        } else {
            double a = (0.05 - x) / 0.05, c = x / 0.05;
            r = a * 0.39215687 + c * 0.5882353;
            g = a * 0.39215687;
            b = a * 0.39215687 + c * 0.827451;
        }
    } else if (x <= 0.4) {
        r = 0;
        g = (x - 0.2) / 0.2;
        b = 1;
    } else if (x <= 0.65) {
        r = (x - 0.4) / 0.24999997;
        g = 1;
        b = 1 - (x - 0.4) / 0.24999997;
    } else if (x <= 0.9) {
        r = 1;
        g = 1 - (x - 0.65) / 0.25;
        b = 0;
    } else {
        r = bColorMapDarkEnds ? 1 - (x - 0.9) / 0.100000024 : 1 - (x - 0.9) / 0.4000001;
        g = 0;
        b = 0;
    }
    auto byte = [](double f) {
        int n = int(std::floor(255 * f));
        return n < 0 ? 0 : n > 255 ? 255 : n;
    };
    return RGB(byte(r), byte(g), byte(b));
}

// ------------------------------------------------------------------ helpers

void drawPixelDot(HDC dc, int x, int y)
{
    MoveToEx(dc, x, y, nullptr);
    LineTo(dc, x + 1, y + 1);
    MoveToEx(dc, x, y, nullptr);
}

void drawDottedStep(HDC dc, int x, int y)
{
    if (bDashToggle) drawPixelDot(dc, x, y);
    bDashToggle = 1;
}

// Dashes and gaps of 5 units along the step; a remainder under 10 units
// stays blank, a step of at most 2 units draws a dot every second time.
void drawDashedLine(HDC dc, int x1, int y1, int x2, int y2)
{
    const double L = 5;
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    if (std::fabs(dx) <= 2 && std::fabs(dy) <= 2) {
        if (bDashToggle) {
            drawPixelDot(dc, x1, y1);
            MoveToEx(dc, x2, y2, nullptr);
            bDashToggle = 0;
        } else {
            bDashToggle = 1;
        }
        return;
    }
    bDashToggle = 1;
    if (std::fabs(dx) < L && std::fabs(dy) < L) {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x1 + int(std::floor(0.5 * dx)), y1 + int(std::floor(0.5 * dy)));
        MoveToEx(dc, x2, y2, nullptr);
        return;
    }
    const double length = std::sqrt(dx * dx + dy * dy);
    const double sx = dx / (length / L), sy = dy / (length / L);
    double x = x1, y = y1;
    while (std::fabs(x2 - x) >= 2 * L || std::fabs(y2 - y) >= 2 * L) {
        MoveToEx(dc, int(std::floor(x)), int(std::floor(y)), nullptr);
        LineTo(dc, int(std::floor(x + sx)), int(std::floor(y + sy)));
        x += 2 * sx;
        y += 2 * sy;
    }
    MoveToEx(dc, x2, y2, nullptr);
}

void CWINPlot::PrepareShuffleOrder(int first, int n)
{
    if (pShuffleOrder && nShuffleOrder != n) {
        free_ivector(pShuffleOrder, 1, nShuffleOrder);
        pShuffleOrder = nullptr;
        nShuffleOrder = 0;
    }
    if (n <= 0) return;
    if (!pShuffleOrder) {
        pShuffleOrder = ivector(1, n);
        nShuffleOrder = n;
        shuffleFloatArrayB(pShuffleOrder, first + 1, n, 0.8f);
        return;
    }
    // The light reshuffle swaps 32-bit elements; the indices travel as bit
    // patterns through a float array.
    std::vector<float> bits(size_t(n) + 1);
    std::memcpy(bits.data() + 1, pShuffleOrder + 1, sizeof(int) * size_t(n));
    shuffleFloatArray(bits.data(), first + 1, n, 0.1f);
    std::memcpy(pShuffleOrder + 1, bits.data() + 1, sizeof(int) * size_t(n));
}

void CWINPlot::DrawValueText(HDC dc, int x, int y, int i, int idx) const
{
    if (i < 0 || i >= nCurves || !pCurves[i] || !pCurves[i]->pY) return;
    char sz[20];
    int n = pCurves[i]->pY->FormatElement(idx, sz, sizeof sz, fYTickLabelScale);
    if (n <= 0) return;
    SetTextAlign(dc, TA_UPDATECP);
    TextOut(dc, x, y, sz, n);
}

// ------------------------------------------------------------------ pictures

HMETAFILE CWINPlot::VerticalLinePicture(float x, COLORREF cr) const
{
    HDC dc = beginPicture();
    HPEN hPen = CreatePen(PS_SOLID, 0, cr);
    HGDIOBJ hOld = SelectObject(dc, hPen);
    int px = MapX(x);
    line(dc, px, nFrameBottom - 2, px, nFrameTop + 1);
    SelectObject(dc, hOld);
    DeleteObject(hPen);
    return CloseMetaFile(dc);
}

HMETAFILE CWINPlot::VerticalDashedLinePicture(float x, COLORREF cr) const
{
    HDC dc = beginPicture();
    HPEN hPen = CreatePen(PS_SOLID, 0, cr);
    HGDIOBJ hOld = SelectObject(dc, hPen);
    int px = MapX(x);
    drawDashedLine(dc, px, nFrameBottom - 2, px, nFrameTop + 1);
    SelectObject(dc, hOld);
    DeleteObject(hPen);
    return CloseMetaFile(dc);
}

HMETAFILE CWINPlot::DashedFramePicture(COLORREF cr) const
{
    HDC dc = beginPicture();
    HPEN hPen = CreatePen(PS_SOLID, 0, cr);
    HGDIOBJ hOld = SelectObject(dc, hPen);
    for (int o = -1; o <= 1; o++) {
        drawDashedLine(dc, nFrameLeft, nFrameTop + o, nFrameRight, nFrameTop + o);
        drawDashedLine(dc, nFrameRight + o, nFrameTop, nFrameRight + o, nFrameBottom);
        drawDashedLine(dc, nFrameRight, nFrameBottom + o, nFrameLeft, nFrameBottom + o);
        drawDashedLine(dc, nFrameLeft + o, nFrameBottom, nFrameLeft + o, nFrameTop);
    }
    SelectObject(dc, hOld);
    DeleteObject(hPen);
    return CloseMetaFile(dc);
}

HDC CWINPlot::BeginBackgroundPicture() const
{
    HDC dc = beginPicture();
    SelectObject(dc, GetStockObject(BLACK_PEN));
    HBRUSH hBrush = CreateSolidBrush(crBackground);
    SelectObject(dc, hBrush);
    if (bFrameBox) Rectangle(dc, nOuterLeft, nOuterBottom, nOuterRight, nOuterTop);
    // the context keeps its own copy of the selected brush
    DeleteObject(hBrush);
    return dc;
}

void CWINPlot::PlotFunction(HDC dc, double (*f)(double), int n, COLORREF cr) const
{
    if (nCurves <= 0) {
        showErrorMessage("Plot function without data not yet implemented", 0);
        return;
    }
    if (!f || n <= 0) return;
    HPEN hPen = CreatePen(PS_SOLID, 0, cr);
    HGDIOBJ hOld = SelectObject(dc, hPen);
    const double dStep = (double(fXMax) - fXMin) / n;
    for (int k = 0; k <= n; k++) {
        double x = fXMin + k * dStep;
        int px = MapX(float(x)), py = MapY(float(f(x)));
        if (k == 0)
            MoveToEx(dc, px, py, nullptr);
        else
            LineTo(dc, px, py);
    }
    SelectObject(dc, hOld);
    DeleteObject(hPen);
}

void CWINPlot::DrawErrorBars(HDC dc, int i, const float* pErrors, int first, int last, COLORREF cr) const
{
    if (i < 0 || i >= nCurves || !pErrors || !pCurves[i] || !pCurves[i]->pX || !pCurves[i]->pY) return;
    const CCurve* c = pCurves[i];
    if (first < 0) first = 0;
    if (last >= int(c->pX->nSize)) last = int(c->pX->nSize) - 1;
    HPEN hPen = CreatePen(PS_SOLID, 0, cr);
    HGDIOBJ hOld = SelectObject(dc, hPen);
    const int nStride = nDrawStride > 0 ? nDrawStride : 1;
    for (int k = first; k <= last; k += nStride) {
        float y = c->pY->Get(k);
        int px = MapX(c->pX->Get(k));
        int yLo = MapY(y - pErrors[k]), yHi = MapY(y + pErrors[k]);
        line(dc, px, yLo, px, yHi);
        line(dc, px - nErrorBarCapWidth, yLo, px + nErrorBarCapWidth, yLo);
        line(dc, px - nErrorBarCapWidth, yHi, px + nErrorBarCapWidth, yHi);
    }
    SelectObject(dc, hOld);
    DeleteObject(hPen);
}

// ------------------------------------------------------------------ clipboard

bool copyMetafileToClipboard(CWINPlot* pPlot, HWND hOwner)
{
    // a plot without a picture leaves the clipboard as it is
    if (!pPlot || !pPlot->bMetaFileValid || !pPlot->hMetaFile) return false;
    return copyPictureToClipboard(pPlot->hMetaFile, hOwner);
}

bool copyPictureToClipboard(HMETAFILE hPicture, HWND hOwner)
{
    if (!hPicture) return false;
    HGLOBAL hBlock = GlobalAlloc(GHND, sizeof(METAFILEPICT));
    if (!hBlock) return false;
    auto* pPict = static_cast<METAFILEPICT*>(GlobalLock(hBlock));
    pPict->mm = MM_ISOTROPIC;
    pPict->xExt = 13000;
    pPict->yExt = 9000;
    pPict->hMF = CopyMetaFileA(hPicture, nullptr);
    HMETAFILE hCopy = pPict->hMF;
    GlobalUnlock(hBlock);
    if (!OpenClipboard(hOwner)) {
        // nothing was handed over: the copy and its block are still ours
        DeleteMetaFile(hCopy);
        GlobalFree(hBlock);
        return false;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_METAFILEPICT, hBlock)) {
        DeleteMetaFile(hCopy);
        GlobalFree(hBlock);
    }
    CloseClipboard();
    return true;
}
