// Rotor-speed profiles: reading, repair and the check of scans against them.
#include "scandata/rotor_speed_profile.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"

namespace {

void attention(const std::string& text) {
    std::string msg = "\n\a" + text;
    showErrorMessage(msg.c_str(), 0);
}

}  // namespace

CRotorSpeedProfile::CRotorSpeedProfile()
    : fileName(new char[260]), message(), curveTime(nullptr), curveRpm(nullptr), curveSize(0),
      bMultiStep(0), nSteps(0), stepStart(nullptr), stepRpm(nullptr), stepRate(nullptr), mode(2) {
    std::strcpy(fileName, "speedsteps.txt");
}

CRotorSpeedProfile::~CRotorSpeedProfile() {
    FreeSteps();
    free_vector(curveTime, 1, curveSize);
    free_vector(curveRpm, 1, curveSize);
    delete[] fileName;
}

void CRotorSpeedProfile::FreeSteps() {
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
    std::snprintf(fileName, 260, "%s", szPath);
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
    std::snprintf(fileName, 260, "%s", szPath);
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
        attention("ERROR: rotor speed profile " + asRead + " could not be fixed");
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
