// Sedimentation equilibrium of one ideal species.
//
// Every scan is modelled as its own amplitude times the equilibrium
// exponential of r^2 with the species' buoyant molar mass and the scan's own
// rotor speed and temperature, plus time-invariant noise (one profile on the
// noise grid, common to all scans) and radial-invariant noise (one offset per
// scan). The noise is eliminated algebraically by centring data and kernels
// over scans and radii; the amplitudes are the non-negative solution of the
// normal equations. Run evaluates the current molar mass (or diffusion
// coefficient, when species are described by D and s); Fit refines it with a
// restarted simplex.
//
// Scans that all share one rotor speed and one temperature share one kernel
// shape, and a time-invariant profile can take any multiple of it (with one
// scan, or equal amplitudes, the whole species): the molar mass would be
// free and every one would fit perfectly. Scans whose exponents differ by a
// few per cent are hardly better (the fit returned its start). So TI noise is
// fitted only when the exponents spread by at least dEqTINoiseMinSpread;
// other data are fitted without it, and Run and Fit say so.
//
// The amplitudes are the unknowns of a distribution-like system: the kernel
// of scan i is kept in the Lamm-solution store at grid point i for scan i, on
// the noise grid, and the normal equations in the distribution's set.
#pragma once

class TXLAWindow;

// The buoyant molar mass of the scan being set up (g/mol), the reference
// radius r0 = (meniscus + bottom) / 2 (cm), and that scan's rotor speed and
// temperature (after a run: those of the last scan).
extern double dBuoyantMolarMass;
extern double dEqReferenceRadius;
extern double dEqRpm;
extern double dEqTemperature;
// The fit's objective runs the model: the run then neither allocates nor
// applies its results.
extern unsigned char bEquilibriumInFit;

// exp(Mb omega^2 (r^2 - r0^2) / (2 R (T + 273.15))), omega = 2 pi rpm / 60,
// R = 8.314472e7 erg/(mol K), pi in single precision; T in degrees Celsius.
double equilibriumExponential(double r, double dMb, double dRpm, double dTemperature, double r0);
// The buoyant molar mass of species 1 for a scan at the temperature (C):
// M (1 - vbar rho), or s R T / D when species are described by D and s (D
// kept in units of 1e-7 cm^2/s); 0 for a D that is not positive.
double equilibriumBuoyantMass(double dTemperature);

// Run: amplitudes, noise, model curves and rmsd for the current parameters;
// "set Meniscus and Bottom first" when either is missing.
void runEquilibriumSingleSpecies(TXLAWindow* pWindow);
// Fit: the molar-mass entry of species 1 refined by a restarted simplex (when
// it is floated), then the result applied.
void fitEquilibriumSingleSpecies(TXLAWindow* pWindow);

// The relative spread of the scans' reduced exponents, (largest - smallest)
// / largest of omega^2 / (T + 273.15) (of omega^2 alone when species are
// described by D and s: the buoyant mass s R T / D cancels the temperature);
// 0 without scans.
double equilibriumExponentSpread();
// The least spread with which the scans tell TI noise from the species (a
// setting only for the measurements of docs/analyses.md, which vary it).
extern double dEqTINoiseMinSpread;
// Whether the loaded scans determine TI noise: their exponents spread by at
// least dEqTINoiseMinSpread.
bool equilibriumTINoiseDetermined();

// The Lamm-solution store (nScans x nScans on the noise grid) and the normal
// equations; false (with a message) when memory is short.
bool allocEquilibriumArrays();
// Normal equations of the amplitudes with the noise eliminated (TI noise only
// while bFitTINoise is set).
void buildEquilibriumNE();
// chi-square of the solution from the normal equations (never below 0), and
// the rmsd sqrt(chi-square / (window points x scans)).
double equilibriumChiSquare();
float equilibriumRmsd();
// TI and RI noise, ppFit and ppModelPart of every scan from the solution.
void buildEquilibriumModel();
// The model built, the work arrays released, the result marked computed.
void applyEquilibriumResult();

// The simplex vector: 1 when the molar-mass entry is floated (the entry then
// copied into element 1 of the vertex and entry 1 of the parameter vector),
// 0 otherwise; without a vertex and n < 1 it only reports.
int packEquilibriumVertex(int n, float* pVertex);
void unpackEquilibriumVertex(const float* pVertex);
// rmsd of the model for the vertex; 1e10 when a key stops the fit.
float equilibriumObjective(float* pVertex, TXLAWindow* pWindow);
// The three progress lines of the fit (step, rmsd, buoyant molar mass), and
// their drawing at x = 10, y = 70, 90, 110.
void formatEquilibriumFitStep(char szLines[3][120]);
void showEquilibriumFitStep(TXLAWindow* pWindow);
