// Tab-separated text tables of numbers, written from and read into one-based
// matrices, and the reduction of paired arrays to one value per distinct key.
//
// Written lines: for each column a tab and the value as "%f"; one line per
// row. Reading takes one table row per line, numbers separated by blanks or
// tabs; what follows the last expected column of a line is skipped. Lines
// may be of any length. Failures show a non-fatal error box.
#pragma once

// Rows nrl..nrh, columns ncl..nch of m, one line per row; an empty range
// writes an empty file. False (after the box) when the file cannot be
// opened or written.
bool saveMatrixFile(double** m, int nrl, int nrh, int ncl, int nch, const char* szPath);
bool saveFloatMatrixFile(float** m, int nrl, int nrh, int ncl, int nch, const char* szPath);
// The same, one line per column: line j holds m[nrl..nrh][j].
bool saveMatrixFileTransposed(double** m, int nrl, int nrh, int ncl, int nch, const char* szPath);
bool saveFloatMatrixFileTransposed(float** m, int nrl, int nrh, int ncl, int nch, const char* szPath);

// Reads nColumns numbers from every line of the file. The line count L goes
// to *pnLines (a file counts at least one line, so an empty file fails).
// readMatrixFile gives matrix(1, nColumns, 1, L) with [j][i] = column j of
// line i; readMatrixFileB gives matrix(1, L, 1, nColumns) with [i][j].
// Null with *pnLines = 0 when the file cannot be opened or a line holds too
// few numbers; nothing is then left allocated.
float** readMatrixFile(const char* szPath, int nColumns, int* pnLines);
float** readMatrixFileB(const char* szPath, int nColumns, int* pnLines);

// Pairs (x[i], y[i]) and (key[i], y[i]), i = 1..n, reduced to the largest y
// per distinct x and per distinct key, in ascending order of x and key. The
// output arrays are one-based with room for n entries: pX[1..*pnX] with
// pYPerX, pKeys[1..*pnKeys] with pYPerKey. Always true.
bool maxYPerDistinctX(int n, const float* x, const int* key, const float* y, int* pnX, float* pX, float* pYPerX,
                      int* pnKeys, float* pYPerKey, int* pKeys);
