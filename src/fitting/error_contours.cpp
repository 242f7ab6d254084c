// Error contour maps and their commands (241 s and M, 244 s1 and s2, 245
// lg(K)).
//
// During a map the refits run at a tenth of the restart tolerance, so that
// the rmsd of neighbouring grid points differs by the parameters and not by
// where a refit happened to stop. The contour walk (a level above 0) keeps
// near the level: along a column of x it walks in y while the rmsd keeps its
// side of the level, turns where it crosses, and steps to the next column
// (turning back in x once the contour has been passed on the far side), so
// that consecutive refits straddle the contour; each straddling pair gives a
// point by linear interpolation. Only refitted rows enter the file: a key
// ends a map with the rows refitted before it, and a level that no refit
// crosses gives an empty file.
#include "fitting/error_contours.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "fitting/f_statistics.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/error_stop.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/matrix_file.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

float** pContourTable = nullptr;
int nContourRows = 0;
int nContourColumns = 0;
int nContourRow = 0;
int nGridProgressLine = 0;

namespace {

constexpr int nProgressLines = 15;

// The mapped parameters: their setters and the fit flags a map clears.
void setLog10K(float x)
{
    fSALog10Ka = x;
    pParamValue[3] = x;
}
void setMonomerS(float x)
{
    fSAMonomerS = x;
    pParamValue[nSpecies + 1] = x;
}
void setOligomerS(float y)
{
    fSAOligomerS = y;
    pParamValue[nSpecies + 2] = y;
}
void setSpeciesS(float x)
{
    pSpeciesS[1] = x;
    pParamValue[nSpecies + 1] = x;
}
void setSpeciesM(float y)
{
    pSpeciesMw[1] = y;
    pParamValue[1] = y;
}

struct MappedPair {
    void (*setX)(float);
    void (*setY)(float);
};

// The frame of every map: tighter refits, no repaint after each, the table
// allocated and zeroed; at the end the settings back, no stop pending and
// the row counter cleared.
class MapFrame {
public:
    MapFrame(int nRows, int nColumns) : fToleranceSaved(fTolerance), bRepaintSaved(bRepaintAfterCalc)
    {
        freeContourTable();
        fTolerance = 0.1f * fTolerance;
        bRepaintAfterCalc = 0;
        pContourTable = matrix(1, nRows, 1, nColumns);
        nContourRows = nRows;
        nContourColumns = nColumns;
        nContourRow = 0;
    }
    ~MapFrame()
    {
        fTolerance = fToleranceSaved;
        bRepaintAfterCalc = bRepaintSaved;
        bStopFit = 0;
        nContourRow = 0;
    }
    MapFrame(const MapFrame&) = delete;
    MapFrame& operator=(const MapFrame&) = delete;

private:
    float fToleranceSaved;
    unsigned char bRepaintSaved;
};

// The refit of a grid point; false when a key stopped it (its result is not
// a refit of the point).
bool refitPoint(TXLAWindow* pWindow, float* pRmsd)
{
    const float r = fitWithFixedParameters(pWindow);
    if (r < 0.0f || bStopFit) return false;
    *pRmsd = r;
    return true;
}

void storeRow(TXLAWindow* pWindow, int k, float x, float y, float r)
{
    pContourTable[k][1] = x;
    pContourTable[k][2] = y;
    pContourTable[k][3] = r;
    showGridPointProgress(pWindow, x, y, r, k);
}

// Level 0: the whole rectangle in a serpentine from the start point; the
// number of rows refitted.
int fullMap(TXLAWindow* pWindow, const MappedPair& m, float xMax, float xStep, float yMin, float yMax, float yStep,
            float xStart, float yStart, int n)
{
    float x = xStart, y = yStart, ystep = yStep;
    int k = 0, nStored = 0;
    while (x <= xMax) {
        while (y >= yMin && y <= yMax && ++k <= n) {
            m.setX(x);
            m.setY(y);
            float r = 0.0f;
            if (!refitPoint(pWindow, &r)) return nStored;
            storeRow(pWindow, k, x, y, r);
            nStored = k;
            y += ystep;
        }
        x += xStep;
        ystep = -ystep;
        if (y < yMin || y > yMax) y += ystep;
    }
    return nStored;
}

// Level above 0: the walk along the contour. bRefitted[k] tells which rows
// hold a refit.
void contourWalk(TXLAWindow* pWindow, const MappedPair& m, float xMin, float xMax, float xStep, float yMin,
                 float yMax, float yStep, float fLevel, float xStart, float yStart, int n,
                 std::vector<char>& bRefitted)
{
    float** t = pContourTable;
    float x = xStart, y = yStart;
    float xdir = 1.0f, ydir = 1.0f;
    float xc = xMin - xStep;
    bool bFlip = false, bYTurned = false, bXStepped = false, bXTurned = false, bDone = false;

    // 1. the start point
    m.setX(x);
    m.setY(y);
    float r = 0.0f;
    if (!refitPoint(pWindow, &r)) return;
    storeRow(pWindow, 1, x, y, r);
    bRefitted[1] = 1;
    int k = 1;
    bool bAbove = r > fLevel;
    bool bWasBelow = !bAbove;
    float fCurrent = r, fPrevious = r;
    y += yStep;

    for (;;) {
        // 2. the start of a column
        if (x < xMin || x > xMax || (k != 1 && x == xMin && y == yMin)) return;
        if (++k > n) return;
        // 3. the walk along the column
        while (y >= yMin && y <= yMax) {
            if (++k > n) break;
            m.setX(x);
            m.setY(y);
            if (!refitPoint(pWindow, &r)) return;
            storeRow(pWindow, k, x, y, r);
            bRefitted[k] = 1;
            if (k > 2 && !bRefitted[k - 1]) {
                // into the row the column start left empty
                for (int c = 1; c <= 3; ++c) {
                    t[k - 1][c] = t[k][c];
                    t[k][c] = 0.0f;
                }
                bRefitted[k - 1] = 1;
                bRefitted[k] = 0;
                --k;
            }
            fPrevious = fCurrent;
            fCurrent = r;
            const bool bRising = fCurrent > fPrevious;
            if (fCurrent < fLevel) {
                bFlip = bAbove;
                bAbove = false;
                xc = x;
                bWasBelow = true;
            } else {
                bFlip = !bAbove;
                bAbove = true;
            }
            if (bYTurned || bXStepped) {
                // the first point after a turn
                bYTurned = bXStepped = false;
                if (bFlip) {
                    if (y == t[k - 1][2]) {
                        x -= xdir * xStep;
                        ydir = -ydir;
                        y += ydir * yStep;
                    } else {
                        y -= ydir * yStep;
                    }
                    bYTurned = true;
                    break;
                }
                y += ydir * yStep;
                continue;
            }
            if ((x == xc && bAbove && bRising) || (!bAbove && !bRising)) {
                ydir = -ydir;
                bYTurned = true;
                break;
            }
            y += ydir * yStep;
        }
        // 4. the step to the next column
        if (bDone && x == xStart) return;
        if (x != xc && bWasBelow && !bFlip) {
            if (bXTurned) {
                bDone = true;
            } else {
                xdir = -xdir;
                bXTurned = true;
                x = xc - xdir * xStep;
            }
        }
        x += xdir * xStep;
        if (!bYTurned) {
            ydir = -ydir;
            bXStepped = true;
        }
        if (y < yMin || y > yMax) y += ydir * yStep;
    }
}

// The crossings of the level between consecutive refitted rows, closed.
void writeContourPoints(const char* szFile, int n, float fLevel, const std::vector<char>& bRefitted)
{
    float** t = pContourTable;
    CVector vx, vy;
    for (int i = 1; i < n; ++i) {
        if (!bRefitted[i] || !bRefitted[i + 1]) continue;
        const float r0 = t[i][3], r1 = t[i + 1][3];
        if (!((r0 >= fLevel && fLevel >= r1) || (r0 <= fLevel && fLevel <= r1))) continue;
        const float f = r1 != r0 ? (fLevel - r0) / (r1 - r0) : 0.0f;
        vx.Append(t[i][1] + (t[i + 1][1] - t[i][1]) * f);
        vy.Append(t[i][2] + (t[i + 1][2] - t[i][2]) * f);
    }
    if (vx.nSize > 0) {
        vx.Append(vx.pData[0]);
        vy.Append(vy.pData[0]);
    }
    CCurve curve(&vx, &vy);
    curve.SaveColumnsExp(szFile);
}

void twoParameterMap(TXLAWindow* pWindow, const char* szFile, const MappedPair& m, float xMin, float xMax,
                     float xStep, float yMin, float yMax, float yStep, float fLevel, float xStart, float yStart)
{
    if (!(xStep > 0.0f) || !(yStep > 0.0f)) return;
    const int n = contourGridSize(xMin, xMax, xStep) * contourGridSize(yMin, yMax, yStep);
    if (n < 1) return;
    MapFrame frame(n, 3);
    if (fLevel == 0.0f) {
        nContourRow = fullMap(pWindow, m, xMax, xStep, yMin, yMax, yStep, xStart, yStart, n);
        saveFloatMatrixFile(pContourTable, 1, nContourRow, 1, 3, szFile);
    } else {
        std::vector<char> bRefitted(n + 2, 0);
        contourWalk(pWindow, m, xMin, xMax, xStep, yMin, yMax, yStep, fLevel, xStart, yStart, n, bRefitted);
        writeContourPoints(szFile, n, fLevel, bRefitted);
    }
    freeContourTable();
}

// ---------------------------------------------------------------- the commands

// One number of a contour command; false on Cancel.
bool askValue(TXLAWindow* pWindow, float* pf, float fDefault, const char* szPrompt, const char* szTitle)
{
    *pf = fDefault;
    return inputFloatInWindow(pWindow, pf, fDefault, true, szPrompt, szTitle);
}

// Minimum, maximum and increment of one axis; the increment must lead from
// the minimum up to the maximum. False on Cancel or a refused increment.
bool askAxis(TXLAWindow* pWindow, const char* szName, float fValue, const char* szTitle, float* pMin, float* pMax,
             float* pStep)
{
    char szMin[80], szMax[80], szStep[80];
    std::snprintf(szMin, sizeof szMin, "minimum %s", szName);
    std::snprintf(szMax, sizeof szMax, "maximum %s", szName);
    std::snprintf(szStep, sizeof szStep, "%s increment", szName);
    const float fSpread = 0.1f * std::fabs(fValue);
    if (!askValue(pWindow, pMin, fValue - fSpread, szMin, szTitle)) return false;
    if (!askValue(pWindow, pMax, fValue + fSpread, szMax, szTitle)) return false;
    if (!askValue(pWindow, pStep, 0.2f * (*pMax - *pMin), szStep, szTitle)) return false;
    if (!(*pMax > *pMin && *pStep > 0.0f)) {
        win::MessageBox(pWindow->HWindow, "the increment must lead from the minimum to the maximum", szTitle,
                        win::MB_OK);
        return false;
    }
    return true;
}

bool selfAssociationModel()
{
    return bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148;
}

// The save dialog of a map's file; false on Cancel.
bool askMapFile(TXLAWindow* pWindow, const char* szName, char* szPath, int nSize)
{
    std::snprintf(szPath, static_cast<size_t>(nSize), "%s", szName);
    return AskFileName(pWindow, 1, szPath, nSize, "save generated data as", "dat",
                       "dat files (*.dat*)|*.dat*|All Files (*.*)|*.*|");
}

void twoParameterCommand(TXLAWindow* pWindow, bool bSM)
{
    if (nScans < 1) return;
    const char* szTitle = bSM ? "s1 and M Contour" : "s1 and s2 Contour";
    if (!bSM && !selfAssociationModel()) {
        win::MessageBox(pWindow->HWindow, "the s1,s2 contour needs a self-association model", szTitle, win::MB_OK);
        return;
    }
    float xMin, xMax, xStep, yMin, yMax, yStep, fLevel, xStart, yStart;
    if (!askAxis(pWindow, bSM ? "s" : "s1", bSM ? pSpeciesS[1] : fSAMonomerS, szTitle, &xMin, &xMax, &xStep)) return;
    if (!askAxis(pWindow, bSM ? "M" : "s2", bSM ? pSpeciesMw[1] : fSAOligomerS, szTitle, &yMin, &yMax, &yStep))
        return;
    if (!askValue(pWindow, &fLevel, 0.01f, "rmsd contour level (0 for all)", szTitle)) return;
    if (!askValue(pWindow, &xStart, xMin, "starting s1", szTitle)) return;
    if (!askValue(pWindow, &yStart, yMin, "starting s2", szTitle)) return;
    char szPath[1000];
    if (!askMapFile(pWindow, "contour.dat", szPath, sizeof szPath)) return;
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    runAbandonable([&] {
        if (bSM)
            errorContourSM(pWindow, szPath, xMin, xMax, xStep, yMin, yMax, yStep, fLevel, xStart, yStart);
        else
            errorContourS1S2(pWindow, szPath, xMin, xMax, xStep, yMin, yMax, yStep, fLevel, xStart, yStart);
    });
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
}

}  // namespace

int contourGridSize(float fMin, float fMax, float fStep)
{
    return static_cast<int>(std::floor((fMax - fMin) / fStep + 1e-5f)) + 1;
}

void freeContourTable()
{
    if (pContourTable) free_matrix(pContourTable, 1, nContourRows, 1, nContourColumns);
    pContourTable = nullptr;
    nContourRows = nContourColumns = nContourRow = 0;
}

int showGridPointProgress(TXLAWindow* pWindow, float x, float y, float fRmsd, int nRow)
{
    nGridProgressLine = nGridProgressLine % nProgressLines + 1;
    const int nY = 20 * nGridProgressLine + 10;
    char sz[120];
    std::snprintf(sz, sizeof sz, "%d: (%.2f , %.2f) %f", nRow, static_cast<double>(x), static_cast<double>(y),
                  static_cast<double>(fRmsd));
    writeToolText(pWindow, 350, nY, sz);
    return nY;
}

void errorContourK(TXLAWindow* pWindow, const char* szFile, float fMin, float fMax, float fStep)
{
    if (!(fStep > 0.0f)) return;
    const int n = contourGridSize(fMin, fMax, fStep);
    if (n < 1) return;
    {
        MapFrame frame(n, 2);
        pParamFloat[3] = 0;
        nFitSALog10Ka = 0;
        int nStored = 0;
        for (float x = fMin; x <= fMax && nStored + 1 <= n; x += fStep) {
            setLog10K(x);
            float r = 0.0f;
            if (!refitPoint(pWindow, &r)) break;
            ++nStored;
            pContourTable[nStored][1] = x;
            pContourTable[nStored][2] = r;
            showGridPointProgress(pWindow, x, 0.0f, r, nStored);
        }
        saveFloatMatrixFile(pContourTable, 1, nStored, 1, 2, szFile);
    }
}

void errorContourS1S2(TXLAWindow* pWindow, const char* szFile, float xMin, float xMax, float xStep, float yMin,
                      float yMax, float yStep, float fLevel, float xStart, float yStart)
{
    pParamFloat[nSpecies + 1] = pParamFloat[nSpecies + 2] = 0;
    nFitSAMonomerS = nFitSAOligomerS = 0;
    twoParameterMap(pWindow, szFile, MappedPair{setMonomerS, setOligomerS}, xMin, xMax, xStep, yMin, yMax, yStep,
                    fLevel, xStart, yStart);
}

void errorContourSM(TXLAWindow* pWindow, const char* szFile, float xMin, float xMax, float xStep, float yMin,
                    float yMax, float yStep, float fLevel, float xStart, float yStart)
{
    pParamFloat[nSpecies + 1] = pParamFloat[1] = 0;
    pSpeciesSFloat[1] = pSpeciesMwFloat[1] = 0;
    twoParameterMap(pWindow, szFile, MappedPair{setSpeciesS, setSpeciesM}, xMin, xMax, xStep, yMin, yMax, yStep,
                    fLevel, xStart, yStart);
}

void TXLAWindow::CmContourSM() { twoParameterCommand(this, true); }

void TXLAWindow::CmContourS1S2() { twoParameterCommand(this, false); }

void TXLAWindow::CmContourK()
{
    if (nScans < 1) return;
    const char* szTitle = "K Contour";
    if (!selfAssociationModel()) {
        win::MessageBox(HWindow, "the K contour needs a self-association model", szTitle, win::MB_OK);
        return;
    }
    float fMin, fMax, fStep;
    if (!askAxis(this, "lg(K)", fSALog10Ka, szTitle, &fMin, &fMax, &fStep)) return;
    char szPath[1000];
    if (!askMapFile(this, "Kcontour.dat", szPath, sizeof szPath)) return;
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    runAbandonable([&] { errorContourK(this, szPath, fMin, fMax, fStep); });
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
}
