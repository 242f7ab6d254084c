// The last fit's information shown again, until the fitting engine is part of
// the program: no fit has run, so there is nothing to show.
#include "app/xla_window.h"

void TXLAWindow::CmShowLastFitInfo() {}
