// The light-scattering time course I(Rh,t): a measurement series of a sample
// that changes becomes a series of size distributions, one per time window.
//
// The measurements, in time order, fall into consecutive windows of
// fTimeCourseWindow minutes (W s): the first window takes the measurements
// from the second on up to the first at or after 1.5 W, window k those after
// the previous window up to the first at or after (k + 0.5) W. The first
// measurement belongs to no window: it is the carrier of the computation,
// which builds its normal equations from measurement nTimeCourseFirst =
// nTimeCourseLast = 1 only. For each window its row on the common lag grid
// is replaced by the mean of the window's rows, the distribution is solved
// without regularization on the grid set up once, and it is shown at once;
// the carrier's row is put back bit for bit at the end, whatever happened.
//
// The run starts paused: after each window the blank key computes the next
// one, "r" runs on without pausing (a key then pauses again), "s" stops. A
// stop (also a key during a window's computation) leaves the rows computed
// so far and repeats the last distribution in the remaining rows; the three
// files are written all the same.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_finish.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "distributions/s_grid.h"
#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/matrix_file.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"

namespace {

// The grid size the distributions of the windows were allocated with.
int nTimeCourseColumns = 0;

// The measurement time (s) at a position of the time order.
double timeAt(int nPos)
{
    const int k = pScanTimeOrder[nPos];
    return pDlsHeaders ? pDlsHeaders[k].measurementTime : pScanHeaders[k].time;
}

// The number of windows: one, and one more for each measurement past the
// edge, which then moves on by a window.
int countWindows(double W)
{
    int n = 1;
    double edge = 1.5 * W;
    for (int p = 1; p <= nScans; p++) {
        if (timeAt(p) > edge) {
            n++;
            edge += W;
        }
    }
    return n;
}

// The positions of window k, the last of the window before being given.
void windowBounds(int k, double W, int nPreviousLast, int* pnFirst, int* pnLast)
{
    int first = 2, last = 2;
    double edge = 1.5 * W;
    if (k > 1) {
        first = nPreviousLast + 1;
        if (first > nScans) {
            *pnFirst = *pnLast = nScans;
            return;
        }
        last = first;
        edge = (k + 0.5) * W;
    }
    while (timeAt(last) < edge && last < nScans) last++;
    *pnFirst = first;
    *pnLast = last;
}

// The rows of the measurements at positions first..last, averaged into row.
void meanIntoRow(float* row, int first, int last)
{
    const int n = last - first + 1;
    for (int j = 1; j <= nNoiseGridPoints; j++) {
        double d = 0.0;
        for (int p = first; p <= last; p++) d += ppScanOnNoiseGrid[pScanTimeOrder[p]][j];
        row[j] = static_cast<float>(d / n);
    }
}

void showDistribution(TXLAWindow* pWindow)
{
    if (!pDistPlot) return;
    pDistPlot->Rescale();
    pDistPlot->Draw();
    playIntoClientArea(pWindow, paintDistributionPlot());
}

// The keys after a window.
void readWindowKeys(TXLAWindow* pWindow)
{
    if (bSimulationPaused) {
        for (;;) {
            // no more input, or the window closing, stops as "s" does
            const int c = waitForKeyAndEcho(pWindow);
            nPauseKey = c;
            if (c == 'r') {
                bSimulationPaused = 0;
                return;
            }
            if (c == 's' || c == -1) {
                bSimulationPaused = 0;
                bSimulationRunning = 0;
                bStopFit = 1;
                return;
            }
            if (c == ' ') return;
        }
    }
    const int c = readKeyAndEcho(pWindow);
    if (c != -1) {
        nPauseKey = c;
        bSimulationPaused = 1;
    }
}

}  // namespace

void freeTimeCourseArrays()
{
    if (pTimeCourseDistributions) free_matrix(pTimeCourseDistributions, 1, nTimeCourseWindows, 1, nTimeCourseColumns);
    if (pTimeCourseTimes) free_vector(pTimeCourseTimes, 1, nTimeCourseWindows);
    pTimeCourseDistributions = nullptr;
    pTimeCourseTimes = nullptr;
}

bool runContiSedUnregularized(TXLAWindow* pWindow)
{
    if (bStopFit) return false;
    // a window is never regularized, also right after a fit's final run
    const unsigned char bFinalKept = bFinalFitEvaluation;
    bFinalFitEvaluation = 0;
    bSkipRegularization = 1;
    RunContiSed(pWindow);
    bSkipRegularization = 0;
    bFinalFitEvaluation = bFinalKept;
    if (pNESolution && pDistValues && pLammSolutions && pNEMeanBasis) {
        calculateTimeCourseFit();
        for (int i = 1; i <= nResolution; i++) pDistValues[i] = static_cast<float>(pNESolution[i]);
        convertAmplitudesToDensity();
    }
    bModelComputed = 1;
    return !bStopFit;
}

bool runDlsTimeCourse(TXLAWindow* pWindow)
{
    // 1.
    if (nScans <= 1) {
        RunContiSed(pWindow);
        return true;
    }
    // 2.
    const unsigned char bRepaintKept = bRepaintAfterCalc;
    bRepaintAfterCalc = 1;
    bSimulationPaused = 1;
    if (!pWindow || !setupSGrid() || !ppScanOnNoiseGrid || nNoiseGridPoints < 1) {
        bRepaintAfterCalc = bRepaintKept;
        bSimulationPaused = 0;
        return false;
    }
    bStopFit = 0;
    // 3.
    const double W = static_cast<double>(fTimeCourseWindow) * 60.0;
    freeTimeCourseArrays();
    nTimeCourseWindows = countWindows(W);
    pTimeCourseDistributions = matrix(1, nTimeCourseWindows, 1, nResolution);
    nTimeCourseColumns = nResolution;
    pTimeCourseTimes = vector(1, nTimeCourseWindows);
    nTimeCourseFirst = nTimeCourseLast = 1;
    // 4. - 6.
    const int k1 = pScanTimeOrder[1];
    float* pCarrier = ppScanOnNoiseGrid[k1];
    const std::vector<float> saved(pCarrier, pCarrier + nNoiseGridPoints + 1);
    // The run turns g(2)-1 into g(1) in the measurements' own values, which
    // the common grid shares when their lags are alike.
    const bool bShared = pCarrier == ppSignal[k1];
    const unsigned char bFieldBefore = pDlsHeaders ? pDlsHeaders[k1].fieldAcf : 1;
    int nLast = 1;
    for (int k = 1; k <= nTimeCourseWindows; k++) {
        int nFirst = 0;
        windowBounds(k, W, nLast, &nFirst, &nLast);
        pTimeCourseTimes[k] = static_cast<float>((timeAt(nFirst) + timeAt(nLast)) / 2.0);
        meanIntoRow(pCarrier, nFirst, nLast);
        // a key during the window's computation cuts it short (the run says
        // so in bRealtimeError): the series stops
        const unsigned char bErrorBefore = bRealtimeError;
        bRealtimeError = 0;
        runContiSedUnregularized(pWindow);
        const bool bCutShort = bRealtimeError != 0;
        bRealtimeError = bRealtimeError || bErrorBefore ? 1 : 0;
        for (int i = 1; i <= nResolution; i++) pTimeCourseDistributions[k][i] = pDistValues[i];
        showDistribution(pWindow);
        if (bInterruptComputation || bCutShort) {
            bRealtimeError = 1;
            bFitStoppedByUser = 1;
            bInterruptComputation = 0;
            bStopFit = 1;
        }
        // a stopped series computes nothing more and waits for no key
        if (!bStopFit) readWindowKeys(pWindow);
    }
    // 7.
    if (bStopFit) {
        bRealtimeError = 1;
        bFitStoppedByUser = 1;
        bStopFit = 0;
        setupSGrid();
    }
    // 8.
    if (pDistXVector) pDistXVector->Save("radii.dat");
    CVector times;
    times.Attach(pTimeCourseTimes, static_cast<unsigned int>(nTimeCourseWindows), 1);
    times.Save("times.dat");
    saveFloatMatrixFile(pTimeCourseDistributions, 1, nTimeCourseWindows, 1, nTimeCourseColumns, "sizes.dat");
    // 9.
    std::copy(saved.begin(), saved.end(), pCarrier);
    // converted as the run converted the others
    if (bShared && pDlsHeaders && !bFieldBefore && pDlsHeaders[k1].fieldAcf) {
        pDlsHeaders[k1].fieldAcf = 0;
        convertDlsG2ToG1(nNoiseGridPoints, pCarrier, &pDlsHeaders[k1]);
    }
    freeTimeCourseArrays();
    if (pNESolution && pNEMatrix && pLammSolutions && pDistValues) finishContiSed(pWindow);
    bSimulationPaused = 0;
    bRepaintAfterCalc = bRepaintKept;
    pWindow->InvalidateUnlessBatch();
    return true;
}
