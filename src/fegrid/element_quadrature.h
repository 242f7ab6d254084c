// Element integrals of the special geometries: integrals of products of the
// linear hat functions of the global grid and their derivatives, weighted by a
// coefficient of the radius that the geometry chooses (the relative width of
// the channel). The linear and electrophoresis geometries take the closed
// forms of the rectangular channel, the loading cell its own element choice,
// every other geometry Romberg quadrature of the integrand.
//
// Indices are 1-based nodes of pGridRadius (N = nGridPointsAllocated); an
// index outside 1..N gives 0.
#pragma once

// ---------------------------------------------------------------- the coefficient
typedef double (*ElementCoefficient)(double r);
// The coefficient in force (the unit coefficient until a geometry chooses).
extern ElementCoefficient pElementCoefficient;
double unitCoefficientA(double r);
double unitCoefficientB(double r);
// 1 below dTaperStartRadius, 1 - (dTaperNarrowing / dTaperDepth)(r - R) from it on.
double loadingCellCoefficient(double r);
// From the geometry flags: linear or electrophoresis: unitCoefficientA; the
// loading cell: loadingCellConstants, then loadingCellCoefficient; the
// reserved geometry: unitCoefficientB; otherwise as it was.
void selectElementCoefficient();

// ---------------------------------------------------------------- the four integrals
// Dispatched on the geometry (closed forms, the loading cell's choice, or
// quadrature with the coefficient).
double elementIntegralA(int i, int j);   // coefficient phi_i phi_j
double elementIntegralB(int i, int j);   // coefficient phi_i' phi_j'
double elementIntegralC(int i, int j);   // coefficient r phi_i phi_j' (the drift phi_i phi_j' with electrophoresis)
double elementIntegralD(int i);          // coefficient phi_i
// The same four always by quadrature with the coefficient in force.
double loadingCellElementIntegralA(int i, int j);
double loadingCellElementIntegralB(int i, int j);
double loadingCellElementIntegralC(int i, int j);
double loadingCellElementIntegralD(int i);

// ---------------------------------------------------------------- Romberg quadrature
// Romberg: trapezoid stages 1..20, from the fifth on the last five
// extrapolated to step 0 (polint); returns at |dss| < 3e-6 |ss|, else the last
// estimate after 20 stages.
double qromb(double (*f)(double), double a, double b);
// The n-th trapezoid refinement of the integral of f over [a, b] (2^(n-2) new
// points); valid only for n = 1, 2, 3, ... in turn.
double trapzd(double (*f)(double), double a, double b, int n);

// ---------------------------------------------------------------- the cached rows
// The element integrals of the geometry in force for rows 1..n of the grid in
// place, slot q = 0, 1, 2 for j = i - 1, i, i + 1, each taken with the
// arguments (j, i): mass A(j, i), diffusion B(j, i) and sedimentation (drift)
// C(j, i). They do not depend on the rotor speed: made once per grid, geometry
// and oil volume, kept until those change.
struct GeometryElementRows {
    int n = 0;
    const double* mass[3] = {};
    const double* diffusion[3] = {};
    const double* sedimentation[3] = {};
};
// False without a grid of at least 3 points.
bool geometryElementRows(GeometryElementRows* pRows);
void freeGeometryElementRows();
