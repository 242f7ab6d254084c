// The sedimentation-equilibrium profile of one species per scan.
//
// With a = Mb sigma, sigma = omega^2 / (2 R T), the profile is
// c(r) = c_ref exp(a r^2) with c_ref chosen so that c0 is its mean over r^2
// between meniscus m and bottom b. Written with x = a (b^2 - m^2) it is
//   c(r) = c0 x / expm1(x)    exp(a (r^2 - m^2))     (referred to the meniscus)
//        = c0 (-x) / expm1(-x) exp(a (r^2 - b^2))    (referred to the bottom),
// the first used for a < 0, the second for a > 0, so that the exponential
// never exceeds 1 and the normalisation keeps its digits for small x (the
// plain exp(a (b^2 - 49)) overflows for large a, and E_b - E_m cancels for
// small a). a = 0 is the flat loading.
#include <cmath>

#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "fegrid/propagators.h"
#include "fegrid/radial_profile_filters.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"
#include "tools/fluorescence/fluorescence_options.h"

namespace {

// The profile of one scan at the radii r[1..n] into y[1..n], with the optics.
void equilibriumProfile(double a, double c0, const float* r, float* y, int n)
{
    const double m = fMeniscus, b = fBottom;
    const double m2 = m * m, b2 = b * b;
    const double x = a * (b2 - m2);
    for (int i = 1; i <= n; i++) {
        const double r2 = static_cast<double>(r[i]) * r[i];
        double v;
        if (a > 0)
            v = c0 * (-x / std::expm1(-x)) * std::exp(a * (r2 - b2));
        else if (a < 0)
            v = c0 * (x / std::expm1(x)) * std::exp(a * (r2 - m2));
        else
            v = c0;
        // the radial signal slope of the detection
        if (bFloRadialMagnification) v *= 1.0 + (fFloRadialMagFactor - 1.0) * (r[i] - m);
        y[i] = static_cast<float>(v);
    }
    float* pr = const_cast<float*>(r);
    if (bFloExcitationCone) bottomOpticalCutoff(n, pr, y);
    if (bAbsorbanceData && !bIntensityData && bSimRadialResolution)
        convolveAbsorbanceResolution(n, fConvolutionRange, pr, y);
    else if (bFloConvolution)
        gaussianRadialSmoothing(n, pr, y);
}

}  // namespace

void equilibriumExponentialPerScan(double Mb, double c0)
{
    if (nScans < 1 || !pScanTimeOrder) return;
    const float pi = 3.1415927f;
    for (int p = 1; p <= nScans; p++) {
        const int k = pScanTimeOrder[p];
        if (keyPressed()) bInterruptComputation = 1;
        const ScanHeader& h = pScanHeaders[k];
        const double w = 2.0 * pi * h.rpm / 60.0;
        const double sigma = w * w / ((h.temperature + kZeroCelsius) * (2.0 * kGasConstant));
        const double a = Mb * sigma;
        if (!bModelContinuous && !bAlgebraicConcentrations && !bFitTINoise) {
            if (!ppFit || !ppFit[k] || !ppRadius || !ppRadius[k]) continue;
            const int n = pScanPoints[k];
            if (n < 1) continue;
            float* tmp = vector(1, n);
            equilibriumProfile(a, c0, ppRadius[k], tmp, n);
            for (int j = 1; j <= n; j++) ppFit[k][j] += tmp[j];
            free_vector(tmp, 1, n);
        } else if (!bModelContinuous) {
            const int s = nSimSpeciesIndex;
            if (s < 1 || s > 4 || !pppExtraNoiseScan[s] || !pppExtraNoiseScan[s][k] || !pNoiseGrid) continue;
            equilibriumProfile(a, c0, pNoiseGrid, pppExtraNoiseScan[s][k], nNoiseGridPoints);
        } else {
            if (!pLammSolutions || nLammSolutionSet < 1 || nLammSolutionSet > nLammSolutionStoreRows) continue;
            float* row = pLammSolutions[nLammSolutionSet][k];
            if (bUseScanRadii) {
                if (!ppRadius || !ppRadius[k]) continue;
                // the store's rows hold as many points as scan 1
                int n = h.nPoints;
                if (n > pScanPoints[k]) n = pScanPoints[k];
                if (n > pScanPoints[1]) n = pScanPoints[1];
                equilibriumProfile(a, c0, ppRadius[k], row, n);
            } else if (pNoiseGrid) {
                equilibriumProfile(a, c0, pNoiseGrid, row, nNoiseGridPoints);
            }
        }
    }
}
