// Experiment files of the sibling analysis program DRELLIX and the parameter
// file that goes with an export.
#pragma once

// Species handed to DRELLIX with an export (1..nExportSpecies): s values and
// concentrations; bExportPeaksAsSpecies when they come from the peaks of a
// distribution.
extern int nExportSpecies;
extern float* pExportSpeciesS;
extern float* pExportSpeciesConc;
extern unsigned char bExportPeaksAsSpecies;

// Writes the experiment file of the loaded data set; false when it could not
// be written.
bool writeXpExperimentFile(const char* szPath);
// Writes the parameter file of an export with the species list; false when
// it could not be written.
bool writeExportParameterFile(const char* szOutput, const char* szName, const char* szXpPath);
