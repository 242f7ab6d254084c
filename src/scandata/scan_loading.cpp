// The scan data set: loading, appending, the initial-condition scan and the
// release of the set.
#include "scandata/scan_loading.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "plot/progress_line.h"
#include "scandata/mouse_actions.h"
#include "scandata/noise_grid.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"
#include "scandata/speed_analysis.h"
#include "tools/fluorescence/nonlinear_detection.h"

namespace {

constexpr size_t nNameBuffer = 260;

// The scans one load reads: full path and the name kept in the set.
struct ScanSource {
    std::string path;
    std::string name;
};

// The strings of a selection buffer: the first, then the names.
std::vector<std::string> selectionNames(const char* szSelection) {
    std::vector<std::string> names;
    for (const char* p = szSelection + std::strlen(szSelection) + 1; *p; p += std::strlen(p) + 1)
        names.push_back(p);
    return names;
}

// Drive, directory and the scans of a selection: with names the first string
// is their directory, without any it is the one file's full path.
std::vector<ScanSource> selectionSources(const std::string& first, const std::vector<std::string>& names,
                                         std::string& drive, std::string& dir) {
    std::vector<ScanSource> sources;
    if (names.empty()) {
        ScanPathParts p = splitScanPath(first);
        drive = p.drive;
        dir = p.dir;
        sources.push_back({first, p.name + p.ext});
    } else {
        ScanPathParts p = splitScanPath(withTrailingSeparator(first));
        drive = p.drive;
        dir = p.dir;
        for (const std::string& name : names) sources.push_back({drive + dir + name, name});
    }
    return sources;
}

// Radial resolution of one load: no merging in equilibrium mode or at the
// finest setting.
float loadResolution() {
    if (bEquilibriumDataMode || fRadialResolution <= 0.001f) return 0.0f;
    return fRadialResolution;
}

template <typename T>
T* grownTable(T* pOld, int nOld, int nNew) {
    T* p = new T[nNew + 1]();
    if (pOld)
        for (int i = 0; i <= nOld; ++i) p[i] = pOld[i];
    return p;
}

int* grownIntVector(int* pOld, int nOld, int nNew) {
    int* p = ivector(1, nNew);
    for (int i = 1; i <= nOld; ++i) p[i] = pOld[i];
    free_ivector(pOld, 1, nOld);
    return p;
}

// Makes room for nNew scans and keeps the first nOld.
void growScanTables(int nOld, int nNew) {
    auto grow = [nOld, nNew](auto*& p) {
        auto* q = grownTable(p, nOld, nNew);
        delete[] p;
        p = q;
    };
    grow(ppScanFileName);
    grow(ppRadius);
    grow(ppSignal);
    grow(ppThirdColumn);
    grow(ppFit);
    grow(ppModelPart);
    grow(ppResidual);
    grow(ppRadiusVec);
    grow(ppSignalVec);
    grow(ppFitVec);
    grow(ppResidualVec);
    grow(ppThirdColumnVec);
    grow(ppSignalCurve);
    grow(ppFitCurve);
    grow(ppResidualCurve);
    grow(ppThirdColumnCurve);
    grow(pScanHeaders);
    pScanPoints = grownIntVector(pScanPoints, nOld, nNew);
    pScanTimeOrder = grownIntVector(pScanTimeOrder, nOld, nNew);
    pFitFirstIndex = grownIntVector(pFitFirstIndex, nOld, nNew);
    pFitLastIndex = grownIntVector(pFitLastIndex, nOld, nNew);
}

CVector* viewOf(float* p, int n) {
    CVector* v = new CVector;
    v->Attach(p, static_cast<unsigned int>(n), 1);
    return v;
}

// The points of one load that were left out, file by file; said once at
// the end of the load.
struct LeftOutPoints {
    std::vector<std::pair<std::string, int>> files;
    void Note(const std::string& name) {
        if (nScanFilePointsLeftOut > 0) files.emplace_back(name, nScanFilePointsLeftOut);
    }
    void Tell() const { tellLeftOutPerFile("points whose numbers are not finite were left out:", files); }
};

// Why the points of a scan cannot be analysed: fewer than two, or radii that
// do not increase; empty when they can.
std::string pointsProblem(int n, const float* r) {
    if (n < 2) return "holds fewer than two points";
    for (int j = 2; j <= n; ++j)
        if (!(r[j] > r[j - 1])) {
            char sz[160];
            std::snprintf(sz, sizeof(sz), "radii do not increase: point %d at %.4f cm follows %.4f cm", j, r[j],
                          r[j - 1]);
            return sz;
        }
    return std::string();
}

// The text of a load error: the path, and the reason when there is one.
std::string loadErrorText(const std::string& path, const std::string& reason) {
    return reason.empty() ? path : path + "\n" + reason;
}

// Reads scan i from the file into its slot (steps common to every loader).
// On failure the slot holds nothing and *pReason tells why.
bool readIntoSlot(TXLAWindow* pWindow, int i, const ScanSource& src, float fRes,
                  unsigned char* pbTimeStamp, std::string* pReason, LeftOutPoints* pLeftOut) {
    pReason->clear();
    ppScanFileName[i] = nullptr;
    ppRadius[i] = ppSignal[i] = ppThirdColumn[i] = ppFit[i] = ppModelPart[i] = ppResidual[i] = nullptr;
    ppRadiusVec[i] = ppSignalVec[i] = ppFitVec[i] = ppResidualVec[i] = ppThirdColumnVec[i] = nullptr;
    ppSignalCurve[i] = ppFitCurve[i] = ppResidualCurve[i] = ppThirdColumnCurve[i] = nullptr;
    pScanPoints[i] = 0;
    pScanTimeOrder[i] = i;

    if (src.path.size() + 1 > nNameBuffer || src.name.size() + 1 > nNameBuffer) {
        *pReason = "the path is longer than " + std::to_string(nNameBuffer - 1) + " characters";
        return false;
    }
    int n = 0;
    if (!readScanFile(src.path.c_str(), &pScanHeaders[i], &n, &ppRadius[i], &ppSignal[i],
                      &ppThirdColumn[i], pbTimeStamp, fRes)) {
        *pReason = szScanFileProblem;
        return false;
    }
    // The fit limits, the noise grid and every analysis need a radius that
    // increases from point to point.
    *pReason = pointsProblem(n, ppRadius[i]);
    if (!pReason->empty()) {
        free_vector(ppRadius[i], 1, n);
        free_vector(ppSignal[i], 1, n);
        free_vector(ppThirdColumn[i], 1, n);
        ppRadius[i] = ppSignal[i] = ppThirdColumn[i] = nullptr;
        return false;
    }
    pLeftOut->Note(src.name);
    pScanPoints[i] = n;
    ppScanFileName[i] = new char[nNameBuffer];
    copyToBuffer(ppScanFileName[i], nNameBuffer, src.name);

    char sz[400];
    std::snprintf(sz, sizeof(sz), "\n --> %.300s (%d data points)", src.path.c_str(), n);
    pWindow->DebugLog(sz);
    if (bIntensityData) {
        // The signal of intensity data is the file's third column.
        bExperimentalInitialDistribution = 0;
        bConstantInitialDistribution = 1;
        if (ppThirdColumn[i]) std::swap(ppSignal[i], ppThirdColumn[i]);
    }
    if (bTimesFromW2t && !bElectrophoresisData) {
        float fOmega = pScanHeaders[i].rpm * kRpmToOmegaF;
        float fOmega2 = fOmega * fOmega;
        if (fOmega2 > 0.0f) pScanHeaders[i].time = pScanHeaders[i].omega2t / fOmega2;
    }
    completeScanArrays(i);
    if (bIntensityData && ppThirdColumn[i]) {
        ppThirdColumnVec[i] = viewOf(ppThirdColumn[i], n);
        ppThirdColumnCurve[i] = new CCurve(ppRadiusVec[i], ppThirdColumnVec[i]);
    }
    return true;
}

}  // namespace

// The scans in order of increasing time; equal times keep their load order.
void sortScansByTime() {
    for (int i = 1; i <= nScans; ++i) pScanTimeOrder[i] = i;
    int k = 1;
    while (k < nScans) {
        if (pScanHeaders[pScanTimeOrder[k]].time > pScanHeaders[pScanTimeOrder[k + 1]].time) {
            std::swap(pScanTimeOrder[k], pScanTimeOrder[k + 1]);
            if (k > 1) --k;
        } else {
            ++k;
        }
    }
}

namespace {

// Temperature of the data from the last scan.
void setTemperatureFromLastScan() {
    float t = pScanHeaders[nScans].temperature;
    fTemperatureK = t + kZeroCelsiusF;
    fRT = (t + kZeroCelsiusF) * kGasConstantSIF * 1e7f;
}

}  // namespace

// The temporary-parameter and distribution-grid paths beside the data, or in
// the folder that stands in for it.
void setDataSidePaths(const std::string& drive, const std::string& dir) {
    ScanPathParts first = splitScanPath(ppScanFileName[1]);
    const std::string folder = !szSideFileFolder.empty() ? szSideFileFolder : drive + dir;
    szScanExtra = parameterFilePath(folder, ppScanFileName[1]);
    szDistCurvePath = folder + "sdist" + first.ext;
}

namespace {

// Interference data mixed with others (told apart by the first letter of the
// file extension).
bool mixedDataTypes() {
    auto typeLetter = [](int i) {
        const char* dot = std::strrchr(ppScanFileName[i], '.');
        char c = dot ? dot[1] : '\0';
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    };
    char c1 = typeLetter(1);
    for (int i = 2; i <= nScans; ++i) {
        char c = typeLetter(i);
        if (c != c1 && (c == 'I' || c1 == 'I')) return true;
    }
    return false;
}

// Meniscus, bottom and fit limits default to scan 1 where they are not set.
void setGeometryDefaults() {
    if (fMeniscus == 0.0f) {
        fMeniscus = ppRadius[1][1];
        pParamValue[13] = fMeniscus;
    }
    if (fBottom == 0.0f) {
        fBottom = ppRadius[1][pScanPoints[1]];
        pParamValue[14] = fBottom;
    }
    if (fFitLeftLim == 0.0f) fFitLeftLim = fMeniscus + 0.005f;
    if (fFitRightLim == 0.0f) fFitRightLim = fBottom - 0.15f;
    bUserMeniscusBottomRange = 0;
    setAutoMeniscusBottomLimits();
}

void setupNoiseAndLimits() {
    setupNoiseRadialGrid();
    if (fFitLeftLim != 0.0f) updateLeftFitLimit();
    if (fFitRightLim != 0.0f) updateRightFitLimit();
}

// Noise and baseline switches for the data type; bFlags false leaves them.
void setNoiseSwitches(TXLAWindow* pWindow, bool bFlags) {
    if (bFlags) {
        if (bInterferenceData || bEquilibriumDiscrete) bFitTINoise = bFitRINoise = 1;
        bFitBaseline = 1;
        if (bElectrophoresisData) {
            switchOffRampRotorSpeed(pWindow);
            switchOffTimesFromW2t(pWindow);
        }
    }
    if (bFitTINoise || bFitRINoise)
        pWindow->ShowNoiseButtons();
    else
        pWindow->DeleteNoiseButtons();
}

// The load progress line at (10, 10) of the window.
void endProgress(TXLAWindow* pWindow) {
    if (!pLoadProgress) return;
    pLoadProgress->Hide(pWindow);
    delete pLoadProgress;
    pLoadProgress = nullptr;
}

void startProgress(TXLAWindow* pWindow) {
    endProgress(pWindow);
    pLoadProgress = new CProgressLine;
    pLoadProgress->Show(pWindow, 10, 10);
}

void drawProgress(TXLAWindow* pWindow, int i, int n) {
    if (pLoadProgress) pLoadProgress->Draw(static_cast<float>(i) / static_cast<float>(n), pWindow);
}

// Steps shared by the full loaders after every file was read: speed profile,
// mixed types, paths, temperature, geometry, time order, noise grid. False
// when the set was refused.
bool afterRead(TXLAWindow* pWindow, const std::string& drive, const std::string& dir) {
    pWindow->CheckSpeedSteps(drive.c_str(), dir.c_str());
    if (mixedDataTypes()) {
        bMixedDataTypes = 1;
        freeScanData();
        scanErrorBox("mixed data types", "ERROR");
        return false;
    }
    bMixedDataTypes = 0;
    bDLSData = 0;
    bModelComputed = 0;
    setDataSidePaths(drive, dir);
    setTemperatureFromLastScan();
    setGeometryDefaults();
    sortScansByTime();
    if (bEquilibriumDiscrete && bInterferenceData) {
        bInterferenceData = 0;
        bAbsorbanceData = 1;
    }
    setupNoiseAndLimits();
    return true;
}

void setListCaption() {
    std::snprintf(szWindowTitle, sizeof(szWindowTitle), "SEDIMENTATION ANALYSIS -> %.400s...",
                  nPendingFiles > 0 ? ppPendingFileName[1] : "");
}

// Reads the pending list into a new set (the two list loaders).
bool loadPendingList(TXLAWindow* pWindow, bool bReload) {
    if (nPendingFiles < 1) return false;
    startProgress(pWindow);
    pWindow->DebugLog("\nEnter LoadAllData");
    bDataChanged = 1;
    const float fRes = loadResolution();
    if (nScans > 0) {
        delete pContiNonid;
        pContiNonid = nullptr;
        freeScanData();
        if (bDLSData) fMeniscus = fBottom = 0.0f;
    }
    ScanPathParts first = splitScanPath(ppPendingFileName[1]);
    if (!bReload) {
        copyToBuffer(szListFilePath, sizeof(szListFilePath), first.drive + first.dir);
        bVaryMeniscusWarned = 0;
    }
    copyToBuffer(szScanDrive, sizeof(szScanDrive), first.drive);
    copyToBuffer(szScanDir, sizeof(szScanDir), first.dir);

    const int n = nPendingFiles;
    growScanTables(0, n);
    nScans = n;
    LeftOutPoints leftOut;
    for (int i = 1; i <= n; ++i) {
        drawProgress(pWindow, i, n);
        ScanPathParts p = splitScanPath(ppPendingFileName[i]);
        ScanSource src{ppPendingFileName[i], p.name + p.ext};
        std::string reason;
        if (!readIntoSlot(pWindow, i, src, fRes, nullptr, &reason, &leftOut)) {
            nScans = i;
            freeScanData();
            if (!bReload || !bSerialFitRunning) scanErrorBox(loadErrorText(src.path, reason).c_str(), "LOAD ERROR");
            endProgress(pWindow);
            return false;
        }
    }
    if (!afterRead(pWindow, first.drive, first.dir)) {
        endProgress(pWindow);
        return false;
    }
    if (!bRealtimeUpdate) setNoiseSwitches(pWindow, bReload || !bBatchMode);
    dSignalPerMgMl = bInterferenceData ? 3.3 : 1.0;
    buildScanPlotVectors();
    if (!(bRealtimeUpdate && bEqTestMode)) {
        setPlotAxisLabels();
        bRepaintAfterCalc = 0;
        redrawDataPlot(1);
        if (!bSerialFitRunning) pWindow->InvalidateUnlessBatch();
    }
    endProgress(pWindow);
    leftOut.Tell();
    return true;
}

}  // namespace

void allocScanDataSet(int n) {
    growScanTables(0, n);
    for (int i = 1; i <= n; ++i) pScanTimeOrder[i] = i;
    nScans = n;
}

void completeScanArrays(int i) {
    const int n = pScanPoints[i];
    ppFit[i] = vector(1, n);
    ppModelPart[i] = vector(1, n);
    ppResidual[i] = vector(1, n);
    std::memcpy(ppResidual[i] + 1, ppSignal[i] + 1, sizeof(float) * n);

    ppRadiusVec[i] = viewOf(ppRadius[i], n);
    ppSignalVec[i] = viewOf(ppSignal[i], n);
    ppFitVec[i] = viewOf(ppFit[i], n);
    ppResidualVec[i] = viewOf(ppResidual[i], n);
    ppSignalCurve[i] = new CCurve(ppRadiusVec[i], ppSignalVec[i]);
    ppFitCurve[i] = new CCurve(ppRadiusVec[i], ppFitVec[i]);
    ppResidualCurve[i] = new CCurve(ppRadiusVec[i], ppResidualVec[i]);
}

bool LoadAllData(TXLAWindow* pWindow, char* szSelection) {
    startProgress(pWindow);
    pWindow->DebugLog("\nEnter LoadAllData");
    bDataChanged = 1;
    float fRes = loadResolution();

    const std::string first = szSelection;
    const std::vector<std::string> names = selectionNames(szSelection);
    copyToBuffer(szListFilePath, sizeof(szListFilePath), first);
    bVaryMeniscusWarned = 0;

    if (names.empty() && !bEquilibriumDataMode) {
        scanErrorBox("only one file selected", "ERROR");
        if (!scanYesNoBox("switch to Equilibrium Data Mode?", "LOAD ERROR")) {
            endProgress(pWindow);
            return false;
        }
        bEquilibriumDataMode = 1;
        fRes = 0.0f;
    }

    if (nScans > 0) {
        delete pContiNonid;
        pContiNonid = nullptr;
        freeScanData();
        if (bDLSData) fMeniscus = fBottom = 0.0f;
    }

    // Names 1, 1 + n, 1 + 2n, ...; one full path without names is one scan.
    const int nStep = nLoadEveryNth > 1 ? nLoadEveryNth : 1;
    std::vector<std::string> taken;
    for (size_t k = 0; k < names.size(); k += static_cast<size_t>(nStep)) taken.push_back(names[k]);
    if (taken.size() > static_cast<size_t>(nMaxScans)) {
        if (bRealtimeUpdate) bRealtimeError = 1;
        endProgress(pWindow);
        scanErrorBox("too many scans selected", "LOAD ERROR");
        return false;
    }

    std::string drive, dir;
    std::vector<ScanSource> sources = selectionSources(first, taken, drive, dir);
    // The list path is a directory, also when one file was chosen by its path.
    if (names.empty()) copyToBuffer(szListFilePath, sizeof(szListFilePath), drive + dir);
    if (!names.empty() && bLoadFromListDirectory) {
        drive = szChosenDrive;
        dir = szChosenDir;
        copyToBuffer(szListFilePath, sizeof(szListFilePath), drive + dir);
        for (ScanSource& src : sources) src.path = drive + dir + src.name;
    }
    copyToBuffer(szScanDrive, sizeof(szScanDrive), drive);
    copyToBuffer(szScanDir, sizeof(szScanDir), dir);

    const int n = static_cast<int>(sources.size());
    growScanTables(0, n);
    nScans = n;
    LeftOutPoints leftOut;
    for (int i = 1; i <= n; ++i) {
        drawProgress(pWindow, i, n);
        if (i == 1) {
            ScanPathParts p = splitScanPath(sources[0].path);
            std::string notes = bOldFilenameConvention ? drive + dir + p.name + ".not"
                                                       : drive + dir + "notes" + p.ext;
            copyToBuffer(szNotesPath, sizeof(szNotesPath), notes);
        }
        std::string reason;
        if (!readIntoSlot(pWindow, i, sources[i - 1], fRes, nullptr, &reason, &leftOut)) {
            // Nothing of a failed load stays: the set is empty while the box is up.
            nScans = i;
            freeScanData();
            if (bRealtimeUpdate) bRealtimeError = 1;
            endProgress(pWindow);
            scanErrorBox(loadErrorText(sources[i - 1].path, reason).c_str(), "LOAD ERROR");
            return false;
        }
    }

    if (!afterRead(pWindow, drive, dir)) {
        endProgress(pWindow);
        return false;
    }
    if (!bRealtimeUpdate) setNoiseSwitches(pWindow, true);
    dSignalPerMgMl = bInterferenceData ? 3.3 : 1.0;
    buildScanPlotVectors();

    bool bRestored = !bRealtimeUpdate && pWindow->OfferRestorePreviousAnalysis(1);
    if (!bRestored) {
        if (!(bRealtimeUpdate && bEqTestMode)) {
            setPlotAxisLabels();
            bRepaintAfterCalc = 0;
            redrawDataPlot(1);
            if (!bSerialFitRunning) pWindow->InvalidateUnlessBatch();
        }
    } else {
        setPlotAxisLabels();
        bRepaintAfterCalc = 0;
        allocExtraNoiseArrays();
        pWindow->CmRun();
        float fRmsd = calcRmsd();
        redrawDataPlot(1);
        pWindow->InvalidateUnlessBatch();
        if (bWindowPainted) {
            char sz[64];
            std::snprintf(sz, sizeof(sz), "mean dev = %f  ", fRmsd);
            win::HDC dc = pWindow->GetDC();
            win::TextOut(dc, 10, 50, sz, static_cast<int>(std::strlen(sz)));
            pWindow->ReleaseDC(dc);
        }
    }
    if (!bRealtimeUpdate && !bSerialFitRunning && !bEqTestMode) checkTemperatureFluctuation(1.0f);
    endProgress(pWindow);
    leftOut.Tell();

    if (bCheckTimeStamps && pWindow->CheckTimeStamps()) pWindow->LoadScanFileList();

    if (bFluorescenceData && bSimTimeResolution) {
        bSimTimeResolution = 0;
        scanNoticeBox("scan time correction for fluorescence data not yet implemented, switching off",
                      nullptr);
    }
    return nScans > 0;
}

void TXLAWindow::LoadScanFileList() {
    if (!loadPendingList(this, false)) return;
    if (bCheckTimeStamps && CheckTimeStamps()) {
        LoadScanFileList();
        return;
    }
    setListCaption();
    SetCaption(szWindowTitle);
}

void TXLAWindow::ReloadScanFileList() {
    if (!loadPendingList(this, true)) return;
    if (bCheckTimeStamps && CheckTimeStamps()) {
        ReloadScanFileList();
        return;
    }
    setPlotAxisLabels();
    if (!bAutoLoadMultiSpeed) {
        bRepaintAfterCalc = 0;
        allocExtraNoiseArrays();
        RunFromKeyboard();
    } else {
        redrawDataPlot(1);
    }
    setListCaption();
    SetCaption(szWindowTitle);
}

void TXLAWindow::AddMoreFiles(char* szSelection) {
    endActiveMouseActions();  // the scan indices of an active tool change
    bDataChanged = 1;
    const float fRes = loadResolution();
    if (nScans == 0) {
        LoadAllData(this, szSelection);
        return;
    }

    std::string drive, dir;
    const std::vector<ScanSource> sources =
        selectionSources(szSelection, selectionNames(szSelection), drive, dir);
    const int nOld = nScans;
    const int nNew = nOld + static_cast<int>(sources.size());
    // The set never holds more scans than the analyses are built for.
    if (nNew > nMaxScans) {
        scanErrorBox("too many scans selected", "LOAD ERROR");
        return;
    }

    freeNoiseArrays(nOld);
    growScanTables(nOld, nNew);
    delete pContiNonid;
    pContiNonid = nullptr;
    copyToBuffer(szScanDrive, sizeof(szScanDrive), drive);
    copyToBuffer(szScanDir, sizeof(szScanDir), dir);

    // While a box is up the set shows only the scans it held before.
    int nFailures = 0;
    bool bDiscrepancyShown = false;
    LeftOutPoints leftOut;
    for (int i = nOld + 1; i <= nNew; ++i) {
        const ScanSource& src = sources[i - nOld - 1];
        unsigned char bTimeStamp = 0;
        std::string reason;
        if (!readIntoSlot(this, i, src, fRes, &bTimeStamp, &reason, &leftOut)) {
            ++nFailures;
            scanErrorBox(loadErrorText(src.path, reason).c_str(), "LOAD ERROR");
            continue;
        }
        if (bCheckTimeStamps && !bEquilibriumDataMode && !bDiscrepancyShown &&
            bTimeStamp != pScanHeaders[1].timeStampChecked) {
            bDiscrepancyShown = true;
            char sz[400];
            std::snprintf(sz, sizeof(sz), "%.300s\n time stamp correction discrepancy with previous data!",
                          src.path.c_str());
            scanErrorBox(sz, "LOAD ERROR");
        }
    }
    nScans = nNew;
    if (nFailures > 0) {
        freeScanData();
        return;
    }

    // The speed profile of the grown set.
    bApproachToEqPattern = 0;
    bSpeedChangesInScans = 0;
    bool bVariable = analyseScanSpeeds(nScans, pScanHeaders, &bApproachToEqPattern, &bSpeedChangesInScans);
    const std::string speedPath = drive + dir + "speedsteps.txt";
    delete pRotorSpeedProfile;
    pRotorSpeedProfile = nullptr;
    if (!bVariable && !fileExists(speedPath.c_str())) {
        bUsingSpeedSteps = 0;
    } else {
        pRotorSpeedProfile = new CRotorSpeedProfile;
        pRotorSpeedProfile->Load(speedPath.c_str());
        if (!pRotorSpeedProfile->CheckScans(nScans, pScanHeaders))
            scanNoticeBox("oops - speedsteps.txt rotor speed profile inconsistent with data", "LOAD ERROR");
        bUsingSpeedSteps = pRotorSpeedProfile->bMultiStep;
        switchOffTimesFromW2t(this);
    }

    bModelComputed = 0;
    setDataSidePaths(drive, dir);
    setTemperatureFromLastScan();
    sortScansByTime();
    setupNoiseAndLimits();
    setPlotAxisLabels();
    bRepaintAfterCalc = 0;
    redrawDataPlot(1);
    InvalidateUnlessBatch();
    leftOut.Tell();
}

int setInitialData(TXLAWindow* pWindow, const char* szPath) {
    bDataChanged = 1;
    const float fRes = loadResolution();
    if (nScans < 1) {
        scanNoticeBox("please load data files first", "");
        return 0;
    }
    freeExtrapolationArrays();
    unsigned char bTimeStamp = 0;
    const bool bRead = readScanFile(szPath, &hdrInitialScan, &nExtrapolationPoints, &pExtrapolation1,
                                    &pExtrapolation2, &pExtrapolation3, &bTimeStamp, fRes) != 0;
    const std::string reason = bRead ? pointsProblem(nExtrapolationPoints, pExtrapolation1) : std::string();
    if (!bRead || !reason.empty()) {
        if (bRead) freeExtrapolationArrays();
        nExtrapolationPoints = 0;
        pExtrapolation1 = pExtrapolation2 = pExtrapolation3 = nullptr;
        scanErrorBox(loadErrorText(szPath, reason).c_str(), "LOAD ERROR");
        return 0;
    }
    LeftOutPoints leftOut;
    leftOut.Note(splitScanPath(szPath).name + splitScanPath(szPath).ext);
    leftOut.Tell();
    if (bCheckTimeStamps && bTimeStamp != pScanHeaders[1].timeStampChecked) {
        char sz[400];
        std::snprintf(sz, sizeof(sz), "%.300s\n time stamp correction discrepancy with previous data!", szPath);
        scanErrorBox(sz, "LOAD ERROR");
    }
    if (bTimesFromW2t) {
        double dOmega = kRpmToOmega * hdrInitialScan.rpm;
        if (dOmega * dOmega > 0.0) hdrInitialScan.time = hdrInitialScan.omega2t / (dOmega * dOmega);
    }
    bUseInitialData = 0;
    const int nEarliest = pScanTimeOrder[1];
    if (hdrInitialScan.time == pScanHeaders[nEarliest].time) {
        bUseInitialData = 1;
        std::memcpy(ppFit[nEarliest] + 1, ppSignal[nEarliest] + 1, sizeof(float) * pScanPoints[nEarliest]);
    }
    if (fFitLeftLim != 0.0f) updateLeftFitLimit();
    if (fFitRightLim != 0.0f) updateRightFitLimit();
    (void)pWindow;
    return 1;
}
