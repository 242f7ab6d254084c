// Writes the example sedimentation-velocity data set of examples/velocity:
// 30 absorbance scans of one protein (4.3 S, D = 6.1e-7 cm^2/s) at
// 50000 rpm, simulated with the program's own Lamm equation solver and
// written with its own scan-file writer, with a small baseline and
// reproducible noise.
//
//   make_velocity_example [FOLDER]   (default: examples/velocity, from the
//                                     repository folder)
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "lamm/lamm_ideal.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "scandata/scan_file.h"
#include "scandata/scan_header.h"

int main(int argc, char** argv)
{
    std::string folder = argc > 1 ? argv[1] : std::string("examples/velocity");
    std::filesystem::create_directories(folder);

    const int nScans = 30, nPoints = 400;
    const double rpm = 50000, meniscus = 6.0, bottom = 7.2;
    const double s = 4.3, D = 6.1e-7, loading = 0.8, baseline = 0.02;
    const double w = rpm * 2 * M_PI / 60;

    std::vector<ScanHeader> headers(nScans + 1);
    std::memset(headers.data(), 0, sizeof(ScanHeader) * headers.size());
    for (int k = 1; k <= nScans; ++k) {
        ScanHeader& h = headers[k];
        double t = 600.0 + 300.0 * (k - 1);
        h.time = h.timeWritten = h.timeRead = t;
        h.dataType = 'R';
        h.cell = 1;
        h.temperature = 20.0f;
        h.rpm = static_cast<float>(rpm);
        h.omega2t = w * w * t;
        h.wavelength = 280;
        h.count = 1;
        h.accelRate = 1e6;
        std::snprintf(h.title, sizeof h.title, "Morvex example, 4.3 S protein, cell 1, scan %d", k);
    }
    float* radii = vector(1, nPoints);
    for (int i = 1; i <= nPoints; ++i) radii[i] = static_cast<float>(5.95 + 0.003 * (i - 1));
    float** out = matrix(1, nScans, 1, nPoints);

    CLammIdeal solver;
    solver.SetNonReactingModel();
    solver.SetSedimentationParams(s, D, meniscus, bottom, loading, 6.01f, 7.1f);
    solver.SetScanData(nullptr, nullptr, headers.data(), out, radii, nPoints, nullptr, nullptr, false, nullptr, nScans,
                       1, true, true, false, 0, false, 0, false);
    solver.SetSolverOptions(100, 2000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0, 0.1, 0.3, 1.0,
                            1000, 1000, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    solver.SetSolventAndParticle(20.0, 0.73, 1.0, 1.0);
    int nError = solver.Solve();
    if (nError != 0) {
        std::fprintf(stderr, "the Lamm equation solution failed with error %d\n", nError);
        return 1;
    }

    seedRandomNumbers(20261207u);
    float* signal = vector(1, nPoints);
    for (int k = 1; k <= nScans; ++k) {
        for (int i = 1; i <= nPoints; ++i) {
            double c = radii[i] < meniscus ? 0.0 : out[k][i];
            signal[i] = static_cast<float>(baseline + c + gaussianRandom(0.004f));
        }
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        std::string path = folder + "/" + name;
        writeScanFile(path.c_str(), nPoints, radii, signal, nullptr, nullptr, 1, &headers[k]);
    }
    std::printf("%d scans written into %s\n", nScans, folder.c_str());
    free_vector(signal, 1, nPoints);
    free_matrix(out, 1, nScans, 1, nPoints);
    free_vector(radii, 1, nPoints);
    return 0;
}
