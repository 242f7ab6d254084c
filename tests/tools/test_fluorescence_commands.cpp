// The fluorescence tools as the user drives them: Options > Fluorescence
// Tools one option at a time, the FloTools dialog, and nonlinear detection on
// scans loaded from files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "resources/dialog_templates.h"
#include "numerics/nrutil.h"
#include "scandata/raw_edit_tools.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"
#include "tools/fluorescence_fixture.h"

using win::IDCANCEL;
using win::IDNO;
using win::IDOK;
using win::IDYES;
using win::headless::DialogAnswer;
using win::headless::Script;

namespace {

// Point 1 reads 14, point 2 reads 8, the rest 12 + k.
float pointSignal(int k, int i)
{
    return i == 1 ? 14.0f : (i == 2 ? 8.0f : 12.0f + static_cast<float>(k));
}

class FluorescenceCommandsTest : public FluorescenceTest {
protected:
    void SetUp() override
    {
        FluorescenceTest::SetUp();
        installDialogTemplates();
    }
    // Three fluorescence scans A0000k.FI1 in the folder, loaded.
    std::vector<std::string> LoadThree(const std::string& folder, float fOffset = 0.0f)
    {
        std::vector<std::string> paths;
        for (int k = 1; k <= 3; k++) {
            FluoScan s;
            s.name = "A0000" + std::to_string(k) + ".FI1";
            s.time = 600.0 * k;
            s.signal = [k, fOffset](int i) { return pointSignal(k, i) + fOffset; };
            paths.push_back(WriteFluoScan(folder, s));
        }
        LoadFiles(paths);
        return paths;
    }
    // Command 908 answered: on, exponent, not fitted, baseline, shown.
    void SwitchOn(const char* szExponent, const char* szBaseline, int nShow = IDYES)
    {
        Script script;
        script.expectMessageBox("account for nonlinear detection", IDYES)
            .expectInput("power coeff d(log(a))/dc", szExponent)
            .expectMessageBox("fit power coefficient?", IDNO)
            .expectInput("baseline for power law", szBaseline)
            .expectMessageBox("want to show transformed data (YES) or original (NO)?", nShow);
        Command(script, 908);
    }
    // The dialog on template 916 with the answer, OK'd.
    void Dialog(const DialogAnswer& answer)
    {
        Script script;
        script.expectDialog("916", answer);
        Command(script, 915);
    }
};

}  // namespace

TEST_F(FluorescenceCommandsTest, NonlinearDetectionFromTheMenuOnLoadedScans)
{
    {
        Script script;
        LoadThree(Folder("run"));
        EXPECT_TRUE(transcriptShows(script, "Menu insert 915 \"FloTools\"")) << "the FloTools item of the menu bar";
    }
    ASSERT_EQ(nScans, 3);
    ASSERT_TRUE(bFluorescenceData);
    const std::vector<float> first(ppSignal[1] + 1, ppSignal[1] + 1 + pScanPoints[1]);

    SwitchOn("2", "10");
    EXPECT_TRUE(bNonlinearDetection);
    EXPECT_EQ(fFloNonlinCoeff, 2.0f);
    EXPECT_EQ(fDetectionBaseline, 10.0f);
    EXPECT_EQ(ppSignal[1][1], 26.0f);
    EXPECT_EQ(ppSignal[1][2], 8.0f);
    EXPECT_EQ(ppSignal[2][3], 10.0f + 16.0f);  // 14 above the baseline by 4
    EXPECT_TRUE(Checked(908));

    // No: the raw values come back exactly, the marks go
    Script script;
    script.expectMessageBox("account for nonlinear detection", IDNO);
    Command(script, 908);
    EXPECT_FALSE(bNonlinearDetection);
    EXPECT_EQ(ppSignal[1][1], 14.0f);
    EXPECT_EQ(std::vector<float>(ppSignal[1] + 1, ppSignal[1] + 1 + pScanPoints[1]), first);
    EXPECT_FALSE(Checked(908));

    // a parameter file saved with the option off switches it off the same way
    const std::string saved = scratch + "off.params", remembered = szScanExtra;
    szScanExtra = saved;
    TmpSaveBestParams(window.get(), 0);
    szScanExtra = remembered;
    SwitchOn("2", "10");
    ASSERT_EQ(ppSignal[1][1], 26.0f);
    ASSERT_TRUE(window->ReloadParameters(saved.c_str()));
    EXPECT_FALSE(bNonlinearDetection || ppRawSignal);
    EXPECT_EQ(std::vector<float>(ppSignal[1] + 1, ppSignal[1] + 1 + pScanPoints[1]), first);
    EXPECT_FALSE(Checked(908));
}

TEST_F(FluorescenceCommandsTest, TransformedSetsFollowNewLoadsAndAddedFiles)
{
    LoadThree(Folder("one"));
    SwitchOn("2", "10");
    ASSERT_EQ(ppSignal[1][1], 26.0f);

    // a new load with the option on and the transformed values shown: the new
    // scans show the transform of their own values
    LoadThree(Folder("two"), 1.0f);
    ASSERT_EQ(nScans, 3);
    EXPECT_TRUE(bTransformedDataShown);
    EXPECT_EQ(ppSignal[1][1], 10.0f + 25.0f);  // 15
    EXPECT_EQ(ppRawSignal[1][1], 15.0f);
    EXPECT_EQ(ppSignal[1][2], 9.0f);

    // a scan added to the set: transformed from its own values, the others
    // are not transformed twice
    FluoScan added;
    added.name = "A00009.FI1";
    added.time = 5000.0;
    added.signal = [](int) { return 13.0f; };
    const std::string path = WriteFluoScan(Folder("two"), added);
    Script script;
    script.expectOpenFile("select files to add to set 1", {path});
    Command(script, 226);
    ASSERT_EQ(nScans, 4);
    EXPECT_EQ(ppSignal[4][1], 19.0f);
    EXPECT_EQ(ppSignal[1][1], 35.0f);
    EXPECT_EQ(ppRawSignal[1][1], 15.0f);
}

// Subtract Constant (634) and Invert Raw Data (535) with the option on: the
// edit of the values shown stays (the rebuilt noise grid used to show the
// copies made before it), in either scale, and the raw copy follows it.
TEST_F(FluorescenceCommandsTest, EditsWithNonlinearDetectionOnStay)
{
    LoadThree(Folder("edit"));
    for (int nShow : {IDNO, IDYES}) {
        SwitchOn("2", "10", nShow);
        const std::vector<float> before(ppSignal[2] + 1, ppSignal[2] + 1 + pScanPoints[2]);
        Script script;
        script.expectInput("subtract constant (e.g. known baseline)", "1").expectMessageBox("save data?", IDNO);
        Command(script, 634);
        script.expectMessageBox("save new data?", IDNO);
        Command(script, 535);
        EXPECT_EQ(script.pending(), 0u);
        for (int i = 1; i <= pScanPoints[2]; i++) {
            ASSERT_EQ(ppSignal[2][i], -(before[static_cast<size_t>(i - 1)] - 1.0f)) << nShow << " point " << i;
            ASSERT_EQ(ppRawSignal[2][i],
                      nShow == IDYES ? nonlinearDetectionInverse(ppSignal[2][i], 2.0, 10.0) : ppSignal[2][i]);
        }
        Script off;
        off.expectMessageBox("account for nonlinear detection", IDNO);
        Command(off, 908);
    }
    // point 1 of scan 2, 14: edited in the raw scale to -13 (below the
    // baseline, so shown as it is), then in the transformed scale to 14,
    // whose raw value 10 + (14 - 10)^(1/2) = 12 is back once the option is off
    EXPECT_EQ(ppSignal[2][1], 12.0f);
}

// With the transformed values shown, the saved data and fits hold the raw
// values: loaded again with the option on, the saved set shows what was
// shown (the transformed values were saved and transformed a second time).
TEST_F(FluorescenceCommandsTest, SavedDataAndFitsHoldTheRawValues)
{
    LoadThree(Folder("raw"));
    std::vector<std::vector<float>> raw;
    for (int k = 1; k <= 3; k++) raw.emplace_back(ppSignal[k] + 1, ppSignal[k] + 1 + pScanPoints[k]);
    SwitchOn("2", "10");
    std::vector<std::vector<float>> shown;
    for (int k = 1; k <= 3; k++) shown.emplace_back(ppSignal[k] + 1, ppSignal[k] + 1 + pScanPoints[k]);
    // a model in the scale shown, a little below the data
    for (int k = 1; k <= 3; k++)
        for (int i = 1; i <= pScanPoints[k]; i++) ppFit[k][i] = ppSignal[k][i] - 0.5f;

    const std::string out = Folder("saved");
    Script script;
    script.expectMessageBox("save data with wavelenth/speed information in filename", IDNO)
        .expectSaveFile("save raw data in new directory", out + "/x.rxx");
    Command(script, 263);
    script.expectMessageBox("cannot save fit parameters of current model", IDOK)
        .expectSaveFile("save fitted data as", out + "/f0000x.rxx")
        .expectFileCancel("save residuals as")
        .expectFileCancel("save some fit parameters as");
    Command(script, 203);
    EXPECT_EQ(script.pending(), 0u);

    // the fit files: the raw model (the inverse transform of the one shown)
    for (int k = 1; k <= 3; k++) {
        ScanHeader h{};
        int n = 0;
        float *r = nullptr, *y = nullptr, *t = nullptr;
        const std::string path = out + "/f0000" + std::to_string(k) + ".FI1";
        ASSERT_EQ(readScanFile(path.c_str(), &h, &n, &r, &y, &t, nullptr, 0.0f), 1) << path;
        // the points inside the fit limits
        const int first = pFitFirstIndex[k];
        ASSERT_EQ(n, pFitLastIndex[k] - first + 1);
        for (int i = 1; i <= n; i++) {
            const float fShown = shown[k - 1][static_cast<size_t>(first + i - 2)] - 0.5f;
            ASSERT_NEAR(y[i], nonlinearDetectionInverse(fShown, 2.0, 10.0), 1e-5f * fShown) << k << " " << i;
        }
        free_vector(r, 1, n);
        free_vector(y, 1, n);
        free_vector(t, 1, n);
    }

    LoadFiles({out + "/A00001.FI1", out + "/A00002.FI1", out + "/A00003.FI1"});
    ASSERT_EQ(nScans, 3);
    ASSERT_TRUE(bTransformedDataShown);
    for (int k = 1; k <= 3; k++)
        for (int i = 1; i <= pScanPoints[k]; i++) {
            ASSERT_EQ(ppRawSignal[k][i], raw[k - 1][i - 1]) << k << " " << i;
            ASSERT_EQ(ppSignal[k][i], shown[k - 1][i - 1]) << k << " " << i;
        }
    // Delete Point writes the scan without the point beside it: raw as well
    ASSERT_TRUE(deleteScanPoint(1, 5));
    ScanHeader h{};
    int n = 0;
    float *r = nullptr, *y = nullptr, *t = nullptr;
    ASSERT_EQ(readScanFile((out + "/A00001_mod.FI1").c_str(), &h, &n, &r, &y, &t, nullptr, 0.0f), 1);
    ASSERT_EQ(n, static_cast<int>(raw[0].size()) - 1);
    for (int i = 1; i <= n; i++) ASSERT_EQ(y[i], raw[0][static_cast<size_t>(i < 5 ? i - 1 : i)]) << i;
    free_vector(r, 1, n);
    free_vector(y, 1, n);
    free_vector(t, 1, n);
}

TEST_F(FluorescenceCommandsTest, OneOptionAtATime)
{
    bFluorescenceData = 1;
    // drift in percent per hour, photophysics with the limiting level in percent
    {
        Script script;
        script.expectMessageBox("use linear temporal magnification drift?", IDYES)
            .expectInput("(df/dt) [%/h]", "2")
            .expectMessageBox("fit temporal magnification drift?", IDYES)
            .expectMessageBox("use exponential photophysics model?", IDYES)
            .expectInput("rate [per h]", "0.5")
            .expectInput("limiting signal level [%]", "80")
            .expectMessageBox("fit limiting signal level?", IDNO)
            .expectMessageBox("fit photophysical rate?", IDYES);
        Command(script, 910);
    }
    EXPECT_FLOAT_EQ(fFloDrift, 0.02f);
    EXPECT_TRUE(bFloDrift && bFloDriftFloat && bFloBleaching && bFloKBleachFloat && bFloMagnificationDrift);
    EXPECT_FALSE(bFloAlimFloat);
    EXPECT_FLOAT_EQ(fFloAlim, 0.8f);
    EXPECT_TRUE(Checked(910));
    // the group is cleared first: only the drift this time
    {
        Script script;
        script.expectMessageBox("use linear temporal magnification drift?", IDNO)
            .expectMessageBox("use exponential photophysics model?", IDNO);
        Command(script, 909);
    }
    EXPECT_FALSE(bFloDrift || bFloDriftFloat || bFloBleaching || bFloKBleachFloat || bFloMagnificationDrift);
    EXPECT_FALSE(Checked(910));

    // Johnston-Ogston: D in units of 1e-7, ks entered as ks and offered as
    // ks = 10^(the stored log); a ks of 0 or less stores -8 (no logarithm of it)
    const char* szKs[] = {"0.001", "0", "-3"};
    const float fLog[] = {-3.0f, -8.0f, -8.0f};
    const char* szOffered[] = {"\"3.162278e-03\"", "\"1.000000e-03\"", "\"1.000000e-08\""};
    fJOKs = -2.5f;
    for (int n = 0; n < 3; n++) {
        Script script;
        script.expectMessageBox("account for Johnston Ogston anomaly", IDYES)
            .expectInput("s-value of depletion (S)", "4")
            .expectMessageBox("fit s-value?", IDNO)
            .expectInput("D-value of depletion (F)", "5")
            .expectMessageBox("fit D-value?", IDYES)
            .expectInput("amplitude of depletion (S)", "0.3")
            .expectMessageBox("fit amplitude?", IDNO)
            .expectInput("ks-value", szKs[n])
            .expectMessageBox("fit ks-value?", IDYES);
        Command(script, 925);
        EXPECT_EQ(fJOKs, fLog[n]) << szKs[n];
        EXPECT_TRUE(transcriptShows(script, std::string("\"ks-value\" ") + szOffered[n])) << szOffered[n];
    }
    EXPECT_FLOAT_EQ(fJOD, 5e-7f);
    EXPECT_EQ(fJOs, 4.0f);
    EXPECT_TRUE(bJohnstonOgston && bFitJODValue && bFitJOKs);
    {
        Script script;
        script.expectMessageBox("account for Johnston Ogston anomaly", IDNO);
        Command(script, 925);
    }
    EXPECT_FALSE(bJohnstonOgston || bFitJODValue);
    EXPECT_TRUE(bFitJOKs);  // switched off, the ks fit flag stays

    // for data that are not fluorescence data each tool asks first; No
    // switches it off with its fit flag
    bFluorescenceData = 0;
    bFloConvolution = bFloConvolutionFloat = 1;
    {
        Script script;
        script.expectMessageBox("this is intended for fluorescence data - proceed anyway?", IDNO);
        Command(script, 912);
    }
    EXPECT_FALSE(bFloConvolution || bFloConvolutionFloat);
    {
        Script script;
        script.expectMessageBox("this is intended for fluorescence data - proceed anyway?", IDYES)
            .expectMessageBox("use radial convolution?", IDYES)
            .expectInput("characteristic width (cm)", "0.02")
            .expectMessageBox("fit characteristic convolution width?", IDNO)
            .expectInput("consider dist factor", "3");
        Command(script, 911);
    }
    EXPECT_TRUE(bFloConvolution && Checked(912));
    EXPECT_EQ(fConvolutionDistFactor, 3.0f);
}

TEST_F(FluorescenceCommandsTest, TheDialogTakesAndChecksItsNumbers)
{
    LoadThree(Folder("run"));
    fFloDrift = 0.02f;
    fJOKs = -3.0f;
    fJOD = 5e-7f;
    bFloBleaching = 1;
    fFloKBleach = 0.0f;

    // the drift shows as 2.0000 and comes back as 0.02; the depletion D in
    // units of 1e-7 cm^2/s, 5.0000 back as 5e-7; a zero rate shown as 0.000
    // passes; a ks of 0 stores -8
    Dialog(DialogAnswer().set(412, "0.00000"));
    EXPECT_STREQ(window->floToolBoxTransfer.szDriftPercent, "2.0000");
    EXPECT_STREQ(window->floToolBoxTransfer.szJODe7, "5.0000");
    EXPECT_STREQ(window->floToolBoxTransfer.szKBleach, "0.000");
    // untouched, the convolution's Gaussian reaches 2 standard deviations
    EXPECT_STREQ(window->floToolBoxTransfer.szConvolutionDistFactor, "2.0000");
    EXPECT_FLOAT_EQ(fFloDrift, 0.02f);
    EXPECT_FLOAT_EQ(fJOD, 5e-7f);
    EXPECT_EQ(fJOKs, -8.0f);
    // photophysics on, neither of its boxes checked: nothing of it is fitted
    EXPECT_TRUE(bFloBleaching && bFloMagnificationDrift);
    EXPECT_FALSE(bFloAlimFloat || bFloKBleachFloat);
    Dialog(DialogAnswer().set(412, "0.00100").set(413, "6.5000"));
    EXPECT_EQ(fJOKs, -3.0f);
    EXPECT_FLOAT_EQ(fJOD, 6.5e-7f);
    // the limiting level's box checked with photophysics switched off: the
    // fit flag of a part switched off is cleared
    Dialog(DialogAnswer().check(835, false).check(449));
    EXPECT_FALSE(bFloBleaching || bFloAlimFloat);
    // the excitation shadow switched on and off in the dialog: the check mark
    // of its menu item, "Excitation Shadow at Bottom" (914), follows, and the
    // "FloTools" item of the menu bar (915) never carries one
    Dialog(DialogAnswer().check(623));
    EXPECT_TRUE(bFloExcitationCone && Checked(914));
    EXPECT_FALSE(Checked(915));
    Dialog(DialogAnswer().check(623, false));
    EXPECT_FALSE(bFloExcitationCone || Checked(914));

    // letters, or a negative number where none may stand, keep the dialog
    // open with "Invalid Entry"; Cancel then changes nothing
    {
        Script script;
        script.expectDialog("916", DialogAnswer().set(617, "abc").set(614, "-5"))
            .expectMessageBox("Input Error", IDOK)
            .expectDialog("916", DialogAnswer().set(617, "0.02").set(834, "-1"))
            .expectMessageBox("Input Error", IDOK)
            .expectDialog("916", DialogAnswer().set(834, "1").cancel());
        Command(script, 915);
        EXPECT_TRUE(transcriptShows(script, "MessageBeep MB_ICONASTERISK"));
        EXPECT_TRUE(transcriptShows(script, "MessageBox \"Input Error\" \"Invalid Entry\""));
    }
    EXPECT_FLOAT_EQ(fFloDrift, 0.02f);
    EXPECT_EQ(fFloConvolution, 0.0f);

    // switching nonlinear detection on takes none of the dialog's numbers
    Dialog(DialogAnswer().check(626).set(618, "2.0000").set(627, "10.0000").check(640));
    EXPECT_TRUE(bNonlinearDetection && Checked(908));
    EXPECT_EQ(fFloNonlinCoeff, 1.0f);
    EXPECT_EQ(ppSignal[1][1], 14.0f);
    // a second OK with the new numbers transforms
    Dialog(DialogAnswer().set(618, "2.0000").set(627, "10.0000").check(640));
    EXPECT_EQ(fFloNonlinCoeff, 2.0f);
    EXPECT_EQ(ppSignal[1][1], 26.0f);
    // only the baseline changed: transformed again with it
    Dialog(DialogAnswer().set(627, "12.0000"));
    EXPECT_EQ(ppSignal[1][1], 16.0f);
    EXPECT_EQ(ppRawSignal[1][1], 14.0f);
    EXPECT_EQ(dAppliedDetectionBaseline, 12.0);
    // the baseline may be negative: b + (14 - b)^2 = -2 + 16^2
    Dialog(DialogAnswer().set(627, "-2.0000"));
    EXPECT_EQ(fDetectionBaseline, -2.0f);
    EXPECT_EQ(ppSignal[1][1], 254.0f);
    Dialog(DialogAnswer().set(627, "12.0000"));
    // only the exponent changed: 12 + (14 - 12)^3
    Dialog(DialogAnswer().set(618, "3.0000"));
    EXPECT_EQ(ppSignal[1][1], 20.0f);
    EXPECT_EQ(dAppliedDetectionPower, 3.0);
    // switched off in the dialog: the raw values come back first
    Dialog(DialogAnswer().check(626, false));
    EXPECT_FALSE(bNonlinearDetection || bShowTransformedData || Checked(908));
    EXPECT_EQ(ppSignal[1][1], 14.0f);
}
