// The result files of the time-to-equilibrium tool: the numbered result
// folder, the distance from equilibrium over time, the speed steps, the rpm
// course, the simulated scans and the instrument method.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/time_to_eq_files.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_file.h"

namespace {

void couldNotOpen(const std::string& path)
{
    const std::string text = "\n\aAttention: could not open " + path;
    showErrorMessage(text.c_str(), 0);
}

void showInNotepad(const std::string& path)
{
    const std::string cmd = "notepad.exe " + path;
    win::WinExec(cmd.c_str(), win::SW_SHOWNORMAL);
}

}  // namespace

std::string timeToEqFolderOf(const char* szPath)
{
    const std::string p = szPath ? szPath : "";
    const size_t cut = p.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
}

std::string timeToEqWithExtension(const char* szPath, const char* szExt)
{
    std::string p = szPath ? szPath : "";
    const size_t slash = p.find_last_of("/\\");
    const size_t dot = p.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) p.erase(dot);
    return p + "." + szExt;
}

std::string timeToEqExtensionOf(const char* szPath)
{
    const std::string p = szPath ? szPath : "";
    const size_t slash = p.find_last_of("/\\");
    const size_t dot = p.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return p.substr(dot);
    return std::string();
}

bool chooseTimeToEqResultPath(TXLAWindow* pWindow, bool bBackup, char* szPath, int nSize)
{
    const char* szFormat = bBackup ? "%sbackupoptimizedoverspeedsteps%d/optimizedoverspeedsteps%d.txt"
                                   : "%soptimizedoverspeedsteps%d/optimizedoverspeedsteps%d.txt";
    for (int i = 1;; ++i) {
        std::snprintf(szPath, static_cast<size_t>(nSize), szFormat, szTempDir, i, i);
        if (!fileExists(szPath)) break;
    }
    std::string folder = timeToEqFolderOf(szPath);
    if (!folder.empty()) folder.pop_back();
    win::CreateDirectory(folder.c_str(), nullptr);
    const win::DWORD attributes = win::GetFileAttributes(folder.c_str());
    const bool bMade = attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY);
    if (!bMade && !bBackup)
        win::MessageBox(pWindow ? pWindow->HWindow : nullptr, "could not create new config directory", "",
                        win::MB_OK);
    return bMade;
}

void CApproachToEqSim::WriteDeltaEqFile(const char* szResultPath, const char* szName)
{
    const std::string path = timeToEqFolderOf(szResultPath) + szName;
    FILE* f = win::fopenMapped(path.c_str(), "w");
    if (!f) {
        couldNotOpen(path);
        return;
    }
    if (pScanHours && pRmsDeviation && pMaxDeviation)
        for (int j = 1; j < nScans; ++j)
            std::fprintf(f, "%f\t%f\t%f\n", pScanHours[j], pRmsDeviation[j], pMaxDeviation[j]);
    std::fclose(f);
}

void CApproachToEqSim::WriteSpeedSteps(const char* szPath, bool bNotepad)
{
    FILE* f = win::fopenMapped(szPath, "w");
    if (!f) {
        couldNotOpen(szPath);
        return;
    }
    for (int k = 1; k <= nSteps; ++k)
        std::fprintf(f, k < nSteps ? "%f\t%f\t%f\n" : "%f\t%f\t%f", pStepStart[k], pStepRpm[k], pStepRate[k]);
    std::fclose(f);
    if (bNotepad) showInNotepad(szPath);
}

void CApproachToEqSim::WriteRpmTimeCourse(const char* szPath, bool bNotepad)
{
    char szCourse[260];
    timeToEqSideFilePath(szPath, "_rpmtimecourse", szCourse, sizeof szCourse);
    FILE* f = win::fopenMapped(szCourse, "w");
    if (!f) {
        couldNotOpen(szCourse);
        return;
    }
    if (nSteps >= 1) {
        auto rampEnd = [&](int k) {
            const float fFrom = k > 1 ? pStepRpm[k - 1] : 0.0f;
            const float fRate = pStepRate[k];
            const float fStart = k > 1 ? pStepStart[k] : 0.0f;
            return (fRate > 0 ? std::fabs(pStepRpm[k] - fFrom) / fRate : 0.0f) + fStart;
        };
        std::fprintf(f, "%f\t%f\n", 0.0, 0.0);
        std::fprintf(f, nSteps > 1 ? "%f\t%f\n" : "%f\t%f", rampEnd(1) / 3600.0f, pStepRpm[1]);
        for (int k = 2; k <= nSteps; ++k) {
            std::fprintf(f, "%f\t%f\n", pStepStart[k] / 3600.0f, pStepRpm[k - 1]);
            std::fprintf(f, k < nSteps ? "%f\t%f\n" : "%f\t%f", rampEnd(k) / 3600.0f, pStepRpm[k]);
        }
    }
    std::fclose(f);
    if (bNotepad) showInNotepad(szCourse);
}

void CApproachToEqSim::WriteScanFiles(const char* szResultPath)
{
    if (!pRadii || !ppTotalScans || !pScanRecords) return;
    const std::string folder = timeToEqFolderOf(szResultPath);
    char szName[64];
    for (int i = 1; i <= nScans; ++i) {
        std::snprintf(szName, sizeof szName, "00%03d.R00", i);
        const std::string path = folder + szName;
        if (!writeScanFile(path.c_str(), nRadialPoints, pRadii, ppTotalScans[i], nullptr,
                           " simulated approach to equilibrium", 1, &pScanRecords[i]))
            couldNotOpen(path);
    }
    const std::string eq = folder + "eq.R00";
    if (!writeScanFile(eq.c_str(), nRadialPoints, pRadii, pTarget, nullptr, " simulated approach to equilibrium", 1,
                       &pScanRecords[nScans]))
        couldNotOpen(eq);
    if ((timeToEqParams.bHistory || timeToEqParams.fInitialRpm > 0) && ppInitialProfiles && pInitialRecord) {
        for (int k = 1; k <= nSpecies; ++k) {
            if (!ppInitialProfiles[k]) continue;
            std::snprintf(szName, sizeof szName, "initial%d.R00", k);
            const std::string path = folder + szName;
            if (!writeScanFile(path.c_str(), nRadialPoints, pRadii, ppInitialProfiles[k], nullptr,
                               " initial for approach to equilibrium", 1, &pInitialRecord[1]))
                couldNotOpen(path);
        }
        if (pHistoryProfile) pHistoryProfile->Save((folder + "initial_speedsteps.txt").c_str());
    }
}

void CApproachToEqSim::WriteEquMethod(const char* szResultPath, float fScanCycle, int nTemperature,
                                      int nFinalScans, int nScansPerStep, int bFlag)
{
    const std::string path = timeToEqWithExtension(szResultPath, "EQU");
    CRotorSpeedProfile profile;
    profile.SetSteps(nSteps, pStepStart, pStepRpm, pStepRate);
    // the method's fourth line of every row is the temperature
    profile.WriteMethodRows(path.c_str(), fScanCycle, nTemperature, nFinalScans, nScansPerStep, bFlag);
}

void CApproachToEqSim::BuildRpmPolyline(int* pnPoints, float** ppTimes, float** ppSpeeds, CVector** ppTimeVector,
                                        CVector** ppSpeedVector, CCurve** ppCurve)
{
    if (!pnPoints || !ppTimes || !ppSpeeds) return;
    *pnPoints = 0;
    *ppTimes = *ppSpeeds = nullptr;
    if (nSteps < 1) return;
    const int n = 2 * nSteps + 1;
    float* t = vector(1, n);
    float* v = vector(1, n);
    auto rampTime = [&](int k) {
        const float fFrom = k > 1 ? pStepRpm[k - 1] : 0.0f;
        return pStepRate[k] > 0 ? std::fabs(pStepRpm[k] - fFrom) / pStepRate[k] : 0.0f;
    };
    t[1] = 0;
    v[1] = 0;
    t[2] = rampTime(1);
    v[2] = pStepRpm[1];
    int j = 2;
    for (int k = 2; k <= nSteps; ++k) {
        ++j;
        t[j] = pStepStart[k];
        v[j] = pStepRpm[k - 1];
        ++j;
        t[j] = rampTime(k) + pStepStart[k];
        v[j] = pStepRpm[k];
    }
    t[n] = (pScanRecords && nScans >= 1) ? static_cast<float>(pScanRecords[nScans].time) : 1.5f * t[n - 1];
    v[n] = pStepRpm[nSteps];
    for (int i = 1; i <= n; ++i) t[i] /= 3600.0f;
    *pnPoints = n;
    *ppTimes = t;
    *ppSpeeds = v;
    CVector* tv = nullptr;
    CVector* vv = nullptr;
    if (ppTimeVector) {
        tv = new CVector;
        tv->Attach(t, static_cast<unsigned>(n), 1);
        *ppTimeVector = tv;
    }
    if (ppSpeedVector) {
        vv = new CVector;
        vv->Attach(v, static_cast<unsigned>(n), 1);
        *ppSpeedVector = vv;
    }
    if (ppCurve) *ppCurve = (tv && vv) ? new CCurve(tv, vv) : nullptr;
}
