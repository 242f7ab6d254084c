// The inputs of the time-to-equilibrium tool: one program-wide record, its
// preferences file "morvexsimappeqparams.ini" in the working folder (41
// values, one "%f" per line, with the side files "_iniduration" and
// "_speedsteps" while the rotor-speed history of the loaded data is to be
// continued), the dialog that edits it and the preparation of a run.
//
// Units as the record holds them: speeds in rpm, rates in rpm/s, times in s,
// radii in cm, s in S, D in cm^2/s, M in g/mol, density in g/ml, viscosity in
// Pa s (the dialog shows it x 10 and the file keeps it as it stands).
#pragma once

#include <cstdint>

#include "platform/win.h"
#include "platform/win_dialog_template.h"

class CRotorSpeedProfile;
class CApproachToEqSim;
class TXLAWindow;

// The number of values of the preferences file.
inline constexpr int nTimeToEqFileValues = 41;

struct TimeToEqParams {
    // ---- the values of the preferences file, in file order (index 0..40)
    float fFinalRpm = 15000.0f;            // 0
    float fInitialRpm = 0.0f;              // 1, 0 = start at rest
    float fAccelerationRate = 280.0f;      // 2
    float fDecelerationRate = 280.0f;      // 3
    float fGridStep = 900.0f;              // 4, time grid of the overspeed phase
    float fOverspeedTime = 30000.0f;       // 5
    float fBottom = 7.2f;                  // 6
    float fMeniscus = 6.75f;               // 7
    float fRightLimit = 7.15f;             // 8
    float fLeftLimit = 6.77f;              // 9, meniscus + 0.02
    int nSpecies = 1;                      // 10
    float fVbar = 0.0f;                    // 11, 0 = the global VBAR
    float fTemperature = 20.0f;            // 12
    float fEpsilon = 0.001f;               // 13, target rmsd / loading signal
    int nParams = 5;                       // 14
    float fMaxOverconcentration = 1.5f;    // 15
    unsigned char bDistribution = 0;       // 16
    unsigned char bExtrapolateData = 0;    // 17
    int nRepeats = 1;                      // 18
    unsigned char bSaveScanFiles = 1;      // 19
    unsigned char bSaveEquMethod = 1;      // 20
    float fDensity = 0.0f;                 // 21, 0 = the buffer's
    float fViscosity = 0.0f;               // 22, 0 = the buffer's
    float fS1 = 4.31f;                     // 23
    float fM1 = 65000.0f;                  // 24
    float fFf01 = 1.4f;                    // 25
    unsigned char bUseFf01 = 1;            // 26, else use s
    unsigned char bSecondSpecies = 0;      // 27
    float fFraction2 = 0.0f;               // 28
    float fS2 = 6.5f;                      // 29
    float fM2 = 130000.0f;                 // 30
    float fVbar2 = 0.0f;                   // 31
    float fFf02 = 1.4f;                    // 32
    unsigned char bUseFf02 = 1;            // 33
    double dD1 = 0.0;                      // 34, stored x 1e7
    double dD2 = 0.0;                      // 35, stored x 1e7
    float fLastOptimizedTime = 0.0f;       // 36, h
    float fQuantum = 1.0f;                 // 37, rounding quantum of the optimiser
    unsigned char bExponential = 1;        // 38
    unsigned char bHistory = 0;            // 39, continue the rpm(t) history of the data
    float fInitialStepRadius = 0.0f;       // 40, 0 = uniform loading

    // ---- not in the file
    float fHistoryDuration = 0.0f;                // s, side file "_iniduration"
    CRotorSpeedProfile* pHistoryProfile = nullptr;  // owned, side file "_speedsteps"
    unsigned char bJustRun = 0;                   // just run a rotor speed params file
    float fSimDurationHours = 0.0f;               // the constant-speed run
    float* pParamVector = nullptr;                // the optimiser's vector 1..nParamVector
    int nParamVector = 0;
    char szParamsFilePath[260] = "";              // the chosen rotor speed params file
    char szSimParamsPath[260] = "";               // "simparams" beside a previous result
    unsigned char bLoaded = 0;                    // the result of the last save
};

extern TimeToEqParams timeToEqParams;

// The global simulation of the time-to-equilibrium simulator commands,
// created at start-up.
extern CApproachToEqSim* pApproachToEqSim;
// 1.1 x the highest speed of the profile the simulator loaded.
extern float fTosePlotRpmScale;

// Result paths: the folder "optimizedoverspeedsteps%d" of the current run and
// the backup folder "backupoptimizedoverspeedsteps%d" of the simulator
// commands, each as the path of the speed-steps file inside it.
extern char szTimeToEqResultPath[260];
extern char szTimeToEqBackupPath[260];

// The values of the file, in file order, and back.
void timeToEqParamsToValues(const TimeToEqParams& p, float* pValues);
// False (record unchanged) when the values cannot run the tool: a zero that
// divides, counts or goes into a logarithm, a column without room, a value
// that is no finite number.
bool timeToEqValuesUsable(const float* pValues);
// A changed parameter count discards the stored parameter vector.
void timeToEqValuesToParams(const float* pValues, TimeToEqParams* p);

// Drops the stored parameter vector (the next run makes one of the new length).
void discardTimeToEqParamVector(TimeToEqParams* p);
// Frees the history profile and the parameter vector and puts every field
// back to its default.
void resetTimeToEqParams(TimeToEqParams* p);

// meniscus = 0.1 sqrt((10 bottom)^2 - V / (0.04164258 x 12 x 0.5)) for a
// filling of V microlitres of the 12 mm centrepiece (cm).
float volumeToMeniscus(float fVolume, float fBottom);

// s from M and f/f0 (or f/f0 from M and s) and D from s and M for species 1
// and, when it is on, species 2, from the record's temperature, density and
// viscosity.
void completeTimeToEqSpecies(TimeToEqParams* p);

// The preferences file: true when the main file was written.
bool SaveSimAppEqParameterPreferences(TXLAWindow* pWindow, const char* szPath);
// True when the main file (and, with the history option, both side files)
// were read. A missing or short file, or one whose values cannot run the
// tool, changes nothing.
bool LoadSimAppEqParameterPreferences(TXLAWindow* pWindow, const char* szPath);
// The side-file path: the file name with the text appended before the extension.
void timeToEqSideFilePath(const char* szPath, const char* szAppend, char* szOut, int nSize);

// ---------------------------------------------------------------- the dialog (template 926)

// The transfer record of TimeToEQPBox, in transfer order.
struct TimeToEqTransfer {
    char szBottom[15];          // 628
    char szMeniscus[15];        // 627
    char szRightLimit[15];      // 616
    char szInitialStep[15];     // 407
    char szInitialRpm[15];      // 612
    char szFinalRpm[15];        // 639
    char szHistoryDuration[15]; // 421
    char szTemperature[15];     // 629
    char szDensity[15];         // 834
    char szViscosity[15];       // 835
    uint32_t bHistoryOff;       // 832
    char szS[15];               // 412
    char szM[15];               // 428
    char szVbar[15];            // 426
    char szFf0[15];             // 413
    uint32_t bUseS;             // 621
    uint32_t bUseFf0;           // 620
    uint32_t bSecondSpecies;    // 615
    char szFraction[15];        // 406
    char szS2[15];              // 405
    char szM2[15];              // 414
    char szVbar2[15];           // 420
    char szFf02[15];            // 427
    uint32_t bUseS2;            // 624
    uint32_t bUseFf02;          // 625
    char szOverconc[15];        // 614
    char szEpsilon[15];         // 617
    char szOverspeedTime[15];   // 643
    char szParams[15];          // 619
    uint32_t bExponential;      // 626
    char szRepeats[15];         // 618
    uint32_t bHistory;          // 924
    uint32_t bSaveScans;        // 623
    uint32_t bSaveEqu;          // 833
    uint32_t bJustRun;          // 640
};

extern TimeToEqTransfer timeToEqTransfer;

class TimeToEQPBox : public win::TDialog {
public:
    TimeToEQPBox(win::TWindow* parent, int resId, TimeToEqTransfer* pTransfer);
    ~TimeToEQPBox() override;
    void SetupWindow() override;
    // The fields in their order; at the first that is no fit number the beep,
    // "Invalid Entry" titled "Input Error", and the dialog stays open.
    bool CanClose() override;

private:
    win::TEdit* Edit(int nId) const;
    bool Checked(int nId) const;
};

// Empties every text and check field of the transfer record.
void initTimeToEqTransfer(TimeToEqTransfer* pTransfer);
// Start-up: reads the preferences file of the working folder, clears the
// "simparams" path and creates the global simulation when there is none.
void initApproachToEq(TXLAWindow* pWindow);
// Frees the global simulation and the record's owned parts (end of the
// program and fresh test states).
void releaseApproachToEq();

// The dialog; true after OK (record completed, backup folder chosen,
// preferences saved), false after Cancel.
bool runTimeToEqParamsDialog(TXLAWindow* pWindow);
// The dialog and the preparations of a run; false after Cancel.
bool prepareTimeToEqRun(TXLAWindow* pWindow);
