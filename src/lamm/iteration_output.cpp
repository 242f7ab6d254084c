// CLammIdeal: what happens after every accepted step (progress, sampling at
// the scan times, piecewise scans at a finite scan velocity), and the solver's
// debug log.
#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "lamm/lamm_ideal.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/scan_file.h"
#include "scandata/scan_header.h"

void drawLammProgress(win::HWND hwnd, const CLammProgress& p)
{
    if (!hwnd) return;
    win::HDC dc = win::GetDC(hwnd);
    if (!dc) return;
    char text[120];
    std::snprintf(text, sizeof text, "dt = %f sec  ", p.dTimeStep.load(std::memory_order_relaxed));
    win::TextOut(dc, 10, 70, text, (int)std::strlen(text));
    std::snprintf(text, sizeof text, "#it = %d   ", p.nSteps.load(std::memory_order_relaxed));
    win::TextOut(dc, 10, 90, text, (int)std::strlen(text));
    if (p.bHeteroAssoc.load(std::memory_order_relaxed))
        std::snprintf(text, sizeof text, "t = %.0f sec (M=%f) ", p.dTime.load(std::memory_order_relaxed),
                      p.dTotalAmount.load(std::memory_order_relaxed));
    else
        std::snprintf(text, sizeof text, "t = %.0f sec  ", p.dTime.load(std::memory_order_relaxed));
    win::TextOut(dc, 10, 110, text, (int)std::strlen(text));
    std::snprintf(text, sizeof text, "ri=%f  ", p.dRate.load(std::memory_order_relaxed));
    win::TextOut(dc, 10, 130, text, (int)std::strlen(text));
    win::ReleaseDC(hwnd, dc);
}

// Progress lines while the main window has been painted, when this run shows
// its progress at all; never from a worker thread.
void CLammIdeal::DrawProgress()
{
    if (bOwnedByThread || !bWindowPainted || !bLiveDisplay || !pOutputWindow || bFitRunning ||
        bSkipRegularization)
        return;
    drawLammProgress(pOutputWindow, progress);
}

// The second component's radial profile at this scan, as the scan file
// "comp2_<scan>.r00" beside the data file.
void CLammIdeal::WriteSecondComponentScan(int position)
{
    const int n = nSecondComponentPoints;
    char path[600];
    std::snprintf(path, sizeof path, "%s", szDataFileName);
    char* slash = std::strrchr(path, '/');
    char* backslash = std::strrchr(path, '\\');
    if (backslash > slash) slash = backslash;
    char* name = slash ? slash + 1 : path;
    std::snprintf(name, sizeof path - (name - path), "comp2_%d.r00", position);
    float* r = vector(1, n);
    float* v = vector(1, n);
    for (int i = 1; i <= n; i++) {
        r[i] = (float)pSecondComponentRadii[i];
        v[i] = (float)pSecondComponentValues[i];
    }
    ScanHeader header = SelectedHeader(position);
    header.time = header.timeWritten = header.timeRead = dTime;
    writeScanFile(path, n, r, v, nullptr, "component 2", 0, &header);
    free_vector(r, 1, n);
    free_vector(v, 1, n);
}

const ScanHeader& CLammIdeal::SelectedHeader(int position) const
{
    return pScanHeaders[pScanList ? pScanList[position] : position];
}

// Time of the selected scan at a list position: the time counted from the
// start of the rotor (the recorded elapsed time) whenever the acceleration or a
// speed profile is simulated, else the scan's analysis time.
double CLammIdeal::ScanTime(int position) const
{
    const ScanHeader& h = SelectedHeader(position);
    return (bRampRotorSpeed || bSpeedProfile) ? h.timeWritten : h.time;
}

bool CLammIdeal::UserAborted()
{
    if (bOwnedByThread) return false;
    return keyPressed();
}

// Interpolates the assembled profile at the radii of the scan at a list
// position, into its output row.
void CLammIdeal::SampleAssembledIntoScan(int position)
{
    const int row = pScanList ? pScanList[position] : position;
    const int N = nGridPoints;
    if (bPerScanRadii || bKeepPrivateOutput) {
        if (!ppPrivateOutput || row > nPrivateRows) return;
        if (bPerScanRadii) {
            if (!ppScanRadii || !pScanPoints) return;
            interpolateOnGridFD(pScanPoints[row], ppScanRadii[row], ppPrivateOutput[row], N, pRadius, pAssembled);
        } else {
            interpolateOnGridFD(nCommonRadii, pCommonRadii, ppPrivateOutput[row], N, pRadius, pAssembled);
        }
        return;
    }
    if (!ppOutput || !ppOutput[row]) return;
    interpolateOnGridFD(nCommonRadii, pCommonRadii, ppOutput[row], N, pRadius, pAssembled);
}

void CLammIdeal::CopyPrivateOutput()
{
    if (!ppPrivateOutput || !ppOutput) return;
    for (int row = 1; row <= nPrivateRows && row <= nScans; row++) {
        if (!ppOutput[row]) continue;
        const int n = bPerScanRadii ? (pScanPoints ? pScanPoints[row] : 0) : nCommonRadii;
        for (int j = 1; j <= n && j <= nPrivateCols; j++) ppOutput[row][j] = ppPrivateOutput[row][j];
    }
}

// The assembled profile is final for the scan at a list position: skew
// correction, radial resolution, sampling at the scan's radii.
void CLammIdeal::StoreAssembledProfile(int position)
{
    const int N = nGridPoints;
    if (bWienerSkewing) {
        if (nEquationNumber <= 1) WienerSkewTracking(pAssembled, pRadius, N);
        WienerSkewCorrection(pAssembled, pRadius, N, N);
    }
    if (bSimRadialResolution) RadialResolutionSmoothing(pAssembled, pRadius, N, fConvolutionRange);
    SampleAssembledIntoScan(position);
}

void CLammIdeal::CLEachIterationOutput(double ri)
{
    // 1. progress: published always, drawn here only on the user-interface thread
    for (CLammProgress* p : {&progress, pSharedProgress}) {
        if (!p) continue;
        p->dTimeStep.store(dTimeStep, std::memory_order_relaxed);
        p->nSteps.store(nStepCount, std::memory_order_relaxed);
        p->dTime.store(dTime, std::memory_order_relaxed);
        p->dTotalAmount.store(dTotalAmount, std::memory_order_relaxed);
        p->dRate.store(ri, std::memory_order_relaxed);
        p->bHeteroAssoc.store(nHeteroAssocRun ? 1 : 0, std::memory_order_relaxed);
        p->nUpdates.fetch_add(1, std::memory_order_release);
    }
    DrawProgress();

    const int N = nGridPoints;
    if (dTime < dTargetScanTime) {  // 2. before the scan time
        nSubIntervalCount = 0;
        dScanOffset = 0;
        nPointsTaken = 0;
    } else if (nNextScanIndex >= 1 && nNextScanIndex <= nScans && bRunning) {
        // 3. the scan time is reached; a key ends the run after this scan
        if (UserAborted()) {
            bRunning = 0;
            bAborted = 1;
        }
        if (bMovingGridActive) MapMovingGridToRadii();
        // 4. piecewise scan at a finite scan velocity
        bool pending = false;
        if (!bSimTimeResolution || fScanVelocity <= 0 || dSubIntervals <= 2) {
            for (int i = 1; i <= N; i++) pAssembled[i] = pConc[i];
            bScanPending = 0;
        } else {
            const double v = fScanVelocity / 60.0;  // cm/s
            dScanDuration = (dBottom - dMeniscus) / v;
            dSubInterval = dScanDuration / dSubIntervals;
            const int nSub = (int)(dSubIntervals + 0.5);
            if (nSubIntervalCount == 0) {
                dBandEdge = dMeniscus + v * dSubInterval;
                int i = 1;
                for (; i <= N && pRadius[i] < dBandEdge; i++) pAssembled[i] = pConc[i];
                nPointsTaken = i - 1;
                for (int j = i; j <= N; j++) pAssembled[j] = 0;
                dScanOffset = (dTime - dTargetScanTime) + dSubInterval;
                nSubIntervalCount = 1;
                pending = true;
            } else if (dTime >= dTargetScanTime + dScanOffset + dSubInterval - 1e-10) {
                if (nSubIntervalCount == nSub - 1) {
                    for (int i = nPointsTaken + 1; i <= N; i++) pAssembled[i] = pConc[i];
                    nPointsTaken = N;
                    nSubIntervalCount++;
                } else {
                    dBandEdge = dMeniscus + v * (nSubIntervalCount + 1) * dSubInterval;
                    int i = nPointsTaken + 1;
                    for (; i <= N && pRadius[i] < dBandEdge; i++) pAssembled[i] = pConc[i];
                    nBandPoints = i - 1 - nPointsTaken;
                    nPointsTaken = i - 1;
                    dScanOffset += dSubInterval;
                    nSubIntervalCount++;
                    pending = true;
                }
            } else {
                pending = true;  // between two bands
            }
            bScanPending = pending ? 1 : 0;
            if (pending) {
                dNextScanTime = dTargetScanTime + dScanOffset + dSubInterval;
                bNextScanPending = 1;
            }
        }
        if (!pending) {
            // 5. store the scan
            StoreAssembledProfile(nNextScanIndex);
            if (bSecondComponentFile && szDataFileName[0] && pSecondComponentRadii && pSecondComponentValues &&
                nSecondComponentPoints > 0)
                WriteSecondComponentScan(nNextScanIndex);
            // 6. next scan
            nSubIntervalCount = 0;
            dScanOffset = 0;
            nPointsTaken = 0;
            if (nNextScanIndex < nScans) {
                nNextScanIndex++;
                dTargetScanTime = dTimeOffset + ScanTime(nNextScanIndex);
                dNextScanTime = dTargetScanTime;
                bNextScanPending = 1;
            } else {
                nNextScanIndex = nScans + 1;
                if (bSimulateBeyondLastScan) {
                    dTargetScanTime = 1e8;
                    bNextScanPending = 0;
                } else {
                    bRunning = 0;
                }
            }
        }
    } else if (nNextScanIndex > nScans && bRunning) {
        // past the last scan the run went on to its stop time, and ends there
        bRunning = 0;
    }
    // 7. timed snapshots
    if (bSnapshots) {
        if (bMovingGridActive) MapMovingGridToRadii();
        RecordSnapshot(dTime);
    }
}

// A run that stopped because the profile no longer changes: every scan still
// to come receives the final profile.
void CLammIdeal::FillRemainingScansWithProfile()
{
    const int N = nGridPoints;
    for (int i = 1; i <= N; i++) pAssembled[i] = pConc[i];
    while (nNextScanIndex >= 1 && nNextScanIndex <= nScans) {
        for (int i = 1; i <= N; i++) pAssembled[i] = pConc[i];
        StoreAssembledProfile(nNextScanIndex);
        nNextScanIndex++;
    }
    bRunning = 0;
}

void CLammIdeal::DebugLog(const char* text)
{
    if (!szLogFileName) {
        szLogFileName = new char[400];
        std::snprintf(szLogFileName, 400, "c:\\temp\\debug_t%d.txt", nThreadNumber);
    }
    if (!szLogOpeningLine) {
        szLogOpeningLine = new char[1000];
        std::snprintf(szLogOpeningLine, 1000, "starting new debugging session for Lamm equation s = %.4f S, D = %.3f F",
                      dS, dD * 1e7);
        DebugLog(szLogOpeningLine);
        return;
    }
    if (!text) return;
    // "c:\temp" is the working folder here
    FILE* f = win::fopenMapped(szLogFileName, bLogOpened ? "a" : "w");
    if (!f) {
        char msg[600];
        std::snprintf(msg, sizeof msg, "\nAttention: could not open %s to write debugging info", szLogFileName);
        showErrorMessage(msg, 0);
        return;
    }
    bLogOpened = 1;
    std::fputs(text, f);
    std::fflush(f);
    std::fclose(f);
}
