// Inside the window layer, Qt side: what the raster part shares with the other
// Qt parts of the layer (clipboard, printing, pictures, dialogs).
#pragma once

#include <QFont>
#include <QImage>

#include <mutex>

#include "platform/internal.h"
#include "platform/raster_surface.h"

namespace win::detail {

struct BitmapData {
    std::recursive_mutex lock;
    QImage image;
};

// The Qt font of a logical font under a vertical scale (heights in logical
// units: positive = cell, negative = character height).
QFont qtFont(const LOGFONTA& lf, double scaleY);

// A text of the layer as Qt shows it: UTF-8 (file names of this system),
// or, when it is no valid UTF-8, Latin-1 bytes as the program's own texts
// may hold them.
QString layerText(const char* text, size_t size);

// The size of a text in the font of a context (advance and cell height), in
// its logical units.
SIZE measuredTextExtent(const DeviceContext& dc, const std::string& text);

}  // namespace win::detail
