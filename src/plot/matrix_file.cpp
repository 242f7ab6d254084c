#include "plot/matrix_file.h"

#include <cstdio>
#include <string>
#include <vector>

#include "numerics/error_stop.h"
#include "numerics/nrutil.h"
#include "numerics/sorting_interpolation.h"
#include "numerics/text_lines.h"
#include "platform/win.h"
#include "plot/error_box.h"

namespace {

void showFileError(const char* szFormat, const char* szPath)
{
    std::string sz(szFormat);
    size_t nAt = sz.find("%s");
    sz.replace(nAt, 2, szPath ? szPath : "");
    showErrorMessage(sz.c_str(), 0);
}

// Writes nLines lines of nPerLine values; value(i, j) gives the j-th value of
// the i-th line (both from 0).
template <class F>
bool writeTable(const char* szPath, long nLines, long nPerLine, F value)
{
    std::FILE* f = win::fopenMapped(szPath, "w");
    if (!f) {
        showFileError("\n\aAttention: could not open %s", szPath);
        return false;
    }
    bool bWritten = true;
    std::string szLine;
    for (long i = 0; i < nLines && bWritten; i++) {
        szLine.clear();
        for (long j = 0; j < nPerLine; j++) {
            szLine += '\t';
            appendFixed(szLine, value(i, j));
        }
        szLine += '\n';
        bWritten = writeText(f, szLine);
    }
    if (std::fflush(f) != 0) bWritten = false;
    if (std::fclose(f) != 0) bWritten = false;
    // A full disk must not pass for a saved table.
    if (!bWritten) showFileError("\n\aAttention: could not write to %s", szPath);
    return bWritten;
}

long countOf(int lo, int hi) { return hi >= lo ? long(hi) - lo + 1 : 0; }

// Reads nColumns numbers of every line into a new matrix, one matrix row per
// file column (bByColumn) or per line. Null on any failure (after the box).
float** readTable(const char* szPath, int nColumns, int* pnLines, bool bByColumn)
{
    if (pnLines) *pnLines = 0;
    std::FILE* f = win::fopenMapped(szPath, "r");
    if (!f) {
        showFileError("\n\aAttention: could not open %s", szPath);
        return nullptr;
    }
    CScopeExit closeFile([&] { std::fclose(f); });

    std::vector<std::string> lines;
    std::string szLine;
    while (readTextLine(f, szLine)) lines.push_back(szLine);
    // Even an empty file counts as one line, which then cannot be read.
    if (lines.empty()) lines.emplace_back();
    int nLines = static_cast<int>(lines.size());
    if (nColumns < 1) {
        showFileError("\n\aAttention: could not read from %s", szPath);
        return nullptr;
    }

    float** m = bByColumn ? matrix(1, nColumns, 1, nLines) : matrix(1, nLines, 1, nColumns);
    for (int i = 1; i <= nLines; i++) {
        const char* p = lines[static_cast<size_t>(i - 1)].c_str();
        for (int j = 1; j <= nColumns; j++) {
            float fValue;
            if (!readNumber(p, fValue)) {
                if (bByColumn)
                    free_matrix(m, 1, nColumns, 1, nLines);
                else
                    free_matrix(m, 1, nLines, 1, nColumns);
                showFileError("\n\aAttention: could not read from %s", szPath);
                return nullptr;
            }
            if (bByColumn)
                m[j][i] = fValue;
            else
                m[i][j] = fValue;
        }
    }
    if (pnLines) *pnLines = nLines;
    return m;
}

// Sorted copies of the pairs reduced to the largest y per distinct x.
int reduceSorted(int n, float* xs, float* ys, float* pX, float* pY)
{
    sort2(n, xs, ys);
    int nOut = 0;
    for (int i = 1; i <= n; i++) {
        if (nOut == 0 || xs[i] > pX[nOut]) {
            nOut++;
            pX[nOut] = xs[i];
            pY[nOut] = ys[i];
        } else if (ys[i] > pY[nOut]) {
            pY[nOut] = ys[i];
        }
    }
    return nOut;
}

}  // namespace

bool saveMatrixFile(double** m, int nrl, int nrh, int ncl, int nch, const char* szPath)
{
    return writeTable(szPath, countOf(nrl, nrh), countOf(ncl, nch),
                      [&](long i, long j) { return m[nrl + i][ncl + j]; });
}

bool saveFloatMatrixFile(float** m, int nrl, int nrh, int ncl, int nch, const char* szPath)
{
    return writeTable(szPath, countOf(nrl, nrh), countOf(ncl, nch),
                      [&](long i, long j) { return double(m[nrl + i][ncl + j]); });
}

bool saveMatrixFileTransposed(double** m, int nrl, int nrh, int ncl, int nch, const char* szPath)
{
    return writeTable(szPath, countOf(ncl, nch), countOf(nrl, nrh),
                      [&](long j, long i) { return m[nrl + i][ncl + j]; });
}

bool saveFloatMatrixFileTransposed(float** m, int nrl, int nrh, int ncl, int nch, const char* szPath)
{
    return writeTable(szPath, countOf(ncl, nch), countOf(nrl, nrh),
                      [&](long j, long i) { return double(m[nrl + i][ncl + j]); });
}

float** readMatrixFile(const char* szPath, int nColumns, int* pnLines)
{
    return readTable(szPath, nColumns, pnLines, true);
}

float** readMatrixFileB(const char* szPath, int nColumns, int* pnLines)
{
    return readTable(szPath, nColumns, pnLines, false);
}

bool maxYPerDistinctX(int n, const float* x, const int* key, const float* y, int* pnX, float* pX, float* pYPerX,
                      int* pnKeys, float* pYPerKey, int* pKeys)
{
    if (n < 1) {
        *pnX = 0;
        *pnKeys = 0;
        return true;
    }
    float* xs = vector(1, n);
    float* ys = vector(1, n);
    CScopeExit release([&] {
        free_vector(xs, 1, n);
        free_vector(ys, 1, n);
    });
    for (int i = 1; i <= n; i++) {
        xs[i] = x[i];
        ys[i] = y[i];
    }
    *pnX = reduceSorted(n, xs, ys, pX, pYPerX);

    // The keys are sorted as numbers, with the same routine.
    float* pKeyValues = vector(1, n);
    CScopeExit releaseKeys([&] { free_vector(pKeyValues, 1, n); });
    for (int i = 1; i <= n; i++) {
        xs[i] = static_cast<float>(key[i]);
        ys[i] = y[i];
    }
    *pnKeys = reduceSorted(n, xs, ys, pKeyValues, pYPerKey);
    for (int i = 1; i <= *pnKeys; i++) pKeys[i] = static_cast<int>(pKeyValues[i]);
    return true;
}
