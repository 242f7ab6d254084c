// Options > Fluorescence Tools: the commands that set one detector option at
// a time, and the check marks that follow the options. Each option has two
// command ids (the first without menu item); both carry the check mark.
#include <cmath>

#include "app/xla_window.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

using namespace win;

namespace {

void checkItems(TXLAWindow* w, UINT a, UINT b, bool bOn)
{
    HMENU m = w->GetMenu();
    if (!m) return;
    const UINT f = MF_BYCOMMAND | (bOn ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(m, a, f);
    if (b) CheckMenuItem(m, b, f);
}

bool yes(TXLAWindow* w, const char* szText, const char* szTitle)
{
    return MessageBox(w->HWindow, szText, szTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// For data that are not fluorescence data: true when the user goes on.
bool proceedWithOtherData(TXLAWindow* w, const char* szTitle)
{
    return bFluorescenceData || yes(w, "this is intended for fluorescence data - proceed anyway?", szTitle);
}

// A number asked with the current value shown; Cancel keeps the value.
void ask(float* pf, const char* szPrompt, const char* szTitle)
{
    inputFloat(pf, *pf, true, szPrompt, szTitle);
}

// A value shown and entered in other units (x fScale) than it is stored in.
void askScaled(float* pf, float fScale, const char* szPrompt, const char* szTitle)
{
    float f = *pf * fScale;
    if (inputFloat(&f, f, true, szPrompt, szTitle)) *pf = f / fScale;
}

}  // namespace

void TXLAWindow::UpdateFluorescenceChecks()
{
    checkItems(this, 905, 907, bFloRadialMagnification);
    checkItems(this, 906, 908, bNonlinearDetection);
    checkItems(this, 909, 910, bFloMagnificationDrift);
    checkItems(this, 911, 912, bFloConvolution);
    checkItems(this, 913, 914, bFloExcitationCone);
    checkItems(this, 925, 0, bJohnstonOgston);
}

void TXLAWindow::CmSignalRadialConvolution()
{
    const char* t = "Signal Radial Convolution";
    if (proceedWithOtherData(this, t) && yes(this, "use radial convolution?", t)) {
        bFloConvolution = 1;
        checkItems(this, 911, 912, true);
        ask(&fFloConvolution, "characteristic width (cm)", t);
        bFloConvolutionFloat = yes(this, "fit characteristic convolution width?", t) ? 1 : 0;
        ask(&fConvolutionDistFactor, "consider dist factor", t);
        return;
    }
    bFloConvolution = bFloConvolutionFloat = 0;
    checkItems(this, 911, 912, false);
}

void TXLAWindow::CmExcitationShadowAtBottom()
{
    const char* t = "Signal Excitation Shadow";
    if (!proceedWithOtherData(this, t)) {
        bFloExcitationCone = bFloExcitationConeFloat = 0;
        checkItems(this, 913, 914, false);
        return;
    }
    if (yes(this, "account for excitation shadow at bottom of cell??", t)) {
        bFloExcitationCone = 1;
        checkItems(this, 913, 914, true);
        ask(&fFloExcitationCone, "cone radius (cm)", t);
        bFloExcitationConeFloat = yes(this, "fit cone radius?", t) ? 1 : 0;
    } else {
        bFloExcitationCone = 0;
        checkItems(this, 913, 914, false);
    }
}

void TXLAWindow::CmSignalMagnificationDriftWithTime()
{
    const char* t = "Signal Amplitude Change With Time";
    bFloMagnificationDrift = bFloDrift = bFloBleaching = 0;
    bFloDriftFloat = bFloKBleachFloat = bFloAlimFloat = 0;
    checkItems(this, 909, 910, false);
    if (!proceedWithOtherData(this, t)) return;
    if (yes(this, "use linear temporal magnification drift?", t)) {
        bFloMagnificationDrift = bFloDrift = 1;
        askScaled(&fFloDrift, 100.0f, "(df/dt) [%/h]", t);
        bFloDriftFloat = yes(this, "fit temporal magnification drift?", t) ? 1 : 0;
    }
    if (yes(this, "use exponential photophysics model?", t)) {
        bFloMagnificationDrift = bFloBleaching = 1;
        ask(&fFloKBleach, "rate [per h]", t);
        askScaled(&fFloAlim, 100.0f, "limiting signal level [%]", t);
        bFloAlimFloat = yes(this, "fit limiting signal level?", t) ? 1 : 0;
        bFloKBleachFloat = yes(this, "fit photophysical rate?", t) ? 1 : 0;
    }
    if (bFloMagnificationDrift) checkItems(this, 909, 910, true);
}

void TXLAWindow::CmSignalMagnificationRadialGradient()
{
    const char* t = "Signal Amplitude Change With Radius";
    if (!proceedWithOtherData(this, t)) {
        bFloRadialMagnification = bFloRadialMagFactorFloat = 0;
        checkItems(this, 905, 907, false);
        return;
    }
    if (yes(this, "use radial magnification gradient?", t)) {
        bFloRadialMagnification = 1;
        checkItems(this, 905, 907, true);
        ask(&fFloRadialMagFactor, "1+da/dr", t);
        bFloRadialMagFactorFloat = yes(this, "fit radial magnification gradient?", t) ? 1 : 0;
    } else {
        bFloRadialMagnification = 0;
        checkItems(this, 905, 907, false);
    }
}

void TXLAWindow::CmNonlinearDetection()
{
    const char* t = "Nonlinear Detection";
    if (proceedWithOtherData(this, t) && yes(this, "account for nonlinear detection", t)) {
        bNonlinearDetection = 1;
        checkItems(this, 906, 908, true);
        ask(&fFloNonlinCoeff, "power coeff d(log(a))/dc", t);
        bFitDetectionPower = yes(this, "fit power coefficient?", t) ? 1 : 0;
        ask(&fDetectionBaseline, "baseline for power law", t);
        bShowTransformedData = yes(this, "want to show transformed data (YES) or original (NO)?", t) ? 1 : 0;
        transformScansNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShowTransformedData != 0);
        InvalidateUnlessBatch();
        return;
    }
    switchOffNonlinearDetection(this);
    checkItems(this, 906, 908, false);
}

void TXLAWindow::CmFluorescenceOption925()
{
    const char* t = "Johnston Ogston Signal Depletion";
    const bool bProceed = proceedWithOtherData(this, t);
    if (bProceed && yes(this, "account for Johnston Ogston anomaly of moving signal depletion?", t)) {
        bJohnstonOgston = 1;
        checkItems(this, 925, 0, true);
        ask(&fJOs, "s-value of depletion (S)", t);
        bFitJOSValue = yes(this, "fit s-value?", t) ? 1 : 0;
        askScaled(&fJOD, 1e7f, "D-value of depletion (F)", t);
        bFitJODValue = yes(this, "fit D-value?", t) ? 1 : 0;
        ask(&fJOAmp, "amplitude of depletion (S)", t);
        bFitJOAmplitude = yes(this, "fit amplitude?", t) ? 1 : 0;
        float fKs = static_cast<float>(std::pow(10.0, static_cast<double>(fJOKs)));
        if (inputFloat(&fKs, fKs, true, "ks-value", t)) fJOKs = jOKsLogFromValue(fKs);
        bFitJOKs = yes(this, "fit ks-value?", t) ? 1 : 0;
        return;
    }
    // Switched off, the ks fit flag stays as it was unless the tool was
    // refused for other data.
    bJohnstonOgston = 0;
    bFitJOSValue = bFitJODValue = bFitJOAmplitude = 0;
    if (!bProceed) bFitJOKs = 0;
    checkItems(this, 925, 0, false);
}
