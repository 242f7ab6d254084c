// DRELLIX experiment files: the scans they name and the solvent, geometry and
// noise settings they carry.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "scandata/data_menu.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"

namespace {

// Longest line the reader takes: the scan list of line 3, any other line.
constexpr size_t nMaxListLine = 128260;
constexpr size_t nMaxLine = 1000;

enum class LineRead { Ok, End, TooLong };

// One text line without its line end; longer than nMax characters is refused.
LineRead readLine(FILE* f, std::string& line, size_t nMax) {
    line.clear();
    int c;
    bool bAny = false;
    while ((c = std::fgetc(f)) != EOF) {
        bAny = true;
        if (c == '\n') break;
        if (line.size() >= nMax) return LineRead::TooLong;
        line.push_back(static_cast<char>(c));
    }
    if (!bAny) return LineRead::End;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return LineRead::Ok;
}

void tooLong(const char* szPath, int nLine) {
    char sz[400];
    std::snprintf(sz, sizeof(sz), "%.300s: line %d is too long for an experiment file - not loaded", szPath, nLine);
    scanInfoBox(sz, "ERROR");
}

bool readNumber(const std::string& line, float* pf) { return std::sscanf(line.c_str(), "%f", pf) == 1; }

}  // namespace

void TXLAWindow::LoadXpFile(const char* szPath) {
    FILE* f = win::fopenMapped(szPath, "r");
    if (!f) {
        char sz[400];
        std::snprintf(sz, sizeof(sz), "could not open %.300s", szPath);
        scanInfoBox(sz, "ERROR");
        return;
    }
    std::string line;
    LineRead r = readLine(f, line, nMaxLine);
    float fType = 0.0f;
    if (r == LineRead::TooLong) {
        std::fclose(f);
        tooLong(szPath, 1);
        return;
    }
    if (r != LineRead::Ok || !readNumber(line, &fType)) {
        std::fclose(f);
        return;
    }
    if (fType != 0.0f) {
        std::fclose(f);
        scanInfoBox("can only load xp files from sedimentation velocity", "ERROR");
        return;
    }
    std::string list;
    r = readLine(f, line, nMaxLine);
    if (r == LineRead::Ok) r = readLine(f, list, nMaxListLine);
    if (r == LineRead::TooLong) {
        std::fclose(f);
        tooLong(szPath, list.empty() ? 2 : 3);
        return;
    }

    // Line 3: "directory" "<blank>name<blank>name..."
    const size_t q1 = list.find('"');
    const size_t q2 = q1 == 0 ? list.find('"', 1) : std::string::npos;
    const size_t q3 = q2 != std::string::npos && q2 + 2 <= list.size() ? list.find('"', q2 + 2) : std::string::npos;
    const size_t q4 = q3 != std::string::npos ? list.find('"', q3 + 1) : std::string::npos;
    if (r != LineRead::Ok || q1 != 0 || q4 == std::string::npos) {
        std::fclose(f);
        scanInfoBox("old XP-file format (use newer version of drellix)", "ERROR");
        return;
    }
    std::string dir = list.substr(1, q2 - 1);
    if (!dir.empty() && dir[0] == '_') {
        const ScanPathParts own = splitScanPath(szPath);
        dir = own.drive + own.dir + dir;
    }
    std::vector<std::string> names;
    for (size_t p = q3 + 2; p < q4;) {
        size_t e = list.find(' ', p);
        if (e == std::string::npos || e > q4) e = q4;
        if (e > p) names.push_back(list.substr(p, e - p));
        p = e + 1;
    }

    nLoadEveryNth = 1;
    std::string selection = dir;
    selection.push_back('\0');
    for (const std::string& n : names) {
        selection += n;
        selection.push_back('\0');
    }
    selection.push_back('\0');
    if (selection.size() > sizeof(szOpenFileNames)) {
        std::fclose(f);
        tooLong(szPath, 3);
        return;
    }
    std::copy(selection.begin(), selection.end(), szOpenFileNames);

    const std::string firstName = names.empty() ? std::string() : names[0];
    const std::string oldCaption = szWindowTitle;
    std::snprintf(szWindowTitle, sizeof(szWindowTitle), "SEDIMENTATION ANALYSIS -> %.300s%.100s...",
                  withTrailingSeparator(dir).c_str(), firstName.c_str());
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    loadSelectionUnderCaption(this, oldCaption.c_str());
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));

    if (nScans > 0) {
        // One value per line; the values read before a line that fails stay.
        for (int k = 1; k <= 18; ++k) {
            float v = 0.0f;
            r = readLine(f, line, nMaxLine);
            if (r == LineRead::TooLong) tooLong(szPath, 3 + k);
            if (r != LineRead::Ok || !readNumber(line, &v)) break;
            const bool bFlag = std::floor(v) != 0.0f;
            switch (k) {
                case 1: fBufferDensity = v; break;
                case 2: RELVISCOSITY = v / STANDARDVISCOSITY; break;
                case 3:
                    VBAR = v;
                    fVbarRho = fBufferDensity * VBAR;
                    break;
                case 4:
                    fMeniscus = v;
                    pParamValue[13] = v;
                    break;
                case 5:
                    fBottom = v;
                    pParamValue[14] = v;
                    globalsToParamVector();
                    break;
                case 6: fMaxMeniscus = v; break;
                case 7: fMinMeniscus = v; break;
                case 8: fMaxBottom = v; break;
                case 9: fMinBottom = v; break;
                case 10:
                    fFitLeftLim = v;
                    updateLeftFitLimit();
                    break;
                case 11:
                    fFitRightLim = v;
                    updateRightFitLimit();
                    break;
                case 12:
                case 13: break;
                case 14: bFitTINoise = bFlag; break;
                case 15: bFitRINoise = bFlag; break;
                case 16: bFitBaseline = bFlag; break;
                case 17: bFitBottom = bFlag; break;
                case 18: bFitMeniscus = bFlag; break;
            }
        }
    }
    std::fclose(f);
}
