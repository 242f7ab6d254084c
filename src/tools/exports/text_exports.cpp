// Text exports for outside plotting: the scans, fits, residuals, noise and
// distributions as small number files in the temporary folder.
#include "tools/exports/text_exports.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_result.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"

namespace {

std::string tempFile(const char* szStem) { return std::string(szTempDir) + szStem; }

FILE* openForWriting(const std::string& path)
{
    FILE* f = win::fopenMapped(path.c_str(), "w");
    if (!f) showErrorMessage(("\n\aAttention: could not open " + path).c_str(), 0);
    return f;
}

// Closes the file; false (with the same report) when it could not be
// written completely.
bool finish(FILE* f, const std::string& path)
{
    const bool bWritten = std::fflush(f) == 0 && std::ferror(f) == 0;
    if (std::fclose(f) == 0 && bWritten) return true;
    showErrorMessage(("\n\aAttention: could not open " + path).c_str(), 0);
    return false;
}

// One file per scan in time order, radius and a column of the scan.
int writeScanColumnFiles(const char* szExtension, float** ppColumn)
{
    if (nScans < 1 || !ppColumn) return 0;
    for (int i = 1; i <= nScans; ++i) {
        const int j = pScanTimeOrder[i];
        const std::string path = tempFile((std::to_string(i) + szExtension).c_str());
        FILE* f = openForWriting(path);
        if (!f) return 0;
        for (int k = 1; k <= pScanPoints[j]; ++k)
            std::fprintf(f, "%e %e\n", ppRadius[j][k], ppColumn[j] ? ppColumn[j][k] : 0.0f);
        if (!finish(f, path)) return 0;
    }
    return nScans;
}

// The time-invariant noise already taken off the data, interpolated onto
// the radii of scan j (zero where the noise grid does not reach).
float* subtractedNoiseOnScan(int j)
{
    const int n = pScanPoints[j];
    float* p = vector(1, n);
    if (pTINoiseAux && pNoiseGrid && nNoiseGridPoints > 0)
        interpolateOnGrid(n, ppRadius[j], p, nNoiseGridPoints, pNoiseGrid, pTINoiseAux);
    return p;
}

float valueAt(const float* p, int k) { return p ? p[k] : 0.0f; }

// The points of scan j inside its fit limits (0 stands for the whole scan).
void fitRange(int j, int* pFirst, int* pLast)
{
    const int n = pScanPoints[j];
    *pFirst = pFitFirstIndex && pFitFirstIndex[j] > 0 ? pFitFirstIndex[j] : 1;
    *pLast = pFitLastIndex && pFitLastIndex[j] > 0 ? std::min(pFitLastIndex[j], n) : n;
}

bool allFitsZero()
{
    for (int j = 1; j <= nScans; ++j) {
        if (!ppFit || !ppFit[j]) continue;
        for (int k = 1; k <= pScanPoints[j]; ++k)
            if (ppFit[j][k] != 0.0f) return false;
    }
    return true;
}

}  // namespace

int writeFitFiles() { return writeScanColumnFiles(".fit", ppFit); }

int writeDataFiles()
{
    if (!writeScanColumnFiles(".dat", ppSignal)) return 0;
    const std::string path = tempFile("times.dat");
    FILE* f = openForWriting(path);
    if (!f) return 0;
    for (int i = 1; i <= nScans; ++i) std::fprintf(f, "%e\n", pScanHeaders[pScanTimeOrder[i]].time);
    return finish(f, path) ? nScans : 0;
}

bool writeDistributionFiles(bool bWithMarker, const char* szPath)
{
    if (!pDistValues || !pDistAxisS) return false;
    const std::string path = szPath ? std::string(szPath) : tempFile(bWithMarker ? "dist.txt" : "dist.dat");
    FILE* f = openForWriting(path);
    if (!f) return false;
    // light-scattering grids hold log10 of the radius in m: written in nm
    const float fShift = bDLSData ? 9.0f : 0.0f;
    for (int k = 1; k <= nResolution; ++k) std::fprintf(f, "%e %e\n", pDistAxisS[k] + fShift, pDistValues[k]);
    if (bWithMarker) std::fprintf(f, "-999.999 -999.999\n");
    return finish(f, path);
}

bool writeSizeShapeDistributionFile()
{
    if (!bModelCSFf0 && !bModelCSFf0OneDiscrete) return false;
    saveDistributionFile(tempFile("sasdist.dat").c_str());
    return true;
}

int writeDlsData()
{
    if (nScans < 1) return 0;
    const std::string path = tempFile("dlsdata.dat");
    FILE* f = openForWriting(path);
    if (!f) return 0;
    for (int i = 1; i <= nScans; ++i) {
        float* columns[3] = {ppSignal ? ppSignal[i] : nullptr, ppFit ? ppFit[i] : nullptr,
                             ppResidual ? ppResidual[i] : nullptr};
        const char* markers[3] = {"-666.666 -666.666", "-777.777 -777.777", "-888.888 -888.888"};
        int nFirst, nLast;
        fitRange(i, &nFirst, &nLast);
        for (int c = 0; c < 3; ++c) {
            for (int k = nFirst; k <= nLast; ++k)
                std::fprintf(f, "%e\t%e\n", std::pow(10.0, double(ppRadius[i][k])), valueAt(columns[c], k));
            std::fprintf(f, "%s\n", markers[c]);
        }
        std::fprintf(f, "-999.999 -999.999\n");
    }
    return finish(f, path) ? nScans : 0;
}

int writeSedEqData()
{
    if (nScans < 1) return 0;
    const std::string path = tempFile("SEdata.dat");
    FILE* f = openForWriting(path);
    if (!f) return 0;
    for (int i = 1; i <= nScans; ++i) {
        float* pNoise = subtractedNoiseOnScan(i);
        int nFirst, nLast;
        fitRange(i, &nFirst, &nLast);
        for (int k = nFirst; k <= nLast; ++k)
            std::fprintf(f, "%f\t%f\n", ppRadius[i][k], ppSignal[i][k] + pNoise[k]);
        std::fprintf(f, "-666.666 -666.666\n");
        for (int k = nFirst; k <= nLast; ++k)
            std::fprintf(f, "%f\t%f\n", ppRadius[i][k], valueAt(ppFit ? ppFit[i] : nullptr, k) + pNoise[k]);
        std::fprintf(f, "-777.777 -777.777\n");
        std::fprintf(f, "-999.999 -999.999\n");
        free_vector(pNoise, 1, pScanPoints[i]);
    }
    std::fprintf(f, "-1001 -1001\n");
    if (bFitTINoise && pNoiseGrid && nNoiseGridPoints > 0) {
        const int nFirst = nNoiseGridFirst > 1 ? nNoiseGridFirst - 1 : std::max(nNoiseGridFirst, 1);
        for (int k = nFirst; k <= std::min(nNoiseGridLast, nNoiseGridPoints); ++k)
            std::fprintf(f, "%f\t%f\n", pNoiseGrid[k], valueAt(pTINoiseAux, k) + valueAt(pTINoiseSaved, k));
    } else {
        std::fprintf(f, "0 nan\n");
    }
    std::fprintf(f, "-1010 -1010\n");
    std::fprintf(f, "-1100 -1100\n");
    if (bFitRINoise) {
        for (int i = 1; i <= nScans; ++i) std::fprintf(f, "0\t%f\n", valueAt(pRINoiseSaved, i));
    } else {
        std::fprintf(f, "0 nan\n");
    }
    std::fprintf(f, "-1110 -1110\n");
    return finish(f, path) ? nScans : 0;
}

int writeSvdFrData(const char* szPath)
{
    if (nScans < 1) return 0;

    // The noise range: one grid point beyond the fit limits on each side.
    int nNoiseFirst = 1, nNoiseLength = 0;
    if (pNoiseGrid && nNoiseGridPoints > 0 && nNoiseGridLast >= nNoiseGridFirst) {
        nNoiseFirst = std::max(nNoiseGridFirst - 1, 1);
        const int nNoiseLast = nNoiseGridLast + 1 <= nNoiseGridPoints ? nNoiseGridLast + 1 : nNoiseGridLast;
        nNoiseLength = std::max(nNoiseLast - nNoiseFirst + 1, 0);
    }
    int nRows = std::max(nNoiseLength, nScans);
    for (int j = 1; j <= nScans; ++j) {
        int nFirst, nLast;
        fitRange(j, &nFirst, &nLast);
        nRows = std::max(nRows, nLast - nFirst + 1);
    }

    const std::string path = szPath ? std::string(szPath) : tempFile("svdfrdata.dat");
    FILE* f = openForWriting(path);
    if (!f) return 0;

    float* pNoiseRadius = vector(1, nRows);
    float* pNoiseTI = vector(1, nRows);
    float* pNoiseRI = vector(1, nRows);
    float** ppRadiusCol = matrix(1, nScans, 1, nRows);
    float** ppDataCol = matrix(1, nScans, 1, nRows);
    float** ppFitCol = matrix(1, nScans, 1, nRows);

    for (int r = 1; r <= nNoiseLength; ++r) {
        const int k = nNoiseFirst + r - 1;
        pNoiseRadius[r] = pNoiseGrid[k];
        pNoiseTI[r] = valueAt(pTINoiseAux, k) + valueAt(pTINoiseSaved, k);
    }
    if (bFluorescenceData && nNoiseLength > 0) {
        // the noise profile gets an extra first point
        if (nNoiseLength < nRows) {
            for (int r = nNoiseLength + 1; r >= 2; --r) {
                pNoiseRadius[r] = pNoiseRadius[r - 1];
                pNoiseTI[r] = pNoiseTI[r - 1];
            }
        } else {
            pNoiseRadius[1] -= 0.001f;
        }
    }
    if (bFitRINoise && pRINoiseSaved)
        for (int i = 1; i <= nScans; ++i) {
            const int r = pScanTimeOrder[i];
            if (r >= 1 && r <= nRows) pNoiseRI[r] = pRINoiseSaved[i];
        }

    const bool bNoFit = allFitsZero();
    for (int i = 1; i <= nScans; ++i) {
        const int j = pScanTimeOrder[i];
        float* pNoise = subtractedNoiseOnScan(j);
        const float* pFit = ppFit ? ppFit[j] : nullptr;
        int nFirst, nLast;
        fitRange(j, &nFirst, &nLast);
        for (int k = nFirst, r = 1; k <= nLast; ++k, ++r) {
            ppRadiusCol[i][r] = ppRadius[j][k];
            ppDataCol[i][r] = ppSignal[j][k] + pNoise[k];
            ppFitCol[i][r] = bNoFit ? ppSignal[j][k] + 0.001f + pNoise[k] : valueAt(pFit, k) + pNoise[k];
        }
        free_vector(pNoise, 1, pScanPoints[j]);
    }

    for (int r = 1; r <= nRows; ++r) {
        std::fprintf(f, "%e %e %e ", pNoiseRadius[r], pNoiseTI[r], pNoiseRI[r]);
        for (int i = 1; i <= nScans; ++i) std::fprintf(f, "%e %e %e ", ppRadiusCol[i][r], ppDataCol[i][r], ppFitCol[i][r]);
        std::fprintf(f, "\n");
    }

    free_matrix(ppFitCol, 1, nScans, 1, nRows);
    free_matrix(ppDataCol, 1, nScans, 1, nRows);
    free_matrix(ppRadiusCol, 1, nScans, 1, nRows);
    free_vector(pNoiseRI, 1, nRows);
    free_vector(pNoiseTI, 1, nRows);
    free_vector(pNoiseRadius, 1, nRows);
    return finish(f, path) ? nScans : 0;
}
