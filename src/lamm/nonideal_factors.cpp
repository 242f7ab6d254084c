// Hindered sedimentation: factors of s and D from the solute volume fraction.
#include "lamm/nonideal_factors.h"

#include <cmath>

#include "models/model_globals.h"

float hinderedSFactor(float c, float ks, float vbar, bool linearLaw)
{
    if (c < 0) return 1.0f;
    if (c > 10000) return 0.0f;
    const double phi = (double)c * vbar / 1000.0;
    if (phi >= 1) return 0.0f;
    if (phi <= 0) return 1.0f;
    if (linearLaw) {
        const double f = 1 - ks * phi;
        return f > 0 ? (float)f : 0.0f;
    }
    return (float)std::pow(1 - phi, (double)ks);
}

float hinderedDFactor(float c, float ks, float vbar, bool linearLaw)
{
    if (c < 0) return 1.0f;
    if (c > 10000) return 0.0f;
    const double phi = (double)c * vbar / 1000.0;
    if (phi >= 1) return 0.0f;
    const double q = 1 - phi;
    const double cs = (1 + 4 * phi + 4 * phi * phi - 4 * phi * phi * phi + phi * phi * phi * phi) / (q * q * q * q);
    return (float)(hinderedSFactor(c, ks, vbar, linearLaw) * cs);
}

float nonidealSFactor(float c, float ks, float, float, float, float vbar, float, float, float)
{
    return hinderedSFactor(c, ks, vbar, bHinderedBaxter != 0);
}

float nonidealDFactor(float c, float ks, float, float, float, float vbar, float, float, float)
{
    return hinderedDFactor(c, ks, vbar, bHinderedBaxter != 0);
}

float nonidealSFactorAt(float c) { return hinderedSFactor(c, fNonidealKs, VBAR, bHinderedBaxter != 0); }
