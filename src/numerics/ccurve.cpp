#include "numerics/ccurve.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "numerics/error_stop.h"
#include "numerics/text_lines.h"

std::atomic<int> nCurveInstances{0};

namespace {

void reportOpenError(const char* szPath)
{
    std::string sz = "\n\aAttention: could not open ";
    sz += szPath ? szPath : "";
    reportError(sz.c_str(), 0);
}

} // namespace

CCurve::CCurve() { nCurveInstances++; }

CCurve::CCurve(CVector* x, CVector* y) : pX(x), pY(y) { nCurveInstances++; }

CCurve::CCurve(const CCurve& other) : pX(other.pX), pY(other.pY) { nCurveInstances++; }

CCurve::CCurve(const float* xs, const float* ys, int n, int nXOffset, int nYOffset)
{
    unsigned int nPoints = n > 0 ? static_cast<unsigned int>(n) : 0;
    std::unique_ptr<CVector> x(new CVector(nPoints, xs ? xs + nXOffset : nullptr));
    std::unique_ptr<CVector> y(new CVector(nPoints, ys ? ys + nYOffset : nullptr));
    pX = x.release();
    pY = y.release();
    bOwnsVectors = 1;
    nCurveInstances++;
}

CCurve::~CCurve()
{
    nCurveInstances--;
    if (bOwnsVectors) {
        delete pX;
        delete pY;
    }
}

int CCurve::Size() const
{
    if (!pX || !pY || !pX->pData || !pY->pData) return 0;
    return static_cast<int>(std::min(pX->nSize, pY->nSize));
}

bool CCurve::SaveColumnsExp(const char* szPath) const
{
    std::FILE* f = szPath ? std::fopen(szPath, "w") : nullptr;
    if (!f) {
        reportOpenError(szPath);
        return false;
    }
    std::string sz;
    for (int i = 0, n = Size(); i < n; i++) {
        appendExp(sz, pX->pData[i]);
        sz += ' ';
        appendExp(sz, pY->pData[i]);
        sz += '\n';
    }
    bool bOk = writeText(f, sz);
    return (std::fclose(f) == 0) && bOk;
}

bool saveXYColumns(const char* szPath, int n, const float* x, const float* y)
{
    std::FILE* f = szPath ? std::fopen(szPath, "w") : nullptr;
    if (!f) {
        reportOpenError(szPath);
        return false;
    }
    std::string sz;
    for (int i = 1; i <= n; i++) {
        appendFixed(sz, x[i]);
        sz += ' ';
        appendFixed(sz, y[i]);
        sz += '\n';
    }
    bool bOk = writeText(f, sz);
    return (std::fclose(f) == 0) && bOk;
}

namespace {

// The values of columns nXColumn and nYColumn of one line; false when one of
// the values up to the later column does not read.
bool readColumns(const std::string& szLine, int nXColumn, int nYColumn, float& x, float& y)
{
    const char* p = szLine.c_str();
    int nLast = std::max(nXColumn, nYColumn);
    for (int col = 1; col <= nLast; col++) {
        float v;
        if (!readNumber(p, v)) return false;
        if (*p == ';' || *p == ',') p++;
        if (col == nXColumn) x = v;
        if (col == nYColumn) y = v;
    }
    return true;
}

} // namespace

int CCurve::ReadTable(const char* szPath, int nXColumn, int nYColumn, int k)
{
    std::FILE* f = szPath ? std::fopen(szPath, "r") : nullptr;
    if (!f) {
        reportOpenError(szPath);
        return 0;
    }
    std::vector<std::string> lines;
    std::string szLine;
    while (readTextLine(f, szLine))
        if (!isBlankLine(szLine)) lines.push_back(szLine);
    std::fclose(f);

    if (k < 1) k = 1;
    nXColumn = std::max(nXColumn, 1);
    nYColumn = std::max(nYColumn, 1);
    unsigned int nPoints = static_cast<unsigned int>((lines.size() + static_cast<size_t>(k) - 1) / static_cast<size_t>(k));
    // Both new vectors exist before the old ones go: a failed allocation
    // leaves the curve with the vectors it had.
    std::unique_ptr<CVector> x(new CVector(nPoints));
    std::unique_ptr<CVector> y(new CVector(nPoints));
    if (bOwnsVectors) {
        delete pX;
        delete pY;
    }
    pX = x.release();
    pY = y.release();
    bOwnsVectors = 1;
    for (unsigned int i = 0; i < nPoints; i++) pX->pData[i] = pY->pData[i] = 0.0f;

    for (unsigned int point = 0; point < nPoints; point++) {
        size_t first = static_cast<size_t>(point) * static_cast<size_t>(k);
        size_t last = std::min(first + static_cast<size_t>(k), lines.size());
        float fSumX = 0.0f, fSumY = 0.0f;
        for (size_t line = first; line < last; line++) {
            float x = 0.0f, y = 0.0f;
            if (!readColumns(lines[line], nXColumn, nYColumn, x, y)) return 0;
            fSumX += x;
            fSumY += y;
        }
        float fCount = static_cast<float>(last - first);
        pX->pData[point] = k == 1 ? fSumX : fSumX / fCount;
        pY->pData[point] = k == 1 ? fSumY : fSumY / fCount;
    }
    return 1;
}

int CCurve::Load(const char* szPath, int nXColumn, int nYColumn) { return ReadTable(szPath, nXColumn, nYColumn, 1); }

int CCurve::LoadAveraged(const char* szPath, int nXColumn, int nYColumn, int k)
{
    return ReadTable(szPath, nXColumn, nYColumn, k);
}

namespace {

// The first extreme y (bBetter(a, b): a beats b) among the points first..
// last - 1 with x1 <= x <= x2; x ascends, so the scan ends past x2.
template <typename Better>
float extremeYInXWindow(const float* x, const float* y, int n, float x1, float x2, int first, int last,
                        Better bBetter)
{
    int hi = std::min(last, n);
    bool bFound = false;
    float f = 0.0f;
    for (int i = std::max(first, 0); i < hi; i++) {
        if (x[i] > x2) break;
        // a y that is not finite is no extreme (a NaN taken first would stay)
        if (x[i] >= x1 && std::isfinite(y[i]) && (!bFound || bBetter(y[i], f))) {
            f = y[i];
            bFound = true;
        }
    }
    return f;
}

} // namespace

float CCurve::MinYInXWindow(float x1, float x2, int first, int last) const
{
    int n = Size();
    if (n == 0) return 0.0f;
    return extremeYInXWindow(pX->pData, pY->pData, n, x1, x2, first, last, [](float a, float b) { return a < b; });
}

float CCurve::MaxYInXWindow(float x1, float x2, int first, int last) const
{
    int n = Size();
    if (n == 0) return 0.0f;
    return extremeYInXWindow(pX->pData, pY->pData, n, x1, x2, first, last, [](float a, float b) { return a > b; });
}

float CCurve::MinYBetween(float x1, float x2) const { return MinYInXWindow(x1, x2, 0, Size()); }

float CCurve::MaxYBetween(float x1, float x2) const { return MaxYInXWindow(x1, x2, 0, Size()); }

float CCurve::MeanYBetween(float x1, float x2) const
{
    float fSum = 0.0f;
    int nCount = 0;
    for (int i = 0, n = Size(); i < n; i++)
        if (pX->pData[i] >= x1 && pX->pData[i] <= x2) {
            fSum += pY->pData[i];
            nCount++;
        }
    return nCount ? fSum / static_cast<float>(nCount) : 0.0f;
}

namespace {

// Index of the point with the smallest distance (the first of equals), its
// coordinates through px and py when given.
template <typename Distance>
int nearestPoint(const float* x, const float* y, int n, Distance distance, float* px, float* py)
{
    int nBest = 0;
    float fBest = 0.0f;
    for (int i = 0; i < n; i++) {
        float d = distance(x[i], y[i]);
        if (i == 0 || d < fBest) {
            fBest = d;
            nBest = i;
        }
    }
    if (n > 0) {
        if (px) *px = x[nBest];
        if (py) *py = y[nBest];
    }
    return nBest;
}

} // namespace

int CCurve::NearestIndex(float x0) const { return NearestXPoint(x0, nullptr, nullptr); }

int CCurve::NearestXPoint(float x0, float* px, float* py) const
{
    int n = Size();
    if (n == 0) return 0;
    return nearestPoint(pX->pData, pY->pData, n, [&](float x, float) { return std::fabs(x - x0); }, px, py);
}

int CCurve::NearestYPoint(float y0, float* px, float* py) const
{
    int n = Size();
    if (n == 0) return 0;
    return nearestPoint(pX->pData, pY->pData, n, [&](float, float y) { return std::fabs(y - y0); }, px, py);
}

int CCurve::NearestPoint(float x0, float y0, float* px, float* py) const
{
    int n = Size();
    if (n == 0) return 0;
    auto distance = [&](float x, float y) { return (x - x0) * (x - x0) + (y - y0) * (y - y0); };
    return nearestPoint(pX->pData, pY->pData, n, distance, px, py);
}

float CCurve::XAtMaxY() const
{
    int n = Size();
    if (n == 0) return 0.0f;
    int nBest = 0;
    for (int i = 1; i < n; i++)
        if (pY->pData[i] > pY->pData[nBest]) nBest = i;
    return pX->pData[nBest];
}

void CCurve::SortByX()
{
    float* x = pX ? pX->pData : nullptr;
    float* y = pY ? pY->pData : nullptr;
    int n = Size();
    for (int i = 1; i < n;) {
        if (i > 0 && x[i - 1] > x[i]) {
            std::swap(x[i - 1], x[i]);
            std::swap(y[i - 1], y[i]);
            i--;
        } else {
            i++;
        }
    }
}

float CCurve::ValueAt(float x0) const
{
    int n = Size();
    if (n == 0) return 0.0f;
    int k = NearestIndex(x0);
    const float* x = pX->pData;
    const float* y = pY->pData;
    if (x[k] == x0 || n == 1) return y[k];
    int a, b;
    if (x[k] > x0) {
        a = k == 0 ? 0 : k - 1;
        b = a + 1;
    } else {
        b = k == n - 1 ? n - 1 : k + 1;
        a = b - 1;
    }
    if (x[b] == x[a]) return y[k];
    return y[a] + (y[b] - y[a]) * (x0 - x[a]) / (x[b] - x[a]);
}

int CCurve::FindPeaks(float* pxOut, float* pyOut, int* pIndexOut, int nMaxPeaks, int w) const
{
    if (nMaxPeaks < 1 || w < 1 || !pxOut || !pyOut) return 0;
    int n = Size();
    const float* y = pY ? pY->pData : nullptr;
    std::vector<int> peaks; // 1-based positions
    for (int k = w + 1; k <= n - w; k++) {
        float yk = y[k - 1];
        bool bPeak = true;
        for (int j = 1; j <= w && bPeak; j++) bPeak = yk > y[k - 1 - j] && yk > y[k - 1 + j];
        if (bPeak) peaks.push_back(k);
    }
    // Highest first; equal heights keep their order.
    std::stable_sort(peaks.begin(), peaks.end(), [&](int a, int b) { return y[a - 1] > y[b - 1]; });
    int nCopy = std::min(nMaxPeaks, static_cast<int>(peaks.size()));
    for (int i = 1; i <= nCopy; i++) {
        int k = peaks[static_cast<size_t>(i - 1)];
        pxOut[i] = pX->pData[k - 1];
        pyOut[i] = y[k - 1];
        if (pIndexOut) pIndexOut[i] = k;
    }
    return nCopy;
}
