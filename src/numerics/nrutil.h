// One-based numeric arrays.
//
// A vector returned by vector(nl, nh) is valid for v[nl]..v[nh]; a matrix
// returned by matrix(nrl, nrh, ncl, nch) for m[nrl..nrh][ncl..nch], its rows
// contiguous in one data block. The bounds are not stored: callers pass the
// same lower bounds to the matching free routine. The float, int, long and
// double vectors start zero-filled; so do the matrices and tensors here, since
// much of the program counts on it. Only the char vector is left as the heap
// gives it. An empty range (nh < nl) gives a valid pointer that may be freed.
//
// Allocation failure (also a size too large to be addressed) goes to nrerror(),
// which shows the fatal box and abandons the computation: an allocator never
// returns null to its caller. See numerics/error_stop.h.
#pragma once

#include <cstdint>

#include "numerics/error_stop.h"

float* vector(long nl, long nh);
int* ivector(long nl, long nh);
unsigned char* cvector(long nl, long nh);
uint32_t* lvector(long nl, long nh);
double* dvector(long nl, long nh);

float** matrix(long nrl, long nrh, long ncl, long nch);
double** dmatrix(long nrl, long nrh, long ncl, long nch);
int** imatrix(long nrl, long nrh, long ncl, long nch);
float** submatrix(float** a, long oldrl, long oldrh, long oldcl, long oldch, long newrl, long newcl);
float** convert_matrix(float* a, long nrl, long nrh, long ncl, long nch);
float*** f3tensor(long nrl, long nrh, long ncl, long nch, long ndl, long ndh);

// Release functions. The upper bounds are accepted and ignored. Null pointers
// are harmless for the vector and matrix forms.
void free_vector(float* v, long nl, long nh);
void free_ivector(int* v, long nl, long nh);
void free_cvector(unsigned char* v, long nl, long nh);
void free_lvector(uint32_t* v, long nl, long nh);
void free_dvector(double* v, long nl, long nh);
void free_matrix(float** m, long nrl, long nrh, long ncl, long nch);
void free_dmatrix(double** m, long nrl, long nrh, long ncl, long nch);
void free_imatrix(int** m, long nrl, long nrh, long ncl, long nch);
void free_submatrix(float** b, long nrl, long nrh, long ncl, long nch);
void free_convert_matrix(float** b, long nrl, long nrh, long ncl, long nch);
void free_f3tensor(float*** t, long nrl, long nrh, long ncl, long nch, long ndl, long ndh);
