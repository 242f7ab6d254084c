// Lamm solutions into the store, and sharp-boundary profiles.
#include "distributions/step_profiles.h"

#include <cmath>
#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/radial_profile_filters.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/physical_constants.h"
#include "scandata/scan_data.h"

double dAreaFractionS = 0.0;

namespace {

// The absorbance optics blur the profile over fConvolutionRange.
bool opticalCorrectionOn() { return bAbsorbanceData && !bIntensityData && bSimRadialResolution; }

// The target radii of the store and the row to write; false when there is
// nothing to write into.
bool storeTarget(int k, float** ppTarget, int* pnTarget, float** ppRow)
{
    if (!pLammSolutions || nLammSolutionSet < 1 || nLammSolutionSet > nLammSolutionStoreRows) return false;
    if (k < 1 || k > nScans) return false;
    if (bUseScanRadii) {
        if (!ppRadius || !pScanPoints) return false;
        *ppTarget = ppRadius[1];
        *pnTarget = pScanPoints[1];
    } else {
        *ppTarget = pNoiseGrid;
        *pnTarget = nNoiseGridPoints;
    }
    *ppRow = pLammSolutions[nLammSolutionSet][k];
    return *ppTarget && *ppRow;
}

}  // namespace

void interpolateLammSolution(int k, const double* r, const double* c, int m)
{
    float* pTarget = nullptr;
    float* pRow = nullptr;
    int n = 0;
    if (!storeTarget(k, &pTarget, &n, &pRow)) return;
    if (!interpolateOnGridFD(n, pTarget, pRow, m, r, c)) return;
    if (opticalCorrectionOn()) convolveAbsorbanceResolution(n, fConvolutionRange, pTarget, pRow);
}

void interpolateLammSolutionRaw(int k, const double* r, const double* c, int m)
{
    // added to what the row holds: the reference side of the buffer signal
    // goes onto the sample side's profile
    float* pTarget = nullptr;
    float* pRow = nullptr;
    int n = 0;
    if (!storeTarget(k, &pTarget, &n, &pRow)) return;
    interpolateOnGridFD2(n, pTarget, pRow, m, r, c);
}

namespace {

// Boundary radius and plateau of the sharp boundary at time t.
void sharpBoundary(double c0, double t, double* prb, double* pc)
{
    const double m = fMeniscus, b = fBottom, k = dAreaFractionS;
    if (bModelLsgv) {
        *prb = k * t + m;
        *pc = c0;
    } else if (k <= 0.0) {
        *prb = b * std::exp(k * t);
        *pc = c0 * std::exp(-2.0 * k * t);
    } else {
        *prb = m * std::exp(k * t);
        *pc = c0 * std::exp(-2.0 * k * t);
    }
}

bool scanTimeCorrectionOn() { return fScanVelocity > 0.0f && bSimTimeResolution; }

void incompressibleProfile(float c0, double t, const float* x, float* y, int n)
{
    const double m = fMeniscus, w = fZoneLamellaWidth, k = dAreaFractionS;
    const double v = fScanVelocity / 60.0;  // cm/s
    const bool bCorrect = scanTimeCorrectionOn();
    double rb = 0.0, c = 0.0, rz = (m + w) * std::exp(k * t);
    sharpBoundary(c0, t, &rb, &c);
    if (bCorrect) {
        // the scanner reaches the boundary later, and the zone edge later still
        const double dt = (rb - m) / v;
        sharpBoundary(c0, t + dt, &rb, &c);
        const double dz = ((m + w) * std::exp(k * t) - m) / v;
        rz = (m + w) * std::exp(k * (t + dz));
    }
    for (int i = 1; i <= n; i++) {
        const double xi = x[i];
        bool bInside;
        if (bModelZone)
            bInside = xi >= rb && xi < rz;
        else if (k <= 0.0)
            bInside = xi <= rb;
        else
            bInside = xi >= rb;
        double yi = bInside ? c : 0.0;
        if (bCorrect && yi != 0.0) yi *= std::exp(-2.0 * k * (xi - m) / v);
        y[i] = static_cast<float>(yi);
    }
}

// Rotor speed of the last scan in time order (rpm).
double lastScanRpm()
{
    if (nScans < 1 || !pScanHeaders) return 0.0;
    const int nLast = pScanTimeOrder ? pScanTimeOrder[nScans] : nScans;
    const float fRpm = pScanHeaders[nLast].rpm;
    return fRpm;
}

void compressibleProfile(float c0, double t, const float* x, float* y, int n)
{
    const double m = fMeniscus, k = dAreaFractionS;
    double dt = 0.0;
    if (scanTimeCorrectionOn()) dt = (m * std::exp(k * t) - m) / (fScanVelocity / 60.0);
    const double tau = t + dt;
    const double mp = m * 0.01;
    const double rho = fGradientBufferDensity * 1000.0;
    const double vb = VBAR * 0.001;
    const double omega = omegaOfRpm(lastScanRpm());
    const double w2 = omega * omega;
    const double kappa = dSolventCompressibility * 1e-6;
    const double s0 = dLammS * 1e-13;
    const double A = w2 * ((1.0 - VBAR * fGradientBufferDensity) * s0 / fGradientBufferViscosityRef) /
                     (1.0 - VBAR * kWaterDensity20) / (1.0 - vb * rho);
    const double B = vb * rho * rho * w2 * kappa / 2.0;
    const double D = 1.0 - vb * rho;
    const double Q = mp * mp * B + D;
    const double e = std::exp(-2.0 * A * tau * Q);
    const double rb = 100.0 * mp * std::sqrt(Q) / std::sqrt(B * mp * mp + D * e);
    auto concentrationFrom = [&](double xp) {
        const double f = B * mp * mp + B * xp * xp / e - B * xp * xp + D;
        return c0 * e * f * f / (Q * Q);
    };
    // Where the material that started at each radius has got to, and its
    // concentration; up to the first radius past the last point.
    std::vector<double> r(1), cr(1);
    for (int i = 1; i <= n; i++) {
        const double xp = x[i] * 0.01;
        r.push_back(100.0 * xp * std::sqrt(Q) / std::sqrt(B * xp * xp + e * (B * mp * mp - B * xp * xp + D)));
        cr.push_back(concentrationFrom(xp));
        if (r.back() > x[n] + 0.001) break;
    }
    const int nTable = static_cast<int>(r.size()) - 1;
    // Every point from the boundary on: the table's value, or the plateau
    // (the material from the meniscus) where the table does not reach.
    const double dPlateau = concentrationFrom(mp);
    std::vector<double> xt(1), yt(1);
    for (int i = 1; i <= n; i++) {
        if (x[i] < rb) {
            y[i] = 0.0f;
            continue;
        }
        xt.push_back(x[i]);
        yt.push_back(dPlateau);
    }
    const int nTargets = static_cast<int>(xt.size()) - 1;
    if (nTable >= 2 && nTargets >= 1)
        interpolateLinearD(nTargets, xt.data(), yt.data(), nTable, r.data(), cr.data());
    for (int i = 1, j = 1; i <= n; i++)
        if (x[i] >= rb) y[i] = static_cast<float>(yt[j++]);
}

}  // namespace

void stepFunctionProfile(float c0, double t, float* x, float* y, int n)
{
    if (!x || !y || n < 1) return;
    if (bInhomogeneousSolvent && bCompressibleSolvent)
        compressibleProfile(c0, t, x, y, n);
    else
        incompressibleProfile(c0, t, x, y, n);
    if (opticalCorrectionOn()) convolveAbsorbanceResolution(n, fConvolutionRange, x, y);
}
