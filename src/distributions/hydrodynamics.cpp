// Hydrodynamic relations: Svedberg, Stokes-Einstein, compact sphere,
// frictional ratios, ellipsoids, long rod, worm-like chain, power laws,
// standard conditions and the M(s) table. Single precision, as the grids and
// displays that use them.
#include "distributions/hydrodynamics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/data_file_paths.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/root_finders.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"
#include "plot/matrix_file.h"
#include "scandata/scan_data.h"

const float fAvogadro = kAvogadroF;
const float fBoltzmann = kBoltzmannF;
const float fPi = 3.1415927f;
const float fWaterDensity20 = kWaterDensity20F;

unsigned char bWormlikeChainRootWarned = 0;

double* pMofSTableS = nullptr;
double* pMofSTableM = nullptr;
int nMofSTablePoints = 0;
unsigned char bMofSTableLoaded = 0;

namespace {

// The result of the relations that need a non-zero input.
constexpr float fNoInput = 1e-4f;

float RT(float fT) { return (fT + kZeroCelsiusF) * kGasConstantF; }

// A(v) = (3 v 1e-6 / (4 pi))^(1/3): radius of the sphere per (mass / N_A)^(1/3).
float sphereRadiusFactor(float fVbar) { return std::cbrt(3.0f * fVbar * 1e-6f / (4.0f * fPi)); }

// R0 of the anhydrous sphere without the message (callers guard M and vbar).
float sphereRadius(float fMass, float fVbar)
{
    const float fVolume = 3.0f * (fMass / fAvogadro) * fVbar * 1e-6f / (4.0f * fPi);
    if (fVolume <= 0.0f) return 0.0f;
    return std::cbrt(fVolume);
}

// M = N_A X^(3/2) with X = ff0 6 pi eta 1000 A(v) / ((1 - v rho) / (s 1e-13)),
// the power taken through the logarithm; 0 for X <= 0 (s = 0, or s and the
// buoyancy of opposite signs).
float massFromS(float fS, float fFf0, float fVbar, float fVbarRho, float fEta)
{
    if (fS == 0.0f) return 0.0f;
    const float fX = fFf0 * 6.0f * fPi * fEta * 1000.0f * sphereRadiusFactor(fVbar) / ((1.0f - fVbarRho) / (fS * 1e-13f));
    if (!(fX > 0.0f)) return 0.0f;
    return fAvogadro * std::exp(1.5f * std::log(fX));
}

float stokesEinstein(float fT, float fFriction)
{
    return (fT + kZeroCelsiusF) * fBoltzmann * 1e4f / fFriction;
}

float eta() { return STANDARDVISCOSITY * RELVISCOSITY; }

}  // namespace

// ---------------------------------------------------------------- compact sphere

float CalculateRadius(float fMass, float fVbar)
{
    if (fMass == 0.0f || fVbar == 0.0f) {
        showErrorMessage("(mass == 0)||(vbar== 0) in function CalculateRadius", 0);
        return 0.0f;
    }
    return sphereRadius(fMass, fVbar);
}

float sphereMassFromRadius(float fRadius, float fVbar)
{
    if (fRadius <= 0.0f || fVbar <= 0.0f) return 0.0f;
    const float fR = 100.0f * fRadius;
    return fAvogadro * (4.0f / 3.0f) * fPi * fR * fR * fR / fVbar;
}

float sphereFrictionCoefficient(float fMass, float fVbar)
{
    if (fMass <= 0.0f || fVbar <= 0.0f) return 0.0f;
    return 6.0f * fPi * STANDARDVISCOSITY * RELVISCOSITY * sphereRadius(fMass, fVbar) * 1000.0f;
}

float frictionCoefficientFromSM(float fMass, float fS, float fVbar, float fDensity)
{
    if (fS == 0.0f) return 0.0f;
    return (1.0f - fVbar * fDensity) * fMass / fAvogadro / (fS * 1e-13f);
}

float CalculateFrictionalRatio(float fMass, float fS, float fVbar, float fDensity, float fRelViscosity)
{
    if (fMass == 0.0f || fVbar == 0.0f) return 0.0f;
    const float fSaved = RELVISCOSITY;
    RELVISCOSITY = fRelViscosity;
    const float f0 = sphereFrictionCoefficient(fMass, fVbar);
    const float f = frictionCoefficientFromSM(fMass, fS, fVbar, fDensity);
    RELVISCOSITY = fSaved;
    if (f0 == 0.0f) return 0.0f;
    return f / f0;
}

// ---------------------------------------------------------------- Svedberg and Stokes-Einstein

float MFromSD(float fD, float fS, float fT)
{
    if (fD == 0.0f || fS == 0.0f) return fNoInput;
    const float fInverse = (1.0f - fVbarRho) * fD / (fS * 1e-13f * RT(fT));
    if (fInverse == 0.0f) return fNoInput;  // neutral buoyancy: no mass
    return 1.0f / std::fabs(fInverse);
}

float DFromSM(float fS, float fMass, float fT)
{
    if (fMass <= 0.0f) return 0.0f;
    return 1e-13f * fS * RT(fT) / ((1.0f - fVbarRho) * fMass);
}

float SFromMD(float fMass, float fD, float fT) { return (1.0f - fVbarRho) * 1e13f * fMass * fD / RT(fT); }

float DFromStokesRadius(float fRadius, float fT)
{
    if (fRadius <= 0.0f) return 0.0f;
    return stokesEinstein(fT, 6.0f * fPi * STANDARDVISCOSITY * RELVISCOSITY * fRadius);
}

float DFromStokesRadius2(float fRadius, float fT)
{
    if (fRadius <= 0.0f) return 0.0f;
    return stokesEinstein(fT, 6.0f * fPi * STANDARDVISCOSITY * RELVISCOSITY * fRadius);
}

float CalculateDFromMff0(float fMass, float fT, float fFf0)
{
    if (fMass == 0.0f) return fNoInput;
    const float fDenominator = 6.0f * fPi * STANDARDVISCOSITY * RELVISCOSITY * fFf0 * CalculateRadius(fMass, VBAR);
    if (fDenominator == 0.0f) return fNoInput;
    return stokesEinstein(fT, fDenominator);
}

float CalculateDFromM(float fMass, float fT) { return CalculateDFromMff0(fMass, fT, fFrictionalRatio); }

float DFromMS(float fMass, float fS, float fVbar, float fT, float fDensity, float fRelViscosity)
{
    const float fFf0 = CalculateFrictionalRatio(fMass, fS, fVbar, fDensity, fRelViscosity);
    return stokesEinstein(fT, 6.0f * fPi * STANDARDVISCOSITY * fRelViscosity * fFf0 * sphereRadius(fMass, fVbar));
}

float sphereSFromM(float fMass, float fVbar, float fT, float fDensity, float fRelViscosity)
{
    const float fD0 = stokesEinstein(fT, 6.0f * fPi * STANDARDVISCOSITY * fRelViscosity * sphereRadius(fMass, fVbar));
    return (1.0f - fVbar * fDensity) * 1e13f * fMass * fD0 / RT(fT);
}

// ---------------------------------------------------------------- molar mass from s

float CalculateM(float fS)
{
    if (VBAR <= 0.0f) {
        showErrorMessage("VBAR <= 0 in function CalculateM", 0);
        return 0.0f;
    }
    return massFromS(fS, fFrictionalRatio, VBAR, fVbarRho, eta());
}

float CalculateMff02(float fS, float fFf0)
{
    if (VBAR <= 0.0f) {
        showErrorMessage("VBAR <= 0 in function CalculateMff02", 0);
        return 0.0f;
    }
    return massFromS(fS, fFf0, VBAR, fVbarRho, eta());
}

float CalculateMassFromSedcoeffSphere(float fS, float fRelViscosity, float fVbar, float fDensity)
{
    if (fVbar <= 0.0f) {
        showErrorMessage("vbar <= 0 in function CalculateMassFromSedcoeffSphere", 0);
        return 0.0f;
    }
    return massFromS(fS, 1.0f, fVbar, fVbar * fDensity, STANDARDVISCOSITY * fRelViscosity);
}

float S20ToStokesRadius(float fS20w, float fVbar20)
{
    if (fVbar20 <= 0.0f) {
        showErrorMessage("vbar20 <= 0 in function S20ToStokesRadius", 0);
        return 0.0f;
    }
    const float fMass = massFromS(fS20w, fFrictionalRatio, fVbar20, fVbar20 * fWaterDensity20, STANDARDVISCOSITY);
    if (fMass == 0.0f) return 0.0f;
    return fFrictionalRatio * sphereRadius(fMass, fVbar20);
}

// ---------------------------------------------------------------- other relations

float VbarFromMass(float fMass)
{
    if (fMass == 0.0f) {
        showErrorMessage("mass == 0 in function VbarFromMass", 0);
        return 0.0f;
    }
    const float fScaled = fMass / std::pow(10.0f, static_cast<float>(nVbarMScale));
    return static_cast<float>(dVbarMOffset) + static_cast<float>(dVbarMIncrement) * std::cbrt(fScaled);
}

float SFromM(float fMass)
{
    if (fMass == 0.0f) {
        showErrorMessage("mass == 0 in function SFromM", 0);
        return 0.0f;
    }
    return static_cast<float>(dPowerLawA) * std::pow(fMass, static_cast<float>(dPowerLawB));
}

float MFromSPowerLaw(float fS) { return std::pow(fS / fScalingKs, 1.0f / fScalingBs); }

float sFromMPowerLaw(float fMass) { return fScalingKs * std::pow(fMass, fScalingBs); }

float sToS20wGeneral(float fS, float fEta, float fDensity, float fVbar, float fVbar20)
{
    return fS * (fEta / STANDARDVISCOSITY) * (1.0f - fVbar20 * fWaterDensity20) / (1.0f - fVbar * fDensity);
}

float s20wToSGeneral(float fS20w, float fEta, float fDensity, float fVbar, float fVbar20)
{
    return fS20w * (STANDARDVISCOSITY / fEta) * (1.0f - fVbar * fDensity) / (1.0f - fVbar20 * fWaterDensity20);
}

float sToS20w(float fS) { return sToS20wGeneral(fS, eta(), fBufferDensity, VBAR, VBAR); }

float s20wToS(float fS20w) { return s20wToSGeneral(fS20w, eta(), fBufferDensity, VBAR, VBAR); }

namespace {

// M and D of a grid point: a floating particle (s at or below fFlotationSMax)
// has a fixed D, its M follows from the Svedberg relation; above, M is that
// of the c(s) family and D follows.
void gridPointMassAndD(float fS, float* pfMass, float* pfD)
{
    const float fT = fTemperatureK - kZeroCelsiusF;
    if (fS <= fFlotationSMax) {
        float fD = fFlotationSpeciesD;
        if (bFlotationDFromRadius) fD = DFromStokesRadius(fFlotationSpeciesD, fT);
        *pfD = fD;
        *pfMass = DFromSM(fS, fD, fT);  // with D in the place of M it gives M
        return;
    }
    const float fMass = CalculateM(fS);
    *pfMass = fMass;
    *pfD = fMass == 0.0f ? 0.0f : std::fabs(fS * 1e-13f * RT(fT) / ((1.0f - fVbarRho) * fMass));
}

}  // namespace

float buoyantMassOfGridPoint(float fS)
{
    if (fS == 0.0f) return 0.0f;
    float fMass = 0.0f, fD = 0.0f;
    gridPointMassAndD(fS, &fMass, &fD);
    return (1.0f - fVbarRho) * fMass;
}

float diffusionOfGridPoint(float fS)
{
    if (fS == 0.0f) return 0.0f;
    float fMass = 0.0f, fD = 0.0f;
    gridPointMassAndD(fS, &fMass, &fD);
    return fD;
}

// ---------------------------------------------------------------- shapes

namespace {

// (vbar + hydration density) / vbar, the volume ratio of the hydrated sphere;
// not positive (with the message) when it is undefined.
bool hydratedSphereFactor(float fVbar, float fHydration, float fDensity, const char* szFunction, float* pfFactor)
{
    const float fRatio = fVbar == 0.0f ? 0.0f : (fVbar + fHydration * fDensity) / fVbar;
    if (!(fRatio > 0.0f)) {
        char sz[200];
        std::snprintf(sz, sizeof sz, "(vbar+hydration*density)/vbar <= 0 in function %s", szFunction);
        showErrorMessage(sz, 0);
        return false;
    }
    *pfFactor = std::cbrt(fRatio);
    return true;
}

float prolateFromExcess(float x)
{
    if (x <= 0.0f) return 0.0f;
    return 1.0f + 2.939184f * std::sqrt(x) + 8.027775f * x + 8.55676f * x * x - 0.505951f * x * x * x +
           0.0361508f * x * x * x * x;
}

float oblateFromExcess(float x)
{
    if (x <= 0.0f) return 0.0f;
    return 1.0f + 3.009376f * std::sqrt(x) + 8.413897f * x + 13.34978f * x * x - 3.18903f * x * x * x +
           0.106307f * x * x * x * x;
}

}  // namespace

float CalculateProlateRatio(float fMass, float fS, float fVbar, float fHydration, float fDensity, float fRelViscosity)
{
    float fFh = 0.0f;
    if (!hydratedSphereFactor(fVbar, fHydration, fDensity, "CalculateProlateRatio", &fFh)) return 0.0f;
    const float fFf0 = CalculateFrictionalRatio(fMass, fS, fVbar, fDensity, fRelViscosity);
    return prolateFromExcess(fFf0 / fFh - 1.0f);
}

float CalculateOblateRatio(float fMass, float fS, float fVbar, float fHydration, float fDensity, float fRelViscosity)
{
    float fFh = 0.0f;
    if (!hydratedSphereFactor(fVbar, fHydration, fDensity, "CalculateOblateRatio", &fFh)) return 0.0f;
    const float fFf0 = CalculateFrictionalRatio(fMass, fS, fVbar, fDensity, fRelViscosity);
    return oblateFromExcess(fFf0 / fFh - 1.0f);
}

float CalculateProlateRatioFromFf0(float fFf0, float fVbar, float fHydration, float fDensity)
{
    float fFh = 0.0f;
    if (!hydratedSphereFactor(fVbar, fHydration, fDensity, "CalculateProlateRatio", &fFh)) return 0.0f;
    return prolateFromExcess(fFf0 / fFh - 1.0f);
}

float CalculateOblateRatioFromFf0(float fFf0, float fVbar, float fHydration, float fDensity)
{
    float fFh = 0.0f;
    if (!hydratedSphereFactor(fVbar, fHydration, fDensity, "CalculateOblateRatio", &fFh)) return 0.0f;
    return oblateFromExcess(fFf0 / fFh - 1.0f);
}

// ---------------------------------------------------------------- long rod

double rodSFromM(double dMass, double dMassPerLength)
{
    if (dMass <= 1.0 || dMassPerLength <= 1.0) return 0.0;
    const double dEta = static_cast<double>(STANDARDVISCOSITY) * RELVISCOSITY;
    const double dLength = (dMass / dMassPerLength) * 1e-9;  // m
    const double dDiameter = std::sqrt(4.0 * (dMass / fAvogadro) * VBAR * 1e-6 / (fPi * dLength));
    const double q = dLength / dDiameter;
    if (q >= 1.0) {
        const double dGamma = q >= 10.0 ? 0.386 : 0.1 / (q * q) + 0.561 / q + 0.312;
        return 1e13 * (1.0 - fVbarRho) * dMassPerLength * 1e9 * (std::log(q) + dGamma) /
               (static_cast<double>(fAvogadro) * 3.0 * fPi * dEta * 1000.0);
    }
    return 1e13 * (1.0 / static_cast<double>(kGasConstantF)) * (1.0 - fVbarRho) * dMass * fBoltzmann * 1e4 /
           (6.0 * fPi * dEta * sphereRadius(static_cast<float>(dMass), VBAR));
}

float CalculateMofSforLinearRod(float fS, float fMassPerLength)
{
    if (VBAR <= 0.0f) {
        showErrorMessage("VBAR <= 0 in function CalculateMofSforLinearRod", 0);
        return 0.0f;
    }
    if (eta() <= 0.0f) {
        showErrorMessage("STANDARDVISCOSITY*RELVISCOSITY <= 0 in function CalculateMofSforLinearRod", 0);
        return 0.0f;
    }
    // A rod sediments only with the buoyancy's sign: no mass for s <= 0 or a
    // floating solvent, where neither bracket would close.
    if (fS <= 0.0f || 1.0f - fVbarRho <= 0.0f) return 0.0f;
    const double dMassPerLength = fMassPerLength;
    auto excess = [&](double dMass) { return rodSFromM(dMass, dMassPerLength) - fS; };
    double dLow = massFromS(fS, 1.0f, VBAR, fVbarRho, eta());
    if (!(dLow > 0.0)) return 0.0f;
    double dHigh = dLow;
    while (excess(dLow) >= 0.0) dLow *= 0.5;  // ends: below 1 Da the rod has s = 0
    for (int k = 0; excess(dHigh) <= 0.0; k++) {
        if (k > 2000) return 0.0f;  // s beyond any rod of finite mass
        dHigh *= 2.0;
    }
    return static_cast<float>(zbrent(excess, dLow, dHigh, 1.0));
}

// ---------------------------------------------------------------- worm-like chain

float wormChainSFromM(float fMass)
{
    const float q = fWormPersistenceLength, A0 = fWormCrossSection, m0 = fWormMonomerMw, h = fWormHydration;
    // a chain without a persistence length, cross-section or monomer has no s
    if (!(q > 0.0f) || !(A0 > 0.0f) || !(m0 > 0.0f) || !(VBAR > 0.0f)) return 0.0f;
    const float fVd = m0 * VBAR * 1e21f / fAvogadro;       // dehydrated monomer volume, nm^3
    const float fLength = fVd / A0;                        // monomer length, nm
    const float fRhoH = (1.0f + h) / (VBAR + h);            // hydrated density
    const float fW = m0 * (1.0f + h) * 1e21f / (fRhoH * kAvogadroOldF);
    const float fAh = fW / fLength;                        // hydrated cross-section
    const float d = 2.0f * std::sqrt(fAh / 3.142f);         // hydrated diameter
    const float fML = m0 / fLength;                        // mass per length, Da/nm
    const float dr = d / (2.0f * q);
    const float Lr = (fMass / fML) / (2.0f * q);
    if (fMass < m0 || !(Lr > 0.0f)) return 0.0f;
    if (Lr < 0.1f) return static_cast<float>(rodSFromM(fMass, fML));
    const float dr2 = dr * dr, dr3 = dr2 * dr, dr4 = dr2 * dr2;
    float fPhi;
    if (Lr < 2.4f) {
        const float C1 = 1.0f - 0.01412f * dr2 + 0.00592f * dr4;
        const float C2 = 0.3863f - 0.1667f * dr + 0.0016f * dr2 - 0.0224f * dr3 - 0.0007f * dr4;
        const float C3 = 0.1667f + 0.0222f * dr2 + 0.0017f * dr4;
        const float C4 = 0.01883f - 0.00789f * dr2 - 0.00038f * dr4;
        const float C5 = -0.002039f + 0.000805f * dr2 + 1.7e-05f * dr4;
        const float C6 = 0.04167f * dr + 0.00567f * dr3;
        const float C7 = 0.5f + 0.0786f * dr - 0.0094f * dr2 + 0.0107f * dr3 + 0.0039f * dr4;
        const float C8 = -0.0625f + 0.00132f * dr2 - 0.00055f * dr4;
        const float C9 = 0.001302f * dr + 0.000181f * dr3;
        const float C10 = 0.001953f - 6.4e-05f * dr2 + 2.7e-05f * dr4;
        const float u = dr / Lr, fLog = std::log(Lr / dr);
        fPhi = C1 * fLog + C2 + C3 * Lr + C4 * Lr * Lr + C5 * Lr * Lr * Lr + C6 * u * fLog + C7 * u + C8 * u * u +
               C9 * u * u * u + C10 * u * u * u * u;
    } else {
        const float fLogDr = std::log(dr);
        const float D1 = -(1.0f - 0.01412f * dr2 + 0.00592f * dr4) * fLogDr - 1.0561f - 0.1667f * dr - 0.19f * dr2 -
                         0.0224f * dr3 + 0.019f * dr4;
        const float D2 = 0.1382f + 0.691f * dr2;
        const float D3 = -(0.04167f * dr2 + 0.00567f * dr4) * fLogDr - 0.3301f + 0.5f * dr - 0.5854f * dr2 -
                         0.0094f * dr3 - 0.0421f * dr4;
        const float D4 = -0.03f + 0.1209f * dr2 + 0.0259f * dr4;
        const float fRoot = std::sqrt(Lr);
        fPhi = 1.843f * fRoot + D1 + D2 / fRoot + D3 / Lr + D4 / std::sqrt(Lr * Lr * Lr);
    }
    const float fXi = 0.09426f * Lr * (2.0f * q) * 1e-7f / fPhi;
    const float fS20w = (fML * 2.0f * q * Lr) * 1e13f * 0.27f / (kAvogadroOldF * fXi);
    return s20wToS(fS20w);
}

float wormChainMFromS(float fS)
{
    const float m0 = fWormMonomerMw;
    if (!(wormChainSFromM(std::max(m0, 1.0f)) > 0.0f)) return 0.0f;  // no chain to invert
    float fLow = CalculateMff02(fS, 1.0f);
    if (fLow < m0) return fLow;
    float fHigh = 100.0f * fLow;
    while (wormChainSFromM(fLow) > fS) {
        fLow /= 3.0f;
        if (fLow < m0) return fLow;
    }
    while (wormChainSFromM(fHigh) < fS) {
        fHigh *= 3.0f;
        if (fHigh > 1e20f) return fHigh;
    }
    bWormlikeChainRootWarned = 1;
    return zbrentFloat([fS](float fMass) { return fS - wormChainSFromM(fMass); }, fLow, fHigh, 0.001f * fS);
}

void writeWormChainMofsTable()
{
    if (!pDistAxisS || !pDistAxisM || nResolution < 1) return;
    double** m = dmatrix(1, nResolution, 1, 2);
    const float fToStandard = (1.0f - VBAR * fWaterDensity20) / (1.0f - fVbarRho);
    for (int i = 1; i <= nResolution; i++) {
        m[i][1] = pDistAxisS[i] * fToStandard * RELVISCOSITY;
        m[i][2] = 0.001f * fToStandard * pDistAxisM[i];
    }
    saveMatrixFile(m, 1, nResolution, 1, 2, szWormChainMofsPath);
    free_dmatrix(m, 1, nResolution, 1, 2);
}

// ---------------------------------------------------------------- M(s) table

void freeMofSTable()
{
    free_dvector(pMofSTableS, 1, nMofSTablePoints);
    free_dvector(pMofSTableM, 1, nMofSTablePoints);
    pMofSTableS = pMofSTableM = nullptr;
    nMofSTablePoints = 0;
    bMofSTableLoaded = 0;
}

bool readMofSTable()
{
    freeMofSTable();
    int nRows = 0;
    float** table = readMatrixFile(szMofsPath, 2, &nRows);
    if (!table || nRows < 1) return false;
    pMofSTableS = dvector(1, nRows);
    pMofSTableM = dvector(1, nRows);
    for (int i = 1; i <= nRows; i++) {
        pMofSTableS[i] = table[1][i];
        pMofSTableM[i] = table[2][i];
    }
    free_matrix(table, 1, 2, 1, nRows);
    nMofSTablePoints = nRows;
    bMofSTableLoaded = 1;
    return true;
}

float mOfSInterpolate(float fS)
{
    if (!bMofSTableLoaded || nMofSTablePoints < 1) return 1.0f;
    const double* x = pMofSTableS;
    const double* y = pMofSTableM;
    const int n = nMofSTablePoints;
    const double s20 = fS * (1.0f - VBAR * fWaterDensity20) * RELVISCOSITY / (1.0f - fVbarRho);
    double x0, y0, x1, y1;
    if (s20 < x[1]) {  // from the origin to the first entry
        x0 = 0.0, y0 = 0.0, x1 = x[1], y1 = y[1];
    } else if (s20 > x[n]) {  // on through the last two entries (the origin for one)
        x0 = n > 1 ? x[n - 1] : 0.0, y0 = n > 1 ? y[n - 1] : 0.0, x1 = x[n], y1 = y[n];
    } else {
        int i = 2;
        while (i < n && !(x[i] > s20)) i++;
        if (n == 1) i = 1;
        x0 = i > 1 ? x[i - 1] : 0.0, y0 = i > 1 ? y[i - 1] : 0.0, x1 = x[i], y1 = y[i];
    }
    if (x1 == x0) return 1.0f;
    return static_cast<float>(1000.0 * (y0 + (y1 - y0) * (s20 - x0) / (x1 - x0)));
}
