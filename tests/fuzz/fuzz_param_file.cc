// Fuzz target: any bytes as the saved parameter file of a loaded data set,
// read back by ReloadParameters over the discrete-species model. Whatever the
// file holds, nothing stored becomes a number that is not finite, and no
// grid size, limit, resolution, count, tolerance or step becomes one that is
// not above 0. The check reads the state back through the writer: every
// value the file can set is one of its 215 entries.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/data_file_paths.h"
#include "app/preferences.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "fegrid/global_grid.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "platform/headless.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_loading.h"

namespace {

std::string gFolder;
TXLAWindow* gWindow = nullptr;

void removeFolder()
{
    std::error_code ec;
    if (!gFolder.empty()) std::filesystem::remove_all(gFolder, ec);
}

void check(bool bOk, const char* szWhat)
{
    if (bOk) return;
    std::fprintf(stderr, "fuzz_param_file: %s\n", szWhat);
    std::abort();
}

// Six scans of one boundary, as a loader leaves them.
void loadScans()
{
    const int n = 120;
    float* r = vector(1, n);
    float* c = vector(1, n);
    static char sel[4096];
    size_t used = 0;
    auto put = [&](const std::string& s) {
        std::memcpy(sel + used, s.c_str(), s.size() + 1);
        used += s.size() + 1;
    };
    put(gFolder);
    for (int k = 1; k <= 6; ++k) {
        const double t = 600.0 * k, w2 = std::pow(50000 * M_PI / 30, 2);
        const double rb = 6.0 * std::exp(4.5e-13 * w2 * t);
        for (int i = 1; i <= n; ++i) {
            r[i] = static_cast<float>(5.95 + 0.01 * (i - 1));
            c[i] = static_cast<float>(r[i] > 6.0 ? 0.4 * (1 + std::erf((r[i] - rb) / 0.02)) : 0.0);
        }
        ScanHeader h;
        std::memset(&h, 0, sizeof h);
        h.dataType = 'R';
        h.cell = 1;
        h.temperature = 20.0f;
        h.rpm = 50000.0f;
        h.time = h.timeWritten = t;
        h.omega2t = w2 * t;
        h.wavelength = 280;
        h.count = 1;
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        writeScanFile((gFolder + "/" + name).c_str(), n, r, c, nullptr, nullptr, 1, &h);
        put(name);
    }
    sel[used] = 0;
    free_vector(r, 1, n);
    free_vector(c, 1, n);
    nLoadEveryNth = 1;
    LoadAllData(gWindow, sel);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char tmpl[] = "/tmp/morvex_fuzz_params_XXXXXX";
    if (!mkdtemp(tmpl)) return 0;
    gFolder = tmpl;
    std::atexit(removeFolder);
    setenv("XDG_CONFIG_HOME", gFolder.c_str(), 1);
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    setUpDataFilePaths();
    allocParameterVectors();
    defaultPreferences.bDisclaimerAccepted = 1;
    writeDefaultPreferences();
    gWindow = new TXLAWindow(nullptr, "Sedimentation Analysis");
    gWindow->Create();
    win::headless::processMessages();
    loadScans();
    win::headless::reset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!gWindow || nScans < 1) return 0;
    // the discrete model with one species, every time
    gWindow->ResetModelSelection();
    gWindow->CmModelDiscreteSpecies();
    pSpeciesIncluded[1] = 1;
    pSpeciesConc[1] = 0.8f;
    pSpeciesMw[1] = 6.1f;
    pSpeciesS[1] = 4.3f;
    globalsToParamVector();

    const std::string path = gFolder + "/~fuzz.RA1";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    gWindow->ReloadParameters(path.c_str());

    check(nDefaultGridSize > 0 && nGridPoints > 0, "grid size not above 0");
    check(nDynGridUpperLimit > 0 && nDynGridLowerLimit > 0, "grid limit not above 0");
    check(fPointsPerSigma > 0 && fTolerance > 0 && dMaxDcOverC > 0, "points per sigma, tolerance or max dc/c");
    check(fFf0Resolution > 0 && nFlotationResolution > 0 && fLogGridMinS > 0, "resolution not above 0");
    if (bModelContinuous) check(fSGridResolution > 0, "grid resolution of the distribution not above 0");

    // every stored value, as the writer sees it
    const std::string out = gFolder + "/~state.RA1";
    szScanExtra = out;
    TmpSaveBestParams(gWindow, 0);
    szScanExtra.clear();
    CVector state;
    state.Load(out.c_str());
    check(static_cast<int>(state.nSize) == nParameterFileEntries, "state not written");
    for (unsigned i = 0; i < state.nSize; ++i) check(std::isfinite(state.pData[i]), "a stored value is not finite");
    for (int k = 1; k <= nScans; ++k) check(std::isfinite(pScanHeaders[k].time), "scan time not finite");
    win::headless::reset();
    return 0;
}
