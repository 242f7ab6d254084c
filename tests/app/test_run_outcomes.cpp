// The unattended run on the input real users feed it, as a batch queue runs
// it (a process with a time limit): it always ends, it never reports success
// without a result, and what it says on the console is about its result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/run_fixture.h"
#include "models/model_globals.h"

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Field f (0-based) of a scan's header line set to value.
void setHeaderField(const std::string& path, int f, const std::string& value)
{
    editScanFile(path, [&](std::vector<std::string>& lines) {
        std::istringstream in(lines[1]);
        std::vector<std::string> fields;
        for (std::string w; in >> w;) fields.push_back(w);
        fields[size_t(f)] = value;
        std::string header;
        for (const std::string& w : fields) header += (header.empty() ? "" : " ") + w;
        lines[1] = header;
    });
}

// Every signal of the scan at path replaced by signal(c), radii and noise
// columns kept.
void mapScanSignals(const std::string& path, double (*signal)(double))
{
    editScanFile(path, [&](std::vector<std::string>& lines) {
        for (size_t i = 2; i < lines.size(); ++i) {
            float r = 0, c = 0, t = 0;
            if (std::sscanf(lines[i].c_str(), "%f %f %f", &r, &c, &t) != 3) continue;
            char sz[100];
            std::snprintf(sz, sizeof sz, "%.4f %.5e %.5e", double(r), signal(double(c)), double(t));
            lines[i] = sz;
        }
    });
}

// The number after the first occurrence of label in text (NaN when none).
double numberAfter(const std::string& text, const std::string& label)
{
    const size_t a = text.find(label);
    return a == std::string::npos ? std::nan("") : std::strtod(text.c_str() + a + label.size(), nullptr);
}

}  // namespace

// ---------------------------------------------------------------- it always ends

// One flipped byte runs the rotor speed into the temperature of a header; the
// load says "LOAD ERROR" and the run ends there (exit 1): nothing is
// computed, where the solver used to step towards the misread time of
// 1.48e11 s for ever.
TEST_F(RunJobTest, ALoadErrorEndsTheRunBeforeAnythingIsComputed)
{
    editScanFile(scans[16], [](std::vector<std::string>& lines) {
        ASSERT_EQ(lines[1].compare(0, 19, "R 1 20.0 50000 5400"), 0) << lines[1];
        lines[1].replace(8, 1, "\xF1");
    });
    writeExampleJob();
    const ProgramRun run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: LOAD ERROR: detecting approach to equilibrium data without speedsteps file"))
        << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: the scans were loaded with an error: nothing is computed"))
        << run.szErr;
    EXPECT_TRUE(has(record(), "exitCode=\"1\""));
    EXPECT_FALSE(has(record(), "<Rmsd>"));
}

// Scans that all carry one time, and scans cut short: the fit drove the
// meniscus beyond MaxMeniscus, and the restarts compared the vertex beyond
// it with the value at the bound, which never agree. The fit now settles at
// the bound; the cut scans without a point in the fit limits are named.
TEST_F(RunJobTest, ScansOfOneTimeAndScansCutShortEnd)
{
    for (const std::string& s : scans) {
        setHeaderField(s, 4, "600");
        setHeaderField(s, 5, "1.6449e+10");
    }
    writeExampleJob();
    ProgramRun run = runJob(90);
    EXPECT_NE(run.nExit, -1) << "killed after 90 s";
    EXPECT_TRUE(has(record(), "name=\"meniscus\" value=\"6.03000021\" fit=\"1\"")) << record();

    std::filesystem::remove_all(data);
    scans = copyVelocityExampleScans(data);
    for (size_t k = 0; k < scans.size(); ++k)
        editScanFile(scans[k], [&](std::vector<std::string>& lines) { lines.resize(2 + 20 + 12 * k); });
    run = runJob(90);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: the scans 00001.RA1 (radii 5.9500 to 6.0070 cm), 00002.RA1 (radii "
                               "5.9500 to 6.0430 cm) have no point inside the fit limits"))
        << run.szErr;
}

// An elapsed time no run has (1e30 s, below 0, 2e7 s) is a header misread:
// named (the first five, the others counted), and nothing is computed (the
// solver would step 1000 s at a time towards 1e30 s).
TEST_F(RunJobTest, AnElapsedTimeNoRunHasIsNamed)
{
    for (const std::string& s : scans) setHeaderField(s, 4, "1e30");
    writeExampleJob();
    ProgramRun run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: the scans 00001.RA1 (1e+30 s), 00002.RA1 (1e+30 s), 00003.RA1 (1e+30 "
                               "s), 00004.RA1 (1e+30 s), 00005.RA1 (1e+30 s) and 25 more have elapsed times no run "
                               "has (below 0 or above 1e7 s, 116 days): a header misread or damaged: nothing is "
                               "computed"))
        << run.szErr;

    std::filesystem::remove_all(data);
    scans = copyVelocityExampleScans(data);
    setHeaderField(scans[26], 4, "-600");
    run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "the scan 00027.RA1 (-600 s) has an elapsed time no run has")) << run.szErr;
    EXPECT_FALSE(has(record(), "<Rmsd>"));

    // six misread scans: five named, the sixth counted
    std::filesystem::remove_all(data);
    scans = copyVelocityExampleScans(data);
    for (size_t k = 0; k < 6; ++k) setHeaderField(scans[k], 4, "2e7");
    run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "the scans 00001.RA1 (2e+07 s), 00002.RA1 (2e+07 s), 00003.RA1 (2e+07 s), 00004.RA1 "
                               "(2e+07 s), 00005.RA1 (2e+07 s) and 1 more have elapsed times no run has"))
        << run.szErr;
}

// A first scan whose elapsed time is 1e-45 s (its omega^2 t left at
// 1.6449e10): the grid's zone for the boundary's path asked for spacings of
// 1e-26 cm, and a single Run stepped 100000 nodes for more than 300 s. It
// computes, the first scan's model the loading.
TEST_F(RunJobTest, AFirstScanAnInstantAfterTheStartIsComputed)
{
    setHeaderField(scans[0], 4, "1e-45");
    writeExampleJob({{"<AutoFit>1</AutoFit>", "<AutoFit>0</AutoFit>"}});
    const ProgramRun run = runJob(60);
    ASSERT_NE(run.nExit, -1) << "killed after 60 s";
    EXPECT_EQ(run.nExit, 0) << run.szErr;
    EXPECT_TRUE(has(run.szOut, "Continuous c(s) Distribution, 30 scans, computed: rmsd ")) << run.szOut;
    EXPECT_TRUE(std::isfinite(numberAfter(record(), "<Rmsd>"))) << record();
}

// The non-ideal single species at the model's start values on the example
// (attractive ks and kd of 1 per mg/ml, loading 0.5): the pile-up at the
// base passes the pole of the law, the run says so and ends with 1 (it
// showed a model of +-4.8e7 and fitted for more than 20 minutes).
// FitFrictionalRatio, which floats the frictional ratio of the c(s) family
// (entry 11), would float kd here: it is ignored, and said so; in the discrete
// species, whose entry 11 is c3, too.
TEST_F(RunJobTest, TheNonidealSpeciesBeyondItsLawEndsAndFrictionalRatioKeysStayTheirOwn)
{
    writeExampleJob({{"Continuous c(s) Distribution", "Single Species"}});
    ProgramRun run = runJob(60);
    ASSERT_NE(run.nExit, -1) << "killed after 60 s";
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: PARAMETER FILE: FitFrictionalRatio is ignored: the model Single Species has "
                               "no frictional ratio (its entry 11 is kd)\n"))
        << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR in simulation: nonideality out of range\n")) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: Run computed no model (ERROR in simulation: nonideality out of "
                               "range): the run ends without its result"))
        << run.szErr;
    EXPECT_FALSE(has(record(), "<Rmsd>"));

    writeExampleJob({{"Continuous c(s) Distribution", "Non-Interacting Discrete Species"},
                     {"<AutoFit>1</AutoFit>", "<AutoFit>0</AutoFit>"}});
    run = runJob(60);
    EXPECT_EQ(run.nExit, 0) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "FitFrictionalRatio is ignored: the model Non-Interacting Discrete Species has no "
                               "frictional ratio (its entry 11 is c3)"))
        << run.szErr;
    EXPECT_TRUE(has(record(), "<Parameter index=\"11\" name=\"c3\" value=\"0\" fit=\"0\"/>")) << record();
}

// Values the scans refuse end the run with 2, naming the key: a meniscus
// outside the scans' radii (0.001 cm with a bottom of 100 cm), a range given
// without the meniscus that leaves the scans' meniscus outside it.
TEST_F(RunJobTest, ParameterValuesTheScansRefuseEndTheRunWithTwo)
{
    writeExampleJob({{"<Meniscus>5.98</Meniscus>", "<Meniscus>0.001</Meniscus>"},
                     {"<Bottom>7.2</Bottom>", "<Bottom>100</Bottom>"},
                     {"<MinMeniscus>5.96</MinMeniscus>", ""},
                     {"<MaxMeniscus>6.03</MaxMeniscus>", ""}});
    ProgramRun run = runJob(60);
    EXPECT_EQ(run.nExit, 2) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: PARAMETER FILE: Meniscus 0.001 cm lies outside the radii of the scans (5.9500 "
                               "to 7.1470 cm): nothing is computed"))
        << run.szErr;
    EXPECT_TRUE(has(record(), "exitCode=\"2\""));
    EXPECT_FALSE(has(record(), "<Rmsd>"));

    writeExampleJob({{"<Meniscus>5.98</Meniscus>", ""},
                     {"<MinMeniscus>5.96</MinMeniscus>", "<MinMeniscus>6.2</MinMeniscus>"},
                     {"<MaxMeniscus>6.03</MaxMeniscus>", "<MaxMeniscus>6.3</MaxMeniscus>"}});
    run = runJob(60);
    EXPECT_EQ(run.nExit, 2) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: PARAMETER FILE: MinMeniscus: the meniscus of the scans")) << run.szErr;

    // A Meniscus given without a range is checked against the scans' radii
    // only (docs/app.md), even where the automatic range cannot reach it: at
    // 5.9595 cm, 0.0005 cm left of the left fit limit the load set (the
    // first radius, 5.95 cm, plus 0.01 cm), that range ends 0.001 cm inside
    // the limit, at 5.959 cm. The run computes.
    writeExampleJob({{"<LastScan>30</LastScan>", "<LastScan>4</LastScan>"},
                     {"<Meniscus>5.98</Meniscus>", "<Meniscus>5.9595</Meniscus>"},
                     {"<MinMeniscus>5.96</MinMeniscus>", ""},
                     {"<MaxMeniscus>6.03</MaxMeniscus>", ""},
                     {"<LeftFitLimit>6.05</LeftFitLimit>", ""},
                     {"<AutoFit>1</AutoFit>", "<AutoFit>0</AutoFit>"}});
    run = runJob(60);
    EXPECT_EQ(run.nExit, 0) << run.szErr;
    EXPECT_FALSE(has(run.szErr, "PARAMETER FILE")) << run.szErr;

    // Out at 600000 cm floats step by 1/16 cm, so the automatic range's lower
    // end (meniscus - 0.02 cm) is the meniscus itself: the key named is still
    // the end the meniscus passes, MaxMeniscus.
    for (const std::string& s : scans)
        editScanFile(s, [](std::vector<std::string>& lines) {
            for (size_t j = 2; j < lines.size(); ++j)
                lines[j] = std::to_string(600000.0 + 0.125 * double(j)) + lines[j].substr(lines[j].find('.') + 5);
        });
    writeExampleJob({{"<Meniscus>5.98</Meniscus>", ""},
                     {"<Bottom>7.2</Bottom>", ""},
                     {"<LeftFitLimit>6.05</LeftFitLimit>", ""},
                     {"<RightFitLimit>7.10</RightFitLimit>", ""},
                     {"<MinMeniscus>5.96</MinMeniscus>", ""},
                     {"<MaxMeniscus>6.03</MaxMeniscus>", "<MaxMeniscus>99</MaxMeniscus>"}});
    run = runJob(60);
    EXPECT_EQ(run.nExit, 2) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: PARAMETER FILE: MaxMeniscus: the meniscus of the scans, 600000.2500 cm, lies "
                               "outside the meniscus range 600000.2500 to 99.0000 cm"))
        << run.szErr;
}

// Every box reaches standard error as it appears: the first (an unknown key,
// said when the run starts) is there long before the run's screenshot.
TEST_F(RunJobTest, BoxesReachTheConsoleAsTheyAppear)
{
    writeExampleJob({}, "<FitMenicus>1</FitMenicus>");
    bool bSeen = false, bScreenshotThen = true;
    const ProgramRun run = runJob(120, [&](const std::string& line) {
        if (bSeen || line != "morvex: PARAMETER FILE: unknown key FitMenicus; did you mean FitMeniscus?") return;
        bSeen = true;
        bScreenshotThen = std::filesystem::exists(out + "/screenshot.bmp");
    });
    EXPECT_EQ(run.nExit, 0) << run.szErr;
    EXPECT_TRUE(bSeen) << run.szErr;
    EXPECT_FALSE(bScreenshotThen);
}

// ---------------------------------------------------------------- never success without a result

// A scan in mm (59.5 to 71.5) has no point inside the fit limits: named,
// nothing computed (it used to leave an empty distribution with exit 0).
TEST_F(RunJobTest, AScanWhoseRadiiMissTheFitLimitsIsNamed)
{
    editScanFile(scans[9], [](std::vector<std::string>& lines) {
        for (size_t i = 2; i < lines.size(); ++i) {
            float r = 0, c = 0, t = 0;
            if (std::sscanf(lines[i].c_str(), "%f %f %f", &r, &c, &t) != 3) continue;
            char sz[100];
            std::snprintf(sz, sizeof sz, "%.4f %.5e %.5e", double(r) * 10, double(c), double(t));
            lines[i] = sz;
        }
    });
    writeExampleJob();
    const ProgramRun run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: the scan 00010.RA1 (radii 59.5000 to 71.4700 cm) has no point inside "
                               "the fit limits"))
        << run.szErr;
    EXPECT_FALSE(has(record(), "<Rmsd>"));
}

// Scans whose boundary is negative (the signal's sign turned): the
// distribution, non-negative, holds nothing where the data hold a boundary;
// the run says so and ends with 1.
TEST_F(RunJobTest, ADistributionWithoutSignalWhereTheDataHoldSomeIsAFailure)
{
    for (const std::string& s : scans) mapScanSignals(s, [](double c) { return -c; });
    writeExampleJob();
    const ProgramRun run = runJob(120);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: the distribution holds no signal (every value is 0) while the data do"))
        << run.szErr;
}

// The same boundary turned over a level of 1 (1 - c), fitted without
// radial-invariant noise and without regularization: only a species that
// does not sediment carries a level that stays, so the distribution holds
// its signal at s = 0, its first grid point, and nothing at any s that
// sediments (the turned boundary fits none). That is a result (exit 0),
// however badly the rest fits.
TEST_F(RunJobTest, ADistributionHoldingSignalOnlyAtItsFirstPointIsAResult)
{
    for (const std::string& s : scans) mapScanSignals(s, [](double c) { return 1.0 - c; });
    writeExampleJob({{"<RegularizationType>max ent</RegularizationType>",
                      "<RegularizationType>none</RegularizationType>"},
                     {"<FitRINoise>1</FitRINoise>", "<FitRINoise>0</FitRINoise>"}});
    const ProgramRun run = runJob(120);
    std::ifstream f(out + "/distribution.dat");
    std::vector<std::pair<double, double>> dist;
    for (std::string line; std::getline(f, line);) {
        double s = 0, c = 0;
        if (std::sscanf(line.c_str(), "%lf %lf", &s, &c) == 2) dist.emplace_back(s, c);
    }
    ASSERT_EQ(dist.size(), 100u) << run.szErr;
    EXPECT_EQ(dist[0].first, 0.0);
    EXPECT_GT(dist[0].second, 0.0);
    for (size_t i = 1; i < dist.size(); ++i) EXPECT_EQ(dist[i].second, 0.0) << dist[i].first << " S";
    EXPECT_EQ(run.nExit, 0) << run.szErr;
    EXPECT_FALSE(has(run.szErr, "holds no signal")) << run.szErr;
}

// The model the parameter file names is computed, or the run ends with 1
// and says why: c(s,ff0) on pre-averaged scans is computed; electrophoresis
// c(v) is refused by its Model command for velocity scans (a box without a
// caption); c(s,ff0) with one discrete component has no key for that
// component.
TEST_F(RunJobTest, TheModelNamedIsComputedOrTheRunSaysWhyNot)
{
    writeExampleJob({{"Continuous c(s) Distribution", "Continuous c(s,ff0)"}},
                    "<RadialResolution>0.003</RadialResolution>");
    ProgramRun run = runJob(180);
    EXPECT_EQ(run.nExit, 0) << run.szErr;
    EXPECT_TRUE(has(record(), "<Peak index=\"1\"")) << record();
    EXPECT_TRUE(has(run.szOut, "Continuous c(s,ff0), 30 scans, fitted: rmsd 0.004")) << run.szOut;

    writeExampleJob({{"Continuous c(s) Distribution", "Electrophoresis: c(v) Distribution With Constant D"}});
    run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: need electrophoresis data for this model\n")) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: the model Electrophoresis: c(v) Distribution With Constant D cannot be "
                               "chosen for these scans (need electrophoresis data for this model): nothing is "
                               "computed"))
        << run.szErr;
    EXPECT_FALSE(has(record(), "<Rmsd>"));

    writeExampleJob({{"Continuous c(s) Distribution", "Continuous c(s,ff0) With 1 Discrete Component"}},
                    "<RadialResolution>0.003</RadialResolution>");
    run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "needs the M and s of its discrete component")) << run.szErr;
}

// A box that ended the computation is a failure whatever its caption: the
// scans from 25 on cannot show the grid's largest s ("exceeding maximum
// observable s-values", a box without a caption) and Run computes nothing.
TEST_F(RunJobTest, ABoxThatEndedTheComputationIsAFailure)
{
    writeExampleJob({{"<FirstScan>1</FirstScan>", "<FirstScan>25</FirstScan>"}});
    const ProgramRun run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: Run computed no model (sedimentation coefficient #")) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "is exceeding maximum observable s-values")) << run.szErr;
    EXPECT_FALSE(has(record(), "<Rmsd>"));
}

// Non-ideal c(s) with systematic noise: the window warns when the model is
// chosen with noise fitted; the run sets the noise first, as the window's
// user has it, and refuses what the window warns about (it used to fit and
// end with an rmsd of 35727 and exit 0).
TEST_F(RunJobTest, NonidealCsWithNoiseIsRefusedAsTheWindowWarns)
{
    writeExampleJob({{"Continuous c(s) Distribution", "Nonideal c(s)"},
                     {"<FitRINoise>1</FitRINoise>", "<FitTINoise>1</FitTINoise>"}});
    const ProgramRun run = runJob(60);
    EXPECT_EQ(run.nExit, 1) << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: you may need to run normal c(s) first, to get estimates for baselines\n"))
        << run.szErr;
    EXPECT_TRUE(has(run.szErr, "morvex: ERROR: the model Nonideal c(s) was chosen with an error: nothing is computed"))
        << run.szErr;
    EXPECT_FALSE(has(record(), "<Rmsd>"));
}

// ---------------------------------------------------------------- what the console says

// The example's run gives no advice about its start values (the wizard speaks
// after the fit, where nothing fires), and ends by printing its main figures
// and where its results are.
TEST_F(RunJobTest, TheExampleSaysWhatItFoundAndNoAdviceAboutItsStart)
{
    writeExampleJob();
    const ProgramRun run = runJob(120);
    EXPECT_EQ(run.nExit, 0) << run.szErr;
    EXPECT_EQ(run.szErr, "");
    EXPECT_FALSE(has(record(), "Help Wizard"));
    EXPECT_TRUE(has(run.szOut, "Continuous c(s) Distribution, 30 scans, fitted: rmsd ")) << run.szOut;
    EXPECT_NEAR(numberAfter(run.szOut, "fitted: rmsd "), 0.0040, 0.0002) << run.szOut;
    EXPECT_NEAR(numberAfter(run.szOut, ", f/f0 "), 1.33, 0.05) << run.szOut;
    EXPECT_NEAR(numberAfter(run.szOut, ", meniscus "), 6.000, 0.003) << run.szOut;
    EXPECT_NEAR(numberAfter(run.szOut, "\n  peak 1: "), 4.30, 0.03) << run.szOut;
    EXPECT_NEAR(numberAfter(run.szOut, " S), signal "), 0.80, 0.02) << run.szOut;
    EXPECT_TRUE(has(run.szOut, "% of the total\nresults in " + out + "/\n")) << run.szOut;
}

// Ten species of loading 0.1 each, 1.0 to 13.15 S, 1.35 S apart, on the
// example's scan times and radii (meniscus 6.0 cm, baseline 0.02, no noise):
// each boundary moves as meniscus exp(s w2t), is diluted by exp(-2 s w2t) and
// spreads as sqrt(4 D t), D 7.1e-7 cm^2/s at 4.3 S falling as s^-1/2. Their
// c(s), computed once without regularization, has more local maxima (over
// two points either side) than the ten the summary takes: the ten highest,
// found here in distribution.dat, each lie in the range of a listed peak, no
// more than ten peaks are listed, and they hold the loading of 1.0.
TEST_F(RunJobTest, ADistributionWithMoreThanTenMaximaListsTheTenHighest)
{
    for (const std::string& path : scans)
        editScanFile(path, [](std::vector<std::string>& lines) {
            std::istringstream header(lines[1]);
            std::vector<std::string> fields;
            for (std::string w; header >> w;) fields.push_back(w);
            ASSERT_GE(fields.size(), 6u) << lines[1];
            const double t = std::stod(fields[4]), w2t = std::stod(fields[5]);
            for (size_t i = 2; i < lines.size(); ++i) {
                float r = 0, c = 0, e = 0;
                if (std::sscanf(lines[i].c_str(), "%f %f %f", &r, &c, &e) != 3) continue;
                double v = 0.02;
                for (int k = 0; k < 10; ++k) {
                    const double s = (1.0 + 1.35 * k) * 1e-13, D = 7.1e-7 * std::sqrt(4.3e-13 / s);
                    const double rb = 6.0 * std::exp(s * w2t);
                    v += 0.1 * 0.5 * (1 + std::erf((r - rb) / std::sqrt(4 * D * t))) * std::exp(-2 * s * w2t);
                }
                char sz[100];
                std::snprintf(sz, sizeof sz, "%.4f %.5e %.5e", double(r), v, double(e));
                lines[i] = sz;
            }
        });
    writeExampleJob({{"<RegularizationType>max ent</RegularizationType>", "<RegularizationType>none</RegularizationType>"},
                     {"<Meniscus>5.98</Meniscus>", "<Meniscus>6.0</Meniscus>"},
                     {"<AutoFit>1</AutoFit>", "<AutoFit>0</AutoFit>"}});
    const ProgramRun run = runJob(120);
    ASSERT_EQ(run.nExit, 0) << run.szErr;
    // the listed peaks: mean, from, to, signal
    std::vector<std::vector<double>> listed;
    for (size_t a = run.szOut.find("\n  peak "); a != std::string::npos; a = run.szOut.find("\n  peak ", a + 1)) {
        const std::string line = run.szOut.substr(a + 1, run.szOut.find('\n', a + 1) - a - 1);
        listed.push_back({numberAfter(line, ": "), numberAfter(line, "S ("), numberAfter(line, " to "),
                          numberAfter(line, "signal ")});
    }
    EXPECT_LE(listed.size(), 10u) << run.szOut;
    double dSignal = 0;
    for (const std::vector<double>& p : listed) dSignal += p[3];
    EXPECT_NEAR(dSignal, 1.0, 0.1) << run.szOut;
    // the local maxima of the distribution, highest first
    std::vector<std::pair<double, double>> xy;
    std::ifstream in(out + "/distribution.dat");
    for (double x, y; in >> x >> y;) xy.push_back({x, y});
    ASSERT_GT(xy.size(), 50u);
    std::vector<std::pair<double, double>> maxima;  // height, position
    for (size_t k = 2; k + 2 < xy.size(); ++k) {
        const double y = xy[k].second;
        if (y > xy[k - 1].second && y > xy[k - 2].second && y > xy[k + 1].second && y > xy[k + 2].second)
            maxima.push_back({y, xy[k].first});
    }
    std::sort(maxima.rbegin(), maxima.rend());
    ASSERT_GT(maxima.size(), 10u) << run.szOut;
    for (size_t m = 0; m < 10; ++m) {
        const double x = maxima[m].second;
        const bool bListed = std::any_of(listed.begin(), listed.end(), [x](const std::vector<double>& p) {
            return p[1] - 1e-3 <= x && x <= p[2] + 1e-3;
        });
        EXPECT_TRUE(bListed) << "the maximum at " << x << " S\n" << run.szOut;
    }
}

// ---------------------------------------------------------------- the geometry keys

// Without geometry keys the run keeps the meniscus and bottom ranges that the
// load of its scans gives, as a window that loads them shows: the example's
// meniscus (6.0 cm) lies beyond the upper end of that range, so the floated
// meniscus ends there.
TEST_F(RunJobTest, WithoutGeometryKeysTheMeniscusFitsInTheRangeOfTheLoad)
{
    writeExampleJob({{"<LastScan>30</LastScan>", "<LastScan>10</LastScan>"},
                     {"<Meniscus>5.98</Meniscus>", ""},
                     {"<MinMeniscus>5.96</MinMeniscus>", ""},
                     {"<MaxMeniscus>6.03</MaxMeniscus>", ""},
                     {"<Bottom>7.2</Bottom>", ""},
                     {"<LeftFitLimit>6.05</LeftFitLimit>", ""},
                     {"<RightFitLimit>7.10</RightFitLimit>", ""}});
    OpenWindow();
    LoadScans(std::vector<std::string>(scans.begin(), scans.begin() + 10));
    const float fMin = fMinMeniscus, fMax = fMaxMeniscus;
    ASSERT_LT(fMax, 6.0f);
    const ProgramRun run = runJob(60);
    ASSERT_EQ(run.nExit, 0) << run.szErr;
    const float fFitted = float(numberAfter(record(), "name=\"meniscus\" value=\""));
    EXPECT_GE(fFitted, fMin);
    EXPECT_EQ(fFitted, fMax) << record();
}

// A Meniscus key without its range: the run takes the automatic range around
// it, 0.02 cm either side (docs/models.md), and keeps the floated meniscus in
// it; the example's meniscus (6.0 cm) lies below that range, so the fit ends
// at its lower end.
TEST_F(RunJobTest, AMeniscusWithoutItsRangeFitsInTheAutomaticRangeAroundIt)
{
    writeExampleJob({{"<LastScan>30</LastScan>", "<LastScan>10</LastScan>"},
                     {"<Meniscus>5.98</Meniscus>", "<Meniscus>6.04</Meniscus>"},
                     {"<MinMeniscus>5.96</MinMeniscus>", ""},
                     {"<MaxMeniscus>6.03</MaxMeniscus>", ""},
                     {"<LeftFitLimit>6.05</LeftFitLimit>", "<LeftFitLimit>6.10</LeftFitLimit>"}});
    const ProgramRun run = runJob(60);
    ASSERT_EQ(run.nExit, 0) << run.szErr;
    const double dFitted = numberAfter(record(), "name=\"meniscus\" value=\"");
    EXPECT_NEAR(dFitted, 6.02, 1e-5) << record();
}

// A Bottom key alone, below the right fit limit the load set (6.99 cm): the
// limit comes back 0.01 cm inside the new bottom (docs/app.md), so every fit
// ends at the last radius at or left of 6.94 cm, and the run computes.
TEST_F(RunJobTest, ABottomAloneBringsTheRightFitLimitInsideTheCell)
{
    writeExampleJob({{"<LastScan>30</LastScan>", "<LastScan>10</LastScan>"},
                     {"<Meniscus>5.98</Meniscus>", ""},
                     {"<MinMeniscus>5.96</MinMeniscus>", ""},
                     {"<MaxMeniscus>6.03</MaxMeniscus>", ""},
                     {"<Bottom>7.2</Bottom>", "<Bottom>6.95</Bottom>"},
                     {"<RightFitLimit>7.10</RightFitLimit>", ""},
                     {"<AutoFit>1</AutoFit>", "<AutoFit>0</AutoFit>"}});
    const ProgramRun run = runJob(60);
    ASSERT_EQ(run.nExit, 0) << run.szErr;
    for (int k = 1; k <= 10; ++k) {
        char szName[32];
        std::snprintf(szName, sizeof szName, "/fits/f%04d.RA1", k);
        std::istringstream in(readText(out + szName));
        std::string line;
        double dLast = 0;
        for (int n = 0; std::getline(in, line); ++n)
            if (n >= 2) std::istringstream(line) >> dLast;  // after the title and header
        EXPECT_TRUE(dLast > 6.935 && dLast <= 6.94) << szName << ": " << dLast;
    }
}

// ---------------------------------------------------------------- the noise switches

// Interference scans switch both noises on when they load; the file's 0 for
// the time-invariant noise switches it off again, so no TI noise is written.
TEST_F(RunJobTest, FitTINoiseZeroHoldsForInterferenceScans)
{
    writeExampleJob({{"<AutoFit>1</AutoFit>", "<AutoFit>0</AutoFit><FitTINoise>0</FitTINoise>"}});
    for (const std::string& path : scans) {
        editScanFile(path, [](std::vector<std::string>& lines) {
            lines[1][0] = 'P';
            for (size_t k = 2; k < lines.size(); ++k) {
                std::istringstream in(lines[k]);
                std::string r, s;
                if (in >> r >> s) lines[k] = r + " " + s;
            }
        });
        std::filesystem::path p(path);
        std::filesystem::rename(p, std::filesystem::path(p).replace_extension(".IP1"));
    }
    const ProgramRun run = runJob(120);
    EXPECT_EQ(run.nExit, 0) << run.szErr;
    EXPECT_TRUE(std::filesystem::exists(out + "/RIN.IP1")) << run.szOut << run.szErr;
    EXPECT_FALSE(std::filesystem::exists(out + "/TIN.IP1"));
}
