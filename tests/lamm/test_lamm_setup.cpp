// Configuration of the solver object: validity flags, hydrodynamics, copies.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "lamm_fixture.h"

// s and D of an anhydrous sphere of 50 kDa (vbar 0.73 ml/g) in water at 20 'C
// must come back as frictional ratio 1.
TEST(LammSetup, AnhydrousSphereHasFrictionalRatioOne)
{
    const double NA = 6.02214076e23, R = 8.31451e7, T = 293.15, eta = 0.01002;
    const double M = 50000, vbar = 0.73, rho = 0.998;
    const double R0 = std::cbrt(3 * M * vbar / (4 * M_PI * NA));
    const double f0 = 6 * M_PI * eta * R0;
    const double s = M * (1 - vbar * rho) / (NA * f0) * 1e13;  // svedberg
    const double D = R * T / (NA * f0);
    CLammIdeal L;
    L.SetSedimentationParams(s, D, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L.SetSolventAndParticle(20.0, vbar, rho, 1.0);
    EXPECT_NEAR(L.fFrictionalRatio, 1.000, 5e-4);
    EXPECT_FLOAT_EQ(L.fVbarRho, (float)(vbar * rho));
    // twice the friction at the same mass: half the s and D, ratio 2
    L.SetSedimentationParams(s / 2, D / 2, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L.SetSolventAndParticle(20.0, vbar, rho, 1.0);
    EXPECT_NEAR(L.fFrictionalRatio, 2.000, 1e-3);
}

TEST(LammSetup, SettersRecordValidityInsteadOfFailing)
{
    CLammIdeal L;
    EXPECT_FALSE(L.bSedParamsOk);
    L.SetSedimentationParams(5, 6e-7, 6.0, 7.2, 1.0, 7.1f, 6.1f);  // limits given in reverse
    EXPECT_TRUE(L.bSedParamsOk);
    EXPECT_FLOAT_EQ(L.fFitOuter, 7.1f);
    EXPECT_FLOAT_EQ(L.fFitInner, 6.1f);
    L.SetSedimentationParams(5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.3f);  // outer limit beyond the base
    EXPECT_FALSE(L.bSedParamsOk);
    EXPECT_FALSE(L.bFitLimitInCell);
    EXPECT_FLOAT_EQ(L.fFitOuter, 7.3f);
    // a meniscus or a bottom not above 0 is told apart from the other errors,
    // whichever of the two it is
    L.SetSedimentationParams(5, 6e-7, 0.0, 7.2, 1.0, 6.1f, 7.1f);
    EXPECT_FALSE(L.bSedParamsOk);
    EXPECT_EQ(L.nGeometryError, 1);
    L.SetSedimentationParams(5, 6e-7, -6.0, 7.2, 1.0, 6.1f, 7.1f);
    EXPECT_EQ(L.nGeometryError, 1);
    L.SetSedimentationParams(5, 6e-7, 6.0, 0.0, 1.0, 6.1f, 7.1f);
    EXPECT_FALSE(L.bSedParamsOk);
    EXPECT_EQ(L.nGeometryError, 1);
    L.SetSedimentationParams(5, 6e-7, 0.0, 7.2, -1.0, 6.1f, 7.1f);  // the later test wins
    EXPECT_EQ(L.nGeometryError, 2);
    L.SetSedimentationParams(5, -1e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    EXPECT_EQ(L.nGeometryError, 3);
    EXPECT_FALSE(L.bSedParamsOk);

    L.SetSedimentationParams(5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    setDefaultSolverOptions(L);
    EXPECT_TRUE(L.bSolverOptionsOk);
    L.SetSolverOptions(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 0.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3,
                       1.0, 1000, 1000, 1, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    EXPECT_FALSE(L.bSolverOptionsOk);  // frictional ratio 0 with D > 0
    EXPECT_FALSE(L.bEngineMovingGrid);  // never both engines
    EXPECT_TRUE(L.bEngineStaticGrid);

    L.SetRadialConvolution(true, 0.001f, 2.0f);
    EXPECT_FALSE(L.bRadialConvolution);
    L.SetSignalTimeDrift(true, true, 3.6f, false, 1.0f, 0.3f);
    EXPECT_NEAR(L.dDriftRate, 0.001, 1e-9);
    EXPECT_DOUBLE_EQ(L.dBleachLimit, 1.0);  // bleaching off: nothing is bleached

    // scans without radii are incomplete; an identity list is made
    LammExperiment e(3, 100, 300, 50000, 6.0, 7.2, 50);
    L.SetScanData(nullptr, nullptr, e.headers.data(), e.out, nullptr, 0, nullptr, nullptr, false, nullptr, 3, 1,
                  true, true, false, 0, false, 0, false);
    EXPECT_FALSE(L.bScanDataOk);
    ASSERT_TRUE(L.bOwnsScanList);
    EXPECT_EQ(L.pScanList[3], 3);
}

// Absorbance scans recorded at a finite velocity reach the meniscus later than
// their first radius: 0.1 cm at 6 cm/min is 1 s.
TEST(LammSetup, TimeOffsetFromMeniscusIsInSeconds)
{
    LammExperiment e(2, 100, 200, 50000, 5.9, 7.2, 50);
    CLammIdeal L;
    L.SetSedimentationParams(5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    L.SetScanData(nullptr, nullptr, e.headers.data(), e.out, e.radii, e.nPoints, nullptr, nullptr, false, nullptr,
                  2, 1, true, true, true, 6.0f, false, 0, true);
    L.SetTimeOffsetFromMeniscus(5.9f);
    EXPECT_NEAR(L.dTimeOffset, 1.0, 1e-5);
    L.SetTimeOffsetFromMeniscus(6.1f);  // starting inside the cell: no offset
    EXPECT_EQ(L.dTimeOffset, 0.0);
}

TEST(LammSetup, CopyOwnsItsArraysAndWaitsForItsTarget)
{
    LammExperiment e(2, 1000, 2000, 40000, 6.0, 7.2, 50);
    auto T = makeSolver(e, 5, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    const float start[] = {0, 0, 1000}, rpm[] = {0, 30000, 40000}, rate[] = {0, 300, 100};
    T->LoadSpeedSteps(2, start, rpm, rate, 0);
    float r[7] = {0, 5.9f, 6.2f, 6.5f, 6.8f, 7.1f, 7.3f}, v[7] = {0, 1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(T->SetInitialProfile(6, r, v));
    const double k1[] = {0, 1.0, 2.0}, k2[] = {0, 3.0, 4.0}, k3[] = {0, 5.0, 6.0};
    const double visc[] = {0, 1.0, 0.5};
    T->SetCosoluteSolvent(true, false, false, 0, 0, false, 0, false, false, 0, false, false, 0, "folder", false,
                          "a.dat", "b.dat", visc, 2, nullptr, 0);
    // The copy is made into a solver that has speed steps and a starting
    // profile of its own: they are released and replaced by the template's.
    CLammIdeal C;
    const float ownStart[] = {0, 0, 200, 500}, ownRpm[] = {0, 10000, 20000, 30000}, ownRate[] = {0, 50, 50, 50};
    C.LoadSpeedSteps(3, ownStart, ownRpm, ownRate, 0);
    C.SetSedimentationParams(3, 4e-7, 6.0, 7.0, 1.0, 6.1f, 6.9f);
    float ownR[4] = {0, 6.0f, 6.5f, 7.0f}, ownV[4] = {0, 9, 9, 9};
    ASSERT_TRUE(C.SetInitialProfile(3, ownR, ownV));
    C.CopyFrom(*T);
    EXPECT_FALSE(C.bScanDataOk);
    EXPECT_FALSE(C.bOwnsScanList);
    EXPECT_EQ(C.pScanList, T->pScanList);
    ASSERT_NE(C.pStepRpm, T->pStepRpm);
    ASSERT_NE(C.pInitialValues, T->pInitialValues);
    ASSERT_NE(C.szCosoluteTable1, T->szCosoluteTable1);
    T->SetSelfAssociation(false, true, true, false, false, 2, k1, k2, k3, nullptr, -8, 1e-8f, true, true, 3.3,
                          false, false, 5, 6e-7, 1.0);
    T.reset();  // the template goes; the copy keeps working values
    EXPECT_DOUBLE_EQ(C.pStepRpm[2], 40000.0);
    // the template's second step: 10000 rpm more at 100 rpm/s from 1000 s
    ASSERT_EQ(C.nSpeedSteps, 2);
    EXPECT_DOUBLE_EQ(C.pStepAccelEnd[2], 1100.0);
    EXPECT_DOUBLE_EQ(C.SpeedAtTime(1050), 35000.0);
    EXPECT_DOUBLE_EQ(C.pInitialValues[6], 6.0);
    EXPECT_STREQ(C.szCosoluteTable2, "b.dat");
    EXPECT_DOUBLE_EQ(C.pViscosityCoeffs[2], 0.5);
    C.SetSimulationTarget(3, 4e-7, e.out, e.radii, e.nPoints, nullptr, nullptr);
    EXPECT_TRUE(C.bScanDataOk);
    EXPECT_DOUBLE_EQ(C.dS, 3.0);
}

// A non-ideal co-solute takes its s(c) and D(c) tables (polynomial
// coefficients, one a line) from the files named when it is set. Set again,
// the solver reads the new files in place of the tables it holds (two and
// three coefficients, then one and two), and set without the non-ideal
// co-solute it holds none.
TEST(LammSetup, CosoluteTablesAreReadAnewWhenSetAgain)
{
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("morvex_cotables_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    auto table = [&](const char* name, const char* text) {
        const std::string path = (dir / name).string();
        std::ofstream(path) << text;
        return path;
    };
    const std::string s1 = table("s1.dat", "0.2\n-0.05\n"), d1 = table("d1.dat", "3e-6\n1e-7\n5e-8\n");
    const std::string s2 = table("s2.dat", "0.3\n"), d2 = table("d2.dat", "2e-6\n-2e-7\n");
    CLammIdeal L;
    auto set = [&](bool nonideal, const std::string& sPath, const std::string& dPath) {
        L.SetCosoluteSolvent(true, true, false, 0.2, 3e-6, true, 50, false, nonideal, 1.0, false, false, 0,
                             dir.string().c_str(), false, sPath.c_str(), dPath.c_str(), nullptr, 0, nullptr, 0);
    };
    set(true, s1, d1);
    ASSERT_EQ(L.nSNonidTable, 2);
    ASSERT_EQ(L.nDNonidTable, 3);
    EXPECT_DOUBLE_EQ(L.pSNonidTable[2], (double)-0.05f);
    EXPECT_DOUBLE_EQ(L.pDNonidTable[3], (double)5e-8f);
    set(true, s2, d2);
    ASSERT_EQ(L.nSNonidTable, 1);
    ASSERT_EQ(L.nDNonidTable, 2);
    EXPECT_DOUBLE_EQ(L.pSNonidTable[1], (double)0.3f);
    EXPECT_DOUBLE_EQ(L.pDNonidTable[1], (double)2e-6f);
    EXPECT_DOUBLE_EQ(L.pDNonidTable[2], (double)-2e-7f);
    set(false, s1, d1);
    EXPECT_EQ(L.pSNonidTable, nullptr);
    EXPECT_EQ(L.pDNonidTable, nullptr);
    EXPECT_EQ(L.nSNonidTable + L.nDNonidTable, 0);
    std::filesystem::remove_all(dir);
}

// The steep-gradient test asks whether the species' equilibrium profile at the
// fit limit next to the end it moves to lies below the back-diffusion level
// (1e-4) of its mean; the profile, exp(s omega^2 r^2 / (2 D)) by the Svedberg
// relation in the Boltzmann distribution, is summed over the cell in the test.
// A layer far thinner than the data's spacing (10 S with D 1e-7 cm^2/s at
// 50000 rpm: D / (s omega^2 r) = 6e-4 cm) is steep even with the fit limit on
// the cell's end or 30 micrometres from it. A floating species is
// judged as its mirror image, the same s sedimenting, is.
TEST(LammSetup, SteepGradientAtEitherEnd)
{
    const double m = 6.0, b = 7.2, rpm = 50000, w = rpm * 2 * M_PI / 60;
    LammExperiment e(3, 1000, 3000, rpm, m, b);
    struct Case {
        double s, D, d;  // d: the fit limit's distance from the end
        int steep;       // 1: steep as a thin layer; -1: as the profile says
    };
    for (const Case c : {Case{10, 1e-7, 0.0, 1}, Case{10, 1e-7, 0.003, 1}, Case{5, 6e-7, 0.15, -1},
                         Case{3, 6e-7, 0.1, -1}, Case{1, 1e-6, 0.1, -1}, Case{1, 1e-6, 0.0, -1}}) {
        for (double sign : {1.0, -1.0}) {
            const double s = sign * c.s, rf = sign > 0 ? b - c.d : m + c.d;
            auto L = makeSolver(e, s, c.D, m, b, 1.0, (float)(sign > 0 ? m + 0.1 : rf),
                                (float)(sign > 0 ? rf : b - 0.1));
            bool expected = c.steep == 1;
            if (c.steep < 0) {
                const double ratio = equilibriumRatioAt(s, c.D, w, m, b, rf);
                ASSERT_TRUE(ratio < 0.5e-4 || ratio > 2e-4) << s << " " << ratio;  // far from the level
                expected = ratio < 1e-4;
            }
            EXPECT_EQ(L->IsSteepGradient(s, c.D), expected) << "s " << s << " D " << c.D << " limit " << rf;
        }
    }
    // With the fit limit on the end itself only the thin-layer rule makes a
    // species steep (its profile is highest there); a floating species turns
    // steep at the very D, to the last bit, at which the same s sedimenting
    // does (bisection in D from half to twice the D of s omega^2 / 2D = 100).
    auto L = makeSolver(e, 5, 6e-7, m, b, 1.0, (float)m, (float)b);
    for (double s : {1.0, 2.0, 3.0, 5.0, 7.0, 10.0, 13.0, 20.0, 30.0, 50.0}) {
        double turn[2];
        for (int k = 0; k < 2; k++) {
            const double sk = k == 0 ? s : -s;
            double lo = s * 1e-13 * w * w / 400, hi = 4 * lo;  // steep at lo, not at hi
            ASSERT_TRUE(L->IsSteepGradient(sk, lo));
            ASSERT_FALSE(L->IsSteepGradient(sk, hi));
            for (int it = 0; it < 80; it++) {
                const double mid = lo + (hi - lo) / 2;
                (L->IsSteepGradient(sk, mid) ? lo : hi) = mid;
            }
            turn[k] = hi;
        }
        EXPECT_EQ(turn[0], turn[1]) << "s " << s;
    }
}
