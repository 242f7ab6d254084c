// Definitions of the scan data set globals (declared in scan_data.h).
#include "scandata/scan_data.h"

#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "scandata/mouse_actions.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_loading.h"
#include "tools/dls/dls_data.h"
#include "tools/fluorescence/nonlinear_detection.h"

int nScans = 0;
char** ppScanFileName = nullptr;
ScanHeader* pScanHeaders = nullptr;
int* pScanPoints = nullptr;
float** ppRadius = nullptr;
float** ppSignal = nullptr;
float** ppThirdColumn = nullptr;
float** ppFit = nullptr;
float** ppModelPart = nullptr;
float** ppResidual = nullptr;
int* pScanTimeOrder = nullptr;
int* pFitFirstIndex = nullptr;
int* pFitLastIndex = nullptr;

CVector** ppRadiusVec = nullptr;
CVector** ppSignalVec = nullptr;
CVector** ppFitVec = nullptr;
CVector** ppResidualVec = nullptr;
CVector** ppThirdColumnVec = nullptr;
CCurve** ppSignalCurve = nullptr;
CCurve** ppFitCurve = nullptr;
CCurve** ppResidualCurve = nullptr;
CCurve** ppThirdColumnCurve = nullptr;

DlsScanHeader* pDlsHeaders = nullptr;

unsigned char bAbsorbanceData = 0;
unsigned char bIntensityData = 0;
unsigned char bInterferenceData = 0;
unsigned char bFluorescenceData = 0;
unsigned char bElectrophoresisData = 0;
unsigned char bDLSData = 0;
unsigned char bEquilibriumDataMode = 0;
unsigned char bMixedDataTypes = 0;

unsigned char bDataChanged = 1;
float fTemperatureK = kStandardTemperatureF;
float fRT = kStandardTemperatureF * kGasConstantSIF * 1e7f;
double dSignalPerMgMl = 1.0;
float fRadialResolution = 0.001f;
int nLoadEveryNth = 1;
CProgressLine* pLoadProgress = nullptr;

float fSpikeThreshold = 0.4f;

char szScanDrive[260] = "";
char szScanDir[260] = "";
char szScanName[260] = "";
char szScanExt[260] = "";
char szListFilePath[260] = "";
char szNotesPath[260] = "";
std::string szScanExtra;
std::string szDistCurvePath;
std::string szSideFileFolder;

unsigned char bLoadFromListDirectory = 0;
char szChosenDrive[260] = "";
char szChosenDir[260] = "";

unsigned char bCheckTimeStamps = 1;

char** ppPendingFileName = nullptr;
int nPendingFiles = 0;

CRotorSpeedProfile* pRotorSpeedProfile = nullptr;
unsigned char bUsingSpeedSteps = 0;
unsigned char bSpeedChangesInScans = 0;
unsigned char bApproachToEqPattern = 0;

float* pNoiseGrid = nullptr;
int nNoiseGridPoints = 0;
float** ppScanOnNoiseGrid = nullptr;
unsigned char bScanOnNoiseGridOwned = 0;
float* pTINoise = nullptr;
float* pRINoise = nullptr;
float* pTINoiseSaved = nullptr;
float* pTINoiseAux = nullptr;
float* pRINoiseSaved = nullptr;
int nNoiseGridFirst = 0;
int nNoiseGridLast = 0;
float fNoiseGridSum = 0.0f;
float fNoiseGridCount = 0.0f;
float** pppExtraNoiseScan[5] = {};
float* ppExtraNoiseProfile[5] = {};
float* ppExtraNoiseAmplitude[5] = {};

float* pExtrapolation1 = nullptr;
float* pExtrapolation2 = nullptr;
float* pExtrapolation3 = nullptr;
int nExtrapolationPoints = 0;

void freeScanData() {
    endActiveMouseActions();  // no tool may keep working on released scans
    // nor the M* screens, whose plot A stands in for the data plot
    if (bMStarMode || pMStarPlotA) mStarFreeScreenPlots(nullptr);
    freeNonlinearDetectionCopies();
    for (int i = 1; i <= nScans; ++i) {
        if (ppScanFileName) {
            delete[] ppScanFileName[i];
            ppScanFileName[i] = nullptr;
        }
        const int n = pScanPoints ? pScanPoints[i] : 0;
        auto release = [i, n](float** pp) {
            if (!pp) return;
            free_vector(pp[i], 1, n);
            pp[i] = nullptr;
        };
        release(ppRadius);
        release(ppFit);
        release(ppModelPart);
        release(ppResidual);
        release(ppSignal);
        release(ppThirdColumn);
        for (CCurve** pp : {ppSignalCurve, ppFitCurve, ppResidualCurve, ppThirdColumnCurve})
            if (pp) {
                delete pp[i];
                pp[i] = nullptr;
            }
        for (CVector** pp : {ppRadiusVec, ppSignalVec, ppFitVec, ppResidualVec, ppThirdColumnVec})
            if (pp) {
                delete pp[i];
                pp[i] = nullptr;
            }
    }
    auto dropTable = [](auto*& p) {
        delete[] p;
        p = nullptr;
    };
    dropTable(ppScanFileName);
    dropTable(ppRadius);
    dropTable(ppSignal);
    dropTable(ppThirdColumn);
    dropTable(ppFit);
    dropTable(ppModelPart);
    dropTable(ppResidual);
    dropTable(ppRadiusVec);
    dropTable(ppSignalVec);
    dropTable(ppFitVec);
    dropTable(ppResidualVec);
    dropTable(ppThirdColumnVec);
    dropTable(ppSignalCurve);
    dropTable(ppFitCurve);
    dropTable(ppResidualCurve);
    dropTable(ppThirdColumnCurve);
    dropTable(pScanHeaders);
    delete pContiNonid;
    pContiNonid = nullptr;
    freeDlsScanHeaders();
    free_ivector(pScanPoints, 1, nScans);
    free_ivector(pScanTimeOrder, 1, nScans);
    free_ivector(pFitFirstIndex, 1, nScans);
    free_ivector(pFitLastIndex, 1, nScans);
    pScanPoints = pScanTimeOrder = pFitFirstIndex = pFitLastIndex = nullptr;
    freeNoiseArrays(nScans);
    // the initial scan and its extrapolation belong to the released data: a
    // set loaded next takes its own (or the user's initial-data file again)
    freeExtrapolationArrays();
    bUseInitialData = 0;
    delete pDataPlot;
    delete pResidualsPlot;
    delete pResidualsBitmapPlot;
    pDataPlot = pResidualsPlot = pResidualsBitmapPlot = nullptr;
    nScans = 0;
    bSGridLimitsAccepted = 0;
    bDataChanged = 1;
}
