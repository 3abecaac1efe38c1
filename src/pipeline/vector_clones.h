// The stages' hot loops are built twice on x86-64, for the baseline and for
// AVX2, and the loader picks the one the processor runs. Both are the same
// integer code, so they give the very same bytes.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#define VANTOREL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VANTOREL_VECTOR_CLONES
#endif
