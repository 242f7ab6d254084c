#include "resources/menu_table.h"

#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace win;

namespace {

std::string lower(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool keyOf(const std::string& name, WORD* key)
{
    std::string k = lower(name);
    if (k.size() == 1) {
        char c = k[0];
        if (c >= 'a' && c <= 'z') { *key = WORD(c - 'a' + 'A'); return true; }
        if (c >= '0' && c <= '9') { *key = WORD(c); return true; }
        if (c == '+') { *key = WORD(VK_ADD); return true; }
        if (c == '-') { *key = WORD(VK_SUBTRACT); return true; }
        return false;
    }
    if (k[0] == 'f' && k.size() <= 3 && std::isdigit(static_cast<unsigned char>(k[1]))) {
        int n = std::atoi(k.c_str() + 1);
        if (n < 1 || n > 12) return false;
        *key = WORD(VK_F1 + n - 1);
        return true;
    }
    static const std::map<std::string, UINT> names = {
        {"del", VK_DELETE},  {"delete", VK_DELETE}, {"ins", VK_INSERT},  {"insert", VK_INSERT},
        {"esc", VK_ESCAPE},  {"escape", VK_ESCAPE}, {"enter", VK_RETURN}, {"return", VK_RETURN},
        {"space", VK_SPACE}, {"tab", VK_TAB},       {"back", VK_BACK},   {"backspace", VK_BACK},
        {"home", VK_HOME},   {"end", VK_END},       {"pgup", VK_PRIOR},  {"pgdn", VK_NEXT},
        {"left", VK_LEFT},   {"right", VK_RIGHT},   {"up", VK_UP},       {"down", VK_DOWN}};
    auto it = names.find(k);
    if (it == names.end()) return false;
    *key = WORD(it->second);
    return true;
}

std::vector<std::string> splitPath(const char* szPath)
{
    std::vector<std::string> parts;
    if (!szPath) return parts;
    std::string p = szPath;
    size_t start = 0;
    for (;;) {
        size_t sep = p.find(" > ", start);
        std::string part = p.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        if (!part.empty()) parts.push_back(part);
        if (sep == std::string::npos) break;
        start = sep + 3;
    }
    return parts;
}

// The submenu of menu called name, made at the end when missing.
HMENU submenu(HMENU menu, const std::string& name)
{
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; i++) {
        HMENU sub = GetSubMenu(menu, i);
        if (!sub) continue;
        char buf[512];
        GetMenuString(menu, UINT(i), buf, sizeof buf, MF_BYPOSITION);
        if (name == buf) return sub;
    }
    HMENU sub = CreatePopupMenu();
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), name.c_str());
    return sub;
}

}  // namespace

bool parseAccelerator(const char* szText, UINT nCommand, ACCEL* pAccel)
{
    if (!szText || !*szText || !pAccel) return false;
    std::string t = szText;
    BYTE mods = FVIRTKEY;
    // "Ctrl++" ends in the key "+": split only at a "+" that has text after it.
    size_t start = 0;
    for (;;) {
        size_t plus = t.find('+', start + 1);
        if (plus == std::string::npos || plus + 1 >= t.size()) break;
        std::string mod = lower(t.substr(start, plus - start));
        if (mod == "ctrl" || mod == "control")
            mods |= FCONTROL;
        else if (mod == "shift")
            mods |= FSHIFT;
        else if (mod == "alt")
            mods |= FALT;
        else
            return false;
        start = plus + 1;
    }
    WORD key = 0;
    if (!keyOf(t.substr(start), &key)) return false;
    *pAccel = ACCEL{mods, key, WORD(nCommand)};
    return true;
}

bool buildMenuFromTable(const MenuTableEntry* pTable, size_t nEntries, unsigned nVariant, HMENU* phMenu,
                        HACCEL* phAccel)
{
    std::vector<ACCEL> accels;
    for (size_t i = 0; i < nEntries; i++) {
        const MenuTableEntry& e = pTable[i];
        if (!(e.nVariants & nVariant) || !e.szAccelerator || !*e.szAccelerator) continue;
        ACCEL a;
        if (!parseAccelerator(e.szAccelerator, e.nCommand, &a)) return false;
        for (const ACCEL& b : accels)
            if (b.key == a.key && b.fVirt == a.fVirt && b.cmd != a.cmd) return false;
        accels.push_back(a);
    }
    if (phMenu) {
        HMENU bar = CreateMenu();
        for (size_t i = 0; i < nEntries; i++) {
            const MenuTableEntry& e = pTable[i];
            if (!(e.nVariants & nVariant) || !e.szCaption) continue;
            HMENU menu = bar;
            for (const std::string& part : splitPath(e.szPath)) menu = submenu(menu, part);
            if (std::strcmp(e.szCaption, "-") == 0)
                AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenu(menu, MF_STRING | (e.nState & (MF_CHECKED | MF_GRAYED | MF_DISABLED)), e.nCommand,
                           e.szCaption);
        }
        *phMenu = bar;
    }
    if (phAccel) *phAccel = accels.empty() ? nullptr : CreateAcceleratorTable(accels.data(), int(accels.size()));
    return true;
}
