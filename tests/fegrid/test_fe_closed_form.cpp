// The closed-form element integrals against Gauss quadrature of the hat
// products, and their identities.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "fegrid/fe_closed_form.h"
#include "fegrid/global_grid.h"
#include "models/model_globals.h"

namespace {

constexpr int N = 13;

// A grid of N nodes from 6.0 to 7.2 cm with uneven spacing.
std::vector<double> unevenRadii()
{
    std::vector<double> r(N + 1);
    const double w[N] = {0, 1.0, 0.6, 1.7, 0.9, 1.3, 0.5, 1.9, 1.1, 0.7, 1.4, 0.8, 1.2};
    double sum = 0;
    for (int i = 1; i < N; i++) sum += w[i];
    r[1] = 6.0;
    for (int i = 2; i <= N; i++) r[i] = r[i - 1] + 1.2 * w[i - 1] / sum;
    r[N] = 7.2;
    return r;
}

// The hat of node i on r[1..n] and its derivative, at a point x of element e.
double hat(const std::vector<double>& r, int i, int e, double x)
{
    if (i == e) return (r[e + 1] - x) / (r[e + 1] - r[e]);
    if (i == e + 1) return (x - r[e]) / (r[e + 1] - r[e]);
    return 0;
}
double dhat(const std::vector<double>& r, int i, int e)
{
    if (i == e) return -1 / (r[e + 1] - r[e]);
    if (i == e + 1) return 1 / (r[e + 1] - r[e]);
    return 0;
}

// Sum over elements 1..n-1 of the 5-point Gauss rule in each element's local
// coordinate u in [0, 1] (exact for the polynomials of degree 9 or less).
double quad(const std::vector<double>& r, int n, const std::function<double(int e, double x)>& f)
{
    static const double gx[5] = {-0.9061798459386640, -0.5384693101056831, 0.0, 0.5384693101056831,
                                 0.9061798459386640};
    static const double gw[5] = {0.2369268850561891, 0.4786286704993665, 0.5688888888888889, 0.4786286704993665,
                                 0.2369268850561891};
    double s = 0;
    for (int e = 1; e < n; e++) {
        const double h = r[e + 1] - r[e];
        for (int g = 0; g < 5; g++) {
            const double u = 0.5 * (gx[g] + 1);
            s += 0.5 * gw[g] * h * f(e, r[e] + u * h);
        }
    }
    return s;
}

// Agreement to 1e-10 of the scale of the entry's terms.
void expectClose(double closed, double reference, double scale, const char* what, int i, int j, int k = 0)
{
    EXPECT_NEAR(closed, reference, 1e-10 * (std::fabs(reference) + scale)) << what << " (" << i << ", " << j << ", " << k << ")";
}

class ClosedFormTest : public ::testing::Test {
protected:
    std::vector<double> r = unevenRadii();

    void SetUp() override
    {
        fMeniscus = 6.0f;
        fBottom = 7.2f;
        bMovingHat = 1;
        nGridPoints = N;
        ASSERT_TRUE(allocRadialGridArrays());
        ASSERT_EQ(nGridPointsAllocated, N);
        setRadii(r);
    }
    static void setRadii(const std::vector<double>& x)
    {
        for (int i = 1; i <= N; i++) pGridRadius[i] = pFeGridRadius[i] = x[i];
    }
    // the weight r rho of the motion terms: r^2 inside, the end nodes' radius
    // counted as 0 in the end elements
    double motionWeight(int e, double x) const
    {
        if (e == 1) return x * r[2] * hat(r, 2, 1, x);
        if (e == N - 1) return x * r[N - 1] * hat(r, N - 1, N - 1, x);
        return x * x;
    }
};

}  // namespace

TEST_F(ClosedFormTest, EveryFamilyAgreesWithQuadratureOfTheHats)
{
    for (int i = 0; i <= N + 1; i++)
        for (int j = 0; j <= N + 1; j++) {
            const bool apart = i < 1 || j < 1 || i > N || j > N || std::abs(i - j) > 1;
            auto two = [&](auto f) { return quad(r, N, f); };
            const double mass = two([&](int e, double x) { return hat(r, i, e, x) * hat(r, j, e, x) * x; });
            const double stiff = two([&](int e, double) { return dhat(r, i, e) * dhat(r, j, e) * 7.0; }) / 7.0;
            const double stiffR = two([&](int e, double x) { return dhat(r, i, e) * dhat(r, j, e) * x; });
            const double sed = two([&](int e, double x) { return dhat(r, i, e) * hat(r, j, e, x) * x * x; });
            const double motion =
                -two([&](int e, double x) { return hat(r, i, e, x) * dhat(r, j, e) * motionWeight(e, x); });
            (void)stiff;
            if (apart) {
                EXPECT_EQ(heteroAssocElementA(i, j), 0.0);
                EXPECT_EQ(heteroAssocElementB(i, j), 0.0);
                EXPECT_EQ(heteroAssocElementC(i, j), 0.0);
                EXPECT_EQ(heteroAssocElementD(i, j), 0.0);
                EXPECT_EQ(massElementToNode(i, j, N), 0.0);
                continue;
            }
            expectClose(heteroAssocElementA(i, j), mass, 1e-3, "mass", i, j);
            expectClose(heteroAssocElementB(i, j), stiffR, 10, "stiffness", i, j);
            expectClose(heteroAssocElementC(i, j), sed, 10, "sedimentation", i, j);
            expectClose(heteroAssocElementD(i, j), motion, 10, "motion", i, j);
            // the cut grid at every n: only the elements up to r_n
            for (int n = 2; n <= N + 2; n++) {
                const int nn = n > N ? N : n;
                if (i > nn || j > nn) {
                    EXPECT_EQ(massElementToNode(i, j, n), 0.0);
                    continue;
                }
                auto cut = [&](auto f) { return quad(r, nn, f); };
                expectClose(massElementToNode(i, j, n),
                            cut([&](int e, double x) { return hat(r, i, e, x) * hat(r, j, e, x) * x; }), 1e-3, "mass cut",
                            i, j, n);
                expectClose(stiffnessElementToNode(i, j, n),
                            cut([&](int e, double x) { return dhat(r, i, e) * dhat(r, j, e) * x; }), 10, "stiffness cut",
                            i, j, n);
                expectClose(sedimentationElementToNode(i, j, n),
                            cut([&](int e, double x) { return dhat(r, i, e) * hat(r, j, e, x) * x * x; }), 10,
                            "sedimentation cut", i, j, n);
            }
        }
    for (int i = 1; i <= N; i++) {
        expectClose(hatWeight(i), quad(r, N, [&](int e, double x) { return hat(r, i, e, x) * x; }), 1e-3, "weight", i, 0);
        for (int n = 2; n <= N; n++)
            if (i <= n)
                expectClose(hatWeightToNode(i, n), quad(r, n, [&](int e, double x) { return hat(r, i, e, x) * x; }), 1e-3,
                            "weight cut", i, n);
    }
    // the triple products, each index over i-1..i+1
    for (int i = 1; i <= N; i++)
        for (int j = i - 1; j <= i + 1; j++)
            for (int k = i - 1; k <= i + 1; k++) {
                auto q3 = [&](auto f) { return quad(r, N, f); };
                const double tm = q3([&](int e, double x) { return hat(r, i, e, x) * hat(r, j, e, x) * hat(r, k, e, x) * x; });
                const double rt =
                    q3([&](int e, double x) { return dhat(r, i, e) * hat(r, j, e, x) * hat(r, k, e, x) * x * x; });
                const double ts = q3([&](int e, double x) { return dhat(r, i, e) * dhat(r, j, e) * hat(r, k, e, x) * x; });
                const double ps = -q3([&](int e, double x) {
                    return hat(r, i, e, x) * (dhat(r, j, e) * hat(r, k, e, x) + hat(r, j, e, x) * dhat(r, k, e)) *
                           motionWeight(e, x);
                });
                const double pk = q3([&](int e, double x) {
                    return dhat(r, i, e) * (dhat(r, j, e) * hat(r, k, e, x) + hat(r, j, e, x) * dhat(r, k, e)) * x;
                });
                expectClose(tripleMassElement(i, j, k), tm, 1e-3, "triple mass", i, j, k);
                expectClose(radialTripleIntegral(i, j, k), rt, 10, "radial triple", i, j, k);
                expectClose(tripleStiffnessElement(i, j, k), ts, 10, "triple stiffness", i, j, k);
                expectClose(productSedimentationElement(i, j, k), ps, 10, "product sedimentation", i, j, k);
                expectClose(productStiffnessElement(i, j, k), pk, 10, "product stiffness", i, j, k);
            }
    EXPECT_EQ(tripleMassElement(1, 2, 3), 0.0);
    EXPECT_EQ(productStiffnessElement(4, 6, 5), 0.0);
}

TEST_F(ClosedFormTest, EquidistantFamilyOnTheEquidistantGrid)
{
    // the grid the program lays out from the single-precision meniscus and bottom
    const double m = fMeniscus, b = fBottom, h = (b - m) / (N - 1);
    std::vector<double> e(N + 1);
    for (int i = 1; i <= N; i++) e[i] = m + (i - 1) * h;
    r = e;
    setRadii(e);
    for (int i = 1; i <= N; i++)
        for (int j = i - 1; j <= i + 1; j++) {
            EXPECT_NEAR(staticElementA(i, j), heteroAssocElementA(i, j), 1e-14) << i << ", " << j;
            for (int k = i - 1; k <= i + 1; k++) {
                if (j < 1 || k < 1 || j > N || k > N) continue;
                const double ts =
                    quad(e, N, [&](int el, double x) { return dhat(e, i, el) * dhat(e, j, el) * hat(e, k, el, x) * x; });
                const double rt =
                    quad(e, N, [&](int el, double x) { return dhat(e, i, el) * hat(e, j, el, x) * hat(e, k, el, x) * x * x; });
                expectClose(staticElementB(i, j, k), ts, 10, "static B", i, j, k);
                expectClose(staticElementC(i, j, k), rt, 10, "static C", i, j, k);
            }
        }
    EXPECT_NEAR(staticElementA(1, 1), h * (e[1] + h / 4) / 3, 1e-15);
    EXPECT_NEAR(staticElementA(N, N), h * (e[N] - h / 4) / 3, 1e-15);
    EXPECT_EQ(staticElementA(3, 5), 0.0);
    EXPECT_EQ(staticElementA(0, 1), 0.0);
}

TEST_F(ClosedFormTest, IdentitiesOfTheElements)
{
    const double half = (r[N] * r[N] - r[1] * r[1]) / 2;
    double wsum = 0, msum = 0, dsum = 0;
    for (int i = 1; i <= N; i++) {
        wsum += hatWeight(i);
        dsum += elementDiagonal(i);
        double kRow = 0, kCut = 0, mRow = 0, aRow = 0;
        for (int j = 1; j <= N; j++) {
            msum += heteroAssocElementA(i, j);
            kRow += heteroAssocElementB(i, j);
            kCut += stiffnessElementToNode(i, j, 9);
            mRow += heteroAssocElementD(i, j);
            aRow += elementMatrixValueA(i, j);
        }
        EXPECT_NEAR(kRow, 0, 1e-12) << i;
        EXPECT_NEAR(kCut, 0, 1e-12) << i;
        EXPECT_NEAR(mRow, 0, 1e-12) << i;  // the end rows included
        EXPECT_NEAR(aRow, 0, 1e-12) << i;
    }
    EXPECT_NEAR(wsum, half, 1e-12);
    EXPECT_NEAR(msum, half, 1e-12);
    EXPECT_NEAR(dsum, half, 1e-12);

    // the moving hat's functions are the grid family's, with the outflow rows
    // of the back-diffusion shut-off at the bottom
    for (int i = 1; i <= N; i++)
        for (int j = i - 1; j <= i + 1; j++) {
            EXPECT_EQ(elementMatrixValueC(i, j), heteroAssocElementD(i, j));
            EXPECT_EQ(elementMatrixValueE(i, j), heteroAssocElementA(i, j));
            EXPECT_EQ(elementMatrixValueD(i, j), elementMatrixValueC(i, j) - elementMatrixValueB(i, j));
        }
    bBackDiffusionShutOffActive = 1;
    const double q = r[N] / (r[N] - r[N - 1]);
    EXPECT_NEAR(elementMatrixValueA(N, N - 1), heteroAssocElementB(N, N - 1) + q, 1e-12);
    EXPECT_NEAR(elementMatrixValueA(N, N), heteroAssocElementB(N, N) - q, 1e-12);
    EXPECT_NEAR(elementMatrixValueB(N, N), heteroAssocElementC(N, N) - r[N] * r[N], 1e-12);
    EXPECT_EQ(elementMatrixValueA(N - 1, N), heteroAssocElementB(N - 1, N));
    bBackDiffusionShutOffActive = 0;

    // the cut grid: the last node's weight, nothing read beyond r_n
    for (int n = 2; n <= N; n++)
        EXPECT_NEAR(hatWeightToNode(n, n), (r[n] - r[n - 1]) * (r[n - 1] + 2 * r[n]) / 6, 1e-14);
    EXPECT_EQ(hatWeightToNode(4, N + 5), hatWeightToNode(4, N));
    for (int i = 1; i <= 6; i++)
        for (int j = 1; j <= 6; j++) EXPECT_EQ(massElementToNode(i, j, 7), heteroAssocElementA(i, j)) << i << j;
    for (int n : {2, 3}) {
        for (int i = n + 1; i <= N; i++) pGridRadius[i] = std::numeric_limits<double>::quiet_NaN();
        // node n takes the end form: only its left element
        EXPECT_NEAR(massElementToNode(n, n, n), (r[n] - r[n - 1]) * (r[n - 1] + 3 * r[n]) / 12, 1e-14) << n;
        EXPECT_NEAR(stiffnessElementToNode(n, n, n), (r[n - 1] + r[n]) / (2 * (r[n] - r[n - 1])), 1e-12) << n;
        for (int i = 1; i <= n; i++)
            for (int j = 1; j <= n; j++) {
                EXPECT_TRUE(std::isfinite(massElementToNode(i, j, n)));
                EXPECT_TRUE(std::isfinite(sedimentationElementToNode(i, j, n)));
                EXPECT_TRUE(std::isfinite(stiffnessElementToNode(i, j, n)));
            }
        setRadii(r);
    }
    EXPECT_EQ(massElementToNode(1, 1, 1), 0.0);  // a single node spans no element
}
