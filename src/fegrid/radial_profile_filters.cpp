// Radial profile helpers and filters of simulated profiles.
#include "fegrid/radial_profile_filters.h"

#include <cmath>

#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"
#include "tools/fluorescence/fluorescence_options.h"

void convolveAbsorbanceResolution(int n, float fWidth, float* r, float* y)
{
    if (n < 1 || !r || !y) return;
    float* out = vector(1, n);
    const double half = fWidth / 2.0;
    for (int i = 1; i <= n; i++) {
        double sum = 0.0;
        int count = 0;
        for (int j = i; j >= 1 && r[j] > r[i] - half; j--) {
            sum += std::pow(10.0, -static_cast<double>(y[j]));
            count++;
        }
        for (int j = i + 1; j <= n && r[j] <= r[i] + half; j++) {
            sum += std::pow(10.0, -static_cast<double>(y[j]));
            count++;
        }
        const double mean = count > 0 ? sum / count : 0.0;
        out[i] = mean > 0.0 ? static_cast<float>(-std::log10(mean)) : 0.0f;
    }
    for (int i = 1; i <= n; i++) y[i] = out[i];
    free_vector(out, 1, n);
}

void gaussianRadialSmoothing(int n, float* r, float* y)
{
    const float sigma = fFloConvolution, reach = fConvolutionDistFactor * fFloConvolution;
    if (n < 2 || !r || !y || !(sigma > 0.0f)) return;
    const float spacing = (r[n] - r[1]) / (n - 1);
    const float m = fMeniscus, b = fBottom;
    float* out = vector(1, n);
    for (int i = 1; i <= n; i++) {
        float sum = y[i], weight = 1.0f;
        // outwards, up to and including the first radius at or beyond r_i + reach
        for (int j = i + 1;; j++) {
            const float rj = j <= n ? r[j] : r[n] + (j - n) * spacing;
            const float d = rj - r[i];
            const float w = std::exp(-d * d / (sigma * sigma));
            weight += w;
            if (j <= n && rj >= m && rj <= b) sum += w * y[j];
            if (rj >= r[i] + reach || (!(spacing > 0.0f) && j >= n)) break;
        }
        // inwards, down to and including the first radius at or below r_i - reach
        for (int j = i - 1;; j--) {
            const float rj = j >= 1 ? r[j] : r[1] - (1 - j) * spacing;
            const float d = rj - r[i];
            const float w = std::exp(-d * d / (sigma * sigma));
            weight += w;
            if (j >= 1 && rj >= m && rj <= b) sum += w * y[j];
            if (rj <= r[i] - reach || (!(spacing > 0.0f) && j <= 1)) break;
        }
        out[i] = sum / weight;
    }
    for (int i = 1; i <= n; i++) y[i] = out[i];
    free_vector(out, 1, n);
}

void bottomOpticalCutoff(int n, float* r, float* y)
{
    const float w = fFloExcitationCone;
    if (!(w > 0.0f) || !r || !y) return;
    const float pi = 3.1415927f;
    for (int i = 1; i <= n; i++) {
        const float d = fBottom - r[i];
        if (d > w) continue;
        float factor = 0.0f;
        if (d > -w) {
            const float theta = std::acos(d / w);
            factor = 1.0f - (2.0f * w * w * theta - w * std::sin(theta) * d) / (2.0f * pi * w * w);
        }
        y[i] *= factor;
    }
}

float erfcc(float x)
{
    const float z = std::fabs(x);
    const float u = 1.0f / (1.0f + 0.5f * z);
    const float ans =
        u * std::exp(-z * z - 1.26551223f +
                     u * (1.00002368f +
                          u * (0.37409196f +
                               u * (0.09678418f +
                                    u * (-0.18628806f +
                                         u * (0.27886807f +
                                              u * (-1.13520398f +
                                                   u * (1.48851587f + u * (-0.82215223f + u * 0.17087277f)))))))));
    return x >= 0.0f ? ans : 2.0f - ans;
}

void approximateBoundaryProfile(float c0, double t, float r[], float out[], int n, float k, float D,
                                float meniscus)
{
    if (n < 1 || !r || !out) return;
    const float tau = 2.0f * k * static_cast<float>(t);
    const float dilution = std::exp(-tau);
    const float width = 2.0f * std::sqrt((2.0f * D / (k * meniscus * meniscus)) * tau);
    for (int i = 1; i <= n; i++) {
        const float L = 2.0f * std::log(r[i] / meniscus);
        out[i] = 0.5f * c0 * dilution * erfcc((tau - L) / width);
    }
    if (bAbsorbanceData && !bIntensityData && bSimRadialResolution)
        convolveAbsorbanceResolution(n, fConvolutionRange, r, out);
}
