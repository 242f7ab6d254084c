// The saved analysis: the whole model state (species rows, geometry, the
// numerical settings, the model flags and the side models: buffer mismatch,
// fluorescence detection, depletion boundary, Wiener skewing, flotation) as
// one number per line in the temporary parameter file beside the data. It is
// written after every fit (and during long ones), so that the analysis comes
// back in a later run of the program or after a crash: the loaders offer it
// when the same data are loaded again, and Reload Saved Fit Parameters reads
// any such file.
//
// The file: 215 lines, "%f" each, entries numbered from 0 (the table is in
// docs/models.md). What a reader may rely on:
//   - a file of fewer than 99 values changes nothing;
//   - entries 0-98 are always there; from 99 on an entry may be missing
//     (older files): a missing flag takes its default, a missing value keeps
//     the current setting;
//   - a flag is set only by exactly 1.0; integers are cut or rounded down;
//   - an entry that is not a finite number, and a size, limit, resolution or
//     count that is not above 0, keeps the current setting; the rest of the
//     file is applied.
// The reload re-selects the stored model: discrete and interacting models by
// their flags, the continuous models through their Model commands (which set
// the grid, the algorithm and the check marks), so that a restored analysis
// is the one a user would have chosen.
#include <cfloat>
#include <cmath>
#include <filesystem>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fitting/fit_globals.h"
#include "models/lamm_settings.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "models/model_selection.h"
#include "numerics/cvector.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/wiener_settings.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

using namespace win;

unsigned char bLoadingOption3 = 0;
unsigned char bCSOption1 = 1;
unsigned char bCSOption2 = 0;
unsigned char bCSOption4 = 0;
unsigned char bCSOption5 = 0;
int nCSOption6 = 0;
int nCSOption7 = 0;
unsigned char bFlotationOption1 = 1;
unsigned char bFlotationOption2 = 1;

namespace {

// How an entry of the file maps onto its program-wide value.
enum class Kind {
    Value,          // float
    Double,
    Positive,       // float; only a value above 0 replaces it
    PositiveDouble,
    Flag,           // byte flag
    IntFlag,        // int fit flag
    Whole,          // int, cut towards zero
    WholeFloor,     // int, rounded down
    CountFloor,     // int, rounded down; only a count above 0 replaces it
    GridSizeFloor,  // int, rounded down; only a grid size the solutions can use replaces it
};

struct Entry {
    int n;
    Kind kind;
    void* p;
    float fScale = 1.0f;           // the file holds the value times this
    unsigned char bDefault = 0;    // a missing flag
};

// Every entry that is a plain copy of one value; the others are written and
// read by name below (species rows, codes, and what follows from them).
const Entry kEntries[] = {
    {37, Kind::Value, &fBaseline},
    {39, Kind::Value, &fMeniscus},
    {40, Kind::Value, &fBottom},
    {41, Kind::Value, &fFitLeftLim},
    {42, Kind::Value, &fFitRightLim},
    {44, Kind::Value, &fModelConst20},
    {45, Kind::Flag, &bFitMeniscus},
    {46, Kind::Value, &fVbarTransform},
    {47, Kind::Flag, &bFitBottom},
    {48, Kind::Value, &fMaxMeniscus},
    {49, Kind::Value, &fMinMeniscus},
    {50, Kind::Value, &fMaxBottom},
    {51, Kind::Value, &fMinBottom},
    {52, Kind::Value, &VBAR},
    {53, Kind::Value, &fBufferDensity},
    {54, Kind::Flag, &bConstantInitialDistribution},
    {55, Kind::Flag, &bExperimentalInitialDistribution},
    {56, Kind::Flag, &bLoadingOption3},
    {57, Kind::Flag, &bFitFirstScanScale},
    {58, Kind::Flag, &bAutoFEAlgorithm},
    {59, Kind::Flag, &bUseMolarMass},
    {60, Kind::Flag, &bMovingHat},
    {61, Kind::Flag, &bClaverie},
    {62, Kind::PositiveDouble, &dMaxDcOverC},
    {63, Kind::PositiveDouble, &dMaxDcOverCWork},
    {64, Kind::PositiveDouble, &dMaxDcOverCHigh},
    {65, Kind::Positive, &fTolerance},
    {66, Kind::Flag, &bFixedTimestep},
    {67, Kind::Flag, &bModelDiscreteSpecies},
    {68, Kind::Flag, &bModelMonomerDimer},
    {69, Kind::Flag, &bModelMonomerTrimer},
    {70, Kind::Flag, &bModelSelfAssoc124},
    // 71, 72: the model codes
    {73, Kind::Flag, &bConstantInitialDistribution},
    {74, Kind::Flag, &bExperimentalInitialDistribution},
    {75, Kind::Flag, &bFitTINoise},
    {76, Kind::Flag, &bAutoFEAlgorithm},
    {77, Kind::Flag, &bAutoSGrid},
    {78, Kind::Flag, &bFitT0},
    {79, Kind::Value, &fStartTime},
    {80, Kind::Flag, &bFitRINoise},
    // 81: the rotor ramp
    {82, Kind::Flag, &bModelSelfAssoc148},
    {83, Kind::Flag, &bEquilibriumDiscrete},
    // 84: the c(s,f/f0) code, not read
    {85, Kind::Value, &fFf0Min},
    {86, Kind::Value, &fFf0Max},
    {87, Kind::Positive, &fFf0Resolution},
    {88, Kind::Value, &fFf0Step},
    {89, Kind::Value, &fDiscreteCompM},
    {90, Kind::Value, &fDiscreteCompS},
    {91, Kind::Flag, &bAutoDynamicGridSize},
    {92, Kind::Positive, &fPointsPerSigma},
    {93, Kind::GridSizeFloor, &nDynGridUpperLimit},
    {94, Kind::GridSizeFloor, &nDynGridLowerLimit},
    {95, Kind::Flag, &bBufferMismatch},
    {96, Kind::Flag, &bBufferSignalInSample},
    {97, Kind::Flag, &bBufferSignalInReference},
    // 98: the sign of the buffer signal
    {99, Kind::Flag, &bBufferMismatchSubtracted},
    {100, Kind::Double, &dBufferD},
    {101, Kind::Double, &dBufferMb},
    {102, Kind::Double, &dBufferS},
    {103, Kind::Double, &dBufferSignal},
    {104, Kind::Flag, &bBufferMeniscusMismatch},
    {105, Kind::Double, &dBufferMeniscusDiff},
    {106, Kind::Double, &dBufferRelConc},
    {107, Kind::Flag, &bBufferRefDifferent},
    {108, Kind::Double, &dBufferRefD},
    {109, Kind::Double, &dBufferRefMb},
    {110, Kind::Double, &dBufferRefS},
    {111, Kind::Flag, &bFitBufferD},
    {112, Kind::Flag, &bFitBufferS},
    {113, Kind::Flag, &bFitBufferSignal},
    {114, Kind::Flag, &bFitBufferMeniscusDiff},
    {115, Kind::Flag, &bFitBufferRelConc},
    {116, Kind::Flag, &bFitBufferRefD},
    {117, Kind::Flag, &bFitBufferRefS},
    {118, Kind::Positive, &fScanVelocity},
    {119, Kind::Value, &fConvolutionRange},
    {120, Kind::Flag, &bSimTimeResolution},
    {121, Kind::Flag, &bSimRadialResolution},
    {122, Kind::Flag, &bModelZone},
    {123, Kind::Flag, &bModelZoneLsgs},
    {124, Kind::Flag, &bModelZoneCS},
    {125, Kind::Flag, &bInvertBand},
    {126, Kind::Value, &fZoneLamellaWidth},
    {127, Kind::IntFlag, &bFitLamellaWidth},
    {128, Kind::Flag, &bModelNonidealMultiple},
    {129, Kind::Flag, &bNonidealMultiSwitch},
    // the ten pairs of the non-ideal multiple-species model (vector slots 25-34)
    {130, Kind::IntFlag, &nFitSynthBoundaryPos},
    {131, Kind::Value, &fSynthBoundaryPos},
    {132, Kind::IntFlag, &nFitOverlayFrac1},
    {133, Kind::Value, &fOverlayFrac1},
    {134, Kind::IntFlag, &nFitNonidealConc2},
    {135, Kind::Value, &fNonidealConc2},
    {136, Kind::IntFlag, &nFitNonidealS2},
    {137, Kind::Value, &fNonidealS2},
    {138, Kind::IntFlag, &nFitNonidealD2},
    {139, Kind::Value, &fNonidealD2},
    {140, Kind::IntFlag, &nFitOverlayFrac2},
    {141, Kind::Value, &fOverlayFrac2},
    {142, Kind::IntFlag, &nFitNonidealConc3},
    {143, Kind::Value, &fNonidealConc3},
    {144, Kind::IntFlag, &nFitNonidealS3},
    {145, Kind::Value, &fNonidealS3},
    {146, Kind::IntFlag, &nFitNonidealD3},
    {147, Kind::Value, &fNonidealD3},
    {148, Kind::IntFlag, &nFitOverlayFrac3},
    {149, Kind::Value, &fOverlayFrac3},
    {150, Kind::Value, &fNonidealExtinction1},
    {151, Kind::Value, &fNonidealExtinction2},
    {152, Kind::Value, &fNonidealExtinction3},
    // fluorescence detection
    {153, Kind::Flag, &bFloRadialMagFactorFloat},
    {154, Kind::Value, &fFloRadialMagFactor},
    {155, Kind::Flag, &bFloRadialMagnification},
    {156, Kind::Flag, &bNonlinearDetection},
    {157, Kind::Value, &fFloNonlinCoeff},
    {158, Kind::Value, &fDetectionBaseline},
    {159, Kind::Flag, &bFitDetectionPower},
    {160, Kind::Flag, &bFloKBleachFloat},
    // 161: the bleaching rate
    {162, Kind::Flag, &bFloMagnificationDrift},
    {163, Kind::Flag, &bFloConvolutionFloat},
    {164, Kind::Value, &fFloConvolution},
    {165, Kind::Flag, &bFloConvolution},
    {166, Kind::Flag, &bFloExcitationConeFloat},
    {167, Kind::Value, &fFloExcitationCone},
    {168, Kind::Flag, &bFloExcitationCone},
    {169, Kind::Flag, &bShowTransformedData},
    {170, Kind::Value, &fConvolutionDistFactor},
    {171, Kind::Flag, &bFloBleaching},
    {172, Kind::Flag, &bCheckRotorAcceleration},
    {173, Kind::Flag, &bFloAlimFloat},
    {174, Kind::Value, &fFloAlim},
    {175, Kind::Flag, &bFloDrift},
    {176, Kind::Flag, &bFloDriftFloat},
    // 177: the drift
    // the Johnston-Ogston depletion boundary
    {178, Kind::Flag, &bJohnstonOgston},
    {179, Kind::Flag, &bFitJOSValue},
    {180, Kind::Flag, &bFitJODValue},
    {181, Kind::Flag, &bFitJOAmplitude},
    {182, Kind::Flag, &bFitJOKs},
    {183, Kind::Value, &fJOs},
    {184, Kind::Value, &fJOD, 1e7f},
    {185, Kind::Value, &fJOAmp},
    {186, Kind::Value, &fJOKs},
    {187, Kind::Value, &fNonidealKs},
    {188, Kind::IntFlag, &nFitNonidealKs},
    {189, Kind::Value, &fNonidealKd},
    {190, Kind::IntFlag, &nFitNonidealKd},
    {191, Kind::Double, &dSignalPerMgMl},
    // options of the c(s) models
    {192, Kind::Flag, &bCSOption1, 1.0f, 1},
    {193, Kind::Flag, &bCSOption2},
    {194, Kind::Flag, &bStickySpheres},
    {195, Kind::Flag, &bCSOption4},
    {196, Kind::Flag, &bCSOption5},
    {197, Kind::WholeFloor, &nCSOption6},
    {198, Kind::WholeFloor, &nCSOption7},
    {199, Kind::Flag, &bLogSGrid},
    {200, Kind::Positive, &fLogGridMinS},
    {201, Kind::Flag, &bLogGridMinS},
    {202, Kind::Flag, &bSGridFromFile},
    {203, Kind::Flag, &bWienerSkewing},
    {204, Kind::Value, &fWSkew, 1e6f},
    {205, Kind::Value, &fWSkewSignalPerMgMl},
    {206, Kind::Whole, &nWienerSkewingSetting},
    // flotation
    {207, Kind::Flag, &bFlotationOption1, 1.0f, 1},
    {208, Kind::Value, &fFlotationSpeciesD, 1e7f},
    {209, Kind::Value, &fFlotationSMin},
    {210, Kind::Value, &fFlotationSMax},
    {211, Kind::CountFloor, &nFlotationResolution},
    {212, Kind::Flag, &bFlotationOption2, 1.0f, 1},
};

// A float as an int, when it is one: finite and within the range of an int.
bool wholeNumber(double x, int* pn)
{
    if (!std::isfinite(x) || x < -2147483648.0 || x >= 2147483648.0) return false;
    *pn = static_cast<int>(x);
    return true;
}

// The file as read: its entries, what is there and what is usable.
class ParameterFile {
public:
    explicit ParameterFile(const CVector& v) : values(v) {}
    int Size() const { return static_cast<int>(values.nSize); }
    bool Has(int n) const { return n >= 0 && n < Size(); }
    // A present entry that is a finite number.
    bool Get(int n, float* pf) const
    {
        if (!Has(n) || !std::isfinite(values.pData[n])) return false;
        *pf = values.pData[n];
        return true;
    }
    // A flag entry: present and usable, set exactly by 1.0.
    bool Flag(int n, unsigned char* pb) const
    {
        float x = 0;
        if (!Get(n, &x)) return false;
        *pb = x == 1.0f ? 1 : 0;
        return true;
    }

private:
    const CVector& values;
};

void applyEntry(const Entry& e, const ParameterFile& f)
{
    if (!f.Has(e.n)) {
        // A missing flag takes its default, a missing value stays.
        if (e.kind == Kind::Flag) *static_cast<unsigned char*>(e.p) = e.bDefault;
        if (e.kind == Kind::IntFlag) *static_cast<int*>(e.p) = e.bDefault;
        return;
    }
    float x = 0;
    if (!f.Get(e.n, &x)) return;
    const double d = static_cast<double>(x) / e.fScale;
    int n = 0;
    switch (e.kind) {
    case Kind::Value:
        *static_cast<float*>(e.p) = static_cast<float>(d);
        break;
    case Kind::Double:
        *static_cast<double*>(e.p) = d;
        break;
    case Kind::Positive:
        if (d > 0 && static_cast<float>(d) <= FLT_MAX) *static_cast<float*>(e.p) = static_cast<float>(d);
        break;
    case Kind::PositiveDouble:
        if (d > 0) *static_cast<double*>(e.p) = d;
        break;
    case Kind::Flag:
        *static_cast<unsigned char*>(e.p) = x == 1.0f ? 1 : 0;
        break;
    case Kind::IntFlag:
        *static_cast<int*>(e.p) = x == 1.0f ? 1 : 0;
        break;
    case Kind::Whole:
        if (wholeNumber(d, &n)) *static_cast<int*>(e.p) = n;
        break;
    case Kind::WholeFloor:
        if (wholeNumber(std::floor(d), &n)) *static_cast<int*>(e.p) = n;
        break;
    case Kind::CountFloor:
        if (wholeNumber(std::floor(d), &n) && n > 0) *static_cast<int*>(e.p) = n;
        break;
    case Kind::GridSizeFloor:
        if (wholeNumber(std::floor(d), &n) && n >= nMinLammGridSize) *static_cast<int*>(e.p) = n;
        break;
    }
}

float entryValue(const Entry& e)
{
    switch (e.kind) {
    case Kind::Value:
    case Kind::Positive:
        return *static_cast<const float*>(e.p) * e.fScale;
    case Kind::Double:
    case Kind::PositiveDouble:
        return static_cast<float>(*static_cast<const double*>(e.p) * e.fScale);
    case Kind::Flag:
        return *static_cast<const unsigned char*>(e.p) ? 1.0f : 0.0f;
    case Kind::IntFlag:
    case Kind::Whole:
    case Kind::WholeFloor:
    case Kind::CountFloor:
    case Kind::GridSizeFloor:
        return static_cast<float>(*static_cast<const int*>(e.p));
    }
    return 0.0f;
}

void applyEntries(const ParameterFile& f, int nFirst, int nLast)
{
    for (const Entry& e : kEntries)
        if (e.n >= nFirst && e.n <= nLast) applyEntry(e, f);
}

// Species k takes entries 1 + 9 (k - 1) .. 9 + 9 (k - 1).
int speciesEntry(int k, int i) { return 1 + 9 * (k - 1) + i; }

void readSpeciesRows(const ParameterFile& f)
{
    for (int k = 1; k <= 4; ++k) {
        int* pInts[] = {&pSpeciesIncluded[k], &pSpeciesConcFloat[k], &pSpeciesMwFloat[k], &pSpeciesSFloat[k],
                        &pSpeciesExtraFloat[k]};
        float* pValues[] = {&pSpeciesConc[k], &pSpeciesMw[k], &pSpeciesS[k], &pSpeciesExtra[k]};
        // included, then per value the value and its fit flag
        for (int i = 0; i < 9; ++i) {
            float x = 0;
            if (!f.Get(speciesEntry(k, i), &x)) continue;
            if (i % 2 == 0) {
                int n = 0;
                if (wholeNumber(x, &n)) *pInts[i / 2] = n;
            } else {
                *pValues[i / 2] = x;
            }
        }
    }
}

// The non-ideal single-species code (entry 71).
float nonidealCode()
{
    if (!bModelNonidealSingle) return 0.0f;
    return bModelHindered ? 1001.0f : 1.0f;
}

// The continuous code (entry 72): the first test that matches.
float continuousCode()
{
    if (bModelCSFf0) return 3;
    if (bModelCSFf0OneDiscrete) return 4;
    if (bModelCSScalingLaw) return 5;
    if (bModelFMScalingLaw) return 6;
    if (bModelNonidealCS) return bModelHinderedCS ? 7001 : 7;
    if (bModelLsgs) return 8;
    if (bModelCSFlotation) return 9;
    if (bModelCSOneDiscreteM) return 2;
    if (bModelContinuous) return 1;
    return 0;
}

// The regularization (entry 213).
float regularizationCode()
{
    if (bRegMaxEnt) return 1;
    if (bRegSecondDerivative) return 2;
    if (bRegWeightedThirdDerivative) return 3;
    return 4;
}

// Step 4 of the reload: the stored continuous model chosen through its
// command.
void selectContinuousModel(TXLAWindow* w, float fCode)
{
    if (!(fCode > 0)) return;
    w->ResetModelSelection();
    if (fCode == 1) {
        w->CmModelCS();
    } else if (fCode == 2) {
        bUseMolarMass = 1;
        w->CmModelCSOneDiscrete();
    } else if (fCode == 3 || fCode == 4) {
        bUseMolarMass = 1;
        if (fCode == 3)
            w->CmModelCSFf0();
        else
            w->CmModelCSFf0OneDiscrete();
    } else if (fCode == 5 || fCode == 6) {
        // the scaling law is kept in species row 3
        fScalingBs = pSpeciesExtra[3];
        fScalingKs = pSpeciesConc[3];
        nFitScalingKs = pSpeciesConcFloat[3];
        bUseMolarMass = 1;
        if (fCode == 5) {
            w->CmModelCSScalingLaw();
        } else {
            bFMScalingNoDiffusion = pSpeciesConcFloat[2] ? 1 : 0;
            w->CmModelFMScalingLaw();
        }
    } else if (fCode == 7 || fCode == 7001) {
        bUseMolarMass = 1;
        if (fCode == 7)
            w->CmModelNonidealCS();
        else
            w->CmModelHinderedCS();
    } else if (fCode == 8) {
        w->CmModelLsgs();
    } else if (fCode == 9) {
        bFlotationFirstUse = 0;
        w->CmModelCSFlotation();
    }
}

// The Model-menu items of the models the reload sets by their flags (the
// commands it runs check their own): the check marks mirror the flags.
void checkDirectlySetModels(TXLAWindow* w)
{
    if (bModelContinuous) return;
    const struct {
        unsigned nId;
        bool bOn;
    } items[] = {
        {198, bModelDiscreteSpecies && !bModelZone},
        {246, bModelDiscreteSpecies && bModelZone},
        {197, bModelMonomerDimer != 0},
        {229, bModelMonomerTrimer != 0},
        {228, bModelSelfAssoc124 != 0},
        {520, bModelSelfAssoc148 != 0},
        {227, bModelNonidealSingle && !bModelHindered},
        {1099, bModelNonidealSingle && bModelHindered},
        {893, bModelNonidealMultiple != 0},
        {284, bEquilibriumDiscrete != 0},
    };
    for (const auto& it : items)
        if (it.bOn) checkModelMenuItem(w, it.nId, true);
}

// A grid that the vector's views derived from the file with no point: the
// setting before the reload stays (slot and species row with it).
void keepPositiveGridSetting(float* pfSetting, float fBefore, int nSlot, float* pfRow)
{
    if (*pfSetting > 0 || !(fBefore > 0)) return;
    *pfSetting = fBefore;
    pParamValue[nSlot] = fBefore;
    *pfRow = fBefore;
}

void checkMenuItem(TXLAWindow* w, unsigned nId, bool bOn)
{
    if (HMENU m = w->GetMenu()) CheckMenuItem(m, nId, MF_BYCOMMAND | (bOn ? MF_CHECKED : MF_UNCHECKED));
}

bool fileExists(const char* szPath)
{
    std::error_code ec;
    return szPath && *szPath && std::filesystem::is_regular_file(szPath, ec);
}

}  // namespace

// ---------------------------------------------------------------- saving

void TmpSaveBestParams(TXLAWindow* pWindow, int bIntermediate)
{
    if (pWindow) pWindow->DebugLog("\nEnter TmpSaveBestParams");
    if (!szScanExtra[0]) return;
    paramVectorToGlobals();

    CVector file(nParameterFileEntries);
    float* v = file.pData;
    for (int i = 0; i < nParameterFileEntries; ++i) v[i] = 0.0f;
    v[0] = bIntermediate ? 0.0f : 1.0f;
    for (int k = 1; k <= 4; ++k) {
        const bool bIncluded = pSpeciesIncluded[k] != 0;
        // loadings solved linearly are written as floated
        const int nConcFloat = bAlgebraicConcentrations && bIncluded ? 1 : pSpeciesConcFloat[k];
        const float row[] = {static_cast<float>(pSpeciesIncluded[k]), pSpeciesConc[k],
                             static_cast<float>(nConcFloat),          pSpeciesMw[k],
                             static_cast<float>(pSpeciesMwFloat[k]),  pSpeciesS[k],
                             static_cast<float>(pSpeciesSFloat[k]),   pSpeciesExtra[k],
                             static_cast<float>(pSpeciesExtraFloat[k])};
        for (int i = 0; i < 9; ++i) v[speciesEntry(k, i)] = row[i];
    }
    v[38] = bAlgebraicBaseline ? 1.0f : static_cast<float>(bFitBaseline);
    v[43] = static_cast<float>(nDefaultGridSize);
    v[71] = nonidealCode();
    v[72] = continuousCode();
    v[81] = bRampRotorSpeed ? 1.0f : 0.0f;
    v[84] = bModelCSFf0 ? 1.0f : bModelCSFf0OneDiscrete ? 2.0f : 0.0f;
    v[98] = static_cast<float>(dBufferSignalSign);
    v[161] = fFloKBleach;
    v[177] = fFloDrift;
    v[213] = regularizationCode();
    for (const Entry& e : kEntries) v[e.n] = entryValue(e);

    file.Save(szScanExtra.c_str());
    if (bModelNonidealCS) saveCtotDataWithParameters(szScanExtra.c_str());
    if (pWindow) pWindow->DebugLog(" --> done.");
}

// ---------------------------------------------------------------- reloading

bool TXLAWindow::ReloadParameters(const char* szPath)
{
    // 1. the file, whole or not at all
    CVector values;
    values.Load(szPath);
    if (static_cast<int>(values.nSize) < nParameterFileMinimum) return false;
    const ParameterFile f(values);
    const unsigned char bMismatchBefore = bBufferMismatch;
    const unsigned char bFitSignalBefore = bFitBufferSignal;
    const unsigned char bNonlinearBefore = bNonlinearDetection;
    const float fResolutionBefore = fSGridResolution;
    const float fFf0ResolutionBefore = fFf0Resolution;

    // 2.
    ResetModelSelection();

    // 3. species rows, geometry, settings and the flags of the discrete models
    readSpeciesRows(f);
    float x = 0;
    if (f.Get(38, &x)) bFitBaseline = x == 1.0f ? 1 : 0;
    applyEntries(f, 37, 70);
    updateLeftFitLimit();
    updateRightFitLimit();
    int n = 0;
    if (f.Get(43, &x) && wholeNumber(x, &n) && n >= nMinLammGridSize) nGridPoints = nDefaultGridSize = n;
    fVbarRho = VBAR * fBufferDensity;
    dMaxDcOverCWork = dMaxDcOverC;
    if (f.Get(71, &x)) {
        bModelNonidealSingle = x >= 1 ? 1 : 0;
        bModelHindered = x == 1001.0f ? 1 : 0;
    }

    // 4. a continuous model through its command, without the note and switch
    // of the regularization
    bSuppressRegSwitch = 1;
    if (f.Get(72, &x)) selectContinuousModel(this, x);
    bSuppressRegSwitch = 0;

    // 5. the rest, each entry optional from 81 on
    applyEntries(f, 73, 212);
    bSedimentationTimeOffset = bFitT0;
    unsigned char b = 0;
    if (f.Flag(81, &b)) {
        bRampRotorSpeed = b;
        bTimesFromW2t = b ? 0 : 1;
    }
    if (f.Get(89, &x)) pParamValue[16] = pSpeciesExtra[1] = fDiscreteCompM;
    if (f.Get(90, &x)) pParamValue[17] = pSpeciesExtra[2] = fDiscreteCompS;
    if (f.Get(98, &x)) dBufferSignalSign = x == 1.0f ? 1.0 : -1.0;
    // A file from before the drift keeps its rate in other units: only a
    // rate read from such a file is converted.
    if (f.Get(161, &x)) fFloKBleach = f.Has(177) ? x : x * 0.01f;
    if (!f.Has(177))
        fFloDrift = 0.0f;
    else if (f.Get(177, &x))
        fFloDrift = x;
    bFloMagnificationDrift = bFloBleaching || bFloDrift ? 1 : 0;
    if (!bFloBleaching) bFloAlimFloat = bFloKBleachFloat = 0;
    if (!bFloDrift) bFloDriftFloat = 0;
    if (f.Has(199)) bKeepLogSGrid = 1;
    // the family of the interacting models set by their flags
    if (bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148 ||
        bModelNonidealSingle || bModelNonidealMultiple)
        bModelInteracting = 1;
    // ks and kd of the non-ideal views live in vector slots 20 and 21, which
    // the vector takes from the model constants: they follow the values read.
    if (bSpecies1Nonideal || bModelNonidealCS) {
        if (f.Get(187, &x)) fModelConst20 = fNonidealKs;
        if (f.Get(188, &x)) nFitModelConst20 = nFitNonidealKs;
        if (f.Get(189, &x)) fModelConst21 = fNonidealKd;
        if (f.Get(190, &x)) nFitModelConst21 = nFitNonidealKd;
    }
    if (f.Get(213, &x)) {
        if (x == 1.0f)
            CmRegularizationMaxEnt();
        else if (x == 2.0f)
            CmRegularizationSecondDerivative();
        else if (x == 3.0f)
            CmRegularizationWeightedThirdDerivative();
        else if (x == 4.0f)
            CmRegularizationBothShown();
    }

    // 6.
    if (bModelNonidealCS) LoadCtotDataWithParameters(szPath);

    // 7.
    fixUpModelDefaults();

    // 8. the scan times the file's rotor setting asks for
    if (bTimesFromW2t) {
        switchOnTimesFromW2t(this);
    } else if (bRampRotorSpeed) {
        bTimesFromW2t = 0;
        restoreRecordedScanTimes();
    }

    // 9.
    if (fVbarTransform == 0.0f &&
        MessageBox(HWindow, "VBAR20 is 0.0 ... adjust to VBAR20=VBAR?", "reload parameters", MB_YESNO) == IDYES)
        fVbarTransform = VBAR;

    // 10. Both packings keep the grid spacing of entry 199 over the vector's
    // flag (species 4's M flag), which the second one would take again.
    const unsigned char bKeepLog = bKeepLogSGrid;
    globalsToParamVector();
    if (bModelContinuous) {
        keepPositiveGridSetting(&fSGridResolution, fResolutionBefore, 9, &pSpeciesConc[1]);
        if (bModelCSFf0 || bModelCSFf0OneDiscrete)
            keepPositiveGridSetting(&fFf0Resolution, fFf0ResolutionBefore, 8, &pSpeciesS[4]);
        bKeepLogSGrid = bKeepLog;
        globalsToParamVector();
    }
    // The keep serves this reload only: a model outside the continuous family
    // does not take it up, and left set it would drop the logarithmic grid
    // next chosen in the parameter dialog.
    bKeepLogSGrid = 0;

    // 11. the menu and the buffer model
    if (!bSerialFitRunning) {
        checkMenuItem(this, 217, bUseMolarMass != 0);
        if (bFitT0) {
            checkMenuItem(this, 255, true);
            checkMenuItem(this, 256, true);
        }
        const bool bSwitchedOn = !bMismatchBefore && bBufferMismatch;
        if (bSwitchedOn && !CheckBufferSedCompatibility()) bBufferMismatch = 0;
        if (bBufferMismatch && (bSwitchedOn || bFitBufferSignal != bFitSignalBefore))
            updateBufferSedimentationFitFlags();
        if (bMismatchBefore && !bBufferMismatch) SwitchOffBufferSedimentation();
        checkMenuItem(this, 552, bBufferMismatch != 0);
        checkDirectlySetModels(this);
    }

    // Nonlinear detection switched off by the file goes off as from the menu:
    // with transformed values shown the raw values come back first, and the
    // copies go (else the transformed values stayed shown and fitted with the
    // option off, and switching it off from the menu no longer brought the
    // raw values back).
    if (bNonlinearBefore && !bNonlinearDetection) {
        bNonlinearDetection = 1;
        switchOffNonlinearDetection(this);
    }

    // 12. the reference meniscus
    if (bBufferMismatch && bBufferMeniscusMismatch && pDataPlot)
        DrawXorLine(pDataPlot->MapX(fMeniscus - static_cast<float>(dBufferMeniscusDiff)));

    // 13. the fluorescence items show the fit flags
    checkMenuItem(this, 905, bFloRadialMagFactorFloat != 0);
    checkMenuItem(this, 907, bFloRadialMagFactorFloat != 0);
    checkMenuItem(this, 906, bNonlinearDetection != 0);
    checkMenuItem(this, 908, bNonlinearDetection != 0);
    checkMenuItem(this, 909, bFloKBleachFloat != 0);
    checkMenuItem(this, 910, bFloKBleachFloat != 0);
    checkMenuItem(this, 911, bFloConvolutionFloat != 0);
    checkMenuItem(this, 912, bFloConvolutionFloat != 0);
    checkMenuItem(this, 913, bFloExcitationConeFloat != 0);
    checkMenuItem(this, 914, bFloExcitationConeFloat != 0);
    checkMenuItem(this, 925, bJohnstonOgston != 0);
    return true;
}

// ---------------------------------------------------------------- the offer after a load

bool TXLAWindow::OfferRestorePreviousAnalysis(int)
{
    // The unattended run starts from its parameter file alone: an analysis
    // that an earlier run or window session saved is not taken up.
    if (bBatchMode) return false;
    if (!fileExists(szScanExtra.c_str())) return false;
    CVector values;
    values.Load(szScanExtra.c_str());
    if (static_cast<int>(values.nSize) < nParameterFileMinimum) return false;
    if (bSerialFitRunning && bSerialFitKeepData) return ReloadParameters(szScanExtra.c_str());
    // a save from inside a fit that did not finish
    if (values.pData[0] == 0.0f) {
        if (bSilentModelSwitch) return ReloadParameters(szScanExtra.c_str());
        if (MessageBox(HWindow, "restore previous data?", "", MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
            return ReloadParameters(szScanExtra.c_str());
    }
    if (bSilentModelSwitch) return ReloadParameters(szScanExtra.c_str());
    if (MessageBox(HWindow, "load previous analysis?", "", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return false;
    CmReloadSavedFitParameters();
    return true;
}
