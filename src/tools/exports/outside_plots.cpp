// The Plot menu's outside programs: the plotting executables of the "bin"
// folder, started with WinExec on the text exports, and PLOKA, started as a
// process that runs on by itself.
#include "tools/exports/outside_plots.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"
#include "tools/dls/dls_data.h"
#include "tools/exports/text_exports.h"

namespace {

bool askYes(TXLAWindow* pWindow, const char* szText, const char* szTitle)
{
    return win::MessageBox(pWindow->HWindow, szText, szTitle, win::MB_YESNO) == win::IDYES;
}

// 1 absorbance, 2 interference, 3 fluorescence (also when flagged interference).
int opticsCode()
{
    if (bFluorescenceData) return 3;
    if (bInterferenceData) return 2;
    return 1;
}

// The radial and signal ranges of a scan plot.
struct ScanPlotRanges {
    float fDataMin, fDataMax;  // the data shown
    float fYMin, fYMax;        // 0 and 0: automatic
    float fAxisMin, fAxisMax;  // the radial axis
};

// The common questions of the scan plots; bFitPlot for the data-fit-residuals
// plots (automatic y limits offered first).
ScanPlotRanges askScanPlotRanges(TXLAWindow* pWindow, bool bFitPlot)
{
    ScanPlotRanges r{pDataPlot->fXMin, pDataPlot->fXMax, pDataPlot->fYMin, pDataPlot->fYMax, pDataPlot->fXMin,
                     pDataPlot->fXMax};
    const bool bFitLimits = askYes(pWindow, "show data within fitting limits?", "PLOT 3D");
    if (bFitLimits) {
        r.fDataMin = r.fAxisMin = fFitLeftLim;
        r.fDataMax = r.fAxisMax = fFitRightLim;
    }
    const bool bCell = askYes(pWindow, "radial axis range from meniscus to bottom?", "PLOT 3D");
    if (bCell) {
        r.fAxisMin = fMeniscus;
        r.fAxisMax = fBottom;
    }
    if (!bFitLimits && !bCell)
        win::MessageBox(pWindow->HWindow, "using current display limits in the MORVEX data plot", "PLOT 3D", win::MB_OK);
    bool bAskY;
    if (bFitPlot) {
        if (askYes(pWindow, "auto y-axis limits?", "PLOT FIT")) {
            r.fYMin = r.fYMax = 0.0f;
            bAskY = false;
        } else {
            bAskY = !askYes(pWindow, "use current y-axis limits?", "PLOT FIT");
        }
    } else {
        bAskY = !askYes(pWindow, "use current y-axis limits?", "PLOT 3D");
    }
    if (bAskY) {
        inputFloatInWindow(pWindow, &r.fYMin, r.fYMin, true, "y-min", "PLOT 3D");
        inputFloatInWindow(pWindow, &r.fYMax, r.fYMax, true, "y-max", "PLOT 3D");
    }
    return r;
}

// The number of scans to plot: offered min(20, nScans), at most nScans.
int askScansToPlot(TXLAWindow* pWindow, const char* szPrompt, const char* szTitle)
{
    float f = static_cast<float>(std::min(20, nScans));
    inputFloatInWindow(pWindow, &f, f, true, szPrompt, szTitle);
    if (!(f >= 1.0f)) f = 1.0f;  // also not a number
    return std::min(static_cast<int>(f), nScans);
}

// Scans, no light-scattering or equilibrium data, the executable, the plot.
bool scanPlotPossible(unsigned char bHaveExe)
{
    return nScans > 0 && !bDLSData && !bEquilibriumDataMode && bHaveExe && pDataPlot;
}

void startPlotProgram(const char* szCommandLine) { win::WinExec(szCommandLine, win::SW_SHOWNORMAL); }

// The data-fit-residuals plots 880 and 881; with the distribution for 881.
void plotDataFitRes(TXLAWindow* pWindow, bool bDistribution)
{
    const char* szExe = bDistribution ? szDataFitResDistExePath : szDataFitResExePath;
    if (!scanPlotPossible(bDistribution ? bHaveDataFitResDistExe : bHaveDataFitResExe)) return;
    if (bDistribution && !(bModelCS || bModelCSBimodalFf0 || bModelCSFlotation || bModelCSBimodalFf0OneDiscrete))
        return;
    const int nFiles = writeDataFiles();
    if (nFiles < 1 || writeFitFiles() < 1) return;
    if (bDistribution && !writeDistributionFiles(false)) return;
    const ScanPlotRanges r = askScanPlotRanges(pWindow, true);
    const int nPlot = askScansToPlot(pWindow, "#of scans to plot (constant time interval)", "PLOT FIT");
    char szCommand[2048];
    if (!bDistribution) {
        std::snprintf(szCommand, sizeof szCommand, "%s %d %s %d %d %e %e %e %e %e %e %e", szExe, nPlotProgramCode,
                      szTempDir, nFiles, opticsCode(), r.fDataMin, r.fDataMax, r.fYMin, r.fYMax, r.fAxisMin,
                      r.fAxisMax, static_cast<double>(nPlot));
    } else {
        float fSMinAxis = pDistAxisS[1], fSMaxAxis = pDistAxisS[nResolution];
        inputFloatInWindow(pWindow, &fSMinAxis, fSMinAxis, true, "minimum value for s-axis in distribution plot",
                           "PLOT FIT");
        inputFloatInWindow(pWindow, &fSMaxAxis, fSMaxAxis, true, "maximum value for s-axis in distribution plot",
                           "PLOT FIT");
        std::snprintf(szCommand, sizeof szCommand, "%s %d %s %d %d %e %e %e %e %e %e %e %e %e", szExe,
                      nPlotProgramCode, szTempDir, nFiles, opticsCode(), r.fDataMin, r.fDataMax, r.fYMin, r.fYMax,
                      r.fAxisMin, r.fAxisMax, static_cast<double>(nPlot), fSMinAxis, fSMaxAxis);
    }
    startPlotProgram(szCommand);
}

// Smallest and largest of v[1..n]; 0 and 0 without values.
void extremes(const float* v, int n, float fScale, float* pfMin, float* pfMax)
{
    *pfMin = *pfMax = 0.0f;
    if (!v || n < 1) return;
    *pfMin = *pfMax = v[1];
    for (int i = 2; i <= n; ++i) {
        *pfMin = std::min(*pfMin, v[i]);
        *pfMax = std::max(*pfMax, v[i]);
    }
    *pfMin *= fScale;
    *pfMax *= fScale;
}

void askRange(TXLAWindow* pWindow, const char* szAxis, float* pfMin, float* pfMax)
{
    const std::string lo = std::string("minimum value for ") + szAxis + " in distribution plot";
    const std::string hi = std::string("maximum value for ") + szAxis + " in distribution plot";
    inputFloatInWindow(pWindow, pfMin, *pfMin, true, lo.c_str(), "PLOT FIT");
    inputFloatInWindow(pWindow, pfMax, *pfMax, true, hi.c_str(), "PLOT FIT");
}

// PLOKA: started on its own, with a wait of 1 ms so the program goes on at
// once; its handle is closed.
void startPloka(TXLAWindow* pWindow, const std::string& commandLine)
{
    win::STARTUPINFO si{};
    si.cb = sizeof si;
    si.dwFlags = win::STARTF_USESHOWWINDOW;
    si.wShowWindow = win::SW_SHOWNORMAL;
    win::PROCESS_INFORMATION pi{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!win::CreateProcess(nullptr, line.data(), nullptr, nullptr, win::FALSE, win::CREATE_SEPARATE_WOW_VDM, nullptr,
                            nullptr, &si, &pi)) {
        const std::string msg = "PLOKA could not be started:\n" + commandLine;
        win::MessageBox(pWindow->HWindow, msg.c_str(), "ERROR", win::MB_OK | win::MB_ICONSTOP);
        return;
    }
    win::WaitForSingleObject(pi.hProcess, 1);
    if (pi.hProcess) win::CloseHandle(pi.hProcess);
    if (pi.hThread) win::CloseHandle(pi.hThread);
}

// PLOKA with one switch on a data file of the temporary folder, or the
// message that it is missing.
void runPloka(TXLAWindow* pWindow, const char* szSwitch, const char* szDataStem, const char* szWhat)
{
    if (!outsideProgramPresent(szPlokaExePath)) {
        char sz[600];
        std::snprintf(sz, sizeof sz, "Can't seem to find PLOKA %s at %.400s - Sorry!", szWhat, szPlokaExePath);
        win::MessageBox(pWindow->HWindow, sz, "PLOKA", win::MB_OK);
        return;
    }
    startPloka(pWindow, std::string(szPlokaExePath) + " " + szSwitch + " " + szTempDir + szDataStem);
}

}  // namespace

void launchPlokaDls(TXLAWindow* pWindow)
{
    if (!bDLSData || !pDataPlot || !pDlsHeaders || !writeDlsData()) return;
    runPloka(pWindow, pDlsHeaders[1].fieldAcf ? "--dls" : "--idls", "dlsdata.dat", "script");
}

void launchPlokaSedEq(TXLAWindow* pWindow)
{
    if (!bEquilibriumDataMode || !pDataPlot || !writeSedEqData()) return;
    runPloka(pWindow, "--sedfr", "SEdata.dat", "script");
}

void TXLAWindow::CmPlotDataIn3dGraph()
{
    if (!scanPlotPossible(bHavePlot3dExe)) return;
    const int nFiles = writeDataFiles();
    if (nFiles < 1) return;
    const ScanPlotRanges r = askScanPlotRanges(this, false);
    const int nPlot = askScansToPlot(this, "#of scans to plot", "PLOT 3D");
    char szCommand[2048];
    std::snprintf(szCommand, sizeof szCommand, "%s %d %s %d %d %e %e %e %e %e %e %e", szPlot3dExePath,
                  nPlotProgramCode, szTempDir, nFiles, opticsCode(), r.fDataMin, r.fDataMax, r.fYMin, r.fYMax,
                  r.fAxisMin, r.fAxisMax, static_cast<double>(nPlot));
    startPlotProgram(szCommand);
}

void TXLAWindow::CmMakeSedimentationMovie()
{
    if (!scanPlotPossible(bHaveMovieExe)) return;
    const ScanPathParts extra = splitScanPath(szScanExtra);
    char szMovie[1000];
    copyToBuffer(szMovie, sizeof szMovie, extra.drive + extra.dir + "sedmovie.avi");
    if (!AskFileName(this, 1, szMovie, sizeof szMovie, "select filename for movie file", "avi", nullptr)) return;
    const int nFiles = writeDataFiles();
    if (nFiles < 1) return;
    const ScanPlotRanges r = askScanPlotRanges(this, false);
    char szCommand[3072];
    std::snprintf(szCommand, sizeof szCommand, "%s %d %s %s %d %d %e %e %e %e %e %e %e", szMovieExePath,
                  nPlotProgramCode, szTempDir, szMovie, nFiles, opticsCode(), r.fDataMin, r.fDataMax, r.fYMin,
                  r.fYMax, r.fAxisMin, r.fAxisMax, static_cast<double>(nScans));
    startPlotProgram(szCommand);
}

void TXLAWindow::CmMatlabPlotDataFitRes() { plotDataFitRes(this, false); }

void TXLAWindow::CmMatlabPlotDataFitResDistribution() { plotDataFitRes(this, true); }

void TXLAWindow::CmMatlabPlotSizeAndShape()
{
    if (!(bModelCSFf0 || bModelCSFf0OneDiscrete) || !bHaveSizeShapeExe) return;
    if (!writeSizeShapeDistributionFile()) return;
    int nCode = 1;
    if (bCsFf0ShowSM)
        nCode = 5;
    else if (bCsFf0ShowRh)
        nCode = 3;
    else if (bCsFf0ShowD)
        nCode = 4;
    else if (bCsFf0ShowMFf0)
        nCode = 2;
    const int nPoints = allocatedCsFf0Points();
    float fS[2], fFf0[2], fM[2], fRh[2], fD[2];
    extremes(pCsFf0S, nPoints, 1.0f, &fS[0], &fS[1]);
    extremes(pCsFf0Ratio, nPoints, 1.0f, &fFf0[0], &fFf0[1]);
    extremes(pCsFf0M, nPoints, 0.001f, &fM[0], &fM[1]);
    extremes(pCsFf0Rh, nPoints, 1.0f, &fRh[0], &fRh[1]);
    extremes(pCsFf0D, nPoints, 1e7f, &fD[0], &fD[1]);
    // ranges that are not asked are passed as 0
    if (nCode != 2)
        askRange(this, "s-axis", &fS[0], &fS[1]);
    else
        fS[0] = fS[1] = 0.0f;
    if (nCode == 1 || nCode == 2)
        askRange(this, "ff0-axis", &fFf0[0], &fFf0[1]);
    else
        fFf0[0] = fFf0[1] = 0.0f;
    if (nCode == 2 || nCode == 5)
        askRange(this, "M-axis (kDa)", &fM[0], &fM[1]);
    else
        fM[0] = fM[1] = 0.0f;
    if (nCode == 3)
        askRange(this, "Rh-axis (nm)", &fRh[0], &fRh[1]);
    else
        fRh[0] = fRh[1] = 0.0f;
    if (nCode == 4)
        askRange(this, "D-axis (F)", &fD[0], &fD[1]);
    else
        fD[0] = fD[1] = 0.0f;
    char szCommand[2048];
    std::snprintf(szCommand, sizeof szCommand, "%s %d %s %d %d %e %e %e %e %e %e %e %e %e %e", szSizeShapeExePath,
                  nPlotProgramCode, szTempDir, nCode, bModelCSFf0OneDiscrete ? 1 : 0, fS[0], fS[1], fFf0[0], fFf0[1],
                  fM[0], fM[1], fRh[0], fRh[1], fD[0], fD[1]);
    startPlotProgram(szCommand);
}

void TXLAWindow::CmPlotTriangulatedStructure()
{
    if (!bHaveStructureExe) return;
    const ScanPathParts extra = splitScanPath(szScanExtra);
    char szStructure[1000];
    copyToBuffer(szStructure, sizeof szStructure, extra.drive + extra.dir + "*.*");
    if (!AskFileName(this, 0, szStructure, sizeof szStructure, "select filename for movie file", ".*", nullptr))
        return;
    char szCommand[2048];
    std::snprintf(szCommand, sizeof szCommand, "%s %d %s", szStructureExePath, nPlotProgramCode, szStructure);
    startPlotProgram(szCommand);
}

void TXLAWindow::CmPlokaCofsPlot()
{
    if (nScans < 1 || !pDataPlot) return;
    if (bDLSData) win::MessageBox(HWindow, "PLOKA distribution will be in log10(R/nM)", "Attention", win::MB_OK);
    if (!writeDistributionFiles(true)) return;
    if (!outsideProgramPresent(szPlokaExePath)) {
        char sz[600];
        std::snprintf(sz, sizeof sz, "Can't seem to find PLOKA executable at %.400s - Sorry!", szPlokaExePath);
        win::MessageBox(HWindow, sz, "PLOKA", win::MB_OK);
        return;
    }
    const std::string commandLine = std::string(szPlokaExePath) + " --cofs " + szTempDir + "dist.txt";
    // the last command line, for starting PLOKA again by hand
    const std::string lastPath = std::string(szTempDir) + "lastcommand.txt";
    FILE* f = win::fopenMapped(lastPath.c_str(), "w");
    if (!f) {
        showErrorMessage(("\n\aAttention: could not open " + lastPath).c_str(), 0);
        return;
    }
    std::fprintf(f, "%s", commandLine.c_str());
    const bool bWritten = std::fflush(f) == 0 && std::ferror(f) == 0;
    if (std::fclose(f) != 0 || !bWritten) {
        showErrorMessage(("\n\aAttention: could not open " + lastPath).c_str(), 0);
        return;
    }
    startPloka(this, commandLine);
}

void TXLAWindow::CmPlokaDataFitResidualsPlot()
{
    if (nScans < 1) return;
    if (bDLSData) {
        launchPlokaDls(this);
        return;
    }
    if (bEquilibriumDataMode) {
        launchPlokaSedEq(this);
        return;
    }
    if (!pDataPlot || !writeSvdFrData()) return;
    runPloka(this, "--svdfr", "svdfrdata.dat", "script");
}

void TXLAWindow::CmPlokaPlot()
{
    if (askYes(this, "PLOKA for data, fit, and residuals?", "PLOKA")) {
        if (bDLSData)
            launchPlokaDls(this);
        else if (bEquilibriumDataMode)
            launchPlokaSedEq(this);
        else
            CmPlokaDataFitResidualsPlot();
    }
    if (bModelContinuous && askYes(this, "PLOKA for c(s)?", "PLOKA")) CmPlokaCofsPlot();
}
