// CLammIdeal: the time loop for concentration-dependent sedimentation (rapid
// self-association, non-ideal and hindered sedimentation) on the object's grid.
//
// Each step is a predictor-corrector Crank-Nicolson step: the coefficients are
// taken on the profile at the start of the step, a trial profile is computed,
// the coefficients are taken again as the mean of their values at the start and
// trial profiles, and the step is solved again from the start profile. The
// coefficients are linear within each element, so the transport matrix is
//   A_ij = sum_k (omega^2 s_k int r^2 phi_i' phi_j phi_k - D_k int r phi_i' phi_j' phi_k).
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "lamm/fe_elements.h"
#include "lamm/lamm_ideal.h"
#include "lamm/tridiagonal_blocks.h"
#include "lamm/nonideal_factors.h"
#include "lamm/solvent_laws.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"

namespace {
const double kRpmToOmega = 2.0 * M_PI / 60.0;

// Monomer concentration x of a monomer - n-mer system of total c = x + K x^n.
double monomerFromTotal(double c, double K, int n)
{
    if (c <= 0 || K <= 0) return c > 0 ? c : 0;
    if (n == 2) return 2 * c / (1 + std::sqrt(1 + 4 * K * c));  // the stable form of the root
    if (n == 3) {
        const double d = std::sqrt(c * c / (4 * K * K) + 1 / (27 * K * K * K));
        const double x = std::cbrt(c / (2 * K) + d) - std::cbrt(-c / (2 * K) + d);
        if (x > 0 && std::isfinite(x) && std::fabs(x + K * x * x * x - c) <= 1e-8 * c) return x;
    }
    // Newton on f(x) = x + K x^n - c from below the root (f is convex)
    double x = std::min(c, std::pow(c / K, 1.0 / n));
    for (int it = 0; it < 100; it++) {
        const double xn1 = std::pow(x, n - 1);
        const double f = x + K * xn1 * x - c, df = 1 + n * K * xn1;
        const double next = x - f / df;
        if (!(next > 0)) {
            x *= 0.5;
            continue;
        }
        if (std::fabs(next - x) <= 1e-15 * x) return next;
        x = next;
    }
    return x;
}

}  // namespace

void CLammIdeal::SetAssociationConstant(int nStoichiometry, double K)
{
    nAssocStoichiometry = nStoichiometry >= 2 ? nStoichiometry : 2;
    dAssocConstant = K > 0 ? K : 0;
    nReactModel = 1;
}

namespace {

// What one run of the reacting loop works with.
struct ReactState {
    int nF = 1;         // fields propagated
    double* s0 = nullptr;  // [1..nF] s and D at infinite dilution
    double* D0 = nullptr;
    double* coef = nullptr;  // signal per unit of each field
    double** prev = nullptr;
    double** trial = nullptr;
    double** older = nullptr;  // the fields at the start of the step before (nullptr: none kept)
    double olderStep = 0;      // that step's length; 0 while there is none
    double** sPrev = nullptr;  // node coefficients on the start profile, per field
    double** dPrev = nullptr;
    double* total = nullptr;  // work: total concentration at the nodes
    double* rhs = nullptr;
    double* gam = nullptr;
    double sOligomer = 0, dOligomer = 0;
    double ks = 0, kd = 0;  // per unit of concentration
    int repeats = 0;
    // the element integrals of the grid, eight per element (mass LL, LR, RR;
    // int r phi' phi' phi_L and phi_R; int r^2 phi_R' phi_Y phi_Z for LL, LR, RR)
    std::vector<double> geometry;
    std::vector<double> lo, di, up;  // the step's matrix
    lamm::BlockTridiagonal solver;
};

}  // namespace

// Node coefficients of field f over the profile (fields c[1..nF][1..N]).
static void coefficients(const CLammIdeal* p, const ReactState& st, double** c, int f, double* s, double* D)
{
    const int N = p->nGridPoints;
    if (p->nReactModel == 1 && p->nAssocStoichiometry == 2 && p->dAssocConstant > 0) {
        // monomer - dimer: with q = sqrt(1 + 4 K c) the dimer to monomer ratio
        // is u = K x = (q - 1) / 2, so s = (2 s1 + (q - 1) s2) / (q + 1) and
        // D = (D1 + (q - 1) D2) / q (the total c from all fields)
        const double K = p->dAssocConstant, s1 = st.s0[1], D1 = st.D0[1], s2 = st.sOligomer, D2 = st.dOligomer;
        for (int i = 1; i <= N; i++) {
            double tot = c[1][i];
            for (int g = 2; g <= st.nF; g++) tot += c[g][i];
            const double q = tot > 0 ? std::sqrt(1 + 4 * K * tot) : 1.0;
            const double inv = 1.0 / ((q + 1) * q);
            s[i] = (2 * s1 + (q - 1) * s2) * q * inv;
            D[i] = (D1 + (q - 1) * D2) * (q + 1) * inv;
        }
        return;
    }
    if (p->nReactModel != 1 && p->nReactModel != 3 && !p->bHindered) {
        // the plain non-ideality of the total: s0 / (1 + ks c), D0 (1 + kd c)
        const double s0 = st.s0[f], D0 = st.D0[f], ks = st.ks, kd = st.kd;
        const double* c1 = c[1];
        for (int i = 1; i <= N; i++) {
            double tot = c1[i];
            for (int g = 2; g <= st.nF; g++) tot += c[g][i];
            s[i] = s0 / (1 + ks * tot);
            D[i] = D0 * (1 + kd * tot);
        }
        return;
    }
    for (int i = 1; i <= N; i++) {
        double tot = 0;
        for (int g = 1; g <= st.nF; g++) tot += c[g][i];
        switch (p->nReactModel) {
        case 1: {  // rapid monomer - n-mer equilibrium of the total
            const int n = p->nAssocStoichiometry;
            const double x = monomerFromTotal(tot, p->dAssocConstant, n);
            double xn1 = x;  // x^(n-1), by multiplication for the usual small n
            if (n == 2)
                xn1 = x;
            else if (n == 3)
                xn1 = x * x;
            else if (n == 4)
                xn1 = x * x * x;
            else
                xn1 = std::pow(x, n - 1);
            const double u = (x > 0) ? p->dAssocConstant * xn1 : 0.0;  // n-mer to monomer
            if (!std::isfinite(u)) {
                s[i] = st.sOligomer;
                D[i] = st.dOligomer;
            } else {
                s[i] = (st.s0[1] + u * st.sOligomer) / (1 + u);
                D[i] = (st.D0[1] + n * u * st.dOligomer) / (1 + n * u);
            }
            break;
        }
        case 3: {  // a co-solute with s(c) and D(c) from its tables or the preset
            const double cm = tot;
            if (p->bCosolutePreset) {
                s[i] = cosolutePresetS(cm);
                D[i] = cosolutePresetD(cm);
            } else {
                s[i] = p->pSNonidTable ? coefficientPolynomial(p->pSNonidTable, p->nSNonidTable, cm) : st.s0[1];
                D[i] = p->pDNonidTable ? coefficientPolynomial(p->pDNonidTable, p->nDNonidTable, cm) : st.D0[1];
            }
            break;
        }
        default: {  // non-ideality of the total (model 2: one species, its own concentration)
            double fs, fd;
            if (p->bHindered) {
                const float cmg = (float)(tot / (p->dSignalPerMgMl > 0 ? p->dSignalPerMgMl : 1.0));
                fs = hinderedSFactor(cmg, (float)st.ks, p->fVbar, p->bHinderedLinear);
                fd = hinderedDFactor(cmg, (float)st.ks, p->fVbar, p->bHinderedLinear);
            } else {
                fs = 1 / (1 + st.ks * tot);
                fd = 1 + st.kd * tot;
            }
            s[i] = st.s0[f] * fs;
            D[i] = st.D0[f] * fd;
        }
        }
    }
}

// One Crank-Nicolson solve of a field from c_old with node coefficients s, D:
// (M - dt/2 A) c_new = (M + dt/2 A) c_old, A_ij = sum_k (omega^2 s_k int r^2
// phi_i' phi_j phi_k - D_k int r phi_i' phi_j' phi_k). The element integrals
// depend on the grid only and are taken once per run; the matrix and the
// right-hand side are made in one pass over the elements and solved in eight
// blocks side by side (tridiagonal_blocks.h).
static bool solveField(CLammIdeal* p, ReactState& st, const double* cOld, double* cNew, const double* s,
                       const double* D, double dt)
{
    const int N = p->nGridPoints;
    const double* r = p->pRadius;
    std::vector<double>& g = st.geometry;
    if ((int)g.size() != 8 * (N + 1)) {
        g.assign(8 * (N + 1), 0.0);
        for (int e = 1; e < N; e++) {
            double* x = &g[8 * e];
            fe::mass(r[e], r[e + 1], x[0], x[1], x[2]);
            fe::stiffnessTriple(r[e], r[e + 1], x[3], x[4]);
            fe::sedimentationTriple(r[e], r[e + 1], x[5], x[6], x[7]);
        }
        for (auto* v : {&st.lo, &st.di, &st.up}) v->assign(N + 2, 0.0);
    }
    const double w2 = std::pow(p->dRotorRpm * kRpmToOmega, 2) * 1e-13;
    const double h = 0.5 * dt;
    double* lo = st.lo.data();
    double* di = st.di.data();
    double* up = st.up.data();
    double* rhs = st.rhs;
    // row i gathers element i-1 (node i on its right) and element i (on its left)
    double dRight = 0, rRight = 0;  // diagonal of L and rhs from the element to the left
    for (int e = 1; e <= N; e++) {
        double dl = dRight, rl = rRight;
        if (e < N) {
            const double* x = &g[8 * e];
            const double dif = D[e] * x[3] + D[e + 1] * x[4];
            const double sedL = w2 * (s[e] * x[5] + s[e + 1] * x[6]);
            const double sedR = w2 * (s[e] * x[6] + s[e + 1] * x[7]);
            // A: (e, e) -sedL - dif, (e, e+1) -sedR + dif, (e+1, e) sedL + dif, (e+1, e+1) sedR - dif
            const double aee = -sedL - dif, aer = -sedR + dif, are = sedL + dif, arr = sedR - dif;
            dl += x[0] - h * aee;
            rl += (x[0] + h * aee) * cOld[e] + (x[1] + h * aer) * cOld[e + 1];
            up[e] = x[1] - h * aer;
            lo[e + 1] = x[1] - h * are;
            dRight = x[2] - h * arr;
            rRight = (x[1] + h * are) * cOld[e] + (x[2] + h * arr) * cOld[e + 1];
        }
        di[e] = dl;
        rhs[e] = rl;
    }
    lo[1] = 0;
    up[N] = 0;
    if (!st.solver.solve(N, lo, di, up, rhs, cNew)) {
        showErrorMessage("Error 2 in tridag", 0);
        p->nAbort = 1;
        for (int i = 1; i <= N; i++) cNew[i] = cOld[i];
        return false;
    }
    return true;
}

// Rotor speed for a step that starts at the current time.
static void speedForStep(CLammIdeal* p, double dt)
{
    if ((p->bRampRotorSpeed || p->bSpeedProfile) && p->bAccelerating)
        p->dRotorRpm = p->RotorSpeedOverStep(p->dTime, dt);
}

// Predictor: coefficients on the start profile, the trial profile. After the
// first step the trial profile is the start profile carried on along its
// change over the step before (second order, as the solve it saves); the first
// step solves for it with the start coefficients.
static bool predict(CLammIdeal* p, ReactState& st, double dt)
{
    const int N = p->nGridPoints;
    speedForStep(p, dt);
    for (int f = 1; f <= st.nF; f++) {
        coefficients(p, st, st.prev, f, st.sPrev[f], st.dPrev[f]);
        if (st.older && st.olderStep > 0) {
            const double a = dt / st.olderStep;
            const double* c = st.prev[f];
            const double* o = st.older[f];
            double* t = st.trial[f];
            for (int i = 1; i <= N; i++) {
                const double v = c[i] + a * (c[i] - o[i]);
                t[i] = v > 0 ? v : 0.0;
            }
        } else if (!solveField(p, st, st.prev[f], st.trial[f], st.sPrev[f], st.dPrev[f], dt)) {
            return false;
        }
    }
    return true;
}

// Corrector: mean coefficients of the start and trial profiles, solved into the fields.
static void correct(CLammIdeal* p, ReactState& st, double dt)
{
    const int N = p->nGridPoints;
    for (int f = 1; f <= st.nF; f++) {
        double* s = p->pLocalS;
        double* D = p->pLocalD;
        coefficients(p, st, st.trial, f, s, D);
        for (int i = 1; i <= N; i++) {
            s[i] = 0.5 * (s[i] + st.sPrev[f][i]);
            D[i] = 0.5 * (D[i] + st.dPrev[f][i]);
        }
        solveField(p, st, st.prev[f], p->ppFieldConc[f], s, D, dt);
    }
}

// Largest relative change of the total from the start to the trial profile.
static double maxRelativeChange(CLammIdeal* p, ReactState& st)
{
    const int N = p->nGridPoints;
    double* c = p->pWork;  // trial total
    double* q = st.total;  // start total
    double top = 0;
    for (int i = 1; i <= N; i++) {
        c[i] = q[i] = 0;
        for (int f = 1; f <= st.nF; f++) {
            c[i] += st.trial[f][i];
            q[i] += st.prev[f][i];
        }
        if (c[i] > top) top = c[i];
    }
    const double h = 1e-4 * top;
    double E = 0;
    if (c[N] > h && q[N] >= h) E = std::fabs((c[N] - q[N]) / q[N]);
    for (int i = N - 1; i >= 1; i--) {
        if (c[i] < -1e-8 * (top > 1 ? top : 1)) {
            p->dMaxDcOverCWork *= 0.5;
            p->dMaxDcOverCLow *= 0.5;
            p->dMaxDcOverCHigh *= 0.5;
            st.repeats++;
            return 2 * p->dMaxDcOverCWork;
        }
        const double d = c[i] - q[i];
        double ref = 0;
        if (q[i] > h)
            ref = q[i];
        else if (std::fabs(d) > h) {
            if (q[i + 1] > h)
                ref = q[i + 1];
            else if (i > 1 && q[i - 1] > h)
                ref = q[i - 1];
        }
        if (ref > 0 && std::fabs(d / ref) > E) E = std::fabs(d / ref);
    }
    return E;
}

static void commit(CLammIdeal* p, double dt, bool onScan)
{
    p->nStepCount++;
    p->dTime += dt;
    if (onScan) p->dTime = p->dNextScanTime;
    if (p->bRampRotorSpeed && !p->bSpeedProfile && p->bAccelerating && p->dTime >= p->dAccelEnd) {
        p->dRotorRpm = p->dFinalRpm;
        p->bAccelerating = 0;
    }
    if (p->bSpeedProfile && !p->bProfileFinished) {
        p->UpdateAccelerationPhase(p->dTime);
        if (!p->bAccelerating) p->dRotorRpm = p->pStepRpm[p->nCurrentSpeedStep];
    }
}

static double capStep(CLammIdeal* p, ReactState& st, double dt, double prev)
{
    if (dt > 10 * prev) dt = 10 * prev;
    if (dt > p->dMaxTimeStep) dt = p->dMaxTimeStep;
    if (dt < 1e-15) {
        dt = 1e-15;
        st.repeats++;
    }
    if (dt < 0.1 * prev) dt = 0.1 * prev;
    return dt;
}

// One step; returns the relative change (dt for the first step, 1.0 for a step
// that lands on a scan time).
static double reactingStep(CLammIdeal* p, ReactState& st)
{
    const int N = p->nGridPoints;
    for (int f = 1; f <= st.nF; f++)
        for (int i = 1; i <= N; i++) st.prev[f][i] = p->ppFieldConc[f][i];
    if (p->bFixedTimestep) p->dTimeStep = p->dMaxDcOverCWork;
    const double proposal = p->dTimeStep;
    bool clipped = false;
    p->ClipTimeStepToAcceleration(true, &clipped);
    bool onScan = false;
    if (p->bNextScanPending && p->dTime + p->dTimeStep >= p->dNextScanTime) {
        p->dTimeStep = p->dNextScanTime - p->dTime;
        onScan = true;
    }
    if (p->dTimeStep <= 0) {
        p->dTimeStep = 1.0;
        return 1.0;
    }
    double dt = p->dTimeStep;
    if (!predict(p, st, dt)) return 0;
    if (onScan && p->nStepCount > 0) {
        correct(p, st, dt);
        commit(p, dt, true);
        p->dTimeStep = proposal;
        return 1.0;
    }
    if (p->nStepCount == 0) {
        correct(p, st, dt);
        commit(p, dt, onScan);
        return dt;
    }
    double q = maxRelativeChange(p, st);
    if (!p->bFixedTimestep) {
        while (q > p->dMaxDcOverCWork) {
            if (st.repeats > 10) {
                p->nDiscretizationError = 1;
                return q;
            }
            if (p->nAbort) return q;
            const double a = q == 0 ? 0 : (p->dMaxDcOverCHigh / q) * dt;
            const double b = dt / p->dStepDivisor;
            double np = (a - b) * p->dStepBlend + b;
            if (np >= 0.8 * dt && np <= 1.2 * dt) np *= 0.5;
            np = capStep(p, st, np, dt);
            p->dTimeStep = np;
            clipped = false;
            p->ClipTimeStepToAcceleration(true, &clipped);
            dt = p->dTimeStep;
            onScan = p->bNextScanPending && p->dTime + dt == p->dNextScanTime;
            if (!predict(p, st, dt)) return 0;
            q = maxRelativeChange(p, st);
        }
        correct(p, st, dt);
        commit(p, dt, onScan);
        st.repeats = 0;
        if (q == 0) {
            p->dTimeStep = 10 * dt;
        } else if (q < p->dMaxDcOverCLow) {
            const double a = (p->dMaxDcOverCHigh / q) * dt;
            const double b = dt * p->dStepDivisor;
            double np = (a - b) * p->dStepBlend + b;
            if (np >= 0.9 * dt && np <= 1.1 * dt) np *= 2;
            p->dTimeStep = capStep(p, st, np, dt);
        } else {
            p->dTimeStep = dt;
        }
        // the accuracy of the boundary, as on the static grid of the ideal species
        p->dTimeStep = std::min(p->dTimeStep, p->AccuracyStepCap());
    } else {
        correct(p, st, dt);
        commit(p, dt, onScan);
    }
    clipped = false;
    p->ClipTimeStepToAcceleration(false, &clipped);
    return q;
}

void CLammIdeal::RunReactingTimeSteps()
{
    const int N = nGridPoints;
    ReactState st;
    // the fields: one total for a rapid equilibrium, one per species otherwise
    const bool species = nReactModel == 0 && nReactSpecies > 0 && pReactSpecies1 && pReactSpecies2 && pReactSpecies3;
    st.nF = species ? nReactSpecies : 1;
    st.s0 = dvector(1, st.nF);
    st.D0 = dvector(1, st.nF);
    st.coef = dvector(1, st.nF);
    if (species) {
        for (int f = 1; f <= st.nF; f++) {
            st.s0[f] = pReactSpecies2[f];
            st.D0[f] = pReactSpecies3[f];
            st.coef[f] = pReactSpecies4 ? pReactSpecies4[f] : 1.0;
        }
    } else {
        st.s0[1] = dS;
        st.D0[1] = dD;
        st.coef[1] = 1.0;
    }
    if (nReactModel == 1) {  // the oligomer is the second species of the self-association
        st.sOligomer = (nReactSpecies >= 2 && pReactSpecies2) ? pReactSpecies2[2] : dS;
        st.dOligomer = (nReactSpecies >= 2 && pReactSpecies3) ? pReactSpecies3[2] : dD;
    }
    if (nReactModel == 2) {
        st.ks = dNonidealKs;
        st.kd = dNonidealKd;
    } else if (nReactModel == 0) {
        // the non-ideal multiple-species model: log10 coefficients per mg/ml,
        // attractive unless the repulsive option is on; hindered as they stand
        const double signal = dReactValue > 0 ? dReactValue : 1.0;
        if (bReactFlagC) {
            bHindered = 1;
            dSignalPerMgMl = signal;
            st.ks = std::fabs(fReactPairA1);
        } else {
            const double sign = bReactFlagA ? 1.0 : -1.0;
            st.ks = sign * std::pow(10.0, fReactPairA1) / signal;
            st.kd = sign * std::pow(10.0, fReactPairB1) / signal;
        }
    }
    st.prev = dmatrix(1, st.nF, 1, N);
    st.older = dmatrix(1, st.nF, 1, N);
    st.trial = dmatrix(1, st.nF, 1, N);
    st.sPrev = dmatrix(1, st.nF, 1, N);
    st.dPrev = dmatrix(1, st.nF, 1, N);
    ppFieldConc = dmatrix(1, st.nF, 1, N);
    nReactFields = st.nF;
    nFieldPoints = N;
    st.total = dvector(1, N);
    st.rhs = dvector(1, N);
    st.gam = dvector(1, N);
    // the loading: the profile set on the grid, split over the species by their loadings
    for (int f = 1; f <= st.nF; f++)
        for (int i = 1; i <= N; i++) {
            const double shape = species ? (dLoading != 0 ? pConc[i] / dLoading : (pConc[i] != 0 ? 1.0 : 0.0)) : 1.0;
            ppFieldConc[f][i] = species ? pReactSpecies1[f] * shape : pConc[i];
        }
    auto publish = [&] {
        for (int i = 1; i <= N; i++) {
            double v = 0;
            for (int f = 1; f <= st.nF; f++) v += st.coef[f] * ppFieldConc[f][i];
            pConc[i] = v;
        }
    };
    publish();
    double ctot1 = 0;
    for (int f = 1; f <= st.nF; f++) ctot1 += ppFieldConc[f][1];
    if (!bHindered && (nReactModel == 0 || nReactModel == 2) && st.ks * ctot1 > 1) {
        nNonidealOutOfRange = 1;  // no step: the model does not hold at this loading
        bRunning = 0;
    }
    dMaxTimeStep = bFixedStepLimit ? dFixedStepLimit : 1000;
    nStepCount = 0;
    int steady = 0;
    while (bRunning && !nAbort && !nDiscretizationError && !nNonidealOutOfRange) {
        const double before = dTime;
        const double q = reactingStep(this, st);
        publish();
        if (nAbort || nDiscretizationError) break;
        const double used = dTime - before;
        if (used > 0) {  // the start of this step is the history of the next
            std::swap(st.older, st.prev);
            st.olderStep = used;
        }
        CLEachIterationOutput(q);
        const double rate = used > 0 ? q / used : 1.0;
        if (used >= 30 && rate < dMaxRelativeChange)
            steady++;
        else
            steady = 0;
        if (bRunning && steady > 10) {
            bEndedEarly = 1;
            bSteadyState = 1;
            FillRemainingScansWithProfile();
        }
    }
    free_dmatrix(st.prev, 1, st.nF, 1, N);
    free_dmatrix(st.older, 1, st.nF, 1, N);
    free_dmatrix(st.trial, 1, st.nF, 1, N);
    free_dmatrix(st.sPrev, 1, st.nF, 1, N);
    free_dmatrix(st.dPrev, 1, st.nF, 1, N);
    free_dmatrix(ppFieldConc, 1, st.nF, 1, N);
    ppFieldConc = nullptr;
    nReactFields = 0;
    free_dvector(st.total, 1, N);
    free_dvector(st.rhs, 1, N);
    free_dvector(st.gam, 1, N);
    free_dvector(st.s0, 1, st.nF);
    free_dvector(st.D0, 1, st.nF);
    free_dvector(st.coef, 1, st.nF);
}

// One predictor-corrector step of the profile on the grid, the profile being
// its own single field (the co-solute sub-solver's non-ideal co-solute).
bool CLammIdeal::PredictorCorrectorStep(double dt)
{
    const int N = nGridPoints;
    ReactState st;
    st.nF = 1;
    st.s0 = dvector(1, 1);
    st.D0 = dvector(1, 1);
    st.s0[1] = dS;
    st.D0[1] = dD;
    st.prev = dmatrix(1, 1, 1, N);
    st.trial = dmatrix(1, 1, 1, N);
    st.sPrev = dmatrix(1, 1, 1, N);
    st.dPrev = dmatrix(1, 1, 1, N);
    st.rhs = dvector(1, N);
    st.gam = dvector(1, N);
    double** fields = dmatrix(1, 1, 1, N);
    ppFieldConc = fields;
    for (int i = 1; i <= N; i++) st.prev[1][i] = pConc[i];
    const int abortBefore = nAbort;
    nAbort = 0;
    bool ok = predict(this, st, dt);
    if (ok) {
        correct(this, st, dt);
        ok = !nAbort;
    }
    for (int i = 1; i <= N; i++) pConc[i] = ok ? fields[1][i] : st.prev[1][i];
    nAbort = abortBefore;
    ppFieldConc = nullptr;
    free_dmatrix(fields, 1, 1, 1, N);
    free_dmatrix(st.prev, 1, 1, 1, N);
    free_dmatrix(st.trial, 1, 1, 1, N);
    free_dmatrix(st.sPrev, 1, 1, 1, N);
    free_dmatrix(st.dPrev, 1, 1, 1, N);
    free_dvector(st.rhs, 1, N);
    free_dvector(st.gam, 1, N);
    free_dvector(st.s0, 1, 1);
    free_dvector(st.D0, 1, 1);
    return ok;
}
