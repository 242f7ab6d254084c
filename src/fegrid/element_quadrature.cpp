// Element integrals of the special geometries by Romberg quadrature.
//
// The hat of node i is the triple (r_(i-1), r_i, r_(i+1)); the end nodes
// borrow a point 0.1 cm beyond the grid, (r_1 - 0.1, r_1, r_2) and
// (r_(N-1), r_N, r_N + 0.1), but nothing beyond meniscus or bottom is ever
// integrated. A two-index integral runs over the elements the two hats share.
//
// Accuracy as written: the hat and its derivative are 0 at and beyond the ends
// of their triple, so the integrands of the derivative integrals (B, C) take
// the wrong one-sided value at an interval end. The trapezoid error then falls
// only linearly with the step, which the extrapolation in the square of the
// step does not remove, and the stop test fires early: the diffusion and
// sedimentation integrals come out about 1e-3 relative off (tests/fegrid
// measure it). The mass integrals, whose integrands are right at the ends,
// converge to rounding. These are the matrices the special geometries use.
#include "fegrid/element_quadrature.h"

#include <cmath>
#include <vector>

#include "fegrid/global_grid.h"
#include "fegrid/loading_cell.h"
#include "lamm/double_pairs.h"
#include "models/model_globals.h"
#include "numerics/sorting_interpolation.h"

double unitCoefficientA(double) { return 1.0; }
double unitCoefficientB(double) { return 1.0; }

ElementCoefficient pElementCoefficient = unitCoefficientA;

double loadingCellCoefficient(double r)
{
    if (r < dTaperStartRadius) return 1.0;
    return 1.0 - (dTaperNarrowing / dTaperDepth) * (r - dTaperStartRadius);
}

void selectElementCoefficient()
{
    if (bGeometryLinear || bElectrophoresis) {
        pElementCoefficient = unitCoefficientA;
    } else if (bGeometryExternalLoadingCell) {
        loadingCellConstants();
        pElementCoefficient = loadingCellCoefficient;
    } else if (bGeometryReserved) {
        pElementCoefficient = unitCoefficientB;
    }
}

namespace {

// ---------------------------------------------------------------- hats and integrands

struct Triple {
    double l = 0, c = 0, u = 0;
    double slopeLeft = 0, slopeRight = 0;  // the hat's slopes on either side
};

// The last integrand value and the last integral.
double dLastIntegrand = 0.0;
double dLastIntegral = 0.0;
// The running trapezoid sum (one quadrature at a time).
double dTrapezoidSum = 0.0;

int gridSize() { return bGridArraysAllocated && pGridRadius ? nGridPointsAllocated : 0; }

Triple tripleOf(int i)
{
    const int N = gridSize();
    const double* r = pGridRadius;
    Triple t;
    t.c = r[i];
    t.l = i > 1 ? r[i - 1] : r[1] - 0.1;
    t.u = i < N ? r[i + 1] : r[N] + 0.1;
    t.slopeLeft = 1.0 / (t.c - t.l);
    t.slopeRight = -1.0 / (t.u - t.c);
    return t;
}

// The integrands are evaluated two points at a time (lamm::Pair lanes), as
// selects rather than branches: the derivative integrals run to 2^15 and more
// points per element, and the quadrature is the whole cost of laying out a
// loading cell.
using lamm::Pair;
using lamm::splat;

Pair hat(const Triple& t, Pair x)
{
    const auto inside = (x > splat(t.l)) & (x < splat(t.u));
    const auto left = x < splat(t.c);
    const Pair v = 1.0 - (left ? t.c - x : x - t.c) / (left ? splat(t.c - t.l) : splat(t.u - t.c));
    return inside ? v : splat(0.0);
}

Pair hatSlope(const Triple& t, Pair x)
{
    const auto inside = (x > splat(t.l)) & (x < splat(t.u));
    return inside ? (x < splat(t.c) ? splat(t.slopeLeft) : splat(t.slopeRight)) : splat(0.0);
}

// The coefficients the quadrature can inline; any other goes through its pointer.
struct UnitCoefficient {
    Pair operator()(Pair) const { return splat(1.0); }
};
struct TaperCoefficient {
    double start = dTaperStartRadius, slope = dTaperNarrowing / dTaperDepth;
    Pair operator()(Pair r) const { return r < splat(start) ? splat(1.0) : 1.0 - slope * (r - start); }
};
struct PointerCoefficient {
    ElementCoefficient f = pElementCoefficient;
    Pair operator()(Pair r) const { return Pair{f(r[0]), f(r[1])}; }
};

// The four integrands of the node pair under way.
template <class Coefficient>
struct IntegrandA {
    Coefficient k;
    Triple first, second;
    Pair operator()(Pair x) const { return k(x) * hat(first, x) * hat(second, x); }
};
template <class Coefficient>
struct IntegrandB {
    Coefficient k;
    Triple first, second;
    Pair operator()(Pair x) const { return k(x) * hatSlope(first, x) * hatSlope(second, x); }
};
template <class Coefficient>
struct IntegrandC {
    Coefficient k;
    Triple first, second;
    Pair operator()(Pair x) const { return k(x) * x * hat(first, x) * hatSlope(second, x); }
};
template <class Coefficient>
struct IntegrandD {
    Coefficient k;
    Triple first, second;
    Pair operator()(Pair x) const { return k(x) * hat(first, x); }
};
// Any function of the radius (the routines' own interface).
struct PointerIntegrand {
    double (*f)(double);
    Pair operator()(Pair x) const { return Pair{f(x[0]), f(x[1])}; }
};

// Trapezoid stage n of [a, b] on the running sum: n = 1 the two ends, then the
// m = 2^(n-2) new midpoints a + (k - 1/2)(b - a)/m, summed on four chains.
// `last` is the integrand at the last point.
template <class F>
double trapezoidStage(const F& f, double a, double b, int n, double& sum, double& last)
{
    if (n == 1) {
        const Pair ends = f(Pair{a, b});
        last = ends[1];
        return sum = 0.5 * (b - a) * (ends[0] + ends[1]);
    }
    const long m = 1L << (n - 2);
    const double del = (b - a) / static_cast<double>(m);
    if (m == 1) {
        last = f(splat(a + 0.5 * del))[0];
        return sum = 0.5 * (sum + (b - a) * last);
    }
    Pair s0 = splat(0.0), s1 = s0, x = Pair{0.5, 1.5};
    Pair fx = s0;
    long k = 0;
    for (; k + 4 <= m; k += 4, x += 4.0) {
        s0 += f(a + x * del);
        s1 += (fx = f(a + (x + 2.0) * del));
    }
    if (k < m) s0 += (fx = f(a + x * del));  // m = 2
    last = fx[1];
    return sum = 0.5 * (sum + (b - a) * ((s0[0] + s0[1]) + (s1[0] + s1[1])) / static_cast<double>(m));
}

// Romberg: stages 1..20, from the fifth on the last five extrapolated to step
// 0 by polint; done when the estimate's error is below 3e-6 of it. The
// statics of the routines are left as the last stage leaves them.
template <class F>
double romberg(const F& f, double a, double b)
{
    constexpr int nMaxStages = 20, nPoints = 5;
    double s[nMaxStages + 2], h[nMaxStages + 2];
    double ss = 0.0, dss = 0.0, sum = dTrapezoidSum, last = dLastIntegrand;
    h[1] = 1.0;
    for (int j = 1; j <= nMaxStages; j++) {
        s[j] = trapezoidStage(f, a, b, j, sum, last);
        if (j >= nPoints) {
            polint(&h[j - nPoints], &s[j - nPoints], nPoints, 0.0, &ss, &dss);
            if (std::fabs(dss) < 3e-6 * std::fabs(ss)) break;
        }
        h[j + 1] = 0.25 * h[j];
    }
    dTrapezoidSum = sum;
    dLastIntegrand = last;
    return ss;
}

template <template <class> class Integrand>
double quadrature(double a, double b, const Triple& first, const Triple& second)
{
    if (pElementCoefficient == loadingCellCoefficient)
        return romberg(Integrand<TaperCoefficient>{TaperCoefficient{}, first, second}, a, b);
    if (pElementCoefficient == unitCoefficientA || pElementCoefficient == unitCoefficientB)
        return romberg(Integrand<UnitCoefficient>{UnitCoefficient{}, first, second}, a, b);
    return romberg(Integrand<PointerCoefficient>{PointerCoefficient{}, first, second}, a, b);
}

// The interval of a two-index integral: false when the hats share no element.
bool pairInterval(int i, int j, double& a, double& b)
{
    const int N = gridSize();
    const double* r = pGridRadius;
    if (i == 1 || j == 1) {
        a = r[1], b = r[2];
    } else if (i == N || j == N) {
        a = r[N - 1], b = r[N];
    } else if (j == i) {
        a = r[i - 1], b = r[i + 1];
    } else if (j == i - 1) {
        a = r[i - 1], b = r[i];
    } else if (j == i + 1) {
        a = r[i], b = r[i + 1];
    } else {
        return false;
    }
    return true;
}

bool inGrid(int i)
{
    const int N = gridSize();
    return N >= 2 && i >= 1 && i <= N;
}

template <template <class> class Integrand>
double pairQuadrature(int i, int j)
{
    if (!inGrid(i) || !inGrid(j)) return 0.0;
    double a, b;
    if (!pairInterval(i, j, a, b)) return 0.0;
    return dLastIntegral = quadrature<Integrand>(a, b, tripleOf(i), tripleOf(j));
}

}  // namespace

// ---------------------------------------------------------------- Romberg

double trapzd(double (*f)(double), double a, double b, int n)
{
    return trapezoidStage(PointerIntegrand{f}, a, b, n, dTrapezoidSum, dLastIntegrand);
}

double qromb(double (*f)(double), double a, double b) { return romberg(PointerIntegrand{f}, a, b); }

// ---------------------------------------------------------------- quadrature twins

double loadingCellElementIntegralA(int i, int j) { return pairQuadrature<IntegrandA>(i, j); }
double loadingCellElementIntegralB(int i, int j) { return pairQuadrature<IntegrandB>(i, j); }
double loadingCellElementIntegralC(int i, int j) { return pairQuadrature<IntegrandC>(i, j); }

double loadingCellElementIntegralD(int i)
{
    if (!inGrid(i)) return 0.0;
    const int N = gridSize();
    const double* r = pGridRadius;
    const double a = i == 1 ? r[1] : r[i - 1];
    const double b = i == N ? r[N] : r[i + 1];
    return dLastIntegral = quadrature<IntegrandD>(a, b, tripleOf(i), Triple{});
}

// ---------------------------------------------------------------- geometry dispatch

namespace {
bool planarGeometry() { return bGeometryLinear || bElectrophoresis; }
}  // namespace

double elementIntegralA(int i, int j)
{
    if (!inGrid(i) || !inGrid(j)) return 0.0;
    if (planarGeometry()) return planarMassElement(i, j);
    if (bGeometryExternalLoadingCell) return loadingCellFeElement(i, j);
    return loadingCellElementIntegralA(i, j);
}

double elementIntegralB(int i, int j)
{
    if (!inGrid(i) || !inGrid(j)) return 0.0;
    if (planarGeometry()) return planarStiffnessElement(i, j);
    if (bGeometryExternalLoadingCell) return loadingCellFeElement2(i, j);
    return loadingCellElementIntegralB(i, j);
}

double elementIntegralC(int i, int j)
{
    if (!inGrid(i) || !inGrid(j)) return 0.0;
    if (bGeometryLinear) return planarSedimentationElement(i, j);
    if (bElectrophoresis) return planarDriftElement(i, j);
    if (bGeometryExternalLoadingCell) return loadingCellFeElement3(i, j);
    return loadingCellElementIntegralC(i, j);
}

// The closed-form weight of the channel is per element width: times the
// width it is the integral the quadrature gives, so every geometry (and the
// loading cell's two kinds of node) returns the same quantity.
double elementIntegralD(int i)
{
    if (!inGrid(i)) return 0.0;
    if (planarGeometry()) {
        const int N = gridSize();
        return planarHatWeight(i) * (static_cast<double>(fBottom) - fMeniscus) / (N - 1);
    }
    if (bGeometryExternalLoadingCell) return loadingCellFeWeight(i);
    return loadingCellElementIntegralD(i);
}

// ---------------------------------------------------------------- the cached rows

namespace {

struct Cache {
    int n = 0;
    unsigned flags = 0;
    float fOil = 0.0f;
    double r1 = 0, r2 = 0, rn1 = 0, rn = 0;
    std::vector<double> v[9];  // mass, diffusion, sedimentation x slots 0..2, each [0..n]
} gCache;

unsigned geometryFlags()
{
    return (bGeometryLinear ? 1u : 0u) | (bGeometryExternalLoadingCell ? 2u : 0u) | (bGeometryReserved ? 4u : 0u) |
           (bElectrophoresis ? 8u : 0u);
}

bool cacheValid()
{
    const int N = gridSize();
    const double* r = pGridRadius;
    return gCache.n == N && gCache.flags == geometryFlags() && gCache.fOil == fElcOilVolume && gCache.r1 == r[1] &&
           gCache.r2 == r[2] && gCache.rn1 == r[N - 1] && gCache.rn == r[N];
}

}  // namespace

bool geometryElementRows(GeometryElementRows* p)
{
    const int N = gridSize();
    if (N < 3 || !p) return false;
    selectElementCoefficient();
    if (!cacheValid()) {
        for (auto& v : gCache.v) v.assign(static_cast<size_t>(N) + 1, 0.0);
        for (int i = 1; i <= N; i++)
            for (int q = 0; q < 3; q++) {
                const int j = i - 1 + q;
                if (j < 1 || j > N) continue;
                gCache.v[q][i] = elementIntegralA(j, i);
                gCache.v[3 + q][i] = elementIntegralB(j, i);
                gCache.v[6 + q][i] = elementIntegralC(j, i);
            }
        const double* r = pGridRadius;
        gCache.n = N;
        gCache.flags = geometryFlags();
        gCache.fOil = fElcOilVolume;
        gCache.r1 = r[1], gCache.r2 = r[2], gCache.rn1 = r[N - 1], gCache.rn = r[N];
    }
    p->n = N;
    for (int q = 0; q < 3; q++) {
        p->mass[q] = gCache.v[q].data();
        p->diffusion[q] = gCache.v[3 + q].data();
        p->sedimentation[q] = gCache.v[6 + q].data();
    }
    return true;
}

void freeGeometryElementRows()
{
    gCache = Cache{};
    dLastIntegrand = dLastIntegral = dTrapezoidSum = 0.0;
    pElementCoefficient = unitCoefficientA;
}
