// Non-negative least squares on the normal equations of a distribution.
#include "distributions/nnls_normal_equations.h"

#include "distributions/conti_globals.h"
#include "distributions/normal_equations.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "distributions/root_finders.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/linear_algebra.h"
#include "numerics/nnls_active_set.h"
#include "plot/error_box.h"

std::vector<int>* pNNLSDecisionLog = nullptr;

namespace {

// Entry order of the passive set. It grows with the largest set solved so
// far, before the iteration starts.
std::vector<int> passiveOrder;
// The diagonal of W while the ridge of the second attempt is on it.
std::vector<double> savedDiagonal;

// The ridge of the second attempt, in units of the mean diagonal of W: far
// above the rounding of a Cholesky pivot (about 1e-15 of the diagonal), far
// below the smallest regularization tried (about 2e-8 of it).
constexpr double dRidgeOfMeanDiagonal = 1e-10;

// The error box of the solver, or the error code of a serialised fit.
void reportNNLSFailure(const char* szText, int nCode)
{
    if (bSerialFitRunning)
        nNumericalErrorCode = nCode;
    else
        showErrorMessage(szText, 0);
}

}  // namespace

int nnlsVariableCount()
{
    if (isTwoDimensionalModel()) return nCsGridTotal;
    // With the buffer signal folded in, the solver works on the n - 1
    // variables that the regularization and the chi-square see.
    if (bBufferMismatchInNEQ) return nNEQSize;
    return nResolution;
}

bool nnlsNormalEquations()
{
    const int n = nnlsVariableCount();
    if (n < 1 || !pNEWork || !pNERightSide || !pNESolution) return false;
    if (static_cast<int>(passiveOrder.size()) < n + 1) passiveOrder.resize(static_cast<size_t>(n) + 1);

    // The iteration counter and its limit are floats: n x n entries.
    const float fIterationLimit = static_cast<float>(n) * static_cast<float>(n);
    auto solve = [&] {
        CNNLSActiveSet<double> solver(n, pNEWork, pNERightSide, pNESolution, pNNLSGradient, pNNLSTrialSolution,
                                      pNNLSReducedSolution, pNNLSReducedMatrix, pNNLSPassiveSet, passiveOrder.data());
        solver.bAcceptZero = true;
        solver.pDecisionLog = pNNLSDecisionLog;
        return solver.Run(static_cast<double>(1e-10f), static_cast<long>(fIterationLimit));
    };
    ENNLSEnd end = solve();
    if (end == ENNLSEnd::Solved) return true;
    if (end == ENNLSEnd::NotPositiveDefinite) {
        // W is positive semi-definite: data fitted closely (noise-free
        // scans, sharp boundaries) put many variables into the passive set,
        // and a column that is a combination of theirs to rounding still has
        // a gradient of rounding size, above the absolute threshold 1e-10 of
        // the entry; its Cholesky pivot is then rounding too, and may be
        // negative. Once more with a ridge on the diagonal, which makes every
        // subsystem definite and changes the solution below the rounding of
        // the data.
        double dTrace = 0.0;
        for (int i = 1; i <= n; i++) dTrace += pNEWork[i][i];
        const double dRidge = dRidgeOfMeanDiagonal * dTrace / n;
        if (dRidge > 0.0) {
            savedDiagonal.resize(static_cast<size_t>(n) + 1);
            for (int i = 1; i <= n; i++) {
                savedDiagonal[i] = pNEWork[i][i];
                pNEWork[i][i] += dRidge;
            }
            end = solve();
            for (int i = 1; i <= n; i++) pNEWork[i][i] = savedDiagonal[i];
            if (end == ENNLSEnd::Solved) return true;
        }
    }
    if (end == ENNLSEnd::IterationCap)
        reportNNLSFailure("max #iteration exceeded in NNLS", 1);
    else
        reportNNLSFailure("matrix not positive definite in NNLS", 2);
    // Unconstrained solution of the whole system.
    return choleskySolveD(pNEWork, pNERightSide, n, pNESolution, pNNLSCholeskyDiagonal);
}

double chiSquareFromNormalEquations()
{
    int m = isTwoDimensionalModel() ? nCsGridTotal : nResolution;
    if (bBufferMismatchInNEQ && !isTwoDimensionalModel()) m = nResolution - 1;
    double chi2 = dSumSquaredData;
    if (!pNESolution || !pNERightSide || !pNEMatrix) return chi2;
    for (int i = 1; i <= m; i++) chi2 -= 2.0 * pNESolution[i] * pNERightSide[i];
    for (int i = 1; i <= m; i++) {
        const double ci = pNESolution[i];
        const double* a = pNEMatrix[i];
        for (int j = 1; j <= m; j++) chi2 += ci * pNESolution[j] * a[j];
    }
    return chi2;
}
