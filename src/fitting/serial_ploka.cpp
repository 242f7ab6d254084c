// The serialised fit that the plotting program PLOKA monitors (command 923):
// PLOKA is started on the data directory, the user chooses the sets in it,
// and PLOKA writes a watch file: one line per set, either a list file
// ("listOfLists.txt") or a scan-name prefix, extension and the first, last
// and step of the scan numbers ("toBeProcessed.txt"), which become list
// files here. Each set runs the per-set sequence of the serialised fits;
// PLOKA reads the fit ("dfr<set>.txt") and distribution ("dist<set>.txt") of
// each, and "distFinis.txt", one line per set with its rmsd, meniscus and
// f/f0, tells it that the series is finished.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "fitting/fit_globals.h"
#include "fitting/serial_fit.h"
#include "fitting/serial_set.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_paths.h"
#include "tools/fluorescence/file_name_tables.h"

SerialSeries serialSeries;
char szSerialDataDir[260] = "";
char szSerialWatchFile[260] = "";

namespace {

constexpr const char* szTitle = "SERIALIZE FIT";
// The pause between two looks for the watch file, and the looks at most.
constexpr win::DWORD nWatchPauseMs = 1000;
constexpr int nWatchChecks = 11;
// The scan numbers tried between two looks at the keyboard.
constexpr long long nNumbersPerKeyCheck = 4096;

std::string format(const char* szFormat, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* szFormat, ...)
{
    char sz[1200];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(sz, sizeof sz, szFormat, args);
    va_end(args);
    return sz;
}

win::HWND handleOf(TXLAWindow* w) { return w ? w->HWindow : nullptr; }

void notice(TXLAWindow* w, const std::string& text)
{
    win::MessageBox(handleOf(w), text.c_str(), szTitle, win::MB_OK);
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(win::mapPath(path.c_str()), ec);
}

bool isCsModel() { return bModelCS || bModelCSOneDiscreteD || bModelCSOneDiscreteM; }

// Renames an existing file to the first free name "<name>(n)<ext>" from n on
// (n is left at the number taken); false when the user does not go on after
// a failed rename.
bool renameAside(TXLAWindow* w, const std::string& path, int* pn)
{
    if (!exists(path)) return true;
    const ScanPathParts p = splitScanPath(path);
    std::string target;
    for (;; ++*pn) {
        target = p.drive + p.dir + format("%s(%d)", p.name.c_str(), *pn) + p.ext;
        if (!exists(target)) break;
    }
    std::error_code ec;
    std::filesystem::rename(win::mapPath(path.c_str()), win::mapPath(target.c_str()), ec);
    if (!ec) return true;
    const std::string q = format("could not rename existing %s to %s - proceed?", path.c_str(), target.c_str());
    return win::MessageBox(handleOf(w), q.c_str(), "", win::MB_YESNO) == win::IDYES;
}

// The whitespace-separated fields of a line.
std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i >= line.size()) break;
        const size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

// A whole number of the int range, written in full.
bool wholeNumber(const std::string& s, int* pn)
{
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
    *pn = static_cast<int>(v);
    return true;
}

}  // namespace

void freeSerialSeries()
{
    delete[] serialSeries.pItems;
    serialSeries.pItems = nullptr;
    serialSeries.nItems = 0;
}

// ---------------------------------------------------------------- the start

bool prepareSerialPlokaWatch(TXLAWindow* w)
{
    // 1.
    if (nScans < 1) return false;
    if (win::MessageBox(handleOf(w), "Are currently loaded data part of the series, and analyzed as the series should be?",
                        szTitle, win::MB_YESNO) != win::IDYES) {
        notice(w, "please load first data set and analyze manually, then invoke serialization");
        return false;
    }
    if (!isCsModel()) {
        notice(w, "sorry, currently only envisioned for c(s)");
        return false;
    }
    // 2. PLOKA where the configuration says it is
    if (!outsideProgramPresent(szPlokaExePath)) {
        notice(w, format("sorry, could not find PLOKA file at %s", szPlokaExePath));
        return false;
    }
    // 3.
    buildScanFileList(0);
    if (nPendingFiles < 1) return false;
    const ScanPathParts first = splitScanPath(ppPendingFileName[1]);
    const std::string dir = first.drive + first.dir;
    if (!copyToBuffer(szSerialDataDir, sizeof szSerialDataDir, dir)) return false;
    if (bFluorescenceData)
        bSerialFromListOfLists = 1;
    else
        bSerialFromListOfLists =
            win::MessageBox(handleOf(w), "look for existing series of lists? (otherwise they will be assembled by scan numbers)",
                            szTitle, win::MB_YESNO | win::MB_DEFBUTTON2) == win::IDYES
                ? 1
                : 0;
    // 4.
    const std::string watch = dir + (bSerialFromListOfLists ? "listOfLists.txt" : "toBeProcessed.txt");
    if (!copyToBuffer(szSerialWatchFile, sizeof szSerialWatchFile, watch)) return false;
    int n = 1;
    if (!renameAside(w, watch, &n)) return false;
    if (!renameAside(w, dir + "SerialFit.pptx", &n)) return false;
    // 5. PLOKA runs on by itself
    const std::string command = std::string(szPlokaExePath) +
                                (bSerialFromListOfLists ? " --cofs --watchlist " : " --cofs --watch ") + "\"" +
                                withoutTrailingSeparator(dir) + "\"";
    win::WinExec(command.c_str(), win::SW_SHOWNORMAL);
    notice(w, "now please work with PLOKA to select sets and press 'begin', then press OK here");
    // 6.
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    bool bFound = false;
    for (int k = 1; k <= nWatchChecks; k++) {
        if (exists(watch)) {
            bFound = true;
            break;
        }
        if (k == nWatchChecks || keyPressed()) break;
        win::Sleep(nWatchPauseMs);
    }
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
    if (!bFound) {
        notice(w, format("oops - can't seem to find %s ... sorry, stopping here", watch.c_str()));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- the watch file

bool createSerialList(TXLAWindow* w, const char* szListName, const char* szPrefix, const char* szExtension, int nFirst,
                      int nLast, int nStep, char* szListPath)
{
    if (szListPath) szListPath[0] = '\0';
    freeFileNameTables();
    allocFileNameTables();
    // a step that does not go forward would try the same number for ever
    const long long nAdvance = nStep >= 1 ? nStep : 1;
    int nFound = 0;
    long long nTried = 0;
    for (long long n = nFirst; n <= nLast;) {
        const std::string path = format("%s%s%05d.%s", szSerialDataDir, szPrefix, static_cast<int>(n), szExtension);
        const bool bThere = exists(path);
        if (bThere) {
            if (nFound >= iMaxFileNameTableSize) {
                notice(w, format("more than %d files for list %s - the list takes the first %d", iMaxFileNameTableSize,
                                 szExtension, iMaxFileNameTableSize));
                break;
            }
            if (path.size() >= static_cast<size_t>(iMaxFileNamePath) ||
                !addToFileNameTable(path.c_str(), "serial", static_cast<float>(nFound + 1), 0.0f, 0.0f, 1e30f))
                break;
            ++nFound;
        }
        // a key ends the search of a long range
        if (++nTried % nNumbersPerKeyCheck == 0 && keyPressed()) break;
        if (!bThere) {
            ++n;
        } else if (n >= nLast) {
            break;
        } else {
            n = std::min<long long>(n + nAdvance, nLast);
        }
    }
    if (nFound < 2) {
        notice(w, format("problem creating list %s: only %d files found", szExtension, nFound));
        freeFileNameTables();
        return false;
    }
    char szPath[iMaxFileNamePath] = "";
    const bool bWritten = writeFileNameTableLists(w, szPath, szListName);
    freeFileNameTables();
    if (!bWritten || !szPath[0]) return false;
    if (szListPath) std::snprintf(szListPath, nSerialListPathSize, "%s", szPath);
    return true;
}

bool readSerialWatchFile(TXLAWindow* w)
{
    FILE* f = win::fopenMapped(szSerialWatchFile, "rt");
    if (!f) {
        showErrorMessage(format("\nAttention: could not open %s", szSerialWatchFile).c_str(), 0);
        return false;
    }
    std::string text;
    char buf[4096];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
    std::fclose(f);
    // the text ends at a zero byte, as a text read does
    text.resize(std::strlen(text.c_str()));
    if (text.empty()) return false;
    if (!serialSeries.pItems) serialSeries.pItems = new SerialItem[nSerialSeriesCapacity + 1]();
    serialSeries.nItems = 0;

    const bool bLists = bSerialFromListOfLists != 0;
    size_t start = 0;
    while (start < text.size() && serialSeries.nItems < nSerialSeriesCapacity) {
        size_t eol = text.find('\n', start);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(start, eol - start);
        start = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields = fieldsOf(line);
        if (fields.empty()) continue;  // a blank line names no set
        // One field (a list) or five: prefix, extension, first, last, step.
        // A field longer than the buffer it goes into is no field.
        int nFirst = 0, nLast = 0, nStep = 0;
        bool bParsed = fields.size() == (bLists ? 1u : 5u);
        if (bParsed && !bLists)
            bParsed = wholeNumber(fields[2], &nFirst) && wholeNumber(fields[3], &nLast) && wholeNumber(fields[4], &nStep);
        if (bParsed && fields[0].find("None") != std::string::npos) fields[0].clear();
        // the set name (the list path, or prefix and extension) in its 256 characters
        if (bParsed) bParsed = (bLists ? fields[0].size() : fields[0].size() + fields[1].size()) < nSerialSetNameSize;
        if (!bParsed) {
            notice(w, format("parsing error of %s", line.c_str()));
            serialSeries.nItems = 0;
            return false;
        }
        const int k = serialSeries.nItems + 1;
        SerialItem& item = serialSeries.pItems[k];
        item = SerialItem{};
        if (bLists) {
            std::snprintf(item.szListPath, sizeof item.szListPath, "%s", fields[0].c_str());
            std::snprintf(item.szSetName, sizeof item.szSetName, "%s", fields[0].c_str());
        } else {
            std::snprintf(item.szSetName, sizeof item.szSetName, "%s%s", fields[0].c_str(), fields[1].c_str());
            const std::string listName = format("seriallist%d", k);
            if (!createSerialList(w, listName.c_str(), fields[0].c_str(), fields[1].c_str(), nFirst, nLast, nStep,
                                  item.szListPath)) {
                // the series ends before this set
                notice(w, format("problem creating list #%d: %s %s %d %d %d", k, fields[0].c_str(), fields[1].c_str(),
                                 nFirst, nLast, nStep));
                break;
            }
        }
        serialSeries.nItems = k;
    }
    return true;
}

// ---------------------------------------------------------------- the series

void runSerialListSeries(TXLAWindow* w)
{
    SerialRun run;
    run.kind = ESerialKind::Ploka;
    run.dataDir = szSerialDataDir;
    askListSeriesOptions(w, run, true);
    for (int k = 1; k <= serialSeries.nItems && serialSeries.pItems; k++) {
        // a list that cannot be read names no scans
        if (!readScanListFile(w, serialSeries.pItems[k].szListPath)) break;
        bSerialFitRunning = 1;
        w->ReloadScanFileList();
        buildScanFileList(0);
        if (nScans < 1) break;
        nNumericalErrorCode = 0;
        if (runSerialSet(w, run, k) != ESetEnd::Done) break;
    }
    endListSeries(run);
}

bool writeDistFinis(TXLAWindow* w)
{
    (void)w;
    const std::string path = std::string(szSerialDataDir) + "distFinis.txt";
    FILE* f = win::fopenMapped(path.c_str(), "w");
    bool bWritten = false;
    if (!f) {
        showErrorMessage(
            format("\nAttention: could not open %s - please create manually to stop PLOKA's watch", path.c_str()).c_str(),
            0);
    } else {
        for (int k = 1; k <= serialSeries.nItems && serialSeries.pItems; k++) {
            const SerialItem& item = serialSeries.pItems[k];
            if (!item.bProcessed) continue;
            std::fprintf(f, "%s\t%f\t%f\t%f\n", item.szSetName, item.fRmsd, item.fMeniscus, item.fFrictionalRatio);
        }
        bWritten = std::fclose(f) == 0;
    }
    freeSerialSeries();
    return bWritten;
}

void TXLAWindow::CmSerializeFitWithPlokaMonitoring()
{
    if (!prepareSerialPlokaWatch(this)) return;
    if (!readSerialWatchFile(this)) {
        freeSerialSeries();
        return;
    }
    bSerialPlokaMode = 1;
    runSerialListSeries(this);
    bSerialPlokaMode = 0;
    writeDistFinis(this);
}
