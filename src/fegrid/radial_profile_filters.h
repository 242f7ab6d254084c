// Radial profile helpers: the closed-form approximate boundary with its
// complementary error function, and the filters of simulated profiles for the
// optics (absorbance resolution, Gaussian smoothing, bottom cut-off).
// Arrays are 1-based floats; the filters work in place.
#pragma once

// Finite radial resolution of absorbance optics: each of the n values y
// (at the radii r in cm) becomes -log10 of the average of 10^-y over the points
// j <= i with r_j > r_i - width/2 and j > i with r_j <= r_i + width/2; 0 when
// the window holds no point or the average is not positive.
void convolveAbsorbanceResolution(int n, float fWidth, float* r, float* y);
// Gaussian smoothing with sigma = fFloConvolution over fConvolutionDistFactor
// sigma on either side; beyond the array the radii continue with the mean
// spacing and add weight only, and only values inside [meniscus, bottom] add
// signal.
void gaussianRadialSmoothing(int n, float* r, float* y);
// The shadow of the excitation cone of radius fFloExcitationCone at the cell
// bottom: each value times the part of the cone's disc inside the cell.
void bottomOpticalCutoff(int n, float* r, float* y);

// erfc(x) by the single-precision Chebyshev fit (relative error below 1.2e-7).
float erfcc(float x);
// A boundary of rate k = s omega^2 (1/s) and diffusion D (cm^2/s) at time t
// from a loading c0: 0.5 c0 exp(-2kt) erfc((2kt - 2 ln(r/m)) / width), width
// 2 sqrt(4 D t / m^2), at the radii r[1..n] into out[1..n] (single precision),
// then the absorbance resolution when that option applies.
void approximateBoundaryProfile(float c0, double t, float r[], float out[], int n, float k, float D,
                                float meniscus);
