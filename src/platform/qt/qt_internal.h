// Inside the Qt Widgets backend: the frame window, its client area, and the
// backend's state shared by its files.
#pragma once

#include <QMainWindow>
#include <QWidget>

#include <map>
#include <string>

#include "platform/internal.h"
#include "platform/raster_surface.h"

class QMenu;
class QKeyEvent;
class QMouseEvent;

namespace win::detail::qt {

class ClientArea;

// A top-level window of the layer: the menu bar above, the surface below.
class FrameWindow : public QMainWindow {
public:
    explicit FrameWindow(HWND h);
    HWND hwnd;
    ClientArea* client;

    // The menu bar is rebuilt from the HMENU data when Qt next handles
    // events, so that a burst of changes costs one rebuild.
    void scheduleMenu();
    void rebuildMenu();
    // A paint of the invalid part is due when nothing is computing.
    void requestPaint();
    // The command's action on the menu bar (null when none).
    QAction* actionOf(UINT id) const;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void fill(QMenu* menu, HMENU h);
    QAction* addItem(QWidget* owner, HMENU h, int pos, bool bBar, const std::string& altLetters);
    bool bMenuPending = false;
    bool bPaintPending = false;
    std::map<UINT, QAction*> actions;
};

// Shows the surface; turns input into messages.
class ClientArea : public QWidget {
public:
    ClientArea(HWND h, QWidget* parent);
    HWND hwnd;
    LPCSTR cursorName = nullptr;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab is a key of the window
};

FrameWindow* frameOf(HWND h);
// Inside the backend's own event processing while a handler runs (a
// computation looking at the queue): Qt's own reactions to input (menus,
// shortcuts, drops) are held off and the window is not painted.
bool diverting();
// Lets Qt handle pending events (waiting for one when wait is set).
void pump(bool wait);

// Input to messages.
UINT virtualKeyOf(const QKeyEvent* e);
void postKey(HWND h, const QKeyEvent* e, bool press);
void postMouse(HWND h, const QMouseEvent* e, UINT message);
void postWheel(HWND h, const QWheelEvent* e);

QString toQt(const std::string& s);
std::string fromQt(const QString& s);

// Dialogs (qt_dialogs.cpp)
int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);
bool inputLine(HWND owner, const std::string& title, const std::string& prompt, std::string& text, int maxChars);
bool fileDialog(const FileDialogRequest& r, std::vector<std::string>& paths);

}  // namespace win::detail::qt
