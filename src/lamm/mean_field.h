// The mean field of the non-ideal c(s): the total concentration ctot(r, t) of
// the whole sample as a series of radial profiles (frames) at fixed times, on
// radii spaced evenly from the meniscus to the bottom. The non-ideal solver
// takes s and D of every species from it in place of the species' own
// concentration, so that each grid point of a distribution sediments in the
// field of all the others. Values are in signal units (the solver turns them
// into mg/ml through its signal per mg/ml where the model needs mg/ml).
//
// The field is read only while solutions run: one field serves every worker
// of a list.
#pragma once

#include <cstddef>
#include <vector>

class CLammMeanField {
public:
    // nFrames frames of nPoints values (both >= 1); the radii of point j are
    // meniscus + (bottom - meniscus)(j - 1)/(nPoints - 1).
    CLammMeanField(int nFrames, int nPoints, double meniscus, double bottom);

    int nFrames;
    int nPoints;
    double dMeniscus;
    double dBottom;
    std::vector<double> times;   // [k], k = 0..nFrames - 1, ascending
    std::vector<float> values;   // frame k, point j (0-based) at k nPoints + j

    float* Frame(int k) { return &values[static_cast<std::size_t>(k) * nPoints]; }
    const float* Frame(int k) const { return &values[static_cast<std::size_t>(k) * nPoints]; }
    double Radius(int j) const;  // of point j, 0-based

    // ctot at the radii r[1..n] at time t into out[1..n]: linear in time
    // between frames (the first frame holds before its time, the last after
    // its time) and linear in radius (the end values hold beyond the ends).
    void ValuesAt(double t, const double* r, int n, double* out) const;
};
