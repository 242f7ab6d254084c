// Normal equations of the size distributions: a grid of n sedimentation
// coefficients, boundaries of every grid point over a set of scans, a two-peak
// distribution with noise, and second-derivative regularization.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>

#include "numerics/linear_algebra.h"
#include "numerics/nnls.h"
#include "numerics/nrutil.h"

namespace {

struct TDistributionProblem {
    int n;
    double** ata;
    double* atb;

    explicit TDistributionProblem(int n) : n(n)
    {
        const int nScans = 30, nRadii = 150, nRows = nScans * nRadii;
        double** a = dmatrix(1, nRows, 1, n);
        double* b = dvector(1, nRows);
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0.0, 0.01);
        for (int s = 0; s < nScans; s++) {
            double t = 600.0 + 300.0 * s; // seconds
            for (int k = 1; k <= nRadii; k++) {
                int row = s * nRadii + k;
                double r = 6.0 + 1.2 * (k - 1) / (nRadii - 1); // cm
                double truth = 0.0;
                for (int j = 1; j <= n; j++) {
                    double sv = (1.0 + 14.0 * (j - 1) / (n - 1)) * 1e-13; // 1 .. 15 S
                    double rb = 6.0 * std::exp(2.0 * std::pow(50000.0 * 2.0 * M_PI / 60.0, 2) * sv * t / 2.0);
                    double width = std::sqrt(4.0 * 6e-7 * t);
                    a[row][j] = 0.5 * std::erfc((rb - r) / width);
                    double c = std::exp(-std::pow((sv * 1e13 - 4.0) / 0.4, 2)) +
                               0.5 * std::exp(-std::pow((sv * 1e13 - 9.0) / 0.6, 2));
                    truth += a[row][j] * c;
                }
                b[row] = truth + noise(rng);
            }
        }
        ata = dmatrix(1, n, 1, n);
        atb = dvector(1, n);
        for (int i = 1; i <= n; i++)
            for (int k = 1; k <= nRows; k++) atb[i] += a[k][i] * b[k];
        for (int k = 1; k <= nRows; k++) {
            const double* row = a[k];
            for (int i = 1; i <= n; i++) {
                double ai = row[i];
                double* out = ata[i];
                for (int j = i; j <= n; j++) out[j] += ai * row[j];
            }
        }
        for (int i = 1; i <= n; i++)
            for (int j = 1; j < i; j++) ata[i][j] = ata[j][i];
        // Second-derivative regularization, scaled to the data.
        double alpha = 1e-3 * ata[n / 2][n / 2];
        for (int i = 2; i < n; i++) {
            int idx[3] = {i - 1, i, i + 1};
            double coef[3] = {1.0, -2.0, 1.0};
            for (int p = 0; p < 3; p++)
                for (int q = 0; q < 3; q++) ata[idx[p]][idx[q]] += alpha * coef[p] * coef[q];
        }
        free_dvector(b, 1, nRows);
        free_dmatrix(a, 1, nRows, 1, n);
    }
    ~TDistributionProblem()
    {
        free_dvector(atb, 1, n);
        free_dmatrix(ata, 1, n, 1, n);
    }
};

TDistributionProblem& problem(int n)
{
    static std::map<int, std::unique_ptr<TDistributionProblem>> problems;
    std::unique_ptr<TDistributionProblem>& p = problems[n];
    if (!p) p = std::make_unique<TDistributionProblem>(n);
    return *p;
}

void BM_SolveNormalEquationsD(benchmark::State& state)
{
    int n = static_cast<int>(state.range(0));
    TDistributionProblem& pr = problem(n);
    double* x = dvector(1, n);
    double* p = dvector(1, n);
    for (auto _ : state) {
        bool bOk = solveNormalEquationsD(pr.ata, pr.atb, n, x, p);
        benchmark::DoNotOptimize(bOk);
        benchmark::DoNotOptimize(x[1]);
    }
    free_dvector(p, 1, n);
    free_dvector(x, 1, n);
}

void BM_NNLS(benchmark::State& state)
{
    int n = static_cast<int>(state.range(0));
    TDistributionProblem& pr = problem(n);
    int* pPassive = ivector(1, n);
    int* pOrder = ivector(1, n);
    double* x = dvector(1, n);
    double* w = dvector(1, n);
    double* subB = dvector(1, n);
    double* p = dvector(1, n);
    double* z = dvector(1, n);
    double** subA = dmatrix(1, n, 1, n);
    double dIterations = 0.0;
    for (auto _ : state) {
        bool bOk = nnls(n, pPassive, x, w, pr.atb, pr.ata, subA, subB, p, z, pOrder, &dIterations, nullptr);
        benchmark::DoNotOptimize(bOk);
        benchmark::DoNotOptimize(x[1]);
    }
    int nPositive = 0;
    for (int i = 1; i <= n; i++) nPositive += x[i] > 0.0;
    state.counters["outer_iterations"] = dIterations;
    state.counters["positive"] = nPositive;
    free_dmatrix(subA, 1, n, 1, n);
    free_dvector(z, 1, n);
    free_dvector(p, 1, n);
    free_dvector(subB, 1, n);
    free_dvector(w, 1, n);
    free_dvector(x, 1, n);
    free_ivector(pOrder, 1, n);
    free_ivector(pPassive, 1, n);
}

} // namespace

BENCHMARK(BM_SolveNormalEquationsD)->Arg(100)->Arg(300)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NNLS)->Arg(100)->Arg(300)->Arg(500)->Unit(benchmark::kMillisecond);
