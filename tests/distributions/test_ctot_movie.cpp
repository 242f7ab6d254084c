// The ctot(r,t) movie: a field written and read back comes out in signal
// units; broken files leave an empty movie; the checks against the scans;
// the commands that restore, export, show and clear it, the copy beside the
// parameter file, the parameter dialog of the non-ideal c(s), and the overlay
// that first widens the data plot's range and then draws the frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_nonid_fixture.h"
#include "distributions/conti_run.h"
#include "distributions/ctot_movie.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "plot/cwinplot.h"
#include "resources/dialog_templates.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// Three frames of m = 4 mean-field points (6 with the end points) in signal
// units: frame i has the value i + j / 10 at point j.
struct SignalField {
    float radii[7] = {0, 5.5f, 6.0f, 6.4f, 6.8f, 7.2f, 7.7f};
    double times[4] = {0, 0.0, 1500.0, 3000.0};
    std::vector<std::vector<float>> rows;
    std::vector<float*> frames;
    SignalField() : rows(4, std::vector<float>(7)), frames(4, nullptr)
    {
        for (int i = 1; i <= 3; i++) {
            for (int j = 1; j <= 6; j++) rows[i][j] = i + j / 10.0f;
            frames[i] = rows[i].data();
        }
    }
    void into(CCtotMovie& m, float rpm = 50000.0f) const
    {
        m.Set(3, 4, radii, times, frames.data(), 6.0f, 7.2f, 0.25f, rpm);
    }
};

int overlayPixels(TXLAWindow* w)
{
    HDC dc = w->GetDC();
    int n = 0;
    for (int y = 0; y < 1000; y += 2)
        for (int x = 0; x < 1400; x += 2)
            if (GetPixel(dc, x, y) == RGB(100, 100, 244)) n++;
    w->ReleaseDC(dc);
    return n;
}

void paint(TXLAWindow* w)
{
    w->Invalidate(true);
    headless::processMessages();
}

}  // namespace

TEST_F(ContiNonidTest, CtotFileRoundTripGivesTheFieldInSignalUnits)
{
    SignalField f;
    CCtotMovie a;
    f.into(a);
    ASSERT_EQ(a.bLoaded, 1);
    EXPECT_EQ(a.nPoints, 6);
    EXPECT_FLOAT_EQ(a.ppCtot[2][3], (2 + 0.3f) / 0.25f);  // mg/ml
    const std::string path = Folder("ctot") + "/field.ctot";
    ASSERT_TRUE(a.SaveAs(path.c_str()));
    EXPECT_EQ(a.bSaved, 1);
    const std::string text = readText(path);
    EXPECT_EQ(text.substr(0, text.find('\n')), "3 6 6.000000 7.200000 1.000000 50000.000000");

    CCtotMovie b;
    ASSERT_TRUE(b.Read(path.c_str()));
    int nFrames = 0, nPoints = 0;
    float* pRadii = nullptr;
    double* pTimes = nullptr;
    float** ppFrames = nullptr;
    float fMen = 0, fBot = 0;
    ASSERT_TRUE(b.CopyTo(&nFrames, &nPoints, &pRadii, &pTimes, &ppFrames, &fMen, 0.0f, &fBot, 0.25));
    EXPECT_EQ(nFrames, 3);
    EXPECT_EQ(nPoints, 4);
    EXPECT_EQ(fMen, 6.0f);
    EXPECT_EQ(fBot, 7.2f);
    EXPECT_EQ(pTimes[3], 3000.0);
    for (int i = 1; i <= 3; i++)
        for (int j = 1; j <= 6; j++) {
            EXPECT_NEAR(ppFrames[i][j], f.rows[i][j], 1e-5) << i << ", " << j;
            EXPECT_EQ(pRadii[j], f.radii[j]);
        }
    // another meniscus shifts the radii; what the arrays held is given back
    ASSERT_TRUE(b.CopyTo(&nFrames, &nPoints, &pRadii, &pTimes, &ppFrames, &fMen, 6.02f, &fBot, 0.25));
    EXPECT_NEAR(pRadii[2], 6.02f, 1e-6);
    free_vector(pRadii, 1, nPoints + 2);
    free_dvector(pTimes, 1, nFrames);
    free_matrix(ppFrames, 1, nFrames, 1, nPoints + 2);

    // a movie read from a file is written and read back whole (docs/
    // distributions.md), also when two of its times lie closer than the six
    // decimals the file keeps: 0 and 1e-7 s are both written 0.000000
    const std::string fine = Folder("ctot") + "/fine.ctot", copy = Folder("ctot") + "/copy.ctot";
    writeText(fine, "2 3 6.0 7.2 1.0 50000\n0 1e-7\n6.0 6.6 7.2\n1 2 3\n4 5 6\n");
    CCtotMovie c, d;
    ASSERT_TRUE(c.Read(fine.c_str()));
    ASSERT_TRUE(c.SaveAs(copy.c_str()));
    const std::string written = readText(copy);
    EXPECT_EQ(written.substr(written.find('\n') + 1, 18), "0.000000 0.000000 ");
    ASSERT_TRUE(d.Read(copy.c_str()));
    ASSERT_EQ(d.nFrames, 2);
    ASSERT_EQ(d.nPoints, 3);
    for (int i = 1; i <= 2; i++)
        for (int j = 1; j <= 3; j++) EXPECT_EQ(d.ppCtot[i][j], c.ppCtot[i][j]) << i << ", " << j;
}

TEST_F(ContiNonidTest, BrokenCtotFilesLeaveAnEmptyMovie)
{
    const std::string folder = Folder("broken");
    const std::string good = "2 3 6.0 7.2 1.0 50000\n0 100\n6.0 6.6 7.2\n1 2 3\n4 5 6\n";
    const std::vector<std::string> broken = {
        "2 3 6.0 7.2 1.0\n0 100\n6.0 6.6 7.2\n1 2 3\n4 5 6\n",            // five numbers on line 1
        "2 3 6.0 7.2 1.0 50000\n0 100\n6.0 6.6 7.2\n1 2 3\n4 5\n",        // a short row
        "2 3 6.0 7.2 1.0 50000\n0 100\n6.0 6.6 7.2\n1 2 3\n",             // a frame missing
        "200000000 300000000 6.0 7.2 1.0 50000\n0 100\n6.0 6.6 7.2\n",    // counts the file cannot hold
        "0 3 6.0 7.2 1.0 50000\n\n6.0 6.6 7.2\n",                          // no frame
        "2 3 6.0 7.2 1.0 50000\n100 0\n6.0 6.6 7.2\n1 2 3\n4 5 6\n",      // time running back
        "2 3 6.0 7.2 0.0 50000\n0 100\n6.0 6.6 7.2\n1 2 3\n4 5 6\n",      // no scale
        "2 3 0.0 7.2 1.0 50000\n0 100\n6.0 6.6 7.2\n1 2 3\n4 5 6\n",      // no meniscus
        "2 3 6.0 -7.2 1.0 50000\n0 100\n6.0 6.6 7.2\n1 2 3\n4 5 6\n",     // no bottom
        "2 3 6.0 7.2 1.0 50000\n0 100\n6.0 6.6 7.2\n1 x 3\n4 5 6\n",      // not a number
    };
    CCtotMovie m;
    writeText(folder + "/good.ctot", good);
    ASSERT_TRUE(m.Read((folder + "/good.ctot").c_str()));
    EXPECT_EQ(m.ppCtot[2][3], 6.0f);
    for (size_t k = 0; k < broken.size(); k++) {
        const std::string path = folder + "/broken" + std::to_string(k) + ".ctot";
        writeText(path, broken[k]);
        EXPECT_FALSE(m.Read(path.c_str())) << k;
        EXPECT_EQ(m.bLoaded, 0) << k;
        EXPECT_EQ(m.nFrames, 0) << k;
        EXPECT_EQ(m.ppCtot, nullptr) << k;
        EXPECT_EQ(std::string(m.szPath), path) << k;  // the path stays
    }
    // ten million frames of ten million points in 41 MB (a sparse file): the
    // counts themselves would fit, their 1e14 values not, and the file is
    // refused before a field of that size (400 TB) is asked for
    const std::string huge = folder + "/huge.ctot";
    writeText(huge, "10000000 10000000 6.0 7.2 1.0 50000\n");
    std::filesystem::resize_file(huge, 41000000);
    EXPECT_FALSE(m.Read(huge.c_str()));
    EXPECT_EQ(m.ppCtot, nullptr);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m.Read((folder + "/missing.ctot").c_str()));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Attention: could not open"), std::string::npos);
}

// A movie must be of the scans' rotor speed exactly and reach the last scan.
TEST_F(ContiNonidTest, MovieMustCoverTheScans)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.nScans = 6;
    sp.t0 = 600;
    sp.dt = 600;  // 600 .. 3600 s
    LoadSpecies(sp);
    headless::Script script;
    SignalField f;  // to 3000 s
    CCtotMovie m;
    const int nLast = pScanTimeOrder[nScans];
    f.into(m, 50001.0f);
    script.expectMessageBox("Error", IDOK);
    EXPECT_FALSE(m.CoversScans(pScanHeaders, nLast));
    EXPECT_TRUE(transcriptShows(script, "use external mean field: wrong rotor speed"));

    f.into(m);
    script.expectMessageBox("Error", IDOK).expectMessageBox("Error", IDOK);
    EXPECT_FALSE(m.CoversScans(pScanHeaders, nLast));
    EXPECT_TRUE(transcriptShows(script, "use external mean field: does not cover experimental time"));
    EXPECT_TRUE(transcriptShows(script, "please reload scans not exceeding 00005.RA1"));

    f.times[3] = 500.0;  // ends before the first scan
    f.times[2] = 400.0;
    f.into(m);
    script.expectMessageBox("Error", IDOK).expectMessageBox("Error", IDOK);
    EXPECT_FALSE(m.CoversScans(pScanHeaders, nLast));
    EXPECT_TRUE(transcriptShows(script, "please reload scans not later than 500 s"));

    f.times[3] = 3600.0;
    f.into(m);
    EXPECT_TRUE(m.CoversScans(pScanHeaders, nLast));
    EXPECT_EQ(script.pending(), 0u);
}

// Restore (1103), export (1104), display (1105) and clear (1106); export and
// display take the computed field when no movie is loaded; the overlay first
// widens the plot's signal range, the next paint draws the frames, a key
// takes them away, also from the plot redrawn under a shaded s range. Reset on loading, and the copy beside the parameters.
TEST_F(ContiNonidTest, CtotCommandsAndTheOverlay)
{
    NonidealScans sp = EightNoisyScans();
    LoadNonideal(sp);
    headless::Script script;
    ChooseNonidealCsFor(sp);
    RunContiSed(window.get());
    ASSERT_EQ(pCtotMovie, nullptr);

    const std::string folder = Folder("commands");
    const std::string exported = folder + "/exported.ctot";
    script.expectSaveFile("select NONIDEAL CTOT DATA file", exported).command(1104);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_NE(pCtotMovie, nullptr);
    CCtotMovie back;
    ASSERT_TRUE(back.Read(exported.c_str()));
    EXPECT_EQ(back.nFrames, pContiNonid->nFieldFrames);
    EXPECT_EQ(back.nPoints, pContiNonid->nMeanFieldPoints + 2);
    EXPECT_EQ(back.fRotorSpeed, 50000.0f);

    // clear, then display: the computed field again
    script.command(1106);
    headless::processMessages();
    EXPECT_EQ(pCtotMovie, nullptr);
    nZoomLevel = 1;  // a zoomed view of the signal 0.2 .. 1.2
    fZoomXMin[1] = 5.9f;
    fZoomXMax[1] = 7.3f;
    fZoomYMin[1] = 0.2f;
    fZoomYMax[1] = 1.2f;
    pDataPlot->SetAxisRanges(5.9f, 7.3f, 0.2f, 1.2f);
    script.command(1105);
    headless::processMessages();
    EXPECT_EQ(bShowCtotOverlay, 1);
    ASSERT_NE(pCtotMovie, nullptr);
    const float v = pCtotMovie->ppCtot[1][pCtotMovie->nPoints];
    EXPECT_GT(v, 1.2f);  // mg/ml above the signal range
    // the paint after the command only widened the range ...
    EXPECT_FLOAT_EQ(fZoomYMin[1], -0.05f * v);
    EXPECT_FLOAT_EQ(fZoomYMax[1], 1.1f * v);
    EXPECT_FLOAT_EQ(pDataPlot->fYMax, 1.1f * v);
    // ... the next one draws the frames
    paint(window.get());
    EXPECT_GT(overlayPixels(window.get()), 100);
    script.typeChar('x');
    headless::processMessages();
    EXPECT_EQ(bShowCtotOverlay, 0);
    EXPECT_EQ(overlayPixels(window.get()), 0);
    // shading an s range redraws the data plot under it: without the frames
    std::vector<int> first(nScans + 1), last(nScans + 1);
    window->DrawShadedDistribution(1.0f, 10.0f, first.data(), last.data(), nullptr);
    EXPECT_EQ(overlayPixels(window.get()), 0);

    // restore: a file, then "keep" it
    script.expectOpenFile("select NONIDEAL CTOT DATA files", {exported}).command(1103);
    headless::processMessages();
    EXPECT_STREQ(pCtotMovie->szPath, exported.c_str());
    EXPECT_EQ(pCtotMovie->bLoaded, 1);
    script.expectMessageBox("NONIDEAL CTOT DATA", IDYES).command(1103);
    headless::processMessages();
    EXPECT_TRUE(transcriptShows(script, "keep " + exported + " ?"));
    const std::string bad = folder + "/bad.ctot";
    writeText(bad, "1 2 3\n");
    script.expectMessageBox("NONIDEAL CTOT DATA", IDNO)
        .expectOpenFile("select NONIDEAL CTOT DATA files", {bad})
        .expectMessageBox("select NONIDEAL CTOT DATA files", IDOK)
        .command(1103);
    headless::processMessages();
    EXPECT_TRUE(transcriptShows(script, "sorry loading CTOT DATA file failed"));
    EXPECT_EQ(pCtotMovie->bLoaded, 0);
    EXPECT_EQ(window->bCtotBusy, 0);

    // beside the parameter file, and offered when the parameters come back
    const std::string params = folder + "/~tmppars.RA1";
    saveCtotDataWithParameters(params.c_str());
    CCtotMovie saved;
    ASSERT_TRUE(saved.Read((params + ".ctot").c_str()));
    EXPECT_EQ(saved.nFrames, pContiNonid->nFieldFrames);
    forgetMeanFieldCtotData();
    script.expectMessageBox("NONIDEAL CTOT DATA", IDYES);
    window->LoadCtotDataWithParameters(params.c_str());
    EXPECT_TRUE(transcriptShows(script, "also load mean field CTOT data from " + params + ".ctot ?"));
    ASSERT_NE(pCtotMovie, nullptr);
    EXPECT_EQ(pCtotMovie->bLoaded, 1);
    EXPECT_EQ(bMeanFieldExternal, 1);
    EXPECT_EQ(bMeanFieldFromData, 0);

    // a computed field that cannot be stored (no signal per mg/ml) leaves the
    // loaded movie as it is when it is written
    const double dSignal = dSignalPerMgMl;
    dSignalPerMgMl = 0.0;
    EXPECT_TRUE(pCtotMovie->Write());
    EXPECT_EQ(pCtotMovie->bLoaded, 1);
    dSignalPerMgMl = dSignal;

    // new scans: the movie may go
    script.expectMessageBox("LOAD FILES", IDYES);
    askResetMeanFieldCtotData(window.get());
    EXPECT_EQ(pCtotMovie, nullptr);
    EXPECT_EQ(script.pending(), 0u);
}

// Template 586: where the mean field comes from, the grid sizes, the extra
// discrete species and the debug files; "load external" asks for the file.
TEST_F(ContiNonidTest, ParameterDialogSetsTheMeanField)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.nScans = 4;
    LoadSpecies(sp);
    installDialogTemplates();
    headless::Script script;
    ChooseNonidealCs(1.0f, 10.0f, 21, 1.3f, 0.68f, -2.0f, -2.0f, 1.0);
    headless::DialogAnswer a;
    a.check(449).check(452).set(438, "300").set(439, "60").check(446).check(425).ok();
    script.expectDialog("Nonideal c(s)", a);
    window->CmParameters();
    EXPECT_EQ(bMeanFieldFromData, 1);
    EXPECT_EQ(bMeanFieldExternal, 0);
    EXPECT_EQ(bMeanFieldFrozen, 1);
    EXPECT_EQ(nNonidSedGridSize, 300);
    EXPECT_EQ(nNonidMeanFieldPoints, 60);
    EXPECT_EQ(bNonidealDiscreteFirst, 1);
    EXPECT_EQ(bNonidDebugFiles, 1);
    ASSERT_EQ(bFitRINoise, 0);

    headless::DialogAnswer b;
    b.check(451).check(452, false).set(438, "5").ok();  // a grid of 5 is not taken
    script.expectDialog("Nonideal c(s)", b)
        .expectFileCancel("select NONIDEAL CTOT DATA files")
        .expectMessageBox("select NONIDEAL CTOT DATA files", IDOK);
    window->CmParameters();
    EXPECT_EQ(bMeanFieldExternal, 1);
    EXPECT_EQ(bMeanFieldFromData, 0);
    EXPECT_EQ(bMeanFieldFrozen, 0);
    EXPECT_EQ(nNonidSedGridSize, 300);
    // the boxes left as they were keep their settings
    EXPECT_EQ(nNonidMeanFieldPoints, 60);
    EXPECT_EQ(bNonidealDiscreteFirst, 1);
    EXPECT_EQ(bNonidDebugFiles, 1);
    EXPECT_EQ(bFitRINoise, 0);
    EXPECT_TRUE(transcriptShows(script, "sorry could not identify valid file"));
    EXPECT_EQ(script.pending(), 0u);
}
