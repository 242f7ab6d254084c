// Brent root finders of the distribution code.
#include "distributions/root_finders.h"

#include "distributions/conti_globals.h"
#include "distributions/hydrodynamics.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/root_finding.h"
#include "plot/error_box.h"

namespace {

constexpr int nMaxIterations = 200;

bool sameStrictSign(double fa, double fb) { return (fa > 0 && fb > 0) || (fa < 0 && fb < 0); }

void reportIterationLimit()
{
    if (bSerialFitRunning)
        nNumericalErrorCode = 4;
    else
        showErrorMessage("Maximum number of iterations exceeded in zbrent", 0);
}

}  // namespace

float zbrentFloat(const std::function<float(float)>& f, float x1, float x2, float tol)
{
    float b = x2;
    const float fa = f(x1);
    float fb = f(b);
    // widen by doubling the upper bound (b itself, not the interval)
    for (int k = 0; k < 10 && sameStrictSign(fa, fb); k++) {
        b = 2.0f * b;
        fb = f(b);
    }
    if (sameStrictSign(fa, fb)) {
        if (bSerialFitRunning)
            nNumericalErrorCode = 3;
        else if (!bModelCSWormlikeChain) {
            // a Monte-Carlo run keeps the regularization quiet
            if (!bMonteCarloRun)
                showErrorMessage("problem in regularization, cannot reach chi-square increase; try using fewer scans",
                                 0);
        } else if (!bWormlikeChainRootWarned)
            bWormlikeChainRootWarned = 1;
        else
            showErrorMessage("problem in finding M(s) for low Mw in worm-like chain model", 0);
    }
    bool bConverged = true;
    const float fRoot = brentRootFrom<float>(f, x1, b, fa, fb, tol, 3.0e-8f, nMaxIterations, nullptr, &bConverged);
    if (bConverged) return fRoot;
    reportIterationLimit();
    return 0.0f;
}

double zbrent(const std::function<double(double)>& f, double x1, double x2, double tol)
{
    const double fa = f(x1), fb = f(x2);
    if (sameStrictSign(fa, fb)) {
        if (bSerialFitRunning)
            nNumericalErrorCode = 5;
        else
            showErrorMessage("too many iterations finding root", 0);
    }
    bool bConverged = true;
    const double dRoot = brentRootFrom<double>(f, x1, x2, fa, fb, tol, 3.0e-8, nMaxIterations, nullptr, &bConverged);
    if (bConverged) return dRoot;
    reportIterationLimit();
    return 0.0;
}
