// The Qt Widgets backend: the application object, the event pump with the
// diversion of input while a computation looks at the queue, the clock, and
// what the layer tells the screen.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/qt/qt_internal.h"
#include "platform/qt/screen.h"
#include "platform/raster.h"

namespace win::detail {

namespace {

QtMessageHandler gQtHandler = nullptr;  // Qt's own, for everything we pass on
const char* gszNoDisplay = nullptr;     // what to say when no display can be opened

bool offscreenPlatform()
{
    QString name = QGuiApplication::platformName();
    if (name.isEmpty()) name = qEnvironmentVariable("QT_QPA_PLATFORM");
    return name == QLatin1String("offscreen");
}

void filterQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    // The offscreen platform (tests, the unattended run) has no window
    // manager and no session: it says so for every window it cannot raise,
    // size or give the keyboard, and about the missing runtime folder.
    // Nothing of it matters here.
    if (type == QtWarningMsg && offscreenPlatform() &&
        (text.startsWith(QLatin1String("This plugin does not support")) ||
         text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))))
        return;
    // Qt ends the program when it finds no display: say what to do instead
    // and end it as a failed start, not as a crash.
    if (type == QtFatalMsg && gszNoDisplay) {
        gQtHandler(QtWarningMsg, context, text);
        std::fputs(gszNoDisplay, stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    gQtHandler(type, context, text);
}

// The application object, made once. Qt sets the user's locale when it
// starts; numbers in files, results and dialogs are read and written with a
// point in every mode, so the numeric part goes back to "C" at once.
void makeApplication(int& argc, char** argv, const char* szNoDisplay)
{
    if (QCoreApplication::instance()) return;
    // Qt hands back its default handler when none was installed before.
    if (!gQtHandler) gQtHandler = qInstallMessageHandler(filterQtMessage);
    gszNoDisplay = szNoDisplay;
    new QApplication(argc, argv);
    gszNoDisplay = nullptr;
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace

void ensureApplication()
{
    if (QCoreApplication::instance()) return;
    // Without a screen backend pictures are drawn on the offscreen platform
    // (tests, the unattended run).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "morvex";
    static char* argv[] = {name, nullptr};
    makeApplication(argc, argv, nullptr);
}

namespace qt {

namespace {

const QEvent::Type kSurfaceEvent = QEvent::Type(QEvent::User + 101);

struct SurfaceEvent : QEvent {
    SurfaceEvent(HWND h, const RECT& r) : QEvent(kSurfaceEvent), hwnd(h), rect(r) {}
    HWND hwnd;
    RECT rect;
};

// Lives on the user-interface thread; takes what other threads report.
class Relay : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() != kSurfaceEvent) return QObject::event(e);
        auto* s = static_cast<SurfaceEvent*>(e);
        if (FrameWindow* f = frameOf(s->hwnd)) {
            if (s->rect.left == s->rect.right)
                f->requestPaint();
            else
                f->client->update(QRect(s->rect.left, s->rect.top, s->rect.right - s->rect.left,
                                        s->rect.bottom - s->rect.top));
        }
        return true;
    }
};

std::map<HWND, FrameWindow*> gFrames;
Relay* gRelay = nullptr;
int gPumpDepth = 0;
bool gDiverting = false;
unsigned gPostedModifiers = 0;  // Shift, Ctrl, Alt as the posted messages left them
const auto gStart = std::chrono::steady_clock::now();

// While a computation polls, input reaches the layer's queue and nothing
// else: no menu opens, no shortcut fires, no drop is taken.
class Diverter : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (!gDiverting || !o->isWidgetType()) return false;
        auto* frame = dynamic_cast<FrameWindow*>(static_cast<QWidget*>(o)->window());
        if (!frame) return false;
        bool onClient = o == frame->client;
        switch (e->type()) {
        case QEvent::ShortcutOverride: e->accept(); return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            postKey(frame->hwnd, static_cast<QKeyEvent*>(e), e->type() == QEvent::KeyPress);
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
            // The client area posts its own; a click elsewhere (the menu bar) is lost.
            return !onClient;
        case QEvent::DragEnter:
        case QEvent::Drop: e->ignore(); return true;
        default: return false;
        }
    }
};
Diverter* gDiverter = nullptr;

DWORD now()
{
    return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - gStart)
                     .count());
}

class QtBackend : public Backend {
public:
    int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) override
    {
        return qt::messageBox(owner, text, caption, type);
    }
    bool inputLine(HWND owner, const std::string& title, const std::string& prompt, std::string& text,
                   int maxChars) override
    {
        return qt::inputLine(owner, title, prompt, text, maxChars);
    }
    bool fileDialog(const FileDialogRequest& r, std::vector<std::string>& paths) override
    {
        return qt::fileDialog(r, paths);
    }
    DWORD tickCount() override { return now(); }
    DWORD clockNow() override { return now(); }
    void sleep(DWORD ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void waited(DWORD) override
    {
        if (IsUserInterfaceThread()) pump(false);
    }

    bool pollInput(bool wait) override
    {
        if (!IsUserInterfaceThread()) return true;
        if (!wait) {
            pump(false);
            return true;
        }
        // Idle: paint first, unless a handler is waiting for a key.
        if (dispatchDepth() == 0) paintInvalidWindows();
        DWORD due = 0;
        QTimer wake;
        if (nextTimerDue(&due)) {
            int left = int32_t(due - now());
            if (left <= 0) {
                pump(false);
                return true;
            }
            wake.setSingleShot(true);
            wake.start(left);
        }
        pump(true);
        return true;
    }

    void surfaceChanged(HWND h, const RECT& r) override
    {
        if (r.right <= r.left || r.bottom <= r.top) return;
        if (!IsUserInterfaceThread()) {
            QCoreApplication::postEvent(gRelay, new SurfaceEvent(h, r));
            return;
        }
        if (FrameWindow* f = frameOf(h)) f->client->update(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    }

    void invalidated(HWND h) override
    {
        if (!IsUserInterfaceThread()) {
            QCoreApplication::postEvent(gRelay, new SurfaceEvent(h, RECT{0, 0, 0, 0}));
            return;
        }
        if (FrameWindow* f = frameOf(h)) f->requestPaint();
    }

    void queueChanged() override
    {
        // A message from a worker wakes the user-interface thread's wait.
        if (IsUserInterfaceThread()) return;
        if (QCoreApplication* app = QCoreApplication::instance())
            if (QAbstractEventDispatcher* d = app->thread()->eventDispatcher()) d->wakeUp();
    }

    void windowCreated(HWND h) override
    {
        auto* f = new FrameWindow(h);
        gFrames[h] = f;
        WindowData* w = windowData(h);
        f->setWindowTitle(toQt(w ? w->caption : std::string()));
        QSize want(w ? w->width : defaultClientWidth(), w ? w->height : defaultClientHeight());
        // A frame never starts larger than the screen.
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            QSize room = s->availableSize() * 0.95;
            want = want.boundedTo(QSize(room.width(), room.height() - f->menuBar()->sizeHint().height()));
        }
        f->client->resize(want);
        f->resize(want.width(), want.height() + f->menuBar()->sizeHint().height());
        f->show();
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            f->raise();
            f->activateWindow();
        }
        f->client->setFocus();
        f->scheduleMenu();
    }

    void windowDestroyed(HWND h) override
    {
        auto it = gFrames.find(h);
        if (it == gFrames.end()) return;
        FrameWindow* f = it->second;
        gFrames.erase(it);
        f->hide();
        delete f;
    }

    void captionChanged(HWND h) override
    {
        if (FrameWindow* f = frameOf(h))
            if (WindowData* w = windowData(h)) f->setWindowTitle(toQt(w->caption));
    }

    void menuChanged(HWND h) override
    {
        if (FrameWindow* f = frameOf(h)) f->scheduleMenu();
    }

    void cursorChanged(HCURSOR c) override
    {
        auto name = reinterpret_cast<LPCSTR>(c);
        Qt::CursorShape shape = name == IDC_WAIT    ? Qt::WaitCursor
                                : name == IDC_CROSS ? Qt::CrossCursor
                                : name == IDC_IBEAM ? Qt::IBeamCursor
                                                    : Qt::ArrowCursor;
        for (auto& [h, f] : gFrames) {
            f->client->cursorName = name;
            f->client->setCursor(shape);
        }
    }

    void dropTargetChanged(HWND h) override
    {
        if (FrameWindow* f = frameOf(h))
            if (WindowData* w = windowData(h)) f->client->setAcceptDrops(w->bAcceptFiles);
    }

    void beep(UINT) override { QApplication::beep(); }
};

QtBackend gBackend;
bool gActive = false;

}  // namespace

FrameWindow* frameOf(HWND h)
{
    auto it = gFrames.find(h);
    return it == gFrames.end() ? nullptr : it->second;
}

bool diverting()
{
    return gDiverting;
}

void pump(bool wait)
{
    // Input that arrives while a handler runs only goes into the queue.
    bool before = gDiverting;
    gDiverting = dispatchDepth() > 0;
    gPumpDepth++;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    gPumpDepth--;
    gDiverting = before;
}

QString toQt(const std::string& s)
{
    return layerText(s.data(), s.size());
}

std::string fromQt(const QString& s)
{
    QByteArray b = s.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}

// ------------------------------------------------------------ input to messages

UINT virtualKeyOf(const QKeyEvent* e)
{
    int k = e->key();
    bool pad = e->modifiers() & Qt::KeypadModifier;
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return UINT('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return pad ? VK_NUMPAD0 + UINT(k - Qt::Key_0) : UINT('0' + (k - Qt::Key_0));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return VK_F1 + UINT(k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_Plus: return pad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Minus: return pad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Asterisk: return pad ? VK_MULTIPLY : UINT('8');
    case Qt::Key_Slash: return pad ? VK_DIVIDE : 0xBF;
    case Qt::Key_Question: return 0xBF;
    case Qt::Key_Period: return pad ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Comma: return VK_OEM_COMMA;
    case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 0xBA;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 0xDE;
    // the shifted digits of a US keyboard
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
    }
}

namespace {

void postKeyMessage(HWND h, UINT vk, bool press, bool sys, char c, bool repeat)
{
    uintptr_t l = 1 | (uintptr_t(static_cast<unsigned char>(c)) << 16);
    if (sys && vk != VK_F10) l |= 1u << 29;
    if (!press) l |= (1u << 30) | (1u << 31);
    else if (repeat) l |= 1u << 30;
    UINT msg = press ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    postInput(MSG{h, msg, WPARAM(vk), LPARAM(l), now(), {0, 0}});
}

unsigned modifiersOf(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? screen::Shift : 0u) | (m & Qt::ControlModifier ? screen::Ctrl : 0u) |
           (m & Qt::AltModifier ? screen::Alt : 0u);
}

// Modifier keys pressed or released where the window did not see it (in a
// dialog, another window) are brought in line first, so that the key state
// of the messages matches what the event says is held.
void syncModifiers(HWND h, unsigned held)
{
    static const struct {
        unsigned bit;
        UINT vk;
    } mods[] = {{screen::Shift, VK_SHIFT}, {screen::Ctrl, VK_CONTROL}, {screen::Alt, VK_MENU}};
    for (const auto& m : mods) {
        bool want = held & m.bit, have = gPostedModifiers & m.bit;
        if (want == have) continue;
        bool sys = m.vk == VK_MENU || ((held & screen::Alt) && !(held & screen::Ctrl));
        postKeyMessage(h, m.vk, want, sys, 0, false);
        gPostedModifiers ^= m.bit;
    }
}

}  // namespace

void postKey(HWND h, const QKeyEvent* e, bool press)
{
    UINT vk = virtualKeyOf(e);
    unsigned held = modifiersOf(e->modifiers());
    unsigned own = vk == VK_SHIFT ? screen::Shift : vk == VK_CONTROL ? screen::Ctrl : vk == VK_MENU ? screen::Alt : 0u;
    if (own) {
        // The modifier key itself: the others in line, then this one.
        syncModifiers(h, (held & ~own) | (gPostedModifiers & own));
        bool sys = vk == VK_MENU || ((held & screen::Alt) && !(held & screen::Ctrl));
        postKeyMessage(h, vk, press, sys, 0, e->isAutoRepeat());
        if (press)
            gPostedModifiers |= own;
        else
            gPostedModifiers &= ~own;
        return;
    }
    syncModifiers(h, held);
    QString text = e->text();
    char c = 0;
    // Delete types nothing on Windows (Qt gives it the character 0x7F).
    if (!text.isEmpty() && text.at(0).unicode() < 0x100 && vk != VK_DELETE) c = char(text.at(0).unicode());
    if (!vk && !c) return;
    bool sys = ((held & screen::Alt) && !(held & screen::Ctrl)) || vk == VK_F10;
    postKeyMessage(h, vk, press, sys, c, e->isAutoRepeat());
}

namespace {
UINT keysOf(Qt::MouseButtons b, Qt::KeyboardModifiers m)
{
    return (b & Qt::LeftButton ? MK_LBUTTON : 0u) | (b & Qt::RightButton ? MK_RBUTTON : 0u) |
           (b & Qt::MiddleButton ? MK_MBUTTON : 0u) | (m & Qt::ShiftModifier ? MK_SHIFT : 0u) |
           (m & Qt::ControlModifier ? MK_CONTROL : 0u);
}
}  // namespace

void postMouse(HWND h, const QMouseEvent* e, UINT message)
{
    syncModifiers(h, modifiersOf(e->modifiers()));
    QPoint p = e->position().toPoint();
    MSG m{h, message, WPARAM(keysOf(e->buttons(), e->modifiers())), MAKELPARAM(p.x(), p.y()), now(), {p.x(), p.y()}};
    if (message == WM_MOUSEMOVE)
        postMouseMove(m);
    else
        postInput(m);
}

void postWheel(HWND h, const QWheelEvent* e)
{
    QPoint g = e->globalPosition().toPoint();
    int delta = e->angleDelta().y();
    MSG m{h, WM_MOUSEWHEEL, MAKEWPARAM(int(keysOf(e->buttons(), e->modifiers())), delta), MAKELPARAM(g.x(), g.y()),
          now(), {g.x(), g.y()}};
    postInput(m);
}

}  // namespace qt
}  // namespace win::detail

// ------------------------------------------------------------ start and stop

namespace win::screen {

using namespace win::detail;
using namespace win::detail::qt;

void start(int& argc, char** argv, const char* szNoDisplay)
{
    if (gActive) return;
    makeApplication(argc, argv, szNoDisplay);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!gRelay) gRelay = new Relay;
    if (!gDiverter) {
        gDiverter = new Diverter;
        qApp->installEventFilter(gDiverter);
    }
    gPostedModifiers = 0;
    setBackend(&gBackend);
    gActive = true;
}

void stop()
{
    if (!gActive) return;
    for (auto& [h, f] : gFrames) {
        f->hide();
        delete f;
    }
    gFrames.clear();
    setBackend(nullptr);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    gActive = false;
}

bool active()
{
    return gActive;
}

bool displayNamed()
{
    for (const char* sz : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(sz)) return true;
    return false;
}

}  // namespace win::screen
