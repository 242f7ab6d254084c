// Reading and writing radial scan files.
#include "scandata/scan_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "app/app_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "scandata/file_times.h"
#include "scandata/scan_data.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' ||
           c == '\0';
}

bool isDataLetter(char c) {
    return c == 'R' || c == 'W' || c == 'I' || c == 'P' || c == 'F' || c == 'V';
}

// Decimal conversion of one token; text that is not a number, and numbers
// out of range, read as 0. *pbFinite (when given) tells whether the token is
// text or a number that single precision holds: false for "nan", "inf" and
// numbers beyond the float range (numbers too small for it read as 0).
double decimalValue(const char* b, const char* e, bool* pbFinite = nullptr) {
    if (pbFinite) *pbFinite = true;
    const char* tok = b;
    if (b < e && *b == '+') ++b;
    double v = 0.0;
    auto r = std::from_chars(b, e, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // an underflow (a negative exponent) is a number near 0
        const char* x = tok;
        while (x < e && *x != 'e' && *x != 'E') ++x;
        const bool bUnderflow = x + 1 < e && x[1] == '-';
        if (pbFinite && !bUnderflow) *pbFinite = false;
        return 0.0;
    }
    if (r.ec != std::errc()) return 0.0;
    if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) {
        if (pbFinite) *pbFinite = false;
        return 0.0;
    }
    return v;
}

float toFloat(double v) {
    if (!(std::fabs(v) <= std::numeric_limits<float>::max())) return 0.0f;
    return static_cast<float>(v);
}

int truncToInt(double v) {
    if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
    return static_cast<int>(v);
}

// Next blank-separated number of [p, end); false when none is left.
bool nextNumber(const char*& p, const char* end, double& v, bool* pbFinite = nullptr) {
    while (p < end && isBlank(*p)) ++p;
    if (p >= end) return false;
    const char* tok = p;
    while (p < end && !isBlank(*p)) ++p;
    v = decimalValue(tok, p, pbFinite);
    return true;
}

bool isTitleChar(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return std::strchr("[] _-#/\\:,.", c) != nullptr && c != '\0';
}

bool hasTimeStampMarker(const char* sz) {
    return std::strstr(sz, szTimeStampCorrectedMarker) != nullptr ||
           std::strstr(sz, szTimeStampOkMarker) != nullptr;
}

// Number after a label in the title (0 when the label is absent).
double numberAfter(const char* szTitle, const char* szLabel) {
    const char* p = std::strstr(szTitle, szLabel);
    if (!p) return 0.0;
    p += std::strlen(szLabel);
    const char* end = szTitle + std::strlen(szTitle);
    double v = 0.0;
    return nextNumber(p, end, v) ? v : 0.0;
}

bool readWholeFile(const char* szPath, std::string& text) {
    FILE* f = win::fopenMapped(szPath, "rb");
    if (!f) return false;
    if (std::fseek(f, 0, SEEK_END) != 0) {
        std::fclose(f);
        return false;
    }
    long len = std::ftell(f);
    if (len < 0) {
        std::fclose(f);
        return false;
    }
    std::rewind(f);
    try {
        text.assign(static_cast<size_t>(len), '\0');
    } catch (...) {
        std::fclose(f);
        return false;
    }
    size_t got = len > 0 ? std::fread(&text[0], 1, static_cast<size_t>(len), f) : 0;
    std::fclose(f);
    text.resize(got);
    return true;
}

}  // namespace

int nScanFilePointsLeftOut = 0;
char szScanFileProblem[200] = "";

namespace {

// The reason of a failed read, for the loaders' messages; 0 to return.
int problem(const char* szText) {
    std::snprintf(szScanFileProblem, sizeof szScanFileProblem, "%s", szText);
    return 0;
}

}  // namespace

int readScanFile(const char* szPath, ScanHeader* pHeader, int* pnPoints, float** ppR,
                 float** ppS, float** ppThird, unsigned char* pbTimeStampFlag,
                 float fResolution) {
    nScanFilePointsLeftOut = 0;
    szScanFileProblem[0] = '\0';
    if (!szPath || !pHeader || !pnPoints || !ppR || !ppS) return 0;
    std::string text;
    errno = 0;
    if (!readWholeFile(szPath, text)) {
        std::snprintf(szScanFileProblem, sizeof szScanFileProblem, "cannot be read (%s)",
                      errno ? std::strerror(errno) : "no file");
        return 0;
    }
    if (text.empty()) return problem("is empty: no scan");
    const char* pText = text.c_str();
    const long nLen = static_cast<long>(text.size());

    std::memset(pHeader, 0, sizeof(ScanHeader));
    pHeader->fileTimesValid = getScanFileTimes(szPath, pHeader) ? 1 : 0;

    // Data lines: counting starts at a data letter that begins a line after
    // line 1; a line feed then adds a line unless only blanks follow it. For
    // ordinary data a line beginning with '0' ends the data.
    long nLastNonBlank = nLen - 1;
    while (nLastNonBlank >= 0 && isBlank(pText[nLastNonBlank])) --nLastNonBlank;
    long nLines = 0;
    bool bCounting = false;
    for (long k = 1; k < nLen; ++k) {
        char c = pText[k];
        if (pText[k - 1] == '\n' && isDataLetter(c)) bCounting = true;
        if (bCounting && c == '\n' && k < nLastNonBlank) {
            ++nLines;
            if (!bElectrophoresisData && pText[k + 1] == '0') {
                --nLines;
                bCounting = false;
            }
        }
    }

    // Title: line 1 up to the first character that may not stand in a title.
    const char* pLineEnd = static_cast<const char*>(std::memchr(pText, '\n', nLen));
    long nLine1 = pLineEnd ? pLineEnd - pText : nLen;
    int t = 0;
    while (t < 99 && t < nLine1 && isTitleChar(static_cast<unsigned char>(pText[t]))) {
        pHeader->title[t] = pText[t];
        ++t;
    }
    pHeader->title[t] = '\0';

    pHeader->timeStampChecked = hasTimeStampMarker(pHeader->title) ? 1 : 0;
    if (pbTimeStampFlag) *pbTimeStampFlag = pHeader->timeStampChecked;

    // Meniscus written into the text as "<radius> - meniscus".
    const char* pMen = std::strstr(pText, " - meniscus");
    if (pMen) {
        // A marker within the first six characters reads from the start.
        const char* p = (pMen - pText) >= 6 ? pMen - 6 : pText;
        double v = 0.0;
        pHeader->titleMeniscus = nextNumber(p, pText + nLen, v) ? toFloat(v) : 0.0f;
    }

    // A file without a line break has no header line.
    if (!pLineEnd) return problem("holds one line only: no scan header follows the title");
    const char* pEnd = pText + nLen;
    const char* p = pLineEnd + 1;
    while (p < pEnd && isBlank(*p)) ++p;
    if (p >= pEnd) return problem("holds a title only: no scan header follows it");
    if (!isDataLetter(*p))
        return problem("has no scan header in line 2: it must begin with a data letter (R, W, I, V, P or F)");
    const char cLetter = *p;
    const char* pHeaderEnd = static_cast<const char*>(std::memchr(p, '\n', pEnd - p));
    if (!pHeaderEnd) return problem("holds no data lines after its header");
    const char* pField = p + 1;
    double f[8] = {};
    for (double& v : f)
        if (!nextNumber(pField, pHeaderEnd, v)) break;

    if (!bElectrophoresisData) {
        bAbsorbanceData = bIntensityData = bInterferenceData = bFluorescenceData = 0;
        switch (cLetter) {
            case 'R':
            case 'W': bAbsorbanceData = 1; break;
            case 'I':
            case 'V': bIntensityData = 1; break;
            case 'P': bInterferenceData = 1; break;
            case 'F': bFluorescenceData = 1; break;
        }
        if (bAbsorbanceData) fSpikeThreshold = fSpikeLevel;
        if (bFluorescenceData) fSpikeThreshold = fSpikeThresholdFDS;
        pHeader->dataType = cLetter;
        pHeader->cell = truncToInt(f[0]);
        pHeader->temperature = toFloat(f[1]);
        pHeader->rpm = toFloat(f[2]);
        pHeader->time = f[3];
        pHeader->omega2t = f[4];
        pHeader->wavelength = toFloat(f[5]);
        pHeader->count = truncToInt(f[6]);
        pHeader->timeWritten = pHeader->timeRead = pHeader->time;

        // A linear ramp from rest to the plateau speed adds a third of what
        // the plateau would give over the ramp: the ramp lasts 1.5 times the
        // time lost against a constant speed.
        double dW = pHeader->omega2t * kOmega2ToRpm2;
        double dQ = static_cast<double>(pHeader->rpm) * pHeader->rpm;
        pHeader->accelTime = dQ > 0.0 ? 1.5 * (dQ * pHeader->time - dW) / dQ : 0.0;
        if (!(pHeader->accelTime > 0.0))
            pHeader->accelRate = 1e6;
        else
            pHeader->accelRate = static_cast<float>(pHeader->rpm / static_cast<float>(pHeader->accelTime));
    } else {
        pHeader->cell = 0;
        pHeader->temperature = 20.0f;
        pHeader->rpm = 1.0f;
        pHeader->time = pHeader->omega2t = f[1];
        pHeader->wavelength = toFloat(f[2]);
        pHeader->count = truncToInt(f[3]);
        pHeader->timeWritten = pHeader->timeRead = pHeader->time;
        pHeader->accelRate = 1e6;
        pHeader->accelTime = 0.0;
    }

    if (cLetter == 'F') {
        pHeader->hasFluorescenceInfo = 1;
        pHeader->timeStampChecked = 1;
        pHeader->fluorVoltage = toFloat(numberAfter(pHeader->title, "Voltage: "));
        pHeader->fluorGain = truncToInt(numberAfter(pHeader->title, "Gain: "));
        pHeader->fluorRange = truncToInt(numberAfter(pHeader->title, "Range: "));
    }

    // Layout of the data lines.
    int nColumns;
    bool bThird = false;
    bool bSpikeLayoutOk = true;
    if (bSetNColumns) {
        nColumns = nDataColumns < 2 ? 2 : nDataColumns;
        // electrophoresis signals are raw values until the end of the read
        bSpikeLayoutOk = !bElectrophoresisData;
    } else if ((pHeader->count >= 2 && ppThird && !bInterferenceData) || bIntensityData ||
               bElectrophoresisData || bFluorescenceData) {
        nColumns = 3;
        bThird = true;
        bSpikeLayoutOk = !bElectrophoresisData;
    } else {
        nColumns = bInterferenceData ? 2 : 3;
        bSpikeLayoutOk = !bElectrophoresisData;
    }
    const bool bSpikes =
        bDontLoadSpikes && (bAbsorbanceData || bFluorescenceData) && bSpikeLayoutOk;

    long N = nLines;
    if (N < 1) return problem("holds no data lines after its header");
    float* r = vector(1, N);
    float* s = vector(1, N);
    float* th = bThird ? vector(1, N) : nullptr;
    auto freeWork = [&]() {
        free_vector(r, 1, N);
        free_vector(s, 1, N);
        free_vector(th, 1, N);
    };

    const char* pData = pHeaderEnd + 1;
    long nRead = 0;   // points read from the text
    long i = 1;       // slot of the next point
    int k = 1;        // points merged into the current group
    float r0 = 0.0f;  // radius of the group's first point as read
    const long nRaw = N;
    while (nRead < nRaw) {
        double v[3] = {};
        bool bComplete = true, bFinite = true;
        for (int c = 0; c < nColumns; ++c) {
            double x = 0.0;
            bool bFiniteNumber = true;
            if (!nextNumber(pData, pEnd, x, &bFiniteNumber)) {
                bComplete = false;
                break;
            }
            if (c < 3) v[c] = x;
            // the numbers the scan keeps: radius, signal and a kept third column
            if (!bFiniteNumber && (c < 2 || (c == 2 && bThird))) bFinite = false;
        }
        if (!bComplete) break;
        ++nRead;
        if (!bFinite) {
            // a point that is no measurement is left out
            ++nScanFilePointsLeftOut;
            continue;
        }
        r[i] = toFloat(v[0]);
        s[i] = toFloat(v[1]);
        if (th) th[i] = toFloat(v[2]);
        if (i > 1 && fResolution > 0.0f && r[i] < r0 + fResolution) {
            float kf = static_cast<float>(k);
            r[i - 1] = (kf * r[i - 1] + r[i]) / (kf + 1.0f);
            s[i - 1] = (kf * s[i - 1] + s[i]) / (kf + 1.0f);
            if (th) th[i - 1] = (kf * th[i - 1] + th[i]) / (kf + 1.0f);
            ++k;
            continue;
        }
        k = 1;
        r0 = r[i];
        if (bSpikes && i >= 4 && std::fabs(s[i - 1] - s[i - 2]) > fSpikeThreshold &&
            std::fabs(s[i] - s[i - 1]) > fSpikeThreshold) {
            r[i - 1] = r[i];
            s[i - 1] = s[i];
            if (th) th[i - 1] = th[i];
            continue;
        }
        ++i;
    }
    // Only the last line may be incomplete; a shorter data block is not a scan
    // of this format.
    if (nRead < nRaw - 1) {
        freeWork();
        char sz[160];
        std::snprintf(sz, sizeof sz, "its data end after %ld of %ld points: a line lacks the %d numbers of a point",
                      nRead, nRaw, nColumns);
        return problem(sz);
    }
    long n = i - 1;
    // A trailing point at radius 0 is no measurement.
    while (n >= 1 && r[n] == 0.0f) --n;
    if (n < 1) {
        freeWork();
        return problem("holds no point at a radius above 0");
    }

    float* rOut = vector(1, n);
    float* sOut = vector(1, n);
    std::memcpy(rOut + 1, r + 1, sizeof(float) * n);
    std::memcpy(sOut + 1, s + 1, sizeof(float) * n);
    float* thOut = nullptr;
    if (th && ppThird) {
        thOut = vector(1, n);
        std::memcpy(thOut + 1, th + 1, sizeof(float) * n);
    }
    freeWork();

    if (bElectrophoresisData) {
        for (long j = 1; j <= n; ++j)
            if (sOut[j] > 0.0f) sOut[j] = static_cast<float>(std::log10(1000.0 / sOut[j]));
        bAbsorbanceData = 1;
        pHeader->dataType = 'R';
    }
    if (bFluorescenceData) bAbsorbanceData = 1;

    pHeader->nPoints = static_cast<int>(n);
    *pnPoints = static_cast<int>(n);
    *ppR = rOut;
    *ppS = sOut;
    if (ppThird) *ppThird = thOut;
    return 1;
}

bool writeScanFile(const char* szPath, int n, float* pR, float* pS, float* pThird,
                   const char* szTitle, unsigned char bMarker, ScanHeader* pHeader) {
    std::string title = szTitle ? szTitle : pHeader->title;
    if (!hasTimeStampMarker(title.c_str())) title = std::string(szTimeStampOkMarker) + title;

    // Values too small for the text format are written as 0, in the caller's
    // arrays too, as the plot views do.
    auto flush = [n](float* v) {
        if (!v) return;
        for (int i = 1; i <= n; ++i)
            if (std::fabs(v[i]) < 1e-30f) v[i] = 0.0f;
    };
    flush(pR);
    flush(pS);

    FILE* f = win::fopenMapped(szPath, "w");
    if (!f) {
        // the line ends, so that what the console prints next starts on its own line
        std::printf("\n\aAttention: could not open %s\n", szPath);
        return false;
    }
    auto toLong = [](double v) -> long {
        if (!(v > -9.2e18 && v < 9.2e18)) return 0;
        return static_cast<long>(v);
    };
    std::fprintf(f, "%s\n", title.c_str());
    const char cType = pHeader->dataType;
    const double dW2t = static_cast<double>(static_cast<float>(pHeader->omega2t));
    if (cType == 'W' || cType == 'V')
        std::fprintf(f, "%c %d %2.1f %ld %ld %1.4e %1.3f %d\n", cType, pHeader->cell,
                     pHeader->temperature, toLong(pHeader->rpm), toLong(pHeader->timeWritten), dW2t,
                     pHeader->wavelength, pHeader->count);
    else
        std::fprintf(f, "%c %d %2.1f %ld %ld %1.4e %d %d\n", cType, pHeader->cell,
                     pHeader->temperature, toLong(pHeader->rpm), toLong(pHeader->timeWritten), dW2t,
                     static_cast<int>(toLong(pHeader->wavelength)), pHeader->count);
    for (int i = 1; i <= n; ++i) {
        if (pThird)
            std::fprintf(f, "   %1.4f  %1.5e   %1.5e \n", pR[i], pS[i], pThird[i]);
        else if (cType == 'P')
            std::fprintf(f, "   %1.4f  %1.5e \n", pR[i], pS[i]);
        else
            std::fprintf(f, "   %1.4f  %1.5e   %1.5e \n", pR[i], pS[i], 0.0);
    }
    const bool bWritten = std::fflush(f) == 0 && !std::ferror(f);
    const bool bClosed = std::fclose(f) == 0;
    if (pHeader->fileTimesValid) putBackScanFileTimes(szPath, pHeader);
    return bWritten && bClosed;
}
