// What the processor running the program can do, asked once. Code for a wider
// instruction set lives in files of its own built with that set and is called
// only where this says the processor has it (docs/design.md, Performance).
#pragma once

inline bool processorHasAvx2()
{
#if defined(__x86_64__)
    static const bool b = __builtin_cpu_supports("avx2");
    return b;
#else
    return false;
#endif
}
