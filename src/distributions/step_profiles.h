// One computed Lamm solution into the Lamm-solution store, and the profile of
// one infinitely sharp boundary (no diffusion) at one scan time.
#pragma once

// The rate k = s omega^2 (1/s) of the sharp boundary, set by the caller.
extern double dAreaFractionS;

// Interpolates the m pairs (radius, concentration) of a solution on its own
// grid onto the target radii (the noise grid, or scan 1's radii with
// bUseScanRadii) into the store row nLammSolutionSet, scan k; for absorbance
// data with bSimRadialResolution it then applies the optics' radial
// resolution. Fewer than 5 points on either side leave the store unchanged.
void interpolateLammSolution(int k, const double* r, const double* c, int m);
// The same added to the row, without the optical correction.
void interpolateLammSolutionRaw(int k, const double* r, const double* c, int m);

// The sharp boundary of loading c0 at time t (s) over the radii x[1..n] (cm)
// into y[1..n]: sector or linear geometry, flotation, zone, the time the
// scanner takes to reach each radius, and the compressible solvent of the
// inhomogeneous-solvent model.
void stepFunctionProfile(float c0, double t, float* x, float* y, int n);
