// A sample of the main window's two plots, built as the program builds them:
// sedimentation-velocity scans with their fitted boundaries, a shaded fit
// range, labels and a legend on top; the residuals with colour values and a
// colour bar below. The data are made here from closed formulas.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "plot/cwinplot.h"

struct SamplePlots {
    static constexpr int nScans = 8;
    static constexpr int nPoints = 120;
    std::vector<std::vector<float>> radius, signal, fit, resid;
    std::vector<std::unique_ptr<CVector>> vectors;
    std::vector<std::unique_ptr<CCurve>> curves;
    std::vector<float> residColour;
    std::vector<float> allR, allResid;
    CVector band;
    std::unique_ptr<CWINPlot> data, residuals;

    CCurve* curve(std::vector<float>& x, std::vector<float>& y)
    {
        // one-based arrays, as the program keeps them
        vectors.push_back(std::make_unique<CVector>());
        vectors.back()->Attach(x.data(), unsigned(x.size() - 1), 1);
        CVector* vx = vectors.back().get();
        vectors.push_back(std::make_unique<CVector>());
        vectors.back()->Attach(y.data(), unsigned(y.size() - 1), 1);
        curves.push_back(std::make_unique<CCurve>(vx, vectors.back().get()));
        return curves.back().get();
    }

    SamplePlots()
    {
        radius.resize(nScans);
        signal.resize(nScans);
        fit.resize(nScans);
        resid.resize(nScans);
        for (int s = 0; s < nScans; s++) {
            radius[s].assign(nPoints + 1, 0);
            signal[s].assign(nPoints + 1, 0);
            fit[s].assign(nPoints + 1, 0);
            resid[s].assign(nPoints + 1, 0);
            double boundary = 6.15 + 0.11 * s, width = 0.03 + 0.008 * s;
            for (int k = 1; k <= nPoints; k++) {
                double r = 6.0 + 1.2 * (k - 1) / (nPoints - 1);
                double f = 0.05 + 0.9 * (1 - 0.04 * s) / (1 + std::exp(-(r - boundary) / width));
                // integer hash noise: the same on every machine
                uint32_t h = uint32_t(k) * 2654435761u ^ uint32_t(s + 1) * 40503u * 2246822519u;
                h ^= h >> 15;
                h *= 2246822519u;
                h ^= h >> 13;
                double noise = 0.012 * (double(h % 20001) / 10000.0 - 1.0);
                radius[s][size_t(k)] = float(r);
                fit[s][size_t(k)] = float(f);
                signal[s][size_t(k)] = float(f + noise);
                resid[s][size_t(k)] = float(noise);
            }
        }
        data = std::make_unique<CWINPlot>();
        data->SetPlotRect(60, 80, 480, 940);
        data->SetXLabel("radius (cm)");
        data->SetYLabel("absorbance (OD)");
        data->SetTitle("sedimentation velocity, 50000 rpm");
        data->nSymbolSize = 3;
        for (int s = 0; s < nScans; s++) {
            data->AddCurve(curve(radius[s], signal[s]));
            int c = data->nCurves - 1;
            data->SetCurveStyle(c, 15);
            data->SetCurveColor(c, data->ColorForValue(0.3f + 0.65f * float(s) / (nScans - 1)));
        }
        for (int s = 0; s < nScans; s++) {
            data->AddCurve(curve(radius[s], fit[s]));
            int c = data->nCurves - 1;
            data->SetCurveStyle(c, -1);
            data->SetCurveColor(c, 0x000000);
        }
        data->SetCurveName(0, "scan 1 (t = 600 s)");
        data->SetCurveName(1, "scan 2 (t = 1200 s)");
        data->SetCurveName(2, "scan 3 (t = 1800 s)");
        data->ShowLegend();
        band.Resize(2);
        band.pData[0] = 6.05f;
        band.pData[1] = 7.1f;
        data->AddMark(&band);
        data->Rescale();

        residuals = std::make_unique<CWINPlot>();
        residuals->SetPlotRect(560, 80, 940, 940);
        residuals->SetYLabel("residuals");
        residuals->SetXLabel("radius (cm)");
        allR.assign(size_t(nScans * nPoints) + 1, 0);
        allResid.assign(size_t(nScans * nPoints) + 1, 0);
        residColour.assign(size_t(nScans * nPoints), 0);
        for (int s = 0; s < nScans; s++)
            for (int k = 1; k <= nPoints; k++) {
                size_t n = size_t(s * nPoints + k);
                allR[n] = radius[s][size_t(k)];
                allResid[n] = resid[s][size_t(k)];
                residColour[n - 1] = float(s + 3);
            }
        residuals->AddCurve(curve(allR, allResid));
        residuals->SetCurveStyle(0, 9);
        residuals->nSymbolSize = 2;
        residuals->SetHighlightSegment(0, residColour.data(), 0, nScans * nPoints - 1, 0);
        residuals->bColorBar = 1;
        residuals->nColorBarOffset = 20;
        residuals->ShowColorBarScale();
        residuals->Rescale();
    }
};
