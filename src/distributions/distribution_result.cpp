// The distribution result, its release and the distribution plot in the
// band below the data and residual plots.
#include "distributions/distribution_result.h"

#include <cmath>
#include <cstdio>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_app.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/monte_carlo.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "plot/cwinplot.h"

float* pDistAxisS = nullptr;
float* pDistAxisM = nullptr;
float* pDistValues = nullptr;
float* pDistValues2 = nullptr;
double* pPriorProbability = nullptr;
double* pPriorAbscissa = nullptr;
float* pCsFf0Values = nullptr;
float* pCsFf0S = nullptr;
float* pCsFf0Ratio = nullptr;
float* pCsFf0M = nullptr;
float* pCsFf0D = nullptr;
float* pCsFf0Rh = nullptr;
float* pFf0Grid = nullptr;
float* pFf0PriorWeights = nullptr;
float fCsFf0MeanM = 0.0f;
float fCsFf0SdM = 0.0f;
float fCsFf0MeanRh = 0.0f;
float fCsFf0SdRh = 0.0f;
float fCsFf0MeanFf0 = 0.0f;
float fCsFf0MsD = 0.0f;
unsigned char bCsFf0Plotted = 0;
unsigned char bDistConvertedToCM = 0;
unsigned char bDistTransformedToRh = 0;
unsigned char bDistributionTransformed = 0;
unsigned char bDistPlotBuilt = 0;
CVector* pDistXVector = nullptr;
CVector* pDistYVector = nullptr;
CVector* pDistY2Vector = nullptr;
CCurve* pDistCurve = nullptr;
CCurve* pDistCurve2 = nullptr;
CWINPlot* pDistPlot = nullptr;
CVector* pCsFf0XVector = nullptr;
CVector* pCsFf0YVector = nullptr;
CCurve* pCsFf0Curve = nullptr;

namespace {

// The sizes the vectors were allocated with, for their release.
int nDistVectorsAllocated = 0;
int nCsFf0Allocated = 0;
int nFf0Allocated = 0;

template <class T>
void deleteAndNull(T*& p)
{
    delete p;
    p = nullptr;
}

void freeFloatVector(float*& p, int n)
{
    if (p) free_vector(p, 1, n);
    p = nullptr;
}

void freeDoubleVector(double*& p, int n)
{
    if (p) free_dvector(p, 1, n);
    p = nullptr;
}

}  // namespace

// ---------------------------------------------------------------- model classes

bool isSTypeModel()
{
    return bModelLsgs || bModelLsgsOneDiscrete || bModelHybridCSLsgs || bModelElectrophoresisCV || bModelCS ||
           bModelCSConformationalChange || bModelCSFf0 || bModelCSFf0OneDiscrete || bModelCSFixFf0FloatingVbar ||
           bModelCSScalingLaw || bModelCSWormlikeChain || bModelCSBimodalFf0OneDiscrete || bModelCSBimodalFf0 ||
           bModelCSFlotation || bModelCSOneDiscreteD || bBufferMismatch || bModelCSOneDiscreteM ||
           bModelCSWithMsTable || bModelCSInvariantD || bModelCSLinearRods || bModelNonidealCS ||
           bBoundaryAnalysisMode;
}

bool isTwoDimensionalModel() { return bModelCSFf0 || bModelCSFf0OneDiscrete; }

bool isCSListModel()
{
    return bModelCS || bModelCSConformationalChange || bModelCSFixFf0FloatingVbar || bModelCSScalingLaw ||
           bModelCSWormlikeChain || bModelCSBimodalFf0OneDiscrete || bModelCSBimodalFf0 || bModelCSFlotation ||
           bModelCSFf0 || bModelCSFf0OneDiscrete || bModelCSOneDiscreteD || bBufferMismatch ||
           bModelCSWithMsTable || bModelCSOneDiscreteM || bModelCSInvariantD || bModelNonidealCS ||
           bModelCSLinearRods;
}

bool isSAxisPlotModel()
{
    return bModelCS || bModelHybridCSLsgs || bModelDlsRh || bModelCSFf0 || bModelCSFf0OneDiscrete ||
           bModelDlsRhTime || bModelCSConformationalChange || bModelCSFixFf0FloatingVbar || bModelCSScalingLaw ||
           bModelCSWormlikeChain || bModelCSBimodalFf0OneDiscrete || bModelCSBimodalFf0 || bModelCSFlotation ||
           bModelCSOneDiscreteD || bBufferMismatch || bModelCSWithMsTable || bModelCSOneDiscreteM ||
           bModelCSInvariantD || bModelNonidealCS || bModelCSLinearRods;
}

bool isSFamilyModel()
{
    return bModelCS || bModelCSFf0 || bModelCSFf0OneDiscrete || bModelCSConformationalChange ||
           bModelCSBimodalFf0OneDiscrete || bModelCSFlotation || bModelCSBimodalFf0 || bModelCSScalingLaw ||
           bModelCSWormlikeChain || bModelCSFixFf0FloatingVbar || bModelNonidealCS || bModelCSWithMsTable ||
           bModelCSOneDiscreteM || bModelCSOneDiscreteD || bModelCSInvariantD || bModelDlsRh ||
           bBoundaryAnalysisMode;
}

bool isSFamilyModelForFile()
{
    return bModelCS || bModelCSConformationalChange || bModelCSBimodalFf0OneDiscrete || bModelCSFlotation ||
           bModelCSBimodalFf0 || bModelCSScalingLaw || bModelCSWormlikeChain || bModelCSFixFf0FloatingVbar ||
           bModelNonidealCS || bModelCSWithMsTable || bModelCSOneDiscreteM || bModelCSOneDiscreteD ||
           bModelCSInvariantD || bModelElectrophoresisCV || bBufferMismatch || bModelCSLinearRods;
}

bool hasDiscreteSpeciesAtPoint1()
{
    return bModelCSOneDiscreteD || bModelCSOneDiscreteM || bModelCSBimodalFf0OneDiscrete || bModelLsgsOneDiscrete ||
           bBufferMismatch || bModelCSWithMsTable || (bModelHybridCSLsgs && bHybridWithDiscrete) ||
           (bModelNonidealCS && bNonidealDiscreteFirst);
}

bool hasDiscreteSpeciesAtPoint1ForIntegrals()
{
    return hasDiscreteSpeciesAtPoint1() || bModelCSFf0OneDiscrete || bModelNonidealCS;
}

// ---------------------------------------------------------------- vectors

void allocDistributionVectors(int n)
{
    pDistAxisS = vector(1, n);
    pDistAxisM = vector(1, n);
    pDistValues = vector(1, n);
    pDistValues2 = vector(1, n);
    pPriorProbability = dvector(1, n);
    pPriorAbscissa = dvector(1, n);
    for (int i = 1; i <= n; i++) pPriorProbability[i] = 0.01;
    nDistVectorsAllocated = n;
    nResolution = n;
}

void freeDistributionVectors()
{
    freeFloatVector(pDistAxisM, nDistVectorsAllocated);
    freeFloatVector(pDistAxisS, nDistVectorsAllocated);
    freeFloatVector(pDistValues, nDistVectorsAllocated);
    freeFloatVector(pDistValues2, nDistVectorsAllocated);
    freeDoubleVector(pPriorProbability, nDistVectorsAllocated);
    freeDoubleVector(pPriorAbscissa, nDistVectorsAllocated);
    nDistVectorsAllocated = 0;
    nResolution = 0;
}

int allocatedDistributionPoints() { return nDistVectorsAllocated; }

bool haveDistributionVectors()
{
    return nResolution >= 1 && nResolution <= nDistVectorsAllocated && pDistAxisS && pDistAxisM && pDistValues &&
           pDistValues2;
}

void allocCsFf0Arrays(int nTotal, int nFf0)
{
    freeCsFf0Arrays();
    for (float** pp : {&pCsFf0Values, &pCsFf0M, &pCsFf0S, &pCsFf0Ratio, &pCsFf0D, &pCsFf0Rh}) *pp = vector(1, nTotal);
    pFf0Grid = vector(1, nFf0);
    pFf0PriorWeights = vector(1, nFf0);
    nCsFf0Allocated = nTotal;
    nFf0Allocated = nFf0;
}

int allocatedCsFf0Points() { return nCsFf0Allocated; }

int allocatedFf0Points() { return nFf0Allocated; }

void freeCsFf0Arrays()
{
    for (float** pp : {&pCsFf0M, &pCsFf0S, &pCsFf0D, &pCsFf0Rh, &pCsFf0Ratio, &pCsFf0Values})
        freeFloatVector(*pp, nCsFf0Allocated);
    freeFloatVector(pFf0Grid, nFf0Allocated);
    freeFloatVector(pFf0PriorWeights, nFf0Allocated);
    nCsFf0Allocated = nFf0Allocated = 0;
}

// ---------------------------------------------------------------- release

void clearDistributionResults()
{
    freeFloatVector(pDistAxisM, nDistVectorsAllocated);
    freeFloatVector(pDistAxisS, nDistVectorsAllocated);
    freeFloatVector(pDistValues, nDistVectorsAllocated);
    freeFloatVector(pDistValues2, nDistVectorsAllocated);
    nResolution = 0;

    deleteAndNull(pDistXVector);
    deleteAndNull(pDistYVector);
    deleteAndNull(pDistY2Vector);
    deleteAndNull(pDistCurve);
    deleteAndNull(pDistCurve2);
    deleteAndNull(pDistPlot);

    clearMonteCarloPlots();

    // the two-dimensional arrays go whenever they exist, whatever model is
    // chosen now
    freeCsFf0Arrays();
    deleteAndNull(pCsFf0XVector);
    deleteAndNull(pCsFf0YVector);
    deleteAndNull(pCsFf0Curve);
    bCsFf0Plotted = 0;

    restoreMainPlotLayout();
    if (pDataPlot && bDistPlotBuilt) {
        layoutAndRedrawPlots();
        updateResidualsPlot(1);
        updateResidualsBitmapPlot(1);
        redrawDataPlot(1);
    }
    if (pMainWindow) pMainWindow->DeleteIntegrateButtons();

    freeDoubleVector(pPriorProbability, nDistVectorsAllocated);
    freeDoubleVector(pPriorAbscissa, nDistVectorsAllocated);
    nDistVectorsAllocated = 0;
}

// ---------------------------------------------------------------- the plot

namespace {

// View of n values of a 1-based array starting at element nFirst.
CVector* viewOf(float* p, int nFirst, int n)
{
    CVector* v = new CVector();
    if (p && n > 0) v->Attach(p, static_cast<unsigned>(n), nFirst);
    return v;
}

const char* massDistributionLabel() { return bModelFMScalingLaw && bFMScalingNoDiffusion ? "f(M)" : "c(M)"; }

void newDistributionPlot()
{
    pDistPlot = new CWINPlot();
    pDistPlot->SetPlotRect(nDistPlotFrom, nPlotLeft, nDistPlotTo, nPlotRight);
}

// A symbol size from a band extent over a number of steps; false when it is
// not a size (no steps, or negative).
bool cellExtent(double dExtent, double dSteps, double dFactor, int* pnSize)
{
    const double d = dExtent / dSteps * dFactor * 0.5;
    if (!std::isfinite(d) || std::fabs(d) > 1e6) return false;
    const int n = static_cast<int>(std::trunc(d)) + 1;
    if (n < 0) return false;
    *pnSize = n;
    return true;
}

void setFirstSymbolSize(int n)
{
    pDistPlot->nSymbolSize = n;
    nErrorBarCapWidth = static_cast<int>(std::floor(n * 1.5));
}

// The two-dimensional display of c(s,ff0): a map of cells coloured by the
// amplitudes, or points of two chosen quantities. With one discrete species
// point 1 is that species and is not shown.
void buildCsFf0Display()
{
    const int nFirst = bModelCSFf0OneDiscrete ? 2 : 1;
    const int nPoints = nCsGridTotal - (nFirst - 1);
    deleteAndNull(pCsFf0XVector);
    deleteAndNull(pCsFf0YVector);
    deleteAndNull(pCsFf0Curve);
    const bool bMap = !bCsFf0ShowSM && !bCsFf0ShowRh && !bCsFf0ShowD && !bCsFf0ShowMFf0;
    float* pX = pCsFf0S;
    float* pY = pCsFf0Ratio;
    if (!bMap) {
        pX = bCsFf0ShowMFf0 ? pCsFf0M : pCsFf0S;
        pY = bCsFf0ShowRh ? pCsFf0Rh : bCsFf0ShowD ? pCsFf0D : bCsFf0ShowMFf0 ? pCsFf0Ratio : pCsFf0M;
    }
    pCsFf0XVector = viewOf(pX, nFirst, nPoints);
    pCsFf0YVector = viewOf(pY, nFirst, nPoints);
    pCsFf0Curve = new CCurve(pCsFf0XVector, pCsFf0YVector);
    pDistPlot->AddCurve(pCsFf0Curve);
    pDistPlot->SetHighlightSegment(0, pCsFf0Values, nFirst, nCsGridTotal, 0);
    pDistPlot->bColorBar = 1;
    pDistPlot->nColorBarOffset = 0;
    if (bMap) {
        pDistPlot->SetYValueScale(fFf0Min, fFf0Max);
        pDistPlot->SetCurveStyle(0, 11);
        int n = 0;
        if (cellExtent(nDistPlotTo - nDistPlotFrom, nFf0Resolution - 1.0, 1.0, &n)) setFirstSymbolSize(n);
        if (cellExtent(nPlotRight - nPlotLeft, fSGridResolution - 1.0, 1.2, &n)) pDistPlot->nSymbolHeight = n;
        pDistPlot->AddCurve(pDistCurve);
        pDistPlot->SetCurveColor(1, 0);
        pDistPlot->SetXLabel("sed coefficient [S]");
        pDistPlot->SetYLabel("c(s,*) or ff0");
        char sz[40];
        std::snprintf(sz, sizeof sz, "ff0=%.2f", fFf0Min);
        pDistPlot->SetYBottomText(sz);
        std::snprintf(sz, sizeof sz, "ff0=%.2f", fFf0Max);
        pDistPlot->SetYTopText(sz);
    } else {
        pDistPlot->SetCurveStyle(0, 9);
        setFirstSymbolSize(nDistSymbolSize);
        pDistPlot->SetXLabel(bCsFf0ShowMFf0 ? "molar mass [Da]" : "sed coefficient [S]");
        pDistPlot->SetYLabel(bCsFf0ShowRh    ? "Stokes radius (nm)"
                             : bCsFf0ShowD   ? "D (cm^2/sec)"
                             : bCsFf0ShowMFf0 ? "frictional ratio"
                                              : "molar mass [Da]");
    }
}

bool csFf0ArraysExist()
{
    return pCsFf0Values && pCsFf0S && pCsFf0Ratio && pCsFf0M && pCsFf0D && pCsFf0Rh && nCsGridTotal > 0;
}

// Curves of the one-dimensional result on the x view; the plot with the
// black first curve and, when both regularizations are shown, the blue second
// one; or the two-dimensional display.
void buildCurvesAndPlot(bool bAllowTwoDimensional)
{
    pDistYVector = viewOf(pDistValues, 1, nResolution);
    pDistCurve = new CCurve(pDistXVector, pDistYVector);
    pDistY2Vector = viewOf(pDistValues2, 1, nResolution);
    pDistCurve2 = new CCurve(pDistXVector, pDistY2Vector);
    newDistributionPlot();
    if (bAllowTwoDimensional && isTwoDimensionalModel() && csFf0ArraysExist()) {
        buildCsFf0Display();
        bCsFf0Plotted = 1;
        return;
    }
    pDistPlot->AddCurve(pDistCurve);
    pDistPlot->SetCurveColor(0, 0);
    if (bRegBothShown) {
        pDistPlot->AddCurve(pDistCurve2);
        pDistPlot->SetCurveColor(1, 0xff0000);
    }
    bCsFf0Plotted = 0;
}

void redrawMainPlotsForDistribution()
{
    layoutAndRedrawPlots();
    updateResidualsPlot(1);
    updateResidualsBitmapPlot(1);
    redrawDataPlot(1);
}

}  // namespace

void plotDistribution()
{
    if (pDistPlot) {
        const unsigned char bBuilt = bDistPlotBuilt;
        bDistPlotBuilt = 0;
        clearDistributionResults();
        bDistPlotBuilt = bBuilt;
    }
    if (!pDistAxisS || !pDistAxisM || !pDistValues || !pDistValues2) return;  // nothing to show

    if (!isSTypeModel() && !bModelDlsRh && !bModelDlsRhTime) {
        pDistXVector = viewOf(pDistAxisM, 1, nResolution);
    } else {
        pDistXVector = viewOf(pDistAxisS, 1, nResolution);
        bDistConvertedToCM = 0;
    }
    buildCurvesAndPlot(true);

    if (!isSTypeModel()) {
        if (bModelDlsD) {
            pDistPlot->SetXLabel("log diffusion coefficient (cm^2/sec)");
            pDistPlot->SetYLabel("Scattering Intensity");
            pDistPlot->bLogTicksX = 1;
        } else if (bModelDlsRh || bModelDlsRhTime) {
            pDistPlot->SetXLabel("log hydrodynamic radius (m)");
            pDistPlot->SetYLabel("Scattering Intensity");
            pDistPlot->bLogTicksX = 1;
        } else {
            pDistPlot->SetXLabel("molar mass [Da]");
            pDistPlot->SetYLabel(massDistributionLabel());
        }
    } else if (!bCsFf0Plotted) {
        pDistPlot->SetXLabel(bModelLsgv || bModelElectrophoresisCV ? "migration velocity [um/sec]"
                                                                   : "sed coefficient [S]");
        if (bBoundaryAnalysisMode && !bExtrapolateAreaFractions)
            pDistPlot->SetYLabel("fraction");
        else if (bModelLsgs || bModelLsgsOneDiscrete)
            pDistPlot->SetYLabel("ls-g*(s)");
        else if (bModelHybridCSLsgs)
            pDistPlot->SetYLabel("c(s)/ls-g*(s)");
        else
            pDistPlot->SetYLabel("c(s)");
    }
    pDistPlot->ToggleYFromZero();
    pDistPlot->ToggleConnectSymbols();

    setDistributionPlotLayout();
    if (pDataPlot || pResidualsPlot) {
        redrawMainPlotsForDistribution();
        if (pMainWindow) pMainWindow->ShowIntegrateButtons();
    }
}

void updateDistributionPlot()
{
    if (isTwoDimensionalModel() && bCsFf0Plotted) return;
    if (!pDistPlot) {
        // default limits only: S for every s-type model, Da otherwise
        if (isSTypeModel()) {
            fSMin = 0.0f;
            fSMax = 20.0f;
        } else {
            fSMin = 10000.0f;
            fSMax = 500000.0f;
        }
        return;
    }
    deleteAndNull(pDistXVector);
    deleteAndNull(pDistCurve);
    deleteAndNull(pDistCurve2);
    deleteAndNull(pDistPlot);
    deleteAndNull(pDistYVector);
    deleteAndNull(pDistY2Vector);
    float* pAxis = isSAxisPlotModel() ? pDistAxisS : pDistAxisM;
    pDistXVector = viewOf(pAxis, 1, nResolution);
    if (pAxis && nResolution >= 1) {
        fSMin = pAxis[1];
        fSMax = pAxis[nResolution];
    }
    buildCurvesAndPlot(true);

    if (!bCsFf0Plotted) {
        if (!isCSListModel()) {
            if (dHybridSwitchS != 0.0) {
                pDistPlot->SetXLabel("sed coefficient [S]");
                pDistPlot->SetYLabel("c(s)/ls-g*(s)");
            } else if (bModelDlsRh || bModelDlsRhTime) {
                pDistPlot->SetXLabel("hydrodynamic radius (nm)");
                pDistPlot->SetYLabel("Scattering Intensity");
            } else if (bModelDlsD) {
                pDistPlot->SetXLabel("diffusion coefficient (10^-7 cm^2/sec)");
                pDistPlot->SetYLabel("Scattering Intensity");
            } else {
                pDistPlot->SetXLabel("molar mass [Da]");
                pDistPlot->SetYLabel(massDistributionLabel());
            }
        } else {
            pDistPlot->SetXLabel("sed coefficient [S]");
            pDistPlot->SetYLabel("c(s)");
        }
    }
    pDistPlot->ToggleYFromZero();
    pDistPlot->ToggleConnectSymbols();
    setDistributionPlotLayout();
    layoutAndRedrawPlots();
    if (!bKeepPlotLayout) {
        updateResidualsPlot(1);
        updateResidualsBitmapPlot(1);
        redrawDataPlot(1);
    }
    if (!bMsTableRun && !bModelCommandRebuild)
        win::MessageBox(nullptr, "may need to recalculate before integrating distribution data", "", win::MB_OK);
}

void plotSizeAndShapeDistribution()
{
    if (!isTwoDimensionalModel() || !csFf0ArraysExist() || !bCsFf0Plotted || !pDistPlot) return;
    deleteAndNull(pDistPlot);
    deleteAndNull(pCsFf0XVector);
    deleteAndNull(pCsFf0YVector);
    deleteAndNull(pCsFf0Curve);
    newDistributionPlot();
    buildCsFf0Display();
    pDistPlot->ToggleYFromZero();
    pDistPlot->ToggleConnectSymbols();
}

void plotCMDistribution()
{
    if (isTwoDimensionalModel() && bCsFf0Plotted) return;
    if (bMsTableRun || bDistConvertedToCM) return;
    const int n = nResolution;
    if (!pDistAxisS || !pDistAxisM || !pDistValues || !pDistValues2 || n < 3) return;
    deleteAndNull(pDistXVector);
    deleteAndNull(pDistYVector);
    deleteAndNull(pDistY2Vector);
    deleteAndNull(pDistCurve);
    deleteAndNull(pDistCurve2);
    deleteAndNull(pDistPlot);

    const float* s = pDistAxisS;
    const float* M = pDistAxisM;
    // amplitude per local s interval, then per local M interval (point 1,
    // the discrete species of several models, keeps its value)
    auto convert = [&](float* v) {
        for (int i = 2; i <= n; i++) {
            float fDs, fDm;
            if (i == 2) {
                fDs = std::fabs(s[3] - s[2]);
                fDm = M[3] - M[2];
            } else if (i == n) {
                fDs = std::fabs(s[n] - s[n - 1]);
                fDm = M[n] - M[n - 1];
            } else {
                fDs = std::fabs(s[i + 1] - s[i - 1]) * 0.5f;
                fDm = (M[i + 1] - M[i - 1]) * 0.5f;
            }
            if (i == 2 || i == n) {
                v[i] /= 2.0f / fDs;
                v[i] *= 2.0f / fDm;
            } else {
                v[i] *= fDs;
                v[i] /= fDm;
            }
            if (!std::isfinite(v[i])) v[i] = 0.0f;  // no M interval there
        }
    };
    convert(pDistValues);
    if (bRegBothShown) convert(pDistValues2);

    pDistXVector = viewOf(pDistAxisM, 1, n);
    buildCurvesAndPlot(false);
    pDistPlot->SetXLabel("molar mass [Da]");
    pDistPlot->SetYLabel(massDistributionLabel());
    pDistPlot->ToggleYFromZero();
    pDistPlot->ToggleConnectSymbols();
    setDistributionPlotLayout();
    redrawMainPlotsForDistribution();
    bDistConvertedToCM = 1;
}

win::HMETAFILE paintDistributionPlot()
{
    if (!pDistPlot) return nullptr;
    pDistPlot->Rescale();
    pDistPlot->Draw();
    return pDistPlot->bMetaFileValid ? pDistPlot->hMetaFile : nullptr;
}
