// The nonlinear-detection transform of the scan signals.
#pragma once

// Re-runs the transform with its stored settings when the option is on.
void reapplyNonlinearDetection(int bAsk);
// Frees the per-scan copies the transform keeps.
void freeNonlinearDetectionCopies();
// The entry of the fit road: transforms the scans with exponent p and
// baseline b and shows the transformed (bShowTransformed) or the raw values;
// false when the option is off.
bool applyNonlinearDetection(double p, double b, bool bShowTransformed);
// Recomputes the transformed copies of all scans from the originals (after
// the model of every scan was rebuilt); false when no copies are held.
bool refreshNonlinearDetectionCopies();
