// Synthetic data: the radii, times, noise and temperature of a generated set, the
// questions of Generate > Single and Series with the self-association
// constants, the numbered folders of a series and the refusal of an
// automatic scan count that has no end, data simulated from a distribution
// file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/conti_run_fixture.h"
#include "distributions/distribution_result.h"
#include "fitting/f_statistics.h"
#include "fitting/fit_globals.h"
#include "fitting/synthetic_data.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "resources/dialog_templates.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "plot/key_polling.h"
#include "time_limit.h"

using namespace win;
namespace fs = std::filesystem;

namespace {

constexpr double dOmega50k = 50000.0 * 2.0 * M_PI / 60.0;

class SyntheticDataTest : public ContiRunTest {
protected:
    void SetUp() override
    {
        ContiRunTest::SetUp();
        installDialogTemplates();
    }
    // The discrete-species model with species 1 (s in S, D in 1e-7 cm^2/s,
    // loading) and optionally species 2, meniscus 6.2 and bottom 7.2 cm.
    void OneSpecies(float s, float D, float c, bool bSecond = false)
    {
        bModelDiscreteSpecies = 1;
        bUseMolarMass = 0;
        for (int k = 1; k <= 4; k++) pSpeciesIncluded[k] = 0;
        pSpeciesIncluded[1] = 1;
        pParamValue[9] = pSpeciesConc[1] = c;
        pParamValue[1] = pSpeciesMw[1] = D;
        pParamValue[5] = pSpeciesS[1] = s;
        if (bSecond) {
            pSpeciesIncluded[2] = 1;
            pParamValue[10] = pSpeciesConc[2] = 0.01f;
            pParamValue[2] = pSpeciesMw[2] = 3.0f;
            pParamValue[6] = pSpeciesS[2] = 10.0f;
        }
        fMeniscus = pParamValue[13] = 6.2f;
        fBottom = pParamValue[14] = 7.2f;
        fFitLeftLim = fFitRightLim = 0.0f;
    }
    std::string Path(const std::string& folder) { return Folder(folder) + "/0000x.RA0"; }
    // The parameters dialog of the discrete species accepted as it shows them.
    static headless::DialogAnswer Accept() { return headless::DialogAnswer(); }
};

// Each number asked since the script began: its prompt and the text the
// edit line offered, in order (from the transcript's "Input" lines).
using Asked = std::vector<std::pair<std::string, std::string>>;

Asked offered(const headless::Script& script)
{
    Asked v;
    for (const std::string& l : script.lines()) {
        if (l.rfind("Input \"", 0) != 0) continue;
        // Input "title" "prompt" "initial text" -> ...
        std::vector<std::string> quoted;
        for (size_t i = l.find('"'); i != std::string::npos && quoted.size() < 3;) {
            const size_t j = l.find('"', i + 1);
            if (j == std::string::npos) break;
            quoted.push_back(l.substr(i + 1, j - i - 1));
            i = l.find('"', j + 1);
        }
        if (quoted.size() == 3) v.emplace_back(quoted[1], quoted[2]);
    }
    return v;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

TEST(SyntheticRadii, SinglePrecisionStepsAndTheAutomaticScanCount)
{
    EXPECT_EQ(syntheticRadii(6.2f, 7.2f, 0.001f, nullptr), 1001);
    std::vector<float> r(1002);
    ASSERT_EQ(syntheticRadii(6.2f, 7.2f, 0.001f, r.data()), 1001);
    float x = 6.2f;
    for (int j = 1; j <= 1001; j++, x += 0.001f) EXPECT_EQ(r[static_cast<size_t>(j)], x);
    EXPECT_LE(r[1001], 7.2f);
    EXPECT_EQ(syntheticRadii(6.2f, 7.2f, 0.0f, nullptr), 0);
    EXPECT_EQ(syntheticRadii(7.3f, 7.2f, 0.001f, nullptr), 0);
    EXPECT_EQ(syntheticRadii(6.2f, 7.2f, 1e-9f, nullptr), 1);  // a step below the float resolution ends them

    // 4.3 S from 6.2 to 7.19 cm at 50000 rpm, in intervals of 300 s
    const double T = std::log(7.19 / 6.2) / (4.3e-13 * dOmega50k * dOmega50k);
    EXPECT_EQ(automaticScanCount(4.3f, 6.2f, 7.19f, 50000.0f, 300.0f), static_cast<int>(std::floor(T / 300.0)));
    EXPECT_EQ(automaticScanCount(4.3f, 6.2f, 7.19f, 50000.0f, 300.0f), 41);
    EXPECT_EQ(automaticScanCount(0.0f, 6.2f, 7.19f, 50000.0f, 300.0f), 0);
    EXPECT_EQ(automaticScanCount(-2.0f, 6.2f, 7.19f, 50000.0f, 300.0f), 0);
    EXPECT_EQ(automaticScanCount(4.3f, 6.2f, 6.1f, 50000.0f, 300.0f), 0);
}

// Radii, times with and without the ramp, files, noise against the model.
TEST_F(SyntheticDataTest, ScansTimesNoiseAndFiles)
{
    OneSpecies(4.3f, 6.1f, 0.8f);
    fRmsd = -1.0f;
    window->GenerateSyntheticData(0, 0.001f, 50000.0f, -1.0f, 0.0f, 300.0f, 0.0f, 5, Path("plain").c_str());
    ASSERT_EQ(nScans, 5);
    ASSERT_EQ(pScanPoints[1], 1001);
    EXPECT_FLOAT_EQ(ppRadius[1][1], 6.2f);
    EXPECT_DOUBLE_EQ(pScanHeaders[1].time, 300.0);
    EXPECT_DOUBLE_EQ(pScanHeaders[5].time, 1500.0);
    EXPECT_NEAR(pScanHeaders[1].omega2t, dOmega50k * dOmega50k * 300.0, 1e-6 * pScanHeaders[1].omega2t);
    EXPECT_EQ(bAbsorbanceData, 1);
    EXPECT_EQ(bModelComputed, 0);
    EXPECT_NEAR(fFitLeftLim, 6.21f, 1e-5f);
    EXPECT_NEAR(fFitRightLim, 7.19f, 1e-5f);
    // noise 0: the data are the model, and no deviation is computed
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) EXPECT_EQ(ppSignal[k][j], ppFit[k][j]);
    // the plateau of the first scan at 6.8 cm, radially diluted
    EXPECT_NEAR(ppFit[1][601], 0.8 * std::exp(-2.0 * 4.3e-13 * dOmega50k * dOmega50k * 300.0), 0.01);
    EXPECT_EQ(fRmsd, -1.0f);
    // the files, read back
    for (int k = 1; k <= 5; k++) {
        char sz[16];
        std::snprintf(sz, sizeof sz, "%05d.ra0", k);
        EXPECT_TRUE(fs::exists(Folder("plain") + "/" + sz)) << sz;
    }
    ScanHeader h{};
    int n = 0;
    float *r = nullptr, *y = nullptr;
    ASSERT_EQ(readScanFile((Folder("plain") + "/00003.ra0").c_str(), &h, &n, &r, &y, nullptr, nullptr, 0.0f), 1);
    EXPECT_EQ(n, 1001);
    EXPECT_EQ(h.dataType, 'R');
    EXPECT_DOUBLE_EQ(h.time, 900.0);
    EXPECT_NEAR(y[500], ppSignal[3][500], 1e-5f);
    free_vector(r, 1, n);
    free_vector(y, 1, n);

    // a spacing longer than the column still gives every scan its first
    // radius, the meniscus: one point, short of the fit window (which the
    // data's check of the right limit says; the unattended run's answers
    // take those boxes)
    {
        headless::Script script;
        headless::setPolicy(headless::Policy::DefaultAnswers);
        window->GenerateSyntheticData(0, 1.5f, 50000.0f, -1.0f, 0.0f, 300.0f, 0.0f, 5, Path("one").c_str());
        headless::setPolicy(headless::Policy::FailOnUnexpected);
        const headless::Lines lines = script.lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.find("possible problem with right limit in file 00001.ra0") != std::string::npos;
        }));
    }
    ASSERT_EQ(nScans, 5);
    for (int k = 1; k <= 5; k++) {
        ASSERT_EQ(pScanPoints[k], 1) << k;
        EXPECT_EQ(ppRadius[k][1], 6.2f) << k;
    }
    ASSERT_EQ(readScanFile((Folder("one") + "/00005.ra0").c_str(), &h, &n, &r, &y, nullptr, nullptr, 0.0f), 1);
    EXPECT_EQ(n, 1);
    EXPECT_FLOAT_EQ(r[1], 6.2f);
    EXPECT_DOUBLE_EQ(h.time, 1500.0);
    free_vector(r, 1, n);
    free_vector(y, 1, n);

    // a ramp of 200 rpm/s: every time 250 s later, omega^2 t larger by the
    // integral over the ramp
    const double w2t1 = pScanHeaders[1].omega2t;
    const unsigned char bRampBefore = bRampRotorSpeed;
    window->GenerateSyntheticData(0, 0.002f, 50000.0f, 200.0f, 0.0f, 300.0f, 0.0f, 3, Path("ramp").c_str());
    ASSERT_EQ(nScans, 3);
    EXPECT_DOUBLE_EQ(pScanHeaders[1].time, 550.0);
    EXPECT_NEAR(pScanHeaders[1].omega2t - w2t1, 2.2846e9, 0.0001e9);
    EXPECT_DOUBLE_EQ(pScanHeaders[1].accelRate, 200.0);
    EXPECT_DOUBLE_EQ(pScanHeaders[1].accelTime, 250.0);
    EXPECT_EQ(bRampRotorSpeed, bRampBefore);  // put back after the evaluation

    // noise sigma: the rmsd of data against the model is sigma within 5 %
    seedRandomNumbers(17u);
    window->GenerateSyntheticData(0, 0.002f, 50000.0f, -1.0f, 0.01f, 300.0f, 0.0f, 10, Path("noise").c_str());
    EXPECT_NEAR(fRmsd, 0.01f, 0.0005f);
    double d2 = 0.0;
    long m = 0;
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++, m++) d2 += (ppSignal[k][j] - ppFit[k][j]) * (ppSignal[k][j] - ppFit[k][j]);
    EXPECT_NEAR(std::sqrt(d2 / m), 0.01, 0.0005);
    // every point draws its own deviate, the last radius as well: a normal
    // deviate of exactly 0 has no chance, and at the last radius of the 10
    // scans the deviations spread by sigma too (chi-square, 10 degrees)
    double d2Last = 0.0;
    for (int k = 1; k <= nScans; k++) {
        for (int j = 1; j <= pScanPoints[k]; j++) EXPECT_NE(ppSignal[k][j], ppFit[k][j]) << k << " " << j;
        const int jLast = pScanPoints[k];
        d2Last += (ppSignal[k][jLast] - ppFit[k][jLast]) * (ppSignal[k][jLast] - ppFit[k][jLast]);
    }
    EXPECT_GT(d2Last / (0.01 * 0.01), 2.56);  // the 1 % point of chi-square with 10 degrees
    // the switches a generated set leaves
    EXPECT_EQ(bFitTINoise + bFitRINoise + bAlgebraicBaseline + bAlgebraicConcentrations, 0);
}

// The generated scans are at 20 C, and so is RT: a species given by its molar
// mass diffuses with D = s R T / (M (1 - vbar rho)) at 293.15 K, whatever
// temperature the data before had left.
TEST_F(SyntheticDataTest, ASpeciesGivenByItsMolarMassDiffusesAtTwentyDegrees)
{
    const double s = 4.3, M = 63000.0;
    const double D = s * 1e-13 * 8.31451e7 * 293.15 / ((1.0 - fVbarRho) * M);  // about 6.1e-7 cm^2/s
    OneSpecies(4.3f, 6.1f, 0.8f);
    pParamValue[1] = pSpeciesMw[1] = static_cast<float>(D * 1e7);
    window->GenerateSyntheticData(0, 0.002f, 50000.0f, -1.0f, 0.0f, 600.0f, 0.0f, 4, Path("byD").c_str());
    ASSERT_EQ(nScans, 4);
    std::vector<std::vector<float>> byD;
    for (int k = 1; k <= nScans; k++) byD.emplace_back(ppFit[k] + 1, ppFit[k] + pScanPoints[k] + 1);

    OneSpecies(4.3f, 6.1f, 0.8f);
    bUseMolarMass = 1;
    pParamValue[1] = pSpeciesMw[1] = static_cast<float>(M);
    fRT = static_cast<float>(8.31451e7 * 277.15);  // as a set run at 4 C left it
    window->GenerateSyntheticData(0, 0.002f, 50000.0f, -1.0f, 0.0f, 600.0f, 0.0f, 4, Path("byM").c_str());
    ASSERT_EQ(nScans, 4);
    const float fTemperature = pScanHeaders[4].temperature;  // a packed header: read by value
    EXPECT_EQ(fTemperature, 20.0f);
    double dMax = 0.0;
    for (int k = 1; k <= nScans; k++) {
        ASSERT_EQ(static_cast<size_t>(pScanPoints[k]), byD[k - 1].size());
        for (int j = 1; j <= pScanPoints[k]; j++)
            dMax = std::max(dMax, std::fabs(static_cast<double>(ppFit[k][j]) - byD[k - 1][j - 1]));
    }
    EXPECT_LT(dMax, 1e-4);
}

// Generate > Single: the questions, the Parameters dialog, the save dialog;
// a Cancel leaves everything as it was.
TEST_F(SyntheticDataTest, SingleAsksItsQuestionsAndCancelChangesNothing)
{
    OneSpecies(4.3f, 6.1f, 0.8f);
    fMeniscus = pParamValue[13] = 0.0f;
    bUseMolarMass = 0;
    headless::Script script;
    script.expectMessageBox("Fit with M and s instead D and s?", IDYES)
        .expectInput("density of points dr (cm)", "0.002")
        .expectInput("rotor speed (rpm)", "50000")
        .expectMessageBox("simulate with rotor acceleration phase?", IDNO)
        .expectInput("time interval of scans (sec)", "300")
        .expectInputCancel("number of simulated scans");
    Run(script, 214);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bUseMolarMass, 0);
    EXPECT_EQ(fMeniscus, 0.0f);
    EXPECT_EQ(nScans, 0);

    const size_t nAskedBefore = offered(script).size();
    script.expectMessageBox("Fit with M and s instead D and s?", IDNO)
        .expectInput("density of points dr (cm)", "0.002")
        .expectInput("rotor speed (rpm)", "50000")
        .expectMessageBox("simulate with rotor acceleration phase?", IDYES)
        .expectInputCancel("acceleration (rpm/sec)")
        .expectInput("time interval of scans (sec)", "600")
        .expectInput("number of simulated scans", "4.7")
        .expectInput("std of noise (OD)", "0")
        .expectDialog("noninteracting species model", Accept())
        .expectSaveFile("save generated data as", Path("single"));
    Run(script, 214);
    EXPECT_EQ(script.pending(), 0u);
    // each number offers its default: dr 0.001 cm, 50000 rpm, 200 rpm/s,
    // 300 s, 50 scans, noise 0.01 (at most 0.01 in exponent form)
    const Asked defaults = {
        {"density of points dr (cm)", "1.000000e-03"}, {"rotor speed (rpm)", "50000.000000"},
        {"acceleration (rpm/sec)", "200.000000"},      {"time interval of scans (sec)", "300.000000"},
        {"number of simulated scans", "50.000000"},    {"std of noise (OD)", "1.000000e-02"}};
    const Asked asked = offered(script);
    ASSERT_GE(asked.size(), nAskedBefore);
    EXPECT_EQ(Asked(asked.begin() + static_cast<long>(nAskedBefore), asked.end()), defaults);
    EXPECT_FLOAT_EQ(fMeniscus, 6.2f);
    EXPECT_FLOAT_EQ(fBottom, 7.2f);
    ASSERT_EQ(nScans, 4);  // truncated
    EXPECT_DOUBLE_EQ(pScanHeaders[4].time, 2400.0);
    EXPECT_DOUBLE_EQ(pScanHeaders[1].accelTime, 0.0);  // a Cancel of the acceleration: no ramp
    EXPECT_TRUE(fs::exists(Folder("single") + "/00004.ra0"));
    EXPECT_EQ(std::string(szScanDir).find("single") != std::string::npos, true);

    // the boundary analyses are refused
    bBoundaryAnalysisMode = 1;
    script.expectMessageBox("no simulation for van Holde-Weischet boundaries implemented", IDOK);
    Run(script, 214);
    EXPECT_EQ(script.pending(), 0u);
    bBoundaryAnalysisMode = 0;
}

// The self-association models store the logarithms of the signal-based
// constants: monomer-dimer with E = 1.2e5 and Ka12 = 5e5 gives 0.9208.
TEST_F(SyntheticDataTest, SelfAssociationConstantsAreStoredAsLogarithms)
{
    headless::Script script;
    Run(script, 197);
    ASSERT_EQ(bModelMonomerDimer, 1);
    script.expectMessageBox("Fit with M and s instead D and s?", IDYES)
        .expectInput("density of points dr (cm)", "0.001")
        .expectInput("rotor speed (rpm)", "50000")
        .expectMessageBox("simulate with rotor acceleration phase?", IDNO)
        .expectInput("time interval of scans (sec)", "300")
        .expectInput("number of simulated scans", "50")
        .expectInput("std of noise (OD)", "0.01")
        .expectInput("extinction coefficient [M^-1cm^-1]", "100000")
        .expectInput("total molar concentration [uM]", "1")
        .expectInput("Ka12 [1/M]", "500000")
        .expectDialog("", headless::DialogAnswer().cancel())
        .expectFileCancel("save generated data as");
    Run(script, 214);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NEAR(pParamValue[3], std::log10(2.0 * 5e5 / 1.2e5), 1e-5);
    EXPECT_NEAR(pParamValue[3], 0.9208f, 1e-4f);
    EXPECT_NEAR(fSALog10Ka, 0.9208f, 1e-4f);
    EXPECT_NEAR(pParamValue[11], 0.12f, 1e-6f);
    EXPECT_NEAR(fSATotalConc, 0.12f, 1e-6f);
    EXPECT_EQ(nScans, 0);

    // 1-4-8: log10(4 Ka14 / E^3) and log10(8 Ka18 / E^7)
    Run(script, 520);
    ASSERT_EQ(bModelSelfAssoc148, 1);
    script.expectMessageBox("Fit with M and s instead D and s?", IDYES)
        .expectInput("density of points dr (cm)", "0.001")
        .expectInput("rotor speed (rpm)", "50000")
        .expectMessageBox("simulate with rotor acceleration phase?", IDNO)
        .expectInput("time interval of scans (sec)", "300")
        .expectInput("number of simulated scans", "50")
        .expectInput("std of noise (OD)", "0.01")
        .expectInput("extinction coefficient [M^-1cm^-1]", "50000")
        .expectInput("total molar concentration [uM]", "2")
        .expectInput("Ka14 [1/M]", "1e15")
        .expectInput("Ka18 [1/M]", "1e30")
        .expectDialog("", headless::DialogAnswer().cancel())
        .expectFileCancel("save generated data as");
    Run(script, 214);
    EXPECT_EQ(script.pending(), 0u);
    const double E = 6e4;
    EXPECT_NEAR(pParamValue[3], std::log10(4e15 / (E * E * E)), 1e-4);
    EXPECT_NEAR(pParamValue[7], std::log10(8e30 / std::pow(E, 7)), 1e-4);
    EXPECT_NEAR(pParamValue[11], E * 2e-6, 1e-6);
}

// A series of 2 spacings, 2 speeds, 1 noise level, 1 meniscus and 3 trace
// concentrations: folders offset + 1 to offset + 12, the trace fastest, each
// with its info, marker and experiment files.
TEST_F(SyntheticDataTest, SeriesMakesOneNumberedFolderPerCombination)
{
    OneSpecies(4.3f, 6.1f, 0.8f, true);
    fBufferDensity = 1.01f;
    fVbarRho = VBAR * fBufferDensity;
    const float fVbarRhoBefore = fVbarRho;
    headless::Script script;
    script.expectDialog("noninteracting species model", Accept())
        .expectSaveFile("save generated data as", Path("series"))
        .expectInput("# radial increments?", "2")
        .expectInput("1 - density of points dr (cm)", "0.004")
        .expectInput("2 - density of points dr (cm)", "0.005")
        .expectInput("# rotor speeds?", "2")
        .expectInput("1 - rotor speed (rpm)?", "50000")
        .expectInput("2 - rotor speed (rpm)?", "40000")
        .expectMessageBox("simulate with rotor acceleration phase?", IDNO)
        .expectInput("time interval of scans (sec)", "600")
        .expectInput("number of simulated scans (0 for auto)", "2")
        .expectInput("# noise levels?", "1")
        .expectInput("1 - noise level?", "0.01")
        .expectInput("# menisci?", "1")
        .expectInput("1 - meniscus (cm)?", "6.1")
        .expectInput("# trace concentrations?", "3")
        .expectInput("1 - 2nd species concentration (%)?", "1")
        .expectInput("2 - 2nd species concentration (%)?", "2")
        .expectInput("3 - 2nd species concentration (%)?", "3")
        .expectInput("directory # offset", "10");
    Run(script, 647);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bGeneratingSeries, 0);
    // each count offers 2, each value its default (the same for every item
    // of a list): dr 0.001 cm, 50000 rpm, 300 s, 0 scans (auto), noise 0.01,
    // meniscus 6.2 cm, 1 %, offset 0
    const Asked defaults = {{"# radial increments?", "2.000000"},
                            {"1 - density of points dr (cm)", "1.000000e-03"},
                            {"2 - density of points dr (cm)", "1.000000e-03"},
                            {"# rotor speeds?", "2.000000"},
                            {"1 - rotor speed (rpm)?", "50000.000000"},
                            {"2 - rotor speed (rpm)?", "50000.000000"},
                            {"time interval of scans (sec)", "300.000000"},
                            {"number of simulated scans (0 for auto)", "0.000000e+00"},
                            {"# noise levels?", "2.000000"},
                            {"1 - noise level?", "1.000000e-02"},
                            {"# menisci?", "2.000000"},
                            {"1 - meniscus (cm)?", "6.200000"},
                            {"# trace concentrations?", "2.000000"},
                            {"1 - 2nd species concentration (%)?", "1.000000"},
                            {"2 - 2nd species concentration (%)?", "1.000000"},
                            {"3 - 2nd species concentration (%)?", "1.000000"},
                            {"directory # offset", "0.000000e+00"}};
    EXPECT_EQ(offered(script), defaults);
    const std::string root = Folder("series") + "/";
    EXPECT_FALSE(fs::exists(root + "10"));
    EXPECT_FALSE(fs::exists(root + "23"));
    const float dr[] = {0.004f, 0.005f}, rpm[] = {50000.0f, 40000.0f}, trace[] = {1.0f, 2.0f, 3.0f};
    int k = 0;
    for (float d : dr)
        for (float w : rpm)
            for (float c : trace) {
                ++k;
                const std::string dir = root + std::to_string(10 + k) + "/";
                char sz[400];
                std::snprintf(sz, sizeof sz, "%f (percent ctrace)\n%f (dr)\n%f (omega)\n%f (noise)\n%f (meniscus)\n", c, d,
                              w, 0.01f, 6.1f);
                EXPECT_EQ(fileText(dir + "info_" + std::to_string(k) + ".txt"), sz) << dir;
                char m[5][80];
                std::snprintf(m[0], 80, "tracepercent=%.3f.info", c);
                std::snprintf(m[1], 80, "dr=%.4f_cm.info", d);
                std::snprintf(m[2], 80, "omega=%.0f_rpm.info", w);
                std::snprintf(m[3], 80, "noise=%.3f.info", 0.01f);
                std::snprintf(m[4], 80, "meniscus=%.3f.info", 6.1f);
                for (const char* name : m) EXPECT_EQ(fileText(dir + name), "1") << dir << name;
                EXPECT_TRUE(fs::exists(dir + "00002.ra0")) << dir;
                const std::string xp = fileText(dir + "xp" + std::to_string(10 + k) + ".xp");
                EXPECT_NE(xp.find("0.998230 (fBufferDensity)"), std::string::npos) << dir;
            }
    // the last combination stays loaded; the density is the user's again
    ASSERT_EQ(nScans, 2);
    EXPECT_EQ(pScanPoints[1], syntheticRadii(6.1f, 7.2f, 0.005f, nullptr));
    EXPECT_FLOAT_EQ(pScanHeaders[1].rpm, 40000.0f);
    EXPECT_NEAR(pSpeciesConc[2], 0.03f, 1e-6f);
    EXPECT_FLOAT_EQ(fBufferDensity, 1.01f);
    EXPECT_FLOAT_EQ(fVbarRho, fVbarRhoBefore);
    EXPECT_FLOAT_EQ(fFitLeftLim, 6.11f);
}

// "0 for auto" with a first species that does not sediment, or so slowly that
// more than 1000 scans would be needed, is refused with a box naming the
// combination and leaves no files; with one that sediments the count is the
// time to the right fit limit in intervals.
TEST_F(SyntheticDataTest, AutomaticScanCountsThatCannotBeGeneratedAreRefused)
{
    auto series = [&](headless::Script& script, const std::string& folder) {
        script.expectDialog("noninteracting species model", Accept())
            .expectSaveFile("save generated data as", Path(folder))
            .expectInput("# radial increments?", "1")
            .expectInput("1 - density of points dr (cm)", "0.005")
            .expectInput("# rotor speeds?", "1")
            .expectInput("1 - rotor speed (rpm)?", "50000")
            .expectMessageBox("simulate with rotor acceleration phase?", IDNO)
            .expectInput("time interval of scans (sec)", "300")
            .expectInput("number of simulated scans (0 for auto)", "0")
            .expectInput("# noise levels?", "1")
            .expectInput("1 - noise level?", "0")
            .expectInput("# menisci?", "2")
            .expectInput("1 - meniscus (cm)?", "6.2")
            .expectInput("2 - meniscus (cm)?", "6.3")
            .expectInput("# trace concentrations?", "1")
            .expectInput("1 - 2nd species concentration (%)?", "1")
            .expectInput("directory # offset", "0");
    };
    OneSpecies(0.0f, 6.1f, 0.8f, true);
    headless::Script script;
    series(script, "still");
    script.expectMessageBox("does not reach the right fit limit", IDOK)
        .expectMessageBox("does not reach the right fit limit", IDOK);
    Run(script, 647);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(fs::exists(Folder("still") + "/1"));
    EXPECT_FALSE(fs::exists(Folder("still") + "/2"));
    EXPECT_EQ(nScans, 0);

    // 0.1 S takes 1800 and 1607 intervals from the two menisci
    OneSpecies(0.1f, 6.1f, 0.8f, true);
    series(script, "slow");
    script
        .expectMessageBox("combination 1 (dr = 0.0050 cm, 50000 rpm, noise 0.000, meniscus 6.200 cm, 2nd species "
                          "1.000 %) needs 1801 scans of 300 s: at most 1000 scans can be generated",
                          IDOK)
        .expectMessageBox("combination 2 (dr = 0.0050 cm, 50000 rpm, noise 0.000, meniscus 6.300 cm", IDOK);
    Run(script, 647);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(fs::exists(Folder("slow") + "/1"));
    EXPECT_FALSE(fs::exists(Folder("slow") + "/2"));
    EXPECT_EQ(nScans, 0);

    OneSpecies(4.3f, 6.1f, 0.8f, true);
    series(script, "auto");
    Run(script, 647);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(fs::exists(Folder("auto") + "/1/info_1.txt"));
    // the last set: meniscus 6.3, right limit 7.19 cm
    EXPECT_EQ(nScans, automaticScanCount(4.3f, 6.3f, 7.19f, 50000.0f, 300.0f));
    EXPECT_GT(nScans, 10);
}

// A distribution file with one narrow peak at 4 S generates data whose c(s)
// peaks at 4 S.
TEST_F(SyntheticDataTest, DataFromADistributionFilePeakWhereItDoes)
{
    ChooseContinuous(&bModelCS, 1.0f, 10.0f, 46, 1.3f, 0.68f);
    paramVectorToGlobals();
    fMeniscus = pParamValue[13] = 6.2f;
    fBottom = pParamValue[14] = 7.2f;
    {
        std::ofstream out(Folder("fromfile") + "/distrib.dat");
        for (int i = 0; i <= 90; i++) {
            const double s = 1.0 + 0.1 * i;
            out << s << " " << (std::fabs(s - 4.0) < 1e-6 ? 0.8 : 0.0) << "\n";
        }
    }
    headless::Script script;
    script.expectMessageBox("put synthetic distribution in " + Folder("fromfile") + "/distrib.dat", IDOK)
        .expectMessageBox("is synthetic distribution normalized?", IDNO);
    window->GenerateSyntheticData(0, 0.003f, 50000.0f, -1.0f, 0.0f, 300.0f, 0.0f, 20, Path("fromfile").c_str());
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(nScans, 20);
    EXPECT_EQ(bUseScanRadii, 0);
    // the plateau of the first scan at 6.8 cm
    EXPECT_NEAR(ppSignal[1][201], 0.8 * std::exp(-2.0 * 4.0e-13 * dOmega50k * dOmega50k * 300.0), 0.02);

    // the c(s) of these data
    ChooseContinuous(&bModelCS, 1.0f, 10.0f, 46, 1.3f, 0.68f);
    RunContiSed(window.get());
    ASSERT_EQ(nResolution, 46);
    const float ds = pDistAxisS[2] - pDistAxisS[1];
    EXPECT_NEAR(pDistAxisS[PeakIndex()], 4.0f, ds);
}

// A single species generated and fitted again: s within 1 %, D within 3 %.
TEST_F(SyntheticDataTest, AGeneratedSpeciesIsFoundAgainByTheFit)
{
    OneSpecies(4.3f, 6.1f, 0.8f);
    seedRandomNumbers(23u);
    window->GenerateSyntheticData(0, 0.003f, 50000.0f, -1.0f, 0.005f, 300.0f, 0.0f, 30, Path("roundtrip").c_str());
    ASSERT_EQ(nScans, 30);
    // the fit starts away from the truth, s, D and the loading floated
    pParamValue[5] = pSpeciesS[1] = 4.0f;
    pParamValue[1] = pSpeciesMw[1] = 5.0f;
    pParamValue[9] = pSpeciesConc[1] = 0.7f;
    for (int k = 1; k <= nParams; k++) pParamFloat[k] = 0;
    pParamFloat[1] = pSpeciesMwFloat[1] = 1;
    pParamFloat[5] = pSpeciesSFloat[1] = 1;
    pParamFloat[9] = pSpeciesConcFloat[1] = 1;
    headless::Script script;
    Run(script, 215);
    EXPECT_NEAR(pSpeciesS[1], 4.3f, 0.01f * 4.3f);
    EXPECT_NEAR(pSpeciesMw[1], 6.1f, 0.03f * 6.1f);
    EXPECT_NEAR(fRmsd, 0.005f, 0.0003f);
    EXPECT_GT(nSimCount, 20);
}

// Data made without noise, fitted from the values that made them: the rmsd
// is 0 at the start and no optimiser can improve on it, so each ends after a
// few evaluations (the relative tests of the rmsd were 0/0 there, and the
// simplex restarted for ever), also as the unattended run fits, where no key
// can stop it.
TEST_F(SyntheticDataTest, ANoiseFreeSetFromItsOwnValuesEndsAtOnce)
{
    OneSpecies(4.3f, 6.1f, 0.8f);
    window->GenerateSyntheticData(0, 0.003f, 50000.0f, -1.0f, 0.0f, 300.0f, 0.0f, 20, Path("exact").c_str());
    ASSERT_EQ(nScans, 20);
    for (int k = 1; k <= nParams; k++) pParamFloat[k] = 0;
    pParamFloat[1] = pSpeciesMwFloat[1] = 1;
    pParamFloat[5] = pSpeciesSFloat[1] = 1;
    pParamFloat[9] = pSpeciesConcFloat[1] = 1;
    auto fit = [&](const char* szOptimiser) {
        headless::Script script;
        const bool bEnded = endsWithin(60.0, [&] { Run(script, 215); }, [] { bInterruptComputation = 1; });
        EXPECT_TRUE(bEnded) << szOptimiser << " still running after 60 s";
        EXPECT_EQ(fRmsd, 0.0f) << szOptimiser;
        EXPECT_LE(nSimCount, 20) << szOptimiser;
        EXPECT_FLOAT_EQ(pSpeciesS[1], 4.3f) << szOptimiser;
        EXPECT_FLOAT_EQ(pSpeciesMw[1], 6.1f) << szOptimiser;
    };
    // the simplex as the unattended run has it: no one to answer, no key
    bBatchMode = 1;
    headless::setPolicy(headless::Policy::DefaultAnswers);
    fit("simplex");
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    bBatchMode = 0;
    bSimplex = 0;
    bMarquardLevenbergMin = 1;
    fit("Marquardt-Levenberg");
    bMarquardLevenbergMin = 0;
    bSimulatedAnnealing = 1;
    bSAFinalML = 0;
    fSATemperature = SAmaxTemp;
    fit("annealing");

    // the refits of the F-statistics restart the simplex until the rmsd
    // settles
    bSimulatedAnnealing = 0;
    bSimplex = 1;
    float fRefit = -1.0f;
    EXPECT_TRUE(endsWithin(60.0, [&] { fRefit = fitWithFixedParameters(window.get()); },
                           [] { bInterruptComputation = 1; }));
    EXPECT_EQ(fRefit, 0.0f);
}
