// The scratch-tracking tool: the radial drift of a fixed feature of the
// time-invariant noise, scan by scan.
#include "scandata/scratch_tracking_tool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/scan_colors.h"
#include "app/xla_window.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "plot/adhoc_plot.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"
#include "plot/overlays.h"
#include "scandata/scan_data.h"
#include "scandata/scan_messages.h"
#include "scandata/tool_plots.h"

using namespace win;

float fTrackScratchWindowWidth = 0.01f;
float fTrackScratchRandomShift = 0.002f;
float fTrackScratchRmsdPrecision = 0.001f;

namespace {

constexpr int nMaxWindowPoints = 101;
constexpr long nMaxEvaluations = 100000;
constexpr int nMaxRestarts = 99;
constexpr int nRestartsConverged = 2;
// The figure of shifts that move the window off the noise grid.
constexpr double dOffGridFigure = 1e30;

// Where the time-invariant noise of every scan is available on one grid.
bool noiseGridReady()
{
    return nScans > 0 && pNoiseGrid && nNoiseGridPoints > 0 && ppScanOnNoiseGrid && pScanTimeOrder;
}

}  // namespace

CMouseAction_TrackScratch::~CMouseAction_TrackScratch()
{
    ReleaseWindow();
    ReleaseStore();
}

// ---------------------------------------------------------------- store

void CMouseAction_TrackScratch::ReleaseStore()
{
    free_vector(relativeSlope, 1, nStoreScans);
    free_vector(relativeShift, 1, nStoreScans);
    relativeSlope = relativeShift = nullptr;
    free_ivector(scratchGridIndex, 1, maxScratches);
    scratchGridIndex = nullptr;
    free_matrix(scratchShift, 1, maxScratches, 1, nStoreScans);
    free_matrix(scratchSlope, 1, maxScratches, 1, nStoreScans);
    free_matrix(scratchShiftByScan, 1, nStoreScans, 1, maxScratches);
    free_matrix(scratchSlopeByScan, 1, nStoreScans, 1, maxScratches);
    scratchShift = scratchSlope = scratchShiftByScan = scratchSlopeByScan = nullptr;
    nStoreScans = 0;
    nScratches = 0;
}

void CMouseAction_TrackScratch::Start()
{
    ReleaseWindow();
    ReleaseStore();
    maxScratches = 100;
    nScratches = 0;
    if (nScans < 1) return;
    nStoreScans = nScans;
    relativeSlope = vector(1, nStoreScans);
    relativeShift = vector(1, nStoreScans);
    scratchGridIndex = ivector(1, maxScratches);
    scratchShift = matrix(1, maxScratches, 1, nStoreScans);
    scratchSlope = matrix(1, maxScratches, 1, nStoreScans);
    scratchShiftByScan = matrix(1, nStoreScans, 1, maxScratches);
    scratchSlopeByScan = matrix(1, nStoreScans, 1, maxScratches);
}

void CMouseAction_TrackScratch::Cancel()
{
    ReleaseWindow();
    ReleaseStore();
}

int CMouseAction_TrackScratch::StoredScratches() const { return std::min(nScratches, maxScratches - 1); }

// ---------------------------------------------------------------- window of one click

void CMouseAction_TrackScratch::ReleaseWindow()
{
    const int n = windowPoints, m = nClickScans;
    free_dvector(windowRadius, 1, n);
    free_dvector(centredRadius, 1, n);
    free_dvector(shift, 1, m);
    free_dvector(bestShift, 1, m);
    free_dmatrix(shiftedRadius, 1, m, 1, n);
    free_dmatrix(shiftedValue, 1, m, 1, n);
    free_dmatrix(residual, 1, m, 1, n);
    free_dmatrix(linearModel, 1, m, 1, n);
    free_dvector(rowMean, 1, m);
    free_dvector(columnMean, 1, n);
    free_dvector(slope, 1, m);
    free_dvector(columnMeanCentred, 1, n);
    free_dvector(intercept, 1, m);
    free_dvector(displacementRadius, 1, m);
    free_dvector(displacementValue, 1, m);
    windowRadius = centredRadius = shift = bestShift = nullptr;
    shiftedRadius = shiftedValue = residual = linearModel = nullptr;
    rowMean = columnMean = slope = columnMeanCentred = intercept = nullptr;
    displacementRadius = displacementValue = nullptr;
    windowPoints = 0;
    halfWindow = 0;
    nClickScans = 0;
    bResult = false;
}

void CMouseAction_TrackScratch::SetUpWindow()
{
    ReleaseWindow();
    randomSigma = fTrackScratchRandomShift;
    simplexTolerance = 0.001;
    maxShift = 0.1;
    if (!noiseGridReady()) return;
    // the odd number of grid points that spans the window width
    int n = 1;
    while (n < nMaxWindowPoints && 1 + n <= nNoiseGridPoints &&
           pNoiseGrid[1 + n] - pNoiseGrid[1] < fTrackScratchWindowWidth)
        n += 2;
    const int m = nScans;
    windowPoints = n;
    halfWindow = (n - 1) / 2;
    nClickScans = m;
    windowRadius = dvector(1, n);
    centredRadius = dvector(1, n);
    shift = dvector(1, m);
    bestShift = dvector(1, m);
    shiftedRadius = dmatrix(1, m, 1, n);
    shiftedValue = dmatrix(1, m, 1, n);
    residual = dmatrix(1, m, 1, n);
    linearModel = dmatrix(1, m, 1, n);
    rowMean = dvector(1, m);
    columnMean = dvector(1, n);
    slope = dvector(1, m);
    columnMeanCentred = dvector(1, n);
    intercept = dvector(1, m);
    displacementRadius = dvector(1, m);
    displacementValue = dvector(1, m);
}

// ---------------------------------------------------------------- the figure of merit

double CMouseAction_TrackScratch::Figure(const double* s)
{
    const int n = windowPoints, m = nClickScans;
    ++nEvaluations;
    bool bOnGrid = true;
    for (int j = 1; j <= m; ++j) {
        for (int k = 1; k <= n; ++k) shiftedRadius[j][k] = windowRadius[k] + s[j];
        if (!interpolateOnGridDF(n, shiftedRadius[j], shiftedValue[j], nNoiseGridPoints, pNoiseGrid,
                                 ppScanOnNoiseGrid[j]))
            bOnGrid = false;
    }
    if (!bOnGrid) {
        // the values there are unknown: the search has to stay away
        figure = dOffGridFigure;
        return figure;
    }
    for (int j = 1; j <= m; ++j) {
        double d = 0.0;
        for (int k = 1; k <= n; ++k) d += shiftedValue[j][k];
        rowMean[j] = d / n;
    }
    grandMean = 0.0;
    for (int j = 1; j <= m; ++j) grandMean += rowMean[j];
    grandMean /= m;
    for (int k = 1; k <= n; ++k) {
        double d = 0.0;
        for (int j = 1; j <= m; ++j) d += shiftedValue[j][k];
        columnMean[k] = d / m;
    }
    double dSS = 0.0;
    for (int j = 1; j <= m; ++j) {
        double dSlope = 0.0;
        for (int k = 1; k <= n; ++k) {
            residual[j][k] = shiftedValue[j][k] - columnMean[k] - rowMean[j] + grandMean;
            dSlope += residual[j][k] * centredRadius[k];
        }
        slope[j] = dSlope / sumSquares;
        for (int k = 1; k <= n; ++k) {
            const double e = residual[j][k] - slope[j] * centredRadius[k];
            dSS += e * e;
        }
    }
    figure = 1000.0 * dSS / std::sqrt(static_cast<double>(m) * n);

    // the local model, and what is shown and stored of it
    double dCC = 0.0;
    for (int k = 1; k <= n; ++k) {
        columnMeanCentred[k] = columnMean[k] - grandMean;
        dCC += centredRadius[k] * columnMeanCentred[k];
    }
    const double b = dCC / sumSquares;
    for (int j = 1; j <= m; ++j) {
        intercept[j] = rowMean[j] - slope[j] * meanRadius;
        for (int k = 1; k <= n; ++k) linearModel[j][k] = columnMeanCentred[k] + intercept[j] + slope[j] * windowRadius[k];
    }
    const int nFirst = pScanTimeOrder[1];
    const int h = std::max(1, halfWindow);
    for (int i = 1; i <= m; ++i) {
        const int t = pScanTimeOrder[i];
        displacementRadius[i] = shiftedRadius[t][h];
        displacementValue[i] = linearModel[t][h];
        if (relativeSlope && i <= nStoreScans) {
            relativeSlope[i] = static_cast<float>(slope[t] + b);
            relativeShift[i] = static_cast<float>(s[t] - s[nFirst]);
        }
    }
    return figure;
}

// ---------------------------------------------------------------- the search

bool CMouseAction_TrackScratch::RunSimplex(double* pBestVertex, double* pdBestFigure)
{
    const int m = nClickScans;
    const int p = m - 1;  // s[2..m]; scan 1 stays where it is
    double** v = dmatrix(1, p + 1, 1, m);
    double* y = dvector(1, p + 1);
    double* sum = dvector(1, m);
    double* trial = dvector(1, m);
    auto clampShift = [this](double d) { return std::clamp(d, -maxShift, maxShift); };

    for (int i = 1; i <= p + 1; ++i) {
        v[i][1] = 0.0;
        for (int j = 2; j <= m; ++j)
            v[i][j] = i == 1 ? bestShift[j] : clampShift(bestShift[j] + gaussianRandom(static_cast<float>(randomSigma)));
        y[i] = Figure(v[i]);
    }
    long nStart = nEvaluations;
    auto sums = [&]() {
        for (int j = 1; j <= m; ++j) {
            sum[j] = 0.0;
            for (int i = 1; i <= p + 1; ++i) sum[j] += v[i][j];
        }
    };
    // reflection (-1), expansion (2) and contraction (0.5) of the worst vertex
    // through the centre of the others
    auto tryMove = [&](int nHigh, double dFactor) {
        const double f1 = (1.0 - dFactor) / p;
        const double f2 = f1 - dFactor;
        trial[1] = 0.0;
        for (int j = 2; j <= m; ++j) trial[j] = clampShift(sum[j] * f1 - v[nHigh][j] * f2);
        const double yTry = Figure(trial);
        if (yTry < y[nHigh]) {
            y[nHigh] = yTry;
            for (int j = 2; j <= m; ++j) {
                sum[j] += trial[j] - v[nHigh][j];
                v[nHigh][j] = trial[j];
            }
        }
        return yTry;
    };

    sums();
    bool bOk = true;
    for (;;) {
        int nLow = 1, nHigh, nNextHigh;
        if (y[1] > y[2]) {
            nHigh = 1;
            nNextHigh = 2;
        } else {
            nHigh = 2;
            nNextHigh = 1;
        }
        for (int i = 1; i <= p + 1; ++i) {
            if (y[i] < y[nLow]) nLow = i;
            if (y[i] > y[nHigh]) {
                nNextHigh = nHigh;
                nHigh = i;
            } else if (y[i] > y[nNextHigh] && i != nHigh) {
                nNextHigh = i;
            }
        }
        const double dDenominator = std::fabs(y[nHigh]) + std::fabs(y[nLow]);
        if (dDenominator == 0.0) {
            showErrorMessage("Error in Optimize Shift Nelder-Mead", 0);
            bOk = false;
            break;
        }
        if (2.0 * std::fabs(y[nHigh] - y[nLow]) / dDenominator < simplexTolerance) break;
        if (nEvaluations - nStart >= nMaxEvaluations) {
            showErrorMessage("Optimize Shift Nelder-Mead not converged", 0);
            bOk = false;
            break;
        }
        // a key stops the search; the best vertex so far is kept
        if (keyPressed()) {
            bInterruptComputation = 1;
            bOk = false;
            break;
        }
        double yTry = tryMove(nHigh, -1.0);
        if (yTry <= y[nLow]) {
            tryMove(nHigh, 2.0);
        } else if (yTry >= y[nNextHigh]) {
            const double ySave = y[nHigh];
            yTry = tryMove(nHigh, 0.5);
            if (yTry >= ySave) {
                // shrink towards the best vertex
                for (int i = 1; i <= p + 1; ++i) {
                    if (i == nLow) continue;
                    for (int j = 2; j <= m; ++j) v[i][j] = clampShift(0.5 * (v[i][j] + v[nLow][j]));
                    y[i] = Figure(v[i]);
                }
                sums();
            }
        }
    }
    // the lowest vertex, the first one on ties
    int nBest = 1;
    for (int i = 2; i <= p + 1; ++i)
        if (y[i] < y[nBest]) nBest = i;
    for (int j = 1; j <= m; ++j) pBestVertex[j] = v[nBest][j];
    *pdBestFigure = y[nBest];
    free_dmatrix(v, 1, p + 1, 1, m);
    free_dvector(y, 1, p + 1);
    free_dvector(sum, 1, m);
    free_dvector(trial, 1, m);
    return bOk;
}

void CMouseAction_TrackScratch::OptimizeShifts()
{
    const int m = nClickScans;
    nEvaluations = 0;
    bInterruptComputation = 0;
    if (m >= 2) {
        double* vertex = dvector(1, m);
        double dBest = 0.0;
        bool bOk = RunSimplex(vertex, &dBest);
        for (int j = 1; j <= m; ++j) bestShift[j] = vertex[j];
        int nConverged = 0;
        for (int r = 0; bOk && r < nMaxRestarts && nConverged < nRestartsConverged; ++r) {
            double dFigure = 0.0;
            bOk = RunSimplex(vertex, &dFigure);
            if (dFigure > dBest) continue;
            if (dBest - dFigure < simplexTolerance) ++nConverged;
            for (int j = 1; j <= m; ++j) bestShift[j] = vertex[j];
            dBest = dFigure;
        }
        free_dvector(vertex, 1, m);
    }
    // the model arrays of the shifts kept
    for (int j = 1; j <= m; ++j) shift[j] = bestShift[j];
    Figure(bestShift);
    bInterruptComputation = 0;
}

// ---------------------------------------------------------------- a click

bool CMouseAction_TrackScratch::Examine(const POINT& point)
{
    bResult = false;
    if (windowPoints < 1 || !window || !noiseGridReady()) return false;
    if (nClickScans != nStoreScans || !relativeShift) return false;
    if (!window->PointInDataPlot(point.x, point.y) || nScratches >= maxScratches) return false;
    float x = 0, y = 0;
    double dRadius = 0.0;
    if (!clickPerMille(window, point, &x, &y, nullptr, nullptr) || !plotXValue(pDataPlot, x, &dRadius)) return false;
    if (dRadius < fFitLeftLim || dRadius > fFitRightLim) return false;

    // the window around the first grid point beyond the clicked radius; it
    // has to lie inside the grid and hold enough points to interpolate on
    int nCentre = 0;
    for (int k = std::max(1, nNoiseGridFirst); k <= std::min(nNoiseGridLast, nNoiseGridPoints); ++k)
        if (pNoiseGrid[k] > dRadius) {
            nCentre = k;
            break;
        }
    const int n = windowPoints;
    if (!nCentre || n < 5) return false;
    windowStart = nCentre - halfWindow;
    windowEnd = windowStart + n - 1;
    if (windowStart < 1 || windowEnd > nNoiseGridPoints) return false;
    meanRadius = 0.0;
    for (int k = 1; k <= n; ++k) {
        windowRadius[k] = pNoiseGrid[windowStart + k - 1];
        meanRadius += windowRadius[k];
    }
    meanRadius /= n;
    sumSquares = 0.0;
    for (int k = 1; k <= n; ++k) {
        centredRadius[k] = windowRadius[k] - meanRadius;
        sumSquares += centredRadius[k] * centredRadius[k];
    }
    if (!(sumSquares > 0.0)) return false;

    for (int j = 1; j <= nClickScans; ++j) shift[j] = bestShift[j] = 0.0;
    Figure(shift);
    OptimizeShifts();
    bResult = figure < dOffGridFigure;
    if (bResult) ShowResult(dRadius);
    return bResult;
}

void CMouseAction_TrackScratch::ShowResult(double dClickRadius)
{
    char sz[100];
    std::snprintf(sz, sizeof sz, "rmsd = %f             ", 0.001 * figure);
    writeToolText(window, 10, 50, sz);
    // the stored scratches and this one, as XOR lines over the plots
    for (int k = 1; k <= StoredScratches(); ++k) {
        const int g = scratchGridIndex[k];
        if (g >= 1 && g <= nNoiseGridPoints) window->DrawXorMarker(plotXPixel(window, pDataPlot, pNoiseGrid[g]));
    }
    window->DrawXorMarker(plotXPixel(window, pDataPlot, dClickRadius));
    // the local model over the data, and the displacement of the centre
    for (int j = 1; j <= nClickScans; ++j) {
        HMETAFILE h = overlayDoubleArrays(pDataPlot, shiftedRadius[j], linearModel[j], windowPoints, RGB(255, 0, 0), -1, 0);
        playIntoClientArea(window, h);
        if (h) DeleteMetaFile(h);
    }
    HMETAFILE h =
        overlayDoubleArrays(pDataPlot, displacementRadius, displacementValue, nClickScans, RGB(200, 0, 200), -1, 0);
    playIntoClientArea(window, h);
    if (h) DeleteMetaFile(h);
    WriteResultFiles();
}

void CMouseAction_TrackScratch::WriteResultFiles() const
{
    // a file that cannot be opened is left out
    std::string dir = szTempDir;
    if (FILE* f = fopenMapped((dir + "trackscratchlinfit.txt").c_str(), "w")) {
        for (int k = 1; k <= windowPoints; ++k) {
            for (int i = 1; i <= nClickScans; ++i) {
                const int t = pScanTimeOrder[i];
                std::fprintf(f, " %f %f", shiftedRadius[t][k], linearModel[t][k]);
            }
            std::fprintf(f, "\n");
        }
        std::fclose(f);
    }
    if (FILE* f = fopenMapped((dir + "trackscratchdisplacement.txt").c_str(), "w")) {
        for (int i = 1; i <= nClickScans; ++i) std::fprintf(f, " %f %f\n", displacementRadius[i], displacementValue[i]);
        std::fclose(f);
    }
}

bool CMouseAction_TrackScratch::LButtonDown(const POINT& point)
{
    SetUpWindow();
    Examine(point);
    char sz[100];
    std::snprintf(sz, sizeof sz, "press 'y' or 'n' to store scratch as #%d        ", nScratches + 1);
    writeToolText(window, 10, 70, sz);
    return true;
}

// ---------------------------------------------------------------- keeping the results

void CMouseAction_TrackScratch::StoreResult()
{
    ++nScratches;
    // the last slot of the store stays empty: a full store counts on
    if (nScratches >= maxScratches) return;
    scratchGridIndex[nScratches] = windowStart + halfWindow;
    for (int i = 1; i <= nStoreScans; ++i) {
        scratchShift[nScratches][i] = relativeShift[i];
        scratchSlope[nScratches][i] = relativeSlope[i];
    }
}

bool CMouseAction_TrackScratch::KeyDown(UINT key, UINT, UINT)
{
    if (windowPoints < 1) return false;
    switch (key) {
    case 'Y':
    case 'N': {
        writeToolText(window, 10, 70, "use left mouse button to locate next scratch      ");
        // only a click that was examined has a result to keep
        if (key == 'Y' && bResult) StoreResult();
        ReleaseWindow();
        return true;
    }
    case VK_RETURN:
        ReleaseWindow();
        finishActiveMouseAction();
        return true;
    case VK_ESCAPE:
        // the active tool is this one: it ends as Escape ends it
        endActiveMouseActions();
        return true;
    default: return false;
    }
}

void CMouseAction_TrackScratch::SaveScratchFile()
{
    char szPath[999] = "";
    if (!AskFileName(window, 1, szPath, sizeof szPath, "save scratch data in file", "scratch",
                     "scratch files (*.scratch)|*.scratch|"))
        return;
    FILE* f = fopenMapped(szPath, "w");
    if (!f) return;
    const int nStored = StoredScratches();
    std::fprintf(f, "%d %d", nStored, nStoreScans);
    for (int k = 1; k <= nStored; ++k) {
        const int g = scratchGridIndex[k];
        std::fprintf(f, " %f", (g >= 1 && g <= nNoiseGridPoints) ? pNoiseGrid[g] : 0.0f);
    }
    std::fprintf(f, "\n");
    for (int i = 1; i <= nStoreScans; ++i) {
        for (int k = 1; k <= nStored; ++k) std::fprintf(f, " %f %f", scratchSlope[k][i], scratchShift[k][i]);
        std::fprintf(f, "\n");
    }
    std::fclose(f);
}

void CMouseAction_TrackScratch::DrawSummary()
{
    const int nStored = StoredScratches();
    const int m = nStoreScans;
    for (int i = 1; i <= m; ++i)
        for (int k = 1; k <= nStored; ++k) {
            scratchSlopeByScan[i][k] = scratchSlope[k][i];
            scratchShiftByScan[i][k] = scratchShift[k][i];
        }
    CAdHocPlot* p = newToolPlot("slopes (signal/cm)", "shifts (cm)");
    const float fCount = static_cast<float>(nScratches);
    for (int k = 1; k <= nStored; ++k)
        addToolCurve(p, scratchSlope[k], scratchShift[k], m, colorFromFraction(static_cast<float>(k), fCount), 6);
    for (int i = 1; i <= m; ++i) addToolCurve(p, scratchSlopeByScan[i], scratchShiftByScan[i], nStored, scanColor(i), 23);
    for (int k = 1; k <= nStored; ++k)
        addToolCurve(p, scratchSlope[k], scratchShift[k], m, colorFromFraction(static_cast<float>(k), fCount), -1);
    showToolPlot(window, p);
}

void CMouseAction_TrackScratch::Finish()
{
    if (nScratches > 0 && StoredScratches() > 0 && window) {
        SaveScratchFile();
        DrawSummary();
    }
    ReleaseWindow();
    ReleaseStore();
}

void TXLAWindow::CmTrackScratch()
{
    bCtotBusy = 1;
    bool bGo = scanYesNoBox("click on radial values to examine, 'y' or 'n' to accept/reject, RETURN to end",
                            "Track Scratch");
    bGo = bGo && inputFloat(&fTrackScratchWindowWidth, fTrackScratchWindowWidth, true, "window width (cm)",
                            "TRACK SCRATCH");
    bGo = bGo && inputFloat(&fTrackScratchRandomShift, fTrackScratchRandomShift, true, "randomize shift (cm)",
                            "TRACK SCRATCH");
    bGo = bGo && inputFloat(&fTrackScratchRmsdPrecision, fTrackScratchRmsdPrecision, true, "rmsd precision",
                            "TRACK SCRATCH");
    bCtotBusy = 0;
    if (bGo) startTrackScratch();
}
