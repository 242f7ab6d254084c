// The fluorescence detector options with their defaults.
#include "tools/fluorescence/fluorescence_options.h"

#include <cmath>

unsigned char bFloConvolution = 0;
float fFloConvolution = 0.0f;
float fConvolutionDistFactor = 2.0f;
unsigned char bFloConvolutionFloat = 0;

unsigned char bFloExcitationCone = 0;
float fFloExcitationCone = 0.0f;
unsigned char bFloExcitationConeFloat = 0;

unsigned char bFloMagnificationDrift = 0;
unsigned char bFloDrift = 0;
float fFloDrift = 0.0f;
unsigned char bFloDriftFloat = 0;
unsigned char bFloBleaching = 0;
float fFloKBleach = 0.0f;
float fFloAlim = 1.0f;
unsigned char bFloKBleachFloat = 0;
unsigned char bFloAlimFloat = 0;

unsigned char bFloRadialMagnification = 0;
float fFloRadialMagFactor = 1.0f;
unsigned char bFloRadialMagFactorFloat = 0;

unsigned char bNonlinearDetection = 0;
float fFloNonlinCoeff = 1.0f;
float fDetectionBaseline = 0.0f;
unsigned char bShowTransformedData = 0;
unsigned char bFitDetectionPower = 0;

unsigned char bJohnstonOgston = 0;
float fJOs = 3.0f;
float fJOD = 3e-7f;
float fJOAmp = 0.5f;
float fJOKs = -3.0f;
unsigned char bFitJOSValue = 0;
unsigned char bFitJODValue = 0;
unsigned char bFitJOAmplitude = 0;
unsigned char bFitJOKs = 0;

float jOKsLogFromValue(double dKs)
{
    return dKs > 1e-8 ? static_cast<float>(std::log10(dKs)) : -8.0f;
}
