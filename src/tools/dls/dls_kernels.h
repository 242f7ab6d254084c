// Model autocorrelation of light-scattering data: the decay of the field
// autocorrelation g(1) for one diffusion coefficient on the lag grid of every
// loaded measurement, and the switch of a measurement between g(2)-1 and g(1).
//
// Scattering vector of a measurement: q = 4 pi n sin(theta / 2) / lambda
// (pi in single precision, theta in degrees, lambda in m). Decay at the lag
// tau = 10^x s of grid value x, for D = dLammD (cm^2/s) > 0:
//   g = A exp(-1e-4 D q^2 tau)
// and, in the cumulant form with u = 1e-4 q^2 and the cumulants K1..K3,
//   g = A exp(-K1 u tau) (1 + K2 u^2 tau^2 / 2 - K3 u^3 tau^3 / 6).
// For D <= 0 the decay is A at the first lag and 0 at every other.
#pragma once

struct DlsScanHeader;

// Inputs set by the callers before each call (with dLammD, models/model_globals.h):
// the amplitude of the decay (1.0 in the distributions, the species' loading
// concentration in the discrete models) and the cumulants of the cumulant
// model (the first is dLammD there).
extern double dDlsKernelAmplitude;
extern double dDlsCumulant1;
extern double dDlsCumulant2;
extern double dDlsCumulant3;

// q^2 (per m^2) of a measurement; false when the record has no refractive
// index or wavelength above 0 (or the value is no finite number).
bool dlsScatteringVectorSquared(const DlsScanHeader& record, double* pdQ2);

// The decay of one diffusion coefficient for every loaded measurement, in
// time order i = 1..nScans (record k = pScanTimeOrder[i]):
// - distribution models (bModelDlsRh or bModelDlsD): into
//   pLammSolutions[nLammSolutionSet][i] over the common lag grid, or with
//   bUseScanRadii on the lags of measurement 1 (up to the smaller point count);
// - discrete models with bAlgebraicConcentrations or bFitTINoise: into the
//   basis of species nSimSpeciesIndex over the common lag grid;
// - other discrete models: added to ppFit[k] on the measurement's own lags.
// A distribution model on a measurement holding g(2)-1 shows "no field ACF in
// DLS distribution model", a measurement without a valid scattering vector
// "no valid scattering vector in DLS measurement %d"; both stop the
// computation (false), leaving the remaining measurements as they are.
bool calcDlsModelAcf();

// The time-course model I(Rh,t): measurements nTimeCourseFirst..
// nTimeCourseLast into pLammSolutions[nLammSolutionSet][k] over the common
// grid. A key press sets bInterruptComputation (the loop goes on). Stops
// (false) with the same messages as calcDlsModelAcf.
bool calcDlsKernels();

// g(2)-1 -> g(1) (v -> sqrt(v) keeping the sign) and back (v -> v^2 keeping
// the sign) for the n values values[1..n] of a measurement; each changes
// nothing and returns false when the record already holds that form, else
// sets the record's fieldAcf and returns true.
bool convertDlsG2ToG1(int n, float* pValues, DlsScanHeader* pRecord);
bool convertDlsG1ToG2(int n, float* pValues, DlsScanHeader* pRecord);
