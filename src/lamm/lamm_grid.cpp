// CLammIdeal: the radial grid, its work vectors and the element integrals on it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "lamm/fe_elements.h"
#include "lamm/lamm_ideal.h"
#include "numerics/physical_constants.h"
#include "numerics/root_finding.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"

namespace {

// The per-point vectors of one grid, in allocation order.
double** gridVector(CLammIdeal* p, int k)
{
    double** table[] = {&p->pWork,        &p->pConc,        &p->pRadius,       &p->pConcOld,
                        &p->pRhs,         &p->pMassLower,   &p->pMassDiag,     &p->pMassUpper,
                        &p->pStiffLower,  &p->pStiffDiag,   &p->pStiffUpper,   &p->pLeftLower,
                        &p->pLeftDiag,    &p->pLeftUpper,   &p->pRightLower,   &p->pRightDiag,
                        &p->pRightUpper,  &p->pGam,         &p->pBet,          &p->pSolventFactorD,
                        &p->pSolventFactorB, &p->pCosoluteOnGrid, &p->pDensityOnGrid, &p->pAssembled,
                        &p->pFeRadius, &p->pCellVolume, &p->pConcTrial, &p->pLocalS, &p->pLocalD,
                        &p->pSpareCN[0], &p->pSpareCN[1], &p->pSpareCN[2], &p->pSpareCN[3], &p->pSpareCN[4],
                        &p->pSpareCN[5]};
    const int n = (int)(sizeof table / sizeof table[0]);
    return k < n ? table[k] : nullptr;
}

}  // namespace

int CLammIdeal::AllocGridArrays()
{
    const int n = nGridPoints;
    if (n <= 0) return 0;
    FreeGridArrays();
    for (int k = 0;; k++) {
        double** pp = gridVector(this, k);
        if (!pp) break;
        *pp = dvector(1, n);
        if (!*pp) {
            FreeGridArrays();
            return 0;
        }
    }
    nGridAllocated = n;
    nSolventFactors = n;
    BuildGrid();
    return 1;
}

void CLammIdeal::FreeGridArrays()
{
    for (int k = 0;; k++) {
        double** pp = gridVector(this, k);
        if (!pp) break;
        free_dvector(*pp, 1, nGridAllocated);
        *pp = nullptr;
    }
    nGridAllocated = 0;
    nSolventFactors = 0;
    bGridBuilt = 0;
}

void CLammIdeal::FreeAllGridMemory()
{
    FreeGridArrays();
}

int CLammIdeal::ResizeGrid(int n)
{
    if (!nGridAllocated) return 0;
    FreeGridArrays();
    nGridPoints = n;
    if (nGridPoints == 2147483647) nGridPoints = 2147483646;
    return AllocGridArrays();
}

// The two-zone grid: equal spacing h up to the first point beyond rSwitch, then a spacing that grows
// as sqrt((rSwitch / r)(r - m) / (rSwitch - m)) h until the bottom. Counting
// and building share this walk so that both agree on N. Float precision, as
// the grid has always been computed.
static int walkTwoZoneGrid(float m, float b, float rSwitch, float h, int nMax, double* out)
{
    int i = 1;
    float r = m;
    if (out) out[1] = m;
    while (r <= rSwitch) {  // equidistant zone, up to the first point beyond the switch
        const float next = m + (float)i * h;
        if (next >= b || (nMax > 0 && i + 1 >= nMax)) break;
        i++;
        r = next;
        if (out) out[i] = r;
    }
    while (true) {  // growing zone
        const float step = std::sqrt((rSwitch / r) * ((r - m) / (rSwitch - m))) * h;
        const float next = r + step;
        i++;
        if (next >= b || (nMax > 0 && i >= nMax)) {
            if (out) out[i] = b;
            return i;
        }
        r = next;
        if (out) out[i] = r;
    }
}

int CLammIdeal::OptimizeGridSize(float rSwitch)
{
    const int n = nGridPoints;
    if (dMeniscus == 0 || dBottom == 0 || rSwitch <= (float)dMeniscus || n < 50 || bEngineMovingGrid ||
        !bEngineStaticGrid) {
        ResizeGrid(n);
        return nGridPoints;
    }
    const float m = (float)dMeniscus, b = (float)dBottom;
    const float h = (b - m) / (float)(n - 1);
    const int count = walkTwoZoneGrid(m, b, rSwitch, h, 0, nullptr);
    FreeGridArrays();
    if (count < 50) {
        nGridPoints = 50;
        bTwoZoneGrid = 0;
        AllocGridArrays();
        return nGridPoints;
    }
    nGridPoints = count;
    bTwoZoneGrid = 1;
    dZoneSwitchRadius = rSwitch;
    dInnerSpacing = h;
    AllocGridArrays();
    bTwoZoneGrid = 0;
    return nGridPoints;
}

void CLammIdeal::BuildGrid()
{
    const int n = nGridPoints;
    if (!pRadius || n < 2) return;
    const float m = (float)dMeniscus, b = (float)dBottom;
    if (bEngineMovingGrid) {
        const double ratio = (double)b / m;
        const float q = (float)std::pow(ratio, 1.0 / (n - 1));
        pRadius[1] = m;
        pRadius[2] = (float)(m * std::pow(ratio, (dSGrid >= 0 ? 0.5 : 1.5) / (n - 1)));
        for (int i = 3; i <= n - 1; i++) pRadius[i] = (float)(q * (float)pRadius[i - 1]);
        pRadius[n] = b;
    } else if (bEngineStaticGrid) {
        if (bTwoZoneGrid) {
            walkTwoZoneGrid(m, b, (float)dZoneSwitchRadius, (float)dInnerSpacing, n, pRadius);
            bGridBuilt = 1;
        } else {
            const float h = (b - m) / (float)(n - 1);
            for (int i = 1; i <= n; i++) pRadius[i] = m + (float)(i - 1) * h;
            pRadius[n] = b;
        }
    } else {
        const float h = (b - m) / (float)n;
        for (int i = 1; i <= n; i++) pRadius[i] = m + ((float)i - 0.5f) * h;
    }
}

double CLammIdeal::GridEndMismatch(double q) const
{
    double r = pRadius[nRefineStartIndex], step = dRefineFirstSpacing;
    for (int i = nRefineStartIndex + 1; i <= nGridPoints; i++) {
        step *= q;
        r += step;
    }
    return dBottom - r;
}

bool CLammIdeal::RefineGridForSteepBoundary(double x)
{
    if (!nGridAllocated || bSteepGradient || !bGridBuilt) return false;
    const double m = dMeniscus, b = dBottom;
    const int n = nGridPoints;
    const double lowest = m + 0.1 * (b - m);
    double r0 = (x > 10) ? b * std::sqrt(1 - 10 / (x * b * b)) : lowest;
    if (!(r0 >= lowest)) r0 = lowest;
    int k = n;
    for (int i = 2; i <= n; i++) {
        pRadius[i] = m + 1.1 * (pRadius[i] - m);
        if (pRadius[i] > r0) {
            k = i;
            break;
        }
    }
    if (k >= n) k = n - 1;
    dRefineStartRadius = r0;
    nRefineStartIndex = k;
    dRefineFirstSpacing = pRadius[k] - pRadius[k - 1];
    dRefineTarget = b;
    dRefineRatio = zbrent(0, 10, 1e-6);
    double step = dRefineFirstSpacing;
    for (int i = k + 1; i <= n; i++) {
        step *= dRefineRatio;
        pRadius[i] = pRadius[i - 1] + step;
    }
    pRadius[n] = b;
    return true;
}

// Brent's root finder on the grid-end mismatch.
double CLammIdeal::zbrent(double x1, double x2, double tol)
{
    bool bBracketed = true, bConverged = true;
    double root = brentRoot([this](double x) { return GridEndMismatch(x); }, x1, x2, tol, 3.0e-8, 200,
                            &bBracketed, &bConverged);
    if (!bBracketed) showErrorMessage("too many iterations finding root", 0);
    if (!bConverged) {
        showErrorMessage("Maximum number of iterations exceeded in zbrent", 0);
        return 0.0;
    }
    return root;
}

// ---------------------------------------------------------------- element integrals
// Linear hat functions phi_i on the radii r_1..r_n (the grid cut at row n).
// On an element [a, b] of width h:
//   int r phi_L phi_L = h (3a + b) / 12, int r phi_L phi_R = h (a + b) / 12,
//   int r phi_R phi_R = h (a + 3b) / 12,
//   int r^2 phi_L = h (3a^2 + 2ab + b^2) / 12, int r^2 phi_R = h (a^2 + 2ab + 3b^2) / 12,
//   int r phi' phi' = +-(a + b) / (2h).

double CLammIdeal::fePointWeight(int i, int n) const
{
    if (i < 1 || i > n || n < 2) return 0;
    const double* r = pRadius;
    double w = 0;
    if (i > 1) {
        const double a = r[i - 1], b = r[i];
        w += (b - a) * (a + 2 * b) / 6;
    }
    if (i < n) {
        const double a = r[i], b = r[i + 1];
        w += (b - a) * (2 * a + b) / 6;
    }
    return w;
}

double CLammIdeal::feMassElement(int i, int j, int n) const
{
    if (i < 1 || j < 1 || i > n || j > n || n < 2) return 0;
    const double* r = pRadius;
    if (i == j) {
        double v = 0;
        if (i > 1) v += (r[i] - r[i - 1]) * (r[i - 1] + 3 * r[i]) / 12;
        if (i < n) v += (r[i + 1] - r[i]) * (3 * r[i] + r[i + 1]) / 12;
        return v;
    }
    if (j == i + 1) return (r[j] - r[i]) * (r[i] + r[j]) / 12;
    if (j == i - 1) return (r[i] - r[j]) * (r[i] + r[j]) / 12;
    return 0;
}

double CLammIdeal::feSedimentationIntegral(int i, int j, int n) const
{
    if (i < 1 || j < 1 || i > n || j > n || n < 2) return 0;
    const double* r = pRadius;
    if (i == j) {
        double v = 0;
        if (i > 1) {
            const double a = r[i - 1], b = r[i];
            v += (a * a + 2 * a * b + 3 * b * b) / 12;
        }
        if (i < n) {
            const double a = r[i], b = r[i + 1];
            v -= (3 * a * a + 2 * a * b + b * b) / 12;
        }
        return v;
    }
    if (j == i + 1) {
        const double a = r[i], b = r[j];
        return -(a * a + 2 * a * b + 3 * b * b) / 12;
    }
    if (j == i - 1) {
        const double a = r[j], b = r[i];
        return (3 * a * a + 2 * a * b + b * b) / 12;
    }
    return 0;
}

double CLammIdeal::feDiffusionIntegral(int i, int j, int n) const
{
    if (i < 1 || j < 1 || i > n || j > n || n < 2) return 0;
    const double* r = pRadius;
    if (i == j) {
        double v = 0;
        if (i > 1) v += (r[i - 1] + r[i]) / (2 * (r[i] - r[i - 1]));
        if (i < n) v += (r[i] + r[i + 1]) / (2 * (r[i + 1] - r[i]));
        return v;
    }
    if (j == i + 1 || j == i - 1) {
        const int lo = i < j ? i : j;
        return -(r[lo] + r[lo + 1]) / (2 * (r[lo + 1] - r[lo]));
    }
    return 0;
}

// int r phi_i' phi_j' phi_k over the grid cut at row n: the sum over the
// elements that carry all three hats.
double CLammIdeal::feDiffusionTriple(int i, int j, int k, int n) const
{
    if (i < 1 || j < 1 || k < 1 || i > n || j > n || k > n || n < 2) return 0;
    double v = 0;
    for (int e = (i > 1 ? i - 1 : 1); e <= i && e < n; e++) {  // element [r_e, r_(e+1)]
        if (j < e || j > e + 1 || k < e || k > e + 1) continue;
        double zl, zr;
        fe::stiffnessTriple(pRadius[e], pRadius[e + 1], zl, zr);
        const double z = (k == e) ? zl : zr;
        v += (i == j) ? z : -z;
    }
    return v;
}

// int r^2 phi_i' phi_j phi_k over the grid cut at row n.
double CLammIdeal::feSedimentationTriple(int i, int j, int k, int n) const
{
    if (i < 1 || j < 1 || k < 1 || i > n || j > n || k > n || n < 2) return 0;
    double v = 0;
    for (int e = (i > 1 ? i - 1 : 1); e <= i && e < n; e++) {
        if (j < e || j > e + 1 || k < e || k > e + 1) continue;
        double ll, lr, rr;
        fe::sedimentationTriple(pRadius[e], pRadius[e + 1], ll, lr, rr);
        const int right = (j == e + 1) + (k == e + 1);
        const double z = right == 0 ? ll : (right == 1 ? lr : rr);
        v += (i == e + 1) ? z : -z;
    }
    return v;
}

// ---------------------------------------------------------------- refinement zones
// The layouts above size the grid for the boundary when it enters the fit
// range. Two places need more, and get nodes inserted (never removed, so the
// layout keeps every node it had; inside an element the new nodes follow the
// target spacing, which changes by at most a fifth of the distance):
// - The layer at the cell end the species sediments against (the base, or the
//   meniscus when floating), where the concentration rises as exp(-x / delta)
//   to many times the loading, delta = D / (|s| omega^2 r_end). The linear
//   elements err there by about (x / delta)(h / delta)^2 / 12 of the layer's
//   height A exp(-x / delta) at the distance x from the end; the spacing keeps
//   that below a fraction of what the scans ask at x (1e-3 of the loading
//   inside the fit limits and more than 0.1 cm from the end, 1e-2 up to the
//   last data radius, 1e-1 beyond), and is never below a hundredth of delta. A is what has reached the end by the last scan,
//   at most the equilibrium value there. With the back-diffusion shut-off the
//   layer is not simulated and gets nothing.
// - The boundary of a slow species, which the scans see before it reaches the
//   fit range: the spacing at a radius is sqrt(D t) / points per sigma (the
//   sizing's own measure) with t the first time a scan sees the boundary's
//   profile (three widths sqrt(2 D t) from its centre) at that radius.
namespace {

struct LayerZone {
    double delta = 0;   // layer thickness (cm)
    double height = 1;  // estimated layer height over the loading
    double xFit = 0;    // distance of the fit limit from the cell end
    double xData = 0;   // distance of the last data radius from the cell end
};

// Spacing for the layer at the distance x from its end.
double layerSpacing(const LayerZone& z, double x)
{
    auto g = [&](double xp, double tol) {
        const double u = xp / z.delta;
        return u > 600 ? 1e300 : tol * std::exp(u) / u;
    };
    auto tolAt = [&](double xp) { return xp >= z.xFit ? 1e-3 : (xp >= z.xData ? 1e-2 : 1e-1); };
    const double x0 = x > z.delta ? x : z.delta;
    double least = g(x0, tolAt(x0));
    if (z.xData > x0) least = std::min(least, g(z.xData, 1e-2));
    if (z.xFit > x0) least = std::min(least, g(z.xFit, 1e-3));
    double h = least > 1e200 ? 1e300 : z.delta * std::sqrt(12 * 0.2 * least / z.height);
    if (h < 0.01 * z.delta) h = 0.01 * z.delta;
    return h;
}

// The height of the layer over the loading by the time t (kt = omega^2 |s| t):
// what has reached the end by then, b (1 - exp(-2 kt)) / (2 delta) (m (exp(2 kt)
// - 1) / (2 delta) when floating), at most the equilibrium value there, at
// least the loading.
double layerHeight(double m, double b, double delta, double kt, bool floating)
{
    const double rEnd = floating ? m : b;
    const double X = (b * b - m * m) / (2 * delta * rEnd);
    const double equilibrium = X > 700 ? X : X / (1 - std::exp(-X));
    double swept = floating ? m * std::expm1(2 * kt) / (2 * delta) : b * -std::expm1(-2 * kt) / (2 * delta);
    if (!(swept < equilibrium)) swept = equilibrium;
    return swept > 1 ? swept : 1;
}

// Nodes inserted into the elements of r (increasing) wherever they are longer
// than the target spacing; the old nodes stay. The spacing is never below
// 1e-12 of the radius: the march from an element's end advances by the
// spacing, and a spacing below the resolution of the radius (a boundary
// sized at a scan taken 1e-45 s after the start asks for 1e-26 cm) would
// leave the radius, and with it the target, where it is until the node count
// runs out, spreading 100000 nodes evenly over the element.
template <class F>
std::vector<double> refineElements(const std::vector<double>& r, F targetSpacing)
{
    auto target = [&](double at) { return std::max(targetSpacing(at), 1e-12 * std::fabs(at)); };
    std::vector<double> out;
    out.reserve(r.size() * 2);
    out.push_back(r[0]);
    std::vector<double> sub;
    for (size_t i = 1; i < r.size(); i++) {
        const double a = r[i - 1], b = r[i], len = b - a;
        const double ta = target(a), tb = target(b);
        if (len <= 1.05 * std::min(ta, tb) && len <= 1.05 * target(0.5 * (a + b))) {
            out.push_back(b);
            continue;
        }
        // march from the end with the finer target, then spread evenly over the element
        const bool fromA = ta <= tb;
        sub.clear();
        double x = 0, h = fromA ? ta : tb;
        for (;;) {
            const double at = fromA ? a + x : b - x;
            double t = target(at);
            if (t > 1.2 * h) t = 1.2 * h;
            h = t;
            if (x + h >= len - 0.3 * h) break;
            x += h;
            sub.push_back(x);
            if (sub.size() > 100000) break;
        }
        const double scale = len / (x + h);
        if (fromA) {
            for (double v : sub) out.push_back(a + v * scale);
        } else {
            for (auto it = sub.rbegin(); it != sub.rend(); ++it) out.push_back(b - *it * scale);
        }
        out.push_back(b);
    }
    return out;
}

}  // namespace

bool CLammIdeal::RefineGridZones(bool layerSimulated)
{
    const int n = nGridPoints;
    if (!nGridAllocated || !pRadius || n < 3 || dD <= 0 || dS == 0) return false;
    if (bEngineMovingGrid || !bEngineStaticGrid) return false;
    const double m = dMeniscus, b = dBottom;
    double rpm = dFinalRpm;
    if (bSpeedProfile)
        for (int k = 1; k <= nSpeedSteps; k++) rpm = pStepRpm[k] > rpm ? pStepRpm[k] : rpm;
    const double w = omegaOfRpm(rpm);
    const double k = w * w * std::fabs(dS) * 1e-13;  // omega^2 |s|
    if (!(k > 0)) return false;
    const bool floating = dS < 0;
    const double rEnd = floating ? m : b;
    // the radii the scans are taken at, and the fit limit on the layer's side
    double rData = floating ? b : m;
    if (!bPerScanRadii && pCommonRadii && nCommonRadii > 0) {
        rData = pCommonRadii[floating ? 1 : nCommonRadii];
    } else if (ppScanRadii && pScanPoints) {
        for (int j = 1; j <= nScans; j++) {
            const int row = pScanList ? pScanList[j] : j;
            if (!ppScanRadii[row] || pScanPoints[row] < 1) continue;
            const double r = ppScanRadii[row][floating ? 1 : pScanPoints[row]];
            rData = floating ? (r < rData ? r : rData) : (r > rData ? r : rData);
        }
    }
    const bool scans = pScanHeaders && nScans > 0;
    const double tFirst = scans ? dTimeOffset + ScanTime(1) - dStartTime : 0.0;
    const double tLast = scans ? dTimeOffset + ScanTime(nScans) - dStartTime : 0.0;
    // the layer
    const bool layer = layerSimulated;
    LayerZone z;
    z.delta = dD / (k * rEnd);
    z.xData = std::max(0.0, floating ? rData - m : b - rData);
    z.xFit = std::max(std::max(z.xData, 0.1), floating ? (double)fFitInner - m : b - (double)fFitOuter);
    z.height = layerHeight(m, b, z.delta, k * std::max(0.0, tLast), floating);
    const double hEnd = layer ? layerSpacing(z, 0) : 1e300;
    // the boundary of a slow species: when its profile first reaches a radius
    const double pps = fPointsPerSigma > 0 ? fPointsPerSigma : 5.0;
    const double rb = floating ? (double)fFitOuter : std::max((double)fFitInner, m + 0.001);
    const double tFit = floating ? std::log(b / rb) / k : std::log(rb / m) / k;
    const bool path = tFirst > 0 && tFirst < tFit;
    auto reachTime = [&](double x) {  // first t >= tFirst at which the profile covers x
        auto covers = [&](double t) {
            const double centre = floating ? b * std::exp(-k * t) : m * std::exp(k * t);
            const double ext = 3 * std::sqrt(2 * dD * t);
            return floating ? centre - ext <= x : centre + ext >= x;
        };
        if (covers(tFirst)) return tFirst;
        double lo = tFirst, hi = tFit;
        if (!covers(hi)) return 1e300;
        for (int it = 0; it < 60; it++) {
            const double mid = 0.5 * (lo + hi);
            if (covers(mid))
                hi = mid;
            else
                lo = mid;
        }
        return hi;
    };
    auto target = [&](double r) {
        double h = 1e300;
        if (layer) {
            const double x = floating ? r - m : b - r;
            h = std::min(layerSpacing(z, x), hEnd + 0.2 * x);
        }
        if (path) {
            const double t = reachTime(r);
            if (t < tFit) h = std::min(h, std::sqrt(dD * t) / pps);
        }
        return h;
    };
    std::vector<double> r(pRadius + 1, pRadius + n + 1);
    const std::vector<double> out = refineElements(r, target);
    if ((int)out.size() == n) return false;
    nGridPoints = (int)out.size();
    if (!AllocGridArrays()) return false;
    for (int i = 1; i <= nGridPoints; i++) pRadius[i] = out[i - 1];
    return true;
}

// The layer of a species whose s and D depend on the total (the loop's
// one-field models, TotalLaw) is not the exponential the zone above is sized
// for. Where the piled-up total slows the species (ks > 0) or speeds its
// diffusion (kd > 0), the layer is flatter and thicker and meets the plateau,
// and later the emptied cell, in a front as steep as the layer's foot,
// delta(c) = D(c) / (|s(c)| omega^2 r_end) at the small totals there; the
// front moves away from the end as the layer fills and sweeps the radii up to
// the layer's extent. The Galerkin elements turn a front over more than two
// thicknesses into alternating values (-0.65 of the loading at 20 S with ks
// 0.03 ml/mg). The extent is that of the equilibrium layer holding what the
// species' fastest, least diffusing form (s and D given) brings to the end
// by the last scan, x = int delta(c) / c dc from the loading to the top
// total c_top where int delta(c) dc = that amount; to 1.25 x + 14 delta_min
// from the end (the foot decays to 1e-6 of the loading beyond it) the spacing
// is at most delta_min / 2, delta_min the least thickness over the layer's
// totals, and grows by at most a fifth of the distance beyond. Nodes are only
// inserted; a law that is the same at every total (the model in its ideal
// limit) adds nothing.
bool CLammIdeal::RefineConcentrationDependentLayer(double sG, double DG)
{
    const int n = nGridPoints;
    if (!nGridAllocated || !pRadius || n < 3 || !(DG > 0) || sG == 0) return false;
    if (bEngineMovingGrid || !bEngineStaticGrid) return false;
    double s0, D0;
    if (!TotalLaw(0.0, &s0, &D0)) return false;
    const double m = dMeniscus, b = dBottom;
    const double w = omegaOfRpm(dFinalRpm);
    const double k = w * w * std::fabs(sG) * 1e-13;
    if (!(k > 0)) return false;
    const bool floating = sG < 0;
    const double rEnd = floating ? m : b;
    const double delta = DG / (k * rEnd);
    const bool scans = pScanHeaders && nScans > 0;
    const double tLast = scans ? dTimeOffset + ScanTime(nScans) - dStartTime : 0.0;
    const double L0 = dLoading > 0 ? dLoading : 1.0;
    const double amount = layerHeight(m, b, delta, k * std::max(0.0, tLast), floating) * delta * L0;
    auto thickness = [&](double c) {
        double s, D;
        if (!TotalLaw(c, &s, &D) || !(s * sG > 0) || !(D > 0)) return HUGE_VAL;
        return delta * (D / DG) * (sG / s);
    };
    double cPrev = 0, tPrev = thickness(0), held = 0, extent = 0;
    if (!std::isfinite(tPrev)) return false;
    double thinnest = tPrev, thickest = tPrev;
    for (double c = 1e-6 * L0; held < amount && c < 1e8 * L0; c *= 1.05) {
        const double t = thickness(c);
        if (!std::isfinite(t)) break;
        thinnest = std::min(thinnest, t);
        thickest = std::max(thickest, t);
        held += 0.5 * (t + tPrev) * (c - cPrev);
        if (cPrev >= L0) extent += 0.5 * (t / c + tPrev / cPrev) * (c - cPrev);
        cPrev = c;
        tPrev = t;
    }
    if (!(thickest > thinnest * (1 + 1e-6))) return false;
    const double xZone = std::min(b - m, 1.25 * extent + 14 * thinnest), hZone = 0.5 * thinnest;
    auto target = [&](double r) {
        const double x = floating ? r - m : b - r;
        return x <= xZone ? hZone : hZone + 0.2 * (x - xZone);
    };
    std::vector<double> r(pRadius + 1, pRadius + n + 1);
    const std::vector<double> out = refineElements(r, target);
    if (!floating) {  // the loop's cleared region stays another 14 delta_min clear of the zone
        const double xClear = xZone + 14 * thinnest;
        nLayerZoneFirst = (int)out.size();
        while (nLayerZoneFirst > 1 && b - out[nLayerZoneFirst - 2] <= xClear) nLayerZoneFirst--;
    }
    if ((int)out.size() == n) return false;
    nGridPoints = (int)out.size();
    if (!AllocGridArrays()) return false;
    for (int i = 1; i <= nGridPoints; i++) pRadius[i] = out[i - 1];
    return true;
}
