#include "distributions/example_run_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "app/xla_app.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "resources/dialog_templates.h"
#include "scandata/scan_data.h"

void ExampleRunTest::SetUp()
{
    ContiRunTest::SetUp();
    installDialogTemplates();
    pMainWindow = window.get();  // as the application's window is
}

void ExampleRunTest::LoadExample()
{
    // the numbered scans only: a run of the example leaves its grid and saved
    // analysis beside them
    const std::vector<std::string> paths = copyVelocityExampleScans(Folder("velocity"));
    LoadScans(paths);
    ASSERT_EQ(nScans, 30);
    SetCellGeometry();
}

void ExampleRunTest::ChooseExampleCs()
{
    ChooseContinuous(&bModelCS, 1.0f, 10.0f, 91, 1.33f, 0.95f);
    pParamValue[7] = 0.99823f;  // the buffer density
    fVbarTransform = 0.73f;
    bFitRINoise = 1;
    bRegMaxEnt = 1;
    bRegSecondDerivative = bRegWeightedThirdDerivative = bRegBothShown = 0;
}

void ExampleRunTest::RunExample()
{
    LoadExample();
    ChooseExampleCs();
    win::headless::Script script;
    Run(script, 213);
    ASSERT_EQ(nResolution, 91);
    ASSERT_NE(pDistPlot, nullptr);
    win::headless::processMessages();
}

void ExampleRunTest::SetDistribution(int n, float s0, float ds, float (*value)(float))
{
    bModelContinuous = 1;
    bModelCS = 1;
    clearDistributionResults();
    allocDistributionVectors(n);
    for (int i = 1; i <= n; i++) {
        pDistAxisS[i] = s0 + ds * static_cast<float>(i - 1);
        pDistAxisM[i] = 0.0f;
        pDistValues[i] = value(pDistAxisS[i]);
        pDistValues2[i] = 0.0f;
    }
    plotDistribution();
    window->Invalidate(true);
    win::headless::processMessages();
}

void ExampleRunTest::DistributionPixel(float x, float y, int* pX, int* pY)
{
    *pX = pDistPlot->MapX(x);
    *pY = pDistPlot->MapY(y);
}

