// Experiment files of the sibling analysis program DRELLIX, and the model
// parameter and configuration files that go with an export of a continuous
// model.
#pragma once

class TXLAWindow;

// Species handed to DRELLIX with an export (1..nExportSpecies): the s value
// of each c(s) peak and its molar mass by the model's M(s) relation;
// bExportPeaksAsSpecies when the user chose to convert the peaks. Filled and
// freed by the export command.
extern int nExportSpecies;
extern float* pExportSpeciesS;
extern float* pExportSpeciesM;
extern unsigned char bExportPeaksAsSpecies;

// Writes the experiment file of the loaded data set, asking for the solvent
// and cell values (title "make DRELLIX xp file") unless a serialised fit or a
// generated series runs. False when no data are loaded (silently) or the
// file could not be written ("could not open ..." in a box titled "ERROR").
bool writeXpExperimentFile(TXLAWindow* pWindow, const char* szPath);

// Writes the configuration file at szConfigPath, which names the experiment
// file szXpPath and the parameter file (the configuration path with the
// extension "drellix_PAR"), and that parameter file. The configuration path's
// parts are left in szScanDrive, szScanDir, szScanName and szScanExt. False
// when either file could not be opened (a stop box titled "ERROR").
bool writeExportParameterFile(TXLAWindow* pWindow, const char* szConfigPath, const char* szXpPath);

