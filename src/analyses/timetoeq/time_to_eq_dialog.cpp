// The parameters dialog of the time-to-equilibrium tool (template 926) and
// the preparation of a run.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/speed_step_optimizer.h"
#include "analyses/timetoeq/time_to_eq_files.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/text_lines.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"

using namespace win;

TimeToEqTransfer timeToEqTransfer;

namespace {

const char* const kTitle = "CALCULATE MINIMUM TIME TO EQ";
constexpr int nMaxCount = 1000000;

// The number a field reads as (0 when it reads as none).
double fieldValue(const char* sz)
{
    const char* p = sz;
    double d = 0;
    return readNumber(p, d) ? d : 0.0;
}

void put(char* szField, const char* szFormat, double d)
{
    std::snprintf(szField, 15, szFormat, d);
}

void putInt(char* szField, int n) { std::snprintf(szField, 15, "%d", n); }

// The meniscus an entry stands for: a value above the bottom is a filling
// volume in microlitres.
float meniscusOfEntry(float fEntry, float fBottom)
{
    return fBottom < fEntry ? volumeToMeniscus(fEntry, fBottom) : fEntry;
}

}  // namespace

void initTimeToEqTransfer(TimeToEqTransfer* pTransfer) { std::memset(pTransfer, 0, sizeof *pTransfer); }

TimeToEQPBox::TimeToEQPBox(TWindow* parent, int resId, TimeToEqTransfer* pTransfer) : TDialog(parent, resId)
{
    for (int id : {628, 627, 616, 407, 612, 639, 421, 629, 834, 835}) new TEdit(this, id, 15);
    new TCheckBox(this, 832);
    for (int id : {412, 428, 426, 413}) new TEdit(this, id, 15);
    new TRadioButton(this, 621);
    new TRadioButton(this, 620);
    new TCheckBox(this, 615);
    for (int id : {406, 405, 414, 420, 427}) new TEdit(this, id, 15);
    new TRadioButton(this, 624);
    new TRadioButton(this, 625);
    for (int id : {614, 617, 643, 619}) new TEdit(this, id, 15);
    new TCheckBox(this, 626);
    new TEdit(this, 618, 15);
    for (int id : {924, 623, 833, 640}) new TCheckBox(this, id);
    SetTransferBuffer(pTransfer);
}

TimeToEQPBox::~TimeToEQPBox() = default;

void TimeToEQPBox::SetupWindow() { TDialog::SetupWindow(); }

TEdit* TimeToEQPBox::Edit(int nId) const { return static_cast<TEdit*>(GetControl(nId)); }

bool TimeToEQPBox::Checked(int nId) const
{
    const TCheckBox* c = static_cast<const TCheckBox*>(GetControl(nId));
    return c && c->GetCheck() == BF_CHECKED;
}

bool TimeToEQPBox::CanClose()
{
    char sz[16];
    auto text = [&](int id) -> const char* {
        sz[0] = 0;
        if (TEdit* e = Edit(id)) e->GetText(sz, sizeof sz);
        return sz;
    };
    auto value = [&](int id) { return fieldValue(text(id)); };
    const bool bUseFf0 = Checked(620), bSecond = Checked(615), bUseFf02 = Checked(625);
    const double fBottom = value(628);
    const double fDensity = value(834);
    // Each field: the number it must be ("+": not negative, "any": any),
    // then the values that would divide by zero, count nothing or leave the
    // column without room.
    struct Rule {
        int id;
        bool bAny;
        bool (*ok)(double v, bool bUseFf0, bool bSecond, bool bUseFf02, double fBottom, double fDensity, bool bExp);
    };
    const bool bExp = Checked(626);
    const Rule rules[] = {
        {628, false, nullptr},
        {627, false,
         [](double v, bool, bool, bool, double b, double, bool) {
             const double m = meniscusOfEntry(static_cast<float>(v), static_cast<float>(b));
             return m > 0 && m < b;
         }},
        {616, false, nullptr},
        {407, false, nullptr},
        {421, false, nullptr},
        {612, false, nullptr},
        {639, false, [](double v, bool, bool, bool, double, double, bool) { return v > 0; }},
        {629, false, nullptr},
        {834, false, nullptr},
        {835, false, [](double v, bool, bool, bool, double, double, bool) { return v > 0; }},
        {412, true, [](double v, bool ff0, bool, bool, double, double, bool) { return ff0 || v != 0; }},
        {428, false, [](double v, bool, bool, bool, double, double, bool) { return v > 0; }},
        {426, false, [](double v, bool, bool, bool, double, double rho, bool) { return v > 0 && v * rho != 1; }},
        {413, false, [](double v, bool ff0, bool, bool, double, double, bool) { return !ff0 || v > 0; }},
        // the second species' share of the loading: above 1 the first would be negative
        {406, false, [](double v, bool, bool s2, bool, double, double, bool) { return !s2 || v <= 1; }},
        {405, true, [](double v, bool, bool s2, bool ff02, double, double, bool) { return !s2 || ff02 || v != 0; }},
        {414, false, [](double v, bool, bool s2, bool, double, double, bool) { return !s2 || v > 0; }},
        {420, false, nullptr},
        {427, false, [](double v, bool, bool s2, bool ff02, double, double, bool) { return !s2 || !ff02 || v > 0; }},
        {614, false, nullptr},
        {617, false, [](double v, bool, bool, bool, double, double, bool) { return v > 0; }},
        {643, false, nullptr},
        {619, false,
         [](double v, bool, bool, bool, double, double, bool exp) {
             return std::floor(v) >= (exp ? 2 : 1) && v <= nMaxCount;
         }},
        {618, false, [](double v, bool, bool, bool, double, double, bool) { return std::floor(v) >= 1 && v <= nMaxCount; }},
    };
    for (const Rule& r : rules) {
        const char* t = text(r.id);
        const bool bNumber = r.bAny ? isFloatText(t) : isPositiveFloatText(t);
        if (bNumber && (!r.ok || r.ok(fieldValue(t), bUseFf0, bSecond, bUseFf02, fBottom, fDensity, bExp))) continue;
        MessageBeep(MB_ICONASTERISK);
        MessageBox(HWindow, "Invalid Entry", "Input Error", MB_OK);
        return false;
    }
    return true;
}

bool runTimeToEqParamsDialog(TXLAWindow* pWindow)
{
    TimeToEqParams& p = timeToEqParams;
    TimeToEqTransfer& t = timeToEqTransfer;

    // 1. the solvent and vbar of the loaded data where the record has none
    if (p.fDensity == 0) p.fDensity = fBufferDensity;
    if (p.fViscosity == 0) p.fViscosity = RELVISCOSITY * STANDARDVISCOSITY;
    if (p.fVbar == 0) p.fVbar = VBAR;
    if (nScans < 1) p.bExtrapolateData = 0;
    p.fVbar2 = p.fVbar;

    // 2. the fields
    put(t.szBottom, "%.3f", p.fBottom);
    put(t.szMeniscus, "%.3f", p.fMeniscus);
    put(t.szRightLimit, "%.3f", p.fRightLimit);
    put(t.szInitialStep, "%.3f", p.fInitialStepRadius);
    put(t.szInitialRpm, "%.0f", p.fInitialRpm);
    put(t.szFinalRpm, "%.0f", p.fFinalRpm);
    put(t.szHistoryDuration, "%.0f", p.fHistoryDuration);
    put(t.szTemperature, "%.0f", p.fTemperature);
    put(t.szDensity, "%.6f", p.fDensity);
    put(t.szViscosity, "%.6f", p.fViscosity * 10.0);
    t.bHistoryOff = p.bHistory ? 0 : 1;
    put(t.szS, "%.3f", p.fS1);
    put(t.szM, "%.0f", p.fM1);
    put(t.szVbar, "%.3f", p.fVbar);
    put(t.szFf0, "%.2f", p.fFf01);
    t.bUseS = p.bUseFf01 ? 0 : 1;
    t.bUseFf0 = p.bUseFf01 ? 1 : 0;
    t.bSecondSpecies = p.bSecondSpecies;
    put(t.szFraction, "%.2f", p.fFraction2);
    put(t.szS2, "%.3f", p.fS2);
    put(t.szM2, "%.0f", p.fM2);
    put(t.szVbar2, "%.3f", p.fVbar2);
    put(t.szFf02, "%.2f", p.fFf02);
    t.bUseS2 = p.bUseFf02 ? 0 : 1;
    t.bUseFf02 = p.bUseFf02 ? 1 : 0;
    put(t.szOverconc, "%.2f", p.fMaxOverconcentration);
    put(t.szEpsilon, "%.4f", p.fEpsilon);
    put(t.szOverspeedTime, "%.2f", p.fOverspeedTime / 3600.0);
    putInt(t.szParams, p.nParams);
    t.bExponential = p.bExponential;
    putInt(t.szRepeats, p.nRepeats);
    t.bHistory = p.bHistory;
    t.bSaveScans = p.bSaveScanFiles;
    t.bSaveEqu = p.bSaveEquMethod;
    t.bJustRun = p.bJustRun;

    // 3. the dialog
    TimeToEQPBox box(pWindow, 926, &t);
    if (box.Execute() != IDOK) return false;

    // 4. the values back
    auto f = [](const char* sz) { return static_cast<float>(fieldValue(sz)); };
    p.fFinalRpm = f(t.szFinalRpm);
    p.fBottom = f(t.szBottom);
    p.fMeniscus = meniscusOfEntry(f(t.szMeniscus), p.fBottom);
    p.fHistoryDuration = f(t.szHistoryDuration);
    p.fRightLimit = f(t.szRightLimit);
    p.fInitialStepRadius = f(t.szInitialStep);
    p.fTemperature = f(t.szTemperature);
    p.fDensity = f(t.szDensity);
    p.fViscosity = f(t.szViscosity) * 0.1f;
    p.bHistory = t.bHistory ? 1 : 0;
    if (t.bHistoryOff) {
        p.bHistory = 0;
        p.fInitialRpm = f(t.szInitialRpm);
    }
    p.fS1 = f(t.szS);
    p.fM1 = f(t.szM);
    p.fVbar = f(t.szVbar);
    p.fFf01 = f(t.szFf0);
    p.bUseFf01 = t.bUseFf0 ? 1 : 0;
    p.bSecondSpecies = t.bSecondSpecies ? 1 : 0;
    p.fFraction2 = f(t.szFraction);
    p.fS2 = f(t.szS2);
    p.fM2 = f(t.szM2);
    p.fVbar2 = f(t.szVbar2);
    p.fFf02 = f(t.szFf02);
    p.bUseFf02 = t.bUseFf02 ? 1 : 0;
    p.fMaxOverconcentration = f(t.szOverconc);
    p.fEpsilon = f(t.szEpsilon);
    p.fOverspeedTime = f(t.szOverspeedTime) * 3600.0f;
    const int nParams = static_cast<int>(std::floor(fieldValue(t.szParams)));
    if (nParams != p.nParams) discardTimeToEqParamVector(&p);
    p.nParams = nParams;
    p.bExponential = t.bExponential ? 1 : 0;
    p.nRepeats = static_cast<int>(std::floor(fieldValue(t.szRepeats)));
    p.bSaveScanFiles = t.bSaveScans ? 1 : 0;
    p.bSaveEquMethod = t.bSaveEqu ? 1 : 0;
    p.bJustRun = t.bJustRun ? 1 : 0;

    // 5.-6. the left limit, s or f/f0 and D of each species
    p.fLeftLimit = p.fMeniscus + 0.02f;
    if (!p.bDistribution) completeTimeToEqSpecies(&p);

    // 7. the backup folder and the preferences file
    chooseTimeToEqResultPath(pWindow, true, szTimeToEqBackupPath, sizeof szTimeToEqBackupPath);
    SaveSimAppEqParameterPreferences(pWindow, szSimAppEqParamsIniPath);
    return true;
}

bool prepareTimeToEqRun(TXLAWindow* pWindow)
{
    TimeToEqParams& p = timeToEqParams;
    HWND hwnd = pWindow ? pWindow->HWindow : nullptr;
    if (!runTimeToEqParamsDialog(pWindow)) return false;

    if (p.bHistory) {
        if (nScans < 1) {
            MessageBox(hwnd, "sorry, no scan files are loaded, simulating from rest at 0 rpm", kTitle, MB_OK);
            p.bHistory = 0;
            p.fInitialRpm = 0;
        } else {
            p.fInitialRpm = pScanHeaders[pScanTimeOrder[nScans]].rpm;
        }
    }
    if (p.bExtrapolateData) {
        MessageBox(hwnd, "sorry, extrapolation of given data not yet implemented, switching off", kTitle, MB_OK);
        p.bExtrapolateData = 0;
    }

    if (p.bJustRun) {
        if (!pWindow || !pWindow->AskOpenFileName(p.szParamsFilePath, sizeof p.szParamsFilePath,
                                                  "Pick Rotor Speed File"))
            return false;
        const std::string simparams = timeToEqFolderOf(p.szParamsFilePath) + "simparams.txt";
        p.szSimParamsPath[0] = 0;
        if (fileExists(simparams.c_str()) &&
            MessageBox(hwnd, "also use associated simparams.txt file?", "Pick Rotor Speed File", MB_YESNO) == IDYES) {
            std::snprintf(p.szSimParamsPath, sizeof p.szSimParamsPath, "%s", simparams.c_str());
            LoadSimAppEqParameterPreferences(pWindow, p.szSimParamsPath);
        }
    } else {
        p.szParamsFilePath[0] = 0;
        p.szSimParamsPath[0] = 0;
    }

    chooseTimeToEqResultPath(pWindow, false, szTimeToEqResultPath, sizeof szTimeToEqResultPath);
    return true;
}

void initApproachToEq(TXLAWindow* pWindow)
{
    LoadSimAppEqParameterPreferences(pWindow, szSimAppEqParamsIniPath);
    timeToEqParams.szSimParamsPath[0] = 0;
    if (!pApproachToEqSim) pApproachToEqSim = new CApproachToEqSim;
}

void releaseApproachToEq()
{
    delete pApproachToEqSim;
    pApproachToEqSim = nullptr;
    releaseSpeedStepOptimizer();
    releaseTimeToEqPlots();
    resetTimeToEqParams(&timeToEqParams);
    initTimeToEqTransfer(&timeToEqTransfer);
    szTimeToEqResultPath[0] = 0;
    szTimeToEqBackupPath[0] = 0;
}
