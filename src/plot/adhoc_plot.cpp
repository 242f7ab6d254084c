#include "plot/adhoc_plot.h"

#include <algorithm>
#include <vector>

#include "numerics/nrutil.h"

using namespace win;

CAdHocPlot::CAdHocPlot() : pPlot(new CWINPlot), nSlots(100)
{
    pSlotCount = ivector(1, nSlots);  // zero-filled
    pSlotX = new float*[size_t(nSlots) + 1];
    pSlotY = new float*[size_t(nSlots) + 1];
    pSlotXVector = new CVector*[size_t(nSlots) + 1];
    pSlotYVector = new CVector*[size_t(nSlots) + 1];
    pSlotCurve = new CCurve*[size_t(nSlots) + 1];
    pSlotOwnsArrays = new unsigned char[size_t(nSlots) + 1];
    pSlotOwnsArrays[0] = 0;
    for (int k = 1; k <= nSlots; k++) pSlotOwnsArrays[k] = 1;
}

CAdHocPlot::~CAdHocPlot()
{
    delete pPlot;
    // Curves often share an array (one radius axis for several curves, or x
    // and y alike): each array is freed once.
    std::vector<float*> freed;
    auto release = [&](float* p, int n) {
        if (!p || std::find(freed.begin(), freed.end(), p) != freed.end()) return;
        freed.push_back(p);
        free_vector(p, 1, n);
    };
    for (int k = 1; k <= nSlots; k++) {
        if (pSlotCount[k] == 0) continue;
        if (pSlotOwnsArrays[k]) {
            release(pSlotX[k], pSlotCount[k]);
            release(pSlotY[k], pSlotCount[k]);
        }
        delete pSlotCurve[k];
        delete pSlotXVector[k];
        delete pSlotYVector[k];
    }
    free_ivector(pSlotCount, 1, nSlots);
    delete[] pSlotX;
    delete[] pSlotY;
    delete[] pSlotXVector;
    delete[] pSlotYVector;
    delete[] pSlotCurve;
    delete[] pSlotOwnsArrays;
}

int CAdHocPlot::AddCurve(int n, float* x, float* y)
{
    int k = 1;
    while (k <= nSlots && pSlotCount[k] != 0) k++;
    if (k > nSlots || n < 1 || !x || !y) return -1;
    pSlotCount[k] = n;
    pSlotX[k] = x;
    pSlotY[k] = y;
    pSlotXVector[k] = new CVector;
    pSlotXVector[k]->Attach(x, unsigned(n), 1);
    pSlotYVector[k] = new CVector;
    pSlotYVector[k]->Attach(y, unsigned(n), 1);
    pSlotCurve[k] = new CCurve(pSlotXVector[k], pSlotYVector[k]);
    pPlot->AddCurve(pSlotCurve[k]);
    return k - 1;
}

// ------------------------------------------------------------ stored pictures

CStoredPlot::~CStoredPlot()
{
    FreePictures();
}

bool CStoredPlot::AllocatePictures(int n)
{
    FreePictures();
    if (n < 1) return false;
    pStoredPictures = new HMETAFILE[size_t(n) + 1]();
    nStoredPictures = n;
    return true;
}

bool CStoredPlot::StorePicture(int k)
{
    if (!pStoredPictures || k < 1 || k > nStoredPictures) return false;
    Draw();
    if (pStoredPictures[k]) DeleteMetaFile(pStoredPictures[k]);
    pStoredPictures[k] = bMetaFileValid ? hMetaFile : nullptr;
    hMetaFile = nullptr;
    bMetaFileValid = 0;
    return true;
}

HMETAFILE CStoredPlot::GetPicture(int k) const
{
    if (!pStoredPictures || k < 1 || k > nStoredPictures) return nullptr;
    return pStoredPictures[k];
}

void CStoredPlot::FreePictures()
{
    if (pStoredPictures)
        for (int k = 1; k <= nStoredPictures; k++)
            if (pStoredPictures[k]) DeleteMetaFile(pStoredPictures[k]);
    delete[] pStoredPictures;
    pStoredPictures = nullptr;
    nStoredPictures = 0;
}
