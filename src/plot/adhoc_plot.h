// Two small pieces around CWINPlot.
//
// CAdHocPlot: a quick plot of up to 100 curves from plain one-based float
// arrays, for the diagnostic tools. The arrays handed to AddCurve become the
// holder's: allocate them with vector(1, n) and never free them; the holder
// frees each of them once, also when several curves share one (a common x).
//
//   CAdHocPlot* p = new CAdHocPlot;
//   p->pPlot->SetPlotRect(nPlotTop, nPlotLeft, 475, nPlotRight);
//   int k = p->AddCurve(n, r, c);              // r, c: vector(1, n)
//   p->pPlot->SetCurveStyle(k, -1);
//   p->pPlot->Draw();
//   forgetAdHocPlot(window); pAdHocPlotOwner = p; pAdHocWinPlot = p->pPlot;
//
// CStoredPlot: a plot that keeps a numbered series of recorded pictures.
#pragma once

#include "platform/win.h"
#include "plot/cwinplot.h"

class CAdHocPlot {
public:
    CWINPlot* pPlot;                 // owned
    int nSlots;                      // 100
    int* pSlotCount;                 // ivector(1, 100): points of slot k, 0 = free
    float** pSlotX;                  // slots 0..100: the one-based arrays handed over
    float** pSlotY;
    CVector** pSlotXVector;          // views of them
    CVector** pSlotYVector;
    CCurve** pSlotCurve;
    unsigned char* pSlotOwnsArrays;  // slots 0..100: 1 = the holder frees the slot's arrays

    CAdHocPlot();
    ~CAdHocPlot();
    CAdHocPlot(const CAdHocPlot&) = delete;
    CAdHocPlot& operator=(const CAdHocPlot&) = delete;

    // Puts x[1..n], y[1..n] into the first free slot k and appends the curve
    // to the plot; returns its index in the plot, k - 1. With all slots in use,
    // or n < 1, nothing is added, the result is -1 and the arrays stay the
    // caller's.
    int AddCurve(int n, float* x, float* y);
};

class CStoredPlot : public CWINPlot {
public:
    win::HMETAFILE* pStoredPictures = nullptr;  // slots 1..nStoredPictures
    int nStoredPictures = 0;

    CStoredPlot() = default;
    ~CStoredPlot();

    // A table of n empty slots (pictures stored before are deleted).
    bool AllocatePictures(int n);
    // Draws the plot and moves the new picture into slot k: the plot no longer
    // holds it (a picture stored in slot k before is deleted). False for a k
    // outside 1..n.
    bool StorePicture(int k);
    // The picture of slot k; 0 without a table or for k outside 1..n.
    win::HMETAFILE GetPicture(int k) const;
    void FreePictures();
};
