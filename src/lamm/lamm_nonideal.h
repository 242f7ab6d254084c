// CLammNonIdeal: the Lamm equation of one species whose s and D depend on its
// own concentration, s = s0 / (1 + ks c) and D = D0 (1 + kd c), or the factors
// of hindered sedimentation. It keeps the configuration and the copy of
// CLammIdeal and replaces the engine choice, the grid set-up and the time
// stepping (the predictor-corrector of the reacting loop on a plain grid).
#pragma once

#include "lamm/lamm_ideal.h"

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
};
