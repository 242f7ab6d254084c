// Raw-data editing tools: the workers and their Options-menu commands.
#include "scandata/raw_edit_tools.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/loaded_scan_writer.h"
#include "scandata/mouse_actions.h"
#include "scandata/noise_grid.h"
#include "scandata/raw_data_commands.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"
#include "tools/fluorescence/nonlinear_detection.h"

using namespace win;

namespace {

void setCursorTo(LPCSTR id) { SetCursor(LoadCursor(nullptr, id)); }

std::string directoryOf(const std::string& path)
{
    const ScanPathParts p = splitScanPath(path);
    return p.drive + p.dir;
}

// The third column as the writer of loaded scans takes it.
float* thirdColumnOf(int i) { return bIntensityData ? ppThirdColumn[i] : nullptr; }

// Keeps the points j of scan i for which bKeep(j) holds, in every column of
// the scan (radius, signal, third column, fit, model part, residual); the
// views of the scan are attached to the new arrays.
template <class F>
void keepScanPoints(int i, F bKeep)
{
    const int n = pScanPoints[i];
    // decided before any column is replaced (the test may read the radii)
    std::vector<char> keep(static_cast<size_t>(n) + 1, 0);
    int m = 0;
    for (int j = 1; j <= n; ++j)
        if (bKeep(j)) {
            keep[static_cast<size_t>(j)] = 1;
            ++m;
        }
    if (m == n) return;
    float** columns[] = {ppRadius, ppSignal, ppThirdColumn, ppFit, ppModelPart, ppResidual};
    for (float** pp : columns) {
        float* pOld = pp[i];
        if (!pOld) continue;
        float* pNew = vector(1, m > 0 ? m : 1);
        for (int j = 1, k = 0; j <= n; ++j)
            if (keep[static_cast<size_t>(j)]) pNew[++k] = pOld[j];
        pp[i] = pNew;
        free_vector(pOld, 1, n);
    }
    pScanPoints[i] = m;
    pScanHeaders[i].nPoints = m;
    auto attach = [i, m](CVector** pp, float* p) {
        if (pp && pp[i] && p) pp[i]->Attach(p, static_cast<unsigned>(m), 1);
    };
    attach(ppRadiusVec, ppRadius[i]);
    attach(ppSignalVec, ppSignal[i]);
    attach(ppThirdColumnVec, ppThirdColumn[i]);
    attach(ppFitVec, ppFit[i]);
    attach(ppResidualVec, ppResidual[i]);
}

// The speed at which omega^2 r at the middle of the cell stays what it was
// before the radii moved by the shift.
float fieldKeepingRpm(float fRpm, float fMid, float fShift)
{
    return std::floor(fRpm * std::sqrt(fMid / (fMid + fShift)));
}

float stretchShift(float fModule, float fRpm)
{
    const float fKrpm = 0.001f * fRpm;
    return -fModule * fKrpm * fKrpm;
}

// The loaded speed profile with the speeds that keep the stretch (and so the
// field) of the shifted scans; nothing is written.
void rescaleLoadedProfile(float fMid, float fModule)
{
    CRotorSpeedProfile& p = *pRotorSpeedProfile;
    const int n = p.nSteps;
    if (n < 1) return;
    float* pStart = vector(1, n);
    float* pRpm = vector(1, n);
    float* pRate = vector(1, n);
    for (int k = 1; k <= n; ++k) {
        pStart[k] = p.stepStart[k];
        pRpm[k] = fieldKeepingRpm(p.stepRpm[k], fMid, stretchShift(fModule, p.stepRpm[k]));
        pRate[k] = p.stepRate[k];
    }
    p.SetSteps(n, pStart, pRpm, pRate);
    free_vector(pStart, 1, n);
    free_vector(pRpm, 1, n);
    free_vector(pRate, 1, n);
}

void writeShiftedScans(float fModule, const std::string& dir, bool bMaintainField, bool bRename, float fMid)
{
    {
        // the parameter file goes with the shifted copy, as with every copy of the raw data
        szScanExtra = parameterFilePath(dir, ppScanFileName[pScanTimeOrder[1]]);
    }
    for (int i = 1; i <= nScans; ++i) {
        ScanHeader* pH = &pScanHeaders[i];
        const int n = pScanPoints[i];
        const float fShift = stretchShift(fModule, pH->rpm);
        char szName[64];
        std::snprintf(szName, sizeof szName, "%d", static_cast<int>(pH->timeWritten));
        const std::string name = szName + splitScanPath(ppScanFileName[i]).ext;
        const std::string out = dir + name;
        char szTitle[120];
        if (std::strlen(pH->title) < 80)
            std::snprintf(szTitle, sizeof szTitle, "%s, shift %1.3f", pH->title, fShift);
        else
            std::snprintf(szTitle, sizeof szTitle, "%s", pH->title);
        const float fRpm = pH->rpm;
        if (bMaintainField) pH->rpm = fieldKeepingRpm(fRpm, fMid, fShift);
        float* pShifted = vector(1, n);
        for (int j = 1; j <= n; ++j) pShifted[j] = ppRadius[i][j] + fShift;
        std::vector<float> raw;
        float* pSignal = rawScaleOfScan(i, false, raw);
        if (bInterferenceData && nNoiseGridPoints > 0 && pNoiseGrid) {
            // interference scans stay on one common radial grid
            float* pOnGrid = vector(1, nNoiseGridPoints);
            interpolateOnGrid(nNoiseGridPoints, pNoiseGrid, pOnGrid, n, pShifted, pSignal);
            writeLoadedScan(out.c_str(), nNoiseGridPoints, pNoiseGrid, pOnGrid, nullptr, szTitle,
                            pH->timeStampChecked, pH);
            free_vector(pOnGrid, 1, nNoiseGridPoints);
        } else {
            writeLoadedScan(out.c_str(), n, pShifted, pSignal, thirdColumnOf(i), szTitle, pH->timeStampChecked, pH);
        }
        free_vector(pShifted, 1, n);
        pH->rpm = fRpm;
        if (bRename) copyToBuffer(ppScanFileName[i], 260, name);
    }
    if (bMaintainField && pRotorSpeedProfile) {
        // the profile of the written scans lies beside them; the loaded one
        // changes only when those scans are loaded in place of these
        const std::string speeds = dir + "speedsteps.txt";
        if (bRename) {
            pRotorSpeedProfile->RescaleSpeeds(fMid, fModule, speeds.c_str());
        } else {
            CRotorSpeedProfile copy;
            copy.CopyFrom(*pRotorSpeedProfile);
            copy.RescaleSpeeds(fMid, fModule, speeds.c_str());
        }
    }
}

void shiftLoadedScans(float fModule, bool bMaintainField, float fMid)
{
    bDataChanged = 1;
    for (int i = 1; i <= nScans; ++i) {
        ScanHeader* pH = &pScanHeaders[i];
        const float fShift = stretchShift(fModule, pH->rpm);
        for (int j = 1; j <= pScanPoints[i]; ++j) ppRadius[i][j] += fShift;
        if (bMaintainField) pH->rpm = fieldKeepingRpm(pH->rpm, fMid, fShift);
    }
    if (bMaintainField && pRotorSpeedProfile) rescaleLoadedProfile(fMid, fModule);
    setupNoiseRadialGrid();
}

}  // namespace

void shiftScansForRotorStretch(float fModule, bool bSave, const char* szPath, bool bMaintainField, bool bRename)
{
    if (refuseDlsData() || nScans == 0) return;
    // written scans go only where the user (or the auto-load) said
    if (bSave && (!szPath || !szPath[0])) return;
    endActiveMouseActions();
    setCursorTo(IDC_WAIT);
    const float fMid = (ppRadius[1][1] + ppRadius[1][pScanPoints[1]]) / 2;
    if (bSave)
        writeShiftedScans(fModule, directoryOf(szPath), bMaintainField, bRename, fMid);
    else
        shiftLoadedScans(fModule, bMaintainField, fMid);
    setCursorTo(IDC_ARROW);
}

void saveSixChannelSubsets(float fCut1, float fCut2)
{
    if (nScans == 0) return;
    const int n1 = pScanPoints[1];
    if (!(fCut1 <= fCut2 && fCut1 >= ppRadius[1][1] && fCut2 <= ppRadius[1][n1])) return;
    if (bInterferenceData) endActiveMouseActions();  // the alignment changes the loaded signals
    setCursorTo(IDC_WAIT);
    const std::string dir = directoryOf(szScanExtra);
    struct Band {
        char cPrefix;
        float fAlignAt;
    };
    const Band bands[3] = {{'i', (fCut1 - 5.8f) * 0.5f + 5.8f},
                           {'m', (fCut2 - fCut1) * 0.5f + fCut1},
                           {'o', (7.2f - fCut2) * 0.5f + fCut2}};
    for (int i = 1; i <= nScans; ++i) {
        const int n = pScanPoints[i];
        if (ppRadius[i][1] > fCut1 || ppRadius[i][n] < fCut2) break;
        int i1 = 1;
        while (i1 <= n && ppRadius[i][i1] <= fCut1) ++i1;
        int i2 = i1;
        while (i2 <= n && ppRadius[i][i2] <= fCut2) ++i2;
        // each boundary point belongs to both neighbours; with no point
        // beyond cut 2 the middle runs to the scan's end
        const int first[3] = {1, i1, i2};
        const int count[3] = {i1, (i2 <= n ? i2 : n) - i1 + 1, n - i2 + 1};
        const bool bWrite[3] = {1 < i1 && i1 <= n, i1 < n, i2 < n};
        const std::string fileName = ppScanFileName[i];
        const std::string title = "inner section of " + fileName;
        for (int b = 0; b < 3; ++b) {
            if (bInterferenceData) alignOffsetAtRadius(0.0f, bands[b].fAlignAt);
            if (!bWrite[b]) continue;
            const std::string out = dir + bands[b].cPrefix + fileName;
            float* pThird = thirdColumnOf(i);
            std::vector<float> raw;
            float* pSignal = rawScaleOfScan(i, false, raw);
            writeLoadedScan(out.c_str(), count[b], ppRadius[i] + first[b] - 1, pSignal + first[b] - 1,
                            pThird ? pThird + first[b] - 1 : nullptr, title.c_str(),
                            pScanHeaders[i].timeStampChecked, &pScanHeaders[i]);
        }
    }
    playOkSound();
    setCursorTo(IDC_ARROW);
}

void excludeRegion(float r1, float r2)
{
    bDataChanged = 1;
    if (nScans == 0) return;
    if (r2 < r1 || r1 < ppRadius[1][1] || r2 > ppRadius[1][pScanPoints[1]]) return;
    // a scan without points would break every later use of the set
    for (int i = 1; i <= nScans; ++i) {
        int m = 0;
        for (int j = 1; j <= pScanPoints[i]; ++j)
            if (ppRadius[i][j] < r1 || ppRadius[i][j] > r2) ++m;
        if (m == 0) {
            char sz[400];
            std::snprintf(sz, sizeof sz, "the region holds every point of %.300s - nothing excluded",
                          ppScanFileName[i]);
            scanNoticeBox(sz, "exclude data from scans");
            return;
        }
    }
    endActiveMouseActions();
    setCursorTo(IDC_WAIT);
    for (int i = 1; i <= nScans; ++i) {
        const float* pR = ppRadius[i];
        keepScanPoints(i, [pR, r1, r2](int j) { return pR[j] < r1 || pR[j] > r2; });
    }
    setupNoiseRadialGrid();
    if (fFitLeftLim != 0.0f) updateLeftFitLimit();
    if (fFitRightLim != 0.0f) updateRightFitLimit();
    playOkSound();
    setCursorTo(IDC_ARROW);
}

void alignInterferenceOffset(const char* szPath)
{
    if (nScans == 0 || !szPath || !szPath[0]) return;
    setCursorTo(IDC_WAIT);
    const ScanPathParts chosen = splitScanPath(szPath);
    for (int i = 1; i <= nScans; ++i) {
        const ScanPathParts s = splitScanPath(ppScanFileName[i]);
        std::string name = s.name;
        if (!name.empty()) name[0] = 'a';
        const std::string out = bOldFilenameConvention ? chosen.drive + chosen.dir + chosen.name + s.ext
                                                       : chosen.drive + chosen.dir + name + s.ext;
        const std::string title = std::string("aligned ") + ppScanFileName[i];
        std::vector<float> raw;
        writeLoadedScan(out.c_str(), pScanPoints[i], ppRadius[i], rawScaleOfScan(i, false, raw), nullptr, title.c_str(),
                        pScanHeaders[i].timeStampChecked, &pScanHeaders[i]);
    }
    setCursorTo(IDC_ARROW);
}

bool noteModifiedFrom(int nScan, int nPoint, bool bKeepName)
{
    if (nScan < 1 || nScan > nScans || nPoint < 1 || nPoint > pScanPoints[nScan]) return false;
    int k = 1;
    while (k <= nScans && pScanTimeOrder[k] != nScan) ++k;
    if (k > nScans) return false;
    // The pending list must name the loaded scans: a list left from another
    // load would send the point's removal into another scan's file.
    buildScanFileList(0);
    if (nPendingFiles != nScans) return false;
    ScanHeader* pH = &pScanHeaders[nScan];
    char szTitle[400];
    if (std::strlen(pH->title) < 50)
        std::snprintf(szTitle, sizeof szTitle, "%s_modified from %s", pH->title, ppScanFileName[nScan]);
    else
        std::snprintf(szTitle, sizeof szTitle, "_modified from %s", ppScanFileName[nScan]);
    std::string name = ppScanFileName[nScan];
    if (!bKeepName) {
        const ScanPathParts s = splitScanPath(ppScanFileName[nScan]);
        name = s.name + "_mod" + s.ext;
        const std::string path = directoryOf(ppPendingFileName[k]) + name;
        if (name.size() + 1 > 260 || path.size() + 1 > 260) return false;
        copyToBuffer(ppPendingFileName[k], 260, path);
    }
    const int n = pScanPoints[nScan];
    float* pR = vector(1, n - 1 > 0 ? n - 1 : 1);
    float* pS = vector(1, n - 1 > 0 ? n - 1 : 1);
    float* pThird = thirdColumnOf(nScan) ? vector(1, n - 1 > 0 ? n - 1 : 1) : nullptr;
    std::vector<float> raw;
    const float* pSignal = rawScaleOfScan(nScan, false, raw);
    for (int j = 1, m = 0; j <= n; ++j) {
        if (j == nPoint) continue;
        ++m;
        pR[m] = ppRadius[nScan][j];
        pS[m] = pSignal[j];
        if (pThird) pThird[m] = ppThirdColumn[nScan][j];
    }
    const bool bWritten =
        writeLoadedScan(ppPendingFileName[k], n - 1, pR, pS, pThird, szTitle, pH->timeStampChecked, pH);
    free_vector(pR, 1, n - 1 > 0 ? n - 1 : 1);
    free_vector(pS, 1, n - 1 > 0 ? n - 1 : 1);
    free_vector(pThird, 1, n - 1 > 0 ? n - 1 : 1);
    // the scan takes the new name only once its file is there
    if (bWritten) copyToBuffer(ppScanFileName[nScan], 260, name);
    return bWritten;
}

bool deleteScanPoint(int nScan, int nPoint)
{
    if (nScan < 1 || nScan > nScans || nPoint < 1 || nPoint > pScanPoints[nScan]) return false;
    if (pScanPoints[nScan] <= 2) {
        char sz[400];
        std::snprintf(sz, sizeof sz, "%.300s keeps at least two points - point not removed", ppScanFileName[nScan]);
        scanNoticeBox(sz, "DELETE POINT");
        return false;
    }
    // The first removal writes "<name>_mod<ext>" beside the original, which
    // stays as it was; later ones rewrite that copy.
    const ScanPathParts s = splitScanPath(ppScanFileName[nScan]);
    const bool bKeepName = s.name.size() >= 4 && s.name.compare(s.name.size() - 4, 4, "_mod") == 0;
    const std::string oldName = ppScanFileName[nScan];
    if (!noteModifiedFrom(nScan, nPoint, bKeepName)) {
        const std::string target =
            loadedScanDirectory() + (bKeepName ? oldName : s.name + "_mod" + s.ext);
        reportUnwritableFile(target.c_str());
        return false;
    }
    endActiveMouseActions();
    bDataChanged = 1;
    keepScanPoints(nScan, [nPoint](int j) { return j != nPoint; });
    setupNoiseRadialGrid();
    return true;
}

// ---------------------------------------------------------------- commands

namespace {

constexpr const char* szStretchTitle = "Undo Rotor Stretch";

// The visible radial range of the data plot.
void visibleRadialRange(float* pfMin, float* pfMax)
{
    if (pDataPlot) {
        *pfMin = pDataPlot->fXMin;
        *pfMax = pDataPlot->fXMax;
    } else {
        *pfMin = fZoomXMin[nZoomLevel];
        *pfMax = fZoomXMax[nZoomLevel];
    }
}

bool isDirectory(const std::string& path)
{
    const DWORD a = GetFileAttributes(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The rotor-stretch prompts and the shift; false when a prompt was cancelled.
bool undoRotorStretch(TXLAWindow* w)
{
    const bool bAuto = bAutoLoadMultiSpeed != 0;
    float fAnswer = 8.0f;
    if (!inputFloat(&fAnswer, 8.0f, true, bAuto ? "rotor (4 or 8) or 0 for manual" : "rotor (4 or 8)",
                    szStretchTitle))
        return false;
    const int nRotor = static_cast<int>(std::floor(fAnswer));
    float fModule = 0.0f;
    if (nRotor == 4)
        fModule = fStretchModuleRotor4;
    else if (nRotor == 8)
        fModule = fStretchModuleRotor8;
    else if (nRotor != 0)
        scanNoticeBox("invalid rotor", szStretchTitle);

    // Where the shifted scans go: beside the data in "unstretch". A folder
    // made only for the proposal goes again when the command ends unused.
    const bool bSave = bAuto || scanYesNoBox("save new data?", szStretchTitle);
    char szTarget[999] = "";
    std::string createdDir;
    auto giveUp = [&createdDir]() {
        std::error_code ec;
        if (!createdDir.empty()) std::filesystem::remove(mapPath(createdDir.c_str()), ec);
        return false;
    };
    if (bSave) {
        buildScanFileList(0);
        if (nPendingFiles < 1) return false;
        const std::string firstPath = ppPendingFileName[1];
        freeScanFileList();
        const std::string unstretch = directoryOf(firstPath) + "unstretch";
        const bool bExisted = isDirectory(unstretch);
        if (!bExisted && CreateDirectory(unstretch.c_str(), nullptr)) createdDir = unstretch;
        const std::string proposal =
            (bAuto || !bExisted) ? unstretch + pathSeparatorOf(firstPath) + "newscandata" : firstPath;
        copyToBuffer(szTarget, sizeof szTarget, proposal);
        if (!bAuto && !AskSaveFileName(w, szTarget, sizeof szTarget, "select save path", nullptr)) return giveUp();
    }

    const bool bMaintain = bAuto || scanYesNoBox("maintain field?", szStretchTitle);
    if (nRotor == 0 && !inputFloat(&fModule, fStretchModuleRotor8, true, "stretch module", szStretchTitle))
        return giveUp();
    if (!bAuto && !inputFloat(&fModule, fModule, true, "stretch module", szStretchTitle)) return giveUp();

    // Without a save the loaded scans themselves are corrected; there is
    // nothing to reload.
    const bool bReload = bSave && (bAuto || scanYesNoBox("reload stretched data?", szStretchTitle));
    shiftScansForRotorStretch(fModule, bSave, szTarget, bMaintain, bReload);
    if (bReload) {
        buildScanFileList(0);
        setDirInFileList(splitScanPath(szTarget).dir.c_str());
        writeScanListFile(0);
        w->ReloadScanFileList();
    } else if (!bSave) {
        redrawDataPlot(1);
    }
    return true;
}

}  // namespace

void TXLAWindow::CmUndoRotorStretch()
{
    if (nScans == 0) return;
    bCtotBusy = 1;
    undoRotorStretch(this);
    bCtotBusy = 0;
    InvalidateUnlessBatch();
}

void TXLAWindow::CmExtractSpeedSchedule()
{
    if (nScans == 0) return;
    float fAcceleration = 280.0f, fDeceleration = 100.0f;
    if (!inputFloat(&fAcceleration, fAcceleration, true, "acceleration rate (rpm/sec)", "EXTRACT SPEED SCHEDULE"))
        return;
    if (!inputFloat(&fDeceleration, fDeceleration, true, "deceleration rate (rpm/sec)", "EXTRACT SPEED SCHEDULE"))
        return;
    if (createSpeedStepsFile(fAcceleration, fDeceleration)) CmShowRotorSpeedPlot();
    if (bUsingSpeedSteps) switchOffTimesFromW2t(this);
}

void TXLAWindow::CmSaveSixChannelSubsets()
{
    if (nScans == 0) return;
    float fCut1 = 6.2f, fCut2 = 6.75f;
    bCtotBusy = 1;
    // Cancel keeps the proposed cut
    inputFloat(&fCut1, fCut1, true, "radius to cut between inner and middle channel", "cut 6-channel data files");
    inputFloat(&fCut2, fCut2, true, "radius to cut between middle and outer channel", "cut 6-channel data files");
    bCtotBusy = 0;
    saveSixChannelSubsets(fCut1, fCut2);
}

void TXLAWindow::CmExcludeRegion()
{
    if (nScans == 0) return;
    if (!scanYesNoBox("is the displayed radial range the region to exclude?", "exclude data from scans")) return;
    float fMin = 0, fMax = 0;
    visibleRadialRange(&fMin, &fMax);
    excludeRegion(fMin, fMax);
    CmDataRange();
    offerSaveRawDataSet(this, "save new data?");
}

void TXLAWindow::CmEliminateJitter()
{
    if (nScans == 0) return;
    if (!scanYesNoBox("is the displayed data range the air-to-air region chosen for alignment?", "eliminate jitter"))
        return;
    float fMin = 0, fMax = 0;
    visibleRadialRange(&fMin, &fMax);
    endActiveMouseActions();
    eliminateJitter(fMin, fMax);
    playOkSound();
    InvalidateUnlessBatch();
}

void TXLAWindow::CmRemoveFringeJump()
{
    if (nScans == 0) return;
    const char* szTitle = "REMOVE INTEGRAL FRINGE JUMP WITHIN SCAN";
    float fThreshold = 0.8f;
    if (!inputFloat(&fThreshold, fThreshold, true, "enter threshold value", szTitle)) return;
    if (fThreshold < 0.5f) {
        scanNoticeBox("threshold cannot be smaller than 0.5", szTitle);
        fThreshold = 0.5f;
    }
    const bool bResiduals = scanYesNoBox("judge from residuals?", szTitle);
    endActiveMouseActions();
    findFringeJumps(fThreshold, bResiduals ? 1 : 0);
    redrawDataPlot(1);
    InvalidateUnlessBatch();
    offerSaveRawDataSet(this, "save data?");
}

void TXLAWindow::CmAlignInterferenceOffset()
{
    if (nScans == 0) return;
    const char* szTitle = "ALIGN INTERFERENCE OFFSET";
    if (!bInterferenceData) {
        scanNoticeBox("only interference data have integral fringe offsets", szTitle);
        return;
    }
    float fRadius = (ppRadius[1][1] + ppRadius[1][pScanPoints[1]]) / 2;
    if (!inputFloat(&fRadius, fRadius, true, "radius (cm) at which to align the fringe offsets", szTitle)) return;
    endActiveMouseActions();
    alignOffsetAtRadius(0.0f, fRadius);
    InvalidateUnlessBatch();
    // the aligned scans are stored beside the data unless the user says otherwise
    const ScanPathParts first = splitScanPath(ppScanFileName[pScanTimeOrder[1]]);
    std::string name = first.name;
    if (!name.empty()) name[0] = 'a';
    char szPath[999] = "";
    copyToBuffer(szPath, sizeof szPath,
                 std::string(szScanDrive) + szScanDir + (bOldFilenameConvention ? "aligned" : name) + first.ext);
    bCtotBusy = 1;
    const bool bChosen = AskSaveFileName(this, szPath, sizeof szPath, "save aligned scans as", nullptr);
    bCtotBusy = 0;
    if (bChosen) alignInterferenceOffset(szPath);
}
