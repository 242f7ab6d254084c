// The commands of the time-to-equilibrium tool: Minimize Time to Equilibrium
// (874), the conversion between speed-steps files and instrument methods
// (928) and the time-to-equilibrium simulator (929, 932-936, 938, 940, 941)
// on the global simulation, which keeps its results in the backup folder.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/speed_step_optimizer.h"
#include "analyses/timetoeq/time_to_eq_files.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"
#include "scandata/rotor_speed_profile.h"

using namespace win;

float fTosePlotRpmScale = 0.0f;

namespace {

const char* const kTitle = "CALCULATE MINIMUM TIME TO EQ";
const char* const kNote =
    "Please Note:  This estimate is only a guide for the order of magnitude it's really going to take. It does not "
    "take into account chemical reactions.\nOne needs to experimentally verify attainment of equilibrium by "
    "sequential scans, if possible in 3 to 6 h intervals. (See the tool for testing attainment of equilibrium in the "
    "Loading Options menu.)";

// 1.5 x the estimated time of the slower species, in hours.
float simulatedDurationHours()
{
    const TimeToEqParams& tp = timeToEqParams;
    float t = estimateTimeToEq(tp.fFinalRpm, tp.fTemperature, tp.fM1, tp.fDensity, tp.fVbar, tp.fBottom,
                               tp.fMeniscus, static_cast<float>(tp.dD1), tp.fEpsilon);
    if (tp.bSecondSpecies)
        t = std::max(t, estimateTimeToEq(tp.fFinalRpm, tp.fTemperature, tp.fM2, tp.fDensity, tp.fVbar2, tp.fBottom,
                                         tp.fMeniscus, static_cast<float>(tp.dD2), tp.fEpsilon));
    return 1.5f * t;
}

CApproachToEqSim* globalSim()
{
    if (!pApproachToEqSim) pApproachToEqSim = new CApproachToEqSim;
    return pApproachToEqSim;
}

void ensureBackupPath(TXLAWindow* w)
{
    if (!szTimeToEqBackupPath[0]) chooseTimeToEqResultPath(w, true, szTimeToEqBackupPath, sizeof szTimeToEqBackupPath);
}

// The record's solvent where it has none, and the species completed.
void completeRecord()
{
    TimeToEqParams& tp = timeToEqParams;
    if (tp.fDensity == 0) tp.fDensity = fBufferDensity;
    if (tp.fViscosity == 0) tp.fViscosity = RELVISCOSITY * STANDARDVISCOSITY;
    if (tp.fVbar == 0) tp.fVbar = VBAR;
    if (tp.fVbar2 == 0) tp.fVbar2 = tp.fVbar;
    if (!tp.bDistribution) completeTimeToEqSpecies(&tp);
}

// The constant-speed run of the simulator into the global simulation; the
// species and the duration of the search follow from it.
bool runConstantSpeed(TXLAWindow* w)
{
    TimeToEqParams& tp = timeToEqParams;
    completeRecord();
    ensureBackupPath(w);
    tp.fSimDurationHours = simulatedDurationHours();
    if (!approachToEqDurationFits(tp.fSimDurationHours)) return false;
    float fr[3], s[3], D[3];
    const int n = timeToEqSpeciesLists(fr, s, D);
    CApproachToEqSim* g = globalSim();
    if (!g->Setup(w, tp.fSimDurationHours, tp.fBottom, tp.fMeniscus, tp.fRightLimit, tp.fMeniscus + 0.02f, n, fr, s,
                  D, tp.fVbar, tp.fTemperature, tp.fFinalRpm))
        return false;
    if (!applyTimeToEqInitialDistribution(g)) return false;
    bInterruptComputation = 0;
    // a loaded rotor speed profile stays for 934 but does not drive this run
    const unsigned char bSteps = g->bSpeedSteps;
    g->bSpeedSteps = 0;
    const bool bRun = g->Run();
    g->bSpeedSteps = bSteps;
    if (!bRun) return false;
    g->Analyse(tp.fEpsilon, tp.fEpsilon);
    g->WriteDeltaEqFile(szTimeToEqBackupPath, "constantspeed_DeltaEQ.txt");
    fAppEqConstTime = g->fRmsdTime / 3600.0f;
    setOptimizationSpecies(g->fRmsdTime, n, fr, s, D);
    return true;
}

// The species of the search from the record, when no run has set them.
void ensureSearchSpecies()
{
    if (nAppEqOptSpecies >= 1) return;
    completeRecord();
    float fr[3], s[3], D[3];
    const int n = timeToEqSpeciesLists(fr, s, D);
    const float fDuration = fAppEqOptDuration;
    setOptimizationSpecies(fDuration, n, fr, s, D);
}

// Copies as much of the text as the buffer holds.
void copyText(char* szOut, size_t nSize, const std::string& text)
{
    const size_t n = std::min(text.size(), nSize - 1);
    std::memcpy(szOut, text.data(), n);
    szOut[n] = 0;
}

bool askEquAnswers(TXLAWindow* w, const char* szTitle, float* pfCycle, float* pfPerStep, float* pfFinal)
{
    *pfCycle = 90.0f;
    *pfPerStep = 1.0f;
    *pfFinal = 0.0f;
    return inputFloatInWindow(w, pfCycle, 90.0f, true, "scan cycle time (sec)", szTitle) &&
           inputFloatInWindow(w, pfPerStep, 1.0f, true, "max # of scans per step", szTitle) &&
           inputFloatInWindow(w, pfFinal, 0.0f, true, "# of final scans", szTitle);
}

}  // namespace

// ---------------------------------------------------------------- 874

void TXLAWindow::CmMinimizeTimeToEquilibrium()
{
    TimeToEqParams& tp = timeToEqParams;
    MessageBox(HWindow, kNote, kTitle, MB_OK | MB_ICONINFORMATION);
    if (!bModelDiscreteSpecies) {
        MessageBox(HWindow, "switching to non-interacting species model", kTitle, MB_OK);
        CmModelDiscreteSpecies();
    }
    szTimeToEqResultPath[0] = 0;
    if (!tp.bLoaded) LoadSimAppEqParameterPreferences(this, szSimAppEqParamsIniPath);
    if (!prepareTimeToEqRun(this)) return;
    tp.bLoaded = SaveSimAppEqParameterPreferences(this, szSimAppEqParamsIniPath) ? 1 : 0;

    if (!tp.bDistribution) {
        tp.fSimDurationHours = simulatedDurationHours();
    } else {
        MessageBox(HWindow, "...need to implement maximum time calculation... please enter manually (h)", kTitle,
                   MB_OK);
        float fHours = tp.fSimDurationHours;
        if (!inputFloatInWindow(this, &fHours, tp.fSimDurationHours, true, "max sim time (h)", kTitle)) return;
        tp.fSimDurationHours = fHours;
    }

    // a failed run leaves the status as it was: its errors have been shown
    if (!(calculateMinimumTimeToEq(this) > 0)) return;
    char szTimes[200];
    std::snprintf(szTimes, sizeof szTimes, "epsilon = %.4f: t(const) = %.0f h, t(opt) = %.0f h, saved in ",
                  tp.fEpsilon, fAppEqConstTime, fAppEqOptTime);
    std::string status = std::string(szTimes) + szTimeToEqResultPath;
    if (tp.bJustRun) status = "[" + std::string(tp.szParamsFilePath) + "]" + status;
    copyText(szStatusText, sizeof szStatusText, status);
    bShowStatusText = 1;
    InvalidateUnlessBatch();
}

// ---------------------------------------------------------------- 928

void TXLAWindow::CmConvertSpeedFile()
{
    char szIn[260];
    copyText(szIn, sizeof szIn, std::string(szWorkDir) + "speedsteps.txt");
    if (!AskSaveFileName(this, szIn, sizeof szIn, "input file", nullptr)) return;
    const std::string ext = timeToEqExtensionOf(szIn);
    char szOut[260];
    bool bOk;
    if (ext.size() > 1 && (ext[1] == 't' || ext[1] == 'T')) {
        copyText(szOut, sizeof szOut, timeToEqWithExtension(szIn, "EQU"));
        if (!AskSaveFileName(this, szOut, sizeof szOut, "output file", nullptr)) return;
        float fTemperature = 20.0f, fCycle = 90.0f, fPerStep = 1.0f, fFinal = 0.0f;
        if (!inputFloatInWindow(this, &fTemperature, 20.0f, true, "temperature (C)", "create EQU method")) return;
        if (!inputFloatInWindow(this, &fCycle, 90.0f, true, "scan cycle time (sec)", "create EQU method")) return;
        if (!inputFloatInWindow(this, &fPerStep, 1.0f, true, "max # of scans per step", "create EQU method")) return;
        if (!inputFloatInWindow(this, &fFinal, 0.0f, true, "# of final scans", kTitle)) return;
        // the temperature is the fourth line of every method row
        bOk = exportSpeedStepsMethodRows(szIn, szOut, fCycle, static_cast<int>(std::floor(fTemperature)),
                                         static_cast<int>(std::floor(fFinal)), static_cast<int>(std::floor(fPerStep)),
                                         0);
    } else {
        copyText(szOut, sizeof szOut, timeToEqFolderOf(szIn) + "speedsteps.txt");
        if (!AskSaveFileName(this, szOut, sizeof szOut, "output file", nullptr)) return;
        bOk = convertEquMethodToSpeedSteps(szIn, szOut);
    }
    if (bOk) {
        const std::string cmd = std::string("notepad.exe ") + szOut;
        WinExec(cmd.c_str(), SW_SHOWNORMAL);
    }
}

// ---------------------------------------------------------------- the simulator

void TXLAWindow::CmToseLoadRotorSpeedProfile()
{
    ensureBackupPath(this);
    char szPath[260];
    copyText(szPath, sizeof szPath, szTimeToEqBackupPath);
    if (!AskOpenFileName(szPath, sizeof szPath, "Pick Rotor Speed File")) return;
    const std::string simparams = timeToEqFolderOf(szPath) + "simparams.txt";
    if (fileExists(simparams.c_str()) &&
        MessageBox(HWindow, "also use associated simparams.txt file?", "Pick Rotor Speed File", MB_YESNO) == IDYES)
        LoadSimAppEqParameterPreferences(this, simparams.c_str());
    int n = 0;
    float *pStart = nullptr, *pRpm = nullptr, *pRate = nullptr;
    if (!readSpeedStepsFile(szPath, &n, &pStart, &pRpm, &pRate)) return;
    globalSim()->SetSpeedSteps(n, pStart, pRpm, pRate, 2);
    fAppEqOptDuration = 2.0f * pStart[n];
    float fHighest = 0;
    for (int k = 1; k <= n; ++k) fHighest = std::max(fHighest, pRpm[k]);
    fTosePlotRpmScale = 1.1f * fHighest;
    free_vector(pStart, 1, n);
    free_vector(pRpm, 1, n);
    free_vector(pRate, 1, n);
}

void TXLAWindow::CmToseLoadParameterFile()
{
    char szPath[260];
    copyText(szPath, sizeof szPath, szSimAppEqParamsIniPath);
    if (!AskOpenFileName(szPath, sizeof szPath, "Pick Rotor Speed File")) return;
    if (LoadSimAppEqParameterPreferences(this, szPath))
        SaveSimAppEqParameterPreferences(this, szSimAppEqParamsIniPath);
}

void TXLAWindow::CmToseSaveParameterFiles()
{
    char szPath[260];
    copyText(szPath, sizeof szPath, szSimAppEqParamsIniPath);
    if (!AskSaveFileName(this, szPath, sizeof szPath, "Pick A Parameter Filename", nullptr)) return;
    SaveSimAppEqParameterPreferences(this, szPath);
}

void TXLAWindow::CmToseParameters() { runTimeToEqParamsDialog(this); }

void TXLAWindow::CmToseRunConstantSpeed()
{
    runConstantSpeed(this);
    InvalidateUnlessBatch();
}

void TXLAWindow::CmToseRunSpeedProfile()
{
    const TimeToEqParams& tp = timeToEqParams;
    CApproachToEqSim* g = globalSim();
    if (!g->bSpeedSteps || g->nSteps < 1) {
        if (MessageBox(HWindow, "no rotor speed profile loaded -> optimize from scratch?", "RUN speed profile",
                       MB_YESNO) == IDYES)
            CmToseOptimize();
        return;
    }
    ensureSearchSpecies();
    if (!(fAppEqOptDuration > 0)) fAppEqOptDuration = simulatedDurationHours() * 3600.0f;
    if (!approachToEqDurationFits(fAppEqOptDuration / 3600.0f)) return;
    CApproachToEqSim run;
    if (!run.Setup(this, fAppEqOptDuration / 3600.0f, tp.fBottom, tp.fMeniscus, tp.fRightLimit,
                   tp.fMeniscus + 0.02f, nAppEqOptSpecies, pAppEqOptFractions, pAppEqOptS, pAppEqOptD, tp.fVbar,
                   tp.fTemperature, tp.fFinalRpm))
        return;
    if (!applyTimeToEqInitialDistribution(&run)) return;
    run.SetSpeedSteps(g->nSteps, g->pStepStart, g->pStepRpm, g->pStepRate, 2);
    bInterruptComputation = 0;
    if (!run.Run()) return;
    run.Analyse(tp.fEpsilon, tp.fEpsilon);
    g->CopyFrom(run);
    InvalidateUnlessBatch();
}

void TXLAWindow::CmToseOptimize()
{
    TimeToEqParams& tp = timeToEqParams;
    if (nAppEqOptSpecies < 1 || !(fAppEqOptDuration > 0))
        if (!runConstantSpeed(this)) return;
    // a loaded speed profile sets the duration of the search
    if (!approachToEqDurationFits(fAppEqOptDuration / 3600.0f)) return;
    ensureBackupPath(this);
    const bool bStored = tp.pParamVector && tp.nParamVector == tp.nParams;
    ensureTimeToEqParamVector();
    if (bStored && MessageBox(HWindow, "refine current rotor speed profile?", "OPTIMIZE speed profile", MB_YESNO) != IDYES)
        timeToEqStartVector(tp.pParamVector, tp.nParamVector);
    tp.fQuantum = 1.0f;
    fAppEqOptTime = appEqObjective(tp.pParamVector, this);
    fShownBestRmsd = fAppEqOptTime;
    optimizeSpeedSteps(this);
    bStopFit = 0;
    bInterruptComputation = 0;
    tp.fQuantum = 100.0f;
    optimizeSpeedSteps(this);
    bStopFit = 0;
    bInterruptComputation = 0;
    if (CApproachToEqSim* o = pAppEqOptSim) {
        o->WriteDeltaEqFile(szTimeToEqBackupPath, "optimized_DeltaEQ.txt");
        o->WriteSpeedSteps(szTimeToEqBackupPath, false);
        o->WriteScanFiles(szTimeToEqBackupPath);
        globalSim()->CopyFrom(*o);
    }
    InvalidateUnlessBatch();
}

void TXLAWindow::CmToseSaveResultFiles()
{
    const TimeToEqParams& tp = timeToEqParams;
    CApproachToEqSim* g = globalSim();
    ensureBackupPath(this);
    char szPath[260];
    copyText(szPath, sizeof szPath, timeToEqFolderOf(szTimeToEqBackupPath) + "bestspeedsteps.txt");
    if (!AskSaveFileName(this, szPath, sizeof szPath, "Pick A Path", nullptr)) return;
    g->WriteDeltaEqFile(szPath, "optimized_DeltaEQ.txt");
    g->WriteSpeedSteps(szPath, false);
    g->WriteRpmTimeCourse(szPath, false);
    const std::string simparams = timeToEqFolderOf(szPath) + "simparams" + timeToEqExtensionOf(szPath);
    CopyFile(szSimAppEqParamsIniPath, simparams.c_str(), FALSE);
    if (tp.bSaveScanFiles) g->WriteScanFiles(szPath);
    if (tp.bSaveEquMethod) {
        float fCycle, fPerStep, fFinal;
        if (!askEquAnswers(this, "TOSE", &fCycle, &fPerStep, &fFinal)) return;
        g->WriteEquMethod(szPath, fCycle, static_cast<int>(std::floor(tp.fTemperature)),
                          static_cast<int>(std::floor(fFinal)), static_cast<int>(std::floor(fPerStep)), 1);
    }
}

void TXLAWindow::CmTosePlokaScans()
{
    CApproachToEqSim* g = globalSim();
    if (!g->ppTotalScans || !g->pRadii) return;
    float fHours = 0.5f * g->nRmsdIndex;
    if (!inputFloatInWindow(this, &fHours, 0.5f * g->nRmsdIndex, true, "max time (hours)", "TOSE")) return;
    const int nWrite = std::clamp(static_cast<int>(std::floor(2.0f * fHours)), 0, g->nScans);

    // three zero noise columns, then radius, value and value (as data and
    // fit) of every scan written
    const std::string data = std::string(szTempDir) + "svdfrdata.dat";
    FILE* f = fopenMapped(data.c_str(), "w");
    if (!f) {
        const std::string text = "\n\aAttention: could not open " + data;
        showErrorMessage(text.c_str(), 0);
        return;
    }
    for (int i = 1; i <= g->nRadialPoints; ++i) {
        std::fprintf(f, "%e %e %e ", 0.0, 0.0, 0.0);
        for (int j = 1; j <= nWrite; ++j)
            std::fprintf(f, "%e %e %e ", g->pRadii[i], g->ppTotalScans[j][i], g->ppTotalScans[j][i]);
        std::fprintf(f, "\n");
    }
    std::fclose(f);

    if (!outsideProgramPresent(szPlokaExePath)) {
        char sz[400];
        std::snprintf(sz, sizeof sz, "Can't seem to find PLOKA script at %s - Sorry!", szPlokaExePath);
        MessageBox(HWindow, sz, "PLOKA", MB_OK);
        return;
    }
    char szCmd[700];
    std::snprintf(szCmd, sizeof szCmd, "%s --svdfr %s", szPlokaExePath, data.c_str());
    STARTUPINFO si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0, sizeof pi);
    if (!CreateProcess(nullptr, szCmd, nullptr, nullptr, FALSE, CREATE_SEPARATE_WOW_VDM, nullptr, nullptr, &si, &pi)) {
        MessageBox(HWindow, "PLOKA could not be started", "ERROR", MB_OK | MB_ICONSTOP);
        return;
    }
    WaitForSingleObject(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
}
