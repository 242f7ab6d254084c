// Modal dialogs that ask for a table of numbers whose size and labels are
// known only at run time. Each is built on one of the nearly empty templates
// 1086 (fewer than 5 rows), 1097 (5 or 6 rows) or 1096 (7 or more), which
// carry only OK and Cancel; the dialog makes its labels, edit fields and
// check boxes at pixel positions (row pitch 28 from y = 10, height 18).
//
// A runner takes the caller's one-based tables, hands them to its dialog
// (module-level state: the dialogs take no data arguments), runs it and
// tells whether the user confirmed. OK checks every field as "%f": a field
// that is no number gives the box "not a number in <label>" titled "errror"
// and keeps the dialog open. The caller's tables change only when the
// dialog closes with OK: Cancel leaves them exactly as they were, also after
// a refused OK.
//
//   float** v = matrix(1, 2, 1, 3);  char** row1 = ...;  char*** labels = ...;
//   if (GetMatrix(this, 2, 3, v, labels, "set meniscus+limits")) { ... }
//
// A caption given once stays the caption of later runs of the same dialog
// that pass none; before any, the templates' "Testing Dialog Boxes" shows.
// The runners are not reentrant.
#pragma once

#include <vector>

#include "platform/win.h"

// rows x columns values[i][j] (matrix(1, rows, 1, columns)), each with its
// label labels[i][j]. False without a dialog when either count is below 1,
// and on Cancel.
bool GetMatrix(win::TWindow* parent, int rows, int columns, float** values, char*** labels, const char* caption);

// The same with a fit check box per cell. hasValueField[i][j] = 0 leaves a
// cell without a value field (null: every cell has one); a cell has a check
// box when fitFlags and hasCheckBox are both given and hasCheckBox[i][j] is
// non-zero. OK stores each check box into fitFlags[i][j] (1 ticked, 0 not).
bool GetMatrixFit(win::TWindow* parent, int rows, int columns, float** values, int** hasValueField, int** fitFlags,
                  int** hasCheckBox, char*** labels, const char* caption);

// n named values[1..n] with check boxes flags[1..n] and units[1..n] (null:
// none), then m option check boxes extraFlags[1..m] labelled extraLabels.
// False without a dialog for n < 1.
bool GetParams(win::TWindow* parent, int n, float* values, int* flags, char** names, char** units, int m,
               int* extraFlags, char** extraLabels, const char* caption);

// The tables of the association-scheme dialog. Species are rows 1..nRows
// (names pRowNames[i]), parameters columns 1..nColumns (pColumnNames[j]); a
// cell with pPresent[i][j] non-zero has a value field and a fit check box
// (pValues, pFitFlags: matrix(1, nRows, 1, nColumns)). The optional sections
// are shown when their tables are given:
// - energetics: per species the index of its reference state ("ref#",
//   pReference[i]) and of the species its energetic parameters are compared
//   with ("+=#", pComparison[i]); 0 = none, else another species' index;
// - nonideality: two values pNonideality[1..2] with fit flags
//   pNonidealityFit[1..2], labelled "ks (ml/g)" and "B2 (ml/g)", or
//   "total #" and "uM/w% of" when bAlternativeNonideality is set;
// - incompetent fractions: the option box "with incompetent fractions"
//   (*pbIncompetent); while it is on, a fraction pIncompetentFraction[i]
//   (0..1) with fit flag pIncompetentFit[i] per species;
// - the option box "with other non-participating species" (*pbOtherSpecies).
struct ParameterMatrixTables {
    int nRows = 0;
    int nColumns = 0;
    float** pValues = nullptr;
    int** pFitFlags = nullptr;
    int** pPresent = nullptr;
    char** pRowNames = nullptr;
    char** pColumnNames = nullptr;
    int* pReference = nullptr;
    int* pComparison = nullptr;
    float* pNonideality = nullptr;
    int* pNonidealityFit = nullptr;
    int bAlternativeNonideality = 0;
    int* pbIncompetent = nullptr;
    float* pIncompetentFraction = nullptr;
    int* pIncompetentFit = nullptr;
    int* pbOtherSpecies = nullptr;
};

// Runs the association-scheme dialog. When the user ticks "with incompetent
// fractions" while the fractions were not shown, the dialog opens again with
// them. False for counts below 1 and on Cancel (tables unchanged).
bool GetParameterMatrix(win::TWindow* parent, ParameterMatrixTables* pTables, const char* caption);

// The template of a run-time dialog of this many rows.
int entryDialogTemplate(int rows);

// ------------------------------------------------------------ the dialogs

class GetMatrixBox : public win::TDialog {
public:
    GetMatrixBox(win::TWindow* parent, int resId);
    ~GetMatrixBox() override;
    void SetupWindow() override;
    bool CanClose() override;
    // Width of the labels of column j (pixels), slots 1..columns.
    std::vector<int> nLabelWidth;

private:
    float** pWork;                    // the values while the dialog is up
    std::vector<win::TEdit*> pFields; // (i - 1) * columns + j - 1
};

class GetMatrixFitBox : public win::TDialog {
public:
    GetMatrixFitBox(win::TWindow* parent, int resId);
    ~GetMatrixFitBox() override;
    void SetupWindow() override;
    bool CanClose() override;
    std::vector<int> nLabelWidth;

private:
    float** pWork;
    std::vector<win::TEdit*> pFields;        // null for a cell without a field
    std::vector<win::TCheckBox*> pChecks;    // null for a cell without a box
};

class GetParamsBoxBox : public win::TDialog {
public:
    GetParamsBoxBox(win::TWindow* parent, int resId);
    void SetupWindow() override;
    bool CanClose() override;

private:
    std::vector<win::TEdit*> pFields;
    std::vector<win::TCheckBox*> pChecks;
    std::vector<win::TCheckBox*> pExtraChecks;
};

class GetParameterMatrixBox : public win::TDialog {
public:
    GetParameterMatrixBox(win::TWindow* parent, int resId);
    void SetupWindow() override;
    bool CanClose() override;

private:
    std::vector<win::TEdit*> pFields;
    std::vector<win::TCheckBox*> pChecks;
    std::vector<win::TEdit*> pReference, pComparison, pFraction;
    std::vector<win::TCheckBox*> pFractionChecks;
    win::TEdit* pNonideal[3] = {};
    win::TCheckBox* pNonidealChecks[3] = {};
    win::TCheckBox* pIncompetentBox = nullptr;
    win::TCheckBox* pOtherBox = nullptr;
};
