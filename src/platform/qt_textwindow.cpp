// The modal text window and the picture window that waits for a key.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <cstring>

#include "platform/qt_services.h"

namespace win {
namespace detail {

namespace {

QString fromBytes(const std::string& s)
{
    return qt::toQt(s);
}

std::string toBytes(const QString& s)
{
    return qt::fromQt(s);
}

bool haveWidgets()
{
    ensureApplication();
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

void headlessTextWindow(const std::string& title, std::string& text, int)
{
    ScriptedAnswer a;
    std::string desc = "TextWindow " + headless::quote(title) + " " + headless::quote(text);
    // Nobody expected it: closed without editing.
    if (takeScriptedAnswer("TextWindow", title, title, desc, &a)) text = *static_cast<const std::string*>(a.data.get());
}

void Backend::textWindow(HWND owner, const std::string& title, std::string& text, int)
{
    if (!haveWidgets()) return;
    QDialog d(dialogParent(owner));
    QTimer::singleShot(0, &d, [] { paintInvalidWindows(); });
    d.setWindowTitle(fromBytes(title));
    auto* layout = new QVBoxLayout(&d);
    auto* menu = new QMenuBar(&d);
    auto* editor = new QPlainTextEdit(&d);
    editor->setPlainText(fromBytes(text));
    QMenu* edit = menu->addMenu(QStringLiteral("&Edit"));
    QAction* undo = edit->addAction(QStringLiteral("&Undo"), editor, &QPlainTextEdit::undo);
    undo->setShortcut(QKeySequence::Undo);
    undo->setData(int(CM_TEXTWINDOW_UNDO));
    QAction* all = edit->addAction(QStringLiteral("Select &All"), editor, &QPlainTextEdit::selectAll);
    all->setShortcut(QKeySequence::SelectAll);
    all->setData(int(CM_TEXTWINDOW_SELECTALL));
    layout->setMenuBar(menu);
    layout->addWidget(editor);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &d);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    layout->addWidget(buttons);
    d.resize(720, 480);
    d.exec();  // closing the window in any way ends it
    text = toBytes(editor->toPlainText());
}

void Backend::pictureWindow(PictureState& picture, bool show)
{
    if (!show) {
        delete static_cast<QWidget*>(picture.native);
        picture.native = nullptr;
        return;
    }
    if (!haveWidgets()) return;
    QImage img = bitmapImage(picture.bitmap);
    auto* w = new QLabel;
    w->setWindowFlags(Qt::Tool | Qt::WindowDoesNotAcceptFocus);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setFocusPolicy(Qt::NoFocus);
    w->setWindowTitle(fromBytes(picture.title));
    w->setPixmap(QPixmap::fromImage(img));
    w->setFixedSize(img.size());
    // At the top left of the owner's client area; the owner keeps the
    // focus, so key presses reach the program's queue.
    if (qt::FrameWindow* f = qt::frameOf(picture.owner))
        w->move(f->client->mapToGlobal(QPoint(0, 0)));
    else if (QWidget* active = QApplication::activeWindow())
        w->move(active->mapToGlobal(QPoint(0, 0)));
    w->show();
    picture.native = w;
}

}  // namespace detail

int RunTextWindow(HWND hOwner, LPCSTR lpszTitle, LPCSTR lpszInitialText, LPSTR lpBuffer, int nCapacity)
{
    std::string title = lpszTitle ? lpszTitle : "";
    std::string initial = lpszInitialText ? lpszInitialText : "";
    std::string text = initial;
    detail::backend().textWindow(hOwner, title, text, nCapacity - 1);
    if (!lpBuffer || nCapacity <= 0) return 0;
    text = detail::cutText(text, size_t(nCapacity - 1));
    std::memcpy(lpBuffer, text.data(), text.size());
    lpBuffer[text.size()] = 0;
    headless::transcribe("TextWindow " + headless::quote(title) + " " + headless::quote(initial) + " -> " +
                         headless::quote(text));
    return int(text.size());
}

// ------------------------------------------------------------ picture window

struct TPictureWindow::State {
    detail::PictureState picture;
    HMETAFILE hPicture = nullptr;
    bool shown = false;
};

TPictureWindow::TPictureWindow(TWindow* owner, HMETAFILE picture, LPCSTR lpszTitle, int nWidth, int nHeight)
    : pState(new State)
{
    pState->picture.owner = owner ? owner->HWindow : nullptr;
    pState->picture.title = lpszTitle ? lpszTitle : "";
    pState->picture.width = nWidth;
    pState->picture.height = nHeight;
    pState->hPicture = picture;
}

TPictureWindow::~TPictureWindow()
{
    Close();
    if (pState->picture.bitmap) DeleteObject(pState->picture.bitmap);
    delete pState;
}

bool TPictureWindow::Show()
{
    detail::PictureState& p = pState->picture;
    if (pState->shown) return true;
    QImage img = detail::metaFileImage(pState->hPicture, p.width, p.height);
    if (img.isNull()) return false;
    if (p.bitmap) DeleteObject(p.bitmap);
    p.bitmap = detail::bitmapFromImage(img);
    headless::transcribe("PictureWindow " + headless::quote(p.title) + " " + std::to_string(p.width) + " x " +
                         std::to_string(p.height));
    detail::backend().pictureWindow(p, true);
    pState->shown = true;
    return true;
}

void TPictureWindow::Close()
{
    if (!pState->shown) return;
    detail::backend().pictureWindow(pState->picture, false);
    headless::transcribe("PictureWindow " + headless::quote(pState->picture.title) + " closed");
    pState->shown = false;
}

bool TPictureWindow::SaveImage(LPCSTR lpszPath) const
{
    return pState->picture.bitmap && saveBitmapImage(pState->picture.bitmap, lpszPath);
}

namespace headless {

Script& Script::expectTextWindow(const std::string& match, const std::string& text)
{
    detail::pushScriptedAnswer(detail::ScriptedAnswer{"TextWindow", match, std::make_shared<std::string>(text)});
    return *this;
}

}  // namespace headless

}  // namespace win
