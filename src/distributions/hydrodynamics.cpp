// Hydrodynamic relations of the compact sphere.
#include "distributions/hydrodynamics.h"

#include <cmath>

#include "models/model_globals.h"
#include "plot/error_box.h"

namespace {
constexpr float fPi = 3.1415927f;
}

float CalculateRadius(float fM, float fVbar)
{
    if (fM == 0.0f || fVbar == 0.0f) {
        showErrorMessage("(mass == 0)||(vbar== 0) in function CalculateRadius", 0);
        return 0.0f;
    }
    const float fVolume = 3.0f * (fM / fAvogadro) * fVbar * 1e-6f / (4.0f * fPi);
    if (fVolume <= 0.0f) return 0.0f;
    return std::cbrt(fVolume);
}

float sphereSFromM(float fM, float fVbar, float fT, float fDensity, float fRelViscosity)
{
    const float fR0 = CalculateRadius(fM, fVbar);
    const float fD0 = (fT + 273.15f) * fBoltzmann * 1e4f / (6.0f * fPi * STANDARDVISCOSITY * fRelViscosity * fR0);
    return (1.0f - fVbar * fDensity) * 1e13f * fM * fD0 / ((fT + 273.15f) * 8.31451e7f);
}
