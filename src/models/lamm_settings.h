// The Lamm equation settings file "morvexlammparams.ini" and the switches
// between the recorded scan times and the times from omega-squared-t. The
// settings themselves are declared in models/model_globals.h.
#pragma once

class TXLAWindow;

// Number of entries of the settings file.
inline constexpr int nLammSettingsEntries = 28;

// The least radial grid size the Lamm solutions can use, for the plain size
// and both limits of the dynamic size; the dialog refuses less, and a file
// that holds less keeps the setting. Measured on the example's species (4.3
// S, 6.1e-7 cm^2/s, loading 0.8, 50000 rpm, 6.0-7.2 cm, noise 0.004): one
// point breaks the tridiagonal solver ("Error 1 in tridag"), two lose the
// boundary (0.79 off a fine grid's model), and below 75 the global grid's
// propagators leave the fine grid's model by more than 1.5 % of the loading
// (0.29 at 50 points); from 75, the default lower limit, every solver the
// settings drive stays within it (docs/models.md has the figures).
inline constexpr int nMinLammGridSize = 75;

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
