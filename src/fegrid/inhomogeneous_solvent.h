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
