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
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "lamm/double_pairs.h"
#include "lamm/fe_elements.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_nonideal.h"
#include "lamm/reacting_passes.h"
#include "lamm/tridiagonal_blocks.h"
#include "lamm/nonideal_factors.h"
#include "lamm/solvent_laws.h"
#include "numerics/cpu_features.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"

namespace {
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

// Node coefficients of one field: per node in s[1..N] and D[1..N], or, where
// every node has the same value (the model in its ideal limit, or a profile
// the law does not tell apart), that value alone.
struct Coefficients {
    double* s = nullptr;
    double* D = nullptr;
    bool uniform = false;
    double sU = 0, dU = 0;
};

// A factorised left matrix with the right matrix of its step, kept for the
// next steps while the coefficients are uniform with the same values and the
// step and the rotor speed stay the same.
struct StepMatrix {
    std::vector<double> lo, di, up;  // left (lo and up stay the factorisation's)
    std::vector<double> rl, rd, rb;  // right: row i is rl c_(i-1) + rd c_i + rb c_(i+1)
    lamm::BlockTridiagonal solver;
    bool valid = false;
    double sU = 0, dU = 0, w2 = 0, dt = 0;
};

struct Range {
    bool known = false;
    bool ok = false;  // false: a value is not a number
    double lo = 0, hi = 0;
};

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
    std::vector<Coefficients> kPrev;  // [1..nF]: those coefficients (uniform or in sPrev, dPrev)
    double* total = nullptr;  // work: total concentration at the nodes
    double* rhs = nullptr;
    double* gam = nullptr;
    double sOligomer = 0, dOligomer = 0;
    double ks = 0, kd = 0;  // per unit of concentration
    int repeats = 0;
    // the element integrals of the grid, eight per element (mass LL, LR, RR;
    // int r phi' phi' phi_L and phi_R; int r^2 phi_R' phi_Y phi_Z for LL, LR, RR)
    std::vector<double> geometry;
    StepMatrix matrices[2];  // the current one and a spare (a step cut to a scan time, then the step before)
    int current = 0;
    // the smallest and largest total of the start and the trial profile, where
    // a pass over them has taken them on the way (one field only)
    Range rangePrev, rangeTrial;
    // The cleared region behind a sedimenting boundary (one field only): rows
    // below k0 are 0 in every profile and left out of the passes and solves,
    // as on the static grid of the ideal species; the first active row moves
    // on while the profile there is below a hundredth of the truncation level.
    bool truncate = false;
    int first = 1, k0 = 1;
    double cleared = 0;
    int retreats = 0;
    double loadingTop = 0;  // the largest total at the start of the run
    double sharpWidth = 0;  // the width a self-sharpening boundary keeps (0: none)
    bool idealLimit = false;  // the coefficients on the start profile are uniform
    // With one field, after the first step, the profile lives in prev between
    // steps (and is the start of the next), the fields take the next one.
    bool prevCurrent = false;
    bool changeKnown = false;  // the trial's relative change was taken with the trial (one field)
    double change = 0;
    const StepMatrix* rhsReady = nullptr;  // st.rhs holds its right-hand side of st.prev[1] from row rhsFrom on
    int rhsFrom = 1;
};

}  // namespace

static bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The smallest and largest total over the nodes (false when one is not a
// number). With several fields the totals are left in st.total.
static bool totalRange(const ReactState& st, double** c, int N, double& lo, double& hi)
{
    const double* t = c[1];
    const int k0 = st.nF > 1 ? 1 : st.k0;
    if (st.nF > 1) {
        if (!st.total) return false;
        for (int i = 1; i <= N; i++) {
            double v = c[1][i];
            for (int g = 2; g <= st.nF; g++) v += c[g][i];
            st.total[i] = v;
        }
        t = st.total;
    }
    lamm::Pair mn = lamm::splat(k0 > 1 ? 0.0 : t[1]), mx = mn;  // the rows below k0 are 0
    lamm::PairMask bad = {0, 0};
    int i = k0;
    for (; i + 1 <= N; i += 2) {
        const lamm::Pair x = lamm::loadPair(t + i);
        bad |= x != x;
        mn = x < mn ? x : mn;
        mx = mx < x ? x : mx;
    }
    lo = std::min(mn[0], mn[1]);
    hi = std::max(mx[0], mx[1]);
    for (; i <= N; i++) {
        if (t[i] != t[i]) return false;
        lo = std::min(lo, t[i]);
        hi = std::max(hi, t[i]);
    }
    return !lamm::anyLane(bad);
}

// Node coefficients of field f over the profile (fields c[1..nF][1..N]) into
// k.s and k.D, or k's uniform values. The laws of the total below are
// monotone in it, and so is each rounded operation: where the law gives the
// same factors at the smallest and the largest total, it gives them at every
// node (the model in its ideal limit), and the values are the same to the bit
// as node by node.
static void coefficients(const CLammIdeal* p, const ReactState& st, double** c, int f, Coefficients& k,
                         const Range& range)
{
    k.uniform = false;
    double* s = k.s;
    double* D = k.D;
    if (p->pMeanField) {  // the non-ideality of the whole sample's ctot(r, t), not of this profile
        meanFieldCoefficients(p, st.s0[f], st.D0[f], st.ks, st.kd, s, D);
        return;
    }
    const int N = p->nGridPoints;
    double lo = range.lo, hi = range.hi;
    auto known = [&] { return range.known ? range.ok : totalRange(st, c, N, lo, hi); };
    if (p->nReactModel == 1 && p->nAssocStoichiometry == 2 && p->dAssocConstant > 0) {
        // monomer - dimer: with q = sqrt(1 + 4 K c) the dimer to monomer ratio
        // is u = K x = (q - 1) / 2, so s = (2 s1 + (q - 1) s2) / (q + 1) and
        // D = (D1 + (q - 1) D2) / q (the total c from all fields)
        const double K = p->dAssocConstant, s1 = st.s0[1], D1 = st.D0[1], s2 = st.sOligomer, D2 = st.dOligomer;
        if (known()) {
            const double qlo = lo > 0 ? std::sqrt(1 + 4 * K * lo) : 1.0;
            const double qhi = hi > 0 ? std::sqrt(1 + 4 * K * hi) : 1.0;
            if (sameBits(qlo, qhi)) {
                const double q = qlo, inv = 1.0 / ((q + 1) * q);
                k.sU = (2 * s1 + (q - 1) * s2) * q * inv;
                k.dU = (D1 + (q - 1) * D2) * (q + 1) * inv;
                k.uniform = true;
                return;
            }
        }
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
        if (known() && sameBits(1 + ks * lo, 1 + ks * hi) && sameBits(1 + kd * lo, 1 + kd * hi)) {
            k.sU = s0 / (1 + ks * lo);
            k.dU = D0 * (1 + kd * lo);
            k.uniform = true;
            return;
        }
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

// Right-hand side (M + dt/2 A) c_old of a kept step matrix, the products
// summed as in the assembly (the element to the left of a row, then the one to
// its right).
static void rightHandSide(const StepMatrix& m, const double* c, double* b, int N, int k0)
{
    const double* rl = m.rl.data();
    const double* rd = m.rd.data();
    const double* rb = m.rb.data();
    int e = k0;
    if (k0 == 1) {
        b[1] = rd[1] * c[1] + rb[1] * c[2];
        e = 2;
    }
    using lamm::loadPair;
    for (; e + 1 <= N - 1; e += 2)
        lamm::storePair(b + e, loadPair(rl + e) * loadPair(c + e - 1) + loadPair(rd + e) * loadPair(c + e) +
                                   loadPair(rb + e) * loadPair(c + e + 1));
    for (; e <= N - 1; e++) b[e] = rl[e] * c[e - 1] + rd[e] * c[e] + rb[e] * c[e + 1];
    b[N] = rl[N] * c[N - 1] + rd[N] * c[N];
}

static double omega2(const CLammIdeal* p) { return std::pow(p->dRotorRpm * kRpmToOmega, 2) * 1e-13; }

// The kept step matrix of uniform coefficients k, the step dt and the
// current rotor speed (the current one first, then the spare), or none.
static StepMatrix* keptMatrix(const CLammIdeal* p, ReactState& st, const Coefficients& k, double dt)
{
    const double w2 = omega2(p);
    for (int which : {st.current, 1 - st.current}) {
        StepMatrix& m = st.matrices[which];
        if (m.valid && sameBits(m.sU, k.sU) && sameBits(m.dU, k.dU) && sameBits(m.w2, w2) && sameBits(m.dt, dt))
            return &m;
    }
    return nullptr;
}

// One Crank-Nicolson solve of a field from c_old with node coefficients k:
// (M - dt/2 A) c_new = (M + dt/2 A) c_old, A_ij = sum_k (omega^2 s_k int r^2
// phi_i' phi_j phi_k - D_k int r phi_i' phi_j' phi_k). The element integrals
// depend on the grid only and are taken once per run; the matrix and the
// right-hand side are made in one pass over the elements and solved in sixteen
// blocks side by side (tridiagonal_blocks.h). With uniform coefficients the
// factorised matrix of the same coefficients, step and speed is used again
// (it is the same to the bit): the one of the step before, or the spare one
// kept when that step was cut to a scan time.
static bool solveField(CLammIdeal* p, ReactState& st, const double* cOld, double* cNew, const Coefficients& k,
                       double dt)
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
        for (StepMatrix& m : st.matrices) {
            for (auto* v : {&m.lo, &m.di, &m.up, &m.rl, &m.rd, &m.rb}) v->assign(N + 2, 0.0);
            m.valid = false;
        }
    }
    const double w2 = omega2(p);
    const StepMatrix* ready = st.rhsReady;
    st.rhsReady = nullptr;
    if (k.uniform) {
        if (StepMatrix* m = keptMatrix(p, st, k, dt)) {
            st.current = (int)(m - st.matrices);
            if (!(m == ready && cOld == st.prev[1] && st.rhsFrom == st.k0)) rightHandSide(*m, cOld, st.rhs, N, st.k0);
            m->solver.solve(st.rhs, cNew, st.k0);
            return true;
        }
        st.current = 1 - st.current;  // the current matrix becomes the spare
    }
    StepMatrix& m = st.matrices[st.current];
    m.valid = false;
    const double h = 0.5 * dt;
    double* lo = m.lo.data();
    double* di = m.di.data();
    double* up = m.up.data();
    double* rl = m.rl.data();
    double* rd = m.rd.data();
    double* rb = m.rb.data();
    const double* s = k.s;
    const double* D = k.D;
    // row i gathers element i-1 (node i on its right) and element i (on its left)
    double dRight = 0, rRight = 0;  // diagonals of L and R from the element to the left
    for (int e = 1; e <= N; e++) {
        double dl = dRight, rowR = rRight;
        if (e < N) {
            const double* x = &g[8 * e];
            const double sl = k.uniform ? k.sU : s[e], sr = k.uniform ? k.sU : s[e + 1];
            const double Dl = k.uniform ? k.dU : D[e], Dr = k.uniform ? k.dU : D[e + 1];
            const double dif = Dl * x[3] + Dr * x[4];
            const double sedL = w2 * (sl * x[5] + sr * x[6]);
            const double sedR = w2 * (sl * x[6] + sr * x[7]);
            // A: (e, e) -sedL - dif, (e, e+1) -sedR + dif, (e+1, e) sedL + dif, (e+1, e+1) sedR - dif
            const double aee = -sedL - dif, aer = -sedR + dif, are = sedL + dif, arr = sedR - dif;
            dl += x[0] - h * aee;
            rowR += x[0] + h * aee;
            rb[e] = x[1] + h * aer;
            up[e] = x[1] - h * aer;
            lo[e + 1] = x[1] - h * are;
            dRight = x[2] - h * arr;
            rl[e + 1] = x[1] + h * are;
            rRight = x[2] + h * arr;
        }
        di[e] = dl;
        rd[e] = rowR;
    }
    rightHandSide(m, cOld, st.rhs, N, st.k0);
    lo[1] = 0;
    up[N] = 0;
    if (m.solver.factor(N, lo, di, up)) {
        m.solver.solve(st.rhs, cNew, st.k0);
    } else {
        showErrorMessage("Error 2 in tridag", 0);
        p->nAbort = 1;
        for (int i = 1; i <= N; i++) cNew[i] = cOld[i];
        m.valid = false;
        return false;
    }
    if (k.uniform) {
        m.valid = true;
        m.sU = k.sU;
        m.dU = k.dU;
        m.w2 = w2;
        m.dt = dt;
    }
    return true;
}

// Rotor speed for a step that starts at the current time.
static void speedForStep(CLammIdeal* p, double dt)
{
    if ((p->bRampRotorSpeed || p->bSpeedProfile) && p->bAccelerating)
        p->dRotorRpm = p->RotorSpeedOverStep(p->dTime, dt);
}

// The change of node i from the start profile q to the trial c, relative to
// q there, or, for a start value at or below h with a change beyond h, to a
// neighbour's start value; E becomes it where it is larger.
static inline void nodeChange(const double* c, const double* q, int i, double h, double& E)
{
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

// The threshold of the step control: changes below 1e-4 of the profile's top
// are not looked at, the top taken at most as the largest loading, as on the
// static grid of the ideal species, whose steep boundary has no layer at the
// cell end. (The layer rises to hundreds of times the loading, and measured
// against it the boundary's tails go unseen: in the ideal limit steps twice as
// long and twice the error of the ideal solve at 20 S; with the monomer - dimer
// at K = 10 the draining trailing edge swung to -6e-5 of the loading.)
static double changeThreshold(const ReactState& st, double top)
{
    return 1e-4 * (st.loadingTop > 0 ? std::min(top, st.loadingTop) : top);
}

// Predictor: coefficients on the start profile, the trial profile. After the
// first step the trial profile is the start profile carried on along its
// change over the step before (second order, as the solve it saves); the first
// step solves for it with the start coefficients.
static bool predict(CLammIdeal* p, ReactState& st, double dt)
{
    const int N = p->nGridPoints;
    speedForStep(p, dt);
    st.idealLimit = true;
    for (int f = 1; f <= st.nF; f++) {
        Coefficients& k = st.kPrev[f];
        k.s = st.sPrev[f];
        k.D = st.dPrev[f];
        coefficients(p, st, st.prev, f, k, st.rangePrev);
        st.idealLimit &= k.uniform;
        st.rangeTrial.known = false;
        st.changeKnown = false;
        if (st.older && st.olderStep > 0) {
            const double a = dt / st.olderStep;
            const double* c = st.prev[f];
            const double* o = st.older[f];
            double* t = st.trial[f];
            // Two at a time, with the trial's range on the way (it is not
            // negative) and, with one field, its relative change as
            // maxRelativeChange takes it, for the threshold of a top at or
            // above the loading (the usual case; otherwise that pass follows).
            // With uniform coefficients whose step matrix is kept, the
            // right-hand side of the corrector (the same matrix when the
            // trial's coefficients are the same) is taken on the way too.
            using lamm::Pair, lamm::PairMask, lamm::loadPair, lamm::splat;
            const double hg = changeThreshold(st, HUGE_VAL);
            const Pair a2 = splat(a), zero = splat(0.0), h2 = splat(hg), generous = splat(1 + 1e-15);
            StepMatrix* m = st.nF == 1 && k.uniform ? keptMatrix(p, st, k, dt) : nullptr;
            const double* rl = m ? m->rl.data() : nullptr;
            const double* rd = m ? m->rd.data() : nullptr;
            const double* rb = m ? m->rb.data() : nullptr;
            double* b = st.rhs;
            double lo = st.k0 > 1 ? 0.0 : HUGE_VAL, hi = 0, E = 0;
            auto row = [&](int i) {  // one row the scalar way
                const double v = c[i] + a * (c[i] - o[i]);
                t[i] = v > 0 ? v : 0.0;
                lo = std::min(lo, t[i]);
                hi = std::max(hi, t[i]);
                if (i < N) nodeChange(t, c, i, hg, E);
                if (m) {
                    if (i == 1)
                        b[1] = rd[1] * c[1] + rb[1] * c[2];
                    else if (i == N)
                        b[N] = rl[N] * c[N - 1] + rd[N] * c[N];
                    else
                        b[i] = rl[i] * c[i - 1] + rd[i] * c[i] + rb[i] * c[i + 1];
                }
            };
            auto pass = [&](auto withRhs) {
                int i = st.k0;
                if (i == 1) row(i++);
#if defined(__x86_64__)
                // four at a time where the processor has AVX2; a group in which
                // a row may beat the largest change is looked at row by row
                while (processorHasAvx2()) {
                    bool flagged = false;
                    i = reactingTrialAvx2(c, o, t, a, rl, rd, rb, decltype(withRhs)::value ? b : nullptr, i, N - 1, hg,
                                          1 + 1e-15, E, lo, hi, flagged);
                    if (!flagged) break;
                    for (int q = i; q <= i + 3; q++) nodeChange(t, c, q, hg, E);
                    i += 4;
                }
#endif
                Pair mn = splat(lo), mx = splat(hi);
                for (; i + 1 <= N - 1; i += 2) {
                    const Pair ci = loadPair(c + i), v = ci + a2 * (ci - loadPair(o + i));
                    const Pair x = v > zero ? v : zero;
                    lamm::storePair(t + i, x);
                    if constexpr (decltype(withRhs)::value)
                        lamm::storePair(b + i, loadPair(rl + i) * loadPair(c + i - 1) + loadPair(rd + i) * ci +
                                                   loadPair(rb + i) * loadPair(c + i + 1));
                    mn = x < mn ? x : mn;
                    mx = mx < x ? x : mx;
                    const Pair d = lamm::absPair(x - ci);
                    const int big = lamm::laneBits(ci > h2);
                    if ((lamm::laneBits(d * generous > splat(E) * ci) & big) | (lamm::laneBits(d > h2) & ~big)) {
                        nodeChange(t, c, i, hg, E);
                        nodeChange(t, c, i + 1, hg, E);
                    }
                }
                lo = std::min(lo, std::min(mn[0], mn[1]));
                hi = std::max(hi, std::max(mx[0], mx[1]));
                for (; i <= N; i++) row(i);
            };
            if (m)
                pass(std::true_type{});
            else
                pass(std::false_type{});
            st.rhsReady = m;
            st.rhsFrom = st.k0;
            if (st.nF == 1) {
                st.rangeTrial = Range{true, true, lo, hi};
                const double h = changeThreshold(st, std::max(0.0, hi));
                if (st.idealLimit && sameBits(h, hg) && N > 1) {
                    double EN = 0;
                    if (t[N] > h && c[N] >= h) EN = std::fabs((t[N] - c[N]) / c[N]);
                    st.change = E > EN ? E : EN;
                    st.changeKnown = true;
                }
            }
        } else if (!solveField(p, st, st.prev[f], st.trial[f], k, dt)) {
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
        Coefficients k;
        k.s = p->pLocalS;
        k.D = p->pLocalD;
        coefficients(p, st, st.trial, f, k, st.nF == 1 ? st.rangeTrial : Range{});
        const Coefficients& a = st.kPrev[f];
        if (k.uniform && a.uniform) {
            k.sU = 0.5 * (k.sU + a.sU);
            k.dU = 0.5 * (k.dU + a.dU);
        } else {
            double* s = k.s;
            double* D = k.D;
            if (k.uniform) {
                std::fill(s + 1, s + N + 1, k.sU);
                std::fill(D + 1, D + N + 1, k.dU);
                k.uniform = false;
            }
            for (int i = 1; i <= N; i++) {
                s[i] = 0.5 * (s[i] + (a.uniform ? a.sU : a.s[i]));
                D[i] = 0.5 * (D[i] + (a.uniform ? a.dU : a.D[i]));
            }
        }
        solveField(p, st, st.prev[f], p->ppFieldConc[f], k, dt);
    }
}

// Largest relative change of the total from the start to the trial profile.
// Most nodes are their own reference: a pair of them is looked at closely only
// where one may beat the largest change so far (the test errs on the generous
// side, so the result is the exact largest |d / ref|) or needs a neighbour's
// reference.
static double maxRelativeChange(CLammIdeal* p, ReactState& st)
{
    if (st.nF == 1 && st.changeKnown) return st.change;
    const int N = p->nGridPoints;
    const double* c = st.trial[1];  // trial total
    const double* q = st.prev[1];   // start total
    if (st.nF > 1) {
        double* ct = p->pWork;
        double* qt = st.total;
        for (int i = 1; i <= N; i++) {
            ct[i] = qt[i] = 0;
            for (int f = 1; f <= st.nF; f++) {
                ct[i] += st.trial[f][i];
                qt[i] += st.prev[f][i];
            }
        }
        c = ct;
        q = qt;
    }
    using lamm::Pair, lamm::PairMask, lamm::loadPair, lamm::splat;
    const int k0 = st.nF > 1 ? 1 : st.k0;  // below it both are 0
    double top = 0;
    if (st.nF == 1 && st.rangeTrial.known) {
        top = std::max(0.0, st.rangeTrial.hi);
    } else {
        Pair t0 = splat(0.0), t1 = t0;
        int i = k0;
        for (; i + 3 <= N; i += 4) {
            t0 = lamm::maxPair(t0, loadPair(c + i));
            t1 = lamm::maxPair(t1, loadPair(c + i + 2));
        }
        for (; i <= N; i++)
            if (c[i] > top) top = c[i];
        top = std::max(std::max(top, std::max(t0[0], t0[1])), std::max(t1[0], t1[1]));
    }
    const double h = changeThreshold(st, top);
    double E = 0;
    if (c[N] > h && q[N] >= h) E = std::fabs((c[N] - q[N]) / q[N]);
    const double negative = -1e-8 * (top > 1 ? top : 1);
    auto exact = [&](int i) { nodeChange(c, q, i, h, E); };
    PairMask below = {0, 0};
    {
        const Pair h2 = splat(h), n2 = splat(negative), generous = splat(1 + 1e-15);
        int i = k0;
        for (; i + 1 <= N - 1; i += 2) {
            const Pair ci = loadPair(c + i), qi = loadPair(q + i), d = lamm::absPair(ci - qi);
            below |= (ci < n2) & (ci < qi);
            const int big = lamm::laneBits(qi > h2);
            if ((lamm::laneBits(d * generous > splat(E) * qi) & big) | (lamm::laneBits(d > h2) & ~big)) {
                exact(i);
                exact(i + 1);
            }
        }
        for (; i <= N - 1; i++) {
            if (c[i] < negative && c[i] < q[i]) below[0] = -1;
            exact(i);
        }
    }
    if (lamm::anyLane(below)) {
        p->dMaxDcOverCWork *= 0.5;
        p->dMaxDcOverCLow *= 0.5;
        p->dMaxDcOverCHigh *= 0.5;
        st.repeats++;
        return 2 * p->dMaxDcOverCWork;
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

// The front of the cleared region after a step: the first active row moves on
// while the mean of three magnitudes there is at or below the cleared level
// (a hundredth of the truncation level: every step sets the cleared rows to
// zero, which takes away what diffused into them), not beyond 95 % of the
// grid. Where the profile at the front grows back to ten times the truncation
// level, the cleared region is taken back by a tenth of the grid; after 50
// such returns the run goes on without a cleared region.
static void advanceFront(CLammIdeal* p, ReactState& st)
{
    if (!st.truncate) return;
    const int N = p->nGridPoints;
    const double* c = p->ppFieldConc[1];
    int k = st.first;
    if (k > 3 && k + 3 <= N) {
        const double a = 0.2 * (c[k - 1] + c[k] + c[k + 1] + c[k + 2] + c[k + 3]);
        if (a >= 1000 * st.cleared) {
            if (++st.retreats > 50) st.truncate = false;
            st.first = st.truncate ? std::max(1, k - std::max(10, N / 10)) : 1;
            st.k0 = st.first > 3 ? st.first - 1 : 1;
            return;
        }
    }
    int last = std::min(N - 10, (int)std::floor(0.95 * N) - 1);
    if (p->nLayerZoneFirst > 0) last = std::min(last, p->nLayerZoneFirst - 3);  // the layer's front comes there
    while (k <= last && (std::fabs(c[k]) + std::fabs(c[k + 1]) + std::fabs(c[k + 2])) / 3 <= st.cleared) k++;
    st.first = k;
    const int k0 = k > 3 ? k - 1 : 1;
    if (k0 > st.k0) {
        for (double* v : {p->ppFieldConc[1], st.prev[1], st.older[1], st.trial[1], p->pConc})
            std::fill(v + st.k0, v + k0, 0.0);
        st.k0 = k0;
    }
}

// The start profile of the next step (one field) is c: its range, and in the
// same pass, given q, its copy there, and, given pub, the published profile
// 0 + w c. Rows below k0 are 0 in all of them.
static void takeStart(CLammIdeal* p, ReactState& st, const double* c, double* q, double* pub, double w)
{
    const int N = p->nGridPoints;
    using lamm::Pair, lamm::loadPair;
    double lo0 = st.k0 > 1 ? 0.0 : c[1], hi0 = lo0;
    bool nan = false;
    int i = st.k0;
#if defined(__x86_64__)
    if (processorHasAvx2()) i = reactingStartAvx2(c, q, pub, w, i, N, lo0, hi0, nan);
#endif
    Pair mn = lamm::splat(lo0), mx = lamm::splat(hi0);
    lamm::PairMask bad = {nan ? -1LL : 0LL, 0};
    const Pair w2 = lamm::splat(w), zero = lamm::splat(0.0);
    for (; i + 1 <= N; i += 2) {
        const Pair x = loadPair(c + i);
        if (q) lamm::storePair(q + i, x);
        if (pub) lamm::storePair(pub + i, zero + w2 * x);
        bad |= x != x;
        mn = x < mn ? x : mn;
        mx = mx < x ? x : mx;
    }
    double lo = std::min(mn[0], mn[1]), hi = std::max(mx[0], mx[1]);
    bool ok = !lamm::anyLane(bad);
    for (; i <= N; i++) {
        if (q) q[i] = c[i];
        if (pub) pub[i] = 0.0 + w * c[i];
        ok &= c[i] == c[i];
        lo = std::min(lo, c[i]);
        hi = std::max(hi, c[i]);
    }
    st.rangePrev = Range{true, ok, lo, hi};
}

// Whether the trial profile of the first step has a total below zero (beyond
// rounding of the largest total).
static bool firstStepGoesNegative(const CLammIdeal* p, const ReactState& st)
{
    const int N = p->nGridPoints;
    double lo = 0, top = 0;
    for (int i = 1; i <= N; i++) {
        double v = 0;
        for (int f = 1; f <= st.nF; f++) v += st.trial[f][i];
        lo = std::min(lo, v);
        top = std::max(top, v);
    }
    return lo < -1e-8 * (top > 1 ? top : 1);
}

// One step; returns the relative change (dt for the first step, 1.0 for a step
// that lands on a scan time).
static double reactingStep(CLammIdeal* p, ReactState& st)
{
    const int N = p->nGridPoints;
    if (st.nF == 1) {
        if (!st.prevCurrent) takeStart(p, st, p->ppFieldConc[1], st.prev[1], nullptr, 0);
        st.prevCurrent = true;
    } else {
        for (int f = 1; f <= st.nF; f++)
            for (int i = 1; i <= N; i++) st.prev[f][i] = p->ppFieldConc[f][i];
    }
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
        // The first step is not measured against a step before it, but it may
        // not drive values below zero (on a fine grid a fast species leaves
        // the meniscus by several elements in it, and the trial profiles of the
        // steps after it, never negative, then differ from it by the same
        // amount whatever their step): a tenth of the step then, as often as
        // that takes.
        for (int cut = 0; cut < 20 && !p->bFixedTimestep && firstStepGoesNegative(p, st); cut++) {
            dt *= 0.1;
            p->dTimeStep = dt;
            onScan = false;
            if (!predict(p, st, dt)) return 0;
        }
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
        p->dTimeStep = std::min(p->dTimeStep, p->AccuracyStepCap(st.sharpWidth));
    } else {
        correct(p, st, dt);
        commit(p, dt, onScan);
    }
    clipped = false;
    p->ClipTimeStepToAcceleration(false, &clipped);
    return q;
}

// s and D at the total c of the loop's one-field models whose coefficients
// follow from the total alone (a rapid monomer - n-mer equilibrium, the
// non-ideality of one species, plain or hindered), as the steps take them;
// false for the others (several species, a co-solute, a mean field).
bool CLammIdeal::TotalLaw(double c, double* s, double* D) const
{
    if (pMeanField || c < 0) return false;
    if (nReactModel == 1) {
        if (!(dAssocConstant > 0) || nAssocStoichiometry < 2) return false;
        const double s2 = (nReactSpecies >= 2 && pReactSpecies2) ? pReactSpecies2[2] : dS;
        const double D2 = (nReactSpecies >= 2 && pReactSpecies3) ? pReactSpecies3[2] : dD;
        const int n = nAssocStoichiometry;
        const double x = monomerFromTotal(c, dAssocConstant, n);
        const double u = x > 0 ? dAssocConstant * std::pow(x, n - 1) : 0.0;
        if (!std::isfinite(u)) {
            *s = s2;
            *D = D2;
        } else {
            *s = (dS + u * s2) / (1 + u);
            *D = (dD + n * u * D2) / (1 + n * u);
        }
        return true;
    }
    if (nReactModel != 2) return false;
    if (bHindered) {
        const float cmg = (float)(c / (dSignalPerMgMl > 0 ? dSignalPerMgMl : 1.0));
        *s = dS * hinderedSFactor(cmg, (float)dNonidealKs, fVbar, bHinderedLinear);
        *D = dD * hinderedDFactor(cmg, (float)dNonidealKs, fVbar, bHinderedLinear);
    } else {
        *s = dS / (1 + dNonidealKs * c);
        *D = dD * (1 + dNonidealKd * c);
    }
    return true;
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
    st.kPrev.resize(st.nF + 1);
    // the loading: the profile set on the grid, split over the species by their loadings
    for (int f = 1; f <= st.nF; f++)
        for (int i = 1; i <= N; i++) {
            const double shape = species ? (dLoading != 0 ? pConc[i] / dLoading : (pConc[i] != 0 ? 1.0 : 0.0)) : 1.0;
            ppFieldConc[f][i] = species ? pReactSpecies1[f] * shape : pConc[i];
        }
    auto publish = [&] {  // rows below k0 are 0 in the fields and in pConc
        if (st.nF == 1) {  // with the start profile of the next step
            if (st.prevCurrent)
                takeStart(this, st, st.prev[1], nullptr, pConc, st.coef[1]);
            else
                takeStart(this, st, ppFieldConc[1], st.prev[1], pConc, st.coef[1]);
            st.prevCurrent = true;
            return;
        }
        for (int i = st.k0; i <= N; i++) {
            double v = 0;
            for (int f = 1; f <= st.nF; f++) v += st.coef[f] * ppFieldConc[f][i];
            pConc[i] = v;
        }
    };
    publish();
    double ctot1 = 0;
    for (int f = 1; f <= st.nF; f++) ctot1 += ppFieldConc[f][1];
    if (!bHindered && !pMeanField && (nReactModel == 0 || nReactModel == 2) && st.ks * ctot1 > 1) {
        nNonidealOutOfRange = 1;  // no step: the model does not hold at this loading
        bRunning = 0;
    }
    dMaxTimeStep = bFixedStepLimit ? dFixedStepLimit : 1000;
    nStepCount = 0;
    int steady = 0;
    {
        const double c1 = ppFieldConc[1][1];
        const bool sediments = dS > 0 && (nReactModel != 1 || st.sOligomer > 0);
        st.truncate = bTruncateGrid && st.nF == 1 && sediments && !bBandForming && !bInitialProfile && c1 > 0 &&
                      dTruncateLevel > 0 && N > 20;
        st.cleared = 0.01 * dTruncateLevel * c1;
        for (int i = 1; i <= N; i++) {
            double v = 0;
            for (int f = 1; f <= st.nF; f++) v += ppFieldConc[f][i];
            st.loadingTop = std::max(st.loadingTop, v);
        }
        // A boundary whose s falls with the total, by ds from the empty solvent
        // to the loading, sharpens itself to the width of 1.7 D / (ds omega^2 r)
        // (a tanh profile of the same 10-90 % width as a Gaussian of that
        // standard deviation; at the meniscus, the widest).
        double sEmpty, dEmpty, sLoaded, dLoaded;
        if (st.nF == 1 && TotalLaw(0.0, &sEmpty, &dEmpty) && TotalLaw(st.loadingTop, &sLoaded, &dLoaded)) {
            const double ds = std::fabs(sEmpty) - std::fabs(sLoaded), w = dFinalRpm * kRpmToOmega;
            if (ds > 0 && dEmpty > 0 && w > 0) st.sharpWidth = 1.7 * dEmpty / (ds * 1e-13 * w * w * dMeniscus);
        }
    }
    while (bRunning && !nAbort && !nDiscretizationError && !nNonidealOutOfRange) {
        const double before = dTime;
        const double q = reactingStep(this, st);
        const bool ok = !nAbort && !nDiscretizationError;
        const double used = dTime - before;
        if (ok && used > 0) {
            advanceFront(this, st);
            std::swap(st.older, st.prev);  // the start of this step is the history of the next
            st.olderStep = used;
            if (st.prevCurrent) std::swap(st.prev, ppFieldConc);  // ... and its result the start of the next
        }
        publish();
        if (!ok) break;
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
    st.kPrev.resize(2);
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
