// Closed-form finite-element matrix elements on the global grid.
//
// Every function reduces its node indices to the elements that hold all of
// them (both elements of a node for (i, i) or (i, i, i), one at the ends, the
// single shared element otherwise) and adds the exact element integrals of
// lamm/fe_elements.h, with each node's role in the element (left or right
// hat). No state, no allocation; the only loop runs over at most two elements.
#include "fegrid/fe_closed_form.h"

#include <cstdlib>

#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "lamm/fe_elements.h"
#include "models/model_globals.h"

namespace {

// Role of a node in an element: the element's left (L) or right (R) hat.
enum Role { L = 0, R = 1 };

// An element [a, b] with its index e (nodes e and e + 1) on a grid of n nodes.
struct Element {
    double a, b;
    int e, n;
    bool first() const { return e == 1; }
    bool last() const { return e == n - 1; }
};

// Sums f(element, roles...) over the elements holding the nodes idx[0..m-1]
// on r[1..n]; 0 outside the grid or for nodes more than one apart. place(e)
// gives the element's end radii (the grid's own, or the equidistant widths).
template <int m, class Place, class F>
double overElements(const int (&idx)[m], int n, Place place, F f)
{
    int lo = idx[0], hi = idx[0];
    for (int q = 1; q < m; q++) {
        if (idx[q] < lo) lo = idx[q];
        if (idx[q] > hi) hi = idx[q];
    }
    if (lo < 1 || hi > n || hi - lo > 1) return 0.0;
    double v = 0.0;
    Role role[m];
    if (lo == hi) {
        if (lo > 1) {  // the element on the left: every node is its right hat
            Element el{0, 0, lo - 1, n};
            place(el);
            for (int q = 0; q < m; q++) role[q] = R;
            v += f(el, role);
        }
        if (lo < n) {
            Element el{0, 0, lo, n};
            place(el);
            for (int q = 0; q < m; q++) role[q] = L;
            v += f(el, role);
        }
        return v;
    }
    Element el{0, 0, lo, n};
    place(el);
    for (int q = 0; q < m; q++) role[q] = idx[q] == lo ? L : R;
    return f(el, role);
}

// The grid's own radii.
struct GridPlace {
    const double* r;
    void operator()(Element& el) const
    {
        el.a = r[el.e];
        el.b = r[el.e + 1];
    }
};

// Equidistant widths h placed at the radius of the first index i.
struct StaticPlace {
    const double* r;
    double h;
    int i;
    void operator()(Element& el) const
    {
        if (i == el.e) {
            el.a = r[i];
            el.b = r[i] + h;
        } else {
            el.a = r[i] - h;
            el.b = r[i];
        }
    }
};

// ---------------------------------------------------------------- element integrals by role

double weightOf(const Element& el, const Role* x)
{
    double l, r;
    fe::weight(el.a, el.b, l, r);
    return x[0] == L ? l : r;
}

double massOf(const Element& el, const Role* x)
{
    double ll, lr, rr;
    fe::mass(el.a, el.b, ll, lr, rr);
    const int nr = x[0] + x[1];
    return nr == 0 ? ll : nr == 1 ? lr : rr;
}

double stiffnessOf(const Element& el, const Role* x)
{
    const double v = fe::stiffness(el.a, el.b);
    return x[0] == x[1] ? v : -v;
}

// int r^2 phi_X' phi_Y.
double sedimentationOf(const Element& el, const Role* x)
{
    double ll, lr, rl, rr;
    fe::sedimentation(el.a, el.b, ll, lr, rl, rr);
    if (x[0] == L) return x[1] == L ? ll : lr;
    return x[1] == L ? rl : rr;
}

// int r phi_X phi_Y phi_Z.
double tripleMassOf(const Element& el, const Role* x)
{
    const double a = el.a, b = el.b, h = b - a;
    switch (x[0] + x[1] + x[2]) {
    case 0: return h * (4 * a + b) / 20;
    case 1: return h * (3 * a + 2 * b) / 60;
    case 2: return h * (2 * a + 3 * b) / 60;
    default: return h * (a + 4 * b) / 20;
    }
}

// int r phi_X' phi_Y' phi_Z.
double tripleStiffnessOf(const Element& el, const Role* x)
{
    double zl, zr;
    fe::stiffnessTriple(el.a, el.b, zl, zr);
    const double v = x[2] == L ? zl : zr;
    return x[0] == x[1] ? v : -v;
}

// int r^2 phi_X' phi_Y phi_Z.
double radialTripleOf(const Element& el, const Role* x)
{
    double yzll, yzlr, yzrr;
    fe::sedimentationTriple(el.a, el.b, yzll, yzlr, yzrr);
    const int nr = x[1] + x[2];
    const double v = nr == 0 ? yzll : nr == 1 ? yzlr : yzrr;
    return x[0] == R ? v : -v;
}

// -int phi_X phi_Y' r rho: interior -int r^2 phi_Y' phi_X; the end elements
// with the weight r b phi_R (first) or r a phi_L (last).
double motionOf(const Element& el, const Role* x)
{
    const double a = el.a, b = el.b;
    if (el.first()) {
        const double p = b * (a + b) / 12, q = b * (a + 3 * b) / 12;
        const double v = x[0] == L ? p : q;
        return x[1] == L ? v : -v;
    }
    if (el.last()) {
        const double p = a * (3 * a + b) / 12, q = a * (a + b) / 12;
        const double v = x[0] == L ? p : q;
        return x[1] == L ? v : -v;
    }
    const Role swapped[2] = {x[1], x[0]};
    return -sedimentationOf(el, swapped);
}

// -int phi_X (phi_Y phi_Z)' r rho, symmetric in Y and Z.
double productSedimentationOf(const Element& el, const Role* x)
{
    const double a = el.a, b = el.b;
    const int nr = x[1] + x[2];
    if (el.first()) {
        if (x[0] == L) return nr == 0 ? a * b / 10 + b * b / 15 : nr == 1 ? (b * b - a * b) / 60 : -(a * b / 15 + b * b / 10);
        return nr == 0 ? a * b / 15 + b * b / 10 : nr == 1 ? a * b / 60 + 3 * b * b / 20 : -(a * b / 10 + 2 * b * b / 5);
    }
    if (el.last()) {
        if (x[0] == L)
            return nr == 0 ? 2 * a * a / 5 + a * b / 10 : nr == 1 ? -(3 * a * a / 20 + a * b / 60) : -(a * a / 10 + a * b / 15);
        return nr == 0 ? a * a / 10 + a * b / 15 : nr == 1 ? (a * b - a * a) / 60 : -(a * a / 15 + a * b / 10);
    }
    const Role jik[3] = {x[1], x[0], x[2]}, kij[3] = {x[2], x[0], x[1]};
    return -(radialTripleOf(el, jik) + radialTripleOf(el, kij));
}

int gridSize() { return bGridArraysAllocated ? nGridPointsAllocated : 0; }

// The cut grid: node n at most N.
int cutAt(int n)
{
    const int N = gridSize();
    return n < N ? n : N;
}

template <int m, class F>
double onGrid(const double* r, int n, const int (&idx)[m], F f)
{
    if (!r) return 0.0;
    return overElements(idx, n, GridPlace{r}, f);
}

template <int m, class F>
double onStaticGrid(const int (&idx)[m], F f)
{
    const int N = gridSize();
    if (!pGridRadius || N < 2) return 0.0;
    const double h = (static_cast<double>(fBottom) - fMeniscus) / (N - 1);
    return overElements(idx, N, StaticPlace{pGridRadius, h, idx[0]}, f);
}

}  // namespace

// ---------------------------------------------------------------- equidistant family

double staticElementA(int i, int j) { return onStaticGrid({i, j}, massOf); }
double staticElementB(int i, int j, int k) { return onStaticGrid({i, j, k}, tripleStiffnessOf); }
double staticElementC(int i, int j, int k) { return onStaticGrid({i, j, k}, radialTripleOf); }

// ---------------------------------------------------------------- cut-grid family

double hatWeightToNode(int i, int n) { return onGrid(pGridRadius, cutAt(n), {i}, weightOf); }
double massElementToNode(int i, int j, int n) { return onGrid(pGridRadius, cutAt(n), {i, j}, massOf); }
double stiffnessElementToNode(int i, int j, int n) { return onGrid(pGridRadius, cutAt(n), {i, j}, stiffnessOf); }
double sedimentationElementToNode(int i, int j, int n)
{
    return onGrid(pGridRadius, cutAt(n), {i, j}, sedimentationOf);
}

// ---------------------------------------------------------------- moving-hat grid family

double hatWeight(int i) { return onGrid(pFeGridRadius, gridSize(), {i}, weightOf); }
double heteroAssocElementA(int i, int j) { return onGrid(pFeGridRadius, gridSize(), {i, j}, massOf); }
double heteroAssocElementB(int i, int j) { return onGrid(pFeGridRadius, gridSize(), {i, j}, stiffnessOf); }
double heteroAssocElementC(int i, int j) { return onGrid(pFeGridRadius, gridSize(), {i, j}, sedimentationOf); }
double heteroAssocElementD(int i, int j) { return onGrid(pFeGridRadius, gridSize(), {i, j}, motionOf); }
double tripleMassElement(int i, int j, int k) { return onGrid(pFeGridRadius, gridSize(), {i, j, k}, tripleMassOf); }
double radialTripleIntegral(int i, int j, int k)
{
    return onGrid(pFeGridRadius, gridSize(), {i, j, k}, radialTripleOf);
}
double tripleStiffnessElement(int i, int j, int k)
{
    return onGrid(pFeGridRadius, gridSize(), {i, j, k}, tripleStiffnessOf);
}
double productSedimentationElement(int i, int j, int k)
{
    return onGrid(pFeGridRadius, gridSize(), {i, j, k}, productSedimentationOf);
}
double productStiffnessElement(int i, int j, int k)
{
    return tripleStiffnessElement(i, j, k) + tripleStiffnessElement(i, k, j);
}

// ---------------------------------------------------------------- the moving hat's element functions

namespace {

// The outflow terms of the bottom row while back-diffusion is shut off.
bool outflowBottom(int i, int j, int* pN)
{
    const int N = gridSize();
    *pN = N;
    return bBackDiffusionShutOffActive && N >= 2 && i == N && pFeGridRadius;
}

}  // namespace

// With the inhomogeneous solvent (its factors in place for the grid) the
// integrals carry the local factors: int r fv phi_i' phi_j' and
// int r^2 fv fb phi_i' phi_j, and so do the outflow terms.
static bool solventElements() { return bInhomogeneousSolvent && solventFactorsReady(gridSize()); }

double elementMatrixValueA(int i, int j)
{
    const bool bSolvent = solventElements();
    double v = bSolvent ? densgradFeElement1(i, j, pFeGridRadius, gridSize()) : heteroAssocElementB(i, j);
    int N;
    if (outflowBottom(i, j, &N)) {
        const double rN = pFeGridRadius[N];
        const double q = bSolvent ? densgradNodeDiffusionWeight(pFeGridRadius, N) : rN / (rN - pFeGridRadius[N - 1]);
        if (j == N - 1) v += q;
        if (j == N) v -= q;
    }
    return v;
}

double elementMatrixValueB(int i, int j)
{
    const bool bSolvent = solventElements();
    double v = bSolvent ? densgradFeElement2(i, j, pFeGridRadius, gridSize()) : heteroAssocElementC(i, j);
    int N;
    if (outflowBottom(i, j, &N) && j == N)
        v -= bSolvent ? densgradNodeSedimentationWeight(pFeGridRadius, N) : pFeGridRadius[N] * pFeGridRadius[N];
    return v;
}

double elementMatrixValueC(int i, int j) { return heteroAssocElementD(i, j); }
double elementMatrixValueD(int i, int j) { return elementMatrixValueC(i, j) - elementMatrixValueB(i, j); }
double elementMatrixValueE(int i, int j) { return heteroAssocElementA(i, j); }
double elementDiagonal(int i) { return hatWeight(i); }

// ---------------------------------------------------------------- the equidistant Lamm rows

void equidistantLammRow(int i, int n, double r, double h, double K, double D, TridiagRow& B, TridiagRow& A)
{
    B = TridiagRow{};
    A = TridiagRow{};
    if (i == 1) {
        B.d = (r + h / 4) * h / 3;
        B.u = (r + h / 2) * h / 6;
        A.d = -K * (r * r / 2 + r * h / 3 + h * h / 12) - D * (r + h / 2) / h;
        A.u = -K * (r * r / 2 + 2 * r * h / 3 + h * h / 4) + D * (r + h / 2) / h;
    } else if (i == n) {
        B.l = (r - h / 2) * h / 6;
        B.d = (r - h / 4) * h / 3;
        A.l = K * (r * r / 2 - 2 * r * h / 3 + h * h / 4) + D * (r - h / 2) / h;
        A.d = K * (r * r / 2 - r * h / 3 + h * h / 12) - D * (r - h / 2) / h;
    } else {
        B.l = (r - h / 2) * h / 6;
        B.d = 2 * r * h / 3;
        B.u = (r + h / 2) * h / 6;
        A.l = K * (r * r / 2 - 2 * r * h / 3 + h * h / 4) + D * (r - h / 2) / h;
        A.d = -2 * K * r * h / 3 - 2 * D * r / h;
        A.u = -K * (r * r / 2 + 2 * r * h / 3 + h * h / 4) + D * (r + h / 2) / h;
    }
}
