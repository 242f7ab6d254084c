// Copy Ln(c) Data, Copy M* Data and Copy Mavg Data (918-920).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analyses/mstar/mstar_fixture.h"
#include "analyses/mstar/mstar_screen.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"

namespace {

// The clipboard texts of the transcript, in order.
std::vector<std::string> clipboardTexts(const win::headless::Script& script)
{
    std::vector<std::string> v;
    const std::string tag = "Clipboard CF_TEXT ";
    for (const std::string& line : script.lines())
        if (line.rfind(tag, 0) == 0) v.push_back(line.substr(tag.size()));
    return v;
}

// A row as the transcript quotes it: x, tab, y, line end.
std::string row(float x, float y)
{
    char sz[80];
    std::snprintf(sz, sizeof sz, "%g\\t%g\\n", static_cast<double>(x), static_cast<double>(y));
    return sz;
}

// The first and last row of a quoted table.
std::string firstRow(const std::string& quoted) { return quoted.substr(1, quoted.find("\\n") + 2 - 1); }

int rows(const std::string& quoted)
{
    int n = 0;
    for (size_t p = quoted.find("\\n"); p != std::string::npos; p = quoted.find("\\n", p + 2)) ++n;
    return n;
}

}  // namespace

TEST_F(MStarTest, CopiesOfOneSetAskNothing)
{
    LoadIdealSet();
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const MStarSetData& S = pMStarSets[1];
    const int f = S.firstIdx, l = S.lastIdx, h = nLnCSmoothHalfWidth;

    script.expectMessageBox("COPY LNC DATA", win::IDOK)
        .expectMessageBox("COPY LNC DATA", win::IDOK)
        .expectMessageBox("COPY LNC DATA", win::IDOK);
    Run(script, 918);
    std::vector<std::string> t = clipboardTexts(script);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(firstRow(t[0]), row(S.rSquared.p[f], S.lnC.p[f]));
    EXPECT_EQ(rows(t[0]), l - f);
    EXPECT_EQ(firstRow(t[1]), row(S.rSquared.p[f + h], S.lnCSmooth.p[f + h]));
    EXPECT_EQ(rows(t[1]), l - f - 2 * h);
    EXPECT_EQ(firstRow(t[2]), row(S.rSquared.p[f], S.lnCLineFit.p[f]));
    EXPECT_TRUE(transcriptShows(script, "r^2 vs ln(c) is in clipboard - paste before continuing"));
    EXPECT_TRUE(transcriptShows(script, "r^2 vs smoothed ln(c) is in clipboard - paste before continuing"));
    EXPECT_TRUE(transcriptShows(script, "r^2 vs linear fit of ln(c) is in clipboard - paste before continuing"));

    win::headless::Script copies;
    copies.expectMessageBox("COPY M* DATA", win::IDOK).expectMessageBox("COPY M* DATA", win::IDOK);
    Run(copies, 919);
    t = clipboardTexts(copies);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(firstRow(t[0]), row(S.setRadius.p[f], S.mStarR.p[f]));
    EXPECT_EQ(firstRow(t[1]), row(S.bottomGrid.p[1], S.bottomCurve.p[1]));
    EXPECT_EQ(rows(t[1]), 100);
    EXPECT_TRUE(transcriptShows(copies, "extrapolation of r vs M*(r) is in clipboard - paste before continuing"));
    EXPECT_EQ(copies.pending(), 0u);
}

TEST_F(MStarTest, TheSetNumberIsCheckedAndOnlyTheCopyLosesTheBaseline)
{
    LoadIdealSet(2);
    fBaseline = 0.01f;
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    const MStarSetData& S2 = pMStarSets[2];

    // 2.7 copies set 2
    script.expectInput("which data set?", "2.7").expectMessageBox("COPY M* DATA", win::IDOK).expectMessageBox(
        "COPY M* DATA", win::IDOK);
    Run(script, 919);
    std::vector<std::string> t = clipboardTexts(script);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(firstRow(t[0]), row(S2.setRadius.p[S2.firstIdx], S2.mStarR.p[S2.firstIdx]));

    // a set that is not there copies nothing
    for (const char* szAnswer : {"7", "0", "-1"}) {
        win::headless::Script none;
        none.expectInput("which data set?", szAnswer);
        Run(none, 918);
        EXPECT_TRUE(clipboardTexts(none).empty()) << szAnswer;
        EXPECT_EQ(none.pending(), 0u);
    }

    // Mwapp against the signal with the baseline taken off the copy only
    const int h = nLnCSmoothHalfWidth + nMwappSmoothHalfWidth;
    const int first = S2.firstIdx + h;
    const float fSignal = S2.setSignal.p[first];
    win::headless::Script mw;
    mw.expectInput("which data set?", "2")
        .expectMessageBox("for c vs Mapp(c), subtract baseline?", win::IDYES)
        .expectMessageBox("COPY MW DATA", win::IDOK);
    Run(mw, 920);
    t = clipboardTexts(mw);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(firstRow(t[0]), row(fSignal - 0.01f, S2.mwAppR.p[first]));
    EXPECT_EQ(rows(t[0]), S2.lastIdx - S2.firstIdx - 2 * h);
    EXPECT_TRUE(transcriptShows(mw, "c vs Mapp(c) is in clipboard - paste before continuing"));
    EXPECT_EQ(S2.setSignal.p[first], fSignal);
    EXPECT_EQ(ppSignal[2][first - S2.padFront], fSignal);

    // Cancel on the question copies set 1
    win::headless::Script cancel;
    cancel.expectInputCancel("which data set?")
        .expectMessageBox("subtract baseline?", win::IDNO)
        .expectMessageBox("COPY MW DATA", win::IDOK);
    bMwappVsSignal = 1;
    Run(cancel, 920);
    t = clipboardTexts(cancel);
    ASSERT_EQ(t.size(), 1u);
    const MStarSetData& S1 = pMStarSets[1];
    EXPECT_EQ(firstRow(t[0]), row(S1.setSignal.p[S1.firstIdx + h], S1.mwAppR.p[S1.firstIdx + h]));
}

TEST_F(MStarTest, CopiesOutsideTheScreensDoNothing)
{
    LoadIdealSet();
    win::headless::Script script;
    for (unsigned id : {918u, 919u, 920u}) Run(script, id);
    EXPECT_TRUE(clipboardTexts(script).empty());
    EXPECT_TRUE(script.lines().empty());
}

// With c(M) smoothing the fitted Mapp table runs from the point nearest the
// meniscus; on data that start at the meniscus that is the first point, and
// against the signal without the baseline it holds the species' own signal
// there: 0.1 OD of an ideal 50 kDa set lifted by a flat 0.05 OD.
TEST_F(MStarTest, SmoothedMappCopyLosesTheBaselineFromTheMeniscusPoint)
{
    const double a = mstartest::kFactor(15000) * 50000.0, span = kBottom * kBottom - kMeniscus * kMeniscus;
    const double c0 = 0.1 * std::expm1(a * span) / (a * span);
    LoadEquilibrium({WriteEquilibriumScan("lifted.RA1", {{50000.0, c0}, {1e-3, 0.05}}, 15000, 50000.0, kMeniscus)});
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    SmoothWithCM(script);
    ASSERT_TRUE(bMStarCMSmoothing);
    const MStarSetData& S = pMStarSets[1];
    ASSERT_EQ(S.padFront, 0);
    ASSERT_EQ(S.meniscusIdx, 0);

    bMwappVsSignal = 1;
    script.expectMessageBox("for c vs Mapp(c), subtract baseline?", win::IDYES)
        .expectMessageBox("COPY MW DATA", win::IDOK)
        .expectMessageBox("COPY MW DATA", win::IDOK);
    Run(script, 920);
    EXPECT_EQ(script.pending(), 0u);
    const std::vector<std::string> t = clipboardTexts(script);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_TRUE(transcriptShows(script, "c vs fit of Mapp(c) [c(M)-based] is in clipboard - paste before continuing"));
    float x = 0.0f, y = 0.0f;
    ASSERT_EQ(std::sscanf(firstRow(t[1]).c_str(), "%g\\t%g", &x, &y), 2) << t[1];
    EXPECT_NEAR(x, 0.1, 2e-3);
    // the point on the meniscus takes the fit's ln c like every other: Mapp
    // there is the species' 50 kDa
    EXPECT_NEAR(y, 50.0, 1.0);
    EXPECT_EQ(firstRow(t[1]), row(S.setSignal.p[1] - fBaseline, S.mwAppCM.p[1]));
}

// The table of the c(M)-based M* runs from the point on the meniscus, not
// from the data in front of it, and over the same points as the fitted Mapp
// table against the radius.
TEST_F(MStarTest, SmoothedMStarCopyStartsOnTheMeniscus)
{
    LoadIdealSet();  // data from 6.88 cm
    win::headless::Script script;
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    SmoothWithCM(script);
    ASSERT_TRUE(bMStarCMSmoothing);
    ASSERT_GT(pMStarSets[1].meniscusIdx, 0);
    script.expectMessageBox("COPY M* DATA", win::IDOK).expectMessageBox("COPY M* DATA", win::IDOK);
    Run(script, 919);
    const std::vector<std::string> t = clipboardTexts(script);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_TRUE(transcriptShows(script, "r vs fit of M*(r) [c(M)-based] is in clipboard - paste before continuing"));
    float x = 0.0f, y = 0.0f;
    ASSERT_EQ(std::sscanf(firstRow(t[1]).c_str(), "%g\\t%g", &x, &y), 2) << t[1];
    EXPECT_NEAR(x, kMeniscus, 5e-4);

    bMwappVsSignal = 0;
    script.expectMessageBox("COPY MW DATA", win::IDOK).expectMessageBox("COPY MW DATA", win::IDOK);
    Run(script, 920);
    const std::vector<std::string> all = clipboardTexts(script);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_TRUE(transcriptShows(script, "r vs fit of Mapp(r) [c(M)-based] is in clipboard - paste before continuing"));
    const auto firstRadius = [](const std::string& quoted) {
        const std::string r = firstRow(quoted);
        return r.substr(0, r.find("\\t"));
    };
    EXPECT_EQ(rows(t[1]), rows(all[3]));
    EXPECT_EQ(firstRadius(t[1]), firstRadius(all[3]));
}
