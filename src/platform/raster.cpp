// The raster part: device contexts that draw onto images with QPainter and
// direct pixel work, the window surface, bitmaps, image files.
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>

#include "platform/raster.h"

namespace win::detail {

namespace {

QRgb toRgb(COLORREF c)
{
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

COLORREF toColorRef(QRgb p)
{
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// The sixteen binary raster operations on 24-bit colours.
uint32_t rop2(int op, uint32_t P, uint32_t D)
{
    switch (op) {
    case R2_BLACK: return 0;
    case R2_NOTMERGEPEN: return ~(P | D);
    case R2_MASKNOTPEN: return ~P & D;
    case R2_NOTCOPYPEN: return ~P;
    case R2_MASKPENNOT: return P & ~D;
    case R2_NOT: return ~D;
    case R2_XORPEN: return P ^ D;
    case R2_NOTMASKPEN: return ~(P & D);
    case R2_MASKPEN: return P & D;
    case R2_NOTXORPEN: return ~(P ^ D);
    case R2_NOP: return D;
    case R2_MERGENOTPEN: return ~P | D;
    case R2_MERGEPENNOT: return P | ~D;
    case R2_MERGEPEN: return P | D;
    case R2_WHITE: return 0xFFFFFF;
    default: return P;
    }
}

// ---------------------------------------------------------------- fonts

void ensureGui()
{
    ensureApplication();
}

struct FontFamilies {
    QString serif = QStringLiteral("DejaVu Serif");
    QString sans = QStringLiteral("DejaVu Sans");
    QString mono = QStringLiteral("DejaVu Sans Mono");
};

const FontFamilies& families()
{
    static FontFamilies f;
    static std::once_flag once;
    std::call_once(once, [] {
        ensureGui();
        // The faces ship with Debian's fonts-dejavu-core; loading the files
        // themselves keeps pictures the same whatever else is installed.
        const char* dir = "/usr/share/fonts/truetype/dejavu/";
        struct {
            const char* file;
            QString* family;
        } faces[] = {{"DejaVuSerif.ttf", &f.serif}, {"DejaVuSans.ttf", &f.sans}, {"DejaVuSansMono.ttf", &f.mono}};
        for (auto& face : faces) {
            int id = QFontDatabase::addApplicationFont(QString::fromLatin1(dir) + QString::fromLatin1(face.file));
            if (id >= 0) {
                QStringList fam = QFontDatabase::applicationFontFamilies(id);
                if (!fam.isEmpty()) *face.family = fam.first();
            }
        }
        QFontDatabase::addApplicationFont(QString::fromLatin1(dir) + "DejaVuSerif-Bold.ttf");
        QFontDatabase::addApplicationFont(QString::fromLatin1(dir) + "DejaVuSans-Bold.ttf");
        QFontDatabase::addApplicationFont(QString::fromLatin1(dir) + "DejaVuSansMono-Bold.ttf");
    });
    return f;
}

QString familyOf(const LOGFONTA& lf)
{
    const FontFamilies& f = families();
    std::string face = lf.lfFaceName;
    for (char& c : face) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (face.find("courier") != std::string::npos || face.find("mono") != std::string::npos) return f.mono;
    if (face.find("times") != std::string::npos || face.find("serif") != std::string::npos) return f.serif;
    if (!face.empty()) return f.sans;
    switch (lf.lfPitchAndFamily & 0xF0) {
    case FF_ROMAN: return f.serif;
    case FF_MODERN: return f.mono;
    default: return (lf.lfPitchAndFamily & 0x3) == FIXED_PITCH ? f.mono : f.sans;
    }
}

std::mutex gFontLock;

// (ascent + descent) / em of a face
double cellRatio(const QString& family, bool bold)
{
    static std::map<std::pair<QString, bool>, double> cache;
    std::lock_guard<std::mutex> g(gFontLock);
    auto key = std::make_pair(family, bold);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    QFont f(family);
    f.setPixelSize(1000);
    f.setBold(bold);
    QFontMetricsF m(f);
    double r = (m.ascent() + m.descent()) / 1000.0;
    if (!(r > 0.5 && r < 3)) r = 1.2;
    cache[key] = r;
    return r;
}

}  // namespace

// The face and pixel size of a logical font under a vertical scale: a
// positive height is the cell (ascent + descent), a negative one the
// character height, both in logical units.
QFont qtFont(const LOGFONTA& lf, double scaleY)
{
    QString fam = familyOf(lf);
    bool bold = lf.lfWeight >= 600;
    double h = lf.lfHeight == 0 ? 16.0 : std::abs(double(lf.lfHeight)) * std::abs(scaleY);
    double em = lf.lfHeight > 0 || lf.lfHeight == 0 ? h / cellRatio(fam, bold) : h;
    QFont f(fam);
    f.setPixelSize(std::max(1, int(std::lround(em))));
    f.setBold(bold);
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    f.setKerning(false);
    return f;
}

QString layerText(const char* text, size_t size)
{
    QByteArrayView bytes(text, qsizetype(size));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : s;
}

SIZE measuredTextExtent(const DeviceContext& dc, const std::string& text)
{
    QFontMetricsF fm(qtFont(dc.st.font, dc.scaleY()));
    const double w = fm.horizontalAdvance(layerText(text.data(), text.size()));
    const double h = fm.ascent() + fm.descent();
    const double sx = std::abs(dc.scaleX()), sy = std::abs(dc.scaleY());
    return SIZE{LONG(std::ceil(sx > 0 ? w / sx : w)), LONG(std::ceil(sy > 0 ? h / sy : h))};
}

namespace {

// ---------------------------------------------------------------- the raster context

class RasterDC : public DeviceContext {
public:
    HWND hwnd = nullptr;
    std::shared_ptr<Surface> surface;
    std::shared_ptr<BitmapData> bitmap;
    bool bMemory = false;
    std::optional<QRect> clip;

    QImage* image() { return surface ? &surface->image : bitmap ? &bitmap->image : nullptr; }
    std::recursive_mutex* mutex() { return surface ? &surface->lock : bitmap ? &bitmap->lock : nullptr; }

    void beginBatch() override
    {
        if (std::recursive_mutex* m = mutex()) {
            m->lock();
            batchLocks.push_back(m);
        }
        nBatch++;
    }
    void endBatch() override
    {
        if (nBatch > 0) nBatch--;
        if (nBatch == 0) flush();
        if (!batchLocks.empty()) {
            batchLocks.back()->unlock();
            batchLocks.pop_back();
        }
    }

    void lineTo(int x, int y) override;
    void rectangle(int l, int t, int r, int b) override;
    void ellipse(int l, int t, int r, int b) override;
    bool smallEllipse(QImage& img, const QRect& box);
    void arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) override;
    void polygon(const POINT* p, int n) override;
    void fillRect(const RECT& r, const BrushDesc& b) override;
    void textOut(int x, int y, UINT options, const RECT* rect, const std::string& text) override;
    bool textExtent(const std::string& text, SIZE* size) override
    {
        *size = measuredTextExtent(*this, text);
        return true;
    }

    int dx(double x) const { return int(std::floor(toDeviceX(x) + 0.5)); }
    int dy(double y) const { return int(std::floor(toDeviceY(y) + 0.5)); }
    QRect bounds(QImage& img) const { return clip ? clip->intersected(img.rect()) : img.rect(); }

    void touched(const QRect& r)
    {
        dirty = dirty.united(r);
        if (nBatch == 0) flush();
    }

    void flush()
    {
        if (dirty.isEmpty()) return;
        QRect d = dirty;
        dirty = QRect();
        if (surface && hwnd) backend().surfaceChanged(hwnd, RECT{d.left(), d.top(), d.right() + 1, d.bottom() + 1});
    }

    int penWidth() const
    {
        if (st.pen.width <= 0) return 1;
        return std::max(1, int(std::lround(st.pen.width * std::abs(scaleX()))));
    }
    bool hasPen() const { return st.pen.style != PS_NULL; }
    bool hasBrush() const { return st.brush.style != BS_NULL; }

    // Runs a QPainter drawing under the context's raster operation: straight
    // onto the image for R2_COPYPEN, else through a mask whose pixels are then
    // combined one by one, so each pixel is touched once per drawing.
    template <class Draw>
    void paintWithRop(QImage& img, COLORREF colour, const QRect& area, Draw draw)
    {
        QRect r = area.intersected(bounds(img));
        if (r.isEmpty()) return;
        if (st.rop2 == R2_COPYPEN) {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing, false);
            if (clip) p.setClipRect(*clip);
            draw(p, QColor(toRgb(colour)));
        } else {
            QImage mask(r.size(), QImage::Format_ARGB32);
            mask.fill(0);
            {
                QPainter p(&mask);
                p.setRenderHint(QPainter::Antialiasing, false);
                p.translate(-r.left(), -r.top());
                draw(p, QColor(Qt::black));
            }
            uint32_t P = toRgb(colour) & 0xFFFFFF;
            for (int yy = 0; yy < r.height(); yy++) {
                const QRgb* m = reinterpret_cast<const QRgb*>(mask.constScanLine(yy));
                QRgb* d = reinterpret_cast<QRgb*>(img.scanLine(yy + r.top())) + r.left();
                for (int xx = 0; xx < r.width(); xx++)
                    if (qAlpha(m[xx]) >= 128) d[xx] = 0xFF000000u | (rop2(st.rop2, P, d[xx] & 0xFFFFFF) & 0xFFFFFF);
            }
        }
        touched(r);
    }

    // Cuts the segment to the rectangle r (Liang-Barsky). Ends inside r stay as
    // they are, so the end pixel is still left out; false when nothing is left.
    static bool clipLongLine(const QRect& r, int& x0, int& y0, int& x1, int& y1)
    {
        double t0 = 0.0, t1 = 1.0;
        const double dx = double(x1) - x0, dy = double(y1) - y0;
        auto edge = [&](double p, double q) {
            if (p == 0.0) return q >= 0.0;
            double t = q / p;
            if (p < 0.0) {
                if (t > t1) return false;
                if (t > t0) t0 = t;
            } else {
                if (t < t0) return false;
                if (t < t1) t1 = t;
            }
            return true;
        };
        if (!edge(-dx, x0 - double(r.left())) || !edge(dx, double(r.right()) - x0) ||
            !edge(-dy, y0 - double(r.top())) || !edge(dy, double(r.bottom()) - y0))
            return false;
        const int ax = x0, ay = y0;
        if (t1 < 1.0) {
            x1 = int(std::lround(ax + t1 * dx));
            y1 = int(std::lround(ay + t1 * dy));
        }
        if (t0 > 0.0) {
            x0 = int(std::lround(ax + t0 * dx));
            y0 = int(std::lround(ay + t0 * dy));
        }
        return true;
    }

    // One-pixel lines as Bresenham draws them, without the end pixel.
    void thinLine(QImage& img, int x0, int y0, int x1, int y1)
    {
        QRect b = bounds(img);
        // A line wholly beside the image sets no pixel.
        if ((x0 < b.left() && x1 < b.left()) || (x0 > b.right() && x1 > b.right()) ||
            (y0 < b.top() && y1 < b.top()) || (y0 > b.bottom() && y1 > b.bottom()))
            return;
        // A very long line (a point mapped far off the picture) is cut to the
        // image first, so it costs its visible length and not its full length.
        const long kLong = 16384;
        if (std::labs(long(x1) - x0) > kLong || std::labs(long(y1) - y0) > kLong) {
            if (!clipLongLine(b.adjusted(-2, -2, 2, 2), x0, y0, x1, y1)) return;
        }
        uint32_t P = toRgb(st.pen.color) & 0xFFFFFF;
        int adx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        int ady = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = adx + ady;
        uchar* bits = img.bits();
        qsizetype bpl = img.bytesPerLine();
        QRect hit;
        while (x0 != x1 || y0 != y1) {
            if (b.contains(x0, y0)) {
                QRgb* px = reinterpret_cast<QRgb*>(bits + y0 * bpl) + x0;
                *px = 0xFF000000u | (rop2(st.rop2, P, *px & 0xFFFFFF) & 0xFFFFFF);
                hit = hit.united(QRect(x0, y0, 1, 1));
            }
            int e2 = 2 * err;
            if (e2 >= ady) {
                err += ady;
                x0 += sx;
            }
            if (e2 <= adx) {
                err += adx;
                y0 += sy;
            }
        }
        if (!hit.isEmpty()) touched(hit);
    }

    QPen qpen(const QColor& c) const
    {
        QPen pen(c);
        int w = penWidth();
        if (w <= 1) {
            pen.setWidth(0);
            pen.setCosmetic(true);
        } else {
            pen.setWidth(w);
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
        }
        switch (st.pen.style) {
        case PS_DASH: pen.setStyle(Qt::DashLine); break;
        case PS_DOT: pen.setStyle(Qt::DotLine); break;
        case PS_DASHDOT: pen.setStyle(Qt::DashDotLine); break;
        case PS_DASHDOTDOT: pen.setStyle(Qt::DashDotDotLine); break;
        default: break;
        }
        return pen;
    }

    QRect normalized(int l, int t, int r, int b) const
    {
        int L = dx(l), T = dy(t), R = dx(r), B = dy(b);
        if (L > R) std::swap(L, R);
        if (T > B) std::swap(T, B);
        return QRect(QPoint(L, T), QPoint(R - 1, B - 1));  // right and bottom excluded
    }

private:
    int nBatch = 0;
    std::vector<std::recursive_mutex*> batchLocks;
    QRect dirty;
};

struct Locked {
    std::unique_lock<std::recursive_mutex> g;
    explicit Locked(std::recursive_mutex* m) : g(m ? std::unique_lock<std::recursive_mutex>(*m)
                                                  : std::unique_lock<std::recursive_mutex>()) {}
};

void RasterDC::lineTo(int x, int y)
{
    Locked lk(mutex());
    QImage* img = image();
    if (!img || img->isNull() || !hasPen()) return;
    int x0 = dx(st.cpX), y0 = dy(st.cpY), x1 = dx(x), y1 = dy(y);
    if (penWidth() <= 1 && st.pen.style == PS_SOLID) {
        thinLine(*img, x0, y0, x1, y1);
        return;
    }
    int w = penWidth();
    QRect area = QRect(QPoint(std::min(x0, x1), std::min(y0, y1)), QPoint(std::max(x0, x1), std::max(y0, y1)))
                     .adjusted(-w, -w, w, w);
    paintWithRop(*img, st.pen.color, area, [&](QPainter& p, const QColor& c) {
        p.setPen(qpen(c));
        p.drawLine(x0, y0, x1, y1);
    });
}

void RasterDC::rectangle(int l, int t, int r, int b)
{
    Locked lk(mutex());
    QImage* img = image();
    if (!img || img->isNull()) return;
    QRect box = normalized(l, t, r, b);
    if (box.width() <= 0 || box.height() <= 0) return;
    int w = penWidth();
    if (hasBrush()) {
        paintWithRop(*img, st.brush.color, box, [&](QPainter& p, const QColor& c) { p.fillRect(box, c); });
    }
    if (hasPen()) {
        paintWithRop(*img, st.pen.color, box.adjusted(-w, -w, w, w), [&](QPainter& p, const QColor& c) {
            p.setPen(qpen(c));
            p.setBrush(Qt::NoBrush);
            if (w <= 1)
                p.drawRect(box.adjusted(0, 0, -1, -1));
            else
                p.drawRect(QRectF(box).adjusted(w / 2.0, w / 2.0, -w / 2.0, -w / 2.0));
        });
    }
}

// Small ellipses with a one-pixel solid pen (the plot symbols, thousands per
// picture) are set pixel by pixel from their row spans: starting a painter
// for each would cost several times the drawing itself.
bool RasterDC::smallEllipse(QImage& img, const QRect& box)
{
    const int kMaxSide = 64;
    if (box.width() > kMaxSide || box.height() > kMaxSide) return false;
    if (hasPen() && (penWidth() > 1 || st.pen.style != PS_SOLID)) return false;
    int n = box.height();
    int start[kMaxSide + 2], end[kMaxSide + 2];  // rows -1..n, empty outside
    double cx = box.left() + (box.width() - 1) / 2.0, cy = box.top() + (box.height() - 1) / 2.0;
    double a = box.width() / 2.0, bb = box.height() / 2.0;
    start[0] = 1, end[0] = 0;
    start[n + 1] = 1, end[n + 1] = 0;
    for (int k = 0; k < n; k++) {
        double v = (box.top() + k - cy) / bb;
        double hw = a * std::sqrt(std::max(0.0, 1.0 - v * v));
        int x0 = int(std::ceil(cx - hw - 1e-9)), x1 = int(std::floor(cx + hw + 1e-9));
        x0 = std::max(x0, box.left());
        x1 = std::min(x1, box.right());
        start[k + 1] = x0, end[k + 1] = x1;
    }
    QRect lim = bounds(img);
    uchar* bits = img.bits();
    qsizetype bpl = img.bytesPerLine();
    auto put = [&](int x, int y, uint32_t P) {
        if (!lim.contains(x, y)) return;
        QRgb* px = reinterpret_cast<QRgb*>(bits + y * bpl) + x;
        *px = 0xFF000000u | (rop2(st.rop2, P, *px & 0xFFFFFF) & 0xFFFFFF);
    };
    bool bPen = hasPen(), bBrush = hasBrush();
    uint32_t penRgb = toRgb(st.pen.color) & 0xFFFFFF, brushRgb = toRgb(st.brush.color) & 0xFFFFFF;
    for (int k = 1; k <= n; k++) {
        int y = box.top() + k - 1;
        for (int x = start[k]; x <= end[k]; x++) {
            // A pixel with a neighbour outside the shape belongs to the outline.
            bool bEdge = x == start[k] || x == end[k] || x < start[k - 1] || x > end[k - 1] ||
                         x < start[k + 1] || x > end[k + 1];
            if (bEdge && bPen)
                put(x, y, penRgb);
            else if (bBrush)
                put(x, y, brushRgb);
        }
    }
    touched(box.intersected(lim));
    return true;
}

void RasterDC::ellipse(int l, int t, int r, int b)
{
    Locked lk(mutex());
    QImage* img = image();
    if (!img || img->isNull()) return;
    QRect box = normalized(l, t, r, b);
    if (box.width() <= 0 || box.height() <= 0) return;
    if (smallEllipse(*img, box)) return;
    int w = penWidth();
    if (hasBrush()) {
        paintWithRop(*img, st.brush.color, box, [&](QPainter& p, const QColor& c) {
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawEllipse(QRectF(box));
        });
    }
    if (hasPen()) {
        paintWithRop(*img, st.pen.color, box.adjusted(-w, -w, w, w), [&](QPainter& p, const QColor& c) {
            p.setPen(qpen(c));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(box.adjusted(0, 0, -1, -1));
        });
    }
}

void RasterDC::arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye)
{
    Locked lk(mutex());
    QImage* img = image();
    if (!img || img->isNull() || !hasPen()) return;
    QRect box = normalized(l, t, r, b);
    if (box.width() <= 0 || box.height() <= 0) return;
    double cx = box.left() + box.width() / 2.0, cy = box.top() + box.height() / 2.0;
    auto angle = [&](int x, int y) { return std::atan2(-(dy(y) - cy), dx(x) - cx) * 180.0 / M_PI; };
    double a0 = angle(xs, ys), a1 = angle(xe, ye);
    double span = a1 - a0;
    while (span <= 0) span += 360.0;  // counter-clockwise; equal rays give the full ellipse
    int w = penWidth();
    paintWithRop(*img, st.pen.color, box.adjusted(-w, -w, w, w), [&](QPainter& p, const QColor& c) {
        p.setPen(qpen(c));
        p.drawArc(box.adjusted(0, 0, -1, -1), int(std::lround(a0 * 16)), int(std::lround(span * 16)));
    });
}

void RasterDC::polygon(const POINT* pts, int n)
{
    Locked lk(mutex());
    QImage* img = image();
    if (!img || img->isNull() || n < 2) return;
    QPolygon poly;
    for (int i = 0; i < n; i++) poly << QPoint(dx(pts[i].x), dy(pts[i].y));
    int w = penWidth();
    QRect area = poly.boundingRect().adjusted(-w, -w, w, w);
    if (hasBrush()) {
        paintWithRop(*img, st.brush.color, area, [&](QPainter& p, const QColor& c) {
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawPolygon(poly, Qt::OddEvenFill);
        });
    }
    if (hasPen()) {
        paintWithRop(*img, st.pen.color, area, [&](QPainter& p, const QColor& c) {
            p.setPen(qpen(c));
            p.setBrush(Qt::NoBrush);
            p.drawPolygon(poly, Qt::OddEvenFill);
        });
    }
}

void RasterDC::fillRect(const RECT& r, const BrushDesc& b)
{
    Locked lk(mutex());
    QImage* img = image();
    if (!img || img->isNull() || b.style == BS_NULL) return;
    QRect box = normalized(r.left, r.top, r.right, r.bottom).intersected(bounds(*img));
    if (box.isEmpty()) return;
    QPainter p(img);
    p.fillRect(box, QColor(toRgb(b.color)));
    p.end();
    touched(box);
}

void RasterDC::textOut(int x, int y, UINT options, const RECT* rect, const std::string& text)
{
    Locked lk(mutex());
    QImage* img = image();
    if (!img || img->isNull()) return;
    QFont font = qtFont(st.font, scaleY());
    QFontMetricsF fm(font);
    QString s = layerText(text.data(), text.size());
    double w = fm.horizontalAdvance(s);
    double asc = fm.ascent(), desc = fm.descent();
    double angle = st.font.lfEscapement / 10.0;  // counter-clockwise
    UINT a = st.textAlign;
    bool updateCP = (a & TA_UPDATECP) != 0;
    double ax = (a & TA_CENTER) == TA_CENTER ? -w / 2 : (a & TA_RIGHT) ? -w : 0.0;
    double ay = (a & TA_BASELINE) == TA_BASELINE ? 0.0 : (a & TA_BOTTOM) ? -desc : asc;
    double refX = updateCP ? toDeviceX(st.cpX) : dx(x);
    double refY = updateCP ? toDeviceY(st.cpY) : dy(y);
    if (updateCP) {
        refX = std::floor(refX + 0.5);
        refY = std::floor(refY + 0.5);
    }

    QRect area;
    {
        QPainter p(img);
        if (clip) p.setClipRect(*clip);
        QRect opaqueRect;
        if (rect) {
            opaqueRect = normalized(rect->left, rect->top, rect->right, rect->bottom);
            if (options & ETO_OPAQUE) {
                p.fillRect(opaqueRect, QColor(toRgb(st.bkColor)));
                area = opaqueRect;
            }
            if (options & ETO_CLIPPED) p.setClipRect(opaqueRect, clip ? Qt::IntersectClip : Qt::ReplaceClip);
        }
        p.translate(refX, refY);
        p.rotate(-angle);
        QRectF cell(ax, ay - asc, w, asc + desc);
        if (st.bkMode == OPAQUE) p.fillRect(cell, QColor(toRgb(st.bkColor)));
        p.setFont(font);
        p.setPen(QColor(toRgb(st.textColor)));
        p.drawText(QPointF(ax, ay), s);
        area = area.united(p.transform().mapRect(cell).toAlignedRect().adjusted(-1, -1, 1, 1));
    }
    if (updateCP) {
        double adv = (a & TA_CENTER) == TA_CENTER ? 0.0 : (a & TA_RIGHT) ? -w : w;
        double rad = angle * M_PI / 180.0;
        st.cpX = toLogicalX(refX + adv * std::cos(rad));
        st.cpY = toLogicalY(refY - adv * std::sin(rad));
    }
    touched(area.intersected(bounds(*img)));
}

void clipTo(QRect& dst, QPoint& srcPos, const QRect& dstBounds, const QRect& srcBounds)
{
    QRect d = dst.intersected(dstBounds);
    srcPos += d.topLeft() - dst.topLeft();
    dst = d;
    QRect s(srcPos, dst.size());
    QRect sc = s.intersected(srcBounds);
    dst = QRect(dst.topLeft() + (sc.topLeft() - s.topLeft()), sc.size());
    srcPos = sc.topLeft();
}

QString formatOf(const char* path)
{
    std::string p = path;
    std::string ext = p.size() >= 4 ? p.substr(p.size() - 4) : "";
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".bmp" ? QStringLiteral("BMP") : QStringLiteral("PNG");
}

bool saveImage(const QImage& img, const char* path)
{
    std::string native = mapPath(path);
    QString fmt = formatOf(native.c_str());
    // BMP pictures are 24-bit colour, as a screenshot is.
    if (fmt == "BMP") return img.convertToFormat(QImage::Format_RGB888).save(QString::fromLocal8Bit(native.c_str()), "BMP");
    return img.save(QString::fromLocal8Bit(native.c_str()), "PNG");
}

}  // namespace

// ---------------------------------------------------------------- factories

std::shared_ptr<Surface> newSurface(int width, int height)
{
    auto s = std::make_shared<Surface>();
    s->image = QImage(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    s->image.fill(Qt::white);
    return s;
}

void resizeSurface(Surface& s, int width, int height)
{
    std::lock_guard<std::recursive_mutex> g(s.lock);
    QImage img(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.drawImage(0, 0, s.image);
    }
    s.image = img;
}

bool saveSurface(Surface& s, const char* path)
{
    QImage copy;
    {
        std::lock_guard<std::recursive_mutex> g(s.lock);
        copy = s.image.copy();
    }
    return saveImage(copy, path);
}

DeviceContext* newWindowDC(HWND h, std::shared_ptr<Surface> s)
{
    auto* dc = new RasterDC;
    dc->hwnd = h;
    dc->surface = std::move(s);
    return dc;
}

DeviceContext* newMemoryDC()
{
    auto* dc = new RasterDC;
    dc->bMemory = true;
    return dc;
}

std::shared_ptr<BitmapData> newBitmap(int width, int height)
{
    auto b = std::make_shared<BitmapData>();
    b->image = QImage(width, height, QImage::Format_RGB32);
    if (b->image.isNull()) return nullptr;
    b->image.fill(width == 1 && height == 1 ? Qt::white : Qt::black);
    return b;
}

bool saveBitmapData(BitmapData& b, const char* path)
{
    QImage copy;
    {
        std::lock_guard<std::recursive_mutex> g(b.lock);
        copy = b.image.copy();
    }
    return saveImage(copy, path);
}

std::shared_ptr<BitmapData> loadBitmapData(const char* path, int* pWidth, int* pHeight)
{
    QImage img(QString::fromLocal8Bit(mapPath(path).c_str()));
    if (img.isNull()) return nullptr;
    auto b = std::make_shared<BitmapData>();
    b->image = img.convertToFormat(QImage::Format_RGB32);
    if (pWidth) *pWidth = b->image.width();
    if (pHeight) *pHeight = b->image.height();
    return b;
}

bool selectBitmap(DeviceContext* dc, const std::shared_ptr<BitmapData>& b)
{
    auto* r = dynamic_cast<RasterDC*>(dc);
    if (!r || !r->bMemory || !b) return false;
    r->bitmap = b;
    return true;
}

bool isMemoryDC(DeviceContext* dc)
{
    auto* r = dynamic_cast<RasterDC*>(dc);
    return r && r->bMemory;
}

BOOL bitBlt(DeviceContext* dst0, int x, int y, int cx, int cy, DeviceContext* src0, int x1, int y1, DWORD rop)
{
    auto* dst = dynamic_cast<RasterDC*>(dst0);
    auto* src = dynamic_cast<RasterDC*>(src0);
    if (!dst) return FALSE;
    std::recursive_mutex* m1 = dst->mutex();
    std::recursive_mutex* m2 = src ? src->mutex() : nullptr;
    if (m1 == m2) m2 = nullptr;
    if (m1 && m2 && m2 < m1) std::swap(m1, m2);  // one order for every pair
    Locked l1(m1), l2(m2);
    QImage* di = dst->image();
    if (!di || di->isNull()) return FALSE;
    int X = dst->dx(x), Y = dst->dy(y);
    int W = int(std::lround(cx * dst->scaleX())), H = int(std::lround(cy * dst->scaleY()));
    QRect d(X, Y, W, H);
    d = d.normalized();
    if (rop == BLACKNESS || rop == WHITENESS) {
        QRect r = d.intersected(dst->bounds(*di));
        QPainter p(di);
        p.fillRect(r, rop == BLACKNESS ? Qt::black : Qt::white);
        p.end();
        dst->touched(r);
        return TRUE;
    }
    if (!src) return FALSE;
    QImage* si = src->image();
    if (!si || si->isNull()) return FALSE;
    QPoint sp(src->dx(x1), src->dy(y1));
    clipTo(d, sp, dst->bounds(*di), si->rect());
    if (d.isEmpty()) return TRUE;
    if (si == di) {
        QImage part = si->copy(QRect(sp, d.size()));
        QPainter p(di);
        p.setCompositionMode(rop == SRCINVERT ? QPainter::RasterOp_SourceXorDestination
                                              : QPainter::CompositionMode_Source);
        p.drawImage(d.topLeft(), part);
    } else {
        for (int r = 0; r < d.height(); r++) {
            const QRgb* s = reinterpret_cast<const QRgb*>(si->constScanLine(sp.y() + r)) + sp.x();
            QRgb* t = reinterpret_cast<QRgb*>(di->scanLine(d.top() + r)) + d.left();
            if (rop == SRCINVERT)
                for (int c = 0; c < d.width(); c++) t[c] = 0xFF000000u | ((t[c] ^ s[c]) & 0xFFFFFF);
            else
                for (int c = 0; c < d.width(); c++) t[c] = 0xFF000000u | s[c];
        }
    }
    dst->touched(d);
    return TRUE;
}

COLORREF pixelAt(DeviceContext* dc0, int x, int y)
{
    auto* dc = dynamic_cast<RasterDC*>(dc0);
    if (!dc) return CLR_INVALID;
    Locked lk(dc->mutex());
    QImage* img = dc->image();
    int X = dc->dx(x), Y = dc->dy(y);
    if (!img || !img->rect().contains(X, Y)) return CLR_INVALID;
    return toColorRef(img->pixel(X, Y));
}

void setDeviceClip(DeviceContext* dc0, const RECT* r)
{
    auto* dc = dynamic_cast<RasterDC*>(dc0);
    if (!dc) return;
    if (r)
        dc->clip = QRect(QPoint(r->left, r->top), QPoint(r->right - 1, r->bottom - 1));
    else
        dc->clip.reset();
}

bool renderMetaFileImage(HMETAFILE h, int width, int height, const char* path)
{
    MetaFileData* m = metaFile(h);
    if (!m) return false;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, width, height);
    if (!bmp) {
        DeleteDC(dc);
        return false;
    }
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetMapMode(dc, MM_ANISOTROPIC);
    SIZE ext = m->windowExt.cx ? m->windowExt : SIZE{width, height};
    SetWindowExtEx(dc, ext.cx, ext.cy, nullptr);
    SetViewportExtEx(dc, width, height, nullptr);
    PlayMetaFile(dc, h);
    bool ok = saveBitmapImage(bmp, path);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return ok;
}

}  // namespace win::detail
