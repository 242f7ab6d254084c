// The M* transformation screens of sedimentation-equilibrium data.
//
// In equilibrium data mode every loaded scan is one data set. The screens put
// four plots in place of the data plot, for all sets at once:
//   A  signal against radius (with the meniscus and bottom extrapolation
//      ranges and the extrapolated signal at the meniscus),
//   B  M*(r) and its extrapolation to the cell bottom (Mwavg),
//   C  ln(c - baseline) against r^2 with its smoothed copy and straight line,
//   D  the apparent weight-average molar mass Mwapp, against the total
//      signal or against radius,
// and a row of screen buttons that carry the controls and the result labels
// of every set. Optionally the noisy data near the meniscus and the
// derivatives are replaced by those of a fitted c(M) distribution.
//
// The state is program-wide and owned here (MStarScreen); the per-set arrays
// live from the build of plot A to its release. M is in g/mol inside the
// formulas and in kDa in every stored and shown result.
#pragma once

class TXLAWindow;
class CWINPlot;
class CScreenButton;
class CVector;
class CCurve;

// ---------------------------------------------------------------- settings and flags (MStarScreen)
extern unsigned char bMStarMode;            // the screens are up
extern unsigned char bMStarAllSets;         // set and cleared with bMStarMode
extern unsigned char bMStarCMSmoothing;     // c(M)-based smoothing is on
extern unsigned char bMStarAskCMSmoothing;  // entering may ask "use c(M) smoothing?"
extern unsigned char bMStarAskMwRange;      // mStarSettings asks the molar-mass range
extern unsigned char bMStarArraysRenewed;   // the per-set arrays were replaced
extern unsigned char bMwappVsSignal;        // plot D against the total signal (else radius)
extern unsigned char bMwappFromDcDr;        // Mwapp from (1/2)(1/(c r)) dc/dr (else dlnc/dr^2)
extern unsigned char bMeniscusSignalFixed;  // the meniscus signals were entered by hand
extern unsigned char bMStarDragA;           // a right-button drag sets the meniscus range
extern unsigned char bMStarDragB;           // a right-button drag sets the bottom range
extern int bNegativeMStar;                  // some M* came out negative
extern int nLnCSmoothHalfWidth;             // points left and right (shown as tenths of a %)
extern int nLnCSmoothOrder;                 // Savitzky-Golay order, 1 = moving average
extern int nMeniscusExtrapOrder;            // polynomial order of the signal extrapolations
extern int nMwappSmoothHalfWidth;           // moving average on Mwapp, points left and right
extern int nBottomExtrapOrder;              // polynomial order of M* to the bottom

// Radius ranges [1..2] of the two extrapolations, lower end first; made with
// plot A, drawn as bands in plots A and B.
extern float* meniscusFitRange;
extern float* bottomFitRange;
extern CVector* pMeniscusFitRangeVec;
extern CVector* pBottomFitRangeVec;

// The data plot and its band while plot A stands in for it.
extern CWINPlot* pSavedDataPlot;
extern int nSavedPlotTop;
extern int nSavedPlotBottom;

extern CWINPlot* pMStarPlotA;
extern CWINPlot* pMStarPlotB;
extern CWINPlot* pMStarPlotC;
extern CWINPlot* pMStarPlotD;
extern float mStarYMin;                     // y range of plot B
extern float mStarYMax;

// Screen buttons 1..nMStarButtons (a slot is null where its button is not
// shown): 1-8 the controls, then per set i of n: nMStarButtonBase + i Mwavg,
// + n + i line fit, + 2n + i baseline, + 3n + i meniscus signal; 4n + 9 the
// x axis of plot D.
extern CScreenButton** pMStarButtons;
extern int nMStarButtons;
extern int nMStarButtonBase;                // 8

// ---------------------------------------------------------------- per-set data (MStarSetData)
// A float array 1..n of one set with the view a plot draws it through; the
// view follows the array when it is made anew.
struct MStarColumn {
    float* p = nullptr;
    int n = 0;
    CVector* pVec = nullptr;
};

struct MStarSetData {
    int nPts = 0;                 // points after the extension to meniscus and bottom
    int padFront = 0;             // points added in front
    int firstIdx = 0;             // first fit-limit point + padFront
    int lastIdx = 0;              // last fit-limit point (not shifted)
    int meniscusIdx = 0;          // nearest point to the meniscus, counted from 0
    int bottomIdx = 0;            // nearest point to the bottom, counted from 0
    float kFactor = 0;            // (1 - vbar rho) omega^2 / (2 RT)
    float meniscusSignal = 0;     // signal above the baseline at the meniscus (A0, or Ja)
    float mwLnFit = 0;            // kDa, from the line through ln c
    float mwAvg = 0;              // kDa, M* at the bottom

    // nPts points each
    MStarColumn setSignal, setRadius, setRadiusX, cmFitSignal, cleanSignal;
    MStarColumn mStarR, mStarCM, rSquared, radiusLin, lnC, lnCSmooth, cNet, cNetSmooth, lnCLineFit, lnCCM;
    MStarColumn mwAppR, mwAppDcDr, mwAppCM;
    // 100-point grids and their curves, and the marks
    MStarColumn baselineGrid, baselineLine, meniscusGrid, meniscusCurve, bottomGrid, bottomCurve;
    MStarColumn meniscusMarkX, meniscusMarkY;  // 1 point
    MStarColumn mwAvgMarkX, mwAvgMarkY;        // 1 point

    // curves (the plots do not own them)
    CCurve* pSignalCurve = nullptr;
    CCurve* pCMFitCurve = nullptr;
    CCurve* pBaselineCurve = nullptr;
    CCurve* pMeniscusCurve = nullptr;
    CCurve* pMeniscusMarkCurve = nullptr;
    CCurve* pBottomCurve = nullptr;
    CCurve* pMwAvgMarkCurve = nullptr;
    CCurve* pMStarCurve = nullptr;
    CCurve* pMStarCMCurve = nullptr;
    CCurve* pLnCCurve = nullptr;
    CCurve* pLnCSmoothCurve = nullptr;
    CCurve* pLnCLineCurve = nullptr;
    CCurve* pLnCCMCurve = nullptr;
    CCurve* pMwappCurve = nullptr;
    CCurve* pMwappCMCurve = nullptr;
};

// Sets 1..nMStarSets; null before the first preparation.
extern MStarSetData* pMStarSets;
extern int nMStarSets;

// Baseline of set i: its radial-invariant offset while those are fitted,
// else the common baseline.
float mStarBaseline(int i);

// ---------------------------------------------------------------- state and screens
// Enters the screens for all sets and computes them.
void mStarSetScreen(TXLAWindow* pWindow);
// Leaves them: the plots, per-set arrays and buttons go, the data plot and its
// band come back.
void mStarFreeScreenPlots(TXLAWindow* pWindow);
// Copies every set, extended to meniscus and bottom; false when c(M)
// smoothing was refused because the data do not reach them (the screens have
// then been rebuilt without it).
bool mStarCheckDataRange(TXLAWindow* pWindow);
// Re-attaches the views and remakes the derived arrays at the new lengths.
void mStarRenewDerivedArrays();
// The plots. A builder releases its plot first; plot A's builder prepares the
// data and reports false when that failed.
bool mStarBuildSignalPlot(TXLAWindow* pWindow);
void mStarBuildMStarPlot(TXLAWindow* pWindow);
void mStarBuildLnCPlot(TXLAWindow* pWindow);
void mStarBuildMwappPlot(TXLAWindow* pWindow);
// Plot A's release also restores the data plot and frees the per-set data.
void mStarFreeSignalPlot(TXLAWindow* pWindow);
void mStarFreeMStarPlot(TXLAWindow* pWindow);
void mStarFreeLnCPlot(TXLAWindow* pWindow);
void mStarFreeMwappPlot(TXLAWindow* pWindow);

// ---------------------------------------------------------------- quantities
// Recomputes every set, the plot ranges and the set labels.
void mStarCompute(TXLAWindow* pWindow);
void mStarExtrapolateMeniscus(int i);
void mStarComputeMStar(int i);
void mStarComputeLnC(int i);
void mStarFitLnCLine(int i);
void mStarComputeMwapp(int i);
void mStarExtrapolateToBottom(int i);
// Limits and ranges kept inside meniscus and bottom, in their order.
void mStarClampRanges();

// ---------------------------------------------------------------- buttons and release
void mStarDrawScreen(TXLAWindow* pWindow);
void mStarDeleteButtons();
// The model-selection reset: plots, ranges and buttons go, the data plot
// comes back; the per-set arrays stay until the next entry.
void mStarFreePlots(TXLAWindow* pWindow);
// The button in slot k, or null.
CScreenButton* mStarButton(int k);

// ---------------------------------------------------------------- input
// A clicked button (its number), or 0: only the recomputation.
void mStarHandleInput(TXLAWindow* pWindow, int nButton);
// A finished right-button drag from xFrom to xTo (client pixels): mode 1 sets
// the meniscus range, mode 4 the bottom range.
void mStarDragExtrapolation(TXLAWindow* pWindow, int nMode, float xFrom, float xTo);

// ---------------------------------------------------------------- c(M) smoothing and hinge point
// Fits the c(M) model to the sets and enters the screens with smoothing on.
void mStarSettings(TXLAWindow* pWindow);
// The moments of the fitted distribution as text lines on the window.
void mStarShowCMStatistics(TXLAWindow* pWindow);
// The loading signal of each set, the hinge radius where the signal first
// exceeds it, Mwapp there, and the hinge lines in the plots.
void mStarHingePointInfo(TXLAWindow* pWindow);
float mStarLoadingSignal(int i);
float mStarHingeMwapp(int i, float fLoading, float fInterval, float* pfMeanRadius, float* pfStartRadius,
                      float* pfEndRadius);
void mStarDrawHingeLines(TXLAWindow* pWindow, int i, float fLoading, float fMw, float fMeanRadius,
                         float fStartRadius, float fEndRadius);
// True when the program can select the c(M) model and run and fit it, which
// the smoothing needs.
bool mStarCMModelAvailable();
