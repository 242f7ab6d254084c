// Prior probabilities of the regularization: the sources set by the prior
// commands and their set-up over the grid at the start of every run.
#pragma once

// Prior weighting is on, and the prior data file in use (empty: none).
extern unsigned char bUsePriorProbabilities;
extern char szPriorFileName[1000];
// The prior peak table, rows 1..10: location (S), width (S; -1 a free row,
// 0 a delta peak) and amplitude.
inline constexpr int nPriorPeakRows = 10;
extern double dPriorPeakLocation[nPriorPeakRows + 1];
extern double dPriorPeakWidth[nPriorPeakRows + 1];
extern double dPriorPeakAmplitude[nPriorPeakRows + 1];
// The prior comes from the discrete species found in a distribution, or was
// read from a peak-table ("GJT") file; its s values and prior values,
// 1..nPriorDiscreteSpecies.
extern unsigned char bPriorFromDiscreteSpecies;
// The discrete-species prior has been used once; the next Run drops it.
extern unsigned char bDiscreteSpeciesPriorUsed;
extern unsigned char bGJPriorLoaded;
extern int nPriorDiscreteSpecies;
extern double* pPriorDiscreteSpecies;
extern double* pPriorDiscreteSpeciesValues;
// Two-dimensional models: p(f/f0) assembled from up to 10 Gaussians.
extern unsigned char bPriorFf0Gaussians;
extern double dFf0PriorPeakPosition[10];
extern double dFf0PriorPeakHalfWidth[10];
extern double dFf0PriorPeakEnhancement[10];

// Releases the discrete-species prior vectors.
void freePriorDiscreteSpecies();

// Fills pPriorAbscissa with the grid and, with the prior on, pPriorProbability
// from the peak table, the discrete-species prior or the prior file, and the
// f/f0 weights of the two-dimensional models. Returns 1.
int setupPriorProbabilities();

// Placement of one sharp component between grid points: the piecewise-linear
// curve through (x1, 0), (x2, h + d), (x3, h - d), (x4, 0) has its mean at
// the target. priorPeakMeanExcess(d) is the curve's mean minus the target
// (the target itself when the area is 0), for the root finder.
void setPriorPeakNeighbourhood(double x1, double x2, double x3, double x4, double h, double dTarget);
double priorPeakMeanExcess(double d);
