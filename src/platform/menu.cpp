// Menus as data. The screen backend shows them; headless they are only data,
// and every change to a window's menu goes into the transcript.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/internal.h"

namespace win {
namespace detail {

namespace {

struct Menu;
struct MenuItem {
    UINT id = 0;
    UINT flags = 0;  // MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_SEPARATOR, MF_POPUP, breaks
    std::string text;
    Menu* popup = nullptr;
};
struct Menu {
    std::vector<MenuItem> items;
    Menu* parent = nullptr;
    HWND hwnd = nullptr;  // the window whose menu bar this is
    bool bar = false;
};

std::recursive_mutex gMenuLock;
std::unordered_set<Menu*>& liveMenus()
{
    static std::unordered_set<Menu*> s;
    return s;
}

Menu* menuOf(HMENU h)
{
    auto* m = reinterpret_cast<Menu*>(h);
    return m && liveMenus().count(m) ? m : nullptr;
}

HMENU handle(Menu* m)
{
    return reinterpret_cast<HMENU>(m);
}

HWND ownerWindow(Menu* m)
{
    while (m && m->parent) m = m->parent;
    return m ? m->hwnd : nullptr;
}

void destroy(Menu* m)
{
    if (!m) return;
    for (MenuItem& it : m->items) destroy(it.popup);
    liveMenus().erase(m);
    delete m;
}

// The item addressed by command id (searching submenus) or by position.
bool find(Menu* m, UINT pos, UINT flags, Menu** owner, size_t* index)
{
    if (flags & MF_BYPOSITION) {
        if (pos >= m->items.size()) return false;
        *owner = m;
        *index = pos;
        return true;
    }
    for (size_t i = 0; i < m->items.size(); i++) {
        MenuItem& it = m->items[i];
        if (!it.popup && !(it.flags & MF_SEPARATOR) && it.id == pos) {
            *owner = m;
            *index = i;
            return true;
        }
        if (it.popup && find(it.popup, pos, flags, owner, index)) return true;
    }
    return false;
}

std::string itemName(const MenuItem& it)
{
    return (it.popup ? std::string("popup") : std::to_string(it.id)) + " " + headless::quote(it.text);
}

void changed(Menu* m, const std::string& what)
{
    HWND h = ownerWindow(m);
    if (!h) return;
    headless::transcribe("Menu " + what);
    backend().menuChanged(h);
}

MenuItem makeItem(UINT flags, UINT_PTR id, LPCSTR text)
{
    MenuItem it;
    it.flags = flags & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK);
    if (flags & MF_POPUP) {
        it.popup = menuOf(reinterpret_cast<HMENU>(id));
        it.flags |= MF_POPUP;
    } else {
        it.id = UINT(id);
    }
    if (text && !(flags & MF_SEPARATOR)) it.text = text;
    return it;
}

}  // namespace

void destroyAllMenusOf(HWND h)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    std::vector<Menu*> bars;
    for (Menu* m : liveMenus())
        if (m->hwnd == h) bars.push_back(m);
    for (Menu* m : bars) destroy(m);
}

}  // namespace detail

using namespace detail;

HMENU CreateMenu()
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    auto* m = new Menu;
    m->bar = true;
    liveMenus().insert(m);
    return handle(m);
}

HMENU CreatePopupMenu()
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    auto* m = new Menu;
    liveMenus().insert(m);
    return handle(m);
}

BOOL DestroyMenu(HMENU hMenu)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    if (!m) return FALSE;
    if (m->parent) {
        auto& v = m->parent->items;
        v.erase(std::remove_if(v.begin(), v.end(), [m](const MenuItem& it) { return it.popup == m; }), v.end());
    }
    destroy(m);
    return TRUE;
}

BOOL AppendMenu(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    if (!m) return FALSE;
    MenuItem it = makeItem(uFlags, uIDNewItem, lpNewItem);
    if ((uFlags & MF_POPUP) && (!it.popup || it.popup->parent)) return FALSE;
    if (it.popup) it.popup->parent = m;
    m->items.push_back(it);
    changed(m, "insert " + itemName(it));
    return TRUE;
}

BOOL InsertMenu(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    if (!m) return FALSE;
    MenuItem it = makeItem(uFlags, uIDNewItem, lpNewItem);
    if ((uFlags & MF_POPUP) && (!it.popup || it.popup->parent)) return FALSE;
    Menu* target = m;
    size_t index = m->items.size();
    if (uFlags & MF_BYPOSITION) {
        index = std::min<size_t>(uPosition, m->items.size());
    } else if (!find(m, uPosition, MF_BYCOMMAND, &target, &index)) {
        target = m;
        index = m->items.size();
    }
    if (it.popup) it.popup->parent = target;
    target->items.insert(target->items.begin() + long(index), it);
    changed(target, "insert " + itemName(it));
    return TRUE;
}

namespace {
BOOL takeOut(HMENU hMenu, UINT uPosition, UINT uFlags, bool destroyPopup)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    Menu* owner = nullptr;
    size_t index = 0;
    if (!m || !find(m, uPosition, uFlags, &owner, &index)) return FALSE;
    MenuItem it = owner->items[index];
    owner->items.erase(owner->items.begin() + long(index));
    changed(owner, std::string(destroyPopup ? "delete " : "remove ") + itemName(it));
    if (it.popup) {
        it.popup->parent = nullptr;
        if (destroyPopup) destroy(it.popup);
    }
    return TRUE;
}
}  // namespace

BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags)
{
    return takeOut(hMenu, uPosition, uFlags, false);
}

BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags)
{
    return takeOut(hMenu, uPosition, uFlags, true);
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    Menu* owner = nullptr;
    size_t index = 0;
    if (!m || !find(m, uIDCheckItem, uCheck, &owner, &index)) return 0xFFFFFFFFu;
    MenuItem& it = owner->items[index];
    DWORD prev = it.flags & MF_CHECKED;
    UINT now = uCheck & MF_CHECKED;
    if (prev != now) {
        it.flags = (it.flags & ~MF_CHECKED) | now;
        changed(owner, "check " + itemName(it) + (now ? " MF_CHECKED" : " MF_UNCHECKED"));
    }
    return prev;
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    Menu* owner = nullptr;
    size_t index = 0;
    if (!m || !find(m, uIDEnableItem, uEnable, &owner, &index)) return -1;
    MenuItem& it = owner->items[index];
    UINT prev = it.flags & (MF_GRAYED | MF_DISABLED);
    UINT now = uEnable & (MF_GRAYED | MF_DISABLED);
    if (prev != now) {
        it.flags = (it.flags & ~(MF_GRAYED | MF_DISABLED)) | now;
        const char* name = now & MF_GRAYED ? " MF_GRAYED" : now ? " MF_DISABLED" : " MF_ENABLED";
        changed(owner, "enable " + itemName(it) + name);
    }
    return BOOL(prev);
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    Menu* owner = nullptr;
    size_t index = 0;
    if (!m || !find(m, uId, uFlags, &owner, &index)) return 0xFFFFFFFFu;
    const MenuItem& it = owner->items[index];
    if (it.popup) return (UINT(it.popup->items.size()) << 8) | (it.flags & 0xFF) | MF_POPUP;
    return it.flags;
}

int GetMenuItemCount(HMENU hMenu)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    return m ? int(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU hMenu, int nPos)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    if (!m || nPos < 0 || size_t(nPos) >= m->items.size() || m->items[size_t(nPos)].popup) return 0xFFFFFFFFu;
    return m->items[size_t(nPos)].id;
}

HMENU GetSubMenu(HMENU hMenu, int nPos)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    if (!m || nPos < 0 || size_t(nPos) >= m->items.size()) return nullptr;
    return handle(m->items[size_t(nPos)].popup);
}

int GetMenuString(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags)
{
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    Menu* owner = nullptr;
    size_t index = 0;
    if (!m || !find(m, uIDItem, flags, &owner, &index)) return 0;
    const std::string& t = owner->items[index].text;
    if (!lpString || cchMax <= 0) return int(t.size());
    size_t n = std::min(t.size(), size_t(cchMax - 1));
    std::memcpy(lpString, t.data(), n);
    lpString[n] = 0;
    return int(n);
}

HMENU GetMenu(HWND hWnd)
{
    WindowData* w = windowData(hWnd);
    return w ? w->menu : nullptr;
}

BOOL SetMenu(HWND hWnd, HMENU hMenu)
{
    WindowData* w = windowData(hWnd);
    if (!w) return FALSE;
    std::lock_guard<std::recursive_mutex> g(gMenuLock);
    Menu* m = menuOf(hMenu);
    if (hMenu && !m) return FALSE;
    if (Menu* old = menuOf(w->menu)) old->hwnd = nullptr;
    if (m) m->hwnd = hWnd;
    w->menu = hMenu;
    backend().menuChanged(hWnd);
    return TRUE;
}

BOOL DrawMenuBar(HWND hWnd)
{
    if (!windowData(hWnd)) return FALSE;
    backend().menuChanged(hWnd);
    return TRUE;
}

}  // namespace win
