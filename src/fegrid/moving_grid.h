// The moving grid of the moving-hat propagators (the logarithmic grid of one
// species and the moving hat of interacting species): interior nodes at
// R_i exp(k (t - t0)), k = omega^2 s_grid, meniscus and bottom fixed, and the
// regrid that shifts the profile one node once the nodes have moved one grid
// ratio (after the natural step).
#pragma once

extern double dMovingGridT0;        // time of the last regrid (s)
extern double dGridMotionRate;      // k = omega^2 dSGrid 1e-13 (1/s)
extern double dNaturalStep;         // s in which a node moves one grid ratio (1e10 without motion)
extern double dMovingHatFixedStep;  // the fixed step (s)

// The reference radii R_i into pFeGridRadius and pGridRadius (half an interval
// next to the meniscus for dSGrid >= 0, the mirror arrangement for dSGrid < 0),
// k, t0 = dSimTime, the natural step and the end integrals of the regrid.
void setupMovingHatLogGrid();
// The fixed meniscus and bottom in the frame of the nodes at tau = t - t0:
// pFeGridRadius[1] = m / e, pFeGridRadius[N] = b / e, e = exp(k tau).
void setMovingBoundaryRadii(double tau);
// At t = t0 + the natural step: the profile (and the step's start profile)
// one node on, outward for s >= 0 and inward for s < 0, the values at the
// moved ends set so that the amount next to meniscus and bottom is kept (s
// and D of the species decide the end rules); then t0 = t.
void regridMovingHat(double s, double D);
