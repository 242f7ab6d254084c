#include "distributions/conti_nonid_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/regularization.h"
#include "distributions/ctot_movie.h"
#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "platform/win.h"
#include "lamm/lamm_fixture.h"
#include "lamm/lamm_nonideal.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"

void ContiNonidTest::SetUp()
{
    ContiRunTest::SetUp();
    bModelNonidealCS = 0;
    bDiagnostics = 1;
    // the second derivative: the entropy search may stop short of the
    // confidence level on data fitted to their noise
    bRegMaxEnt = 0;
    bRegSecondDerivative = 1;
}

void ContiNonidTest::LoadNonideal(NonidealScans& sp)
{
    const int n = sp.nPoints, nk = sp.nScans;
    std::vector<ScanHeader> headers = VelocityHeaders(nk, sp.t0, sp.dt, "non-ideal species, scan ");
    float* r = vector(1, n);
    for (int i = 1; i <= n; ++i) r[i] = static_cast<float>(5.95 + 1.2 * (i - 1) / (n - 1));
    float** out = matrix(1, nk, 1, n);
    const int nFrames = static_cast<int>(sp.frameTimes.size());
    const int nFramePoints = static_cast<int>(sp.frameRadii.size());
    float** frames = nFrames > 0 ? matrix(1, nFrames, 1, nFramePoints) : nullptr;
    {
        CLammNonIdeal L;
        L.SetSedimentationParams(sp.s0, diffusionOf(sp.s0, sp.ff0), 6.0, 7.2, sp.mgPerMl * sp.signalPerMgMl, 6.01f,
                                 7.1f);
        L.SetScanData(nullptr, nullptr, headers.data(), out, r, n, nullptr, nullptr, false, nullptr, nk, 1, true, true,
                      false, 0, false, 0, false);
        setDefaultSolverOptions(L);
        L.nDefaultGridSize = 1000;
        L.SetNonidealParams(sp.log10Ks, sp.log10Kd, sp.signalPerMgMl, false, false);
        L.SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
        std::vector<double> t(nFrames + 1);
        std::vector<float> fr(nFramePoints + 1);
        for (int i = 1; i <= nFrames; i++) t[i] = sp.frameTimes[i - 1];
        for (int j = 1; j <= nFramePoints; j++) fr[j] = sp.frameRadii[j - 1];
        if (nFrames > 0) L.SetSnapshotTimes(nFrames, nFramePoints, frames, nullptr, t.data(), fr.data());
        ASSERT_EQ(L.Solve(), 0);
    }
    trueFrames.assign(nFrames, std::vector<float>(nFramePoints));
    for (int i = 1; i <= nFrames; i++)
        for (int j = 1; j <= nFramePoints; j++) trueFrames[i - 1][j - 1] = frames[i][j];
    if (frames) free_matrix(frames, 1, nFrames, 1, nFramePoints);
    if (sp.extraLoading > 0) {
        float** extra = matrix(1, nk, 1, n);
        CLammIdeal L;
        L.SetNonReactingModel();
        L.SetSedimentationParams(sp.extraS, sp.extraD, 6.0, 7.2, sp.extraLoading, 6.01f, 7.1f);
        L.SetScanData(nullptr, nullptr, headers.data(), extra, r, n, nullptr, nullptr, false, nullptr, nk, 1, true,
                      true, false, 0, false, 0, false);
        setDefaultSolverOptions(L);
        L.SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
        EXPECT_EQ(L.Solve(), 0);
        for (int k = 1; k <= nk; ++k)
            for (int i = 1; i <= n; ++i) out[k][i] += extra[k][i];
        free_matrix(extra, 1, nk, 1, n);
    }

    static int nFolder = 0;
    const std::string folder = Folder("nonideal" + std::to_string(++nFolder));
    std::mt19937 gen(20261208u);
    std::normal_distribution<double> noise(0.0, sp.noise > 0 ? sp.noise : 1.0);
    std::vector<std::string> paths;
    float* y = vector(1, n);
    for (int k = 1; k <= nk; ++k) {
        for (int i = 1; i <= n; ++i)
            y[i] = static_cast<float>((r[i] < 6.0f ? 0.0 : out[k][i]) + (sp.noise > 0 ? noise(gen) : 0.0));
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        paths.push_back(folder + "/" + name);
        writeScanFile(paths.back().c_str(), n, r, y, nullptr, nullptr, 1, &headers[k]);
    }
    free_vector(y, 1, n);
    free_vector(r, 1, n);
    free_matrix(out, 1, nk, 1, n);
    LoadScans(paths);
    ASSERT_EQ(nScans, nk);
    SetCellGeometry();
}

void ContiNonidTest::ChooseNonidealCs(float fMin, float fMax, int n, float fFf0, float fP, float log10Ks,
                                      float log10Kd, double signalPerMgMl)
{
    ChooseContinuous(&bModelNonidealCS, fMin, fMax, n, fFf0, fP);
    bModelHinderedCS = 0;
    pParamValue[20] = fNonidealKs = log10Ks;
    pParamValue[21] = fNonidealKd = log10Kd;
    pParamFloat[20] = pParamFloat[21] = 0;
    pParamValue[6] = fDiscreteCompS = 0.34f;
    pParamValue[10] = fDiscreteCompM = 350.0f;
    dSignalPerMgMl = signalPerMgMl;
    bMeanFieldFromData = bMeanFieldExternal = bMeanFieldFrozen = 0;
}

void ContiNonidTest::ChooseNonidealCsFor(const NonidealScans& species, int n)
{
    ChooseNonidealCs(2.0f, 6.0f, n, 1.3f, 0.68f, species.log10Ks, species.log10Kd, species.signalPerMgMl);
}

void ContiNonidTest::ChooseFieldFromData()
{
    ChooseNonidealCs(1.0f, 10.0f, 21, 1.3f, 0.68f, -2.0f, -2.0f, 1.0);
    bMeanFieldFromData = 1;
    checkExternalMeanField();
}

NonidealScans ContiNonidTest::EightNoisyScans()
{
    NonidealScans sp;
    sp.nScans = 8;
    sp.noise = 0.005;
    return sp;
}

int ContiNonidTest::ListRuns()
{
    std::FILE* f = win::fopenMapped("c:\\temp\\Morvexdebug_t0.txt", "r");
    if (!f) return 0;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    int count = 0;
    for (size_t at = text.find("enter RunMTList"); at != std::string::npos; at = text.find("enter RunMTList", at + 1))
        count++;
    return count;
}

double ContiNonidTest::MeanS()
{
    double sum = 0, sumS = 0;
    for (int i = 1; i + 1 <= nResolution; i++) {
        const double ds = pDistAxisS[i + 1] - pDistAxisS[i];
        const double a = 0.5 * (pDistValues[i] + pDistValues[i + 1]) * ds;
        sum += a;
        sumS += 0.5 * (pDistValues[i] * pDistAxisS[i] + pDistValues[i + 1] * pDistAxisS[i + 1]) * ds;
    }
    return sum > 0 ? sumS / sum : 0.0;
}
