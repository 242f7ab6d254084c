// Message boxes, the one-line input and the file dialogs on the screen.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

#include "platform/qt/qt_internal.h"
#include "platform/qt/screen.h"

namespace win::detail::qt {

namespace {

std::optional<screen::DialogAnswer> gAnswer;
std::string gLastShown;

QWidget* ownerOf(HWND h)
{
    if (FrameWindow* f = frameOf(h)) return f;
    return nullptr;
}

// While a dialog is up the windows behind it are painted (what a
// computation invalidated before it asked is shown).
void paintBehind(QDialog* dlg)
{
    QTimer::singleShot(0, dlg, [] { paintInvalidWindows(); });
}

// A scripted answer (tests) is given once the dialog runs.
std::optional<screen::DialogAnswer> takeAnswer(const std::string& shown)
{
    if (!gAnswer) return std::nullopt;
    std::optional<screen::DialogAnswer> a = gAnswer;
    gAnswer.reset();
    gLastShown = shown;
    return a;
}

bool hasWildcard(const std::string& s)
{
    return s.find_first_of("*?") != std::string::npos;
}

// "desc (p1 p2)" as Qt reads a filter; a description that already shows its
// patterns in parentheses keeps them.
QString filterText(const std::string& desc, const std::string& patterns)
{
    std::string spaced = patterns;
    for (char& c : spaced)
        if (c == ';') c = ' ';
    size_t open = desc.rfind('(');
    if (!desc.empty() && desc.back() == ')' && open != std::string::npos) {
        std::string inside = desc.substr(open + 1, desc.size() - open - 2);
        for (char& c : inside)
            if (c == ';') c = ' ';
        if (inside == spaced) return toQt(desc.substr(0, open + 1) + inside + ")");
    }
    return toQt(desc + " (" + spaced + ")");
}

}  // namespace

int messageBox(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    UINT b = type & MB_TYPEMASK;
    if (!IsUserInterfaceThread()) return b == MB_OK ? IDOK : b == MB_YESNO ? IDNO : IDCANCEL;
    QMessageBox box(ownerOf(owner));
    paintBehind(&box);
    box.setWindowTitle(toQt(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(toQt(text));
    switch (type & MB_ICONMASK) {
    case MB_ICONSTOP: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Button {
        QMessageBox::StandardButton qt;
        int id;
    };
    std::vector<Button> buttons;
    switch (b) {
    case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    case MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}; break;
    default: buttons = {{QMessageBox::Ok, IDOK}}; break;
    }
    for (const Button& bt : buttons) box.addButton(bt.qt);
    size_t def = (type & MB_DEFMASK) >> 8;
    if (def >= buttons.size()) def = 0;
    box.setDefaultButton(buttons[def].qt);
    // Closing the box is its way out that changes nothing.
    int closed = b == MB_OK ? IDOK : b == MB_YESNO ? IDNO : b == MB_ABORTRETRYIGNORE ? IDABORT : IDCANCEL;
    if (auto a = takeAnswer(caption + "\n" + text)) {
        for (const Button& bt : buttons)
            if (bt.id == a->nButton) {
                QAbstractButton* target = box.button(bt.qt);
                QTimer::singleShot(0, target, [target] { target->click(); });
            }
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const Button& bt : buttons)
        if (clicked && clicked == box.button(bt.qt)) return bt.id;
    return closed;
}

bool inputLine(HWND owner, const std::string& title, const std::string& prompt, std::string& text, int maxChars)
{
    if (!IsUserInterfaceThread()) return false;
    QDialog dlg(ownerOf(owner));
    paintBehind(&dlg);
    dlg.setWindowTitle(toQt(title));
    auto* layout = new QVBoxLayout(&dlg);
    auto* label = new QLabel(toQt(prompt), &dlg);
    label->setTextFormat(Qt::PlainText);
    auto* edit = new QLineEdit(toQt(text), &dlg);
    edit->setMaxLength(std::max(maxChars, 0));
    edit->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    if (auto a = takeAnswer(title + "\n" + prompt)) {
        screen::DialogAnswer answer = *a;
        QTimer::singleShot(0, &dlg, [&dlg, edit, answer] {
            if (answer.nButton != IDOK) {
                dlg.reject();
                return;
            }
            edit->setText(toQt(answer.text));
            dlg.accept();
        });
    }
    if (dlg.exec() != QDialog::Accepted) return false;
    text = fromQt(edit->text());
    return true;
}

bool fileDialog(const FileDialogRequest& r, std::vector<std::string>& paths)
{
    if (!IsUserInterfaceThread()) return false;
    QFileDialog dlg(ownerOf(r.owner), toQt(r.title));
    paintBehind(&dlg);
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(r.bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (r.bSave)
        dlg.setFileMode(QFileDialog::AnyFile);
    else if (r.flags & OFN_ALLOWMULTISELECT)
        dlg.setFileMode(QFileDialog::ExistingFiles);
    else if (r.flags & OFN_FILEMUSTEXIST)
        dlg.setFileMode(QFileDialog::ExistingFile);
    else
        dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !(r.bSave && (r.flags & OFN_OVERWRITEPROMPT)));

    QStringList filters;
    std::string preset = r.preset;
    std::string presetDir;
    size_t slash = mapPath(preset.c_str()).find_last_of('/');
    if (slash != std::string::npos) {
        std::string mapped = mapPath(preset.c_str());
        presetDir = mapped.substr(0, slash);
        preset = mapped.substr(slash + 1);
    }
    // A pattern in the name field filters the list.
    if (hasWildcard(preset)) filters << toQt(preset + " (" + preset + ")");
    for (const auto& [desc, pat] : r.filters) filters << filterText(desc, pat);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        int index = hasWildcard(preset) ? 0 : std::max(r.filterIndex, 1) - 1;
        if (index < filters.size()) dlg.selectNameFilter(filters[index]);
    }
    if (!r.defExt.empty() && !hasWildcard(r.defExt)) dlg.setDefaultSuffix(toQt(r.defExt));
    std::string dir = !presetDir.empty() ? presetDir : r.initialDir.empty() ? std::string() : mapPath(r.initialDir.c_str());
    if (!dir.empty() && QFileInfo(toQt(dir)).isDir())
        dlg.setDirectory(toQt(dir));
    else
        dlg.setDirectory(QDir::current());
    if (!preset.empty() && !hasWildcard(preset)) dlg.selectFile(toQt(preset));

    if (auto a = takeAnswer(r.title)) {
        screen::DialogAnswer answer = *a;
        QTimer::singleShot(0, &dlg, [&dlg, answer] {
            if (answer.nButton != IDOK || answer.files.empty()) {
                dlg.reject();
                return;
            }
            QFileInfo first(toQt(answer.files[0]));
            dlg.setDirectory(first.absolutePath());
            QString names;
            if (answer.files.size() == 1) {
                names = first.fileName();
            } else {
                for (const std::string& f : answer.files) names += "\"" + QFileInfo(toQt(f)).fileName() + "\" ";
            }
            dlg.selectFile(names.trimmed());
            static_cast<QDialog&>(dlg).accept();  // the file dialog's own checks run
        });
    }
    if (dlg.exec() != QDialog::Accepted) return false;
    for (const QString& f : dlg.selectedFiles()) paths.push_back(fromQt(f));
    return !paths.empty();
}

}  // namespace win::detail::qt

namespace win::screen {

void answerNextDialog(const DialogAnswer& answer)
{
    detail::qt::gAnswer = answer;
}

std::string lastDialogShown()
{
    return detail::qt::gLastShown;
}

}  // namespace win::screen
