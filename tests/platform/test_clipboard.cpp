// The clipboard on the offscreen platform: text, pictures and bitmaps go to
// the desktop's clipboard and come back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/services.h"

using namespace win;

namespace {

HGLOBAL textBlock(const std::string& text)
{
    HGLOBAL h = GlobalAlloc(GHND, text.size() + 1);
    std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
    GlobalUnlock(h);
    return h;
}

bool has(const std::vector<std::string>& v, const std::string& s)
{
    return std::find(v.begin(), v.end(), s) != v.end();
}

}  // namespace

TEST(Clipboard, TextGoesToTheDesktopAndComesBack)
{
    const std::string table = "\t1.000000\t0.250000\n\t2.000000\t0.500000\n";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));  // open already: the caller's failure path
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_NE(SetClipboardData(CF_TEXT, textBlock(table)), nullptr);
    EXPECT_TRUE(CloseClipboard());
    HGLOBAL hRefused = textBlock("closed");
    EXPECT_EQ(SetClipboardData(CF_TEXT, hRefused), nullptr);  // needs it open; the block stays the caller's
    GlobalFree(hRefused);
    EXPECT_EQ(detail::desktopClipboardData("text/plain"), table);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_METAFILEPICT));
    HANDLE h = GetClipboardData(CF_TEXT);
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(h)), table.c_str());
    GlobalUnlock(h);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(headless::transcript().front(), "Clipboard CF_TEXT " + headless::quote(table));
}

TEST(Clipboard, APictureGoesAsSvgAndImageAndABitmapAsImage)
{
    // A plot-like picture: a red box on the left half of the 1399 x 1000 window.
    HDC mf = CreateMetaFile(nullptr);
    SetWindowExtEx(mf, 1399, 1000, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(mf, red);
    SelectObject(mf, GetStockObject(NULL_PEN));
    Rectangle(mf, 100, 100, 600, 900);
    SelectObject(mf, old);
    DeleteObject(red);
    HMETAFILE plot = CloseMetaFile(mf);

    HGLOBAL block = GlobalAlloc(GHND, sizeof(METAFILEPICT));
    auto* mp = static_cast<METAFILEPICT*>(GlobalLock(block));
    *mp = METAFILEPICT{MM_ISOTROPIC, 13000, 9000, CopyMetaFile(plot, nullptr)};
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    EXPECT_NE(SetClipboardData(CF_METAFILEPICT, block), nullptr);
    CloseClipboard();

    std::vector<std::string> types = detail::desktopClipboardTypes();
    EXPECT_TRUE(has(types, "image/svg+xml"));
    EXPECT_TRUE(has(types, "application/x-qt-image"));
    std::string svg = detail::desktopClipboardData("image/svg+xml");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("#ff0000"), std::string::npos);
    EXPECT_NE(svg.find("width=\"130mm\" height=\"90mm\""), std::string::npos);  // 13000 x 9000 x 0.01 mm

    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE back = GetClipboardData(CF_METAFILEPICT);
    ASSERT_NE(back, nullptr);
    METAFILEPICT got;
    std::memcpy(&got, GlobalLock(back), sizeof got);
    GlobalUnlock(back);
    EXPECT_EQ(got.mm, MM_ISOTROPIC);
    EXPECT_EQ(got.xExt, 13000);
    EXPECT_EQ(got.yExt, 9000);
    EXPECT_EQ(metaFileListing(got.hMF), metaFileListing(plot));
    // The image: 1400 wide in the proportions 13000 : 9000, the box at
    // 100/1399 .. 600/1399 of the width and 100/1000 .. 900/1000 of the height.
    HBITMAP image = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(image, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ was = SelectObject(dc, image);
    EXPECT_EQ(GetPixel(dc, 1399, 968), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 1400, 969), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, 350, 484), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 95, 484), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 350, 90), RGB(255, 255, 255));
    SelectObject(dc, was);
    CloseClipboard();
    DeleteMetaFile(plot);

    // A bitmap (the screenshot) goes as an image and comes back pixel for pixel.
    HBITMAP shot = CreateCompatibleBitmap(dc, 40, 30);
    SelectObject(dc, shot);
    RECT all{0, 0, 40, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT spot{10, 5, 11, 6};
    FillRect(dc, &spot, blue);
    DeleteObject(blue);
    SelectObject(dc, was);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    EXPECT_NE(SetClipboardData(CF_BITMAP, shot), nullptr);
    CloseClipboard();
    EXPECT_FALSE(has(detail::desktopClipboardTypes(), "image/svg+xml"));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_METAFILEPICT));
    HBITMAP again = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(again, nullptr);
    SelectObject(dc, again);
    EXPECT_EQ(GetPixel(dc, 10, 5), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 11, 5), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 39, 29), RGB(255, 255, 255));
    SelectObject(dc, was);
    CloseClipboard();
    DeleteDC(dc);
    std::vector<std::string> lines = headless::transcript();
    EXPECT_EQ(lines[0], "Clipboard CF_METAFILEPICT MM_ISOTROPIC 13000 9000 (5 records)");
    EXPECT_EQ(lines[1], "Clipboard CF_BITMAP 40 x 30");
}
