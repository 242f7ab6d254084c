// Rotor-speed profiles: reading, repair and the check of scans against them.
#include "scandata/rotor_speed_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"

namespace {

void attention(const std::string& text) {
    std::string msg = "\n\a" + text;
    showErrorMessage(msg.c_str(), 0);
}

}  // namespace

CRotorSpeedProfile::CRotorSpeedProfile()
    : fileName(nullptr), message(), curveTime(nullptr), curveRpm(nullptr), curveSize(0),
      bMultiStep(0), nSteps(0), stepStart(nullptr), stepRpm(nullptr), stepRate(nullptr), mode(2) {
    SetFileName("speedsteps.txt");
}

// The path whole, whatever its length: a cut path names another file.
void CRotorSpeedProfile::SetFileName(const char* szPath) {
    const std::string path = szPath ? szPath : "";
    char* p = new char[path.size() + 1];
    std::memcpy(p, path.c_str(), path.size() + 1);
    delete[] fileName;
    fileName = p;
}

CRotorSpeedProfile::~CRotorSpeedProfile() {
    FreeSteps();
    FreeCurve();
    delete[] fileName;
}

void CRotorSpeedProfile::FreeCurve() {
    free_vector(curveTime, 1, curveSize);
    free_vector(curveRpm, 1, curveSize);
    curveTime = curveRpm = nullptr;
    curveSize = 0;
}

void CRotorSpeedProfile::FreeSteps() {
    // The polyline belongs to the steps it was built from.
    FreeCurve();
    free_vector(stepStart, 1, nSteps);
    free_vector(stepRpm, 1, nSteps);
    free_vector(stepRate, 1, nSteps);
    stepStart = stepRpm = stepRate = nullptr;
    nSteps = 0;
}

// Ramp duration of step k: from rest for step 1, else from the previous speed.
float CRotorSpeedProfile::RampTime(int k) const {
    float fFrom = k > 1 ? stepRpm[k - 1] : 0.0f;
    return std::fabs((stepRpm[k] - fFrom) / stepRate[k]);
}

bool CRotorSpeedProfile::Save(const char* szPath) {
    SetFileName(szPath);
    FILE* f = win::fopenMapped(szPath, "w");
    if (!f) {
        attention(std::string("Attention: could not open ") + szPath);
        return false;
    }
    for (int k = 1; k <= nSteps; ++k) std::fprintf(f, "%f\t%f\t%f\n", stepStart[k], stepRpm[k], stepRate[k]);
    std::fclose(f);
    return true;
}

bool CRotorSpeedProfile::Load(const char* szPath) {
    FreeSteps();
    SetFileName(szPath);
    FILE* f = win::fopenMapped(szPath, "r");
    if (!f) {
        attention(std::string("Attention: could not open ") + szPath);
        return false;
    }
    // One step per text line; a line break at the very end starts no line.
    int nLines = 0;
    int nPrev = '\n';
    for (int c; (c = std::fgetc(f)) != EOF; nPrev = c)
        if (nPrev == '\n') ++nLines;
    if (nLines < 1) nLines = 1;
    std::rewind(f);
    stepStart = vector(1, nLines);
    stepRpm = vector(1, nLines);
    stepRate = vector(1, nLines);
    nSteps = nLines;
    char line[100];
    int k = 0;
    while (k < nLines && std::fgets(line, sizeof(line), f)) {
        float a, b, c;
        if (std::sscanf(line, "%f %f %f", &a, &b, &c) != 3) break;
        ++k;
        stepStart[k] = a;
        stepRpm[k] = b;
        stepRate[k] = c;
    }
    std::fclose(f);
    for (int j = 1; j <= nSteps; ++j)
        if (stepRate[j] == 0.0f) {
            FreeSteps();
            attention(std::string("Attention: bad speedstep data in ") + szPath);
            bMultiStep = 0;
            return false;
        }
    FixFile(true);
    bMultiStep = nSteps > 1;
    return bMultiStep;
}

bool CRotorSpeedProfile::FixFile(bool bFix) {
    if (nSteps < 2) return true;
    bool bValid = true;
    for (int k = 1; k < nSteps; ++k) {
        float fRamp = RampTime(k);
        if (stepStart[k + 1] - stepStart[k] < fRamp) {
            bValid = false;
            if (bFix) stepStart[k + 1] = stepStart[k] + fRamp;
        }
    }
    if (!bFix || bValid) return bValid;
    std::string asRead = fileName;
    if (!FixFile(false)) {
        showErrorMessage(("ERROR: rotor speed profile " + asRead + " could not be fixed").c_str(), 0);
        return false;
    }
    std::string fixedName = asRead + "_fixed";
    Save(fixedName.c_str());
    showErrorMessage(("ERROR: rotor speed profile " + asRead + " fixed in " + fixedName).c_str(), 0);
    return true;
}

bool CRotorSpeedProfile::CheckScans(int n, const ScanHeader* pHeaders) {
    if (nSteps < 1) return false;
    for (int i = 1; i <= n; ++i) {
        const double t = pHeaders[i].time;
        const float w = pHeaders[i].rpm;
        if (nSteps == 1) {
            if (!(t > stepStart[1] + RampTime(1))) return false;
            continue;
        }
        int k;
        if (t > stepStart[nSteps])
            k = nSteps;
        else {
            k = 0;
            for (int j = 1; j < nSteps; ++j)
                if (stepStart[j] < t && t <= stepStart[j + 1]) k = j;
            if (k == 0) continue;  // before the first step starts
        }
        bool bTooEarly = k == 1 ? t < stepStart[1] + RampTime(1) + 1.0
                       : k < nSteps ? t + 1.0 < stepStart[k] + RampTime(k)
                                    : t < stepStart[k] + RampTime(k) + 1.0;
        if (bTooEarly) {
            std::snprintf(message, sizeof(message), "inconsistent file %d (t = %f, om = %f) with speed step %d", i,
                          t, static_cast<double>(w), k);
            showErrorMessage(message, 0);
            return false;
        }
        if (std::fabs(w - stepRpm[k]) >= 10.0f) return false;
    }
    return true;
}

bool CRotorSpeedProfile::SetSteps(int n, const float* pStart, const float* pRpm, const float* pRate) {
    FreeSteps();
    if (n > 0) {
        stepStart = vector(1, n);
        stepRpm = vector(1, n);
        stepRate = vector(1, n);
        for (int k = 1; k <= n; ++k) {
            stepStart[k] = pStart[k];
            stepRpm[k] = pRpm[k];
            stepRate[k] = pRate[k];
        }
        nSteps = n;
    }
    bMultiStep = nSteps > 1;
    return bMultiStep;
}

void CRotorSpeedProfile::CopyFrom(const CRotorSpeedProfile& other) {
    if (&other == this) return;
    SetSteps(other.nSteps, other.stepStart, other.stepRpm, other.stepRate);
    bMultiStep = other.bMultiStep;
    mode = other.mode;
    SetFileName(other.fileName);
}

float CRotorSpeedProfile::GetFinalRpm() const { return nSteps > 0 ? stepRpm[nSteps] : 0.0f; }

bool CRotorSpeedProfile::LoadAndCheck(const char* szPath, int n, const ScanHeader* pHeaders) {
    Load(szPath);
    return CheckScans(n, pHeaders);
}

bool CRotorSpeedProfile::Reload() {
    std::string path = fileName;
    return Load(path.c_str());
}

void CRotorSpeedProfile::BuildRpmCurve() {
    FreeCurve();
    if (nSteps < 1) return;
    curveSize = 2 * nSteps + 1;
    curveTime = vector(1, curveSize);
    curveRpm = vector(1, curveSize);
    curveTime[1] = 0.0f;
    curveRpm[1] = 0.0f;
    curveTime[2] = stepRpm[1] / stepRate[1];
    curveRpm[2] = stepRpm[1];
    int j = 2;
    for (int k = 2; k <= nSteps; ++k) {
        ++j;
        curveTime[j] = stepStart[k];
        curveRpm[j] = stepRpm[k - 1];
        ++j;
        curveTime[j] = stepStart[k] + RampTime(k);
        curveRpm[j] = stepRpm[k];
    }
    curveTime[curveSize] = curveTime[curveSize - 1] + 600.0f;
    curveRpm[curveSize] = stepRpm[nSteps];
}

float* CRotorSpeedProfile::GetRpmCurve() {
    if (curveSize == 0) BuildRpmCurve();
    return curveTime;
}

float* CRotorSpeedProfile::GetRpmCurveRpm() {
    if (curveSize == 0) BuildRpmCurve();
    return curveRpm;
}

int CRotorSpeedProfile::GetRpmCurveSize() {
    if (curveSize == 0) BuildRpmCurve();
    return curveSize;
}

void CRotorSpeedProfile::RescaleSpeeds(float a, float b, const char* szPath) {
    for (int k = 1; k <= nSteps; ++k) {
        const float w = stepRpm[k];
        stepRpm[k] = std::floor(w * std::sqrt(a / (a - 1e-6f * b * w * w)));
    }
    FreeCurve();
    Save(szPath);
}

namespace {

// A duration in whole hours and minutes (seconds dropped).
void hoursMinutes(double dSeconds, int* pnHours, int* pnMinutes) {
    long nMinutes = dSeconds > 0.0 ? static_cast<long>(std::floor(dSeconds / 60.0)) : 0;
    *pnHours = static_cast<int>(nMinutes / 60);
    *pnMinutes = static_cast<int>(nMinutes % 60);
}

}  // namespace

bool CRotorSpeedProfile::WriteMethodRows(const char* szMethodPath, float fScanTime, int nScansPerRow,
                                         int nScansLastStep, int nMaxScans, int bReimport) {
    if (nSteps >= 50) {
        scanNoticeBox("too many speed steps", "CALCULATE MINIMUM TIME TO EQ");
        return false;
    }
    if (nSteps < 1) return false;
    const ScanPathParts parts = splitScanPath(szMethodPath);
    const std::string rowsPath = parts.drive + parts.dir + "MethodRows.txt";
    FILE* fm = win::fopenMapped(szMethodPath, "w");
    if (!fm) {
        attention(std::string("Attention: could not open ") + szMethodPath);
        return false;
    }
    FILE* fr = win::fopenMapped(rowsPath.c_str(), "w");
    if (!fr) {
        std::fclose(fm);
        attention("Attention: could not open " + rowsPath);
        return false;
    }

    // Trailing steps at the speed before them change nothing.
    int L = nSteps;
    while (L > 1 && stepRpm[L] == stepRpm[L - 1]) --L;
    // A scan takes whole minutes, at least one.
    const int nScanMinutes = std::max(1, static_cast<int>(std::ceil(fScanTime / 60.0f)));

    int nRows = 0;
    auto methodRow = [&](int nSpeed, int nRate, bool bHold, int h, int m, int nScans) {
        ++nRows;
        std::fprintf(fm, "%d\n%d\n", nSpeed, nRate);
        if (bHold)
            std::fprintf(fm, "hold\n");
        else
            std::fprintf(fm, "%d:%02d\n", h, m);
        std::fprintf(fm, "%d\n%d\n", nScansPerRow, nScans);
        std::fprintf(fm, nRows < 100 ? "NO\n" : "NO");
    };

    // A step must start after the last step written: a step left out for
    // repeating the speed before it does not count, so the next change of
    // speed at its very start is still written.
    int nWritten = 0;
    for (int s = 1; s <= L; ++s) {
        if (s > 1 && (stepStart[s] <= stepStart[nWritten] || stepRpm[s] == stepRpm[s - 1])) continue;
        nWritten = s;
        const int nSpeed = static_cast<int>(std::floor(stepRpm[s]));
        const int nRate = static_cast<int>(std::floor(stepRate[s]));
        // Ramp row: half as long again as the ramp itself.
        const float fFrom = s > 1 ? stepRpm[s - 1] : 0.0f;
        int h, m;
        hoursMinutes(1.5 * std::fabs(stepRpm[s] - fFrom) / stepRate[s], &h, &m);
        const double T = h * 3600.0 + m * 60.0;
        // Steps at this speed after it are left out: the speed holds until the
        // next change (step L always changes it).
        int next = s + 1;
        while (next < L && stepRpm[next] == stepRpm[next - 1]) ++next;
        int nScans;
        if (s < L) {
            double dScans = std::floor((stepStart[next] - stepStart[s] - T) / (nScanMinutes * 1.3 * 60.0));
            nScans = static_cast<int>(std::clamp(dScans, 0.0, static_cast<double>(std::max(nMaxScans, 0))));
        } else {
            nScans = nScansLastStep;
        }
        methodRow(nSpeed, nRate, false, h, m, nScans);
        std::fprintf(fr, "%d\t%d\t%d:%02d\t%d\t%d\n", nSpeed, nRate, h, m, nScansPerRow, nScans);
        // Hold row: the rest of the step, or to the end of the run.
        if (s < L) {
            hoursMinutes(stepStart[next] - stepStart[s] - T, &h, &m);
            methodRow(nSpeed, nRate, false, h, m, 0);
            std::fprintf(fr, "%d\t%d\t%d:%02d\t%d\t0\n", nSpeed, nRate, h, m, nScansPerRow);
        } else {
            methodRow(nSpeed, nRate, true, 0, 0, 0);
            std::fprintf(fr, "%d\t%d\thold\t%d\t0\n", nSpeed, nRate, nScansPerRow);
        }
    }
    while (nRows < 100) methodRow(0, 400, false, 0, 0, 0);
    std::fclose(fm);
    std::fclose(fr);

    if (bReimport) {
        const std::string speedPath = parts.drive + parts.dir + "speedsteps.txt";
        convertEquMethodToSpeedSteps(szMethodPath, speedPath.c_str());
    }
    return true;
}
