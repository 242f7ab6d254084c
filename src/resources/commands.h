// The command table: every menu command of the main window with its menu
// path, caption, accelerator and kind, the menu variants and the main
// accelerator table. The menu bar is built from it (buildCommandMenu).
#pragma once

#include "platform/win.h"

// Kinds of commands (CommandInfo::nFlags)
inline constexpr unsigned CMD_CHECK = 0x01;       // the item carries a check mark
inline constexpr unsigned CMD_NO_ITEM = 0x02;     // a command without menu item
inline constexpr unsigned CMD_RUNTIME = 0x04;     // inserted and removed while the program runs
inline constexpr unsigned CMD_TOSE = 0x08;        // only in the time-to-equilibrium menu
inline constexpr unsigned CMD_SEPARATOR = 0x10;   // a separator before the item
inline constexpr unsigned CMD_NO_HELP = 0x20;     // no help prologue (Run, Fit, 533, 949, the raw-data transformations)
inline constexpr unsigned CMD_MODEL = 0x40;       // a Model-menu model choice
inline constexpr unsigned CMD_TOPLEVEL = 0x80;    // an item of the menu bar itself
inline constexpr unsigned CMD_ALSO = 0x100;       // the second item of a command (findCommand gives the other)
inline constexpr unsigned CMD_OWN_HELP = 0x200;   // the handler answers a help request itself (a help context of its own)

// Menu variants
enum MenuVariant { MENU_MAIN = 0, MENU_MSTAR = 1, MENU_LSGRAMP = 2, MENU_TOSE = 3 };

struct CommandInfo {
    unsigned nId;
    // Popups from the menu bar down, separated by '>' ("&Options>Calculator");
    // empty for a command without item or an item of the bar itself.
    const char* szMenu;
    // The item's text; "\t" and the accelerator's text follow the caption.
    const char* szCaption;
    unsigned nFlags;
    const char* szHandler;  // TXLAWindow member, or "" where it has no name
};

// Commands whose place or caption differ in a menu variant; a null menu
// leaves the command out of that variant.
struct CommandVariant {
    MenuVariant variant;
    unsigned nId;
    const char* szMenu;
    const char* szCaption;
};

// Accelerators: virtual key with Ctrl or Alt.
inline constexpr unsigned char ACC_CONTROL = 0x08;
inline constexpr unsigned char ACC_ALT = 0x10;
struct AcceleratorEntry {
    unsigned char fModifiers;
    win::UINT nKey;
    unsigned nId;
};

// Ids of commands that no numbered id names elsewhere.
inline constexpr unsigned CM_EXIT = 1200;
inline constexpr unsigned CM_PRINT = 1201;
inline constexpr unsigned CM_SIMPLEX = 1202;
inline constexpr unsigned CM_SIMULATED_ANNEALING = 1203;
inline constexpr unsigned CM_MARQUARDT_LEVENBERG = 1204;
inline constexpr unsigned CM_HOW_TO_GET_HELP = 1207;
inline constexpr unsigned CM_PREFERENCES = 1208;
inline constexpr unsigned CM_FLAG_STRONG_GRADIENTS = 1209;
inline constexpr unsigned CM_WIZARD_MESSAGES = 1210;
inline constexpr unsigned CM_MULTIPLE_THREADS = 1211;
inline constexpr unsigned CM_SCAN_COLOR_FROM_TIME = 1212;
inline constexpr unsigned CM_SHOW_RESIDUALS_BITMAP = 1213;
inline constexpr unsigned CM_OLD_FILENAME_CONVENTION = 1214;
inline constexpr unsigned CM_ALWAYS_LOAD_G2 = 1215;

const CommandInfo* commandTable(int* pnCount);
const CommandInfo* findCommand(unsigned nId);
const CommandVariant* commandVariants(int* pnCount);
const AcceleratorEntry* acceleratorTable(MenuVariant variant, int* pnCount);

// The caption as the item shows it, without "&" and without the
// accelerator text.
void plainCaption(const char* szCaption, char* szOut, int nSize);
// The Model-menu command whose plain caption is the text (case-insensitive);
// 0 when none.
unsigned modelCommandOfCaption(const char* szCaption);

// Builds the menu bar of a variant with every command that has an item
// there, except the run-time items. Items are enabled as pfnEnabled tells
// (null: all enabled). The caller owns the menu.
win::HMENU buildCommandMenu(MenuVariant variant, bool (*pfnEnabled)(unsigned nId));
