// The names of the fit-parameter vector's entries (the unattended run's
// results carry them): under each model the entry named for a value holds
// what the model's view of the vector reads as that value, and where its fit
// flag counts, that flag is the one the view reads for the value.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/regularization.h"
#include "fegrid/hetero_assoc.h"
#include "models/model_globals.h"
#include "models/parameter_names.h"

namespace {

// The values the views read, by the names the entries carry.
std::map<std::string, float*> valuesByName()
{
    return {{"monomerM", &fSAMonomerMorD}, {"monomerD", &fSAMonomerMorD}, {"M", &fSAMonomerMorD},
            {"D", &fSAMonomerMorD},        {"monomerS", &fSAMonomerS},     {"s0", &fSAMonomerS},
            {"oligomerS", &fSAOligomerS},  {"log10Ka", &fSALog10Ka},       {"totalLoading", &fSATotalConc},
            {"log10Ka2", &fSALog10Ka2},    {"oligomerS2", &fSAOligomerS2},
            {"ks", &fNonidealKs},          {"kd", &fNonidealKd},           {"sMin", &fSMin},
            {"sMax", &fSMax},              {"confidenceLevel", &fConfidenceLevel},
            {"frictionalRatio", &fFrictionalRatio}, {"hydration", &fHydration},
            {"discreteM", &fDiscreteCompM}, {"discreteD", &fDiscreteCompD}, {"discreteS", &fDiscreteCompS},
            {"invariantD", &fCSInvariantD}, {"bimodalFf0Second", &fBimodalFf0Second},
            {"bimodalSMin", &fBimodalSMin}, {"bimodalSMax", &fBimodalSMax},
            {"wormPersistenceLength", &fWormPersistenceLength}, {"wormCrossSection", &fWormCrossSection},
            {"scalingKs", &fScalingKs},     {"scalingBs", &fScalingBs},    {"constantD", &fCVConstantD},
            {"const20", &fModelConst20},   {"const21", &fModelConst21},   {"const22", &fModelConst22},
            {"baseline", &fBaseline},
            {"confChangeM", &fConfChangeM}, {"confChangeSMin", &fConfChangeSMin}, {"confChangeSMax", &fConfChangeSMax},
            {"loadingA", &fLoadingA},      {"loadingB", &fLoadingB},      {"MA", &fDiffA}, {"DA", &fDiffA},
            {"MB", &fDiffB},               {"DB", &fDiffB},               {"signalCoefA", &fSignalCoefA},
            {"signalCoefB", &fSignalCoefB}, {"sA", &fSedA},               {"sB", &fSedB},
            {"sAB", &fSedAB},              {"log10K", &fLogAssocK}};
}

// The fit flags the views read, by the same names.
std::map<std::string, int*> fitFlagsByName()
{
    return {{"monomerD", &nFitSAMonomerMorD}, {"D", &nFitSAMonomerMorD}, {"monomerS", &nFitSAMonomerS},
            {"s0", &nFitSAMonomerS}, {"oligomerS", &nFitSAOligomerS}, {"log10Ka", &nFitSALog10Ka},
            {"totalLoading", &nFitSATotalConc}, {"log10Ka2", &nFitSALog10Ka2}, {"oligomerS2", &nFitSAOligomerS2},
            {"ks", &nFitNonidealKs}, {"frictionalRatio", &nFitFrictionalRatio},
            {"discreteM", &nFitDiscreteCompMorD}, {"discreteD", &nFitDiscreteCompMorD}, {"discreteS", &nFitDiscreteCompS},
            {"invariantD", &nFitCSInvariantD}, {"bimodalSMin", &nFitBimodalSMin},
            {"wormPersistenceLength", &nFitWormPersistenceLength}, {"scalingKs", &nFitScalingKs},
            {"constantD", &nFitCVConstantD}, {"const20", &nFitModelConst20}, {"const21", &nFitModelConst21},
            {"const22", &nFitModelConst22}, {"baseline", &bFitBaseline}};
}

struct Model {
    const char* szName;
    std::vector<unsigned char*> flags;
    std::vector<std::string> names;  // each must be found
};

const std::vector<Model>& models()
{
    static const std::vector<Model> v = {
        {"discrete species", {&bModelDiscreteSpecies}, {"const20", "const21", "const22", "baseline"}},
        {"monomer-dimer", {&bModelMonomerDimer}, {"monomerD", "monomerS", "oligomerS", "log10Ka", "totalLoading"}},
        {"monomer-dimer-tetramer", {&bModelSelfAssoc124}, {"monomerD", "log10Ka", "log10Ka2", "oligomerS2"}},
        {"monomer-tetramer-octamer", {&bModelSelfAssoc148}, {"monomerD", "log10Ka", "log10Ka2", "oligomerS2"}},
        {"non-ideal species", {&bModelNonidealSingle}, {"D", "s0", "ks", "kd", "totalLoading"}},
        {"c(s) with a discrete M", {&bModelContinuous, &bModelCSOneDiscreteM},
         {"sMin", "sMax", "confidenceLevel", "frictionalRatio", "discreteM", "discreteS"}},
        {"c(s) with a discrete D", {&bModelContinuous, &bModelCSOneDiscreteD}, {"discreteD", "discreteS"}},
        {"non-ideal c(s)", {&bModelContinuous, &bModelNonidealCS}, {"ks", "kd", "discreteM", "discreteS"}},
        {"ls-g* with a discrete species", {&bModelContinuous, &bModelLsgsOneDiscrete}, {"discreteM", "discreteS"}},
        {"c(s) with invariant D", {&bModelContinuous, &bModelCSInvariantD}, {"invariantD", "hydration"}},
        {"bimodal f/f0", {&bModelContinuous, &bModelCSBimodalFf0}, {"bimodalFf0Second", "bimodalSMin", "bimodalSMax"}},
        // their discrete component in slots 16 and 17 (docs/models.md, the view table)
        {"c(s,f/f0) with a discrete species", {&bModelContinuous, &bModelCSFf0OneDiscrete}, {"discreteM", "discreteS"}},
        {"bimodal f/f0 with a discrete species", {&bModelContinuous, &bModelCSBimodalFf0OneDiscrete},
         {"discreteM", "discreteS"}},
        {"wormlike chain", {&bModelContinuous, &bModelCSWormlikeChain}, {"wormPersistenceLength", "wormCrossSection"}},
        {"scaling law", {&bModelContinuous, &bModelCSScalingLaw}, {"scalingKs", "scalingBs"}},
        {"electrophoresis c(v)", {&bModelContinuous, &bModelElectrophoresisCV}, {"constantD"}},
        {"conformational change", {&bModelContinuous, &bModelCSConformationalChange},
         {"confChangeM", "confChangeSMin", "confChangeSMax"}},
        {"A + B <-> AB", {&bModelHeteroAssociation},
         {"loadingA", "loadingB", "signalCoefA", "signalCoefB", "sA", "sB", "sAB", "log10K"}},
    };
    return v;
}

}  // namespace

TEST(ParameterNames, EachNameStandsWhereTheViewReadsItsValue)
{
    const std::map<std::string, float*> byName = valuesByName();
    for (const Model& m : models()) {
        for (unsigned char* b : m.flags) *b = 1;
        for (int k = 1; k <= 34; ++k) {
            pParamValue[k] = 100.0f + k;
            pParamFloat[k] = 0;
        }
        paramVectorToGlobals();
        std::vector<std::string> found;
        for (int k = 1; k <= 34; ++k) {
            const std::string name = parameterMeaning(k).szName;
            const auto it = byName.find(name);
            if (it == byName.end()) continue;
            EXPECT_EQ(*it->second, 100.0f + k) << m.szName << ": entry " << k << " named " << name;
            found.push_back(name);
        }
        for (const std::string& name : m.names)
            EXPECT_TRUE(std::find(found.begin(), found.end(), name) != found.end()) << m.szName << ": no entry " << name;
        for (unsigned char* b : m.flags) *b = 0;
    }
    // the area-fraction extrapolation reads two whole numbers: the boundary
    // fractions (at most the grid's resolution, here 200) and the scans per set
    bExtrapolateAreaFractions = 1;
    for (int k = 1; k <= 34; ++k) pParamValue[k] = 100.0f + k;
    pParamValue[9] = 200.0f;
    paramVectorToGlobals();
    std::map<std::string, int> entries;
    for (int k = 1; k <= 34; ++k) entries[parameterMeaning(k).szName] = k;
    EXPECT_EQ(100 + entries["boundaryFractions"], nBoundaryFractions);
    EXPECT_EQ(100 + entries["scansPerSet"], nScansPerLsgSet);
    bExtrapolateAreaFractions = 0;
}

// An entry whose fit flag floats its value gives the view's fit flag of that
// value, and only that entry does.
TEST(ParameterNames, EachFittedEntryFloatsTheValueItNames)
{
    const std::map<std::string, int*> byName = fitFlagsByName();
    for (const Model& m : models()) {
        for (unsigned char* b : m.flags) *b = 1;
        for (int k = 1; k <= 34; ++k) pParamValue[k] = 100.0f + k;
        for (int k = 1; k <= 34; ++k) {
            const ParameterMeaning meaning = parameterMeaning(k);
            const auto it = byName.find(meaning.szName);
            if (!meaning.bFitFlag || it == byName.end()) continue;
            for (int bOn : {1, 0}) {
                for (int i = 1; i <= 34; ++i) pParamFloat[i] = i == k ? bOn : 1 - bOn;
                paramVectorToGlobals();
                EXPECT_EQ(*it->second, bOn) << m.szName << ": entry " << k << " named " << meaning.szName;
            }
        }
        for (unsigned char* b : m.flags) *b = 0;
    }
}
