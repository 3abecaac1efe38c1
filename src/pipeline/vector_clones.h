// The stages' hot loops are built twice on x86-64, for the baseline and for
// AVX2, and the loader picks the one the processor runs. Both are the same
// integer code, so they give the very same bytes.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#define VANTOREL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
// For a loop that only pays with AVX2, called where ProcessorHasAvx2().
#define VANTOREL_AVX2 __attribute__((target("avx2")))
inline bool ProcessorHasAvx2() { return __builtin_cpu_supports("avx2"); }
#else
#define VANTOREL_VECTOR_CLONES
#define VANTOREL_AVX2
inline bool ProcessorHasAvx2() { return false; }
#endif
