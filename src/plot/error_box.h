// The error box of the numerical code.
#pragma once

#include <string>
#include <vector>

// Shows text in the error box; a non-zero fatal flag also asks the program to quit.
int showErrorMessage(const char* text, int fatal);

// Messages shown so far (most recent last) and the number of quit requests
// made by fatal boxes; tests read them.
const std::vector<std::string>& shownErrorMessages();
int errorBoxQuitRequests();
void clearShownErrorMessages();
