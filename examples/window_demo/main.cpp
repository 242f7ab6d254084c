// A look at the window layer on a real screen: a frame window with the
// system's menu bar built from its command table, a test plot recorded into a metafile and
// played onto the client area, accelerators, dropped files and the dialogs.
//
//   window_demo                 runs until the window is closed
//   window_demo --quit-after N  ends by itself after N milliseconds
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/qt/screen.h"
#include "platform/win.h"
#include "resources/commands.h"

using namespace win;

namespace {

HMETAFILE testPlot(int nRun)
{
    HDC mf = CreateMetaFile(nullptr);
    SetWindowExtEx(mf, 1399, 1000, nullptr);
    HPEN black = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    HPEN blue = CreatePen(PS_SOLID, 2, RGB(0, 0, 200));
    HGDIOBJ oldPen = SelectObject(mf, black);
    SelectObject(mf, GetStockObject(NULL_BRUSH));
    Rectangle(mf, 150, 100, 1300, 850);
    HFONT font = CreateFontA(32, 0, 0, 0, 400, 0, 0, 0, 0, OUT_TT_PRECIS, 0, PROOF_QUALITY, 0x20, nullptr);
    HFONT rotated = CreateFontA(32, 0, 900, 0, 400, 0, 0, 0, 0, OUT_TT_PRECIS, 0, PROOF_QUALITY, 0x20, nullptr);
    SelectObject(mf, font);
    SetBkMode(mf, TRANSPARENT);
    SetTextAlign(mf, TA_CENTER | TA_TOP);
    for (int i = 0; i <= 5; i++) {
        int x = 150 + i * 230;
        MoveToEx(mf, x, 850, nullptr);
        LineTo(mf, x, 870);
        char t[16];
        std::snprintf(t, sizeof t, "%.1f", 6.0 + 0.2 * i);
        TextOutA(mf, x, 875, t, int(std::strlen(t)));
    }
    TextOutA(mf, 725, 930, "radius (cm)", 11);
    SelectObject(mf, rotated);
    SetTextAlign(mf, TA_CENTER | TA_BOTTOM);
    TextOutA(mf, 100, 475, "signal", 6);
    SelectObject(mf, font);
    SetTextAlign(mf, TA_CENTER | TA_BASELINE);
    std::string title = "test plot through a metafile, run " + std::to_string(nRun);
    TextOutA(mf, 725, 80, title.c_str(), int(title.size()));
    // boundaries moving outwards, as in a sedimentation run
    SelectObject(mf, blue);
    for (int k = 0; k < 6; k++) {
        double centre = 350 + k * 150 + nRun * 20;
        for (int x = 150; x <= 1300; x += 5) {
            double y = 800 - 600 / (1 + std::exp(-(x - centre) / 30.0));
            if (x == 150)
                MoveToEx(mf, x, int(y), nullptr);
            else
                LineTo(mf, x, int(y));
        }
    }
    SelectObject(mf, oldPen);
    DeleteObject(black);
    DeleteObject(blue);
    DeleteObject(font);
    DeleteObject(rotated);
    return CloseMetaFile(mf);
}

class TDemoWindow : public TWindow {
public:
    TDemoWindow() : TWindow(nullptr, "Sedimentation Analysis") {}
    int nRun = 0;

    void Paint(HDC dc, bool, RECT&) override
    {
        RECT rc = GetClientRect();
        HMETAFILE h = testPlot(nRun);
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 1399, 1000, nullptr);
        SetViewportExtEx(dc, rc.right, rc.bottom, nullptr);
        PlayMetaFile(dc, h);
        SetMapMode(dc, MM_TEXT);
        DeleteMetaFile(h);
    }

    LRESULT EvCommand(UINT id, HWND, UINT code) override
    {
        switch (id) {
        case 213:
            nRun++;
            Invalidate();
            break;
        case 1107:
            CheckMenuItem(GetMenu(), 1107, GetMenuState(GetMenu(), 1107, MF_BYCOMMAND) & MF_CHECKED ? 0 : MF_CHECKED);
            break;
        case 200: {
            static char files[4096];
            files[0] = 0;
            OPENFILENAME ofn{};
            ofn.hwndOwner = HWindow;
            ofn.lpstrFilter = "All Files (*.*)\0*.*\0\0";
            ofn.nFilterIndex = 1;
            ofn.lpstrFile = files;
            ofn.nMaxFile = sizeof files;
            ofn.lpstrTitle = "select files";
            ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT;
            if (GetOpenFileName(&ofn)) MessageBox(HWindow, files, "LOAD FILES", MB_OK);
            break;
        }
        default: {
            char t[80];
            std::snprintf(t, sizeof t, "command %u (%s)", id, code == 1 ? "accelerator" : "menu");
            MessageBox(HWindow, t, "", MB_OK | MB_ICONINFORMATION);
        }
        }
        return 0;
    }

    void EvDropFiles(HDROP h) override
    {
        std::string list;
        UINT n = DragQueryFile(h, 0xFFFFFFFFu, nullptr, 0);
        for (UINT i = 0; i < n; i++) {
            char name[MAX_PATH];
            DragQueryFile(h, i, name, sizeof name);
            list += std::string(name) + "\n";
        }
        DragFinish(h);
        MessageBox(HWindow, list.c_str(), "DROPPING FILES", MB_OK);
    }

    void EvTimer(UINT id) override
    {
        if (id == 13) PostQuitMessage(0);
    }

    void EvHelpRequest(UINT id) override
    {
        char t[80];
        std::snprintf(t, sizeof t, "help asked for command %u", id);
        MessageBox(HWindow, t, "Help", MB_OK);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    int quitAfter = 0;
    for (int i = 1; i + 1 < argc; i++)
        if (std::strcmp(argv[i], "--quit-after") == 0) quitAfter = std::atoi(argv[i + 1]);
    screen::start(argc, argv);
    TDemoWindow w;
    w.Create();
    // The system's own menu bar and accelerators.
    HMENU menu = buildCommandMenu(MENU_MAIN, nullptr);
    int nAccel = 0;
    const AcceleratorEntry* pAccel = acceleratorTable(MENU_MAIN, &nAccel);
    std::vector<ACCEL> accels;
    for (int i = 0; i < nAccel; i++)
        accels.push_back(ACCEL{BYTE(FVIRTKEY | pAccel[i].fModifiers), WORD(pAccel[i].nKey), WORD(pAccel[i].nId)});
    HACCEL accel = CreateAcceleratorTable(accels.data(), nAccel);
    w.SetMenu(menu);
    w.SetAcceleratorTable(accel);
    DragAcceptFiles(w.HWindow, TRUE);
    // The timer's tick ends the demo.
    if (quitAfter > 0) w.SetTimer(13, UINT(quitAfter));
    int code = runMessageLoop();
    DestroyAcceleratorTable(accel);
    return code;
}
