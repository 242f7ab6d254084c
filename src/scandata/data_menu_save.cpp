// The Data-menu commands that write what the program holds back to disk:
// fitted curves, residuals, systematic noise, raw scans, intensity data as
// absorbance, the averaged scan, the saved fit parameters and the export to
// DRELLIX.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/data_menu.h"
#include "scandata/loaded_scan_writer.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"
#include "tools/dls/dls_data.h"
#include "tools/exports/xp_export.h"
#include "tools/fluorescence/nonlinear_detection.h"

char szFitFileTemplate[260] = "";

std::string fitOutputPath(const std::string& chosen, int i, char cFirst) {
    const ScanPathParts c = splitScanPath(chosen);
    const ScanPathParts s = splitScanPath(ppScanFileName[i]);
    if (bOldFilenameConvention) return c.drive + c.dir + c.name + s.ext;
    std::string name = s.name;
    if (!name.empty()) name[0] = cFirst;
    return c.drive + c.dir + name + s.ext;
}

namespace {

// OFN_EXPLORER with OFN_FILEMUSTEXIST and OFN_PATHMUSTEXIST; with
// OFN_OVERWRITEPROMPT; OFN_EXPLORER, OFN_PATHMUSTEXIST, OFN_OVERWRITEPROMPT.
constexpr win::DWORD nFlagsMustExist = 0x81800;
constexpr win::DWORD nFlagsOverwrite = 0x81802;
constexpr win::DWORD nFlagsNewFile = 0x80802;

// The main window's open-file record lent to the save dialogs of one
// command; its standing contents come back on every way out.
class BorrowedDialogRecord {
public:
    explicit BorrowedDialogRecord(TXLAWindow* pWindow) : w(pWindow), standing(pWindow->ofnData) {}
    ~BorrowedDialogRecord() { w->ofnData = standing; }
    BorrowedDialogRecord(const BorrowedDialogRecord&) = delete;
    BorrowedDialogRecord& operator=(const BorrowedDialogRecord&) = delete;

    // A save dialog starting from the name; the chosen path is left in
    // szFitFileTemplate.
    bool Ask(const std::string& name, const char* szTitle, win::DWORD nFlags, const char* szDefExt = "") {
        copyToBuffer(szFitFileTemplate, sizeof(szFitFileTemplate), name);
        w->ofnData.lpstrFile = szFitFileTemplate;
        w->ofnData.nMaxFile = sizeof(szFitFileTemplate);
        w->ofnData.lpstrTitle = szTitle;
        w->ofnData.Flags = nFlags;
        w->ofnData.lpstrDefExt = szDefExt;
        w->bCtotBusy = 1;
        const bool bOk = win::GetSaveFileName(&w->ofnData) != 0;
        w->bCtotBusy = 0;
        return bOk;
    }

private:
    TXLAWindow* w;
    win::OPENFILENAME standing;
};

bool fileIsThere(const std::string& path) {
    win::HFILE h = win::_lopen(path.c_str(), win::OF_READ);
    if (h == win::HFILE_ERROR) return false;
    win::_lclose(h);
    return true;
}

// Asks before an existing file is replaced; false when it must stay.
bool mayOverwrite(const std::string& path, const char* szQuestion) {
    // the unattended run writes its results without asking
    if (!fileIsThere(path) || bResultsWritten) return true;
    playInfoSound();
    char sz[400];
    std::snprintf(sz, sizeof(sz), szQuestion, path.substr(0, 300).c_str());
    return scanYesNoBox(sz, "ERROR");
}

// The directory part of a path.
std::string directoryOf(const std::string& path) {
    const ScanPathParts p = splitScanPath(path);
    return p.drive + p.dir;
}

// The points of scan i inside its fit limits (0 stands for the whole scan).
void fitRange(int i, int* pFirst, int* pLast) {
    *pFirst = pFitFirstIndex[i] > 0 ? pFitFirstIndex[i] : 1;
    *pLast = pFitLastIndex[i] > 0 ? pFitLastIndex[i] : pScanPoints[i];
}

// The c(s)-type models whose peaks the export can hand over as species.
bool isPeakExportModel() {
    return bModelCS || bModelCSFf0 || bModelCSFf0OneDiscrete || bModelCSConformationalChange ||
           bModelCSFixFf0FloatingVbar || bModelCSScalingLaw || bModelCSWormlikeChain || bModelCSBimodalFf0OneDiscrete ||
           bModelCSFlotation || bModelCSBimodalFf0 || bModelCSOneDiscreteD || bBufferMismatch ||
           bModelCSWithMsTable || bModelCSOneDiscreteM || bModelCSInvariantD || bModelNonidealCS ||
           bModelHinderedCS || bModelCSLinearRods;
}

// The molar mass of a peak at s by the model's M(s) relation: the frictional
// ratio's, unless the model has its own (the first that applies wins).
float exportPeakMass(float fS) {
    float fM = CalculateM(fS);
    if (bModelCSBimodalFf0 || bModelCSBimodalFf0OneDiscrete) {
        if (fBimodalSMin <= fS && fS <= fBimodalSMax) fM = CalculateMff02(fS, fBimodalFf0Second);
    } else if (bModelCSFlotation) {
        fM = 0.0f;
    } else if (bModelCSScalingLaw) {
        fM = MFromSPowerLaw(fS);
    } else if (bModelCSWormlikeChain) {
        fM = wormChainMFromS(fS);
    } else if (bModelCSWithMsTable) {
        fM = mOfSInterpolate(fS);
    } else if (bModelCSConformationalChange) {
        if (fConfChangeSMin <= fS && fS <= fConfChangeSMax) fM = fConfChangeM;
    } else if (bModelCSInvariantD) {
        fM = DFromSM(fS, fCSInvariantD * 1e-7f, fTemperatureK - kZeroCelsiusF);
    } else if (bModelCSLinearRods) {
        fM = CalculateMofSforLinearRod(fS, fLinearRodParam);
    }
    return fM;
}

// The peaks of the distribution curve (at most 10, highest first) as export
// species: the weight-average s of each peak and its molar mass. Each peak is
// one species (distinctPeaks): a maximum inside a higher peak is part of it.
void convertPeaksToSpecies() {
    bExportPeaksAsSpecies = 1;
    float px[11], py[11];
    int pIndex[11];
    const int nMaxima = pDistCurve ? pDistCurve->FindPeaks(px, py, pIndex, 10, 2) : 0;
    const std::vector<DistributionPeak> peaks = distinctPeaks(pIndex, nMaxima, 0.9f);
    const int n = static_cast<int>(peaks.size());
    if (n < 1) {
        bExportPeaksAsSpecies = 0;
        nExportSpecies = 0;
        return;
    }
    nExportSpecies = n;
    pExportSpeciesS = vector(1, n);
    pExportSpeciesM = vector(1, n);
    for (int k = 1; k <= n; ++k) {
        pExportSpeciesS[k] = peaks[k - 1].fMean;
        pExportSpeciesM[k] = exportPeakMass(peaks[k - 1].fMean);
    }
}

// Absorbance from reference and sample intensity; 10 where either is not
// positive.
float absorbance(float fReference, float fSample) {
    if (fReference > 0.0f && fSample > 0.0f) return static_cast<float>(std::log10(fReference / fSample));
    return 10.0f;
}

// The absorbance letter of intensity data ('I' -> 'R', 'V' -> 'W').
char absorbanceLetter(char c) { return c == 'V' ? 'W' : c == 'I' ? 'R' : c; }

// Noise added to a light-scattering fit, asked for each record.
struct DlsNoise {
    bool bField = false;
    float fLevel = 0.0f;
};

void askDlsNoise(DlsNoise& noise) {
    if (!scanYesNoBox("add noise?", "SAVE DLS DATA")) return;
    noise.bField = scanYesNoBox("add noise to field autocorrelation?", "SAVE DLS DATA");
    inputFloat(&noise.fLevel, 0.0f, true,
               noise.bField ? "level of noise in field autocorrelation:" : "level of noise in intensity autocorrelation:",
               "SAVE DLS DATA");
}

// The curves of every scan (fits or residuals) as scan files.
void saveCurveFiles(const char* szPath, bool bResiduals, bool bConvert) {
    if (nScans < 1) return;
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    bool bOverwriteAll = bResiduals ? false : bResultsWritten != 0;
    for (int i = 1; i <= nScans; ++i) {
        const std::string out = fitOutputPath(szPath, i, bResiduals ? 'r' : 'f');
        int first, last;
        fitRange(i, &first, &last);
        const int n = last - first + 1;
        if (n < 1) continue;
        float* x = ppRadius[i] + first - 1;
        // a fit shown through the nonlinear-detection transform is written
        // raw, like the data it goes with
        std::vector<float> rawFit;
        float* y = (bResiduals ? ppResidual[i] : rawScaleOfScan(i, true, rawFit)) + first - 1;
        float* third = (bIntensityData && !bResiduals && ppThirdColumn[i]) ? ppThirdColumn[i] + first - 1 : nullptr;
        std::vector<float> converted;
        if (bConvert && bIntensityData && third) {
            converted.resize(static_cast<size_t>(n) + 1);
            for (int k = 1; k <= n; ++k) converted[k] = absorbance(third[k], y[k]);
            y = converted.data();
        }
        const std::string title = std::string(bResiduals ? "residuals to " : "fitted to ") + ppScanFileName[i];
        if (!bOverwriteAll && fileIsThere(out)) {
            if (!mayOverwrite(out, "file %s already exists!\nOverwrite all?")) {
                scanNoticeBox(bResiduals ? "residuals not saved" : "fit not saved", "ERROR");
                break;
            }
            bOverwriteAll = true;
        }
        if (bDLSData) {
            DlsNoise noise;
            askDlsNoise(noise);
            std::vector<float> acf(static_cast<size_t>(n) + 1);
            for (int k = 1; k <= n; ++k) {
                double v = y[k];
                if (noise.fLevel > 0.0f && noise.bField) v += gaussianRandom(noise.fLevel);
                v = v > 0.0 ? v * v : (v < 0.0 ? -v * v : 0.0);
                if (noise.fLevel > 0.0f && !noise.bField) v += gaussianRandom(noise.fLevel);
                acf[k] = static_cast<float>(v);
            }
            // The squared values are the intensity autocorrelation.
            DlsScanHeader record{};
            if (pDlsHeaders) record = pDlsHeaders[i];
            record.fieldAcf = 0;
            // One message for a folder that takes no files, not one per scan.
            if (!writeDlsDatSet(out.c_str(), n, x, acf.data(), title.c_str(), &record)) break;
            continue;
        }
        ScanHeader& h = pScanHeaders[i];
        const char cLetter = h.dataType;
        // Absorbance made from intensities reloads as absorbance.
        if (!converted.empty()) h.dataType = absorbanceLetter(cLetter);
        const bool bWritten = writeLoadedScan(out.c_str(), n, x, y, third, title.c_str(), h.timeStampChecked, &h);
        h.dataType = cLetter;
        // One message for a folder that takes no files, not one per scan.
        if (!bWritten) {
            reportUnwritableFile(out.c_str());
            break;
        }
    }
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
}

// The remembered parameter file moves with a copy of the raw data.
void moveParameterPath(const std::string& dir) {
    if (nScans < 1) return;
    szScanExtra = parameterFilePath(dir, ppScanFileName[pScanTimeOrder[1]]);
}

// Every scan whole, under the name the rule gives, into the chosen directory.
void copyRawDataSet(const char* szPath, bool bSpeedWavelengthNames) {
    if (bDLSData) {
        scanInfoBox("not implemented for DLS data", "ERROR");
        return;
    }
    const std::string dir = directoryOf(szPath);
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    moveParameterPath(dir);
    // Scan files already there (the originals, when the folder is theirs)
    // are replaced only when the user says so.
    bool bOverwriteAll = bResultsWritten != 0;
    for (int i = 1; i <= nScans; ++i) {
        char szName[300];
        if (bSpeedWavelengthNames)
            speedWavelengthFileName(i, szName, sizeof(szName));
        else
            std::snprintf(szName, sizeof(szName), "%s", ppScanFileName[i]);
        const std::string out = dir + szName;
        if (!bOverwriteAll && fileIsThere(out)) {
            if (!mayOverwrite(out, "file %s already exists!\nOverwrite all?")) {
                scanNoticeBox("file not saved", "ERROR");
                break;
            }
            bOverwriteAll = true;
        }
        // the detector's raw values, also while the transformed ones are shown
        std::vector<float> raw;
        if (!writeLoadedScan(out.c_str(), pScanPoints[i], ppRadius[i], rawScaleOfScan(i, false, raw),
                             bIntensityData ? ppThirdColumn[i] : nullptr, "", pScanHeaders[i].timeStampChecked,
                             &pScanHeaders[i])) {
            reportUnwritableFile(out.c_str());
            break;
        }
    }
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
}

// The name of scan i with the third character of its extension made 'a'
// (".RI1" -> ".Ra1") and, when given, a new first character; false when the
// extension is not one of intensity data.
bool absorbanceCopyPath(int i, char cFirst, std::string* pPath) {
    const ScanPathParts s = splitScanPath(ppScanFileName[i]);
    std::string ext = s.ext;
    if (ext.size() < 3 || (ext[2] != 'i' && ext[2] != 'I')) return false;
    ext[2] = 'a';
    std::string name = s.name;
    if (cFirst && !name.empty()) name[0] = cFirst;
    *pPath = directoryOf(szScanExtra) + name + ext;
    return true;
}

// One pass of the pseudo-absorbance copy: log10(1000 / column) of the signal
// or of the third column.
bool writePseudoAbsorbance(char cFirst, bool bThird) {
    for (int i = 1; i <= nScans; ++i) {
        std::string out;
        if (!absorbanceCopyPath(i, cFirst, &out)) return false;
        const float* src = bThird ? ppThirdColumn[i] : ppSignal[i];
        if (!src) continue;
        const int n = pScanPoints[i];
        std::vector<float> y(static_cast<size_t>(n) + 1);
        for (int k = 1; k <= n; ++k) y[k] = absorbance(1000.0f, src[k]);
        ScanHeader& h = pScanHeaders[i];
        const char cLetter = h.dataType;
        h.dataType = 'R';
        const bool bWritten = writeLoadedScan(out.c_str(), n, ppRadius[i], y.data(), nullptr, "", h.timeStampChecked, &h);
        h.dataType = cLetter;
        if (!bWritten) {
            reportUnwritableFile(out.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

void speedWavelengthFileName(int i, char* szOut, int nSize) {
    const ScanHeader& h = pScanHeaders[i];
    const std::string name = ppScanFileName[i];
    const ScanPathParts s = splitScanPath(name);
    const int nKrpm = static_cast<int>(std::floor(0.001 * h.rpm));
    const bool bCorrected = name.size() >= 4 && name.compare(1, 3, "cor") == 0;
    const size_t nAt = bCorrected ? 8 : 2;
    const std::string number = nAt < name.size() ? name.substr(nAt, 3) : std::string();
    const char cFirst = name.empty() ? '_' : name[0];
    const bool bFine = h.dataType == 'W';
    const int nWave = static_cast<int>(std::floor(bFine ? 1000.0 * h.wavelength : static_cast<double>(h.wavelength)));
    if (bCorrected)
        std::snprintf(szOut, static_cast<size_t>(nSize), bFine ? "%ccorr_%dk%04d_%s%s" : "%ccorr_%dk%03d_%s%s", cFirst,
                      nKrpm, nWave, number.c_str(), s.ext.c_str());
    else
        std::snprintf(szOut, static_cast<size_t>(nSize), bFine ? "%dk%04d_%c%s%s" : "%dk%03d_%c%s%s", nKrpm, nWave,
                      cFirst, number.c_str(), s.ext.c_str());
}

void saveFitFiles(const char* szPath, bool bConvertToAbsorbance) { saveCurveFiles(szPath, false, bConvertToAbsorbance); }

void saveResidualFiles(const char* szPath) {
    if (bDLSData) {
        scanInfoBox("not implemented for DLS data", "ERROR");
        return;
    }
    saveCurveFiles(szPath, true, false);
}

void saveTiNoiseFile(const char* szPath) {
    if (bDLSData) {
        scanInfoBox("not implemented for DLS data", "ERROR");
        return;
    }
    if (nScans < 1 || nNoiseGridPoints < 1 || !pTINoiseSaved) return;
    const ScanPathParts c = splitScanPath(szPath);
    const ScanPathParts s = splitScanPath(ppScanFileName[1]);
    const std::string out = bOldFilenameConvention ? s.drive + s.dir + s.name + c.ext : c.drive + c.dir + c.name + s.ext;
    const int first = nNoiseGridFirst, last = nNoiseGridLast;
    const int n = last - first + 1;
    if (n < 1) return;
    std::vector<float> y(static_cast<size_t>(n) + 1);
    for (int j = first; j <= last; ++j) y[j - first + 1] = pTINoiseSaved[j] + (pTINoiseAux ? pTINoiseAux[j] : 0.0f);
    if (!mayOverwrite(out, "file %s already exists!\nOverwrite?")) {
        scanNoticeBox("file not saved", "ERROR");
        return;
    }
    if (!writeLoadedScan(out.c_str(), n, pNoiseGrid + first - 1, y.data(), nullptr, "time-independent noise ",
                         pScanHeaders[1].timeStampChecked, &pScanHeaders[1]))
        reportUnwritableFile(out.c_str());
}

void saveNoiseFile(const char* szPath) {
    if (bDLSData) {
        scanInfoBox("not implemented for DLS data", "ERROR");
        return;
    }
    if (nScans < 1 || !pRINoiseSaved) return;
    const ScanPathParts c = splitScanPath(szPath);
    const ScanPathParts s = splitScanPath(ppScanFileName[1]);
    const std::string out = c.drive + c.dir + c.name + s.ext;
    std::vector<float> x(static_cast<size_t>(nScans) + 1), y(static_cast<size_t>(nScans) + 1);
    for (int k = 1; k <= nScans; ++k) {
        const int i = pScanTimeOrder[k];
        x[k] = static_cast<float>(pScanHeaders[i].timeWritten);
        y[k] = pRINoiseSaved[i];
    }
    if (!mayOverwrite(out, "file %s already exists!\nOverwrite?")) {
        scanNoticeBox("file not saved", "ERROR");
        return;
    }
    saveXYColumns(out.c_str(), nScans, x.data(), y.data());
}

void saveRawDataSet(const char* szPath) { copyRawDataSet(szPath, true); }

void saveRawDataSetCheck(const char* szPath) { copyRawDataSet(szPath, false); }

void saveIntensityAsAbsorbance() {
    if (!bIntensityData) return;
    for (int i = 1; i <= nScans; ++i) {
        std::string out;
        if (!absorbanceCopyPath(i, '\0', &out)) return;
        const int n = pScanPoints[i];
        const float* reference = ppThirdColumn[i];
        std::vector<float> y(static_cast<size_t>(n) + 1);
        for (int k = 1; k <= n; ++k) y[k] = absorbance(reference ? reference[k] : 0.0f, ppSignal[i][k]);
        ScanHeader& h = pScanHeaders[i];
        const char cLetter = h.dataType;
        h.dataType = absorbanceLetter(cLetter);
        const bool bWritten =
            writeLoadedScan(out.c_str(), n, ppRadius[i], y.data(), ppThirdColumn[i], "", h.timeStampChecked, &h);
        h.dataType = cLetter;
        if (!bWritten) {
            reportUnwritableFile(out.c_str());
            return;
        }
    }
    playOkSound();
}

void saveIntensityAsPseudoAbsorbance() {
    if (!bIntensityData) return;
    if (!writePseudoAbsorbance('S', false)) return;
    if (!writePseudoAbsorbance('R', true)) return;
    playOkSound();
}

void TXLAWindow::CmSaveFitData() {
    CmUpdateSavedFitParameters();
    BorrowedDialogRecord record(this);
    if (record.Ask(bOldFilenameConvention ? "fit.rxx" : "f0000x.rxx", "save fitted data as", nFlagsMustExist)) {
        const bool bConvert =
            bIntensityData &&
            win::MessageBox(HWindow, "convert intensities to absorbance data?", "SAVE FITS", win::MB_YESNO) ==
                win::IDYES;
        saveFitFiles(szFitFileTemplate, bConvert);
    }
    if (bDLSData) return;
    const ScanPathParts chosen = splitScanPath(szFitFileTemplate);
    copyToBuffer(szSelName, sizeof(szSelName), chosen.name);
    copyToBuffer(szSelExt, sizeof(szSelExt), chosen.ext);
    if (record.Ask(bOldFilenameConvention ? "res.rxx" : "r0000x.rxx", "save residuals as", nFlagsMustExist))
        saveResidualFiles(szFitFileTemplate);
    const std::string proposed = bOldFilenameConvention ? std::string(szSelName) + ".par"
                                                        : std::string("fitparams") + szSelExt;
    if (record.Ask(proposed, "save some fit parameters as", nFlagsMustExist))
        writeFitParameterReport(this, szFitFileTemplate);
}

namespace {

bool modelKeepsFitParameters() {
    const bool bAllowed = bModelCSOneDiscreteM || bModelCS || bModelCSFf0 || bModelCSFf0OneDiscrete ||
                          bModelNonidealCS || bModelHinderedCS || bModelCSFlotation;
    const bool bExcluded = bModelCSLinearRods || bModelHybridCSLsgs || bModelCSInvariantD || bModelCSWithMsTable ||
                           bModelCSConformationalChange || bModelCSWormlikeChain || bModelCSFixFf0FloatingVbar ||
                           bModelCSBimodalFf0OneDiscrete || bModelCSBimodalFf0 || bModelCMVbarM ||
                           bModelLsgsOneDiscrete || bDLSData || bModelElectrophoresisCV || bEquilibriumDataMode;
    return bAllowed && !bExcluded;
}

// A dialog on "~*" + the remembered file's extension in its directory.
bool askParameterFile(TXLAWindow* w, bool bSave, win::DWORD nFlags, char* szPath) {
    const ScanPathParts p = splitScanPath(szScanExtra);
    const std::string pattern = "~*" + p.ext;
    std::string filter = "~tmppars files (~*" + p.ext + ")";
    filter.push_back('\0');
    filter += pattern;
    filter.push_back('\0');
    filter.push_back('\0');
    copyToBuffer(szPath, 260, p.drive + p.dir + pattern);
    const std::string dir = p.drive + p.dir;
    win::OPENFILENAME ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = w->HWindow;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = 260;
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrTitle = "export parameter file";
    ofn.Flags = nFlags;
    w->bCtotBusy = 1;
    const bool bOk = (bSave ? win::GetSaveFileName(&ofn) : win::GetOpenFileName(&ofn)) != 0;
    w->bCtotBusy = 0;
    return bOk;
}

}  // namespace

void TXLAWindow::CmUpdateSavedFitParameters() {
    if (!modelKeepsFitParameters()) {
        win::MessageBox(HWindow, "cannot save fit parameters of current model", "SAVE PARAMETERS", win::MB_OK);
        return;
    }
    const std::string remembered = szScanExtra;
    char sz[400];
    std::snprintf(sz, sizeof(sz), "save in %.300s ?", szScanExtra.c_str());
    if (win::MessageBox(HWindow, sz, "SAVE PARAMETERS", win::MB_YESNO) != win::IDYES) {
        char szPath[260];
        if (!askParameterFile(this, true, nFlagsNewFile, szPath)) {
            win::MessageBox(HWindow, "sorry could not save fit parameters to this file", "SAVE PARAMETERS",
                            win::MB_OK);
            return;
        }
        szScanExtra = szPath;
    }
    TmpSaveBestParams(this, 0);
    szScanExtra = remembered;
}

void TXLAWindow::CmReloadSavedFitParameters() {
    const std::string remembered = szScanExtra;
    std::string path = remembered;
    char sz[400];
    std::snprintf(sz, sizeof(sz), "restore parameters from %.300s ?", szScanExtra.c_str());
    bCtotBusy = 1;
    const int nAnswer = win::MessageBox(HWindow, sz, "LOAD PARAMETERS", win::MB_YESNO);
    bCtotBusy = 0;
    if (nAnswer != win::IDYES) {
        char szPath[260];
        if (!askParameterFile(this, false, nFlagsMustExist, szPath)) {
            win::MessageBox(HWindow, "sorry could not retrieve fit parameters file", "LOAD PARAMETERS", win::MB_OK);
            return;
        }
        path = szPath;
    }
    ReloadParameters(path.c_str());
    szScanExtra = remembered;
}

void TXLAWindow::CmSaveNoise() {
    BorrowedDialogRecord record(this);
    if (bFitTINoise &&
        record.Ask(bOldFilenameConvention ? "xxx.TIN" : "TIN.rxx", "save time independent noise component as",
                   nFlagsOverwrite))
        saveTiNoiseFile(szFitFileTemplate);
    if (bFitRINoise &&
        record.Ask(bOldFilenameConvention ? "xxx.RIN" : "RIN.rxx", "save radial independent noise component as",
                   nFlagsMustExist))
        saveNoiseFile(szFitFileTemplate);
}

void TXLAWindow::CmSaveRawDataSet() {
    if (nScans < 1) return;
    BorrowedDialogRecord record(this);
    bCtotBusy = 1;
    const bool bSpeedNames =
        !bDLSData &&
        win::MessageBox(HWindow, "save data with wavelenth/speed information in filename (e.g. '20k280_001.ra1')?", "",
                        win::MB_YESNO) == win::IDYES;
    if (bSpeedNames) {
        if (record.Ask(bOldFilenameConvention ? "data.rxx" : "20k280_001.ra1", "select directory ", nFlagsOverwrite))
            saveRawDataSet(szFitFileTemplate);
    } else if (record.Ask(bOldFilenameConvention ? "data.rxx" : "x.rxx", "save raw data in new directory",
                          nFlagsOverwrite)) {
        saveRawDataSetCheck(szFitFileTemplate);
    }
    bCtotBusy = 0;
}

void TXLAWindow::CmSaveIntensityAsAbsorbance() { saveIntensityAsAbsorbance(); }

void TXLAWindow::CmSaveIntensityAsPseudoAbsorbance() { saveIntensityAsPseudoAbsorbance(); }

void TXLAWindow::CmAverageScans() {
    if (nScans < 1) {
        win::MessageBox(HWindow, "please load scans first", "AVERAGE SCANS", win::MB_OK);
        return;
    }
    buildScanFileList(0);
    const ScanPathParts first = splitScanPath(ppPendingFileName[1]);
    char szPath[260];
    copyToBuffer(szPath, sizeof(szPath), first.drive + first.dir + "average" + first.ext);
    const std::string dir = first.drive + first.dir;
    win::OPENFILENAME ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = HWindow;
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = sizeof(szPath);
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrTitle = "select filename for averaged scan";
    ofn.Flags = win::OFN_EXPLORER;
    bCtotBusy = 1;
    const bool bOk = win::GetSaveFileName(&ofn) != 0;
    bCtotBusy = 0;
    // Cancel leaves the loaded set as it was.
    if (!bOk || nNoiseGridPoints < 1) return;
    // The average replaces the set only once it is on disk.
    if (!writeLoadedScan(szPath, nNoiseGridPoints, pNoiseGrid, pTINoise, nullptr, "averaged",
                         pScanHeaders[1].timeStampChecked, &pScanHeaders[1])) {
        reportUnwritableFile(szPath);
        return;
    }
    freeScanFileList();
    ppPendingFileName = new char*[2]();
    ppPendingFileName[1] = new char[260];
    copyToBuffer(ppPendingFileName[1], 260, szPath);
    nPendingFiles = 1;
    playOkSound();
    ReloadScanFileList();
}

void TXLAWindow::CmSaveEquilibriumData() {
    if (!bSimulateBeyondLastScan) return;
    BorrowedDialogRecord record(this);
    if (record.Ask("eq.rxx", "save equilibrium data as", nFlagsOverwrite)) saveEquilibriumScan(szFitFileTemplate);
}

void TXLAWindow::CmTransformEquilibriumMStar() {
    if (bEquilibriumDataMode)
        mStarSetScreen(this);
    else
        win::MessageBox(HWindow, "equilibrium data set must be loaded for MSTAR", "ERROR", win::MB_OK);
}

void TXLAWindow::CmExportXp() {
    if (bModelFMScalingLaw) return;
    static const char szXpFilter[] = "DRELLIX xp Files (*.xp)\0*.xp\0";
    bCtotBusy = 1;
    {
        BorrowedDialogRecord record(this);
        bExportPeaksAsSpecies = 0;
        ofnData.lpstrFilter = szXpFilter;
        ofnData.nFilterIndex = 1;
        bool bGo = record.Ask("data.xp", "export data as DRELLIX xp file", nFlagsOverwrite, "xp");
        bCtotBusy = 1;
        const std::string xp = szFitFileTemplate;
        bGo = bGo && writeXpExperimentFile(this, xp.c_str());
        bGo = bGo && win::MessageBox(HWindow, "launch DRELLIX with data?", "", win::MB_YESNO) == win::IDYES;
        if (bGo) {
            if (!bModelDiscreteSpecies && pDistPlot && isPeakExportModel() &&
                win::MessageBox(HWindow, "convert all c(s) peaks to discrete species?", "", win::MB_YESNO) ==
                    win::IDYES)
                convertPeaksToSpecies();
            std::string arg = xp;
            if (bModelContinuous) {
                const ScanPathParts p = splitScanPath(xp);
                const std::string config = p.drive + p.dir + p.name + "_from_morvex_c(s)" + ".drellix";
                if (writeExportParameterFile(this, config.c_str(), xp.c_str())) arg = config;
            }
            const std::string cmd = std::string(szDrellixExePath) + " " + arg;
            if (win::WinExec(cmd.c_str(), win::SW_SHOWNORMAL) < 32) {
                char sz[600];
                std::snprintf(sz, sizeof(sz), "DRELLIX is not configured on this computer:\n%.400s could not be started",
                              szDrellixExePath);
                scanErrorBox(sz, "ERROR");
            }
        }
        free_vector(pExportSpeciesS, 1, nExportSpecies);
        free_vector(pExportSpeciesM, 1, nExportSpecies);
        pExportSpeciesS = pExportSpeciesM = nullptr;
        nExportSpecies = 0;
    }
    bCtotBusy = 0;
}
