// s from the output of the boundary-element hydrodynamics programs, and the
// power-law calibration of the c(M) scaling law (tools/exports/).
#pragma once

class TXLAWindow;

// Reads pairs (number of triangles, D in cm^2/s) from the text of a
// boundary-element program's output: after each "Number of Surface Patches"
// the number that follows the label, then after the next "DTT(EXACT) =" the
// number one character past the label; the next pair is searched from that
// D label on. A patches label without a D label after it ends the reading; a
// pair whose triangle count is not above 0 is skipped. At most nMax pairs go
// to pN[1..] and pD[1..]; returns their number.
int readBestDiffusionPairs(const char* szText, float* pN, float* pD, int nMax);

// s (S) under standard conditions (water at 20 C) of mass M (Da) and partial
// specific volume vbar (ml/g) with the diffusion coefficient D (cm^2/s).
float sFromBestDiffusion(float fMass, float fVbar, float fD);

// Asks for a calibration file of (s, M) rows, fits log10 s = log10 ks + kb
// log10 M (with one row the exponent is asked), shows the fit until a key is
// pressed and on acceptance stores ks and kb (fScalingKs, fScalingBs and
// entries 11 and 18 of the parameter vector). True when they were stored.
bool calibrateCMPowerLaw(TXLAWindow* pWindow);
