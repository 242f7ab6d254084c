// The rotor-stretch correction belongs to the raw-data tools, which are not
// part of the program yet: the scans stay as loaded. The tools' own file
// replaces this one.
#include "app/xla_window.h"

void TXLAWindow::CmUndoRotorStretch() {}
