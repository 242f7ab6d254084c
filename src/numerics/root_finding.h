// Brent's root finder (inverse quadratic interpolation with bisection as the
// safeguard), for any callable f of one double. The callers word their own
// messages from the two flags.
#pragma once

#include <cmath>

// A root of f in [x1, x2] to tol; eps is the relative machine precision
// allowed for. *pbBracketed (when given) tells whether f(x1) and f(x2) had no
// common strict sign (the search runs from the bracket either way);
// *pbConverged whether the root was found within nMaxIter steps (otherwise
// the last estimate is returned).
template <class F>
double brentRoot(F&& f, double x1, double x2, double tol, double eps, int nMaxIter, bool* pbBracketed,
                 bool* pbConverged)
{
    double a = x1, b = x2, c = x2, d = 0.0, e = 0.0;
    double fa = f(a), fb = f(b);
    if (pbBracketed) *pbBracketed = !((fa > 0.0 && fb > 0.0) || (fa < 0.0 && fb < 0.0));
    if (pbConverged) *pbConverged = true;
    double fc = fb;
    for (int iter = 1; iter <= nMaxIter; iter++) {
        if ((fb > 0.0 && fc > 0.0) || (fb < 0.0 && fc < 0.0)) {
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
        double tol1 = 2.0 * eps * std::fabs(b) + 0.5 * tol;
        double xm = 0.5 * (c - b);
        if (std::fabs(xm) <= tol1 || fb == 0.0) return b;
        if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
            double p, q, r, s = fb / fa;
            if (a == c) {
                p = 2.0 * xm * s;
                q = 1.0 - s;
            } else {
                q = fa / fc;
                r = fb / fc;
                p = s * (2.0 * xm * q * (q - r) - (b - a) * (r - 1.0));
                q = (q - 1.0) * (r - 1.0) * (s - 1.0);
            }
            if (p > 0.0) q = -q;
            p = std::fabs(p);
            double min1 = 3.0 * xm * q - std::fabs(tol1 * q);
            double min2 = std::fabs(e * q);
            if (2.0 * p < (min1 < min2 ? min1 : min2)) {
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
            b += xm >= 0.0 ? std::fabs(tol1) : -std::fabs(tol1);
        fb = f(b);
    }
    if (pbConverged) *pbConverged = false;
    return b;
}
