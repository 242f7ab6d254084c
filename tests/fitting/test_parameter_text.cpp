// The fitted-parameter text and the wizard's rules, on scans made in memory:
// golden lines, the marks of floated values, the line shown only sometimes,
// the goodness of fit and the exact thresholds of the advice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "distributions/regularization.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/conti_fit_fixture.h"
#include "fitting/fit_globals.h"
#include "fitting/parameter_text.h"
#include "models/model_globals.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"
#include "scandata/tool_plots.h"
#include "tools/fluorescence/fluorescence_options.h"

using namespace win;

namespace {

class ParameterTextTest : public DataMenuTest {
protected:
    // nScans scans of n points, all inside the fit limits, data 0 and fit
    // -d, +d alternating (so the rmsd is |d|), the first in time order first.
    void InstallResiduals(int nScanCount, int n, float d)
    {
        std::vector<scantest::MemoryScan> scans(nScanCount);
        for (int k = 0; k < nScanCount; k++) {
            for (int i = 0; i < n; i++) scans[k].r.push_back(6.1f + 0.01f * i), scans[k].s.push_back(0.0f);
            scans[k].time = 100.0 * (k + 1);
        }
        scantest::installScans(scans);
        for (int k = 1; k <= nScans; k++) {
            pFitFirstIndex[k] = 1;
            pFitLastIndex[k] = n;
            for (int i = 1; i <= n; i++) ppFit[k][i] = (i % 2 ? -d : d);
        }
        fMeniscus = 6.0f;
        fBottom = 7.2f;
        bModelComputed = 1;  // the fits are those of a model
    }
    // The "Help Wizard" boxes shown since the script began.
    static std::vector<std::string> Advice(const headless::Script& script)
    {
        std::vector<std::string> v;
        for (const std::string& l : script.lines())
            if (l.find("\"Help Wizard\"") != std::string::npos) v.push_back(l);
        return v;
    }
};

}  // namespace

TEST_F(ParameterTextTest, LinesOfTheText)
{
    // without scans: the file line only
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[0], "no data loaded");
    EXPECT_STREQ(szModelParamLines[1], "");
    EXPECT_STREQ(szModelParamLines[2], "");

    InstallResiduals(3, 20, 0.01f);
    fFitLeftLim = 6.1f;
    fFitRightLim = 6.29f;
    pParamValue[13] = 6.0f;
    pParamValue[14] = 7.2f;
    nFitSteps = 2;
    nStepSimCount = 7;
    bProgressTick = 0;
    calcRmsd();
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[0], "fitting files scan1.IP1 to scan3.IP1");
    // The scanner's speed and radial resolution are named exactly when the
    // model simulates them, that is for absorbance data only (the scan
    // recording sweeps the scanner only with absorbance and time resolution
    // on): each ticked setting alone names only itself, and neither is named
    // for other optics, whatever is ticked.
    const unsigned char bAbsorbanceBefore = bAbsorbanceData;
    fScanVelocity = 2.43f;
    fConvolutionRange = 0.008f;
    struct FileLineCase {
        unsigned char bAbsorbance, bTime, bRadial;
        const char* szTail;
    };
    const FileLineCase fileLineCases[] = {
        {1, 0, 0, ""},
        {1, 1, 0, ", with scanner speed 2.430 cm/min "},
        {1, 0, 1, ", with scanner radial res = 0.0080 cm"},
        {1, 1, 1, ", with scanner speed 2.430 cm/min and radial res = 0.0080 cm"},
        {0, 1, 0, ""},
        {0, 0, 1, ""},
        {0, 1, 1, ""},
    };
    for (const FileLineCase& c : fileLineCases) {
        bAbsorbanceData = c.bAbsorbance;
        bSimTimeResolution = c.bTime;
        bSimRadialResolution = c.bRadial;
        buildModelParameterLines(szModelParamLines, false);
        EXPECT_EQ(std::string(szModelParamLines[0]), std::string("fitting files scan1.IP1 to scan3.IP1") + c.szTail)
            << "absorbance " << int(c.bAbsorbance) << ", time resolution " << int(c.bTime) << ", radial resolution "
            << int(c.bRadial);
    }
    bAbsorbanceData = bAbsorbanceBefore;
    bSimTimeResolution = bSimRadialResolution = 0;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[1], "s2, step #7     ");
    EXPECT_STREQ(szModelParamLines[2], "rmsd=0.010000 (n=60,SSR=0.006000)");
    EXPECT_STREQ(szModelParamLines[6], "Meniscus = 6.000000  ");
    EXPECT_STREQ(szModelParamLines[8], "fitting 6.1000 - 6.2900");
    // the baseline is slot 15 (docs/models.md); the slot after it holds another number
    pParamValue[15] = 0.0125f;
    pParamValue[16] = 3.5f;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[9], "Baseline = 0.012500  ");
    EXPECT_EQ(std::string(szModelParamLines[11]).rfind("Runs test Z (#stddev) = ", 0), 0u);
    // the tick alternates the trailing blank
    bProgressTick = 1;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[1], "s2, step #7      ");
    bProgressTick = 0;

    // c(s): regularization and frictional ratio
    bModelContinuous = bModelCS = 1;
    fConfidenceLevel = 0.95f;
    fFrictionalRatio = 1.33f;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[3], "ME regularization P = 0.95");
    EXPECT_STREQ(szModelParamLines[4], "frict ratio = 1.330000        ");
    bRegBothShown = 1;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[3], "ME(black) and TP(blue) regularization P = 0.95");
    // with both regularizations shown a prior is named by its file alone,
    // after the last separator of either kind
    bUsePriorProbabilities = 1;
    for (const char* szPath : {"/data/run7/prior.dat", "C:\\data\\run7\\prior.dat"}) {
        std::snprintf(szPriorFileName, sizeof szPriorFileName, "%s", szPath);
        buildModelParameterLines(szModelParamLines, false);
        EXPECT_STREQ(szModelParamLines[3],
                     "ME(black) and TP(blue) regularization P = 0.95, with prior probability prior.dat");
    }
    bUsePriorProbabilities = 0;
    bRegBothShown = 0;
    // each c(s) model with one discrete species names it after the model line
    fDiscreteCompS = 6.5f;
    fDiscreteCompM = 150.0f;
    for (unsigned char* pb : {&bModelCSOneDiscreteM, &bModelCSBimodalFf0OneDiscrete}) {
        *pb = 1;
        buildModelParameterLines(szModelParamLines, false);
        const std::string line = szModelParamLines[4], tail = " - [s1 = 6.500, M1 = 150.000]";
        EXPECT_TRUE(line.size() > tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
            << line;
        *pb = 0;
    }
    // both bimodal f/f0 models state their second ratio and the s range it
    // holds in, the one with a discrete species as well
    fBimodalSMin = 2.0f;
    fBimodalSMax = 5.5f;
    fBimodalFf0Second = 2.25f;
    for (unsigned char* pb : {&bModelCSBimodalFf0, &bModelCSBimodalFf0OneDiscrete}) {
        *pb = 1;
        buildModelParameterLines(szModelParamLines, false);
        EXPECT_EQ(std::string(szModelParamLines[4])
                      .rfind("frict ratio = 1.330000, except when s is within [2.00,5.50]: ff0 = 2.250000", 0),
                  0u)
            << szModelParamLines[4];
        *pb = 0;
    }
    bModelContinuous = bModelCS = 0;

    // hindered sedimentation of one species: ks and kd at its loading are
    // "max", also when the loading is 100 mg/ml
    bModelNonidealSingle = bModelHindered = 1;
    dSignalPerMgMl = 1.0;
    pParamValue[9] = 100.0f;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_NE(std::strstr(szModelParamLines[4], ", ks(max)="), nullptr) << szModelParamLines[4];
    EXPECT_NE(std::strstr(szModelParamLines[4], ", kd(max)="), nullptr) << szModelParamLines[4];
    // sticky spheres: the second virial coefficient of Baxter's adhesive
    // spheres relative to hard spheres, B2/B2(HS) = 1 - 1/(4 t), computed here
    // in double (0 at t = 1/4, negative below)
    bStickySpheres = 1;
    pParamValue[10] = 6.55f;
    for (float t : {0.125f, 0.25f, 0.5f, 2.0f}) {
        pParamValue[11] = t;
        buildModelParameterLines(szModelParamLines, false);
        char szWant[120];
        std::snprintf(szWant, sizeof szWant, "sticky hard sphere vol.corr. 6.550, Baxter t=%.3f (red.B2=%.3f), ", t,
                      1.0 - 1.0 / (4.0 * t));
        EXPECT_EQ(std::string(szModelParamLines[4]).rfind(szWant, 0), 0u) << szModelParamLines[4];
    }
    bStickySpheres = 0;
    bModelNonidealSingle = bModelHindered = 0;

    // marks of the floated corrections
    bFloExcitationCone = 1;
    fFloExcitationCone = 0.05f;
    bFloExcitationConeFloat = 1;
    bJohnstonOgston = 1;
    // the depletion's D in units of 1e-7 cm^2/s, as it is entered (docs/tools.md)
    fJOD = 4.25e-7f;
    bFitJODValue = 1;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_NE(std::strstr(szModelParamLines[13], " - excit. cone = 0.0500 (floating)"), nullptr);
    EXPECT_NE(std::strstr(szModelParamLines[13], " - JO-s = 3.0000 (fix) - JO-D = 4.2500 (float)"), nullptr)
        << szModelParamLines[13];
    bFitJODValue = 0;
    bFloExcitationConeFloat = 0;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_NE(std::strstr(szModelParamLines[13], " - excit. cone = 0.0500 (fix)"), nullptr);
    buildModelParameterLines(szModelParamPrintLines, true);
    EXPECT_NE(std::strstr(szModelParamPrintLines[13], " - excit. cone 0.0500 (fix)"), nullptr);
    bFloExcitationCone = bJohnstonOgston = 0;

    // the line at y = 210: a floating start time or the non-ideal multiple model
    EXPECT_FALSE(modelParamExtraLineShown());
    bFitT0 = 1;
    pParamValue[24] = 12.5f;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_TRUE(modelParamExtraLineShown());
    EXPECT_STREQ(szModelParamLines[10], "t0 for simulation is at 12.500000 sec");
    bFitT0 = 0;
    bModelNonidealMultiple = 1;
    EXPECT_TRUE(modelParamExtraLineShown());

    // the non-ideal multiple species: the first species' D, s and loading
    // are vector slots 1, 5 and 9 (docs/models.md), the second and third
    // their own values, shown while loaded; the neighbouring slots of
    // species 2 hold other numbers
    bUseMolarMass = 0;
    pParamValue[1] = 6.5f;
    pParamValue[2] = 1.5f;
    pParamValue[5] = 4.25f;
    pParamValue[6] = 9.75f;
    pParamValue[9] = 0.8f;
    pParamValue[10] = 0.3f;
    fNonidealD2 = 3.25f;
    fNonidealS2 = 7.5f;
    fNonidealConc2 = 0.2f;
    fNonidealConc3 = 0.0f;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[3], "D*10e7 = D1 = 6.500 | D2 = 3.250");
    EXPECT_STREQ(szModelParamLines[4], "s1 = 4.250 | s2 = 7.500");
    EXPECT_STREQ(szModelParamLines[5], "c1 = 0.800 | c2 = 0.200");
    fNonidealConc2 = 0.0f;
    bModelNonidealMultiple = 0;
}

// The change of the signal with time shows the parts switched on, each with
// its own mark: the linear drift in % per hour, the photophysics with its
// rate per hour and its limiting level in %.
TEST_F(ParameterTextTest, TheSignalChangeWithTimeShowsThePartsSwitchedOn)
{
    InstallResiduals(2, 10, 0.01f);
    fFloDrift = 0.025f;
    fFloKBleach = 0.5f;
    fFloAlim = 0.8f;
    bFloDriftFloat = 1;
    bFloKBleachFloat = 0;
    bFloAlimFloat = 1;
    const char* szDrift = " - drift = 2.500 %/h (floating)";
    const char* szBleach = " - kbleach = 0.5000 1/h (fix) - Alim = 80.0000 % (floating)";
    // (drift, photophysics): the magnification change is on with either
    for (int c = 0; c < 4; c++) {
        bFloDrift = (c & 1) ? 1 : 0;
        bFloBleaching = (c & 2) ? 1 : 0;
        bFloMagnificationDrift = (bFloDrift || bFloBleaching) ? 1 : 0;
        for (bool bPrint : {false, true}) {
            char(*lines)[nModelParamLineSize] = bPrint ? szModelParamPrintLines : szModelParamLines;
            buildModelParameterLines(lines, bPrint);
            const std::string line = lines[13];
            EXPECT_EQ(line.find(szDrift) != std::string::npos, bFloDrift == 1) << c << " " << line;
            EXPECT_EQ(line.find(szBleach) != std::string::npos, bFloBleaching == 1) << c << " " << line;
            EXPECT_EQ(line.find("kbleach") != std::string::npos, bFloBleaching == 1) << c << " " << line;
            EXPECT_EQ(line.find("drift") != std::string::npos, bFloDrift == 1) << c << " " << line;
        }
    }
    bFloMagnificationDrift = bFloDrift = bFloBleaching = 0;
}

// The vbar line in its four forms, and the buffer values with the marks of
// those that float (each mark under its own fit flag and parametrisation).
TEST_F(ParameterTextTest, VbarLineAndBufferValues)
{
    auto line = [](int k) {
        buildModelParameterLines(szModelParamLines, false);
        return std::string(szModelParamLines[k]);
    };
    VBAR = 0.73f;
    fGradientVbar = 0.7412f;
    bFitVbarInGradient = 1;  // floats only while the model is on
    EXPECT_EQ(line(12), "vbar = 0.7300 (fix)");
    bInhomogeneousSolvent = 1;
    EXPECT_EQ(line(12), "vbar = 0.7300 (floating)");
    // with a sedimenting co-solute the buoyancy's (apparent) vbar floats
    bSedimentingCosolute = 1;
    EXPECT_EQ(line(12), "vbar = 0.7300 (fix), apparent vbar = 0.7412 (floating)");
    bFitVbarInGradient = 0;
    EXPECT_EQ(line(12), "vbar = 0.7300 (fix), apparent vbar = 0.7412 (fix)");
    // the synthetic boundary of the non-ideal multiple-species model takes
    // the line; the fractions of the loaded species only
    bModelNonidealMultiple = 1;
    EXPECT_EQ(line(12).rfind("vbar = ", 0), 0u);
    bNonidealMultiSwitch = 1;
    fSynthBoundaryPos = 6.35f;
    fOverlayFrac1 = 0.25f;
    fNonidealConc2 = 0.2f;
    fOverlayFrac2 = 0.5f;
    fOverlayFrac3 = 0.75f;
    EXPECT_EQ(line(12), "synthetic boundary at 6.350 cm, overlay conc1 fraction = 0.250 | conc2 fraction = 0.500");
    fNonidealConc3 = 0.1f;
    EXPECT_EQ(line(12), "synthetic boundary at 6.350 cm, overlay conc1 fraction = 0.250 | conc2 fraction = 0.500 | "
                        "conc3 fraction = 0.750");
    bModelNonidealMultiple = 0;

    bBufferMismatch = 1;
    bFitBufferSignal = 0;
    dBufferSignal = 0.05;
    dBufferD = 1.5;
    dBufferS = 0.2;
    dBufferMb = 1200.0;
    EXPECT_EQ(line(13), "buffer: 0.050, D=1.50, s=0.2000, Mb=1200.0");
    // the excess signal on the reference side reads negative; D floats in
    // the D parametrisation, Mb in the M one
    bBufferSignalInReference = 1;
    bFitBufferSignal = bFitBufferD = bFitBufferS = 1;
    EXPECT_EQ(line(13), "buffer: -0.050(fl), D=1.50(fl), s=0.2000(fl), Mb=1200.0");
    bUseMolarMass = 1;
    EXPECT_EQ(line(13), "buffer: -0.050(fl), D=1.50, s=0.2000(fl), Mb=1200.0(fl)");
    // a meniscus mismatch adds its two values; a different reference buffer
    // those and its own three
    bUseMolarMass = 0;
    bFitBufferSignal = bFitBufferD = bFitBufferS = 0;
    bBufferMeniscusMismatch = 1;
    dBufferMeniscusDiff = 0.01;
    dBufferRelConc = 0.9;
    bFitBufferMeniscusDiff = 1;
    EXPECT_EQ(line(13), "buffer: -0.050, D=1.50, s=0.2000, Mb=1200.0, meniscus diff (s-r)=0.0100(fl), conc. ratio "
                        "(s/r)=0.900");
    bBufferMeniscusMismatch = 0;
    bBufferRefDifferent = 1;
    dBufferRefD = 2.5;
    dBufferRefS = 0.3;
    dBufferRefMb = 900.0;
    bFitBufferRelConc = bFitBufferRefD = bFitBufferRefS = 1;
    EXPECT_EQ(line(13), "buffer: -0.050, D=1.50, s=0.2000, Mb=1200.0, meniscus diff (s-r)=0.0100(fl), conc. ratio "
                        "(s/r)=0.900(fl), refD=2.50(fl), refs=0.3000(fl), refMb=900.00");
    // the reference's D and Mb: the mark under their one flag, on D or on Mb
    // as the parametrisation floats it, and on neither while fixed
    const std::string szHead = "buffer: -0.050, D=1.50, s=0.2000, Mb=1200.0, meniscus diff (s-r)=0.0100(fl), conc. "
                               "ratio (s/r)=0.900(fl), ";
    bUseMolarMass = 1;
    EXPECT_EQ(line(13), szHead + "refD=2.50, refs=0.3000(fl), refMb=900.00(fl)");
    bFitBufferRefD = 0;
    EXPECT_EQ(line(13), szHead + "refD=2.50, refs=0.3000(fl), refMb=900.00");
    bUseMolarMass = 0;
    EXPECT_EQ(line(13), szHead + "refD=2.50, refs=0.3000(fl), refMb=900.00");
}

TEST_F(ParameterTextTest, NothingBeforeTheFirstPaintAndTheRmsdOfTheFittedScans)
{
    InstallResiduals(4, 10, 0.03f);
    std::strcpy(szModelParamLines[0], "left as it was");
    bWindowPainted = 0;
    window->ShowModelParameters();
    EXPECT_STREQ(szModelParamLines[0], "left as it was");
    bWindowPainted = 1;
    window->ShowModelParameters();
    EXPECT_STREQ(szModelParamLines[0], "fitting files scan1.IP1 to scan4.IP1");

    // the rmsd over the fitted points of the scans that take part
    ppFit[pScanTimeOrder[1]][1] = 10.0f;
    pFitFirstIndex[pScanTimeOrder[1]] = 2;
    EXPECT_FLOAT_EQ(calcRmsd(), 0.03f);
    EXPECT_EQ(fNumFitPoints, 39.0f);
    // the first scan as the initial condition takes no part
    ppFit[pScanTimeOrder[1]][5] = 10.0f;
    bUseInitialData = 1;
    EXPECT_FLOAT_EQ(calcRmsd(), 0.03f);
    EXPECT_EQ(fNumFitPoints, 30.0f);
    bUseInitialData = 0;
    // fit limits that hold no point: an rmsd of 0 over no points, not 0/0
    for (int k = 1; k <= nScans; k++) pFitLastIndex[k] = 0;
    EXPECT_EQ(calcRmsd(), 0.0f);
    EXPECT_EQ(fRmsd, 0.0f);
    EXPECT_EQ(fNumFitPoints, 0.0f);
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_STREQ(szModelParamLines[2], "rmsd=0.000000 (n=0,SSR=0.000000)");
}

// The progress of an optimiser is written at x = 10 into the rows of the
// parameter text (y = 10, 30, ...); the painted text takes the same places,
// so that a line shorter than the progress text before it leaves nothing of
// that text behind in its row.
TEST_F(ParameterTextTest, ThePaintedLinesLeaveNothingOfALongerTextInTheirRows)
{
    InstallResiduals(2, 20, 0.01f);
    bWindowPainted = 1;
    const std::string szLong(70, 'W');
    for (int k = 0; k < nModelParamLines; k++) writeToolText(window.get(), 10, 10 + 20 * k, szLong.c_str());
    window->ShowModelParameters();
    ASSERT_FALSE(modelParamExtraLineShown());
    HDC dc = window->GetDC();
    SIZE whole{0, 0};
    ASSERT_TRUE(GetTextExtentPoint32(dc, szLong.c_str(), static_cast<int>(szLong.size()), &whole));
    int nRows = 0;
    for (int k = 0; k < nModelParamLines; k++) {
        if (k == 10) continue;  // the line shown only sometimes
        SIZE line{0, 0};
        ASSERT_TRUE(GetTextExtentPoint32(dc, szModelParamLines[k], static_cast<int>(std::strlen(szModelParamLines[k])),
                                         &line));
        ASSERT_LT(line.cx + 20, whole.cx) << k << " " << szModelParamLines[k];
        int nInk = 0;
        for (int y = 10 + 20 * k; y < 10 + 20 * k + whole.cy; y++)
            for (int x = 10 + line.cx + 2; x < 10 + whole.cx; x++)
                if (GetPixel(dc, x, y) != RGB(255, 255, 255)) nInk++;
        EXPECT_EQ(nInk, 0) << "row " << k << ": " << szModelParamLines[k];
        ++nRows;
    }
    window->ReleaseDC(dc);
    EXPECT_EQ(nRows, 13);
    // the long text was there to be covered: the extra row keeps it
    dc = window->GetDC();
    int nInk = 0;
    for (int x = 10 + whole.cx / 2; x < 10 + whole.cx; x++)
        if (GetPixel(dc, x, 210 + whole.cy / 2) != RGB(255, 255, 255)) nInk++;
    window->ReleaseDC(dc);
    EXPECT_GT(nInk, 0);
}

// Constant residuals of 0.01 over ten million points and past 2^24: the rmsd
// is 0.01 and the count the number of points. (Summed and counted in single
// precision it came out 4.3 % off at 1e7 points, and 7.6 % off at 1.7e7,
// where the count had stopped at 16777216.)
TEST_F(ParameterTextTest, TheRmsdOfManyPointsSumsInDoubleAndCountsExactly)
{
    InstallResiduals(17, 4, 0.0f);
    // every scan reads one row of a million points, lent for the test
    const int nPoints = 1000000;
    std::vector<float> signal(nPoints + 1, 0.0f), fit(nPoints + 1, 0.01f);
    std::vector<float*> savedSignal(ppSignal, ppSignal + nScans + 1), savedFit(ppFit, ppFit + nScans + 1);
    std::vector<int> savedPoints(pScanPoints, pScanPoints + nScans + 1);
    std::vector<int> savedLast(pFitLastIndex, pFitLastIndex + nScans + 1);
    for (int k = 1; k <= nScans; k++) {
        ppSignal[k] = signal.data();
        ppFit[k] = fit.data();
        pScanPoints[k] = nPoints;
        pFitFirstIndex[k] = 1;
        pFitLastIndex[k] = k <= 10 ? nPoints : 0;  // ten scans take part
    }
    EXPECT_FLOAT_EQ(calcRmsd(), 0.01f);
    EXPECT_EQ(fNumFitPoints, 1e7f);
    for (int k = 11; k <= nScans; k++) pFitLastIndex[k] = nPoints;
    EXPECT_FLOAT_EQ(calcRmsd(), 0.01f);
    EXPECT_EQ(fNumFitPoints, 17e6f);
    std::copy(savedSignal.begin(), savedSignal.end(), ppSignal);
    std::copy(savedFit.begin(), savedFit.end(), ppFit);
    std::copy(savedPoints.begin(), savedPoints.end(), pScanPoints);
    std::copy(savedLast.begin(), savedLast.end(), pFitLastIndex);
}

TEST_F(ParameterTextTest, WizardThresholds)
{
    headless::Script script;
    // a model through every point (all residuals 0): the edge zones are no
    // larger than the rest, nothing to advise
    InstallResiduals(2, 40, 0.0f);
    EXPECT_EQ(calcRmsd(), 0.0f);
    window->FitWizardCheckResiduals();
    EXPECT_TRUE(Advice(script).empty());
    // rmsd exactly 0.02: no advice; just above: the size advice
    InstallResiduals(2, 4, 0.02f);
    EXPECT_FLOAT_EQ(calcRmsd(), 0.02f);
    window->FitWizardCheckResiduals();
    EXPECT_TRUE(Advice(script).empty());
    InstallResiduals(2, 4, 0.0201f);
    script.expectMessageBox("Help Wizard", IDOK);
    window->FitWizardCheckResiduals();
    ASSERT_EQ(Advice(script).size(), 1u);
    EXPECT_NE(Advice(script)[0].find("Residuals seem larger than typically expected"), std::string::npos);
    EXPECT_NE(Advice(script)[0].find("should not exceed 0.1% of the total loading signal"), std::string::npos);
    EXPECT_NE(Advice(script)[0].find("\\n\\n\\n(to switch off wizard messages, use menu Help->Info and Wizard Messages)"),
              std::string::npos);

    // The edge zones of a fitted range of 40 points: k = floor(39 x 0.1) = 3,
    // points 1-4 at the meniscus and 37-40 at the bottom. Residuals d = 0.001
    // everywhere but one point of a: there the zone's rms^2 is (a^2 + 3 d^2) / 4
    // and the rmsd^2 (a^2 + 39 d^2) / 40, so the zone is 1.5 times the rmsd
    // from a = sqrt(231 / 31) d = 2.7298 d on.
    struct Case {
        int nPoint;
        float fA;
        const char* szAdvice;  // or none
    };
    const char* szMeniscusZone = "Residuals close to meniscus are significantly larger than elsewhere.";
    const char* szBottomZone = "Residuals close to bottom are significantly larger than elsewhere.";
    const Case cases[] = {{4, 2.76f, szMeniscusZone}, {4, 2.70f, nullptr},   {37, 2.76f, szBottomZone},
                          {37, 2.70f, nullptr},       {5, 4.0f, nullptr},    {36, 4.0f, nullptr},
                          {1, 2.76f, szMeniscusZone}, {40, 2.76f, szBottomZone}};
    for (const Case& c : cases) {
        InstallResiduals(1, 40, 0.001f);
        ppFit[1][c.nPoint] = c.fA * 0.001f;
        const size_t nBefore = Advice(script).size();
        if (c.szAdvice) script.expectMessageBox("Help Wizard", IDOK);
        window->FitWizardCheckResiduals();
        ASSERT_EQ(Advice(script).size(), nBefore + (c.szAdvice ? 1 : 0)) << c.nPoint << " " << c.fA;
        if (c.szAdvice) {
            EXPECT_NE(Advice(script).back().find(c.szAdvice), std::string::npos) << c.nPoint;
        }
    }

    // a floated meniscus 1e-6 inside its maximum: none; on it: the bound advice
    InstallResiduals(2, 20, 0.001f);
    pParamFloat[13] = 1;
    fMaxMeniscus = 6.0f;
    fMinMeniscus = 5.9f;
    fMeniscus = 6.0f - 1e-6f;
    ASSERT_NE(fMeniscus, fMaxMeniscus);
    const size_t nBefore = Advice(script).size();
    window->FitWizardCheckResiduals();
    EXPECT_EQ(Advice(script).size(), nBefore);
    fMeniscus = fMaxMeniscus;
    script.expectMessageBox("Help Wizard", IDOK);
    window->FitWizardCheckResiduals();
    ASSERT_EQ(Advice(script).size(), nBefore + 1);
    EXPECT_NE(Advice(script).back().find("Meniscus estimate has reached max/min value."), std::string::npos);
    pParamFloat[13] = 0;

    // the ends of a c(s): the first value above the second with 0.5 % of
    // the signal between them is no advice; a rise at smax is
    bModelContinuous = bModelCS = 1;
    allocDistributionVectors(11);
    for (int i = 1; i <= 11; i++) pDistAxisS[i] = static_cast<float>(i - 1), pDistValues[i] = 1.0f;
    // total 10; the first segment holds (c1 + c2) / 2 = 0.05
    pDistValues[1] = 0.09f;
    pDistValues[2] = 0.01f;
    pDistValues[3] = 1.0f;
    window->FitWizardCheckResiduals();
    EXPECT_EQ(Advice(script).size(), nBefore + 1);
    pDistValues[11] = 2.0f;
    script.expectMessageBox("Help Wizard", IDOK);
    window->FitWizardCheckResiduals();
    ASSERT_EQ(Advice(script).size(), nBefore + 2);
    EXPECT_NE(Advice(script).back().find("Distribution value at max value is going up."), std::string::npos);
    // only the last step counts: 3, 1, 2 at the end goes up, 0.5, 2.5, 2 does not
    pDistValues[9] = 3.0f;
    pDistValues[10] = 1.0f;
    script.expectMessageBox("Help Wizard", IDOK);
    window->FitWizardCheckResiduals();
    ASSERT_EQ(Advice(script).size(), nBefore + 3);
    EXPECT_NE(Advice(script).back().find("Distribution value at max value is going up."), std::string::npos);
    pDistValues[9] = 0.5f;
    pDistValues[10] = 2.5f;
    window->FitWizardCheckResiduals();
    EXPECT_EQ(Advice(script).size(), nBefore + 3);
    // a rise at smax speaks from 1 % of the signal from the second point on:
    // with 0.01, 1 (x7), 0.04, 0.10 that signal is 0.505 + 6 + 0.52 + 0.07 =
    // 7.095 by the trapezoids, of which the last segment's 0.07 is 0.99 %;
    // with 0.12 at the end, 0.08 of 7.105 is 1.13 %
    pDistValues[9] = 1.0f;
    pDistValues[10] = 0.04f;
    pDistValues[11] = 0.10f;
    window->FitWizardCheckResiduals();
    EXPECT_EQ(Advice(script).size(), nBefore + 3);
    pDistValues[11] = 0.12f;
    script.expectMessageBox("Help Wizard", IDOK);
    window->FitWizardCheckResiduals();
    ASSERT_EQ(Advice(script).size(), nBefore + 4);
    EXPECT_NE(Advice(script).back().find("Distribution value at max value is going up."), std::string::npos);
    // three grid points have ends of their own: 1, 1, 2 rises at smax, with
    // 1.5 of the signal between the last two
    freeDistributionVectors();
    allocDistributionVectors(3);
    for (int i = 1; i <= 3; i++) pDistAxisS[i] = static_cast<float>(i - 1);
    pDistValues[1] = pDistValues[2] = 1.0f;
    pDistValues[3] = 2.0f;
    script.expectMessageBox("Help Wizard", IDOK);
    window->FitWizardCheckResiduals();
    ASSERT_EQ(Advice(script).size(), nBefore + 5);
    EXPECT_NE(Advice(script).back().find("Distribution value at max value is going up."), std::string::npos);
    EXPECT_EQ(script.pending(), 0u);
}

// A scan without a fit (its fit array absent) takes no part in the edge
// zones, as it takes none in the rmsd: the wizard judges the scans that
// have one.
TEST_F(ParameterTextTest, WizardPassesOverAScanWithoutFit)
{
    headless::Script script;
    InstallResiduals(2, 40, 0.001f);
    ppFit[1][4] = 2.76f * 0.001f;  // the meniscus zone of the first scan 1.5 times the rmsd
    float* pFit2 = ppFit[2];
    ppFit[2] = nullptr;
    EXPECT_FLOAT_EQ(calcRmsd(), 0.001f * std::sqrt((2.76f * 2.76f + 39.0f) / 40.0f));
    EXPECT_EQ(fNumFitPoints, 40.0f);
    script.expectMessageBox("Help Wizard", IDOK);
    window->FitWizardCheckResiduals();
    ppFit[2] = pFit2;
    ASSERT_EQ(Advice(script).size(), 1u);
    EXPECT_NE(Advice(script)[0].find("Residuals close to meniscus are significantly larger than elsewhere."),
              std::string::npos);
    EXPECT_EQ(script.pending(), 0u);
}

// ---------------------------------------------------------------- drawing straight into the window

namespace {

// The client pixels of a rectangle, row by row.
std::vector<COLORREF> pixels(TXLAWindow* w, int x0, int y0, int x1, int y1)
{
    std::vector<COLORREF> v;
    HDC dc = w->GetDC();
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) v.push_back(GetPixel(dc, x, y));
    w->ReleaseDC(dc);
    return v;
}

// The c(s) fit's progress text drawn afresh: the pixels of its line at y.
std::vector<COLORREF> progressLine(TXLAWindow* w, int y)
{
    DisplayBestContiParams(w);
    return pixels(w, 0, y - 2, 1000, y + 20);
}

}  // namespace

// The vbar line of the c(s) fit's progress text (y = 190) names the apparent
// vbar only with a sedimenting co-solute in the inhomogeneous-solvent model,
// as the fitted-parameter text does: the co-solute switch left on while the
// model is off changes nothing there.
TEST_F(ContiFitTest, TheProgressTextShowsTheApparentVbarOnlyWithTheSolventModel)
{
    TXLAWindow* w = exampleProgressText();
    ASSERT_TRUE(bWindowPainted);
    fGradientVbar = 0.7412f;
    auto vbarLinePixels = [&] { return progressLine(w, 190); };
    auto parameterText = [] {
        buildModelParameterLines(szModelParamLines, false);
        std::string text;
        for (int k = 0; k < nModelParamLines; k++) text += std::string(szModelParamLines[k]) + "\n";
        return text;
    };
    bInhomogeneousSolvent = bSedimentingCosolute = 0;
    const std::vector<COLORREF> plain = vbarLinePixels();
    bSedimentingCosolute = 1;
    EXPECT_TRUE(vbarLinePixels() == plain);
    EXPECT_EQ(parameterText().find("apparent"), std::string::npos);
    // with the model on, both texts name it
    bInhomogeneousSolvent = 1;
    EXPECT_FALSE(vbarLinePixels() == plain);
    EXPECT_NE(parameterText().find("apparent vbar = 0.7412"), std::string::npos) << parameterText();
}

// The discrete-species line of the progress text (y = 170) is written only
// for the models that carry a discrete species: not for the hybrid c(s)/ls-g*(s)
// model, which has none of its own (its s and M slots belong to the grid).
TEST_F(ContiFitTest, TheProgressTextNamesADiscreteSpeciesOnlyInTheModelsWithOne)
{
    TXLAWindow* w = exampleProgressText();
    ASSERT_TRUE(bWindowPainted);
    fDiscreteCompS = 12.5f;
    fDiscreteCompM = 150000.0f;
    auto discreteLinePixels = [&] { return progressLine(w, 170); };
    const std::vector<COLORREF> plain = discreteLinePixels();
    bModelHybridCSLsgs = 1;
    EXPECT_TRUE(discreteLinePixels() == plain);
    bModelHybridCSLsgs = 0;
    bModelCSOneDiscreteM = 1;  // the line is where it is looked for
    EXPECT_FALSE(discreteLinePixels() == plain);
    bModelCSOneDiscreteM = 0;
}

// The fourth line of the progress text (y = 130) gives the bottom, or for a
// zone model the lamella thickness in its place: the line is never left blank.
TEST_F(ContiFitTest, TheProgressTextNamesTheLamellaOfAZoneInPlaceOfTheBottom)
{
    TXLAWindow* w = exampleProgressText();
    ASSERT_TRUE(bWindowPainted);
    auto fourthLine = [&] { return progressLine(w, 130); };
    const std::vector<COLORREF> bottom = fourthLine();
    writeToolText(w, 10, 130, "");  // the line as the window shows it without a text
    const std::vector<COLORREF> blank = pixels(w, 0, 128, 1000, 150);
    EXPECT_FALSE(bottom == blank);
    bModelZone = 1;
    const std::vector<COLORREF> lamella = fourthLine();
    bModelZone = 0;
    EXPECT_FALSE(lamella == blank);
    EXPECT_FALSE(lamella == bottom);
}

// The progress text is eight lines, y = 70 to 210 in steps of 20; what the
// window shows below them, here a text at y = 230, stays as it was.
TEST_F(ContiFitTest, TheProgressTextEndsWithItsEighthLine)
{
    TXLAWindow* w = exampleProgressText();
    ASSERT_TRUE(bWindowPainted);
    writeToolText(w, 10, 230, "a text below the progress text");
    const std::vector<COLORREF> below = pixels(w, 0, 228, 1000, 250);
    DisplayBestContiParams(w);
    EXPECT_TRUE(pixels(w, 0, 228, 1000, 250) == below);
    // the eighth line is written: the same text over it does not stay
    writeToolText(w, 10, 210, "a text below the progress text");
    const std::vector<COLORREF> eighth = pixels(w, 0, 208, 1000, 230);
    DisplayBestContiParams(w);
    EXPECT_FALSE(pixels(w, 0, 208, 1000, 230) == eighth);
}

// A text written where a longer one stood leaves no stub of it; the refresh
// of the plots during a fit draws what a paint draws (the residual band's
// tick labels of the old scale stayed under those of the new), and only a
// new best fit is drawn over the one shown; shading an s
// range in the data leaves the parameter text and the markers over the data
// plot (its band covered part of the text).
TEST_F(ContiFitTest, EachRefreshShowsOneCleanState)
{
    exampleCS(false);
    command(213);
    ASSERT_TRUE(bModelComputed);
    TXLAWindow* w = window.get();
    const std::vector<COLORREF> painted = pixels(w, 0, 0, 700, 700);

    const char* szLong = "sim #1234, ML step #56, step #789          ";
    writeToolText(w, 10, 30, szLong);
    writeToolText(w, 10, 30, "s1, step #2");
    HDC dc = w->GetDC();
    SIZE shortText{}, longText{};
    ASSERT_TRUE(GetTextExtentPoint32(dc, "s1, step #2", 11, &shortText));
    ASSERT_TRUE(GetTextExtentPoint32(dc, szLong, static_cast<int>(std::strlen(szLong)), &longText));
    w->ReleaseDC(dc);
    size_t nStub = 0;
    for (COLORREF c : pixels(w, 10 + shortText.cx, 30, 10 + longText.cx, 30 + shortText.cy))
        if (c != RGB(255, 255, 255)) nStub++;
    EXPECT_EQ(nStub, 0u);

    // as during a fit, whose paints wait: a better fit with residuals of
    // another scale, then the same state painted
    w->bFitting = 1;
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) ppFit[k][j] *= 1.05f;
    headless::advanceTime(2 * nPlotUpdateInterval);
    fBestRmsd = fShownBestRmsd = 1.0f;
    fRmsd = 0.5f;
    w->ShowModelParameters();
    const std::vector<COLORREF> refreshed = pixels(w, 0, 0, 700, 700);
    w->bFitting = 0;
    w->Invalidate(true);
    headless::processMessages();
    EXPECT_TRUE(refreshed == pixels(w, 0, 0, 700, 700));
    EXPECT_FALSE(refreshed == painted);  // the refresh showed the new state

    // the plots keep the best fit shown so far: later evaluations of rmsd
    // 0.7 and 0.6 (better than the start, worse than the 0.5 shown) leave
    // them as they are, and the best shown is the least of 1, 0.5, 0.7, 0.6
    w->bFitting = 1;
    const std::vector<COLORREF> shownPlots = pixels(w, 0, 300, 700, 700);
    std::vector<std::vector<float>> shownFit(nScans + 1);
    for (int k = 1; k <= nScans; k++) shownFit[k].assign(ppFit[k], ppFit[k] + pScanPoints[k] + 1);
    for (float fWorse : {0.7f, 0.6f}) {
        for (int k = 1; k <= nScans; k++)
            for (int j = 1; j <= pScanPoints[k]; j++) ppFit[k][j] *= 1.05f;
        headless::advanceTime(2 * nPlotUpdateInterval);
        fRmsd = fWorse;
        w->ShowModelParameters();
        EXPECT_TRUE(shownPlots == pixels(w, 0, 300, 700, 700)) << fWorse;
    }
    EXPECT_EQ(fShownBestRmsd, std::min({1.0f, 0.5f, 0.7f, 0.6f}));
    w->bFitting = 0;
    for (int k = 1; k <= nScans; k++) std::copy(shownFit[k].begin(), shownFit[k].end(), ppFit[k]);

    // the shading of an s range in the data, its text and markers kept
    const std::vector<COLORREF> before = pixels(w, 0, 0, 700, 280);
    std::vector<int> nFirst(nScans + 1), nLast(nScans + 1);
    w->DrawShadedDistribution(3.0f, 5.0f, nFirst.data(), nLast.data(), nullptr);
    const std::vector<COLORREF> shaded = pixels(w, 0, 0, 700, 280);
    size_t nRed = 0, nChanged = 0;
    for (size_t i = 0; i < shaded.size(); i++) {
        if (shaded[i] != before[i]) nChanged++;
        if (shaded[i] == RGB(255, 0, 0) && before[i] != RGB(255, 0, 0)) nRed++;
    }
    EXPECT_GT(nRed, 0u);  // the shading is there
    EXPECT_EQ(nChanged, nRed);  // and nothing else changed
}

// The cumulants' polydispersity is the second cumulant over the square of the
// first: mu1 = 2, mu2 = 0.4 give 0.100.
TEST_F(ParameterTextTest, TheCumulantsShowTheirPolydispersity)
{
    InstallResiduals(2, 10, 0.01f);
    bModelDiscreteSpecies = bModelDlsCumulants = 1;
    pSpeciesMw[1] = 2.0f;
    pSpeciesMw[2] = 0.4f;
    buildModelParameterLines(szModelParamLines, false);
    EXPECT_NE(std::strstr(szModelParamLines[4], "mu2/(mu1^2) (polydispersity) = 0.100"), nullptr)
        << szModelParamLines[4];
}
