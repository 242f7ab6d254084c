// Scan-time recording of the global-grid propagators: after every step the
// progress lines, the key stop and, at each scan's time, the profile of the
// global grid carried onto the scan (its model arrays, the species basis on
// the noise grid, or the Lamm-solution store of the continuous models); after
// the last scan the run ends. Beside it the back-diffusion test.
#pragma once

// Called by every global-grid propagator after each accepted step (and by the
// all-zero run); ri is shown as "ri". Under simulated time resolution each
// scan is taken in 100 radial bands at successive times.
void recordScanTimeProfile(double ri);
// A key press stops the run: bSimulationRunning cleared and
// bInterruptComputation set (true then). The recorder polls at every scan; a
// propagator whose steps can crawl between scans polls here as well. The
// A + B <-> AB run reads its keys itself.
bool keyStopsPropagation();
// Forgets a band state left by an interrupted run; every propagator calls it
// before its first step.
void resetScanTimeRecorder();
// The run ended early because the profile no longer changes: every scan still
// to come gets the final profile, in the same destination. Only while the run
// still has scans to come (bSimulationRunning set).
void fillRemainingScansWithProfile();
// The time (s) at which a scan is simulated: its file time while the rotor
// ramp is simulated (not for light-scattering data), else its analysis time.
double scanSimulationTime(int scan);

// The four progress lines; each does nothing without a progress window.
void showStepCountText();
void showStepTimeText();
void showSimTimeText();
void showRelativeChangeText(float ri);

// Whether the bottom outflow replaces back-diffusion for a species (s in S, D
// in cm^2/s): on with bShutOffBackDiffusion for sedimenting species whose
// equilibrium gradient at the last scan's speed and temperature would leave
// less than dBackDiffusionLevel of the cell's mean concentration at the right
// fit limit.
bool checkBackDiffusionShutOff(double s, double D);
