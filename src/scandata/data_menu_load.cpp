// The Data-menu commands that choose scan files (open dialog, list file,
// experiment file, dropped files) and hand them to the loaders, and the
// smaller commands beside them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/mouse_action_dispatch.h"
#include "app/preferences.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "scandata/data_menu.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"

char szXpFileName[260] = "";
char szSelDrive[260] = "";
char szSelDir[260] = "";
char szSelName[260] = "";
char szSelExt[260] = "";

namespace {

// OFN_EXPLORER, OFN_FILEMUSTEXIST, OFN_PATHMUSTEXIST, OFN_ALLOWMULTISELECT
constexpr win::DWORD nStandingFlags = 0x81A00;

enum class LoadRoad { Sedimentation, Equilibrium, LightScattering };

// The strings of a selection: the first, then the names up to the empty one.
std::vector<std::string> selectionStrings(const char* szSelection) {
    std::vector<std::string> strings{szSelection};
    for (const char* p = szSelection + std::strlen(szSelection) + 1; *p; p += std::strlen(p) + 1)
        strings.push_back(p);
    return strings;
}

// The path of dropped file k, whole: one too long for the loader is then
// refused by it with its name.
std::string droppedPath(win::HDROP hDrop, win::UINT k) {
    std::vector<char> buffer(win::DragQueryFile(hDrop, k, nullptr, 0) + 1, '\0');
    win::DragQueryFile(hDrop, k, buffer.data(), static_cast<win::UINT>(buffer.size()));
    return buffer.data();
}

// The first string, a separator, and the name and extension of the second
// (a single chosen file: its path followed by a separator).
std::string firstFilePath(const char* szSelection) {
    const std::string first = szSelection;
    const ScanPathParts second = splitScanPath(szSelection + first.size() + 1);
    return first + pathSeparatorOf(first) + second.name + second.ext;
}

// Directory and names into the selection buffer; false when they do not fit.
bool fillSelection(const std::string& dir, const std::vector<std::string>& names) {
    size_t nNeeded = dir.size() + 2;
    for (const std::string& n : names) nNeeded += n.size() + 1;
    if (nNeeded > sizeof(szOpenFileNames)) return false;
    char* p = szOpenFileNames;
    std::memcpy(p, dir.c_str(), dir.size() + 1);
    p += dir.size() + 1;
    for (const std::string& n : names) {
        std::memcpy(p, n.c_str(), n.size() + 1);
        p += n.size() + 1;
    }
    *p = '\0';
    return true;
}

bool equalNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void setCursor(win::LPCSTR id) { win::SetCursor(win::LoadCursor(nullptr, id)); }

// The open dialog of a load command on the shared record; paint stays
// suspended while it is open and, after OK, until the command clears it.
bool chooseScanFiles(TXLAWindow* w, const char* szTitle) {
    szOpenFileNames[0] = szOpenFileNames[1] = '\0';
    w->ofnData.lpstrTitle = szTitle;
    w->ofnData.Flags = nStandingFlags;
    bLoadFromList = 1;
    if (win::GetOpenFileName(&w->ofnData)) return true;
    bLoadFromList = 0;
    return false;
}

// The list files the program writes beside the scans ("list" or
// "list_corr" with any extension) are no scans.
bool isOwnListFile(const std::string& path) {
    const ScanPathParts p = splitScanPath(path);
    return equalNoCase(p.name, "list") || equalNoCase(p.name, "list_corr");
}

// Nor are its other files beside them: the distribution grid ("sdist") and
// the saved analysis ("~tmppars", with its ".ctot", or the old "<name>.~p").
bool isOwnSideFile(const std::string& path) {
    const ScanPathParts p = splitScanPath(path);
    return equalNoCase(p.name, "sdist") || p.name.rfind("~tmppars", 0) == 0 || p.ext == ".~p";
}

// A selection of every file of a folder holds the files that the program
// wrote there (the list of the last load, the grid, the saved analysis): the
// scans are loaded and those files are left out. Of a selection of list
// files only, the first that the road reads as a list is read as one.
void leaveOutListFiles(LoadRoad road) {
    const std::vector<std::string> strings = selectionStrings(szOpenFileNames);
    if (strings.size() < 2) return;
    std::vector<std::string> scans, lists;
    bool bOwnFiles = false;
    for (size_t k = 1; k < strings.size(); ++k) {
        if (isOwnListFile(strings[k]))
            lists.push_back(strings[k]);
        else if (isOwnSideFile(strings[k]))
            bOwnFiles = true;
        else
            scans.push_back(strings[k]);
    }
    if (lists.empty() && !bOwnFiles) return;
    if (!scans.empty()) {
        fillSelection(strings[0], scans);
        return;
    }
    for (const std::string& name : lists) {
        if (road != LoadRoad::Sedimentation && !equalNoCase(splitScanPath(name).name, "list")) continue;
        const std::string path = withTrailingSeparator(strings[0]) + name;
        if (path.size() + 2 > sizeof(szOpenFileNames)) return;
        std::memcpy(szOpenFileNames, path.c_str(), path.size() + 1);
        szOpenFileNames[path.size() + 1] = '\0';
        return;
    }
}

// Everything after the dialog of Load New Files and its equilibrium and
// light-scattering twins: experiment file, list file or plain files, the
// caption, the load, and the list file of a plain selection. False when a
// chosen list file could not be read.
bool loadChosenFiles(TXLAWindow* w, LoadRoad road) {
    // The chosen data are shown: a tool's side plot (the rotor-speed plot of
    // the set before) stands in for the data plots only until the next load.
    releaseResultArrays();
    leaveOutListFiles(road);
    const std::vector<std::string> strings = selectionStrings(szOpenFileNames);
    const bool bOneFile = strings.size() == 1;
    const ScanPathParts chosen = splitScanPath(strings[0]);
    copyToBuffer(szChosenDrive, sizeof(szChosenDrive), chosen.drive);
    copyToBuffer(szChosenDir, sizeof(szChosenDir), chosen.dir);
    copyToBuffer(szSelName, sizeof(szSelName), chosen.name);
    copyToBuffer(szSelExt, sizeof(szSelExt), chosen.ext);

    if (road == LoadRoad::Sedimentation && bOneFile && chosen.ext == ".xp" &&
        (chosen.name.empty() || chosen.name[0] != '_')) {
        copyToBuffer(szXpFileName, sizeof(szXpFileName), strings[0]);
        w->LoadXpFile(szXpFileName);
        return true;
    }

    const bool bList = bOneFile && (equalNoCase(chosen.name, "list") ||
                                    (road == LoadRoad::Sedimentation && equalNoCase(chosen.name, "list_corr")));
    std::string listText;
    if (bList) {
        int nStep = 1;
        std::vector<std::string> lines, names;
        if (!readListFileLines(strings[0].c_str(), &nStep, &lines, &names) || lines.empty() || lines[0].empty() ||
            !fillSelection(lines[0], names))
            return false;
        nLoadEveryNth = nStep;
        saveLastDirectory(w, strings[0].c_str());
    } else {
        if (road == LoadRoad::Sedimentation) {
            bLoadFromList = 1;
            float fStep = static_cast<float>(nLoadEveryNth);
            if (inputFloat(&fStep, static_cast<float>(nLoadEveryNth), true, "load every n'th file:", "LOAD FILES")) {
                const double dStep = std::floor(fStep);
                nLoadEveryNth = dStep < 1.0 ? 1 : (dStep > 1e6 ? 1000000 : static_cast<int>(dStep));
            }
            bLoadFromList = 0;
        } else if (road == LoadRoad::Equilibrium) {
            nLoadEveryNth = 1;
        }
        // The folder of the files: of the one path, or the first string itself.
        saveLastDirectory(w, bOneFile ? strings[0].c_str() : withTrailingSeparator(strings[0]).c_str());
        char sz[32];
        std::snprintf(sz, sizeof(sz), "newformat n=%d\n", road == LoadRoad::Sedimentation ? nLoadEveryNth : 1);
        listText = sz;
        for (const std::string& s : strings) listText += s + "\n";
    }

    std::string firstFile = firstFilePath(szOpenFileNames);
    bLoadFromListDirectory = 0;
    if (bList && road == LoadRoad::Sedimentation && !fileExists(firstFile.c_str())) {
        const std::string listDir = chosen.drive + chosen.dir;
        char sz[700];
        std::snprintf(sz, sizeof(sz), "could not find files in %.300s - use file from %.300s ?", firstFile.c_str(),
                      listDir.c_str());
        if (win::MessageBox(w->HWindow, sz, "LOAD ERROR", win::MB_YESNO) == win::IDYES) {
            bLoadFromListDirectory = 1;
            firstFile = listDir;
            saveLastDirectory(w, listDir.c_str());
        }
    }

    const char* szPrefix = road == LoadRoad::Equilibrium       ? "SEDIMENTATION EQUILIBRIUM ANALYSIS -> "
                           : road == LoadRoad::LightScattering ? "LIGHT SCATTERING ANALYSIS -> "
                           : bElectrophoresisData              ? "ELECTROPHORESIS ANALYSIS -> "
                                                               : "SEDIMENTATION ANALYSIS -> ";
    const std::string oldCaption = szWindowTitle;
    std::snprintf(szWindowTitle, sizeof(szWindowTitle), "%s%.400s...", szPrefix, firstFile.c_str());
    setCursor(win::IDC_WAIT);
    if (road == LoadRoad::LightScattering) {
        w->SetCaption(szWindowTitle);
        w->LoadDlsData(szOpenFileNames);
    } else {
        loadSelectionUnderCaption(w, oldCaption.c_str());
    }
    bLoadFromListDirectory = 0;
    setCursor(win::IDC_ARROW);

    if (!bList) {
        // A single chosen file gives a path that is no directory: no list.
        const ScanPathParts p = splitScanPath(firstFile);
        copyToBuffer(szSelDrive, sizeof(szSelDrive), p.drive);
        copyToBuffer(szSelDir, sizeof(szSelDir), p.dir);
        copyToBuffer(szSelName, sizeof(szSelName), p.name);
        copyToBuffer(szSelExt, sizeof(szSelExt), p.ext);
        const std::string listPath = p.drive + p.dir + "list" + p.ext;
        if (FILE* f = win::fopenMapped(listPath.c_str(), "w")) {
            std::fprintf(f, "%s", listText.c_str());
            std::fclose(f);
        }
    }
    return true;
}

// Load New Files; false when the dialog was cancelled, the command could not
// start or the chosen list file could not be read.
bool loadNewFiles(TXLAWindow* w) {
    endActiveMouseActions();
    askResetMeanFieldCtotData(w);
    if (bMStarMode || bMStarAllSets) return false;
    if (bEqTestPlotShown) endEqTestMode(w);
    bElectrophoresisData = bElectrophoresisLoadRequest;
    bEquilibriumDataMode = 0;
    loadLastDirectory(w, szLastDataDir);
    if (!chooseScanFiles(w, "select files to fit")) {
        w->UpdateFloToolsMenu();
        return false;
    }
    const bool bRead = loadChosenFiles(w, LoadRoad::Sedimentation);
    // Painting resumes on every way out, an unreadable list file included.
    bLoadFromList = 0;
    if (bRead) w->UpdateFloToolsMenu();
    return bRead;
}

// The multi-speed load up to its corrections; false when nothing was chosen.
bool autoLoadMultiSpeed(TXLAWindow* w, unsigned char* pbSavedBitmap) {
    bLoadFromList = 1;
    *pbSavedBitmap = bShowResidualsBitmap;
    bShowResidualsBitmap = 0;
    bAutoLoadMultiSpeed = 1;
    // A cancelled dialog (or an unreadable list) leaves the loaded set alone,
    // corrections included.
    const bool bLoaded = loadNewFiles(w);
    if (bLoaded) {
        if (!bCheckTimeStamps && w->CheckTimeStamps()) w->LoadScanFileList();
        if (createSpeedStepsFile(280.0f, 100.0f)) w->CmShowRotorSpeedPlot();
        w->CmUndoRotorStretch();
        // The corrected scans are what the user came for: the rotor-speed
        // plot shown meanwhile gives the window back to them.
        releaseResultArrays();
        w->InvalidateUnlessBatch();
    }
    bLoadFromList = 0;
    bAutoLoadMultiSpeed = 0;
    return bLoaded;
}

// The common open dialog of Edit Data Files and Set Initial Data; true with
// the chosen path.
bool chooseOneDataFile(TXLAWindow* w, const char* szTitle, char* szPath, int nSize) {
    static const char szFilter[] = "XLA Files (*.R*)\0*.r*\0All Files (*.*)\0*.*\0";
    szPath[0] = '\0';
    win::OPENFILENAME ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = w->HWindow;
    ofn.lpstrFilter = szFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = static_cast<win::DWORD>(nSize);
    ofn.lpstrTitle = szTitle;
    ofn.Flags = win::OFN_FILEMUSTEXIST | win::OFN_PATHMUSTEXIST;
    if (win::GetOpenFileName(&ofn)) return true;
    const win::DWORD nError = win::CommDlgExtendedError();
    if (nError != 0) {
        char sz[100];
        std::snprintf(sz, sizeof(sz), "GetOpenFileName returned Error #%ld", static_cast<long>(nError));
        win::MessageBox(w->HWindow, sz, "WARNING", win::MB_OK | win::MB_ICONSTOP);
    }
    return false;
}

}  // namespace

bool loadSelectionUnderCaption(TXLAWindow* pWindow, const char* szOldCaption) {
    pWindow->SetCaption(szWindowTitle);
    if (LoadAllData(pWindow, szOpenFileNames)) return true;
    // The caption names what is loaded: after a failed load the one it had,
    // while the set before is still loaded, else the window's own.
    copyToBuffer(szWindowTitle, sizeof(szWindowTitle),
                 nScans > 0 && szOldCaption ? szOldCaption : szMainWindowCaption);
    pWindow->SetCaption(szWindowTitle);
    return false;
}

void TXLAWindow::CmLoadNewFiles() { loadNewFiles(this); }

void TXLAWindow::CmAddMoreFiles() {
    if (bMStarMode || bMStarAllSets) return;
    if (bEqTestPlotShown) endEqTestMode(this);
    endActiveMouseActions();
    if (chooseScanFiles(this, "select files to add to set 1")) {
        releaseResultArrays();
        bLoadFromList = 0;
        setCursor(win::IDC_WAIT);
        AddMoreFiles(szOpenFileNames);
        setCursor(win::IDC_ARROW);
    }
    UpdateFloToolsMenu();
}

void TXLAWindow::CmAutoLoadMultiSpeed() {
    unsigned char bSavedBitmap = 0;
    autoLoadMultiSpeed(this, &bSavedBitmap);
    bShowResidualsBitmap = nScans < 200 ? bSavedBitmap : 0;
}

void TXLAWindow::AutoLoadAndCorrect() {
    unsigned char bSavedBitmap = 0;
    if (!autoLoadMultiSpeed(this, &bSavedBitmap)) {
        bShowResidualsBitmap = bSavedBitmap;
        return;
    }
    if (!bModelLsgs && !bModelLsgsOneDiscrete && !bModelHybridCSLsgs) {
        CmModelLsgs();
        paramVectorToGlobals();
    }
    bAutoLoadLsgMode = 1;
    bShowResidualsBitmap = nScans < 100 ? bSavedBitmap : 0;
}

void TXLAWindow::CmLoadEquilibriumData() {
    if (bEqTestPlotShown) endEqTestMode(this);
    bElectrophoresisData = 0;
    loadLastDirectory(this, szLastDataDir);
    if (chooseScanFiles(this, "select files in set 1 to fit")) {
        bEquilibriumDataMode = 1;
        loadChosenFiles(this, LoadRoad::Equilibrium);
    }
    bLoadFromList = 0;
    // Equilibrium species are described by M and s.
    if (!bUseMolarMass) CmFitMAndS();
    UpdateFloToolsMenu();
}

void TXLAWindow::CmLoadDLSData() {
    static const char szDlsFilter[] = "morvex DLS Files (*.dlsdat*)\0*.dlsdat*\0";
    if (bEqTestPlotShown) endEqTestMode(this);
    loadLastDirectory(this, szLastDataDir);
    const win::LPCSTR szStandingFilter = ofnData.lpstrFilter;
    const win::DWORD nStandingIndex = ofnData.nFilterIndex;
    ofnData.lpstrFilter = szDlsFilter;
    ofnData.nFilterIndex = 1;
    const bool bChosen = chooseScanFiles(this, "select files in set 1 to fit");
    ofnData.lpstrFilter = szStandingFilter;
    ofnData.nFilterIndex = nStandingIndex;
    if (bChosen) {
        loadChosenFiles(this, LoadRoad::LightScattering);
        // Light-scattering species are described by D and s.
        if (bUseMolarMass) CmFitMAndS();
    }
    bLoadFromList = 0;
    UpdateFloToolsMenu();
}

void TXLAWindow::CmEditDataFiles() {
    char szPath[260];
    if (!chooseOneDataFile(this, "Select File to Edit", szPath, sizeof(szPath))) return;
    const std::string cmd = std::string("notepad.exe ") + szPath;
    if (win::WinExec(cmd.c_str(), win::SW_SHOWMAXIMIZED) < 32) {
        std::string msg = std::string("could not open ") + szPath + " in a text editor";
        scanErrorBox(msg.c_str(), "ERROR");
    }
}

void TXLAWindow::CmSetInitialData() {
    char szPath[260];
    if (!chooseOneDataFile(this, "Select Initial Data", szPath, sizeof(szPath))) return;
    setCursor(win::IDC_WAIT);
    if (setInitialData(this, szPath) && pDataPlot) DrawPlotsUnlessBatch();
    setCursor(win::IDC_ARROW);
}

void TXLAWindow::CmRestoreMeanFieldCtot() { LoadCtotDataFiles(1); }
void TXLAWindow::CmExportMeanFieldCtot() { SaveCtotDataFile(); }
void TXLAWindow::CmDisplayCtotMgMl() { UseCtotDataFlag(); }
void TXLAWindow::CmClearMeanFieldCtot() { forgetMeanFieldCtotData(); }

void TXLAWindow::CmDiagnosticsOutput() {
    static const char szLog[] = "c:\\temp\\Morvexdebug_t0.txt";
    FILE* f = win::fopenMapped(szLog, "w");
    if (!f) {
        showErrorMessage("\n\aAttention: could not open c:\\temp\\Morvexdebug_t0.txt to write debugging info: "
                         "Create Directory",
                         0);
        return;
    }
    std::fclose(f);
    const bool bOn = !bDiagnostics;
    bDiagnostics = bDiagnosticsLamm = bDiagnosticsThreads = bOn ? 1 : 0;
    if (win::HMENU menu = GetMenu()) win::CheckMenuItem(menu, 867, win::MF_BYCOMMAND | (bOn ? win::MF_CHECKED : win::MF_UNCHECKED));
}

void TXLAWindow::CmToggleExportMatrices() {
    bExportMatrices = bExportMatrices ? 0 : 1;
    win::MessageBox(HWindow, bExportMatrices ? "Export Matrices is ON" : "Export Matrices is OFF", "ERROR",
                    win::MB_OK);
}

void TXLAWindow::EvDropFiles(win::HDROP hDrop) {
    if (bEqTestPlotShown) endEqTestMode(this);
    const win::UINT nDropped = win::DragQueryFile(hDrop, 0xFFFFFFFF, nullptr, 0);
    if (nDropped == 1) {
        char szPath[261] = "";
        win::DragQueryFile(hDrop, 0, szPath, sizeof(szPath));
        const ScanPathParts p = splitScanPath(szPath);
        if (p.ext == ".xp") {
            releaseResultArrays();
            copyToBuffer(szXpFileName, sizeof(szXpFileName), szPath);
            LoadXpFile(szXpFileName);
        } else if (!p.name.empty() && p.name[0] == '~') {
            char sz[400];
            std::snprintf(sz, sizeof(sz), "switch to parameter file %.300s?", szPath);
            if (win::MessageBox(HWindow, sz, "DROPPING FILES", win::MB_YESNO) == win::IDYES) {
                ReloadParameters(szPath);
                CmParameters();
            }
        }
    } else if (nDropped >= 2) {
        std::string ext = splitScanPath(droppedPath(hDrop, 0)).ext;
        for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const bool bScanFiles =
            ext == ".R00" || (ext.size() == 4 && (ext.compare(0, 3, ".IP") == 0 || ext.compare(0, 3, ".RA") == 0) &&
                              ext[3] >= '1' && ext[3] <= '8');
        bool bGo = bScanFiles;
        if (bGo && nScans > 0) {
            bCtotBusy = 1;
            bGo = win::MessageBox(HWindow, "erase currently loaded data?", "DROPPING FILES", win::MB_YESNO) ==
                  win::IDYES;
            bCtotBusy = 0;
        }
        if (bGo) {
            releaseResultArrays();
            if (nPendingFiles > 0) freeScanFileList();
            bCtotBusy = 1;
            float fStep = 1.0f;
            inputFloat(&fStep, 1.0f, true, "load every n'th file:", "LOAD FILES");
            bCtotBusy = 0;
            const double dStep = std::floor(fStep);
            const win::UINT nStep = dStep < 1.0 ? 1u : (dStep >= nDropped ? nDropped : static_cast<win::UINT>(dStep));
            std::vector<std::string> names;
            for (win::UINT k = 0; k < nDropped; k += nStep) names.push_back(droppedPath(hDrop, k));
            freeScanFileList();
            ppPendingFileName = new char*[names.size() + 1]();
            for (size_t i = 0; i < names.size(); ++i) {
                // 260 bytes at least, as the list's other writers take them
                const size_t nSize = std::max<size_t>(260, names[i].size() + 1);
                ppPendingFileName[i + 1] = new char[nSize];
                copyToBuffer(ppPendingFileName[i + 1], nSize, names[i]);
            }
            nPendingFiles = static_cast<int>(names.size());
            LoadScanFileList();
        }
    }
    win::DragFinish(hDrop);
}
