// The sample plots of the main window played onto images of two window sizes
// and compared with the stored pictures, pixel by pixel with a tolerance for
// the edges of text. MORVEX_UPDATE_GOLDEN=1 writes the pictures instead.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "plot/plot_fixture.h"
#include "plot/plot_fonts.h"
#include "plot/sample_plot.h"

using namespace win;

namespace {

std::string goldenPath(int w, int h)
{
    return std::string(MORVEX_TEST_DATA_DIR) + "/golden/sample_plot_" + std::to_string(w) + "x" +
           std::to_string(h) + ".png";
}

struct Difference {
    long nPixels = 0; // pixels whose colour differs by more than the tolerance
    long nChanged = 0; // pixels that differ at all
};

Difference compareWithImage(PlotCanvas& canvas, const std::string& path, bool* pbRead)
{
    Difference d;
    int w = 0, h = 0;
    HBITMAP hStored = loadBitmapImage(path.c_str(), &w, &h);
    *pbRead = hStored && w == canvas.w && h == canvas.h;
    if (!*pbRead) return d;
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, hStored);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            COLORREF a = canvas.at(x, y), b = GetPixel(mem, x, y);
            int diff = std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                                 std::abs(GetBValue(a) - GetBValue(b))});
            d.nChanged += diff > 0;
            d.nPixels += diff > 48;
        }
    SelectObject(mem, old);
    DeleteObject(hStored);
    DeleteDC(mem);
    return d;
}

}  // namespace

TEST(PlotGolden, SamplePlotMatchesTheStoredPictures)
{
    createPlotFonts(); // the standard fonts, whatever a tool's plot chose before
    SamplePlots sample;
    ASSERT_TRUE(sample.data->Draw());
    ASSERT_TRUE(sample.residuals->Draw());
    const bool bUpdate = std::getenv("MORVEX_UPDATE_GOLDEN") != nullptr;
    for (auto [w, h] : {std::pair{1399, 1000}, std::pair{900, 640}}) {
        PlotCanvas canvas(w, h);
        canvas.play(sample.data->hMetaFile);
        canvas.play(sample.residuals->hMetaFile);
        const std::string path = goldenPath(w, h);
        if (bUpdate) {
            ASSERT_TRUE(saveBitmapImage(canvas.bmp, path.c_str()));
            continue;
        }
        bool bRead = false;
        Difference d = compareWithImage(canvas, path, &bRead);
        ASSERT_TRUE(bRead) << path;
        // a curve, a label or a tick more or less moves thousands of pixels;
        // glyph edges may move a few
        EXPECT_LE(d.nPixels, long(w) * h / 2000) << path << ": " << d.nPixels << " pixels differ";
        RecordProperty("changed_" + std::to_string(w), int(d.nChanged));
    }
}

TEST(PlotGolden, StoredPicturesReadBackExactly)
{
    // the image round trip the comparison relies on
    PlotCanvas canvas(40, 30);
    HBRUSH hRed = CreateSolidBrush(RGB(200, 10, 30));
    RECT r{5, 5, 20, 12};
    FillRect(canvas.dc, &r, hRed);
    DeleteObject(hRed);
    const std::string path = workingFolder() + "roundtrip.png";
    ASSERT_TRUE(saveBitmapImage(canvas.bmp, path.c_str()));
    bool bRead = false;
    Difference d = compareWithImage(canvas, path, &bRead);
    ASSERT_TRUE(bRead);
    EXPECT_EQ(d.nChanged, 0);
    int w = 0, h = 0;
    EXPECT_EQ(loadBitmapImage((path + ".missing").c_str(), &w, &h), nullptr);
}
