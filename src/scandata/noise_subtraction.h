// Removing the systematic noise of the last fit from the raw data, and putting
// the time-invariant part back. For presentation only: the analyses do not
// depend on it. Each routine does nothing for light-scattering data, without
// scans or noise grid, or when its noise is not fitted; each refreshes the
// noise profiles and the plots afterwards.
#pragma once

// Minus the fitted TI noise (pTINoiseSaved), which moves into pTINoiseAux.
void subtractTiNoiseFromData();
// Plus the removed TI noise (pTINoiseAux), which moves back into pTINoiseSaved.
void restoreOriginalTiNoise();
// Minus the fitted RI offset of each scan; pRINoiseSaved is cleared.
void subtractRiNoiseFromData();
// The RI step, then the TI step when TI noise is fitted (gate: RI noise).
void subtractAllNoiseFromData();
// Minus the algebraic baseline; fBaseline is cleared.
void subtractBaselineFromData();
