// Physical constants: the one place where their figures are written. Every
// formula, default and dialog names them from here, so a figure is changed
// (or mistyped) in one place or not at all.
//
// Code that computes in single precision uses the ...F versions: each is the
// double rounded to float, which is the same float as the float literal with
// the figure's own digits. A double constant in a float expression would
// promote it to double and change its result.
//
// A few formulas carry an older or newer figure of the same constant than the
// rest of the program; their figures are kept, so their results stay as they
// were, and named here beside the main one.
#pragma once

#include <cmath>

// Angular velocity (rad/s) of one rpm: 2 pi / 60.
inline constexpr double kRpmToOmega = 2.0 * M_PI / 60.0;
inline constexpr float kRpmToOmegaF = static_cast<float>(kRpmToOmega);
// The angular velocity of a speed (or acceleration) in rpm, formed as
// rpm x 2 x pi / 60 in that order: the solver and the grid take omega so,
// and it differs from rpm x kRpmToOmega in the last bit at some speeds.
inline constexpr double omegaOfRpm(double rpm) { return rpm * 2.0 * M_PI / 60.0; }
// The factor to eight figures, as the scan times of synthetic data and the
// equilibrium speed calculator take it in double.
inline constexpr double kRpmToOmegaShort = 0.10471976;
// (60 / (2 pi))^2, rpm^2 s per rad^2 (omega squared t to rpm^2 s), to its
// fourteen figures: one unit in the last place below 1 / kRpmToOmega^2.
inline constexpr double kOmega2ToRpm2 = 91.189065278104;

// Gas constant R, J/(mol K) and erg/(mol K) (the same figure, 8.31451).
inline constexpr double kGasConstantSI = 8.31451;
inline constexpr double kGasConstant = kGasConstantSI * 1e7;
inline constexpr float kGasConstantSIF = static_cast<float>(kGasConstantSI);
inline constexpr float kGasConstantF = static_cast<float>(kGasConstant);
// The newer figure of R (erg/(mol K)), in the equilibrium exponential of the
// single-species analysis and as 2 R T in the back-diffusion and steep-gradient
// estimates (whose M = s R T / D takes the main figure).
inline constexpr double kGasConstant2006 = 8.314472e7;

// Avogadro's number (1/mol), and the older figure of the rod and fibril
// hydrodynamics.
inline constexpr double kAvogadro = 6.02214e23;
inline constexpr float kAvogadroF = static_cast<float>(kAvogadro);
inline constexpr double kAvogadroOld = 6.023e23;
inline constexpr float kAvogadroOldF = static_cast<float>(kAvogadroOld);

// Boltzmann's constant (J/K).
inline constexpr double kBoltzmann = 1.38065e-23;
inline constexpr float kBoltzmannF = static_cast<float>(kBoltzmann);

// 0 degrees Celsius in kelvin, and the standard temperature of 20 C.
inline constexpr double kZeroCelsius = 273.15;
inline constexpr float kZeroCelsiusF = static_cast<float>(kZeroCelsius);
inline constexpr double kStandardTemperature = kZeroCelsius + 20.0;
inline constexpr float kStandardTemperatureF = kZeroCelsiusF + 20.0f;
// 1 / (R T) at 20 C (mol/erg), to ten figures.
inline constexpr double kInverseRTStandard = 4.102734765e-11;

// Water at 20 C: density (g/ml), viscosity in Pa s, poise and cP, and the
// relative viscosity of one poise (1 / 0.01002).
inline constexpr double kWaterDensity20 = 0.99823;
inline constexpr float kWaterDensity20F = static_cast<float>(kWaterDensity20);
inline constexpr double kWaterViscosity20 = 0.001002;
inline constexpr float kWaterViscosity20F = static_cast<float>(kWaterViscosity20);
inline constexpr double kWaterViscosity20Poise = 0.01002;
inline constexpr float kWaterViscosity20PoiseF = static_cast<float>(kWaterViscosity20Poise);
inline constexpr float kWaterViscosity20CentipoiseF = static_cast<float>(kWaterViscosity20 * 1000.0);
inline constexpr double kRelativeViscosityPerPoise = 1.0 / kWaterViscosity20Poise;
inline constexpr float kRelativeViscosityPerPoiseF = static_cast<float>(kRelativeViscosityPerPoise);

// Compressibility of water (1/MPa).
inline constexpr double kWaterCompressibility = 4.591e-4;

// Refractive index of water (the light-scattering defaults).
inline constexpr double kWaterRefractiveIndex = 1.333;
inline constexpr float kWaterRefractiveIndexF = static_cast<float>(kWaterRefractiveIndex);

// Figures written apart (in other units, to fewer figures, or older and newer)
// must stay the same constant: a typo in one of them stops the build.
namespace physical_constants {
constexpr bool agree(double a, double b, double rel) { return a <= b * (1.0 + rel) && a >= b * (1.0 - rel); }
}  // namespace physical_constants
static_assert(physical_constants::agree(kRpmToOmegaShort, kRpmToOmega, 4.7e-8), "rpm factor to eight figures");
static_assert(physical_constants::agree(kOmega2ToRpm2 * kRpmToOmega * kRpmToOmega, 1.0, 1e-14), "rpm^2 factor");
static_assert(physical_constants::agree(kGasConstant2006, kGasConstant, 1e-5), "the two figures of R");
static_assert(physical_constants::agree(kAvogadroOld, kAvogadro, 2e-4), "the two figures of N_A");
static_assert(physical_constants::agree(kInverseRTStandard * kGasConstant * kStandardTemperature, 1.0, 1.2e-10),
              "1 / (R T) at 20 C");
// 0.01002 is not exactly ten times the double 0.001002.
static_assert(physical_constants::agree(kWaterViscosity20Poise, 10.0 * kWaterViscosity20, 1e-12),
              "water's viscosity in poise and in Pa s");
