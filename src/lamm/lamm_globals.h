// Program-wide values of the Lamm solutions that the callers set up.
#pragma once

// s (S) and D (cm^2/s) of the species being simulated, read by the solver
// set-up and the step profiles of the solvent models.
extern double dLammS;
extern double dLammD;
