// Definitions of the fitting-engine globals (declared in fit_globals.h).
#include "fitting/fit_globals.h"

unsigned char bFitTINoise = 0;
unsigned char bSerialFitRunning = 0;
unsigned char bStopFit = 0;
unsigned char bFitRunning = 0;
float fRmsd = 0.0f;
unsigned char bSimulateBeyondLastScan = 0;
unsigned char bSyntheticDistNormalized = 0;
unsigned char bSMWindowFit = 0;
int nSMFirstScan = 0;
int nSMLastScan = 0;


unsigned char bSimplexStarted = 0;
int nFitSteps = 0;
int nStepSimCount = 0;
int nSimCount = 0;
float fBestRmsd = 0.0f;
float fShownBestRmsd = 0.0f;
unsigned char bMarquardLevenbergMin = 0;
unsigned char bSimulatedAnnealing = 0;
float SAmaxTemp = 2.0f;
int nSANumberOfTemps = 10;
int nSAItMax = 500;
float fSATemperature = 2.0f;
int nAnnealingSeed = -3;
