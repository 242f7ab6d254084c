#include "tools/dls_test_files.h"

#include <cmath>
#include <cstdio>

#include "scandata/scan_test_files.h"

namespace dlstest {

std::string dlsText(const DlsRecipe& r)
{
    std::string text = r.title + "\n";
    char sz[300];
    std::snprintf(sz, sizeof sz, "%c %f %ld %.2f %f %f %f %e\n", r.type, r.temperature, static_cast<long>(r.time),
                  r.countRate, r.refractiveIndex, r.viscosity, r.angle, r.wavelength);
    text += sz;
    for (size_t k = 0; k < r.lags.size() && k < r.values.size(); ++k) {
        std::snprintf(sz, sizeof sz, "   %1.5e  %1.5e \n", r.lags[k], r.values[k]);
        text += sz;
    }
    return text;
}

std::string writeDls(const std::string& path, const DlsRecipe& recipe)
{
    scantest::writeText(path, dlsText(recipe));
    return path;
}

DlsRecipe decayRecipe(double dD, int n)
{
    DlsRecipe r;
    const double pi = 3.14159265358979;
    const double q = 4 * pi * r.refractiveIndex * std::sin(r.angle * pi / 360.0) / r.wavelength;
    for (int k = 0; k < n; ++k) {
        const double tau = std::pow(10.0, -6.0 + 0.1 * k);
        const double g1 = 0.8 * std::exp(-1e-4 * dD * q * q * tau);
        r.lags.push_back(tau);
        r.values.push_back(g1 * g1);
    }
    return r;
}

}  // namespace dlstest
