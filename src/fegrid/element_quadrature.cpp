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
};

// The hat triples of the two nodes of the integral under way.
Triple gFirst, gSecond;
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
    return t;
}

double hat(const Triple& t, double x)
{
    if (x <= t.l || x >= t.u) return 0.0;
    if (x < t.c) return 1.0 - (t.c - x) / (t.c - t.l);
    return 1.0 - (x - t.c) / (t.u - t.c);
}

double hatSlope(const Triple& t, double x)
{
    if (x <= t.l || x >= t.u) return 0.0;
    if (x < t.c) return 1.0 / (t.c - t.l);
    return -1.0 / (t.u - t.c);
}

double integrandA(double x) { return dLastIntegrand = pElementCoefficient(x) * hat(gFirst, x) * hat(gSecond, x); }
double integrandB(double x)
{
    return dLastIntegrand = pElementCoefficient(x) * hatSlope(gFirst, x) * hatSlope(gSecond, x);
}
double integrandC(double x)
{
    return dLastIntegrand = pElementCoefficient(x) * x * hat(gFirst, x) * hatSlope(gSecond, x);
}
double integrandD(double x) { return dLastIntegrand = pElementCoefficient(x) * hat(gFirst, x); }

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

double pairQuadrature(int i, int j, double (*f)(double))
{
    if (!inGrid(i) || !inGrid(j)) return 0.0;
    double a, b;
    if (!pairInterval(i, j, a, b)) return 0.0;
    gFirst = tripleOf(i);
    gSecond = tripleOf(j);
    return dLastIntegral = qromb(f, a, b);
}

}  // namespace

// ---------------------------------------------------------------- Romberg

double trapzd(double (*f)(double), double a, double b, int n)
{
    if (n == 1) return dTrapezoidSum = 0.5 * (b - a) * (f(a) + f(b));
    const long m = 1L << (n - 2);
    const double del = (b - a) / static_cast<double>(m);
    double x = a + 0.5 * del, sum = 0.0;
    for (long k = 1; k <= m; k++, x += del) sum += f(x);
    return dTrapezoidSum = 0.5 * (dTrapezoidSum + (b - a) * sum / static_cast<double>(m));
}

double qromb(double (*f)(double), double a, double b)
{
    constexpr int nMaxStages = 20, nPoints = 5;
    double s[nMaxStages + 2], h[nMaxStages + 2];
    double ss = 0.0, dss = 0.0;
    h[1] = 1.0;
    for (int j = 1; j <= nMaxStages; j++) {
        s[j] = trapzd(f, a, b, j);
        if (j >= nPoints) {
            polint(&h[j - nPoints], &s[j - nPoints], nPoints, 0.0, &ss, &dss);
            if (std::fabs(dss) < 3e-6 * std::fabs(ss)) return ss;
        }
        h[j + 1] = 0.25 * h[j];
    }
    return ss;
}

// ---------------------------------------------------------------- quadrature twins

double loadingCellElementIntegralA(int i, int j) { return pairQuadrature(i, j, integrandA); }
double loadingCellElementIntegralB(int i, int j) { return pairQuadrature(i, j, integrandB); }
double loadingCellElementIntegralC(int i, int j) { return pairQuadrature(i, j, integrandC); }

double loadingCellElementIntegralD(int i)
{
    if (!inGrid(i)) return 0.0;
    const int N = gridSize();
    const double* r = pGridRadius;
    const double a = i == 1 ? r[1] : r[i - 1];
    const double b = i == N ? r[N] : r[i + 1];
    gFirst = tripleOf(i);
    return dLastIntegral = qromb(integrandD, a, b);
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
