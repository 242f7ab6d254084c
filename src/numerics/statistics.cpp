#include "numerics/statistics.h"

#include <cmath>

#include "numerics/error_stop.h"
#include "numerics/root_finding.h"

namespace {

// Objective of fStatCriticalRatio, with the last tail value and result.
double dStatDof1 = 1.0;
double dStatDof2 = 1.0;
double dStatTarget = 0.0;
double dStatLastTail = 0.0;
double dStatLastRatio = 0.0;

double fStatObjective(double dF)
{
    dStatLastTail = betai(dStatDof2 / 2.0, dStatDof1 / 2.0, dStatDof2 / (dStatDof2 + dStatDof1 * dF));
    return dStatLastTail - dStatTarget;
}

} // namespace

double gammln(double xx)
{
    static const double cof[6] = {76.18009172947146,     -86.50532032941677,    24.01409824083091,
                                  -1.231739572450155,    0.1208650973866179e-2, -0.5395239384953e-5};
    double x = xx, y = xx;
    double tmp = x + 5.5;
    tmp -= (x + 0.5) * std::log(tmp);
    double ser = 1.000000000190015;
    for (int j = 0; j <= 5; j++) ser += cof[j] / ++y;
    return -tmp + std::log(2.5066282746310007 * ser / x);
}

double betacf(double a, double b, double x)
{
    const int MAXIT = 10000;
    const double EPS = 3.0e-7, FPMIN = 1.0e-30;
    double qab = a + b, qap = a + 1.0, qam = a - 1.0;
    double c = 1.0, d = 1.0 - qab * x / qap;
    if (std::fabs(d) < FPMIN) d = FPMIN;
    d = 1.0 / d;
    double h = d;
    int m;
    for (m = 1; m <= MAXIT; m++) {
        int m2 = 2 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < FPMIN) d = FPMIN;
        c = 1.0 + aa / c;
        if (std::fabs(c) < FPMIN) c = FPMIN;
        d = 1.0 / d;
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1.0 + aa * d;
        if (std::fabs(d) < FPMIN) d = FPMIN;
        c = 1.0 + aa / c;
        if (std::fabs(c) < FPMIN) c = FPMIN;
        d = 1.0 / d;
        double del = d * c;
        h *= del;
        if (std::fabs(del - 1.0) < EPS) break;
    }
    if (m > MAXIT) abandonComputation("a or b too big, or MAXIT too small in betacf");
    return h;
}

double betai(double a, double b, double x)
{
    // A NaN is as bad an x as one outside [0, 1].
    if (!(x >= 0.0 && x <= 1.0)) abandonComputation("Bad x in routine betai");
    double bt = 0.0;
    if (x != 0.0 && x != 1.0)
        bt = std::exp(gammln(a + b) - gammln(a) - gammln(b) + a * std::log(x) + b * std::log(1.0 - x));
    if (x < (a + 1.0) / (a + b + 2.0)) return bt * betacf(a, b, x) / a;
    return 1.0 - bt * betacf(b, a, 1.0 - x) / b;
}

double statzbrent(double (*func)(double), double x1, double x2, double tol)
{
    bool bBracketed = true, bConverged = true;
    double dRoot = brentRoot(func, x1, x2, tol, 6.0e-8, 100, &bBracketed, &bConverged);
    if (!bBracketed) reportError("Root must be bracketed in statzbrent", 0);
    if (!bConverged) reportError("Maximum number of iterations exceeded in statzbrent", 0);
    return dRoot;
}

double fStatCriticalRatio(double dConfidence, double dDof1, double dDof2)
{
    // Fewer than one degree of freedom is no F distribution: the computation
    // that asked stops with the message instead of going on with a number.
    if (!(dDof1 >= 1.0 && dDof2 >= 1.0)) abandonComputation("degrees of freedom below 1 in fStatCriticalRatio");
    dStatDof1 = dDof1;
    dStatDof2 = dDof2;
    dStatTarget = 1.0 - dConfidence;
    // The tail falls with F. Most ratios of the analyses lie between 1 and 2;
    // when the answer lies outside, the bracket is widened by factors of two
    // until it holds the sign change. Upwards that can be far: with one degree
    // of freedom in the denominator the tail falls only as 1 / sqrt(F), and a
    // level typed as a float may be 1 - 2^-24, which asks for F near 1e14.
    // The widening stops only where doubling would leave the doubles.
    double dLo = 1.0, dHi = 2.0;
    while (fStatObjective(dHi) > 0.0 && dHi < 1e300) {
        dLo = dHi;
        dHi *= 2.0;
    }
    while (fStatObjective(dLo) < 0.0 && dLo > 1e-12) {
        dHi = dLo;
        dLo *= 0.5;
    }
    dStatLastRatio = statzbrent(fStatObjective, dLo, dHi, 1e-7);
    return dStatLastRatio;
}

double fDistributionTail(double dF, double dDof1, double dDof2)
{
    if (dDof1 == 0.0 && dDof2 == 0.0) return 0.0;
    if (!(dDof1 >= 1.0 && dDof2 >= 1.0)) abandonComputation("degrees of freedom below 1 in fDistributionTail");
    return betai(dDof2 / 2.0, dDof1 / 2.0, dDof2 / (dDof1 * dF + dDof2));
}

float runsTestZ(float** ppData, float** ppFit, int nFirst, int nLast, const int* pScanList,
                const int* pFirstPoint, const int* pLastPoint)
{
    if (!ppData || !ppFit || !pScanList || !pFirstPoint || !pLastPoint || nLast < nFirst) return 0.0f;
    long nPlus = 0, nMinus = 0, nRuns = 0;
    for (int k = nFirst; k <= nLast; k++) {
        int s = pScanList[k];
        int nSign = 0;
        for (int i = pFirstPoint[s]; i <= pLastPoint[s]; i++) {
            float r = ppData[s][i] - ppFit[s][i];
            if (r > 0.0f)
                nPlus++;
            else
                nMinus++;
            if (i == pFirstPoint[s]) {
                nRuns++;
                nSign = r > 0.0f ? 1 : -1;
            } else if (nSign * r < 0.0f) {
                nSign = -nSign;
                nRuns++;
            }
        }
    }
    long n = nPlus + nMinus;
    if (n <= 1) return 0.0f;
    double dN = static_cast<double>(n), dPM = 2.0 * static_cast<double>(nPlus) * static_cast<double>(nMinus);
    double dMu = dPM / dN + 1.0;
    float fSigma = static_cast<float>(std::sqrt(dPM * (dPM - dN) / (dN * dN * (dN - 1.0))));
    if (fSigma == 0.0f) return 0.0f;
    return static_cast<float>(std::fabs(static_cast<double>(nRuns) - dMu + 0.5) / fSigma);
}
