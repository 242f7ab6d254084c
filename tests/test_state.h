// The program's state as a fresh process has it, for tests that run one
// after another in one process: the program keeps its data set, settings,
// plots and tools in globals, and a test must not see what another left
// there (nor depend on the order the tests run in).
#pragma once

// Records the start values of the program's globals; once, before the first
// test.
void recordProgramStartState();

// Releases what the program holds (scans, pending files, noise arrays, plots,
// tools, fonts...) through its own release functions where it has them and
// puts every global back to its start value. Before every test.
void resetProgramState();
