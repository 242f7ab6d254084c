// The direct boundary model from a g(s*) table.
#include "distributions/boundary_model.h"

#include <cmath>
#include <cstdio>

#include "app/xla_app.h"
#include "app/xla_window.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "fitting/fit_globals.h"
#include "fitting/linear_parts.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

namespace {

void box(const char* szText)
{
    win::MessageBox(pMainWindow ? pMainWindow->HWindow : nullptr, szText, "", win::MB_OK);
}

// The noise solution with the step model as the one species of the discrete
// model; the model flags and species slots are put back afterwards.
void solveSystematicParts()
{
    const unsigned char bContinuous = bModelContinuous, bDiscrete = bModelDiscreteSpecies;
    int nIncluded[5];
    float fConc[5], fAmplitude[5];
    for (int k = 1; k <= 4; k++) {
        nIncluded[k] = pSpeciesIncluded[k];
        fConc[k] = pSpeciesConc[k];
        fAmplitude[k] = fSpeciesAmplitude[k];
    }
    bModelContinuous = 0;
    bModelDiscreteSpecies = 1;
    pSpeciesIncluded[1] = 1;
    for (int k = 2; k <= 4; k++) pSpeciesIncluded[k] = 0;
    pSpeciesConc[1] = 1.0f;
    fSpeciesAmplitude[1] = 1.0f;
    if (bFitTINoise && bFitRINoise)
        calcTiRiNoiseOnly();
    else if (bFitTINoise)
        calcTiNoiseProfile();
    else if (bAlgebraicBaseline)
        calcBaselineOnly();
    else
        addBaselineToModel();
    bModelContinuous = bContinuous;
    bModelDiscreteSpecies = bDiscrete;
    for (int k = 1; k <= 4; k++) {
        pSpeciesIncluded[k] = nIncluded[k];
        pSpeciesConc[k] = fConc[k];
        fSpeciesAmplitude[k] = fAmplitude[k];
    }
}

// The ls-g*(s) display of the table itself; the prior vectors and the stores
// of the old grid go with it.
void showTableAsDistribution(float** ppTable, int n)
{
    freeLammSolutionStore(nLammSolutionStoreRows);
    freeNormalArrays(nNEQSize);
    freeDistributionVectors();
    allocDistributionVectors(n);
    for (int i = 1; i <= n; i++) {
        pDistAxisS[i] = ppTable[1][i];
        pDistAxisM[i] = 1.0f;
        pDistValues[i] = ppTable[2][i];
        pDistValues2[i] = 0.0f;
    }
    if (pDistXVector) pDistXVector->Attach(pDistAxisS, n, 1);
    if (pDistYVector) pDistYVector->Attach(pDistValues, n, 1);
    if (pDistY2Vector) pDistY2Vector->Attach(pDistValues2, n, 1);
    pDistPlot->Rescale();
    pDistPlot->Draw();
}

}  // namespace

bool boundaryModelFromGs(float** ppTable, int nColumns, int nRows)
{
    // 1.
    if (nScans < 1) return false;
    if (fMeniscus == 0.0f || fBottom == 0.0f) {
        box("set Meniscus and Bottom first");
        return false;
    }
    if (!ppTable || nColumns < 2 || nRows < 2) {
        box("the g(s*) table needs at least two rows: the bin width is taken from the first two");
        return false;
    }
    // a value that is not a number would leave every bin out: a model of 0
    for (int i = 1; i <= nRows; i++)
        for (int j = 1; j <= 2; j++)
            if (!std::isfinite(ppTable[j][i])) {
                char sz[120];
                std::snprintf(sz, sizeof sz, "the g(s*) table holds a value that is not a number: %s in row %d",
                              j == 1 ? "s*" : "g(s*)", i);
                box(sz);
                return false;
            }
    // 2.
    if (fFitLeftLim == 0.0f) {
        fFitLeftLim = fMeniscus;
        updateLeftFitLimit();
    }
    if (fFitRightLim == 0.0f) {
        fFitRightLim = fBottom;
        updateRightFitLimit();
    }
    paramVectorToGlobals();
    // 3. The species-1 basis exists whether or not species 1 was included.
    if (!pppExtraNoiseScan[1]) {
        const int nIncluded = pSpeciesIncluded[1];
        pSpeciesIncluded[1] = 1;
        allocExtraNoiseArrays();
        pSpeciesIncluded[1] = nIncluded;
    }
    float** ppBasis = pppExtraNoiseScan[1];
    for (int k = 1; k <= nScans; k++) {
        for (int p = 1; p <= pScanPoints[k]; p++) ppFit[k][p] = 0.0f;
        if (ppBasis && ppBasis[k])
            for (int j = 1; j <= nNoiseGridPoints; j++) ppBasis[k][j] = 0.0f;
    }
    // 4. One radially diluted step per bin and scan.
    const float ds = ppTable[1][2] - ppTable[1][1];
    for (int i = 1; i <= nRows; i++) {
        const float a = ds * ppTable[2][i];
        if (!(a > 0.0f)) continue;
        const double sStar = ppTable[1][i];
        for (int k = 1; k <= nScans; k++) {
            const double w = pScanHeaders[k].omega2t;
            const float A = static_cast<float>(a * std::exp(-2.0 * w * sStar * 1e-13));
            const float rb = static_cast<float>(fMeniscus * std::exp(w * sStar * 1e-13));
            if (ppBasis && ppBasis[k])
                for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++)
                    if (pNoiseGrid[j] >= rb) ppBasis[k][j] += A;
            for (int p = pFitFirstIndex[k]; p <= pFitLastIndex[k]; p++)
                if (ppRadius[k][p] >= rb) ppFit[k][p] += A;
        }
    }
    // 5.
    solveSystematicParts();
    // 6.
    if (bModelLsgs && pDistPlot) showTableAsDistribution(ppTable, nRows);
    // 7.
    calcRmsd();
    return true;
}
