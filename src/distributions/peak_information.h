// Reading numbers off the shown distribution: the integration of a range
// chosen with the mouse, the zoom to a range and back, the peak labels with
// their "PEAK INFO" box, and the fixed ranges of an integration-range file.
// The commands and window operations are members of TXLAWindow
// (distributions/integration_ranges.cpp, peak_labels.cpp, range_selection.cpp);
// the on-screen integrate button and the mouse handlers that drive the
// selection belong to the main window (app/integrate_buttons.cpp).
#pragma once

#include <string>
#include <vector>

class CScreenButton;

// ---------------------------------------------------------------- integration-range file
// "integratrangefile.txt" in the working folder holds one line, the path of
// the ranges file (szIntegrRangeFilePath, app/data_file_paths.h); the ranges
// file is a two-column table, s-min and s-max per row, row 1 the reference.
extern unsigned char bIntegrationRangesLoaded;  // the last load succeeded
extern char szIntegrationRangesFile[260];
extern float** pIntegrationRanges;              // matrix(1, n, 1, 2)
extern int nIntegrationRanges;
void freeIntegrationRanges();

// Reads "integratrangefile.txt" and the ranges file it names into the table
// (TXLAWindow::LoadIntegrationRanges). A missing "integratrangefile.txt" fails
// without a message; a first line that does not fit the path buffer, or a
// ranges file without a readable row, fails with a box titled "SET
// INTEGRATION RANGE". Returns bIntegrationRangesLoaded.
int loadIntegrationRangesFile();

// One row of the report of the integration ranges.
struct IntegrationRangeRow {
    float fMin, fMax;   // S
    float fSignal;
    float fPercent;     // of the signal of row 1 (100 for row 1, 0 when row 1 has none)
    float fSw;          // weight-average s
};
// The report text of the loaded ranges over the current distribution and its
// rows (TXLAWindow::IntegrateRangesFromFile writes both out).
void integrationRangesReport(std::string* pText, std::vector<IntegrationRangeRow>* pRows);

// ---------------------------------------------------------------- peak labels
inline constexpr int nMaxPeakInfoLabels = 10;
extern int nPeakInfoLabels;                                 // peaks found by the last search
extern CScreenButton* pPeakInfoLabel[nMaxPeakInfoLabels + 1];  // null for a peak without a label
extern float fPeakSw[nMaxPeakInfoLabels + 1];
extern float fPeakC[nMaxPeakInfoLabels + 1];
extern float fPeakFraction[nMaxPeakInfoLabels + 1];
extern int nPeakIndex[nMaxPeakInfoLabels + 1];
// Deletes the labels without touching the screen (release of the program state).
void freePeakInfoLabels();

// The molar mass (Da) of a peak of weight-average s sw in the current model.
float peakMolarMass(float fSw);
// The label text of a peak of weight-average s sw (at most 39 characters).
void peakLabelText(float fSw, char* szText, int nSize);

// ---------------------------------------------------------------- range selection
extern unsigned char bRangeSelectActive;  // a rectangle selection is running
extern unsigned char bRangeSelectArmed;   // it will be integrated
extern unsigned char bPeakRangeSelect;    // it will become the plot's x range
// (fRealtimeDistXMin, fRealtimeDistXMax: distributions/conti_globals.h)

// The transport-method error estimate of sw from the per-scan transport
// values v (1..nScans, by scan index) of a range holding the signal c:
// over consecutive scans in time order whose v are both positive, the mean
// of (v_{k+1} - v_k) / (c (t_{k+1} - t_k)), times 1e13 (S). False when there
// are not more than 3 such pairs.
bool transportErrorEstimate(const float* pTransport, float fSignal, float* pfError);

class TXLAWindow;
// Shades the boundary region of the s range [fLow, fHigh] in the data
// (TXLAWindow::DrawShadedDistribution), after correcting the limits for the
// concentration dependence of the non-ideal models, and marks it in the
// residuals bitmap unless the model is the flotation model. The transport
// value of every scan goes to (*pTransport)[1..nScans].
void shadeRangeInData(TXLAWindow* pWindow, float fLow, float fHigh, std::vector<float>* pTransport);
// Places the peak labels again over their peaks after the plot's ranges changed.
void placePeakLabels();
