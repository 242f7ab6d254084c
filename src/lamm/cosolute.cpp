// CLammIdeal: the inhomogeneous solvent. Local factors of s and D (a
// compressible solvent, or a co-solute that sediments), and the co-solute
// sub-solver, which propagates the co-solute on a grid of its own with the
// static-grid engine of a second solver object.
//
// s and D are given for standard conditions (water at 20 'C); at radius r the
// macromolecule has D fv and s fv fb, with the viscosity factor
// fv = eta(water) / eta(r) and the buoyancy factor
// fb = (1 - vbar rho(r)) / (1 - vbar rho(water)). The buffer at 1 atm enters
// only as the density that the pressure compresses.
#include <cmath>

#include "lamm/lamm_ideal.h"
#include "lamm/solvent_laws.h"
#include "numerics/cvector.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "scandata/scan_header.h"

namespace {

// The value of a law, or its fallback where a table makes it useless.
double usable(double v, double fallback, bool bPositive)
{
    return std::isfinite(v) && (!bPositive || v > 0) ? v : fallback;
}
}  // namespace

// ---------------------------------------------------------------- the shared laws

double solventPressureMPa(double rho0, double rpm, double meniscus, double r)
{
    const double w = omegaOfRpm(rpm);
    return 0.5 * (1000 * rho0) * w * w * (r * r - meniscus * meniscus) * 1e-4 * 1e-6;
}

double compressibleSolventDensity(double rho0, double kappa, double rpm, double meniscus, double r)
{
    if (kappa == 0) return rho0;
    return rho0 / (1 - kappa * solventPressureMPa(rho0, rpm, meniscus, r));
}

double cosoluteDensityLaw(const double* b, int n, double c)
{
    if (!b || n < 1) return kWaterDensity20;
    const double sq = std::sqrt(c > 0 ? c : 0);
    const double terms[7] = {0, 1, 0.001 * sq, 0.01 * c, 0.001 * c * c, 0.0001 * c * c * c, 1e-6 * c * c * c * c};
    double v = 0;
    for (int i = 1; i <= n && i <= 6; i++) v += b[i] * terms[i];
    return usable(v, kWaterDensity20, true);
}

double cosoluteViscosityLaw(const double* a, int n, double c)
{
    if (!a || n < 1) return kWaterViscosity20;
    const double sq = std::sqrt(c > 0 ? c : 0);
    const double terms[6] = {0, 1, 0.001 * sq, 0.01 * c, 0.001 * c * c, 0.0001 * c * c * c};
    double v = 0;
    for (int i = 1; i <= n && i <= 5; i++) v += a[i] * terms[i];
    return usable(kWaterViscosity20 * v, kWaterViscosity20, true);
}

double coefficientPolynomial(const double* a, int n, double c)
{
    if (!a) return 0;
    double v = 0, p = 1;
    for (int i = 1; i <= n; i++) {
        v += a[i] * p;
        p *= c;
    }
    return usable(v, 0, false);
}

double cosolutePresetS(double c)
{
    const double x = 168.4 * c;  // g/l
    return 0.596 - 0.000322 * x - 0.0633 * std::exp(-0.00399 * x);
}

double cosolutePresetD(double c)
{
    return 1e-5 * (2.04 + (2.03 - 2.04) * std::exp(-18.1 * c) + 0.507 * c - 0.0341 * c * c -
                   0.614 * std::sqrt(c > 0 ? c : 0));
}

// ---------------------------------------------------------------- the solver object's solvent

// Density of a compressible solvent of density rho0 at 1 atm at radius r: the
// hydrostatic pressure of the column above r compresses it.
static double compressedDensity(const CLammIdeal* p, double rho0, double kappa, double r)
{
    const double rpm = (p->pScanHeaders && p->nScans > 0) ? (double)p->SelectedHeader(1).rpm : p->dFinalRpm;
    return compressibleSolventDensity(rho0, kappa, rpm, p->dMeniscus, r);
}

double CLammIdeal::CompressibleDensity(double r) const
{
    return compressedDensity(this, fBufferDensity1atm, dCompressibility, r);
}

// Density (g/ml) and viscosity (Pa s) of the co-solute solution at c (M)
// from the coefficient tables; water without them.
double CLammIdeal::CosoluteDensity(double c) const { return cosoluteDensityLaw(pDensityCoeffs, nDensityCoeffs, c); }

double CLammIdeal::CosoluteViscosity(double c) const
{
    return cosoluteViscosityLaw(pViscosityCoeffs, nViscosityCoeffs, c);
}

// fv and fb of the co-solute solution of concentration c at radius r.
static void cosoluteFactors(const CLammIdeal* p, double c, double r, double& fv, double& fb)
{
    fv = kWaterViscosity20 / p->CosoluteViscosity(c);
    double rho = p->CosoluteDensity(c);
    if (p->bAddWaterCompressibility) {
        const double kappa = p->dCompressibility > 0 ? p->dCompressibility : kWaterCompressibility;
        rho += compressedDensity(p, kWaterDensity20, kappa, r) - kWaterDensity20;
    }
    fb = (1 - p->fGradientVbar * rho) / (1 - p->fVbar * kWaterDensity20);
}

void CLammIdeal::InitLocalSolventFactors(const double* r)
{
    const int N = nGridPoints;
    if (!pSolventFactorD || !pSolventFactorB || !r) return;
    for (int i = 1; i <= N; i++) {
        double fv = 1, fb = 1;
        if (bInhomogeneousSolvent && bSedimentingCosolute) {
            cosoluteFactors(this, dCosoluteLoading, r[i], fv, fb);
        } else if (bInhomogeneousSolvent) {  // compressible solvent
            fv = fReferenceViscosity > 0 ? 1.0 / fReferenceViscosity : 1.0;
            fb = (1 - fVbar * CompressibleDensity(r[i])) / (1 - fVbar * kWaterDensity20);
        }
        pSolventFactorD[i] = fv;
        pSolventFactorB[i] = fb;
        if (pDensityOnGrid) pDensityOnGrid[i] = bSedimentingCosolute ? CosoluteDensity(dCosoluteLoading) : CompressibleDensity(r[i]);
    }
    nSolventFactors = N;
}

void CLammIdeal::UpdateLocalSolventFactors(const double* r)
{
    CLammIdeal* c = pCosoluteSolver;
    if (!bSedimentingCosolute || !c || !c->pConc || !pCosoluteOnGrid || !r) return;
    const int N = nGridPoints;
    interpolateOnGridDD(N, r, pCosoluteOnGrid, c->nGridPoints, c->pRadius, c->pConc);
    for (int i = 1; i <= N; i++) {
        double fv, fb;
        cosoluteFactors(this, pCosoluteOnGrid[i], r[i], fv, fb);
        pSolventFactorD[i] = fv;
        pSolventFactorB[i] = fb;
        if (pDensityOnGrid) pDensityOnGrid[i] = CosoluteDensity(pCosoluteOnGrid[i]);
    }
}

// x times the factors of the buffer at 1 atm, where the solvent is uniform (x
// itself without a solvent model).
double CLammIdeal::UniformSolventFactor(double x) const
{
    if (!bInhomogeneousSolvent) return x;
    const double fv = fReferenceViscosity > 0 ? 1.0 / fReferenceViscosity : 1.0;
    const double v = bSedimentingCosolute ? fGradientVbar : fVbar;
    const double fb = (1 - v * fBufferDensity1atm) / (1 - fVbar * kWaterDensity20);
    return x * fv * fb;
}

// ---------------------------------------------------------------- co-solute sub-solver

void CLammIdeal::FreeCosoluteGradient()
{
    if (!pCosoluteSolver) return;
    delete pCosoluteSolver;
    pCosoluteSolver = nullptr;
    pSecondComponentRadii = pSecondComponentValues = nullptr;  // they were the co-solute's
    nSecondComponentPoints = 0;
}

bool CLammIdeal::InitCosoluteGradient(const double* radii)
{
    (void)radii;  // the co-solute has a grid of its own between the same ends
    FreeCosoluteGradient();
    auto* c = new CLammIdeal();
    c->bDiagnostics = 0;
    c->dMeniscus = dMeniscus;
    c->dBottom = dBottom;
    c->dS = dCosoluteS;
    c->dD = dCosoluteD;
    c->dLoading = dCosoluteLoading;
    c->bEngineStaticGrid = 1;
    c->bEngineMovingGrid = 0;
    c->bTwoZoneGrid = 0;
    c->bShutOffActive = 0;
    c->nGridPoints = nCosoluteGridSize >= 10 ? nCosoluteGridSize : 50;
    if (!c->AllocGridArrays()) {
        delete c;
        return false;
    }
    const double edge = dMeniscus + fLamellaWidth;
    for (int i = 1; i <= c->nGridPoints; i++)
        c->pConc[i] = (bBandForming && c->pRadius[i] < edge) ? 0.0 : dCosoluteLoading;
    c->nReactModel = 3;
    c->bCosolutePreset = bCosolutePreset;
    c->bCosoluteNonidealStep = bNonidealCosolute;
    if (bNonidealCosolute && !bCosolutePreset) {
        // the co-solute's s(c) and D(c) tables (polynomial coefficients)
        c->pSNonidTable = pSNonidTable ? dvector(1, nSNonidTable) : nullptr;
        c->nSNonidTable = pSNonidTable ? nSNonidTable : 0;
        for (int i = 1; i <= c->nSNonidTable; i++) c->pSNonidTable[i] = pSNonidTable[i];
        c->pDNonidTable = pDNonidTable ? dvector(1, nDNonidTable) : nullptr;
        c->nDNonidTable = pDNonidTable ? nDNonidTable : 0;
        for (int i = 1; i <= c->nDNonidTable; i++) c->pDNonidTable[i] = pDNonidTable[i];
    }
    c->dCachedStep = 0;
    c->dMatrixRpm = -1;
    c->dTime = dTime;
    pCosoluteSolver = c;
    nSecondComponentPoints = c->nGridPoints;
    pSecondComponentRadii = c->pRadius;
    pSecondComponentValues = c->pConc;
    return true;
}

// Advances the co-solute from the time saved before the last step to now, in
// one Crank-Nicolson step at the rotor speed of that step.
void CLammIdeal::StepCosoluteGradient()
{
    CLammIdeal* c = pCosoluteSolver;
    if (!c) return;
    const double dt = dTime - dTimeSaved;
    if (dt <= 0) return;
    const int N = c->nGridPoints;
    c->dTime = dTimeSaved;
    if (c->bCosoluteNonidealStep) {
        c->dRotorRpm = dRotorRpm;
        if (!c->PredictorCorrectorStep(dt)) nAbort = 1;
    } else {
        for (int i = 1; i <= N; i++) c->pConcOld[i] = c->pConc[i];
        if (dRotorRpm != c->dMatrixRpm || dt != c->dCachedStep) {
            c->dRotorRpm = dRotorRpm;
            c->CLbShutOffBackDiffusion(N);
            c->BuildCrankNicolsonMatrices(dt, N);
            c->dCachedStep = dt;
            if (!c->tridag(N)) {
                for (int i = 1; i <= N; i++) c->pConc[i] = c->pConcOld[i];
                c->dCachedStep = 0;
                nAbort = 1;
            }
        } else {
            c->TridiagonalResolve(N);
        }
    }
    c->dTime = dTime;
}
