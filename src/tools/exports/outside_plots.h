// The outside plotting programs: the six plotting executables of the "bin"
// folder (Plot commands 878 to 883, TXLAWindow members) and PLOKA (899, 900,
// 901). They get the text exports of the temporary folder and a command
// line; nothing is read back.
#pragma once

class TXLAWindow;

// The code of the plotting executables' command lines.
inline constexpr int nPlotProgramCode = 4113;

// PLOKA on light-scattering data, fit and residuals ("--idls", or "--dls"
// for field autocorrelation data), and on equilibrium data ("--sedfr"). Each
// writes its data file first and does nothing when a precondition fails.
void launchPlokaDls(TXLAWindow* pWindow);
void launchPlokaSedEq(TXLAWindow* pWindow);
