// The DRELLIX export, as far as the Data menu needs it until the exports are
// part of the program: the experiment file holds the head lines and the
// values the experiment-file reader takes back.
#include <cstdio>
#include <string>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "scandata/scan_data.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"
#include "tools/xp_export.h"

int nExportSpecies = 0;
float* pExportSpeciesS = nullptr;
float* pExportSpeciesConc = nullptr;
unsigned char bExportPeaksAsSpecies = 0;

bool writeXpExperimentFile(const char* szPath) {
    if (nScans < 1) return false;
    FILE* f = win::fopenMapped(szPath, "w");
    if (!f) {
        std::string msg = std::string("could not open ") + szPath;
        scanErrorBox(msg.c_str(), "ERROR");
        return false;
    }
    std::fprintf(f, "0 (ExperimentType: SEDVELOCITY)\n");
    std::fprintf(f, " (exported xp file from MORVEX)\n");
    std::string folder = szListFilePath;
    std::fprintf(f, "\"%s\" \"", withTrailingSeparator(folder).c_str());
    for (int i = 1; i <= nScans; ++i) std::fprintf(f, " %s", ppScanFileName[i]);
    std::fprintf(f, "\"\n");
    std::fprintf(f, "%f (fBufferDensity)\n", fBufferDensity);
    std::fprintf(f, "%f (fBufferViscosity)\n", RELVISCOSITY * STANDARDVISCOSITY);
    std::fprintf(f, "%f (VBAR)\n", VBAR);
    std::fprintf(f, "%f (Meniscus)\n", fMeniscus);
    std::fprintf(f, "%f (Bottom)\n", fBottom);
    std::fprintf(f, "%f (MAXMENISCUS)\n", fMaxMeniscus);
    std::fprintf(f, "%f (MINMENISCUS)\n", fMinMeniscus);
    std::fprintf(f, "%f (MAXBOTTOM)\n", fMaxBottom);
    std::fprintf(f, "%f (MINBOTTOM)\n", fMinBottom);
    std::fprintf(f, "%f (FitLeftLim)\n", fFitLeftLim);
    std::fprintf(f, "%f (FitRightLim)\n", fFitRightLim);
    std::fprintf(f, "%f (WeightExperiment)\n", 1.0);
    std::fprintf(f, "%f (ExperimentalNoise)\n", 0.01);
    std::fprintf(f, "%d (blocalFitTimeIndepNoise)\n", bFitTINoise);
    std::fprintf(f, "%d (blocalFitRINoise)\n", bFitRINoise);
    std::fprintf(f, "%d (blocalAutoVaryBaseline)\n", bAlgebraicBaseline);
    std::fprintf(f, "%d (blocalVaryBottom)\n", bFitBottom);
    std::fprintf(f, "%d (blocalVaryMeniscus)\n", bFitMeniscus);
    const bool bOk = std::ferror(f) == 0;
    std::fclose(f);
    return bOk;
}

bool writeExportParameterFile(const char*, const char*, const char*) { return false; }
