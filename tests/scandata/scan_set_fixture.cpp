#include "scandata/scan_set_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "app/app_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"

namespace scantest {

void installScans(const std::vector<MemoryScan>& scans) {
    freeScanData();
    const int n = static_cast<int>(scans.size());
    ppScanFileName = new char*[n + 1]();
    ppRadius = new float*[n + 1]();
    ppSignal = new float*[n + 1]();
    ppThirdColumn = new float*[n + 1]();
    ppFit = new float*[n + 1]();
    ppModelPart = new float*[n + 1]();
    ppResidual = new float*[n + 1]();
    pScanHeaders = new ScanHeader[n + 1]();
    pScanPoints = ivector(1, n);
    pScanTimeOrder = ivector(1, n);
    pFitFirstIndex = ivector(1, n);
    pFitLastIndex = ivector(1, n);
    for (int i = 1; i <= n; ++i) {
        const MemoryScan& m = scans[i - 1];
        const int k = static_cast<int>(m.r.size());
        ppScanFileName[i] = new char[260];
        std::snprintf(ppScanFileName[i], 260, "scan%d.IP1", i);
        pScanPoints[i] = k;
        ppRadius[i] = vector(1, k);
        ppSignal[i] = vector(1, k);
        ppFit[i] = vector(1, k);
        ppModelPart[i] = vector(1, k);
        ppResidual[i] = vector(1, k);
        std::copy(m.r.begin(), m.r.end(), ppRadius[i] + 1);
        std::copy(m.s.begin(), m.s.end(), ppSignal[i] + 1);
        std::copy(m.s.begin(), m.s.end(), ppResidual[i] + 1);
        pScanHeaders[i].time = m.time;
        pScanHeaders[i].nPoints = k;
    }
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(),
                     [](int a, int b) { return pScanHeaders[a].time < pScanHeaders[b].time; });
    for (int t = 1; t <= n; ++t) pScanTimeOrder[t] = order[t - 1];
    nScans = n;
}

void resetScanState() {
    freeScanData();
    freeExtrapolationArrays();
    bAbsorbanceData = bIntensityData = bInterferenceData = bFluorescenceData = 0;
    bElectrophoresisData = bDLSData = bEquilibriumDataMode = 0;
    fMeniscus = fBottom = 0.0f;
    fFitLeftLim = fFitRightLim = 0.0f;
    fRadialResolution = 0.001f;
    bExperimentalInitialDistribution = 0;
    for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
}

void LoadingTest::SetUp()
{
    resetScanState();
    freeScanFileList();
    nLoadEveryNth = 1;
    bCheckTimeStamps = 0;
    window.Create();
}

void LoadingTest::TearDown()
{
    resetScanState();
    freeScanFileList();
    nLoadEveryNth = 1;
    bCheckTimeStamps = 1;
}

}  // namespace scantest
