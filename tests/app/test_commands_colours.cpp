// The command table, the menu bar built from it, scan colours and the
// pixel-to-per-mille rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "app/app_globals.h"
#include "app/scan_colors.h"
#include "platform/win.h"
#include "resources/commands.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// Every numbered command the program knows, from the inventory of menus.
const unsigned kInventory[] = {
    197,  198,  199,  200,  201,  202,  203,  204,  208,  210,  212,  213,  214,  215,  217,  220,  223,  225,
    226,  227,  228,  229,  231,  235,  240,  241,  244,  245,  246,  252,  253,  255,  256,  263,  264,  266,
    267,  270,  272,  275,  276,  277,  278,  279,  280,  281,  282,  283,  284,  285,  286,  287,  288,  289,
    290,  291,  292,  293,  294,  295,  296,  298,  299,  456,  457,  458,  459,  460,  461,  462,  463,  500,
    501,  502,  503,  508,  509,  510,  511,  513,  514,  515,  518,  519,  520,  521,  522,  523,  524,  525,
    526,  527,  528,  529,  530,  531,  532,  533,  534,  535,  536,  539,  540,  541,  542,  543,  544,  545,
    546,  547,  548,  549,  550,  551,  552,  576,  577,  578,  579,  581,  582,  583,  584,  585,  587,  589,
    590,  593,  595,  598,  600,  601,  602,  603,  606,  607,  608,  611,  632,  633,  634,  642,  644,  645,
    647,  827,  830,  831,  836,  837,  867,  868,  870,  872,  874,  875,  876,  877,  878,  879,  880,  881,
    882,  883,  885,  886,  887,  889,  890,  893,  895,  896,  897,  898,  899,  900,  901,  902,  903,  904,
    905,  906,  907,  908,  909,  910,  911,  912,  913,  914,  915,  917,  918,  919,  920,  922,  923,  925,
    927,  928,  929,  932,  933,  934,  935,  936,  938,  940,  941,  946,  947,  949,  950,  1098, 1099, 1100,
    1103, 1104, 1105, 1106, 1107, 1108, 1109, 1110, 1111, 1117, 1118, 1119};

std::string itemText(HMENU m, unsigned id)
{
    char sz[300] = "";
    GetMenuString(m, id, sz, sizeof sz, MF_BYCOMMAND);
    return sz;
}

bool enabledOnly518(unsigned id) { return id == 518; }

}  // namespace

TEST(CommandTable, HoldsEveryCommandOnceWithItsPlace)
{
    int n = 0;
    const CommandInfo* table = commandTable(&n);
    std::set<unsigned> ids;
    for (int k = 0; k < n; ++k)
        if (!(table[k].nFlags & CMD_ALSO)) {
            EXPECT_TRUE(ids.insert(table[k].nId).second) << "twice: " << table[k].nId;
        }
    // a second item of a command only repeats one of the table
    for (int k = 0; k < n; ++k)
        if (table[k].nFlags & CMD_ALSO) {
            EXPECT_TRUE(ids.count(table[k].nId)) << table[k].nId;
        }
    for (unsigned id : kInventory) EXPECT_TRUE(ids.count(id)) << "missing: " << id;
    EXPECT_EQ(sizeof kInventory / sizeof kInventory[0], 228u);

    // the ids of our own commands do not collide with the numbered ones
    for (unsigned id : {CM_EXIT, CM_PRINT, CM_PREFERENCES, CM_HOW_TO_GET_HELP})
        for (unsigned inv : kInventory) EXPECT_NE(id, inv);

    // every accelerator leads to a command of the table
    for (MenuVariant v : {MENU_MAIN, MENU_TOSE}) {
        int na = 0;
        const AcceleratorEntry* acc = acceleratorTable(v, &na);
        for (int k = 0; k < na; ++k) EXPECT_TRUE(findCommand(acc[k].nId)) << acc[k].nId;
    }
    int na = 0;
    acceleratorTable(MENU_MAIN, &na);
    EXPECT_EQ(na, 17);

    char sz[100];
    plainCaption("&Load New Files\t^L", sz, sizeof sz);
    EXPECT_STREQ(sz, "Load New Files");
    plainCaption("Integrate Distribution \t^I", sz, sizeof sz);
    EXPECT_STREQ(sz, "Integrate Distribution");
    EXPECT_EQ(modelCommandOfCaption("continuous c(s) distribution"), 275u);
    EXPECT_EQ(modelCommandOfCaption("c(M) With Invariant D"), 277u);  // the caption's trailing blank
    EXPECT_EQ(modelCommandOfCaption("Load New Files"), 0u);            // not a model
}

TEST(CommandTable, MenuBarHasEveryItemAndGraysUnbuiltCommands)
{
    HMENU bar = buildCommandMenu(MENU_MAIN, enabledOnly518);
    int n = 0;
    const CommandInfo* table = commandTable(&n);
    auto mainItem = [](const CommandInfo& c) { return !(c.nFlags & (CMD_NO_ITEM | CMD_RUNTIME | CMD_TOSE)); };
    for (int k = 0; k < n; ++k) {
        const CommandInfo& c = table[k];
        UINT state = GetMenuState(bar, c.nId, MF_BYCOMMAND);
        // an item of the main menu, here or through its other entry
        bool bItem = mainItem(c);
        for (int j = 0; j < n; ++j) bItem = bItem || (table[j].nId == c.nId && mainItem(table[j]));
        if (!bItem) {
            EXPECT_EQ(state, 0xFFFFFFFFu) << "no item expected for " << c.nId;
            continue;
        }
        ASSERT_NE(state, 0xFFFFFFFFu) << "no item for " << c.nId;
        EXPECT_EQ((state & MF_GRAYED) != 0, c.nId != 518) << c.nId;
        EXPECT_EQ(state & MF_CHECKED, 0u);
    }
    // captions as the menus show them, the bar in its order
    EXPECT_EQ(itemText(bar, 200), "&Load New Files\t^L");
    EXPECT_EQ(itemText(bar, 204), "Copy &Fit Parameters");
    char sz[100];
    const char* bar0[] = {"&Data", "Model", "&Parameters", "&Run", "&Fit", "&Generate", "&Options",
                          "Display", "Copy", "Statistics", "Plot", "&Help"};
    ASSERT_EQ(GetMenuItemCount(bar), 12);
    for (int k = 0; k < 12; ++k) {
        GetMenuString(bar, k, sz, sizeof sz, MF_BYPOSITION);
        EXPECT_STREQ(sz, bar0[k]);
    }
    // "Special" is a submenu of Model; 266 lives there
    HMENU model = GetSubMenu(bar, 1);
    bool bSpecial = false;
    for (int k = 0; k < GetMenuItemCount(model); ++k) {
        GetMenuString(model, k, sz, sizeof sz, MF_BYPOSITION);
        if (std::string(sz) == "Special") {
            bSpecial = true;
            EXPECT_EQ(GetMenuItemID(GetSubMenu(model, k), 0), 266u);
        }
    }
    EXPECT_TRUE(bSpecial);
    // commands offered in two menus stand in both
    auto inPopup = [&](HMENU m, const char* szPath, unsigned id) {
        for (const char* p = szPath; m;) {
            const char* cut = std::strchr(p, '>');
            std::string name(p, cut ? cut - p : std::strlen(p));
            HMENU next = nullptr;
            for (int k = 0; k < GetMenuItemCount(m) && !next; ++k) {
                GetMenuString(m, k, sz, sizeof sz, MF_BYPOSITION);
                if (name == sz) next = GetSubMenu(m, k);
            }
            m = next;
            if (!cut) break;
            p = cut + 1;
        }
        for (int k = 0; m && k < GetMenuItemCount(m); ++k)
            if (GetMenuItemID(m, k) == id) return true;
        return false;
    };
    EXPECT_TRUE(inPopup(bar, "Statistics", 272));
    EXPECT_TRUE(inPopup(bar, "&Options>Calculator", 272));
    EXPECT_TRUE(inPopup(bar, "&Options>Fitting Options", 904));
    EXPECT_TRUE(inPopup(bar, "&Options>Fluorescence Tools", 923));
    EXPECT_TRUE(inPopup(bar, "&Options>Equilibrium Tools", 928));
    EXPECT_TRUE(inPopup(bar, "&Options>Loading Options and Tools>Gravitational Sweep Tools", 928));
    // the time-to-equilibrium simulator under the equilibrium tools, without
    // the accelerators of its own menu (the main window's Ctrl+L, R, G stay)
    for (unsigned id : {929u, 940u, 941u, 936u, 933u, 938u, 934u, 932u, 935u})
        EXPECT_TRUE(inPopup(bar, "&Options>Equilibrium Tools>Time to Equilibrium Simulator", id)) << id;
    EXPECT_EQ(itemText(bar, 934), "Run speed profile");
    int nMain = 0;
    const AcceleratorEntry* acc = acceleratorTable(MENU_MAIN, &nMain);
    for (int k = 0; k < nMain; ++k)
        for (unsigned id : {929u, 934u, 935u}) EXPECT_NE(acc[k].nId, id);
    DestroyMenu(bar);

    // the variants: 886 leaves the M* menu; the ls-g* menu renames 949 and
    // moves 947 into the Data menu
    HMENU mstar = buildCommandMenu(MENU_MSTAR, nullptr);
    EXPECT_EQ(GetMenuState(mstar, 886, MF_BYCOMMAND), 0xFFFFFFFFu);
    EXPECT_EQ(itemText(mstar, 287), "Remove Integral Fringe Jumps (within one scan)");
    DestroyMenu(mstar);
    HMENU lsg = buildCommandMenu(MENU_LSGRAMP, nullptr);
    EXPECT_EQ(itemText(lsg, 949), "Auto Load and Correct Raw Data");
    HMENU data = GetSubMenu(lsg, 0);
    bool b947 = false;
    for (int k = 0; k < GetMenuItemCount(data); ++k) b947 = b947 || GetMenuItemID(data, k) == 947u;
    EXPECT_TRUE(b947);
    DestroyMenu(lsg);
    HMENU tose = buildCommandMenu(MENU_TOSE, nullptr);
    EXPECT_NE(GetMenuState(tose, 934, MF_BYCOMMAND), 0xFFFFFFFFu);
    EXPECT_EQ(GetMenuState(tose, 200, MF_BYCOMMAND), 0xFFFFFFFFu);
    DestroyMenu(tose);
}

TEST(ScanColours, RainbowPaletteAndTimeOrder)
{
    EXPECT_EQ(colorFromFraction(0, 10), RGB(0, 0, 255));
    EXPECT_EQ(colorFromFraction(2, 10), RGB(0, 255, 255));
    EXPECT_EQ(colorFromFraction(4, 10), RGB(0, 255, 0));
    EXPECT_EQ(colorFromFraction(9, 10), RGB(255, 0, 0));
    EXPECT_EQ(colorFromFraction(10, 10), RGB(128, 0, 0));
    EXPECT_EQ(colorFromFraction(1, 4), RGB(0, 255, 191));   // a quarter of the way from cyan to green
    EXPECT_EQ(colorFromFraction(20, 10), RGB(128, 0, 0));   // held to the scale
    EXPECT_EQ(colorFromFraction(10.5f, 10), RGB(128, 0, 0)); // also just above its end
    EXPECT_EQ(colorFromFraction(11, 10), RGB(128, 0, 0));
    EXPECT_EQ(colorFromFraction(-1, 10), RGB(0, 0, 255));
    EXPECT_EQ(colorFromFraction(1, 0), RGB(0, 0, 255));     // no division by zero

    int nOld = nScans;
    int* pOldOrder = pScanTimeOrder;
    unsigned char bOldFlag = bScanColorFromTime;
    nScans = 30;
    int order[31];
    for (int k = 1; k <= 30; ++k) order[k] = 31 - k;  // scan 30 was taken first
    pScanTimeOrder = order;
    bScanColorFromTime = 0;
    EXPECT_EQ(scanColor(0), RGB(0, 0, 0));
    EXPECT_EQ(scanColor(31), RGB(0, 0, 0));
    // the documented palette (docs/app.md) for scans 1-14, then round after
    // round of it, each 0.7 times as bright as the one before, never below 0.3
    const COLORREF documented[14] = {RGB(0, 0, 255),   RGB(255, 0, 0),   RGB(0, 160, 0),   RGB(255, 0, 255),
                                     RGB(0, 190, 190), RGB(255, 128, 0), RGB(128, 0, 255), RGB(128, 128, 0),
                                     RGB(0, 128, 255), RGB(192, 0, 96),  RGB(96, 96, 96),  RGB(0, 200, 100),
                                     RGB(160, 80, 0),  RGB(255, 96, 160)};
    nScans = 70;
    for (int i = 1; i <= 70; ++i) {
        const COLORREF c = documented[(i - 1) % 14];
        const double dShade = std::max(std::pow(0.7, (i - 1) / 14), 0.3);
        const COLORREF got = scanColor(i);
        if (i <= 14) {
            EXPECT_EQ(got, c) << "scan " << i;  // the first round as written down
        }
        EXPECT_NEAR(GetRValue(got), GetRValue(c) * dShade, 1.0) << "scan " << i;
        EXPECT_NEAR(GetGValue(got), GetGValue(c) * dShade, 1.0) << "scan " << i;
        EXPECT_NEAR(GetBValue(got), GetBValue(c) * dShade, 1.0) << "scan " << i;
    }
    nScans = 30;
    bScanColorFromTime = 1;
    EXPECT_EQ(scanColor(30), RGB(0, 0, 255));   // earliest
    EXPECT_EQ(scanColor(1), RGB(128, 0, 0));    // latest
    nScans = nOld;
    pScanTimeOrder = pOldOrder;
    bScanColorFromTime = bOldFlag;
}

TEST(ScanColours, PixelsToPerMille)
{
    EXPECT_FLOAT_EQ(pixelToPerMilleX(700, 700.0f), 1400.0f);
    EXPECT_FLOAT_EQ(pixelToPerMilleX(350, 700.0f), 700.0f);
    EXPECT_FLOAT_EQ(pixelToPerMilleY(500, 1000.0f), 500.0f);
    EXPECT_FLOAT_EQ(pixelToPerMilleY(240, 480.0f), 500.0f);
    EXPECT_FLOAT_EQ(pixelToPerMilleX(10, 0.0f), 0.0f);  // before the first paint
}

TEST(CommandTable, HelpPageHasAnAnchorForEveryCommand)
{
    std::FILE* f = std::fopen(MORVEX_SOURCE_DIR "/docs/help.html", "rb");
    ASSERT_TRUE(f);
    std::string page;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) page.append(buf, n);
    std::fclose(f);
    int count = 0;
    const CommandInfo* table = commandTable(&count);
    for (int k = 0; k < count; ++k)
        EXPECT_NE(page.find("id=\"command-" + std::to_string(table[k].nId) + "\""), std::string::npos)
            << table[k].nId;
    // the two help contexts of the parameter dialogs
    EXPECT_NE(page.find("id=\"context-320\""), std::string::npos);
    EXPECT_NE(page.find("id=\"context-321\""), std::string::npos);
}
