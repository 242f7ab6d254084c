// Message boxes, beeps, file dialogs and the one-line input: the parts the
// backends share (defaults, buffer forms, checks, transcript lines).
#include <sys/stat.h>

#include <atomic>
#include <cstring>

#include "platform/internal.h"

namespace win {
namespace detail {

std::string boxStyleName(UINT type)
{
    static const char* buttons[] = {"MB_OK", "MB_OKCANCEL", "MB_ABORTRETRYIGNORE", "MB_YESNOCANCEL", "MB_YESNO",
                                    "MB_RETRYCANCEL"};
    UINT b = type & MB_TYPEMASK;
    std::string s = b < 6 ? buttons[b] : "MB_TYPE" + std::to_string(b);
    switch (type & MB_ICONMASK) {
    case MB_ICONSTOP: s += "|MB_ICONSTOP"; break;
    case MB_ICONQUESTION: s += "|MB_ICONQUESTION"; break;
    case MB_ICONEXCLAMATION: s += "|MB_ICONEXCLAMATION"; break;
    case MB_ICONINFORMATION: s += "|MB_ICONINFORMATION"; break;
    default: break;
    }
    if ((type & MB_DEFMASK) == MB_DEFBUTTON2) s += "|MB_DEFBUTTON2";
    if ((type & MB_DEFMASK) == MB_DEFBUTTON3) s += "|MB_DEFBUTTON3";
    return s;
}

std::string boxResultName(int r)
{
    static const char* names[] = {"0", "IDOK", "IDCANCEL", "IDABORT", "IDRETRY", "IDIGNORE", "IDYES", "IDNO"};
    return r >= 0 && r <= 7 ? names[r] : std::to_string(r);
}

std::string describeMessageBox(const std::string& caption, const std::string& text, UINT type)
{
    return "MessageBox " + headless::quote(caption) + " " + headless::quote(text) + " " + boxStyleName(type);
}

std::string describeInput(const std::string& title, const std::string& prompt, const std::string& initial)
{
    return "Input " + headless::quote(title) + " " + headless::quote(prompt) + " " + headless::quote(initial);
}

std::string describeFileDialog(const FileDialogRequest& r)
{
    return std::string(r.bSave ? "SaveFile " : "OpenFile ") + headless::quote(r.title) + " " +
           headless::quote(r.initialDir) + " " + headless::quote(r.preset);
}

}  // namespace detail

using namespace detail;

int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    std::string text = lpText ? lpText : "";
    std::string caption = lpCaption ? lpCaption : "Error";
    int r = backend().messageBox(hWnd, text, caption, uType);
    headless::transcribe(describeMessageBox(caption, text, uType) + " -> " + boxResultName(r));
    return r;
}

int MessageBoxEx(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType, WORD)
{
    return MessageBox(hWnd, lpText, lpCaption, uType);
}

BOOL MessageBeep(UINT uType)
{
    std::string name;
    switch (uType) {
    case MB_ICONSTOP: name = "MB_ICONSTOP"; break;
    case MB_ICONQUESTION: name = "MB_ICONQUESTION"; break;
    case MB_ICONEXCLAMATION: name = "MB_ICONEXCLAMATION"; break;
    case MB_ICONASTERISK: name = "MB_ICONASTERISK"; break;
    case 0xFFFFFFFFu: name = "0xFFFFFFFF"; break;
    default: name = std::to_string(uType); break;
    }
    headless::transcribe("MessageBeep " + name);
    backend().beep(uType);
    return TRUE;
}

// ------------------------------------------------------------ file dialogs

namespace {

std::atomic<DWORD> gDialogError{0};

bool exists(const std::string& p, bool folder)
{
    struct stat sb;
    if (stat(p.c_str(), &sb) != 0) return false;
    return folder ? S_ISDIR(sb.st_mode) : true;
}

std::string folderOf(const std::string& p)
{
    size_t s = p.find_last_of('/');
    if (s == std::string::npos) return std::string();
    return s == 0 ? std::string("/") : p.substr(0, s);
}

std::string nameOf(const std::string& p)
{
    size_t s = p.find_last_of('/');
    return s == std::string::npos ? p : p.substr(s + 1);
}

BOOL runFileDialog(OPENFILENAME* ofn, bool save)
{
    gDialogError = 0;
    if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) {
        gDialogError = CDERR_INITIALIZATION;
        return FALSE;
    }
    FileDialogRequest req;
    req.bSave = save;
    req.owner = ofn->hwndOwner;
    req.title = ofn->lpstrTitle ? ofn->lpstrTitle : (save ? "Save As" : "Open");
    req.initialDir = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
    req.preset = std::string(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
    for (const char* f = ofn->lpstrFilter; f && *f;) {
        std::string desc = f;
        f += desc.size() + 1;
        std::string pat = f;
        f += pat.size() + 1;
        req.filters.emplace_back(desc, pat);
        if (pat.empty()) break;
    }
    req.filterIndex = int(ofn->nFilterIndex);
    req.flags = ofn->Flags;
    req.defExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";

    std::vector<std::string> paths;
    bool ok = backend().fileDialog(req, paths) && !paths.empty();
    std::string line = describeFileDialog(req) + " ->";
    if (!ok) {
        headless::transcribe(line + " IDCANCEL");
        return FALSE;
    }
    bool multi = (ofn->Flags & OFN_ALLOWMULTISELECT) && paths.size() > 1;
    if (!multi) paths.resize(1);
    for (std::string& p : paths) {
        p = mapPath(p.c_str());
        // A name typed without an extension gets the default one.
        std::string name = nameOf(p);
        if (!req.defExt.empty() && name.find('.') == std::string::npos &&
            req.defExt.find_first_of("*?") == std::string::npos)
            p += "." + req.defExt;
        line += " " + headless::quote(p);
    }
    // The dialog's own checks.
    for (const std::string& p : paths) {
        // A save dialog ignores OFN_FILEMUSTEXIST, as on Windows.
        bool bad = ((ofn->Flags & OFN_FILEMUSTEXIST) && !save && !exists(p, false)) ||
                   ((ofn->Flags & OFN_PATHMUSTEXIST) && !folderOf(p).empty() && !exists(folderOf(p), true));
        if (bad) {
            headless::reportFailure("file dialog answer refused, no such file or folder: " + p);
            headless::transcribe(describeFileDialog(req) + " -> IDCANCEL");
            return FALSE;
        }
    }
    std::string folder = folderOf(paths[0]);
    for (const std::string& p : paths) {
        if (folderOf(p) != folder) {
            headless::reportFailure("file dialog answer refused, files in different folders: " + p);
            headless::transcribe(describeFileDialog(req) + " -> IDCANCEL");
            return FALSE;
        }
    }

    // The buffer: one full path, or folder NUL name NUL ... NUL NUL.
    std::string buf;
    if (!multi) {
        buf = paths[0];
        buf.push_back('\0');
    } else {
        buf = folder;
        buf.push_back('\0');
        for (const std::string& p : paths) {
            buf += nameOf(p);
            buf.push_back('\0');
        }
    }
    buf.push_back('\0');
    if (buf.size() > ofn->nMaxFile) {
        gDialogError = FNERR_BUFFERTOOSMALL;
        if (ofn->nMaxFile >= 2) {
            WORD need = WORD(std::min<size_t>(buf.size(), 0xFFFF));
            std::memcpy(ofn->lpstrFile, &need, 2);
        }
        headless::transcribe(line + " (buffer too small)");
        return FALSE;
    }
    std::memcpy(ofn->lpstrFile, buf.data(), buf.size());
    if (!multi) {
        size_t off = paths[0].find_last_of('/');
        ofn->nFileOffset = WORD(off == std::string::npos ? 0 : off + 1);
        size_t dot = paths[0].find_last_of('.');
        ofn->nFileExtension = WORD(dot == std::string::npos || dot < ofn->nFileOffset ? paths[0].size() : dot + 1);
    } else {
        ofn->nFileOffset = WORD(folder.size() + 1);
        ofn->nFileExtension = 0;
    }
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        std::string t = nameOf(paths[0]);
        size_t n = std::min<size_t>(t.size(), ofn->nMaxFileTitle - 1);
        std::memcpy(ofn->lpstrFileTitle, t.data(), n);
        ofn->lpstrFileTitle[n] = 0;
    }
    headless::transcribe(line);
    // The dialog leaves the process in the folder chosen.
    if (!(ofn->Flags & OFN_NOCHANGEDIR) && !folder.empty()) SetCurrentDirectory(folder.c_str());
    return TRUE;
}

}  // namespace

BOOL GetOpenFileName(OPENFILENAME* ofn)
{
    return runFileDialog(ofn, false);
}

BOOL GetSaveFileName(OPENFILENAME* ofn)
{
    return runFileDialog(ofn, true);
}

DWORD CommDlgExtendedError()
{
    return gDialogError.load();
}

// ------------------------------------------------------------ one-line input

TInputDialog::TInputDialog(TWindow* parent, const char* title, const char* prompt, char* buffer, int bufferSize)
    : pParent(parent), szTitle(title), szPrompt(prompt), pBuffer(buffer), nBufferSize(bufferSize)
{
}

int TInputDialog::Execute()
{
    if (!pBuffer || nBufferSize <= 0) return IDCANCEL;
    std::string title = szTitle ? szTitle : "";
    std::string prompt = szPrompt ? szPrompt : "";
    // the edit line holds at most nBufferSize - 1 characters
    std::string initial(pBuffer, strnlen(pBuffer, size_t(nBufferSize - 1)));
    std::string text = initial;
    bool ok = backend().inputLine(pParent ? pParent->HWindow : nullptr, title, prompt, text, nBufferSize - 1);
    if (!ok) {
        headless::transcribe(describeInput(title, prompt, initial) + " -> IDCANCEL" + takeInputNote());
        return IDCANCEL;
    }
    if (text.size() > size_t(nBufferSize - 1)) text.resize(size_t(nBufferSize - 1));
    std::memcpy(pBuffer, text.data(), text.size());
    pBuffer[text.size()] = 0;
    headless::transcribe(describeInput(title, prompt, initial) + " -> " + headless::quote(text));
    return IDOK;
}

}  // namespace win
