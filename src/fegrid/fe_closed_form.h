// Closed-form finite-element matrix elements on the global grid: integrals of
// products of linear hat functions phi_i and their derivatives, weighted with
// r or r^2 (the sector), as exact expressions in the node radii.
//
// Nodes are 1-based; an entry whose nodes do not share an element is 0, and an
// index outside the grid gives 0. Each value is the sum of the element
// integrals of lamm/fe_elements.h over the elements that contain every node
// named. Three families, which differ in the grid they read:
//   - equidistant (staticElement*): pGridRadius, with every element width taken
//     as (fBottom - fMeniscus) / (N - 1) and the elements placed at r_i of the
//     first index;
//   - cut grid (*ToNode): pGridRadius from node 1 to node n (n above N counts
//     as N): node n has only its left element, nothing beyond r_n is read;
//   - moving-hat grid: pFeGridRadius over all N nodes.
// N is the size of the arrays in place, nGridPointsAllocated.
#pragma once

// ---------------------------------------------------------------- equidistant family
double staticElementA(int i, int j);          // int phi_i phi_j r
double staticElementB(int i, int j, int k);   // int phi_i' phi_j' phi_k r
double staticElementC(int i, int j, int k);   // int phi_i' phi_j phi_k r^2

// ---------------------------------------------------------------- cut-grid family
double hatWeightToNode(int i, int n);                     // int_r1^rn phi_i r
double massElementToNode(int i, int j, int n);            // int_r1^rn phi_i phi_j r
double stiffnessElementToNode(int i, int j, int n);       // int_r1^rn phi_i' phi_j' r
double sedimentationElementToNode(int i, int j, int n);   // int_r1^rn phi_i' phi_j r^2

// ---------------------------------------------------------------- moving-hat grid family
double hatWeight(int i);                                  // int phi_i r
double heteroAssocElementA(int i, int j);                 // int phi_i phi_j r
double heteroAssocElementB(int i, int j);                 // int phi_i' phi_j' r
double heteroAssocElementC(int i, int j);                 // int phi_i' phi_j r^2
// -int phi_i phi_j' r rho(r): rho = r inside; in the first element the weight
// r rho is r r_2 phi_2(r), in the last r r_(N-1) phi_(N-1)(r) (the fixed end
// node's radius counts as zero: the velocity of the grid interpolated between
// a fixed end and a moving neighbour).
double heteroAssocElementD(int i, int j);
double tripleMassElement(int i, int j, int k);            // int phi_i phi_j phi_k r
double radialTripleIntegral(int i, int j, int k);         // int phi_i' phi_j phi_k r^2
double tripleStiffnessElement(int i, int j, int k);       // int phi_i' phi_j' phi_k r
// -int phi_i (phi_j phi_k)' r rho(r), with the end-element weights above.
double productSedimentationElement(int i, int j, int k);
// int phi_i' (phi_j phi_k)' r
double productStiffnessElement(int i, int j, int k);

// ---------------------------------------------------------------- the moving hat's element functions
// On pFeGridRadius, 0 outside 1..N or for nodes more than one apart.
// A: int r phi_i' phi_j' (diffusion); with the back-diffusion shut-off the
//    bottom row takes the outflow terms r_N / (r_N - r_(N-1)).
// B: int r^2 phi_i' phi_j (sedimentation); minus r_N^2 at (N, N) with the
//    shut-off.
// C: the grid-motion term, heteroAssocElementD.
// D: C - B, every entry.
// E: int r phi_i phi_j (mass).
double elementMatrixValueA(int i, int j);
double elementMatrixValueB(int i, int j);
double elementMatrixValueC(int i, int j);
double elementMatrixValueD(int i, int j);
double elementMatrixValueE(int i, int j);
// int r phi_i, the amount weight of node i.
double elementDiagonal(int i);

// ---------------------------------------------------------------- the equidistant Lamm rows
// Row i of the mass matrix B (int phi_i phi_j r) and of the sedimentation-
// diffusion matrix A (K int phi_i' phi_j r^2 - D int phi_i' phi_j' r, K =
// omega^2 s) of linear elements on an equidistant grid of spacing h, r the
// radius of node i; the grid ends at row n (row 1 and row n have the end forms,
// the missing neighbours are 0). Shared by the Claverie propagator, the buffer
// module and the ideal co-solute.
struct TridiagRow {
    double l = 0, d = 0, u = 0;
};
void equidistantLammRow(int i, int n, double r, double h, double K, double D, TridiagRow& B, TridiagRow& A);
