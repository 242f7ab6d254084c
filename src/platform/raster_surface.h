// The window surface's pixels, for the screen backend that shows them.
#pragma once

#include <QImage>

#include <mutex>

namespace win::detail {

struct Surface {
    std::recursive_mutex lock;
    QImage image;
};

// Makes the application object when nothing made one yet (QApplication, on
// the offscreen platform unless QT_QPA_PLATFORM says otherwise).
void ensureApplication();

}  // namespace win::detail
