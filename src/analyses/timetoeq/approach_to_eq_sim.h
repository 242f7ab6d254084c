// CApproachToEqSim: one sedimentation-equilibrium experiment simulated from
// its start until the profile comes close enough to equilibrium, for one or
// two non-interacting species, at constant speed or under a list of speed
// steps.
//
// The object makes its own synthetic scan set (a scan every fScanInterval
// seconds, radii every fRadialStep cm from the meniscus, the last radius on
// the bottom), computes the equilibrium profile at the final speed as the
// target, solves the Lamm equation of every species with the list runner of
// the solver object, and measures after every scan how far the total profile
// still is from the target: its rms and largest deviation between the fit
// limits. Everything is per unit loading: the target integrates to
// (b^2 - m^2) / 2 over r dr, as the uniform loading of 1 does.
//
// Calling order: construct, Setup, SetInitialDistribution (when the loading
// is not uniform), optionally SetTimeCompression and SetSpeedSteps, Run,
// Analyse, then the writers. Run may be repeated after new steps. Arrays are
// 1-based (numerics/nrutil.h) and owned by the object.
#pragma once

#include "scandata/scan_header.h"

class CRotorSpeedProfile;
class CLammIdeal;
class CVector;
class CCurve;
class TXLAWindow;

// The synthetic experiment's scans, one every kApproachToEqScanInterval
// seconds, at most kMaxApproachToEqScans of them: 10000 h, beyond any
// equilibrium worth simulating, in some 20 MB per scan array of the default
// column.
constexpr float kApproachToEqScanInterval = 1800.0f;
constexpr int kMaxApproachToEqScans = 20000;

// The number of scans of a simulation of fDurationHours at one scan every
// fInterval seconds: the scan times i x interval, i = 0, 1, ..., below the
// duration, at least 1 (so a duration shorter than one interval gives one
// scan). 0 for a programme beyond kMaxApproachToEqScans scans or a duration
// that is no number.
int approachToEqScanCount(float fDurationHours, float fInterval);
// Whether a simulation of fDurationHours fits into the scan arrays; when it
// does not, an error box says so with the limit.
bool approachToEqDurationFits(float fDurationHours);

class CApproachToEqSim {
public:
    CApproachToEqSim();
    ~CApproachToEqSim();
    CApproachToEqSim(const CApproachToEqSim&) = delete;
    CApproachToEqSim& operator=(const CApproachToEqSim&) = delete;

    // Geometry, species and the synthetic experiment. Reversed limits are
    // swapped, a left limit inside the meniscus becomes meniscus + 0.01, a
    // right limit beyond the bottom bottom - 0.05. False, with the object as
    // it was, for a duration of more scans than the arrays are made for
    // (approachToEqScanCount).
    bool Setup(TXLAWindow* window, float fDurationHours, float fBottomIn, float fMeniscusIn, float fRightLimitIn,
               float fLeftLimitIn, int nSpeciesIn, const float* pFractionsIn, const float* pSIn, const float* pDIn,
               float fVbarIn, float fTemperatureIn, float fFinalRpmIn);
    // The initial profiles per species and the initial-phase record: the
    // equilibrium at fRpm, a step at fStepRadius, the given curves
    // (bUseGiven: nProfiles curves on pGivenRadii, pGivenProfiles[k] for
    // species k, nGivenPoints points each), or the history of the loaded
    // data over fHistoryDuration s (pHistory: its speed profile). False
    // without radii or when the given curves do not match the species.
    bool SetInitialDistribution(float fRpm, int nProfiles, int nGivenPoints, float* pGivenRadii,
                                float** pGivenProfiles, bool bUseGiven, const CRotorSpeedProfile* pHistory,
                                float fHistoryDuration, float fStepRadius);
    // loading x the profile the history of the loaded data leaves (the
    // initial-phase record as a one-scan set); a new float[1..radial points].
    float* SimulateHistoryProfile(float fLoading, double s, double D);
    void SetSpeedSteps(int n, const float* pStart, const float* pRpm, const float* pRate, int nMode);
    // Off for a factor below 1 or a break time <= 0.
    void SetTimeCompression(float fFactor, float fBreakTime);
    void CompressTimes();
    void RestoreTimes();
    // True when the solver reported no error.
    bool Run();
    void Analyse(float fThresholdRmsd, float fThresholdDeviation);
    // The integral of r c(r) dr over the radial grid for c linear between the
    // radii; 0 for a null profile.
    float RadialIntegral(const float* c) const;
    // The largest value at the last radius over all total scans over the
    // target's value there.
    float BottomOverconcentration() const;
    void CopyFrom(const CApproachToEqSim& other);

    // ---- result files (approach_to_eq_files.cpp)
    // "%f\t%f\t%f\n" per scan 1..n-1: hours, rms and largest deviation, into
    // the folder of the result path.
    void WriteDeltaEqFile(const char* szResultPath, const char* szName);
    // The steps, the last line without a line end.
    void WriteSpeedSteps(const char* szPath, bool bNotepad);
    // "<name>_rpmtimecourse<ext>": the corner points (hours, rpm).
    void WriteRpmTimeCourse(const char* szPath, bool bNotepad);
    // "00001.R00"..., "eq.R00", "initial%d.R00", "initial_speedsteps.txt".
    void WriteScanFiles(const char* szResultPath);
    // The steps as an instrument method beside the result path (extension EQU).
    void WriteEquMethod(const char* szResultPath, float fScanCycle, int nTemperature, int nFinalScans,
                        int nScansPerStep, int bFlag);
    // 2n + 1 corner points of the speed steps in hours; the optional vectors
    // view the arrays and the curve joins them. Nothing without the first
    // three out pointers.
    void BuildRpmPolyline(int* pnPoints, float** ppTimes, float** ppSpeeds, CVector** ppTimeVector,
                          CVector** ppSpeedVector, CCurve** ppCurve);

    // ---- data, in the order of the record
    float fScanInterval = kApproachToEqScanInterval;  // s
    float fRadialStep = 0.002f;     // cm
    int nScans = 0;
    float fTimeCompression = 1.0f;
    float fCompressionBreak = 0.0f;   // s
    float fCompressedBreak = 0.0f;    // s
    unsigned char bCompression = 0;
    int nRadialPoints = 0;
    int nFirstFitIndex = 0;
    int nLastFitIndex = 0;
    float* pRadii = nullptr;          // [1..nRadialPoints]
    float* pTarget = nullptr;         // [1..nRadialPoints]
    float** ppTotalScans = nullptr;   // [1..nScans][1..nRadialPoints]
    float** ppInitialProfiles = nullptr;  // [1..nSpecies], each null or [1..nRadialPoints]
    float*** pppSpeciesScans = nullptr;   // [1..nSpecies][1..nScans][1..nRadialPoints]
    int* pScanOrder = nullptr;        // 1..nScans
    ScanHeader* pScanRecords = nullptr;   // [1..nScans]
    ScanHeader* pInitialRecord = nullptr; // two records, [1] used
    CRotorSpeedProfile* pHistoryProfile = nullptr;
    float fInitialDuration = 0.0f;    // s
    TXLAWindow* pWindow = nullptr;
    float fLeftLimit = 0.0f;
    float fRightLimit = 0.0f;
    float fMeniscus = 6.75f;
    float fBottom = 7.2f;
    float fVbar = 0.73f;
    float fTemperature = 4.0f;
    float fFinalRpm = 10000.0f;
    int nSpecies = 1;
    double* pFractions = nullptr;     // [1..nSpecies]
    double* pS = nullptr;             // S
    double* pD = nullptr;             // cm^2/s
    int nSolverError = 0;
    int nGridParameter = 80;
    float fRmsdThreshold = 0.001f;
    float fRmsdTime = -1.0f;          // s
    float fDevThreshold = 0.001f;
    float fDevTime = -1.0f;           // s
    float* pScanTimes = nullptr;      // s, [1..nScans]
    float* pScanHours = nullptr;
    float* pMaxDeviation = nullptr;
    float* pRmsDeviation = nullptr;
    int nDevIndex = 1;
    int nRmsdIndex = 1;
    unsigned char bSpeedSteps = 0;
    int nSteps = 0;
    float* pStepStart = nullptr;      // s, [1..nSteps]
    float* pStepRpm = nullptr;
    float* pStepRate = nullptr;       // rpm/s
    int nStepMode = 0;
    unsigned char bExponential = 1;
    float* pParams = nullptr;         // the parameter vector that made the steps, [1..nParams]
    int nParams = 0;

private:
    void FreeArrays();
    void FreeResults();
    // A solver for one species configured on the given scans.
    CLammIdeal* NewSolver(double s, double D, ScanHeader* pHeaders, float** ppOut, int* pOrder, int nScansOut);
};

// omega^2 t of a record that accelerated from rest at 280 rpm/s: the ramp
// branch (time below the acceleration time) sets the acceleration time to the
// time and, unless bKeepSpeed, the speed to 280 x time.
void approachToEqOmega2t(ScanHeader* pHeader, bool bKeepSpeed);
