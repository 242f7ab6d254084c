// Globals of the models and fit parameters that other subsystems read or write.
#pragma once

#include "scandata/scan_header.h"

// Cell geometry in cm; also entries 13 and 14 of pParamValue. 0 = not set.
extern float fMeniscus;
extern float fBottom;

// One-based parameter vector (entries 1..34) with its fit flags (1 = floated)
// and the number of species rows.
extern float* pParamValue;
extern int* pParamFloat;
extern int nSpecies;

// Noise and baseline settings.
extern unsigned char bFitRINoise;
extern unsigned char bAlgebraicBaseline;
extern int bFitBaseline;
extern float fBaseline;
extern int* pSpeciesIncluded;             // 1..4
// Loading concentration of each species (1..4), in signal units.
extern float* pSpeciesConc;
// The amplitude by which each species' basis on the noise grid is currently
// multiplied (1..4): set by the model evaluation, replaced by the solved
// amplitude when the linear parts scale the basis. Other parts call it the
// species basis scale.
extern float fSpeciesAmplitude[5];
// Linear parts solved algebraically: the loading concentrations.
extern unsigned char bAlgebraicConcentrations;
// Written by the model evaluation: the model signal is a constant (nothing
// sediments), and the time-order position of the first scan the model covers
// (2 when the first scan is the initial distribution).
extern unsigned char bModelConstantSignal;
extern int nFirstModelScan;

extern unsigned char bVaryMeniscusWarned;
extern unsigned char bUserMeniscusBottomRange;
extern unsigned char bExperimentalInitialDistribution;
extern unsigned char bConstantInitialDistribution;
extern unsigned char bSimTimeResolution;
extern unsigned char bTimesFromW2t;
extern unsigned char bElectrophoresisLoadRequest;

// The initial-condition scan read by setInitialData.
extern ScanHeader hdrInitialScan;
extern unsigned char bUseInitialData;

// Sets the automatic meniscus and bottom ranges around their current values
// unless the user set them.
void setAutoMeniscusBottomLimits();

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
// (STANDARDVISCOSITY), partial specific volume (ml/g) and
// fVbarRho = VBAR x fBufferDensity.
extern float fBufferDensity;
extern float RELVISCOSITY;
inline constexpr float STANDARDVISCOSITY = 0.001002f;
extern float VBAR;
extern float fVbarRho;
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

// Scan-resolution settings of the simulations: the scanner's velocity
// (cm/min) with bSimTimeResolution, and the radial window (cm) of the
// absorbance optics with bSimRadialResolution.
extern float fScanVelocity;
extern unsigned char bSimRadialResolution;
extern float fConvolutionRange;

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

// Copy between the parameter vector and the model globals.
void paramVectorToGlobals();
void globalsToParamVector();
// Writes the current parameters to the remembered parameter file
// (szScanExtra); bIntermediate marks a save during a fit.
void TmpSaveBestParams(TXLAWindow* pWindow, int bIntermediate);
// Writes the readable fit-parameter report.
void writeFitParameterReport(TXLAWindow* pWindow, const char* szPath);
