// Colours of scans and of fractions.
#include "app/scan_colors.h"

#include <cmath>

#include "app/app_globals.h"
#include "scandata/scan_data.h"

using win::COLORREF;
using win::RGB;

COLORREF colorFromFraction(float a, float b)
{
    struct Stop {
        float f;
        int r, g, b;
    };
    static const Stop stops[] = {{0.0f, 0, 0, 255},   {0.2f, 0, 255, 255}, {0.4f, 0, 255, 0},
                                 {0.65f, 255, 255, 0}, {0.9f, 255, 0, 0},  {1.0f, 128, 0, 0}};
    float f = (b != 0.0f) ? a / b : 0.0f;
    if (!(f > 0.0f)) f = 0.0f;  // also NaN
    if (f > 1.0f) f = 1.0f;
    int k = 0;
    while (k < 4 && f > stops[k + 1].f) ++k;
    const Stop& lo = stops[k];
    const Stop& hi = stops[k + 1];
    float t = (f - lo.f) / (hi.f - lo.f);
    auto mix = [t](int x, int y) { return static_cast<int>(std::lround(x + t * (y - x))); };
    return RGB(mix(lo.r, hi.r), mix(lo.g, hi.g), mix(lo.b, hi.b));
}

COLORREF scanColor(int i)
{
    if (i < 1 || i > nScans) return RGB(0, 0, 0);
    if (bScanColorFromTime) {
        int nPosition = i;
        if (pScanTimeOrder)
            for (int k = 1; k <= nScans; ++k)
                if (pScanTimeOrder[k] == i) nPosition = k;
        return colorFromFraction(static_cast<float>(nPosition - 1), static_cast<float>(nScans > 1 ? nScans - 1 : 1));
    }
    static const COLORREF palette[14] = {
        RGB(0, 0, 255),   RGB(255, 0, 0),   RGB(0, 160, 0),  RGB(255, 0, 255),   RGB(0, 190, 190),
        RGB(255, 128, 0), RGB(128, 0, 255), RGB(128, 128, 0), RGB(0, 128, 255),  RGB(192, 0, 96),
        RGB(96, 96, 96),  RGB(0, 200, 100), RGB(160, 80, 0), RGB(255, 96, 160)};
    COLORREF c = palette[(i - 1) % 14];
    int nShade = (i - 1) / 14;
    if (nShade == 0) return c;
    // each further round of the palette a darker shade, never black
    float factor = std::pow(0.7f, static_cast<float>(nShade));
    if (factor < 0.3f) factor = 0.3f;
    return RGB(static_cast<int>(win::GetRValue(c) * factor), static_cast<int>(win::GetGValue(c) * factor),
               static_cast<int>(win::GetBValue(c) * factor));
}

float pixelToPerMilleX(int x, float fClientWidth)
{
    if (fClientWidth <= 0) return 0.0f;
    return static_cast<float>(x) * 1.4f * 1000.0f / fClientWidth;
}

float pixelToPerMilleY(int y, float fClientHeight)
{
    if (fClientHeight <= 0) return 0.0f;
    return static_cast<float>(y) * 1000.0f / fClientHeight;
}
