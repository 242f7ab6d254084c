// Acting on the screen as a person would: key presses, mouse clicks, menu
// choices and dropped files go through Qt's own event path, so shortcuts,
// menus and the diversion see them as they see a person's input.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "platform/qt/qt_internal.h"
#include "platform/qt/screen.h"

// Qt's entries for synthetic input (the ones its test library uses).
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString& text = QString(), bool autorep = false, ushort count = 1);
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);
QT_END_NAMESPACE

namespace win::screen {

using namespace win::detail;
using namespace win::detail::qt;

namespace {

int qtKeyOf(UINT vk)
{
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + int(vk - 'A');
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + int(vk - '0');
    if (vk >= VK_F1 && vk <= VK_F12) return Qt::Key_F1 + int(vk - VK_F1);
    switch (vk) {
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_RETURN: return Qt::Key_Return;
    case VK_TAB: return Qt::Key_Tab;
    case VK_BACK: return Qt::Key_Backspace;
    case VK_SPACE: return Qt::Key_Space;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_HOME: return Qt::Key_Home;
    case VK_END: return Qt::Key_End;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_LEFT: return Qt::Key_Left;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_UP: return Qt::Key_Up;
    case VK_DOWN: return Qt::Key_Down;
    case VK_SHIFT: return Qt::Key_Shift;
    case VK_CONTROL: return Qt::Key_Control;
    case VK_MENU: return Qt::Key_Alt;
    case VK_OEM_PERIOD: return Qt::Key_Period;
    case VK_OEM_COMMA: return Qt::Key_Comma;
    case VK_OEM_MINUS: return Qt::Key_Minus;
    case VK_OEM_PLUS: return Qt::Key_Equal;
    default: return 0;
    }
}

QString textOf(UINT vk, unsigned mods)
{
    if (mods & Alt) return QString();
    char c = 0;
    if (vk >= 'A' && vk <= 'Z') c = (mods & Ctrl) ? char(vk - 'A' + 1) : (mods & Shift) ? char(vk) : char(vk - 'A' + 'a');
    else if (vk >= '0' && vk <= '9') c = char(vk);
    else if (vk == VK_ESCAPE) c = 0x1B;
    else if (vk == VK_RETURN) c = '\r';
    else if (vk == VK_TAB) c = '\t';
    else if (vk == VK_BACK) c = 0x08;
    else if (vk == VK_SPACE) c = ' ';
    else if (vk == VK_OEM_PERIOD) c = '.';
    else if (vk == VK_OEM_COMMA) c = ',';
    else if (vk == VK_OEM_MINUS) c = '-';
    return c ? QString(QChar(c)) : QString();
}

Qt::KeyboardModifiers qtMods(unsigned m)
{
    Qt::KeyboardModifiers q;
    if (m & Shift) q |= Qt::ShiftModifier;
    if (m & Ctrl) q |= Qt::ControlModifier;
    if (m & Alt) q |= Qt::AltModifier;
    return q;
}

QWindow* windowOf(HWND h)
{
    FrameWindow* f = frameOf(h);
    return f ? f->windowHandle() : nullptr;
}

// Input arrives when Qt next handles events, as a person's does.
void later(std::function<void()> f)
{
    QTimer::singleShot(0, qApp, std::move(f));
}

void sendKey(HWND h, UINT vk, unsigned mods, bool press)
{
    later([h, vk, mods, press] {
        QWindow* w = windowOf(h);
        if (!w) return;
        // The modifiers go down before the key and come up after it.
        struct M {
            unsigned bit;
            int key;
        } order[] = {{Shift, Qt::Key_Shift}, {Ctrl, Qt::Key_Control}, {Alt, Qt::Key_Alt}};
        unsigned held = 0;
        if (press) {
            for (const M& m : order)
                if (mods & m.bit) {
                    held |= m.bit;
                    qt_handleKeyEvent(w, QEvent::KeyPress, m.key, qtMods(held));
                }
            qt_handleKeyEvent(w, QEvent::KeyPress, qtKeyOf(vk), qtMods(mods), textOf(vk, mods));
        } else {
            qt_handleKeyEvent(w, QEvent::KeyRelease, qtKeyOf(vk), qtMods(mods), textOf(vk, mods));
            held = mods;
            for (int i = 2; i >= 0; i--)
                if (mods & order[i].bit) {
                    held &= ~order[i].bit;
                    qt_handleKeyEvent(w, QEvent::KeyRelease, order[i].key, qtMods(held));
                }
        }
    });
}

int gMouseTime = 1000;

void describe(const QList<QAction*>& actions, int depth, std::vector<std::string>& out)
{
    std::string indent(size_t(depth) * 2, ' ');
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            out.push_back(indent + "-");
            continue;
        }
        std::string line = indent + fromQt(a->text());
        if (a->isChecked()) line += " [checked]";
        if (!a->isEnabled()) line += " [grayed]";
        out.push_back(line);
        if (a->menu()) describe(a->menu()->actions(), depth + 1, out);
    }
}

// The chain of menu actions from the bar to the command's item.
bool findPath(const QList<QAction*>& actions, UINT id, std::vector<QAction*>& path)
{
    for (QAction* a : actions) {
        path.push_back(a);
        if (a->menu()) {
            if (findPath(a->menu()->actions(), id, path)) return true;
        } else if (a->data().isValid() && a->data().toUInt() == id) {
            return true;
        }
        path.pop_back();
    }
    return false;
}

QMenuBar* barOf(FrameWindow* f)
{
    QCoreApplication::sendPostedEvents(f);  // a rebuild still waiting
    return f ? qobject_cast<QMenuBar*>(f->menuWidget()) : nullptr;
}

}  // namespace

void keyClick(HWND hWnd, UINT vk, unsigned modifiers)
{
    sendKey(hWnd, vk, modifiers, true);
    sendKey(hWnd, vk, modifiers, false);
}

void keyDown(HWND hWnd, UINT vk, unsigned modifiers)
{
    sendKey(hWnd, vk, modifiers, true);
}

void keyUp(HWND hWnd, UINT vk, unsigned modifiers)
{
    sendKey(hWnd, vk, modifiers, false);
}

void mouse(HWND hWnd, UINT message, int x, int y)
{
    later([hWnd, message, x, y] {
        FrameWindow* f = frameOf(hWnd);
        QWindow* w = windowOf(hWnd);
        if (!f || !w) return;
        QPointF local = f->client->mapTo(f, QPoint(x, y));
        QPointF global = f->mapToGlobal(local.toPoint());
        Qt::MouseButton b = message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? Qt::RightButton
                            : message == WM_MOUSEMOVE                             ? Qt::NoButton
                                                                                  : Qt::LeftButton;
        bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN;
        QEvent::Type t = message == WM_MOUSEMOVE ? QEvent::MouseMove
                         : down                  ? QEvent::MouseButtonPress
                                                 : QEvent::MouseButtonRelease;
        gMouseTime += 1000;  // never a double click
        qt_handleMouseEvent(w, local, global, down ? Qt::MouseButtons(b) : Qt::MouseButtons(), b, t, Qt::NoModifier,
                            gMouseTime);
    });
}

bool dropFiles(HWND hWnd, const std::vector<std::string>& paths, int x, int y)
{
    FrameWindow* f = frameOf(hWnd);
    if (!f) return false;
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& p : paths) urls << QUrl::fromLocalFile(toQt(p));
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(x, y), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f->client, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(x, y), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f->client, &drop);
    return drop.isAccepted();
}

bool pressOnMenuItem(HWND hWnd, UINT commandId, UINT vk)
{
    FrameWindow* f = frameOf(hWnd);
    QMenuBar* bar = barOf(f);
    std::vector<QAction*> path;
    if (!bar || !findPath(bar->actions(), commandId, path) || path.size() < 2) return false;
    // Open the menus down to the item and highlight it.
    bar->setActiveAction(path[0]);
    QCoreApplication::processEvents();
    for (size_t i = 0; i + 1 < path.size(); i++) {
        QMenu* m = path[i]->menu();
        if (!m->isVisible()) m->popup(f->mapToGlobal(QPoint(int(i) * 50, 30)));
        QCoreApplication::processEvents();
        m->setActiveAction(path[i + 1]);
    }
    QCoreApplication::processEvents();
    QMenu* last = path[path.size() - 2]->menu();
    qt_handleKeyEvent(last->windowHandle() ? last->windowHandle() : f->windowHandle(), QEvent::KeyPress, qtKeyOf(vk),
                      Qt::NoModifier, textOf(vk, 0));
    qt_handleKeyEvent(last->windowHandle() ? last->windowHandle() : f->windowHandle(), QEvent::KeyRelease,
                      qtKeyOf(vk), Qt::NoModifier, textOf(vk, 0));
    QCoreApplication::processEvents();
    // Whatever is still open closes, as a person's Escape would.
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    return true;
}

std::vector<std::string> menuBarLines(HWND hWnd)
{
    std::vector<std::string> out;
    QMenuBar* bar = barOf(frameOf(hWnd));
    if (bar) describe(bar->actions(), 0, out);
    return out;
}

std::string caption(HWND hWnd)
{
    FrameWindow* f = frameOf(hWnd);
    return f ? fromQt(f->windowTitle()) : std::string();
}

LPCSTR cursor(HWND hWnd)
{
    FrameWindow* f = frameOf(hWnd);
    if (!f) return nullptr;
    switch (f->client->cursor().shape()) {
    case Qt::WaitCursor: return IDC_WAIT;
    case Qt::CrossCursor: return IDC_CROSS;
    case Qt::IBeamCursor: return IDC_IBEAM;
    default: return IDC_ARROW;
    }
}

void closeFrame(HWND hWnd)
{
    later([hWnd] {
        if (FrameWindow* f = frameOf(hWnd)) f->close();
    });
}

void resizeClient(HWND hWnd, int width, int height)
{
    FrameWindow* f = frameOf(hWnd);
    if (!f) return;
    int extra = f->height() - f->client->height();
    f->resize(width + (f->width() - f->client->width()), height + extra);
    QCoreApplication::processEvents();
}

void processEvents(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        pump(false);
        if (ms > 0 && t.elapsed() < ms) QThread::msleep(1);
    } while (t.elapsed() < ms);
}

bool grabFrame(HWND hWnd, const char* path)
{
    FrameWindow* f = frameOf(hWnd);
    if (!f || !path) return false;
    return f->grab().save(QString::fromLocal8Bit(path), "PNG");
}

}  // namespace win::screen
