#include "distributions/distribution_fixture.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"

void DistributionTest::SetUp()
{
    static std::atomic<int> nFolders{0};
    folder = ::testing::TempDir() + "morvex_dist_" + std::to_string(::getpid()) + "_" + std::to_string(nFolders++);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    szDistCurvePath = folder + "/sdist.RA1";
    VBAR = 0.73f;
    fBufferDensity = 0.99823f;
    fVbarRho = VBAR * fBufferDensity;
    RELVISCOSITY = 1.0f;
    fTemperatureK = 293.15f;
    clearShownErrorMessages();
}

void DistributionTest::TearDown() { std::filesystem::remove_all(folder); }

std::vector<std::string> DistributionTest::gridFileLines() const
{
    std::vector<std::string> lines;
    std::ifstream in(szDistCurvePath);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void DistributionTest::writeGridFile(const std::vector<std::string>& lines) const
{
    std::ofstream out(szDistCurvePath);
    for (const std::string& line : lines) out << line << "\n";
}

std::vector<int> shownMaxima()
{
    CVector vx, vy;
    vx.Attach(pDistAxisS, static_cast<unsigned>(nResolution), 1);
    vy.Attach(pDistValues, static_cast<unsigned>(nResolution), 1);
    CCurve curve(&vx, &vy);
    float px[11], py[11];
    int pi[11];
    const int n = curve.FindPeaks(px, py, pi, 10, 2);
    return std::vector<int>(pi, pi + n + 1);
}

float threePeaksFourMaxima(float s)
{
    auto gauss = [s](float mu, float sd) { return std::exp(-0.5f * (s - mu) * (s - mu) / (sd * sd)); };
    return gauss(3.0f, 0.3f) + 0.8f * gauss(4.2f, 0.3f) + 0.5f * (gauss(6.8f, 0.25f) + gauss(7.4f, 0.25f));
}
