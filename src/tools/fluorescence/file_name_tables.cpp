// The key table and the file-name tables with their list files.
#include "tools/fluorescence/file_name_tables.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_paths.h"
#include "scandata/tool_plots.h"

char** ppKeyNames = nullptr;
int nKeyNames = 0;
char*** pFileNameTables = nullptr;
int* pFileNameTableCounts = nullptr;
float* pFileNameTableTimes = nullptr;
int iFileNameTables = 0;

namespace {

void attention(const std::string& text)
{
    const std::string sz = "\n\aAttention: " + text;
    showErrorMessage(sz.c_str(), 0);
}

}  // namespace

void allocKeyNames()
{
    if (ppKeyNames) return;
    ppKeyNames = new char*[iMaxKeyNames + 1]();
    nKeyNames = 0;
}

void freeKeyNames()
{
    if (ppKeyNames) {
        for (int k = 1; k <= iMaxKeyNames; k++) delete[] ppKeyNames[k];
        delete[] ppKeyNames;
    }
    ppKeyNames = nullptr;
    nKeyNames = 0;
}

int findOrAddKeyName(const char* szKey)
{
    allocKeyNames();
    for (int k = 1; k <= nKeyNames; k++)
        if (std::strcmp(ppKeyNames[k], szKey) == 0) return k;
    if (nKeyNames >= iMaxKeyNames) return 0;
    ++nKeyNames;
    ppKeyNames[nKeyNames] = new char[iMaxKeyNameLength]();
    std::snprintf(ppKeyNames[nKeyNames], iMaxKeyNameLength, "%s", szKey);
    return nKeyNames;
}

void allocFileNameTables()
{
    if (pFileNameTables) return;
    pFileNameTables = new char**[iMaxFileNameTables + 1]();
    pFileNameTableCounts = new int[iMaxFileNameTables + 1]();
    pFileNameTableTimes = new float[iMaxFileNameTables + 1]();
    iFileNameTables = 0;
}

void freeFileNameTables()
{
    if (pFileNameTables) {
        for (int k = 1; k <= iMaxFileNameTables; k++) {
            if (!pFileNameTables[k]) continue;
            for (int i = 1; i <= pFileNameTableCounts[k]; i++) delete[] pFileNameTables[k][i];
            delete[] pFileNameTables[k];
        }
        delete[] pFileNameTables;
    }
    delete[] pFileNameTableCounts;
    delete[] pFileNameTableTimes;
    pFileNameTables = nullptr;
    pFileNameTableCounts = nullptr;
    pFileNameTableTimes = nullptr;
    iFileNameTables = 0;
}

bool addToFileNameTable(const char* szPath, const char* szKey, float fTime, float fTMin, float fTMinSpacing,
                        float fTMax)
{
    if (!(fTime > fTMin)) return false;
    allocFileNameTables();
    const int k = findOrAddKeyName(szKey);
    if (k < 1) {
        attention("too many iMaxKeyNames");
        return false;
    }
    const int n = pFileNameTableCounts[k];
    if (n > 0 && (fTime <= pFileNameTableTimes[k] + fTMinSpacing || fTime >= fTMax)) return false;
    if (n == 0) {
        if (iFileNameTables >= iMaxFileNameTables) {
            attention("too many iFileNameTalbes");
            return false;
        }
        ++iFileNameTables;
    }
    if (n >= iMaxFileNameTableSize) {
        attention("too many in iMaxFileNameTableSize");
        return false;
    }
    if (!pFileNameTables[k]) pFileNameTables[k] = new char*[iMaxFileNameTableSize + 1]();
    pFileNameTables[k][n + 1] = new char[iMaxFileNamePath]();
    std::snprintf(pFileNameTables[k][n + 1], iMaxFileNamePath, "%s", szPath);
    pFileNameTableCounts[k] = n + 1;
    pFileNameTableTimes[k] = fTime;
    return true;
}

bool writeFileNameTableLists(TXLAWindow* pWindow, char* szLastListPath, const char* szListName)
{
    if (!pFileNameTables) return true;
    std::string lastList;
    bool bOk = true;
    for (int k = 1; k <= iMaxFileNameTables && bOk; k++) {
        if (pFileNameTableCounts[k] < 1) continue;
        const ScanPathParts first = splitScanPath(pFileNameTables[k][1]);
        const std::string listPath = first.drive + first.dir + szListName + first.ext;
        const std::string folder = withoutTrailingSeparator(first.drive + first.dir);
        FILE* f = win::fopenMapped(listPath.c_str(), "w");
        if (!f) {
            attention("could not open " + listPath);
            bOk = false;
            break;
        }
        std::fprintf(f, "newformat n=1\n%s\n", folder.c_str());
        for (int i = 1; i <= pFileNameTableCounts[k]; i++) {
            const ScanPathParts p = splitScanPath(pFileNameTables[k][i]);
            std::fprintf(f, "%s\n", (p.name + p.ext).c_str());
        }
        std::fclose(f);
        writeToolText(pWindow, 50, 50 + k, listPath.c_str());
        lastList = listPath;
    }
    if (szLastListPath) std::snprintf(szLastListPath, iMaxFileNamePath, "%s", lastList.c_str());
    return bOk;
}
