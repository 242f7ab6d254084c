// The experiment file of DRELLIX (".xp"): the scan files of the loaded data
// set and the constants of the experiment, one value and its key per line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/xla_window.h"
#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"
#include "tools/dls/dls_data.h"
#include "tools/exports/xp_export.h"

int nExportSpecies = 0;
float* pExportSpeciesS = nullptr;
float* pExportSpeciesM = nullptr;
unsigned char bExportPeaksAsSpecies = 0;

namespace {

const char szQuestionTitle[] = "make DRELLIX xp file";

enum ExperimentType { SedVelocity = 0, Dls = 1, Electrophoresis = 2, SedEquilibrium = 3, MultiSedEq = 4 };

ExperimentType experimentType()
{
    if (bDLSData) return Dls;
    if (bElectrophoresisData) return Electrophoresis;
    if (bEquilibriumDataMode) return nScans == 1 ? SedEquilibrium : MultiSedEq;
    return SedVelocity;
}

const char* typeLine(ExperimentType t)
{
    switch (t) {
    case Dls: return "1 (ExperimentType: DLS)";
    case Electrophoresis: return "2 (ExperimentType: ELECTROPHORESIS)";
    case SedEquilibrium: return "3 (ExperimentType: SEDEQUILIBRIUM)";
    case MultiSedEq: return "4 (ExperimentType: MULTISEDEQ)";
    default: return "0 (ExperimentType: SEDVELOCITY)";
    }
}

bool isTitleCharacter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr(" \\#_/:,.", c) != nullptr);
}

// The title's first run of letters, digits and " \#_/:,." (at most 100
// characters); a run shorter than two characters gives no title.
std::string cleanTitle(const char* szTitle, size_t nCapacity)
{
    std::string out;
    for (size_t i = 0; i < nCapacity && i < 100 && isTitleCharacter(static_cast<unsigned char>(szTitle[i])); ++i)
        out.push_back(szTitle[i]);
    if (out.size() < 2) out.clear();
    return out;
}

// Line 3: the folder and the scan names. With one scan the list path names
// that scan (or its folder, as the loader keeps it), and the parts are left
// in the current scan path.
void scanFolderAndNames(std::string* pFolder, std::vector<std::string>* pNames)
{
    if (nScans >= 2) {
        *pFolder = withTrailingSeparator(szListFilePath);
        for (int i = 1; i <= nScans; ++i) pNames->push_back(ppScanFileName[i]);
        return;
    }
    const bool bFolder = win::GetFileAttributes(szListFilePath) == win::FILE_ATTRIBUTE_DIRECTORY;
    ScanPathParts p = splitScanPath(szListFilePath);
    if (bFolder || (p.name.empty() && p.ext.empty())) {
        p = splitScanPath(withTrailingSeparator(szListFilePath));
        const ScanPathParts n = splitScanPath(ppScanFileName[1]);
        p.name = n.name;
        p.ext = n.ext;
    }
    copyToBuffer(szScanDrive, sizeof szScanDrive, p.drive);
    copyToBuffer(szScanDir, sizeof szScanDir, p.dir);
    copyToBuffer(szScanName, sizeof szScanName, p.name);
    copyToBuffer(szScanExt, sizeof szScanExt, p.ext);
    *pFolder = p.drive + p.dir;
    pNames->push_back(p.name + p.ext);
}

// One value asked at the place of its line; Cancel, or no questions at all,
// keep the offered value. True when the user gave a value.
bool askValue(TXLAWindow* pWindow, bool bAsk, float fOffered, const char* szPrompt, float* pfValue)
{
    *pfValue = fOffered;
    return bAsk && inputFloatInWindow(pWindow, pfValue, fOffered, true, szPrompt, szQuestionTitle);
}

}  // namespace

bool writeXpExperimentFile(TXLAWindow* pWindow, const char* szPath)
{
    if (nScans < 1 || !szPath) return false;
    FILE* f = win::fopenMapped(szPath, "w");
    if (!f) {
        playInfoSound();
        std::string msg = std::string("could not open ") + szPath;
        win::MessageBox(pWindow ? pWindow->HWindow : nullptr, msg.c_str(), "ERROR", win::MB_OK);
        return false;
    }
    const bool bAsk = !bSerialFitRunning && !bGeneratingSeries;

    // Line 1 and the defaults that follow the type.
    const ExperimentType type = experimentType();
    const bool bEquilibrium = type == SedEquilibrium || type == MultiSedEq;
    const bool bNoCell = type == Dls || type == Electrophoresis;
    std::fprintf(f, "%s\n", typeLine(type));
    float fNoise = 0.01f;
    if (type == Dls) fNoise = 0.0001f;
    if (bEquilibrium) fNoise = 0.005f;
    float fCenterpiece = bNoCell ? 0.0f : 2.0f;
    float fPathlength = bNoCell ? 1.0f : 1.2f;
    float fRotor = bNoCell ? 0.0f : 4.0f;

    // Lines 2 and 3.
    const std::string title = type == Dls && pDlsHeaders ? cleanTitle(pDlsHeaders[1].title, sizeof pDlsHeaders[1].title)
                                                         : cleanTitle(pScanHeaders[1].title, sizeof pScanHeaders[1].title);
    std::fprintf(f, "%s (exported xp file from MORVEX)\n", title.c_str());
    std::string folder;
    std::vector<std::string> names;
    scanFolderAndNames(&folder, &names);
    std::fprintf(f, "\"%s\" \"", folder.c_str());
    for (const std::string& n : names) std::fprintf(f, " %s", n.c_str());
    std::fprintf(f, "\"\n");

    // Lines 4 to 6: the solvent. The viscosity is asked in poise, ten times
    // the value in Pa s that the file carries.
    float fValue;
    if (askValue(pWindow, bAsk, fBufferDensity, "buffer density (g/ml)", &fValue)) fBufferDensity = fValue;
    std::fprintf(f, "%f (fBufferDensity)\n", fBufferDensity);
    if (askValue(pWindow, bAsk, 10.0f * RELVISCOSITY * STANDARDVISCOSITY, "buffer viscosity (Poise)", &fValue))
        RELVISCOSITY = fValue / (10.0f * STANDARDVISCOSITY);
    std::fprintf(f, "%f (fBufferViscosity)\n", 0.1f * fValue);
    if (askValue(pWindow, bAsk, VBAR, "partial-specific volume (ml/g)", &fValue)) {
        VBAR = fValue;
        fVbarRho = VBAR * fBufferDensity;
    }
    std::fprintf(f, "%f (VBAR)\n", VBAR);

    // Lines 7 to 23: geometry, limits, noise and fit switches.
    std::fprintf(f, "%f (Meniscus)\n", fMeniscus);
    std::fprintf(f, "%f (Bottom)\n", fBottom);
    std::fprintf(f, "%f (MAXMENISCUS)\n", fMaxMeniscus);
    std::fprintf(f, "%f (MINMENISCUS)\n", fMinMeniscus);
    std::fprintf(f, "%f (MAXBOTTOM)\n", fMaxBottom);
    std::fprintf(f, "%f (MINBOTTOM)\n", fMinBottom);
    std::fprintf(f, "%f (FitLeftLim)\n", fFitLeftLim);
    std::fprintf(f, "%f (FitRightLim)\n", fFitRightLim);
    std::fprintf(f, "%f (WeightExperiment)\n", 1.0);
    std::fprintf(f, "%f (ExperimentalNoise)\n", fNoise);
    std::fprintf(f, "%d (blocalFitTimeIndepNoise)\n", bFitTINoise);
    std::fprintf(f, "%d (blocalFitRINoise)\n", bFitRINoise);
    std::fprintf(f, "%d (blocalAutoVaryBaseline)\n", bAlgebraicBaseline);
    std::fprintf(f, "%d (blocalVaryBottom)\n", bFitBottom);
    std::fprintf(f, "%d (blocalVaryMeniscus)\n", bFitMeniscus);
    std::fprintf(f, "%d (blocalVaryMeniscusWarned)\n", bVaryMeniscusWarned);
    std::fprintf(f, "%f (xBaseline)\n", fBaseline);

    // Lines 24 to 29: extinction coefficients and the centerpiece.
    std::fprintf(f, "1.00000 (xConcentrationFactor)\n");
    float fExtinction = 1.0f;
    if (bModelMonomerDimer || bModelSelfAssoc148 || bModelSelfAssoc124 || bModelMonomerTrimer)
        askValue(pWindow, bAsk, 1.0f, "molar extinction coefficient", &fExtinction);
    std::fprintf(f, "%f (xExtinctionCoeffA)\n", fExtinction);
    std::fprintf(f, "%d (bVaryExtinctionCoeffA)\n", 0);
    std::fprintf(f, "%f (xExtinctionCoeffB)\n", 1.0);
    std::fprintf(f, "%d (bVaryExtinctionCoeffB)\n", 0);
    if (bEquilibrium) {
        askValue(pWindow, bAsk, 2.0f, "centerpiece (2 or 6)", &fCenterpiece);
        fCenterpiece = fCenterpiece == 6.0f ? 6.0f : 2.0f;
    }
    std::fprintf(f, "%d (Centerpiece)\n", static_cast<int>(fCenterpiece));

    // Lines 30 to 39: concentrations, files, vbar20, hydration, the cell.
    for (int k = 1; k <= 4; ++k) std::fprintf(f, "1.000000e-6 (pLocalConcentrations[%d])\n", k);
    std::fprintf(f, "%d (NFILES)\n", nScans);
    std::fprintf(f, "0 (no ppMultiLocalConcentrations)\n");
    std::fprintf(f, "%f (global VBAR20)\n", fVbarTransform);
    std::fprintf(f, "%f (global HYDRATION)\n", 0.3);
    if (!bNoCell) askValue(pWindow, bAsk, 1.2f, "optical pathlength (cm)", &fPathlength);
    std::fprintf(f, "%f (pathlength)\n", fPathlength);
    if (!bNoCell) {
        askValue(pWindow, bAsk, 4.0f, "rotor type (4 or 8)", &fRotor);
        fRotor = fRotor == 8.0f ? 8.0f : 4.0f;
    }
    const int nRotor = static_cast<int>(fRotor);
    std::fprintf(f, "%d (rotor type: %s)\n", nRotor,
                 nRotor == 8 ? " EIGHTHOLE" : (nRotor == 4 ? " FOURHOLE" : " NOROTOR"));

    // Lines 40 onwards.
    std::fprintf(f, "%d (correct for rotor stretch in TI noise)\n", 0);
    std::fprintf(f, "%d (correct for rotor stretch in mass balance)\n", 0);
    std::fprintf(f, "%d (sets of extra parameters follow)\n", 3);
    for (int k = 1; k <= 3; ++k) std::fprintf(f, "0.000000e+00 (pLocalExtraConcs[%d])\n", k);
    const int nSets = bEquilibrium ? nScans : 1;
    for (int i = 1; i <= nSets; ++i)
        for (int k = 1; k <= 3; ++k) std::fprintf(f, "0.000000e+00 (ppMultiLocalExtraConcs[%d][%d])\n", i, k);
    std::fprintf(f, "%d (bContainsNoBackdiffusion)\n", 0);
    std::fprintf(f, "%d (bSwIsothermAInvisible)\n", 0);
    std::fprintf(f, "%f (xExtinctionCoeffC)\n", 1.0);
    std::fprintf(f, "%d (bVaryExtinctionCoeffC)\n", 0);
    std::fprintf(f, "%d (bPartialBoundaryFit)\n", 0);
    std::fprintf(f, "%d (PBFsmin)\n", 0);
    std::fprintf(f, "%d (PBFsmax)\n", 0);
    for (const char* sz : {"bITCLocalIncomp", "FitITCLocalIncomp", "ITCLocalIncomp"})
        for (const char* c : {"A", "B", "C"}) std::fprintf(f, "%d (%s%s)\n", 0, sz, c);
    std::fprintf(f, "%d (FitITCBaselineSlope)\n", 0);
    std::fprintf(f, "%d (ITCBaselineSlope)\n", 0);
    std::fprintf(f, "%d (ITCLocalMaxIncomp)\n", 0);
    std::fprintf(f, "-1 (Temperature C)\n");
    std::fprintf(f, "%f (ITCcellvolume)\n", 0.0);
    std::fprintf(f, "0 (# spectral changes)\n");
    std::fprintf(f, "%d (bDataIsOriginal)\n", 1);
    std::fprintf(f, "%d (SpecDataModel)\n", 0);
    std::fprintf(f, "%d (bNormalizeSpectroscopyData)\n", 0);
    std::fprintf(f, "%d (bUseMonteCarloNoise)\n", 0);
    std::fprintf(f, "%d (bUseMonteCarloResiduals)\n", 1);
    std::fprintf(f, "%f (MonteCarloNoise)\n", 0.0);
    std::fprintf(f, "%d (bMultiplyWeightSqrtNxN1)\n", 0);
    std::fprintf(f, "%d (normal conditions warned)\n", 0);
    std::fprintf(f, "%d (bWithHDExchange)\n", 0);
    std::fprintf(f, "%f (HDExchangeDmolfract)\n", 0.0);
    std::fprintf(f, "%d (bConcCorrectionLocalAllowed)\n", 0);
    std::fprintf(f, "%d (nNumberExcludedIsothermDataPoints)\n", 0);
    std::fprintf(f, "%f (fBufferIonizationEnthalpy)\n", 1.2);
    std::fprintf(f, "%f (fBufferIonizationHeatCapacity)\n", 0.0);
    std::fprintf(f, "%f (fpH)\n", 7.5);
    std::fprintf(f, "%f (fCosolventConc)\n", 0.0);
    std::fprintf(f, "0.000000 (deltaHapplocal)\n");
    std::fprintf(f, "%d (VarydeltaHapplocal)\n", 0);
    std::fprintf(f, "%d (bITCUnmixedNeck)\n", 1);

    const bool bWritten = std::fflush(f) == 0 && std::ferror(f) == 0;
    const bool bClosed = std::fclose(f) == 0;
    if (!bWritten || !bClosed) {
        // A full disk: the file is incomplete and must not be taken for an export.
        playInfoSound();
        std::string msg = std::string("could not write ") + szPath;
        win::MessageBox(pWindow ? pWindow->HWindow : nullptr, msg.c_str(), "ERROR", win::MB_OK);
        return false;
    }
    return true;
}
