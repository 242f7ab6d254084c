// The main window: construction, start-up, the response table and exit.
#include "app/xla_window.h"
#include "plot/screen_button.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/mouse_action_dispatch.h"
#include "app/outside_services.h"
#include "app/preferences.h"
#include "app/xla_app.h"
#include "distributions/conti_globals.h"
#include "distributions/peak_information.h"
#include "distributions/prior_probabilities.h"
#include "fegrid/global_grid.h"
#include "models/lamm_settings.h"
#include "resources/commands.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"

using namespace win;

// The selection buffer of the load dialogs.
char szOpenFileNames[128000] = "";

namespace {

// Private message: run the unattended job once the window exists.
constexpr UINT WM_RUN_JOB = WM_USER + 100;

// Filter list of the load dialogs: description and pattern pairs.
const char kDataFilter[] =
    "All AUC Files (*.IP*;*.RA*;*.RI*;*.R0*;*.FI*;*.xp;*list*.*)\0*.IP*;*.RA*;*.RI*;*.R0*;*.FI*;*.xp;*list*.*\0"
    "Previously Loaded Lists (list*.*)\0list*.*\0"
    "DRELLIX Experiments (*.xp)\0*.xp\0"
    "cell 1 (*.*1)\0*.*1\0"
    "cell 2 (*.*2)\0*.*2\0"
    "cell 3 (*.*3)\0*.*3\0"
    "cell 4 (*.*4)\0*.*4\0"
    "cell 5 (*.*5)\0*.*5\0"
    "cell 6 (*.*6)\0*.*6\0"
    "cell 7 (*.*7)\0*.*7\0"
    "cell 8 (*.*8)\0*.*8\0"
    "Interference Files (*.IP*)\0*.IP*\0"
    "Absorbance Files (*.RA*)\0*.RA*\0"
    "Intensity Files (*.RI*)\0*.RI*\0"
    "Fluorescence Files (*.FI*)\0*.FI*\0"
    "All Files (*.*)\0*.*\0";

const char kDisclaimer[] =
    "Morvex is provided as it is, without warranty of any kind, express or implied, including the "
    "warranties of merchantability and of fitness for a particular purpose. The authors are not liable "
    "for any damage arising from its use, including wrong or lost results. Check every result before "
    "you rely on it.\n\nDo you accept these terms?";

// The response table: command id -> member. A command of the command table
// without an entry here is shown disabled.
struct ResponseEntry {
    UINT nId;
    void (TXLAWindow::*pHandler)();
};

const ResponseEntry kResponseTable[] = {
    {CM_EXIT, &TXLAWindow::CmExit},
    {CM_PRINT, &TXLAWindow::CmPrint},
    {CM_HOW_TO_GET_HELP, &TXLAWindow::CmHowToGetHelp},
    {CM_PREFERENCES, &TXLAWindow::CmPreferences},
    {CM_FLAG_STRONG_GRADIENTS, &TXLAWindow::CmFlagStrongGradients},
    {CM_WIZARD_MESSAGES, &TXLAWindow::CmWizardMessages},
    {CM_MULTIPLE_THREADS, &TXLAWindow::CmMultipleThreads},
    {CM_SCAN_COLOR_FROM_TIME, &TXLAWindow::CmScanColorFromTime},
    {CM_SHOW_RESIDUALS_BITMAP, &TXLAWindow::CmShowResidualsBitmap},
    {CM_OLD_FILENAME_CONVENTION, &TXLAWindow::CmOldFilenameConvention},
    {208, &TXLAWindow::CmFullRange},
    {210, &TXLAWindow::CmToggleDisplayFlag210},
    {518, &TXLAWindow::CmDataRange},
    {590, &TXLAWindow::CmSetRadialResolution},
    {868, &TXLAWindow::CmSetGradientLimit},
    {837, &TXLAWindow::CmToggleMouseSliding},
    {902, &TXLAWindow::CmCheckElapsedTime},
    {204, &TXLAWindow::CmCopyFitParameters},
    // Data menu (scandata/)
    {200, &TXLAWindow::CmLoadNewFiles},
    {226, &TXLAWindow::CmAddMoreFiles},
    {949, &TXLAWindow::CmAutoLoadMultiSpeed},
    {515, &TXLAWindow::CmLoadEquilibriumData},
    {201, &TXLAWindow::CmEditDataFiles},
    {202, &TXLAWindow::CmSetInitialData},
    {1103, &TXLAWindow::CmRestoreMeanFieldCtot},
    {1104, &TXLAWindow::CmExportMeanFieldCtot},
    {1105, &TXLAWindow::CmDisplayCtotMgMl},
    {1106, &TXLAWindow::CmClearMeanFieldCtot},
    {867, &TXLAWindow::CmDiagnosticsOutput},
    {877, &TXLAWindow::CmToggleExportMatrices},
    {203, &TXLAWindow::CmSaveFitData},
    {827, &TXLAWindow::CmUpdateSavedFitParameters},
    {1098, &TXLAWindow::CmReloadSavedFitParameters},
    {252, &TXLAWindow::CmSaveNoise},
    {263, &TXLAWindow::CmSaveRawDataSet},
    {231, &TXLAWindow::CmSaveIntensityAsAbsorbance},
    {289, &TXLAWindow::CmSaveIntensityAsPseudoAbsorbance},
    {917, &TXLAWindow::CmAverageScans},
    {225, &TXLAWindow::CmSaveEquilibriumData},
    {896, &TXLAWindow::CmTransformEquilibriumMStar},
    {918, &TXLAWindow::CmCopyLnCData},
    {919, &TXLAWindow::CmCopyMStarData},
    {920, &TXLAWindow::CmCopyMavgData},
    {577, &TXLAWindow::CmExportXp},
    {922, &TXLAWindow::CmRestoreTimeAndW2t},
    {946, &TXLAWindow::CmShowRotorSpeedPlot},
    // scan data: noise subtraction and raw-data transformations
    {508, &TXLAWindow::CmSubtractTiNoise},
    {509, &TXLAWindow::CmSubtractRiNoise},
    {519, &TXLAWindow::CmSubtractAllNoise},
    {607, &TXLAWindow::CmRestoreTiNoise},
    {535, &TXLAWindow::CmInvertRawData},
    {549, &TXLAWindow::CmRecalibrateRadius},
    {550, &TXLAWindow::CmTimeOffset},
    {459, &TXLAWindow::CmAddSubtractScans},
    {886, &TXLAWindow::CmMirrorData},
    {551, &TXLAWindow::CmAddNoiseToData},
    {634, &TXLAWindow::CmSubtractConstant},
    {283, &TXLAWindow::CmSubtractBlankScan},
    {253, &TXLAWindow::CmSubtractNoiseFromEqData},
    {1108, &TXLAWindow::CmWienerSkewing},
    // scan data: raw-data editing tools
    {927, &TXLAWindow::CmUndoRotorStretch},
    {947, &TXLAWindow::CmExtractSpeedSchedule},
    {524, &TXLAWindow::CmSaveSixChannelSubsets},
    {581, &TXLAWindow::CmExcludeRegion},
    {264, &TXLAWindow::CmEliminateJitter},
    {287, &TXLAWindow::CmRemoveFringeJump},
    {220, &TXLAWindow::CmAlignInterferenceOffset},
    // scan data: interactive scan tools and the realtime update of files
    {1111, &TXLAWindow::CmFixPointScanFringeJump},
    {199, &TXLAWindow::CmFixScratchJumpSingleScan},
    {1110, &TXLAWindow::CmFixScratchJump},
    {1109, &TXLAWindow::CmTrackScratch},
    {540, &TXLAWindow::CmRealtimeUpdate},
    {541, &TXLAWindow::CmStopRealtimeUpdate},
    // fluorescence tools (tools/fluorescence/)
    {903, &TXLAWindow::CmSortFluorescenceData},
    {905, &TXLAWindow::CmSignalMagnificationRadialGradient},
    {907, &TXLAWindow::CmSignalMagnificationRadialGradient},
    {906, &TXLAWindow::CmNonlinearDetection},
    {908, &TXLAWindow::CmNonlinearDetection},
    {909, &TXLAWindow::CmSignalMagnificationDriftWithTime},
    {910, &TXLAWindow::CmSignalMagnificationDriftWithTime},
    {911, &TXLAWindow::CmSignalRadialConvolution},
    {912, &TXLAWindow::CmSignalRadialConvolution},
    {913, &TXLAWindow::CmExcitationShadowAtBottom},
    {914, &TXLAWindow::CmExcitationShadowAtBottom},
    {915, &TXLAWindow::CmFluorescenceTools},
    {925, &TXLAWindow::CmFluorescenceOption925},
    // models and fit parameters
    {217, &TXLAWindow::CmFitMAndS},
    // models: selection, parameters, fit ranges, Run
    {198, &TXLAWindow::CmModelDiscreteSpecies},
    {280, &TXLAWindow::CmModelLinearLammEquation},
    {281, &TXLAWindow::CmModelExternalLoadingCell},
    {282, &TXLAWindow::CmModelReservedGeometry},
    {291, &TXLAWindow::CmModelElectrophoresis},
    {246, &TXLAWindow::CmModelZoneDiscrete},
    {197, &TXLAWindow::CmModelMonomerDimer},
    {229, &TXLAWindow::CmModelMonomerTrimer},
    {520, &TXLAWindow::CmModelSelfAssoc148},
    {228, &TXLAWindow::CmModelSelfAssoc124},
    {267, &TXLAWindow::CmModelHeteroAssociation},
    {227, &TXLAWindow::CmModelNonidealSingle},
    {1099, &TXLAWindow::CmModelHinderedSingle},
    {893, &TXLAWindow::CmModelNonidealMultiple},
    {284, &TXLAWindow::CmEquilibriumDiscreteSpecies},
    {523, &TXLAWindow::CmEquilibriumHeteroAssociation},
    {536, &TXLAWindow::CmModelDlsStokesRadii},
    {890, &TXLAWindow::CmModelDlsCumulants},
    {501, &TXLAWindow::CmModelLsgv},
    {290, &TXLAWindow::CmLoadElectrophoresisData},
    {530, &TXLAWindow::CmSimulateFaxen},
    {266, &TXLAWindow::CmFitTimeDependentSM},
    {235, &TXLAWindow::CmModelContinuousCM},
    {275, &TXLAWindow::CmModelCS},
    {514, &TXLAWindow::CmModelCSConformationalChange},
    {526, &TXLAWindow::CmModelCSInvariantD},
    {531, &TXLAWindow::CmModelCSOneDiscrete},
    {548, &TXLAWindow::CmModelCSBimodalFf0},
    {870, &TXLAWindow::CmModelCSBimodalFf0OneDiscrete},
    {602, &TXLAWindow::CmModelCSFixFf0FloatingVbar},
    {603, &TXLAWindow::CmModelCSWormlikeChain},
    {872, &TXLAWindow::CmModelCSScalingLaw},
    {587, &TXLAWindow::CmModelCSWithMsTable},
    {1117, &TXLAWindow::CmModelCSFlotation},
    {585, &TXLAWindow::CmModelNonidealCS},
    {1100, &TXLAWindow::CmModelHinderedCS},
    {595, &TXLAWindow::CmModelCSFf0},
    {598, &TXLAWindow::CmModelCSFf0OneDiscrete},
    {521, &TXLAWindow::CmModelCSLinearRods},
    {887, &TXLAWindow::CmModelFMScalingLaw},
    {277, &TXLAWindow::CmModelCMInvariantD},
    {278, &TXLAWindow::CmModelCMPowerLaw},
    {279, &TXLAWindow::CmModelCMVbarM},
    {513, &TXLAWindow::CmModelElectrophoresisCV},
    {288, &TXLAWindow::CmModelLsgs},
    {539, &TXLAWindow::CmModelLsgsOneDiscrete},
    {950, &TXLAWindow::CmModelHybridCSLsgs},
    {511, &TXLAWindow::CmModelZoneCS},
    {510, &TXLAWindow::CmModelZoneLsgs},
    {503, &TXLAWindow::CmModelDlsRh},
    {502, &TXLAWindow::CmModelDlsD},
    {522, &TXLAWindow::CmModelDlsRhTime},
    {293, &TXLAWindow::CmExtrapolateAreaFractions},
    {292, &TXLAWindow::CmVanHoldeWeischet},
    {212, &TXLAWindow::CmParameters},
    // Run's neighbours and the regularization method (fitting/, distributions/)
    {223, &TXLAWindow::CmToggleSimulateBeyondLastScan},
    {533, &TXLAWindow::CmTransformGsToBoundaryModel},
    {294, &TXLAWindow::CmRegularizationSecondDerivative},
    {295, &TXLAWindow::CmRegularizationMaxEnt},
    {1118, &TXLAWindow::CmRegularizationWeightedThirdDerivative},
    {642, &TXLAWindow::CmRegularizationBothShown},
    // reading the distribution and prior knowledge (distributions/)
    {456, &TXLAWindow::CmIntegrateDistribution},
    {457, &TXLAWindow::CmRescaleDistributionPlot},
    {458, &TXLAWindow::CmFullscaleDistributionPlot},
    {460, &TXLAWindow::CmDifferentialToIntegral},
    {589, &TXLAWindow::CmTransformCSToCM},
    {608, &TXLAWindow::CmShowPeakMw},
    {644, &TXLAWindow::CmUseIntegrationRangesFromFile},
    {529, &TXLAWindow::CmUsePriorProbabilities},
    {633, &TXLAWindow::CmPriorKnowledgeDiscreteSpecies},
    {240, &TXLAWindow::CmSetMeniscusBottomLimits},
    {213, &TXLAWindow::CmRun},
    {215, &TXLAWindow::CmFit},
    {214, &TXLAWindow::CmGenerateSingle},
    {647, &TXLAWindow::CmGenerateSeries},
    {296, &TXLAWindow::CmMonteCarloDistributions},
    {546, &TXLAWindow::CmMonteCarloWeightAverageS},
    {593, &TXLAWindow::CmSerializeFitByCell},
    {904, &TXLAWindow::CmSerializeFitByList},
    {923, &TXLAWindow::CmSerializeFitWithPlokaMonitoring},
    {611, &TXLAWindow::CmLammEquationParameters},
    // buffer sedimentation and the inhomogeneous solvent (fegrid/)
    {552, &TXLAWindow::CmBufferSedimentation},
    {576, &TXLAWindow::CmSubtractBufferMismatch},
    {542, &TXLAWindow::CmInhomogeneousSolvent},
    // the optimiser, F-statistics and error contours (fitting/)
    {CM_SIMPLEX, &TXLAWindow::CmSimplexAlgorithm},
    {CM_SIMULATED_ANNEALING, &TXLAWindow::CmSimulatedAnnealing},
    {CM_MARQUARDT_LEVENBERG, &TXLAWindow::CmMarquardtLevenberg},
    {272, &TXLAWindow::CmVarianceRatio},
    {285, &TXLAWindow::CmErrorInS},
    {286, &TXLAWindow::CmErrorInM},
    {241, &TXLAWindow::CmContourSM},
    {244, &TXLAWindow::CmContourS1S2},
    {245, &TXLAWindow::CmContourK},
    // light-scattering data: loading, mean, switch and converters
    {298, &TXLAWindow::CmLoadDLSData},
    {500, &TXLAWindow::CmSaveMeanDlsData},
    {898, &TXLAWindow::CmToggleIntensityFieldAcf},
    {CM_ALWAYS_LOAD_G2, &TXLAWindow::CmAlwaysLoadG2},
    {299, &TXLAWindow::CmConvertDlsPs99v520},
    {543, &TXLAWindow::CmConvertDlsPs99v526},
    {584, &TXLAWindow::CmConvertDlsPs99v62},
    {601, &TXLAWindow::CmConvertDlsPsV4},
    {897, &TXLAWindow::CmConvertDlsDynamics7},
    {583, &TXLAWindow::CmConvertDlsPhotoCor},
    {534, &TXLAWindow::CmConvertDlsAlv},
    {532, &TXLAWindow::CmConvertDlsTwoColumnAscii},
    {600, &TXLAWindow::CmConvertDlsTwoColumnG2},
    {527, &TXLAWindow::CmConvertDlsBic9k},
    {544, &TXLAWindow::CmConvertDlsOldDosBic},
    {528, &TXLAWindow::CmConvertCdData},
    // calculators
    {547, &TXLAWindow::CmCalcEllipsoid},
    {578, &TXLAWindow::CmCalcFrictionalForce},
    {270, &TXLAWindow::CmCalcAxialRatios},
    {276, &TXLAWindow::CmCalcSOfM},
    {830, &TXLAWindow::CmCalcSOfRh},
    {831, &TXLAWindow::CmCalcRhOfS},
    {606, &TXLAWindow::CmCalcMs},
    {582, &TXLAWindow::CmCalcS20w},
    {525, &TXLAWindow::CmTransformSDistribution},
    {836, &TXLAWindow::CmTransformToS20w},
    {889, &TXLAWindow::CmBoundaryBroadening},
    {545, &TXLAWindow::CmCalcSwSecondMoment},
    {462, &TXLAWindow::CmCalcWeightAverageS},
    {461, &TXLAWindow::CmCalcRadialDilution},
    {463, &TXLAWindow::CmCalcPressure},
    {1119, &TXLAWindow::CmCalcBufferDensityViscosity},
    {895, &TXLAWindow::CmCalcFromSequence},
    {875, &TXLAWindow::CmEstimateEqRotorSpeed},
    {885, &TXLAWindow::CmExtractSFromBest},
    {1107, &TXLAWindow::CmMinimumSValueForLogGrid},
    // equilibrium tools (analyses/eqtest/, analyses/timetoeq/)
    {645, &TXLAWindow::CmTestApproachToEquilibrium},
    {579, &TXLAWindow::CmSortEqDataToDisk},
    {874, &TXLAWindow::CmMinimizeTimeToEquilibrium},
    {928, &TXLAWindow::CmConvertSpeedFile},
    {929, &TXLAWindow::CmToseLoadRotorSpeedProfile},
    {940, &TXLAWindow::CmToseLoadParameterFile},
    {941, &TXLAWindow::CmToseSaveParameterFiles},
    {933, &TXLAWindow::CmToseParameters},
    {938, &TXLAWindow::CmToseRunConstantSpeed},
    {934, &TXLAWindow::CmToseRunSpeedProfile},
    {932, &TXLAWindow::CmToseOptimize},
    {936, &TXLAWindow::CmToseSaveResultFiles},
    {935, &TXLAWindow::CmTosePlokaScans},
    // outside plotting programs and the HydroPro launcher
    {878, &TXLAWindow::CmPlotDataIn3dGraph},
    {879, &TXLAWindow::CmMakeSedimentationMovie},
    {880, &TXLAWindow::CmMatlabPlotDataFitRes},
    {881, &TXLAWindow::CmMatlabPlotDataFitResDistribution},
    {882, &TXLAWindow::CmMatlabPlotSizeAndShape},
    {883, &TXLAWindow::CmPlotTriangulatedStructure},
    {899, &TXLAWindow::CmPlokaCofsPlot},
    {900, &TXLAWindow::CmPlokaDataFitResidualsPlot},
    {901, &TXLAWindow::CmPlokaPlot},
    {876, &TXLAWindow::CmStartHydroPro},
};

// Commands whose handler exists but whose work needs a part of the program
// not built yet: their items stay grayed (and the commands do nothing) until
// that part is built; the change that builds it takes the command off this list.
// None now: every command with a handler has the parts its work needs.
constexpr std::array<UINT, 0> kAwaitingParts{};

const ResponseEntry* findResponse(UINT id)
{
    for (const ResponseEntry& e : kResponseTable)
        if (e.nId == id) return &e;
    return nullptr;
}

bool handlerEnabled(unsigned id)
{
    for (UINT nAwaiting : kAwaitingParts)
        if (nAwaiting == id) return false;
    return findResponse(id) != nullptr;
}

}  // namespace

bool TXLAWindow::HasHandler(UINT id) { return handlerEnabled(id); }

void TXLAWindow::SetUpFileDialogRecord()
{
    std::memset(&ofnData, 0, sizeof ofnData);
    ofnData.lStructSize = sizeof ofnData;
    ofnData.lpstrFilter = kDataFilter;
    ofnData.nFilterIndex = 1;
    ofnData.lpstrFile = szOpenFileNames;
    ofnData.nMaxFile = sizeof szOpenFileNames;
    ofnData.lpstrInitialDir = szLastDataDir;
    ofnData.lpstrTitle = "select files";
    ofnData.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT;
    ofnData.lpstrDefExt = "*";
    loadLastDirectory(this, szLastDataDir);
}

TXLAWindow::TXLAWindow(TWindow* parent, const char* title) : TWindow(parent, title)
{
    // The dialog transfer records of the subsystems start cleared: each is a
    // member of its subsystem's section and clears itself.
    initParamsBoxTransfer(&paramsBoxTransfer);
    clearBufferSedRecord(&bufferSedTransfer);
    clearDensgradRecord(&densgradTransfer);
    initFloToolBoxTransfer(&floToolBoxTransfer);

    // A window made by the application reads the command line and the
    // settings and asks for the disclaimer; one made by other code (a tool,
    // a test) works with the program's settings as they stand.
    const bool bStartUp = TXLAApp::IsStartingUp();

    // The command line: a parameter file makes the run unattended.
    if (bStartUp) bBatchMode = bHaveRunParameters ? 1 : 0;

    // The menu and accelerator table (the menu bar is set in SetupWindow).
    nMenuVariant = MENU_MAIN;

    // The standing file-dialog record of the load commands.
    SetUpFileDialogRecord();

    // The time-to-equilibrium dialog starts empty; its preferences and the
    // simulator's global simulation are read and made before the defaults.
    initTimeToEqTransfer(&timeToEqTransfer);
    if (bStartUp) initApproachToEq(this);

    if (bStartUp) {
        // The defaults file; the run's own settings go over it.
        readDefaultPreferences();
        // the integration ranges of the file the defaults switch on
        if (bUseIntegrationRangesFile) LoadIntegrationRanges();
        if (bBatchMode) {
            // The workers of the Lamm lists and of the normal equations: the
            // file's counts, else one per core (the results do not depend on them).
            const int nCores = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 64);
            nLammThreads = runParameters.nLammThreads > 0 ? runParameters.nLammThreads : nCores;
            nNEQThreads = runParameters.nNEQThreads > 0 ? runParameters.nNEQThreads : nCores;
            bMultiThreaded = 1;
        }
        if (bBatchMode && runParameters.bUseMinSForLogGrid >= 0) {
            bLogGridMinS = runParameters.bUseMinSForLogGrid ? 1 : 0;
            if (runParameters.fMinSForLogGrid > 0) fLogGridMinS = runParameters.fMinSForLogGrid;
        }
        // The Lamm equation settings; the unattended run keeps the defaults.
        if (!bBatchMode) ReadLammEqParameterPreferences(this);

        // The warranty disclaimer until it has been accepted once. The
        // unattended run accepts nothing on the user's behalf: it neither
        // asks nor records an answer.
        if (!bBatchMode && !defaultPreferences.bDisclaimerAccepted) {
            if (MessageBox(nullptr, kDisclaimer, "DISCLAIMER", MB_YESNO | MB_ICONQUESTION) == IDYES) {
                defaultPreferences.bDisclaimerAccepted = 1;
                writeDefaultPreferences();
            } else {
                bQuitAtStart = 1;
                CmExit();
                return;
            }
        }
    }

    // The mouse actions of the interactive scan tools.
    createMouseActions(this);

    // The unattended job runs as soon as the window exists (SetupWindow).
}

TXLAWindow::~TXLAWindow()
{
    releaseMouseActionWindow(this);
    delete pNoiseButton;
    delete pIntegrateButton;
    freePeakInfoLabels();
    if (hAccelerators) DestroyAcceleratorTable(hAccelerators);
}

void TXLAWindow::SetupWindow()
{
    ofnData.hwndOwner = HWindow;
    HMENU menu = buildCommandMenu(static_cast<MenuVariant>(nMenuVariant), handlerEnabled);
    SetMenu(menu);
    int nAccel = 0;
    const AcceleratorEntry* pAccel = acceleratorTable(static_cast<MenuVariant>(nMenuVariant), &nAccel);
    std::vector<ACCEL> accel;
    for (int k = 0; k < nAccel; ++k)
        accel.push_back(ACCEL{static_cast<BYTE>(FVIRTKEY | pAccel[k].fModifiers), static_cast<WORD>(pAccel[k].nKey),
                              static_cast<WORD>(pAccel[k].nId)});
    hAccelerators = CreateAcceleratorTable(accel.data(), nAccel);
    SetAcceleratorTable(hAccelerators);
    UpdatePreferenceChecks();
    UpdateRegularizationChecks();
    UpdateFittingOptionChecks();
    UpdateFluorescenceChecks();
    CheckMenuItem(menu, 1107, MF_BYCOMMAND | (bLogGridMinS ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 644, MF_BYCOMMAND | (bUseIntegrationRangesFile ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 529,
                  MF_BYCOMMAND | (bUsePriorProbabilities || bPriorFf0Gaussians ? MF_CHECKED : MF_UNCHECKED));
    checkPlotExecutables(this);
    SetCaption(szWindowTitle);
    layoutAndRedrawPlots();
    playStartSound();
    if (!bBatchMode) DragAcceptFiles(HWindow, TRUE);
    if (bBatchMode) PostMessage(HWindow, WM_RUN_JOB, 0, 0);
}

LRESULT TXLAWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_RUN_JOB) {
        RunJob();
        return 0;
    }
    if (msg == WM_SIZE) Invalidate(true);
    return TWindow::WindowProc(msg, wParam, lParam);
}

void TXLAWindow::EvClose() { CmExit(); }

LRESULT TXLAWindow::EvCommand(UINT id, HWND, UINT)
{
    const ResponseEntry* e = findResponse(id);
    const CommandInfo* info = findCommand(id);
    if (bHelpRequest && !(info && (info->nFlags & CMD_OWN_HELP))) {
        // the help prologue of every command that has one
        if (!info || !(info->nFlags & CMD_NO_HELP)) {
            nHelpCommand = id;
            CmHowToGetHelp();
            bHelpRequest = 0;
            return 0;
        }
        bHelpRequest = 0;
    }
    if (e && handlerEnabled(id)) (this->*(e->pHandler))();
    return 0;
}

void TXLAWindow::EvHelpRequest(UINT id)
{
    bHelpRequest = 1;
    nHelpCommand = id;
    EvCommand(id, nullptr, 0);
    bHelpRequest = 0;
    nHelpCommand = 0;
}

void TXLAWindow::CmHowToGetHelp()
{
    // The command whose help was asked for with F1 (the prologue sets it just
    // before); chosen from the menu itself, How To Get Help has none and the
    // page opens at the top. Only commands of the table have their anchor.
    const CommandInfo* info = nHelpCommand ? findCommand(nHelpCommand) : nullptr;
    nHelpCommand = 0;
    char szCaption[200] = "";
    if (info) plainCaption(info->szCaption, szCaption, sizeof szCaption);
    char szText[400];
    if (szCaption[0])
        std::snprintf(szText, sizeof szText, "Show the help page on \"%s\" in the web browser?", szCaption);
    else
        std::snprintf(szText, sizeof szText, "Show the help pages in the web browser?");
    bHelpRequest = 0;
    if (MessageBox(HWindow, szText, "HELP", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    char szAnchor[64] = "";
    if (info) std::snprintf(szAnchor, sizeof szAnchor, "#command-%u", info->nId);
    openHelpPage(szAnchor);
}

void TXLAWindow::CmExit()
{
    if (bExited) return;
    bExited = 1;
    if (bBatchMode && !bQuitAtStart) CmCustomDone();
    freeRadialGridArrays();
    freeScanData();
    releaseResultArrays();
    PostQuitMessage(0);
    playGoodbyeSoundToEnd();
}
