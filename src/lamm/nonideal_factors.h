// Factors of s and D for hindered sedimentation at a concentration c (mg/ml).
#pragma once

// With the solute volume fraction phi = c vbar / 1000: the s factor is
// (1 - phi)^ks (Richardson-Zaki, ks the exponent) or, with the linear switch,
// max(0, 1 - ks phi); the D factor is the s factor times the Carnahan-Starling
// term (1 + 4 phi + 4 phi^2 - 4 phi^3 + phi^4) / (1 - phi)^4. Both are 1 for
// c < 0 and 0 for c > 10000 or phi >= 1. kd, s, MorD, density, temperature and
// viscosity are accepted for the callers' sake and not used.
float hinderedSFactor(float c, float ks, float vbar, bool linearLaw);
float hinderedDFactor(float c, float ks, float vbar, bool linearLaw);

// The same with the program's hindered-sedimentation switch bHinderedBaxter.
float nonidealSFactor(float c, float ks, float kd, float s, float MorD, float vbar, float density,
                      float temperature, float relativeViscosity);
float nonidealDFactor(float c, float ks, float kd, float s, float MorD, float vbar, float density,
                      float temperature, float relativeViscosity);

// The factor of s of the hindered-settling model at the concentration c
// (mg/ml), with the model's ks (fNonidealKs) and vbar.
float nonidealSFactorAt(float c);
