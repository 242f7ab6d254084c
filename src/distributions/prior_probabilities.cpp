// Prior probabilities over the grid at the start of every run.
#include "distributions/prior_probabilities.h"

#include <algorithm>
#include <cmath>

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/root_finders.h"
#include "fitting/fit_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"
#include "plot/matrix_file.h"

unsigned char bUsePriorProbabilities = 0;
char szPriorFileName[1000] = "";
double dPriorPeakLocation[nPriorPeakRows + 1] = {};
double dPriorPeakWidth[nPriorPeakRows + 1] = {};
double dPriorPeakAmplitude[nPriorPeakRows + 1] = {};
unsigned char bPriorFromDiscreteSpecies = 0;
unsigned char bDiscreteSpeciesPriorUsed = 0;
unsigned char bGJPriorLoaded = 0;
int nPriorDiscreteSpecies = 0;
double* pPriorDiscreteSpecies = nullptr;
double* pPriorDiscreteSpeciesValues = nullptr;
unsigned char bPriorFf0Gaussians = 0;
double dFf0PriorPeakPosition[10] = {};
double dFf0PriorPeakHalfWidth[10] = {};
double dFf0PriorPeakEnhancement[10] = {};

namespace {

struct PeakNeighbourhood {
    double x[5];  // 1..4
    double h;
    double dTarget;
};
PeakNeighbourhood gPeak = {{0, 0, 0, 0, 0}, 0, 0};

}  // namespace

void freePriorDiscreteSpecies()
{
    if (pPriorDiscreteSpecies) free_dvector(pPriorDiscreteSpecies, 1, nPriorDiscreteSpecies);
    if (pPriorDiscreteSpeciesValues) free_dvector(pPriorDiscreteSpeciesValues, 1, nPriorDiscreteSpecies);
    pPriorDiscreteSpecies = pPriorDiscreteSpeciesValues = nullptr;
    nPriorDiscreteSpecies = 0;
}

void setPriorPeakNeighbourhood(double x1, double x2, double x3, double x4, double h, double dTarget)
{
    gPeak = {{0, x1, x2, x3, x4}, h, dTarget};
}

double priorPeakMeanExcess(double d)
{
    const double y[5] = {0, 0, gPeak.h + d, gPeak.h - d, 0};
    double dArea = 0, dMoment = 0;
    for (int k = 1; k <= 3; k++) {
        const double x0 = gPeak.x[k], x1 = gPeak.x[k + 1], y0 = y[k], y1 = y[k + 1];
        dArea += (x1 - x0) * (y0 + y1) / 2;
        dMoment += (x1 - x0) * (y0 * (2 * x0 + x1) + y1 * (x0 + 2 * x1)) / 6;
    }
    if (dArea == 0) return gPeak.dTarget;
    return dMoment / dArea - gPeak.dTarget;
}

namespace {

// Delta peaks and Gaussians of the peak table over the abscissa x[1..n].
void priorFromPeakTable(const double* x, double* m, int n)
{
    for (int i = 1; i <= n; i++) m[i] = 0.001;
    for (int k = 1; k <= nPriorPeakRows; k++) {
        const double L = dPriorPeakLocation[k], W = dPriorPeakWidth[k], A = dPriorPeakAmplitude[k];
        if (L == 0 || W == -1 || A == 0) continue;
        if (W == 0) {
            int j = 0;
            for (int i = 1; i <= n - 2; i++)
                if (x[i] <= L && L < x[i + 1]) {
                    j = i;
                    break;
                }
            if (j <= 1) continue;  // no interval, or none with a point below it
            const double h = A / (x[j + 1] - x[j]);
            if (x[j] == L) {
                m[j] += 2 * h;
                continue;
            }
            setPriorPeakNeighbourhood(x[j - 1], x[j], x[j + 1], x[j + 2], h, L);
            const double d = zbrent(priorPeakMeanExcess, -h, h, 1e-4);
            m[j] += h + d;
            m[j + 1] += h - d;
        } else if (W > 0) {
            for (int i = 1; i <= n; i++) {
                const float fExponent = static_cast<float>(-(L - x[i]) * (L - x[i]) / (W * W));
                m[i] += A * std::exp(fExponent) / (1.772 * W);
            }
        }
    }
}

void priorFromFile(const double* x, double* m, int n)
{
    int nRows = 0;
    float** table = readMatrixFile(szPriorFileName, 2, &nRows);
    if (!table || nRows < 1) {
        if (!bSerialFitRunning) showErrorMessage("Could Not Open MaxEnt Prior File", 0);
        bUsePriorProbabilities = 0;
        return;
    }
    interpolateOnGridDF(n, x, m, nRows, table[1], table[2]);
    free_matrix(table, 1, 2, 1, nRows);
}

}  // namespace

int setupPriorProbabilities()
{
    const int n = nResolution;
    const float* pAxis = isSFamilyModel() ? pDistAxisS : pDistAxisM;
    if (!pPriorAbscissa || !pPriorProbability || !pAxis) return 1;
    for (int i = 1; i <= n; i++) pPriorAbscissa[i] = pAxis[i];
    if (bUsePriorProbabilities) {
        if (szPriorFileName[0] == 0 && !bPriorFromDiscreteSpecies && !bGJPriorLoaded)
            priorFromPeakTable(pPriorAbscissa, pPriorProbability, n);
        else if (bPriorFromDiscreteSpecies || bGJPriorLoaded)
            interpolateOnGridDD(n, pPriorAbscissa, pPriorProbability, nPriorDiscreteSpecies, pPriorDiscreteSpecies,
                                pPriorDiscreteSpeciesValues);
        else
            priorFromFile(pPriorAbscissa, pPriorProbability, n);
    }
    if (isTwoDimensionalModel() && bPriorFf0Gaussians && pFf0PriorWeights && pFf0Grid) {
        const int nFf0 = std::min(nFf0Resolution, allocatedFf0Points());
        for (int k = 1; k <= nFf0; k++) pFf0PriorWeights[k] = 0.001f;
        for (int g = 0; g < 10; g++) {
            const double P = dFf0PriorPeakPosition[g], H = dFf0PriorPeakHalfWidth[g], E = dFf0PriorPeakEnhancement[g];
            if (P == 0 || H == 0 || E == 0) continue;
            for (int k = 1; k <= nFf0; k++) {
                const double f = pFf0Grid[k];
                pFf0PriorWeights[k] += static_cast<float>(E * std::exp(-(P - f) * (P - f) / (H * H)) / (1.772 * H));
            }
        }
    }
    return 1;
}
