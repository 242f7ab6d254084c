// The concentrations of the discrete species as a total and fractions: the
// cases the amplitude solvers leave to it, and the model evaluation's reading
// of the representation, which must give back the solved amplitudes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "analyses/species_totals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

namespace {

void includeOnly(std::initializer_list<int> species)
{
    for (int s = 1; s <= 4; s++) pSpeciesIncluded[s] = 0;
    for (int s : species) pSpeciesIncluded[s] = 1;
}

// What the model evaluation reads back from the representation: the first
// included species has 1 minus the other fractions (clipped at 0), the others
// their own fractions (clipped at 0), each times the total.
std::vector<double> amplitudesFromRepresentation()
{
    std::vector<double> a(5, 0.0);
    int nFirst = 0;
    for (int s = 1; s <= 4 && !nFirst; s++)
        if (pSpeciesIncluded[s]) nFirst = s;
    const double T = pSpeciesConc[nFirst];
    double dOthers = 0.0;
    for (int s = nFirst + 1; s <= 4; s++)
        if (pSpeciesIncluded[s]) {
            a[s] = std::max(0.0, double(pSpeciesConc[s])) * T;
            dOthers += pSpeciesConc[s];
        }
    a[nFirst] = std::max(0.0, 1.0 - dOthers) * T;
    return a;
}

}  // namespace

TEST(SpeciesTotals, SingleSpeciesZeroTotalAndNothingIncluded)
{
    bModelDiscreteSpecies = 1;

    // one species keeps its amplitude as the total
    includeOnly({2});
    pSpeciesConc[2] = 3.5f;
    speciesToTotalAndFractions();
    EXPECT_EQ(pSpeciesConc[2], 3.5f);
    EXPECT_EQ(pParamValue[10], 3.5f);

    // a total of 0: the later species get 0, the excluded one stays
    includeOnly({1, 2, 4});
    pSpeciesConc[1] = 0.0f;
    pSpeciesConc[2] = 0.0f;
    pSpeciesConc[3] = 7.0f;
    pSpeciesConc[4] = 0.0f;
    pParamValue[10] = pParamValue[12] = 99.0f;
    speciesToTotalAndFractions();
    EXPECT_EQ(pSpeciesConc[1], 0.0f);
    EXPECT_EQ(pParamValue[10], 0.0f);
    EXPECT_EQ(pParamValue[12], 0.0f);
    EXPECT_EQ(pSpeciesConc[3], 7.0f);

    // a negative total divides like any other
    includeOnly({1, 3});
    pSpeciesConc[1] = 1.0f;
    pSpeciesConc[3] = -3.0f;
    speciesToTotalAndFractions();
    EXPECT_EQ(pSpeciesConc[1], -2.0f);
    EXPECT_EQ(pSpeciesConc[3], 1.5f);

    // nothing included: no slot is written (there is no first species)
    includeOnly({});
    for (int s = 1; s <= 4; s++) pSpeciesConc[s] = pParamValue[8 + s] = float(s);
    speciesToTotalAndFractions();
    for (int s = 1; s <= 4; s++) {
        EXPECT_EQ(pSpeciesConc[s], float(s));
        EXPECT_EQ(pParamValue[8 + s], float(s));
    }

    // with buffer mismatch and algebraic concentrations only the buffer slot
    // is included: it goes to the buffer signal, the species stay
    bBufferMismatch = bAlgebraicConcentrations = 1;
    includeOnly({4});
    pSpeciesConc[4] = 0.25f;
    speciesToTotalAndFractions();
    EXPECT_EQ(dBufferSignal, 0.25f);
    EXPECT_EQ(pParamValue[12], 0.25f);
    for (int s = 1; s <= 3; s++) EXPECT_EQ(pSpeciesConc[s], float(s));
}

TEST(SpeciesTotals, ReadingTheRepresentationBackGivesTheAmplitudes)
{
    bModelDiscreteSpecies = 1;
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> amplitude(0.0f, 10.0f);
    for (int trial = 0; trial < 500; trial++) {
        const int nMask = 1 + static_cast<int>(rng() % 15);
        std::vector<double> solved(5, 0.0);
        double dTotal = 0.0;
        for (int s = 1; s <= 4; s++) {
            pSpeciesIncluded[s] = (nMask >> (s - 1)) & 1;
            if (!pSpeciesIncluded[s]) continue;
            // some amplitudes exactly 0, as the non-negative solution gives
            const float a = rng() % 5 == 0 ? 0.0f : amplitude(rng);
            pSpeciesConc[s] = a;
            solved[s] = a;
            dTotal += a;
        }
        speciesToTotalAndFractions();
        const std::vector<double> back = amplitudesFromRepresentation();
        for (int s = 1; s <= 4; s++) {
            if (!pSpeciesIncluded[s]) continue;
            EXPECT_NEAR(back[s], solved[s], 2e-6 * dTotal + 1e-12) << trial << " " << s;
        }
    }
}

TEST(SpeciesTotals, OtherModelFamiliesLeaveTheBasesAlone)
{
    // one scan on a three-point grid
    nScans = 1;
    nNoiseGridPoints = 3;
    pSpeciesIncluded[1] = 1;
    allocExtraNoiseArrays();
    ASSERT_TRUE(pppExtraNoiseScan[1]);
    for (int j = 1; j <= 3; j++) pppExtraNoiseScan[1][1][j] = float(j);
    fSpeciesAmplitude[1] = 4.0f;
    int list[2] = {0, 1};

    bModelDiscreteSpecies = 0;
    bModelMonomerDimer = 1;
    normaliseSpeciesBasis(1, list);
    EXPECT_EQ(pppExtraNoiseScan[1][1][2], 2.0f);

    bModelMonomerDimer = 0;
    bModelDiscreteSpecies = 1;
    normaliseSpeciesBasis(1, list);
    EXPECT_EQ(pppExtraNoiseScan[1][1][2], 0.5f);
    EXPECT_EQ(fSpeciesAmplitude[1], 4.0f);
    freeExtraNoiseArrays();
    nNoiseGridPoints = 0;
    nScans = 0;
}
