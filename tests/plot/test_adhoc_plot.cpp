// Ad hoc plots of the diagnostic tools and plots with stored pictures.
#include <cstring>

#include "numerics/nrutil.h"
#include "plot/adhoc_plot.h"
#include "plot/plot_fixture.h"

using namespace win;

namespace {

float* ramp(int n, float a, float b)
{
    float* v = vector(1, n);
    for (int i = 1; i <= n; i++) v[i] = a + b * float(i);
    return v;
}

}  // namespace

TEST(AdHocPlot, SlotsCurvesAndArraysFreedOnce)
{
    CAdHocPlot* p = new CAdHocPlot;
    p->pPlot->SetPlotRect(50, 75, 475, 975);
    // seven curves on one shared radius axis: indices 0..6 in the plot
    float* r = ramp(5, 6.0f, 0.1f);
    for (int k = 0; k < 7; k++) EXPECT_EQ(p->AddCurve(5, r, ramp(5, float(k), 1.0f)), k);
    // a curve whose x and y are one array
    float* same = ramp(3, 0.0f, 2.0f);
    EXPECT_EQ(p->AddCurve(3, same, same), 7);
    ASSERT_EQ(p->pPlot->nCurves, 8);
    // the plot's curve 0 has 5 points, element 0 being r[1]
    EXPECT_EQ(p->pPlot->pCurves[0]->pX->nSize, 5u);
    EXPECT_EQ(p->pPlot->pCurves[0]->pX->Get(0), r[1]);
    EXPECT_EQ(p->pPlot->pCurves[6]->pY->Get(4), 11.0f);
    // no curve without points; such arrays stay the caller's
    float* empty = vector(1, 1);
    EXPECT_EQ(p->AddCurve(0, empty, empty), -1);
    EXPECT_EQ(p->pPlot->nCurves, 8);
    free_vector(empty, 1, 1);
    EXPECT_TRUE(p->pPlot->Draw());
    // frees r and same once each (a second free would end the test program)
    delete p;

    // a full holder takes no 101st curve
    CAdHocPlot full;
    float* x = ramp(2, 0, 1);
    for (int k = 0; k < 100; k++) ASSERT_EQ(full.AddCurve(2, x, x), k);
    float* y = ramp(2, 0, 1);
    EXPECT_EQ(full.AddCurve(2, y, y), -1);
    EXPECT_EQ(full.pPlot->nCurves, 100);
    free_vector(y, 1, 2);
}

TEST(AdHocPlot, StoredPictures)
{
    CurveStore store;
    CStoredPlot s;
    s.AddCurve(store.curve({0, 1, 2}, {1, 3, 2}));
    s.SetPlotRect(50, 75, 475, 975);
    EXPECT_EQ(s.GetPicture(1), nullptr);  // no table yet
    ASSERT_TRUE(s.AllocatePictures(3));
    EXPECT_EQ(s.nStoredPictures, 3);
    s.SetTitle("first");
    ASSERT_TRUE(s.StorePicture(2));
    // the plot holds no picture now
    EXPECT_EQ(s.hMetaFile, nullptr);
    EXPECT_EQ(s.bMetaFileValid, 0);
    HMETAFILE h = s.GetPicture(2);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(s.GetPicture(0), nullptr);
    EXPECT_EQ(s.GetPicture(4), nullptr);
    EXPECT_EQ(s.GetPicture(1), nullptr);
    EXPECT_FALSE(s.StorePicture(4));
    // a later picture of the plot leaves the stored one alone
    s.SetTitle("second");
    EXPECT_TRUE(s.Draw());
    Records l = metaFileListing(s.GetPicture(2));
    EXPECT_NE(findRecord(l, "TextOut(734,16,\"first\")"), -1) << ::testing::PrintToString(withPrefix(l, "TextOut"));
    EXPECT_NE(findRecord(listing(s), "TextOut(734,16,\"second\")"), -1);
}
