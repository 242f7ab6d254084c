// Definitions of the main-window globals (declared in app_globals.h).
#include "app/app_globals.h"

unsigned char bBatchMode = 0;
char szWindowTitle[512] = "Sedimentation Analysis";
unsigned char bModelComputed = 0;
unsigned char bRealtimeUpdate = 0;
unsigned char bRealtimeError = 0;
unsigned char bAutoLoadMultiSpeed = 0;
unsigned char bLoadFromList = 0;
unsigned char bWindowPainted = 0;
unsigned char bSound = 1;
unsigned char bAbortRequested = 0;
unsigned char bResultsWritten = 0;
unsigned char bRepaintAfterCalc = 0;
char szTempDir[260] = "";
unsigned char bDiagnosticsLamm = 0;
unsigned char bDiagnosticsThreads = 0;
int nLammThreads = 2;

float fFitLeftLim = 0.0f;
float fFitRightLim = 0.0f;

float fExtrapolationDistanceFactor = 1.0f;
int nPolynomOrder = 2;

unsigned char bSetNColumns = 0;
int nDataColumns = 3;
unsigned char bDontLoadSpikes = 0;
float fSpikeLevel = 0.4f;
float fSpikeThresholdFDS = 100.0f;
unsigned char bOldFilenameConvention = 0;

char szSoundError[260] = "";
char szSoundInfo[260] = "";
char szSoundQuestion[260] = "";
char szSoundFitDone[260] = "";
char szSoundHi[260] = "";
char szSoundBye[260] = "";
char szSoundOk[260] = "";
char szSoundBeer[260] = "";

CWINPlot* pDataPlot = nullptr;
CWINPlot* pResidualsPlot = nullptr;
CWINPlot* pResidualsBitmapPlot = nullptr;

int nClientWidth = 0;
int nPlotTop = 50;
int nPlotBottom = 475;
int nResidPlotTop = 550;
int nResidPlotBottom = 950;
int nClientHeight = 0;
unsigned char bDiagnostics = 0;
unsigned char bDisplayFlag210 = 0;
unsigned char bKeepPlotLayout = 0;
unsigned char bShowParameterText = 1;
unsigned char bErrorPropagationToSw = 0;
unsigned char bRealtimeAutoAdjustRange = 0;
const unsigned char bPriorKnowledgeEnabled = 1;
unsigned char bProgressTick = 0;
unsigned char bShowResiduals = 1;
unsigned char bShowResidualsBitmap = 0;
unsigned char bShowResidualsHistogram = 0;

float fZoomXMin[nMaxZoomLevels] = {};
float fZoomXMax[nMaxZoomLevels] = {};
float fZoomYMin[nMaxZoomLevels] = {};
float fZoomYMax[nMaxZoomLevels] = {};
int nZoomLevel = 0;

CAdHocPlot* pAdHocPlotOwner = nullptr;
CWINPlot* pAdHocWinPlot = nullptr;
int nHitScan = 0;
int nHitResidualScan = 0;

char szRealtimeStatus[300] = "";
char szRealtimeChecked[300] = "";
char szStatusText[300] = "";
unsigned char bShowStatusText = 0;

CWINPlot* pAuxPlot = nullptr;
float* pAuxArray1 = nullptr; float* pAuxArray2 = nullptr; float* pAuxArray3 = nullptr; float* pAuxArray4 = nullptr;
float* pAuxArray5 = nullptr; float* pAuxArray6 = nullptr; float* pAuxArray7 = nullptr; float* pAuxArray8 = nullptr;
float* pAuxArray9 = nullptr; float* pAuxArray10 = nullptr;
int nAuxArrayLength = 0;
CVector* pAuxVector1 = nullptr; CVector* pAuxVector2 = nullptr; CVector* pAuxVector3 = nullptr;
CVector* pAuxVector4 = nullptr; CVector* pAuxVector5 = nullptr; CVector* pAuxVector6 = nullptr;
CVector* pAuxVector7 = nullptr; CVector* pAuxVector8 = nullptr; CVector* pAuxVector9 = nullptr;
CVector* pAuxVector10 = nullptr;
CCurve* pAuxCurve1 = nullptr; CCurve* pAuxCurve2 = nullptr; CCurve* pAuxCurve3 = nullptr;
CCurve* pAuxCurve4 = nullptr; CCurve* pAuxCurve5 = nullptr; CCurve* pAuxCurve6 = nullptr;
CCurve* pAuxCurve7 = nullptr; CCurve* pAuxCurve8 = nullptr; CCurve* pAuxCurve9 = nullptr;
unsigned char bAuxPlotShown = 0;
unsigned char bAuxPlotFlag2 = 0;

CWINPlot* pTosePlot = nullptr;
float* pToseArray1 = nullptr; float* pToseArray2 = nullptr; float* pToseArray3 = nullptr; float* pToseArray4 = nullptr;
CVector* pToseVector1 = nullptr; CVector* pToseVector2 = nullptr; CVector* pToseVector3 = nullptr;
CVector* pToseVector4 = nullptr; CVector* pToseVector5 = nullptr; CVector* pToseVector6 = nullptr;
CVector* pToseVector7 = nullptr; CVector* pToseVector8 = nullptr; CVector* pToseVector9 = nullptr;
CVector* pToseVector10 = nullptr;
CCurve* pToseCurve1 = nullptr; CCurve* pToseCurve2 = nullptr; CCurve* pToseCurve3 = nullptr;
CCurve* pToseCurve4 = nullptr; CCurve* pToseCurve5 = nullptr; CCurve* pToseCurve6 = nullptr;
int nToseSteps = 0;
int nTosePoints = 0;
float* pToseSpeedTimes = nullptr;
float* pToseSpeedValues = nullptr;

unsigned char bMultiThreaded = 1;
int nNEQThreads = 2;
unsigned char bFlagStrongGradients = 1;
float fGradientLimit = 500.0f;
unsigned char bWizardMessages = 1;
unsigned char bScanColorFromTime = 0;
double dTimeStampThreshold = 1.001;
unsigned char bUseIntegrationRangesFile = 0;
unsigned char bMarkResidualRanges = 0;
const int* pMarkFirstIndex = nullptr;
const int* pMarkLastIndex = nullptr;

