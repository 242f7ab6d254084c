// Rotor-speed profiles: the speed steps of a run ("speedsteps.txt" beside the
// data), which the Lamm solvers follow and the loaders check the scans against.
#pragma once

#include "scandata/scan_header.h"

class CRotorSpeedProfile {
public:
    CRotorSpeedProfile();
    ~CRotorSpeedProfile();
    CRotorSpeedProfile(const CRotorSpeedProfile&) = delete;
    CRotorSpeedProfile& operator=(const CRotorSpeedProfile&) = delete;

    // Writes the steps as "%f\t%f\t%f\n" lines; fileName := path.
    bool Save(const char* szPath);
    // Reads, validates and repairs the steps; returns bMultiStep.
    bool Load(const char* szPath);
    // Validates the ramps (each must end before the next step starts) and,
    // with bFix, moves late steps out; true when the profile is valid.
    bool FixFile(bool bFix);
    // True when every scan lies after its step's ramp at its step's speed.
    bool CheckScans(int n, const ScanHeader* pHeaders);

    char* fileName;               // 260-byte buffer
    char message[260];
    float* curveTime;
    float* curveRpm;
    int curveSize;
    unsigned char bMultiStep;
    int nSteps;
    float* stepStart;             // s, 1..nSteps
    float* stepRpm;               // rpm
    float* stepRate;              // rpm/s, positive; 0 is invalid
    int mode;

private:
    void FreeSteps();
    float RampTime(int k) const;
};
