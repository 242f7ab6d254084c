// Matrix text files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/matrix_file.h"

using namespace win;

namespace {

std::string fileText(const std::string& szPath)
{
    std::string sz;
    std::FILE* f = std::fopen(szPath.c_str(), "rb");
    for (int c; f && (c = std::fgetc(f)) != EOF;) sz += char(c);
    if (f) std::fclose(f);
    return sz;
}

void writeFile(const std::string& szPath, const char* szText)
{
    std::FILE* f = std::fopen(szPath.c_str(), "wb");
    std::fputs(szText, f);
    std::fclose(f);
}

}  // namespace

// A row of 200 columns is far longer than a line buffer of a thousand
// characters: it must still be one line.
TEST(MatrixFile, TabbedLinesAndWideRowsRoundTrip)
{
    const int nRows = 3, nCols = 200;
    float** m = matrix(1, nRows, 1, nCols);
    for (int i = 1; i <= nRows; i++)
        for (int j = 1; j <= nCols; j++) m[i][j] = 1000.0f * i + j + 0.25f * (j % 4) - 5000.0f * (j % 2);
    std::string szPath = workingFolder() + "wide.txt";
    ASSERT_TRUE(saveFloatMatrixFile(m, 1, 2, 2, 3, szPath.c_str()));
    EXPECT_EQ(fileText(szPath), "\t1002.500000\t-3996.250000\n\t2002.500000\t-2996.250000\n");

    ASSERT_TRUE(saveFloatMatrixFile(m, 1, nRows, 1, nCols, szPath.c_str()));
    int nLines = 0;
    float** b = readMatrixFileB(szPath.c_str(), nCols, &nLines);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(nLines, nRows);
    for (int i = 1; i <= nRows; i++)
        for (int j = 1; j <= nCols; j++) ASSERT_EQ(b[i][j], m[i][j]) << i << "," << j;
    free_matrix(b, 1, nRows, 1, nCols);
    // By column: one matrix row per file column.
    float** a = readMatrixFile(szPath.c_str(), 2, &nLines);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a[2][3], m[3][2]);
    free_matrix(a, 1, 2, 1, nRows);
    free_matrix(m, 1, nRows, 1, nCols);
}

TEST(MatrixFile, FailuresShowABoxAndHandNothingBack)
{
    clearShownErrorMessages();
    headless::Script script;
    for (int i = 0; i < 4; i++) script.expectMessageBox("Error", IDOK);

    std::string szPath = workingFolder() + "bad.txt";
    writeFile(szPath, "1 2\n3 4\n\n");  // the empty last line counts, and cannot be read
    int nLines = 7;
    EXPECT_EQ(readMatrixFile(szPath.c_str(), 2, &nLines), nullptr);
    EXPECT_EQ(nLines, 0);
    writeFile(szPath, "1 2\n3\n");  // too few numbers
    EXPECT_EQ(readMatrixFileB(szPath.c_str(), 2, &nLines), nullptr);
    std::string szMissing = workingFolder() + "no_such_dir/m.txt";
    EXPECT_EQ(readMatrixFile(szMissing.c_str(), 2, &nLines), nullptr);
    // A full disk is no success.
    float** m = matrix(1, 1, 1, 1);
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
    EXPECT_EQ(std::vector<float>(pX + 1, pX + 3), (std::vector<float>{1, 2}));
    EXPECT_EQ(std::vector<float>(pY + 1, pY + 3), (std::vector<float>{7, 9}));
    ASSERT_EQ(nK, 3);
    EXPECT_EQ(std::vector<int>(pK + 1, pK + 4), (std::vector<int>{-2, 4, 9}));
    EXPECT_EQ(std::vector<float>(pYK + 1, pYK + 4), (std::vector<float>{3, 7, 9}));
}
