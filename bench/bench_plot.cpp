// Recording a plot of 50 curves x 1000 points, and playing that picture onto
// a 1400 x 1000 window image, as every paint of the main window does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "platform/win.h"
#include "plot/cwinplot.h"

using namespace win;

namespace {

constexpr int nCurvesInPlot = 50;
constexpr int nPointsPerCurve = 1000;

// Scans as symbols of style nSymbolStyle with fitted lines over every second one.
struct BenchPlot {
    std::vector<std::vector<float>> x, y;
    std::vector<std::unique_ptr<CVector>> views;
    std::vector<std::unique_ptr<CCurve>> curves;
    CWINPlot plot;

    explicit BenchPlot(int nSymbolStyle)
    {
        plot.SetPlotRect(50, 75, 500, 975);
        plot.nSymbolSize = 2;
        x.resize(nCurvesInPlot);
        y.resize(nCurvesInPlot);
        for (int c = 0; c < nCurvesInPlot; c++) {
            x[size_t(c)].resize(nPointsPerCurve);
            y[size_t(c)].resize(nPointsPerCurve);
            for (int k = 0; k < nPointsPerCurve; k++) {
                double r = 6.0 + 1.2 * k / (nPointsPerCurve - 1);
                x[size_t(c)][size_t(k)] = float(r);
                y[size_t(c)][size_t(k)] = float(0.9 / (1 + std::exp(-(r - 6.1 - 0.02 * c) / 0.04)) +
                                                 0.01 * std::sin(31.0 * k + c));
            }
            views.push_back(std::make_unique<CVector>());
            views.back()->Attach(x[size_t(c)].data(), nPointsPerCurve, 0);
            CVector* vx = views.back().get();
            views.push_back(std::make_unique<CVector>());
            views.back()->Attach(y[size_t(c)].data(), nPointsPerCurve, 0);
            curves.push_back(std::make_unique<CCurve>(vx, views.back().get()));
            plot.AddCurve(curves.back().get());
            plot.SetCurveStyle(c, c % 2 ? -1 : nSymbolStyle);
        }
        plot.SetXLabel("radius (cm)");
        plot.SetYLabel("signal");
        plot.Rescale();
    }
};

void drawPlot(benchmark::State& state, int nSymbolStyle)
{
    BenchPlot b(nSymbolStyle);
    for (auto _ : state) benchmark::DoNotOptimize(b.plot.Draw());
}

void playPlot(benchmark::State& state, int nSymbolStyle)
{
    BenchPlot b(nSymbolStyle);
    b.plot.Draw();
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(mem, 1400, 1000);
    HGDIOBJ old = SelectObject(mem, bmp);
    SetMapMode(mem, MM_ANISOTROPIC);
    SetWindowExtEx(mem, 1399, 1000, nullptr);
    SetViewportExtEx(mem, 1400, 1000, nullptr);
    RECT all{0, 0, 1399, 1000};
    for (auto _ : state) {
        FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        PlayMetaFile(mem, b.plot.hMetaFile);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
}

}  // namespace

// lines and one-pixel dots
BENCHMARK_CAPTURE(drawPlot, LinesAndPixels, 7)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(playPlot, LinesAndPixels, 7)->Unit(benchmark::kMillisecond);
// lines and filled circles of radius 2
BENCHMARK_CAPTURE(drawPlot, LinesAndCircles, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(playPlot, LinesAndCircles, 2)->Unit(benchmark::kMillisecond);
