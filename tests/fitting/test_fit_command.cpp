// Fit (command 215): the questions about meniscus and bottom bounds that
// reach into the fitting range, the markers they move, and Fit in the
// boundary analyses.
#include <gtest/gtest.h>

#include <string>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "models/model_window_fixture.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"
#include "time_limit.h"

using namespace win;

namespace {

const char* szMeniscusQuestion =
    "Left fitting limit is at smaller radius than maximum potential meniscus value.\nThis could cause problems during "
    "the fit.\nFix by repositioning maximum meniscus?";

int pixelOf(float r) { return int(pDataPlot->MapX(r) * 1400.0 / 1399 + 0.5); }

COLORREF pixel(TXLAWindow* w, int x, int y)
{
    HDC dc = w->GetDC();
    const COLORREF c = GetPixel(dc, x, y);
    w->ReleaseDC(dc);
    return c;
}

bool transcribed(const headless::Script& script, const std::string& text)
{
    for (const std::string& l : script.lines())
        if (l.find(text) != std::string::npos) return true;
    return false;
}

class FitCommandTest : public ModelWindowTest {
protected:
    void SetUp() override
    {
        ModelWindowTest::SetUp();
        LoadScans(writeBoundaryScans(scratch, 4));
        command(198);
        bWizardMessages = 0;
        // the meniscus floats, its range reaches past the left fit limit
        pParamValue[13] = fMeniscus = 5.9f;
        pParamFloat[13] = bFitMeniscus = 1;
        fMinMeniscus = 5.88f;
        fMaxMeniscus = 5.97f;
        fFitLeftLim = 5.95f;
        updateLeftFitLimit();
        ASSERT_FLOAT_EQ(fFitLeftLim, 5.95f);
        // the discrete model without species has next to nothing to fit:
        // what Fit does around the dispatch stays to be seen
        for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
    }
};

}  // namespace

TEST_F(FitCommandTest, AMeniscusRangeIntoTheFitLimitsIsMovedOnlyWithConsent)
{
    headless::Script script;
    // No: no fit, the range stays
    script.expectMessageBox(szMeniscusQuestion, IDNO);
    window->CmFit();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 5.97f);
    EXPECT_FALSE(window->bFitting);
    EXPECT_FALSE(transcribed(script, "fitdone"));

    // Yes: the bound goes 0.001 cm inside the limit, its marker moves (drawn
    // over in XOR at the old radius, drawn at the new one)
    const int y = 300, xOld = pixelOf(5.97f), xNew = pixelOf(5.949f);
    ASSERT_NE(xOld, xNew);
    const COLORREF cOld = pixel(window.get(), xOld, y), cNew = pixel(window.get(), xNew, y);
    script.expectMessageBox(szMeniscusQuestion, IDYES);
    window->CmFit();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 5.949f);
    EXPECT_NE(pixel(window.get(), xOld, y), cOld);
    EXPECT_NE(pixel(window.get(), xNew, y), cNew);
    EXPECT_TRUE(transcribed(script, "Sound \"fitdone"));
    EXPECT_FALSE(window->bFitting);

    // a limit equal to the bound, or a meniscus that does not float: no question
    const size_t nLines = script.lines().size();
    window->CmFit();
    fMaxMeniscus = 5.97f;
    pParamFloat[13] = bFitMeniscus = 0;
    window->CmFit();
    EXPECT_FLOAT_EQ(fMaxMeniscus, 5.97f);
    for (size_t k = nLines; k < script.lines().size(); ++k)
        EXPECT_EQ(script.lines()[k].find("PROBLEM WITH FITTING"), std::string::npos);

    // a left limit of 0 is no limit yet: nothing to ask about the range; the
    // fit's own check puts the limit at the meniscus, and the range keeps
    // the meniscus inside it
    pParamFloat[13] = bFitMeniscus = 1;
    fFitLeftLim = 0.0f;
    script.expectMessageBox("setting left fit limit to meniscus", IDOK);
    window->CmFit();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMaxMeniscus, 5.97f);
    EXPECT_LE(fMinMeniscus, fMeniscus);
    EXPECT_GE(fMaxMeniscus, fMeniscus);
    EXPECT_GE(fFitLeftLim, fMeniscus);
}

TEST_F(FitCommandTest, ABottomRangeIntoTheFitLimitsIsMovedAsWell)
{
    pParamFloat[13] = bFitMeniscus = 0;
    pParamFloat[14] = bFitBottom = 1;
    fMinBottom = fFitRightLim - 0.02f;
    const float fRight = fFitRightLim;
    headless::Script script;
    script.expectMessageBox("Right fitting limit is at higher radius than minimum potential bottom value.", IDYES);
    window->CmFit();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FLOAT_EQ(fMinBottom, fRight + 0.001f);
}

TEST_F(FitCommandTest, InTheBoundaryAnalysesFitOnlyRuns)
{
    bEqTestMode = 0;
    bBoundaryAnalysisMode = 1;
    bWizardMessages = 1;
    headless::setPolicy(headless::Policy::DefaultAnswers);
    auto count = [](const headless::Script& s, const std::string& text) {
        int n = 0;
        for (const std::string& l : s.lines())
            if (l.find(text) != std::string::npos) ++n;
        return n;
    };
    int nRunAdvice = 0, nRunFractions = 0;
    {
        headless::Script run;
        nVhwFractions = 0;
        window->CmRun();
        nRunAdvice = count(run, "Help Wizard");
        nRunFractions = nVhwFractions;
    }
    nVhwFractions = 0;
    headless::Script fit;
    window->CmFit();
    // what Run does (its analysis, its advice), before the bound question and
    // without the sound or advice of a fit
    EXPECT_GT(nRunFractions, 0);
    EXPECT_EQ(nVhwFractions, nRunFractions);
    EXPECT_EQ(count(fit, "Help Wizard"), nRunAdvice);
    EXPECT_EQ(count(fit, "PROBLEM WITH FITTING"), 0);
    EXPECT_EQ(count(fit, "fitdone"), 0);
    EXPECT_FALSE(window->bFitting);
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

// Fit limits with no point between them (closer than the radii of the
// scans): Run says so instead of an rmsd of 0 over nothing, and Fit, which
// would search such an rmsd for ever, as well; with the fixture's four scans
// and with a single scan loaded.
TEST_F(FitCommandTest, NoPointBetweenTheFitLimitsIsRefusedByRunAndFit)
{
    for (int nLoaded : {4, 1}) {
        SCOPED_TRACE(nLoaded);
        if (nLoaded != 4) {
            LoadScans(writeBoundaryScans(scratch, nLoaded, "single"));
            command(198);
            bWizardMessages = 0;
            for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
        }
        ASSERT_EQ(nScans, nLoaded);
        pParamFloat[13] = bFitMeniscus = 0;
        pSpeciesIncluded[1] = 1;
        pParamFloat[5] = pSpeciesSFloat[1] = 1;
        // both limits between two radii of the scans
        const float r1 = ppRadius[1][100], r2 = ppRadius[1][101];
        fFitLeftLim = r1 + 0.25f * (r2 - r1);
        updateLeftFitLimit();
        fFitRightLim = r1 + 0.75f * (r2 - r1);
        updateRightFitLimit();
        ASSERT_LT(fFitLeftLim, fFitRightLim);
        ASSERT_LT(pFitLastIndex[1], pFitFirstIndex[1]);
        bModelComputed = 0;
        headless::Script script;
        script.expectMessageBox("no data points between the fit limits", IDOK);
        command(213);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_FALSE(bModelComputed);
        script.expectMessageBox("no data points between the fit limits", IDOK);
        EXPECT_TRUE(endsWithin(30.0, [&] { command(215); }, [] { bInterruptComputation = 1; }));
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_EQ(nSimCount, 0);
    }
}

// Run and Fit begin with the fit limits inside the cell: a left limit of 0
// or inside the meniscus moves to the meniscus, a right limit of 0 or beyond
// the bottom to the bottom, each with its box (docs/fitting.md); limits
// inside stay silently.
TEST_F(FitCommandTest, FitLimitsOutsideTheCellMoveToMeniscusAndBottom)
{
    const float m = fMeniscus, b = fBottom;
    ASSERT_GT(b, m + 0.5f);
    struct Case {
        float fLeft, fRight;
        bool bLeftMoved, bRightMoved;
    };
    for (const Case& c : {Case{0.0f, b - 0.1f, true, false}, Case{m - 0.05f, b + 0.05f, true, true},
                          Case{m + 0.05f, 0.0f, false, true}, Case{m + 0.05f, b - 0.1f, false, false}}) {
        fFitLeftLim = c.fLeft;
        fFitRightLim = c.fRight;
        headless::Script script;
        if (c.bLeftMoved) script.expectMessageBox("setting left fit limit to meniscus", IDOK);
        if (c.bRightMoved) script.expectMessageBox("setting right fit limit to bottom", IDOK);
        EXPECT_EQ(checkFitLimits(window.get()), 1) << c.fLeft << " " << c.fRight;
        EXPECT_EQ(script.pending(), 0u) << c.fLeft << " " << c.fRight;
        // a moved limit then comes inside the data, as a dragged one does
        if (!c.bLeftMoved) {
            EXPECT_EQ(fFitLeftLim, c.fLeft);
        }
        if (!c.bRightMoved) {
            EXPECT_EQ(fFitRightLim, c.fRight);
        }
        EXPECT_GE(fFitLeftLim, m);
        EXPECT_LE(fFitRightLim, b);
        EXPECT_LT(fFitLeftLim, fFitRightLim);
    }
}
