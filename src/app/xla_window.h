// The main window.
#pragma once

#include "fegrid/buffer_sed_dialog.h"
#include "fegrid/densgrad_dialog.h"
#include "models/lamm_params_dialog.h"
#include "models/params_dialog.h"
#include "platform/win.h"
#include "tools/fluorescence/flo_toolbox.h"

class CScreenButton;
class CWINPlot;

class TXLAWindow : public win::TWindow {
public:
    TXLAWindow(win::TWindow* parent, const char* title);
    ~TXLAWindow() override;

    // Draws the plots into the client area.
    void Paint(win::HDC dc, bool bErase, win::RECT& rect) override;

    // Each subsystem declares its members in its own section below.

    // ---------------------------------------------------------------- scan data commands (subsystem 3)
    // Loads the full paths of the pending file list as a new set.
    void LoadScanFileList();
    // The same for a reload of the set under analysis; runs the model again.
    void ReloadScanFileList();
    // Appends the scans of an open-dialog selection to the loaded set.
    void AddMoreFiles(char* szSelection);
    // Checks the loaded scans against "speedsteps.txt" in their directory.
    void CheckSpeedSteps(const char* szDrive, const char* szDir);
    // Checks the recorded elapsed times against the file time stamps; true
    // when it wrote corrected copies into the pending list.
    bool CheckTimeStamps();
    // Rebuilds every elapsed time and omega squared t from the file time
    // stamps around one reference scan (command 922).
    void CmRestoreTimeAndW2t();
    // The loaded speed profile and the scans' speeds over time (command 946).
    void CmShowRotorSpeedPlot();

    // Data menu, loading (scandata/data_menu_load.cpp): commands 200, 226,
    // 949, 298, 515, 201, 202, 1103-1106, 867, 877 and files dropped on the
    // window.
    void CmLoadNewFiles();
    void CmAddMoreFiles();
    void CmAutoLoadMultiSpeed();
    // The multi-speed load followed by the switch to the ls-g*(s) model.
    void AutoLoadAndCorrect();
    void CmLoadDLSData();
    void CmLoadEquilibriumData();
    void CmEditDataFiles();
    void CmSetInitialData();
    void CmRestoreMeanFieldCtot();
    void CmExportMeanFieldCtot();
    void CmDisplayCtotMgMl();
    void CmClearMeanFieldCtot();
    void CmDiagnosticsOutput();
    void CmToggleExportMatrices();
    void EvDropFiles(win::HDROP hDrop) override;
    // Reads a DRELLIX experiment file and loads the scans it names
    // (scandata/xp_file.cpp).
    void LoadXpFile(const char* szPath);

    // Data menu, saving (scandata/data_menu_save.cpp): commands 203, 827,
    // 1098, 252, 263, 231, 289, 917, 225, 896 and 577.
    void CmSaveFitData();
    void CmUpdateSavedFitParameters();
    void CmReloadSavedFitParameters();
    void CmSaveNoise();
    void CmSaveRawDataSet();
    void CmSaveIntensityAsAbsorbance();
    void CmSaveIntensityAsPseudoAbsorbance();
    void CmAverageScans();
    void CmSaveEquilibriumData();
    void CmTransformEquilibriumMStar();
    void CmExportXp();
    // The rotor-stretch correction of the raw-data tools.
    void CmUndoRotorStretch();
    // Display: systematic noise of the last fit off the raw data and the TI
    // part back on (scandata/noise_subtraction.cpp).
    void CmSubtractTiNoise();
    void CmSubtractRiNoise();
    void CmSubtractAllNoise();
    void CmRestoreTiNoise();
    // Raw-data transformations (scandata/raw_transform_tools.cpp).
    void CmInvertRawData();
    void CmRecalibrateRadius();
    void CmTimeOffset();
    void CmAddSubtractScans();
    void CmMirrorData();
    void CmAddNoiseToData();
    void CmSubtractConstant();
    void CmSubtractBlankScan();
    void CmSubtractNoiseFromEqData();
    // Writes the scan file with the fitted TI noise taken off, inside the grid.
    void SubtractNoiseFromEqData(const char* szScanPath, const char* szOutputPath);
    // Switch of the simulated Wiener skewing and its settings dialog (true
    // when an entry was taken) (scandata/wiener_settings.cpp).
    void CmWienerSkewing();
    bool AskWienerSkewingParameters();
    // Raw-data editing tools (scandata/raw_edit_tools.cpp); the rotor-stretch
    // correction CmUndoRotorStretch is declared with the Data menu above.
    void CmExtractSpeedSchedule();
    void CmSaveSixChannelSubsets();
    void CmExcludeRegion();
    void CmEliminateJitter();
    void CmRemoveFringeJump();
    void CmAlignInterferenceOffset();
    // The interactive scan tools (mouse actions): the single-scan fringe-jump
    // tool (commands 1111 and 199), the all-scans fringe-jump tool (1110) and
    // the scratch tracking (1109) (scandata/fringe_jump_tool.cpp,
    // fringe_jump_all_tool.cpp, scratch_tracking_tool.cpp).
    void CmFixPointScanFringeJump();
    void CmFixScratchJumpSingleScan();
    void CmFixScratchJump();
    void CmTrackScratch();
    // Realtime update of files (scandata/realtime_update.cpp): commands 540
    // and 541, and the window timer that drives it.
    void CmRealtimeUpdate();
    void CmStopRealtimeUpdate();
    void EvTimer(win::UINT timerId) override;

    // ---------------------------------------------------------------- main window (subsystem 4)
    // Start-up and life cycle (app/xla_window.cpp).
    void SetupWindow() override;
    win::LRESULT WindowProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override;
    // The response table: a command goes to its TXLAWindow::Cm... member.
    win::LRESULT EvCommand(win::UINT id, win::HWND hWndCtl, win::UINT notifyCode) override;
    // F1 on a highlighted menu item: sets bHelpRequest and runs the command,
    // whose help prologue then offers the help page instead of acting.
    void EvHelpRequest(win::UINT id) override;
    // The constructor asked to end the program (the disclaimer was refused).
    bool QuitRequested() const { return bQuitAtStart != 0; }
    // The menu variant chosen and the menu bar and accelerator table built
    // from the command table.
    int nMenuVariant = 0;
    win::HACCEL hAccelerators = nullptr;
    // True when the response table has a handler for the command and its
    // work does not wait for a part not built yet: its item is enabled.
    static bool HasHandler(win::UINT id);

    // Data > Exit: results of the unattended run, freeing, quit, goodbye.
    void CmExit();
    // Writes the results folder of the unattended run.
    void CmCustomDone();
    // Runs the unattended job (app/run_mode.cpp).
    void RunJob();
    void RunJobSteps();
    // Offers the help page of the command whose help was asked for.
    void CmHowToGetHelp();

    // Transfer records and file dialogs.
    win::OPENFILENAME ofnData{};          // standing record of the load dialogs
    void SetUpFileDialogRecord();
    // The open dialog ("All Files (*.*)") on the folder of szPath; true with
    // the chosen path in szPath (nSize characters), false on Cancel with
    // szPath as it was (app/file_dialogs.cpp).
    bool AskOpenFileName(char* szPath, int nSize, const char* szTitle);

    // Painting (app/window_paint.cpp).
    float fClientWidth = 0.0f;            // client area in pixels, stored by every paint
    float fClientHeight = 0.0f;
    unsigned char bHelpRequest = 0;       // F1 on a highlighted menu item
    unsigned nHelpCommand = 0;            // the command whose help was asked for
    unsigned char bCtotBusy = 0;          // paint suspended around prompts
    unsigned char bRunning = 0;           // Run and Fit are working: paint, mouse and keys wait
    unsigned char bFitting = 0;
    // Appends text to the diagnostics file while diagnostics output is on.
    void DebugLog(const char* szText);
    // Invalidates and erases the whole window unless in batch mode.
    void InvalidateUnlessBatch();
    // Draws the plots at once unless in batch mode.
    void DrawPlotsUnlessBatch();
    // Plays the plot pictures onto a context whose client area is w x h pixels.
    void PaintPlots(win::HDC dc, int nWidth, int nHeight);
    // Hit tests against the points of a scan, in per mille of the picture.
    bool HitDataPoint(int nScan, float fX, float fY, float fTolX, float fTolY);
    bool HitResidualPoint(int nScan, float fX, float fY, float fTolX, float fTolY);
    // The client pixel lies inside the frame of the shown data plot.
    bool PointInDataPlot(int nX, int nY);
    // Vertical marker lines over the plots in XOR mode (twice erases):
    // DrawXorMarker at a client pixel, DrawXorLine at a logical x (0..1399).
    void DrawXorMarker(int nXPixel);
    void DrawXorLine(int nXLogical);
    // Redraws the meniscus, bottom and fit-limit markers.
    void DrawMarkers();
    // The data have no point with four successive slopes above the gradient
    // limit (else a message and false).
    bool CheckMaxGradient();
    // Brings the menu bar up to date with the loaded data.
    void UpdateFloToolsMenu();
    // Show or remove the on-screen noise button: a toggle over the top right
    // of the data plot that takes the fitted TI and RI noise off the raw data
    // ("remove TI and RI") and puts the TI noise back ("restore TI noise").
    void ShowNoiseButtons();
    void DeleteNoiseButtons();
    CScreenButton* pNoiseButton = nullptr;
    // A click on the noise button (x, y client pixels): true when it was hit.
    bool NoiseButtonClicked(int nX, int nY);
    // The integrate button of the distribution plot and the peak labels
    // (app/integrate_buttons.cpp): the button flipped and repainted; its
    // click; the labels removed; both painted after the plots; clicks on
    // them (x, y client pixels: true when one was hit).
    CScreenButton* pIntegrateButton = nullptr;
    void ToggleIntegrateButton();
    void OnIntegrateButton();
    void ClearPeakInfo();
    void PaintIntegrateButtons();
    bool IntegrateButtonClicked(int nX, int nY);
    bool PeakLabelClicked(int nX, int nY);
    // The right-button drag of a range selection on the distribution plot:
    // the plot coordinates of a client pixel (beyond the frame its edge), the
    // range drawn while the mouse moves, and the rectangle's end (true when a
    // selection took the event).
    bool DistributionPlotValueAt(int nX, int nY, float* pfX, float* pfY);
    bool RangeSelectionMouseMove(const win::POINT& point);
    bool FinishRangeSelection(int nStartX, int nStartY, const win::POINT& point);
    // Shades in the data plot the boundary region of the s range [fLow,
    // fHigh] in every scan; per scan i (arrays 1..nScans, each may be null)
    // the first and last point of the region (0 and 0 when it holds none) and
    // its transport value.
    void DrawShadedDistribution(float fLow, float fHigh, int* pFirst, int* pLast, float* pTransport);

    // Mouse and keys (app/window_input.cpp).
    void EvLButtonDown(win::UINT modKeys, const win::POINT& point) override;
    void EvLButtonUp(win::UINT modKeys, const win::POINT& point) override;
    void EvLButtonDblClk(win::UINT modKeys, const win::POINT& point) override;
    void EvRButtonDown(win::UINT modKeys, const win::POINT& point) override;
    void EvRButtonUp(win::UINT modKeys, const win::POINT& point) override;
    void EvRButtonDblClk(win::UINT modKeys, const win::POINT& point) override;
    void EvMouseMove(win::UINT modKeys, const win::POINT& point) override;
    void EvKeyDown(win::UINT key, win::UINT repeatCount, win::UINT flags) override;
    void EvChar(win::UINT key, win::UINT repeatCount, win::UINT flags) override;
    // The frame's close button: as Data > Exit.
    void EvClose() override;
    bool bZoomDragging = false;           // a zoom window is being dragged
    bool bMarkerDragging = false;
    int nDragStartX = 0, nDragLastX = 0, nDragMarker = 0;
    int nRightDragStartX = -1;            // where the right button went down, -1 when up
    int nRightDragStartY = -1;
    // Point deletion: the Delete key over a point of the data plot removes
    // it from its scan's file, after a question (deleteScanPoint).
    win::POINT ptMouse{-1, -1};           // the last mouse position (client pixels)
    void DeletePointUnderMouse();

    // Commands of the main window (app/window_commands.cpp).
    void CmDataRange();
    void CmFullRange();
    void CmUpdate();
    void CmToggleDisplayFlag210();
    void CmCheckElapsedTime();
    void CmSetRadialResolution();
    void CmSetGradientLimit();
    void CmToggleMouseSliding();
    void CmPreferences();
    void CmPrint();
    void CmFlagStrongGradients();
    void CmWizardMessages();
    void CmMultipleThreads();
    void CmScanColorFromTime();
    void CmShowResidualsBitmap();
    void CmOldFilenameConvention();
    // Copy Fit Parameters (204): the fit-parameter report on the clipboard.
    void CmCopyFitParameters();
    // Sets the check marks of the preference commands from their flags.
    void UpdatePreferenceChecks();

private:
    unsigned char bQuitAtStart = 0;
    unsigned char bExited = 0;

public:
    // ---------------------------------------------------------------- models and fit parameters (subsystem 7)
    // Offers to restore the parameters saved beside the data; true when restored.
    bool OfferRestorePreviousAnalysis(int bAsk);
    // Reads a saved parameter file back and re-selects its model; true
    // when the file was applied.
    bool ReloadParameters(const char* szPath);
    // The parameter dialog of the current model (command 212).
    void CmParameters();
    // Switches the species description between (M, s) and (D, s) (command 217).
    void CmFitMAndS();
    // The Lamm equation settings in their dialog (command 611) and the
    // dialog's transfer record.
    void CmLammEquationParameters();
    LammPTransfer lammPTransfer{};
    // The parameter dialog's transfer record.
    ParamsBoxTransfer paramsBoxTransfer{};

    // Model selection (models/model_selection.cpp): the reset before every
    // model choice, the discrete, geometry, interacting and equilibrium
    // models, linear-geometry data (290), the Faxen simulation (530) and the
    // time-dependent s and M (266).
    void ResetModelSelection();
    void CmModelDiscreteSpecies();
    void CmModelLinearLammEquation();
    void CmModelExternalLoadingCell();
    void CmModelReservedGeometry();
    void CmModelElectrophoresis();
    void CmModelZoneDiscrete();
    void CmModelMonomerDimer();
    void CmModelMonomerTrimer();
    void CmModelSelfAssoc148();
    void CmModelSelfAssoc124();
    void CmModelHeteroAssociation();
    void CmModelNonidealSingle();
    void CmModelHinderedSingle();
    void CmModelNonidealMultiple();
    void CmEquilibriumDiscreteSpecies();
    void CmEquilibriumHeteroAssociation();
    void CmModelDlsStokesRadii();
    void CmModelDlsCumulants();
    void CmModelLsgv();
    void CmLoadElectrophoresisData();
    void CmSimulateFaxen();
    void CmFitTimeDependentSM();
    // Continuous models (models/continuous_selection.cpp): the shared c(M)
    // set-up (235) and every variant.
    void CmModelContinuousCM();
    void CmModelCS();
    void CmModelCSConformationalChange();
    void CmModelCSInvariantD();
    void CmModelCSOneDiscrete();
    void CmModelCSBimodalFf0();
    void CmModelCSBimodalFf0OneDiscrete();
    void CmModelCSFixFf0FloatingVbar();
    void CmModelCSWormlikeChain();
    void CmModelCSScalingLaw();
    void CmModelCSWithMsTable();
    void CmModelCSFlotation();
    void CmModelNonidealCS();
    void CmModelHinderedCS();
    void CmModelCSFf0();
    void CmModelCSFf0OneDiscrete();
    void CmModelCSLinearRods();
    void CmModelFMScalingLaw();
    void CmModelCMInvariantD();
    void CmModelCMPowerLaw();
    void CmModelCMVbarM();
    void CmModelElectrophoresisCV();
    void CmModelLsgs();
    void CmModelLsgsOneDiscrete();
    void CmModelHybridCSLsgs();
    void CmModelZoneCS();
    void CmModelZoneLsgs();
    void CmModelDlsRh();
    void CmModelDlsD();
    void CmModelDlsRhTime();
    void CmExtrapolateAreaFractions();
    void CmVanHoldeWeischet();
    // Fit ranges of meniscus and bottom (models/meniscus_bottom_ranges.cpp):
    // command 240 always asks; the parameter dialog's call (bForce false)
    // asks only when the ranges are not valid.
    void CmSetMeniscusBottomLimits();
    void SetMeniscusBottomRanges(bool bForce);
    // Model evaluation (models/model_evaluation.cpp): the model values of the
    // current model and parameters at every data point; the solver-object
    // road of the discrete species; the message of a solver's error number.
    void CalcModel();
    int CalcDiscreteSpeciesModel();
    void ReportSimulationError(int nError);

    // ---------------------------------------------------------------- global-grid propagation and solvent models (subsystem 6)
    // The buffer-mismatch model: true when it may be used with the current
    // model and data (else it is switched off with a message); its signal
    // added to the model after the species.
    bool CheckBufferSedCompatibility();
    void SimulateBufferSignal();
    // Command 552 (the model in its dialog, Ctrl+B) with the dialog's record;
    // command 576 (the signal subtracted from the data, the model off); the
    // model off: menu item 552 unticked and the fourth species row removed.
    void CmBufferSedimentation();
    void CmSubtractBufferMismatch();
    void SwitchOffBufferSedimentation();
    BufferSedTransfer bufferSedTransfer{};
    // Command 542 (Alt+I): the inhomogeneous solvent in its dialog, with the
    // dialog's record.
    void CmInhomogeneousSolvent();
    void RunDensgradDialog();
    DensgradTransfer densgradTransfer{};

    // ---------------------------------------------------------------- fitting (subsystem 8)
    // One evaluation of the current model on the loaded data (Run, Ctrl+R);
    // the loaders' Run; the switch of the simulations beyond the last scan
    // (223) and the direct boundary model from a g(s*) file (533)
    // (fitting/run_commands.cpp).
    void CmRun();
    void RunFromKeyboard();
    // Fits the current model (command 215; fitting/fit_command.cpp); the
    // restarted simplex of the discrete models, 1 when it ran or there was
    // nothing to fit (fitting/fit_driver.cpp).
    void CmFit();
    unsigned char RunFit();
    void CmToggleSimulateBeyondLastScan();
    void CmTransformGsToBoundaryModel();
    // The fitted-parameter text at the top of the window, built and painted
    // (fitting/parameter_text.cpp); the last fit's information shown again.
    void ShowModelParameters();
    void CmShowLastFitInfo();
    // Synthetic data (fitting/synthetic_data.cpp): Generate > Single (214)
    // and Generate > Series (647), and the scans of the current model written
    // into the folder of szPath: spacing dr (cm), rotor speed (rpm),
    // acceleration (rpm/s, not above 0: none), noise sigma, scan interval and
    // first scan time (0: one interval after the start) in s, scan count.
    void CmGenerateSingle();
    void CmGenerateSeries();
    void GenerateSyntheticData(int bKeepData, float dr, float fRpm, float fAcceleration, float fNoise,
                               float fInterval, float fFirstTime, int nScansOut, const char* szPath);
    // Statistics > Monte-Carlo for Distributions (296) and for Integrated
    // Weight-Average s-Values (546) (fitting/monte_carlo_commands.cpp).
    void CmMonteCarloDistributions();
    void CmMonteCarloWeightAverageS();
    // Serialised batch fits (fitting/serial_fit.cpp, serial_ploka.cpp): by
    // cell number or subdirectory (593), by the "list.*" files (904), and
    // with PLOKA monitoring (923).
    void CmSerializeFitByCell();
    void CmSerializeFitByList();
    void CmSerializeFitWithPlokaMonitoring();
    // The rules of thumb on residuals, meniscus, bottom and distribution ends
    // after Run and Fit, in "Help Wizard" boxes (fitting/fit_wizard.cpp).
    void FitWizardCheckResiduals();
    // The optimiser of fits, exactly one with its check mark: simplex (1202),
    // simulated annealing with its settings (1203), Marquardt-Levenberg
    // (1204) (fitting/fitting_options.cpp).
    void CmSimplexAlgorithm();
    void CmSimulatedAnnealing();
    void CmMarquardtLevenberg();
    void UpdateFittingOptionChecks();
    // F-statistics (fitting/f_statistics.cpp): the variance ratio (272) and
    // the confidence intervals of s (285) and of M or D (286).
    void CmVarianceRatio();
    void CmErrorInS();
    void CmErrorInM();
    // Error contour maps (fitting/error_contours.cpp): s and M (241), s1 and
    // s2 (244), lg(K) (245).
    void CmContourSM();
    void CmContourS1S2();
    void CmContourK();

    // ---------------------------------------------------------------- continuous distributions (subsystem 9)
    // The regularization method, one of four (294, 295, 1118, 642), with the
    // check marks (distributions/regularization_commands.cpp).
    void CmRegularizationSecondDerivative();
    void CmRegularizationMaxEnt();
    void CmRegularizationWeightedThirdDerivative();
    void CmRegularizationBothShown();
    void UpdateRegularizationChecks();
    // The mean-field ctot(r,t) of the non-ideal c(s) model: restore from
    // files, export, display and the flag behind them.
    void LoadCtotDataFiles(int bAsk);
    // After a reload of the non-ideal c(s): offers the mean field saved
    // beside the parameter file.
    void LoadCtotDataWithParameters(const char* szParameterPath);
    void SaveCtotDataFile();
    void UseCtotDataFlag();
    // The frames of the mean field over the data plot while bShowCtotOverlay
    // is set (the first paint may only widen the plot's signal range).
    void PaintCtotOverlay(CWINPlot* pPlot, win::HDC dc);
    // The on-screen "select range" / "integrate" buttons of the distribution
    // plot, made for every new distribution plot and deleted with it
    // (app/integrate_buttons.cpp).
    void ShowIntegrateButtons();
    void DeleteIntegrateButtons();
    // Reading the distribution: Integrate Distribution (456), Rescale (457)
    // and Fullscale Distribution Plot (458), the differential-to-integral and
    // c(s)-to-c(M) transforms (460, 589), Show Peak Mw (608) and the
    // integration-range file (644) (distributions/range_selection.cpp,
    // peak_labels.cpp, integration_ranges.cpp).
    void CmIntegrateDistribution();
    void CmRescaleDistributionPlot();
    void CmFullscaleDistributionPlot();
    void CmDifferentialToIntegral();
    void CmTransformCSToCM();
    void CmShowPeakMw();
    void CmUseIntegrationRangesFromFile();
    // The ranges file chosen in the open dialog and written into
    // "integratrangefile.txt", then loaded; false on Cancel or failure.
    bool SelectIntegrationRangesFile();
    int LoadIntegrationRanges();
    // The report of the file's ranges: "integrals.dat" beside the scans,
    // opened in the text editor, and the table on the clipboard; 1 when made.
    int IntegrateRangesFromFile();
    // The peak labels and the "PEAK INFO" box of label k.
    void ShowPeakInfo();
    void ReportIntegral(int k);
    // A selection: the cross cursor; the range [x1, x2] drawn over the curve;
    // its integration (y1, y2 the second-axis range of two-dimensional
    // results); the zoom to it. SelectPeakRange also keeps the range during a
    // realtime update, which shows it again after every refit.
    void StartRangeSelection();
    void DrawSelectedRange(float x1, float x2, int nStyle, win::COLORREF cr);
    void IntegrateSelectedRange(float x1, float x2, float y1, float y2);
    void SelectPeakRange(float fLow, float fHigh);
    // Prior knowledge (distributions/prior_commands.cpp): Use Prior
    // Probabilities (529) with its dialog, Prior Knowledge of Discrete
    // Species (633; in table mode the dialog's peak table only takes the
    // peaks found), and the reader of a prior file of the peak-table ("GJT")
    // layout, true when read.
    void CmUsePriorProbabilities();
    void RunPriorParamsBox();
    void CmPriorKnowledgeDiscreteSpecies();
    void PriorKnowledgeDiscreteSpecies(bool bTableMode);
    bool ImportGJPrior();

    // ---------------------------------------------------------------- equilibrium and classical analyses (subsystem 10)
    // The approach-to-equilibrium test (645) and the sorting of equilibrium
    // scans to disk (579) (analyses/eqtest/).
    void CmTestApproachToEquilibrium();
    void CmSortEqDataToDisk();
    // The tables behind the M* plots on the clipboard (analyses/mstar/):
    // Copy Ln(c) Data (918), Copy M* Data (919), Copy Mavg Data (920).
    void CmCopyLnCData();
    void CmCopyMStarData();
    void CmCopyMavgData();
    // The time-to-equilibrium tool (analyses/timetoeq/time_to_eq_commands.cpp):
    // Minimize Time to Equilibrium (874), the speed-steps / method conversion
    // (928) and the time-to-equilibrium simulator (929, 940, 941, 933, 938,
    // 934, 932, 936, 935).
    void CmMinimizeTimeToEquilibrium();
    void CmConvertSpeedFile();
    void CmToseLoadRotorSpeedProfile();
    void CmToseLoadParameterFile();
    void CmToseSaveParameterFiles();
    void CmToseParameters();
    void CmToseRunConstantSpeed();
    void CmToseRunSpeedProfile();
    void CmToseOptimize();
    void CmToseSaveResultFiles();
    void CmTosePlokaScans();

    // ---------------------------------------------------------------- side data, calculators and exports (subsystem 11)
    // Light-scattering data (tools/dls/): loads the dlsdat files of an
    // open-dialog selection as the data set; Save Mean DLS Data (500), the
    // switch between g(1) and g(2)-1 (898), Always Load g(2)-1 (1215).
    void LoadDlsData(char* szSelection);
    // Options > Fluorescence Tools (tools/fluorescence/): one detector option
    // at a time (commands 911/912, 913/914, 909/910, 905/907, 906/908 and
    // 925), all of them in the FloTools dialog (915), and the sorting of
    // fluorescence scan files by detector setting (903).
    void CmSignalRadialConvolution();
    void CmExcitationShadowAtBottom();
    void CmSignalMagnificationDriftWithTime();
    void CmSignalMagnificationRadialGradient();
    void CmNonlinearDetection();
    void CmFluorescenceOption925();
    void CmFluorescenceTools();
    void CmSortFluorescenceData();
    // The check marks of the fluorescence options' menu items from the options.
    void UpdateFluorescenceChecks();
    // The transfer record of the FloTools dialog.
    FloToolBoxTransfer floToolBoxTransfer{};
    void CmSaveMeanDlsData();
    void CmToggleIntensityFieldAcf();
    void CmAlwaysLoadG2();
    // The instrument converters (299, 543, 584, 601, 897, 583, 534, 532, 600,
    // 527, 544) and the CD data command that is not implemented (528).
    void CmConvertDlsPs99v520();
    void CmConvertDlsPs99v526();
    void CmConvertDlsPs99v62();
    void CmConvertDlsPsV4();
    void CmConvertDlsDynamics7();
    void CmConvertDlsPhotoCor();
    void CmConvertDlsAlv();
    void CmConvertDlsTwoColumnAscii();
    void CmConvertDlsTwoColumnG2();
    void CmConvertDlsBic9k();
    void CmConvertDlsOldDosBic();
    void CmConvertCdData();
    // Calculators (tools/calculators/): hydrodynamics (547, 578, 270, 276,
    // 830, 831, 606, 582) and the transforms of a computed s-distribution
    // (525, 836); the boundary calculators (889, 545, 462, 461, 463); buffer
    // density and viscosity (1119); the protein sequence (895); equilibrium
    // rotor speeds (875).
    void CmCalcEllipsoid();
    void CmCalcFrictionalForce();
    void CmCalcAxialRatios();
    void CmCalcSOfM();
    void CmCalcSOfRh();
    void CmCalcRhOfS();
    void CmCalcMs();
    void CmCalcS20w();
    void CmTransformSDistribution();
    void CmTransformToS20w();
    void CmBoundaryBroadening();
    void CmCalcSwSecondMoment();
    void CmCalcWeightAverageS();
    void CmCalcRadialDilution();
    void CmCalcPressure();
    void CmCalcBufferDensityViscosity();
    void CmCalcFromSequence();
    void CmEstimateEqRotorSpeed();
    // s from the output of the boundary-element hydrodynamics programs (885)
    // and the minimum s of logarithmic grids (1107) (tools/exports/).
    void CmExtractSFromBest();
    void CmMinimumSValueForLogGrid();
    // Outside plotting programs (tools/exports/outside_plots.cpp): the
    // plotting executables of the "bin" folder (878-883) and PLOKA (899, 900
    // and 901).
    void CmPlotDataIn3dGraph();
    void CmMakeSedimentationMovie();
    void CmMatlabPlotDataFitRes();
    void CmMatlabPlotDataFitResDistribution();
    void CmMatlabPlotSizeAndShape();
    void CmPlotTriangulatedStructure();
    void CmPlokaCofsPlot();
    void CmPlokaDataFitResidualsPlot();
    void CmPlokaPlot();
    // The HydroPro launcher (tools/calculators/hydropro.cpp): command 876.
    void CmStartHydroPro();
};
