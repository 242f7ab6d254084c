// CLammIdeal, engine 2: linear finite elements on the object's fixed radial
// grid, Crank-Nicolson in time, one tridiagonal solve per step.
//
// The weak form of the Lamm equation with test function phi_i and weight r
//   M dc/dt = K c,  M_ij = int r phi_i phi_j,
//   K_ij = w int r^2 phi_i' phi_j - D int r phi_i' phi_j',  w = omega^2 s
// has zero column sums of K, so the step (M - dt/2 K) c_new = (M + dt/2 K) c_old
// keeps the amount sum_i (M c)_i in the cell unchanged.
#include <algorithm>
#include <cmath>

#include "lamm/double_pairs.h"
#include "lamm/grid_passes.h"
#include "lamm/lamm_ideal.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"

namespace {
inline double omega2s(double rpm, double s)
{
    const double w = rpm * kRpmToOmega;
    return w * w * s * 1e-13;
}
}  // namespace

// ---------------------------------------------------------------- matrices

// Rows from..to of M and K for the grid cut at row n (row n has the end form,
// and, with the back-diffusion shut-off, the outflow boundary).
// Rows of K with the local solvent factors: D int r fD phi_i' phi_j' and
// w int r^2 fD fB phi_i' phi_j, fD and fB linear on each element. The second
// integrand is a polynomial of degree 5, which three Gauss points integrate
// exactly.
static void elementInhomogeneous(const CLammIdeal* p, int e, double w, double D, double& kll, double& klr,
                                 double& krl, double& krr)
{
    const double a = p->pRadius[e], b = p->pRadius[e + 1], h = b - a;
    const double* fd = p->pSolventFactorD;
    const double* fbv = p->pSolventFactorB;
    const double dif = ((2 * a + b) * fd[e] + (a + 2 * b) * fd[e + 1]) / (6 * h);
    static const double gx[3] = {-0.7745966692414834, 0.0, 0.7745966692414834};
    static const double gw[3] = {5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0};
    double sl = 0, sr = 0;  // int r^2 fD fB phi_L / h and phi_R / h
    for (int g = 0; g < 3; g++) {
        const double u = 0.5 * (gx[g] + 1);  // 0..1 over the element
        const double r = a + u * h;
        const double f = ((1 - u) * fd[e] + u * fd[e + 1]) * ((1 - u) * fbv[e] + u * fbv[e + 1]);
        const double x = 0.5 * gw[g] * r * r * f;  // times h, divided by h
        sl += x * (1 - u);
        sr += x * u;
    }
    // K = w int r^2 fD fB phi_i' phi_j - D int r fD phi_i' phi_j'
    kll = -w * sl - D * dif;
    klr = -w * sr + D * dif;
    krl = w * sl + D * dif;
    krr = w * sr - D * dif;
}

static void buildRows(CLammIdeal* p, int from, int to, int n)
{
    const double w = omega2s(p->dRotorRpm, p->dS), D = p->dD;
    const double* r = p->pRadius;
    const bool local = p->bLocalSolventFactors && p->pSolventFactorD && p->pSolventFactorB;
    if (from < 1) from = 1;
    if (to > n) to = n;
    for (int i = from; i <= to; i++) {
        double ml = 0, md = 0, mu = 0, kl = 0, kd = 0, ku = 0;
        if (i > 1) {  // element [r_(i-1), r_i], node i on its right
            const double a = r[i - 1], b = r[i], h = b - a;
            ml = h * (a + b) / 12;
            md += h * (a + 3 * b) / 12;
            if (local) {
                double kll, klr, krl, krr;
                elementInhomogeneous(p, i - 1, w, D, kll, klr, krl, krr);
                kl = krl;
                kd += krr;
            } else {
                const double diff = (a + b) / (2 * h);
                kl = w * (3 * a * a + 2 * a * b + b * b) / 12 + D * diff;
                kd += w * (a * a + 2 * a * b + 3 * b * b) / 12 - D * diff;
            }
        }
        if (i < n) {  // element [r_i, r_(i+1)], node i on its left
            const double a = r[i], b = r[i + 1], h = b - a;
            mu = h * (a + b) / 12;
            md += h * (3 * a + b) / 12;
            if (local) {
                double kll, klr, krl, krr;
                elementInhomogeneous(p, i, w, D, kll, klr, krl, krr);
                ku = klr;
                kd += kll;
            } else {
                const double diff = (a + b) / (2 * h);
                ku = -w * (a * a + 2 * a * b + 3 * b * b) / 12 + D * diff;
                kd += -w * (3 * a * a + 2 * a * b + b * b) / 12 - D * diff;
            }
        }
        p->pMassLower[i] = ml;
        p->pMassDiag[i] = md;
        p->pMassUpper[i] = mu;
        p->pStiffLower[i] = kl;
        p->pStiffDiag[i] = kd;
        p->pStiffUpper[i] = ku;
    }
    if (p->bShutOffActive && n >= 2) {
        const double fd = local ? p->pSolventFactorD[n] : 1.0, fb = local ? p->pSolventFactorB[n] : 1.0;
        if (p->dS > 0 && from <= n && to >= n) {
            const double x = fd * D * r[n] / (r[n] - r[n - 1]);
            p->pStiffLower[n] += x;
            p->pStiffDiag[n] -= fd * fb * w * r[n] * r[n] + x;
        } else if (p->dS < 0 && from <= 1 && !local) {  // a gradient has none for flotation (run start)
            const double x = D * r[1] / (r[2] - r[1]);
            p->pStiffUpper[1] += x;
            p->pStiffDiag[1] += w * r[1] * r[1] - x;
        }
    }
}

// Full build of the matrices up to row n.
void CLammIdeal::CLbShutOffBackDiffusion(int n)
{
    if (n > nGridPoints) n = nGridPoints;
    buildRows(this, 1, n, n);
    nMatrixEnd = n;
    if (n > nMatrixBuilt) nMatrixBuilt = n;
    dMatrixRpm = dRotorRpm;
    bRebuildMatrices = 1;
}

void CLammIdeal::MoveMatrixEnd(int n)
{
    if (n == nMatrixEnd) return;
    bRebuildMatrices = 1;
    if (n > nMatrixBuilt) {
        CLbShutOffBackDiffusion(n);
        return;
    }
    // rows between the old and the new end take the interior form, the new end
    // row the end form with the shut-off
    const int old = nMatrixEnd;
    nMatrixEnd = n;
    buildRows(this, (old < n ? old : n) - 1, n, n);
}

void CLammIdeal::BuildCrankNicolsonMatrices(double dt, int n)
{
    const double h = 0.5 * dt;
    const lamm::Pair h2 = lamm::splat(h);
    int j = 1;
    for (; j + 1 <= n; j += 2) {
        using lamm::loadPair, lamm::storePair;
        const lamm::Pair ml = loadPair(pMassLower + j), md = loadPair(pMassDiag + j), mu = loadPair(pMassUpper + j);
        const lamm::Pair sl = h2 * loadPair(pStiffLower + j), sd = h2 * loadPair(pStiffDiag + j), su = h2 * loadPair(pStiffUpper + j);
        storePair(pLeftLower + j, ml - sl);
        storePair(pLeftDiag + j, md - sd);
        storePair(pLeftUpper + j, mu - su);
        storePair(pRightLower + j, ml + sl);
        storePair(pRightDiag + j, md + sd);
        storePair(pRightUpper + j, mu + su);
    }
    for (int i = j; i <= n; i++) {
        pLeftLower[i] = pMassLower[i] - h * pStiffLower[i];
        pLeftDiag[i] = pMassDiag[i] - h * pStiffDiag[i];
        pLeftUpper[i] = pMassUpper[i] - h * pStiffUpper[i];
        pRightLower[i] = pMassLower[i] + h * pStiffLower[i];
        pRightDiag[i] = pMassDiag[i] + h * pStiffDiag[i];
        pRightUpper[i] = pMassUpper[i] + h * pStiffUpper[i];
    }
    pLeftLower[1] = pRightLower[1] = 0;
    pLeftUpper[n] = pRightUpper[n] = 0;
}

// ---------------------------------------------------------------- tridiagonal routines

// Factorisation of the left matrix over rows 1..n, kept for the next steps
// with the same dt, then the solve (TridiagonalResolve). The matrix is cut into
// sixteen blocks eliminated side by side in vector lanes (tridiagonal_blocks.h),
// which keeps sixteen chains of the sweeps running at once instead of one. The
// factorisation starts at row 1, so it stays valid while the first solved row
// moves.
int CLammIdeal::tridag(int n)
{
    bool zeroFirst = false;
    if (!blockSolvers[nSolverSlot].factor(n, pLeftLower, pLeftDiag, pLeftUpper, &zeroFirst)) {
        showErrorMessage(zeroFirst ? "Error 1 in tridag" : "Error 2 in tridag", 0);
        nAbort = 1;
        nFactoredEnd = 0;
        return 0;
    }
    nFactoredEnd = n;
    if (nGapFirst > 0) {
        // the base window's rows from nGapLast to the end, factorised with the main ones
        const int b = nGapLast - 1;
        if (!baseSolvers[nSolverSlot].factor(nLastActive - b, pLeftLower + b, pLeftDiag + b, pLeftUpper + b)) {
            showErrorMessage("Error 2 in tridag", 0);
            nAbort = 1;
            nFactoredEnd = 0;
            return 0;
        }
    }
    TridiagonalResolve(n);
    return 1;
}

// One solve with the stored factorisation: the right-hand side (right matrix
// times c_old) from the first solved row on, formed inside the solve's
// downward sweep; rows below the first solved row are 0 in the right-hand side
// and in the solution.
void CLammIdeal::TridiagonalResolve(int n)
{
    const int k0 = nFirstActive > 3 ? nFirstActive - 1 : 1;
    blockSolvers[nSolverSlot].solveProduct(pRightLower, pRightDiag, pRightUpper, pConcOld, pConc, k0);
}

// ---------------------------------------------------------------- plateau windows

// Between the boundary's leading edge and the layer at the base, a sedimenting
// species without the back-diffusion shut-off has a stretch of rows that agree
// to far below what any scan resolves. A uniform vector solves the discretised
// equation away from the ends exactly (every interior row of K sums to -2 w
// times the row sum of M), so a Crank-Nicolson step takes such a stretch from p
// to p (1 - w dt) / (1 + w dt). Those rows are set to that value instead of
// being solved: the boundary window is solved up to the gap's first row, the
// base window from its last row, and each of these two rows, solved as the
// known value, couples its window to the plateau. The windows grow towards each
// other in chunks when the profile near their edges leaves the plateau; when
// they meet, the run goes on with one window.
namespace {
// Rows whose values differ from the plateau by at most this fraction of the
// loading count as plateau: the windows grow well before a change of this size
// reaches their edge rows, so the rows left out differ from the full solve by
// less than this.
const double kPlateauTolerance = 1e-13;
const int kMinGapRows = 32;  // a shorter gap is not worth a second solve
}  // namespace

bool CLammIdeal::PlateauWindowsAllowed() const
{
    return bPlateauWindows && dS > 0 && bTruncationMode && !bShutOffActive && nLastActive == nGridPoints &&
           !bSpeedProfile && !(bRampRotorSpeed && bAccelerating) && !bInhomogeneousSolvent && !bLocalSolventFactors &&
           !pCosoluteSolver && !bBandForming && !bInitialProfile && !bFixedTimestep && !bMovingGridActive &&
           !bReactingLoop && nGridPoints >= 4 * kMinGapRows;
}

// The gap's two end rows in the Crank-Nicolson matrices of step dt: the plateau
// value times the step's factor, coupled to neither neighbour.
void CLammIdeal::SetPlateauRows(double dt)
{
    const double w = dOmega2SStep;
    const double f = (1 - w * dt) / (1 + w * dt);
    for (const int i : {nGapFirst, nGapLast}) {
        pLeftLower[i] = pLeftUpper[i] = 0;
        pLeftDiag[i] = 1;
        pRightLower[i] = pRightUpper[i] = 0;
        pRightDiag[i] = f;
    }
}

// The base window's solve with its stored factorisation (rows nGapLast..N).
void CLammIdeal::BaseWindowResolve()
{
    const int b0 = nGapLast, n = nLastActive;
    const double* c = pConcOld;
    const double* rl = pRightLower;
    const double* rd = pRightDiag;
    const double* ru = pRightUpper;
    double* b = pRhs;
    b[b0] = rd[b0] * c[b0];
    int j = b0 + 1;
    for (; j + 1 < n; j += 2)
        lamm::storePair(b + j, lamm::loadPair(rl + j) * lamm::loadPair(c + j - 1) + lamm::loadPair(rd + j) * lamm::loadPair(c + j) +
                                   lamm::loadPair(ru + j) * lamm::loadPair(c + j + 1));
    for (; j < n; j++) b[j] = rl[j] * c[j - 1] + rd[j] * c[j] + ru[j] * c[j + 1];
    b[n] = rl[n] * c[n - 1] + rd[n] * c[n];
    baseSolvers[nSolverSlot].solve(b + b0 - 1, pConc + b0 - 1, 1);
}

// After every accepted step: opens the gap where the profile is flat, moves
// the windows' edges on when the profile near them leaves the plateau, and
// closes the gap when the windows meet.
void CLammIdeal::UpdatePlateauWindows()
{
    const int N = nGridPoints;
    if (nGapFirst == 0 && nStepCount < nGapCheckStep) return;
    if (!PlateauWindowsAllowed()) {
        if (nGapFirst > 0) {
            nGapFirst = nGapLast = 0;
            bRebuildMatrices = 1;
        }
        return;
    }
    const double tol = kPlateauTolerance * std::fabs(dPlateauStart);
    const int M = nWindowChunk;
    double* c = pConc;
    if (nGapFirst == 0) {
        nGapCheckStep = nStepCount + 8;
        // from the base down to the first two neighbours that agree, then the
        // rows on either side that agree with them
        int i = N;
        while (i > nFirstActive + M && std::fabs(c[i] - c[i - 1]) > tol) i--;
        const double q = c[i];
        if (q < 0.01 * dPlateauStart) return;
        int hi = i, lo = i;
        while (hi < N && std::fabs(c[hi + 1] - q) <= tol) hi++;
        while (lo > nFirstActive && std::fabs(c[lo - 1] - q) <= tol) lo--;
        const int g1 = lo + M, g2 = hi - M;
        if (g2 - g1 < kMinGapRows || g1 < nFirstActive + M) return;
        nGapFirst = g1;
        nGapLast = g2;
        for (int k = g1; k <= g2; k++) c[k] = q;
        bRebuildMatrices = 1;
        return;
    }
    const double p = c[nGapFirst];
    if (p < 0.01 * dPlateauStart) {  // too little left for the plateau to matter
        nGapFirst = nGapLast = 0;
        nGapCheckStep = nStepCount + 8;
        bRebuildMatrices = 1;
        return;
    }
    bool moved = false;
    for (;;) {  // the boundary window's end
        bool away = nGapFirst - M < nFirstActive + 3;
        for (int k = std::max(nGapFirst - M, 1); !away && k < nGapFirst; k++) away = std::fabs(c[k] - p) > tol;
        if (!away) break;
        nGapFirst += M;
        moved = true;
        if (nGapLast - nGapFirst < kMinGapRows) break;
    }
    for (;;) {  // the base window's first row
        bool away = false;
        for (int k = nGapLast + 1; !away && k <= std::min(nGapLast + M, N); k++) away = std::fabs(c[k] - p) > tol;
        if (!away || nGapLast - nGapFirst < kMinGapRows) break;
        nGapLast -= M;
        moved = true;
    }
    if (nGapLast - nGapFirst < kMinGapRows) {  // the windows meet
        nGapFirst = nGapLast = 0;
        nGapCheckStep = nStepCount + 8;
    }
    if (moved) bRebuildMatrices = 1;
}

// ---------------------------------------------------------------- one solve

// The spare factorisation and its matrices become the current ones and the
// other way round (a step cut to a scan time, then the step before again).
void CLammIdeal::SwapFactorisations()
{
    double** now[6] = {&pLeftLower, &pLeftDiag, &pLeftUpper, &pRightLower, &pRightDiag, &pRightUpper};
    for (int k = 0; k < 6; k++) std::swap(*now[k], pSpareCN[k]);
    nSolverSlot = 1 - nSolverSlot;
    std::swap(dCachedStep, dSpareStep);
    std::swap(nFactoredEnd, nSpareEnd);
}

void CLammIdeal::SolveStaticGridStep(double dt)
{
    const int N = nGridPoints;
    const bool accelerating = (bRampRotorSpeed || bSpeedProfile) && bAccelerating;
    if (accelerating) {
        dRotorRpm = RotorSpeedOverStep(dTime, dt);
        if (!bShutOffActive && bShutOffBackDiffusion && IsSteepGradientAtSpeed(dTime, dRotorRpm, dS, dD))
            bShutOffActive = 1;
        CLbShutOffBackDiffusion(nLastActive);
    }
    MoveMatrixEnd(nLastActive);
    const bool gap = nGapFirst > 0;
    const int n = gap ? nGapFirst : nLastActive;  // the rows the main factorisation solves
    dOmega2SStep = omega2s(dRotorRpm, dS);
    const bool same = !bRebuildMatrices && !accelerating;
    if (dt == dCachedStep && same && nFactoredEnd == n) {
        TridiagonalResolve(n);
    } else if (dt == dSpareStep && same && nSpareEnd == n) {
        SwapFactorisations();
        TridiagonalResolve(n);
    } else {
        // the current factorisation becomes the spare (while the matrices stay)
        const bool keep = same && dCachedStep != 0 && nFactoredEnd == n;
        SwapFactorisations();
        if (!keep) dSpareStep = 0;
        dCachedStep = dt;
        BuildCrankNicolsonMatrices(dt, nLastActive);
        if (gap) SetPlateauRows(dt);
        bRebuildMatrices = 0;
        if (!tridag(n)) {
            dCachedStep = 0;
            bRebuildMatrices = 1;
        }
    }
    if (gap && !nAbort) {
        BaseWindowResolve();
        const double plateau = pRightDiag[nGapFirst] * pConcOld[nGapFirst];
        std::fill(pConc + nGapFirst, pConc + nGapLast + 1, plateau);
        nPlateauRowSteps += nGapLast - nGapFirst + 1;
    }
    // Front of the cleared region. When it grows back (the tail of a steep
    // boundary on a coarse stretch of grid oscillates about zero), the cleared
    // region is taken back by a tenth of the grid and the step made again; only
    // a region that keeps growing back after that is an error. An oscillation
    // at its edge is smoothed with the sum kept; a normal monotone front is
    // left alone.
    const int k = nFirstActive;
    if (!nAbort && k > 3 && k + 3 <= n) {
        double* c = pConc;
        const double a = 0.2 * (c[k - 1] + c[k] + c[k + 1] + c[k + 2] + c[k + 3]);
        if (a >= 10 * dTruncateThreshold) {
            if (nFrontRetreats < 50) {
                nFrontRetreats++;
                const int back = std::max(1, k - std::max(10, nExtendBy));
                const int from = k > 3 ? k - 2 : 1;
                for (int i = from; i <= nLastActive; i++) c[i] = pConcOld[i];
                for (int i = back; i < from; i++) pConcOld[i] = c[i];  // cleared: 0
                nFirstActive = back;
                SolveStaticGridStep(dt);
                return;
            }
            nAbort = 1;
        } else if ((c[k] - a) * (c[k - 1] - a) < 0 && (c[k + 1] - a) * (c[k] - a) != 0) {
            const double f = a / 27.0;
            c[k - 1] = 5 * f;
            c[k] = 10 * f;
            c[k + 1] = 20 * f;
            c[k + 2] = 40 * f;
            c[k + 3] = 60 * f;
        }
    }
    if (!nAbort) {
        if (nLastActive < N) {
            const double plateau = dPlateau * std::exp(-2 * dOmega2SStep * dt);
            for (int i = nLastActive + 1; i <= N; i++) pConc[i] = plateau;
        }
    } else {
        const int from = k > 3 ? k - 2 : 1;
        for (int i = from; i <= nLastActive; i++) pConc[i] = pConcOld[i];
        for (int i = nGapFirst + 1; nGapFirst > 0 && i < nGapLast; i++) pConc[i] = pConcOld[nGapFirst];
    }
}

// ---------------------------------------------------------------- step control

double CLammIdeal::MaxRelativeChange()
{
    const int n = nLastActive, k = nFirstActive;
    const double* c = pConc;
    const double* co = pConcOld;
    // The rows k..n-1 (the end row n on its own), in one stretch, or with the
    // plateau windows in two: the gap's end rows stand for the rows between
    // them, which hold the same values (c_old only at the end rows).
    int segFrom[2] = {k, 0}, segTo[2] = {n - 1, 0}, nSeg = 1;
    if (nGapFirst > 0) {
        segTo[0] = nGapFirst;
        segFrom[1] = nGapLast;
        segTo[1] = n - 1;
        nSeg = 2;
    }
    double cmax = dPlateauStart;
    for (int g = 0; g < nSeg; g++) {
        double magnitude;
        lamm::largestValues(c, segFrom[g], g == nSeg - 1 ? n : segTo[g], cmax, cmax, magnitude);
    }
    if (bInhomogeneousSolvent && cmax < fClearanceThreshold) return 0;
    const double cut = 1e-4 * cmax;
    double E = 0;
    if (c[n] > cut && co[n] >= cut) E = std::fabs((c[n] - co[n]) / co[n]);
    const bool early = (dTime - dStartTime) < 10 && !bBandForming && !bInitialProfile;
    // Most points have their own c_old as reference; one pass over them that
    // divides only where a point beats the largest change so far, and the
    // careful walk only where a point needs a neighbour's reference or may be a
    // negative value of the first seconds.
    double E1 = E;
    int special = 0;
    const double neg = -dTruncateThreshold;
    const double negLimit = early ? neg : -HUGE_VAL;
    if (early) {
        for (int g = 0; g < nSeg; g++)
            for (int i = segFrom[g]; i <= segTo[g]; i++)
                if (c[i] < negLimit) special = 1;
    }
    for (int g = 0; g < nSeg; g++) lamm::relativeChanges(c, co, segFrom[g], segTo[g], cut, E1, special);
    if (!special) return E1;
    for (int g = nSeg - 1; g >= 0; g--)
        for (int i = segTo[g]; i >= segFrom[g]; i--) {
            if (early && c[i] < neg) {
                nRetryCount++;
                return 2 * dMaxDcOverCWork;
            }
            const double d = c[i] - co[i];
            double ref;
            if (co[i] > cut) {
                ref = co[i];
            } else if (std::fabs(d) > cut) {
                if (co[i + 1] > cut)
                    ref = co[i + 1];
                else if (i >= 2 && co[i - 1] > cut)
                    ref = co[i - 1];
                else
                    continue;
            } else {
                continue;
            }
            if (std::fabs(d) > E * std::fabs(ref)) E = std::fabs(d / ref);
        }
    return E;
}

// Caps of a new step proposal against the previous step.
static double capStep(CLammIdeal* p, double dt, double prev)
{
    if (dt > 10 * prev) dt = 10 * prev;
    if (dt > p->dMaxTimeStep) dt = p->dMaxTimeStep;
    if (dt < 1e-15) {
        dt = 1e-15;
        p->nRetryCount++;
    }
    if (dt < 0.1 * prev) dt = 0.1 * prev;
    return dt;
}

// Cuts the step to end on the next scan time; remembers whether it does.
static void clipToScan(CLammIdeal* p)
{
    p->bStepOnScan = 0;
    if (p->bNextScanPending && p->dTime + p->dTimeStep >= p->dNextScanTime) {
        p->dTimeStep = p->dNextScanTime - p->dTime;
        p->bStepOnScan = 1;
    }
}

double CLammIdeal::StaticGridStep()
{
    const int N = nGridPoints;
    dPrevTimeStep = 1.0;
    if (bFixedTimestep) dTimeStep = dMaxDcOverCWork;
    // c_old over the active range (from two below the first solved row)
    const int from = nFirstActive > 3 ? nFirstActive - 2 : 1;
    if (nGapFirst > 0) {  // the plateau rows between the gap's end rows are not read
        std::copy(pConc + from, pConc + nGapFirst + 1, pConcOld + from);
        std::copy(pConc + nGapLast, pConc + nLastActive + 1, pConcOld + nGapLast);
    } else if (nLastActive >= from) {
        std::copy(pConc + from, pConc + nLastActive + 1, pConcOld + from);
    }
    const double proposal = dTimeStep;
    bool clipped = false;
    ClipTimeStepToAcceleration(true, &clipped);
    clipToScan(this);
    if (dTimeStep <= 0) {
        dTimeStep = 1.0;
        bStepOnScan = 0;
        return 1.0;
    }
    SolveStaticGridStep(dTimeStep);
    // outside the solved rows the values are 0 or the plateau
    // with the plateau windows the rows between the gap's end rows hold the end rows' value
    double largest = 0;
    {
        const int ends[2][2] = {{from, nGapFirst > 0 ? nGapFirst : nLastActive}, {nGapLast, nLastActive}};
        for (int g = 0; g < (nGapFirst > 0 ? 2 : 1); g++) {
            double top, magnitude;
            lamm::largestValues(pConc, ends[g][0], ends[g][1], 0.0, top, magnitude);
            largest = std::max(largest, magnitude);
        }
    }
    if (largest > 1e100) {
        bOverflow = 1;
        nDiscretizationError = 1;
        return 0;
    }
    // isolated negative values
    double* c = pConc;
    const double* r = pRadius;
    if (dTime - dStartTime < 10 && (bBandForming || bInitialProfile)) {
        for (int i = 2; i <= N - 1; i++)
            if (c[i] < 1e-10) {
                c[i - 1] += c[i] * r[i] / (2 * r[i - 1]);
                c[i + 1] += c[i] * r[i] / (2 * r[i + 1]);
                c[i] = 0;
            }
    }
    // with a speed profile a negative value at the first point goes to the
    // second, and one between two positive values half to each of them, in
    // the amount weights of the nodes (the first node's covers half an
    // element), so that the amount in the cell is kept on any grid
    if (bSpeedProfile) {
        if (c[1] < 0) {
            c[2] += c[1] * fePointWeight(1, N) / fePointWeight(2, N);
            c[1] = 0;
        }
        for (int i = 2; i <= N - 1; i++)
            if (c[i] < 0 && c[i - 1] > 0 && c[i + 1] > 0) {
                const double half = 0.5 * c[i] * fePointWeight(i, N);
                c[i - 1] += half / fePointWeight(i - 1, N);
                c[i + 1] += half / fePointWeight(i + 1, N);
                c[i] = 0;
            }
    }
    ClearEmptiedEnd();
    if (bStepOnScan && nStepCount > 0) {
        AcceptStep();
        dTimeStep = proposal;  // the cut to the scan does not shorten the next proposal
        return 1.0;
    }
    if (nStepCount == 0 && (c[1] > 0 || bBandForming || bInitialProfile)) {
        const double dt = dTimeStep;
        AcceptStep();
        return dt;
    }
    if (bFixedTimestep) {
        AcceptStep();
        return 1.0;
    }
    double E = MaxRelativeChange();
    while (E > dMaxDcOverCWork) {
        if (nRetryCount > 10) {
            nDiscretizationError = 1;
            return E;
        }
        if (nAbort) return E;
        const double prev = dTimeStep;
        const double a = E == 0 ? 0 : (dMaxDcOverCHigh / E) * prev;
        const double q = prev / dStepDivisor;
        double dt = (a - q) * dStepBlend + q;
        if (dt >= 0.8 * prev && dt <= 1.2 * prev) dt *= 0.5;
        dt = capStep(this, dt, prev);
        dTimeStep = dt;
        ClipTimeStepToAcceleration(true, &clipped);
        bStepOnScan = (bNextScanPending && dTime + dTimeStep == dNextScanTime) ? 1 : 0;
        for (int i = from; i <= nLastActive; i++) pConc[i] = pConcOld[i];
        SolveStaticGridStep(dTimeStep);
        ClearEmptiedEnd();
        E = MaxRelativeChange();
    }
    nRetryCount = 1;
    AcceptStep();
    const double prev = dTimeStep;
    if (E == 0) {
        dTimeStep = 10 * prev;
    } else if (E < dMaxDcOverCLow) {
        const double a = (dMaxDcOverCHigh / E) * prev;
        const double q = prev * dStepDivisor;
        double dt = (a - q) * dStepBlend + q;
        if (dt >= 0.9 * prev && dt <= 1.1 * prev) dt *= 2;
        dTimeStep = capStep(this, dt, prev);
    }
    const double cap = AccuracyStepCap();
    if (dTimeStep > cap) dTimeStep = cap;
    clipToScan(this);
    bStepOnScan = 0;
    clipped = false;
    ClipTimeStepToAcceleration(false, &clipped);
    return E;
}

// The largest step the accuracy of the scans allows, on top of the step
// control by the relative change: a step is at most a quarter of the time
// elapsed (the profile forms from a step at the cell end, and the
// Crank-Nicolson scheme passes the errors of long first steps on), and a
// sedimenting boundary moves in one step by at most 1/20 of its width
// sqrt(2 D t) (the scheme's phase error then stays below 1e-3 of the loading)
// or half the spacing of the grid where it is, whichever is larger. A boundary
// that sharpens itself (s falls with the concentration) is narrower than
// that: with the width sharpWidth it keeps at steady state, the width is taken
// as 1 / sqrt(1 / (2 D t) + 1 / sharpWidth^2), and it moves by at most a fifth
// of the spacing (half of it left 1e-3 of the loading at 20 S with ks 0.03
// ml/mg).
double CLammIdeal::AccuracyStepCap(double sharpWidth) const
{
    const double G = 0.25, B = 0.05;
    const double elapsed = dTime - dStartTime;
    double cap = G * elapsed;
    if (cap < 1.0) cap = 1.0;
    const double k = std::fabs(dOmega2SStep != 0 ? dOmega2SStep : dOmega2S);
    if (k > 0 && dD > 0 && B > 0) {
        const double rb = dS > 0 ? dMeniscus * std::exp(k * elapsed) : dBottom * std::exp(-k * elapsed);
        if (rb >= dMeniscus && rb <= dBottom) {
            // the boundary's width, never below the spacing of the grid where it is
            int j = (int)(std::upper_bound(pRadius + 1, pRadius + nGridPoints + 1, rb) - pRadius) - 1;
            j = std::min(std::max(j, 1), nGridPoints - 1);
            const double h = pRadius[j + 1] - pRadius[j];
            double sigma = std::sqrt(2 * dD * elapsed);
            if (sharpWidth > 0) sigma = 1 / std::sqrt(1 / (2 * dD * elapsed) + 1 / (sharpWidth * sharpWidth));
            const double width = std::max(B * sigma, (sharpWidth > 0 ? 0.2 : 0.5) * h);
            const double c = width / (k * rb);
            if (c < cap) cap = c > 1e-4 ? c : 1e-4;
        }
    }
    // on a ladder of steps 2^(k/4) s, so that the step, and with it the
    // factorised matrix, stays the same over many steps
    static const double rung[4] = {std::exp2(-1.0), std::exp2(-0.75), std::exp2(-0.5), std::exp2(-0.25)};
    int e;
    const double f = std::frexp(cap, &e);  // cap = f 2^e, f in [0.5, 1)
    int j = 3;
    while (j > 0 && f < rung[j]) j--;
    return std::ldexp(rung[j], e);
}

// The end the species leaves (the meniscus, the base when floating) empties
// within an element when it sediments fast, and the elements drive values
// there below zero whatever the step. Over the emptied end, up to the first
// node that holds a tenth of the loading, every negative value goes to the
// next node inwards with the amount kept (as a speed profile does at the first
// point).
void CLammIdeal::ClearEmptiedEnd()
{
    const int N = nGridPoints;
    if (bSpeedProfile || N < 3 || dS == 0) return;
    double* c = pConc;
    const double full = 0.1 * std::fabs(dPlateauStart);
    const int dir = dS > 0 ? 1 : -1;
    int i = dS > 0 ? (nFirstActive > 3 ? nFirstActive - 1 : 1) : std::min(N, nLastActive);
    if (dir > 0) {
        // rows in [0, full) need nothing: straight to the next that does
        for (;;) {
            i = lamm::firstOutside(c, i, N - 1, 0.0, full);
            if (i > N - 1 || !(c[i] < 0)) return;
            c[i + 1] += c[i] * fePointWeight(i, N) / fePointWeight(i + 1, N);
            c[i] = 0;
            i++;
        }
    }
    for (; i + dir >= 1 && i + dir <= N && c[i] < full; i += dir) {
        if (c[i] < 0) {
            c[i + dir] += c[i] * fePointWeight(i, N) / fePointWeight(i + dir, N);
            c[i] = 0;
        }
    }
}

void CLammIdeal::AcceptStep()
{
    nStepCount++;
    dTime += dTimeStep;
    if (bStepOnScan) dTime = dNextScanTime;  // land on the scan time exactly
    if (bRampRotorSpeed && !bSpeedProfile && bAccelerating && dTime >= dAccelEnd) {
        dRotorRpm = RotorSpeedOverStep(dTime, dTimeStep);  // the final speed; ends the ramp
        bAccelerating = 0;
        CLbShutOffBackDiffusion(nGridPoints);
        MoveMatrixEnd(nLastActive);
    }
    if (bSpeedProfile && !bProfileFinished) {
        const int step = nCurrentSpeedStep;
        const unsigned char wasAccelerating = bAccelerating;
        UpdateAccelerationPhase(dTime);
        if (step != nCurrentSpeedStep || wasAccelerating != bAccelerating) {
            dRotorRpm = bAccelerating ? RotorSpeedOverStep(dTime, dTimeStep) : pStepRpm[nCurrentSpeedStep];
            if (!bShutOffActive && bShutOffBackDiffusion && IsSteepGradientAtSpeed(dTime, dRotorRpm, dS, dD))
                bShutOffActive = 1;
            CLbShutOffBackDiffusion(nGridPoints);
            MoveMatrixEnd(nLastActive);
        }
    }
    if (bRetryNegativeFix && pConc[1] < 0 && pConc[1] > -dTruncateThreshold) FixNegativeAtMeniscus();
    if (nHeteroAssocRun) dTotalAmount = TotalAmountInCell();
}

void CLammIdeal::FixNegativeAtMeniscus()
{
    const int N = nGridPoints;
    const double w1 = fePointWeight(1, N), w2 = fePointWeight(2, N);
    const double x = std::fabs(pConc[1]);
    pConc[1] = x;
    pConc[2] -= 2 * x * w1 / w2;
}

// Amount in the cell: the quadrature of c r with the element weights (engine
// 1: the control volumes of its nodes), times the volume factor of a 2 degree
// sector of 1.2 cm height.
double CLammIdeal::TotalAmountInCell() const
{
    const int N = nGridPoints;
    double sum = 0;
    if (bMovingGridActive && pCellVolume)
        for (int i = 1; i <= N; i++) sum += pCellVolume[i] * pConc[i];
    else
        for (int i = 1; i <= N; i++) sum += fePointWeight(i, N) * pConc[i];
    return 1.2 * 0.0349065850398866 * sum;
}

// ---------------------------------------------------------------- truncation

void CLammIdeal::SetTruncationReference()
{
    const int N = nGridPoints;
    const double c1 = pConc[1];
    dPlateauStart = c1;
    dPlateau = c1;
    dPlateauTime = dTime;
    nFirstActive = 1;
    nLastActive = N;
    bTruncationMode = 0;
    bNoFrontTruncation = 1;
    bNoBackTruncation = 1;
    if (!bTruncateGrid || dS <= 0 || bBandForming || bInitialProfile) {
        double ref = c1;
        if (c1 <= 0) {
            double mean = 0;
            for (int i = 1; i <= N; i++) mean += pConc[i];
            ref = dTruncateLevel * mean / N;
            dTruncateThreshold = ref;
            return;
        }
        dTruncateThreshold = dTruncateLevel * ref;
        return;
    }
    bTruncationMode = 1;
    dTruncateThreshold = dTruncateLevel * c1;
    dOmega2S = omega2s(dFinalRpm, dS);
    nExtendBy = (int)std::floor(0.1 * N);
    bNoFrontTruncation = 0;
    if (bShutOffActive && !bInhomogeneousSolvent && !bSpeedProfile && nExtendBy >= 3) {
        bNoBackTruncation = 0;
        nLastActive = nExtendBy;
        MoveMatrixEnd(nLastActive);
        for (int i = nLastActive + 1; i <= N; i++) pConc[i] = dPlateau;
    }
}

void CLammIdeal::AdvanceFrontTruncation()
{
    if (bNoFrontTruncation) return;
    const double* c = pConc;
    // The mean of the magnitudes: a tail that oscillates about zero is not
    // cleared. Every step sets the cleared region to zero, which takes away what
    // diffused into it; the front therefore stays where the profile is a
    // hundredth of the threshold, so that this stays negligible however many
    // steps a run takes.
    const double cleared = 0.01 * dTruncateThreshold;
    while (nFirstActive <= nLastActive - 10 && nFirstActive < nMaxFirstActive &&
           (std::fabs(c[nFirstActive]) + std::fabs(c[nFirstActive + 1]) + std::fabs(c[nFirstActive + 2])) / 3 <=
               cleared)
        nFirstActive++;
}

void CLammIdeal::ExtendActiveRange(double t)
{
    if (bNoBackTruncation) return;
    const int N = nGridPoints;
    if (bRampRotorSpeed || bSpeedProfile)
        dPlateau *= std::exp(-2 * dOmega2SStep * (t - dPlateauTime));
    else
        dPlateau = dPlateauStart * std::exp(-2 * dOmega2S * (t - dStartTime));
    dPlateauTime = t;
    dPlateauCut = (1 - dTruncateThreshold) * dPlateau;
    if (nLastActive < N) {
        const double* c = pConc;
        const int low = nLastActive - nExtendBy > 3 ? nLastActive - nExtendBy : 3;
        for (int i = nLastActive; i > low; i--) {
            if ((c[i] + c[i - 1] + c[i - 2]) / 3 < dPlateauCut) {
                int end = nLastActive + nExtendBy;
                if (end > N - 10) end = N;
                nLastActive = end;
                MoveMatrixEnd(nLastActive);
                break;
            }
        }
    }
    const int width = nLastActive - nFirstActive;
    if (width > nMaxWidth) nMaxWidth = width;
    if (width < nMinWidth || nMinWidth == 0) nMinWidth = width;
}

// ---------------------------------------------------------------- clearance

void CLammIdeal::SetClearanceThreshold()
{
    const int N = nGridPoints;
    nClearanceIndex = N;
    if (dS > 0) {
        for (int i = 1; i <= N; i++)
            if (pRadius[i] > fFitOuter) {
                nClearanceIndex = i;
                break;
            }
    } else if (dS < 0) {
        nClearanceIndex = 1;
        for (int i = 1; i <= N; i++)
            if (pRadius[i] <= fFitInner) nClearanceIndex = i;
    }
    fClearanceThreshold = (float)(fLammTolerance * pConc[nClearanceIndex]);
    bEndedEarly = 0;
}

bool CLammIdeal::IsBoundaryCleared()
{
    if (bInhomogeneousSolvent || bBandForming || bInitialProfile) return false;
    if (pConc[nClearanceIndex] < fClearanceThreshold || nClearanceIndex < nFirstActive) {
        bEndedEarly = 1;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- the loop

void CLammIdeal::RunStaticGridEngine()
{
    const int N = nGridPoints;
    fChangeRate = 1.0f;
    dCachedStep = dSpareStep = 0;
    nFactoredEnd = nSpareEnd = 0;
    nAbort = nDiscretizationError = nRetryCount = 0;
    bOverflow = 0;
    bEndedEarly = 0;
    bSteadyState = 0;
    nFirstActive = 1;
    nLastActive = N;
    nMatrixEnd = 1;
    nMatrixBuilt = 1;
    nMaxWidth = nMinWidth = 0;
    nGapFirst = nGapLast = nGapCheckStep = 0;
    nPlateauRowSteps = 0;
    nWindowChunk = std::max(kMinGapRows / 2, N / 32);
    bShutOffActive = bSteepGradient;
    bLocalSolventFactors = 0;
    FreeCosoluteGradient();
    if (bInhomogeneousSolvent) {
        InitLocalSolventFactors(pRadius);
        if (bSedimentingCosolute && bCosoluteSubSolver) {
            if (!InitCosoluteGradient(pRadius)) {
                nAbort = 1;
                return;
            }
            UpdateLocalSolventFactors(pRadius);
        }
        bLocalSolventFactors = 1;
        if (dS < 0 && bShutOffActive) {  // no outflow row for flotation in a gradient
            showErrorMessage("CLbShutOffBackDiffusion for flotation with inhomogeneous solvent not implemented", 0);
            bShutOffActive = 0;
        }
    }
    bool any = false;
    for (int i = 1; i <= N; i++)
        if (pConc[i] > 0) {
            any = true;
            break;
        }
    if (!any) {
        dTimeStep = 10.0;
        while (bRunning) {
            dTime += dTimeStep;
            if (bNextScanPending && dTime > dNextScanTime) dTime = dNextScanTime;
            // past the last scan nothing changes any more: straight to the stop time
            if (!bNextScanPending && nNextScanIndex > nScans && dTime < dTargetScanTime) dTime = dTargetScanTime;
            nStepCount++;
            CLEachIterationOutput(1.0);
        }
        return;
    }
    CLbShutOffBackDiffusion(N);
    nMaxFirstActive = (int)std::floor(0.95 * N);
    SetTruncationReference();
    nMaxWidth = nMinWidth = nLastActive - nFirstActive;
    if (bFixedStepLimit) {
        dMaxTimeStep = dFixedStepLimit;
    } else if (dS == 0) {
        dMaxTimeStep = 1000;
    } else {
        const float rpm = (float)dFinalRpm;
        float x = 0.5f * rpm * rpm * (float)dD / (float)dS;
        if (x > 1000) x = 1000;
        if (x < 10) x = 10;
        dMaxTimeStep = x;
    }
    SetClearanceThreshold();
    if (bBandForming || bInitialProfile) dTimeStep = 0.1;
    int tinySteps = 0, steadySteps = 0;
    nFrontRetreats = 0;
    if (!bFixedTimestep) dTimeStep = std::min(dTimeStep, AccuracyStepCap());
    while (bRunning && !nAbort && !nDiscretizationError) {
        dStepUsed = dTimeStep == 0 ? 1.0 : dTimeStep;
        dTimeSaved = dTime;
        const double before = dTime;
        const double E = StaticGridStep();
        dStepUsed = dTime - before > 0 ? dTime - before : dStepUsed;
        if (nAbort || nDiscretizationError) break;
        if (pCosoluteSolver && dTime > before) {
            // the co-solute moves on, and the matrices follow its gradient
            StepCosoluteGradient();
            UpdateLocalSolventFactors(pRadius);
            CLbShutOffBackDiffusion(nLastActive);
            if (nAbort) break;
        }
        AdvanceFrontTruncation();
        ExtendActiveRange(dTime);
        UpdatePlateauWindows();
        if (dStepUsed < 1e-12) {
            if (++tinySteps > 100) {
                nDiscretizationError = 1;
                break;
            }
        } else {
            tinySteps = 0;
        }
        CLEachIterationOutput(E);
        fChangeRate = (float)(E / dStepUsed);
        if (bRunning && IsBoundaryCleared()) bRunning = 0;
        if (dStepUsed >= 30 && fChangeRate < dMaxRelativeChange)
            steadySteps++;
        else
            steadySteps = 0;
        if (bRunning && steadySteps > 10) {
            bEndedEarly = 1;
            bSteadyState = 1;
            FillRemainingScansWithProfile();
            break;
        }
    }
}
