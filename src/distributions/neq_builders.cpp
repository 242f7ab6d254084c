// The builders of the normal equations, the fit from a solution, the weights
// of the weighted third derivative, progress and debug files.
#include "distributions/neq_builders.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_rows.h"
#include "distributions/neq_threads.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "distributions/root_finders.h"
#include "distributions/solver_output.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "plot/progress_line.h"
#include "scandata/scan_data.h"
#include "tools/fluorescence/nonlinear_detection.h"

namespace {

// The window and progress line of the build in progress.
TXLAWindow* pNEWindow = nullptr;
CProgressLine* pNEProgressLine = nullptr;
// Number of variables of the last build (the debug files write it).
int nLastBuildSize = 0;
// Size of the third-derivative weights.
int nThirdDerivWeights = 0;

}  // namespace

// A build on the user-interface thread: means, rows with a key check per
// scan, mirror.
void buildNormalEquationsOfJob(const CNERowJob& job)
{
    const ENoiseModel model = job.model;
    nLastBuildSize = job.n;
    computeNEMeans(job);
    dSumSquaredData = 0.0;
    CNERowScratch scratch(job);
    const double n = job.n;
    auto stop = [] {
        if (bInterruptComputation.load()) return true;
        if (keyPressed()) {
            bInterruptComputation = 1;
            return true;
        }
        return false;
    };
    int rows[nNERowBlock];
    for (int i1 = 1; i1 <= job.n; i1 += nNERowBlock) {
        int nRows = 0;
        for (int i = i1; i <= job.n && nRows < nNERowBlock; i++) rows[nRows++] = i;
        const double iLast = rows[nRows - 1];
        showNormalEquationsProgress(static_cast<float>(iLast * iLast / (n * n)));
        accumulateNERows(job, rows, nRows, scratch, (i1 == 1 && model != ENoiseModel::RI) ? &dSumSquaredData : nullptr,
                         stop);
    }
    finishNormalEquations(job);
}

namespace {

void buildSingleThreaded(ENoiseModel model)
{
    buildNormalEquationsOfJob(makeNERowJob(model));
}

// The profile of a noise-grid vector at a scan's radii; 0 where the
// interpolation has no table to work on.
void interpolateToScan(int k, float* pOut, const float* pGridValues)
{
    const int n = pScanPoints[k];
    if (!interpolateOnGrid(n, ppRadius[k], pOut, nNoiseGridPoints, pNoiseGrid, pGridValues))
        for (int p = 1; p <= n; p++) pOut[p] = 0.0f;
}

// fit += c_g B_g at the scan's radii for g = g1..g2 (B_g's profile left in
// ppModelPart).
void addGridPointsToFit(int k, int g1, int g2)
{
    const int n = pScanPoints[k];
    float* fit = ppFit[k];
    float* part = ppModelPart[k];
    for (int g = g1; g <= g2; g++) {
        interpolateToScan(k, part, pLammSolutions[g][k]);
        const double c = pNESolution[g];
        for (int p = 1; p <= n; p++) fit[p] = static_cast<float>(fit[p] + c * part[p]);
    }
}

void setFitConstant(int k, float v)
{
    for (int p = 1; p <= pScanPoints[k]; p++) ppFit[k][p] = v;
}

void addToFit(int k, double v)
{
    for (int p = 1; p <= pScanPoints[k]; p++) ppFit[k][p] = static_cast<float>(ppFit[k][p] + v);
}

void setBaseline(float v)
{
    fBaseline = v;
    pParamValue[15] = v;
}

// The RI offset of every scan: its data mean less the solution's grid points
// g1..n.
void saveRINoise(int g1, int n)
{
    for (int s = 1; s <= nScans; s++) {
        double v = pNEMeanDataRI[s];
        for (int g = g1; g <= n; g++) v -= pNESolution[g] * pNEMeanBasisRI[g][s];
        pRINoiseSaved[s] = static_cast<float>(v);
    }
}

// Writes one debug file; false (with the message) when it cannot be opened.
template <class F>
bool writeDebugFile(const char* szPath, F&& write)
{
    FILE* f = win::fopenMapped(szPath, "w");
    if (!f) {
        char sz[400];
        std::snprintf(sz, sizeof sz, "\n\aAttention: could not open %s", szPath);
        showErrorMessage(sz, 0);
        return false;
    }
    write(f);
    std::fclose(f);
    return true;
}

}  // namespace

// ---------------------------------------------------------------- progress

void showNormalEquationsProgress(float fFraction)
{
    if (!bWindowPainted || bFitRunning) return;
    if (pNEProgressLine) {
        if (pNEWindow) pNEProgressLine->Draw(fFraction, pNEWindow);
        return;
    }
    char sz[120];
    std::snprintf(sz, sizeof sz, "calculating normal equations (%2.0f percent done - hit any key to interrupt...)",
                  100.0 * fFraction);
    solverProgressText(10, 50, sz);
}

void showWorkerNEProgress(int k, float fFraction)
{
    if (!bWindowPainted) return;
    if (pNEProgressLine) {
        if (k == 1 && pNEWindow) pNEProgressLine->Draw(fFraction, pNEWindow);
        return;
    }
    if (bFitRunning) return;
    static const int dx[8] = {2, 0, -2, 0, -1, 1, -1, 1};
    static const int dy[8] = {0, 2, 0, -2, -1, -1, 1, 1};
    char sz[120];
    std::snprintf(sz, sizeof sz, "calculating normal equations (%2.0f percent done - hit any key to interrupt...)",
                  100.0 * fFraction);
    solverProgressText(10 + dx[k % 8], 50 + dy[k % 8], sz);
}

// ---------------------------------------------------------------- builders

void buildNormalEquationsPlain()
{
    buildSingleThreaded(ENoiseModel::Plain);
}

void buildNormalEquationsBaseline()
{
    buildSingleThreaded(ENoiseModel::Baseline);
}

void buildNormalEquationsTI()
{
    buildSingleThreaded(ENoiseModel::TI);
}

void buildNormalEquationsRI()
{
    buildSingleThreaded(ENoiseModel::RI);
}

void buildNormalEquationsTIRI()
{
    buildSingleThreaded(ENoiseModel::TIRI);
}

void buildNormalEquationsFixedFirst(double dAmplitude)
{
    buildSingleThreaded(ENoiseModel::TIRIFixed);
    bBufferMismatchInNEQ = 1;
    dNEFixedFirstAmplitude = dAmplitude;
}

void buildNormalEquationsTimeCourse()
{
    buildSingleThreaded(ENoiseModel::TimeCourse);
}

void buildNormalEquations(TXLAWindow* pWindow, int nColour)
{
    if (pWindow) pWindow->DebugLog("\n RunContiSed starting normal equations");
    bInterruptComputation = 0;
    pNEWindow = pWindow;
    if (bWindowPainted && pWindow) {
        pNEProgressLine = new CProgressLine;
        if (nColour == 1)
            pNEProgressLine->SetColorBlue();
        else if (nColour == 2)
            pNEProgressLine->SetColorPurple();
        if (!bFitRunning) solverProgressText(10, 50, "calculating normal equations");
        pNEProgressLine->Show(pWindow, 10, 65);
    }

    bool bBuilt = true;
    if (bModelDlsRhTime) {
        buildNormalEquationsTimeCourse();
    } else if (!bBufferMismatch || bFitBufferSignal) {
        bBufferMismatchInNEQ = 0;
        dNEFixedFirstAmplitude = 0.0;
        if (bMultiThreaded) {
            nLastBuildSize = makeNERowJob(noiseModelFromSwitches()).n;
            runNormalEquationsMT(pWindow);
        } else {
            switch (noiseModelFromSwitches()) {
            case ENoiseModel::TIRI: buildNormalEquationsTIRI(); break;
            case ENoiseModel::TI: buildNormalEquationsTI(); break;
            case ENoiseModel::RI: buildNormalEquationsRI(); break;
            case ENoiseModel::Baseline: buildNormalEquationsBaseline(); break;
            default: buildNormalEquationsPlain(); break;
            }
        }
    } else if (bFitTINoise && bFitRINoise) {
        buildNormalEquationsFixedFirst(dBufferSignal);
    } else {
        solverTitledBox(
            "buffer mismatch with fixed concentration not implemented in c(s) for this noise model\n(need RI+TI noise)",
            "ERROR");
        bBuilt = false;
    }
    if (bExportMatrices && bBuilt && !bModelDlsRhTime) dumpNormalEquations();

    if (pNEProgressLine) {
        pNEProgressLine->Hide(pWindow);
        delete pNEProgressLine;
        pNEProgressLine = nullptr;
    }
    pNEWindow = nullptr;
    if (pWindow) pWindow->DebugLog("\n normal equations done");
}

// ---------------------------------------------------------------- fit from a solution

void CalculateppAFit()
{
    // After the finishing step released the normal equations the fits hold
    // the final solution already; there is nothing left to compute them from
    // (the parameter display at the end of an annealing fit asks again).
    if (!pNESolution) return;
    const int n = isTwoDimensionalModel() ? nCsGridTotal : nResolution;
    const int nRadii = nNoiseGridPoints;
    const bool bTI = bFitTINoise != 0, bRI = bFitRINoise != 0;
    // With the fixed signal of grid point 1 folded in, that point enters the
    // fit with the factor 1.
    const int g1 = bTI && bRI && bBufferMismatchInNEQ ? 2 : 1;
    // The noise (and the baseline) first: every scan's fit takes it.
    if (nScans >= 1) {
        if (bTI && !bRI) {
            setBaseline(0.0f);
            for (int s = 1; s <= nScans; s++) pRINoiseSaved[s] = 0.0f;
            for (int j = 1; j <= nRadii; j++) {
                double v = pNEMeanDataTI[j];
                for (int g = 1; g <= n; g++) v -= pNESolution[g] * pNEMeanBasisTI[g][j];
                pTINoiseSaved[j] = static_cast<float>(v);
            }
        } else if (bTI && bRI) {
            setBaseline(0.0f);
            for (int j = 1; j <= nRadii; j++) {
                double v = pNEMeanDataTI[j] - fNEMeanData;
                for (int g = g1; g <= n; g++) v -= pNESolution[g] * (pNEMeanBasisTI[g][j] - pNEMeanBasis[g]);
                pTINoiseSaved[j] = static_cast<float>(v);
            }
            saveRINoise(g1, n);
        } else if (bRI) {
            setBaseline(0.0f);
            for (int j = 1; j <= nRadii; j++) pTINoiseSaved[j] = 0.0f;
            saveRINoise(1, n);
        } else if (bAlgebraicBaseline) {
            double v = fNEMeanData;
            for (int g = 1; g <= n; g++) v -= pNESolution[g] * pNEMeanBasis[g];
            setBaseline(static_cast<float>(v));
        }
    }
    // Then each scan on its own (its fit and its model part, nothing else):
    // every point sums the grid points in order, whichever thread does it.
    const std::function<void(int)> fitOfScan = [&](int pos) {
        const int k = pScanTimeOrder[pos];
        if (bTI && !bRI) {
            interpolateToScan(k, ppFit[k], pTINoiseSaved);
            addGridPointsToFit(k, 1, n);
        } else if (bTI && bRI) {
            interpolateToScan(k, ppFit[k], pTINoiseSaved);
            addToFit(k, pRINoiseSaved[k]);
            addGridPointsToFit(k, g1, n);
            if (bBufferMismatchInNEQ) {
                float* part = ppModelPart[k];
                interpolateToScan(k, part, pLammSolutions[1][k]);
                for (int p = 1; p <= pScanPoints[k]; p++) ppFit[k][p] += part[p];
            }
        } else if (bRI) {
            setFitConstant(k, pRINoiseSaved[k]);
            addGridPointsToFit(k, 1, n);
        } else {
            setFitConstant(k, fBaseline);
            addGridPointsToFit(k, 1, n);
        }
    };
    if (bMultiThreaded) {
        runScanPassMT(nScans, fitOfScan);
    } else {
        for (int pos = 1; pos <= nScans; pos++) fitOfScan(pos);
    }
    refreshNonlinearDetectionCopies();
}

void calculateTimeCourseFit()
{
    const int n = nResolution;
    double v = fNEMeanData;
    for (int g = 1; g <= n; g++) v -= pNESolution[g] * pNEMeanBasis[g];
    setBaseline(static_cast<float>(v));
    for (int pos = nTimeCourseFirst; pos <= nTimeCourseLast; pos++) {
        const int k = pScanTimeOrder[pos];
        setFitConstant(k, fBaseline);
        addGridPointsToFit(k, 1, n);
    }
}

// ---------------------------------------------------------------- weights of the third derivative

bool buildThirdDerivativeWeights()
{
    freeThirdDerivativeWeights();
    const int n = nNEQSize;
    if (n < 1) return false;
    pRegThirdDerivWeights = dvector(1, n);
    nThirdDerivWeights = n;
    if (!nnlsNormalEquations()) {
        for (int i = 1; i <= nnlsVariableCount(); i++) pNESolution[i] = 0.0;
        return false;
    }
    double cMax = 0.0;
    for (int i = 1; i <= n; i++)
        if (pNESolution[i] > cMax) cMax = pNESolution[i];
    const double t = dRegWeightThreshold * cMax;
    for (int i = 1; i <= n; i++) pRegThirdDerivWeights[i] = pNESolution[i] <= t ? 1.0 : t / pNESolution[i];
    return true;
}

void freeThirdDerivativeWeights()
{
    free_dvector(pRegThirdDerivWeights, 1, nThirdDerivWeights);
    pRegThirdDerivWeights = nullptr;
    nThirdDerivWeights = 0;
}

// ---------------------------------------------------------------- debug files

void dumpNormalEquations()
{
    const bool b2D = isTwoDimensionalModel();
    const int n = nLastBuildSize;
    if (!writeDebugFile("c:\\temp\\grid.txt", [&](FILE* f) {
            if (b2D) {
                for (int i = 1; i <= nCsGridTotal && pCsFf0S && pCsFf0Ratio; i++)
                    std::fprintf(f, "%e %e\n", pCsFf0S[i], pCsFf0Ratio[i]);
            } else {
                for (int i = 1; i <= nResolution && pDistAxisS; i++) std::fprintf(f, "%e\n", pDistAxisS[i]);
            }
        }))
        return;
    if (!writeDebugFile("c:\\temp\\dim.txt", [&](FILE* f) { std::fprintf(f, "%d \n", b2D ? 2 : 1); })) return;
    if (!writeDebugFile("c:\\temp\\npoints.txt", [&](FILE* f) { std::fprintf(f, "%f \n", fNoiseGridCount); }))
        return;
    if (!writeDebugFile("c:\\temp\\ngrid.txt", [&](FILE* f) { std::fprintf(f, "%d \n", n); })) return;
    if (!writeDebugFile("c:\\temp\\sumsquaredata.txt", [&](FILE* f) { std::fprintf(f, "%e \n", dSumSquaredData); }))
        return;
    if (!writeDebugFile("c:\\temp\\vector.txt", [&](FILE* f) {
            for (int i = 1; i <= n; i++) std::fprintf(f, "%e \n", pNERightSide[i]);
        }))
        return;
    writeDebugFile("c:\\temp\\matrix.txt", [&](FILE* f) {
        for (int i = 1; i <= n; i++) {
            for (int j = 1; j <= n; j++) std::fprintf(f, "%e ", pNEMatrix[i][j]);
            std::fprintf(f, "\n");
        }
    });
}

void dumpDistributionSolution()
{
    const bool b2D = isTwoDimensionalModel();
    writeDebugFile("c:\\temp\\MORVEXsolution.txt", [&](FILE* f) {
        if (b2D) {
            for (int i = 1; i <= nCsGridTotal && pCsFf0Values; i++) std::fprintf(f, "%e \n", pCsFf0Values[i]);
        } else {
            for (int i = 1; i <= nResolution && pDistValues; i++) std::fprintf(f, "%e \n", pDistValues[i]);
        }
    });
}
