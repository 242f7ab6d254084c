// The HydroPro launcher (Options > Calculator > Start HydroPro, command 876,
// TXLAWindow::CmStartHydroPro): HydroPro, an outside hydrodynamics program,
// predicts the sedimentation coefficient of a structure file. The launcher
// writes HydroPro's input and batch files into a fresh folder under the
// working folder, runs the batch, waits for it, and shows the result lines.
#pragma once

#include <string>
#include <vector>

#include "numerics/physical_constants.h"

// The program's file name: the file in the program folder, or the name a
// program is configured for in programs.ini.
inline constexpr const char* szHydroProExeName = "hydropro7cmsd.exe";

// The values of HydroPro's input file.
struct HydroProParameters {
    float fAER = 3.2f;            // radius of the atomic elements, Angstrom
    int nSig = -1;                // -1: HydroPro chooses the extreme radii
    float fSigMin = 1.0f;
    float fSigMax = 2.0f;
    float fTemperature = kStandardTemperatureF; // K
    float fViscosity = kWaterViscosity20PoiseF;  // poise
    float fMw = -1.0f;            // Da; -1: from the sequence of the structure
    float fVbar = 0.73f;          // ml/g; -1: from the sequence
    float fDensity = kWaterDensity20F;    // g/ml
};

// "hydropro.dat" for the structure <base>.pdb; false when it cannot be opened.
bool writeHydroProInput(const char* szPath, const std::string& base, const HydroProParameters& p);
// "hydropro.bat": the program and a pause, then exit; false when it cannot be
// opened.
bool writeHydroProBatch(const char* szPath);

// What the launcher takes from HydroPro's results text (read up to its first
// NUL): every "***" marker starts an error line (the next search begins three
// characters after the marker), and the line of "Sedimentation coefficient:"
// is the result. Lines end at a line feed or carriage return and are cut to
// 999 characters.
struct HydroProResults {
    std::vector<std::string> errorLines;
    bool bHaveResult = false;
    std::string resultLine;
};
HydroProResults extractHydroProResults(const char* szText);

// The text of the "HYDROPRO RESULTS" box.
std::string hydroProResultText(const HydroProResults& r);
