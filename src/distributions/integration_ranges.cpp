// Fixed integration ranges kept in a file: the switch (command 644) that
// chooses the ranges file, its loading, and the report the integrate button
// gives with the switch on.
//
// "integratrangefile.txt" in the working folder holds one line, the full path
// of the ranges file, written without a line end; the ranges file is a table
// of two columns, s-min and s-max in S, one range per row. Row 1 is the
// reference: the signal of every further row is also given in per cent of
// the signal of row 1.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/clipboard_text.h"
#include "app/data_file_paths.h"
#include "app/file_dialogs.h"
#include "app/preferences.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/peak_information.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/matrix_file.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/scan_paths.h"

using namespace win;

unsigned char bIntegrationRangesLoaded = 0;
char szIntegrationRangesFile[260] = "";
float** pIntegrationRanges = nullptr;
int nIntegrationRanges = 0;

namespace {

const char kRangesFilter[] = "dat files (*.dat*)|*.dat*|All Files (*.*)|*.*|";

// The first line of the file without its line end; false when the file holds
// more than fits into nSize - 1 characters on that line.
bool readFirstLine(FILE* f, std::string* pLine, size_t nSize)
{
    pLine->clear();
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n') {
        pLine->push_back(static_cast<char>(c));
        if (pLine->size() > nSize) break;  // no need to read on
    }
    if (!pLine->empty() && pLine->back() == '\r') pLine->pop_back();
    return pLine->size() < nSize;
}

}  // namespace

void freeIntegrationRanges()
{
    if (pIntegrationRanges) free_matrix(pIntegrationRanges, 1, nIntegrationRanges, 1, 2);
    pIntegrationRanges = nullptr;
    nIntegrationRanges = 0;
}

int loadIntegrationRangesFile()
{
    FILE* f = std::fopen(szIntegrRangeFilePath, "r");
    if (!f) {
        bIntegrationRangesLoaded = 0;
        return 0;
    }
    std::string line;
    const bool bFits = readFirstLine(f, &line, sizeof szIntegrationRangesFile);
    std::fclose(f);
    freeIntegrationRanges();
    if (!bFits) {
        // a path that does not fit is refused whole, never cut into another one
        szIntegrationRangesFile[0] = 0;
        MessageBox(nullptr, "could not load distribution ranges from file", "SET INTEGRATION RANGE", MB_OK);
        bIntegrationRangesLoaded = 0;
        return 0;
    }
    std::snprintf(szIntegrationRangesFile, sizeof szIntegrationRangesFile, "%s", line.c_str());

    int nRows = 0;
    float** ppTable = szIntegrationRangesFile[0] ? readMatrixFileB(szIntegrationRangesFile, 2, &nRows) : nullptr;
    if (!ppTable || nRows < 1) {
        if (ppTable) free_matrix(ppTable, 1, nRows, 1, 2);
        char sz[400];
        std::snprintf(sz, sizeof sz, "could not load distribution ranges from file %s", szIntegrationRangesFile);
        MessageBox(nullptr, sz, "SET INTEGRATION RANGE", MB_OK);
        bIntegrationRangesLoaded = 0;
        return 0;
    }
    pIntegrationRanges = ppTable;
    nIntegrationRanges = nRows;
    bIntegrationRangesLoaded = 1;
    return 1;
}

void integrationRangesReport(std::string* pText, std::vector<IntegrationRangeRow>* pRows)
{
    pText->clear();
    pRows->clear();
    char sz[600];
    std::snprintf(sz, sizeof sz, "automatic integration limits are switched on, using file %s:\n",
                  szIntegrationRangesFile);
    *pText = sz;
    float fFirstSignal = 0.0f;
    for (int i = 1; i <= nIntegrationRanges; i++) {
        const float a = pIntegrationRanges[i][1], b = pIntegrationRanges[i][2];
        std::snprintf(sz, sizeof sz, "%d: from %.2fS to %0.2fS\n", i, a, b);
        *pText += sz;
        float c = 0.0f, fSw = 0.0f, fTotal = 0.0f;
        integrateDistribution(a, b, &c, &fSw, &fTotal, nullptr, nullptr, nullptr);
        float fPercent = 0.0f;
        if (i == 1) {
            std::snprintf(sz, sizeof sz,
                          "\t c = %.4f (this is considered total for following %% amounts), sw = %.3f\n", c, fSw);
            fFirstSignal = c;
            fPercent = 100.0f;
        } else if (fFirstSignal > 0.0f) {
            fPercent = 100.0f * c / fFirstSignal;
            std::snprintf(sz, sizeof sz, "\t c = %.4f (%.2f%% of c in range #1), sw = %.3f\n", c, fPercent, fSw);
        } else {
            std::snprintf(sz, sizeof sz, "\t c = %.4f, sw = %.3f\n", c, fSw);
        }
        *pText += sz;
        pRows->push_back({a, b, c, fPercent, fSw});
    }
}

int TXLAWindow::LoadIntegrationRanges() { return loadIntegrationRangesFile(); }

bool TXLAWindow::SelectIntegrationRangesFile()
{
    // the dialog opens in the folder of the ranges file used last
    char szPath[1000];
    std::snprintf(szPath, sizeof szPath, "%s", szIntegrationRangesFile);
    if (!AskFileName(this, 0, szPath, sizeof szPath, "Select 2 col file with s-min/s-max pairs", nullptr,
                     kRangesFilter))
        return false;
    FILE* f = std::fopen(szIntegrRangeFilePath, "w");
    if (!f) return false;
    const bool bWritten = std::fprintf(f, "%s", szPath) >= 0;
    if (std::fclose(f) != 0 || !bWritten) return false;
    return LoadIntegrationRanges() != 0;
}

void TXLAWindow::CmUseIntegrationRangesFromFile()
{
    HMENU menu = GetMenu();
    if (!bUseIntegrationRangesFile) {
        if (!SelectIntegrationRangesFile()) {
            MessageBox(HWindow, "could not load distribution ranges from file", "SET DISTRIBUTION RANGE", MB_OK);
            playErrorSound();
            return;
        }
        bUseIntegrationRangesFile = 1;
        if (menu) CheckMenuItem(menu, 644, MF_BYCOMMAND | MF_CHECKED);
        char sz[600];
        std::snprintf(sz, sizeof sz, "switching on integration range from file \n%s \n - save as default setting?",
                      szIntegrationRangesFile);
        if (MessageBox(HWindow, sz, "SET PREFERENCE", MB_YESNO | MB_ICONQUESTION) == IDYES)
            setDefaultPreference(this, 10, 1);
    } else {
        bUseIntegrationRangesFile = 0;
        if (menu) CheckMenuItem(menu, 644, MF_BYCOMMAND | MF_UNCHECKED);
        if (MessageBox(HWindow, "switching off integration range from file - \nsave as default setting?",
                       "SET PREFERENCE", MB_YESNO | MB_ICONQUESTION) == IDYES)
            setDefaultPreference(this, 10, 0);
    }
    playOkSound();
}

int TXLAWindow::IntegrateRangesFromFile()
{
    if (!bUseIntegrationRangesFile || !LoadIntegrationRanges()) return 0;
    std::string text;
    std::vector<IntegrationRangeRow> rows;
    integrationRangesReport(&text, &rows);

    // "integrals.dat" in the folder of the loaded scans
    const std::string listDir = withoutTrailingSeparator(szListFilePath);
    const ScanPathParts parts = splitScanPath(listDir + pathSeparatorOf(listDir) + "tmp");
    copyToBuffer(szScanDrive, sizeof szScanDrive, parts.drive);
    copyToBuffer(szScanDir, sizeof szScanDir, parts.dir);
    const std::string path = parts.drive + parts.dir + "integrals.dat";
    FILE* f = fopenMapped(path.c_str(), "w");
    bool bWritten = f && std::fprintf(f, "%s ", text.c_str()) >= 0;
    if (f && std::fclose(f) != 0) bWritten = false;
    if (!bWritten) {
        char sz[600];
        std::snprintf(sz, sizeof sz, "could not open file %s for writing", path.c_str());
        MessageBox(HWindow, sz, "ERROR", MB_OK);
        playErrorSound();
        return 0;
    }
    WinExec(("notepad.exe " + path).c_str(), SW_SHOWDEFAULT);

    // s-min, s-max, c, per cent and sw of every range
    const int n = static_cast<int>(rows.size());
    std::vector<float> columns[5];
    for (std::vector<float>& c : columns) c.assign(static_cast<size_t>(n) + 1, 0.0f);
    for (int i = 1; i <= n; i++) {
        const IntegrationRangeRow& r = rows[static_cast<size_t>(i - 1)];
        const float v[5] = {r.fMin, r.fMax, r.fSignal, r.fPercent, r.fSw};
        for (int k = 0; k < 5; k++) columns[k][static_cast<size_t>(i)] = v[k];
    }
    float* pY[4] = {columns[1].data(), columns[2].data(), columns[3].data(), columns[4].data()};
    putTextOnClipboard(this, columns[0].data(), pY, 1, n, 4);
    return 1;
}
