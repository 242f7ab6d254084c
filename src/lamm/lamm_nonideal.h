// CLammNonIdeal: the Lamm equation of one species whose s and D depend on its
// own concentration, s = s0 / (1 + ks c) and D = D0 (1 + kd c), or the factors
// of hindered sedimentation. It keeps the configuration and the copy of
// CLammIdeal and replaces the engine choice, the grid set-up and the time
// stepping (the predictor-corrector of the reacting loop on a plain grid).
#pragma once

#include <memory>
#include <string>

#include "lamm/lamm_ideal.h"
#include "lamm/mean_field.h"

class CLammNonIdeal : public CLammIdeal {
public:
    CLammNonIdeal();
    CLammNonIdeal(const CLammNonIdeal& tmpl);  // what the list workers build from a template
    CLammNonIdeal& operator=(const CLammNonIdeal&) = delete;
    ~CLammNonIdeal() override;

    void ChooseEngine() override;     // slot 1
    void SetupGrid() override;        // slot 2
    void RunTimeStepping() override;  // slot 3

    // ks and kd as the non-ideal models keep them: log10 of the coefficient in
    // ml/mg for the plain model, the values as they stand for hindered
    // sedimentation; signal is the signal of 1 mg/ml; linearLaw selects the
    // dilute linear law of hindered sedimentation.
    void SetNonidealParams(float ks, float kd, double signalPerMgMl, bool hindered, bool linearLaw);

    // ---- the mean field (the non-ideal c(s)): while one is loaded, s and D
    // follow ctot(r, t) of the field instead of the solution's own profile.
    // An isoconcentration table: at times[k] (k = 1..nTimes, seconds) the
    // concentration levels[j] (j = 1..nLevels, ascending, signal units) lie at
    // radii[k][j]; it becomes one frame per time, and a frame at t = 0 with
    // every level at the meniscus, on the solver's grid size. The level step
    // is the spacing of the levels; the temporary folder takes the ctot-vector
    // files (SetCtotVectorDumps). Call after the sedimentation parameters and
    // the solver options.
    void LoadCtotMovie(int nTimes, int nLevels, double** radii, double* times, double* levels, double levelStep,
                       const char* szTempFolder);
    // Frames frames[1..nFrames][1..nPoints] at times[1..nFrames] on nPoints
    // radii evenly from the meniscus to the bottom; accepted only when nPoints
    // is the solver's grid size, otherwise the external field is switched off.
    void UseExternalMeanField(int nFrames, int nPoints, float** frames, double* times);
    // Writes each frame of the loaded field as "ctotvec%d.dat" (radius and
    // value per line) into the temporary folder given to LoadCtotMovie.
    void SetCtotVectorDumps(bool on);

    std::shared_ptr<const CLammMeanField> meanField;  // shared with the list's copies
    std::string szCtotFolder;
};

// The node coefficients of the non-ideal scheme in the mean field of p at the
// middle of the current step: s = s0 / (1 + ks c), D = D0 (1 + kd c), or the
// factors of hindered sedimentation of c in mg/ml.
void meanFieldCoefficients(const CLammIdeal* p, double s0, double D0, double ks, double kd, double* s, double* D);
