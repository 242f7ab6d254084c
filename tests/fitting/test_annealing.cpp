// Simulated annealing: the schedule, the thermal simplex against the plain
// one, the best point ever, repeatability, and annealing fits of the example
// data chosen and set up through Options > Fitting Options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "fitting/discrete_fit_fixture.h"
#include "fitting/fit_driver.h"
#include "fitting/fit_globals.h"
#include "fitting/simplex.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "resources/commands.h"

using namespace win;

namespace {

int gEvaluations = 0;

// Rosenbrock's valley lifted to a minimum of 1, so that the relative spread
// of the values ends a simplex before its vertices collapse.
float rosenbrock(float* p, TXLAWindow*)
{
    ++gEvaluations;
    const float a = 1 - p[1], b = p[2] - p[1] * p[1];
    return a * a + 100 * b * b + 1;
}

float bowl(float* p, TXLAWindow*)
{
    ++gEvaluations;
    return (p[1] - 1) * (p[1] - 1) + (p[2] + 2) * (p[2] + 2) + 1;
}

// A pyramid with a steep diagonal crease: reflections and contractions
// across the crease both fail, and the simplex shrinks onto its best vertex.
float crease(float* p, TXLAWindow*)
{
    ++gEvaluations;
    return std::fabs(p[1] - p[2]) * 50 + std::fabs(p[1] + p[2] - 1) + 1;
}

// Two copies of one start simplex around x0 and their values.
struct Simplex {
    Simplex(float x1, float x2, float fSpread, SimplexObjective f)
    {
        p = matrix(1, 3, 1, 2);
        y = vector(1, 3);
        pb = vector(1, 2);
        p[1][1] = x1;
        p[1][2] = x2;
        p[2][1] = x1 + fSpread;
        p[2][2] = x2;
        p[3][1] = x1;
        p[3][2] = x2 + 0.7f * fSpread;
        for (int i = 1; i <= 3; ++i) y[i] = f(p[i], nullptr);
        yb = y[1];
        for (int j = 1; j <= 2; ++j) pb[j] = p[1][j];
    }
    ~Simplex()
    {
        free_matrix(p, 1, 3, 1, 2);
        free_vector(y, 1, 3);
        free_vector(pb, 1, 2);
    }
    bool SameAs(const Simplex& o) const
    {
        return std::memcmp(&p[1][1], &o.p[1][1], 6 * sizeof(float)) == 0 &&
               std::memcmp(&y[1], &o.y[1], 3 * sizeof(float)) == 0;
    }
    float** p;
    float* y;
    float* pb;
    float yb;
};

class AnnealingSimplexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gEvaluations = 0;
        for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    }
};

}  // namespace

TEST(AnnealingScheduleTest, FallsAsTheSquareToZeroAndASingleStepRunsAtTheStartTemperature)
{
    SAmaxTemp = 2.0f;
    for (int k = 0; k < 10; ++k) {
        const float f = 1.0f - k / 9.0f;
        EXPECT_FLOAT_EQ(annealingTemperature(k, 10), 2.0f * f * f) << k;
    }
    EXPECT_EQ(annealingTemperature(9, 10), 0.0f);
    // one step: no 0/0, the start temperature itself
    EXPECT_EQ(annealingTemperature(0, 1), 2.0f);
    SAmaxTemp = 0.5f;
    EXPECT_EQ(annealingTemperature(0, 1), 0.5f);
    EXPECT_FLOAT_EQ(annealingTemperature(1, 3), 0.125f);
    // the speed-step search starts where its caller's temperature stands
    EXPECT_FLOAT_EQ(annealingTemperature(1, 3, 8.0f), 2.0f);
    EXPECT_EQ(annealingTemperature(2, 3, 8.0f), 0.0f);
}

TEST_F(AnnealingSimplexTest, AtTemperatureZeroItIsThePlainSimplexWithoutTheSpreadTest)
{
    // Rosenbrock's valley, and a crease that makes the simplex shrink
    int nCount = 0;
    int nBudget = 5000;
    for (SimplexObjective f : {rosenbrock, crease}) {
        Simplex plain(-1.2f, 1.0f, 0.3f, f), thermal(-1.2f, 1.0f, 0.3f, f);
        gEvaluations = 0;
        amoeba(nullptr, plain.p, plain.y, 2, 1e-6f, f, &nCount, nullptr);
        const int nPlain = gEvaluations;
        gEvaluations = 0;
        nBudget = 5000;
        nAnnealingSeed = -3;
        amebsa(0.0f, nullptr, thermal.p, thermal.y, 2, thermal.pb, &thermal.yb, 1e-6f, f, &nBudget, nullptr);
        EXPECT_GT(nPlain, 20);
        EXPECT_EQ(gEvaluations, nPlain);
        EXPECT_EQ(5000 - nBudget, nCount);  // the budget counts as the simplex's counter does
        EXPECT_TRUE(plain.SameAs(thermal));
        // the best point ever is the best vertex (on the crease that vertex
        // comes from a shrink, whose points are no trials)
        if (f == rosenbrock) {
            EXPECT_EQ(thermal.yb, thermal.y[1]);
        }
    }

    // A collapsed simplex: the plain one stops at its spread test without an
    // evaluation; the thermal one has no spread test and spends its budget.
    Simplex flat(0.5f, 0.5f, 1e-7f, bowl), flat2(0.5f, 0.5f, 1e-7f, bowl);
    gEvaluations = 0;
    amoeba(nullptr, flat.p, flat.y, 2, 0.0f, bowl, &nCount, nullptr);
    EXPECT_EQ(gEvaluations, 0);
    EXPECT_TRUE(bSimplexStarted);
    nBudget = 30;
    amebsa(0.0f, nullptr, flat2.p, flat2.y, 2, flat2.pb, &flat2.yb, 0.0f, bowl, &nBudget, nullptr);
    EXPECT_LT(nBudget, 0);
    EXPECT_GE(gEvaluations, 30);
}

TEST_F(AnnealingSimplexTest, TheBestPointEverStaysWhenTheSimplexWandersUphill)
{
    Simplex s(1.05f, -2.05f, 0.1f, bowl);
    nAnnealingSeed = -3;
    int nBudget = 200;
    amebsa(40.0f, nullptr, s.p, s.y, 2, s.pb, &s.yb, 1e-6f, bowl, &nBudget, nullptr);
    // the hot simplex left the minimum ...
    float fLowest = s.y[1];
    for (int i = 2; i <= 3; ++i) fLowest = std::fmin(fLowest, s.y[i]);
    EXPECT_GT(fLowest, s.yb);
    // ... the best point ever is kept with its value, near the minimum
    EXPECT_EQ(bowl(s.pb, nullptr), s.yb);
    EXPECT_LT(s.yb, 1.01f);

    // the same start and seed repeat the run bit for bit
    Simplex again(1.05f, -2.05f, 0.1f, bowl);
    nAnnealingSeed = -3;
    nBudget = 200;
    amebsa(40.0f, nullptr, again.p, again.y, 2, again.pb, &again.yb, 1e-6f, bowl, &nBudget, nullptr);
    EXPECT_TRUE(again.SameAs(s));
    EXPECT_EQ(std::memcmp(&again.pb[1], &s.pb[1], 2 * sizeof(float)), 0);
}

// A schedule of one temperature is the thermal simplex at the start
// temperature with the budget of a temperature, its draws from seed -3
// whatever the generator drew before: a run from the same start repeats.
TEST_F(AnnealingSimplexTest, AScheduleDrawsFromSeedMinusThreeWhateverRanBefore)
{
    Simplex reference(1.05f, -2.05f, 0.1f, bowl);
    nAnnealingSeed = -3;
    int nBudget = 150;
    amebsa(40.0f, nullptr, reference.p, reference.y, 2, reference.pb, &reference.yb, 1e-6f, bowl, &nBudget, nullptr);
    ASSERT_LE(nBudget, 0);  // the budget ended it, not convergence

    SAmaxTemp = 40.0f;
    nSANumberOfTemps = 1;
    nSAItMax = 150;
    for (int nDrawsBefore : {0, 5}) {
        nAnnealingSeed = -7;
        for (int i = 0; i < nDrawsBefore; ++i) ran1(&nAnnealingSeed);
        Simplex s(1.05f, -2.05f, 0.1f, bowl);
        runAnnealingSchedule(nullptr, s.p, s.y, 2, s.pb, &s.yb, 1e-6f, bowl, nullptr);
        EXPECT_EQ(fSATemperature, 40.0f);
        EXPECT_TRUE(s.SameAs(reference)) << nDrawsBefore;
        EXPECT_EQ(std::memcmp(&s.pb[1], &reference.pb[1], 2 * sizeof(float)), 0) << nDrawsBefore;
        EXPECT_EQ(s.yb, reference.yb);
    }
}

// ---------------------------------------------------------------- the command and the fits

namespace {

class AnnealingFitTest : public DiscreteFitTest {
protected:
    // Options > Fitting Options > Simulated Annealing with these answers (no
    // final answer: Cancel on that question).
    void chooseAnnealing(const char* szTemp, const char* szSteps, const char* szIterations, const char* szFinal,
                         int nSaveAnswer)
    {
        headless::Script script;
        script.expectInput("starting 'temperature' (rel increase glob.chisq)", szTemp)
            .expectInput("# of temperature steps", szSteps)
            .expectInput("# of iterations per temperature", szIterations);
        if (szFinal)
            script.expectInput("final ML (1), Simplex (2), or none (0)", szFinal);
        else
            script.expectInputCancel("final ML (1), Simplex (2), or none (0)");
        script.expectMessageBox("save as default setting?", nSaveAnswer);
        command(CM_SIMULATED_ANNEALING);
        EXPECT_EQ(script.pending(), 0u);
        for (const std::string& l : script.lines()) {
            if (l.find("Input") == 0) {
                EXPECT_NE(l.find("\"Fit With Simulated Annealing\""), std::string::npos) << l;
            }
        }
    }
    // s and D of species 1 from 4.0 S and 5e-7 cm^2/s, both floated.
    void startValues()
    {
        pParamValue[5] = 4.0f;
        pParamValue[1] = 5.0f;
        paramVectorToGlobals();
    }
    std::string reportPath() const { return work + "mlreport.txt"; }
};

}  // namespace

TEST_F(AnnealingFitTest, TheCommandsChooseOneOptimiserAndKeepTheAnnealingSettings)
{
    EXPECT_TRUE(menuChecked(CM_SIMPLEX));
    EXPECT_FALSE(menuChecked(CM_SIMULATED_ANNEALING) || menuChecked(CM_MARQUARDT_LEVENBERG));
    chooseAnnealing("0.5", "4", "120", "2", IDYES);
    EXPECT_TRUE(bSimulatedAnnealing && !bSimplex && !bMarquardLevenbergMin);
    EXPECT_TRUE(menuChecked(CM_SIMULATED_ANNEALING));
    EXPECT_FALSE(menuChecked(CM_SIMPLEX) || menuChecked(CM_MARQUARDT_LEVENBERG));
    EXPECT_EQ(SAmaxTemp, 0.5f);
    EXPECT_EQ(fSATemperature, 0.5f);
    EXPECT_EQ(nSANumberOfTemps, 4);
    EXPECT_EQ(nSAItMax, 120);
    EXPECT_TRUE(bAnnealFinalSimplex && !bSAFinalML);
    // lines 12-15 of the defaults file
    const std::vector<std::string> lines = readLines(szParamsIniPath);
    ASSERT_GE(lines.size(), 16u);
    EXPECT_EQ(lines[12], "0.5");
    EXPECT_EQ(lines[13], "4");
    EXPECT_EQ(lines[14], "120");
    EXPECT_EQ(lines[15], "2");
    readDefaultPreferences();
    EXPECT_TRUE(bAnnealFinalSimplex && !bSAFinalML);

    // any other final answer: no polish; No keeps the file as it was
    chooseAnnealing("1", "10", "500", "7", IDNO);
    EXPECT_FALSE(bSAFinalML || bAnnealFinalSimplex);
    EXPECT_EQ(readLines(szParamsIniPath)[15], "2");
    // a Cancel of the final question keeps the polish chosen before
    for (const char* szFinal : {"1", "2"}) {
        chooseAnnealing("1", "10", "500", szFinal, IDNO);
        chooseAnnealing("1", "10", "500", nullptr, IDNO);
        EXPECT_EQ(bSAFinalML != 0, szFinal[0] == '1') << szFinal;
        EXPECT_EQ(bAnnealFinalSimplex != 0, szFinal[0] == '2') << szFinal;
    }

    command(CM_MARQUARDT_LEVENBERG);
    EXPECT_TRUE(bMarquardLevenbergMin && !bSimulatedAnnealing && !bSimplex);
    EXPECT_TRUE(menuChecked(CM_MARQUARDT_LEVENBERG) && !menuChecked(CM_SIMULATED_ANNEALING));
    command(CM_SIMPLEX);
    EXPECT_TRUE(bSimplex && !bMarquardLevenbergMin && !bSimulatedAnnealing);
    EXPECT_TRUE(menuChecked(CM_SIMPLEX) && !menuChecked(CM_MARQUARDT_LEVENBERG));
}

TEST_F(AnnealingFitTest, AnnealingAloneRepeatsBitForBitAndRunsNoOtherOptimiser)
{
    exampleModel("5", "4.0", true, "0.02", true);
    chooseAnnealing("0.2", "3", "40", "0", IDNO);
    std::vector<float> first;
    float fFirstRmsd = 0;
    for (int nRun = 0; nRun < 2; ++nRun) {
        startValues();
        seedRandomNumbers(3);
        ASSERT_EQ(window->RunFit(), 1);
        EXPECT_LE(nFitSteps, 3);
        EXPECT_FALSE(bFitRunning);
        EXPECT_EQ(fSATemperature, SAmaxTemp);
        std::vector<float> now(pParamValue + 1, pParamValue + nParams + 1);
        if (nRun == 0) {
            first = now;
            fFirstRmsd = fRmsd;
        } else {
            EXPECT_EQ(std::memcmp(now.data(), first.data(), now.size() * sizeof(float)), 0);
            EXPECT_EQ(fRmsd, fFirstRmsd);
        }
    }
    // no Marquardt-Levenberg polish ran (it leaves its report)
    EXPECT_FALSE(std::filesystem::exists(reportPath()));
    EXPECT_LT(fFirstRmsd, 0.006f);
}

// One step at a high temperature from the best fit: the hot simplex wanders
// uphill and ends its budget away from the start, but the result is the best
// point ever evaluated, which is no worse than the start itself (a vertex of
// the start simplex).
TEST_F(AnnealingFitTest, OneHotTemperatureRunsOnceAndKeepsTheBestPointEver)
{
    exampleModel("6.1", "4.3", true, "0.02", true);
    chooseAnnealing("3", "1", "40", "0", IDNO);
    float v[3] = {};
    ASSERT_EQ(packFitParameters(2, v), 2);
    const float fStartRmsd = SimplexSim(v, window.get());
    seedRandomNumbers(4);
    ASSERT_EQ(window->RunFit(), 1);
    EXPECT_EQ(nFitSteps, 1);
    EXPECT_EQ(fSATemperature, 3.0f);
    // (a model evaluated twice at one point agrees to about 1e-7 of the rmsd)
    const float fResult = fRmsd;
    EXPECT_LE(fResult, fStartRmsd * (1 + 1e-6f));
    // the model holds that point
    window->CalcModel();
    EXPECT_NEAR(calcRmsd(), fResult, 1e-6f * fResult);
}

TEST_F(AnnealingFitTest, TheMarquardtPolishFinishesTheFitAndTheTemperatureComesBack)
{
    exampleModel("5", "4.0", true, "0.02", true);
    chooseAnnealing("0.2", "2", "30", "1", IDNO);
    startValues();
    seedRandomNumbers(5);
    headless::Script script;
    command(215);
    EXPECT_TRUE(std::filesystem::exists(reportPath()));  // the polish was Marquardt-Levenberg
    EXPECT_EQ(fSATemperature, 0.2f);
    EXPECT_NEAR(pSpeciesS[1], 4.3f, 0.005f * 4.3f);
    EXPECT_NEAR(pSpeciesMw[1], 6.1f, 0.02f * 6.1f);
    EXPECT_NEAR(fRmsd, 0.0040f, 0.0002f);
    EXPECT_FALSE(bFitRunning || bStopFit);
}
