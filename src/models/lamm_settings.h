// The Lamm equation settings file "morvexlammparams.ini" and the switches
// between the recorded scan times and the times from omega-squared-t. The
// settings themselves are declared in models/model_globals.h.
#pragma once

class TXLAWindow;

// Number of entries of the settings file.
inline constexpr int nLammSettingsEntries = 28;

// Reads szLammParamsIniPath: 1 when read, 0 when there is no file (defaults
// kept, nothing shown) or fewer than 26 numbers ("cannot find ..." and the
// defaults kept). A file without entries 27 or 28 is rewritten at once.
int ReadLammEqParameterPreferences(TXLAWindow* pWindow);
// Writes the 28 entries; 1 when the file could be written.
int SaveLammEqParameterPreferences(TXLAWindow* pWindow);

// The 28 settings as the file holds them (flags 1 or 0, entry 22 as the
// log10 of the truncation level), into pValues[1..28].
void lammSettingsToValues(double* pValues);

// Scan times from each scan's omega-squared-t (not for electrophoresis or
// light-scattering data); the rotor ramp goes off.
void switchOnTimesFromW2t(TXLAWindow* pWindow);
