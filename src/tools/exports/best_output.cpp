// s from the output of the boundary-element hydrodynamics programs: their
// translational diffusion coefficients for triangulations of increasing
// fineness are extrapolated linearly in 1/N (N triangles) to 1/N = 0 and
// turned into s under standard conditions by the Svedberg relation.
//
// With four or more models the coarsest is dropped while dropping it cuts
// the residual sum of the straight line below 30 %, keeping at least three.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "distributions/hydrodynamics.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/straight_line.h"
#include "numerics/text_lines.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"
#include "tools/exports/hydrodynamic_exports.h"

using namespace win;

namespace {

constexpr const char* szBestTitle = "read BEST/BEMINE";
constexpr const char* szPatchesLabel = "Number of Surface Patches";
constexpr const char* szDLabel = "DTT(EXACT) =";
constexpr int nMaxPairs = 100;

// The number a token at p begins with, as atof reads it (0 for none).
float numberAt(const char* p)
{
    float f = 0.0f;
    if (!readNumber(p, f)) return 0.0f;
    return f;
}

// A non-fatal error box whose text starts with a line feed and a bell.
void reportFileProblem(const char* szFormat, const char* szPath)
{
    std::string sz = std::string("\n\x07") + szFormat;
    char szText[600];
    std::snprintf(szText, sizeof szText, sz.c_str(), szPath);
    showErrorMessage(szText, 0);
}

// The whole file as text; false (after the box) when it cannot be read.
bool readWholeFile(const char* szPath, std::string* pText)
{
    FILE* f = fopenMapped(szPath, "r");
    if (!f) {
        reportFileProblem("Attention: could not open %s", szPath);
        return false;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) pText->append(buffer, n);
    std::fclose(f);
    // the text ends at its first zero byte
    pText->resize(std::strlen(pText->c_str()));
    if (pText->empty()) {
        reportFileProblem("Attention: could not read %s into memory", szPath);
        return false;
    }
    return true;
}

}  // namespace

int readBestDiffusionPairs(const char* szText, float* pN, float* pD, int nMax)
{
    const size_t nPatches = std::strlen(szPatchesLabel), nDLength = std::strlen(szDLabel);
    int n = 0;
    const char* p = szText;
    while (n < nMax) {
        const char* pPatches = std::strstr(p, szPatchesLabel);
        if (!pPatches) break;
        const char* pLabel = std::strstr(pPatches + nPatches, szDLabel);
        if (!pLabel) break;  // no D for this model: the reading ends
        const float fTriangles = numberAt(pPatches + nPatches);
        // the D value starts one character past the label (if the text has one)
        const char* pValue = pLabel + nDLength;
        if (*pValue) pValue++;
        const float fD = numberAt(pValue);
        p = pLabel;
        if (!(fTriangles > 0.0f)) continue;  // no 1/N to extrapolate in
        n++;
        pN[n] = fTriangles;
        pD[n] = fD;
    }
    return n;
}

float sFromBestDiffusion(float fMass, float fVbar, float fD)
{
    // 1 / (R T) at 20 C, and the buoyancy in water at 20 C
    return static_cast<float>(kInverseRTStandard * (1.0 - fVbar * kWaterDensity20) * 1e13 * fMass * fD);
}

void TXLAWindow::CmExtractSFromBest()
{
    float fMass = 0.0f, fVbar = 0.0f;
    if (!inputFloatInWindow(this, &fMass, 100000.0f, true, "molar mass (Da)", szBestTitle)) return;
    if (!inputFloatInWindow(this, &fVbar, VBAR, true, "partial-specific volume (ml/g)", szBestTitle)) return;
    if (!(fMass > 0.0f) || !(fVbar > 0.0f)) return;

    const ScanPathParts parts = splitScanPath(szScanExtra);
    const std::string szOffered = parts.drive + parts.dir + "tdat.*";
    char szPath[260];
    std::snprintf(szPath, sizeof szPath, "%s", szOffered.c_str());
    std::string szText;
    if (!AskFileName(this, 0, szPath, sizeof szPath, "select filename of BEMINE output", "*", nullptr)) {
        reportFileProblem("no diffusion data found in %s", szOffered.c_str());
        return;
    }
    if (!readWholeFile(szPath, &szText)) return;

    float* pN = vector(1, nMaxPairs);
    float* pD = vector(1, nMaxPairs);
    float* pX = vector(1, nMaxPairs);
    struct Release {
        float *a, *b, *c;
        ~Release()
        {
            free_vector(a, 1, nMaxPairs);
            free_vector(b, 1, nMaxPairs);
            free_vector(c, 1, nMaxPairs);
        }
    } release{pN, pD, pX};

    const int n = readBestDiffusionPairs(szText.c_str(), pN, pD, nMaxPairs);
    if (n == 0) {
        reportFileProblem("no diffusion data found in %s", szPath);
        return;
    }
    // finest model first; models of equal size keep their order
    for (int i = 2; i <= n; i++)
        for (int j = i; j > 1 && pN[j] > pN[j - 1]; j--) {
            std::swap(pN[j], pN[j - 1]);
            std::swap(pD[j], pD[j - 1]);
        }
    for (int k = 1; k <= n; k++) pX[k] = 1.0f / pN[k];

    float a = pD[1], b = 0.0f;
    int m = n;
    if (n >= 2) {
        float fChi = fitStraightLine(&a, &b, pX, pD, m);
        while (m >= 4) {
            float a1 = 0.0f, b1 = 0.0f;
            const float fChiFewer = fitStraightLine(&a1, &b1, pX, pD, m - 1);
            if (fChiFewer < 0.0f || !(0.3f * fChi > fChiFewer)) break;
            m--;
            a = a1, b = b1, fChi = fChiFewer;
        }
    }
    const float fS = sFromBestDiffusion(fMass, fVbar, a);

    char sz[400];
    std::snprintf(sz, sizeof sz, "reading %s\nfound %d D-values:\n", szPath, n);
    std::string szReport = sz;
    for (int k = 1; k <= n; k++) {
        std::snprintf(sz, sizeof sz, "%.0f triangles - D = %e\n", pN[k], pD[k]);
        szReport += sz;
    }
    if (m == n)
        std::snprintf(sz, sizeof sz, "\nextrapolation to 1/N = 0 gives D = %e cm^2/sec\n", a);
    else
        std::snprintf(sz, sizeof sz, "\nextrapolation of %d largest models to 1/N = 0 gives D = %e cm^2/sec\n", m, a);
    szReport += sz;
    std::snprintf(sz, sizeof sz,
                  "\nunder standard conditions, with Mw = %f Da and vbar = %f ml/g, this results in an s-value of %f S",
                  fMass, fVbar, fS);
    szReport += sz;
    szReport += "\n\n show extrapolation plot?";
    if (MessageBox(HWindow, szReport.c_str(), szBestTitle, MB_YESNO) != IDYES) return;

    // the models and the line in the side-result plot (D in 1e-7 cm^2/s)
    releaseResultArrays();
    const int nLength = std::max(n, 2);
    nAuxArrayLength = nLength;
    pAuxArray1 = vector(1, nLength);
    pAuxArray2 = vector(1, nLength);
    pAuxArray3 = vector(1, nLength);
    pAuxArray4 = vector(1, nLength);
    for (int k = 1; k <= n; k++) {
        pAuxArray1[k] = pX[k];
        pAuxArray2[k] = pD[k] * 1e7f;
        pAuxArray3[k] = pX[k];
    }
    pAuxArray3[1] = 0.0f;
    pAuxArray3[nLength] = 1.1f * pX[n];
    for (int k = 1; k <= nLength; k++) pAuxArray4[k] = (a + b * pAuxArray3[k]) * 1e7f;
    pAuxVector1 = new CVector;
    pAuxVector1->Attach(pAuxArray1, n, 1);
    pAuxVector2 = new CVector;
    pAuxVector2->Attach(pAuxArray2, n, 1);
    pAuxVector3 = new CVector;
    pAuxVector3->Attach(pAuxArray3, nLength, 1);
    pAuxVector4 = new CVector;
    pAuxVector4->Attach(pAuxArray4, nLength, 1);
    pAuxCurve1 = new CCurve(pAuxVector1, pAuxVector2);
    pAuxCurve2 = new CCurve(pAuxVector3, pAuxVector4);
    pAuxPlot = new CWINPlot;
    pAuxPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    pAuxPlot->AddCurve(pAuxCurve1);
    pAuxPlot->SetCurveStyle(0, 6);
    pAuxPlot->AddCurve(pAuxCurve2);
    pAuxPlot->SetCurveStyle(1, -1);
    pAuxPlot->SetXLabel("1/n");
    pAuxPlot->SetYLabel("D (F)");
    pAuxPlot->nSymbolSize = 10;
    nErrorBarCapWidth = 15;
    const float fYLow = 0.99e7f * a, fYHigh = 1.01f * pAuxArray4[nLength];
    pAuxPlot->SetAxisRanges(0.0f, 1.1f * pX[n], std::min(fYLow, fYHigh), std::max(fYLow, fYHigh));
    pAuxPlot->Draw();
    bAuxPlotShown = 1;
    InvalidateUnlessBatch();
}
