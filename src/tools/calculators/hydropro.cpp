// The HydroPro launcher: input and batch files for the outside hydrodynamics
// program, its run in a folder of its own and the result lines it writes.
#include "tools/calculators/hydropro.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/file_dialogs.h"
#include "app/outside_services.h"
#include "app/xla_window.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "scandata/scan_paths.h"

namespace {

constexpr size_t nMaxResultLine = 999;
const char szResultMarker[] = "Sedimentation coefficient:";
const char szParameterTitle[] = "HYDROPRO parameters";

// The text from p to the end of its line, at most 999 characters.
std::string restOfLine(const char* p)
{
    size_t n = 0;
    while (p[n] && p[n] != '\n' && p[n] != '\r' && n < nMaxResultLine) ++n;
    return std::string(p, n);
}

bool closeWritten(FILE* f)
{
    const bool bWritten = std::fflush(f) == 0 && std::ferror(f) == 0;
    return std::fclose(f) == 0 && bWritten;
}

// The process's current folder, put back when the command ends.
class CurrentFolderGuard {
public:
    CurrentFolderGuard()
    {
        char sz[4096];
        if (win::GetCurrentDirectory(sizeof sz, sz) < sizeof sz) folder = sz;
    }
    ~CurrentFolderGuard()
    {
        if (!folder.empty()) win::SetCurrentDirectory(folder.c_str());
    }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

private:
    std::string folder;
};

class HydroProRun {
public:
    explicit HydroProRun(TXLAWindow* pWindow) : w(pWindow) {}
    void Run();

private:
    TXLAWindow* w;
    std::string exeSource;   // the program file copied into the run's folder; "" when configured
    std::string pdbPath, base, folder;
    HydroProParameters p;

    void Box(const std::string& text, const char* szTitle, win::UINT style = win::MB_OK)
    {
        win::MessageBox(w->HWindow, text.c_str(), szTitle, style);
    }
    bool Yes(const std::string& text, const char* szTitle)
    {
        return win::MessageBox(w->HWindow, text.c_str(), szTitle, win::MB_YESNO) == win::IDYES;
    }
    // Where HydroPro comes from, its user guide and its reference
    // publication: the HydroPro section of the help page.
    void OfferHelpSection(const std::string& text)
    {
        if (Yes(text, "no HYDROPRO file")) openHelpPage("#hydropro");
    }
    bool Ask(const std::string& explanation, float* pf, const char* szPrompt)
    {
        if (!explanation.empty()) Box(explanation, "ATTENTION");
        return inputFloatInWindow(w, pf, *pf, true, szPrompt, szParameterTitle);
    }
    bool LocateProgram();
    bool ChooseStructure();
    bool MakeFolder();
    bool AskParameters();
    void ShowResults();
};

bool HydroProRun::LocateProgram()
{
    if (!win::configuredProgramPath(szHydroProExeName).empty()) return true;  // not copied anywhere
    const std::string installed = std::string(szProgramDir) + szHydroProExeName;
    if (szProgramDir[0] && fileExists(installed.c_str())) {
        exeSource = installed;
        return true;
    }
    char sz[1200];
    std::snprintf(sz, sizeof sz, "Could not find HydroPro file \"%s\" in folder %.600s.\nPlease locate this file!",
                  szHydroProExeName, szProgramDir);
    Box(sz, "ERROR", win::MB_OK | win::MB_ICONSTOP);
    char szFound[1000];
    copyToBuffer(szFound, sizeof szFound, installed);
    const std::string title = std::string("please locate the file \"") + szHydroProExeName + "\"";
    if (!AskFileName(w, 0, szFound, sizeof szFound, title.c_str(), "exe",
                     "hydropro (hydropro7cmsd.*)|hydropro7cmsd.*|")) {
        std::snprintf(sz, sizeof sz,
                      "HydroPro is an outside program that does not come with MORVEX.\n"
                      "Show where it can be obtained? Save it into the program folder (%.600s), "
                      "or name it in programs.ini, and start this command again.",
                      szProgramDir);
        OfferHelpSection(sz);
        return false;
    }
    // Kept in the program folder for later runs; a program folder that
    // cannot be written, or is not known (too long to keep), does not stop
    // this run, which takes the file chosen.
    exeSource = szProgramDir[0] && win::CopyFile(szFound, installed.c_str(), win::FALSE) ? installed
                                                                                          : std::string(szFound);
    return true;
}

bool HydroProRun::ChooseStructure()
{
    Box("Please select the pdb structure file.\nNote that the structure should describe exactly the same molecule "
        "that was studied in the experiment. \nIf there are, for example, missing loops in the pdb file, then they "
        "should be added in hypothetical conformations. \nThis may be done both in extremely extended and compact "
        "forms, \nsuch that the results reflect estimates for the upper and lower limits of the theoretical "
        "s-values.",
        "ATTENTION");
    char szPdb[1000];
    const std::string test = std::string(szProgramDir) + "teststruct.pdb";
    copyToBuffer(szPdb, sizeof szPdb, fileExists(test.c_str()) ? test : std::string(szProgramDir) + "*.pdb");
    if (!AskFileName(w, 0, szPdb, sizeof szPdb, "please select the pdb file", "pdb", "pdb files (pdb.*)|*.pdb|"))
        return false;
    pdbPath = szPdb;
    base = splitScanPath(pdbPath).name;
    return true;
}

bool HydroProRun::MakeFolder()
{
    // Under the working folder: the program folder may be read-only.
    const std::string root = std::string(szWorkDir) + "HydroPro";
    if (!szWorkDir[0]) {  // too long to keep: not the current folder instead
        Box("could not create folder " + root, "ERROR");
        return false;
    }
    if (win::GetFileAttributes(root.c_str()) != win::FILE_ATTRIBUTE_DIRECTORY) win::CreateDirectory(root.c_str(), nullptr);
    folder = root + "/" + base;
    while (win::GetFileAttributes(folder.c_str()) != win::INVALID_FILE_ATTRIBUTES) folder += "_";
    if (!win::CreateDirectory(folder.c_str(), nullptr) || !win::SetCurrentDirectory(folder.c_str())) {
        Box("could not create folder " + folder, "ERROR");
        return false;
    }
    const std::string exeCopy = folder + "/" + szHydroProExeName;
    const std::string pdbCopy = folder + "/" + base + ".pdb";
    for (const auto& [from, to] : {std::pair<std::string, std::string>{exeSource, exeCopy}, {pdbPath, pdbCopy}}) {
        if (from.empty()) continue;
        if (!win::CopyFile(from.c_str(), to.c_str(), win::FALSE)) {
            Box("could not copy " + from + " to " + to, "ERROR");
            return false;
        }
    }
    return true;
}

bool HydroProRun::AskParameters()
{
    float fNSig = static_cast<float>(p.nSig);
    const bool bOk =
        Ask("Next, enter the radius of the atomic elements (AER) in Angstroms, as HydroPro's user guide describes "
            "it.\n3.2 is recommended for globular proteins, about 2.8 for nucleic acids and 3.0 for nucleoprotein "
            "complexes; about 1.8 is the smallest value, without hydration.",
            &p.fAER, "AER (Angstroms)") &&
        Ask("Next, enter NSIG, the number of minibead radii between SIGMIN and SIGMAX.\nWith -1 HydroPro chooses "
            "the two extreme radii itself.",
            &fNSig, "NSIG") &&
        Ask("Next, enter SIGMIN and SIGMAX, the smallest and the largest minibead radius in Angstroms (used when "
            "NSIG is not -1).",
            &p.fSigMin, "SIGMIN") &&
        Ask("", &p.fSigMax, "SIGMAX") &&
        Ask("Next, enter the temperature in K. For example, enter 293.15 in order to predict values at standard "
            "conditions.",
            &p.fTemperature, "temperature (K)") &&
        Ask("Next, enter the solvent density in g/ml. For example, enter 0.99823 in order to predict values at "
            "standard conditions.",
            &p.fDensity, "solvent density (g/ml)") &&
        Ask("Next, enter the solvent viscosity in Poise. For example, enter 0.01002 in order to predict values at "
            "standard conditions.",
            &p.fViscosity, "solvent viscosity (Poise)") &&
        Ask("Next, enter the molecular weight in Da.  \nAlternatively you may give the value: -1.0, and HydroPro "
            "will calculate it from the sequence given in the pdb file",
            &p.fMw, "molecular weight (Da)") &&
        Ask("Next, enter the partial-specific volume (ml/g).  \nAlternatively you may give the value: -1.0, and "
            "HydroPro will calculate it from the sequence given in the pdb file",
            &p.fVbar, "partial-specific volume (ml/g)");
    p.nSig = static_cast<int>(std::floor(fNSig));
    return bOk;
}

void HydroProRun::ShowResults()
{
    const std::string results = folder + "/" + base + ".res";
    FILE* f = win::fopenMapped(results.c_str(), "rb");
    if (!f) {
        Box("ERROR - no results file created", "ERROR");
        return;
    }
    win::WinExec(("notepad.exe " + results).c_str(), win::SW_SHOWNORMAL);
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    const HydroProResults r = extractHydroProResults(text.c_str());
    if (!r.bHaveResult) {
        Box("ERROR - no sedimentation coefficient in " + results, "ERROR");
        return;
    }
    Box(hydroProResultText(r), "HYDROPRO RESULTS");
}

void HydroProRun::Run()
{
    if (!LocateProgram()) return;
    if (!Yes("HydroPro is an outside program of its own, not a part of MORVEX.\nIf you use its results, please "
             "cite the HydroPro reference publication.\nWill you do so?",
             "HYDROPRO"))
        return;
    if (!ChooseStructure()) return;
    CurrentFolderGuard keepFolder;
    if (!MakeFolder()) return;
    OfferHelpSection("Show where HydroPro's user guide can be found?");
    OfferHelpSection("Show where the HydroPro reference publication can be found?");
    if (!AskParameters()) return;

    const std::string input = folder + "/hydropro.dat";
    if (!writeHydroProInput(input.c_str(), base, p)) {
        Box("could not open " + input + " for writing", "ERROR");
        return;
    }
    Box("MORVEX now hands over to HydroPro, an outside program; please cite the HydroPro reference publication "
        "with its results.\nIts window closes by itself when HydroPro has finished.\nResults files will be saved "
        "in folder " + folder + " .",
        "ATTENTION");
    const std::string batch = folder + "/hydropro.bat";
    if (!writeHydroProBatch(batch.c_str())) {
        Box("could not open " + batch + " for writing", "ERROR");
        return;
    }

    // A folder with blanks is quoted, so the command interpreter takes it whole.
    const std::string batchArg = folder + "\\hydropro.bat";
    std::string line = "cmd.exe /K " + (batchArg.find(' ') != std::string::npos ? "\"" + batchArg + "\"" : batchArg);
    std::vector<char> commandLine(line.begin(), line.end());
    commandLine.push_back('\0');
    win::STARTUPINFO si{};
    si.cb = sizeof si;
    win::PROCESS_INFORMATION pi{};
    if (!win::CreateProcess(nullptr, commandLine.data(), nullptr, nullptr, win::FALSE, win::CREATE_SEPARATE_WOW_VDM,
                            nullptr, nullptr, &si, &pi)) {
        Box("cannot start HYDROPRO", "ERROR", win::MB_OK | win::MB_ICONSTOP);
        return;
    }
    if (pi.hProcess) {
        win::WaitForSingleObject(pi.hProcess, win::INFINITE);
        win::CloseHandle(pi.hProcess);
    }
    if (pi.hThread) win::CloseHandle(pi.hThread);
    ShowResults();
}

}  // namespace

bool writeHydroProInput(const char* szPath, const std::string& base, const HydroProParameters& p)
{
    FILE* f = win::fopenMapped(szPath, "w");
    if (!f) return false;
    std::fprintf(f, "%s\n", base.c_str());
    std::fprintf(f, "%s\n", base.c_str());
    std::fprintf(f, "%s.pdb\n", base.c_str());
    std::fprintf(f, "%1.2f,\t\t!AER, radius of atomic elements\n", p.fAER);
    std::fprintf(f, "%d,\t\t!NSIG\n", p.nSig);
    std::fprintf(f, "%1.2f,\t\t!SIGMIN\n", p.fSigMin);
    std::fprintf(f, "%1.2f,\t\t!SIGMAX\n", p.fSigMax);
    std::fprintf(f, "%.1f,\t\t!Temperature (K)\n", p.fTemperature);
    std::fprintf(f, "%.5f,\t\t!Solvent viscosity (Poise)\n", p.fViscosity);
    std::fprintf(f, "%.1f,\t\t!Mw (Da)\n", p.fMw);
    std::fprintf(f, "%.4f,\t\t!vbar (ml/g)\n", p.fVbar);
    std::fprintf(f, "%.5f,\t\t!Solvent density (g/ml)\n", p.fDensity);
    for (int i = 0; i < 4; ++i) std::fprintf(f, "0,\n");
    std::fprintf(f, "*%19s", "");
    return closeWritten(f);
}

bool writeHydroProBatch(const char* szPath)
{
    FILE* f = win::fopenMapped(szPath, "w");
    if (!f) return false;
    std::fprintf(f, "echo starting hydropro\n");
    std::fprintf(f, "%s\n", szHydroProExeName);
    std::fprintf(f, "@ping 127.0.0.1 -n 4 -w 1000 > nul\n");
    std::fprintf(f, "exit\n");
    return closeWritten(f);
}

HydroProResults extractHydroProResults(const char* szText)
{
    HydroProResults r;
    if (!szText) return r;
    for (const char* p = std::strstr(szText, "***"); p; p = std::strstr(p + 3, "***")) r.errorLines.push_back(restOfLine(p));
    if (const char* q = std::strstr(szText, szResultMarker)) {
        r.bHaveResult = true;
        r.resultLine = restOfLine(q);
    }
    return r;
}

std::string hydroProResultText(const HydroProResults& r)
{
    std::string text;
    if (!r.errorLines.empty()) {
        text += "Error Messages:\n";
        for (const std::string& e : r.errorLines) text += e + "\n";
        text += "\n\n";
    }
    text += r.resultLine;
    text += "\n\n(Compare experimental s-values at the same conditions, \ni.e. transform experimental s-values from "
            "MORVEX to s20w \n[see MORVEX Calculator function]\nif you used standard conditions in HYDROPRO)";
    text += "\n\nPlease cite the HydroPro reference publication when you use these values.";
    return text;
}

void TXLAWindow::CmStartHydroPro() { HydroProRun(this).Run(); }
