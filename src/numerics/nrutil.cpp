#include "numerics/nrutil.h"

#include <cstdlib>
#include <cstring>

namespace {

// The block holds one spare element before index nl; vector() also keeps one
// after nh. An empty range (nh < nl) still yields a block that can be freed.
template <typename T>
T* allocVector(long nl, long nh, long extra, bool zero, const char* failure)
{
    long n = nh - nl + 1;
    if (n < 0) n = 0;
    size_t count = static_cast<size_t>(n + extra);
    T* block = static_cast<T*>(std::malloc(count * sizeof(T)));
    if (!block) {
        nrerror(failure);
        return nullptr;
    }
    if (zero) std::memset(static_cast<void*>(block), 0, count * sizeof(T));
    return block + 1 - nl;
}

template <typename T>
void freeVector(T* v, long nl)
{
    if (v) std::free(v + nl - 1);
}

template <typename T>
T** allocMatrix(long nrl, long nrh, long ncl, long nch)
{
    long nrow = nrh - nrl + 1, ncol = nch - ncl + 1;
    if (nrow < 0) nrow = 0;
    if (ncol < 0) ncol = 0;
    T** m = static_cast<T**>(std::malloc(static_cast<size_t>(nrow + 1) * sizeof(T*)));
    if (!m) {
        nrerror("allocation failure 1 in matrix()");
        return nullptr;
    }
    m += 1;
    m -= nrl;
    T* data = static_cast<T*>(std::malloc(static_cast<size_t>(nrow * ncol + 1) * sizeof(T)));
    if (!data) {
        std::free(m + nrl - 1);
        nrerror("allocation failure 2 in matrix()");
        return nullptr;
    }
    // The spare pointer ahead of row nrl remembers the data block, so that an
    // empty matrix can be released too.
    m[nrl - 1] = data;
    if (nrow > 0) {
        m[nrl] = data + 1 - ncl;
        for (long i = nrl + 1; i <= nrh; i++) m[i] = m[i - 1] + ncol;
    }
    return m;
}

template <typename T>
void freeMatrix(T** m, long nrl)
{
    if (!m) return;
    std::free(m[nrl - 1]);
    std::free(m + nrl - 1);
}

} // namespace

float* vector(long nl, long nh) { return allocVector<float>(nl, nh, 2, true, "allocation failure in vector()"); }
int* ivector(long nl, long nh) { return allocVector<int>(nl, nh, 1, true, "allocation failure in ivector()"); }
unsigned char* cvector(long nl, long nh) { return allocVector<unsigned char>(nl, nh, 1, false, "allocation failure in cvector()"); }
uint32_t* lvector(long nl, long nh) { return allocVector<uint32_t>(nl, nh, 1, true, "allocation failure in lvector()"); }
double* dvector(long nl, long nh) { return allocVector<double>(nl, nh, 1, true, "allocation failure in dvector()"); }

void free_vector(float* v, long nl, long) { freeVector(v, nl); }
void free_ivector(int* v, long nl, long) { freeVector(v, nl); }
void free_cvector(unsigned char* v, long nl, long) { freeVector(v, nl); }
void free_lvector(uint32_t* v, long nl, long) { freeVector(v, nl); }
void free_dvector(double* v, long nl, long) { freeVector(v, nl); }

float** matrix(long nrl, long nrh, long ncl, long nch) { return allocMatrix<float>(nrl, nrh, ncl, nch); }
double** dmatrix(long nrl, long nrh, long ncl, long nch) { return allocMatrix<double>(nrl, nrh, ncl, nch); }
int** imatrix(long nrl, long nrh, long ncl, long nch) { return allocMatrix<int>(nrl, nrh, ncl, nch); }

void free_matrix(float** m, long nrl, long, long, long) { freeMatrix(m, nrl); }
void free_dmatrix(double** m, long nrl, long, long, long) { freeMatrix(m, nrl); }
void free_imatrix(int** m, long nrl, long, long, long) { freeMatrix(m, nrl); }

float** submatrix(float** a, long oldrl, long oldrh, long oldcl, long, long newrl, long newcl)
{
    long nrow = oldrh - oldrl + 1;
    if (nrow < 0) nrow = 0;
    float** m = static_cast<float**>(std::malloc(static_cast<size_t>(nrow + 1) * sizeof(float*)));
    if (!m) {
        nrerror("allocation failure in submatrix()");
        return nullptr;
    }
    m += 1;
    m -= newrl;
    long shift = oldcl - newcl;
    for (long i = oldrl, j = newrl; i <= oldrh; i++, j++) m[j] = a[i] + shift;
    return m;
}

void free_submatrix(float** b, long nrl, long, long, long)
{
    if (b) std::free(b + nrl - 1);
}

float** convert_matrix(float* a, long nrl, long nrh, long ncl, long nch)
{
    long nrow = nrh - nrl + 1, ncol = nch - ncl + 1;
    if (nrow < 0) nrow = 0;
    float** m = static_cast<float**>(std::malloc(static_cast<size_t>(nrow + 1) * sizeof(float*)));
    if (!m) {
        nrerror("allocation failure in convert_matrix()");
        return nullptr;
    }
    m += 1;
    m -= nrl;
    if (nrow > 0) {
        m[nrl] = a - ncl;
        for (long i = 1, j = nrl + 1; i < nrow; i++, j++) m[j] = m[j - 1] + ncol;
    }
    return m;
}

void free_convert_matrix(float** b, long nrl, long, long, long)
{
    if (b) std::free(b + nrl - 1);
}

float*** f3tensor(long nrl, long nrh, long ncl, long nch, long ndl, long ndh)
{
    long nrow = nrh - nrl + 1, ncol = nch - ncl + 1, ndep = ndh - ndl + 1;
    if (nrow < 0) nrow = 0;
    if (ncol < 0) ncol = 0;
    if (ndep < 0) ndep = 0;
    float*** t = static_cast<float***>(std::malloc(static_cast<size_t>(nrow + 1) * sizeof(float**)));
    if (!t) {
        nrerror("allocation failure 1 in f3tensor()");
        return nullptr;
    }
    t += 1;
    t -= nrl;
    float** cols = static_cast<float**>(std::malloc(static_cast<size_t>(nrow * ncol + 1) * sizeof(float*)));
    if (!cols) {
        std::free(t + nrl - 1);
        nrerror("allocation failure 2 in f3tensor()");
        return nullptr;
    }
    float* data = static_cast<float*>(std::malloc(static_cast<size_t>(nrow * ncol * ndep + 1) * sizeof(float)));
    if (!data) {
        std::free(cols);
        std::free(t + nrl - 1);
        nrerror("allocation failure 3 in f3tensor()");
        return nullptr;
    }
    // Spare slots remember the blocks: t[nrl-1] the column pointers, cols[0] the data.
    t[nrl - 1] = cols;
    cols[0] = data;
    if (nrow > 0) {
        t[nrl] = cols + 1 - ncl;
        t[nrl][ncl] = data + 1 - ndl;
        for (long j = ncl + 1; j <= nch; j++) t[nrl][j] = t[nrl][j - 1] + ndep;
        for (long i = nrl + 1; i <= nrh; i++) {
            t[i] = t[i - 1] + ncol;
            t[i][ncl] = t[i - 1][ncl] + ncol * ndep;
            for (long j = ncl + 1; j <= nch; j++) t[i][j] = t[i][j - 1] + ndep;
        }
    }
    return t;
}

void free_f3tensor(float*** t, long nrl, long, long, long, long, long)
{
    if (!t) return;
    float** cols = t[nrl - 1];
    std::free(cols[0]);
    std::free(cols);
    std::free(t + nrl - 1);
}
