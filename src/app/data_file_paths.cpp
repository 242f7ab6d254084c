// The paths of DataFilePaths.
#include "app/data_file_paths.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "platform/win.h"
#include "plot/number_entry.h"

char szProgramDir[260] = "";
char szWorkDir[260] = "";
char szDrellixExePath[260] = "";
char szPlokaExePath[260] = "";
char szParamsIniPath[260] = "";
char szLastDirIniPath[260] = "";
char szLammParamsIniPath[260] = "";
char szSimAppEqParamsIniPath[260] = "";
char szDNonidPath[260] = "";
char szSNonidPath[260] = "";
char szDensityTablePath[260] = "";
char szViscosityTablePath[260] = "";
char szBoundaryFractsPath[260] = "";
char szNonIdCtotTablePath[260] = "";
char szMofsPath[260] = "";
char szWormChainMofsPath[260] = "";
char szIntegrRangeFilePath[260] = "";
char szIntegrRangeFilePath2[260] = "";
char szPlot3dExePath[260] = "";
char szMovieExePath[260] = "";
char szDataFitResExePath[260] = "";
char szDataFitResDistExePath[260] = "";
char szSizeShapeExePath[260] = "";
char szStructureExePath[260] = "";
unsigned char bHavePlot3dExe = 0;
unsigned char bHaveMovieExe = 0;
unsigned char bHaveDataFitResExe = 0;
unsigned char bHaveDataFitResDistExe = 0;
unsigned char bHaveSizeShapeExe = 0;
unsigned char bHaveStructureExe = 0;

namespace {

// A path too long for its buffer is left empty rather than cut: a cut path
// would name some other file. So is a path in a folder left empty, which
// would otherwise name a file in whatever folder is current.
void joinPath(char* szOut, const char* szDir, const char* szName)
{
    if (!szDir[0] || std::strlen(szDir) + std::strlen(szName) >= 260) {
        szOut[0] = 0;
        return;
    }
    size_t a = std::strlen(szDir);
    std::memcpy(szOut, szDir, a);
    std::memcpy(szOut + a, szName, std::strlen(szName) + 1);
}

}  // namespace

const char* runningProgramDir()
{
    static std::string dir;
    if (dir.empty()) {
        std::error_code ec;
        std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec || exe.empty())
            dir = "./";
        else
            dir = exe.parent_path().string() + "/";
    }
    return dir.c_str();
}

void workFilePath(char* szOut, const char* szName) { joinPath(szOut, szWorkDir, szName); }

// The longest name setUpDataFilePaths joins to the working folder.
constexpr char kLongestWorkFileName[] = "morvexsimappeqparams.ini";

size_t longestWorkingFolder() { return 259 - (sizeof kLongestWorkFileName - 1); }

int setUpDataFilePaths(const char* szProgramDirectory)
{
    std::string prog = szProgramDirectory ? szProgramDirectory : runningProgramDir();
    if (!prog.empty() && prog.back() != '/' && prog.back() != '\\') prog += '/';
    // the folders themselves too: one too long is left empty
    joinPath(szProgramDir, prog.c_str(), "");
    joinPath(szWorkDir, win::workingFolder().c_str(), "");

    joinPath(szSoundError, szProgramDir, "sounds/error.wav");
    joinPath(szSoundInfo, szProgramDir, "sounds/info.wav");
    joinPath(szSoundQuestion, szProgramDir, "sounds/question.wav");
    joinPath(szSoundFitDone, szProgramDir, "sounds/fitdone.wav");
    joinPath(szSoundHi, szProgramDir, "sounds/hi.wav");
    joinPath(szSoundBye, szProgramDir, "sounds/bye.wav");
    joinPath(szSoundOk, szProgramDir, "sounds/ok.wav");
    joinPath(szSoundBeer, szProgramDir, "sounds/beer.wav");

    joinPath(szDrellixExePath, szProgramDir, "drellix");
    joinPath(szPlokaExePath, szProgramDir, "PLOKA/PLOKA");
    joinPath(szPlot3dExePath, szProgramDir, "bin/plot3d");
    joinPath(szMovieExePath, szProgramDir, "bin/sedmovie");
    joinPath(szDataFitResExePath, szProgramDir, "bin/datafitres");
    joinPath(szDataFitResDistExePath, szProgramDir, "bin/datafitresdist");
    joinPath(szSizeShapeExePath, szProgramDir, "bin/sizeshape");
    joinPath(szStructureExePath, szProgramDir, "bin/structure");

    workFilePath(szParamsIniPath, "morvexparams.ini");
    workFilePath(szLastDirIniPath, "morvex.ini");
    workFilePath(szLammParamsIniPath, "morvexlammparams.ini");
    workFilePath(szSimAppEqParamsIniPath, kLongestWorkFileName);
    workFilePath(szDNonidPath, "dnonid.dat");
    workFilePath(szSNonidPath, "snonid.dat");
    workFilePath(szDensityTablePath, "density.dat");
    workFilePath(szViscosityTablePath, "viscosity.dat");
    workFilePath(szBoundaryFractsPath, "ppBoundaryFracts.dat");
    workFilePath(szNonIdCtotTablePath, "ppNonIdCtotTable.dat");
    workFilePath(szMofsPath, "mofs.dat");
    workFilePath(szWormChainMofsPath, "~WormChain_mofs.dat");
    workFilePath(szIntegrRangeFilePath, "integratrangefile.txt");
    workFilePath(szIntegrRangeFilePath2, "integratrangefile.txt");

    workFilePath(szTempDir, "temp/");
    std::error_code ec;
    std::filesystem::create_directories(szTempDir, ec);
    return std::filesystem::is_directory(szTempDir, ec) ? 1 : 0;
}

bool outsideProgramPresent(const char* szPath)
{
    if (!szPath || !szPath[0]) return false;
    return fileExists(szPath) || !win::configuredProgramPath(szPath).empty();
}

void checkPlotExecutables(TXLAWindow* pWindow)
{
    struct Exe {
        const char* szPath;
        unsigned char* pbHave;
        win::UINT nItem;
    } exes[] = {{szPlot3dExePath, &bHavePlot3dExe, 878},         {szMovieExePath, &bHaveMovieExe, 879},
                {szDataFitResExePath, &bHaveDataFitResExe, 880}, {szDataFitResDistExePath, &bHaveDataFitResDistExe, 881},
                {szSizeShapeExePath, &bHaveSizeShapeExe, 882},   {szStructureExePath, &bHaveStructureExe, 883}};
    win::HMENU menu = pWindow ? pWindow->GetMenu() : nullptr;
    for (const Exe& e : exes) {
        *e.pbHave = outsideProgramPresent(e.szPath) ? 1 : 0;
        if (!*e.pbHave && menu) win::DeleteMenu(menu, e.nItem, win::MF_BYCOMMAND);
    }
}
