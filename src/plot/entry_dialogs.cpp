#include "plot/entry_dialogs.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "numerics/nrutil.h"

using namespace win;

namespace {

// Layout shared by the family, client pixels.
constexpr int nRowPitch = 28;
constexpr int nFirstRowY = 10;
constexpr int nControlHeight = 18;
constexpr int nFieldChars = 100;  // text limit of a value field, terminator included

// A caption given to a runner; it stays for the later runs that pass none.
struct Caption {
    char sz[1000] = {};
    bool bGiven = false;
    void take(const char* caption)
    {
        if (!caption) return;
        std::snprintf(sz, sizeof sz, "%s", caption);
        bGiven = true;
    }
    void apply(TDialog* d) const
    {
        if (bGiven) d->SetCaption(sz);
    }
};

int rowY(int i)
{
    return nFirstRowY + nRowPitch * (i - 1);
}

const char* text(const char* sz)
{
    return sz ? sz : "";
}

// The field's text read as "%f"; false (and *pf unchanged) for a text that
// holds no number, or no finite one.
bool parseFloat(TEdit* pField, float* pf)
{
    char buf[nFieldChars];
    pField->GetText(buf, sizeof buf);
    float v = 0;
    if (std::sscanf(buf, "%f", &v) != 1 || !std::isfinite(v)) return false;
    *pf = v;
    return true;
}

bool parseInt(TEdit* pField, int* pn)
{
    char buf[nFieldChars];
    pField->GetText(buf, sizeof buf);
    return std::sscanf(buf, "%d", pn) == 1;
}

void refuse(HWND owner, const char* format, ...)
{
    char sz[1200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(sz, sizeof sz, format, args);
    va_end(args);
    MessageBox(owner, sz, "errror", MB_OK);
}

// Width of a label column: nPerChar pixels per character of its longest
// label, at least 70.
int labelColumnWidth(char*** labels, int rows, int j, int nPerChar)
{
    size_t nLongest = 0;
    for (int i = 1; i <= rows; i++) {
        size_t n = labels && labels[i] ? std::strlen(text(labels[i][j])) : 0;
        if (n > nLongest) nLongest = n;
    }
    int w = nPerChar * int(nLongest);
    return w < 70 ? 70 : w;
}

const char* label(char*** labels, int i, int j)
{
    return labels && labels[i] ? text(labels[i][j]) : "";
}

int** filledIntMatrix(int rows, int columns, int value)
{
    int** m = imatrix(1, rows, 1, columns);
    for (int i = 1; i <= rows; i++)
        for (int j = 1; j <= columns; j++) m[i][j] = value;
    return m;
}

// ------------------------------------------------------------ module state

struct MatrixState {
    int nRows = 0, nColumns = 0;
    float** pValues = nullptr;
    char*** pLabels = nullptr;
    Caption caption;
} gMatrix;

struct MatrixFitState {
    int nRows = 0, nColumns = 0;
    float** pValues = nullptr;
    int** pHasField = nullptr;
    int** pFitFlags = nullptr;
    int** pHasCheck = nullptr;
    char*** pLabels = nullptr;
    Caption caption;
} gMatrixFit;

struct ParamsState {
    int n = 0, m = 0;
    float* pValues = nullptr;  // working copies
    int* pFlags = nullptr;
    int* pExtraFlags = nullptr;
    char** pNames = nullptr;
    char** pUnits = nullptr;
    char** pExtraLabels = nullptr;
    Caption caption;
} gParams;

// The association-scheme dialog works on copies of the caller's tables.
struct SchemeState {
    ParameterMatrixTables t;  // the copies (the caller's names)
    bool bEnergetics = false, bNonideality = false, bIncompetentSection = false, bOtherSection = false;
    bool bShowFractions = false;
    int bIncompetent = 0, bOther = 0;
    Caption caption;
} gScheme;

}  // namespace

int entryDialogTemplate(int rows)
{
    return rows < 5 ? 1086 : rows <= 6 ? 1097 : 1096;
}

// ------------------------------------------------------------ GetMatrix

GetMatrixBox::GetMatrixBox(TWindow* parent, int resId) : TDialog(parent, resId)
{
    const int R = gMatrix.nRows, C = gMatrix.nColumns;
    pWork = matrix(1, R, 1, C);
    nLabelWidth.assign(size_t(C) + 1, 0);
    for (int j = 1; j <= C; j++) nLabelWidth[size_t(j)] = labelColumnWidth(gMatrix.pLabels, R, j, 8);
    for (int i = 1; i <= R; i++) {
        const int y = rowY(i);
        int x = 25;
        for (int j = 1; j <= C; j++) {
            pWork[i][j] = gMatrix.pValues[i][j];
            const int w = nLabelWidth[size_t(j)];
            new TStatic(this, -(10 * i + j), label(gMatrix.pLabels, i, j), x, y, w, nControlHeight, 0, true);
            x += w + 10;
            char buf[nFieldChars];
            std::snprintf(buf, sizeof buf, "%.4f", pWork[i][j]);
            pFields.push_back(new TEdit(this, 1000 - (10 * i + j), buf, x, y, 55, nControlHeight, nFieldChars));
            x += 60;
        }
    }
}

GetMatrixBox::~GetMatrixBox()
{
    free_matrix(pWork, 1, gMatrix.nRows, 1, gMatrix.nColumns);
}

void GetMatrixBox::SetupWindow()
{
    TDialog::SetupWindow();
    gMatrix.caption.apply(this);
}

bool GetMatrixBox::CanClose()
{
    const int C = gMatrix.nColumns;
    bool bOk = true;
    for (int i = 1; i <= gMatrix.nRows; i++)
        for (int j = 1; j <= C; j++)
            if (!parseFloat(pFields[size_t((i - 1) * C + j - 1)], &pWork[i][j])) {
                refuse(HWindow, "not a number in %s", label(gMatrix.pLabels, i, j));
                bOk = false;
            }
    if (!bOk) return false;
    for (int i = 1; i <= gMatrix.nRows; i++)
        for (int j = 1; j <= C; j++) gMatrix.pValues[i][j] = pWork[i][j];
    return true;
}

bool GetMatrix(TWindow* parent, int rows, int columns, float** values, char*** labels, const char* caption)
{
    if (rows < 1 || columns < 1 || !values) return false;
    gMatrix.caption.take(caption);
    gMatrix.nRows = rows;
    gMatrix.nColumns = columns;
    gMatrix.pValues = values;
    gMatrix.pLabels = labels;
    GetMatrixBox box(parent, entryDialogTemplate(rows));
    return box.Execute() == IDOK;
}

// ------------------------------------------------------------ GetMatrixFit

GetMatrixFitBox::GetMatrixFitBox(TWindow* parent, int resId) : TDialog(parent, resId)
{
    const MatrixFitState& s = gMatrixFit;
    const int R = s.nRows, C = s.nColumns;
    pWork = matrix(1, R, 1, C);
    nLabelWidth.assign(size_t(C) + 1, 0);
    for (int j = 1; j <= C; j++) nLabelWidth[size_t(j)] = labelColumnWidth(s.pLabels, R, j, 9) + 18;
    for (int i = 1; i <= R; i++) {
        const int y = rowY(i);
        int x = 25;
        for (int j = 1; j <= C; j++) {
            pWork[i][j] = s.pValues[i][j];
            const int w = nLabelWidth[size_t(j)];
            const int id = 10 * i + j;
            new TStatic(this, -id, label(s.pLabels, i, j), x, y, w, nControlHeight, 0, true);
            x += w + 10;
            pChecks.push_back(s.pHasCheck[i][j] ? new TCheckBox(this, 2000 - id, "", x, y, 18, 18) : nullptr);
            x += 18 + 5;
            TEdit* pField = nullptr;
            if (s.pHasField[i][j]) {
                char buf[nFieldChars];
                std::snprintf(buf, sizeof buf, "%.4f", pWork[i][j]);
                pField = new TEdit(this, 1000 - id, buf, x, y, 55, nControlHeight, nFieldChars, false);
            }
            pFields.push_back(pField);
            x += 60;
        }
    }
}

GetMatrixFitBox::~GetMatrixFitBox()
{
    free_matrix(pWork, 1, gMatrixFit.nRows, 1, gMatrixFit.nColumns);
}

void GetMatrixFitBox::SetupWindow()
{
    TDialog::SetupWindow();
    gMatrixFit.caption.apply(this);
    const int C = gMatrixFit.nColumns;
    for (int i = 1; i <= gMatrixFit.nRows; i++)
        for (int j = 1; j <= C; j++)
            if (TCheckBox* pBox = pChecks[size_t((i - 1) * C + j - 1)])
                pBox->SetCheck(gMatrixFit.pFitFlags[i][j] ? BF_CHECKED : BF_UNCHECKED);
}

bool GetMatrixFitBox::CanClose()
{
    const MatrixFitState& s = gMatrixFit;
    const int C = s.nColumns;
    bool bOk = true;
    for (int i = 1; i <= s.nRows; i++)
        for (int j = 1; j <= C; j++) {
            TEdit* pField = pFields[size_t((i - 1) * C + j - 1)];
            if (pField && !parseFloat(pField, &pWork[i][j])) {
                refuse(HWindow, "not a number in %s", label(s.pLabels, i, j));
                bOk = false;
            }
        }
    if (!bOk) return false;
    for (int i = 1; i <= s.nRows; i++)
        for (int j = 1; j <= C; j++) {
            const size_t k = size_t((i - 1) * C + j - 1);
            if (pFields[k]) s.pValues[i][j] = pWork[i][j];
            if (pChecks[k]) s.pFitFlags[i][j] = pChecks[k]->GetCheck() == BF_CHECKED ? 1 : 0;
        }
    return true;
}

bool GetMatrixFit(TWindow* parent, int rows, int columns, float** values, int** hasValueField, int** fitFlags,
                  int** hasCheckBox, char*** labels, const char* caption)
{
    if (rows < 1 || columns < 1 || !values) return false;
    gMatrixFit.caption.take(caption);
    // Stand-in tables for those not given, released after the dialog.
    int** pAllFields = hasValueField ? nullptr : filledIntMatrix(rows, columns, 1);
    int** pNoFlags = fitFlags ? nullptr : filledIntMatrix(rows, columns, 0);
    int** pNoBoxes = (fitFlags && hasCheckBox) ? nullptr : filledIntMatrix(rows, columns, 0);
    MatrixFitState& s = gMatrixFit;
    s.nRows = rows;
    s.nColumns = columns;
    s.pValues = values;
    s.pHasField = hasValueField ? hasValueField : pAllFields;
    s.pFitFlags = fitFlags ? fitFlags : pNoFlags;
    s.pHasCheck = pNoBoxes ? pNoBoxes : hasCheckBox;
    s.pLabels = labels;
    bool bOk;
    {
        GetMatrixFitBox box(parent, entryDialogTemplate(rows));
        bOk = box.Execute() == IDOK;
    }
    if (pAllFields) free_imatrix(pAllFields, 1, rows, 1, columns);
    if (pNoFlags) free_imatrix(pNoFlags, 1, rows, 1, columns);
    if (pNoBoxes) free_imatrix(pNoBoxes, 1, rows, 1, columns);
    s.pHasField = s.pFitFlags = s.pHasCheck = nullptr;
    return bOk;
}

// ------------------------------------------------------------ GetParams

// Control ids: names -(100 + i), values 1000 + i, check boxes 2000 + i, units
// -(300 + i); option boxes 3000 + j with their labels -(500 + j).
GetParamsBoxBox::GetParamsBoxBox(TWindow* parent, int resId) : TDialog(parent, resId)
{
    const ParamsState& s = gParams;
    for (int i = 1; i <= s.n; i++) {
        const int y = rowY(i);
        new TStatic(this, -(100 + i), s.pNames ? text(s.pNames[i]) : "", 5, y, 200, nControlHeight, 0, true);
        pChecks.push_back(new TCheckBox(this, 2000 + i, "", 210, y, 18, 18));
        char buf[nFieldChars];
        std::snprintf(buf, sizeof buf, "%f", s.pValues[i]);
        pFields.push_back(new TEdit(this, 1000 + i, buf, 230, y, 70, nControlHeight, nFieldChars, false));
        if (s.pUnits && s.pUnits[i]) new TStatic(this, -(300 + i), s.pUnits[i], 310, y, 250, nControlHeight);
    }
    for (int j = 1; j <= s.m; j++) {
        const int y = nRowPitch * s.n + nRowPitch * (j - 1) + 20;
        pExtraChecks.push_back(new TCheckBox(this, 3000 + j, "", 5, y, 18, 18));
        new TStatic(this, -(500 + j), s.pExtraLabels ? text(s.pExtraLabels[j]) : "", 25, y, 250, nControlHeight);
    }
}

void GetParamsBoxBox::SetupWindow()
{
    TDialog::SetupWindow();
    gParams.caption.apply(this);
    for (int i = 1; i <= gParams.n; i++) pChecks[size_t(i - 1)]->SetCheck(gParams.pFlags[i] ? BF_CHECKED : BF_UNCHECKED);
    for (int j = 1; j <= gParams.m; j++)
        pExtraChecks[size_t(j - 1)]->SetCheck(gParams.pExtraFlags[j] ? BF_CHECKED : BF_UNCHECKED);
}

bool GetParamsBoxBox::CanClose()
{
    ParamsState& s = gParams;
    bool bOk = true;
    for (int i = 1; i <= s.n; i++) {
        if (!parseFloat(pFields[size_t(i - 1)], &s.pValues[i])) {
            refuse(HWindow, "not a number in %s", s.pNames ? text(s.pNames[i]) : "");
            bOk = false;
        }
        s.pFlags[i] = pChecks[size_t(i - 1)]->GetCheck() == BF_CHECKED ? 1 : 0;
    }
    for (int j = 1; j <= s.m; j++) s.pExtraFlags[j] = pExtraChecks[size_t(j - 1)]->GetCheck() == BF_CHECKED ? 1 : 0;
    return bOk;
}

bool GetParams(TWindow* parent, int n, float* values, int* flags, char** names, char** units, int m, int* extraFlags,
               char** extraLabels, const char* caption)
{
    if (n < 1 || !values) return false;
    if (m < 0 || !extraFlags) m = 0;
    gParams.caption.take(caption);
    ParamsState& s = gParams;
    s.n = n;
    s.m = m;
    s.pValues = vector(1, n);
    s.pFlags = ivector(1, n);
    s.pExtraFlags = ivector(1, m > 0 ? m : 1);
    for (int i = 1; i <= n; i++) {
        s.pValues[i] = values[i];
        s.pFlags[i] = flags ? flags[i] : 0;
    }
    for (int j = 1; j <= m; j++) s.pExtraFlags[j] = extraFlags[j];
    s.pNames = names;
    s.pUnits = units;
    s.pExtraLabels = extraLabels;
    bool bOk;
    {
        GetParamsBoxBox box(parent, entryDialogTemplate(n + m));
        bOk = box.Execute() == IDOK;
    }
    if (bOk) {
        for (int i = 1; i <= n; i++) {
            values[i] = s.pValues[i];
            if (flags) flags[i] = s.pFlags[i];
        }
        for (int j = 1; j <= m; j++) extraFlags[j] = s.pExtraFlags[j];
    }
    free_vector(s.pValues, 1, n);
    free_ivector(s.pFlags, 1, n);
    free_ivector(s.pExtraFlags, 1, m > 0 ? m : 1);
    s.pValues = nullptr;
    s.pFlags = s.pExtraFlags = nullptr;
    s.n = s.m = 0;
    return bOk;
}

// ------------------------------------------------------------ GetParameterMatrix

namespace {

// The value as the association-scheme dialog shows it: fewer decimals for
// larger magnitudes.
void formatByMagnitude(char* buf, size_t size, float v)
{
    const float a = std::fabs(v);
    const char* format = a < 10 ? "%.4f" : a < 100 ? "%.3f" : a < 1000 ? "%.2f" : a < 10000 ? "%.1f" : "%.0f";
    std::snprintf(buf, size, format, v);
}

// Control ids of the association-scheme dialog.
int schemeValueId(int i, int j) { return 10000 + 100 * i + j; }
int schemeFitId(int i, int j) { return 20000 + 100 * i + j; }
constexpr int nReferenceId = 30000, nComparisonId = 31000, nFractionId = 32000, nFractionFitId = 33000;
constexpr int nNonidealId = 34000, nNonidealFitId = 34010, nIncompetentBoxId = 35000, nOtherBoxId = 35001;

constexpr int nSchemeColumnX = 120, nSchemeColumnPitch = 85;

}  // namespace

// Row 0 holds the column names; species i stands in row i; then the
// nonideality row and the option boxes, one row each.
GetParameterMatrixBox::GetParameterMatrixBox(TWindow* parent, int resId) : TDialog(parent, resId)
{
    const SchemeState& s = gScheme;
    const ParameterMatrixTables& t = s.t;
    const int R = t.nRows, C = t.nColumns;
    int nLabel = -1;
    auto header = [&](const char* sz, int x, int w) { new TStatic(this, --nLabel, sz, x, nFirstRowY, w, nControlHeight); };
    for (int j = 1; j <= C; j++)
        header(t.pColumnNames ? text(t.pColumnNames[j]) : "", nSchemeColumnX + (j - 1) * nSchemeColumnPitch, 80);
    const int xExtra = nSchemeColumnX + C * nSchemeColumnPitch;
    if (s.bEnergetics) {
        header("ref#", xExtra, 35);
        header("+=#", xExtra + 40, 35);
    }
    const int xFraction = xExtra + (s.bEnergetics ? 80 : 0);
    if (s.bShowFractions) header("incomp. fract.", xFraction, 90);

    char buf[nFieldChars];
    for (int i = 1; i <= R; i++) {
        const int y = rowY(i + 1);
        new TStatic(this, --nLabel, t.pRowNames ? text(t.pRowNames[i]) : "", 5, y, 110, nControlHeight, 0, true);
        for (int j = 1; j <= C; j++) {
            TEdit* pField = nullptr;
            TCheckBox* pBox = nullptr;
            if (t.pPresent && t.pPresent[i][j]) {
                const int x = nSchemeColumnX + (j - 1) * nSchemeColumnPitch;
                formatByMagnitude(buf, sizeof buf, t.pValues[i][j]);
                pField = new TEdit(this, schemeValueId(i, j), buf, x, y, 55, nControlHeight, nFieldChars);
                pBox = new TCheckBox(this, schemeFitId(i, j), "", x + 57, y, 18, 18);
            }
            pFields.push_back(pField);
            pChecks.push_back(pBox);
        }
        if (s.bEnergetics) {
            std::snprintf(buf, sizeof buf, "%d", t.pReference[i]);
            pReference.push_back(new TEdit(this, nReferenceId + i, buf, xExtra, y, 35, nControlHeight, nFieldChars));
            std::snprintf(buf, sizeof buf, "%d", t.pComparison[i]);
            pComparison.push_back(new TEdit(this, nComparisonId + i, buf, xExtra + 40, y, 35, nControlHeight, nFieldChars));
        }
        if (s.bShowFractions) {
            formatByMagnitude(buf, sizeof buf, t.pIncompetentFraction[i]);
            pFraction.push_back(new TEdit(this, nFractionId + i, buf, xFraction, y, 55, nControlHeight, nFieldChars));
            pFractionChecks.push_back(new TCheckBox(this, nFractionFitId + i, "", xFraction + 57, y, 18, 18));
        }
    }
    int nRow = R + 2;
    if (s.bNonideality) {
        const int y = rowY(nRow++);
        const char* names[3] = {"", t.bAlternativeNonideality ? "total #" : "ks (ml/g)",
                                t.bAlternativeNonideality ? "uM/w% of" : "B2 (ml/g)"};
        for (int k = 1; k <= 2; k++) {
            const int x = k == 1 ? 5 : 205;
            new TStatic(this, --nLabel, names[k], x, y, k == 1 ? 110 : 80, nControlHeight, 0, true);
            const int xf = k == 1 ? nSchemeColumnX : 290;
            formatByMagnitude(buf, sizeof buf, t.pNonideality[k]);
            pNonideal[k] = new TEdit(this, nNonidealId + k, buf, xf, y, 55, nControlHeight, nFieldChars);
            pNonidealChecks[k] = new TCheckBox(this, nNonidealFitId + k, "", xf + 57, y, 18, 18);
        }
    }
    if (s.bIncompetentSection)
        pIncompetentBox = new TCheckBox(this, nIncompetentBoxId, "with incompetent fractions", 5, rowY(nRow++), 300, 18);
    if (s.bOtherSection)
        pOtherBox = new TCheckBox(this, nOtherBoxId, "with other non-participating species", 5, rowY(nRow++), 300, 18);
}

void GetParameterMatrixBox::SetupWindow()
{
    TDialog::SetupWindow();
    const SchemeState& s = gScheme;
    const ParameterMatrixTables& t = s.t;
    s.caption.apply(this);
    auto set = [](TCheckBox* b, int on) {
        if (b) b->SetCheck(on ? BF_CHECKED : BF_UNCHECKED);
    };
    for (int i = 1; i <= t.nRows; i++) {
        for (int j = 1; j <= t.nColumns; j++) set(pChecks[size_t((i - 1) * t.nColumns + j - 1)], t.pFitFlags[i][j]);
        if (s.bShowFractions) set(pFractionChecks[size_t(i - 1)], t.pIncompetentFit[i]);
    }
    if (s.bNonideality)
        for (int k = 1; k <= 2; k++) set(pNonidealChecks[k], t.pNonidealityFit[k]);
    set(pIncompetentBox, s.bIncompetent);
    set(pOtherBox, s.bOther);
}

bool GetParameterMatrixBox::CanClose()
{
    SchemeState& s = gScheme;
    ParameterMatrixTables& t = s.t;
    const int R = t.nRows, C = t.nColumns;
    bool bOk = true;
    // parsed first into scratch, so that a refused OK changes nothing
    std::vector<float> values(size_t(R * C));
    for (int i = 1; i <= R; i++)
        for (int j = 1; j <= C; j++) {
            const size_t k = size_t((i - 1) * C + j - 1);
            values[k] = t.pValues[i][j];
            if (pFields[k] && !parseFloat(pFields[k], &values[k])) {
                refuse(HWindow, "not a number in %s of %s", t.pColumnNames ? text(t.pColumnNames[j]) : "",
                       t.pRowNames ? text(t.pRowNames[i]) : "");
                bOk = false;
            }
        }
    float fNonideal[3] = {0, 0, 0};
    if (s.bNonideality)
        for (int k = 1; k <= 2; k++) {
            fNonideal[k] = t.pNonideality[k];
            if (!parseFloat(pNonideal[k], &fNonideal[k])) {
                refuse(HWindow, "not a number in nonideality parameter field %d", k);
                bOk = false;
            }
        }
    std::vector<int> reference(size_t(R) + 1), comparison(size_t(R) + 1);
    if (s.bEnergetics)
        for (int i = 1; i <= R; i++) {
            int& r = reference[size_t(i)];
            if (!parseInt(pReference[size_t(i - 1)], &r) || r < 0 || r == i || r > R) {
                refuse(HWindow, "complex %d does not have a valid reference state to measure energetics from ", i);
                bOk = false;
            }
            int& c = comparison[size_t(i)];
            if (!parseInt(pComparison[size_t(i - 1)], &c) || c < 0 || c == i || c > R) {
                refuse(HWindow, "magnitude of energetic parameters of complex %d does not have valid comparison", i);
                bOk = false;
            }
        }
    std::vector<float> fraction(size_t(R) + 1);
    if (s.bShowFractions)
        for (int i = 1; i <= R; i++) {
            float& f = fraction[size_t(i)];
            if (!parseFloat(pFraction[size_t(i - 1)], &f) || f < 0 || f > 1) {
                refuse(HWindow, "incompetent fraction of component %d must be between 0 and 1 ", i);
                bOk = false;
            }
        }
    if (!bOk) return false;

    auto checked = [](TCheckBox* b) { return b && b->GetCheck() == BF_CHECKED ? 1 : 0; };
    for (int i = 1; i <= R; i++) {
        for (int j = 1; j <= C; j++) {
            const size_t k = size_t((i - 1) * C + j - 1);
            if (!pFields[k]) continue;
            t.pValues[i][j] = values[k];
            t.pFitFlags[i][j] = checked(pChecks[k]);
        }
        if (s.bEnergetics) {
            t.pReference[i] = reference[size_t(i)];
            t.pComparison[i] = comparison[size_t(i)];
        }
        if (s.bShowFractions) {
            t.pIncompetentFraction[i] = fraction[size_t(i)];
            t.pIncompetentFit[i] = checked(pFractionChecks[size_t(i - 1)]);
        }
    }
    if (s.bNonideality)
        for (int k = 1; k <= 2; k++) {
            t.pNonideality[k] = fNonideal[k];
            t.pNonidealityFit[k] = checked(pNonidealChecks[k]);
        }
    if (pIncompetentBox) s.bIncompetent = checked(pIncompetentBox);
    if (pOtherBox) s.bOther = checked(pOtherBox);
    return true;
}

bool GetParameterMatrix(TWindow* parent, ParameterMatrixTables* p, const char* caption)
{
    if (!p || p->nRows < 1 || p->nColumns < 1 || !p->pValues || !p->pFitFlags || !p->pPresent) return false;
    gScheme.caption.take(caption);
    const int R = p->nRows, C = p->nColumns;
    SchemeState& s = gScheme;
    s.bEnergetics = p->pReference && p->pComparison;
    s.bNonideality = p->pNonideality && p->pNonidealityFit;
    s.bIncompetentSection = p->pbIncompetent && p->pIncompetentFraction && p->pIncompetentFit;
    s.bOtherSection = p->pbOtherSpecies != nullptr;
    s.bIncompetent = s.bIncompetentSection ? *p->pbIncompetent : 0;
    s.bOther = s.bOtherSection ? *p->pbOtherSpecies : 0;

    // working copies
    ParameterMatrixTables& t = s.t;
    t = *p;
    t.pValues = matrix(1, R, 1, C);
    t.pFitFlags = imatrix(1, R, 1, C);
    for (int i = 1; i <= R; i++)
        for (int j = 1; j <= C; j++) {
            t.pValues[i][j] = p->pValues[i][j];
            t.pFitFlags[i][j] = p->pFitFlags[i][j];
        }
    t.pReference = t.pComparison = t.pIncompetentFit = t.pNonidealityFit = nullptr;
    t.pIncompetentFraction = t.pNonideality = nullptr;
    if (s.bEnergetics) {
        t.pReference = ivector(1, R);
        t.pComparison = ivector(1, R);
        for (int i = 1; i <= R; i++) {
            t.pReference[i] = p->pReference[i];
            t.pComparison[i] = p->pComparison[i];
        }
    }
    if (s.bIncompetentSection) {
        t.pIncompetentFraction = vector(1, R);
        t.pIncompetentFit = ivector(1, R);
        for (int i = 1; i <= R; i++) {
            t.pIncompetentFraction[i] = p->pIncompetentFraction[i];
            t.pIncompetentFit[i] = p->pIncompetentFit[i];
        }
    }
    if (s.bNonideality) {
        t.pNonideality = vector(1, 2);
        t.pNonidealityFit = ivector(1, 2);
        for (int k = 1; k <= 2; k++) {
            t.pNonideality[k] = p->pNonideality[k];
            t.pNonidealityFit[k] = p->pNonidealityFit[k];
        }
    }

    // the template: the species and the header row, and one row more for
    // each optional section shown (the energetics columns count as one too)
    const int nRows = R + 1 + (s.bEnergetics ? 1 : 0) + (s.bNonideality ? 1 : 0) + (s.bIncompetentSection ? 1 : 0) +
                      (s.bOtherSection ? 1 : 0);
    bool bOk = false;
    s.bShowFractions = s.bIncompetent != 0;
    for (;;) {
        GetParameterMatrixBox box(parent, entryDialogTemplate(nRows));
        bOk = box.Execute() == IDOK;
        // fractions asked for but not shown: once more, with them
        if (!bOk || s.bShowFractions || !s.bIncompetent) break;
        s.bShowFractions = true;
    }

    if (bOk) {
        for (int i = 1; i <= R; i++)
            for (int j = 1; j <= C; j++) {
                p->pValues[i][j] = t.pValues[i][j];
                p->pFitFlags[i][j] = t.pFitFlags[i][j];
            }
        for (int i = 1; i <= R; i++) {
            if (s.bEnergetics) {
                p->pReference[i] = t.pReference[i];
                p->pComparison[i] = t.pComparison[i];
            }
            if (s.bIncompetentSection) {
                p->pIncompetentFraction[i] = t.pIncompetentFraction[i];
                p->pIncompetentFit[i] = t.pIncompetentFit[i];
            }
        }
        if (s.bNonideality)
            for (int k = 1; k <= 2; k++) {
                p->pNonideality[k] = t.pNonideality[k];
                p->pNonidealityFit[k] = t.pNonidealityFit[k];
            }
        if (s.bIncompetentSection) *p->pbIncompetent = s.bIncompetent;
        if (s.bOtherSection) *p->pbOtherSpecies = s.bOther;
    }
    free_matrix(t.pValues, 1, R, 1, C);
    free_imatrix(t.pFitFlags, 1, R, 1, C);
    if (t.pReference) free_ivector(t.pReference, 1, R);
    if (t.pComparison) free_ivector(t.pComparison, 1, R);
    if (t.pIncompetentFraction) free_vector(t.pIncompetentFraction, 1, R);
    if (t.pIncompetentFit) free_ivector(t.pIncompetentFit, 1, R);
    if (t.pNonideality) free_vector(t.pNonideality, 1, 2);
    if (t.pNonidealityFit) free_ivector(t.pNonidealityFit, 1, 2);
    t = ParameterMatrixTables();
    return bOk;
}
