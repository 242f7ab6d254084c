// GDI objects, the device-context functions and their mapping; no Qt here.
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/internal.h"

namespace win {
namespace detail {

namespace {

std::mutex gObjectsLock;
std::unordered_set<GdiObject*>& liveObjects()
{
    static std::unordered_set<GdiObject*> s;
    return s;
}
std::unordered_set<DeviceContext*>& liveDCs()
{
    static std::unordered_set<DeviceContext*> s;
    return s;
}

// A plot records every point through several calls on one context, each of
// which checks its handle. Each thread keeps the last context it found live,
// with the count of contexts released at that moment: while no context has
// been released since, the same handle is still live without the lookup.
std::atomic<unsigned long> gReleasedDCs{0};
thread_local DeviceContext* tLastLiveDC = nullptr;
thread_local unsigned long tReleasedAtLastLiveDC = 0;

}  // namespace

GdiObject* newGdiObject(ObjKind k)
{
    auto* o = new GdiObject;
    o->kind = k;
    std::lock_guard<std::mutex> g(gObjectsLock);
    liveObjects().insert(o);
    return o;
}

namespace {
GdiObject* makeObject(ObjKind k)
{
    return newGdiObject(k);
}

LOGFONTA makeFont(int h, int esc, int weight, BYTE family)
{
    LOGFONTA f{};
    f.lfHeight = h;
    f.lfEscapement = esc;
    f.lfOrientation = esc;
    f.lfWeight = weight;
    f.lfPitchAndFamily = family;
    return f;
}

GdiObject* stockObject(int i)
{
    static GdiObject* table[18] = {};
    static std::once_flag once;
    std::call_once(once, [] {
        auto brush = [](COLORREF c, UINT style) {
            GdiObject* o = makeObject(ObjKind::Brush);
            o->stock = true;
            o->brush = {style, c};
            return o;
        };
        auto pen = [](COLORREF c, int style) {
            GdiObject* o = makeObject(ObjKind::Pen);
            o->stock = true;
            o->pen = {style, 0, c};
            return o;
        };
        auto font = [](const LOGFONTA& f) {
            GdiObject* o = makeObject(ObjKind::Font);
            o->stock = true;
            o->font = f;
            return o;
        };
        table[WHITE_BRUSH] = brush(0xFFFFFF, BS_SOLID);
        table[LTGRAY_BRUSH] = brush(0xC0C0C0, BS_SOLID);
        table[GRAY_BRUSH] = brush(0x808080, BS_SOLID);
        table[DKGRAY_BRUSH] = brush(0x404040, BS_SOLID);
        table[BLACK_BRUSH] = brush(0x000000, BS_SOLID);
        table[NULL_BRUSH] = brush(0x000000, BS_NULL);
        table[WHITE_PEN] = pen(0xFFFFFF, PS_SOLID);
        table[BLACK_PEN] = pen(0x000000, PS_SOLID);
        table[NULL_PEN] = pen(0x000000, PS_NULL);
        table[ANSI_FIXED_FONT] = font(makeFont(12, 0, FW_NORMAL, FIXED_PITCH | FF_MODERN));
        table[ANSI_VAR_FONT] = font(makeFont(12, 0, FW_NORMAL, VARIABLE_PITCH | FF_SWISS));
        table[SYSTEM_FONT] = font(defaultFont());
        table[DEFAULT_GUI_FONT] = font(makeFont(13, 0, FW_NORMAL, VARIABLE_PITCH | FF_SWISS));
    });
    if (i < 0 || i >= 18) return nullptr;
    return table[i];
}

}  // namespace

LOGFONTA defaultFont()
{
    return makeFont(16, 0, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
}

GdiObject* gdiObject(HGDIOBJ h)
{
    if (!h) return nullptr;
    stockObject(0);
    auto* o = static_cast<GdiObject*>(h);
    std::lock_guard<std::mutex> g(gObjectsLock);
    return liveObjects().count(o) ? o : nullptr;
}

namespace {
[[gnu::noinline]] DeviceContext* lookUpDC(DeviceContext* dc, unsigned long nReleased)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    if (!liveDCs().count(dc)) return nullptr;
    tLastLiveDC = dc;
    tReleasedAtLastLiveDC = nReleased;
    return dc;
}

// (inline here: the drawing calls below take it at every point of a plot)
inline DeviceContext* liveDC(HDC h)
{
    if (!h) return nullptr;
    auto* dc = reinterpret_cast<DeviceContext*>(h);
    // read before the lookup: a release during it changes the count
    const unsigned long nReleased = gReleasedDCs.load(std::memory_order_acquire);
    if (dc == tLastLiveDC && nReleased == tReleasedAtLastLiveDC) [[likely]]
        return dc;
    return lookUpDC(dc, nReleased);
}
}  // namespace

DeviceContext* deviceContext(HDC h) { return liveDC(h); }

HDC handleOf(DeviceContext* dc)
{
    return reinterpret_cast<HDC>(dc);
}

void registerDC(DeviceContext* dc)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    liveDCs().insert(dc);
}

void unregisterDC(DeviceContext* dc)
{
    std::lock_guard<std::mutex> g(gObjectsLock);
    liveDCs().erase(dc);
    gReleasedDCs.fetch_add(1, std::memory_order_acq_rel);
}

// ------------------------------------------------------------ DeviceContext

DeviceContext::DeviceContext()
{
    st.hPen = stockObject(BLACK_PEN);
    st.hBrush = stockObject(WHITE_BRUSH);
    st.hFont = stockObject(SYSTEM_FONT);
}

namespace {
// the attributes have at most four numbers
MetaRec rec(MetaOp op, std::initializer_list<int> v)
{
    MetaRec r{op, {0, 0, 0, 0}};
    int i = 0;
    for (int x : v) r.v[i++] = x;
    return r;
}
bool scalable(int mode)
{
    return mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC;
}
}  // namespace

void DeviceContext::setMapMode(int m)
{
    if (m < MM_TEXT || m > MM_ANISOTROPIC) return;
    st.mapMode = m;
    if (m == MM_TEXT) {
        st.winExt = {1, 1};
        st.vpExt = {1, 1};
    }
    note(rec(MetaOp::SetMapMode, {m}));
}

void DeviceContext::setWindowExt(int x, int y)
{
    if (isRecording() || scalable(st.mapMode)) {
        if (x != 0 && y != 0) st.winExt = {x, y};
    }
    note(rec(MetaOp::SetWindowExt, {x, y}));
}

void DeviceContext::setViewportExt(int x, int y)
{
    if (isRecording() || scalable(st.mapMode)) {
        if (x != 0 && y != 0) st.vpExt = {x, y};
    }
    note(rec(MetaOp::SetViewportExt, {x, y}));
}

void DeviceContext::setWindowOrg(int x, int y)
{
    st.winOrg = {x, y};
    note(rec(MetaOp::SetWindowOrg, {x, y}));
}

void DeviceContext::setViewportOrg(int x, int y)
{
    st.vpOrg = {x, y};
    note(rec(MetaOp::SetViewportOrg, {x, y}));
}

void DeviceContext::selectPen(HGDIOBJ h, const PenDesc& p)
{
    st.hPen = h;
    st.pen = p;
    note(rec(MetaOp::SelectPen, {p.style, p.width, int(p.color)}));
}

void DeviceContext::selectBrush(HGDIOBJ h, const BrushDesc& b)
{
    st.hBrush = h;
    st.brush = b;
    note(rec(MetaOp::SelectBrush, {int(b.style), int(b.color)}));
}

void DeviceContext::selectFont(HGDIOBJ h, const LOGFONTA& f)
{
    st.hFont = h;
    st.font = f;
    note(rec(MetaOp::SelectFont, {}), nullptr, &f);
}

void DeviceContext::setTextAlign(UINT a)
{
    st.textAlign = a;
    note(rec(MetaOp::SetTextAlign, {int(a)}));
}

void DeviceContext::setTextColor(COLORREF c)
{
    st.textColor = c;
    note(rec(MetaOp::SetTextColor, {int(c)}));
}

void DeviceContext::setBkColor(COLORREF c)
{
    st.bkColor = c;
    note(rec(MetaOp::SetBkColor, {int(c)}));
}

void DeviceContext::setBkMode(int m)
{
    st.bkMode = m;
    note(rec(MetaOp::SetBkMode, {m}));
}

void DeviceContext::setROP2(int r)
{
    st.rop2 = r;
    note(rec(MetaOp::SetROP2, {r}));
}

void DeviceContext::moveTo(int x, int y)
{
    st.cpX = x;
    st.cpY = y;
    note(MetaRec{MetaOp::MoveTo, {x, y}});
}

double DeviceContext::scaleX() const
{
    return scalable(st.mapMode) ? double(st.vpExt.cx) / double(st.winExt.cx) : 1.0;
}

double DeviceContext::scaleY() const
{
    return scalable(st.mapMode) ? double(st.vpExt.cy) / double(st.winExt.cy) : 1.0;
}

double DeviceContext::toDeviceX(double x) const
{
    return (x - st.winOrg.x) * scaleX() + st.vpOrg.x;
}

double DeviceContext::toDeviceY(double y) const
{
    return (y - st.winOrg.y) * scaleY() + st.vpOrg.y;
}

double DeviceContext::toLogicalX(double x) const
{
    return (x - st.vpOrg.x) / scaleX() + st.winOrg.x;
}

double DeviceContext::toLogicalY(double y) const
{
    return (y - st.vpOrg.y) / scaleY() + st.winOrg.y;
}

}  // namespace detail

using namespace detail;

// ------------------------------------------------------------ objects

HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
{
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) return nullptr;
    GdiObject* o = newGdiObject(ObjKind::Pen);
    o->pen = {iStyle, cWidth < 0 ? 0 : cWidth, color & 0xFFFFFF};
    return reinterpret_cast<HPEN>(o);
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    GdiObject* o = newGdiObject(ObjKind::Brush);
    o->brush = {BS_SOLID, color & 0xFFFFFF};
    return reinterpret_cast<HBRUSH>(o);
}

HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                 DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                 DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName)
{
    LOGFONTA f{};
    f.lfHeight = cHeight;
    f.lfWidth = cWidth;
    f.lfEscapement = cEscapement;
    f.lfOrientation = cOrientation;
    f.lfWeight = cWeight;
    f.lfItalic = BYTE(bItalic);
    f.lfUnderline = BYTE(bUnderline);
    f.lfStrikeOut = BYTE(bStrikeOut);
    f.lfCharSet = BYTE(iCharSet);
    f.lfOutPrecision = BYTE(iOutPrecision);
    f.lfClipPrecision = BYTE(iClipPrecision);
    f.lfQuality = BYTE(iQuality);
    f.lfPitchAndFamily = BYTE(iPitchAndFamily);
    if (pszFaceName) std::strncpy(f.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&f);
}

HFONT CreateFontIndirect(const LOGFONTA* lplf)
{
    if (!lplf) return nullptr;
    GdiObject* o = newGdiObject(ObjKind::Font);
    o->font = *lplf;
    o->font.lfFaceName[LF_FACESIZE - 1] = 0;
    return reinterpret_cast<HFONT>(o);
}

HGDIOBJ GetStockObject(int i)
{
    return stockObject(i);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    DeviceContext* dc = deviceContext(hdc);
    GdiObject* o = gdiObject(h);
    if (!dc || !o) return nullptr;
    HGDIOBJ prev = nullptr;
    switch (o->kind) {
    case ObjKind::Pen:
        prev = dc->st.hPen;
        dc->selectPen(h, o->pen);
        break;
    case ObjKind::Brush:
        prev = dc->st.hBrush;
        dc->selectBrush(h, o->brush);
        break;
    case ObjKind::Font:
        prev = dc->st.hFont;
        dc->selectFont(h, o->font);
        break;
    case ObjKind::Bitmap: {
        if (!isMemoryDC(dc)) return nullptr;
        if (o->selectedInto && o->selectedInto != dc) return nullptr;  // one context at a time
        prev = dc->st.hBitmap;
        if (GdiObject* old = gdiObject(prev)) old->selectedInto = nullptr;
        if (!selectBitmap(dc, o->bitmap)) return nullptr;
        o->selectedInto = dc;
        dc->st.hBitmap = h;
        break;
    }
    }
    return prev;
}

BOOL DeleteObject(HGDIOBJ ho)
{
    GdiObject* o = gdiObject(ho);
    if (!o) return FALSE;
    if (o->stock) return TRUE;
    if (o->kind == ObjKind::Bitmap && o->selectedInto) return FALSE;  // still in a memory context
    {
        std::lock_guard<std::mutex> g(gObjectsLock);
        liveObjects().erase(o);
    }
    delete o;
    return TRUE;
}

// ------------------------------------------------------------ attributes

UINT SetTextAlign(HDC hdc, UINT align)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc) return GDI_ERROR;
    UINT prev = dc->st.textAlign;
    dc->setTextAlign(align);
    return prev;
}

UINT GetTextAlign(HDC hdc)
{
    DeviceContext* dc = deviceContext(hdc);
    return dc ? dc->st.textAlign : GDI_ERROR;
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF prev = dc->st.textColor;
    dc->setTextColor(color & 0xFFFFFF);
    return prev;
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF prev = dc->st.bkColor;
    dc->setBkColor(color & 0xFFFFFF);
    return prev;
}

int SetBkMode(HDC hdc, int mode)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int prev = dc->st.bkMode;
    dc->setBkMode(mode);
    return prev;
}

int SetROP2(HDC hdc, int rop2)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
    int prev = dc->st.rop2;
    dc->setROP2(rop2);
    return prev;
}

int GetROP2(HDC hdc)
{
    DeviceContext* dc = deviceContext(hdc);
    return dc ? dc->st.rop2 : 0;
}

// ------------------------------------------------------------ mapping

int SetMapMode(HDC hdc, int iMode)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || iMode < MM_TEXT || iMode > MM_ANISOTROPIC) return 0;
    int prev = dc->st.mapMode;
    dc->setMapMode(iMode);
    return prev;
}

int GetMapMode(HDC hdc)
{
    DeviceContext* dc = deviceContext(hdc);
    return dc ? dc->st.mapMode : 0;
}

BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* lpsz)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || x == 0 || y == 0) return FALSE;
    if (lpsz) *lpsz = dc->st.winExt;
    dc->setWindowExt(x, y);
    return TRUE;
}

BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* lpsz)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || x == 0 || y == 0) return FALSE;
    if (lpsz) *lpsz = dc->st.vpExt;
    dc->setViewportExt(x, y);
    return TRUE;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* lppt)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->st.winOrg;
    dc->setWindowOrg(x, y);
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* lppt)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = dc->st.vpOrg;
    dc->setViewportOrg(x, y);
    return TRUE;
}

BOOL LPtoDP(HDC hdc, POINT* lppt, int c)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || !lppt) return FALSE;
    for (int i = 0; i < c; i++) {
        lppt[i].x = LONG(std::floor(dc->toDeviceX(lppt[i].x) + 0.5));
        lppt[i].y = LONG(std::floor(dc->toDeviceY(lppt[i].y) + 0.5));
    }
    return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* lppt, int c)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || !lppt) return FALSE;
    for (int i = 0; i < c; i++) {
        lppt[i].x = LONG(std::floor(dc->toLogicalX(lppt[i].x) + 0.5));
        lppt[i].y = LONG(std::floor(dc->toLogicalY(lppt[i].y) + 0.5));
    }
    return TRUE;
}

// ------------------------------------------------------------ drawing

BOOL MoveToEx(HDC hdc, int x, int y, POINT* lppt)
{
    DeviceContext* dc = liveDC(hdc);
    if (!dc) return FALSE;
    if (lppt) *lppt = {LONG(std::lround(dc->st.cpX)), LONG(std::lround(dc->st.cpY))};
    dc->moveTo(x, y);
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    DeviceContext* dc = liveDC(hdc);
    if (!dc) return FALSE;
    dc->lineTo(x, y);
    dc->st.cpX = x;
    dc->st.cpY = y;
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* lppt)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || !lppt) return FALSE;
    *lppt = {LONG(std::floor(dc->st.cpX + 0.5)), LONG(std::floor(dc->st.cpY + 0.5))};
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc) return FALSE;
    dc->rectangle(left, top, right, bottom);
    return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    DeviceContext* dc = liveDC(hdc);
    if (!dc) return FALSE;
    dc->ellipse(left, top, right, bottom);
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* apt, int cpt)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || !apt || cpt < 2) return FALSE;
    dc->polygon(apt, cpt);
    return TRUE;
}

BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc) return FALSE;
    dc->arc(left, top, right, bottom, xStart, yStart, xEnd, yEnd);
    return TRUE;
}

int FillRect(HDC hdc, const RECT* lprc, HBRUSH hbr)
{
    DeviceContext* dc = deviceContext(hdc);
    GdiObject* o = gdiObject(hbr);
    if (!dc || !lprc || !o || o->kind != ObjKind::Brush) return 0;
    dc->fillRect(*lprc, o->brush);
    return 1;
}

BOOL TextOut(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || (!lpString && c > 0)) return FALSE;
    dc->textOut(x, y, 0, nullptr, std::string(lpString ? lpString : "", c > 0 ? size_t(c) : 0));
    return TRUE;
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c, const INT* lpDx)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || (!lpString && c > 0)) return FALSE;
    if (!lprect) options &= ~(ETO_CLIPPED | ETO_OPAQUE);
    dc->textOut(x, y, options, lprect, std::string(lpString ? lpString : "", c));
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR lpString, int c, SIZE* psizl)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || !psizl || (!lpString && c > 0)) return FALSE;
    return dc->textExtent(std::string(lpString ? lpString : "", c > 0 ? size_t(c) : 0), psizl) ? TRUE : FALSE;
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || dc->isRecording()) return CLR_INVALID;
    return pixelAt(dc, x, y);
}

// ------------------------------------------------------------ bitmaps

HDC CreateCompatibleDC(HDC)
{
    DeviceContext* dc = newMemoryDC();
    registerDC(dc);
    GdiObject* o = newGdiObject(ObjKind::Bitmap);
    o->stock = true;  // the context's own 1 x 1 bitmap
    o->bitmap = newBitmap(1, 1);
    selectBitmap(dc, o->bitmap);
    o->selectedInto = dc;
    dc->st.hBitmap = o;
    dc->hOwnBitmap = o;
    return handleOf(dc);
}

BOOL DeleteDC(HDC hdc)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || dc->isRecording()) return FALSE;
    // The caller's bitmap is free again; the context's own one goes with it,
    // also when the caller never put it back.
    if (GdiObject* b = gdiObject(dc->st.hBitmap)) b->selectedInto = nullptr;
    if (GdiObject* own = gdiObject(dc->hOwnBitmap); own && !own->selectedInto) {
        std::lock_guard<std::mutex> g(gObjectsLock);
        liveObjects().erase(own);
        delete own;
    }
    unregisterDC(dc);
    delete dc;
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC, int cx, int cy)
{
    if (cx <= 0 || cy <= 0) return nullptr;
    auto data = newBitmap(cx, cy);
    if (!data) return nullptr;
    GdiObject* o = newGdiObject(ObjKind::Bitmap);
    o->bitmap = data;
    return reinterpret_cast<HBITMAP>(o);
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    DeviceContext* dst = deviceContext(hdc);
    if (!dst || dst->isRecording()) return FALSE;
    DeviceContext* src = deviceContext(hdcSrc);
    if (rop != BLACKNESS && rop != WHITENESS && (!src || src->isRecording())) return FALSE;
    return bitBlt(dst, x, y, cx, cy, src, x1, y1, rop);
}

bool saveBitmapImage(HBITMAP hbm, const char* path)
{
    GdiObject* o = gdiObject(hbm);
    if (!o || o->kind != ObjKind::Bitmap || !o->bitmap || !path) return false;
    return saveBitmapData(*o->bitmap, path);
}

HBITMAP loadBitmapImage(const char* path, int* pWidth, int* pHeight)
{
    if (!path) return nullptr;
    auto data = loadBitmapData(path, pWidth, pHeight);
    if (!data) return nullptr;
    GdiObject* o = newGdiObject(ObjKind::Bitmap);
    o->bitmap = data;
    return reinterpret_cast<HBITMAP>(o);
}

}  // namespace win
