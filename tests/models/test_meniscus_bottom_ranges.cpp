// The ranges in which a floated meniscus and bottom are kept: automatic ones
// around the current values that stay clear of the fit limits, and the
// user's own from the table of command 240.
#include <gtest/gtest.h>

#include "app/app_globals.h"
#include "models/model_globals.h"
#include "model_window_fixture.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// The ids of the table's value fields (row i, column j).
int cell(int i, int j) { return 1000 - (10 * i + j); }

class RangesTest : public ModelWindowTest {};

}  // namespace

TEST_F(RangesTest, AutomaticRangesStayOutsideTheFitLimits)
{
    bUserMeniscusBottomRange = 0;
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    fFitLeftLim = 6.01f;
    fFitRightLim = 7.16f;
    setAutoMeniscusBottomLimits();
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.009f);  // not 6.02: that reaches into the fitted data
    EXPECT_FLOAT_EQ(fMinMeniscus, 5.98f);
    EXPECT_FLOAT_EQ(fMinBottom, 7.161f);
    EXPECT_FLOAT_EQ(fMaxBottom, 7.25f);
    // fit limits exactly at meniscus + 0.02 and bottom - 0.05 are no
    // exception: the ranges still end 0.001 cm short of them
    fFitLeftLim = 6.02f;  // (6.0f + 0.02f in float)
    fFitRightLim = fBottom - 0.05f;
    setAutoMeniscusBottomLimits();
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.019f);
    EXPECT_FLOAT_EQ(fMinBottom, 7.151f);

    // fluorescence optics: 0.1 cm on every side
    bFluorescenceData = 1;
    fFitLeftLim = 6.3f;
    fFitRightLim = 6.9f;
    setAutoMeniscusBottomLimits();
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.1f);
    EXPECT_FLOAT_EQ(fMinMeniscus, 5.9f);
    EXPECT_FLOAT_EQ(fMinBottom, 7.1f);
    EXPECT_FLOAT_EQ(fMaxBottom, 7.3f);

    // ranges the user set stay
    bUserMeniscusBottomRange = 1;
    fMeniscus = 5.0f;
    setAutoMeniscusBottomLimits();
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.1f);
}

TEST_F(RangesTest, OneZeroInTheTableMakesAllFourAutomatic)
{
    LoadScans(writeBoundaryScans(scratch, 3));
    headless::Script script;
    script.expectDialog("set meniscus+limits", headless::DialogAnswer()
                                                   .set(cell(1, 1), "5.97")
                                                   .set(cell(1, 2), "5.96")
                                                   .set(cell(1, 3), "5.975")
                                                   .set(cell(2, 1), "7.15")
                                                   .set(cell(2, 2), "0")
                                                   .set(cell(2, 3), "7.2"));
    command(240);
    EXPECT_EQ(script.pending(), 0u);
    // the typed meniscus and bottom stay, every limit is the automatic one
    EXPECT_FLOAT_EQ(fMeniscus, 5.97f);
    EXPECT_FLOAT_EQ(fBottom, 7.15f);
    EXPECT_EQ(pParamValue[13], fMeniscus);
    EXPECT_FALSE(bUserMeniscusBottomRange);
    EXPECT_FLOAT_EQ(fMinMeniscus, 5.95f);
    EXPECT_FLOAT_EQ(fMaxBottom, 7.2f);

    // without a zero the limits are the user's
    script.expectDialog("set meniscus+limits", headless::DialogAnswer()
                                                   .set(cell(1, 2), "5.96")
                                                   .set(cell(1, 3), "5.975")
                                                   .set(cell(2, 2), "7.1")
                                                   .set(cell(2, 3), "7.2"));
    command(240);
    EXPECT_TRUE(bUserMeniscusBottomRange);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 5.975f);
    EXPECT_FLOAT_EQ(fMinBottom, 7.1f);
    // Cancel changes nothing
    script.expectDialog("set meniscus+limits", headless::DialogAnswer().set(cell(1, 3), "5.99").cancel());
    command(240);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 5.975f);
    EXPECT_EQ(script.pending(), 0u);

    // a low limit above its up limit is refused, the table comes again with
    // what was typed, and Cancel still keeps the ranges as they were
    for (int nRow : {1, 2}) {
        script.expectDialog("set meniscus+limits", headless::DialogAnswer()
                                                       .set(cell(nRow, 2), nRow == 1 ? "5.99" : "7.3")
                                                       .set(cell(nRow, 3), nRow == 1 ? "5.98" : "7.25"))
            .expectMessageBox("Input Error", IDOK)
            .expectDialog("set meniscus+limits", headless::DialogAnswer().cancel());
        command(240);
        EXPECT_EQ(script.pending(), 0u) << nRow;
        EXPECT_FLOAT_EQ(fMinMeniscus, 5.96f) << nRow;
        EXPECT_FLOAT_EQ(fMaxMeniscus, 5.975f) << nRow;
        EXPECT_FLOAT_EQ(fMinBottom, 7.1f) << nRow;
        EXPECT_FLOAT_EQ(fMaxBottom, 7.2f) << nRow;
    }
    // the unattended run, whose default answer would give the refused table
    // back for ever, takes the refusal as Cancel: the table is not asked again
    bBatchMode = 1;
    script.expectDialog("set meniscus+limits",
                        headless::DialogAnswer().set(cell(1, 2), "5.99").set(cell(1, 3), "5.98"))
        .expectMessageBox("Input Error", IDOK);
    command(240);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMinMeniscus, 5.96f);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 5.975f);
}

TEST_F(RangesTest, TheCommandAlwaysAsksTheDialogOnlyWhenTheRangesDoNotFit)
{
    LoadScans(writeBoundaryScans(scratch, 3));
    setAutoMeniscusBottomLimits();
    {
        headless::Script script;  // valid ranges: nothing asked
        window->SetMeniscusBottomRanges(false);
        EXPECT_TRUE(script.lines().empty());
    }
    headless::Script script;
    script.expectDialog("set meniscus+limits", headless::DialogAnswer().cancel());
    command(240);
    EXPECT_EQ(script.pending(), 0u);
    // a meniscus beyond its range: asked
    fMeniscus = fMaxMeniscus + 0.001f;
    script.expectDialog("set meniscus+limits", headless::DialogAnswer().cancel());
    window->SetMeniscusBottomRanges(false);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(RangesTest, ElectrophoresisAsksTheMeniscusRangeAlone)
{
    bElectrophoresis = 1;
    fMeniscus = 6.0f;
    bVaryMeniscusWarned = 0;
    headless::Script script;
    // before the first floating the offers lie 0.02 cm on either side of the
    // meniscus; taken as they are, the meniscus is free to move both ways
    headless::setPolicy(headless::Policy::DefaultAnswers);
    command(240);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.02f);
    EXPECT_FLOAT_EQ(fMinMeniscus, 5.98f);
    // once floated, the range in force is offered
    bVaryMeniscusWarned = 1;
    fMaxMeniscus = 6.03f;
    fMinMeniscus = 5.99f;
    script.expectInputCancel("enter upper limit (0 for auto default)");
    command(240);
    EXPECT_EQ(script.lines().back(),
              "Input \"SET RANGE FOR MENISCUS VARIATION\" \"enter upper limit (0 for auto default)\" \"6.030000\" -> "
              "IDCANCEL");
    bVaryMeniscusWarned = 0;

    script.expectInput("enter upper limit (0 for auto default)", "6.05")
        .expectInput("enter lower limit (0 for auto default)", "5.9");
    command(240);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.05f);
    EXPECT_FLOAT_EQ(fMinMeniscus, 5.9f);
    EXPECT_TRUE(bUserMeniscusBottomRange);
    // 0 for the upper limit: no second question, automatic ranges
    script.expectInput("enter upper limit", "0");
    command(240);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(bUserMeniscusBottomRange);

    // a lower limit above the upper is refused as in the table (the fit
    // clamped every meniscus onto 6.000), asked again with what was typed,
    // and Cancel keeps the ranges as they were
    setAutoMeniscusBottomLimits();
    const float fAutoMin = fMinMeniscus, fAutoMax = fMaxMeniscus;
    auto crossed = [&script]() -> headless::Script& {
        return script.expectInput("enter upper limit (0 for auto default)", "6.0")
            .expectInput("enter lower limit (0 for auto default)", "6.1")
            .expectMessageBox("Input Error", IDOK);
    };
    crossed().expectInputCancel("enter upper limit (0 for auto default)");
    command(240);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMinMeniscus, fAutoMin);
    EXPECT_FLOAT_EQ(fMaxMeniscus, fAutoMax);
    EXPECT_FALSE(bUserMeniscusBottomRange);
    EXPECT_EQ(script.lines().back(),
              "Input \"SET RANGE FOR MENISCUS VARIATION\" \"enter upper limit (0 for auto default)\" \"6.000000\" -> "
              "IDCANCEL");
    // uncrossed limits in the second round are taken
    crossed()
        .expectInput("enter upper limit (0 for auto default)", "6.1")
        .expectInput("enter lower limit (0 for auto default)", "6.0");
    command(240);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.1f);
    EXPECT_FLOAT_EQ(fMinMeniscus, 6.0f);
    EXPECT_TRUE(bUserMeniscusBottomRange);
    // the unattended run takes the refusal as Cancel
    bBatchMode = 1;
    crossed();
    command(240);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 6.1f);
    EXPECT_FLOAT_EQ(fMinMeniscus, 6.0f);
}
