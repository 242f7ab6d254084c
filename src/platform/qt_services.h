// Inside the window layer, Qt side of the services: pictures, bitmaps and
// the window surface as images.
#pragma once

#include <QByteArray>
#include <QImage>

#include "platform/qt/qt_internal.h"
#include "platform/raster.h"
#include "platform/services.h"

class QWidget;

namespace win::detail {

// A copy of a bitmap's pixels (null image for no bitmap).
QImage bitmapImage(HBITMAP h);
// A new bitmap holding the image.
HBITMAP bitmapFromImage(const QImage& image);
// The metafile played with MM_ANISOTROPIC onto width x height pixels.
QImage metaFileImage(HMETAFILE h, int width, int height);
// The same drawn as vectors into an SVG document of width x height pixels,
// of widthMm x heightMm millimetres when given (else 0).
QByteArray metaFileSvg(HMETAFILE h, int width, int height, double widthMm, double heightMm);
// A copy of a window's surface (null image for no window).
QImage windowImage(HWND h);
// The screen's window of a layer window (null: none), the parent of the
// dialogs it owns; the active window when it has none.
QWidget* dialogParent(HWND owner);
// Text of the layer (UTF-8) cut to at most maxBytes without splitting a
// character.
std::string cutText(const std::string& text, size_t maxBytes);

}  // namespace win::detail
