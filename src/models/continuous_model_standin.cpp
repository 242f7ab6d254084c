// The c(M) distribution model command (235), until model selection is part
// of the program: no model can be selected, so nothing changes and the menu
// item stays grayed.
#include "app/xla_window.h"

void TXLAWindow::CmModelContinuousCM() {}
