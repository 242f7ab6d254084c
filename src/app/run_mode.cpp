// The unattended run: the job of the parameter file and its results folder.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/app_globals.h"
#include "app/result_parameters.h"
#include "app/xla_app.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "tools/exports/text_exports.h"

using namespace win;

extern char szOpenFileNames[128000];

void TXLAWindow::RunJob()
{
    const RunParameters& p = runParameters;
    // The run writes its results without overwrite questions.
    bResultsWritten = 1;
    std::vector<std::string> files = runScanFiles(p);
    // the selection of an open dialog: the folder, then each name, each
    // ended by a NUL, and a final NUL
    std::string sel = p.szDataDirectory;
    while (sel.size() > 1 && sel.back() == '/') sel.pop_back();
    sel += '\0';
    for (const std::string& f : files) sel += std::filesystem::path(f).filename().string() + '\0';
    sel += '\0';
    if (sel.size() > sizeof szOpenFileNames) {
        MessageBox(HWindow, "too many scan files for one load", "LOAD ERROR", MB_OK);
        nProgramExitCode = 1;
        CmExit();
        return;
    }
    std::memcpy(szOpenFileNames, sel.data(), sel.size());
    nLoadEveryNth = 1;
    std::snprintf(szWindowTitle, sizeof szWindowTitle, "SEDIMENTATION ANALYSIS -> %s...", p.szDataDirectory.c_str());
    SetCaption(szWindowTitle);
    LoadAllData(this, szOpenFileNames);
    if (nScans <= 0) nProgramExitCode = 1;
    UpdateFloToolsMenu();
    CmExit();
}

void TXLAWindow::CmCustomDone()
{
    const RunParameters& p = runParameters;
    std::error_code ec;
    std::filesystem::create_directories(p.szOutputResultsDirectory, ec);
    std::string dir = p.szOutputResultsDirectory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    if (!std::filesystem::is_directory(dir, ec)) {
        std::fprintf(stderr, "morvex: the results folder %s cannot be made\n", dir.c_str());
        nProgramExitCode = 1;
        return;
    }

    ResultRecord r;
    r.szProgramVersion = "Morvex";
    r.szParameterFile = p.szParameterFile;
    r.szDataDirectory = p.szDataDirectory;
    r.szModel = p.szModel;
    r.szRegularizationType = p.szRegularizationType;
    r.bAutoFit = p.bAutoFit;
    r.nScans = nScans;
    for (int i = 1; i <= nScans; ++i)
        if (ppScanFileName && ppScanFileName[i])
            r.inputFiles.push_back(std::string(szScanDrive) + szScanDir + ppScanFileName[i]);
    if (bModelComputed) {
        r.bHaveParameters = true;
        for (int k = 1; k <= 34; ++k) {
            r.pfValue[k] = pParamValue[k];
            r.pnFloat[k] = pParamFloat[k];
        }
        r.bHaveRmsd = true;
        r.fRmsd = calcRmsd();
    }

    // The screenshot: the window painted as it stands.
    if (HWindow) {
        Invalidate(true);
        UpdateWindow();
        if (saveWindowImage(HWindow, (dir + "screenshot.bmp").c_str())) {
            r.resultFiles.push_back("screenshot.bmp");
        } else {
            std::fprintf(stderr, "morvex: %sscreenshot.bmp cannot be written\n", dir.c_str());
            nProgramExitCode = 1;
        }
    }
    // The column table of noise, data and fit for outside plotting.
    if (nScans > 0) {
        if (writeSvdFrData((dir + "svdfrdata.dat").c_str())) {
            r.resultFiles.push_back("svdfrdata.dat");
        } else {
            std::fprintf(stderr, "morvex: %ssvdfrdata.dat cannot be written\n", dir.c_str());
            nProgramExitCode = 1;
        }
    }
    for (const std::string& line : headless::transcript())
        if (line.compare(0, 11, "MessageBox ") == 0) r.messages.push_back(line);
    // The transcript goes first, so the record names it only when it is there.
    if (headless::saveTranscript((dir + "transcript.txt").c_str())) {
        r.resultFiles.push_back("transcript.txt");
    } else {
        std::fprintf(stderr, "morvex: %stranscript.txt cannot be written\n", dir.c_str());
        nProgramExitCode = 1;
    }
    r.nExitCode = nProgramExitCode;
    if (!writeResultParameters((dir + "ResultParameters.xml").c_str(), r)) {
        std::fprintf(stderr, "morvex: %sResultParameters.xml cannot be written\n", dir.c_str());
        nProgramExitCode = 1;
    }
}
