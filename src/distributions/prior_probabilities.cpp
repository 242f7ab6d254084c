// Prior probabilities over the grid at the start of every run.
#include "distributions/prior_probabilities.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/root_finders.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"
#include "plot/matrix_file.h"

unsigned char bUsePriorProbabilities = 0;
char szPriorFileName[1000] = "";
char cPriorFileStash = '0';
unsigned char bGJTPriorFile = 0;
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

void placeSharpPriorPeak(const double* x, double* m, int j, double h, double s0, bool bAdd)
{
    if (x[j] == s0) {
        m[j] = (bAdd ? m[j] : 0.0) + 2 * h;
        if (!bAdd) m[j + 1] = 0.0;
        return;
    }
    setPriorPeakNeighbourhood(x[j - 1], x[j], x[j + 1], x[j + 2], h, s0);
    const double d = zbrent(priorPeakMeanExcess, -h, h, 1e-4);
    m[j] = (bAdd ? m[j] : 0.0) + h + d;
    m[j + 1] = (bAdd ? m[j + 1] : 0.0) + h - d;
}

double sharpPriorPeakHeight(const double* x, int j, double dArea)
{
    return 2 * dArea / (x[j + 1] - x[j - 1] + x[j + 2] - x[j]);
}

bool priorCsTypeModel()
{
    return bModelContinuous && !bBoundaryAnalysisMode && !bModelHybridCSLsgs && !bModelLsgs &&
           !bModelLsgsOneDiscrete && !bModelLsgv && !bModelZone && !bModelZoneLsgs && !isTwoDimensionalModel();
}

namespace {

// The last grid point at or below v (0 when none).
int lastPointAtOrBelow(const double* x, int n, double v)
{
    int j = 0;
    for (int i = 1; i <= n; i++)
        if (x[i] <= v) j = i;
    return j;
}

int refuseGJPrior(const char* szMessage)
{
    showErrorMessage(szMessage, 0);
    bUsePriorProbabilities = 0;
    return 0;
}

}  // namespace

int importGJPriorFile(const char* szPath)
{
    if (!priorCsTypeModel()) return refuseGJPrior("Error: Importing GJ Prior requires c(s) model to be active");
    int nRows = 0;
    float** table = szPath && szPath[0] ? readMatrixFile(szPath, 2, &nRows) : nullptr;
    // both boundary components are needed: a file of one row has no second
    if (!table || nRows < 2) {
        if (table) free_matrix(table, 1, 2, 1, nRows);
        return refuseGJPrior("Could Not Open MaxEnt Prior File");
    }
    const int n = nResolution;
    const int nCurve = nRows - 2;
    // the curve in ascending s, the two boundary components
    std::vector<double> cs(static_cast<size_t>(nCurve) + 1, 0.0), cv(static_cast<size_t>(nCurve) + 1, 0.0);
    for (int i = 1; i <= nCurve; i++) {
        cs[static_cast<size_t>(i)] = table[1][nCurve + 1 - i];
        cv[static_cast<size_t>(i)] = table[2][nCurve + 1 - i];
    }
    const double s1 = table[1][nRows - 1], a1 = table[2][nRows - 1];
    const double s2 = table[1][nRows], a2 = table[2][nRows];
    free_matrix(table, 1, 2, 1, nRows);
    if (!pDistAxisS || !pPriorProbability || n < 4) return refuseGJPrior("GJ boundary out of s-range");
    std::vector<double> x(static_cast<size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; i++) x[static_cast<size_t>(i)] = pDistAxisS[i];
    if (nCurve >= 1) {
        cs[1] -= 0.0001;
        cs[static_cast<size_t>(nCurve)] += 0.0001;
        if (!(cs[static_cast<size_t>(nCurve)] <= x[static_cast<size_t>(n - 2)] && cs[1] >= x[3]))
            return refuseGJPrior("GJ boundary out of s-range");
    }
    double* m = pPriorProbability;
    for (int i = 1; i <= n; i++) m[i] = 0.0;
    const int j1 = lastPointAtOrBelow(x.data(), n, s1);
    if (j1 < 2 || j1 > n - 2) return refuseGJPrior("GJ boundary out of s-range");
    placeSharpPriorPeak(x.data(), m, j1, sharpPriorPeakHeight(x.data(), j1, a1), s1, false);

    // a curve between grid points leaves the second component as a sharp
    // peak (without a curve, at its own place)
    int jLow = 0, jHigh = 0;
    if (nCurve >= 1) {
        jLow = lastPointAtOrBelow(x.data(), n, cs[1]);
        jHigh = jLow + 1;
        while (jHigh < n && !(x[static_cast<size_t>(jHigh)] > cs[static_cast<size_t>(nCurve)])) jHigh++;
    } else {
        jLow = lastPointAtOrBelow(x.data(), n, s2);
        jHigh = jLow + 1;
    }
    if (jLow + 1 >= jHigh) {
        if (jLow < 2 || jLow > n - 2) return refuseGJPrior("GJ boundary out of s-range");
        placeSharpPriorPeak(x.data(), m, jLow, sharpPriorPeakHeight(x.data(), jLow, a2), s2, false);
    } else {
        interpolateLinearD(jHigh - jLow + 1, x.data() + jLow - 1, m + jLow - 1, nCurve, cs.data(), cv.data());
    }

    freePriorDiscreteSpecies();
    pPriorDiscreteSpecies = dvector(1, n);
    pPriorDiscreteSpeciesValues = dvector(1, n);
    nPriorDiscreteSpecies = n;
    for (int i = 1; i <= n; i++) {
        pPriorDiscreteSpecies[i] = x[static_cast<size_t>(i)];
        pPriorDiscreteSpeciesValues[i] = m[i] + 0.01 * a2;
    }
    return 1;
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
            placeSharpPriorPeak(x, m, j, A / (x[j + 1] - x[j]), L, true);
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
