// The propagators of one sedimenting species on the global grid, and the
// equilibrium exponential of a species at sedimentation equilibrium.
//
// The caller loads the initial profile into pGridConc and sets dLammS, dLammD,
// the rotor state (dOmegaNow, dOmega, the acceleration phase), the scan
// bookkeeping (nSimScanIndex, dNextScanTime, dStepTargetTime,
// bStepToScanTime), dSimTime, dTimeStep and bSimulationRunning. A propagator
// advances the profile, hands it to recordScanTimeProfile after every step and
// leaves its status in bSimulationError and bDiscretizationError.
#pragma once

// ---------------------------------------------------------------- Claverie (static grid)
// Linear finite elements on the fixed grid (equidistant, or the variable
// spacing), Crank-Nicolson steps with adaptive dt by the largest relative
// change, and the active window: rows nFirstActiveIndex..nLastActiveIndex are
// solved, the cleared meniscus region and the untouched plateau skipped.
void propagateLammStatic();
extern int nFirstActiveIndex;
extern int nLastActiveIndex;
// Turn a small negative meniscus value positive after each step, keeping the
// amount (the model evaluation's third attempt of a failed run).
extern unsigned char bApplyMeniscusCorrection;
// The amount in the cell on the static grid: the hat weights times c, times
// the volume of a 2 degree sector of 1.2 cm height.
double totalAmountInCell();
// The fit-limit stop: the grid index at the right fit limit (left for
// flotation) and its reference value; true once the boundary has cleared it.
void setStopIndexAtFitLimit();
bool boundaryPastFitLimit();
// The special geometries (linear, loading cell, electrophoresis, the
// alternative geometry) assemble their matrices from the quadrature elements;
// false when they cannot.
bool assembleStaticFeMatrices();

// ---------------------------------------------------------------- moving hat (logarithmic grid)
// Hat functions whose nodes move with the s grid dSGrid (exp(k t), k =
// omega^2 s_grid); a regrid shifts the profile one node when the nodes have
// moved one grid ratio. Sets bFixedTimestep, which stays on.
void propagateLammMovingHatLogGrid();
// pGridRadius from the moving nodes at dSimTime (meniscus and bottom fixed).
void updateMovingGridRadii();
// The amount in the cell on the moving grid, as totalAmountInCell.
double totalAmountMovingHat();
// The moving grid: pFeGridRadius (and pGridRadius) on the logarithmic layout
// for dSGrid (half an interval next to the meniscus for dSGrid >= 0, the
// mirror arrangement for dSGrid < 0), the motion rate k = omega^2 s_grid,
// t0 = dSimTime, the natural step (1e10 s without grid motion) and the end
// integrals of the regrid.
void setupMovingHatLogGrid();
// The fixed meniscus and bottom in the frame of the nodes at tau = t - t0:
// pFeGridRadius[1] = m / e, pFeGridRadius[N] = b / e, e = exp(k tau).
void setMovingBoundaryRadii(double tau);
// At t = t0 + the natural step: the profile (and the step's start profile)
// one node on, outward for s >= 0 and inward for s < 0, the values at the
// moved ends set so that the amount next to meniscus and bottom is kept (s
// and D of the species decide the end rules); then t0 = t.
void regridMovingHat(double s, double D);
// The state of the moving grid, shared with the A + B <-> AB run and the
// moving hat of interacting species.
extern double dMovingGridT0;        // time of the last regrid (s)
extern double dGridMotionRate;      // k = omega^2 s_grid (1/s)
extern double dNaturalStep;         // s in which a node moves one grid ratio
extern double dGridRatio;           // (b/m)^(1/(N-1))
extern double dMovingHatFixedStep;  // the fixed step (s)
extern bool bGridSynchronousSteps;  // whole natural steps follow one another
// The amount in the cell shown with the time during the A + B <-> AB run.
extern double dProgressTotalAmount;
// Thomas algorithm on rows 1..n (a lower, b main, c upper diagonal, r the
// right-hand side, u the solution; gam scratch, piv the pivots when given).
// A zero pivot shows "Error 1 in tridag" (first row) or "Error 2 in tridag"
// and sets bSimulationError; false then.
bool tridag(const double* a, const double* b, const double* c, const double* r, double* u, int n, double* gam,
            double* piv);
// The forward and back substitution of a factorisation tridag stored (gam,
// piv) for a new right-hand side r (a the lower diagonal it was made from).
void tridagStoredFactors(const double* a, const double* gam, const double* piv, const double* r, double* u, int n);

// ---------------------------------------------------------------- the interacting propagators
// s and D depend on the local total concentration (rapid self-association,
// the non-ideal single species; fegrid/interacting_coefficients.h); each step
// is a predictor-corrector Crank-Nicolson step.
// The moving hat of interacting and non-ideal single species: fixed steps of
// max dc/c natural steps on the moving grid (the s grid dSGrid, automatic:
// the mean of monomer and oligomer s, or the non-ideal s at the loading).
// Sets bFixedTimestep, which stays on. ks c_1 > 1 of the non-ideal species
// sets bNonidealityOutOfRange and propagates nothing; a profile whose total
// reaches the pole of the attractive law (nonidealLawHoldsOn) sets it and
// ends the run there.
void propagateLammMovingHat();
// The static (equidistant) grid of non-ideal and reacting systems, with the
// step control of the largest relative change; the same out-of-range rule.
void propagateLammB();
// Its equidistant radii, laid on the grid in place (a start profile is taken
// on them before the run).
void layOutStaticGridB();
// The amount in the cell on the equidistant grid, as totalAmountInCell.
double totalAmountStaticGrid();
// The tridiagonal solver of the interacting propagators: u = T^-1 r for the
// diagonals a (lower), b, c (upper) on 1..n, the factors in pTridagGam. A zero
// pivot sets bSimulationError, without a message, and returns false.
bool tridagB(const double* a, const double* b, const double* c, const double* r, double* u, int n);

// ---------------------------------------------------------------- equilibrium
// The equilibrium profile of buoyant molar mass Mb (g/mol) and loading c0 for
// every scan at its own speed and temperature, into ppFit (added), the species
// basis of nSimSpeciesIndex or the Lamm-solution store.
void equilibriumExponentialPerScan(double Mb, double c0);
