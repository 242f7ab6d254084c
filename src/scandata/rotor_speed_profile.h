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
    // Replaces the steps by n steps of the one-based arrays; returns bMultiStep.
    bool SetSteps(int n, const float* pStart, const float* pRpm, const float* pRate);
    // Copies steps, multi-step flag, mode and file name.
    void CopyFrom(const CRotorSpeedProfile& other);
    // Speed of the last step (0 without steps).
    float GetFinalRpm() const;
    // True when every scan lies after its step's ramp at its step's speed.
    bool CheckScans(int n, const ScanHeader* pHeaders);
    // Load, then CheckScans.
    bool LoadAndCheck(const char* szPath, int n, const ScanHeader* pHeaders);
    // Load from the profile's own file again.
    bool Reload();

    // The rpm-versus-time polyline: (0, 0), the end of the first ramp, the
    // start and end of every further ramp, and a point 600 s after the last.
    void BuildRpmCurve();
    // One-based polyline arrays and their length; built when missing.
    float* GetRpmCurve();
    float* GetRpmCurveRpm();
    int GetRpmCurveSize();

    // Speeds that keep the rotor's stretch constant: each speed w becomes
    // floor(w sqrt(a / (a - 1e-6 b w^2))); then Save(path).
    void RescaleSpeeds(float a, float b, const char* szPath);

    // Writes the profile as an instrument method of 100 six-line rows to
    // szMethodPath and a readable table "MethodRows.txt" beside it; with
    // bReimport the method is converted back into "speedsteps.txt" there.
    bool WriteMethodRows(const char* szMethodPath, float fScanTime, int nScansPerRow, int nScansLastStep,
                         int nMaxScans, int bReimport);

    char* fileName;               // the whole path of the file last read or written
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
    void SetFileName(const char* szPath);
    void FreeSteps();
    void FreeCurve();
    float RampTime(int k) const;
};

class TXLAWindow;

// Builds the profile of the loaded scans: a step wherever the speed changes,
// its start found from the scans' times and omega squared t around the change
// for a linear ramp at the given rates (rpm/s). With more than one step the
// profile replaces pRotorSpeedProfile and is saved as "speedsteps.txt" beside
// the data; returns bUsingSpeedSteps. A rate of 0 for a ramp the scans need
// makes no profile (said in an error box) and changes nothing.
bool createSpeedStepsFile(float fAcceleration, float fDeceleration);

// Loads and checks "speedsteps.txt" for the Lamm settings: the one the
// program wrote into the side-file folder (szSideFileFolder) when it is
// there, else the one in the loaded scans' directory; returns
// bUsingSpeedSteps.
bool checkSpeedStepsForLammParams();

// A profile of two steps, (0, w1, rate) and (t2, the header's speed, rate),
// saved as "speedsteps.txt" in the loaded scans' directory, or in the
// side-file folder when one is set (the unattended run's results folder: the
// run never writes the data folder).
void createTwoStepSpeedSteps(float t2, float w1, const ScanHeader* pHeader, float fRate);
// The same profile as the simulation asks for it: a low-speed phase at fRpm0
// lasting fDuration s (speedStepStartTime), then the ramp to the scan's speed.
inline void readSpeedStepsForSim(float fDuration, float fRpm0, const ScanHeader* pHeader, float fAcceleration) {
    createTwoStepSpeedSteps(fDuration, fRpm0, pHeader, fAcceleration);
}

// The start of a linear ramp from w0 at rate a (rpm/s) that gives the scan's
// recorded time and omega squared t.
float speedStepStartTime(float w0, float a, const ScanHeader* pHeader);

// Reads the steps of an instrument method file into the profile; false when
// no step results or the scan cycle time was not given.
bool createSpeedStepsFromEqu(CRotorSpeedProfile* pProfile, const char* szMethodPath);
// Method file -> speed-steps file.
bool convertEquMethodToSpeedSteps(const char* szMethodPath, const char* szOutputPath);
// Speed-steps file -> method file (the arguments of WriteMethodRows).
bool exportSpeedStepsMethodRows(const char* szProfilePath, const char* szMethodPath, float fScanTime,
                                int nScansPerRow, int nScansLastStep, int nMaxScans, int bReimport);
