// The ctot(r, t) movie of the non-ideal c(s) and its ".ctot" files.
#include "distributions/ctot_movie.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "distributions/conti_globals.h"
#include "numerics/nrutil.h"
#include "numerics/text_lines.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"

CCtotMovie* pCtotMovie = nullptr;
unsigned char bShowCtotOverlay = 0;

CCtotMovie::CCtotMovie() = default;

CCtotMovie::~CCtotMovie()
{
    Clear();
    delete[] szPath;
}

void CCtotMovie::Clear()
{
    if (pRadii) free_vector(pRadii, 1, nPoints);
    if (pTimes) free_vector(pTimes, 1, nFrames);
    if (ppCtot) free_matrix(ppCtot, 1, nFrames, 1, nPoints);
    pRadii = nullptr;
    pTimes = nullptr;
    ppCtot = nullptr;
    nFrames = nPoints = 0;
    fMeniscus = fBottom = 0.0f;
    fScale = 1.0f;
    fRotorSpeed = 0.0f;
    bLoaded = 0;
    bSaved = 0;
}

void CCtotMovie::Set(int n, int m, const float* pRadiiIn, const double* pTimesIn, float* const* ppFrames,
                     float meniscus, float bottom, float signalPerMgMl, float rpm)
{
    if (bLoaded) Clear();
    if (n <= 0 || m <= 0 || !pRadiiIn || !pTimesIn || !ppFrames || !(meniscus > 0) || !(bottom > 0) ||
        !(signalPerMgMl > 0))
        return;
    fMeniscus = meniscus;
    fBottom = bottom;
    fRotorSpeed = rpm;
    fScale = 1.0f;
    nFrames = n;
    nPoints = m + 2;
    pTimes = vector(1, nFrames);
    pRadii = vector(1, nPoints);
    ppCtot = matrix(1, nFrames, 1, nPoints);
    for (int i = 1; i <= nFrames; i++) pTimes[i] = static_cast<float>(pTimesIn[i]);
    for (int j = 1; j <= nPoints; j++) pRadii[j] = pRadiiIn[j];
    for (int i = 1; i <= nFrames; i++)
        for (int j = 1; j <= nPoints; j++) ppCtot[i][j] = ppFrames[i][j] * (fScale / signalPerMgMl);
    bLoaded = 1;
}

bool CCtotMovie::CopyTo(int* pnFrames, int* pnPoints, float** ppRadiiOut, double** ppTimesOut, float*** pppFramesOut,
                        float* pfMeniscus, float fReferenceMeniscus, float* pfBottom, double dSignalPerMgMl)
{
    if (!bLoaded || !pnFrames || !pnPoints || !ppRadiiOut || !ppTimesOut || !pppFramesOut || !pfMeniscus || !pfBottom)
        return false;
    // what the caller's arrays hold goes first
    if (*ppRadiiOut) free_vector(*ppRadiiOut, 1, *pnPoints + 2);
    if (*ppTimesOut) free_dvector(*ppTimesOut, 1, *pnFrames);
    if (*pppFramesOut) free_matrix(*pppFramesOut, 1, *pnFrames, 1, *pnPoints + 2);
    *pnFrames = nFrames;
    *pnPoints = nPoints - 2;
    double* t = dvector(1, nFrames);
    float* r = vector(1, nPoints);
    float** c = matrix(1, nFrames, 1, nPoints);
    for (int i = 1; i <= nFrames; i++) t[i] = pTimes[i];
    const bool bShift = fReferenceMeniscus != 0.0f && std::fabs(fReferenceMeniscus - fMeniscus) >= 1e-5f;
    for (int j = 1; j <= nPoints; j++) r[j] = bShift ? pRadii[j] + (fReferenceMeniscus - fMeniscus) : pRadii[j];
    for (int i = 1; i <= nFrames; i++)
        for (int j = 1; j <= nPoints; j++)
            c[i][j] = static_cast<float>(ppCtot[i][j] * dSignalPerMgMl / fScale);
    *ppTimesOut = t;
    *ppRadiiOut = r;
    *pppFramesOut = c;
    if (fReferenceMeniscus == 0.0f) {
        *pfMeniscus = fMeniscus;
        *pfBottom = fBottom;
    }
    return true;
}

bool CCtotMovie::CoversScans(const ScanHeader* pHeaders, int nLastScan)
{
    if (!bLoaded || !pHeaders || nFrames < 1) return false;
    if (pHeaders[nLastScan].rpm != fRotorSpeed) {
        showErrorMessage("use external mean field: wrong rotor speed", 0);
        return false;
    }
    const double dLastFrame = pTimes[nFrames];
    if (pHeaders[nLastScan].time <= dLastFrame) return true;
    showErrorMessage("use external mean field: does not cover experimental time", 0);
    // the last scan that the movie still covers
    int nPos = 0;
    for (int i = 1; i <= nScans; i++)
        if (pScanHeaders[pScanTimeOrder[i]].time > dLastFrame) {
            nPos = i;
            break;
        }
    char sz[400];
    if (nPos > 1) {
        const int k = pScanTimeOrder[nPos - 1];
        std::snprintf(sz, sizeof sz, "please reload scans not exceeding %s",
                      ppScanFileName && ppScanFileName[k] ? ppScanFileName[k] : "");
    } else {
        // even the first scan is later than the movie: no scan can be named
        std::snprintf(sz, sizeof sz, "please reload scans not later than %.0f s", dLastFrame);
    }
    showErrorMessage(sz, 0);
    return false;
}

namespace {

// n numbers of one line into v[1..n]; false when the line holds fewer or one
// of them is not finite. What follows them on the line is skipped.
bool readNumbers(std::FILE* f, int n, float* v)
{
    std::string line;
    if (!readTextLine(f, line)) return false;
    const char* p = line.c_str();
    for (int i = 1; i <= n; i++) {
        double d = 0;
        if (!readNumber(p, d) || !std::isfinite(d) || std::fabs(d) > 3.4e38) return false;
        v[i] = static_cast<float>(d);
    }
    return true;
}

long fileSize(std::FILE* f)
{
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long n = std::ftell(f);
    std::rewind(f);
    return n;
}

// The path whole, whatever its length: a cut path names another file.
void setPath(char*& szPath, const char* szFile)
{
    const std::string path = szFile ? szFile : "";
    char* p = new char[path.size() + 1];
    std::memcpy(p, path.c_str(), path.size() + 1);
    delete[] szPath;
    szPath = p;
}

}  // namespace

bool CCtotMovie::Read(const char* szFile)
{
    if (bLoaded) Clear();
    setPath(szPath, szFile);
    bSaved = 0;
    std::FILE* f = std::fopen(szPath, "r");
    if (!f) {
        std::printf("\n\aAttention: could not open %s", szPath);
        return false;
    }
    const long nSize = fileSize(f);
    bool bOk = false;
    float head[7] = {};
    if (readNumbers(f, 6, head)) {
        // the counts must be whole numbers the file can hold: every value takes
        // two characters at least (a digit and a separator)
        const double dFrames = head[1], dPoints = head[2];
        const bool bCounts = dFrames >= 1 && dPoints >= 1 && dFrames == std::floor(dFrames) &&
                             dPoints == std::floor(dPoints) && nSize > 0 &&
                             2.0 * (dFrames * dPoints + dFrames + dPoints) <= static_cast<double>(nSize);
        // meniscus, bottom and scale positive, as a computed field's must be
        if (bCounts && head[3] > 0 && head[4] > 0 && head[5] > 0) {
            nFrames = static_cast<int>(dFrames);
            nPoints = static_cast<int>(dPoints);
            fMeniscus = head[3];
            fBottom = head[4];
            fScale = head[5];
            fRotorSpeed = head[6];
            pTimes = vector(1, nFrames);
            pRadii = vector(1, nPoints);
            ppCtot = matrix(1, nFrames, 1, nPoints);
            bOk = readNumbers(f, nFrames, pTimes) && readNumbers(f, nPoints, pRadii);
            for (int i = 1; bOk && i <= nFrames; i++) bOk = readNumbers(f, nPoints, ppCtot[i]);
            // times and radii run upwards (the field is interpolated in both)
            for (int i = 2; bOk && i <= nFrames; i++) bOk = pTimes[i] >= pTimes[i - 1];
            for (int j = 2; bOk && j <= nPoints; j++) bOk = pRadii[j] >= pRadii[j - 1];
        }
    }
    std::fclose(f);
    if (!bOk) {
        Clear();
        return false;
    }
    bLoaded = 1;
    bSaved = 1;
    return true;
}

bool CCtotMovie::Write()
{
    if (!bLoaded || !szPath || !szPath[0]) return false;
    // the computed field, unless frozen, is what the file keeps
    if (!bMeanFieldFrozen && pContiNonid && pContiNonid->bMeanFieldFramesBuilt && pContiNonid->bMeanFieldDefined &&
        pContiNonid->bMeanFieldReady)
        pContiNonid->StoreInCtotMovie();
    if (!bLoaded) return false;
    std::FILE* f = std::fopen(szPath, "w");
    if (!f) {
        std::printf("\n\aAttention: could not open %s", szPath);
        return false;
    }
    std::string sz = std::to_string(nFrames) + " " + std::to_string(nPoints);
    for (float v : {fMeniscus, fBottom, fScale, fRotorSpeed}) {
        sz += ' ';
        appendFixed(sz, v);
    }
    sz += '\n';
    auto row = [&sz](const float* v, int n) {
        for (int j = 1; j <= n; j++) {
            appendFixed(sz, v[j]);
            sz += ' ';
        }
        sz += '\n';
    };
    row(pTimes, nFrames);
    row(pRadii, nPoints);
    for (int i = 1; i <= nFrames; i++) row(ppCtot[i], nPoints);
    const bool bOk = writeText(f, sz);
    if (std::fclose(f) != 0 || !bOk) return false;
    bSaved = 1;
    return true;
}

bool CCtotMovie::SaveAs(const char* szFile)
{
    if (!bLoaded) return false;
    setPath(szPath, szFile);
    return Write();
}

bool createCtotMovie()
{
    if (!pCtotMovie) pCtotMovie = new CCtotMovie;
    return true;
}

void forgetMeanFieldCtotData()
{
    delete pCtotMovie;
    pCtotMovie = nullptr;
}
