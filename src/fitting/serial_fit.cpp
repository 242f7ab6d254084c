// Serialised batch fits by cell number and subdirectory (command 593) and by
// the "list.*" files of the data directory (command 904), with the per-set
// sequence that the PLOKA-monitored series (serial_ploka.cpp) shares.
//
// Per set, once its scans are loaded: the caption names the set; the saved
// analysis beside the set is restored when asked for; the last fit's text,
// Run and, when asked for, Fit; a fit the user stopped asks whether the
// series ends; then beside the scans (with their extension) the
// distribution, f/f0, the integrals over the chosen ranges and their
// Monte-Carlo statistics, the numerical error of the set and the DRELLIX
// export. Numerical failures inside a set never stop the series: they show
// no box while bSerialFitRunning is set, and their code goes into the set's
// "error.txt".
#include "fitting/serial_fit.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/monte_carlo.h"
#include "fitting/fit_globals.h"
#include "fitting/serial_set.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_paths.h"
#include "tools/exports/text_exports.h"
#include "tools/exports/xp_export.h"
#include "tools/fluorescence/fluorescence_options.h"

unsigned char bSerialMonteCarlo = 0;
unsigned char bSerialPlokaMode = 0;
unsigned char bSerialFromListOfLists = 0;
SerialRange serialRanges[nMaxSerialRanges + 1];
int nSerialRanges = 0;

namespace {

constexpr const char* szTitle = "SERIALIZE FIT";
constexpr float fMCConfidence = 0.68f;

bool askYes(TXLAWindow* w, const char* szText)
{
    return win::MessageBox(w->HWindow, szText, szTitle, win::MB_YESNO) == win::IDYES;
}

void notice(TXLAWindow* w, const char* szText) { win::MessageBox(w->HWindow, szText, szTitle, win::MB_OK); }

bool askNumber(TXLAWindow* w, float* pf, float fDefault, const char* szPrompt)
{
    return inputFloatInWindow(w, pf, fDefault, true, szPrompt, szTitle);
}

// A whole number asked (rounded down); false on Cancel.
bool askWhole(TXLAWindow* w, int* pn, int nDefault, const char* szPrompt)
{
    float f = static_cast<float>(nDefault);
    if (!askNumber(w, &f, f, szPrompt)) return false;
    const double d = std::floor(static_cast<double>(f));
    *pn = !(d == d) ? nDefault : d > 1e9 ? 1000000000 : d < -1e9 ? -1000000000 : static_cast<int>(d);
    return true;
}

bool isCsModel() { return bModelCS || bModelCSOneDiscreteD || bModelCSOneDiscreteM; }

bool twoDimensional() { return bModelCSFf0 || bModelCSFf0OneDiscrete; }

// Writes the text as a file; silently nothing when it cannot be created.
void writeTextFile(const std::string& path, const std::string& text)
{
    FILE* f = win::fopenMapped(path.c_str(), "w");
    if (!f) return;
    std::fputs(text.c_str(), f);
    std::fclose(f);
}

std::string format(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* szFormat, ...)
{
    char sz[2048];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(sz, sizeof sz, szFormat, args);
    va_end(args);
    return sz;
}

// ---------------------------------------------------------------- the questions of a series

// The integration ranges ("with automatic integration?") and the
// Monte-Carlo analysis; false on a Cancel.
bool askIntegrationAndMonteCarlo(TXLAWindow* w, bool bTwoD, float fMCDefault, SerialRun& run)
{
    nSerialRanges = 0;
    if (askYes(w, "with automatic integration?")) {
        do {
            SerialRange r;
            const bool bAxis = pDistAxisS && nResolution > 0;
            const float fLo = bAxis ? pDistAxisS[1] : 1.0f, fHi = bAxis ? pDistAxisS[nResolution] : 10.0f;
            if (!askNumber(w, &r.fSMin, fLo, "s min for integration")) return false;
            if (!askNumber(w, &r.fSMax, fHi, "s max for integration")) return false;
            if (bTwoD) {
                if (!askNumber(w, &r.fFf0Min, fFf0Min, "ff0 min for integration")) return false;
                if (!askNumber(w, &r.fFf0Max, fFf0Max, "ff0 max for integration")) return false;
            }
            serialRanges[++nSerialRanges] = r;
        } while (nSerialRanges < nMaxSerialRanges && askYes(w, "another integration range?"));
    }
    bSerialMonteCarlo = 0;
    run.nMCIterations = 0;
    if (askYes(w, "with Monte-Carlo error analysis?")) {
        float f = fMCDefault;
        if (!askNumber(w, &f, fMCDefault, "# of MC iterations")) return false;
        if (f >= 2.0f) {
            bSerialMonteCarlo = 1;
            run.nMCIterations = f < 1e7f ? static_cast<int>(std::floor(f)) : 10000000;
        }
    }
    return true;
}

// ---------------------------------------------------------------- the files of a set

// "distribution" and, but for the PLOKA series, "ff0".
void writeDistributionAndFf0(const std::string& dir, const std::string& ext, bool bFf0)
{
    if (FILE* f = win::fopenMapped((dir + "distribution" + ext).c_str(), "w")) {
        for (int i = 1; i <= nResolution; i++) std::fprintf(f, "%e %e\n", pDistAxisS[i], pDistValues[i]);
        std::fclose(f);
    }
    if (!bFf0) return;
    if (FILE* f = win::fopenMapped((dir + "ff0" + ext).c_str(), "w")) {
        std::fprintf(f, "%e \n", fFrictionalRatio);
        std::fclose(f);
    }
}

// Integrates every range (kept in run for the list series' summary) and
// writes "integrals" in the variant of the series and model.
void writeIntegrals(const std::string& dir, const std::string& ext, SerialRun& run)
{
    std::string text;
    const bool bTwoD = twoDimensional();
    if (run.kind == ESerialKind::List)
        text = "smin, smax, c(in range), c(tot), sw(in range), Mwavg(in range), rmsd, rmsd/ctot(%)\n";
    else if (bTwoD)
        text = "smin, smax, fmin, fmax, c, sw, fw, ctot, Mw, Mz, second central moment of Mz, R, second central "
               "moment R\n";
    else
        text = "smin, smax, c, sw, ctot\n";
    // The f/f0 limits select the points of a c(s,ff0) result on its f/f0
    // axis, whatever the display shows.
    const float fYMin = fIntegrateYMin, fYMax = fIntegrateYMax;
    unsigned char* pShow[] = {&bCsFf0ShowSM, &bCsFf0ShowRh, &bCsFf0ShowD, &bCsFf0ShowMFf0};
    unsigned char bShown[4];
    for (int k = 0; k < 4; k++) bShown[k] = *pShow[k];
    for (int r = 1; r <= nSerialRanges; r++) {
        const SerialRange& range = serialRanges[r];
        if (bTwoD) {
            fIntegrateYMin = range.fFf0Min;
            fIntegrateYMax = range.fFf0Max;
            for (unsigned char* p : pShow) *p = 0;
        }
        float c = 0.0f, sw = 0.0f, ctot = 0.0f;
        integrateDistribution(range.fSMin, range.fSMax, &c, &sw, &ctot, nullptr, nullptr, nullptr);
        run.fC[r] = c;
        run.fSw[r] = sw;
        run.fCTotal = ctot;
        if (run.kind == ESerialKind::List) {
            text += format("%.3f %.3f  %f %f %.3f %.0f %f %.2f\n", range.fSMin, range.fSMax, c, ctot, sw,
                           CalculateM(sw), fRmsd, ctot != 0.0f ? 100.0f * fRmsd / ctot : 0.0f);
        } else if (bTwoD) {
            text += format("%e %e %e %e %e %e %e %e %e %e %e %e %e\n", range.fSMin, range.fSMax, range.fFf0Min,
                           range.fFf0Max, c, sw, fCsFf0MeanFf0, ctot, fCsFf0MeanM, fCsFf0MsD, fCsFf0SdM, fCsFf0MeanRh,
                           fCsFf0SdRh);
        } else {
            text += format("%e %e %e %e %e\n", range.fSMin, range.fSMax, c, sw, ctot);
        }
    }
    fIntegrateYMin = fYMin;
    fIntegrateYMax = fYMax;
    for (int k = 0; k < 4; k++) *pShow[k] = bShown[k];
    writeTextFile(dir + "integrals" + ext, text);
}

// The Monte-Carlo analysis of the set and "MCintegrals".
void runSetMonteCarlo(TXLAWindow* w, const std::string& dir, const std::string& ext, const SerialRun& run)
{
    const std::string folder = dir + "MCdata";
    std::error_code ec;
    const std::string mapped = win::mapPath(folder.c_str());
    if (!std::filesystem::is_directory(mapped, ec)) {
        std::filesystem::create_directory(mapped, ec);
        if (!std::filesystem::is_directory(mapped, ec)) nNumericalErrorCode = 7;
    }
    const std::string stem = folder + pathSeparatorOf(dir) + "MC";
    runMonteCarloDistributions(w, run.nMCIterations, fMCConfidence, stem.c_str(), 0);
    std::string text = "smin\tsmax\tsavg\tsstd\tslow\tsup\tcavg\tcstd\tclow\tcup (P = 0.68)\n";
    for (int r = 1; r <= nSerialRanges; r++) {
        const SerialRange& range = serialRanges[r];
        mcWeightAvgResults = MCWeightAvgResults();
        monteCarloWeightAvgS(w, range.fSMin, range.fSMax, fMCConfidence);
        const MCWeightAvgResults& m = mcWeightAvgResults;
        text += format("%e\t%e\t%e\t%e\t%e\t%e\t%e\t%e\t%e\t%e\n", range.fSMin, range.fSMax, m.fMeanS, m.fSdS,
                       m.fLowerS, m.fUpperS, m.fMeanC, m.fSdC, m.fLowerC, m.fUpperC);
    }
    writeTextFile(dir + "MCintegrals" + ext, text);
    endMonteCarlo(w);
}

// The file names of an item of the PLOKA series: its set name, with the
// separators of a path (and a drive's colon) as "_", so that the files lie
// in the data directory.
std::string fileNameOfSet(const char* szSetName)
{
    std::string s = szSetName;
    for (char& c : s)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    return s;
}

}  // namespace

// ---------------------------------------------------------------- shared pieces

const char* serialErrorText(int nCode)
{
    static const char* const kTexts[] = {"",
                                         "max #iteration exceeded in NNLS",
                                         "matrix not positive definite in NNLS",
                                         "problem in regularization, cannot reach chi-square increase",
                                         "Maximum number of iterations exceeded in zbrent",
                                         "too many iterations finding root",
                                         "problem with regularization, caught at P = ?",
                                         "could not create MC directory",
                                         "too many iterations finding root",
                                         "zero differential in mlcof",
                                         "Nelder-Mead not converged"};
    if (nCode <= 0) return "";
    if (nCode > 10) return "error occured (invalid error code)";
    return kTexts[nCode];
}

bool writeSerialErrorFile(const std::string& dir)
{
    if (nNumericalErrorCode <= 0) return false;
    FILE* f = win::fopenMapped((dir + "error.txt").c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "%s", serialErrorText(nNumericalErrorCode));
    std::fclose(f);
    return true;
}

bool isSignalMaxedOut()
{
    if (bInterferenceData || nScans < 1) return false;
    // fluorescence scans count as absorbance data in the loader, but their
    // detector saturates at the intensity limit
    const float fLimit = bAbsorbanceData && !bFluorescenceData ? 1.8f : 3900.0f;
    for (int k = 1; k <= nScans; k++) {
        for (int i = 1; i <= pScanPoints[k]; i++) {
            const float r = ppRadius[k][i];
            if (r > 6.9f && r < 7.0f) {
                if (ppSignal[k][i] > fLimit) return true;
                break;
            }
        }
    }
    return false;
}

std::string loadedScanExtension()
{
    if (nScans < 1) return std::string();
    return splitScanPath(ppScanFileName[pScanTimeOrder[1]]).ext;
}

std::string loadedSetDirectory() { return std::string(szScanDrive) + szScanDir; }

void SerialFloOptions::Save()
{
    bConvolution = bFloConvolution;
    bConvolutionFloat = bFloConvolutionFloat;
    fConvolution = fFloConvolution;
    fConvolutionDistFactor = ::fConvolutionDistFactor;
    bExcitationCone = bFloExcitationCone;
    bExcitationConeFloat = bFloExcitationConeFloat;
    fExcitationCone = fFloExcitationCone;
    bMagnificationDrift = bFloMagnificationDrift;
    bDrift = bFloDrift;
    bDriftFloat = bFloDriftFloat;
    bBleaching = bFloBleaching;
    bKBleachFloat = bFloKBleachFloat;
    bAlimFloat = bFloAlimFloat;
    fDrift = fFloDrift;
    fKBleach = fFloKBleach;
    fAlim = fFloAlim;
    bRadialMagnification = bFloRadialMagnification;
    bRadialMagFactorFloat = bFloRadialMagFactorFloat;
    fRadialMagFactor = fFloRadialMagFactor;
}

void SerialFloOptions::Apply() const
{
    bFloConvolution = bConvolution;
    bFloConvolutionFloat = bConvolutionFloat;
    fFloConvolution = fConvolution;
    ::fConvolutionDistFactor = fConvolutionDistFactor;
    bFloExcitationCone = bExcitationCone;
    bFloExcitationConeFloat = bExcitationConeFloat;
    fFloExcitationCone = fExcitationCone;
    bFloMagnificationDrift = bMagnificationDrift;
    bFloDrift = bDrift;
    bFloDriftFloat = bDriftFloat;
    bFloBleaching = bBleaching;
    bFloKBleachFloat = bKBleachFloat;
    bFloAlimFloat = bAlimFloat;
    fFloDrift = fDrift;
    fFloKBleach = fKBleach;
    fFloAlim = fAlim;
    bFloRadialMagnification = bRadialMagnification;
    bFloRadialMagFactorFloat = bRadialMagFactorFloat;
    fFloRadialMagFactor = fRadialMagFactor;
}

std::string saveSeriesStartParameters(TXLAWindow* pWindow)
{
    const std::string path = std::string(szTempDir) + "serialfit_start.par";
    const std::string kept = szScanExtra;
    szScanExtra = path;
    TmpSaveBestParams(pWindow, 0);
    szScanExtra = kept;
    return path;
}

void askListSeriesOptions(TXLAWindow* w, SerialRun& run, bool bPlokaSeries)
{
    run.bFitEachSet = askYes(w, "fit each set? \n(otherwise only run will be executed in each set)");
    run.flo.Save();
    run.bFitBottomAtStart = bFitBottom ? 1 : 0;
    bSerialFitKeepData = askYes(w, "restore previous params if available?") ? 1 : 0;
    run.bOverwriteFlo = false;
    if (bSerialFitKeepData && (!bPlokaSeries || bFluorescenceData))
        run.bOverwriteFlo = askYes(w, "overwrite FDS-related parameters?");
    run.bOverwriteRightLimit = false;
    if (!bPlokaSeries || bSerialFitKeepData) {
        if (askYes(w, "overwrite FitRightLim?")) {
            float f = fFitRightLim;
            // Cancel keeps the limit as each set has it
            run.bOverwriteRightLimit = askNumber(w, &f, fFitRightLim, "right lim position ");
            run.fRightLimit = f;
        }
    }
    run.bottom = SerialRun::EBottom::AsAtStart;
    if (run.bOverwriteFlo && bFloExcitationConeFloat && (!bPlokaSeries || bFluorescenceData))
        run.bottom = askYes(w, "always float bottom?") ? SerialRun::EBottom::Always : SerialRun::EBottom::AsLoaded;
    run.startParameters = saveSeriesStartParameters(w);
}

void endListSeries(const SerialRun& run)
{
    run.flo.Apply();
    pParamFloat[14] = bFitBottom = run.bFitBottomAtStart;
    bSerialFitRunning = 0;
    bSerialFitKeepData = 0;
}

// ---------------------------------------------------------------- the per-set sequence

ESetEnd runSerialSet(TXLAWindow* w, SerialRun& run, int nItem)
{
    const std::string dir = loadedSetDirectory();
    const std::string ext = loadedScanExtension();
    // 2.
    const std::string first = dir + ppScanFileName[pScanTimeOrder[1]];
    std::snprintf(szWindowTitle, sizeof szWindowTitle, "SEDIMENTATION ANALYSIS -> %.400s...", first.c_str());
    w->SetCaption(szWindowTitle);
    // 3.
    const bool bRestored = bSerialFitKeepData && w->OfferRestorePreviousAnalysis(1);
    if (run.kind != ESerialKind::Cell) {
        if (!bRestored && !run.startParameters.empty()) w->ReloadParameters(run.startParameters.c_str());
        if (run.bOverwriteFlo) run.flo.Apply();
        if (run.bOverwriteRightLimit) {
            fFitRightLim = run.fRightLimit;
            updateRightFitLimit();
        }
        // the flag of the vector too: the set's Run takes the flags from it
        if (run.bottom == SerialRun::EBottom::AsAtStart)
            pParamFloat[14] = bFitBottom = run.bFitBottomAtStart;
        else if (run.bottom == SerialRun::EBottom::Always)
            pParamFloat[14] = bFitBottom = 1;
    }
    // 4. A stop left over from an earlier fit is not this set's.
    bFitStoppedByUser = 0;
    w->CmShowLastFitInfo();
    w->CmRun();
    if (run.bFitEachSet) w->CmFit();
    if (run.kind == ESerialKind::List && run.bPlokaPlots) {
        w->CmPlokaCofsPlot();
        w->CmPlokaDataFitResidualsPlot();
    }
    // 5.
    if (bFitStoppedByUser) {
        if (askYes(w, "stop series?")) return ESetEnd::StopSeries;
        bFitStoppedByUser = 0;
    }
    // 6. - 8.
    if (bModelContinuous) {
        if (!pDistCurve || !pDistValues || !pDistAxisS || nResolution < 1) return ESetEnd::NoDistribution;
        writeDistributionAndFf0(dir, ext, run.kind != ESerialKind::Ploka);
        if (run.kind == ESerialKind::Ploka) {
            if (nItem >= 1 && nItem <= serialSeries.nItems && serialSeries.pItems) {
                SerialItem& item = serialSeries.pItems[nItem];
                item.fRmsd = fRmsd;
                item.fMeniscus = fMeniscus;
                item.fFrictionalRatio = fFrictionalRatio;
                item.bProcessed = 1;
                const std::string name = fileNameOfSet(item.szSetName);
                writeSvdFrData((run.dataDir + "dfr" + name + ".txt").c_str());
                writeDistributionFiles(true, (run.dataDir + "dist" + name + ".txt").c_str());
            }
        } else {
            if (nSerialRanges > 0) writeIntegrals(dir, ext, run);
            if (bSerialMonteCarlo && run.nMCIterations >= 2 && !twoDimensional()) runSetMonteCarlo(w, dir, ext, run);
        }
    }
    // 9.
    writeSerialErrorFile(dir);
    // 10.
    writeXpExperimentFile(w, (dir + "data_.xp").c_str());
    writeExportParameterFile(w, (dir + "from_morvex_series_.drellix").c_str(), (dir + "data_.xp").c_str());
    return ESetEnd::Done;
}

// ---------------------------------------------------------------- by cell and subdirectory (593)

void TXLAWindow::CmSerializeFitByCell()
{
    if (nScans < 1) return;
    // 1. Paint waits while the questions are up.
    bCtotBusy = 1;
    const unsigned char bTimeStampsBefore = bCheckTimeStamps;
    auto leave = [&]() {
        bCtotBusy = 0;
        bSerialFitRunning = 0;
        bSerialFitKeepData = 0;
        bCheckTimeStamps = bTimeStampsBefore;
        nSerialRanges = 0;
        bSerialMonteCarlo = 0;
    };
    if (bCheckTimeStamps) {
        if (!askYes(this, "Need to switch off time stamp check - are all files corrected? Proceed? (Otherwise exit "
                          "and do timestamp corrections first)")) {
            leave();
            return;
        }
        bCheckTimeStamps = 0;
    }
    // 2.
    const bool bByCell = askYes(this, "incremental cell number?");
    const bool bByDir = askYes(this, "incremental highest subdirectory?");
    bool bXpFiles = false, bRestoreNoise = false;
    if (bByDir) {
        bXpFiles = askYes(this, "load xpfile with incremental name (xp1.xp, xp2.xp...)?");
        if (bXpFiles) bRestoreNoise = askYes(this, "restore TI & RI noise from current model?");
    }
    if (!bByCell && !bByDir) {
        notice(this, "nothing to serialize");
        leave();
        return;
    }
    // 3.
    int nCellMin = 1, nCellMax = 1, nDirMin = 1, nDirMax = 1;
    if (bByCell && (!askWhole(this, &nCellMin, 1, "minimum cell number value") ||
                    !askWhole(this, &nCellMax, 7, "maximum cell number value"))) {
        leave();
        return;
    }
    if (bByDir && (!askWhole(this, &nDirMin, 1, "minimum subdir value") ||
                   !askWhole(this, &nDirMax, 1, "maximum subdir value"))) {
        leave();
        return;
    }
    // 4.
    SerialRun run;
    run.kind = ESerialKind::Cell;
    run.bFitEachSet = askYes(this, "fit each set?");
    bSerialFitKeepData = askYes(this, "restore previous params if available?") ? 1 : 0;
    // 5.
    nSerialRanges = 0;
    bSerialMonteCarlo = 0;
    if (bModelContinuous && !bBoundaryAnalysisMode && !askIntegrationAndMonteCarlo(this, twoDimensional(), 100.0f, run)) {
        leave();
        return;
    }
    bCtotBusy = 0;
    // 6.
    const unsigned char bTINoiseAtStart = bFitTINoise, bRINoiseAtStart = bFitRINoise;
    buildScanFileList(0);
    bSerialFitRunning = 1;
    bool bStop = false;
    for (int c = nCellMin; c <= nCellMax && !bStop; c++) {
        // a cell digit is 0..8: another number names no set
        if (bByCell && (c < 0 || c > 8)) continue;
        for (int d = nDirMin; d <= nDirMax && !bStop; d++) {
            if (bByCell) setCellInFileList(c);
            if (bByDir) setDirNumberInFileList(d);
            if (bXpFiles) {
                if (nPendingFiles < 1) break;
                const ScanPathParts p = splitScanPath(ppPendingFileName[1]);
                const std::string xp = p.drive + p.dir + "xp" + std::to_string(d) + ".xp";
                // nothing of the set before may pass for this one
                freeScanData();
                LoadXpFile(xp.c_str());
                if (bRestoreNoise) {
                    bFitTINoise = bTINoiseAtStart;
                    bFitRINoise = bRINoiseAtStart;
                }
            } else if (filesInListExist()) {
                ReloadScanFileList();
            } else {
                continue;
            }
            nNumericalErrorCode = 0;
            if (nScans < 1) break;
            const ESetEnd end = runSerialSet(this, run);
            if (end == ESetEnd::StopSeries) bStop = true;
            if (end == ESetEnd::NoDistribution) break;
        }
    }
    // 7.
    leave();
}

// ---------------------------------------------------------------- by list files (904)

namespace {

// The "list.*" files of the directory, in the order of their names.
std::vector<std::string> listFilesOf(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(win::mapPath(dir.c_str()), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 5 || !it->is_regular_file(ec)) continue;
        std::string head = name.substr(0, 5);
        for (char& ch : head) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (head == "list.") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A progress line of the list series in the window.
void showSeriesText(TXLAWindow* w, int y, const std::string& text)
{
    if (!w->HWindow || !bWindowPainted) return;
    if (win::HDC dc = w->GetDC()) {
        win::TextOut(dc, 10, y, text.c_str(), static_cast<int>(text.size()));
        w->ReleaseDC(dc);
    }
}

// The fluorescence values of the set in the summary.
std::string fluorescenceText()
{
    std::string s;
    if (bFloConvolution) s += format("convol = %.3f |", fFloConvolution);
    if (bFloExcitationCone) s += format("shadow = %.3f |", fFloExcitationCone);
    if (bFloBleaching) {
        s += format(" - kbleach = %.4f 1/h (floating)", fFloKBleach);
        s += format(" - Alim = %.4f %% (floating)", 100.0f * fFloAlim);
    }
    if (bFloDrift) s += format(" - drift = %.3f %%/h (floating)", 100.0f * fFloDrift);
    if (bFloRadialMagnification) s += format("gradient = %.3f", fFloRadialMagFactor);
    return s;
}

}  // namespace

void TXLAWindow::CmSerializeFitByList()
{
    if (nScans < 1) return;
    // 1.
    if (!isCsModel()) {
        notice(this, "currently only implemented for c(s) distribution analysis (please switch first)");
        return;
    }
    // 2. - 3.
    SerialRun run;
    run.kind = ESerialKind::List;
    run.dataDir = loadedScanDirectory();
    askListSeriesOptions(this, run, false);
    run.bPlokaPlots = askYes(this, "PLOKA dfr and c(s)?");
    nSerialRanges = 0;
    if (!askIntegrationAndMonteCarlo(this, false, 500.0f, run)) {
        endListSeries(run);
        nSerialRanges = 0;
        return;
    }
    // 4. - 5.
    std::string summary, idswsig;
    const std::vector<std::string> lists = listFilesOf(run.dataDir);
    bSerialFitRunning = 1;
    int n = 0;
    for (const std::string& name : lists) {
        ++n;
        const std::string text = format("#%d: next %s", n, name.c_str());
        showSeriesText(this, 30, text);
        // a list that cannot be read names no scans
        if (!readScanListFile(this, (run.dataDir + name).c_str())) break;
        ReloadScanFileList();
        buildScanFileList(0);
        if (nScans < 1) break;
        if (isSignalMaxedOut()) {
            summary += name + "\nsignal maxed out\n";
            idswsig += name + " ";
            for (int r = 1; r <= nSerialRanges; r++) idswsig += " 0 0 0";
            idswsig += "\n";
            continue;
        }
        nNumericalErrorCode = 0;
        const ESetEnd end = runSerialSet(this, run);
        if (end != ESetEnd::Done) break;
        summary += format("#%d - %s: ", n, name.c_str());
        if (nSerialRanges < 1) summary += "no integrations\n";
        for (int r = 1; r <= nSerialRanges; r++) {
            const SerialRange& range = serialRanges[r];
            summary += format("          %.3f - %.3f: c=%f (ctot = %f) sw=%.3f , Mapp=%.0f , rmsd = %f (rmsd/ctot = "
                              "%.2f%%)                 \n",
                              range.fSMin, range.fSMax, run.fC[r], run.fCTotal, run.fSw[r], CalculateM(run.fSw[r]),
                              fRmsd, run.fCTotal != 0.0f ? 100.0f * fRmsd / run.fCTotal : 0.0f);
        }
        const std::string flo = fluorescenceText();
        if (!flo.empty()) summary += flo + "\n";
        idswsig += name + " ";
        for (int r = 1; r <= nSerialRanges; r++)
            idswsig += format(" %f  %f %f", run.fC[r], run.fSw[r], CalculateM(run.fSw[r]));
        idswsig += "\n";
        showSeriesText(this, 50, format("#%d: result from %s: ", n, name.c_str()));
    }
    // 6.
    const std::string summaryPath = run.dataDir + "summary.txt";
    writeTextFile(summaryPath, summary);
    writeTextFile(run.dataDir + "idswsig.txt", idswsig);
    endListSeries(run);
    nSerialRanges = 0;
    bSerialMonteCarlo = 0;
    const std::string command = "notepad.exe " + summaryPath;
    win::WinExec(command.c_str(), win::SW_SHOWNORMAL);
}
