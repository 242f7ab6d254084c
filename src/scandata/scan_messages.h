// Message boxes of the scan-data subsystem. They belong to the main window;
// error boxes are preceded by the error sound, notices by the info sound.
#pragma once

// An OK box after the error sound.
void scanErrorBox(const char* szText, const char* szCaption);
// An OK box after the information sound.
void scanInfoBox(const char* szText, const char* szCaption);
// An OK box without a sound (a null caption gives the default one).
void scanNoticeBox(const char* szText, const char* szCaption);
// A Yes/No question; true for Yes.
bool scanYesNoBox(const char* szText, const char* szCaption);
