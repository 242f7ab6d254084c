// Metafiles as display lists: the recording context, playback and listing.
#include <array>
#include <cstdio>
#include <mutex>
#include <unordered_set>

#include "platform/internal.h"

namespace win {
namespace detail {

namespace {

std::mutex gMetaLock;
std::unordered_set<MetaFileData*>& liveMetaFiles()
{
    static std::unordered_set<MetaFileData*> s;
    return s;
}

HMETAFILE registerMetaFile(MetaFileData* m)
{
    std::lock_guard<std::mutex> g(gMetaLock);
    liveMetaFiles().insert(m);
    return reinterpret_cast<HMETAFILE>(m);
}

// The record lists of the last two large pictures deleted, kept empty with
// their room: a plot of many points is recorded anew at every redraw (and a
// plot made anew draws a first small picture before its full one), and the
// next recording then neither grows its list step by step nor touches fresh
// memory. A recording takes the larger list; lists beyond nMaxSpareRecords
// are not kept.
constexpr size_t nMinSpareRecords = size_t(1) << 16;
constexpr size_t nMaxSpareRecords = size_t(1) << 21;

// Made once and never destroyed, so a picture deleted while the program
// ends still finds them.
std::vector<MetaRec>* spareRecords()
{
    static auto* p = new std::vector<MetaRec>[2];
    return p;
}

std::vector<MetaRec> takeSpareRecords()
{
    std::vector<MetaRec>* spare = spareRecords();
    std::lock_guard<std::mutex> g(gMetaLock);
    std::vector<MetaRec> v;
    v.swap(spare[spare[0].capacity() >= spare[1].capacity() ? 0 : 1]);
    return v;
}

void keepSpareRecords(std::vector<MetaRec>& recs)
{
    if (recs.capacity() < nMinSpareRecords || recs.capacity() > nMaxSpareRecords) return;
    recs.clear();
    std::vector<MetaRec>* spare = spareRecords();
    std::lock_guard<std::mutex> g(gMetaLock);
    std::vector<MetaRec>& smaller = spare[spare[0].capacity() <= spare[1].capacity() ? 0 : 1];
    if (recs.capacity() > smaller.capacity()) smaller.swap(recs);
}

bool hasLongArgs(MetaOp op)
{
    return op == MetaOp::FillRect || op == MetaOp::ExtTextOut || op == MetaOp::Arc;
}

// the numbers of a record, wherever they are kept
const int* argsOf(const MetaFileData& m, const MetaRec& r)
{
    return hasLongArgs(r.op) ? m.longArgs[size_t(r.v[0])].data() : r.v;
}

// Appends every operation to its display list.
class RecordingDC final : public DeviceContext {
public:
    MetaFileData* data = new MetaFileData{takeSpareRecords(), {}, {}, {}, {}, {0, 0}};
    ~RecordingDC() override
    {
        if (data) keepSpareRecords(data->recs);
        delete data;
    }
    bool isRecording() const override { return true; }

    // the shapes of a plot's points, one record each
    void lineTo(int x, int y) override { append(MetaOp::LineTo, x, y); }
    void rectangle(int l, int t, int r, int b) override { append(MetaOp::Rectangle, l, t, r, b); }
    void ellipse(int l, int t, int r, int b) override { append(MetaOp::Ellipse, l, t, r, b); }
    void arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) override
    {
        append(longRec(MetaOp::Arc, {l, t, r, b, xs, ys, xe, ye}));
    }
    void polygon(const POINT* p, int n) override
    {
        append(MetaOp::Polygon, n, int(data->polys.size()));
        data->polys.emplace_back(p, p + n);
    }
    void fillRect(const RECT& r, const BrushDesc& b) override
    {
        append(longRec(MetaOp::FillRect, {int(r.left), int(r.top), int(r.right), int(r.bottom), int(b.style),
                                          int(b.color)}));
    }
    void textOut(int x, int y, UINT options, const RECT* rect, const std::string& text) override
    {
        const int nText = int(data->texts.size());
        data->texts.push_back(text);
        if (options == 0 && !rect) {
            append(MetaOp::TextOut, x, y, nText);
        } else {
            RECT r = rect ? *rect : RECT{0, 0, 0, 0};
            MetaRec rc = longRec(MetaOp::ExtTextOut, {x, y, int(options), int(r.left), int(r.top), int(r.right),
                                                      int(r.bottom)});
            rc.v[1] = nText;
            append(rc);
        }
    }

protected:
    // the attributes (texts come through textOut)
    void note(const MetaRec& r0, const std::string* = nullptr, const LOGFONTA* font = nullptr) override
    {
        if (!font && r0.op != MetaOp::SetWindowExt) [[likely]]
            append(r0);
        else
            noteAside(r0, font);
    }

private:
    // a font kept in its list, or the window extent the player maps from
    [[gnu::noinline]] void noteAside(const MetaRec& r0, const LOGFONTA* font)
    {
        MetaRec r = r0;
        if (font) {
            r.v[0] = int(data->fonts.size());
            data->fonts.push_back(*font);
        }
        if (r.op == MetaOp::SetWindowExt && r.v[0] != 0 && r.v[1] != 0) data->windowExt = {r.v[0], r.v[1]};
        append(r);
    }

    // a record whose numbers go to longArgs
    MetaRec longRec(MetaOp op, std::initializer_list<int> v)
    {
        std::array<int, 8> a{};
        int i = 0;
        for (int x : v) a[size_t(i++)] = x;
        MetaRec r{op, {int(data->longArgs.size()), -1, 0, 0}};
        data->longArgs.push_back(a);
        return r;
    }
    // The list grows in the rare call; the common one stores the numbers one
    // by one in place (a record copied whole from one just written field by
    // field stalls the processor at every point).
    void append(MetaOp op, int a = 0, int b = 0, int c = 0, int d = 0)
    {
        std::vector<MetaRec>& recs = data->recs;
        if (recs.size() == recs.capacity()) [[unlikely]]
            grow(recs);
        recs.push_back(MetaRec{op, {a, b, c, d}});
    }
    void append(const MetaRec& r) { append(r.op, r.v[0], r.v[1], r.v[2], r.v[3]); }
    [[gnu::noinline]] static void grow(std::vector<MetaRec>& recs)
    {
        recs.reserve(recs.capacity() < 64 ? 64 : 2 * recs.capacity());
    }
};

const char* opName(MetaOp op)
{
    switch (op) {
    case MetaOp::SetMapMode: return "SetMapMode";
    case MetaOp::SetWindowExt: return "SetWindowExt";
    case MetaOp::SetWindowOrg: return "SetWindowOrg";
    case MetaOp::SetViewportExt: return "SetViewportExt";
    case MetaOp::SetViewportOrg: return "SetViewportOrg";
    case MetaOp::SelectPen: return "SelectPen";
    case MetaOp::SelectBrush: return "SelectBrush";
    case MetaOp::SelectFont: return "SelectFont";
    case MetaOp::SetTextAlign: return "SetTextAlign";
    case MetaOp::SetTextColor: return "SetTextColor";
    case MetaOp::SetBkColor: return "SetBkColor";
    case MetaOp::SetBkMode: return "SetBkMode";
    case MetaOp::SetROP2: return "SetROP2";
    case MetaOp::MoveTo: return "MoveTo";
    case MetaOp::LineTo: return "LineTo";
    case MetaOp::Rectangle: return "Rectangle";
    case MetaOp::Ellipse: return "Ellipse";
    case MetaOp::Arc: return "Arc";
    case MetaOp::Polygon: return "Polygon";
    case MetaOp::FillRect: return "FillRect";
    case MetaOp::TextOut: return "TextOut";
    case MetaOp::ExtTextOut: return "ExtTextOut";
    }
    return "?";
}

int argCount(MetaOp op)
{
    switch (op) {
    case MetaOp::SetMapMode:
    case MetaOp::SetTextAlign:
    case MetaOp::SetTextColor:
    case MetaOp::SetBkColor:
    case MetaOp::SetBkMode:
    case MetaOp::SetROP2: return 1;
    case MetaOp::SetWindowExt:
    case MetaOp::SetWindowOrg:
    case MetaOp::SetViewportExt:
    case MetaOp::SetViewportOrg:
    case MetaOp::MoveTo:
    case MetaOp::LineTo:
    case MetaOp::SelectBrush:
    case MetaOp::TextOut: return 2;
    case MetaOp::SelectPen: return 3;
    case MetaOp::Rectangle:
    case MetaOp::Ellipse: return 4;
    case MetaOp::FillRect: return 6;
    case MetaOp::ExtTextOut: return 7;
    case MetaOp::Arc: return 8;
    case MetaOp::SelectFont:
    case MetaOp::Polygon: return 0;
    }
    return 0;
}

bool isColourArg(MetaOp op, int i)
{
    return (op == MetaOp::SelectPen && i == 2) || (op == MetaOp::SelectBrush && i == 1) ||
           (op == MetaOp::FillRect && i == 5) || op == MetaOp::SetTextColor || op == MetaOp::SetBkColor;
}

void play(DeviceContext* dc, const MetaFileData& m)
{
    for (const MetaRec& r : m.recs) {
        const int* v = argsOf(m, r);
        switch (r.op) {
        case MetaOp::SetMapMode: dc->setMapMode(v[0]); break;
        case MetaOp::SetWindowExt: dc->setWindowExt(v[0], v[1]); break;
        case MetaOp::SetWindowOrg: dc->setWindowOrg(v[0], v[1]); break;
        case MetaOp::SetViewportExt: dc->setViewportExt(v[0], v[1]); break;
        case MetaOp::SetViewportOrg: dc->setViewportOrg(v[0], v[1]); break;
        case MetaOp::SelectPen: dc->selectPen(nullptr, PenDesc{v[0], v[1], COLORREF(v[2])}); break;
        case MetaOp::SelectBrush: dc->selectBrush(nullptr, BrushDesc{UINT(v[0]), COLORREF(v[1])}); break;
        case MetaOp::SelectFont: dc->selectFont(nullptr, m.fonts[size_t(r.v[0])]); break;
        case MetaOp::SetTextAlign: dc->setTextAlign(UINT(v[0])); break;
        case MetaOp::SetTextColor: dc->setTextColor(COLORREF(v[0])); break;
        case MetaOp::SetBkColor: dc->setBkColor(COLORREF(v[0])); break;
        case MetaOp::SetBkMode: dc->setBkMode(v[0]); break;
        case MetaOp::SetROP2: dc->setROP2(v[0]); break;
        case MetaOp::MoveTo: dc->moveTo(v[0], v[1]); break;
        case MetaOp::LineTo:
            dc->lineTo(v[0], v[1]);
            dc->st.cpX = v[0];
            dc->st.cpY = v[1];
            break;
        case MetaOp::Rectangle: dc->rectangle(v[0], v[1], v[2], v[3]); break;
        case MetaOp::Ellipse: dc->ellipse(v[0], v[1], v[2], v[3]); break;
        case MetaOp::Arc: dc->arc(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]); break;
        case MetaOp::Polygon: {
            const auto& p = m.polys[size_t(r.v[1])];
            dc->polygon(p.data(), int(p.size()));
            break;
        }
        case MetaOp::FillRect:
            dc->fillRect(RECT{v[0], v[1], v[2], v[3]}, BrushDesc{UINT(v[4]), COLORREF(v[5])});
            break;
        case MetaOp::TextOut: dc->textOut(v[0], v[1], 0, nullptr, m.texts[size_t(r.v[2])]); break;
        case MetaOp::ExtTextOut: {
            RECT rc{v[3], v[4], v[5], v[6]};
            bool hasRect = (v[2] & (ETO_CLIPPED | ETO_OPAQUE)) != 0;
            dc->textOut(v[0], v[1], UINT(v[2]), hasRect ? &rc : nullptr, m.texts[size_t(r.v[1])]);
            break;
        }
        }
    }
}

// After a picture was played into a recording context, the records that
// give the recorder's own state back.
void rerecordState(DeviceContext* dc, const DCState& s)
{
    dc->setMapMode(s.mapMode);
    dc->setWindowOrg(s.winOrg.x, s.winOrg.y);
    dc->setViewportOrg(s.vpOrg.x, s.vpOrg.y);
    if (s.mapMode != MM_TEXT) {
        dc->setWindowExt(s.winExt.cx, s.winExt.cy);
        dc->setViewportExt(s.vpExt.cx, s.vpExt.cy);
    }
    dc->selectPen(s.hPen, s.pen);
    dc->selectBrush(s.hBrush, s.brush);
    dc->selectFont(s.hFont, s.font);
    dc->setTextAlign(s.textAlign);
    dc->setTextColor(s.textColor);
    dc->setBkColor(s.bkColor);
    dc->setBkMode(s.bkMode);
    dc->setROP2(s.rop2);
    dc->moveTo(int(s.cpX), int(s.cpY));
    dc->st = s;
}

}  // namespace

MetaFileData* metaFile(HMETAFILE h)
{
    if (!h) return nullptr;
    auto* m = reinterpret_cast<MetaFileData*>(h);
    std::lock_guard<std::mutex> g(gMetaLock);
    return liveMetaFiles().count(m) ? m : nullptr;
}

}  // namespace detail

using namespace detail;

HDC CreateMetaFile(LPCSTR)
{
    auto* dc = new RecordingDC;
    registerDC(dc);
    return handleOf(dc);
}

HMETAFILE CloseMetaFile(HDC hdc)
{
    DeviceContext* dc = deviceContext(hdc);
    if (!dc || !dc->isRecording()) return nullptr;
    auto* r = static_cast<RecordingDC*>(dc);
    MetaFileData* m = r->data;
    r->data = nullptr;
    unregisterDC(dc);
    delete dc;
    return registerMetaFile(m);
}

BOOL DeleteMetaFile(HMETAFILE hmf)
{
    MetaFileData* m = metaFile(hmf);
    if (!m) return FALSE;
    {
        std::lock_guard<std::mutex> g(gMetaLock);
        liveMetaFiles().erase(m);
    }
    keepSpareRecords(m->recs);
    delete m;
    return TRUE;
}

HMETAFILE CopyMetaFile(HMETAFILE hmf, LPCSTR)
{
    MetaFileData* m = metaFile(hmf);
    if (!m) return nullptr;
    return registerMetaFile(new MetaFileData(*m));
}

BOOL PlayMetaFile(HDC hdc, HMETAFILE hmf)
{
    DeviceContext* dc = deviceContext(hdc);
    MetaFileData* m = metaFile(hmf);
    if (!dc || !m) return FALSE;
    DCState saved = dc->st;
    dc->beginBatch();
    play(dc, *m);
    if (dc->isRecording()) {
        rerecordState(dc, saved);
    } else {
        dc->st = saved;
    }
    dc->endBatch();
    return TRUE;
}

std::vector<MetaRecordInfo> metaFileRecords(HMETAFILE hmf)
{
    std::vector<MetaRecordInfo> out;
    MetaFileData* m = metaFile(hmf);
    if (!m) return out;
    out.reserve(m->recs.size());
    for (const MetaRec& r : m->recs) {
        MetaRecordInfo info{r.op, {}, {}};
        if (r.op == MetaOp::SelectFont) {
            const LOGFONTA& f = m->fonts[size_t(r.v[0])];
            info.args = {f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight, f.lfItalic,
                         f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision,
                         f.lfQuality, f.lfPitchAndFamily};
            info.text = f.lfFaceName;
        } else if (r.op == MetaOp::Polygon) {
            for (const POINT& p : m->polys[size_t(r.v[1])]) {
                info.args.push_back(p.x);
                info.args.push_back(p.y);
            }
        } else {
            const int* v = argsOf(*m, r);
            int n = argCount(r.op);
            for (int i = 0; i < n; i++) {
                info.args.push_back(isColourArg(r.op, i) ? long(COLORREF(v[i])) : long(v[i]));
            }
            if (r.op == MetaOp::TextOut) info.text = m->texts[size_t(r.v[2])];
            if (r.op == MetaOp::ExtTextOut) info.text = m->texts[size_t(r.v[1])];
        }
        out.push_back(std::move(info));
    }
    return out;
}

std::vector<std::string> metaFileListing(HMETAFILE hmf)
{
    std::vector<std::string> out;
    for (const MetaRecordInfo& r : metaFileRecords(hmf)) {
        std::string s = opName(r.op);
        s += '(';
        for (size_t i = 0; i < r.args.size(); i++) {
            if (i) s += ',';
            char buf[32];
            if (isColourArg(r.op, int(i)))
                std::snprintf(buf, sizeof buf, "0x%06lx", r.args[i]);
            else
                std::snprintf(buf, sizeof buf, "%ld", r.args[i]);
            s += buf;
        }
        if (r.op == MetaOp::TextOut || r.op == MetaOp::ExtTextOut || r.op == MetaOp::SelectFont) {
            if (!r.args.empty()) s += ',';
            s += headless::quote(r.text);
        }
        s += ')';
        out.push_back(std::move(s));
    }
    return out;
}

bool saveMetaFileImage(HMETAFILE hmf, int width, int height, const char* path)
{
    if (!metaFile(hmf) || width <= 0 || height <= 0 || !path) return false;
    return renderMetaFileImage(hmf, width, height, path);
}

}  // namespace win
