// Passes of the static-grid step over a stretch of rows (see the header).
#include "lamm/grid_passes.h"

#include <cmath>

#include "lamm/double_pairs.h"
#include "numerics/cpu_features.h"

#if defined(__x86_64__)
// lamm/grid_passes_avx2.cpp: the same passes four rows at a time, up to the
// last whole group of four; each returns the first row it has not done.
int largestValuesAvx2(const double* c, int from, int to, double& largest, double& largestMagnitude);
int relativeChangesAvx2(const double* c, const double* co, int from, int to, double cut, double& E, int& special);
int firstOutsideAvx2(const double* c, int from, int to, double low, double high);
#endif

namespace lamm {

void largestValues(const double* c, int from, int to, double start, double& largest, double& largestMagnitude)
{
    double m = start, a = 0;
    int i = from;
#if defined(__x86_64__)
    if (processorHasAvx2() && to - from >= 7) i = largestValuesAvx2(c, from, to, m, a);
#endif
    {
        Pair m2 = splat(m), a2 = splat(a);
        for (; i + 1 <= to; i += 2) {
            const Pair v = loadPair(c + i);
            m2 = maxPair(m2, v);
            a2 = maxPair(a2, absPair(v));
        }
        m = m2[0] < m2[1] ? m2[1] : m2[0];
        a = a2[0] < a2[1] ? a2[1] : a2[0];
    }
    for (; i <= to; i++) {
        m = c[i] > m ? c[i] : m;
        const double x = std::fabs(c[i]);
        a = x > a ? x : a;
    }
    largest = m;
    largestMagnitude = a;
}

void relativeChanges(const double* c, const double* co, int from, int to, double cut, double& E, int& special)
{
    double E1 = E;
    int sp = special;
    int i = from;
#if defined(__x86_64__)
    if (processorHasAvx2() && to - from >= 7) i = relativeChangesAvx2(c, co, from, to, cut, E1, sp);
#endif
    // two at a time: a pair goes the scalar way only where a point needs it (a
    // point with its own reference beats the largest change so far, or one
    // without it changes by more than the cut); E only grows, so a point the
    // test passes over the scalar loop passes over too
    const Pair cut2 = splat(cut);
    for (; i + 1 <= to; i += 2) {
        const Pair o = loadPair(co + i), d = absPair(loadPair(c + i) - o);
        const Pair limit = o > cut2 ? splat(E1) * o : cut2;
        if (!anyLane(d > limit)) continue;
        for (int q = i; q <= i + 1; q++) {
            const double oq = co[q], dq = std::fabs(c[q] - oq);
            if (oq > cut) {
                if (dq > E1 * oq) E1 = dq / oq;
            } else {
                sp |= dq > cut;
            }
        }
    }
    for (; i <= to; i++) {
        const double o = co[i], d = std::fabs(c[i] - o);
        if (o > cut) {
            if (d > E1 * o) E1 = d / o;
        } else {
            sp |= d > cut;
        }
    }
    E = E1;
    special = sp;
}

int firstOutside(const double* c, int from, int to, double low, double high)
{
    int i = from;
#if defined(__x86_64__)
    if (processorHasAvx2() && to - from >= 7) {
        i = firstOutsideAvx2(c, from, to, low, high);
        if (i <= to && !(low <= c[i] && c[i] < high)) return i;
    }
#endif
    for (; i <= to; i++)
        if (!(low <= c[i] && c[i] < high)) return i;
    return i;
}

}  // namespace lamm
