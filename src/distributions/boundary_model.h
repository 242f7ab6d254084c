// A direct boundary model of the loaded scans from an apparent distribution
// g(s*): every s* bin is a sharp, radially diluted step at the position a
// non-diffusing species of that s* reaches at each scan.
#pragma once

// ppTable[1][i] holds s* (S, a uniform grid) and ppTable[2][i] g(s*) of row i
// = 1..nRows (further columns unused). The steps go into the scans' model
// values and, as the basis of one fixed species, onto the noise grid; the
// systematic noise (or baseline) of the noise model is solved against them
// and the rmsd computed. False (nothing changed) without scans, without
// meniscus and bottom, or with a table of fewer than 2 rows (a box says so).
bool boundaryModelFromGs(float** ppTable, int nColumns, int nRows);
