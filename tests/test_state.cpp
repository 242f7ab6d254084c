#include "test_state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <functional>
#include <type_traits>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "analyses/time_dependent_sm.h"
#include "analyses/eqtest/eq_test_state.h"
#include "analyses/equilibrium/single_species.h"
#include "analyses/timetoeq/speed_step_optimizer.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "app/xla_app.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/ctot_movie.h"
#include "distributions/distribution_integration.h"
#include "fegrid/buffer_sedimentation.h"
#include "fitting/parameter_text.h"
#include "fegrid/global_grid.h"
#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/peak_information.h"
#include "distributions/prior_probabilities.h"
#include "distributions/s_grid.h"
#include "distributions/step_profiles.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/propagators.h"
#include "fegrid/interacting_coefficients.h"
#include "models/model_evaluation.h"
#include "lamm/lamm_globals.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/max_entropy.h"
#include "distributions/monte_carlo.h"
#include "distributions/neq_builders.h"
#include "distributions/neq_threads.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "distributions/root_finders.h"
#include "distributions/regularization.h"
#include "distributions/normal_equations.h"
#include "fitting/error_contours.h"
#include "fitting/fit_globals.h"
#include "fitting/linear_parts.h"
#include "fitting/marquardt.h"
#include "fitting/serial_fit.h"
#include "fitting/synthetic_data.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "fegrid/loading_cell.h"
#include "fegrid/element_quadrature.h"
#include "fegrid/densgrad_dialog.h"
#include "numerics/linear_algebra.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "plot/mouse_tracker.h"
#include "plot/plot_fonts.h"
#include "plot/cwinplot.h"
#include "plot/progress_line.h"
#include "plot/sounds.h"
#include "scandata/data_menu.h"
#include "scandata/fringe_jump_tools.h"
#include "scandata/mouse_actions.h"
#include "scandata/noise_grid.h"
#include "scandata/realtime_update.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"
#include "scandata/scratch_tracking_tool.h"
#include "scandata/tool_plots.h"
#include "scandata/wiener_settings.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"
#include "lamm/lamm_globals.h"
#include "tools/fluorescence/file_name_tables.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"
#include "tools/exports/xp_export.h"

namespace {

// The values some globals had at the start, put back on demand. Pointers are
// kept as the null (or the static storage) they start with: what they own is
// released before they are put back.
class StartValues {
public:
    template <class T>
    void keep(T& x)
    {
        if constexpr (std::is_trivially_copyable_v<T>) {
            std::vector<unsigned char> bytes(sizeof x);
            std::memcpy(bytes.data(), &x, sizeof x);
            restorers.push_back([&x, bytes] { std::memcpy(&x, bytes.data(), sizeof x); });
        } else {
            restorers.push_back([&x, saved = x] { x = saved; });
        }
    }
    // The n elements that p points at (static storage behind a global pointer).
    template <class T>
    void keepElements(T* p, int n)
    {
        std::vector<T> saved(p, p + n);
        restorers.push_back([p, saved] { std::copy(saved.begin(), saved.end(), p); });
    }
    void restore() const
    {
        for (const auto& r : restorers) r();
    }

private:
    std::vector<std::function<void()>> restorers;
};

// ---------------------------------------------------------------- scan data set

void keepScanDataGlobals(StartValues& s)
{
    s.keep(nScans);
    s.keep(ppScanFileName);
    s.keep(pScanHeaders);
    s.keep(pScanPoints);
    s.keep(ppRadius);
    s.keep(ppSignal);
    s.keep(ppThirdColumn);
    s.keep(ppFit);
    s.keep(ppModelPart);
    s.keep(ppResidual);
    s.keep(pScanTimeOrder);
    s.keep(pFitFirstIndex);
    s.keep(pFitLastIndex);
    s.keep(ppRadiusVec);
    s.keep(ppSignalVec);
    s.keep(ppFitVec);
    s.keep(ppResidualVec);
    s.keep(ppThirdColumnVec);
    s.keep(ppSignalCurve);
    s.keep(ppFitCurve);
    s.keep(ppResidualCurve);
    s.keep(ppThirdColumnCurve);
    s.keep(pDlsHeaders);
    s.keep(bAbsorbanceData);
    s.keep(bIntensityData);
    s.keep(bInterferenceData);
    s.keep(bFluorescenceData);
    s.keep(bElectrophoresisData);
    s.keep(bDLSData);
    s.keep(bEquilibriumDataMode);
    s.keep(bMixedDataTypes);
    s.keep(bDataChanged);
    s.keep(fTemperatureK);
    s.keep(fRT);
    s.keep(dSignalPerMgMl);
    s.keep(fRadialResolution);
    s.keep(nLoadEveryNth);
    s.keep(pLoadProgress);
    s.keep(fSpikeThreshold);
    s.keep(nScanFilePointsLeftOut);
    s.keep(szScanFileProblem);
    s.keep(szScanDrive);
    s.keep(szScanDir);
    s.keep(szScanName);
    s.keep(szScanExt);
    s.keep(szListFilePath);
    s.keep(szNotesPath);
    s.keep(szScanExtra);
    s.keep(szDistCurvePath);
    s.keep(szSideFileFolder);
    s.keep(bLoadFromListDirectory);
    s.keep(szChosenDrive);
    s.keep(szChosenDir);
    s.keep(bCheckTimeStamps);
    s.keep(ppPendingFileName);
    s.keep(nPendingFiles);
    s.keep(pRotorSpeedProfile);
    s.keep(bUsingSpeedSteps);
    s.keep(bSpeedChangesInScans);
    s.keep(bApproachToEqPattern);
    s.keep(pNoiseGrid);
    s.keep(nNoiseGridPoints);
    s.keep(ppScanOnNoiseGrid);
    s.keep(bScanOnNoiseGridOwned);
    s.keep(pTINoise);
    s.keep(pRINoise);
    s.keep(pTINoiseSaved);
    s.keep(pTINoiseAux);
    s.keep(pRINoiseSaved);
    s.keep(nNoiseGridFirst);
    s.keep(nNoiseGridLast);
    s.keep(fNoiseGridSum);
    s.keep(fNoiseGridCount);
    s.keep(pppExtraNoiseScan);
    s.keep(ppExtraNoiseProfile);
    s.keep(ppExtraNoiseAmplitude);
    s.keep(pExtrapolation1);
    s.keep(pExtrapolation2);
    s.keep(pExtrapolation3);
    s.keep(nExtrapolationPoints);

    // the Data menu's selection, file names and tool settings
    s.keep(szOpenFileNames);
    s.keep(szXpFileName);
    s.keep(szSelDrive);
    s.keep(szSelDir);
    s.keep(szSelName);
    s.keep(szSelExt);
    s.keep(szFitFileTemplate);
    s.keep(fTrackScratchWindowWidth);
    s.keep(fTrackScratchRandomShift);
    s.keep(fTrackScratchRmsdPrecision);
    s.keep(nFringeJumpWindowPoints);
    s.keep(fScratchJumpCheckDistance);
    s.keep(bWienerSkewing);
    s.keep(fWSkew);
    s.keep(bWSkewFloating);
    s.keep(fWSkewSignalPerMgMl);

    // the realtime update of files
    s.keep(bRealtimeStopping);
    s.keep(nRealtimeTimerId);
    s.keep(nRealtimeTimerMs);
    s.keep(nRealtimeMaxFilesAtOnce);
    s.keep(nRealtimeMaxFileNumber);
    s.keep(ppRealtimeFileName);
    s.keep(nRealtimeFirstNumber);
    s.keep(nRealtimeLastNumber);
    s.keep(nRealtimeLastPolled);
    s.keep(bRealtimeForceReload);
    s.keep(bRealtimeNoAutoRange);
    s.keep(bRealtimeTemperatureWarned);
    s.keep(bRealtimeLoadAllCells);
    s.keep(stLastChange);
    s.keep(szRealtimeFileList);
}

// The mouse-action registry goes as a whole: a fresh process makes it with
// its first main window.
void releaseMouseActions()
{
    if (!mouseActions) return;
    endActiveMouseActions();
    for (int i = 1; i <= nMouseActions; ++i) delete mouseActions[i];
    delete[] mouseActions;
    mouseActions = nullptr;
}

void releaseScanData()
{
    freeScanData();  // the scans, their views, noise arrays and main plots
    freeScanFileList();
    freeExtrapolationArrays();
    delete pRotorSpeedProfile;
    pRotorSpeedProfile = nullptr;
    delete pLoadProgress;
    pLoadProgress = nullptr;
    delete[] ppRealtimeFileName;
    ppRealtimeFileName = nullptr;
}

// ---------------------------------------------------------------- main window and application

void keepAppGlobals(StartValues& s)
{
    s.keep(bBatchMode);
    s.keep(szWindowTitle);
    s.keep(bModelComputed);
    s.keep(bRealtimeUpdate);
    s.keep(bRealtimeError);
    s.keep(bAutoLoadMultiSpeed);
    s.keep(bLoadFromList);
    s.keep(bWindowPainted);
    s.keep(nLastPlotUpdate);  // the refresh throttle: each test starts its clock at 0
    s.keep(bPlotUpdated);
    s.keep(bSound);
    s.keep(bAbortRequested);
    s.keep(bResultsWritten);
    s.keep(bRepaintAfterCalc);
    s.keep(szTempDir);
    s.keep(bDiagnosticsLamm);
    s.keep(bDiagnosticsThreads);
    s.keep(nLammThreads);
    s.keep(fFitLeftLim);
    s.keep(fFitRightLim);
    s.keep(fExtrapolationDistanceFactor);
    s.keep(nPolynomOrder);
    s.keep(bSetNColumns);
    s.keep(nDataColumns);
    s.keep(bDontLoadSpikes);
    s.keep(fSpikeLevel);
    s.keep(fSpikeThresholdFDS);
    s.keep(bOldFilenameConvention);
    s.keep(szSoundError);
    s.keep(szSoundInfo);
    s.keep(szSoundQuestion);
    s.keep(szSoundFitDone);
    s.keep(szSoundHi);
    s.keep(szSoundBye);
    s.keep(szSoundOk);
    s.keep(szSoundBeer);
    s.keep(pDataPlot);
    s.keep(pResidualsPlot);
    s.keep(pResidualsBitmapPlot);
    s.keep(nClientWidth);
    s.keep(nPlotTop);
    s.keep(nPlotBottom);
    s.keep(nResidPlotTop);
    s.keep(nResidPlotBottom);
    s.keep(nClientHeight);
    s.keep(bDiagnostics);
    s.keep(bDisplayFlag210);
    s.keep(bKeepPlotLayout);
    s.keep(bShowParameterText);
    s.keep(bErrorPropagationToSw);
    s.keep(bRealtimeAutoAdjustRange);
    s.keep(bProgressTick);
    s.keep(bShowResiduals);
    s.keep(bShowResidualsBitmap);
    s.keep(bShowResidualsHistogram);
    s.keep(fZoomXMin);
    s.keep(fZoomXMax);
    s.keep(fZoomYMin);
    s.keep(fZoomYMax);
    s.keep(nZoomLevel);
    s.keep(pAdHocPlotOwner);
    s.keep(pAdHocWinPlot);
    s.keep(nHitScan);
    s.keep(nHitResidualScan);
    s.keep(szRealtimeStatus);
    s.keep(szRealtimeChecked);
    s.keep(szStatusText);
    s.keep(bShowStatusText);
    s.keep(pAuxPlot);
    for (float** pp : {&pAuxArray1, &pAuxArray2, &pAuxArray3, &pAuxArray4, &pAuxArray5, &pAuxArray6, &pAuxArray7,
                       &pAuxArray8, &pAuxArray9, &pAuxArray10})
        s.keep(*pp);
    s.keep(nAuxArrayLength);
    for (CVector** pp : {&pAuxVector1, &pAuxVector2, &pAuxVector3, &pAuxVector4, &pAuxVector5, &pAuxVector6,
                         &pAuxVector7, &pAuxVector8, &pAuxVector9, &pAuxVector10})
        s.keep(*pp);
    for (CCurve** pp : {&pAuxCurve1, &pAuxCurve2, &pAuxCurve3, &pAuxCurve4, &pAuxCurve5, &pAuxCurve6, &pAuxCurve7,
                        &pAuxCurve8, &pAuxCurve9})
        s.keep(*pp);
    s.keep(bAuxPlotShown);
    s.keep(bAuxPlotFlag2);
    s.keep(pTosePlot);
    for (float** pp : {&pToseArray1, &pToseArray2, &pToseArray3, &pToseArray4, &pToseSpeedTimes, &pToseSpeedValues})
        s.keep(*pp);
    for (CVector** pp : {&pToseVector1, &pToseVector2, &pToseVector3, &pToseVector4, &pToseVector5, &pToseVector6,
                         &pToseVector7, &pToseVector8, &pToseVector9, &pToseVector10})
        s.keep(*pp);
    for (CCurve** pp : {&pToseCurve1, &pToseCurve2, &pToseCurve3, &pToseCurve4, &pToseCurve5, &pToseCurve6})
        s.keep(*pp);
    s.keep(nToseSteps);
    s.keep(nTosePoints);
    s.keep(bMultiThreaded);
    s.keep(nNEQThreads);
    s.keep(bFlagStrongGradients);
    s.keep(fGradientLimit);
    s.keep(bWizardMessages);
    s.keep(bScanColorFromTime);
    s.keep(dTimeStampThreshold);
    s.keep(bUseIntegrationRangesFile);
    s.keep(bMarkResidualRanges);
    s.keep(pMarkFirstIndex);
    s.keep(pMarkLastIndex);

    // the application, its files and preferences
    s.keep(nCommandLineArgs);
    s.keep(ppCommandLineArgs);
    s.keep(runParameters);
    s.keep(bHaveRunParameters);
    s.keep(nProgramExitCode);
    s.keep(szRunSummary);
    s.keep(pMainWindow);
    s.keep(defaultPreferences);
    s.keep(szLastDataDir);
    for (char* sz : {szProgramDir, szWorkDir, szDrellixExePath, szPlokaExePath, szParamsIniPath, szLastDirIniPath,
                     szLammParamsIniPath, szSimAppEqParamsIniPath, szDNonidPath, szSNonidPath, szDensityTablePath,
                     szViscosityTablePath, szBoundaryFractsPath, szNonIdCtotTablePath, szMofsPath,
                     szWormChainMofsPath, szIntegrRangeFilePath, szIntegrRangeFilePath2, szPlot3dExePath,
                     szMovieExePath, szDataFitResExePath, szDataFitResDistExePath, szSizeShapeExePath,
                     szStructureExePath})
        s.keepElements(sz, 260);
    s.keep(bHavePlot3dExe);
    s.keep(bHaveMovieExe);
    s.keep(bHaveDataFitResExe);
    s.keep(bHaveDataFitResDistExe);
    s.keep(bHaveSizeShapeExe);
    s.keep(bHaveStructureExe);
}

void releaseAppData()
{
    releaseResultArrays();         // the side-result plot of the tools
    showToolPlot(nullptr, nullptr);  // and a tool's ad hoc plot
}

// ---------------------------------------------------------------- models, fitting, analyses

void keepModelGlobals(StartValues& s)
{
    s.keep(fMeniscus);
    s.keep(fBottom);
    // the vector and the species rows, allocated at start and kept for the run
    s.keep(nSpecies);
    s.keep(pParamValue);
    s.keepElements(pParamValue, nParams + 1);
    s.keep(pParamFloat);
    s.keepElements(pParamFloat, nParams + 1);
    for (int* p : {pSpeciesIncluded, pSpeciesConcFloat, pSpeciesMwFloat, pSpeciesSFloat, pSpeciesExtraFloat})
        s.keepElements(p, 5);
    for (float* p : {pSpeciesConc, pSpeciesMw, pSpeciesS, pSpeciesExtra}) s.keepElements(p, 5);
    for (int** pp : {&pSpeciesIncluded, &pSpeciesConcFloat, &pSpeciesMwFloat, &pSpeciesSFloat, &pSpeciesExtraFloat})
        s.keep(*pp);
    for (float** pp : {&pSpeciesConc, &pSpeciesMw, &pSpeciesS, &pSpeciesExtra}) s.keep(*pp);
    s.keep(bFitRINoise);
    s.keep(bAlgebraicBaseline);
    s.keep(bAlgebraicConcentrations);
    s.keep(bFitBaseline);
    s.keep(fBaseline);
    for (float* f : {&fModelConst20, &fModelConst21, &fModelConst22, &fZoneLamellaWidth, &fStartTime,
                     &fSynthBoundaryPos, &fOverlayFrac1, &fNonidealConc2, &fNonidealS2, &fNonidealD2, &fOverlayFrac2,
                     &fNonidealConc3, &fNonidealS3, &fNonidealD3, &fOverlayFrac3, &fNonidealKs, &fNonidealKd,
                     &fSAMonomerMorD, &fSAOligomerMorD, &fSAOligomerMorD2, &fSALog10Ka, &fSALog10Ka2, &fSAMonomerS,
                     &fSAOligomerS, &fSAOligomerS2, &fSATotalConc, &fElectrophoresisLength, &fHydration})
        s.keep(*f);
    for (int* n : {&nFitModelConst20, &nFitModelConst21, &nFitModelConst22, &bFitLamellaWidth, &nFitSynthBoundaryPos,
                   &nFitOverlayFrac1, &nFitNonidealConc2, &nFitNonidealS2, &nFitNonidealD2, &nFitOverlayFrac2,
                   &nFitNonidealConc3, &nFitNonidealS3, &nFitNonidealD3, &nFitOverlayFrac3, &nFitNonidealKs,
                   &nFitNonidealKd, &nFitSAMonomerMorD, &nFitSALog10Ka, &nFitSALog10Ka2, &nFitSAMonomerS,
                   &nFitSAOligomerS, &nFitSAOligomerS2, &nFitSATotalConc})
        s.keep(*n);
    s.keep(bFitT0);
    s.keep(bSpecies1Nonideal);
    s.keep(bParamsAccepted);
    s.keep(bFitFirstScanScale);
    s.keep(bVaryMeniscusWarned);
    s.keep(bUserMeniscusBottomRange);
    s.keep(bElectrophoresisLoadRequest);

    // the Lamm equation settings
    s.keep(fAutoAlgorithmNormS);
    s.keep(bShutOffBackDiffusion);
    s.keep(dBackDiffusionLevel);
    s.keep(bAutoDynamicGridSize);
    s.keep(nDefaultGridSize);
    s.keep(fPointsPerSigma);
    s.keep(nDynGridUpperLimit);
    s.keep(nDynGridLowerLimit);
    s.keep(bTimesFromW2t);
    s.keep(bAutoFEAlgorithm);
    s.keep(bFixedTimestep);
    s.keep(bClaverie);
    s.keep(bMovingHat);
    s.keep(bAutoSGrid);
    s.keep(dSGrid);
    s.keep(fTolerance);
    s.keep(dMaxDcOverC);
    s.keep(fAutoAlgorithmNormSOptimized);
    s.keep(bOptimizeGridSpacing);
    s.keep(bExperimentalInitialDistribution);
    s.keep(bTruncateGrid);
    s.keep(dTruncateLevel);
    s.keep(bSimTimeResolution);
    s.keep(bCheckRotorAcceleration);
    s.keep(dSpeedStepDShutoff);
    s.keep(bRampRotorSpeed);
    s.keep(bConstantInitialDistribution);
    s.keep(hdrInitialScan);
    s.keep(bUseInitialData);
    s.keep(bGeometryLinear);
    s.keep(bGeometryExternalLoadingCell);
    s.keep(bGeometryReserved);
    s.keep(bElectrophoresis);
    s.keep(bHinderedBaxter);
    s.keep(fWienerSkewMax);
    s.keep(fWienerSkewMaxAt);
    s.keep(nWienerSkewMaxScan);
    s.keep(fBufferDensity);
    s.keep(RELVISCOSITY);
    s.keep(VBAR);
    s.keep(fVbarRho);
    s.keep(fVbarTransform);
    s.keep(fMaxMeniscus);
    s.keep(fMinMeniscus);
    s.keep(fMaxBottom);
    s.keep(fMinBottom);
    s.keep(bFitBottom);
    s.keep(bFitMeniscus);
    s.keep(bUseMolarMass);
    for (unsigned char* b :
         {&bModelContinuous, &bModelDiscreteSpecies, &bModelDlsCumulants, &bModelCS, &bModelCSOneDiscreteM, &bModelCSOneDiscreteD,
          &bModelCSFf0, &bModelCSFf0OneDiscrete, &bModelNonidealCS, &bModelHinderedCS, &bModelCSFlotation,
          &bModelCSLinearRods, &bModelHybridCSLsgs, &bHybridWithDiscrete, &bModelCSInvariantD,
          &bModelCSWithMsTable, &bModelCSConformationalChange, &bModelCSWormlikeChain,
          &bModelCSFixFf0FloatingVbar, &bModelCSBimodalFf0OneDiscrete, &bModelCSBimodalFf0, &bModelCSScalingLaw,
          &bModelFMScalingLaw, &bModelCMVbarM, &bModelLsgs, &bModelLsgsOneDiscrete, &bModelElectrophoresisCV,
          &bBufferMismatch, &bAutoLoadLsgMode})
        s.keep(*b);
    for (unsigned char* b : {&bModelZone, &bModelZoneLsgs, &bModelLsgv, &bModelDlsRh, &bModelDlsRhTime, &bModelDlsD,
                             &bFMScalingNoDiffusion, &bModelCommandRebuild, &bSimRadialResolution,
                             &bFlotationDFromRadius})
        s.keep(*b);
    s.keep(dHybridSwitchS);
    s.keep(fZoneLamellaWidth);
    s.keep(fScanVelocity);
    s.keep(fConvolutionRange);
    s.keep(dPowerLawA);
    s.keep(dPowerLawB);
    s.keep(dVbarMOffset);
    s.keep(dVbarMIncrement);
    s.keep(nVbarMScale);
    s.keep(fScalingKs);
    s.keep(fScalingBs);
    s.keep(fFlotationSpeciesD);
    s.keep(fWormMonomerMw);
    s.keep(fWormPersistenceLength);
    s.keep(fWormCrossSection);
    s.keep(fWormHydration);
    s.keep(bExtrapolateAreaFractions);
    s.keep(bSyntheticDistNormalized);
    s.keep(szDistribPath);
    s.keep(bInhomogeneousSolvent);
    s.keep(bCompressibleSolvent);
    s.keep(dSolventCompressibility);
    s.keep(fGradientBufferDensity);
    s.keep(fGradientBufferViscosityRef);
    s.keep(dLammS);
    s.keep(dLammD);

    // linear parts of the discrete species
    s.keepElements(pSpeciesConc, 5);
    s.keep(fSpeciesAmplitude);
    s.keep(bAlgebraicConcentrations);
    s.keep(bModelConstantSignal);
    s.keep(nFirstModelScan);
    s.keep(bFitBufferSignal);
    s.keep(dBufferSignal);
    for (unsigned char* b : {&bModelMonomerDimer, &bModelMonomerTrimer, &bModelSelfAssoc124, &bModelSelfAssoc148,
                             &bModelNonidealSingle, &bModelNonidealMultiple, &bModelHeteroAssociation,
                             &bModelDlsRhTime})
        s.keep(*b);
    s.keep(nActiveSpecies);
    s.keepElements(pActiveSpecies, 5);

    s.keep(bFitTINoise);
    s.keep(bFitRunning);
    s.keep(bSerialFitRunning);
    s.keep(bSerialFitKeepData);
    // the serialised fits
    for (unsigned char* b : {&bSerialMonteCarlo, &bSerialPlokaMode, &bSerialFromListOfLists}) s.keep(*b);
    s.keep(serialRanges);
    s.keep(nSerialRanges);
    s.keep(szSerialDataDir);
    s.keep(szSerialWatchFile);
    s.keep(bGeneratingSeries);
    s.keep(bStopFit);
    s.keep(bSimulateBeyondLastScan);
    s.keep(bSMWindowFit);
    s.keep(nSMFirstScan);
    s.keep(nSMLastScan);
    s.keep(bSimplexStarted);
    s.keep(nFitSteps);
    s.keep(nStepSimCount);
    s.keep(nSimCount);
    s.keep(fBestRmsd);
    s.keep(fShownBestRmsd);
    s.keep(bSimulatedAnnealing);
    s.keep(SAmaxTemp);
    s.keep(nSANumberOfTemps);
    s.keep(nSAItMax);
    s.keep(fSATemperature);
    s.keep(nAnnealingSeed);
    s.keep(fNumFitPoints);
    s.keep(szModelParamLines);
    s.keep(szModelParamPrintLines);
    s.keep(bSuppressFitParamDisplay);
    // the optimiser state of the fits
    for (unsigned char* b : {&bSimplex, &bMarquardLevenbergMin, &bSAFinalML, &bAnnealFinalSimplex, &bSaveBestParams,
                             &bFitStoppedByUser})
        s.keep(*b);
    for (float* f : {&fSimplexRandomization, &fRememberedMeniscus, &fRememberedBottom, &fGridMeniscusRef,
                     &fGridBottomRef})
        s.keep(*f);
    for (double* d : {&dMLTestRmsd, &dMLTestPoints, &dMLLambda}) s.keep(*d);
    s.keep(pMLRelStep);
    s.keep(pMLAbsStep);
    for (int* n : {&nContiPosMeniscus, &nContiPosBottom, &nContiPosLamella, &nContiPosNonidealKs,
                   &nContiPosNonidealKd, &nContiPosFrictionalRatio})
        s.keep(*n);
    // the buffer-mismatch and gradient settings the fits pack
    for (double* d : {&dBufferS, &dBufferD, &dBufferMb, &dBufferMeniscusDiff, &dBufferRelConc, &dBufferRefD,
                      &dBufferRefMb, &dBufferRefS})
        s.keep(*d);
    for (unsigned char* b : {&bBufferSignalInReference, &bBufferMismatchSubtracted}) s.keep(*b);
    s.keep(dBufferSignalSign);
    for (unsigned char* b : {&bBufferSignalInSample, &bBufferMeniscusMismatch, &bBufferRefDifferent, &bFitBufferD,
                             &bFitBufferS, &bFitBufferMeniscusDiff, &bFitBufferRelConc, &bFitBufferRefD,
                             &bFitBufferRefS, &bSedimentingCosolute, &bFitVbarInGradient})
        s.keep(*b);
    s.keep(fGradientVbar);

    s.keep(pContiNonid);
    s.keep(bSGridLimitsAccepted);
    s.keep(bExportMatrices);
    s.keep(bBoundaryAnalysisMode);
    // the parameters of the continuous models
    for (float* f : {&fConfChangeM, &fConfChangeSMin, &fConfChangeSMax, &fCsGridTotal, &fDiscreteCompM,
                     &fDiscreteCompS, &fDiscreteCompD, &fBimodalFf0Second, &fBimodalSMin, &fBimodalSMax,
                     &fCVConstantD, &fCSInvariantD, &fLinearRodParam, &fTimeCourseWindow})
        s.keep(*f);
    for (int* n : {&nFitFrictionalRatio, &nFitVbar, &nFitWormPersistenceLength, &nFitScalingKs, &nFitDiscreteCompMorD,
                   &nFitDiscreteCompS, &nFitBimodalSMin, &nFitCVConstantD, &nFitCSInvariantD})
        s.keep(*n);
    s.keep(bKeepLogSGrid);
    s.keep(fRealtimeDistXMin);
    s.keep(fRealtimeDistXMax);

    s.keep(bEquilibriumDiscrete);
    s.keep(bEquilibriumHeteroAssoc);
    s.keep(bExtrapolateAreaFractions);
    s.keep(nBoundaryFractions);
    s.keep(nScansPerLsgSet);
    s.keep(bEqTestMode);
    s.keep(bEqTestPlotShown);
    s.keep(nEqTestSeries);
    s.keep(pEqTestSeriesCount);
    s.keep(nEqTestGroups);
    s.keep(pEqTestGroupNames);
    s.keep(pEqTestGroupFirstScan);
    s.keep(bEqTestAutoLimits);
    s.keep(bMStarMode);
    s.keep(bMStarAllSets);
    // the time-to-equilibrium tool (what it holds is released first)
    s.keep(timeToEqParams);
    s.keep(timeToEqTransfer);
    s.keep(pApproachToEqSim);
    s.keep(fTosePlotRpmScale);
    s.keep(szTimeToEqResultPath);
    s.keep(szTimeToEqBackupPath);
    s.keep(pAppEqConstSim);
    s.keep(pAppEqOptSim);
    s.keep(fAppEqOptDuration);
    s.keep(nAppEqOptSpecies);
    s.keep(pAppEqOptFractions);
    s.keep(pAppEqOptS);
    s.keep(pAppEqOptD);
    s.keep(fAppEqConstTime);
    s.keep(fAppEqOptTime);
    s.keep(bAppEqPenalty);

    // light-scattering models, kernels and their inputs
    s.keep(bModelDlsCumulants);
    s.keep(nSimSpeciesIndex);
    s.keep(bDlsLinearLags);
    s.keep(bAlwaysG2);
    s.keep(dDlsKernelAmplitude);
    s.keep(dDlsCumulant1);
    s.keep(dDlsCumulant2);
    s.keep(dDlsCumulant3);
    // model selection and evaluation
    for (unsigned char* b : {&bModelInteracting, &bModelDlsStokesRadii, &bModelHindered, &bModelCMbInvariantD,
                             &bModelCMPowerLaw, &bModelZoneCS, &bVhwFlotation, &bShowExtrapolationPlot,
                             &bAreaFractionResults, &bTimesFromW2tByModel, &bGridSizeReplaced, &bSilentModelSwitch,
                             &bSuppressRegSwitch, &bCMFromCS, &bFlotationFirstUse, &bNonidealRepulsive,
                             &bNonidealOption2, &bHydrodynamicNonideality, &bNonidealMultiSwitch, &bStickySpheres,
                             &bInvertBand, &bFaxenApproximation, &bDiscretizationWarned, &bSedimentationTimeOffset,
                             &bCosoluteGradient})
        s.keep(*b);
    for (float* f : {&fConfidenceLevelCM, &fNonidealExtinction1, &fNonidealExtinction2, &fNonidealExtinction3,
                     &fFf0Step, &fSpeciesFraction, &fElcOilVolume})
        s.keep(*f);
    s.keep(nLsgRampMode);
    s.keep(nWienerSkewingSetting);
    // the options the parameter file keeps for parts not in this version
    for (unsigned char* b : {&bLoadingOption3, &bCSOption1, &bCSOption2, &bCSOption4, &bCSOption5,
                             &bFlotationOption1, &bFlotationOption2})
        s.keep(*b);
    s.keep(nCSOption6);
    s.keep(nCSOption7);
    s.keep(pLammOwnerWindow);
    s.keep(nScansPerSMSet);
    s.keep(nExportSpecies);
    s.keep(pExportSpeciesS);
    s.keep(pExportSpeciesM);
    s.keep(bExportPeaksAsSpecies);
}

// ---------------------------------------------------------------- global grid and solvent models

void keepGlobalGridGlobals(StartValues& s)
{
    s.keep(nGridPoints);
    s.keep(nGridPointsAllocated);
    s.keep(bGridArraysAllocated);
    for (double** pp : {&pGridRadius, &pGridConc, &pGridConcPrev, &pGridRhs, &pGridConcSnapshot, &pStiffLower,
                        &pStiffDiag, &pStiffUpper, &pMassUpper, &pMassDiag, &pMassLower, &pLhsLower, &pLhsDiag,
                        &pLhsUpper, &pRhsLower, &pRhsDiag, &pRhsUpper, &pTridagGam, &pTridagPivot, &pFeGridRadius,
                        &pLocalS, &pLocalD, &pGridConcTrial, &pCosoluteGridRadius})
        s.keep(*pp);
    s.keep(pMovingHatBlock);
    s.keep(pNonidealBlock);
    s.keep(pHeteroBlock);
    s.keep(pCosoluteBlock);
    s.keep(pNonidealCosoluteBlock);
    s.keep(pHeteroProfileA);
    s.keep(pHeteroProfileB);
    s.keep(pHeteroCurve);
    s.keep(bVariableGridRequest);
    s.keep(dVariableGridStartRadius);
    s.keep(dVariableGridBaseStep);
    s.keep(bVariableGridBuilt);
    s.keep(dTruncationRadius);
    s.keep(nTruncationIndex);
    s.keep(dTruncationStep);
    for (double* d : {&dSimTime, &dTimeStep, &dMaxTimeStep, &dMaxDcOverCWork, &dMaxDcOverCLow, &dMaxDcOverCHigh,
                      &dLammDefaultB, &dLammDefaultC, &dMaxRelativeChange, &dStepTargetTime, &dNextScanTime,
                      &dLastFactoredTimeStep, &dOmega, &dOmegaNow, &dAccelerationTime, &dAngularAcceleration,
                      &dMaxAccelTimeStep})
        s.keep(*d);
    for (int* n : {&nTimeStepCount, &bStepToScanTime, &nSimScanIndex, &bMatricesChanged, &bSimulationRunning,
                   &bSimulationError, &bDiscretizationError, &bNonidealityOutOfRange, &nSimOutputMode,
                   &nCosoluteGridAllocated, &nCosoluteGridSize})
        s.keep(*n);
    s.keep(fLastRelativeChange);
    for (unsigned char* b : {&bRotorAccelerating, &bHeteroAssocRun, &bBackDiffusionShutOffActive,
                             &bCosoluteArraysAllocated, &bNonidealCosolute, &bSolventParamsConverted})
        s.keep(*b);
    // the A + B <-> AB parameters
    for (float* f : {&fLogAssocK, &fAssocK, &fLoadingA, &fLoadingB, &fSignalCoefA, &fSignalCoefB, &fDiffA, &fDiffB,
                     &fDiffAB, &fSedA, &fSedB, &fSedAB, &fComplexLoading})
        s.keep(*f);
    s.keep(dComplexSignalFactor);
    s.keep(dLastHeteroStep);
    // the A + B <-> AB run and the moving grid it shares
    for (double* d : {&dRunSedA, &dRunSedB, &dRunSedAB, &dRunDiffA, &dRunDiffB, &dRunDiffAB, &dFluxAsymmetry,
                      &dMovingGridT0, &dGridMotionRate, &dNaturalStep, &dGridRatio, &dMovingHatFixedStep,
                      &dProgressTotalAmount})
        s.keep(*d);
    for (unsigned char* b : {&bSimulationPaused, &bHeteroAssocKeys}) s.keep(*b);
    s.keep(bGridSynchronousSteps);
    s.keep(nHeteroInnerPasses);
    s.keep(nHeteroMaxInnerPassesUsed);
    for (double** pp : {&pFreeA, &pFreeB, &pOldA, &pOldB, &pOlderA, &pOlderB, &pFreeATemp, &pFreeBTemp, &pFluxA,
                        &pFluxB, &pComplex, &pHeteroMean, &pHeteroQuotient, &pResidualA, &pResidualB})
        s.keep(*pp);
    s.keep(pJacobianAA);
    s.keep(pJacobianAB);
    s.keep(pJacobianBA);
    s.keep(pJacobianBB);
    s.keep(dHeteroPassTolerance);
    s.keep(pOperA);
    s.keep(pOperB);
    s.keep(pComplexMass);
    s.keep(pComplexOper);
    // the propagators' window and options, and the global-grid road
    s.keep(nFirstActiveIndex);
    s.keep(nLastActiveIndex);
    s.keep(bApplyMeniscusCorrection);
    s.keep(bFullGridActive);
    for (float* f : {&fGridSpreadSigma, &fFrictionalRatioEstimate, &fDynGridEquidistantSize, &fDynGridGeometricSize,
                     &fDynGridFirstFitRadius, &fSpeciesFraction})
        s.keep(*f);
    for (unsigned char* b : {&bFaxenApproximation, &bInvertBand, &bSedimentationTimeOffset, &bDiscretizationWarned})
        s.keep(*b);
    s.keep(pLammOwnerWindow);
    // the interacting propagators' model constants
    for (double* d : {&dSAKa, &dSAKa2, &dSAKa3, &dAssocK2, &dAssocK3})
        s.keep(*d);
    s.keep(fNonidealKsLinear);
    s.keep(fNonidealKdLinear);
    for (unsigned char* b : {&bNonidealUsesCosoluteData, &bMonomerDimerNonideal, &bAssocTableActive, &bCosolutePreset})
        s.keep(*b);
    s.keep(pAssocTable);
    s.keep(nAssocTableHint);
    s.keep(pSNonidTable);
    s.keep(pDNonidTable);
    s.keep(nSNonidTable);
    s.keep(nDNonidTable);
    // the special geometries
    for (double* d : {&dOilDepth, &dTaperStartRadius}) s.keep(*d);
    s.keep(pElementCoefficient);
    // the buffer-mismatch model
    s.keep(bBufferSignalInReference);
    s.keep(dBufferSignalSign);
    s.keep(bBufferMismatchSubtracted);
    s.keep(bBufferInterferenceNoted);
    s.keep(nBufferGridPoints);
    s.keep(gBufferRunResult);
    // the inhomogeneous solvent
    for (unsigned char* b : {&bAddWaterCompressibility, &bPlotCosolute, &bSaveCosolute, &bDensgradTruncationNoted,
                             &bDensgradCosoluteNoted, &bDensgradCompressibleNoted})
        s.keep(*b);
    for (double* d : {&dCosoluteS, &dCosoluteD, &dCosoluteLoading, &dCosoluteTime}) s.keep(*d);
    for (float* f : {&fGradientBufferViscosity, &fVbarWithSolvation, &fDensgradSavedVbar, &fDensgradSavedSMin})
        s.keep(*f);
    for (double** pp : {&pDensityCoeffs, &pViscosityCoeffs, &pSolventFactorV, &pSolventFactorB, &pCosoluteOnGrid,
                        &pSolventDensityOnGrid})
        s.keep(*pp);
    for (int* n : {&nDensityCoeffs, &nViscosityCoeffs, &nSolventFactorPoints}) s.keep(*n);
    s.keep(szDensityTableFile);
    s.keep(szViscosityTableFile);
    s.keep(szSNonidTableFile);
    s.keep(szDNonidTableFile);
}

void releaseGlobalGrid()
{
    freeAssociationTable();
    freeRadialGridArrays();
    freeSolverWorkBlock();
    freeGeometryElementRows();
    freeBufferGridArrays();
    freeInhomogeneousSolventArrays();
}

void releaseModelData()
{
    freeSerialSeries();
    free_vector(pExportSpeciesS, 1, nExportSpecies);
    free_vector(pExportSpeciesM, 1, nExportSpecies);
    pExportSpeciesS = pExportSpeciesM = nullptr;
    forgetMeanFieldCtotData();
    releaseApproachToEq();  // its simulations, result plots, parameter vector and history profile
}

// ---------------------------------------------------------------- the M* screens

void keepMStarGlobals(StartValues& s)
{
    for (unsigned char* b : {&bMStarCMSmoothing, &bMStarAskCMSmoothing, &bMStarAskMwRange, &bMStarArraysRenewed,
                             &bMwappVsSignal, &bMwappFromDcDr, &bMeniscusSignalFixed, &bMStarDragA, &bMStarDragB})
        s.keep(*b);
    for (int* n : {&bNegativeMStar, &nLnCSmoothHalfWidth, &nLnCSmoothOrder, &nMeniscusExtrapOrder,
                   &nMwappSmoothHalfWidth, &nBottomExtrapOrder, &nSavedPlotTop, &nSavedPlotBottom, &nMStarButtons,
                   &nMStarButtonBase, &nMStarSets})
        s.keep(*n);
    s.keep(meniscusFitRange);
    s.keep(bottomFitRange);
    s.keep(pMeniscusFitRangeVec);
    s.keep(pBottomFitRangeVec);
    s.keep(pSavedDataPlot);
    s.keep(pMStarPlotA);
    s.keep(pMStarPlotB);
    s.keep(pMStarPlotC);
    s.keep(pMStarPlotD);
    s.keep(mStarYMin);
    s.keep(mStarYMax);
    s.keep(pMStarButtons);
    s.keep(pMStarSets);
    s.keep(fRmsd);
}

// Leaving the screens puts the data plot back, which the scan data then free;
// the per-set data left by a model-selection reset go with them.
void releaseMStarScreens() { mStarFreeScreenPlots(nullptr); }

// ---------------------------------------------------------------- classical velocity analyses

void keepBoundaryAnalysisGlobals(StartValues& s)
{
    s.keep(bNonOverlappingSets);
    s.keep(bFitBoundaryFractions);
    s.keep(nVhwFractions);
    s.keep(dLsgOmega2);
    s.keep(pSetTimes);
    s.keep(ppSetFractionS);
    s.keep(nLsgSets);
    s.keep(fLoadingConcentration);
    s.keep(ppSetLsgDistributions);
    s.keep(nSetLsgDistributions);
    s.keep(pSetLsgGrid);
    s.keep(ppSetLsgCurves);
    s.keep(fLsgMaxS);
    for (float*** pp : {&ppFractionRadius, &ppModelBoundaryRadius, &ppFractionS}) s.keep(*pp);
    for (float** pp : {&pPlateauHeight, &pFractionIntercept, &pFractionSlope}) s.keep(*pp);
    s.keep(pAreaFractionPlot);
    s.keep(nPlotSets);
    // time-dependent s and M
    s.keep(nSMScans);
    s.keep(bSMGrowing);
    for (float** pp : {&pSMTime, &pSMMolarMass, &pSMSValue}) s.keep(*pp);
    s.keep(pSMPlot);
}

void releaseBoundaryAnalyses()
{
    freeBoundaryAnalyses();
    freeTimeDependentSM();
}

// ---------------------------------------------------------------- equilibrium series, test and fit

void keepEqTestGlobals(StartValues& s)
{
    s.keep(ppEqTestSeriesScans);
    s.keep(pEqTestFirstPoint);
    s.keep(pEqTestLastPoint);
    s.keep(pEqTestInclude);
    s.keep(pEqTestAtLatestSpeed);
    s.keep(dEqTestTopSpeed);
    s.keep(bEqTestSingleCell);
    s.keep(nEqTestSingleCellNumber);
    s.keep(pEqTestExcludedCell);
    s.keep(pEqTestExcludedWavelength);
    s.keep(nEqTestExcluded);
    s.keep(pEqTestIncludedCell);
    s.keep(pEqTestIncludedWavelength);
    s.keep(nEqTestIncluded);
    s.keep(bSeriesGroupingOnly);
    s.keep(bEqTestSeriesSelected);
    s.keep(nEqTestShownSeries);
    s.keep(pEqTestPlot);
    s.keep(bEqTestCurvesAllocated);
    s.keep(nEqTestCurveSeries);
    s.keep(pEqTestDiffCount);
    s.keep(nEqTestRangeLength);
    for (auto* pp : {&ppEqTestRmsd, &ppEqTestTimeDiff, &ppEqTestDiffRadius, &ppEqTestDiffSignal, &ppEqTestRelRadius,
                     &ppEqTestRelSignal})
        s.keep(*pp);
    for (auto* pp : {&ppEqTestRmsdVec, &ppEqTestTimeDiffVec, &ppEqTestDiffRadiusVec, &ppEqTestDiffSignalVec,
                     &ppEqTestRelRadiusVec, &ppEqTestRelSignalVec})
        s.keep(*pp);
    for (auto* pp : {&ppEqTestRmsdCurve, &ppEqTestDiffCurve, &ppEqTestRelCurve}) s.keep(*pp);
    s.keep(pEqTestLastRmsd);
    s.keep(bEqTestCaptureDiff);
    s.keep(pEqTestCaptureRadius);
    s.keep(pEqTestCaptureSignal);
    s.keep(nEqTestCaptureLength);
    // the single-species equilibrium fit
    s.keep(dBuoyantMolarMass);
    s.keep(dEqReferenceRadius);
    s.keep(dEqRpm);
    s.keep(dEqTemperature);
    s.keep(bEquilibriumInFit);
    s.keep(dEqTINoiseMinSpread);
}

// ---------------------------------------------------------------- distributions

void keepDistributionGlobals(StartValues& s)
{
    s.keep(fSGridResolution);
    s.keep(fSMin);
    s.keep(fSMax);
    s.keep(bLogSGrid);
    s.keep(bSGridFromFile);
    s.keep(bLogGridMinS);
    s.keep(fLogGridMinS);
    s.keep(fFlotationSMin);
    s.keep(fFlotationSMax);
    s.keep(nFlotationResolution);
    s.keep(bFlotationOnly);
    s.keep(fFf0Min);
    s.keep(fFf0Max);
    s.keep(fFf0Resolution);
    s.keep(nFf0Resolution);
    s.keep(nCsGridTotal);
    for (unsigned char* b : {&bDlsGridLinearD, &bDlsGridLogRh, &bDlsGridLogD, &bDlsDensityLinear, &bCsFf0ShowSM,
                             &bCsFf0ShowRh, &bCsFf0ShowD, &bCsFf0ShowMFf0})
        s.keep(*b);
    s.keep(nResolution);
    s.keep(fFrictionalRatio);
    s.keep(nFitFrictionalRatio);
    for (float* f : {&fConfChangeM, &fConfChangeSMin, &fConfChangeSMax, &fDiscreteCompM, &fDiscreteCompS,
                     &fBimodalFf0Second, &fBimodalSMin, &fBimodalSMax, &fCSInvariantD, &fLinearRodParam})
        s.keep(*f);
    s.keep(nFitDiscreteCompMorD);
    s.keep(nFitDiscreteCompS);
    s.keep(nNumericalErrorCode);
    for (unsigned char* b : {&bRegBothShown, &bMsTableRun, &bUseScanRadii, &bSkipRegularization, &bContiKernelsDue,
                             &bWormlikeChainRootWarned, &bCsFf0Plotted, &bDistConvertedToCM, &bDistTransformedToRh,
                             &bDistributionTransformed,
                             &bDistPlotBuilt, &bUsePriorProbabilities, &bPriorFromDiscreteSpecies, &bGJPriorLoaded,
                             &bPriorFf0Gaussians})
        s.keep(*b);
    for (float* f : {&fCsFf0MeanM, &fCsFf0SdM, &fCsFf0MeanRh, &fCsFf0SdRh, &fCsFf0MeanFf0, &fCsFf0MsD})
        s.keep(*f);
    s.keep(lastGridSettings);
    s.keep(dAreaFractionS);
    s.keep(szPriorFileName);
    s.keep(dPriorPeakLocation);
    s.keep(dPriorPeakWidth);
    s.keep(dPriorPeakAmplitude);
    s.keep(dFf0PriorPeakPosition);
    s.keep(dFf0PriorPeakHalfWidth);
    s.keep(dFf0PriorPeakEnhancement);
    s.keep(pRegThirdDerivWeights);

    s.keep(nLammSolutionSet);
    s.keep(nLammSolutionStorePoints);
    s.keep(pContiSimS);
    s.keep(pContiSimD);
    s.keep(pContiSimVbar);
    s.keep(fOmegaSquaredFirstScan);
    s.keep(fMaxObservableS);
    s.keep(fIntegrateYMin);
    s.keep(fIntegrateYMax);
    s.keep(bNonidealDiscreteFirst);
    for (unsigned char* b : {&bMeanFieldFromData, &bMeanFieldExternal, &bMeanFieldFrozen, &bNonidDebugFiles,
                             &bShowCtotOverlay})
        s.keep(*b);
    s.keep(nNonidSedGridSize);
    s.keep(nNonidMeanFieldPoints);
    s.keep(dMeanFieldChi2);
    s.keep(pCtotMovie);
    s.keep(bDiscreteSpeciesPriorUsed);
    s.keep(cPriorFileStash);
    s.keep(bGJTPriorFile);
    // integration and peak information
    s.keep(bIntegrationRangesLoaded);
    s.keep(szIntegrationRangesFile);
    s.keep(pIntegrationRanges);
    s.keep(nIntegrationRanges);
    s.keep(nPeakInfoLabels);
    s.keep(pPeakInfoLabel);
    s.keep(fPeakSw);
    s.keep(fPeakC);
    s.keep(fPeakFraction);
    s.keep(nPeakIndex);
    for (unsigned char* b : {&bRangeSelectActive, &bRangeSelectArmed, &bPeakRangeSelect}) s.keep(*b);
    s.keep(nNEQSize);
    s.keep(dSumSquaredData);
    s.keep(dNESumData);
    s.keep(dNEPointCount);
    s.keep(fNEMeanData);
    s.keep(bBufferMismatchInNEQ);
    s.keep(dNEFixedFirstAmplitude);
    s.keep(dRegWeightThreshold);

    // solvers and regularization
    s.keep(bFinalFitEvaluation);
    s.keep(bMonteCarloRun);
    s.keep(nMCIterations);
    s.keep(nMCIteration);
    s.keep(fMCRmsd);
    s.keep(szMCFileName);
    s.keep(bMCWeightAvgS);
    s.keep(mcWeightAvgResults);
    s.keep(bSuppressBaselineCorrelation);
    s.keep(nTimeCourseFirst);
    s.keep(nTimeCourseLast);
    s.keep(nTimeCourseWindows);
    s.keep(nPauseKey);
    s.keep(nNEQRowCount);
    s.keep(fConfidenceLevel);
    for (unsigned char* b :
         {&bRegSecondDerivative, &bRegWeightedThirdDerivative, &bRegMaxEnt, &bMaxEntUsePrior, &bMaxEntStepLimited})
        s.keep(*b);
    s.keep(fFf0RegularizationFactor);
    s.keep(dRegMaxLogAlpha);
    for (double* d : {&dChiSquareUnreg, &dChiSquare, &dRegAlphaScale, &dMaxEntAlpha, &dMaxEntEntropy,
                      &dMaxEntObjective, &dMaxEntLambda, &dMaxEntTotal, &dMaxEntMean, &dMaxEntRelTol,
                      &dRegTargetRatio, &dMaxEntStepQold})
        s.keep(*d);
    for (float* f : {&fRegDof1, &fRegDof2, &fTargetChisqRatio, &fRegLogAlpha, &fRegAlpha, &fRegChisq, &fRegExcess})
        s.keep(*f);
}

void releaseDistributionData()
{
    // the result and its plot, without laying out a window that may be gone
    bDistPlotBuilt = 0;
    TXLAWindow* pWindow = pMainWindow;
    pMainWindow = nullptr;
    clearDistributionResults();
    pMainWindow = pWindow;
    freeLammSolutionStore(nLammSolutionStoreRows);
    freeNormalArrays(nNEQSize);
    freeMofSTable();
    freePriorDiscreteSpecies();
    freeIntegrationRanges();
    freePeakInfoLabels();
    freeThirdDerivativeWeights();
    freeMaxEntWorkArrays();
    freeMonteCarloArrays();
    freeMonteCarloScanCopies();
    freeTimeCourseArrays();
}

// ---------------------------------------------------------------- the optimisers, intervals and maps

void keepFittingEngineGlobals(StartValues& s)
{
    for (double* d : {&dMLChisq, &dMLRelChisqTol, &dMLMinChisq, &dMLStepTol, &dMLMaxFactor}) s.keep(*d);
    s.keep(nMLMaxSteps);
    s.keep(bMLError);
    s.keep(nMLLimitHit);
    s.keep(mlDiscreteCore);
    s.keep(mlContiCore);
    s.keep(nGridProgressLine);
}

void releaseFittingEngine()
{
    freeMLArrays(0);
    delete pProgressLine;
    pProgressLine = nullptr;
    freeContourTable();
}

// ---------------------------------------------------------------- fluorescence tools

void keepFluorescenceGlobals(StartValues& s)
{
    for (unsigned char* b :
         {&bFloConvolution, &bFloConvolutionFloat, &bFloExcitationCone, &bFloExcitationConeFloat,
          &bFloMagnificationDrift, &bFloDrift, &bFloDriftFloat, &bFloBleaching, &bFloKBleachFloat, &bFloAlimFloat,
          &bFloRadialMagnification, &bFloRadialMagFactorFloat, &bNonlinearDetection, &bShowTransformedData,
          &bFitDetectionPower, &bJohnstonOgston, &bFitJOSValue, &bFitJODValue, &bFitJOAmplitude, &bFitJOKs})
        s.keep(*b);
    for (float* f : {&fFloConvolution, &fConvolutionDistFactor, &fFloExcitationCone, &fFloDrift, &fFloKBleach,
                     &fFloAlim, &fFloRadialMagFactor, &fFloNonlinCoeff, &fDetectionBaseline, &fJOs, &fJOD, &fJOAmp,
                     &fJOKs})
        s.keep(*f);
    s.keep(dAppliedDetectionPower);
    s.keep(dAppliedDetectionBaseline);
    s.keep(bTransformedDataShown);
    s.keep(fTransformedRmsd);
    s.keep(fRawRmsd);
    s.keep(bApplyingNonlinearDetection);
    s.keep(bSkipNoiseGridRebuild);
}

void releaseFluorescenceData()
{
    freeNonlinearDetectionCopies();  // also with freeScanData; here when no scans were left
    freeKeyNames();
    freeFileNameTables();
}

// ---------------------------------------------------------------- plots

void keepPlotGlobals(StartValues& s)
{
    s.keep(hPlotFontA);
    s.keep(hPlotFontB);
    s.keep(hPlotFontC);
    s.keep(hPlotFontD);
    s.keep(bTickLogMode);
    s.keep(bPlotRedrawRequest);
    s.keep(bDashToggle);
    s.keep(nErrorBarCapWidth);
    s.keep(fInfoSoundChance);
    s.keep(bMouseSlidingOff);
    s.keep(bMouseBounceMode);
}

// A fresh process has no plot fonts until the first plot or the start-up
// makes them; the fonts made since go (no picture outlives its test).
void releasePlots()
{
    std::vector<win::HFONT> fonts;
    for (win::HFONT h : {hPlotFontA, hPlotFontB, hPlotFontC, hPlotFontD})
        if (h && std::find(fonts.begin(), fonts.end(), h) == fonts.end()) fonts.push_back(h);
    for (win::HFONT h : fonts) win::DeleteObject(h);
    releaseSoundFiles();
    setSoundDraws(nullptr);
    clearShownErrorMessages();
    resetMousePoints();
    bInterruptComputation = 0;
    bLUSingular = 0;
}

// ---------------------------------------------------------------- the process

// The current folder (the file dialogs move it), the settings folder that
// the working paths are built from, and the threads kept for workers.
std::string gStartFolder;
std::string gStartConfigHome;
bool bHadConfigHome = false;

void keepProcessState(StartValues&)
{
    std::error_code ec;
    gStartFolder = std::filesystem::current_path(ec).string();
    const char* szHome = std::getenv("XDG_CONFIG_HOME");
    bHadConfigHome = szHome != nullptr;
    gStartConfigHome = szHome ? szHome : "";
}

void restoreProcessState()
{
    // the worker threads kept since the start (and their per-thread state)
    win::releaseKeptThreads();
    std::error_code ec;
    if (!gStartFolder.empty()) std::filesystem::current_path(gStartFolder, ec);
    if (bHadConfigHome)
        setenv("XDG_CONFIG_HOME", gStartConfigHome.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

// A part of the program: its globals, recorded at the start, and what lets go
// of the memory, objects and process settings it holds before they are put
// back.
struct Subsystem {
    void (*keepGlobals)(StartValues&);
    void (*release)();
    StartValues start;
};

// In release order: the M* screens before the data plot they stand in for,
// the side plots before the scans, the scans before the fonts of the plots
// that showed them.
Subsystem gSubsystems[] = {
    {keepMStarGlobals, releaseMStarScreens, {}},
    {keepBoundaryAnalysisGlobals, releaseBoundaryAnalyses, {}},
    {keepEqTestGlobals, releaseEqTestState, {}},
    {keepAppGlobals, releaseAppData, {}},
    {keepScanDataGlobals, releaseScanData, {}},
    {keepModelGlobals, releaseModelData, {}},
    {keepFittingEngineGlobals, releaseFittingEngine, {}},
    {keepGlobalGridGlobals, releaseGlobalGrid, {}},
    {keepDistributionGlobals, releaseDistributionData, {}},
    {keepFluorescenceGlobals, releaseFluorescenceData, {}},
    {keepPlotGlobals, releasePlots, {}},
    {keepProcessState, restoreProcessState, {}},
};

}  // namespace

void recordProgramStartState()
{
    for (Subsystem& s : gSubsystems) s.keepGlobals(s.start);
}

void resetProgramState()
{
    releaseMouseActions();
    for (Subsystem& s : gSubsystems) s.release();
    for (const Subsystem& s : gSubsystems) s.start.restore();
}
