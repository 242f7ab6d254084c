// The dlsdat file: reader and writers of one light-scattering measurement.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_text.h"

unsigned char bDlsLinearLags = 0;
unsigned char bAlwaysG2 = 0;

void freeDlsScanHeaders()
{
    delete[] pDlsHeaders;
    pDlsHeaders = nullptr;
}

long dlsWholeSeconds(double dSeconds)
{
    if (!std::isfinite(dSeconds)) return 0;
    const double d = std::trunc(dSeconds);
    if (d < static_cast<double>(LONG_MIN) || d >= static_cast<double>(LONG_MAX)) return 0;
    return static_cast<long>(d);
}

namespace {

// Characters a title keeps; the first other one ends it.
bool isTitleCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr(" #\\_/:,.", c) != nullptr;
}

// The title from line 1: at most 99 characters, up to the first character
// that is not a letter, digit, blank or one of # \ _ / : , .
void copyTitle(const std::string& text, char* szTitle)
{
    size_t nLine = text.find('\n');
    if (nLine == std::string::npos) nLine = text.size();
    if (nLine > 99) nLine = 99;
    size_t n = 0;
    while (n < nLine && text[n] != '\0' && isTitleCharacter(text[n])) {
        szTitle[n] = text[n];
        ++n;
    }
    szTitle[n] = '\0';
}

// Rows to read: the lines of the block that begins with the type letter
// standing at the start of a line (not the first character of the text).
// Every line feed inside the block ends one line, the parameter line first;
// a line beginning with "0" ends the block. A last line without its line
// feed counts when it holds anything.
int countRows(const std::string& text)
{
    bool bInBlock = false;
    int nLines = 0;
    const size_t n = text.size();
    for (size_t k = 1; k < n; ++k) {
        const char c = text[k];
        if (text[k - 1] == '\n' && (c == 'A' || c == 'C')) bInBlock = true;
        if (c == '\n' && bInBlock) {
            ++nLines;
            if (k + 1 < n && text[k + 1] == '0') bInBlock = false;
        }
    }
    if (bInBlock) {
        const size_t nLast = text.rfind('\n');
        const size_t nFrom = nLast == std::string::npos ? 0 : nLast + 1;
        if (text.find_first_not_of(" \t\r\v\f", nFrom) != std::string::npos) ++nLines;
    }
    return nLines - 1;
}

// v -> sqrt(v), keeping the sign: the field from the intensity autocorrelation.
float signedRoot(float v)
{
    if (v > 0.0f) return std::sqrt(v);
    if (v < 0.0f) return -std::sqrt(-v);
    return 0.0f;
}

}  // namespace

bool readDlsDatFile(const char* szPath, DlsScanHeader* pHeader, int* pn, float** ppLags, float** ppValues,
                    bool bKeepG2, int* pnLeftOut)
{
    if (pnLeftOut) *pnLeftOut = 0;
    if (!szPath || !pHeader || !pn || !ppLags || !ppValues) return false;
    // The point count the caller gets is 0 unless the read succeeds.
    *pn = 0;
    std::string text;
    if (!readDlsInputText(szPath, text)) return false;

    std::memset(pHeader, 0, sizeof(DlsScanHeader));
    const int nRows = countRows(text);
    pHeader->nPoints = nRows;
    copyTitle(text, pHeader->title);

    // The rest is read as a stream of tokens from the line feed ending line 1.
    const size_t nLineEnd = text.find('\n');
    if (nLineEnd == std::string::npos) return false;
    DlsTokens tokens(text, nLineEnd);
    std::string letter;
    if (!tokens.Next(letter)) return false;
    const char cType = letter[0];
    if (cType != 'A' && cType != 'C') return false;
    // A token directly joined to the type letter is the first number.
    tokens.SetPosition(tokens.Position() - letter.size() + 1);

    double dParams[7];
    for (double& d : dParams) {
        if (!tokens.Next(d)) {
            pHeader->nPoints = 0;
            return false;
        }
    }

    std::vector<float> lags, values;
    int nLeftOut = 0;
    for (int r = 0; r < nRows; ++r) {
        double dLag, dValue;
        if (!tokens.Next(dLag) || !tokens.Next(dValue)) break;  // an incomplete last row is dropped
        const float fLogLag = static_cast<float>(std::log10(dLag));
        if (!(dLag > 0.0) || !std::isfinite(fLogLag)) {
            ++nLeftOut;
            continue;
        }
        lags.push_back(fLogLag);
        values.push_back(static_cast<float>(dValue));
    }
    if (pnLeftOut) *pnLeftOut = nLeftOut;
    const int n = static_cast<int>(lags.size());
    pHeader->nPoints = n;
    if (n < 1) return false;
    *pn = n;

    pHeader->temperature = static_cast<float>(dParams[0]);
    pHeader->measurementTime = dParams[1];
    pHeader->countRate = static_cast<float>(dParams[2]);
    pHeader->refractiveIndex = static_cast<float>(dParams[3]);
    pHeader->viscosity = static_cast<float>(dParams[4]);
    pHeader->angle = static_cast<float>(dParams[5]);
    pHeader->wavelength = static_cast<float>(dParams[6]);

    float* pLags = vector(1, n);
    float* pValues = vector(1, n);
    for (int j = 1; j <= n; ++j) {
        pLags[j] = lags[j - 1];
        float v = values[j - 1];
        if (cType == 'C') v -= 1.0f;
        pValues[j] = bKeepG2 ? v : signedRoot(v);
    }
    pHeader->fieldAcf = bKeepG2 ? 0 : 1;
    *ppLags = pLags;
    *ppValues = pValues;
    bDLSData = 1;
    return true;
}

bool writeDlsDatFile(const char* szPath, const CCurve* pCurve, const char* szTitle, float fTemperature, long nTime,
                     float fCountRate, float fRefractiveIndex, float fViscosity, float fAngle, float fWavelength,
                     bool)
{
    int n = 0;
    if (pCurve && pCurve->pX && pCurve->pY && pCurve->pX->pData && pCurve->pY->pData)
        n = static_cast<int>(std::min(pCurve->pX->nSize, pCurve->pY->nSize));
    std::FILE* f = szPath ? win::fopenMapped(szPath, "w") : nullptr;
    if (!f) {
        std::string sz = "\n\aAttention: could not open ";
        sz += szPath ? szPath : "";
        showErrorMessage(sz.c_str(), 0);
        return false;
    }
    std::fprintf(f, "%s\n", szTitle ? szTitle : "");
    std::fprintf(f, "A %f %ld %.2f %f %f %f %e\n", fTemperature, nTime, fCountRate, fRefractiveIndex, fViscosity,
                 fAngle, fWavelength);
    bool bAboveOne = false;
    for (int i = 0; i < n; ++i) {
        const float x = pCurve->pX->pData[i];
        const float y = pCurve->pY->pData[i];
        const double dLag = bDlsLinearLags ? static_cast<double>(x) : std::pow(10.0, static_cast<double>(x));
        std::fprintf(f, "   %1.5e  %1.5e \n", dLag, static_cast<double>(y));
        if (y > 1.0f) bAboveOne = true;
    }
    const bool bOk = std::ferror(f) == 0;
    if (std::fclose(f) != 0 || !bOk) return false;
    if (bAboveOne) showErrorMessage("please check DLSDAT format - should be g(2)-1", 0);
    return true;
}

bool writeDlsDatCurve(const char* szPath, int n, float* pLags, float* pValues, const char* szTitle,
                      float fTemperature, long nTime, float fCountRate, float fRefractiveIndex, float fViscosity,
                      float fAngle, float fWavelength, bool bFieldAcf)
{
    CVector x, y;
    if (n > 0 && pLags && pValues) {
        x.Attach(pLags, static_cast<unsigned int>(n), 1);
        y.Attach(pValues, static_cast<unsigned int>(n), 1);
    }
    CCurve curve(&x, &y);
    return writeDlsDatFile(szPath, &curve, szTitle, fTemperature, nTime, fCountRate, fRefractiveIndex, fViscosity,
                           fAngle, fWavelength, bFieldAcf);
}

bool writeDlsDatSet(const char* szPath, int n, float* pLags, float* pValues, const char* szTitle,
                    const DlsScanHeader* pHeader)
{
    DlsScanHeader h{};
    if (pHeader) std::memcpy(&h, pHeader, sizeof h);
    h.title[sizeof h.title - 1] = '\0';
    return writeDlsDatCurve(szPath, n, pLags, pValues, szTitle ? szTitle : h.title, h.temperature,
                            dlsWholeSeconds(h.measurementTime), h.countRate, h.refractiveIndex, h.viscosity, h.angle,
                            h.wavelength, h.fieldAcf != 0);
}
