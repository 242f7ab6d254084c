#include "analyses/equilibrium/equilibrium_fixture.h"

#include <cmath>
#include <cstdio>

#include "app/app_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"

namespace eqtest {

double exponential(double r, double mb, double rpm, double t, double r0)
{
    const double omega = 2.0 * M_PI * rpm / 60.0;
    return std::exp(mb * omega * omega * (r * r - r0 * r0) / (2.0 * 8.314472e7 * (t + 273.15)));
}

double tiProfile(double r) { return 0.02 * std::sin(20.0 * r); }

}  // namespace eqtest

using namespace eqtest;

void EquilibriumFitTest::SetUp()
{
    DataMenuTest::SetUp();
    VBAR = static_cast<float>(kVbar);
    fBufferDensity = static_cast<float>(kDensity);
    fVbarRho = VBAR * fBufferDensity;
    fMeniscus = static_cast<float>(kMeniscus);
    fBottom = static_cast<float>(kBottom);
    pParamValue[13] = fMeniscus;
    pParamValue[14] = fBottom;
    pParamValue[6] = VBAR;
    pParamValue[7] = fBufferDensity;
    fFitLeftLim = 6.91f;
    fFitRightLim = 7.19f;
    bUseMolarMass = 1;
    folder = Folder("eqfit");
}

std::vector<EqScan> EquilibriumFitTest::Experiment() const
{
    const double mb = kMolarMass * (1.0 - kVbar * kDensity);
    return {{10000, 20, 0.3, 0.01, mb}, {15000, 20, 0.5, -0.02, mb}, {20000, 20, 0.8, 0.03, mb}};
}

std::vector<std::string> EquilibriumFitTest::WriteScans(const std::vector<EqScan>& scans)
{
    const double r0 = (kMeniscus + kBottom) / 2.0;
    std::vector<std::string> paths;
    for (size_t k = 0; k < scans.size(); ++k) {
        const EqScan& s = scans[k];
        std::string text = "synthetic equilibrium scan\n";
        char line[200];
        const double time = 36000.0 * (k + 1);
        std::snprintf(line, sizeof line, "R 1 %.1f %.0f %.0f %.6e 280 1\n", s.temperature, s.rpm, time,
                      std::pow(s.rpm * 2.0 * M_PI / 60.0, 2) * time);
        text += line;
        for (int i = 0; i <= 150; ++i) {
            // the radius as the program reads it back
            const double r = static_cast<float>(kMeniscus + 0.002 * i);
            const double c = s.amplitude * exponential(r, s.mb, s.rpm, s.temperature, r0) + s.ti * tiProfile(r) + s.ri;
            std::snprintf(line, sizeof line, "%.4f %.9e %.6e\n", kMeniscus + 0.002 * i, c, 0.01);
            text += line;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", static_cast<int>(k + 1));
        const std::string path = folder + "/" + name;
        scantest::writeText(path, text);
        paths.push_back(path);
    }
    return paths;
}

void EquilibriumFitTest::Load(const std::vector<std::string>& paths, bool bSpeedsRise, bool bTemperaturesDiffer)
{
    win::headless::Script script;
    script.expectOpenFile("select files in set 1 to fit", paths);
    if (bSpeedsRise) expectSpeedStepsBoxes(script);
    if (bTemperaturesDiffer) script.expectMessageBox("ATTENTION", win::IDOK);
    Run(script, 515);
}

void EquilibriumFitTest::SetRadialResolution(const char* szValue)
{
    win::headless::Script script;
    script.expectInput("radial resolution (cm):", szValue);
    Run(script, 590);
}

void expectSpeedStepsBoxes(win::headless::Script& script)
{
    script.expectMessageBox("Error", win::IDOK).expectMessageBox("LOAD ERROR", win::IDOK);
}
