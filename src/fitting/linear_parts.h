// The parameters that enter a discrete-species model linearly, solved
// algebraically after each model evaluation: the loading concentrations
// (amplitudes of the species bases on the noise grid), a baseline, the
// time-invariant noise profile (TI, one value per radius) and the
// radial-invariant noise (RI, one offset per scan).
//
// The model evaluation calls exactly one routine, chosen by the switches
// (linearPartsRoutine); each solves what is switched on, writes the values
// into the model parameters and the noise arrays and rebuilds the model at
// the scans' own radii. The data on the noise grid are left as they were, bit
// for bit; the species bases end scaled by the amplitudes now in
// fSpeciesAmplitude.
#pragma once

// Work arrays, allocated once at program start (1..4): the species taking
// part with their count, the normal matrix, the right side and solution (in
// list order), each species' mean over the data (by species number).
extern int* pActiveSpecies;
extern int nActiveSpecies;
extern float** ppAmplitudeMatrix;
extern float* pAmplitudes;
extern float* pSpeciesMeanInRange;
void allocLinearPartArrays();

// TI noise on.
void calcLinearPartsTiRiNoise();    // with RI noise and algebraic concentrations
void calcLinearPartsTiNoise();      // algebraic concentrations
void calcTiRiNoiseOnly();           // with RI noise, concentrations given
void calcTiNoiseProfile();          // concentrations given
// TI noise off, algebraic baseline.
void calcLinearPartsBaselineRiNoise();  // with RI noise and algebraic concentrations
void calcLinearPartsWithBaseline();     // algebraic concentrations
void calcRiNoiseAndBaseline();          // with RI noise, concentrations given
void calcBaselineOnly();                // concentrations given
// Neither.
void calcAmplitudesOnly();  // algebraic concentrations, fixed baseline
void addBaselineToModel();  // fBaseline added to the scans the model covers

// The routine the switches choose (bFitTINoise, bAlgebraicBaseline,
// bAlgebraicConcentrations, bFitRINoise; the first match wins).
using LinearPartsRoutine = void (*)();
LinearPartsRoutine linearPartsRoutine();

// Building blocks.
void listActiveSpecies();
void calcSpeciesMeanOverScans();
void calcSpeciesMeanInRange();
void centerOverRadii();
void uncenterOverRadii();
void calcTiNoiseFromSpecies();
void scaleSpeciesBasis();
void calcRiNoiseFromResidual();
void buildFitFromNoiseGrid();
float calcMeanResidual();
