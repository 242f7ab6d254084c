// dlsdat files made by the light-scattering tests.
#pragma once

#include <string>
#include <vector>

namespace dlstest {

struct DlsRecipe {
    std::string title = "lysozyme";
    char type = 'A';
    double temperature = 20.0;   // C
    double time = 100.0;         // s
    double countRate = 50000.0;  // Hz
    double refractiveIndex = 1.333;
    double viscosity = 0.01002;  // poise
    double angle = 90.0;         // degrees
    double wavelength = 632.8e-9;  // m
    std::vector<double> lags;    // s
    std::vector<double> values;  // as the file holds them
};

// The text of a dlsdat file of the recipe, in the writer's layout.
std::string dlsText(const DlsRecipe& recipe);
// Writes it and returns the path.
std::string writeDls(const std::string& path, const DlsRecipe& recipe);
// n lags from 1e-6 s, 10 per decade, with g(2)-1 values of a single decay
// of D (cm^2/s) at the recipe's angle, index and wavelength (amplitude 0.8
// in g(1)).
DlsRecipe decayRecipe(double dD, int n = 41);

}  // namespace dlstest
