// Text files of the data set, the fit and the distribution for outside
// plotting programs, written into the temporary folder szTempDir under fixed
// names. Each call rewrites its files; none changes program state. A file
// that cannot be created is reported ("Attention: could not open ...") and
// the writer returns 0 (or false) at once.
#pragma once

// "<n>.fit" for the scan at time-order place n: every point, radius and fit.
// nScans, or 0.
int writeFitFiles();
// "<n>.dat" likewise with the measured signal, then "times.dat" with the
// scans' times in time order. nScans, or 0.
int writeDataFiles();
// The distribution, one row per grid point (light-scattering radii as log10
// of nm): "dist.txt" ending in the marker row "-999.999 -999.999" with the
// marker flag, else "dist.dat"; szPath, when given, instead of that name.
// False without a distribution or when the file fails.
bool writeDistributionFiles(bool bWithMarker, const char* szPath = nullptr);
// "sasdist.dat", the size-and-shape distribution, while a c(s,ff0) model is
// active (true); false otherwise.
bool writeSizeShapeDistributionFile();
// "dlsdata.dat": the light-scattering measurements in storage order, data,
// fit and residuals over the fit range with the lags in seconds. nScans, or 0.
int writeDlsData();
// "SEdata.dat": equilibrium scans in storage order with the subtracted
// time-invariant noise added back, then the noise. nScans, or 0.
int writeSedEqData();
// "svdfrdata.dat" (or szPath): the column table of noise, data and fit of
// the scans in time order. nScans, or 0.
int writeSvdFrData(const char* szPath = nullptr);
