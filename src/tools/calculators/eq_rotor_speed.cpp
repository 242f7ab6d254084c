// Rotor speeds for a sedimentation-equilibrium experiment on masses between
// a lowest and a highest of interest, at 4 C.
//
// At equilibrium c(r) is proportional to exp(a r^2) with a = M (1 - rho vbar)
// omega^2 / (2 R T); normalised to its mean over r^2 in the sector (the
// loading concentration) it is exp(a (r^2 - 49)) / mean, the 49 (7 cm
// squared) only keeping the exponentials in range. The first speed gives the
// highest mass a bottom-to-meniscus ratio of 5, the second the lowest a ratio
// of 10, the third depletes the meniscus of the lowest mass to 1 %. The time
// to equilibrium is that of the slowest mode of the approach at the first
// speed, for compact proteins (frictional ratio 1.3, a solvent of relative
// viscosity 1.6 at 4 C).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/hydrodynamics.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/number_entry.h"
#include "tools/calculators/calculators.h"

using namespace win;

namespace {

constexpr double dTwoRT4C = 2.0 * kGasConstant * (4.0 + kZeroCelsius);  // 2 R T at 4 C, erg/mol
constexpr double dPi = 3.14159265358979323846;
constexpr const char* szEqTitle = "ESTIMATE EQ ROTOR SPEED";
constexpr const char* szTimeTitle = "CALCULATE MINIMUM TIME TO EQ";
constexpr int nProfilePoints = 100;
// No rotor of an analytical ultracentrifuge spins faster, nor is one run
// slower; the third speed is sought between the two in steps of 1000 rpm.
constexpr float fFastestRotorRpm = 60000.0f;
constexpr float fSlowestRotorRpm = 1000.0f;
constexpr int nThirdSpeedStep = 1000;

double buoyancy() { return 1.0 - static_cast<double>(fBufferDensity) * VBAR; }

// 100 x the whole number of hundreds of rpm below the speed that gives the
// mass the bottom-to-meniscus ratio exp(dLogRatio).
float speedForRatio(double dLogRatio, double K, double dMass)
{
    return static_cast<float>(100.0 * std::floor(60.0 / (2.0 * dPi * 100.0) * std::sqrt(dLogRatio * K / dMass)));
}

}  // namespace

double equilibriumProfile(double dMass, double dRpm, double r, double rm, double rb)
{
    const double dOmega = dRpm * 2.0 * dPi / 60.0;
    const double a = dMass * buoyancy() * dOmega * dOmega / dTwoRT4C;
    if (a == 0.0) return 1.0;
    const double dMean = (std::exp(a * (rb * rb - 49.0)) - std::exp(a * (rm * rm - 49.0))) / (a * (rb * rb - rm * rm));
    return std::exp(a * (r * r - 49.0)) / dMean;
}

void TXLAWindow::CmEstimateEqRotorSpeed()
{
    auto ask = [this](float* pf, float fDefault, const char* szPrompt) {
        return inputFloatInWindow(this, pf, fDefault, true, szPrompt, szEqTitle);
    };
    float fLow = 0, fHigh = 0, fBottomIn = 0, fMeniscusIn = 0;
    if (!ask(&fLow, 0.0f, "lowest Mw of interest (Da)")) return;
    if (!ask(&fHigh, 0.0f, "highest Mw of interest (Da)")) return;
    if (!ask(&fBottomIn, 7.2f, "bottom (cm)")) return;
    // without positive masses every speed and time would be infinite
    if (!(fLow > 0.0f) || !(fHigh > 0.0f)) {
        MessageBox(HWindow, "the lowest and highest Mw of interest must be above 0", szEqTitle, MB_OK);
        return;
    }
    // crossed masses would be reported under each other's labels
    if (fLow > fHigh) {
        MessageBox(HWindow, "the lowest Mw of interest must not be above the highest", szEqTitle, MB_OK);
        return;
    }
    MessageBox(HWindow,
               "for predicting meniscus position, consider in 12 mm centerpieces\n130 ul -> ~6.8 cm\n170 ul -> ~6.65 "
               "cm\n200 ul -> ~6.55",
               szTimeTitle, MB_OK);
    if (!ask(&fMeniscusIn, 6.7f, "meniscus (cm)")) return;
    if (!(fBottomIn > fMeniscusIn)) {
        MessageBox(HWindow, "the bottom must lie beyond the meniscus", szEqTitle, MB_OK);
        return;
    }
    if (!(buoyancy() > 0.0)) {
        MessageBox(HWindow, "the particles must sediment: 1 - density x vbar must be above 0", szEqTitle, MB_OK);
        return;
    }
    const double rb = fBottomIn, rm = fMeniscusIn;
    const double K = dTwoRT4C / ((rb * rb - rm * rm) * buoyancy());
    const float fRpm1 = speedForRatio(std::log(5.0), K, fHigh);
    const float fRpm2 = speedForRatio(std::log(10.0), K, fLow);
    // Masses of a few daltons would ask for speeds no rotor reaches (and
    // times to equilibrium of 0 h), masses of hundreds of megadaltons would
    // be brought to equilibrium at 0 rpm (rounded down to 100 rpm).
    const bool bBeyond = !(fRpm1 <= fFastestRotorRpm) || !(fRpm2 <= fFastestRotorRpm);
    if (bBeyond || fRpm1 < fSlowestRotorRpm || fRpm2 < fSlowestRotorRpm) {
        char szLimit[160], sz[400];
        if (bBeyond)
            std::snprintf(szLimit, sizeof szLimit,
                          "beyond the %.0f rpm of the fastest rotor - please enter masses of macromolecules",
                          fFastestRotorRpm);
        else
            std::snprintf(szLimit, sizeof szLimit,
                          "below the %.0f rpm a rotor runs at least - such particles are not brought to a measurable "
                          "equilibrium",
                          fSlowestRotorRpm);
        std::snprintf(sz, sizeof sz, "these masses ask for rotor speeds of %.0f and %.0f rpm, %s", fRpm1, fRpm2,
                      szLimit);
        MessageBox(HWindow, sz, szEqTitle, MB_OK);
        return;
    }
    float fRpm3 = 0.0f;
    for (int rpm = static_cast<int>(fSlowestRotorRpm); rpm <= static_cast<int>(fFastestRotorRpm);
         rpm += nThirdSpeedStep)
        if (equilibriumProfile(fLow, rpm, rm, rm, rb) <= 0.01) {
            fRpm3 = static_cast<float>(rpm);
            break;
        }

    // the radius grid and the nine profiles in the side-result plot
    releaseResultArrays();
    nAuxArrayLength = nProfilePoints;
    float** arrays[10] = {&pAuxArray1, &pAuxArray2, &pAuxArray3, &pAuxArray4, &pAuxArray5,
                          &pAuxArray6, &pAuxArray7, &pAuxArray8, &pAuxArray9, &pAuxArray10};
    for (float** pp : arrays) *pp = vector(1, nProfilePoints);
    const float fSpeeds[3] = {fRpm1, fRpm2, fRpm3};
    for (int i = 1; i <= nProfilePoints; i++) {
        const double r = rm + (rb - rm) * (i - 1) / (nProfilePoints - 1.0);
        pAuxArray1[i] = static_cast<float>(r);
        for (int k = 0; k < 3; k++) {
            const double cHigh = equilibriumProfile(fHigh, fSpeeds[k], r, rm, rb);
            const double cLow = equilibriumProfile(fLow, fSpeeds[k], r, rm, rb);
            (*arrays[1 + k])[i] = static_cast<float>(cHigh);
            (*arrays[4 + k])[i] = static_cast<float>(cLow);
            (*arrays[7 + k])[i] = static_cast<float>(0.5 * (cHigh + cLow));
        }
    }
    CVector** vectors[10] = {&pAuxVector1, &pAuxVector2, &pAuxVector3, &pAuxVector4, &pAuxVector5,
                             &pAuxVector6, &pAuxVector7, &pAuxVector8, &pAuxVector9, &pAuxVector10};
    for (int k = 0; k < 10; k++) {
        *vectors[k] = new CVector;
        (*vectors[k])->Attach(*arrays[k], nProfilePoints, 1);
    }
    CCurve** curves[9] = {&pAuxCurve1, &pAuxCurve2, &pAuxCurve3, &pAuxCurve4, &pAuxCurve5,
                          &pAuxCurve6, &pAuxCurve7, &pAuxCurve8, &pAuxCurve9};
    pAuxPlot = new CWINPlot;
    pAuxPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    pAuxPlot->SetXLabel("radius");
    pAuxPlot->SetYLabel("signal");
    for (int k = 0; k < 9; k++) {
        *curves[k] = new CCurve(pAuxVector1, *vectors[k + 1]);
        pAuxPlot->AddCurve(*curves[k]);
        pAuxPlot->SetCurveStyle(k, k < 6 ? 14 : 12);
        pAuxPlot->SetCurveColor(k, k < 3 ? RGB(255, 0, 0) : k < 6 ? RGB(0, 0, 255) : RGB(0, 0, 0));
    }
    pAuxPlot->SetAxisRanges(fMeniscusIn, fBottomIn, 0.0f, 5.0f);
    pAuxPlot->Draw();
    bAuxPlotFlag2 = 1;
    InvalidateUnlessBatch();

    // the slowest mode of the approach to equilibrium at the first speed
    const double dOmega1 = fRpm1 * kRpmToOmegaShort;
    double dHours = 0.0;
    for (const float fMass : {fHigh, fLow}) {
        const float fS = sphereSFromM(fMass, VBAR, 4.0f, fBufferDensity, 1.6f) / 1.3f;
        const double D = MFromSD(fMass, fS, 4.0f);
        const double alpha = K / (fMass * dOmega1 * dOmega1);
        const double B = 1.0 + 1.0 / (39.478416 * alpha * alpha);
        const double t = -(rb - rm) * (rb - rm) / (D * dPi * dPi * B) *
                         std::log(9.869604401089358 * 0.01 * B * B / ((std::cosh(1.0 / (2.0 * alpha)) + 1.0) * 4.0));
        dHours = std::max(dHours, t / 3600.0);
    }

    char sz[800];
    std::snprintf(sz, sizeof sz,
                  "first rotor speed of %.0f rpm brings highest Mw in c(b)/c(m) = %.1f"
                  "\nsecond rotor speed of %.0f rpm brings lowest Mw in c(b)/c(m) = %.1f"
                  "\nthird rotor speed of %.0f rpm brings lowest Mw close to meniscus depletion"
                  "\n\nWhat we see in the plot are the distributions for the lowest Mw (blue),\nthe highest Mw (red), "
                  "and the average (black)\n(all normalized to unit loading concentration)."
                  "\n\nAt 4C, moderately globular proteins would need at least %.0f h to reach the first equilibrium at "
                  "a constant rotor speed"
                  "\n\nConsider smart overspeeding with toEQ tool",
                  fRpm1, 5.0, fRpm2, 10.0, fRpm3, dHours);
    MessageBox(HWindow, sz, szTimeTitle, MB_OK);
}
