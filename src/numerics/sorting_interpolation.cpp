#include "numerics/sorting_interpolation.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "numerics/error_stop.h"
#include "numerics/nrutil.h"

namespace {

const int M = 7;
const int NSTACK = 50;

// Quicksort with median-of-three partitioning and straight insertion for
// short runs, on positions 1..n; the larger part goes on the stack. Less and
// Swap see positions. Should the stack ever be full (only for more than 2^25
// elements), the message is shown once and the larger part is sorted in
// place by SortRange instead of being pushed.
template <typename Less, typename Swap, typename Move, typename SortRange>
void quicksortPositions(int n, Less less, Swap swap, Move insertRun, SortRange sortRange, const char* szStackMessage)
{
    int* istack = ivector(1, NSTACK);
    CScopeExit releaseStack([&] { free_ivector(istack, 1, NSTACK); });
    int jstack = 0, l = 1, ir = n;
    bool bReported = false;
    for (;;) {
        if (ir - l < M) {
            insertRun(l, ir);
            if (jstack == 0) break;
            ir = istack[jstack--];
            l = istack[jstack--];
            continue;
        }
        int k = (l + ir) >> 1;
        swap(k, l + 1);
        if (less(ir, l)) swap(l, ir);
        if (less(ir, l + 1)) swap(l + 1, ir);
        if (less(l + 1, l)) swap(l, l + 1);
        int i = l + 1, j = ir;
        // Position l + 1 holds the partitioning element throughout.
        for (;;) {
            do i++;
            while (less(i, l + 1));
            do j--;
            while (less(l + 1, j));
            if (j < i) break;
            swap(i, j);
        }
        swap(l + 1, j);
        int nLo1, nHi1, nLo2, nHi2; // larger part (1), smaller part (2)
        if (ir - i + 1 >= j - l) {
            nLo1 = i, nHi1 = ir, nLo2 = l, nHi2 = j - 1;
        } else {
            nLo1 = l, nHi1 = j - 1, nLo2 = i, nHi2 = ir;
        }
        if (jstack + 2 > NSTACK) {
            if (!bReported) reportError(szStackMessage, 0);
            bReported = true;
            sortRange(nLo1, nHi1);
        } else {
            jstack += 2;
            istack[jstack] = nHi1;
            istack[jstack - 1] = nLo1;
        }
        l = nLo2;
        ir = nHi2;
    }
}

} // namespace

void indexx(int n, const float* arr, uint32_t* indx)
{
    for (int j = 1; j <= n; j++) indx[j] = static_cast<uint32_t>(j);
    auto less = [&](int a, int b) { return arr[indx[a]] < arr[indx[b]]; };
    auto swap = [&](int a, int b) { std::swap(indx[a], indx[b]); };
    auto insertRun = [&](int l, int ir) {
        for (int j = l + 1; j <= ir; j++) {
            uint32_t indxt = indx[j];
            float a = arr[indxt];
            int i;
            for (i = j - 1; i >= l; i--) {
                if (arr[indx[i]] <= a) break;
                indx[i + 1] = indx[i];
            }
            indx[i + 1] = indxt;
        }
    };
    auto sortRange = [&](int lo, int hi) {
        std::sort(indx + lo, indx + hi + 1, [&](uint32_t a, uint32_t b) { return arr[a] < arr[b]; });
    };
    quicksortPositions(n, less, swap, insertRun, sortRange, "NSTACK too small in indexx.");
}

void sort2(int n, float* arr, float* brr)
{
    auto less = [&](int a, int b) { return arr[a] < arr[b]; };
    auto swap = [&](int a, int b) {
        std::swap(arr[a], arr[b]);
        std::swap(brr[a], brr[b]);
    };
    auto insertRun = [&](int l, int ir) {
        for (int j = l + 1; j <= ir; j++) {
            float a = arr[j], b = brr[j];
            int i;
            for (i = j - 1; i >= l; i--) {
                if (arr[i] <= a) break;
                arr[i + 1] = arr[i];
                brr[i + 1] = brr[i];
            }
            arr[i + 1] = a;
            brr[i + 1] = b;
        }
    };
    auto sortRange = [&](int lo, int hi) {
        std::vector<std::pair<float, float>> pairs;
        for (int i = lo; i <= hi; i++) pairs.emplace_back(arr[i], brr[i]);
        std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (int i = lo; i <= hi; i++) {
            arr[i] = pairs[static_cast<size_t>(i - lo)].first;
            brr[i] = pairs[static_cast<size_t>(i - lo)].second;
        }
    };
    quicksortPositions(n, less, swap, insertRun, sortRange, "NSTACK too small in sort2.");
}

void sort3(int n, float* ra, float* rb, float* rc)
{
    if (n < 1) return;
    uint32_t* iwksp = lvector(1, n);
    CScopeExit releaseIndex([&] { free_lvector(iwksp, 1, n); });
    float* wksp = vector(1, n);
    CScopeExit releaseWork([&] { free_vector(wksp, 1, n); });
    indexx(n, ra, iwksp);
    for (float* r : {ra, rb, rc}) {
        for (int j = 1; j <= n; j++) wksp[j] = r[j];
        for (int j = 1; j <= n; j++) r[j] = wksp[iwksp[j]];
    }
}

float selectKthSmallest(int k, int n, float* arr)
{
    if (n < 1 || !arr) return 0.0f;
    k = std::clamp(k, 1, n);
    // Partition around the median of three of the range until the range is
    // the one element k.
    int l = 1, ir = n;
    for (;;) {
        if (ir <= l + 1) {
            if (ir == l + 1 && arr[ir] < arr[l]) std::swap(arr[l], arr[ir]);
            return arr[k];
        }
        const int mid = (l + ir) >> 1;
        std::swap(arr[mid], arr[l + 1]);
        if (arr[l] > arr[ir]) std::swap(arr[l], arr[ir]);
        if (arr[l + 1] > arr[ir]) std::swap(arr[l + 1], arr[ir]);
        if (arr[l] > arr[l + 1]) std::swap(arr[l], arr[l + 1]);
        int i = l + 1, j = ir;
        const float a = arr[l + 1];
        for (;;) {
            do i++;
            while (arr[i] < a);
            do j--;
            while (arr[j] > a);
            if (j < i) break;
            std::swap(arr[i], arr[j]);
        }
        arr[l + 1] = arr[j];
        arr[j] = a;
        if (j >= k) ir = j - 1;
        if (j <= k) l = i;
    }
}

namespace {

// Neville's tableau on n points, from the point nearest to x; the tables c
// and d come from the toolbox's allocators of the value type.
template <class T, class Alloc, class Free>
void nevillePolint(const T* xa, const T* ya, int n, T x, T* y, T* dy, Alloc alloc, Free release)
{
    if (n < 1) abandonComputation("Error in routine polint");
    T* c = alloc(1, n);
    CScopeExit releaseC([&] { release(c, 1, n); });
    T* d = alloc(1, n);
    CScopeExit releaseD([&] { release(d, 1, n); });
    int ns = 1;
    T dif = std::fabs(x - xa[1]);
    for (int i = 1; i <= n; i++) {
        T dift = std::fabs(x - xa[i]);
        if (dift < dif) {
            ns = i;
            dif = dift;
        }
        c[i] = ya[i];
        d[i] = ya[i];
    }
    *y = ya[ns--];
    *dy = 0;
    for (int m = 1; m < n; m++) {
        for (int i = 1; i <= n - m; i++) {
            T ho = xa[i] - x;
            T hp = xa[i + m] - x;
            T w = c[i + 1] - d[i];
            T den = ho - hp;
            if (den == 0) abandonComputation("Error in routine polint");
            den = w / den;
            d[i] = hp * den;
            c[i] = ho * den;
        }
        *dy = 2 * ns < (n - m) ? c[ns + 1] : d[ns--];
        *y += *dy;
    }
}

}  // namespace

void polint(const float* xa, const float* ya, int n, float x, float* y, float* dy)
{
    nevillePolint(xa, ya, n, x, y, dy, vector, free_vector);
}

void polint(const double* xa, const double* ya, int n, double x, double* y, double* dy)
{
    nevillePolint(xa, ya, n, x, y, dy, dvector, free_dvector);
}
