// Definitions of the fitting-engine globals (declared in fit_globals.h).
#include "fitting/fit_globals.h"

unsigned char bFitTINoise = 0;
unsigned char bSerialFitRunning = 0;
unsigned char bSerialFitKeepData = 0;
unsigned char bStopFit = 0;
unsigned char bFitRunning = 0;
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

unsigned char bSimplex = 1;
unsigned char bSAFinalML = 1;
unsigned char bAnnealFinalSimplex = 0;
float fSimplexRandomization = 0.01f;
unsigned char bSaveBestParams = 1;
float fRememberedMeniscus = 0.0f;
float fRememberedBottom = 0.0f;
unsigned char bFitStoppedByUser = 0;
double dMLTestRmsd = 0.0;
double dMLTestPoints = 0.0;
double dMLLambda = 0.0;
double* pMLRelStep = nullptr;
double* pMLAbsStep = nullptr;
double dMLChisq = 0.0;
int nMLMaxSteps = 100;
double dMLRelChisqTol = 1e-7;
double dMLMinChisq = 1e-10;
double dMLStepTol = 1e-4;
double dMLMaxFactor = 10.0;
unsigned char bMLError = 0;
int nMLLimitHit = 0;
float* pMLParamScale = nullptr;
int* pMLFitFlags = nullptr;
CProgressLine* pProgressLine = nullptr;
