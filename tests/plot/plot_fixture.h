// Helpers of the plot tests: curves over plain arrays, the records of a
// picture, and a picture played 1:1 onto a bitmap.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "platform/win.h"
#include "plot/cwinplot.h"

// Keeps the arrays, views and curves a plot borrows.
struct CurveStore {
    std::vector<std::unique_ptr<std::vector<float>>> arrays;
    std::vector<std::unique_ptr<CVector>> views;
    std::vector<std::unique_ptr<CCurve>> curves;

    CVector* view(const std::vector<float>& values)
    {
        arrays.push_back(std::make_unique<std::vector<float>>(values));
        views.push_back(std::make_unique<CVector>());
        views.back()->Attach(arrays.back()->data(), unsigned(values.size()), 0);
        return views.back().get();
    }
    CCurve* curve(const std::vector<float>& x, const std::vector<float>& y)
    {
        CVector* vx = view(x);
        CVector* vy = view(y);
        curves.push_back(std::make_unique<CCurve>(vx, vy));
        return curves.back().get();
    }
};

inline std::vector<std::string> listing(const CWINPlot& plot)
{
    return win::metaFileListing(plot.hMetaFile);
}

inline std::vector<std::string> listing(win::HMETAFILE h)
{
    return win::metaFileListing(h);
}

// Position of the first record equal to text at or after from; -1 if none.
inline int findRecord(const std::vector<std::string>& l, const std::string& text, int from = 0)
{
    for (size_t k = size_t(from < 0 ? 0 : from); k < l.size(); k++)
        if (l[k] == text) return int(k);
    return -1;
}

inline int countRecords(const std::vector<std::string>& l, const std::string& prefix)
{
    int n = 0;
    for (const auto& s : l)
        if (s.rfind(prefix, 0) == 0) n++;
    return n;
}

inline std::vector<std::string> recordsStartingWith(const std::vector<std::string>& l, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const auto& s : l)
        if (s.rfind(prefix, 0) == 0) out.push_back(s);
    return out;
}

// A white bitmap onto which pictures are played with the plots' window
// extent mapped onto its width x height pixels.
struct PlotCanvas {
    win::HDC dc;
    win::HBITMAP bmp;
    win::HGDIOBJ old;
    int w, h;
    PlotCanvas(int width = 1399, int height = 1000) : w(width), h(height)
    {
        using namespace win;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(dc, w, h);
        old = SelectObject(dc, bmp);
        RECT all{0, 0, w, h};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~PlotCanvas()
    {
        win::SelectObject(dc, old);
        win::DeleteObject(bmp);
        win::DeleteDC(dc);
    }
    void play(win::HMETAFILE h)
    {
        using namespace win;
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 1399, 1000, nullptr);
        SetViewportExtEx(dc, w, this->h, nullptr);
        PlayMetaFile(dc, h);
        SetMapMode(dc, MM_TEXT);
    }
    win::COLORREF at(int x, int y) { return win::GetPixel(dc, x, y); }
};
