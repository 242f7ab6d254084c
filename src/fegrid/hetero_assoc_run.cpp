// The A + B <-> AB run: two species and their complex, in instantaneous local
// equilibrium c_AB = K c_A c_B, sedimenting and diffusing on the global grid,
// shown step by step in tables of the reaction fluxes.
//
// The unknowns are the free concentrations a and b. Total A (a + c_AB) and
// total B (b + c_AB) are conserved; with linear hats, the mass matrix M, the
// species operators O_A, O_B (D stiffness - omega^2 s sedimentation) and the
// complex terms K T p (T the triple mass integral of three hats, p the
// partner's profile) and K O_AB p, the balance of total A over a step reads
//   M (a1 - a0)/dt + O_A am + K T (a1 b1 - a0 b0)/dt + K O_AB (am bm) = 0
// (am, bm the means over the step). For a given partner it is linear in a:
// the effective mass M + K T pm on (a1 - a0)/dt and the effective operator
// O_A + K O_AB pm + K T q on am, q the partner's rate (b1 - b0)/dt (the
// product rule of the complex term, exact over the step). The columns of M,
// O and O_AB sum to the hat weights, 0 and 0: where both balances hold, the
// amounts of A and B in the cell are kept to rounding.
//
// M and O are halved: a species' balance is its effective matrices (with the
// halves) plus its reaction flux F = (M/2) v + (O/2) u (u, v the step's mean
// and difference quotient of the free profile), the half of its transport
// that the complex has to account for. A step:
// - a first pass solves each species with the partner as it was, its rate
//   that of the last step, and the mean of the last step's fluxes of A and B
//   on the right-hand side (Crank-Nicolson, tridag): the Temp profiles;
// - inner passes then solve the two balances together: each pass is a Newton
//   step on both, from the latest profiles (the partner the mean of its
//   latest and start profiles, its rate later minus earlier), whose two
//   coupled tridiagonal systems are solved as one of 2 x 2 blocks. The passes
//   end when the largest correction is below 1e-8 of the larger loading
//   concentration; after nHeteroInnerPassLimit passes the step sets the
//   discretization error instead.
// Passes that solve each species alone with the partner of the first pass and
// the fluxes of the previous pass, until the mean |F_A - F_B| is small, do
// not keep the amounts: for equal partners F_A = F_B after any pass, and even
// when repeated until the fluxes settle, their partner stays the first pass
// (with the partner following the latest pass the passes oscillate instead of
// settling). At the balances' solution F_A = F_B, so the flux asymmetry of
// the tables still shows how far a pass is from it.
//
// The run starts paused: after every table it waits for a key ('r' runs on,
// 's' stops the run, any other key shows the next table); running, a key
// pauses it again.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "fegrid/propagators.h"
#include "fegrid/scan_recording.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/overlays.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

double dRunSedA = 0.0, dRunSedB = 0.0, dRunSedAB = 0.0;
double dRunDiffA = 0.0, dRunDiffB = 0.0, dRunDiffAB = 0.0;
unsigned char bSimulationPaused = 0;
unsigned char bHeteroAssocKeys = 0;
double dFluxAsymmetry = 0.0;
int nHeteroInnerPasses = 0;
double dHeteroPassTolerance = 1e-8;
int nHeteroMaxInnerPassesUsed = 0;

double* pFreeA = nullptr;
double* pFreeB = nullptr;
double* pOldA = nullptr;
double* pOldB = nullptr;
double* pOlderA = nullptr;
double* pOlderB = nullptr;
double* pFreeATemp = nullptr;
double* pFreeBTemp = nullptr;
double* pFluxA = nullptr;
double* pFluxB = nullptr;
double* pComplex = nullptr;
double* pOperA[4] = {};
double* pOperB[4] = {};
double* pComplexMass[8] = {};
double* pComplexOper[8] = {};
double* pHeteroMean = nullptr;
double* pHeteroQuotient = nullptr;
double* pJacobianAA[4] = {};
double* pJacobianAB[4] = {};
double* pJacobianBA[4] = {};
double* pJacobianBB[4] = {};
double* pResidualA = nullptr;
double* pResidualB = nullptr;

namespace {

// The node pairs (j, k) of the complex bands of row i, as offsets from i.
constexpr int kBandJ[8] = {0, -1, -1, 0, 0, 0, 1, 1};
constexpr int kBandK[8] = {0, -1, 0, -1, 0, 1, 0, 1};

// The work matrices of a solve: the effective mass (which becomes the
// left-hand matrix) in three diagonals of the moving-hat block, the effective
// operator in the left-hand diagonals of the grid.
double* pEffMass[4] = {};
double* pEffOper[4] = {};

bool runArraysComplete()
{
    if (!bGridArraysAllocated || !pFeGridRadius || !pMovingHatBlock[1]) return false;
    for (int k = 1; k <= nHeteroArrays; k++)
        if (!pHeteroBlock[k]) return false;
    return true;
}

void bindWorkMatrices()
{
    pEffMass[1] = pMovingHatBlock[1];
    pEffMass[2] = pMovingHatBlock[2];
    pEffMass[3] = pMovingHatBlock[3];
    pEffOper[1] = pLhsLower;
    pEffOper[2] = pLhsDiag;
    pEffOper[3] = pLhsUpper;
}

double associationConstant() { return std::pow(10.0, static_cast<double>(fLogAssocK)); }

double omega2()
{
    const double w = omegaOfRpm(dOmegaNow);
    return w * w * 1e-13;
}

void copyProfile(double* to, const double* from)
{
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) to[i] = from[i];
}

// The partner's profile: the mean of p1 and p2, or p1 itself.
const double* partnerProfile(const double* p1, const double* p2)
{
    if (!p2) return p1;
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) pHeteroMean[i] = 0.5 * (p1[i] + p2[i]);
    return pHeteroMean;
}

// Row i of three diagonals plus the bands of row i times p.
void addBands(double* const* out, double* const* base, double* const* bands, const double* p, bool bAdd)
{
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) {
        const double pl = i > 1 ? p[i - 1] : 0.0, pd = p[i], pu = i < N ? p[i + 1] : 0.0;
        const double l = bands[1][i] * pl + bands[2][i] * pd;
        const double d = bands[3][i] * pl + bands[4][i] * pd + bands[5][i] * pu;
        const double u = bands[6][i] * pd + bands[7][i] * pu;
        if (bAdd) {
            out[1][i] += l, out[2][i] += d, out[3][i] += u;
        } else {
            out[1][i] = base[1][i] + l, out[2][i] = base[2][i] + d, out[3][i] = base[3][i] + u;
        }
        if (i == 1) out[1][i] = 0.0;
        if (i == N) out[3][i] = 0.0;
    }
}

// y = T x for three diagonals.
double rowTimes(double* const* t, const double* x, int i, int N)
{
    double v = t[2][i] * x[i];
    if (i > 1) v += t[1][i] * x[i - 1];
    if (i < N) v += t[3][i] * x[i + 1];
    return v;
}

// One Crank-Nicolson solve of a species: from cOld with the partner (p1, p2)
// and the partner's rate from (first, second) over span, the mean of the
// current fluxes on the right-hand side, into out. False when tridag fails.
bool solveSpecies(double* out, const double* cOld, double* const* oper, const double* p1, const double* p2,
                  const double* first, const double* second, double span, double dt)
{
    const int N = nGridPointsAllocated;
    heteroAssocEffectiveMass(pEffMass, p1, p2);
    heteroAssocEffectiveOperator(pEffOper, oper, p1, p2, first, second, span);
    const double h = -dt / 2;
    for (int i = 1; i <= N; i++)
        pGridRhs[i] = (pFluxA[i] + pFluxB[i]) * h + rowTimes(pEffMass, cOld, i, N) + h * rowTimes(pEffOper, cOld, i, N);
    for (int q = 1; q <= 3; q++)
        for (int i = 1; i <= N; i++) pEffMass[q][i] += 0.5 * dt * pEffOper[q][i];
    return tridag(pEffMass[1], pEffMass[2], pEffMass[3], pGridRhs, out, N, pTridagGam, nullptr);
}

double meanFluxDifference()
{
    const int N = nGridPointsAllocated;
    double sum = 0.0;
    for (int i = 1; i <= N; i++) sum += std::fabs(pFluxA[i] - pFluxB[i]);
    return sum / N;
}

// The balance of one species over the step and its derivative by the
// species' own profile, from its effective matrices (partner as given) and
// its reaction flux: residual = Emass (c - c0)/dt + Eoper cm + F, Jacobian =
// (Emass + M/2)/dt + (Eoper + O/2)/2 (the flux is the second half of M and O).
void speciesBalance(double* residual, double* const* jac, const double* c, const double* c0, double* const* oper,
                    const double* flux, double dt)
{
    const int N = nGridPointsAllocated;
    double* const mass[4] = {nullptr, pMassLower, pMassDiag, pMassUpper};
    for (int i = 1; i <= N; i++) {
        double r = flux[i];
        for (int q = 1; q <= 3; q++) {
            const int j = i + q - 2;
            if (j < 1 || j > N) continue;
            r += pEffMass[q][i] * (c[j] - c0[j]) / dt + pEffOper[q][i] * 0.5 * (c[j] + c0[j]);
        }
        residual[i] = r;
        for (int q = 1; q <= 3; q++)
            jac[q][i] = (pEffMass[q][i] + mass[q][i]) / dt + 0.5 * (pEffOper[q][i] + oper[q][i]);
        if (i == 1) jac[1][i] = 0.0;
        if (i == N) jac[3][i] = 0.0;
    }
}

// The derivative of one species' balance by its partner's profile: the
// complex terms K T (c p)/dt + K O_AB (cm pm) by p, with c the species'
// latest profile and cm its mean over the step. Into three diagonals.
void partnerDerivative(double* const* jac, const double* c, const double* c0, double dt)
{
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) {
        jac[1][i] = jac[2][i] = jac[3][i] = 0.0;
        for (int q = 1; q <= 7; q++) {
            const int j = i + kBandJ[q], k = i + kBandK[q];
            if (j < 1 || j > N || k < 1 || k > N) continue;
            jac[kBandK[q] + 2][i] += pComplexMass[q][i] * c[j] / dt + pComplexOper[q][i] * 0.25 * (c[j] + c0[j]);
        }
    }
}

// The coupled system of the Jacobian blocks (AA, AB / BA, BB by rows, three
// diagonals each) for -residual, by the Thomas algorithm on 2 x 2 blocks: the
// corrections of A and B come back in the residual arrays. The upper blocks
// are overwritten by the eliminated ones. A singular block sets
// bSimulationError; false then. (The block formulas are written so that equal
// partners give equal corrections to the last digit.)
bool solveCoupledBlocks()
{
    const int N = nGridPointsAllocated;
    double* const* AA = pJacobianAA;
    double* const* AB = pJacobianAB;
    double* const* BA = pJacobianBA;
    double* const* BB = pJacobianBB;
    double* ra = pResidualA;
    double* rb = pResidualB;
    for (int i = 1; i <= N; i++) {
        double d11 = AA[2][i], d12 = AB[2][i], d21 = BA[2][i], d22 = BB[2][i];
        double r1 = -ra[i], r2 = -rb[i];
        if (i > 1) {
            // take off the lower block times the row above (already reduced)
            const double l11 = AA[1][i], l12 = AB[1][i], l21 = BA[1][i], l22 = BB[1][i];
            const double g11 = AA[3][i - 1], g12 = AB[3][i - 1], g21 = BA[3][i - 1], g22 = BB[3][i - 1];
            d11 -= l11 * g11 + l12 * g21;
            d12 -= l11 * g12 + l12 * g22;
            d21 -= l21 * g11 + l22 * g21;
            d22 -= l21 * g12 + l22 * g22;
            r1 -= l11 * ra[i - 1] + l12 * rb[i - 1];
            r2 -= l21 * ra[i - 1] + l22 * rb[i - 1];
        }
        const double det = d11 * d22 - d12 * d21;
        if (det == 0 || !std::isfinite(det)) {
            bSimulationError = 1;
            return false;
        }
        // the reduced row: identity, G = D^-1 U, y = D^-1 r
        const double u11 = AA[3][i], u12 = AB[3][i], u21 = BA[3][i], u22 = BB[3][i];
        AA[3][i] = (d22 * u11 - d12 * u21) / det;
        AB[3][i] = (d22 * u12 - d12 * u22) / det;
        BA[3][i] = (d11 * u21 - d21 * u11) / det;
        BB[3][i] = (d11 * u22 - d21 * u12) / det;
        ra[i] = (d22 * r1 - d12 * r2) / det;
        rb[i] = (d11 * r2 - d21 * r1) / det;
    }
    for (int i = N - 1; i >= 1; i--) {
        const double xa = ra[i + 1], xb = rb[i + 1];
        ra[i] -= AA[3][i] * xa + AB[3][i] * xb;
        rb[i] -= BA[3][i] * xa + BB[3][i] * xb;
    }
    return true;
}

// The scale of the concentrations: the larger loading concentration.
double loadingScale()
{
    const double a = fSignalCoefA != 0 ? std::fabs(double(fLoadingA) / fSignalCoefA) : 0.0;
    const double b = fSignalCoefB != 0 ? std::fabs(double(fLoadingB) / fSignalCoefB) : 0.0;
    return std::max(a, b);
}

// One inner pass: a Newton step on the balances of A and B from pFreeA and
// pFreeB; their fluxes; the largest correction. False when the solve fails.
bool newtonPass(double dt, double* pCorrection)
{
    const int N = nGridPointsAllocated;
    heteroAssocReactionFlux(pFluxA, pFreeA, pOldA, dt, pOperA);
    heteroAssocReactionFlux(pFluxB, pFreeB, pOldB, dt, pOperB);
    heteroAssocEffectiveMass(pEffMass, pFreeB, pOldB);
    heteroAssocEffectiveOperator(pEffOper, pOperA, pFreeB, pOldB, pOldB, pFreeB, dt);
    speciesBalance(pResidualA, pJacobianAA, pFreeA, pOldA, pOperA, pFluxA, dt);
    heteroAssocEffectiveMass(pEffMass, pFreeA, pOldA);
    heteroAssocEffectiveOperator(pEffOper, pOperB, pFreeA, pOldA, pOldA, pFreeA, dt);
    speciesBalance(pResidualB, pJacobianBB, pFreeB, pOldB, pOperB, pFluxB, dt);
    partnerDerivative(pJacobianAB, pFreeA, pOldA, dt);
    partnerDerivative(pJacobianBA, pFreeB, pOldB, dt);
    if (!solveCoupledBlocks()) return false;
    double dMax = 0.0;
    for (int i = 1; i <= N; i++) {
        pFreeA[i] += pResidualA[i];
        pFreeB[i] += pResidualB[i];
        dMax = std::max({dMax, std::fabs(pResidualA[i]), std::fabs(pResidualB[i])});
    }
    heteroAssocReactionFlux(pFluxA, pFreeA, pOldA, dt, pOperA);
    heteroAssocReactionFlux(pFluxB, pFreeB, pOldB, dt, pOperB);
    *pCorrection = dMax;
    return true;
}

void heteroAssocCoupledStep()
{
    const int N = nGridPointsAllocated;
    const double dt = dTimeStep;
    const double K = associationConstant();
    bindWorkMatrices();
    // the previous step's fluxes as the first estimate (0 for the first step)
    heteroAssocReactionFlux(pFluxA, pOldA, pOlderA, dLastHeteroStep, pOperA);
    heteroAssocReactionFlux(pFluxB, pOldB, pOlderB, dLastHeteroStep, pOperB);
    // first pass: the partner as it was, its rate that of the last step
    if (!solveSpecies(pFreeATemp, pOldA, pOperA, pOldB, nullptr, pOlderB, pOldB, dLastHeteroStep, dt)) return;
    if (!solveSpecies(pFreeBTemp, pOldB, pOperB, pOldA, nullptr, pOlderA, pOldA, dLastHeteroStep, dt)) return;
    heteroAssocReactionFlux(pFluxA, pFreeATemp, pOldA, dt, pOperA);
    heteroAssocReactionFlux(pFluxB, pFreeBTemp, pOldB, dt, pOperB);
    dFluxAsymmetry = meanFluxDifference();
    printFluxTableTemp();

    // inner passes: Newton steps on both balances from the first pass, until
    // the correction is negligible against the loadings
    copyProfile(pFreeA, pFreeATemp);
    copyProfile(pFreeB, pFreeBTemp);
    const double dTolerance = dHeteroPassTolerance * loadingScale();
    nHeteroInnerPasses = 0;
    for (bool bConverged = false; !bConverged;) {
        if (nHeteroInnerPasses >= nHeteroInnerPassLimit) {
            bDiscretizationError = 1;
            break;
        }
        nHeteroInnerPasses++;
        double dCorrection = 0.0;
        if (!newtonPass(dt, &dCorrection)) break;
        dFluxAsymmetry = meanFluxDifference();
        bConverged = dCorrection <= dTolerance;
        // the solved step: Crank-Nicolson's small negative values (at the
        // clearing meniscus) are taken as 0
        if (bConverged)
            for (int i = 1; i <= N; i++) {
                if (pFreeA[i] < 0) pFreeA[i] = 0.0;
                if (pFreeB[i] < 0) pFreeB[i] = 0.0;
            }
        for (int i = 1; i <= N; i++) pComplex[i] = pFreeA[i] * pFreeB[i] * K;
        printFluxTableA();
    }
    if (nHeteroInnerPasses > nHeteroMaxInnerPassesUsed) nHeteroMaxInnerPassesUsed = nHeteroInnerPasses;
}

// t += dt (exactly onto the time the step was cut to), the signal, the ends
// of the moving frame.
void heteroAssocAdvanceTime(double dt, double tLanding)
{
    dLastHeteroStep = dt;
    nTimeStepCount++;
    dSimTime += dt;
    if (tLanding >= 0) dSimTime = tLanding;
    heteroAssocSignal();
    if (bHeteroAssocRun) {
        const int N = nGridPointsAllocated;
        const double e = std::exp(dGridMotionRate * (dSimTime - dMovingGridT0));
        pFeGridRadius[1] = fMeniscus / e;
        pFeGridRadius[N] = fBottom / e;
    }
    dProgressTotalAmount = sectorAmount(pGridConc);
}

void stopRun()
{
    bSimulationPaused = 0;
    bSimulationRunning = 0;
    bInterruptComputation = 1;
}

// The keyboard after a table.
void readTableKeys()
{
    TXLAWindow* w = pLammOwnerWindow;
    if (bSimulationPaused) {
        // no more input, or the window closing, stops the run
        const int c = waitForKeyAndEcho(w);
        if (c == 'r')
            bSimulationPaused = 0;
        else if (c == 's' || c == -1)
            stopRun();
        return;
    }
    if (windowCloseQueued()) {
        stopRun();
        return;
    }
    if (readKeyAndEcho(w) != -1) bSimulationPaused = 1;
}

void printFluxTable(bool bTemp)
{
    TXLAWindow* w = pLammOwnerWindow;
    if (w && w->HWindow) {
        win::HDC dc = w->GetDC();
        if (dc) {
            drawFluxTable(dc, bTemp);
            w->ReleaseDC(dc);
        }
    }
    readTableKeys();
}

void textAt(win::HDC dc, int x, int y, const char* sz) { win::TextOut(dc, x, y, sz, static_cast<int>(std::strlen(sz))); }

}  // namespace

void bindHeteroAssocArrays()
{
    double** b = pHeteroBlock;
    pFreeA = b[1];
    pFreeB = b[2];
    pOldA = b[3];
    pOldB = b[4];
    pOlderA = b[5];
    pOlderB = b[6];
    pFreeATemp = b[7];
    pFreeBTemp = b[8];
    pFluxA = b[9];
    pFluxB = b[10];
    pComplex = b[11];
    for (int q = 1; q <= 3; q++) {
        pOperA[q] = b[11 + q];
        pOperB[q] = b[14 + q];
    }
    for (int q = 1; q <= 7; q++) {
        pComplexMass[q] = b[17 + q];
        pComplexOper[q] = b[24 + q];
    }
    pHeteroMean = b[32];
    pHeteroQuotient = b[33];
    for (int q = 1; q <= 3; q++) {
        pJacobianAA[q] = b[33 + q];
        pJacobianAB[q] = b[36 + q];
        pJacobianBA[q] = b[39 + q];
        pJacobianBB[q] = b[42 + q];
    }
    pResidualA = b[46];
    pResidualB = b[47];
}

void heteroAssocSignal()
{
    if (!pFreeA || !pGridConc) return;
    const int N = nGridPointsAllocated;
    const double K = associationConstant();
    for (int i = 1; i <= N; i++) {
        const double c = K * pFreeA[i] * pFreeB[i];
        pGridConc[i] = fSignalCoefA * pFreeA[i] + fSignalCoefB * pFreeB[i] + dComplexSignalFactor * c;
        pComplex[i] = c;
    }
}

void setupHeteroAssocLogGrid() { setupMovingHatLogGrid(); }

void buildHeteroAssocMatrices()
{
    const int N = nGridPointsAllocated;
    const double w2 = omega2(), g = dSGrid, K = associationConstant();
    double* M[4] = {nullptr, pMassLower, pMassDiag, pMassUpper};
    for (int i = 1; i <= N; i++) {
        for (int q = 1; q <= 3; q++) {
            const int j = i + q - 2;
            M[q][i] = heteroAssocElementA(i, j);
            const double B = heteroAssocElementB(i, j), C = heteroAssocElementC(i, j), D = heteroAssocElementD(i, j);
            pOperA[q][i] = dRunDiffA * B + w2 * g * D - w2 * dRunSedA * C;
            pOperB[q][i] = dRunDiffB * B + w2 * g * D - w2 * dRunSedB * C;
        }
        for (int q = 1; q <= 7; q++) {
            const int j = i + kBandJ[q], k = i + kBandK[q];
            pComplexMass[q][i] = K * tripleMassElement(i, j, k);
            pComplexOper[q][i] = K * (dRunDiffAB * productStiffnessElement(i, j, k) +
                                      w2 * g * productSedimentationElement(i, j, k) -
                                      w2 * dRunSedAB * radialTripleIntegral(i, j, k));
        }
    }
}

void halveHeteroAssocMatrices()
{
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) {
        pMassLower[i] *= 0.5;
        pMassDiag[i] *= 0.5;
        pMassUpper[i] *= 0.5;
        for (int q = 1; q <= 3; q++) {
            pOperA[q][i] *= 0.5;
            pOperB[q][i] *= 0.5;
        }
    }
}

void heteroAssocReactionFlux(double* flux, const double* cNew, const double* cOld, double dt, double* const* oper)
{
    const int N = nGridPointsAllocated;
    if (dt == 0) {
        for (int i = 1; i <= N; i++) flux[i] = 0.0;
        return;
    }
    double* u = pHeteroMean;
    double* v = pHeteroQuotient;
    for (int i = 1; i <= N; i++) {
        u[i] = 0.5 * (cNew[i] + cOld[i]);
        v[i] = (cNew[i] - cOld[i]) / dt;
    }
    double* const mass[4] = {nullptr, pMassLower, pMassDiag, pMassUpper};
    for (int i = 1; i <= N; i++) flux[i] = rowTimes(oper, u, i, N) + rowTimes(mass, v, i, N);
}

void heteroAssocEffectiveMass(double* const* out, const double* p1, const double* p2)
{
    double* const mass[4] = {nullptr, pMassLower, pMassDiag, pMassUpper};
    addBands(out, mass, pComplexMass, partnerProfile(p1, p2), false);
}

void heteroAssocEffectiveOperator(double* const* out, double* const* oper, const double* p1, const double* p2,
                                  const double* first, const double* second, double span)
{
    addBands(out, oper, pComplexOper, partnerProfile(p1, p2), false);
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) pHeteroQuotient[i] = span != 0 ? (second[i] - first[i]) / span : 0.0;
    addBands(out, nullptr, pComplexMass, pHeteroQuotient, true);
}

double sectorAmount(const double* c)
{
    if (!c || !pFeGridRadius) return 0.0;
    const int N = nGridPointsAllocated;
    const double e = std::exp(dGridMotionRate * (dSimTime - dMovingGridT0));
    double sum = 0.0;
    for (int i = 1; i <= N; i++) sum += hatWeight(i) * e * e * c[i];
    return sum * 1.2 * 0.03490658503988659;
}

double heteroAssocTimeStep()
{
    double dt = dMovingHatFixedStep;
    if (dSimTime + dt > dMovingGridT0 + dNaturalStep) dt = dMovingGridT0 + dNaturalStep - dSimTime;
    double tLanding = -1.0;
    bool bToTarget = false;
    if (bStepToScanTime && dSimTime + dt >= dStepTargetTime) {
        dt = dStepTargetTime - dSimTime;
        tLanding = dStepTargetTime;
        bToTarget = true;
    }
    if (!(dt > 0)) {
        // already at the target: no step (the profiles stay where they are)
        if (bToTarget) bStepToScanTime = 0;
        dTimeStep = 1.0;
        return 1.0;
    }
    if (bToTarget) bStepToScanTime = 0;
    copyProfile(pOlderA, pOldA);
    copyProfile(pOlderB, pOldB);
    copyProfile(pOldA, pFreeA);
    copyProfile(pOldB, pFreeB);
    copyProfile(pGridConcPrev, pGridConc);
    const bool bFirst = nTimeStepCount == 0;
    dTimeStep = dt;
    heteroAssocCoupledStep();
    if (bSimulationError) {
        // the failed solve leaves nothing usable: the step's start stands
        copyProfile(pFreeA, pOldA);
        copyProfile(pFreeB, pOldB);
        copyProfile(pGridConc, pGridConcPrev);
        return 1.0;
    }
    heteroAssocAdvanceTime(dt, tLanding);
    return bFirst ? dt : 1.0;
}

void simulateHeteroAssociation()
{
    // all three sediment and diffuse as B (in the run's own copies)
    dRunSedA = dRunSedAB = dRunSedB;
    dRunDiffA = dRunDiffAB = dRunDiffB;
    bAutoSGrid = 0;
    dSGrid = 0.0;
    bSimulationPaused = 1;
    bHeteroAssocKeys = 1;
    bHeteroAssocRun = 1;
    if (!runArraysComplete() || nGridPointsAllocated < 3) {
        bHeteroAssocRun = bHeteroAssocKeys = 0;
        return;
    }
    heteroAssocEquilibrium();
    setupHeteroAssocLogGrid();
    buildHeteroAssocMatrices();
    halveHeteroAssocMatrices();

    fLastRelativeChange = 1.0f;
    dLastFactoredTimeStep = 0.0;
    bSimulationError = 0;
    bDiscretizationError = 0;
    bFixedTimestep = 1;
    dTimeStep = 1.0;
    dMovingHatFixedStep = dMaxDcOverCWork;
    bGridSynchronousSteps = !(dMovingHatFixedStep < dNaturalStep);
    if (bGridSynchronousSteps) dMovingHatFixedStep = dNaturalStep;
    dMaxTimeStep = 1000.0;
    nHeteroInnerPasses = nHeteroMaxInnerPassesUsed = 0;
    dProgressTotalAmount = sectorAmount(pGridConc);
    // a step of no length would never reach a scan
    if (!(dMovingHatFixedStep > 0)) bDiscretizationError = 1;
    resetScanTimeRecorder();

    int nSteady = 0;
    while (bSimulationRunning && !bSimulationError && !bDiscretizationError) {
        const double dt0 = dTimeStep;
        const double q = heteroAssocTimeStep();
        fLastRelativeChange = static_cast<float>(q);
        recordScanTimeProfile(q);
        fLastRelativeChange = static_cast<float>(q / dt0);
        if (dt0 >= 30 && fLastRelativeChange < dMaxRelativeChange)
            nSteady++;
        else
            nSteady = 0;
        if (nSteady > 10) fillRemainingScansWithProfile();
    }
    bHeteroAssocRun = 0;
    bHeteroAssocKeys = 0;
}

void drawFluxTable(win::HDC dc, bool bTemp)
{
    if (!dc || !pFreeA) return;
    const int N = nGridPointsAllocated;
    const double* fa = bTemp ? pFreeATemp : pFreeA;
    const double* fb = bTemp ? pFreeBTemp : pFreeB;
    char sz[400];
    std::snprintf(sz, sizeof sz, "%.0f sec", dSimTime);
    textAt(dc, 10, 50, sz);
    textAt(dc, 10, 70,
           bTemp ? "#:    -     FreeATemp -     OldA    -      FluxA     -     FreeBTemp  -     OldB     -     FluxB   "
                   " -      dFlux    -   Complex"
                 : "#:    -     FreeA    -     OldA    -      FluxA     -     FreeB     -     OldB     -     FluxB    -  "
                   "    dFlux    -   Complex");
    constexpr int nRows = 30, nLineHeight = 16;
    int* pNode = ivector(1, nRows);
    for (int k = 1; k <= 10; k++) {
        pNode[k] = k;
        pNode[10 + k] = (N + 10) / 2 + k;
        pNode[20 + k] = N - 10 + k;
    }
    for (int k = 1; k <= nRows; k++) {
        const int i = pNode[k];
        if (i < 1 || i > N) continue;  // a grid of fewer points than rows
        const char* szFormat = i < 10    ? "__%d:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f "
                               : i < 100 ? "_%d:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f "
                                         : "%d:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f ";
        std::snprintf(sz, sizeof sz, szFormat, i, fa[i], pOldA[i], pFluxA[i], fb[i], pOldB[i], pFluxB[i],
                      pFluxA[i] - pFluxB[i], pComplex[i]);
        textAt(dc, 10, 70 + nLineHeight * k, sz);
    }
    free_ivector(pNode, 1, nRows);
    const double dComplexAmount = sectorAmount(pComplex);
    std::snprintf(sz, sizeof sz, "sum:    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f    %3.6f", sectorAmount(fa),
                  sectorAmount(pOldA), sectorAmount(pFluxA), sectorAmount(fb), sectorAmount(pOldB),
                  sectorAmount(pFluxB), dComplexAmount);
    textAt(dc, 10, 70 + nLineHeight * (nRows + 1), sz);
    std::snprintf(sz, sizeof sz, "total A  = %3.6f    total B = %3.6f; assymfact = %e", sectorAmount(fa) + dComplexAmount,
                  sectorAmount(fb) + dComplexAmount, dFluxAsymmetry);
    textAt(dc, 10, 70 + nLineHeight * (nRows + 2), sz);
}

void printFluxTableA() { printFluxTable(false); }

void printFluxTableTemp() { printFluxTable(true); }

void drawHeteroAssocProfiles()
{
    TXLAWindow* w = pLammOwnerWindow;
    if (!w || !w->HWindow || !bRepaintAfterCalc || !pDataPlot || !pFreeA || !bGridArraysAllocated) return;
    const int N = nGridPointsAllocated;
    double* y = dvector(1, N);
    const struct {
        const double* c;
        double f;
        win::COLORREF cr;
    } curves[3] = {{pFreeA, fSignalCoefA, win::RGB(0, 0, 255)},
                   {pFreeB, fSignalCoefB, win::RGB(0, 255, 0)},
                   {pComplex, dComplexSignalFactor, win::RGB(255, 0, 0)}};
    for (const auto& cv : curves) {
        for (int i = 1; i <= N; i++) y[i] = cv.f * cv.c[i];
        win::HMETAFILE h = overlayDoubleArrays(pDataPlot, pGridRadius, y, N, cv.cr, -1, 0);
        if (!h) continue;
        playIntoClientArea(w, h);
        win::DeleteMetaFile(h);
    }
    free_dvector(y, 1, N);
}
