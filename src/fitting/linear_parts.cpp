// Linear amplitudes, baseline and systematic noise of discrete species.
#include "fitting/linear_parts.h"

#include <vector>

#include "analyses/species_totals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nnls.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"

int* pActiveSpecies = nullptr;
int nActiveSpecies = 0;
float** ppAmplitudeMatrix = nullptr;
float* pAmplitudes = nullptr;
float* pSpeciesMeanInRange = nullptr;

void allocLinearPartArrays()
{
    pActiveSpecies = ivector(1, 4);
    ppAmplitudeMatrix = matrix(1, 4, 1, 4);
    pAmplitudes = vector(1, 4);
    pSpeciesMeanInRange = vector(1, 4);
}

namespace {

// Among the program's static initialisations; never freed.
[[maybe_unused]] const bool bLinearPartArraysAllocated = (allocLinearPartArrays(), true);

// The data on the noise grid as they were before the radial centring: the
// uncentring puts them back exactly.
std::vector<std::vector<float>> dataBeforeCentring;

// The bases on the noise grid: per species, scan and grid point; their means
// over the scans (per grid point) and over the fitted radii (per scan).
float** basisOf(int s)
{
    return pppExtraNoiseScan[s];
}

bool isInteractingOrContinuous()
{
    return bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148 ||
           bModelNonidealSingle || bModelNonidealMultiple || bModelHeteroAssociation || bModelContinuous;
}

int fittedCount()
{
    return nNoiseGridLast - nNoiseGridFirst + 1;
}

// Sums over the data (all scans, fitted radii) of the products that make the
// normal equations of the listed species, solved for amplitudes >= 0 into
// pAmplitudes. u(s, k, j) is the basis value used, v(k, j) the data value.
template <class U, class V>
void solveAmplitudes(U&& u, V&& v)
{
    const int n = nActiveSpecies;
    for (int p = 1; p <= n; p++) {
        const int s = pActiveSpecies[p];
        double r = 0.0;
        for (int k = 1; k <= nScans; k++)
            for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) r += u(s, k, j) * v(k, j);
        pAmplitudes[p] = static_cast<float>(r);
        for (int q = 1; q <= p; q++) {
            const int t = pActiveSpecies[q];
            double a = 0.0;
            for (int k = 1; k <= nScans; k++)
                for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) a += u(s, k, j) * u(t, k, j);
            ppAmplitudeMatrix[p][q] = ppAmplitudeMatrix[q][p] = static_cast<float>(a);
        }
    }
    if (n > 0) solveNormalEquationsF(ppAmplitudeMatrix, pAmplitudes, n, true);
}

void setAllAmplitudes(float v)
{
    for (int p = 1; p <= nActiveSpecies; p++) pAmplitudes[p] = v;
}

// The amplitudes stay those the bases were delivered with.
void amplitudesFromScales()
{
    for (int p = 1; p <= nActiveSpecies; p++) pAmplitudes[p] = fSpeciesAmplitude[pActiveSpecies[p]];
}

// Solved amplitudes into the concentration entries.
void storeAmplitudes()
{
    for (int p = 1; p <= nActiveSpecies; p++) {
        const int s = pActiveSpecies[p];
        pParamValue[8 + s] = pAmplitudes[p];
        pSpeciesConc[s] = pAmplitudes[p];
    }
}

void setBaselineValue(float v)
{
    fBaseline = v;
    pParamValue[15] = v;
}

void zeroTiNoise()
{
    for (int j = 1; j <= nNoiseGridPoints; j++) pTINoiseSaved[j] = 0.0f;
}

void addRiNoiseToFit()
{
    for (int k = 1; k <= nScans; k++)
        for (int p = 1; p <= pScanPoints[k]; p++) ppFit[k][p] += pRINoiseSaved[k];
}

void startWithNormalisedBases()
{
    listActiveSpecies();
    normaliseSpeciesBasis(nActiveSpecies, pActiveSpecies);
}

}  // namespace

// ---------------------------------------------------------------- building blocks

void listActiveSpecies()
{
    if (bModelDiscreteSpecies) {
        nActiveSpecies = 0;
        for (int s = 1; s <= 4; s++)
            if (pSpeciesIncluded[s]) pActiveSpecies[++nActiveSpecies] = s;
    } else if (isInteractingOrContinuous()) {
        nActiveSpecies = 1;
        pActiveSpecies[1] = 1;
    }
}

void calcMeanScan()
{
    if (!pTINoise || !ppScanOnNoiseGrid || nScans < 1) return;
    for (int j = 1; j <= nNoiseGridPoints; j++) {
        double d = 0.0;
        for (int k = 1; k <= nScans; k++) d += ppScanOnNoiseGrid[k][j];
        pTINoise[j] = static_cast<float>(d / nScans);
    }
    double dSum = 0.0;
    for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) dSum += pTINoise[j];
    fNoiseGridSum = static_cast<float>(nScans * dSum);
    fNoiseGridCount = static_cast<float>(nScans) * static_cast<float>(fittedCount() > 0 ? fittedCount() : 0);
}

void calcSpeciesMeanOverScans()
{
    for (int p = 1; p <= nActiveSpecies; p++) {
        const int s = pActiveSpecies[p];
        float** B = basisOf(s);
        if (!B || !ppExtraNoiseProfile[s]) continue;
        for (int j = 1; j <= nNoiseGridPoints; j++) {
            double d = 0.0;
            for (int k = 1; k <= nScans; k++) d += B[k][j];
            ppExtraNoiseProfile[s][j] = static_cast<float>(d / nScans);
        }
    }
}

void calcSpeciesMeanInRange()
{
    for (int p = 1; p <= nActiveSpecies; p++) {
        const int s = pActiveSpecies[p];
        float** B = basisOf(s);
        if (!B) continue;
        double d = 0.0;
        for (int k = 1; k <= nScans; k++)
            for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) d += B[k][j];
        pSpeciesMeanInRange[s] = fNoiseGridCount != 0.0f ? static_cast<float>(d / fNoiseGridCount) : 0.0f;
    }
}

void centerOverRadii()
{
    const int m = fittedCount();
    for (int p = 1; p <= nActiveSpecies; p++) {
        const int s = pActiveSpecies[p];
        float** B = basisOf(s);
        if (!B || !ppExtraNoiseAmplitude[s]) continue;
        for (int k = 1; k <= nScans; k++) {
            double d = 0.0;
            for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) d += B[k][j];
            const float mean = m > 0 ? static_cast<float>(d / m) : 0.0f;
            ppExtraNoiseAmplitude[s][k] = mean;
            for (int j = 1; j <= nNoiseGridPoints; j++) B[k][j] -= mean;
        }
    }
    dataBeforeCentring.assign(static_cast<size_t>(nScans) + 1, {});
    for (int k = 1; k <= nScans; k++) {
        float* y = ppScanOnNoiseGrid[k];
        dataBeforeCentring[k].assign(y, y + nNoiseGridPoints + 1);
        double d = 0.0;
        for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) d += y[j];
        pRINoise[k] = m > 0 ? static_cast<float>(d / m) : 0.0f;
        for (int j = 1; j <= nNoiseGridPoints; j++) y[j] -= pRINoise[k];
    }
    calcMeanScan();
}

void uncenterOverRadii()
{
    for (int p = 1; p <= nActiveSpecies; p++) {
        const int s = pActiveSpecies[p];
        float** B = basisOf(s);
        if (!B || !ppExtraNoiseAmplitude[s]) continue;
        for (int k = 1; k <= nScans; k++) {
            const float mean = ppExtraNoiseAmplitude[s][k];
            for (int j = 1; j <= nNoiseGridPoints; j++) B[k][j] += mean;
        }
    }
    // The data come back as they were, not as the sum of their centred
    // values and means (which can differ in the last digit).
    for (int k = 1; k <= nScans && k < static_cast<int>(dataBeforeCentring.size()); k++) {
        const std::vector<float>& saved = dataBeforeCentring[k];
        if (static_cast<int>(saved.size()) < nNoiseGridPoints + 1) continue;
        for (int j = 1; j <= nNoiseGridPoints; j++) ppScanOnNoiseGrid[k][j] = saved[j];
    }
    dataBeforeCentring.clear();
    calcMeanScan();
}

void calcTiNoiseFromSpecies()
{
    for (int j = 1; j <= nNoiseGridPoints; j++) {
        double d = 0.0;
        for (int p = 1; p <= nActiveSpecies; p++) {
            float** B = basisOf(pActiveSpecies[p]);
            if (!B) continue;
            double sum = 0.0;
            for (int k = 1; k <= nScans; k++) sum += B[k][j];
            d += pAmplitudes[p] * sum;
        }
        pTINoiseSaved[j] = static_cast<float>(pTINoise[j] - d / nScans);
    }
}

void scaleSpeciesBasis()
{
    if (!bModelDiscreteSpecies) return;
    for (int p = 1; p <= nActiveSpecies; p++) {
        const int s = pActiveSpecies[p];
        const float a = pAmplitudes[p];
        float** B = basisOf(s);
        if (B)
            for (int k = 1; k <= nScans; k++)
                for (int j = 1; j <= nNoiseGridPoints; j++) B[k][j] *= a;
        fSpeciesAmplitude[s] = a;
    }
}

void calcRiNoiseFromResidual()
{
    const int m = fittedCount();
    for (int k = 1; k <= nScans; k++) {
        double d = 0.0;
        for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) {
            double r = ppScanOnNoiseGrid[k][j];
            for (int s = 1; s <= 4; s++)
                if (pSpeciesIncluded[s] && basisOf(s)) r -= basisOf(s)[k][j];
            d += r;
        }
        pRINoiseSaved[k] = m > 0 ? static_cast<float>(d / m) : 0.0f;
    }
}

void buildFitFromNoiseGrid()
{
    for (int k = 1; k <= nScans; k++) {
        const int n = pScanPoints[k];
        float* fit = ppFit[k];
        if (!interpolateOnGrid(n, ppRadius[k], fit, nNoiseGridPoints, pNoiseGrid, pTINoiseSaved))
            for (int p = 1; p <= n; p++) fit[p] = 0.0f;
        for (int s = 1; s <= 4; s++) {
            if (!pSpeciesIncluded[s] || !basisOf(s)) continue;
            float* part = ppModelPart[k];
            if (!interpolateOnGrid(n, ppRadius[k], part, nNoiseGridPoints, pNoiseGrid, basisOf(s)[k]))
                for (int p = 1; p <= n; p++) part[p] = 0.0f;
            for (int p = 1; p <= n; p++) fit[p] += part[p];
        }
    }
}

float calcMeanResidual()
{
    double d = 0.0;
    long nCount = 0;
    for (int k = 1; k <= nScans; k++)
        for (int p = pFitFirstIndex[k]; p <= pFitLastIndex[k]; p++) {
            d += ppSignal[k][p] - ppFit[k][p];
            nCount++;
        }
    return nCount > 0 ? static_cast<float>(d / nCount) : 0.0f;
}

void addBaselineToModel()
{
    for (int pos = nFirstModelScan; pos <= nScans; pos++) {
        const int k = pScanTimeOrder[pos];
        for (int p = 1; p <= pScanPoints[k]; p++) ppFit[k][p] += fBaseline;
    }
}

// ---------------------------------------------------------------- the routines

void calcLinearPartsTiRiNoise()
{
    startWithNormalisedBases();
    centerOverRadii();
    calcSpeciesMeanOverScans();
    if (bModelConstantSignal) {
        setAllAmplitudes(1.0f);
    } else {
        // Both centrings: the radial one is in place, the one over scans is
        // taken off here.
        solveAmplitudes([](int s, int k, int j) { return double(basisOf(s)[k][j]) - ppExtraNoiseProfile[s][j]; },
                        [](int k, int j) { return double(ppScanOnNoiseGrid[k][j]) - pTINoise[j]; });
    }
    storeAmplitudes();
    calcTiNoiseFromSpecies();
    uncenterOverRadii();
    scaleSpeciesBasis();
    calcRiNoiseFromResidual();
    speciesToTotalAndFractions();
    setBaselineValue(0.0f);
    buildFitFromNoiseGrid();
    addRiNoiseToFit();
}

void calcLinearPartsTiNoise()
{
    startWithNormalisedBases();
    calcSpeciesMeanOverScans();
    calcMeanScan();
    if (bModelConstantSignal) {
        setAllAmplitudes(0.0f);
    } else {
        solveAmplitudes([](int s, int k, int j) { return double(basisOf(s)[k][j]) - ppExtraNoiseProfile[s][j]; },
                        [](int k, int j) { return double(ppScanOnNoiseGrid[k][j]) - pTINoise[j]; });
    }
    storeAmplitudes();
    calcTiNoiseFromSpecies();
    scaleSpeciesBasis();
    speciesToTotalAndFractions();
    setBaselineValue(0.0f);
    buildFitFromNoiseGrid();
}

void calcTiRiNoiseOnly()
{
    startWithNormalisedBases();
    centerOverRadii();
    calcSpeciesMeanOverScans();
    amplitudesFromScales();
    calcTiNoiseFromSpecies();
    uncenterOverRadii();
    scaleSpeciesBasis();
    calcRiNoiseFromResidual();
    setBaselineValue(0.0f);
    buildFitFromNoiseGrid();
    addRiNoiseToFit();
}

void calcTiNoiseProfile()
{
    // The bases as delivered; pTINoise holds the mean scan.
    for (int j = 1; j <= nNoiseGridPoints; j++) {
        double d = 0.0;
        for (int s = 1; s <= 4; s++) {
            if (!pSpeciesIncluded[s] || !basisOf(s)) continue;
            for (int k = 1; k <= nScans; k++) d += basisOf(s)[k][j];
        }
        pTINoiseSaved[j] = static_cast<float>(pTINoise[j] - d / nScans);
    }
    setBaselineValue(0.0f);
    buildFitFromNoiseGrid();
}

void calcLinearPartsBaselineRiNoise()
{
    startWithNormalisedBases();
    centerOverRadii();
    if (bModelConstantSignal) {
        setAllAmplitudes(0.0f);
    } else {
        solveAmplitudes([](int s, int k, int j) { return double(basisOf(s)[k][j]); },
                        [](int k, int j) { return double(ppScanOnNoiseGrid[k][j]); });
    }
    storeAmplitudes();
    uncenterOverRadii();
    scaleSpeciesBasis();
    calcRiNoiseFromResidual();
    speciesToTotalAndFractions();
    setBaselineValue(0.0f);
    zeroTiNoise();
    buildFitFromNoiseGrid();
    addRiNoiseToFit();
}

void calcLinearPartsWithBaseline()
{
    startWithNormalisedBases();
    calcMeanScan();
    calcSpeciesMeanOverScans();
    calcSpeciesMeanInRange();
    const double yMean = fNoiseGridCount != 0.0f ? double(fNoiseGridSum) / fNoiseGridCount : 0.0;
    solveAmplitudes([](int s, int k, int j) { return double(basisOf(s)[k][j]) - pSpeciesMeanInRange[s]; },
                    [yMean](int k, int j) { return double(ppScanOnNoiseGrid[k][j]) - yMean; });
    scaleSpeciesBasis();
    storeAmplitudes();
    speciesToTotalAndFractions();
    zeroTiNoise();
    buildFitFromNoiseGrid();
    setBaselineValue(calcMeanResidual());
    addBaselineToModel();
}

void calcRiNoiseAndBaseline()
{
    startWithNormalisedBases();
    // Only the scan means and the mean scan are refreshed.
    centerOverRadii();
    uncenterOverRadii();
    amplitudesFromScales();
    scaleSpeciesBasis();
    zeroTiNoise();
    calcRiNoiseFromResidual();
    setBaselineValue(0.0f);
    buildFitFromNoiseGrid();
    addRiNoiseToFit();
}

void calcBaselineOnly()
{
    zeroTiNoise();
    setBaselineValue(calcMeanResidual());
    addBaselineToModel();
}

void calcAmplitudesOnly()
{
    startWithNormalisedBases();
    calcSpeciesMeanOverScans();
    calcSpeciesMeanInRange();
    // The fixed baseline b comes off the right side: b x each species' own
    // sum over the data.
    const double b = fBaseline;
    const int n = nActiveSpecies;
    for (int p = 1; p <= n; p++) {
        const int s = pActiveSpecies[p];
        float** B = basisOf(s);
        double r = 0.0;
        for (int k = 1; k <= nScans; k++)
            for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) r += double(ppScanOnNoiseGrid[k][j]) * B[k][j];
        pAmplitudes[p] = static_cast<float>(r - b * pSpeciesMeanInRange[s] * fNoiseGridCount);
        for (int q = 1; q <= p; q++) {
            float** C = basisOf(pActiveSpecies[q]);
            double a = 0.0;
            for (int k = 1; k <= nScans; k++)
                for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) a += double(B[k][j]) * C[k][j];
            ppAmplitudeMatrix[p][q] = ppAmplitudeMatrix[q][p] = static_cast<float>(a);
        }
    }
    if (n > 0) solveNormalEquationsF(ppAmplitudeMatrix, pAmplitudes, n, true);
    scaleSpeciesBasis();
    storeAmplitudes();
    speciesToTotalAndFractions();
    zeroTiNoise();
    buildFitFromNoiseGrid();
    addBaselineToModel();
}

LinearPartsRoutine linearPartsRoutine()
{
    if (bFitTINoise) {
        if (bAlgebraicConcentrations) return bFitRINoise ? calcLinearPartsTiRiNoise : calcLinearPartsTiNoise;
        return bFitRINoise ? calcTiRiNoiseOnly : calcTiNoiseProfile;
    }
    if (bAlgebraicBaseline) {
        if (bAlgebraicConcentrations) return bFitRINoise ? calcLinearPartsBaselineRiNoise : calcLinearPartsWithBaseline;
        return bFitRINoise ? calcRiNoiseAndBaseline : calcBaselineOnly;
    }
    return bAlgebraicConcentrations ? calcAmplitudesOnly : addBaselineToModel;
}
