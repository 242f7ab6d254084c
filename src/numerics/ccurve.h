// CCurve: an x and a y CVector paired into one curve, as the plots take them.
// Indices are 0-based; x is taken as ascending by the window searches.
#pragma once

#include <atomic>

#include "numerics/cvector.h"

// Curves alive; counted by the constructors and the destructor.
extern std::atomic<int> nCurveInstances;

class CCurve {
public:
    int bOwnsVectors = 0; // the curve made its vectors and deletes them
    CVector* pX = nullptr;
    CVector* pY = nullptr;

    CCurve();
    // Shares the two vectors (the form the plots use).
    CCurve(CVector* x, CVector* y);
    // Shares the other curve's vectors without owning them.
    CCurve(const CCurve& other);
    // Owned vectors with the n values xs[nXOffset + i] and ys[nYOffset + i].
    CCurve(const float* xs, const float* ys, int n, int nXOffset, int nYOffset);
    ~CCurve();
    CCurve& operator=(const CCurve&) = delete;

    // Two columns, "%e " x and "%e\n" y per point.
    bool SaveColumnsExp(const char* szPath) const;
    // Reads columns nXColumn and nYColumn (from 1) of a text table, one point
    // per non-blank line of any length; values are separated by blanks or
    // tabs, a ';' or ',' directly after a value also separates. 1 when every
    // line was read; 0 when the file cannot be opened (curve unchanged) or a
    // value cannot be read (the vectors keep what was read, the rest is 0).
    int Load(const char* szPath, int nXColumn, int nYColumn);
    // As Load, every k lines averaged into one point.
    int LoadAveraged(const char* szPath, int nXColumn, int nYColumn, int k);

    float MinYInXWindow(float x1, float x2, int first, int last) const;
    float MaxYInXWindow(float x1, float x2, int first, int last) const;
    float MinYBetween(float x1, float x2) const;
    float MaxYBetween(float x1, float x2) const;
    float MeanYBetween(float x1, float x2) const;

    int NearestIndex(float x0) const;
    int NearestXPoint(float x0, float* px, float* py) const;
    int NearestYPoint(float y0, float* px, float* py) const;
    int NearestPoint(float x0, float y0, float* px, float* py) const;
    float XAtMaxY() const;
    void SortByX();
    float ValueAt(float x0) const;

    // Local maxima strictly above the w points on each side, highest first;
    // up to nMaxPeaks of them into pxOut[1..], pyOut[1..] and, when given,
    // their 1-based positions into pIndexOut[1..]. Returns the number copied.
    int FindPeaks(float* pxOut, float* pyOut, int* pIndexOut, int nMaxPeaks, int w) const;

private:
    int Size() const;
    int ReadTable(const char* szPath, int nXColumn, int nYColumn, int k);
};

// Two columns "%f " x[i] and "%f\n" y[i] for i = 1..n (one-based arrays).
bool saveXYColumns(const char* szPath, int n, const float* x, const float* y);
