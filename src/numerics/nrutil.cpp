#include "numerics/nrutil.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Element count of an index range; an empty or reversed range counts 0.
long rangeLength(long lo, long hi)
{
    return hi >= lo ? hi - lo + 1 : 0;
}

// count = a * b + extra elements of the given size, or 0 when that many bytes
// cannot be addressed (which is then treated as an allocation failure).
size_t blockBytes(long a, long b, long extra, size_t elementSize)
{
    const size_t nMax = std::numeric_limits<size_t>::max() / elementSize;
    size_t ua = static_cast<size_t>(a), ub = static_cast<size_t>(b);
    if (ub != 0 && ua > (nMax - static_cast<size_t>(extra)) / ub) return 0;
    return (ua * ub + static_cast<size_t>(extra)) * elementSize;
}

void* allocBlock(size_t bytes, bool zero)
{
    if (bytes == 0) return nullptr;
    return zero ? std::calloc(1, bytes) : std::malloc(bytes);
}

// The block holds one spare element before index nl; vector() also keeps one
// after nh.
template <typename T>
T* allocVector(long nl, long nh, long extra, bool zero, const char* failure)
{
    T* block = static_cast<T*>(allocBlock(blockBytes(rangeLength(nl, nh), 1, extra, sizeof(T)), zero));
    if (!block) nrerror(failure);
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
    long nrow = rangeLength(nrl, nrh), ncol = rangeLength(ncl, nch);
    T** m = static_cast<T**>(allocBlock(blockBytes(nrow, 1, 1, sizeof(T*)), false));
    if (!m) nrerror("allocation failure 1 in matrix()");
    T* data = static_cast<T*>(allocBlock(blockBytes(nrow, ncol, 1, sizeof(T)), true));
    if (!data) {
        std::free(m);
        nrerror("allocation failure 2 in matrix()");
    }
    m += 1;
    m -= nrl;
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

float** rowPointers(long nrow, const char* failure)
{
    float** m = static_cast<float**>(allocBlock(blockBytes(nrow, 1, 1, sizeof(float*)), false));
    if (!m) nrerror(failure);
    return m;
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
    float** m = rowPointers(rangeLength(oldrl, oldrh), "allocation failure in submatrix()");
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
    long nrow = rangeLength(nrl, nrh), ncol = rangeLength(ncl, nch);
    float** m = rowPointers(nrow, "allocation failure in convert_matrix()");
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
    long nrow = rangeLength(nrl, nrh), ncol = rangeLength(ncl, nch), ndep = rangeLength(ndl, ndh);
    float*** t = static_cast<float***>(allocBlock(blockBytes(nrow, 1, 1, sizeof(float**)), false));
    if (!t) nrerror("allocation failure 1 in f3tensor()");
    float** cols = static_cast<float**>(allocBlock(blockBytes(nrow, ncol, 1, sizeof(float*)), false));
    if (!cols) {
        std::free(t);
        nrerror("allocation failure 2 in f3tensor()");
    }
    size_t nDataBytes = 0;
    if (ncol == 0 || static_cast<size_t>(nrow) <= std::numeric_limits<size_t>::max() / static_cast<size_t>(ncol))
        nDataBytes = blockBytes(nrow * ncol, ndep, 1, sizeof(float));
    float* data = static_cast<float*>(allocBlock(nDataBytes, true));
    if (!data) {
        std::free(cols);
        std::free(t);
        nrerror("allocation failure 3 in f3tensor()");
    }
    t += 1;
    t -= nrl;
    // Spare slots remember the blocks: t[nrl-1] the column pointers, cols[0] the data.
    t[nrl - 1] = cols;
    cols[0] = data;
    if (nrow > 0 && ncol > 0) {
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
