// The packed vector of a continuous fit: the fluorescence and partial
// boundary corrections written back within the ranges that keep the model
// meaningful.
#include <gtest/gtest.h>

#include "app/app_globals.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "fitting/fit_globals.h"
#include "fitting/marquardt.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "tools/fluorescence/fluorescence_options.h"

namespace {

// Nothing floated, no frictional ratio fitted, a cell from 6.0 to 7.2 cm:
// each test then floats only the entries it packs.
void floatNothing()
{
    for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
    nFitFrictionalRatio = 0;
    fMeniscus = pParamValue[13] = 6.0f;
    fBottom = pParamValue[14] = 7.2f;
}

}  // namespace

// Cone radius in [0.01, 1] cm, radial magnification in [0.5, 2], bleaching
// rate, its limit and the amplitude not below 0, the two Johnston-Ogston
// values 0.01 for a negative trial; inside the ranges a trial is taken as
// it is, and packed again unchanged.
TEST(ContiVectorBounds, FluorescenceAndJohnstonOgstonEntries)
{
    bModelContinuous = bModelCS = 1;
    floatNothing();
    bFloExcitationCone = bFloExcitationConeFloat = 1;
    bFloMagnificationDrift = bFloBleaching = bFloKBleachFloat = bFloAlimFloat = 1;
    bFloRadialMagnification = bFloRadialMagFactorFloat = 1;
    bJohnstonOgston = bFitJOSValue = bFitJODValue = bFitJOAmplitude = 1;
    ASSERT_EQ(getContiParameters(0, nullptr), 7);

    // in packing order: cone, bleaching rate, its limit, magnification, s, D
    // and amplitude of the Johnston-Ogston correction
    float high[8] = {0, 1.5f, -1.0f, -2.0f, 3.0f, -1.0f, -0.5f, -4.0f};
    setContiParameters(high);
    EXPECT_EQ(fFloExcitationCone, 1.0f);
    EXPECT_EQ(fFloKBleach, 0.0f);
    EXPECT_EQ(fFloAlim, 0.0f);
    EXPECT_EQ(fFloRadialMagFactor, 2.0f);
    EXPECT_EQ(fJOs, 0.01f);
    EXPECT_EQ(fJOD, 0.01f);
    EXPECT_EQ(fJOAmp, 0.0f);

    float low[8] = {0, 0.001f, 0.0f, 0.0f, 0.1f, 0.0f, 0.0f, 0.0f};
    setContiParameters(low);
    EXPECT_EQ(fFloExcitationCone, 0.01f);
    EXPECT_EQ(fFloRadialMagFactor, 0.5f);

    float inside[8] = {0, 0.99f, 0.2f, 0.7f, 1.9f, 3.5f, 2e-7f, 0.8f};
    setContiParameters(inside);
    EXPECT_EQ(fFloExcitationCone, 0.99f);
    EXPECT_EQ(fFloKBleach, 0.2f);
    EXPECT_EQ(fFloAlim, 0.7f);
    EXPECT_EQ(fFloRadialMagFactor, 1.9f);
    EXPECT_EQ(fJOs, 3.5f);
    EXPECT_EQ(fJOD, 2e-7f);
    EXPECT_EQ(fJOAmp, 0.8f);
    float packed[8] = {};
    ASSERT_EQ(getContiParameters(7, packed), 7);
    for (int j = 1; j <= 7; j++) EXPECT_EQ(packed[j], inside[j]) << j;
}

// The scaling law's Ks and bs pack and unpack at least 1e-8 and 0.001; a
// value just above its bound is taken as it is both ways.
TEST(ContiVectorBounds, ScalingLawKsAndBs)
{
    bModelContinuous = bModelCSScalingLaw = 1;
    floatNothing();
    nFitScalingKs = 1;
    pParamFloat[18] = 1;
    ASSERT_EQ(getContiParameters(0, nullptr), 2);

    float packed[3] = {};
    const float ksBelow[] = {5e-9f, 0.0f, -0.02f};
    for (float ks : ksBelow) {
        fScalingKs = ks;
        fScalingBs = 0.0005f;
        ASSERT_EQ(getContiParameters(2, packed), 2);
        EXPECT_EQ(packed[1], 1e-8f) << ks;
        EXPECT_EQ(fScalingKs, 1e-8f) << ks;
        EXPECT_EQ(packed[2], 0.001f);
        EXPECT_EQ(fScalingBs, 0.001f);
    }
    const float ksAbove[] = {1.02e-8f, 1.05e-8f, 1.09e-8f, 0.0123f};
    for (float ks : ksAbove) {
        fScalingKs = ks;
        fScalingBs = 0.00105f;
        ASSERT_EQ(getContiParameters(2, packed), 2);
        EXPECT_EQ(packed[1], ks) << ks;
        EXPECT_EQ(fScalingKs, ks) << ks;
        EXPECT_EQ(packed[2], 0.00105f);
    }

    float trial[3] = {0, 5e-9f, -0.3f};
    setContiParameters(trial);
    EXPECT_EQ(fScalingKs, 1e-8f);
    EXPECT_EQ(pParamValue[11], 1e-8f);
    EXPECT_EQ(fScalingBs, 0.001f);
    EXPECT_EQ(pParamValue[18], 0.001f);
    float inside[3] = {0, 1.05e-8f, 0.00105f};
    setContiParameters(inside);
    EXPECT_EQ(fScalingKs, 1.05e-8f);
    EXPECT_EQ(pParamValue[11], 1.05e-8f);
    EXPECT_EQ(fScalingBs, 0.00105f);
    EXPECT_EQ(pParamValue[18], 0.00105f);
    ASSERT_EQ(getContiParameters(2, packed), 2);
    EXPECT_EQ(packed[1], inside[1]);
    EXPECT_EQ(packed[2], inside[2]);
}

// The floating vbar of the fixed f/f0 model and the worm-like chain's
// persistence length are at least 0.1 both ways; a value just above the
// bound is taken as it is, and the vbar's buoyancy term follows the vbar.
TEST(ContiVectorBounds, FloatingVbarAndPersistenceLength)
{
    floatNothing();
    fBufferDensity = 1.02f;
    bModelContinuous = 1;
    for (int m = 0; m < 2; m++) {
        bModelCSFixFf0FloatingVbar = nFitVbar = (m == 0);
        bModelCSWormlikeChain = nFitWormPersistenceLength = (m == 1);
        float& value = m == 0 ? VBAR : fWormPersistenceLength;
        SCOPED_TRACE(m == 0 ? "vbar" : "persistence length");
        ASSERT_EQ(getContiParameters(0, nullptr), 1);
        float packed[2] = {};
        value = 0.05f;
        ASSERT_EQ(getContiParameters(1, packed), 1);
        EXPECT_EQ(packed[1], 0.1f);
        EXPECT_EQ(value, 0.1f);
        for (float v : {-0.3f, 0.0f, 0.1f, 0.103f, 0.108f, 0.73f}) {
            float trial[2] = {0, v};
            setContiParameters(trial);
            const float expected = v < 0.1f ? 0.1f : v;
            EXPECT_EQ(value, expected) << v;
            EXPECT_EQ(pParamValue[11], expected) << v;
            if (m == 0) {
                EXPECT_FLOAT_EQ(fVbarRho, expected * 1.02f) << v;
            }
            ASSERT_EQ(getContiParameters(1, packed), 1);
            EXPECT_EQ(packed[1], expected) << v;
        }
    }
}

// A correction of the signal adds its value to the fit only while the
// correction is switched on and its own float flag is set: the flag left
// set with the correction off (the box "fit power coefficient?" answered
// Yes, then nonlinear detection switched off) adds nothing, and c(s) with
// no other floated entry packs nothing but it.
TEST(ContiVectorBounds, ACorrectionFloatsOnlyWhileSwitchedOn)
{
    bModelContinuous = bModelCS = 1;
    floatNothing();
    struct Correction {
        const char* szName;
        unsigned char* pSwitch;
        unsigned char* pFloat;
    };
    const Correction corrections[] = {
        {"nonlinear detection", &bNonlinearDetection, &bFitDetectionPower},
        {"excitation cone", &bFloExcitationCone, &bFloExcitationConeFloat},
        {"radial convolution", &bFloConvolution, &bFloConvolutionFloat},
        {"radial magnification", &bFloRadialMagnification, &bFloRadialMagFactorFloat},
        {"Johnston-Ogston amplitude", &bJohnstonOgston, &bFitJOAmplitude},
    };
    for (const Correction& c : corrections) {
        for (int nSwitches = 0; nSwitches < 4; ++nSwitches) {
            *c.pSwitch = nSwitches & 1;
            *c.pFloat = (nSwitches >> 1) & 1;
            EXPECT_EQ(getContiParameters(0, nullptr), nSwitches == 3 ? 1 : 0) << c.szName << ", " << nSwitches;
        }
        *c.pSwitch = *c.pFloat = 0;
    }
}

// The finite differences of Marquardt-Levenberg move a frictional ratio by a
// tenth of a per cent, and one that starts at 0 (it keeps the scale 0 and
// its model units) to 0.001: in the bimodal model both ratios, each in turn
// started at 0, come to the model at those trial values.
TEST(ContiVectorBounds, FrictionalRatioTrialsOfTheDerivatives)
{
    bModelContinuous = bModelCSBimodalFf0 = 1;
    floatNothing();
    nFitFrictionalRatio = 1;
    pParamFloat[10] = 1;
    fBimodalSMin = 2.0f;
    fBimodalSMax = 5.0f;
    ASSERT_EQ(getContiParameters(0, nullptr), 2);
    pMLRelStep = dvector(1, 2);
    pMLAbsStep = dvector(1, 2);
    pMLStepValue = dvector(1, 2);
    pMLParamScale = vector(1, 2);
    const float starts[2][2] = {{1.25f, 0.0f}, {0.0f, 1.8f}};
    for (const auto& start : starts) {
        SCOPED_TRACE(start[0] == 0.0f ? "first ratio at 0" : "second ratio at 0");
        fFrictionalRatio = start[0];
        fBimodalFf0Second = start[1];
        float v[3] = {};
        ASSERT_EQ(getContiParameters(2, v), 2);
        ASSERT_EQ(contiSetParameterSteps(), 2);
        scaleStartVector(v, 2);
        const double a[3] = {0, v[1], v[2]};
        unscaleParameters(2, a);
        for (int i = 1; i <= 2; i++) {
            float trial[3] = {0, v[1], v[2]};
            trial[i] = static_cast<float>(pMLStepValue[i]);
            scaleParameters(trial, 2);
            setContiParameters(trial);
            const float expected = start[i - 1] == 0.0f ? 0.001f : start[i - 1] * 1.001f;
            EXPECT_FLOAT_EQ(i == 1 ? fFrictionalRatio : fBimodalFf0Second, expected) << i;
            // the other ratio stays at its start
            EXPECT_EQ(i == 1 ? fBimodalFf0Second : fFrictionalRatio, start[2 - i]) << i;
        }
    }
    free_dvector(pMLRelStep, 1, 2);
    free_dvector(pMLAbsStep, 1, 2);
    free_dvector(pMLStepValue, 1, 2);
    free_vector(pMLParamScale, 1, 2);
    pMLRelStep = pMLAbsStep = pMLStepValue = nullptr;
    pMLParamScale = nullptr;
}
