// The rectangular channel and the external loading cell.
//
// In a channel of constant cross-section the weak form of the Lamm equation
// takes weight 1: B_ij = int phi_i phi_j, A_ij = K int phi_i' phi_j r -
// D int phi_i' phi_j' (the force grows with r), or K int phi_i' phi_j with the
// constant force of electrophoresis. The columns of A sum to 0 here too, so the
// amount int c dr is kept; the plateau thins by exp(-K t), once, not twice as
// in the sector, and stays as it is with electrophoresis.
//
// The loading cell is such a channel whose last dTaperDepth narrows by
// dTaperNarrowing; oil fills the narrow end, so the sample column ends at
// fBottom with its last part, from dTaperStartRadius on, in the taper. There
// the elements are integrated with the relative width as coefficient.
#include "fegrid/loading_cell.h"

#include <cmath>

#include "fegrid/element_quadrature.h"
#include "fegrid/global_grid.h"
#include "models/model_globals.h"

float fElcOilVolume = 0.01f;
double dOilDepth = 0.0;
double dTaperStartRadius = dTaperDepth;

namespace {

int gridSize() { return bGridArraysAllocated && pGridRadius ? nGridPointsAllocated : 0; }

// The nodes i, j share an element (or are one node) of the grid.
bool neighbours(int i, int j)
{
    const int N = gridSize();
    return N >= 2 && i >= 1 && i <= N && j >= 1 && j <= N && std::abs(i - j) <= 1;
}

// Sums f(a, b, roleOfI, roleOfJ) over the elements holding nodes i and j
// (role 0: left hat of the element, 1: right hat).
template <class F>
double overElements(int i, int j, F f)
{
    if (!neighbours(i, j)) return 0.0;
    const int N = gridSize();
    const double* r = pGridRadius;
    if (i != j) {
        const int e = i < j ? i : j;
        return f(r[e], r[e + 1], i == e ? 0 : 1, j == e ? 0 : 1);
    }
    double v = 0.0;
    if (i > 1) v += f(r[i - 1], r[i], 1, 1);
    if (i < N) v += f(r[i], r[i + 1], 0, 0);
    return v;
}

// The element of a node pair lies in the channel, below the taper.
bool inChannel(int i, int j)
{
    const int N = gridSize();
    const double* r = pGridRadius;
    return i < N && j < N && r[i + 1] < dTaperStartRadius && r[j + 1] < dTaperStartRadius;
}

}  // namespace

void loadingCellConstants()
{
    const double V = fElcOilVolume, d = dTaperDepth, a = dTaperNarrowing;
    const double A = dChannelWidth * dChannelHeight;
    if (!(V > 0)) {  // (a negative volume typed is no oil either)
        dOilDepth = 0.0;
    } else if (!loadingCellAllPlanar()) {
        dOilDepth = (std::sqrt((1 - a) * (1 - a) + 2 * a * V / (d * A)) - (1 - a)) * d / a;
    } else {
        dOilDepth = (V - dTaperVolume) / A;
    }
    const int N = gridSize();
    const double rN = N > 0 ? pGridRadius[N] : static_cast<double>(fBottom);
    dTaperStartRadius = rN - (d - dOilDepth);
}

// A volume of exactly the taper's fills it: nothing of the taper is left for
// the sample (the oil depth formula above it does not describe the taper).
// (The volume is held in single precision: compared as such, 0.0121 typed is
// the taper's volume.)
bool loadingCellAllPlanar() { return fElcOilVolume >= static_cast<float>(dTaperVolume); }

double loadingCellFeElement(int i, int j)
{
    if (loadingCellAllPlanar() || inChannel(i, j)) return planarMassElement(i, j);
    return loadingCellElementIntegralA(i, j);
}

double loadingCellFeElement2(int i, int j)
{
    if (loadingCellAllPlanar() || inChannel(i, j)) return planarStiffnessElement(i, j);
    return loadingCellElementIntegralB(i, j);
}

double loadingCellFeElement3(int i, int j)
{
    if (loadingCellAllPlanar() || inChannel(i, j)) return planarSedimentationElement(i, j);
    return loadingCellElementIntegralC(i, j);
}

double loadingCellFeWeight(int i)
{
    const int N = gridSize();
    if (i < 1 || i > N || N < 2) return 0.0;
    if (loadingCellAllPlanar() || (i < N && pGridRadius[i + 1] < dTaperStartRadius))
        return planarHatWeight(i) * (static_cast<double>(fBottom) - fMeniscus) / (N - 1);
    return loadingCellElementIntegralD(i);
}

// ---------------------------------------------------------------- the rectangular channel

double planarMassElement(int i, int j)
{
    if (!neighbours(i, j)) return 0.0;
    const int N = gridSize();
    const double* r = pGridRadius;
    if (i != j) return (r[(i > j ? i : j)] - r[(i < j ? i : j)]) / 6;
    const double lo = i == 1 ? static_cast<double>(fMeniscus) : r[i - 1];
    const double hi = i == N ? static_cast<double>(fBottom) : r[i + 1];
    if (i == 1) return (r[2] - lo) / 3;
    if (i == N) return (hi - r[N - 1]) / 3;
    return (hi - lo) / 3;
}

double planarStiffnessElement(int i, int j)
{
    if (!neighbours(i, j)) return 0.0;
    const int N = gridSize();
    const double h = (static_cast<double>(fBottom) - fMeniscus) / (N - 1);
    if (i != j) return -1 / h;
    return (i == 1 || i == N) ? 1 / h : 2 / h;
}

double planarSedimentationElement(int i, int j)
{
    // int phi_X phi_Y' r over [a, b]: -(2a + b)/6 (X left) or -(a + 2b)/6 (X
    // right) for Y the left hat, the negatives for Y the right hat
    return overElements(i, j, [](double a, double b, int x, int y) {
        const double v = x == 0 ? (2 * a + b) / 6 : (a + 2 * b) / 6;
        return y == 0 ? -v : v;
    });
}

double planarDriftElement(int i, int j)
{
    return overElements(i, j, [](double, double, int, int y) { return y == 0 ? -0.5 : 0.5; });
}

double planarHatWeight(int i)
{
    const int N = gridSize();
    if (i < 1 || i > N) return 0.0;
    return (i == 1 || i == N) ? 0.5 : 1.0;
}
