#include "analyses/boundary_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "distributions/step_profiles.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_fixture.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"

namespace boundarytest {

namespace {

constexpr int kPoints = 601;  // 6.0..7.2 every 0.002 cm

double omega2()
{
    const double w = kRpm * 2.0 * M_PI / 60.0;
    return w * w;
}

ScanHeader headerAt(double t, int k)
{
    ScanHeader h;
    std::memset(&h, 0, sizeof h);
    std::snprintf(h.title, sizeof h.title, "boundary test scan %d", k);
    h.dataType = 'R';
    h.cell = 1;
    h.temperature = 20.0f;
    h.rpm = static_cast<float>(kRpm);
    h.time = h.timeWritten = h.timeRead = t;
    h.omega2t = omega2() * t;
    h.accelRate = 1e6;
    h.wavelength = 280;
    h.count = 1;
    return h;
}

// Writes scan k of the set from radii and signal (1-based).
std::string writeScan(const std::string& folder, const char* szStem, int k, double t, float* r, float* c)
{
    ScanHeader h = headerAt(t, k);
    char name[64];
    std::snprintf(name, sizeof name, "%s%05d.RA1", szStem, k);
    const std::string path = folder + "/" + name;
    writeScanFile(path.c_str(), kPoints, r, c, nullptr, nullptr, 1, &h);
    return path;
}

float* radii()
{
    float* r = vector(1, kPoints);
    for (int i = 1; i <= kPoints; i++) r[i] = static_cast<float>(kMeniscus + 0.002 * (i - 1));
    return r;
}

}  // namespace

std::vector<double> evenTimes(int n, double first, double step)
{
    std::vector<double> t;
    for (int k = 0; k < n; k++) t.push_back(first + step * k);
    return t;
}

std::vector<std::string> writeStepScans(const std::string& folder, const std::vector<Species>& species,
                                        const std::vector<double>& times, double baseline, const char* szStem)
{
    // the profiles of the program's own sharp boundary, in this cell
    const float fOldMeniscus = fMeniscus, fOldBottom = fBottom;
    const double dOldRate = dAreaFractionS;
    fMeniscus = static_cast<float>(kMeniscus);
    fBottom = static_cast<float>(kBottom);
    float* r = radii();
    float* c = vector(1, kPoints);
    float* one = vector(1, kPoints);
    std::vector<std::string> paths;
    for (size_t k = 0; k < times.size(); k++) {
        for (int i = 1; i <= kPoints; i++) c[i] = static_cast<float>(baseline);
        for (const Species& sp : species) {
            dAreaFractionS = omega2() * sp.s * 1e-13;
            stepFunctionProfile(static_cast<float>(sp.amplitude), times[k], r, one, kPoints);
            for (int i = 1; i <= kPoints; i++) c[i] += one[i];
        }
        paths.push_back(writeScan(folder, szStem, static_cast<int>(k) + 1, times[k], r, c));
    }
    free_vector(r, 1, kPoints);
    free_vector(c, 1, kPoints);
    free_vector(one, 1, kPoints);
    fMeniscus = fOldMeniscus;
    fBottom = fOldBottom;
    dAreaFractionS = dOldRate;
    return paths;
}

std::vector<std::string> writeLammScans(const std::string& folder, const std::vector<Species>& species,
                                        const std::vector<double>& times, double baseline, const char* szStem)
{
    const int n = static_cast<int>(times.size());
    std::vector<ScanHeader> headers(n + 1);
    for (int k = 1; k <= n; k++) headers[k] = headerAt(times[k - 1], k);
    float* r = radii();
    float** sum = matrix(1, n, 1, kPoints);
    for (const Species& sp : species) {
        float** out = matrix(1, n, 1, kPoints);
        auto L = std::make_unique<CLammIdeal>();
        L->SetNonReactingModel();
        L->SetSedimentationParams(sp.s, sp.D, kMeniscus, kBottom, sp.amplitude, static_cast<float>(kMeniscus),
                                  static_cast<float>(kBottom));
        L->SetScanData(nullptr, nullptr, headers.data(), out, r, kPoints, nullptr, nullptr, false, nullptr, n, 1, true,
                       true, false, 0, false, 0, false);
        setDefaultSolverOptions(*L);
        L->bRampRotorSpeed = 0;
        L->SetSolventAndParticle(20.0, 0.73, 0.99823, 1.0);
        EXPECT_EQ(L->Solve(), 0) << "Lamm solution of s = " << sp.s;
        for (int k = 1; k <= n; k++)
            for (int i = 1; i <= kPoints; i++) sum[k][i] += out[k][i];
        free_matrix(out, 1, n, 1, kPoints);
    }
    std::vector<std::string> paths;
    for (int k = 1; k <= n; k++) {
        for (int i = 1; i <= kPoints; i++) sum[k][i] += static_cast<float>(baseline);
        paths.push_back(writeScan(folder, szStem, k, times[k - 1], r, sum[k]));
    }
    free_matrix(sum, 1, n, 1, kPoints);
    free_vector(r, 1, kPoints);
    return paths;
}

std::vector<std::string> writeProfileScans(const std::string& folder, const std::vector<double>& times,
                                           const std::function<double(double r, double t)>& profile,
                                           const char* szStem)
{
    float* r = radii();
    float* c = vector(1, kPoints);
    std::vector<std::string> paths;
    for (size_t k = 0; k < times.size(); k++) {
        for (int i = 1; i <= kPoints; i++) c[i] = static_cast<float>(profile(r[i], times[k]));
        paths.push_back(writeScan(folder, szStem, static_cast<int>(k) + 1, times[k], r, c));
    }
    free_vector(r, 1, kPoints);
    free_vector(c, 1, kPoints);
    return paths;
}

void BoundaryWindowTest::TearDown()
{
    freeBoundaryAnalyses();
    ModelWindowTest::TearDown();
}

void BoundaryWindowTest::LoadExperiment(const std::vector<std::string>& paths)
{
    LoadScans(paths);
    ASSERT_EQ(nScans, static_cast<int>(paths.size()));
    fMeniscus = pParamValue[13] = static_cast<float>(kMeniscus);
    fBottom = pParamValue[14] = static_cast<float>(kBottom);
    fFitLeftLim = 6.05f;
    fFitRightLim = 7.1f;
    updateLeftFitLimit();
    updateRightFitLimit();
}

void BoundaryWindowTest::SelectExtrapolation(float sMin, float sMax, int nGrid, int nFractions, int nPerSet)
{
    bModelDiscreteSpecies = 0;
    bBoundaryAnalysisMode = bExtrapolateAreaFractions = bModelContinuous = 1;
    bFitTINoise = bFitRINoise = 0;
    bAlgebraicBaseline = 0;
    fBaseline = 0.0f;
    pParamValue[1] = sMin;
    pParamValue[5] = sMax;
    pParamValue[9] = static_cast<float>(nGrid);
    pParamValue[11] = static_cast<float>(nFractions);
    pParamValue[3] = static_cast<float>(nPerSet);
    pParamValue[2] = 0.68f;
    bLogSGrid = 0;
    bShowExtrapolationPlot = 0;
}

void BoundaryWindowTest::SelectVanHoldeWeischet(float fResolution, bool bFlotation, bool bShowPlot)
{
    bModelDiscreteSpecies = 0;
    bBoundaryAnalysisMode = 1;
    bExtrapolateAreaFractions = 0;
    bFitTINoise = bFitRINoise = 0;
    fSGridResolution = fResolution;
    bVhwFlotation = bFlotation ? 1 : 0;
    bShowExtrapolationPlot = bShowPlot ? 1 : 0;
}

}  // namespace boundarytest
