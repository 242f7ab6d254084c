// Hydrodynamic calculators of Options > Calculator and the transforms of a
// computed s-distribution to standard conditions and to Stokes radii.
//
// Each calculator asks its numbers one after another (Cancel on any ends the
// command with nothing changed), applies the hydrodynamic relations of the
// distributions (distributions/hydrodynamics.h) and shows one result box.
// Viscosities are asked in poise and handed on relative to water at 20 C
// (0.001002 Pa s): poise x 99.80039920159682. Only the s20,w calculator and
// the transforms write anything: the partial specific volume at 20 C.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// The temperature offered: the last scan's, for light-scattering data the
// set's, 20 C without data.
float standardTemperature()
{
    if (nScans > 0) return bDLSData ? fTemperatureK - kZeroCelsiusF : pScanHeaders[nScans].temperature;
    return 20.0f;
}

float standardViscosityPoise() { return kWaterViscosity20PoiseF * RELVISCOSITY; }

// One number with its default shown, under the question title.
struct Questions {
    TXLAWindow* w;
    const char* szTitle;
    bool operator()(float* pf, float fDefault, const char* szPrompt) const
    {
        return inputFloatInWindow(w, pf, fDefault, true, szPrompt, szTitle);
    }
};

void showResult(TXLAWindow* w, const char* szText, const char* szTitle)
{
    MessageBox(w->HWindow, szText, szTitle, MB_OK);
}

void showTransformError(TXLAWindow* w, const char* szText)
{
    playErrorSound();
    MessageBox(w->HWindow, szText, "ERROR", MB_ICONSTOP);
}

// The solvent questions shared by the sphere calculators: partial specific
// volume, temperature, density and viscosity (returned relative).
bool askSphereSolvent(const Questions& ask, float* pfVbar, float* pfT, float* pfDensity, float* pfRel)
{
    float fPoise = 0.0f;
    if (!ask(pfVbar, VBAR, "enter partial specific volume [ml/g]")) return false;
    if (!ask(pfT, standardTemperature(), "enter temperature [C]")) return false;
    if (!ask(pfDensity, fBufferDensity, "enter buffer density [g/ml]")) return false;
    if (!ask(&fPoise, standardViscosityPoise(), "enter absolute viscosity (Poise)")) return false;
    *pfRel = fPoise * kRelativeViscosityPerPoiseF;
    return true;
}

}  // namespace

void TXLAWindow::CmCalcEllipsoid()
{
    const Questions ask{this, "CALCULATE SHAPE FROM AXIAL RATIOS"};
    float fFf0 = 0, fVbar = 0, fHyd = 0;
    if (!ask(&fFf0, fFrictionalRatio, "enter frictional ratio")) return;
    if (!ask(&fVbar, VBAR, "enter partial specific volume (ml/g)")) return;
    if (!ask(&fHyd, fHydration, "enter hydration (g/g)")) return;
    // the density is that of water at 20 C
    const float fOblate = CalculateOblateRatioFromFf0(fFf0, fVbar, fHyd, fWaterDensity20);
    const float fProlate = CalculateProlateRatioFromFf0(fFf0, fVbar, fHyd, fWaterDensity20);
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "for f/fo =%.3f, v-bar =%.3f ml/g, hydration =%.2f g/g:\n a/b(oblate)=%.2f\n a/b(prolate)=%.2f", fFf0,
                  fVbar, fHyd, fOblate, fProlate);
    showResult(this, sz, "CALCULATE SHAPE FROM AXIAL RATIOS");
}

void TXLAWindow::CmCalcFrictionalForce()
{
    const Questions ask{this, "CALCULATE HYDRODYNAMIC FRICTIONAL FORCE"};
    const float fRpmDefault = nScans > 0 && !bDLSData ? pScanHeaders[1].rpm : 50000.0f;
    float fS = 0, fR = 0, fFf0 = 0, fRpm = 0, fMass = 0, fVbar = 0, fRel = 0;
    if (!ask(&fS, 5.0f, "enter s-value [S]")) return;
    if (!ask(&fR, 7.0f, "enter radius position [cm]")) return;
    if (!ask(&fFf0, fFrictionalRatio, "enter frictional ratio")) return;
    if (!ask(&fRpm, fRpmDefault, "enter rotor speed [rpm]")) return;
    if (!ask(&fMass, 100000.0f, "enter molar mass [Da]")) return;
    if (!ask(&fVbar, VBAR, "enter part.-spec. volume [ml/g]")) return;
    if (!ask(&fRel, RELVISCOSITY, "enter solution relative viscosity")) return;
    const float fOmega = fRpm * 2.0f * fPi / 60.0f;
    const float fEta = fRel * STANDARDVISCOSITY;             // Pa s
    const float fRs = CalculateRadius(fMass, fVbar);          // m
    const float fFriction = fFf0 * 6.0f * fPi * fEta * fRs;   // N s/m
    const float fVelocity = fS * 1e-13f * fOmega * fOmega * fR * 0.01f;  // m/s
    const float fForce = fVelocity * fFriction;               // N
    char sz[600];
    std::snprintf(sz, sizeof sz,
                  "for mass =%.2f Da, v-bar =%.3f ml/g, f/fo =%.3f, s = %.2f S, relative viscosity = %.3f\nat %.0f rpm "
                  "and %.2f cm --> F = %.3e N\n(Rs = %.3f nm, v = %.3e m/s, f = %.3e Ns/m)",
                  fMass, fVbar, fFf0, fS, fRel, fRpm, fR, fForce, fRs * 1e9f, fVelocity, fFriction);
    showResult(this, sz, "CALCULATE HYDRODYNAMIC FRICTIONAL FORCE");
}

void TXLAWindow::CmCalcAxialRatios()
{
    const Questions ask{this, "CALCULATE FRICTIONAL AND AXIAL RATIOS"};
    float fMass = 0, fS = 0, fVbar = 0, fHyd = 0, fT = 0, fDensity = 0, fPoise = 0;
    if (!ask(&fMass, 100000.0f, "enter molar mass [Da]")) return;
    if (!ask(&fS, 7.0f, "enter sedimentation coefficient [S]")) return;
    if (!ask(&fVbar, 0.73f, "enter partial specific volume [ml/g]")) return;
    if (!ask(&fHyd, 0.3f, "enter hydration [g/g]")) return;
    if (!ask(&fT, standardTemperature(), "enter temperature [C]")) return;
    if (!ask(&fDensity, 1.0067f, "enter buffer density [g/ml]")) return;
    if (!ask(&fPoise, kWaterViscosity20PoiseF, "enter absolute viscosity (Poise)")) return;
    const float fRel = fPoise * kRelativeViscosityPerPoiseF;
    const float fR0 = CalculateRadius(fMass, fVbar);
    const float fFf0 = CalculateFrictionalRatio(fMass, fS, fVbar, fDensity, fRel);
    const float fD = DFromMS(fMass, fS, fVbar, fT, fDensity, fRel);
    const float fOblate = CalculateOblateRatio(fMass, fS, fVbar, fHyd, fDensity, fRel);
    const float fProlate = CalculateProlateRatio(fMass, fS, fVbar, fHyd, fDensity, fRel);
    const float fRh = fR0 * fFf0;
    char sz[600];
    std::snprintf(sz, sizeof sz,
                  "for M=%.0f Da, s=%.4f S, v=%.3f ml/g, hydration = %.3f g/g, density=%.4f g/ml, rel. "
                  "viscosity=%.4f:\n r0 = %.2f nm, rh = %.2f nm\n D= %.3e cm^2/sec\n f/f0 = %.2f \n a/b(oblate)=%.2f\n "
                  "a/b(prolate)=%.2f",
                  fMass, fS, fVbar, fHyd, fDensity, fRel, fR0 * 1e9f, fRh * 1e9f, fD, fFf0, fOblate, fProlate);
    showResult(this, sz, "CALCUALTE FRICTIONAL AND AXIAL RATIOS");
}

void TXLAWindow::CmCalcSOfM()
{
    const Questions ask{this, "CALCULATE SEDCOEFFICIENT OF SPHERE"};
    float fMass = 0, fVbar = 0, fT = 0, fDensity = 0, fRel = 0;
    if (!ask(&fMass, 100000.0f, "enter molar mass [Da]")) return;
    if (!askSphereSolvent(ask, &fVbar, &fT, &fDensity, &fRel)) return;
    const float fR0 = CalculateRadius(fMass, fVbar);
    const float fS = sphereSFromM(fMass, fVbar, fT, fDensity, fRel);
    const float fD = DFromMS(fMass, fS, fVbar, fT, fDensity, fRel);
    char sz[600];
    std::snprintf(sz, sizeof sz,
                  "a compact, smooth sphere of M=%.0f Da, v=%.3f ml/g, in density=%.4f g/ml, rel. viscosity=%.4f \nhas "
                  "the following properties:\n s=%.4f S\n r0 = %.2f nm\n D= %.3e cm^2/sec\n(this is without hydration)",
                  fMass, fVbar, fDensity, fRel, fS, fR0 * 1e9f, fD);
    showResult(this, sz, "CALCUALTE SEDCOEFFICIENT OF SPHERE");
}

void TXLAWindow::CmCalcSOfRh()
{
    const Questions ask{this, "CALCULATE SEDCOEFFICIENT OF SPHERE"};
    float fRnm = 0, fVbar = 0, fT = 0, fDensity = 0, fRel = 0;
    if (!ask(&fRnm, 10.0f, "enter particle radius [nm]")) return;
    if (!askSphereSolvent(ask, &fVbar, &fT, &fDensity, &fRel)) return;
    const float fMass = sphereMassFromRadius(fRnm * 1e-9f, fVbar);
    const float fS = sphereSFromM(fMass, fVbar, fT, fDensity, fRel);
    const float fD = DFromMS(fMass, fS, fVbar, fT, fDensity, fRel);
    char sz[600];
    std::snprintf(sz, sizeof sz,
                  "a sphere of R = %.2f nm, at v=%.3f ml/g has a mass of M=%.0f Da\n in a solvent of density=%.4f "
                  "g/ml, rel. viscosity=%.4f, \nit will sediment with \n s=%.4f S \n and diffuse with D= %.3e "
                  "cm^2/sec\n",
                  fRnm, fVbar, fMass, fDensity, fRel, fS, fD);
    showResult(this, sz, "CALCUALTE SEDCOEFFICIENT OF SPHERE");
}

void TXLAWindow::CmCalcRhOfS()
{
    const Questions ask{this, "CALCULATE RADIUS OF SPHERE"};
    float fS = 0, fVbar = 0, fT = 0, fDensity = 0, fRel = 0;
    if (!ask(&fS, 100.0f, "enter s-value [S]")) return;
    if (!askSphereSolvent(ask, &fVbar, &fT, &fDensity, &fRel)) return;
    const float fMass = CalculateMassFromSedcoeffSphere(fS, fRel, fVbar, fDensity);
    const float fD = DFromMS(fMass, fS, fVbar, fT, fDensity, fRel);
    const float fR = CalculateRadius(fMass, fVbar) * 1e9f;
    char sz[600];
    std::snprintf(sz, sizeof sz,
                  "a spherical particle with s = %.2f S, at v=%.3f ml/g\n in a solvent of density=%.4f g/ml, rel. "
                  "viscosity=%.4f, \nhas a mass of M=%.0f Da, a radius of %.1f nm, and D= %.3e cm^2/sec\n",
                  fS, fVbar, fDensity, fRel, fMass, fR, fD);
    showResult(this, sz, "CALCUALTE RADIUS OF SPHERE");
}

void TXLAWindow::CmCalcMs()
{
    const Questions ask{this, "CALCULATE M FROM S"};
    float fS = 0, fFf0 = 0;
    if (!ask(&fS, 7.0f, "enter s-value [S]")) return;
    if (!ask(&fFf0, fFrictionalRatio, "enter hydrated frictional ratio")) return;
    const float fMass = CalculateMff02(fS, fFf0);
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "for s=%.3f S, f/f0(hydrated) = %.3f \n(with v=%.3f ml/g, density=%.4f g/ml, rel. viscosity=%.4f)\n "
                  "M=%.0f",
                  fS, fFf0, VBAR, fBufferDensity, RELVISCOSITY, fMass);
    showResult(this, sz, "CALCULATE M FROM S");
}

void TXLAWindow::CmCalcS20w()
{
    float fVbarXp = VBAR, fVbar20 = fVbarTransform, fDensity = fBufferDensity, fPoise = standardViscosityPoise();
    float fS = 5.0f;
    if (bModelCS && MessageBox(HWindow, "transform the complete distribution?", "", MB_YESNO) == IDYES) {
        CmTransformToS20w();
        return;
    }
    const Questions ask{this, "CALCULATE s(xp) TO s(20,w)"};
    if (!ask(&fS, fS, "enter experimental s-value")) return;
    if (!ask(&fVbarXp, fVbarXp, "partial specific volume at (xp) [ml/g]")) return;
    if (!ask(&fVbar20, fVbar20, "enter partial specific volume at (20,w) [ml/g]")) return;
    if (!ask(&fDensity, fDensity, "enter buffer density [g/ml]")) return;
    if (!ask(&fPoise, fPoise, "enter absolute viscosity (Poise)")) return;
    const float fRel = fPoise * kRelativeViscosityPerPoiseF;
    fVbarTransform = fVbar20;
    for (;;) {
        const float fS20w = sToS20wGeneral(fS, STANDARDVISCOSITY * fRel, fDensity, fVbarXp, fVbar20);
        char sz[400];
        std::snprintf(sz, sizeof sz,
                      "v(xp)=%.3f ml/g, v(20,w) = %.3f ml/g, density=%.4f g/ml, viscosity=%.4f Poise:\n s(xp) of %.3f "
                      "S converts to s(20,w) = %.3f ",
                      fVbarXp, fVbar20, fDensity, fRel * kWaterViscosity20PoiseF, fS, fS20w);
        showResult(this, sz, "CALCUALTE s(xp) TO s(20,w)");
        if (MessageBox(HWindow, "transform another s-value under same conditions?", "", MB_YESNO) != IDYES) return;
        if (!ask(&fS, fS, "enter experimental s-value")) return;
    }
}

namespace {

// The transform commands: to s20,w, and for bToRh on to the Stokes radius
// and the correction for a size-dependent signal. The distribution counts as
// transformed only once a transform has succeeded; a No or a failure leaves
// it as it was, so it can still be integrated and transformed.
void transformShownDistribution(TXLAWindow* w, bool bToRh)
{
    float fVbarXp = VBAR, fVbar20 = fVbarTransform, fDensity = 1.0f, fPoise = standardViscosityPoise();
    if (bDistributionTransformed) {
        showTransformError(w, "distribution is already transformed - need to recalculate first");
        return;
    }
    w->DeleteIntegrateButtons();
    if (MessageBox(w->HWindow, "transform s to s20?", "", MB_YESNO) != IDYES) return;
    const Questions ask{w, "Transform s to Rh Distribution"};
    if (!ask(&fVbar20, fVbar20, "enter partial specific volume [ml/g] at 20C")) return;
    if (!ask(&fVbarXp, fVbarXp, "enter partial specific volume [ml/g] in experiment")) return;
    if (!ask(&fDensity, fDensity, "enter buffer density [g/ml] in experiment")) return;
    if (!ask(&fPoise, fPoise, "enter absolute viscosity (Poise) in experiment")) return;
    const float fViscosity = fPoise * 0.1f;  // Pa s
    fVbarTransform = fVbar20;
    if (!transformDistributionToS20w(fVbarXp, fVbar20, fViscosity, fDensity)) {
        showTransformError(w, "could not calculate s20 from sapp in distribution");
        return;
    }
    bDistributionTransformed = 1;
    w->InvalidateUnlessBatch();
    if (!bToRh) return;

    if (MessageBox(w->HWindow, "transform s20 to Stokes-Radius?", "", MB_YESNO) != IDYES) return;
    if (!transformDistributionToRh(fVbar20)) {
        // no radius axis: a correction over radii would not apply
        showTransformError(w, "could not calculate Rh from s20 in distribution");
        return;
    }
    w->InvalidateUnlessBatch();

    if (MessageBox(w->HWindow, "correct distribution c(R) for a size-dependent signal a(R)?", "", MB_YESNO) != IDYES)
        return;
    // a save-type dialog used for opening: the file and its path must exist
    char szPath[260] = "MieScatCoeffs.dat";
    OPENFILENAME ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = w->HWindow;
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = sizeof szPath;
    ofn.lpstrTitle = "open power series for a(R)";
    ofn.lpstrDefExt = "dat";
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileName(&ofn)) return;
    if (!correctDistributionForSizeDependentSignal(szPath)) {
        showTransformError(w, "could not calculate Rh from s20 in distribution");
        return;
    }
    w->InvalidateUnlessBatch();
}

}  // namespace

void TXLAWindow::CmTransformSDistribution() { transformShownDistribution(this, true); }

void TXLAWindow::CmTransformToS20w() { transformShownDistribution(this, false); }
