// The Data-menu save commands: names of the written files, the overwrite
// questions, intensity data written and read back, the averaged scan, noise
// files and the export to DRELLIX.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"

using scantest::ScanRecipe;

namespace {

// One scan file read back.
struct ReadBack {
    ScanHeader h{};
    int n = 0;
    float* r = nullptr;
    float* s = nullptr;
    float* t = nullptr;
    bool ok = false;
    explicit ReadBack(const std::string& path) {
        ok = readScanFile(path.c_str(), &h, &n, &r, &s, &t, nullptr, 0.0f) == 1;
    }
    ~ReadBack() {
        free_vector(r, 1, n);
        free_vector(s, 1, n);
        free_vector(t, 1, n);
    }
};

class DataMenuSaveTest : public DataMenuTest {
protected:
    void TearDown() override {
        bIntensityData = 0;
        DataMenuTest::TearDown();
    }
    void Load(const std::vector<std::string>& paths) {
        win::headless::Script script;
        script.expectOpenFile("select files to fit", paths).expectInput("load every n'th file:", "1");
        Run(script, 200);
        ASSERT_EQ(nScans, static_cast<int>(paths.size()));
    }
    // Save Fit Data (203) through the menu.
    void SaveFitData() {
        window->EvCommand(203, nullptr, 0);
        win::headless::processMessages();
    }
    // Intensity scans: the reference intensity in the second column, the
    // sample's in the third (the loader's signal).
    std::string WriteIntensity(const std::string& folder, const std::string& name, double time,
                               const std::function<float(int)>& ref, const std::function<float(int)>& sample) {
        std::string text = "intensity scan\n";
        char line[160];
        std::snprintf(line, sizeof(line), "I 1 20.0 20000 %.0f %e 280 1\n", time,
                      std::pow(20000 * M_PI / 30, 2) * time);
        text += line;
        for (int i = 1; i <= 50; ++i) {
            std::snprintf(line, sizeof(line), "%.4f %.6e %.6e\n", 6.0 + 0.01 * i, ref(i), sample(i));
            text += line;
        }
        const std::string path = folder + "/" + name;
        scantest::writeText(path, text);
        return path;
    }
};

}  // namespace

TEST_F(DataMenuSaveTest, FitAndResidualNamesAndOverwriteQuestions) {
    const std::string data = Folder("data");
    std::vector<std::string> paths;
    for (int k = 1; k <= 3; ++k) {
        ScanRecipe recipe;
        recipe.time = 1000.0 * k;
        paths.push_back(WriteScan(data, "0000" + std::to_string(k) + ".RA1", recipe));
    }
    Load(paths);
    for (int i = 1; i <= 3; ++i)
        for (int k = 1; k <= pScanPoints[i]; ++k) {
            ppFit[i][k] = 0.25f * i;
            ppResidual[i][k] = -0.01f * i;
        }
    // Scan 1 keeps its limits as 0 and 0: all points; scan 2 points 11 to 60.
    pFitFirstIndex[1] = pFitLastIndex[1] = 0;
    pFitFirstIndex[2] = 11;
    pFitLastIndex[2] = 60;

    const std::string out = Folder("out");
    win::headless::Script script;
    script.expectMessageBox("cannot save fit parameters of current model", win::IDOK)
        .expectSaveFile("save fitted data as", out + "/f0000x.rxx")
        .expectSaveFile("save residuals as", out + "/r0000x.rxx")
        .expectFileCancel("save some fit parameters as");
    SaveFitData();
    EXPECT_EQ(script.pending(), 0u);
    {
        ReadBack f1(out + "/f0001.RA1"), f2(out + "/f0002.RA1"), r3(out + "/r0003.RA1");
        ASSERT_TRUE(f1.ok && f2.ok && r3.ok);
        EXPECT_EQ(f1.n, 100);
        EXPECT_STREQ(f1.h.title, "[T OK]fitted to 00001.RA1");
        EXPECT_FLOAT_EQ(f1.s[7], 0.25f);
        EXPECT_EQ(f2.n, 50);
        EXPECT_FLOAT_EQ(f2.r[1], ppRadius[2][11]);
        EXPECT_FLOAT_EQ(r3.s[1], -0.03f);
        EXPECT_STREQ(r3.h.title, "[T OK]residuals to 00003.RA1");
    }

    // Again: Yes once overwrites every further fit without asking; the
    // residuals ask for themselves, and No keeps the old files.
    for (int i = 1; i <= 3; ++i)
        for (int k = 1; k <= pScanPoints[i]; ++k) ppFit[i][k] = 9.0f;
    ppResidual[1][1] = 5.0f;
    script.expectMessageBox("cannot save fit parameters of current model", win::IDOK)
        .expectSaveFile("save fitted data as", out + "/f0000x.rxx")
        .expectMessageBox("file " + out + "/f0001.RA1 already exists!\nOverwrite all?", win::IDYES)
        .expectSaveFile("save residuals as", out + "/r0000x.rxx")
        .expectMessageBox("file " + out + "/r0001.RA1 already exists!\nOverwrite all?", win::IDNO)
        .expectMessageBox("residuals not saved", win::IDOK)
        .expectFileCancel("save some fit parameters as");
    SaveFitData();
    EXPECT_EQ(script.pending(), 0u);
    {
        ReadBack f3(out + "/f0003.RA1"), r1(out + "/r0001.RA1");
        EXPECT_FLOAT_EQ(f3.s[1], 9.0f);
        EXPECT_FLOAT_EQ(r1.s[1], -0.01f);
    }

    // Only the third scan's fit exists: No there leaves fits 1 and 2 written.
    const std::string out2 = Folder("out2");
    scantest::writeText(out2 + "/f0003.RA1", "kept");
    script.expectMessageBox("cannot save fit parameters of current model", win::IDOK)
        .expectSaveFile("save fitted data as", out2 + "/f0000x.rxx")
        .expectMessageBox("f0003.RA1 already exists!", win::IDNO)
        .expectMessageBox("fit not saved", win::IDOK)
        .expectFileCancel("save residuals as")
        .expectFileCancel("save some fit parameters as");
    SaveFitData();
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(std::filesystem::exists(out2 + "/f0001.RA1"));
    EXPECT_TRUE(std::filesystem::exists(out2 + "/f0002.RA1"));
    EXPECT_EQ(scantest::readText(out2 + "/f0003.RA1"), "kept");

    // A fit file that cannot be written is named once and the save stops.
    const std::string out3 = Folder("out3");
    std::filesystem::create_directories(out3 + "/f0001.RA1");
    script.expectMessageBox("cannot save fit parameters of current model", win::IDOK)
        .expectSaveFile("save fitted data as", out3 + "/f0000x.rxx")
        .expectMessageBox("Attention: could not open " + out3 + "/f0001.RA1", win::IDOK)
        .expectFileCancel("save residuals as")
        .expectFileCancel("save some fit parameters as");
    testing::internal::CaptureStdout();  // the writer's own line
    SaveFitData();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\aAttention: could not open " + out3 + "/f0001.RA1\n");
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(std::filesystem::exists(out3 + "/f0002.RA1"));
}

TEST_F(DataMenuSaveTest, IntensityDataKeepTheirColumns) {
    const std::string data = Folder("intensity");
    auto ref = [](int i) { return 1000.0f + i; };
    auto sample = [](int i) { return i == 7 ? 0.0f : 500.0f + 2.0f * i; };
    const std::vector<std::string> paths = {WriteIntensity(data, "A0012.RI1", 1000, ref, sample),
                                            WriteIntensity(data, "A0013.RI1", 2000, ref, sample)};
    Load(paths);
    ASSERT_EQ(bIntensityData, 1);
    EXPECT_FLOAT_EQ(ppSignal[1][3], 506.0f);
    EXPECT_FLOAT_EQ(ppThirdColumn[1][3], 1003.0f);
    // On the noise grid the absorbance is 0 where the sample is 0 (radius
    // 6.07), the grid between the neighbours a line through that 0.
    int nNear7 = 0;
    for (int j = 1; j <= nNoiseGridPoints; ++j) {
        const double x = pNoiseGrid[j];
        if (std::fabs(x - 6.07) > 0.0095) continue;
        const double dSide = x < 6.07 ? std::log10(1006.0 / 512.0) : std::log10(1008.0 / 516.0);
        EXPECT_NEAR(ppScanOnNoiseGrid[1][j], dSide * std::fabs(x - 6.07) / 0.01, 1e-4) << x;
        ++nNear7;
    }
    EXPECT_GE(nNear7, 15);

    // Saved under the speed and wavelength rule and loaded again: the same
    // signal and third column.
    const std::string out = Folder("speednames");
    win::headless::Script script;
    script.expectMessageBox("save data with wavelenth/speed information in filename", win::IDYES)
        .expectSaveFile("select directory ", out + "/20k280_001.ra1");
    Run(script, 263);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_TRUE(std::filesystem::exists(out + "/20k280_A012.RI1"));
    EXPECT_EQ(std::string(szScanExtra), out + "/~tmppars.RI1");
    Load({out + "/20k280_A012.RI1", out + "/20k280_A013.RI1"});
    for (int k : {1, 3, 7, 50}) {
        EXPECT_FLOAT_EQ(ppSignal[1][k], sample(k)) << k;
        EXPECT_FLOAT_EQ(ppThirdColumn[1][k], ref(k)) << k;
    }

    // As absorbance, as two pseudo-absorbance sets, and fits converted to
    // absorbance (the files are read back afterwards: reading sets the
    // data-type flags).
    Run(script, 231);
    Run(script, 289);
    for (int i = 1; i <= nScans; ++i)
        for (int k = 1; k <= pScanPoints[i]; ++k) ppFit[i][k] = 250.0f;
    const int nFirst = pFitFirstIndex[1];
    const std::string fits = Folder("fits");
    script.expectMessageBox("cannot save fit parameters of current model", win::IDOK)
        .expectSaveFile("save fitted data as", fits + "/f0000x.rxx")
        .expectMessageBox("convert intensities to absorbance data?", win::IDYES)
        .expectFileCancel("save residuals as")
        .expectFileCancel("save some fit parameters as");
    SaveFitData();
    EXPECT_EQ(pScanHeaders[1].dataType, 'I');
    {
        // log10(reference / sample), 10 where the sample is 0, with an
        // absorbance letter, so it reloads as absorbance.
        ReadBack a(out + "/20k280_A012.Ra1");
        ASSERT_TRUE(a.ok);
        EXPECT_EQ(a.h.dataType, 'R');
        EXPECT_NEAR(a.s[3], std::log10(1003.0 / 506.0), 1e-5);
        EXPECT_FLOAT_EQ(a.s[7], 10.0f);
        ReadBack ps(out + "/S0k280_A012.Ra1"), pr(out + "/R0k280_A012.Ra1");
        ASSERT_TRUE(ps.ok && pr.ok);
        EXPECT_NEAR(ps.s[3], std::log10(1000.0 / 506.0), 1e-5);
        EXPECT_NEAR(pr.s[3], std::log10(1000.0 / 1003.0), 1e-5);
        ReadBack f(fits + "/f0k280_A012.RI1");
        ASSERT_TRUE(f.ok);
        EXPECT_EQ(f.h.dataType, 'R');
        ASSERT_LE(nFirst, 3);
        EXPECT_NEAR(f.s[3 - nFirst + 1], std::log10(1003.0 / 250.0), 1e-5);
    }

    // A corrected copy keeps its marker part in the speed and wavelength name.
    const std::string corr = Folder("corrected");
    ScanRecipe recipe;
    recipe.rpm = 20000.0f;
    const std::vector<std::string> cpaths = {WriteScan(corr, "tcorr_00012.RA1", recipe),
                                             WriteScan(corr, "tcorr_00013.RA1", recipe)};
    fMeniscus = fBottom = fFitLeftLim = fFitRightLim = 0.0f;
    Load(cpaths);
    const std::string out2 = Folder("speednames2");
    script.expectMessageBox("save data with wavelenth/speed information in filename", win::IDYES)
        .expectSaveFile("select directory ", out2 + "/20k280_001.ra1");
    Run(script, 263);
    EXPECT_TRUE(std::filesystem::exists(out2 + "/tcorr_20k280_012.RA1"));
    EXPECT_TRUE(std::filesystem::exists(out2 + "/tcorr_20k280_013.RA1"));
    // Saved under their own names into their own folder, the originals are
    // replaced only after a Yes.
    const std::string before = scantest::readText(cpaths[0]);
    script.expectMessageBox("save data with wavelenth/speed information in filename", win::IDNO)
        .expectSaveFile("save raw data in new directory", corr + "/x.rxx")
        .expectMessageBox("tcorr_00012.RA1 already exists!\nOverwrite all?", win::IDNO)
        .expectMessageBox("file not saved", win::IDOK);
    Run(script, 263);
    EXPECT_EQ(scantest::readText(cpaths[0]), before);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(DataMenuSaveTest, AverageNoiseAndExport) {
    // the averaged set is run at once; its model is not what this test is about
    bWizardMessages = 0;
    const std::string data = Folder("avg");
    std::vector<std::string> paths;
    for (int k = 1; k <= 3; ++k) {
        ScanRecipe recipe;
        recipe.time = 1000.0 * k;
        recipe.signal = [k](int, float) { return static_cast<float>(k); };
        paths.push_back(WriteScan(data, "0000" + std::to_string(k) + ".RA1", recipe));
    }
    Load(paths);

    // Neither noise fitted: nothing to save, nothing asked.
    win::headless::Script script;
    Run(script, 252);
    // Both fitted: the time-invariant noise as a scan file, the radial-
    // invariant one as (time, offset) rows in time order.
    bFitTINoise = bFitRINoise = 1;
    // a TI noise that rises with the radius: 0.002 at 6 cm, 0.01 more per
    // cm; 0.001 of it already taken off the data, the rest fitted since: the
    // file holds the whole
    auto tiAt = [](float r) { return 0.002f + 0.01f * (r - 6.0f); };
    ASSERT_NE(pTINoiseAux, nullptr);
    for (int j = 1; j <= nNoiseGridPoints; ++j) {
        pTINoiseAux[j] = 0.001f;
        pTINoiseSaved[j] = tiAt(pNoiseGrid[j]) - 0.001f;
    }
    for (int i = 1; i <= 3; ++i) pRINoiseSaved[i] = 0.1f * i;
    const std::string out = Folder("noise");
    script.expectSaveFile("save time independent noise component as", out + "/TIN.rxx")
        .expectSaveFile("save radial independent noise component as", out + "/RIN.rxx");
    Run(script, 252);
    ReadBack tin(out + "/TIN.RA1");
    ASSERT_TRUE(tin.ok);
    ASSERT_EQ(tin.n, nNoiseGridLast - nNoiseGridFirst + 1);
    ASSERT_GT(tin.n, 2);
    // every grid point of the fitted range, the last one included, with the
    // noise at its own radius
    for (int k = 1; k <= tin.n; ++k) {
        EXPECT_NEAR(tin.r[k], pNoiseGrid[nNoiseGridFirst + k - 1], 1e-4) << k;
        EXPECT_NEAR(tin.s[k], tiAt(tin.r[k]), 1e-5) << k;
    }
    EXPECT_EQ(scantest::readText(out + "/RIN.RA1"),
              "1000.000000 0.100000\n2000.000000 0.200000\n3000.000000 0.300000\n");

    // Average Scans: Cancel leaves the set as it was.
    script.expectFileCancel("select filename for averaged scan");
    Run(script, 917);
    EXPECT_EQ(nScans, 3);
    EXPECT_STREQ(ppScanFileName[3], "00003.RA1");
    // OK writes the mean of the scans and loads it as the whole set.
    script.expectSaveFile("select filename for averaged scan", data + "/average.RA1");
    Run(script, 917);
    ASSERT_EQ(nScans, 1);
    EXPECT_STREQ(ppScanFileName[1], "average.RA1");
    EXPECT_FLOAT_EQ(ppSignal[1][5], 2.0f);
    // A set of one scan has its noise saved as well.
    bFitTINoise = bFitRINoise = 1;
    ASSERT_TRUE(pTINoiseSaved && pRINoiseSaved);
    for (int j = 1; j <= nNoiseGridPoints; ++j) {
        if (pTINoiseAux) pTINoiseAux[j] = 0.0f;
        pTINoiseSaved[j] = tiAt(pNoiseGrid[j]);
    }
    pRINoiseSaved[1] = 0.25f;
    const std::string out1 = Folder("noise1");
    script.expectSaveFile("save time independent noise component as", out1 + "/TIN.rxx")
        .expectSaveFile("save radial independent noise component as", out1 + "/RIN.rxx");
    Run(script, 252);
    ReadBack tin1(out1 + "/TIN.RA1");
    ASSERT_TRUE(tin1.ok);
    ASSERT_EQ(tin1.n, nNoiseGridLast - nNoiseGridFirst + 1);
    for (int k = 1; k <= tin1.n; ++k) EXPECT_NEAR(tin1.s[k], tiAt(tin1.r[k]), 1e-5) << k;
    // one row: the scan's time and its offset
    const std::string rin1 = scantest::readText(out1 + "/RIN.RA1");
    ASSERT_EQ(std::count(rin1.begin(), rin1.end(), '\n'), 1);
    EXPECT_EQ(rin1.substr(rin1.find(' ')), " 0.250000\n");

    // A radial resolution below the float spacing at 6 cm leaves a grid of a
    // single point, at the scans' first radius: OK still writes it, and the
    // reload then refuses a file of one point by name and reason.
    fRadialResolution = 1e-8f;
    Load(paths);
    ASSERT_EQ(nNoiseGridPoints, 1);
    script.expectSaveFile("select filename for averaged scan", data + "/average1.RA1")
        .expectMessageBox(data + "/average1.RA1\nholds fewer than two points", win::IDOK);
    Run(script, 917);
    fRadialResolution = 0.001f;
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 0);
    {
        ReadBack one(data + "/average1.RA1");
        ASSERT_TRUE(one.ok);
        ASSERT_EQ(one.n, 1);
        EXPECT_FLOAT_EQ(one.r[1], ScanRecipe().r0);
    }

    // The export writes the experiment file; DRELLIX missing is said.
    std::snprintf(szDrellixExePath, sizeof(szDrellixExePath), "%s", (scratch + "no-drellix/drellix").c_str());
    Load(paths);
    script.expectSaveFile("export data as DRELLIX xp file", out + "/data.xp");
    for (const char* szPrompt : {"buffer density (g/ml)", "buffer viscosity (Poise)", "partial-specific volume (ml/g)",
                                 "optical pathlength (cm)", "rotor type (4 or 8)"})
        script.expectInputCancel(szPrompt);
    script.expectMessageBox("launch DRELLIX with data?", win::IDYES)
        .expectMessageBox("DRELLIX is not configured on this computer", win::IDOK);
    Run(script, 577);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "Start WinExec " + win::headless::quote(std::string(szDrellixExePath) + " " +
                                                                                 out + "/data.xp") +
                                            " -> missing"));
    EXPECT_EQ(scantest::readText(out + "/data.xp").substr(0, 2), "0 ");
    EXPECT_EQ(window->bCtotBusy, 0);
}

TEST_F(DataMenuSaveTest, ASampleAtHalfTheReferenceIsAbsorbancePlusLog2OnEveryRoute) {
    // The file holds the reference intensity second and the sample's third;
    // the sample transmits half: absorbance log10(2) = +0.30103 everywhere.
    const std::string data = Folder("halves");
    auto ref = [](int) { return 1000.0f; };
    auto sample = [](int) { return 500.0f; };
    const std::vector<std::string> paths = {WriteIntensity(data, "A0001.RI1", 1000, ref, sample),
                                            WriteIntensity(data, "A0002.RI1", 2000, ref, sample)};
    Load(paths);
    ASSERT_EQ(bIntensityData, 1);
    const double dExpected = std::log10(2.0);

    // the noise grid the fits work on
    ASSERT_GT(nNoiseGridPoints, 10);
    for (int i = 1; i <= nScans; ++i)
        for (int j = 2; j < nNoiseGridPoints - 1; ++j) EXPECT_NEAR(ppScanOnNoiseGrid[i][j], dExpected, 1e-5) << j;

    // Save Intensity Data as Absorbance Data (231); the fits converted by
    // Save Fit Data (a fit equal to the sample); subtract Noise from Eq Data
    // (253) with no noise to take off. (The files are read back afterwards:
    // reading sets the data-type flags.)
    win::headless::Script script;
    Run(script, 231);
    for (int i = 1; i <= nScans; ++i)
        for (int k = 1; k <= pScanPoints[i]; ++k) ppFit[i][k] = ppSignal[i][k];
    const std::string fits = Folder("halffits");
    script.expectMessageBox("cannot save fit parameters of current model", win::IDOK)
        .expectSaveFile("save fitted data as", fits + "/f0000x.rxx")
        .expectMessageBox("convert intensities to absorbance data?", win::IDYES)
        .expectFileCancel("save residuals as")
        .expectFileCancel("save some fit parameters as");
    SaveFitData();
    bFitTINoise = 1;
    for (int j = 1; j <= nNoiseGridPoints; ++j) pTINoiseSaved[j] = pTINoiseAux[j] = 0.0f;
    const std::string rti = data + "/RTI.RI1";
    window->SubtractNoiseFromEqData(paths[0].c_str(), rti.c_str());
    bFitTINoise = 0;
    for (const std::string& path : {data + "/A0001.Ra1", fits + "/f0001.RI1", rti}) {
        ReadBack back(path);
        ASSERT_TRUE(back.ok) << path;
        ASSERT_GT(back.n, 10) << path;
        for (int k = 1; k <= back.n; ++k) EXPECT_NEAR(back.s[k], dExpected, 1e-5) << path << " " << k;
    }
    EXPECT_EQ(script.pending(), 0u);
}
