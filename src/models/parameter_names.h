// What each entry of the fit-parameter vector means in the model chosen now:
// the base layout names the discrete-species rows (M1..M4, s1..s4, c1..c4,
// meniscus, ...); the model views reuse slots for values of their own (the
// continuous models' grid, confidence level and solvent, the association
// constants of the interacting models, ...), and a name must follow them.
#pragma once

struct ParameterMeaning {
    const char* szName;  // a short name of the value, as the views use it
    bool bFitFlag;       // the entry's fit flag floats this value (false: it
                         // carries a switch, or nothing floats the value)
};

// Entry k (1..34) under the model flags as they stand.
ParameterMeaning parameterMeaning(int k);

// The name of entry k (1..34) in the base layout; "" outside 1..34.
const char* baseParameterName(int k);
