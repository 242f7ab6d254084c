// Polynomial least squares through the normal equations. With d = x - x[1]
// the normal matrix of the basis 1, d, d^2, ... is the Hankel matrix of the
// power sums S[k] = sum d^(k-1); it is symmetric and, with at least m + 1
// distinct abscissae, positive definite, so a Cholesky factor solves it.
#include "analyses/mstar/poly_fit.h"

#include <cmath>

#include "numerics/error_stop.h"
#include "numerics/linear_algebra.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"

void polyFit(int order, const double* x, const double* y, int n, const float* xEval, float* yEval, int nEval,
             const float* xSecond, float* ySecond, int nSecond, float lo, float hi)
{
    if (order < 0) {
        for (int i = 1; i <= nEval; ++i) yEval[i] = 0.0f;
        return;
    }
    if (n < 1) {
        showErrorMessage("error in polyfit", 0);
        return;
    }
    const int m = order + 1;  // number of coefficients
    const int nSums = 2 * order + 1;
    double* S = dvector(1, nSums);
    CScopeExit releaseS([&] { free_dvector(S, 1, nSums); });
    double* B = dvector(1, m);
    CScopeExit releaseB([&] { free_dvector(B, 1, m); });
    double** M = dmatrix(1, m, 1, m);
    CScopeExit releaseM([&] { free_dmatrix(M, 1, m, 1, m); });
    double* p = dvector(1, m);
    CScopeExit releaseP([&] { free_dvector(p, 1, m); });
    double* a = dvector(1, m);
    CScopeExit releaseA([&] { free_dvector(a, 1, m); });

    const double x0 = x[1];
    for (int i = 1; i <= n; ++i) {
        const double d = x[i] - x0;
        double power = 1.0;
        for (int k = 1; k <= nSums; ++k) {
            S[k] += power;
            if (k <= m) B[k] += power * y[i];
            power *= d;
        }
    }
    for (int j = 1; j <= m; ++j)
        for (int k = 1; k <= m; ++k) M[j][k] = S[j + k - 1];
    if (!dcholdc(M, m, p)) {
        showErrorMessage("error in polyfit", 0);
        return;
    }
    dcholsl(M, m, p, B, a);

    auto value = [&](double xv) {
        const double t = xv - x0;
        double sum = a[1];
        for (int k = 2; k <= m; ++k) sum += a[k] * std::pow(t, k - 1);
        return sum;
    };
    for (int i = 1; i <= nEval; ++i) yEval[i] = static_cast<float>(value(xEval[i]));
    if (xSecond && ySecond && nSecond != 0)
        for (int i = 1; i <= nSecond; ++i) {
            ySecond[i] = 0.0f;
            if (lo <= xSecond[i] && xSecond[i] <= hi) ySecond[i] = static_cast<float>(value(xSecond[i]));
        }
}
