// CLammIdeal, engine 1: finite volumes on nodes that move with the
// sedimentation of a chosen s (the s grid), with exponentially fitted fluxes
// and an L-stable second-order time step whose length follows the accuracy.
//
// Nodes r_1 = meniscus < r_2 < ... < r_N = bottom. The interior nodes form a
// lattice that moves as r = R exp(theta), theta = sGrid 1e-13 int omega^2 dt.
// For sGrid = s a boundary keeps its place among the lattice nodes: it is made
// of the species that started at the meniscus (or at the edges of a loaded
// band), and in the lattice coordinate R it only spreads by diffusion. So the
// lattice is fine only there: its spacing is sqrt(D t) / (2 x points per sigma)
// within three boundary widths of the start position, t the first time the
// scans see the boundary; further out it grows with the distance, so that
// wherever the boundary's profile arrives the spacing is the same fraction of
// its width then; beyond four widths of the boundary at its last sight the
// plateau, which is flat, takes spacings growing by a quarter per node. The
// two cell ends stay, and so does a zone of nodes that resolves the layer at
// the end the species sediments against (the base, or the meniscus when
// floating): its spacing starts at a fifth of the layer thickness
// delta = D / (|s| omega^2 r_end) and grows by 15 % per node to the lattice
// spacing there. With the back-diffusion shut-off on (the steep-gradient test)
// that end lets the species out instead, as the static grid does.
//
// Each node owns the control volume between the midpoints to its neighbours,
// V_i = (f_(i+1/2)^2 - f_(i-1/2)^2) / 2 (weight r). Its amount V_i c_i changes by
// the fluxes through the two faces, taken relative to the moving faces:
//   d(V_i c_i)/dt = G_(i-1/2) - G_(i+1/2),
//   G_f = f (D / h) [B(-P) c_i - B(P) c_(i+1)],  P = (omega^2 s f - u_f) h / D,
// B(x) = x / (exp(x) - 1), u_f the velocity of the face. This flux is exact for
// a steady exponential profile between two nodes, so the layer is right even
// where it is thinner than the spacing, and every off-diagonal coefficient is
// negative: an implicit Euler step cannot make a negative value out of
// positive ones. The fluxes telescope, so the amount sum_i V_i c_i is kept to
// rounding, also through the insertion and removal of lattice nodes as the
// lattice leaves one end and reaches the other (a node's volume goes to its
// neighbours with its amount, or a new node takes its volume from them with
// the amount at their concentrations).
//
// Time: the two-stage, stiffly accurate SDIRK method of order 2 (gamma =
// 1 - 1/sqrt 2) on the amounts, with the operator taken on the radii of the
// middle of the step; the concentrations at the end are the amounts over the
// volumes there, which is the radial dilution exactly. The first stage is an
// implicit Euler step; the error estimate gamma dt (k2 - k1), filtered through
// the stage matrix, sets the next step against an absolute and a relative
// tolerance of 1e-4 x max dc/c (of the loading, of the local value) at the
// radii the scans are taken at and everywhere the profile forms, at the end
// the species leaves. A step that misses the tolerance, or gives a value
// below -1e-8 of the loading, is repeated shorter. Steps end on the scan
// times, the end of the acceleration and the snapshot times; the lattice moves
// by at most a tenth of the cell in one step and stops once the boundary has
// left the cell.
#include <algorithm>
#include <cmath>
#include <vector>

#include "lamm/lamm_ideal.h"
#include "lamm/tridiagonal_blocks.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"

namespace {
const double kGamma = 1.0 - 0.70710678118654752440;

// B(x) = x / (exp(x) - 1), with B(0) = 1.
inline double bernoulli(double x)
{
    if (std::fabs(x) < 1e-5) return 1.0 - 0.5 * x;
    if (x > 700) return x * std::exp(-x);
    return x / std::expm1(x);
}

// Spacing of the lattice in its own coordinate R: fine at the start positions
// of the boundaries, growing with the distance from them.
struct Lattice {
    std::vector<double> centres;
    double hMin = 1;    // spacing at a boundary
    double dCore = 0;   // half width of the fine core
    double dFar = 0;    // distance beyond which only the plateau is met
    double hCap = 1;    // largest spacing
    double spacing(double R) const
    {
        double d = 1e300;
        for (double c : centres) d = std::min(d, std::fabs(R - c));
        if (centres.empty()) return hMin;
        double h = hMin;
        if (d > dCore) h = hMin * std::min(d, dFar) / dCore;
        if (d > dFar) h += 0.25 * (d - dFar);
        return h < hCap ? h : hCap;
    }
};

// Work of one run of engine 1: the stage matrix and its factorisation, and
// the vectors of a step.
struct MovingRun {
    int n = 0;             // nodes in use
    int capacity = 0;      // nodes the vectors hold
    double kGrid = 0;      // d theta / dt over the current step
    double kSpecies = 0;   // omega^2 s over the current step
    bool outflow = false;  // the layer end lets the species out
    double outflowRate = 0;  // g h |omega^2 s| r_end^2 of the stage matrix
    bool floating = false;
    Lattice lattice;
    double* R = nullptr;   // lattice coordinates, 0 for a fixed node (the solver's pFeRadius)
    lamm::BlockTridiagonal solver;  // the stage matrix, factorised
    std::vector<double> half;  // half the lattice spacing of each lattice node, in R (0 for a fixed node)
    std::vector<double> r, f, V, Vdot, y, lo, di, up, rhs, c1, k1, err, cOld, tr, tc, tR, tF, tH, tV;
};

// Nodes, faces and control volumes at the lattice displacement th: lattice
// nodes at R exp(th), fixed nodes where they are (the radii in fixed). A face
// between two nodes lies half-way between them, except that a lattice node
// next to a fixed node owns half its own spacing on that side: the volumes of
// lattice nodes then keep their shape and only scale with exp(2 th), and the
// volumes of the fixed nodes take up what the lattice leaves or covers. f[i]
// is the face between nodes i and i+1.
void geometry(const MovingRun& w, const double* fixed, double th, double* r, double* f, double* V)
{
    const int n = w.n;
    const double e = std::exp(th);
    for (int i = 1; i <= n; i++) r[i] = w.R[i] > 0 ? w.R[i] * e : fixed[i];
    for (int i = 1; i < n; i++) {
        const bool li = w.R[i] > 0, lj = w.R[i + 1] > 0;
        double x = 0.5 * (r[i] + r[i + 1]);
        if (li && !lj) x = (w.R[i] + w.half[i]) * e;
        if (!li && lj) x = (w.R[i + 1] - w.half[i + 1]) * e;
        if (x < r[i]) x = r[i];
        if (x > r[i + 1]) x = r[i + 1];
        f[i] = x;
    }
    double left = r[1];
    for (int i = 1; i <= n; i++) {
        const double right = i < n ? f[i] : r[n];
        V[i] = 0.5 * (right * right - left * left);
        left = right;
    }
}

// The stage matrix V + g A on the nodes r and faces f (A of d(V c)/dt = -A c)
// into lo, di, up. A face moves with the lattice when a lattice node owns it.
void assemble(MovingRun& w, double D, const double* r, const double* f, const double* V, double g)
{
    const int n = w.n;
    double *lo = w.lo.data(), *di = w.di.data(), *up = w.up.data();
    const bool comoving = w.kGrid == w.kSpecies;
    for (int i = 1; i <= n; i++) di[i] = V[i];
    lo[1] = 0;
    up[n] = 0;
    for (int i = 1; i < n; i++) {
        const double h = r[i + 1] - r[i], x = f[i];
        const double base = g * x * D / h;
        double alpha = base, beta = base;
        const bool moves = w.R[i] > 0 || w.R[i + 1] > 0;
        if (!(comoving && moves)) {
            const double P = (w.kSpecies - (moves ? w.kGrid : 0.0)) * x * h / D;
            alpha = base * bernoulli(-P);
            beta = base * bernoulli(P);
        }
        di[i] += alpha;
        up[i] = -beta;
        lo[i + 1] = -alpha;
        di[i + 1] += beta;
    }
    if (w.outflow) {  // the species leaves through the cell end it sediments against
        const int e = w.floating ? 1 : n;
        w.outflowRate = g * std::fabs(w.kSpecies) * r[e] * r[e];
        di[e] += w.outflowRate;
    }
    // A fixed node next to the lattice has a volume that grows or shrinks with it;
    // its row is taken for the concentration, V dc/dt = -A c - (dV/dt) c, which
    // changes slowly where the amount would change fast.
    double* Vdot = w.Vdot.data();
    double left = 0;  // f u at the face below the node
    for (int i = 1; i <= n; i++) {
        double right = 0;
        if (i < n && (w.R[i] > 0 || w.R[i + 1] > 0)) right = w.kGrid * f[i] * f[i];
        Vdot[i] = w.R[i] > 0 ? 0.0 : right - left;
        di[i] += g * Vdot[i];
        left = right;
    }
}

// Before a step that moves the lattice by dth, in one pass over the nodes: a
// lattice node whose half spacing would reach within a tenth of its spacing
// of the fixed node ahead of it leaves; behind the lattice, at the other cell
// end, new lattice nodes are placed wherever their volume fits between the
// fixed node there and the lattice with a tenth of a spacing to spare. The
// amounts go with the volumes: every node keeps its concentration on the part
// of its volume it keeps, and what the nodes give up (all of it for a node
// that leaves) is shared, at one concentration per gap, by the nodes that gain
// volume there (all of it for a new node). Returns whether the nodes changed.
bool regrid(CLammIdeal* p, MovingRun& w, double theta, double dth)
{
    double* r = p->pRadius;
    double* c = p->pConc;
    const int n = w.n;
    const double eNow = std::exp(theta), eEnd = std::exp(theta + dth);
    const Lattice& L = w.lattice;
    int first = 1, last = n;
    while (first <= n && w.R[first] == 0) first++;
    while (last >= 1 && w.R[last] == 0) last--;
    if (first >= last || first < 2 || last > n - 1) return false;
    const bool up = !w.floating;  // the lattice moves towards the base
    int drop = 0;
    while (drop < last - first - 1) {
        const int j = up ? last - drop : first + drop;
        const double s = 2 * w.half[j];
        const double room = up ? r[last + 1] - (w.R[j] + 0.5 * s) * eEnd : (w.R[j] - 0.5 * s) * eEnd - r[first - 1];
        if (room >= 0.1 * s * eEnd) break;
        drop++;
    }
    double* fresh = w.tF.data();  // lattice coordinates of new nodes, outwards from the lattice
    double* freshHalf = w.tH.data();
    int add = 0;
    {
        const int j = up ? first : last;
        double R = w.R[j], hs = w.half[j];
        while (n - drop + add < w.capacity - 1) {
            const double hn = 0.5 * L.spacing(up ? R - 2 * hs : R + 2 * hs);
            const double next = up ? R - hs - hn : R + hs + hn;
            const double room = up ? (next - hn) * eNow - r[first - 1] : r[last + 1] - (next + hn) * eNow;
            if (!(next > 0) || room < 0.2 * hn * eNow) break;
            ++add;
            fresh[add] = next;
            freshHalf[add] = hn;
            R = next;
            hs = hn;
        }
    }
    if (drop == 0 && add == 0) return false;
    double* V = w.V.data();
    geometry(w, r, theta, w.r.data(), w.f.data(), V);
    // the new list: radii tr, lattice coordinates tR, half spacings (in tc for now)
    int m = 0;
    std::vector<int> from(n + add + 2, 0);  // old index of each new node, 0 for a new one
    auto push = [&](double rr, double RR, double hh, int old) {
        ++m;
        w.tr[m] = rr;
        w.tR[m] = RR;
        w.tc[m] = hh;
        from[m] = old;
    };
    const int keepFrom = up ? first : first + drop, keepTo = up ? last - drop : last;
    for (int i = 1; i <= n; i++) {
        if (i >= first && i <= last && (i < keepFrom || i > keepTo)) continue;  // leaves
        if (up && i == first)
            for (int k = add; k >= 1; k--) push(fresh[k] * eNow, fresh[k], freshHalf[k], 0);
        push(r[i], w.R[i], w.half[i], i);
        if (!up && i == last)
            for (int k = 1; k <= add; k++) push(fresh[k] * eNow, fresh[k], freshHalf[k], 0);
    }
    // new geometry at the same time
    for (int k = 1; k <= m; k++) {
        w.R[k] = w.tR[k];
        w.half[k] = w.tc[k];
    }
    w.n = m;
    double* Vn = w.tV.data();
    geometry(w, w.tr.data(), theta, w.tr.data(), w.f.data(), Vn);
    // amounts: each kept node keeps c on min(old, new) volume; the rest of
    // each gap's amount goes to the nodes short of volume there
    double* amount = w.tc.data();
    auto settle = [&](int k0, int k1, int i0, int i1) {  // new nodes k0..k1 cover old nodes i0..i1
        double total = 0, deficit = 0;
        for (int i = i0; i <= i1; i++) total += V[i] * c[i];
        for (int k = k0; k <= k1; k++) {
            const int i = from[k];
            const double keep = i ? std::min(V[i], Vn[k]) : 0.0;
            amount[k] = i ? c[i] * keep : 0.0;
            total -= amount[k];
            deficit += Vn[k] - keep;
        }
        for (int k = k0; k <= k1; k++) {
            const int i = from[k];
            const double keep = i ? std::min(V[i], Vn[k]) : 0.0;
            if (deficit > 0) amount[k] += total * (Vn[k] - keep) / deficit;
        }
    };
    // the gaps: old nodes first-1..first (back, up) or last..last+1 (back, floating) with the new
    // nodes between; old nodes around the leaving ones
    std::vector<char> done(m + 1, 0);
    auto region = [&](int i0, int i1) {  // settle the new nodes whose old nodes lie in i0..i1, plus new ones
        int k0 = 0, k1 = 0;
        for (int k = 1; k <= m; k++) {
            const int i = from[k];
            const bool inside = i ? (i >= i0 && i <= i1) : false;
            if (inside || (!i && k0 && !k1)) {
                if (!k0) k0 = k;
                if (inside && i == i1) k1 = k;
            }
        }
        if (!k0 || !k1) return;
        settle(k0, k1, i0, i1);
        for (int k = k0; k <= k1; k++) done[k] = 1;
    };
    if (add > 0) region(up ? first - 1 : last, up ? first : last + 1);
    if (drop > 0) region(up ? keepTo : first - 1, up ? last + 1 : keepFrom);
    for (int k = 1; k <= m; k++) {
        const int i = from[k];
        if (!done[k]) amount[k] = V[i] * c[i];
    }
    for (int k = 1; k <= m; k++) {
        r[k] = w.tr[k];
        c[k] = amount[k] / Vn[k];
    }
    return true;
}

// When the scans first see the boundary, when last, and its width then.
struct BoundarySight {
    double tFirst = 0, tLast = 0;
    bool visible = false;
};

BoundarySight boundarySight(const CLammIdeal* p)
{
    BoundarySight s;
    const double m = p->dMeniscus, b = p->dBottom;
    const double w = p->dFinalRpm * kRpmToOmega;
    const double k = w * w * std::fabs(p->dS) * 1e-13;
    const double first = (p->pScanHeaders && p->nScans > 0) ? p->dTimeOffset + p->ScanTime(1) - p->dStartTime : 0.0;
    const double last = (p->pScanHeaders && p->nScans > 0) ? p->dTimeOffset + p->ScanTime(p->nScans) - p->dStartTime : 0.0;
    double tFit = 0, tGone = 1e300;
    if (k > 0) {
        const double x = p->dS > 0 ? std::log((double)p->fFitInner / m) : std::log(b / (double)p->fFitOuter);
        tFit = x > 0 ? x / k : 0;
        tGone = std::log(b / m) / k;
    }
    s.tFirst = std::max(std::max(first, tFit), 1.0);
    s.tLast = std::max(std::min(last, tGone), s.tFirst);
    s.visible = s.tFirst < tGone;
    return s;
}

}  // namespace

// The lattice of engine 1 for this solution (see the opening comment); the
// count of its nodes at the start, clamped to the two limits by widening it.
static int buildLattice(CLammIdeal* p, Lattice& L, std::vector<double>* radii)
{
    const double m = p->dMeniscus, b = p->dBottom;
    const int lo = p->nDynGridLowerLimit > 6 ? p->nDynGridLowerLimit : 6;
    const int hi = p->nDynGridUpperLimit > lo ? p->nDynGridUpperLimit : lo;
    const double pps = p->fPointsPerSigma > 0 ? p->fPointsPerSigma : 5.0;
    const BoundarySight s = boundarySight(p);
    L.centres.clear();
    if (!p->bInitialProfile) {
        const double w = p->fLamellaWidth;
        if (p->bBandForming) {
            if (!p->bBandFlag) L.centres.push_back(m);
            L.centres.push_back(m + w);
        } else {
            L.centres.push_back(p->dS >= 0 ? m : b);
        }
    }
    L.hCap = (b - m) / lo;
    if (s.visible && p->dD > 0) {
        L.hMin = std::sqrt(p->dD * s.tFirst) / (2 * pps);
        L.dCore = 3 * std::sqrt(2 * p->dD * s.tFirst);
        L.dFar = std::max(L.dCore, 4 * std::sqrt(2 * p->dD * s.tLast));
    } else {
        L.hMin = L.hCap;
        L.dCore = L.dFar = b - m;
    }
    if (L.centres.empty()) L.hMin = std::min(L.hMin, L.hCap);
    for (int pass = 0; pass < 60; pass++) {
        int count = 1;
        if (radii) radii->clear();
        if (p->dS >= 0) {
            for (double R = m + L.spacing(m); R < b; R += L.spacing(R)) {
                count++;
                if (radii) radii->push_back(R);
            }
        } else {
            for (double R = b - L.spacing(b); R > m; R -= L.spacing(R)) {
                count++;
                if (radii) radii->push_back(R);
            }
            if (radii) std::reverse(radii->begin(), radii->end());
        }
        if (count <= hi) return count;
        L.hMin *= 1.1;  // too many nodes: a coarser lattice
        L.dCore = std::max(L.dCore, 0.0);
    }
    return hi;
}

int CLammIdeal::MovingGridNodeCount()
{
    Lattice L;
    return buildLattice(this, L, nullptr);
}

void CLammIdeal::MapMovingGridToRadii()
{
    const int N = nGridPoints;
    if (!pFeRadius || N < 2) return;
    const double e = std::exp(dGridTheta);
    for (int i = 2; i <= N - 1; i++)
        if (pFeRadius[i] > 0) pRadius[i] = pFeRadius[i] * e;
}

void CLammIdeal::RunMovingGridEngine()
{
    nAbort = nDiscretizationError = 0;
    bEndedEarly = bSteadyState = 0;
    if (bSpeedProfile || bInhomogeneousSolvent || dD <= 0) {
        // speed profiles and solvent gradients are simulated on the static grid only
        nAbort = 1;
        return;
    }
    if (bAutoSGrid) dSGrid = dS;
    const double m = dMeniscus, b = dBottom;
    MovingRun w;
    w.floating = dS < 0;
    w.outflow = bSteepGradient && bShutOffBackDiffusion;
    std::vector<double> lattice;
    buildLattice(this, w.lattice, &lattice);
    // the zone at the layer end, out to the lattice spacing there
    const double wf = dFinalRpm * kRpmToOmega;
    const double kFinal = wf * wf * std::fabs(dS) * 1e-13;
    std::vector<double> zone;  // distances of the zone's nodes from the layer end
    if (!w.outflow && kFinal > 0) {
        const double rEnd = w.floating ? m : b;
        const double delta = dD / (kFinal * rEnd);
        const double hEnd = std::min(w.lattice.hCap, w.lattice.hMin * w.lattice.dFar / w.lattice.dCore);
        double x = 0, h = 0.2 * delta;
        while (h < 0.7 * hEnd && x + h < 0.25 * (b - m)) {
            x += h;
            zone.push_back(x);
            h *= 1.15;
        }
    }
    const double zoneEdge = zone.empty() ? 0.0 : zone.back();
    std::vector<double> radii, coords;
    radii.push_back(m);
    coords.push_back(0);
    if (w.floating)
        for (double x : zone) {
            radii.push_back(m + x);
            coords.push_back(0);
        }
    const double lowest = w.floating ? m + zoneEdge : m, highest = w.floating ? b : b - zoneEdge;
    for (double R : lattice) {
        const double gap = 0.6 * w.lattice.spacing(R);
        if (R - lowest < gap || highest - R < gap) continue;
        radii.push_back(R);
        coords.push_back(R);
    }
    if (!w.floating)
        for (auto it = zone.rbegin(); it != zone.rend(); ++it) {
            radii.push_back(b - *it);
            coords.push_back(0);
        }
    radii.push_back(b);
    coords.push_back(0);
    w.n = (int)radii.size();
    // Room for the nodes the lattice takes on behind it: as it moves, the
    // part behind its start is laid out as finely as the part ahead, mirrored
    // about the start of the boundary, so it never holds more than twice the
    // nodes it starts with (the zone and the two ends stay). With less room
    // the gap behind the lattice stays open, and the trailing edge of the
    // boundary lies in the volume of the cell end.
    w.capacity = 2 * w.n + 16;
    if (!ResizeGrid(w.capacity)) {
        nAbort = 1;
        return;
    }
    nGridPoints = w.n;
    nMovingGridPeakNodes = w.n;
    for (int i = 1; i <= w.n; i++) {
        pRadius[i] = radii[i - 1];
        pFeRadius[i] = coords[i - 1];
    }
    SetInitialConcentration();
    for (auto* v : {&w.half, &w.r, &w.f, &w.V, &w.Vdot, &w.c1, &w.y, &w.lo, &w.di, &w.up, &w.rhs, &w.k1,
                    &w.err, &w.cOld, &w.tr, &w.tc, &w.tR, &w.tF, &w.tH, &w.tV})
        v->assign(w.capacity + 2, 0.0);
    w.R = pFeRadius;
    for (int i = 1; i <= w.n; i++) w.half[i] = w.R[i] > 0 ? 0.5 * w.lattice.spacing(w.R[i]) : 0.0;
    geometry(w, pRadius, 0.0, w.r.data(), w.f.data(), pCellVolume);  // the amount in the cell at the start
    double c0 = dLoading > 0 ? dLoading : 0;
    for (int i = 1; i <= w.n; i++) c0 = pConc[i] > c0 ? pConc[i] : c0;
    if (!(c0 > 0)) c0 = 1;
    const double tolFactor = 1e-4 * (dMaxDcOverC > 0 ? dMaxDcOverC : 1.0);
    const double atol = tolFactor * c0, rtol = tolFactor;
    // The step follows the error at the radii the scans are taken at and, at
    // the end the species leaves, everywhere: the profile forms there and its
    // error passes on to the boundary. A node's error counts in proportion to
    // its volume against that of a lattice node at a boundary.
    const double vTypical = 0.5 * (m + b) * w.lattice.hMin;
    double rWatchLow = m, rWatchHigh = b;
    if (!bPerScanRadii && pCommonRadii && nCommonRadii > 0) {
        rWatchLow = pCommonRadii[1];
        rWatchHigh = pCommonRadii[nCommonRadii];
    } else if (ppScanRadii && pScanPoints) {
        rWatchLow = b;
        rWatchHigh = m;
        for (int j = 1; j <= nScans; j++) {
            const int row = pScanList ? pScanList[j] : j;
            if (!ppScanRadii[row] || pScanPoints[row] < 1) continue;
            rWatchLow = std::min(rWatchLow, (double)ppScanRadii[row][1]);
            rWatchHigh = std::max(rWatchHigh, (double)ppScanRadii[row][pScanPoints[row]]);
        }
    }
    // (not the end node itself: its value is the emptied end of the cell)
    if (w.floating) {
        rWatchLow -= 0.5 * w.lattice.spacing(m);
        rWatchHigh = b - 1e-9 * (b - m);
    } else {
        rWatchHigh += 0.5 * w.lattice.spacing(b);
        rWatchLow = m + 1e-9 * (b - m);
    }
    // the lattice stops once the boundary has left the cell
    const double lastSight = boundarySight(this).tLast;
    const double thetaGone = std::log(b / m) + 6 * std::sqrt(2 * dD * lastSight) / m;
    dGridTheta = 0;
    bMovingGridActive = 1;
    double dt = bFixedTimestep ? dMaxDcOverCWork : (dInitialTimeStep > 0 ? dInitialTimeStep : 1.0);
    int steady = 0, rejected = 0, tiny = 0;
    const double g = kGamma;
    double* c = pConc;
    bool volumesValid = false;  // w.V holds the volumes on the current radii
    while (bRunning && !nAbort && !nDiscretizationError) {
        // the step: cut at the scan, the end of the acceleration, a snapshot
        double h = bFixedTimestep ? dMaxDcOverCWork : dt;
        bool onScan = false;
        const bool ramp = bRampRotorSpeed && bAccelerating;
        if (ramp) {
            if (h > dMaxAccelStep) h = dMaxAccelStep;
            if (dAccelEnd > dTime && dTime + h > dAccelEnd) h = dAccelEnd - dTime;
        }
        const double rpm0 = ramp ? RotorSpeedOverStep(dTime, h > 0 ? h : 1e-9) : dFinalRpm;
        const double w20 = std::pow(rpm0 * kRpmToOmega, 2) * 1e-13;
        const bool moving = std::fabs(dGridTheta) < thetaGone;
        if (moving && dSGrid != 0) {  // the lattice moves by at most a tenth of the cell in one step
            const double most = 0.1 * std::log(b / m) / (w20 * std::fabs(dSGrid));
            if (h > most) h = most;
        }
        if (bSnapshots && dNextSnapshotTime > dTime && dTime + h > dNextSnapshotTime) h = dNextSnapshotTime - dTime;
        if (bNextScanPending && dTime + h >= dNextScanTime) {
            h = dNextScanTime - dTime;
            onScan = true;
        }
        if (!(h > 0)) h = 0;  // already on the scan time
        const double rpm = ramp && h > 0 ? RotorSpeedOverStep(dTime, h) : rpm0;
        dRotorRpm = rpm;
        const double w2 = std::pow(rpm * kRpmToOmega, 2) * 1e-13;
        w.kGrid = moving ? w2 * dSGrid : 0.0;
        w.kSpecies = w2 * dS;
        dSpeciesRate = w.kSpecies;
        const double dth = w.kGrid * h;
        double E = 0;
        if (h > 0) {
            if (regrid(this, w, dGridTheta, dth)) volumesValid = false;
            const int n = w.n;
            nGridPoints = n;
            nMovingGridPeakNodes = std::max(nMovingGridPeakNodes, n);
            double* V = w.V.data();
            if (!volumesValid) geometry(w, pRadius, dGridTheta, w.r.data(), w.f.data(), V);
            for (int i = 1; i <= n; i++) {
                w.cOld[i] = c[i];
                w.y[i] = V[i] * c[i];  // amounts now
            }
            // the operator on the radii of the middle of the step
            geometry(w, pRadius, dGridTheta + 0.5 * dth, w.r.data(), w.f.data(), V);
            volumesValid = false;
            assemble(w, dD, w.r.data(), w.f.data(), V, g * h);
            if (!w.solver.factor(n, w.lo.data(), w.di.data(), w.up.data())) {
                showErrorMessage("Error 2 in tridag", 0);
                nAbort = 1;
                break;
            }
            // stage 1: (V + g h A) c1 = y_n, g h k1 = V c1 - y_n (for a fixed
            // node next to the lattice: V c_n on the right and the volume change in A)
            double* x = w.rhs.data();
            double* c1 = w.c1.data();
            for (int i = 1; i <= n; i++) x[i] = w.R[i] > 0 ? w.y[i] : V[i] * c[i];
            w.solver.solve(x, c1);
            for (int i = 1; i <= n; i++) {
                w.k1[i] = V[i] * c1[i] - x[i];  // g h k1
                x[i] += (1 - g) / g * w.k1[i];
            }
            // stage 2: (V + g h A) c2 = rhs + (1 - g) h k1
            double* c2 = w.tc.data();
            w.solver.solve(x, c2);
            // error g h (k2 - k1) = V c2 - rhs2 - g h k1, filtered through the stage matrix;
            // the amounts at the end: what each node had plus the fluxes through its
            // faces at the two stages, each flux taken once for both its nodes, so
            // that their sum stays exact whatever the rounding of the solves
            {
                const double* lo = w.lo.data();
                const double* up = w.up.data();
                const double a1 = (1 - g) / g;
                double below = 0;  // g h (flux through the face below the node), stages combined
                for (int i = 1; i <= n; i++) {
                    w.err[i] = V[i] * c2[i] - x[i] - w.k1[i];
                    double above = 0;
                    if (i < n)
                        above = a1 * (-lo[i + 1] * c1[i] + up[i] * c1[i + 1]) + (-lo[i + 1] * c2[i] + up[i] * c2[i + 1]);
                    w.y[i] += below - above;
                    below = above;
                }
                if (w.outflow) {
                    const int e = w.floating ? 1 : n;
                    w.y[e] -= w.outflowRate * (a1 * c1[e] + c2[e]);
                }
            }
            w.solver.solve(w.err.data(), w.err.data());
            // the concentrations at the end of the step, on the radii there
            geometry(w, pRadius, dGridTheta + dth, w.r.data(), w.f.data(), V);
            // an error made now is seen at the next scan, diffused over the time
            // between: a local one then weighs the spacing over the width it spread to
            double relax = 1;
            if (bNextScanPending) {
                const double spread = std::sqrt(2 * dD * std::max(0.0, dNextScanTime - dTime - h));
                relax = std::max(1.0, spread / w.lattice.hMin);
            }
            double worst = 0, lowest = 0, cmax = 0;
            for (int i = 1; i <= n; i++) {
                const double v = w.y[i] / V[i];
                c[i] = v;
                lowest = v < lowest ? v : lowest;
                cmax = v > cmax ? v : cmax;
                if (w.r[i] < rWatchLow || w.r[i] > rWatchHigh) continue;
                if (w.outflow && i == (w.floating ? 1 : n)) continue;  // the open end
                double wv = std::min(1.0, V[i] / vTypical);
                if (w.floating ? w.r[i] < fFitInner : w.r[i] > fFitOuter) wv *= 0.1;  // beyond the fit range
                const double e = wv * std::fabs(w.err[i]) / (relax * (atol + rtol * std::fabs(v)));
                worst = e > worst ? e : worst;
            }
            if (!std::isfinite(worst)) worst = 1e10;
            const bool negative = lowest < -1e-8 * c0;
            if (!bFixedTimestep && (worst > 1 || negative) && h > 1e-6) {
                // repeat shorter from the same state
                for (int i = 1; i <= n; i++) c[i] = w.cOld[i];
                double f = negative && worst <= 1 ? 0.5 : 0.9 / std::sqrt(worst);
                dt = h * std::min(0.7, std::max(0.2, f));
                if (++rejected > 60) nDiscretizationError = 1;
                continue;
            }
            rejected = 0;
            // steps that the tolerance keeps below a microsecond make no progress: a failure
            if (h <= 1e-6 && !onScan) {
                if (++tiny > 100) nDiscretizationError = 1;
            } else {
                tiny = 0;
            }
            volumesValid = true;
            // a tiny negative value left goes to its larger neighbour, with its amount
            if (lowest < 0) {
                for (int i = 1; i <= n; i++) {
                    if (c[i] >= 0) continue;
                    const int j = (i == 1) ? 2 : (i == n ? n - 1 : (c[i - 1] > c[i + 1] ? i - 1 : i + 1));
                    c[j] += c[i] * V[i] / V[j];
                    c[i] = 0;
                }
            }
            dGridTheta += dth;
            for (int i = 1; i <= n; i++) {
                pRadius[i] = w.r[i];
                pCellVolume[i] = V[i];
            }
            const double cut = 1e-4 * cmax;
            for (int i = 1; i <= n; i++)
                if (w.cOld[i] > cut) {
                    const double dq = std::fabs(c[i] - w.cOld[i]) / w.cOld[i];
                    E = dq > E ? dq : E;
                }
            if (!bFixedTimestep && !onScan) {
                const double f = worst > 0 ? 0.9 / std::sqrt(worst) : 3.0;
                dt = h * std::min(3.0, std::max(0.3, f));
            }
        }
        nStepCount++;
        dTimeStep = h;
        dTime += h;
        if (onScan) dTime = dNextScanTime;
        if (ramp && dTime >= dAccelEnd) {
            dRotorRpm = dFinalRpm;
            bAccelerating = 0;
        }
        CLEachIterationOutput(E);
        const double rate = h > 0 ? E / h : 1.0;
        if (h >= 30 && rate < dMaxRelativeChange)
            steady++;
        else
            steady = 0;
        if (bRunning && steady > 10) {
            bEndedEarly = 1;
            bSteadyState = 1;
            FillRemainingScansWithProfile();
        }
    }
}
