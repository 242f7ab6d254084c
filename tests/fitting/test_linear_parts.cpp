// Linear amplitudes, baseline and systematic noise of discrete species (and
// the one signal of the interacting and continuous models), and
// the concentrations as total and fractions.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analyses/species_totals.h"
#include "distributions/conti_scene.h"
#include "fitting/fit_globals.h"
#include "fitting/linear_parts.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace contitest;

namespace {

// The unit signal of a species of s (S) at scan k, grid point j: a boundary
// moving from the meniscus with radial dilution.
double unitSignal(double s, int k, int j)
{
    const double w = 50000.0 * 2.0 * M_PI / 60.0;
    const double t = pScanHeaders[k].time;
    const double e = w * w * s * 1e-13 * t;
    const double rb = 6.0 * std::exp(e);
    const double width = std::sqrt(4.0 * 6e-7 * std::sqrt(4.0 / s) * t);
    return std::exp(-2.0 * e) * 0.5 * std::erfc((rb - pNoiseGrid[j]) / width);
}

const double kSpeciesS[5] = {0, 2.0, 6.5, 11.0, 15.0};

// Scans and noise grid of the scene; the included species, their bases as
// the model evaluation delivers them (unit signal x the amplitude they were
// simulated with) and the data.
struct Experiment {
    std::vector<double> delivered{0, 1.3, 0.7, 1.1, 0.9};

    explicit Experiment(std::vector<int> included)
    {
        SceneOptions o;
        o.nGrid = 2;
        installScene(o);
        bModelDiscreteSpecies = 1;
        for (int s = 1; s <= 4; s++) pSpeciesIncluded[s] = 0;
        for (int s : included) pSpeciesIncluded[s] = 1;
        allocExtraNoiseArrays();
        Deliver();
    }

    void Deliver()
    {
        for (int s = 1; s <= 4; s++) {
            if (!pSpeciesIncluded[s]) continue;
            fSpeciesAmplitude[s] = static_cast<float>(delivered[s]);
            for (int k = 1; k <= nScans; k++)
                for (int j = 1; j <= nNoiseGridPoints; j++)
                    pppExtraNoiseScan[s][k][j] = static_cast<float>(delivered[s] * unitSignal(kSpeciesS[s], k, j));
        }
    }

    // y = sum of a[s] x unit signal + profile + offsets (a[0] unused).
    void SetData(const std::vector<double>& a, double (*profile)(double), double (*offset)(int), double c = 0.0)
    {
        for (int k = 1; k <= nScans; k++) {
            for (int j = 1; j <= nNoiseGridPoints; j++) {
                double y = c + (profile ? profile(pNoiseGrid[j]) : 0.0) + (offset ? offset(k) : 0.0);
                for (int s = 1; s <= 4; s++) y += a[s] * unitSignal(kSpeciesS[s], k, j);
                ppScanOnNoiseGrid[k][j] = static_cast<float>(y);
            }
            interpolateOnGrid(pScanPoints[k], ppRadius[k], ppSignal[k], nNoiseGridPoints, pNoiseGrid,
                              ppScanOnNoiseGrid[k]);
        }
        calcMeanScan();
    }

    // Largest |signal - fit| at the scans' own radii.
    static double MaxResidual()
    {
        double d = 0.0;
        for (int k = 1; k <= nScans; k++)
            for (int p = 1; p <= pScanPoints[k]; p++) d = std::max(d, double(std::fabs(ppSignal[k][p] - ppFit[k][p])));
        return d;
    }
};

double profileOf(double r)
{
    return 0.04 * std::sin(11.0 * r) + 0.1 * (r - 6.6);
}

double offsetOf(int k)
{
    return 0.015 * ((k * 3) % 5) - 0.02;
}

void setSwitches(bool ti, bool baseline, bool concentrations, bool ri)
{
    bFitTINoise = ti;
    bAlgebraicBaseline = baseline;
    bAlgebraicConcentrations = concentrations;
    bFitRINoise = ri;
}

}  // namespace

// Data 2 B1 + 0.5 B2 + a radial profile + scan offsets: TI and RI noise with
// algebraic concentrations give the amplitudes and no residual; a constant
// added to the data moves only the RI offsets. Without the offsets, TI noise
// alone gives the amplitudes and the profile.
TEST(LinearParts, TimeAndRadialInvariantNoiseWithAmplitudes)
{
    Experiment e({1, 2});
    e.SetData({0, 2.0, 0.5, 0, 0}, profileOf, offsetOf);
    setSwitches(true, false, true, true);
    ASSERT_EQ(linearPartsRoutine(), &calcLinearPartsTiRiNoise);
    const std::vector<float> data = dataSnapshot();
    calcLinearPartsTiRiNoise();
    EXPECT_TRUE(data == dataSnapshot());
    EXPECT_NEAR(fSpeciesAmplitude[1], 2.0, 1e-5);
    EXPECT_NEAR(fSpeciesAmplitude[2], 0.5, 1e-5);
    // Total and fraction.
    EXPECT_NEAR(pSpeciesConc[1], 2.5, 1e-5);
    EXPECT_NEAR(pSpeciesConc[2], 0.2, 1e-5);
    EXPECT_EQ(pParamValue[9], pSpeciesConc[1]);
    EXPECT_EQ(pParamValue[10], pSpeciesConc[2]);
    EXPECT_EQ(fBaseline, 0.0f);
    EXPECT_LT(Experiment::MaxResidual(), 1e-5);
    // The bases are scaled by the amplitudes.
    const int k = pScanTimeOrder[3];
    EXPECT_NEAR(pppExtraNoiseScan[1][k][70], 2.0 * unitSignal(kSpeciesS[1], k, 70), 1e-5);

    const std::vector<float> ti(pTINoiseSaved + 1, pTINoiseSaved + nNoiseGridPoints + 1);
    const std::vector<float> ri(pRINoiseSaved + 1, pRINoiseSaved + nScans + 1);
    e.SetData({0, 2.0, 0.5, 0, 0}, profileOf, offsetOf, 0.3);
    calcLinearPartsTiRiNoise();
    EXPECT_NEAR(fSpeciesAmplitude[1], 2.0, 1e-5);
    EXPECT_NEAR(fSpeciesAmplitude[2], 0.5, 1e-5);
    for (int j = 1; j <= nNoiseGridPoints; j++) EXPECT_NEAR(pTINoiseSaved[j], ti[j - 1], 2e-6);
    for (int s = 1; s <= nScans; s++) EXPECT_NEAR(pRINoiseSaved[s], ri[s - 1] + 0.3, 2e-6);
    EXPECT_LT(Experiment::MaxResidual(), 1e-5);

    // TI noise alone: the data the amplitudes and the radial profile were
    // made with come back, and no residual.
    e.Deliver();
    e.SetData({0, 2.0, 0.5, 0, 0}, profileOf, nullptr);
    setSwitches(true, false, true, false);
    ASSERT_EQ(linearPartsRoutine(), &calcLinearPartsTiNoise);
    calcLinearPartsTiNoise();
    EXPECT_NEAR(fSpeciesAmplitude[1], 2.0, 1e-5);
    EXPECT_NEAR(fSpeciesAmplitude[2], 0.5, 1e-5);
    for (int j = 1; j <= nNoiseGridPoints; j += 10) EXPECT_NEAR(pTINoiseSaved[j], profileOf(pNoiseGrid[j]), 2e-5) << j;
    EXPECT_LT(Experiment::MaxResidual(), 2e-5);

    // Close to equilibrium, a species whose signal changes by less than
    // 0.05 % over the scans still gets its amplitude from that change.
    Experiment near({1});
    setSwitches(true, false, true, true);
    const auto eq = [](int k, int j) {
        const double r = pNoiseGrid[j];
        return std::exp(0.15 * (r * r - 36.0)) * (1.0 - 1e-3 * std::exp(-pScanHeaders[k].time / 2000.0));
    };
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= nNoiseGridPoints; j++) {
            pppExtraNoiseScan[1][k][j] = static_cast<float>(1.3 * eq(k, j));
            ppScanOnNoiseGrid[k][j] = static_cast<float>(2.0 * eq(k, j) + profileOf(pNoiseGrid[j]) + offsetOf(k));
        }
    calcMeanScan();
    calcLinearPartsTiRiNoise();
    EXPECT_NEAR(fSpeciesAmplitude[1], 2.0, 1e-3);
}

// A species that would need a negative amplitude gets 0; the others are
// those of the fit without it.
TEST(LinearParts, NegativeAmplitudeIsHeldAtZero)
{
    Experiment without({1, 3});
    without.SetData({0, 1.0, -0.4, 0.8, 0}, profileOf, offsetOf);
    setSwitches(true, false, true, true);
    calcLinearPartsTiRiNoise();
    const float a1 = fSpeciesAmplitude[1], a3 = fSpeciesAmplitude[3];

    Experiment with({1, 2, 3});
    with.SetData({0, 1.0, -0.4, 0.8, 0}, profileOf, offsetOf);
    calcLinearPartsTiRiNoise();
    EXPECT_EQ(fSpeciesAmplitude[2], 0.0f);
    EXPECT_NEAR(fSpeciesAmplitude[1], a1, 1e-5);
    EXPECT_NEAR(fSpeciesAmplitude[3], a3, 1e-5);
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= nNoiseGridPoints; j++) ASSERT_EQ(pppExtraNoiseScan[2][k][j], 0.0f);
}

// A constant model signal: amplitude 1 with TI and RI noise, 0 with TI noise
// only and with baseline and RI noise.
TEST(LinearParts, ConstantModelSignal)
{
    Experiment e({1});
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= nNoiseGridPoints; j++) pppExtraNoiseScan[1][k][j] = 0.8f;
    fSpeciesAmplitude[1] = 0.8f;
    e.SetData({0, 0, 0, 0, 0}, profileOf, offsetOf, 0.8);
    bModelConstantSignal = 1;
    struct Case {
        void (*routine)();
        float amplitude;
    } cases[] = {{calcLinearPartsTiRiNoise, 1.0f}, {calcLinearPartsTiNoise, 0.0f},
                 {calcLinearPartsBaselineRiNoise, 0.0f}};
    for (const Case& c : cases) {
        for (int k = 1; k <= nScans; k++)
            for (int j = 1; j <= nNoiseGridPoints; j++) pppExtraNoiseScan[1][k][j] = 0.8f;
        fSpeciesAmplitude[1] = 0.8f;
        c.routine();
        EXPECT_EQ(pAmplitudes[1], c.amplitude);
        EXPECT_EQ(pSpeciesConc[1], c.amplitude);
    }
}

// Amplitudes for a fixed baseline subtract for each species the baseline
// times its own sum over the data (species 1 excluded, 2 and 3 included).
TEST(LinearParts, AmplitudesForAFixedBaseline)
{
    Experiment e({2, 3});
    e.SetData({0, 0, 1.5, 0.5, 0}, nullptr, nullptr, 0.1);
    setSwitches(false, false, true, false);
    ASSERT_EQ(linearPartsRoutine(), &calcAmplitudesOnly);
    fBaseline = 0.1f;
    nFirstModelScan = 1;
    calcAmplitudesOnly();
    EXPECT_NEAR(fSpeciesAmplitude[2], 1.5, 1e-5);
    EXPECT_NEAR(fSpeciesAmplitude[3], 0.5, 1e-5);
    EXPECT_NEAR(pSpeciesConc[2], 2.0, 1e-5);   // the total
    EXPECT_NEAR(pSpeciesConc[3], 0.25, 1e-5);  // the fraction
    EXPECT_LT(Experiment::MaxResidual(), 1e-5);
}

// An algebraic baseline with the amplitudes: the baseline is the mean
// residual, also beside a species whose signal is almost flat; with the
// first scan the initial distribution it keeps no baseline.
TEST(LinearParts, AlgebraicBaselineAndTheInitialDistributionScan)
{
    Experiment e({1, 2});
    e.SetData({0, 0.7, 0.3, 0, 0}, nullptr, nullptr, 0.05);
    setSwitches(false, true, true, false);
    ASSERT_EQ(linearPartsRoutine(), &calcLinearPartsWithBaseline);
    nFirstModelScan = 1;
    calcLinearPartsWithBaseline();
    EXPECT_NEAR(fSpeciesAmplitude[1], 0.7, 1e-5);
    EXPECT_NEAR(fSpeciesAmplitude[2], 0.3, 1e-5);
    EXPECT_NEAR(fBaseline, 0.05, 1e-5);
    EXPECT_EQ(pParamValue[15], fBaseline);
    EXPECT_LT(Experiment::MaxResidual(), 1e-5);

    // A species whose signal hardly changes over the fitted radii and the
    // scans (it falls by 0.34 % across the cell and by less than 0.03 %
    // over the scans), on a baseline of 0.4: the amplitude 2 and the
    // baseline the data were made with, and no residual. In exact
    // arithmetic the data's mean drops out, as the basis is centred over
    // the same points; but the basis' mean is kept in float, and only the
    // centred data leave that rounding unmagnified by so flat a signal.
    Experiment flat({1});
    const auto plateau = [](int k, int j) {
        return std::exp(-3e-3 * (pNoiseGrid[j] - 6.03)) * (1.0 - 6e-4 * std::exp(-pScanHeaders[k].time / 2000.0));
    };
    for (int k = 1; k <= nScans; k++) {
        for (int j = 1; j <= nNoiseGridPoints; j++) {
            pppExtraNoiseScan[1][k][j] = static_cast<float>(1.3 * plateau(k, j));
            ppScanOnNoiseGrid[k][j] = static_cast<float>(2.0 * plateau(k, j) + 0.4);
        }
        interpolateOnGrid(pScanPoints[k], ppRadius[k], ppSignal[k], nNoiseGridPoints, pNoiseGrid,
                          ppScanOnNoiseGrid[k]);
    }
    calcMeanScan();
    setSwitches(false, true, true, false);
    nFirstModelScan = 1;
    calcLinearPartsWithBaseline();
    EXPECT_NEAR(fSpeciesAmplitude[1], 2.0, 1e-4);
    EXPECT_NEAR(fBaseline, 0.4, 1e-4);
    EXPECT_LT(Experiment::MaxResidual(), 1e-5);

    // A fixed baseline only (no switch): added from nFirstModelScan on.
    setSwitches(false, false, false, false);
    ASSERT_EQ(linearPartsRoutine(), &addBaselineToModel);
    for (int k = 1; k <= nScans; k++)
        for (int p = 1; p <= pScanPoints[k]; p++) ppFit[k][p] = 1.0f;
    nFirstModelScan = 2;
    fBaseline = 0.25f;
    addBaselineToModel();
    EXPECT_EQ(ppFit[pScanTimeOrder[1]][10], 1.0f);
    for (int pos = 2; pos <= nScans; pos++) EXPECT_EQ(ppFit[pScanTimeOrder[pos]][10], 1.25f);
}

// The routines that keep the concentrations: the bases come back to the
// delivered signal, the noise is solved; no routine changes the data.
TEST(LinearParts, GivenConcentrationsAndUnchangedData)
{
    Experiment e({1, 2});
    // The data are the delivered model plus noise.
    e.SetData({0, 1.3, 0.7, 0, 0}, profileOf, offsetOf);
    setSwitches(true, false, false, true);
    ASSERT_EQ(linearPartsRoutine(), &calcTiRiNoiseOnly);
    const std::vector<float> data = dataSnapshot();
    const float conc1 = pSpeciesConc[1] = 0.123f;
    calcTiRiNoiseOnly();
    EXPECT_EQ(pSpeciesConc[1], conc1);
    EXPECT_FLOAT_EQ(fSpeciesAmplitude[1], 1.3f);
    EXPECT_LT(Experiment::MaxResidual(), 1e-5);
    EXPECT_TRUE(data == dataSnapshot());

    for (auto routine : {calcLinearPartsTiNoise, calcTiNoiseProfile, calcLinearPartsBaselineRiNoise,
                         calcLinearPartsWithBaseline, calcRiNoiseAndBaseline, calcBaselineOnly, calcAmplitudesOnly,
                         addBaselineToModel, calcLinearPartsTiRiNoise}) {
        e.Deliver();
        routine();
        EXPECT_TRUE(data == dataSnapshot());
    }
    // TI noise alone: the data are the delivered model plus a radial
    // profile, which the TI noise takes up whole, leaving no residual
    e.SetData({0, 1.3, 0.7, 0, 0}, profileOf, nullptr);
    setSwitches(true, false, false, false);
    ASSERT_EQ(linearPartsRoutine(), &calcTiNoiseProfile);
    e.Deliver();
    calcTiNoiseProfile();
    EXPECT_LT(Experiment::MaxResidual(), 2e-5);
    for (int j = 1; j <= nNoiseGridPoints; j += 10) EXPECT_NEAR(pTINoiseSaved[j], profileOf(pNoiseGrid[j]), 2e-5) << j;

    // The routine table, first match winning.
    struct Row {
        bool ti, baseline, conc, ri;
        LinearPartsRoutine routine;
    } rows[] = {
        {1, 0, 1, 1, calcLinearPartsTiRiNoise}, {1, 1, 1, 0, calcLinearPartsTiNoise},
        {1, 1, 0, 1, calcTiRiNoiseOnly},         {1, 0, 0, 0, calcTiNoiseProfile},
        {0, 1, 1, 1, calcLinearPartsBaselineRiNoise}, {0, 1, 1, 0, calcLinearPartsWithBaseline},
        {0, 1, 0, 1, calcRiNoiseAndBaseline},    {0, 1, 0, 0, calcBaselineOnly},
        {0, 0, 1, 1, calcAmplitudesOnly},        {0, 0, 0, 1, addBaselineToModel},
    };
    for (const Row& r : rows) {
        setSwitches(r.ti, r.baseline, r.conc, r.ri);
        EXPECT_EQ(linearPartsRoutine(), r.routine);
    }
}

// The interacting and continuous models deliver their whole signal as the
// basis of species 1 (amplitude 1), whatever count of species the model
// before left: TI and RI noise around it leave no residual (data = the
// delivered signal + a radial profile + scan offsets) and the basis as it was.
TEST(LinearParts, EachInteractingOrContinuousModelKeepsItsSignalUnderTheNoise)
{
    Experiment e({1});
    unsigned char* const models[] = {&bModelMonomerDimer,      &bModelMonomerTrimer,    &bModelSelfAssoc124,
                                     &bModelSelfAssoc148,      &bModelNonidealSingle,   &bModelNonidealMultiple,
                                     &bModelHeteroAssociation, &bModelContinuous};
    bModelDiscreteSpecies = 0;
    e.delivered[1] = 1.0;
    setSwitches(true, false, false, true);
    ASSERT_EQ(linearPartsRoutine(), &calcTiRiNoiseOnly);
    for (unsigned char* pModel : models) {
        for (unsigned char* p : models) *p = 0;
        *pModel = 1;
        e.Deliver();
        e.SetData({0, 1.0, 0, 0, 0}, profileOf, offsetOf);
        const float fBasis = pppExtraNoiseScan[1][3][70];
        nActiveSpecies = 0;
        calcTiRiNoiseOnly();
        const long nModel = pModel - models[0];
        EXPECT_EQ(nActiveSpecies, 1) << nModel;
        EXPECT_LT(Experiment::MaxResidual(), 1e-5) << nModel;
        EXPECT_EQ(pppExtraNoiseScan[1][3][70], fBasis) << nModel;
    }
    for (unsigned char* p : models) *p = 0;
}

// Totals and fractions of the discrete species, the buffer slot, and the
// normalisation of the bases.
TEST(SpeciesTotals, TotalFractionsAndNormalisedBases)
{
    bModelDiscreteSpecies = 1;
    for (int s = 1; s <= 4; s++) pSpeciesIncluded[s] = 0;
    pSpeciesIncluded[1] = pSpeciesIncluded[3] = 1;
    pSpeciesConc[1] = 2.0f;
    pSpeciesConc[3] = 6.0f;
    pSpeciesConc[2] = 9.0f;  // excluded: untouched
    speciesToTotalAndFractions();
    EXPECT_EQ(pSpeciesConc[1], 8.0f);
    EXPECT_EQ(pSpeciesConc[3], 0.75f);
    EXPECT_EQ(pParamValue[9], 8.0f);
    EXPECT_EQ(pParamValue[11], 0.75f);
    EXPECT_EQ(pSpeciesConc[2], 9.0f);

    // The buffer signal in the last slot takes no part in the total.
    bBufferMismatch = bAlgebraicConcentrations = 1;
    pSpeciesIncluded[4] = 1;
    pSpeciesConc[1] = 1.0f;
    pSpeciesConc[3] = 3.0f;
    pSpeciesConc[4] = 0.4f;
    speciesToTotalAndFractions();
    EXPECT_EQ(pSpeciesConc[1], 4.0f);
    EXPECT_EQ(pSpeciesConc[3], 0.75f);
    EXPECT_EQ(dBufferSignal, 0.4f);
    EXPECT_EQ(pParamValue[12], 0.4f);

    // Another model family: nothing changes.
    bModelDiscreteSpecies = 0;
    speciesToTotalAndFractions();
    EXPECT_EQ(pSpeciesConc[1], 4.0f);

    // Normalisation: divided by the factor, zero for a factor 0, the factor kept.
    Experiment e({1, 2});
    fSpeciesAmplitude[1] = 2.5f;
    fSpeciesAmplitude[2] = 0.0f;
    const float before = pppExtraNoiseScan[1][2][60];
    int list[3] = {0, 1, 2};
    normaliseSpeciesBasis(2, list);
    EXPECT_FLOAT_EQ(pppExtraNoiseScan[1][2][60], before / 2.5f);
    EXPECT_EQ(pppExtraNoiseScan[2][2][60], 0.0f);
    EXPECT_EQ(fSpeciesAmplitude[1], 2.5f);
}
