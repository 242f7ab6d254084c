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
