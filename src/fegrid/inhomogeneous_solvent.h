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
