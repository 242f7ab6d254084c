// Fuzz target: any bytes as one of the four coefficient tables of the
// inhomogeneous solvent (the first byte picks density, viscosity, the
// co-solute's s(c) or D(c)), read as the dialog and the runs read them, then
// evaluated over 0-8 M the ways the propagators use them: the density and
// viscosity of the solution, the local factors on a global grid with the
// co-solute at every concentration, a few steps of the non-ideal co-solute and
// the non-ideal species' node values from the co-solute law. Nothing may
// crash, and no factor, density, viscosity or coefficient that reaches a
// propagator may be other than finite.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/interacting_coefficients.h"
#include "lamm/lamm_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "scandata/scan_data.h"

namespace {

std::string gPath;

void check(bool bOk, const char* szWhat)
{
    if (bOk) return;
    std::fprintf(stderr, "fuzz_solvent_tables: %s\n", szWhat);
    std::abort();
}

void checkFactors()
{
    for (int i = 1; i <= nSolventFactorPoints; i++) {
        check(std::isfinite(pSolventFactorV[i]), "viscosity factor not finite");
        check(std::isfinite(pSolventFactorB[i]), "buoyancy factor not finite");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    win::headless::setPolicy(win::headless::Policy::DefaultAnswers);
    win::headless::setFailureHandler([](const std::string&) {});
    gPath = "/tmp/morvex_fuzz_solvent_" + std::to_string(getpid()) + ".dat";
    fMeniscus = 6.0f;
    fBottom = 7.2f;
    nGridPoints = 100;
    bMovingHat = 0;
    bClaverie = 1;
    bModelNonidealSingle = 1;
    check(allocRadialGridArrays(), "grid");
    dOmegaNow = 60000;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const int nTable = data[0] % 4;
    std::FILE* f = std::fopen(gPath.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    // the non-ideal tables are read again by the runs from their files
    std::snprintf(szSNonidTableFile, sizeof szSNonidTableFile, "%s", nTable == 2 ? gPath.c_str() : "/nonexistent");
    std::snprintf(szDNonidTableFile, sizeof szDNonidTableFile, "%s", nTable == 3 ? gPath.c_str() : "/nonexistent");
    double** ppTables[4] = {&pDensityCoeffs, &pViscosityCoeffs, &pSNonidTable, &pDNonidTable};
    int* pCounts[4] = {&nDensityCoeffs, &nViscosityCoeffs, &nSNonidTable, &nDNonidTable};
    loadCoefficientTable(gPath.c_str(), ppTables[nTable], pCounts[nTable]);
    for (int i = 1; i <= *pCounts[nTable]; i++) check(std::isfinite((*ppTables[nTable])[i]), "table entry not finite");

    bInhomogeneousSolvent = bSedimentingCosolute = bCosoluteGradient = 1;
    bCompressibleSolvent = 0;
    bNonidealCosolute = 1;
    bCosolutePreset = 0;
    bAddWaterCompressibility = (data[0] >> 2) & 1;
    // the non-ideal species on the co-solute's law (its tables read again)
    const bool bSpecies = setUpInteractingCoefficients();
    for (int k = 0; k <= 160; k++) {
        const double c = 0.05 * k;
        const double rho = cosoluteDensity(c), eta = cosoluteViscosity(c);
        check(std::isfinite(rho) && rho > 0, "density");
        check(std::isfinite(eta) && eta > 0, "viscosity");
        check(std::isfinite(evalPolynomialTable(pSNonidTable, nSNonidTable, c)), "s(c)");
        check(std::isfinite(evalPolynomialTable(pDNonidTable, nDNonidTable, c)), "D(c)");
        // the factors of the solution at this loading over the grid
        dCosoluteLoading = c;
        resizeGradientCoefficientArrays(pGridRadius);
        checkFactors();
        for (int i = 1; i <= nGridPointsAllocated; i++) pGridConcPrev[i] = pGridConc[i] = c;
        if (bSpecies) {
            updateLocalCoefficientsA();
            for (int i = 1; i <= nGridPointsAllocated; i++)
                check(std::isfinite(pLocalS[i]) && std::isfinite(pLocalD[i]), "node s or D");
        }
    }
    // a few steps of the co-solute from 8 M, the factors from its profile
    dCosoluteLoading = 8.0;
    nCosoluteGridSize = 20;
    dSimTime = 0;
    if (initSolventGradient()) {
        for (int step = 1; step <= 5; step++) {
            dCosoluteTime = dSimTime;
            dSimTime += 50;
            bSimulationError = 0;
            advanceSolventGradient();
            updateLocalSedCoefficients(pGridRadius);
            checkFactors();
        }
    }
    freeInhomogeneousSolventArrays();
    freeSolverWorkBlock();
    win::headless::reset();
    return 0;
}
