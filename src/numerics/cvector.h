// CVector: the float vector the plots draw from.
//
// Indices are 0-based. Mostly a view: Attach() wraps a one-based numeric array
// without copying, so that a CCurve of two views can be handed to a plot. It
// can also own its storage (growing by one element with Append), and it offers
// window searches for autoscaling, tick labels, a one-value-per-line text file
// and Savitzky-Golay smoothing.
#pragma once

#include <cstdint>

class CVector {
public:
    float* pData = nullptr;    // element 0; null when empty
    unsigned int nSize = 0;     // number of elements
    unsigned int nCapacity = 0; // allocated elements, always nSize
    int bOwnsData = 1;          // the vector releases pData
    int nFlag = 1;              // flag word, carried along, not interpreted here

    CVector() = default;
    // n floats, not cleared.
    explicit CVector(unsigned int n, int flag = 1);
    CVector(const CVector& other);
    // An owned copy of the n floats at a.
    CVector(unsigned int n, const float* a, int flag = 1);
    ~CVector();

    // A non-owning view of the n floats at a[offset] (offset 1 for a one-based
    // array). Values below 1e-30 in magnitude are set to 0 in the array itself.
    void Attach(float* a, unsigned int n, int offset);
    void Resize(unsigned int n);
    void Append(float fValue);
    void AppendBits(uint32_t nBits); // the same, given the value's bit pattern

    float Get(int i) const;
    // The largest / smallest element: of the finite ones (a NaN or an
    // infinity is no value to range over); 0 when there is none.
    float Max() const;
    float Min() const;
    // Over the indices max(first, 0)..min(last, size - 1), finite elements
    // only; 0 when there is none, and then *pbNone is set to true when given
    // (never cleared here).
    float MaxInRange(int first, int last, bool* pbNone = nullptr) const;
    float MinInRange(int first, int last, bool* pbNone = nullptr) const;
    // The smallest / largest positive finite element of the window; when there
    // is none, *pbNone is set to true (never cleared here) and the result is 1.
    float MinPositiveInRange(int first, int last, bool* pbNone) const;
    float MaxPositiveInRange(int first, int last, bool* pbNone) const;

    bool operator==(const CVector& other) const;
    bool operator!=(const CVector& other) const { return !(*this == other); }
    CVector& operator=(const CVector& other);
    void Scale(float f);
    void Display() const;

    // Tick label of scale * element i (FormatElementAlt: of 10^(scale * element
    // i)) into sz; the number of characters written, 0 when i is out of range.
    int FormatElement(int i, char* sz, int nBufSize, float fScale) const;
    int FormatElementAlt(int i, char* sz, int nBufSize, float fScale) const;

    // One value per line, "%f".
    bool Save(const char* szPath) const;
    bool SavePow10(const char* szPath) const; // writes 10^value
    // A sized vector takes at most its size of values; an empty one appends
    // every value. Reading stops at the first line that is not a number; blank
    // lines are skipped. False (vector unchanged) when the file cannot be opened.
    bool Load(const char* szPath);

    // Savitzky-Golay smoothing in place (nl points left, nr right, polynomial
    // order; order 1 is a moving average). Near the ends, where the window is
    // shorter, the order is lowered to what the window can carry. 1 when
    // smoothed, 0 when the window is too big for the data (message shown).
    int Smooth(int nl, int nr, int order);
    // Smoothing of values at the uneven abscissae x: mapped onto n even grid
    // points, smoothed there, mapped back. 0 (unchanged) when the sizes differ
    // or there are too few points (fewer than 5) or no x range to map.
    int SmoothOnEvenGrid(int n, const CVector& x, int nl, int nr, int order);

private:
    void Release();
};

float maxFloat(float a, float b);
float minFloat(float a, float b);

// One-value-per-line files for one-based float arrays. The reader returns
// vector(nl, nl + lines - 1) and the upper index through pnh (null and 0 when
// the file cannot be opened); the writer writes elements lo..hi.
float* readFloatVectorFile(const char* szPath, int nl, int* pnh);
bool writeFloatVectorFile(const char* szPath, const float* v, int lo, int hi);
