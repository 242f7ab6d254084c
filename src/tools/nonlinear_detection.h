// The nonlinear-detection transform of the scan signals.
#pragma once

// Re-runs the transform with its stored settings when the option is on.
void reapplyNonlinearDetection(int bAsk);
// Frees the per-scan copies the transform keeps.
void freeNonlinearDetectionCopies();
// Recomputes the transformed copies of all scans from the originals (after
// the model of every scan was rebuilt).
void refreshNonlinearDetectionCopies();
