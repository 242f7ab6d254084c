#include "plot/plot_fonts.h"

using namespace win;

HFONT hPlotFontA = nullptr;
HFONT hPlotFontB = nullptr;
HFONT hPlotFontC = nullptr;
HFONT hPlotFontD = nullptr;

namespace {

HFONT plotFont(int nHeight, int nEscapement)
{
    return CreateFontA(nHeight, 0, nEscapement, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                       PROOF_QUALITY, FF_ROMAN, nullptr);
}

}  // namespace

void createPlotFonts()
{
    hPlotFontA = plotFont(17, 0);
    hPlotFontB = plotFont(19, 0);
    hPlotFontC = plotFont(19, 900);
    hPlotFontD = plotFont(32, 0);
}

void useLargePlotFonts()
{
    // the title keeps its font, which must exist as well
    if (!hPlotFontD) createPlotFonts();
    // A picture records the font it draws with, and only while it is being
    // recorded is a font selected: the replaced ones can go.
    for (HFONT* ph : {&hPlotFontA, &hPlotFontB, &hPlotFontC}) {
        if (*ph && *ph != hPlotFontD) DeleteObject(*ph);
        *ph = plotFont(25, 0);
    }
}
