// The grid of the distribution run: sedimentation coefficients (linear,
// logarithmic, two-sided, with flotation, from the "sdist" file, hybrid with
// a minimum s), molar masses, the light-scattering radius and diffusion
// grids and the two-dimensional s x f/f0 grid; with the result store, its
// plot, the Lamm-solution store and the normal equations sized for it.
#pragma once

// The settings of the last grid build, for the reuse test of the
// two-dimensional models.
struct LastGridSettings {
    float fSGridResolution = 0.0f;
    int nCsGridTotal = 0;
    float fFf0Resolution = 0.0f;
    float fSMin = 0.0f;
    float fSMax = 0.0f;
    float fFf0Min = 0.0f;
    float fFf0Max = 0.0f;
};
extern LastGridSettings lastGridSettings;

// 1 when grid, plot and stores are ready; 0 when the run must stop (a failed
// file read, a refused limit warning, a failed allocation of the stores or of
// the M(s) table).
unsigned char setupSGrid();

// An s grid out[1..n] from smin to smax, linear below smin* and with steps
// growing in proportion to s above it (n >= 11 and smin < smin* < smax),
// ending at smax; the logarithmic grid when smin* <= smin, else the linear
// grid.
void buildSGridWithMinimum(float* out, float smin, float smax, float sminStar, int n);
// t[1..n] logarithmically distributed from |smin| to |smax|.
void buildLogGrid(double* t, double smin, double smax, int n);
// Fills t[1..n]: from smin in steps d up to the last point below smin*, then
// each step d times the point it would reach at the previous step over smin*
// (so the steps grow geometrically, by about 1 + d / smin*). Returns t[n].
double fillLinearLogGrid(double* t, int n, double smin, double sminStar, double d);
