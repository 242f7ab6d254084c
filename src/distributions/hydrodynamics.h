// Hydrodynamic relations between sedimentation coefficients, molar masses,
// diffusion coefficients and particle sizes, used by the distribution grids,
// their displays and the calculators.
//
// Units: s in S (1e-13 s), M in Da (g/mol), D in cm^2/s, radii in m,
// friction coefficients in g/s, viscosities in Pa s, densities in g/ml,
// partial specific volumes in ml/g; temperatures T in degrees Celsius (the
// relations add 273.15). They read the solvent conditions VBAR, fVbarRho,
// fBufferDensity, RELVISCOSITY, fTemperatureK and fFrictionalRatio. Invalid
// input shows a non-fatal error box naming the function and gives 0 (1e-4
// where said), which the callers treat as "no value".
#pragma once

extern const float fAvogadro;       // 1/mol
extern const float fBoltzmann;      // J/K
extern const float fPi;
extern const float fWaterDensity20;  // g/ml, water at 20 degrees Celsius

// ---------------------------------------------------------------- compact sphere
// Radius of the anhydrous sphere of mass M, (3 (M / N_A) vbar 1e-6 / (4 pi))^(1/3).
float CalculateRadius(float fMass, float fVbar);
float sphereMassFromRadius(float fRadius, float fVbar);
// f0 = 6 pi eta R0 x 1000 (g/s) of the anhydrous sphere.
float sphereFrictionCoefficient(float fMass, float fVbar);
// f = (1 - vbar density) M / N_A / (s 1e-13).
float frictionCoefficientFromSM(float fMass, float fS, float fVbar, float fDensity);
// f / f0 with the given relative viscosity.
float CalculateFrictionalRatio(float fMass, float fS, float fVbar, float fDensity, float fRelViscosity);

// ---------------------------------------------------------------- Svedberg and Stokes-Einstein
// M = s RT / ((1 - fVbarRho) D), as a magnitude; with M in the place of D it
// gives D. 1e-4 when D or s is 0.
float MFromSD(float fD, float fS, float fT);
// D = s RT / ((1 - fVbarRho) M); with D in the place of M it gives M. 0 for M <= 0.
float DFromSM(float fS, float fMass, float fT);
float SFromMD(float fMass, float fD, float fT);
// Stokes-Einstein with R in metres: D = k_B T 1e4 / (6 pi eta R) in cm^2/s;
// with D in the place of R it gives the Stokes radius in m. 0 for R <= 0.
float DFromStokesRadius(float fRadius, float fT);
float DFromStokesRadius2(float fRadius, float fT);
// D of the sphere of mass M with the frictional ratio fFrictionalRatio (or
// the given one); 1e-4 when M or the denominator is 0.
float CalculateDFromM(float fMass, float fT);
float CalculateDFromMff0(float fMass, float fT, float fFf0);
float DFromMS(float fMass, float fS, float fVbar, float fT, float fDensity, float fRelViscosity);
// s of the compact sphere of mass M.
float sphereSFromM(float fMass, float fVbar, float fT, float fDensity, float fRelViscosity);

// ---------------------------------------------------------------- molar mass from s
// M = N_A X^(3/2), X = ff0 6 pi eta 1000 A(v) s 1e-13 / (1 - v rho); 0 for
// s = 0 and when s and the buoyancy 1 - v rho have opposite signs.
float CalculateM(float fS);
float CalculateMff02(float fS, float fFf0);
float CalculateMassFromSedcoeffSphere(float fS, float fRelViscosity, float fVbar, float fDensity);
// Stokes radius (m) of a particle of s20,w with fFrictionalRatio and vbar20.
float S20ToStokesRadius(float fS20w, float fVbar20);

// ---------------------------------------------------------------- other relations
float VbarFromMass(float fMass);
float SFromM(float fMass);              // power law s = a M^b (dPowerLawA, dPowerLawB)
float MFromSPowerLaw(float fS);         // (s / fScalingKs)^(1 / fScalingBs)
float sFromMPowerLaw(float fMass);      // fScalingKs M^fScalingBs
float sToS20wGeneral(float fS, float fEta, float fDensity, float fVbar, float fVbar20);
float s20wToSGeneral(float fS20w, float fEta, float fDensity, float fVbar, float fVbar20);
float sToS20w(float fS);
float s20wToS(float fS20w);
// Buoyant mass and D of a grid point; below fFlotationSMax the floating
// particle has the fixed D fFlotationSpeciesD (or the D of that radius).
float buoyantMassOfGridPoint(float fS);
float diffusionOfGridPoint(float fS);

// ---------------------------------------------------------------- shapes
// Axial ratios of the hydrated prolate and oblate ellipsoid; 0 at or below
// the frictional ratio of the hydrated sphere.
float CalculateProlateRatio(float fMass, float fS, float fVbar, float fHydration, float fDensity,
                            float fRelViscosity);
float CalculateOblateRatio(float fMass, float fS, float fVbar, float fHydration, float fDensity,
                           float fRelViscosity);
float CalculateProlateRatioFromFf0(float fFf0, float fVbar, float fHydration, float fDensity);
float CalculateOblateRatioFromFf0(float fFf0, float fVbar, float fHydration, float fDensity);
// s of a long rod of mass M and mass per length m_L (Da/nm); the compact
// sphere when the rod would be shorter than thick.
double rodSFromM(double dMass, double dMassPerLength);
// Its inverse; 0 for s <= 0 and when s and the buoyancy have opposite signs.
float CalculateMofSforLinearRod(float fS, float fMassPerLength);
// Worm-like chain of fWormMonomerMw, fWormPersistenceLength,
// fWormCrossSection and fWormHydration: s of mass M and its inverse.
float wormChainSFromM(float fMass);
float wormChainMFromS(float fS);
// The worm-like chain's inversion met its first bracket without a sign change.
extern unsigned char bWormlikeChainRootWarned;
// Writes s20,w and M (kDa) of every grid point to "~WormChain_mofs.dat".
void writeWormChainMofsTable();

// ---------------------------------------------------------------- M(s) table "mofs.dat"
// Two columns, s20,w in S and M in kDa. readMofSTable replaces a loaded table
// (false when the file cannot be read); mOfSInterpolate gives M in Da of an
// s in the experiment's conditions, 1.0 without a table.
bool readMofSTable();
float mOfSInterpolate(float fS);
void freeMofSTable();
// The loaded table: abscissae (s20,w) and values (kDa), 1..nMofSTablePoints.
extern double* pMofSTableS;
extern double* pMofSTableM;
extern int nMofSTablePoints;
extern unsigned char bMofSTableLoaded;
