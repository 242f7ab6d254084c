// The c(s) model on the example data (one species made by the solver object:
// 4.3 S, 6.1e-7 cm^2/s, so f/f0 1.33 at vbar 0.73 in water at 20 C; loading
// 0.8, a constant baseline of 0.02, noise of rms 0.004, meniscus 6.0 cm), set
// up through the window as a user does.
#pragma once

#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_window_fixture.h"
#include "platform/headless.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"

// The client pixel of a radius on the data plot.
inline int pixelOf(float r) { return int(pDataPlot->MapX(r) * 1400.0 / 1399 + 0.5); }

class ContiFitTest : public ModelWindowTest {
protected:
    // Loads the example, chooses c(s) and fills the parameter dialog: f/f0 1.2
    // and the meniscus 5.98 floating (its range then set to 5.96-6.03 in the
    // table of command 240), bottom 7.2, radial-invariant noise; the fit
    // limits dragged to 6.05 and 7.10 cm; maximum entropy.
    void exampleCS(bool bFloat)
    {
        bWizardMessages = 0;
        LoadScans(copyVelocityExampleScans(scratch + "/velocity"));
        command(275);
        win::headless::Script script;
        script.mouse(win::WM_LBUTTONDOWN, pixelOf(fFitLeftLim), 300, win::MK_LBUTTON)
            .mouse(win::WM_MOUSEMOVE, pixelOf(6.05f), 300, win::MK_LBUTTON)
            .mouse(win::WM_LBUTTONUP, pixelOf(6.05f), 300)
            .mouse(win::WM_LBUTTONDOWN, pixelOf(fFitRightLim), 300, win::MK_LBUTTON)
            .mouse(win::WM_MOUSEMOVE, pixelOf(7.10f), 300, win::MK_LBUTTON)
            .mouse(win::WM_LBUTTONUP, pixelOf(7.10f), 300);
        win::headless::processMessages();
        script.expectDialog("320", win::headless::DialogAnswer()
                                       .set(419, "1.2")
                                       .check(416, bFloat)
                                       .set(435, "5.98")
                                       .check(434, bFloat)
                                       .set(437, "7.2")
                                       .check(436, false)
                                       .check(431, false)
                                       .check(455));
        command(212);
        if (bFloat) {
            script.expectDialog("set meniscus+limits",
                                win::headless::DialogAnswer().set(1000 - 12, "5.96").set(1000 - 13, "6.03"));
            command(240);
        }
        command(295);
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_NEAR(fFitLeftLim, 6.05f, 0.003f);
        EXPECT_NEAR(fFitRightLim, 7.10f, 0.003f);
    }
    // The example's c(s) run in the window, at a best rmsd no better than the
    // one shown: the fit's progress text then draws its lines alone.
    TXLAWindow* exampleProgressText()
    {
        exampleCS(false);
        command(213);
        fRmsd = fBestRmsd = fShownBestRmsd = 0.004f;
        return window.get();
    }
    // Annealing at one low temperature for two iterations, with no polishing
    // fit after it: a fit that ends in a moment.
    static void chooseShortAnnealing()
    {
        bSimplex = 0;
        bSimulatedAnnealing = 1;
        SAmaxTemp = fSATemperature = 0.05f;
        nSANumberOfTemps = 1;
        nSAItMax = 2;
        bSAFinalML = bAnnealFinalSimplex = 0;
    }
};
