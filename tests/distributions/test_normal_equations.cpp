// Normal equations with noise elimination, the fit from a solution, the
// debug files, and the build on worker threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_scene.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_builders.h"
#include "distributions/neq_rows.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "distributions/root_finders.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"

using namespace contitest;

namespace {

enum Model { Plain, Baseline, TI, RI, TIRI, Fixed };
const char* const kModelNames[] = {"plain", "baseline", "TI", "RI", "TI+RI", "TI+RI fixed"};

void setSwitches(Model m)
{
    bFitTINoise = (m == TI || m == TIRI || m == Fixed);
    bFitRINoise = (m == RI || m == TIRI || m == Fixed);
    bAlgebraicBaseline = (m == Baseline);
    bBufferMismatch = (m == Fixed);
    bFitBufferSignal = 0;
}

void build(Model m)
{
    setSwitches(m);
    switch (m) {
    case Plain: buildNormalEquationsPlain(); break;
    case Baseline: buildNormalEquationsBaseline(); break;
    case TI: buildNormalEquationsTI(); break;
    case RI: buildNormalEquationsRI(); break;
    case TIRI: buildNormalEquationsTIRI(); break;
    case Fixed: buildNormalEquationsFixedFirst(1.0); break;
    }
}

// The residual of amplitudes c (by grid point) after the model's
// elimination, computed directly on the noise grid: y - sum c_g B_g (minus
// B_1 in the fixed build), then centred as the noise model removes.
double directChiSquare(Model m, const std::vector<double>& c)
{
    const int nGrid = nResolution;
    const int j1 = nNoiseGridFirst, j2 = nNoiseGridLast, nj = j2 - j1 + 1;
    std::vector<std::vector<double>> r(nScans + 1, std::vector<double>(nNoiseGridPoints + 1));
    for (int k = 1; k <= nScans; k++)
        for (int j = j1; j <= j2; j++) {
            double v = ppScanOnNoiseGrid[k][j] - (m == Plain ? fBaseline : 0.0);
            for (int g = 1; g <= nGrid; g++) v -= (m == Fixed && g == 1 ? 1.0 : c[g]) * pLammSolutions[g][k][j];
            r[k][j] = v;
        }
    double mean = 0.0;
    std::vector<double> perScan(nScans + 1), perRadius(nNoiseGridPoints + 1);
    for (int k = 1; k <= nScans; k++)
        for (int j = j1; j <= j2; j++) {
            mean += r[k][j];
            perScan[k] += r[k][j] / nj;
            perRadius[j] += r[k][j] / nScans;
        }
    mean /= double(nScans) * nj;
    double chi2 = 0.0;
    for (int k = 1; k <= nScans; k++)
        for (int j = j1; j <= j2; j++) {
            double e = r[k][j];
            if (m == Baseline) e -= mean;
            if (m == TI) e -= perRadius[j];
            if (m == RI) e -= perScan[k];
            if (m == TIRI || m == Fixed) e = e - perRadius[j] - perScan[k] + mean;
            chi2 += e * e;
        }
    return chi2;
}

// A scene with data that the grid cannot fit exactly.
void noisyScene(int nGrid = 10)
{
    SceneOptions o;
    o.nGrid = nGrid;
    installScene(o);
    fillStepBases(sValues(nGrid, 1.0, 14.0));
    std::vector<double> c(nGrid + 1);
    c[2] = 0.8, c[nGrid - 1] = 0.3, c[nGrid] = 0.4;
    unsigned state = 7;
    setData(
        c, [](double r) { return 0.02 * std::sin(9.0 * r); }, [](int k) { return 0.01 * k; },
        [&state](int, int) { return 0.003 * gaussian(state); });
}

// The non-negative solution without regularization.
bool solve()
{
    addRegularization(0.0);
    return nnlsNormalEquations();
}

}  // namespace

// Data 2 B_1 + 0.5 B_7 of real Lamm solutions plus a radial profile and scan
// offsets: the double centring removes the noise, the non-negative solution
// finds the two amplitudes, and the fit reproduces the data and the noise.
TEST(NormalEquations, TimeAndRadialInvariantNoiseAreEliminated)
{
    SceneOptions o;
    o.nGrid = 10;
    installScene(o);
    fillLammBases(sValues(10, 1.0, 19.0));
    auto profile = [](double r) { return 0.05 * std::cos(7.0 * r) + 0.3 * (r - 6.5); };
    auto offset = [](int k) { return 0.02 * ((k * 5) % 7) - 0.05; };
    std::vector<double> c(11);
    c[1] = 2.0, c[7] = 0.5;
    setData(c, profile, offset);

    build(TIRI);
    ASSERT_EQ(bInterruptComputation.load(), 0);
    ASSERT_TRUE(solve());
    EXPECT_NEAR(pNESolution[1], 2.0, 1e-5);
    EXPECT_NEAR(pNESolution[7], 0.5, 1e-5);
    for (int g : {2, 3, 4, 5, 6, 8, 9, 10}) EXPECT_LT(pNESolution[g], 1e-6) << "grid point " << g;
    EXPECT_LT(chiSquareFromNormalEquations(), 1e-10 * dSumSquaredData);

    CalculateppAFit();
    EXPECT_EQ(fBaseline, 0.0f);
    for (int k = 1; k <= nScans; k++) {
        std::vector<float> y(pScanPoints[k] + 1);
        interpolateOnGrid(pScanPoints[k], ppRadius[k], y.data(), nNoiseGridPoints, pNoiseGrid, ppScanOnNoiseGrid[k]);
        for (int p = 1; p <= pScanPoints[k]; p++) ASSERT_NEAR(ppFit[k][p], y[p], 1e-5) << "scan " << k;
    }
    // The profile up to the constant the offsets take.
    const double shift = pTINoiseSaved[1] - profile(pNoiseGrid[1]);
    for (int j = 1; j <= nNoiseGridPoints; j++) EXPECT_NEAR(pTINoiseSaved[j] - profile(pNoiseGrid[j]), shift, 1e-5);
    for (int k = 1; k <= nScans; k++) EXPECT_NEAR(pRINoiseSaved[k] + shift, offset(k), 1e-5);
}

// For every noise model the chi-square from the normal equations is the sum
// of the squared residuals after the elimination; the builders change
// neither the data nor the store. TI comes first, on new equations: it
// finds no means of the scene left by another model's build.
TEST(NormalEquations, ChiSquareIsTheResidualSumForEveryNoiseModel)
{
    noisyScene();
    fBaseline = 0.015f;
    for (Model m : {TI, Plain, Baseline, RI, TIRI, Fixed}) {
        SCOPED_TRACE(kModelNames[m]);
        const std::vector<float> data = dataSnapshot(), store = storeSnapshot();
        build(m);
        EXPECT_TRUE(data == dataSnapshot());
        EXPECT_TRUE(store == storeSnapshot());
        nNEQSize = m == Fixed ? nResolution - 1 : nResolution;
        ASSERT_TRUE(solve());
        std::vector<double> c(nResolution + 1);
        for (int i = 1; i <= nNEQSize; i++) c[m == Fixed ? i + 1 : i] = pNESolution[i];
        const double direct = directChiSquare(m, c);
        EXPECT_NEAR(chiSquareFromNormalEquations(), direct, 1e-9 * direct);
        bBufferMismatchInNEQ = 0;
    }
}

// The RI builder equals the explicit centring of both factors per scan; the
// fit from a solution takes each scan's mean residual as its offset.
TEST(NormalEquations, RadialInvariantBuildEqualsExplicitCentring)
{
    noisyScene();
    build(RI);
    const int n = nResolution, j1 = nNoiseGridFirst, j2 = nNoiseGridLast;
    auto scanMean = [&](const float* v) {
        double d = 0.0;
        for (int j = j1; j <= j2; j++) d += v[j];
        return d / (j2 - j1 + 1);
    };
    for (int i = 1; i <= n; i++) {
        double b = 0.0;
        for (int k = 1; k <= nScans; k++) {
            const double mi = scanMean(pLammSolutions[i][k]), my = scanMean(ppScanOnNoiseGrid[k]);
            for (int j = j1; j <= j2; j++) b += (pLammSolutions[i][k][j] - mi) * (ppScanOnNoiseGrid[k][j] - my);
        }
        EXPECT_NEAR(pNERightSide[i], b, 1e-12 * std::fabs(b) + 1e-15);
        for (int l = 1; l <= n; l++) {
            double a = 0.0;
            for (int k = 1; k <= nScans; k++) {
                const double mi = scanMean(pLammSolutions[i][k]), ml = scanMean(pLammSolutions[l][k]);
                for (int j = j1; j <= j2; j++) a += (pLammSolutions[i][k][j] - mi) * (pLammSolutions[l][k][j] - ml);
            }
            EXPECT_NEAR(pNEMatrix[i][l], a, 1e-12 * std::fabs(a) + 1e-15) << i << "," << l;
        }
    }
    EXPECT_EQ(dNEPointCount, double(nScans) * (j2 - j1 + 1));
    // A second build does not add to the count.
    build(RI);
    EXPECT_EQ(dNEPointCount, double(nScans) * (j2 - j1 + 1));
    // The fit of amplitudes 0.1 g: each scan's offset is its mean residual
    // over the fitted radii, every grid point's amplitude taken off, the last
    // one too, and the fit is that offset plus the model.
    for (int g = 1; g <= n; g++) pNESolution[g] = 0.1 * g;
    CalculateppAFit();
    for (int k = 1; k <= nScans; k++) {
        double mean = 0.0;
        for (int j = j1; j <= j2; j++) {
            double r = ppScanOnNoiseGrid[k][j];
            for (int g = 1; g <= n; g++) r -= 0.1 * g * pLammSolutions[g][k][j];
            mean += r / (j2 - j1 + 1);
        }
        EXPECT_NEAR(pRINoiseSaved[k], mean, 1e-6) << "scan " << k;
        std::vector<float> part(pScanPoints[k] + 1);
        double expected = mean;
        for (int g = 1; g <= n; g++) {
            interpolateOnGrid(pScanPoints[k], ppRadius[k], part.data(), nNoiseGridPoints, pNoiseGrid,
                              pLammSolutions[g][k]);
            expected += 0.1 * g * part[40];
        }
        EXPECT_NEAR(ppFit[k][40], expected, 1e-5) << "scan " << k;
    }
}

// Plain model with a baseline parameter: the equations of y - fBaseline, and
// the fit is fBaseline plus the model; with the algebraic baseline the fit
// is the mean residual plus the model.
TEST(NormalEquations, PlainModelTakesTheBaselineOff)
{
    noisyScene(6);
    fBaseline = 0.25f;
    build(Plain);
    double b1 = 0.0;
    for (int k = 1; k <= nScans; k++)
        for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++)
            b1 += double(pLammSolutions[1][k][j]) * (double(ppScanOnNoiseGrid[k][j]) - 0.25);
    EXPECT_NEAR(pNERightSide[1], b1, 1e-12 * std::fabs(b1));
    for (int g = 1; g <= 6; g++) pNESolution[g] = 0.1 * g;
    CalculateppAFit();
    EXPECT_EQ(fBaseline, 0.25f);
    const int k = pScanTimeOrder[2];
    std::vector<float> part(pScanPoints[k] + 1);
    double expected = 0.25;
    for (int g = 1; g <= 6; g++) {
        interpolateOnGrid(pScanPoints[k], ppRadius[k], part.data(), nNoiseGridPoints, pNoiseGrid, pLammSolutions[g][k]);
        expected += 0.1 * g * part[40];
    }
    EXPECT_NEAR(ppFit[k][40], expected, 1e-5);
    EXPECT_EQ(ppModelPart[k][40], part[40]);  // the last grid point's profile stays there

    // The algebraic baseline is the mean residual of the fitted radii of all
    // scans, every grid point's amplitude taken off, the first one too.
    build(Baseline);
    double mean = 0.0;
    for (int k2 = 1; k2 <= nScans; k2++)
        for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++) {
            double r = ppScanOnNoiseGrid[k2][j];
            for (int g = 1; g <= 6; g++) r -= 0.1 * g * pLammSolutions[g][k2][j];
            mean += r / (double(nScans) * (nNoiseGridLast - nNoiseGridFirst + 1));
        }
    CalculateppAFit();
    EXPECT_NEAR(fBaseline, mean, 1e-6);
    EXPECT_NEAR(ppFit[k][40], expected - 0.25 + mean, 1e-5);
}

// A key during the build (while row 3 is summed): the rows in progress are
// partly summed, the remaining rows stay cleared, the flag stays set, and the
// data and the store are as they were, bit for bit.
TEST(NormalEquations, KeyAtRowThreeLeavesDataAndStoreUnchanged)
{
    noisyScene(12);
    for (Model m : {Baseline, TI, RI, TIRI, Fixed}) {
        SCOPED_TRACE(kModelNames[m]);
        // The complete equations, for comparison.
        build(m);
        const double a33 = pNEMatrix[3][3];
        // keyPressed takes one message per scan of a block of rows (rows 1
        // to 8 here): two mouse moves, then the key at the third scan.
        win::headless::Script script;
        script.mouse(win::WM_MOUSEMOVE, 5, 5).mouse(win::WM_MOUSEMOVE, 6, 5).pressKey('Q');
        const std::vector<float> data = dataSnapshot(), store = storeSnapshot();
        bInterruptComputation = 0;
        build(m);
        EXPECT_EQ(bInterruptComputation.load(), 1);
        EXPECT_TRUE(data == dataSnapshot());
        EXPECT_TRUE(store == storeSnapshot());
        EXPECT_NE(pNEMatrix[3][3], 0.0);  // two scans of seven
        EXPECT_NE(pNEMatrix[3][3], a33);
        for (int i = nNERowBlock + 1; i <= nResolution - (m == Fixed ? 1 : 0); i++) {
            EXPECT_EQ(pNERightSide[i], 0.0);
            EXPECT_EQ(pNEMatrix[i][1], 0.0);
        }
        win::headless::processMessages();
        bInterruptComputation = 0;
        bBufferMismatchInNEQ = 0;
    }
}

// A fixed buffer amplitude needs both noise fits: with TI noise only the
// message, and no equations.
TEST(NormalEquations, FixedBufferAmplitudeWithTimeInvariantNoiseOnlyIsRefused)
{
    noisyScene(5);
    bBufferMismatch = 1;
    bFitBufferSignal = 0;
    bFitTINoise = 1;
    bFitRINoise = 0;
    win::headless::Script script;
    script.expectMessageBox("ERROR", win::IDOK);
    buildNormalEquations(nullptr, 1);
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_NE(script.lines()[0].find("buffer mismatch with fixed concentration not implemented in c(s) for this "
                                     "noise model\\n(need RI+TI noise)"),
              std::string::npos);
    for (int i = 1; i <= 5; i++) {
        EXPECT_EQ(pNERightSide[i], 0.0);
        for (int l = 1; l <= 5; l++) EXPECT_EQ(pNEMatrix[i][l], 0.0);
    }
    EXPECT_EQ(bBufferMismatchInNEQ, 0);
}

// With the buffer signal folded in: n - 1 variables for grid points 2..n, and
// the fit has grid point 1 with the factor 1.
TEST(NormalEquations, FixedBufferAmplitudeFoldsGridPointOneIn)
{
    SceneOptions o;
    o.nGrid = 6;
    installScene(o);
    fillStepBases(sValues(6, 0.5, 12.0));
    std::vector<double> c(7);
    c[1] = 1.0, c[3] = 0.7, c[5] = 0.2;
    setData(c, [](double r) { return 0.01 * r; }, [](int k) { return 0.003 * k; });
    bBufferMismatch = 1;
    bFitBufferSignal = 0;  // the amplitude fixed
    bFitTINoise = bFitRINoise = 1;
    dBufferSignal = 1.0;
    buildNormalEquations(nullptr, 2);
    EXPECT_EQ(bBufferMismatchInNEQ, 1);
    EXPECT_EQ(dNEFixedFirstAmplitude, 1.0);
    nNEQSize = 5;
    ASSERT_TRUE(solve());
    EXPECT_NEAR(pNESolution[2], 0.7, 1e-5);  // grid point 3
    EXPECT_NEAR(pNESolution[4], 0.2, 1e-5);  // grid point 5
    EXPECT_EQ(pNESolution[6], 0.0);          // the solver stops at n - 1
    EXPECT_LT(chiSquareFromNormalEquations(), 1e-10 * dSumSquaredData);
    // The distribution run puts the fixed amplitude back at index 1.
    for (int i = 6; i >= 2; i--) pNESolution[i] = pNESolution[i - 1];
    pNESolution[1] = dNEFixedFirstAmplitude;
    CalculateppAFit();
    for (int k = 1; k <= nScans; k++) {
        std::vector<float> y(pScanPoints[k] + 1);
        interpolateOnGrid(pScanPoints[k], ppRadius[k], y.data(), nNoiseGridPoints, pNoiseGrid, ppScanOnNoiseGrid[k]);
        for (int p = 1; p <= pScanPoints[k]; p += 7) ASSERT_NEAR(ppFit[k][p], y[p], 1e-5);
    }
}

// The light-scattering time course: the baseline over the chosen
// measurements only, full rows.
TEST(NormalEquations, TimeCourseUsesItsMeasurementsOnly)
{
    noisyScene(5);
    bModelDlsRhTime = 1;
    nTimeCourseFirst = nTimeCourseLast = 2;
    buildNormalEquations(nullptr, 1);
    const int k = pScanTimeOrder[2];
    const int j1 = nNoiseGridFirst, j2 = nNoiseGridLast;
    double my = 0.0, m1 = 0.0, m3 = 0.0;
    for (int j = j1; j <= j2; j++) {
        my += ppScanOnNoiseGrid[k][j];
        m1 += pLammSolutions[1][k][j];
        m3 += pLammSolutions[3][k][j];
    }
    my /= (j2 - j1 + 1), m1 /= (j2 - j1 + 1), m3 /= (j2 - j1 + 1);
    double a13 = 0.0, b1 = 0.0;
    for (int j = j1; j <= j2; j++) {
        a13 += (pLammSolutions[1][k][j] - m1) * (pLammSolutions[3][k][j] - m3);
        b1 += (pLammSolutions[1][k][j] - m1) * (ppScanOnNoiseGrid[k][j] - my);
    }
    EXPECT_NEAR(pNEMatrix[1][3], a13, 1e-12 * std::fabs(a13));
    EXPECT_NEAR(pNEMatrix[3][1], a13, 1e-12 * std::fabs(a13));
    EXPECT_NEAR(pNERightSide[1], b1, 1e-12 * std::fabs(b1));
    EXPECT_NEAR(fNEMeanData, my, 1e-12);
    for (int g = 1; g <= 5; g++) pNESolution[g] = 0.2;
    calculateTimeCourseFit();
    EXPECT_NEAR(fBaseline, my - 0.2 * (m1 + m3) - 0.2 * (pNEMeanBasis[2] + pNEMeanBasis[4] + pNEMeanBasis[5]), 1e-6);
    EXPECT_EQ(pParamValue[15], fBaseline);
}

// The debug files, and one message when "c:\temp" cannot be written.
TEST(NormalEquations, DebugFilesOfTheEquations)
{
    noisyScene(4);
    float axis[5] = {0, 1.5f, 2.5f, 3.5f, 4.5f};
    pDistAxisS = axis;
    bExportMatrices = 1;
    buildNormalEquations(nullptr, 1);
    std::string folder = std::string(std::getenv("XDG_CONFIG_HOME")) + "/morvex/";
    auto read = [&](const char* name) {
        std::string s;
        if (FILE* f = std::fopen((folder + name).c_str(), "r")) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
            std::fclose(f);
        }
        return s;
    };
    EXPECT_EQ(read("grid.txt"), "1.500000e+00\n2.500000e+00\n3.500000e+00\n4.500000e+00\n");
    EXPECT_EQ(read("dim.txt"), "1 \n");
    EXPECT_EQ(read("ngrid.txt"), "4 \n");
    char sz[64];
    std::snprintf(sz, sizeof sz, "%e \n", dSumSquaredData);
    EXPECT_EQ(read("sumsquaredata.txt"), sz);
    // the whole matrix, row i on line i, to the 7 digits of %e
    std::istringstream matrix(read("matrix.txt"));
    int nRows = 0;
    for (std::string line; std::getline(matrix, line);) {
        std::istringstream in(line);
        const std::vector<double> row{std::istream_iterator<double>(in), std::istream_iterator<double>()};
        ASSERT_EQ(row.size(), 4u) << line;
        ++nRows;
        for (int j = 1; j <= 4; j++)
            EXPECT_NEAR(row[j - 1], pNEMatrix[nRows][j], 1e-6 * std::fabs(pNEMatrix[nRows][j])) << nRows << j;
    }
    EXPECT_EQ(nRows, 4);
    // the right side, one line per grid point: the least-squares sums
    // sum_k sum_j B_g(k, j) (y(k, j) - baseline) over the fitted radii of
    // all scans, added up here point by point, to the 7 digits of %e
    std::istringstream rightSide(read("vector.txt"));
    const std::vector<double> b{std::istream_iterator<double>(rightSide), std::istream_iterator<double>()};
    ASSERT_EQ(b.size(), 4u);
    for (int g = 1; g <= 4; g++) {
        double sum = 0.0;
        for (int k = 1; k <= nScans; k++)
            for (int j = nNoiseGridFirst; j <= nNoiseGridLast; j++)
                sum += double(pLammSolutions[g][k][j]) * (double(ppScanOnNoiseGrid[k][j]) - fBaseline);
        EXPECT_NEAR(b[g - 1], sum, 1e-6 * std::fabs(sum)) << g;
    }
    pDistAxisS = nullptr;

    // An unwritable working folder: the first file fails, nothing more.
    const std::string unwritable = folder + "grid.txt/below";
    setenv("XDG_CONFIG_HOME", unwritable.c_str(), 1);
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    dumpNormalEquations();
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages()[0], "\n\aAttention: could not open c:\\temp\\grid.txt");
}
