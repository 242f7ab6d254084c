// The menu and accelerator table format, and the builder that makes the
// window layer's menu bar and accelerator table from it.
//
// One entry per menu item (or per accelerator without an item):
//
//   {200, "&Data", "&Load New Files\t^L", "Ctrl+L", MENU_ANY, 0},
//   {252, "&Data > Save S&ystematic Noise", "save Noise in file", nullptr, MENU_MAIN, 0},
//   {213, "", "&Run", "Ctrl+R", MENU_ANY, 0},               // an item on the bar itself
//   {0, "&Data", "-", nullptr, MENU_ANY, 0},                  // a separator
//   {901, nullptr, nullptr, "Ctrl+G", MENU_ANY, 0},          // an accelerator without an item
//
// Menus appear in the order their first entry has in the table, items in
// table order. An item that reads differently in two variants has one entry
// per variant.
#pragma once

#include <cstddef>

#include "platform/win.h"

// Menu variants (bit mask of an entry's nVariants)
enum : unsigned {
    MENU_MAIN = 0x1,
    MENU_MSTAR = 0x2,
    MENU_LSGRAMP = 0x4,
    MENU_TOSE = 0x8,
    MENU_ANY = 0xFFFFFFFFu
};

struct MenuTableEntry {
    win::UINT nCommand;           // command id (0 for a separator)
    const char* szPath;           // submenus from the bar down, " > " between them; "" = on the bar
    const char* szCaption;        // with & before the mnemonic; "-" = separator; null = no item
    const char* szAccelerator;    // "Ctrl+L", "Alt+I", "Shift+F5", "F1", "Del", ...; null = none
    unsigned nVariants;           // MENU_* of the variants that have the entry
    win::UINT nState;             // MF_CHECKED, MF_GRAYED at start
};

// Reads an accelerator text: modifiers "Ctrl+", "Shift+", "Alt+" (any
// order, any case) and one key: a letter, a digit, F1..F12, Del, Ins, Esc,
// Enter, Space, Tab, Back, Home, End, PgUp, PgDn, Left, Right, Up, Down,
// "+", "-" (keypad Add, Subtract). False for anything else.
bool parseAccelerator(const char* szText, win::UINT nCommand, win::ACCEL* pAccel);

// Builds the menu bar and the accelerator table of one variant. Either
// output may be null when not wanted; *phAccel is null when the variant has
// no accelerators. False (and nothing made) when an accelerator text cannot
// be read or two entries of the variant give the same key.
bool buildMenuFromTable(const MenuTableEntry* pTable, size_t nEntries, unsigned nVariant, win::HMENU* phMenu,
                        win::HACCEL* phAccel);
