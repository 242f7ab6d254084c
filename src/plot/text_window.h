// The modal text window: lets the user type or paste a longer text (an amino
// acid sequence for the protein calculator) and hands it back in the
// caller's buffer.
#pragma once

// Shows a window with one editor holding szInitialText when bInitialText is
// set (else empty) and returns when the user closes it. The text left in it
// is then in szBuffer, at most nCapacity - 1 characters and the terminator.
// Returns 0; -1 (buffer untouched) while another text window is open.
int runRichEditWindow(char* szBuffer, int nCapacity, unsigned char bInitialText, const char* szInitialText);
