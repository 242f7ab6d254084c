// Program-wide values of the Lamm solutions that the callers set up.
#pragma once

// s (S) and D (cm^2/s) of the species being simulated, read by the solver
// set-up and the step profiles of the solvent models.
extern double dLammS;
extern double dLammD;
// The number of the species being simulated (1..4); its signal basis on the
// noise grid is pppExtraNoiseScan[nSimSpeciesIndex] (scandata/scan_data.h).
extern int nSimSpeciesIndex;
