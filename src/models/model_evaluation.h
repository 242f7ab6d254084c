// Model evaluation: the globals of TXLAWindow::CalcModel and the pieces both
// of its roads share (the solver-object road here, the global-grid road of
// the propagation part).
#pragma once

class TXLAWindow;

// Working share of the current species (the amplitude's factor).
extern float fSpeciesFraction;
// The discretization message was shown during the current fit (the fit
// driver clears it when a fit starts).
extern unsigned char bDiscretizationWarned;
// "nonideality out of range" was shown during the current fit (cleared when
// a fit starts): a fit that tries values beyond the law's range says so once.
extern unsigned char bNonidealityWarned;
// The main window while a propagation runs (progress texts, key interrupt).
extern TXLAWindow* pLammOwnerWindow;
// The solver-object road starts each scan's time at fStartTime (the fitted
// start time of the sedimentation).
extern unsigned char bSedimentationTimeOffset;

// The amplitude with which species k is simulated: the loading of the lowest
// included species k1 is the total, the others are its shares; species k1
// gets 1 minus the shares of the included species above it (up to species 3
// with buffer mismatch), never below 0. Sets fSpeciesFraction. With
// algebraic concentrations an amplitude of 0 becomes 1.
float speciesAmplitude(int k);

// D of species k in cm^2/s from its M-or-D field: D x 1e-7, or with
// bUseMolarMass the Svedberg relation s 1e-13 fRT / ((1 - fVbarRho) M) (M not
// above 0 counts as 1e-10); made positive. False (and D = 0) when no finite D
// exists: a species described by M and s in a solvent of its own density
// (vbar rho = 1) cannot sediment, and is not simulated.
bool speciesDiffusionCoefficient(int k, double* pD);

// After one evaluation: the species that could not be simulated because of
// density matching, named in one "ERROR in simulation" box (nothing when none).
void reportDensityMatchedSpecies(TXLAWindow* pWindow, const int* pSpecies, int nCount);

// A simulation error number of a solver that computed nothing or failed on
// the way: 1 arrays not allocated, 3 a singular tridiagonal matrix after the
// retries, 4 a refused setting, 5 a rotor too slow, 6 non-ideality
// parameters missing. A discretization error (2) leaves its model with the
// advice, and non-ideality out of range (7) the model of the other species.
bool isSimulationFailure(int nError);
// How many such failures TXLAWindow::ReportSimulationError has been given
// since the program started. An evaluation during which this count grows
// computed no model (CalcModel).
int simulationFailuresReported();

// ---------------------------------------------------------------- the global-grid road (models/global_grid_evaluation.cpp)
// The models the solver objects do not serve, on the program's radial grid:
// the discrete species with buffer mismatch, light-scattering or equilibrium
// data, an experimental initial distribution, a non-ideal first species or
// the Faxen approximation. True when the model was evaluated (the linear
// parts follow); false when nothing was computed (a missing meniscus or
// bottom, a grid that cannot be had, or a model whose propagation is not
// part of the program yet).
bool evaluateOnGlobalGrid(TXLAWindow* pWindow);
// The radii rs[1..n] at which the model values y[1..n] at the radii r[1..n]
// appear under Wiener skewing: r + fWSkew y' / fWSkewSignalPerMgMl, y' the
// slope (0 at the first point, backward at the last, central between), made
// strictly increasing (a radius not above its predecessor is put 1e-6 cm
// beyond it).
void wienerSkewedRadii(int n, const float* r, const float* y, float* rs);
// The dynamic grid size of the last species: the boundary's spread sqrt(D t)
// (cm) when it reaches the first fitted radius, the frictional ratio
// estimated from s and D, the equidistant and geometric sizes with
// fPointsPerSigma points per spread, and that radius (cm).
extern float fGridSpreadSigma;
extern float fFrictionalRatioEstimate;
extern float fDynGridEquidistantSize;
extern float fDynGridGeometricSize;
extern float fDynGridFirstFitRadius;
