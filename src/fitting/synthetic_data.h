// Synthetic data: Generate > Single (214) and Generate > Series (647) replace
// the loaded data by scans of the current model, simulated at radii a fixed
// step apart and at regular times for a chosen rotor speed, with Gaussian
// noise, each written as a radial scan file, so that fits can be tried where
// the truth is known. A series makes one such data set for every combination
// of spacings, rotor speeds, noise levels, menisci and concentrations of a
// second species, each in a numbered folder with marker files and a DRELLIX
// experiment file. The scans themselves: TXLAWindow::GenerateSyntheticData.
#pragma once

// The distribution file a continuous model is simulated from: "distrib.dat"
// in the folder of the generated scans (set by each generation).
extern char szDistribPath[260];

// The number of radii meniscus, meniscus + dr, ... (added up in single
// precision) that do not exceed the bottom; 0 when dr is not positive or
// the meniscus lies beyond the bottom. With pRadii (room for the count, from
// 1) the radii themselves.
int syntheticRadii(float fMeniscus, float fBottom, float dr, float* pRadii);

// The number of scans of "0 for auto": the time species 1 (s in S) takes
// from the meniscus to the right fitting limit at the rotor speed, in scan
// intervals; 0 when it never gets there (s not above 0, or a limit not beyond
// the meniscus).
int automaticScanCount(float fS, float fMeniscus, float fRightLimit, float fRpm, float fInterval);
