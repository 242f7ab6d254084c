#include "numerics/linear_algebra.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "numerics/dot_product.h"
#include "numerics/error_stop.h"
#include "numerics/nrutil.h"

thread_local unsigned char bLUSingular = 0;

namespace {

const char* const kSingularMessage = "Singular matrix in routine ludcmp";

template <typename T>
T** copyMatrix(const T* const* a, int n, T** (*alloc)(long, long, long, long))
{
    T** c = alloc(1, n, 1, n);
    for (int i = 1; i <= n; i++) std::memcpy(&c[i][1], &a[i][1], sizeof(T) * static_cast<size_t>(n));
    return c;
}

// Crout's method with implicit partial pivoting. A zero row abandons the
// computation (message first); a zero pivot is replaced by tiny.
template <typename T>
void crout(T** a, int n, int* indx, T* d, T tiny, T* (*allocV)(long, long), void (*freeV)(T*, long, long))
{
    T* vv = allocV(1, n);
    CScopeExit releaseVV([&] { freeV(vv, 1, n); });
    *d = 1;
    for (int i = 1; i <= n; i++) {
        T big = 0;
        for (int j = 1; j <= n; j++) {
            T temp = std::fabs(a[i][j]);
            if (temp > big) big = temp;
        }
        if (big == 0) {
            if constexpr (std::is_same_v<T, double>) bLUSingular = 1;
            abandonComputation(kSingularMessage);
        }
        vv[i] = T(1) / big;
    }
    for (int j = 1; j <= n; j++) {
        for (int i = 1; i < j; i++) {
            T sum = a[i][j];
            for (int k = 1; k < i; k++) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        T big = 0;
        int imax = j;
        for (int i = j; i <= n; i++) {
            T sum = a[i][j];
            for (int k = 1; k < j; k++) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            T dum = vv[i] * std::fabs(sum);
            if (dum >= big) {
                big = dum;
                imax = i;
            }
        }
        if (j != imax) {
            for (int k = 1; k <= n; k++) {
                T dum = a[imax][k];
                a[imax][k] = a[j][k];
                a[j][k] = dum;
            }
            *d = -(*d);
            vv[imax] = vv[j];
        }
        indx[j] = imax;
        if (a[j][j] == 0) a[j][j] = tiny;
        if (j != n) {
            T dum = T(1) / a[j][j];
            for (int i = j + 1; i <= n; i++) a[i][j] *= dum;
        }
    }
}

template <typename T>
void backSubstitute(const T* const* a, int n, const int* indx, T* b)
{
    int ii = 0;
    for (int i = 1; i <= n; i++) {
        int ip = indx[i];
        T sum = b[ip];
        b[ip] = b[i];
        if (ii) {
            for (int j = ii; j <= i - 1; j++) sum -= a[i][j] * b[j];
        } else if (sum != 0) {
            ii = i;
        }
        b[i] = sum;
    }
    for (int i = n; i >= 1; i--) {
        T sum = b[i];
        for (int j = i + 1; j <= n; j++) sum -= a[i][j] * b[j];
        b[i] = sum / a[i][i];
    }
}

} // namespace

void ludcmp(float** a, int n, int* indx, float* d)
{
    crout<float>(a, n, indx, d, 1.0e-20f, vector, free_vector);
}

void dludcmp(double** a, int n, int* indx, double* d)
{
    crout<double>(a, n, indx, d, 1.0e-100, dvector, free_dvector);
}

void lubksb(const float* const* a, int n, const int* indx, float* b) { backSubstitute(a, n, indx, b); }
void dlubksb(const double* const* a, int n, const int* indx, double* b) { backSubstitute(a, n, indx, b); }

void luSolve(float** a, float* b, int n, bool bCopy)
{
    float** w = bCopy ? copyMatrix<float>(a, n, matrix) : a;
    CScopeExit releaseW([&] {
        if (bCopy) free_matrix(w, 1, n, 1, n);
    });
    int* indx = ivector(1, n);
    CScopeExit releaseIndx([&] { free_ivector(indx, 1, n); });
    float d;
    ludcmp(w, n, indx, &d);
    lubksb(w, n, indx, b);
}

void luSolveD(double** a, double* b, int n, bool bCopy)
{
    bLUSingular = 0;
    double** w = bCopy ? copyMatrix<double>(a, n, dmatrix) : a;
    CScopeExit releaseW([&] {
        if (bCopy) free_dmatrix(w, 1, n, 1, n);
    });
    int* indx = ivector(1, n);
    CScopeExit releaseIndx([&] { free_ivector(indx, 1, n); });
    double d;
    dludcmp(w, n, indx, &d);
    if (bLUSingular) return;
    dlubksb(w, n, indx, b);
}

bool choldc(float** a, int n, float* p)
{
    for (int i = 1; i <= n; i++)
        for (int j = i; j <= n; j++) {
            float sum = a[i][j];
            for (int k = i - 1; k >= 1; k--) sum -= a[i][k] * a[j][k];
            if (i == j) {
                // A NaN pivot is no more positive than a negative one.
                if (!(sum > 0.0f)) return false;
                p[i] = std::sqrt(sum);
            } else {
                a[j][i] = sum / p[i];
            }
        }
    return true;
}

bool dcholdc(double** a, int n, double* p)
{
    for (int i = 1; i <= n; i++) {
        const double* ri = &a[i][1];
        for (int j = i; j <= n; j++) {
            double sum = a[i][j] - dotProduct(ri, &a[j][1], i - 1);
            if (i == j) {
                if (!(sum > 0.0)) return false;
                p[i] = std::sqrt(sum);
            } else {
                a[j][i] = sum / p[i];
            }
        }
    }
    return true;
}

bool cholsl(const float* const* a, int n, const float* p, const float* b, float* x)
{
    for (int i = 1; i <= n; i++) {
        float sum = b[i];
        for (int k = i - 1; k >= 1; k--) sum -= a[i][k] * x[k];
        x[i] = sum / p[i];
    }
    for (int i = n; i >= 1; i--) {
        float sum = x[i];
        for (int k = i + 1; k <= n; k++) sum -= a[k][i] * x[k];
        x[i] = sum / p[i];
    }
    return true;
}

bool dcholsl(const double* const* a, int n, const double* p, const double* b, double* x)
{
    for (int i = 1; i <= n; i++) x[i] = (b[i] - dotProduct(&a[i][1], &x[1], i - 1)) / p[i];
    for (int i = n; i >= 1; i--) {
        double sum = x[i];
        for (int k = i + 1; k <= n; k++) sum -= a[k][i] * x[k];
        x[i] = sum / p[i];
    }
    return true;
}

bool choleskySolve(const float* const* a, float* b, int n)
{
    float** w = copyMatrix<float>(a, n, matrix);
    CScopeExit releaseW([&] { free_matrix(w, 1, n, 1, n); });
    float* p = vector(1, n);
    CScopeExit releaseP([&] { free_vector(p, 1, n); });
    if (choldc(w, n, p)) {
        cholsl(w, n, p, b, b);
        return true;
    }
    float** w2 = copyMatrix<float>(a, n, matrix);
    CScopeExit releaseW2([&] { free_matrix(w2, 1, n, 1, n); });
    luSolve(w2, b, n, false);
    return false;
}

bool choleskySolveD(const double* const* a, const double* b, int n, double* x, double* p)
{
    double** w = copyMatrix<double>(a, n, dmatrix);
    CScopeExit releaseW([&] { free_dmatrix(w, 1, n, 1, n); });
    if (dcholdc(w, n, p)) {
        dcholsl(w, n, p, b, x);
        return true;
    }
    for (int i = 1; i <= n; i++) {
        std::memcpy(&w[i][1], &a[i][1], sizeof(double) * static_cast<size_t>(n));
        x[i] = b[i];
    }
    luSolveD(w, x, n, false);
    return false;
}

bool solveNormalEquationsD(const double* const* a, const double* b, int n, double* x, double* p)
{
    int* pZeroRow = ivector(1, n);
    CScopeExit releaseMarks([&] { free_ivector(pZeroRow, 1, n); });
    int nZero = 0;
    for (int i = 1; i <= n; i++) {
        bool bZero = true;
        for (int j = 1; j <= n && bZero; j++) bZero = a[i][j] == 0.0;
        pZeroRow[i] = bZero ? 1 : 0;
        nZero += pZeroRow[i];
    }

    if (nZero == 0) return choleskySolveD(a, b, n, x, p);

    // Solve the system of the non-empty rows and columns, in index order; the
    // result is true whichever method solved it.
    int nr = n - nZero;
    double** r = dmatrix(1, nr, 1, nr);
    CScopeExit releaseR([&] { free_dmatrix(r, 1, nr, 1, nr); });
    double* rb = dvector(1, nr);
    CScopeExit releaseRB([&] { free_dvector(rb, 1, nr); });
    double* rx = dvector(1, nr);
    CScopeExit releaseRX([&] { free_dvector(rx, 1, nr); });
    for (int i = 1, ri = 0; i <= n; i++) {
        if (pZeroRow[i]) continue;
        ri++;
        rb[ri] = b[i];
        for (int j = 1, rj = 0; j <= n; j++)
            if (!pZeroRow[j]) r[ri][++rj] = a[i][j];
    }
    choleskySolveD(r, rb, nr, rx, p);
    for (int i = 1, ri = 0; i <= n; i++) x[i] = pZeroRow[i] ? 0.0 : rx[++ri];
    return true;
}
