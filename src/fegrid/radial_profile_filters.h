// Radial filters of simulated profiles.
#pragma once

// Finite radial resolution of absorbance optics: each of the n values y
// (1-based, at the radii r in cm) becomes -log10 of the average of 10^-y over
// the radial window of the given width (cm) around it.
void convolveAbsorbanceResolution(int n, float fWidth, float* r, float* y);
