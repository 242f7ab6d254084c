// The residual histogram's statistic H.
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/app_globals.h"
#include "scandata/scan_data.h"

namespace {

double normalCdf(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

}  // namespace

void computeResidualsHistogram(int nFirst, int nLast, const int* pScanList, float* pfH)
{
    *pfH = 0.0f;
    if (!pScanList || !ppSignal || !ppFit || !pFitFirstIndex || !pFitLastIndex || !pScanPoints) return;
    std::vector<double> r;
    for (int pos = nFirst; pos <= nLast; pos++) {
        const int k = pScanList[pos];
        if (k < 1 || k > nScans || !ppSignal[k] || !ppFit[k]) continue;
        for (int i = std::max(1, pFitFirstIndex[k]); i <= pFitLastIndex[k] && i <= pScanPoints[k]; i++)
            r.push_back(static_cast<double>(ppSignal[k][i]) - ppFit[k][i]);
    }
    const size_t N = r.size();
    if (N < 2) return;
    double dMean = 0.0;
    for (double v : r) dMean += v;
    dMean /= static_cast<double>(N);
    double dVar = 0.0;
    for (double v : r) dVar += (v - dMean) * (v - dMean);
    const double dSd = std::sqrt(dVar / static_cast<double>(N));
    const auto [itMin, itMax] = std::minmax_element(r.begin(), r.end());
    const double lo = *itMin, hi = *itMax;
    if (!(dSd > 0.0) || !(hi > lo)) return;
    const int nBins = std::max(10, static_cast<int>(std::sqrt(static_cast<double>(N))));
    const double w = (hi - lo) / nBins;
    std::vector<double> count(static_cast<size_t>(nBins), 0.0);
    for (double v : r) count[static_cast<size_t>(std::min(nBins - 1, static_cast<int>((v - lo) / w)))] += 1.0;
    // Half the summed differences of the bin probabilities; the normal mass
    // outside the residuals' range counts as a difference too.
    double dSum = normalCdf((lo - dMean) / dSd) + (1.0 - normalCdf((hi - dMean) / dSd));
    for (int b = 0; b < nBins; b++) {
        const double q = normalCdf((lo + (b + 1) * w - dMean) / dSd) - normalCdf((lo + b * w - dMean) / dSd);
        dSum += std::fabs(count[static_cast<size_t>(b)] / static_cast<double>(N) - q);
    }
    *pfH = static_cast<float>(50.0 * dSum);
}
