// The Lamm-solution store: the model signal of every grid point at every
// scan, on the common noise grid of the loaded scans. pLammSolutions[g][k] is
// a 1-based float vector (entries 1..nPoints) of grid point g at scan k; all
// vectors lie in one zero-filled block, that of grid point g and scan k at
// float offset ((g - 1) nScans + (k - 1)) (nPoints + 1).
#pragma once

extern float*** pLammSolutions;
// Grid points of the present store, kept for its release, and the points of
// each of its vectors.
extern int nLammSolutionStoreRows;
extern int nLammSolutionStorePoints;
// The grid point whose solution is being computed: the writers put their
// results into this row.
extern int nLammSolutionSet;

// Releases a previous store, then allocates nGrid x nScans vectors of
// nPoints + 1 floats, all zero; false (no message) when the memory cannot be
// had.
bool allocLammSolutionStore(int nGrid, int nScans, int nPoints);
// Releases the store when it exists; harmless otherwise.
void freeLammSolutionStore(int nGrid);
