#include "numerics/interpolate_grid.h"

#include <type_traits>

namespace {

// Value at x on the interval (j - 1, j) of the table; a zero-width interval
// (repeated abscissae) gives the value at its end.
template <typename C, typename TX, typename TY>
C onInterval(C x, const TX* xs, const TY* ys, int j)
{
    C x0 = static_cast<C>(xs[j - 1]), x1 = static_cast<C>(xs[j]);
    C y0 = static_cast<C>(ys[j - 1]), y1 = static_cast<C>(ys[j]);
    if (x1 == x0) return y1;
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

template <typename C, typename TY>
C meanOf(const TY* ys, int lo, int hi)
{
    C sum = 0;
    for (int k = lo; k <= hi; k++) sum += static_cast<C>(ys[k]);
    return sum / static_cast<C>(hi - lo + 1);
}

template <bool bAdd, typename T, typename S>
bool interpolateTable(int n, const T* xt, T* yo, int m, const S* xs, const S* ys)
{
    // Float tables onto float targets compute in float, anything with a
    // double in double.
    using C = std::common_type_t<T, S>;
    if (n < 5 || m < 5) return false;
    if (!(static_cast<C>(xt[n]) >= static_cast<C>(xs[1]) && static_cast<C>(xs[m]) >= static_cast<C>(xt[1]) &&
          static_cast<C>(xt[5]) <= static_cast<C>(xs[m - 4])))
        return false;
    auto store = [&](int i, C v) {
        if constexpr (bAdd)
            yo[i] = static_cast<T>(static_cast<C>(yo[i]) + v);
        else
            yo[i] = static_cast<T>(v);
    };
    const C xFirst = static_cast<C>(xs[1]), xLast = static_cast<C>(xs[m]);
    int i = 1;
    C x1 = static_cast<C>(xt[1]);
    if (x1 == xFirst) {
        store(1, static_cast<C>(ys[1]));
        i = 2;
    } else if (x1 < xFirst) {
        if (x1 >= 2 * xFirst - static_cast<C>(xs[2])) {
            for (; i <= n && static_cast<C>(xt[i]) < xFirst; i++) store(i, onInterval<C>(static_cast<C>(xt[i]), xs, ys, 2));
        } else {
            C c = m < 11 ? static_cast<C>(ys[1]) : meanOf<C>(ys, 1, 10);
            for (; i <= n && static_cast<C>(xt[i]) < xFirst; i++) store(i, c);
        }
    }
    int j = 2;
    for (; i <= n && static_cast<C>(xt[i]) <= xLast; i++) {
        C x = static_cast<C>(xt[i]);
        while (j < m && static_cast<C>(xs[j]) <= x) j++;
        store(i, onInterval<C>(x, xs, ys, j));
    }
    if (i > n) return true;
    if (static_cast<C>(xt[n]) <= 2 * xLast - static_cast<C>(xs[m - 1])) {
        for (; i <= n; i++) store(i, onInterval<C>(static_cast<C>(xt[i]), xs, ys, m));
    } else {
        C c = m < 11 ? static_cast<C>(ys[m]) : meanOf<C>(ys, m - 9, m);
        for (; i <= n; i++) store(i, c);
    }
    return true;
}

} // namespace

bool interpolateOnGrid(int n, const float* xt, float* yo, int m, const float* xs, const float* ys)
{
    return interpolateTable<false>(n, xt, yo, m, xs, ys);
}

bool interpolateOnGridFD(int n, const float* xt, float* yo, int m, const double* xs, const double* ys)
{
    return interpolateTable<false>(n, xt, yo, m, xs, ys);
}

bool interpolateOnGridFD2(int n, const float* xt, float* yo, int m, const double* xs, const double* ys)
{
    return interpolateTable<true>(n, xt, yo, m, xs, ys);
}

bool interpolateOnGridDF(int n, const double* xt, double* yo, int m, const float* xs, const float* ys)
{
    return interpolateTable<false>(n, xt, yo, m, xs, ys);
}

bool interpolateOnGridDD(int n, const double* xt, double* yo, int m, const double* xs, const double* ys)
{
    return interpolateTable<false>(n, xt, yo, m, xs, ys);
}

void interpolateLinearD(int n, const double* xt, double* yo, int m, const double* xs, const double* ys)
{
    if (n < 1 || m < 1) return;
    if (!(xt[n] >= xs[1] && xs[m] >= xt[1])) return;
    int j = 2;
    for (int i = 1; i <= n; i++) {
        double x = xt[i];
        if (x < xs[1] || x > xs[m]) continue;
        if (m == 1) {
            yo[i] = ys[1];
            continue;
        }
        while (j < m && xs[j] <= x) j++;
        yo[i] = onInterval<double>(x, xs, ys, j);
    }
}
