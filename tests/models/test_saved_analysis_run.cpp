// A saved analysis end to end, as a new user meets it: the example scans,
// the discrete model with the values the example was made with, Run, Copy
// Fit Parameters, the save, a fit that keeps its result beside the data;
// then the program started afresh and the same files loaded: the analysis is
// offered, restored, and Run gives the same fits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "app/xla_app.h"
#include "app/window_fixture.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "resources/dialog_templates.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "test_state.h"

using namespace win;

namespace {

bool menuChecked(TXLAWindow* w, unsigned nId)
{
    const UINT s = GetMenuState(w->GetMenu(), nId, MF_BYCOMMAND);
    return s != 0xFFFFFFFF && (s & MF_CHECKED);
}

std::vector<std::vector<float>> fits()
{
    std::vector<std::vector<float>> v;
    for (int k = 1; k <= nScans; ++k) v.emplace_back(ppFit[k] + 1, ppFit[k] + pScanPoints[k] + 1);
    return v;
}

}  // namespace

TEST_F(MainWindowTest, AnAnalysisSavedBesideTheDataComesBackAtTheNextStart)
{
    installDialogTemplates();
    OpenWindow();
    const std::vector<std::string> paths = copyVelocityExampleScans(scratch + "velocity");
    LoadScans(paths);
    ASSERT_EQ(nScans, 30);
    const std::string saved = scratch + "velocity/~tmppars.RA1";
    ASSERT_EQ(std::string(szScanExtra), saved);

    std::vector<std::vector<float>> fitted;
    float fS = 0, fFittedRmsd = 0, fFittedRightLimit = 0;
    {
        headless::Script script;
        script
            .expectDialog("noninteracting species model", headless::DialogAnswer()
                                                               .check(401)
                                                               .set(405, "0.8")
                                                               .set(406, "6.1")
                                                               .set(407, "4.3")
                                                               .check(402, false)
                                                               .check(403, false)
                                                               .check(404)  // s floated
                                                               .set(433, "0.02")
                                                               .check(432, false)
                                                               .set(435, "6.0")
                                                               .check(434, false)
                                                               .set(437, "7.2")
                                                               .check(436, false)
                                                               .check(431, false)
                                                               .check(455, false))
            // Update Saved Fit Parameters keeps the c(s) family only: the
            // discrete model is saved by its fit
            .expectMessageBox("cannot save fit parameters of current model", IDOK);
        // one command at a time, as a user gives them: Run and Fit take the
        // input that arrives while they compute
        for (UINT id : {198u, 212u, 213u, 204u, 827u, 215u, 213u}) {
            script.command(id);
            headless::processMessages();
        }
        EXPECT_EQ(script.pending(), 0u);
        std::string clip;
        for (const std::string& l : script.lines())
            if (l.rfind("Clipboard CF_TEXT ", 0) == 0) clip = l;
        EXPECT_EQ(clip.rfind("Clipboard CF_TEXT \"\\n\\ncomponent 1 included:\\nD\\t=\\t6.100 *10^-7 cm^2/sec\\t(fixed)\\n"
                             "s\\t=\\t4.300 S\\t\\t\\t(floated)\\n\\nconcentrations = 0.800 | (first is total, next are "
                             "fractions)\\n\\nmeniscus at \\t6.0000 cm\\t\\t(fixed)\\nbottom at \\t7.2000 cm\\t\\t(fixed)"
                             "\\n\\nbaseline at \\t0.02000 OD\\t\\t(fitxed)\\n\\nfitted from ",
                             0),
                  0u)
            << clip;
        EXPECT_NE(clip.find("\\nrmsd=0.0040"), std::string::npos) << clip;
        ASSERT_TRUE(bModelComputed);
        EXPECT_NEAR(pSpeciesS[1], 4.3f, 0.01f);
        fS = pSpeciesS[1];
        fFittedRmsd = fRmsd;
        fFittedRightLimit = fFitRightLim;
        fitted = fits();
    }
    const std::vector<std::string> file = readLines(saved);
    ASSERT_EQ(file.size(), 215u);
    EXPECT_EQ(file[0], "1.000000");  // saved after the fit

    // The program starts again: window closed, every global as at start.
    freeScanData();
    window.reset();
    pMainWindow = nullptr;
    const std::string config = std::getenv("XDG_CONFIG_HOME");
    resetProgramState();
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setUpDataFilePaths(MORVEX_SOURCE_DIR "/");
    applyPreferenceDefaults();
    ASSERT_FALSE(bModelDiscreteSpecies);
    installDialogTemplates();
    OpenWindow();

    headless::Script script;
    script.expectMessageBox("load previous analysis?", IDYES)
        .expectMessageBox("restore parameters from " + saved + " ?", IDYES);
    LoadScans(paths);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(script.lines()[0], "MessageBox \"\" \"load previous analysis?\" MB_YESNO|MB_ICONEXCLAMATION -> IDYES");
    EXPECT_TRUE(bModelDiscreteSpecies);
    EXPECT_TRUE(menuChecked(window.get(), 198));
    EXPECT_EQ(pSpeciesIncluded[1], 1);
    EXPECT_EQ(pSpeciesIncluded[2], 0);
    EXPECT_NEAR(pSpeciesS[1], fS, 1e-6f);
    EXPECT_EQ(pSpeciesSFloat[1], 1);
    EXPECT_EQ(pSpeciesMw[1], 6.1f);
    EXPECT_EQ(fBaseline, 0.02f);

    // the loader ran the restored model; Run again gives the same fits
    script.command(213);
    headless::processMessages();
    ASSERT_TRUE(bModelComputed);
    const std::vector<std::vector<float>> again = fits();
    ASSERT_EQ(again.size(), fitted.size());
    float fLargest = 0;
    for (size_t k = 0; k < again.size(); ++k) {
        ASSERT_EQ(again[k].size(), fitted[k].size());
        for (size_t i = 0; i < again[k].size(); ++i)
            fLargest = std::fmax(fLargest, std::fabs(again[k][i] - fitted[k][i]));
    }
    EXPECT_LT(fLargest, 1e-6f);
    // The limits come back to six decimals: the right one, 6.99699974 as
    // the loader set it, reads back as 6.997, and the points at 6.997 join
    // the rmsd (one per scan).
    EXPECT_NEAR(fFitRightLim, fFittedRightLimit, 5e-7f);
    EXPECT_NEAR(fRmsd, fFittedRmsd, 5e-6f);
    EXPECT_EQ(script.pending(), 0u);
}
