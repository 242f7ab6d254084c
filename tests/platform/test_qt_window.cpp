// The frame window on Qt's offscreen platform: the menu bar built from the
// menu data and kept up to date, accelerators (with the mnemonic collision rule),
// help requests from the menu, dropped files, caption and cursor, timers in
// the Qt loop, the surface saved as PNG and BMP, and the Qt dialogs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/qt/screen.h"
#include "platform/win.h"

using namespace win;

namespace {

int gArgc = 1;
char gName[] = "morvex_tests";
char* gArgv[] = {gName, nullptr};

class QtScreen : public ::testing::Test {
protected:
    void SetUp() override { screen::start(gArgc, gArgv); }
    void TearDown() override { screen::stop(); }
};

void quitSoon(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PostQuitMessage(77);
}

// Handles the pending input and what it leads to, paints when idle, returns.
int runUntilIdle()
{
    screen::processEvents(30);
    SetTimer(nullptr, 999, 50, quitSoon);
    return runMessageLoop();
}

class TRecordingWindow : public TWindow {
public:
    TRecordingWindow() : TWindow(nullptr, "Sedimentation Analysis") {}
    std::vector<std::string> events;
    int nPaints = 0;
    void Paint(HDC dc, bool, RECT&) override
    {
        nPaints++;
        // A red rectangle over the left half and the top half of the plot window.
        HDC mf = CreateMetaFile(nullptr);
        SetWindowExtEx(mf, 1399, 1000, nullptr);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        SelectObject(mf, red);
        SelectObject(mf, GetStockObject(NULL_PEN));
        Rectangle(mf, 0, 0, 700, 500);
        HMETAFILE h = CloseMetaFile(mf);
        RECT rc = GetClientRect();
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 1399, 1000, nullptr);
        SetViewportExtEx(dc, rc.right, rc.bottom, nullptr);
        PlayMetaFile(dc, h);
        SetMapMode(dc, MM_TEXT);
        DeleteMetaFile(h);
        DeleteObject(red);
    }
    LRESULT EvCommand(UINT id, HWND, UINT code) override
    {
        events.push_back("command " + std::to_string(id) + " " + std::to_string(code));
        return 0;
    }
    void EvHelpRequest(UINT id) override { events.push_back("help " + std::to_string(id)); }
    void EvKeyDown(UINT key, UINT, UINT) override
    {
        if (key != VK_CONTROL && key != VK_SHIFT) events.push_back("key " + std::to_string(key));
    }
    void EvChar(UINT c, UINT, UINT) override { events.push_back(std::string("char ") + char(c)); }
    void EvTimer(UINT id) override
    {
        events.push_back("timer " + std::to_string(id));
        KillTimer(id);
        PostQuitMessage(int(id));
    }
    void EvDropFiles(HDROP h) override
    {
        std::string line = "drop " + std::to_string(DragQueryFile(h, 0xFFFFFFFFu, nullptr, 0));
        char name[MAX_PATH];
        for (UINT i = 0; DragQueryFile(h, i, name, sizeof name); i++) line += std::string(" ") + name;
        POINT pt;
        DragQueryPoint(h, &pt);
        line += " at " + std::to_string(pt.x) + "," + std::to_string(pt.y);
        DragFinish(h);
        events.push_back(line);
    }
    std::vector<std::string> take()
    {
        std::vector<std::string> e;
        e.swap(events);
        return e;
    }
};

// A small menu bar: &Data (Load, a separator, a submenu), &Options (a
// checked item, an item with an Alt accelerator, a grayed one), &Info, and
// &Run on the bar itself.
HMENU makeTestMenu()
{
    HMENU bar = CreateMenu(), data = CreatePopupMenu(), noise = CreatePopupMenu(), options = CreatePopupMenu(),
          info = CreatePopupMenu();
    AppendMenu(data, MF_STRING, 200, "&Load New Files\t^L");
    AppendMenu(data, MF_SEPARATOR, 0, nullptr);
    AppendMenu(noise, MF_STRING, 252, "save Noise in file");
    AppendMenu(data, MF_POPUP, reinterpret_cast<UINT_PTR>(noise), "Save S&ystematic Noise");
    AppendMenu(options, MF_STRING | MF_CHECKED, 217, "Fit M and s");
    AppendMenu(options, MF_STRING, 542, "Inhomogeneous Solvent");
    AppendMenu(options, MF_STRING | MF_GRAYED, 611, "Lamm Equation Parameters");
    AppendMenu(info, MF_STRING, 900, "About");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(data), "&Data");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), "&Options");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(info), "&Info");
    AppendMenu(bar, MF_STRING, 213, "&Run");
    return bar;
}

// Ctrl+L, Alt+I, Alt+G (grayed item), Ctrl+R, Ctrl+G (no item)
const ACCEL testAccelerators[] = {{FVIRTKEY | FCONTROL, 'L', 200}, {FVIRTKEY | FALT, 'I', 542},
                                  {FVIRTKEY | FALT, 'G', 611},     {FVIRTKEY | FCONTROL, 'R', 213},
                                  {FVIRTKEY | FCONTROL, 'G', 901}};

uint32_t le32(const std::vector<unsigned char>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

uint32_t be32(const std::vector<unsigned char>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3]);
}

std::vector<unsigned char> readAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

TEST_F(QtScreen, FrameWindowMenusAcceleratorsHelpDropsAndPicture)
{
    TRecordingWindow w;
    ASSERT_TRUE(w.Create());
    HMENU menu = makeTestMenu();
    HACCEL accel = CreateAcceleratorTable(testAccelerators, int(std::size(testAccelerators)));
    w.SetMenu(menu);
    w.SetAcceleratorTable(accel);
    screen::processEvents();

    // The bar as built from the table; "&Info" loses its mnemonic to Alt+I.
    std::vector<std::string> bar = {"&Data",
                                    "  &Load New Files\t^L",
                                    "  -",
                                    "  Save S&ystematic Noise",
                                    "    save Noise in file",
                                    "&Options",
                                    "  Fit M and s [checked]",
                                    "  Inhomogeneous Solvent",
                                    "  Lamm Equation Parameters [grayed]",
                                    "Info",
                                    "  About",
                                    "&Run"};
    EXPECT_EQ(screen::menuBarLines(w.HWindow), bar);

    // Changes by command id show at once.
    CheckMenuItem(menu, 217, MF_UNCHECKED);
    CheckMenuItem(menu, 542, MF_CHECKED);
    DeleteMenu(menu, 900, MF_BYCOMMAND);
    // (eight items: a popup's state holds its count, 8 = 0x800, in the bits of MF_SEPARATOR)
    HMENU flo = CreatePopupMenu();
    for (int i = 1; i <= 8; i++) AppendMenu(flo, MF_STRING, 1100 + i, ("tool " + std::to_string(i)).c_str());
    InsertMenu(menu, 2, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(flo), "FloTools");
    bar = {"&Data", "  &Load New Files\t^L", "  -", "  Save S&ystematic Noise", "    save Noise in file",
           "&Options", "  Fit M and s", "  Inhomogeneous Solvent [checked]", "  Lamm Equation Parameters [grayed]",
           "FloTools"};
    for (int i = 1; i <= 8; i++) bar.push_back("  tool " + std::to_string(i));
    bar.insert(bar.end(), {"Info", "&Run"});
    EXPECT_EQ(screen::menuBarLines(w.HWindow), bar);
    EXPECT_TRUE(RemoveMenu(menu, 2, MF_BYPOSITION));
    DestroyMenu(flo);
    EXPECT_EQ(screen::menuBarLines(w.HWindow).at(9), "Info");

    // Accelerators send their command (code 1); Alt+I wins over the menu
    // bar; a grayed item's accelerator sends nothing; an accelerator
    // without an item works; a plain key stays a key.
    screen::keyClick(w.HWindow, 'R', screen::Ctrl);
    screen::keyClick(w.HWindow, 'I', screen::Alt);
    screen::keyClick(w.HWindow, 'G', screen::Alt);
    screen::keyClick(w.HWindow, 'G', screen::Ctrl);
    screen::keyClick(w.HWindow, 'R');
    EXPECT_EQ(runUntilIdle(), 77);
    EXPECT_EQ(w.take(), (std::vector<std::string>{"command 213 1", "command 542 1", "command 901 1", "key 82",
                                                  "char r"}));

    // F1 on a highlighted item is a help request, Enter chooses the item.
    ASSERT_TRUE(screen::pressOnMenuItem(w.HWindow, 542, VK_F1));
    ASSERT_TRUE(screen::pressOnMenuItem(w.HWindow, 252, VK_RETURN));
    runUntilIdle();
    EXPECT_EQ(w.take(), (std::vector<std::string>{"help 542", "command 252 0"}));

    // Files dropped only where the window accepts them.
    EXPECT_FALSE(screen::dropFiles(w.HWindow, {"/data/run1/a.ra1"}, 5, 5));
    DragAcceptFiles(w.HWindow, TRUE);
    EXPECT_TRUE(screen::dropFiles(w.HWindow, {"/data/run1/a.ra1", "/data/run1/b.ra1"}, 30, 40));
    runUntilIdle();
    EXPECT_EQ(w.take(), (std::vector<std::string>{"drop 2 /data/run1/a.ra1 /data/run1/b.ra1 at 30,40"}));

    // Caption and cursor.
    SetWindowText(w.HWindow, "Sedimentation Analysis - a.ra1");
    EXPECT_EQ(screen::caption(w.HWindow), "Sedimentation Analysis - a.ra1");
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    EXPECT_EQ(screen::cursor(w.HWindow), IDC_WAIT);
    SetCursor(LoadCursor(nullptr, IDC_CROSS));
    EXPECT_EQ(screen::cursor(w.HWindow), IDC_CROSS);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));

    // A resize gives the client size and a new paint; the rectangle covers
    // 700/1399 and 500/1000 of it: 350 x 250 pixels of 700 x 500.
    int before = w.nPaints;
    screen::resizeClient(w.HWindow, 700, 500);
    runUntilIdle();
    RECT rc = w.GetClientRect();
    EXPECT_EQ(rc.right, 700);
    EXPECT_EQ(rc.bottom, 500);
    EXPECT_GT(w.nPaints, before);
    HDC dc = GetDC(w.HWindow);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 349, 249), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 350, 100), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 100, 250), RGB(255, 255, 255));
    ReleaseDC(w.HWindow, dc);

    std::string dir = workingFolder();
    ASSERT_TRUE(saveWindowImage(w.HWindow, (dir + "qt_window.png").c_str()));
    ASSERT_TRUE(saveWindowImage(w.HWindow, (dir + "qt_window.bmp").c_str()));
    std::vector<unsigned char> png = readAll(dir + "qt_window.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG", 4), 0);
    EXPECT_EQ(be32(png, 16), 700u);
    EXPECT_EQ(be32(png, 20), 500u);
    std::vector<unsigned char> bmp = readAll(dir + "qt_window.bmp");
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 18), 700u);
    EXPECT_EQ(le32(bmp, 22), 500u);
    EXPECT_EQ(bmp[28], 24);
    // Rows are stored bottom up, 2100 bytes each, blue green red: pixel
    // (100, 100) is in row 399, pixel (600, 400) in row 99.
    size_t offset = le32(bmp, 10);
    size_t red = offset + 399 * 2100 + 100 * 3, white = offset + 99 * 2100 + 600 * 3;
    ASSERT_LT(white + 2, bmp.size());
    EXPECT_EQ(bmp[red], 0);
    EXPECT_EQ(bmp[red + 2], 255);
    EXPECT_EQ(bmp[white], 255);
    EXPECT_EQ(bmp[white + 1], 255);

    // A window timer ticks in the Qt loop (13 is the id the system uses).
    SetTimer(w.HWindow, 13, 20, nullptr);
    EXPECT_EQ(runMessageLoop(), 13);
    EXPECT_EQ(w.take(), (std::vector<std::string>{"timer 13"}));

    // The close button asks the window; the main window's answer ends the loop.
    screen::closeFrame(w.HWindow);
    EXPECT_EQ(runMessageLoop(), 0);
    EXPECT_EQ(screen::caption(w.HWindow), "Sedimentation Analysis - a.ra1");  // the frame is still there

    w.SetMenu(nullptr);
    DestroyMenu(menu);
    DestroyAcceleratorTable(accel);
}

TEST(DroppedFiles, CountLengthsTruncationAndRelease)
{
    TRecordingWindow w;
    w.Create();
    std::string longName = "/data/" + std::string(300, 'x') + ".ra1";
    headless::Script script;
    script.dropFiles({"/data/a.ra1", longName}, 12, 34);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(m.message, WM_DROPFILES);
    auto h = reinterpret_cast<HDROP>(m.wParam);
    EXPECT_EQ(DragQueryFile(h, 0xFFFFFFFFu, nullptr, 0), 2u);
    EXPECT_EQ(DragQueryFile(h, 1, nullptr, 0), 310u);
    // A name longer than the buffer is cut to the buffer less its terminator.
    char name[MAX_PATH];
    EXPECT_EQ(DragQueryFile(h, 1, name, MAX_PATH), 259u);
    EXPECT_EQ(std::strlen(name), 259u);
    EXPECT_EQ(std::string(name), longName.substr(0, 259));
    EXPECT_EQ(DragQueryFile(h, 2, name, MAX_PATH), 0u);
    POINT pt{0, 0};
    EXPECT_TRUE(DragQueryPoint(h, &pt));
    EXPECT_EQ(pt.x, 12);
    EXPECT_EQ(pt.y, 34);
    DragFinish(h);
    // A released record answers nothing.
    EXPECT_EQ(DragQueryFile(h, 0xFFFFFFFFu, nullptr, 0), 0u);
}

// The offscreen platform cannot size, raise or give the keyboard to a window
// and says so for every window and dialog; on a run of the tests that buried
// real failures. Nothing of it reaches the console.
TEST_F(QtScreen, TheOffscreenPlatformKeepsItsNoticesToItself)
{
    testing::internal::CaptureStderr();
    {
        TRecordingWindow w;
        ASSERT_TRUE(w.Create());
        w.SetMenu(makeTestMenu());
        screen::processEvents();
        screen::resizeClient(w.HWindow, 700, 500);
        screen::answerNextDialog({IDYES, "", {}});
        MessageBox(w.HWindow, "go on?", "QUESTION", MB_YESNO);
        char buffer[15] = "1";
        screen::answerNextDialog({IDOK, "2", {}});
        TInputDialog(&w, "enter float", "value", buffer, 15).Execute();
        screen::processEvents(20);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(QtScreen, DialogsGiveTheSystemsAnswersAndBuffers)
{
    TRecordingWindow w;
    w.Create();

    screen::answerNextDialog({IDNO, "", {}});
    EXPECT_EQ(MessageBox(w.HWindow, "save as default setting?", "SET PREFERENCE", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(screen::lastDialogShown(), "SET PREFERENCE\nsave as default setting?");
    EXPECT_EQ(headless::transcript().back(),
              "MessageBox \"SET PREFERENCE\" \"save as default setting?\" MB_YESNO|MB_ICONQUESTION -> IDNO");

    // The edit line of a 15-character buffer takes 14 characters.
    char buffer[15] = "0.5";
    screen::answerNextDialog({IDOK, "123456789012345678", {}});
    EXPECT_EQ(TInputDialog(&w, "enter float", "load every n'th file:", buffer, 15).Execute(), IDOK);
    EXPECT_STREQ(buffer, "12345678901234");
    screen::answerNextDialog({IDCANCEL, "9", {}});
    EXPECT_EQ(TInputDialog(&w, "enter float", "load every n'th file:", buffer, 15).Execute(), IDCANCEL);
    EXPECT_STREQ(buffer, "12345678901234");

    // Several files: folder NUL names NUL NUL, and the process is left in
    // the folder chosen.
    namespace fs = std::filesystem;
    fs::path dir = fs::path(workingFolder()) / "qt_dialog_data";
    fs::create_directories(dir);
    for (const char* n : {"a.ra1", "b.ra1", "c.ip1"}) std::ofstream(dir / n) << "x\n";
    fs::path before = fs::current_path();
    std::vector<char> names(128000, 0);
    OPENFILENAME ofn{};
    ofn.hwndOwner = w.HWindow;
    ofn.lpstrFilter = "All AUC Files (*.IP*;*.RA*)\0*.IP*;*.RA*\0All Files (*.*)\0*.*\0\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = names.data();
    ofn.nMaxFile = DWORD(names.size());
    ofn.lpstrTitle = "select files";
    ofn.Flags = 0x81A00;
    ofn.lpstrDefExt = "*";
    std::string d = dir.string();
    screen::answerNextDialog({IDOK, "", {d + "/a.ra1", d + "/c.ip1"}});
    ASSERT_TRUE(GetOpenFileName(&ofn));
    std::string expect = d + std::string("\0a.ra1\0c.ip1\0\0", 15);
    EXPECT_EQ(std::string(names.data(), expect.size()), expect);
    EXPECT_EQ(ofn.nFileOffset, d.size() + 1);
    EXPECT_EQ(fs::current_path(), dir);

    // A save dialog adds the default extension to a name without one.
    char one[MAX_PATH] = "";
    OPENFILENAME save{};
    save.hwndOwner = w.HWindow;
    save.lpstrFile = one;
    save.nMaxFile = MAX_PATH;
    save.lpstrTitle = "save fit";
    save.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST;
    save.lpstrDefExt = "dat";
    screen::answerNextDialog({IDOK, "", {d + "/fit1"}});
    ASSERT_TRUE(GetSaveFileName(&save));
    EXPECT_STREQ(one, (d + "/fit1.dat").c_str());
    screen::answerNextDialog({IDCANCEL, "", {}});
    EXPECT_FALSE(GetSaveFileName(&save));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    fs::current_path(before);
}
