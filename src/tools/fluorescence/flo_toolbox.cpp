// The fluorescence tools dialog and its command (915, Alt+F, the FloTools
// item of the menu bar).
#include "tools/fluorescence/flo_toolbox.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/xla_window.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

using namespace win;

namespace {

constexpr int IDD_FLOTOOLS = 916;

void putNumber(char* sz, const char* szFormat, double d)
{
    std::snprintf(sz, 15, szFormat, d);
}

float number(const char* sz)
{
    return static_cast<float>(std::strtod(sz, nullptr));
}

void fillTransfer(FloToolBoxTransfer& t)
{
    t.bRadialMagFactorFloat = bFloRadialMagFactorFloat ? 1 : 0;
    putNumber(t.szRadialMagFactor, "%.4f", fFloRadialMagFactor);
    t.bRadialMagnification = bFloRadialMagnification ? 1 : 0;
    t.bDrift = bFloDrift ? 1 : 0;
    t.bDriftFloat = bFloDriftFloat ? 1 : 0;
    putNumber(t.szDriftPercent, "%.4f", fFloDrift * 100.0);
    t.bBleaching = bFloBleaching ? 1 : 0;
    putNumber(t.szKBleach, "%.3f", fFloKBleach);
    putNumber(t.szAlimPercent, "%.3f", fFloAlim * 100.0);
    t.bKBleachFloat = bFloKBleachFloat ? 1 : 0;
    t.bAlimFloat = bFloAlimFloat ? 1 : 0;
    t.bExcitationConeFloat = bFloExcitationConeFloat ? 1 : 0;
    putNumber(t.szExcitationCone, "%.4f", fFloExcitationCone);
    t.bExcitationCone = bFloExcitationCone ? 1 : 0;
    t.bConvolutionFloat = bFloConvolutionFloat ? 1 : 0;
    putNumber(t.szConvolution, "%.4f", fFloConvolution);
    putNumber(t.szConvolutionDistFactor, "%.4f", fConvolutionDistFactor);
    t.bConvolution = bFloConvolution ? 1 : 0;
    t.bNonlinearDetection = bNonlinearDetection ? 1 : 0;
    putNumber(t.szNonlinCoeff, "%.4f", fFloNonlinCoeff);
    putNumber(t.szDetectionBaseline, "%.4f", fDetectionBaseline);
    t.bFitDetectionPower = bFitDetectionPower ? 1 : 0;
    t.bShowTransformedData = bShowTransformedData ? 1 : 0;
    t.bJohnstonOgston = bJohnstonOgston ? 1 : 0;
    putNumber(t.szJOs, "%.4f", fJOs);
    putNumber(t.szJODe7, "%.4f", fJOD * 1e7);
    putNumber(t.szJOAmp, "%.4f", fJOAmp);
    putNumber(t.szJOKsValue, "%.5f", std::pow(10.0, static_cast<double>(fJOKs)));
    t.bFitJOSValue = bFitJOSValue ? 1 : 0;
    t.bFitJODValue = bFitJODValue ? 1 : 0;
    t.bFitJOAmplitude = bFitJOAmplitude ? 1 : 0;
    t.bFitJOKs = bFitJOKs ? 1 : 0;
}

// The nonlinear detection of the dialog, against the option as it stands.
void applyNonlinearDetectionChoice(TXLAWindow* w, const FloToolBoxTransfer& t)
{
    const bool bOn = t.bNonlinearDetection != 0;
    if (bOn == (bNonlinearDetection != 0)) {
        float fCoeff = number(t.szNonlinCoeff);
        if (fCoeff < 0.0f) fCoeff = 0.01f;
        const float fBaseline = number(t.szDetectionBaseline);
        const unsigned char bShow = t.bShowTransformedData ? 1 : 0;
        const bool bChanged =
            fCoeff != fFloNonlinCoeff || fBaseline != fDetectionBaseline || bShow != bShowTransformedData;
        fFloNonlinCoeff = fCoeff;
        fDetectionBaseline = fBaseline;
        bFitDetectionPower = t.bFitDetectionPower ? 1 : 0;
        bShowTransformedData = bShow;
        if (bChanged && transformScansNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShow != 0))
            w->InvalidateUnlessBatch();
    } else if (bOn) {
        // Switched on: the dialog's numbers count from the next time.
        bNonlinearDetection = 1;
    } else {
        switchOffNonlinearDetection(w);
    }
}

}  // namespace

void initFloToolBoxTransfer(FloToolBoxTransfer* pTransfer)
{
    std::memset(pTransfer, 0, sizeof *pTransfer);
}

FloToolBox::FloToolBox(TWindow* parent, int resId, FloToolBoxTransfer* pTransfer) : TDialog(parent, resId)
{
    int e = 0;
    auto edit = [this, &e](int id, bool bSigned) {
        bAnySign[e] = bSigned;
        pEdits[e++] = new TEdit(this, id, 15);
    };
    new TCheckBox(this, 613);
    edit(612, true);
    new TCheckBox(this, 615);
    new TCheckBox(this, 621);
    new TCheckBox(this, 620);
    edit(614, true);
    new TCheckBox(this, 835);
    edit(834, false);
    edit(450, false);
    new TCheckBox(this, 832);
    new TCheckBox(this, 449);
    new TCheckBox(this, 622);
    edit(616, false);
    new TCheckBox(this, 623);
    new TCheckBox(this, 624);
    edit(617, false);
    edit(619, false);
    new TCheckBox(this, 625);
    new TCheckBox(this, 626);
    edit(618, false);
    edit(627, true);
    new TCheckBox(this, 630);
    new TCheckBox(this, 640);
    new TCheckBox(this, 401);
    edit(414, false);
    edit(413, false);
    edit(405, false);
    edit(412, false);
    new TCheckBox(this, 404);
    new TCheckBox(this, 403);
    new TCheckBox(this, 402);
    new TCheckBox(this, 409);
    SetTransferBuffer(pTransfer);
}

FloToolBox::~FloToolBox() = default;

bool FloToolBox::CanClose()
{
    char sz[16];
    for (int e = 0; e < nEdits; e++) {
        pEdits[e]->GetText(sz, sizeof sz);
        if (bAnySign[e] ? isFloatText(sz) : isPositiveFloatText(sz)) continue;
        MessageBeep(MB_ICONASTERISK);
        MessageBox(HWindow, "Invalid Entry", "Input Error", MB_OK);
        return false;
    }
    return true;
}

void TXLAWindow::CmFluorescenceTools()
{
    if (!bFluorescenceData &&
        MessageBox(HWindow, "this is intended for fluorescence data - proceed anyway?", "FloTools",
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    FloToolBoxTransfer& t = floToolBoxTransfer;
    fillTransfer(t);
    if (FloToolBox(this, IDD_FLOTOOLS, &t).Execute() != IDOK) return;

    // Johnston-Ogston depletion
    bJohnstonOgston = t.bJohnstonOgston ? 1 : 0;
    fJOs = number(t.szJOs);
    fJOD = number(t.szJODe7) * 1e-7f;
    fJOAmp = number(t.szJOAmp);
    fJOKs = jOKsLogFromValue(std::strtod(t.szJOKsValue, nullptr));
    bFitJOSValue = t.bFitJOSValue ? 1 : 0;
    bFitJODValue = t.bFitJODValue ? 1 : 0;
    bFitJOAmplitude = t.bFitJOAmplitude ? 1 : 0;
    bFitJOKs = t.bFitJOKs ? 1 : 0;

    // radial magnification
    bFloRadialMagFactorFloat = t.bRadialMagFactorFloat ? 1 : 0;
    fFloRadialMagFactor = number(t.szRadialMagFactor);
    bFloRadialMagnification = t.bRadialMagnification ? 1 : 0;

    // change with time
    bFloDrift = t.bDrift ? 1 : 0;
    bFloDriftFloat = bFloDrift && t.bDriftFloat ? 1 : 0;
    fFloDrift = number(t.szDriftPercent) * 0.01f;
    bFloBleaching = t.bBleaching ? 1 : 0;
    fFloKBleach = number(t.szKBleach);
    fFloAlim = number(t.szAlimPercent) * 0.01f;
    bFloKBleachFloat = bFloBleaching && t.bKBleachFloat ? 1 : 0;
    bFloAlimFloat = bFloBleaching && t.bAlimFloat ? 1 : 0;
    bFloMagnificationDrift = bFloDrift || bFloBleaching ? 1 : 0;

    // excitation shadow
    bFloExcitationConeFloat = t.bExcitationConeFloat ? 1 : 0;
    fFloExcitationCone = number(t.szExcitationCone);
    bFloExcitationCone = t.bExcitationCone ? 1 : 0;

    // radial convolution
    bFloConvolutionFloat = t.bConvolutionFloat ? 1 : 0;
    fFloConvolution = number(t.szConvolution);
    fConvolutionDistFactor = number(t.szConvolutionDistFactor);
    bFloConvolution = t.bConvolution ? 1 : 0;

    applyNonlinearDetectionChoice(this, t);
    // The check marks of the menu items follow the options.
    UpdateFluorescenceChecks();
}
