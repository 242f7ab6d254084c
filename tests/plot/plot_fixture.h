// Helpers of the plot tests: curves over plain arrays, the records of a
// picture, and a picture played onto a bitmap.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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
        curves.push_back(std::make_unique<CCurve>(vx, view(y)));
        return curves.back().get();
    }
};

using Records = std::vector<std::string>;

inline Records listing(const CWINPlot& plot)
{
    return win::metaFileListing(plot.hMetaFile);
}

// Position of the first record equal to text at or after from; -1 if none.
inline int findRecord(const Records& l, const std::string& text, int from = 0)
{
    auto it = std::find(l.begin() + std::max(from, 0), l.end(), text);
    return it == l.end() ? -1 : int(it - l.begin());
}

inline Records withPrefix(const Records& l, const std::string& prefix)
{
    Records out;
    for (const auto& s : l)
        if (s.rfind(prefix, 0) == 0) out.push_back(s);
    return out;
}

inline bool containsSequence(const Records& l, const Records& seq)
{
    return std::search(l.begin(), l.end(), seq.begin(), seq.end()) != l.end();
}

// A white bitmap onto which pictures are played, the plots' window extent
// mapped onto its width x height pixels.
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
    void play(win::HMETAFILE hPicture)
    {
        using namespace win;
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 1399, 1000, nullptr);
        SetViewportExtEx(dc, w, h, nullptr);
        PlayMetaFile(dc, hPicture);
        SetMapMode(dc, MM_TEXT);
    }
    win::COLORREF at(int x, int y) { return win::GetPixel(dc, x, y); }
};
