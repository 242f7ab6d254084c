// Sorting of one-based float arrays and Neville polynomial interpolation.
#pragma once

#include <cstdint>

// indx[1..n] such that arr[indx[1]] <= arr[indx[2]] <= ...; arr unchanged.
void indexx(int n, const float* arr, uint32_t* indx);
// arr[1..n] sorted ascending, brr rearranged alike.
void sort2(int n, float* arr, float* brr);
// ra[1..n] sorted ascending, rb and rc rearranged alike.
void sort3(int n, float* ra, float* rb, float* rc);

// The k-th smallest of arr[1..n] (k = 1 the smallest), by partitioning in
// place: arr is rearranged (k-th value at position k, nothing larger before
// it, nothing smaller after it). k is held to 1..n; 0 for n < 1.
float selectKthSmallest(int k, int n, float* arr);

// Value y at x of the polynomial of degree n - 1 through (xa[i], ya[i]),
// i = 1..n, with the error estimate dy: the last correction of Neville's
// tableau, which starts from the tabulated value nearest to x (0 for one
// point; for two, the step from the nearer value onto the line). Two equal
// abscissae abandon the computation ("Error in routine polint").
void polint(const float* xa, const float* ya, int n, float x, float* y, float* dy);
// The same in double precision (the Romberg quadrature of the element integrals).
void polint(const double* xa, const double* ya, int n, double x, double* y, double* dy);
