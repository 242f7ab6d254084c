// Globals of the models and fit parameters that other subsystems read or write.
#pragma once

#include "scandata/scan_header.h"
#include "numerics/physical_constants.h"

// Cell geometry in cm; also entries 13 and 14 of pParamValue. 0 = not set.
extern float fMeniscus;
extern float fBottom;

// ---------------------------------------------------------------- fit-parameter vector
// One-based parameter vector (entries 1..nParams) with its fit flags
// (1 = floated), allocated once at start (allocParameterVectors), and the
// number of species rows. See docs/models.md for the layout.
inline constexpr int nParams = 34;
extern float* pParamValue;
extern int* pParamFloat;
extern int nSpecies;

// Species rows 1..4: included, loading signal, M (with bUseMolarMass) or D in
// 1e-7 cm^2/s, s in S and one model-specific value, each value with its fit
// flag. Allocated with the vector.
extern int* pSpeciesIncluded;
extern float* pSpeciesConc;
extern int* pSpeciesConcFloat;
extern float* pSpeciesMw;
extern int* pSpeciesMwFloat;
extern float* pSpeciesS;
extern int* pSpeciesSFloat;
extern float* pSpeciesExtra;
extern int* pSpeciesExtraFloat;

// Noise and baseline settings; the linear solutions of the baseline and of
// the loading concentrations (instead of floating them).
extern unsigned char bFitRINoise;
extern unsigned char bAlgebraicBaseline;
extern unsigned char bAlgebraicConcentrations;
extern int bFitBaseline;
extern float fBaseline;

// Scalars of the base layout (entries 20-34) with their fit flags.
extern float fModelConst20;
extern float fModelConst21;
extern float fModelConst22;
extern int nFitModelConst20;
extern int nFitModelConst21;
extern int nFitModelConst22;
extern int bFitLamellaWidth;
extern float fStartTime;                  // s, entry 24
extern unsigned char bFitT0;
// The non-ideal multiple-species model: boundary position, overlay
// fractions, loadings, s and D of species 2 and 3 (entries 25-34).
extern float fSynthBoundaryPos;
extern float fOverlayFrac1;
extern float fNonidealConc2;
extern float fNonidealS2;
extern float fNonidealD2;
extern float fOverlayFrac2;
extern float fNonidealConc3;
extern float fNonidealS3;
extern float fNonidealD3;
extern float fOverlayFrac3;
extern int nFitSynthBoundaryPos;
extern int nFitOverlayFrac1;
extern int nFitNonidealConc2;
extern int nFitNonidealS2;
extern int nFitNonidealD2;
extern int nFitOverlayFrac2;
extern int nFitNonidealConc3;
extern int nFitNonidealS3;
extern int nFitNonidealD3;
extern int nFitOverlayFrac3;

// Model views of the vector: a non-ideal first species (or non-ideal c(s)),
// rapid self-association (monomer and up to two oligomers) and the non-ideal
// single species.
extern unsigned char bSpecies1Nonideal;
extern float fNonidealKs;                 // entries 20 and 21
extern float fNonidealKd;
extern int nFitNonidealKs;
extern int nFitNonidealKd;
extern float fSAMonomerMorD;              // M or D of the monomer
extern float fSAOligomerMorD;             // of the (first) oligomer, derived
extern float fSAOligomerMorD2;            // of the second oligomer (1-2-4, 1-4-8), derived
extern float fSALog10Ka;
extern float fSALog10Ka2;
extern float fSAMonomerS;
extern float fSAOligomerS;
extern float fSAOligomerS2;
extern float fSATotalConc;
extern int nFitSAMonomerMorD;
extern int nFitSALog10Ka;
extern int nFitSALog10Ka2;
extern int nFitSAMonomerS;
extern int nFitSAOligomerS;
extern int nFitSAOligomerS2;
extern int nFitSATotalConc;
// Electrophoresis geometry: the bottom is the meniscus plus this length (cm).
extern float fElectrophoresisLength;
// Scaling of the first scan with the experimental initial distribution.
extern unsigned char bFitFirstScanScale;
// The amplitude by which each species' basis on the noise grid is currently
// multiplied (1..4): set by the model evaluation, replaced by the solved
// amplitude when the linear parts scale the basis. Other parts call it the
// species basis scale.
extern float fSpeciesAmplitude[5];
// Written by the model evaluation: the model signal is a constant (nothing
// sediments), and the time-order position of the first scan the model covers
// (2 when the first scan is the initial distribution).
extern unsigned char bModelConstantSignal;
extern int nFirstModelScan;

extern unsigned char bVaryMeniscusWarned;
extern unsigned char bUserMeniscusBottomRange;
extern unsigned char bElectrophoresisLoadRequest;

// ---------------------------------------------------------------- Lamm equation settings
// The 28 settings of morvexlammparams.ini, in the file's order, with the
// values that go with them (models/lamm_settings.cpp; docs/models.md).
extern float fAutoAlgorithmNormS;         // 1: normalized s for the automatic algorithm, 5
extern unsigned char bShutOffBackDiffusion;  // 2: on
extern double dBackDiffusionLevel;        // 3: 1e-4
extern unsigned char bAutoDynamicGridSize;   // 4: on
extern int nDefaultGridSize;              // 5: 1000
extern float fPointsPerSigma;             // 6: 5
extern int nDynGridUpperLimit;            // 7: 2000
extern int nDynGridLowerLimit;            // 8: 75
extern unsigned char bTimesFromW2t;       // 9: off
extern unsigned char bAutoFEAlgorithm;    // 10: on
extern unsigned char bFixedTimestep;      // 11: off
extern unsigned char bClaverie;           // 12: off
extern unsigned char bMovingHat;          // 13: on
extern unsigned char bAutoSGrid;          // 14: on
extern double dSGrid;                     // 15: 0
extern float fTolerance;                  // 16: 0.01
extern double dMaxDcOverC;                // 17: 1
extern float fAutoAlgorithmNormSOptimized;   // 18: 60
extern unsigned char bOptimizeGridSpacing;   // 19: on
extern unsigned char bExperimentalInitialDistribution;  // 20: off
extern unsigned char bTruncateGrid;       // 21: on
extern double dTruncateLevel;             // 22: 1e-6 (the file holds its log10)
extern unsigned char bSimTimeResolution;  // 23: off
extern unsigned char bSimRadialResolution;   // 24: off
extern float fScanVelocity;               // 25: cm/min, 2.43
extern float fConvolutionRange;           // 26: cm, 0.008
extern unsigned char bCheckRotorAcceleration;  // 27: on
extern double dSpeedStepDShutoff;         // 28: 10
// Not in the file: the rotor ramp with the recorded times (the complement of
// bTimesFromW2t) and the constant initial loading (the complement of
// bExperimentalInitialDistribution). dMaxDcOverCWork and its limits and
// nGridPoints are members of the global grid (fegrid/global_grid.h).
extern unsigned char bRampRotorSpeed;
extern unsigned char bConstantInitialDistribution;

// The initial-condition scan read by setInitialData.
extern ScanHeader hdrInitialScan;
extern unsigned char bUseInitialData;

// Sets the automatic meniscus and bottom ranges around their current values
// unless the user set them.
void setAutoMeniscusBottomLimits();
// After the user moved meniscus or bottom: radial fit limits that now lie
// outside the cell are moved inside it (updateLeftFitLimit,
// updateRightFitLimit), since no model can be evaluated with them.
void keepFitLimitsInsideCell();

class TXLAWindow;
// Switch the rotor-ramp mode and the times-from-omega-squared-t mode off (the
// latter restores each scan's recorded time).
void switchOffRampRotorSpeed(TXLAWindow* pWindow);
void switchOffTimesFromW2t(TXLAWindow* pWindow);
// Each scan's time goes back to the time recorded in its file (not for
// electrophoresis or light-scattering data).
void restoreRecordedScanTimes();

// Geometry models that the Lamm solver object does not simulate.
extern unsigned char bGeometryLinear;
extern unsigned char bGeometryExternalLoadingCell;
extern unsigned char bGeometryReserved;  // the geometry of command 282
extern unsigned char bElectrophoresis;
// Hindered sedimentation: 0 Richardson-Zaki exponent, 1 the dilute linear law.
extern unsigned char bHinderedBaxter;
// Skew statistics of the Wiener correction, from the first equation of a run.
extern float fWienerSkewMax;
extern float fWienerSkewMaxAt;
extern int nWienerSkewMaxScan;

// ---------------------------------------------------------------- read and written by the Data menu
// Solvent: buffer density (g/ml), viscosity relative to water at 20 C
// (STANDARDVISCOSITY), partial specific volume (ml/g),
// fVbarRho = VBAR x fBufferDensity and the hydration (g/g).
extern float fBufferDensity;
extern float RELVISCOSITY;
inline constexpr float STANDARDVISCOSITY = kWaterViscosity20F;
extern float VBAR;
extern float fVbarRho;
// Hydration (g/g) of the particle and the partial specific volume (ml/g) at
// 20 C in water that the s20,w transforms use.
extern float fHydration;
extern float fVbarTransform;
// Ranges of meniscus and bottom (cm) and their fit switches.
extern float fMaxMeniscus;
extern float fMinMeniscus;
extern float fMaxBottom;
extern float fMinBottom;
extern unsigned char bFitBottom;
extern unsigned char bFitMeniscus;
// Species described by (M, s) rather than (D, s).
extern unsigned char bUseMolarMass;

// Model flags, one byte per model (a Model command clears all and sets its own).
extern unsigned char bModelContinuous;
extern unsigned char bModelDiscreteSpecies;
extern unsigned char bModelCS;
extern unsigned char bModelCSOneDiscreteM;
extern unsigned char bModelCSOneDiscreteD;
extern unsigned char bModelCSFf0;
extern unsigned char bModelCSFf0OneDiscrete;
extern unsigned char bModelNonidealCS;
extern unsigned char bModelHinderedCS;
extern unsigned char bModelCSFlotation;
extern unsigned char bModelCSLinearRods;
extern unsigned char bModelHybridCSLsgs;
extern unsigned char bHybridWithDiscrete;  // the hybrid model carries a discrete species
extern unsigned char bModelCSInvariantD;
extern unsigned char bModelCSWithMsTable;
extern unsigned char bModelCSConformationalChange;
extern unsigned char bModelCSWormlikeChain;
extern unsigned char bModelCSFixFf0FloatingVbar;
extern unsigned char bModelCSBimodalFf0OneDiscrete;
extern unsigned char bModelCSBimodalFf0;
extern unsigned char bModelCSScalingLaw;
extern unsigned char bModelFMScalingLaw;
extern unsigned char bModelCMVbarM;
extern unsigned char bModelLsgs;
extern unsigned char bModelLsgsOneDiscrete;
extern unsigned char bModelElectrophoresisCV;
extern unsigned char bBufferMismatch;
// The buffer signal amplitude is fitted; the fitted (or fixed) amplitude.
extern unsigned char bFitBufferSignal;
extern double dBufferSignal;
// Interacting models (one species basis).
extern unsigned char bModelMonomerDimer;
extern unsigned char bModelMonomerTrimer;
extern unsigned char bModelSelfAssoc124;
extern unsigned char bModelSelfAssoc148;
extern unsigned char bModelNonidealSingle;
extern unsigned char bModelNonidealMultiple;
extern unsigned char bModelHeteroAssociation;
// The ls-g*(s) model was chosen by the automatic load and correction.
extern unsigned char bAutoLoadLsgMode;
extern unsigned char bModelZone;
extern unsigned char bModelZoneLsgs;
extern unsigned char bModelLsgv;            // ls-g*(v) of electrophoresis, linear geometry
extern unsigned char bModelDlsRh;           // light scattering: I(Rh)
extern unsigned char bModelDlsRhTime;       // I(Rh, t)
extern unsigned char bModelDlsD;            // I(D)
extern unsigned char bModelDlsCumulants;    // the cumulant form of the discrete light-scattering model
extern unsigned char bBoundaryAnalysisMode;  // van Holde-Weischet and ls-g*(s) extrapolation
// f(M) of the scaling law without diffusion; the s where the hybrid model
// switches from c(s) to ls-g*(s) (0 = none).
extern unsigned char bFMScalingNoDiffusion;
extern double dHybridSwitchS;
// Width of the loaded lamella of the zone models (cm).
extern float fZoneLamellaWidth;
// Set by the model commands around their rebuild of the distribution plot.
extern unsigned char bModelCommandRebuild;

// ---------------------------------------------------------------- model selection (models/model_flags.cpp)
// The family of the self-associating and non-ideal discrete models, and the
// flags of models the Model menu chooses beside those above.
extern unsigned char bModelInteracting;
extern unsigned char bModelDlsStokesRadii;    // discrete light-scattering model in Stokes radii
extern unsigned char bModelHindered;          // with bModelNonidealSingle: hindered sedimentation
extern unsigned char bModelCMbInvariantD;     // c(M) with invariant D: c(Mbuoyant)
extern unsigned char bModelCMPowerLaw;        // c(M) with the power law s = a M^b
extern unsigned char bModelZoneCS;            // zone centrifugation c(s)
extern unsigned char bVhwFlotation;           // van Holde-Weischet for flotation
extern unsigned char bShowExtrapolationPlot;  // show s(app) against 1/sqrt(t)
extern unsigned char bAreaFractionResults;    // results of the area-fraction extrapolation exist
// A Model command switched the times from omega-squared-t on (the next model
// choice switches them off again); a continuous model replaced nGridPoints.
extern unsigned char bTimesFromW2tByModel;
extern unsigned char bGridSizeReplaced;
// The radial grid size of every continuous model.
inline constexpr int nContinuousGridSize = 500;
// Suppress the notes of the regularization switches (batch and automatic
// loads), the switch itself (a reload), and mark the c(M) set-up run from the
// hybrid command; the ls-g*(s) ramp mode of the automatic load.
extern unsigned char bSilentModelSwitch;
extern unsigned char bSuppressRegSwitch;
extern unsigned char bCMFromCS;
extern int nLsgRampMode;
// The confidence level that the c(M) set-up puts into entry 2.
extern float fConfidenceLevelCM;
// The flotation model has not been chosen since the program started.
extern unsigned char bFlotationFirstUse;
// Options of the non-ideal models: repulsive coefficients and the second
// option byte (both passed to the solver), the hydrodynamic non-ideality, the
// multiple-species solver switch (saved with the model), sticky spheres of
// hindered c(s), and the signal extinctions of the three species of the
// multiple-species model.
extern unsigned char bNonidealRepulsive;
extern unsigned char bNonidealOption2;
extern unsigned char bHydrodynamicNonideality;
extern unsigned char bNonidealMultiSwitch;
extern unsigned char bStickySpheres;
extern float fNonidealExtinction1;
extern float fNonidealExtinction2;
extern float fNonidealExtinction3;
// The step of the f/f0 axis of c(s,f/f0) (saved with the parameters).
extern float fFf0Step;
// The integer setting of the Wiener skewing (saved with the parameters).
extern int nWienerSkewingSetting;
// The zone model: buffer lamella over the sample (check 446 of template 316).
extern unsigned char bInvertBand;
// Set only while command 530 runs the discrete model with the closed-form
// boundary of the Faxen approximation.
extern unsigned char bFaxenApproximation;

// Hydrodynamic model parameters: the power law s = a M^b; vbar(M) =
// offset + increment (M / 10^scale)^(1/3); the scaling law s = Ks M^bs;
// the D (or Stokes radius) of floating particles; the worm-like chain's
// monomer mass (Da), persistence length (nm), dehydrated cross-section (nm^2)
// and hydration (g/g).
extern double dPowerLawA;
extern double dPowerLawB;
extern double dVbarMOffset;
extern double dVbarMIncrement;
extern int nVbarMScale;
extern float fScalingKs;
extern float fScalingBs;
extern float fFlotationSpeciesD;
extern unsigned char bFlotationDFromRadius;
extern float fWormMonomerMw;
extern float fWormPersistenceLength;
extern float fWormCrossSection;
extern float fWormHydration;

// The last Parameters dialog was closed with OK (a later one that asks again
// after refused grid settings decides).
extern unsigned char bParamsAccepted;

// The fit-parameter vector (models/param_vector.cpp): allocation at start,
// the copies between vector and globals with their clamps and checks, the
// copy that clears every fit flag after a model change, and the consistency
// pass after the parameter dialog and a reload.
void allocParameterVectors();
void paramVectorToGlobals();
void globalsToParamVector();
void syncParameterVector();
void fixUpModelDefaults();
// The saved analysis (models/param_persistence.cpp, the file's entries in
// docs/models.md): writes the whole model state to the remembered parameter
// file (szScanExtra); bIntermediate marks a save while a fit runs.
void TmpSaveBestParams(TXLAWindow* pWindow, int bIntermediate);
// Entries of the parameter file, and the fewest a file must hold to be read.
inline constexpr int nParameterFileEntries = 215;
inline constexpr int nParameterFileMinimum = 99;
// Options the parameter file keeps that no part of this version reads: they
// are written and read back as they are (entries 56, 192, 193, 195-198, 207
// and 212).
extern unsigned char bLoadingOption3;
extern unsigned char bCSOption1;
extern unsigned char bCSOption2;
extern unsigned char bCSOption4;
extern unsigned char bCSOption5;
extern int nCSOption6;
extern int nCSOption7;
extern unsigned char bFlotationOption1;
extern unsigned char bFlotationOption2;
// The readable fit-parameter report (models/fit_parameter_report.cpp): as a
// text file (an existing one only after a question), and as plain text on
// the clipboard (false when the clipboard could not be opened).
void writeFitParameterReport(TXLAWindow* pWindow, const char* szPath);
bool fitParameterReportText(TXLAWindow* pWindow);
