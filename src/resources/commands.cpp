// The command table of the main window.
#include "resources/commands.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr const char* DATA = "&Data";
constexpr const char* NOISE = "&Data>Save S&ystematic Noise";
constexpr const char* MODEL = "Model";
constexpr const char* SPECIAL = "Model>Special";
constexpr const char* OPTIONS = "&Options";
constexpr const char* LOADING = "&Options>Loading Options and Tools";
constexpr const char* SWEEP = "&Options>Loading Options and Tools>Gravitational Sweep Tools";
constexpr const char* EQUIL = "&Options>Equilibrium Tools";
constexpr const char* TOSE = "&Options>Equilibrium Tools>Time to Equilibrium Simulator";
constexpr const char* FITOPT = "&Options>Fitting Options";
constexpr const char* SIZEDIST = "&Options>Size-Distribution Options";
constexpr const char* CALC = "&Options>Calculator";
constexpr const char* FLUO = "&Options>Fluorescence Tools";
constexpr const char* DLS = "&Options>DLS Tools";
constexpr const char* DLSCONV = "&Options>DLS Tools>Convert DLS Data To MORVEX Format";
constexpr const char* DISPLAY = "Display";
constexpr const char* COPY = "Copy";
constexpr const char* STATS = "Statistics";
constexpr const char* GENERATE = "&Generate";
constexpr const char* PLOT = "Plot";
constexpr const char* HELP = "&Help";
constexpr const char* NONE = "";

constexpr unsigned CHK = CMD_CHECK;
constexpr unsigned NOI = CMD_NO_ITEM;
constexpr unsigned MDL = CMD_MODEL | CMD_CHECK;
constexpr unsigned SEP = CMD_SEPARATOR;

// In menu order within each popup; popups appear in the order of their first
// item, except that the bar's order is fixed by kBarOrder.
const CommandInfo kCommands[] = {
    // ------------------------------------------------------------ &Data
    {200, DATA, "&Load New Files\t^L", 0, "CmLoadNewFiles"},
    {226, DATA, "Add More Files\t^A", 0, "CmAddMoreFiles"},
    {949, DATA, "Load Raw Multi-Speed Data and Autocorrect", CMD_NO_HELP, "CmAutoLoadMultiSpeed"},
    {515, DATA, "load sedimentation equilibrium data", 0, "CmLoadEquilibriumData"},
    {298, DATA, "load DLS Data", 0, "CmLoadDLSData"},
    {201, DATA, "&Edit Data Files", SEP, "CmEditDataFiles"},
    {202, DATA, "&Set Initial Data", 0, "CmSetInitialData"},
    {540, DATA, "Realtime Update of Files", CHK, "CmRealtimeUpdate"},
    {541, DATA, "Stop Realtime Update", 0, "CmStopRealtimeUpdate"},
    {203, DATA, "&Save Fit Data\t^S", SEP, "CmSaveFitData"},
    {827, DATA, "Update Saved Fit Parameters", 0, "CmUpdateSavedFitParameters"},
    {1098, DATA, "Reload Saved Fit Parameters", 0, "CmReloadSavedFitParameters"},
    {252, NOISE, "save Noise in file", 0, "CmSaveNoise"},
    {253, NOISE, "subtract Noise from Eq Data", 0, "CmSubtractNoiseFromEqData"},
    {577, DATA, "Export Data to DRELLIX", 0, "CmExportXp"},
    {1103, DATA, "Restore Mean Field ctot(r,t) from file", CMD_RUNTIME, "CmRestoreMeanFieldCtot"},
    {1104, DATA, "Export Mean Field ctot(r,t) to file", CMD_RUNTIME, "CmExportMeanFieldCtot"},
    {1105, DATA, "Display ctot(r,t) (in mg/ml units)", CMD_RUNTIME, "CmDisplayCtotMgMl"},
    {1106, DATA, "Clear Mean Field ctot(r,t)", CMD_RUNTIME, "CmClearMeanFieldCtot"},
    {CM_PRINT, DATA, "Print...", SEP, "CmPrint"},
    {CM_EXIT, DATA, "E&xit", SEP, "CmExit"},
    {199, NONE, "", NOI, "CmFixScratchJumpSingleScan"},
    {225, NONE, "", NOI, "CmSaveEquilibriumData"},
    {877, NONE, "", NOI, "CmToggleExportMatrices"},
    {1108, NONE, "", NOI, "CmWienerSkewing"},

    // ------------------------------------------------------------ Model
    {198, MODEL, "Non-Interacting Discrete Species", MDL, "CmModelDiscreteSpecies"},
    {280, MODEL, "linear Lamm Equation", MDL, "CmModelLinearLammEquation"},
    {281, MODEL, "External Loading Cell", MDL, "CmModelExternalLoadingCell"},
    {291, MODEL, "Electrophoresis: Lamm Equation For Discrete Species", MDL, "CmModelElectrophoresis"},
    {246, MODEL, "Analytical Zone Centrifugation Indep. Species", MDL, "CmModelZoneDiscrete"},
    {227, MODEL, "Single Species", MDL, "CmModelNonidealSingle"},
    {893, MODEL, "Multiple Species", MDL | CMD_NO_HELP, "CmModelNonidealMultiple"},
    {1099, MODEL, "Hindered Sedimentation Single Species", MDL, "CmModelHinderedSingle"},
    {536, MODEL, "Discrete Stokes Radii", MDL | CMD_NO_HELP, "CmModelDlsStokesRadii"},
    {890, MODEL, "Cumulant Analysis", MDL | CMD_NO_HELP, "CmModelDlsCumulants"},
    {501, MODEL, "Electrophoresis: ls-g*(v)", MDL, "CmModelLsgv"},
    {530, MODEL, "Simulate Non-Interacting Species with Faxen Approximation", MDL | CMD_NO_HELP, "CmSimulateFaxen"},
    {275, MODEL, "Continuous c(s) Distribution", MDL | SEP, "CmModelCS"},
    {514, MODEL, "Continuous c(s) Conformational Change Model", MDL, "CmModelCSConformationalChange"},
    {526, MODEL, "Continuous c(s) With Invariant D", MDL, "CmModelCSInvariantD"},
    {531, MODEL, "Continuous c(s) With 1 Discrete Component", MDL | CMD_NO_HELP, "CmModelCSOneDiscrete"},
    {548, MODEL, "Continuous c(s) With Bimodal f/f0", MDL | CMD_NO_HELP, "CmModelCSBimodalFf0"},
    {870, MODEL, "Continuous c(s) With Bimodal f/f0 And 1 Discrete Component", MDL | CMD_NO_HELP, "CmModelCSBimodalFf0OneDiscrete"},
    {602, MODEL, "Continuous c(s) With fix f/f0 And Floating vbar", MDL | CMD_NO_HELP, "CmModelCSFixFf0FloatingVbar"},
    {603, MODEL, "Continuous c(s) For Wormlike Chain", MDL | CMD_NO_HELP, "CmModelCSWormlikeChain"},
    {872, MODEL, "Continuous c(s) With General Scaling Law", MDL | CMD_NO_HELP, "CmModelCSScalingLaw"},
    {587, MODEL, "Continuous c(s) With M(s) Table", MDL | CMD_NO_HELP, "CmModelCSWithMsTable"},
    {1117, MODEL, "Continuous c(s) with Flotation", MDL | CMD_NO_HELP, "CmModelCSFlotation"},
    {585, MODEL, "Nonideal c(s)", MDL | CMD_NO_HELP, "CmModelNonidealCS"},
    {1100, MODEL, "Hindered Sedimentation c(s)", MDL | CMD_NO_HELP, "CmModelHinderedCS"},
    {595, MODEL, "Continuous c(s,ff0)", MDL | CMD_NO_HELP, "CmModelCSFf0"},
    {598, MODEL, "Continuous c(s,ff0) With 1 Discrete Component", MDL | CMD_NO_HELP, "CmModelCSFf0OneDiscrete"},
    {887, MODEL, "f(M) vs M With Scaling Law", MDL | CMD_NO_HELP, "CmModelFMScalingLaw"},
    {235, MODEL, "Continuous c(M) Distribution", MDL, "CmModelContinuousCM"},
    {277, MODEL, "c(M) With Invariant D ", MDL, "CmModelCMInvariantD"},
    {279, MODEL, "c(M) With Prior Knowledge vbar(M)", MDL, "CmModelCMVbarM"},
    {513, MODEL, "Electrophoresis: c(v) Distribution With Constant D", MDL, "CmModelElectrophoresisCV"},
    {288, MODEL, "ls-g*(s)", MDL | SEP, "CmModelLsgs"},
    {539, MODEL, "ls-g*(s) With 1 Discrete Lamm Eq. Component", MDL | CMD_NO_HELP, "CmModelLsgsOneDiscrete"},
    {950, MODEL, "Hybrid c(s)/ls-g*(s)", MDL | CMD_NO_HELP, "CmModelHybridCSLsgs"},
    {511, MODEL, "Analytical Zone Centrifugation c(s)", MDL, "CmModelZoneCS"},
    {510, MODEL, "Analytical Zone Centrifugation ls-g*(s)", MDL, "CmModelZoneLsgs"},
    {292, MODEL, "van Holde - Weischet Transform", MDL, "CmVanHoldeWeischet"},
    {503, MODEL, "DLS: Continuous I(Rh)-Distribution", MDL | SEP, "CmModelDlsRh"},
    {502, MODEL, "DLS: Continuous I(D)-Distribution", MDL, "CmModelDlsD"},
    {522, MODEL, "Continuous I(Rh,t)-Time-Course", MDL, "CmModelDlsRhTime"},
    {266, SPECIAL, "Fit &Time Dependent s,M (e.g. in Archibald analysis)", MDL, "CmFitTimeDependentSM"},
    {197, NONE, "", NOI | CMD_MODEL, "CmModelMonomerDimer"},
    {228, NONE, "", NOI | CMD_MODEL, "CmModelSelfAssoc124"},
    {229, NONE, "", NOI | CMD_MODEL, "CmModelMonomerTrimer"},
    {267, NONE, "", NOI | CMD_MODEL, "CmModelHeteroAssociation"},
    {278, NONE, "", NOI | CMD_MODEL, "CmModelCMPowerLaw"},
    {282, NONE, "", NOI | CMD_MODEL | CMD_NO_HELP, "CmModelReservedGeometry"},
    {284, NONE, "", NOI | CMD_MODEL | CMD_NO_HELP, "CmEquilibriumDiscreteSpecies"},
    {290, NONE, "", NOI | CMD_MODEL | CMD_NO_HELP, "CmLoadElectrophoresisData"},
    {520, NONE, "", NOI | CMD_MODEL, "CmModelSelfAssoc148"},
    {521, NONE, "", NOI | CMD_MODEL, "CmModelCSLinearRods"},
    {523, NONE, "", NOI | CMD_MODEL | CMD_NO_HELP, "CmEquilibriumHeteroAssociation"},

    // ------------------------------------------------------------ bar items
    {212, NONE, "&Parameters", CMD_TOPLEVEL | CMD_OWN_HELP, "CmParameters"},
    {213, NONE, "&Run", CMD_TOPLEVEL | CMD_NO_HELP, "CmRun"},
    {215, NONE, "&Fit", CMD_TOPLEVEL | CMD_NO_HELP, "CmFit"},
    {915, NONE, "FloTools", CMD_TOPLEVEL | CMD_RUNTIME, "CmFluorescenceTools"},

    // ------------------------------------------------------------ &Generate
    {214, GENERATE, "Single", 0, "CmGenerateSingle"},
    {647, GENERATE, "Series", 0, "CmGenerateSeries"},

    // ------------------------------------------------------------ &Options
    {CM_PREFERENCES, OPTIONS, "Preferences...", 0, "CmPreferences"},
    {529, OPTIONS, "Use Prior Probabilities\t^W", CHK, "CmUsePriorProbabilities"},
    {633, OPTIONS, "Prior Knowledge of Discrete Species\t^X", 0, "CmPriorKnowledgeDiscreteSpecies"},
    {542, OPTIONS, "Inhomogeneous Solvent\tAlt+I", CHK, "CmInhomogeneousSolvent"},
    {837, OPTIONS, "Toggle Mouse Sliding\tAlt+M", 0, "CmToggleMouseSliding"},
    {632, NONE, "", NOI, ""},

    {590, LOADING, "Set Radial Resolution", 0, "CmSetRadialResolution"},
    {902, LOADING, "Check Recorded Elapsed Time Against File Timestamp", 0, "CmCheckElapsedTime"},
    {922, LOADING, "Restore Time and w^2t Entries", 0, "CmRestoreTimeAndW2t"},
    {CM_OLD_FILENAME_CONVENTION, LOADING, "Old Filename Convention", CHK, "CmOldFilenameConvention"},
    {263, LOADING, "Save Raw Data Set", SEP, "CmSaveRawDataSet"},
    {231, LOADING, "Save &Intensity Data as Absorbance Data", 0, "CmSaveIntensityAsAbsorbance"},
    {289, LOADING, "Save Intensity as 2 Pseudo Absorbance data sets", 0, "CmSaveIntensityAsPseudoAbsorbance"},
    {264, LOADING, "Eliminate Jitter", SEP, "CmEliminateJitter"},
    {287, LOADING, "Find Integral Fringe Jumps From Discontinuity", 0, "CmRemoveFringeJump"},
    {1111, LOADING, "Remove Integral Fringe Jumps in Indiviual Scan", 0, "CmFixPointScanFringeJump"},
    {1110, LOADING, "Remove Integral Fringe Jumps in All Scans at One Position", 0, "CmFixScratchJump"},
    {1109, LOADING, "Track TI Noise Feature Across Scans", 0, "CmTrackScratch"},
    {220, LOADING, "Align All Scans Interference Offset at Radius", 0, "CmAlignInterferenceOffset"},
    {581, LOADING, "Exclude Region from Raw Data", 0, "CmExcludeRegion"},
    {535, LOADING, "Invert Raw Data", CMD_NO_HELP, "CmInvertRawData"},
    {886, LOADING, "Mirror Image of Raw Data", CMD_NO_HELP, "CmMirrorData"},
    {549, LOADING, "Correct Erroneous IF Radial Calibration", CMD_NO_HELP, "CmRecalibrateRadius"},
    {550, LOADING, "Add Constant Time and w^2t to Data", CMD_NO_HELP, "CmTimeOffset"},
    {459, LOADING, "Add or Subtract Simulated Sedimentation Data", CMD_NO_HELP, "CmAddSubtractScans"},
    {551, LOADING, "Add Noise to Data or Multiply Signals", CMD_NO_HELP, "CmAddNoiseToData"},
    {634, LOADING, "Subtract Constant Value from Scan", CMD_NO_HELP, "CmSubtractConstant"},
    {927, SWEEP, "Shift Scans to Undo Rotor Stretch", 0, "CmUndoRotorStretch"},
    {947, SWEEP, "Create Speedsteps.txt File From Loaded Scans", 0, "CmExtractSpeedSchedule"},
    {928, SWEEP, "Convert speedsteps.txt And speedssteps.EQU", 0, "CmConvertSpeedFile"},

    {283, EQUIL, "Subtract Blank Scan", 0, "CmSubtractBlankScan"},
    {917, EQUIL, "Average Scans", 0, "CmAverageScans"},
    {524, EQUIL, "Save 6-channel Raw Data in 3 Subsets", 0, "CmSaveSixChannelSubsets"},
    {579, EQUIL, "Sort Eq Data to Disk \t^E", 0, "CmSortEqDataToDisk"},
    {896, EQUIL, "Transform Equilibrium Data and Calculate M*", SEP, "CmTransformEquilibriumMStar"},
    {918, EQUIL, "Copy Ln(c) Data", 0, "CmCopyLnCData"},
    {919, EQUIL, "Copy M* Data", 0, "CmCopyMStarData"},
    {920, EQUIL, "Copy Mavg Data", 0, "CmCopyMavgData"},
    {645, EQUIL, "Test Approach to Equilibrium", SEP, "CmTestApproachToEquilibrium"},
    {874, EQUIL, "Minimize Time to Equilibrium", 0, "CmMinimizeTimeToEquilibrium"},
    {928, EQUIL, "Convert speedsteps.txt And speedssteps.EQU", CMD_ALSO, "CmConvertSpeedFile"},
    {875, EQUIL, "Estimate Equilibrium Rotor Speeds", 0, "CmEstimateEqRotorSpeed"},
    // the time-to-equilibrium simulator, without the accelerators of its own menu
    {929, TOSE, "load rotor speed profile", CMD_ALSO, "CmToseLoadRotorSpeedProfile"},
    {940, TOSE, "load parameter file", CMD_ALSO, "CmToseLoadParameterFile"},
    {941, TOSE, "save parameter files", CMD_ALSO, "CmToseSaveParameterFiles"},
    {936, TOSE, "save results files", CMD_ALSO, "CmToseSaveResultFiles"},
    {933, TOSE, "Parameters", CMD_ALSO | SEP, "CmToseParameters"},
    {938, TOSE, "Run constant speed", CMD_ALSO, "CmToseRunConstantSpeed"},
    {934, TOSE, "Run speed profile", CMD_ALSO, "CmToseRunSpeedProfile"},
    {932, TOSE, "Optimize", CMD_ALSO, "CmToseOptimize"},
    {935, TOSE, "PLOKA simulated approach to SE scans", CMD_ALSO, "CmTosePlokaScans"},

    {CM_SIMPLEX, FITOPT, "Simplex Algorithm", CHK, "CmSimplexAlgorithm"},
    {CM_SIMULATED_ANNEALING, FITOPT, "Simulated Annealing", CHK, "CmSimulatedAnnealing"},
    {CM_MARQUARDT_LEVENBERG, FITOPT, "Marquardt-Levenberg", CHK, "CmMarquardtLevenberg"},
    {217, FITOPT, "Fit M and s", CHK | SEP, "CmFitMAndS"},
    {240, FITOPT, "Set Fit Limits For Meniscus & Bottom", CMD_OWN_HELP, "CmSetMeniscusBottomLimits"},
    {611, FITOPT, "Lamm Equation Parameters\tAlt+G", 0, "CmLammEquationParameters"},
    {223, FITOPT, "Simulate Beyond Last Scan", CHK, "CmToggleSimulateBeyondLastScan"},
    {552, FITOPT, "Corrections For Buffer Sedimentation\t^B", CHK, "CmBufferSedimentation"},
    {576, FITOPT, "Subtract Buffer Signal Mismatch", 0, "CmSubtractBufferMismatch"},
    {CM_FLAG_STRONG_GRADIENTS, FITOPT, "Flag Too Strong Gradients", CHK | SEP, "CmFlagStrongGradients"},
    {868, FITOPT, "Set Gradient Limit", 0, "CmSetGradientLimit"},
    {593, FITOPT, "Serialize Fit by Cell or dir#", SEP, "CmSerializeFitByCell"},
    {904, FITOPT, "Serialize Fit by list.* File", 0, "CmSerializeFitByList"},
    {923, FITOPT, "Serialize Fit With PLOKA Monitoring", 0, "CmSerializeFitWithPlokaMonitoring"},
    {255, NONE, "", NOI | CHK, ""},
    {256, NONE, "", NOI | CHK, ""},

    {294, SIZEDIST, "Regularization by 2nd Derivative", CHK, "CmRegularizationSecondDerivative"},
    {1118, SIZEDIST, "Regularization by weighted 3rd Derivative", CHK, "CmRegularizationWeightedThirdDerivative"},
    {295, SIZEDIST, "Regularization by Max Ent", CHK, "CmRegularizationMaxEnt"},
    {642, SIZEDIST, "Show Both 2nd Deriv + Max Ent Regularizations", CHK, "CmRegularizationBothShown"},
    {CM_MULTIPLE_THREADS, SIZEDIST, "Compute With Multiple Threads", CHK, "CmMultipleThreads"},
    {1107, SIZEDIST, "Minimum s-Value For log-Spaced Grid", CHK, "CmMinimumSValueForLogGrid"},
    {456, SIZEDIST, "Integrate Distribution \t^I", SEP, "CmIntegrateDistribution"},
    {457, SIZEDIST, "Rescale Distribution Plot", 0, "CmRescaleDistributionPlot"},
    {458, SIZEDIST, "Fullscale Distribution Plot", 0, "CmFullscaleDistributionPlot"},
    {460, SIZEDIST, "Transfrom Differential to Integral Distribution", 0, "CmDifferentialToIntegral"},
    {589, SIZEDIST, "Transform c(s) to c(M)", 0, "CmTransformCSToCM"},
    {608, SIZEDIST, "Show Peak Mw in c(s) \t^M", 0, "CmShowPeakMw"},
    {644, SIZEDIST, "Use c(s) Integration Ranges From File", CHK, "CmUseIntegrationRangesFromFile"},
    {525, SIZEDIST, "Transform s-Distribution to r-Distribution", SEP, "CmTransformSDistribution"},
    {836, SIZEDIST, "Transform s-Distribution to s20w-Distribution", 0, "CmTransformToS20w"},
    {533, SIZEDIST, "Transform g(s*) (as ASCII) to Direct Boundary Model", CMD_NO_HELP, "CmTransformGsToBoundaryModel"},
    {293, SIZEDIST, "Extrapolate Area Fractions of ls-g*(s) vs 1/sqrt(time)", 0, "CmExtrapolateAreaFractions"},

    {270, CALC, "Calculate Axial and Frictional Coefficient Ratios", 0, "CmCalcAxialRatios"},
    {547, CALC, "Calculate Ellipsoidal Dimensions from Frictional Ratio", 0, "CmCalcEllipsoid"},
    {578, CALC, "Calculate Hydrodynamic Friction Force", 0, "CmCalcFrictionalForce"},
    {276, CALC, "Calculate s(M) for Spherical Particle", 0, "CmCalcSOfM"},
    {830, CALC, "Calculate s(Rh) for Spherical Particle", 0, "CmCalcSOfRh"},
    {831, CALC, "Calculate Rh(s) for Spherical Particle", 0, "CmCalcRhOfS"},
    {606, CALC, "Calculate M(s) for Spherical or Asymmetric Particle", 0, "CmCalcMs"},
    {582, CALC, "Calculate s(20,w) from s(xp)", 0, "CmCalcS20w"},
    {889, CALC, "Calculate Ratio Diffusional Spread / Differential Sedimentation", SEP, "CmBoundaryBroadening"},
    {545, CALC, "Calculate Weight-Average s by Differential Second Moment Integration", 0, "CmCalcSwSecondMoment"},
    {462, CALC, "Calculate Weight-Average s by Second Moment Integration", 0, "CmCalcWeightAverageS"},
    {461, CALC, "Calculate Radial Dilution", 0, "CmCalcRadialDilution"},
    {463, CALC, "Calculate Pressure", 0, "CmCalcPressure"},
    {272, CALC, "Calculate Variance Ratio (F-statistics)", CMD_ALSO, "CmVarianceRatio"},
    {895, CALC, "Calculate vbar, dndc, and extinction@280 from Protein Sequence", SEP, "CmCalcFromSequence"},
    {1119, CALC, "calculate density and viscosity of water and heavy water at temperature", 0,
     "CmCalcBufferDensityViscosity"},
    {876, CALC, "Start HydroPro ...", SEP, "CmStartHydroPro"},
    {885, CALC, "Extract s-value from BEST/BEMINE", 0, "CmExtractSFromBest"},

    {903, FLUO, "Sort Fluorescence Data To Disk", 0, "CmSortFluorescenceData"},
    {907, FLUO, "Signal Magnification Radial Gradient", CHK | SEP, "CmSignalMagnificationRadialGradient"},
    {908, FLUO, "Nonlinear Detection", CHK, "CmNonlinearDetection"},
    {910, FLUO, "Signal Magnification Drift With Time", CHK, "CmSignalMagnificationDriftWithTime"},
    {912, FLUO, "Signal Radial Convolution", CHK, "CmSignalRadialConvolution"},
    {914, FLUO, "Excitation Shadow at Bottom", CHK, "CmExcitationShadowAtBottom"},
    {904, FLUO, "Serialize Fit by list.* File", CMD_ALSO | SEP, "CmSerializeFitByList"},
    {923, FLUO, "Serialize Fit With PLOKA Monitoring", CMD_ALSO, "CmSerializeFitWithPlokaMonitoring"},
    {905, NONE, "", NOI | CHK, "CmSignalMagnificationRadialGradient"},
    {906, NONE, "", NOI | CHK, "CmNonlinearDetection"},
    {909, NONE, "", NOI | CHK, "CmSignalMagnificationDriftWithTime"},
    {911, NONE, "", NOI | CHK, "CmSignalRadialConvolution"},
    {913, NONE, "", NOI | CHK, "CmExcitationShadowAtBottom"},
    {925, NONE, "", NOI | CHK, "CmFluorescenceOption925"},

    {500, DLS, "Save Mean DLS Data in MORVEX Format", 0, "CmSaveMeanDlsData"},
    {898, DLS, "Toggle Intensity <-> Field Autocorrelation Fct", 0, "CmToggleIntensityFieldAcf"},
    {CM_ALWAYS_LOAD_G2, DLS, "Always Load Intensity Autocorrelation g(2)-1", CHK, "CmAlwaysLoadG2"},
    {299, DLSCONV, "Protein Solutions 99, version 5.20.05", 0, "CmConvertDlsPs99v520"},
    {543, DLSCONV, "Protein Solutions 99, version 5.26.38", 0, "CmConvertDlsPs99v526"},
    {584, DLSCONV, "Protein Solutions 99, version 6.2.05", 0, "CmConvertDlsPs99v62"},
    {601, DLSCONV, "Protein Solutions version 4", 0, "CmConvertDlsPsV4"},
    {897, DLSCONV, "Dynamics 7", 0, "CmConvertDlsDynamics7"},
    {583, DLSCONV, "PhotoCor", 0, "CmConvertDlsPhotoCor"},
    {534, DLSCONV, "ALV", 0, "CmConvertDlsAlv"},
    {532, DLSCONV, "2 Column ASCII data", 0, "CmConvertDlsTwoColumnAscii"},
    {600, DLSCONV, "2 Column ASCII g(2)-1 ", 0, "CmConvertDlsTwoColumnG2"},
    {527, DLSCONV, "BIC 9kdlsw32.exe ver. 3.19", 0, "CmConvertDlsBic9k"},
    {544, DLSCONV, "Old DOS BIC", 0, "CmConvertDlsOldDosBic"},
    {528, NONE, "", NOI, "CmConvertCdData"},

    // ------------------------------------------------------------ Display
    {518, DISPLAY, "Data Range", 0, "CmDataRange"},
    {208, DISPLAY, "Full Data Range", 0, "CmFullRange"},
    {CM_SHOW_RESIDUALS_BITMAP, DISPLAY, "Show Residuals Bitmap", CHK, "CmShowResidualsBitmap"},
    {CM_SCAN_COLOR_FROM_TIME, DISPLAY, "Scan Color Temperature From Time", CHK, "CmScanColorFromTime"},
    {946, DISPLAY, "Show Rotor Speed Plot", 0, "CmShowRotorSpeedPlot"},
    {508, DISPLAY, "Subtract Calculated TI Noise From Raw Data", SEP, "CmSubtractTiNoise"},
    {509, DISPLAY, "Subtract Calculated RI Noise From Raw Data", 0, "CmSubtractRiNoise"},
    {519, DISPLAY, "Subtract All Systematic Noise From Raw Data\t^N", 0, "CmSubtractAllNoise"},
    {607, DISPLAY, "Restore Original TI Noise to Data", 0, "CmRestoreTiNoise"},
    {210, NONE, "", NOI, "CmToggleDisplayFlag210"},

    // ------------------------------------------------------------ Copy
    {204, COPY, "Copy &Fit Parameters", 0, "CmCopyFitParameters"},

    // ------------------------------------------------------------ Statistics
    {272, STATS, "Calculate Variance Ratio With F-statistics", 0, "CmVarianceRatio"},
    {296, STATS, "Monte-Carlo for Distributions", 0, "CmMonteCarloDistributions"},
    {546, STATS, "Monte-Carlo for Integrated Weight-Average s-Values", 0, "CmMonteCarloWeightAverageS"},
    {241, STATS, "s and M Contour", SEP, "CmContourSM"},
    {244, STATS, "s1,s2 Contour", 0, "CmContourS1S2"},
    {245, STATS, "K Contour", 0, "CmContourK"},
    {285, NONE, "", NOI, "CmErrorInS"},
    {286, NONE, "", NOI, "CmErrorInM"},

    // ------------------------------------------------------------ Plot
    {878, PLOT, "Plot Data in 3d Graph", 0, "CmPlotDataIn3dGraph"},
    {879, PLOT, "Make Sedimentation Movie", 0, "CmMakeSedimentationMovie"},
    {880, PLOT, "MATLAB Plot Data + Fit + Res", 0, "CmMatlabPlotDataFitRes"},
    {881, PLOT, "MATLAB Plot Data + Fit + Res + Distribution", 0, "CmMatlabPlotDataFitResDistribution"},
    {882, PLOT, "MATLAB Plot Size-and-Shape Distribution", 0, "CmMatlabPlotSizeAndShape"},
    {883, PLOT, "Plot Triangulated Structure from BEST", 0, "CmPlotTriangulatedStructure"},
    {899, PLOT, "PLOKA c(s) Plot", SEP, "CmPlokaCofsPlot"},
    {900, PLOT, "PLOKA Data-Fit-Residuals Plot", 0, "CmPlokaDataFitResidualsPlot"},
    {901, NONE, "", NOI, "CmPlokaPlot"},

    // ------------------------------------------------------------ &Help
    {CM_HOW_TO_GET_HELP, HELP, "How To Get Help", 0, "CmHowToGetHelp"},
    {CM_WIZARD_MESSAGES, HELP, "Info and Wizard Messages", CHK, "CmWizardMessages"},
    {867, HELP, "Diagnostics Output to Files", CHK, "CmDiagnosticsOutput"},

    // ------------------------------------------------------------ time-to-equilibrium menu
    {929, "load", "load rotor speed profile\t^L", CMD_TOSE, "CmToseLoadRotorSpeedProfile"},
    {940, "load", "load parameter file", CMD_TOSE, "CmToseLoadParameterFile"},
    {941, "save", "save parameter files", CMD_TOSE, "CmToseSaveParameterFiles"},
    {936, "save", "save results files", CMD_TOSE, "CmToseSaveResultFiles"},
    {933, NONE, "Parameters", CMD_TOSE | CMD_TOPLEVEL, "CmToseParameters"},
    {938, NONE, "Run constant speed", CMD_TOSE | CMD_TOPLEVEL, "CmToseRunConstantSpeed"},
    {934, NONE, "Run speed profile\t^R", CMD_TOSE | CMD_TOPLEVEL, "CmToseRunSpeedProfile"},
    {932, NONE, "Optimize", CMD_TOSE | CMD_TOPLEVEL, "CmToseOptimize"},
    {935, NONE, "PLOKA simulated approach to SE scans\t^G", CMD_TOSE | CMD_TOPLEVEL, "CmTosePlokaScans"},
};

// The order of the menu bar; bar items appear where their id stands.
const char* const kBarOrder[] = {"&Data", "Model", "#212", "#213", "#215", "&Generate", "&Options", "Display",
                                 "Copy", "Statistics", "Plot", "&Help"};

const CommandVariant kVariants[] = {
    // The M* screens have the loading tools, the six-channel split and the
    // blank subtraction under "&Options>Loading Options".
    {MENU_MSTAR, 287, "&Options>Loading Options", "Remove Integral Fringe Jumps (within one scan)"},
    {MENU_MSTAR, 886, nullptr, nullptr},
    {MENU_MSTAR, 550, "&Options>Loading Options", "Add Constant Time and w^2t to data"},
    {MENU_MSTAR, 524, "&Options>Loading Options", "Save 6-channel Raw Data in 3 Subsets"},
    {MENU_MSTAR, 283, "&Options>Loading Options", "Subtract Blank Scan"},
    {MENU_LSGRAMP, 949, DATA, "Auto Load and Correct Raw Data"},
    {MENU_LSGRAMP, 947, DATA, "Create speedsteps.txt File From Loaded Scans"},
    {MENU_LSGRAMP, 899, PLOT, "PLOKA distribution plot"},
    {MENU_LSGRAMP, 900, PLOT, "PLOKA data-fit-residuals plot"},
};

constexpr unsigned char C = ACC_CONTROL;
constexpr unsigned char A = ACC_ALT;
const AcceleratorEntry kAccelerators[] = {
    {C, 'L', 200}, {C, 'A', 226}, {C, 'S', 203}, {C, 'E', 579}, {C, 'R', 213}, {C, 'F', 215},
    {C, 'N', 519}, {C, 'B', 552}, {C, 'W', 529}, {C, 'X', 633}, {C, 'I', 456}, {C, 'M', 608},
    {C, 'G', 901}, {A, 'G', 611}, {A, 'I', 542}, {A, 'M', 837}, {A, 'F', 915},
};
const AcceleratorEntry kToseAccelerators[] = {{C, 'L', 929}, {C, 'R', 934}, {C, 'G', 935}};

// Where a command stands in a variant; false when it has no item there.
bool placeIn(const CommandInfo& c, MenuVariant v, std::string* pMenu, std::string* pCaption)
{
    if (c.nFlags & (CMD_NO_ITEM | CMD_RUNTIME)) return false;
    if ((v == MENU_TOSE) != ((c.nFlags & CMD_TOSE) != 0)) return false;
    *pMenu = c.szMenu;
    *pCaption = c.szCaption;
    for (const CommandVariant& cv : kVariants) {
        if (cv.variant != v || cv.nId != c.nId) continue;
        if (!cv.szMenu) return false;
        *pMenu = cv.szMenu;
        *pCaption = cv.szCaption;
    }
    // In the M* variant the whole loading-tools popup moves.
    const std::string loading = LOADING;
    if (v == MENU_MSTAR && pMenu->compare(0, loading.size(), loading) == 0)
        *pMenu = "&Options>Loading Options" + pMenu->substr(loading.size());
    return true;
}

}  // namespace

const CommandInfo* commandTable(int* pnCount)
{
    *pnCount = static_cast<int>(sizeof kCommands / sizeof kCommands[0]);
    return kCommands;
}

const CommandInfo* findCommand(unsigned nId)
{
    for (const CommandInfo& c : kCommands)
        if (c.nId == nId && !(c.nFlags & CMD_ALSO)) return &c;
    return nullptr;
}

const CommandVariant* commandVariants(int* pnCount)
{
    *pnCount = static_cast<int>(sizeof kVariants / sizeof kVariants[0]);
    return kVariants;
}

const AcceleratorEntry* acceleratorTable(MenuVariant variant, int* pnCount)
{
    if (variant == MENU_TOSE) {
        *pnCount = static_cast<int>(sizeof kToseAccelerators / sizeof kToseAccelerators[0]);
        return kToseAccelerators;
    }
    *pnCount = static_cast<int>(sizeof kAccelerators / sizeof kAccelerators[0]);
    return kAccelerators;
}

void plainCaption(const char* szCaption, char* szOut, int nSize)
{
    int n = 0;
    for (const char* p = szCaption; *p && *p != '\t' && n < nSize - 1; ++p) {
        if (*p == '&' && p[1] != '&') continue;
        szOut[n++] = *p;
    }
    // the trailing blank some captions carry before their accelerator text
    while (n > 0 && szOut[n - 1] == ' ' && std::strchr(szCaption, '\t')) --n;
    szOut[n] = 0;
}

unsigned modelCommandOfCaption(const char* szCaption)
{
    auto norm = [](const char* s) {
        std::string r;
        for (; *s; ++s) r += static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
        while (!r.empty() && r.back() == ' ') r.pop_back();
        return r;
    };
    std::string want = norm(szCaption);
    for (const CommandInfo& c : kCommands) {
        if (!(c.nFlags & CMD_MODEL) || (c.nFlags & CMD_NO_ITEM)) continue;
        char sz[200];
        plainCaption(c.szCaption, sz, sizeof sz);
        if (norm(sz) == want) return c.nId;
    }
    return 0;
}

win::HMENU buildCommandMenu(MenuVariant variant, bool (*pfnEnabled)(unsigned nId))
{
    using namespace win;
    HMENU bar = CreateMenu();
    std::map<std::string, HMENU> popups;  // path -> popup

    std::function<HMENU(const std::string&)> popupOf = [&](const std::string& path) -> HMENU {
        auto it = popups.find(path);
        if (it != popups.end()) return it->second;
        size_t cut = path.rfind('>');
        HMENU parent = cut == std::string::npos ? bar : popupOf(path.substr(0, cut));
        HMENU popup = CreatePopupMenu();
        popups[path] = popup;
        AppendMenu(parent, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                   (cut == std::string::npos ? path : path.substr(cut + 1)).c_str());
        return popup;
    };

    std::vector<std::pair<const CommandInfo*, std::pair<std::string, std::string>>> placed;
    for (const CommandInfo& c : kCommands) {
        std::string menu, caption;
        if (placeIn(c, variant, &menu, &caption)) placed.push_back({&c, {menu, caption}});
    }

    auto appendItem = [&](HMENU m, const CommandInfo& c, const std::string& caption) {
        if ((c.nFlags & CMD_SEPARATOR) && GetMenuItemCount(m) > 0) AppendMenu(m, MF_SEPARATOR, 0, nullptr);
        UINT flags = MF_STRING;
        if (pfnEnabled && !pfnEnabled(c.nId)) flags |= MF_GRAYED;
        AppendMenu(m, flags, c.nId, caption.c_str());
    };

    if (variant == MENU_TOSE) {
        for (auto& p : placed) {
            if (p.first->nFlags & CMD_TOPLEVEL) appendItem(bar, *p.first, p.second.second);
            else appendItem(popupOf(p.second.first), *p.first, p.second.second);
        }
        return bar;
    }

    for (const char* szTop : kBarOrder) {
        if (szTop[0] == '#') {
            unsigned id = static_cast<unsigned>(std::atoi(szTop + 1));
            for (auto& p : placed)
                if (p.first->nId == id) appendItem(bar, *p.first, p.second.second);
            continue;
        }
        std::string top = szTop;
        bool bAny = false;
        for (auto& p : placed) {
            const std::string& menu = p.second.first;
            if (menu == top || menu.compare(0, top.size() + 1, top + ">") == 0) bAny = true;
        }
        if (!bAny) continue;
        popupOf(top);
        for (auto& p : placed) {
            const std::string& menu = p.second.first;
            if (menu == top || menu.compare(0, top.size() + 1, top + ">") == 0)
                appendItem(popupOf(menu), *p.first, p.second.second);
        }
    }
    return bar;
}
