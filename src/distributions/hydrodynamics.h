// Hydrodynamic relations of the compact sphere (single precision, s in S, M in
// g/mol, D in cm^2/s, radii in m, viscosities in Pa s, temperatures in
// degrees Celsius).
#pragma once

inline constexpr float fAvogadro = 6.02214e23f;
inline constexpr float fBoltzmann = 1.38065e-23f;
inline constexpr float fWaterDensity20 = 0.99823f;

// Radius of the anhydrous sphere, (3 (M / N_A) vbar 1e-6 / (4 pi))^(1/3).
// M or vbar 0: the error box "(mass == 0)||(vbar== 0) in function
// CalculateRadius" and 0; a volume <= 0 gives 0.
float CalculateRadius(float fM, float fVbar);

// s of the compact sphere: (1 - vbar density) 1e13 M D0 / RT with
// D0 = (T + 273.15) k_B 1e4 / (6 pi 0.001002 x relative viscosity x R0).
float sphereSFromM(float fM, float fVbar, float fT, float fDensity, float fRelViscosity);
