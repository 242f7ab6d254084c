// The fluorescence detector options: switches, constants and fit flags of the
// detector effects that the sedimentation models carry for fluorescence
// optics. They live for the whole run, survive loads, and are saved and
// restored with the fit parameters. The model and fit code reads them and
// floats a constant while its fit flag is set; the Options > Fluorescence
// Tools commands and the FloTools dialog set them.
//
// One block: every value below is defined, with its default, in
// fluorescence_options.cpp.
#pragma once

// Radial convolution of the signal (the blur of the detection cone):
// characteristic width in cm (0) and the width of the Gaussian in standard
// deviations (2.0).
extern unsigned char bFloConvolution;
extern float fFloConvolution;
extern float fConvolutionDistFactor;
extern unsigned char bFloConvolutionFloat;

// Shadow of the excitation cone at the cell bottom: cone radius in cm (0).
extern unsigned char bFloExcitationCone;
extern float fFloExcitationCone;
extern unsigned char bFloExcitationConeFloat;

// Magnification change with time; bFloMagnificationDrift is set when either
// part is on. Linear drift: fraction per hour (0; shown and entered in percent
// per hour). Exponential photophysics: rate per hour (0) and the limiting
// signal level as a fraction (1.0; shown and entered in percent).
extern unsigned char bFloMagnificationDrift;
extern unsigned char bFloDrift;
extern float fFloDrift;
extern unsigned char bFloDriftFloat;
extern unsigned char bFloBleaching;
extern float fFloKBleach;
extern float fFloAlim;
extern unsigned char bFloKBleachFloat;
extern unsigned char bFloAlimFloat;

// Radial magnification gradient: the factor "1+da/dr" (1.0).
extern unsigned char bFloRadialMagnification;
extern float fFloRadialMagFactor;
extern unsigned char bFloRadialMagFactorFloat;

// Nonlinear detection: the detector reads b + (c - b)^p above the baseline b.
// Exponent p (1.0), baseline b (0), and whether the transformed values are
// the ones shown (off).
extern unsigned char bNonlinearDetection;
extern float fFloNonlinCoeff;
extern float fDetectionBaseline;
extern unsigned char bShowTransformedData;
extern unsigned char bFitDetectionPower;

// Johnston-Ogston depletion boundary: s in S (3.0), D in cm^2/s (3e-7; shown
// and entered in units of 1e-7), amplitude (0.5) and log10 of the ks-value
// (-3.0; shown and entered as ks).
extern unsigned char bJohnstonOgston;
extern float fJOs;
extern float fJOD;
extern float fJOAmp;
extern float fJOKs;
extern unsigned char bFitJOSValue;
extern unsigned char bFitJODValue;
extern unsigned char bFitJOAmplitude;
extern unsigned char bFitJOKs;

// log10 of a ks-value as stored in fJOKs: values at or below 1e-8 (zero and
// negative ones included, whose logarithm does not exist) store -8.
float jOKsLogFromValue(double dKs);
