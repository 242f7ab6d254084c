// The species basis at unit amplitude, and the concentrations of the
// discrete-species model as a total with fractions. Both act only while the
// discrete-species model is selected.
#pragma once

// Divides the basis on the noise grid (all scans, all grid points) of each
// listed species (pSpeciesList[1..nCount]) by its fSpeciesAmplitude, or sets
// it to 0 when that factor is 0. The factor stays as it is.
void normaliseSpeciesBasis(int nCount, const int* pSpeciesList);

// Puts the sum of the included species' concentrations into the first
// included species (pSpeciesConc and its parameter entry 8 + i) and turns the
// other included species into fractions of that total (0 when the total is
// 0). With buffer mismatch and algebraic concentrations the last slot holds
// the buffer signal: it goes to dBufferSignal and takes no part in the total.
// Nothing changes when no species of the range is included.
void speciesToTotalAndFractions();
