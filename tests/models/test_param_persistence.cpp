// The saved analysis: round trips of whole models through the parameter
// file, files of older versions, unsafe entries, the offer after a load, and
// the fit-parameter report as a file and on the clipboard.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fitting/fit_globals.h"
#include "model_window_fixture.h"
#include "models/lamm_settings.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "models/model_selection.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"
#include "scandata/wiener_settings.h"
#include "tools/fluorescence/fluorescence_options.h"

using namespace win;

namespace {

std::string formatted(const char* szFormat, double x)
{
    char sz[64];
    std::snprintf(sz, sizeof sz, szFormat, x);
    return sz;
}

// The saved file with every entry a reload sets moved to another value of its
// kind (flags swapped, the sign of the buffer signal turned, whole numbers
// and other values moved), so that reading the original back must set each
// of them again. The model codes and flags and the buffer switch stay.
std::vector<std::string> moved(const std::vector<std::string>& lines)
{
    static const std::set<int> kept = {0, 67, 68, 69, 70, 71, 72, 82, 83, 84, 95, 122, 123, 124, 125, 128, 213, 214};
    // sizes and steps that only a value above 0 replaces
    static const std::set<int> positive = {43, 62, 63, 64, 65, 87, 92, 93, 94, 200, 211};
    std::vector<std::string> out = lines;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        if (kept.count(i)) continue;
        double v = std::stod(lines[i]);
        if (i == 98)
            v = -v;
        else if (i >= 39 && i <= 42)
            v += i == 40 || i == 41 ? 0.01 : -0.01;  // geometry and fit limits stay inside the data
        else if ((v == 0 || v == 1) && !positive.count(i))
            v = 1 - v;
        else if (v == std::floor(v))
            v += 3;
        else
            v += 0.5;
        out[i] = formatted("%f", v);
    }
    return out;
}

// Every model flag, in one list.
std::vector<unsigned char> modelFlags()
{
    std::vector<unsigned char> v;
    for (unsigned char b :
         {bModelDiscreteSpecies, bModelInteracting, bModelContinuous, bModelCS, bModelZone, bModelZoneCS,
          bModelZoneLsgs, bModelMonomerDimer, bModelMonomerTrimer, bModelSelfAssoc148, bModelSelfAssoc124,
          bModelHeteroAssociation, bModelNonidealSingle, bModelHindered, bModelNonidealMultiple, bEquilibriumDiscrete,
          bModelLsgs, bModelCSOneDiscreteM, bModelCSOneDiscreteD, bModelCSFf0, bModelCSFf0OneDiscrete,
          bModelCSScalingLaw, bModelFMScalingLaw, bModelNonidealCS, bModelHinderedCS, bModelCSFlotation,
          bModelCSInvariantD, bModelCSLinearRods, bModelCMbInvariantD, bModelDlsStokesRadii, bModelDlsCumulants,
          bGeometryLinear, bElectrophoresis})
        v.push_back(b);
    return v;
}

class SavedAnalysisTest : public ModelWindowTest {
protected:
    void SetUp() override
    {
        ModelWindowTest::SetUp();
        LoadScans(writeBoundaryScans(scratch, 6));
        remembered = szScanExtra;
    }
    // The parameter file beside the scans (the loaders' name).
    std::string remembered;

    std::vector<std::string> Save(const std::string& path, int bIntermediate = 0)
    {
        szScanExtra = path;
        TmpSaveBestParams(window.get(), bIntermediate);
        szScanExtra = remembered;
        return readLines(path);
    }
    bool Reload(const std::string& path)
    {
        const bool b = window->ReloadParameters(path.c_str());
        headless::processMessages();
        return b;
    }
    void Write(const std::string& path, const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& l : lines) text += l + "\n";
        writeText(path, text);
    }
    // The check marks of the Model menu.
    std::vector<bool> ModelChecks()
    {
        int n = 0;
        const unsigned* p = modelMenuItems(&n);
        std::vector<bool> v;
        for (int i = 0; i < n; ++i) v.push_back(menuChecked(p[i]));
        return v;
    }
    // Saves the model, reads back a file with every entry moved, then the
    // saved one, and saves again: both saves agree line by line, and the
    // model flags and the Model menu are those of the start.
    void ExpectRoundTrip()
    {
        const std::vector<unsigned char> flags = modelFlags();
        const std::vector<bool> checks = ModelChecks();
        const std::vector<std::string> a = Save(scratch + "a.RA1");
        ASSERT_EQ(a.size(), 215u);
        Write(scratch + "p.RA1", moved(a));
        ASSERT_TRUE(Reload(scratch + "p.RA1"));
        ASSERT_TRUE(Reload(scratch + "a.RA1"));
        const std::vector<std::string> b = Save(scratch + "b.RA1");
        ASSERT_EQ(b.size(), 215u);
        for (int i = 1; i < 215; ++i) EXPECT_EQ(b[i], a[i]) << "entry " << i;
        EXPECT_EQ(modelFlags(), flags);
        EXPECT_EQ(ModelChecks(), checks);
        EXPECT_EQ(menuChecked(217), bUseMolarMass != 0);
        EXPECT_EQ(menuChecked(552), bBufferMismatch != 0);
        EXPECT_EQ(menuChecked(294), bRegSecondDerivative != 0);
        EXPECT_EQ(menuChecked(295), bRegMaxEnt != 0);
    }
    void Species(int k, float fConc, int nConc, float fMw, int nMw, float fS, int nS)
    {
        pSpeciesIncluded[k] = 1;
        pSpeciesConc[k] = fConc;
        pSpeciesConcFloat[k] = nConc;
        pSpeciesMw[k] = fMw;
        pSpeciesMwFloat[k] = nMw;
        pSpeciesS[k] = fS;
        pSpeciesSFloat[k] = nS;
    }
};

}  // namespace

// Discrete species with the buffer mismatch, the fluorescence options and a
// floated baseline. The baseline, solved linearly as every floated baseline
// of a discrete model is, is saved with its flag 1 at entry 38 (the meniscus,
// 5.99, follows at 39) and is floated again after the reload.
TEST_F(SavedAnalysisTest, DiscreteSpeciesWithBufferMismatchAndFluorescenceComeBack)
{
    command(198);
    Species(1, 0.6f, 1, 6.1f, 1, 4.3f, 1);
    Species(2, 0.3f, 1, 3.2f, 0, 9.5f, 1);
    Species(4, 0.1f, 0, 86.5f, 0, 0.21f, 0);
    fMeniscus = 5.99f;
    bFitMeniscus = 1;
    fBottom = 7.2f;
    fFitLeftLim = 6.02f;
    fFitRightLim = 7.1f;
    fStartTime = 12.5f;
    bFitT0 = 1;
    bBufferMismatch = 1;
    bFitBufferSignal = 1;
    dBufferSignal = 30.25;
    bBufferSignalInSample = 0;
    bBufferSignalInReference = 1;
    dBufferSignalSign = -1.0;
    bBufferMeniscusMismatch = 1;
    dBufferMeniscusDiff = 0.0125;
    bFloRadialMagnification = bFloRadialMagFactorFloat = 1;
    fFloRadialMagFactor = 1.125f;
    bNonlinearDetection = 1;
    fFloNonlinCoeff = 1.25f;
    fDetectionBaseline = 0.05f;
    bFloBleaching = bFloKBleachFloat = bFloAlimFloat = 1;
    fFloKBleach = 0.375f;
    fFloAlim = 0.875f;
    bFloDrift = bFloDriftFloat = bFloMagnificationDrift = 1;
    fFloDrift = 0.0625f;
    bFloConvolution = bFloConvolutionFloat = 1;
    fFloConvolution = 0.015625f;
    bFloExcitationCone = 1;
    fFloExcitationCone = 0.25f;
    bJohnstonOgston = bFitJODValue = 1;
    fJOD = 4.25e-7f;
    fJOKs = -2.5f;
    bFitBaseline = 1;
    fixUpModelDefaults();
    globalsToParamVector();
    ASSERT_TRUE(bAlgebraicConcentrations);
    ASSERT_TRUE(bAlgebraicBaseline);
    const std::vector<std::string> a = Save(scratch + "a.RA1");
    EXPECT_EQ(a[38], "1.000000");
    EXPECT_EQ(a[39], "5.990000");
    // loadings solved linearly are saved as floated; the buffer row is not
    // one of the species whose loading is solved with them
    EXPECT_EQ(a[3], "1.000000");
    EXPECT_EQ(a[12], "1.000000");
    EXPECT_EQ(a[72], "0.000000");
    EXPECT_EQ(a[98], "-1.000000");
    EXPECT_EQ(a[184], "4.250000");

    // the reference meniscus is marked in XOR over the data plot
    RECT rc = window->GetClientRect();
    const int x = static_cast<int>(std::lround(pDataPlot->MapX(5.99f - 0.0125f) * (rc.right - rc.left) / 1400.0));
    const int y = (nPlotTop + nPlotBottom) / 2 * (rc.bottom - rc.top) / 1000;
    HDC dc = window->GetDC();
    const COLORREF before = GetPixel(dc, x, y);
    window->ReleaseDC(dc);
    bAlgebraicBaseline = 0;
    globalsToParamVector();
    ASSERT_TRUE(window->ReloadParameters((scratch + "a.RA1").c_str()));
    EXPECT_TRUE(bAlgebraicBaseline);
    dc = window->GetDC();
    EXPECT_NE(GetPixel(dc, x, y), before);
    window->ReleaseDC(dc);
    headless::processMessages();

    ExpectRoundTrip();
    EXPECT_TRUE(bModelDiscreteSpecies);
    EXPECT_TRUE(menuChecked(198));
    EXPECT_TRUE(bAlgebraicConcentrations);
    EXPECT_EQ(pSpeciesIncluded[2], 1);
    EXPECT_FLOAT_EQ(pSpeciesS[2], 9.5f);
    EXPECT_FLOAT_EQ(fFloKBleach, 0.375f);
    EXPECT_FLOAT_EQ(fJOD, 4.25e-7f);
    EXPECT_EQ(dBufferSignalSign, -1.0);
    EXPECT_TRUE(bSedimentationTimeOffset);
    EXPECT_TRUE(bAlgebraicBaseline);
    // the fluorescence items show the fit flags of the options
    for (unsigned n : {907u, 908u, 910u, 912u}) EXPECT_TRUE(menuChecked(n)) << n;
    EXPECT_FALSE(menuChecked(914));
}

TEST_F(SavedAnalysisTest, CsWithALogarithmicGridComesBack)
{
    command(275);
    ASSERT_TRUE(bModelCS && bModelContinuous);
    pParamValue[1] = 0.5f;
    pParamValue[5] = 25.0f;
    pParamValue[9] = 80.0f;
    pParamFloat[4] = 1;        // logarithmic grid
    pParamValue[11] = 1.35f;   // f/f0, floated
    pParamFloat[11] = 1;
    pParamFloat[13] = 1;
    paramVectorToGlobals();
    command(295);
    ASSERT_TRUE(bLogSGrid);
    ExpectRoundTrip();
    EXPECT_TRUE(bLogSGrid);
    EXPECT_EQ(pParamFloat[4], 1);
    EXPECT_FLOAT_EQ(fSMin, 0.5f);
    EXPECT_FLOAT_EQ(fSMax, 25.0f);
    EXPECT_EQ(fSGridResolution, 80.0f);
    EXPECT_FLOAT_EQ(fFrictionalRatio, 1.35f);
    EXPECT_EQ(nFitFrictionalRatio, 1);
    EXPECT_TRUE(menuChecked(275));
    EXPECT_TRUE(bRegMaxEnt && menuChecked(295));
    EXPECT_EQ(nGridPoints, nContinuousGridSize);

    // A file that holds entry 199 takes the spacing from it over the
    // vector's flag (species 4's M flag, entry 32), also when the file ends
    // there; a shorter one takes the vector's flag.
    std::vector<std::string> a = Save(scratch + "a.RA1");
    ASSERT_EQ(a[32], "1.000000");
    ASSERT_EQ(a[199], "1.000000");
    a[32] = "0.000000";
    for (std::size_t nSize : {a.size(), std::size_t{200}}) {
        Write(scratch + "log.RA1", std::vector<std::string>(a.begin(), a.begin() + nSize));
        command(198);
        ASSERT_TRUE(Reload(scratch + "log.RA1"));
        EXPECT_TRUE(bModelCS && bLogSGrid) << nSize;
        EXPECT_EQ(pParamFloat[4], 1) << nSize;
    }
    a[32] = "1.000000";
    a[199] = "0.000000";
    Write(scratch + "log.RA1", std::vector<std::string>(a.begin(), a.begin() + 199));
    command(198);
    ASSERT_TRUE(Reload(scratch + "log.RA1"));
    EXPECT_TRUE(bModelCS && bLogSGrid);
    EXPECT_EQ(pParamFloat[4], 1);

    // After the reload of a model outside the family (whose species 4 floats
    // its M), c(s) takes the logarithmic grid at the first OK of its dialog.
    command(198);
    Species(4, 0.5f, 1, 50000.0f, 1, 4.0f, 1);
    globalsToParamVector();
    bLogSGrid = 0;
    Save(scratch + "d.RA1");
    ASSERT_TRUE(Reload(scratch + "d.RA1"));
    command(275);
    pParamValue[1] = 0.5f;
    headless::Script script;
    script.expectDialog("320", headless::DialogAnswer().check(424));
    command(212);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(bLogSGrid);
    EXPECT_EQ(pParamFloat[4], 1);
}

// The regularization method is saved by its code at entry 213 (1 maximum
// entropy, 2 second derivative, 3 weighted third derivative, 4 both shown)
// and a reload sets it again, over the method chosen since the save, with
// its menu item alone checked.
TEST_F(SavedAnalysisTest, TheRegularizationComesBackByItsCode)
{
    command(275);
    ASSERT_TRUE(bModelCS);
    struct Method {
        unsigned nCommand;
        const unsigned char* pb;
        const char* szCode;
    };
    const Method methods[] = {{295, &bRegMaxEnt, "1.000000"},
                              {294, &bRegSecondDerivative, "2.000000"},
                              {1118, &bRegWeightedThirdDerivative, "3.000000"},
                              {642, &bRegBothShown, "4.000000"}};
    for (int i = 0; i < 4; ++i) {
        const Method& m = methods[i];
        command(m.nCommand);
        const std::vector<std::string> a = Save(scratch + "reg.RA1");
        ASSERT_EQ(a.size(), 215u);
        EXPECT_EQ(a[213], m.szCode) << m.nCommand;
        command(methods[(i + 1) % 4].nCommand);
        ASSERT_TRUE(Reload(scratch + "reg.RA1"));
        EXPECT_TRUE(bModelCS) << m.nCommand;
        for (const Method& o : methods) {
            EXPECT_EQ(*o.pb != 0, &o == &m) << m.nCommand << " " << o.nCommand;
            EXPECT_EQ(menuChecked(o.nCommand), &o == &m) << m.nCommand << " " << o.nCommand;
        }
    }
}

// The scaling laws are saved by their codes at entry 72 (5 for c(s), 6 for
// f(M)) and come back through their own commands, with Ks and bs.
TEST_F(SavedAnalysisTest, ScalingLawsComeBackByTheirCodes)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    const struct {
        unsigned nId;
        unsigned char* pFlag;
        const char* szCode;
    } models[] = {{872, &bModelCSScalingLaw, "5.000000"}, {887, &bModelFMScalingLaw, "6.000000"}};
    for (const auto& m : models) {
        command(m.nId);
        ASSERT_TRUE(*m.pFlag) << m.nId;
        pParamValue[11] = 0.0125f;  // Ks
        pParamValue[18] = 0.55f;    // bs
        paramVectorToGlobals();
        const std::vector<std::string> a = Save(scratch + "k.RA1");
        EXPECT_EQ(a[72], m.szCode);
        command(198);
        fScalingKs = fScalingBs = 0.0f;
        ASSERT_TRUE(Reload(scratch + "k.RA1"));
        EXPECT_TRUE(*m.pFlag && bModelContinuous) << m.nId;
        EXPECT_TRUE(menuChecked(m.nId));
        EXPECT_FLOAT_EQ(fScalingKs, 0.0125f);
        EXPECT_FLOAT_EQ(fScalingBs, 0.55f);
        ExpectRoundTrip();
    }

    // The f(M) law fixes bs and clears the flag it came with, species 3's
    // extra one (entry 27; entry 36 is species 4's). A c(s) analysis with
    // both flags set is reloaded, and 887 chosen from it, then c(s) with the
    // scaling law, which takes bs with the flag species 3's extra value
    // holds: cleared by 887, bs stays out of the fit's parameters (here the
    // only one) in both.
    command(275);
    std::vector<std::string> a = Save(scratch + "c.RA1");
    a[27] = a[36] = "1.000000";
    Write(scratch + "x.RA1", a);
    for (const std::vector<unsigned>& path : {std::vector<unsigned>{887}, {887, 872}}) {
        command(198);
        ASSERT_TRUE(Reload(scratch + "x.RA1"));
        ASSERT_TRUE(bModelCS);
        for (unsigned nId : path) {
            command(nId);
            EXPECT_EQ(pParamFloat[18], 0) << path.size() << " " << nId;
            EXPECT_EQ(getContiParameters(0, nullptr), 0) << path.size() << " " << nId;
        }
    }
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

// ls-g*(s) and flotation c(s) are saved by their codes at entry 72 (8 and 9)
// and come back through their own commands, not as each other.
TEST_F(SavedAnalysisTest, LsgAndFlotationComeBackByTheirCodes)
{
    headless::setPolicy(headless::Policy::DefaultAnswers);  // the notes of the way
    const struct {
        unsigned nId;
        unsigned char* pFlag;
        unsigned char* pOther;
        const char* szCode;
    } models[] = {{288, &bModelLsgs, &bModelCSFlotation, "8.000000"}, {1117, &bModelCSFlotation, &bModelLsgs, "9.000000"}};
    for (const auto& m : models) {
        command(m.nId);
        ASSERT_TRUE(*m.pFlag) << m.nId;
        const std::vector<std::string> a = Save(scratch + "g.RA1");
        EXPECT_EQ(a[72], m.szCode);
        command(198);
        ASSERT_TRUE(Reload(scratch + "g.RA1"));
        EXPECT_TRUE(*m.pFlag && bModelContinuous) << m.nId;
        EXPECT_FALSE(*m.pOther) << m.nId;
        EXPECT_TRUE(menuChecked(m.nId));
    }
    headless::setPolicy(headless::Policy::FailOnUnexpected);
}

TEST_F(SavedAnalysisTest, HinderedCsComesBackThroughItsCommandWithMAndS)
{
    bStickySpheres = 1;
    command(1100);
    ASSERT_TRUE(bModelNonidealCS && bModelHinderedCS);
    pParamValue[20] = 2.75f;   // ks
    pParamValue[21] = 0.625f;  // kd, floated (sticky spheres)
    pParamFloat[21] = 1;
    pParamValue[1] = 1.0f;
    pParamValue[5] = 12.0f;
    paramVectorToGlobals();
    ASSERT_EQ(fNonidealKs, 2.75f);
    ASSERT_EQ(fModelConst21, 0.625f);
    const std::vector<std::string> a = Save(scratch + "h.RA1");
    EXPECT_EQ(a[72], "7001.000000");
    // another model between
    command(198);
    fNonidealKs = fNonidealKd = 0.0f;
    ASSERT_TRUE(Reload(scratch + "h.RA1"));
    EXPECT_TRUE(bModelNonidealCS && bModelHinderedCS && bModelContinuous);
    EXPECT_TRUE(bUseMolarMass);
    EXPECT_TRUE(menuChecked(1100) && menuChecked(217));
    EXPECT_FALSE(menuChecked(198));
    EXPECT_FLOAT_EQ(fNonidealKs, 2.75f);
    EXPECT_FLOAT_EQ(fNonidealKd, 0.625f);
    EXPECT_EQ(nFitNonidealKd, 1);
    EXPECT_FLOAT_EQ(fSMax, 12.0f);
    ExpectRoundTrip();

    // a file that ends with kd (entries 0-189; those from 81 on are each
    // optional) still gives kd to the vector's slot 21
    std::vector<std::string> cut = a;
    cut.resize(190);
    Write(scratch + "cut.RA1", cut);
    command(198);
    fNonidealKs = fNonidealKd = fModelConst20 = fModelConst21 = 0.0f;
    ASSERT_TRUE(Reload(scratch + "cut.RA1"));
    ASSERT_TRUE(bModelNonidealCS);
    EXPECT_FLOAT_EQ(fNonidealKd, 0.625f);
    EXPECT_FLOAT_EQ(fModelConst21, 0.625f);
    EXPECT_FLOAT_EQ(pParamValue[21], 0.625f);
}

// The non-ideal single species is saved by its code at entry 71 (1, 1001 when
// hindered) and comes back from it, with its Model-menu item. Its ks and kd
// stand in slots 10 and 11 of the vector, and entries 187-190 of the file
// hold them with their fit flags: kd floated and ks fixed in the one model,
// the other way round in the other, with the flag of slot 12 (species 4's
// loading, no part of this model) set opposite to kd's each time.
TEST_F(SavedAnalysisTest, NonidealSingleSpeciesComesBackByItsCode)
{
    const struct {
        unsigned nId;
        const char* szCode;
        int nFitKs, nFitKd;
    } models[] = {{227, "1.000000", 0, 1}, {1099, "1001.000000", 1, 0}};
    for (const auto& m : models) {
        command(m.nId);
        ASSERT_TRUE(bModelNonidealSingle) << m.nId;
        pParamValue[10] = 0.75f;  // ks
        pParamValue[11] = -1.5f;  // kd
        pParamFloat[10] = m.nFitKs;
        pParamFloat[11] = m.nFitKd;
        pParamFloat[12] = 1 - m.nFitKd;
        const std::vector<std::string> a = Save(scratch + "n.RA1");
        EXPECT_EQ(a[71], m.szCode);
        EXPECT_EQ(a[187], "0.750000") << m.nId;
        EXPECT_EQ(a[188], m.nFitKs ? "1.000000" : "0.000000") << m.nId;
        EXPECT_EQ(a[189], "-1.500000") << m.nId;
        EXPECT_EQ(a[190], m.nFitKd ? "1.000000" : "0.000000") << m.nId;
        command(198);
        ASSERT_TRUE(Reload(scratch + "n.RA1"));
        EXPECT_TRUE(bModelNonidealSingle && bModelInteracting) << m.nId;
        EXPECT_EQ(bModelHindered != 0, m.nId == 1099);
        EXPECT_TRUE(menuChecked(m.nId));
        EXPECT_FALSE(menuChecked(198));
        ExpectRoundTrip();
    }
}

TEST_F(SavedAnalysisTest, SelfAssociation148ComesBackByItsFlag)
{
    if (!bUseMolarMass) command(217);
    fSAMonomerMorD = 52000.0f;
    nFitSAMonomerMorD = 1;
    fSALog10Ka = 4.5f;
    fSALog10Ka2 = 5.25f;
    nFitSALog10Ka2 = 1;
    fSAMonomerS = 3.5f;
    fSAOligomerS = 9.0f;
    fSAOligomerS2 = 13.5f;
    fSATotalConc = 0.7f;
    command(520);
    ASSERT_TRUE(bModelSelfAssoc148 && bUseMolarMass);
    paramVectorToGlobals();
    ExpectRoundTrip();
    EXPECT_TRUE(bModelSelfAssoc148 && bModelInteracting);
    EXPECT_FLOAT_EQ(fSAMonomerMorD, 52000.0f);
    EXPECT_FLOAT_EQ(pParamValue[2], 4 * 52000.0f);
    EXPECT_FLOAT_EQ(pParamValue[12], 8 * 52000.0f);
    EXPECT_FLOAT_EQ(fSALog10Ka2, 5.25f);
    EXPECT_EQ(nFitSALog10Ka2, 1);
    EXPECT_FLOAT_EQ(fSAOligomerS2, 13.5f);
}

TEST_F(SavedAnalysisTest, OlderAndShorterFiles)
{
    command(198);
    Species(1, 0.8f, 0, 6.1f, 0, 4.3f, 1);
    globalsToParamVector();
    bCSOption2 = bStickySpheres = bCSOption5 = 1;
    bCSOption1 = bFlotationOption1 = bFlotationOption2 = 0;
    bFloBleaching = bFloKBleachFloat = 1;
    fFloKBleach = 0.5f;
    bFloDrift = 1;
    fFloDrift = 0.25f;
    fFloConvolution = 0.02f;
    bLogSGrid = 1;
    const std::vector<std::string> a = Save(scratch + "a.RA1");

    // 98 values: nothing at all
    Write(scratch + "v98.RA1", std::vector<std::string>(a.begin(), a.begin() + 98));
    pSpeciesS[1] = pParamValue[5] = 5.0f;
    fMeniscus = pParamValue[13] = 6.1f;
    {
        headless::Script script;
        EXPECT_FALSE(Reload(scratch + "v98.RA1"));
        EXPECT_TRUE(script.lines().empty());
    }
    EXPECT_EQ(pSpeciesS[1], 5.0f);
    EXPECT_EQ(fMeniscus, 6.1f);
    EXPECT_TRUE(bModelDiscreteSpecies && bFloBleaching && bCSOption2);

    // 99 values: applied; from entry 99 on the flags take their defaults
    // and the values stay, the drift of a file without it is 0, and the
    // bleaching rate, which such a file does not hold, stays as it is
    Write(scratch + "v99.RA1", std::vector<std::string>(a.begin(), a.begin() + 99));
    ASSERT_TRUE(Reload(scratch + "v99.RA1"));
    EXPECT_FLOAT_EQ(pSpeciesS[1], 4.3f);
    EXPECT_TRUE(bCSOption1 && bFlotationOption1 && bFlotationOption2);
    EXPECT_FALSE(bCSOption2 || bStickySpheres || bCSOption5 || bLogSGrid);
    EXPECT_FALSE(bFloBleaching || bFloKBleachFloat || bFloDrift || bFloMagnificationDrift || bCheckRotorAcceleration);
    EXPECT_EQ(fFloDrift, 0.0f);
    EXPECT_EQ(fFloKBleach, 0.5f);
    EXPECT_EQ(fFloConvolution, 0.02f);

    // a file that holds the rate but not the drift: the rate in its old
    // units, converted once
    Write(scratch + "v170.RA1", std::vector<std::string>(a.begin(), a.begin() + 170));
    fFloKBleach = 9.0f;
    ASSERT_TRUE(Reload(scratch + "v170.RA1"));
    EXPECT_FLOAT_EQ(fFloKBleach, 0.005f);
    ASSERT_TRUE(Reload(scratch + "v170.RA1"));
    EXPECT_FLOAT_EQ(fFloKBleach, 0.005f);
    // a file that ends with the drift (entries 0 to 177) holds both: its
    // rate is in the present units and stays as saved
    Write(scratch + "v178.RA1", std::vector<std::string>(a.begin(), a.begin() + 178));
    ASSERT_TRUE(Reload(scratch + "v178.RA1"));
    EXPECT_FLOAT_EQ(fFloKBleach, 0.5f);
    EXPECT_FLOAT_EQ(fFloDrift, 0.25f);
    fFloKBleach = 9.0f;
    ASSERT_TRUE(Reload(scratch + "a.RA1"));
    EXPECT_FLOAT_EQ(fFloKBleach, 0.5f);
    EXPECT_FLOAT_EQ(fFloDrift, 0.25f);
}

TEST_F(SavedAnalysisTest, TheRotorSettingDecidesTheScanTimes)
{
    command(198);
    ASSERT_TRUE(bRampRotorSpeed);
    std::vector<std::string> a = Save(scratch + "a.RA1");
    std::vector<double> recorded;
    // (the header is a packed record: its fields are read by value)
    auto timeOf = [](int i) -> double { return pScanHeaders[i].time; };
    for (int i = 1; i <= nScans; ++i) recorded.push_back(timeOf(i));
    // a scan without a rotor speed keeps its time
    pScanHeaders[3].rpm = 0.0f;
    pScanHeaders[3].omega2t = 123.0;
    a[81] = "0.000000";
    Write(scratch + "w2t.RA1", a);
    ASSERT_TRUE(Reload(scratch + "w2t.RA1"));
    EXPECT_TRUE(bTimesFromW2t);
    EXPECT_FALSE(bRampRotorSpeed);
    for (int i = 1; i <= nScans; ++i) {
        if (i == 3) {
            EXPECT_EQ(timeOf(i), recorded[i - 1]);
            continue;
        }
        const double w = pScanHeaders[i].rpm * kRpmToOmega;
        const double w2t = pScanHeaders[i].omega2t;
        EXPECT_DOUBLE_EQ(timeOf(i), w2t / (w * w)) << i;
    }
    // the ramp: the recorded times again
    for (int i = 1; i <= nScans; ++i) pScanHeaders[i].time += 7.0;
    ASSERT_TRUE(Reload(scratch + "a.RA1"));
    EXPECT_FALSE(bTimesFromW2t);
    EXPECT_TRUE(bRampRotorSpeed);
    for (int i = 1; i <= nScans; ++i) EXPECT_EQ(timeOf(i), recorded[i - 1]);
}

TEST_F(SavedAnalysisTest, AVbar20Of0IsOfferedTheVbar)
{
    command(198);
    VBAR = 0.72f;
    globalsToParamVector();
    fVbarTransform = 0.0f;
    Save(scratch + "a.RA1");
    headless::Script script;
    script.expectMessageBox("VBAR20 is 0.0 ... adjust to VBAR20=VBAR?", IDNO);
    ASSERT_TRUE(Reload(scratch + "a.RA1"));
    EXPECT_EQ(fVbarTransform, 0.0f);
    script.expectMessageBox("reload parameters", IDYES);
    ASSERT_TRUE(Reload(scratch + "a.RA1"));
    EXPECT_EQ(fVbarTransform, 0.72f);
    EXPECT_EQ(script.pending(), 0u);
}

// Grid sizes below 75 points, which the Lamm settings refuse (the least
// size every solver can use), keep the settings; 75 is taken.
TEST_F(SavedAnalysisTest, GridSizesBelowTheLeastKeepTheirSettings)
{
    command(198);
    Species(1, 0.8f, 0, 6.1f, 0, 4.3f, 0);
    globalsToParamVector();
    std::vector<std::string> a = Save(scratch + "a.RA1");
    a[43] = "3.000000";   // grid size
    a[93] = "74.900000";  // upper limit of the dynamic size
    a[94] = "1.000000";   // its lower limit
    Write(scratch + "small.RA1", a);
    ASSERT_TRUE(Reload(scratch + "small.RA1"));
    EXPECT_EQ(nDefaultGridSize, 1000);
    EXPECT_EQ(nGridPoints, 1000);
    EXPECT_EQ(nDynGridUpperLimit, 2000);
    EXPECT_EQ(nDynGridLowerLimit, 75);
    a[43] = a[93] = a[94] = "75.000000";
    Write(scratch + "least.RA1", a);
    ASSERT_TRUE(Reload(scratch + "least.RA1"));
    EXPECT_EQ(nDefaultGridSize, 75);
    EXPECT_EQ(nGridPoints, 75);
    EXPECT_EQ(nDynGridUpperLimit, 75);
    EXPECT_EQ(nDynGridLowerLimit, 75);
}

TEST_F(SavedAnalysisTest, UnsafeEntriesKeepTheirSettingsAndTheRestIsApplied)
{
    command(198);
    Species(1, 0.8f, 0, 6.1f, 0, 4.3f, 0);
    fFitLeftLim = 6.02f;
    globalsToParamVector();
    std::vector<std::string> a = Save(scratch + "a.RA1");
    a[6] = "nan";         // s of species 1
    a[39] = "inf";        // meniscus
    a[40] = "7.150000";   // bottom: applied
    a[43] = "0.000000";   // grid size
    a[65] = "-0.010000";  // tolerance
    a[87] = "0.000000";   // f/f0 resolution
    a[93] = "-5.000000";  // grid limits
    a[94] = "3e9";
    a[162] = "nan";       // a flag
    a[211] = "0.000000";  // flotation points
    a[200] = "-1.000000"; // minimum s of the logarithmic grid
    a[118] = "0.000000";  // scan velocity (the scans would be swept at another)
    Write(scratch + "bad.RA1", a);
    const float fMeniscusBefore = fMeniscus;
    pSpeciesS[1] = pParamValue[5] = 4.0f;
    bFloMagnificationDrift = 0;
    ASSERT_TRUE(Reload(scratch + "bad.RA1"));
    EXPECT_EQ(pSpeciesS[1], 4.0f);
    EXPECT_EQ(fMeniscus, fMeniscusBefore);
    EXPECT_FLOAT_EQ(fBottom, 7.15f);
    EXPECT_EQ(nDefaultGridSize, 1000);
    EXPECT_EQ(nGridPoints, 1000);
    EXPECT_EQ(fTolerance, 0.01f);
    EXPECT_GT(fFf0Resolution, 0.0f);
    EXPECT_EQ(nDynGridUpperLimit, 2000);
    EXPECT_EQ(nDynGridLowerLimit, 75);
    EXPECT_EQ(nFlotationResolution, 50);
    EXPECT_EQ(fLogGridMinS, 10.0f);
    EXPECT_EQ(fScanVelocity, 2.43f);
    EXPECT_FALSE(bFloMagnificationDrift);

    // a continuous model whose grid resolution (entry 2, slot 9) has no
    // point keeps the resolution it had
    command(275);
    pParamValue[9] = 60.0f;
    paramVectorToGlobals();
    std::vector<std::string> c = Save(scratch + "c.RA1");
    c[2] = "0.400000";
    Write(scratch + "c0.RA1", c);
    ASSERT_TRUE(Reload(scratch + "c0.RA1"));
    EXPECT_EQ(fSGridResolution, 60.0f);
    EXPECT_EQ(pParamValue[9], 60.0f);

    // c(s, f/f0) with one discrete species: its s (entry 90) reaches slot
    // 17, which the model reads it from, also when the next entry is unsafe
    fRadialResolution = 0.003f;  // the pre-averaging the model asks for
    bUseMolarMass = 1;
    command(598);
    ASSERT_TRUE(bModelCSFf0OneDiscrete);
    pParamValue[17] = 3.5f;
    paramVectorToGlobals();
    std::vector<std::string> d = Save(scratch + "d.RA1");
    d[90] = "4.200000";
    d[91] = "nan";
    Write(scratch + "d0.RA1", d);
    ASSERT_TRUE(Reload(scratch + "d0.RA1"));
    paramVectorToGlobals();
    EXPECT_EQ(pParamValue[17], 4.2f);
    EXPECT_EQ(fDiscreteCompS, 4.2f);
}

TEST_F(SavedAnalysisTest, TheOfferAfterALoad)
{
    command(198);
    Species(1, 0.8f, 0, 6.1f, 0, 4.3f, 0);
    globalsToParamVector();
    Save(remembered, 1);  // from inside a fit
    pSpeciesS[1] = pParamValue[5] = 5.5f;
    {
        // No to both questions: nothing changes
        headless::Script script;
        script.expectMessageBox("restore previous data?", IDNO).expectMessageBox("load previous analysis?", IDNO);
        EXPECT_FALSE(window->OfferRestorePreviousAnalysis(1));
        EXPECT_EQ(script.lines()[0], "MessageBox \"\" \"restore previous data?\" MB_YESNO|MB_ICONEXCLAMATION -> IDNO");
        EXPECT_EQ(pSpeciesS[1], 5.5f);
        // Yes to the first restores
        script.expectMessageBox("restore previous data?", IDYES);
        EXPECT_TRUE(window->OfferRestorePreviousAnalysis(1));
        EXPECT_FLOAT_EQ(pSpeciesS[1], 4.3f);
        EXPECT_EQ(script.pending(), 0u);
    }
    Save(remembered);  // after a fit
    pSpeciesS[1] = pParamValue[5] = 5.5f;
    {
        headless::Script script;
        script.expectMessageBox("load previous analysis?", IDNO);
        EXPECT_FALSE(window->OfferRestorePreviousAnalysis(1));
        EXPECT_EQ(pSpeciesS[1], 5.5f);
        script.expectMessageBox("load previous analysis?", IDYES)
            .expectMessageBox("restore parameters from " + remembered + " ?", IDYES);
        EXPECT_TRUE(window->OfferRestorePreviousAnalysis(1));
        EXPECT_FLOAT_EQ(pSpeciesS[1], 4.3f);
        EXPECT_EQ(script.pending(), 0u);
    }
    {
        // silently, and in a serialised fit that keeps its data
        headless::Script script;
        pSpeciesS[1] = pParamValue[5] = 5.5f;
        bSilentModelSwitch = 1;
        EXPECT_TRUE(window->OfferRestorePreviousAnalysis(1));
        EXPECT_FLOAT_EQ(pSpeciesS[1], 4.3f);
        bSilentModelSwitch = 0;
        pSpeciesS[1] = pParamValue[5] = 5.5f;
        bSerialFitRunning = bSerialFitKeepData = 1;
        EXPECT_TRUE(window->OfferRestorePreviousAnalysis(1));
        EXPECT_FLOAT_EQ(pSpeciesS[1], 4.3f);
        for (const std::string& l : script.lines()) EXPECT_EQ(l.rfind("MessageBox", 0), std::string::npos) << l;
    }
    bSerialFitRunning = bSerialFitKeepData = 0;
    // no file, or a short one: no question
    std::remove(remembered.c_str());
    headless::Script script;
    EXPECT_FALSE(window->OfferRestorePreviousAnalysis(1));
    writeText(remembered, "1\n2\n");
    EXPECT_FALSE(window->OfferRestorePreviousAnalysis(1));
    EXPECT_TRUE(script.lines().empty());
}

TEST_F(SavedAnalysisTest, UpdateAndReloadFromTheDataMenu)
{
    // the discrete model is not one Update Saved Fit Parameters saves, nor
    // ls-g*(s) with a discrete species, although it runs on the c(s) flag
    command(198);
    headless::Script script;
    script.expectMessageBox("cannot save fit parameters of current model", IDOK);
    command(827);
    script.expectMessageBox("Switching now to Tikhonov-Phillips", IDOK)
        .expectMessageBox("switching on times from w^2t option", IDOK);
    command(539);
    ASSERT_TRUE(bModelLsgsOneDiscrete && bModelCS);
    script.expectMessageBox("cannot save fit parameters of current model", IDOK);
    command(827);
    EXPECT_EQ(script.pending(), 0u);
    script.expectMessageBox("Switching now to Maximum Entropy", IDOK);
    command(275);
    pParamValue[5] = 17.0f;
    paramVectorToGlobals();
    script.expectMessageBox("save in " + remembered + " ?", IDYES);
    command(827);
    ASSERT_EQ(readLines(remembered).size(), 215u);
    // elsewhere, through the file dialog
    script.expectMessageBox("SAVE PARAMETERS", IDNO).expectSaveFile("export parameter file", scratch + "~other.RA1");
    pParamValue[5] = 18.0f;
    paramVectorToGlobals();
    command(827);
    EXPECT_EQ(std::string(szScanExtra), remembered);
    command(198);
    script.expectMessageBox("restore parameters from " + remembered + " ?", IDYES);
    command(1098);
    EXPECT_TRUE(bModelCS && menuChecked(275));
    EXPECT_FLOAT_EQ(fSMax, 17.0f);
    script.expectMessageBox("LOAD PARAMETERS", IDNO).expectOpenFile("export parameter file", {scratch + "~other.RA1"});
    command(1098);
    EXPECT_FLOAT_EQ(fSMax, 18.0f);
    script.expectMessageBox("LOAD PARAMETERS", IDNO)
        .expectFileCancel("export parameter file")
        .expectMessageBox("sorry could not retrieve fit parameters file", IDOK);
    command(1098);
    EXPECT_EQ(script.pending(), 0u);
    // a dropped parameter file is offered, then the parameter dialog
    command(198);
    script.dropFiles({scratch + "~other.RA1"})
        .expectMessageBox("switch to parameter file " + scratch + "~other.RA1?", IDYES)
        .expectDialog("", headless::DialogAnswer().cancel());
    headless::processMessages();
    EXPECT_TRUE(bModelCS);
    EXPECT_FLOAT_EQ(fSMax, 18.0f);
    EXPECT_EQ(script.pending(), 0u);
}

// ---------------------------------------------------------------- the report

namespace {

class ReportTest : public SavedAnalysisTest {
protected:
    // Two included species of four, D and s, the baseline fixed.
    void TwoSpecies()
    {
        command(198);
        bUseMolarMass = 0;
        Species(1, 0.8f, 0, 6.1f, 1, 4.3f, 0);
        Species(2, 0.25f, 0, 2.5f, 0, 9.75f, 1);
        pSpeciesIncluded[3] = pSpeciesIncluded[4] = 0;
        fMeniscus = 5.98f;
        bFitMeniscus = 1;
        fBottom = 7.2f;
        bFitBottom = 0;
        fBaseline = 0.02f;
        bFitBaseline = 0;
        bAlgebraicBaseline = 0;
        bFitTINoise = 0;
        fFitLeftLim = 6.05f;
        fFitRightLim = 7.1f;
        fStartTime = 0.0f;
        bFitT0 = 0;
        fRmsd = 0.004f;
        fNumFitPoints = 1234.0f;
        globalsToParamVector();
    }
    const std::string species =
        "\n\ncomponent 1 included:\nD\t=\t6.100 *10^-7 cm^2/sec\t(floated)\ns\t=\t4.300 S\t\t\t(fixed)\n"
        "\n\ncomponent 2 included:\nD\t=\t2.500 *10^-7 cm^2/sec\t(fixed)\ns\t=\t9.750 S\t\t\t(floated)\n";
    const std::string rest =
        "\n\nconcentrations = 0.800 | 0.250 | (first is total, next are fractions)"
        "\n\nmeniscus at \t5.9800 cm\t\t(floated)\n"
        "bottom at \t7.2000 cm\t\t(fixed)\n\n"
        "baseline at \t0.02000 OD\t\t(fixed)\n"
        "\nfitted from 6.0500 to 7.1000 cm\n"
        "with constant initial distribution"
        "\nsimulation start time 0.000000 sec\t\t(fixed)\n"
        "\nrmsd=0.004000 (n=1234,SSR=0.019744)\n";
};

}  // namespace

TEST_F(ReportTest, TheFileListsTheIncludedSpecies)
{
    TwoSpecies();
    const std::string path = scratch + "fitparams.RA1";
    writeFitParameterReport(window.get(), path.c_str());
    EXPECT_EQ(readText(path), species + rest);

    // an existing file: No keeps it
    headless::Script script;
    script.expectMessageBox("file " + path + " already exists!\nOverwrite?", IDNO)
        .expectMessageBox("parameters not saved", IDOK);
    writeText(path, "kept");
    writeFitParameterReport(window.get(), path.c_str());
    EXPECT_EQ(readText(path), "kept");
    EXPECT_EQ(script.lines()[0], "MessageBox \"ERROR\" " + headless::quote("file " + path + " already exists!\nOverwrite?") +
                                     " MB_YESNO -> IDNO");
    // Yes overwrites; M and s, the time-invariant noise and the
    // experimental initial distribution
    script.expectMessageBox("ERROR", IDYES);
    bUseMolarMass = 1;
    pSpeciesMw[1] = 63333.0f;
    pSpeciesMw[2] = 0.0f;
    bFitTINoise = 1;
    bExperimentalInitialDistribution = 1;
    fStartTime = 25.0f;
    bFitT0 = 1;
    globalsToParamVector();
    writeFitParameterReport(window.get(), path.c_str());
    const std::string text = readText(path);
    EXPECT_NE(text.find("M\t=\t63333.000000 g/Mol\t(floated)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("M\t=\t0.000000 g/Mol\t(fixed)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("baseline at \t0.02000 OD\t\t(fixed)\n\t\t(time independently fitted)\nfitted from"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("with experimental initial distribution\nsimulation start time 25.000000 sec\t\t(floated)\n"),
              std::string::npos)
        << text;
    // a file that cannot be made
    const std::string bad = scratch + "no/such/folder/fitparams.RA1";
    script.expectMessageBox("could not open " + bad, IDOK);
    writeFitParameterReport(window.get(), bad.c_str());
    EXPECT_EQ(script.pending(), 0u);
    // a full disk is said, not taken for a saved report
    if (std::filesystem::exists("/dev/full")) {
        script.expectMessageBox("file /dev/full already exists!", IDYES)
            .expectMessageBox("could not write /dev/full", IDOK);
        writeFitParameterReport(window.get(), "/dev/full");
        EXPECT_EQ(script.pending(), 0u);
    }
}

TEST_F(ReportTest, TheClipboardTextHasItsOwnWording)
{
    TwoSpecies();
    headless::Script script;
    command(204);
    const std::string clip =
        "\n\ncomponent 1 included:\nD\t=\t6.100 *10^-7 cm^2/sec\t(floated)\ns\t=\t4.300 S\t\t\t(fixed)"
        "\n\ncomponent 2 included:\nD\t=\t2.500 *10^-7 cm^2/sec\t(fixed)\ns\t=\t9.750 S\t\t\t(floated)"
        "\n\nconcentrations = 0.800 | 0.250 | (first is total, next are fractions)"
        "\n\nmeniscus at \t5.9800 cm\t\t(floated)\n"
        "bottom at \t7.2000 cm\t\t(fixed)\n\n"
        "baseline at \t0.02000 OD\t\t(fitxed)\n"
        "\nfitted from 6.0500 to 7.1000 cm\n"
        "with constant initial distribution"
        "\nsimulation start time 0.000000 sec\t\t(fixed)\n"
        "\nrmsd=0.004000 (n=1234,SSR=0.019744)\n";
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_EQ(script.lines()[0], "Clipboard CF_TEXT " + headless::quote(clip));
    // the time-invariant noise, and a baseline solved linearly
    bFitTINoise = 1;
    bAlgebraicBaseline = 1;
    command(204);
    const std::string part = headless::quote("baseline at \t0.02000 OD\t\t(floated)\n\t\ttime independent baseline "
                                             "fitted\n\nfitted from");
    EXPECT_NE(script.lines().back().find(part.substr(1, part.size() - 2)), std::string::npos) << script.lines().back();
}

// The file is the one the full system reads and writes: each setting stands
// at its entry of the table in docs/models.md. Every plain value gets a value
// of its own (its entry number and a quarter); the flags are written eight
// times, each time set to one bit of their entry number, so that a flag at
// another entry shows in one of the eight.
TEST_F(SavedAnalysisTest, EachSettingStandsAtItsEntry)
{
    command(198);
    struct Flag {
        int n;
        unsigned char* p;
    };
    const Flag flags[] = {
        {45, &bFitMeniscus}, {47, &bFitBottom}, {55, &bExperimentalInitialDistribution}, {56, &bLoadingOption3},
        {57, &bFitFirstScanScale}, {59, &bUseMolarMass}, {60, &bMovingHat}, {61, &bClaverie},
        {66, &bFixedTimestep}, {67, &bModelDiscreteSpecies}, {68, &bModelMonomerDimer}, {69, &bModelMonomerTrimer},
        {70, &bModelSelfAssoc124}, {75, &bFitTINoise}, {77, &bAutoSGrid}, {78, &bFitT0}, {80, &bFitRINoise},
        {82, &bModelSelfAssoc148}, {83, &bEquilibriumDiscrete}, {91, &bAutoDynamicGridSize}, {95, &bBufferMismatch},
        {96, &bBufferSignalInSample}, {97, &bBufferSignalInReference},
        {99, &bBufferMismatchSubtracted}, {104, &bBufferMeniscusMismatch}, {107, &bBufferRefDifferent},
        {111, &bFitBufferD}, {112, &bFitBufferS}, {113, &bFitBufferSignal}, {114, &bFitBufferMeniscusDiff},
        {115, &bFitBufferRelConc}, {116, &bFitBufferRefD}, {117, &bFitBufferRefS}, {120, &bSimTimeResolution},
        {121, &bSimRadialResolution}, {122, &bModelZone}, {123, &bModelZoneLsgs}, {124, &bModelZoneCS},
        {125, &bInvertBand}, {128, &bModelNonidealMultiple}, {129, &bNonidealMultiSwitch},
        {153, &bFloRadialMagFactorFloat}, {155, &bFloRadialMagnification}, {156, &bNonlinearDetection},
        {159, &bFitDetectionPower}, {160, &bFloKBleachFloat}, {162, &bFloMagnificationDrift},
        {163, &bFloConvolutionFloat}, {165, &bFloConvolution}, {166, &bFloExcitationConeFloat},
        {168, &bFloExcitationCone}, {169, &bShowTransformedData}, {171, &bFloBleaching},
        {172, &bCheckRotorAcceleration}, {173, &bFloAlimFloat}, {175, &bFloDrift}, {176, &bFloDriftFloat},
        {178, &bJohnstonOgston}, {179, &bFitJOSValue}, {180, &bFitJODValue}, {181, &bFitJOAmplitude},
        {182, &bFitJOKs}, {192, &bCSOption1}, {193, &bCSOption2}, {194, &bStickySpheres}, {195, &bCSOption4},
        {196, &bCSOption5}, {199, &bLogSGrid}, {201, &bLogGridMinS}, {202, &bSGridFromFile}, {203, &bWienerSkewing},
        {207, &bFlotationOption1}, {212, &bFlotationOption2},
    };
    struct Value {
        int n;
        float* pf = nullptr;
        double* pd = nullptr;
        int* pn = nullptr;
        double scale = 0;  // the file holds the value times this (when set)
    };
    const Value values[] = {
        {37, &fBaseline}, {41, &fFitLeftLim}, {42, &fFitRightLim}, {43, nullptr, nullptr, &nDefaultGridSize}, {44, &fModelConst20},
        {46, &fVbarTransform}, {48, &fMaxMeniscus}, {49, &fMinMeniscus}, {50, &fMaxBottom}, {51, &fMinBottom},
        {52, &VBAR}, {53, &fBufferDensity}, {62, nullptr, &dMaxDcOverC}, {63, nullptr, &dMaxDcOverCWork},
        {64, nullptr, &dMaxDcOverCHigh}, {65, &fTolerance}, {79, &fStartTime}, {85, &fFf0Min}, {86, &fFf0Max},
        {87, &fFf0Resolution}, {88, &fFf0Step}, {89, &fDiscreteCompM}, {90, &fDiscreteCompS}, {92, &fPointsPerSigma}, {93, nullptr, nullptr, &nDynGridUpperLimit},
        {94, nullptr, nullptr, &nDynGridLowerLimit}, {100, nullptr, &dBufferD}, {101, nullptr, &dBufferMb},
        {102, nullptr, &dBufferS}, {103, nullptr, &dBufferSignal}, {105, nullptr, &dBufferMeniscusDiff},
        {106, nullptr, &dBufferRelConc}, {108, nullptr, &dBufferRefD}, {109, nullptr, &dBufferRefMb},
        {110, nullptr, &dBufferRefS}, {118, &fScanVelocity}, {119, &fConvolutionRange}, {126, &fZoneLamellaWidth},
        {127, nullptr, nullptr, &bFitLamellaWidth},
        // the ten pairs of the non-ideal multiple-species model, fit flag first
        {130, nullptr, nullptr, &nFitSynthBoundaryPos}, {131, &fSynthBoundaryPos},
        {132, nullptr, nullptr, &nFitOverlayFrac1}, {133, &fOverlayFrac1},
        {134, nullptr, nullptr, &nFitNonidealConc2}, {135, &fNonidealConc2},
        {136, nullptr, nullptr, &nFitNonidealS2}, {137, &fNonidealS2},
        {138, nullptr, nullptr, &nFitNonidealD2}, {139, &fNonidealD2},
        {140, nullptr, nullptr, &nFitOverlayFrac2}, {141, &fOverlayFrac2},
        {142, nullptr, nullptr, &nFitNonidealConc3}, {143, &fNonidealConc3},
        {144, nullptr, nullptr, &nFitNonidealS3}, {145, &fNonidealS3},
        {146, nullptr, nullptr, &nFitNonidealD3}, {147, &fNonidealD3},
        {148, nullptr, nullptr, &nFitOverlayFrac3}, {149, &fOverlayFrac3},
        {150, &fNonidealExtinction1}, {151, &fNonidealExtinction2}, {152, &fNonidealExtinction3},
        {154, &fFloRadialMagFactor}, {157, &fFloNonlinCoeff}, {158, &fDetectionBaseline}, {161, &fFloKBleach},
        {164, &fFloConvolution}, {167, &fFloExcitationCone}, {170, &fConvolutionDistFactor}, {174, &fFloAlim},
        {177, &fFloDrift}, {183, &fJOs}, {184, &fJOD, nullptr, nullptr, 1e7}, {185, &fJOAmp}, {186, &fJOKs},
        {187, &fNonidealKs}, {188, nullptr, nullptr, &nFitNonidealKs}, {189, &fNonidealKd},
        {190, nullptr, nullptr, &nFitNonidealKd}, {191, nullptr, &dSignalPerMgMl}, {197, nullptr, nullptr, &nCSOption6},
        {198, nullptr, nullptr, &nCSOption7}, {200, &fLogGridMinS}, {204, &fWSkew, nullptr, nullptr, 1e6},
        {205, &fWSkewSignalPerMgMl}, {206, nullptr, nullptr, &nWienerSkewingSetting},
        {208, &fFlotationSpeciesD, nullptr, nullptr, 1e7}, {209, &fFlotationSMin}, {210, &fFlotationSMax},
        {211, nullptr, nullptr, &nFlotationResolution},
    };
    auto expected = [](const Value& v) { return v.pn ? double(v.n) : v.n + 0.25; };
    for (const Value& v : values) {
        const double scale = v.scale > 0 ? v.scale : 1.0;
        if (v.pf) *v.pf = float(expected(v) / scale);
        if (v.pd) *v.pd = expected(v) / scale;
        if (v.pn) *v.pn = v.n;
    }
    for (int bit = 0; bit < 8; bit++) {
        for (const Flag& f : flags) *f.p = static_cast<unsigned char>((f.n >> bit) & 1);
        globalsToParamVector();  // the meniscus and bottom flags live in the vector too
        const std::vector<std::string> a = Save(scratch + "layout.RA1");
        ASSERT_EQ(a.size(), 215u);
        for (const Flag& f : flags) EXPECT_EQ(a[f.n], (f.n >> bit) & 1 ? "1.000000" : "0.000000") << f.n;
        if (bit == 0) {
            for (const Value& v : values) EXPECT_NEAR(std::stod(a[v.n]), expected(v), 1e-3) << v.n;
        }
    }
}

// A whole-number entry beyond the range of an int, on either side, is no
// number the setting can take: the reload leaves the setting as an entry
// that is no number does.
TEST_F(SavedAnalysisTest, WholeNumbersBeyondTheRangeOfAnIntAreNoNumbers)
{
    command(198);
    nWienerSkewingSetting = 2;
    std::vector<std::string> a = Save(scratch + "a.RA1");
    a[206] = "nan";
    Write(scratch + "nan.RA1", a);
    ASSERT_TRUE(Reload(scratch + "nan.RA1"));
    const int nUnusable = nWienerSkewingSetting;
    for (const char* sz : {"-3000000000.000000", "3000000000.000000"}) {
        a[206] = sz;
        Write(scratch + "big.RA1", a);
        ASSERT_TRUE(Reload(scratch + "big.RA1"));
        EXPECT_EQ(nWienerSkewingSetting, nUnusable) << sz;
    }
    a[206] = "-7.000000";  // a whole number of either sign is taken
    Write(scratch + "small.RA1", a);
    ASSERT_TRUE(Reload(scratch + "small.RA1"));
    EXPECT_EQ(nWienerSkewingSetting, -7);
}
