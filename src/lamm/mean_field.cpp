// The mean field ctot(r, t) of the non-ideal c(s).
#include "lamm/mean_field.h"

#include <algorithm>
#include <cmath>

CLammMeanField::CLammMeanField(int frames, int points, double meniscus, double bottom)
    : nFrames(std::max(frames, 1)), nPoints(std::max(points, 1)), dMeniscus(meniscus), dBottom(bottom),
      times(static_cast<size_t>(nFrames), 0.0), values(static_cast<size_t>(nFrames) * nPoints, 0.0f)
{
}

double CLammMeanField::Radius(int j) const
{
    if (nPoints < 2) return dMeniscus;
    return dMeniscus + (dBottom - dMeniscus) * j / (nPoints - 1);
}

void CLammMeanField::ValuesAt(double t, const double* r, int n, double* out) const
{
    // the two frames around t and the weight of the later one
    int k0 = 0, k1 = 0;
    double w = 0;
    if (nFrames > 1 && t > times[0]) {
        if (t >= times[nFrames - 1]) {
            k0 = k1 = nFrames - 1;
        } else {
            const auto it = std::upper_bound(times.begin(), times.end(), t);
            k1 = static_cast<int>(it - times.begin());
            k0 = k1 - 1;
            const double dt = times[k1] - times[k0];
            w = dt > 0 ? (t - times[k0]) / dt : 1.0;
        }
    }
    const float* a = Frame(k0);
    const float* b = Frame(k1);
    const double h = nPoints > 1 ? (dBottom - dMeniscus) / (nPoints - 1) : 0.0;
    for (int i = 1; i <= n; i++) {
        double x = h > 0 ? (r[i] - dMeniscus) / h : 0.0;
        int j = 0;
        double f = 0;
        if (!(x > 0)) {
            j = 0;
        } else if (x >= nPoints - 1) {
            j = nPoints - 1;
        } else {
            j = static_cast<int>(x);
            f = x - j;
        }
        const double va = f > 0 ? a[j] + f * (a[j + 1] - a[j]) : a[j];
        const double vb = f > 0 ? b[j] + f * (b[j + 1] - b[j]) : b[j];
        out[i] = va + w * (vb - va);
    }
}
