// Distribution files and the reuse of the two-dimensional kernels.
#include "distributions/distribution_file.h"

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "distributions/s_grid.h"
#include "fitting/fit_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"

int loadDistributionFromFile(const char* szPath)
{
    if (isTwoDimensionalModel()) return 0;
    clearDistributionResults();
    CCurve curve;
    if (!szPath || !curve.Load(szPath, 1, 2) || !curve.pX || !curve.pY) return 0;
    const int n = static_cast<int>(curve.pX->nSize);
    if (n < 1 || curve.pY->nSize != curve.pX->nSize) return 0;
    allocDistributionVectors(n);
    const bool bS = isSFamilyModelForFile();
    for (int i = 1; i <= n; i++) {
        const float x = curve.pX->Get(i - 1);
        pDistAxisS[i] = bS ? x : 0.0f;
        pDistAxisM[i] = bS ? 0.0f : x;
        pDistValues[i] = curve.pY->Get(i - 1);
        pDistValues2[i] = 0.0f;
    }
    if (bSyntheticDistNormalized) {
        const float* x = bS ? pDistAxisS : pDistAxisM;
        double dSum = 0.0, dArea = 0.0;
        for (int i = 1; i <= n; i++) dSum += pDistValues[i];
        for (int i = 2; i <= n; i++) dArea += 0.5 * (pDistValues[i] + pDistValues[i - 1]) * (x[i] - x[i - 1]);
        if (dArea > 0.0)
            for (int i = 1; i <= n; i++) pDistValues[i] = static_cast<float>(pDistValues[i] / (dSum / dArea));
    }
    plotDistribution();
    int nPoints = 0;
    if (bDLSData && pDlsHeaders)
        nPoints = pDlsHeaders[1].nPoints;
    else if (nScans >= 1 && pScanPoints)
        nPoints = pScanPoints[1];
    if (!allocLammSolutionStore(n, nScans, nPoints)) return 0;
    if (!allocNormalArrays(n, nScans, nPoints)) {
        freeLammSolutionStore(n);
        return 0;
    }
    return 1;
}

bool checkContiKernelsDue()
{
    if (bSkipRegularization) return true;
    if (!isTwoDimensionalModel()) {
        bContiKernelsDue = 1;
        return true;
    }
    const LastGridSettings& g = lastGridSettings;
    bContiKernelsDue = !pNEMatrix || !pLammSolutions || fFf0Max != g.fFf0Max || fFf0Min != g.fFf0Min ||
                       fSMax != g.fSMax || fSMin != g.fSMin || fFf0Resolution != g.fFf0Resolution ||
                       nCsGridTotal != g.nCsGridTotal || fSGridResolution != g.fSGridResolution || bDataChanged;
    return bContiKernelsDue != 0;
}
