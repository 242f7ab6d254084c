// Program-wide globals of the main window and the application.
#pragma once

class CWINPlot;

extern unsigned char bBatchMode;          // running from command-line parameters
extern char szWindowTitle[512];           // main-window caption buffer
extern unsigned char bModelComputed;      // a model result belongs to the loaded data
extern unsigned char bRealtimeUpdate;     // the realtime update of files runs
extern unsigned char bRealtimeError;      // a load error happened during it
extern unsigned char bAutoLoadMultiSpeed; // the multi-speed auto-load runs
extern unsigned char bLoadFromList;       // paint suspended while a load prompt is open
extern unsigned char bWindowPainted;      // the main window has been painted once
extern unsigned char bSound;              // preference: sound effects on
extern unsigned char bAbortRequested;     // a key stopped the realtime update of files
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
// Deletes the data, residuals and residuals-bitmap plots and sets them to null.
void deleteScanPlots();
