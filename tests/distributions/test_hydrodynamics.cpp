// Hydrodynamic relations against physics and hand computation, in water at
// 20 degrees Celsius (vbar 0.73 ml/g, density 0.99823 g/ml, relative
// viscosity 1), and their guards.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/data_file_paths.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"

namespace {

class Hydrodynamics : public ::testing::Test {
protected:
    void SetUp() override
    {
        VBAR = 0.73f;
        fBufferDensity = 0.99823f;
        fVbarRho = VBAR * fBufferDensity;
        RELVISCOSITY = 1.0f;
        fTemperatureK = 293.15f;
        clearShownErrorMessages();
    }
};

double relative(double a, double b) { return std::fabs(a - b) / std::fabs(b); }

}  // namespace

TEST_F(Hydrodynamics, StokesEinsteinTakesTheRadiusInMetres)
{
    // k_B T / (6 pi eta R), times 1e4 for cm^2/s
    EXPECT_NEAR(DFromStokesRadius(3.5e-9f, 20.0f), 6.1226e-7, 0.0005e-7);
    EXPECT_NEAR(DFromStokesRadius(1.0e-9f, 20.0f), 2.1429e-6, 0.0002e-6);
    EXPECT_EQ(DFromStokesRadius2(3.5e-9f, 20.0f), DFromStokesRadius(3.5e-9f, 20.0f));
    // with D in the place of R the twin gives the radius back
    EXPECT_NEAR(DFromStokesRadius2(DFromStokesRadius(3.5e-9f, 20.0f), 20.0f), 3.5e-9, 1e-14);
    EXPECT_EQ(DFromStokesRadius(0.0f, 20.0f), 0.0f);
    EXPECT_EQ(DFromStokesRadius(-1e-9f, 20.0f), 0.0f);
}

TEST_F(Hydrodynamics, SvedbergRelationAndItsInverses)
{
    const float M = MFromSD(6e-7f, 4.4f, 20.0f);
    EXPECT_NEAR(M, 65886.0, 3.0);
    // M and D swap places in both relations
    EXPECT_NEAR(relative(MFromSD(M, 4.4f, 20.0f), 6e-7), 0.0, 1e-6);
    EXPECT_NEAR(relative(DFromSM(4.4f, M, 20.0f), 6e-7), 0.0, 1e-6);
    EXPECT_NEAR(relative(DFromSM(4.4f, 6e-7f, 20.0f), M), 0.0, 1e-6);
    EXPECT_NEAR(relative(SFromMD(M, 6e-7f, 20.0f), 4.4), 0.0, 1e-6);
    // a magnitude even for a floating particle
    fVbarRho = 1.2f;
    EXPECT_GT(MFromSD(6e-7f, 4.4f, 20.0f), 0.0f);
    // neutral buoyancy: no mass either
    fVbarRho = 1.0f;
    EXPECT_EQ(MFromSD(6e-7f, 4.4f, 20.0f), 1e-4f);
    // the defaults of a missing input
    EXPECT_EQ(MFromSD(0.0f, 4.4f, 20.0f), 1e-4f);
    EXPECT_EQ(MFromSD(6e-7f, 0.0f, 20.0f), 1e-4f);
    EXPECT_EQ(DFromSM(4.4f, 0.0f, 20.0f), 0.0f);
    EXPECT_EQ(DFromSM(4.4f, -5.0f, 20.0f), 0.0f);
    EXPECT_EQ(CalculateDFromM(0.0f, 20.0f), 1e-4f);
    EXPECT_TRUE(shownErrorMessages().empty());
}

TEST_F(Hydrodynamics, CompactSphere)
{
    const float M = CalculateMassFromSedcoeffSphere(4.0f, 1.0f, 0.73f, 0.99823f);
    EXPECT_NEAR(M, 36945.0, 5.0);
    const float s = sphereSFromM(M, 0.73f, 20.0f, 0.99823f, 1.0f);
    EXPECT_NEAR(s, 4.0, 4e-4);
    EXPECT_NEAR(CalculateFrictionalRatio(M, s, 0.73f, 0.99823f, 1.0f), 1.0, 1e-4);
    // the radius and the mass of a sphere invert each other
    EXPECT_NEAR(relative(sphereMassFromRadius(CalculateRadius(M, 0.73f), 0.73f), M), 0.0, 1e-5);
    // the relative viscosity of the call is put back
    RELVISCOSITY = 1.3f;
    CalculateFrictionalRatio(M, s, 0.73f, 0.99823f, 1.0f);
    EXPECT_EQ(RELVISCOSITY, 1.3f);
}

TEST_F(Hydrodynamics, MolarMassFromSAndFrictionalRatio)
{
    EXPECT_NEAR(CalculateMff02(4.4f, 1.3f), 63177.0, 3.0);
    // a 4.3 S protein with f/f0 1.3324: its M, and its D by Stokes-Einstein
    const float M = CalculateMff02(4.3f, 1.3324f);
    EXPECT_NEAR(M, 63330.0, 5.0);
    EXPECT_NEAR(CalculateDFromMff0(M, 20.0f, 1.3324f), 6.10e-7, 0.005e-7);
    // which satisfies the Svedberg relation
    EXPECT_NEAR(relative(DFromSM(4.3f, M, 20.0f), CalculateDFromMff0(M, 20.0f, 1.3324f)), 0.0, 1e-4);
    fFrictionalRatio = 1.3324f;
    EXPECT_EQ(CalculateM(4.3f), M);
    EXPECT_EQ(CalculateDFromM(M, 20.0f), CalculateDFromMff0(M, 20.0f, 1.3324f));
    // and DFromMS finds the same D from M and s
    EXPECT_NEAR(relative(DFromMS(M, 4.3f, 0.73f, 20.0f, 0.99823f, 1.0f), 6.10e-7), 0.0, 1e-3);
}

TEST_F(Hydrodynamics, MassFromSGuards)
{
    EXPECT_EQ(CalculateM(0.0f), 0.0f);
    EXPECT_TRUE(shownErrorMessages().empty());
    // s against the buoyancy: no mass, never NaN
    for (float s : {-4.0f, -0.1f}) {
        EXPECT_EQ(CalculateM(s), 0.0f);
        EXPECT_EQ(CalculateMff02(s, 1.2f), 0.0f);
        EXPECT_EQ(CalculateMassFromSedcoeffSphere(s, 1.0f, 0.73f, 0.99823f), 0.0f);
        EXPECT_EQ(S20ToStokesRadius(s, 0.73f), 0.0f);
    }
    fVbarRho = 1.2f;  // floating: negative s has a mass
    EXPECT_GT(CalculateM(-4.0f), 0.0f);
    EXPECT_EQ(CalculateM(4.0f), 0.0f);
    EXPECT_TRUE(shownErrorMessages().empty());
    const std::vector<std::string> expected = {"VBAR <= 0 in function CalculateM",
                                               "VBAR <= 0 in function CalculateMff02",
                                               "vbar <= 0 in function CalculateMassFromSedcoeffSphere",
                                               "vbar20 <= 0 in function S20ToStokesRadius",
                                               "(mass == 0)||(vbar== 0) in function CalculateRadius"};
    win::headless::Script script;
    for (const std::string& s : expected) script.expectMessageBox(s, win::IDOK);
    VBAR = 0.0f;
    EXPECT_EQ(CalculateM(4.0f), 0.0f);
    EXPECT_EQ(CalculateMff02(4.0f, 1.2f), 0.0f);
    EXPECT_EQ(CalculateMassFromSedcoeffSphere(4.0f, 1.0f, -0.1f, 1.0f), 0.0f);
    EXPECT_EQ(S20ToStokesRadius(4.0f, 0.0f), 0.0f);
    EXPECT_EQ(CalculateRadius(0.0f, 0.73f), 0.0f);
    EXPECT_EQ(shownErrorMessages(), expected);
}

TEST_F(Hydrodynamics, StandardConditionsAndStokesRadius)
{
    // in water at 20 degrees with vbar20 = vbar, s20,w is s
    EXPECT_FLOAT_EQ(sToS20wGeneral(4.4f, STANDARDVISCOSITY, fWaterDensity20, 0.73f, 0.73f), 4.4f);
    // a denser, more viscous buffer: s20,w larger, and back
    const float s20 = sToS20wGeneral(4.0f, 1.1f * STANDARDVISCOSITY, 1.01f, 0.73f, 0.73f);
    EXPECT_NEAR(s20, 4.0 * 1.1 * (1 - 0.73 * 0.99823) / (1 - 0.73 * 1.01), 1e-5);
    EXPECT_NEAR(s20wToSGeneral(s20, 1.1f * STANDARDVISCOSITY, 1.01f, 0.73f, 0.73f), 4.0, 1e-5);
    RELVISCOSITY = 1.1f;
    fBufferDensity = 1.01f;
    fVbarRho = VBAR * fBufferDensity;
    EXPECT_NEAR(s20wToS(sToS20w(4.0f)), 4.0, 1e-5);
    // the Stokes radius of s20,w: that of the sphere of its mass times f/f0
    fFrictionalRatio = 1.3f;
    const float R = S20ToStokesRadius(4.4f, 0.73f);
    EXPECT_NEAR(relative(R, 1.3 * CalculateRadius(63177.0f, 0.73f)), 0.0, 1e-4);
}

TEST_F(Hydrodynamics, AxialRatiosStartAtTheHydratedSphere)
{
    const float fFh = std::cbrt((0.73f + 0.3f * 0.99823f) / 0.73f);
    EXPECT_EQ(CalculateProlateRatioFromFf0(fFh, 0.73f, 0.3f, 0.99823f), 0.0f);
    EXPECT_EQ(CalculateOblateRatioFromFf0(0.9f * fFh, 0.73f, 0.3f, 0.99823f), 0.0f);
    // just above: x = 1e-6 gives 1 + 2.939 sqrt(x), about 1.003
    const float fJustAbove = fFh * (1.0f + 1e-6f);
    EXPECT_NEAR(CalculateProlateRatioFromFf0(fJustAbove, 0.73f, 0.3f, 0.99823f), 1.003, 0.0005);
    EXPECT_NEAR(CalculateOblateRatioFromFf0(fJustAbove, 0.73f, 0.3f, 0.99823f), 1.003, 0.0005);
    float fLastP = 1.0f, fLastO = 1.0f;
    for (float f = 1.05f * fFh; f < 3.0f; f += 0.1f) {
        const float p = CalculateProlateRatioFromFf0(f, 0.73f, 0.3f, 0.99823f);
        const float o = CalculateOblateRatioFromFf0(f, 0.73f, 0.3f, 0.99823f);
        EXPECT_GT(p, fLastP);
        EXPECT_GT(o, fLastO);
        fLastP = p, fLastO = o;
    }
    // from M and s through the frictional ratio
    const float M = 63177.0f;
    EXPECT_NEAR(CalculateProlateRatio(M, 4.4f, 0.73f, 0.3f, 0.99823f, 1.0f),
                CalculateProlateRatioFromFf0(1.3f, 0.73f, 0.3f, 0.99823f), 0.01);
    EXPECT_TRUE(shownErrorMessages().empty());
    win::headless::Script script;
    script.expectMessageBox("(vbar+hydration*density)/vbar <= 0 in function CalculateOblateRatio", win::IDOK);
    EXPECT_EQ(CalculateOblateRatioFromFf0(1.5f, 0.73f, -1.0f, 0.99823f), 0.0f);
    EXPECT_EQ(shownErrorMessages().back(), "(vbar+hydration*density)/vbar <= 0 in function CalculateOblateRatio");
}

TEST_F(Hydrodynamics, LongRodAndItsInverse)
{
    // shorter than thick: the rod is the compact sphere
    const double dSmall = 20000.0, dMassPerLength = 100000.0;
    EXPECT_NEAR(rodSFromM(dSmall, dMassPerLength), sphereSFromM(20000.0f, VBAR, 20.0f, fBufferDensity, 1.0f), 1e-4);
    EXPECT_EQ(rodSFromM(1.0, dMassPerLength), 0.0);
    // only at or below 1 Da: just above it the rod is still the sphere
    for (double dTiny : {1.01, 1.05, 1.1}) {
        const double dSphere = sphereSFromM(static_cast<float>(dTiny), VBAR, 20.0f, fBufferDensity, 1.0f);
        EXPECT_GT(dSphere, 0.0);
        EXPECT_NEAR(rodSFromM(dTiny, dMassPerLength), dSphere, 1e-3 * dSphere) << dTiny;
    }
    // a long rod, and the inverse to the Brent tolerance of 1 Da
    const double dMass = 2.0e6;
    const float s = static_cast<float>(rodSFromM(dMass, 500.0));
    EXPECT_GT(s, 0.0f);
    EXPECT_NEAR(CalculateMofSforLinearRod(s, 500.0f), dMass, 1.0);
    // no s, or against the buoyancy: 0 at once
    EXPECT_EQ(CalculateMofSforLinearRod(0.0f, 500.0f), 0.0f);
    EXPECT_EQ(CalculateMofSforLinearRod(-3.0f, 500.0f), 0.0f);
    fVbarRho = 1.1f;
    EXPECT_EQ(CalculateMofSforLinearRod(3.0f, 500.0f), 0.0f);
    EXPECT_TRUE(shownErrorMessages().empty());
    // a solvent without viscosity has no friction and a rod no finite mass; a
    // zero vbar no buoyancy: both are said, not passed off as a mass of 0
    fVbarRho = VBAR * fBufferDensity;
    const std::vector<std::string> expected = {
        "STANDARDVISCOSITY*RELVISCOSITY <= 0 in function CalculateMofSforLinearRod",
        "VBAR <= 0 in function CalculateMofSforLinearRod"};
    win::headless::Script script;
    for (const std::string& m : expected) script.expectMessageBox(m, win::IDOK);
    RELVISCOSITY = 0.0f;
    EXPECT_EQ(CalculateMofSforLinearRod(s, 500.0f), 0.0f);
    RELVISCOSITY = 1.0f;
    VBAR = 0.0f;
    EXPECT_EQ(CalculateMofSforLinearRod(s, 500.0f), 0.0f);
    EXPECT_EQ(shownErrorMessages(), expected);
}

TEST_F(Hydrodynamics, WormLikeChainInversion)
{
    // no chain without its parameters: no value, never NaN
    fWormCrossSection = 0.0f;
    EXPECT_EQ(wormChainSFromM(50000.0f), 0.0f);
    EXPECT_EQ(wormChainMFromS(4.0f), 0.0f);
    fWormPersistenceLength = 0.0f;
    fWormCrossSection = 1.0f;
    EXPECT_EQ(wormChainMFromS(4.0f), 0.0f);
    fWormMonomerMw = 9000.0f;
    fWormHydration = 0.4f;
    // nor with one typed beyond the float range (1e39 nm reads as infinite):
    // the reduced length is 0 then, and no formula of a chain applies
    for (const auto& [q, A0] : {std::pair{INFINITY, 1.0f}, std::pair{10.0f, INFINITY}}) {
        fWormPersistenceLength = q;
        fWormCrossSection = A0;
        EXPECT_EQ(wormChainSFromM(50000.0f), 0.0f) << q << " " << A0;
    }
    fWormPersistenceLength = 10.0f;
    fWormCrossSection = 1.0f;
    fWormHydration = 0.4f;
    EXPECT_EQ(wormChainSFromM(8000.0f), 0.0f);  // below the monomer
    // across the three formulas (Lr below 0.1, to 2.4 and above)
    for (float M : {30000.0f, 60000.0f, 400000.0f, 3.0e6f}) {
        const float s = wormChainSFromM(M);
        ASSERT_GT(s, 0.0f) << M;
        EXPECT_NEAR(relative(wormChainMFromS(s), M), 0.0, 1e-3) << M;
    }
    float fLast = 0.0f;
    for (float M = 10000.0f; M < 1e7f; M *= 1.3f) {
        const float s = wormChainSFromM(M);
        EXPECT_GT(s, fLast) << M;
        fLast = s;
    }
}

TEST_F(Hydrodynamics, PowerLawsVbarAndGridPoints)
{
    EXPECT_NEAR(relative(MFromSPowerLaw(sFromMPowerLaw(150000.0f)), 150000.0), 0.0, 1e-5);
    win::headless::Script script;
    script.expectMessageBox("mass == 0 in function SFromM", win::IDOK);
    script.expectMessageBox("mass == 0 in function VbarFromMass", win::IDOK);
    EXPECT_EQ(SFromM(0.0f), 0.0f);
    EXPECT_EQ(VbarFromMass(0.0f), 0.0f);
    EXPECT_EQ(shownErrorMessages().size(), 2u);
    // vbar(M): the offset v0 at M = 0, one increment a at M = 10^s, three at 27 x 10^s
    dVbarMOffset = 0.70;
    dVbarMIncrement = 0.01;
    nVbarMScale = 3;
    EXPECT_NEAR(VbarFromMass(1e-12f), 0.70f, 1e-6f);
    EXPECT_NEAR(VbarFromMass(1000.0f), 0.71f, 1e-6f);
    EXPECT_NEAR(VbarFromMass(27000.0f), 0.73f, 1e-6f);
    // a sedimenting grid point: M of the c(s) family, D by Svedberg
    fFrictionalRatio = 1.3f;
    EXPECT_NEAR(relative(buoyantMassOfGridPoint(4.4f), (1 - fVbarRho) * CalculateMff02(4.4f, 1.3f)), 0.0, 1e-6);
    EXPECT_NEAR(relative(diffusionOfGridPoint(4.4f), DFromSM(4.4f, CalculateMff02(4.4f, 1.3f), 20.0f)), 0.0, 1e-5);
    // a floating one below fFlotationSMax: its fixed D, M by Svedberg
    fVbarRho = 1.2f;
    fFlotationSMax = -10.0f;
    fFlotationSpeciesD = 3e-7f;
    EXPECT_EQ(diffusionOfGridPoint(-15.0f), 3e-7f);
    EXPECT_NEAR(relative(buoyantMassOfGridPoint(-15.0f), (1 - 1.2) * MFromSD(3e-7f, -15.0f, 20.0f)), 0.0, 1e-5);
    // ...and the last floating point of the grid, which lies at fFlotationSMax
    EXPECT_EQ(diffusionOfGridPoint(-10.0f), 3e-7f);
    EXPECT_NEAR(relative(buoyantMassOfGridPoint(-10.0f), (1 - 1.2) * MFromSD(3e-7f, -10.0f, 20.0f)), 0.0, 1e-5);
    bFlotationDFromRadius = 1;
    fFlotationSpeciesD = 3.5e-9f;  // read as a radius
    EXPECT_NEAR(relative(diffusionOfGridPoint(-15.0f), DFromStokesRadius(3.5e-9f, 20.0f)), 0.0, 1e-6);
    EXPECT_EQ(buoyantMassOfGridPoint(0.0f), 0.0f);
    EXPECT_EQ(diffusionOfGridPoint(0.0f), 0.0f);
}

// The M(s) table "mofs.dat": s20,w in S and M in kDa; a table of one row is
// the line from the origin through it.
TEST_F(Hydrodynamics, MofSTable)
{
    EXPECT_EQ(mOfSInterpolate(5.0f), 1.0f);  // no table
    const std::string dir = ::testing::TempDir() + "mofs_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    std::snprintf(szMofsPath, sizeof szMofsPath, "%s/mofs.dat", dir.c_str());
    win::headless::Script script;
    script.expectMessageBox("could not open", win::IDOK);
    EXPECT_FALSE(readMofSTable());  // no file: the reader's message
    EXPECT_FALSE(shownErrorMessages().empty());
    FILE* f = std::fopen(szMofsPath, "w");
    std::fputs("2 20\n4 60\n8 100\n", f);
    std::fclose(f);
    ASSERT_TRUE(readMofSTable());
    EXPECT_EQ(nMofSTablePoints, 3);
    // in standard conditions s is s20,w
    EXPECT_NEAR(mOfSInterpolate(3.0f), 40000.0, 0.5);
    EXPECT_NEAR(mOfSInterpolate(1.0f), 10000.0, 0.5);   // from the origin
    EXPECT_NEAR(mOfSInterpolate(10.0f), 120000.0, 0.5);  // on through the last two
    EXPECT_NEAR(mOfSInterpolate(8.0f), 100000.0, 0.5);
    // in a denser buffer s is first standardised
    fBufferDensity = 1.02f;
    fVbarRho = VBAR * fBufferDensity;
    const float s20 = 3.0f * (1 - 0.73f * 0.99823f) / (1 - fVbarRho);
    EXPECT_NEAR(mOfSInterpolate(3.0f), 1000.0 * (20 + 20 * (s20 - 2)), 1.0);
    // equal abscissae give 1
    f = std::fopen(szMofsPath, "w");
    std::fputs("2 20\n2 60\n", f);
    std::fclose(f);
    ASSERT_TRUE(readMofSTable());
    EXPECT_EQ(mOfSInterpolate(2.5f), 1.0f);
    // a single entry is a line through the origin: M proportional to s
    fBufferDensity = 0.99823f;
    fVbarRho = VBAR * fBufferDensity;
    f = std::fopen(szMofsPath, "w");
    std::fputs("5 100\n", f);
    std::fclose(f);
    ASSERT_TRUE(readMofSTable());
    EXPECT_EQ(nMofSTablePoints, 1);
    EXPECT_NEAR(mOfSInterpolate(2.5f), 50000.0, 0.5);
    EXPECT_NEAR(mOfSInterpolate(5.0f), 100000.0, 0.5);
    EXPECT_NEAR(mOfSInterpolate(7.5f), 150000.0, 1.0);
    freeMofSTable();
    EXPECT_EQ(bMofSTableLoaded, 0);
    EXPECT_EQ(mOfSInterpolate(2.5f), 1.0f);

    // the worm-like chain's table of its grid is written in the same units:
    // read back as an M(s) table it gives the chain's M at each s
    fWormMonomerMw = 9000.0f;
    fWormPersistenceLength = 10.0f;
    fWormCrossSection = 1.0f;
    fWormHydration = 0.4f;
    const float sChain[] = {2.0f, 4.0f, 8.0f};
    allocDistributionVectors(3);
    for (int i = 1; i <= 3; i++) {
        pDistAxisS[i] = sChain[i - 1];
        pDistAxisM[i] = wormChainMFromS(sChain[i - 1]);
        ASSERT_GT(pDistAxisM[i], 9000.0f) << i;
    }
    std::snprintf(szWormChainMofsPath, sizeof szWormChainMofsPath, "%s/~WormChain_mofs.dat", dir.c_str());
    writeWormChainMofsTable();
    std::snprintf(szMofsPath, sizeof szMofsPath, "%s", szWormChainMofsPath);
    ASSERT_TRUE(readMofSTable());
    ASSERT_EQ(nMofSTablePoints, 3);
    for (int i = 1; i <= 3; i++) {
        EXPECT_NEAR(pMofSTableS[i], sChain[i - 1], 1e-5) << i;
        EXPECT_NEAR(relative(mOfSInterpolate(sChain[i - 1]), pDistAxisM[i]), 0.0, 1e-5) << i;
    }
    freeMofSTable();
    freeDistributionVectors();
    std::filesystem::remove_all(dir);
}

// The Yamakawa-Fujii cylinder in its two expansions, below and above a
// reduced length of 2.4, describes one chain: s(M) goes on without a step
// where the one hands over to the other (in steps of 0.1 % in M, s changes by
// less than 0.1 %), and far beyond it the chain is a coil, s growing as
// sqrt(M).
TEST_F(Hydrodynamics, WormLikeChainIsOneCurveAcrossItsTwoExpansions)
{
    fWormMonomerMw = 9000.0f;
    fWormPersistenceLength = 10.0f;
    fWormCrossSection = 1.0f;
    fWormHydration = 0.4f;
    // mass per length 825 Da/nm: reduced lengths from 0.6 to 120, the
    // hand-over at about 40000 Da
    double worst = 0, at = 0;
    for (double M = 10000.0; M < 2e6; M *= 1.001) {
        const double a = wormChainSFromM(float(M)), b = wormChainSFromM(float(M * 1.001));
        if (std::fabs(std::log(b / a)) > worst) worst = std::fabs(std::log(b / a)), at = M;
    }
    EXPECT_LT(worst, 1e-3) << "at " << at;
    EXPECT_NEAR(wormChainSFromM(1.6e7f) / wormChainSFromM(4e6f), 2.0, 0.06);
    // a thick chain: cross-section 10 nm^2 (hydrated diameter 4.44 nm) and
    // persistence length 2.8 nm, a diameter of 0.79 times the Kuhn length,
    // hand-over at about 110000 Da; in steps of 2e-5 in M the curve moves
    // by less than 2e-5 but at the join of the two expansions, 0.12 %
    fWormCrossSection = 10.0f;
    fWormPersistenceLength = 2.8f;
    worst = 0;
    double a = wormChainSFromM(20000.0f);
    for (double M = 20000.0; M < 5e5; M *= 1.00002) {
        const double b = wormChainSFromM(float(M * 1.00002));
        if (std::fabs(std::log(b / a)) > worst) worst = std::fabs(std::log(b / a)), at = M;
        a = b;
    }
    EXPECT_LT(worst, 1.5e-3) << "at " << at;
    // chains of hydrated diameters from 0.3 to 0.5 Kuhn lengths (persistence
    // lengths 3 and 5 nm, cross-sections 2 to 10 nm^2), hand-overs from 24000
    // to 200000 Da: in steps of 2e-5 in M the curve moves by less than
    // 1.7e-4, at the join too
    for (const auto& [q, A0] : {std::pair{3.0f, 2.0f}, std::pair{3.0f, 3.0f}, std::pair{3.0f, 4.0f},
                                std::pair{3.0f, 5.0f}, std::pair{5.0f, 5.0f}, std::pair{5.0f, 10.0f}}) {
        fWormPersistenceLength = q;
        fWormCrossSection = A0;
        worst = 0;
        a = wormChainSFromM(20000.0f);
        for (double M = 20000.0; M < 2.2e5; M *= 1.00002) {
            const double b = wormChainSFromM(float(M * 1.00002));
            if (std::fabs(std::log(b / a)) > worst) worst = std::fabs(std::log(b / a)), at = M;
            a = b;
        }
        EXPECT_LT(worst, 1.7e-4) << q << " nm, " << A0 << " nm^2, at " << at;
    }
}
