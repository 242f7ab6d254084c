#include "tools/fluorescence_fixture.h"

#include <cstdio>

#include "platform/win.h"
#include "scandata/scan_test_files.h"

std::string FluorescenceTest::WriteFluoScan(const std::string& folder, const FluoScan& scan)
{
    scantest::ScanRecipe recipe;
    char title[100];
    std::snprintf(title, sizeof title, "fluorescence Voltage: %d Gain: %d Range: %d", scan.voltage, scan.gain,
                  scan.range);
    recipe.title = title;
    recipe.letter = 'F';
    recipe.cell = scan.cell;
    recipe.time = scan.time;
    recipe.points = scan.points;
    recipe.r0 = 6.0f;
    recipe.dr = 0.01f;
    const std::function<float(int)> f = scan.signal;
    recipe.signal = [f](int i, float) { return f(i); };
    return WriteScan(folder, scan.name, recipe);
}

void FluorescenceTest::LoadFiles(const std::vector<std::string>& paths)
{
    win::headless::Script script;
    script.expectOpenFile("select files to fit", paths).expectInput("load every n'th file:", "1");
    Run(script, 200);
}

bool FluorescenceTest::Checked(unsigned nId)
{
    win::HMENU m = window->GetMenu();
    const win::UINT nState = m ? win::GetMenuState(m, nId, win::MF_BYCOMMAND) : 0xFFFFFFFFu;
    return nState != 0xFFFFFFFFu && (nState & win::MF_CHECKED) != 0;
}
