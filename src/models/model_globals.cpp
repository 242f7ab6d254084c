// Definitions of the model globals (declared in model_globals.h).
#include "models/model_globals.h"

float fMeniscus = 0.0f;
float fBottom = 0.0f;

static float paramValueStorage[35] = {};
float* pParamValue = paramValueStorage;
static int paramFloatStorage[35] = {};
int* pParamFloat = paramFloatStorage;
int nSpecies = 4;

unsigned char bFitRINoise = 0;
unsigned char bAlgebraicBaseline = 0;
int bFitBaseline = 0;
float fBaseline = 0.0f;
static int speciesIncludedStorage[5] = {};
int* pSpeciesIncluded = speciesIncludedStorage;
static float speciesConcStorage[5] = {};
float* pSpeciesConc = speciesConcStorage;
float fSpeciesAmplitude[5] = {};
unsigned char bAlgebraicConcentrations = 0;
unsigned char bModelConstantSignal = 0;
int nFirstModelScan = 1;

unsigned char bVaryMeniscusWarned = 0;
unsigned char bUserMeniscusBottomRange = 0;
unsigned char bExperimentalInitialDistribution = 0;
unsigned char bConstantInitialDistribution = 0;
unsigned char bSimTimeResolution = 0;
unsigned char bTimesFromW2t = 0;
unsigned char bElectrophoresisLoadRequest = 0;

ScanHeader hdrInitialScan = {};
unsigned char bUseInitialData = 0;

// The meniscus and bottom ranges belong to the model parameters, which do not
// exist yet: nothing to set.
void setAutoMeniscusBottomLimits() {}

// Neither mode can be switched on while the model settings are not part of
// the program: nothing to switch off.
void switchOffRampRotorSpeed(TXLAWindow*) {}
void switchOffTimesFromW2t(TXLAWindow*) {}

// No parameters are saved beside the data yet: nothing to restore.
#include "app/xla_window.h"
bool TXLAWindow::OfferRestorePreviousAnalysis(int) { return false; }

unsigned char bGeometryLinear = 0;
unsigned char bGeometryExternalLoadingCell = 0;
unsigned char bGeometryReserved = 0;
unsigned char bElectrophoresis = 0;
unsigned char bHinderedBaxter = 0;
float fWienerSkewMax = 0.0f;
float fWienerSkewMaxAt = 0.0f;
int nWienerSkewMaxScan = 0;
