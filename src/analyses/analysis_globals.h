// Equilibrium-analysis state that the loaders read.
#pragma once

// Equilibrium fitting with discrete species: interference data are treated
// as absorbance and both noise fits are switched on by the loaders.
extern unsigned char bEquilibriumDiscrete;
// Approach-to-equilibrium test mode.
extern unsigned char bEqTestMode;
extern unsigned char bEqTestPlotShown;
