// TEMPORARY stand-in definitions (see pending_services.h).
#include "distributions/pending_services.h"

double* pPriorProbability = nullptr;
float* pFf0PriorWeights = nullptr;
unsigned char bUsePriorProbabilities = 0;
unsigned char bPriorFf0Gaussians = 0;
int nNumericalErrorCode = 0;
float* pDistAxisS = nullptr;
float* pCsFf0S = nullptr;
float* pCsFf0Ratio = nullptr;
float* pDistValues = nullptr;
float* pCsFf0Values = nullptr;
float zbrentFloat(float (*)(float), float, float, float) { return 0.0f; }
