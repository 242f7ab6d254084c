// The entry dialogs built at run time: refusals of bad numbers, the caller's
// tables after OK and Cancel, the template by row count, check boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/entry_dialogs.h"
#include "resources/dialog_templates.h"

using namespace win;
using headless::DialogAnswer;

namespace {

// Value fields are 1000 - (10 i + j), check boxes 2000 - (10 i + j).
int field(int i, int j)
{
    return 1000 - (10 * i + j);
}

int box(int i, int j)
{
    return 2000 - (10 * i + j);
}

// The transcript without the scripted typing ("Dialog 1086 set 988 ..."):
// the dialogs, their outcome and the boxes.
std::vector<std::string> shown(const headless::Script& script)
{
    std::vector<std::string> out;
    for (const std::string& s : script.lines()) {
        size_t k = s.find(' ', 7);
        bool bTyping = s.rfind("Dialog ", 0) == 0 && k != std::string::npos &&
                       (s.compare(k, 5, " set ") == 0 || s.compare(k, 7, " check ") == 0);
        if (!bTyping) out.push_back(s);
    }
    return out;
}

// The meniscus table: 2 x 3.
struct MeniscusTable {
    float** v = matrix(1, 2, 1, 3);
    char* row1[4] = {nullptr, const_cast<char*>("meniscus"), const_cast<char*>("low limit (0=auto)"),
                     const_cast<char*>("up limit (0=auto)")};
    char* row2[4] = {nullptr, const_cast<char*>("bottom"), const_cast<char*>("low limit (0=auto)"),
                     const_cast<char*>("up limit (0=auto)")};
    char** labels[3] = {nullptr, row1, row2};
    MeniscusTable()
    {
        const float init[2][3] = {{6.1f, 5.9f, 6.3f}, {7.2f, 7.0f, 7.3f}};
        for (int i = 1; i <= 2; i++)
            for (int j = 1; j <= 3; j++) v[i][j] = init[i - 1][j - 1];
    }
    ~MeniscusTable() { free_matrix(v, 1, 2, 1, 3); }
    std::vector<float> values() const { return {v[1][1], v[1][2], v[1][3], v[2][1], v[2][2], v[2][3]}; }
};

}  // namespace

TEST(EntryDialogs, MatrixRefusesBadNumbersAndCancelKeepsTheTable)
{
    installDialogTemplates();
    MeniscusTable t;
    const std::vector<float> before = t.values();
    {
        // two bad fields: one box each, the dialog stays open; then Cancel
        headless::Script script;
        script.expectDialog("set meniscus+limits", DialogAnswer().set(field(1, 2), "6.05").set(field(2, 1), "x1")
                                                       .set(field(2, 3), ""))
            .expectMessageBox("errror", IDOK)
            .expectMessageBox("errror", IDOK)
            .expectDialog("1086", DialogAnswer().cancel());
        EXPECT_FALSE(GetMatrix(nullptr, 2, 3, t.v, t.labels, "set meniscus+limits"));
        // the table as it was, though 6.05 did parse in the refused OK
        EXPECT_EQ(t.values(), before);
        std::vector<std::string> l = shown(script);
        ASSERT_GE(l.size(), 4u);
        EXPECT_EQ(l[0], "Dialog 1086 \"set meniscus+limits\"");
        EXPECT_EQ(l[1], "MessageBox \"errror\" \"not a number in bottom\" MB_OK -> IDOK");
        EXPECT_EQ(l[2], "MessageBox \"errror\" \"not a number in up limit (0=auto)\" MB_OK -> IDOK");
        EXPECT_EQ(l[3], "Dialog 1086 \"set meniscus+limits\" refused");
        EXPECT_EQ(l.back(), "Dialog 1086 \"set meniscus+limits\" -> IDCANCEL");
    }
    {
        // a number followed by other characters is that number; the fields
        // show "%.4f"; the caption stays for a run that gives none
        headless::Script script;
        script.expectDialog("set meniscus+limits", DialogAnswer().set(field(2, 1), "nan"))
            .expectMessageBox("errror", IDOK)
            .expectDialog("set meniscus+limits", DialogAnswer().set(field(1, 1), "6.05").set(field(2, 1), "1.5abc"));
        EXPECT_TRUE(GetMatrix(nullptr, 2, 3, t.v, t.labels, nullptr));
        EXPECT_EQ(t.values(), (std::vector<float>{6.05f, 5.9f, 6.3f, 1.5f, 7.0f, 7.3f}));
    }
    // no rows or columns: no dialog
    {
        headless::Script script;
        EXPECT_FALSE(GetMatrix(nullptr, 0, 3, t.v, t.labels, "x"));
        EXPECT_FALSE(GetMatrix(nullptr, 2, 0, t.v, t.labels, "x"));
        EXPECT_TRUE(script.lines().empty());
    }
}

TEST(EntryDialogs, TemplateByRowCount)
{
    installDialogTemplates();
    EXPECT_EQ(entryDialogTemplate(1), 1086);
    float** v = matrix(1, 7, 1, 1);
    for (int i = 1; i <= 7; i++) v[i][1] = float(i);
    const std::pair<int, const char*> expect[] = {{4, "1086"}, {5, "1097"}, {6, "1097"}, {7, "1096"}};
    for (auto [rows, id] : expect) {
        headless::Script script;
        script.expectDialog(id, DialogAnswer().cancel());
        EXPECT_FALSE(GetMatrix(nullptr, rows, 1, v, nullptr, "rows"));
        EXPECT_EQ(script.lines().front(), std::string("Dialog ") + id + " \"rows\"") << rows;
    }
    free_matrix(v, 1, 7, 1, 1);
}

TEST(EntryDialogs, MatrixWithFitBoxes)
{
    installDialogTemplates();
    // the Wiener skewing table: 2 x 1 with a fit box each
    float** v = matrix(1, 2, 1, 1);
    int** flags = imatrix(1, 2, 1, 1);
    int** boxes = imatrix(1, 2, 1, 1);
    v[1][1] = 0.5f, v[2][1] = 3.0f;
    flags[1][1] = 1, flags[2][1] = 0;
    boxes[1][1] = boxes[2][1] = 1;
    char* r1[2] = {nullptr, const_cast<char*>("skew")};
    char* r2[2] = {nullptr, const_cast<char*>("width")};
    char** labels[3] = {nullptr, r1, r2};
    {
        headless::Script script;
        script.expectDialog("Wiener skewing parameters:",
                            DialogAnswer().check(box(1, 1), false).check(box(2, 1)).set(field(2, 1), "abc"))
            .expectMessageBox("errror", IDOK)
            .expectDialog("Wiener", DialogAnswer().cancel());
        EXPECT_FALSE(GetMatrixFit(nullptr, 2, 1, v, nullptr, flags, boxes, labels, "Wiener skewing parameters:"));
        EXPECT_EQ(shown(script)[1], "MessageBox \"errror\" \"not a number in width\" MB_OK -> IDOK");
        EXPECT_EQ(std::vector<int>({flags[1][1], flags[2][1]}), std::vector<int>({1, 0}));
        EXPECT_EQ(v[2][1], 3.0f);
    }
    {
        headless::Script script;
        script.expectDialog("Wiener", DialogAnswer().check(box(1, 1), false).check(box(2, 1)).set(field(2, 1), "2.5"));
        EXPECT_TRUE(GetMatrixFit(nullptr, 2, 1, v, nullptr, flags, boxes, labels, nullptr));
        EXPECT_EQ(std::vector<int>({flags[1][1], flags[2][1]}), std::vector<int>({0, 1}));
        EXPECT_EQ(v[2][1], 2.5f);
    }
    // without fit flags there are no boxes, whatever the box table says; a
    // cell without a value field keeps its value
    int** fields = imatrix(1, 2, 1, 1);
    fields[1][1] = 1, fields[2][1] = 0;
    std::vector<std::string> failures;
    headless::setFailureHandler([&](const std::string& s) { failures.push_back(s); });
    {
        headless::Script script;
        script.expectDialog("Wiener", DialogAnswer().check(box(1, 1)).set(field(2, 1), "9").set(field(1, 1), "0.25"));
        EXPECT_TRUE(GetMatrixFit(nullptr, 2, 1, v, fields, nullptr, boxes, labels, nullptr));
    }
    headless::setFailureHandler([](const std::string& s) { ADD_FAILURE() << s; });
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[0].find(std::to_string(box(1, 1))), std::string::npos) << failures[0];
    EXPECT_NE(failures[1].find(std::to_string(field(2, 1))), std::string::npos) << failures[1];
    EXPECT_EQ(v[1][1], 0.25f);
    EXPECT_EQ(v[2][1], 2.5f);
    free_matrix(v, 1, 2, 1, 1);
    free_imatrix(flags, 1, 2, 1, 1);
    free_imatrix(boxes, 1, 2, 1, 1);
    free_imatrix(fields, 1, 2, 1, 1);
}

TEST(EntryDialogs, ParamsAndAssociationScheme)
{
    installDialogTemplates();
    // two named values and one option: fields 1000 + i, boxes 2000 + i, option 3000 + j
    float values[3] = {0, 1.5f, 2.0f};
    int flags[3] = {0, 0, 1};
    int extra[2] = {0, 0};
    char* names[3] = {nullptr, const_cast<char*>("s"), const_cast<char*>("D")};
    char* units[3] = {nullptr, const_cast<char*>("S"), nullptr};
    char* extraLabels[2] = {nullptr, const_cast<char*>("fit baseline")};
    {
        headless::Script script;
        script.expectDialog("params", DialogAnswer().set(1001, "3.25").check(2001).check(2002, false).check(3001));
        EXPECT_TRUE(GetParams(nullptr, 2, values, flags, names, units, 1, extra, extraLabels, "params"));
        EXPECT_EQ(std::vector<float>({values[1], values[2]}), std::vector<float>({3.25f, 2.0f}));
        EXPECT_EQ(std::vector<int>({flags[1], flags[2], extra[1]}), std::vector<int>({1, 0, 1}));
    }
    EXPECT_FALSE(GetParams(nullptr, 0, values, flags, names, units, 1, extra, extraLabels, nullptr));

    // association scheme: two species, one column, energetics and incompetent
    // fractions (values 10000 + 100 i + j, "ref#" 30000 + i, fractions 32000 + i,
    // the option box 35000)
    float** v = matrix(1, 2, 1, 1);
    int** fit = imatrix(1, 2, 1, 1);
    int** present = imatrix(1, 2, 1, 1);
    v[1][1] = 4.5f, v[2][1] = 6.8f;
    fit[1][1] = fit[2][1] = 0;
    present[1][1] = present[2][1] = 1;
    int reference[3] = {0, 0, 1}, comparison[3] = {0, 0, 0};
    int bIncompetent = 0;
    float fraction[3] = {0, 0, 0};
    int fractionFit[3] = {0, 0, 0};
    char* rowNames[3] = {nullptr, const_cast<char*>("A"), const_cast<char*>("AB")};
    char* columnNames[2] = {nullptr, const_cast<char*>("s (S)")};
    ParameterMatrixTables t;
    t.nRows = 2;
    t.nColumns = 1;
    t.pValues = v;
    t.pFitFlags = fit;
    t.pPresent = present;
    t.pRowNames = rowNames;
    t.pColumnNames = columnNames;
    t.pReference = reference;
    t.pComparison = comparison;
    t.pbIncompetent = &bIncompetent;
    t.pIncompetentFraction = fraction;
    t.pIncompetentFit = fractionFit;
    {
        headless::Script script;
        script.expectDialog("scheme", DialogAnswer().set(10201, "12.5").set(30002, "2").check(35000))
            .expectMessageBox("errror", IDOK)
            .expectDialog("scheme", DialogAnswer().set(30002, "1"))
            // fractions asked for but not shown: the dialog again, with them
            .expectDialog("scheme", DialogAnswer().set(32001, "1.5").check(20101))
            .expectMessageBox("errror", IDOK)
            .expectDialog("scheme", DialogAnswer().set(32001, "0.2"));
        EXPECT_TRUE(GetParameterMatrix(nullptr, &t, "scheme"));
        std::vector<std::string> l = shown(script);
        // two species, the header row and two sections: the template of 5 rows
        EXPECT_EQ(l[0].rfind("Dialog 1097 ", 0), 0u) << l[0];
        EXPECT_EQ(l[1], "MessageBox \"errror\" \"complex 2 does not have a valid reference state to measure "
                        "energetics from \" MB_OK -> IDOK");
        EXPECT_NE(std::find(l.begin(), l.end(),
                            "MessageBox \"errror\" \"incompetent fraction of component 1 must be between 0 and 1 \" "
                            "MB_OK -> IDOK"),
                  l.end());
        EXPECT_EQ(v[2][1], 12.5f);
        EXPECT_EQ(fit[1][1], 1);
        EXPECT_EQ(reference[2], 1);
        EXPECT_EQ(bIncompetent, 1);
        EXPECT_EQ(fraction[1], 0.2f);
    }
    {
        // Cancel: all as it was
        headless::Script script;
        script.expectDialog("scheme", DialogAnswer().set(10101, "9").set(32002, "0.5").cancel());
        EXPECT_FALSE(GetParameterMatrix(nullptr, &t, nullptr));
        EXPECT_EQ(v[1][1], 4.5f);
        EXPECT_EQ(fraction[2], 0.0f);
    }
    free_matrix(v, 1, 2, 1, 1);
    free_imatrix(fit, 1, 2, 1, 1);
    free_imatrix(present, 1, 2, 1, 1);
}
