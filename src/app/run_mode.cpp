// The unattended run: the job of the parameter file and its results folder.
#include <cstdio>
#include <cstdlib>
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

namespace {

// The quoted string at text[*pos] as the transcript wrote it, unquoted;
// *pos moves past it. Empty when there is none.
std::string unquoted(const std::string& text, size_t* pos)
{
    std::string out;
    size_t i = *pos;
    if (i >= text.size() || text[i] != '"') return out;
    for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        if (c == 'n') out += '\n';
        else if (c == 'r') out += '\r';
        else if (c == 't') out += '\t';
        else if (c == 'x' && i + 2 < text.size()) {
            out += char(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else out += c;
    }
    *pos = i + 1;
    return out;
}

// Caption and text of a message box's transcript line, the text on one line
// (line breaks, tabs and bells become spaces, runs of them one).
void boxOfLine(const std::string& line, std::string* pCaption, std::string* pText)
{
    size_t pos = 11;  // after "MessageBox "
    *pCaption = unquoted(line, &pos);
    pos++;
    std::string text = unquoted(line, &pos);
    pText->clear();
    for (char c : text) {
        bool bSpace = c == '\n' || c == '\r' || c == '\t' || c == '\a' || c == ' ';
        if (bSpace && (pText->empty() || pText->back() == ' ')) continue;
        *pText += bSpace ? ' ' : c;
    }
    while (!pText->empty() && pText->back() == ' ') pText->pop_back();
}

// The captions of the boxes that say the data could not be loaded or
// analysed as asked (error boxes, load errors, an inconsistent profile).
bool isErrorCaption(const std::string& caption)
{
    return caption == "LOAD ERROR" || caption == "ERROR" || caption == "Error";
}

}  // namespace

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
    // Every message of the run goes to the record and to standard error; a
    // box that says the data could not be used as asked makes the run a failure.
    for (const std::string& line : headless::transcript()) {
        if (line.compare(0, 11, "MessageBox ") != 0) continue;
        r.messages.push_back(line);
        std::string caption, text;
        boxOfLine(line, &caption, &text);
        std::fprintf(stderr, "morvex: %s: %s\n", caption.c_str(), text.c_str());
        if (isErrorCaption(caption)) nProgramExitCode = 1;
    }
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
