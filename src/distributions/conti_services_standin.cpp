// Mean-field ctot(r,t) services the Data menu forwards to, until the
// continuous distributions are part of the program: there is no mean field to
// reset, restore, export or show.
#include "app/xla_window.h"
#include "distributions/conti_globals.h"

void askResetMeanFieldCtotData(TXLAWindow*) {}
void forgetMeanFieldCtotData() {}
void TXLAWindow::LoadCtotDataFiles(int) {}
void TXLAWindow::SaveCtotDataFile() {}
void TXLAWindow::UseCtotDataFlag() {}
