// The realtime update of files, its commands and the window timer's tick.
#include "scandata/realtime_update.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"

using namespace win;

unsigned char bRealtimeStopping = 0;
int nRealtimeTimerId = 13;
int nRealtimeTimerMs = 60000;
int nRealtimeMaxFilesAtOnce = 20;
int nRealtimeMaxFileNumber = 1000;
char (*ppRealtimeFileName)[nRealtimeNameSize] = nullptr;
int nRealtimeFirstNumber = 0;
int nRealtimeLastNumber = 0;
int nRealtimeLastPolled = 0;
unsigned char bRealtimeForceReload = 0;
unsigned char bRealtimeNoAutoRange = 0;
unsigned char bRealtimeTemperatureWarned = 0;
unsigned char bRealtimeLoadAllCells = 0;
SYSTEMTIME stLastChange{};
char szRealtimeFileList[nRealtimeFileListSize] = "";

namespace {

// The scan path parts taken at the start, from which the polled names are made.
char szRealtimeDrive[nRealtimeNameSize] = "";
char szRealtimeDir[nRealtimeNameSize] = "";
char szRealtimeExt[nRealtimeNameSize] = "";

// A tick is running: the next one waits for it to end (a box the tick opened
// may let the window receive further ticks).
bool bRealtimeTickRunning = false;

constexpr const char* szStopText = "realtime update stopped by user interrupt";

void allocateFileTable()
{
    delete[] ppRealtimeFileName;
    ppRealtimeFileName = new char[nRealtimeMaxFileNumber + 1][nRealtimeNameSize]();
}

void freeFileTable()
{
    delete[] ppRealtimeFileName;
    ppRealtimeFileName = nullptr;
}

// The path of file number n with an extension, in the folder of the data.
std::string numberedPath(int n, const char* szExt)
{
    char szName[32];
    std::snprintf(szName, sizeof szName, "%05d", n);
    char szPath[2 * nRealtimeNameSize] = "";
    _makepath(szPath, szRealtimeDrive, szRealtimeDir, szName, szExt);
    return szPath;
}

// Opens the file for reading and closes it again: true when it is there.
bool fileThere(const std::string& path)
{
    HFILE h = _lopen(path.c_str(), OF_READ);
    if (h == HFILE_ERROR) return false;
    _lclose(h);
    return true;
}

// Test mode: the files of one extension from a first number on, into the
// next slots of the table, until the first missing number.
void pollSeries(const char* szExt, int nFirst)
{
    for (int n = std::max(0, nFirst); n <= nRealtimeMaxFileNumber; ++n) {
        if (nRealtimeLastNumber + 1 > nRealtimeMaxFileNumber) return;  // the table is full
        const std::string path = numberedPath(n, szExt);
        if (!fileThere(path)) return;
        ++nRealtimeLastNumber;
        copyToBuffer(ppRealtimeFileName[nRealtimeLastNumber], nRealtimeNameSize, path);
    }
}

// The systematic noise of the last fit off the display, as Display >
// Subtract All Systematic Noise does, without its question.
void subtractSystematicNoise()
{
    if (bFitRINoise)
        subtractAllNoiseFromData();
    else if (bFitTINoise)
        subtractTiNoiseFromData();
}

}  // namespace

// ---------------------------------------------------------------- looking for files

bool pollNewScanFiles()
{
    if (!ppRealtimeFileName) return false;
    if (!bEqTestMode) {
        nRealtimeLastNumber = nRealtimeLastPolled;
        for (int n = std::max(0, nRealtimeLastPolled); n <= nRealtimeMaxFileNumber; ++n) {
            const std::string path = numberedPath(n, szRealtimeExt);
            if (!fileThere(path)) {
                ppRealtimeFileName[n][0] = '\0';
                break;
            }
            copyToBuffer(ppRealtimeFileName[n], nRealtimeNameSize, path);
            nRealtimeLastNumber = n;
        }
    } else {
        nRealtimeLastNumber = 0;
        for (int g = 1; g <= std::min(nEqTestGroups, nEqTestMaxSeries); ++g)
            pollSeries(pEqTestGroupNames[g], pEqTestGroupFirstScan[g]);
        if (bRealtimeLoadAllCells && nEqTestGroups >= 1) {
            // the other cells of the first series' optics: ".RA" + 1..8
            const std::string stem = std::string(pEqTestGroupNames[1]).substr(0, 3);
            for (int c = 1; c <= 8; ++c) {
                char szKey[16];
                std::snprintf(szKey, sizeof szKey, "%s%d", stem.c_str(), c);
                bool bKnown = false;
                for (int g = 1; g <= std::min(nEqTestGroups, nEqTestMaxSeries); ++g)
                    if (std::strcmp(szKey, pEqTestGroupNames[g]) == 0) bKnown = true;
                if (!bKnown) pollSeries(szKey, 1);
            }
        }
    }
    if (nRealtimeLastNumber > nRealtimeLastPolled) {
        nRealtimeLastPolled = nRealtimeLastNumber;
        return true;
    }
    return false;
}

void buildRealtimeFileList()
{
    char* p = szRealtimeFileList;
    char* const pEnd = szRealtimeFileList + nRealtimeFileListSize - 1;  // room for the final NUL
    const std::string folder = withoutTrailingSeparator(std::string(szRealtimeDrive) + szRealtimeDir);
    const size_t nFolder = std::min(folder.size(), static_cast<size_t>(pEnd - p - 1));
    std::memcpy(p, folder.c_str(), nFolder);
    p += nFolder;
    *p++ = '\0';
    if (ppRealtimeFileName) {
        // the test mode fills the table from slot 1
        const int nFirst = std::max(0, bEqTestMode ? 1 : nRealtimeFirstNumber);
        const int nLast = std::min(nRealtimeLastNumber, nRealtimeMaxFileNumber);
        for (int n = nFirst; n <= nLast; ++n) {
            if (!ppRealtimeFileName[n][0]) continue;
            const ScanPathParts parts = splitScanPath(ppRealtimeFileName[n]);
            const std::string name = parts.name + parts.ext;
            if (p + name.size() + 1 > pEnd) break;
            std::memcpy(p, name.c_str(), name.size() + 1);
            p += name.size() + 1;
        }
    }
    *p = '\0';
}

bool checkForNewFiles(TXLAWindow* pWindow)
{
    bool bNew = pollNewScanFiles();
    if (!bEqTestMode && bRealtimeForceReload) bNew = true;
    if (!bNew) return false;
    buildRealtimeFileList();
    if (bEqTestMode) {
        nLoadEveryNth = 1;
    } else {
        const double dStep =
            std::ceil(static_cast<double>(nRealtimeLastNumber - nRealtimeFirstNumber) / nRealtimeMaxFilesAtOnce);
        nLoadEveryNth = std::max(1, static_cast<int>(dStep));
    }
    // a list without names would be taken for one file
    if (szRealtimeFileList[std::strlen(szRealtimeFileList) + 1]) LoadAllData(pWindow, szRealtimeFileList);
    return true;
}

// ---------------------------------------------------------------- after a reload

void checkTemperatureDrift(TXLAWindow* pWindow)
{
    if (bRealtimeTemperatureWarned || nScans < 2 || !pScanHeaders || !pScanTimeOrder) return;
    const float fFirst = pScanHeaders[pScanTimeOrder[1]].temperature;
    for (int t = 2; t <= nScans; ++t) {
        const float f = pScanHeaders[pScanTimeOrder[t]].temperature;
        if (std::fabs(f - fFirst) >= 1.0f) {
            MessageBox(pWindow ? pWindow->HWindow : nullptr,
                       "temperature fluctuations > 1 C, convection likely, restarting run should be considered", "",
                       MB_OK);
            bRealtimeTemperatureWarned = 1;
            return;
        }
    }
}

void autoAdjustDistributionRange()
{
    if (bRealtimeNoAutoRange || bBoundaryAnalysisMode || !bModelContinuous) return;
    // the first grid point belongs to the extra discrete species or table
    const bool bExtraFirst = bModelCSOneDiscreteD || bModelCSOneDiscreteM || bModelCSWithMsTable || bModelNonidealCS ||
                             bModelLsgsOneDiscrete || (bModelHybridCSLsgs && bHybridWithDiscrete);
    const int m = bExtraFirst ? 3 : 2;
    const bool bSFamily = bModelLsgs || bModelHybridCSLsgs || bModelLsgsOneDiscrete || bModelElectrophoresisCV ||
                          bModelCS || bModelCSConformationalChange || bModelCSBimodalFf0OneDiscrete ||
                          bModelCSFlotation || bModelCSBimodalFf0 || bModelCSScalingLaw || bModelCSWormlikeChain ||
                          bModelCSFixFf0FloatingVbar || bModelCSOneDiscreteD || bModelNonidealCS ||
                          bModelCSWithMsTable || bModelCSOneDiscreteM || bModelCSInvariantD || bModelCSLinearRods;
    const float* grid = bSFamily ? pDistAxisS : pDistAxisM;
    if (!grid || nResolution < m || nResolution < 2) return;
    const float fLow = grid[m], fHigh = grid[nResolution], fLast = grid[nResolution - 1];
    float fArea = 0.0f, fTail = 0.0f;
    integrateDistribution(fLow, fHigh, &fArea, nullptr, nullptr, nullptr, nullptr, nullptr);
    integrateDistribution(fLast, fHigh, &fTail, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (fArea == 0.0f) return;
    const float fRatio = fTail / fArea;
    if (fRatio < 0.001f || fRatio > 0.03f) {
        fSMax *= fRatio < 0.001f ? 0.9f : 1.5f;
        if (pParamValue) pParamValue[nSpecies + 1] = fSMax;
        bRealtimeForceReload = 1;
    } else {
        bRealtimeForceReload = 0;
    }
}

// ---------------------------------------------------------------- commands and the tick

void TXLAWindow::CmRealtimeUpdate()
{
    if (nScans < 1) return;
    // The series goes on from the number of the earliest loaded file: the
    // digits at the end of its name ("tcorr_00001.RA1" is number 1). Without
    // one the update could look for nothing, so it does not start.
    long nEarliestNumber = 0;
    if (!bEqTestMode) {
        const ScanPathParts earliest = splitScanPath(ppScanFileName[pScanTimeOrder[1]]);
        nEarliestNumber = trailingScanNumber(earliest.name);
        if (nEarliestNumber < 0 || nEarliestNumber > nRealtimeMaxFileNumber) {
            char sz[600];
            if (nEarliestNumber < 0)
                std::snprintf(sz, sizeof sz,
                              "%.300s holds no file number - the realtime update follows files named by their "
                              "number (00001%s, 00002%s, ...)",
                              ppScanFileName[pScanTimeOrder[1]], earliest.ext.c_str(), earliest.ext.c_str());
            else
                std::snprintf(sz, sizeof sz,
                              "%.300s is file number %ld - the realtime update looks for numbers up to %d",
                              ppScanFileName[pScanTimeOrder[1]], nEarliestNumber, nRealtimeMaxFileNumber);
            scanNoticeBox(sz, "REALTIME MODE");
            return;
        }
    }
    if (!bEqTestMode) {
        float f = static_cast<float>(nRealtimeMaxFilesAtOnce);
        bCtotBusy = 1;
        const bool bOk = inputFloat(&f, f, true, "maximal total number of files to load at once", "REALTIME MODE");
        bCtotBusy = 0;
        if (!bOk) return;
        // at least one file, or the thinning step would divide by zero
        nRealtimeMaxFilesAtOnce = std::max(1, static_cast<int>(std::floor(std::min(f, 1e9f))));
    } else {
        nRealtimeMaxFilesAtOnce = 1000;
        bEqTestAutoLimits =
            scanYesNoBox("keep going automatically with using default fitting limits for all new series?", "EQ TEST");
        bRealtimeLoadAllCells = scanYesNoBox("load data from all cells?", "EQ TEST");
    }
    CheckMenuItem(GetMenu(), 540, MF_CHECKED);
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    if (!bEqTestMode) {
        if (!bDisplayFlag210) CmToggleDisplayFlag210();
        if (bModelContinuous) bRealtimeNoAutoRange = !scanYesNoBox("auto adjust distribution range?", "REALTIME MODE");
    }

    // the folder and extension the polled names are made of
    const int nEarliest = pScanTimeOrder[1];
    const ScanPathParts earliest = splitScanPath(ppScanFileName[nEarliest]);
    copyToBuffer(szRealtimeDrive, sizeof szRealtimeDrive, szScanDrive);
    copyToBuffer(szRealtimeDir, sizeof szRealtimeDir, szScanDir);
    copyToBuffer(szRealtimeExt, sizeof szRealtimeExt, earliest.ext);
    allocateFileTable();
    bRealtimeUpdate = 1;

    if (!bEqTestMode) {
        nRealtimeFirstNumber = nRealtimeLastNumber = static_cast<int>(nEarliestNumber);
        bRealtimeTemperatureWarned = 0;
    } else {
        nRealtimeLastNumber = 0;
        for (int s = 1; s <= std::min(nEqTestSeries, nEqTestMaxSeries); ++s) nRealtimeLastNumber += pEqTestSeriesCount[s];
        bRealtimeTemperatureWarned = 1;
    }
    bRealtimeForceReload = 0;
    nRealtimeLastPolled = nRealtimeLastNumber;
    GetLocalTime(&stLastChange);

    checkForNewFiles(this);
    CmRun();
    if (!bEqTestMode) {
        subtractSystematicNoise();
        checkTemperatureDrift(this);
        autoAdjustDistributionRange();
        bRealtimeAutoAdjustRange = 0;
    }
    bStopFit = 0;
    bRealtimeError = 0;
    bAbortRequested = 0;
    bRealtimeStopping = 0;
    SetTimer(static_cast<UINT_PTR>(nRealtimeTimerId), static_cast<UINT>(nRealtimeTimerMs));
}

void TXLAWindow::CmStopRealtimeUpdate()
{
    KillTimer(static_cast<UINT_PTR>(nRealtimeTimerId));
    bRealtimeUpdate = 0;
    freeFileTable();
    if (bDisplayFlag210) CmToggleDisplayFlag210();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    CheckMenuItem(GetMenu(), 540, MF_UNCHECKED);
}

void TXLAWindow::EvTimer(UINT timerId)
{
    if (static_cast<int>(timerId) != nRealtimeTimerId) return;
    // a tick left over after the stop, or one that arrives while the last one
    // (or a box it opened) is still running, does nothing
    if (bRealtimeStopping || !bRealtimeUpdate || bRealtimeTickRunning) return;
    bRealtimeTickRunning = true;

    SYSTEMTIME now;
    GetLocalTime(&now);
    if (bStopFit) bRealtimeError = 1;
    if (!bRealtimeError) {
        if (checkForNewFiles(this)) {
            GetLocalTime(&stLastChange);
            CmRun();
            playOkSound();
            if (!bRealtimeError && !bEqTestMode) {
                subtractSystematicNoise();
                checkTemperatureDrift(this);
                if (bModelContinuous) {
                    autoAdjustDistributionRange();
                    if (bRealtimeAutoAdjustRange) SelectPeakRange(fRealtimeDistXMin, fRealtimeDistXMax);
                }
            }
        } else {
            InvalidateRect(HWindow, nullptr, TRUE);
            if (!bEqTestMode) CmShowLastFitInfo();
        }
        std::snprintf(szRealtimeStatus, sizeof szRealtimeStatus,
                      "IN REALTIME UPDATE MODE. PRESS ANY KEY TO INTERRUPT.");
        std::snprintf(szRealtimeChecked, sizeof szRealtimeChecked,
                      "Last changed at %02dh:%02d:%02d, last checked at %02dh:%02d:%02d.", stLastChange.wHour,
                      stLastChange.wMinute, stLastChange.wSecond, now.wHour, now.wMinute, now.wSecond);
        if (checkUserInterrupt(this)) bRealtimeError = 1;
    }
    if (bRealtimeError) {
        bRealtimeStopping = 1;
        playOkSound();
        MessageBox(HWindow, szStopText, "", MB_OK);
        CmStopRealtimeUpdate();
    }
    bRealtimeTickRunning = false;
}
