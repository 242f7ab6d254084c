// Loading equilibrium of the A + B <-> AB model: the complex formed by mass
// action from the loading concentrations, in closed form, and the loading
// profiles of the run on the grid.
#include <cmath>

#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"

float fLogAssocK = 0.0f;
float fAssocK = 1.0f;
float fLoadingA = 0.0f;
float fLoadingB = 0.0f;
float fSignalCoefA = 1.0f;
float fSignalCoefB = 1.0f;
float fDiffA = 0.0f;
float fDiffB = 0.0f;
float fDiffAB = 0.0f;
float fSedA = 0.0f;
float fSedB = 0.0f;
float fSedAB = 0.0f;
float fComplexLoading = 0.0f;
double dComplexSignalFactor = 2.0;
double dLastHeteroStep = 0.0;

double complexLoadingConcentration(double a, double b, double K)
{
    if (a == 0 || b == 0 || !(K > 0)) return 0.0;
    const double invK = 1.0 / K;
    const double S = a + b + invK;
    const double D = (a - b) * (a - b) + (2 * (a + b) + invK) * invK;
    const double den = S + std::sqrt(D);
    if (!(den != 0) || !std::isfinite(den)) return 0.0;
    return 2 * a * b / den;
}

void heteroAssocEquilibrium()
{
    // A signal coefficient of 0 leaves nothing of that species to measure:
    // its concentration counts as 0 (the run itself is refused then).
    const double a = fSignalCoefA != 0 ? static_cast<double>(fLoadingA) / fSignalCoefA : 0.0;
    const double b = fSignalCoefB != 0 ? static_cast<double>(fLoadingB) / fSignalCoefB : 0.0;
    const double K = std::pow(10.0, static_cast<double>(fLogAssocK));
    fAssocK = static_cast<float>(K);
    const double x = complexLoadingConcentration(a, b, K);
    fComplexLoading = static_cast<float>(x);
    dComplexSignalFactor = static_cast<double>(fSignalCoefA) + fSignalCoefB;
    if (bGridArraysAllocated && pFreeA && pFreeB && pGridConc) {
        const double cA = a - x, cB = b - x;
        const double c = cA * cB * K;
        const double dSignal = fSignalCoefA * cA + fSignalCoefB * cB + dComplexSignalFactor * c;
        for (int i = 1; i <= nGridPointsAllocated; i++) {
            pFreeA[i] = pOldA[i] = pOlderA[i] = cA;
            pFreeB[i] = pOldB[i] = pOlderB[i] = cB;
            pComplex[i] = c;
            pGridConc[i] = dSignal;
        }
    }
    dLastHeteroStep = 0.0;
}
