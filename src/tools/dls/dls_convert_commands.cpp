// Options > DLS Tools > Convert DLS Data To MORVEX Format: one command per
// instrument export. Each names the export it needs (Yes/No), asks for the
// input file and the output name, asks the constants the export lacks and
// runs the converter; a conversion that fails is reported.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/xla_window.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/number_entry.h"
#include "tools/dls/dls_converters.h"
#include "tools/dls/dls_text.h"

using namespace win;

namespace {

constexpr const char* szMake = "MAKE DLS DATA";
constexpr const char* szSaveFormatted = "select filename for saving formatted data files";
constexpr const char* szSaveMorvex = "select filename for saving morvex formatted data file";
constexpr const char* szViscosity = "absolute viscosity of solvent (Poise)";
constexpr const char* szSolventIndex = "refractive index of solvent";
constexpr const char* szChannels = "# of channels";
constexpr const char* szLaser = "laser wavelength (nm)";
constexpr const char* szAngle = "scattering angle (degrees)";
constexpr const char* szTemperature = "temperature (C)";

bool askIntro(TXLAWindow* w, const char* szText)
{
    return MessageBox(w->HWindow, szText, szMake, MB_YESNO) == IDYES;
}

// The input dialog "select data file" with the pattern in the name field;
// the full paths of the chosen files.
bool askInput(TXLAWindow* w, const char* szPattern, const char* szDefExt, bool bMulti,
              std::vector<std::string>& paths)
{
    std::vector<char> buffer(32768, '\0');
    std::strncpy(buffer.data(), szPattern, buffer.size() - 1);
    OPENFILENAME ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = w->HWindow;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = "select data file";
    ofn.lpstrDefExt = szDefExt;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | (bMulti ? OFN_ALLOWMULTISELECT : 0);
    if (!GetOpenFileName(&ofn)) return false;
    paths.clear();
    const std::string first = buffer.data();
    std::string folder = first;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    for (const char* p = buffer.data() + first.size() + 1; bMulti && *p; p += std::strlen(p) + 1)
        paths.push_back(folder + p);
    if (paths.empty()) paths.push_back(first);
    return true;
}

// The output dialog, proposing "00001.dlsdat".
bool askOutput(TXLAWindow* w, const char* szTitle, std::string& path)
{
    char sz[1000] = "00001.dlsdat";
    OPENFILENAME ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = w->HWindow;
    ofn.lpstrFile = sz;
    ofn.nMaxFile = sizeof sz;
    ofn.lpstrTitle = szTitle;
    ofn.lpstrDefExt = "dlsdat";
    ofn.Flags = OFN_EXPLORER;
    if (!GetSaveFileName(&ofn)) return false;
    path = sz;
    return true;
}

bool askNumber(float* pf, float fDefault, const char* szPrompt)
{
    return inputFloat(pf, fDefault, true, szPrompt, szMake);
}

// Wavelengths are asked in nm and passed in m.
bool askWavelength(float* pfMetres, float fDefaultNm, const char* szPrompt, float* pfNm = nullptr)
{
    float fNm = fDefaultNm;
    if (!askNumber(&fNm, fDefaultNm, szPrompt)) return false;
    if (pfNm) *pfNm = fNm;
    *pfMetres = fNm * 1e-9f;
    return true;
}

// A channel count rounded down (0 for one that is no count).
bool askChannels(int* pn, float fDefault)
{
    float f = fDefault;
    if (!askNumber(&f, fDefault, szChannels)) return false;
    const int n = dlsChannelCount(f, 1000000000);
    *pn = n < 0 ? 0 : n;
    return true;
}

void reportFailed(TXLAWindow* w, const std::string& path)
{
    std::string sz = "could not convert " + path;
    MessageBox(w->HWindow, sz.c_str(), szMake, MB_OK | MB_ICONSTOP);
}

// The name of a path without folder and extension.
std::string bareName(const std::string& path)
{
    std::string name = path.substr(dlsFolderOf(path).size());
    const size_t nDot = name.rfind('.');
    if (nDot != std::string::npos) name.resize(nDot);
    return name;
}

}  // namespace

void TXLAWindow::CmConvertDlsPs99v520()
{
    if (!askIntro(this, "needs data of Protein Solutions 99 (Version 5.20.05), exported with options:\n"
                        "analysis results, autocorrelation coefficients, all measurements, ASCII text, include "
                        "headers"))
        return;
    std::vector<std::string> in;
    std::string out;
    float fViscosity, fIndex;
    int nChannels;
    if (!askInput(this, "*.txt", "txt", false, in) || !askOutput(this, szSaveFormatted, out) ||
        !askNumber(&fViscosity, kWaterViscosity20PoiseF, szViscosity) || !askNumber(&fIndex, kWaterRefractiveIndexF, szSolventIndex) ||
        !askChannels(&nChannels, 161.0f))
        return;
    if (convertPS99Dls(in[0].c_str(), out.c_str(), fViscosity, fIndex, nChannels) < 1) reportFailed(this, in[0]);
}

void TXLAWindow::CmConvertDlsPs99v526()
{
    if (!askIntro(this, "needs data of Protein Solutions 99 (Version 5.26.38), exported as 'this experiment only', "
                        "with autocorrelation coefficients, parameter settings, and cumulants data log"))
        return;
    std::vector<std::string> in;
    std::string out;
    float fViscosity, fIndex;
    int nChannels;
    if (!askInput(this, "*.txt", "txt", false, in) || !askOutput(this, szSaveFormatted, out) ||
        !askNumber(&fViscosity, kWaterViscosity20PoiseF, szViscosity) || !askNumber(&fIndex, kWaterRefractiveIndexF, szSolventIndex) ||
        !askChannels(&nChannels, 161.0f))
        return;
    const bool bTimeCourse = MessageBox(HWindow, "load entire time-course?", szMake, MB_YESNO) == IDYES;
    if (convertPS99v526Dls(in[0].c_str(), out.c_str(), fViscosity, fIndex, nChannels, bTimeCourse) < 1)
        reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertDlsPs99v62()
{
    if (!askIntro(this, "needs data of Protein Solutions (Dynamics Version 6.2.05), exported by right-clicking in "
                        "the correlation graph, select autocorrelation coefficients only"))
        return;
    std::vector<std::string> in;
    std::string out;
    float fViscosity, fIndex, fWavelength, fAngle, fTemperature;
    if (!askInput(this, "*.dat", "txt", false, in) || !askOutput(this, szSaveFormatted, out) ||
        !askNumber(&fViscosity, kWaterViscosity20PoiseF, szViscosity) || !askNumber(&fIndex, kWaterRefractiveIndexF, szSolventIndex) ||
        !askWavelength(&fWavelength, 824.7f, szLaser) || !askNumber(&fAngle, 90.0f, szAngle) ||
        !askNumber(&fTemperature, 20.0f, szTemperature))
        return;
    if (!convertPS99v6Dls(in[0].c_str(), out.c_str(), fTemperature, fIndex, fViscosity, fWavelength, fAngle))
        reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertDlsPsV4()
{
    if (!askIntro(this, "needs data of Protein Solutions Dynamics Version 4, exported with options:\n"
                        "analysis results, autocorrelation coefficients, all measurements, ASCII text, include "
                        "headers, results summary"))
        return;
    std::vector<std::string> in;
    std::string out;
    float fViscosity, fIndex, fWavelength, fAngle, fTemperature;
    int nChannels;
    if (!askInput(this, "*.txt", "txt", false, in) || !askOutput(this, szSaveFormatted, out) ||
        !askNumber(&fViscosity, kWaterViscosity20PoiseF, szViscosity) || !askNumber(&fIndex, kWaterRefractiveIndexF, szSolventIndex) ||
        !askWavelength(&fWavelength, 824.7f, szLaser) || !askNumber(&fAngle, 90.0f, szAngle) ||
        !askNumber(&fTemperature, 20.0f, szTemperature) || !askChannels(&nChannels, 20.0f))
        return;
    if (convertPSv4Dls(in[0].c_str(), out.c_str(), fTemperature, fIndex, fViscosity, fWavelength, fAngle,
                       nChannels) < 1)
        reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertDlsDynamics7()
{
    if (!askIntro(this, "needs data of Wyatt DLS (Dynamics 7.0.2.7.)")) return;
    std::vector<std::string> in;
    std::string out;
    float fViscosity, fIndex, fWavelength, fNm, fAngle, fTemperature;
    if (!askInput(this, "*.csv", "csv", false, in) || !askOutput(this, szSaveFormatted, out) ||
        !askNumber(&fViscosity, kWaterViscosity20PoiseF, szViscosity) || !askNumber(&fIndex, kWaterRefractiveIndexF, szSolventIndex) ||
        !askWavelength(&fWavelength, 660.0f, szLaser, &fNm))
        return;
    MessageBox(HWindow,
               "are you sure about the wavelengt? (DynaPro used to have 825 nm laser, but Wyatt Dynapro Nanostar "
               "(WDPN-04) has 660 nm laser)",
               szMake, MB_OK);
    if (!askWavelength(&fWavelength, fNm, szLaser) || !askNumber(&fAngle, 90.0f, szAngle) ||
        !askNumber(&fTemperature, 20.0f, szTemperature))
        return;
    if (!convertDynamics7Dls(in[0].c_str(), out.c_str(), fTemperature, fIndex, fViscosity, fWavelength, fAngle))
        reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertDlsPhotoCor()
{
    if (!askIntro(this, "needs data of PhotoCor (Version 0.3), exported as 'PhotoCor Runtime Report' txt file"))
        return;
    std::vector<std::string> in;
    std::string out;
    if (!askInput(this, "*.txt", "txt", false, in) || !askOutput(this, szSaveFormatted, out)) return;
    if (!convertPhotoCorDls(in[0].c_str(), out.c_str())) reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertDlsAlv()
{
    if (!askIntro(this, "needs data of ALV-5000/E V.2.0.6.2 (6/99), exported with File->Save As...->Datatype:  "
                        "ALV-5000 Data (ASCII)"))
        return;
    std::vector<std::string> in;
    std::string out;
    if (!askInput(this, "*.asc", "asc", false, in) || !askOutput(this, szSaveMorvex, out)) return;
    if (!convertAlvDls(in[0].c_str(), out.c_str())) reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertDlsTwoColumnAscii()
{
    if (!askIntro(this, "needs two-column ASCII data of intensity autocorrelation g(2)")) return;
    std::vector<std::string> in;
    std::string out;
    float fUnit, fBaseline, fTemperature, fTime, fCountRate, fIndex, fViscosity, fAngle, fWavelength;
    if (!askInput(this, "*.txt", "txt", false, in) || !askOutput(this, szSaveMorvex, out) ||
        !askNumber(&fUnit, 1e-6f, "unit of correlation times (*sec)") ||
        !askNumber(&fBaseline, 100000.0f, "measured baseline countrate") ||
        !askNumber(&fTemperature, 20.0f, szTemperature) || !askNumber(&fTime, 1.0f, "time (sec)") ||
        !askNumber(&fCountRate, 1.0f, "count rate (cps)") || !askNumber(&fIndex, kWaterRefractiveIndexF, "refractive index") ||
        !askNumber(&fViscosity, kWaterViscosity20PoiseF, szViscosity) || !askNumber(&fAngle, 90.0f, szAngle) ||
        !askWavelength(&fWavelength, 808.3f, "wavelength (nm)"))
        return;
    if (!convertTwoColumnG2Dls(in[0].c_str(), out.c_str(), fUnit, fBaseline, fTemperature, fTime, fCountRate, fIndex,
                               fViscosity, fAngle, fWavelength))
        reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertDlsTwoColumnG2()
{
    if (!askIntro(this, "needs two-column ASCII data of intensity autocorrelation g(2)-1 versus "
                        "time[microseconds]\nFrom Malvern Zetasizer NanoS output delete first two lines."))
        return;
    std::vector<std::string> in;
    std::string out;
    float fTemperature, fTime, fIndex, fViscosity, fAngle, fWavelength;
    if (!askInput(this, "*.txt", "txt", false, in) || !askOutput(this, szSaveMorvex, out) ||
        !askNumber(&fTemperature, 25.0f, szTemperature) || !askNumber(&fTime, 1.0f, "time (sec)") ||
        !askNumber(&fIndex, kWaterRefractiveIndexF, "refractive index") || !askNumber(&fViscosity, kWaterViscosity20PoiseF, szViscosity) ||
        !askNumber(&fAngle, 173.0f, szAngle) || !askWavelength(&fWavelength, 632.8f, "wavelength (nm)"))
        return;
    if (!convertTwoColumnG2m1Dls(in[0].c_str(), out.c_str(), fTemperature, fTime, fIndex, fViscosity, fAngle,
                                 fWavelength))
        reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertDlsBic9k()
{
    std::vector<std::string> in;
    std::string out;
    if (!askInput(this, "*.dat", "dat", true, in) || !askOutput(this, szSaveMorvex, out)) return;
    // Each file into the output's folder under its own name.
    for (const std::string& path : in) {
        const std::string target = dlsFolderOf(out) + bareName(path) + ".dlsdat";
        if (!convertBicDls(path.c_str(), target.c_str())) reportFailed(this, path);
    }
}

void TXLAWindow::CmConvertDlsOldDosBic()
{
    std::vector<std::string> in;
    std::string out;
    if (!askInput(this, "*.dat", "dat", false, in) || !askOutput(this, szSaveMorvex, out)) return;
    if (!convertOldDosBicDls(in[0].c_str(), out.c_str())) reportFailed(this, in[0]);
    UpdateFloToolsMenu();
}

void TXLAWindow::CmConvertCdData()
{
    MessageBox(HWindow, "not implemented yet", "Format CD DATA", MB_YESNO);
    UpdateFloToolsMenu();
}
