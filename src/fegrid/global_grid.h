// GlobalLammGrid: the one program-wide radial grid on which the interacting,
// non-ideal and single-species models are propagated, with the work arrays of
// the propagators, the time and scan bookkeeping they share, the rotor state
// and the status flags the model evaluation reads after a run.
//
// Arrays are 1-based: an array of N points holds N + 1 doubles and element 0
// is never used. They are allocated as one set for nGridPoints and live until
// they are freed; nGridPointsAllocated is the size of the set in place and
// the only bound a propagator may use (nGridPoints may already hold the size
// of the next allocation). Which blocks exist depends on bMovingHat and on the
// model family, so a change of either frees the set.
#pragma once

#include <cstddef>

#include "fegrid/inhomogeneous_solvent.h"
#include "lamm/lamm_globals.h"
#include "platform/win_types.h"

class CVector;
class CCurve;

// ---------------------------------------------------------------- grid and storage
extern int nGridPoints;             // N of the next allocation, default 1000
extern int nGridPointsAllocated;    // N of the arrays in place
extern unsigned char bGridArraysAllocated;

extern double* pGridRadius;         // cm, increasing; first = meniscus, last = bottom
extern double* pGridConc;           // signal on the grid, advanced in place
extern double* pGridConcPrev;       // profile at the start of the current step
extern double* pGridRhs;            // right-hand side of a step
extern double* pGridConcSnapshot;   // profile taken at a scan time
extern double* pStiffLower;         // sedimentation-diffusion matrix A
extern double* pStiffDiag;
extern double* pStiffUpper;
extern double* pMassUpper;          // mass matrix B
extern double* pMassDiag;
extern double* pMassLower;
extern double* pLhsLower;           // B - (dt/2) A
extern double* pLhsDiag;
extern double* pLhsUpper;
extern double* pRhsLower;           // B + (dt/2) A
extern double* pRhsDiag;
extern double* pRhsUpper;
extern double* pTridagGam;          // factors and pivots of the last factorisation
extern double* pTridagPivot;

// Blocks that exist only for some models, each carved into arrays of N + 1
// doubles (index 1..count; slot 0 is unused). Null when absent.
inline constexpr int nMovingHatArrays = 17;
inline constexpr int nNonidealArrays = 17;
inline constexpr int nHeteroArrays = 47;
extern double* pMovingHatBlock[nMovingHatArrays + 1];  // with bMovingHat
extern double* pFeGridRadius;       // radii of the moving grid: pMovingHatBlock[10]
extern double* pNonidealBlock[nNonidealArrays + 1];    // self-association and non-ideal models
extern double* pLocalS;             // node s: pNonidealBlock[1]
extern double* pLocalD;             // node D: pNonidealBlock[16]
extern double* pGridConcTrial;      // predictor profile: pNonidealBlock[17]
extern double* pHeteroBlock[nHeteroArrays + 1];        // A + B <-> AB
// The two profiles of A and B and their curve, made at allocation when the
// hetero-association run uses the moving hat.
extern CVector* pHeteroProfileA;
extern CVector* pHeteroProfileB;
extern CCurve* pHeteroCurve;

// The variable-spacing and truncated grid.
extern unsigned char bVariableGridRequest;
extern double dVariableGridStartRadius;  // cm
extern double dVariableGridBaseStep;     // cm
extern unsigned char bVariableGridBuilt;
extern double dTruncationRadius;         // cm
extern int nTruncationIndex;
extern double dTruncationStep;           // cm

// ---------------------------------------------------------------- time and step state (s)
extern double dSimTime;
extern double dTimeStep;
extern int nTimeStepCount;
extern double dMaxTimeStep;
extern double dMaxDcOverCWork;      // working max dc/c; the fixed dt in s with bFixedTimestep
extern double dMaxDcOverCLow;       // 0.1
extern double dMaxDcOverCHigh;      // 0.5
extern double dLammDefaultB;        // 2.0
extern double dLammDefaultC;        // 1.0
extern double dMaxRelativeChange;   // early-end threshold, 1e-6
extern int bStepToScanTime;
extern double dStepTargetTime;
extern double dNextScanTime;
extern int nSimScanIndex;           // position in the time order of the next scan
extern float fLastRelativeChange;   // shown as "ri"
extern double dLastFactoredTimeStep;
extern int bMatricesChanged;

// ---------------------------------------------------------------- rotor and species
extern double dOmega;               // full rotor speed, rpm
extern double dOmegaNow;            // rotor speed over the current step, rpm
extern unsigned char bRotorAccelerating;
extern double dAccelerationTime;    // end of the linear acceleration, s
extern double dAngularAcceleration; // rpm/s
extern double dMaxAccelTimeStep;    // 1.0 s
// (The species' s and D, dLammS and dLammD, and its number nSimSpeciesIndex
// are in lamm/lamm_globals.h.)

// ---------------------------------------------------------------- run control and status
// (bSimulateBeyondLastScan lives with the fitting engine's switches.)
extern int bSimulationRunning;
extern int bSimulationError;
extern int bDiscretizationError;
extern int bNonidealityOutOfRange;
extern int nSimOutputMode;          // 1: profiles go into the scans' model arrays
extern unsigned char bHeteroAssocRun;
extern unsigned char bBackDiffusionShutOffActive;
// Set by the dynamic grid size for species that keep the whole grid active
// (no window of the static-grid propagator); cleared after each run.
extern unsigned char bFullGridActive;

// ---------------------------------------------------------------- co-solute work block
extern unsigned char bCosoluteArraysAllocated;
extern int nCosoluteGridAllocated;
inline constexpr int nCosoluteArrays = 22;
inline constexpr int nNonidealCosoluteArrays = 14;
extern double* pCosoluteBlock[nCosoluteArrays + 1];
extern double* pCosoluteGridRadius;  // pCosoluteBlock[1]
extern double* pNonidealCosoluteBlock[nNonidealCosoluteArrays + 1];

// ---------------------------------------------------------------- operations
// Allocates the set for nGridPoints and lays out the radii; false when the
// memory is not available (everything is then freed).
bool allocRadialGridArrays();
// Releases everything; safe when nothing is allocated.
void freeRadialGridArrays();
// Without arrays: false, nothing changes. Else frees, takes n points and
// allocates again.
bool resizeRadialGrid(int n);
// Fills pGridRadius for the current layout: moving hat, equidistant
// (Claverie), variable spacing (Claverie on request) or cell centres.
void setupRadialGrid();
// Picks N for the variable-spacing grid that is equidistant up to the radius
// x (cm) and allocates; returns N.
int chooseRadialGridSize(float x);
// Regrids the outer part of a variable-spacing grid for the equilibrium
// gradient exp(sigma (r^2 - b^2)), sigma in 1/cm^2; true when it did.
bool truncateRadialGrid(double sigma);
// The memory the machine has available holds this many doubles more (the
// grid sets, the buffer module and the co-solute block are measured against it
// before they are allocated: memory is committed lazily here).
bool memoryAvailableForDoubles(size_t nDoubles);
// The co-solute work block for nCosoluteGridSize points.
bool allocSolverWorkBlock();
void freeSolverWorkBlock();
// Rotor speed (rpm) in effect over [t, t + dt] during the linear acceleration.
double effectiveOmegaDuringAcceleration(double t, double dt);
// The limits of a step from dSimTime while the rotor ramp is simulated and the
// rotor accelerates: at most dMaxAccelTimeStep, and not past the end of the
// acceleration.
double clipStepToAcceleration(double dt);
