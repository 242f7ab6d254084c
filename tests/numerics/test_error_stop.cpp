#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "numerics/error_stop.h"
#include "numerics/linear_algebra.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"

namespace {

// A 3 by 3 system whose middle row is empty: LU cannot solve it.
double** singularMatrix()
{
    double** a = dmatrix(1, 3, 1, 3);
    double v[3][3] = {{4, 1, 0}, {0, 0, 0}, {1, 0, 3}};
    for (int i = 1; i <= 3; i++)
        for (int j = 1; j <= 3; j++) a[i][j] = v[i - 1][j - 1];
    return a;
}

// Stands for program state a command must not damage: loaded data and the
// results of an earlier analysis.
struct TState {
    std::vector<double> loaded{1.0, 2.0, 3.0};
    std::vector<double> results{7.0};
};

// A command: computes into its own arrays, stores at the end.
bool commandSolve(TState& st, double** a)
{
    double* b = dvector(1, 3);
    CScopeExit releaseB([&] { free_dvector(b, 1, 3); });
    for (int i = 1; i <= 3; i++) b[i] = st.loaded[static_cast<size_t>(i - 1)];
    if (!runAbandonable([&] { luSolveD(a, b, 3, true); })) return false;
    st.results.assign(b + 1, b + 4);
    return true;
}

} // namespace

TEST(ErrorStop, SingularMatrixAbandonsTheCommandAndKeepsTheProgramState)
{
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    TState st;
    double** a = singularMatrix();
    EXPECT_FALSE(commandSolve(st, a));
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "Singular matrix in routine ludcmp");
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    EXPECT_EQ(st.loaded, (std::vector<double>{1.0, 2.0, 3.0}));
    EXPECT_EQ(st.results, std::vector<double>{7.0});

    // The program goes on: the next command on good data works.
    a[2][2] = 2.0;
    EXPECT_TRUE(commandSolve(st, a));
    EXPECT_NEAR(st.results[1], 1.0, 1e-12);
    free_dmatrix(a, 1, 3, 1, 3);
    clearShownErrorMessages();
}

// Workers never show a box: their failures are recorded and the
// user-interface thread shows them once it has joined the workers, one box
// per distinct text, fatal when an allocation failed.
TEST(ErrorStop, WorkerFailuresAreShownByTheUserInterfaceThreadAfterJoining)
{
    clearShownErrorMessages();
    ASSERT_TRUE(isUserInterfaceThread());
    const int nWorkers = 4;
    std::vector<int> pFailed(nWorkers + 1, 0);
    std::vector<std::thread> workers;
    for (int k = 1; k <= nWorkers; k++)
        workers.emplace_back([&, k] {
            EXPECT_FALSE(isUserInterfaceThread());
            bool bDone = runAbandonable([&] {
                double** a = singularMatrix();
                CScopeExit releaseA([&] { free_dmatrix(a, 1, 3, 1, 3); });
                double b[4] = {0, 1, 2, 3};
                luSolveD(a, b, 3, false);
            });
            pFailed[static_cast<size_t>(k)] = bDone ? 0 : 1;
        });
    for (std::thread& t : workers) t.join();
    for (int k = 1; k <= nWorkers; k++) EXPECT_EQ(pFailed[static_cast<size_t>(k)], 1);
    EXPECT_TRUE(shownErrorMessages().empty());
    EXPECT_EQ(deferredErrorMessageCount(), nWorkers);
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK).expectMessageBox("Error", win::IDOK);

    EXPECT_EQ(showDeferredErrorMessages(), 1);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "Singular matrix in routine ludcmp");
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    EXPECT_EQ(showDeferredErrorMessages(), 0);

    clearShownErrorMessages();
    std::thread worker([] { runAbandonable([] { vector(1, 1L << 62)[1] = 0.0f; }); });
    worker.join();
    EXPECT_TRUE(shownErrorMessages().empty());
    EXPECT_EQ(showDeferredErrorMessages(), 1);
    EXPECT_EQ(shownErrorMessages()[0], "allocation failure in vector()");
    EXPECT_EQ(errorBoxQuitRequests(), 1);
    clearShownErrorMessages();
}
