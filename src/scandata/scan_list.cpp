// List files and the pending file list.
#include "scandata/scan_list.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "distributions/conti_globals.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_messages.h"
#include "scandata/scan_paths.h"

namespace {

constexpr size_t nPathBuffer = 260;

void setPendingList(const std::vector<std::string>& paths) {
    freeScanFileList();
    if (paths.empty()) return;
    ppPendingFileName = new char*[paths.size() + 1]();
    for (size_t i = 0; i < paths.size(); ++i) {
        ppPendingFileName[i + 1] = new char[nPathBuffer];
        copyToBuffer(ppPendingFileName[i + 1], nPathBuffer, paths[i]);
    }
    nPendingFiles = static_cast<int>(paths.size());
}

bool startsWithNoCase(const std::string& text, const char* szPrefix) {
    size_t n = std::strlen(szPrefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(szPrefix[i])))
            return false;
    return true;
}

}  // namespace

void freeScanFileList() {
    if (ppPendingFileName) {
        for (int i = 1; i <= nPendingFiles; ++i) delete[] ppPendingFileName[i];
        delete[] ppPendingFileName;
    }
    ppPendingFileName = nullptr;
    nPendingFiles = 0;
}

std::string loadedScanDirectory() {
    // The list path is the directory itself: split it as if a file lay in it.
    std::string listDir = withoutTrailingSeparator(szListFilePath);
    ScanPathParts parts = splitScanPath(listDir + pathSeparatorOf(listDir) + "tmp");
    return parts.drive + parts.dir;
}

std::vector<std::string> loadedScanPaths(int nExclude) {
    const std::string dir = loadedScanDirectory();
    std::vector<std::string> paths;
    for (int t = 1; t <= nScans; ++t) {
        int i = pScanTimeOrder[t];
        if (i == nExclude) continue;
        paths.push_back(dir + ppScanFileName[i]);
    }
    return paths;
}

void buildScanFileList(int nExclude) {
    freeScanFileList();
    const std::vector<std::string> paths = loadedScanPaths(nExclude);
    setPendingList(paths);
}

void writeScanListFile(unsigned char bCorrected) {
    if (nPendingFiles != nScans || nPendingFiles < 1) return;
    ScanPathParts first = splitScanPath(ppPendingFileName[1]);
    std::string listPath = first.drive + first.dir + (bCorrected ? "list_corr" : "list") + first.ext;
    std::string dirText = withoutTrailingSeparator(first.drive + first.dir);
    FILE* f = win::fopenMapped(listPath.c_str(), "w");
    if (!f) {
        std::string msg = "\n\aAttention: could not open " + listPath;
        showErrorMessage(msg.c_str(), 0);
        return;
    }
    std::fprintf(f, "newformat n=1\n%s\n", dirText.c_str());
    for (int i = 1; i <= nPendingFiles; ++i) {
        ScanPathParts p = splitScanPath(ppPendingFileName[i]);
        std::fprintf(f, "%s\n", (p.name + p.ext).c_str());
    }
    std::fclose(f);
}

bool readListFileLines(const char* szPath, int* pnStep, std::vector<std::string>* pLines,
                       std::vector<std::string>* pNames) {
    FILE* f = win::fopenMapped(szPath, "r");
    if (!f) return false;
    std::string text;
    char buf[4096];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, got);
    std::fclose(f);
    // The text is handled as strings: an embedded NUL ends it.
    text.resize(std::strlen(text.c_str()));

    const bool bHeader = startsWithNoCase(text, "newformat n=");
    if (bHeader) {
        size_t eol = text.find('\n');
        std::string step = text.substr(12, std::min<size_t>(4, (eol == std::string::npos ? text.size() : eol) - 12));
        *pnStep = std::atoi(step.c_str());
        if (*pnStep < 1) *pnStep = 1;
        text = eol == std::string::npos ? std::string() : text.substr(eol + 1);
    } else {
        // Older lists spelled the dot of the names as "_".
        *pnStep = 1;
        for (char& c : text)
            if (c == '_') c = '.';
    }

    // A "%" starts a comment; one in the very first character is the
    // directory's own. A comment line of its own goes with its line break; a
    // comment after a name ends that name (with the blanks before it), which
    // keeps its own line.
    for (size_t pos = text.find('%', 1); pos != std::string::npos; pos = text.find('%', pos)) {
        const size_t eol = text.find('\n', pos);
        const bool bOwnLine = text[pos - 1] == '\n';
        size_t start = pos;
        if (!bOwnLine)
            while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t')) --start;
        const size_t end = eol == std::string::npos ? text.size() : (bOwnLine ? eol + 1 : eol);
        text.erase(start, end - start);
        pos = start;
    }

    std::vector<std::string>& lines = *pLines;
    lines.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t eol = text.find('\n', start);
        std::string line = text.substr(start, eol == std::string::npos ? std::string::npos : eol - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (eol == std::string::npos) break;
        start = eol + 1;
    }

    // Names in file order; blank lines name nothing.
    pNames->clear();
    for (size_t k = 1; k < lines.size(); ++k) {
        const std::string& s = lines[k];
        if (s.find_first_not_of(" \t") == std::string::npos) continue;
        pNames->push_back(s);
    }
    return true;
}

int readScanListFile(TXLAWindow* pWindow, const char* szPath) {
    std::vector<std::string> lines, names;
    if (!readListFileLines(szPath, &nLoadEveryNth, &lines, &names)) return 0;
    if (lines.empty() || lines[0].empty()) return 0;
    const std::string dir = lines[0];

    // Every path must fit the 260-character buffers of the set.
    std::string dirWithSep = withTrailingSeparator(dir);
    for (size_t k = 0; k < lines.size(); ++k) {
        size_t nNeeded = k == 0 ? lines[k].size() : dirWithSep.size() + lines[k].size();
        if (nNeeded + 1 > nPathBuffer) {
            char msg[400];
            std::snprintf(msg, sizeof(msg), "%.260s\nholds a line too long for a file path - list not loaded",
                          szPath);
            scanErrorBox(msg, "LOAD ERROR");
            return 0;
        }
    }

    copyToBuffer(szListFilePath, sizeof(szListFilePath), dir);
    if (nScans > 0) {
        delete pContiNonid;
        pContiNonid = nullptr;
        freeScanData();
    }

    std::vector<std::string> taken;
    for (size_t k = 0; k < names.size(); ++k)
        if (k % static_cast<size_t>(nLoadEveryNth) == 0) taken.push_back(names[k]);
    if (taken.size() > static_cast<size_t>(nMaxScans)) {
        scanErrorBox("too many scans selected", "LOAD ERROR");
        return 0;
    }

    ScanPathParts parts = splitScanPath(dirWithSep + "tmp");
    std::vector<std::string> paths;
    for (const std::string& name : taken) paths.push_back(parts.drive + parts.dir + name);
    setPendingList(paths);
    (void)pWindow;
    return 1;
}

void setCellInFileList(int nCell) {
    if (nCell < 0 || nCell > 8) return;
    for (int i = 1; i <= nPendingFiles; ++i) {
        ScanPathParts p = splitScanPath(ppPendingFileName[i]);
        if (p.ext.size() < 2) continue;
        size_t n = std::strlen(ppPendingFileName[i]);
        ppPendingFileName[i][n - 1] = static_cast<char>('0' + nCell);
    }
}

void setDirNumberInFileList(int n) {
    for (int i = 1; i <= nPendingFiles; ++i) {
        ScanPathParts p = splitScanPath(ppPendingFileName[i]);
        std::string dir = withoutTrailingSeparator(p.dir);
        char sep = pathSeparatorOf(p.drive + p.dir);
        size_t cut = dir.find_last_of("\\/");
        std::string parent = cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
        std::string path = p.drive + parent + std::to_string(n) + sep + p.name + p.ext;
        // A path that would not fit its buffer stays as it was.
        if (path.size() + 1 <= nPathBuffer) copyToBuffer(ppPendingFileName[i], nPathBuffer, path);
    }
}

void setDirInFileList(const char* szDir) {
    for (int i = 1; i <= nPendingFiles; ++i) {
        ScanPathParts p = splitScanPath(ppPendingFileName[i]);
        std::string path = p.drive + withTrailingSeparator(szDir) + p.name + p.ext;
        // A path that would not fit its buffer stays as it was.
        if (path.size() + 1 <= nPathBuffer) copyToBuffer(ppPendingFileName[i], nPathBuffer, path);
    }
}

bool filesInListExist() {
    for (int i = 1; i <= nPendingFiles; ++i) {
        win::HFILE h = win::_lopen(ppPendingFileName[i], win::OF_READ);
        if (h == win::HFILE_ERROR) return false;
        win::_lclose(h);
    }
    return true;
}
