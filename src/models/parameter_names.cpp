// The meaning of the fit-parameter vector's entries in the model chosen now.
// The views here follow the copy routines of the vector (param_vector.cpp):
// a slot a view reads is named for the value it becomes, and its fit flag
// counts only where the view reads it as one.
#include "models/parameter_names.h"

#include "analyses/analysis_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "models/model_globals.h"

namespace {

const char* const kBaseNames[35] = {
    "",          "M1",           "M2",           "M3",           "M4",
    "s1",        "s2",           "s3",           "s4",           "c1",
    "c2",        "c3",           "c4",           "meniscus",     "bottom",
    "baseline",  "extra1",       "extra2",       "extra3",       "extra4",
    "const20",   "const21",      "const22",      "lamellaWidth", "startTime",
    "synthBoundaryPos", "overlayFrac1", "nonidealConc2", "nonidealS2", "nonidealD2",
    "overlayFrac2", "nonidealConc3", "nonidealS3", "nonidealD3", "overlayFrac3"};

struct Names {
    const char* name[35];
    bool flag[35];
    void set(int k, const char* sz, bool bFlag)
    {
        name[k] = sz;
        flag[k] = bFlag;
    }
};

// The views of the interacting models and of a non-ideal first species.
void interactingViews(Names* n)
{
    const bool bM = bUseMolarMass != 0;
    if (bSpecies1Nonideal || bModelNonidealCS) {
        n->set(20, "ks", true);
        n->set(21, "kd", true);
    }
    if (bModelHeteroAssociation || bEquilibriumHeteroAssoc) {
        n->set(9, "loadingA", true);
        n->set(10, "loadingB", true);
        n->set(1, bM ? "MA" : "DA", true);
        n->set(2, bM ? "MB" : "DB", true);
        n->set(4, "signalCoefA", true);
        n->set(12, "signalCoefB", true);
        n->set(5, "sA", true);
        n->set(6, "sB", true);
        n->set(7, "sAB", true);
        n->set(8, "log10K", true);
        // from the loading equilibrium
        n->set(11, "complexLoading", false);
        n->set(3, bM ? "MAB" : "DAB", false);
    }
    if (bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc124 || bModelSelfAssoc148) {
        n->set(1, bM ? "monomerM" : "monomerD", true);
        n->set(3, "log10Ka", true);
        n->set(5, "monomerS", true);
        n->set(6, "oligomerS", true);
        n->set(11, "totalLoading", true);
        // from the monomer
        n->set(2, bM ? "oligomerM" : "oligomerD", false);
        if (bModelSelfAssoc124 || bModelSelfAssoc148) {
            n->set(7, "log10Ka2", true);
            n->set(8, "oligomerS2", true);
            n->set(12, bM ? "oligomerM2" : "oligomerD2", false);
        }
    } else if (bModelNonidealSingle || bModelNonidealMultiple) {
        n->set(9, "totalLoading", true);
        n->set(5, "s0", true);
        n->set(10, "ks", true);
        n->set(1, bM ? "M" : "D", true);
        n->set(11, "kd", true);
    }
}

// The continuous models and the area-fraction extrapolation: species rows
// that no view reads mean nothing there.
void continuousViews(Names* n)
{
    for (int k = 1; k <= 12; ++k) n->set(k, "unused", false);
    const bool bS = isSTypeModel();
    n->set(1, bS ? "sMin" : "MMin", false);
    n->set(5, bS ? "sMax" : "MMax", false);
    n->set(9, "resolution", false);
    n->set(2, "confidenceLevel", false);
    if (bExtrapolateAreaFractions) {
        n->set(11, "boundaryFractions", false);
        n->set(3, "scansPerSet", false);
        return;
    }
    // fit flags 3 and 4 carry the s grid from file and the log grid
    n->set(3, "vbar", false);
    n->set(7, "bufferDensity", false);
    n->set(12, "viscosity", false);
    n->set(4, "hydration", false);
    n->set(11, "frictionalRatio", true);
    if (bModelCSFixFf0FloatingVbar) {
        n->set(3, "frictionalRatio", false);
        n->set(11, "vbar", true);
    } else if (bModelCSScalingLaw || bModelFMScalingLaw) {
        n->set(11, "scalingKs", true);
        n->set(18, "scalingBs", false);
    } else if (bModelCSWormlikeChain) {
        n->set(11, "wormPersistenceLength", true);
        n->set(10, "wormCrossSection", false);
        n->set(6, "wormMonomerM", false);
        n->set(8, "wormHydration", false);
    }
    if (bModelElectrophoresisCV) n->set(3, "constantD", true);
    if (bModelCSConformationalChange) {
        n->set(10, "confChangeM", false);
        n->set(6, "confChangeSMin", false);
        n->set(8, "confChangeSMax", false);
    }
    if (bModelCSFf0 || bModelCSFf0OneDiscrete) {
        n->set(10, "ff0Min", false);
        n->set(6, "ff0Max", false);
        n->set(8, "ff0Resolution", false);
    }
    if (bModelCSBimodalFf0 || bModelCSBimodalFf0OneDiscrete || bModelCSFlotation) {
        n->set(10, "bimodalFf0Second", false);
        n->set(6, "bimodalSMin", true);
        n->set(8, "bimodalSMax", false);
    }
    if (bModelCSFf0OneDiscrete || bModelCSBimodalFf0OneDiscrete) {
        n->set(16, "discreteM", true);
        n->set(17, "discreteS", true);
    }
    if (bModelCSOneDiscreteD) {
        n->set(10, "discreteD", true);
        n->set(6, "discreteS", true);
    }
    if (bModelCSWithMsTable || bModelCSOneDiscreteM || bModelNonidealCS || bModelLsgsOneDiscrete ||
        (bModelHybridCSLsgs && bHybridWithDiscrete)) {
        n->set(10, "discreteM", true);
        n->set(6, "discreteS", true);
    }
    if (bModelCSInvariantD) n->set(11, "invariantD", true);
    if (bModelCSLinearRods) n->set(11, "rodParameter", false);
    if (bModelDlsRhTime) n->set(11, "timeCourseWindow", false);
}

}  // namespace

const char* baseParameterName(int k)
{
    return k >= 1 && k <= 34 ? kBaseNames[k] : "";
}

ParameterMeaning parameterMeaning(int k)
{
    if (k < 1 || k > 34) return {"", false};
    Names n;
    for (int i = 0; i <= 34; ++i) n.set(i, kBaseNames[i], true);
    interactingViews(&n);
    if (bModelContinuous || bExtrapolateAreaFractions) continuousViews(&n);
    return {n.name[k], n.flag[k]};
}
