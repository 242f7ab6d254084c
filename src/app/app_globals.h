// Program-wide globals of the main window and the application.
#pragma once

#include "platform/win.h"

class CWINPlot;

extern unsigned char bBatchMode;          // running from command-line parameters
extern char szWindowTitle[512];           // main-window caption buffer
inline constexpr const char* szMainWindowCaption = "Sedimentation Analysis";  // caption without data
extern unsigned char bModelComputed;      // a model result belongs to the loaded data
extern unsigned char bRealtimeUpdate;     // the realtime update of files runs
extern unsigned char bRealtimeError;      // a load error happened during it
extern unsigned char bAutoLoadMultiSpeed; // the multi-speed auto-load runs
extern unsigned char bLoadFromList;       // paint suspended while a load prompt is open
extern unsigned char bWindowPainted;      // the main window has been painted once
extern unsigned char bSound;              // preference: sound effects on
extern unsigned char bAbortRequested;     // a key stopped the realtime update of files
extern unsigned char bResultsWritten;     // the unattended run writes its results: no overwrite questions
extern unsigned char bRepaintAfterCalc;
extern char szTempDir[260];               // working folder, ends in a separator
extern unsigned char bDiagnosticsLamm;    // solver debug logs on
extern unsigned char bDiagnosticsThreads; // worker-thread logs on
extern int nLammThreads;                  // workers of a Lamm equation list, default 2

// Radial fitting limits in cm; 0 = not set.
extern float fFitLeftLim;
extern float fFitRightLim;

// Extrapolation of the initial scan at the left fit limit.
extern float fExtrapolationDistanceFactor; // default 1.0
extern int nPolynomOrder;

// Loading options read by the scan file reader.
extern unsigned char bSetNColumns;        // fixed number of columns per data line
extern int nDataColumns;
extern unsigned char bDontLoadSpikes;
extern float fSpikeLevel;                 // absorbance units, default 0.4
extern float fSpikeThresholdFDS;          // fluorescence counts, default 100
extern unsigned char bOldFilenameConvention;

// Sound files: the program directory followed by "sounds\error.wav" and so on,
// filled at start-up; the sound effects only read them.
extern char szSoundError[260];
extern char szSoundInfo[260];
extern char szSoundQuestion[260];
extern char szSoundFitDone[260];
extern char szSoundHi[260];
extern char szSoundBye[260];
extern char szSoundOk[260];
extern char szSoundBeer[260];

// Plots of the main window; null before data are shown.
extern CWINPlot* pDataPlot;
extern CWINPlot* pResidualsPlot;
extern CWINPlot* pResidualsBitmapPlot;

// Plot services of the main window for the scan data.
// Builds the plot views of the loaded scans for the data and residual plots.
void buildScanPlotVectors();
// Sets the y-axis titles of the data and residual plots from the data type.
void setPlotAxisLabels();
// Repaints the raw-data plot, autoscaling it first when asked.
void redrawDataPlot(int bAutoscale);
// Warns when the scans' temperatures spread more than the limit (degrees).
void checkTemperatureFluctuation(float fLimit);
// Residuals = data - fit inside the fit limits, 0 outside; repaints the
// residuals plot when asked.
void updateResidualsPlot(int bRedraw);
// Refreshes the residuals-bitmap plot (grey scale of the residuals).
void updateResidualsBitmapPlot(int bRedraw);
// The recorded pictures of the residuals and residuals-bitmap plots; null
// when absent.
win::HMETAFILE residualsPlotMetafile();
win::HMETAFILE bitmapPlotMetafile();
// The histogram of the residuals (signal - fit inside the fit limits) of the
// scans pScanList[nFirst..nLast], in max(10, sqrt(N)) bins over their range,
// against the normal distribution of the same mean and standard deviation:
// *pfH is the total-variation distance between the two in percent (0 = the
// residuals are distributed exactly as the normal distribution says, 100 = no
// overlap); 0 without residuals or with a zero spread.
void computeResidualsHistogram(int nFirst, int nLast, const int* pScanList, float* pfH);
// Redraws the residuals as a grey-scale picture: one row per scan in time
// order, residual 0 mid grey, the largest magnitude black or white. While
// bMarkResidualRanges is set, the cells of the points pMarkFirstIndex[i] ..
// pMarkLastIndex[i] of each scan i (1..nScans; the caller's arrays) are
// tinted red: the boundary region of a shaded s range.
void renderResidualsBitmap();
extern unsigned char bMarkResidualRanges;
extern const int* pMarkFirstIndex;
extern const int* pMarkLastIndex;
// Lays out and repaints the data, residuals and bitmap plots from the bands.
void layoutAndRedrawPlots();
class TXLAWindow;
// Repaints the plots at most once per nPlotUpdateInterval ms (during a fit).
constexpr unsigned nPlotUpdateInterval = 500;
// The tick of the last such repaint, and whether there was one yet.
extern win::DWORD nLastPlotUpdate;
extern bool bPlotUpdated;
// The refresh erases the client and draws the plots, the on-screen buttons
// and the status lines again, as a paint does (paints wait while a fit
// runs); the caller writes its texts after it. Plots played over the old
// picture left the tick labels of earlier scales on top of each other.
void updatePlotsThrottled(TXLAWindow* pWindow);
// The realtime status and the status line, written transparently (paint).
void paintStatusLines(win::HDC dc);
// The data plot with its meniscus, bottom and fit-limit markers and the
// mean-field overlay, straight into the window, as a paint draws them.
void repaintDataPlot(TXLAWindow* pWindow);
// Forgets the current ad hoc plot without deleting its holder.
void forgetAdHocPlot(TXLAWindow* pWindow);

// ---------------------------------------------------------------- window and painting
extern int nClientWidth;                  // client area in pixels, stored by every paint
extern int nClientHeight;
extern unsigned char bDiagnostics;        // "Diagnostics Output to Files"
extern unsigned char bDisplayFlag210;     // toggled by command 210
extern unsigned char bKeepPlotLayout;
extern unsigned char bShowParameterText;
extern unsigned char bErrorPropagationToSw;
extern unsigned char bRealtimeAutoAdjustRange;
extern const unsigned char bPriorKnowledgeEnabled; // enables commands 529, 632, 633
extern unsigned char bProgressTick;       // alternates per simulation
extern unsigned char bShowResiduals;      // residuals plot shown (default on)
extern unsigned char bShowResidualsBitmap;
extern unsigned char bShowResidualsHistogram;

// Zoom stack of the data plot: the visible ranges per level, 0 = full range.
constexpr int nMaxZoomLevels = 10;
extern float fZoomXMin[nMaxZoomLevels];
extern float fZoomXMax[nMaxZoomLevels];
extern float fZoomYMin[nMaxZoomLevels];
extern float fZoomYMax[nMaxZoomLevels];
extern int nZoomLevel;

// Plot bands in per mille of the 1399 x 1000 picture. The data and residual
// bands move up while a distribution is shown in the band below them.
extern int nPlotTop;          // 50
constexpr int nPlotLeft = 75;
extern int nPlotBottom;       // 475, with a distribution 350
constexpr int nPlotRight = 975;
extern int nResidPlotTop;     // 550, with a distribution 405
extern int nResidPlotBottom;  // 950, with a distribution 575
// The bands with a distribution shown (350, 405, 575) and without it (50,
// 475, 550, 950).
void setDistributionPlotLayout();
void restoreMainPlotLayout();
constexpr int nMarkerHitTolerance = 3;

// The ad hoc plot of a diagnostic tool and a copy of its plot pointer.
class CAdHocPlot;
extern CAdHocPlot* pAdHocPlotOwner;
extern CWINPlot* pAdHocWinPlot;

// Point indices found by the hit tests; 0 = none.
extern int nHitScan;
extern int nHitResidualScan;

// Texts of the realtime update, painted while it runs.
extern char szRealtimeStatus[300];
extern char szRealtimeChecked[300];
// Status text of the main window and its show flag.
extern char szStatusText[300];
extern unsigned char bShowStatusText;

// ---------------------------------------------------------------- side-result plot of the tools
class CVector;
class CCurve;
extern CWINPlot* pAuxPlot;
extern float* pAuxArray1; extern float* pAuxArray2; extern float* pAuxArray3; extern float* pAuxArray4;
extern float* pAuxArray5; extern float* pAuxArray6; extern float* pAuxArray7; extern float* pAuxArray8;
extern float* pAuxArray9; extern float* pAuxArray10;
extern int nAuxArrayLength;              // the arrays run 1..nAuxArrayLength
extern CVector* pAuxVector1; extern CVector* pAuxVector2; extern CVector* pAuxVector3; extern CVector* pAuxVector4;
extern CVector* pAuxVector5; extern CVector* pAuxVector6; extern CVector* pAuxVector7; extern CVector* pAuxVector8;
extern CVector* pAuxVector9; extern CVector* pAuxVector10;
extern CCurve* pAuxCurve1; extern CCurve* pAuxCurve2; extern CCurve* pAuxCurve3; extern CCurve* pAuxCurve4;
extern CCurve* pAuxCurve5; extern CCurve* pAuxCurve6; extern CCurve* pAuxCurve7; extern CCurve* pAuxCurve8;
extern CCurve* pAuxCurve9;
extern unsigned char bAuxPlotShown;
extern unsigned char bAuxPlotFlag2;
// Frees the side-result plot, its curves, vectors and arrays.
void releaseResultArrays();

// ---------------------------------------------------------------- time-to-equilibrium display
extern CWINPlot* pTosePlot;
extern float* pToseArray1; extern float* pToseArray2; extern float* pToseArray3; extern float* pToseArray4;
extern CVector* pToseVector1; extern CVector* pToseVector2; extern CVector* pToseVector3; extern CVector* pToseVector4;
extern CVector* pToseVector5; extern CVector* pToseVector6; extern CVector* pToseVector7; extern CVector* pToseVector8;
extern CVector* pToseVector9; extern CVector* pToseVector10;
extern CCurve* pToseCurve1; extern CCurve* pToseCurve2; extern CCurve* pToseCurve3;
extern CCurve* pToseCurve4; extern CCurve* pToseCurve5; extern CCurve* pToseCurve6;
extern int nToseSteps;
extern int nTosePoints;
extern float* pToseSpeedTimes;
extern float* pToseSpeedValues;

// ---------------------------------------------------------------- preferences (morvexparams.ini)
extern unsigned char bMultiThreaded;      // "Compute With Multiple Threads"
extern int nNEQThreads;                   // default 2
extern unsigned char bFlagStrongGradients; // "Flag Too Strong Gradients", default 1
extern float fGradientLimit;              // per cm, default 500 (command 868)
extern unsigned char bWizardMessages;     // "Info and Wizard Messages"
extern unsigned char bScanColorFromTime;  // "Scan Color Temperature From Time"
extern double dTimeStampThreshold;        // default 1.001
extern unsigned char bUseIntegrationRangesFile; // defaults-file entry 10
