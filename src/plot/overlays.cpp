// Curve overlays: the walk over one index range of a curve, in the plot's
// mapping, with the renderer's symbols, recorded into a metafile of its own.
#include "plot/overlays.h"

#include "numerics/nrutil.h"

using namespace win;

namespace {

COLORREF tableColor(int** pColors, int row)
{
    return COLORREF((pColors[row][1] & 0xff) | ((pColors[row][2] & 0xff) << 8) | ((pColors[row][3] & 0xff) << 16));
}

// Zero-based walk [s, e) of a curve of n points for the one-based first and
// last. A first beyond 1 but before the last two points starts there; a last
// beyond the start and before the end stops there; otherwise the walk runs to
// the ends. The comparisons are unsigned, so negative values count as large.
void overlayRange(int first, int last, unsigned n, int* pS, int* pE)
{
    int s = (first > 1 && unsigned(first) < n - 1) ? first - 1 : 0;
    int e = (unsigned(last) < n && unsigned(last) > unsigned(s + 1)) ? last : int(n);
    *pS = s;
    *pE = e;
}

}  // namespace

// The common walk of OverlayCurve (pColors null) and OverlayCurveEx.
static HMETAFILE recordOverlay(CWINPlot& plot, const CCurve* pCurve, int first, int last, COLORREF cr,
                               int** pColors, int nStyle, int nSize)
{
    if (!pCurve || !pCurve->pX || !pCurve->pY || !pCurve->pX->pData || !pCurve->pY->pData) return nullptr;
    const CVector& X = *pCurve->pX;
    const CVector& Y = *pCurve->pY;
    const unsigned n = X.nSize < Y.nSize ? X.nSize : Y.nSize;
    if (n == 0) return nullptr;
    int s, e;
    overlayRange(first, last, n, &s, &e);
    const bool bEx = pColors != nullptr;
    if (bEx) cr = tableColor(pColors, (first >= 1 && unsigned(first) <= n) ? first : s + 1);

    HDC dc = CreateMetaFileA(nullptr);
    if (!dc) return nullptr;
    SetWindowExtEx(dc, plotWindowWidth(), plotWindowHeight(), nullptr);
    HPEN hPen = CreatePen(PS_SOLID, 0, cr);
    HPEN hWhitePen = CreatePen(PS_SOLID, 0, 0xffffff);
    HBRUSH hBrush = CreateSolidBrush(cr);
    SelectObject(dc, hPen);
    SelectObject(dc, nStyle == 15 ? GetStockObject(NULL_BRUSH) : HGDIOBJ(hBrush));
    const int nSavedSize = plot.nSymbolSize;
    plot.nSymbolSize = nSize;

    MoveToEx(dc, plot.MapX(X.pData[s]), plot.MapY(Y.pData[s]), nullptr);
    HPEN hLivePen = hPen;  // the pen of the point walked last (OverlayCurveEx)
    bool bInside = false;
    int qx = 0, qy = 0;
    float fPrevX = X.pData[s];
    int nCounter = plot.nDrawStride;
    for (int i = s; i < e; i++) {
        if (nCounter != plot.nDrawStride) {
            nCounter++;
            continue;
        }
        nCounter = 1;
        if (bEx) {
            HPEN h = CreatePen(PS_SOLID, 0, tableColor(pColors, i + 1));
            SelectObject(dc, h);
            DeleteObject(hLivePen);
            hLivePen = h;
        }
        const float x = X.pData[i], y = Y.pData[i];
        const float fLastX = fPrevX;
        fPrevX = x;
        const bool bIn = plot.fYMin <= y && y <= plot.fYMax &&
                         ((plot.fXMin <= x && x <= plot.fXMax) || (plot.bLogX && x == 0) || (plot.bLogY && y == 0));
        if (!bIn) {
            bInside = false;
            continue;
        }
        const int px = plot.MapX(x), py = plot.MapY(y);
        bool bSymbol = !(plot.bNoValueWhite && plot.pColorValues && i < plot.nColorValues &&
                         plot.pColorValues[i] == -1.0f);
        if (!bEx && plot.bClipOverlaySymbols) {
            const bool bClear = px > plot.nFrameLeft + nSize && px < plot.nFrameRight - nSize &&
                                py > plot.nFrameTop + nSize && py < plot.nFrameBottom - nSize;
            if (!bClear && !bInside) continue;  // such a point cannot start a run
            if (!bClear) bSymbol = false;
        }
        if (bInside) {
            bool bJoin = (plot.bConnectSymbols || nStyle == -1) && nStyle != 14;
            if (bJoin && plot.bBreakOnXDecrease && x < fLastX) bJoin = false;
            if (bJoin)
                LineTo(dc, px, py);
            else
                MoveToEx(dc, px, py, nullptr);
            if (bSymbol) plot.DrawSymbol(dc, nStyle, px, py, qx, qy, false, i == e - 1, hLivePen, hWhitePen, -1, i);
        } else {
            bInside = true;
            MoveToEx(dc, px, py, nullptr);
            if (bSymbol) plot.DrawSymbol(dc, nStyle, px, py, px, py, true, i == e - 1, hLivePen, hWhitePen, -1, i);
        }
        qx = px;
        qy = py;
    }

    DeleteObject(hLivePen);
    DeleteObject(hWhitePen);
    DeleteObject(hBrush);
    plot.nSymbolSize = nSavedSize;
    return CloseMetaFile(dc);
}

HMETAFILE CWINPlot::OverlayCurve(const CCurve* pCurve, int first, int last, COLORREF cr, int nStyle, int nSize)
{
    if (last < first) return nullptr;
    return recordOverlay(*this, pCurve, first, last, cr, nullptr, nStyle, nSize);
}

HMETAFILE CWINPlot::OverlayCurveEx(const CCurve* pCurve, int first, int last, int** pColors, int nStyle, int nSize)
{
    if (!pColors) return nullptr;
    return recordOverlay(*this, pCurve, first, last, 0, pColors, nStyle, nSize);
}

HMETAFILE CWINPlot::OverlayCurveAll(const CCurve* pCurve, COLORREF cr, int nStyle, int nSize)
{
    if (!pCurve || !pCurve->pX || pCurve->pX->nSize == 0) return nullptr;
    return OverlayCurve(pCurve, 1, int(pCurve->pX->nSize), cr, nStyle, nSize);
}

// ------------------------------------------------------------ array wrappers

namespace {

// Views of count elements of x and y from element nFrom on, as a curve.
struct ArrayCurve {
    CVector X, Y;
    CCurve* pCurve;
    ArrayCurve(float* x, float* y, int count, int nFrom)
    {
        X.Attach(x, unsigned(count), nFrom);
        Y.Attach(y, unsigned(count), nFrom);
        pCurve = new CCurve(&X, &Y);
    }
    ~ArrayCurve() { delete pCurve; }
    ArrayCurve(const ArrayCurve&) = delete;
    ArrayCurve& operator=(const ArrayCurve&) = delete;
};

// A float copy of y[1..n], vector(1, n).
float* floatCopy(const double* y, int n)
{
    float* v = vector(1, n);
    for (int i = 1; i <= n; i++) v[i] = float(y[i]);
    return v;
}

}  // namespace

HMETAFILE overlayFloatArrays(CWINPlot* pPlot, float* x, float* y, int n, COLORREF cr, int nStyle, int nSize)
{
    if (!pPlot || !x || !y || n < 1) return nullptr;
    ArrayCurve c(x, y, n, 1);
    return pPlot->OverlayCurveAll(c.pCurve, cr, nStyle, nSize);
}

HMETAFILE overlayDoubleArrays(CWINPlot* pPlot, const double* x, const double* y, int n, COLORREF cr, int nStyle,
                              int nSize)
{
    if (!pPlot || !x || !y || n < 1) return nullptr;
    float* fx = floatCopy(x, n);
    float* fy = floatCopy(y, n);
    HMETAFILE h = overlayFloatArrays(pPlot, fx, fy, n, cr, nStyle, nSize);
    free_vector(fx, 1, n);
    free_vector(fy, 1, n);
    return h;
}

HMETAFILE overlayFloatArraysRange(CWINPlot* pPlot, float* x, float* y, int n, int first, int last, COLORREF cr,
                                  int nStyle, int nSize)
{
    int count = last - first + 1 < n ? last - first + 1 : n;
    if (!pPlot || !x || !y || count < 1) return nullptr;
    ArrayCurve c(x, y, count, first > 1 ? first : 1);
    return pPlot->OverlayCurveAll(c.pCurve, cr, nStyle, nSize);
}

HMETAFILE overlayFloatArraysMultiColor(CWINPlot* pPlot, float* x, float* y, int n, int** pColors, int nStyle,
                                       int nSize)
{
    if (!pPlot || !x || !y || n < 1) return nullptr;
    ArrayCurve c(x, y, n, 1);
    return pPlot->OverlayCurveEx(c.pCurve, 1, n, pColors, nStyle, nSize);
}

HMETAFILE overlayFloatDoubleArrays(CWINPlot* pPlot, float* x, const double* y, int n, COLORREF cr, int nStyle,
                                   int nSize)
{
    if (!pPlot || !x || !y || n < 1) return nullptr;
    float* fy = floatCopy(y, n);
    HMETAFILE h = overlayFloatArrays(pPlot, x, fy, n, cr, nStyle, nSize);
    free_vector(fy, 1, n);
    return h;
}

HMETAFILE overlayNormalizedDoubleArray(CWINPlot* pPlot, float* x, const double* y, int n, double dPeak, COLORREF cr,
                                       int nStyle, int nSize)
{
    if (!pPlot || !x || !y || n < 1) return nullptr;
    double m = y[1];
    for (int i = 2; i <= n; i++)
        if (y[i] > m) m = y[i];
    const bool bUnscaled = m < 1e-30 && m > -1e-30;
    float* fy = vector(1, n);
    for (int i = 1; i <= n; i++) fy[i] = bUnscaled ? float(y[i]) : float(y[i] * dPeak / m);
    HMETAFILE h = overlayFloatArrays(pPlot, x, fy, n, cr, nStyle, nSize);
    free_vector(fy, 1, n);
    return h;
}

HMETAFILE overlayNormalizedFloatArray(CWINPlot* pPlot, float* x, const float* y, int n, double dPeak, COLORREF cr,
                                      int nStyle, int nSize)
{
    if (!pPlot || !x || !y || n < 1) return nullptr;
    float m = y[1];
    for (int i = 2; i <= n; i++)
        if (y[i] > m) m = y[i];
    float* fy = vector(1, n);
    for (int i = 1; i <= n; i++) fy[i] = m == 0 ? y[i] : float(y[i] * dPeak / m);
    HMETAFILE h = overlayFloatArrays(pPlot, x, fy, n, cr, nStyle, nSize);
    free_vector(fy, 1, n);
    return h;
}
