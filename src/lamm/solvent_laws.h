// The laws of the inhomogeneous solvent, shared by the solver object and the
// global-grid propagators: the density of a compressible solvent under the
// hydrostatic pressure of the column, the density and viscosity of a co-solute
// solution from their coefficient tables, the s(c) and D(c) of a co-solute
// (polynomial tables, or the built-in data of CsCl at 25 'C).
//
// Tables are 1-based arrays of n coefficients (null or n < 1: no table). No law
// returns a number that is not finite: a table that overflows at c (or gives a
// density or viscosity not above 0) counts as no table there.
#pragma once

// Hydrostatic pressure (MPa) at radius r (cm) of a column of density rho0
// (g/ml) from the meniscus m at rpm: 0.5 (1000 rho0) omega^2 (r^2 - m^2) 1e-10.
double solventPressureMPa(double rho0, double rpm, double meniscus, double r);
// Density (g/ml) there of a solvent of compressibility kappa (1/MPa) and
// density rho0 at 1 atm: rho0 / (1 - kappa P); rho0 for kappa = 0.
double compressibleSolventDensity(double rho0, double kappa, double rpm, double meniscus, double r);

// Density (g/ml) of the co-solute solution at c (M): b1 + 0.001 b2 sqrt(c) +
// 0.01 b3 c + 0.001 b4 c^2 + 0.0001 b5 c^3 + 1e-6 b6 c^4, as many terms as the
// table has (up to 6); 0.99823 without a table.
double cosoluteDensityLaw(const double* b, int n, double c);
// Viscosity (Pa s): 0.001002 (a1 + 0.001 a2 sqrt(c) + 0.01 a3 c + 0.001 a4 c^2 +
// 0.0001 a5 c^3), up to 5 terms; 0.001002 without a table.
double cosoluteViscosityLaw(const double* a, int n, double c);

// a1 + a2 c + a3 c^2 + ... over the n entries; 0 without a table.
double coefficientPolynomial(const double* a, int n, double c);

// The built-in co-solute, CsCl at 25 'C: s(c) in S and D(c) in cm^2/s.
double cosolutePresetS(double c);
double cosolutePresetD(double c);
