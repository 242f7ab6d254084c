// Printing the window on one page, the modal text window and the picture
// window that waits for a key.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/win.h"
#include "plot/key_polling.h"

using namespace win;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

int count(const std::string& text, const std::regex& re)
{
    return int(std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
}

// A test plot: frame, a curve and a title, as the plots draw them.
HMETAFILE testPlot()
{
    HDC mf = CreateMetaFile(nullptr);
    SetWindowExtEx(mf, 1399, 1000, nullptr);
    Rectangle(mf, 100, 50, 1300, 900);
    MoveToEx(mf, 100, 900, nullptr);
    for (int i = 1; i <= 12; i++) LineTo(mf, 100 + 100 * i, 900 - (i * i * 5));
    SetTextAlign(mf, TA_CENTER | TA_TOP);
    TextOut(mf, 700, 10, "c(s) distribution", 17);
    return CloseMetaFile(mf);
}

class PlotWindow : public TWindow {
public:
    PlotWindow() : TWindow(nullptr, "Sedimentation Analysis") {}
    HMETAFILE hPlot = testPlot();
    ~PlotWindow() override { DeleteMetaFile(hPlot); }
    void Paint(HDC dc, bool, RECT&) override
    {
        RECT r = GetClientRect();
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 1399, 1000, nullptr);
        SetViewportExtEx(dc, r.right, r.bottom, nullptr);
        PlayMetaFile(dc, hPlot);
    }
};

}  // namespace

TEST(Printing, TheWindowGoesOntoOnePageOfAPdf)
{
    PlotWindow w;
    w.Create();
    headless::processMessages();
    std::string pdf = workingFolder() + "plot.pdf";
    unlink(pdf.c_str());
    headless::Script script;
    script.expectPrintCancel("Morvex").expectPrint("Morvex", pdf);
    EXPECT_FALSE(PrintWindowPage(w.HWindow, "Morvex"));
    EXPECT_EQ(access(pdf.c_str(), F_OK), -1);
    EXPECT_TRUE(PrintWindowPage(w.HWindow, "Morvex"));
    std::string doc = readFile(pdf);
    ASSERT_EQ(doc.compare(0, 5, "%PDF-"), 0);
    EXPECT_EQ(count(doc, std::regex("/Type\\s*/Page[^s]")), 1);
    // Landscape, as the window is wider than high.
    std::smatch box;
    ASSERT_TRUE(std::regex_search(doc, box, std::regex("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)")));
    EXPECT_GT(std::stod(box[1]), std::stod(box[2]));
    std::vector<std::string> expected = {"Print \"Morvex\" -> IDCANCEL", "Print \"Morvex\" -> " + headless::quote(pdf)};
    EXPECT_EQ(script.lines(), expected);
    unlink(pdf.c_str());
}

TEST(TextWindow, TheTextComesBackCutToTheBuffer)
{
    const char* initial = "delete this text, write (or paste) single letter aa sequence, and close this window";
    char buf[30];
    // Closed without editing: the initial text, cut to 29 characters.
    headless::setPolicy(headless::Policy::DefaultAnswers);
    EXPECT_EQ(RunTextWindow(nullptr, "Protein Sequence", initial, buf, sizeof buf), 29);
    EXPECT_STREQ(buf, "delete this text, write (or p");
    headless::setPolicy(headless::Policy::FailOnUnexpected);

    char big[30000];
    headless::Script script;
    std::string sequence(40000, 'A');
    script.expectTextWindow("Protein", "MKVLAAGIVG").expectTextWindow("Protein", sequence);
    EXPECT_EQ(RunTextWindow(nullptr, "Protein Sequence", initial, big, sizeof big), 10);
    EXPECT_STREQ(big, "MKVLAAGIVG");
    EXPECT_EQ(RunTextWindow(nullptr, "Protein Sequence", nullptr, big, sizeof big), 29999);
    EXPECT_EQ(std::string(big), sequence.substr(0, 29999));
    EXPECT_EQ(script.lines()[0], "TextWindow \"Protein Sequence\" " + headless::quote(initial) + " -> \"MKVLAAGIVG\"");

    // Nobody expected it: reported, and the text stays as it was.
    EXPECT_NONFATAL_FAILURE(RunTextWindow(nullptr, "Notes", "keep", big, sizeof big),
                            "unexpected TextWindow \"Notes\" \"keep\"");
    EXPECT_STREQ(big, "keep");
}

TEST(PictureWindow, ShowsThePictureUntilAKeyIsPressed)
{
    PlotWindow main;
    main.Create();
    headless::Script script;
    script.pressKey('A', 300);
    TPictureWindow pic(&main, main.hPlot, "calibration");
    ASSERT_TRUE(pic.Show());
    DWORD start = GetTickCount();
    while (!keyPressed()) Sleep(50);
    EXPECT_GE(GetTickCount() - start, 300u);
    pic.Close();
    std::vector<std::string> expected = {"PictureWindow \"calibration\" 1400 x 1000",
                                         "PictureWindow \"calibration\" closed"};
    EXPECT_EQ(script.lines(), expected);

    // It shows the picture over its whole client area.
    std::string bmp = workingFolder() + "picture.bmp";
    ASSERT_TRUE(pic.SaveImage(bmp.c_str()));
    std::string img = readFile(bmp);
    ASSERT_GT(img.size(), 54u);
    int32_t width, height;
    std::memcpy(&width, &img[18], 4);
    std::memcpy(&height, &img[22], 4);
    EXPECT_EQ(width, 1400);
    EXPECT_EQ(std::abs(height), 1000);
    unlink(bmp.c_str());
}
