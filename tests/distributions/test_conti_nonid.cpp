// The non-ideal c(s) with a mean field: it reduces to the ideal c(s) without
// non-ideality, it finds the true s of a concentrated species whose ideal
// c(s) is shifted, and its mean field is the sample's total concentration;
// the passes it runs, the states of the field (freeze, changed data, new
// data, an extra discrete species), the field from the data and its mapping
// onto a moved cell; the refusals and the external field's checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_nonid_fixture.h"
#include "distributions/conti_run.h"
#include "distributions/ctot_movie.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

double totalOfDistribution()
{
    double sum = 0;
    for (int i = 1; i < nResolution; i++)
        sum += 0.5 * (pDistValues[i] + pDistValues[i + 1]) * (pDistAxisS[i + 1] - pDistAxisS[i]);
    return sum;
}

// The frame times the object uses for a last scan at t (0, 20, ..., 180, then
// 200, 300, ... up to the first not below t).
std::vector<double> frameTimesFor(double t)
{
    std::vector<double> v;
    float x = 0;
    for (int i = 0; i < 10; i++, x += 20) v.push_back(x);
    for (x = 200; x < t; x += 100) v.push_back(x);
    v.push_back(x);
    return v;
}

// The mean field frame i (1-based) at radius r, linear between its points.
double fieldAt(const CContiNonid& c, int i, double r)
{
    const float* x = c.pMeanFieldRadii;
    const float* y = c.ppMeanFieldFrames[i];
    const int n = c.nMeanFieldPoints + 2;
    for (int j = 1; j < n; j++)
        if (r <= x[j + 1]) return y[j] + (y[j + 1] - y[j]) * (r - x[j]) / (x[j + 1] - x[j]);
    return y[n];
}

std::vector<float> meanFieldCopy()
{
    const CContiNonid& c = *pContiNonid;
    std::vector<float> v;
    for (int i = 1; i <= c.nFieldFrames; i++) v.insert(v.end(), c.ppMeanFieldFrames[i] + 1, c.ppMeanFieldFrames[i] + c.nMeanFieldPoints + 3);
    return v;
}

}  // namespace

// With ks and kd at 0 (log10 -30) the mean field does not matter: the
// non-ideal c(s) reports the ideal c(s) of the same data, its loading and its
// rmsd (the two differ only as much as their Lamm solutions do: the non-ideal
// solver's plain grid of 500 points against the ideal solver's own grid).
TEST_F(ContiNonidTest, WithoutNonIdealityItIsTheIdealCs)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.noise = 0.005;
    LoadSpecies(sp);
    headless::Script script;
    ChooseContinuous(&bModelCS, 1.0f, 10.0f, 46, 1.3f, 0.68f);
    RunContiSed(window.get());
    const std::vector<float> ideal(pDistValues + 1, pDistValues + 1 + nResolution);
    const double rmsdIdeal = calcRmsd(), totalIdeal = totalOfDistribution(), meanIdeal = MeanS();
    ASSERT_NEAR(totalIdeal, 0.8, 0.01);

    bModelCS = 0;
    for (int nMode : {0, 1}) {  // "best fit", "interpol. data"
        ChooseNonidealCs(1.0f, 10.0f, 46, 1.3f, 0.68f, -30.0f, -30.0f, 1.0);
        bMeanFieldFromData = nMode == 1;
        RunContiSed(window.get());
        EXPECT_EQ(script.pending(), 0u);
        ASSERT_EQ(nResolution, 46);
        EXPECT_NEAR(totalOfDistribution(), totalIdeal, 1e-4 * 0.8) << nMode;
        EXPECT_NEAR(calcRmsd(), rmsdIdeal, 0.005 * rmsdIdeal) << nMode;
        EXPECT_NEAR(MeanS(), meanIdeal, 0.002) << nMode;
        float fPeak = 0, fWorst = 0;
        for (int i = 1; i <= nResolution; i++) {
            fPeak = std::max(fPeak, ideal[i - 1]);
            fWorst = std::max(fWorst, std::fabs(pDistValues[i] - ideal[i - 1]));
        }
        EXPECT_LT(fWorst, 0.05f * fPeak) << nMode;
    }
}

// A concentrated species (4 S, f/f0 1.3, 5 mg/ml, ks 0.02 ml/mg, kd 0.005
// ml/mg) simulated by the non-ideal solver: its ideal c(s) peaks too low;
// the non-ideal c(s) in "best fit" mode with the true ks and kd finds 4.0 S,
// runs a data pass and a mean-field pass the first time and one list after,
// and its mean field is the total concentration of the simulation.
TEST_F(ContiNonidTest, ConcentratedSpeciesComesOutAtItsTrueS)
{
    NonidealScans sp;
    sp.noise = 0.005;
    const double tLast = sp.t0 + sp.dt * (sp.nScans - 1);
    sp.frameTimes = frameTimesFor(tLast);
    for (int j = 0; j < 100; j++) sp.frameRadii.push_back(static_cast<float>(6.0 + 1.2 * j / 99));
    LoadNonideal(sp);
    headless::Script script;
    ChooseContinuous(&bModelCS, 2.0f, 6.0f, 41, 1.3f, 0.68f);
    RunContiSed(window.get());
    const double meanIdeal = MeanS();
    EXPECT_LT(pDistAxisS[PeakIndex()], 3.85f);
    EXPECT_LT(meanIdeal, 3.85);

    bModelCS = 0;
    ChooseNonidealCsFor(sp, 41);
    const int nLists0 = ListRuns();
    RunContiSed(window.get());
    EXPECT_EQ(ListRuns() - nLists0, 2);  // the data pass, then the mean-field pass
    ASSERT_NE(pContiNonid, nullptr);
    EXPECT_EQ(pContiNonid->nFrames, static_cast<int>(sp.frameTimes.size()));
    RunContiSed(window.get());
    EXPECT_EQ(ListRuns() - nLists0, 3);  // the stored field: one list
    EXPECT_EQ(script.pending(), 0u);

    // a single peak at the true s
    const int k = PeakIndex();
    EXPECT_NEAR(pDistAxisS[k], 4.0, 0.1);
    EXPECT_NEAR(MeanS(), 4.0, 0.1);
    for (int i = 2; i < nResolution; i++) {
        if (i != k && pDistValues[i] >= pDistValues[i - 1] && pDistValues[i] >= pDistValues[i + 1]) {
            EXPECT_LT(pDistValues[i], 0.05f * pDistValues[k]) << "a second peak at " << pDistAxisS[i];
        }
    }
    EXPECT_NEAR(totalOfDistribution(), sp.mgPerMl * sp.signalPerMgMl, 0.01);

    // the field summed from the snapshots is the simulation's ctot(r, t)
    const CContiNonid& c = *pContiNonid;
    ASSERT_EQ(c.nFieldFrames, static_cast<int>(trueFrames.size()));
    ASSERT_EQ(c.nMeanFieldPoints, 100);
    double fWorst = 0;
    for (int i = 1; i <= c.nFieldFrames; i++)
        for (int j = 1; j <= c.nMeanFieldPoints; j++) {
            const float r = c.pMeanFieldRadii[j + 1];
            if (r < fFitLeftLim || r > fFitRightLim) continue;
            fWorst = std::max(fWorst, std::fabs(static_cast<double>(c.ppMeanFieldFrames[i][j + 1]) - trueFrames[i - 1][j - 1]));
        }
    EXPECT_LT(fWorst, 0.02 * sp.mgPerMl * sp.signalPerMgMl);
}

TEST(ContiNonidFrames, FrameTimesReachTheLastScan)
{
    CContiNonid c;
    c.SetupFrameTimes(150.0);
    ASSERT_EQ(c.nFrames, 11);
    for (int i = 1; i <= 10; i++) EXPECT_EQ(c.pFrameTimes[i], 20.0 * (i - 1));
    EXPECT_EQ(c.pFrameTimes[11], 200.0);
    c.SetupFrameTimes(1000.0);
    ASSERT_EQ(c.nFrames, 19);
    EXPECT_EQ(c.pFrameTimes[10], 180.0);
    for (int i = 11; i <= 19; i++) EXPECT_EQ(c.pFrameTimes[i], 200.0 + 100.0 * (i - 11));
    EXPECT_EQ(c.bFrameTimesSet, 1);
}

// "freeze" keeps the field although the chi-square improves; scans whose
// headers changed send the field back to a data pass with a message; new
// scans delete the object, and the next evaluation starts with a data pass
// without that message.
TEST_F(ContiNonidTest, FreezeChangedScansAndNewScans)
{
    NonidealScans sp = EightNoisyScans();
    LoadNonideal(sp);
    headless::Script script;
    ChooseNonidealCsFor(sp);
    RunContiSed(window.get());
    ASSERT_NE(pContiNonid, nullptr);
    ASSERT_EQ(pContiNonid->bMeanFieldDefined, 1);

    // any chi-square improves on this one
    const std::vector<float> before = meanFieldCopy();
    pContiNonid->dBestChi2 = 1e30;
    bMeanFieldFrozen = 1;
    int nLists = ListRuns();
    RunContiSed(window.get());
    EXPECT_EQ(ListRuns() - nLists, 1);
    EXPECT_EQ(meanFieldCopy(), before);
    EXPECT_EQ(pContiNonid->dBestChi2, 1e30);
    bMeanFieldFrozen = 0;
    RunContiSed(window.get());
    EXPECT_NE(meanFieldCopy(), before);
    EXPECT_LT(pContiNonid->dBestChi2, 1e30);
    EXPECT_EQ(script.pending(), 0u);

    // the first scan's header changed
    pScanHeaders[1].time += 1.0;
    script.expectMessageBox("Error", IDOK);
    nLists = ListRuns();
    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_TRUE(transcriptShows(script, "data appear to have changed - switching back to data extrapolation mode"));
    EXPECT_EQ(ListRuns() - nLists, 2);
    pScanHeaders[1].time -= 1.0;

    // other scans: the object goes with the old ones
    sp.nScans = 7;
    LoadNonideal(sp);
    EXPECT_EQ(pContiNonid, nullptr);
    ChooseNonidealCsFor(sp);
    const size_t nLines = script.lines().size();
    nLists = ListRuns();
    RunContiSed(window.get());
    EXPECT_EQ(ListRuns() - nLists, 2);
    for (size_t i = nLines; i < script.lines().size(); i++)
        EXPECT_EQ(script.lines()[i].find("data appear to have changed"), std::string::npos);
}

// An extra discrete species in grid point 1 (a small molecule beside the
// protein) does not add to the field: the field is the protein's own total
// concentration, not the total signal.
TEST_F(ContiNonidTest, ExtraDiscreteSpeciesStaysOutOfTheField)
{
    NonidealScans sp;
    sp.noise = 0.003;
    sp.nScans = 8;
    sp.extraLoading = 0.3;
    sp.extraD = DFromSM(0.34f, 350.0f, 20.0f);
    sp.frameTimes = frameTimesFor(sp.t0 + sp.dt * (sp.nScans - 1));
    for (int j = 0; j < 100; j++) sp.frameRadii.push_back(static_cast<float>(6.0 + 1.2 * j / 99));
    LoadNonideal(sp);
    headless::Script script;
    ChooseNonidealCsFor(sp);
    bNonidealDiscreteFirst = 1;
    RunContiSed(window.get());
    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NEAR(pDistValues[1], 0.3, 0.03);  // the discrete species has its loading
    const CContiNonid& c = *pContiNonid;
    ASSERT_EQ(c.nFieldFrames, static_cast<int>(trueFrames.size()));
    for (int i : {12, c.nFieldFrames})
        for (int j : {30, 60}) {
            const double r = sp.frameRadii[j - 1];
            EXPECT_NEAR(fieldAt(c, i, r), trueFrames[i - 1][j - 1], 0.02) << "frame " << i << ", r = " << r;
        }
}

// The field from the data: levels the first scan puts at the meniscus stay
// there for every early time, levels never reached early go to the bottom,
// every time has its radii in the cell, at the first scan's own time close to
// that scan's, and a single scan gives its own radii to the later times.
TEST_F(ContiNonidTest, FieldFromTheData)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.baseline = 0.2;  // a level below it is crossed at the meniscus
    // scans from 600 to 2400 s: the time t_25 = 25 x 2400 / 100 is the first
    // scan's 600 s exactly
    sp.nScans = 7;
    LoadSpecies(sp);
    headless::Script script;
    ChooseFieldFromData();
    ASSERT_NE(pContiNonid, nullptr);
    const CContiNonid& c = *pContiNonid;
    ASSERT_EQ(c.nLevels, 100);
    EXPECT_EQ(c.bNeedsDataPass, 1);
    EXPECT_EQ(c.bMeanFieldReady, 0);
    const double tFirst = pScanHeaders[pScanTimeOrder[1]].time;
    int nAtMeniscus = 0;
    for (int j = 1; j <= c.nLevels; j++) {
        if (c.ppScanLevelRadii[1][j] != fMeniscus) continue;
        nAtMeniscus++;
        for (int k = 1; k <= c.nExtrapolationTimes && c.pExtrapolationTimes[k] <= tFirst; k++)
            EXPECT_EQ(c.ppTimeLevelRadii[k][j], fMeniscus) << "level " << j << ", time " << k;
    }
    EXPECT_GT(nAtMeniscus, 5);
    ASSERT_EQ(c.pExtrapolationTimes[25], tFirst);
    for (int k = 1; k <= c.nExtrapolationTimes; k++)
        for (int j = 1; j <= c.nLevels; j++) {
            EXPECT_GE(c.ppTimeLevelRadii[k][j], fMeniscus) << "level " << j << ", time " << k;
            EXPECT_LE(c.ppTimeLevelRadii[k][j], fBottom) << "level " << j << ", time " << k;
        }
    // at its own time the first scan's level radii come back: nearer to them
    // than to the next scan's, where both scans have the level in the cell
    int nInCell = 0;
    for (int j = 1; j <= c.nLevels; j++) {
        const double r1 = c.ppScanLevelRadii[1][j], r2 = c.ppScanLevelRadii[2][j];
        if (r1 <= fMeniscus || r2 >= fBottom) continue;
        nInCell++;
        EXPECT_LT(std::fabs(c.ppTimeLevelRadii[25][j] - r1), 0.5 * (r2 - r1)) << "level " << j;
    }
    EXPECT_GT(nInCell, 30);
    // the boundary moves out with time
    const int jMid = c.nLevels / 2;
    EXPECT_GT(c.ppTimeLevelRadii[c.nExtrapolationTimes][jMid], c.ppTimeLevelRadii[10][jMid]);

    // one scan, at a time whose last extrapolation time rounds above it
    double t = 600.0;
    for (int i = 0; i < 100000 && !(c.nExtrapolationTimes * t / c.nExtrapolationTimes > t); i++) t += 0.001;
    ASSERT_GT(c.nExtrapolationTimes * t / c.nExtrapolationTimes, t);
    SpeciesScans one = sp;
    one.nScans = 1;
    LoadSpecies(one);
    pScanHeaders[1].time = t;
    ChooseFieldFromData();
    const CContiNonid& d = *pContiNonid;
    for (int j = 1; j <= d.nLevels; j++)
        EXPECT_EQ(d.ppTimeLevelRadii[d.nExtrapolationTimes][j], d.ppScanLevelRadii[1][j]) << j;
}

// When the meniscus moves (a fit floating it), the field is mapped onto a
// grid from the new meniscus to the bottom, so that every grid point carries
// the field at its own radius; beyond the ends of the cell the field was
// taken in, it is the field at the end.
TEST_F(ContiNonidTest, MappedFieldFollowsTheCell)
{
    NonidealScans sp = EightNoisyScans();
    LoadNonideal(sp);
    headless::Script script;
    ChooseNonidealCsFor(sp);
    RunContiSed(window.get());
    CContiNonid& c = *pContiNonid;
    ASSERT_EQ(c.bMeanFieldFramesBuilt, 1);
    const float fNew = fMeniscus + 0.03f;
    c.MapMeanFieldToGrid(fNew, fBottom, c.nSedGridSize, 0);
    const int n = c.nMappedPoints;
    ASSERT_EQ(n, 500);
    EXPECT_FLOAT_EQ(c.pSedGrid[1], fNew);
    EXPECT_FLOAT_EQ(c.pSedGrid[n], fBottom);
    EXPECT_EQ(c.fMapMeniscus, fNew);
    double fWorst = 0;
    for (int i = 1; i <= c.nFieldFrames; i++)
        for (int j = 1; j <= n; j++) {
            const double r = fNew + (fBottom - fNew) * (j - 1) / (n - 1.0);
            fWorst = std::max(fWorst, std::fabs(c.ppMappedField[i][j] - fieldAt(c, i, r)));
        }
    EXPECT_LT(fWorst, 1e-3);  // a field left 0.03 cm off would be wrong by 0.5 at the boundary

    // at time 0 the field is the loading concentration over the cell (the
    // profile taken at the first step already shows the meniscus and the
    // bottom moving off it, by 4 and 11 %)
    const int nP = c.nMeanFieldPoints;
    const double c0 = sp.mgPerMl * sp.signalPerMgMl;
    ASSERT_EQ(c.FrameTime(1), 0.0);
    for (int j = 3; j <= nP; j++) EXPECT_NEAR(c.ppMeanFieldFrames[1][j], c0, 0.02 * c0) << j;
    EXPECT_NEAR(c.ppMeanFieldFrames[1][2], c0, 0.15 * c0);
    EXPECT_NEAR(c.ppMeanFieldFrames[1][nP + 1], c0, 0.15 * c0);
    // a cell grown at both ends: beyond the old ends the field is what it was
    // at the meniscus and at the bottom
    const float fIn = fMeniscus - 0.03f, fOut = fBottom + 0.03f;
    c.MapMeanFieldToGrid(fIn, fOut, c.nSedGridSize, 0);
    fWorst = 0;
    for (int i = 1; i <= c.nFieldFrames; i++)
        for (int j = 1; j <= n; j++) {
            const double r = fIn + (fOut - fIn) * (j - 1) / (n - 1.0);
            double fExpected = 0;
            if (r <= fMeniscus)
                fExpected = c.ppMeanFieldFrames[i][2];
            else if (r >= fBottom)
                fExpected = c.ppMeanFieldFrames[i][nP + 1];
            else
                continue;
            fWorst = std::max(fWorst, std::fabs(c.ppMappedField[i][j] - fExpected));
        }
    EXPECT_LT(fWorst, 1e-4);
}

TEST_F(ContiNonidTest, RefusalsAndTheExternalFieldsChecks)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.nScans = 6;
    LoadSpecies(sp);
    headless::Script script;
    ChooseNonidealCs(1.0f, 10.0f, 11, 1.3f, 0.68f, -2.0f, -2.0f, 1.0);
    struct Case {
        unsigned char* pbFlag;
        const char* szText;
    } cases[] = {{&bInhomogeneousSolvent, "nonideal c(s) model not implemented yet for inhomogeneous solvent"},
                 {&bBufferMismatch, "nonideal c(s) model not implemented yet with buffer mismatch signals"}};
    for (const Case& k : cases) {
        *k.pbFlag = 1;
        bModelComputed = 0;
        script.expectMessageBox("", IDOK);
        const int nLists = ListRuns();
        RunContiSed(window.get());  // refused: no list, no distribution
        EXPECT_EQ(ListRuns(), nLists);
        EXPECT_EQ(bModelComputed, 0);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_TRUE(transcriptShows(script, k.szText)) << k.szText;
        *k.pbFlag = 0;
    }
    delete pContiNonid;
    pContiNonid = nullptr;
    script.expectMessageBox("", IDOK);
    RunNonidcofsSedList(window.get(), 11, nullptr, nullptr, nullptr);
    EXPECT_TRUE(transcriptShows(script, "error -- no pCContiNonidSim object allocated"));

    // "load external" without a movie: said, and the data's field serves
    bMeanFieldExternal = 1;
    script.expectMessageBox("Error", IDOK);
    checkExternalMeanField();
    EXPECT_TRUE(transcriptShows(script, "use external mean field: not loaded"));
    EXPECT_EQ(pContiNonid->bExternalInUse, 0);
    EXPECT_EQ(bMeanFieldExternal, 1);

    // a movie of another rotor speed: refused, back to the data's field
    createCtotMovie();
    float r[6] = {0, 5.5f, 6.0f, 6.6f, 7.2f, 7.7f};  // 3 points and one beyond each end
    double t[2] = {0, 5000};
    float f[6] = {0, 1, 1, 1, 1, 1};
    float* frames[2] = {nullptr, f};
    pCtotMovie->Set(1, 3, r, t, frames, 6.0f, 7.2f, 1.0f, 49999.0f);
    script.expectMessageBox("Error", IDOK);
    checkExternalMeanField();
    EXPECT_TRUE(transcriptShows(script, "use external mean field: wrong rotor speed"));
    EXPECT_EQ(bMeanFieldExternal, 0);
    EXPECT_EQ(bMeanFieldFromData, 1);
    EXPECT_EQ(pContiNonid->bNeedsDataPass, 1);
    EXPECT_EQ(script.pending(), 0u);
}

// "load external": the movie of a best-fit run serves new scans of the same
// experiment; after a run with radial-invariant noise the computed field
// takes over ("best fit").
TEST_F(ContiNonidTest, ExternalFieldServesAndThenGivesWay)
{
    NonidealScans sp = EightNoisyScans();
    LoadNonideal(sp);
    headless::Script script;
    ChooseNonidealCsFor(sp);
    RunContiSed(window.get());
    ASSERT_TRUE(pContiNonid->StoreInCtotMovie());
    EXPECT_NEAR(pCtotMovie->ppCtot[1][pCtotMovie->nPoints / 2], sp.mgPerMl, 0.05);  // the plateau in mg/ml

    LoadNonideal(sp);
    ChooseNonidealCsFor(sp);
    bMeanFieldExternal = 1;
    bFitRINoise = 1;
    const int nLists = ListRuns();
    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(ListRuns() - nLists, 1);  // no data pass
    EXPECT_NEAR(MeanS(), 4.0, 0.1);
    EXPECT_EQ(bMeanFieldExternal, 0);
    EXPECT_EQ(pContiNonid->bExternalInUse, 0);
    EXPECT_EQ(pContiNonid->bMeanFieldDefined, 1);
}

// A movie of a single frame (a field that stays as it is, here the loading
// concentration, up to the last scan) serves like any other: the run on it
// records the profiles at its one frame time, and the next run ("best fit")
// goes on from there without a new data pass.
TEST_F(ContiNonidTest, MovieOfOneFrameServesAndIsCollected)
{
    NonidealScans sp = EightNoisyScans();
    LoadNonideal(sp);
    headless::Script script;
    ChooseNonidealCsFor(sp);
    ASSERT_TRUE(createCtotMovie());
    const int nP = 20;
    std::vector<float> radii(nP + 3), row(nP + 3, static_cast<float>(sp.mgPerMl));
    for (int j = 1; j <= nP + 2; j++) radii[j] = fMeniscus - 0.5f + (fBottom - fMeniscus + 1.0f) * (j - 1) / (nP + 1);
    const ScanHeader& last = pScanHeaders[pScanTimeOrder[nScans]];
    const double times[2] = {0.0, last.time};
    float* frames[2] = {nullptr, row.data()};
    pCtotMovie->Set(1, nP, radii.data(), times, frames, fMeniscus, fBottom, 1.0f, last.rpm);
    ASSERT_EQ(pCtotMovie->bLoaded, 1);
    bMeanFieldExternal = 1;
    bFitRINoise = 1;  // the run ends the movie's turn
    const int nLists = ListRuns();
    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(ListRuns() - nLists, 1);  // no data pass
    ASSERT_NE(pContiNonid, nullptr);
    EXPECT_EQ(pContiNonid->bSnapshotsStored, 1);
    EXPECT_EQ(pContiNonid->nSnapshotFrames, 1);
    EXPECT_EQ(bMeanFieldExternal, 0);

    RunContiSed(window.get());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(ListRuns() - nLists, 2);  // again one list, on the field it has
}

// With "create debug files" a run on the stored field writes each frame of
// the field, from the first to the last, as "movieframe<i>.ip0" into the
// temporary folder, titled with the frame's time, under a header of the
// loaded scans: absorbance, cell 1, 20 C, 50000 rpm. From a single scan it
// is that scan's header, its time (2000 s) and w^2 t with it.
TEST_F(ContiNonidTest, DebugFilesHoldEveryFrameOfTheField)
{
    NonidealScans eight = EightNoisyScans(), one = EightNoisyScans();
    one.nScans = 1;
    one.t0 = 2000.0;
    one.nPoints = 120;
    auto frameFile = [](int i) { return std::string(szTempDir) + "movieframe" + std::to_string(i) + ".ip0"; };
    for (NonidealScans* sp : {&eight, &one}) {
        LoadNonideal(*sp);
        headless::Script script;
        ChooseNonidealCsFor(*sp, sp == &one ? 8 : 21);
        bNonidDebugFiles = 0;
        RunContiSed(window.get());
        ASSERT_NE(pContiNonid, nullptr);
        ASSERT_EQ(pContiNonid->bMeanFieldDefined, 1);
        ASSERT_EQ(std::string(szTempDir).rfind(work, 0), 0u);  // inside this test's own folder
        for (int i = 1; std::filesystem::remove(frameFile(i)); i++) continue;  // the set before's frames go
        bNonidDebugFiles = 1;
        RunContiSed(window.get());
        const CContiNonid& c = *pContiNonid;
        ASSERT_GT(c.nFieldFrames, 2);
        for (int i = 1; i <= c.nFieldFrames; i++) EXPECT_TRUE(std::filesystem::exists(frameFile(i))) << i;
        EXPECT_FALSE(std::filesystem::exists(frameFile(c.nFieldFrames + 1)));
        const std::string text = readText(frameFile(c.nFieldFrames));
        char szTitle[80];
        std::snprintf(szTitle, sizeof szTitle, "ctotvec t=%.0f", c.FrameTime(c.nFieldFrames));
        EXPECT_NE(text.find(szTitle), std::string::npos);
        const size_t at = text.find('\n');
        ASSERT_NE(at, std::string::npos);
        char cType = 0;
        int nCell = 0;
        float fTemperature = 0, fW2t = 0;
        long nRpm = 0, nTime = 0;
        ASSERT_EQ(std::sscanf(text.c_str() + at + 1, "%c %d %f %ld %ld %e", &cType, &nCell, &fTemperature, &nRpm,
                              &nTime, &fW2t),
                  6)
            << sp->nScans << " scans";
        EXPECT_EQ(cType, 'R');
        EXPECT_EQ(nCell, 1);
        EXPECT_EQ(fTemperature, 20.0f);
        EXPECT_EQ(nRpm, 50000);
        if (sp == &one) {
            const double w = 50000.0 * 2.0 * M_PI / 60.0;
            EXPECT_EQ(nTime, 2000);
            EXPECT_NEAR(fW2t, w * w * 2000.0, 1e-4 * w * w * 2000.0);
        }
        EXPECT_EQ(script.pending(), 0u);
    }
}

// Before the first scan the field's levels come from the early scans: the
// boundary leaves the meniscus at t = 0 and moves out about in proportion to
// the time (its midpoint at 6.0 exp(s w^2 t) cm, nearly linear in t so early),
// so the level of half the loading stands at (t / t1) of its first-scan
// distance from the meniscus. Only steadily advancing radii enter the fit: a
// last early scan (4200 s, below 3 t1) that repeats the first scan's signal
// leaves the early levels where they were.
TEST_F(ContiNonidTest, BeforeTheFirstScanTheLevelsLeaveTheMeniscusWithTime)
{
    SpeciesScans sp;
    sp.D = diffusionOf(5.0, 1.3);
    sp.t0 = 1500.0;  // the boundary well inside the fitted radii at the first scan
    for (int nCase = 0; nCase < 2; nCase++) {
        LoadSpecies(sp);
        if (nCase == 1) {
            float* pLast = ppScanOnNoiseGrid[pScanTimeOrder[nScans]];
            const float* pFirst = ppScanOnNoiseGrid[pScanTimeOrder[1]];
            const double tLast = pScanHeaders[pScanTimeOrder[nScans]].time;  // a copy: the header is packed
            ASSERT_LT(tLast, 3.0 * sp.t0);
            for (int p = 1; p <= nNoiseGridPoints; p++) pLast[p] = pFirst[p];
        }
        headless::Script script;
        ChooseFieldFromData();
        ASSERT_NE(pContiNonid, nullptr);
        const CContiNonid& c = *pContiNonid;
        int j = 1;  // the level nearest half the loading
        for (int i = 1; i <= c.nLevels; i++)
            if (std::fabs(c.pLevels[i] - 0.5 * sp.loading) < std::fabs(c.pLevels[j] - 0.5 * sp.loading)) j = i;
        const double t1 = pScanHeaders[pScanTimeOrder[1]].time, x1 = c.ppScanLevelRadii[1][j] - fMeniscus;
        ASSERT_GT(x1, 0.03);
        int nEarly = 0;
        for (int k = 1; k <= c.nExtrapolationTimes && c.pExtrapolationTimes[k] < t1; k++, nEarly++) {
            const double t = c.pExtrapolationTimes[k];
            EXPECT_NEAR(c.ppTimeLevelRadii[k][j] - fMeniscus, x1 * t / t1, 0.05 * x1) << "time " << t << ", case " << nCase;
        }
        EXPECT_GT(nEarly, 2);
        // every level below the plateau of the early scans (0.88 of the loading
        // at three times the first scan's time, exp(-2 s w^2 t)) moves out from
        // the meniscus towards its first-scan radius: the upper levels, which
        // diffusion slows, as the lower ones
        int nLevels = 0;
        for (int i = 1; i <= c.nLevels && c.pLevels[i] < 0.85 * sp.loading; i++, nLevels++) {
            double dLow = 1e30, dHigh = -1e30;
            for (int k = 1; k <= c.nExtrapolationTimes && c.pExtrapolationTimes[k] < t1; k++) {
                dLow = std::min(dLow, c.ppTimeLevelRadii[k][i]);
                dHigh = std::max(dHigh, c.ppTimeLevelRadii[k][i]);
            }
            EXPECT_GE(dLow, fMeniscus) << "level " << i << ", case " << nCase;
            EXPECT_LE(dHigh, c.ppScanLevelRadii[1][i] + 0.005) << "level " << i << ", case " << nCase;
        }
        EXPECT_GT(nLevels, 80);
    }
}

// The field's levels are those of the data: evenly spaced up to the first
// scan's plateau, the largest signal. After the first scan the levels lie
// between the scans around each time: the level of half the diluted plateau,
// c0 exp(-2 s w^2 t) / 2, stands where the boundary's midpoint is,
// 6.0 exp(s w^2 t) cm, at every time up to the last scan, within 0.005 cm
// (the boundary moves some 0.07 cm between two scans).
TEST_F(ContiNonidTest, AfterTheFirstScanTheLevelsFollowTheBoundary)
{
    SpeciesScans sp;
    sp.t0 = 1500.0;
    LoadSpecies(sp);
    headless::Script script;
    ChooseFieldFromData();
    ASSERT_NE(pContiNonid, nullptr);
    const CContiNonid& c = *pContiNonid;
    const double w2 = std::pow(50000.0 * 2.0 * M_PI / 60.0, 2.0), sw2 = sp.s * 1e-13 * w2;
    const double tFirst = pScanHeaders[pScanTimeOrder[1]].time;
    // the levels lie evenly from 0.1 % to 99.9 % of the largest signal: the
    // plateau of the first scan, c0 exp(-2 s w^2 t) = 0.8 x 0.9597 = 0.7677
    // at 1500 s (each later scan is diluted further, 0.8 % by the next)
    const double dTop = sp.loading * std::exp(-2.0 * sw2 * tFirst);
    ASSERT_EQ(c.nLevels, 100);
    EXPECT_NEAR(c.pLevels[1], 0.001 * dTop, 1e-6);
    EXPECT_NEAR(c.pLevels[c.nLevels], 0.999 * dTop, 1e-4 * dTop);
    for (int j = 2; j <= c.nLevels; j++)
        EXPECT_NEAR(c.pLevels[j] - c.pLevels[j - 1], 0.998 * dTop / 99, 1e-5 * dTop) << "level " << j;
    int nLater = 0;
    for (int k = 1; k <= c.nExtrapolationTimes; k++) {
        const double t = c.pExtrapolationTimes[k];
        if (t <= tFirst) continue;
        const double fHalf = 0.5 * sp.loading * std::exp(-2.0 * sw2 * t);
        int j = 1;
        for (int i = 1; i <= c.nLevels; i++)
            if (std::fabs(c.pLevels[i] - fHalf) < std::fabs(c.pLevels[j] - fHalf)) j = i;
        EXPECT_NEAR(c.ppTimeLevelRadii[k][j], fMeniscus * std::exp(sw2 * t), 0.005) << "time " << t;
        nLater++;
    }
    EXPECT_GT(nLater, 10);
}

// The levels reach the largest signal of the fitted range and 0.1 cm beyond,
// wherever it lies in that range: a pile-up at the bottom of the last scan,
// its last grid point (7.152 cm, inside the fit limit 7.10 + 0.1 cm) raised to 0.96
// above the plateau (0.8 x exp(-2 s w^2 t) = 0.787 at the first scan, 600 s),
// sets the levels from 0.1 % to 99.9 % of 0.96; only the last scan reaches
// the levels above its plateau, there at that point, and the other scans
// never do (the bottom, 7.2 cm). With the fit limit at 6.90 the same point
// lies beyond 7.00 cm and the levels end at 99.9 % of the first scan's
// plateau again.
TEST_F(ContiNonidTest, TheLevelsSpanTheLargestSignalOfTheFittedRange)
{
    SpeciesScans sp;
    const double w2 = std::pow(50000.0 * 2.0 * M_PI / 60.0, 2.0);
    const double dPlateau = sp.loading * std::exp(-2.0 * sp.s * 1e-13 * w2 * sp.t0);
    const double dPile = 0.96;
    for (const float fRight : {7.10f, 6.90f}) {
        LoadSpecies(sp);
        fFitRightLim = fRight;
        updateRightFitLimit();
        ASSERT_EQ(fFitRightLim, fRight);
        const float fLastRadius = pNoiseGrid[nNoiseGridPoints];  // the resampled grid's last point, 7.152 cm
        ASSERT_NEAR(fLastRadius, 7.15f, 0.005f);
        ppScanOnNoiseGrid[pScanTimeOrder[nScans]][nNoiseGridPoints] = static_cast<float>(dPile);
        headless::Script script;
        ChooseFieldFromData();
        ASSERT_NE(pContiNonid, nullptr);
        const CContiNonid& c = *pContiNonid;
        const double dTop = fRight > 7.0f ? dPile : dPlateau;
        ASSERT_EQ(c.nLevels, 100);
        EXPECT_NEAR(c.pLevels[1], 0.001 * dTop, 1e-6) << "fit limit " << fRight;
        EXPECT_NEAR(c.pLevels[c.nLevels], 0.999 * dTop, 1e-4 * dTop) << "fit limit " << fRight;
        if (fRight > 7.0f) {
            EXPECT_NEAR(c.ppScanLevelRadii[nScans][c.nLevels], fLastRadius, 1e-6);
            EXPECT_NEAR(c.ppScanLevelRadii[1][c.nLevels], fBottom, 1e-6);
        }
    }
}
