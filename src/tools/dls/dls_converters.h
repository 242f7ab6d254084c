// Light-scattering instrument exports to dlsdat files.
//
// Each converter reads one export (input path), converts lags to seconds and
// values to g(2)-1, and writes one or more dlsdat files (fieldAcf 0, lags
// written as seconds). Constants the export lacks are passed in: temperature
// in degrees Celsius, viscosity in poise, wavelength in metres, angle in
// degrees. A converter that cannot open or parse its input (a missing label
// or measurement header, text ending inside a block, no rows) writes nothing
// and returns false (0); the multi-measurement converters return the number
// of measurements. Arrays are sized by the count the file or the caller
// gives. The commands of Options > DLS Tools > Convert DLS Data To MORVEX
// Format are members of the main window.
#pragma once

// ALV-5000/E ASCII export: the labelled header values after their tabs and
// the correlation block (lags in ms) up to an empty line or 1000 points.
bool convertAlvDls(const char* szInput, const char* szOutput);
// Dynamics 7 (comma-separated) and Protein Solutions 6.2.05 exports: rows of
// lag (microseconds) and g(2) after the line holding "Coef".
bool convertDynamics7Dls(const char* szInput, const char* szOutput, float fTemperature, float fRefractiveIndex,
                         float fViscosity, float fWavelength, float fAngle);
bool convertPS99v6Dls(const char* szInput, const char* szOutput, float fTemperature, float fRefractiveIndex,
                      float fViscosity, float fWavelength, float fAngle);
// PhotoCor runtime report: labelled values after ":" and ARG[i]/ACF[i] pairs.
bool convertPhotoCorDls(const char* szInput, const char* szOutput);
// Two columns of lag (in units of fLagUnit seconds) and raw g(2) counts,
// normalised by the baseline; the points are sorted by lag.
bool convertTwoColumnG2Dls(const char* szInput, const char* szOutput, float fLagUnit, float fBaseline,
                           float fTemperature, float fTime, float fCountRate, float fRefractiveIndex, float fViscosity,
                           float fAngle, float fWavelength);
// Two columns of lag (microseconds) and g(2)-1, as they stand.
bool convertTwoColumnG2m1Dls(const char* szInput, const char* szOutput, float fTemperature, float fTime,
                             float fRefractiveIndex, float fViscosity, float fAngle, float fWavelength);
// BIC exports by token position: 9kdlsw32 version 3.19 (title from the text
// lines after the rows) and the old DOS program.
bool convertBicDls(const char* szInput, const char* szOutput);
bool convertOldDosBicDls(const char* szInput, const char* szOutput);
// Protein Solutions version 4: every "Measurement number k" block into
// "%05d.dlsdat" in the output's folder, and their mean into "average.dlsdat".
int convertPSv4Dls(const char* szInput, const char* szOutput, float fTemperature, float fRefractiveIndex,
                   float fViscosity, float fWavelength, float fAngle, int nChannels);
// Protein Solutions 99 version 5.20.05: one "%05d.dlsdat" per measurement,
// header values from the summary rows after "SOS".
int convertPS99Dls(const char* szInput, const char* szOutput, float fViscosity, float fRefractiveIndex,
                   int nChannels);
// Protein Solutions 99 version 5.26.38: the coefficient table's average
// column into "average.dlsdat", and with bTimeCourse every measurement's
// column into "%05d.dlsdat".
int convertPS99v526Dls(const char* szInput, const char* szOutput, float fViscosity, float fRefractiveIndex,
                       int nChannels, bool bTimeCourse);
