// Inhomogeneous solvent: the settings the other subsystems read.
#pragma once

// The model is on, and its solvent is compressible (a static density gradient
// set by the hydrostatic pressure).
extern unsigned char bInhomogeneousSolvent;
extern unsigned char bCompressibleSolvent;
// Compressibility (1/MPa), buffer density at 1 atm (g/ml) and relative
// viscosity of the buffer.
extern double dSolventCompressibility;
extern float fGradientBufferDensity;
extern float fGradientBufferViscosityRef;
// The co-solute's s and D depend on its concentration; the species
// parameters are currently expressed for standard conditions; the points of
// the co-solute grid.
extern unsigned char bNonidealCosolute;
extern unsigned char bSolventParamsConverted;
extern int nCosoluteGridSize;

// The co-solute forms a gradient of its own (sedimenting co-solute).
extern unsigned char bCosoluteGradient;
extern unsigned char bSedimentingCosolute;
// The vbar of the buoyancy in the gradient (the vbar including solvation with
// a sedimenting co-solute, else VBAR) and its fit flag.
extern float fGradientVbar;
extern unsigned char bFitVbarInGradient;

class CLammIdeal;
// Hands the inhomogeneous solvent's parameters to a solver object
// (SetInhomogeneousSolvent), and those of the co-solute gradient
// (SetCosoluteSolvent).
void setSolverInhomogeneousSolvent(CLammIdeal* pSolver);
void setSolverCosoluteSolvent(CLammIdeal* pSolver);

// The co-solute's s(c) (S) and D(c) (cm^2/s) at concentration c: the built-in
// data set (bCosolutePreset) or the polynomial coefficients of the s(c) and
// D(c) tables, which setupSolventGradientArrays releases and loads again from
// their files unless the preset is chosen. The non-ideal single species uses
// them as its own s and D while bNonidealCosolute is on.
extern unsigned char bCosolutePreset;
extern double* pSNonidTable;
extern int nSNonidTable;
extern double* pDNonidTable;
extern int nDNonidTable;
void setupSolventGradientArrays();
double densgradEmpiricalCurve(double c);
double cosoluteDiffusionPreset(double c);
// a1 + a2 c + a3 c^2 + ... over the n entries of a 1-based table; 0 without one.
double evalPolynomialTable(const double* table, int n, double c);
