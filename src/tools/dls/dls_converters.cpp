// Light-scattering instrument exports to dlsdat files.
#include "tools/dls/dls_converters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "numerics/ccurve.h"
#include "numerics/physical_constants.h"
#include "numerics/sorting_interpolation.h"
#include "numerics/text_lines.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_text.h"

namespace {

// Most points of the ALV and Dynamics blocks.
constexpr int nMaxBlockRows = 1000;

// One measurement: one-based lags (s) and g(2)-1 values, and its header.
struct Measurement {
    std::vector<float> lag{0.0f};
    std::vector<float> value{0.0f};
    float fTemperature = 0.0f;
    double dTime = 0.0;
    float fCountRate = 1.0f;
    float fRefractiveIndex = 0.0f;
    float fViscosity = 0.0f;
    float fAngle = 0.0f;
    float fWavelength = 0.0f;

    int Points() const { return static_cast<int>(lag.size()) - 1; }
    void Add(double dLag, double dValue)
    {
        lag.push_back(static_cast<float>(dLag));
        value.push_back(static_cast<float>(dValue));
    }
};

// Writes one measurement with its lags in seconds.
bool writeMeasurement(const std::string& path, Measurement& m, const std::string& title)
{
    bDlsLinearLags = 1;
    const bool bOk =
        writeDlsDatCurve(path.c_str(), m.Points(), m.lag.data(), m.value.data(), title.c_str(), m.fTemperature,
                         dlsWholeSeconds(m.dTime), m.fCountRate, m.fRefractiveIndex, m.fViscosity, m.fAngle,
                         m.fWavelength, false);
    bDlsLinearLags = 0;
    return bOk;
}

// The number standing at position n (blanks and line ends before it skipped).
bool numberAt(const std::string& text, size_t n, double* pd)
{
    if (n > text.size()) return false;
    const char* p = text.c_str() + n;
    double d;
    if (!readNumber(p, d)) return false;
    *pd = d;
    return true;
}

// The first number after the next character c following the label.
bool numberAfter(const std::string& text, const char* szLabel, char c, double* pd)
{
    const size_t nLabel = text.find(szLabel);
    if (nLabel == std::string::npos) return false;
    const size_t nMark = text.find(c, nLabel + std::strlen(szLabel));
    if (nMark == std::string::npos) return false;
    return numberAt(text, nMark + 1, pd);
}

// The number standing right after the label.
bool numberAfterLabel(const std::string& text, const char* szLabel, size_t nFrom, double* pd, size_t* pnFound)
{
    size_t n = text.find(szLabel, nFrom);
    if (n == std::string::npos && nFrom > 0) n = text.find(szLabel);
    if (n == std::string::npos) return false;
    *pnFound = n;
    return numberAt(text, n + std::strlen(szLabel), pd);
}

// The line starting at pos (without its line end) and the start of the next.
std::string lineAt(const std::string& text, size_t pos, size_t* pNext)
{
    const size_t nFeed = text.find('\n', pos);
    const size_t nEnd = nFeed == std::string::npos ? text.size() : nFeed;
    *pNext = nFeed == std::string::npos ? text.size() : nFeed + 1;
    std::string line = text.substr(pos, nEnd - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool isBlank(const std::string& line) { return line.find_first_not_of(" \t\r\v\f") == std::string::npos; }

// Two numbers at the start of a line.
bool rowOf(const std::string& line, double* pdLag, double* pdValue)
{
    const char* p = line.c_str();
    return readNumber(p, *pdLag) && readNumber(p, *pdValue);
}

// Two digits of the clock text "hh:mm:ss" as a number.
long clockField(const std::string& text, size_t n)
{
    const double d = dlsTokenValue(text.substr(n, 2));
    return std::isfinite(d) ? static_cast<long>(d) : 0;
}

// Rows of lag and g(2) from the line after the line holding "Coef" (after
// line 1 without it): an empty line, a line that is no row, 1000 rows or the
// end of the text ends the block; a row cut short by the end is dropped.
bool convertCoefficientRows(const char* szInput, const char* szOutput, bool bCommas, float fTemperature,
                            float fRefractiveIndex, float fViscosity, float fWavelength, float fAngle)
{
    std::string text;
    if (!readDlsInputText(szInput, text)) return false;
    if (bCommas)
        for (char& c : text)
            if (c == ',') c = ' ';
    const size_t nCoef = text.find("Coef");
    size_t pos = dlsNextLineStart(text, nCoef == std::string::npos ? 0 : nCoef);
    Measurement m;
    while (m.Points() < nMaxBlockRows && pos < text.size()) {
        const std::string line = lineAt(text, pos, &pos);
        double dLag, dValue;
        if (isBlank(line) || !rowOf(line, &dLag, &dValue)) break;
        m.Add(dLag * 1e-6, dValue - 1.0);
    }
    if (m.Points() < 1) return false;
    m.fTemperature = fTemperature;
    m.fRefractiveIndex = fRefractiveIndex;
    m.fViscosity = fViscosity;
    m.fWavelength = fWavelength;
    m.fAngle = fAngle;
    return writeMeasurement(szOutput, m, "");
}

// Reads n rows of two tokens: lag and value; false when the text ends first.
bool readRows(DlsTokens& tokens, int n, double dLagFactor, double dValueScale, double dValueOffset,
              Measurement& m)
{
    for (int r = 0; r < n; ++r) {
        double dLag, dValue;
        if (!tokens.Next(dLag) || !tokens.Next(dValue)) return false;
        m.Add(dLag * dLagFactor, dValue * dValueScale + dValueOffset);
    }
    return true;
}

// The header tokens of the BIC layouts (positions counted from 1).
struct BicHeader {
    double t[24] = {};
    bool Read(DlsTokens& tokens)
    {
        for (int k = 1; k <= 23; ++k)
            if (!tokens.Next(t[k])) return false;
        return true;
    }
    void Fill(Measurement& m) const
    {
        m.fCountRate = static_cast<float>(t[2]);
        m.fAngle = static_cast<float>(t[9]);
        m.fWavelength = static_cast<float>(t[10] * 1e-9);
        m.fTemperature = static_cast<float>(t[11] - kZeroCelsius);
        m.fViscosity = static_cast<float>(t[12] * 0.01);
        m.fRefractiveIndex = static_cast<float>(t[14]);
        m.dTime = 0.0;
    }
};

// A line of at most 99 characters, without its line end.
std::string textLine(const std::string& text, size_t* pPos)
{
    if (*pPos >= text.size()) return std::string();
    std::string line = lineAt(text, *pPos, pPos);
    if (line.size() > 99) line.resize(99);
    return line;
}

// "%05d.dlsdat" (or the name) in the folder of the output path.
std::string outputBeside(const char* szOutput, const std::string& name)
{
    return dlsFolderOf(szOutput) + name + ".dlsdat";
}

std::string numberedName(int k)
{
    char sz[32];
    std::snprintf(sz, sizeof sz, "%05d", k);
    return sz;
}

// Rows of measurement k of the Protein Solutions layouts: nChannels rows
// from 26 characters after the end of "Measurement number k".
bool readMeasurementBlock(const std::string& text, int k, int nChannels, Measurement& m)
{
    char szLabel[64];
    std::snprintf(szLabel, sizeof szLabel, "Measurement number %d", k);
    const size_t nLabel = text.find(szLabel);
    if (nLabel == std::string::npos) return false;
    const size_t nStart = nLabel + std::strlen(szLabel) + 26;
    if (nStart > text.size()) return false;
    DlsTokens tokens(text, nStart);
    return readRows(tokens, nChannels, 1.0, 1.0, -1.0, m);
}

// The number of line feeds between 5 characters after "SOS" and the next
// character c, minus 1: the measurements of the summary; the position of
// "SOS" through pnSos. 0 when either is missing.
int summaryCount(const std::string& text, char c, size_t* pnSos)
{
    const size_t nSos = text.find("SOS");
    if (nSos == std::string::npos || nSos + 5 > text.size()) return 0;
    const size_t nEnd = text.find(c, nSos + 5);
    if (nEnd == std::string::npos) return 0;
    int nFeeds = 0;
    for (size_t k = nSos + 5; k < nEnd; ++k)
        if (text[k] == '\n') ++nFeeds;
    *pnSos = nSos;
    return nFeeds - 1;
}

// Summary rows of nTokens tokens from 3 characters after "SOS": the time,
// temperature and count rate of every measurement (token positions from 1).
bool readSummary(const std::string& text, size_t nSos, int nTokens, int nTime, int nTemperature, int nCountRate,
                 std::vector<Measurement>& ms)
{
    DlsTokens tokens(text, nSos + 3);
    std::vector<double> row(static_cast<size_t>(nTokens) + 1);
    for (Measurement& m : ms) {
        for (int k = 1; k <= nTokens; ++k)
            if (!tokens.Next(row[static_cast<size_t>(k)])) return false;
        m.dTime = row[static_cast<size_t>(nTime)];
        m.fTemperature = static_cast<float>(row[static_cast<size_t>(nTemperature)]);
        m.fCountRate = static_cast<float>(row[static_cast<size_t>(nCountRate)]);
    }
    return true;
}

}  // namespace

bool convertAlvDls(const char* szInput, const char* szOutput)
{
    std::string text;
    if (!readDlsInputText(szInput, text)) return false;

    // The clock time "hh:mm:ss" in double quotes after "Time".
    const size_t nTime = text.find("Time");
    if (nTime == std::string::npos) return false;
    const size_t nQuote = text.find('"', nTime + 1);
    if (nQuote == std::string::npos || nQuote + 8 >= text.size()) return false;
    Measurement m;
    m.dTime = static_cast<double>(clockField(text, nQuote + 1) * 3600 + clockField(text, nQuote + 4) * 60 +
                                  clockField(text, nQuote + 7));

    double dKelvin, dCentipoise, dIndex, dNanometres, dAngle, dKiloHertz;
    if (!numberAfter(text, "Temperature ", '\t', &dKelvin) || !numberAfter(text, "Viscosity ", '\t', &dCentipoise) ||
        !numberAfter(text, "Index", '\t', &dIndex) || !numberAfter(text, "Wavelength ", '\t', &dNanometres) ||
        !numberAfter(text, "Angle ", '\t', &dAngle) || !numberAfter(text, "MeanCR0 ", '\t', &dKiloHertz))
        return false;
    m.fTemperature = static_cast<float>(dKelvin - kZeroCelsius);
    m.fViscosity = static_cast<float>(dCentipoise * 0.01);
    m.fRefractiveIndex = static_cast<float>(dIndex);
    m.fWavelength = static_cast<float>(dNanometres * 1e-9);
    m.fAngle = static_cast<float>(dAngle);
    m.fCountRate = static_cast<float>(dKiloHertz * 1000.0);

    size_t nHead = text.find("Lag [ms]");
    if (nHead == std::string::npos) nHead = text.find("Correlation");
    if (nHead == std::string::npos) return false;
    size_t pos = dlsNextLineStart(text, nHead);
    while (m.Points() < nMaxBlockRows) {
        // The block must end at an empty line before the text ends.
        if (pos >= text.size()) return false;
        const std::string line = lineAt(text, pos, &pos);
        if (isBlank(line)) break;
        double dLag, dValue;
        if (!rowOf(line, &dLag, &dValue)) return false;
        m.Add(dLag * 0.001, dValue);
    }
    if (m.Points() < 1) return false;
    return writeMeasurement(szOutput, m, "");
}

bool convertDynamics7Dls(const char* szInput, const char* szOutput, float fTemperature, float fRefractiveIndex,
                         float fViscosity, float fWavelength, float fAngle)
{
    return convertCoefficientRows(szInput, szOutput, true, fTemperature, fRefractiveIndex, fViscosity, fWavelength,
                                  fAngle);
}

bool convertPS99v6Dls(const char* szInput, const char* szOutput, float fTemperature, float fRefractiveIndex,
                      float fViscosity, float fWavelength, float fAngle)
{
    return convertCoefficientRows(szInput, szOutput, false, fTemperature, fRefractiveIndex, fViscosity, fWavelength,
                                  fAngle);
}

bool convertPhotoCorDls(const char* szInput, const char* szOutput)
{
    std::string text;
    if (!readDlsInputText(szInput, text)) return false;
    double dTemperature, dCentipoise, dIndex, dNanometres, dAngle, dIntensity, dSampleTime, dChannels;
    if (!numberAfter(text, "Temperature, C", ':', &dTemperature) ||
        !numberAfter(text, "Viscosity, cP", ':', &dCentipoise) ||
        !numberAfter(text, "Refractive index", ':', &dIndex) ||
        !numberAfter(text, "Laser wavelength, nm", ':', &dNanometres) ||
        !numberAfter(text, "Scatteting angle, deg", ':', &dAngle) ||
        !numberAfter(text, "Mean signal intensity, Hz", ':', &dIntensity) ||
        !numberAfter(text, "Sample time, s", ':', &dSampleTime) ||
        !numberAfter(text, "Number of channels", ':', &dChannels))
        return false;
    // Every channel has labels of its own in the text: no more of them than that.
    const int nChannels = dlsChannelCount(dChannels, text.size() / 8);
    if (nChannels < 1) return false;

    Measurement m;
    m.fTemperature = static_cast<float>(dTemperature);
    m.fViscosity = static_cast<float>(dCentipoise * 0.01);
    m.fRefractiveIndex = static_cast<float>(dIndex);
    m.fWavelength = static_cast<float>(dNanometres * 1e-9);
    m.fAngle = static_cast<float>(dAngle);
    m.fCountRate = static_cast<float>(dIntensity);
    m.dTime = 1.0;
    size_t nArg = 0, nAcf = 0;
    for (int i = 1; i <= nChannels; ++i) {
        char szArg[40], szAcf[40];
        std::snprintf(szArg, sizeof szArg, "ARG[%d] =", i);
        std::snprintf(szAcf, sizeof szAcf, "ACF[%d] =", i);
        double dArg, dAcf;
        if (!numberAfterLabel(text, szArg, nArg, &dArg, &nArg) || !numberAfterLabel(text, szAcf, nAcf, &dAcf, &nAcf))
            return false;
        m.Add(dArg * dSampleTime, dAcf);
    }
    return writeMeasurement(szOutput, m, "");
}

bool convertTwoColumnG2Dls(const char* szInput, const char* szOutput, float fLagUnit, float fBaseline,
                           float fTemperature, float fTime, float fCountRate, float fRefractiveIndex, float fViscosity,
                           float fAngle, float fWavelength)
{
    if (fBaseline == 0.0f) return false;
    CCurve curve;
    if (!curve.Load(szInput, 1, 2) || !curve.pX || curve.pX->nSize < 1) return false;
    const int n = static_cast<int>(curve.pX->nSize);
    std::vector<float> lag(static_cast<size_t>(n) + 1), value(static_cast<size_t>(n) + 1);
    for (int j = 1; j <= n; ++j) {
        lag[static_cast<size_t>(j)] = curve.pX->pData[j - 1];
        value[static_cast<size_t>(j)] = curve.pY->pData[j - 1];
    }
    sort2(n, lag.data(), value.data());
    Measurement m;
    for (int j = 1; j <= n; ++j)
        m.Add(static_cast<double>(lag[static_cast<size_t>(j)]) * fLagUnit,
              static_cast<double>(value[static_cast<size_t>(j)]) / fBaseline - 1.0);
    m.fTemperature = fTemperature;
    m.dTime = fTime;
    m.fCountRate = fCountRate;
    m.fRefractiveIndex = fRefractiveIndex;
    m.fViscosity = fViscosity;
    m.fAngle = fAngle;
    m.fWavelength = fWavelength;
    return writeMeasurement(szOutput, m, "");
}

bool convertTwoColumnG2m1Dls(const char* szInput, const char* szOutput, float fTemperature, float fTime,
                             float fRefractiveIndex, float fViscosity, float fAngle, float fWavelength)
{
    CCurve curve;
    if (!curve.Load(szInput, 1, 2) || !curve.pX || curve.pX->nSize < 1) return false;
    Measurement m;
    for (unsigned j = 0; j < curve.pX->nSize; ++j)
        m.Add(static_cast<double>(curve.pX->pData[j]) * 1e-6, curve.pY->pData[j]);
    m.fTemperature = fTemperature;
    m.dTime = fTime;
    m.fCountRate = 1.0f;
    m.fRefractiveIndex = fRefractiveIndex;
    m.fViscosity = fViscosity;
    m.fAngle = fAngle;
    m.fWavelength = fWavelength;
    return writeMeasurement(szOutput, m, "");
}

bool convertBicDls(const char* szInput, const char* szOutput)
{
    std::string text;
    if (!readDlsInputText(szInput, text)) return false;
    DlsTokens tokens(text, 0);
    BicHeader h;
    if (!h.Read(tokens)) return false;
    const int nFirst = dlsChannelCount(h.t[7], text.size());
    const int nMore = h.t[21] < 1.0 && h.t[21] >= 0.0 ? 0 : dlsChannelCount(h.t[21], text.size());
    if (nFirst < 1 || nMore < 0 || h.t[23] == 0.0) return false;
    const int nChannels = nFirst + nMore;
    if (!tokens.Skip(14)) return false;
    Measurement m;
    h.Fill(m);
    if (!readRows(tokens, nChannels, 1e-6, 1.0 / h.t[23], -1.0, m)) return false;
    // The rest of the last row's line, then sample, operator and two more lines.
    size_t pos = tokens.Position();
    textLine(text, &pos);
    const std::string sample = textLine(text, &pos);
    const std::string op = textLine(text, &pos);
    const std::string third = textLine(text, &pos);
    const std::string fourth = textLine(text, &pos);
    const std::string title = "sample: " + sample + ", operator: " + op + ", " + third + ", " + fourth;
    return writeMeasurement(szOutput, m, title);
}

bool convertOldDosBicDls(const char* szInput, const char* szOutput)
{
    std::string text;
    if (!readDlsInputText(szInput, text)) return false;
    DlsTokens tokens(text, 0);
    BicHeader h;
    if (!h.Read(tokens)) return false;
    const int nChannels = dlsChannelCount(h.t[7], text.size());
    if (nChannels < 1 || h.t[23] == 0.0) return false;
    Measurement m;
    h.Fill(m);
    if (!readRows(tokens, nChannels, 1e-6, 1.0 / h.t[23], -1.0, m)) return false;
    return writeMeasurement(szOutput, m, "");
}

int convertPSv4Dls(const char* szInput, const char* szOutput, float fTemperature, float fRefractiveIndex,
                   float fViscosity, float fWavelength, float fAngle, int nChannels)
{
    std::string text;
    if (!readDlsInputText(szInput, text)) return 0;
    if (nChannels < 1 || static_cast<size_t>(nChannels) > text.size()) return 0;
    int nMeasurements = 0;
    for (size_t n = text.find("Measurement number "); n != std::string::npos;
         n = text.find("Measurement number ", n + 1))
        ++nMeasurements;
    if (nMeasurements < 1) return 0;

    std::vector<Measurement> ms(static_cast<size_t>(nMeasurements));
    for (int k = 1; k <= nMeasurements; ++k) {
        Measurement& m = ms[static_cast<size_t>(k - 1)];
        if (!readMeasurementBlock(text, k, nChannels, m)) return 0;
        m.fTemperature = fTemperature;
        m.fRefractiveIndex = fRefractiveIndex;
        m.fViscosity = fViscosity;
        m.fWavelength = fWavelength;
        m.fAngle = fAngle;
        m.fCountRate = 1.0f;
        m.dTime = k;
    }
    Measurement mean = ms[0];
    mean.dTime = 0.0;
    for (int j = 1; j <= nChannels; ++j) {
        double dSum = 0.0;
        for (const Measurement& m : ms) dSum += m.value[static_cast<size_t>(j)];
        mean.value[static_cast<size_t>(j)] = static_cast<float>(dSum / nMeasurements);
    }
    for (int k = 1; k <= nMeasurements; ++k)
        if (!writeMeasurement(outputBeside(szOutput, numberedName(k)), ms[static_cast<size_t>(k - 1)], szInput))
            return 0;
    if (!writeMeasurement(outputBeside(szOutput, "average"), mean, szInput)) return 0;
    return nMeasurements;
}

int convertPS99Dls(const char* szInput, const char* szOutput, float fViscosity, float fRefractiveIndex,
                   int nChannels)
{
    std::string text;
    if (!readDlsInputText(szInput, text)) return 0;
    if (nChannels < 1 || static_cast<size_t>(nChannels) > text.size()) return 0;
    size_t nSos = 0;
    const int nMeasurements = summaryCount(text, 'M', &nSos);
    if (nMeasurements < 1) return 0;
    std::vector<Measurement> ms(static_cast<size_t>(nMeasurements));
    if (!readSummary(text, nSos, 17, 2, 14, 15, ms)) return 0;
    for (int k = 1; k <= nMeasurements; ++k) {
        Measurement& m = ms[static_cast<size_t>(k - 1)];
        if (!readMeasurementBlock(text, k, nChannels, m)) return 0;
        m.fRefractiveIndex = fRefractiveIndex;
        m.fViscosity = fViscosity;
        m.fAngle = 90.0f;
        m.fWavelength = 8.083e-7f;
    }
    for (int k = 1; k <= nMeasurements; ++k)
        if (!writeMeasurement(outputBeside(szOutput, numberedName(k)), ms[static_cast<size_t>(k - 1)], szInput))
            return 0;
    return nMeasurements;
}

int convertPS99v526Dls(const char* szInput, const char* szOutput, float fViscosity, float fRefractiveIndex,
                       int nChannels, bool bTimeCourse)
{
    std::string text;
    if (!readDlsInputText(szInput, text)) return 0;
    if (nChannels < 1 || static_cast<size_t>(nChannels) > text.size()) return 0;
    double dAngstrom, dAngle;
    size_t nFound;
    if (!numberAfterLabel(text, "Laser Wavelength (A)   =", 0, &dAngstrom, &nFound) ||
        !numberAfterLabel(text, "Scattering Angle (deg) =", 0, &dAngle, &nFound))
        return 0;
    size_t nSos = 0;
    const int nMeasurements = summaryCount(text, '-', &nSos);
    if (nMeasurements < 1) return 0;
    // The measurements and, last, their average.
    std::vector<Measurement> ms(static_cast<size_t>(nMeasurements) + 1);
    {
        std::vector<Measurement> summary(static_cast<size_t>(nMeasurements));
        if (!readSummary(text, nSos, 11, 2, 8, 9, summary)) return 0;
        std::copy(summary.begin(), summary.end(), ms.begin());
    }
    Measurement& average = ms.back();
    double dTime = 0.0, dTemperature = 0.0, dCountRate = 0.0;
    for (int k = 0; k < nMeasurements; ++k) {
        dTime += ms[static_cast<size_t>(k)].dTime;
        dTemperature += ms[static_cast<size_t>(k)].fTemperature;
        dCountRate += ms[static_cast<size_t>(k)].fCountRate;
    }
    average.dTime = dTime / nMeasurements;
    average.fTemperature = static_cast<float>(dTemperature / nMeasurements);
    average.fCountRate = static_cast<float>(dCountRate / nMeasurements);

    const size_t nTable = text.find("Coefficients (Ave)");
    if (nTable == std::string::npos) return 0;
    DlsTokens tokens(text, dlsNextLineStart(text, nTable));
    for (int j = 1; j <= nChannels; ++j) {
        double dLag;
        if (!tokens.Next(dLag)) return 0;
        for (Measurement& m : ms) {
            double dValue;
            if (!tokens.Next(dValue)) return 0;
            m.Add(dLag, dValue - 1.0);
        }
    }
    for (Measurement& m : ms) {
        m.fRefractiveIndex = fRefractiveIndex;
        m.fViscosity = fViscosity;
        m.fAngle = static_cast<float>(dAngle);
        m.fWavelength = static_cast<float>(dAngstrom * 1e-10);
    }
    if (bTimeCourse)
        for (int k = 1; k <= nMeasurements; ++k)
            if (!writeMeasurement(outputBeside(szOutput, numberedName(k)), ms[static_cast<size_t>(k - 1)], szInput))
                return 0;
    if (!writeMeasurement(outputBeside(szOutput, "average"), average, szInput)) return 0;
    return nMeasurements;
}
