// Continuous-distribution state tied to the loaded data.
#pragma once

// Nonideal c(s) state kept for the loaded data.
class CContiNonid {};

// Deleted and set to null whenever the scan data set is freed or replaced.
extern CContiNonid* pContiNonid;

// The s-grid limit warnings were accepted for the loaded data; cleared when
// the data are released.
extern unsigned char bSGridLimitsAccepted;

class TXLAWindow;
// Asks "reset mean field ctot data?" when new files are loaded.
void askResetMeanFieldCtotData(TXLAWindow* pWindow);
// Clears the mean-field ctot(r,t).
void forgetMeanFieldCtotData();
// The distribution fits write their matrices to files (command 877).
extern unsigned char bExportMatrices;
