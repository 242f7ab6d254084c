// Definitions of the continuous-distribution globals (conti_globals.h).
#include "distributions/conti_globals.h"

CContiNonid* pContiNonid = nullptr;
unsigned char bSGridLimitsAccepted = 0;
unsigned char bExportMatrices = 0;

float fSGridResolution = 100.0f;
float fSMin = 0.0f;
float fSMax = 10.0f;
unsigned char bLogSGrid = 0;
unsigned char bSGridFromFile = 0;
unsigned char bLogGridMinS = 0;
float fLogGridMinS = 10.0f;
float fFlotationSMin = -30.0f;
float fFlotationSMax = -10.0f;
int nFlotationResolution = 50;
unsigned char bFlotationOnly = 0;
float fFf0Min = 1.0f;
float fFf0Max = 2.5f;
float fFf0Resolution = 5.0f;
int nFf0Resolution = 5;
int nCsGridTotal = 0;
unsigned char bDlsGridLinearD = 0;
unsigned char bDlsGridLogRh = 1;
unsigned char bDlsGridLogD = 0;
unsigned char bDlsDensityLinear = 0;
unsigned char bCsFf0ShowSM = 0;
unsigned char bCsFf0ShowRh = 0;
unsigned char bCsFf0ShowD = 0;
unsigned char bCsFf0ShowMFf0 = 0;
int nResolution = 0;
float fFrictionalRatio = 1.2f;
int nNumericalErrorCode = 0;
unsigned char bRegBothShown = 0;
unsigned char bMsTableRun = 0;
unsigned char bUseScanRadii = 0;
unsigned char bSkipRegularization = 0;
unsigned char bContiKernelsDue = 1;

unsigned char bFinalFitEvaluation = 0;
unsigned char bMonteCarloRun = 0;
unsigned char bSuppressBaselineCorrelation = 0;
int nTimeCourseFirst = 1;
int nTimeCourseLast = 1;
