// The fit-parameter vector: 34 values with one fit flag each, the only thing
// the fitters vary. The models read named globals instead: the species rows,
// meniscus, bottom, baseline, the solvent and per model a few values of their
// own. The base layout maps the vector onto the species rows and scalars;
// each model then reads its own values out of the vector (its "view"), so
// the slots of the species rows carry other meanings in other models (the
// table is in docs/models.md).
//
// globalsToParamVector packs the base layout and refreshes the views;
// paramVectorToGlobals unpacks it with the clamps of the non-ideal
// multiple-species values and the checks of the solvent and of an invariant
// D, then refreshes the same views. The fit flags of slots 24-34 live in
// their own globals: unpacking leaves them, so they survive a model change.
#include <cmath>
#include <cstdlib>

#include "analyses/analysis_globals.h"
#include "app/xla_app.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/whole_number.h"
#include "platform/win.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"

namespace {

// The oligomer of the monomer-dimer (n = 2) or monomer-trimer (n = 3) model:
// its mass n M1, or in the D description D_n = D1 s_n / (n s1). With s1 = 0
// there is no D to derive: false, and the value stays as it was.
bool deriveOligomerMorD(int n, float fMonomer, float fSMonomer, float fSOligomer, float* pfOut)
{
    if (bUseMolarMass) {
        *pfOut = n * fMonomer;
        return true;
    }
    if (fSMonomer == 0) return false;
    *pfOut = fMonomer * fSOligomer / (n * fSMonomer);
    return true;
}

bool selfAssociationModel()
{
    return bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148;
}

// The views of the models onto the vector, paramVectorToGlobals steps 3-10.
// bPacking: called from globalsToParamVector, which differs in three points
// (the derived dimer/trimer value, fFrictionalRatio, bKeepLogSGrid).
void refreshModelViews(bool bPacking)
{
    float* v = pParamValue;
    int* f = pParamFloat;

    // Non-ideal first species and non-ideal c(s).
    if (bSpecies1Nonideal || bModelNonidealCS) {
        fNonidealKs = v[20];
        nFitNonidealKs = f[20];
        fNonidealKd = v[21];
        nFitNonidealKd = f[21];
    }

    // A + B <-> AB: the loading equilibrium gives the complex loading.
    if (bModelHeteroAssociation || bEquilibriumHeteroAssoc) {
        fLoadingA = v[9];
        fLoadingB = v[10];
        fDiffA = v[1];
        fDiffB = v[2];
        fSignalCoefA = v[4];
        fSignalCoefB = v[12];
        fSedA = v[5];
        fSedB = v[6];
        fSedAB = v[7];
        fLogAssocK = v[8];
        heteroAssocEquilibrium();
        v[11] = fComplexLoading;
        pSpeciesConc[3] = fComplexLoading;
        v[3] = pSpeciesMw[1] + pSpeciesMw[2];
        pSpeciesMw[3] = v[3];
        fDiffAB = v[3];
    }

    // Rapid self-association.
    if (bModelMonomerDimer || bModelMonomerTrimer) {
        fSAMonomerMorD = v[1];
        nFitSAMonomerMorD = f[1];
        fSALog10Ka = v[3];
        nFitSALog10Ka = f[3];
        fSAMonomerS = v[5];
        nFitSAMonomerS = f[5];
        fSAOligomerS = v[6];
        nFitSAOligomerS = f[6];
        fSATotalConc = v[11];
        nFitSATotalConc = f[11];
        f[2] = 0;
        if (!bPacking) {
            pSpeciesMw[2] = v[2];
            pSpeciesMwFloat[2] = 0;
        }
        float fOligomer = 0;
        if (deriveOligomerMorD(bModelMonomerDimer ? 2 : 3, v[1], v[5], v[6], &fOligomer)) {
            fSAOligomerMorD = fOligomer;
            if (!bPacking) {
                v[2] = fOligomer;
                pSpeciesMw[2] = fOligomer;
            }
        }
    } else if (bModelSelfAssoc124 || bModelSelfAssoc148) {
        fSAMonomerMorD = v[1];
        nFitSAMonomerMorD = f[1];
        fSALog10Ka = v[3];
        nFitSALog10Ka = f[3];
        fSALog10Ka2 = v[7];
        nFitSALog10Ka2 = f[7];
        fSAMonomerS = v[5];
        nFitSAMonomerS = f[5];
        fSAOligomerS = v[6];
        nFitSAOligomerS = f[6];
        fSAOligomerS2 = v[8];
        nFitSAOligomerS2 = f[8];
        fSATotalConc = v[11];
        nFitSATotalConc = f[11];
        const int n1 = bModelSelfAssoc124 ? 2 : 4;
        fSAOligomerMorD = n1 * fSAMonomerMorD;
        fSAOligomerMorD2 = 2 * n1 * fSAMonomerMorD;
        v[2] = pSpeciesMw[2] = fSAOligomerMorD;
        v[12] = pSpeciesConc[4] = fSAOligomerMorD2;
        f[2] = f[12] = 0;
        pSpeciesMwFloat[2] = pSpeciesConcFloat[4] = 0;
    } else if (bModelNonidealSingle || bModelNonidealMultiple) {
        fSATotalConc = v[9];
        nFitSATotalConc = f[9];
        fSAMonomerS = v[5];
        nFitSAMonomerS = f[5];
        fNonidealKs = v[10];
        nFitNonidealKs = f[10];
        fSAMonomerMorD = v[1];
        nFitSAMonomerMorD = f[1];
        fNonidealKd = v[11];
        nFitNonidealKd = f[11];
    }

    if (bExtrapolateAreaFractions) {
        // The area-fraction extrapolation: grid, confidence level and its
        // two whole numbers.
        fSGridResolution = static_cast<float>(std::floor(v[9]));
        fConfidenceLevel = v[2];
        fSMin = v[1];
        fSMax = v[5];
        nBoundaryFractions = floorToInt(v[11]);
        const int nLimit = floorToInt(fSGridResolution);
        if (nBoundaryFractions > nLimit) {
            nBoundaryFractions = nLimit;
            v[11] = static_cast<float>(nLimit);
        }
        nScansPerLsgSet = floorToInt(v[3]);
        return;
    }
    if (!bModelContinuous) return;

    // The grid and the frictional ratio of the continuous family.
    fSGridResolution = static_cast<float>(std::floor(v[9]));
    fConfidenceLevel = v[2];
    fSMin = v[1];
    fSMax = v[5];
    if (!bPacking) fFrictionalRatio = v[11];
    if (bModelCSFixFf0FloatingVbar) {
        nFitFrictionalRatio = 0;
        nFitVbar = f[11];
        fFrictionalRatio = v[3];
        VBAR = v[11];
    } else if (bModelCSScalingLaw || bModelFMScalingLaw) {
        nFitFrictionalRatio = 0;
        fScalingKs = v[11];
        nFitScalingKs = f[11];
        fScalingBs = v[18];
        f[18] = 0;
        if (bModelFMScalingLaw) bFMScalingNoDiffusion = f[10] ? 1 : 0;
    } else if (bModelCSWormlikeChain) {
        nFitFrictionalRatio = 0;
        fWormPersistenceLength = v[11];
        nFitWormPersistenceLength = f[11];
        VBAR = v[3];
    } else {
        nFitFrictionalRatio = f[11];
        VBAR = v[3];
        fFrictionalRatio = v[11];
    }

    // Solvent. While the inhomogeneous solvent holds the parameters for
    // standard conditions, density and viscosity cannot be changed here.
    if (!bSolventParamsConverted) {
        fBufferDensity = v[7];
        fVbarRho = VBAR * fBufferDensity;
        RELVISCOSITY = static_cast<float>(v[12] * kRelativeViscosityPerPoise);
    } else {
        const double dNewViscosity = v[12] * kRelativeViscosityPerPoise;
        if (v[7] != fBufferDensity || std::fabs(dNewViscosity - RELVISCOSITY) > 1e-7)
            win::MessageBox(pMainWindow ? pMainWindow->HWindow : nullptr,
                            "standard conditions cannot be changed - switch off solvent gradient", "Parameter Error",
                            win::MB_OK);
        v[7] = fBufferDensity;
        v[12] = static_cast<float>(RELVISCOSITY * kWaterViscosity20Poise);
        fVbarRho = VBAR * fBufferDensity;
    }

    fHydration = v[4];
    bSGridFromFile = f[3] != 0 ? 1 : 0;
    if (bPacking && bKeepLogSGrid) {
        f[4] = bLogSGrid ? 1 : 0;
        bKeepLogSGrid = 0;
    } else {
        bLogSGrid = f[4] != 0 ? 1 : 0;
    }

    // The continuous models' own values.
    if (bModelElectrophoresisCV) {
        fCVConstantD = v[3];
        nFitCVConstantD = f[3];
    }
    if (bModelCSConformationalChange) {
        fConfChangeM = v[10];
        fConfChangeSMin = v[6];
        fConfChangeSMax = v[8];
    }
    if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        fFf0Min = v[10];
        fFf0Max = v[6];
        fFf0Resolution = static_cast<float>(std::floor(v[8]));
        nFf0Resolution = floorToInt(fFf0Resolution);
        fCsGridTotal = fFf0Resolution * fSGridResolution;
        nCsGridTotal = floorToInt(fCsGridTotal);
        if (bModelCSFf0OneDiscrete) {
            fDiscreteCompM = v[16];
            nFitDiscreteCompMorD = f[16];
            fDiscreteCompS = v[17];
            nFitDiscreteCompS = f[17];
        }
    }
    if (bModelCSBimodalFf0 || bModelCSBimodalFf0OneDiscrete || bModelCSFlotation) {
        fBimodalFf0Second = v[10];
        fBimodalSMin = v[6];
        nFitBimodalSMin = f[6];
        fBimodalSMax = v[8];
        if (bModelCSBimodalFf0OneDiscrete) {
            fDiscreteCompM = v[16];
            nFitDiscreteCompMorD = f[16];
            fDiscreteCompS = v[17];
            nFitDiscreteCompS = f[17];
        }
    }
    if (bModelCSScalingLaw || bModelFMScalingLaw) {
        fScalingKs = v[11];
        nFitScalingKs = f[11];
        fScalingBs = v[18];
        f[18] = 0;
    }
    if (bModelCSWormlikeChain) {
        fWormPersistenceLength = v[11];
        nFitWormPersistenceLength = f[11];
        fWormCrossSection = v[10];
        fWormMonomerMw = v[6];
        fWormHydration = v[8];
    }
    if (bModelCSOneDiscreteD) {
        fDiscreteCompD = v[10];
        nFitDiscreteCompMorD = f[10];
        fDiscreteCompS = v[6];
        nFitDiscreteCompS = f[6];
    }
    if (bModelCSWithMsTable || bModelCSOneDiscreteM || bModelNonidealCS || bModelLsgsOneDiscrete ||
        (bModelHybridCSLsgs && bHybridWithDiscrete)) {
        fDiscreteCompM = v[10];
        nFitDiscreteCompMorD = f[10];
        fDiscreteCompS = v[6];
        nFitDiscreteCompS = f[6];
    }
    if (bModelCSInvariantD) {
        fCSInvariantD = v[11];
        nFitCSInvariantD = f[11];
    }
    if (bModelCSLinearRods) fLinearRodParam = v[11];
    if (bModelDlsRhTime) fTimeCourseWindow = v[11];

    if (bModelCSInvariantD && fCSInvariantD == 0) {
        win::MessageBox(pMainWindow ? pMainWindow->HWindow : nullptr,
                        "diffusion coefficient must be positive, current entry could cause crash\n"
                        "has been changed to 1e-10!",
                        "Warning", win::MB_OK);
        v[11] = fCSInvariantD = 0.001f;
    }
}

void releaseParameterVectors()
{
    free_vector(pParamValue, 1, nParams);
    free_ivector(pParamFloat, 1, nParams);
    free_ivector(pSpeciesIncluded, 1, nSpecies);
    free_vector(pSpeciesConc, 1, nSpecies);
    free_ivector(pSpeciesConcFloat, 1, nSpecies);
    free_vector(pSpeciesMw, 1, nSpecies);
    free_ivector(pSpeciesMwFloat, 1, nSpecies);
    free_vector(pSpeciesS, 1, nSpecies);
    free_ivector(pSpeciesSFloat, 1, nSpecies);
    free_vector(pSpeciesExtra, 1, nSpecies);
    free_ivector(pSpeciesExtraFloat, 1, nSpecies);
}

}  // namespace

void allocParameterVectors()
{
    if (pParamValue) releaseParameterVectors();
    nSpecies = 4;
    pParamValue = vector(1, nParams);
    pParamFloat = ivector(1, nParams);
    pSpeciesIncluded = ivector(1, nSpecies);
    pSpeciesConc = vector(1, nSpecies);
    pSpeciesConcFloat = ivector(1, nSpecies);
    pSpeciesMw = vector(1, nSpecies);
    pSpeciesMwFloat = ivector(1, nSpecies);
    pSpeciesS = vector(1, nSpecies);
    pSpeciesSFloat = ivector(1, nSpecies);
    pSpeciesExtra = vector(1, nSpecies);
    pSpeciesExtraFloat = ivector(1, nSpecies);

    pSpeciesIncluded[1] = 1;
    pSpeciesConc[1] = 0.5f;
    pSpeciesConcFloat[1] = 1;
    pSpeciesMw[1] = bUseMolarMass ? 50000.0f : 5.0f;
    pSpeciesMwFloat[1] = 1;
    pSpeciesS[1] = 4.0f;
    pSpeciesSFloat[1] = 1;
    fStartTime = 0.0f;
    fBaseline = 0.0f;
    bFitBaseline = 0;
    fModelConst22 = 0.0f;
    nFitModelConst22 = 0;
    bFitLamellaWidth = 0;
    globalsToParamVector();
}

void globalsToParamVector()
{
    float* v = pParamValue;
    int* f = pParamFloat;
    if (!v || !f) return;

    v[25] = fSynthBoundaryPos;
    f[25] = nFitSynthBoundaryPos != 0 ? 1 : 0;
    v[26] = fOverlayFrac1;
    f[26] = nFitOverlayFrac1;
    v[27] = fNonidealConc2;
    f[27] = nFitNonidealConc2;
    v[28] = fNonidealS2;
    f[28] = nFitNonidealS2;
    v[29] = fNonidealD2;
    f[29] = nFitNonidealD2;
    v[30] = fOverlayFrac2;
    f[30] = nFitOverlayFrac2;
    v[31] = fNonidealConc3;
    f[31] = nFitNonidealConc3;
    v[32] = fNonidealS3;
    f[32] = nFitNonidealS3;
    v[33] = fNonidealD3;
    f[33] = nFitNonidealD3;
    v[34] = fOverlayFrac3;
    f[34] = nFitOverlayFrac3;

    for (int k = 1; k <= 4; ++k) {
        v[k] = pSpeciesMw[k];
        f[k] = pSpeciesMwFloat[k];
        v[4 + k] = pSpeciesS[k];
        f[4 + k] = pSpeciesSFloat[k];
        v[8 + k] = pSpeciesConc[k];
        f[8 + k] = pSpeciesConcFloat[k];
    }
    v[13] = fMeniscus;
    f[13] = bFitMeniscus;
    if (bElectrophoresis) fBottom = fMeniscus + fElectrophoresisLength;
    v[14] = fBottom;
    f[14] = bFitBottom;

    v[15] = fBaseline;
    f[15] = bFitBaseline;
    for (int k = 1; k <= 4; ++k) {
        v[15 + k] = pSpeciesExtra[k];
        f[15 + k] = pSpeciesExtraFloat[k];
    }
    v[20] = fModelConst20;
    f[20] = nFitModelConst20;
    v[21] = fModelConst21;
    f[21] = nFitModelConst21;
    v[22] = fModelConst22;
    f[22] = nFitModelConst22;
    if (bModelZone) {
        v[23] = fZoneLamellaWidth;
        f[23] = bFitLamellaWidth;
    }
    v[24] = fStartTime;
    f[24] = bFitT0 ? 1 : 0;

    refreshModelViews(true);
}

void paramVectorToGlobals()
{
    float* v = pParamValue;
    int* f = pParamFloat;
    if (!v || !f) return;

    // Position, fractions and loadings of the non-ideal multiple-species
    // model cannot be negative; s and D can. The flags stay in their globals.
    for (int k : {25, 26, 27, 30, 31, 34})
        if (v[k] < 0) v[k] = 0;
    fSynthBoundaryPos = v[25];
    fOverlayFrac1 = v[26];
    fNonidealConc2 = v[27];
    fNonidealS2 = v[28];
    fNonidealD2 = v[29];
    fOverlayFrac2 = v[30];
    fNonidealConc3 = v[31];
    fNonidealS3 = v[32];
    fNonidealD3 = v[33];
    fOverlayFrac3 = v[34];

    fStartTime = v[24];
    for (int k = 1; k <= 4; ++k) {
        pSpeciesMw[k] = v[k];
        pSpeciesMwFloat[k] = f[k];
        pSpeciesS[k] = v[4 + k];
        pSpeciesSFloat[k] = f[4 + k];
        pSpeciesConc[k] = v[8 + k];
        pSpeciesConcFloat[k] = f[8 + k];
    }
    fMeniscus = v[13];
    bFitMeniscus = static_cast<unsigned char>(f[13]);
    if (bElectrophoresis) {
        fBottom = fMeniscus + fElectrophoresisLength;
        v[14] = fBottom;
    } else {
        fBottom = v[14];
    }
    bFitBottom = static_cast<unsigned char>(f[14]);
    fBaseline = v[15];
    bFitBaseline = f[15];
    for (int k = 1; k <= 4; ++k) {
        pSpeciesExtra[k] = v[15 + k];
        pSpeciesExtraFloat[k] = f[15 + k];
    }
    fModelConst20 = v[20];
    nFitModelConst20 = f[20];
    fModelConst21 = v[21];
    nFitModelConst21 = f[21];
    fModelConst22 = v[22];
    nFitModelConst22 = f[22];
    if (bModelZone) {
        fZoneLamellaWidth = v[23];
        bFitLamellaWidth = f[23];
    }

    refreshModelViews(false);
}

void syncParameterVector()
{
    globalsToParamVector();
    if (!pParamFloat) return;
    for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    paramVectorToGlobals();
}

void fixUpModelDefaults()
{
    if (!pParamValue) return;

    // Equilibrium fits need an s (it stands for the buoyant mass there).
    if (bEquilibriumDiscrete && pSpeciesS[1] == 0) pSpeciesS[1] = 1;
    if (bEquilibriumHeteroAssoc)
        for (int k = 1; k <= 3; ++k)
            if (pSpeciesS[k] == 0) pSpeciesS[k] = 1;

    // Baseline: a floated baseline is solved linearly, except with the
    // experimental initial distribution; the noise fits solve it themselves.
    if (!bFitBaseline) {
        bAlgebraicBaseline = 0;
    } else if (!bExperimentalInitialDistribution) {
        bFitBaseline = 0;
        bAlgebraicBaseline = 1;
    } else {
        bAlgebraicBaseline = 0;
    }
    if (bFitTINoise) {
        bFitBaseline = 0;
        nFitModelConst22 = 0;
        bAlgebraicBaseline = 1;
    }
    if (bFitRINoise) bAlgebraicBaseline = 1;

    if (bExperimentalInitialDistribution) {
        pSpeciesConc[1] = 1;
        pSpeciesConcFloat[1] = 0;
        bFitFirstScanScale = 1;
        bFitTINoise = 0;
    }

    if (bModelDiscreteSpecies) {
        if (!bModelDlsCumulants)
            for (int k = 1; k <= 3; ++k)
                if (!pSpeciesIncluded[k]) pSpeciesConcFloat[k] = pSpeciesMwFloat[k] = pSpeciesSFloat[k] = 0;
        if (!bExperimentalInitialDistribution) {
            // Floated loadings are solved linearly when every included
            // species floats its loading; a linear solution once chosen stays
            // while no loading is floated.
            const int nLast = bBufferMismatch ? 3 : 4;
            if (bBufferMismatch) pSpeciesMwFloat[4] = pSpeciesSFloat[4] = 0;
            bool bAny = false;
            for (int k = 1; k <= nLast; ++k)
                if (pSpeciesConcFloat[k]) bAny = true;
            if (bAny) {
                bAlgebraicConcentrations = 1;
                for (int k = 1; k <= nLast; ++k)
                    if (pSpeciesIncluded[k] && pSpeciesConcFloat[k] != 1) bAlgebraicConcentrations = 0;
            }
            if (bSpecies1Nonideal) bAlgebraicConcentrations = 0;
            int nIncluded = 0;
            for (int k = 1; k <= 4; ++k)
                if (pSpeciesIncluded[k]) ++nIncluded;
            if (bDLSData && nIncluded > 1 && !dlsAllowsSeveralSpecies()) bAlgebraicConcentrations = 0;
            if (bBufferMismatch && bAlgebraicConcentrations) {
                if (bFitBufferSignal)
                    pSpeciesConcFloat[4] = 1;
                else
                    bAlgebraicConcentrations = 0;
            }
            if (bAlgebraicConcentrations)
                for (int k = 1; k <= 4; ++k)
                    if (pSpeciesIncluded[k]) pSpeciesConcFloat[k] = 0;
        } else {
            bAlgebraicConcentrations = 0;
        }
    }

    if (bModelNonidealSingle || bModelNonidealMultiple) bAlgebraicConcentrations = 0;

    if (selfAssociationModel()) {
        bAlgebraicConcentrations = 0;
        if (bExperimentalInitialDistribution) {
            pSpeciesConc[3] = 1;
            pSpeciesConcFloat[3] = 0;
            fSATotalConc = 1;
        }
        if (bModelMonomerDimer || bModelMonomerTrimer) {
            float fOligomer = 0;
            if (deriveOligomerMorD(bModelMonomerDimer ? 2 : 3, pSpeciesMw[1], pSpeciesS[1], pSpeciesS[2],
                                   &fOligomer))
                pSpeciesMw[2] = fOligomer;
        } else {
            const int n1 = bModelSelfAssoc124 ? 2 : 4;
            pSpeciesMw[2] = n1 * pSpeciesMw[1];
            pSpeciesConc[4] = 2 * n1 * pSpeciesMw[1];
        }
    }

    if (bModelHeteroAssociation || bModelContinuous) bAlgebraicConcentrations = 0;
}

// ---------------------------------------------------------------- M and s, or D and s

void TXLAWindow::CmFitMAndS()
{
    paramVectorToGlobals();
    bUseMolarMass = bUseMolarMass ? 0 : 1;
    if (win::HMENU m = GetMenu())
        win::CheckMenuItem(m, 217, win::MF_BYCOMMAND | (bUseMolarMass ? win::MF_CHECKED : win::MF_UNCHECKED));
    // R T in erg/mol: from the data's temperature, or at 20 C without data.
    float fRTNow = fRT;
    if (nScans < 1) {
        fRTNow = (20.0f + kZeroCelsiusF) * kGasConstantSIF * 1e7f;
        win::MessageBox(HWindow, "assuming t = 20 'C", "", win::MB_OK);
    }
    // The Svedberg relation turns M into D and D into M alike:
    // x_new = |s| 1e-6 R T / ((1 - vbar rho) x_old).
    for (int k = 1; k <= nSpecies; ++k) {
        const float fOld = pSpeciesMw[k];
        pSpeciesMw[k] = fOld > 0 ? std::fabs(pSpeciesS[k]) * 1e-6f * fRTNow / ((1.0f - fVbarRho) * fOld) : 0.0f;
    }
    globalsToParamVector();
}
