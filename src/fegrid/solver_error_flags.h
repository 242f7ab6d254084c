// Flags of the last Lamm-solver run that went wrong, set when its error is
// reported and cleared by the callers that start a new run.
#pragma once

extern unsigned char bSimulationError;      // a step failed (singular matrix)
extern unsigned char bDiscretizationError;  // the grid could not resolve the profile
