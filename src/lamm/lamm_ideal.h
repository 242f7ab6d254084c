// CLammIdeal: finite-element solver of the Lamm equation for one species in a
// sector-shaped cell, on a radial grid of its own.
//
// A caller creates one object per species (or one per worker, copied from a
// template), loads it with the setters in a fixed order (sedimentation
// parameters and geometry first; then the signal models, the scans, the solver
// options, the rotor and the solvent), runs it and deletes it. The solution is
// written straight into the caller's per-scan output rows. The object owns its
// grid vectors and work arrays and only borrows the caller's scan arrays,
// headers, window and plot.
//
// All numerical vectors are 1-based (numerics/nrutil.h); element 0 is never
// used. Radii in cm, times in s, s in svedberg (times 1e-13 in the physics),
// D in cm^2/s, rotor speeds in rpm.
#pragma once

#include <atomic>

#include "lamm/tridiagonal_blocks.h"
#include "numerics/physical_constants.h"
#include "platform/win_types.h"

struct ScanHeader;
class CRotorSpeedProfile;
class CWINPlot;
class CLammMeanField;

// Progress of a run. Every solver publishes it after each step; a solver on
// the user-interface thread also draws it, while the one on a worker thread
// leaves the drawing to the user-interface thread (drawLammProgress).
struct CLammProgress {
    std::atomic<double> dTimeStep{0.0};
    std::atomic<int> nSteps{0};
    std::atomic<double> dTime{0.0};
    std::atomic<double> dTotalAmount{0.0};
    std::atomic<double> dRate{0.0};
    std::atomic<int> bHeteroAssoc{0};
    std::atomic<int> nUpdates{0};
};

// Draws the progress lines of a run into the window (user-interface thread).
void drawLammProgress(win::HWND hwnd, const CLammProgress& progress);

class CLammIdeal {
public:
    CLammIdeal();
    // Virtual: the list workers create and delete non-ideal solvers through
    // CLammIdeal pointers.
    virtual ~CLammIdeal();
    CLammIdeal(const CLammIdeal&) = delete;
    CLammIdeal& operator=(const CLammIdeal&) = delete;

    // ---- virtual slots (CLammNonIdeal replaces 1 to 3)
    virtual void CopyFrom(const CLammIdeal& tmpl);  // slot 0
    virtual void ChooseEngine();                      // slot 1
    virtual void SetupGrid();                         // slot 2
    virtual void RunTimeStepping();                   // slot 3

    // ---- solving
    int Solve();  // 0 or an error number (see docs/lamm.md)
    void ResetRunState();
    void ApplySignalTransforms();
    bool DropDiffusionIfNegligible();
    void SampleAtScansNoDiffusion();
    void InterpolateAtScans();
    void CLLammNoDiffvec(float c0, double t, double rpm, double omega2t, const float* r, float* out, int n);
    void RetryAfterNumericalFailure();

    // ---- lists of equations on worker threads (lamm_threads.cpp)
    int CLRunMTList(int n, double* s, double* D, double* vbar, float*** out, float* radii, int nPoints,
                    float** scanRadii, int* scanPoints);
    int CLRunMTList(int n, double* s, double* D, double* vbar, float*** out, float* radii, int nPoints,
                    float** scanRadii, int* scanPoints, int nProfilePoints, float* profileRadii,
                    float** profiles);
    int RunMTListConstVbar(int n, double* s, double* D, float vbar, float*** out, float* radii, int nPoints,
                           float** scanRadii, int* scanPoints);
    int RunMTListConstVbarWithProfiles(int n, double* s, double* D, float vbar, float*** out, float* radii,
                                       int nPoints, float** scanRadii, int* scanPoints, int nProfilePoints,
                                       float* profileRadii, float** profiles);

    // ---- engine 1: moving hat on the geometric grid
    void RunMovingGridEngine();
    int MovingGridNodeCount();
    void MapMovingGridToRadii();

    // ---- the concentration-dependent (reacting) loop
    void RunReactingTimeSteps();
    void SetAssociationConstant(int nStoichiometry, double K);
    bool PredictorCorrectorStep(double dt);

    // ---- inhomogeneous solvent: local factors and the co-solute sub-solver
    void InitLocalSolventFactors(const double* r);
    void UpdateLocalSolventFactors(const double* r);
    double UniformSolventFactor(double x) const;
    double CompressibleDensity(double r) const;
    double CosoluteViscosity(double c) const;
    double CosoluteDensity(double c) const;
    bool InitCosoluteGradient(const double* radii);
    void StepCosoluteGradient();
    void FreeCosoluteGradient();

    // ---- setters, in the order callers use them
    void SetNonReactingModel();
    void SetSedimentationParams(double s, double D, double meniscus, double bottom, double loading,
                                float fitInner, float fitOuter);
    void SkipAccelerationCheck();
    void SetRadialSignalSlope(bool on, float factor);
    void SetSignalTimeDrift(bool on, bool drift, float driftPerHour, bool bleach, float bleachPerHour,
                            float limit);
    void SetBottomZone(bool on, float width);
    void SetRadialConvolution(bool on, float width, float distFactor);
    void SetScanData(win::HWND window, CWINPlot* plot, ScanHeader* headers, float** output,
                     float* commonRadii, int nCommon, float** scanRadii, int* scanPoints, bool repaint,
                     int* scanList, int scans, int speciesIndex, bool fitRunning,
                     bool skipRegularization, bool timeResolution, float scanVelocity,
                     bool radialResolution, float convolutionRange, bool absorbanceData);
    void SetSolverOptions(int dynGridLowerLimit, int dynGridUpperLimit, float pointsPerSigma,
                          unsigned char skipSteepGradientTest, double backDiffusionLevel,
                          unsigned char shutOffBackDiffusion, unsigned char optimizeGridSpacing,
                          unsigned char autoDynamicGridSize, float frictionalRatio,
                          unsigned char rampRotorSpeed, unsigned char fixedTimestep, int heteroAssocRun,
                          double maxRelativeChange, double sGrid, unsigned char autoSGrid,
                          unsigned char simulateBeyondLastScan, unsigned char autoFEAlgorithm,
                          double maxDcOverCWork, double maxDcOverCLow, double maxDcOverCHigh,
                          double maxDcOverC, int defaultGridSize, int gridPointsAllocated,
                          unsigned char movingHat, unsigned char claverie, float lammTolerance,
                          double truncateLevel, unsigned char truncateGrid, double stepBlend,
                          double stepDivisor, double autoAlgorithmNormS,
                          double autoAlgorithmNormSOptimized);
    void SetStartTime(double t);
    void SetFixedStepLimit(double dt);
    void CheckRotorSpeeds(const CRotorSpeedProfile* p);
    void LoadSpeedSteps(int n, const float* start, const float* rpm, const float* rate, int checkMode);
    void SetSelfAssociation(bool nonReacting, bool modelFlag1, bool reactingLoop, bool modelFlag2,
                            bool reactFlag5, int nSpecies, const double* p1, const double* p2,
                            const double* p3, const double* p4, float pairA, float pairB,
                            bool flagA, bool flagB, double dValue, bool flagC, bool flagD, double s,
                            double D, double loading);
    void SetWienerSkewing(float a, float b);
    void SetBandForming(bool on, float lamellaWidth, bool flag);
    void SetSolventAndParticle(double T, double vbar, double density, double viscosity);
    void SetInhomogeneousSolvent(bool inhomogeneous, bool inhomogeneous2, bool compressible,
                                 bool cosoluteTable, double compressibility, float gradientVbar,
                                 float viscosity, float density, float vbar, float vbarRho,
                                 float bufferDensity1atm, float bufferViscosity1atm,
                                 float referenceViscosity, float fourth, double densityEnd1,
                                 double densityEnd2, double viscosityEnd1, double viscosityEnd2);
    void SetCosoluteSolvent(bool inhomogeneous, bool sedimentingCosolute, bool addWaterCompressibility,
                            double cosoluteS, double cosoluteD, bool subSolver, int cosoluteGridSize,
                            bool zeroFlag, bool nonidealCosolute, double cosoluteLoading, bool saveFlag,
                            bool plotFlag, double compressibility, const char* workingFolder,
                            bool presetFlag, const char* tablePath1, const char* tablePath2,
                            const double* viscosityCoeffs, int nViscosityCoeffs,
                            const double* densityCoeffs, int nDensityCoeffs);
    void SetTimeOffsetFromMeniscus(float radius);
    void SetSimulationTarget(double s, double D, float** output, float* commonRadii, int nCommon,
                             float** scanRadii, int* scanPoints);
    bool SetInitialProfile(int n, const float* radii, const float* values);
    void SetSnapshotTimes(int nTimes, int nRadii, float** frames, float*** framesPerEquation,
                          double* times, float* radii);

    // ---- radial grid
    int ResizeGrid(int n);
    int OptimizeGridSize(float rSwitch);
    void BuildGrid();
    bool RefineGridForSteepBoundary(double x);
    bool RefineGridZones(bool layerSimulated);  // layerSimulated: no back-diffusion shut-off
    bool RefineConcentrationDependentLayer(double s, double D);
    bool TotalLaw(double c, double* s, double* D) const;  // s and D of the loop's one-field models at total c
    double DynamicGridSizes(double s, double D);
    void SetupReactingGrid();
    int AllocGridArrays();
    void FreeGridArrays();
    void FreeAllGridMemory();
    double zbrent(double x1, double x2, double tol);
    double GridEndMismatch(double q) const;

    // element integrals on the object's (possibly non-uniform) grid, rows cut at n
    double fePointWeight(int i, int n) const;
    double feMassElement(int i, int j, int n) const;
    double feSedimentationIntegral(int i, int j, int n) const;
    double feDiffusionIntegral(int i, int j, int n) const;
    // with a coefficient interpolated by the hats: int r phi_i' phi_j' phi_k and
    // int r^2 phi_i' phi_j phi_k
    double feDiffusionTriple(int i, int j, int k, int n) const;
    double feSedimentationTriple(int i, int j, int k, int n) const;

    // ---- run control used by the engines
    bool IsSteepGradient(double s, double D);
    bool IsSteepGradientAtSpeed(double t, double rpm, double s, double D);
    void SetInitialConcentration();
    double ScanTime(int position) const;  // time of a selected scan, as the run uses it
    const ScanHeader& SelectedHeader(int position) const;

    // ---- rotor-speed history
    void InitAcceleration();
    void LimitAccelerationStep();
    double SpeedAtTime(double t) const;
    double RotorSpeedOverStep(double t, double dt);
    void UpdateAccelerationPhase(double t);
    double ClipTimeStepToAcceleration(bool markClip, bool* clipped);
    bool SpeedNeverDropsAfter(double t) const;

    // ---- static-grid engine (engine 2)
    void RunStaticGridEngine();
    double StaticGridStep();
    double AccuracyStepCap(double sharpWidth = 0) const;
    void CLbShutOffBackDiffusion(int n);
    void MoveMatrixEnd(int n);
    void BuildCrankNicolsonMatrices(double dt, int n);
    void SolveStaticGridStep(double dt);
    double MaxRelativeChange();
    void AcceptStep();
    void ClearEmptiedEnd();
    void AdvanceFrontTruncation();
    void ExtendActiveRange(double t);
    void SetClearanceThreshold();
    bool IsBoundaryCleared();
    void FixNegativeAtMeniscus();
    double TotalAmountInCell() const;
    int tridag(int n);
    void TridiagonalResolve(int n);
    bool PlateauWindowsAllowed() const;
    void SetPlateauRows(double dt);
    void BaseWindowResolve();
    void UpdatePlateauWindows();
    void SwapFactorisations();
    void SetTruncationReference();
    void FillRemainingScansWithProfile();

    // ---- per-step output, progress and logs
    void CLEachIterationOutput(double ri);
    void DebugLog(const char* text);
    bool UserAborted();
    void DrawProgress();  // user-interface thread only
    void WriteSecondComponentScan(int position);
    void CopyPrivateOutput();

    // ---- signal models
    bool SetSignalFactorsForScans(double t, int n, const float* radii);
    void MakeConvolutionKernel();
    void ConvolveRow(float* v, const float* r, int n, double lower, double upper) const;
    void BottomZoneRow(float* v, const float* r, int n) const;
    static void RadialResolutionSmoothing(double* a, const double* r, int n, double range);
    static void RadialResolutionSmoothing(float* a, const float* r, int n, double range);
    void AllocWienerSkewingArrays(int n);
    void FreeWienerSkewingArrays();
    bool WienerSkewCorrection(double* c, const double* r, int n, int nGrid);
    void WienerSkewTracking(const double* c, const double* r, int n);
    void RecordSnapshot(double t);
    float* SnapshotFrame(int k) const;
    void ClearSnapshots();

    // ================= data

    // grid vectors and species parameters
    double* pWork = nullptr;
    double* pConc = nullptr;
    double* pRadius = nullptr;
    double dLoading = 0;
    double dBottom = 0;
    double dMeniscus = 0;
    double dS = 0;
    double dD = 0;
    double dTime = 0;
    double dTimeSaved = 0;
    double dTimeOffset = 0;

    // signal models
    unsigned char bRadialSlope = 0;
    double dRadialSlopeMinus1 = 0;
    unsigned char bTimeSignal = 0;
    unsigned char bBleaching = 0;
    double dBleachRate = 0;
    double dBleachLimit = 1.0;
    unsigned char bDrift = 0;
    double dDriftRate = 0;
    double* pSignalFactors = nullptr;
    int nSignalFactors = 0;
    unsigned char bRadialConvolution = 0;
    double dConvolutionWidth = 0;
    double dConvolutionDistFactor = 2.0;
    int nRadiiEquidistant = -1;
    int nConvFirst = 0;
    int nConvLast = 0;
    float* pConvWeights = nullptr;
    int nConvWeights = 0;
    double dConvSpacing = 0;
    unsigned char bBottomZone = 0;
    double dBottomZoneWidth = 0;

    // status flags
    unsigned char bSedParamsOk = 0;
    unsigned char bFitLimitInCell = 0;
    int nGeometryError = 0;
    unsigned char bModelSet = 0;
    unsigned char bSolverOptionsOk = 0;
    unsigned char bScanDataOk = 0;
    unsigned char bInitialProfile = 0;
    double* pInitialRadii = nullptr;
    double* pInitialValues = nullptr;
    int nInitialPoints = 0;

    // scan references (borrowed unless said otherwise)
    win::HWND pOutputWindow = nullptr;
    CWINPlot* pDataPlot = nullptr;
    ScanHeader* pScanHeaders = nullptr;
    int nScans = 0;
    int* pScanList = nullptr;
    unsigned char bOwnsScanList = 0;
    int nSpeciesIndex = 1;
    float** ppOutput = nullptr;
    float** ppPrivateOutput = nullptr;  // owned
    int nPrivateRows = 0;
    int nPrivateCols = 0;
    float* pCommonRadii = nullptr;
    int nCommonRadii = 0;
    unsigned char bPerScanRadii = 0;
    float** ppScanRadii = nullptr;
    int* pScanPoints = nullptr;
    unsigned char bRepaint = 0;
    unsigned char bFitRunning = 1;
    unsigned char bSkipRegularization = 1;
    unsigned char bKeepPrivateOutput = 0;

    // grid state
    int nGridAllocated = 0;
    int nGridPoints = 0;
    int nGridPointsAllocated = 0;
    unsigned char bSteepGradient = 0;
    unsigned char bGridBuilt = 0;
    unsigned char bTruncateGrid = 1;
    unsigned char bTwoZoneGrid = 0;
    double dZoneSwitchRadius = 0;
    int nLayerZoneFirst = 0;  // first row of the concentration-dependent layer's zone at the base (0: none)
    double dInnerSpacing = 0;
    double dRefineStartRadius = 0;
    int nRefineStartIndex = 0;
    double dRefineFirstSpacing = 0;
    double dRefineRatio = 0;
    double dRefineTarget = 0;
    unsigned char bPlainGrid = 0;
    unsigned char bRetryMarker = 0;
    float fDynGridSizeEngine1 = 0;
    float fDynGridSizeEngine2 = 0;
    float fTwoZoneRadius = 0;

    // solvent values
    double dCosoluteDensityEnd1 = 1.0, dCosoluteDensityEnd2 = 1.0;
    double dCosoluteViscosityEnd1 = 1.0, dCosoluteViscosityEnd2 = 1.0;
    unsigned char bInhomogeneousSolvent = 0;
    unsigned char bInhomogeneousSolvent2 = 1;
    unsigned char bCompressibleSolvent = 0;
    unsigned char bCosoluteTableMode = 0;
    unsigned char bSedimentingCosolute = 0;
    unsigned char bAddWaterCompressibility = 0;
    double dCompressibility = 0;
    float fGradientVbar = 0;
    float fTemperature = 20.0f;
    float fViscosity = 1.0f;
    float fDensity = 1.0f;
    float fVbar = 0.73f;
    float fVbarRho = 0.73f;
    float fBufferDensity1atm = kWaterDensity20F;
    float fBufferViscosity1atm = kWaterViscosity20F;
    float fReferenceViscosity = 1.0f;
    float fSolventFourth = 0.72871f;
    float fFrictionalRatio = 1.0f;

    // solver options
    unsigned char bRampRotorSpeed = 1;
    unsigned char bFixedTimestep = 0;
    int nHeteroAssocRun = 0;
    double dMaxRelativeChange = 1e-6;
    double dSGrid = 1.0;
    unsigned char bAutoSGrid = 1;
    unsigned char bSimulateBeyondLastScan = 0;
    unsigned char bAutoFEAlgorithm = 1;
    double dMaxDcOverCWork = 1.0;
    double dMaxDcOverCLow = 0.1;
    double dMaxDcOverCHigh = 0.3;
    double dMaxDcOverC = 1.0;
    int nDefaultGridSize = 1000;
    unsigned char bEngineMovingGrid = 0;
    unsigned char bEngineStaticGrid = 1;
    double dStepDivisor = 2.0;
    double dAutoAlgorithmNormS = 5.0;
    double dAutoAlgorithmNormSOptimized = 60.0;
    double dStepBlend = 1.0;
    float fLammTolerance = 1e-4f;
    double dTruncateLevel = 1e-6;
    unsigned char bAutoDynamicGridSize = 1;
    unsigned char bOptimizeGridSpacing = 1;
    unsigned char bShutOffBackDiffusion = 1;
    double dBackDiffusionLevel = 1e-4;
    unsigned char bSkipSteepGradientTest = 0;
    float fPointsPerSigma = 5.0f;
    int nDynGridLowerLimit = 100;
    int nDynGridUpperLimit = 2000;
    float fFitOuter = 6.0f;
    float fFitInner = 7.0f;

    // band forming
    unsigned char bBandForming = 0;
    float fLamellaWidth = 0.1f;
    unsigned char bBandFlag = 0;

    // scan-resolution options
    unsigned char bSimTimeResolution = 0;
    float fScanVelocity = 2.43f;  // cm/min
    unsigned char bSimRadialResolution = 0;
    float fConvolutionRange = 0.008f;
    unsigned char bAbsorbanceData = 0;

    // reacting model
    unsigned char bReactingLoop = 0;
    unsigned char bNonReacting = 0;
    unsigned char bReactModelFlag1 = 0;
    unsigned char bReactModelFlag2 = 0;
    int nReactSpecies = 0;
    double* pReactSpecies1 = nullptr;  // owned, [1..nReactSpecies]
    double* pReactSpecies2 = nullptr;
    double* pReactSpecies3 = nullptr;
    double* pReactSpecies4 = nullptr;
    unsigned char bUseReactingModel = 0;
    unsigned char bNonidealSet = 1;
    unsigned char bSelfAssocSet = 1;
    unsigned char bReactFlag5 = 0;
    unsigned char bReactOk = 1;
    float fReactPairA1 = -8.0f, fReactPairA2 = 1e-8f;
    float fReactPairB1 = -8.0f, fReactPairB2 = 1e-8f;
    unsigned char bReactFlagA = 1, bReactFlagB = 1;
    unsigned char bReactFlagC = 0, bReactFlagD = 0, bReactFlagE = 0;
    double dReactValue = 3.3;
    int nNonidealOutOfRange = 0;

    // rotor-speed history
    unsigned char bAccelerating = 0;
    unsigned char bCheckAcceleration = 1;
    double dRotorRpm = 0;
    double dFinalRpm = 0;
    double dMaxAccelStep = 10.0;
    double dAccelEnd = 0;
    double dAccelRate = 0;
    double dOmega2S = 0;
    unsigned char bSpeedProfile = 0;
    int nCurrentSpeedStep = 0;
    unsigned char bStepAtConstantSpeed = 0;
    unsigned char bProfileFinished = 0;
    int nSpeedSteps = 0;
    double* pStepStart = nullptr;      // owned, [1..nSpeedSteps]
    double* pStepAccelEnd = nullptr;
    double* pStepRpm = nullptr;
    double* pStepRate = nullptr;
    double dStartTime = 0;
    unsigned char bFixedStepLimit = 0;
    double dFixedStepLimit = 0;

    // time stepping
    int nStepCount = 0;
    int nRetryCount = 0;
    unsigned char bStepControl = 0;
    double dTimeStep = 1.0;
    double dPrevTimeStep = 1.0;
    double dInitialTimeStep = 0;  // 0: the engine's own start step
    int bRunning = 0;
    int bNextScanPending = 0;
    double dNextScanTime = 0;
    double dMaxTimeStep = 1000.0;
    unsigned char bOverflow = 0;
    double dLastChange = 0;
    int nFirstActive = 1;
    int nLastActive = 1;
    double dTruncateThreshold = 1e-6;
    int nAbort = 0;
    int nDiscretizationError = 0;
    double dStepUsed = 0;
    float fChangeRate = 1.0f;
    unsigned char bRetryNegativeFix = 0;
    unsigned char bEndedEarly = 0;
    unsigned char bSteadyState = 0;
    unsigned char bNoSedimentation = 0;
    double dTotalAmount = 0;
    unsigned char bStepOnScan = 0;
    double dOmega2SStep = 0;  // omega^2 s at the speed of the last solve  // the step being made was cut to end on the scan time

    // static-grid engine state
    double* pConcOld = nullptr;
    double* pRhs = nullptr;
    double* pMassLower = nullptr;
    double* pMassDiag = nullptr;
    double* pMassUpper = nullptr;
    double* pStiffLower = nullptr;
    double* pStiffDiag = nullptr;
    double* pStiffUpper = nullptr;
    double* pLeftLower = nullptr;
    double* pLeftDiag = nullptr;
    double* pLeftUpper = nullptr;
    double* pRightLower = nullptr;
    double* pRightDiag = nullptr;
    double* pRightUpper = nullptr;
    double* pGam = nullptr;
    double* pBet = nullptr;  // reciprocal pivots of the stored factorisation (pWork: lower over pivot)
    double dCachedStep = 0;
    int nFactoredEnd = 0;
    // The factorised left matrix (slot nSolverSlot), and the one of the step before with its
    // matrices (the other slot, pSpareCN: left and right, lower, diagonal, upper), which a step
    // cut to a scan time comes back to.
    lamm::BlockTridiagonal blockSolvers[2];
    int nSolverSlot = 0;
    double* pSpareCN[6] = {};
    double dSpareStep = 0;
    int nSpareEnd = 0;
    int nMatrixEnd = 1;
    int nMatrixBuilt = 1;
    int bRebuildMatrices = 0;
    double dMatrixRpm = 0;  // rotor speed the stiffness matrix was built for
    int nMaxFirstActive = 0;
    int nFrontRetreats = 0;  // the cleared region was taken back after growing back
    int nExtendBy = 0;
    int nMaxWidth = 0;
    int nMinWidth = 0;
    unsigned char bTruncationMode = 0;
    unsigned char bNoFrontTruncation = 1;
    unsigned char bNoBackTruncation = 1;
    double dPlateauStart = 0;
    double dPlateau = 0;
    double dPlateauTime = 0;
    double dPlateauCut = 0;
    // Plateau windows (a sedimenting species without the back-diffusion shut-off): the rows
    // nGapFirst..nGapLast hold the uniform plateau between the boundary and the layer at the
    // base, which a Crank-Nicolson step takes to p (1 - w dt) / (1 + w dt) exactly. The
    // boundary window is solved up to nGapFirst, the base window from nGapLast, each of these
    // two rows solved as the known plateau value (0: one window, every row solved).
    unsigned char bPlateauWindows = 1;  // configuration: leave the plateau out where it is safe
    int nGapFirst = 0;
    int nGapLast = 0;
    int nWindowChunk = 0;    // rows a window grows by at a time
    int nGapCheckStep = 0;   // step count from which a run without a gap looks for one (again)
    long long nPlateauRowSteps = 0;  // rows set to the plateau instead of solved, over the run's steps
    lamm::BlockTridiagonal baseSolvers[2];  // the base window's factorisations, slots as blockSolvers
    int nClearanceIndex = 0;
    float fClearanceThreshold = 0;
    unsigned char bShutOffActive = 0;  // back-diffusion shut-off in the matrices of this run
    double* pSolventFactorD = nullptr;  // local solvent factors [1..N]
    double* pSolventFactorB = nullptr;
    int nSolventFactors = 0;
    double* pCosoluteOnGrid = nullptr;
    double* pDensityOnGrid = nullptr;
    unsigned char bLocalSolventFactors = 0;  // engine 2 uses the local factors in this run

    // engine 1 state (the grid vectors below are allocated with the grid)
    double* pFeRadius = nullptr;    // lattice coordinate of each node (its radius at theta = 0), 0 for a fixed node
    double* pCellVolume = nullptr;  // engine 1: the control volume of each node at the current time
    double* pConcTrial = nullptr;  // predictor profile of the reacting loop
    double* pLocalS = nullptr;     // node coefficients of the reacting loop
    double* pLocalD = nullptr;
    double dGridTheta = 0;  // engine 1: lattice displacement ln(r / R) at the current time
    double dSpeciesRate = 0;  // engine 1: omega^2 s over the current step
    unsigned char bMovingGridActive = 0;  // the radii are those of the moving frame
    int nMovingGridPeakNodes = 0;          // the most nodes engine 1 had in its last run

    // reacting model
    int nReactModel = 0;  // 0 independent species, 1 rapid self-association, 2 non-ideal single species
    int nAssocStoichiometry = 2;
    double dAssocConstant = 0;
    double dNonidealKs = 0;  // linear coefficients per signal unit
    double dNonidealKd = 0;
    unsigned char bHindered = 0;
    unsigned char bHinderedLinear = 0;
    double dSignalPerMgMl = 1.0;
    int nReactFields = 0;
    double** ppFieldConc = nullptr;  // [1..nReactFields][1..N], owned during a run
    int nFieldPoints = 0;

    // co-solute sub-solver
    CLammIdeal* pCosoluteSolver = nullptr;  // owned; the co-solute on a grid of its own
    double* pSNonidTable = nullptr;         // owned, polynomial coefficients of s(c), [1..n]
    int nSNonidTable = 0;
    double* pDNonidTable = nullptr;
    int nDNonidTable = 0;
    unsigned char bCosoluteNonidealStep = 0;  // this solver is a non-ideal co-solute

    // per-step output
    int nNextScanIndex = 1;
    double dTargetScanTime = 0;
    unsigned char bAborted = 0;
    unsigned char bOwnedByThread = 0;
    int nEquationNumber = 0;
    int nThreadNumber = 0;
    unsigned char bLiveDisplay = 0;
    unsigned char bSecondLivePlot = 0;
    unsigned char bSecondComponentFile = 0;
    char szDataFileName[260] = {0};
    double dSubIntervals = 4.0;
    double dScanDuration = 0;
    double dSubInterval = 0;
    double dScanOffset = 0;
    int nSubIntervalCount = 0;
    int nPointsTaken = 0;
    int nBandPoints = 0;
    double dBandEdge = 0;
    unsigned char bScanPending = 0;
    double* pAssembled = nullptr;  // [1..N]
    CLammProgress progress;
    CLammProgress* pSharedProgress = nullptr;  // also published here (a list worker's progress)

    // second component (the co-solute profile of the co-solute sub-solver)
    int nSecondComponentPoints = 0;
    const double* pSecondComponentRadii = nullptr;
    const double* pSecondComponentValues = nullptr;

    // diagnostics
    unsigned char bDiagnostics = 0;
    char* szLogFileName = nullptr;   // owned
    char* szLogOpeningLine = nullptr;  // owned
    unsigned char bLogOpened = 0;

    // Wiener skewing
    unsigned char bWienerSkewing = 0;
    double dWienerA = 0;
    double dWienerB = 0;
    double* pWienerShifted = nullptr;
    double* pWienerSlope = nullptr;
    double* pWienerCopy = nullptr;
    int nWienerPoints = 0;
    unsigned char bWienerIncompatible = 0;
    double dWienerMaxCurvature = 0;
    double dWienerMaxCurvatureAt = 0;
    int nWienerMaxCall = 0;
    int nWienerCalls = 0;

    // snapshots (frames and times are the caller's)
    unsigned char bSnapshots = 0;
    unsigned char bSnapshotPerEquation = 0;
    float** ppSnapshotFrames = nullptr;
    float*** pppSnapshotFramesPerEquation = nullptr;
    double* pSnapshotTimes = nullptr;
    float* pSnapshotRadii = nullptr;
    int nSnapshotFrames = 0;
    int nSnapshotRadii = 0;
    int nNextSnapshot = 0;
    double dNextSnapshotTime = 0;
    int nSnapshotsRecorded = 0;

    // the mean field of the non-ideal c(s) (owned by CLammNonIdeal; null: s
    // and D follow the solution's own concentration)
    const CLammMeanField* pMeanField = nullptr;

    // co-solute settings (the sub-solver itself lives beside the non-ideal solver)
    double dCosoluteS = 0;
    double dCosoluteD = 0;
    unsigned char bCosoluteSubSolver = 0;
    int nCosoluteGridSize = 0;
    unsigned char bCosoluteZeroFlag = 0;
    unsigned char bNonidealCosolute = 0;
    double dCosoluteLoading = 0;
    unsigned char bCosoluteSave = 0;
    unsigned char bCosolutePlot = 0;
    double dCosoluteCompressibility = 0;
    char* szCosoluteFolder = nullptr;  // owned, 260 bytes
    unsigned char bCosolutePreset = 0;
    char* szCosoluteTable1 = nullptr;  // owned, 260 bytes
    char* szCosoluteTable2 = nullptr;  // owned, 260 bytes
    double* pViscosityCoeffs = nullptr;  // owned, [1..n]
    int nViscosityCoeffs = 0;
    double* pDensityCoeffs = nullptr;  // owned, [1..n]
    int nDensityCoeffs = 0;

private:
    void FreeOwned();
    void SetScanReferences(float** output, float* commonRadii, int nCommon, float** scanRadii, int* scanPoints);
    void SampleAssembledIntoScan(int position);
    void StoreAssembledProfile(int position);
};
