// The static-grid propagator of reacting and non-ideal systems.
//
// Linear hat functions phi_i on the equidistant global grid; s and D are
// node values, linear within an element like the profile (s = sum_k s_k
// phi_k). The weak form of the Lamm equation with weight r,
//   B dc/dt = A(c) c,  B_ij = int phi_i phi_j r,
//   A_ij = omega^2 sum_k s_k int phi_i' phi_j phi_k r^2
//          - sum_k D_k int phi_i' phi_j' phi_k r,
// is stepped by Crank-Nicolson, (B - dt/2 A) c_new = (B + dt/2 A) c_old, as a
// predictor-corrector: A from the coefficients of the start profile gives a
// trial profile; A from the mean of the coefficients at both profiles gives
// the step, again from the start profile. Every column of A sums to 0 (the
// hats sum to 1), so the amount in the cell, sum_i w_i c_i with
// w_i = int phi_i r, is kept by every step to rounding: the property a change
// here must not break (only the trial values below -1e-8 that tighten the
// step control are a sign of trouble).
//
// Step control: the largest relative change of the trial profile against the
// start profile decides (max dc/c): above it the step is repeated shorter,
// well below it the next step grows. Steps end on the scan times.
#include <cmath>

#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/interacting_coefficients.h"
#include "fegrid/propagators.h"
#include "fegrid/scan_recording.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"

namespace {

int nRepeatCountB = 0;     // trial profiles that went negative in this run
double dSedFactorB = 0.0;  // omega^2 1e-13 of the rotor speed in effect (1/s^2 per S)
double dStepB = 0.0;       // dt of the Crank-Nicolson matrices in place

// The seven diffusion and seven sedimentation integrals of row i, in the
// order (j, k) = (i-1, i-1), (i, i-1), (i-1, i), (i, i), (i+1, i), (i, i+1),
// (i+1, i+1) for int phi_i' phi_j' phi_k r and int phi_i' phi_j phi_k r^2 (the
// latter without omega^2 1e-13).
double* Kt[7];
double* St[7];
constexpr int nTableJ[7] = {-1, 0, -1, 0, 1, 0, 1};
constexpr int nTableK[7] = {-1, -1, 0, 0, 0, 1, 1};

void bindTablesB()
{
    for (int q = 0; q < 7; q++) {
        Kt[q] = pNonidealBlock[2 + q];
        St[q] = pNonidealBlock[9 + q];
    }
}

double omegaSquaredFactor() { const double w = omegaOfRpm(dOmegaNow); return w * w * 1e-13; }

// The mass matrix and the element tables of the grid.
void buildElementTablesB()
{
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) {
        pMassLower[i] = staticElementA(i, i - 1);
        pMassDiag[i] = staticElementA(i, i);
        pMassUpper[i] = staticElementA(i, i + 1);
        for (int q = 0; q < 7; q++) {
            Kt[q][i] = staticElementB(i, i + nTableJ[q], i + nTableK[q]);
            St[q][i] = staticElementC(i, i + nTableJ[q], i + nTableK[q]);
        }
    }
    dSedFactorB = omegaSquaredFactor();
}

// A from the node coefficients into pStiffLower, pStiffDiag, pStiffUpper.
void assembleTransportMatrixB()
{
    const int N = nGridPointsAllocated;
    const double* s = pLocalS;
    const double* D = pLocalD;
    const double w = dSedFactorB;
    for (int i = 1; i <= N; i++) {
        const double sm = i > 1 ? s[i - 1] : 0.0, Dm = i > 1 ? D[i - 1] : 0.0;
        const double sp = i < N ? s[i + 1] : 0.0, Dp = i < N ? D[i + 1] : 0.0;
        pStiffLower[i] = i > 1 ? -(D[i] * Kt[2][i] + Dm * Kt[0][i]) + w * (s[i] * St[2][i] + sm * St[0][i]) : 0.0;
        pStiffDiag[i] = -(Dm * Kt[1][i] + D[i] * Kt[3][i] + Dp * Kt[5][i]) +
                        w * (sm * St[1][i] + s[i] * St[3][i] + sp * St[5][i]);
        pStiffUpper[i] = i < N ? -(D[i] * Kt[4][i] + Dp * Kt[6][i]) + w * (s[i] * St[4][i] + sp * St[6][i]) : 0.0;
    }
}

// L = B - dt/2 A and R = B + dt/2 A.
void buildCrankNicolsonB(double dt)
{
    const int N = nGridPointsAllocated;
    const double f = 0.5 * dt;
    for (int i = 1; i <= N; i++) {
        pLhsLower[i] = pMassLower[i] - f * pStiffLower[i];
        pLhsDiag[i] = pMassDiag[i] - f * pStiffDiag[i];
        pLhsUpper[i] = pMassUpper[i] - f * pStiffUpper[i];
        pRhsLower[i] = pMassLower[i] + f * pStiffLower[i];
        pRhsDiag[i] = pMassDiag[i] + f * pStiffDiag[i];
        pRhsUpper[i] = pMassUpper[i] + f * pStiffUpper[i];
    }
    dStepB = dt;
}

// y = R x.
void tridiagMultiplyB(const double* x, double* y)
{
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) {
        double v = pRhsDiag[i] * x[i];
        if (i > 1) v += pRhsLower[i] * x[i - 1];
        if (i < N) v += pRhsUpper[i] * x[i + 1];
        y[i] = v;
    }
}

// One solve from the start profile into u: u = L^-1 (R c_prev). False (and
// the start profile in u) on a singular system.
bool solveFromStartB(double* u)
{
    const int N = nGridPointsAllocated;
    tridiagMultiplyB(pGridConcPrev, pGridRhs);
    if (!tridagB(pLhsLower, pLhsDiag, pLhsUpper, pGridRhs, u, N)) {
        for (int i = 1; i <= N; i++) u[i] = pGridConcPrev[i];
        return false;
    }
    return true;
}

void predictStepB(double dt)
{
    updateLocalCoefficientsA();
    if (bRampRotorSpeed && bRotorAccelerating) {
        dOmegaNow = effectiveOmegaDuringAcceleration(dSimTime, dt);
        dSedFactorB = omegaSquaredFactor();
    }
    assembleTransportMatrixB();
    buildCrankNicolsonB(dt);
    solveFromStartB(pGridConcTrial);
}

void correctStepB()
{
    updateLocalCoefficientsB();
    assembleTransportMatrixB();
    buildCrankNicolsonB(dStepB);
    solveFromStartB(pGridConc);
}

// t += dt, exactly onto the time the step was cut to.
void commitStepB(double dt, double tLanding)
{
    nTimeStepCount++;
    dSimTime = tLanding >= 0 ? tLanding : dSimTime + dt;
    if (bRotorAccelerating && dSimTime >= dAccelerationTime) {
        dOmegaNow = effectiveOmegaDuringAcceleration(dSimTime, dt);
        dSedFactorB = omegaSquaredFactor();
        bRotorAccelerating = 0;
    }
}

// The largest relative change of the trial profile; a trial value below
// -1e-8 halves the three dc/c limits for the rest of the run and forces a
// shorter step.
double maxRelativeChangeB()
{
    const int N = nGridPointsAllocated;
    const double* c = pGridConcTrial;
    const double* p = pGridConcPrev;
    double cmax = 0.0;
    for (int i = 1; i <= N; i++)
        if (c[i] > cmax) cmax = c[i];
    const double h = 1e-4 * cmax;
    double q = 0.0;
    if (c[N] > h && p[N] >= h) q = std::fabs(c[N] - p[N]) / p[N];
    for (int i = N - 1; i >= 1; i--) {
        if (c[i] < -1e-8) {
            dMaxDcOverCWork *= 0.5;
            dMaxDcOverCLow *= 0.5;
            dMaxDcOverCHigh *= 0.5;
            nRepeatCountB++;
            return 2 * dMaxDcOverCWork;
        }
        double d = c[i] - p[i];
        if (p[i] > h)
            d /= p[i];
        else if (d > h) {
            if (p[i + 1] > h)
                d /= p[i + 1];
            else if (i > 1 && p[i - 1] > h)
                d /= p[i - 1];
            else
                continue;
        } else {
            continue;
        }
        if (std::fabs(d) > q) q = std::fabs(d);
    }
    return q;
}

// The limits of every new step against the step dt it follows.
double limitStepB(double p, double dt)
{
    if (p > 10 * dt) p = 10 * dt;
    if (p < 0.1 * dt) p = 0.1 * dt;
    if (p > dMaxTimeStep) p = dMaxTimeStep;
    if (p < 1e-15) p = 1e-15;
    return clipStepToAcceleration(p);
}

// One step; returns the relative change q (dt for the first step, 1.0 for a
// step cut to a scan).
double lammStepB()
{
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) pGridConcPrev[i] = pGridConc[i];
    double dt = bFixedTimestep ? dMaxDcOverCWork : dTimeStep;
    dt = clipStepToAcceleration(dt);
    double tLanding = -1.0;
    if (bRampRotorSpeed && bRotorAccelerating && dMaxAccelTimeStep > 0 && dSimTime + dt >= dAccelerationTime)
        tLanding = dAccelerationTime;
    bool bOnTarget = false;
    if (bStepToScanTime && dSimTime + dt >= dStepTargetTime) {
        bStepToScanTime = 0;
        dt = dStepTargetTime - dSimTime;
        tLanding = dStepTargetTime;
        bOnTarget = true;
    }
    if (!(dt > 0)) {
        dTimeStep = 1.0;
        return 1.0;
    }
    const bool bFirst = nTimeStepCount == 0;
    predictStepB(dt);
    if (bOnTarget && !bFirst) {
        correctStepB();
        commitStepB(dt, tLanding);
        return 1.0;
    }
    if (bFirst) {
        correctStepB();
        commitStepB(dt, tLanding);
        dTimeStep = dt;
        return dt;
    }
    double q = maxRelativeChangeB();
    if (!bFixedTimestep) {
        const double B = dLammDefaultB, W = dLammDefaultC;
        // the bottom value of sedimenting material cannot fall in a step (nor
        // that of floating material rise): the step was too long
        const int nDir = selfAssociationDirection();
        bool bShortened = false;
        while (dt > 1 && !bSimulationError &&
               ((nDir > 0 && pGridConcTrial[N] < pGridConcPrev[N]) || (nDir < 0 && pGridConcTrial[N] > pGridConcPrev[N]))) {
            dt *= 0.5;
            bShortened = true;
            predictStepB(dt);
        }
        if (bShortened) q = maxRelativeChangeB();
        while (q > dMaxDcOverCWork) {
            if (nRepeatCountB > 10) {
                bDiscretizationError = 1;
                break;
            }
            if (bSimulationError) break;
            // the high mark as it is now: a trial profile that went negative
            // has just halved it with max dc/c, and the mark read before that
            // would propose a longer step than the one refused
            const double H = dMaxDcOverCHigh;
            double p = q == 0 ? 0.0 : ((H / q) * dt - dt / B) * W + dt / B;
            if (p >= 0.8 * dt && p <= 1.2 * dt) p *= 0.5;
            p = limitStepB(p, dt);
            if (!(p < dt)) {  // the shortest step is too long still
                bDiscretizationError = 1;
                break;
            }
            dt = p;
            bShortened = true;
            predictStepB(dt);
            q = maxRelativeChangeB();
        }
        if (bShortened) tLanding = -1.0;
        correctStepB();
        commitStepB(dt, tLanding);
        double next = dt;
        if (q == 0) {
            next = limitStepB(10 * dt, dt);
        } else if (q < dMaxDcOverCLow) {
            next = ((dMaxDcOverCHigh / q) * dt - B * dt) * W + B * dt;
            if (next >= 0.9 * dt && next <= 1.1 * dt) next *= 2;
            next = limitStepB(next, dt);
        }
        if (bStepToScanTime && dSimTime + next > dStepTargetTime) next = dStepTargetTime - dSimTime;
        dTimeStep = clipStepToAcceleration(next);
    } else {
        // a fixed step is taken as it is, but its negative trial values count
        // as in a controlled run: each one halves max dc/c, the step's length,
        // which would shrink to nothing and never reach a scan
        if (nRepeatCountB > 10) {
            bDiscretizationError = 1;
            return q;
        }
        correctStepB();
        commitStepB(dt, tLanding);
    }
    return q;
}

}  // namespace

// The equidistant grid, also where the moving hat's layout was in place: the
// moving radii then stand still on it (the recording takes them).
void layOutStaticGridB()
{
    const int N = nGridPointsAllocated;
    const double m = fMeniscus, b = fBottom;
    for (int i = 1; i <= N; ++i) pGridRadius[i] = N < 2 ? m : m + (i - 1) * (b - m) / (N - 1);
    bVariableGridBuilt = 0;
    if (pFeGridRadius) {
        for (int i = 1; i <= N; ++i) pFeGridRadius[i] = pGridRadius[i];
        dGridMotionRate = 0.0;
        dMovingGridT0 = dSimTime;
    }
}

bool tridagB(const double* a, const double* b, const double* c, const double* r, double* u, int n)
{
    double* gam = pTridagGam;
    double bet = b[1];
    if (bet == 0.0) {
        bSimulationError = 1;
        return false;
    }
    double inv = 1 / bet;
    u[1] = r[1] * inv;
    for (int j = 2; j <= n; j++) {
        gam[j] = c[j - 1] * inv;
        bet = b[j] - a[j] * gam[j];
        if (bet == 0.0) {
            bSimulationError = 1;
            return false;
        }
        inv = 1 / bet;
        u[j] = (r[j] - a[j] * u[j - 1]) * inv;
    }
    for (int j = n - 1; j >= 1; j--) u[j] -= gam[j + 1] * u[j + 1];
    return true;
}

double totalAmountStaticGrid()
{
    if (!bGridArraysAllocated) return 0.0;
    const int N = nGridPointsAllocated;
    const double h = (static_cast<double>(fBottom) - fMeniscus) / (N - 1);
    const double* r = pGridRadius;
    const double* c = pGridConc;
    double sum = h * (3 * r[1] + h) * c[1] / 6 + h * (3 * r[N] - h) * c[N] / 6;
    for (int i = 2; i <= N - 1; i++) sum += c[i] * r[i] * h;
    return sum * 1.2 * 0.03490658503988659;
}

void propagateLammB()
{
    if (!bGridArraysAllocated || !pLocalS || nGridPointsAllocated < 3) return;
    fLastRelativeChange = 1.0f;
    resetScanTimeRecorder();
    bindTablesB();
    if (!setUpInteractingCoefficients()) {
        freeAssociationTable();
        return;
    }
    bSimulationError = 0;
    bDiscretizationError = 0;
    nRepeatCountB = 0;
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) pGridConcPrev[i] = pGridConc[i];
    layOutStaticGridB();
    buildElementTablesB();
    updateLocalCoefficientsA();
    assembleTransportMatrixB();
    if (bFixedTimestep) dTimeStep = dMaxDcOverCWork;
    dMaxTimeStep = 1000;
    if (bFixedTimestep && !(dMaxDcOverCWork > 0)) {  // a step of no length would never reach a scan
        bDiscretizationError = 1;
        bSimulationRunning = 0;
    }
    int nSteady = 0;
    while (bSimulationRunning && !bSimulationError && !bDiscretizationError) {
        // a step from totals the law does not hold at would solve an equation
        // with negative diffusion, which grows without bound
        if (!nonidealLawHoldsOn(pGridConc, N)) break;
        const double dt0 = dTimeStep;
        const double q = lammStepB();
        recordScanTimeProfile(q);
        fLastRelativeChange = static_cast<float>(q / dt0);
        if (dt0 >= 30 && fLastRelativeChange < dMaxRelativeChange)
            nSteady++;
        else
            nSteady = 0;
        if (nSteady >= 11) fillRemainingScansWithProfile();
    }
    freeAssociationTable();
}
