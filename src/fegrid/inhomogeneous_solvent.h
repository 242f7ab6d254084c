// The inhomogeneous solvent: macromolecules sedimenting in a solvent whose
// density and viscosity vary with the radius, because the solvent is
// compressible (a static gradient set by the hydrostatic pressure) or because
// a co-solute sediments and redistributes during the run (a dynamic gradient).
// s and D of the macromolecules are given for standard conditions (water at
// 20 'C) and scaled point by point: D fv and s fv fb, with the viscosity
// factor fv = eta(water) / eta(r) and the buoyancy factor
// fb = (1 - vbar rho(r)) / (1 - VBAR rho(water)).
//
// The laws themselves (lamm/solvent_laws.h) are shared with the solver object.
#pragma once

class CLammIdeal;
class TXLAWindow;

// ---------------------------------------------------------------- the settings (InhomogeneousSolventParams)
extern unsigned char bInhomogeneousSolvent;     // the model is on (menu item 542 ticked)
extern unsigned char bCompressibleSolvent;      // static gradient; the complement of the next after the dialog
extern unsigned char bSedimentingCosolute;      // dynamic gradient
extern unsigned char bCosoluteGradient;         // copy of bSedimentingCosolute for the co-solute module
extern unsigned char bNonidealCosolute;         // the co-solute's s and D depend on its concentration
extern unsigned char bCosolutePreset;           // ... by the built-in data of CsCl at 25 'C
extern unsigned char bFitVbarInGradient;        // "fit vbar (requires strong density gradients)"
extern unsigned char bAddWaterCompressibility;  // the compressibility of water added to the co-solute density
extern unsigned char bPlotCosolute;             // show the co-solute profile at the scans
extern unsigned char bSaveCosolute;             // ... and write it as scan files
extern unsigned char bSolventParamsConverted;   // the species parameters are for standard conditions
extern int nCosoluteGridSize;                   // points of the co-solute grid, 50
extern double dCosoluteS;                       // S, 0.2 (ideal co-solute)
extern double dCosoluteD;                       // cm^2/s, 3e-6 (ideal co-solute)
extern double dCosoluteLoading;                 // M, 1.5
extern double dSolventCompressibility;          // 1/MPa, 4.591e-4
extern float fGradientBufferDensity;            // g/ml at 1 atm, 0.99823
extern float fGradientBufferViscosity;          // Pa s at 1 atm, 0.001002
extern float fGradientBufferViscosityRef;       // relative to the standard viscosity, 1
extern float fGradientVbar;                     // vbar of the buoyancy in the gradient, 0.73
extern float fVbarWithSolvation;                // "vbar (macromolecule including solvation)", 0
// The coefficient tables (1-based, null without one): density(c), viscosity(c),
// the non-ideal co-solute's s(c) and D(c).
extern double* pDensityCoeffs;
extern int nDensityCoeffs;
extern double* pViscosityCoeffs;
extern int nViscosityCoeffs;
extern double* pSNonidTable;
extern int nSNonidTable;
extern double* pDNonidTable;
extern int nDNonidTable;
// The files of the four tables chosen in the dialog (empty: the working
// folder's "density.dat", "viscosity.dat", "snonid.dat", "dnonid.dat").
extern char szDensityTableFile[1000];
extern char szViscosityTableFile[1000];
extern char szSNonidTableFile[1000];
extern char szDNonidTableFile[1000];
// The file a table is read from.
const char* densityTableFile();
const char* viscosityTableFile();
const char* sNonidTableFile();
const char* dNonidTableFile();

// ---------------------------------------------------------------- the laws with the tables in place
double cosoluteDensity(double c);    // g/ml at c (M); 0.99823 without a table
double cosoluteViscosity(double c);  // Pa s; 0.001002 without a table
// a1 + a2 c + ... over the n entries of a 1-based table; 0 without one.
double evalPolynomialTable(const double* table, int n, double c);
// The preset co-solute (CsCl at 25 'C): s(c) in S and D(c) in cm^2/s.
double densgradEmpiricalCurve(double c);
double cosoluteDiffusionPreset(double c);
// s (S) and D (cm^2/s) of the co-solute at concentration c: the preset curves
// or the two coefficient tables, as the option says.
void cosoluteCoefficientsAt(double c, double& s, double& D);
// Density (g/ml) of the compressible solvent of density rho0 at radius r at
// the speed of the first scan.
double compressibleDensityAt(double rho0, double r);

// ---------------------------------------------------------------- tables
// Reads a table of numbers, one per line ("\nAttention: could not open %s"
// when the file cannot be read); a table holding a number that is not finite
// is refused like one that cannot be read. True with the table in place (the
// old one released first in every case).
bool loadCoefficientTable(const char* szPath, double** ppTable, int* pn);
// The s(c) and D(c) tables released and, unless the preset is chosen, read
// again from their files.
void setupSolventGradientArrays();
// The density and viscosity tables from their files; release.
void loadDensityViscosityTables();
void freeDensityViscosityTables();

// ---------------------------------------------------------------- local factors on the global grid
// fv and fb at the grid points, the co-solute concentration there and the
// density of the solvent there; nSolventFactorPoints points (0: none).
extern double* pSolventFactorV;
extern double* pSolventFactorB;
extern double* pCosoluteOnGrid;
extern double* pSolventDensityOnGrid;
extern int nSolventFactorPoints;
// Reallocates the factors for the N points of the radii and fills them: the
// compressible solvent, the co-solute at its loading, or 1.
void resizeGradientCoefficientArrays(const double* radii);
// With a sedimenting co-solute: its profile onto the radii and the factors
// again from the local concentration.
void updateLocalSedCoefficients(const double* radii);
// x times the uniform factors fv fb of the buffer at 1 atm (x itself without
// the model).
double localSolventFactor(double x);
// The factors are in place for a grid of n points.
bool solventFactorsReady(int n);

// ---------------------------------------------------------------- element integrals with the local factors
// On any 1-based grid of n radii, fv and fb linear on each element (factor
// index = node index): int r fv phi_i' phi_j' and int r^2 fv fb phi_i' phi_j.
double densgradFeElement1(int i, int j, const double* radii, int n);
double densgradFeElement2(int i, int j, const double* radii, int n);
// Both for the element e = [r_e, r_(e+1)] of a grid at once: the stiffness v
// (int r fv phi_X' phi_Y' = v for X = Y, -v otherwise) and
// int r^2 fv fb phi_X' phi_Y, X and Y = 0 (left hat) or 1 (right hat).
void densgradElementIntegrals(int e, const double* radii, double& stiffness, double sedimentation[2][2]);
// r_j fv_j / (r_j - r_(j-1)) and r_j^2 fv_j fb_j (j above the grid size: the
// last point): the outflow terms of the bottom row.
double densgradNodeDiffusionWeight(const double* radii, int j);
double densgradNodeSedimentationWeight(const double* radii, int j);

// Whether a compressible solvent of density rho0 (g/ml at 1 atm) and
// compressibility kappa (1/MPa) keeps a finite positive density in the whole
// cell at the first scan's speed: 1 - kappa P > 0 at the bottom, where the
// pressure P is highest. True without a cell or a speed.
bool compressibilityKeepsDensityPositive(double rho0, double kappa);
// The same check when a model is evaluated (the dialog's ran against the data
// loaded then, or none): with the compressible solvent of the
// inhomogeneous-solvent model on, a compressibility that makes the density at
// the bottom negative or infinite at the first scan's speed is named in a box
// ("ERROR in simulation") and refuses the evaluation (false).
bool compressibleSolventDensityUsable(TXLAWindow* pWindow);

// ---------------------------------------------------------------- the co-solute redistribution
// The fewest points of the co-solute grid (the dialog refuses fewer).
inline constexpr int nMinCosoluteGridSize = 5;
// On the equidistant co-solute grid of the work block (global_grid.h): the
// co-solute loaded (0 below meniscus + lamella with the zone model) and its
// matrices at the current rotor speed. False, with bSimulationError set so
// that the model evaluation reports it, when the block cannot be had, the
// grid has fewer than nMinCosoluteGridSize points or the tables of a
// non-ideal co-solute are missing.
bool initSolventGradient();
// The co-solute's time: the propagators set it to the time a step starts.
extern double dCosoluteTime;
// From the co-solute time to dSimTime in one Crank-Nicolson step (predictor-
// corrector for the non-ideal co-solute). A singular matrix sets
// bSimulationError and keeps the old profile.
void advanceSolventGradient();
// The co-solute profile (radii, concentration, points); null without one.
const double* cosoluteProfile(const double** ppRadii, int* pn);
// The amount of co-solute in the cell (its mass-matrix row sums times c).
double cosoluteAmount();
// At a scan: the co-solute profile drawn in blue over the data and, with
// bSaveCosolute, written beside the scan's file as "comp2_<scan>.r00".
void showCosoluteProfile(int scan);

// ---------------------------------------------------------------- species parameters
// To standard conditions and back (the mark bSolventParamsConverted).
void convertParamsForSolventModel(TXLAWindow* w);
void convertParamsToExperimental(TXLAWindow* w);

// ---------------------------------------------------------------- the solver object
// Hands the inhomogeneous solvent's parameters to a solver object
// (SetInhomogeneousSolvent), and those of the co-solute gradient
// (SetCosoluteSolvent).
void setSolverInhomogeneousSolvent(CLammIdeal* pSolver);
void setSolverCosoluteSolvent(CLammIdeal* pSolver);

// Releases the tables, the factors and the co-solute state.
void freeInhomogeneousSolventArrays();
