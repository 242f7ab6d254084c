// Definitions of the continuous-distribution globals (conti_globals.h).
#include "distributions/conti_globals.h"

CContiNonid* pContiNonid = nullptr;
unsigned char bSGridLimitsAccepted = 0;

// ---------------------------------------------------------------- grid settings and model parameters
// Start values as the program has them before a continuous model is chosen.
float fSMin = 0.0f;
float fSMax = 10.0f;
float fSGridResolution = 100.0f;
float fConfidenceLevel = 0.95f;
float fFrictionalRatio = 1.2f;
int nFitFrictionalRatio = 0;
int nFitVbar = 0;
unsigned char bSGridFromFile = 0;
unsigned char bLogSGrid = 0;
unsigned char bKeepLogSGrid = 0;
float fWormPersistenceLength = 0.0f;
int nFitWormPersistenceLength = 0;
float fWormCrossSection = 0.0f;
float fWormMonomerMw = 9000.0f;
float fWormHydration = 0.4f;
float fScalingKs = 0.003f;
int nFitScalingKs = 0;
float fScalingBs = 0.667f;
unsigned char bFMScalingNoDiffusion = 0;
float fConfChangeM = 0.0f;
float fConfChangeSMin = 0.0f;
float fConfChangeSMax = 0.0f;
float fFf0Min = 1.0f;
float fFf0Max = 2.5f;
float fFf0Resolution = 5.0f;
int nFf0Resolution = 5;
float fCsGridTotal = 0.0f;
int nCsGridTotal = 0;
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
