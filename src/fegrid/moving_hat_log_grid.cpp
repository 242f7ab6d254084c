// The moving-hat propagator on the logarithmic grid.
//
// The interior nodes move with the s grid: r_i(t) = R_i exp(k (t - t0)),
// k = omega^2 s_grid; meniscus and bottom stay. In the frame of the nodes,
// rho = r exp(-k tau), tau = t - t0, the Lamm equation reads
//   u_t = D e^-2 (1/rho) (rho u_rho)_rho - 2 S u - (S - k) rho u_rho,
// S = omega^2 s, e = exp(k tau); its weak form with weight rho is
//   M u' = A u,  A = -(D / e^2) K - X,  X = k G - S B,
// K = int rho phi_i' phi_j', B = int rho^2 phi_i' phi_j, G the grid motion
// (-int rho^2 phi_i phi_j', the end elements weighted with the velocity
// interpolated from the fixed end node), M = int rho phi_i phi_j. The fixed
// meniscus and bottom lie at m/e and b/e in the frame, so the rows 1, 2,
// N-1 and N change during a step; they are evaluated at the step's two ends,
// their mass entries averaged (the end element the species moves to with
// the least diffusion its width needs, see addEndElementDiffusion). With
// s_grid = s the sedimentation leaves only the radial dilution: the profile
// is carried by the nodes. Once the nodes have moved one grid ratio (the
// natural step, ln(b/m) / ((N - 1) |k|)) the profile is shifted one node and
// the frame restarts (the regrid); the end values are set so that the amount
// next to meniscus and bottom is kept.
//
// Steps: with a fixed step below the natural step the steps are free (clipped
// to the regrid times, the scans and the acceleration); otherwise whole
// natural steps follow one another (grid-synchronous), their matrices
// factored once.
#include <cmath>

#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/propagators.h"
#include "fegrid/scan_recording.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"

// The moving-grid scalars the A + B <-> AB run shares.
double dMovingGridT0 = 0.0;
double dGridMotionRate = 0.0;
double dNaturalStep = 0.0;
double dGridRatio = 1.0;
double dMovingHatFixedStep = 0.0;
bool bGridSynchronousSteps = false;
double dProgressTotalAmount = 0.0;

void setMovingBoundaryRadii(double tau)
{
    const int N = nGridPointsAllocated;
    const double e = std::exp(dGridMotionRate * tau);
    pFeGridRadius[1] = fMeniscus / e;
    pFeGridRadius[N] = fBottom / e;
}

namespace {

double dSpeciesRate = 0.0;       // omega^2 s (1/s)
// A negative typed grid set aside for a grid that stays: the nodes keep the
// mirrored layout the loading was put on.
bool bMirroredStill = false;
bool bFirstSyncStep = false;
bool bSyncStepPending = false;
bool bSyncStepToRegrid = false;
bool bFullNaturalStep = false;
bool bSyncStart = false;
bool bDriftFromMotion = false;   // X = k G - S B (else (G - B) S)
// The end integrals of the reference grid, kept for the regrid.
double Pm1, Pm2, Pm3, Pm4, Pb1, Pb2, Pb3, Pb4;

// The arrays of the moving-hat block: stiffness K, sedimentation S (B times
// the rate), grid motion G, the radii, mass M, drift X, a factor scratch.
double *Kl, *Kd, *Ku, *Sl, *Sd, *Su, *Gl, *Gd, *Gu, *Ml, *Md, *Mu, *Xl, *Xd, *Xu, *pScratch;

void bindArrays()
{
    double** b = pMovingHatBlock;
    Kl = b[1], Kd = b[2], Ku = b[3];
    Sl = b[4], Sd = b[5], Su = b[6];
    Gl = b[7], Gd = b[8], Gu = b[9];
    Ml = b[11], Md = b[12], Mu = b[13];
    Xl = b[14], Xd = b[15], Xu = b[16];
    pScratch = b[17];
}

double omegaRad() { return omegaOfRpm(dOmegaNow); }

bool nearRegrid(double t)
{
    const double d = t - dMovingGridT0 - dNaturalStep;
    return std::fabs(d) < 1e-10 * (1.0 + std::fabs(t));
}

// One row of M, K and X at the current end radii.
struct Row {
    double l, d, u;
};

void rowsAt(int i, Row& m, Row& k, Row& x)
{
    m = {elementMatrixValueE(i, i - 1), elementMatrixValueE(i, i), elementMatrixValueE(i, i + 1)};
    k = {elementMatrixValueA(i, i - 1), elementMatrixValueA(i, i), elementMatrixValueA(i, i + 1)};
    if (bDriftFromMotion) {
        const double kk = dGridMotionRate, s = dSpeciesRate;
        x = {kk * elementMatrixValueC(i, i - 1) - s * elementMatrixValueB(i, i - 1),
             kk * elementMatrixValueC(i, i) - s * elementMatrixValueB(i, i),
             kk * elementMatrixValueC(i, i + 1) - s * elementMatrixValueB(i, i + 1)};
    } else {
        const double s = dSpeciesRate;
        x = {s * elementMatrixValueD(i, i - 1), s * elementMatrixValueD(i, i), s * elementMatrixValueD(i, i + 1)};
    }
}

bool isBoundaryRow(int i, int N) { return i <= 2 || i >= N - 1; }

// The boundary rows 1, 2, N-1, N (slots 0..3) at the two ends of a step.
struct BoundaryRows {
    Row m0[4], k0[4], x0[4], m1[4], k1[4], x1[4];
};

int slotOf(int i, int N) { return i <= 2 ? i - 1 : i - (N - 1) + 2; }

// The species piles up at the wall it moves to in a layer of width D / v, v
// the velocity at the wall. The end element there is wider than the layer
// whenever D is small against v h / 2 (h the element's width), and then its
// Galerkin rows have a growing mode that the steps turn into an oscillation
// without bound: a run of a large particle or without diffusion ended in
// garbage. That element alone gets the diffusion it lacks to a cell Peclet
// number of 2, D + D' = v h / 2, added to the drift rows at the radii of the
// step end in hand. The amount stays where it was, the layer is drawn over the
// one element the grid has for it, and a species whose layer the element
// resolves is not touched.
void addEndElementDiffusion(double tau, Row* x)
{
    const int N = nGridPointsAllocated;
    const bool bBase = dLammS >= 0;
    const int a = bBase ? N - 1 : 1;  // the end element's first node
    const double e = std::exp(dGridMotionRate * tau);
    const double ra = pFeGridRadius[a], rb = pFeGridRadius[a + 1], h = rb - ra;  // in the frame
    const double wall = bBase ? fBottom : fMeniscus;
    const double dExtra = std::fabs(dSpeciesRate) * wall * (h * e) / 2 - dLammD;
    if (!(h > 0) || !(dExtra > 0)) return;
    // the element's stiffness int rho phi_i' phi_j' times D' / e^2, into X (A = -a K - X)
    const double kappa = dExtra / (e * e) * (ra + rb) / (2 * h);
    Row& first = x[bBase ? 2 : 0];
    Row& second = x[bBase ? 3 : 1];
    first.d += kappa;
    first.u -= kappa;
    second.l -= kappa;
    second.d += kappa;
}

void boundaryElementsAt(double tau, double dt, BoundaryRows& br)
{
    const int N = nGridPointsAllocated;
    const int rows[4] = {1, 2, N - 1, N};
    setMovingBoundaryRadii(tau);
    for (int q = 0; q < 4; q++) rowsAt(rows[q], br.m0[q], br.k0[q], br.x0[q]);
    addEndElementDiffusion(tau, br.x0);
    setMovingBoundaryRadii(tau + dt);
    for (int q = 0; q < 4; q++) rowsAt(rows[q], br.m1[q], br.k1[q], br.x1[q]);
    addEndElementDiffusion(tau + dt, br.x1);
}

// Left matrix M - dt/2 A1 into (ll, ld, lu) and right-hand side (M + dt/2 A0)
// c0 into rhs, or the right matrix itself into (rl, rd, ru) when rhs is null.
void crankNicolsonRows(double tau, double dt, double* ll, double* ld, double* lu, double* rhs, double* rl,
                       double* rd, double* ru)
{
    const int N = nGridPointsAllocated;
    const double D = dLammD, k = dGridMotionRate;
    const double a0 = D / std::exp(2 * k * tau), a1 = D / std::exp(2 * k * (tau + dt));
    BoundaryRows br;
    boundaryElementsAt(tau, dt, br);
    const double f = 0.5 * dt;
    const double* c = pGridConcPrev;
    for (int i = 1; i <= N; i++) {
        Row m, k0, x0, k1, x1;
        if (isBoundaryRow(i, N)) {
            const int q = slotOf(i, N);
            const Row& ma = br.m0[q];
            const Row& mb = br.m1[q];
            m = {(ma.l + mb.l) / 2, (ma.d + mb.d) / 2, (ma.u + mb.u) / 2};
            k0 = br.k0[q], x0 = br.x0[q], k1 = br.k1[q], x1 = br.x1[q];
        } else {
            m = {Ml[i], Md[i], Mu[i]};
            k0 = k1 = {Kl[i], Kd[i], Ku[i]};
            x0 = x1 = {Xl[i], Xd[i], Xu[i]};
        }
        // A = -a K - X
        const Row A0 = {-a0 * k0.l - x0.l, -a0 * k0.d - x0.d, -a0 * k0.u - x0.u};
        const Row A1 = {-a1 * k1.l - x1.l, -a1 * k1.d - x1.d, -a1 * k1.u - x1.u};
        ll[i] = i > 1 ? m.l - f * A1.l : 0.0;
        ld[i] = m.d - f * A1.d;
        lu[i] = i < N ? m.u - f * A1.u : 0.0;
        const Row R = {i > 1 ? m.l + f * A0.l : 0.0, m.d + f * A0.d, i < N ? m.u + f * A0.u : 0.0};
        if (rhs) {
            double v = R.d * c[i];
            if (i > 1) v += R.l * c[i - 1];
            if (i < N) v += R.u * c[i + 1];
            rhs[i] = v;
        } else {
            rl[i] = R.l, rd[i] = R.d, ru[i] = R.u;
        }
    }
}

}  // namespace

// Thomas algorithm on 1..n; gam is scratch (or the stored factors with piv).
bool tridag(const double* a, const double* b, const double* c, const double* r, double* u, int n, double* gam,
            double* piv)
{
    double bet = b[1];
    if (bet == 0.0) {
        showErrorMessage("Error 1 in tridag", 0);
        bSimulationError = 1;
        return false;
    }
    if (piv) piv[1] = bet;
    if (u) u[1] = r[1] / bet;
    for (int j = 2; j <= n; j++) {
        gam[j] = c[j - 1] / bet;
        bet = b[j] - a[j] * gam[j];
        if (bet == 0.0) {
            showErrorMessage("Error 2 in tridag", 0);
            bSimulationError = 1;
            return false;
        }
        if (piv) piv[j] = bet;
        if (u) u[j] = (r[j] - a[j] * u[j - 1]) / bet;
    }
    if (u)
        for (int j = n - 1; j >= 1; j--) u[j] -= gam[j + 1] * u[j + 1];
    return true;
}

void tridagStoredFactors(const double* a, const double* gam, const double* piv, const double* r, double* u, int n)
{
    u[1] = r[1] / piv[1];
    for (int j = 2; j <= n; j++) u[j] = (r[j] - a[j] * u[j - 1]) / piv[j];
    for (int j = n - 1; j >= 1; j--) u[j] -= gam[j + 1] * u[j + 1];
}

namespace {

// u = L^-1 r with the stored factors of the natural-step left matrix.
void luBacksubstitute(const double* r, double* u, int n) { tridagStoredFactors(pStiffLower, pTridagGam, pTridagPivot, r, u, n); }

// y = T x for a tridiagonal T.
void tridiagMultiply(const double* l, const double* d, const double* up, const double* x, double* y, int n)
{
    for (int i = 1; i <= n; i++) {
        double v = d[i] * x[i];
        if (i > 1) v += l[i] * x[i - 1];
        if (i < n) v += up[i] * x[i + 1];
        y[i] = v;
    }
}

// The matrices of a full natural step from tau = 0, factored once.
bool prepareNaturalStepMatrices()
{
    const int N = nGridPointsAllocated;
    crankNicolsonRows(0.0, dNaturalStep, pStiffLower, pLhsDiag, pLhsUpper, nullptr, pRhsLower, pRhsDiag, pRhsUpper);
    return tridag(pStiffLower, pLhsDiag, pLhsUpper, nullptr, nullptr, N, pTridagGam, pTridagPivot);
}

// S, and X = k G - S, for the current rotor speed (k stays); with a
// sedimenting co-solute also the stiffness K of the new local factors.
void rebuildMovingHatOmegaMatrices()
{
    const int N = nGridPointsAllocated;
    const double w = omegaRad();
    dSpeciesRate = w * w * dLammS * 1e-13;
    const double s = dSpeciesRate, k = dGridMotionRate;
    for (int i = 1; i <= N; i++) {
        if (bInhomogeneousSolvent && bSedimentingCosolute) {
            Kl[i] = elementMatrixValueA(i, i - 1);
            Kd[i] = elementMatrixValueA(i, i);
            Ku[i] = elementMatrixValueA(i, i + 1);
        }
        Sl[i] = s * elementMatrixValueB(i, i - 1);
        Sd[i] = s * elementMatrixValueB(i, i);
        Su[i] = s * elementMatrixValueB(i, i + 1);
        Xl[i] = k * Gl[i] - Sl[i];
        Xd[i] = k * Gd[i] - Sd[i];
        Xu[i] = k * Gu[i] - Su[i];
    }
    bDriftFromMotion = true;
}

}  // namespace

void setupMovingHatLogGrid()
{
    const int N = nGridPointsAllocated;
    const double m = fMeniscus, b = fBottom, q = b / m;
    const double w = omegaRad();
    dSpeciesRate = w * w * dLammS * 1e-13;
    dGridMotionRate = w * w * dSGrid * 1e-13;
    dMovingGridT0 = dSimTime;
    dNaturalStep = dSGrid == 0 ? 1e10 : std::log(q) / ((N - 1) * std::fabs(dGridMotionRate));
    const double g = std::pow(q, 1.0 / (N - 1));
    dGridRatio = g;
    double* R = pFeGridRadius;
    R[1] = m;
    R[N] = b;
    if (dSGrid > 0 || (dSGrid == 0 && !bMirroredStill)) {
        for (int i = 2; i <= N - 1; i++) R[i] = m * std::pow(q, (i - 1.5) / (N - 1));
    } else {
        R[2] = m * std::pow(q, 1.5 / (N - 1));
        for (int i = 3; i <= N - 1; i++) R[i] = R[i - 1] * g;
    }
    for (int i = 1; i <= N; i++) pGridRadius[i] = R[i];
    // the end integrals of the reference grid, for the regrid
    Pm1 = (R[2] * R[2] + m * R[2] - 2 * m * m) / 6;
    Pm2 = (R[3] - m) * (m + R[2] + R[3]) / 6;
    Pm3 = R[2] * R[2] / 3 - m * R[2] / 6 - m * m / 6;
    Pm4 = R[3] * R[3] / 3 - R[2] * R[3] / 6 - R[2] * R[2] / 6;
    Pb1 = (R[N - 1] * R[N - 1] + R[N - 2] * R[N - 1] - 2 * R[N - 2] * R[N - 2]) / 6;
    Pb2 = (b * b + R[N - 1] * b - 2 * R[N - 1] * R[N - 1]) / 6;
    Pb3 = (b - R[N - 2]) * (R[N - 2] + R[N - 1] + b) / 6;
    Pb4 = b * b / 3 - b * R[N - 1] / 6 - R[N - 1] * R[N - 1] / 6;
}

// Shifts the profile one node with the nodes and restarts the frame.
void regridMovingHat(double s, double D)
{
    const int N = nGridPointsAllocated;
    const double t = dSimTime, k = dGridMotionRate;
    const double e = std::exp(k * (t - dMovingGridT0)), e2 = e * e;
    setMovingBoundaryRadii(t - dMovingGridT0);
    const double* R = pFeGridRadius;
    const double m = fMeniscus, b = fBottom;
    const double R1 = R[1], RN = R[N];  // the moved ends, m/e and b/e
    double* c = pGridConc;
    double c1, c2, cN1, cN;
    if (s >= 0) {
        const double A = (Pb1 * c[N - 2] + elementDiagonal(N - 1) * c[N - 1] + elementDiagonal(N) * c[N]) * e2;
        cN = (A - Pb2 * c[N - 2]) / Pb4;
        cN1 = c[N - 2];
        if (s > 0 && cN < cN1) cN = cN1 = (cN1 * Pb3 + cN * Pb4) / (Pb3 + Pb4);
        if (D != 0 || s <= 1e-10) {
            c1 = c[1];
            c2 = c[1] + (c[2] - c[1]) * (R[2] - m) / ((R[2] - R1) * e);
        } else {
            c1 = 0.0;
            c2 = (((R[2] * R[2] / 3 - R[2] * R1 / 6 - R1 * R1 / 6) * e2 - Pm4) * c[2] + elementDiagonal(1) * e2 * c[1]) /
                 Pm2;
        }
        for (int i = N - 2; i >= 3; i--) c[i] = c[i - 1];
    } else {
        const double A = (Pm4 * c[3] + elementDiagonal(2) * c[2] + elementDiagonal(1) * c[1]) * e2;
        c2 = c[3];
        c1 = (A - Pm3 * c[3]) / Pm1;
        if (c1 < c2) c1 = c2 = (c2 * Pm2 + c1 * Pm1) / (Pm1 + Pm2);
        if (D != 0 || std::fabs(s) <= 1e-10) {
            cN = c[N];
            cN1 = c[N] + (c[N - 1] - c[N]) * (R[N - 1] - b) / ((R[N - 1] - RN) * e);
        } else {
            cN = 0.0;
            cN1 = (((RN * RN + R[N - 1] * RN - 2 * R[N - 1] * R[N - 1]) / 6 * c[N - 1] + elementDiagonal(N) * c[N]) * e2 -
                   Pb1 * c[N - 1]) /
                  Pb3;
        }
        for (int i = 3; i <= N - 2; i++) c[i] = c[i + 1];
    }
    c[1] = c1;
    c[2] = c2;
    c[N - 1] = cN1;
    c[N] = cN;
    for (int i = 1; i <= N; i++) pGridConcPrev[i] = c[i];
    pFeGridRadius[1] = m;
    pFeGridRadius[N] = b;
    dMovingGridT0 = t;
}

namespace {

void assembleMovingHatMatrices()
{
    setupMovingHatLogGrid();
    // the local factors on the reference radii of the nodes
    if (bInhomogeneousSolvent) resizeGradientCoefficientArrays(pFeGridRadius);
    const int N = nGridPointsAllocated;
    const double s = dSpeciesRate, k = dGridMotionRate;
    bDriftFromMotion = !bAutoSGrid || bInhomogeneousSolvent;
    for (int i = 1; i <= N; i++) {
        const int j[3] = {i - 1, i, i + 1};
        double* K[3] = {Kl, Kd, Ku};
        double* S[3] = {Sl, Sd, Su};
        double* G[3] = {Gl, Gd, Gu};
        double* M[3] = {Ml, Md, Mu};
        double* X[3] = {Xl, Xd, Xu};
        for (int q = 0; q < 3; q++) {
            K[q][i] = elementMatrixValueA(i, j[q]);
            S[q][i] = elementMatrixValueB(i, j[q]) * s;
            G[q][i] = elementMatrixValueC(i, j[q]);
            M[q][i] = elementMatrixValueE(i, j[q]);
            X[q][i] = bDriftFromMotion ? G[q][i] * k - S[q][i] : elementMatrixValueD(i, j[q]) * s;
        }
    }
}

void clampOverflowingConcentrations()
{
    if (dLammD > 2e-8) return;
    const int N = nGridPointsAllocated;
    double* c = pGridConc;
    if (dLammS > 0 && std::fabs(c[N]) >= 1e30) {
        for (int i = N - 20 > 1 ? N - 20 : 1; i <= N; i++)
            if (std::fabs(c[i]) > 1e35) c[i] *= 0.1;
    } else if (dLammS < 0 && std::fabs(c[1]) >= 1e15) {
        for (int i = 1; i <= 20 && i <= N; i++)
            if (std::fabs(c[i]) > 1e15) c[i] *= 0.1;
    }
}

// One Crank-Nicolson solve from pGridConcPrev to pGridConc.
void solveMovingHatStep(double dt)
{
    const int N = nGridPointsAllocated;
    const bool accelerating = bRampRotorSpeed && bRotorAccelerating;
    if (accelerating) {
        dOmegaNow = effectiveOmegaDuringAcceleration(dSimTime, dt);
        rebuildMovingHatOmegaMatrices();
    }
    const double tau = dSimTime - dMovingGridT0;
    // (the factors of a sedimenting co-solute change every step: no stored factorisation)
    const bool bFixedMatrices = !accelerating && !(bInhomogeneousSolvent && bCosoluteGradient && bSedimentingCosolute);
    if (bFixedMatrices && ((bGridSynchronousSteps && bFullNaturalStep) || (dt == dNaturalStep && tau == 0))) {
        setMovingBoundaryRadii(tau);
        tridiagMultiply(pRhsLower, pRhsDiag, pRhsUpper, pGridConcPrev, pGridRhs, N);
        luBacksubstitute(pGridRhs, pGridConc, N);
    } else {
        crankNicolsonRows(tau, dt, pLhsLower, pLhsDiag, pLhsUpper, pGridRhs, nullptr, nullptr, nullptr);
        if (!tridag(pLhsLower, pLhsDiag, pLhsUpper, pGridRhs, pGridConc, N, pScratch, nullptr))
            for (int i = 1; i <= N; i++) pGridConc[i] = pGridConcPrev[i];
    }
    clampOverflowingConcentrations();
}


// t += dt, exactly onto the scan or regrid time the step was cut to.
void commitMovingHatStep(double dt, double tLanding)
{
    nTimeStepCount++;
    dSimTime += dt;
    if (tLanding >= 0) dSimTime = tLanding;
    if (bRotorAccelerating && dSimTime >= dAccelerationTime) {
        dOmegaNow = effectiveOmegaDuringAcceleration(dSimTime, dt);
        bRotorAccelerating = 0;
        rebuildMovingHatOmegaMatrices();
        if (bGridSynchronousSteps) prepareNaturalStepMatrices();
    }
    if (bHeteroAssocRun) {
        setMovingBoundaryRadii(dSimTime - dMovingGridT0);
        dProgressTotalAmount = totalAmountMovingHat();
    }
}

// A negative value at the fixed end the material leaves (the meniscus, the
// bottom for flotation) below -0.001: the step is halved down to 0.1 s, then
// the deficit goes to the neighbour. Returns the step taken.
double guardNegativeEnd(double dt, bool& bOnTarget)
{
    const int N = nGridPointsAllocated;
    const int e = dLammS >= 0 ? 1 : N, nb = dLammS >= 0 ? 2 : N - 1;
    while (pGridConc[e] < -0.001 && !bSimulationError) {
        if (dt <= 0.1) {
            pGridConc[nb] += elementDiagonal(e) * pGridConc[e] / elementDiagonal(nb);
            pGridConc[e] = 0.0;
            pGridConcPrev[e] = 0.0;
            break;
        }
        dt *= 0.5;
        bFullNaturalStep = false;
        bSyncStepToRegrid = false;
        bSyncStepPending = true;
        if (bOnTarget) {  // the shorter step ends before the scan: it stays the target
            bOnTarget = false;
            bStepToScanTime = 1;
        }
        solveMovingHatStep(dt);
    }
    return dt;
}

// One step: dt for the first step of a run in free mode, 1.0 otherwise.
double lammStepMovingHat()
{
    const double T = dNaturalStep;
    double dt;
    if (!bGridSynchronousSteps) {
        dt = dMovingHatFixedStep;
        if (nearRegrid(dSimTime)) regridMovingHat(dLammS, dLammD);
    } else if (bStepToScanTime && dSimTime + dTimeStep > dStepTargetTime && dStepTargetTime <= dMovingGridT0 + T) {
        dt = nTimeStepCount < 2 ? 1.0 : dStepTargetTime - dSimTime;
        bSyncStepPending = true;
        bFirstSyncStep = bSyncStepToRegrid = bFullNaturalStep = false;
    } else if (bFirstSyncStep) {
        if (bSyncStart) {
            dt = T < 1.0 ? T : 1.0;
            bSyncStart = false;
        } else {
            dt = 0.1 * T;
            bFirstSyncStep = false;
            bSyncStepPending = true;
        }
    } else if (bSyncStepPending) {
        dt = dMovingGridT0 + T - dSimTime;
        bSyncStepPending = false;
        bSyncStepToRegrid = true;
    } else if (bSyncStepToRegrid) {
        dt = T;
        bSyncStepToRegrid = false;
        bFullNaturalStep = true;
    } else {
        dt = dTimeStep;  // full natural steps follow one another
    }
    // the limits: the regrid time, the acceleration, the scan time; the step
    // lands exactly on the time it was cut to
    const double full = dt;
    double tLanding = -1.0;
    const double tRegrid = dMovingGridT0 + T;
    if (dSimTime + dt >= tRegrid) {
        dt = tRegrid - dSimTime;
        tLanding = tRegrid;
    }
    const double dtAccel = clipStepToAcceleration(dt);
    if (dtAccel != dt) {
        dt = dtAccel;
        tLanding = -1.0;
    }
    for (int i = 1; i <= nGridPointsAllocated; i++) pGridConcPrev[i] = pGridConc[i];
    bool bOnTarget = false;
    if (bStepToScanTime && dSimTime + dt >= dStepTargetTime) {
        bStepToScanTime = 0;
        dt = dStepTargetTime - dSimTime;
        tLanding = dStepTargetTime;
        bOnTarget = true;
    }
    if (bGridSynchronousSteps && dt < full * (1 - 1e-12) && (bFullNaturalStep || bSyncStepToRegrid)) {
        // a scan or the acceleration shortens the step: back to the pending phase
        bFullNaturalStep = bSyncStepToRegrid = false;
        bSyncStepPending = true;
    }
    if (!(dt > 0)) {
        dTimeStep = 1.0;
        return 1.0;
    }
    const bool bFirst = nTimeStepCount == 0;
    solveMovingHatStep(dt);
    if (bGridSynchronousSteps) {
        const double dtGuarded = guardNegativeEnd(dt, bOnTarget);
        if (dtGuarded != dt) {
            dt = dtGuarded;
            tLanding = -1.0;
        }
    }
    dTimeStep = dt;
    commitMovingHatStep(dt, tLanding);
    if (bGridSynchronousSteps) {
        if (bFullNaturalStep || nearRegrid(dSimTime)) regridMovingHat(dLammS, dLammD);
        return 1.0;
    }
    return bFirst ? dt : 1.0;
}

}  // namespace

void updateMovingGridRadii()
{
    if (!bGridArraysAllocated || !pFeGridRadius) return;
    const int N = nGridPointsAllocated;
    const double e = std::exp(dGridMotionRate * (dSimTime - dMovingGridT0));
    for (int i = 2; i <= N - 1; i++) pGridRadius[i] = pFeGridRadius[i] * e;
    pGridRadius[1] = fMeniscus;
    pGridRadius[N] = fBottom;
}

double totalAmountMovingHat()
{
    if (!bGridArraysAllocated || !pFeGridRadius) return 0.0;
    const int N = nGridPointsAllocated;
    const double tau = dSimTime - dMovingGridT0;
    const double e = std::exp(dGridMotionRate * tau);
    setMovingBoundaryRadii(tau);
    double sum = 0.0;
    for (int i = 1; i <= N; i++) sum += elementDiagonal(i) * e * e * pGridConc[i];
    return sum * 1.2 * 0.03490658503988659;
}

void propagateLammMovingHatLogGrid()
{
    if (bUsingSpeedSteps || !bGridArraysAllocated || !pFeGridRadius) return;
    bFixedTimestep = 1;
    if (bAutoSGrid) dSGrid = bInhomogeneousSolvent ? localSolventFactor(dLammS) : dLammS;
    // The regrid hands the profile on in the species' direction (towards the
    // bottom for s 0 too), so nodes that move the other way would carry it
    // backwards at every natural step. Such a species runs on a grid that
    // stays where it is, on the layout its loading was put on (the mirrored
    // one of a negative grid), and the grid set aside is back for the next run.
    struct KeepTypedGrid {
        double value = dSGrid;
        ~KeepTypedGrid()
        {
            dSGrid = value;
            bMirroredStill = false;
        }
    } keep;
    if (dSGrid * dLammS < 0 || (dLammS == 0 && dSGrid < 0)) {
        bMirroredStill = dSGrid < 0;
        dSGrid = 0;
    }
    if (std::fabs(dSGrid) < 1 && dMaxDcOverCWork >= 1) dMaxDcOverCWork = 0.1;
    fLastRelativeChange = 1.0f;
    bSimulationError = 0;
    bDiscretizationError = 0;
    const int N = nGridPointsAllocated;
    if (N < 5) {
        bDiscretizationError = 1;
        return;
    }
    resetScanTimeRecorder();
    bindArrays();
    assembleMovingHatMatrices();
    dTimeStep = 1.0;
    const bool bCosolute = bInhomogeneousSolvent && bCosoluteGradient;
    if (bCosolute) {
        if (!initSolventGradient()) {
            bSimulationRunning = 0;
            return;
        }
        if (bSedimentingCosolute) {
            updateLocalSedCoefficients(pFeGridRadius);
            rebuildMovingHatOmegaMatrices();
        }
    }
    dMovingHatFixedStep = dSGrid != 0 ? dMaxDcOverCWork * dNaturalStep : dMaxDcOverCWork;
    if (!(dMovingHatFixedStep > 0)) {  // a step of no length would never reach a scan
        bDiscretizationError = 1;
        return;
    }
    if (!(dMovingHatFixedStep < dNaturalStep)) {
        dMovingHatFixedStep = dNaturalStep;
        bGridSynchronousSteps = bFirstSyncStep = true;
        if (!prepareNaturalStepMatrices()) return;
    } else {
        bGridSynchronousSteps = bFirstSyncStep = false;
    }
    bSyncStepPending = bSyncStepToRegrid = bFullNaturalStep = false;
    bSyncStart = true;

    nFirstActiveIndex = 1;  // no window on the moving grid
    setStopIndexAtFitLimit();
    int nSteady = 0;
    while (bSimulationRunning && !bSimulationError && !bDiscretizationError) {
        const double dt0 = dTimeStep;
        if (bCosolute) dCosoluteTime = dSimTime;
        const double q = lammStepMovingHat();
        if (bCosolute) {
            advanceSolventGradient();
            if (bSedimentingCosolute) {
                updateLocalSedCoefficients(pFeGridRadius);
                rebuildMovingHatOmegaMatrices();
            }
        }
        recordScanTimeProfile(q);
        fLastRelativeChange = static_cast<float>(q / dt0);
        if (boundaryPastFitLimit()) bSimulationRunning = 0;
        if (dt0 >= 30 && fLastRelativeChange < dMaxRelativeChange)
            nSteady++;
        else
            nSteady = 0;
        if (nSteady > 10) fillRemainingScansWithProfile();
    }
}
