// The cells whose cross-section does not grow with the radius: the linear
// geometry (a rectangular channel), electrophoresis (a constant driving force
// in the channel) and the external loading cell, a channel whose outer end
// tapers and is partly covered by a layer of oil at the bottom.
//
// Elements on the global grid (pGridRadius, N = nGridPointsAllocated, r_1 the
// meniscus, r_N the bottom); node indices are 1-based, pairs more than one
// apart and indices outside 1..N give 0.
#pragma once

// ---------------------------------------------------------------- the cell
inline constexpr double dTaperDepth = 0.0373;      // radial length of the taper (cm)
inline constexpr double dTaperNarrowing = 0.311;   // the width falls by this fraction over the taper
inline constexpr double dTaperVolume = 0.0121;     // volume of the taper (ml)
inline constexpr double dChannelWidth = 0.32;      // cm
inline constexpr double dChannelHeight = 1.2;      // cm

// Oil volume of the run (ml), asked by the loading-cell model command; 0.01
// at start.
extern float fElcOilVolume;
// Radial depth of the oil layer (cm), and the radius where the part of the
// taper that the oil does not cover begins (cm; dTaperDepth until the first
// derivation). Set by loadingCellConstants.
extern double dOilDepth;
extern double dTaperStartRadius;

// The oil depth h of the volume V: 0 without oil; inside the taper (V below
// its volume) the root of V = A ((1 - a) h + a h^2 / (2 d)), A the channel's
// cross-section; above it (V - dTaperVolume) / A. The taper start is
// r_N - (dTaperDepth - h).
void loadingCellConstants();

// The mass, diffusion and sedimentation elements of the loading cell and its
// node weight: the rectangular channel's closed forms where the elements of
// the nodes lie below the taper start, and for any oil volume of at least the
// taper's volume (the taper is then full of oil); else the quadrature with
// the loading-cell coefficient.
double loadingCellFeElement(int i, int j);
double loadingCellFeElement2(int i, int j);
double loadingCellFeElement3(int i, int j);
double loadingCellFeWeight(int i);
// The channel is covered by oil where the loading-cell elements are planar.
bool loadingCellAllPlanar();

// ---------------------------------------------------------------- the rectangular channel
// int phi_i phi_j dr (meniscus and bottom as the outer radii of the end elements)
double planarMassElement(int i, int j);
// int phi_i' phi_j' dr with every element width h = (fBottom - fMeniscus) / (N - 1)
double planarStiffnessElement(int i, int j);
// int phi_i phi_j' r dr
double planarSedimentationElement(int i, int j);
// int phi_i phi_j' dr
double planarDriftElement(int i, int j);
// int phi_i dr over the element width: 0.5 at the ends, 1 inside
double planarHatWeight(int i);
