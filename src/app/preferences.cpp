// The defaults file and the last-directory file.
#include "app/preferences.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "fitting/fit_globals.h"
#include "platform/win.h"
#include "scandata/scan_data.h"

DefaultPreferences defaultPreferences;
char szLastDataDir[260] = "";

namespace {

enum class Kind { Byte, Int, Float, Double };

// One line of the defaults file. Values outside [dMin, dMax] are taken as
// damaged and replaced by the default.
struct Entry {
    const char* szName;
    Kind kind;
    void* pValue;
    double dDefault;
    double dMin;
    double dMax;
};

const std::vector<Entry>& entries()
{
    static const std::vector<Entry> table = {
        {"disclaimer accepted", Kind::Byte, &defaultPreferences.bDisclaimerAccepted, 0, 0, 1},
        {"bSound", Kind::Byte, &bSound, 1, 0, 1},
        {"bCheckTimeStamps", Kind::Byte, &bCheckTimeStamps, 1, 0, 1},
        {"dTimeStampThreshold", Kind::Double, &dTimeStampThreshold, 1.001, 1.0, 10.0},
        {"nLammThreads", Kind::Int, &nLammThreads, 2, 1, 64},
        {"bMultiThreaded", Kind::Byte, &bMultiThreaded, 1, 0, 1},
        {"nNEQThreads", Kind::Int, &nNEQThreads, 2, 1, 64},
        {"bFlagStrongGradients", Kind::Byte, &bFlagStrongGradients, 1, 0, 1},
        {"fGradientLimit", Kind::Float, &fGradientLimit, 500, 1e-6, 1e12},
        {"bWizardMessages", Kind::Byte, &bWizardMessages, 1, 0, 1},
        {"bUseIntegrationRangesFile", Kind::Byte, &bUseIntegrationRangesFile, 0, 0, 1},
        {"bScanColorFromTime", Kind::Byte, &bScanColorFromTime, 0, 0, 1},
        {"SAmaxTemp", Kind::Float, &SAmaxTemp, 2.0, 0, 1e6},
        {"nSANumberOfTemps", Kind::Int, &nSANumberOfTemps, 10, 1, 1e6},
        {"nSAItMax", Kind::Int, &nSAItMax, 500, 1, 1e8},
        {"final polish", Kind::Int, &defaultPreferences.nSAFinal, 1, 0, 2},
    };
    return table;
}

void store(const Entry& e, double v)
{
    switch (e.kind) {
    case Kind::Byte: *static_cast<unsigned char*>(e.pValue) = static_cast<unsigned char>(v); break;
    case Kind::Int: *static_cast<int*>(e.pValue) = static_cast<int>(v); break;
    case Kind::Float: *static_cast<float*>(e.pValue) = static_cast<float>(v); break;
    case Kind::Double: *static_cast<double*>(e.pValue) = v; break;
    }
}

std::string format(const Entry& e, double v)
{
    char sz[64];
    switch (e.kind) {
    case Kind::Byte:
    case Kind::Int: std::snprintf(sz, sizeof sz, "%d", static_cast<int>(v)); break;
    case Kind::Float: std::snprintf(sz, sizeof sz, "%.9g", static_cast<double>(static_cast<float>(v))); break;
    case Kind::Double: std::snprintf(sz, sizeof sz, "%.17g", v); break;
    }
    return sz;
}

double current(const Entry& e)
{
    switch (e.kind) {
    case Kind::Byte: return *static_cast<unsigned char*>(e.pValue);
    case Kind::Int: return *static_cast<int*>(e.pValue);
    case Kind::Float: return *static_cast<float*>(e.pValue);
    case Kind::Double: return *static_cast<double*>(e.pValue);
    }
    return 0;
}

// A whole line holding one number of the entry's kind and range.
bool parse(const Entry& e, const std::string& line, double* pValue)
{
    const char* s = line.c_str();
    char* end = nullptr;
    double v = std::strtod(s, &end);
    if (end == s) return false;
    while (*end == ' ' || *end == '\t' || *end == '\r') ++end;
    if (*end) return false;
    if (!std::isfinite(v)) return false;
    if (e.kind == Kind::Float) {
        // a float setting is held in float: its bounds too, or the smallest
        // value the dialogs take (1e-6 is 9.99999997e-07 in float) would
        // not be read back
        const float f = static_cast<float>(v);
        if (f < static_cast<float>(e.dMin) || f > static_cast<float>(e.dMax)) return false;
    } else if (v < e.dMin || v > e.dMax) {
        return false;
    }
    if ((e.kind == Kind::Byte || e.kind == Kind::Int) && v != std::floor(v)) return false;
    *pValue = v;
    return true;
}

std::vector<std::string> readLines(const char* szPath, bool* pExists)
{
    std::vector<std::string> lines;
    FILE* f = std::fopen(szPath, "r");
    *pExists = f != nullptr;
    if (!f) return lines;
    std::string line;
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty()) lines.push_back(line);
    std::fclose(f);
    return lines;
}

bool writeLines(const char* szPath, const std::vector<std::string>& lines)
{
    // Written beside the file and renamed over it, so a failed write never
    // leaves a cut defaults file behind.
    std::string tmp = std::string(szPath) + ".new";
    FILE* f = std::fopen(tmp.c_str(), "w");
    if (!f) return false;
    bool ok = true;
    for (const std::string& l : lines)
        if (std::fprintf(f, "%s\n", l.c_str()) < 0) ok = false;
    if (std::fclose(f) != 0) ok = false;
    if (!ok || std::rename(tmp.c_str(), szPath) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

// The annealing settings of the fit engine follow the file: the current
// temperature starts at the start temperature, and the final polish picks
// Marquardt-Levenberg (1), the simplex (2) or neither (0).
void applyAnnealingPreferences()
{
    fSATemperature = SAmaxTemp;
    bSAFinalML = defaultPreferences.nSAFinal == 1 ? 1 : 0;
    bAnnealFinalSimplex = defaultPreferences.nSAFinal == 2 ? 1 : 0;
}

}  // namespace

int defaultPreferenceLines() { return static_cast<int>(entries().size()); }

void applyPreferenceDefaults()
{
    for (const Entry& e : entries()) store(e, e.dDefault);
    applyAnnealingPreferences();
}

int writeDefaultPreferences()
{
    std::vector<std::string> lines;
    for (const Entry& e : entries()) lines.push_back(format(e, current(e)));
    return writeLines(szParamsIniPath, lines) ? 1 : 0;
}

int readDefaultPreferences()
{
    bool bExists = false;
    std::vector<std::string> lines = readLines(szParamsIniPath, &bExists);
    bool bComplete = bExists;
    const std::vector<Entry>& table = entries();
    for (size_t k = 0; k < table.size(); ++k) {
        double v = table[k].dDefault;
        if (k >= lines.size() || !parse(table[k], lines[k], &v)) {
            bComplete = false;
            v = table[k].dDefault;
        }
        store(table[k], v);
    }
    applyAnnealingPreferences();
    if (!bComplete) writeDefaultPreferences();
    return bComplete ? 1 : 0;
}

int setDefaultPreference(TXLAWindow*, int nIndex, double dValue)
{
    const std::vector<Entry>& table = entries();
    if (nIndex < 1 || nIndex >= static_cast<int>(table.size())) return 0;
    bool bExists = false;
    std::vector<std::string> lines = readLines(szParamsIniPath, &bExists);
    if (!bExists || static_cast<int>(lines.size()) <= nIndex) return 0;
    lines[nIndex] = format(table[nIndex], dValue);
    return writeLines(szParamsIniPath, lines) ? 1 : 0;
}

void loadLastDirectory(TXLAWindow*, char* szBuffer)
{
    szBuffer[0] = 0;
    bool bExists = false;
    const std::vector<std::string> lines = readLines(szLastDirIniPath, &bExists);
    if (lines.empty()) return;
    const std::string line = lines[0].substr(0, lines[0].find('\r'));
    // a folder that does not fit the buffer is left empty rather than cut
    if (line.size() < 260) std::memcpy(szBuffer, line.c_str(), line.size() + 1);
}

void saveLastDirectory(TXLAWindow*, const char* szPath)
{
    const win::PathParts parts = win::splitPath(szPath ? szPath : "");
    FILE* f = std::fopen(szLastDirIniPath, "w");
    if (!f) return;
    std::fprintf(f, "%s%s\n", parts.drive.c_str(), parts.dir.c_str());
    std::fclose(f);
}
