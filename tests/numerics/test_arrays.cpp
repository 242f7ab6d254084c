#include <gtest/gtest.h>

#include <climits>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"

TEST(OneBasedArrays, VectorsStartZeroFilledAndReleaseSafely)
{
    float* v = vector(1, 5);
    for (int i = 1; i <= 5; i++) EXPECT_EQ(v[i], 0.0f);
    free_vector(v, 1, 5);
    float* w = vector(0, 3);
    for (int i = 0; i <= 3; i++) EXPECT_EQ(w[i], 0.0f);
    free_vector(w, 0, 3);
    double* e = dvector(1, 0);
    EXPECT_NE(e, nullptr);
    free_dvector(e, 1, 0);
    int* iv = ivector(-3, 3);
    uint32_t* lv = lvector(5, 9);
    for (int i = -3; i <= 3; i++) EXPECT_EQ(iv[i], 0);
    for (int i = 5; i <= 9; i++) EXPECT_EQ(lv[i], 0u);
    free_ivector(iv, -3, 3);
    free_lvector(lv, 5, 9);
    free_vector(nullptr, 1, 5);
    free_dvector(nullptr, 1, 5);
    free_ivector(nullptr, 1, 5);
    free_cvector(nullptr, 1, 5);
    free_lvector(nullptr, 1, 5);
    free_matrix(nullptr, 1, 2, 1, 2);
    free_dmatrix(nullptr, 1, 2, 1, 2);
    free_imatrix(nullptr, 1, 2, 1, 2);
}

TEST(OneBasedArrays, MatrixRowsAreContiguousAndViewsShareData)
{
    float** m = matrix(1, 3, 1, 4);
    EXPECT_EQ(&m[2][1], &m[1][4] + 1);
    EXPECT_EQ(&m[3][1], &m[2][4] + 1);
    for (int i = 1; i <= 3; i++)
        for (int j = 1; j <= 4; j++) m[i][j] = 10.0f * i + j;
    float** s = submatrix(m, 2, 3, 2, 4, 1, 1);
    EXPECT_EQ(s[1][1], 22.0f);
    s[2][3] = -1.0f;
    EXPECT_EQ(m[3][4], -1.0f);
    free_submatrix(s, 1, 2, 1, 3);

    float block[6] = {1, 2, 3, 4, 5, 6};
    float** c = convert_matrix(block, 1, 2, 1, 3);
    EXPECT_EQ(c[2][1], 4.0f);
    c[1][2] = 9.0f;
    EXPECT_EQ(block[1], 9.0f);
    free_convert_matrix(c, 1, 2, 1, 3);
    free_matrix(m, 1, 3, 1, 4);

    double** empty = dmatrix(1, 0, 1, 0);
    free_dmatrix(empty, 1, 0, 1, 0);

    float*** t = f3tensor(1, 2, 1, 3, 1, 4);
    EXPECT_EQ(&t[1][2][1], &t[1][1][4] + 1);
    EXPECT_EQ(&t[2][1][1], &t[1][3][4] + 1);
    free_f3tensor(t, 1, 2, 1, 3, 1, 4);
    // Bases other than 1 and more than two rows: u[i][j][k] is element
    // (i * 3 + j) * 2 + (k - 1) of the one row-major block that starts at u[0][0][1].
    float*** u = f3tensor(0, 3, 0, 2, 1, 2);
    for (int i = 0; i <= 3; i++)
        for (int j = 0; j <= 2; j++)
            for (int k = 1; k <= 2; k++)
                EXPECT_EQ(&u[i][j][k], &u[0][0][1] + (i * 3 + j) * 2 + (k - 1)) << i << ' ' << j << ' ' << k;
    free_f3tensor(u, 0, 3, 0, 2, 1, 2);
}

// The rest of the program allocates matrices and reads them before writing
// every element (accumulated sums, sparse fills): they must start at zero.
TEST(OneBasedArrays, MatricesStartZeroFilledWithAnyBounds)
{
    double** d = dmatrix(0, 40, -2, 60);
    int** im = imatrix(1, 7, 1, 7);
    for (int i = 0; i <= 40; i++)
        for (int j = -2; j <= 60; j++) ASSERT_EQ(d[i][j], 0.0);
    for (int i = 1; i <= 7; i++)
        for (int j = 1; j <= 7; j++) ASSERT_EQ(im[i][j], 0);
    EXPECT_EQ(&d[1][-2], &d[0][60] + 1);
    free_dmatrix(d, 0, 40, -2, 60);
    free_imatrix(im, 1, 7, 1, 7);
}

// A size that cannot be had is a fatal allocation failure: the box with the
// allocator's message and a quit request, and the allocator never hands a
// null pointer back for its caller to write through.
TEST(OneBasedArrays, AllocationFailureIsFatalAndAbandonsTheComputation)
{
    const long nHuge = LONG_MAX / 4;
    struct TCase {
        const char* szMessage;
        void (*fn)(long);
    } cases[] = {
        {"allocation failure in vector()", [](long n) { vector(1, n)[1] = 1.0f; }},
        {"allocation failure in dvector()", [](long n) { dvector(1, n)[1] = 1.0; }},
        {"allocation failure 2 in matrix()", [](long n) { dmatrix(1, 2, 1, n)[1][1] = 1.0; }},
        {"allocation failure 3 in f3tensor()", [](long n) { f3tensor(1, 2, 1, 2, 1, n)[1][1][1] = 1.0f; }},
    };
    win::headless::Script script;
    for (const TCase& c : cases) {
        clearShownErrorMessages();
        script.expectMessageBox("Error", win::IDOK);
        // (the sanitizer build's allocator names the size it refused on
        // standard error)
        testing::internal::CaptureStderr();
        bool bDone = runAbandonable([&] { c.fn(nHuge); });
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(bDone) << c.szMessage;
        ASSERT_EQ(shownErrorMessages().size(), 1u);
        EXPECT_EQ(shownErrorMessages()[0], c.szMessage);
        EXPECT_EQ(errorBoxQuitRequests(), 1);
    }
    clearShownErrorMessages();
}
