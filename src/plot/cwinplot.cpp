// CWINPlot: construction, the per-curve tables, texts, options and the
// conversions between values and logical units.
#include "plot/cwinplot.h"

#include <cmath>
#include <cstring>

#include "numerics/nrutil.h"

using namespace win;

namespace {

const COLORREF pDefaultPalette[10] = {0x000000, 0x0000ff, 0x00ffff, 0x00ff00, 0x6464ff,
                                      0xffff00, 0xff0000, 0xffc864, 0xff00ff, 0x006464};

constexpr int nTextSize = 100;

// Copies at most nSize - 1 characters and always terminates: a text longer
// than its buffer is cut, never written past the end.
char* copyBounded(char* szTarget, size_t nSize, const char* szSource)
{
    size_t n = 0;
    if (szSource) {
        while (n + 1 < nSize && szSource[n] != '\0') n++;
        std::memcpy(szTarget, szSource, n);
    }
    szTarget[n] = '\0';
    return szTarget;
}

template <class T>
T* grownCopy(T* pOld, int nOld, int nNew)
{
    T* p = new T[size_t(nNew)]();
    for (int k = 0; k < nOld && k < nNew; k++) p[k] = pOld[k];
    return p;
}

int* grownIvector(int* pOld, int nOld, int nNew)
{
    // ivectors 0..n with one spare slot
    int* p = ivector(0, nNew);
    for (int k = 0; k <= nOld && k <= nNew && pOld; k++) p[k] = pOld[k];
    return p;
}

void deleteVectorTable(CVector**& pTable, int nCapacity)
{
    if (!pTable) return;
    for (int k = 0; k <= nCapacity; k++) delete pTable[k];
    delete[] pTable;
    pTable = nullptr;
}

}  // namespace

CWINPlot::CWINPlot()
{
    pPalette = new COLORREF[10];
    for (int k = 0; k < 10; k++) pPalette[k] = pDefaultPalette[k];
}

CWINPlot::CWINPlot(CCurve* pCurve) : CWINPlot()
{
    nDefaultStyle = 0;
    if (!pCurve) return;
    // The plot made this curve, so it releases it (see the destructor).
    pOwnCurve = new CCurve(pCurve->pX, pCurve->pY);
    pCurves = new CCurve*[1];
    pCurves[0] = pOwnCurve;
    pCurveStyles = new int[1];
    pCurveStyles[0] = 0;
    pCurveNames = new char*[1];
    pCurveNames[0] = nullptr;
    pCurveColors = new COLORREF[1];
    pCurveColors[0] = GetPaletteColor(1);
    pCurveColorSet = ivector(0, 1);
    pRangeSet = ivector(0, 1);
    pRangeFirst = ivector(0, 1);
    pRangeLast = ivector(0, 1);
    nCurves = 1;
    Rescale();
}

CWINPlot::~CWINPlot()
{
    if (nCurves > 0) ReleaseCurveTables();
    free_ivector(pPointMask, 1, nPointMask);
    free_ivector(pShuffleOrder, 1, nShuffleOrder);
    delete[] pMarks;
    if (pButtons) ReleaseButtons();
    // The views made by the attach operations are the plot's own.
    deleteVectorTable(pExtraArrayA, nExtraArrayCapacity);
    deleteVectorTable(pExtraArrayB, nExtraArrayCapacity);
    deleteVectorTable(pIntervalLow, nIntervalCapacity);
    deleteVectorTable(pIntervalHigh, nIntervalCapacity);
    delete[] pPalette;
    if (bMetaFileValid && hMetaFile) DeleteMetaFile(hMetaFile);
    delete pOwnCurve;
}

void CWINPlot::ReleaseCurveTables()
{
    if (pCurveNames) {
        for (int k = 0; k < nCurves; k++) delete[] pCurveNames[k];
    }
    delete[] pCurves;
    delete[] pCurveStyles;
    delete[] pCurveNames;
    delete[] pCurveColors;
    free_ivector(pCurveColorSet, 0, nCurves);
    free_ivector(pRangeSet, 0, nCurves);
    free_ivector(pRangeFirst, 0, nCurves);
    free_ivector(pRangeLast, 0, nCurves);
    pCurves = nullptr;
    pCurveStyles = nullptr;
    pCurveNames = nullptr;
    pCurveColors = nullptr;
    pCurveColorSet = pRangeSet = pRangeFirst = pRangeLast = nullptr;
}

void CWINPlot::AppendCurves(CCurve* const* ppCurves, int n)
{
    int k = nCurves;
    CCurve** pNewCurves = grownCopy(pCurves, k, k + n);
    int* pNewStyles = grownCopy(pCurveStyles, k, k + n);
    char** pNewNames = grownCopy(pCurveNames, k, k + n);
    COLORREF* pNewColors = grownCopy(pCurveColors, k, k + n);
    int* pNewColorSet = grownIvector(pCurveColorSet, k, k + n);
    int* pNewRangeSet = grownIvector(pRangeSet, k, k + n);
    int* pNewRangeFirst = grownIvector(pRangeFirst, k, k + n);
    int* pNewRangeLast = grownIvector(pRangeLast, k, k + n);
    for (int j = k; j < k + n; j++) {
        pNewCurves[j] = ppCurves[j - k];
        pNewStyles[j] = nDefaultStyle;
        pNewNames[j] = nullptr;
        // The first curve takes entry 1 as well, so curves 0 and 1 are both red.
        pNewColors[j] = GetPaletteColor(j == 0 ? 1 : j);
        pNewColorSet[j] = 0;
        pNewRangeSet[j] = 0;
        pNewRangeFirst[j] = 0;
        pNewRangeLast[j] = 0;
    }
    // The names moved into the new table; only the old tables go.
    delete[] pCurveNames;
    pCurveNames = nullptr;
    int nOld = nCurves;
    delete[] pCurves;
    delete[] pCurveStyles;
    delete[] pCurveColors;
    free_ivector(pCurveColorSet, 0, nOld);
    free_ivector(pRangeSet, 0, nOld);
    free_ivector(pRangeFirst, 0, nOld);
    free_ivector(pRangeLast, 0, nOld);
    pCurves = pNewCurves;
    pCurveStyles = pNewStyles;
    pCurveNames = pNewNames;
    pCurveColors = pNewColors;
    pCurveColorSet = pNewColorSet;
    pRangeSet = pNewRangeSet;
    pRangeFirst = pNewRangeFirst;
    pRangeLast = pNewRangeLast;
    nCurves = k + n;
}

void CWINPlot::AddCurve(CCurve* pCurve)
{
    AppendCurves(&pCurve, 1);
    Rescale();
    if (bScaleChanged == 0 && nCurves == 1) Draw();
}

void CWINPlot::AddCurves(CCurve* const* ppCurves, int n)
{
    if (n <= 0) return;
    // The first curve of an empty plot records the first picture, as it does
    // when added alone.
    if (nCurves == 0) {
        AddCurve(ppCurves[0]);
        ++ppCurves;
        --n;
        if (n == 0) return;
    }
    AppendCurves(ppCurves, n);
    Rescale();
}

void CWINPlot::RemoveLastCurve()
{
    if (nCurves <= 0) return;
    delete[] pCurveNames[nCurves - 1];
    pCurveNames[nCurves - 1] = nullptr;
    if (nCurves == 1) {
        ReleaseCurveTables();
        nCurves = 0;
        fXScale = fYScale = fXOffset = fYOffset = 0;
        return;
    }
    nCurves--;
}

void CWINPlot::RemoveAllCurves()
{
    if (nCurves <= 0) return;
    deleteVectorTable(pIntervalLow, nIntervalCapacity);
    deleteVectorTable(pIntervalHigh, nIntervalCapacity);
    ReleaseCurveTables();
    bLegend = 0;
    bIntervals = 0;
    nIntervalCapacity = 100;
    nCurves = 0;
}

void CWINPlot::ReplaceLastCurve(CCurve* pCurve)
{
    if (nCurves <= 0) return;
    pCurves[nCurves - 1] = pCurve;
    Rescale();
    Draw();
}

void CWINPlot::SetCurve(int i, CCurve* pCurve)
{
    if (i < 0 || i >= nCurves) return;
    pCurves[i] = pCurve;
}

void CWINPlot::SetCurveColor(int i, COLORREF cr)
{
    if (i < 0 || i >= nCurves) return;
    pCurveColors[i] = cr;
    pCurveColorSet[i] = 1;
}

COLORREF CWINPlot::GetCurveColor(int i) const
{
    if (i < 0 || i >= nCurves) return 0;
    return pCurveColors[i];
}

void CWINPlot::SetCurveStyle(int i, int nStyle)
{
    if (i < 0 || i >= nCurves) return;
    pCurveStyles[i] = nStyle;
}

int CWINPlot::GetCurveStyle(int i) const
{
    if (i < 0 || i >= nCurves) return 0;
    return pCurveStyles[i];
}

void CWINPlot::SetCurveIndexRange(int i, int first, int last)
{
    if (i < 0 || i >= nCurves) return;
    int nSize = (pCurves[i] && pCurves[i]->pX) ? int(pCurves[i]->pX->nSize) : 0;
    if (first < 0) first = 0;
    if (last >= nSize) last = nSize - 1;
    pRangeSet[i] = 1;
    pRangeFirst[i] = first;
    pRangeLast[i] = last;
}

void CWINPlot::SetCurveName(int i, const char* sz)
{
    if (i < 0 || i >= nCurves) return;
    if (!pCurveNames[i]) pCurveNames[i] = new char[nTextSize];
    copyBounded(pCurveNames[i], nTextSize, sz);
}

void CWINPlot::AttachCurveErrors(int i, float* pLow, float* pHigh, int n)
{
    if (i < 0 || i >= nCurves || i > nIntervalCapacity) return;
    if (!pIntervalLow) pIntervalLow = new CVector*[size_t(nIntervalCapacity) + 1]();
    if (!pIntervalHigh) pIntervalHigh = new CVector*[size_t(nIntervalCapacity) + 1]();
    const CCurve* c = pCurves[i];
    if (!c || !c->pX || n < 0 || c->pX->nSize != unsigned(n) || !pLow || !pHigh) return;
    delete pIntervalLow[i];
    delete pIntervalHigh[i];
    pIntervalLow[i] = new CVector;
    pIntervalLow[i]->Attach(pLow, unsigned(n), 1);
    pIntervalHigh[i] = new CVector;
    pIntervalHigh[i]->Attach(pHigh, unsigned(n), 1);
    bIntervals = 1;
}

void CWINPlot::AttachExtraArray(CVector**& pTable, unsigned char& bFlag, int i, float* pValues, int n)
{
    if (i < 0 || i >= nCurves || i > nExtraArrayCapacity) return;
    if (!pTable) pTable = new CVector*[size_t(nExtraArrayCapacity) + 1]();
    const CCurve* c = pCurves[i];
    if (!c || !c->pX || n < 0 || c->pX->nSize != unsigned(n) || !pValues) return;
    delete pTable[i];
    pTable[i] = new CVector;
    pTable[i]->Attach(pValues, unsigned(n), 1);
    bFlag = 1;
    nErrorBarCapWidth = int(std::floor(1.5 * nSymbolSize));
}

void CWINPlot::AttachExtraArrayA(int i, float* pValues, int n)
{
    AttachExtraArray(pExtraArrayA, bExtraArrayA, i, pValues, n);
}

void CWINPlot::AttachExtraArrayB(int i, float* pValues, int n)
{
    AttachExtraArray(pExtraArrayB, bExtraArrayB, i, pValues, n);
}

void CWINPlot::SetHighlightSegment(int i, float* pValues, int first, int last, int flag)
{
    if (!pValues) return;
    pColorValues = pValues + first;
    nColorValues = last - first + 1;
    bColorValues = 1;
    nColorCurve = i;
    bColorValuesFlag = flag != 0;
}

void CWINPlot::AddMark(CVector* pBand)
{
    if (nMarks >= nMarksMax) return;
    if (!pMarks) pMarks = new CVector*[size_t(nMarksMax) + 1]();
    nMarks++;
    pMarks[nMarks] = pBand;
}

void CWINPlot::SetDefaultStyle(int nStyle)
{
    nDefaultStyle = nStyle < 5 ? nStyle : nStyle % 4;
}

COLORREF CWINPlot::GetPaletteColor(int i) const
{
    if (i < 0) return 0xc8c8c8;
    return pPalette[i % 10];
}

void CWINPlot::SetPaletteColor(int i, COLORREF cr)
{
    if (i >= 0 && i <= 9) pPalette[i] = cr;
}

void CWINPlot::SetPointMask(const int* pMask, int n, int nStyle, COLORREF cr, int nSize)
{
    if (!pMask || n <= 0) return;
    int* pCopy = ivector(1, n);
    for (int k = 1; k <= n; k++) pCopy[k] = pMask[k];
    if (nPointMask > 0) free_ivector(pPointMask, 1, nPointMask);
    pPointMask = pCopy;
    nPointMask = n;
    nPointMaskParamB = nStyle;
    crPointMask = cr;
    nPointMaskParamA = nSize;
}

// ------------------------------------------------------------------ texts

char* CWINPlot::SetXLabel(const char* sz)
{
    bXLabel = 1;
    return copyBounded(szXLabel, sizeof szXLabel, sz);
}

char* CWINPlot::SetYLabel(const char* sz)
{
    bYLabel = 1;
    return copyBounded(szYLabel, sizeof szYLabel, sz);
}

char* CWINPlot::SetTitle(const char* sz)
{
    bTitle = 1;
    return copyBounded(szTitle, sizeof szTitle, sz);
}

char* CWINPlot::SetYBottomText(const char* sz)
{
    bYBottomText = 1;
    return copyBounded(szYBottomText, sizeof szYBottomText, sz);
}

char* CWINPlot::SetYTopText(const char* sz)
{
    bYTopText = 1;
    return copyBounded(szYTopText, sizeof szYTopText, sz);
}

char* CWINPlot::SetColorBarTexts(int nOffset, const char* szBottom, const char* szTop)
{
    nColorBarTextOffset = nOffset;
    copyBounded(szColorBarBottomText, sizeof szColorBarBottomText, szBottom);
    bColorBarTexts = 1;
    return copyBounded(szColorBarTopText, sizeof szColorBarTopText, szTop);
}

char* CWINPlot::SetColorBarCaption(int a, int nOffset, const char* sz)
{
    nColorBarCaptionA = a;
    nColorBarCaptionOffset = nOffset;
    bColorBarCaption = 1;
    return copyBounded(szColorBarCaption, sizeof szColorBarCaption, sz);
}

void CWINPlot::ClearXLabel()
{
    szXLabel[0] = '\0';
    bXLabel = 0;
}

void CWINPlot::ClearYLabel()
{
    szYLabel[0] = '\0';
    bYLabel = 0;
}

void CWINPlot::SetColorBarRange(float fMin, float fMax)
{
    fColorBarMin = fMin;
    fColorBarMax = fMax;
    if (fColorBarMax == fColorBarMin) fColorBarMax = 2 * fColorBarMin;
    if (fColorBarMax == fColorBarMin) fColorBarMax = fColorBarMin + 1;
    bColorBarRange = 1;
}

void CWINPlot::SetYValueScale(float a, float b)
{
    if (a == b) {
        bYValueScale = 0;
        fYValueScaleLo = fYValueScaleHi = 0;
        return;
    }
    fYValueScaleLo = a < b ? a : b;
    fYValueScaleHi = a < b ? b : a;
    bYValueScale = 1;
}

// ------------------------------------------------------------ coordinates

bool CWINPlot::PixelToValue(float x, float y, float* pvx, float* pvy) const
{
    double xl = double(fPlotXScale) * x;
    auto between = [](double v, double a, double b) { return (v >= a && v <= b) || (v >= b && v <= a); };
    if (!between(xl, nFrameLeft, nFrameRight)) return false;
    if (!between(y, nFrameBottom, double(nFrameTop) + nButtonSize)) return false;
    if (pvx) {
        double v = (std::trunc(xl) - fXOffset) / fXScale;
        *pvx = float(bLogX ? std::pow(10.0, v) : v);
    }
    if (pvy) {
        double v = (std::trunc(double(y)) - fYOffset) / fYScale;
        *pvy = float(bLogY ? std::pow(10.0, v) : v);
    }
    return true;
}

float CWINPlot::ValueAtPixel(float y) const
{
    if (!bYValueScale) return 0;
    return fYValueScaleLo + (y - nFrameBottom) * (fYValueScaleHi - fYValueScaleLo) / float(nFrameTop - nFrameBottom);
}
