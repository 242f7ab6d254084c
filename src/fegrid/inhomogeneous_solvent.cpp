// The inhomogeneous solvent on the global grid: its settings and coefficient
// tables, the local factors of s and D, the element integrals with radially
// varying coefficients, the co-solute's own redistribution, the conversion of
// the species parameters between experimental and standard conditions, and
// the hand-over to the solver object.
//
// The co-solute is one more Lamm equation on an equidistant grid of its own
// between meniscus and bottom (the work block of global_grid.h), advanced in
// step with the macromolecule: the propagator sets the co-solute's time when a
// step starts and advances the co-solute to the new time when it ends. Its
// matrices are those of the buffer module (fe_closed_form.h), or for a co-solute
// whose s and D depend on its concentration the sums over the node values of
// exact three-hat integrals, solved predictor-corrector. The columns of its
// transport matrix sum to 0, so it keeps its amount.
#include "fegrid/inhomogeneous_solvent.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/propagators.h"
#include "fitting/fit_globals.h"
#include "lamm/fe_elements.h"
#include "lamm/lamm_ideal.h"
#include "lamm/solvent_laws.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/overlays.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/tool_plots.h"

// ---------------------------------------------------------------- definitions

unsigned char bInhomogeneousSolvent = 0;
unsigned char bCompressibleSolvent = 1;
unsigned char bSedimentingCosolute = 0;
unsigned char bCosoluteGradient = 0;
unsigned char bNonidealCosolute = 0;
unsigned char bCosolutePreset = 0;
unsigned char bFitVbarInGradient = 0;
unsigned char bAddWaterCompressibility = 0;
unsigned char bPlotCosolute = 0;
unsigned char bSaveCosolute = 0;
unsigned char bSolventParamsConverted = 0;
int nCosoluteGridSize = 50;
double dCosoluteS = 0.2;
double dCosoluteD = 3e-6;
double dCosoluteLoading = 1.5;
double dSolventCompressibility = kWaterCompressibility;
float fGradientBufferDensity = kWaterDensity20F;
float fGradientBufferViscosity = kWaterViscosity20F;
float fGradientBufferViscosityRef = 1.0f;
float fGradientVbar = 0.73f;
float fVbarWithSolvation = 0.0f;
double* pDensityCoeffs = nullptr;
int nDensityCoeffs = 0;
double* pViscosityCoeffs = nullptr;
int nViscosityCoeffs = 0;
double* pSNonidTable = nullptr;
int nSNonidTable = 0;
double* pDNonidTable = nullptr;
int nDNonidTable = 0;
char szDensityTableFile[1000] = "";
char szViscosityTableFile[1000] = "";
char szSNonidTableFile[1000] = "";
char szDNonidTableFile[1000] = "";

double* pSolventFactorV = nullptr;
double* pSolventFactorB = nullptr;
double* pCosoluteOnGrid = nullptr;
double* pSolventDensityOnGrid = nullptr;
int nSolventFactorPoints = 0;
double dCosoluteTime = 0.0;

namespace {

const char* tableFile(const char* szChosen, const char* szDefault) { return szChosen[0] ? szChosen : szDefault; }

// 1 - VBAR rho(water), the buoyancy of the standard conditions.
double standardBuoyancy() { return 1.0 - VBAR * kWaterDensity20; }

// A factor that came out not finite (a table that overflows) is taken as the
// buffer's, so nothing that is not finite reaches a propagator.
double finiteFactor(double f) { return std::isfinite(f) ? f : 1.0; }

double firstScanRpm()
{
    if (nScans > 0 && pScanHeaders && pScanTimeOrder) return pScanHeaders[pScanTimeOrder[1]].rpm;
    return dOmegaNow;
}

}  // namespace

const char* densityTableFile() { return tableFile(szDensityTableFile, szDensityTablePath); }
const char* viscosityTableFile() { return tableFile(szViscosityTableFile, szViscosityTablePath); }
const char* sNonidTableFile() { return tableFile(szSNonidTableFile, szSNonidPath); }
const char* dNonidTableFile() { return tableFile(szDNonidTableFile, szDNonidPath); }

// ---------------------------------------------------------------- laws

double cosoluteDensity(double c) { return cosoluteDensityLaw(pDensityCoeffs, nDensityCoeffs, c); }
double cosoluteViscosity(double c) { return cosoluteViscosityLaw(pViscosityCoeffs, nViscosityCoeffs, c); }
double evalPolynomialTable(const double* table, int n, double c) { return coefficientPolynomial(table, n, c); }
double densgradEmpiricalCurve(double c) { return cosolutePresetS(c); }
double cosoluteDiffusionPreset(double c) { return cosolutePresetD(c); }

double compressibleDensityAt(double rho0, double r)
{
    return compressibleSolventDensity(rho0, dSolventCompressibility, firstScanRpm(), fMeniscus, r);
}

bool compressibilityKeepsDensityPositive(double rho0, double kappa)
{
    if (!(fBottom > fMeniscus)) return true;
    return 1 - kappa * solventPressureMPa(rho0, firstScanRpm(), fMeniscus, fBottom) > 0;
}

bool compressibleSolventDensityUsable(TXLAWindow* pWindow)
{
    if (!bInhomogeneousSolvent || !bCompressibleSolvent) return true;
    if (compressibilityKeepsDensityPositive(fGradientBufferDensity, dSolventCompressibility)) return true;
    const double dFactor =
        1 - dSolventCompressibility * solventPressureMPa(fGradientBufferDensity, firstScanRpm(), fMeniscus, fBottom);
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "compressible solvent: the density at the bottom (%.3f cm) is negative or infinite at %.0f rpm "
                  "with the compressibility %.4e 1/MPa (1 - kappa P = %.4f there)\nchange the compressibility "
                  "(Options > Inhomogeneous Solvent) - not simulated",
                  static_cast<double>(fBottom), firstScanRpm(), dSolventCompressibility, dFactor);
    playErrorSound();
    win::MessageBox(pWindow ? pWindow->HWindow : nullptr, sz, "ERROR in simulation", win::MB_OK);
    return false;
}

// ---------------------------------------------------------------- tables

bool loadCoefficientTable(const char* szPath, double** ppTable, int* pn)
{
    free_dvector(*ppTable, 1, *pn);
    *ppTable = nullptr;
    *pn = 0;
    if (!szPath || !szPath[0]) return false;
    CVector v;
    if (!v.Load(szPath) || v.nSize == 0) return false;
    for (unsigned k = 0; k < v.nSize; k++)
        if (!std::isfinite(v.pData[k])) {
            char sz[1100];
            std::snprintf(sz, sizeof sz, "\nAttention: %s holds a number that is not finite - not used", szPath);
            showErrorMessage(sz, 0);
            return false;
        }
    const int n = static_cast<int>(v.nSize);
    double* t = dvector(1, n);
    for (int i = 1; i <= n; i++) t[i] = v.pData[i - 1];
    *ppTable = t;
    *pn = n;
    return true;
}

void setupSolventGradientArrays()
{
    free_dvector(pSNonidTable, 1, nSNonidTable);
    free_dvector(pDNonidTable, 1, nDNonidTable);
    pSNonidTable = pDNonidTable = nullptr;
    nSNonidTable = nDNonidTable = 0;
    if (bCosolutePreset) return;
    loadCoefficientTable(sNonidTableFile(), &pSNonidTable, &nSNonidTable);
    loadCoefficientTable(dNonidTableFile(), &pDNonidTable, &nDNonidTable);
}

void loadDensityViscosityTables()
{
    loadCoefficientTable(densityTableFile(), &pDensityCoeffs, &nDensityCoeffs);
    loadCoefficientTable(viscosityTableFile(), &pViscosityCoeffs, &nViscosityCoeffs);
}

void freeDensityViscosityTables()
{
    free_dvector(pDensityCoeffs, 1, nDensityCoeffs);
    free_dvector(pViscosityCoeffs, 1, nViscosityCoeffs);
    pDensityCoeffs = pViscosityCoeffs = nullptr;
    nDensityCoeffs = nViscosityCoeffs = 0;
}

// ---------------------------------------------------------------- local factors

namespace {

void freeFactorArrays()
{
    free_dvector(pSolventFactorV, 1, nSolventFactorPoints);
    free_dvector(pSolventFactorB, 1, nSolventFactorPoints);
    free_dvector(pCosoluteOnGrid, 1, nSolventFactorPoints);
    free_dvector(pSolventDensityOnGrid, 1, nSolventFactorPoints);
    pSolventFactorV = pSolventFactorB = pCosoluteOnGrid = pSolventDensityOnGrid = nullptr;
    nSolventFactorPoints = 0;
}

// fv, fb and the density of the co-solute solution of concentration c at r.
void cosoluteFactorsAt(double c, double r, double& fv, double& fb, double& rho)
{
    fv = kWaterViscosity20 / cosoluteViscosity(c);
    rho = cosoluteDensity(c);
    if (bAddWaterCompressibility) rho += compressibleDensityAt(kWaterDensity20, r) - kWaterDensity20;
    fb = (1 - fGradientVbar * rho) / standardBuoyancy();
}

}  // namespace

void resizeGradientCoefficientArrays(const double* radii)
{
    const int N = nGridPointsAllocated;
    if (N < 1 || !radii) return;
    if (nSolventFactorPoints != N || !pSolventFactorV) {
        freeFactorArrays();
        pSolventFactorV = dvector(1, N);
        pSolventFactorB = dvector(1, N);
        pCosoluteOnGrid = dvector(1, N);
        pSolventDensityOnGrid = dvector(1, N);
        nSolventFactorPoints = N;
    }
    for (int i = 1; i <= N; i++) {
        double fv = 1, fb = 1, rho = kWaterDensity20, c = 0;
        if (bInhomogeneousSolvent && bCompressibleSolvent) {
            rho = compressibleDensityAt(fGradientBufferDensity, radii[i]);
            fv = 1.0 / fGradientBufferViscosityRef;
            fb = (1 - VBAR * rho) / standardBuoyancy();
        } else if (bInhomogeneousSolvent && bSedimentingCosolute) {
            c = dCosoluteLoading;
            cosoluteFactorsAt(c, radii[i], fv, fb, rho);
        }
        pSolventFactorV[i] = finiteFactor(fv);
        pSolventFactorB[i] = finiteFactor(fb);
        pCosoluteOnGrid[i] = c;
        pSolventDensityOnGrid[i] = rho;
    }
}

void updateLocalSedCoefficients(const double* radii)
{
    const int N = nGridPointsAllocated;
    if (!bSedimentingCosolute || !radii || !pSolventFactorV || nSolventFactorPoints != N || !bCosoluteArraysAllocated)
        return;
    const double* r = nullptr;
    int n = 0;
    const double* c = cosoluteProfile(&r, &n);
    if (!c) return;
    interpolateOnGridDD(N, radii, pCosoluteOnGrid, n, r, c);
    for (int i = 1; i <= N; i++) {
        double fv, fb, rho;
        cosoluteFactorsAt(pCosoluteOnGrid[i], radii[i], fv, fb, rho);
        pSolventFactorV[i] = finiteFactor(fv);
        pSolventFactorB[i] = finiteFactor(fb);
        pSolventDensityOnGrid[i] = rho;
    }
}

double localSolventFactor(double x)
{
    if (!bInhomogeneousSolvent || (!bCompressibleSolvent && !bSedimentingCosolute)) return x;
    const double fv = 1.0 / fGradientBufferViscosityRef;
    const double v = bSedimentingCosolute ? fGradientVbar : VBAR;
    const double fb = (1 - v * fGradientBufferDensity) / standardBuoyancy();
    return x * finiteFactor(fv) * finiteFactor(fb);
}

bool solventFactorsReady(int n) { return pSolventFactorV && pSolventFactorB && nSolventFactorPoints == n; }

// ---------------------------------------------------------------- element integrals

namespace {

// The factor at node k (the last point beyond the arrays; 1 without them).
double factorAt(const double* f, int k)
{
    if (!f || nSolventFactorPoints < 1) return 1.0;
    if (k > nSolventFactorPoints) k = nSolventFactorPoints;
    if (k < 1) k = 1;
    return f[k];
}

// Sums f(e, a, b, roleOfI, roleOfJ) over the elements [r_e, r_(e+1)] holding
// nodes i and j of the grid of n radii (role 0: left hat, 1: right hat).
template <class F>
double overElements(int i, int j, const double* r, int n, F f)
{
    if (!r || n < 2 || i < 1 || j < 1 || i > n || j > n || std::abs(i - j) > 1) return 0.0;
    if (i != j) {
        const int e = i < j ? i : j;
        return f(e, r[e], r[e + 1], i == e ? 0 : 1, j == e ? 0 : 1);
    }
    double v = 0.0;
    if (i > 1) v += f(i - 1, r[i - 1], r[i], 1, 1);
    if (i < n) v += f(i, r[i], r[i + 1], 0, 0);
    return v;
}

}  // namespace

void densgradElementIntegrals(int e, const double* r, double& stiffness, double sedimentation[2][2])
{
    const double a = r[e], b = r[e + 1], h = b - a;
    const double vl = factorAt(pSolventFactorV, e), vr = factorAt(pSolventFactorV, e + 1);
    const double bl = factorAt(pSolventFactorB, e), br = factorAt(pSolventFactorB, e + 1);
    stiffness = ((2 * a + b) * vl + (a + 2 * b) * vr) / (6 * h);
    // int_0^1 (a + h t)^2 (1 - t)^p t^q dt for p + q = 3: a^2 p! q!/4! +
    // 2 a h p! (q+1)!/5! + h^2 p! (q+2)!/6!
    const double a2 = a * a, ah = a * h, h2 = h * h;
    const double m30 = a2 / 4 + ah / 10 + h2 / 60, m21 = a2 / 12 + ah / 15 + h2 / 60;
    const double m12 = a2 / 12 + ah / 10 + h2 / 30, m03 = a2 / 4 + 2 * ah / 5 + h2 / 6;
    // fv fb = vl bl phiL^2 + (vl br + vr bl) phiL phiR + vr br phiR^2, times phi_Y
    const double ll = vl * bl, lr = vl * br + vr * bl, rr = vr * br;
    const double yl = ll * m30 + lr * m21 + rr * m12, yr = ll * m21 + lr * m12 + rr * m03;
    // the derivative of the test hat X: -1/h (left), +1/h (right); h from dr cancels
    sedimentation[0][0] = -yl, sedimentation[0][1] = -yr;
    sedimentation[1][0] = yl, sedimentation[1][1] = yr;
}

double densgradFeElement1(int i, int j, const double* radii, int n)
{
    return overElements(i, j, radii, n, [radii](int e, double, double, int x, int y) {
        double v, sed[2][2];
        densgradElementIntegrals(e, radii, v, sed);
        return x == y ? v : -v;
    });
}

double densgradFeElement2(int i, int j, const double* radii, int n)
{
    return overElements(i, j, radii, n, [radii](int e, double, double, int x, int y) {
        double v, sed[2][2];
        densgradElementIntegrals(e, radii, v, sed);
        return sed[x][y];
    });
}

double densgradNodeDiffusionWeight(const double* radii, int j)
{
    if (nSolventFactorPoints > 0 && j > nSolventFactorPoints) j = nSolventFactorPoints;
    if (!radii || j < 2) return 0.0;
    return radii[j] * factorAt(pSolventFactorV, j) / (radii[j] - radii[j - 1]);
}

double densgradNodeSedimentationWeight(const double* radii, int j)
{
    if (nSolventFactorPoints > 0 && j > nSolventFactorPoints) j = nSolventFactorPoints;
    if (!radii || j < 1) return 0.0;
    return radii[j] * radii[j] * factorAt(pSolventFactorV, j) * factorAt(pSolventFactorB, j);
}

// ---------------------------------------------------------------- the co-solute

void cosoluteCoefficientsAt(double c, double& s, double& D)
{
    if (bCosolutePreset) {
        s = densgradEmpiricalCurve(c);
        D = cosoluteDiffusionPreset(c);
    } else {
        s = evalPolynomialTable(pSNonidTable, nSNonidTable, c);
        D = evalPolynomialTable(pDNonidTable, nDNonidTable, c);
    }
}

namespace {

// The co-solute's state beside its arrays.
struct CosoluteState {
    double dStep = 0.0;          // the step being taken
    double dPrevStep = 0.0;      // the step before
    double dFactoredStep = 0.0;  // the step of the stored factorisation
    double dRpm = -1.0;          // the rotor speed of the matrices
    bool bMatricesChanged = true;
    bool bOnRamp = false;        // the rotor was accelerating when the step began
} gCo;

// The arrays of the work block.
struct CosoluteArrays {
    int n = 0;
    double *r, *c, *cOld, *cPred, *s, *D;
    double *Bl, *Bd, *Bu, *Al, *Ad, *Au, *Ll, *Ld, *Lu, *Rl, *Rd, *Ru, *rhs, *gam, *piv;
    double* S[8];  // the sedimentation triples of a row, slots 1..7
    double* G[8];  // the diffusion triples
};

bool bindCosolute(CosoluteArrays& a)
{
    if (!bCosoluteArraysAllocated || !pCosoluteBlock[1]) return false;
    double** b = pCosoluteBlock;
    a.n = nCosoluteGridAllocated;
    a.r = b[1], a.c = b[2], a.cOld = b[3], a.cPred = b[4], a.s = b[5], a.D = b[6];
    a.Bl = b[7], a.Bd = b[8], a.Bu = b[9], a.Al = b[10], a.Ad = b[11], a.Au = b[12];
    a.Ll = b[13], a.Ld = b[14], a.Lu = b[15], a.Rl = b[16], a.Rd = b[17], a.Ru = b[18];
    a.rhs = b[19], a.gam = b[20], a.piv = b[21];
    for (int k = 1; k <= 7; k++) {
        a.S[k] = pNonidealCosoluteBlock[k];
        a.G[k] = pNonidealCosoluteBlock[7 + k];
    }
    return true;
}

double omega2(double rpm)
{
    const double w = omegaOfRpm(rpm);
    return w * w * 1e-13;
}

// s and D of the non-ideal co-solute at c (0 for what is not finite).
void nonidealCoefficients(double c, double& s, double& D)
{
    cosoluteCoefficientsAt(c, s, D);
    if (!std::isfinite(s)) s = 0;
    if (!std::isfinite(D)) D = 0;
}

void nodalCoefficients(CosoluteArrays& a, const double* c)
{
    for (int i = 1; i <= a.n; i++) nonidealCoefficients(c[i], a.s[i], a.D[i]);
}

// The mass matrix, and with the ideal co-solute its transport matrix, at rpm.
void assembleIdeal(CosoluteArrays& a, double rpm, bool bTransport)
{
    const double h = (a.r[a.n] - a.r[1]) / (a.n - 1);
    const double K = omega2(rpm) * dCosoluteS;
    for (int i = 1; i <= a.n; i++) {
        TridiagRow B, A;
        equidistantLammRow(i, a.n, a.r[i], h, K, dCosoluteD, B, A);
        a.Bl[i] = B.l, a.Bd[i] = B.d, a.Bu[i] = B.u;
        if (bTransport) a.Al[i] = A.l, a.Ad[i] = A.d, a.Au[i] = A.u;
    }
}

// The exact three-hat integrals of every row: S(i, j, k) = int r^2 phi_i'
// phi_j phi_k and G(i, j, k) = int r phi_i' phi_j' phi_k, slots 1..7 for
// (j, k) = (i-1, i-1), (i-1, i), (i, i-1), (i, i), (i, i+1), (i+1, i), (i+1, i+1).
void buildElementTables(CosoluteArrays& a)
{
    const int n = a.n;
    for (int i = 1; i <= n; i++) {
        for (int k = 1; k <= 7; k++) a.S[k][i] = a.G[k][i] = 0.0;
        if (i > 1) {  // element [r_(i-1), r_i]: i is its right hat
            double yzll, yzlr, yzrr, zl, zr;
            fe::sedimentationTriple(a.r[i - 1], a.r[i], yzll, yzlr, yzrr);
            fe::stiffnessTriple(a.r[i - 1], a.r[i], zl, zr);
            a.S[1][i] = yzll, a.G[1][i] = -zl;  // j = L, k = L
            a.S[2][i] = yzlr, a.G[2][i] = -zr;  // j = L, k = R
            a.S[3][i] = yzlr, a.G[3][i] = zl;   // j = R, k = L
            a.S[4][i] += yzrr, a.G[4][i] += zr; // j = R, k = R
        }
        if (i < n) {  // element [r_i, r_(i+1)]: i is its left hat
            double yzll, yzlr, yzrr, zl, zr;
            fe::sedimentationTriple(a.r[i], a.r[i + 1], yzll, yzlr, yzrr);
            fe::stiffnessTriple(a.r[i], a.r[i + 1], zl, zr);
            a.S[4][i] -= yzll, a.G[4][i] += zl;  // j = L, k = L
            a.S[5][i] = -yzlr, a.G[5][i] = zr;   // j = L, k = R
            a.S[6][i] = -yzlr, a.G[6][i] = -zl;  // j = R, k = L
            a.S[7][i] = -yzrr, a.G[7][i] = -zr;  // j = R, k = R
        }
    }
}

// A_ij = sum_k (w s_k S(i, j, k) - D_k G(i, j, k)) from the node values.
void assembleNonideal(CosoluteArrays& a, double rpm)
{
    const double w = omega2(rpm);
    const int n = a.n;
    for (int i = 1; i <= n; i++) {
        auto t = [&](int slot, int k) {
            if (k < 1 || k > n) return 0.0;
            return w * a.s[k] * a.S[slot][i] - a.D[k] * a.G[slot][i];
        };
        a.Al[i] = t(1, i - 1) + t(2, i);
        a.Ad[i] = t(3, i - 1) + t(4, i) + t(5, i + 1);
        a.Au[i] = t(6, i) + t(7, i + 1);
    }
}

// L = B - dt/2 A, R = B + dt/2 A.
void crankNicolson(CosoluteArrays& a, double dt)
{
    const double f = 0.5 * dt;
    for (int i = 1; i <= a.n; i++) {
        a.Ll[i] = a.Bl[i] - f * a.Al[i], a.Ld[i] = a.Bd[i] - f * a.Ad[i], a.Lu[i] = a.Bu[i] - f * a.Au[i];
        a.Rl[i] = a.Bl[i] + f * a.Al[i], a.Rd[i] = a.Bd[i] + f * a.Ad[i], a.Ru[i] = a.Bu[i] + f * a.Au[i];
    }
}

void rightHandSide(CosoluteArrays& a, const double* c)
{
    const int n = a.n;
    for (int i = 1; i <= n; i++) {
        double v = a.Rd[i] * c[i];
        if (i > 1) v += a.Rl[i] * c[i - 1];
        if (i < n) v += a.Ru[i] * c[i + 1];
        a.rhs[i] = v;
    }
}

// One solve into u from the old profile; the old profile back on failure.
bool solveInto(CosoluteArrays& a, double* u)
{
    rightHandSide(a, a.cOld);
    if (tridag(a.Ll, a.Ld, a.Lu, a.rhs, u, a.n, a.gam, a.piv)) return true;
    for (int i = 1; i <= a.n; i++) u[i] = a.cOld[i];
    return false;
}

// The rotor speed over the co-solute's step from t, begun on the ramp or not.
double cosoluteRpm(double t, double dt, bool bOnRamp)
{
    if (bOnRamp) return effectiveOmegaDuringAcceleration(t, dt);
    return dOmegaNow;
}

}  // namespace

bool initSolventGradient()
{
    // a co-solute that cannot be set up leaves the run without a model: an
    // error the evaluation reports
    auto failed = [] {
        bSimulationError = 1;
        return false;
    };
    if (!allocSolverWorkBlock() && !allocSolverWorkBlock()) return failed();
    CosoluteArrays a;
    if (!bindCosolute(a) || a.n < nMinCosoluteGridSize) return failed();
    const double edge = fMeniscus + fZoneLamellaWidth;
    for (int i = 1; i <= a.n; i++) a.c[i] = a.cOld[i] = (bModelZone && a.r[i] < edge) ? 0.0 : dCosoluteLoading;
    gCo = CosoluteState{};
    gCo.dRpm = dOmegaNow;
    gCo.bOnRamp = bRampRotorSpeed && bRotorAccelerating;
    if (bNonidealCosolute) {
        if (!a.S[1]) return failed();
        if (!bCosolutePreset) setupSolventGradientArrays();
        assembleIdeal(a, gCo.dRpm, false);
        nodalCoefficients(a, a.c);
        buildElementTables(a);
        assembleNonideal(a, gCo.dRpm);
    } else {
        assembleIdeal(a, gCo.dRpm, true);
    }
    dCosoluteTime = dSimTime;
    return true;
}

void advanceSolventGradient()
{
    // The co-solute follows the species' step just taken. The step that ends
    // the acceleration has cleared bRotorAccelerating by now, but the species
    // took it at the ramp's speed: so does the co-solute.
    const bool bAccelerating = gCo.bOnRamp;
    gCo.bOnRamp = bRampRotorSpeed && bRotorAccelerating;
    CosoluteArrays a;
    if (!bindCosolute(a) || a.n < nMinCosoluteGridSize) return;
    gCo.dPrevStep = gCo.dStep;
    gCo.dStep = dSimTime - dCosoluteTime;
    const double dt = gCo.dStep;
    for (int i = 1; i <= a.n; i++) a.cOld[i] = a.c[i];
    if (!(dt > 0)) return;
    const double rpm = cosoluteRpm(dCosoluteTime, dt, bAccelerating);
    if (!bNonidealCosolute) {
        if (rpm != gCo.dRpm) {
            assembleIdeal(a, rpm, true);
            gCo.dRpm = rpm;
            gCo.bMatricesChanged = true;
        }
        if (dt == gCo.dFactoredStep && !gCo.bMatricesChanged && !bAccelerating) {
            rightHandSide(a, a.cOld);
            tridagStoredFactors(a.Ll, a.gam, a.piv, a.rhs, a.c, a.n);
        } else {
            crankNicolson(a, dt);
            gCo.bMatricesChanged = false;
            gCo.dFactoredStep = solveInto(a, a.c) ? dt : 0.0;
        }
    } else {
        // predictor: the coefficients of the start profile
        nodalCoefficients(a, a.cOld);
        gCo.dRpm = rpm;
        assembleNonideal(a, rpm);
        crankNicolson(a, dt);
        if (solveInto(a, a.cPred)) {
            // corrector: the means over the start and predicted profiles
            for (int i = 1; i <= a.n; i++) {
                double s, D;
                nonidealCoefficients(a.cPred[i], s, D);
                a.s[i] = 0.5 * (a.s[i] + s);
                a.D[i] = 0.5 * (a.D[i] + D);
            }
            assembleNonideal(a, rpm);
            crankNicolson(a, dt);
            solveInto(a, a.c);
        } else {
            for (int i = 1; i <= a.n; i++) a.c[i] = a.cOld[i];
        }
    }
    dCosoluteTime = dSimTime;
}

const double* cosoluteProfile(const double** ppRadii, int* pn)
{
    CosoluteArrays a;
    if (!bindCosolute(a)) return nullptr;
    if (ppRadii) *ppRadii = a.r;
    if (pn) *pn = a.n;
    return a.c;
}

double cosoluteAmount()
{
    CosoluteArrays a;
    if (!bindCosolute(a) || a.n < 2) return 0.0;
    double sum = 0.0;
    for (int i = 1; i <= a.n; i++) sum += (a.Bl[i] + a.Bd[i] + a.Bu[i]) * a.c[i];
    return sum * 0.03490658503988659 * 1.2;
}

void showCosoluteProfile(int scan)
{
    // (the first Lamm solution of a distribution only; the store's set means
    // nothing to the discrete models, whose runs show it always)
    if (!bCosoluteGradient || !bPlotCosolute || bFitRunning || bSkipRegularization) return;
    if (bModelContinuous && nLammSolutionSet != 1) return;
    const double* r = nullptr;
    int n = 0;
    const double* c = cosoluteProfile(&r, &n);
    if (!c || n < 1) return;
    TXLAWindow* w = pLammOwnerWindow;
    if (w && w->HWindow && pDataPlot) {
        if (win::HMETAFILE h = overlayDoubleArrays(pDataPlot, r, c, n, win::RGB(0, 0, 255), -1, 0)) {
            playIntoClientArea(w, h);
            win::DeleteMetaFile(h);
        }
    }
    if (!bSaveCosolute || scan < 1 || scan > nScans) return;
    char name[40];
    std::snprintf(name, sizeof name, "comp2_%d.r00", scan);
    const std::string path = std::string(szScanDrive) + szScanDir + name;
    float* x = vector(1, n);
    float* y = vector(1, n);
    for (int i = 1; i <= n; i++) {
        x[i] = static_cast<float>(r[i]);
        y[i] = static_cast<float>(c[i]);
    }
    ScanHeader header = pScanHeaders[scan];
    writeScanFile(path.c_str(), n, x, y, nullptr, "component 2", 0, &header);
    free_vector(x, 1, n);
    free_vector(y, 1, n);
}

// ---------------------------------------------------------------- species parameters

namespace {

bool continuousOutsideBoundaryAnalyses() { return bModelContinuous && !bBoundaryAnalysisMode; }

// s at standard conditions over s at the experimental ones.
double sScale()
{
    const double vb = bSedimentingCosolute ? fGradientVbar : VBAR;
    return fGradientBufferViscosityRef * standardBuoyancy() / (1 - vb * fGradientBufferDensity);
}

void scaleSpecies(bool bToStandard)
{
    const double eta = fGradientBufferViscosityRef, q = sScale();
    // (in a buffer of the macromolecule's own density s has no standard value)
    const bool bScaleS = std::isfinite(q) && q != 0;
    for (int k = 1; k <= nSpecies; k++) {
        const double D = pSpeciesMw[k];
        pSpeciesMw[k] = D > 0 ? static_cast<float>(bToStandard ? D * eta : D / eta) : 0.0f;
        if (bScaleS) pSpeciesS[k] = static_cast<float>(bToStandard ? pSpeciesS[k] * q : pSpeciesS[k] / q);
    }
}

// The two solvent entries of the continuous models' vector.
void continuousSolventEntries(double rho)
{
    if (!continuousOutsideBoundaryAnalyses()) return;
    pParamValue[3 + nSpecies] = static_cast<float>(rho);
    pParamValue[4 + 2 * nSpecies] = static_cast<float>(fGradientBufferViscosityRef * kWaterViscosity20Poise);
}

}  // namespace

// The species rows are the discrete models' slots of the vector: they are
// taken from it and written back only there.
void convertParamsForSolventModel(TXLAWindow* w)
{
    const bool bDiscrete = !bModelContinuous;
    const bool bViaD = bUseMolarMass && bDiscrete && w;
    if (bViaD)
        w->CmFitMAndS();
    else if (bDiscrete)
        paramVectorToGlobals();
    scaleSpecies(true);
    fBufferDensity = static_cast<float>(kWaterDensity20);
    fVbarRho = static_cast<float>(VBAR * kWaterDensity20);
    RELVISCOSITY = 1.0f;
    if (bDiscrete) globalsToParamVector();
    continuousSolventEntries(kWaterDensity20);
    bSolventParamsConverted = 1;
    if (bViaD) w->CmFitMAndS();
}

void convertParamsToExperimental(TXLAWindow* w)
{
    const bool bDiscrete = !bModelContinuous;
    const bool bViaD = bUseMolarMass && w;
    if (bViaD)
        w->CmFitMAndS();
    else if (bDiscrete)
        paramVectorToGlobals();
    scaleSpecies(false);
    fBufferDensity = fGradientBufferDensity;
    if (bSedimentingCosolute) VBAR = fGradientVbar;
    fVbarRho = VBAR * fGradientBufferDensity;
    RELVISCOSITY = fGradientBufferViscosityRef;
    bSolventParamsConverted = 0;
    if (bDiscrete) globalsToParamVector();
    continuousSolventEntries(fGradientBufferDensity);
    if (bViaD) w->CmFitMAndS();
}

// ---------------------------------------------------------------- the solver object

void setSolverInhomogeneousSolvent(CLammIdeal* p)
{
    if (!p) return;
    p->SetInhomogeneousSolvent(bInhomogeneousSolvent != 0, bInhomogeneousSolvent != 0, bCompressibleSolvent != 0, false,
                               dSolventCompressibility, fGradientVbar, RELVISCOSITY, fBufferDensity, VBAR, fVbarRho,
                               fGradientBufferDensity, fGradientBufferViscosity, fGradientBufferViscosityRef, 0.72871f,
                               1.0, 1.0, 1.0, 1.0);
}

void setSolverCosoluteSolvent(CLammIdeal* p)
{
    if (!p) return;
    p->SetCosoluteSolvent(bInhomogeneousSolvent != 0, bSedimentingCosolute != 0, bAddWaterCompressibility != 0,
                          dCosoluteS, dCosoluteD, bCosoluteGradient != 0, nCosoluteGridSize, false,
                          bNonidealCosolute != 0, dCosoluteLoading, bSaveCosolute != 0, bPlotCosolute != 0,
                          dSolventCompressibility, szTempDir, bCosolutePreset != 0, sNonidTableFile(),
                          dNonidTableFile(), pViscosityCoeffs, nViscosityCoeffs, pDensityCoeffs, nDensityCoeffs);
}

void freeInhomogeneousSolventArrays()
{
    freeDensityViscosityTables();
    free_dvector(pSNonidTable, 1, nSNonidTable);
    free_dvector(pDNonidTable, 1, nDNonidTable);
    pSNonidTable = pDNonidTable = nullptr;
    nSNonidTable = nDNonidTable = 0;
    freeFactorArrays();
    gCo = CosoluteState{};
    dCosoluteTime = 0.0;
}
