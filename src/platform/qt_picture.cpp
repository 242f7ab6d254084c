// Pictures for other programs: a metafile rendered as an image or drawn as
// vectors into SVG, and bitmaps converted to and from images.
#include <QBuffer>
#include <QFontMetricsF>
#include <QPainter>
#include <QSvgGenerator>

#include <cmath>

#include "platform/qt_services.h"

namespace win::detail {

namespace {

QColor colour(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// A device context drawing with a painter in device units, as vectors: the
// raster operations other than copying have no meaning here and draw as
// copies; lines keep their end point.
class PainterDC : public DeviceContext {
public:
    explicit PainterDC(QPainter* painter) : p(painter) {}

    void lineTo(int x, int y) override
    {
        if (st.pen.style != PS_NULL && st.rop2 != R2_NOP) {
            p->setPen(pen());
            p->drawLine(QPointF(toDeviceX(st.cpX), toDeviceY(st.cpY)), QPointF(toDeviceX(x), toDeviceY(y)));
        }
        st.cpX = x;
        st.cpY = y;
    }
    void rectangle(int l, int t, int r, int b) override
    {
        shape([&] { p->drawRect(box(l, t, r, b)); });
    }
    void ellipse(int l, int t, int r, int b) override
    {
        shape([&] { p->drawEllipse(box(l, t, r, b)); });
    }
    void arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) override
    {
        if (st.pen.style == PS_NULL) return;
        QRectF bx = box(l, t, r, b);
        QPointF c = bx.center();
        auto angle = [&](int x, int y) { return std::atan2(-(toDeviceY(y) - c.y()), toDeviceX(x) - c.x()) * 180.0 / M_PI; };
        double a0 = angle(xs, ys), span = angle(xe, ye) - a0;
        while (span <= 0) span += 360.0;
        p->setPen(pen());
        p->setBrush(Qt::NoBrush);
        p->drawArc(bx, int(std::lround(a0 * 16)), int(std::lround(span * 16)));
    }
    void polygon(const POINT* pts, int n) override
    {
        if (n < 2) return;
        QPolygonF poly;
        for (int i = 0; i < n; i++) poly << QPointF(toDeviceX(pts[i].x), toDeviceY(pts[i].y));
        shape([&] { p->drawPolygon(poly, Qt::OddEvenFill); });
    }
    void fillRect(const RECT& r, const BrushDesc& b) override
    {
        if (b.style == BS_NULL) return;
        p->fillRect(box(r.left, r.top, r.right, r.bottom), colour(b.color));
    }
    bool textExtent(const std::string& text, SIZE* size) override
    {
        *size = measuredTextExtent(*this, text);
        return true;
    }
    void textOut(int x, int y, UINT options, const RECT* rect, const std::string& text) override
    {
        QFont font = qtFont(st.font, scaleY());
        QFontMetricsF fm(font);
        QString s = layerText(text.data(), text.size());
        double w = fm.horizontalAdvance(s), asc = fm.ascent(), desc = fm.descent();
        double angle = st.font.lfEscapement / 10.0;
        UINT a = st.textAlign;
        bool updateCP = (a & TA_UPDATECP) != 0;
        double ax = (a & TA_CENTER) == TA_CENTER ? -w / 2 : (a & TA_RIGHT) ? -w : 0.0;
        double ay = (a & TA_BASELINE) == TA_BASELINE ? 0.0 : (a & TA_BOTTOM) ? -desc : asc;
        double refX = toDeviceX(updateCP ? st.cpX : x), refY = toDeviceY(updateCP ? st.cpY : y);
        p->save();
        if (rect) {
            QRectF r = box(rect->left, rect->top, rect->right, rect->bottom);
            if (options & ETO_OPAQUE) p->fillRect(r, colour(st.bkColor));
            if (options & ETO_CLIPPED) p->setClipRect(r, Qt::IntersectClip);
        }
        p->translate(refX, refY);
        p->rotate(-angle);
        if (st.bkMode == OPAQUE) p->fillRect(QRectF(ax, ay - asc, w, asc + desc), colour(st.bkColor));
        p->setFont(font);
        p->setPen(colour(st.textColor));
        p->drawText(QPointF(ax, ay), s);
        p->restore();
        if (updateCP) {
            double adv = (a & TA_CENTER) == TA_CENTER ? 0.0 : (a & TA_RIGHT) ? -w : w;
            double rad = angle * M_PI / 180.0;
            st.cpX = toLogicalX(refX + adv * std::cos(rad));
            st.cpY = toLogicalY(refY - adv * std::sin(rad));
        }
    }

private:
    QPainter* p;

    QRectF box(int l, int t, int r, int b) const
    {
        return QRectF(QPointF(toDeviceX(l), toDeviceY(t)), QPointF(toDeviceX(r), toDeviceY(b))).normalized();
    }
    QPen pen() const
    {
        QPen q(colour(st.pen.color));
        double w = st.pen.width <= 0 ? 0.0 : std::max(1.0, st.pen.width * std::abs(scaleX()));
        q.setWidthF(w);
        q.setCosmetic(w == 0.0);
        q.setCapStyle(Qt::RoundCap);
        q.setJoinStyle(Qt::RoundJoin);
        switch (st.pen.style) {
        case PS_DASH: q.setStyle(Qt::DashLine); break;
        case PS_DOT: q.setStyle(Qt::DotLine); break;
        case PS_DASHDOT: q.setStyle(Qt::DashDotLine); break;
        case PS_DASHDOTDOT: q.setStyle(Qt::DashDotDotLine); break;
        default: break;
        }
        return q;
    }
    template <class Draw>
    void shape(Draw draw)
    {
        if (st.rop2 == R2_NOP) return;
        p->setPen(st.pen.style == PS_NULL ? QPen(Qt::NoPen) : pen());
        p->setBrush(st.brush.style == BS_NULL ? QBrush(Qt::NoBrush) : QBrush(colour(st.brush.color)));
        draw();
    }
};

// Plays a metafile onto a context under MM_ANISOTROPIC, its window extent
// onto width x height.
void playScaled(DeviceContext* dc, HMETAFILE h, int width, int height)
{
    MetaFileData* m = metaFile(h);
    HDC hdc = handleOf(dc);
    SIZE ext = m && m->windowExt.cx ? m->windowExt : SIZE{width, height};
    SetMapMode(hdc, MM_ANISOTROPIC);
    SetWindowExtEx(hdc, ext.cx, ext.cy, nullptr);
    SetViewportExtEx(hdc, width, height, nullptr);
    PlayMetaFile(hdc, h);
}

}  // namespace

QImage bitmapImage(HBITMAP h)
{
    GdiObject* o = gdiObject(h);
    if (!o || o->kind != ObjKind::Bitmap || !o->bitmap) return QImage();
    std::lock_guard<std::recursive_mutex> g(o->bitmap->lock);
    return o->bitmap->image.copy();
}

HBITMAP bitmapFromImage(const QImage& image)
{
    if (image.isNull()) return nullptr;
    HBITMAP b = CreateCompatibleBitmap(nullptr, image.width(), image.height());
    GdiObject* o = gdiObject(b);
    if (!o) return nullptr;
    std::lock_guard<std::recursive_mutex> g(o->bitmap->lock);
    o->bitmap->image = image.convertToFormat(QImage::Format_RGB32);
    return b;
}

QImage metaFileImage(HMETAFILE h, int width, int height)
{
    if (!metaFile(h) || width <= 0 || height <= 0) return QImage();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    playScaled(deviceContext(dc), h, width, height);
    SelectObject(dc, old);
    DeleteDC(dc);
    QImage img = bitmapImage(bmp);
    DeleteObject(bmp);
    return img;
}

QByteArray metaFileSvg(HMETAFILE h, int width, int height, double widthMm, double heightMm)
{
    if (!metaFile(h) || width <= 0 || height <= 0) return QByteArray();
    ensureApplication();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    if (widthMm > 0) svg.setResolution(std::max(1, int(std::lround(width / (widthMm / 25.4)))));
    {
        QPainter p(&svg);
        p.fillRect(QRect(0, 0, width, height), Qt::white);
        PainterDC dc(&p);
        registerDC(&dc);
        playScaled(&dc, h, width, height);
        unregisterDC(&dc);
    }
    QByteArray doc = out.data();
    if (widthMm > 0 && heightMm > 0) {
        // The physical size exactly (the generator's resolution is whole dots per inch).
        int w = doc.indexOf("width=\""), e = doc.indexOf("viewBox");
        if (w >= 0 && e > w)
            doc.replace(w, e - w,
                        QStringLiteral("width=\"%1mm\" height=\"%2mm\"\n ").arg(widthMm).arg(heightMm).toLatin1());
    }
    return doc;
}

}  // namespace win::detail
