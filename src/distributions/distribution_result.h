// The distribution result: the grid of the current distribution model, its
// values, the two-dimensional arrays of c(s,ff0), the prior vectors sized to
// the grid, and the distribution plot in the band below the data and
// residual plots of the main window. All numeric vectors are 1-based.
#pragma once

#include "platform/win.h"

class CVector;
class CCurve;
class CWINPlot;

// ---------------------------------------------------------------- the grid and its values
// (nResolution, nCsGridTotal and nFf0Resolution are in conti_globals.h.)
// The s axis (S) of the s-type models, log10 of the Stokes radius (m) of the
// light-scattering models, 0 for the M type; s20,w or the Stokes radius (nm)
// after the transforms.
extern float* pDistAxisS;
// The molar mass (Da) of each point for the s type, the M grid itself for the
// M type, log10 of D (cm^2/s) for the light-scattering models.
extern float* pDistAxisM;
// The distribution, and the second one of the other regularization.
extern float* pDistValues;
extern float* pDistValues2;
// Prior probability per grid point (0.01 at allocation) and the grid
// abscissa in double precision for the prior set-up.
extern double* pPriorProbability;
extern double* pPriorAbscissa;

// Two-dimensional grid, s fastest: point j = (k - 1) n + i for s index i and
// f/f0 index k.
extern float* pCsFf0Values;
extern float* pCsFf0S;
extern float* pCsFf0Ratio;
extern float* pCsFf0M;   // Da
extern float* pCsFf0D;   // cm^2/s
extern float* pCsFf0Rh;  // nm
extern float* pFf0Grid;
extern float* pFf0PriorWeights;
// Statistics of the last two-dimensional integration.
extern float fCsFf0MeanM;
extern float fCsFf0SdM;
extern float fCsFf0MeanRh;
extern float fCsFf0SdRh;
extern float fCsFf0MeanFf0;
extern float fCsFf0MsD;

extern unsigned char bCsFf0Plotted;          // the plot shows a two-dimensional result
extern unsigned char bDistConvertedToCM;     // the shown c(s) was converted to c(M)
extern unsigned char bDistTransformedToRh;   // the shown distribution is over Stokes radii
// The shown distribution was transformed to standard conditions (s20,w) by a
// transform command; cleared when a distribution is computed.
extern unsigned char bDistributionTransformed;
// Set after each grid or plot build; while set, a release lays the
// main-window plots out again.
extern unsigned char bDistPlotBuilt;

// ---------------------------------------------------------------- plot objects (owned here)
extern CVector* pDistXVector;  // views of the x axis, pDistValues and pDistValues2
extern CVector* pDistYVector;
extern CVector* pDistY2Vector;
extern CCurve* pDistCurve;
extern CCurve* pDistCurve2;
extern CWINPlot* pDistPlot;
extern CVector* pCsFf0XVector;
extern CVector* pCsFf0YVector;
extern CCurve* pCsFf0Curve;

// The band of the distribution plot (logical units of the main window) and
// the symbol size of the two-dimensional point display.
inline constexpr int nDistPlotFrom = 630;
inline constexpr int nDistPlotTo = 950;
inline constexpr int nDistSymbolSize = 10;

// ---------------------------------------------------------------- model classes
// The 22 flags of the s type (grid in S); otherwise the M type (grid in Da).
bool isSTypeModel();
// c(s,ff0) and c(s,ff0) with one discrete species.
bool isTwoDimensionalModel();
// The 17 flags whose rebuilt plot is labelled "c(s)" over "sed coefficient [S]".
bool isCSListModel();
// The 20 flags whose rebuilt plot takes the s axis.
bool isSAxisPlotModel();
// The s family of the prior set-up: the grid abscissa is pDistAxisS.
bool isSFamilyModel();
// The s family of the distribution-file loader.
bool isSFamilyModelForFile();
// Grid point 1 carries the amplitude of a discrete species (or the buffer
// signal), which never becomes a density.
bool hasDiscreteSpeciesAtPoint1();
// The same for the integrals and the running integral, where c(s,ff0) with
// one discrete species and the non-ideal c(s) always count.
bool hasDiscreteSpeciesAtPoint1ForIntegrals();

// ---------------------------------------------------------------- operations
// Allocates the one-dimensional vectors and the prior vectors (1..n, prior
// 0.01) and sets nResolution; any earlier ones must have been released.
void allocDistributionVectors(int n);
// Releases them (bounds as allocated; nothing when absent) and sets
// nResolution to 0: no loop over the grid may reach freed vectors.
void freeDistributionVectors();
// The number of points the vectors were allocated with (0 when absent).
int allocatedDistributionPoints();
// The one-dimensional vectors hold nResolution (at least 1) points.
bool haveDistributionVectors();
// Allocates the two-dimensional arrays for nTotal points and nFf0 f/f0 values.
void allocCsFf0Arrays(int nTotal, int nFf0);
// Releases them whenever they exist, with the bounds they were allocated with.
void freeCsFf0Arrays();
// The sizes the two-dimensional arrays were allocated with (0 when absent).
int allocatedCsFf0Points();
int allocatedFf0Points();

// Releases the whole result and the plot (nResolution 0), restores the
// main-window bands and, after a build, lays the main-window plots out again.
void clearDistributionResults();
// Builds the plot of a grid that has just been filled.
void plotDistribution();
// Rebuilds the plot after a model change (or only sets default grid limits
// when no plot exists).
void updateDistributionPlot();
// Rebuilds the two-dimensional display after its options changed.
void plotSizeAndShapeDistribution();
// Converts the shown c(s) into c(M) over pDistAxisM, once.
void plotCMDistribution();
// The recorded picture of the distribution plot, or 0 without one.
win::HMETAFILE paintDistributionPlot();

// ---------------------------------------------------------------- transforms of the shown distribution
// (distributions/distribution_finish.cpp)
// To standard conditions: the grid times (1 - vbar20 0.99823) viscosity /
// ((1 - vbar density) 0.001002) (viscosity in Pa s), the values divided by
// that factor, so the area stays; 0 (nothing changed) without a distribution,
// for the M-type models and electrophoresis c(v).
unsigned char transformDistributionToS20w(float fVbar, float fVbar20, float fViscosity, float fDensity);
// From s20,w to the Stokes radius (nm), the values rescaled so that the
// trapezoidal area of each shown curve stays; 0 (nothing changed) without a
// distribution.
unsigned char transformDistributionToRh(float fVbar20);
// Divides every value by the signal coefficient a(R) = p0 + p1 R + ... of the
// grid point's abscissa, the coefficients read one per line from the file.
// A file that gives no coefficient, or an a(R) of 0 at a grid point, is
// refused with a box and leaves the distribution as it was (result 0).
unsigned char correctDistributionForSizeDependentSignal(const char* szPath);
