// Raw-data transformation tools: the workers and their Options-menu commands.
#include "scandata/raw_transform_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/loaded_scan_writer.h"
#include "scandata/mouse_actions.h"
#include "scandata/noise_grid.h"
#include "scandata/raw_data_commands.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"

using namespace win;

namespace {

// The common start of a change of the loaded scans.
void beginDataChange()
{
    endActiveMouseActions();
    bDataChanged = 1;
}

template <class F>
void forEachPoint(F f)
{
    for (int i = 1; i <= nScans; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j) f(i, j);
}

// Reads a scan file that is not part of the set (no merging of points);
// what the loaded data are taken for stays as it was.
bool readSideScan(const char* szPath, ScanHeader* pHeader, int* pn, float** ppR, float** ppS, float** ppThird)
{
    const unsigned char bIntensity = bIntensityData, bAbsorbance = bAbsorbanceData,
                        bInterference = bInterferenceData;
    const int bRead = readScanFile(szPath, pHeader, pn, ppR, ppS, ppThird, nullptr, 0.0f);
    bIntensityData = bIntensity;
    bAbsorbanceData = bAbsorbance;
    bInterferenceData = bInterference;
    return bRead != 0;
}

void reverse(float* p, int n)
{
    if (p) std::reverse(p + 1, p + n + 1);
}

}  // namespace

bool invertRawData(float f)
{
    if (nScans == 0 || refuseDlsData()) return false;
    beginDataChange();
    forEachPoint([f](int i, int j) { ppSignal[i][j] *= f; });
    setupNoiseRadialGrid();
    return true;
}

bool correctRadialCalibration(float a, float b)
{
    if (nScans == 0 || refuseDlsData()) return false;
    beginDataChange();
    forEachPoint([a, b](int i, int j) { ppRadius[i][j] = a * ppRadius[i][j] + b; });
    setupNoiseRadialGrid();
    return true;
}

bool addConstantTime(double dt, double dw)
{
    if (nScans == 0) return false;
    beginDataChange();
    for (int i = 1; i <= nScans; ++i) {
        pScanHeaders[i].timeWritten += dt;
        pScanHeaders[i].omega2t += dw;
    }
    return true;
}

bool addSimulatedData(float f)
{
    if (nScans == 0 || refuseDlsData()) return false;
    beginDataChange();
    forEachPoint([f](int i, int j) { ppSignal[i][j] += f * ppFit[i][j]; });
    setupNoiseRadialGrid();
    return true;
}

bool mirrorRawData(float r1, float r2, bool bUpsideDown)
{
    if (nScans == 0 || refuseDlsData()) return false;
    beginDataChange();
    const float fHi = std::max(r1, r2), fLo = std::min(r1, r2);
    for (int i = 1; i <= nScans; ++i) {
        const int n = pScanPoints[i];
        for (int j = 1; j <= n; ++j) {
            ppRadius[i][j] = fHi - (ppRadius[i][j] - fLo);
            if (bUpsideDown) ppSignal[i][j] = -ppSignal[i][j];
        }
        // Every column keeps its points together, so radii ascend again and
        // each value stays with its radius.
        reverse(ppRadius[i], n);
        reverse(ppSignal[i], n);
        reverse(ppThirdColumn[i], n);
        reverse(ppFit[i], n);
        reverse(ppModelPart[i], n);
        reverse(ppResidual[i], n);
    }
    setupNoiseRadialGrid();
    return true;
}

bool addNoiseToData(float fSigma, float fScale)
{
    if (nScans == 0 || !(fSigma >= 0.0f)) return false;
    beginDataChange();
    forEachPoint([fSigma, fScale](int i, int j) {
        ppSignal[i][j] *= fScale;
        if (fSigma > 0.0f) ppSignal[i][j] += static_cast<float>(gaussianRandom(fSigma));
    });
    setupNoiseRadialGrid();
    return true;
}

bool subtractConstantFromData(float c)
{
    if (nScans == 0) return false;
    beginDataChange();
    forEachPoint([c](int i, int j) { ppSignal[i][j] -= c; });
    setupNoiseRadialGrid();
    calcMeanScan();
    return true;
}

bool subtractBlankScan(const char* szPath)
{
    if (nScans == 0 || refuseDlsData()) return false;
    ScanHeader hdr{};
    int n = 0;
    float *pR = nullptr, *pS = nullptr, *pThird = nullptr;
    if (!readSideScan(szPath, &hdr, &n, &pR, &pS, &pThird)) {
        showErrorMessage("LOAD ERROR", 0);
        return false;
    }
    beginDataChange();
    // The loaded signal of intensity data is the file's third column: the
    // blank's is taken from the same column.
    const float* pBlank = (bIntensityData && pThird) ? pThird : pS;
    for (int i = 1; i <= nScans; ++i) {
        const int m = pScanPoints[i];
        float* pAt = vector(1, m);
        interpolateOnGrid(m, ppRadius[i], pAt, n, pR, pBlank);
        for (int j = 1; j <= m; ++j) ppSignal[i][j] -= pAt[j];
        free_vector(pAt, 1, m);
    }
    free_vector(pR, 1, n);
    free_vector(pS, 1, n);
    free_vector(pThird, 1, n);
    setupNoiseRadialGrid();
    return true;
}

// ---------------------------------------------------------------- commands

void TXLAWindow::CmInvertRawData()
{
    if (!invertRawData(-1.0f)) return;
    redrawDataPlot(0);
    playOkSound();
    InvalidateUnlessBatch();
    offerSaveRawDataSet(this, "save new data?");
}

void TXLAWindow::CmRecalibrateRadius()
{
    if (nScans == 0) return;
    MessageBox(HWindow,
               "correct radial calibration in interference requires location of the \n transition from fringes "
               "to grey in the counterbalance image.\nIf the transition grey-black has been used erroneously, "
               "please \nenter the estimated radial positions of these points: \n(accept defaults if not known)",
               "RECALIBRATE RADIUS", MB_OK);
    float fLeft = 5.9f, fRight = 7.1f;
    if (!inputFloat(&fLeft, fLeft, true, "left transition grey-black was at", "RECALIBRATE RADIUS")) return;
    if (!inputFloat(&fRight, fRight, true, "right transition grey-black was at", "RECALIBRATE RADIUS")) return;
    // the references 5.85 and 7.15 go to the two positions: a right position
    // at or inside the left one would fold or collapse the radial axis
    if (!(fRight > fLeft)) {
        scanErrorBox("the right transition must lie outside the left one - radii not changed", "RECALIBRATE RADIUS");
        return;
    }
    const float a = (fRight - fLeft) / (7.15f - 5.85f);
    const float b = fLeft - a * 5.85f;
    if (!correctRadialCalibration(a, b)) return;
    InvalidateUnlessBatch();
    playOkSound();
    offerSaveRawDataSet(this, "save new data?");
}

void TXLAWindow::CmTimeOffset()
{
    if (nScans == 0) return;
    MessageBox(HWindow, "correct time and w^2t entry of file (e.g. after power failure)", "TIME OFFSET", MB_OK);
    float fTime = 0.0f;
    if (!inputFloat(&fTime, 0.0f, true, "elapsed time offset (sec)", "TIME OFFSET")) return;
    const double dOmega = kRpmToOmega * pScanHeaders[1].rpm;
    float fW2t = static_cast<float>(dOmega * dOmega * fTime);
    if (!inputFloat(&fW2t, fW2t, true, "elapsed w^2t offset (rad^2/sec)", "TIME OFFSET")) return;
    if (!addConstantTime(fTime, fW2t)) return;
    playOkSound();
    InvalidateUnlessBatch();
    offerSaveRawDataSet(this, "save new data?");
}

void TXLAWindow::CmAddSubtractScans()
{
    if (nScans == 0) return;
    bool bChanged = false;
    if (scanYesNoBox("add simulated data to existing data?", "ADD OR SUBTRACT SCANS"))
        bChanged = addSimulatedData(1.0f);
    else if (scanYesNoBox("subtract simulated data from existing data?", "ADD OR SUBTRACT SCANS"))
        bChanged = addSimulatedData(-1.0f);
    if (!bChanged) return;
    redrawDataPlot(1);
    InvalidateUnlessBatch();
    offerSaveRawDataSet(this, "save data?");
}

void TXLAWindow::CmMirrorData()
{
    if (nScans == 0) return;
    if (MessageBox(HWindow,
                   "This function makes a mirror image of the data, assuming that there are two reference points "
                   "whose radial values are correct but exchanged.\nFor example, the true value of r1 is r2 and "
                   "the true vaue of r2 is r1.\nThis may occur if the fringe pattern is experiencing an extra "
                   "reflection, \ncausing the inside reference radius to appear on the right and the outside "
                   "reference radius to be on the left.",
                   "MIRROR DATA", MB_OKCANCEL) == IDCANCEL)
        return;
    float r1 = 5.85f, r2 = 7.15f;
    if (!inputFloat(&r1, r1, true, "first reference radius (cm)", "MIRROR DATA")) return;
    if (!inputFloat(&r2, r2, true, "second reference radius (cm)", "MIRROR DATA")) return;
    const bool bUpsideDown = scanYesNoBox("with upside-down reflection?", "MIRROR DATA");
    if (!mirrorRawData(r1, r2, bUpsideDown)) return;
    redrawDataPlot(1);
    InvalidateUnlessBatch();
    offerSaveRawDataSet(this, "save data?");
}

void TXLAWindow::CmAddNoiseToData()
{
    if (nScans == 0) return;
    float fScale = 1.0f, fSigma = 0.005f;
    if (!inputFloat(&fScale, fScale, true, "scale factor for scan signals", "SCALE SIGNAL")) return;
    if (!inputFloat(&fSigma, fSigma, true, "enter magnitude of noise", "ADD NOISE TO DATA")) return;
    if (!addNoiseToData(fSigma, fScale)) return;
    redrawDataPlot(1);
    InvalidateUnlessBatch();
    offerSaveRawDataSet(this, "save data?");
}

void TXLAWindow::CmSubtractConstant()
{
    if (nScans == 0) return;
    float c = 0.0f;
    if (!inputFloat(&c, c, true, "subtract constant (e.g. known baseline)", "SUBTRACT CONSTANT")) return;
    if (!subtractConstantFromData(c)) return;
    redrawDataPlot(1);
    InvalidateUnlessBatch();
    offerSaveRawDataSet(this, "save data?");
}

void TXLAWindow::CmSubtractBlankScan()
{
    if (nScans == 0) return;
    char szPath[260] = "blank";
    OPENFILENAME ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = HWindow;
    ofn.lpstrFilter = ofnData.lpstrFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = sizeof szPath;
    ofn.lpstrInitialDir = ofnData.lpstrInitialDir;
    ofn.lpstrTitle = "select blank scan to be subtracted";
    ofn.Flags = 0x81A00;
    ofn.lpstrDefExt = "*";
    bCtotBusy = 1;
    const bool bChosen = GetSaveFileName(&ofn) != 0;
    bCtotBusy = 0;
    // a cancelled dialog is no error; a path too long for the buffer is
    if (!bChosen && CommDlgExtendedError() != 0)
        MessageBox(HWindow, "GetSaveFileName returned Error", "WARNING", MB_OK | MB_ICONSTOP);
    if (bChosen) subtractBlankScan(szPath);
    redrawDataPlot(1);
    InvalidateUnlessBatch();
    offerSaveRawDataSet(this, "save data?");
}

void TXLAWindow::CmSubtractNoiseFromEqData()
{
    if (!bFitTINoise) return;
    const OPENFILENAME standing = ofnData;
    char szScan[260] = "";
    ofnData.lpstrFile = szScan;
    ofnData.nMaxFile = sizeof szScan;
    ofnData.Flags = 0x81800;
    ofnData.lpstrTitle = "select equilbrium scan";
    bCtotBusy = 1;
    if (!GetOpenFileName(&ofnData)) {
        // a cancelled dialog is no error
        bCtotBusy = 0;
        if (CommDlgExtendedError() != 0)
            MessageBox(HWindow, "GetOpenFileName returned Error", "WARNING", MB_OK | MB_ICONSTOP);
        ofnData = standing;
        return;
    }
    const ScanPathParts p = splitScanPath(szScan);
    const std::string out =
        bOldFilenameConvention ? p.drive + p.dir + p.name + ".RTI" : p.drive + p.dir + "RTI" + p.ext;
    char szOut[260] = "";
    copyToBuffer(szOut, sizeof szOut, out);
    ofnData.lpstrFile = szOut;
    ofnData.nMaxFile = sizeof szOut;
    ofnData.Flags = 0x81802;
    ofnData.lpstrTitle = "save corrected data as";
    const bool bSave = GetSaveFileName(&ofnData) != 0;
    bCtotBusy = 0;
    ofnData = standing;
    if (!bSave) return;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    SubtractNoiseFromEqData(szScan, szOut);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

void TXLAWindow::SubtractNoiseFromEqData(const char* szScanPath, const char* szOutputPath)
{
    if (refuseDlsData()) return;
    if (!bFitTINoise || nNoiseGridPoints < 1 || !pNoiseGrid || !pTINoiseSaved || !pTINoiseAux) return;
    ScanHeader hdr{};
    int n = 0;
    float *pR = nullptr, *pS = nullptr, *pThird = nullptr;
    if (!readSideScan(szScanPath, &hdr, &n, &pR, &pS, &pThird)) {
        scanNoticeBox(szScanPath, "LOAD ERROR");
        return;
    }
    if (bIntensityData && pThird) {
        // read as it stands in the file: the reference intensity second, the
        // sample's third; absorbance is log10(reference / sample)
        for (int j = 1; j <= n; ++j)
            if (pS[j] > 0.0f && pThird[j] > 0.0f) pS[j] = std::log10(pS[j] / pThird[j]);
        // absorbance written from intensity data carries an absorbance letter
        if (hdr.dataType == 'I') hdr.dataType = 'R';
        if (hdr.dataType == 'V') hdr.dataType = 'W';
    }
    float* pTI = vector(1, nNoiseGridPoints);
    for (int k = 1; k <= nNoiseGridPoints; ++k) pTI[k] = pTINoiseSaved[k] + pTINoiseAux[k];
    float* pAt = vector(1, n);
    interpolateOnGrid(n, pR, pAt, nNoiseGridPoints, pNoiseGrid, pTI);
    const float fLo = pNoiseGrid[std::max(1, nNoiseGridFirst)];
    const float fHi = pNoiseGrid[std::min(nNoiseGridPoints, std::max(1, nNoiseGridLast))];
    int nFirst = 1;
    while (nFirst <= n && pR[nFirst] < fLo) ++nFirst;
    int nLast = n;
    while (nLast >= nFirst && pR[nLast] > fHi) --nLast;
    const int m = nLast - nFirst + 1;
    if (m > 0) {
        float* pOutR = vector(1, m);
        float* pOutS = vector(1, m);
        for (int j = 1; j <= m; ++j) {
            pOutR[j] = pR[nFirst + j - 1];
            pOutS[j] = pS[nFirst + j - 1] - pAt[nFirst + j - 1];
        }
        // a file that cannot be written is named; nothing speaks of success
        if (!writeScanFile(szOutputPath, m, pOutR, pOutS, nullptr, "time-independent noise corrected file ", 1,
                           &hdr))
            reportUnwritableFile(szOutputPath);
        free_vector(pOutR, 1, m);
        free_vector(pOutS, 1, m);
    }
    free_vector(pAt, 1, n);
    free_vector(pTI, 1, nNoiseGridPoints);
    free_vector(pR, 1, n);
    free_vector(pS, 1, n);
    free_vector(pThird, 1, n);
}
