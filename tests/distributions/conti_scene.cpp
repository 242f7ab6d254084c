#include "distributions/conti_scene.h"

#include <cmath>
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "lamm/lamm_fixture.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

namespace contitest {

namespace {

constexpr double kMeniscus = 6.0;
constexpr double kBottom = 7.2;
constexpr double kRpm = 50000.0;

double omega2()
{
    const double w = kRpm * 2.0 * M_PI / 60.0;
    return w * w;
}

double diffusionOf(double s)
{
    return 6e-7 * std::sqrt(4.0 / std::max(s, 0.2));
}

}  // namespace

void installScene(const SceneOptions& o)
{
    std::vector<scantest::MemoryScan> scans(o.nScans);
    for (int k = 1; k <= o.nScans; k++) {
        scantest::MemoryScan& m = scans[k - 1];
        const int n = 160 + 23 * k;
        const double r1 = kMeniscus + 0.004 * k, r2 = kBottom - 0.01 - 0.006 * k;
        for (int p = 0; p < n; p++) {
            m.r.push_back(static_cast<float>(r1 + (r2 - r1) * p / (n - 1)));
            m.s.push_back(0.0f);
        }
        m.time = 600.0 + 450.0 * ((3 * k) % o.nScans + 1);  // not in index order
    }
    scantest::installScans(scans);
    for (int k = 1; k <= nScans; k++) {
        ScanHeader& h = pScanHeaders[k];
        h.dataType = 'R';
        h.rpm = static_cast<float>(kRpm);
        h.temperature = 20.0f;
        h.omega2t = omega2() * h.time;
        h.timeWritten = h.timeRead = h.time;
        h.accelRate = 1e6;
        pFitFirstIndex[k] = 5;
        pFitLastIndex[k] = pScanPoints[k] - 5;
    }
    bAbsorbanceData = 1;
    fMeniscus = static_cast<float>(kMeniscus);
    fBottom = static_cast<float>(kBottom);

    // An uneven noise grid, denser towards the meniscus.
    const int n = o.nPoints;
    nNoiseGridPoints = n;
    pNoiseGrid = vector(1, n);
    for (int j = 1; j <= n; j++) {
        const double u = double(j - 1) / (n - 1);
        pNoiseGrid[j] = static_cast<float>(6.03 + 1.13 * std::pow(u, 1.4));
    }
    bScanOnNoiseGridOwned = 1;
    ppScanOnNoiseGrid = new float*[nScans + 1]();
    for (int k = 1; k <= nScans; k++) ppScanOnNoiseGrid[k] = vector(1, n);
    pTINoise = vector(1, n);
    pTINoiseSaved = vector(1, n);
    pTINoiseAux = vector(1, n);
    pRINoise = vector(1, nScans);
    pRINoiseSaved = vector(1, nScans);
    nNoiseGridFirst = o.nFirstFitted;
    nNoiseGridLast = o.nLastFitted;
    fNoiseGridCount = static_cast<float>(nScans) * (nNoiseGridLast - nNoiseGridFirst + 1);

    nResolution = o.nGrid;
    nNEQSize = o.nGrid;
    allocLammSolutionStore(o.nGrid, nScans, n);
    allocNormalArrays(o.nGrid, nScans, n);
}

std::vector<double> sValues(int nGrid, double sMin, double sMax)
{
    std::vector<double> s(nGrid + 1);
    for (int g = 1; g <= nGrid; g++) s[g] = sMin + (sMax - sMin) * (g - 1) / std::max(nGrid - 1, 1);
    return s;
}

void fillLammBases(const std::vector<double>& s)
{
    const int nGrid = static_cast<int>(s.size()) - 1;
    for (int g = 1; g <= nGrid; g++) {
        auto L = std::make_unique<CLammIdeal>();
        L->SetNonReactingModel();
        L->SetSedimentationParams(s[g], diffusionOf(s[g]), kMeniscus, kBottom, 1.0, pNoiseGrid[1],
                                  pNoiseGrid[nNoiseGridPoints]);
        L->SetScanData(nullptr, nullptr, pScanHeaders, pLammSolutions[g], pNoiseGrid, nNoiseGridPoints, nullptr,
                       nullptr, false, pScanTimeOrder, nScans, 1, true, true, false, 0, false, 0, false);
        setDefaultSolverOptions(*L);
        L->bRampRotorSpeed = 0;
        L->SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
        const int nResult = L->Solve();
        EXPECT_EQ(nResult, 0) << "Lamm solution of s = " << s[g];
    }
}

void fillStepBases(const std::vector<double>& s)
{
    const int nGrid = static_cast<int>(s.size()) - 1;
    for (int g = 1; g <= nGrid; g++)
        for (int k = 1; k <= nScans; k++) {
            const double t = pScanHeaders[k].time;
            const double e = omega2() * s[g] * 1e-13 * t;
            const double rb = kMeniscus * std::exp(e);
            const double w = std::sqrt(4.0 * diffusionOf(s[g]) * t);
            const double plateau = std::exp(-2.0 * e);
            for (int j = 1; j <= nNoiseGridPoints; j++)
                pLammSolutions[g][k][j] = static_cast<float>(plateau * 0.5 * std::erfc((rb - pNoiseGrid[j]) / w));
        }
}

void setData(const std::vector<double>& c, const std::function<double(double)>& profile,
             const std::function<double(int)>& offset, const std::function<double(int, int)>& noise)
{
    const int nGrid = static_cast<int>(c.size()) - 1;
    for (int k = 1; k <= nScans; k++) {
        for (int j = 1; j <= nNoiseGridPoints; j++) {
            double y = profile ? profile(pNoiseGrid[j]) : 0.0;
            if (offset) y += offset(k);
            for (int g = 1; g <= nGrid; g++) y += c[g] * pLammSolutions[g][k][j];
            if (noise) y += noise(k, j);
            ppScanOnNoiseGrid[k][j] = static_cast<float>(y);
        }
        interpolateOnGrid(pScanPoints[k], ppRadius[k], ppSignal[k], nNoiseGridPoints, pNoiseGrid,
                          ppScanOnNoiseGrid[k]);
    }
}

std::vector<float> dataSnapshot()
{
    std::vector<float> v;
    for (int k = 1; k <= nScans; k++) v.insert(v.end(), ppScanOnNoiseGrid[k] + 1, ppScanOnNoiseGrid[k] + nNoiseGridPoints + 1);
    return v;
}

std::vector<float> storeSnapshot()
{
    std::vector<float> v;
    for (int g = 1; g <= nLammSolutionStoreRows; g++)
        for (int k = 1; k <= nScans; k++)
            v.insert(v.end(), pLammSolutions[g][k] + 1, pLammSolutions[g][k] + nNoiseGridPoints + 1);
    return v;
}

void installCsProblem(int nGrid, int nUnreached)
{
    SceneOptions o;
    o.nScans = 10;
    o.nGrid = nGrid;
    o.nPoints = 120;
    o.nFirstFitted = 10;
    o.nLastFitted = 110;
    installScene(o);
    fillStepBases(sValues(nGrid, 1.0, 12.0));
    for (int g = nUnreached > 0 ? nUnreached : nGrid + 1; g <= nGrid; g++)
        for (int k = 1; k <= nScans; k++)
            for (int j = 1; j <= nNoiseGridPoints; j++) pLammSolutions[g][k][j] = 0.0f;
    std::vector<double> c(nGrid + 1);
    for (int g = 1; g <= nGrid; g++) c[g] = std::exp(-0.5 * std::pow((g - 0.3 * nGrid) / (0.08 * nGrid), 2)) +
                                            0.6 * std::exp(-0.5 * std::pow((g - 0.6 * nGrid) / (0.05 * nGrid), 2));
    unsigned state = 5;
    setData(c, nullptr, nullptr, [&state](int, int) { return 0.01 * gaussian(state); });
    buildNormalEquations(nullptr, 1);
}

double gaussian(unsigned& state)
{
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) * (1.0 / 16777216.0);
    };
    double u1 = next(), u2 = next();
    if (u1 < 1e-12) u1 = 1e-12;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
}

}  // namespace contitest
