// The Claverie propagator: one sedimenting species on the fixed global grid.
//
// Linear hat functions phi_i on the radii r_i; the weak form of the Lamm
// equation with weight r gives
//   B dc/dt = A c,  B_ij = int phi_i phi_j r,
//   A_ij = omega^2 s int phi_i' phi_j r^2 - D int phi_i' phi_j' r,
// both tridiagonal. A Crank-Nicolson step solves
//   (B - dt/2 A) c_new = (B + dt/2 A) c_old.
// Every column of A sums to 0 (the hats sum to 1), so the amount
// sum_i (B c)_i = sum_i w_i c_i, w_i = int phi_i r, stays what it was: the
// property a change here must keep (the outflow row of the back-diffusion
// shut-off excepted, which lets material leave at the bottom).
//
// The active window: rows nFirstActiveIndex - 1 .. nLastActiveIndex are
// solved. Points of the cleared region near the meniscus are 0; beyond the last
// row the plateau is set in closed form (its radial dilution exp(-2 omega^2 s
// t)), the last row taking the bottom-boundary form. The factorisation of the
// left-hand matrix is re-used while dt, the matrices and the window stay.
#include <cmath>

#include "app/app_globals.h"
#include "fegrid/element_quadrature.h"
#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/propagators.h"
#include "fegrid/scan_recording.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"

int nFirstActiveIndex = 1;
int nLastActiveIndex = 0;
unsigned char bApplyMeniscusCorrection = 0;

namespace {

// The propagator's private state for one run.
double dClearedThreshold = 0.0;  // 1e-6 c_1 at the start: below it a point is cleared
bool bPlateauTracking = false;
bool bKeepFirstIndex = true;
bool bKeepLastIndex = true;
int nMaxFirstIndex = 0;          // 0.95 N
int nWindowExtension = 0;        // 0.1 N
double dOmega2S = 0.0;           // omega^2 s (1/s) of the last step
double dPlateauConc = 0.0;       // the plateau at dPlateauTime
double dPlateauTime = 0.0;
double dRunStartTime = 0.0;
double dInitialMeniscusConc = 0.0;
int nLastAssembledIndex = 0;     // the row with the bottom-boundary form
int nRowsBuilt = 0;              // rows assembled at all
bool bRefactorNeeded = true;
int nFactoredFirstRow = 0;       // the window of the stored factorisation
int nFactoredLastRow = 0;
int nStopIndex = 0;
float fStopReference = 0.0f;
int nRepeatCount = 0;
// Forced cuts of the run (a step at the 1e-15 s floor, early negative
// values): the accepted step resets nRepeatCount, so a run whose every step
// needs a cut or two crawls on at 1e-14 s without ever reaching its error;
// this count is never reset. Runs that end normally have none; runs that end
// in the per-step error have had fewer than 100.
int nForcedCuts = 0;
constexpr int nMaxForcedCuts = 100;
// Steps between two looks at the keyboard (the recorder looks at every scan).
constexpr int nKeyPollSteps = 64;

inline double omega2sNow() { const double w = omegaOfRpm(dOmegaNow); return w * w * dLammS * 1e-13; }

bool specialGeometry() { return bGeometryLinear || bGeometryExternalLoadingCell || bElectrophoresis || bGeometryReserved; }

// ---------------------------------------------------------------- matrices

// Row i of B and A for the grid cut at row n (row n has the bottom form);
// without bSolventA the local solvent factors are left to the caller.
void assembleRow(int i, int n, bool bSolventA = true)
{
    const int N = nGridPointsAllocated;
    const double K = omega2sNow(), D = dLammD;
    TridiagRow B, A;
    if (bVariableGridBuilt) {
        B.l = massElementToNode(i, i - 1, n);
        B.d = massElementToNode(i, i, n);
        B.u = massElementToNode(i, i + 1, n);
        A.l = K * sedimentationElementToNode(i, i - 1, n) - D * stiffnessElementToNode(i, i - 1, n);
        A.d = K * sedimentationElementToNode(i, i, n) - D * stiffnessElementToNode(i, i, n);
        A.u = K * sedimentationElementToNode(i, i + 1, n) - D * stiffnessElementToNode(i, i + 1, n);
    } else {
        // the closed forms of the equidistant grid
        const double h = (static_cast<double>(fBottom) - fMeniscus) / (N - 1);
        equidistantLammRow(i, n, pGridRadius[i], h, K, D, B, A);
    }
    if (bSolventA && bInhomogeneousSolvent && solventFactorsReady(N)) {
        // the local s and D: K int r^2 fv fb phi_i' phi_j - D int r fv phi_i' phi_j'
        // over the element on the left (i its right hat) and on the right
        double v, sed[2][2];
        A = TridiagRow{};
        if (i > 1) {
            densgradElementIntegrals(i - 1, pGridRadius, v, sed);
            A.l = K * sed[1][0] + D * v;
            A.d += K * sed[1][1] - D * v;
        }
        if (i < n) {
            densgradElementIntegrals(i, pGridRadius, v, sed);
            A.d += K * sed[0][0] - D * v;
            A.u = K * sed[0][1] + D * v;
        }
    }
    if (bBackDiffusionShutOffActive && i == n && n >= 2) {
        // outflow at the bottom of the window
        double q, w;
        if (bInhomogeneousSolvent && solventFactorsReady(N)) {
            q = D * densgradNodeDiffusionWeight(pGridRadius, n);
            w = K * densgradNodeSedimentationWeight(pGridRadius, n);
        } else {
            const double rn = pGridRadius[n];
            q = D * rn / (rn - pGridRadius[n - 1]);
            w = K * rn * rn;
        }
        A.l += q;
        A.d -= q + w;
    }
    pMassLower[i] = B.l;
    pMassDiag[i] = B.d;
    pMassUpper[i] = B.u;
    pStiffLower[i] = A.l;
    pStiffDiag[i] = A.d;
    pStiffUpper[i] = A.u;
}

}  // namespace

// The first row the window solves: 1, or one below the first active index.
static int firstSolvedRow() { return nFirstActiveIndex > 3 ? nFirstActiveIndex - 1 : 1; }

// Rows from..n with the local solvent factors: B as in the sector (only with
// bMass: the factors leave it alone), A from the integrals of each element,
// taken once and given to its two rows.
static void assembleSolventRows(int from, int n, bool bMass)
{
    const bool bOutflow = bBackDiffusionShutOffActive && n >= 2;
    for (int i = from; i <= n; i++) {
        // A is made below (the outflow row whole)
        const bool bWhole = bOutflow && i == n;
        if (bMass || bWhole) assembleRow(i, n, bWhole);
        if (!bWhole) pStiffLower[i] = pStiffDiag[i] = pStiffUpper[i] = 0.0;
    }
    const double K = omega2sNow(), D = dLammD;
    for (int e = from > 1 ? from - 1 : 1; e < n; e++) {
        double v, sed[2][2];
        densgradElementIntegrals(e, pGridRadius, v, sed);
        if (e >= from) {
            pStiffDiag[e] += K * sed[0][0] - D * v;
            pStiffUpper[e] = K * sed[0][1] + D * v;
        }
        if (!(bOutflow && e + 1 == n)) {
            pStiffLower[e + 1] = K * sed[1][0] + D * v;
            pStiffDiag[e + 1] += K * sed[1][1] - D * v;
        }
    }
}

// Rows from..min(n, N) for the sector geometry, row n with the bottom form;
// bTransportOnly when only the solvent factors changed since the rows were built.
static void assembleClaverieMatrices(int n, int from = 1, bool bTransportOnly = false)
{
    const int N = nGridPointsAllocated;
    if (n > N) n = N;
    if (bInhomogeneousSolvent && solventFactorsReady(N))
        assembleSolventRows(from, n, !bTransportOnly || n != nLastAssembledIndex);
    else
        for (int i = from; i <= n; i++) assembleRow(i, n);
    if (n > nRowsBuilt) nRowsBuilt = n;
    nLastAssembledIndex = n;
    bRefactorNeeded = true;
}

// Moves the bottom-boundary form to row n: the rows around the old and the
// new end are rebuilt (all rows up to n when n lies beyond those built).
static void updateBoundaryRows(int n)
{
    const int N = nGridPointsAllocated;
    if (n > N) n = N;
    if (n > nRowsBuilt) {
        assembleClaverieMatrices(n);
        return;
    }
    const int old = nLastAssembledIndex;
    for (int i = old - 1; i <= old; i++)
        if (i >= 1 && i <= n) assembleRow(i, n);
    for (int i = n - 1; i <= n; i++)
        if (i >= 1) assembleRow(i, n);
    nLastAssembledIndex = n;
    bRefactorNeeded = true;
}

// The special geometries: every row from the element integrals of the
// geometry (made once per grid and geometry), B from the mass integral and
// A = K' x sedimentation (drift) - D x diffusion, each entry (i, j) the
// integral of (j, i); K' = omega^2 s, or s 1e-4 (cm/s per unit of s) for the
// constant force of electrophoresis.
bool assembleStaticFeMatrices()
{
    GeometryElementRows g;
    if (!geometryElementRows(&g)) return false;
    const int N = g.n;
    const double K = bElectrophoresis ? dLammS * 1e-4 : omega2sNow(), D = dLammD;
    for (int i = 1; i <= N; i++) {
        pMassLower[i] = g.mass[0][i];
        pMassDiag[i] = g.mass[1][i];
        pMassUpper[i] = g.mass[2][i];
        pStiffLower[i] = K * g.sedimentation[0][i] - D * g.diffusion[0][i];
        pStiffDiag[i] = K * g.sedimentation[1][i] - D * g.diffusion[1][i];
        pStiffUpper[i] = K * g.sedimentation[2][i] - D * g.diffusion[2][i];
    }
    nRowsBuilt = N;
    nLastAssembledIndex = N;
    bRefactorNeeded = true;
    return true;
}

// Every row again (up to the last active index with a sedimenting co-solute,
// whose rows beyond it are not solved), then the boundary rows.
static void reassembleAll()
{
    if (specialGeometry()) {
        assembleStaticFeMatrices();
        return;
    }
    assembleClaverieMatrices(bSedimentingCosolute && bInhomogeneousSolvent ? nLastActiveIndex : nGridPointsAllocated);
    if (nLastActiveIndex < nGridPointsAllocated) updateBoundaryRows(nLastActiveIndex);
}

// B - dt/2 A into the left-hand, B + dt/2 A into the right-hand diagonals.
static void buildCrankNicolsonMatrices(double dt, int n)
{
    const double f = 0.5 * dt;
    for (int i = firstSolvedRow(); i <= n; i++) {
        pLhsLower[i] = pMassLower[i] - f * pStiffLower[i];
        pLhsDiag[i] = pMassDiag[i] - f * pStiffDiag[i];
        pLhsUpper[i] = pMassUpper[i] - f * pStiffUpper[i];
        pRhsLower[i] = pMassLower[i] + f * pStiffLower[i];
        pRhsDiag[i] = pMassDiag[i] + f * pStiffDiag[i];
        pRhsUpper[i] = pMassUpper[i] + f * pStiffUpper[i];
    }
}

// y = T x over the window, end rows shortened; 0 below it.
static void tridiagonalMatVec(const double* lower, const double* diag, const double* upper, const double* x,
                              double* y, int n)
{
    const int lo = firstSolvedRow();
    for (int i = 1; i < lo; i++) y[i] = 0.0;
    for (int i = lo; i <= n; i++) {
        double v = diag[i] * x[i];
        if (i > 1) v += lower[i] * x[i - 1];
        if (i < n) v += upper[i] * x[i + 1];
        y[i] = v;
    }
}

// Thomas algorithm over the window (rows below it get 0); the factors go to
// pTridagGam, the pivots to pTridagPivot. A zero pivot is reported and sets
// bSimulationError.
static void tridag(const double* a, const double* b, const double* c, const double* r, double* u, int n)
{
    const int lo = firstSolvedRow();
    for (int i = 1; i < lo; i++) u[i] = 0.0;
    double bet = b[lo];
    if (bet == 0.0) {
        showErrorMessage("Error 1 in tridag", 0);
        bSimulationError = 1;
        return;
    }
    pTridagPivot[lo] = bet;
    u[lo] = r[lo] / bet;
    for (int j = lo + 1; j <= n; j++) {
        pTridagGam[j] = c[j - 1] / bet;
        bet = b[j] - a[j] * pTridagGam[j];
        if (bet == 0.0) {
            showErrorMessage("Error 2 in tridag", 0);
            bSimulationError = 1;
            return;
        }
        pTridagPivot[j] = bet;
        u[j] = (r[j] - a[j] * u[j - 1]) / bet;
    }
    for (int j = n - 1; j >= lo; j--) u[j] -= pTridagGam[j + 1] * u[j + 1];
    nFactoredFirstRow = lo;
    nFactoredLastRow = n;
}

// The forward and back substitution of the last factorisation.
static void tridagWithStoredFactors(const double* a, const double* r, double* u, int n)
{
    const int lo = firstSolvedRow();
    for (int i = 1; i < lo; i++) u[i] = 0.0;
    u[lo] = r[lo] / pTridagPivot[lo];
    for (int j = lo + 1; j <= n; j++) u[j] = (r[j] - a[j] * u[j - 1]) / pTridagPivot[j];
    for (int j = n - 1; j >= lo; j--) u[j] -= pTridagGam[j + 1] * u[j + 1];
}

// ---------------------------------------------------------------- one solve

static void lammStepSolve(double dt)
{
    const int N = nGridPointsAllocated;
    const bool accelerating = bRampRotorSpeed && bRotorAccelerating;
    if (accelerating) {
        dOmegaNow = effectiveOmegaDuringAcceleration(dSimTime, dt);
        reassembleAll();
    }
    // the plateau beyond the window thins at the speed of this step
    dOmega2S = omega2sNow();
    if (nLastActiveIndex != nLastAssembledIndex) updateBoundaryRows(nLastActiveIndex);
    const int n = nLastActiveIndex;
    double* c = pGridConc;
    const double* co = pGridConcPrev;
    // A factorisation from a lower first row serves a window that has moved
    // up: it eliminates the cleared rows as well, whose right-hand side is 0.
    if (dt == dLastFactoredTimeStep && !bMatricesChanged && !accelerating && !bRefactorNeeded &&
        nFactoredFirstRow <= firstSolvedRow() && nFactoredLastRow == n) {
        tridiagonalMatVec(pRhsLower, pRhsDiag, pRhsUpper, co, pGridRhs, n);
        tridagWithStoredFactors(pLhsLower, pGridRhs, c, n);
    } else {
        bMatricesChanged = 0;
        dLastFactoredTimeStep = dt;
        buildCrankNicolsonMatrices(dt, n);
        tridiagonalMatVec(pRhsLower, pRhsDiag, pRhsUpper, co, pGridRhs, n);
        tridag(pLhsLower, pLhsDiag, pLhsUpper, pGridRhs, c, n);
        bRefactorNeeded = bSimulationError != 0;
        if (bSimulationError) dLastFactoredTimeStep = 0.0;
    }
    // The edge of the cleared region: growing back is an error, an oscillation
    // is smoothed with its sum kept.
    const int k = nFirstActiveIndex;
    if (!bSimulationError && k > 3 && k + 3 <= n) {
        const double a = 0.2 * (c[k - 1] + c[k] + c[k + 1] + c[k + 2] + c[k + 3]);
        if (static_cast<float>(a) >= static_cast<float>(10 * dClearedThreshold)) {
            bSimulationError = 1;
        } else if ((c[k] - a) * (c[k - 1] - a) < 0 && (c[k + 1] - a) * (c[k] - a) != 0) {
            const double f = a / 27.0;
            c[k - 1] = 5 * f;
            c[k] = 10 * f;
            c[k + 1] = 20 * f;
            c[k + 2] = 40 * f;
            c[k + 3] = 60 * f;
        }
    }
    if (!bSimulationError) {
        if (n < N) {
            const double p = dPlateauConc * std::exp(static_cast<float>(-2 * dOmega2S * dt));
            for (int i = n + 1; i <= N; i++) c[i] = p;
        }
    } else {
        const int from = k > 3 ? k - 2 : 1;
        for (int i = from; i <= n; i++) c[i] = co[i];
    }
}

// ---------------------------------------------------------------- step control

static double maxRelativeConcChange()
{
    const int n = nLastActiveIndex, k = nFirstActiveIndex;
    const double* c = pGridConc;
    const double* co = pGridConcPrev;
    double cmax = dInitialMeniscusConc;
    for (int i = k; i <= n; i++)
        if (c[i] > cmax) cmax = c[i];
    const double floor = 1e-4 * cmax;
    double rel = 0.0;
    if (c[n] > floor && co[n] >= floor) rel = std::fabs((c[n] - co[n]) / co[n]);
    // negative values early on mark a step too long from a constant loading;
    // a band and a measured start have an empty meniscus (a threshold of 0),
    // the measured one noise cut at 0, which every step turns negative
    const bool early = !bModelZone && !bExperimentalInitialDistribution && dSimTime - dRunStartTime < 10;
    for (int i = n - 1; i >= k; i--) {
        if (early && c[i] < -dClearedThreshold) {
            nRepeatCount++;
            nForcedCuts++;
            return 2 * dMaxDcOverCWork;
        }
        const double d = c[i] - co[i];
        double div;
        if (co[i] > floor) {
            div = co[i];
        } else if (std::fabs(d) > floor) {
            if (co[i + 1] > floor)
                div = co[i + 1];
            else if (i >= 2 && co[i - 1] > floor)
                div = co[i - 1];
            else
                continue;
        } else {
            continue;
        }
        const double q = std::fabs(d / div);
        if (q > rel) rel = q;
    }
    return rel;
}

static void correctNegativeMeniscus()
{
    double w1, w2;
    if (bVariableGridBuilt) {
        w1 = hatWeightToNode(1, nGridPointsAllocated);
        w2 = hatWeightToNode(2, nGridPointsAllocated);
    } else {
        const double h = (static_cast<double>(fBottom) - fMeniscus) / (nGridPointsAllocated - 1);
        w1 = (3 * pGridRadius[1] + h) * h / 6;
        w2 = pGridRadius[2] * h;
    }
    const double x = -pGridConc[1];
    pGridConc[1] = x;
    pGridConc[2] -= 2 * w1 * x / w2;
}

// t += dt (exactly onto the scan time when the step was cut to it).
static void acceptClaverieStep(double dt, bool bOnTarget)
{
    nTimeStepCount++;
    dSimTime += dt;
    if (bOnTarget) dSimTime = dStepTargetTime;
    if (bRotorAccelerating && dSimTime >= dAccelerationTime) {
        dOmegaNow = effectiveOmegaDuringAcceleration(dSimTime, dt);
        bRotorAccelerating = 0;
        reassembleAll();
    }
    const double c1 = pGridConc[1];
    if (bApplyMeniscusCorrection && c1 < 0 && c1 > -dClearedThreshold) correctNegativeMeniscus();
}

// The growth limits of a new step against the step dtp.
static double limitStep(double dt, double dtp)
{
    if (dt > 10 * dtp) dt = 10 * dtp;
    if (dt > dMaxTimeStep) dt = dMaxTimeStep;
    if (dt < 1e-15) {
        dt = 1e-15;
        nRepeatCount++;
        nForcedCuts++;
    }
    if (dt < 0.1 * dtp) dt = 0.1 * dtp;
    return dt;
}

// One adaptive step; the largest relative change of the accepted step (1.0
// for a fixed, forced or final step, dt for the first).
static double lammStepClaverie()
{
    const int N = nGridPointsAllocated;
    double dt = bFixedTimestep ? dMaxDcOverCWork : dTimeStep;
    const int from = nFirstActiveIndex >= 4 ? nFirstActiveIndex - 2 : 1;
    for (int i = from; i <= nLastActiveIndex; i++) pGridConcPrev[i] = pGridConc[i];
    dt = clipStepToAcceleration(dt);
    bool bOnTarget = false;
    if (bStepToScanTime && dSimTime + dt >= dStepTargetTime) {
        bStepToScanTime = 0;
        dt = dStepTargetTime - dSimTime;
        bOnTarget = true;
    }
    if (!(dt > 0)) {
        dTimeStep = 1.0;
        return 1.0;
    }
    lammStepSolve(dt);
    // a value that is not finite (an s or D that is none) is as lost as one
    // beyond 1e100
    for (int i = 1; i <= N; i++)
        if (!(std::fabs(pGridConc[i]) <= 1e100)) {
            bDiscretizationError = 1;
            return 0.0;
        }
    if (bModelZone && dSimTime - dRunStartTime < 10) {
        // isolated tiny values of the loaded band go to their neighbours
        double* c = pGridConc;
        const double* r = pGridRadius;
        for (int i = 2; i <= N - 1; i++)
            if (c[i] < 1e-10) {
                const float ci = static_cast<float>(c[i]);
                c[i - 1] += 0.5f * ci * static_cast<float>(r[i]) / static_cast<float>(r[i - 1]);
                c[i + 1] += 0.5f * ci * static_cast<float>(r[i]) / static_cast<float>(r[i + 1]);
                c[i] = 0.0;
            }
    }
    if (bOnTarget && nTimeStepCount > 0) {
        acceptClaverieStep(dt, true);
        return 1.0;  // the cut to the scan leaves the proposal as it was
    }
    if (nTimeStepCount == 0 && pGridConc[1] > 0) {
        acceptClaverieStep(dt, bOnTarget);
        return dt;
    }
    if (bFixedTimestep) {
        acceptClaverieStep(dt, bOnTarget);
        return 1.0;
    }
    const double beta = dLammDefaultB, gamma = dLammDefaultC;
    double rel = maxRelativeConcChange();
    while (rel > dMaxDcOverCWork) {
        if (nRepeatCount > 5 || nForcedCuts > nMaxForcedCuts) {
            bDiscretizationError = 1;
            return rel;
        }
        if (bSimulationError) return rel;
        const double dtp = dt;
        const double dn = rel == 0 ? 0.0 : (dMaxDcOverCHigh / rel) * dt;
        dt = (dn - dtp / beta) * gamma + dtp / beta;
        if (dt >= 0.8 * dtp && dt <= 1.2 * dtp) dt = static_cast<float>(0.5 * dt);
        dt = limitStep(dt, dtp);
        dt = clipStepToAcceleration(dt);
        if (bOnTarget) {  // the shorter step ends before the scan: it stays the target
            bOnTarget = false;
            bStepToScanTime = 1;
        }
        lammStepSolve(dt);
        rel = maxRelativeConcChange();
    }
    nRepeatCount = 1;
    acceptClaverieStep(dt, bOnTarget);
    double next = dt;
    if (rel == 0) {
        next = limitStep(10 * dt, dt);
    } else if (rel < dMaxDcOverCLow) {
        const double dn = (dMaxDcOverCHigh / rel) * dt;
        next = (dn - dt * beta) * gamma + dt * beta;
        if (next >= 0.9 * dt && next <= 1.1 * dt) next = 2 * next;
        next = limitStep(next, dt);
    }
    if (bStepToScanTime && dSimTime + next > dStepTargetTime) next = dStepTargetTime - dSimTime;
    dTimeStep = clipStepToAcceleration(next);
    return rel;
}

// ---------------------------------------------------------------- active window

static void updateFirstActiveIndex()
{
    if (bKeepFirstIndex || bFullGridActive) {
        nFirstActiveIndex = 1;
        return;
    }
    const double* c = pGridConc;
    int k = nFirstActiveIndex;
    while (k <= nLastActiveIndex - 10 && (c[k] + c[k + 1] + c[k + 2]) / 3 < dClearedThreshold) k++;
    nFirstActiveIndex = k < nMaxFirstIndex ? k : nMaxFirstIndex;
}

static void updateLastActiveIndex(double t)
{
    const int N = nGridPointsAllocated;
    if (bKeepLastIndex || bFullGridActive) {
        nLastActiveIndex = N;
        return;
    }
    if (nLastActiveIndex >= N) return;
    if (bRampRotorSpeed)
        dPlateauConc = std::exp(-2 * dOmega2S * (t - dPlateauTime)) * dPlateauConc;
    else
        dPlateauConc = std::exp(static_cast<float>(-2 * dOmega2S * (t - dRunStartTime))) * dInitialMeniscusConc;
    dPlateauTime = t;
    const double T = (1 - dClearedThreshold) * dPlateauConc;
    const double* c = pGridConc;
    int low = nLastActiveIndex - nWindowExtension + 1;
    if (low < 3) low = 3;
    for (int i = nLastActiveIndex; i >= low; i--)
        if ((c[i] + c[i - 1] + c[i - 2]) / 3 < T) {
            int last = nLastActiveIndex + nWindowExtension;
            if (last > N - 10) last = N;
            nLastActiveIndex = last;
            updateBoundaryRows(last);
            break;
        }
}

// ---------------------------------------------------------------- fit-limit stop and amount

void setStopIndexAtFitLimit()
{
    const int N = nGridPointsAllocated;
    if (dLammS >= 0) {
        nStopIndex = N;
        for (int i = 1; i <= N; i++)
            if (pGridRadius[i] >= fFitRightLim) {
                nStopIndex = i;
                break;
            }
    } else {
        nStopIndex = 1;
        for (int i = 1; i <= N; i++)
            if (pGridRadius[i] < fFitLeftLim) nStopIndex = i;
    }
    fStopReference = 1e-4f * static_cast<float>(pGridConc[nStopIndex]);
}

bool boundaryPastFitLimit()
{
    if (bInhomogeneousSolvent || bModelZone) return false;
    if (nStopIndex < 1 || nStopIndex > nGridPointsAllocated) return false;
    return pGridConc[nStopIndex] < fStopReference || nStopIndex < nFirstActiveIndex;
}

double totalAmountInCell()
{
    if (!bGridArraysAllocated) return 0.0;
    const int N = nGridPointsAllocated;
    const double* c = pGridConc;
    const double* r = pGridRadius;
    double sum = 0.0;
    GeometryElementRows g;
    if (specialGeometry() && N >= 3 && geometryElementRows(&g)) {
        // the mass rows of the geometry's elements (their sums are the
        // weights int coefficient phi_i that the steps keep)
        for (int i = 1; i <= N; i++) sum += (g.mass[0][i] + g.mass[1][i] + g.mass[2][i]) * c[i];
    } else if (bVariableGridBuilt || N < 2) {
        for (int i = 1; i <= N; i++) sum += hatWeightToNode(i, N) * c[i];
    } else {
        const double h = (static_cast<double>(fBottom) - fMeniscus) / (N - 1);
        sum = (3 * r[1] + h) * h / 6 * c[1] + (3 * r[N] - h) * h / 6 * c[N];
        for (int i = 2; i <= N - 1; i++) sum += r[i] * h * c[i];
    }
    return sum * 0.03490658503988659 * 1.2;
}

// ---------------------------------------------------------------- the run

void propagateLammStatic()
{
    if (bUsingSpeedSteps || !bGridArraysAllocated) return;
    const int N = nGridPointsAllocated;
    resetScanTimeRecorder();
    bSimulationError = 0;
    bDiscretizationError = 0;
    nRepeatCount = 0;
    nForcedCuts = 0;
    dLastFactoredTimeStep = 0.0;
    fLastRelativeChange = 1.0f;
    nFirstActiveIndex = 1;
    nLastActiveIndex = N;
    // too few points, or a fixed step of no length, which would never reach a scan
    if (N < 3 || (bFixedTimestep && !(dMaxDcOverCWork > 0))) {
        bDiscretizationError = 1;
        return;
    }

    // Nothing to sediment: zero profiles at every scan time.
    bool bAnyPositive = false;
    for (int i = 1; i <= N && !bAnyPositive; i++) bAnyPositive = pGridConc[i] > 0;
    if (!bAnyPositive) {
        dTimeStep = 10.0;
        while (bSimulationRunning && nSimScanIndex <= nScans) {
            dSimTime += dTimeStep;
            recordScanTimeProfile(fLastRelativeChange);
        }
        return;
    }

    dRunStartTime = dSimTime;
    dInitialMeniscusConc = pGridConc[1];
    const bool bSolvent = bInhomogeneousSolvent && !specialGeometry();
    const bool bCosolute = bSolvent && bCosoluteGradient;
    if (bSolvent) resizeGradientCoefficientArrays(pGridRadius);
    if (bCosolute) {
        if (!initSolventGradient()) {
            bSimulationRunning = 0;
            return;
        }
        updateLocalSedCoefficients(pGridRadius);
    }
    nRowsBuilt = 0;
    nFactoredFirstRow = nFactoredLastRow = 0;
    if (specialGeometry()) {
        if (!assembleStaticFeMatrices()) {
            bSimulationRunning = 0;
            return;
        }
    } else {
        assembleClaverieMatrices(N);
    }
    nMaxFirstIndex = static_cast<int>(0.95 * N);

    dClearedThreshold = 1e-6 * pGridConc[1];
    // The window takes the plateau from the meniscus value of a constant
    // loading; an experimental initial profile has neither, so the whole grid
    // is solved for it.
    if (!bTruncateGrid || dLammS <= 0 || bModelZone || bExperimentalInitialDistribution) {
        bPlateauTracking = false;
        bKeepFirstIndex = true;
        bKeepLastIndex = true;
        nLastActiveIndex = N;
    } else {
        bPlateauTracking = true;
        dOmega2S = omega2sNow();
        dPlateauConc = pGridConc[1];
        dPlateauTime = dRunStartTime;
        nWindowExtension = static_cast<int>(0.1 * N);
        bKeepFirstIndex = false;
        if (bBackDiffusionShutOffActive && !specialGeometry() && !bInhomogeneousSolvent && nWindowExtension >= 3) {
            bKeepLastIndex = false;
            nLastActiveIndex = nWindowExtension;
            updateBoundaryRows(nLastActiveIndex);
        } else {
            bKeepLastIndex = true;
            nLastActiveIndex = N;
        }
    }
    dMaxTimeStep = dLammS == 0 ? 1000.0 : 0.5 * dOmegaNow * dOmegaNow * dLammD / dLammS;
    if (dMaxTimeStep > 1000) dMaxTimeStep = 1000;
    if (!(dMaxTimeStep >= 10)) dMaxTimeStep = 10;
    setStopIndexAtFitLimit();
    if (bModelZone) dTimeStep = 0.1;

    int nSteady = 0, nStepsSincePoll = 0;
    while (bSimulationRunning) {
        if (bSimulationError || bDiscretizationError) break;
        if (++nStepsSincePoll == nKeyPollSteps) {
            nStepsSincePoll = 0;
            if (keyStopsPropagation()) break;
        }
        const double dt0 = dTimeStep == 0 ? 1.0 : dTimeStep;
        if (bCosolute) dCosoluteTime = dSimTime;
        fLastRelativeChange = static_cast<float>(lammStepClaverie());
        if (bPlateauTracking) {
            updateFirstActiveIndex();
            updateLastActiveIndex(dSimTime);
        }
        if (bCosolute) {
            advanceSolventGradient();
            if (bSedimentingCosolute) {
                // the local s and D of the new co-solute profile
                updateLocalSedCoefficients(pGridRadius);
                assembleClaverieMatrices(nLastActiveIndex, firstSolvedRow(), true);
                bMatricesChanged = 1;
            }
        }
        recordScanTimeProfile(fLastRelativeChange);
        fLastRelativeChange = fLastRelativeChange / static_cast<float>(dt0);
        if (boundaryPastFitLimit()) bSimulationRunning = 0;
        if (dt0 < 30 || fLastRelativeChange >= static_cast<float>(dMaxRelativeChange))
            nSteady = 0;
        else
            nSteady++;
        if (nSteady > 10) fillRemainingScansWithProfile();
    }
    bFullGridActive = 0;
}
