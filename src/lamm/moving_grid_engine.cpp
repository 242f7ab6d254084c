// CLammIdeal, engine 1: linear hat functions whose nodes move with the
// sedimentation of a chosen s (the s grid) on the geometric grid.
//
// With r = R e, e = exp(k tau), k = omega^2 sGrid, tau the time since the last
// regrid, the weak form in the moving frame is
//   E dc/dt = -(D / e^2) A c - X c,  X = k C - omega^2 s B,
// E = int R phi phi, A = int R phi' phi', B = int R^2 phi_i' phi_j and
// C = -int R^2 phi_i phi_j' (all in the moving coordinate R). For sGrid = s the
// drift X is only the radial dilution. The meniscus and the bottom stay where
// they are, so in the moving frame the end elements change; their rows are
// taken at the start and at the end of each step. When the nodes have moved by
// one grid ratio (the natural step) the profile is shifted by one node and the
// frame starts anew. At each scan the nodes are given their radii in the cell.
#include <cmath>

#include "lamm/fe_elements.h"
#include "lamm/lamm_ideal.h"
#include "plot/error_box.h"

namespace {
const double kRpmToOmega = 2.0 * M_PI / 60.0;

// Hat weight int R phi_i on the radii r[1..N].
double hatWeight(const double* r, int N, int i)
{
    double w = 0, l, rr;
    if (i > 1) {
        fe::weight(r[i - 1], r[i], l, rr);
        w += rr;
    }
    if (i < N) {
        fe::weight(r[i], r[i + 1], l, rr);
        w += l;
    }
    return w;
}

}  // namespace

void CLammIdeal::MapMovingGridToRadii()
{
    const int N = nGridPoints;
    if (!pFeRadius || N < 2) return;
    const double e = std::exp(dGridMotionRate * (dTime - dMovingGridT0));
    pRadius[1] = dMeniscus;
    for (int i = 2; i <= N - 1; i++) pRadius[i] = pFeRadius[i] * e;
    pRadius[N] = dBottom;
}

// Node radii in the cell at tau after the last regrid: interior nodes at
// R e^(k tau), the meniscus and the bottom where they are.
static void radiiAt(const CLammIdeal* p, double tau, double* r)
{
    const int N = p->nGridPoints;
    const double e = std::exp(p->dGridMotionRate * tau);
    r[1] = p->dMeniscus;
    for (int i = 2; i <= N - 1; i++) r[i] = p->pFeRadius[i] * e;
    r[N] = p->dBottom;
}

// Mass matrix M and transport matrix K on the node radii r, with the nodes
// moving at v_i = k r_i (the ends at rest):
//   d/dt (M c) = K c,  K_ij = int r phi_i' (w r - v) phi_j - D int r phi_i' phi_j',
// v interpolated by the hats. Every column of K sums to zero, so the amount
// sum_i (M c)_i is kept exactly.
struct Tri {
    double* lo;
    double* di;
    double* up;
};

static void movingMatrices(const CLammIdeal* p, const double* r, double w, Tri M, Tri K)
{
    const int N = p->nGridPoints;
    const double k = p->dGridMotionRate, D = p->dD;
    for (int i = 1; i <= N; i++) M.lo[i] = M.di[i] = M.up[i] = K.lo[i] = K.di[i] = K.up[i] = 0;
    for (int e = 1; e < N; e++) {
        const double a = r[e], b = r[e + 1], h = b - a;
        const double va = (e == 1) ? 0.0 : k * a, vb = (e + 1 == N) ? 0.0 : k * b;
        double ll, lr, rr;
        fe::mass(a, b, ll, lr, rr);
        const double p2 = (3 * a * a + 2 * a * b + b * b) / 12, q2 = (a * a + 2 * a * b + 3 * b * b) / 12;
        const double tL = w * p2 - (va * ll + vb * lr) / h;  // int r (w r - v) phi_L / h
        const double tR = w * q2 - (va * lr + vb * rr) / h;
        const double dif = D * fe::stiffness(a, b);
        M.di[e] += ll;
        M.up[e] += lr;
        M.lo[e + 1] += lr;
        M.di[e + 1] += rr;
        K.di[e] += -tL - dif;  // X = L: phi_L' = -1/h
        K.up[e] += -tR + dif;
        K.lo[e + 1] += tL + dif;  // X = R
        K.di[e + 1] += tR - dif;
    }
}

// One Crank-Nicolson step of length dt from the current time:
// (M1 - dt/2 K1) c1 = (M0 + dt/2 K0) c0.
static void solveMovingStep(CLammIdeal* p, double dt)
{
    const int N = p->nGridPoints;
    const double tau = p->dTime - p->dMovingGridT0;
    if (p->bRampRotorSpeed && p->bAccelerating) p->dRotorRpm = p->RotorSpeedOverStep(p->dTime, dt);
    const double wr = p->dRotorRpm * kRpmToOmega;
    const double w = wr * wr * p->dS * 1e-13;
    p->dSpeciesRate = w;
    const Tri m0{p->pMassLower, p->pMassDiag, p->pMassUpper}, k0{p->pStiffLower, p->pStiffDiag, p->pStiffUpper};
    const Tri m1{p->pSedLower, p->pSedDiag, p->pSedUpper}, k1{p->pDriftLower, p->pDriftDiag, p->pDriftUpper};
    radiiAt(p, tau, p->pWork);
    movingMatrices(p, p->pWork, w, m0, k0);
    radiiAt(p, tau + dt, p->pWork);
    movingMatrices(p, p->pWork, w, m1, k1);
    const double h = 0.5 * dt;
    const double* c = p->pConcOld;
    for (int i = 1; i <= N; i++) {
        double v = (m0.di[i] + h * k0.di[i]) * c[i];
        if (i > 1) v += (m0.lo[i] + h * k0.lo[i]) * c[i - 1];
        if (i < N) v += (m0.up[i] + h * k0.up[i]) * c[i + 1];
        p->pRhs[i] = v;
        p->pLeftLower[i] = i > 1 ? m1.lo[i] - h * k1.lo[i] : 0;
        p->pLeftDiag[i] = m1.di[i] - h * k1.di[i];
        p->pLeftUpper[i] = i < N ? m1.up[i] - h * k1.up[i] : 0;
    }
    // Thomas algorithm
    double* x = p->pConc;
    double* gam = p->pGam;
    double bet = p->pLeftDiag[1];
    bool ok = bet != 0.0;
    if (!ok) showErrorMessage("Error 1 in tridag", 0);
    if (ok) {
        x[1] = p->pRhs[1] / bet;
        for (int j = 2; j <= N && ok; j++) {
            gam[j] = p->pLeftUpper[j - 1] / bet;
            bet = p->pLeftDiag[j] - p->pLeftLower[j] * gam[j];
            if (bet == 0.0) {
                showErrorMessage("Error 2 in tridag", 0);
                ok = false;
                break;
            }
            x[j] = (p->pRhs[j] - p->pLeftLower[j] * x[j - 1]) / bet;
        }
        for (int j = N - 1; ok && j >= 1; j--) x[j] -= gam[j + 1] * x[j + 1];
    }
    if (!ok) {
        p->nAbort = 1;
        for (int i = 1; i <= N; i++) x[i] = c[i];
    }
    // a nearly diffusion-free boundary may pile up without limit at the end
    if (p->dD <= 2e-8) {
        if (p->dS > 0 && std::fabs(x[N]) >= 1e30) {
            for (int i = N - 20 > 1 ? N - 20 : 1; i <= N; i++)
                if (std::fabs(x[i]) > 1e35) x[i] *= 0.1;
        } else if (p->dS < 0 && std::fabs(x[1]) >= 1e15) {
            for (int i = 1; i <= 20 && i <= N; i++)
                if (std::fabs(x[i]) > 1e15) x[i] *= 0.1;
        }
    }
}

// The nodes have moved by one grid ratio: each interior node stands where its
// neighbour stood at the last regrid, so the profile moves one node along and
// the frame starts again from the present time. The node inserted next to one
// end lies on a straight piece of the profile; the node dropped at the other
// end hands its amount to the end element.
static void regridMoving(CLammIdeal* p)
{
    const int N = p->nGridPoints;
    if (N < 6) return;
    const double* R = p->pFeRadius;
    double* c = p->pConc;
    const double m = p->dMeniscus, b = p->dBottom;
    const double tau = p->dTime - p->dMovingGridT0;
    radiiAt(p, tau, p->pWork);
    const double* r = p->pWork;  // the old nodes in the cell now
    double wl, wr, ul, ur;
    if (p->dGridMotionRate >= 0) {
        // the last two old elements [r_(N-2), r_(N-1)], [r_(N-1), b] become [R_(N-1), b]
        fe::weight(r[N - 2], r[N - 1], wl, wr);
        double amount = wl * c[N - 2] + wr * c[N - 1];
        fe::weight(r[N - 1], b, ul, ur);
        amount += ul * c[N - 1] + ur * c[N];
        fe::weight(R[N - 1], b, wl, wr);
        double cN1 = c[N - 2], cN = (amount - wl * cN1) / wr;
        if (p->dS > 0 && cN < cN1) cN = cN1 = amount / (wl + wr);
        const double c2 = c[1] + (c[2] - c[1]) * (R[2] - m) / (r[2] - m);
        for (int i = N - 2; i >= 3; i--) c[i] = c[i - 1];
        c[2] = c2;
        c[N - 1] = cN1;
        c[N] = cN;
    } else {
        // the first two old elements [m, r_2], [r_2, r_3] become [m, R_2]
        fe::weight(m, r[2], wl, wr);
        double amount = wl * c[1] + wr * c[2];
        fe::weight(r[2], r[3], ul, ur);
        amount += ul * c[2] + ur * c[3];
        fe::weight(m, R[2], wl, wr);
        double c2 = c[3], c1 = (amount - wr * c2) / wl;
        if (p->dS < 0 && c1 < c2) c1 = c2 = amount / (wl + wr);
        const double cN1 = c[N] + (c[N - 1] - c[N]) * (R[N - 1] - b) / (r[N - 1] - b);
        for (int i = 3; i <= N - 2; i++) c[i] = c[i + 1];
        c[1] = c1;
        c[2] = c2;
        c[N - 1] = cN1;
    }
    for (int i = 1; i <= N; i++) p->pConcOld[i] = c[i];
    p->dMovingGridT0 = p->dTime;
}

static void commitMoving(CLammIdeal* p, double dt, bool onScan)
{
    p->nStepCount++;
    p->dTime += dt;
    if (onScan) p->dTime = p->dNextScanTime;
    const double regridAt = p->dMovingGridT0 + p->dNaturalStep;
    if (std::fabs(p->dTime - regridAt) < 1e-9 * (regridAt > 1 ? regridAt : 1)) p->dTime = regridAt;
    if (p->bRampRotorSpeed && p->bAccelerating && p->dTime >= p->dAccelEnd) {
        p->dRotorRpm = p->dFinalRpm;
        p->bAccelerating = 0;
    }
}

static bool atRegrid(const CLammIdeal* p)
{
    return std::fabs(p->dTime - p->dMovingGridT0 - p->dNaturalStep) < 1e-10 * (p->dNaturalStep > 1 ? p->dNaturalStep : 1);
}

// One step; returns dt for the first step of the run, else 1.0.
static double movingStep(CLammIdeal* p)
{
    const int N = p->nGridPoints;
    const bool first = p->nStepCount == 0;
    if (atRegrid(p)) regridMoving(p);
    const double t = p->dTime, t0 = p->dMovingGridT0, nat = p->dNaturalStep;
    double dt;
    bool shortened = false;
    if (!p->bGridSynchronousSteps) {
        dt = p->dMovingHatFixedStep;
        if (t + dt > t0 + nat) dt = t0 + nat - t;
    } else if (p->bFirstSyncStep) {
        if (p->bSyncStart) {
            dt = nat < 1.0 ? nat : 1.0;
            p->bSyncStart = 0;
        } else {
            dt = 0.1 * nat;
            p->bFirstSyncStep = 0;
            p->bSyncStepPending = 1;
        }
    } else if (p->bSyncStepPending) {
        dt = t0 + nat - t;
        p->bSyncStepPending = 0;
        p->bSyncStepToRegrid = 1;
    } else if (p->bSyncStepToRegrid) {
        dt = nat;
        p->bFullNaturalStep = 1;
        p->bSyncStepToRegrid = 0;
    } else {
        dt = t0 + nat - t;  // full natural steps follow one another
    }
    if (t + dt > t0 + nat) dt = t0 + nat - t;
    if (p->bRampRotorSpeed && p->bAccelerating) {
        if (dt > p->dMaxAccelStep) {
            dt = p->dMaxAccelStep;
            shortened = true;
        }
        if (t + dt > p->dAccelEnd && p->dAccelEnd > t) {
            dt = p->dAccelEnd - t;
            shortened = true;
        }
    }
    bool onScan = false;
    if (p->bNextScanPending && t + dt >= p->dNextScanTime) {
        dt = p->dNextScanTime - t;
        onScan = true;
        shortened = true;
    }
    if (p->bGridSynchronousSteps && shortened && !p->bFirstSyncStep) {
        p->bFullNaturalStep = 0;
        p->bSyncStepToRegrid = 0;
        p->bSyncStepPending = 1;
    }
    if (dt <= 0) {
        p->dTimeStep = 1.0;
        return 1.0;
    }
    for (int i = 1; i <= N; i++) p->pConcOld[i] = p->pConc[i];
    p->dTimeStep = dt;
    solveMovingStep(p, dt);
    if (p->bGridSynchronousSteps && !p->nAbort) {
        // a negative value at the meniscus (the base when floating) is
        // removed by shorter steps, and finally moved to the neighbour
        const bool floating = p->dS < 0;
        const int a = floating ? N : 1, nb = floating ? N - 1 : 2;
        while (p->pConc[a] < -0.001 * (p->dLoading > 0 ? p->dLoading : 1)) {
            if (dt > 0.1) {
                dt *= 0.5;
                onScan = false;
                p->bFullNaturalStep = 0;
                p->bSyncStepToRegrid = 0;
                p->bSyncStepPending = 1;
                for (int i = 1; i <= N; i++) p->pConc[i] = p->pConcOld[i];
                p->dTimeStep = dt;
                solveMovingStep(p, dt);
                if (p->nAbort) break;
            } else {
                radiiAt(p, p->dTime + dt - p->dMovingGridT0, p->pWork);
                p->pConc[nb] += hatWeight(p->pWork, N, a) * p->pConc[a] / hatWeight(p->pWork, N, nb);
                p->pConc[a] = 0;
                break;
            }
        }
    }
    if (p->nAbort) return 1.0;
    commitMoving(p, dt, onScan);
    if (p->bFullNaturalStep || atRegrid(p)) regridMoving(p);
    return first ? dt : 1.0;
}

void CLammIdeal::RunMovingGridEngine()
{
    const int N = nGridPoints;
    nAbort = nDiscretizationError = 0;
    bEndedEarly = bSteadyState = 0;
    if (bSpeedProfile || bInhomogeneousSolvent || N < 6 || !pFeRadius) {
        // speed profiles and solvent gradients are simulated on the static grid only
        nAbort = 1;
        return;
    }
    bFixedTimestep = 1;  // this engine always steps with its fixed step
    if (bAutoSGrid) dSGrid = dS;
    if (std::fabs(dSGrid) < 1 && dMaxDcOverCWork >= 1) dMaxDcOverCWork = 0.1;
    // the geometric grid in the frame, and the rates
    const double m = dMeniscus, b = dBottom, q = b / m;
    const double wf = dFinalRpm * kRpmToOmega;
    dGridMotionRate = wf * wf * dSGrid * 1e-13;
    dNaturalStep = dSGrid == 0 ? 1e10 : std::log(q) / ((N - 1) * std::fabs(dGridMotionRate));
    pFeRadius[1] = m;
    pFeRadius[N] = b;
    for (int i = 2; i <= N - 1; i++)
        pFeRadius[i] = m * std::pow(q, ((dSGrid >= 0 ? i - 1.5 : i - 0.5)) / (N - 1));
    // the concentration was set on the grid radii; carry it to the frame nodes
    for (int i = 1; i <= N; i++) pConcOld[i] = pConc[i];
    for (int i = 1; i <= N; i++) pWork[i] = pRadius[i];
    {
        int j = 1;
        for (int i = 1; i <= N; i++) {
            const double r = pFeRadius[i];
            while (j < N - 1 && pWork[j + 1] < r) j++;
            const double f = (r - pWork[j]) / (pWork[j + 1] - pWork[j]);
            pConc[i] = pConcOld[j] + (f < 0 ? 0 : (f > 1 ? 1 : f)) * (pConcOld[j + 1] - pConcOld[j]);
        }
    }
    for (int i = 1; i <= N; i++) pRadius[i] = pFeRadius[i];
    dMovingGridT0 = dTime;
    bMovingGridActive = 1;
    dTimeStep = 1.0;
    dMovingHatFixedStep = dSGrid != 0 ? dMaxDcOverCWork * dNaturalStep : dMaxDcOverCWork;
    bFullNaturalStep = bSyncStepPending = bSyncStepToRegrid = 0;
    if (dMovingHatFixedStep >= dNaturalStep) {
        dMovingHatFixedStep = dNaturalStep;
        bGridSynchronousSteps = bFirstSyncStep = 1;
    } else {
        bGridSynchronousSteps = bFirstSyncStep = 0;
    }
    bSyncStart = 1;
    int steady = 0, stalled = 0;
    while (bRunning && !nAbort && !nDiscretizationError) {
        const double dt0 = dTimeStep;
        const double before = dTime;
        const double qd = movingStep(this);
        if (nAbort) break;
        if (dTime > before) {
            stalled = 0;
        } else if (++stalled > 1000) {  // no progress: a failure, never an endless loop
            nDiscretizationError = 1;
            break;
        }
        CLEachIterationOutput(qd);
        const double rate = dt0 > 0 ? qd / dt0 : 1.0;
        if (dt0 >= 30 && rate < dMaxRelativeChange)
            steady++;
        else
            steady = 0;
        if (bRunning && steady > 10) {
            MapMovingGridToRadii();
            bEndedEarly = 1;
            bSteadyState = 1;
            FillRemainingScansWithProfile();
        }
    }
    MapMovingGridToRadii();
}
