// The moving hat of interacting and non-ideal single species.
//
// The grid of the logarithmic moving hat (fegrid/propagators.h): interior
// nodes R_i exp(k tau), k = omega^2 s_grid, tau = t - t0, meniscus and bottom
// fixed; in the frame of the nodes, rho = r exp(-k tau), the weak form with
// weight rho of the Lamm equation with node coefficients s_k, D_k (linear
// within an element) is
//   M c' = A c,  M_ij = int rho phi_i phi_j,
//   A_ij = omega^2 sum_k s_k int rho^2 phi_i' phi_j phi_k - k G_ij
//          - e^-2 sum_k D_k int rho phi_i' phi_j' phi_k,
// e = exp(k tau), G the grid motion (-int rho^2 phi_i phi_j', the end elements
// weighted with the velocity interpolated from the fixed end node). The fixed
// meniscus and bottom lie at m/e and b/e in the frame, so the rows 1, 2, N-1
// and N are evaluated at both ends of a step (their mass rows averaged); the
// other rows keep their tables. A step is a predictor-corrector
// Crank-Nicolson step, (M - dt/2 A_end) c = (M + dt/2 A_start) c_prev, the
// coefficients first from the start profile, then the means over the start
// and the trial profile. Every column of A sums to 0 and the regrid keeps the
// amount next to the ends, so the amount in the cell is kept (to the small
// loss of the averaged end rows).
//
// Steps are fixed: max dc/c times the natural step (the time in which a node
// moves one grid ratio), never beyond the next regrid, the acceleration's end
// or the next scan; the first is 1 s. The profile shifts one node at the start
// of the step that begins at the regrid time.
#include <cmath>

#include "distributions/hydrodynamics.h"
#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/interacting_coefficients.h"
#include "fegrid/propagators.h"
#include "fegrid/scan_recording.h"
#include "fegrid/two_lanes.h"
#include "lamm/lamm_globals.h"
#include "lamm/nonideal_factors.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "scandata/scan_data.h"

namespace {

// Row tables: the three mass entries, the seven diffusion and seven
// sedimentation triples (j, k) = (i-1, i-1), (i, i-1), (i-1, i), (i, i),
// (i+1, i), (i, i+1), (i+1, i+1) (the latter without omega^2 1e-13); and the
// three grid-motion entries times k, of the reference grid.
double* Tt[7];
double* Rt[7];
double *Gl, *Gd, *Gu;
constexpr int nTableJ[7] = {-1, 0, -1, 0, 1, 0, 1};
constexpr int nTableK[7] = {-1, -1, 0, 0, 0, 1, 1};
double dSedFactorH = 0.0;  // omega^2 1e-13 of the rotor speed in effect

struct RowTables {
    double m[3], t[7], r[7];
};
// The rows 1, 2, N-1, N at the start and the end of the current step.
RowTables gBoundaryStart[4], gBoundaryEnd[4];

void bindTablesH()
{
    for (int q = 0; q < 7; q++) {
        Tt[q] = pNonidealBlock[2 + q];
        Rt[q] = pNonidealBlock[9 + q];
    }
    Gl = pMovingHatBlock[7];
    Gd = pMovingHatBlock[8];
    Gu = pMovingHatBlock[9];
}

double omegaSquaredFactor() { const double w = omegaOfRpm(dOmegaNow); return w * w * 1e-13; }

// Row i from the element integrals on the current pFeGridRadius.
void rowTablesAt(int i, RowTables& rt)
{
    for (int q = 0; q < 3; q++) rt.m[q] = elementMatrixValueE(i, i + q - 1);
    for (int q = 0; q < 7; q++) {
        rt.t[q] = tripleStiffnessElement(i, i + nTableJ[q], i + nTableK[q]);
        rt.r[q] = radialTripleIntegral(i, i + nTableJ[q], i + nTableK[q]);
    }
}

void storeRow(int i, const RowTables& rt)
{
    pMassLower[i] = rt.m[0];
    pMassDiag[i] = rt.m[1];
    pMassUpper[i] = rt.m[2];
    for (int q = 0; q < 7; q++) {
        Tt[q][i] = rt.t[q];
        Rt[q][i] = rt.r[q];
    }
}

int boundaryRow(int q, int N) { return q < 2 ? q + 1 : N - 3 + q; }

// The grid and every row's tables.
void setupInteractingMovingHat()
{
    const int N = nGridPointsAllocated;
    setupMovingHatLogGrid();
    RowTables rt;
    for (int i = 1; i <= N; i++) {
        rowTablesAt(i, rt);
        storeRow(i, rt);
        Gl[i] = elementMatrixValueC(i, i - 1) * dGridMotionRate;
        Gd[i] = elementMatrixValueC(i, i) * dGridMotionRate;
        Gu[i] = elementMatrixValueC(i, i + 1) * dGridMotionRate;
    }
    dSedFactorH = omegaSquaredFactor();
}

// The end rows over the step [tau, tau + dt]: at its start into the tables,
// at its end apart.
void updateInteractingHatBoundaryRows(double tau, double dt)
{
    const int N = nGridPointsAllocated;
    setMovingBoundaryRadii(tau);
    for (int q = 0; q < 4; q++) {
        rowTablesAt(boundaryRow(q, N), gBoundaryStart[q]);
        storeRow(boundaryRow(q, N), gBoundaryStart[q]);
    }
    setMovingBoundaryRadii(tau + dt);
    for (int q = 0; q < 4; q++) rowTablesAt(boundaryRow(q, N), gBoundaryEnd[q]);
}

// Row i of A from its tables (start or end) and the node coefficients: the
// sedimentation sums, the grid motion and the diffusion sums (in single
// precision) over e^2. Out: lower, diagonal, upper.
void rowOfA(int i, int N, const RowTables& rt, double invE2, double* a)
{
    const double* s = pLocalS;
    const double* D = pLocalD;
    const double sm = i > 1 ? s[i - 1] : 0.0, Dm = i > 1 ? D[i - 1] : 0.0;
    const double sp = i < N ? s[i + 1] : 0.0, Dp = i < N ? D[i + 1] : 0.0;
    const double w = dSedFactorH;
    const float kl = static_cast<float>(D[i] * rt.t[2] + Dm * rt.t[0]);
    const float kd = static_cast<float>(Dm * rt.t[1] + D[i] * rt.t[3] + Dp * rt.t[5]);
    const float ku = static_cast<float>(D[i] * rt.t[4] + Dp * rt.t[6]);
    a[0] = w * (s[i] * rt.r[2] + sm * rt.r[0]) - Gl[i] - kl * invE2;
    a[1] = w * (sm * rt.r[1] + s[i] * rt.r[3] + sp * rt.r[5]) - Gd[i] - kd * invE2;
    a[2] = w * (s[i] * rt.r[4] + sp * rt.r[6]) - Gu[i] - ku * invE2;
}

// Row i of L = M - dt/2 A_end into the left-hand arrays and of
// (M + dt/2 A_start) c_prev into pGridRhs.
inline void storeRowOfStep(int i, int N, const double* m, const double* a0, const double* a1, double f)
{
    const double* c = pGridConcPrev;
    pLhsLower[i] = i > 1 ? m[0] - f * a1[0] : 0.0;
    pLhsDiag[i] = m[1] - f * a1[1];
    pLhsUpper[i] = i < N ? m[2] - f * a1[2] : 0.0;
    double v = (m[1] + f * a0[1]) * c[i];
    if (i > 1) v += (m[0] + f * a0[0]) * c[i - 1];
    if (i < N) v += (m[2] + f * a0[2]) * c[i + 1];
    pGridRhs[i] = v;
}

// The interior rows' tables and coefficients, bound for one step's assembly.
struct InteriorRows {
    const double* __restrict s;
    const double* __restrict D;
    const double* __restrict c;
    const double *__restrict ml, *__restrict md, *__restrict mu;
    const double *__restrict R0, *__restrict R1, *__restrict R2, *__restrict R3, *__restrict R4, *__restrict R5,
        *__restrict R6;
    const double *__restrict T0, *__restrict T1, *__restrict T2, *__restrict T3, *__restrict T4, *__restrict T5,
        *__restrict T6;
    const double *__restrict gl, *__restrict gd, *__restrict gu;
    double w, f, inv0, inv1;

    // Row i of L (lower, diagonal, upper) and of the right-hand side: the
    // interior keeps its tables, A differs at both ends of the step only by
    // the diffusion's factor e^-2.
    [[gnu::always_inline]] inline void row(int i, double& lower, double& diag, double& upper, double& rhs) const
    {
        const double sl = w * (s[i] * R2[i] + s[i - 1] * R0[i]) - gl[i];
        const double sd = w * (s[i - 1] * R1[i] + s[i] * R3[i] + s[i + 1] * R5[i]) - gd[i];
        const double su = w * (s[i] * R4[i] + s[i + 1] * R6[i]) - gu[i];
        const float kl = static_cast<float>(D[i] * T2[i] + D[i - 1] * T0[i]);
        const float kd = static_cast<float>(D[i - 1] * T1[i] + D[i] * T3[i] + D[i + 1] * T5[i]);
        const float ku = static_cast<float>(D[i] * T4[i] + D[i + 1] * T6[i]);
        lower = ml[i] - f * (sl - kl * inv1);
        diag = md[i] - f * (sd - kd * inv1);
        upper = mu[i] - f * (su - ku * inv1);
        rhs = (ml[i] + f * (sl - kl * inv0)) * c[i - 1] + (md[i] + f * (sd - kd * inv0)) * c[i] +
              (mu[i] + f * (su - ku * inv0)) * c[i + 1];
    }

    // The rows i and i + 1 at once, lane by lane the operations of row().
    [[gnu::always_inline]] inline void rowPair(int i, V2& lower, V2& diag, V2& upper, V2& rhs) const
    {
        const V2 sm = load2(s + i - 1), s0 = load2(s + i), sp = load2(s + i + 1);
        const V2 Dm = load2(D + i - 1), D0 = load2(D + i), Dp = load2(D + i + 1);
        const V2 sl = w * (s0 * load2(R2 + i) + sm * load2(R0 + i)) - load2(gl + i);
        const V2 sd = w * (sm * load2(R1 + i) + s0 * load2(R3 + i) + sp * load2(R5 + i)) - load2(gd + i);
        const V2 su = w * (s0 * load2(R4 + i) + sp * load2(R6 + i)) - load2(gu + i);
        const V2 kl = roundToFloat(D0 * load2(T2 + i) + Dm * load2(T0 + i));
        const V2 kd = roundToFloat(Dm * load2(T1 + i) + D0 * load2(T3 + i) + Dp * load2(T5 + i));
        const V2 ku = roundToFloat(D0 * load2(T4 + i) + Dp * load2(T6 + i));
        const V2 Ml = load2(ml + i), Md = load2(md + i), Mu = load2(mu + i);
        lower = Ml - f * (sl - kl * inv1);
        diag = Md - f * (sd - kd * inv1);
        upper = Mu - f * (su - ku * inv1);
        rhs = (Ml + f * (sl - kl * inv0)) * load2(c + i - 1) + (Md + f * (sd - kd * inv0)) * load2(c + i) +
              (Mu + f * (su - ku * inv0)) * load2(c + i + 1);
    }
};

// One step's system, L u = rhs with L = M - dt/2 A_end and rhs = (M + dt/2
// A_start) c_prev (A at both ends of the step, the coefficients as they stand
// in pLocalS, pLocalD), solved into u; the start profile in u on a singular
// system. The end rows are assembled apart; each interior row is assembled
// where the elimination needs it (its entries never go to memory). The
// elimination runs from both ends at once and meets in the middle row p (a
// twisted factorization): two independent chains of divisions, each
// overlapping the other's and the rows' arithmetic. Top: the pivots bet_j and
// gam_j = c_{j-1}/bet_{j-1} as in tridagB; bottom: the pivots del_j and
// gam_j = a_j/del_j; both kept in pTridagGam (top j <= p, bottom j > p), the
// eliminated right-hand sides in u.
void assembleAndSolveInteractingHatStep(double dt, double* u)
{
    const int N = nGridPointsAllocated;
    const double tau = dSimTime - dMovingGridT0, k = dGridMotionRate;
    const double inv0 = std::exp(-2 * k * tau), inv1 = std::exp(-2 * k * (tau + dt));
    const double f = 0.5 * dt, w = dSedFactorH;
    double a0[3], a1[3], m[3];
    for (int q = 0; q < 4; q++) {
        const int i = boundaryRow(q, N);
        const RowTables& st = gBoundaryStart[q];
        const RowTables& en = gBoundaryEnd[q];
        rowOfA(i, N, st, inv0, a0);
        rowOfA(i, N, en, inv1, a1);
        for (int j = 0; j < 3; j++) m[j] = (st.m[j] + en.m[j]) / 2;
        storeRowOfStep(i, N, m, a0, a1, f);
    }
    const InteriorRows ir{pLocalS,  pLocalD,  pGridConcPrev, pMassLower, pMassDiag, pMassUpper, Rt[0], Rt[1],
                          Rt[2],    Rt[3],    Rt[4],         Rt[5],      Rt[6],     Tt[0],      Tt[1], Tt[2],
                          Tt[3],    Tt[4],    Tt[5],         Tt[6],      Gl,        Gd,         Gu,    w,
                          f,        inv0,     inv1};
    double* __restrict gam = pTridagGam;
    const double *AL = pLhsLower, *AD = pLhsDiag, *AU = pLhsUpper, *RH = pGridRhs;
    bool bSingular = false;
    const int p = (N + 1) / 2;  // 3 <= p <= N - 2
    // the end rows 1, 2 and N, N-1
    double bet = AD[1];
    if (bet == 0.0) bSingular = true;
    double inv = 1 / bet;
    u[1] = RH[1] * inv;
    gam[2] = AU[1] * inv;
    bet = AD[2] - AL[2] * gam[2];
    if (bet == 0.0) bSingular = true;
    inv = 1 / bet;
    u[2] = (RH[2] - AL[2] * u[1]) * inv;
    double cUp = AU[2];
    double del = AD[N];
    if (del == 0.0) bSingular = true;
    double invd = 1 / del;
    u[N] = RH[N] * invd;
    gam[N] = AL[N] * invd;
    del = AD[N - 1] - AU[N - 1] * gam[N];
    if (del == 0.0) bSingular = true;
    invd = 1 / del;
    u[N - 1] = (RH[N - 1] - AU[N - 1] * u[N]) * invd;
    double aDown = AL[N - 1];
    // the interior rows from both ends, top rows 3..p-1, bottom rows N-2..p+1,
    // two rows of each at a time
    int t = 3, b = N - 2;
    double uTop = u[2], uBottom = u[N - 1];
    for (; t + 1 < p && b - 1 > p; t += 2, b -= 2) {
        V2 lt, dt2, ut, rt, lb, db, ub, rb;
        ir.rowPair(t, lt, dt2, ut, rt);
        ir.rowPair(b - 1, lb, db, ub, rb);
        gam[t] = cUp * inv;
        bet = dt2[0] - lt[0] * gam[t];
        gam[b + 1] = aDown * invd;
        del = db[1] - ub[1] * gam[b + 1];
        if (bet == 0.0 || del == 0.0) bSingular = true;
        inv = 1 / bet;
        invd = 1 / del;
        uTop = (rt[0] - lt[0] * uTop) * inv;
        uBottom = (rb[1] - ub[1] * uBottom) * invd;
        u[t] = uTop;
        u[b] = uBottom;
        gam[t + 1] = ut[0] * inv;
        bet = dt2[1] - lt[1] * gam[t + 1];
        gam[b] = lb[1] * invd;
        del = db[0] - ub[0] * gam[b];
        if (bet == 0.0 || del == 0.0) bSingular = true;
        inv = 1 / bet;
        invd = 1 / del;
        uTop = (rt[1] - lt[1] * uTop) * inv;
        uBottom = (rb[0] - ub[0] * uBottom) * invd;
        u[t + 1] = uTop;
        u[b - 1] = uBottom;
        cUp = ut[1];
        aDown = lb[0];
    }
    for (; t < p; t++) {
        double lt, dt_, ut, rt;
        ir.row(t, lt, dt_, ut, rt);
        gam[t] = cUp * inv;
        bet = dt_ - lt * gam[t];
        if (bet == 0.0) bSingular = true;
        inv = 1 / bet;
        u[t] = (rt - lt * u[t - 1]) * inv;
        cUp = ut;
    }
    for (; b > p; b--) {
        double lb, db, ub, rb;
        ir.row(b, lb, db, ub, rb);
        gam[b + 1] = aDown * invd;
        del = db - ub * gam[b + 1];
        if (del == 0.0) bSingular = true;
        invd = 1 / del;
        u[b] = (rb - ub * u[b + 1]) * invd;
        aDown = lb;
    }
    // the middle row p meets both eliminations
    {
        double lp, dp, up, rp;
        ir.row(p, lp, dp, up, rp);
        gam[p] = cUp * inv;
        gam[p + 1] = aDown * invd;
        const double piv = dp - lp * gam[p] - up * gam[p + 1];
        if (piv == 0.0) bSingular = true;
        u[p] = (rp - lp * u[p - 1] - up * u[p + 1]) / piv;
    }
    if (bSingular) {
        bSimulationError = 1;
        for (int i = 1; i <= N; i++) u[i] = pGridConcPrev[i];
        return;
    }
    // outwards from the middle: rows p-1..1 and p+1..2p-1, then row N when N is even
    // (the last values carried in registers, not read back from u)
    double uUp = u[p], uDown = u[p];
    for (int j = p - 1, jb = p + 1; j >= 1; j--, jb++) {
        uUp = u[j] - gam[j + 1] * uUp;
        uDown = u[jb] - gam[jb] * uDown;
        u[j] = uUp;
        u[jb] = uDown;
    }
    for (int jb = 2 * p; jb <= N; jb++) {
        uDown = u[jb] - gam[jb] * uDown;
        u[jb] = uDown;
    }
}

void predictInteractingHatStep(double dt)
{
    updateLocalCoefficientsA();
    if (bRampRotorSpeed && bRotorAccelerating) {
        dOmegaNow = effectiveOmegaDuringAcceleration(dSimTime, dt);
        dSedFactorH = omegaSquaredFactor();
    }
    assembleAndSolveInteractingHatStep(dt, pGridConcTrial);
}

void correctInteractingHatStep(double dt)
{
    updateLocalCoefficientsC();
    assembleAndSolveInteractingHatStep(dt, pGridConc);
}

void commitInteractingHatStep(double dt, double tLanding)
{
    nTimeStepCount++;
    dSimTime = tLanding >= 0 ? tLanding : dSimTime + dt;
    if (bRotorAccelerating && dSimTime >= dAccelerationTime) {
        dOmegaNow = effectiveOmegaDuringAcceleration(dSimTime, dt);
        dSedFactorH = omegaSquaredFactor();
        bRotorAccelerating = 0;
    }
}

// One step; dt for the very first, 1.0 otherwise.
double lammStepMovingHatInteracting()
{
    const int N = nGridPointsAllocated;
    double dt = nTimeStepCount == 0 ? 1.0 : dMovingHatFixedStep;
    if (std::fabs(dSimTime - dMovingGridT0 - dNaturalStep) < 1e-10 * (1 + std::fabs(dSimTime)))
        regridMovingHat(dSGrid, fSAMonomerMorD);
    double tLanding = -1.0;
    const double tNext = dMovingGridT0 + dNaturalStep;
    if (dSimTime + dt >= tNext) {
        dt = tNext - dSimTime;
        tLanding = tNext;
    }
    for (int i = 1; i <= N; i++) pGridConcPrev[i] = pGridConc[i];
    const double dtAccel = clipStepToAcceleration(dt);
    if (dtAccel != dt) {
        dt = dtAccel;
        tLanding = -1.0;
    }
    if (bStepToScanTime && dSimTime + dt >= dStepTargetTime) {
        bStepToScanTime = 0;
        dt = dStepTargetTime - dSimTime;
        tLanding = dStepTargetTime;
    }
    if (!(dt > 0)) {
        dTimeStep = 1.0;
        return 1.0;
    }
    const bool bFirst = nTimeStepCount == 0;
    updateInteractingHatBoundaryRows(dSimTime - dMovingGridT0, dt);
    predictInteractingHatStep(dt);
    correctInteractingHatStep(dt);
    commitInteractingHatStep(dt, tLanding);
    dTimeStep = dt;
    return bFirst ? dt : 1.0;
}

// A slow s grid with the default max dc/c of 1 would take natural steps too
// long for the boundary: a tenth of them instead (the working value only).
void limitStepForSlowGrid()
{
    if (dSGrid < 1 && dMaxDcOverCWork >= 1) dMaxDcOverCWork = 0.1;
}

}  // namespace

void propagateLammMovingHat()
{
    if (!bGridArraysAllocated || !pFeGridRadius || !pLocalS || nGridPointsAllocated < 5) return;
    const int N = nGridPointsAllocated;
    resetScanTimeRecorder();
    bindTablesH();
    const double c1 = pGridConc[1];
    if (bAutoSGrid) dSGrid = (fSAMonomerS + fSAOligomerS) / 2;
    limitStepForSlowGrid();
    if (!setUpInteractingCoefficients()) {
        freeAssociationTable();
        return;
    }
    if (bModelNonidealSingle) {
        const float s = fSAMonomerS, D = fSAMonomerMorD;
        if (bAutoSGrid) {
            if (bNonidealUsesCosoluteData)
                dSGrid = densgradEmpiricalCurve(c1);
            else if (bModelHindered)
                dSGrid = s * nonidealSFactor(1.0f, fNonidealKsLinear, fNonidealKdLinear, s, D, fVbarTransform,
                                             fWaterDensity20, 20.0f, 1.0f);
            else
                dSGrid = s / (fNonidealKsLinear * c1 + 1);
        }
        limitStepForSlowGrid();
    }
    fLastRelativeChange = 1.0f;
    dLastFactoredTimeStep = 0.0;
    bSimulationError = 0;
    bDiscretizationError = 0;
    setupInteractingMovingHat();
    bFixedTimestep = 1;
    dMovingHatFixedStep = dSGrid == 0 ? dMaxDcOverCWork : dMaxDcOverCWork * dNaturalStep;
    if (dMovingHatFixedStep > dNaturalStep) dMovingHatFixedStep = dNaturalStep;
    if (!(dMovingHatFixedStep > 0)) {  // a step of no length would never reach a scan
        bDiscretizationError = 1;
        freeAssociationTable();
        return;
    }
    for (int i = 1; i <= N; i++) pGridConcPrev[i] = pGridConc[i];
    updateLocalCoefficientsA();
    dTimeStep = dMaxDcOverCWork;
    dMaxTimeStep = 1000;
    int nSteady = 0;
    while (bSimulationRunning && !bSimulationError && !bDiscretizationError) {
        // a step from totals the law does not hold at would solve an equation
        // with negative diffusion, which grows without bound
        if (!nonidealLawHoldsOn(pGridConc, N)) break;
        const double dt0 = dTimeStep;
        const double q = lammStepMovingHatInteracting();
        recordScanTimeProfile(q);
        fLastRelativeChange = static_cast<float>(q / dt0);
        if (dt0 >= 30 && fLastRelativeChange < dMaxRelativeChange)
            nSteady++;
        else
            nSteady = 0;
        if (nSteady > 10) fillRemainingScansWithProfile();
    }
    freeAssociationTable();
}
