#include "distributions/conti_run_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_fixture.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"

double diffusionOf(double s, double ff0)
{
    fTemperatureK = 293.15f;
    VBAR = 0.73f;
    fBufferDensity = 1.0f;
    fVbarRho = VBAR * fBufferDensity;
    RELVISCOSITY = 1.0f;
    const float M = CalculateMff02(static_cast<float>(s), static_cast<float>(ff0));
    return DFromSM(static_cast<float>(s), M, 20.0f);
}

void ContiRunTest::SetUp()
{
    DataMenuTest::SetUp();
    bWizardMessages = 0;
    bFlagStrongGradients = 0;
    VBAR = 0.73f;
    fBufferDensity = 1.0f;
    fVbarRho = VBAR;
    RELVISCOSITY = 1.0f;
}

void ContiRunTest::TearDown() { DataMenuTest::TearDown(); }

std::vector<ScanHeader> ContiRunTest::VelocityHeaders(int nk, double t0, double dt, const std::string& titlePrefix)
{
    const double rpm = 50000, w = rpm * 2 * M_PI / 60;
    std::vector<ScanHeader> headers(nk + 1);
    std::memset(headers.data(), 0, sizeof(ScanHeader) * headers.size());
    for (int k = 1; k <= nk; ++k) {
        ScanHeader& h = headers[k];
        const double t = t0 + dt * (k - 1);
        h.time = h.timeWritten = h.timeRead = t;
        h.dataType = 'R';
        h.cell = 1;
        h.temperature = 20.0f;
        h.rpm = static_cast<float>(rpm);
        h.omega2t = w * w * t;
        h.wavelength = 280;
        h.count = 1;
        h.accelRate = 1e6;
        std::snprintf(h.title, sizeof h.title, "%s%d", titlePrefix.c_str(), k);
    }
    return headers;
}

std::vector<std::string> ContiRunTest::WriteSpecies(const SpeciesScans& sp, const std::string& folder)
{
    return WriteMixture({sp}, folder);
}

std::vector<std::string> ContiRunTest::WriteMixture(const std::vector<SpeciesScans>& species, const std::string& folder)
{
    const SpeciesScans& sp = species.front();
    const int n = sp.nPoints, nk = sp.nScans;
    char szTitle[80];
    std::snprintf(szTitle, sizeof szTitle, "species of %.2f S, scan ", sp.s);
    std::vector<ScanHeader> headers = VelocityHeaders(nk, sp.t0, sp.dt, szTitle);
    float* r = vector(1, n);
    for (int i = 1; i <= n; ++i) r[i] = static_cast<float>(5.95 + 1.2 * (i - 1) / (n - 1));
    float** out = matrix(1, nk, 1, n);
    std::vector<double> sum(static_cast<size_t>(nk + 1) * (n + 1), 0.0);
    for (const SpeciesScans& q : species) {
        CLammIdeal L;
        L.SetNonReactingModel();
        L.SetSedimentationParams(q.s, q.D, 6.0, 7.2, q.loading, 6.01f, 7.1f);
        L.SetScanData(nullptr, nullptr, headers.data(), out, r, n, nullptr, nullptr, false, nullptr, nk, 1, true, true,
                      false, 0, false, 0, false);
        setDefaultSolverOptions(L);
        L.SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
        EXPECT_EQ(L.Solve(), 0);
        for (int k = 1; k <= nk; ++k)
            for (int i = 1; i <= n; ++i) sum[static_cast<size_t>(k) * (n + 1) + i] += r[i] < 6.0f ? 0.0 : out[k][i];
    }
    std::mt19937 gen(20261207u);
    std::normal_distribution<double> noise(0.0, sp.noise > 0 ? sp.noise : 1.0);
    std::uniform_real_distribution<double> offset(-sp.riNoise, sp.riNoise);
    std::vector<std::string> paths;
    float* y = vector(1, n);
    for (int k = 1; k <= nk; ++k) {
        const double fOffset = sp.riNoise > 0 ? offset(gen) : 0.0;
        for (int i = 1; i <= n; ++i) {
            const double fProfile = sp.tiNoise * (0.5 * std::sin(25.0 * r[i]) + (r[i] - 6.0));
            y[i] = static_cast<float>(sp.baseline + sum[static_cast<size_t>(k) * (n + 1) + i] + fProfile + fOffset +
                                      (sp.noise > 0 ? noise(gen) : 0.0));
        }
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        paths.push_back(folder + "/" + name);
        writeScanFile(paths.back().c_str(), n, r, y, nullptr, nullptr, 1, &headers[k]);
    }
    free_vector(y, 1, n);
    free_vector(r, 1, n);
    free_matrix(out, 1, nk, 1, n);
    return paths;
}

void ContiRunTest::LoadSpecies(const SpeciesScans& sp) { LoadMixture({sp}); }

void ContiRunTest::LoadMixture(const std::vector<SpeciesScans>& species)
{
    static int nFolder = 0;
    LoadScans(WriteMixture(species, Folder("species" + std::to_string(++nFolder))));
    ASSERT_EQ(nScans, species.front().nScans);
    SetCellGeometry();
}

void ContiRunTest::SetCellGeometry()
{
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
    fFitLeftLim = 6.05f;
    updateLeftFitLimit();
    fFitRightLim = 7.10f;
    updateRightFitLimit();
}

void ContiRunTest::ChooseContinuous(unsigned char* pbModel, float fMin, float fMax, int n, float fFf0, float fP)
{
    bModelContinuous = 1;
    if (pbModel) *pbModel = 1;
    bFitTINoise = bFitRINoise = 0;
    bAlgebraicBaseline = 0;
    fBaseline = pParamValue[15] = 0.0f;
    pParamValue[1] = fMin;
    pParamValue[nSpecies + 1] = fMax;
    pParamValue[2 * nSpecies + 1] = static_cast<float>(n);
    pParamValue[2] = fP;
    pParamValue[11] = fFf0;
    pParamValue[3] = 0.73f;
    pParamValue[7] = 1.0f;
    pParamValue[12] = 0.01002f;
    pParamValue[4] = 0.0f;
    pParamFloat[3] = pParamFloat[4] = 0;
}

int ContiRunTest::PeakIndex(int nFirst)
{
    int k = nFirst;
    for (int i = nFirst; i <= nResolution; i++)
        if (pDistValues[i] > pDistValues[k]) k = i;
    return k;
}
