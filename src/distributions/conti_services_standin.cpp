// Mean-field ctot(r,t) services the Data menu forwards to, and the non-ideal
// c(s) list and mean-field steps the distribution run calls, until the
// non-ideal c(s) is part of the program: there is no mean field to reset,
// restore, export or show, nor to save or offer beside a parameter file, and
// the run refuses the non-ideal model before it would reach the list.
#include "app/xla_window.h"
#include "distributions/conti_globals.h"

void askResetMeanFieldCtotData(TXLAWindow*) {}
void forgetMeanFieldCtotData() {}
void TXLAWindow::LoadCtotDataFiles(int) {}
void TXLAWindow::SaveCtotDataFile() {}
void TXLAWindow::UseCtotDataFlag() {}
void saveCtotDataWithParameters(const char*) {}
void TXLAWindow::LoadCtotDataWithParameters(const char*) {}

void RunNonidcofsSedList(TXLAWindow*, int, double*, double*, double*) {}
void updateMeanFieldParameter() {}
void endMeanFieldIteration() {}
