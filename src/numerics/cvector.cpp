#include "numerics/cvector.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <locale>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "numerics/error_stop.h"
#include "numerics/nrutil.h"
#include "numerics/text_lines.h"

namespace {

// Fatal when the heap refuses: the allocation routine of all vectors.
float* allocFloats(unsigned int n)
{
    float* p = new (std::nothrow) float[n];
    if (!p) nrerror("Could not allocate Vector");
    return p;
}

void reportPathError(const char* szFormatHead, const char* szPath)
{
    std::string sz = szFormatHead;
    sz += szPath ? szPath : "";
    reportError(sz.c_str(), 0);
}

// Values of a one-per-line file: the first number of each non-blank line, up
// to nMax values, stopping at the first line that does not begin with one.
std::vector<float> readValuesPerLine(std::FILE* f, size_t nMax)
{
    std::vector<float> values;
    std::string szLine;
    while (values.size() < nMax && readTextLine(f, szLine)) {
        if (isBlankLine(szLine)) continue;
        const char* p = szLine.c_str();
        float v;
        if (!readNumber(p, v)) break;
        values.push_back(v);
    }
    return values;
}

} // namespace

float maxFloat(float a, float b) { return a > b ? a : b; }
float minFloat(float a, float b) { return a < b ? a : b; }

CVector::CVector(unsigned int n, int flag) : nFlag(flag)
{
    if (n == 0) return;
    pData = allocFloats(n);
    nSize = nCapacity = n;
}

CVector::CVector(const CVector& other) : nFlag(other.nFlag)
{
    if (!other.pData || other.nSize == 0) return;
    pData = allocFloats(other.nSize);
    nSize = nCapacity = other.nSize;
    std::memcpy(pData, other.pData, sizeof(float) * nSize);
}

CVector::CVector(unsigned int n, const float* a, int flag) : nFlag(flag)
{
    if (n == 0) return;
    pData = allocFloats(n);
    nSize = nCapacity = n;
    if (a) std::memcpy(pData, a, sizeof(float) * n);
}

CVector::~CVector() { Release(); }

void CVector::Release()
{
    if (bOwnsData) delete[] pData;
    pData = nullptr;
    nSize = nCapacity = 0;
}

void CVector::Attach(float* a, unsigned int n, int offset)
{
    if (n == 0) {
        Release();
        bOwnsData = 0;
        return;
    }
    if (a) {
        float* pNew = a + offset;
        if (bOwnsData && pData != pNew) delete[] pData;
        pData = pNew;
        bOwnsData = 0;
        nSize = nCapacity = n;
    } else {
        // No new address: the vector keeps its data, but never claims more
        // elements than that block holds.
        nSize = nCapacity = std::min(n, nSize);
    }
    for (unsigned int i = 0; i < nSize; i++)
        if (std::fabs(pData[i]) < 1e-30f) pData[i] = 0.0f;
}

void CVector::Resize(unsigned int n)
{
    nFlag = 1;
    if (!pData || nSize == 0) {
        Release();
        bOwnsData = 1;
        if (n == 0) return;
        pData = allocFloats(n);
        nSize = nCapacity = n;
        return;
    }
    if (n == nSize) return;
    if (n == 0) {
        Release();
        bOwnsData = 1;
        return;
    }
    float* pNew = allocFloats(n);
    std::memcpy(pNew, pData, sizeof(float) * std::min(n, nSize));
    Release();
    pData = pNew;
    nSize = nCapacity = n;
    bOwnsData = 1;
}

void CVector::Append(float fValue)
{
    float* pNew = allocFloats(nSize + 1);
    if (pData && nSize) std::memcpy(pNew, pData, sizeof(float) * nSize);
    pNew[nSize] = fValue;
    unsigned int n = nSize + 1;
    Release();
    pData = pNew;
    nSize = nCapacity = n;
    bOwnsData = 1;
}

void CVector::AppendBits(uint32_t nBits)
{
    float f;
    std::memcpy(&f, &nBits, sizeof f);
    Append(f);
}

float CVector::Get(int i) const
{
    if (!pData || i < 0 || static_cast<unsigned int>(i) >= nSize) return 0.0f;
    return pData[i];
}

namespace {

// The first extreme of data[first..last] clamped to the vector; bBetter(a, b)
// says a beats b. Only elements that pass bTake count. False when none does.
template <typename Better, typename Take>
bool extremeInRange(const float* pData, unsigned int nSize, int first, int last, Better bBetter, Take bTake,
                    float& fResult)
{
    if (!pData || nSize == 0 || last < first) return false;
    int lo = std::max(first, 0), hi = std::min(last, static_cast<int>(nSize) - 1);
    bool bFound = false;
    for (int i = lo; i <= hi; i++)
        if (bTake(pData[i]) && (!bFound || bBetter(pData[i], fResult))) {
            fResult = pData[i];
            bFound = true;
        }
    return bFound;
}

auto greater = [](float a, float b) { return a > b; };
auto less = [](float a, float b) { return a < b; };
// A NaN compared with anything is false: taken first it would stay the
// extreme. Infinities are no range either.
auto isFiniteValue = [](float a) { return std::isfinite(a); };
auto positive = [](float a) { return a > 0.0f && std::isfinite(a); };

} // namespace

float CVector::Max() const { return MaxInRange(0, static_cast<int>(nSize) - 1); }

float CVector::Min() const { return MinInRange(0, static_cast<int>(nSize) - 1); }

float CVector::MaxInRange(int first, int last, bool* pbNone) const
{
    float f = 0.0f;
    if (extremeInRange(pData, nSize, first, last, greater, isFiniteValue, f)) return f;
    if (pbNone) *pbNone = true;
    return 0.0f;
}

float CVector::MinInRange(int first, int last, bool* pbNone) const
{
    float f = 0.0f;
    if (extremeInRange(pData, nSize, first, last, less, isFiniteValue, f)) return f;
    if (pbNone) *pbNone = true;
    return 0.0f;
}

float CVector::MinPositiveInRange(int first, int last, bool* pbNone) const
{
    float f = 0.0f;
    if (extremeInRange(pData, nSize, first, last, less, positive, f)) return f;
    if (pbNone) *pbNone = true;
    return 1.0f;
}

float CVector::MaxPositiveInRange(int first, int last, bool* pbNone) const
{
    float f = 0.0f;
    if (extremeInRange(pData, nSize, first, last, greater, positive, f)) return f;
    if (pbNone) *pbNone = true;
    return 1.0f;
}

bool CVector::operator==(const CVector& other) const
{
    if (nSize != other.nSize) return false;
    for (unsigned int i = 0; i < nSize; i++)
        if (pData[i] != other.pData[i]) return false;
    return true;
}

CVector& CVector::operator=(const CVector& other)
{
    if (this == &other) return *this;
    if (nSize == other.nSize) {
        if (nSize) std::memcpy(pData, other.pData, sizeof(float) * nSize);
        return *this;
    }
    float* pNew = other.nSize ? allocFloats(other.nSize) : nullptr;
    if (pNew) std::memcpy(pNew, other.pData, sizeof(float) * other.nSize);
    Release();
    pData = pNew;
    nSize = nCapacity = other.nSize;
    nFlag = other.nFlag;
    bOwnsData = 1;
    return *this;
}

void CVector::Scale(float f)
{
    for (unsigned int i = 0; i < nSize && pData; i++) pData[i] *= f;
}

void CVector::Display() const
{
    reportError("Display vector contents not implemented", 0);
}

namespace {

// A label in at most 19 characters: integral values as integers, others in
// the stream's default six significant digits.
int formatLabel(float v, char* sz, int nBufSize)
{
    if (!sz || nBufSize < 1) return 0;
    std::ostringstream os;
    os.imbue(std::locale::classic());
    if (std::isfinite(v) && std::floor(v) == v && std::fabs(v) < 1e18f)
        os << static_cast<long long>(v);
    else
        os << v;
    std::string s = os.str();
    size_t nBlank = s.find(' ');
    if (nBlank != std::string::npos) s.resize(nBlank);
    size_t n = std::min<size_t>({s.size(), static_cast<size_t>(nBufSize - 1), 19});
    std::memcpy(sz, s.data(), n);
    sz[n] = '\0';
    return static_cast<int>(n);
}

} // namespace

int CVector::FormatElement(int i, char* sz, int nBufSize, float fScale) const
{
    if (!pData || i < 0 || static_cast<unsigned int>(i) >= nSize) return 0;
    return formatLabel(fScale * pData[i], sz, nBufSize);
}

int CVector::FormatElementAlt(int i, char* sz, int nBufSize, float fScale) const
{
    if (!pData || i < 0 || static_cast<unsigned int>(i) >= nSize) return 0;
    return formatLabel(std::pow(10.0f, fScale * pData[i]), sz, nBufSize);
}

namespace {

bool saveValues(const float* p, unsigned int n, const char* szPath, bool bPow10, const char* szFailure)
{
    std::FILE* f = szPath ? std::fopen(szPath, "w") : nullptr;
    if (!f) {
        reportPathError(szFailure, szPath);
        return false;
    }
    std::string sz;
    for (unsigned int i = 0; i < n; i++) {
        appendFixed(sz, bPow10 ? std::pow(10.0, static_cast<double>(p[i])) : static_cast<double>(p[i]));
        sz += '\n';
    }
    bool bOk = writeText(f, sz);
    bOk = (std::fclose(f) == 0) && bOk;
    return bOk;
}

} // namespace

bool CVector::Save(const char* szPath) const
{
    return saveValues(pData, pData ? nSize : 0, szPath, false, "Attention: could not open ");
}

bool CVector::SavePow10(const char* szPath) const
{
    return saveValues(pData, pData ? nSize : 0, szPath, true, "Attention: could not open ");
}

bool CVector::Load(const char* szPath)
{
    std::FILE* f = szPath ? std::fopen(szPath, "r") : nullptr;
    if (!f) {
        reportPathError("\nAttention: could not open ", szPath);
        return false;
    }
    if (pData && nSize) {
        std::vector<float> values = readValuesPerLine(f, nSize);
        std::fclose(f);
        std::copy(values.begin(), values.end(), pData);
        return true;
    }
    std::vector<float> values = readValuesPerLine(f, static_cast<size_t>(-1));
    std::fclose(f);
    Release();
    bOwnsData = 1;
    if (!values.empty()) {
        pData = allocFloats(static_cast<unsigned int>(values.size()));
        nSize = nCapacity = static_cast<unsigned int>(values.size());
        std::copy(values.begin(), values.end(), pData);
    }
    return true;
}

float* readFloatVectorFile(const char* szPath, int nl, int* pnh)
{
    std::FILE* f = szPath ? std::fopen(szPath, "r") : nullptr;
    if (!f) {
        reportPathError("Attention: could not open ", szPath);
        if (pnh) *pnh = 0;
        return nullptr;
    }
    std::vector<std::string> lines;
    std::string szLine;
    while (readTextLine(f, szLine))
        if (!isBlankLine(szLine)) lines.push_back(szLine);
    std::fclose(f);
    int nh = nl + static_cast<int>(lines.size()) - 1;
    float* v = vector(nl, nh);
    float fPrevious = 0.0f;
    bool bReported = false;
    for (size_t k = 0; k < lines.size(); k++) {
        const char* p = lines[k].c_str();
        float fValue;
        if (!readNumber(p, fValue)) {
            if (!bReported) reportPathError("Attention: could not open ", szPath);
            bReported = true;
            fValue = fPrevious;
        }
        v[nl + static_cast<int>(k)] = fPrevious = fValue;
    }
    if (pnh) *pnh = nh;
    return v;
}

bool writeFloatVectorFile(const char* szPath, const float* v, int lo, int hi)
{
    return saveValues(v ? v + lo : nullptr, v && hi >= lo ? static_cast<unsigned int>(hi - lo + 1) : 0, szPath,
                      false, "\nAttention: could not open ");
}
