// Local s and D of the self-associating and non-ideal models at the nodes of
// the global grid.
//
// Rapid self-association puts every species of a node in equilibrium with its
// total c: the sedimentation flux is the weight-average s (weights the
// species' concentrations), the diffusion flux of the total the
// gradient-average D (weights d c_j / d x, the stoichiometry times the
// concentration). With Ka the association constant of the n-mer and x the
// free monomer, c = x + Ka x^n:
//   dimer: y = Ka x = (sqrt(1 + 4 Ka c) - 1)/2, s = (s1 + y s2)/(1 + y),
//          D = (D1 + 2 y D2)/(1 + 2 y);
//   trimer: x from the cubic, u = Ka x^2, s = (s1 + u s3)/(1 + u),
//          D = (D1 + 3 u D3)/(1 + 3 u).
// 1-2-4 and 1-4-8 have two constants; their total is a polynomial in x whose
// inverse is read from a table of 1000 rows.
#include "fegrid/interacting_coefficients.h"

#include <cmath>

#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/two_lanes.h"
#include "lamm/nonideal_factors.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "scandata/scan_data.h"

double dSAKa = 0.0;
double dSAKa2 = 0.0;
double dSAKa3 = 0.0;
double dAssocK2 = 0.0;
double dAssocK3 = 0.0;
float fNonidealKsLinear = 0.0f;
float fNonidealKdLinear = 0.0f;
unsigned char bNonidealUsesCosoluteData = 0;
unsigned char bMonomerDimerNonideal = 0;
double** pAssocTable = nullptr;
int nAssocTableHint = 1;
unsigned char bAssocTableActive = 0;

namespace {

// The law of the run, chosen once by the set-up.
enum class Law { MonomerDimer, MonomerTrimer, Table, NonidealLinear, Hindered, Cosolute };
Law gLaw = Law::MonomerDimer;

// 10^x in single precision, as the model parameters are.
double tenToThe(float x) { return static_cast<float>(std::pow(10.0f, x)); }

bool tableModel() { return bModelSelfAssoc124 || bModelSelfAssoc148; }

// ---------------------------------------------------------------- the laws at one total c

// A negative total (a rounding dip of the profile) holds no dimer: with
// 1 + 4 Ka c < 0 the root would not exist, and towards it 1 + 2 y -> 0.
inline void monomerDimerAt(double c, double& s, double& D)
{
    if (c < 0) c = 0;
    const double y = (std::sqrt(1 + 4 * dSAKa * c) - 1) / 2;
    // one division for both averages
    const double inv = 1 / ((1 + y) * (1 + 2 * y));
    s = (fSAMonomerS + y * fSAOligomerS) * (1 + 2 * y) * inv;
    D = (fSAMonomerMorD + 2 * y * fSAOligomerMorD) * (1 + y) * inv;
}

// monomerDimerAt at two totals.
inline void monomerDimerAt2(V2 c, V2& s, V2& D)
{
    c = c < 0 ? V2{0, 0} : c;
    const double K = dSAKa, s1 = fSAMonomerS, s2 = fSAOligomerS, D1 = fSAMonomerMorD, D2 = fSAOligomerMorD;
    const V2 y = (sqrt2(1 + 4 * K * c) - 1) / 2;
    const V2 inv = 1 / ((1 + y) * (1 + 2 * y));
    s = (s1 + y * s2) * (1 + 2 * y) * inv;
    D = (D1 + 2 * y * D2) * (1 + y) * inv;
}

void monomerTrimerAt(double c, double& s, double& D)
{
    const double x = monomerFromTotalCubic(c);
    const double u = dSAKa * x * x;
    s = (fSAMonomerS + u * fSAOligomerS) / (1 + u);
    D = (fSAMonomerMorD + 3 * u * fSAOligomerMorD) / (1 + 3 * u);
}

// The hindered factors: c in mg/ml.
void hinderedAt(double c, double& s, double& D)
{
    const float cm = static_cast<float>(c / dSignalPerMgMl);
    const float s0 = fSAMonomerS, D0 = fSAMonomerMorD;
    s = s0 * nonidealSFactor(cm, fNonidealKsLinear, fNonidealKdLinear, s0, D0, VBAR, fBufferDensity, fTemperatureK,
                             RELVISCOSITY);
    D = D0 * nonidealDFactor(cm, fNonidealKsLinear, fNonidealKdLinear, s0, D0, VBAR, fBufferDensity, fTemperatureK,
                             RELVISCOSITY);
}


void nonidealLinearAt(double c, double& s, double& D)
{
    s = fSAMonomerS / (1 + fNonidealKsLinear * c);
    D = fSAMonomerMorD * (1 + fNonidealKdLinear * c);
}

// Calls g with the law of the run (a distinct type per law, so that the
// loops of g are compiled for each).
template <class G>
void withLaw(G g)
{
    switch (gLaw) {
    case Law::MonomerDimer: g([](double c, double& s, double& D) { monomerDimerAt(c, s, D); }); break;
    case Law::MonomerTrimer: g([](double c, double& s, double& D) { monomerTrimerAt(c, s, D); }); break;
    case Law::Table: g([](double c, double& s, double& D) { lookupAssociationTable(c, &s, &D); }); break;
    case Law::NonidealLinear: g([](double c, double& s, double& D) { nonidealLinearAt(c, s, D); }); break;
    case Law::Hindered: g([](double c, double& s, double& D) { hinderedAt(c, s, D); }); break;
    case Law::Cosolute: g([](double c, double& s, double& D) { cosoluteCoefficientsAt(c, s, D); }); break;
    }
}

}  // namespace

// Start values, on the profile at the start of the step.
void updateLocalCoefficientsA()
{
    const int N = nGridPointsAllocated;
    const double* c = pGridConcPrev;
    double* S = pLocalS;
    double* D = pLocalD;
    int i0 = 1;
    if (gLaw == Law::MonomerDimer) {  // the common law two nodes at a time
        for (; i0 + 1 <= N; i0 += 2) {
            V2 s, d;
            monomerDimerAt2(load2(c + i0), s, d);
            store2(S + i0, s);
            store2(D + i0, d);
        }
    }
    withLaw([&](auto law) {
        for (int i = i0; i <= N; i++) law(c[i], S[i], D[i]);
    });
}

// The corrector: the mean of the start values (in pLocalS, pLocalD) and the
// values at the predictor's profile.
void updateLocalCoefficientsB()
{
    const int N = nGridPointsAllocated;
    const double* cp = pGridConcPrev;
    const double* ct = pGridConcTrial;
    double* S = pLocalS;
    double* D = pLocalD;
    const bool bNonideal = gLaw == Law::MonomerDimer && bMonomerDimerNonideal;
    const double ks = fNonidealKsLinear;
    int i0 = 1;
    if (gLaw == Law::MonomerDimer) {  // the common law two nodes at a time
        for (; i0 + 1 <= N; i0 += 2) {
            V2 s, d;
            monomerDimerAt2(load2(ct + i0), s, d);
            store2(S + i0, (load2(S + i0) + s) / 2);
            store2(D + i0, (load2(D + i0) + d) / 2);
        }
    }
    withLaw([&](auto law) {
        for (int i = i0; i <= N; i++) {
            double s, d;
            law(ct[i], s, d);
            S[i] = (S[i] + s) / 2;
            D[i] = (D[i] + d) / 2;
        }
    });
    if (bNonideal)
        for (int i = 1; i <= N; i++) S[i] /= 1 + ks * (cp[i] + ct[i]) / 2;
}

// The alternative corrector: for the plain non-ideal species 1/(1 + ks c)
// averaged over both profiles and D at the mean concentration, else as B.
void updateLocalCoefficientsC()
{
    if (gLaw != Law::NonidealLinear) {
        updateLocalCoefficientsB();
        return;
    }
    const int N = nGridPointsAllocated;
    const double ks = fNonidealKsLinear, kd = fNonidealKdLinear;
    for (int i = 1; i <= N; i++) {
        const double cp = pGridConcPrev[i], ct = pGridConcTrial[i];
        pLocalS[i] = fSAMonomerS * (1 / (1 + ks * cp) + 1 / (1 + ks * ct)) / 2;
        pLocalD[i] = fSAMonomerMorD * (1 + kd * (cp + ct) / 2);
    }
}

// ---------------------------------------------------------------- set-up

bool setUpInteractingCoefficients()
{
    bNonidealUsesCosoluteData = 0;
    freeAssociationTable();
    if (!bModelNonidealSingle) {
        dSAKa = tenToThe(fSALog10Ka);
        if (bModelMonomerTrimer) {
            gLaw = Law::MonomerTrimer;
            dSAKa2 = dSAKa * dSAKa;
            dSAKa3 = dSAKa2 * dSAKa;
        } else if (tableModel()) {
            gLaw = Law::Table;
            dAssocK2 = tenToThe(fSALog10Ka);
            dAssocK3 = tenToThe(fSALog10Ka2);
            if (!buildAssociationTable()) return false;
        } else {
            gLaw = Law::MonomerDimer;
            if (bMonomerDimerNonideal) fNonidealKsLinear = static_cast<float>(tenToThe(fNonidealKs));
        }
        bNonidealityOutOfRange = 0;
        return true;
    }
    if (bNonidealCosolute) {
        // the co-solute's own s(c) and D(c)
        gLaw = Law::Cosolute;
        bNonidealUsesCosoluteData = 1;
        if (!bCosolutePreset) setupSolventGradientArrays();
    } else if (bModelHindered) {
        gLaw = Law::Hindered;
        fNonidealKsLinear = std::fabs(fNonidealKs);
        fNonidealKdLinear = std::fabs(fNonidealKd);
    } else {
        gLaw = Law::NonidealLinear;
        float ks = static_cast<float>(tenToThe(fNonidealKs) / dSignalPerMgMl);
        float kd = static_cast<float>(tenToThe(fNonidealKd) / dSignalPerMgMl);
        // the magnitude decides: with the attractive sign s = s0 / (1 - ks c)
        // has its pole at ks c = 1
        if (ks * pGridConc[1] > 1) {
            bNonidealityOutOfRange = 1;
            return false;
        }
        if (!bNonidealRepulsive) {
            ks = -ks;
            kd = -kd;
        }
        fNonidealKsLinear = ks;
        fNonidealKdLinear = kd;
    }
    bNonidealityOutOfRange = 0;
    return true;
}

bool nonidealLawHoldsOn(const double* c, int n)
{
    if (gLaw != Law::NonidealLinear) return true;
    const double ks = fNonidealKsLinear, kd = fNonidealKdLinear;
    if (!(ks < 0) && !(kd < 0)) return true;  // repulsive: no pole at a positive total
    for (int i = 1; i <= n; i++)
        if (c[i] > 0 && (1 + ks * c[i] <= 0 || 1 + kd * c[i] <= 0)) {
            bNonidealityOutOfRange = 1;
            return false;
        }
    return true;
}

// ---------------------------------------------------------------- the monomer of the trimer

double monomerFromTotalCubic(double c)
{
    const double K = dSAKa;
    if (c == 0 || !(K > 0)) return c;
    if (c < 0) return -monomerFromTotalCubic(-c);
    const double d = std::sqrt(c * c / (4 * dSAKa2) + 1 / (27 * dSAKa3));
    double x = std::cbrt(c / (2 * K) + d) - std::cbrt(-c / (2 * K) + d);
    // Cardano's difference of two cube roots cancels for large and for small
    // K c^2; the root lies below c and below (c/K)^(1/3), and Newton's method
    // on the increasing convex x + K x^3 - c converges from any start above it
    const double xUpper = std::fmin(c, std::cbrt(c / K));
    if (!(x > 0) || !(x <= xUpper)) x = xUpper;
    for (int n = 0; n < 100; n++) {
        const double f = x + K * x * x * x - c;
        const double dx = f / (1 + 3 * K * x * x);
        x -= dx;
        if (std::fabs(dx) <= 1e-15 * x) break;
    }
    return x;
}

// ---------------------------------------------------------------- the association table

bool buildAssociationTable()
{
    freeAssociationTable();
    pAssocTable = dmatrix(1, nAssocTableRows, 1, 4);
    if (!pAssocTable) return false;
    bAssocTableActive = 1;
    nAssocTableHint = 1;
    const bool b148 = bModelSelfAssoc148 != 0;
    const double K2 = dAssocK2, K3 = dAssocK3;
    const double s1 = fSAMonomerS, s2 = fSAOligomerS, s4 = fSAOligomerS2;
    const double D1 = fSAMonomerMorD, D2 = fSAOligomerMorD, D4 = fSAOligomerMorD2;
    const double ratio = std::pow(100.0 / 1e-5, 1.0 / (nAssocTableRows - 1));
    double x = 1e-5;
    for (int j = 1; j <= nAssocTableRows; j++, x *= ratio) {
        double* row = pAssocTable[j];
        // the oligomers' shares per monomer: 2 and 4 (1-2-4) or 4 and 8 (1-4-8)
        const double a = b148 ? K2 * x * x * x : K2 * x;
        const double b = b148 ? K3 * std::pow(x, 7) : K3 * x * x * x;
        const int n2 = b148 ? 4 : 2, n3 = b148 ? 8 : 4;
        row[1] = x;
        row[2] = x * (1 + a + b);
        row[3] = (s1 + a * s2 + b * s4) / (1 + a + b);
        row[4] = (D1 + n2 * a * D2 + n3 * b * D4) / (1 + n2 * a + n3 * b);
    }
    return true;
}

void lookupAssociationTable(double c, double* s, double* D)
{
    double** t = pAssocTable;
    const int n = nAssocTableRows;
    if (c <= t[1][2]) {
        *s = t[1][3];
        *D = t[1][4];
        return;
    }
    // from ten rows before the remembered one when that row is still below c
    // (the profile changes little from node to node), else from the start
    int j = nAssocTableHint > 10 && t[nAssocTableHint - 10][2] < c ? nAssocTableHint - 10 : 1;
    while (j <= n && t[j][2] < c) j++;
    if (j >= n) {
        nAssocTableHint = n;
        *s = t[n][3];
        *D = t[n][4];
        return;
    }
    nAssocTableHint = j;
    if (t[j][2] == c) {
        *s = t[j][3];
        *D = t[j][4];
        return;
    }
    const double f = (c - t[j - 1][2]) / (t[j][2] - t[j - 1][2]);
    *s = t[j - 1][3] + f * (t[j][3] - t[j - 1][3]);
    *D = t[j - 1][4] + f * (t[j][4] - t[j - 1][4]);
}

void freeAssociationTable()
{
    if (pAssocTable) free_dmatrix(pAssocTable, 1, nAssocTableRows, 1, 4);
    pAssocTable = nullptr;
    bAssocTableActive = 0;
    nAssocTableHint = 1;
}

int selfAssociationDirection()
{
    if (bModelNonidealSingle) return 0;
    float s[3] = {fSAMonomerS, fSAOligomerS, tableModel() ? fSAOligomerS2 : fSAOligomerS};
    if (s[0] > 0 && s[1] > 0 && s[2] > 0) return 1;
    if (s[0] < 0 && s[1] < 0 && s[2] < 0) return -1;
    return 0;
}
