// The curve renderer: one curve of a plot into a device context, with its
// legend text, the symbols of its style code, the lines that join its points,
// bars, stems, value texts or a filled polygon, per-point colours and the two
// projection profiles of those colours.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "numerics/nrutil.h"
#include "numerics/sorting_interpolation.h"
#include "plot/cwinplot.h"

using namespace win;

namespace {

void circle(HDC dc, int px, int py, int r)
{
    Ellipse(dc, px - r, py - r, px + r, py + r);
    MoveToEx(dc, px, py, nullptr);
}

void pixel(HDC dc, int px, int py)
{
    LineTo(dc, px + 1, py + 1);
}

void segment(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// Copies of the step from (qx, qy) offset by each of the distances, first
// along y, then along x; nothing at the first point of a run.
void wideLine(HDC dc, int qx, int qy, int px, int py, const int* pOffsets, int nOffsets)
{
    if (qx == px && qy == py) return;
    for (int k = 0; k < nOffsets; k++) segment(dc, qx, qy + pOffsets[k], px, py + pOffsets[k]);
    for (int k = 0; k < nOffsets; k++) segment(dc, qx + pOffsets[k], qy, px + pOffsets[k], py);
    MoveToEx(dc, px, py, nullptr);
}

const int pWide[] = {-1, 1};
const int pWider[] = {-2, -1, 1, 2};

void polyline(HDC dc, const int (*p)[2], int n, int px, int py)
{
    for (int k = 0; k < n; k++) LineTo(dc, px + p[k][0], py + p[k][1]);
}

// style 22: a 3 x 3 dot
const int pDot3[][2] = {{1, 0}, {1, 1},  {0, 1},  {0, 0}, {0, 0},   {0, 1}, {-1, 1}, {-1, 0},
                        {1, -1}, {1, 0}, {0, 0}, {0, -1}, {0, -1}, {0, 0}, {-1, 0}, {-1, -1}};
// style 23: two nested square outlines
const int pSquares[][2] = {{2, 0},  {2, 2},  {-2, 2},  {-2, -2}, {2, -2}, {0, 0},
                           {1, 0},  {1, 1},  {-1, 1},  {-1, -1}, {1, -1}, {0, 0}};

}  // namespace

void CWINPlot::DrawSymbol(HDC dc, int nStyle, int px, int py, int qx, int qy, bool bRunStart, bool bLastPoint,
                          HPEN hLinePen, HPEN hWhitePen, int i, int idx)
{
    const int s = nSymbolSize;
    switch (nStyle) {
    case 1:
        if (s == 0) {
            pixel(dc, px, py);
            break;
        }
        segment(dc, px - s, py + s, px + s + 1, py - s + 1);
        segment(dc, px - s, py - s, px + s + 1, py + s + 1);
        MoveToEx(dc, px, py, nullptr);
        break;
    case 2:
    case 6:
    case 15:
        if (s == 0)
            pixel(dc, px, py);
        else
            circle(dc, px, py, s);
        break;
    case 3:
        if (s == 0) {
            pixel(dc, px, py);
        } else {
            int t = int(s * 0.57735);
            MoveToEx(dc, px - s, py + t, nullptr);
            LineTo(dc, px + s, py + t);
            LineTo(dc, px, py - 2 * s + t);
            LineTo(dc, px - s, py + t);
            MoveToEx(dc, px, py, nullptr);
        }
        break;
    case 4:
        if (i >= 0) DrawValueText(dc, px, py, i, idx);
        break;
    case 5:
        if (s == 0) {
            pixel(dc, px, py);
        } else {
            MoveToEx(dc, px - s, py - s, nullptr);
            LineTo(dc, px + s, py - s);
            LineTo(dc, px + s, py + s);
            LineTo(dc, px - s, py + s);
            LineTo(dc, px - s, py - s);
            MoveToEx(dc, px, py, nullptr);
        }
        break;
    case 7:
        pixel(dc, px, py);
        break;
    case 8:
        if (s != 0) circle(dc, px, py, s);
        segment(dc, px, MapY(0.0f), px, py);
        break;
    case 9:
        if (s == 0)
            pixel(dc, px, py);
        else
            Rectangle(dc, px - s, py - s, px + s, py + s);
        break;
    case 10:
        if (s == 0) {
            pixel(dc, px, py);
            break;
        }
        segment(dc, px - s, py + s, px + s + 1, py - s + 1);
        segment(dc, px - s, py - s, px + s + 1, py + s + 1);
        segment(dc, px - s - 1, py + s, px + s, py - s + 1);
        segment(dc, px - s - 1, py - s, px + s, py + s + 1);
        segment(dc, px - s + 1, py + s, px + s + 2, py - s + 1);
        segment(dc, px - s + 1, py - s, px + s + 2, py + s + 1);
        MoveToEx(dc, px, py, nullptr);
        break;
    case 11:
        if (s == 0)
            pixel(dc, px, py);
        else
            Rectangle(dc, px - nSymbolHeight, py - s, px + nSymbolHeight, py + s);
        break;
    case 12:
        wideLine(dc, qx, qy, px, py, pWide, 2);
        break;
    case 13:
        SelectObject(dc, hWhitePen);
        wideLine(dc, qx, qy, px, py, pWide, 2);
        SelectObject(dc, hLinePen);
        segment(dc, qx, qy, px, py);
        break;
    case 14:
        if (bRunStart)
            drawPixelDot(dc, px, py);
        else if (bLastPoint)
            drawDottedStep(dc, px, py);
        else
            drawDashedLine(dc, qx, qy, px, py);
        break;
    case 16:
        LineTo(dc, px + 1, py);
        LineTo(dc, px + 1, py + 1);
        LineTo(dc, px, py + 1);
        LineTo(dc, px, py);
        break;
    case 17:
        wideLine(dc, qx, qy, px, py, pWide, 2);
        if (s == 0)
            pixel(dc, px, py);
        else
            circle(dc, px, py, s);
        break;
    case 18:
        wideLine(dc, qx, qy, px, py, pWider, 4);
        if (s == 0)
            pixel(dc, px, py);
        else
            circle(dc, px, py, 2 * s);
        break;
    case 19:
        if (nSymbolSize2 == 0)
            pixel(dc, px, py);
        else
            Rectangle(dc, px - nSymbolHeight2, py - nSymbolSize2, px + nSymbolHeight2, py + nSymbolSize2);
        break;
    case 21:
        // bars need the curve's intervals; a curve without them gets none
        if (i >= 0 && s != 0 && pIntervalLow && pIntervalHigh && i <= nIntervalCapacity && pIntervalLow[i] &&
            pIntervalHigh[i]) {
            int xl = MapX(pIntervalLow[i]->Get(idx));
            int xr = MapX(pIntervalHigh[i]->Get(idx));
            Rectangle(dc, xl, MapY(0.0f), xr, py);
        }
        break;
    case 22:
        polyline(dc, pDot3, int(std::size(pDot3)), px, py);
        break;
    case 23:
        polyline(dc, pSquares, int(std::size(pSquares)), px, py);
        break;
    default:
        // -1 (the line), 0 (invisible), 20 (drawn as a polygon) and unknown
        // codes have no symbol
        break;
    }
}

void CWINPlot::DrawCurve(HDC dc, int i)
{
    if (i < 0 || i >= nCurves) return;
    const CCurve* pCurve = pCurves[i];
    if (!pCurve || !pCurve->pX || !pCurve->pY) return;
    const CVector& X = *pCurve->pX;
    const CVector& Y = *pCurve->pY;
    const unsigned nSize = X.nSize < Y.nSize ? X.nSize : Y.nSize;
    if (nSize == 0 || !X.pData || !Y.pData) return;

    int end = int(nSize), first = 0;
    if (pRangeSet && pRangeSet[i]) {
        if (unsigned(pRangeLast[i] + 1) < nSize) end = pRangeLast[i] + 1;
        if (unsigned(pRangeFirst[i]) < nSize) first = pRangeFirst[i];
    }
    if (end == 0) return;

    for (int j = 0; j < nColorKeyEntries; j++) {
        COLORREF cr = GetCurveColor(j);
        HPEN hPen = CreatePen(PS_SOLID, 0, cr);
        HBRUSH hBrush = CreateSolidBrush(cr);
        HGDIOBJ hPrevPen = SelectObject(dc, hPen);
        HGDIOBJ hPrevBrush = SelectObject(dc, hBrush);
        segment(dc, nFrameLeft + 5, nFrameTop + 15 * j + 5, nFrameLeft + 25, nFrameTop + 15 * j + 5);
        char sz[16];
        int n = std::snprintf(sz, sizeof sz, "%d", j + 1);
        SetTextAlign(dc, TA_UPDATECP);
        MoveToEx(dc, nFrameLeft + 30, nFrameTop + 15 * j - 3, nullptr);
        TextOut(dc, nFrameLeft + 30, nFrameTop + 15 * j - 3, sz, n);
        SelectObject(dc, hPrevPen);
        SelectObject(dc, hPrevBrush);
        DeleteObject(hPen);
        DeleteObject(hBrush);
    }

    int nStyle = GetCurveStyle(i);
    const COLORREF crCurve = GetCurveColor(i);
    HPEN hCurvePen = CreatePen(PS_SOLID, 0, crCurve);
    HPEN hWhitePen = CreatePen(PS_SOLID, 0, 0xffffff);
    HBRUSH hCurveBrush = CreateSolidBrush(crCurve);
    HPEN hMaskPen = CreatePen(PS_SOLID, 0, crPointMask);
    HGDIOBJ hOldPen = SelectObject(dc, hCurvePen);
    HGDIOBJ hOldBrush = SelectObject(dc, nStyle == 15 ? GetStockObject(NULL_BRUSH) : HGDIOBJ(hCurveBrush));
    HGDIOBJ hCurrentBrush = nStyle == 15 ? GetStockObject(NULL_BRUSH) : HGDIOBJ(hCurveBrush);

    if (nStyle == 20) {
        std::vector<POINT> pts(static_cast<size_t>(end));
        for (int k = 0; k < end; k++) pts[size_t(k)] = POINT{MapX(X.pData[k]), MapY(Y.pData[k])};
        Polygon(dc, pts.data(), end);
    } else {
        const bool bColorCurve = bColorValues && i == nColorCurve;
        const bool bPlaceOnValueScale = bColorCurve && bYValueScale;
        auto placeY = [&](float y) {
            if (y <= fYValueScaleLo) return nFrameBottom;
            if (y >= fYValueScaleHi) return nFrameTop;
            return int((double(y) - fYValueScaleLo) / (double(fYValueScaleHi) - fYValueScaleLo) *
                           (nFrameTop - nFrameBottom) +
                       nFrameBottom);
        };

        if (bLegend && nStyle != 0 && pCurveNames && pCurveNames[i]) {
            MoveToEx(dc, nFrameLeft + 5, nFrameTop + 20 * i + 5, nullptr);
            SetTextAlign(dc, TA_UPDATECP);
            COLORREF crOldText = SetTextColor(dc, crCurve);
            TextOut(dc, 0, 0, pCurveNames[i], int(std::strlen(pCurveNames[i])));
            SetTextColor(dc, crOldText);
        }

        if (bColorCurve) {
            fColorValueMax = 0;
            if (pColorValues && nColorValues > 0) {
                fColorValueMax = pColorValues[0];
                for (int k = 1; k < nColorValues; k++)
                    if (pColorValues[k] > fColorValueMax) fColorValueMax = pColorValues[k];
            }
        }
        const bool bNoValueFlags = bNoValueBlack || bNoValueWhiteB || bNoValueWhite;

        MoveToEx(dc, MapX(X.pData[first]), MapY(Y.pData[first]), nullptr);
        float fLastX = X.pData[first];
        int nCounter = nDrawStride;
        bool bRun = false;
        int lastPx = 0, lastPy = 0;
        if (bShuffledOrder) PrepareShuffleOrder(first, end);
        const bool bShuffled = bShuffledOrder && pShuffleOrder && nShuffleOrder != 0;

        // Nothing below changes the ranges, the masks or the options: they are
        // read once here, not again after every call that records a point.
        const float fXLo = fXMin, fXHi = fXMax, fYLo = fYMin, fYHi = fYMax;
        const bool bZoomedX = bZoomX != 0, bOnLogX = bLogX != 0, bOnLogY = bLogY != 0;
        const bool bMaskChoosesRedraw = bUsePointMask != 0;
        const int* const pMask = pPointMask;
        const int nMask = nPointMask;
        const bool bWhiteNoValue = bNoValueWhite != 0;
        const float* const pValues = pColorValues;
        const int nValues = nColorValues;
        const bool bConnect = bConnectSymbols && !bColorCurve;
        const bool bBreakOnDecrease = bBreakOnXDecrease != 0;
        CVector** const pBars[2] = {bExtraArrayA ? pExtraArrayA : nullptr, bExtraArrayB ? pExtraArrayB : nullptr};
        const bool bBars = (pBars[0] || pBars[1]) && i <= nExtraArrayCapacity;

        const bool bPlain = !bColorCurve && !bShuffled && nDrawStride == 1 && nMask == 0 && !bBars &&
                            !(bWhiteNoValue && pValues && nValues > 0);
        if (bPlain)
            DrawPlainPoints(dc, X.pData, Y.pData, first, end, nStyle, hCurvePen, hWhitePen, i);
        else
        for (int k = first; k < end; k++) {
            int idx = k;
            if (bShuffled && k + 1 <= nShuffleOrder) {
                idx = pShuffleOrder[k + 1] - 1;
                if (idx < 0 || idx >= end) idx = k;
            }
            if (nCounter != nDrawStride) {
                nCounter++;
                continue;
            }
            nCounter = 1;

            HPEN hPointPen = nullptr;
            HBRUSH hPointBrush = nullptr;
            if (bColorCurve && fColorValueMax != 0 && idx < nValues) {
                float v = pValues[idx];
                double f = bColorBarRange ? (double(v) - fColorBarMin) / (double(fColorBarMax) - fColorBarMin)
                                          : double(v) / fColorValueMax;
                f = f < 0 ? 0 : f > 1 ? 1 : f;
                if (bNoValueFlags && v == -1.0f) f = -1;
                COLORREF cr = ColorForValue(float(f));
                hPointPen = CreatePen(PS_SOLID, 0, cr);
                hPointBrush = CreateSolidBrush(cr);
                SelectObject(dc, hPointPen);
                SelectObject(dc, hPointBrush);
            }

            const float prevX = fLastX;
            const float x = X.pData[idx], y = Y.pData[idx];
            fLastX = x;

            if ((!bZoomedX || (fXLo <= x && x <= fXHi)) && !bPlaceOnValueScale && (y > fYHi || y < fYLo) &&
                (!bMaskChoosesRedraw || (nMask != 0 && idx < nMask && pMask[idx + 1] != 0)))
                bPlotRedrawRequest = 1;

            const bool bMasked = nMask != 0 && idx < nMask && pMask[idx + 1] == 0;
            const int nSavedStyle = nStyle, nSavedSize = nSymbolSize;
            if (bMasked) {
                SelectObject(dc, hMaskPen);
                nStyle = nPointMaskParamB;
                nSymbolSize = nPointMaskParamA;
            }

            // On the second y scale every y has a place (held to its ends),
            // except one that is no number: that point is left out like a
            // point outside the plot.
            const bool bVisible =
                (fYLo <= y && y <= fYHi &&
                 ((fXLo <= x && x <= fXHi) || (bOnLogX && x == 0) || (bOnLogY && y == 0))) ||
                (fXLo <= x && x <= fXHi && bPlaceOnValueScale && std::isfinite(y));
            const bool bSymbol = !(bWhiteNoValue && idx < nValues && pValues && pValues[idx] == -1.0f);
            const HPEN hLinePen = hCurvePen;

            if (!bVisible) {
                bRun = false;
            } else {
                int px = MapX(x), py = MapY(y), qx, qy;
                if (bRun) {
                    qx = lastPx;
                    qy = lastPy;
                    if (bPlaceOnValueScale) py = placeY(y);
                    bool bJoin = nStyle == -1 || (bConnect && nStyle != 0 && nStyle != 14 && nStyle != 21);
                    if (bJoin && bBreakOnDecrease && x < prevX) bJoin = false;
                    if (bJoin)
                        LineTo(dc, px, py);
                    else
                        MoveToEx(dc, px, py, nullptr);
                    if (bSymbol) DrawSymbol(dc, nStyle, px, py, qx, qy, false, idx == end - 1, hLinePen, hWhitePen, i, idx);
                } else {
                    bRun = true;
                    qx = px;
                    qy = py;
                    if (bPlaceOnValueScale && nStyle != 0) py = placeY(y);
                    MoveToEx(dc, px, py, nullptr);
                    if (bSymbol) DrawSymbol(dc, nStyle, px, py, qx, qy, true, idx == end - 1, hLinePen, hWhitePen, i, idx);
                }
                lastPx = px;
                lastPy = py;
                // value bars from the attached per-point arrays
                for (CVector** pTable : pBars) {
                    if (!bBars || !pTable || !pTable[i]) continue;
                    int ya = MapY(pTable[i]->Get(idx));
                    segment(dc, px - nErrorBarCapWidth, ya, px + nErrorBarCapWidth, ya);
                    segment(dc, px, ya, px, py);
                }
            }

            if (bMasked) {
                nStyle = nSavedStyle;
                nSymbolSize = nSavedSize;
                SelectObject(dc, hCurvePen);
            }
            if (hPointPen) {
                SelectObject(dc, hCurvePen);
                SelectObject(dc, hCurrentBrush);
                DeleteObject(hPointPen);
                DeleteObject(hPointBrush);
            }
        }

        if (bColorCurve && bColorValuesFlag && fColorValueMax != 0 && pColorValues) {
            const int n = end < nColorValues ? end : nColorValues;
            if (n > 0) DrawProfiles(dc, X, Y, n, hCurvePen, hCurrentBrush);
        }
    }

    SelectObject(dc, hOldPen);
    SelectObject(dc, hOldBrush);
    DeleteObject(hCurvePen);
    DeleteObject(hWhitePen);
    DeleteObject(hCurveBrush);
    DeleteObject(hMaskPen);
}

// The loop of DrawCurve without what plain points do not have: a plot of
// scans records every point of every scan at each redraw.
void CWINPlot::DrawPlainPoints(HDC dc, const float* pX, const float* pY, int first, int end, int nStyle,
                               HPEN hCurvePen, HPEN hWhitePen, int i)
{
    const float fXLo = fXMin, fXHi = fXMax, fYLo = fYMin, fYHi = fYMax;
    const bool bZoomedX = bZoomX != 0, bOnLogX = bLogX != 0, bOnLogY = bLogY != 0;
    // a mask without entries keeps every point from asking for a new range
    const bool bOutsideAsksRedraw = !bUsePointMask;
    const bool bJoin = nStyle == -1 || (bConnectSymbols && nStyle != 0 && nStyle != 14 && nStyle != 21);
    const bool bBreakOnDecrease = bBreakOnXDecrease != 0;
    float fLastX = pX[first];
    bool bRun = false;
    int lastPx = 0, lastPy = 0;
    for (int k = first; k < end; k++) {
        const float prevX = fLastX, x = pX[k], y = pY[k];
        fLastX = x;
        const bool bInX = fXLo <= x && x <= fXHi;
        if ((!bZoomedX || bInX) && (y > fYHi || y < fYLo) && bOutsideAsksRedraw) bPlotRedrawRequest = 1;
        if (!(fYLo <= y && y <= fYHi && (bInX || (bOnLogX && x == 0) || (bOnLogY && y == 0)))) {
            bRun = false;
            continue;
        }
        const int px = MapX(x), py = MapY(y);
        if (bRun) {
            if (bJoin && !(bBreakOnDecrease && x < prevX))
                LineTo(dc, px, py);
            else
                MoveToEx(dc, px, py, nullptr);
            DrawSymbol(dc, nStyle, px, py, lastPx, lastPy, false, k == end - 1, hCurvePen, hWhitePen, i, k);
        } else {
            bRun = true;
            MoveToEx(dc, px, py, nullptr);
            DrawSymbol(dc, nStyle, px, py, px, py, true, k == end - 1, hCurvePen, hWhitePen, i, k);
        }
        lastPx = px;
        lastPy = py;
    }
}

namespace {

// Sorts the pairs (pos[k], value[k]), k = 1..n, by position and merges runs
// of equal positions into one entry with the largest value; the entry count.
int mergeProfile(int n, float* pPos, float* pValue)
{
    sort2(n, pPos, pValue);
    int m = 0;
    for (int k = 1; k <= n; k++) {
        if (m > 0 && pPos[k] == pPos[m]) {
            if (pValue[k] > pValue[m]) pValue[m] = pValue[k];
        } else {
            m++;
            pPos[m] = pPos[k];
            pValue[m] = pValue[k];
        }
    }
    return m;
}

}  // namespace

// The largest colour value along x (drawn over the bottom of the frame) and
// along y (drawn from the left edge), for the first n points.
void CWINPlot::DrawProfiles(HDC dc, const CVector& X, const CVector& Y, int n, HPEN hCurvePen, HGDIOBJ hCurveBrush)
{
    pProfileXPos = vector(1, nColorValues);
    pProfileXMax = vector(1, nColorValues);
    pProfileYPos = vector(1, nColorValues);
    pProfileYMax = vector(1, nColorValues);
    for (int k = 0; k < n; k++) {
        pProfileXPos[k + 1] = X.pData[k];
        pProfileXMax[k + 1] = pColorValues[k];
        pProfileYPos[k + 1] = Y.pData[k];
        pProfileYMax[k + 1] = pColorValues[k];
    }
    nProfileX = mergeProfile(n, pProfileXPos, pProfileXMax);
    nProfileY = mergeProfile(n, pProfileYPos, pProfileYMax);

    HPEN hBluePen = CreatePen(PS_SOLID, 0, 0xff0000);
    HBRUSH hBlueBrush = CreateSolidBrush(0xff0000);
    SelectObject(dc, hBluePen);
    SelectObject(dc, hBlueBrush);
    for (int j = 1; j <= nProfileX; j++) {
        int px = MapX(pProfileXPos[j]);
        int py = MapY(float(fYMin + (double(fYMax) - fYMin) * pProfileXMax[j] / fColorValueMax));
        if (j == 1)
            MoveToEx(dc, px, py, nullptr);
        else
            LineTo(dc, px, py);
    }
    HPEN hGreenPen = CreatePen(PS_SOLID, 0, 0x00ff00);
    HBRUSH hGreenBrush = CreateSolidBrush(0x00ff00);
    SelectObject(dc, hGreenPen);
    SelectObject(dc, hGreenBrush);
    for (int j = 1; j <= nProfileY; j++) {
        int px = MapX(float(fXMin + (double(fXMax) - fXMin) * pProfileYMax[j] / fColorValueMax));
        int py = MapY(pProfileYPos[j]);
        if (j == 1)
            MoveToEx(dc, px, py, nullptr);
        else
            LineTo(dc, px, py);
    }
    SelectObject(dc, hCurvePen);
    SelectObject(dc, hCurveBrush);
    DeleteObject(hBluePen);
    DeleteObject(hBlueBrush);
    DeleteObject(hGreenPen);
    DeleteObject(hGreenBrush);
    free_vector(pProfileXPos, 1, nColorValues);
    free_vector(pProfileXMax, 1, nColorValues);
    free_vector(pProfileYPos, 1, nColorValues);
    free_vector(pProfileYMax, 1, nColorValues);
    pProfileXPos = pProfileXMax = pProfileYPos = pProfileYMax = nullptr;
}
