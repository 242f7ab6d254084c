// Closed-form integrals of linear hat functions over one element [a, b]
// (h = b - a). "L" is the hat of the element's left node, "R" that of its right
// node; a prime is the derivative (-1/h for L, +1/h for R). Every value is
// exact for linear hats; the assemblies sum them element by element, so any
// non-uniform grid is served the same way.
#pragma once

namespace fe {

// int r phi_X phi_Y over the element: [LL, LR (= RL), RR].
inline void mass(double a, double b, double& ll, double& lr, double& rr)
{
    const double h = b - a;
    ll = h * (3 * a + b) / 12;
    lr = h * (a + b) / 12;
    rr = h * (a + 3 * b) / 12;
}

// int r phi_X' phi_Y': +(a + b) / (2h) for X = Y, negative otherwise.
inline double stiffness(double a, double b) { return (a + b) / (2 * (b - a)); }

// int r^2 phi_X' phi_Y (derivative on the first, the test function).
inline void sedimentation(double a, double b, double& ll, double& lr, double& rl, double& rr)
{
    const double p = (3 * a * a + 2 * a * b + b * b) / 12, q = (a * a + 2 * a * b + 3 * b * b) / 12;
    ll = -p;
    lr = -q;
    rl = p;
    rr = q;
}

// int r phi_L and int r phi_R (the amount weights of the element's two nodes).
inline void weight(double a, double b, double& l, double& r)
{
    const double h = b - a;
    l = h * (2 * a + b) / 6;
    r = h * (a + 2 * b) / 6;
}

// int r phi_X' phi_Y' phi_Z: (2a + b) / (6h) for Z = L, (a + 2b) / (6h) for Z = R,
// negated when X differs from Y. Returned for X = Y; zl for Z = L, zr for Z = R.
inline void stiffnessTriple(double a, double b, double& zl, double& zr)
{
    const double h = b - a;
    zl = (2 * a + b) / (6 * h);
    zr = (a + 2 * b) / (6 * h);
}

// int r^2 phi_X' phi_Y phi_Z for X = R (negate for X = L), over the pairs
// (Y, Z) = LL, LR (= RL), RR.
inline void sedimentationTriple(double a, double b, double& yzll, double& yzlr, double& yzrr)
{
    yzll = (6 * a * a + 3 * a * b + b * b) / 30;
    yzlr = (3 * a * a + 4 * a * b + 3 * b * b) / 60;
    yzrr = (a * a + 3 * a * b + 6 * b * b) / 30;
}

}  // namespace fe
