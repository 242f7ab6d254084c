// Continuous-distribution state tied to the loaded data.
#pragma once

// Nonideal c(s) state kept for the loaded data.
class CContiNonid {};

// Deleted and set to null whenever the scan data set is freed or replaced.
extern CContiNonid* pContiNonid;

// The s-grid limit warnings were accepted for the loaded data; cleared when
// the data are released.
extern unsigned char bSGridLimitsAccepted;
