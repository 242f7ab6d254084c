// The non-ideal c(s) with a mean field: the state tied to the loaded data, the
// list of non-ideal Lamm solutions with its data pass and mean-field pass, and
// the mean field from the scans, from the best distribution or from a movie.
//
// What must hold: the field the solver gets is in signal units on radii that
// span the solver's own cell; the field summed from the snapshots is the total
// concentration that the amplitudes of the unregularized solution predict
// (sum over grid points of amplitude x unit-loading profile); a field is
// replaced only by one whose distribution fits the data better.
#include "distributions/conti_nonid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/ctot_movie.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_builders.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_nonideal.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "plot/matrix_file.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/wiener_settings.h"

namespace {

void log(TXLAWindow* pWindow, const char* szText)
{
    if (pWindow) pWindow->DebugLog(szText);
}

// The first grid point that enters the field: point 1 is an extra discrete
// species outside it.
int firstFieldPoint() { return bNonidealDiscreteFirst ? 2 : 1; }

const ScanHeader* lastScanHeader() { return nScans > 0 ? &pScanHeaders[pScanTimeOrder[nScans]] : nullptr; }

// A frame as a radial scan file in the temporary folder (the debug files).
void writeFrameFile(const char* szPattern, int a, int b, int n, float* r, float* v, double t)
{
    if (nScans < 1 || n < 1) return;
    char szName[100], szPath[600], szTitle[80];
    if (b > 0)
        std::snprintf(szName, sizeof szName, szPattern, a, b);
    else
        std::snprintf(szName, sizeof szName, szPattern, a);
    std::snprintf(szPath, sizeof szPath, "%s%s", szTempDir, szName);
    std::snprintf(szTitle, sizeof szTitle, "ctotvec t=%.0f", t);
    ScanHeader h = pScanHeaders[pScanTimeOrder[1]];
    writeScanFile(szPath, n, r, v, nullptr, szTitle, 0, &h);
}

void fillLinear(float* v, int n, float a, float b)
{
    for (int j = 1; j <= n; j++) v[j] = n > 1 ? a + (b - a) * static_cast<float>(j - 1) / static_cast<float>(n - 1) : a;
    if (n > 1) v[n] = b;
}

}  // namespace

CContiNonid::CContiNonid() : nSedGridSize(nNonidSedGridSize), nMeanFieldPointsSetting(nNonidMeanFieldPoints) {}

CContiNonid::~CContiNonid()
{
    FreeExtrapolationTables();
    FreeSnapshotStore();
    FreeMeanFieldFrames();
    FreeFrameTimes();
}

// ---------------------------------------------------------------- blocks

bool CContiNonid::AllocExtrapolationTables()
{
    const int nWantLevels = std::max(1, std::min(nLevelsRequested, nGridPoints));
    const int nRow = std::max({nGridPoints, nWantLevels, nExtrapolationTimes}) + 1;
    if (bExtrapolationAllocated && nExtrapolationScans == nScans && nLevels == nWantLevels &&
        nExtrapolationRowLength == nRow)
        return true;
    FreeExtrapolationTables();
    nLevels = nWantLevels;
    if (nScans < 1) return false;
    // per-scan rows, per-time rows, the level row and the time row
    const size_t nRows = static_cast<size_t>(nScans) + nExtrapolationTimes + 2;
    pExtrapolationBlock = new (std::nothrow) double[nRows * nRow]();
    if (!pExtrapolationBlock) return false;
    // one pointer array: [0] unused, scans 1..nScans, then times 1..nTimes
    ppExtrapolationRows = new double*[nRows + 1]();
    for (size_t i = 1; i <= nRows; i++) ppExtrapolationRows[i] = pExtrapolationBlock + (i - 1) * nRow;
    ppScanLevelRadii = ppExtrapolationRows;
    ppTimeLevelRadii = new double*[nExtrapolationTimes + 1]();
    for (int k = 1; k <= nExtrapolationTimes; k++) ppTimeLevelRadii[k] = ppExtrapolationRows[nScans + k];
    pLevels = ppExtrapolationRows[nRows - 1];
    pExtrapolationTimes = ppExtrapolationRows[nRows];
    nExtrapolationScans = nScans;
    nExtrapolationRowLength = nRow;
    bExtrapolationAllocated = 1;
    return true;
}

void CContiNonid::FreeExtrapolationTables()
{
    delete[] pExtrapolationBlock;
    delete[] ppExtrapolationRows;
    delete[] ppTimeLevelRadii;
    pExtrapolationBlock = nullptr;
    ppExtrapolationRows = nullptr;
    ppScanLevelRadii = ppTimeLevelRadii = nullptr;
    pLevels = pExtrapolationTimes = nullptr;
    nExtrapolationScans = nExtrapolationRowLength = 0;
    bExtrapolationAllocated = 0;
}

bool CContiNonid::AllocSnapshotStore(int nGrid)
{
    if (nGrid < 1) return false;
    FreeSnapshotStore();
    const int nP = nMeanFieldPointsSetting;
    if (!bFrameTimesSet || nFrames < 1 || nP < 2) return false;
    const size_t nRow = static_cast<size_t>(nP) + 1;
    pSnapshotBlock = new (std::nothrow) float[static_cast<size_t>(nGrid) * nFrames * nRow]();
    if (!pSnapshotBlock) {
        bSnapshotsStored = 0;
        nSnapshotFrames = nSnapshotGridPoints = nSnapshotPoints = 0;
        return false;
    }
    pppSnapshots = new float**[nGrid + 1]();
    for (int k = 1; k <= nGrid; k++) {
        pppSnapshots[k] = new float*[nFrames + 1]();
        for (int i = 1; i <= nFrames; i++)
            pppSnapshots[k][i] = pSnapshotBlock + (static_cast<size_t>(k - 1) * nFrames + (i - 1)) * nRow;
    }
    pSnapshotRadii = vector(1, nP);
    fillLinear(pSnapshotRadii, nP, fMeniscus, fBottom);
    nSnapshotFrames = nFrames;
    nSnapshotGridPoints = nGrid;
    nSnapshotPoints = nP;
    bSnapshotsStored = 1;
    return true;
}

void CContiNonid::FreeSnapshotStore()
{
    if (pppSnapshots) {
        for (int k = 1; k <= nSnapshotGridPoints; k++) delete[] pppSnapshots[k];
        delete[] pppSnapshots;
    }
    delete[] pSnapshotBlock;
    if (pSnapshotRadii) free_vector(pSnapshotRadii, 1, nSnapshotPoints);
    pppSnapshots = nullptr;
    pSnapshotBlock = nullptr;
    pSnapshotRadii = nullptr;
    nSnapshotFrames = nSnapshotGridPoints = nSnapshotPoints = 0;
    bSnapshotsStored = 0;
}

double CContiNonid::FrameTime(int i) const { return pFrameTimes && i >= 1 && i <= nFrames ? pFrameTimes[i] : 0.0; }

void CContiNonid::FreeFrameTimes()
{
    if (pFrameTimes) free_dvector(pFrameTimes, 1, nFrames);
    pFrameTimes = nullptr;
    nFrames = 0;
    bFrameTimesSet = 0;
}

void CContiNonid::AllocMeanFieldFrames()
{
    FreeMeanFieldFrames();
    nFieldFrames = nSnapshotFrames;
    nMeanFieldPoints = nSnapshotPoints;
    const int nP = nMeanFieldPoints;
    pMeanFieldRadii = vector(1, nP + 2);
    pMeanFieldRadii[1] = pSnapshotRadii[1] - 0.5f;
    for (int j = 1; j <= nP; j++) pMeanFieldRadii[j + 1] = pSnapshotRadii[j];
    pMeanFieldRadii[nP + 2] = pSnapshotRadii[nP] + 0.5f;
    ppMeanFieldFrames = matrix(1, nFieldFrames, 1, nP + 2);
    nMappedPoints = nSedGridSize;
    fMapMeniscus = fMeniscus;
    fMapBottom = fBottom;
    AllocMappedField();
    bMeanFieldFramesBuilt = 1;
}

void CContiNonid::FreeMeanFieldFrames()
{
    FreeMappedField();
    if (pMeanFieldRadii) free_vector(pMeanFieldRadii, 1, nMeanFieldPoints + 2);
    if (ppMeanFieldFrames) free_matrix(ppMeanFieldFrames, 1, nFieldFrames, 1, nMeanFieldPoints + 2);
    pMeanFieldRadii = nullptr;
    ppMeanFieldFrames = nullptr;
    nFieldFrames = nMeanFieldPoints = 0;
    bMeanFieldFramesBuilt = 0;
}

// The sedimentation grid between the map's meniscus and bottom, and the
// mapped frames on it.
void CContiNonid::AllocMappedField()
{
    FreeMappedField();
    if (nMappedPoints < 1 || nFieldFrames < 1) return;
    pSedGrid = vector(1, nMappedPoints);
    fillLinear(pSedGrid, nMappedPoints, fMapMeniscus, fMapBottom);
    ppMappedField = matrix(1, nFieldFrames, 1, nMappedPoints);
}

void CContiNonid::FreeMappedField()
{
    if (pSedGrid) free_vector(pSedGrid, 1, nMappedPoints);
    if (ppMappedField) free_matrix(ppMappedField, 1, nFieldFrames, 1, nMappedPoints);
    pSedGrid = nullptr;
    ppMappedField = nullptr;
}

// ---------------------------------------------------------------- frames

void CContiNonid::SetupFrameTimes(double dLastTime)
{
    FreeFrameTimes();
    std::vector<double> t;
    if (pCtotMovie && pCtotMovie->bLoaded) {
        for (int i = 1; i <= pCtotMovie->nFrames; i++) t.push_back(pCtotMovie->pTimes[i]);
    } else {
        float x = 0.0f;
        for (int i = 0; i < 10; i++, x += 20.0f) t.push_back(x);
        for (x = 200.0f; x < dLastTime; x += 100.0f) t.push_back(x);
        t.push_back(x);
    }
    nFrames = static_cast<int>(t.size());
    pFrameTimes = dvector(1, nFrames);
    for (int i = 1; i <= nFrames; i++) pFrameTimes[i] = t[static_cast<size_t>(i - 1)];
    bFrameTimesSet = 1;
}

void CContiNonid::ComputeMeanField(int nFirst, int nLast)
{
    if (!bSnapshotsStored) return;
    AllocMeanFieldFrames();
    const int nP = nMeanFieldPoints;
    for (int i = 1; i <= nFieldFrames; i++)
        for (int j = 1; j <= nP + 2; j++) ppMeanFieldFrames[i][j] = 0.0f;
    nLast = std::min(nLast, nSnapshotGridPoints);
    for (int k = std::max(nFirst, 1); k <= nLast; k++) {
        const float c = static_cast<float>(pNESolution[k]);
        if (c == 0.0f) continue;
        for (int i = 1; i <= nFieldFrames; i++) {
            const float* S = pppSnapshots[k][i];
            float* F = ppMeanFieldFrames[i];
            F[1] += c * S[1];
            for (int j = 1; j <= nP; j++) F[j + 1] += c * S[j];
            F[nP + 2] += c * S[nP];
        }
    }
    if (bNonidDebugFiles)
        for (int i = 1; i <= nFieldFrames; i++) {
            writeFrameFile("rawmovieframe%d.ip0", i, 0, nP, pSnapshotRadii, pppSnapshots[1][i], FrameTime(i));
            writeFrameFile("consmovieframe%d.ip0", i, 0, nP + 2, pMeanFieldRadii, ppMeanFieldFrames[i],
                           FrameTime(i));
        }
    MapMeanFieldToGrid(fMeniscus, fBottom, nSedGridSize, 1);
    fingerPrint.Set(nScans, pScanHeaders, pScanPoints, ppScanOnNoiseGrid, nNoiseGridPoints);
    bMeanFieldDefined = 1;
}

void CContiNonid::MapMeanFieldToGrid(float meniscus, float bottom, int n, int bForce)
{
    if (!bMeanFieldFramesBuilt || nFieldFrames < 1) return;
    const bool bMoved = meniscus != fMapMeniscus || bottom != fMapBottom;
    if (!bForce && !bMoved && n == nMappedPoints && pSedGrid) return;
    if (n != nMappedPoints) {
        showErrorMessage("inconsistent MovienGrid -- should not happen", 0);
        FreeMappedField();
        nMappedPoints = n;
    }
    // the field goes where the solver's cell is now
    if (bMoved) {
        fMapMeniscus = meniscus;
        fMapBottom = bottom;
        FreeMappedField();
    }
    if (!pSedGrid) AllocMappedField();
    if (!pSedGrid) return;
    for (int i = 1; i <= nFieldFrames; i++)
        interpolateOnGrid(nMappedPoints, pSedGrid, ppMappedField[i], nMeanFieldPoints + 2, pMeanFieldRadii,
                          ppMeanFieldFrames[i]);
    nMapCount++;
    if (bNonidDebugFiles)
        for (int i = 1; i <= nFieldFrames; i++)
            writeFrameFile("adj%dsimradmovieframe%d.ip0", nMapCount, i, nMappedPoints, pSedGrid, ppMappedField[i],
                           FrameTime(i));
}

bool CContiNonid::LoadFromCtotMovie()
{
    if (!pCtotMovie || !pCtotMovie->bLoaded) return false;
    FreeMeanFieldFrames();
    FreeFrameTimes();
    int nF = 0, nP = 0;
    float* pRadii = nullptr;
    double* pTimes = nullptr;
    float** ppFrames = nullptr;
    float fMen = fMapMeniscus, fBot = fMapBottom;
    pCtotMovie->CopyTo(&nF, &nP, &pRadii, &pTimes, &ppFrames, &fMen, fMapMeniscus, &fBot, dSignalPerMgMl);
    if (!pTimes) return false;
    pFrameTimes = pTimes;
    nFrames = nF;
    bFrameTimesSet = 1;
    if (!pRadii || !ppFrames) {
        if (pRadii) free_vector(pRadii, 1, nP + 2);
        if (ppFrames) free_matrix(ppFrames, 1, nF, 1, nP + 2);
        return false;
    }
    fMapMeniscus = fMen;
    fMapBottom = fBot;
    pMeanFieldRadii = pRadii;
    ppMeanFieldFrames = ppFrames;
    nFieldFrames = nF;
    nMeanFieldPoints = nP;
    bMeanFieldFramesBuilt = 1;
    nMappedPoints = nSedGridSize;
    AllocMappedField();
    MapMeanFieldToGrid(fMeniscus, fBottom, nSedGridSize, 1);
    fingerPrint.Set(nScans, pScanHeaders, pScanPoints, ppScanOnNoiseGrid, nNoiseGridPoints);
    bMeanFieldDefined = 1;
    dBestChi2 = -1.0;
    bExternalImproved = 0;
    return true;
}

bool CContiNonid::StoreInCtotMovie()
{
    if (!createCtotMovie() || !pCtotMovie) return false;
    // nothing to store: a movie the user loaded stays as it is
    if (!bMeanFieldFramesBuilt || !pFrameTimes || nFrames < nFieldFrames || !(dSignalPerMgMl > 0)) return false;
    const ScanHeader* h = lastScanHeader();
    pCtotMovie->Set(nFieldFrames, nMeanFieldPoints, pMeanFieldRadii, pFrameTimes, ppMeanFieldFrames, fMapMeniscus,
                    fMapBottom, static_cast<float>(dSignalPerMgMl), h ? h->rpm : 0.0f);
    return pCtotMovie->bLoaded != 0;
}

// ---------------------------------------------------------------- the field from the data

void CContiNonid::ExtrapolateDataMeanField()
{
    if (nScans < 1 || !pNoiseGrid || nNoiseGridPoints < 1 || !ppScanOnNoiseGrid) return;
    // 1.
    if (!AllocExtrapolationTables()) return;
    // 2. the data without their systematic noise (in place, as the fit found it)
    if (bFitTINoise && bFitRINoise)
        subtractAllNoiseFromData();
    else if (bFitTINoise)
        subtractTiNoiseFromData();
    else if (bFitRINoise)
        subtractRiNoiseFromData();
    else if (bAlgebraicBaseline)
        subtractBaselineFromData();
    // 3. the radial range: the fitted range and 0.1 cm beyond it
    const int nFirst = std::max(1, std::min(nNoiseGridFirst, nNoiseGridPoints));
    int nLast = nNoiseGridPoints;
    for (int p = nFirst; p <= nNoiseGridPoints; p++)
        if (pNoiseGrid[p] > fFitRightLim + 0.1f) {
            nLast = p;
            break;
        }
    // 4. the levels
    double dMax = ppScanOnNoiseGrid[1][nFirst];
    for (int k = 1; k <= nScans; k++)
        for (int p = nFirst; p <= nLast; p++) dMax = std::max(dMax, static_cast<double>(ppScanOnNoiseGrid[k][p]));
    dSignalMax = dMax;
    dSignalMin = 0.0;
    const double dLo = dSignalMin + 0.001 * (dSignalMax - dSignalMin);
    const double dHi = dSignalMax - 0.001 * (dSignalMax - dLo);
    dLevelStep = nLevels > 1 ? (dHi - dLo) / (nLevels - 1) : 0.0;
    for (int j = 1; j <= nLevels; j++) pLevels[j] = dLo + (j - 1) * dLevelStep;
    // 5. the radius where each scan first reaches each level
    std::vector<unsigned char> placed(static_cast<size_t>(nLevels) + 1);
    for (int i = 1; i <= nScans; i++) {
        const float* v = ppScanOnNoiseGrid[pScanTimeOrder[i]];
        double* R = ppScanLevelRadii[i];
        std::fill(placed.begin(), placed.end(), 0);
        for (int j = 1; j <= nLevels; j++)
            if (pLevels[j] < v[nFirst]) {
                R[j] = fMeniscus;
                placed[j] = 1;
            }
        for (int p = nFirst; p <= nLast; p++)
            for (int j = 1; j <= nLevels; j++)
                if (!placed[j] && static_cast<float>(pLevels[j]) <= v[p]) {
                    R[j] = pNoiseGrid[p];
                    placed[j] = 1;
                }
        for (int j = 1; j <= nLevels; j++)
            if (!placed[j]) R[j] = fBottom;
    }
    saveMatrixFile(ppScanLevelRadii, 1, nScans, 1, nLevels, szBoundaryFractsPath);
    // 6. the times
    auto scanTime = [](int i) { return pScanHeaders[pScanTimeOrder[i]].time; };
    dFirstScanTime = scanTime(1);
    dLastScanTime = scanTime(nScans);
    for (int k = 1; k <= nExtrapolationTimes; k++) pExtrapolationTimes[k] = k * dLastScanTime / nExtrapolationTimes;
    // 7. early times: the boundary of each level moves out from the meniscus
    // as a t + b t^2, fitted through the origin to the early scans
    const double m = fMeniscus, b = fBottom;
    const float fEarly = static_cast<float>((1.0 + dEarlyTimeFactor) * dFirstScanTime);
    for (int j = 1; j <= nLevels; j++) {
        double a1 = 0, b2 = 0, dFill = m;
        bool bCurve = false;
        if (ppScanLevelRadii[1][j] > m) {
            double S1 = 0, S2 = 0, T2 = 0, T3 = 0, T4 = 0, sumX = 0;
            double last = 0, secondLast = 0;
            int nAccepted = 0, nConsidered = 0;
            for (int i = 1; i <= nScans && scanTime(i) <= fEarly; i++) {
                const double t = scanTime(i);
                const double x = ppScanLevelRadii[i][j] - m;
                sumX += x;
                nConsidered++;
                const bool bAccept = x > 1e-10 && x + m < b - 1e-10 && (nAccepted == 0 || x > last) &&
                                     (nAccepted < 2 || x - last < 2 * (last - secondLast));
                if (!bAccept) continue;
                secondLast = last;
                last = x;
                nAccepted++;
                S1 += t * x;
                S2 += t * t * x;
                T2 += t * t;
                T3 += t * t * t;
                T4 += t * t * t * t;
            }
            if (nAccepted >= 6) {
                const double den = T2 * T4 - T3 * T3;
                a1 = (S1 * T4 - S2 * T3) / den;
                b2 = (S2 * T2 - S1 * T3) / den;
                if (b2 == 0 || static_cast<float>(-0.5 * a1 / b2) >= 0.0f) {
                    a1 = S1 / T2;
                    b2 = 0;
                }
                bCurve = true;
            } else if (nAccepted >= 2) {
                a1 = S1 / T2;
                bCurve = true;
            } else {
                const double dMean = nConsidered > 0 ? sumX / nConsidered : 0.0;
                dFill = dMean >= (b - m) / 2 ? b : m;
            }
        }
        for (int k = 1; k <= nExtrapolationTimes; k++) {
            const double t = pExtrapolationTimes[k];
            if (t > dFirstScanTime) continue;
            ppTimeLevelRadii[k][j] = bCurve ? m + a1 * t + b2 * t * t : dFill;
        }
    }
    // 8. later times: linear in time between the scans around them; a single
    // scan gives its own radii
    for (int k = 1; k <= nExtrapolationTimes; k++) {
        const double t = pExtrapolationTimes[k];
        if (t <= dFirstScanTime) continue;
        if (nScans < 2) {
            for (int j = 1; j <= nLevels; j++) ppTimeLevelRadii[k][j] = ppScanLevelRadii[1][j];
            continue;
        }
        int i = nScans;
        for (int q = 2; q <= nScans; q++)
            if (scanTime(q) > t) {
                i = q;
                break;
            }
        const double t0 = scanTime(i - 1), t1 = scanTime(i);
        const double w = t1 > t0 ? (t - t0) / (t1 - t0) : 1.0;
        for (int j = 1; j <= nLevels; j++)
            ppTimeLevelRadii[k][j] =
                ppScanLevelRadii[i - 1][j] + w * (ppScanLevelRadii[i][j] - ppScanLevelRadii[i - 1][j]);
    }
    // 9.
    saveMatrixFile(ppTimeLevelRadii, 1, nExtrapolationTimes, 1, nLevels, szNonIdCtotTablePath);
}

// ---------------------------------------------------------------- the evaluation

void checkExternalMeanField()
{
    // 1.
    bool bReady = true;
    if (!pContiNonid) {
        pContiNonid = new CContiNonid;
        bReady = false;
    }
    CContiNonid* c = pContiNonid;
    c->bCollectSnapshots = 1;
    // 2.
    if (bMeanFieldExternal) {
        if (!pCtotMovie || !pCtotMovie->bLoaded) {
            c->bExternalInUse = 0;
            showErrorMessage("use external mean field: not loaded", 0);
        } else if (nScans > 0 && pCtotMovie->CoversScans(pScanHeaders, pScanTimeOrder[nScans])) {
            c->bExternalInUse = 1;
            bReady = true;
            c->bCollectSnapshots = bMeanFieldFrozen ? 0 : 1;
        } else {
            c->bExternalInUse = 0;
            bMeanFieldExternal = 0;
            bMeanFieldFromData = 1;
            bReady = false;
        }
    }
    // 3.
    if (!bMeanFieldExternal) {
        if (bMeanFieldFromData) {
            bReady = false;
            c->FreeMeanFieldFrames();
            c->bCollectSnapshots = 0;
        } else {
            bReady = c->bMeanFieldFramesBuilt && c->dBestChi2 >= 0 && c->bMeanFieldDefined;
            if (c->bMeanFieldFramesBuilt && !c->fingerPrint.Matches(nScans, pScanHeaders, pScanPoints, nullptr)) {
                showErrorMessage("data appear to have changed - switching back to data extrapolation mode", 0);
                bReady = false;
            }
            c->bCollectSnapshots = (bReady && bMeanFieldFrozen) ? 0 : 1;
        }
    }
    // 4.
    if (bReady) {
        c->bNeedsDataPass = 0;
        c->bMeanFieldReady = 1;
    } else {
        c->bNeedsDataPass = 1;
        c->bMeanFieldReady = 0;
        c->AllocExtrapolationTables();
        c->ExtrapolateDataMeanField();
        c->dBestChi2 = -1.0;
    }
}

int RunMTList(CContiNonid* c, TXLAWindow* pWindow, int nGrid, double* pS, double* pD, double* pVbar)
{
    // 1.
    bDiscretizationError = 0;
    bSimulationError = 0;
    log(pWindow, "\n  enter RunMTList to start MT sims");
    // 2. one template; the workers copy it
    auto L = std::make_unique<CLammNonIdeal>();
    setContiListSolverHead(L.get(), pWindow, 1.0, 10.0, c->nSedGridSize, pNoiseGrid, nNoiseGridPoints);
    if (bWienerSkewing) L->SetWienerSkewing(fWSkew, fWSkewSignalPerMgMl);
    L->SetNonidealParams(fNonidealKs, fNonidealKd, dSignalPerMgMl, bModelHinderedCS != 0, bHinderedBaxter != 0);
    // 3. the field: the computed (or loaded) one, else the data's
    const bool bComputedField = c->bMeanFieldFramesBuilt && c->bMeanFieldDefined && c->bMeanFieldReady;
    if (bComputedField)
        L->UseExternalMeanField(c->nFieldFrames, c->nMappedPoints, c->ppMappedField, c->pFrameTimes);
    else
        L->LoadCtotMovie(c->nExtrapolationTimes, c->nLevels, c->ppTimeLevelRadii, c->pExtrapolationTimes, c->pLevels,
                         c->dLevelStep, szTempDir);
    // 4.
    if (bNonidDebugFiles) {
        if (bComputedField)
            for (int i = 1; i <= c->nFieldFrames; i++) {
                writeFrameFile("movieframe%d.ip0", i, 0, c->nMeanFieldPoints + 2, c->pMeanFieldRadii,
                               c->ppMeanFieldFrames[i], c->FrameTime(i));
                writeFrameFile("simradmovieframe%d.ip0", i, 0, c->nMappedPoints, c->pSedGrid, c->ppMappedField[i],
                               c->FrameTime(i));
            }
        if (!bSkipRegularization) L->SetCtotVectorDumps(true);
    }
    // 5.
    setContiListSolverTail(L.get());
    // 6. every solution records its profile at the frame times
    if (c->bCollectSnapshots && nScans > 0) {
        if (!c->bFrameTimesSet) c->SetupFrameTimes(lastScanHeader()->time);
        // a store of another size, or for a cell that has moved since, is made anew
        if (!c->bSnapshotsStored || c->nSnapshotGridPoints != nGrid || c->nSnapshotFrames != c->nFrames ||
            c->pSnapshotRadii[1] != fMeniscus || c->pSnapshotRadii[c->nSnapshotPoints] != fBottom)
            c->AllocSnapshotStore(nGrid);
        if (c->bSnapshotsStored && c->bFrameTimesSet)
            L->SetSnapshotTimes(c->nFrames, c->nSnapshotPoints, nullptr, c->pppSnapshots, c->pFrameTimes,
                                c->pSnapshotRadii);
    }
    // 7.
    const int nResult = L->CLRunMTList(nGrid, pS, pD, pVbar, pLammSolutions, pNoiseGrid, nNoiseGridPoints, nullptr,
                                       nullptr);
    log(pWindow, " --> done with sims");
    L.reset();
    log(pWindow, " --> pLammSolutions deleted");
    if (bBufferMismatch) {
        nLammSolutionSet = 1;
        if (bFitBufferSignal) dBufferSignal = 1.0;
        if (pWindow) pWindow->SimulateBufferSignal();
    }
    return nResult;
}

bool RunNonidcofsSedList(TXLAWindow* pWindow, int nGrid, double* pS, double* pD, double* pVbar)
{
    // 1.
    log(pWindow, "\nEnter RunNonidcofsSedList");
    // 2.
    auto refuse = [pWindow](const char* szText) {
        win::MessageBox(pWindow ? pWindow->HWindow : nullptr, szText, "", win::MB_OK | win::MB_ICONEXCLAMATION);
    };
    if (bInhomogeneousSolvent) {
        refuse("nonideal c(s) model not implemented yet for inhomogeneous solvent");
        return false;
    }
    if (bBufferMismatch) {
        refuse("nonideal c(s) model not implemented yet with buffer mismatch signals");
        return false;
    }
    if (!pContiNonid) {
        refuse("error -- no pCContiNonidSim object allocated");
        return false;
    }
    CContiNonid* c = pContiNonid;
    // 3.
    if (c->bExternalInUse) c->LoadFromCtotMovie();
    // 4. the data pass
    if (c->bNeedsDataPass) {
        const int nResult = RunMTList(c, pWindow, nGrid, pS, pD, pVbar);
        if (pWindow) pWindow->ReportSimulationError(nResult);
        if (nResult >= 1 || bInterruptComputation) return true;
        if (!bMeanFieldFromData) {
            buildNormalEquations(pWindow, 2);
            if (bInterruptComputation) return true;
            nNEQSize = nResolution;
            addRegularization(0.0);
            if (!nnlsNormalEquations()) return true;
            dMeanFieldChi2 = chiSquareFromNormalEquations();
            if (c->dBestChi2 < 0 || dMeanFieldChi2 < c->dBestChi2) {
                c->ComputeMeanField(firstFieldPoint(), nResolution);
                c->dBestChi2 = dMeanFieldChi2;
                c->bMeanFieldReady = 1;
                c->bMeanFieldJustUpdated = 1;
            }
        }
    }
    // 5. the mean-field pass
    if (c->bMeanFieldReady) {
        c->MapMeanFieldToGrid(fMeniscus, fBottom, c->nSedGridSize, 0);
        const int nResult = RunMTList(c, pWindow, nGrid, pS, pD, pVbar);
        if (pWindow) pWindow->ReportSimulationError(nResult);
        if (nResult >= 1) return true;
    }
    // 6.
    log(pWindow, " --> OUT");
    return true;
}

void updateMeanFieldParameter()
{
    CContiNonid* c = pContiNonid;
    if (!c || !c->bSnapshotsStored || !c->bMeanFieldFramesBuilt || !c->bMeanFieldReady) return;
    // 1. the unregularized solution
    nNEQSize = nResolution;
    addRegularization(0.0);
    if (!nnlsNormalEquations()) return;
    dMeanFieldChi2 = chiSquareFromNormalEquations();
    if (!c->bExternalInUse) {
        // 2.
        if ((dMeanFieldChi2 < c->dBestChi2 || c->bMeanFieldJustUpdated) && !bMeanFieldFrozen && c->bCollectSnapshots) {
            c->ComputeMeanField(firstFieldPoint(), nResolution);
            c->dBestChi2 = dMeanFieldChi2;
        }
    } else if (c->dBestChi2 == -1.0) {
        // 3.
        c->dBestChi2 = dMeanFieldChi2;
    } else if (c->dBestChi2 <= dMeanFieldChi2) {
        c->bExternalImproved = 0;
    } else if (!bMeanFieldFrozen && c->bCollectSnapshots) {
        c->ComputeMeanField(firstFieldPoint(), nResolution);
        c->dBestChi2 = dMeanFieldChi2;
        c->bExternalImproved = 1;
    }
    // 4.
    c->bMeanFieldJustUpdated = 0;
}

void endMeanFieldIteration()
{
    CContiNonid* c = pContiNonid;
    if (!c || !c->bExternalInUse || !c->bMeanFieldDefined || bMeanFieldFrozen) return;
    c->bExternalInUse = 0;
    bMeanFieldExternal = 0;
}
