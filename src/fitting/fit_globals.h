// Fitting-engine state that other subsystems read or write.
#pragma once

extern unsigned char bFitTINoise;         // fit time-invariant noise
extern unsigned char bSerialFitRunning;   // a serialised fit runs
extern unsigned char bStopFit;            // a key stopped the fit
extern unsigned char bFitRunning;         // a fit runs (quieter progress)
// Simulations run on past the last scan (command 223); the equilibrium-data
// save works only while it is set.
extern unsigned char bSimulateBeyondLastScan;
// A distribution read for synthetic data is scaled so that its values sum
// to its area.
extern unsigned char bSyntheticDistNormalized;

// rmsd of data minus fit inside the fit limits; stored as the current rmsd.
float calcRmsd();
// Averages the loaded scans into the mean profile after the data changed.
void calcMeanScan();
