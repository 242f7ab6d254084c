// The frame window: the menu bar built from the layer's menu data, the client
// area showing the surface, input turned into messages, dropped files.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include <cctype>

#include "platform/qt/qt_internal.h"

namespace win::detail::qt {

namespace {

const QEvent::Type kMenuEvent = QEvent::Type(QEvent::User + 102);
const QEvent::Type kPaintEvent = QEvent::Type(QEvent::User + 103);

// F1 on a highlighted item: the menus close and the window hears of a help
// request for that command instead of the command.
class MenuHelpFilter : public QObject {
public:
    MenuHelpFilter(HWND h, QObject* parent) : QObject(parent), hwnd(h) {}
    HWND hwnd;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(e)->key() != Qt::Key_F1) return false;
        auto* menu = qobject_cast<QMenu*>(o);
        QAction* a = menu ? menu->activeAction() : nullptr;
        if (!a || a->menu() || !a->data().isValid()) return false;
        UINT id = a->data().toUInt();
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        PostMessage(hwnd, WM_HELP, WPARAM(id), 0);
        return true;
    }
};

std::string menuText(HMENU h, int pos)
{
    char buf[1024];
    GetMenuString(h, UINT(pos), buf, sizeof buf, MF_BYPOSITION);
    return buf;
}

// The letter after the single "&" of a caption (0 when none).
char mnemonicOf(const std::string& t)
{
    for (size_t i = 0; i + 1 < t.size(); i++) {
        if (t[i] != '&') continue;
        if (t[i + 1] == '&') {
            i++;
            continue;
        }
        return char(std::toupper(static_cast<unsigned char>(t[i + 1])));
    }
    return 0;
}

std::string withoutMnemonic(const std::string& t)
{
    std::string out;
    for (size_t i = 0; i < t.size(); i++) {
        if (t[i] == '&' && i + 1 < t.size() && t[i + 1] == '&') {
            out += "&&";
            i++;
        } else if (t[i] != '&') {
            out += t[i];
        }
    }
    return out;
}

// Letters and digits that Alt accelerators of the window's table use.
std::string altLetters(HWND h)
{
    WindowData* w = windowData(h);
    std::string out;
    if (!w || !w->accel) return out;
    int n = CopyAcceleratorTable(w->accel, nullptr, 0);
    std::vector<ACCEL> a(size_t(std::max(n, 0)));
    CopyAcceleratorTable(w->accel, a.data(), n);
    for (const ACCEL& e : a) {
        bool letter = (e.key >= 'A' && e.key <= 'Z') || (e.key >= '0' && e.key <= '9');
        if ((e.fVirt & FVIRTKEY) && (e.fVirt & FALT) && !(e.fVirt & FCONTROL) && letter) out += char(e.key);
    }
    return out;
}

}  // namespace

// ------------------------------------------------------------ FrameWindow

FrameWindow::FrameWindow(HWND h) : hwnd(h), client(new ClientArea(h, this))
{
    setCentralWidget(client);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

QAction* FrameWindow::actionOf(UINT id) const
{
    auto it = actions.find(id);
    return it == actions.end() ? nullptr : it->second;
}

void FrameWindow::scheduleMenu()
{
    if (bMenuPending) return;
    bMenuPending = true;
    QCoreApplication::postEvent(this, new QEvent(kMenuEvent));
}

void FrameWindow::requestPaint()
{
    if (bPaintPending) return;
    bPaintPending = true;
    QCoreApplication::postEvent(this, new QEvent(kPaintEvent));
}

bool FrameWindow::event(QEvent* e)
{
    if (e->type() == kMenuEvent) {
        bMenuPending = false;
        rebuildMenu();
        return true;
    }
    if (e->type() == kPaintEvent) {
        bPaintPending = false;
        // While a computation looks at the queue the window is not painted;
        // the paint follows when the program is idle again.
        if (!diverting()) paintWindow(hwnd);
        return true;
    }
    return QMainWindow::event(e);
}

void FrameWindow::closeEvent(QCloseEvent* e)
{
    // The window decides (WM_CLOSE); the frame stays until the window goes.
    e->ignore();
    PostMessage(hwnd, WM_CLOSE, 0, 0);
}

QAction* FrameWindow::addItem(QWidget* owner, HMENU h, int pos, bool bBar, const std::string& alt)
{
    UINT state = GetMenuState(h, UINT(pos), MF_BYPOSITION);
    std::string text = menuText(h, pos);
    if (bBar && mnemonicOf(text) && alt.find(mnemonicOf(text)) != std::string::npos) text = withoutMnemonic(text);
    QAction* a = nullptr;
    auto* bar = qobject_cast<QMenuBar*>(owner);
    auto* menu = qobject_cast<QMenu*>(owner);
    HMENU sub = GetSubMenu(h, pos);
    // A popup's state has its item count in the high byte: only the low byte are flags.
    if (sub) state &= 0xFF;
    if (state & MF_SEPARATOR) return bar ? bar->addSeparator() : menu->addSeparator();
    if (sub) {
        QMenu* m = bar ? bar->addMenu(toQt(text)) : menu->addMenu(toQt(text));
        m->installEventFilter(new MenuHelpFilter(hwnd, m));
        fill(m, sub);
        a = m->menuAction();
    } else {
        UINT id = GetMenuItemID(h, pos);
        a = bar ? bar->addAction(toQt(text)) : menu->addAction(toQt(text));
        a->setData(QVariant(uint(id)));
        if (state & MF_CHECKED) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        HWND target = hwnd;
        QObject::connect(a, &QAction::triggered, a, [a, target, id] {
            // The menu data holds the check mark, not Qt.
            if (a->isCheckable()) a->setChecked(true);
            PostMessage(target, WM_COMMAND, WPARAM(id), 0);
        });
        if (!actions.count(id)) actions[id] = a;
    }
    a->setEnabled(!(state & (MF_GRAYED | MF_DISABLED)));
    return a;
}

void FrameWindow::fill(QMenu* menu, HMENU h)
{
    int n = GetMenuItemCount(h);
    for (int i = 0; i < n; i++) addItem(menu, h, i, false, std::string());
}

void FrameWindow::rebuildMenu()
{
    actions.clear();
    HMENU h = GetMenu(hwnd);
    if (!h) {
        if (QMenuBar* old = menuWidget() ? qobject_cast<QMenuBar*>(menuWidget()) : nullptr) old->hide();
        return;
    }
    // A new bar each time; the old one and its menus go with it.
    auto* bar = new QMenuBar(this);
    std::string alt = altLetters(hwnd);
    int n = GetMenuItemCount(h);
    for (int i = 0; i < n; i++) addItem(bar, h, i, true, alt);
    setMenuBar(bar);
    bar->show();
}

// ------------------------------------------------------------ ClientArea

ClientArea::ClientArea(HWND h, QWidget* parent) : QWidget(parent), hwnd(h)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

void ClientArea::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    WindowData* w = windowData(hwnd);
    if (!w) return;
    Surface& s = *w->surface;
    std::lock_guard<std::recursive_mutex> g(s.lock);
    QRect r = e->rect();
    p.fillRect(r, Qt::white);
    p.drawImage(r.topLeft(), s.image, r.intersected(s.image.rect()));
}

void ClientArea::resizeEvent(QResizeEvent*)
{
    WindowData* w = windowData(hwnd);
    if (!w) return;
    if (w->width == width() && w->height == height()) return;
    setWindowClientSize(hwnd, width(), height());
}

void ClientArea::keyPressEvent(QKeyEvent* e)
{
    postKey(hwnd, e, true);
}

void ClientArea::keyReleaseEvent(QKeyEvent* e)
{
    postKey(hwnd, e, false);
}

namespace {
UINT buttonMessage(Qt::MouseButton b, UINT left, UINT right, UINT middle)
{
    return b == Qt::LeftButton ? left : b == Qt::RightButton ? right : b == Qt::MiddleButton ? middle : 0;
}
}  // namespace

void ClientArea::mousePressEvent(QMouseEvent* e)
{
    if (UINT m = buttonMessage(e->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN)) postMouse(hwnd, e, m);
}

void ClientArea::mouseReleaseEvent(QMouseEvent* e)
{
    if (UINT m = buttonMessage(e->button(), WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP)) postMouse(hwnd, e, m);
}

void ClientArea::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (UINT m = buttonMessage(e->button(), WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK))
        postMouse(hwnd, e, m);
}

void ClientArea::mouseMoveEvent(QMouseEvent* e)
{
    postMouse(hwnd, e, WM_MOUSEMOVE);
}

void ClientArea::wheelEvent(QWheelEvent* e)
{
    postWheel(hwnd, e);
}

namespace {
bool hasLocalFiles(const QMimeData* d)
{
    if (!d || !d->hasUrls()) return false;
    for (const QUrl& u : d->urls())
        if (u.isLocalFile()) return true;
    return false;
}
}  // namespace

void ClientArea::dragEnterEvent(QDragEnterEvent* e)
{
    if (acceptDrops() && !diverting() && hasLocalFiles(e->mimeData()))
        e->acceptProposedAction();
    else
        e->ignore();
}

void ClientArea::dragMoveEvent(QDragMoveEvent* e)
{
    if (acceptDrops() && !diverting() && hasLocalFiles(e->mimeData()))
        e->acceptProposedAction();
    else
        e->ignore();
}

void ClientArea::dropEvent(QDropEvent* e)
{
    if (!acceptDrops() || diverting() || !hasLocalFiles(e->mimeData())) {
        e->ignore();
        return;
    }
    std::vector<std::string> paths;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) paths.push_back(fromQt(u.toLocalFile()));
    QPoint p = e->position().toPoint();
    HDROP d = newDrop(paths, POINT{p.x(), p.y()}, rect().contains(p));
    PostMessage(hwnd, WM_DROPFILES, WPARAM(reinterpret_cast<uintptr_t>(d)), 0);
    e->acceptProposedAction();
}

}  // namespace win::detail::qt
