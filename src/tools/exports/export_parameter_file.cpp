// The configuration file and the model parameter file that DRELLIX opens with
// an export of a continuous model: its hybrid discrete - c(s) model (code
// 1000) filled from the c(s) settings and, optionally, from species made of
// the c(s) peaks.
#include <cstdio>
#include <string>

#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/hydrodynamics.h"
#include "distributions/regularization.h"
#include "fegrid/global_grid.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"
#include "tools/exports/xp_export.h"

namespace {

constexpr int nSpeciesSlots = 10;

struct SpeciesSlot {
    bool bUsed = false;
    float fM = 0.0f;
    float fS = 0.0f;
    bool bFitM = false;
    bool bFitS = false;
};

// The ten species slots of the parameter file.
void fillSpeciesSlots(SpeciesSlot* slots)
{
    if (bExportPeaksAsSpecies) {
        const int n = pExportSpeciesS && pExportSpeciesM ? nExportSpecies : 0;
        for (int k = 1; k <= nSpeciesSlots; ++k) {
            SpeciesSlot& s = slots[k];
            if (k <= n) {
                s.bUsed = s.bFitM = s.bFitS = true;
                s.fM = pExportSpeciesM[k];
                s.fS = sToS20w(pExportSpeciesS[k]);
            } else if (k == n + 1 && bModelCSOneDiscreteM) {
                // the discrete species follows the peaks
                s.bUsed = s.bFitM = s.bFitS = true;
                s.fM = fDiscreteCompM;
                s.fS = fDiscreteCompS;
            }
        }
        return;
    }
    if (bModelCSOneDiscreteM) {
        slots[1].bUsed = true;
        slots[1].fM = fDiscreteCompM;
        slots[1].fS = fDiscreteCompS;
        slots[1].bFitM = nFitDiscreteCompMorD != 0;
        slots[1].bFitS = nFitDiscreteCompS != 0;
    }
}

// An unused slot's switches: the real format with peaks exported, the plain
// zero otherwise.
void writeSwitch(FILE* f, bool bOn, bool bUsed, const char* szKey, int k)
{
    if (bUsed || !bExportPeaksAsSpecies)
        std::fprintf(f, "%d (%s #%d)\n", bOn ? 1 : 0, szKey, k);
    else
        std::fprintf(f, "%f (%s #%d)\n", 0.0, szKey, k);
}

void writeParameterLines(FILE* f)
{
    SpeciesSlot slots[nSpeciesSlots + 1];
    fillSpeciesSlots(slots);
    const bool bPeaks = bExportPeaksAsSpecies != 0;
    std::fprintf(f, "1000 (hybrid discrete - c(s) model) \n");
    std::fprintf(f, "%d (# of parameter follow)\n", 80);
    std::fprintf(f, "%d (resolution c(s) #1)\n", bPeaks ? 0 : static_cast<int>(fSGridResolution));
    std::fprintf(f, "%f (MCDsmin1)\n", fSMin);
    std::fprintf(f, "%f (MCDsmax1)\n", fSMax);
    std::fprintf(f, "%d (MCDlinlog1)\n", bLogSGrid ? 0 : 1);
    std::fprintf(f, "%f (ff0 c(s) #1)\n", fFrictionalRatio);
    std::fprintf(f, "%d (MCDfitff01)\n", !bPeaks && nFitFrictionalRatio != 0 ? 1 : 0);
    std::fprintf(f, "%d (resolution c(s) #2)\n", 0);
    std::fprintf(f, "%f (MCDsmin2)\n", fSMin);
    std::fprintf(f, "%f (MCDsmax2)\n", fSMax);
    std::fprintf(f, "1 (MCDlinlog2)\n");
    std::fprintf(f, "%f (ff0 c(s) #2)\n", 1.3);
    std::fprintf(f, "0 (MCDfitff02)\n");
    std::fprintf(f, "1 (MCDWithTikhReg)\n");
    std::fprintf(f, "%f (MCDWPval)\n", fConfidenceLevel);
    std::fprintf(f, "1 (MCDbNormalize)\n");
    for (int k = 1; k <= nSpeciesSlots; ++k) std::fprintf(f, "%f (MCDglobM #%d)\n", slots[k].fM, k);
    for (int k = 1; k <= nSpeciesSlots; ++k) writeSwitch(f, slots[k].bUsed, slots[k].bUsed, "exist", k);
    for (int k = 1; k <= nSpeciesSlots; ++k) std::fprintf(f, "%f (MCDglobS #%d)\n", slots[k].fS, k);
    for (int k = 1; k <= nSpeciesSlots; ++k) writeSwitch(f, slots[k].bFitM, slots[k].bUsed, "MCDfitM", k);
    for (int k = 1; k <= nSpeciesSlots; ++k) writeSwitch(f, slots[k].bFitS, slots[k].bUsed, "MCDfitS", k);
    std::fprintf(f, "0 (bMCDlinkM)\n");
    std::fprintf(f, "%d (nMCDlinkMBase)\n", 1);
    std::fprintf(f, "%d (nMCDlinkMfrom)\n", 2);
    std::fprintf(f, "%d (nMCDlinkMto)\n", 4);
    std::fprintf(f, "0 (bMCDlinkS)\n");
    std::fprintf(f, "%d (nMCDlinkSBase)\n", 1);
    std::fprintf(f, "%d (nMCDlinkSfrom)\n", 2);
    std::fprintf(f, "%d (nMCDlinkSto)\n", 4);
    std::fprintf(f, "%d (resolution c(s) #3)\n", 0);
    std::fprintf(f, "%f (MCDsmin3)\n", 10.0);
    std::fprintf(f, "%f (MCDsmax3)\n", 100.0);
    std::fprintf(f, "1 (MCDlinlog3)\n");
    std::fprintf(f, "%f (ff0 c(s) #3)\n", 1.3);
    std::fprintf(f, "0 (MCDfitff03)\n");
    std::fprintf(f, "1 (bMarquardLevenbergMin)\n");
}

void writeConfigurationLines(FILE* f, const char* szXpPath, const std::string& parameterPath)
{
    std::fprintf(f, "experiments:\n");
    std::fprintf(f, "1 1 %s\n", szXpPath);
    std::fprintf(f, "-1 0 end\n");
    std::fprintf(f, "%f %f (vbar20, hydration)\n", VBAR, 0.3);
    std::fprintf(f, "g %d (#global parameters)\n", 18);
    std::fprintf(f, "%d %f\n", 1, 0.000459);
    std::fprintf(f, "%f (CompressLimit)\n", 40000.0);
    std::fprintf(f, "%f (threshold s for switching algorithms)\n", fAutoAlgorithmNormS);
    std::fprintf(f, "%f (nGridSize)\n", static_cast<double>(nDefaultGridSize));
    std::fprintf(f, "%f (adjust dt with max relative increase)\n", dMaxDcOverCWork);
    std::fprintf(f, "%f (SRMAXSED)\n", 0.1);
    std::fprintf(f, "%f (SRMAXREACT)\n", 0.1);
    std::fprintf(f, "1 (SRLIMITRANGE)\n");
    std::fprintf(f, "0 (SRTESTING)\n");
    std::fprintf(f, "%d (SRCORRLEVEL)\n", 2);
    std::fprintf(f, "0 (SRTESTING)\n");
    std::fprintf(f, "0 (bSRFixedDt)\n");
    std::fprintf(f, "0 (bShutOffBackDiffusion)\n");
    std::fprintf(f, "1 (bRampOmega)\n");
    std::fprintf(f, "500 (nSAItMax)\n");
    std::fprintf(f, "2 (SAmaxTemp)\n");
    std::fprintf(f, "10 (nSANumberOfTemps)\n");
    std::fprintf(f, "1 (bSAFinalML)\n");
    std::fprintf(f, "model:\n");
    std::fprintf(f, "1000 (hybrid discrete - c(s) model) \n");
    std::fprintf(f, "parameter file:\n");
    std::fprintf(f, "%s\n", parameterPath.c_str());
    std::fprintf(f, "links:\n");
    std::fprintf(f, "%d (iMaxExp)\n", 20);
    std::fprintf(f, "%d (#links)\n", 7);
    for (int i = 1; i <= 20; ++i) std::fprintf(f, "%d %d %d %d %d %d %d\n", i, i, i, i, i, 0, 0);
}

bool cannotOpen(TXLAWindow* pWindow, const std::string& path)
{
    playInfoSound();
    const std::string msg = "could not open file " + path + " for writing";
    win::MessageBox(pWindow ? pWindow->HWindow : nullptr, msg.c_str(), "ERROR", win::MB_OK | win::MB_ICONSTOP);
    return false;
}

// Writes the lines and closes the file; false when something was not written.
template <class Lines>
bool writeFile(FILE* f, Lines lines)
{
    lines(f);
    const bool bWritten = std::fflush(f) == 0 && std::ferror(f) == 0;
    return std::fclose(f) == 0 && bWritten;
}

}  // namespace

bool writeExportParameterFile(TXLAWindow* pWindow, const char* szConfigPath, const char* szXpPath)
{
    if (!szConfigPath || !szXpPath) return false;
    const ScanPathParts p = splitScanPath(szConfigPath);
    copyToBuffer(szScanDrive, sizeof szScanDrive, p.drive);
    copyToBuffer(szScanDir, sizeof szScanDir, p.dir);
    copyToBuffer(szScanName, sizeof szScanName, p.name);
    copyToBuffer(szScanExt, sizeof szScanExt, p.ext);
    const std::string parameterPath = p.drive + p.dir + p.name + ".drellix_PAR";

    FILE* f = win::fopenMapped(parameterPath.c_str(), "w");
    if (!f) return cannotOpen(pWindow, parameterPath);
    if (!writeFile(f, writeParameterLines)) return cannotOpen(pWindow, parameterPath);

    f = win::fopenMapped(szConfigPath, "w");
    if (!f) return cannotOpen(pWindow, szConfigPath);
    if (!writeFile(f, [&](FILE* g) { writeConfigurationLines(g, szXpPath, parameterPath); }))
        return cannotOpen(pWindow, szConfigPath);
    return true;
}
