// One fit of the discrete model, until the optimisers are part of the
// program: nothing is fitted, the parameters stay as they are (the
// time-dependent s and M command that runs it stays grayed).
#include "app/xla_window.h"

void TXLAWindow::RunFit() {}
