// The preferences dialog (Options > Preferences...): the preference flags
// and numbers of the defaults file on one template.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_globals.h"
#include "app/preferences.h"
#include "app/xla_window.h"
#include "platform/win.h"
#include "platform/win_dialog_template.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

constexpr int IDD_PREFERENCES = 1250;
enum {
    ID_SOUND = 1251,
    ID_CHECK_TIMESTAMPS,
    ID_TIMESTAMP_THRESHOLD,
    ID_LAMM_THREADS,
    ID_MULTI_THREADED,
    ID_NEQ_THREADS,
    ID_FLAG_GRADIENTS,
    ID_GRADIENT_LIMIT,
    ID_WIZARD,
    ID_SCAN_COLOR_TIME
};

void registerPreferencesTemplate()
{
    if (findDialogTemplate(IDD_PREFERENCES)) return;
    DlgTemplate t;
    t.id = IDD_PREFERENCES;
    t.caption = "Preferences";
    auto check = [&](int id, const char* text, const char* group) {
        DlgItem it;
        it.kind = DlgKind::Check;
        it.id = id;
        it.text = text;
        it.group = group;
        t.items.push_back(it);
    };
    auto edit = [&](int id, const char* text, const char* group) {
        DlgItem it;
        it.kind = DlgKind::Edit;
        it.id = id;
        it.text = text;
        it.textLimit = 15;
        it.group = group;
        t.items.push_back(it);
    };
    check(ID_SOUND, "Sound Effects", "General");
    check(ID_WIZARD, "Info and Wizard Messages", "General");
    check(ID_SCAN_COLOR_TIME, "Scan Color Temperature From Time", "General");
    check(ID_CHECK_TIMESTAMPS, "Check Recorded Elapsed Time Against File Timestamp", "Loading");
    edit(ID_TIMESTAMP_THRESHOLD, "correct the times above the factor", "Loading");
    check(ID_FLAG_GRADIENTS, "Flag Too Strong Gradients", "Loading");
    edit(ID_GRADIENT_LIMIT, "gradient limit (signal per cm)", "Loading");
    edit(ID_LAMM_THREADS, "threads of the Lamm equation lists", "Computing");
    check(ID_MULTI_THREADED, "Compute With Multiple Threads", "Computing");
    edit(ID_NEQ_THREADS, "threads of the distributions", "Computing");
    registerDialogTemplate(t);
}

// In the order the controls are made.
struct PreferencesTransfer {
    uint32_t bSound;
    uint32_t bWizard;
    uint32_t bScanColorTime;
    uint32_t bCheckTimeStamps;
    char szThreshold[15];
    uint32_t bFlagGradients;
    char szGradientLimit[15];
    char szLammThreads[15];
    uint32_t bMultiThreaded;
    char szNEQThreads[15];
};

bool readNumber(const char* sz, double lo, double hi, double* pOut)
{
    char* end = nullptr;
    double v = std::strtod(sz, &end);
    while (end && *end == ' ') ++end;
    if (end == sz || (end && *end) || !(v >= lo && v <= hi)) return false;
    *pOut = v;
    return true;
}

bool readCount(const char* sz, int lo, int hi, int* pOut)
{
    double v = 0;
    if (!readNumber(sz, lo, hi, &v) || v != static_cast<int>(v)) return false;
    *pOut = static_cast<int>(v);
    return true;
}

class TPreferencesDialog : public TDialog {
public:
    TPreferencesDialog(TWindow* parent, PreferencesTransfer* t) : TDialog(parent, IDD_PREFERENCES)
    {
        new TCheckBox(this, ID_SOUND);
        new TCheckBox(this, ID_WIZARD);
        new TCheckBox(this, ID_SCAN_COLOR_TIME);
        new TCheckBox(this, ID_CHECK_TIMESTAMPS);
        pThreshold = new TEdit(this, ID_TIMESTAMP_THRESHOLD, 15);
        new TCheckBox(this, ID_FLAG_GRADIENTS);
        pGradient = new TEdit(this, ID_GRADIENT_LIMIT, 15);
        pLammThreads = new TEdit(this, ID_LAMM_THREADS, 15);
        new TCheckBox(this, ID_MULTI_THREADED);
        pNEQThreads = new TEdit(this, ID_NEQ_THREADS, 15);
        SetTransferBuffer(t);
    }

    // Every number must be one of its range; the first that is not is named.
    bool CanClose() override
    {
        char sz[16];
        double d = 0;
        int n = 0;
        const char* szBad = nullptr;
        pThreshold->GetText(sz, sizeof sz);
        if (!readNumber(sz, 1.0, 10.0, &d)) szBad = "the time-stamp factor must lie between 1 and 10";
        pGradient->GetText(sz, sizeof sz);
        if (!szBad && !readNumber(sz, 1e-6, 1e12, &d)) szBad = "the gradient limit must be a number above 0";
        pLammThreads->GetText(sz, sizeof sz);
        if (!szBad && !readCount(sz, 1, 64, &n)) szBad = "the number of threads must be a whole number 1 to 64";
        pNEQThreads->GetText(sz, sizeof sz);
        if (!szBad && !readCount(sz, 1, 64, &n)) szBad = "the number of threads must be a whole number 1 to 64";
        if (!szBad) return true;
        MessageBeep(0);
        MessageBox(HWindow, szBad, "Invalid Entry", MB_OK);
        return false;
    }

private:
    TEdit* pThreshold;
    TEdit* pGradient;
    TEdit* pLammThreads;
    TEdit* pNEQThreads;
};

}  // namespace

void TXLAWindow::CmPreferences()
{
    registerPreferencesTemplate();
    PreferencesTransfer t;
    std::memset(&t, 0, sizeof t);
    t.bSound = bSound ? 1 : 0;
    t.bWizard = bWizardMessages ? 1 : 0;
    t.bScanColorTime = bScanColorFromTime ? 1 : 0;
    t.bCheckTimeStamps = bCheckTimeStamps ? 1 : 0;
    std::snprintf(t.szThreshold, sizeof t.szThreshold, "%g", dTimeStampThreshold);
    t.bFlagGradients = bFlagStrongGradients ? 1 : 0;
    std::snprintf(t.szGradientLimit, sizeof t.szGradientLimit, "%g", static_cast<double>(fGradientLimit));
    std::snprintf(t.szLammThreads, sizeof t.szLammThreads, "%d", nLammThreads);
    t.bMultiThreaded = bMultiThreaded ? 1 : 0;
    std::snprintf(t.szNEQThreads, sizeof t.szNEQThreads, "%d", nNEQThreads);
    if (TPreferencesDialog(this, &t).Execute() != IDOK) return;

    bool bColours = (t.bScanColorTime != 0) != (bScanColorFromTime != 0);
    bSound = t.bSound ? 1 : 0;
    bWizardMessages = t.bWizard ? 1 : 0;
    bScanColorFromTime = t.bScanColorTime ? 1 : 0;
    bCheckTimeStamps = t.bCheckTimeStamps ? 1 : 0;
    double d = 0;
    if (readNumber(t.szThreshold, 1.0, 10.0, &d)) dTimeStampThreshold = d;
    bFlagStrongGradients = t.bFlagGradients ? 1 : 0;
    if (readNumber(t.szGradientLimit, 1e-6, 1e12, &d)) fGradientLimit = static_cast<float>(d);
    readCount(t.szLammThreads, 1, 64, &nLammThreads);
    bMultiThreaded = t.bMultiThreaded ? 1 : 0;
    readCount(t.szNEQThreads, 1, 64, &nNEQThreads);
    writeDefaultPreferences();
    UpdatePreferenceChecks();
    if (bColours && nScans > 0 && pDataPlot) {
        buildScanPlotVectors();
        InvalidateUnlessBatch();
    }
}

void TXLAWindow::CmPrint()
{
    if (!HWindow) return;
    // the window as it stands, painted anew so the page shows all of it
    Invalidate(true);
    UpdateWindow();
    PrintWindowPage(HWindow, "Sedimentation Analysis");
}
