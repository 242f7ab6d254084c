// Loading, averaging and switching light-scattering data (the commands are
// members of the main window: LoadDlsData, CmSaveMeanDlsData,
// CmToggleIntensityFieldAcf, CmAlwaysLoadG2).
#pragma once

// Writes the mean of the loaded measurements on the common lag grid as one
// dlsdat file titled "averaged": per grid point the mean of the values
// squared with their sign (g(1) back to g(2)-1), measurement 1's header with
// the mean temperature. False without loaded light-scattering data or when
// the file could not be written.
bool saveMeanDlsData(const char* szPath);

// The y-axis title of the data and residual plots for the loaded
// measurements: "g(1) field autocorrelation " while measurement 1 holds g(1),
// else "g(2)-1 intensity autocorrelation ".
const char* dlsAcfAxisTitle();
