// Loading, averaging and switching light-scattering data: the measurements
// of a selection of dlsdat files become the scan data set (lags in the radius
// arrays, correlation values in the signal arrays, one DlsScanHeader each).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "resources/commands.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"
#include "tools/dls/dls_loading.h"

namespace {

constexpr size_t nNameBuffer = 260;

constexpr const char* szFieldTitle = "g(1) field autocorrelation ";
constexpr const char* szIntensityTitle = "g(2)-1 intensity autocorrelation ";

template <typename T>
T* newTable(int n)
{
    return new T[static_cast<size_t>(n) + 1]();
}

// Empty per-measurement tables for n measurements.
void allocDlsTables(int n)
{
    ppScanFileName = newTable<char*>(n);
    ppRadius = newTable<float*>(n);
    ppSignal = newTable<float*>(n);
    ppThirdColumn = newTable<float*>(n);
    ppFit = newTable<float*>(n);
    ppModelPart = newTable<float*>(n);
    ppResidual = newTable<float*>(n);
    ppRadiusVec = newTable<CVector*>(n);
    ppSignalVec = newTable<CVector*>(n);
    ppFitVec = newTable<CVector*>(n);
    ppResidualVec = newTable<CVector*>(n);
    ppThirdColumnVec = newTable<CVector*>(n);
    ppSignalCurve = newTable<CCurve*>(n);
    ppFitCurve = newTable<CCurve*>(n);
    ppResidualCurve = newTable<CCurve*>(n);
    ppThirdColumnCurve = newTable<CCurve*>(n);
    // Scan headers too: the tools that accept light-scattering data read them.
    pScanHeaders = newTable<ScanHeader>(n);
    pDlsHeaders = newTable<DlsScanHeader>(n);
    pScanPoints = ivector(1, n);
    pScanTimeOrder = ivector(1, n);
    pFitFirstIndex = ivector(1, n);
    pFitLastIndex = ivector(1, n);
}

CVector* viewOf(float* p, int n)
{
    CVector* v = new CVector;
    v->Attach(p, static_cast<unsigned int>(n), 1);
    return v;
}

// Fit, model part and residual of measurement i, and its plot views.
void completeMeasurement(int i)
{
    const int n = pScanPoints[i];
    ppFit[i] = vector(1, n);
    ppModelPart[i] = vector(1, n);
    ppResidual[i] = vector(1, n);
    std::memcpy(ppResidual[i] + 1, ppSignal[i] + 1, sizeof(float) * static_cast<size_t>(n));
    ppRadiusVec[i] = viewOf(ppRadius[i], n);
    ppSignalVec[i] = viewOf(ppSignal[i], n);
    ppFitVec[i] = viewOf(ppFit[i], n);
    ppResidualVec[i] = viewOf(ppResidual[i], n);
    ppSignalCurve[i] = new CCurve(ppRadiusVec[i], ppSignalVec[i]);
    ppFitCurve[i] = new CCurve(ppRadiusVec[i], ppFitVec[i]);
    ppResidualCurve[i] = new CCurve(ppRadiusVec[i], ppResidualVec[i]);

    const DlsScanHeader& d = pDlsHeaders[i];
    ScanHeader& h = pScanHeaders[i];
    std::memcpy(h.title, d.title, sizeof h.title);
    h.temperature = d.temperature;
    h.time = h.timeRead = h.timeWritten = d.measurementTime;
    h.nPoints = n;
}

// Exchange sort of the time order by measurement time; equal times keep
// their order.
void sortByMeasurementTime()
{
    int k = 1;
    while (k < nScans) {
        const int a = pScanTimeOrder[k], b = pScanTimeOrder[k + 1];
        if (pDlsHeaders[a].measurementTime > pDlsHeaders[b].measurementTime) {
            std::swap(pScanTimeOrder[k], pScanTimeOrder[k + 1]);
            if (k > 1) --k;
        } else {
            ++k;
        }
    }
}

// Puts the measurements into time order in place, every per-measurement
// item together; the time order becomes the identity.
void permuteIntoTimeOrder()
{
    const int n = nScans;
    auto permute = [n](auto* p) {
        std::vector<std::remove_reference_t<decltype(p[0])>> old(p + 1, p + n + 1);
        for (int i = 1; i <= n; ++i) p[i] = old[static_cast<size_t>(pScanTimeOrder[i] - 1)];
    };
    permute(ppScanFileName);
    permute(pDlsHeaders);
    permute(pScanHeaders);
    permute(pScanPoints);
    permute(ppRadius);
    permute(ppSignal);
    permute(ppFit);
    permute(ppModelPart);
    permute(ppResidual);
    // The views and curves go with their arrays.
    permute(ppRadiusVec);
    permute(ppSignalVec);
    permute(ppFitVec);
    permute(ppResidualVec);
    permute(ppSignalCurve);
    permute(ppFitCurve);
    permute(ppResidualCurve);
    for (int i = 1; i <= n; ++i) pScanTimeOrder[i] = i;
}

// Temperature, viscosity and RT from the means over the measurements.
void setSolventFromMeasurements()
{
    double dKelvin = 0.0, dViscosity = 0.0;
    for (int i = 1; i <= nScans; ++i) {
        dKelvin += static_cast<double>(pDlsHeaders[i].temperature) + kZeroCelsius;
        dViscosity += pDlsHeaders[i].viscosity;
    }
    fTemperatureK = static_cast<float>(dKelvin / nScans);
    RELVISCOSITY = static_cast<float>(dViscosity / nScans * kRelativeViscosityPerPoise);
    fRT = fTemperatureK * kGasConstantSIF * 1e7f;
}

// Meniscus and bottom are the first and last lag of measurement 1.
void setLagRange()
{
    fMeniscus = ppRadius[1][1];
    fBottom = ppRadius[1][pScanPoints[1]];
    pParamValue[13] = fMeniscus;
    pParamValue[14] = fBottom;
    if (fBottom < fFitLeftLim || fFitRightLim < fMeniscus || fFitLeftLim == 0.0f || fFitRightLim == 0.0f) {
        fFitLeftLim = fMeniscus;
        fFitRightLim = fBottom;
    }
}

void setDlsSwitches(TXLAWindow* w)
{
    // The data-type flags of the set before go; light-scattering data are
    // neither absorbance, intensity, interference nor fluorescence.
    bAbsorbanceData = bIntensityData = bInterferenceData = bFluorescenceData = 0;
    bEquilibriumDiscrete = 0;
    bExperimentalInitialDistribution = 0;
    bFitTINoise = bFitRINoise = 0;
    bFitMeniscus = bFitBottom = 0;
    pParamFloat[13] = pParamFloat[14] = 0;
    bConstantInitialDistribution = 1;
    bFitBaseline = 1;
    pParamFloat[15] = 1;
    w->DeleteNoiseButtons();
}

void setAcfTitles(const char* szTitle)
{
    if (pDataPlot) pDataPlot->SetYLabel(szTitle);
    if (pResidualsPlot) pResidualsPlot->SetYLabel(szTitle);
}

bool dlsDataLoaded() { return nScans >= 1 && bDLSData && pDlsHeaders; }

}  // namespace

bool dlsAllowsSeveralSpecies()
{
    if (!dlsDataLoaded()) return false;
    for (int k = 1; k <= nScans; ++k)
        if (!pDlsHeaders[k].fieldAcf) return false;
    return true;
}

const char* dlsAcfAxisTitle()
{
    return pDlsHeaders && nScans >= 1 && !pDlsHeaders[1].fieldAcf ? szIntensityTitle : szFieldTitle;
}

void TXLAWindow::LoadDlsData(char* szSelection)
{
    const std::string first = szSelection;
    std::vector<std::string> names;
    for (const char* p = szSelection + first.size() + 1; *p; p += std::strlen(p) + 1) names.push_back(p);
    if (names.size() > static_cast<size_t>(nMaxScans)) {
        char sz[200];
        std::snprintf(sz, sizeof sz, "%d files selected: at most %d measurements can be loaded",
                      static_cast<int>(names.size()), nMaxScans);
        scanErrorBox(sz, "LOAD ERROR");
        return;
    }

    copyToBuffer(szListFilePath, sizeof szListFilePath, first);
    if (nScans > 0) freeScanData();
    bDataChanged = 1;

    const int n = names.empty() ? 1 : static_cast<int>(names.size());
    allocDlsTables(n);
    nScans = n;
    const std::string folder = names.empty() ? [&] {
        const ScanPathParts p = splitScanPath(first);
        return p.drive + p.dir;
    }()
                                             : withTrailingSeparator(first);
    const ScanPathParts folderParts = splitScanPath(folder);
    copyToBuffer(szScanDrive, sizeof szScanDrive, folderParts.drive);
    copyToBuffer(szScanDir, sizeof szScanDir, folderParts.dir);

    std::string lastName;
    std::vector<std::pair<std::string, int>> leftOut;
    for (int i = 1; i <= n; ++i) {
        pScanPoints[i] = 0;
        pScanTimeOrder[i] = i;
        const std::string path = names.empty() ? first : folder + names[static_cast<size_t>(i - 1)];
        const ScanPathParts parts = splitScanPath(path);
        lastName = parts.name + parts.ext;
        ppScanFileName[i] = new char[nNameBuffer];
        copyToBuffer(ppScanFileName[i], nNameBuffer, lastName);
        if (i == 1) {
            const std::string notes =
                bOldFilenameConvention ? folder + parts.name + ".not" : folder + "notes" + parts.ext;
            copyToBuffer(szNotesPath, sizeof szNotesPath, notes);
        }
        int nLeftOut = 0;
        if (!readDlsDatFile(path.c_str(), &pDlsHeaders[i], &pScanPoints[i], &ppRadius[i], &ppSignal[i],
                            bAlwaysG2 != 0, &nLeftOut)) {
            pScanPoints[i] = 0;
            scanInfoBox(path.c_str(), "LOAD ERROR");
            nScans = i;
            freeScanData();
            bDLSData = 0;  // no light-scattering data remain loaded
            return;
        }
        if (nLeftOut > 0) leftOut.emplace_back(lastName, nLeftOut);
        completeMeasurement(i);
    }

    setSolventFromMeasurements();
    setLagRange();
    setDlsSwitches(this);
    szScanExtra = parameterFilePath(folder, lastName);
    sortByMeasurementTime();
    permuteIntoTimeOrder();

    setupNoiseRadialGrid();
    updateLeftFitLimit();
    updateRightFitLimit();
    bModelComputed = 0;
    buildScanPlotVectors();
    setPlotAxisLabels();
    bRepaintAfterCalc = 0;
    redrawDataPlot(1);
    InvalidateUnlessBatch();
    tellLeftOutPerFile("rows whose lag time is not above 0 were left out (they have no place on the log-lag grid):",
                       leftOut);
}

bool saveMeanDlsData(const char* szPath)
{
    if (!dlsDataLoaded() || !pNoiseGrid || nNoiseGridPoints < 1 || !ppScanOnNoiseGrid) return false;
    const float fTemperature = pDlsHeaders[1].temperature;
    pDlsHeaders[1].temperature = fTemperatureK - kZeroCelsiusF;
    const int m = nNoiseGridPoints;
    float* pMean = vector(1, m);
    for (int j = 1; j <= m; ++j) {
        double dSum = 0.0;
        for (int i = 1; i <= nScans; ++i) {
            // field correlation back to g(2)-1 with its sign; g(2)-1 as it is
            const double v = ppScanOnNoiseGrid[i][j];
            if (pDlsHeaders[i].fieldAcf)
                dSum += v > 0.0 ? v * v : (v < 0.0 ? -v * v : 0.0);
            else
                dSum += v;
        }
        pMean[j] = static_cast<float>(dSum / nScans);
    }
    const bool bWritten = writeDlsDatSet(szPath, m, pNoiseGrid, pMean, "averaged", &pDlsHeaders[1]);
    free_vector(pMean, 1, m);
    pDlsHeaders[1].temperature = fTemperature;
    return bWritten;
}

void TXLAWindow::CmSaveMeanDlsData()
{
    if (!dlsDataLoaded()) return;
    char szPath[260] = "mean.dlsdat";
    win::OPENFILENAME ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = HWindow;
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = sizeof szPath;
    ofn.lpstrTitle = "select filename for new average DLS data set";
    ofn.lpstrDefExt = "dlsdat";
    ofn.Flags = win::OFN_EXPLORER | win::OFN_PATHMUSTEXIST | win::OFN_HIDEREADONLY;
    if (!win::GetSaveFileName(&ofn)) return;
    saveMeanDlsData(szPath);
}

void TXLAWindow::CmToggleIntensityFieldAcf()
{
    if (!dlsDataLoaded()) return;
    if (pDlsHeaders[1].fieldAcf) {
        for (int i = 1; i <= nScans; ++i) convertDlsG1ToG2(pScanPoints[i], ppSignal[i], &pDlsHeaders[i]);
        setAcfTitles(szIntensityTitle);
    } else {
        for (int i = 1; i <= nScans; ++i) convertDlsG2ToG1(pScanPoints[i], ppSignal[i], &pDlsHeaders[i]);
        setAcfTitles(szFieldTitle);
    }
    // measurements on lag grids of their own have copies on the common grid
    setupNoiseRadialGrid();
    redrawDataPlot(1);
    updateResidualsPlot(1);
    Invalidate(true);
}

void TXLAWindow::CmAlwaysLoadG2()
{
    bAlwaysG2 = bAlwaysG2 ? 0 : 1;
    if (win::HMENU m = GetMenu())
        win::CheckMenuItem(m, CM_ALWAYS_LOAD_G2, win::MF_BYCOMMAND | (bAlwaysG2 ? win::MF_CHECKED : win::MF_UNCHECKED));
}
