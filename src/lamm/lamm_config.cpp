// CLammIdeal: construction, copy, destruction and the setters.
#include "lamm/lamm_ideal.h"

#include <cmath>
#include <cstring>

#include "app/app_globals.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "scandata/scan_data.h"
#include "scandata/scan_header.h"

namespace {

double* copyDVector(const double* src, int n)
{
    if (!src || n < 1) return nullptr;
    double* v = dvector(1, n);
    for (int i = 1; i <= n; i++) v[i] = src[i];
    return v;
}

char* copyPath(const char* src)
{
    if (!src) return nullptr;
    char* p = new char[260];
    std::strncpy(p, src, 259);
    p[259] = 0;
    return p;
}

void freePath(char*& p)
{
    delete[] p;
    p = nullptr;
}

}  // namespace

CLammIdeal::CLammIdeal()
{
    bDiagnostics = bDiagnosticsLamm;
}

CLammIdeal::~CLammIdeal()
{
    FreeOwned();
}

void CLammIdeal::FreeOwned()
{
    FreeAllGridMemory();
    if (ppPrivateOutput) free_matrix(ppPrivateOutput, 1, nPrivateRows, 1, nPrivateCols);
    ppPrivateOutput = nullptr;
    nPrivateRows = nPrivateCols = 0;
    if (bOwnsScanList && pScanList) free_ivector(pScanList, 1, nScans);
    pScanList = nullptr;
    bOwnsScanList = 0;
    free_dvector(pReactSpecies1, 1, nReactSpecies);
    free_dvector(pReactSpecies2, 1, nReactSpecies);
    free_dvector(pReactSpecies3, 1, nReactSpecies);
    free_dvector(pReactSpecies4, 1, nReactSpecies);
    pReactSpecies1 = pReactSpecies2 = pReactSpecies3 = pReactSpecies4 = nullptr;
    free_dvector(pInitialRadii, 1, nInitialPoints);
    free_dvector(pInitialValues, 1, nInitialPoints);
    pInitialRadii = pInitialValues = nullptr;
    free_vector(pConvWeights, 1, nConvWeights);
    pConvWeights = nullptr;
    free_dvector(pSignalFactors, 1, nSignalFactors);
    pSignalFactors = nullptr;
    FreeWienerSkewingArrays();
    free_dvector(pStepStart, 1, nSpeedSteps);
    free_dvector(pStepAccelEnd, 1, nSpeedSteps);
    free_dvector(pStepRpm, 1, nSpeedSteps);
    free_dvector(pStepRate, 1, nSpeedSteps);
    pStepStart = pStepAccelEnd = pStepRpm = pStepRate = nullptr;
    free_dvector(pViscosityCoeffs, 1, nViscosityCoeffs);
    free_dvector(pDensityCoeffs, 1, nDensityCoeffs);
    pViscosityCoeffs = pDensityCoeffs = nullptr;
    freePath(szCosoluteFolder);
    freePath(szCosoluteTable1);
    freePath(szCosoluteTable2);
    FreeCosoluteGradient();
    free_dvector(pSNonidTable, 1, nSNonidTable);
    free_dvector(pDNonidTable, 1, nDNonidTable);
    pSNonidTable = pDNonidTable = nullptr;
    nSNonidTable = nDNonidTable = 0;
    delete[] szLogFileName;
    delete[] szLogOpeningLine;
    szLogFileName = szLogOpeningLine = nullptr;
}

// ---------------------------------------------------------------- slot 0

void CLammIdeal::CopyFrom(const CLammIdeal& t)
{
    if (&t == this) return;
    // geometry and species
    dLoading = t.dLoading;
    dBottom = t.dBottom;
    dMeniscus = t.dMeniscus;
    dS = t.dS;
    dD = t.dD;
    dTimeOffset = t.dTimeOffset;
    // signal models
    bRadialSlope = t.bRadialSlope;
    dRadialSlopeMinus1 = t.dRadialSlopeMinus1;
    bTimeSignal = t.bTimeSignal;
    bBleaching = t.bBleaching;
    dBleachRate = t.dBleachRate;
    dBleachLimit = t.dBleachLimit;
    bDrift = t.bDrift;
    dDriftRate = t.dDriftRate;
    bRadialConvolution = t.bRadialConvolution;
    dConvolutionWidth = t.dConvolutionWidth;
    dConvolutionDistFactor = t.dConvolutionDistFactor;
    nRadiiEquidistant = t.nRadiiEquidistant;
    nConvFirst = t.nConvFirst;
    nConvLast = t.nConvLast;
    dConvSpacing = t.dConvSpacing;
    free_vector(pConvWeights, 1, nConvWeights);
    pConvWeights = nullptr;
    nConvWeights = 0;
    if (t.pConvWeights && t.nConvWeights > 0) {
        nConvWeights = t.nConvWeights;
        pConvWeights = vector(1, nConvWeights);
        for (int i = 1; i <= nConvWeights; i++) pConvWeights[i] = t.pConvWeights[i];
    }
    bBottomZone = t.bBottomZone;
    dBottomZoneWidth = t.dBottomZoneWidth;
    // status flags; the scan data stay invalid until SetSimulationTarget
    bSedParamsOk = t.bSedParamsOk;
    bFitLimitInCell = t.bFitLimitInCell;
    nGeometryError = t.nGeometryError;
    bModelSet = t.bModelSet;
    bSolverOptionsOk = t.bSolverOptionsOk;
    bScanDataOk = 0;
    free_dvector(pInitialRadii, 1, nInitialPoints);
    free_dvector(pInitialValues, 1, nInitialPoints);
    bInitialProfile = t.bInitialProfile;
    nInitialPoints = t.nInitialPoints;
    pInitialRadii = copyDVector(t.pInitialRadii, t.nInitialPoints);
    pInitialValues = copyDVector(t.pInitialValues, t.nInitialPoints);
    // scan references: shared, never owned by the copy
    if (bOwnsScanList && pScanList) free_ivector(pScanList, 1, nScans);
    pOutputWindow = t.pOutputWindow;
    pDataPlot = t.pDataPlot;
    pScanHeaders = t.pScanHeaders;
    nScans = t.nScans;
    pScanList = t.pScanList;
    bOwnsScanList = 0;
    nSpeciesIndex = t.nSpeciesIndex;
    ppOutput = t.ppOutput;
    if (ppPrivateOutput) free_matrix(ppPrivateOutput, 1, nPrivateRows, 1, nPrivateCols);
    ppPrivateOutput = nullptr;
    nPrivateRows = t.nPrivateRows;
    nPrivateCols = t.nPrivateCols;
    if (t.ppPrivateOutput && nPrivateRows > 0 && nPrivateCols > 0)
        ppPrivateOutput = matrix(1, nPrivateRows, 1, nPrivateCols);
    pCommonRadii = t.pCommonRadii;
    nCommonRadii = t.nCommonRadii;
    bPerScanRadii = t.bPerScanRadii;
    ppScanRadii = t.ppScanRadii;
    pScanPoints = t.pScanPoints;
    bRepaint = t.bRepaint;
    bFitRunning = t.bFitRunning;
    bSkipRegularization = t.bSkipRegularization;
    bKeepPrivateOutput = t.bKeepPrivateOutput;
    bLiveDisplay = t.bLiveDisplay;
    bSecondLivePlot = t.bSecondLivePlot;
    bSecondComponentFile = t.bSecondComponentFile;
    std::memcpy(szDataFileName, t.szDataFileName, sizeof szDataFileName);
    // grid choices (not the grid itself)
    bTruncateGrid = t.bTruncateGrid;
    bPlateauWindows = t.bPlateauWindows;
    nGridPointsAllocated = t.nGridPointsAllocated;
    // solvent
    dCosoluteDensityEnd1 = t.dCosoluteDensityEnd1;
    dCosoluteDensityEnd2 = t.dCosoluteDensityEnd2;
    dCosoluteViscosityEnd1 = t.dCosoluteViscosityEnd1;
    dCosoluteViscosityEnd2 = t.dCosoluteViscosityEnd2;
    bInhomogeneousSolvent = t.bInhomogeneousSolvent;
    bInhomogeneousSolvent2 = t.bInhomogeneousSolvent2;
    bCompressibleSolvent = t.bCompressibleSolvent;
    bCosoluteTableMode = t.bCosoluteTableMode;
    bSedimentingCosolute = t.bSedimentingCosolute;
    bAddWaterCompressibility = t.bAddWaterCompressibility;
    dCompressibility = t.dCompressibility;
    fGradientVbar = t.fGradientVbar;
    fTemperature = t.fTemperature;
    fViscosity = t.fViscosity;
    fDensity = t.fDensity;
    fVbar = t.fVbar;
    fVbarRho = t.fVbarRho;
    fBufferDensity1atm = t.fBufferDensity1atm;
    fBufferViscosity1atm = t.fBufferViscosity1atm;
    fReferenceViscosity = t.fReferenceViscosity;
    fSolventFourth = t.fSolventFourth;
    fFrictionalRatio = t.fFrictionalRatio;
    // solver options
    bRampRotorSpeed = t.bRampRotorSpeed;
    bFixedTimestep = t.bFixedTimestep;
    nHeteroAssocRun = t.nHeteroAssocRun;
    dMaxRelativeChange = t.dMaxRelativeChange;
    dSGrid = t.dSGrid;
    bAutoSGrid = t.bAutoSGrid;
    bSimulateBeyondLastScan = t.bSimulateBeyondLastScan;
    bAutoFEAlgorithm = t.bAutoFEAlgorithm;
    dMaxDcOverCWork = t.dMaxDcOverCWork;
    dMaxDcOverCLow = t.dMaxDcOverCLow;
    dMaxDcOverCHigh = t.dMaxDcOverCHigh;
    dMaxDcOverC = t.dMaxDcOverC;
    nDefaultGridSize = t.nDefaultGridSize;
    bEngineMovingGrid = t.bEngineMovingGrid;
    bEngineStaticGrid = t.bEngineStaticGrid;
    dStepDivisor = t.dStepDivisor;
    dAutoAlgorithmNormS = t.dAutoAlgorithmNormS;
    dAutoAlgorithmNormSOptimized = t.dAutoAlgorithmNormSOptimized;
    dStepBlend = t.dStepBlend;
    fLammTolerance = t.fLammTolerance;
    dTruncateLevel = t.dTruncateLevel;
    bAutoDynamicGridSize = t.bAutoDynamicGridSize;
    bOptimizeGridSpacing = t.bOptimizeGridSpacing;
    bShutOffBackDiffusion = t.bShutOffBackDiffusion;
    dBackDiffusionLevel = t.dBackDiffusionLevel;
    bSkipSteepGradientTest = t.bSkipSteepGradientTest;
    fPointsPerSigma = t.fPointsPerSigma;
    nDynGridLowerLimit = t.nDynGridLowerLimit;
    nDynGridUpperLimit = t.nDynGridUpperLimit;
    fFitOuter = t.fFitOuter;
    fFitInner = t.fFitInner;
    // band forming and resolution
    bBandForming = t.bBandForming;
    fLamellaWidth = t.fLamellaWidth;
    bBandFlag = t.bBandFlag;
    bSimTimeResolution = t.bSimTimeResolution;
    fScanVelocity = t.fScanVelocity;
    bSimRadialResolution = t.bSimRadialResolution;
    fConvolutionRange = t.fConvolutionRange;
    bAbsorbanceData = t.bAbsorbanceData;
    // reacting model, with vectors of its own
    free_dvector(pReactSpecies1, 1, nReactSpecies);
    free_dvector(pReactSpecies2, 1, nReactSpecies);
    free_dvector(pReactSpecies3, 1, nReactSpecies);
    free_dvector(pReactSpecies4, 1, nReactSpecies);
    bReactingLoop = t.bReactingLoop;
    bNonReacting = t.bNonReacting;
    bReactModelFlag1 = t.bReactModelFlag1;
    bReactModelFlag2 = t.bReactModelFlag2;
    nReactSpecies = t.nReactSpecies;
    pReactSpecies1 = copyDVector(t.pReactSpecies1, nReactSpecies);
    pReactSpecies2 = copyDVector(t.pReactSpecies2, nReactSpecies);
    pReactSpecies3 = copyDVector(t.pReactSpecies3, nReactSpecies);
    pReactSpecies4 = copyDVector(t.pReactSpecies4, nReactSpecies);
    bUseReactingModel = t.bUseReactingModel;
    bNonidealSet = t.bNonidealSet;
    bSelfAssocSet = t.bSelfAssocSet;
    bReactFlag5 = t.bReactFlag5;
    bReactOk = t.bReactOk;
    fReactPairA1 = t.fReactPairA1;
    fReactPairA2 = t.fReactPairA2;
    fReactPairB1 = t.fReactPairB1;
    fReactPairB2 = t.fReactPairB2;
    bReactFlagA = t.bReactFlagA;
    bReactFlagB = t.bReactFlagB;
    bReactFlagC = t.bReactFlagC;
    bReactFlagD = t.bReactFlagD;
    bReactFlagE = t.bReactFlagE;
    dReactValue = t.dReactValue;
    nReactModel = t.nReactModel;
    nAssocStoichiometry = t.nAssocStoichiometry;
    dAssocConstant = t.dAssocConstant;
    dNonidealKs = t.dNonidealKs;
    dNonidealKd = t.dNonidealKd;
    bHindered = t.bHindered;
    bHinderedLinear = t.bHinderedLinear;
    dSignalPerMgMl = t.dSignalPerMgMl;
    // rotor
    bCheckAcceleration = t.bCheckAcceleration;
    dStartTime = t.dStartTime;
    bFixedStepLimit = t.bFixedStepLimit;
    dFixedStepLimit = t.dFixedStepLimit;
    dInitialTimeStep = t.dInitialTimeStep;
    free_dvector(pStepStart, 1, nSpeedSteps);
    free_dvector(pStepAccelEnd, 1, nSpeedSteps);
    free_dvector(pStepRpm, 1, nSpeedSteps);
    free_dvector(pStepRate, 1, nSpeedSteps);
    bSpeedProfile = t.bSpeedProfile;
    nSpeedSteps = t.nSpeedSteps;
    pStepStart = copyDVector(t.pStepStart, nSpeedSteps);
    pStepAccelEnd = copyDVector(t.pStepAccelEnd, nSpeedSteps);
    pStepRpm = copyDVector(t.pStepRpm, nSpeedSteps);
    pStepRate = copyDVector(t.pStepRate, nSpeedSteps);
    dFinalRpm = t.dFinalRpm;
    // Wiener coefficients and snapshot times
    bWienerSkewing = t.bWienerSkewing;
    dWienerA = t.dWienerA;
    dWienerB = t.dWienerB;
    bWienerIncompatible = t.bWienerIncompatible;
    bSnapshots = t.bSnapshots;
    bSnapshotPerEquation = t.bSnapshotPerEquation;
    ppSnapshotFrames = t.ppSnapshotFrames;
    pppSnapshotFramesPerEquation = t.pppSnapshotFramesPerEquation;
    pSnapshotTimes = t.pSnapshotTimes;
    pSnapshotRadii = t.pSnapshotRadii;
    nSnapshotFrames = t.nSnapshotFrames;
    nSnapshotRadii = t.nSnapshotRadii;
    nNextSnapshot = t.nNextSnapshot;
    dNextSnapshotTime = t.dNextSnapshotTime;
    // co-solute settings with arrays and names of its own
    dCosoluteS = t.dCosoluteS;
    dCosoluteD = t.dCosoluteD;
    bCosoluteSubSolver = t.bCosoluteSubSolver;
    nCosoluteGridSize = t.nCosoluteGridSize;
    bCosoluteZeroFlag = t.bCosoluteZeroFlag;
    bNonidealCosolute = t.bNonidealCosolute;
    dCosoluteLoading = t.dCosoluteLoading;
    bCosoluteSave = t.bCosoluteSave;
    bCosolutePlot = t.bCosolutePlot;
    dCosoluteCompressibility = t.dCosoluteCompressibility;
    bCosolutePreset = t.bCosolutePreset;
    freePath(szCosoluteFolder);
    freePath(szCosoluteTable1);
    freePath(szCosoluteTable2);
    szCosoluteFolder = copyPath(t.szCosoluteFolder);
    szCosoluteTable1 = copyPath(t.szCosoluteTable1);
    szCosoluteTable2 = copyPath(t.szCosoluteTable2);
    free_dvector(pViscosityCoeffs, 1, nViscosityCoeffs);
    free_dvector(pDensityCoeffs, 1, nDensityCoeffs);
    nViscosityCoeffs = t.nViscosityCoeffs;
    nDensityCoeffs = t.nDensityCoeffs;
    pViscosityCoeffs = copyDVector(t.pViscosityCoeffs, nViscosityCoeffs);
    pDensityCoeffs = copyDVector(t.pDensityCoeffs, nDensityCoeffs);
    free_dvector(pSNonidTable, 1, nSNonidTable);
    free_dvector(pDNonidTable, 1, nDNonidTable);
    nSNonidTable = t.nSNonidTable;
    nDNonidTable = t.nDNonidTable;
    pSNonidTable = copyDVector(t.pSNonidTable, nSNonidTable);
    pDNonidTable = copyDVector(t.pDNonidTable, nDNonidTable);
    if (!pSNonidTable) nSNonidTable = 0;
    if (!pDNonidTable) nDNonidTable = 0;
    // diagnostics switch
    bDiagnostics = t.bDiagnostics;
}

// ---------------------------------------------------------------- setters

void CLammIdeal::SetNonReactingModel()
{
    bNonReacting = 1;
    bModelSet = 1;
}

void CLammIdeal::SetSedimentationParams(double s, double D, double meniscus, double bottom,
                                        double loading, float fitInner, float fitOuter)
{
    nGeometryError = 0;
    dS = s;
    dD = D;
    dMeniscus = meniscus;
    dBottom = bottom;
    dLoading = loading;
    fFitInner = fitInner;
    fFitOuter = fitOuter;
    if (fFitOuter < fFitInner) {
        float x = fFitOuter;
        fFitOuter = fFitInner;
        fFitInner = x;
    }
    int ok = 1;
    const float m = (float)meniscus, b = (float)bottom;
    if (bottom < meniscus || meniscus <= 0 || bottom <= 0) ok = 0;
    if (fFitInner < m || fFitInner > b || fFitOuter < m || fFitOuter > b) ok = 0;
    bFitLimitInCell = (fFitOuter >= m && fFitOuter <= b) ? 1 : 0;
    if (meniscus <= 0 || bottom <= 0) nGeometryError = 1;
    if (loading < 0) {
        nGeometryError = 2;
        ok = 0;
    }
    if (D < 0) {
        nGeometryError = 3;
        ok = 0;
    }
    bSedParamsOk = (unsigned char)ok;
}

void CLammIdeal::SkipAccelerationCheck()
{
    bCheckAcceleration = 0;
}

void CLammIdeal::SetRadialSignalSlope(bool on, float factor)
{
    bRadialSlope = on ? 1 : 0;
    dRadialSlopeMinus1 = on ? (double)factor - 1.0 : 0.0;
}

void CLammIdeal::SetSignalTimeDrift(bool on, bool drift, float driftPerHour, bool bleach,
                                    float bleachPerHour, float limit)
{
    if (!on) {
        bTimeSignal = 0;
        return;
    }
    bTimeSignal = 1;
    bDrift = drift ? 1 : 0;
    dDriftRate = driftPerHour / 3600.0;
    bBleaching = bleach ? 1 : 0;
    dBleachRate = bleachPerHour / 3600.0;
    dBleachLimit = bleach ? (double)limit : 1.0;
}

void CLammIdeal::SetBottomZone(bool on, float width)
{
    bBottomZone = on ? 1 : 0;
    dBottomZoneWidth = on ? (double)width : 0.0;
}

void CLammIdeal::SetRadialConvolution(bool on, float width, float distFactor)
{
    if (on && width > 0.001f) {
        bRadialConvolution = 1;
        dConvolutionWidth = width;
        dConvolutionDistFactor = distFactor;
        nRadiiEquidistant = 0;
        if (pScanHeaders && nScans > 0) MakeConvolutionKernel();
    } else {
        bRadialConvolution = 0;
        dConvolutionWidth = 0;
    }
}

void CLammIdeal::SetScanData(win::HWND window, CWINPlot* plot, ScanHeader* headers, float** output,
                             float* commonRadii, int nCommon, float** scanRadii, int* scanPoints,
                             bool repaint, int* scanList, int scans, int speciesIndex,
                             bool fitRunning, bool skipRegularization, bool timeResolution,
                             float scanVelocity, bool radialResolution, float convolutionRange,
                             bool absorbanceData)
{
    pOutputWindow = window;
    pDataPlot = plot;
    bLiveDisplay = plot ? 1 : 0;
    pScanHeaders = headers;
    bRepaint = repaint ? 1 : 0;
    if (bOwnsScanList && pScanList) free_ivector(pScanList, 1, nScans);
    bOwnsScanList = 0;
    pScanList = scanList;
    nScans = scans;
    if (!pScanList && nScans > 0) {
        pScanList = ivector(1, nScans);
        for (int i = 1; i <= nScans; i++) pScanList[i] = i;
        bOwnsScanList = 1;
    }
    nSpeciesIndex = speciesIndex;
    bFitRunning = fitRunning ? 1 : 0;
    bSkipRegularization = skipRegularization ? 1 : 0;
    bSimTimeResolution = timeResolution ? 1 : 0;
    if (scanVelocity > 0) fScanVelocity = scanVelocity;
    if (fScanVelocity <= 0) bSimTimeResolution = 0;
    bSimRadialResolution = radialResolution ? 1 : 0;
    if (convolutionRange > 0) fConvolutionRange = convolutionRange;
    if (fConvolutionRange <= 0) bSimRadialResolution = 0;
    bAbsorbanceData = absorbanceData ? 1 : 0;
    if (!absorbanceData) {
        bSimTimeResolution = 0;
        bSimRadialResolution = 0;
    }
    SetScanReferences(output, commonRadii, nCommon, scanRadii, scanPoints);
}

// Where the solution goes and at which radii; with radii per scan a private
// matrix receives the solution first. The scans' headers are part of it: a
// run reads every scan's time and speed from them.
void CLammIdeal::SetScanReferences(float** output, float* commonRadii, int nCommon, float** scanRadii,
                                   int* scanPoints)
{
    if (ppPrivateOutput) free_matrix(ppPrivateOutput, 1, nPrivateRows, 1, nPrivateCols);
    ppPrivateOutput = nullptr;
    nPrivateRows = nPrivateCols = 0;
    bool complete = output && pScanHeaders && nScans >= 1;
    ppOutput = output;
    pCommonRadii = commonRadii;
    nCommonRadii = nCommon;
    bPerScanRadii = (!commonRadii || nCommon < 1) ? 1 : 0;
    ppScanRadii = scanRadii;
    pScanPoints = scanPoints;
    if (bPerScanRadii && (!scanRadii || !scanPoints)) complete = false;
    if (bPerScanRadii && scanPoints && nScans > 0) {
        int maxPoints = 1;
        for (int i = 1; i <= nScans; i++)
            if (scanPoints[i] > maxPoints) maxPoints = scanPoints[i];
        nPrivateRows = nScans;
        nPrivateCols = maxPoints;
        ppPrivateOutput = matrix(1, nPrivateRows, 1, nPrivateCols);
    }
    bScanDataOk = complete ? 1 : 0;
    if (bRadialConvolution) MakeConvolutionKernel();
}

void CLammIdeal::SetSimulationTarget(double s, double D, float** output, float* commonRadii, int nCommon,
                                     float** scanRadii, int* scanPoints)
{
    dS = s;
    dD = D;
    if (D < 0) {  // as SetSedimentationParams would record it: never solved
        nGeometryError = 3;
        bSedParamsOk = 0;
    }
    SetScanReferences(output, commonRadii, nCommon, scanRadii, scanPoints);
}

void CLammIdeal::SetSolverOptions(int dynGridLowerLimit, int dynGridUpperLimit, float pointsPerSigma,
                                  unsigned char skipSteepGradientTest, double backDiffusionLevel,
                                  unsigned char shutOffBackDiffusion, unsigned char optimizeGridSpacing,
                                  unsigned char autoDynamicGridSize, float frictionalRatio,
                                  unsigned char rampRotorSpeed, unsigned char fixedTimestep,
                                  int heteroAssocRun, double maxRelativeChange, double sGrid,
                                  unsigned char autoSGrid, unsigned char simulateBeyondLastScan,
                                  unsigned char autoFEAlgorithm, double maxDcOverCWork,
                                  double maxDcOverCLow, double maxDcOverCHigh, double maxDcOverC,
                                  int defaultGridSize, int gridPointsAllocated, unsigned char movingHat,
                                  unsigned char claverie, float lammTolerance, double truncateLevel,
                                  unsigned char truncateGrid, double stepBlend, double stepDivisor,
                                  double autoAlgorithmNormS, double autoAlgorithmNormSOptimized)
{
    if (dynGridLowerLimit > 0) nDynGridLowerLimit = dynGridLowerLimit;
    if (dynGridUpperLimit > 0) nDynGridUpperLimit = dynGridUpperLimit;
    if (pointsPerSigma > 0) fPointsPerSigma = pointsPerSigma;
    bSkipSteepGradientTest = skipSteepGradientTest;
    if (backDiffusionLevel > 0) dBackDiffusionLevel = backDiffusionLevel;
    bShutOffBackDiffusion = shutOffBackDiffusion;
    bOptimizeGridSpacing = optimizeGridSpacing;
    bAutoDynamicGridSize = autoDynamicGridSize;
    fFrictionalRatio = frictionalRatio;
    bRampRotorSpeed = rampRotorSpeed;
    bFixedTimestep = fixedTimestep;
    nHeteroAssocRun = heteroAssocRun;
    dMaxRelativeChange = maxRelativeChange;
    dSGrid = sGrid;
    bAutoSGrid = autoSGrid;
    bSimulateBeyondLastScan = simulateBeyondLastScan;
    bAutoFEAlgorithm = autoFEAlgorithm;
    dMaxDcOverCWork = maxDcOverCWork;
    dMaxDcOverCLow = maxDcOverCLow;
    dMaxDcOverCHigh = maxDcOverCHigh;
    dMaxDcOverC = maxDcOverC;
    nDefaultGridSize = defaultGridSize;
    nGridPointsAllocated = gridPointsAllocated;
    bEngineMovingGrid = movingHat;
    bEngineStaticGrid = claverie;
    if (bEngineMovingGrid && bEngineStaticGrid) bEngineMovingGrid = 0;
    fLammTolerance = lammTolerance;
    dTruncateLevel = truncateLevel;
    bTruncateGrid = truncateGrid;
    dStepBlend = stepBlend;
    dStepDivisor = stepDivisor;
    dAutoAlgorithmNormS = autoAlgorithmNormS;
    dAutoAlgorithmNormSOptimized = autoAlgorithmNormSOptimized;
    bSolverOptionsOk = (frictionalRatio <= 0 && dD > 0) ? 0 : 1;
    if (dS < 0 && IsSteepGradient(dS, dD)) bRampRotorSpeed = 1;
}

void CLammIdeal::SetStartTime(double t)
{
    dStartTime = t;
}

void CLammIdeal::SetFixedStepLimit(double dt)
{
    if (dt > 0) {
        bFixedStepLimit = 1;
        dFixedStepLimit = dt;
    }
}

void CLammIdeal::SetSelfAssociation(bool nonReacting, bool modelFlag1, bool reactingLoop,
                                    bool modelFlag2, bool reactFlag5, int nSpecies, const double* p1,
                                    const double* p2, const double* p3, const double* p4, float pairA,
                                    float pairB, bool flagA, bool flagB, double dValue, bool flagC,
                                    bool flagD, double s, double D, double loading)
{
    bNonReacting = nonReacting ? 1 : 0;
    bReactModelFlag1 = modelFlag1 ? 1 : 0;
    bReactingLoop = reactingLoop ? 1 : 0;
    bReactModelFlag2 = modelFlag2 ? 1 : 0;
    bReactFlag5 = reactFlag5 ? 1 : 0;
    bSelfAssocSet = 0;
    bUseReactingModel =
        (!bNonReacting && (bReactModelFlag1 || bReactingLoop || bReactModelFlag2 || bReactFlag5)) ? 1 : 0;
    free_dvector(pReactSpecies1, 1, nReactSpecies);
    free_dvector(pReactSpecies2, 1, nReactSpecies);
    free_dvector(pReactSpecies3, 1, nReactSpecies);
    free_dvector(pReactSpecies4, 1, nReactSpecies);
    pReactSpecies1 = pReactSpecies2 = pReactSpecies3 = pReactSpecies4 = nullptr;
    nReactSpecies = 0;
    if (nSpecies > 0) {
        if (!p1 || !p2 || !p3) return;
        int n = nSpecies;
        while (n > 0 && p1[n] == 0) n--;  // trailing empty species are dropped
        nReactSpecies = n;
        if (n > 0) {
            pReactSpecies1 = copyDVector(p1, n);
            pReactSpecies2 = copyDVector(p2, n);
            pReactSpecies3 = copyDVector(p3, n);
            pReactSpecies4 = dvector(1, n);
            for (int i = 1; i <= n; i++) pReactSpecies4[i] = p4 ? p4[i] : 1.0;
        }
    }
    fReactPairA1 = pairA;
    fReactPairB1 = pairB;
    bReactFlagA = flagA ? 1 : 0;
    bReactFlagB = flagB ? 1 : 0;
    dReactValue = dValue;
    bReactFlagC = flagC ? 1 : 0;
    bReactFlagD = flagD ? 1 : 0;
    dS = s;
    dD = D;
    dLoading = loading;
    bool valid = !(D == 0 || bNonReacting || !bReactingLoop || (bReactFlag5 && nReactSpecies == 0));
    bUseReactingModel = valid ? 1 : 0;
    bSelfAssocSet = valid ? 1 : 0;
    bAutoDynamicGridSize = 0;
    bOptimizeGridSpacing = 0;
    if (bReactFlag5) bSkipSteepGradientTest = 1;
}

void CLammIdeal::SetWienerSkewing(float a, float b)
{
    bWienerSkewing = 1;
    dWienerA = a;
    dWienerB = b;
    bWienerIncompatible = 0;
}

void CLammIdeal::SetBandForming(bool on, float lamellaWidth, bool flag)
{
    bBandForming = on ? 1 : 0;
    fLamellaWidth = lamellaWidth;
    bBandFlag = flag ? 1 : 0;
}

void CLammIdeal::SetSolventAndParticle(double T, double vbar, double density, double viscosity)
{
    fTemperature = (float)T;
    fVbar = (float)vbar;
    fDensity = (float)density;
    fViscosity = (float)viscosity;
    fVbarRho = (float)(vbar * density);
    double M = 0;
    if (dD > 0) M = (T + kZeroCelsius) * kGasConstant * dS * 1e-13 / ((1 - vbar * density) * dD);
    if (M > 0 && vbar > 0) {
        const double V = (1.0 / kAvogadro) * M * vbar * 1e-6;
        double r = 0;
        if (V > 0) r = std::exp(std::log(3 * 0.07957747163687819 * V) / 3);
        const double f0 = viscosity * 0.018887255011800004 * r * 1000;
        if (f0 > 0 && dS != 0)
            fFrictionalRatio =
                (float)(((1.0 / kAvogadro) * (1 - vbar * density) * M / (1e-13 * dS)) / f0);
        else
            fFrictionalRatio = 0;
    }
}

void CLammIdeal::SetInhomogeneousSolvent(bool inhomogeneous, bool inhomogeneous2, bool compressible,
                                         bool cosoluteTable, double compressibility,
                                         float gradientVbar, float viscosity, float density, float vbar,
                                         float vbarRho, float bufferDensity1atm,
                                         float bufferViscosity1atm, float referenceViscosity,
                                         float fourth, double densityEnd1, double densityEnd2,
                                         double viscosityEnd1, double viscosityEnd2)
{
    bInhomogeneousSolvent = inhomogeneous ? 1 : 0;
    bInhomogeneousSolvent2 = inhomogeneous2 ? 1 : 0;
    bCompressibleSolvent = compressible ? 1 : 0;
    bCosoluteTableMode = cosoluteTable ? 1 : 0;
    dCompressibility = compressibility;
    fGradientVbar = gradientVbar;
    fViscosity = viscosity;
    fDensity = density;
    fVbar = vbar;
    fVbarRho = vbarRho;
    fBufferDensity1atm = bufferDensity1atm;
    fBufferViscosity1atm = bufferViscosity1atm;
    fReferenceViscosity = referenceViscosity;
    fSolventFourth = fourth;
    dCosoluteDensityEnd1 = densityEnd1;
    dCosoluteDensityEnd2 = densityEnd2;
    dCosoluteViscosityEnd1 = viscosityEnd1;
    dCosoluteViscosityEnd2 = viscosityEnd2;
}

void CLammIdeal::SetCosoluteSolvent(bool inhomogeneous, bool sedimentingCosolute,
                                    bool addWaterCompressibility, double cosoluteS, double cosoluteD,
                                    bool subSolver, int cosoluteGridSize, bool zeroFlag,
                                    bool nonidealCosolute, double cosoluteLoading, bool saveFlag,
                                    bool plotFlag, double compressibility, const char* workingFolder,
                                    bool presetFlag, const char* tablePath1, const char* tablePath2,
                                    const double* viscosityCoeffs, int nVisc,
                                    const double* densityCoeffs, int nDens)
{
    bInhomogeneousSolvent = inhomogeneous ? 1 : 0;
    bSedimentingCosolute = sedimentingCosolute ? 1 : 0;
    bAddWaterCompressibility = addWaterCompressibility ? 1 : 0;
    dCosoluteS = cosoluteS;
    dCosoluteD = cosoluteD;
    bCosoluteSubSolver = subSolver ? 1 : 0;
    nCosoluteGridSize = cosoluteGridSize;
    bCosoluteZeroFlag = zeroFlag ? 1 : 0;
    bNonidealCosolute = nonidealCosolute ? 1 : 0;
    dCosoluteLoading = cosoluteLoading;
    bCosoluteSave = saveFlag ? 1 : 0;
    bCosolutePlot = plotFlag ? 1 : 0;
    dCosoluteCompressibility = compressibility;
    freePath(szCosoluteFolder);
    freePath(szCosoluteTable1);
    freePath(szCosoluteTable2);
    szCosoluteFolder = copyPath(workingFolder);
    bCosolutePreset = presetFlag ? 1 : 0;
    szCosoluteTable1 = copyPath(tablePath1);
    szCosoluteTable2 = copyPath(tablePath2);
    free_dvector(pViscosityCoeffs, 1, nViscosityCoeffs);
    free_dvector(pDensityCoeffs, 1, nDensityCoeffs);
    nViscosityCoeffs = viscosityCoeffs ? nVisc : 0;
    nDensityCoeffs = densityCoeffs ? nDens : 0;
    pViscosityCoeffs = copyDVector(viscosityCoeffs, nViscosityCoeffs);
    pDensityCoeffs = copyDVector(densityCoeffs, nDensityCoeffs);
    if (!pViscosityCoeffs) nViscosityCoeffs = 0;
    if (!pDensityCoeffs) nDensityCoeffs = 0;
    // a non-ideal co-solute: its s(c) and D(c) coefficient tables at once
    free_dvector(pSNonidTable, 1, nSNonidTable);
    free_dvector(pDNonidTable, 1, nDNonidTable);
    pSNonidTable = pDNonidTable = nullptr;
    nSNonidTable = nDNonidTable = 0;
    if (bNonidealCosolute && !bCosolutePreset) {
        auto load = [](const char* path, double*& table, int& n) {
            if (!path || !path[0]) return;
            CVector v;
            if (!v.Load(path) || v.nSize == 0) return;
            n = (int)v.nSize;
            table = dvector(1, n);
            for (int i = 1; i <= n; i++) table[i] = v.pData[i - 1];
        };
        load(szCosoluteTable1, pSNonidTable, nSNonidTable);
        load(szCosoluteTable2, pDNonidTable, nDNonidTable);
    }
}

void CLammIdeal::SetTimeOffsetFromMeniscus(float radius)
{
    dTimeOffset = 0;
    if (bAbsorbanceData && bSimTimeResolution && fScanVelocity > 0) {
        // the velocity is in cm/min and the offset in seconds
        dTimeOffset = (dMeniscus - radius) / (fScanVelocity / 60.0);
        if (dTimeOffset < 0) dTimeOffset = 0;
    }
}

bool CLammIdeal::SetInitialProfile(int n, const float* radii, const float* values)
{
    bInitialProfile = 0;
    if (nReactSpecies > 0) return false;  // a loading split into species has its own profile
    if (n < 1 || !radii || !values) return false;
    if (radii[1] > (float)dMeniscus || radii[n] < (float)dBottom) return false;
    free_dvector(pInitialRadii, 1, nInitialPoints);
    free_dvector(pInitialValues, 1, nInitialPoints);
    nInitialPoints = n;
    pInitialRadii = dvector(1, n);
    pInitialValues = dvector(1, n);
    for (int i = 1; i <= n; i++) {
        pInitialRadii[i] = radii[i];
        pInitialValues[i] = values[i];
    }
    bInitialProfile = 1;
    return true;
}
