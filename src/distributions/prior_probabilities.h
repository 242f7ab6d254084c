// Prior probabilities of the regularization: the sources set by the prior
// commands and their set-up over the grid at the start of every run.
#pragma once

// Prior weighting is on, and the prior data file in use (empty: none).
// While a chosen file is switched off, its first character waits in
// cPriorFileStash and the name is emptied; the stash holds '0' until a file
// was ever chosen.
extern unsigned char bUsePriorProbabilities;
extern char szPriorFileName[1000];
extern char cPriorFileStash;
// The prior file is of the peak-table ("GJT") layout: the state of the
// dialog's "GJT file" check box, shown as " [GJT file]" behind the name.
extern unsigned char bGJTPriorFile;
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

// A sharp component on the grid interval j (2 <= j <= n - 2) of the abscissa
// x: height h at x_j when the target s0 is x_j itself (2h there, nothing on
// x_j+1), else the pair h + d, h - d on x_j, x_j+1 whose piecewise-linear
// curve through (x_j-1, 0) and (x_j+2, 0) has its mean at s0 (d from zbrent,
// tolerance 1e-4). bAdd adds to m; otherwise m_j and m_j+1 are replaced.
void placeSharpPriorPeak(const double* x, double* m, int j, double h, double s0, bool bAdd);
// The height that gives the curve of a sharp component on interval j the
// area A: 2A / (x_j+1 - x_j-1 + x_j+2 - x_j).
double sharpPriorPeakHeight(const double* x, int j, double dArea);

// The model is of the c(s) type a peak-table prior can serve: continuous,
// not a boundary analysis, hybrid, ls-g*(s), ls-g*(v), zone or
// two-dimensional model.
bool priorCsTypeModel();

// Reads a prior file of the peak-table layout into pPriorProbability over the
// current grid and the discrete-species prior (TXLAWindow::ImportGJPrior):
// rows 1..N-2 a prior curve in descending s, row N-1 the first and row N the
// second boundary component (s, area). The first component is placed as a
// sharp peak; the curve is interpolated onto the grid points it spans, or,
// when it spans none, the second component is placed as a sharp peak at the
// curve's start. The discrete-species prior becomes that plus 0.01 times the
// second component's area. On failure an error box, the prior switched off
// and 0.
int importGJPriorFile(const char* szPath);
