// The series walk over the loaded scans, the series table it records for the
// approach-to-equilibrium test, and the comparison of two scans.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "analyses/eqtest/eq_test_state.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"

// ---------------------------------------------------------------- state
int* ppEqTestSeriesScans[nEqTestMaxSeries + 1] = {};
int pEqTestFirstPoint[nEqTestMaxSeries + 1] = {};
int pEqTestLastPoint[nEqTestMaxSeries + 1] = {};
int pEqTestInclude[nEqTestMaxSeries + 1] = {};
int pEqTestAtLatestSpeed[nEqTestMaxSeries + 1] = {};
double dEqTestTopSpeed = 0.0;
unsigned char bEqTestSingleCell = 1;
int nEqTestSingleCellNumber = 0;
int pEqTestExcludedCell[nEqTestMaxSeries + 1] = {};
float pEqTestExcludedWavelength[nEqTestMaxSeries + 1] = {};
int nEqTestExcluded = 0;
int pEqTestIncludedCell[nEqTestMaxSeries + 1] = {};
float pEqTestIncludedWavelength[nEqTestMaxSeries + 1] = {};
int nEqTestIncluded = 0;
unsigned char bSeriesGroupingOnly = 0;

unsigned char bEqTestCaptureDiff = 0;
float* pEqTestCaptureRadius = nullptr;
float* pEqTestCaptureSignal = nullptr;
int nEqTestCaptureLength = 0;

namespace {

// The name of the scan's file without folder and extension.
ScanPathParts scanPathParts(int nScan)
{
    if (!ppScanFileName || nScan < 1 || nScan > nScans || !ppScanFileName[nScan]) return {};
    return splitScanPath(ppScanFileName[nScan]);
}

// The first letter of the scan file's name (the folder of a full path does
// not count).
char nameLetter(int nScan)
{
    const ScanPathParts p = scanPathParts(nScan);
    return p.name.empty() ? '\0' : p.name[0];
}

// Prefix mode: the key addition of the six-channel subset letters.
int prefixAddition(char c)
{
    switch (c) {
        case 'i': return 10000;
        case 'm': return 20000;
        case 'o': return 30000;
        default: return 0;
    }
}

void limitBox(const char* szText) { showErrorMessage(szText, 0); }

// Header fields by value (the header is packed: no reference is bound).
float rpmOf(int nScan) { return pScanHeaders[nScan].rpm; }
double timeOf(int nScan) { return pScanHeaders[nScan].time; }

// Stable exchange sort by time, earliest first: neighbours are swapped only
// when the left time is strictly greater.
void sortByTime(std::vector<int>& scans)
{
    size_t k = 0;
    while (k + 1 < scans.size()) {
        if (timeOf(scans[k]) > timeOf(scans[k + 1])) {
            std::swap(scans[k], scans[k + 1]);
            if (k > 0) --k;
        } else {
            ++k;
        }
    }
}

// The recording action of the walk.
bool recordSeries(const std::vector<int>& list, int nLatest)
{
    if (nEqTestSeries >= nEqTestMaxSeries) {
        char sz[200];
        std::snprintf(sz, sizeof sz, "more than %d scan series: the further series are left out of the test",
                      nEqTestMaxSeries);
        limitBox(sz);
        return false;
    }
    // the gathered scans: the list without the latest scan repeated at its end
    std::vector<int> gathered(list.begin(), list.end() - 1);
    const int s = ++nEqTestSeries;
    free_ivector(ppEqTestSeriesScans[s], 1, pEqTestSeriesCount[s]);
    if (gathered.size() <= 1) {
        ppEqTestSeriesScans[s] = ivector(1, 1);
        ppEqTestSeriesScans[s][1] = nLatest;
        pEqTestSeriesCount[s] = 1;
        return true;
    }
    std::vector<int> others;
    for (int k : gathered)
        if (k != nLatest) others.push_back(k);
    sortByTime(others);
    others.push_back(nLatest);
    const int n = static_cast<int>(others.size());
    ppEqTestSeriesScans[s] = ivector(1, n);
    for (int k = 1; k <= n; ++k) ppEqTestSeriesScans[s][k] = others[k - 1];
    pEqTestSeriesCount[s] = n;
    const int nCell = pScanHeaders[others.front()].cell;
    if (bEqTestSingleCell && s == 1)
        nEqTestSingleCellNumber = nCell;
    else if (nCell != nEqTestSingleCellNumber)
        bEqTestSingleCell = 0;
    return true;
}

int firstScanOf(int s) { return ppEqTestSeriesScans[s] ? ppEqTestSeriesScans[s][1] : 0; }

bool onList(int nScan, const int* pCells, const float* pWavelengths, int n)
{
    if (nScan < 1 || nScan > nScans || !pScanHeaders) return false;
    const int nCell = pScanHeaders[nScan].cell;
    const float fWavelength = pScanHeaders[nScan].wavelength;
    for (int k = 1; k <= n && k <= nEqTestMaxSeries; ++k)
        if (pCells[k] == nCell && std::fabs(pWavelengths[k] - fWavelength) < 5.0f) return true;
    return false;
}

char extensionLetter(int nScan)
{
    const ScanPathParts p = scanPathParts(nScan);
    return p.ext.size() >= 3 ? p.ext[2] : '\0';
}

}  // namespace

// ---------------------------------------------------------------- the walk

bool walkEqScanSeries(float fTolerance, const EqWalkActions& actions)
{
    if (nScans < 1 || !pScanHeaders) return true;
    int keys[nEqWalkMaxKeys];
    int nKeys = 0;
    int speeds[nEqWalkMaxSpeeds];
    int nSpeeds = 0;
    bool bPrefixMode = false;
    int nPrefixAdd = 0;
    const double dTolerance = fTolerance;

    for (int i = 1; i <= nScans; ++i) {
        const char cLetter = nameLetter(i);
        if (const int nAdd = prefixAddition(cLetter)) {
            bPrefixMode = true;
            nPrefixAdd = nAdd;
        }
        const int nCell = pScanHeaders[i].cell;
        const float fWavelength = pScanHeaders[i].wavelength;
        const int nKey = static_cast<int>(std::floor(fWavelength)) + 1000 * nCell + (bPrefixMode ? nPrefixAdd : 0);
        bool bDone = false;
        for (int k = 0; k < nKeys && !bDone; ++k)
            bDone = keys[k] - dTolerance <= nKey && nKey <= keys[k] + dTolerance;
        if (bDone) continue;
        if (nKeys >= nEqWalkMaxKeys) {
            char sz[200];
            std::snprintf(sz, sizeof sz,
                          "more than %d cell/wavelength groups: the scans of the further groups are left out",
                          nEqWalkMaxKeys);
            limitBox(sz);
            return false;
        }
        keys[nKeys++] = nKey;
        nSpeeds = 0;

        const EqSeriesGroup group{i, bPrefixMode ? cLetter : '\0'};
        auto inGroup = [&](int j) {
            if (pScanHeaders[j].cell != nCell) return false;
            if (bPrefixMode && nameLetter(j) != cLetter) return false;
            const float w = pScanHeaders[j].wavelength;
            return fWavelength - fTolerance < w && w < fWavelength + fTolerance;
        };
        if (actions.groupStart) actions.groupStart(group);
        for (int j = i; j <= nScans; ++j) {
            if (!inGroup(j)) continue;
            // with a rotor-speed profile the whole group is one series
            const float fSpeed = bUsingSpeedSteps ? rpmOf(nScans) : rpmOf(j);
            bool bKnown = false;
            for (int k = 0; k < nSpeeds && !bKnown; ++k) bKnown = fSpeed == static_cast<float>(speeds[k]);
            if (bKnown) continue;
            if (nSpeeds >= nEqWalkMaxSpeeds) {
                char sz[200];
                std::snprintf(sz, sizeof sz,
                              "more than %d rotor speeds of cell %d at %.0f nm: the further speeds are left out",
                              nEqWalkMaxSpeeds, nCell, fWavelength);
                if (actions.groupEnd) actions.groupEnd(group);
                limitBox(sz);
                return false;
            }
            speeds[nSpeeds++] = static_cast<int>(fSpeed);

            std::vector<int> list{j};
            int nLatest = j;
            double dLatestTime = std::trunc(timeOf(j));
            for (int k = j + 1; k <= nScans; ++k) {
                if (!inGroup(k)) continue;
                if (!bUsingSpeedSteps && rpmOf(k) != rpmOf(j)) continue;
                list.push_back(k);
                const double t = std::trunc(timeOf(k));
                if (t > dLatestTime) {
                    dLatestTime = t;
                    nLatest = k;
                }
            }
            list.push_back(nLatest);
            if (actions.series && !actions.series(group, list, nLatest)) {
                if (actions.groupEnd) actions.groupEnd(group);
                return false;
            }
        }
        if (actions.groupEnd) actions.groupEnd(group);
    }
    return true;
}

bool recordEqScanSeries(float fTolerance)
{
    EqWalkActions actions;
    actions.series = [](const EqSeriesGroup&, const std::vector<int>& list, int nLatest) {
        return recordSeries(list, nLatest);
    };
    return walkEqScanSeries(fTolerance, actions);
}

// ---------------------------------------------------------------- the series table

void freeEqTestSeriesLists()
{
    for (int s = 1; s <= nEqTestMaxSeries; ++s) {
        free_ivector(ppEqTestSeriesScans[s], 1, pEqTestSeriesCount[s]);
        ppEqTestSeriesScans[s] = nullptr;
        pEqTestSeriesCount[s] = 0;
    }
    nEqTestSeries = 0;
}

void swapEqTestSeries(int a, int b)
{
    if (a < 1 || b < 1 || a > nEqTestSeries || b > nEqTestSeries) return;
    std::swap(ppEqTestSeriesScans[a], ppEqTestSeriesScans[b]);
    std::swap(pEqTestSeriesCount[a], pEqTestSeriesCount[b]);
}

int scanFileNumber(int nScan)
{
    const ScanPathParts p = scanPathParts(nScan);
    long n = 0;
    for (char c : p.name) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        n = std::min<long>(INT_MAX, n * 10 + (c - '0'));
    }
    return static_cast<int>(n);
}

bool isExcludedEqTestSeries(int nScan)
{
    return onList(nScan, pEqTestExcludedCell, pEqTestExcludedWavelength, nEqTestExcluded);
}

bool isIncludedEqTestSeries(int nScan)
{
    return onList(nScan, pEqTestIncludedCell, pEqTestIncludedWavelength, nEqTestIncluded);
}

int groupScanSeries(TXLAWindow* pWindow)
{
    freeEqTestSeriesLists();
    bEqTestSingleCell = 1;
    nEqTestSingleCellNumber = 0;
    bSeriesGroupingOnly = 1;
    sortEqDataToDisk(pWindow, "", "", 5.0f, false, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    bSeriesGroupingOnly = 0;
    const int n = nEqTestSeries;
    if (n < 1) {
        nEqTestGroups = 0;
        return 0;
    }
    // by the speed of their first scans, lowest first
    if (!bUsingSpeedSteps) {
        bool bSwapped = true;
        while (bSwapped) {
            bSwapped = false;
            for (int s = 1; s < n; ++s)
                if (rpmOf(firstScanOf(s)) > rpmOf(firstScanOf(s + 1))) {
                    swapEqTestSeries(s, s + 1);
                    bSwapped = true;
                }
        }
    }
    // the speed of the most recent step: the latest series that changed speed
    for (int s = 1; s <= n; ++s) pEqTestAtLatestSpeed[s] = bUsingSpeedSteps ? 1 : 0;
    if (!bUsingSpeedSteps) {
        float fReferenceRpm = rpmOf(firstScanOf(1));
        double dReferenceTime = timeOf(firstScanOf(1));
        for (int s = 2; s <= n; ++s) {
            const int k = firstScanOf(s);
            if (timeOf(k) > dReferenceTime && rpmOf(k) != fReferenceRpm) {
                fReferenceRpm = rpmOf(k);
                dReferenceTime = timeOf(k);
            }
        }
        for (int s = 1; s <= n; ++s)
            if (rpmOf(firstScanOf(s)) == fReferenceRpm) pEqTestAtLatestSpeed[s] = 1;
    }
    // the groups of file extensions, with the smallest file number of each
    nEqTestGroups = 0;
    for (int s = 1; s <= n; ++s) {
        const std::string ext = scanPathParts(firstScanOf(s)).ext;
        bool bKnown = false;
        for (int g = 1; g <= nEqTestGroups && !bKnown; ++g) bKnown = ext == pEqTestGroupNames[g];
        if (bKnown) continue;
        const int g = ++nEqTestGroups;
        std::snprintf(pEqTestGroupNames[g], sizeof pEqTestGroupNames[g], "%.9s", ext.c_str());
        int nFirst = INT_MAX;
        for (int i = 1; i <= nScans; ++i)
            if (scanPathParts(i).ext == ext) nFirst = std::min(nFirst, scanFileNumber(i));
        pEqTestGroupFirstScan[g] = nFirst == INT_MAX ? 0 : nFirst;
    }
    for (int s = 1; s <= n; ++s) pEqTestInclude[s] = isExcludedEqTestSeries(firstScanOf(s)) ? 0 : 1;
    dEqTestTopSpeed = 0.0;
    if (!bUsingSpeedSteps)
        for (int s = 1; s <= n; ++s) dEqTestTopSpeed = std::max(dEqTestTopSpeed, double(rpmOf(firstScanOf(s))));
    return n;
}

// ---------------------------------------------------------------- comparison

bool isIntensityScanFile(int nScan)
{
    const char c = extensionLetter(nScan);
    return c == 'i' || c == 'I';
}

bool isInterferenceScanFile(int nScan)
{
    const char c = extensionLetter(nScan);
    return c == 'p' || c == 'P';
}

void eqComparisonValues(int nScan, float* pOut)
{
    const int n = pScanPoints[nScan];
    const float* s = ppSignal[nScan];
    if (!isIntensityScanFile(nScan)) {
        for (int k = 1; k <= n; ++k) pOut[k] = s[k];
        return;
    }
    const float* t = ppThirdColumn ? ppThirdColumn[nScan] : nullptr;
    for (int k = 1; k <= n; ++k)
        pOut[k] = (t && s[k] > 0.0f && t[k] > 0.0f) ? std::log10(t[k] / s[k]) : 10.0f;
}

float eqTestScanRmsd(int a, int b, int nFirst, int nLast)
{
    if (a < 1 || b < 1 || a > nScans || b > nScans || a == b || !pScanPoints) return 0.0f;
    const int nb = pScanPoints[b], na = pScanPoints[a];
    if (nb < 1 || na < 1) return 0.0f;
    nFirst = std::max(nFirst, 1);
    nLast = std::min(nLast, nb);
    if (nLast < nFirst) return 0.0f;

    float* pA = vector(1, na);
    float* pB = vector(1, nb);
    float* pAtB = vector(1, nb);
    eqComparisonValues(a, pA);
    eqComparisonValues(b, pB);
    interpolateOnGrid(nb, ppRadius[b], pAtB, na, ppRadius[a], pA);

    const int m = nLast - nFirst + 1;
    double dOffset = 0.0;
    for (int k = nFirst; k <= nLast; ++k) dOffset += static_cast<double>(pB[k]) - pAtB[k];
    dOffset /= m;
    double dSum = 0.0;
    int nCaptured = 0;
    for (int k = nFirst; k <= nLast; ++k) {
        const double d = (static_cast<double>(pAtB[k]) - pB[k]) + dOffset;
        dSum += d * d;
        if (bEqTestCaptureDiff && pEqTestCaptureRadius && pEqTestCaptureSignal && nCaptured < nEqTestCaptureLength) {
            ++nCaptured;
            pEqTestCaptureSignal[nCaptured] = static_cast<float>(d);
            pEqTestCaptureRadius[nCaptured] = ppRadius[b][k];
        }
    }
    free_vector(pA, 1, na);
    free_vector(pB, 1, nb);
    free_vector(pAtB, 1, nb);
    return dSum > 0.0 ? static_cast<float>(std::sqrt(dSum / m)) : 0.0f;
}

float eqScanRmsdInFitRange(int a, int b)
{
    if (b < 1 || b > nScans || !pScanPoints) return 0.0f;
    const int nFirst = pFitFirstIndex && pFitFirstIndex[b] > 0 ? pFitFirstIndex[b] : 1;
    const int nLast = pFitLastIndex && pFitLastIndex[b] > 0 ? pFitLastIndex[b] : pScanPoints[b];
    const unsigned char bCapture = bEqTestCaptureDiff;
    bEqTestCaptureDiff = 0;
    const float f = eqTestScanRmsd(a, b, nFirst, nLast);
    bEqTestCaptureDiff = bCapture;
    return f;
}
