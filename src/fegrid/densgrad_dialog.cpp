// Command 542, Inhomogeneous Solvent: the model's settings in their dialog,
// the coefficient files, and the switch of the species parameters between
// experimental and standard conditions when the model goes on or off.
#include "fegrid/densgrad_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_globals.h"
#include "app/file_dialogs.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "lamm/solvent_laws.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "numerics/text_lines.h"
#include "numerics/whole_number.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"

using namespace win;

// The notes of the model shown once per program run, and what the c(s)
// model had when the model went on.
unsigned char bDensgradTruncationNoted = 0;
unsigned char bDensgradCosoluteNoted = 0;
unsigned char bDensgradCompressibleNoted = 0;
float fDensgradSavedVbar = 0.73f;
float fDensgradSavedSMin = 0.0f;

namespace {

constexpr int kTextLimit = 15;
constexpr int kPathLimit = 1000;
const char* kFilter = "dat files (*.dat*)|*.dat*|All Files (*.*)|*.*|";

void fill(char* sz, const char* szFormat, double v) { std::snprintf(sz, kTextLimit, szFormat, v); }
void path(char* sz, const char* szPath) { std::snprintf(sz, kPathLimit, "%s", szPath ? szPath : ""); }

// The number an edit holds; an edit that does not read as a number leaves the
// value as it was (with the model off OK takes any text).
template <class T>
void take(const char* sz, T& value, double factor = 1.0)
{
    if (!isFloatText(sz)) return;
    const char* p = sz;
    double v = 0;
    if (readNumber(p, v)) value = static_cast<T>(v * factor);
}

void fillRecord(DensgradTransfer& t)
{
    clearDensgradRecord(&t);
    t.c857 = bInhomogeneousSolvent ? 1 : 0;
    fill(t.e838, "%.4f", VBAR);
    t.c839 = bFitVbarInGradient ? 1 : 0;
    t.c840 = bCompressibleSolvent ? 1 : 0;
    fill(t.e841, "%.4f", dSolventCompressibility * 1e4);
    fill(t.e842, "%.6f", fGradientBufferDensity);
    fill(t.e843, "%.4f", fGradientBufferViscosity * 10.0);
    t.c844 = bSedimentingCosolute ? 1 : 0;
    fill(t.e845, "%.4f", fVbarWithSolvation != 0 ? fVbarWithSolvation : VBAR);
    fill(t.e846, "%.3f", dCosoluteLoading);
    t.c863 = bNonidealCosolute ? 0 : 1;
    fill(t.e864, "%.3f", dCosoluteS);
    fill(t.e865, "%.2f", dCosoluteD * 1e7);
    t.c847 = bNonidealCosolute ? 1 : 0;
    path(t.e848, dNonidTableFile());
    path(t.e849, sNonidTableFile());
    t.c850 = bCosolutePreset ? 1 : 0;
    std::snprintf(t.e851, kTextLimit, "%d", nCosoluteGridSize);
    t.c852 = bPlotCosolute ? 1 : 0;
    t.c853 = bSaveCosolute ? 1 : 0;
    path(t.e854, densityTableFile());
    path(t.e855, viscosityTableFile());
    t.c856 = bAddWaterCompressibility ? 1 : 0;
    path(t.e862, szTempDir);
}

// An open-file dialog for one table: its file on a choice, the error otherwise.
bool chooseTableFile(TXLAWindow* w, const char* szTitle, const char* szCurrent, char* szChosen, const char* szError)
{
    char sz[kPathLimit];
    std::snprintf(sz, sizeof sz, "%s", szCurrent);
    if (AskFileName(w, 0, sz, sizeof sz, szTitle, nullptr, kFilter) && sz[0]) {
        std::snprintf(szChosen, kPathLimit, "%s", sz);
        return true;
    }
    showErrorMessage(szError, 0);
    return false;
}

void takeRecord(TXLAWindow* w, const DensgradTransfer& t)
{
    take(t.e838, VBAR);
    fVbarRho = VBAR * fBufferDensity;
    bFitVbarInGradient = t.c839 ? 1 : 0;
    take(t.e841, dSolventCompressibility, 1e-4);
    take(t.e842, fGradientBufferDensity);
    take(t.e843, fGradientBufferViscosity, 0.1);
    fGradientBufferViscosityRef = static_cast<float>(fGradientBufferViscosity / kWaterViscosity20);
    bCompressibleSolvent = t.c844 ? 0 : 1;
    bSedimentingCosolute = bCosoluteGradient = t.c844 ? 1 : 0;
    take(t.e845, fVbarWithSolvation);
    fGradientVbar = bSedimentingCosolute ? fVbarWithSolvation : VBAR;
    take(t.e846, dCosoluteLoading);
    bNonidealCosolute = t.c863 ? 0 : 1;
    take(t.e864, dCosoluteS);
    take(t.e865, dCosoluteD, 1e-7);
    bCosolutePreset = t.c850 ? 1 : 0;

    // the files: the non-ideal tables are read by the runs, density and
    // viscosity at once
    if (t.c858 && !chooseTableFile(w, "Select NONIDEAL D(c) Data File", dNonidTableFile(), szDNonidTableFile,
                                   "Could Not Open New NONIDEAL D(c) Data File") &&
        !bCosolutePreset)
        bNonidealCosolute = 0;
    if (t.c859 && !chooseTableFile(w, "Select NONIDEAL s(c) Data File", sNonidTableFile(), szSNonidTableFile,
                                   "Could Not Open New NONIDEAL s(c) Data File") &&
        !bCosolutePreset)
        bNonidealCosolute = 0;
    if (isFloatText(t.e851)) {
        double v = 0;
        const char* p = t.e851;
        if (readNumber(p, v)) nCosoluteGridSize = floorToInt(v);
    }
    bPlotCosolute = t.c852 ? 1 : 0;
    bSaveCosolute = t.c853 ? 1 : 0;
    if (t.c860 && chooseTableFile(w, "Select DENSITY(c) Data File", densityTableFile(), szDensityTableFile,
                                  "Could Not Open New DENSITY(c) Data File"))
        loadCoefficientTable(densityTableFile(), &pDensityCoeffs, &nDensityCoeffs);
    if (t.c861 && chooseTableFile(w, "Select VISCOSITY(c) Data File", viscosityTableFile(), szViscosityTableFile,
                                  "Could Not Open New VISCOSITY(c) Data File"))
        loadCoefficientTable(viscosityTableFile(), &pViscosityCoeffs, &nViscosityCoeffs);

    if (bSedimentingCosolute) {
        if (!pDensityCoeffs) loadCoefficientTable(densityTableFile(), &pDensityCoeffs, &nDensityCoeffs);
        if (!pViscosityCoeffs) loadCoefficientTable(viscosityTableFile(), &pViscosityCoeffs, &nViscosityCoeffs);
        bAddWaterCompressibility = t.c856 ? 1 : 0;
        if (bAddWaterCompressibility) dSolventCompressibility = kWaterCompressibility;
        fGradientBufferViscosityRef =
            static_cast<float>(cosoluteViscosity(dCosoluteLoading) / kWaterViscosity20);
        fGradientBufferViscosity = static_cast<float>(fGradientBufferViscosityRef * kWaterViscosity20);
        fGradientBufferDensity = static_cast<float>(cosoluteDensity(dCosoluteLoading));
    }
}

void checkMenu(TXLAWindow* w, bool bOn)
{
    if (HMENU m = w->GetMenu()) CheckMenuItem(m, 542, MF_BYCOMMAND | (bOn ? MF_CHECKED : MF_UNCHECKED));
}

void note(TXLAWindow* w, unsigned char& bShown, const char* szText, const char* szTitle)
{
    if (bShown) return;
    MessageBox(w->HWindow, szText, szTitle, MB_OK);
    bShown = 1;
}

void switchOff(TXLAWindow* w)
{
    bInhomogeneousSolvent = 0;
    checkMenu(w, false);
    if (bSolventParamsConverted) {
        MessageBox(w->HWindow, "changing s and D (and M) back to experimental conditions!", "", MB_OK);
        convertParamsToExperimental(w);
    }
    freeDensityViscosityTables();
    bFitVbarInGradient = 0;
    if (bModelCS && pParamValue) {
        pParamValue[3] = fDensgradSavedVbar;
        pParamValue[1] = fSMin = fDensgradSavedSMin;
    }
}

void switchOn(TXLAWindow* w)
{
    bInhomogeneousSolvent = 1;
    if (bModelCS && pParamValue) {
        fDensgradSavedVbar = VBAR;
        fDensgradSavedSMin = pParamValue[1];
        pParamValue[3] = VBAR;
    }
    if (bTruncateGrid)
        note(w, bDensgradTruncationNoted,
             "make sure Lamm equation option 'dyanmically trucate grid' \nis not used when macromolecular flotation "
             "near meniscus can occur",
             "");
    checkMenu(w, true);
    if (bSedimentingCosolute)
        note(w, bDensgradCosoluteNoted,
             "this is only implemented for regular Lamm equation models\nlike discrete noninteracting species (boundary "
             "and analytical zone centrifugation)\nc(s) and c(M) distributions",
             "Attention");
    else
        note(w, bDensgradCompressibleNoted,
             "this is only implemented for regular Lamm equation models and ls-g*(s)\nlike discrete noninteracting "
             "species (boundary and analytical zone centrifugation)\nc(s) and c(M) distributions",
             "Attention");
    if (bModelContinuous && !bBoundaryAnalysisMode && pParamValue) pParamValue[3] = VBAR;
    MessageBox(w->HWindow, "changing s and D (and M) to standard conditions!", "", MB_OK);
    convertParamsForSolventModel(w);
}

}  // namespace

void clearDensgradRecord(DensgradTransfer* pTransfer)
{
    if (pTransfer) std::memset(pTransfer, 0, sizeof *pTransfer);
}

TMCDDensgradParamsBox::TMCDDensgradParamsBox(TWindow* parent, int resId, DensgradTransfer* pTransfer)
    : TDialog(parent, resId)
{
    new TCheckBox(this, 857);
    new TEdit(this, 838, kTextLimit);
    for (int id : {839, 840}) new TCheckBox(this, id);
    for (int id : {841, 842, 843}) new TEdit(this, id, kTextLimit);
    new TCheckBox(this, 844);
    for (int id : {845, 846}) new TEdit(this, id, kTextLimit);
    new TCheckBox(this, 863);
    for (int id : {864, 865}) new TEdit(this, id, kTextLimit);
    new TCheckBox(this, 847);
    for (int id : {848, 849}) new TEdit(this, id, kPathLimit);
    new TCheckBox(this, 850);
    new TEdit(this, 851, kTextLimit);
    for (int id : {852, 853}) new TCheckBox(this, id);
    for (int id : {854, 855}) new TEdit(this, id, kPathLimit);
    for (int id : {856, 858, 859, 860, 861}) new TCheckBox(this, id);
    new TEdit(this, 862, kPathLimit);
    SetTransferBuffer(pTransfer);
}

TMCDDensgradParamsBox::~TMCDDensgradParamsBox() = default;

bool TMCDDensgradParamsBox::CanClose()
{
    auto* on = dynamic_cast<TCheckBox*>(GetControl(857));
    if (!on || on->GetCheck() != BF_CHECKED) return true;
    auto text = [&](int id) { return GetEditText(id, kTextLimit); };
    auto value = [&](int id) {
        const std::string sz = text(id);
        const char* p = sz.c_str();
        double v = 0;
        return isFloatText(sz.c_str()) && readNumber(p, v) ? v : std::nan("");
    };
    for (int id : {838, 842, 843, 845, 846, 864, 865, 851}) {
        const std::string sz = text(id);
        if (!isPositiveFloatText(sz.c_str()) || !(value(id) > 0)) return false;
    }
    if (!isFloatText(text(841).c_str())) return false;
    // a co-solute grid of fewer points than its solution needs (OK takes the
    // whole number)
    if (floorToInt(value(851)) < nMinCosoluteGridSize) return false;
    // a compressibility that makes the density of the compressible solvent
    // negative (or infinite) somewhere in the cell at the data's speed
    auto* cosolute = dynamic_cast<TCheckBox*>(GetControl(844));
    const bool bCompressible = !cosolute || cosolute->GetCheck() != BF_CHECKED;
    return !bCompressible || compressibilityKeepsDensityPositive(value(842), value(841) * 1e-4);
}

void TXLAWindow::CmInhomogeneousSolvent() { RunDensgradDialog(); }

void TXLAWindow::RunDensgradDialog()
{
    DensgradTransfer& t = densgradTransfer;
    fillRecord(t);
    if (TMCDDensgradParamsBox(this, 866, &t).Execute() != IDOK) return;
    const unsigned char bWasOn = bInhomogeneousSolvent;
    takeRecord(this, t);
    if (!t.c857 && bWasOn) switchOff(this);
    if (t.c857 && !bWasOn) switchOn(this);
}
