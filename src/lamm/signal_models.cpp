// CLammIdeal: signal models (time-dependent factors, radial convolution,
// bottom-zone shadow, radial resolution of absorbance data, Wiener skewing)
// and snapshot frames.
#include <cmath>

#include "lamm/lamm_ideal.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"

bool CLammIdeal::SetSignalFactorsForScans(double t, int n, const float* radii)
{
    if (n < 1 || !radii) return false;
    free_dvector(pSignalFactors, 1, nSignalFactors);
    nSignalFactors = n;
    pSignalFactors = dvector(1, n);
    for (int i = 1; i <= n; i++) pSignalFactors[i] = 1.0;
    if (!bTimeSignal) return false;
    const double d = bDrift ? 1 + t * dDriftRate : 1.0;
    if (bBleaching) {
        double B = (1 - dBleachLimit) * std::exp(-t * std::fabs(dBleachRate)) + dBleachLimit;
        if (B < 0) B = 0;
        for (int i = 1; i <= n; i++) pSignalFactors[i] = B;
    }
    for (int i = 1; i <= n; i++) pSignalFactors[i] *= d;
    return true;
}

// ---------------------------------------------------------------- radial convolution

void CLammIdeal::MakeConvolutionKernel()
{
    free_vector(pConvWeights, 1, nConvWeights);
    pConvWeights = nullptr;
    nConvWeights = 0;
    nConvFirst = nConvLast = 0;
    if (!bRadialConvolution || nScans < 1) return;
    const float* r = nullptr;
    int n = 0;
    if (!bPerScanRadii && pCommonRadii && nCommonRadii >= 2) {
        r = pCommonRadii;
        n = nCommonRadii;
    } else if (ppScanRadii && pScanPoints && ppScanRadii[1] && pScanPoints[1] >= 2) {
        r = ppScanRadii[1];
        n = pScanPoints[1];
    }
    if (!r) {
        nRadiiEquidistant = 2;
        return;
    }
    const double spacing = (double)r[2] - r[1];
    bool equidistant = spacing > 0;
    if (!bPerScanRadii) {
        for (int i = 2; i <= n && equidistant; i++)
            if (std::fabs(((double)r[i] - r[i - 1]) - spacing) > 1e-5) equidistant = false;
    } else {
        for (int s = 1; s <= nScans && equidistant; s++) {
            const float* rs = ppScanRadii[s];
            for (int i = 2; rs && i <= pScanPoints[s] && equidistant; i++)
                if (std::fabs(((double)rs[i] - rs[i - 1]) - spacing) > 1e-8) equidistant = false;
        }
    }
    nRadiiEquidistant = equidistant ? 1 : 2;
    if (!equidistant) return;
    dConvSpacing = spacing;
    const double range = dConvolutionWidth * dConvolutionDistFactor;
    int k = 0;
    while (k * spacing < range) k++;
    nConvWeights = k + 1;
    pConvWeights = vector(1, nConvWeights);
    for (int i = 1; i <= nConvWeights; i++) {
        const double x = i * spacing;
        pConvWeights[i] = (float)std::exp(-(x * x) / (dConvolutionWidth * dConvolutionWidth));
    }
    if (!bPerScanRadii) {
        nConvFirst = 0;
        for (int i = 1; i <= n; i++)
            if (r[i] >= (float)dMeniscus) {
                nConvFirst = i;
                break;
            }
        nConvLast = 0;
        for (int i = n; i >= 1; i--)
            if (r[i] <= (float)dBottom) {
                nConvLast = i;
                break;
            }
    }
}

// Gaussian convolution of one sampled row; missing neighbours count in the
// denominator, so the signal drops near the ends of the data (with radii that
// are not equidistant: near the last radius, and outside [lower, upper]).
void CLammIdeal::ConvolveRow(float* v, const float* r, int n, double lower, double upper) const
{
    if (n < 2 || !v || !r) return;
    float* orig = vector(1, n);
    for (int j = 1; j <= n; j++) orig[j] = v[j];
    const double width = dConvolutionWidth, range = width * dConvolutionDistFactor;
    if (nRadiiEquidistant == 1 && pConvWeights && nConvFirst > 0 && nConvLast > 0) {
        int K = (int)std::floor(range / dConvSpacing);
        if (K > nConvWeights) K = nConvWeights;
        double wsum = 0;
        for (int i = 1; i <= K; i++) wsum += pConvWeights[i];
        const double denom = 1 + 2 * wsum;
        for (int j = 1; j <= n; j++) {
            double num = orig[j];
            for (int i = 1; i <= K; i++) {
                if (j + i <= nConvLast && j + i >= nConvFirst) num += pConvWeights[i] * orig[j + i];
                if (j - i >= nConvFirst && j - i <= nConvLast) num += pConvWeights[i] * orig[j - i];
            }
            v[j] = (float)(num / denom);
        }
    } else {
        const double spacing = ((double)r[n] - r[1]) / (n - 1);
        for (int j = 1; j <= n; j++) {
            double num = 0, den = 0;
            const double rj = r[j];
            for (int k = 1; k <= n; k++) {
                const double d = (double)r[k] - rj;
                if (std::fabs(d) > range) continue;
                const double w = std::exp(-(d * d) / (width * width));
                den += w;
                if (r[k] >= lower && r[k] <= upper) num += w * orig[k];
            }
            // radii continued beyond the last one with the mean spacing
            if (spacing > 0) {
                for (int k = 1;; k++) {
                    const double d = (double)r[n] + k * spacing - rj;
                    if (d > range) break;
                    den += std::exp(-(d * d) / (width * width));
                }
            }
            v[j] = den > 0 ? (float)(num / den) : orig[j];
        }
    }
    free_vector(orig, 1, n);
}

// ---------------------------------------------------------------- bottom zone

// Excitation shadow of the cell base: a point at distance d = base - r keeps
// the part of a disc of radius w that lies inside the cell.
void CLammIdeal::BottomZoneRow(float* v, const float* r, int n) const
{
    const double w = dBottomZoneWidth;
    if (w <= 0 || !v || !r) return;
    for (int i = 1; i <= n; i++) {
        const double d = dBottom - r[i];
        if (d > w) continue;
        double f = 0;
        if (d > -w) {
            const double theta = std::acos(d / w);
            f = 1 - (2 * w * w * theta - w * d * std::sin(theta)) / (2 * M_PI * w * w);
        }
        v[i] = (float)(v[i] * f);
    }
}

// ---------------------------------------------------------------- radial resolution

template <class T>
static void radialResolution(T* a, const T* r, int n, double range)
{
    if (n < 1 || !a || !r) return;
    const double sigma = 0.42462845010615713 * range;
    if (sigma <= 0) return;
    T* orig = new T[n + 1];
    for (int i = 1; i <= n; i++) orig[i] = a[i];
    for (int i = 1; i <= n; i++) {
        if (!(orig[i] < 100)) continue;
        double wsum = 0, tsum = 0;
        for (int k = i; k >= 1; k--) {  // inwards, the point itself included
            const double d = (double)r[k] - r[i];
            if (std::fabs(d) > 2 * sigma) break;
            const double w = std::exp(-(d * d) / (sigma * sigma));
            wsum += w;
            tsum += w * std::pow(10.0, -(double)orig[k]);
        }
        for (int k = i + 1; k <= n; k++) {  // outwards
            const double d = (double)r[k] - r[i];
            if (std::fabs(d) > 2 * sigma) break;
            const double w = std::exp(-(d * d) / (sigma * sigma));
            wsum += w;
            tsum += w * std::pow(10.0, -(double)orig[k]);
        }
        if (wsum > 0 && tsum > 0) a[i] = (T)(-std::log10(tsum / wsum));
    }
    delete[] orig;
}

void CLammIdeal::RadialResolutionSmoothing(double* a, const double* r, int n, double range)
{
    radialResolution<double>(a, r, n, range);
}

void CLammIdeal::RadialResolutionSmoothing(float* a, const float* r, int n, double range)
{
    radialResolution<float>(a, r, n, range);
}

// ---------------------------------------------------------------- Wiener skewing

void CLammIdeal::AllocWienerSkewingArrays(int n)
{
    FreeWienerSkewingArrays();
    if (n < 1) return;
    pWienerShifted = dvector(1, n);
    pWienerSlope = dvector(1, n);
    pWienerCopy = dvector(1, n);
    nWienerPoints = n;
    dWienerMaxCurvature = dWienerMaxCurvatureAt = 0;
    nWienerMaxCall = nWienerCalls = 0;
}

void CLammIdeal::FreeWienerSkewingArrays()
{
    if (nWienerPoints > 0) {
        free_dvector(pWienerShifted, 1, nWienerPoints);
        free_dvector(pWienerSlope, 1, nWienerPoints);
        free_dvector(pWienerCopy, 1, nWienerPoints);
    }
    pWienerShifted = pWienerSlope = pWienerCopy = nullptr;
    nWienerPoints = 0;
}

// Refraction by the concentration gradient moves the recorded radius of each
// point by a times the local slope; the profile is carried back onto the
// unshifted radii.
bool CLammIdeal::WienerSkewCorrection(double* c, const double* r, int n, int nGrid)
{
    if ((bSimTimeResolution && fScanVelocity > 0) || n != nGrid) {
        bWienerIncompatible = 1;
        return false;
    }
    if (n < 5) return false;
    if (nWienerPoints != n) AllocWienerSkewingArrays(n);
    double* rs = pWienerShifted;
    double* cs = pWienerCopy;
    for (int i = 1; i <= n; i++) cs[i] = c[i];
    for (int i = 1; i <= n; i++) {
        double slope;
        if (i == 1)
            slope = 0;
        else if (i == n)
            slope = (c[n] - c[n - 1]) / (r[n] - r[n - 1]);
        else
            slope = (c[i + 1] - c[i - 1]) / (r[i + 1] - r[i - 1]);
        pWienerSlope[i] = slope;
        rs[i] = r[i] + dWienerA * slope;
        if (i > 1 && rs[i] < rs[i - 1]) rs[i] = rs[i - 1] + 1e-6;
    }
    interpolateOnGridDD(n, r, c, n, rs, cs);
    return true;
}

void CLammIdeal::WienerSkewTracking(const double* c, const double* r, int n)
{
    nWienerCalls++;
    for (int i = 2; i <= n - 1; i++) {
        if (r[i] < fFitInner || r[i] > fFitOuter) continue;
        const double h = (r[i + 1] - r[i - 1]) / 2;
        const double curv = (c[i + 1] - 2 * c[i] + c[i - 1]) / (h * h);
        if (std::fabs(curv) > std::fabs(dWienerMaxCurvature)) {
            dWienerMaxCurvature = curv;
            dWienerMaxCurvatureAt = r[i];
            nWienerMaxCall = nWienerCalls;
        }
    }
}

// ---------------------------------------------------------------- snapshots

void CLammIdeal::SetSnapshotTimes(int nTimes, int nRadii, float** frames, float*** framesPerEquation,
                                  double* times, float* radii)
{
    if ((!frames && !framesPerEquation) || !times || nTimes < 1) return;
    ppSnapshotFrames = frames;
    pppSnapshotFramesPerEquation = framesPerEquation;
    bSnapshotPerEquation = frames ? 0 : 1;
    pSnapshotTimes = times;
    pSnapshotRadii = radii;
    nSnapshotFrames = nTimes;
    nSnapshotRadii = nRadii;
    nNextSnapshot = 1;
    dNextSnapshotTime = times[1];
    nSnapshotsRecorded = 0;
    bSnapshots = 1;
}

// Frame k of this solution: of the one matrix, or of the matrix of its own
// equation (an equation of a list is its grid point; a single solver is
// placed by its species number).
float* CLammIdeal::SnapshotFrame(int k) const
{
    if (!bSnapshotPerEquation) return ppSnapshotFrames[k];
    return pppSnapshotFramesPerEquation[nEquationNumber > 0 ? nEquationNumber : nSpeciesIndex][k];
}

void CLammIdeal::RecordSnapshot(double t)
{
    if (!bSnapshots || !pSnapshotRadii || !pConc) return;
    while (nNextSnapshot >= 1 && nNextSnapshot <= nSnapshotFrames && dNextSnapshotTime <= t) {
        interpolateOnGridFD(nSnapshotRadii, pSnapshotRadii, SnapshotFrame(nNextSnapshot), nGridPoints, pRadius,
                            pConc);
        nSnapshotsRecorded = nNextSnapshot;
        nNextSnapshot++;
        dNextSnapshotTime = nNextSnapshot <= nSnapshotFrames ? pSnapshotTimes[nNextSnapshot]
                                                             : pSnapshotTimes[nSnapshotFrames] + 1e10;
    }
}

void CLammIdeal::ClearSnapshots()
{
    if (!bSnapshots) return;
    const float* last = nSnapshotsRecorded > 0 ? SnapshotFrame(nSnapshotsRecorded) : nullptr;
    for (int k = nSnapshotsRecorded + 1; k <= nSnapshotFrames; k++) {
        float* frame = SnapshotFrame(k);
        for (int i = 1; i <= nSnapshotRadii; i++) frame[i] = last ? last[i] : 0.0f;
    }
}
