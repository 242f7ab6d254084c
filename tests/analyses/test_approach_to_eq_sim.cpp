// The approach-to-equilibrium simulation object against the physics: the
// target holds the amount of the loading, the solution approaches it, the
// synthetic records carry the omega^2 t of a rotor accelerating at 280 rpm/s.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "numerics/nrutil.h"

namespace {

// Species 1 at the defaults of the tool (M 65000, f/f0 1.4, 20 C, water).
const float kS = 4.1639f, kD = 5.7554e-7f;

void setupDefault(CApproachToEqSim& sim, float fHours, float fRight = 7.15f, float fLeft = 6.77f)
{
    const float fr[] = {0, 1}, s[] = {0, kS}, D[] = {0, kD};
    sim.Setup(nullptr, fHours, 7.2f, 6.75f, fRight, fLeft, 1, fr, s, D, 0.73f, 20.0f, 15000.0f);
}

double omega2(double rpm) { return std::pow(rpm * M_PI / 30.0, 2); }

class ApproachToEqSimTest : public ::testing::Test {
protected:
    void TearDown() override { resetTimeToEqParams(&timeToEqParams); }
};

}  // namespace

TEST_F(ApproachToEqSimTest, SyntheticExperimentGridAndLimits)
{
    CApproachToEqSim sim;
    // a duration below one interval still gives one scan; 100 h give 200
    setupDefault(sim, 0.1f);
    EXPECT_EQ(sim.nScans, 1);
    setupDefault(sim, 100.0f);
    EXPECT_EQ(sim.nScans, 200);
    EXPECT_EQ(+sim.pScanRecords[200].time, 360000.0);
    EXPECT_EQ(+sim.pScanRecords[7].rpm, 15000.0f);
    EXPECT_EQ(sim.pScanRecords[7].dataType, 'R');

    // radii every 0.002 cm from the meniscus; the last one is the bottom
    EXPECT_EQ(sim.nRadialPoints, 226);
    EXPECT_EQ(sim.pRadii[1], 6.75f);
    EXPECT_EQ(sim.pRadii[226], 7.2f);
    EXPECT_NEAR(sim.pRadii[225] - sim.pRadii[224], 0.002f, 1e-5f);
    EXPECT_NEAR(sim.pRadii[226] - sim.pRadii[225], 0.002f, 1e-5f);
    // a column that is no whole number of steps: the last step is shorter
    const float fr[] = {0, 1}, s[] = {0, kS}, D[] = {0, kD};
    sim.Setup(nullptr, 1, 7.2013f, 6.75f, 7.15f, 6.77f, 1, fr, s, D, 0.73f, 20, 15000);
    EXPECT_EQ(sim.pRadii[sim.nRadialPoints], 7.2013f);
    EXPECT_LT(sim.pRadii[sim.nRadialPoints - 1], 7.2013f);

    // fit range: reversed limits are swapped, a left limit inside the
    // meniscus moves 0.01 cm into the column, a right one beyond the bottom
    // 0.05 cm inside it
    setupDefault(sim, 1, 6.9f, 7.1f);
    EXPECT_EQ(sim.fLeftLimit, 6.9f);
    EXPECT_EQ(sim.fRightLimit, 7.1f);
    EXPECT_GT(sim.pRadii[sim.nFirstFitIndex], 6.9f);
    EXPECT_LE(sim.pRadii[sim.nFirstFitIndex - 1], 6.9f);
    EXPECT_LE(sim.pRadii[sim.nLastFitIndex], 7.1f);
    EXPECT_GT(sim.pRadii[sim.nLastFitIndex + 1], 7.1f);
    setupDefault(sim, 1, 7.5f, 6.5f);
    EXPECT_FLOAT_EQ(sim.fLeftLimit, 6.76f);
    EXPECT_FLOAT_EQ(sim.fRightLimit, 7.15f);
}

// A programme of a slow species (f/f0 = 1e6 estimates 2e7 h) is refused at
// once: scans are counted in integers (a float time stops growing at 2^24
// intervals, and 1800 s added to 7.2e10 s gave it back unchanged) and held
// to the arrays' limit. Within a time limit, so that a loop that does not end
// fails here.
TEST_F(ApproachToEqSimTest, LongProgrammesAreRefusedAtOnce)
{
    EXPECT_EQ(approachToEqScanCount(100.1f, 1800.0f), 201);
    EXPECT_EQ(approachToEqScanCount(10000.0f, 1800.0f), kMaxApproachToEqScans);
    EXPECT_EQ(approachToEqScanCount(10000.5f, 1800.0f), 0);
    EXPECT_EQ(approachToEqScanCount(std::nanf(""), 1800.0f), 0);

    auto sim = std::make_shared<CApproachToEqSim>();
    setupDefault(*sim, 100.0f);
    auto refused = std::make_shared<std::promise<std::vector<bool>>>();
    std::future<std::vector<bool>> done = refused->get_future();
    std::thread([sim, refused] {
        const float fr[] = {0, 1}, s[] = {0, kS}, D[] = {0, kD};
        std::vector<bool> ok;
        for (float fHours : {2e7f, 4e6f, 1e4f + 1.0f})
            ok.push_back(sim->Setup(nullptr, fHours, 7.2f, 6.75f, 7.15f, 6.77f, 1, fr, s, D, 0.73f, 20.0f, 15000.0f));
        refused->set_value(ok);
    }).detach();
    ASSERT_EQ(done.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the set-up did not end";
    EXPECT_EQ(done.get(), std::vector<bool>(3, false));
    // the object stays as it was
    EXPECT_EQ(sim->nScans, 200);
    EXPECT_EQ(sim->nRadialPoints, 226);
    EXPECT_EQ(+sim->pScanRecords[200].time, 360000.0);
}

TEST_F(ApproachToEqSimTest, TargetKeepsTheAmountOfTheLoading)
{
    CApproachToEqSim sim;
    setupDefault(sim, 10);
    const double m = 6.75, b = 7.2;
    // the closed form: c(r) = A exp(sigma (r^2 - b^2)), integral of r c dr
    // over the column = (b^2 - m^2) / 2 per unit loading
    const double sigma = kS * 1e-13 * omega2(15000) / (2 * kD);
    const double A = sigma * (b * b - m * m) / (1 - std::exp(sigma * (m * m - b * b)));
    const int n = 200000;
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double r = m + (b - m) * (i + 0.5) / n;
        sum += r * A * std::exp(sigma * (r * r - b * b)) * (b - m) / n;
    }
    EXPECT_NEAR(sum / ((b * b - m * m) / 2), 1.0, 1e-6);
    for (int i : {1, 100, 226})
        EXPECT_NEAR(sim.pTarget[i] / (A * std::exp(sigma * (sim.pRadii[i] * sim.pRadii[i] - b * b))), 1.0, 1e-5);

    // on the object's grid: the radial integral is exact for c = 1 and
    // holds the target's amount within 1e-4
    float* one = vector(1, sim.nRadialPoints);
    for (int i = 1; i <= sim.nRadialPoints; ++i) one[i] = 1;
    EXPECT_NEAR(sim.RadialIntegral(one) / ((b * b - m * m) / 2), 1.0, 1e-6);
    free_vector(one, 1, sim.nRadialPoints);
    EXPECT_NEAR(sim.RadialIntegral(sim.pTarget) / ((b * b - m * m) / 2), 1.0, 1e-4);
    EXPECT_EQ(sim.RadialIntegral(nullptr), 0.0f);

    // two species: the fractions of two equilibria
    CApproachToEqSim two;
    const float fr[] = {0, 0.25f, 0.75f}, s[] = {0, kS, 2 * kS}, D[] = {0, kD, kD};
    two.Setup(nullptr, 1, 7.2f, 6.75f, 7.15f, 6.77f, 2, fr, s, D, 0.73f, 20, 15000);
    EXPECT_NEAR(two.RadialIntegral(two.pTarget) / ((b * b - m * m) / 2), 1.0, 2e-4);
    EXPECT_GT(two.pTarget[226] / two.pTarget[1], sim.pTarget[226] / sim.pTarget[1]);

    // a species that does not sediment (s = 0, and so D = 0 from the
    // Svedberg relation) is at equilibrium as it was loaded: evenly
    const float fr0[] = {0, 0.75f}, s0[] = {0, 0}, D0[] = {0, 0};
    two.Setup(nullptr, 1, 7.2f, 6.75f, 7.15f, 6.77f, 1, fr0, s0, D0, 0.73f, 20, 15000);
    for (int i : {1, 100, 226}) EXPECT_FLOAT_EQ(two.pTarget[i], 0.75f) << i;
}

TEST_F(ApproachToEqSimTest, RecordsCarryTheRampFromRest)
{
    CApproachToEqSim sim;
    sim.fScanInterval = 10;  // the first scans lie inside the ramp of 53.6 s
    setupDefault(sim, 0.1f);
    ASSERT_EQ(sim.nScans, 36);
    for (int i : {1, 3, 5, 6, 36}) {
        const ScanHeader h = sim.pScanRecords[i];
        const double t = h.time;
        // integral of omega(t)^2 for the linear ramp at 280 rpm/s to 15000 rpm
        const double ta = 15000.0 / 280.0;
        const double a = omega2(280.0);  // omega^2 per s^2
        const double w2t = t < ta ? a * t * t * t / 3 : a * ta * ta * ta / 3 + omega2(15000) * (t - ta);
        EXPECT_NEAR(h.omega2t / w2t, 1.0, 1e-9) << i;
        if (t < ta) {
            EXPECT_FLOAT_EQ(h.rpm, static_cast<float>(280 * t));
            EXPECT_EQ(+h.accelTime, t);
        }
    }
}

TEST_F(ApproachToEqSimTest, ConstantSpeedRunApproachesTheTarget)
{
    CApproachToEqSim sim;
    setupDefault(sim, 100);
    ASSERT_TRUE(sim.Run());
    sim.Analyse(0.001f, 0.001f);
    // the amount stays that of the loading and the profile comes to rest on
    // the equilibrium
    EXPECT_NEAR(sim.RadialIntegral(sim.ppTotalScans[200]) / sim.RadialIntegral(sim.pTarget), 1.0, 1e-3);
    EXPECT_LT(sim.pRmsDeviation[200], 0.002f);
    EXPECT_GT(sim.pRmsDeviation[1], 0.3f);
    for (int j = 2; j <= 80; ++j) EXPECT_LE(sim.pRmsDeviation[j], sim.pRmsDeviation[j - 1] * 1.0001f) << j;
    // the time of reaching 0.001: within an hour of the estimate of 38.95 h
    EXPECT_GT(sim.fRmsdTime / 3600, 37.0f);
    EXPECT_LT(sim.fRmsdTime / 3600, 40.5f);
    EXPECT_EQ(sim.pScanTimes[sim.nRmsdIndex], sim.fRmsdTime);
    EXPECT_NEAR(sim.BottomOverconcentration(), 1.0f, 0.01f);

    // a threshold no scan reaches reports the last scan
    sim.Analyse(1e-6f, 1e-6f);
    EXPECT_EQ(sim.nRmsdIndex, 200);
    EXPECT_EQ(sim.fRmsdTime, 360000.0f);
    EXPECT_EQ(sim.nDevIndex, 200);

    // an all-zero scan in a step loading: compared unscaled, no division by 0
    timeToEqParams.fInitialStepRadius = 6.9f;
    for (int i = 1; i <= sim.nRadialPoints; ++i) sim.ppTotalScans[5][i] = 0;
    sim.Analyse(0.001f, 0.001f);
    EXPECT_TRUE(std::isfinite(sim.pRmsDeviation[5]));
    EXPECT_GT(sim.pRmsDeviation[5], 0.5f);

    // Scans of the target's shape with twice and half its amount: a step
    // loading compares them in shape (each scaled to the target's amount), so
    // they are at equilibrium; a uniform loading compares them as they are,
    // off by the target itself and by half of it.
    CApproachToEqSim shape;
    setupDefault(shape, 2);
    ASSERT_GE(shape.nScans, 2);
    for (int i = 1; i <= shape.nRadialPoints; ++i) {
        shape.ppTotalScans[1][i] = 2 * shape.pTarget[i];
        shape.ppTotalScans[2][i] = 0.5f * shape.pTarget[i];
    }
    double dSum = 0;
    int n = 0;
    for (int i = 1; i <= shape.nRadialPoints; ++i)
        if (shape.pRadii[i] > shape.fLeftLimit && shape.pRadii[i] < shape.fRightLimit) {
            dSum += double(shape.pTarget[i]) * shape.pTarget[i];
            ++n;
        }
    const double dTargetRms = std::sqrt(dSum / n);
    shape.Analyse(0.001f, 0.001f);
    for (int j : {1, 2}) {
        EXPECT_LT(shape.pRmsDeviation[j], 1e-5 * dTargetRms) << j;
        EXPECT_LT(shape.pMaxDeviation[j], 1e-5 * dTargetRms) << j;
    }
    EXPECT_EQ(shape.nRmsdIndex, 1);
    timeToEqParams.fInitialStepRadius = 0.0f;
    shape.Analyse(0.001f, 0.001f);
    EXPECT_NEAR(shape.pRmsDeviation[1], dTargetRms, 1e-5 * dTargetRms);
    EXPECT_NEAR(shape.pRmsDeviation[2], 0.5 * dTargetRms, 1e-5 * dTargetRms);
}

TEST_F(ApproachToEqSimTest, InitialDistributions)
{
    CApproachToEqSim sim;
    CApproachToEqSim none;
    EXPECT_FALSE(none.SetInitialDistribution(5000, 0, 0, nullptr, nullptr, false, nullptr, 0, 0));
    setupDefault(sim, 4);
    EXPECT_FALSE(sim.SetInitialDistribution(5000, 2, 0, nullptr, nullptr, true, nullptr, 0, 0));

    // the equilibrium at 7000 rpm, reached over 100000 s
    ASSERT_TRUE(sim.SetInitialDistribution(7000, 0, 0, nullptr, nullptr, false, nullptr, 0, 0));
    EXPECT_EQ(sim.fInitialDuration, 100000.0f);
    EXPECT_EQ(+sim.pInitialRecord[1].rpm, 7000.0f);
    const float* c = sim.ppInitialProfiles[1];
    ASSERT_NE(c, nullptr);
    EXPECT_NEAR(sim.RadialIntegral(c) / sim.RadialIntegral(sim.pTarget), 1.0, 1e-4);
    EXPECT_LT(c[226] / c[1], sim.pTarget[226] / sim.pTarget[1]);

    // a step at 6.9 cm: nothing inside it, the same amount beyond it
    ASSERT_TRUE(sim.SetInitialDistribution(15000, 0, 0, nullptr, nullptr, false, nullptr, 0, 6.9f));
    EXPECT_EQ(sim.fInitialDuration, 1.0f);
    c = sim.ppInitialProfiles[1];
    EXPECT_EQ(c[1], 0.0f);
    EXPECT_EQ(c[70], 0.0f);
    EXPECT_GT(c[150], 1.0f);
    EXPECT_EQ(c[150], c[220]);  // flat beyond the step
    EXPECT_LT(c[70 + 6], c[150]);
    EXPECT_NEAR(sim.RadialIntegral(c) / sim.RadialIntegral(sim.pTarget), 1.0, 0.05);

    // the run from the equilibrium at a lower speed approaches the target
    // sooner than from uniform loading
    CApproachToEqSim uniform;
    setupDefault(uniform, 60);
    ASSERT_TRUE(uniform.Run());
    uniform.Analyse(0.001f, 0.001f);
    setupDefault(sim, 60);
    ASSERT_TRUE(sim.SetInitialDistribution(12000, 0, 0, nullptr, nullptr, false, nullptr, 0, 0));
    ASSERT_TRUE(sim.Run());
    sim.Analyse(0.001f, 0.001f);
    EXPECT_LT(sim.pRmsDeviation[1], uniform.pRmsDeviation[1]);
    EXPECT_LT(sim.fRmsdTime, uniform.fRmsdTime);
}

TEST_F(ApproachToEqSimTest, CompressionRoundTripAndDeepCopy)
{
    CApproachToEqSim sim;
    setupDefault(sim, 10);
    const float start[] = {0, 0, 7200, 20000}, rpm[] = {0, 25000, 18000, 15000}, rate[] = {0, 280, 200, 280};
    sim.SetSpeedSteps(3, start, rpm, rate, 2);
    EXPECT_EQ(sim.bSpeedSteps, 1);
    CApproachToEqSim before;
    before.CopyFrom(sim);

    sim.SetTimeCompression(0.5f, 3600);  // a factor below 1: off
    EXPECT_EQ(sim.bCompression, 0);
    sim.SetTimeCompression(4, 9000);
    ASSERT_EQ(sim.bCompression, 1);
    sim.CompressTimes();
    EXPECT_EQ(+sim.pScanRecords[1].time, 1800.0 / 4);
    EXPECT_EQ(+sim.pScanRecords[5].time, 9000.0 - 9000 + 9000.0 / 4);
    EXPECT_EQ(sim.pStepStart[2], 1800.0f);
    EXPECT_EQ(sim.pStepRate[2], 800.0f);
    EXPECT_EQ(sim.pStepStart[3], 20000.0f - 9000 + 2250);
    sim.RestoreTimes();
    for (int i = 1; i <= sim.nScans; ++i) {
        const ScanHeader a = sim.pScanRecords[i], b = before.pScanRecords[i];
        EXPECT_NEAR(a.time, b.time, 1e-9) << i;
        EXPECT_NEAR(a.timeWritten, b.timeWritten, 1e-9) << i;
        EXPECT_NEAR(a.omega2t / b.omega2t, 1.0, 1e-12) << i;
        EXPECT_NEAR(a.accelRate, b.accelRate, 1e-12) << i;
        EXPECT_NEAR(a.accelTime, b.accelTime, 1e-9) << i;
    }
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(sim.pStepStart[k], before.pStepStart[k]) << k;
        EXPECT_EQ(sim.pStepRate[k], before.pStepRate[k]) << k;
    }

    // the copy owns its arrays: changing it leaves the original
    before.pRadii[3] = 0;
    before.pTarget[3] = 0;
    before.pStepRpm[1] = 1;
    before.pScanRecords[2].time = -1;
    before.pFractions[1] = 0.5;
    EXPECT_NE(sim.pRadii[3], 0.0f);
    EXPECT_NE(sim.pTarget[3], 0.0f);
    EXPECT_EQ(sim.pStepRpm[1], 25000.0f);
    EXPECT_EQ(+sim.pScanRecords[2].time, 3600.0);
    EXPECT_EQ(sim.pFractions[1], 1.0);
    EXPECT_EQ(before.nRadialPoints, sim.nRadialPoints);
}
