// TEMPORARY: services of the distribution grid and prior that the solvers
// read; they move to their own subsystem headers.
#pragma once

extern double* pPriorProbability;
extern float* pFf0PriorWeights;
extern unsigned char bUsePriorProbabilities;
extern unsigned char bPriorFf0Gaussians;
extern int nNumericalErrorCode;
float zbrentFloat(float (*func)(float), float x1, float x2, float tol);
extern float* pDistAxisS;
extern float* pCsFf0S;
extern float* pCsFf0Ratio;
extern float* pDistValues;
extern float* pCsFf0Values;
