// The two fringe-jump tools of interference data (mouse actions).
//
// A fringe jump shifts an interference scan by a whole number of fringes from
// some radius on; after a fit it shows as a step in the residuals. The
// single-scan tool places up to three jumps on one scan and adds them to its
// signal; the all-scans tool compares the residuals on both sides of one
// radius in every scan and takes off whole fringes where they differ by more
// than half a fringe. Both change the loaded signals only; files change when
// the user saves.
#pragma once

#include "scandata/mouse_actions.h"

class CAdHocPlot;

// Points shown around the cursor by the single-scan tool (default 41).
extern int nFringeJumpWindowPoints;
// Distance (cm) on each side of the clicked radius at which the all-scans
// tool compares the residuals (default 0.003); kept for the run.
extern float fScratchJumpCheckDistance;

// One scan, up to three jump points. A jump (r, d, j) adds j to the points at
// x > r when d > 0 and at x < r when d < 0; d = 0 shifts nothing. Jumps 2 and
// 3 take part only when their radius is above 0. Directions and sizes carry
// over from one use of the tool to the next; radii and focus do not.
class CMouseAction_FixPointScanFringeJump : public CMouseAction {
public:
    CMouseAction_FixPointScanFringeJump();
    ~CMouseAction_FixPointScanFringeJump() override;

    void Start() override;
    void Finish() override;
    void Cancel() override;
    bool LButtonDown(const win::POINT& point) override;
    bool KeyDown(win::UINT key, win::UINT repeatCount, win::UINT flags) override;

    double cursorRadius = 0.0;
    double jumpRadius1 = 0.0;
    double cursorDirection = -1.0;
    double jumpDirection1 = -1.0;
    double cursorJump = -1.0;        // fringes
    double jumpSize1 = -1.0;
    int cursorPoint = 0;             // 1-based point of the scan
    int scan = 0;                    // 0 = none picked
    float* workSignal = nullptr;     // 1..nPoints
    float* workResidual = nullptr;
    int nPoints = 0;
    float* winResidual = nullptr;    // 1..windowPoints
    float* winResidualCorrected = nullptr;
    float* winSignal = nullptr;
    float* winSignalCorrected = nullptr;
    float* winRadius = nullptr;
    float* markerX1 = nullptr;       // 1..2
    float* markerY1 = nullptr;
    int focus = 1;                   // the jump the cursor edits
    double jumpRadius2 = 0.0;
    double jumpRadius3 = 0.0;
    double jumpDirection2 = -1.0;
    double jumpDirection3 = -1.0;
    double jumpSize2 = -1.0;
    double jumpSize3 = -1.0;
    float* markerX2 = nullptr;
    float* markerY2 = nullptr;
    float* markerX3 = nullptr;
    float* markerY3 = nullptr;
    int windowPoints = 0;            // size of the window arrays; 0 = none
    int windowUsed = 0;              // points of the current window (a short scan has fewer)

    // The jumps added to the working copies ('1', '2', '3').
    void ApplyToWorkingCopies();
    // The jumps added to the measured signal of scan nScan (1..nScans).
    void ApplyToScan(int nScan) const;

private:
    void ReleaseArrays();
    // Fresh working copies of the scan's signal and residuals.
    void TakeScan(int nScan);
    void PickScan(const win::POINT& point);
    void Recompute();
    void Draw();
    // 'N' and 'P': offer to apply, then the neighbouring scan.
    void MoveToScan(int nNext);
};

// Every scan compared at one radius; one fringe taken off (or added to) the
// outer part of each scan whose residuals differ by more than half a fringe.
class CMouseAction_FixScratchJump : public CMouseAction {
public:
    CMouseAction_FixScratchJump() = default;
    ~CMouseAction_FixScratchJump() override;

    void Start() override;
    void Finish() override;
    void Cancel() override;
    bool LButtonDown(const win::POINT& point) override;
    bool KeyDown(win::UINT key, win::UINT repeatCount, win::UINT flags) override;

    double jumpRadius = 0.0;
    int* outerPoint = nullptr;       // first point beyond jumpRadius + d; 1..nScans
    int* innerPoint = nullptr;       // last point below jumpRadius - d
    float* outerResidual = nullptr;
    float* innerResidual = nullptr;
    float* outerCorrected = nullptr;
    float* innerCorrected = nullptr;
    float* scanNumber = nullptr;     // entry k holds k
    float meanOuter = 0.0f;
    float meanInner = 0.0f;
    int nAllocated = 0;              // length of the arrays; 0 = none

    // True when scan i's compared points both lie inside the scan; a scan
    // without such points takes no part in the comparison or the correction.
    bool Compared(int i) const;
    // The whole-fringe correction the tool proposes for scan i: -1, 0 or +1.
    int Correction(int i) const;

private:
    void ReleaseArrays();
    // Reads the residuals at the compared points and proposes the corrections.
    void Compare();
    bool LocateJump(const win::POINT& point);
    void ApplyToScans();
    void Draw();
    void WriteDistance(const char* szFormat);
};
