// Density and viscosity of water and heavy waters against temperature, and
// the calculator that carries a buffer's values in water at 20 C over to
// another temperature and heavy-water content.
//
// The densities follow one empirical form per solvent around its
// temperature of maximum density; the viscosity of water is an empirical
// fit relative to 20 C, that of D2O the water curve shifted by 6.498 C and
// scaled, and those of the heavy-oxygen waters are interpolated in a table
// of published values (15 to 35 C) and estimated outside it. Co-solutes and
// mixtures are taken as additive in the increments of density and relative
// viscosity. Single precision throughout.
#include <cmath>
#include <cstdio>
#include <string>

#include "app/xla_window.h"
#include "distributions/hydrodynamics.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "tools/calculators/calculators.h"

using namespace win;

namespace {

// Temperature of maximum density (C), curvature factor and scale per kind.
struct DensityForm {
    float fTMax, fCurvature, fScale;
};
constexpr DensityForm kDensity[4] = {
    {3.986f, 1.0f, 1.0f}, {11.22f, 1.0555f, 1.10602f}, {4.3f, 1.0555f, 1.11255f}, {11.46f, 1.0555f, 1.21691f}};

// Viscosities (cP) of H2-18O and D2-18O at 15, 20, 25, 30 and 35 C.
constexpr float kHeavyOxygenViscosity[2][5] = {{1.2008f, 1.0564f, 0.9381f, 0.84f, 0.7568f},
                                               {1.5057f, 1.315f, 1.1441f, 1.014f, 0.9072f}};

// Linear interpolation in a row of the table between the node at or below T
// and the next one, in Pa s.
float heavyOxygenTable(int nRow, float fT)
{
    int k = static_cast<int>(std::floor((fT - 15.0f) / 5.0f));
    if (k > 3) k = 3;  // T = 35: the last node
    const float* v = kHeavyOxygenViscosity[nRow];
    const float fFraction = (fT - (15.0f + 5.0f * static_cast<float>(k))) / 5.0f;
    return (v[k] + (v[k + 1] - v[k]) * fFraction) * 0.001f;
}

constexpr const char* szSolventTitle =
    "CALCULATE TEMPERATURE AND HEAVY WATER DEPENDENCE OF BUFFER DENSITY AND VISCOSITY";

}  // namespace

float solventDensityAt(int nKind, float fT)
{
    const DensityForm& p = kDensity[nKind];
    const float d = fT - p.fTMax;
    return p.fScale * (1.0f - p.fCurvature * d * d * (482.502f / (d + 77.861f) + 1.74224f) * 1e-6f);
}

float solventViscosityAt(int nKind, float fT)
{
    switch (nKind) {
    case 1:
        return 1.0544f * solventViscosityAt(0, fT - 6.498f);
    case 2:
        if (fT >= 15.0f && fT <= 35.0f) return heavyOxygenTable(0, fT);
        return solventViscosityAt(1, fT) * 0.8547008547008548f;
    case 3:
        if (fT >= 15.0f && fT <= 35.0f) return heavyOxygenTable(1, fT);
        return solventViscosityAt(0, fT) * 1.255f;
    default: {
        const float u = 20.0f - fT;
        const float x = u / (fT + 96.0f) * (1.2364f - 0.00137f * u + 5.7e-6f * u * u);
        return STANDARDVISCOSITY * std::pow(10.0f, x);
    }
    }
}

void TXLAWindow::CmCalcBufferDensityViscosity()
{
    std::string szIntro =
        "Given density and viscosity in water at 20C, this function calculates values at different temperature and "
        "heavy water fraction.\n";
    szIntro +=
        "\nThe formulas are empirical fits to published data for water and heavy waters, as collected in a "
        "handbook on the properties of heavy water.";
    szIntro +=
        "\nThe accuracy is generally much better than 1% in the range from 4 to 30C, but only 15 - 30 C for H2-18O "
        "and D2-18O.";
    szIntro +=
        "\nFor more details on viscosity and density of heavy water and accuracy, consult the book and see "
        "references cited therein.";
    szIntro += "\n\nThe contribution of co-solutes is assumed to be additive in the increments of density and relative "
               "viscosity.";
    szIntro += "\nSimilarly, for mixed solvents, the increments in density and relative viscosity are linearly "
               "extrapolated between water and heavy water vol%.";
    szIntro += "\n\nUsing these values requires your own judgement whether these approximations are valid in your case.";
    MessageBox(HWindow, szIntro.c_str(), szSolventTitle, MB_OK);

    auto ask = [this](float* pf, float fDefault, const char* szPrompt) {
        return inputFloatInWindow(this, pf, fDefault, true, szPrompt, szSolventTitle);
    };
    auto refuse = [this](const char* szText) { MessageBox(HWindow, szText, szSolventTitle, MB_OK); };
    float fDensity20 = 0, fViscosityCp = 0, fT = 0;
    if (!ask(&fDensity20, kWaterDensity20F, "enter buffer density in H2O at 20 C (g/ml)")) return;
    if (!ask(&fViscosityCp, kWaterViscosity20CentipoiseF, "enter buffer viscosity in H2O at 20 C (cP)")) return;
    const float fViscosity20 = fViscosityCp * 0.001f;
    if (!ask(&fT, 20.0f, "enter temperature")) return;
    if (fT < 0.0f || fT > 35.0f) {
        refuse("definitely outside range");
        return;
    }
    int nKind = 0;
    if (MessageBox(HWindow, "with any heavy water?", szSolventTitle, MB_YESNO) == IDYES) {
        float fKind = 0.0f;
        if (!ask(&fKind, 0.0f, "enter 1 for D2O, 2 for H2-18O, or 3 for D2-18O")) return;
        const float fFloor = std::floor(fKind);
        if (std::fabs(fKind - fFloor) > 0.001f || fFloor < 1.0f || fFloor > 3.0f) {
            refuse("incorrect entry");
            return;
        }
        nKind = static_cast<int>(fFloor);
        if (nKind >= 2) {
            char sz[300];
            if (fT >= 35.0f || fT < 15.0f)
                std::snprintf(sz, sizeof sz,
                              "viscosity data for H2-180 and D2-18O at %.0f are rough estimates (see book)", fT);
            else
                std::snprintf(sz, sizeof sz,
                              "viscosity data for H2-180 and D2-18O are interpolated from (published measurements "
                              "of the viscosity of isotopic waters from 15 to 35 C)");
            refuse(sz);
        }
    }
    float x = 0.0f;
    if (nKind > 0) {
        float fPercent = 0.0f;
        if (!ask(&fPercent, 100.0f, "enter volume % of heavy water")) return;
        if (fPercent < 0.0f || fPercent > 100.0f) {
            refuse("incorrect entry");
            return;
        }
        x = 0.01f * fPercent;
    }
    const float fDensity = (solventDensityAt(nKind, fT) - fWaterDensity20) * x +
                           (solventDensityAt(0, fT) - fWaterDensity20) * (1.0f - x) + fDensity20;
    const float fIncrement = (solventViscosityAt(nKind, fT) / STANDARDVISCOSITY - 1.0f) * x +
                             (fViscosity20 / STANDARDVISCOSITY - 1.0f) +
                             (1.0f - x) * (solventViscosityAt(0, fT) / STANDARDVISCOSITY - 1.0f);
    const float fViscosity = (fIncrement + 1.0f) * STANDARDVISCOSITY;

    char sz[600];
    int n = std::snprintf(sz, sizeof sz, "given buffer density in water at 20C of %f g/ml and viscosity of %f cP,\n",
                          fDensity20, fViscosity20 * 1000.0f);
    n += std::snprintf(sz + n, sizeof sz - n, "\nthis will translate at %.1f C", fT);
    static const char* const kWith[4] = {"", " with %.3f%% D2O", " with %.3f%% H2-18O", " with %.3f%% D2O-18O"};
    if (nKind > 0) n += std::snprintf(sz + n, sizeof sz - n, kWith[nKind], x * 100.0f);
    n += std::snprintf(sz + n, sizeof sz - n, " to an estimated ");
    std::snprintf(sz + n, sizeof sz - n, "\n\ndensity = %f g/ml \nviscosity = %f cP", fDensity, fViscosity * 1000.0f);
    MessageBox(HWindow, sz, szSolventTitle, MB_OK);
}
