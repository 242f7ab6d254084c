// Brent's root finder (inverse quadratic interpolation with bisection as the
// safeguard), for any callable f of one number, in float or double. The callers word their own
// messages from the two flags.
#pragma once

#include <cmath>

// A root of f in [x1, x2] to tol, computed in the precision Real; eps is the
// relative machine precision allowed for. *pbBracketed (when given) tells
// whether f(x1) and f(x2) had no common strict sign (the search runs from the
// bracket either way); *pbConverged whether the root was found within
// nMaxIter steps (otherwise the last estimate is returned).
// brentRootFrom starts from the values f(x1) and f(x2) the caller has already
// evaluated, so that f runs exactly once per new abscissa.
template <class Real, class F>
Real brentRootFrom(F&& f, Real x1, Real x2, Real fx1, Real fx2, Real tol, Real eps, int nMaxIter,
                   bool* pbBracketed, bool* pbConverged)
{
    Real a = x1, b = x2, c = x2, d = 0, e = 0;
    Real fa = fx1, fb = fx2;
    if (pbBracketed) *pbBracketed = !((fa > 0 && fb > 0) || (fa < 0 && fb < 0));
    if (pbConverged) *pbConverged = true;
    Real fc = fb;
    for (int iter = 1; iter <= nMaxIter; iter++) {
        if ((fb > 0 && fc > 0) || (fb < 0 && fc < 0)) {
            c = a;
            fc = fa;
            e = d = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        Real tol1 = 2 * eps * std::fabs(b) + tol / 2;
        Real xm = (c - b) / 2;
        if (std::fabs(xm) <= tol1 || fb == 0) return b;
        if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
            Real p, q, r, s = fb / fa;
            if (a == c) {
                p = 2 * xm * s;
                q = 1 - s;
            } else {
                q = fa / fc;
                r = fb / fc;
                p = s * (2 * xm * q * (q - r) - (b - a) * (r - 1));
                q = (q - 1) * (r - 1) * (s - 1);
            }
            if (p > 0) q = -q;
            p = std::fabs(p);
            Real min1 = 3 * xm * q - std::fabs(tol1 * q);
            Real min2 = std::fabs(e * q);
            if (2 * p < (min1 < min2 ? min1 : min2)) {
                e = d;
                d = p / q;
            } else {
                d = xm;
                e = d;
            }
        } else {
            d = xm;
            e = d;
        }
        a = b;
        fa = fb;
        if (std::fabs(d) > tol1)
            b += d;
        else
            b += xm >= 0 ? std::fabs(tol1) : -std::fabs(tol1);
        fb = f(b);
    }
    if (pbConverged) *pbConverged = false;
    return b;
}

template <class Real, class F>
Real brentRootIn(F&& f, Real x1, Real x2, Real tol, Real eps, int nMaxIter, bool* pbBracketed, bool* pbConverged)
{
    const Real fx1 = f(x1);
    const Real fx2 = f(x2);
    return brentRootFrom<Real>(f, x1, x2, fx1, fx2, tol, eps, nMaxIter, pbBracketed, pbConverged);
}

// The same in double precision.
template <class F>
double brentRoot(F&& f, double x1, double x2, double tol, double eps, int nMaxIter, bool* pbBracketed,
                 bool* pbConverged)
{
    return brentRootIn<double>(f, x1, x2, tol, eps, nMaxIter, pbBracketed, pbConverged);
}
