// Message boxes of the scan-data subsystem. They belong to the main window;
// error boxes are preceded by the error sound, notices by the info sound.
#pragma once

#include <string>
#include <utility>
#include <vector>

// An OK box after the error sound.
void scanErrorBox(const char* szText, const char* szCaption);
// An OK box after the information sound.
void scanInfoBox(const char* szText, const char* szCaption);
// An OK box without a sound (a null caption gives the default one).
void scanNoticeBox(const char* szText, const char* szCaption);
// A Yes/No question; true for Yes.
bool scanYesNoBox(const char* szText, const char* szCaption);
// One notice (caption "LOAD") for what a load left out of its files: the
// lead line, then "<count> in <file>" for up to ten files and the number of
// files beyond them. Nothing for an empty list.
void tellLeftOutPerFile(const char* szLead, const std::vector<std::pair<std::string, int>>& files);
