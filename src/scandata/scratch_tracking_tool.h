// The scratch-tracking tool (a mouse action): follows a sharp feature of the
// time-invariant noise, such as a scratch on a window, through the scans.
//
// A click on the data plot takes a narrow window of the noise grid around the
// clicked radius and finds, for every scan, the radial shift that makes all
// scans agree best once each scan's own offset and slope are taken off (a
// downhill-simplex search with random restarts, stopped by a key). 'y' keeps
// the result, 'n' drops it; Return saves the kept scratches to a ".scratch"
// file and plots their shifts against their slopes.
#pragma once

#include "scandata/mouse_actions.h"

// Settings, kept for the run.
extern float fTrackScratchWindowWidth;   // cm, default 0.01
extern float fTrackScratchRandomShift;   // cm, spread of the start simplex, default 0.002
extern float fTrackScratchRmsdPrecision; // asked and kept, default 0.001

class CMouseAction_TrackScratch : public CMouseAction {
public:
    CMouseAction_TrackScratch() = default;
    ~CMouseAction_TrackScratch() override;

    void Start() override;
    void Finish() override;
    void Cancel() override;
    bool LButtonDown(const win::POINT& point) override;
    bool KeyDown(win::UINT key, win::UINT repeatCount, win::UINT flags) override;

    // --- the window of one click (noise-grid indices)
    int windowStart = 0;
    int windowEnd = 0;
    int windowPoints = 0;            // n, odd, 1..101; 0 = no window set up
    int halfWindow = 0;              // (n - 1) / 2
    double* windowRadius = nullptr;  // X[1..n]
    double meanRadius = 0.0;
    double* centredRadius = nullptr; // X[k] - meanRadius
    double sumSquares = 0.0;

    // --- shifts, 1..nScans (scan 1 fixed at 0)
    double* shift = nullptr;
    double* bestShift = nullptr;

    // --- the local model for the current shifts
    double** shiftedRadius = nullptr; // [scan][k]
    double** shiftedValue = nullptr;
    double* rowMean = nullptr;
    double* columnMean = nullptr;
    double grandMean = 0.0;
    double** residual = nullptr;
    double* slope = nullptr;
    double figure = 0.0;
    double* columnMeanCentred = nullptr;
    double* intercept = nullptr;
    double** linearModel = nullptr;
    double* displacementRadius = nullptr; // by time position
    double* displacementValue = nullptr;
    float* relativeSlope = nullptr;       // by time position
    float* relativeShift = nullptr;

    double randomSigma = 0.002;
    double simplexTolerance = 0.001;
    double maxShift = 0.1;                // cm

    // --- the store of kept scratches (at most maxScratches - 1 are filled)
    int maxScratches = 100;
    int nScratches = 0;
    int* scratchGridIndex = nullptr;      // 1..maxScratches
    float** scratchShift = nullptr;       // [scratch][time position]
    float** scratchSlope = nullptr;
    float** scratchShiftByScan = nullptr; // [time position][scratch], for the summary plot
    float** scratchSlopeByScan = nullptr;

    // The figure of merit for shifts s[1..nScans] (fills the model arrays):
    // 1000 x the sum of squares left after row and column means and per-scan
    // slopes, over sqrt(scans x window points).
    double Figure(const double* s);
    // Scratches whose results are stored (a 'y' on a full store counts
    // without storing).
    int StoredScratches() const;

private:
    int nClickScans = 0;   // scans the window arrays were made for
    int nStoreScans = 0;   // scans the store was made for
    bool bResult = false;  // the last click was examined: there is a result to keep
    long nEvaluations = 0;

    void ReleaseWindow();
    void ReleaseStore();
    void SetUpWindow();
    bool Examine(const win::POINT& point);
    void OptimizeShifts();
    // One downhill-simplex search around bestShift; the best vertex found
    // and its figure. False when the search failed or was stopped.
    bool RunSimplex(double* pBestVertex, double* pdBestFigure);
    void ShowResult(double dClickRadius);
    void WriteResultFiles() const;
    void StoreResult();
    void SaveScratchFile();
    void DrawSummary();
};
