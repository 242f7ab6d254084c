#include <gtest/gtest.h>

#include "numerics/nrutil.h"

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
    free_vector(nullptr, 1, 5);
    free_dvector(nullptr, 1, 5);
    free_ivector(nullptr, 1, 5);
    free_matrix(nullptr, 1, 2, 1, 2);
    free_dmatrix(nullptr, 1, 2, 1, 2);
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
}
