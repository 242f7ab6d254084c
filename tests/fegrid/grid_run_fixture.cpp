#include "fegrid/grid_run_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "app/app_globals.h"
#include "fegrid/global_grid.h"
#include "fegrid/propagators.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

namespace gridtest {

void installExperiment(const Experiment& e)
{
    std::vector<scantest::MemoryScan> scans(e.nScans);
    for (int k = 1; k <= e.nScans; k++) {
        scantest::MemoryScan& m = scans[k - 1];
        for (int j = 0; j < e.nPoints; j++) {
            m.r.push_back(static_cast<float>(e.meniscus + (e.bottom - e.meniscus) * j / (e.nPoints - 1)));
            m.s.push_back(0.0f);
        }
        m.time = e.nScans > 1 ? e.tFirst + (e.tLast - e.tFirst) * (k - 1) / (e.nScans - 1) : e.tFirst;
    }
    scantest::installScans(scans);
    const double w = e.rpm * 2 * M_PI / 60;
    for (int k = 1; k <= nScans; k++) {
        ScanHeader& h = pScanHeaders[k];
        h.dataType = 'R';
        h.rpm = static_cast<float>(e.rpm);
        h.temperature = static_cast<float>(e.temperature);
        h.omega2t = w * w * h.time;
        h.timeWritten = h.timeRead = h.time;
        h.accelRate = 1e6;
    }
    bAbsorbanceData = 1;
    fMeniscus = static_cast<float>(e.meniscus);
    fBottom = static_cast<float>(e.bottom);
    fFitLeftLim = static_cast<float>(e.fitLeft);
    fFitRightLim = static_cast<float>(e.fitRight);
    bRampRotorSpeed = 0;
    bTruncateGrid = 0;
    bShutOffBackDiffusion = 0;
    dOmega = dOmegaNow = e.rpm;
    bRotorAccelerating = 0;
}

void layOutGrid(int n, bool bHat)
{
    freeRadialGridArrays();
    bMovingHat = bHat ? 1 : 0;
    bClaverie = bHat ? 0 : 1;
    nGridPoints = n;
    ASSERT_TRUE(allocRadialGridArrays());
}

void prepareRun(double s, double D, double c0)
{
    dLammS = s;
    dLammD = D;
    nSimSpeciesIndex = 1;
    nSimOutputMode = 1;
    nSimScanIndex = 1;
    dSimTime = 0;
    nTimeStepCount = 0;
    dNextScanTime = pScanHeaders[pScanTimeOrder[1]].time;
    dStepTargetTime = dNextScanTime;
    bStepToScanTime = 1;
    bInterruptComputation = 0;
    dTimeStep = 1.0;
    dMaxDcOverCWork = dMaxDcOverC;
    dMaxDcOverCLow = 0.05 * dMaxDcOverCWork;
    dMaxDcOverCHigh = 0.2 * dMaxDcOverCWork;
    bSimulationRunning = 1;
    setupRadialGrid();
    for (int i = 1; i <= nGridPointsAllocated; i++) pGridConc[i] = c0;
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) ppFit[k][j] = 0.0f;
}

void startOnRamp(double rpm, double tA, double dMaxStep, double dOmegaLeft)
{
    bRampRotorSpeed = 1;
    bRotorAccelerating = 1;
    dAccelerationTime = tA;
    dAngularAcceleration = rpm / tA;
    dMaxAccelTimeStep = dMaxStep;
    dOmegaNow = dOmegaLeft;
}

void propagate()
{
    if (bMovingHat) {
        propagateLammMovingHatLogGrid();
        updateMovingGridRadii();
    } else {
        propagateLammStatic();
    }
}

float modelAt(int p, int j) { return ppFit[pScanTimeOrder[p]][j]; }

Profiles models()
{
    Profiles out(nScans + 1);
    for (int p = 1; p <= nScans; p++) {
        const int k = pScanTimeOrder[p];
        out[p].assign(ppFit[k], ppFit[k] + pScanPoints[k] + 1);
    }
    return out;
}

double maxDifferenceInFit(const Profiles& a, const Profiles& b)
{
    double mx = 0;
    for (int p = 1; p <= nScans; p++)
        for (int j = 1; j <= pScanPoints[1]; j++) {
            const float r = ppRadius[1][j];
            if (r < fFitLeftLim || r > fFitRightLim) continue;
            mx = std::max(mx, std::fabs(double(a[p][j]) - b[p][j]));
        }
    return mx;
}

}  // namespace gridtest
