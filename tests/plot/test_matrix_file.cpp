// Matrix text files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/matrix_file.h"

using namespace win;

namespace {

std::string tempPath(const char* szName) { return workingFolder() + szName; }

std::string fileText(const std::string& szPath)
{
    std::string sz;
    std::FILE* f = std::fopen(szPath.c_str(), "rb");
    if (!f) return sz;
    int c;
    while ((c = std::fgetc(f)) != EOF) sz += char(c);
    std::fclose(f);
    return sz;
}

void writeFile(const std::string& szPath, const std::string& szText)
{
    std::FILE* f = std::fopen(szPath.c_str(), "wb");
    std::fputs(szText.c_str(), f);
    std::fclose(f);
}

}  // namespace

TEST(MatrixFile, WrittenAsTabbedLinesAndReadBackInBothOrientations)
{
    double** m = dmatrix(1, 2, 1, 3);
    double v[2][3] = {{1.0, 2.5, -3.0}, {0.125, 1e6, -0.0000004}};
    for (int i = 1; i <= 2; i++)
        for (int j = 1; j <= 3; j++) m[i][j] = v[i - 1][j - 1];
    std::string szPath = tempPath("m.txt");
    ASSERT_TRUE(saveMatrixFile(m, 1, 2, 1, 3, szPath.c_str()));
    EXPECT_EQ(fileText(szPath), "\t1.000000\t2.500000\t-3.000000\n\t0.125000\t1000000.000000\t-0.000000\n");
    ASSERT_TRUE(saveMatrixFileTransposed(m, 1, 2, 2, 3, szPath.c_str()));
    EXPECT_EQ(fileText(szPath), "\t2.500000\t1000000.000000\n\t-3.000000\t-0.000000\n");
    free_dmatrix(m, 1, 2, 1, 3);

    // Three lines of two columns: 2 x 3 by column, 3 x 2 by line.
    writeFile(szPath, "1 2\n3\t4 extra text\r\n 5  6\n");
    int nLines = -1;
    float** a = readMatrixFile(szPath.c_str(), 2, &nLines);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(nLines, 3);
    EXPECT_EQ(a[1][3], 5.0f);
    EXPECT_EQ(a[2][2], 4.0f);
    free_matrix(a, 1, 2, 1, 3);
    float** b = readMatrixFileB(szPath.c_str(), 2, &nLines);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b[3][1], 5.0f);
    EXPECT_EQ(b[2][2], 4.0f);
    free_matrix(b, 1, 3, 1, 2);
}

// A row of 200 columns is far longer than a line buffer of a thousand
// characters: it must still read as one line.
TEST(MatrixFile, WideRowsSurviveTheRoundTrip)
{
    const int nRows = 3, nCols = 200;
    float** m = matrix(1, nRows, 1, nCols);
    for (int i = 1; i <= nRows; i++)
        for (int j = 1; j <= nCols; j++) m[i][j] = 1000.0f * i + j + 0.25f * (j % 4) - 5000.0f * (j % 2);
    std::string szPath = tempPath("wide.txt");
    ASSERT_TRUE(saveFloatMatrixFile(m, 1, nRows, 1, nCols, szPath.c_str()));
    ASSERT_GT(fileText(szPath).size(), 3u * 2000u);
    int nLines = 0;
    float** b = readMatrixFileB(szPath.c_str(), nCols, &nLines);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(nLines, nRows);
    for (int i = 1; i <= nRows; i++)
        for (int j = 1; j <= nCols; j++) ASSERT_EQ(b[i][j], m[i][j]) << i << "," << j;
    free_matrix(b, 1, nRows, 1, nCols);
    free_matrix(m, 1, nRows, 1, nCols);
}

TEST(MatrixFile, FailuresShowABoxAndHandNothingBack)
{
    clearShownErrorMessages();
    headless::Script script;
    for (int i = 0; i < 4; i++) script.expectMessageBox("Error", IDOK);

    std::string szPath = tempPath("blank_end.txt");
    writeFile(szPath, "1 2\n3 4\n\n");  // the empty last line counts, and cannot be read
    int nLines = 7;
    EXPECT_EQ(readMatrixFile(szPath.c_str(), 2, &nLines), nullptr);
    EXPECT_EQ(nLines, 0);
    writeFile(szPath, "1 2\n3\n");  // too few numbers
    nLines = 7;
    EXPECT_EQ(readMatrixFileB(szPath.c_str(), 2, &nLines), nullptr);
    EXPECT_EQ(nLines, 0);
    std::string szMissing = tempPath("no_such_dir/m.txt");
    EXPECT_EQ(readMatrixFile(szMissing.c_str(), 2, &nLines), nullptr);

    // A full disk is no success.
    float** m = matrix(1, 1, 1, 1);
    m[1][1] = 1.0f;
    EXPECT_FALSE(saveFloatMatrixFile(m, 1, 1, 1, 1, "/dev/full"));
    free_matrix(m, 1, 1, 1, 1);

    const std::vector<std::string>& shown = shownErrorMessages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], "\n\aAttention: could not read from " + szPath);
    EXPECT_EQ(shown[2], "\n\aAttention: could not open " + szMissing);
    EXPECT_EQ(shown[3], "\n\aAttention: could not write to /dev/full");
    clearShownErrorMessages();
}

TEST(MatrixFile, LargestYPerDistinctXAndPerKey)
{
    float x[] = {0, 2, 1, 2, 1};
    int key[] = {0, 9, 4, 9, -2};
    float y[] = {0, 5, 7, 9, 3};
    float pX[5], pY[5], pYK[5];
    int pK[5], nX = 0, nK = 0;
    EXPECT_TRUE(maxYPerDistinctX(4, x, key, y, &nX, pX, pY, &nK, pYK, pK));
    ASSERT_EQ(nX, 2);
    EXPECT_EQ(pX[1], 1.0f);
    EXPECT_EQ(pY[1], 7.0f);
    EXPECT_EQ(pX[2], 2.0f);
    EXPECT_EQ(pY[2], 9.0f);
    ASSERT_EQ(nK, 3);
    EXPECT_EQ(pK[1], -2);
    EXPECT_EQ(pYK[1], 3.0f);
    EXPECT_EQ(pK[2], 4);
    EXPECT_EQ(pK[3], 9);
    EXPECT_EQ(pYK[3], 9.0f);
    // The inputs are left as they were.
    EXPECT_EQ(x[1], 2.0f);
    EXPECT_EQ(y[1], 5.0f);
}
