// The Lamm-solution store and the normal-equation set: one zero-filled block
// each, carved as the builders and solvers expect.
#include <gtest/gtest.h>

#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"

TEST(LammSolutionStore, OneZeroFilledBlockInGridAndScanOrder)
{
    ASSERT_TRUE(allocLammSolutionStore(1, 1, 7));
    EXPECT_EQ(nLammSolutionStoreRows, 1);
    for (int j = 0; j <= 7; j++) EXPECT_EQ(pLammSolutions[1][1][j], 0.0f);

    ASSERT_TRUE(allocLammSolutionStore(3, 4, 10));  // the old store goes first
    EXPECT_EQ(nLammSolutionStoreRows, 3);
    float* pBlock = pLammSolutions[1][1];
    for (int g = 1; g <= 3; g++)
        for (int k = 1; k <= 4; k++) {
            EXPECT_EQ(pLammSolutions[g][k], pBlock + ((g - 1) * 4 + (k - 1)) * 11);
            for (int j = 1; j <= 10; j++) EXPECT_EQ(pLammSolutions[g][k][j], 0.0f);
        }
    pLammSolutions[3][4][10] = 1.0f;  // the very last float of the block
    freeLammSolutionStore(3);
    EXPECT_EQ(pLammSolutions, nullptr);
    EXPECT_EQ(nLammSolutionStoreRows, 0);
    freeLammSolutionStore(3);  // harmless
    EXPECT_FALSE(allocLammSolutionStore(0, 4, 10));
}

TEST(NormalEquations, BlockCarvedInTheStatedOrder)
{
    const int n = 5, nScans = 3, nRadii = 8;
    ASSERT_TRUE(allocNormalArrays(n, nScans, nRadii));
    // the mean bases, then the data means, then 3n + 10 rows of n + 1
    double* p0 = pNEMeanBasisRI[1];
    for (int g = 1; g <= n; g++) {
        EXPECT_EQ(pNEMeanBasisRI[g], p0 + (g - 1) * (nScans + 1));
        EXPECT_EQ(pNEMeanBasisTI[g], p0 + n * (nScans + 1) + (g - 1) * (nRadii + 1));
    }
    EXPECT_EQ(pNEMeanDataRI, p0 + n * (nScans + 1) + n * (nRadii + 1));
    EXPECT_EQ(pNEMeanDataTI, pNEMeanDataRI + nScans + 1);
    double* rows = pNEMeanDataTI + nRadii + 1;
    auto row = [&](int r) { return rows + r * (n + 1); };
    EXPECT_EQ(pNERightSide, row(0));
    for (int i = 1; i <= n; i++) {
        EXPECT_EQ(pNEMatrix[i], row(i));
        EXPECT_EQ(pNEWork[i], row(n + i));
        EXPECT_EQ(pNNLSReducedMatrix[i], row(2 * n + 2 + i));
    }
    EXPECT_EQ(pNESolution, row(2 * n + 1));
    EXPECT_EQ(pNNLSGradient, row(2 * n + 2));
    EXPECT_EQ(pNNLSReducedRightSide, row(3 * n + 3));
    EXPECT_EQ(pNNLSTrialSolution, row(3 * n + 6));
    EXPECT_EQ(pNEMeanBasis, row(3 * n + 7));
    EXPECT_EQ(pMaxEntWork, row(3 * n + 8));
    EXPECT_EQ(pNESolutionMaxEnt, row(3 * n + 9));
    // all of it zero, up to the last element of the last row
    const long nTotal = (n + 1L) * (nScans + 1) + (n + 1L) * (nRadii + 1) + (3L * n + 10) * (n + 1);
    EXPECT_EQ(row(3 * n + 9) + n, p0 + nTotal - 1);
    for (long i = 0; i < nTotal; i++) ASSERT_EQ(p0[i], 0.0) << i;
    ASSERT_NE(pNNLSPassiveSet, nullptr);
    for (int i = 1; i <= n; i++) EXPECT_EQ(pNNLSPassiveSet[i], 0);

    freeNormalArrays(n);
    for (void* p : {(void*)pNEMatrix, (void*)pNEWork, (void*)pNERightSide, (void*)pNESolution,
                    (void*)pNEMeanBasisRI, (void*)pNEMeanBasisTI, (void*)pNEMeanDataTI, (void*)pNNLSPassiveSet,
                    (void*)pNESolutionMaxEnt, (void*)pNNLSReducedMatrix})
        EXPECT_EQ(p, nullptr);
    freeNormalArrays(n);  // harmless
}

TEST(NormalEquations, MemoryThatCannotBeHadIsSaidAndNotFatal)
{
    clearShownErrorMessages();
    ASSERT_TRUE(allocNormalArrays(4, 2, 2));
    // (3n + 10)(n + 1) doubles for n = 2e7 is far beyond any memory
    win::headless::Script script;
    script.expectMessageBox("could not allocate arrays, increase memory or take fewer scans", win::IDOK);
    // (the sanitizer build's allocator names the size it refused on standard
    // error)
    testing::internal::CaptureStderr();
    EXPECT_FALSE(allocNormalArrays(20000000, 2, 2));
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "could not allocate arrays, increase memory or take fewer scans");
    EXPECT_EQ(errorBoxQuitRequests(), 0);
    EXPECT_EQ(pNEMatrix, nullptr);  // the old set went first
}
