// The defaults file "morvexparams.ini" and the last-directory file "morvex.ini".
//
// "morvexparams.ini" holds one value per line. Line 0 tells whether the
// warranty disclaimer was accepted; line k (k >= 1) is entry k of
// setDefaultPreference. The order is fixed in docs/app.md and in the table of
// preferences.cpp.
#pragma once

class TXLAWindow;

// Values of the defaults file that have no other home.
struct DefaultPreferences {
    unsigned char bDisclaimerAccepted = 0;
    // Lines 12-14 are the annealing settings of the fit engine (SAmaxTemp,
    // nSANumberOfTemps, nSAItMax in fitting/fit_globals.h); line 15:
    int nSAFinal = 1;             // final polish: 1 Marquardt-Levenberg, 2 simplex, 0 none
};
extern DefaultPreferences defaultPreferences;

// Number of lines of a complete defaults file (line 0 included).
int defaultPreferenceLines();

// Sets every preference to its default.
void applyPreferenceDefaults();
// Reads the defaults file into the preferences. A missing, short or damaged
// file gives the defaults for what is missing or unreadable (and out of
// range) and is rewritten. Returns 1 when the file was complete and valid.
int readDefaultPreferences();
// Writes all preferences; 1 on success.
int writeDefaultPreferences();
// Rewrites entry nIndex (1-based; line nIndex) of the defaults file with the
// value, when the file exists and is long enough; 1 on success.
int setDefaultPreference(TXLAWindow* pWindow, int nIndex, double dValue);

// The folder the load dialogs start in, filled by loadLastDirectory.
extern char szLastDataDir[260];
// Reads the last data directory (one line) from "morvex.ini" into the
// buffer (260 characters); empty when there is none or it does not fit.
void loadLastDirectory(TXLAWindow* pWindow, char* szBuffer);
// Writes the drive and directory of the path, whole, as the one line of
// "morvex.ini".
void saveLastDirectory(TXLAWindow* pWindow, const char* szPath);
