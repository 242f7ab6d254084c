// The physical constants against their published figures and the laws that
// tie them together, in the single-precision forms the float code computes
// with as well as in double.
#include <gtest/gtest.h>

#include <cmath>

#include "numerics/physical_constants.h"

TEST(PhysicalConstants, FiguresAndTheLawsBetweenThem)
{
    // 0 and 20 degrees Celsius in kelvin; each float form is the float
    // literal of the figure's own digits.
    EXPECT_EQ(kZeroCelsius, 273.15);
    EXPECT_EQ(kZeroCelsiusF, 273.15f);
    EXPECT_NEAR(kStandardTemperature, 293.15, 1e-12);
    EXPECT_EQ(kStandardTemperatureF, 293.15f);

    // R T at 20 C, in erg/mol, is 1 / kInverseRTStandard, in both precisions.
    EXPECT_NEAR(kGasConstant * kStandardTemperature * kInverseRTStandard, 1.0, 1e-9);
    EXPECT_NEAR(static_cast<double>(kGasConstantF * kStandardTemperatureF) * kInverseRTStandard, 1.0, 2e-7);
    EXPECT_EQ(kGasConstantSIF, 8.31451f);
    EXPECT_EQ(kGasConstantF, 8.31451e7f);

    // R = k_B N_A (to the five and six figures they are written with).
    EXPECT_NEAR(kBoltzmann * kAvogadro / kGasConstantSI, 1.0, 1e-5);
    EXPECT_NEAR(static_cast<double>(kBoltzmannF) * static_cast<double>(kAvogadroF) / kGasConstantSIF, 1.0, 1e-5);

    // omega = 2 pi rpm / 60: 60000 rpm is 6283.185 rad/s.
    EXPECT_NEAR(60000.0 * kRpmToOmega, 6283.18530718, 1e-7);
    EXPECT_NEAR(60000.0f * kRpmToOmegaF, 6283.1853f, 1e-3f);

    // Water at 20 C: 0.99823 g/ml, 1.002 cP = 0.01002 P = 0.001002 Pa s.
    EXPECT_EQ(kWaterDensity20F, 0.99823f);
    EXPECT_EQ(kWaterViscosity20CentipoiseF, 1.002f);
    EXPECT_EQ(kWaterViscosity20PoiseF, 0.01002f);
    EXPECT_EQ(kWaterViscosity20F, 0.001002f);
    EXPECT_NEAR(kRelativeViscosityPerPoiseF * 0.01002f, 1.0f, 1e-6f);
}
