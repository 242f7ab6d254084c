// Error contour maps: the best attainable rmsd as a function of one or two
// parameters held fixed on a grid, all other floated parameters refitted at
// every point (fitWithFixedParameters). The profile of lg(K) of the
// self-association models; the maps of the monomer and oligomer s of those
// models and of s against M (or D) of the first discrete species, either
// over the whole rectangle (contour level 0) or along the line where the
// refitted rmsd equals the level. Results are text files for plotting
// elsewhere; each grid point is printed in the window as it is refitted.
#pragma once

class TXLAWindow;

// Points of a grid axis from fMin to fMax by fStep: floor((max - min) /
// step + 1e-5) + 1.
int contourGridSize(float fMin, float fMax, float fStep);

// "%d: (%.2f , %.2f) %f" at x = 350 on the next of 15 lines (line k at
// y = 20 k + 10; after line 15 again line 1). Returns the y written at.
int showGridPointProgress(TXLAWindow* pWindow, float x, float y, float fRmsd, int nRow);

// The table of the last map: rows of (x, rmsd) for the profile, (x, y, rmsd)
// for the maps; it stays until the next map (or the release) frees it.
extern float** pContourTable;
extern int nContourRows;
extern int nContourColumns;
extern int nContourRow;       // rows stored so far
extern int nGridProgressLine; // the line of the last grid point printed
void freeContourTable();

// The profile of lg(K) (fSALog10Ka, entry 3) from fMin to fMax by fStep
// (added in single precision): the rows (x, rmsd) into the file.
void errorContourK(TXLAWindow* pWindow, const char* szFile, float fMin, float fMax, float fStep);
// The monomer and oligomer s of the self-association models (entries 5 and
// 6), and s and M (or D) of species 1 (entries 5 and 1). Level 0: every
// point of the rectangle, from the start point in a serpentine (columns of x
// in turn up and down in y); the rows (x, y, rmsd) into the file. Level > 0:
// a walk that stays next to the line rmsd = level, whose crossings,
// interpolated between consecutive refits and closed, go to the file as
// "%e %e" lines (an empty file when no refit crosses the level). A key ends
// a map: the file holds what was refitted before it. The fit flags of the
// mapped parameters are cleared and stay cleared; the vector is left at the
// last grid point.
void errorContourS1S2(TXLAWindow* pWindow, const char* szFile, float xMin, float xMax, float xStep, float yMin,
                      float yMax, float yStep, float fLevel, float xStart, float yStart);
void errorContourSM(TXLAWindow* pWindow, const char* szFile, float xMin, float xMax, float xStep, float yMin,
                    float yMax, float yStep, float fLevel, float xStart, float yStart);
