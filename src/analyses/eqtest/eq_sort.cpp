// Sorting equilibrium data to disk (command 579): the series walk in writing
// mode, the judgement of each series, the sorted scan files and one DRELLIX
// experiment file per cell and wavelength; and the saved equilibrium scan
// (command 225).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analyses/eqtest/eq_internal.h"
#include "analyses/eqtest/eq_test_state.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/loaded_scan_writer.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_paths.h"

using namespace win;

namespace {

constexpr const char* kTestTitle = "EQ Test";

HWND ownerOf(TXLAWindow* w) { return w ? w->HWindow : nullptr; }

bool askYesNo(TXLAWindow* w, const std::string& text, const char* szTitle)
{
    return MessageBox(ownerOf(w), text.c_str(), szTitle, MB_YESNO) == IDYES;
}

std::string format(const char* szFormat, double a, double b)
{
    char sz[200];
    std::snprintf(sz, sizeof sz, szFormat, a, b);
    return sz;
}

// The blank scan of a sort: its points, values and wavelength.
struct BlankScan {
    bool bLoaded = false;
    int n = 0;
    float* pR = nullptr;
    float* pV = nullptr;
    float* pThird = nullptr;
    float fWavelength = 0.0f;
    ~BlankScan()
    {
        free_vector(pR, 1, n);
        free_vector(pV, 1, n);
        free_vector(pThird, 1, n);
    }
};

// Reads the blank as the loaders read a scan: an intensity file keeps its
// signal from the file's third column, and its values become the absorbance
// log10(reference / sample) where both are positive.
void readBlank(const char* szPath, BlankScan& blank)
{
    ScanHeader header{};
    if (!readScanFile(szPath, &header, &blank.n, &blank.pR, &blank.pV, &blank.pThird, nullptr, 0.0f)) {
        blank.n = 0;
        blank.pR = blank.pV = blank.pThird = nullptr;
        showErrorMessage("LOAD ERROR in blank", 0);
        return;
    }
    const std::string ext = splitScanPath(szPath).ext;
    if (ext.size() >= 3 && (ext[2] == 'i' || ext[2] == 'I') && blank.pThird) {
        std::swap(blank.pV, blank.pThird);
        for (int k = 1; k <= blank.n; ++k)
            if (blank.pV[k] > 0.0f && blank.pThird[k] > 0.0f) blank.pV[k] = std::log10(blank.pThird[k] / blank.pV[k]);
    }
    blank.fWavelength = header.wavelength;
    blank.bLoaded = true;
}

// Writes the experiment file of a group; false when it cannot be opened.
struct XpGroup {
    std::string list;           // the quoted folder and the quoted names
    int nFiles = 0;
    int nLastWritten = 0;       // the scan written last
};

void writeEqExperimentFile(TXLAWindow* w, const std::string& path, const XpGroup& g, float fDensity, float fVbar,
                           float fExtA, float fExtB, float fExtC)
{
    FILE* f = fopenMapped(path.c_str(), "w");
    if (!f) {
        playErrorSound();
        const std::string msg = "could not open " + path;
        MessageBox(ownerOf(w), msg.c_str(), "ERROR", MB_OK);
        return;
    }
    const int nNoise = isInterferenceScanFile(g.nLastWritten) && g.nFiles >= 2 ? 1 : 0;
    std::fprintf(f, "%s\n", g.nFiles == 1 ? "3 (ExperimentType: SEDEQUILIBRIUM)" : "4 (ExperimentType: MULTISEDEQ)");
    std::fprintf(f, "(exported xp file from MORVEX)\n");
    std::fprintf(f, "%s", g.list.c_str());
    std::fprintf(f, "%f (fBufferDensity)\n", fDensity);
    std::fprintf(f, "%f (fBufferViscosity)\n", kWaterViscosity20);
    std::fprintf(f, "%f (VBAR)\n", fVbar);
    std::fprintf(f, "%f (Meniscus)\n", fMeniscus);
    std::fprintf(f, "%f (Bottom)\n", fBottom);
    std::fprintf(f, "%f (MAXMENISCUS)\n", 0.0);
    std::fprintf(f, "%f (MINMENISCUS)\n", 0.0);
    std::fprintf(f, "%f (MAXBOTTOM)\n", 0.0);
    std::fprintf(f, "%f (MINBOTTOM)\n", 0.0);
    std::fprintf(f, "%f (FitLeftLim)\n", fFitLeftLim);
    std::fprintf(f, "%f (FitRightLim)\n", fFitRightLim);
    std::fprintf(f, "%f (WeightExperiment)\n", 1.0);
    std::fprintf(f, "%f (ExperimentalNoise)\n", 0.005);
    std::fprintf(f, "%d (blocalFitTimeIndepNoise)\n", nNoise);
    std::fprintf(f, "%d (blocalFitRINoise)\n", nNoise);
    std::fprintf(f, "%d (blocalAutoVaryBaseline)\n", 1);
    std::fprintf(f, "%d (blocalVaryBottom)\n", 0);
    std::fprintf(f, "%d (blocalVaryMeniscus)\n", 0);
    std::fprintf(f, "%d (blocalVaryMeniscusWarned)\n", 0);
    std::fprintf(f, "%f (xBaseline)\n", 0.0);
    std::fprintf(f, "1.00000 (xConcentrationFactor)\n");
    std::fprintf(f, "%f (xExtinctionCoeffA)\n", fExtA);
    std::fprintf(f, "%d (bVaryExtinctionCoeffA)\n", 0);
    std::fprintf(f, "%f (xExtinctionCoeffB)\n", fExtB);
    std::fprintf(f, "%d (bVaryExtinctionCoeffB)\n", 0);
    std::fprintf(f, "%d (Centerpiece)\n", 2);
    for (int k = 1; k <= 4; ++k) std::fprintf(f, "1.000000e-6 (pLocalConcentrations[%d])\n", k);
    std::fprintf(f, "%d (NFILES)\n", g.nFiles);
    std::fprintf(f, "0 (ppMultiLocalConcentrations)\n");
    std::fprintf(f, "%f (global VBAR20)\n", fVbar);
    std::fprintf(f, "%f (global HYDRATION)\n", 0.3);
    std::fprintf(f, "%f (pathlength)\n", 1.2);
    std::fprintf(f, "%d (rotor type: %s\n", 8, " EIGHTHOLE)");
    std::fprintf(f, "%d (correct for rotor stretch in TI noise)\n", 0);
    std::fprintf(f, "%d (correct for rotor stretch in mass balance)\n", 0);
    std::fprintf(f, "%d (sets of extra parameters follow)\n", 3);
    for (int k = 1; k <= 3; ++k) std::fprintf(f, "0.000000e+00 (pLocalExtraConcs[%d])\n", k);
    for (int k = 1; k <= g.nFiles; ++k)
        for (int j = 1; j <= 3; ++j) std::fprintf(f, "0.000000e+00 (ppMultiLocalExtraConcs[%d][%d])\n", k, j);
    std::fprintf(f, "%d (bContainsNoBackdiffusion)\n", 0);
    std::fprintf(f, "%d (bSwIsothermAInvisible)\n", 0);
    std::fprintf(f, "%f (xExtinctionCoeffC)\n", fExtC);
    std::fprintf(f, "%d (bVaryExtinctionCoeffC)\n", 0);
    for (const char* key : {"bPartialBoundaryFit", "PBFsmin", "PBFsmax", "bITCLocalIncompA", "bITCLocalIncompB",
                            "bITCLocalIncompC", "FitITCLocalIncompA", "FitITCLocalIncompB", "FitITCLocalIncompC",
                            "ITCLocalIncompA", "ITCLocalIncompB", "ITCLocalIncompC", "FitITCBaselineSlope",
                            "ITCBaselineSlope", "ITCLocalMaxIncomp"})
        std::fprintf(f, "%d (%s)\n", 0, key);
    std::fprintf(f, "-1 (Temperature)\n");
    std::fclose(f);
}

// The scan's file with its folder: stored names without one are in the
// folder of the loaded set.
std::string fullScanPath(int nScan, const std::string& dataFolder)
{
    const std::string stored = ppScanFileName[nScan] ? ppScanFileName[nScan] : "";
    const ScanPathParts p = splitScanPath(stored);
    return p.drive.empty() && p.dir.empty() ? dataFolder + stored : stored;
}

// Writes the latest scan of a series into the output folder.
bool writeSortedScan(const EqSeriesGroup& g, int L, const std::string& outFolder, const std::string& dataFolder,
                     const BlankScan& blank, float fTolerance, std::string* pName)
{
    const int n = pScanPoints[L];
    const float fGroupWavelength = pScanHeaders[g.nFirstScan].wavelength;
    float* pValues = vector(1, n);
    eqComparisonValues(L, pValues);
    if (blank.bLoaded && std::fabs(blank.fWavelength - fGroupWavelength) < fTolerance) {
        float* pBlank = vector(1, n);
        if (interpolateOnGrid(n, ppRadius[L], pBlank, blank.n, blank.pR, blank.pV))
            for (int k = 1; k <= n; ++k) pValues[k] -= pBlank[k];
        free_vector(pBlank, 1, n);
    }
    const bool bIntensity = isIntensityScanFile(L);
    char szName[64];
    const int nKrpm = static_cast<int>(std::floor(pScanHeaders[L].rpm * 0.001f));
    if (g.cPrefix)
        std::snprintf(szName, sizeof szName, "%c_eq%dk_%.0f", g.cPrefix, nKrpm, fGroupWavelength);
    else
        std::snprintf(szName, sizeof szName, "eq%dk_%.0f", nKrpm, fGroupWavelength);
    std::string ext = splitScanPath(ppScanFileName[L] ? ppScanFileName[L] : "").ext;
    // an intensity file becomes an absorbance file (the letter in its case)
    if (ext.size() >= 3 && ext[2] == 'i') ext[2] = 'a';
    if (ext.size() >= 3 && ext[2] == 'I') ext[2] = 'A';
    *pName = std::string(szName) + ext;
    const std::string path = outFolder + *pName;
    const std::string title = fullScanPath(L, dataFolder);

    const char cLetter = pScanHeaders[L].dataType;
    if (bIntensity) pScanHeaders[L].dataType = cLetter == 'V' ? 'W' : (cLetter == 'I' ? 'R' : cLetter);
    const bool bWritten = writeScanFile(path.c_str(), n, ppRadius[L], pValues,
                                        bIntensity && ppThirdColumn ? ppThirdColumn[L] : nullptr, title.c_str(), 1,
                                        &pScanHeaders[L]);
    pScanHeaders[L].dataType = cLetter;
    free_vector(pValues, 1, n);
    if (!bWritten) reportUnwritableFile(path.c_str());
    return bWritten;
}

}  // namespace

// ---------------------------------------------------------------- the judgement of a series

bool testEquilibrium(TXLAWindow* w, const int* pList, int nList, int L)
{
    const int nFirst = pFitFirstIndex && pFitFirstIndex[L] > 0 ? pFitFirstIndex[L] : 1;
    const int nLast = pFitLastIndex && pFitLastIndex[L] > 0 ? pFitLastIndex[L] : pScanPoints[L];
    const double dWavelength = pScanHeaders[L].wavelength, dRpm = pScanHeaders[L].rpm;
    const bool bSingle = nList == 1 || (nList == 2 && pList[0] == pList[1]);
    if (bSingle) {
        showEqScanSidePlot(L, nFirst, nLast, -1);
        if (w) w->InvalidateUnlessBatch();
        playInfoSound();
        return askYesNo(w,
                        format("accept EQ scan at %.0f nm and %.0f rpm to be included? (no time-course available)",
                               dWavelength, dRpm),
                        kTestTitle);
    }
    std::vector<int> others;
    for (int k = 0; k < nList; ++k)
        if (pList[k] != L) others.push_back(pList[k]);
    // earliest first; neighbours change places only when strictly out of order
    size_t k = 0;
    while (k + 1 < others.size()) {
        if (pScanHeaders[others[k]].time > pScanHeaders[others[k + 1]].time) {
            std::swap(others[k], others[k + 1]);
            if (k > 0) --k;
        } else {
            ++k;
        }
    }
    const int m = static_cast<int>(others.size());
    std::vector<float> x(static_cast<size_t>(m) + 1), y(static_cast<size_t>(m) + 1);
    for (int i = 1; i <= m; ++i) {
        x[i] = static_cast<float>(pScanHeaders[others[i - 1]].time);
        y[i] = eqScanRmsdInFitRange(others[i - 1], L);
    }
    showEqSidePlot(x.data(), y.data(), m, "elapsed time (sec)", "rmsd difference", 6, true, RGB(0, 0, 0));
    pAuxPlot->nSymbolSize = 10;
    nErrorBarCapWidth = 15;
    pAuxPlot->Draw();
    if (w) w->InvalidateUnlessBatch();
    playInfoSound();
    if (!askYesNo(w, format("was equilibrium attained at %.0f nm and %.0f rpm?", dWavelength, dRpm), kTestTitle))
        return false;
    showEqScanSidePlot(L, nFirst, nLast, -1);
    if (w) w->InvalidateUnlessBatch();
    return askYesNo(w, format("accept EQ scan at %.0f nm and %.0f rpm to be included? ", dWavelength, dRpm),
                    kTestTitle);
}

// ---------------------------------------------------------------- the walk in writing mode

void sortEqDataToDisk(TXLAWindow* pWindow, const char* szOutputPath, const char* szBlankPath,
                      float fWavelengthTolerance, bool bMakeXpFiles, float fDensity, float fVbar, float fExtinctionA,
                      float fExtinctionB, float fExtinctionC)
{
    if (bSeriesGroupingOnly) {
        recordEqScanSeries(fWavelengthTolerance);
        return;
    }
    BlankScan blank;
    if (szBlankPath && szBlankPath[0]) readBlank(szBlankPath, blank);

    // the scans' own folder, then the output folder in the shared path parts
    const std::string dataFolder = std::string(szScanDrive) + szScanDir;
    const ScanPathParts out = splitScanPath(szOutputPath ? szOutputPath : "");
    copyToBuffer(szScanDrive, sizeof szScanDrive, out.drive);
    copyToBuffer(szScanDir, sizeof szScanDir, out.dir);
    std::string outFolder = out.drive + out.dir;
    if (!outFolder.empty()) outFolder = withTrailingSeparator(outFolder);

    XpGroup xp;
    EqWalkActions actions;
    actions.groupStart = [&](const EqSeriesGroup&) {
        if (!bMakeXpFiles) return;
        xp = XpGroup{};
        xp.list = "\"" + outFolder + "\" \"";
    };
    actions.series = [&](const EqSeriesGroup& g, const std::vector<int>& list, int nLatest) {
        if (!testEquilibrium(pWindow, list.data(), static_cast<int>(list.size()), nLatest)) return true;
        std::string name;
        if (writeSortedScan(g, nLatest, outFolder, dataFolder, blank, fWavelengthTolerance, &name) && bMakeXpFiles) {
            ++xp.nFiles;
            xp.list += " " + name;
            xp.nLastWritten = nLatest;
        }
        return true;
    };
    actions.groupEnd = [&](const EqSeriesGroup& g) {
        if (!bMakeXpFiles || xp.nFiles < 1) return;
        xp.list += "\"\n";
        const int nCell = pScanHeaders[g.nFirstScan].cell;
        const float fWavelength = pScanHeaders[g.nFirstScan].wavelength;
        const bool bInterference = fWavelength == 675.0f || fWavelength == 660.0f;
        char szName[64];
        const int nWavelength = static_cast<int>(std::floor(fWavelength));
        if (g.cPrefix && bInterference)
            std::snprintf(szName, sizeof szName, "%c_cell%d_IF", g.cPrefix, nCell);
        else if (g.cPrefix)
            std::snprintf(szName, sizeof szName, "%c_cell%d_%d", g.cPrefix, nCell, nWavelength);
        else if (bInterference)
            std::snprintf(szName, sizeof szName, "cell%d_IF", nCell);
        else
            std::snprintf(szName, sizeof szName, "cell%d_%d", nCell, nWavelength);
        writeEqExperimentFile(pWindow, outFolder + szName + ".xp", xp, fDensity, fVbar, fExtinctionA, fExtinctionB,
                              fExtinctionC);
    };
    walkEqScanSeries(fWavelengthTolerance, actions);
    if (pWindow) pWindow->InvalidateUnlessBatch();
}

void TXLAWindow::CmSortEqDataToDisk()
{
    static const char* const kSortTitle = "sort EQ data";
    if (nScans < 1) {
        MessageBox(HWindow, "please load data first", "Sort SE data", MB_OK);
        return;
    }
    if (fRadialResolution > 0.001f) {
        playErrorSound();
        if (MessageBox(HWindow, "resolution is limiting data points - continue?", kSortTitle, MB_YESNO) != IDYES) {
            if (MessageBox(HWindow, "change resolution?", kSortTitle, MB_YESNO) == IDYES) CmSetRadialResolution();
            return;
        }
    }
    char szPath[260] = "";
    const std::string dataFolder = std::string(szScanDrive) + szScanDir;
    OPENFILENAME ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = HWindow;
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = sizeof szPath;
    ofn.lpstrInitialDir = dataFolder.empty() ? nullptr : dataFolder.c_str();
    ofn.lpstrTitle = "select filename for sorted eq data";
    ofn.Flags = OFN_EXPLORER;
    if (!GetSaveFileName(&ofn)) return;

    char szBlank[260] = "";
    if (bInterferenceData && MessageBox(HWindow, "subtract blank file?", "", MB_YESNO) == IDYES) {
        OPENFILENAME blank{};
        blank.lStructSize = sizeof blank;
        blank.hwndOwner = HWindow;
        blank.lpstrFile = szBlank;
        blank.nMaxFile = sizeof szBlank;
        blank.lpstrInitialDir = ofn.lpstrInitialDir;
        blank.lpstrTitle = "select blank scan";
        blank.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
        if (!GetOpenFileName(&blank)) szBlank[0] = '\0';
    }
    bool bXp = false;
    float fDensity = fBufferDensity, fVbar = VBAR, fA = 1.0f, fB = 1.0f, fC = 0.0f;
    if (MessageBox(HWindow, "make xp files?", "", MB_YESNO) == IDYES) {
        bXp = true;
        static const char* const kXpTitle = "make DRELLIX xp file";
        inputFloat(&fDensity, fDensity, true, "buffer density (g/ml)", kXpTitle);
        inputFloat(&fVbar, fVbar, true, "partial-specific volume (ml/g)", kXpTitle);
        inputFloat(&fA, fA, true, "molar extinction coefficient A", kXpTitle);
        inputFloat(&fB, fB, true, "molar extinction coefficient B", kXpTitle);
        inputFloat(&fC, fC, true, "molar extinction coefficient C", kXpTitle);
    }
    sortEqDataToDisk(this, szPath, szBlank, 5.0f, bXp, fDensity, fVbar, fA, fB, fC);
    playOkSound();
}

// ---------------------------------------------------------------- the saved equilibrium scan

void saveEquilibriumScan(const char* szPath)
{
    if (nScans < 1 || !pScanTimeOrder || !szPath) return;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const int L = pScanTimeOrder[nScans];
    const unsigned char bMarker = pScanHeaders[L].timeStampChecked;
    if (!writeScanFile(szPath, pScanPoints[L], ppRadius[L], ppFit[L], nullptr, "equilibrium", bMarker,
                       &pScanHeaders[L]))
        reportUnwritableFile(szPath);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}
