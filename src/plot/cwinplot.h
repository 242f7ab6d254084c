// CWINPlot: the one x-y plot object. A caller creates it, gives it a frame
// (SetPlotRect), appends curves (not owned), sets styles, colours, ranges and
// texts, and calls Draw, which records the whole picture into a metafile kept
// in the plot; the main window plays that metafile onto its client area.
//
// Coordinates are logical units of a window 1399 wide and 1000 high, y growing
// downwards (nFrameBottom > nFrameTop). Curve indices are 0-based.
#pragma once

#include <cmath>

#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "platform/win.h"

class CScreenButton;

// Window extent of every plot picture: floor(1.4f * 1000) = 1399 by 1000.
extern const float fPlotXScale; // the float nearest 1.4
extern const float fThousand;   // 1000
int plotWindowWidth();
int plotWindowHeight();

// Fixed sizes of the picture, logical units.
inline constexpr int nMajorTickLength = 8;
inline constexpr int nMinorTickLength = 5;
inline constexpr int nTickLabelGap = 2;
inline constexpr int nTickLabelHeight = 17; // also the width charged per character of a y number
inline constexpr int nTitleGap = 32;
inline constexpr int bTopRightTicks = 1;
inline constexpr int nMinTicks = 3;

// Module-wide drawing state: two plots must not be drawn at the same time.
extern int bTickLogMode;         // decade-style minor ticks in ComputeTicks
extern int bPlotRedrawRequest;   // the renderer met a point outside the y range
extern unsigned char bDashToggle; // phase of the dots of short dashed steps
extern int nErrorBarCapWidth;    // half width of error-bar and value-bar caps

class CWINPlot {
public:
    win::HMETAFILE hMetaFile = nullptr;
    unsigned char bHideCurves = 0;
    unsigned char bMetaFileValid = 0;
    unsigned char bClipOverlaySymbols = 0;
    int nDrawStride = 1;
    unsigned char bExtraArrayA = 0;
    unsigned char bExtraArrayB = 0;
    CVector** pExtraArrayA = nullptr; // slots 0..nExtraArrayCapacity
    CVector** pExtraArrayB = nullptr;
    int nExtraArrayCapacity = 100;
    CVector** pIntervalLow = nullptr; // slots 0..nIntervalCapacity
    CVector** pIntervalHigh = nullptr;
    unsigned char bIntervals = 0;
    int nIntervalCapacity = 100;
    int nColorCurve = -1;
    unsigned char bColorValues = 0;
    unsigned char bColorBar = 0;
    int nColorBarOffset = 0;
    float fColorBarMax = 0;
    float fColorBarMin = 0;
    unsigned char bColorBarRange = 0;
    int* pPointMask = nullptr; // ivector 1..nPointMask, entry i + 1 for point i
    int nPointMask = 0;
    win::COLORREF crPointMask = 0xc8c8c8;
    int nPointMaskParamA = 3; // symbol size of excluded points
    int nPointMaskParamB = 1; // style code of excluded points
    unsigned char bUsePointMask = 0;
    int nColorBarTextOffset = 0;
    unsigned char bColorBarTexts = 0;
    char szColorBarBottomText[100] = {};
    char szColorBarTopText[100] = {};
    int* pShuffleOrder = nullptr; // ivector 1..nShuffleOrder
    int nShuffleOrder = 0;
    unsigned char bShuffledOrder = 0;
    unsigned char bColorBarCaption = 0;
    int nColorBarCaptionA = 0;
    int nColorBarCaptionOffset = 0;
    char szColorBarCaption[500] = {};
    unsigned char bNoValueBlack = 0;
    unsigned char bNoValueWhite = 0;
    unsigned char bNoValueWhiteB = 0;
    int nMarks = 0;
    int nMarksMax = 10;
    CVector** pMarks = nullptr; // slots 1..nMarksMax
    float* pColorValues = nullptr;
    float fColorValueMax = 0;
    int nColorValues = 0;
    unsigned char bColorBarScale = 0;
    unsigned char bColorMapDarkEnds = 0;
    unsigned char bColorValuesFlag = 0;
    unsigned char bYValueScale = 0;
    float fYValueScaleLo = 0;
    float fYValueScaleHi = 0;
    int nProfileX = 0;
    float* pProfileXPos = nullptr;
    float* pProfileXMax = nullptr;
    int nProfileY = 0;
    float* pProfileYMax = nullptr;
    float* pProfileYPos = nullptr;
    unsigned char bRightTickValues = 0;
    unsigned char bFrameBox = 1;
    int nColorKeyEntries = 0;
    unsigned char bHideTickValues = 0;
    win::COLORREF* pCurveColors = nullptr;
    int* pCurveColorSet = nullptr; // ivector 0..nCurves
    int nSymbolSize = 10;
    int nSymbolHeight = 10;
    int nSymbolSize2 = 10;
    int nSymbolHeight2 = 10;
    int bLogTicksX = 0;
    int bLogTicksY = 0;
    unsigned char bBreakOnXDecrease = 0;
    float fYTickLabelScale = 1.0f;
    unsigned char bLogX = 0;
    unsigned char bLogY = 0;
    int nLogClipMargin = 20;
    int* pRangeSet = nullptr;   // ivector 0..nCurves
    int* pRangeFirst = nullptr; // ivector 0..nCurves
    int* pRangeLast = nullptr;  // ivector 0..nCurves
    unsigned char bNoYAxis = 0;
    unsigned char bNoXAxis = 0;
    unsigned char bNoTopMargin = 0;
    unsigned char bInnerTopTicks = 0;
    int nCurves = 0;
    CCurve** pCurves = nullptr;
    int* pCurveStyles = nullptr;
    char szYBottomText[100] = {};
    int bYBottomText = 0;
    char szYTopText[100] = {};
    int bYTopText = 0;
    char szXLabel[100] = {};
    int nXLabelOffset = 0;
    char szYLabel[100] = {};
    int nYLabelOffset = 0;
    char szTitle[100] = {};
    int nTitleXShift = 0;
    int nTitleOffset = 0;
    int bTitle = 0;
    int bXLabel = 0;
    int bYLabel = 0;
    char** pCurveNames = nullptr;
    int bLegend = 0;
    int nFrameLeft = 0;
    int nFrameRight = 0;
    int nFrameBottom = 0;
    int nFrameTop = 0;
    int bZoomX = 0;
    int bZoomY = 0;
    int bYFromZero = 0;
    int bScaleChanged = 1;
    float fXScale = 0;
    float fYScale = 0;
    float fXOffset = 0;
    float fYOffset = 0;
    float fXMin = 0;
    float fXMax = 0;
    float fYMin = 0;
    float fYMax = 0;
    int nOuterLeft = 0;
    int nOuterBottom = 0;
    int nOuterRight = 0;
    int nOuterTop = 0;
    int bConnectSymbols = 0;
    int nDefaultStyle = -1;
    win::COLORREF* pPalette = nullptr; // 10 entries
    win::COLORREF crBackground = 0xffffff;
    win::COLORREF crFrame = 0;
    CScreenButton** pButtons = nullptr; // slots 1..nButtons
    int nButtons = 0;
    int nButtonSize = 20;

    CWINPlot();
    // A plot of one new curve on the given curve's vectors (style 0).
    explicit CWINPlot(CCurve* pCurve);
    ~CWINPlot();
    CWINPlot(const CWINPlot&) = delete;
    CWINPlot& operator=(const CWINPlot&) = delete;

    // --- curves
    void AddCurve(CCurve* pCurve);
    // Appends n curves as n AddCurve calls would, with one autoscale at the
    // end instead of one per curve: the data plot of hundreds of scans is
    // built in one step, and its range is found once.
    void AddCurves(CCurve* const* ppCurves, int n);
    void RemoveLastCurve();
    void RemoveAllCurves();
    void ReplaceLastCurve(CCurve* pCurve);
    void SetCurve(int i, CCurve* pCurve);
    void SetCurveColor(int i, win::COLORREF cr);
    win::COLORREF GetCurveColor(int i) const;
    void SetCurveStyle(int i, int nStyle);
    int GetCurveStyle(int i) const;
    void SetCurveIndexRange(int i, int first, int last);
    void SetCurveName(int i, const char* sz);
    void AttachCurveErrors(int i, float* pLow, float* pHigh, int n);
    void SetHighlightSegment(int i, float* pValues, int first, int last, int flag);
    void AddMark(CVector* pBand);
    void SetDefaultStyle(int nStyle);
    win::COLORREF GetPaletteColor(int i) const;
    void SetPaletteColor(int i, win::COLORREF cr);
    void AttachExtraArrayA(int i, float* pValues, int n);
    void AttachExtraArrayB(int i, float* pValues, int n);
    void SetPointMask(const int* pMask, int n, int nStyle, win::COLORREF cr, int nSize);

    // --- texts: bounded copies; each returns the stored text
    char* SetXLabel(const char* sz);
    char* SetYLabel(const char* sz);
    char* SetTitle(const char* sz);
    char* SetYBottomText(const char* sz);
    char* SetYTopText(const char* sz);
    char* SetColorBarTexts(int nOffset, const char* szBottom, const char* szTop);
    char* SetColorBarCaption(int a, int nOffset, const char* sz);
    void ClearXLabel();
    void ClearYLabel();

    // --- offsets and switches
    void SetTitleOffset(int n) { nTitleOffset = n; }
    void SetXLabelOffset(int n) { nXLabelOffset = n; }
    void SetYLabelOffset(int n) { nYLabelOffset = n; }
    void SetTitleXShift(int n) { nTitleXShift = n; }
    void ToggleYFromZero() { bYFromZero = !bYFromZero; }
    void ClearYFromZero() { bYFromZero = 0; }
    void ToggleConnectSymbols() { bConnectSymbols = !bConnectSymbols; }
    void ClearConnectSymbols() { bConnectSymbols = 0; }
    void HideTickValues() { bHideTickValues = 1; }
    void ShowTickValues() { bHideTickValues = 0; }
    void ShowRightTickValues() { bRightTickValues = 1; }
    void HideRightTickValues() { bRightTickValues = 0; }
    void ShowLegend() { bLegend = 1; }
    void HideLegend() { bLegend = 0; }
    void SetFrameBox(bool b) { bFrameBox = b ? 1 : 0; }
    void ShowColorBarScale() { bColorBarScale = 1; }
    void SetColorMapDarkEnds(bool b) { bColorMapDarkEnds = b ? 1 : 0; }
    void SetNoValueBlack() { bNoValueBlack = 1; }
    void ClearNoValueBlack() { bNoValueBlack = 0; }
    void SetNoValueWhite() { bNoValueWhite = 1; }
    void ClearNoValueWhite() { bNoValueWhite = 0; }
    void SetNoValueWhiteB() { bNoValueWhiteB = 1; }
    void ClearNoValueWhiteB() { bNoValueWhiteB = 0; }
    void SetColorBarRange(float fMin, float fMax);
    void SetYValueScale(float a, float b);

    // --- coordinates
    bool PixelToValue(float x, float y, float* pvx, float* pvy) const;
    float ValueAtPixel(float y) const;
    // Logical position of a value: trunc(v * scale + offset), log10(v) on a
    // log axis, a value <= 0 there nLogClipMargin outside the frame.
    int MapX(float v) const;
    int MapY(float v) const;

    // --- buttons round the frame's top-right corner
    // Rectangle (top, left, bottom, right) of button k = 1..5.
    void ButtonRect(int k, float* pTop, float* pLeft, float* pBottom, float* pRight) const;
    void PlaceButtons();
    // Five buttons captioned n ("%d"), "X", "i", "e", "s", placed; with buttons
    // present only button 1 is captioned anew.
    void CreateButtons(int n);

    // --- ranges, ticks, zoom
    void SetPlotRect(int top, int left, int bottom, int right);
    void Rescale();
    void ResetZoom();
    void SetAxisRanges(float xmin, float xmax, float ymin, float ymax);
    void SetXRange(float xmin, float xmax);
    void SetYRange(float ymin, float ymax);
    void ZoomTo(float xmin, float xmax);
    CVector* ComputeTicks(int coarse, float lo, float hi) const;

    // --- the picture
    bool Draw();
    win::COLORREF ColorForValue(float v) const;
    void DrawCurve(win::HDC dc, int i);
    void PrepareShuffleOrder(int first, int n);
    void DrawValueText(win::HDC dc, int x, int y, int i, int idx) const;
    // The shape a style code draws at (px, py); (qx, qy) is the previous drawn
    // point of the run. Shared by the renderer and the overlays: i < 0 is an
    // overlay, which draws no value texts (4) and no bars (21). hLinePen is
    // the pen style 13 draws its centre line with.
    void DrawSymbol(win::HDC dc, int nStyle, int px, int py, int qx, int qy, bool bRunStart, bool bLastPoint,
                    win::HPEN hLinePen, win::HPEN hWhitePen, int i, int idx);
    // The points first..end-1 of curve i when none has a colour, a mask, bars
    // or a place on the second scale, in their own order, every one drawn.
    void DrawPlainPoints(win::HDC dc, const float* pX, const float* pY, int first, int end, int nStyle,
                         win::HPEN hCurvePen, win::HPEN hWhitePen, int i);

    // Pictures with the plot's window extent; the caller owns the handle.
    win::HMETAFILE VerticalLinePicture(float x, win::COLORREF cr) const;
    win::HMETAFILE VerticalDashedLinePicture(float x, win::COLORREF cr) const;
    win::HMETAFILE DashedFramePicture(win::COLORREF cr) const;
    win::HDC BeginBackgroundPicture() const;
    void PlotFunction(win::HDC dc, double (*f)(double), int n, win::COLORREF cr) const;
    void DrawErrorBars(win::HDC dc, int i, const float* pErrors, int first, int last, win::COLORREF cr) const;

    // --- overlays (plot/overlays.cpp): one more curve drawn into the axes of
    // the drawn plot, recorded as a picture of its own that the caller plays
    // and deletes; 0 when nothing was recorded. first and last are one-based.
    // size replaces nSymbolSize for the call.
    win::HMETAFILE OverlayCurve(const CCurve* pCurve, int first, int last, win::COLORREF cr, int nStyle, int nSize);
    // A colour per point: pColors is imatrix(1, n, 1, 3) of red, green, blue.
    win::HMETAFILE OverlayCurveEx(const CCurve* pCurve, int first, int last, int** pColors, int nStyle, int nSize);
    win::HMETAFILE OverlayCurveAll(const CCurve* pCurve, win::COLORREF cr, int nStyle, int nSize);

    // The effective 0-based index range of curve i (first..last inclusive).
    void EffectiveRange(int i, int* pFirst, int* pLast) const;

private:
    CCurve* pOwnCurve = nullptr; // the curve made by the one-curve constructor

    bool RecordPicture();
    void ReleaseCurveTables();
    // The curve tables grown by n entries holding the curves (defaults as
    // AddCurve gives them), without an autoscale.
    void AppendCurves(CCurve* const* ppCurves, int n);
    void ReleaseButtons();
    void ResetScales();
    void SetXMapping();
    void SetYMapping();
    void MaskedYRange(const int* pFirst, const int* pLast);
    bool CurvesRange(bool bY, bool bLog, const int* pFirst, const int* pLast, bool bSkipSecondScale, float* pLo,
                     float* pHi) const;
    void DrawProfiles(win::HDC dc, const CVector& X, const CVector& Y, int n, win::HPEN hCurvePen,
                      win::HGDIOBJ hCurveBrush);
    void AttachExtraArray(CVector**& pTable, unsigned char& bFlag, int i, float* pValues, int n);
};

// trunc toward zero; positions far off the picture (or not numbers, from a
// log axis over non-positive ends) are held at a distance the drawing can take
inline int plotPosition(double d)
{
    if (std::isnan(d)) return 0;
    if (d > 1e8) return 100000000;
    if (d < -1e8) return -100000000;
    return int(d);
}

// Inline: the renderer maps every point of every curve.
inline int CWINPlot::MapX(float v) const
{
    if (bLogX) {
        if (v <= 0) return nFrameLeft - nLogClipMargin;
        return plotPosition(std::log10(double(v)) * double(fXScale) + double(fXOffset));
    }
    return plotPosition(double(v) * double(fXScale) + double(fXOffset));
}

inline int CWINPlot::MapY(float v) const
{
    if (bLogY) {
        if (v <= 0) return nFrameBottom - nLogClipMargin;
        return plotPosition(std::log10(double(v)) * double(fYScale) + double(fYOffset));
    }
    return plotPosition(double(v) * double(fYScale) + double(fYOffset));
}

// Drawing helpers shared by the renderer and the overlays.
void drawPixelDot(win::HDC dc, int x, int y);
void drawDottedStep(win::HDC dc, int x, int y);
void drawDashedLine(win::HDC dc, int x1, int y1, int x2, int y2);

// Copies the plot's picture to the clipboard as CF_METAFILEPICT; false when
// the clipboard cannot be opened.
bool copyMetafileToClipboard(CWINPlot* pPlot, win::HWND hOwner);
// The same for a picture: a copy of it goes to the clipboard (mapping mode 7,
// extents 13000 x 9000); the picture stays the caller's.
bool copyPictureToClipboard(win::HMETAFILE hPicture, win::HWND hOwner);
