// Definitions of the continuous-distribution globals (conti_globals.h).
#include "distributions/conti_globals.h"

CContiNonid* pContiNonid = nullptr;
unsigned char bNonidealDiscreteFirst = 0;
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
int nTimeCourseWindows = 0;
float* pTimeCourseTimes = nullptr;
float** pTimeCourseDistributions = nullptr;
int nPauseKey = 0;

// ---------------------------------------------------------------- parameters of the continuous models
int nFitFrictionalRatio = 0;
int nFitVbar = 0;
unsigned char bKeepLogSGrid = 0;
int nFitWormPersistenceLength = 0;
int nFitScalingKs = 0;
float fConfChangeM = 0.0f;
float fConfChangeSMin = 0.0f;
float fConfChangeSMax = 0.0f;
float fCsGridTotal = 0.0f;
float fDiscreteCompM = 0.0f;
float fDiscreteCompS = 0.0f;
float fDiscreteCompD = 0.0f;
int nFitDiscreteCompMorD = 0;
int nFitDiscreteCompS = 0;
float fBimodalFf0Second = 0.0f;
float fBimodalSMin = 0.0f;
int nFitBimodalSMin = 0;
float fBimodalSMax = 0.0f;
float fCVConstantD = 0.0f;
int nFitCVConstantD = 0;
float fCSInvariantD = 0.0f;
int nFitCSInvariantD = 0;
float fLinearRodParam = 0.0f;
float fTimeCourseWindow = 0.0f;
