#include "analyses/mstar/mstar_fixture.h"

#include <cmath>
#include <cstdio>

#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "models/model_globals.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"

namespace mstartest {

double kFactor(double rpm)
{
    const double omega = 2.0 * M_PI * rpm / 60.0;
    return (1.0 - 0.73 * 0.99823) * omega * omega / (2.0 * 8.31451e7 * 293.15);
}

double meniscusSignal(const Species& s, double rpm, double m, double b)
{
    const double a = kFactor(rpm) * s.fMolarMass;
    const double span = b * b - m * m;
    return s.fLoading * a * span / std::expm1(a * span);
}

double equilibriumSignal(const std::vector<Species>& species, double rpm, double m, double b, double r)
{
    if (r < m) return 0.0;
    double c = 0.0;
    for (const Species& s : species)
        c += meniscusSignal(s, rpm, m, b) * std::exp(kFactor(rpm) * s.fMolarMass * (r * r - m * m));
    return c;
}

}  // namespace mstartest

using namespace mstartest;

void MStarTest::SetUp()
{
    DataMenuTest::SetUp();
    VBAR = 0.73f;
    fBufferDensity = 0.99823f;
    fVbarRho = VBAR * fBufferDensity;
    fMeniscus = static_cast<float>(kMeniscus);
    fBottom = static_cast<float>(kBottom);
    pParamValue[13] = fMeniscus;
    pParamValue[14] = fBottom;
    fFitLeftLim = 6.91f;
    fFitRightLim = 7.19f;
    folder = Folder("eq");
}

std::string MStarTest::WriteEquilibriumScan(const std::string& name, const std::vector<Species>& species, double rpm,
                                            double time, double r0, double rEnd)
{
    return WriteScan(
        name, [&](double r) { return equilibriumSignal(species, rpm, kMeniscus, kBottom, r); }, rpm, time, r0, rEnd);
}

std::string MStarTest::WriteScan(const std::string& name, const std::function<double(double)>& signal, double rpm,
                                 double time, double r0, double rEnd)
{
    // the radii as the file holds them, four decimals
    std::string text = "synthetic equilibrium scan\n";
    char line[200];
    const char cType = name.find(".IP") != std::string::npos ? 'P' : 'R';
    std::snprintf(line, sizeof line, "%c 1 20.0 %.0f %.0f %.6e 280 1\n", cType, rpm, time,
                  std::pow(rpm * 2.0 * M_PI / 60.0, 2) * time);
    text += line;
    const int n = static_cast<int>(std::lround((rEnd - r0) / 0.001)) + 1;
    for (int i = 0; i < n; ++i) {
        const double r = std::round((r0 + 0.001 * i) * 1e4) / 1e4;
        const double c = signal(r);
        // interference files have two columns, absorbance files three
        if (cType == 'P')
            std::snprintf(line, sizeof line, "%.4f %.6e\n", r, c);
        else
            std::snprintf(line, sizeof line, "%.4f %.6e %.6e\n", r, c, 0.01);
        text += line;
    }
    const std::string path = folder + "/" + name;
    scantest::writeText(path, text);
    return path;
}

void MStarTest::LoadEquilibrium(const std::vector<std::string>& paths)
{
    win::headless::Script script;
    script.expectOpenFile("select files in set 1 to fit", paths);
    Run(script, 515);
}

void MStarTest::LoadIdealSet(int nSets, const char* szExt)
{
    std::vector<std::string> paths;
    for (int k = 1; k <= nSets; ++k) {
        // 0.1 OD at the meniscus: the loading that gives it
        const double a = kFactor(15000) * 50000.0, span = kBottom * kBottom - kMeniscus * kMeniscus;
        const double c0 = 0.1 * k * std::expm1(a * span) / (a * span);
        char name[40];
        std::snprintf(name, sizeof name, "eq%d%s", k, szExt);
        paths.push_back(WriteEquilibriumScan(name, {{50000.0, c0}}, 15000, 50000.0 * k));
    }
    LoadEquilibrium(paths);
}

void MStarTest::Enter(win::headless::Script& script)
{
    Run(script, 896);
}

void MStarTest::Click(win::headless::Script& script, int k)
{
    CScreenButton* b = mStarButton(k);
    ASSERT_NE(b, nullptr) << "no button " << k;
    // logical x is 1.4 x per mille of the width, y per mille of the height
    const float fx = 0.5f * (b->nLeft + b->nRight) / 1.4f * nClientWidth / 1000.0f;
    const float fy = 0.5f * (b->nTop + b->nBottom) * nClientHeight / 1000.0f;
    const int x = static_cast<int>(std::lround(fx)), y = static_cast<int>(std::lround(fy));
    script.mouse(win::WM_LBUTTONDOWN, x, y, win::MK_LBUTTON).mouse(win::WM_LBUTTONUP, x, y);
    win::headless::processMessages();
}

void MStarTest::SmoothWithCM(win::headless::Script& script)
{
    script.expectInput("min Mw (kDa)", "24")
        .expectInput("max Mw (kDa)", "99")
        .expectMessageBox("determine Baseline from c(M)?", win::IDYES);
    Click(script, 6);
}

void MStarTest::EnterAndSmoothWithCM(win::headless::Script& script)
{
    Enter(script);
    ASSERT_TRUE(bMStarMode);
    SmoothWithCM(script);
    EXPECT_EQ(script.pending(), 0u);
}

void MStarTest::RightDrag(win::headless::Script& script, int x0, int x1, int y)
{
    script.mouse(win::WM_RBUTTONDOWN, x0, y, win::MK_RBUTTON)
        .mouse(win::WM_MOUSEMOVE, x1, y, win::MK_RBUTTON)
        .mouse(win::WM_RBUTTONUP, x1, y);
    win::headless::processMessages();
}

int MStarTest::PixelOfRadius(float r) const
{
    const CWINPlot* A = pMStarPlotA;
    const double logical = A->fXOffset + A->fXScale * (A->bLogX ? std::log10(r) : r);
    return static_cast<int>(std::lround(logical / 1.4 * nClientWidth / 1000.0));
}
