// The mean field of the non-ideal solver: in a uniform field the species
// sediments as an ideal one with the field's s and D; a field of frames is
// interpolated linearly in time and radius; an isoconcentration table
// becomes the concentration between its levels; frames of another size than
// the solver's grid are refused, and the list's copies share the field.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "lamm/lamm_fixture.h"
#include "lamm/lamm_nonideal.h"
#include "lamm/mean_field.h"

namespace {

const double kM = 6.0, kB = 7.2;

std::unique_ptr<CLammNonIdeal> makeNonideal(LammExperiment& e, double s, double D, int n)
{
    auto L = makeNonidealSolver(e, s, D, kM, kB, 1.0, 6.05f, 7.1f);
    L->bRampRotorSpeed = 0;
    L->nDefaultGridSize = n;
    return L;
}

// Frames of a constant value c at the given times, on n points.
struct Frames {
    std::vector<std::vector<float>> rows;
    std::vector<float*> ptr;
    std::vector<double> t;
    Frames(int n, const std::vector<double>& times, const std::vector<float>& values) : t(times.size() + 1)
    {
        ptr.push_back(nullptr);
        for (size_t i = 0; i < times.size(); i++) rows.emplace_back(n + 1, values[i]);
        for (auto& r : rows) ptr.push_back(r.data());
        for (size_t i = 0; i < times.size(); i++) t[i + 1] = times[i];
    }
};

}  // namespace

// ks = 0.05, kd = 0.01 per signal unit in a field of 2 signal units: the
// species sediments with s0 / 1.1 and D0 1.02 whatever its own loading, as
// the list's copies do too, and so it does in a field of one frame.
TEST(LammMeanField, UniformFieldGivesTheIdealSolutionOfTheFieldsSAndD)
{
    const double s0 = 5, D0 = 6e-7, c = 2.0;
    const int n = 800;
    LammExperiment a(5, 500, 3000, 50000, kM, kB, 200), ideal(5, 500, 3000, 50000, kM, kB, 200);
    auto L = makeNonideal(a, s0, D0, n);
    L->SetNonidealParams(static_cast<float>(std::log10(0.05)), static_cast<float>(std::log10(0.01)), 1.0, false,
                         false);
    Frames f(n, {0.0, 4000.0}, {static_cast<float>(c), static_cast<float>(c)});
    L->UseExternalMeanField(2, n, f.ptr.data(), f.t.data());
    ASSERT_NE(L->pMeanField, nullptr);
    ASSERT_EQ(L->Solve(), 0);
    auto I = makeSolver(ideal, s0 / (1 + 0.05 * c), D0 * (1 + 0.01 * c), kM, kB, 1.0, 6.05f, 7.1f);
    I->bRampRotorSpeed = 0;
    ASSERT_EQ(I->Solve(), 0);
    EXPECT_LT(largestDifference(a, ideal), 2e-3);

    // a copy (what a list's worker makes) solves in the same field
    LammExperiment b(5, 500, 3000, 50000, kM, kB, 200);
    CLammNonIdeal copy(*L);
    EXPECT_EQ(copy.pMeanField, L->pMeanField);
    copy.SetSimulationTarget(s0, D0, b.out, b.radii, b.nPoints, nullptr, nullptr);
    ASSERT_EQ(copy.Solve(), 0);
    EXPECT_LT(largestDifference(a, b), 1e-6);

    // a single frame (here at 1000 s) is the field before and after its time
    LammExperiment one(5, 500, 3000, 50000, kM, kB, 200);
    Frames f1(n, {1000.0}, {static_cast<float>(c)});
    L->UseExternalMeanField(1, n, f1.ptr.data(), f1.t.data());
    ASSERT_NE(L->pMeanField, nullptr);
    L->SetSimulationTarget(s0, D0, one.out, one.radii, one.nPoints, nullptr, nullptr);
    ASSERT_EQ(L->Solve(), 0);
    EXPECT_LT(largestDifference(one, ideal), 2e-3);

    // a field of another size than the grid is switched off
    L->UseExternalMeanField(2, n - 1, f.ptr.data(), f.t.data());
    EXPECT_EQ(L->pMeanField, nullptr);
}

TEST(LammMeanField, FramesAreLinearInTimeAndRadius)
{
    CLammMeanField f(2, 3, 6.0, 7.0);  // radii 6.0, 6.5, 7.0
    f.times = {100.0, 300.0};
    const float a[3] = {0, 1, 2}, b[3] = {2, 3, 6};
    std::copy(a, a + 3, f.Frame(0));
    std::copy(b, b + 3, f.Frame(1));
    const double r[6] = {0, 5.9, 6.0, 6.25, 6.75, 7.5};
    double v[6];
    f.ValuesAt(200.0, r, 5, v);  // halfway: frame 1, 2, 4
    EXPECT_DOUBLE_EQ(v[1], 1.0);
    EXPECT_DOUBLE_EQ(v[2], 1.0);
    EXPECT_DOUBLE_EQ(v[3], 1.5);
    EXPECT_DOUBLE_EQ(v[4], 3.0);
    EXPECT_DOUBLE_EQ(v[5], 4.0);
    f.ValuesAt(0.0, r, 5, v);  // before the first frame: the first frame
    EXPECT_DOUBLE_EQ(v[3], 0.5);
    f.ValuesAt(1e6, r, 5, v);  // after the last: the last
    EXPECT_DOUBLE_EQ(v[4], 4.5);
}

// An isoconcentration table (levels 0.5, 1.0, 1.5 at 6.4, 6.6, 6.8 cm at
// every time) is the concentration 0 inside 6.4, rising linearly from level
// to level and 1.5 outside 6.8; at t = 0 every level is at the meniscus, so
// the field is the top level everywhere. The frames are written to the
// temporary folder only when asked for, each with the table's values.
TEST(LammMeanField, IsoconcentrationTableBecomesTheConcentration)
{
    LammExperiment e(2, 500, 1000, 50000, kM, kB, 100);
    auto L = makeNonideal(e, 5, 6e-7, 601);  // radii every 0.002 cm
    L->SetNonidealParams(-2.0f, -2.0f, 1.0, false, false);
    double row[4] = {0, 6.4, 6.6, 6.8};
    double* radii[3] = {nullptr, row, row};
    double times[3] = {0, 500, 1000};
    double levels[4] = {0, 0.5, 1.0, 1.5};
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("morvex_ctotvec_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string folder = dir.string() + "/";
    L->LoadCtotMovie(2, 3, radii, times, levels, 0.5, folder.c_str());
    ASSERT_NE(L->pMeanField, nullptr);
    const CLammMeanField& f = *L->pMeanField;
    ASSERT_EQ(f.nFrames, 3);
    ASSERT_EQ(f.nPoints, 601);
    const double r[6] = {0, 6.2, 6.4, 6.5, 6.7, 7.0};
    double v[6];
    f.ValuesAt(700.0, r, 5, v);
    EXPECT_NEAR(v[1], 0.0, 1e-6);
    EXPECT_NEAR(v[2], 0.5, 1e-5);
    EXPECT_NEAR(v[3], 0.75, 1e-5);
    EXPECT_NEAR(v[4], 1.25, 1e-5);
    EXPECT_NEAR(v[5], 1.5, 1e-6);
    f.ValuesAt(0.0, r, 5, v);
    for (int i = 1; i <= 5; i++) EXPECT_NEAR(v[i], 1.5, 1e-6);

    // the frame files: none unless switched on, then one per frame, radius
    // and value per line from the meniscus to the bottom
    L->SetCtotVectorDumps(false);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    L->SetCtotVectorDumps(true);
    for (int k = 0; k < 3; k++) {
        std::ifstream in(folder + "ctotvec" + std::to_string(k) + ".dat");
        ASSERT_TRUE(in) << "frame " << k;
        std::stringstream text;
        text << in.rdbuf();
        std::istringstream lines(text.str());
        lines.imbue(std::locale::classic());
        double x, c, first = -1, last = -1, at65 = -1;
        int count = 0;
        while (lines >> x >> c) {
            if (count++ == 0) first = x;
            last = x;
            if (std::fabs(x - 6.5) < 1e-4) at65 = c;
        }
        EXPECT_EQ(count, 601) << "frame " << k;
        EXPECT_NEAR(first, kM, 1e-4);
        EXPECT_NEAR(last, kB, 1e-4);
        EXPECT_NEAR(at65, k == 0 ? 1.5 : 0.75, 1e-4) << "frame " << k;
    }
    // with no field loaded there is nothing to write
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    L->UseExternalMeanField(1, 600, nullptr, nullptr);
    ASSERT_EQ(L->pMeanField, nullptr);
    L->SetCtotVectorDumps(true);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
    // a field at the top level for all times sediments like the uniform field
    double men[4] = {0, kM, kM, kM};
    double* at[3] = {nullptr, men, men};
    LammExperiment a(3, 600, 2400, 50000, kM, kB, 200), b(3, 600, 2400, 50000, kM, kB, 200);
    auto A = makeNonideal(a, 5, 6e-7, 601);
    A->SetNonidealParams(-1.0f, -2.0f, 1.0, false, false);
    A->LoadCtotMovie(2, 3, at, times, levels, 0.5, "");
    ASSERT_EQ(A->Solve(), 0);
    auto B = makeNonideal(b, 5, 6e-7, 601);
    B->SetNonidealParams(-1.0f, -2.0f, 1.0, false, false);
    Frames f15(601, {0.0, 1000.0}, {1.5f, 1.5f});
    B->UseExternalMeanField(2, 601, f15.ptr.data(), f15.t.data());
    ASSERT_EQ(B->Solve(), 0);
    EXPECT_LT(largestDifference(a, b), 1e-6);

    // an empty table (no levels, or no times) loads no field: the species
    // takes s and D from its own concentration again, and a loading beyond
    // ks c = 1 (ks = 3.2 per unit here) is refused as without a field (7);
    // with a field loaded the own loading plays no part
    LammExperiment d(1, 600, 600, 50000, kM, kB, 100);
    auto D = makeNonideal(d, 5, 6e-7, 601);
    D->SetNonidealParams(0.5f, 0.0f, 1.0, false, false);
    D->LoadCtotMovie(0, 3, at, times, levels, 0.5, "");
    EXPECT_EQ(D->pMeanField, nullptr);
    EXPECT_EQ(D->Solve(), 7);
    D->LoadCtotMovie(2, 0, at, times, levels, 0.5, "");
    EXPECT_EQ(D->pMeanField, nullptr);
    EXPECT_EQ(D->Solve(), 7);
    D->LoadCtotMovie(2, 3, at, times, levels, 0.5, "");
    ASSERT_NE(D->pMeanField, nullptr);
    EXPECT_EQ(D->Solve(), 0);
}
