#include "numerics/eigen.h"

#include <cmath>

#include "numerics/error_stop.h"
#include "numerics/nrutil.h"

namespace {

template <typename T>
inline void rotate(T** a, T s, T tau, int i, int j, int k, int l)
{
    T g = a[i][j], h = a[k][l];
    a[i][j] = g - s * (h + g * tau);
    a[k][l] = h + s * (g - h * tau);
}

// Cyclic Jacobi rotations; the comparisons "x + g == x" decide in the
// working precision T whether an element is negligible.
template <typename T>
void cyclicJacobi(T** a, int n, T* d, T** v, int* nrot, T* (*allocV)(long, long), void (*freeV)(T*, long, long),
                  const char* szTooMany)
{
    T* b = allocV(1, n);
    CScopeExit releaseB([&] { freeV(b, 1, n); });
    T* z = allocV(1, n);
    CScopeExit releaseZ([&] { freeV(z, 1, n); });
    for (int ip = 1; ip <= n; ip++) {
        for (int iq = 1; iq <= n; iq++) v[ip][iq] = 0;
        v[ip][ip] = 1;
    }
    for (int ip = 1; ip <= n; ip++) {
        b[ip] = d[ip] = a[ip][ip];
        z[ip] = 0;
    }
    *nrot = 0;
    for (int i = 1; i <= 50; i++) {
        T sm = 0;
        for (int ip = 1; ip <= n - 1; ip++)
            for (int iq = ip + 1; iq <= n; iq++) sm += std::fabs(a[ip][iq]);
        if (sm == 0) return;
        T tresh = i < 4 ? T(0.2) * sm / static_cast<T>(n * n) : T(0);
        for (int ip = 1; ip <= n - 1; ip++) {
            for (int iq = ip + 1; iq <= n; iq++) {
                T g = T(100) * std::fabs(a[ip][iq]);
                if (i > 4 && static_cast<T>(std::fabs(d[ip]) + g) == static_cast<T>(std::fabs(d[ip])) &&
                    static_cast<T>(std::fabs(d[iq]) + g) == static_cast<T>(std::fabs(d[iq]))) {
                    a[ip][iq] = 0;
                } else if (std::fabs(a[ip][iq]) > tresh) {
                    T h = d[iq] - d[ip];
                    T t;
                    if (static_cast<T>(std::fabs(h) + g) == static_cast<T>(std::fabs(h))) {
                        t = a[ip][iq] / h;
                    } else {
                        T theta = T(0.5) * h / a[ip][iq];
                        t = T(1) / (std::fabs(theta) + std::sqrt(T(1) + theta * theta));
                        if (theta < 0) t = -t;
                    }
                    T c = T(1) / std::sqrt(1 + t * t);
                    T s = t * c;
                    T tau = s / (T(1) + c);
                    h = t * a[ip][iq];
                    z[ip] -= h;
                    z[iq] += h;
                    d[ip] -= h;
                    d[iq] += h;
                    a[ip][iq] = 0;
                    for (int j = 1; j <= ip - 1; j++) rotate(a, s, tau, j, ip, j, iq);
                    for (int j = ip + 1; j <= iq - 1; j++) rotate(a, s, tau, ip, j, j, iq);
                    for (int j = iq + 1; j <= n; j++) rotate(a, s, tau, ip, j, iq, j);
                    for (int j = 1; j <= n; j++) rotate(v, s, tau, j, ip, j, iq);
                    ++(*nrot);
                }
            }
        }
        for (int ip = 1; ip <= n; ip++) {
            b[ip] += z[ip];
            d[ip] = b[ip];
            z[ip] = 0;
        }
    }
    abandonComputation(szTooMany);
}

template <typename T>
void sortEigenpairs(T* d, T** v, int n)
{
    for (int i = 1; i < n; i++) {
        int k = i;
        T p = d[i];
        for (int j = i + 1; j <= n; j++)
            if (d[j] >= p) p = d[k = j];
        if (k != i) {
            d[k] = d[i];
            d[i] = p;
            for (int j = 1; j <= n; j++) {
                T t = v[j][i];
                v[j][i] = v[j][k];
                v[j][k] = t;
            }
        }
    }
}

} // namespace

void jacobi(float** a, int n, float* d, float** v, int* nrot)
{
    cyclicJacobi<float>(a, n, d, v, nrot, vector, free_vector, "Too many iterations in routine jacobi");
}

void djacobi(double** a, int n, double* d, double** v, int* nrot)
{
    cyclicJacobi<double>(a, n, d, v, nrot, dvector, free_dvector, "Too many iterations in routine djacobi");
}

void eigsrt(float* d, float** v, int n) { sortEigenpairs(d, v, n); }

void deigsrt(double* d, double** v, int n) { sortEigenpairs(d, v, n); }

float determinant2(const float* const* m)
{
    return m[1][1] * m[2][2] - m[1][2] * m[2][1];
}

float determinant3(const float* const* m)
{
    return m[1][1] * (m[2][2] * m[3][3] - m[2][3] * m[3][2]) - m[1][2] * (m[2][1] * m[3][3] - m[2][3] * m[3][1]) +
           m[1][3] * (m[2][1] * m[3][2] - m[2][2] * m[3][1]);
}
