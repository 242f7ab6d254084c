// Rotor-speed profiles made from the loaded scans and from instrument method
// files, the checks the Lamm settings ask for, and the rotor-speed plot.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/text_lines.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"
#include "scandata/speed_analysis.h"

namespace {

// Steps collected one-based (index 0 unused), as SetSteps takes them.
struct StepList {
    std::vector<float> start{0.0f}, rpm{0.0f}, rate{0.0f};
    void Add(float s, float w, float r) {
        start.push_back(s);
        rpm.push_back(w);
        rate.push_back(r);
    }
    int Count() const { return static_cast<int>(start.size()) - 1; }
};

// Replaces the profile in force by these steps.
void installProfile(const StepList& steps) {
    delete pRotorSpeedProfile;
    pRotorSpeedProfile = new CRotorSpeedProfile;
    pRotorSpeedProfile->SetSteps(steps.Count(), steps.start.data(), steps.rpm.data(), steps.rate.data());
}

// "speedsteps.txt" where the program writes it for the loaded scans: in
// the side-file folder when one is set (the unattended run's results
// folder), else beside the data.
std::string writtenSpeedStepsPath() {
    return (!szSideFileFolder.empty() ? szSideFileFolder : loadedScanDirectory()) + "speedsteps.txt";
}

}  // namespace

bool createSpeedStepsFile(float fAcceleration, float fDeceleration) {
    if (nScans < 1 || !scansHaveVariableSpeed(nScans, pScanHeaders)) {
        bUsingSpeedSteps = 0;
        return false;
    }
    StepList steps;
    double w0 = pScanHeaders[pScanTimeOrder[1]].rpm;
    steps.Add(0.0f, static_cast<float>(w0), fAcceleration);
    for (int t = 2; t <= nScans; ++t) {
        const ScanHeader& h1 = pScanHeaders[pScanTimeOrder[t - 1]];
        const ScanHeader& h2 = pScanHeaders[pScanTimeOrder[t]];
        const double w = h2.rpm;
        if (w == w0) continue;
        // The rotor ran at w0 up to ts, ramped linearly to w over T and ran at
        // w up to the scan: ts is where the omega squared t between the two
        // scans comes out as recorded.
        const double r = w > w0 ? std::fabs(fAcceleration) : -std::fabs(fDeceleration);
        // Without a rate the ramp never ends: no step start, and no profile
        // of not-a-number steps written over the one beside the data.
        if (r == 0.0 || !std::isfinite(r)) {
            showErrorMessage("no speed steps created: the rotor acceleration and deceleration must not be 0", 0);
            return false;
        }
        const double T = std::fabs((w - w0) / r);
        const double t1 = h1.timeWritten;
        const double t2 = h2.timeWritten;
        double ts = (w0 * w0 * t1 + kOmega2ToRpm2 * (h2.omega2t - h1.omega2t) - (t2 - T) * w * w -
                     (r * r * T * T * T / 3.0 + w0 * r * T * T + w0 * w0 * T)) /
                    (w0 * w0 - w * w);
        ts = std::min(ts, t2 - T - 1.0);
        ts = std::max(ts, t1 + 1.0);
        steps.Add(static_cast<float>(ts), static_cast<float>(w), static_cast<float>(std::fabs(r)));
        w0 = w;
    }
    if (steps.Count() > 1) {
        installProfile(steps);
        const ScanPathParts p = splitScanPath(szScanExtra);
        const std::string path = p.drive + p.dir + "speedsteps" + ".txt";
        pRotorSpeedProfile->Save(path.c_str());
        bUsingSpeedSteps = pRotorSpeedProfile->bMultiStep;
    }
    return bUsingSpeedSteps != 0;
}

bool checkSpeedStepsForLammParams() {
    if (nScans < 1 || bAutoLoadMultiSpeed) return bUsingSpeedSteps != 0;
    // the profile the program wrote for these scans, else the one beside them
    std::string path = writtenSpeedStepsPath();
    if (szSideFileFolder.empty() || !fileExists(path.c_str())) path = loadedScanDirectory() + "speedsteps" + ".txt";
    delete pRotorSpeedProfile;
    pRotorSpeedProfile = new CRotorSpeedProfile;
    if (!pRotorSpeedProfile->LoadAndCheck(path.c_str(), nScans, pScanHeaders)) {
        scanNoticeBox("oops - speedsteps.txt rotor speed profile inconsistent with data", "LOAD ERROR");
        delete pRotorSpeedProfile;
        pRotorSpeedProfile = nullptr;
        bUsingSpeedSteps = 0;
    } else if (pRotorSpeedProfile->bMultiStep) {
        bUsingSpeedSteps = 1;
        restoreRecordedScanTimes();
    }
    return bUsingSpeedSteps != 0;
}

void createTwoStepSpeedSteps(float t2, float w1, const ScanHeader* pHeader, float fRate) {
    StepList steps;
    steps.Add(0.0f, w1, fRate);
    steps.Add(t2, pHeader->rpm, fRate);
    installProfile(steps);
    pRotorSpeedProfile->Save(writtenSpeedStepsPath().c_str());
    if (pRotorSpeedProfile->bMultiStep) {
        bUsingSpeedSteps = 1;
        restoreRecordedScanTimes();
    }
}

float speedStepStartTime(float w0, float a, const ScanHeader* pHeader) {
    const double w = pHeader->rpm;
    const double t = pHeader->timeWritten;
    const double omega = kRpmToOmega * w;
    const double dw2 = w * w - static_cast<double>(w0) * w0;
    return static_cast<float>((t - pHeader->omega2t / (omega * omega)) * w * w / dw2 + w0 / a -
                              2.0 * w * w * w / (3.0 * a * dw2));
}

namespace {

// One row of an instrument method: six lines.
struct MethodRow {
    float fSpeed = 0.0f;
    float fRate = 0.0f;
    double dDuration = 0.0;  // s
    bool bHold = false;
    int nScans = 0;
};

// At most 100 rows; "hold" ends the method with its row.
std::vector<MethodRow> readMethodRows(FILE* f) {
    std::vector<MethodRow> rows;
    std::string l[6];
    while (rows.size() < 100) {
        int nRead = 0;
        while (nRead < 6 && readTextLine(f, l[nRead])) ++nRead;
        const bool bComplete = nRead == 6;
        // The last row may lack the line break of its sixth line.
        if (nRead < 5) break;
        MethodRow row;
        row.fSpeed = static_cast<float>(std::atof(l[0].c_str()));
        row.fRate = static_cast<float>(std::atof(l[1].c_str()));
        const char* d = l[2].c_str();
        while (*d == ' ' || *d == '\t') ++d;
        if (std::strncmp(d, "hold", 4) == 0) {
            row.bHold = true;
        } else {
            int h = 0, m = 0;
            std::sscanf(d, "%d:%d", &h, &m);
            row.dDuration = h * 3600.0 + m * 60.0;
        }
        row.nScans = std::atoi(l[4].c_str());
        rows.push_back(row);
        if (row.bHold || !bComplete) break;
        for (std::string& line : l) line.clear();
    }
    return rows;
}

}  // namespace

bool createSpeedStepsFromEqu(CRotorSpeedProfile* pProfile, const char* szMethodPath) {
    FILE* f = win::fopenMapped(szMethodPath, "r");
    if (!f) {
        std::string msg = std::string("\n\aAttention: could not open ") + szMethodPath;
        showErrorMessage(msg.c_str(), 0);
        return false;
    }
    const std::vector<MethodRow> rows = readMethodRows(f);
    std::fclose(f);
    if (rows.empty()) return false;

    StepList steps;
    steps.Add(0.0f, rows[0].fSpeed, rows[0].fRate);
    double dRunning = rows[0].dDuration;
    float fCycle = 0.0f;
    if (rows.size() > 1 && rows[1].fSpeed != rows[0].fSpeed && rows[0].nScans > 0) {
        if (!inputFloat(&fCycle, 90.0f, true, "scan cycle time (sec)", "CREATE SPEEDSTEPS from EQU")) return false;
        dRunning += rows[0].nScans * fCycle;
    }
    for (size_t j = 1; j < rows.size(); ++j) {
        const MethodRow& row = rows[j];
        if (row.fSpeed == rows[j - 1].fSpeed) {
            dRunning += row.dDuration;
            continue;
        }
        steps.Add(static_cast<float>(dRunning), row.fSpeed, row.fRate);
        dRunning += row.dDuration - row.nScans * fCycle;
        if (j + 1 < rows.size() && rows[j + 1].fSpeed != row.fSpeed) dRunning += rows[j + 1].nScans * fCycle;
    }
    pProfile->SetSteps(steps.Count(), steps.start.data(), steps.rpm.data(), steps.rate.data());
    return steps.Count() > 0;
}

bool convertEquMethodToSpeedSteps(const char* szMethodPath, const char* szOutputPath) {
    CRotorSpeedProfile profile;
    if (!createSpeedStepsFromEqu(&profile, szMethodPath)) return false;
    return profile.Save(szOutputPath);
}

bool exportSpeedStepsMethodRows(const char* szProfilePath, const char* szMethodPath, float fScanTime,
                                int nScansPerRow, int nScansLastStep, int nMaxScans, int bReimport) {
    CRotorSpeedProfile profile;
    profile.Load(szProfilePath);
    if (profile.nSteps < 1) return false;
    return profile.WriteMethodRows(szMethodPath, fScanTime, nScansPerRow, nScansLastStep, nMaxScans, bReimport);
}

void TXLAWindow::CmShowRotorSpeedPlot() {
    CRotorSpeedProfile* p = pRotorSpeedProfile;
    const int nCurve = p ? p->GetRpmCurveSize() : 0;
    if (nCurve < 1 && nScans < 1) return;
    // The profile's polyline and the scans' speeds, each as a copy, so the
    // plot outlives a replaced profile.
    releaseResultArrays();
    nAuxArrayLength = std::max(std::max(nCurve, nScans), 1);
    pAuxArray1 = vector(1, nAuxArrayLength);
    pAuxArray2 = vector(1, nAuxArrayLength);
    pAuxArray3 = vector(1, nAuxArrayLength);
    pAuxArray4 = vector(1, nAuxArrayLength);
    for (int j = 1; j <= nCurve; ++j) {
        pAuxArray1[j] = p->curveTime[j];
        pAuxArray2[j] = p->curveRpm[j];
    }
    for (int t = 1; t <= nScans; ++t) {
        const ScanHeader& h = pScanHeaders[pScanTimeOrder[t]];
        pAuxArray3[t] = static_cast<float>(h.time);
        pAuxArray4[t] = h.rpm;
    }
    pAuxPlot = new CWINPlot;
    pAuxPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    auto addCurve = [](float* pX, float* pY, int n, CVector*& vx, CVector*& vy, CCurve*& curve, win::COLORREF cr,
                       int nStyle, const char* szName) {
        vx = new CVector;
        vx->Attach(pX, static_cast<unsigned>(n), 1);
        vy = new CVector;
        vy->Attach(pY, static_cast<unsigned>(n), 1);
        curve = new CCurve(vx, vy);
        pAuxPlot->AddCurve(curve);
        const int k = pAuxPlot->nCurves - 1;
        pAuxPlot->SetCurveColor(k, cr);
        pAuxPlot->SetCurveStyle(k, nStyle);
        pAuxPlot->SetCurveName(k, szName);
    };
    if (nCurve > 0)
        addCurve(pAuxArray1, pAuxArray2, nCurve, pAuxVector1, pAuxVector2, pAuxCurve1, win::RGB(0, 0, 255), -1,
                 "rotor speed profile");
    if (nScans > 0)
        addCurve(pAuxArray3, pAuxArray4, nScans, pAuxVector3, pAuxVector4, pAuxCurve2, win::RGB(255, 0, 0), 1, "scans");
    pAuxPlot->SetXLabel("time [sec]");
    pAuxPlot->SetYLabel("rotor speed [rpm]");
    pAuxPlot->Rescale();
    pAuxPlot->Draw();
    bAuxPlotShown = 1;
    InvalidateUnlessBatch();
}
