// The common file dialogs as the commands ask for them.
#include "app/file_dialogs.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/xla_window.h"
#include "platform/win.h"

using namespace win;

namespace {

// "a|b|c|d|" -> "a\0b\0c\0d\0\0"
std::vector<char> filterList(const char* szFilter)
{
    std::vector<char> out;
    if (szFilter)
        for (const char* p = szFilter; *p; ++p) out.push_back(*p == '|' ? '\0' : *p);
    if (out.empty() || out.back() != '\0') out.push_back('\0');
    out.push_back('\0');
    return out;
}

// The folder part of a path ("" when it has none).
std::string folderOf(const char* szPath)
{
    std::string p = szPath ? szPath : "";
    size_t cut = p.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
}

bool runDialog(TXLAWindow* pWindow, bool bSave, DWORD flags, char* szPath, int nSize, const char* szTitle,
               const char* szDefExt, const char* szFilter)
{
    if (!szPath || nSize < 2) return false;
    std::vector<char> filter = filterList(szFilter);
    std::string folder = folderOf(szPath);
    // the dialog works on a copy, so Cancel or a failure leave the caller's text alone
    std::vector<char> buffer(static_cast<size_t>(nSize), '\0');
    std::strncpy(buffer.data(), szPath, buffer.size() - 1);
    OPENFILENAME ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = pWindow ? pWindow->HWindow : nullptr;
    ofn.lpstrFilter = filter.data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(nSize);
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = szTitle;
    ofn.lpstrDefExt = szDefExt;
    ofn.Flags = flags;
    BOOL ok = bSave ? GetSaveFileName(&ofn) : GetOpenFileName(&ofn);
    if (!ok) return false;
    std::memcpy(szPath, buffer.data(), buffer.size());
    szPath[nSize - 1] = 0;
    return true;
}

}  // namespace

bool AskFileName(TXLAWindow* pWindow, int bSave, char* szPath, int nSize, const char* szTitle, const char* szDefExt,
                 const char* szFilter)
{
    DWORD flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    flags |= bSave ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    if (runDialog(pWindow, bSave != 0, flags, szPath, nSize, szTitle, szDefExt, szFilter)) return true;
    if (szPath && nSize > 0) szPath[0] = 0;
    return false;
}

bool AskSaveFileName(TXLAWindow* pWindow, char* szPath, int nSize, const char* szTitle, const char* szDefExt)
{
    return runDialog(pWindow, true, OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, szPath, nSize,
                     szTitle ? szTitle : "select files", szDefExt, "All Files (*.*)|*.*|");
}

bool AskSaveWithWindowRecord(TXLAWindow* pWindow, char* szPath, int nSize, const char* szTitle, bool bOverwritePrompt)
{
    if (!pWindow || !szPath || nSize < 2) return false;
    const OPENFILENAME standing = pWindow->ofnData;
    pWindow->ofnData.lpstrFile = szPath;
    pWindow->ofnData.nMaxFile = static_cast<DWORD>(nSize);
    pWindow->ofnData.lpstrTitle = szTitle;
    pWindow->ofnData.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | (bOverwritePrompt ? OFN_OVERWRITEPROMPT : 0);
    pWindow->ofnData.lpstrDefExt = "";
    const bool bOk = GetSaveFileName(&pWindow->ofnData) != 0;
    pWindow->ofnData = standing;
    return bOk;
}

bool TXLAWindow::AskOpenFileName(char* szPath, int nSize, const char* szTitle)
{
    return runDialog(this, false, OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, szPath,
                     nSize, szTitle ? szTitle : "select files", nullptr, "All Files (*.*)|*.*|");
}
