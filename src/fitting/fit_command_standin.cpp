// Fit (command 215), until the fitting engine is part of the program: there
// is no optimiser, so nothing is fitted and the menu item stays grayed.
#include "app/xla_window.h"

void TXLAWindow::CmFit() {}
