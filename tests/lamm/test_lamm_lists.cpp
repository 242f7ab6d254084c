// Lists of Lamm equations on worker threads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "lamm_fixture.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"

namespace {

const double kM = 6.0, kB = 7.2;

// n output matrices [scan][point] for the equations of a list.
struct ListOutput {
    int n, scans, points;
    std::vector<float**> rows;
    float*** out;
    ListOutput(int n_, int scans_, int points_) : n(n_), scans(scans_), points(points_), rows(n_ + 1, nullptr)
    {
        for (int i = 1; i <= n; i++) {
            rows[i] = matrix(1, scans, 1, points);
            for (int k = 1; k <= scans; k++)
                for (int j = 1; j <= points; j++) rows[i][k][j] = -1;
        }
        out = rows.data();
    }
    ~ListOutput()
    {
        for (int i = 1; i <= n; i++) free_matrix(rows[i], 1, scans, 1, points);
    }
};

// The template of a c(s) list: s and D are set per equation.
std::unique_ptr<CLammIdeal> listTemplate(LammExperiment& e)
{
    auto T = makeSolver(e, 1.0, 1e-6, kM, kB, 1.0, 6.1f, 7.1f);
    T->bRampRotorSpeed = 0;
    return T;
}

std::string readFile(const char* mappedPath)
{
    std::FILE* f = win::fopenMapped(mappedPath, "r");
    if (!f) return "";
    std::string text;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

struct GlobalsGuard {
    int threads = nLammThreads;
    unsigned char diag = bDiagnosticsThreads;
    ~GlobalsGuard()
    {
        nLammThreads = threads;
        bDiagnosticsThreads = diag;
        bInterruptComputation = 0;
        win::headless::setPolicy(win::headless::Policy::FailOnUnexpected);
    }
};

}  // namespace

// Worker k of N takes the equations i with i mod N = k - 1 (the thread logs
// name them), and the list gives the same numbers, bit for bit, as the same
// equations solved one after another, whatever the number of workers; the
// list spans both engines (0.8 to 220 S).
TEST(LammList, WorkersShareTheListAndMatchTheSerialLoop)
{
    GlobalsGuard guard;
    LammExperiment e(6, 400, 3000, 50000, kM, kB, 120);
    auto T = listTemplate(e);
    const int n = 12;
    double s[n + 1], D[n + 1];
    for (int i = 1; i <= n; i++) {
        s[i] = 0.5 * std::pow(1.66, (double)i);
        D[i] = 1.34e-6 / std::sqrt(s[i]);
    }
    ListOutput serial(n, e.nScans, e.nPoints);
    for (int i = 1; i <= n; i++) {
        CLammIdeal L;
        L.CopyFrom(*T);
        L.SetSimulationTarget(s[i], D[i], serial.out[i], e.radii, e.nPoints, nullptr, nullptr);
        L.SetSolventAndParticle(T->fTemperature, T->fVbar, T->fDensity, T->fViscosity);
        ASSERT_EQ(L.Solve(), 0);
    }
    for (int N : {1, 2, 3, 8}) {
        nLammThreads = N;
        ListOutput list(n, e.nScans, e.nPoints);
        bInterruptComputation = 0;
        ASSERT_EQ(T->CLRunMTList(n, s, D, nullptr, list.out, e.radii, e.nPoints, nullptr, nullptr), 0);
        for (int i = 1; i <= n; i++)
            for (int k = 1; k <= e.nScans; k++)
                ASSERT_EQ(std::memcmp(&list.out[i][k][1], &serial.out[i][k][1], sizeof(float) * e.nPoints), 0)
                    << "N = " << N << " equation " << i << " scan " << k;
    }
    // One vbar for a whole list reaches its last equation too: at 0.99 the
    // frictional ratio of 218 S with 9.1e-8 cm^2/s is 0.39, below 0.5, and the
    // equation is solved on the plain grid, as alone with that vbar.
    ListOutput one(1, e.nScans, e.nPoints), alone(1, e.nScans, e.nPoints);
    CLammIdeal L;
    L.CopyFrom(*T);
    L.SetSimulationTarget(s[n], D[n], alone.out[1], e.radii, e.nPoints, nullptr, nullptr);
    L.SetSolventAndParticle(T->fTemperature, 0.99, T->fDensity, T->fViscosity);
    ASSERT_EQ(L.Solve(), 0);
    ASSERT_EQ(T->RunMTListConstVbar(1, s + n - 1, D + n - 1, 0.99f, one.out, e.radii, e.nPoints, nullptr, nullptr), 0);
    for (int k = 1; k <= e.nScans; k++)
        ASSERT_EQ(std::memcmp(&one.out[1][k][1], &alone.out[1][k][1], sizeof(float) * e.nPoints), 0) << k;

    // N = 2, n = 5: worker 1 solves 2 and 4, worker 2 solves 1, 3 and 5
    nLammThreads = 2;
    bDiagnosticsThreads = 1;
    ListOutput five(5, e.nScans, e.nPoints);
    ASSERT_EQ(T->CLRunMTList(5, s, D, nullptr, five.out, e.radii, e.nPoints, nullptr, nullptr), 0);
    bDiagnosticsThreads = 0;
    const std::string t1 = readFile("c:\\temp\\MTdebug_t1.txt"), t2 = readFile("c:\\temp\\MTdebug_t2.txt");
    auto has = [](const std::string& log, int i) {
        return log.find("Lamm equation #" + std::to_string(i) + " ") != std::string::npos;
    };
    for (int i = 1; i <= 5; i++) {
        EXPECT_EQ(has(t1, i), i % 2 == 0) << i;
        EXPECT_EQ(has(t2, i), i % 2 == 1) << i;
    }
    EXPECT_EQ(t1.find("\nstarting new debugging session for thread #1"), 0u);
    EXPECT_NE(t1.find("\ndeleting MultiThreadCLammIdeal"), std::string::npos);
}

// A failing equation stops its worker, the others stop at their next
// equation; the waiting thread shows the workers' messages and a box naming
// the equation. A list without s, D or outputs is refused with 4.
TEST(LammList, ErrorsNameTheSimulationAndMissingListsAreRefused)
{
    GlobalsGuard guard;
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    LammExperiment e(3, 400, 2000, 50000, kM, kB, 80);
    auto T = listTemplate(e);
    double s[6] = {0, 2, 3, 4, 5, 6}, D[6] = {0, 6e-7, 6e-7, -1e-7, 6e-7, 6e-7};
    nLammThreads = 2;
    ListOutput out(5, e.nScans, e.nPoints);
    clearShownErrorMessages();
    bInterruptComputation = 0;
    EXPECT_EQ(T->CLRunMTList(5, s, D, nullptr, out.out, e.radii, e.nPoints, nullptr, nullptr), 4);
    const auto& boxes = shownErrorMessages();
    bool named = false, reason = false;
    for (const auto& b : boxes) {
        named |= b == "error #4 in simulation #3";
        reason |= b == "diffcoeff < 0 loaded in CLammIdeal";
    }
    EXPECT_TRUE(named);
    EXPECT_TRUE(reason);
    EXPECT_EQ(bInterruptComputation.load(), 1);
    EXPECT_EQ(out.out[5][1][1], -1.0f);  // worker 2 stopped before equation 5
    EXPECT_NE(out.out[1][1][1], -1.0f);  // equation 1 was solved before the failure

    bInterruptComputation = 0;
    clearShownErrorMessages();
    EXPECT_EQ(T->CLRunMTList(5, s, nullptr, nullptr, out.out, e.radii, e.nPoints, nullptr, nullptr), 4);
    EXPECT_EQ(T->CLRunMTList(5, s, D, nullptr, nullptr, e.radii, e.nPoints, nullptr, nullptr), 4);
}

// Snapshot frames of a list: every equation records its profile into the
// frames of its own grid point, whichever worker solves it; a run made again
// (as a retry is) records its frames anew.
TEST(LammList, SnapshotsGoToTheFramesOfTheirOwnEquation)
{
    GlobalsGuard guard;
    const int n = 4, frames = 2, points = 5;
    LammExperiment e(2, 600, 1200, 50000, kM, kB, 80);
    auto T = listTemplate(e);
    double s[n + 1] = {0, 2, 4, 6, 8}, D[n + 1] = {0, 6e-7, 6e-7, 6e-7, 6e-7};
    double times[frames + 1] = {0, 300, 900};
    float radii[points + 1] = {0, 6.90f, 6.94f, 6.98f, 7.02f, 7.06f};
    std::vector<float**> per(n + 1, nullptr);
    for (int i = 1; i <= n; i++) {
        per[i] = matrix(1, frames, 1, points);
        for (int f = 1; f <= frames; f++)
            for (int j = 1; j <= points; j++) per[i][f][j] = -1;
    }
    T->SetSnapshotTimes(frames, points, nullptr, per.data(), times, radii);
    nLammThreads = 2;
    ListOutput out(n, e.nScans, e.nPoints);
    bInterruptComputation = 0;
    ASSERT_EQ(T->CLRunMTList(n, s, D, nullptr, out.out, e.radii, e.nPoints, nullptr, nullptr), 0);
    const double w = 50000 * 2 * M_PI / 60;
    for (int i = 1; i <= n; i++)
        for (int f = 1; f <= frames; f++)  // the plateau c0 exp(-2 s w^2 t) of its own s
            for (int j = 1; j <= points; j++)
                EXPECT_NEAR(per[i][f][j], std::exp(-2 * s[i] * 1e-13 * w * w * times[f]), 1e-4)
                    << "equation " << i << " frame " << f;

    CLammIdeal L;
    L.CopyFrom(*T);
    L.SetSimulationTarget(s[1], D[1], out.out[1], e.radii, e.nPoints, nullptr, nullptr);
    L.SetSolventAndParticle(T->fTemperature, T->fVbar, T->fDensity, T->fViscosity);
    ASSERT_EQ(L.Solve(), 0);
    per[1][1][2] = -1;
    L.SetInitialConcentration();
    L.RunTimeStepping();
    EXPECT_NEAR(per[1][1][2], std::exp(-2 * s[1] * 1e-13 * w * w * times[1]), 1e-4);
    for (int i = 1; i <= n; i++) free_matrix(per[i], 1, frames, 1, points);
}
