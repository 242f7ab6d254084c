// Command 611: the Lamm equation settings in their dialog. The settings are
// shown through their display formats and taken back on OK in a fixed order
// (grid, scan times, algorithm, time step, resolution, initial distribution),
// so confirming the dialog rounds every value to the digits it showed.
#include "models/lamm_params_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/xla_window.h"
#include "fegrid/global_grid.h"
#include "models/lamm_settings.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "numerics/text_lines.h"
#include "numerics/whole_number.h"
#include "plot/error_box.h"
#include "plot/number_entry.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

constexpr int kTextLimit = 15;

// The number an edit holds (as far as it reads as one; 0 otherwise).
double entryValue(const char* sz)
{
    const char* p = sz;
    double v = 0;
    return readNumber(p, v) ? v : 0.0;
}

// A number above 0: the sizes, limits, levels and speeds of the dialog.
bool isAboveZeroText(const char* sz) { return isPositiveFloatText(sz) && entryValue(sz) > 0; }
// A grid size: its whole number (what OK takes) at least the least size the
// solutions can use (models/lamm_settings.h), as the settings file requires
// of its sizes; 0.5 would be a grid of no point, 1 breaks the tridiagonal
// solver, 2 or 3 give a wrong model without a word.
bool isGridSizeText(const char* sz)
{
    return isAboveZeroText(sz) && truncToInt(std::floor(entryValue(sz))) >= nMinLammGridSize;
}

void fill(char* sz, const char* szFormat, double v) { std::snprintf(sz, kTextLimit, szFormat, v); }

void fillRecord(LammPTransfer& t)
{
    std::memset(&t, 0, sizeof t);
    fill(t.e612, "%f", fAutoAlgorithmNormS);
    t.c613 = bShutOffBackDiffusion ? 1 : 0;
    fill(t.e614, "%.2e", dBackDiffusionLevel);
    t.c615 = bAutoDynamicGridSize ? 1 : 0;
    std::snprintf(t.e616, kTextLimit, "%d", nDefaultGridSize);
    fill(t.e617, "%.1f", fPointsPerSigma);
    std::snprintf(t.e619, kTextLimit, "%d", nDynGridUpperLimit);
    std::snprintf(t.e618, kTextLimit, "%d", nDynGridLowerLimit);
    t.c620 = bTimesFromW2t ? 1 : 0;
    t.c621 = bTimesFromW2t ? 0 : 1;
    t.c944 = bUsingSpeedSteps ? 1 : 0;
    t.c924 = bCheckRotorAcceleration && !bUsingSpeedSteps ? 1 : 0;
    t.c622 = bAutoFEAlgorithm ? 1 : 0;
    t.c623 = bFixedTimestep ? 1 : 0;
    // Under the automatic choice neither algorithm is shown as chosen.
    t.c624 = !bAutoFEAlgorithm && bClaverie ? 1 : 0;
    t.c625 = !bAutoFEAlgorithm && bMovingHat ? 1 : 0;
    t.c626 = bAutoSGrid ? 1 : 0;
    fill(t.e627, "%.2f", dSGrid);
    fill(t.e628, "%.3f", fTolerance * 100.0);
    fill(t.e629, "%.2f", dMaxDcOverC);
    t.c630 = bExperimentalInitialDistribution ? 1 : 0;
    fill(t.e639, "%.2f", fAutoAlgorithmNormSOptimized);
    t.c640 = bOptimizeGridSpacing ? 1 : 0;
    t.c641 = bTruncateGrid ? 1 : 0;
    fill(t.e643, "%.2f", std::log10(dTruncateLevel));
    t.c832 = bSimTimeResolution ? 1 : 0;
    t.c833 = bSimRadialResolution ? 1 : 0;
    fill(t.e834, "%.4f", fConvolutionRange);
    fill(t.e835, "%.2f", fScanVelocity);
    fill(t.e948, "%.4f", dSpeedStepDShutoff);
}

// Each scan's time from its omega-squared-t, with omega and omega squared
// rounded to single precision as the scan times have always been derived.
void setTimesFromW2t()
{
    if (bElectrophoresisData || bDLSData) return;
    for (int i = 1; i <= nScans; ++i) {
        const float fOmega = static_cast<float>(pScanHeaders[i].rpm * kRpmToOmega);
        const float fOmega2 = fOmega * fOmega;
        // A scan without a rotor speed has no time to derive: it keeps its own.
        if (fOmega2 == 0) continue;
        pScanHeaders[i].time = pScanHeaders[i].omega2t / fOmega2;
    }
}

}  // namespace

LammPBox::LammPBox(TWindow* parent, int resId, LammPTransfer* pTransfer) : TDialog(parent, resId)
{
    new TEdit(this, 612, kTextLimit);
    new TCheckBox(this, 613);
    new TEdit(this, 614, kTextLimit);
    new TCheckBox(this, 615);
    for (int id : {616, 617, 619, 618}) new TEdit(this, id, kTextLimit);
    for (int id : {620, 621, 924, 944, 622, 623, 624, 625, 626}) new TCheckBox(this, id);
    for (int id : {627, 628, 629}) new TEdit(this, id, kTextLimit);
    new TCheckBox(this, 630);
    new TEdit(this, 639, kTextLimit);
    new TCheckBox(this, 640);
    new TCheckBox(this, 641);
    new TEdit(this, 643, kTextLimit);
    new TCheckBox(this, 832);
    new TCheckBox(this, 833);
    for (int id : {834, 835, 948}) new TEdit(this, id, kTextLimit);
    SetTransferBuffer(pTransfer);
}

LammPBox::~LammPBox() = default;

bool LammPBox::CanClose()
{
    auto text = [&](int id) { return GetEditText(id, kTextLimit); };
    bool bOk = true;
    for (int id : {612, 614, 617, 628, 629, 835, 834, 639, 948})
        if (!isAboveZeroText(text(id).c_str())) bOk = false;
    for (int id : {616, 619, 618})
        if (!isGridSizeText(text(id).c_str())) bOk = false;
    if (!isPositiveFloatText(text(627).c_str())) bOk = false;
    if (!isFloatText(text(643).c_str())) bOk = false;
    if (bOk) return true;
    MessageBeep(MB_ICONASTERISK);
    MessageBox(HWindow, "Invalid Entry", "Input Error", MB_OK);
    return false;
}

void TXLAWindow::CmLammEquationParameters()
{
    double pBefore[nLammSettingsEntries + 1];
    lammSettingsToValues(pBefore);
    bool bAccepted = false;
    for (;;) {
        const double dMaxDcOverCBefore = dMaxDcOverC;
        const int nGridBefore = nGridPoints;
        const unsigned char bFixedBefore = bFixedTimestep;
        const unsigned char bHatBefore = bMovingHat;
        const unsigned char bAutoBefore = bAutoFEAlgorithm;

        // Intensity data and the zone model start from a constant loading.
        if (bIntensityData || bModelZone) {
            bConstantInitialDistribution = 1;
            bExperimentalInitialDistribution = 0;
        }
        LammPTransfer& t = lammPTransfer;
        fillRecord(t);
        if (LammPBox(this, 631, &t).Execute() != IDOK) break;
        bAccepted = true;

        dTruncateLevel = std::pow(10.0, entryValue(t.e643));
        fAutoAlgorithmNormS = static_cast<float>(entryValue(t.e612));
        fAutoAlgorithmNormSOptimized = static_cast<float>(entryValue(t.e639));
        bTruncateGrid = t.c641 ? 1 : 0;
        if (bInhomogeneousSolvent)
            MessageBox(HWindow,
                       "make sure Lamm equation option 'dyanmically trucate grid' \nis not used when "
                       "macromolecular flotation near meniscus can occur",
                       "", MB_OK);
        bShutOffBackDiffusion = t.c613 ? 1 : 0;
        dBackDiffusionLevel = entryValue(t.e614);
        bAutoDynamicGridSize = t.c615 ? 1 : 0;

        nDefaultGridSize = floorToInt(entryValue(t.e616));
        nGridPoints = nDefaultGridSize;
        if (nGridPoints != nGridBefore) resizeRadialGrid(nGridPoints);
        nDynGridUpperLimit = floorToInt(entryValue(t.e619));
        nDynGridLowerLimit = floorToInt(entryValue(t.e618));
        fPointsPerSigma = static_cast<float>(entryValue(t.e617));

        // Scan times: the ramp with the recorded times, the times from
        // omega-squared-t, or a rotor-speed profile.
        bTimesFromW2t = t.c620 ? 1 : 0;
        bRampRotorSpeed = t.c621 ? 1 : 0;
        if (t.c944 && !bUsingSpeedSteps) {
            if (nScans < 1) {
                showErrorMessage("Error: Please Load SV Data First - speedsteps will be automatically loaded if "
                                 "speedsteps.txt is present",
                                 0);
                t.c944 = 0;
                t.c924 = 1;
            } else {
                checkSpeedStepsForLammParams();
            }
            bRampRotorSpeed = 1;
            bTimesFromW2t = 0;
        }
        if (bUsingSpeedSteps && !t.c944) {
            delete pRotorSpeedProfile;
            pRotorSpeedProfile = nullptr;
            bUsingSpeedSteps = 0;
        }
        bTimesFromW2t = bRampRotorSpeed ? 0 : 1;
        if (bTimesFromW2t) {
            if (bUsingSpeedSteps) {
                showErrorMessage("Error: In variable rotor speed run times from wwt is not possible", 0);
                bTimesFromW2t = 0;
                bRampRotorSpeed = 1;
            } else {
                setTimesFromW2t();
            }
        }
        if (bRampRotorSpeed) {
            bTimesFromW2t = 0;
            restoreRecordedScanTimes();
        }

        // The algorithm: the moving hat is whatever Claverie is not.
        bCheckRotorAcceleration = t.c924 ? 1 : 0;
        bOptimizeGridSpacing = t.c640 ? 1 : 0;
        bAutoFEAlgorithm = t.c622 ? 1 : 0;
        bFixedTimestep = t.c623 ? 1 : 0;
        bClaverie = t.c624 ? 1 : 0;
        bMovingHat = bClaverie ? 0 : 1;
        if (bMovingHat != bHatBefore && bGridArraysAllocated) freeRadialGridArrays();

        bAutoSGrid = t.c626 ? 1 : 0;
        dSGrid = entryValue(t.e627);
        fTolerance = static_cast<float>(entryValue(t.e628) * 0.01);
        dMaxDcOverC = entryValue(t.e629);
        if (dMaxDcOverC != dMaxDcOverCBefore) {
            dMaxDcOverCWork = dMaxDcOverC;
            dMaxDcOverCLow = 0.05 * dMaxDcOverC;
            dMaxDcOverCHigh = 0.2 * dMaxDcOverC;
        }

        bSimTimeResolution = t.c832 ? 1 : 0;
        if (bSimTimeResolution && bFluorescenceData) {
            MessageBox(HWindow, "scan time correction for fluorescence data not yet implemented, switching off", "",
                       MB_OK);
            bSimTimeResolution = 0;
        }
        bSimRadialResolution = t.c833 ? 1 : 0;
        fScanVelocity = static_cast<float>(entryValue(t.e835));
        fConvolutionRange = static_cast<float>(entryValue(t.e834));
        dSpeedStepDShutoff = entryValue(t.e948);

        bExperimentalInitialDistribution = t.c630 ? 1 : 0;
        bConstantInitialDistribution = bExperimentalInitialDistribution ? 0 : 1;
        if (bIntensityData || bModelZone) {
            bConstantInitialDistribution = 1;
            bExperimentalInitialDistribution = 0;
        }
        if (bExperimentalInitialDistribution) {
            if (bRampRotorSpeed) switchOffRampRotorSpeed(this);
            if (bTimesFromW2t) switchOffTimesFromW2t(this);
        }

        // Leaving the moving hat for Claverie takes the fixed step with it.
        if (bHatBefore && bFixedBefore && !bAutoBefore && !bMovingHat && bFixedTimestep) {
            bFixedTimestep = 0;
            MessageBox(HWindow, "switching off fixed dt - confirm", "", MB_OK);
            continue;
        }
        break;
    }
    if (!bAccepted) return;

    double pAfter[nLammSettingsEntries + 1];
    lammSettingsToValues(pAfter);
    bool bChanged = false;
    for (int k = 1; k <= nLammSettingsEntries; ++k)
        if (static_cast<float>(pAfter[k]) != static_cast<float>(pBefore[k])) bChanged = true;
    if (bChanged &&
        MessageBox(HWindow,
                   "save new parameters as default? (reset defaults by deleting the file 'morvexlammparams.ini' and "
                   "restarting MORVEX)",
                   "LAMM EQUATION PARAMETERS", MB_YESNO) == IDYES)
        SaveLammEqParameterPreferences(this);
}
