// The recorded elapsed times against the files' time stamps: the check after
// every load, the corrected "tcorr_" copies, and times rebuilt from the
// stamps around one reference scan.
#include "scandata/time_stamp_check.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "scandata/data_menu.h"
#include "scandata/loaded_scan_writer.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_list.h"
#include "scandata/scan_paths.h"
#include "tools/fluorescence/nonlinear_detection.h"

namespace {

bool hasMarker(const char* szTitle) {
    return std::strstr(szTitle, szTimeStampCorrectedMarker) != nullptr ||
           std::strstr(szTitle, szTimeStampOkMarker) != nullptr;
}

void couldNotOpen(const std::string& path) {
    std::string msg = "\n\aAttention: could not open " + path;
    showErrorMessage(msg.c_str(), 0);
}

// The file's last modification time and its text (without the line break).
bool fileModificationTime(const char* szPath, std::time_t* pTime, std::string* pText) {
    FILE* f = win::fopenMapped(szPath, "r");
    if (!f) return false;
    struct stat st {};
    const bool bOk = fstat(fileno(f), &st) == 0;
    std::fclose(f);
    if (!bOk) return false;
    *pTime = st.st_mtime;
    if (pText) {
        const char* sz = std::ctime(pTime);
        *pText = sz ? sz : "";
        if (!pText->empty() && pText->back() == '\n') pText->pop_back();
    }
    return true;
}

std::string reportLine(int i, const std::string& text, double D, double R, double dResidual) {
    char sz[512];
    std::snprintf(sz, sizeof(sz),
                  "t%d = %s, \tdelta-t(%d-1) = %.1f sec, \t%.1f elapsed time difference recorded in file; "
                  "discrepancy = %.1f; [residual from OS projection = %f]\n",
                  i, text.c_str(), i, D, R, D - R, dResidual);
    return sz;
}

}  // namespace

bool hasTimeStampTag(unsigned char* pbMixed) {
    *pbMixed = 0;
    if (nScans < 1) return true;
    // Fluorescence data keep no time stamps worth checking.
    if (bFluorescenceData && dTimeStampThreshold > 1.001) return true;
    bool bFirstTagged = false;
    bool bResult = false;
    for (int t = 1; t <= nScans; ++t) {
        const bool bTagged = hasMarker(pScanHeaders[pScanTimeOrder[t]].title);
        if (t == 1) {
            bFirstTagged = bTagged;
            if (nScans == 1) return false;
        } else if (t < nScans) {
            if (bFirstTagged && !bTagged) *pbMixed = 1;
        } else {
            bResult = bFirstTagged && bTagged;
        }
    }
    return bResult;
}

double analyzeTimeStamps(unsigned char bShowReport, unsigned char* pbFailed, double** ppRecorded,
                         double** ppFileTimes) {
    *pbFailed = 0;
    if (ppRecorded) *ppRecorded = nullptr;
    if (ppFileTimes) *ppFileTimes = nullptr;
    if (nScans < 2) return 1.0;
    bDataChanged = 1;
    // The scans in time order; the pending list stays as the caller left it.
    const std::vector<std::string> paths = loadedScanPaths(0);
    const int n = static_cast<int>(paths.size());
    const ScanPathParts first = splitScanPath(paths[0]);
    double* R = dvector(1, n);
    double* D = dvector(1, n);
    auto finish = [&](double dFactor) {
        if (ppRecorded)
            *ppRecorded = R;
        else
            free_dvector(R, 1, n);
        if (ppFileTimes)
            *ppFileTimes = D;
        else
            free_dvector(D, 1, n);
        return dFactor;
    };
    auto fail = [&](const std::string& path) {
        couldNotOpen(path);
        *pbFailed = 1;
        return finish(1.0);
    };

    std::time_t t1 = 0, tn = 0;
    std::string text1, textN;
    if (!fileModificationTime(paths[0].c_str(), &t1, &text1)) return fail(paths[0]);
    if (!fileModificationTime(paths[n - 1].c_str(), &tn, &textN)) return fail(paths[n - 1]);
    const double dTime1 = pScanHeaders[pScanTimeOrder[1]].timeWritten;
    D[n] = std::difftime(tn, t1);
    R[n] = pScanHeaders[pScanTimeOrder[n]].timeWritten - dTime1;
    const double F = R[n] >= 60.0 ? D[n] / R[n] : 0.0;

    std::string report = "t1 = " + text1 + "\n";
    int nOutliers = 0;
    for (int i = 2; i <= n - 1; ++i) {
        std::time_t ti = 0;
        std::string text;
        if (!fileModificationTime(paths[i - 1].c_str(), &ti, &text)) return fail(paths[i - 1]);
        D[i] = std::difftime(ti, t1);
        R[i] = pScanHeaders[pScanTimeOrder[i]].timeWritten - dTime1;
        if (F > 0.0) {
            const double P = F * R[i];
            std::string line = reportLine(i, text, D[i], R[i], P - D[i]);
            if (std::fabs(P - D[i]) > 60.0) {
                ++nOutliers;
                line = "OUTLIER " + paths[i - 1] + ": " + line;
            }
            report += line;
        }
    }

    if (F > dTimeStampThreshold) {
        report += reportLine(n, textN, D[n], R[n], F * R[n] - D[n]);
        char sz[200];
        if (nOutliers > 0) {
            std::snprintf(sz, sizeof(sz), "\n\n--> attention - found %d files with odd time stamp (see above)",
                          nOutliers);
            report += sz;
        }
        std::snprintf(sz, sizeof(sz), "\n\n--> correction factor (delta-file timestamp/delta-recorded time) = %f",
                      F);
        report += sz;
        // The report lies beside the data.
        const std::string reportPath = first.drive + first.dir + "timestampanalysis.txt";
        FILE* f = win::fopenMapped(reportPath.c_str(), "w");
        if (!f) return fail(reportPath);
        std::fprintf(f, "%s\n", report.c_str());
        std::fclose(f);
        if (bShowReport) {
            const std::string cmd = "notepad.exe " + reportPath;
            win::WinExec(cmd.c_str(), win::SW_SHOWNORMAL);
        }
    }
    return finish(F);
}

bool TXLAWindow::CheckTimeStamps() {
    if (bEquilibriumDataMode) {
        for (int i = 1; i <= nScans; ++i) pScanHeaders[i].timeStampChecked = 1;
        return false;
    }
    unsigned char bMixed = 0;
    const bool bTagged = hasTimeStampTag(&bMixed);
    if (bMixed) {
        // Reloading could not mend a mixed set: the pending list may name
        // anything, and the same set would come back mixed again.
        showErrorMessage("Attention: some scans time corrected, others not", 0);
        return false;
    }
    if (bTagged) return false;

    unsigned char bFailed = 0;
    double F = analyzeTimeStamps(1, &bFailed, nullptr, nullptr);
    bool bManual = false;
    if (F <= 0.1) {
        if (win::MessageBox(HWindow, "Attention: no time stamp information available - enter manually (version# >= 6)?",
                            "CHECK TIME STAMP", win::MB_YESNO) != win::IDYES)
            return false;
        float fFactor = 1.0f;
        inputFloat(&fFactor, 1.0f, true, "time dilation factor", "CHECK TIME STAMP");
        F = fFactor;
        bManual = true;
    }
    if (!(F > dTimeStampThreshold)) return false;
    if (!bAutoLoadMultiSpeed &&
        win::MessageBox(HWindow, "save corrected files and reload?", "CHECK TIME STAMP", win::MB_YESNO) != win::IDYES)
        return false;

    buildScanFileList(0);
    for (int i = 1; i <= nPendingFiles; ++i) {
        const int t = pScanTimeOrder[i];
        const ScanPathParts p = splitScanPath(ppPendingFileName[i]);
        const std::string path = p.drive + p.dir + "tcorr_" + p.name + p.ext;
        copyToBuffer(ppPendingFileName[i], 260, path);
        // The copy carries the corrected times; the loaded set changes only
        // by loading the copies, so a copy that cannot be written leaves it
        // as it was.
        ScanHeader h = pScanHeaders[t];
        char szTitle[400];
        std::snprintf(szTitle, sizeof(szTitle),
                      bManual ? "[TIMESTAMP CORRECTED %f (manual)]%s" : "[TIMESTAMP CORRECTED %f]%s", F, h.title);
        h.time *= F;
        h.omega2t *= F;
        h.timeWritten *= F;
        h.timeRead *= F;
        h.timeStampChecked = 1;
        std::vector<float> raw;  // the raw values, which the reload reads
        if (!writeLoadedScan(path.c_str(), pScanPoints[t], ppRadius[t], rawScaleOfScan(t, false, raw),
                             ppThirdColumn[t], szTitle, 1, &h)) {
            reportUnwritableFile(path.c_str());
            freeScanFileList();
            return false;
        }
    }
    writeScanListFile(1);
    return true;
}

void TXLAWindow::CmRestoreTimeAndW2t() {
    if (nScans < 2) return;
    if (bUsingSpeedSteps) {
        showErrorMessage("sorry - this function is not for variable rotor speeed data", 0);
        return;
    }
    buildScanFileList(0);
    int k = 1;
    for (;;) {
        char sz[600];
        std::snprintf(sz, sizeof(sz), "using #%d (%.400s) as reference for t (%f), w^2t", k, ppPendingFileName[k],
                      pScanHeaders[pScanTimeOrder[k]].timeWritten);
        if (win::MessageBox(HWindow, sz, "FIX TIME AND W2T", win::MB_YESNO) == win::IDYES) break;
        float fPick = static_cast<float>(k);
        // Cancel ends the command, as choosing 0 does.
        if (!inputFloat(&fPick, static_cast<float>(k), true, "pick file #", "FIX TIME AND W2T")) return;
        const double dPick = std::floor(std::fabs(fPick));
        k = dPick > nScans ? nScans : static_cast<int>(dPick);
        if (k == 0) return;
    }

    std::time_t tRef = 0;
    if (!fileModificationTime(ppPendingFileName[k], &tRef, nullptr)) {
        couldNotOpen(ppPendingFileName[k]);
        return;
    }
    const ScanHeader ref = pScanHeaders[pScanTimeOrder[k]];
    const float fOmega = static_cast<float>(ref.rpm * kRpmToOmega);
    const float fW2 = fOmega * fOmega;
    // Every file's time first: one that cannot be read leaves every scan's
    // times as they were.
    std::vector<double> dts(static_cast<size_t>(nPendingFiles) + 1, 0.0);
    for (int i = 1; i <= nPendingFiles; ++i) {
        if (i == k) continue;
        std::time_t ti = 0;
        if (!fileModificationTime(ppPendingFileName[i], &ti, nullptr)) {
            couldNotOpen(ppPendingFileName[i]);
            return;
        }
        dts[static_cast<size_t>(i)] = std::difftime(ti, tRef);
    }
    for (int i = 1; i <= nPendingFiles; ++i) {
        if (i == k) continue;
        const double dt = dts[static_cast<size_t>(i)];
        ScanHeader& h = pScanHeaders[pScanTimeOrder[i]];
        h.time = ref.time + dt;
        h.timeWritten = ref.timeWritten + dt;
        h.timeRead = ref.timeRead + dt;
        h.omega2t = ref.omega2t + fW2 * dt;
    }
    if (win::MessageBox(HWindow, "save new data?", "", win::MB_YESNO) == win::IDYES) CmSaveRawDataSet();
}
