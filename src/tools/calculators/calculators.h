// The question-and-answer calculators of Options > Calculator and Options >
// Equilibrium Tools: what they share with tests and other parts beside their
// TXLAWindow commands (tools/calculators/*.cpp).
#pragma once

#include <functional>

// ---------------------------------------------------------------- solvents
// Solvent kinds: 0 water, 1 heavy water D2O, 2 H2-18O, 3 D2-18O.
// Density (g/ml) of the pure solvent at T degrees Celsius.
float solventDensityAt(int nKind, float fT);
// Viscosity (Pa s) of the pure solvent at T degrees Celsius; the heavy-oxygen
// waters are interpolated in their table from 15 to 35 C and estimated
// outside it.
float solventViscosityAt(int nKind, float fT);

// ---------------------------------------------------------------- protein sequence
// Turns the text (up to its first zero byte, at most nMax characters) to
// upper case in place and counts its residues into pCounts[1..26] (A..Z,
// added to what is there): the 20 standard letters one each; B half an N and
// half a D, J half an I and half an L, Z a third each of E, Q and G; O, U
// and X are not counted; anything else is skipped. Each B, J, Z, O, U or X
// is passed to onNote (which may be empty). Returns the residues read (the
// standard letters and B, J, Z).
int classifySequence(char* szText, int nMax, float* pCounts, const std::function<void(char)>& onNote);
// The message shown for a letter passed to onNote; null for other letters.
const char* sequenceLetterNote(char c);

// ---------------------------------------------------------------- equilibrium profiles
// c(r) / c(loading) at sedimentation equilibrium of mass M (Da) at the rotor
// speed (rpm) and 4 C in the sector from rm to rb (cm), with the buoyancy
// 1 - fBufferDensity VBAR: exp(a (r^2 - 49)) over its mean over r^2, with
// a = M (1 - density vbar) omega^2 / (2 R T). A speed of 0 gives the flat
// profile 1.
double equilibriumProfile(double dMass, double dRpm, double r, double rm, double rb);
