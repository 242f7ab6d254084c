// The Lamm equation settings: their start values, the settings file
// "morvexlammparams.ini" and the switches between recorded scan times and
// times from omega-squared-t.
//
// The file holds one number per line in the order of the settings (flags 1 or
// 0, entry 22 the log10 of the truncation level). Every number is written in
// its shortest form that reads back to the same value of its own type, so a
// setting survives a restart exactly; older files written with six decimals
// read as they always did.
#include "models/lamm_settings.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/error_stop.h"
#include "numerics/physical_constants.h"
#include "numerics/whole_number.h"
#include "numerics/text_lines.h"
#include "platform/win.h"
#include "scandata/scan_data.h"

float fAutoAlgorithmNormS = 5.0f;
unsigned char bShutOffBackDiffusion = 1;
double dBackDiffusionLevel = 0.0001;
unsigned char bAutoDynamicGridSize = 1;
int nDefaultGridSize = 1000;
float fPointsPerSigma = 5.0f;
int nDynGridUpperLimit = 2000;
int nDynGridLowerLimit = 75;
unsigned char bTimesFromW2t = 0;
unsigned char bAutoFEAlgorithm = 1;
unsigned char bFixedTimestep = 0;
unsigned char bClaverie = 0;
unsigned char bMovingHat = 1;
unsigned char bAutoSGrid = 1;
double dSGrid = 0.0;
float fTolerance = 0.01f;
double dMaxDcOverC = 1.0;
float fAutoAlgorithmNormSOptimized = 60.0f;
unsigned char bOptimizeGridSpacing = 1;
unsigned char bExperimentalInitialDistribution = 0;
unsigned char bTruncateGrid = 1;
double dTruncateLevel = 1e-6;
unsigned char bSimTimeResolution = 0;
unsigned char bSimRadialResolution = 0;
float fScanVelocity = 2.43f;
float fConvolutionRange = 0.008f;
unsigned char bCheckRotorAcceleration = 1;
double dSpeedStepDShutoff = 10.0;
unsigned char bRampRotorSpeed = 1;
unsigned char bConstantInitialDistribution = 1;

namespace {

enum class Kind {
    Flag,      // on when > 0
    Size,      // a grid size, truncated towards zero, that must be at least nMinLammGridSize, else the
               // setting keeps its value
    Float,
    SizeFloat, // a float that must be > 0
    Double,
    LogLevel   // the file holds log10 of the value
};

struct Entry {
    Kind kind;
    void* pValue;
};

const Entry kEntries[nLammSettingsEntries + 1] = {
    {Kind::Flag, nullptr},  // unused: entries count from 1
    {Kind::Float, &fAutoAlgorithmNormS},
    {Kind::Flag, &bShutOffBackDiffusion},
    {Kind::Double, &dBackDiffusionLevel},
    {Kind::Flag, &bAutoDynamicGridSize},
    {Kind::Size, &nDefaultGridSize},
    {Kind::SizeFloat, &fPointsPerSigma},
    {Kind::Size, &nDynGridUpperLimit},
    {Kind::Size, &nDynGridLowerLimit},
    {Kind::Flag, &bTimesFromW2t},
    {Kind::Flag, &bAutoFEAlgorithm},
    {Kind::Flag, &bFixedTimestep},
    {Kind::Flag, &bClaverie},
    {Kind::Flag, &bMovingHat},
    {Kind::Flag, &bAutoSGrid},
    {Kind::Double, &dSGrid},
    {Kind::Float, &fTolerance},
    {Kind::Double, &dMaxDcOverC},
    {Kind::Float, &fAutoAlgorithmNormSOptimized},
    {Kind::Flag, &bOptimizeGridSpacing},
    {Kind::Flag, &bExperimentalInitialDistribution},
    {Kind::Flag, &bTruncateGrid},
    {Kind::LogLevel, &dTruncateLevel},
    {Kind::Flag, &bSimTimeResolution},
    {Kind::Flag, &bSimRadialResolution},
    {Kind::SizeFloat, &fScanVelocity},
    {Kind::Float, &fConvolutionRange},
    {Kind::Flag, &bCheckRotorAcceleration},
    {Kind::Double, &dSpeedStepDShutoff},
};

void apply(const Entry& e, double v)
{
    switch (e.kind) {
    case Kind::Flag: *static_cast<unsigned char*>(e.pValue) = v > 0 ? 1 : 0; break;
    case Kind::Size: {
        // A size the dialog would refuse keeps the setting as it is.
        const int n = truncToInt(v);
        if (n >= nMinLammGridSize) *static_cast<int*>(e.pValue) = n;
        break;
    }
    case Kind::Float: *static_cast<float*>(e.pValue) = static_cast<float>(v); break;
    case Kind::SizeFloat:
        if (static_cast<float>(v) > 0) *static_cast<float*>(e.pValue) = static_cast<float>(v);
        break;
    case Kind::Double: *static_cast<double*>(e.pValue) = v; break;
    case Kind::LogLevel: {
        const double level = std::pow(10.0, v);
        if (std::isfinite(level) && level > 0) *static_cast<double*>(e.pValue) = level;
        break;
    }
    }
}

double current(const Entry& e)
{
    switch (e.kind) {
    case Kind::Flag: return *static_cast<const unsigned char*>(e.pValue) ? 1.0 : 0.0;
    case Kind::Size: return *static_cast<const int*>(e.pValue);
    case Kind::Float:
    case Kind::SizeFloat: return *static_cast<const float*>(e.pValue);
    case Kind::Double: return *static_cast<const double*>(e.pValue);
    case Kind::LogLevel: return std::log10(*static_cast<const double*>(e.pValue));
    }
    return 0.0;
}

// The value as the line of the file: the shortest text that reads back to
// the same value of the setting's own type.
std::string format(const Entry& e, double v)
{
    char sz[64];
    std::to_chars_result r{};
    switch (e.kind) {
    case Kind::Flag:
    case Kind::Size: r = std::to_chars(sz, sz + sizeof sz, static_cast<long long>(v)); break;
    case Kind::Float:
    case Kind::SizeFloat: r = std::to_chars(sz, sz + sizeof sz, static_cast<float>(v)); break;
    case Kind::Double:
    case Kind::LogLevel: r = std::to_chars(sz, sz + sizeof sz, v); break;
    }
    return std::string(sz, r.ptr);
}

// The numbers of the file, one per line (blank lines skipped, the rest of a
// line ignored), up to the first line that does not begin with a number or
// holds one that no setting can take (not finite in single precision).
std::vector<double> readSettingsFile(std::FILE* f)
{
    std::vector<double> values;
    std::string line;
    while (values.size() < static_cast<size_t>(nLammSettingsEntries) && readTextLine(f, line)) {
        if (isBlankLine(line)) continue;
        const char* p = line.c_str();
        double v = 0;
        if (!readNumber(p, v) || !std::isfinite(v) || std::fabs(v) > FLT_MAX) break;
        values.push_back(v);
    }
    return values;
}

void debugLog(TXLAWindow* pWindow, const char* szText)
{
    if (pWindow) pWindow->DebugLog(szText);
}

}  // namespace

void lammSettingsToValues(double* pValues)
{
    for (int k = 1; k <= nLammSettingsEntries; ++k) pValues[k] = current(kEntries[k]);
}

int ReadLammEqParameterPreferences(TXLAWindow* pWindow)
{
    debugLog(pWindow, "\nEnter ReadLammEqParameterPreferences");
    std::FILE* f = std::fopen(szLammParamsIniPath, "r");
    if (!f) return 0;
    const std::vector<double> values = readSettingsFile(f);
    std::fclose(f);
    const int n = static_cast<int>(values.size());
    if (n < 26) {
        std::string text = "cannot find ";
        text += szLammParamsIniPath;
        text += " to initialize Lamm eq. preferences\n -> using defaults now";
        win::MessageBox(pWindow ? pWindow->HWindow : nullptr, text.c_str(), "LAMM EQUATION PARAMETERS", win::MB_OK);
        return 0;
    }
    for (int k = 1; k <= n; ++k) {
        apply(kEntries[k], values[k - 1]);
        if (k == 9) bRampRotorSpeed = bTimesFromW2t ? 0 : 1;
    }
    debugLog(pWindow, " --> done.");
    // An older file of 26 or 27 lines is brought up to 28 at once.
    if (n < nLammSettingsEntries) SaveLammEqParameterPreferences(pWindow);
    return 1;
}

int SaveLammEqParameterPreferences(TXLAWindow* pWindow)
{
    debugLog(pWindow, "\nEnter SaveLammEqParameterPreferences");
    std::string text;
    for (int k = 1; k <= nLammSettingsEntries; ++k) {
        text += format(kEntries[k], current(kEntries[k]));
        text += '\n';
    }
    // Written beside the file and renamed over it: a failed write never
    // leaves a cut settings file.
    const std::string tmp = std::string(szLammParamsIniPath) + ".new";
    std::FILE* f = std::fopen(tmp.c_str(), "w");
    bool bOk = f != nullptr;
    if (f) {
        bOk = writeText(f, text);
        if (std::fclose(f) != 0) bOk = false;
        if (!bOk || std::rename(tmp.c_str(), szLammParamsIniPath) != 0) {
            std::remove(tmp.c_str());
            bOk = false;
        }
    }
    if (!bOk) {
        const std::string msg = std::string("Attention: could not open ") + szLammParamsIniPath;
        reportError(msg.c_str(), 0);
        return 0;
    }
    debugLog(pWindow, " --> done.");
    return 1;
}

// ---------------------------------------------------------------- scan times

void switchOnTimesFromW2t(TXLAWindow*)
{
    bRampRotorSpeed = 0;
    bTimesFromW2t = 1;
    if (bElectrophoresisData || bDLSData) return;
    for (int i = 1; i <= nScans; ++i) {
        const double omega = pScanHeaders[i].rpm * kRpmToOmega;
        // A scan without a rotor speed has no time to derive: it keeps its own.
        if (omega == 0) continue;
        pScanHeaders[i].time = pScanHeaders[i].omega2t / (omega * omega);
    }
}

void switchOffTimesFromW2t(TXLAWindow*)
{
    if (!bTimesFromW2t) return;
    bTimesFromW2t = 0;
    restoreRecordedScanTimes();
}

void switchOffRampRotorSpeed(TXLAWindow*) { bRampRotorSpeed = 0; }
