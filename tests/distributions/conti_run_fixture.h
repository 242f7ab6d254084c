// Distribution runs on scans of one species simulated by the solver object
// and loaded into the headless main window.
#pragma once

#include <string>
#include <vector>

#include "scandata/data_menu_fixture.h"
#include "scandata/scan_header.h"

// One sedimenting species seen by absorbance optics at 50000 rpm in a cell
// from 6.0 to 7.2 cm (radii 5.95..7.15 cm), scans every dt seconds from t0,
// without noise unless asked for.
struct SpeciesScans {
    double s = 5.0;        // S
    double D = 6e-7;       // cm^2/s (0: a sharp boundary)
    double loading = 0.8;
    double baseline = 0.0;
    double noise = 0.0;    // rms of the Gaussian noise added
    int nScans = 10;
    int nPoints = 200;
    double t0 = 600.0;
    double dt = 300.0;
    // systematic noise: a time-invariant radial profile of this size and one
    // random offset per scan up to this size
    double tiNoise = 0.0;
    double riNoise = 0.0;
};

class ContiRunTest : public DataMenuTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Headers of nk absorbance scans of cell 1 at 50000 rpm and 20 degrees, at
    // t0, t0 + dt, ...; each titled by the format with the scan's number
    // (element 0 unused).
    static std::vector<ScanHeader> VelocityHeaders(int nk, double t0, double dt, const std::string& titlePrefix);
    // Writes the scans into the folder as 00001.RA1, 00002.RA1, ...; their
    // paths in time order.
    std::vector<std::string> WriteSpecies(const SpeciesScans& species, const std::string& folder);
    // The same with further species in the scans (their s, D and loading;
    // scans, baseline and noise are those of the first).
    std::vector<std::string> WriteMixture(const std::vector<SpeciesScans>& species, const std::string& folder);
    // Writes the scans into a folder of their own and loads them; meniscus
    // 6.0, bottom 7.2, fit limits 6.05 and 7.10 cm.
    void LoadSpecies(const SpeciesScans& species);
    void LoadMixture(const std::vector<SpeciesScans>& species);
    // Meniscus 6.0, bottom 7.2, fit limits 6.05 and 7.10 cm.
    static void SetCellGeometry();
    // The continuous model chosen by flags, with the grid smin..smax of n
    // points, the frictional ratio and the confidence level in the parameter
    // vector (the run takes them from there); no noise is fitted.
    void ChooseContinuous(unsigned char* pbModel, float fMin, float fMax, int n, float fFf0, float fP);
    // The grid point of the largest value (from point nFirst on).
    static int PeakIndex(int nFirst = 1);
};

// D (cm^2/s) of s (S) with the frictional ratio, in water at 20 degrees
// Celsius with vbar 0.73.
double diffusionOf(double s, double ff0);
