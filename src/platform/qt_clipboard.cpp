// The clipboard on Qt's clipboard: what is set between OpenClipboard and
// CloseClipboard goes to the desktop as one set of formats when it closes.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/qt_services.h"

namespace win {

namespace {

struct Clipboard {
    bool open = false;
    bool changed = false;
    // set in this opening, published at CloseClipboard
    bool hasText = false;
    std::string text;
    METAFILEPICT pict{0, 0, 0, nullptr};
    QImage image;
    // what the clipboard owns: the blocks and objects it was given, and the
    // blocks it gave out; released when its contents change
    std::vector<HGLOBAL> blocks;
    std::vector<HMETAFILE> metafiles;
    std::vector<HBITMAP> bitmaps;
    // our last picture on the desktop's clipboard
    const QMimeData* published = nullptr;
    METAFILEPICT publishedPict{0, 0, 0, nullptr};
};

std::recursive_mutex gClipLock;
// Never destroyed: what the clipboard holds is its own until the program ends.
Clipboard& gClip = *new Clipboard;

QClipboard* desktop()
{
    detail::ensureApplication();
    return QGuiApplication::clipboard();
}

bool ours()
{
    return gClip.published && desktop()->mimeData() == gClip.published;
}

void releaseOwned()
{
    for (HGLOBAL b : gClip.blocks) GlobalFree(b);
    for (HMETAFILE m : gClip.metafiles) DeleteMetaFile(m);
    for (HBITMAP b : gClip.bitmaps) DeleteObject(b);
    gClip.blocks.clear();
    gClip.metafiles.clear();
    gClip.bitmaps.clear();
    gClip.publishedPict = METAFILEPICT{0, 0, 0, nullptr};
}

// The pixel size a picture is rendered at: 1400 pixels along its longer side,
// in the proportions of its suggested size (or of its window extent).
QSize pictureSize(const METAFILEPICT& p)
{
    double w = p.xExt, h = p.yExt;
    if (!(w > 0 && h > 0)) {
        detail::MetaFileData* m = detail::metaFile(p.hMF);
        w = m && m->windowExt.cx > 0 ? m->windowExt.cx : 1399;
        h = m && m->windowExt.cy > 0 ? m->windowExt.cy : 1000;
    }
    double s = 1400.0 / std::max(w, h);
    return QSize(std::max(1, int(std::lround(w * s))), std::max(1, int(std::lround(h * s))));
}

std::string modeName(LONG mm)
{
    switch (mm) {
    case MM_TEXT: return "MM_TEXT";
    case MM_ISOTROPIC: return "MM_ISOTROPIC";
    case MM_ANISOTROPIC: return "MM_ANISOTROPIC";
    default: return std::to_string(mm);
    }
}

}  // namespace

BOOL OpenClipboard(HWND)
{
    std::lock_guard<std::recursive_mutex> g(gClipLock);
    if (gClip.open) return FALSE;
    gClip.open = true;
    gClip.changed = false;
    gClip.hasText = false;
    gClip.text.clear();
    gClip.pict = METAFILEPICT{0, 0, 0, nullptr};
    gClip.image = QImage();
    return TRUE;
}

BOOL EmptyClipboard()
{
    std::lock_guard<std::recursive_mutex> g(gClipLock);
    if (!gClip.open) return FALSE;
    releaseOwned();
    gClip.changed = true;
    gClip.hasText = false;
    gClip.pict = METAFILEPICT{0, 0, 0, nullptr};
    gClip.image = QImage();
    return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem)
{
    std::lock_guard<std::recursive_mutex> g(gClipLock);
    if (!gClip.open || !hMem) return nullptr;
    switch (uFormat) {
    case CF_TEXT: {
        SIZE_T size = GlobalSize(hMem);
        const char* p = static_cast<const char*>(GlobalLock(hMem));
        if (!p || size == 0) return nullptr;
        gClip.text.assign(p, strnlen(p, size));
        GlobalUnlock(hMem);
        gClip.hasText = true;
        gClip.blocks.push_back(hMem);
        headless::transcribe("Clipboard CF_TEXT " + headless::quote(gClip.text));
        break;
    }
    case CF_METAFILEPICT: {
        if (GlobalSize(hMem) < sizeof(METAFILEPICT)) return nullptr;
        METAFILEPICT mp;
        std::memcpy(&mp, GlobalLock(hMem), sizeof mp);
        GlobalUnlock(hMem);
        if (!detail::metaFile(mp.hMF)) return nullptr;
        gClip.pict = mp;
        gClip.blocks.push_back(hMem);
        gClip.metafiles.push_back(mp.hMF);
        headless::transcribe("Clipboard CF_METAFILEPICT " + modeName(mp.mm) + " " + std::to_string(mp.xExt) + " " +
                             std::to_string(mp.yExt) + " (" + std::to_string(metaFileListing(mp.hMF).size()) +
                             " records)");
        break;
    }
    case CF_BITMAP: {
        QImage img = detail::bitmapImage(static_cast<HBITMAP>(hMem));
        if (img.isNull()) return nullptr;
        gClip.image = img;
        gClip.bitmaps.push_back(static_cast<HBITMAP>(hMem));
        headless::transcribe("Clipboard CF_BITMAP " + std::to_string(img.width()) + " x " +
                             std::to_string(img.height()));
        break;
    }
    default: return nullptr;
    }
    gClip.changed = true;
    return hMem;
}

BOOL CloseClipboard()
{
    std::lock_guard<std::recursive_mutex> g(gClipLock);
    if (!gClip.open) return FALSE;
    gClip.open = false;
    if (!gClip.changed) return TRUE;
    auto* data = new QMimeData;
    bool any = false;
    if (gClip.hasText) {
        data->setText(detail::qt::toQt(gClip.text));
        any = true;
    }
    if (gClip.pict.hMF) {
        // The picture as vectors (SVG, at its suggested size) and as an image.
        QSize px = pictureSize(gClip.pict);
        bool sized = gClip.pict.xExt > 0 && gClip.pict.yExt > 0 &&
                     (gClip.pict.mm == MM_ISOTROPIC || gClip.pict.mm == MM_ANISOTROPIC);
        data->setData(QStringLiteral("image/svg+xml"),
                      detail::metaFileSvg(gClip.pict.hMF, px.width(), px.height(), sized ? gClip.pict.xExt / 100.0 : 0,
                                          sized ? gClip.pict.yExt / 100.0 : 0));
        data->setImageData(detail::metaFileImage(gClip.pict.hMF, px.width(), px.height()));
        any = true;
    } else if (!gClip.image.isNull()) {
        data->setImageData(gClip.image);
        any = true;
    }
    if (!any) {
        delete data;
        desktop()->clear();
        gClip.published = nullptr;
        return TRUE;
    }
    desktop()->setMimeData(data);
    gClip.published = data;
    gClip.publishedPict = gClip.pict;
    return TRUE;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    std::lock_guard<std::recursive_mutex> g(gClipLock);
    const QMimeData* m = desktop()->mimeData();
    switch (format) {
    case CF_TEXT: return m && m->hasText() ? TRUE : FALSE;
    case CF_BITMAP: return m && m->hasImage() ? TRUE : FALSE;
    case CF_METAFILEPICT: return ours() && gClip.publishedPict.hMF ? TRUE : FALSE;
    default: return FALSE;
    }
}

HANDLE GetClipboardData(UINT uFormat)
{
    std::lock_guard<std::recursive_mutex> g(gClipLock);
    if (!gClip.open) return nullptr;
    const QMimeData* m = desktop()->mimeData();
    switch (uFormat) {
    case CF_TEXT: {
        if (!m || !m->hasText()) return nullptr;
        std::string t = detail::qt::fromQt(m->text());
        HGLOBAL h = GlobalAlloc(GHND, t.size() + 1);
        if (!h) return nullptr;
        std::memcpy(GlobalLock(h), t.data(), t.size());
        GlobalUnlock(h);
        gClip.blocks.push_back(h);
        return h;
    }
    case CF_METAFILEPICT: {
        if (!ours() || !gClip.publishedPict.hMF) return nullptr;
        HGLOBAL h = GlobalAlloc(GHND, sizeof(METAFILEPICT));
        if (!h) return nullptr;
        std::memcpy(GlobalLock(h), &gClip.publishedPict, sizeof(METAFILEPICT));
        GlobalUnlock(h);
        gClip.blocks.push_back(h);
        return h;
    }
    case CF_BITMAP: {
        if (!m || !m->hasImage()) return nullptr;
        HBITMAP b = detail::bitmapFromImage(qvariant_cast<QImage>(m->imageData()));
        if (b) gClip.bitmaps.push_back(b);
        return b;
    }
    default: return nullptr;
    }
}

namespace detail {

std::vector<std::string> desktopClipboardTypes()
{
    std::vector<std::string> out;
    if (const QMimeData* m = desktop()->mimeData())
        for (const QString& f : m->formats()) out.push_back(f.toStdString());
    return out;
}

std::string desktopClipboardData(const std::string& type)
{
    const QMimeData* m = desktop()->mimeData();
    if (!m) return std::string();
    QByteArray b = m->data(QString::fromStdString(type));
    return std::string(b.constData(), size_t(b.size()));
}

}  // namespace detail

}  // namespace win
