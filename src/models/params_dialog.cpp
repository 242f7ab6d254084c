// Command 212, &Parameters: the values, fit flags and options of the current
// model in one dialog. Every template shares the control ids 401-455: the
// four species rows (included, three fit checks, loading / M or D / s) are
// slots of the parameter vector's base layout (loading of row k = slot
// 8 + k, M or D = slot k, s = slot 4 + k), so the models that
// reuse those slots (self-association, hetero-association, the continuous
// distributions) show their own values in the same edits. A few edits carry a
// model value that lives elsewhere (the lamella width, the scaling-law
// exponent, the non-ideal c(s) coefficients, the discrete component of
// c(s,f/f0)); the numerical settings 438-446 are shown and belong to the Lamm
// settings dialog.
//
// Read-back: an edit whose text the user left as it was shown keeps its value
// exactly; only a changed text is converted, so confirming the dialog never
// rounds a value to its shown digits (and an unchanged meniscus or bottom
// does not mark the data as changed).
#include "models/params_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/text_lines.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/wiener_settings.h"

using namespace win;

namespace {

// The edit of a species row: 0 loading, 1 M or D, 2 s; their slots.
int slotOf(int nRow, int nField) { return nField == 0 ? 8 + nRow : nField == 1 ? nRow : 4 + nRow; }

double textValue(const char* sz)
{
    const char* p = sz;
    double v = 0;
    return readNumber(p, v) ? v : 0.0;
}

void fill(char* sz, const char* szFormat, double v) { std::snprintf(sz, nParamsEditLimit, szFormat, v); }

bool isDiscreteWithBuffer() { return bModelDiscreteSpecies && bBufferMismatch; }
bool isNonidealModel() { return bModelNonidealSingle || bModelNonidealMultiple || bModelNonidealCS; }
bool isSelfAssociation()
{
    return bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148;
}

// A value shown in an edit and taken back on OK: the target and its format.
struct EditField {
    char* szText = nullptr;  // in the transfer record
    float* pfValue = nullptr;
    const char* szFormat = "%.5f";
    bool bShown = true;  // "buffer": neither read nor checked
};

// The edits of the record with the values they show, in a fixed table so
// that fill and read-back cannot disagree.
struct ParamsFields {
    EditField row[5][3];  // [row 1..4][loading, M or D, s]
    EditField baseline, meniscus, bottom;
};

const char* mwFormat()
{
    if (!bUseMolarMass || isSelfAssociation() || bModelContinuous) return "%.5f";
    return "%.0f";
}

ParamsFields fieldsOf(ParamsBoxTransfer& t)
{
    ParamsFields f;
    for (int r = 1; r <= 4; ++r) {
        ParamsSpeciesRow& row = t.row[r - 1];
        f.row[r][0] = {row.eConc, &pSpeciesConc[r], "%.5f"};
        f.row[r][1] = {row.eMw, &pSpeciesMw[r], mwFormat()};
        f.row[r][2] = {row.eS, &pSpeciesS[r], "%.5f"};
    }
    // the signal coefficient of A stands in the M field of row 4
    if (bModelHeteroAssociation || bEquilibriumHeteroAssoc) f.row[4][1].szFormat = "%.5f";
    if (bModelContinuous) {
        f.row[1][0].szFormat = "%.0f";  // the grid resolution
        const char* szRange = pSpeciesS[1] > 1000 ? "%.0f" : "%.1f";
        f.row[1][1].szFormat = szRange;
        f.row[1][2].szFormat = szRange;
    }
    if (bModelNonidealCS) {
        f.row[3][1].szFormat = "%.4f";  // VBAR
        f.row[4][1] = {t.row[3].eMw, &fNonidealKd, "%.3f"};
    }
    if (bModelCSFf0OneDiscrete) f.row[4][1] = {t.row[3].eMw, &fDiscreteCompS, "%.3f"};
    if (bModelZone)
        f.row[4][2] = {t.row[3].eS, &fZoneLamellaWidth, "%.5f"};
    else if (bModelCSScalingLaw || bModelFMScalingLaw)
        f.row[4][2] = {t.row[3].eS, &fScalingBs, "%.3e"};
    if (isDiscreteWithBuffer())
        for (int j = 0; j < 3; ++j) f.row[4][j].bShown = false;
    f.baseline = {t.e433, &fBaseline, "%.5f"};
    f.meniscus = {t.e435, &fMeniscus, "%.4f"};
    f.bottom = {t.e437, bElectrophoresis ? &fElectrophoresisLength : &fBottom, "%.4f"};
    return f;
}

void fillField(const EditField& f)
{
    if (!f.bShown)
        std::snprintf(f.szText, nParamsEditLimit, "buffer");
    else
        fill(f.szText, f.szFormat, *f.pfValue);
}

// The value of an edit after OK: unchanged text keeps the value exactly.
float readField(const EditField& f, const char* szShown)
{
    if (std::strncmp(f.szText, szShown, nParamsEditLimit) == 0) return *f.pfValue;
    return static_cast<float>(textValue(f.szText));
}

// The edit 443: the s grid of the moving hat, or a model value.
void fill443(ParamsBoxTransfer& t)
{
    if (bModelNonidealCS)
        fill(t.e443, "%.3f", fNonidealKs);
    else if (bModelCSFf0OneDiscrete)
        fill(t.e443, "%.1f", fDiscreteCompM);
    else
        fill(t.e443, "%.2f", dSGrid);
}

// The non-ideal c(s) (template 586): where the mean field comes from, the
// solver's grid size, the points of the mean field, the extra discrete
// species, the debug files.
void fillNonidealMeanField(ParamsBoxTransfer& t)
{
    t.c449 = bMeanFieldFromData ? 1 : 0;
    t.c451 = !bMeanFieldFromData && bMeanFieldExternal ? 1 : 0;
    t.c448 = t.c449 || t.c451 ? 0 : 1;
    t.c452 = bMeanFieldFrozen ? 1 : 0;
    fill(t.e438, "%.0f", nNonidSedGridSize);
    fill(t.e439, "%.0f", nNonidMeanFieldPoints);
    t.c446 = bNonidealDiscreteFirst ? 1 : 0;
    t.row[3].cSFloat = bNonidDebugFiles ? 1 : 0;  // control 425
}

// The counts of template 586 after OK; an edit left as shown keeps its value,
// and a count below 10 is not taken (the solver and the interpolation of the
// field need a few points).
void readNonidealMeanField(const ParamsBoxTransfer& t, const ParamsBoxTransfer& shown)
{
    bMeanFieldFromData = t.c449 ? 1 : 0;
    bMeanFieldExternal = t.c451 ? 1 : 0;
    bMeanFieldFrozen = t.c452 ? 1 : 0;
    auto count = [](const char* szText, const char* szShown, int& n) {
        if (std::strncmp(szText, szShown, nParamsEditLimit) == 0) return;
        const double v = std::floor(textValue(szText) + 0.5);
        if (v >= 10 && v <= 100000) n = static_cast<int>(v);
    };
    count(t.e438, shown.e438, nNonidSedGridSize);
    count(t.e439, shown.e439, nNonidMeanFieldPoints);
    bNonidealDiscreteFirst = t.c446 ? 1 : 0;
    bNonidDebugFiles = t.row[3].cSFloat ? 1 : 0;
}

void fillRecord(ParamsBoxTransfer& t, int nTemplate)
{
    for (int r = 1; r <= 4; ++r) {
        ParamsSpeciesRow& row = t.row[r - 1];
        row.cIncluded = pSpeciesIncluded[r] ? 1 : 0;
        row.cConcFloat = pSpeciesConcFloat[r] ? 1 : 0;
        row.cMwFloat = pSpeciesMwFloat[r] ? 1 : 0;
        row.cSFloat = pSpeciesSFloat[r] ? 1 : 0;
    }
    if (bModelZone) t.row[3].cSFloat = bFitLamellaWidth ? 1 : 0;
    const ParamsFields f = fieldsOf(t);
    for (int r = 1; r <= 4; ++r)
        for (int j = 0; j < 3; ++j) fillField(f.row[r][j]);
    fillField(f.baseline);
    fillField(f.meniscus);
    fillField(f.bottom);

    t.r429 = bExperimentalInitialDistribution ? 1 : 0;
    t.r430 = t.r429 ? 0 : 1;
    t.c431 = bFitTINoise ? 1 : 0;
    t.c455 = bFitRINoise ? 1 : 0;
    t.c432 = (bFitBaseline || bAlgebraicBaseline) ? 1 : 0;
    t.c434 = bFitMeniscus ? 1 : 0;
    t.c436 = bFitBottom ? 1 : 0;
    fill(t.e438, "%.3f", fTolerance * 100.0);
    fill(t.e439, "%.0f", nDefaultGridSize);
    fill(t.e440, "%.4f", isNonidealModel() ? dSignalPerMgMl : dMaxDcOverC);
    t.c441 = (nTemplate == 892 ? bWienerSkewing : bClaverie) ? 1 : 0;
    t.c442 = bAutoFEAlgorithm ? 1 : 0;
    fill443(t);
    t.c444 = bMovingHat ? 1 : 0;
    t.c445 = bAutoSGrid ? 1 : 0;
    t.c446 = (nTemplate == 316 ? bInvertBand : bFixedTimestep) ? 1 : 0;
    t.c447 = t.c448 = t.c449 = t.c451 = t.c452 = t.c453 = t.c454 = 0;
    t.c450 = (nTemplate == 400 || nTemplate == 573) && bSpecies1Nonideal ? 1 : 0;
    if (nTemplate == 586) fillNonidealMeanField(t);
}

// The model values read from other edits than the species rows go also into
// their vector slots (and the globals the vector is packed from).
void storeModelFieldsInVector()
{
    if (bModelZone) pParamValue[23] = fZoneLamellaWidth;
    if (bModelCSScalingLaw || bModelFMScalingLaw) pParamValue[18] = pSpeciesExtra[3] = fScalingBs;
    if (bModelNonidealCS) {
        pParamValue[20] = fModelConst20 = fNonidealKs;
        pParamValue[21] = fModelConst21 = fNonidealKd;
    }
    if (bModelCSFf0OneDiscrete) {
        pParamValue[16] = pSpeciesExtra[1] = fDiscreteCompM;
        pParamValue[17] = pSpeciesExtra[2] = fDiscreteCompS;
    }
}

// The refusal of a value the model cannot take: the dialogs' own habit.
void refuseEntry(HWND hWnd)
{
    playErrorSound();
    MessageBox(hWnd, "Invalid Entry", "Input Error", MB_OK);
}

bool askFloat(float* pf, const char* szPrompt, const char* szTitle)
{
    float v = *pf;
    if (!inputFloat(&v, *pf, true, szPrompt, szTitle)) return false;
    *pf = v;
    return true;
}

// "c1 nonideal" of templates 400 and 573: the coefficients of species 1.
void askSpecies1Nonideal(TXLAWindow* w)
{
    const char* szTitle = "NONIDEAL COMPONENT 1";
    askFloat(&fNonidealKs, "log10(ks/(mg/ml)):", szTitle);
    nFitNonidealKs = MessageBox(w->HWindow, "fit ks?", szTitle, MB_YESNO) == IDYES ? 1 : 0;
    askFloat(&fNonidealKd, "log10(kd/(mg/ml)):", szTitle);
    nFitNonidealKd = MessageBox(w->HWindow, "fit kd?", szTitle, MB_YESNO) == IDYES ? 1 : 0;
    // The loading is divided by it: as in the dialog's own field, only a
    // positive signal is taken (0 would leave the species flat at its
    // loading without a word).
    float fSignal = static_cast<float>(dSignalPerMgMl);
    if (askFloat(&fSignal, "Signal per mg/ml:", szTitle)) {
        if (fSignal > 0.0f) {
            dSignalPerMgMl = fSignal;
        } else {
            refuseEntry(w->HWindow);
        }
    }
    bNonidealRepulsive = 1;
    bNonidealOption2 = 1;
    // the view of a non-ideal first species: ks in slot 20, kd in slot 21
    pParamValue[20] = fModelConst20 = fNonidealKs;
    pParamFloat[20] = nFitModelConst20 = nFitNonidealKs;
    pParamValue[21] = fModelConst21 = fNonidealKd;
    pParamFloat[21] = nFitModelConst21 = nFitNonidealKd;
}

// Mean temperature of the scans (20 degrees Celsius without scans or for
// light-scattering data).
float meanScanTemperature()
{
    if (nScans < 1 || bDLSData) return 20.0f;
    double d = 0;
    for (int k = 1; k <= nScans; ++k) d += pScanHeaders[k].temperature;
    return static_cast<float>(d / nScans);
}

bool vbar20Applies()
{
    return bModelContinuous && !bModelLsgs && !bExtrapolateAreaFractions && !bModelCSFixFf0FloatingVbar &&
           !bModelCSScalingLaw && !bModelFMScalingLaw;
}

// Is the first entry of the s-grid file positive (a logarithmic grid can
// start there)?
bool gridFileStartsPositive()
{
    if (!bSGridFromFile || !szDistCurvePath[0]) return false;
    FILE* f = fopenMapped(szDistCurvePath.c_str(), "r");
    if (!f) return false;
    char sz[256];
    bool bPositive = false;
    if (std::fgets(sz, sizeof sz, f)) bPositive = textValue(sz) > 0;
    std::fclose(f);
    return bPositive;
}

}  // namespace

// ---------------------------------------------------------------- the record and the dialog

void initParamsBoxTransfer(ParamsBoxTransfer* pTransfer)
{
    std::memset(pTransfer, 0, sizeof *pTransfer);
    for (ParamsSpeciesRow& row : pTransfer->row) {
        row.cIncluded = 1;
        row.cConcFloat = 1;
        row.cSFloat = 1;
    }
    pTransfer->r430 = 1;
    pTransfer->c431 = 1;
    pTransfer->c441 = 1;
}

TParamsBox::TParamsBox(TWindow* parent, int resId, ParamsBoxTransfer* pTransfer) : TDialog(parent, resId)
{
    for (int k = 0; k < 4; ++k) {
        const int o = 7 * k;
        for (int id = 401; id <= 404; ++id) new TCheckBox(this, id + o);
        for (int id = 405; id <= 407; ++id) new TEdit(this, id + o, nParamsEditLimit);
    }
    new TRadioButton(this, 429);
    new TRadioButton(this, 430);
    for (int id : {431, 455, 432}) new TCheckBox(this, id);
    new TEdit(this, 433, nParamsEditLimit);
    new TCheckBox(this, 434);
    new TEdit(this, 435, nParamsEditLimit);
    new TCheckBox(this, 436);
    new TEdit(this, 437, nParamsEditLimit);
    for (int id : {438, 439, 440}) new TEdit(this, id, nParamsEditLimit);
    new TCheckBox(this, 441);
    new TCheckBox(this, 442);
    new TEdit(this, 443, nParamsEditLimit);
    for (int id = 444; id <= 454; ++id) new TCheckBox(this, id);
    SetTransferBuffer(pTransfer);
}

TParamsBox::~TParamsBox() = default;

bool TParamsBox::CanClose()
{
    auto text = [&](int id) { return GetEditText(id, nParamsEditLimit); };
    auto checked = [&](int id) {
        auto* c = dynamic_cast<TCheckBox*>(GetControl(id));
        return c && c->GetCheck() == BF_CHECKED;
    };
    // light-scattering data see only D: M (or D) and s of one species cannot
    // both float
    if (bDLSData && bModelDiscreteSpecies)
        for (int k = 0; k < 4; ++k)
            if (checked(403 + 7 * k) && checked(404 + 7 * k)) {
                MessageBox(HWindow, "linear dependent floating parameters for modeling DLS data", "Parameter Error",
                           MB_OK);
                return false;
            }
    if (bModelCSInvariantD && !isPositiveFloatText(text(419).c_str())) {
        MessageBox(HWindow, "diffusion coefficient must be positive", "Parameter Error", MB_OK);
        return false;
    }
    bool bOk = true;
    for (int id : {405, 412, 419, 406, 420, 407, 414, 421, 433, 435, 437, 443})
        if (!isFloatText(text(id).c_str())) bOk = false;
    for (int id : {413, 438, 439, 440})
        if (!isPositiveFloatText(text(id).c_str())) bOk = false;
    // the non-ideal models divide the loading by their signal of 1 mg/ml
    if (bOk && isNonidealModel() && !text(440).empty() && !(textValue(text(440).c_str()) > 0)) bOk = false;
    if (!isDiscreteWithBuffer()) {
        if (!isPositiveFloatText(text(426).c_str())) bOk = false;
        if (!isFloatText(text(428).c_str())) bOk = false;
        if (!bModelHinderedCS && !isFloatText(text(427).c_str())) bOk = false;
    }
    // A meniscus at or beyond the bottom leaves no radius to fit, and one at
    // or inside the rotor's axis no cell (both 0: not set yet, which the
    // commands ask for). Electrophoresis gives the length of the column in
    // place of the bottom, and its meniscus is a position along it.
    if (bOk && !bDLSData) {
        const double m = textValue(text(435).c_str()), v437 = textValue(text(437).c_str());
        const double b = bElectrophoresis ? m + v437 : v437;
        const bool bNotSet = m == 0 && v437 == 0;
        if (!(m < b) && !bNotSet) bOk = false;
        if (!bElectrophoresis && !(m > 0) && !bNotSet) bOk = false;
    }
    if (bOk) return true;
    refuseEntry(HWindow);
    return false;
}

int paramsDialogTemplate()
{
    if (bEquilibriumDiscrete) return bUseMolarMass ? 306 : 400;
    if (bModelDiscreteSpecies) {
        if (!bUseMolarMass) {
            if (bElectrophoresis) return 322;
            if (bModelZone) return 317;
            if (bModelDlsStokesRadii) return 339;
            if (bModelDlsCumulants) return 891;
            return bBufferMismatch ? 573 : 400;
        }
        if (bModelZone) return 316;
        return bBufferMismatch ? 574 : 306;
    }
    if (bModelMonomerDimer) return bUseMolarMass ? 308 : 307;
    if (bModelSelfAssoc148) return 330;
    if (bModelSelfAssoc124) return 331;
    if (bModelNonidealSingle) return bModelHindered ? 1101 : 325;
    if (bModelNonidealMultiple) return 892;
    if (bModelMonomerTrimer) return bUseMolarMass ? 310 : 309;
    if (bModelHeteroAssociation || bEquilibriumHeteroAssoc) return 318;
    if (bBoundaryAnalysisMode) return 324;
    if (bModelContinuous) {
        const std::pair<unsigned char, int> kContinuous[] = {
            {bModelZoneCS, 326},
            {bModelZoneLsgs, 327},
            {bModelLsgv, 323},
            {bModelElectrophoresisCV, 328},
            {bModelLsgsOneDiscrete, 538},
            {bModelHybridCSLsgs, 951},
            {bModelLsgs, 319},
            {bModelDlsRh, 333},
            {bModelDlsD, 334},
            {bModelDlsRhTime, 335},
            {bModelCMbInvariantD, 321},
            {bModelCSInvariantD, 336},
            {bModelCSLinearRods, 332},
            {bModelCSConformationalChange, 329},
            {bModelCSWormlikeChain, 605},
            {bModelCSScalingLaw, 873},
            {bModelFMScalingLaw, 888},
            {bModelCSFixFf0FloatingVbar, 604},
            {bModelCSBimodalFf0OneDiscrete, 871},
            {bModelCSBimodalFf0, 340},
            {bModelCSFlotation, 1116},
            {bModelCSFf0OneDiscrete, 599},
            {bModelCSFf0, 596},
            {bModelCSOneDiscreteD, 337},
            {bModelCSOneDiscreteM, 338},
            {bModelCSWithMsTable, 588},
            {bModelHinderedCS, 1102},
            {bModelNonidealCS, 586},
            {bModelCS, 320},
        };
        for (const auto& [bFlag, nId] : kContinuous)
            if (bFlag) return nId;
        return 311;  // c(M), also with the power law or vbar(M)
    }
    return bUseMolarMass ? 306 : 400;
}

bool checkDistributionGridSettings()
{
    bool bOk = true;
    if (bLogSGrid && fSMin == 0 && !gridFileStartsPositive()) {
        MessageBox(nullptr, "smin = 0 is incompatible with log spacing of grid\n - switching off - please confirm", "",
                   MB_OK | MB_ICONEXCLAMATION);
        bLogSGrid = 0;
        pParamFloat[4] = 0;
        bOk = false;
    }
    if (bLogSGrid && (fSMin < 0 || fSMax < 0)) {
        if (!bSilentModelSwitch)
            MessageBox(nullptr,
                       "smin < 0 and smax < 0 is incompatible with log spacing of grid\n - switching off - please "
                       "confirm",
                       "", MB_OK | MB_ICONEXCLAMATION);
        bLogSGrid = 0;
        pParamFloat[4] = 0;
        bOk = false;
    }
    if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        if (!(fFf0Max > fFf0Min)) {
            MessageBox(nullptr, "Error in bCofSff0: ff0max must be larger than ff0min", "", MB_OK);
            bOk = false;
        }
        if (fFf0Resolution <= 1) {
            MessageBox(nullptr, "Error in bCofSff0: ff0resolution must be integer > 1", "", MB_OK);
            bOk = false;
        }
    }
    return bOk;
}

// ---------------------------------------------------------------- command 212

void TXLAWindow::CmParameters()
{
    bParamsAccepted = 0;
    if (bHelpRequest) {
        WinHelp(HWindow, "morvex.hlp", HELP_CONTEXT, 320);
        bHelpRequest = 0;
        return;
    }
    if (bEqTestPlotShown) {
        endEqTestMode(this);
        InvalidateUnlessBatch();
        return;
    }
    playInfoSound();
    if (bIntensityData) {
        bConstantInitialDistribution = 1;
        bExperimentalInitialDistribution = 0;
    }
    paramVectorToGlobals();
    if (bAlgebraicConcentrations)
        for (int k = 1; k <= nSpecies; ++k)
            if (pSpeciesIncluded[k]) pSpeciesConcFloat[k] = 1;

    const int nTemplate = paramsDialogTemplate();
    ParamsBoxTransfer& t = paramsBoxTransfer;
    fillRecord(t, nTemplate);
    const ParamsBoxTransfer shown = t;
    if (TParamsBox(this, nTemplate, &t).Execute() != IDOK) return;
    bParamsAccepted = 1;

    // the species rows, their fit flags and the values of the edits
    ParamsFields f = fieldsOf(t);
    ParamsBoxTransfer shownCopy = shown;
    const ParamsFields fShown = fieldsOf(shownCopy);
    const float fMeniscusBefore = fMeniscus, fBottomBefore = fBottom;
    const int nSpecies4SFloat = pSpeciesSFloat[4];
    for (int r = 1; r <= 4; ++r) {
        const ParamsSpeciesRow& row = t.row[r - 1];
        pSpeciesIncluded[r] = row.cIncluded ? 1 : 0;
        pParamFloat[8 + r] = pSpeciesConcFloat[r] = row.cConcFloat ? 1 : 0;
        pParamFloat[r] = pSpeciesMwFloat[r] = row.cMwFloat ? 1 : 0;
        pParamFloat[4 + r] = pSpeciesSFloat[r] = row.cSFloat ? 1 : 0;
        for (int j = 0; j < 3; ++j) {
            if (!f.row[r][j].bShown) continue;
            const float v = readField(f.row[r][j], fShown.row[r][j].szText);
            *f.row[r][j].pfValue = v;
            // the slot of the row's field follows unless the edit holds another value
            if (f.row[r][j].pfValue == (j == 0 ? &pSpeciesConc[r] : j == 1 ? &pSpeciesMw[r] : &pSpeciesS[r]))
                pParamValue[slotOf(r, j)] = v;
        }
    }
    if (bModelZone) {
        bFitLamellaWidth = t.row[3].cSFloat ? 1 : 0;
        pParamFloat[23] = bFitLamellaWidth;
        // the check of row 4's s field was the lamella width's
        pSpeciesSFloat[4] = pParamFloat[8] = nSpecies4SFloat;
    }
    if (bModelNonidealCS) fNonidealKs = readField(EditField{t.e443, &fNonidealKs}, shown.e443);
    if (bModelCSFf0OneDiscrete) fDiscreteCompM = readField(EditField{t.e443, &fDiscreteCompM}, shown.e443);
    storeModelFieldsInVector();

    pParamValue[15] = fBaseline = readField(f.baseline, shown.e433);
    const float fNewMeniscus = readField(f.meniscus, shown.e435);
    if (bElectrophoresis) {
        fElectrophoresisLength = readField(f.bottom, shown.e437);
        fMeniscus = fNewMeniscus;
        fBottom = fMeniscus + fElectrophoresisLength;
    } else {
        fMeniscus = fNewMeniscus;
        fBottom = readField(f.bottom, shown.e437);
    }
    pParamValue[13] = fMeniscus;
    pParamValue[14] = fBottom;
    if (fMeniscus != fMeniscusBefore || fBottom != fBottomBefore) {
        bDataChanged = 1;
        keepFitLimitsInsideCell();
        // automatic ranges lie around the current values (user ranges stay)
        setAutoMeniscusBottomLimits();
    }
    if (isNonidealModel() && std::strncmp(t.e440, shown.e440, nParamsEditLimit) != 0)
        dSignalPerMgMl = textValue(t.e440);
    pParamFloat[15] = bFitBaseline = t.c432 ? 1 : 0;
    pParamFloat[13] = bFitMeniscus = t.c434 ? 1 : 0;
    pParamFloat[14] = bFitBottom = t.c436 ? 1 : 0;
    bFitTINoise = t.c431 ? 1 : 0;
    bFitRINoise = t.c455 ? 1 : 0;

    if (nTemplate == 400 || nTemplate == 573) {
        bSpecies1Nonideal = t.c450 ? 1 : 0;
        if (bSpecies1Nonideal) askSpecies1Nonideal(this);
    }
    if (nTemplate == 316) bInvertBand = t.c446 ? 1 : 0;
    if (nTemplate == 586) {
        readNonidealMeanField(t, shown);
        // control 425 is the debug-file switch here, not a fit flag of row 4
        pSpeciesSFloat[4] = pParamFloat[8] = nSpecies4SFloat;
    }
    if (nTemplate == 892) {
        bWienerSkewing = t.c441 ? 1 : 0;
        if (bWienerSkewing) {
            fWSkewSignalPerMgMl = static_cast<float>(textValue(t.e440));
            AskWienerSkewingParameters();
        }
        if (fNonidealConc2 > 0) {
            askFloat(&fNonidealExtinction1, "extinction species 1:", "NONIDEAL COMPONENT 1");
            askFloat(&fNonidealExtinction2, "extinction species 2:", "NONIDEAL COMPONENT 2");
        }
        if (fNonidealConc3 > 0) askFloat(&fNonidealExtinction3, "extinction species 3:", "NONIDEAL COMPONENT 3");
    }
    if (bModelContinuous) {
        // the distributions solve on the static grid; c(v) on the moving hat
        bClaverie = bModelElectrophoresisCV ? 0 : 1;
        bMovingHat = bModelElectrophoresisCV ? 1 : 0;
    }

    // what follows from the new values
    if ((bFitMeniscus || bFitBottom) && !bVaryMeniscusWarned) {
        SetMeniscusBottomRanges(false);
        bVaryMeniscusWarned = 1;
    }
    if (bEquilibriumDataMode && bFitTINoise) {
        bFitTINoise = 0;
        MessageBox(HWindow, "switching off TI noise - not implemented for sed eq data", "", MB_OK | MB_ICONEXCLAMATION);
    }
    fixUpModelDefaults();
    globalsToParamVector();
    if (vbar20Applies() && fVbarTransform != VBAR) {
        const float T = meanScanTemperature();
        if (std::fabs(T - 20.0f) <= 0.5f) {
            fVbarTransform = VBAR;
        } else {
            char sz[100];
            std::snprintf(sz, sizeof sz, "set VBAR20 equal to VBAR(%.2fC)?", T);
            if (MessageBox(HWindow, sz, "SETTING VBAR PARAMETERS", MB_YESNO) == IDYES) fVbarTransform = VBAR;
        }
    }
    allocExtraNoiseArrays();
    if (bModelContinuous && !checkDistributionGridSettings()) {
        CmParameters();
        return;
    }
    if (bFitTINoise || bFitRINoise)
        ShowNoiseButtons();
    else
        DeleteNoiseButtons();
    // "load external": the ctot(r,t) file to take the mean field from
    if (nTemplate == 586 && bMeanFieldExternal) LoadCtotDataFiles(1);
}
