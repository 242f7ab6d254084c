// Sorting fluorescence scan files by detector setting.
#include "tools/fluorescence/fluorescence_sort.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/file_times.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_list.h"
#include "scandata/scan_paths.h"
#include "scandata/tool_plots.h"
#include "tools/fluorescence/file_name_tables.h"

using namespace win;

namespace {

constexpr const char* kTitle = "SORT FLUORESCENCE AUC DATA";

// Reading a file for its header must not change what the loaded set is.
class DataTypeGuard {
public:
    DataTypeGuard()
        : a(bAbsorbanceData), i(bIntensityData), p(bInterferenceData), f(bFluorescenceData), s(fSpikeThreshold)
    {
    }
    ~DataTypeGuard()
    {
        bAbsorbanceData = a;
        bIntensityData = i;
        bInterferenceData = p;
        bFluorescenceData = f;
        fSpikeThreshold = s;
    }

private:
    unsigned char a, i, p, f;
    float s;
};

// One scan file read for the sort; the arrays are released with it.
struct ReadScan {
    ScanHeader header{};
    int n = 0;
    float* r = nullptr;
    float* s = nullptr;
    float* third = nullptr;
    bool bRead = false;

    explicit ReadScan(const std::string& path)
    {
        DataTypeGuard keep;
        unsigned char bStamp = 0;
        bRead = readScanFile(path.c_str(), &header, &n, &r, &s, &third, &bStamp, 0.0f) != 0;
    }
    ~ReadScan()
    {
        if (!bRead) return;
        free_vector(r, 1, n);
        free_vector(s, 1, n);
        free_vector(third, 1, n);
    }
    ReadScan(const ReadScan&) = delete;
    ReadScan& operator=(const ReadScan&) = delete;
};

// The folder of the first pending file (drive and directory, with its
// separator) and its subfolder "sorted", made when missing.
std::string makeSortedFolder(std::string* pDataFolder)
{
    const ScanPathParts first = splitScanPath(ppPendingFileName[1]);
    *pDataFolder = first.drive + first.dir;
    const std::string sorted = *pDataFolder + "sorted";
    CreateDirectory(sorted.c_str(), nullptr);  // an existing folder is no error
    return sorted + pathSeparatorOf(*pDataFolder);
}

// The copy's path: the sorted folder, the name without its first letter, the
// key as extension.
std::string destinationOf(const std::string& sortedFolder, const std::string& path, const std::string& key)
{
    const ScanPathParts parts = splitScanPath(path);
    return sortedFolder + (parts.name.empty() ? std::string() : parts.name.substr(1)) + key;
}

// Copies with replacement and gives the copy the source's recorded file
// times; false after the message when the copy fails.
bool copyScanFile(TXLAWindow* pWindow, const std::string& from, const std::string& to, const ScanHeader& header)
{
    if (!CopyFile(from.c_str(), to.c_str(), FALSE)) {
        char sz[400];
        std::snprintf(sz, sizeof sz, "could not copy file to new destination %s", to.c_str());
        MessageBox(pWindow ? pWindow->HWindow : nullptr, sz, "", MB_OK);
        return false;
    }
    if (header.fileTimesValid) putBackScanFileTimes(to.c_str(), &header);
    return true;
}

// A scan is weak when, from the first point at or beyond r min up to r max
// (the last point is never tested), a signal lies below the minimum or a
// noise value above the maximum.
bool weakScan(const ReadScan& scan, float fRMin, float fRMax, float fMinSignal, float fMaxNoise)
{
    int j = 1;
    while (j < scan.n && scan.r[j] < fRMin) j++;
    for (; j < scan.n && scan.r[j] <= fRMax; j++) {
        if (scan.s[j] < fMinSignal) return true;
        if (scan.third && scan.third[j] > fMaxNoise) return true;
    }
    return false;
}

// The names of the folder's files in ascending byte order, with their sizes.
std::vector<std::pair<std::string, std::uintmax_t>> folderFiles(const std::string& folder)
{
    std::vector<std::pair<std::string, std::uintmax_t>> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(mapPath(folder.c_str()), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code ecFile;
        if (!it->is_regular_file(ecFile)) continue;
        const std::uintmax_t size = it->file_size(ecFile);
        if (ecFile) continue;
        files.emplace_back(it->path().filename().string(), size);
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool looksLikeFluorescenceScan(const std::string& name)
{
    const ScanPathParts parts = splitScanPath(name);
    return parts.name.size() >= 2 && (parts.name[0] == 'A' || parts.name[0] == 'B') && parts.name[1] == '0' &&
           parts.ext.size() >= 2 && parts.ext[1] == 'F';
}

}  // namespace

std::string fluorescenceSettingKey(const char* szPath, const ScanHeader& header)
{
    const ScanPathParts parts = splitScanPath(szPath);
    const char cFirst = parts.name.empty() ? ' ' : parts.name[0];
    const float fVoltage = header.fluorVoltage;
    const int nRange = header.fluorRange, nGain = header.fluorGain;
    char sz[300];
    std::snprintf(sz, sizeof sz, "%s_%c_PMV%d_r%d_g%d", parts.ext.c_str(), cFirst,
                  static_cast<int>(std::floor(fVoltage)), nRange, nGain);
    return sz;
}

bool sortFluorescenceFolder(TXLAWindow* pWindow, bool bMakeLists, float fTMin, float fTMax, int nTargetScans,
                            int nReferenceCell, bool bExcludeWeak, float fRMin, float fRMax, float fMinSignal,
                            float fMaxNoise)
{
    if (!bFluorescenceData || nScans < 1) return false;
    buildScanFileList(0);
    if (nPendingFiles < 1) return false;
    const bool bLists = bMakeLists && nTargetScans > 0;
    if (bLists) {
        freeKeyNames();
        freeFileNameTables();
    }
    std::string dataFolder;
    const std::string sortedFolder = makeSortedFolder(&dataFolder);
    const float fSpacing = bLists ? (fTMax - fTMin) / static_cast<float>(nTargetScans) : 0.0f;

    bool bOk = true;
    bool bFirst = true;
    std::uintmax_t nReferenceSize = 0;
    for (const auto& [name, size] : folderFiles(dataFolder)) {
        if (bFirst) {
            nReferenceSize = size;
            bFirst = false;
        }
        if (size <= nReferenceSize / 2) continue;
        if (!looksLikeFluorescenceScan(name)) continue;
        const std::string path = dataFolder + name;
        ReadScan scan(path);
        if (!scan.bRead) {
            // The copies made so far stay; nothing after this file is sorted.
            char sz[400];
            std::snprintf(sz, sizeof sz, "could not read the scan file %s - sorting stopped", path.c_str());
            MessageBox(pWindow ? pWindow->HWindow : nullptr, sz, kTitle, MB_OK);
            bOk = false;
            break;
        }
        const int nCell = scan.header.cell;
        if (nCell == nReferenceCell) continue;
        if (bExcludeWeak && weakScan(scan, fRMin, fRMax, fMinSignal, fMaxNoise)) continue;

        const std::string key = fluorescenceSettingKey(path.c_str(), scan.header);
        const std::string to = destinationOf(sortedFolder, path, key);
        writeToolText(pWindow, 50, 50 + nCell, to.c_str());
        if (!copyScanFile(pWindow, path, to, scan.header)) {
            bOk = false;
            break;
        }
        if (bLists) {
            const double dTime = scan.header.time;
            addToFileNameTable(to.c_str(), key.c_str(), static_cast<float>(dTime), fTMin, fSpacing, fTMax);
        }
    }

    if (bLists) {
        writeFileNameTableLists(pWindow, nullptr);
        writeToolText(pWindow, 50, 50 + iFileNameTables, "all done                                        ");
        freeKeyNames();
        freeFileNameTables();
    }
    return bOk;
}

bool sortLoadedFluorescenceData(TXLAWindow* pWindow)
{
    if (nScans < 1) return false;
    buildScanFileList(0);
    if (nPendingFiles < 1) return false;
    std::string dataFolder;
    const std::string sortedFolder = makeSortedFolder(&dataFolder);
    for (int i = 1; i <= nPendingFiles && i <= nScans; i++) {
        const ScanHeader header = pScanHeaders[pScanTimeOrder[i]];
        const std::string path = ppPendingFileName[i];
        const std::string to = destinationOf(sortedFolder, path, fluorescenceSettingKey(path.c_str(), header));
        if (!copyScanFile(pWindow, path, to, header)) return false;
    }
    return true;
}

void TXLAWindow::CmSortFluorescenceData()
{
    if (!bFluorescenceData || nScans < 1) {
        MessageBox(HWindow, "please load data", "Sort Fluorescence AUC data", MB_OK);
        return;
    }
    bool bOk;
    if (MessageBox(HWindow, "sort all data in this folder?", kTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        bOk = sortLoadedFluorescenceData(this);
    } else {
        bool bLists = false, bExclude = false;
        float fTMin = 0.0f, fTMax = 0.0f, fTarget = 100.0f, fReferenceCell = 4.0f;
        float fRMin = 6.5f, fRMax = 7.0f, fMinSignal = 0.0f, fMaxNoise = 100.0f;
        if (MessageBox(HWindow, "make list files?", kTitle, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            bLists = true;
            inputFloat(&fTMin, fTMin, true, "t min [sec]", kTitle);
            inputFloat(&fTMax, fTMax, true, "t max [sec]", kTitle);
            inputFloat(&fTarget, fTarget, true, "target # of scans", kTitle);
            inputFloat(&fReferenceCell, fReferenceCell, true, "exclude fluorescence reference in cell#", kTitle);
        }
        if (MessageBox(HWindow, "exclude files with signal below thresold in [rmin rmax] interval?", kTitle,
                       MB_YESNO | MB_ICONQUESTION) == IDYES) {
            bExclude = true;
            inputFloat(&fRMin, fRMin, true, "r min [cm]", kTitle);
            inputFloat(&fRMax, fRMax, true, "r max [cm]", kTitle);
            inputFloat(&fMinSignal, fMinSignal, true, "minimal signal", kTitle);
            inputFloat(&fMaxNoise, fMaxNoise, true, "maximal noise", kTitle);
        }
        auto whole = [](float f) {
            const double d = std::floor(static_cast<double>(f));
            return d > 1e9 ? 1000000000 : (d < -1e9 ? -1000000000 : static_cast<int>(d));
        };
        bOk = sortFluorescenceFolder(this, bLists, fTMin, fTMax, whole(fTarget), whole(fReferenceCell), bExclude,
                                     fRMin, fRMax, fMinSignal, fMaxNoise);
    }
    if (bOk) playOkSound();
}
